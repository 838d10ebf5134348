#include "invoicing/faktura_z_wz.h"

#include <map>
#include <optional>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_editor.h"
#include "documents/vat_rate.h"
#include "invoicing/invoice_tables.h"
#include "shell/session.h"
#include "shell/store_ui.h"
#include "store/catalogue.h"
#include "store/init_tables.h"
#include "store/net_use.h"

namespace hurt::invoicing {

namespace {

constexpr char kMarked = '\xFB';  // the list's mark of a document taken into an invoice
constexpr int kMaxLines = 999;    // LP has three characters
constexpr double kRecordWait = 10;

// Optional line fields carried from a note's line to the invoice's.
constexpr std::string_view kCarriedFields[] = {"NAZWA1", "SWW",    "PKWIU",    "KOD13",    "PARTIA", "TPS_P",
                                               "PARTIA2", "TPS_P2", "NRPARTII", "UWAGI", "PROWIZJA", "DATA_M"};

std::string DocText(std::string_view rd, std::string_view nrd) { return AllTrim(rd) + "-" + AllTrim(nrd); }

// The record locks taken on the source headers; released when it goes out of scope.
class HeldLocks {
 public:
  explicit HeldLocks(xbase::WorkArea& area) : area_(area) {}
  ~HeldLocks() { ReleaseAll(); }
  HeldLocks(const HeldLocks&) = delete;
  HeldLocks& operator=(const HeldLocks&) = delete;

  void Add(uint32_t recno) { held_.push_back(recno); }
  void ReleaseAll() {
    for (uint32_t r : held_) (void)area_.UnlockRecord(r);
    held_.clear();
  }

 private:
  xbase::WorkArea& area_;
  std::vector<uint32_t> held_;
};

struct SourceNote {
  uint32_t recno = 0;
  std::string rd, nrd;
};

// The kind record, made when it is missing. The in-memory kind is returned either way,
// so a dictionary that cannot be changed now still lets the invoice be made.
documents::DocKind KindForInvoice(shell::Session& session, InvoiceUi& ui, xbase::WorkArea& slow, const std::string& rd,
                                  double* last_number) {
  *last_number = 0;
  if (slow.order_count() > 0) (void)slow.SetOrder(1);
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
  if (store::AddRecArea(ui.store(), slow, kRecordWait).ok()) {
    (void)slow.Replace("RD", xbase::Value(rd));
    (void)slow.Replace("OPIS", xbase::Value(made.opis));
    (void)slow.Replace("R_P", xbase::Value("R"));
    (void)slow.Replace("S_Z", xbase::Value("S"));
    (void)slow.Replace("CUV", xbase::Value("U"));
    (void)slow.Replace("KTO", xbase::Value("O"));
    (void)ReplaceIfPresent(slow, "MAG", xbase::Value(Left(session.settings().MagGlow(), 1)));
    (void)ReplaceIfPresent(slow, "NB", xbase::Value("N"));
    (void)slow.Replace("NRD", xbase::Value(0.0));
    (void)slow.Unlock();
    (void)slow.Commit();
  }
  return made;
}

// The marked notes of the list, in the list's order (the area's controlling order).
Result<std::vector<SourceNote>> MarkedNotes(xbase::WorkArea& dowod) {
  std::vector<SourceNote> notes;
  HURT_RETURN_IF_ERROR(dowod.GoTop());
  while (!dowod.eof()) {
    std::string zap = FieldText(dowod, "ZAP");
    std::string mag = FieldText(dowod, "MAG");
    if (!zap.empty() && zap[0] == kMarked && !XbaseEquals(mag, "0")) {
      notes.push_back({dowod.recno(), PadR(FieldText(dowod, "RD"), 3), PadL(AllTrim(FieldText(dowod, "NRD")), 8)});
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
  if (store::AddRecArea(ui.store(), as, kRecordWait).ok()) {
    (void)as.Replace("MAG", xbase::Value(mag));
    (void)as.Replace("INDEKS", xbase::Value(indeks));
    (void)ReplaceIfPresent(as, "NAZWA", xbase::Value(FieldText(line, "NAZWA")));
    (void)ReplaceIfPresent(as, "JM", xbase::Value(FieldText(line, "JM")));
    (void)ReplaceIfPresent(as, "PODATEK0", xbase::Value(t.podatek0));
    (void)ReplaceIfPresent(as, gross ? "CENA2" : "CENA", xbase::Value(NewRound(t.cena, 2)));
    (void)ReplaceIfPresent(as, "CENA0", xbase::Value(FieldNumber(line, "CENA0")));
    (void)as.Unlock();
  }
  ui.Tell("BRAK " + mag + " " + indeks + " w as", 1);
  return t;
}

}  // namespace

Status RestampNotes(store::StoreUi& ui, xbase::WorkArea& dowod, xbase::WorkArea& dow,
                    const std::vector<uint32_t>& recnos, std::string_view from_rd, std::string_view from_nrd,
                    std::string_view to_rd, std::string_view to_nrd, double wait) {
  const std::string from = PadR(from_rd, 3) + PadL(AllTrim(from_nrd), 8);
  const bool clear = IsBlank(to_rd) || IsBlank(to_nrd);
  const std::string new_rd = clear ? std::string(3, ' ') : PadR(to_rd, 3);
  const std::string new_nrd = clear ? std::string(8, ' ') : PadL(AllTrim(to_nrd), 8);
  const std::string old_ex = DocText(from_rd, from_nrd);
  const std::string new_ex = clear ? std::string() : DocText(to_rd, to_nrd);

  // Every note first; the ones still stamped by this invoice are changed.
  HeldLocks locks(dowod);
  std::vector<SourceNote> stamped;
  for (uint32_t recno : recnos) {
    Status locked = store::Retry(ui, store::RetryRule::kPauseAfter, wait, [&] { return dowod.LockRecord(recno); });
    if (!dowod.GoTo(recno).ok() || dowod.eof()) continue;
    const std::string rd = PadR(FieldText(dowod, "RD"), 3);
    const std::string nrd = PadL(AllTrim(FieldText(dowod, "NRD")), 8);
    if (!locked.ok()) {
      locks.ReleaseAll();
      return Status::Busy("Dowod " + DocText(rd, nrd) + " zajety na innej stacji");
    }
    locks.Add(recno);
    const std::string stamp = PadR(FieldText(dowod, "R_RD"), 3) + PadL(AllTrim(FieldText(dowod, "R_NRD")), 8);
    if (stamp == from) stamped.push_back({recno, rd, nrd});
  }
  for (const SourceNote& note : stamped) {
    HURT_RETURN_IF_ERROR(dowod.GoTo(note.recno));
    HURT_RETURN_IF_ERROR(ReplaceIfPresent(dowod, "R_RD", xbase::Value(new_rd)));
    HURT_RETURN_IF_ERROR(ReplaceIfPresent(dowod, "R_NRD", xbase::Value(new_nrd)));
  }
  HURT_RETURN_IF_ERROR(dowod.Flush());
  locks.ReleaseAll();
  (void)dowod.Commit();

  // The notes' lines: the mark of the invoice follows the stamp.
  if (dow.FieldIndex("NAZWA_EX") < 0) return Status::Ok();
  HURT_RETURN_IF_ERROR(dow.SetOrder(1));
  for (const SourceNote& note : stamped) {
    auto found = dow.Seek(xbase::Value(note.rd + note.nrd));
    if (!found.ok() || !*found) continue;
    while (!dow.eof() && PadR(FieldText(dow, "RD"), 3) + PadL(AllTrim(FieldText(dow, "NRD")), 8) ==
                             note.rd + note.nrd) {
      if (RTrim(FieldText(dow, "NAZWA_EX")) == old_ex && store::RecLockArea(ui, dow, wait).ok()) {
        (void)dow.Replace("NAZWA_EX", xbase::Value(new_ex));
      }
      if (!dow.Skip(1).ok()) break;
    }
  }
  (void)dow.Unlock();
  (void)dow.Commit();
  return Status::Ok();
}

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

FvDoWzResult FvDoWz(shell::Session& session, InvoiceUi& ui, const FvDoWzOptions& options) {
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
  const std::string stamp = DocText(rd, nrd);

  // The list's areas are put back before the editor opens.
  std::optional<AreaPosition> keep_dowod, keep_dow, keep_as;
  keep_dowod.emplace(dowod);
  keep_dow.emplace(dow);
  keep_as.emplace(as);

  // Step 5: the notes, all locked before anything changes.
  auto notes = MarkedNotes(*dowod);
  if (!notes.ok()) {
    ui.Tell("Plik dowod niedostepny", 3);
    return result;
  }
  if (notes->empty()) {
    ui.Tell("Nic nie zrobilem", 3);
    return result;
  }
  HeldLocks locks(*dowod);
  for (const SourceNote& note : *notes) {
    Status locked = store::Retry(ui.store(), store::RetryRule::kPauseAfter, options.lock_wait,
                                 [&] { return dowod->LockRecord(note.recno); });
    if (!locked.ok()) {
      locks.ReleaseAll();
      ui.Tell("Dowod " + DocText(note.rd, note.nrd) + " zajety na innej stacji", 0);
      return result;
    }
    locks.Add(note.recno);
  }

  // The first note gives the customer and the recipient; the currency and deposits come
  // with it.
  xbase::Value m_odb, m_kto, m_mag, m_odbiorca, m_waluta, m_kurs, m_reszta, m_nodb, m_nodb1, m_uodb, m_kodb, m_modb,
      m_regon, m_nip_kraj;
  double waga = 0;

  // Step 6: the lines, merged by warehouse, article and price.
  std::vector<MergedLine> lines;
  std::map<std::string, size_t> by_key;
  (void)as->SetOrder(1);
  (void)dow->SetOrder(1);
  bool first_note = true;
  for (const SourceNote& note : *notes) {
    if (!dowod->GoTo(note.recno).ok() || dowod->eof()) continue;
    if (first_note) {
      first_note = false;
      m_odb = FieldText(*dowod, "ODB");
      m_kto = FieldText(*dowod, "KTO");
      m_mag = FieldText(*dowod, "MAG");
      m_odbiorca = FieldText(*dowod, "ODBIORCA");
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

  // The notes are stamped while every one of them is held, then released together.
  for (const SourceNote& note : *notes) {
    if (!dowod->GoTo(note.recno).ok() || dowod->eof()) continue;
    (void)ReplaceIfPresent(*dowod, "R_RD", xbase::Value(rd));
    (void)ReplaceIfPresent(*dowod, "R_NRD", xbase::Value(nrd));
  }
  (void)dowod->Flush();
  locks.ReleaseAll();
  (void)dowod->Commit();
  for (const SourceNote& note : *notes) {
    auto found = dow->Seek(xbase::Value(note.rd + note.nrd));
    if (!found.ok() || !*found) continue;
    while (!dow->eof() && PadR(FieldText(*dow, "RD"), 3) + PadL(AllTrim(FieldText(*dow, "NRD")), 8) ==
                              note.rd + note.nrd) {
      if (store::RecLockArea(ui.store(), *dow, kRecordWait).ok()) {
        (void)ReplaceIfPresent(*dow, "NAZWA_EX", xbase::Value(stamp));
      }
      if (!dow->Skip(1).ok()) break;
    }
  }
  (void)dow->Unlock();
  (void)dow->Commit();

  // The working lines.
  if (!store::NoweDd(session, ui.store())) return result;
  xbase::WorkArea* dd = SessionAreaOf(session, store::TableId::kDd);
  if (dd == nullptr) return result;
  double wartosc = 0, wartosc0 = 0;
  int lp = 0;
  for (const MergedLine& l : lines) {
    if (!dd->Append().ok()) break;
    ++lp;
    (void)ReplaceIfPresent(*dd, "R_P", xbase::Value("R"));
    (void)ReplaceIfPresent(*dd, "S_Z", xbase::Value("S"));
    (void)ReplaceIfPresent(*dd, "RD", xbase::Value(rd));
    (void)ReplaceIfPresent(*dd, "NRD", xbase::Value(nrd));
    (void)ReplaceIfPresent(*dd, "DATA", xbase::Value(xbase::Date{data}));
    (void)ReplaceIfPresent(*dd, "MAG", xbase::Value(l.mag));
    (void)ReplaceIfPresent(*dd, "LP", xbase::Value(PadL(std::to_string(lp), 3)));
    (void)ReplaceIfPresent(*dd, "KTO", xbase::Value("O"));
    (void)ReplaceIfPresent(*dd, "ODB", m_odb);
    (void)ReplaceIfPresent(*dd, "SPZ", xbase::Value("G"));
    (void)ReplaceIfPresent(*dd, "TEZ", xbase::Value(0.0));
    (void)ReplaceIfPresent(*dd, "INDEKS", xbase::Value(l.indeks));
    (void)ReplaceIfPresent(*dd, "NAZWA", xbase::Value(l.nazwa));
    (void)ReplaceIfPresent(*dd, "JM", xbase::Value(l.jm));
    (void)ReplaceIfPresent(*dd, "NB", xbase::Value(std::string(1, nb)));
    (void)ReplaceIfPresent(*dd, "ILOSC", xbase::Value(l.ilosc));
    (void)ReplaceIfPresent(*dd, "CENA", xbase::Value(l.cena));
    (void)ReplaceIfPresent(*dd, "CENA0", xbase::Value(l.cena0));
    (void)ReplaceIfPresent(*dd, "PODATEK0", xbase::Value(l.podatek0));
    (void)ReplaceIfPresent(*dd, "PODATEK", xbase::Value(l.podatek));
    (void)ReplaceIfPresent(*dd, "WARTOSC", xbase::Value(nb == 'B' ? l.brutto : l.wartosc));
    (void)ReplaceIfPresent(*dd, "BRUTTO", xbase::Value(l.brutto));
    for (const auto& [field, value] : l.extra) {
      if (dd->FieldIndex(field) >= 0) (void)dd->Replace(field, value);
    }
    wartosc += l.brutto;
    wartosc0 += NewRound(l.ilosc * l.cena0, 2);
  }
  (void)dd->Unlock();
  (void)dd->GoTop();

  // The header of the invoice under edit.
  shell::SessionVariables& v = session.vars();
  v.Set("KLUCZ", xbase::Value(0.0));
  v.Set("M_RD", xbase::Value(rd));
  v.Set("M_NRD", xbase::Value(nrd));
  v.Set("M_DATA", xbase::Value(xbase::Date{data}));
  v.Set("M_KTO", m_kto.AsString().empty() ? xbase::Value("O") : m_kto);
  v.Set("M_ODB", m_odb);
  v.Set("M_MAG", m_mag);
  v.Set("M_ODBIORCA", m_odbiorca);
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

  keep_as.reset();
  keep_dow.reset();
  keep_dowod.reset();
  result.made = true;
  result.rd = rd;
  result.nrd = nrd;
  result.sources = static_cast<int>(notes->size());
  result.lines = lines;
  if (options.editor) {
    options.editor(session);
  } else {
    documents::MyDow(session, 10, 0, 22, 79, "dd", "", 7);
  }

  // Step 8: the stamps follow what became of the invoice.
  AreaPosition keep_dowod_after(dowod);
  AreaPosition keep_dow_after(dow);
  const std::string after = PadL(AllTrim(session.vars().Text("M_NRD")), 8);
  if (dowod->SetOrder(1).ok()) {
    auto found = dowod->Seek(xbase::Value(rd + after));
    result.posted = found.ok() && *found && !IsBlank(after) &&
                    AllTrim(FieldText(*dowod, "ODB")) == AllTrim(m_odb.AsString());
  }
  if (result.posted) result.posted_nrd = after;
  if (result.posted && after == nrd) return result;
  std::vector<uint32_t> recnos;
  for (const SourceNote& note : *notes) recnos.push_back(note.recno);
  for (;;) {
    Status st = RestampNotes(ui.store(), *dowod, *dow, recnos, rd, nrd, result.posted ? rd : std::string(),
                             result.posted ? after : std::string(), options.lock_wait);
    if (st.ok()) {
      result.stamps_follow = true;
      break;
    }
    ui.Tell(st.message(), 0);
    if (!ui.Ask("Sprobowac jeszcze raz ?", true)) {
      ui.Tell("WZ zostaja oznaczone " + stamp, 0);
      break;
    }
  }
  return result;
}

bool FvDoWzMenu(shell::Session& session) {
  shell::ConsoleStoreUi store_ui(session.con());
  ConsoleInvoiceUi ui(session.con(), store_ui);
  return FvDoWz(session, ui).made;
}

}  // namespace hurt::invoicing
