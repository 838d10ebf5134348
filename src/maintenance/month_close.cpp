// M_CLOSE (month_close.h).
#include "maintenance/month_close.h"

#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/message_window.h"
#include "documents/stock_correction.h"
#include "maintenance/month_close_tables.h"
#include "maintenance/period_keys.h"
#include "session/area_fields.h"
#include "session/init_tables.h"
#include "session/output/report_copy.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "settlements/ledger_rebuild.h"
#include "store/copy_fields.h"
#include "store/init_tables_period.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/file_util.h"

namespace hurt::maintenance {

using namespace hurt::literals;
using session::FieldNumber;
using session::FieldText;
using xbase::Value;

namespace {

constexpr std::string_view kStaging = "zamkniecie";
constexpr std::string_view kNotesCopied = "wz.ok";
constexpr std::string_view kOldMonthDone = "stare.ok";
constexpr std::string_view kStaged = "gotowe.txt";
constexpr int kFirmaArea = 1;
// The tables the close carries, in the order they are put in place. The five whose copy
// in the new folder is kept aside for its master data come first.
constexpr std::string_view kKeptAside[] = {"as", "zo", "zd", "zp", "zf"};
constexpr std::string_view kInstallOrder[] = {"as",  "zo",  "zd",   "zp",    "zf",       "akc",  "dow",
                                              "dowod", "p23", "pk", "fa_n", "fa_bo", "slow_old", "slow"};
constexpr double kCarriedBase = 10000000;

// A note of the old month to carry: its kind and number as the tables hold them.
using NoteKey = std::string;  // RD (3) + NRD (8)

NoteKey KeyOf(xbase::WorkArea& a) { return PadR(FieldText(a, "RD"), 3) + PadL(AllTrim(FieldText(a, "NRD")), 8); }

// The month after `period` when it has been opened already (its tables are there); empty
// otherwise.
std::string LaterMonth(session::Session& s, const std::string& period) {
  const std::optional<std::string> later = NextPeriod(period);
  if (!later || !s.env().Exists(s.Path(*later + "/as.dbf"))) return {};
  return *later;
}

class Close {
 public:
  explicit Close(session::Session& s) : s_(s), con_(s.con()), ui_(s.con()), env_(s.env()) {}

  CloseOutcome Run();
  CloseOutcome Resume(const std::string& old_period);
  CloseOutcome SettlementsOnly();

 private:
  // Paths.
  std::string Old(std::string_view name) const { return s_.Path(old_ + "/" + std::string(name)); }
  std::string New(std::string_view name) const { return s_.Path(new_ + "/" + std::string(name)); }
  std::string Staged(std::string_view name) const {
    return s_.Path(new_ + "/" + std::string(kStaging) + "/" + std::string(name));
  }
  bool Has(const std::string& table) const { return env_.Exists(table + ".dbf"); }
  bool January() const { return new_.substr(3, 2) == "01"; }

  CloseOutcome Fail(std::string_view text, const Status& st) {
    std::string line(text);
    if (!st.ok() && !st.message().empty()) line += ": " + st.message();
    ui_.Alert(line);
    Reopen();
    return CloseOutcome::kFailed;
  }
  void Reopen() {
    (void)s_.areas().Close(kFirmaArea);
    (void)session::InitDbf(s_);
  }

  bool TakeFirmaAlone();
  Status WriteMarker();
  Status EmptyScratchFolder();
  bool NewMonthAvailable();

  // The phases.
  Status CopyNotes();
  Status AddNotes(const std::set<NoteKey>& carry);
  Status LeaveOldMonth();
  Status StageNewMonth(bool drop_empty_cards);
  Status PutInPlace();
  CloseOutcome FinishInNewMonth();

  // Pieces of the staging.
  Result<std::set<NoteKey>> NotesToCarry();
  Status StageArticles(bool drop_empty_cards);
  Status StageBooks();
  Status StageExcise();
  Status StageDocuments();
  Status StageCashBook();
  Status StageLedger();
  Status StageKinds();
  Result<std::set<NoteKey>> StagedNotes();
  Status MergeArticleCopy();
  Status RemoveCopies();

  session::Session& s_;
  console::Console& con_;
  session::ConsoleStoreUi ui_;
  xbase::Env& env_;
  std::string old_, new_;
};

// ---- the start --------------------------------------------------------------------------

bool Close::TakeFirmaAlone() {
  (void)s_.areas().CloseAll(std::array<int, 1>{149});
  store::StoreContext ctx{s_.areas(), ui_};
  Status st = s_.areas().Select(kFirmaArea);
  if (st.ok()) st = store::NetUse(ctx, s_.Path("firma"), "firma", true, 1);
  return st.ok();
}

Status Close::WriteMarker() {
  HURT_RETURN_IF_ERROR(env_.CreateDirs(s_.Path("zamknij")));
  const std::string marker = s_.Path(CloseMarkerOf(old_));
  if (env_.Exists(marker)) return Status::Ok();
  const std::string settings = s_.Path("parametr.mem");
  if (env_.Exists(settings)) return session::CopyFileReplacing(env_, settings, marker);
  return xbase::WriteWholeFile(env_, marker, "");
}

// The program's own scratch folder temp/ (where the old archiver kept its files) is
// emptied; nothing outside the data directory is touched.
Status Close::EmptyScratchFolder() {
  const std::string temp = s_.Path("temp");
  if (!env_.IsDir(temp)) return Status::Ok();
  auto names = env_.ListDir(temp);
  if (!names.ok()) return names.status();
  for (const std::string& name : *names) {
    const std::string path = temp + "/" + name;
    if (!env_.IsDir(path)) HURT_RETURN_IF_ERROR(env_.Remove(path));
  }
  return Status::Ok();
}

// The next month's article table, when it is there, must be free.
bool Close::NewMonthAvailable() {
  if (!Has(New("as"))) return true;
  auto t = CloseTable::Open(s_.areas(), New("as"), true);
  return t.ok();
}

CloseOutcome Close::Run() {
  old_ = s_.hh();
  auto next = NextPeriod(old_);
  if (!next) return Fail("Zly okres biezacy " + old_, Status::Ok());
  new_ = *next;

  // A month closed again after going back: the months opened since from its old closing
  // stock have to be closed again after it (MClose offers them in turn).
  if (const std::string later = LaterMonth(s_, new_); !later.empty()) {
    console::OknoLines(con_,
                       {"Miesiac " + MonthName(later) + " otwarto juz", "ze starych stanow. Po tym zamknieciu",
                        "zamknij jeszcze raz miesiace po nim"},
                       5);
  }

  // 2. The question; the settings kept aside.
  const JulianDay end = LastDayOf(old_);
  const std::string answer = end - s_.Today() >= 5 ? "N" : "";
  if (!console::Okno(con_, "CZY ZAMKNAC  " + MonthName(old_) + "  ?", answer)) return CloseOutcome::kAbandoned;
  if (env_.Exists(s_.Path("parametr.mem"))) {
    (void)session::CopyFileReplacing(env_, s_.Path("parametr.mem"), s_.Path("koniec.txt"));
  }

  // 3. Every other station out.
  if (!TakeFirmaAlone()) {
    console::Okno_(con_, "Wszyscy musza wyjsc z programu", 3);
    Reopen();
    return CloseOutcome::kBusy;
  }

  // 4. The marker, the scratch folder, the new month's folders.
  console::OknoNoWait(con_, "Zamykam biezacy miesiac");
  if (Status st = WriteMarker(); !st.ok()) return Fail("Nie moge zapisac znacznika zamkniecia", st);
  if (Status st = EmptyScratchFolder(); !st.ok()) return Fail("Nie moge oproznic katalogu temp", st);
  if (auto made = CreateMNew(env_, s_.root(), old_); !made.ok()) {
    return Fail("Nie moge zalozyc katalogu " + new_, made.status());
  }
  if (!NewMonthAvailable()) {
    console::Okno_(con_, "Wykonac DOWN na serverze", 5);
    Reopen();
    return CloseOutcome::kBusy;
  }
  if (Status st = env_.CreateDirs(Staged("")); !st.ok()) return Fail("Nie moge zalozyc katalogu " + new_, st);

  // 6. The delivery notes carried: copied aside, then left out of the old month. Until the
  // new month is built, a run after one cut short looks again: notes entered since join
  // those copied, and copied notes the old month has again (a restore) leave it again.
  if (!env_.Exists(Staged(kStaged))) {
    if (Status st = CopyNotes(); !st.ok()) return Fail("Przeniesienie WZ nieudane", st);
    if (Status st = LeaveOldMonth(); !st.ok()) return Fail("Przeniesienie WZ nieudane", st);
  }

  // 7-14. The new month's tables, built aside.
  if (!env_.Exists(Staged(kStaged))) {
    con_.Clear();
    con_.Say(20, 10, "Proponuje dac T");
    con_.Say(21, 10, "N - przywroci skasowane kartoteki");
    const bool drop = console::Okno(con_, "Czy usunac kartoteki o stanach 0 ?", "T");
    if (Status st = StageNewMonth(drop); !st.ok()) return Fail("Zamkniecie nieudane", st);
  }

  // 15. In place, then the new month made whole.
  if (Status st = PutInPlace(); !st.ok()) return Fail("Zamkniecie nieudane", st);
  return FinishInNewMonth();
}

CloseOutcome Close::Resume(const std::string& old_period) {
  old_ = old_period;
  new_ = *NextPeriod(old_);
  if (!TakeFirmaAlone()) {
    console::Okno_(con_, "Wszyscy musza wyjsc z programu", 3);
    Reopen();
    return CloseOutcome::kBusy;
  }
  console::OknoNoWait(con_, "Koncze zamkniecie miesiaca " + MonthName(old_));
  if (Status st = PutInPlace(); !st.ok()) return Fail("Zamkniecie nieudane", st);
  return FinishInNewMonth();
}

// ---- phase 1: the notes copied aside -------------------------------------------------------

Result<std::set<NoteKey>> Close::NotesToCarry() {
  std::string kinds = ",WZ,";
  if (s_.FileX("WR.WZ")) kinds += "WR,";
  for (const char* name : {"wz_plus.wz", "WZ_PLUS.WZ"}) {
    const std::string path = s_.Path(name);
    if (!env_.Exists(path)) continue;
    const std::optional<JulianDay> written = store::FileDay(path);
    if (written && *written > LastDayOf(old_)) break;  // made for a later month
    auto text = xbase::ReadWholeFile(env_, path);
    if (text.ok()) {
      std::string k;
      for (char c : *text + ",") {
        if (c != ',') {
          k += c;
          continue;
        }
        if (!IsBlank(k)) kinds += Upper(AllTrim(k)) + ",";
        k.clear();
      }
    }
    break;
  }
  const bool all = s_.settings().Yes("J_WZ_PRZEN");
  // The notes listed for carrying: by counterparty and number, or the counterparty's all.
  std::set<std::string> listed_notes, listed_parties;
  const std::string list = "wz_" + old_.substr(0, 2) + "_" + old_.substr(3, 2);
  for (const std::string& name : {list, Upper(list)}) {
    if (!Has(s_.Path(name))) continue;
    auto t = CloseTable::Open(s_.areas(), s_.Path(name), false);
    if (!t.ok()) return t.status();
    for (Status st = (*t)->GoTop(); !(*t)->eof(); st = (*t)->Skip()) {
      HURT_RETURN_IF_ERROR(st);
      if ((*t)->deleted()) continue;
      const std::string odb = PadR(FieldText(**t, "ODB"), 8);
      const std::string nrd = AllTrim(FieldText(**t, "NRD"));
      if (nrd.empty()) {
        listed_parties.insert(odb);
      } else {
        listed_notes.insert(odb + PadL(nrd, 8));
      }
    }
    break;
  }
  std::set<NoteKey> notes;
  if (!all && listed_notes.empty() && listed_parties.empty()) return notes;
  auto dowod = CloseTable::Open(s_.areas(), Old("dowod"), false);
  if (!dowod.ok()) return dowod.status();
  xbase::WorkArea& d = **dowod;
  for (Status st = d.GoTop(); !d.eof(); st = d.Skip()) {
    HURT_RETURN_IF_ERROR(st);
    if (d.deleted()) continue;
    if (kinds.find("," + AllTrim(FieldText(d, "RD")) + ",") == std::string::npos) continue;
    if (!IsBlank(FieldText(d, "R_RD")) || !IsBlank(FieldText(d, "R_NRD"))) continue;  // invoiced
    const std::string odb = PadR(FieldText(d, "ODB"), 8);
    const NoteKey key = KeyOf(d);
    if (all || listed_parties.count(odb) > 0 || listed_notes.count(odb + key.substr(3)) > 0) notes.insert(key);
  }
  return notes;
}

Status Close::CopyNotes() {
  auto notes = NotesToCarry();
  if (!notes.ok()) return notes.status();
  if (Has(Staged("dowod_wz")) && env_.Exists(Staged(kNotesCopied))) return AddNotes(*notes);
  const std::set<NoteKey>& carry = *notes;
  auto in_notes = [&carry](xbase::WorkArea& a) -> Result<bool> { return carry.count(KeyOf(a)) > 0; };
  auto headers = CopyTableInto(s_.areas(), {Old("dowod")}, Staged("dowod_wz"), in_notes);
  if (!headers.ok()) return headers.status();
  auto lines = CopyTableInto(s_.areas(), {Old("dow")}, Staged("dow_wz"), in_notes);
  if (!lines.ok()) return lines.status();
  if (*lines > 0) console::Okno_(con_, "Dow - skopiowalem " + std::to_string(*lines) + " rekordy", 2);
  return xbase::WriteWholeFile(env_, Staged(kNotesCopied), std::to_string(*headers) + "\r\n");
}

// Notes to carry that the copy of a run cut short does not have yet are added to it: the
// lines first (those not there already), then the headers, whose set decides.
Status Close::AddNotes(const std::set<NoteKey>& carry) {
  auto staged = StagedNotes();
  if (!staged.ok()) return staged.status();
  std::set<NoteKey> added;
  for (const NoteKey& k : carry) {
    if (staged->count(k) == 0) added.insert(k);
  }
  if (added.empty()) return Status::Ok();
  std::set<NoteKey> lines_there;
  {
    auto t = CloseTable::Open(s_.areas(), Staged("dow_wz"), false);
    if (!t.ok()) return t.status();
    for (Status st = (*t)->GoTop(); !(*t)->eof(); st = (*t)->Skip()) {
      HURT_RETURN_IF_ERROR(st);
      if (!(*t)->deleted()) lines_there.insert(KeyOf(**t));
    }
  }
  for (const auto& [table, skip] : {std::pair{std::string("dow"), &lines_there}, {std::string("dowod"), &*staged}}) {
    const std::set<NoteKey>& already = *skip;
    auto keep = [&](xbase::WorkArea& a) -> Result<bool> {
      if (a.table().path().find(std::string(kStaging)) != std::string::npos) return true;
      const NoteKey k = KeyOf(a);
      return added.count(k) > 0 && already.count(k) == 0;
    };
    auto n = CopyTableInto(s_.areas(), {Staged(table + "_wz"), Old(table)}, Staged(table + "_wz_n"), keep);
    if (!n.ok()) return n.status();
    HURT_RETURN_IF_ERROR(MoveTable(env_, Staged(table + "_wz_n"), Staged(table + "_wz")));
  }
  return Status::Ok();
}

Result<std::set<NoteKey>> Close::StagedNotes() {
  std::set<NoteKey> notes;
  auto t = CloseTable::Open(s_.areas(), Staged("dowod_wz"), false);
  if (!t.ok()) return t.status();
  for (Status st = (*t)->GoTop(); !(*t)->eof(); st = (*t)->Skip()) {
    HURT_RETURN_IF_ERROR(st);
    if (!(*t)->deleted()) notes.insert(KeyOf(**t));
  }
  return notes;
}

// ---- phase 2: the old month without the carried notes ------------------------------------

Status Close::LeaveOldMonth() {
  auto notes = StagedNotes();
  if (!notes.ok()) return notes.status();
  bool in_old_month = false;
  if (!notes->empty()) {
    auto dowod = CloseTable::Open(s_.areas(), Old("dowod"), false);
    if (!dowod.ok()) return dowod.status();
    for (Status st = (*dowod)->GoTop(); !in_old_month && !(*dowod)->eof(); st = (*dowod)->Skip()) {
      HURT_RETURN_IF_ERROR(st);
      in_old_month = !(*dowod)->deleted() && notes->count(KeyOf(**dowod)) > 0;
    }
  }
  const bool done_before = env_.Exists(Staged(kOldMonthDone));
  if (!in_old_month && done_before) return Status::Ok();
  // The mark goes first: a stop before the reconciliation below has ended repeats it.
  if (done_before) HURT_RETURN_IF_ERROR(env_.Remove(Staged(kOldMonthDone)));
  if (!notes->empty()) {
    {
      auto dowod = CloseTable::Open(s_.areas(), Old("dowod"), true);
      if (!dowod.ok()) return dowod.status();
      xbase::WorkArea& d = **dowod;
      for (Status st = d.GoTop(); !d.eof(); st = d.Skip()) {
        HURT_RETURN_IF_ERROR(st);
        if (d.deleted() || notes->count(KeyOf(d)) == 0) continue;
        HURT_RETURN_IF_ERROR(ReplaceIfHas(d, "R_DATA", Value(xbase::Date{JulianFromYmd(2000, 1, 1)})));
        HURT_RETURN_IF_ERROR(ReplaceIfHas(d, "R_CZAS", Value(std::string("00:00:00"))));
        HURT_RETURN_IF_ERROR(d.Delete());
      }
      HURT_RETURN_IF_ERROR(d.Commit());
      auto dow = CloseTable::Open(s_.areas(), Old("dow"), true);
      if (!dow.ok()) return dow.status();
      xbase::WorkArea& l = **dow;
      for (Status st = l.GoTop(); !l.eof(); st = l.Skip()) {
        HURT_RETURN_IF_ERROR(st);
        if (!l.deleted() && notes->count(KeyOf(l)) > 0) HURT_RETURN_IF_ERROR(l.Delete());
      }
      HURT_RETURN_IF_ERROR(l.Commit());
    }
    // The old month's cards get the notes' quantities back and its ledger loses their
    // items: both recomputed from the documents that stay, as the reorganisation does
    // (the build's month-close mode puts the cards back to the month opening).
    if (!session::InitNtx(s_, ui_, "BEZ_INIT_DBF")) return Status::IoError("indeksowanie nieudane");
    auto done = documents::KorektaAs(s_);
    if (!done.ok()) return done.status();
    auto ledger = settlements::ZoFnKor(s_, ui_);
    if (!ledger.ok()) return ledger.status();
    // The session open left firma shared: taken alone again for the rest.
    if (!TakeFirmaAlone()) return Status::Busy("Wszyscy musza wyjsc z programu");
  }
  return xbase::WriteWholeFile(env_, Staged(kOldMonthDone), "\r\n");
}

// ---- phase 3: the new month built aside ---------------------------------------------------

Status Close::StageNewMonth(bool drop_empty_cards) {
  // Whatever a run cut short staged before is made again from the start.
  for (std::string_view t : kInstallOrder) HURT_RETURN_IF_ERROR(RemoveTable(env_, Staged(t)));
  ui_.Message("Kartoteki magazynowe");
  HURT_RETURN_IF_ERROR(StageArticles(drop_empty_cards));
  ui_.Message("Kontrahenci");
  HURT_RETURN_IF_ERROR(StageBooks());
  HURT_RETURN_IF_ERROR(StageExcise());
  ui_.Message("Dowody");
  HURT_RETURN_IF_ERROR(StageDocuments());
  if (Has(Old("p23")) && !Has(New("p23"))) {
    auto p23 = CopyTableInto(s_.areas(), {Old("p23")}, Staged("p23"));
    if (!p23.ok()) return p23.status();
  }
  ui_.Message("Kasa");
  HURT_RETURN_IF_ERROR(StageCashBook());
  ui_.Message("Rozrachunki");
  HURT_RETURN_IF_ERROR(StageLedger());
  ui_.Message("Rodzaje dowodow");
  HURT_RETURN_IF_ERROR(StageKinds());
  // The January reset of the money-document counters is decided now, while the new
  // month has no articles of its own: a run finishing later decides the same.
  const bool reset = January() && !Has(New("as"));
  return xbase::WriteWholeFile(env_, Staged(kStaged), std::string(reset ? "STYCZEN" : "") + "\r\n");
}

// 7, 8. The article cards with the closing stock as the opening.
Status Close::StageArticles(bool drop_empty_cards) {
  const bool january = January();
  const bool zero_stock = january && s_.FileX("ZER_AS01.TXT");
  auto keep = [drop_empty_cards, zero_stock](xbase::WorkArea& as) -> Result<bool> {
    if (!drop_empty_cards) return true;
    const double stock = zero_stock ? 0 : FieldNumber(as, "ILOSC");
    // A card with a minimum stock is kept: it is meant to be ordered again.
    return Str(stock, 19, 3) != Str(0, 19, 3) || (as.FieldIndex("PMIN") >= 0 && FieldNumber(as, "PMIN") > 0);
  };
  auto adjust = [january, zero_stock](xbase::WorkArea& from, xbase::WorkArea& to) -> Status {
    const double stock = zero_stock ? 0 : FieldNumber(from, "ILOSC");
    const double cena0 = FieldNumber(from, "CENA0");
    HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "CENA_01", Value(cena0)));
    if (january) {
      const double price = cena0 != 0 ? cena0 : FieldNumber(from, "CENA_PZ");
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "N_BO_I", Value(stock)));
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "N_BO_W", Value(NewRound(stock * cena0, 2))));
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "N_P_I", Value(0.0)));
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "N_R_I", Value(0.0)));
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "B_BO_W", Value(NewRound(stock * price, 4))));
    } else {
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "N_P_I", Value(FieldNumber(from, "N_P_I") + FieldNumber(from, "B_P_I"))));
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "N_R_I", Value(FieldNumber(from, "N_R_I") + FieldNumber(from, "B_R_I"))));
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "B_BO_W", Value(NewRound(stock * cena0, 4))));
    }
    for (std::string_view f : {"B_P_I", "B_R_I", "B_P_W", "B_R_W", "B_R_I_SD"}) {
      HURT_RETURN_IF_ERROR(ReplaceIfHas(to, f, Value(0.0)));
    }
    HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "B_BO_I", Value(stock)));
    return ReplaceIfHas(to, "ILOSC", Value(stock));
  };
  auto n = CopyTableInto(s_.areas(), {Old("as")}, Staged("as"), keep, adjust);
  return n.ok() ? Status::Ok() : n.status();
}

// 9. The counterparty books; the customers' bonus accounts roll.
Status Close::StageBooks() {
  for (std::string_view book : {"zo", "zd", "zp", "zf"}) {
    if (!Has(Old(book))) continue;
    AdjustRecord adjust;
    if (book == "zo") {
      adjust = [](xbase::WorkArea& from, xbase::WorkArea& to) -> Status {
        if (to.FieldIndex("R_BO") < 0) return Status::Ok();
        const double r_bo = FieldNumber(from, "R_BO") + FieldNumber(from, "R_BM") - FieldNumber(from, "X_BM");
        HURT_RETURN_IF_ERROR(to.Replace("R_BO", Value(std::max(r_bo, 0.0))));
        for (std::string_view f : {"S_BM", "R_BM", "X_BM"}) HURT_RETURN_IF_ERROR(ReplaceIfHas(to, f, Value(0.0)));
        return Status::Ok();
      };
    }
    auto n = CopyTableInto(s_.areas(), {Old(book)}, Staged(book), {}, adjust);
    if (!n.ok()) return n.status();
  }
  return Status::Ok();
}

// 10. The excise counter starts from the old month's last one (0 in January).
Status Close::StageExcise() {
  if (!s_.FileX("AKCYZANR.TXT") || !Has(Old("akc"))) return Status::Ok();
  double last = 0;
  {
    auto akc = CloseTable::Open(s_.areas(), Old("akc"), false);
    if (!akc.ok()) return akc.status();
    for (Status st = (*akc)->GoTop(); !(*akc)->eof(); st = (*akc)->Skip()) {
      HURT_RETURN_IF_ERROR(st);
      if (!(*akc)->deleted()) last = FieldNumber(**akc, "LICZNIK");
    }
  }
  if (January()) last = 0;
  bool first = true;
  auto only_first = [&first](xbase::WorkArea&) -> Result<bool> { return std::exchange(first, false); };
  auto adjust = [last](xbase::WorkArea&, xbase::WorkArea& to) -> Status {
    HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "RD", Value(std::string("BO"))));
    HURT_RETURN_IF_ERROR(ReplaceIfHas(to, "NRD", Value(std::string(PadL("0", 8)))));
    return ReplaceIfHas(to, "LICZNIK", Value(last));
  };
  auto n = CopyTableInto(s_.areas(), {Old("akc")}, Staged("akc"), only_first, adjust);
  return n.ok() ? Status::Ok() : n.status();
}

// 11. The carried notes join the new month's documents, numbered from 10000000 and dated
// its first day. A new month that has documents of its own keeps them.
Status Close::StageDocuments() {
  auto notes = StagedNotes();
  if (!notes.ok()) return notes.status();
  if (notes->empty()) return Status::Ok();
  const JulianDay first_day = FirstDayOf(new_);
  auto renumber = [first_day](xbase::WorkArea& from, xbase::WorkArea& to) -> Status {
    if (from.table().path().find(std::string(kStaging)) == std::string::npos) return Status::Ok();
    const double n = Val(FieldText(from, "NRD"));
    const double carried = n < kCarriedBase && n + kCarriedBase <= 99999999 ? n + kCarriedBase : n;
    HURT_RETURN_IF_ERROR(to.Replace("NRD", Value(Str(carried, 8, 0))));
    return ReplaceIfHas(to, "DATA", Value(xbase::Date{first_day}));
  };
  for (std::string_view t : {"dowod", "dow"}) {
    std::vector<std::string> sources;
    if (Has(New(t))) sources.push_back(New(t));
    sources.push_back(Staged(std::string(t) + "_wz"));
    auto n = CopyTableInto(s_.areas(), sources, Staged(t), {}, renumber);
    if (!n.ok()) return n.status();
  }
  return Status::Ok();
}

// 12. The cash book.
Status Close::StageCashBook() {
  if (!Has(Old("pk"))) return Status::Ok();
  const bool rolling_balance = s_.settings().Yes("J_TOCZ_KAS");
  auto closing = [](xbase::WorkArea& a) {
    return NewRound(FieldNumber(a, "BOWN") - FieldNumber(a, "BOMA") + FieldNumber(a, "OBNAWN") -
                        FieldNumber(a, "OBNAMA") + FieldNumber(a, "OBWN") - FieldNumber(a, "OBMA") +
                        FieldNumber(a, "POWN") - FieldNumber(a, "POMA"),
                    2);
  };
  if (rolling_balance) {
    // The closing balance of each account, in the old month (the same figure every run).
    auto pk = CloseTable::Open(s_.areas(), Old("pk"), true);
    if (!pk.ok()) return pk.status();
    for (Status st = (*pk)->GoTop(); !(*pk)->eof(); st = (*pk)->Skip()) {
      HURT_RETURN_IF_ERROR(st);
      if ((*pk)->deleted()) continue;
      HURT_RETURN_IF_ERROR((*pk)->Replace("SK_WN", Value(closing(**pk))));
    }
    HURT_RETURN_IF_ERROR((*pk)->Commit());
  }
  // This month's turnover of a new month that already has a cash book stays.
  std::map<std::string, std::pair<double, double>> turnover;
  if (Has(New("pk"))) {
    auto pk = CloseTable::Open(s_.areas(), New("pk"), false);
    if (!pk.ok()) return pk.status();
    for (Status st = (*pk)->GoTop(); !(*pk)->eof(); st = (*pk)->Skip()) {
      HURT_RETURN_IF_ERROR(st);
      if (!(*pk)->deleted()) {
        turnover[PadR(FieldText(**pk, "NRKON"), 16)] = {FieldNumber(**pk, "POWN"), FieldNumber(**pk, "POMA")};
      }
    }
  }
  const bool january = January();
  auto adjust = [&](xbase::WorkArea& from, xbase::WorkArea& to) -> Status {
    std::string account = PadR(FieldText(from, "NRKON"), 16);
    if (IsBlank(account)) account = PadR("100", 16);
    HURT_RETURN_IF_ERROR(to.Replace("NRKON", Value(account)));
    auto kept = turnover.find(account);
    const double pown = kept == turnover.end() ? 0 : kept->second.first;
    const double poma = kept == turnover.end() ? 0 : kept->second.second;
    if (rolling_balance) {
      for (std::string_view f : {"BOWN", "BOMA", "OBNAWN", "OBNAMA", "OBMA"}) {
        HURT_RETURN_IF_ERROR(to.Replace(f, Value(0.0)));
      }
      HURT_RETURN_IF_ERROR(to.Replace("OBWN", Value(closing(from))));
    } else {
      double obnawn = FieldNumber(from, "OBNAWN") + FieldNumber(from, "OBWN");
      double obnama = FieldNumber(from, "OBNAMA") + FieldNumber(from, "OBMA");
      if (january) {
        obnawn = FieldNumber(from, "OBNAWN") + FieldNumber(from, "OBWN") - FieldNumber(from, "OBNAMA") -
                 FieldNumber(from, "OBMA");
        obnama = 0;
      }
      HURT_RETURN_IF_ERROR(to.Replace("OBNAWN", Value(NewRound(obnawn, 2))));
      HURT_RETURN_IF_ERROR(to.Replace("OBNAMA", Value(NewRound(obnama, 2))));
      HURT_RETURN_IF_ERROR(to.Replace("OBWN", Value(FieldNumber(from, "POWN"))));
      HURT_RETURN_IF_ERROR(to.Replace("OBMA", Value(FieldNumber(from, "POMA"))));
    }
    HURT_RETURN_IF_ERROR(to.Replace("POWN", Value(pown)));
    HURT_RETURN_IF_ERROR(to.Replace("POMA", Value(poma)));
    return to.Replace("SK_WN", Value(0.0));
  };
  auto n = CopyTableInto(s_.areas(), {Old("pk")}, Staged("pk"), {}, adjust);
  return n.ok() ? Status::Ok() : n.status();
}

// 13. The open settlement items: the new ledger and what the new month brought forward.
Status Close::StageLedger() {
  if (!Has(Old("fa_n"))) return Status::Ok();
  auto open = [](xbase::WorkArea& fa) -> Result<bool> {
    return Str(FieldNumber(fa, "OBWN") + FieldNumber(fa, "OBMA"), 15, 2) != Str(0, 15, 2);
  };
  auto clear = [](xbase::WorkArea&, xbase::WorkArea& to) -> Status { return to.Replace("ZAP", Value(" ")); };
  auto n = CopyTableInto(s_.areas(), {Old("fa_n")}, Staged("fa_n"), open, clear);
  if (!n.ok()) return n.status();
  n = CopyTableInto(s_.areas(), {Staged("fa_n")}, Staged(settlements::kBroughtForward));
  return n.ok() ? Status::Ok() : n.status();
}

// 14. The document kinds with their counters; the old dictionary kept as slow_old.
Status Close::StageKinds() {
  if (!Has(Old("slow"))) return Status::Ok();
  // A new month that has numbered documents already never gets a lower counter.
  std::map<std::string, double> used;
  if (Has(New("slow"))) {
    auto slow = CloseTable::Open(s_.areas(), New("slow"), false);
    if (!slow.ok()) return slow.status();
    for (Status st = (*slow)->GoTop(); !(*slow)->eof(); st = (*slow)->Skip()) {
      HURT_RETURN_IF_ERROR(st);
      if (!(*slow)->deleted()) used[PadR(FieldText(**slow, "RD"), 3)] = FieldNumber(**slow, "NRD");
    }
  }
  const bool january = January();
  const bool monthly = s_.settings().Yes("J_ZER_NRD");
  auto adjust = [&](xbase::WorkArea& from, xbase::WorkArea& to) -> Status {
    double nrd = FieldNumber(from, "NRD");
    if (january) nrd = 0;
    if (monthly && Upper(FieldText(from, "OPIS")).find("ZERUJ1.NRD") != std::string::npos) nrd = 0;
    auto kept = used.find(PadR(FieldText(from, "RD"), 3));
    if (kept != used.end()) nrd = std::max(nrd, kept->second);
    return to.Replace("NRD", Value(nrd));
  };
  auto n = CopyTableInto(s_.areas(), {Old("slow")}, Staged("slow"), {}, adjust);
  if (!n.ok()) return n.status();
  n = CopyTableInto(s_.areas(), {Old("slow")}, Staged("slow_old"));
  return n.ok() ? Status::Ok() : n.status();
}

// ---- phase 4: in place ------------------------------------------------------------------

Status Close::PutInPlace() {
  if (!env_.Exists(Staged(kStaged))) {
    // Everything was put in place by a run cut short later: BMR names the new month.
    return Status::Ok();
  }
  for (std::string_view t : kInstallOrder) {
    const bool staged = Has(Staged(t)) || env_.Exists(Staged(t) + ".dbt");
    if (!staged) continue;
    const bool aside = std::find(std::begin(kKeptAside), std::end(kKeptAside), t) != std::end(kKeptAside);
    if (aside && Has(New(t)) && Has(Staged(t))) HURT_RETURN_IF_ERROR(MoveTable(env_, New(t), New(std::string(t) + "_")));
    HURT_RETURN_IF_ERROR(MoveTable(env_, Staged(t), New(t)));
  }
  // BMR and the January counters in one write of the company record (KP_KW, the counter
  // receipts and payments share where the field exists, starts again with the others).
  auto text = xbase::ReadWholeFile(env_, Staged(kStaged));
  const bool reset = text.ok() && text->rfind("STYCZEN", 0) == 0;
  xbase::WorkArea* firma = s_.areas().Area(kFirmaArea);
  if (firma == nullptr) return Status::Invalid("firma nie jest otwarta");
  HURT_RETURN_IF_ERROR(firma->GoTop());
  if (firma->eof()) return Status::Corruption("firma bez rekordu");
  if (AllTrim(FieldText(*firma, "BMR")) != store::BmrOfPeriod(new_)) {
    HURT_RETURN_IF_ERROR(firma->LockRecord());
    if (reset) {
      for (std::string_view f : {"KW", "KP", "NO", "WE", "KP_KW"}) HURT_RETURN_IF_ERROR(ReplaceIfHas(*firma, f, Value(0.0)));
    }
    HURT_RETURN_IF_ERROR(firma->Replace("BMR", Value(store::BmrOfPeriod(new_))));
    HURT_RETURN_IF_ERROR(firma->Commit());
  }
  for (std::string_view f : {kNotesCopied, kOldMonthDone}) {
    if (env_.Exists(Staged(f))) HURT_RETURN_IF_ERROR(env_.Remove(Staged(f)));
  }
  for (std::string_view t : {"dowod_wz", "dow_wz"}) HURT_RETURN_IF_ERROR(RemoveTable(env_, Staged(t)));
  return env_.Remove(Staged(kStaged));
}

// ---- phase 5: the new month made whole -----------------------------------------------------

// Master data edited in the new month before this close (its articles kept as as_) come
// back: the fields that are not the month's figures, where the copy has them; cards only
// in the copy are added with no stock of their own (their documents give it).
Status Close::MergeArticleCopy() {
  const std::string copy = New("as_");
  if (!Has(copy)) return Status::Ok();
  xbase::WorkArea* as = s_.areas().Area(store::Table(store::TableId::kAs).area);
  if (as == nullptr) return Status::Invalid("as nie jest otwarty");
  auto from = CloseTable::Open(s_.areas(), copy, false);
  if (!from.ok()) return from.status();
  const store::FieldCopier copier = store::FieldCopier::Match(as->table().schema(), (*from)->table().schema());
  static constexpr std::string_view kFigures[] = {"N_BO_I", "N_BO_W", "N_P_I", "N_R_I", "B_BO_I", "B_BO_W",
                                                  "B_P_I",  "B_P_W",  "B_R_I", "B_R_I_SD", "B_R_W", "ILOSC",
                                                  "CENA_01"};
  HURT_RETURN_IF_ERROR(as->SetOrder(1));
  for (Status st = (*from)->GoTop(); !(*from)->eof(); st = (*from)->Skip()) {
    HURT_RETURN_IF_ERROR(st);
    if ((*from)->deleted()) continue;
    const std::string key = PadR(FieldText(**from, "MAG"), 1) + PadR(FieldText(**from, "INDEKS"), 8);
    auto found = as->SeekKey(key);
    if (!found.ok()) return found.status();
    std::vector<std::pair<std::string, Value>> figures;
    if (*found) {
      for (std::string_view f : kFigures) {
        if (as->FieldIndex(f) >= 0) figures.emplace_back(std::string(f), *as->Get(f));
      }
      HURT_RETURN_IF_ERROR(as->LockRecord());
      HURT_RETURN_IF_ERROR(copier.Copy((*from)->record(), *as, store::CopyWhich::kNonEmpty));
    } else {
      for (std::string_view f : kFigures) {
        if (as->FieldIndex(f) >= 0) figures.emplace_back(std::string(f), Value(0.0));
      }
      HURT_RETURN_IF_ERROR(as->Append());
      HURT_RETURN_IF_ERROR(copier.Copy((*from)->record(), *as));
    }
    for (const auto& [name, value] : figures) HURT_RETURN_IF_ERROR(as->Replace(name, value));
    HURT_RETURN_IF_ERROR(as->Unlock());
  }
  return as->Commit();
}

Status Close::RemoveCopies() {
  for (std::string_view t : kKeptAside) HURT_RETURN_IF_ERROR(RemoveTable(env_, New(std::string(t) + "_")));
  if (env_.IsDir(Staged(""))) {
    auto left = env_.ListDir(Staged(""));
    if (left.ok()) {
      for (const std::string& name : *left) (void)env_.Remove(Staged(name));
    }
    std::error_code ec;
    std::filesystem::remove(Staged(""), ec);  // the folder, empty now
  }
  return env_.Remove(s_.Path(CloseMarkerOf(old_)));
}

CloseOutcome Close::FinishInNewMonth() {
  // Every index of the new month, and its cards at the month opening.
  if (!session::InitNtx(s_, ui_, "BEZ_INIT_DBF")) {
    Reopen();
    return CloseOutcome::kFailed;
  }
  if (s_.hh() != new_) return Fail("Nowy miesiac " + new_ + " niedostepny", Status::Ok());
  if (Status st = MergeArticleCopy(); !st.ok()) return Fail("Scalanie kartotek as_ nieudane", st);
  console::OknoNoWait(con_, "Uzgadnianie stanow magazynowych - prosze czekac ...");
  auto done = documents::KorektaAs(s_, [&](long n, long total) {
    console::OknoNoWait(con_, "Uzgadnianie stanow magazynowych: " + std::to_string(n) + " z " + std::to_string(total));
  });
  if (!done.ok()) return Fail("Uzgodnienie stanow nieudane", done.status());
  auto ledger = settlements::ZoFnKor(s_, ui_);
  if (!ledger.ok()) return Fail("Odbudowa rozrachunkow nieudana", ledger.status());
  if (Status st = RemoveCopies(); !st.ok()) return Fail("Nie moge usunac plikow roboczych zamkniecia", st);
  Reopen();
  console::Okno_(con_, "Otwarto miesiac " + MonthName(new_), 3);
  return CloseOutcome::kClosed;
}

// ---- the settlements alone ------------------------------------------------------------------

CloseOutcome Close::SettlementsOnly() {
  old_ = s_.hh();
  new_ = *NextPeriod(old_);
  if (!console::Okno(con_, "Zamknąć tylko rozrachunki ?"_pl)) return CloseOutcome::kAbandoned;
  if (!TakeFirmaAlone()) {
    console::Okno_(con_, "Wszyscy musza wyjsc z programu", 3);
    Reopen();
    return CloseOutcome::kBusy;
  }
  if (Status st = env_.CreateDirs(Staged("")); !st.ok()) return Fail("Zamkniecie nieudane", st);
  if (Status st = StageLedger(); !st.ok()) return Fail("Zamkniecie rozrachunkow nieudane", st);
  for (std::string_view t : {"fa_bo", "fa_n"}) {
    if (Status st = MoveTable(env_, Staged(t), New(t)); !st.ok()) return Fail("Zamkniecie rozrachunkow nieudane", st);
  }
  xbase::WorkArea* firma = s_.areas().Area(kFirmaArea);
  Status st = firma == nullptr ? Status::Invalid("firma") : firma->GoTop();
  if (st.ok()) st = firma->LockRecord();
  if (st.ok()) st = firma->Replace("BMR", Value(store::BmrOfPeriod(new_)));
  if (st.ok()) st = firma->Commit();
  if (!st.ok()) return Fail("Plik firma niedostepny", st);
  // The month opening is not recomputed with tylko.fan; the ledger is rebuilt.
  if (!session::InitNtx(s_, ui_, "BEZ_INIT_DBF")) {
    Reopen();
    return CloseOutcome::kFailed;
  }
  auto ledger = settlements::ZoFnKor(s_, ui_);
  if (!ledger.ok()) return Fail("Odbudowa rozrachunkow nieudana", ledger.status());
  std::error_code ec;
  std::filesystem::remove(Staged(""), ec);
  for (const char* name : {"tylko.fan", "TYLKO.FAN"}) {
    if (env_.Exists(s_.Path(name))) (void)env_.Remove(s_.Path(name));
  }
  Reopen();
  return CloseOutcome::kClosed;
}

}  // namespace

std::string UnfinishedCloseInto(session::Session& s) {
  auto previous = PreviousPeriod(s.hh());
  if (!previous) return {};
  return s.env().Exists(s.Path(CloseMarkerOf(*previous))) ? *previous : std::string();
}

CloseOutcome MClose(session::Session& s) {
  CloseOutcome outcome;
  {
    Close close(s);
    const std::string unfinished = UnfinishedCloseInto(s);
    outcome = unfinished.empty() ? close.Run() : close.Resume(unfinished);
  }
  // The month now current was opened before from the stock it had then, and so were the
  // months after it: each is offered for closing again, up to the last one.
  while (outcome == CloseOutcome::kClosed && !LaterMonth(s, s.hh()).empty()) {
    console::OknoLines(s.con(), {"Kolejny miesiac do ponownego", "zamkniecia: " + MonthName(s.hh())}, 3);
    Close again(s);
    outcome = again.Run();
    if (outcome == CloseOutcome::kAbandoned) {
      console::OknoLines(s.con(),
                         {"Miesiac " + MonthName(LaterMonth(s, s.hh())), "ma stare stany otwarcia:",
                          "zamknij " + MonthName(s.hh()) + " jeszcze raz"},
                         5);
    }
  }
  return outcome;
}

CloseOutcome MCloseFaN(session::Session& s) {
  Close close(s);
  return close.SettlementsOnly();
}

}  // namespace hurt::maintenance
