// REP_D_WITH_DOW: a posted document reopened for correction. Its effects are taken back
// so that posting it again applies the corrected lines from a clean state:
//   1. settlement entries of the document (this month, not made by hand) are deleted;
//      a settled document needs operator "0" or right 1;
//   2. the header gets ZAP "2" and a new R_DATA/R_CZAS and is deleted;
//   3. every line goes back into `dd`, its stock effect is reversed (receipts lower the
//      stock and restore the cost price, issues raise the stock and reserve it again,
//      transfers also leave the destination) and the line is deleted.
// All or nothing, as posting: every record is locked first (bounded), the changes are
// journalled, written, committed, and the journal removed.
#include <algorithm>
#include <map>
#include <set>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/posting.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/posting_math.h"
#include "shell/session.h"
#include "shell/store_ui.h"
#include "store/init_tables.h"
#include "store/net_use.h"

namespace hurt::documents {
namespace {

using namespace hurt::literals;
using namespace posting_internal;
using xbase::Value;

constexpr double kLockWait = 5;

struct PostedLine {
  uint32_t recno = 0;
  WorkLine fields;
};

// Locks record `recno` of an area keeping its other locks (bounded attempts).
bool LockKeeping(store::StoreUi& ui, xbase::WorkArea& a, uint32_t recno) {
  return store::Retry(ui, store::RetryRule::kPauseAfter, kLockWait, [&] { return a.LockRecord(recno); }).ok();
}

// The records of `a` (order 1 keyed rd+nrd...) of the document.
std::vector<uint32_t> RecordsOf(xbase::WorkArea& a, const std::string& rd, const std::string& nrd) {
  std::vector<uint32_t> out;
  if (a.order() != 1 && !a.SetOrder(1).ok()) return out;
  auto found = a.SeekKey(rd + nrd);
  if (!found.ok() || !*found) return out;
  while (!a.eof() && TextOf(a, "RD") == rd && TextOf(a, "NRD") == nrd) {
    out.push_back(a.recno());
    if (!a.Skip().ok()) break;
  }
  return out;
}

class Reopener {
 public:
  Reopener(shell::Session& s, store::StoreUi& ui) : s_(s), ui_(ui) {}
  ~Reopener() { Release(); }
  Reopener(const Reopener&) = delete;
  Reopener& operator=(const Reopener&) = delete;

  bool Run(std::string_view rd, std::string_view nrd);

 private:
  bool Fail(std::string_view text) {
    Release();
    Tell(s_, text);
    return false;
  }
  void Release() {
    for (store::TableId id : {store::TableId::kAs, store::TableId::kDowod, store::TableId::kDow,
                              store::TableId::kFaN}) {
      if (xbase::WorkArea* a = AreaOf(s_, id)) (void)a->Unlock();
    }
  }
  bool LockArticles();
  void PlanArticles();
  std::string Rel(xbase::WorkArea* a) { return RelativeToRoot(s_.root(), a->path()); }

  shell::Session& s_;
  store::StoreUi& ui_;
  std::string rd_, nrd_;
  KindRecord kind_;
  uint32_t header_ = 0;
  double kurs_ = 0;  // the header's rate (currency purchases)
  std::vector<uint32_t> entries_;
  std::vector<PostedLine> lines_;
  struct Art {
    uint32_t recno = 0;
    std::map<std::string, Value, std::less<>> before, now;
    double Num(std::string_view f) const {
      auto it = now.find(f);
      return it == now.end() ? 0.0 : it->second.AsNumber();
    }
    void Add(std::string_view f, double q) {
      auto it = now.find(f);
      if (it != now.end()) it->second = Value(RoundHalfAway(it->second.AsNumber() + q, 3));
    }
    std::string Text(std::string_view f) const {
      auto it = now.find(f);
      return it == now.end() || !it->second.IsString() ? std::string() : it->second.AsString();
    }
  };
  std::map<std::string, Art> arts_;
};

bool Reopener::LockArticles() {
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  if (as->order() != 1 && !as->SetOrder(1).ok()) return false;
  for (const PostedLine& l : lines_) {
    std::vector<std::string> keys = {PadR(l.fields.Text("MAG"), 1) + PadR(l.fields.Text("INDEKS"), 8)};
    if (kind_.kind.IsTransfer()) keys.push_back(PadR(Left(l.fields.Text("ODB"), 1), 1) + PadR(l.fields.Text("INDEKS"), 8));
    for (const std::string& key : keys) {
      if (arts_.count(key) != 0 || IsBlank(key.substr(1))) continue;
      auto found = as->SeekKey(key);
      if (!found.ok()) return false;
      if (!*found) continue;
      arts_[key].recno = as->recno();
    }
  }
  std::vector<std::pair<uint32_t, std::string>> order;
  for (auto& [key, a] : arts_) order.emplace_back(a.recno, key);
  std::sort(order.begin(), order.end());
  for (auto& [recno, key] : order) {
    if (!LockKeeping(ui_, *as, recno)) {
      Fail("Towar " + key.substr(0, 1) + "-" + RTrim(key.substr(1)) +
           std::string(" zajęty na innym stanowisku - poprawa niemożliwa"_pl));
      return false;
    }
    Art& a = arts_[key];
    if (!as->GoTo(recno).ok()) return false;
    for (std::string_view f : {"ILOSC", "B_P_I", "B_R_I", "B_R_I_SD", "REZERWA0", "CENA0", "PARTIA", "PARTIA2",
                               "PARTIA3", "PARTIA4", "ILOSC_WYD", "ILOSC_WYD2", "ILOSC_WYD3", "ILOSC_WYD4"}) {
      if (as->FieldIndex(f) < 0) continue;
      a.before.emplace(std::string(f), *as->Get(f));
      a.now.emplace(std::string(f), *as->Get(f));
    }
  }
  return true;
}

void Reopener::PlanArticles() {
  const DocKind& k = kind_.kind;
  const std::string klasa = k.Klasa();
  for (PostedLine& l : lines_) {
    const double q = l.fields.Number("ILOSC");
    const std::string indeks = PadR(l.fields.Text("INDEKS"), 8);
    auto it = arts_.find(PadR(l.fields.Text("MAG"), 1) + indeks);
    if (it != arts_.end()) {
      Art& a = it->second;
      if (k.IsReceipt() || klasa == "KZ") {
        // The average took in the line's price (its cost on class "X"); the line's CENA0
        // holds the average itself, which would give the average back.
        double in_price = l.fields.Number("CENA");
        if (k.IsPurchase() && kurs_ != 0) in_price *= kurs_;
        if (k.s_z == 'X') in_price = l.fields.Number("CENA0");
        const double cost = ReversedReceiptCost(a.Num("ILOSC"), a.Num("CENA0"), q, in_price);
        a.now["CENA0"] = Value(RoundHalfAway(cost, 6));
        a.Add("ILOSC", -q);
        a.Add("B_P_I", -q);
      } else if (k.IsIssue() || k.IsTransfer() || klasa == "KS") {
        a.Add("ILOSC", q);
        a.Add("B_R_I", -q);
        if (k.s_z == 'S') a.Add("B_R_I_SD", -q);
        if ((k.IsIssue() || k.IsTransfer()) && q > 0) a.Add("REZERWA0", q);
        // The line's batch gets its issued quantity back.
        std::array<std::string, kBatchSlots> numbers;
        for (int n = 1; n <= kBatchSlots; ++n) numbers[static_cast<size_t>(n - 1)] = a.Text(BatchField("PARTIA", n));
        if (const int slot = BatchSlot(numbers, l.fields.Text("PARTIA")); slot != 0) {
          a.Add(BatchField("ILOSC_WYD", slot), -q);
        }
      }
    }
    if (k.IsTransfer()) {
      auto d = arts_.find(PadR(Left(l.fields.Text("ODB"), 1), 1) + indeks);
      if (d != arts_.end()) {
        d->second.Add("ILOSC", -q);
        d->second.Add("B_P_I", -q);
      }
    }
    // Warehouse issues in purchase prices and purchase receipts edit their cost as price.
    if ((k.IsClass("RD") && k.InPurchasePrices()) || k.IsClass("PZ")) {
      l.fields.Set("CENA0", l.fields.Get("CENA"));
    }
  }
}

bool Reopener::Run(std::string_view rd, std::string_view nrd) {
  rd_ = PadR(rd, 3);
  nrd_ = PadL(AllTrim(nrd), 8);
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  xbase::WorkArea* dd = AreaOf(s_, store::TableId::kDd);
  if (dowod == nullptr || dow == nullptr || as == nullptr || dd == nullptr) return Fail("Plik dowod niedostepny");
  auto kind = ReadKind(s_, rd_);
  if (!kind.ok()) return Fail("Brak rodzaju dowodu " + rd_);
  kind_ = *kind;
  const std::vector<uint32_t> headers = RecordsOf(*dowod, rd_, nrd_);
  if (headers.empty()) return Fail("Brak dowodu " + RTrim(rd_) + "-" + AllTrim(nrd_));
  header_ = headers.front();
  if (!dowod->GoTo(header_).ok()) return Fail("Plik dowod niedostepny");
  const std::string spz = TextOf(*dowod, "SPZ");
  const JulianDay data = DateOf(*dowod, "DATA");
  if (!IsBlank(TextOf(*dowod, "WALUTA"))) kurs_ = NumberOf(*dowod, "KURS");

  // 1. Settlement entries.
  if (fa != nullptr && spz != "G" && spz != "B") {
    for (uint32_t r : RecordsOf(*fa, rd_, nrd_)) {
      if (!fa->GoTo(r).ok()) continue;
      const Ymd a = YmdFromJulian(DateOf(*fa, "DATA"));
      const Ymd b = YmdFromJulian(data);
      if (TextOf(*fa, "MAG") == "0" || a.year != b.year || a.month != b.month) continue;
      entries_.push_back(r);
    }
    if (!entries_.empty()) {
      Tell(s_, "Poprawiasz dowod rozliczony !!");
      if (!kind_.kind.HasTag("PROFORMA") && s_.op().nr != "0" && !s_.op().Prawa(1)) {
        return Fail("Dowod rozliczony - blokada");
      }
    }
  }
  // Lines.
  for (uint32_t r : RecordsOf(*dow, rd_, nrd_)) {
    if (!dow->GoTo(r).ok()) return Fail("Plik dow niedostepny");
    PostedLine l;
    l.recno = r;
    for (int i = 0; i < dow->field_count(); ++i) l.fields.fields.emplace_back(dow->field(i).name, *dow->Get(i));
    lines_.push_back(std::move(l));
  }
  // Locks: header, entries, lines, articles.
  if (!LockKeeping(ui_, *dowod, header_)) return Fail("Dowód zajęty na innym stanowisku"_pl);
  for (uint32_t r : entries_) {
    if (!LockKeeping(ui_, *fa, r)) return Fail("Rozrachunek dowodu zajęty na innym stanowisku"_pl);
  }
  for (const PostedLine& l : lines_) {
    if (!LockKeeping(ui_, *dow, l.recno)) return Fail("Pozycja dowodu zajęta na innym stanowisku"_pl);
  }
  if (!LockArticles()) return false;
  PlanArticles();

  // Journal.
  PostingJournal j;
  j.what = rd_ + nrd_;
  {
    RecordChange& h = j.ChangeOf(Rel(dowod), header_);
    (void)dowod->GoTo(header_);
    h.fields.push_back({"ZAP", Value(TextOf(*dowod, "ZAP")), Value(std::string("2"))});
    h.deleted_before = false;
    h.deleted_after = true;
  }
  for (uint32_t r : entries_) {
    RecordChange& c = j.ChangeOf(Rel(fa), r);
    c.deleted_before = false;
    c.deleted_after = true;
  }
  for (const PostedLine& l : lines_) {
    RecordChange& c = j.ChangeOf(Rel(dow), l.recno);
    c.deleted_before = false;
    c.deleted_after = true;
  }
  for (auto& [key, a] : arts_) {
    RecordChange& c = j.ChangeOf(Rel(as), a.recno);
    for (auto& [f, v] : a.now) {
      if (!(a.before.at(f) == v)) c.fields.push_back({f, a.before.at(f), v});
    }
  }
  const std::string journal_path = JournalPath(s_.root(), s_.stacja());
  (void)s_.env().CreateDirs(s_.Path("rob"));
  if (!WriteJournal(s_.env(), journal_path, j).ok()) {
    (void)RemoveJournal(s_.env(), journal_path);
    return Fail("Nie moge zapisac dziennika - poprawa niemozliwa");
  }

  // The lines go back into dd.
  Status st = Status::Ok();
  if (!store::NoweDd(s_, ui_)) st = Status::IoError("dd");
  dd = AreaOf(s_, store::TableId::kDd);
  for (const PostedLine& l : lines_) {
    if (!st.ok() || dd == nullptr) break;
    st = dd->Append();
    for (const auto& [f, v] : l.fields.fields) {
      if (st.ok()) st = Put(*dd, f, v);
    }
  }
  if (st.ok() && dd != nullptr) st = dd->Unlock();
  // The shared tables.
  auto apply = [&]() -> Status {
    HURT_RETURN_IF_ERROR(dowod->GoTo(header_));
    HURT_RETURN_IF_ERROR(Put(*dowod, "ZAP", Value(std::string("2"))));
    HURT_RETURN_IF_ERROR(Put(*dowod, "R_DATA", Value(xbase::Date{s_.Today()})));
    HURT_RETURN_IF_ERROR(Put(*dowod, "R_CZAS", Value(s_.clock().TimeText())));
    HURT_RETURN_IF_ERROR(dowod->Delete());
    HURT_RETURN_IF_ERROR(dowod->Flush());
    for (uint32_t r : entries_) {
      HURT_RETURN_IF_ERROR(fa->GoTo(r));
      HURT_RETURN_IF_ERROR(fa->Delete());
      HURT_RETURN_IF_ERROR(fa->Flush());
    }
    for (const PostedLine& l : lines_) {
      HURT_RETURN_IF_ERROR(dow->GoTo(l.recno));
      HURT_RETURN_IF_ERROR(dow->Delete());
      HURT_RETURN_IF_ERROR(dow->Flush());
    }
    for (auto& [key, a] : arts_) {
      HURT_RETURN_IF_ERROR(as->GoTo(a.recno));
      for (auto& [f, v] : a.now) {
        if (!(a.before.at(f) == v)) HURT_RETURN_IF_ERROR(Put(*as, f, v));
      }
      HURT_RETURN_IF_ERROR(as->Flush());
    }
    return DowCommit(s_, kind_.kind.kto);
  };
  if (st.ok()) st = apply();
  Release();
  if (!st.ok()) {
    const Status undone = UndoJournal(s_.areas(), s_.root(), j);
    if (undone.ok()) (void)RemoveJournal(s_.env(), journal_path);
    (void)store::NoweDd(s_, ui_);
    return Fail(std::string("Błąd zapisu - poprawa niemożliwa: "_pl) + st.ToString());
  }
  (void)RemoveJournal(s_.env(), journal_path);
  return true;
}

}  // namespace

bool RepDWithDow(shell::Session& session, store::StoreUi& ui, std::string_view rd, std::string_view nrd) {
  if (session.InArchive()) {
    Tell(session, "Praca w archiwum - blokada");
    return false;
  }
  Reopener r(session, ui);
  return r.Run(rd, nrd);
}

bool RepDWithDow(shell::Session& session, std::string_view rd, std::string_view nrd) {
  shell::ConsoleStoreUi ui(session.con());
  return RepDWithDow(session, ui, rd, nrd);
}

}  // namespace hurt::documents
