// REP_DOW_WITH_D: the posting of one document, all or nothing.
//
// Steps:
//   1. Read the kind, the header variables and the working lines; refuse offers and
//      hand orders over.
//   2. Take what posting changes: the kind's record in `slow` (entry mode), then every
//      article of the lines (and the existing destination articles of transfers) by
//      record locks in ascending record order, each with a bounded number of attempts.
//      Anything busy: release all, name it, post nothing.
//   3. Give the number (the counter, ZIKO_NRD against `dowod`).
//   4. Work out in memory the header, the lines of `dow`, the new values of every
//      article, the settlement entry and the corrections-register entry.
//   5. Write the journal of those changes (durable) to rob/post<nn>.jnl.
//   6. Write the tables; DOW_COMMIT; remove the journal; release the locks.
// A failure while writing takes back what was written (from the journal) and reports.
#include "documents/posting.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/okno.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/posting_math.h"
#include "shell/not_built.h"
#include "shell/session.h"
#include "shell/store_ui.h"
#include "store/net_use.h"

namespace hurt::documents {
namespace {

using namespace hurt::literals;
using namespace posting_internal;
using xbase::Value;

// Article fields posting may change.
constexpr std::string_view kArticleFields[] = {
    "ILOSC",  "B_R_I",  "B_R_I_SD", "B_P_I",  "REZERWA0", "CENA0",    "CENA_PZ",  "ODB",
    "S_Z_PZ", "DATA_PZ", "RD_PZ",   "NRD_PZ", "TEZ_PZ",   "ILOSC_PZ", "ILOSC_SD", "DATA_SD",
    // batches (batch option): their numbers are read, their issued quantities changed
    "PARTIA", "PARTIA2", "PARTIA3", "PARTIA4", "ILOSC_WYD", "ILOSC_WYD2", "ILOSC_WYD3", "ILOSC_WYD4",
};

// Catalogue data a destination article of a transfer takes from its source.
constexpr std::string_view kCopiedToDestination[] = {
    "NAZWA", "NAZWA1",  "JM",      "SWW",   "PKWIU",  "T_W_O_K",  "PODGRUPA", "GRUPA",   "PRODUCENT",
    "CENA0", "CENA_PZ", "CENA_01", "CENA",  "CENA2",  "CENAM",    "CENA2M",   "PODATEK0", "ODB",
    "KOD13", "WAGA",    "ATEST",   "OPAKOWANIE", "ZAWARTOSC", "KOD_CN",
};

// Lock attempts: the kind's record 30 (REC_LOCK 14.5 s), an article 11 (5 s), a header
// append 55 (27 s), a line append 15 (7 s).
constexpr double kKindLockWait = 14.5;
constexpr double kArticleLockWait = 5;
constexpr double kHeaderAppendWait = 27;
constexpr double kLineAppendWait = 7;

std::string ArticleKey(std::string_view mag, std::string_view indeks) {
  return PadR(mag, 1) + PadR(indeks, 8);
}

struct Article {
  std::string key;
  uint32_t recno = 0;        // 0: to be created (destination of a transfer)
  std::string source_key;    // the article a new one copies
  std::map<std::string, Value, std::less<>> before;
  std::map<std::string, Value, std::less<>> now;
  std::vector<std::pair<std::string, Value>> copied;  // catalogue data of a new article

  double Num(std::string_view f) const {
    auto it = now.find(f);
    return it == now.end() ? 0.0 : it->second.AsNumber();
  }
  std::string Text(std::string_view f) const {
    auto it = now.find(f);
    return it == now.end() || !it->second.IsString() ? std::string() : it->second.AsString();
  }
  JulianDay Date(std::string_view f) const {
    auto it = now.find(f);
    return it == now.end() ? kEmptyDate : it->second.AsDate().day;
  }
  bool Has(std::string_view f) const { return now.find(f) != now.end(); }
  void Set(std::string_view f, Value v) {
    auto it = now.find(f);
    if (it != now.end()) it->second = std::move(v);
  }
  void Add(std::string_view f, double q, int dec = 3) { Set(f, Value(RoundHalfAway(Num(f) + q, dec))); }
};

struct SettlementEntry {
  std::vector<std::pair<std::string, Value>> fields;
};

class Poster {
 public:
  Poster(shell::Session& s, store::StoreUi& ui, int klucz) : s_(s), ui_(ui), klucz_(klucz) {}
  ~Poster() { ReleaseAll(); }
  Poster(const Poster&) = delete;
  Poster& operator=(const Poster&) = delete;

  bool Run();

 private:
  std::string Var(std::string_view name) const { return s_.vars().Text(name); }
  double VarNum(std::string_view name) const { return s_.vars().Number(name); }
  bool Entry() const { return klucz_ != 2; }

  bool TakeLocks();
  bool LockArticle(Article& a);
  void ReleaseAll();
  bool GiveNumber();
  void PlanLines();
  void PlanLine(WorkLine& line, int n);
  void PlanIssue(Article& a, double q);
  void PlanBatchIssue(Article& a, const WorkLine& line, double q);
  void PlanTransferIn(const WorkLine& line, double q, double line_cost);
  void PlanReceipt(Article& a, const WorkLine& line, double q);
  std::vector<std::pair<std::string, Value>> HeaderFields() const;
  void PlanSettlement();
  Status BuildJournal();
  Status Apply();
  Status ApplyKorekty();
  Status AppendWithRetry(xbase::WorkArea& a, double wait);
  bool Fail(std::string_view text);

  shell::Session& s_;
  store::StoreUi& ui_;
  int klucz_;

  KindRecord kind_;
  std::vector<WorkLine> lines_;
  std::string rd_, nrd_, mag_, odb_, waluta_;
  double kurs_ = 0;
  JulianDay data_ = kEmptyDate;
  long counter_ = 0;          // the kind's NRD after posting
  bool slow_locked_ = false;
  bool uzgodnic_n_ = false;

  std::map<std::string, Article> articles_;  // by MAG+INDEKS
  std::vector<std::vector<std::pair<std::string, Value>>> dow_records_;
  double wartosc0_ = 0, netto_ = 0, vat_ = 0;
  std::optional<SettlementEntry> settlement_;

  PostingJournal journal_;
  std::string journal_path_;
};

bool Poster::Fail(std::string_view text) {
  ReleaseAll();
  Tell(s_, text);
  return false;
}

void Poster::ReleaseAll() {
  for (store::TableId id : {store::TableId::kAs, store::TableId::kDowod, store::TableId::kDow,
                            store::TableId::kFaN, store::TableId::kSlow}) {
    if (xbase::WorkArea* a = AreaOf(s_, id)) (void)a->Unlock();
  }
  slow_locked_ = false;
}

bool Poster::Run() {
  // 1. The document.
  rd_ = PadR(Var("M_RD"), 3);
  auto kind = ReadKind(s_, rd_);
  if (!kind.ok()) return Fail("Brak rodzaju dowodu " + rd_);
  kind_ = *kind;
  const DocKind& k = kind_.kind;
  if (k.IsSale() && (Var("M_TRESC").find("OFERTA") != std::string::npos ||
                     Var("M_ODBIORCA").find("OFERTA") != std::string::npos)) {
    (void)console::Okno(s_.con(), "Zapisac OFERTĘ ?"_pl, "T");
    return false;
  }
  waluta_ = Var("M_WALUTA");
  kurs_ = VarNum("M_KURS");
  if (!IsForeignCurrency(waluta_)) {
    waluta_.clear();
    kurs_ = 0;
  }
  if (k.RdIs("ZAM") || (k.IsSale() && k.HasTag("ZAMOWIEN") && s_.FileX("FV_ZAL.TXT"))) {
    return ZapiszZam(s_, ui_, klucz_);
  }
  auto lines = ReadWorkLines(s_);
  if (!lines.ok()) return Fail("Błąd odczytu pozycji dowodu"_pl);
  lines_ = std::move(*lines);
  // J_FA_SORT: a sale goes in by warehouse and article code.
  if (k.IsSale() && XbaseEquals(s_.settings().Text("J_FA_SORT"), "T")) SortSaleLines(lines_);
  mag_ = Var("M_MAG");
  if (IsBlank(mag_) || mag_ == "0") mag_ = s_.settings().MagGlow();
  mag_ = PadR(mag_, 1);
  odb_ = PadR(Var("M_ODB"), 8);
  data_ = s_.vars().Date("M_DATA");
  if (data_ == kEmptyDate) data_ = s_.Today();
  const std::string line_mag = IsBlank(Var("M_MAG")) ? std::string("1") : Left(Var("M_MAG"), 1);
  for (size_t i = 0; i < lines_.size(); ++i) {
    WorkLine& line = lines_[i];
    if (IsBlank(line.Text("MAG"))) line.Set("MAG", Value(line_mag));
    if (i == 0) {
      line.Set("SPZ", Value(PadR(Var("M_SPZ"), 1)));
      line.Set("TEZ", Value(VarNum("M_TEZ")));
    }
  }

  // 2. Locks, 3. number.
  if (!TakeLocks()) return false;
  if (!GiveNumber()) return false;

  // 4. The plan.
  PlanLines();
  PlanSettlement();

  // 5. Journal.
  journal_path_ = JournalPath(s_.root(), s_.stacja());
  (void)s_.env().CreateDirs(s_.Path("rob"));
  Status st = BuildJournal();
  if (st.ok()) st = WriteJournal(s_.env(), journal_path_, journal_);
  if (!st.ok()) {
    (void)RemoveJournal(s_.env(), journal_path_);
    return Fail("Nie moge zapisac dziennika - dowod nie zapisany");
  }

  // 6. Tables.
  st = Apply();
  if (st.ok()) st = DowCommit(s_, k.kto);
  if (!st.ok()) {
    ReleaseAll();
    for (store::TableId id : {store::TableId::kAs, store::TableId::kDowod, store::TableId::kDow,
                              store::TableId::kFaN, store::TableId::kSlow}) {
      if (xbase::WorkArea* a = AreaOf(s_, id)) (void)a->GoTop();
    }
    const Status undone = UndoJournal(s_.areas(), s_.root(), journal_);
    if (undone.ok()) (void)RemoveJournal(s_.env(), journal_path_);
    return Fail(std::string("Błąd zapisu - dowód nie zapisany: "_pl) + st.ToString());
  }
  (void)RemoveJournal(s_.env(), journal_path_);
  ReleaseAll();
  s_.vars().Set("M_NRD", Value(nrd_));
  return true;
}

bool Poster::LockArticle(Article& a) {
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  const Status st = store::Retry(ui_, store::RetryRule::kPauseAfter, kArticleLockWait,
                                 [&] { return as->LockRecord(a.recno); });
  if (!st.ok()) return false;
  if (!as->GoTo(a.recno).ok()) return false;
  for (std::string_view f : kArticleFields) {
    if (as->FieldIndex(f) < 0) continue;
    auto v = as->Get(f);
    if (!v.ok()) return false;
    a.before.emplace(std::string(f), *v);
    a.now.emplace(std::string(f), *v);
  }
  return true;
}

bool Poster::TakeLocks() {
  xbase::WorkArea* slow = AreaOf(s_, store::TableId::kSlow);
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  if (slow == nullptr || as == nullptr) return Fail("Plik slow/as niedostepny");
  if (Entry()) {
    if (!slow->GoTo(kind_.recno).ok() ||
        !store::RecLockArea(ui_, *slow, kKindLockWait).ok()) {
      return Fail("Rodzaj dowodu " + RTrim(rd_) + std::string(" zajęty na innym stanowisku - dowód nie zapisany"_pl));
    }
    slow_locked_ = true;
    kind_.nrd = static_cast<long>(NumberOf(*slow, "NRD"));  // as it is under the lock
  }
  // Every article of the lines, and the destinations of transfers.
  if (as->order() != 1 && !as->SetOrder(1).ok()) return Fail("Plik as niedostepny");
  const bool transfer = kind_.kind.IsTransfer();
  std::vector<std::string> keys;
  for (const WorkLine& line : lines_) {
    if (IsBlank(line.Text("INDEKS"))) continue;
    keys.push_back(ArticleKey(line.Text("MAG"), line.Text("INDEKS")));
    if (transfer) keys.push_back(ArticleKey(Left(odb_, 1), line.Text("INDEKS")));
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string& key = keys[i];
    if (articles_.count(key) != 0) continue;
    auto found = as->SeekKey(key);
    if (!found.ok()) return Fail("Plik as niedostepny");
    Article a;
    a.key = key;
    if (*found) {
      a.recno = as->recno();
    } else if (transfer && i % 2 == 1) {
      a.source_key = keys[i - 1];
    } else {
      continue;  // a line without an article card moves no stock
    }
    articles_.emplace(key, std::move(a));
  }
  // A destination article to create: two stations must not both create it, so the
  // table is held whole (briefly) and the destinations are sought again under it.
  bool creates = false;
  for (auto& [key, a] : articles_) creates = creates || a.recno == 0;
  if (creates) {
    if (!store::FilLockArea(ui_, *as, kArticleLockWait).ok()) {
      return Fail(std::string("Kartoteka towarów zajęta na innym stanowisku - dowód nie zapisany"_pl));
    }
    for (auto& [key, a] : articles_) {
      if (a.recno != 0) continue;
      auto found = as->SeekKey(key);
      if (!found.ok()) return Fail("Plik as niedostepny");
      if (*found) {
        a.recno = as->recno();
        a.source_key.clear();
      }
    }
  }
  std::vector<Article*> order;
  for (auto& [key, a] : articles_) {
    if (a.recno != 0) order.push_back(&a);
  }
  std::sort(order.begin(), order.end(), [](const Article* x, const Article* y) { return x->recno < y->recno; });
  for (Article* a : order) {
    if (!LockArticle(*a)) {
      return Fail("Towar " + a->key.substr(0, 1) + "-" + RTrim(a->key.substr(1)) +
                  std::string(" zajęty na innym stanowisku - dowód nie zapisany"_pl));
    }
  }
  // New destination articles start from their source's catalogue data.
  for (auto& [key, a] : articles_) {
    if (a.recno != 0) continue;
    auto src = articles_.find(a.source_key);
    if (src == articles_.end() || src->second.recno == 0 || !as->GoTo(src->second.recno).ok()) continue;
    for (std::string_view f : kCopiedToDestination) {
      if (as->FieldIndex(f) < 0) continue;
      auto v = as->Get(f);
      if (v.ok()) a.copied.emplace_back(std::string(f), *v);
    }
    for (std::string_view f : kArticleFields) {
      if (as->FieldIndex(f) < 0) continue;
      auto v = as->Get(f);
      if (!v.ok()) continue;
      Value blank = v->IsNumber() ? Value(0.0) : v->IsDate() ? Value(xbase::Date{}) : Value(std::string());
      a.before.emplace(std::string(f), blank);
      a.now.emplace(std::string(f), blank);
    }
    a.Set("CENA0", Value(src->second.Num("CENA0")));
    a.Set("CENA_PZ", src->second.now.count("CENA_PZ") ? src->second.now.at("CENA_PZ") : Value(0.0));
    a.Set("ODB", Value(src->second.Text("ODB")));
  }
  return true;
}

bool Poster::GiveNumber() {
  const DocKind& k = kind_.kind;
  counter_ = kind_.nrd;
  if (!Entry()) {
    nrd_ = PadL(AllTrim(Var("M_NRD")), 8);
    return true;
  }
  const bool printed = s_.vars().Logical("JEST_WYDRUK");
  long number = 0;
  if (!printed) {
    number = kind_.nrd + 1;
  } else {
    number = static_cast<long>(Val(Var("M_NRD")));
    if (number <= 0) number = kind_.nrd + 1;
  }
  auto free = ZikoNrd(s_, rd_, Str(number, 8));
  if (!free.ok()) return Fail("Plik dowod niedostepny");
  const long taken = static_cast<long>(Val(*free));
  if (taken != number) {
    if (printed) {
      Tell(s_, "Wydrukowac jeszcze raz !!");
    } else {
      Tell(s_, "Sprawdz nr " + RTrim(rd_));
    }
  }
  counter_ = std::max(kind_.nrd, taken);
  nrd_ = Str(taken, 8);
  uzgodnic_n_ = k.HasTag("CENA_PZ") && k.IsClass("RD") && k.InPurchasePrices();
  return true;
}

void Poster::PlanLines() {
  int n = 0;
  std::string lp;
  for (WorkLine& line : lines_) {
    ++n;
    lp = LineNumberFor(n, lp);
    line.Set("LP", Value(lp));
    PlanLine(line, n);
  }
  if (kind_.kind.s_z == 'X') netto_ = wartosc0_;
  if (kind_.kind.IsCombined() && kind_.kind.IsReceipt() && kind_.kind.HasTag("(SD)")) vat_ = 0;
  wartosc0_ = NewRound(wartosc0_, 2);
  netto_ = NewRound(netto_, 2);
  vat_ = NewRound(vat_, 2);
}

void Poster::PlanLine(WorkLine& line, int) {
  const DocKind& k = kind_.kind;
  const double q = line.Number("ILOSC");
  const double cena = line.Number("CENA");
  double cena0 = line.Number("CENA0");
  Article* art = nullptr;
  if (!IsBlank(line.Text("INDEKS"))) {
    auto it = articles_.find(ArticleKey(line.Text("MAG"), line.Text("INDEKS")));
    if (it != articles_.end() && it->second.recno != 0) art = &it->second;
  }
  const std::string klasa = k.Klasa();
  const bool receipt = k.IsReceipt() || klasa == "KZ";
  const double price = !waluta_.empty() && k.IsPurchase() ? cena * kurs_ : cena;
  // Cost price of the line.
  if (art != nullptr) {
    if (klasa == "KS" && Entry() && cena0 == 0) {
      cena0 = art->Num("CENA0");
    } else if (receipt) {
      const bool keeps_own = s_.settings().Text("J_ODCH") == "T" || k.HasTag("PROWIZJA") || k.s_z == 'X' ||
                             (k.IsClass("PD") && !k.RdIs("BO"));
      if (k.RdIs("BO") && !Entry() && s_.settings().Text("J_ODCH") != "T") {
        // correction of an opening balance keeps the line's own cost
      } else if (!keeps_own) {
        ReceiptCost rc;
        rc.quantity = q;
        rc.stock = art->Num("ILOSC");
        rc.cost = art->Num("CENA0");
        rc.price = price;
        rc.line_cost = cena0;
        rc.class_x = k.s_z == 'X';
        rc.zle_uzgo = s_.settings().Text("J_ZLE_UZGO") == "T";
        cena0 = RoundHalfAway(WeightedAverageCost(rc), 6);
        art->Set("CENA0", Value(cena0));
      }
    } else if (Entry() && !k.HasTag("CENA_PZ") && !k.HasTag("DYSK") && k.r_p != 'K' &&
               !k.HasTag("FAKTURA VAT MARZA")) {
      cena0 = art->Num("CENA0");
    } else if (!Entry() && k.IsClass("RD") && k.InPurchasePrices()) {
      cena0 = cena;
    }
  }
  const double wartosc = NewRound(q * cena, 2);
  line.Set("CENA0", Value(cena0));
  line.Set("WARTOSC", Value(wartosc));

  // The dow record.
  std::vector<std::pair<std::string, Value>> rec;
  for (const auto& [name, value] : line.fields) {
    if (name == "R_P" || name == "S_Z" || name == "RD" || name == "NRD" || name == "DATA" || name == "KTO" ||
        name == "ODB") {
      continue;
    }
    rec.emplace_back(name, value);
  }
  rec.emplace_back("R_P", Value(std::string(1, k.r_p)));
  rec.emplace_back("S_Z", Value(std::string(1, k.s_z)));
  rec.emplace_back("RD", Value(rd_));
  rec.emplace_back("NRD", Value(nrd_));
  rec.emplace_back("DATA", Value(xbase::Date{data_}));
  rec.emplace_back("KTO", Value(std::string(1, k.kto)));
  rec.emplace_back("ODB", Value(odb_));
  dow_records_.push_back(std::move(rec));

  // Header totals.
  const double at_cost = NewRound(q * cena0, 2);
  const double podatek = line.Number("PODATEK");
  wartosc0_ += at_cost;
  vat_ += podatek;
  const std::string nb = line.Text("NB");
  if (nb == "B") {
    netto_ += wartosc - podatek;
  } else if (nb == "0") {
    netto_ += at_cost;
  } else {
    netto_ += wartosc;
  }

  if (art == nullptr) return;
  // Stock.
  const bool issue = k.IsIssue() || k.IsTransfer() || klasa == "KS";
  const bool from_issue_note = Var("M_TRESC").find("WZ ") != std::string::npos && !k.RdIs("WZ");
  if (issue && !from_issue_note) {
    PlanIssue(*art, q);
    PlanBatchIssue(*art, line, q);
    if (k.IsTransfer()) PlanTransferIn(line, q, cena0);
  }
  if (receipt) PlanReceipt(*art, line, q);
  if ((k.IsSale() || klasa == "KS") && Entry() && !k.RdIs("SD") && art->Date("DATA_PZ") <= data_) {
    double sd = RoundHalfAway(art->Num("ILOSC_SD") + q, 3);
    if (sd > 99999999) sd = 0;
    art->Set("ILOSC_SD", Value(sd));
    art->Set("DATA_SD", Value(xbase::Date{data_}));
  }
}

void Poster::PlanIssue(Article& a, double q) {
  const DocKind& k = kind_.kind;
  a.Add("ILOSC", -q);
  a.Add("B_R_I", q);
  if (k.s_z == 'S') a.Add("B_R_I_SD", q);
  if (k.RdIs("ZB") || (!Entry() && s_.stacja() == 1)) {
    a.Set("REZERWA0", Value(0.0));
  } else if ((k.IsIssue() || k.IsTransfer()) && q > 0) {
    // The reservation falls with the issue, never below nothing.
    a.Set("REZERWA0", Value(std::max(0.0, RoundHalfAway(a.Num("REZERWA0") - q, 3))));
  }
}

// The batch stock of the line's batch: its issued quantity rises with the issue.
void Poster::PlanBatchIssue(Article& a, const WorkLine& line, double q) {
  if (!a.Has("ILOSC_WYD")) return;
  std::array<std::string, kBatchSlots> numbers;
  for (int n = 1; n <= kBatchSlots; ++n) numbers[static_cast<size_t>(n - 1)] = a.Text(BatchField("PARTIA", n));
  const int slot = BatchSlot(numbers, line.Text("PARTIA"));
  if (slot != 0) a.Add(BatchField("ILOSC_WYD", slot), q);
}

void Poster::PlanTransferIn(const WorkLine& line, double q, double line_cost) {
  auto it = articles_.find(ArticleKey(Left(odb_, 1), line.Text("INDEKS")));
  if (it == articles_.end()) return;
  Article& d = it->second;
  ReceiptCost rc;
  rc.quantity = q;
  rc.stock = d.Num("ILOSC");
  rc.cost = d.Num("CENA0");
  rc.price = line_cost;
  rc.line_cost = line_cost;
  rc.zle_uzgo = s_.settings().Text("J_ZLE_UZGO") == "T";
  d.Set("CENA0", Value(RoundHalfAway(WeightedAverageCost(rc), 6)));
  d.Add("ILOSC", q);
  d.Add("B_P_I", q);
}

void Poster::PlanReceipt(Article& a, const WorkLine& line, double q) {
  const DocKind& k = kind_.kind;
  a.Add("ILOSC", q);
  a.Add("B_P_I", q);
  if (!IsBlank(odb_) && (k.IsPurchase() || IsBlank(a.Text("ODB")))) a.Set("ODB", Value(odb_));
  if ((k.IsPurchase() && q > 0) || a.Num("CENA_PZ") == 0) {
    double cena = line.Number("CENA");
    if (!waluta_.empty() && k.IsPurchase()) cena = RoundHalfAway(cena * kurs_, 2);
    a.Set("CENA_PZ", Value(cena));
  }
  if (k.IsReceipt() && !k.RdIs("BO") && q > 0 && a.Date("DATA_PZ") <= data_) {
    a.Set("S_Z_PZ", Value(std::string(k.IsPurchase() ? "Z" : "D")));
    a.Set("DATA_PZ", Value(xbase::Date{data_}));
    a.Set("RD_PZ", Value(rd_));
    a.Set("NRD_PZ", Value(nrd_));
    const std::string spz = Var("M_SPZ");
    a.Set("TEZ_PZ", Value(k.IsPurchase() || spz == "T" ? VarNum("M_TEZ") : 14.0));
    a.Set("ILOSC_PZ", Value(q));
    a.Set("ILOSC_SD", Value(0.0));
    a.Set("DATA_SD", Value(xbase::Date{data_}));
  }
}

std::vector<std::pair<std::string, Value>> Poster::HeaderFields() const {
  const DocKind& k = kind_.kind;
  std::vector<std::pair<std::string, Value>> h;
  auto text = [&](std::string_view field, std::string_view var) { h.emplace_back(field, Value(Var(var))); };
  h.emplace_back("R_P", Value(std::string(1, k.r_p)));
  h.emplace_back("S_Z", Value(std::string(1, k.s_z)));
  h.emplace_back("RD", Value(rd_));
  h.emplace_back("NRD", Value(nrd_));
  h.emplace_back("DATA", Value(xbase::Date{data_}));
  JulianDay wyd = s_.vars().Date("M_DATA_WYD");
  if (k.RdIs("WZ") || wyd == kEmptyDate) wyd = data_;
  h.emplace_back("DATA_WYD", Value(xbase::Date{wyd}));
  h.emplace_back("MAG", Value(mag_));
  h.emplace_back("KTO", Value(std::string(1, k.kto)));
  h.emplace_back("ODB", Value(odb_));
  for (std::string_view f : {"NIP_KRAJ", "REGON", "NODB", "NODB1", "UODB", "KODB", "MODB", "ODBIORCA",
                             "ODBIORC1", "JPK_XX", "TYP_DOK"}) {
    text(f, "M_" + std::string(f));
  }
  const std::string spz = PadR(Var("M_SPZ"), 1);
  double tez = VarNum("M_TEZ");
  if (k.IsPurchase() && spz == "P" && tez == 0) tez = 15;
  h.emplace_back("SPZ", Value(spz));
  h.emplace_back("TEZ", Value(tez));
  h.emplace_back("KWOTA", Value(NewRound(VarNum("M_KWOTA"), 2)));
  if (Entry()) h.emplace_back("OPERATOR", Value(Left(s_.op().nr, 1)));
  h.emplace_back("R_DATA", Value(xbase::Date{s_.Today()}));
  h.emplace_back("R_CZAS", Value(s_.clock().TimeText()));
  h.emplace_back("WALUTA_X", Value(std::string(waluta_.empty() ? " " : "X")));
  h.emplace_back("WALUTA", Value(waluta_));
  h.emplace_back("KURS", Value(kurs_));
  const JulianDay data_fa = s_.vars().Date("M_DATA_FA");
  if (data_fa != kEmptyDate) h.emplace_back("DATA_FA", Value(xbase::Date{data_fa}));
  h.emplace_back("WARTOSC0", Value(wartosc0_));
  h.emplace_back("NETTO", Value(netto_));
  h.emplace_back("VAT", Value(vat_));
  h.emplace_back("OPA", Value(0.0));
  if (!Entry()) h.emplace_back("ZAP", Value(std::string("2")));
  return h;
}

// ILE_WPLACA: the settlement entry of the posted document.
void Poster::PlanSettlement() {
  const DocKind& k = kind_.kind;
  const std::string spz = PadR(Var("M_SPZ"), 1);
  if (spz == "G" || spz == "B" || k.HasTag("PROFORMA")) return;
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (fa == nullptr || fa->FieldIndex("MAG") < 0) return;
  double value = NewRound(netto_ + vat_, 2);
  if (k.IsPurchase() && (k.HasTag("WEWN") || k.HasTag("ODWROTNE")) && data_ < JulianFromYmd(2019, 11, 1)) {
    value = netto_;
  }
  const double paid = NewRound(VarNum("M_KWOTA"), 2);
  const std::string klasa = k.Klasa();
  const bool debit = k.IsIssue() || k.IsTransfer() || klasa == "KS";
  const bool credit = k.IsReceipt() || klasa == "KZ";
  const double tez = VarNum("M_TEZ");
  SettlementEntry e;
  e.fields = {
      {"R_P", Value(std::string(1, k.r_p))},
      {"ODB", Value(odb_)},
      {"DATA", Value(xbase::Date{data_})},
      {"MAG", Value(mag_ == "0" ? std::string("1") : mag_)},
      {"RD", Value(rd_)},
      {"NRD", Value(nrd_)},
      {"TRESC", Value(Var("M_TRESC"))},
      {"SPZ", Value(spz)},
      {"TEZ", Value(tez)},
      {"TERMIN", Value(xbase::Date{static_cast<JulianDay>(data_ + static_cast<JulianDay>(tez))})},
      {"KTO", Value(std::string(1, k.kto))},
      {"OBWN", Value(debit ? value : paid)},
      {"OBMA", Value(credit ? value : paid)},
  };
  if (!waluta_.empty()) {
    e.fields.emplace_back("WALUTA_X", Value(std::string("X")));
    e.fields.emplace_back("WALUTA", Value(waluta_));
    e.fields.emplace_back("KURS", Value(kurs_));
  }
  settlement_ = std::move(e);
}

Status Poster::BuildJournal() {
  journal_ = PostingJournal{};
  journal_.what = rd_ + nrd_;
  const std::string root = s_.root();
  auto rel = [&](xbase::WorkArea* a) { return RelativeToRoot(root, a->path()); };
  auto count = [&](xbase::WorkArea* a) -> Result<uint32_t> { return a->RecCount(); };
  const std::vector<std::pair<std::string, std::string>> doc_marks = {{"RD", rd_}, {"NRD", nrd_}};
  xbase::WorkArea* slow = AreaOf(s_, store::TableId::kSlow);
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (dowod == nullptr || dow == nullptr) return Status::NotFound("dowod/dow");
  if (Entry()) {
    RecordChange& c = journal_.ChangeOf(rel(slow), kind_.recno);
    c.fields.push_back({"NRD", Value(static_cast<double>(kind_.nrd)), Value(static_cast<double>(counter_))});
    if (uzgodnic_n_) {
      HURT_RETURN_IF_ERROR(slow->GoTo(kind_.recno));
      c.fields.push_back({"UZGODNIC", Value(TextOf(*slow, "UZGODNIC")), Value(std::string("N"))});
    }
  }
  auto n = count(dowod);
  HURT_RETURN_IF_ERROR(n.status());
  journal_.appended.push_back({rel(dowod), *n, doc_marks});
  n = count(dow);
  HURT_RETURN_IF_ERROR(n.status());
  journal_.appended.push_back({rel(dow), *n, doc_marks});
  if (settlement_.has_value()) {
    n = count(fa);
    HURT_RETURN_IF_ERROR(n.status());
    journal_.appended.push_back({rel(fa), *n, doc_marks});
  }
  n = count(as);
  HURT_RETURN_IF_ERROR(n.status());
  const uint32_t as_count = *n;
  for (const auto& [key, a] : articles_) {
    if (a.recno == 0) {
      journal_.appended.push_back({rel(as), as_count, {{"MAG", key.substr(0, 1)}, {"INDEKS", key.substr(1)}}});
      continue;
    }
    std::vector<FieldChange> changed;
    for (const auto& [field, after] : a.now) {
      const Value& before = a.before.at(field);
      if (!(before == after)) changed.push_back({field, before, after});
    }
    if (changed.empty()) continue;
    RecordChange& c = journal_.ChangeOf(rel(as), a.recno);
    c.fields = std::move(changed);
  }
  return Status::Ok();
}

Status Poster::AppendWithRetry(xbase::WorkArea& a, double wait) {
  return store::Retry(ui_, store::RetryRule::kPauseAfter, wait, [&] { return a.Append(); });
}

Status Poster::Apply() {
  xbase::WorkArea* slow = AreaOf(s_, store::TableId::kSlow);
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (Entry()) {
    HURT_RETURN_IF_ERROR(slow->GoTo(kind_.recno));
    HURT_RETURN_IF_ERROR(Put(*slow, "NRD", Value(static_cast<double>(counter_))));
    if (uzgodnic_n_) HURT_RETURN_IF_ERROR(Put(*slow, "UZGODNIC", Value(std::string("N"))));
    HURT_RETURN_IF_ERROR(slow->Flush());
  }
  HURT_RETURN_IF_ERROR(ApplyKorekty());
  HURT_RETURN_IF_ERROR(store::AddRecArea(ui_, *dowod, kHeaderAppendWait));
  for (const auto& [field, value] : HeaderFields()) HURT_RETURN_IF_ERROR(Put(*dowod, field, value));
  HURT_RETURN_IF_ERROR(dowod->Unlock());
  for (const auto& rec : dow_records_) {
    HURT_RETURN_IF_ERROR(store::AddRecArea(ui_, *dow, kLineAppendWait));
    for (const auto& [field, value] : rec) HURT_RETURN_IF_ERROR(Put(*dow, field, value));
  }
  HURT_RETURN_IF_ERROR(dow->Unlock());
  for (auto& [key, a] : articles_) {
    if (a.recno == 0) {
      HURT_RETURN_IF_ERROR(AppendWithRetry(*as, kArticleLockWait));
      a.recno = as->recno();
      HURT_RETURN_IF_ERROR(Put(*as, "MAG", Value(key.substr(0, 1))));
      HURT_RETURN_IF_ERROR(Put(*as, "INDEKS", Value(key.substr(1))));
      for (const auto& [field, value] : a.copied) HURT_RETURN_IF_ERROR(Put(*as, field, value));
    } else {
      HURT_RETURN_IF_ERROR(as->GoTo(a.recno));
    }
    for (const auto& [field, value] : a.now) {
      if (a.before.at(field) == value && a.copied.empty()) continue;
      HURT_RETURN_IF_ERROR(Put(*as, field, value));
    }
    HURT_RETURN_IF_ERROR(as->Flush());
  }
  if (settlement_.has_value()) {
    HURT_RETURN_IF_ERROR(store::AddRecArea(ui_, *fa, kLineAppendWait));
    for (const auto& [field, value] : settlement_->fields) HURT_RETURN_IF_ERROR(Put(*fa, field, value));
    HURT_RETURN_IF_ERROR(fa->Unlock());
  }
  return Status::Ok();
}

// The corrections register KOREKTY/KOREK_<YY>: a correction that names the corrected
// document is recorded once per pair.
Status Poster::ApplyKorekty() {
  const std::string klasa = kind_.kind.Klasa();
  if (klasa != "KS" && klasa != "KZ") return Status::Ok();
  const std::string kor_rd = PadR(Var("M_RD_KOR"), 3);
  const std::string kor_nrd = PadL(AllTrim(Var("M_NRD_KOR")), 8);
  if (IsBlank(kor_rd) || IsBlank(kor_nrd)) return Status::Ok();
  JulianDay kor_data = s_.vars().Date("M_DATA_KOR");
  if (kor_data == kEmptyDate) kor_data = data_;
  const std::string yy = Dtos(kor_data).substr(2, 2);
  const std::string base = s_.Path("korekty/korek_" + yy);
  const std::string dbf = base + ".dbf";
  const std::string ntx = base + ".ntx";
  xbase::Env& env = s_.env();
  if (!env.Exists(dbf)) {
    HURT_RETURN_IF_ERROR(env.CreateDirs(s_.Path("korekty")));
    std::vector<xbase::DbfFieldDescriptor> fields = {
        {"RD", 'C', 3, 0},  {"NRD", 'C', 8, 0},  {"DATA", 'D', 8, 0},  {"ODB", 'C', 8, 0},
        {"RD_", 'C', 3, 0}, {"NRD_", 'C', 8, 0}, {"DATA_", 'D', 8, 0}, {"ODB_", 'C', 8, 0},
    };
    HURT_RETURN_IF_ERROR(xbase::Table::Create(env, dbf, fields));
  }
  const int area = s_.areas().FirstFree(180, 199);
  if (area == 0) return Status::Busy("no free work area");
  auto opened = s_.areas().Open(area, dbf, "korek");
  HURT_RETURN_IF_ERROR(opened.status());
  struct Closer {
    shell::Session& s;
    int area;
    ~Closer() { (void)s.areas().Close(area); }
  } closer{s_, area};
  xbase::WorkArea& k = **opened;
  if (!env.Exists(ntx)) {
    HURT_RETURN_IF_ERROR(store::FilLockArea(ui_, k, 5));
    if (!env.Exists(ntx)) HURT_RETURN_IF_ERROR(k.CreateOrder(ntx, "rd+nrd+DTOS(data)+STR(RECNO(),4)").status());
    HURT_RETURN_IF_ERROR(k.Unlock());
  } else {
    HURT_RETURN_IF_ERROR(k.AttachOrder(ntx).status());
  }
  HURT_RETURN_IF_ERROR(k.SetOrder(1));
  auto found = k.SeekKey(kor_rd + kor_nrd);
  HURT_RETURN_IF_ERROR(found.status());
  while (*found && !k.eof() && TextOf(k, "RD") == kor_rd && TextOf(k, "NRD") == kor_nrd) {
    if (TextOf(k, "RD_") == rd_ && TextOf(k, "NRD_") == nrd_) return Status::Ok();  // recorded already
    HURT_RETURN_IF_ERROR(k.Skip());
  }
  auto n = k.RecCount();
  HURT_RETURN_IF_ERROR(n.status());
  journal_.appended.push_back({RelativeToRoot(s_.root(), dbf), *n, {{"RD_", rd_}, {"NRD_", nrd_}}});
  HURT_RETURN_IF_ERROR(WriteJournal(env, journal_path_, journal_));
  HURT_RETURN_IF_ERROR(store::AddRecArea(ui_, k, kLineAppendWait));
  HURT_RETURN_IF_ERROR(Put(k, "RD", Value(kor_rd)));
  HURT_RETURN_IF_ERROR(Put(k, "NRD", Value(kor_nrd)));
  HURT_RETURN_IF_ERROR(Put(k, "DATA", Value(xbase::Date{kor_data})));
  HURT_RETURN_IF_ERROR(Put(k, "ODB", Value(odb_)));
  HURT_RETURN_IF_ERROR(Put(k, "RD_", Value(rd_)));
  HURT_RETURN_IF_ERROR(Put(k, "NRD_", Value(nrd_)));
  HURT_RETURN_IF_ERROR(Put(k, "DATA_", Value(xbase::Date{data_})));
  HURT_RETURN_IF_ERROR(Put(k, "ODB_", Value(odb_)));
  HURT_RETURN_IF_ERROR(k.Unlock());
  return k.Commit();
}

}  // namespace

bool RepDowWithD(shell::Session& session, store::StoreUi& ui, int mode) {
  if (session.InArchive()) {
    Tell(session, "Praca w archiwum - blokada");
    return false;
  }
  Poster poster(session, ui, mode);
  return poster.Run();
}

bool RepDowWithD(shell::Session& session, int mode) {
  shell::ConsoleStoreUi ui(session.con());
  return RepDowWithD(session, ui, mode);
}

Result<std::string> ZikoNrd(shell::Session& session, std::string_view rd, std::string_view nrd) {
  xbase::WorkArea* dowod = AreaOf(session, store::TableId::kDowod);
  if (dowod == nullptr) return Status::NotFound("dowod is not open");
  if (dowod->order() != 1) HURT_RETURN_IF_ERROR(dowod->SetOrder(1));
  long number = static_cast<long>(Val(nrd));
  const std::string kind = PadR(rd, 3);
  for (long step = 0; step < 90'000'000; ++step, ++number) {
    const std::string text = Str(static_cast<double>(number), 8);
    auto found = dowod->SeekKey(kind + text);
    HURT_RETURN_IF_ERROR(found.status());
    if (!*found) return text;
  }
  return Status::Busy("no free number");
}

Status DowCommit(shell::Session& session, char kto) {
  store::TableId book = store::TableId::kZo;
  switch (kto) {
    case 'D': book = store::TableId::kZd; break;
    case 'P': book = store::TableId::kZp; break;
    case 'F': book = store::TableId::kZf; break;
    case 'N': book = store::TableId::kZn; break;
    default: break;
  }
  for (store::TableId id : {store::TableId::kAs, book, store::TableId::kDow, store::TableId::kDowod,
                            store::TableId::kFaN, store::TableId::kSlow}) {
    xbase::WorkArea* a = AreaOf(session, id);
    if (a != nullptr) HURT_RETURN_IF_ERROR(a->Commit());
  }
  return Status::Ok();
}

Status MojCommit(shell::Session& session, store::StoreUi& ui, std::span<const int> areas) {
  for (int n : areas) {
    xbase::WorkArea* a = session.areas().Area(n);
    if (a == nullptr) continue;
    const uint32_t saved = a->recno();
    if (a->eof()) HURT_RETURN_IF_ERROR(a->GoTop());
    if (a->eof()) {
      HURT_RETURN_IF_ERROR(a->Commit());
      continue;
    }
    const uint32_t r = a->recno();
    const bool held = a->IsLocked();
    HURT_RETURN_IF_ERROR(store::Retry(ui, store::RetryRule::kPauseAfter, 9.5, [&] { return a->LockRecord(); }));
    HURT_RETURN_IF_ERROR(a->Commit());
    if (!held) HURT_RETURN_IF_ERROR(a->UnlockRecord(r));
    if (saved != r) (void)a->GoTo(saved);
  }
  return Status::Ok();
}

}  // namespace hurt::documents
