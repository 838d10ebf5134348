// REP_DOW_WITH_D: the posting of one document, all or nothing.
//
// Three kinds of posting go through here:
//   - a new document (entry mode): it takes the next number of its kind;
//   - a corrected document: the posted one it replaces stays exactly as it was until this
//     moment, and is replaced by the corrected one in the same journalled step (its stock
//     taken back, the corrected lines' stock applied, header, lines and settlement entry
//     written over);
//   - the removal of a posted document whose correction was left with no lines.
//
// Steps:
//   1. Read the kind, the header variables and the working lines; refuse offers and hand
//      orders over. Take back first what stations that are gone left half done.
//   2. Take what posting changes, by record locks with a bounded number of attempts: the
//      kind's record in `slow` (new documents), the posted header, its lines and
//      settlement entries (corrections), the issue notes an invoice is made from, and
//      every article of the old and new lines in ascending record order. Anything busy:
//      release all, name it, post nothing.
//   3. Give the number (the counter, ZIKO_NRD against `dowod`).
//   4. Plan in memory every write: header, lines, articles (the stock rule of
//      stock_effect.h, taking the old lines back first), settlement entry, notes, the
//      corrections register.
//   5. Write the journal of those writes (durable) to rob/post<nn>.jnl.
//   6. Write the tables; DOW_COMMIT; remove the journal; release the station's
//      reservations (its ledger); release the locks.
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
#include "documents/header_rules.h"
#include "documents/line_session.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/posting_math.h"
#include "documents/posting_writes.h"
#include "documents/reservation_ledger.h"
#include "documents/reservations.h"
#include "documents/station_recovery.h"
#include "documents/stock_effect.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/station_files.h"

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
// append 55 (27 s), a line append 15 (7 s), a record of the posted document 5 s.
constexpr double kKindLockWait = 14.5;
constexpr double kArticleLockWait = 5;
constexpr double kHeaderAppendWait = 27;
constexpr double kLineAppendWait = 7;
constexpr double kRecordLockWait = 5;
// Times a posting starts again after taking back a station found gone under its locks.
constexpr int kRecoveryRounds = 3;

std::string ArticleKey(std::string_view mag, std::string_view indeks) { return PadR(mag, 1) + PadR(indeks, 8); }
std::string DocText(std::string_view rd, std::string_view nrd) { return RTrim(rd) + "-" + AllTrim(nrd); }

struct Article {
  std::string key;
  uint32_t recno = 0;      // 0: to be created (destination of a transfer)
  std::string source_key;  // the article a new one copies
  CardValues before;
  CardValues now;
  FieldList copied;  // catalogue data of a new article
};

// A record of the posted document (header, line, settlement entry, issue note).
struct PostedRecord {
  uint32_t recno = 0;
  WorkLine fields;
};

// The posted document a correction replaces or removes.
struct PostedDocument {
  bool found = false;
  PostedRecord header;
  std::vector<PostedRecord> lines;
  std::vector<uint32_t> entries;  // settlement entries of its month, not made by hand
  std::vector<PostedRecord> notes;  // issue notes taken into it (removal only)
  StockDocument stock;
};

// An issue note an invoice is made from, and its lines.
struct NoteRef {
  std::string rd, nrd;
  uint32_t recno = 0;
  std::vector<uint32_t> lines;
};

enum class Operation { kNew, kReplace, kRemove };

class Poster {
 public:
  Poster(session::Session& s, store::StoreUi& ui, int klucz, bool remove)
      : s_(s), ui_(ui), klucz_(klucz), op_(remove ? Operation::kRemove : klucz == 2 ? Operation::kReplace : Operation::kNew) {}
  ~Poster() { ReleaseAll(); }
  Poster(const Poster&) = delete;
  Poster& operator=(const Poster&) = delete;

  bool Run();

 private:
  std::string Var(std::string_view name) const { return s_.vars().Text(name); }
  double VarNum(std::string_view name) const { return s_.vars().Number(name); }
  // A document that takes a new number (entry mode, or a number typed for a kind [NRD]).
  bool New() const { return op_ == Operation::kNew; }
  // Corrected documents are posted in correction mode, whatever became of the old one.
  bool EntryMode() const { return klucz_ != 2; }

  bool ReadDocument();
  bool ReadPosted();
  bool ReadNotes();
  bool NotesMarkerAllowed();
  bool BillsTheNotes();
  bool TakeLocks(bool* gone_found);
  bool LockRecordOf(xbase::WorkArea& a, uint32_t recno, std::string_view what);
  bool LockArticles();
  bool LockArticle(Article& a);
  void ReleaseAll();
  bool GiveNumber();
  void PlanOldLines();
  void PlanLines();
  void PlanLine(WorkLine& line);
  void PlanReceiptRecord(Article& a, double q);
  void PlanReservations();
  FieldList HeaderFields() const;
  std::optional<FieldList> SettlementFields() const;
  void PlanHeader();
  void PlanLineRecords();
  void PlanArticles();
  void PlanSettlement();
  void PlanNotes();
  Status ApplyKorekty();
  bool Fail(std::string_view text);
  Article* ArticleOf(std::string_view mag, std::string_view indeks);

  session::Session& s_;
  store::StoreUi& ui_;
  int klucz_;
  Operation op_;

  KindRecord kind_;
  StockDocument stock_;
  std::vector<WorkLine> lines_;
  std::string rd_, nrd_, mag_, odb_, waluta_, odbiorca_;
  double kurs_ = 0;
  JulianDay data_ = kEmptyDate;
  long counter_ = 0;  // the kind's NRD after posting
  bool uzgodnic_n_ = false;
  PostedDocument posted_;
  std::vector<NoteRef> notes_;
  Ledger ledger_;

  std::map<std::string, Article> articles_;  // by MAG+INDEKS
  std::vector<FieldList> dow_records_;
  double wartosc0_ = 0, netto_ = 0, vat_ = 0;
  PostingPlan plan_;

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
    if (xbase::WorkArea* a = AreaOf(s_, id)) (void)a->Unlock();  // releasing a lock we hold cannot lose data
  }
}

Article* Poster::ArticleOf(std::string_view mag, std::string_view indeks) {
  auto it = articles_.find(ArticleKey(mag, indeks));
  return it == articles_.end() || it->second.recno == 0 ? nullptr : &it->second;
}

// ---- 1. the document --------------------------------------------------------------------

bool Poster::ReadDocument() {
  const DocKind& k = kind_.kind;
  waluta_ = Var("M_WALUTA");
  kurs_ = VarNum("M_KURS");
  if (!IsForeignCurrency(waluta_)) {
    waluta_.clear();
    kurs_ = 0;
  }
  if (op_ != Operation::kRemove) {
    auto lines = ReadWorkLines(s_);
    if (!lines.ok()) return Fail("Błąd odczytu pozycji dowodu"_pl);
    lines_ = std::move(*lines);
  }
  // J_FA_SORT: a sale goes in by warehouse and article code.
  if (k.IsSale() && XbaseEquals(s_.settings().Text("J_FA_SORT"), "T")) SortSaleLines(lines_);
  mag_ = Var("M_MAG");
  if (IsBlank(mag_) || mag_ == "0") mag_ = s_.settings().MagGlow();
  mag_ = PadR(mag_, 1);
  odb_ = PadR(Var("M_ODB"), 8);
  data_ = s_.vars().Date("M_DATA");
  if (data_ == kEmptyDate) data_ = s_.Today();
  // An issue note is never paid: the goods are paid by the invoice made from it.
  if (k.RdIs("WZ")) {
    s_.vars().Set("M_SPZ", Value(std::string("B")));
    s_.vars().Set("M_TEZ", Value(0.0));
  }
  const std::string line_mag = IsBlank(Var("M_MAG")) ? std::string("1") : Left(Var("M_MAG"), 1);
  for (size_t i = 0; i < lines_.size(); ++i) {
    WorkLine& line = lines_[i];
    if (IsBlank(line.Text("MAG"))) line.Set("MAG", Value(line_mag));
    if (i == 0) {
      line.Set("SPZ", Value(PadR(Var("M_SPZ"), 1)));
      line.Set("TEZ", Value(VarNum("M_TEZ")));
    }
  }
  odbiorca_ = Var("M_ODBIORCA");
  if (New() && !IsBlank(Var(kNotesVariable)) && !FromIssueNotes(k, odbiorca_)) {
    // The invoice of issue notes says so in its header, where corrections and the checker
    // read it.
    odbiorca_ = "WZ " + LTrim(odbiorca_);
  }
  stock_.kind = k;
  stock_.odb = odb_;
  stock_.from_issue_notes = FromIssueNotes(k, odbiorca_);
  stock_.kurs = kurs_;
  stock_.entry = EntryMode();
  stock_.j_odch = s_.settings().Text("J_ODCH") == "T";
  stock_.j_zle_uzgo = s_.settings().Text("J_ZLE_UZGO") == "T";
  return true;
}

PostedRecord ReadRecord(xbase::WorkArea& a, uint32_t recno) {
  PostedRecord r;
  r.recno = recno;
  if (!a.GoTo(recno).ok()) return r;
  for (int i = 0; i < a.field_count(); ++i) {
    auto v = a.Get(i);
    if (v.ok()) r.fields.fields.emplace_back(a.field(i).name, *v);
  }
  return r;
}

bool Poster::ReadPosted() {
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  const std::vector<uint32_t> headers = RecordsOf(*dowod, rd_, nrd_);
  if (headers.empty()) {
    if (op_ == Operation::kRemove) return Fail("Brak dowodu " + DocText(rd_, nrd_));
    // A number typed for a kind that allows it ([NRD]): a new document under it.
    op_ = Operation::kNew;
    return true;
  }
  posted_.found = true;
  posted_.header = ReadRecord(*dowod, headers.front());
  const WorkLine& h = posted_.header.fields;
  for (uint32_t r : RecordsOf(*dow, rd_, nrd_)) posted_.lines.push_back(ReadRecord(*dow, r));
  const std::string spz = h.Text("SPZ");
  if (fa != nullptr && fa->FieldIndex("MAG") >= 0) {
    const Ymd doc = YmdFromJulian(h.Get("DATA").AsDate().day);
    for (uint32_t r : RecordsOf(*fa, rd_, nrd_)) {
      if (!fa->GoTo(r).ok()) continue;
      const Ymd entry = YmdFromJulian(DateOf(*fa, "DATA"));
      if (TextOf(*fa, "MAG") == "0" || entry.year != doc.year || entry.month != doc.month) continue;
      posted_.entries.push_back(r);
    }
  }
  StockDocument& old = posted_.stock;
  old.kind = kind_.kind;
  old.odb = PadR(h.Text("ODB"), 8);
  old.from_issue_notes = FromIssueNotes(kind_.kind, h.Text("ODBIORCA"));
  old.kurs = IsForeignCurrency(h.Text("WALUTA")) ? h.Number("KURS") : 0;
  old.entry = true;
  old.j_odch = stock_.j_odch;
  old.j_zle_uzgo = stock_.j_zle_uzgo;
  if (op_ == Operation::kRemove && old.from_issue_notes) {
    // The notes taken into the invoice are free again once it is gone.
    const uint32_t back = dowod->recno();
    const int order = dowod->order();
    Status st = dowod->SetOrder(0);
    for (st = st.ok() ? dowod->GoTop() : st; st.ok() && !dowod->eof(); st = dowod->Skip()) {
      if (PadR(TextOf(*dowod, "R_RD"), 3) == rd_ && PadL(AllTrim(TextOf(*dowod, "R_NRD")), 8) == nrd_) {
        posted_.notes.push_back(ReadRecord(*dowod, dowod->recno()));
      }
    }
    (void)dowod->SetOrder(order);  // a failed order change leaves the natural order: only a position
    (void)dowod->GoTo(back);
    if (!st.ok()) return Fail("Plik dowod niedostepny");
  }
  return true;
}

// The issue notes named by the invoice-from-notes routine (kNotesVariable: RD and NRD of
// each, 11 characters apiece).
bool Poster::ReadNotes() {
  const std::string list = Var(kNotesVariable);
  if (IsBlank(list) || !New()) return true;
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  for (size_t at = 0; at + 11 <= list.size(); at += 11) {
    NoteRef n;
    n.rd = PadR(list.substr(at, 3), 3);
    n.nrd = PadL(AllTrim(list.substr(at + 3, 8)), 8);
    const std::vector<uint32_t> headers = RecordsOf(*dowod, n.rd, n.nrd);
    if (headers.empty()) return Fail("Brak dowodu " + DocText(n.rd, n.nrd) + " - faktura nie zapisana");
    n.recno = headers.front();
    n.lines = RecordsOf(*dow, n.rd, n.nrd);
    notes_.push_back(std::move(n));
  }
  return true;
}

// The header text "WZ …" marks an invoice made from issue notes; only the routine that
// makes one sets it, and a correction keeps it.
bool Poster::NotesMarkerAllowed() {
  const bool marked = FromIssueNotes(kind_.kind, odbiorca_);
  if (op_ == Operation::kReplace && posted_.stock.from_issue_notes && !marked) {
    odbiorca_ = "WZ " + LTrim(odbiorca_);
    stock_.from_issue_notes = true;
    return true;
  }
  const bool linked = op_ == Operation::kNew ? !notes_.empty() : posted_.stock.from_issue_notes;
  if (marked && !linked && op_ != Operation::kRemove) {
    return Fail(std::string("Uwagi \"WZ ...\" ma tylko faktura do WZ - zmień uwagi"_pl));
  }
  return true;
}

// An invoice made from issue notes bills exactly the goods of its notes: its stock moved
// with them, so a quantity of its own would be goods nobody issued.
bool Poster::BillsTheNotes() {
  if (op_ == Operation::kRemove || !stock_.from_issue_notes) return true;
  std::map<std::string, double> billed, issued;
  for (const WorkLine& l : lines_) billed[ArticleKey(l.Text("MAG"), l.Text("INDEKS"))] += l.Number("ILOSC");
  if (op_ == Operation::kReplace) {
    for (const PostedRecord& l : posted_.lines) {
      issued[ArticleKey(l.fields.Text("MAG"), l.fields.Text("INDEKS"))] += l.fields.Number("ILOSC");
    }
  } else {
    xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
    for (const NoteRef& n : notes_) {
      for (uint32_t r : n.lines) {
        if (!dow->GoTo(r).ok()) return Fail("Plik dow niedostepny");
        issued[ArticleKey(TextOf(*dow, "MAG"), TextOf(*dow, "INDEKS"))] += NumberOf(*dow, "ILOSC");
      }
    }
  }
  for (auto* side : {&billed, &issued}) {
    for (const auto& [key, q] : *side) {
      if (FormatFixed(billed[key], 3) != FormatFixed(issued[key], 3)) {
        return Fail(std::string("Ilość inna niż na WZ: "_pl) + key.substr(0, 1) + "-" + RTrim(key.substr(1)));
      }
    }
  }
  return true;
}

// ---- 2. locks ---------------------------------------------------------------------------

bool Poster::LockRecordOf(xbase::WorkArea& a, uint32_t recno, std::string_view what) {
  const Status st = store::Retry(ui_, store::RetryRule::kPauseAfter, kRecordLockWait,
                                 [&] { return a.LockRecord(recno); });
  if (st.ok()) return true;
  return Fail(std::string(what) + std::string(" zajęty na innym stanowisku - dowód nie zapisany"_pl));
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
    a.before.Set(f, *v, true);
    a.now.Set(f, *v, true);
  }
  return true;
}

bool Poster::LockArticles() {
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  if (as->order() != 1 && !as->SetOrder(1).ok()) return Fail("Plik as niedostepny");
  const bool transfer = kind_.kind.IsTransfer();
  // Every article of the new lines and of the posted ones, the destinations of transfers
  // (the new and the old destination) and the articles the station's ledger holds.
  std::vector<std::pair<std::string, std::string>> keys;  // key, the source of a new destination
  auto add = [&](const WorkLine& line, const std::string& odb) {
    if (IsBlank(line.Text("INDEKS"))) return;
    const std::string source = ArticleKey(line.Text("MAG"), line.Text("INDEKS"));
    keys.emplace_back(source, "");
    if (transfer) keys.emplace_back(ArticleKey(Left(odb, 1), line.Text("INDEKS")), source);
  };
  for (const WorkLine& line : lines_) add(line, odb_);
  for (const PostedRecord& l : posted_.lines) add(l.fields, posted_.stock.odb);
  for (const auto& [key, entry] : ledger_) {
    if (entry.Held() > 0) keys.emplace_back(key, "");
  }
  for (const auto& [key, source] : keys) {
    if (articles_.count(key) != 0) continue;
    auto found = as->SeekKey(key);
    if (!found.ok()) return Fail("Plik as niedostepny");
    Article a;
    a.key = key;
    if (*found) {
      a.recno = as->recno();
    } else if (!source.empty()) {
      a.source_key = source;
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
      a.before.Set(f, blank, true);
      a.now.Set(f, blank, true);
    }
    a.now.Set("CENA0", Value(src->second.now.Num("CENA0")));
    a.now.Set("CENA_PZ", Value(src->second.now.Num("CENA_PZ")));
    a.now.Set("ODB", Value(src->second.now.Text("ODB")));
  }
  return true;
}

bool Poster::TakeLocks(bool* gone_found) {
  *gone_found = false;
  xbase::WorkArea* slow = AreaOf(s_, store::TableId::kSlow);
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (slow == nullptr || as == nullptr || dowod == nullptr || dow == nullptr) return Fail("Plik slow/as niedostepny");
  if (New()) {
    if (!slow->GoTo(kind_.recno).ok() || !store::RecLockArea(ui_, *slow, kKindLockWait).ok()) {
      return Fail("Rodzaj dowodu " + RTrim(rd_) + std::string(" zajęty na innym stanowisku - dowód nie zapisany"_pl));
    }
    kind_.nrd = static_cast<long>(NumberOf(*slow, "NRD"));  // as it is under the lock
  }
  if (posted_.found) {
    const std::string doc = std::string("Dowód "_pl) + DocText(rd_, nrd_);
    if (!LockRecordOf(*dowod, posted_.header.recno, doc)) return false;
    // Read again under the lock: what is replaced is what is on file now.
    posted_.header = ReadRecord(*dowod, posted_.header.recno);
    if (dowod->deleted()) return Fail(doc + std::string(" został usunięty na innym stanowisku"_pl));
    for (PostedRecord& l : posted_.lines) {
      if (!LockRecordOf(*dow, l.recno, std::string("Pozycja dowodu "_pl) + DocText(rd_, nrd_))) return false;
      l = ReadRecord(*dow, l.recno);
    }
    for (uint32_t r : posted_.entries) {
      if (!LockRecordOf(*fa, r, std::string("Rozrachunek dowodu "_pl) + DocText(rd_, nrd_))) return false;
    }
    for (PostedRecord& n : posted_.notes) {
      if (!LockRecordOf(*dowod, n.recno, std::string("Dowód "_pl) + DocText(n.fields.Text("RD"), n.fields.Text("NRD")))) return false;
    }
  }
  for (NoteRef& n : notes_) {
    const std::string doc = std::string("Dowód "_pl) + DocText(n.rd, n.nrd);
    if (!LockRecordOf(*dowod, n.recno, doc)) return false;
    if (!dowod->GoTo(n.recno).ok()) return Fail("Plik dowod niedostepny");
    const std::string r_rd = TextOf(*dowod, "R_RD");
    const std::string r_nrd = TextOf(*dowod, "R_NRD");
    if (dowod->deleted()) return Fail(doc + std::string(" został usunięty - faktura nie zapisana"_pl));
    if (!IsBlank(r_rd) || !IsBlank(r_nrd)) {
      return Fail(doc + std::string(" jest już na fakturze "_pl) + DocText(r_rd, r_nrd) + " - faktura nie zapisana");
    }
    if (PadR(TextOf(*dowod, "ODB"), 8) != odb_) {
      return Fail(doc + std::string(" jest innego odbiorcy - faktura nie zapisana"_pl));
    }
    for (uint32_t r : n.lines) {
      if (!LockRecordOf(*dow, r, std::string("Pozycja dowodu "_pl) + DocText(n.rd, n.nrd))) return false;
    }
  }
  if (!LockArticles()) return false;
  // A station that died while it held one of these records (the kind's counter, an
  // article) may have left its changes half written: they are taken back before anything
  // here is read or planned, so that no change of this posting lands between them and
  // their taking back.
  if (GoneStationsLeftWork(s_)) {
    *gone_found = true;
    ReleaseAll();
    return false;
  }
  return true;
}

// ---- 3. the number ----------------------------------------------------------------------

bool Poster::GiveNumber() {
  const DocKind& k = kind_.kind;
  counter_ = kind_.nrd;
  if (!New()) return true;
  if (klucz_ == 2) {
    // A new document under a number typed for a kind that allows it ([NRD]).
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

// ---- 4. the plan ------------------------------------------------------------------------

// The posted lines' stock comes back first, so that the corrected lines apply to the
// cards as they were before the document.
void Poster::PlanOldLines() {
  const bool averages = ReceiptAveragesCost(posted_.stock);
  for (const PostedRecord& l : posted_.lines) {
    const WorkLine& f = l.fields;
    Article* art = ArticleOf(f.Text("MAG"), f.Text("INDEKS"));
    if (art == nullptr) continue;
    auto dest = articles_.find(ArticleKey(DestinationMag(posted_.stock), f.Text("INDEKS")));
    CardValues* dest_card = dest != articles_.end() && dest->second.recno != 0 ? &dest->second.now : nullptr;
    StockLine line{f.Number("ILOSC"), f.Number("CENA"), f.Number("CENA0"), f.Text("PARTIA")};
    ApplyLineToCards(posted_.stock, line, art->now, dest_card, Direction::kTakeBack, averages);
  }
}

void Poster::PlanLines() {
  int n = 0;
  std::string lp;
  for (WorkLine& line : lines_) {
    ++n;
    lp = LineNumberFor(n, lp);
    line.Set("LP", Value(lp));
    PlanLine(line);
  }
  if (kind_.kind.s_z == 'X') netto_ = wartosc0_;
  if (kind_.kind.IsCombined() && kind_.kind.IsReceipt() && kind_.kind.HasTag("(SD)")) vat_ = 0;
  wartosc0_ = NewRound(wartosc0_, 2);
  netto_ = NewRound(netto_, 2);
  vat_ = NewRound(vat_, 2);
}

void Poster::PlanLine(WorkLine& line) {
  const DocKind& k = kind_.kind;
  const double q = line.Number("ILOSC");
  const double cena = line.Number("CENA");
  double cena0 = line.Number("CENA0");
  Article* art = IsBlank(line.Text("INDEKS")) ? nullptr : ArticleOf(line.Text("MAG"), line.Text("INDEKS"));
  const std::string klasa = k.Klasa();
  const bool receipt = MoveOf(stock_) == StockMove::kReceipt;
  // Cost price of the line (a receipt's comes with its stock, below).
  if (art != nullptr && !receipt) {
    if (klasa == "KS" && EntryMode() && cena0 == 0) {
      cena0 = art->now.Num("CENA0");
    } else if (EntryMode() && !k.HasTag("CENA_PZ") && !k.HasTag("DYSK") && k.r_p != 'K' &&
               !k.HasTag("FAKTURA VAT MARZA") && !(k.IsReceipt() || klasa == "KZ")) {
      cena0 = art->now.Num("CENA0");
    } else if (!EntryMode() && k.IsClass("RD") && k.InPurchasePrices()) {
      cena0 = cena;
    }
  }
  // Stock.
  if (art != nullptr) {
    auto dest = articles_.find(ArticleKey(DestinationMag(stock_), line.Text("INDEKS")));
    CardValues* dest_card = dest != articles_.end() ? &dest->second.now : nullptr;
    StockLine sl{q, cena, cena0, line.Text("PARTIA")};
    const double cost = ApplyLineToCards(stock_, sl, art->now, dest_card, Direction::kApply, ReceiptAveragesCost(stock_));
    if (receipt) {
      cena0 = cost;
      PlanReceiptRecord(*art, q);
      // The last purchase price.
      if ((k.IsPurchase() && q > 0) || art->now.Num("CENA_PZ") == 0) {
        double price = cena;
        if (!waluta_.empty() && k.IsPurchase()) price = RoundHalfAway(price * kurs_, 2);
        art->now.Set("CENA_PZ", Value(price));
      }
    }
    if ((k.IsSale() || klasa == "KS") && EntryMode() && !k.RdIs("SD") && !stock_.from_issue_notes &&
        art->now.Date("DATA_PZ") <= data_) {
      double sd = RoundHalfAway(art->now.Num("ILOSC_SD") + q, 3);
      if (sd > 99999999) sd = 0;
      art->now.Set("ILOSC_SD", Value(sd));
      art->now.Set("DATA_SD", Value(xbase::Date{data_}));
    }
  }
  const double wartosc = NewRound(q * cena, 2);
  line.Set("CENA0", Value(cena0));
  line.Set("WARTOSC", Value(wartosc));

  // The dow record.
  FieldList rec;
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
}

// A receipt records the supplier and the last receipt on the card.
void Poster::PlanReceiptRecord(Article& a, double q) {
  const DocKind& k = kind_.kind;
  if (!IsBlank(odb_) && (k.IsPurchase() || IsBlank(a.now.Text("ODB")))) a.now.Set("ODB", Value(odb_));
  if (k.IsReceipt() && !k.RdIs("BO") && q > 0 && a.now.Date("DATA_PZ") <= data_) {
    a.now.Set("S_Z_PZ", Value(std::string(k.IsPurchase() ? "Z" : "D")));
    a.now.Set("DATA_PZ", Value(xbase::Date{data_}));
    a.now.Set("RD_PZ", Value(rd_));
    a.now.Set("NRD_PZ", Value(nrd_));
    const std::string spz = Var("M_SPZ");
    a.now.Set("TEZ_PZ", Value(k.IsPurchase() || spz == "T" ? VarNum("M_TEZ") : 14.0));
    a.now.Set("ILOSC_PZ", Value(q));
    a.now.Set("ILOSC_SD", Value(0.0));
    a.now.Set("DATA_SD", Value(xbase::Date{data_}));
  }
}

// What the station's document held back is issued now (or, for a removal, let go).
void Poster::PlanReservations() {
  for (const auto& [key, entry] : ledger_) {
    const double held = entry.Held();
    if (held <= 0) continue;
    auto it = articles_.find(key);
    if (it == articles_.end() || it->second.recno == 0) continue;
    CardValues& card = it->second.now;
    card.Set("REZERWA0", Value(std::max(0.0, RoundHalfAway(card.Num("REZERWA0") - held, 3))));
  }
}

FieldList Poster::HeaderFields() const {
  const DocKind& k = kind_.kind;
  FieldList h;
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
  for (std::string_view f : {"NIP_KRAJ", "REGON", "NODB", "NODB1", "UODB", "KODB", "MODB", "ODBIORC1", "JPK_XX",
                             "TYP_DOK"}) {
    text(f, "M_" + std::string(f));
  }
  h.emplace_back("ODBIORCA", Value(odbiorca_));
  const std::string spz = PadR(Var("M_SPZ"), 1);
  double tez = VarNum("M_TEZ");
  if (k.IsPurchase() && spz == "P" && tez == 0) tez = 15;
  h.emplace_back("SPZ", Value(spz));
  h.emplace_back("TEZ", Value(tez));
  h.emplace_back("KWOTA", Value(NewRound(VarNum("M_KWOTA"), 2)));
  if (EntryMode()) h.emplace_back("OPERATOR", Value(Left(s_.op().nr, 1)));
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
  if (!EntryMode()) h.emplace_back("ZAP", Value(std::string("2")));
  return h;
}

void Poster::PlanHeader() {
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  if (op_ == Operation::kRemove) {
    PlannedChange& c = plan_.Change(dowod, posted_.header.recno);
    c.set = {{"ZAP", Value(std::string("2"))},
             {"R_DATA", Value(xbase::Date{s_.Today()})},
             {"R_CZAS", Value(s_.clock().TimeText())}};
    c.deleted = true;
    return;
  }
  if (op_ == Operation::kReplace) {
    plan_.Change(dowod, posted_.header.recno).set = HeaderFields();
    return;
  }
  plan_.appends.push_back({dowod, HeaderFields(), {{"RD", rd_}, {"NRD", nrd_}}, kHeaderAppendWait});
}

// Corrected lines go over the posted records of the same number; posted lines beyond the
// corrected ones are deleted, corrected lines beyond the posted ones appended.
void Poster::PlanLineRecords() {
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  std::map<std::string, uint32_t> by_lp;
  for (const PostedRecord& l : posted_.lines) by_lp.emplace(l.fields.Text("LP"), l.recno);
  std::set<uint32_t> reused;
  for (const FieldList& rec : dow_records_) {
    std::string lp;
    for (const auto& [name, value] : rec) {
      if (name == "LP") lp = value.AsString();
    }
    auto it = by_lp.find(PadL(AllTrim(lp), 3));
    if (it == by_lp.end()) it = by_lp.find(lp);
    if (op_ == Operation::kReplace && it != by_lp.end() && reused.count(it->second) == 0) {
      PlannedChange& c = plan_.Change(dow, it->second);
      c.set = WholeRecord(*dow, rec);
      c.deleted = false;
      reused.insert(it->second);
      continue;
    }
    plan_.appends.push_back({dow, rec, {{"RD", rd_}, {"NRD", nrd_}}, kLineAppendWait});
  }
  for (const PostedRecord& l : posted_.lines) {
    if (reused.count(l.recno) == 0) plan_.Change(dow, l.recno).deleted = true;
  }
}

void Poster::PlanArticles() {
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  for (auto& [key, a] : articles_) {
    if (a.recno == 0) {
      FieldList fields = {{"MAG", Value(key.substr(0, 1))}, {"INDEKS", Value(key.substr(1))}};
      for (const auto& f : a.copied) fields.push_back(f);
      for (const auto& [field, value] : a.now.fields()) fields.emplace_back(field, value);
      plan_.appends.push_back({as, fields, {{"MAG", key.substr(0, 1)}, {"INDEKS", key.substr(1)}}, kArticleLockWait});
      continue;
    }
    FieldList changed;
    for (const auto& [field, value] : a.now.fields()) {
      const Value* before = a.before.Find(field);
      if (before == nullptr || !(*before == value)) changed.emplace_back(field, value);
    }
    if (!changed.empty()) plan_.Change(as, a.recno).set = std::move(changed);
  }
}

// ILE_WPLACA: the settlement entry of the document (none for cash, no payment, pro-formas).
std::optional<FieldList> Poster::SettlementFields() const {
  const DocKind& k = kind_.kind;
  const std::string spz = PadR(Var("M_SPZ"), 1);
  if (spz == "G" || spz == "B" || k.HasTag("PROFORMA")) return std::nullopt;
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (fa == nullptr || fa->FieldIndex("MAG") < 0) return std::nullopt;
  double value = NewRound(netto_ + vat_, 2);
  if (k.IsPurchase() && (k.HasTag("WEWN") || k.HasTag("ODWROTNE")) && data_ < JulianFromYmd(2019, 11, 1)) {
    value = netto_;
  }
  const double paid = NewRound(VarNum("M_KWOTA"), 2);
  const std::string klasa = k.Klasa();
  const bool debit = k.IsIssue() || k.IsTransfer() || klasa == "KS";
  const bool credit = k.IsReceipt() || klasa == "KZ";
  const double tez = VarNum("M_TEZ");
  FieldList e = {
      {"R_P", Value(std::string(1, k.r_p))},
      {"ODB", Value(odb_)},
      {"DATA", Value(xbase::Date{data_})},
      {"MAG", Value(mag_ == "0" ? std::string("1") : mag_)},
      {"RD", Value(rd_)},
      {"NRD", Value(nrd_)},
      {"TRESC", Value(Left(odbiorca_, 17))},
      {"SPZ", Value(spz)},
      {"TEZ", Value(tez)},
      {"TERMIN", Value(xbase::Date{static_cast<JulianDay>(data_ + static_cast<JulianDay>(tez))})},
      {"KTO", Value(std::string(1, k.kto))},
      {"OBWN", Value(debit ? value : paid)},
      {"OBMA", Value(credit ? value : paid)},
  };
  if (!waluta_.empty()) {
    e.emplace_back("WALUTA_X", Value(std::string("X")));
    e.emplace_back("WALUTA", Value(waluta_));
    e.emplace_back("KURS", Value(kurs_));
  }
  return e;
}

// A corrected document reuses its first entry of the month; its other entries go, and so
// do all of them when the corrected document is paid in cash or removed.
void Poster::PlanSettlement() {
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  std::optional<FieldList> entry = op_ == Operation::kRemove ? std::nullopt : SettlementFields();
  size_t next = 0;
  if (entry && !posted_.entries.empty()) {
    PlannedChange& c = plan_.Change(fa, posted_.entries.front());
    c.set = WholeRecord(*fa, *entry);
    c.deleted = false;
    next = 1;
  } else if (entry) {
    plan_.appends.push_back({fa, *entry, {{"RD", rd_}, {"NRD", nrd_}}, kLineAppendWait});
  }
  for (size_t i = next; i < posted_.entries.size(); ++i) plan_.Change(fa, posted_.entries[i]).deleted = true;
}

// The issue notes of an invoice point at it (and their lines name it); a removed invoice
// lets its notes go.
void Poster::PlanNotes() {
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  const bool named = dow->FieldIndex("NAZWA_EX") >= 0;
  for (const NoteRef& n : notes_) {
    plan_.Change(dowod, n.recno).set = {{"R_RD", Value(rd_)}, {"R_NRD", Value(nrd_)}};
    if (!named) continue;
    for (uint32_t r : n.lines) plan_.Change(dow, r).set = {{"NAZWA_EX", Value(DocText(rd_, nrd_))}};
  }
  for (const PostedRecord& n : posted_.notes) {
    plan_.Change(dowod, n.recno).set = {{"R_RD", Value(std::string())}, {"R_NRD", Value(std::string())}};
    if (!named) continue;
    const std::string note_rd = PadR(n.fields.Text("RD"), 3);
    const std::string note_nrd = PadL(AllTrim(n.fields.Text("NRD")), 8);
    for (uint32_t r : RecordsOf(*dow, note_rd, note_nrd)) {
      if (!dow->GoTo(r).ok() || RTrim(TextOf(*dow, "NAZWA_EX")) != DocText(rd_, nrd_)) continue;
      if (!dow->LockRecord(r).ok()) continue;  // the name is a remark; the link is the header's
      plan_.Change(dow, r).set = {{"NAZWA_EX", Value(std::string())}};
    }
  }
}

// ---- the run ----------------------------------------------------------------------------

bool Poster::Run() {
  // 1. The document.
  rd_ = PadR(Var("M_RD"), 3);
  auto kind = ReadKind(s_, rd_);
  if (!kind.ok()) return Fail("Brak rodzaju dowodu " + rd_);
  kind_ = *kind;
  const DocKind& k = kind_.kind;
  if (op_ != Operation::kRemove && k.IsSale() &&
      (Var("M_TRESC").find("OFERTA") != std::string::npos || Var("M_ODBIORCA").find("OFERTA") != std::string::npos)) {
    (void)console::Okno(s_.con(), "Zapisac OFERTĘ ?"_pl, "T");  // an offer is never posted, whatever the answer
    return false;
  }
  if (op_ != Operation::kRemove &&
      (k.RdIs("ZAM") || (k.IsSale() && k.HasTag("ZAMOWIEN") && s_.FileX("FV_ZAL.TXT")))) {
    return ZapiszZam(s_, ui_, klucz_);
  }
  nrd_ = PadL(AllTrim(Var("M_NRD")), 8);
  if (!ReadDocument()) return false;
  if (op_ != Operation::kNew && !ReadPosted()) return false;
  if (!ReadNotes()) return false;
  if (!NotesMarkerAllowed()) return false;
  auto ledger = ReadLedger(s_.env(), LedgerPath(s_.root(), s_.stacja()));
  if (!ledger.ok()) return Fail(std::string("Błąd pliku rezerwacji stanowiska: "_pl) + ledger.status().message());
  ledger_ = std::move(*ledger);

  // 2. Locks, with what stations that are gone left taken back first (and this station's
  // own journal, should a posting of its own have failed to take itself back); 3. the
  // number.
  if (const Status own = TakeBackOwnJournal(s_); !own.ok()) {
    return Fail(std::string("Nie cofnięto poprzedniego zapisu: "_pl) + own.message());
  }
  TakeBackGoneStations(s_, ui_);
  bool locked = false;
  for (int round = 0; round < kRecoveryRounds && !locked; ++round) {
    bool gone_found = false;
    locked = TakeLocks(&gone_found);
    if (!locked && !gone_found) return false;
    if (!locked) TakeBackGoneStations(s_, ui_);
  }
  if (!locked) return Fail("Nie moge zapisac dowodu - sprobuj jeszcze raz");
  if (!BillsTheNotes()) return false;
  if (!GiveNumber()) return false;

  // 4. The plan.
  PlanOldLines();
  PlanLines();
  PlanReservations();
  xbase::WorkArea* slow = AreaOf(s_, store::TableId::kSlow);
  if (New() && klucz_ != 2) {
    PlannedChange& c = plan_.Change(slow, kind_.recno);
    c.set = {{"NRD", Value(static_cast<double>(counter_))}};
    if (uzgodnic_n_) c.set.emplace_back("UZGODNIC", Value(std::string("N")));
  }
  PlanHeader();
  PlanLineRecords();
  PlanArticles();
  PlanSettlement();
  PlanNotes();

  // 5. Journal.
  journal_path_ = JournalPath(s_.root(), s_.stacja());
  journal_ = PostingJournal{};
  journal_.what = rd_ + nrd_;
  Status st = s_.env().CreateDirs(s_.Path("rob"));
  if (st.ok()) st = JournalPlan(plan_, s_.root(), journal_);
  if (st.ok()) st = WriteJournal(s_.env(), journal_path_, journal_);
  if (!st.ok()) {
    (void)RemoveJournal(s_.env(), journal_path_);  // nothing was written: a journal left would be taken back harmlessly
    return Fail("Nie moge zapisac dziennika - dowod nie zapisany");
  }

  // 6. Tables.
  st = ApplyKorekty();
  if (st.ok()) st = ApplyPlan(plan_, ui_);
  if (st.ok()) st = DowCommit(s_, k.kto);
  if (!st.ok()) {
    // Taken back while every lock is still held: another station that got a record now
    // would build on what is about to be undone.
    for (store::TableId id : {store::TableId::kAs, store::TableId::kDowod, store::TableId::kDow,
                              store::TableId::kFaN, store::TableId::kSlow}) {
      if (xbase::WorkArea* a = AreaOf(s_, id)) (void)a->GoTop();  // only a position before the undo
    }
    const Status undone = UndoJournal(s_.areas(), s_.root(), journal_);
    // A journal that could not be taken back stays; the station's next posting (or the
    // next station, once this one is gone) takes it back first.
    if (undone.ok()) (void)RemoveJournal(s_.env(), journal_path_);
    ReleaseAll();
    return Fail(std::string("Błąd zapisu - dowód nie zapisany: "_pl) + st.ToString());
  }
  // The document is on disk: the journal goes, then the station's reservations, which
  // posting has just issued.
  const Status removed = RemoveJournal(s_.env(), journal_path_);
  const Status released = WriteLedger(s_.env(), LedgerPath(s_.root(), s_.stacja()), Ledger{});
  ReleaseAll();
  if (!removed.ok() || !released.ok()) {
    // Both are taken back right by any station once this one is gone; say so now.
    Tell(s_, "Dowod zapisany; nie usunieto pliku roboczego w rob");
  }
  if (op_ != Operation::kRemove) {
    s_.vars().Set("M_NRD", Value(nrd_));
    s_.vars().Set("M_ODBIORCA", Value(odbiorca_));
  }
  s_.vars().Set(kNotesVariable, Value(std::string()));
  return true;
}

// The corrections register KOREKTY/KOREK_<YY>: a correction that names the corrected
// document is recorded once per pair. It is appended (and journalled) before the
// posting's other writes.
Status Poster::ApplyKorekty() {
  if (op_ == Operation::kRemove) return Status::Ok();
  const std::string klasa = kind_.kind.Klasa();
  if (klasa != "KS" && klasa != "KZ") return Status::Ok();
  std::string kor_rd = PadR(Var("M_RD_KOR"), 3);
  std::string kor_nrd = PadL(AllTrim(Var("M_NRD_KOR")), 8);
  JulianDay kor_data = s_.vars().Date("M_DATA_KOR");
  if (IsBlank(kor_rd) || IsBlank(kor_nrd)) {
    // The corrected document as the header names it ("Nr faktury korygowanej").
    const std::optional<CorrectedDocument> named = CorrectedDocumentOf(odbiorca_);
    if (!named) return Status::Ok();
    kor_rd = named->rd;
    kor_nrd = named->nrd;
    kor_data = kEmptyDate;
  }
  if (kor_data == kEmptyDate) {
    // Its date, when it is a document of this month; the register of the correction's
    // year otherwise.
    xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
    const std::vector<uint32_t> found = RecordsOf(*dowod, kor_rd, kor_nrd);
    if (!found.empty() && dowod->GoTo(found.front()).ok()) kor_data = DateOf(*dowod, "DATA");
  }
  if (kor_data == kEmptyDate) kor_data = data_;
  s_.vars().Set("M_RD_KOR", Value(kor_rd));
  s_.vars().Set("M_NRD_KOR", Value(kor_nrd));
  s_.vars().Set("M_DATA_KOR", Value(xbase::Date{kor_data}));
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
    session::Session& s;
    int area;
    ~Closer() { (void)s.areas().Close(area); }  // the register was committed before
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
  HURT_RETURN_IF_ERROR(PutField(k, "RD", Value(kor_rd)));
  HURT_RETURN_IF_ERROR(PutField(k, "NRD", Value(kor_nrd)));
  HURT_RETURN_IF_ERROR(PutField(k, "DATA", Value(xbase::Date{kor_data})));
  HURT_RETURN_IF_ERROR(PutField(k, "ODB", Value(odb_)));
  HURT_RETURN_IF_ERROR(PutField(k, "RD_", Value(rd_)));
  HURT_RETURN_IF_ERROR(PutField(k, "NRD_", Value(nrd_)));
  HURT_RETURN_IF_ERROR(PutField(k, "DATA_", Value(xbase::Date{data_})));
  HURT_RETURN_IF_ERROR(PutField(k, "ODB_", Value(odb_)));
  HURT_RETURN_IF_ERROR(k.Unlock());
  return k.Commit();
}

}  // namespace

bool RepDowWithD(session::Session& session, store::StoreUi& ui, int mode) {
  if (session.InArchive()) {
    Tell(session, "Praca w archiwum - blokada");
    return false;
  }
  Poster poster(session, ui, mode, /*remove=*/false);
  return poster.Run();
}

bool RepDowWithD(session::Session& session, int mode) {
  session::ConsoleStoreUi ui(session.con());
  return RepDowWithD(session, ui, mode);
}

bool UsunDowod(session::Session& session, store::StoreUi& ui) {
  if (session.InArchive()) {
    Tell(session, "Praca w archiwum - blokada");
    return false;
  }
  Poster poster(session, ui, 2, /*remove=*/true);
  return poster.Run();
}

Result<std::string> ZikoNrd(session::Session& session, std::string_view rd, std::string_view nrd) {
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

Status DowCommit(session::Session& session, char kto) {
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

Status MojCommit(session::Session& session, store::StoreUi& ui, std::span<const int> areas) {
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
    if (saved != r) (void)a->GoTo(saved);  // only the position the caller had
  }
  return Status::Ok();
}

}  // namespace hurt::documents
