#include "invoicing/invoice_from_notes.h"

#include <map>
#include <optional>

#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "documents/document_hold.h"
#include "documents/header.h"
#include "documents/line_editor.h"
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
constexpr std::string_view kCarriedFields[] = {"NAZWA1", "SWW",    "PKWIU",    "KOD13",    "PARTIA", "TPS_P",
                                               "PARTIA2", "TPS_P2", "NRPARTII", "UWAGI", "PROWIZJA", "DATA_M"};

std::string DocText(std::string_view rd, std::string_view nrd) { return AllTrim(rd) + "-" + AllTrim(nrd); }

struct SourceNote {
  uint32_t recno = 0;
  std::string rd, nrd;
  std::string odb;  // the customer
};

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
  if (st.ok()) st = slow.UnlockRecord(recno);
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
ArticleTerms TermsOfArticle(InvoiceUi& ui, xbase::WorkArea& as, const xbase::WorkArea& line, bool gross) {
  const std::string mag = PadR(FieldText(line, "MAG"), 1);
  const std::string indeks = PadR(FieldText(line, "INDEKS"), 8);
  ArticleTerms t;
  auto found = as.Seek(xbase::Value(mag + indeks));
  if (found.ok() && *found) {
    t.cena = FieldNumber(as, gross ? "CENA2" : "CENA");
    t.podatek0 = FieldText(as, "PODATEK0");
    return t;
  }
  // Missing: the line's own price and rate, and the article is put back into `as`.
  t.cena = FieldNumber(line, "CENA");
  t.podatek0 = FieldText(line, "PODATEK0");
  Status st = store::AddRecArea(ui.store(), as, kRecordWait);
  const uint32_t recno = as.recno();
  if (st.ok()) st = as.Replace("MAG", xbase::Value(mag));
  if (st.ok()) st = as.Replace("INDEKS", xbase::Value(indeks));
  if (st.ok()) st = ReplaceIfPresent(as, "NAZWA", xbase::Value(FieldText(line, "NAZWA")));
  if (st.ok()) st = ReplaceIfPresent(as, "JM", xbase::Value(FieldText(line, "JM")));
  if (st.ok()) st = ReplaceIfPresent(as, "PODATEK0", xbase::Value(t.podatek0));
  if (st.ok()) st = ReplaceIfPresent(as, gross ? "CENA2" : "CENA", xbase::Value(NewRound(t.cena, 2)));
  if (st.ok()) st = ReplaceIfPresent(as, "CENA0", xbase::Value(FieldNumber(line, "CENA0")));
  if (st.ok()) st = as.UnlockRecord(recno);
  ui.Tell("BRAK " + mag + " " + indeks + " w as", 1);
  if (!st.ok()) ui.Tell("Towar " + mag + " " + RTrim(indeks) + " nie dopisany: " + st.message(), 3);
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

void LineMoneyFromNotes(MergedLine& line, char nb) {
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

// The invoice's lines into the fresh working table. False (told) when a line cannot be
// written: the editor must not open over half an invoice.
bool FillWorkingLines(session::Session& session, InvoiceUi& ui, const std::vector<MergedLine>& lines,
                      const std::string& rd, const std::string& nrd, JulianDay data, char nb,
                      const xbase::Value& m_odb, double* wartosc, double* wartosc0) {
  if (!session::NoweDd(session, ui.store())) return false;
  xbase::WorkArea* dd = SessionAreaOf(session, store::TableId::kDd);
  if (dd == nullptr) return false;
  int lp = 0;
  Status st = Status::Ok();
  for (const MergedLine& l : lines) {
    st = dd->Append();
    if (!st.ok()) break;
    ++lp;
    const std::initializer_list<std::pair<std::string_view, xbase::Value>> fields = {
        {"R_P", xbase::Value("R")},
        {"S_Z", xbase::Value("S")},
        {"RD", xbase::Value(rd)},
        {"NRD", xbase::Value(nrd)},
        {"DATA", xbase::Value(xbase::Date{data})},
        {"MAG", xbase::Value(l.mag)},
        {"LP", xbase::Value(PadL(std::to_string(lp), 3))},
        {"KTO", xbase::Value("O")},
        {"ODB", m_odb},
        {"SPZ", xbase::Value("G")},
        {"TEZ", xbase::Value(0.0)},
        {"INDEKS", xbase::Value(l.indeks)},
        {"NAZWA", xbase::Value(l.nazwa)},
        {"JM", xbase::Value(l.jm)},
        {"NB", xbase::Value(std::string(1, nb))},
        {"ILOSC", xbase::Value(l.ilosc)},
        {"CENA", xbase::Value(l.cena)},
        {"CENA0", xbase::Value(l.cena0)},
        {"PODATEK0", xbase::Value(l.podatek0)},
        {"PODATEK", xbase::Value(l.podatek)},
        {"WARTOSC", xbase::Value(nb == 'B' ? l.brutto : l.wartosc)},
        {"BRUTTO", xbase::Value(l.brutto)},
    };
    for (const auto& [field, value] : fields) {
      if (st.ok()) st = ReplaceIfPresent(*dd, field, value);
    }
    for (const auto& [field, value] : l.extra) {
      if (st.ok() && dd->FieldIndex(field) >= 0) st = dd->Replace(field, value);
    }
    if (!st.ok()) break;
    *wartosc += l.brutto;
    *wartosc0 += NewRound(l.ilosc * l.cena0, 2);
  }
  if (st.ok()) st = dd->Unlock();
  if (st.ok()) st = dd->GoTop();
  if (!st.ok()) {
    ui.Tell("Blad zapisu pozycji faktury: " + st.message(), 3);
    (void)session::NoweDd(session, ui.store());  // the half-written lines go; the menu follows
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

// The invoice in the document screen: the header shown, the lines in the editor, posted
// or abandoned there.
bool InvoiceInDocumentScreen(session::Session& session, const documents::DocKind& kind) {
  console::Console& con = session.con();
  const console::SavedScreen saved = con.SaveScreen();
  documents::DrawDocumentScreen(session, &kind);
  documents::SayPelnyNag(session);
  documents::KeyLine(session, false, &kind);
  const bool done = documents::MyDow(session, 10, 0, 22, 79, "dd", "", 7);
  con.RestoreScreen(saved);
  return done;
}

}  // namespace

FvDoWzResult FvDoWz(session::Session& session, InvoiceUi& ui, const FvDoWzOptions& options) {
  FvDoWzResult result;
  if (!session.op().Prawa(7)) {
    ui.Tell("Masz zbyt male prawa!", 4);
    return result;
  }
  if (session.InArchive()) {
    ui.Tell("Praca w archiwum - blokada", 3);
    return result;
  }
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

  // Steps 2 to 4.
  const JulianDay month_first =
      Stod("20" + Left(session.hh(), 2) + Substr(session.hh(), 4, 2) + "01").value_or(session.Today());
  const JulianDay data = IssueDateInMonth(session.Today(), month_first);
  double last_number = 0;
  documents::DocKind kind;
  {
    AreaPosition keep_slow(slow);
    kind = KindForInvoice(session, ui, *slow, rd, &last_number);
  }
  const char nb = kind.IsGross() ? 'B' : 'N';
  const std::string nrd = PadL(Str(last_number + 1, 8, 0), 8);

  // Step 5: the notes, held while the invoice is made.
  std::vector<SourceNote> notes;
  {
    AreaPosition keep_dowod(dowod);
    auto marked = MarkedNotes(*dowod);
    if (!marked.ok()) {
      ui.Tell("Plik dowod niedostepny", 3);
      return result;
    }
    notes = std::move(*marked);
  }
  if (notes.empty()) {
    ui.Tell("Nic nie zrobilem", 3);
    return result;
  }
  // One invoice bills one customer: the customer of the first note. The notes of others
  // stay marked for their own invoices.
  const size_t marked = notes.size();
  std::erase_if(notes, [&](const SourceNote& n) { return n.odb != notes.front().odb; });
  if (notes.size() < marked) {
    ui.Tell("WZ innych odbiorcow zostaja na nastepna fakture", 3);
  }
  documents::DocumentHold hold;
  for (const SourceNote& note : notes) {
    if (!hold.Take(session.env(), session.root(), {note.recno}).ok()) {
      hold.Release();
      ui.Tell("Dowod " + DocText(note.rd, note.nrd) + " zajety na innej stacji", 0);
      return result;
    }
  }

  // The first note gives the customer and the recipient; the currency and deposits come
  // with it.
  xbase::Value m_odb, m_kto, m_mag, m_odbiorc1, m_waluta, m_kurs, m_reszta, m_nodb, m_nodb1, m_uodb, m_kodb,
      m_modb, m_regon, m_nip_kraj;
  double waga = 0;

  // Step 6: the lines, merged by warehouse, article and price.
  std::vector<MergedLine> lines;
  {
    AreaPosition keep_dowod(dowod);
    AreaPosition keep_dow(dow);
    AreaPosition keep_as(as);
    std::map<std::string, size_t> by_key;
    if (!as->SetOrder(1).ok() || !dow->SetOrder(1).ok()) {
      ui.Tell("Plik dow niedostepny", 3);
      return result;
    }
    bool first_note = true;
    for (const SourceNote& note : notes) {
      if (!dowod->GoTo(note.recno).ok() || dowod->eof()) continue;
      if (first_note) {
        first_note = false;
        m_odb = FieldText(*dowod, "ODB");
        m_kto = FieldText(*dowod, "KTO");
        m_mag = FieldText(*dowod, "MAG");
        if (dowod->FieldIndex("ODBIORC1") >= 0) m_odbiorc1 = FieldText(*dowod, "ODBIORC1");
        std::string waluta = Upper(AllTrim(FieldText(*dowod, "WALUTA")));
        m_waluta = documents::IsForeignCurrency(waluta) ? waluta : std::string();
        m_kurs = m_waluta.AsString().empty() ? 0.0 : FieldNumber(*dowod, "KURS");
        m_reszta = FieldNumber(*dowod, "RESZTA");
        m_nodb = FieldText(*dowod, "NODB");
        m_nodb1 = FieldText(*dowod, "NODB1");
        m_uodb = FieldText(*dowod, "UODB");
        m_kodb = FieldText(*dowod, "KODB");
        m_modb = FieldText(*dowod, "MODB");
        m_regon = FieldText(*dowod, "REGON");
        m_nip_kraj = FieldText(*dowod, "NIP_KRAJ");
      }
      waga += FieldNumber(*dowod, "WAGA");
      auto found = dow->Seek(xbase::Value(note.rd + note.nrd));
      if (!found.ok() || !*found) continue;
      while (!dow->eof() && PadR(FieldText(*dow, "RD"), 3) + PadL(AllTrim(FieldText(*dow, "NRD")), 8) ==
                                note.rd + note.nrd) {
        const double ilosc = FieldNumber(*dow, "ILOSC");
        const double source_cena = FieldNumber(*dow, "CENA");
        const std::string key =
            PadR(FieldText(*dow, "MAG"), 1) + PadR(FieldText(*dow, "INDEKS"), 8) + Str(source_cena, 10, 2);
        auto at = by_key.find(key);
        if (at != by_key.end()) {
          lines[at->second].ilosc += ilosc;
        } else {
          MergedLine l;
          l.mag = PadR(FieldText(*dow, "MAG"), 1);
          l.indeks = PadR(FieldText(*dow, "INDEKS"), 8);
          l.nazwa = FieldText(*dow, "NAZWA");
          l.jm = FieldText(*dow, "JM");
          l.ilosc = ilosc;
          l.source_cena = source_cena;
          l.cena0 = FieldNumber(*dow, "CENA0");
          ArticleTerms terms = TermsOfArticle(ui, *as, *dow, nb == 'B');
          l.cena = terms.cena;
          l.podatek0 = terms.podatek0;
          for (std::string_view f : kCarriedFields) {
            if (dow->FieldIndex(f) < 0) continue;
            auto v = dow->Get(f);
            if (v.ok()) l.extra.emplace_back(std::string(f), *v);
          }
          by_key.emplace(key, lines.size());
          lines.push_back(std::move(l));
        }
        if (!dow->Skip(1).ok()) break;
      }
    }
  }

  // Step 7.
  if (lines.empty()) {
    ui.Tell("Nic nie zrobilem", 3);
    return result;
  }
  if (lines.size() > static_cast<size_t>(kMaxLines)) {
    ui.Tell("Za duzo pozycji na jednej fakturze", 0);
    return result;
  }
  for (MergedLine& l : lines) LineMoneyFromNotes(l, nb);

  // The station holds nothing for a document of its own while the invoice is made.
  documents::ZwRezWyjscie(session);
  double wartosc = 0, wartosc0 = 0;
  if (!FillWorkingLines(session, ui, lines, rd, nrd, data, nb, m_odb, &wartosc, &wartosc0)) return result;

  // The header of the invoice under edit.
  std::string notes_list;
  for (const SourceNote& note : notes) notes_list += note.rd + note.nrd;
  session::SessionVariables& v = session.vars();
  const xbase::Value klucz = v.Get("KLUCZ");
  v.Set("KLUCZ", xbase::Value(0.0));
  v.Set("M_RD", xbase::Value(rd));
  v.Set("M_NRD", xbase::Value(nrd));
  v.Set("M_DATA", xbase::Value(xbase::Date{data}));
  v.Set("M_KTO", m_kto.AsString().empty() ? xbase::Value("O") : m_kto);
  v.Set("M_ODB", m_odb);
  v.Set("M_MAG", m_mag);
  v.Set("M_ODBIORCA", xbase::Value(NotesText(notes)));
  v.Set("M_ODBIORC1", m_odbiorc1.IsNil() ? xbase::Value(std::string()) : m_odbiorc1);
  v.Set("M_NODB", m_nodb);
  v.Set("M_NODB1", m_nodb1);
  v.Set("M_UODB", m_uodb);
  v.Set("M_KODB", m_kodb);
  v.Set("M_MODB", m_modb);
  v.Set("M_REGON", m_regon);
  v.Set("M_NIP_KRAJ", m_nip_kraj);
  v.Set("M_WALUTA", m_waluta);
  v.Set("M_KURS", m_kurs);
  v.Set("M_RESZTA", m_reszta);
  v.Set("M_WAGA", xbase::Value(waga));
  v.Set("M_SPZ", xbase::Value("G"));
  v.Set("M_TEZ", xbase::Value(0.0));
  v.Set("M_WARTOSC", xbase::Value(NewRound(wartosc, 2)));
  v.Set("M_WARTOSC0", xbase::Value(NewRound(wartosc0, 2)));
  v.Set("M_WPLATA", xbase::Value(NewRound(wartosc, 2)));
  v.Set("JEST_WYDRUK", xbase::Value(false));
  v.Set(documents::kNotesVariable, xbase::Value(notes_list));

  result.made = true;
  result.rd = rd;
  result.nrd = nrd;
  result.sources = static_cast<int>(notes.size());
  result.lines = lines;
  if (options.editor) {
    options.editor(session);
  } else {
    InvoiceInDocumentScreen(session, kind);
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
