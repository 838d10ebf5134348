#include "invoicing/invoice_from_notes.h"

#include <map>
#include <optional>

#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "documents/document_hold.h"
#include "documents/header.h"
#include "documents/line_editor.h"
#include "documents/line_record.h"
#include "documents/posting.h"
#include "documents/vat_rate.h"
#include "invoicing/invoice_tables.h"
#include "invoicing/issue_notes_list.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/schema.h"

namespace hurt::invoicing {

namespace {

constexpr int kMaxLines = 999;    // LP has three characters
constexpr double kRecordWait = 10;

// Optional line fields carried from a note's line to the invoice's.
// (NAZWA1, SWW, PKWIU, KOD13 and UWAGI come with the line model itself.)
constexpr std::string_view kCarriedFields[] = {"PARTIA", "TPS_P", "PARTIA2", "TPS_P2", "NRPARTII", "PROWIZJA", "DATA_M"};

std::string DocText(std::string_view rd, std::string_view nrd) { return AllTrim(rd) + "-" + AllTrim(nrd); }

struct SourceNote {
  uint32_t recno = 0;
  std::string rd, nrd;
  std::string odb;  // the customer
};

// A record just appended whose fields could not all be written goes again, so that no
// half-written record stays in a shared table. Returns the status of taking it back.
Status DropFreshRecord(xbase::WorkArea& area, uint32_t recno) {
  Status st = Status::Ok();
  if (!area.eof() && area.recno() == recno) st = area.Delete();
  const Status u = area.UnlockRecord(recno);
  if (st.ok()) st = u;
  if (st.ok()) st = area.Commit();
  return st;
}

// The kind record, made when it is missing. The in-memory kind is returned either way,
// so a dictionary that cannot be changed now still lets the invoice be made.
documents::DocKind KindForInvoice(session::Session& session, InvoiceUi& ui, xbase::WorkArea& slow, const std::string& rd,
                                  double* last_number) {
  *last_number = 0;
  if (slow.order_count() > 0 && !slow.SetOrder(1).ok()) ui.Tell("Plik slow niedostepny", 3);
  auto kind = ReadKind(slow, rd);
  if (kind.ok()) {
    *last_number = FieldNumber(slow, "NRD");
    return *kind;
  }
  documents::DocKind made;
  made.rd = rd;
  made.opis = "FAKTURA VAT";
  made.r_p = 'R';
  made.s_z = 'S';
  made.cuv = 'U';
  made.kto = 'O';
  made.nb = 'N';
  Status st = store::AddRecArea(ui.store(), slow, kRecordWait);
  if (!st.ok()) {
    ui.Tell("Rodzaj " + RTrim(rd) + " nie zapisany: " + st.message(), 3);
    return made;
  }
  const uint32_t recno = slow.recno();
  for (const auto& [field, value] :
       std::initializer_list<std::pair<std::string_view, xbase::Value>>{{"RD", xbase::Value(rd)},
                                                                        {"OPIS", xbase::Value(made.opis)},
                                                                        {"R_P", xbase::Value("R")},
                                                                        {"S_Z", xbase::Value("S")},
                                                                        {"CUV", xbase::Value("U")},
                                                                        {"KTO", xbase::Value("O")},
                                                                        {"MAG", xbase::Value(Left(session.settings().MagGlow(), 1))},
                                                                        {"NB", xbase::Value("N")},
                                                                        {"NRD", xbase::Value(0.0)}}) {
    if (st.ok()) st = ReplaceIfPresent(slow, field, value);
  }
  if (!st.ok()) {
    // A kind record written in part is not left in the dictionary.
    const Status dropped = DropFreshRecord(slow, recno);
    ui.Tell("Blad zapisu pliku slow: " + st.message() + (dropped.ok() ? "" : " (" + dropped.message() + ")"), 3);
    return made;
  }
  st = slow.UnlockRecord(recno);
  if (st.ok()) st = slow.Commit();
  // The kind in memory still lets the invoice be made; posting needs the record, and says so.
  if (!st.ok()) ui.Tell("Rodzaj " + RTrim(rd) + " nie zapisany: " + st.message(), 3);
  return made;
}

// The marked issue notes of the list not invoiced yet, in the list's order (the area's
// controlling order).
Result<std::vector<SourceNote>> MarkedNotes(xbase::WorkArea& dowod) {
  std::vector<SourceNote> notes;
  HURT_RETURN_IF_ERROR(dowod.GoTop());
  while (!dowod.eof()) {
    std::string zap = FieldText(dowod, "ZAP");
    std::string mag = FieldText(dowod, "MAG");
    const std::string rd = PadR(FieldText(dowod, "RD"), 3);
    const bool invoiced = !IsBlank(FieldText(dowod, "R_RD")) || !IsBlank(FieldText(dowod, "R_NRD"));
    if (!zap.empty() && zap[0] == kNoteMark && !XbaseEquals(mag, "0") && rd.rfind("WZ", 0) == 0 && !invoiced) {
      notes.push_back({dowod.recno(), rd, PadL(AllTrim(FieldText(dowod, "NRD")), 8),
                       PadR(FieldText(dowod, "ODB"), 8)});
    }
    HURT_RETURN_IF_ERROR(dowod.Skip(1));
  }
  return notes;
}

// The article's price and rate for a new line; the article is added when missing.
struct ArticleTerms {
  double cena = 0;
  std::string podatek0;
};
// An article that cannot be added is told and stops the invoice (nullopt): the card
// written in part is taken back.
std::optional<ArticleTerms> TermsOfArticle(InvoiceUi& ui, xbase::WorkArea& as, const documents::DocLine& line,
                                           bool gross) {
  const std::string mag = PadR(line.mag, 1);
  const std::string indeks = PadR(line.indeks, 8);
  ArticleTerms t;
  auto found = as.Seek(xbase::Value(mag + indeks));
  if (found.ok() && *found) {
    t.cena = FieldNumber(as, gross ? "CENA2" : "CENA");
    t.podatek0 = FieldText(as, "PODATEK0");
    return t;
  }
  // Missing: the line's own price and rate, and the article is put back into `as`.
  t.cena = line.cena;
  t.podatek0 = line.podatek0;
  Status st = store::AddRecArea(ui.store(), as, kRecordWait);
  if (!st.ok()) {
    ui.Tell("Towar " + mag + " " + RTrim(indeks) + " nie dopisany: " + st.message(), 3);
    return std::nullopt;
  }
  const uint32_t recno = as.recno();
  st = as.Replace("MAG", xbase::Value(mag));
  if (st.ok()) st = as.Replace("INDEKS", xbase::Value(indeks));
  if (st.ok()) st = ReplaceIfPresent(as, "NAZWA", xbase::Value(line.nazwa));
  if (st.ok()) st = ReplaceIfPresent(as, "JM", xbase::Value(line.jm));
  if (st.ok()) st = ReplaceIfPresent(as, "PODATEK0", xbase::Value(t.podatek0));
  if (st.ok()) st = ReplaceIfPresent(as, gross ? "CENA2" : "CENA", xbase::Value(NewRound(t.cena, 2)));
  if (st.ok()) st = ReplaceIfPresent(as, "CENA0", xbase::Value(line.cena0));
  if (!st.ok()) {
    const Status dropped = DropFreshRecord(as, recno);
    ui.Tell("Blad zapisu pliku as: " + st.message() + (dropped.ok() ? "" : " (" + dropped.message() + ")"), 3);
    return std::nullopt;
  }
  st = as.UnlockRecord(recno);
  ui.Tell("BRAK " + mag + " " + indeks + " w as", 1);
  if (!st.ok()) {
    ui.Tell("Blad zapisu pliku as: " + st.message(), 3);
    return std::nullopt;
  }
  return t;
}

}  // namespace

JulianDay IssueDateInMonth(JulianDay today, JulianDay month_first_day) {
  Ymd t = YmdFromJulian(today);
  Ymd m = YmdFromJulian(month_first_day);
  if (t.year == m.year && t.month == m.month) return today;
  JulianDay last = JulianFromYmd(m.year, m.month, DaysInMonth(m.year, m.month));
  return today > last ? last : JulianFromYmd(m.year, m.month, 1);
}

void LineMoneyFromNotes(documents::DocLine& line, char nb) {
  const double rate = documents::RateOfCode(line.podatek0);
  if (nb == 'B') {
    line.brutto = NewRound(line.ilosc * line.cena, 2);
    line.wartosc = NewRound(line.brutto / (1 + rate / 100), 2);
    line.podatek = NewRound(line.brutto - line.wartosc, 2);
  } else {
    line.wartosc = NewRound(line.ilosc * line.cena, 2);
    line.podatek = NewRound(line.wartosc * rate / 100, 2);
    line.brutto = NewRound(line.wartosc + line.podatek, 2);
  }
}

namespace {

// The invoice being made: its kind, number, date and price basis (steps 2 to 4).
struct InvoicePlan {
  std::string rd, nrd;
  JulianDay data = 0;
  documents::DocKind kind;
  char nb = 'N';
};

// What the first note gives the invoice's header: the customer and recipient, the
// currency and deposits; and the weight of all the notes.
struct NotesHeader {
  xbase::Value odb, kto, mag, odbiorc1, waluta, kurs, reszta, nodb, nodb1, uodb, kodb, modb, regon, nip_kraj;
  double waga = 0;
};

// The invoice's lines merged from the notes, and the header the notes give.
struct GatheredLines {
  std::vector<documents::DocLine> lines;
  NotesHeader header;
};

// The fields of `dd` an invoice line from the notes is written with.
documents::LineFields InvoiceLineFields() {
  using documents::LineField;
  return documents::HeaderLineFields().Add({LineField::kLp, LineField::kMag, LineField::kIndeks, LineField::kNazwa,
                                            LineField::kNazwa1, LineField::kUwagi, LineField::kJm, LineField::kSww,
                                            LineField::kPkwiu, LineField::kKod13, LineField::kNb, LineField::kIlosc,
                                            LineField::kCena, LineField::kCena0, LineField::kPodatek0,
                                            LineField::kPodatek, LineField::kWartosc, LineField::kBrutto});
}

// Step 1: right 7, and no archive month open.
bool MayMakeInvoice(session::Session& session, InvoiceUi& ui) {
  if (!session.op().Prawa(7)) {
    ui.Tell("Masz zbyt male prawa!", 4);
    return false;
  }
  if (session.InArchive()) {
    ui.Tell("Praca w archiwum - blokada", 3);
    return false;
  }
  return true;
}

// Steps 2 to 4: the date, the kind (made when missing) and the number proposed.
InvoicePlan PlanInvoice(session::Session& session, InvoiceUi& ui, xbase::WorkArea& slow, const std::string& rd) {
  InvoicePlan plan;
  plan.rd = rd;
  const JulianDay month_first =
      Stod("20" + Left(session.hh(), 2) + Substr(session.hh(), 4, 2) + "01").value_or(session.Today());
  plan.data = IssueDateInMonth(session.Today(), month_first);
  double last_number = 0;
  {
    AreaPosition keep_slow(&slow);
    plan.kind = KindForInvoice(session, ui, slow, rd, &last_number);
  }
  plan.nb = plan.kind.IsGross() ? 'B' : 'N';
  plan.nrd = PadL(Str(last_number + 1, 8, 0), 8);
  return plan;
}

// Step 5: the marked notes of one customer (the first note's); empty when none (told).
std::vector<SourceNote> NotesToInvoice(InvoiceUi& ui, xbase::WorkArea& dowod) {
  std::vector<SourceNote> notes;
  {
    AreaPosition keep_dowod(&dowod);
    auto marked = MarkedNotes(dowod);
    if (!marked.ok()) {
      ui.Tell("Plik dowod niedostepny", 3);
      return {};
    }
    notes = std::move(*marked);
  }
  if (notes.empty()) {
    ui.Tell("Nic nie zrobilem", 3);
    return {};
  }
  // One invoice bills one customer: the customer of the first note. The notes of others
  // stay marked for their own invoices.
  const size_t marked = notes.size();
  std::erase_if(notes, [&](const SourceNote& n) { return n.odb != notes.front().odb; });
  if (notes.size() < marked) {
    ui.Tell("WZ innych odbiorcow zostaja na nastepna fakture", 3);
  }
  return notes;
}

// Step 5: the notes held while the invoice is made; false (told) when another station
// holds one of them.
bool HoldNotes(session::Session& session, InvoiceUi& ui, const std::vector<SourceNote>& notes,
               documents::DocumentHold& hold) {
  for (const SourceNote& note : notes) {
    if (!hold.Take(session.env(), session.root(), {note.recno}).ok()) {
      hold.Release();
      ui.Tell("Dowod " + DocText(note.rd, note.nrd) + " zajety na innej stacji", 0);
      return false;
    }
  }
  return true;
}

NotesHeader HeaderOfFirstNote(const xbase::WorkArea& dowod) {
  NotesHeader h;
  h.odb = FieldText(dowod, "ODB");
  h.kto = FieldText(dowod, "KTO");
  h.mag = FieldText(dowod, "MAG");
  if (dowod.FieldIndex("ODBIORC1") >= 0) h.odbiorc1 = FieldText(dowod, "ODBIORC1");
  std::string waluta = Upper(AllTrim(FieldText(dowod, "WALUTA")));
  h.waluta = documents::IsForeignCurrency(waluta) ? waluta : std::string();
  h.kurs = h.waluta.AsString().empty() ? 0.0 : FieldNumber(dowod, "KURS");
  h.reszta = FieldNumber(dowod, "RESZTA");
  h.nodb = FieldText(dowod, "NODB");
  h.nodb1 = FieldText(dowod, "NODB1");
  h.uodb = FieldText(dowod, "UODB");
  h.kodb = FieldText(dowod, "KODB");
  h.modb = FieldText(dowod, "MODB");
  h.regon = FieldText(dowod, "REGON");
  h.nip_kraj = FieldText(dowod, "NIP_KRAJ");
  return h;
}

// Step 6 for one note: its lines added to `lines`, merged by warehouse, article and
// price (`by_key`). False (told) when a missing article cannot be added.
bool MergeLinesOfNote(InvoiceUi& ui, xbase::WorkArea& dow, xbase::WorkArea& as, const SourceNote& note, char nb,
                      std::map<std::string, size_t>& by_key, std::vector<documents::DocLine>& lines) {
  auto found = dow.Seek(xbase::Value(note.rd + note.nrd));
  if (!found.ok() || !*found) return true;
  while (!dow.eof() &&
         PadR(FieldText(dow, "RD"), 3) + PadL(AllTrim(FieldText(dow, "NRD")), 8) == note.rd + note.nrd) {
    documents::DocLine source = documents::ReadLineRecord(dow);
    const std::string key = PadR(source.mag, 1) + PadR(source.indeks, 8) + Str(source.cena, 10, 2);
    auto at = by_key.find(key);
    if (at != by_key.end()) {
      lines[at->second].ilosc += source.ilosc;
    } else {
      std::optional<ArticleTerms> terms = TermsOfArticle(ui, as, source, nb == 'B');
      if (!terms) return false;
      documents::DocLine l;
      l.mag = PadR(source.mag, 1);
      l.indeks = PadR(source.indeks, 8);
      l.nazwa = source.nazwa;
      l.nazwa1 = source.nazwa1;
      l.uwagi = source.uwagi;
      l.jm = source.jm;
      l.sww = source.sww;
      l.pkwiu = source.pkwiu;
      l.kod13 = source.kod13;
      l.ilosc = source.ilosc;
      l.cena0 = source.cena0;
      l.cena = terms->cena;
      l.podatek0 = terms->podatek0;
      for (std::string_view f : kCarriedFields) {
        if (dow.FieldIndex(f) < 0) continue;
        auto v = dow.Get(f);
        if (v.ok()) l.extra.emplace_back(std::string(f), *v);
      }
      by_key.emplace(key, lines.size());
      lines.push_back(std::move(l));
    }
    if (!dow.Skip(1).ok()) break;
  }
  return true;
}

// Step 6: the lines of every note merged, and the header the first note gives. nullopt
// (told) when the tables cannot be read or an article cannot be added.
std::optional<GatheredLines> GatherLines(InvoiceUi& ui, xbase::WorkArea& dowod, xbase::WorkArea& dow,
                                         xbase::WorkArea& as, const std::vector<SourceNote>& notes, char nb) {
  AreaPosition keep_dowod(&dowod);
  AreaPosition keep_dow(&dow);
  AreaPosition keep_as(&as);
  if (!as.SetOrder(1).ok() || !dow.SetOrder(1).ok()) {
    ui.Tell("Plik dow niedostepny", 3);
    return std::nullopt;
  }
  GatheredLines gathered;
  std::map<std::string, size_t> by_key;
  bool first_note = true;
  for (const SourceNote& note : notes) {
    if (!dowod.GoTo(note.recno).ok() || dowod.eof()) continue;
    if (first_note) {
      first_note = false;
      gathered.header = HeaderOfFirstNote(dowod);
    }
    gathered.header.waga += FieldNumber(dowod, "WAGA");
    if (!MergeLinesOfNote(ui, dow, as, note, nb, by_key, gathered.lines)) return std::nullopt;
  }
  return gathered;
}

// Step 7: the invoice's lines into the fresh working table. False (told) when a line
// cannot be written: the editor must not open over half an invoice.
bool FillWorkingLines(session::Session& session, InvoiceUi& ui, const std::vector<documents::DocLine>& lines,
                      const InvoicePlan& plan, const xbase::Value& m_odb, double* wartosc, double* wartosc0) {
  xbase::WorkArea* dd = session::NoweDd(session, ui.store()) ? SessionAreaOf(session, store::TableId::kDd) : nullptr;
  if (dd == nullptr) {
    ui.Tell("Brak pliku roboczego pozycji", 3);
    return false;
  }
  const documents::LineFields fields = InvoiceLineFields();
  int lp = 0;
  Status st = Status::Ok();
  for (const documents::DocLine& l : lines) {
    documents::DocLine record = l;
    record.r_p = 'R';
    record.s_z = 'S';
    record.rd = plan.rd;
    record.nrd = plan.nrd;
    record.data = plan.data;
    record.lp = PadL(std::to_string(++lp), 3);
    record.kto = 'O';
    record.odb = m_odb.AsString();
    record.spz = "G";
    record.tez = 0;
    record.nb = plan.nb;
    if (plan.nb == 'B') record.wartosc = l.brutto;
    st = documents::AppendLineRecord(*dd, record, fields);
    if (!st.ok()) break;
    *wartosc += l.brutto;
    *wartosc0 += NewRound(l.ilosc * l.cena0, 2);
  }
  if (st.ok()) st = dd->Unlock();
  if (st.ok()) st = dd->GoTop();
  if (!st.ok()) {
    ui.Tell("Blad zapisu pliku dd: " + st.message(), 3);
    // The station's own working table made anew: the half-written lines go. Should that
    // fail too, the menu follows and the next document starts it afresh.
    (void)session::NoweDd(session, ui.store());
    return false;
  }
  return true;
}

// The notes as the header text says them: "WZ 1, 2, 5" (the numbers without blanks).
std::string NotesText(const std::vector<SourceNote>& notes) {
  std::string text = "WZ ";
  for (size_t i = 0; i < notes.size(); ++i) {
    if (i > 0) text += ", ";
    text += AllTrim(notes[i].nrd);
  }
  return text;
}

// Step 7: the header variables of the invoice under edit.
void SetInvoiceHeader(session::SessionVariables& v, const InvoicePlan& plan, const std::vector<SourceNote>& notes,
                      const NotesHeader& h, double wartosc, double wartosc0) {
  std::string notes_list;
  for (const SourceNote& note : notes) notes_list += note.rd + note.nrd;
  v.Set("KLUCZ", xbase::Value(0.0));
  v.Set("M_RD", xbase::Value(plan.rd));
  v.Set("M_NRD", xbase::Value(plan.nrd));
  v.Set("M_DATA", xbase::Value(xbase::Date{plan.data}));
  v.Set("M_KTO", h.kto.AsString().empty() ? xbase::Value("O") : h.kto);
  v.Set("M_ODB", h.odb);
  v.Set("M_MAG", h.mag);
  v.Set("M_ODBIORCA", xbase::Value(NotesText(notes)));
  v.Set("M_ODBIORC1", h.odbiorc1.IsNil() ? xbase::Value(std::string()) : h.odbiorc1);
  v.Set("M_NODB", h.nodb);
  v.Set("M_NODB1", h.nodb1);
  v.Set("M_UODB", h.uodb);
  v.Set("M_KODB", h.kodb);
  v.Set("M_MODB", h.modb);
  v.Set("M_REGON", h.regon);
  v.Set("M_NIP_KRAJ", h.nip_kraj);
  v.Set("M_WALUTA", h.waluta);
  v.Set("M_KURS", h.kurs);
  v.Set("M_RESZTA", h.reszta);
  v.Set("M_WAGA", xbase::Value(h.waga));
  v.Set("M_SPZ", xbase::Value("G"));
  v.Set("M_TEZ", xbase::Value(0.0));
  v.Set("M_WARTOSC", xbase::Value(NewRound(wartosc, 2)));
  v.Set("M_WARTOSC0", xbase::Value(NewRound(wartosc0, 2)));
  v.Set("M_WPLATA", xbase::Value(NewRound(wartosc, 2)));
  v.Set("JEST_WYDRUK", xbase::Value(false));
  v.Set(documents::kNotesVariable, xbase::Value(notes_list));
}

}  // namespace

FvDoWzResult FvDoWz(session::Session& session, InvoiceUi& ui, const FvDoWzOptions& options) {
  FvDoWzResult result;
  if (!MayMakeInvoice(session, ui)) return result;
  std::optional<std::string> chosen = ui.AskKind("FV ");
  if (!chosen) return result;
  const std::string rd = PadR(*chosen, 3);

  xbase::WorkArea* slow = SessionAreaOf(session, store::TableId::kSlow);
  xbase::WorkArea* dowod = SessionAreaOf(session, store::TableId::kDowod);
  xbase::WorkArea* dow = SessionAreaOf(session, store::TableId::kDow);
  xbase::WorkArea* as = SessionAreaOf(session, store::TableId::kAs);
  if (slow == nullptr || dowod == nullptr || dow == nullptr || as == nullptr) {
    ui.Tell("Plik dowod niedostepny", 3);
    return result;
  }

  const InvoicePlan plan = PlanInvoice(session, ui, *slow, rd);
  const std::vector<SourceNote> notes = NotesToInvoice(ui, *dowod);
  if (notes.empty()) return result;
  documents::DocumentHold hold;
  if (!HoldNotes(session, ui, notes, hold)) return result;

  std::optional<GatheredLines> gathered = GatherLines(ui, *dowod, *dow, *as, notes, plan.nb);
  if (!gathered) {
    result.failed = true;
    return result;
  }
  std::vector<documents::DocLine>& lines = gathered->lines;
  if (lines.empty()) {
    ui.Tell("Nic nie zrobilem", 3);
    return result;
  }
  if (lines.size() > static_cast<size_t>(kMaxLines)) {
    ui.Tell("Za duzo pozycji na jednej fakturze", 0);
    return result;
  }
  for (documents::DocLine& l : lines) LineMoneyFromNotes(l, plan.nb);

  // The station holds nothing for a document of its own while the invoice is made.
  documents::ZwRezWyjscie(session);
  double wartosc = 0, wartosc0 = 0;
  if (!FillWorkingLines(session, ui, lines, plan, gathered->header.odb, &wartosc, &wartosc0)) {
    result.failed = true;
    return result;
  }

  session::SessionVariables& v = session.vars();
  const xbase::Value klucz = v.Get("KLUCZ");
  SetInvoiceHeader(v, plan, notes, gathered->header, wartosc, wartosc0);

  result.made = true;
  result.rd = plan.rd;
  result.nrd = plan.nrd;
  result.sources = static_cast<int>(notes.size());
  result.lines = lines;
  if (options.editor) {
    options.editor(session);
  } else {
    documents::EditInDocumentScreen(session, plan.kind);
  }
  // Posting clears the notes' variable once it has linked them.
  result.posted = IsBlank(v.Text(documents::kNotesVariable));
  if (result.posted) result.posted_nrd = PadL(AllTrim(v.Text("M_NRD")), 8);
  v.Set(documents::kNotesVariable, xbase::Value(std::string()));
  v.Set("KLUCZ", klucz);
  hold.Release();
  return result;
}

bool FvDoWzMenu(session::Session& session) {
  session::ConsoleStoreUi store_ui(session.con());
  ConsoleInvoiceUi ui(session.con(), store_ui);
  return FvDoWz(session, ui).made;
}

}  // namespace hurt::invoicing
