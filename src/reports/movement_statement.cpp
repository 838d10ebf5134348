#include "reports/movement_statement.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <string_view>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/doc_kind.h"
#include "documents/header_rules.h"
#include "documents/kind_reader.h"
#include "documents/stock_effect.h"
#include "reports/field_reading.h"
#include "reports/movement_runs.h"
#include "reports/vat_buckets.h"
#include "session/area_position.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "store/schema_field_list.h"
#include "store/table_create.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::reports {

namespace {

using documents::DocKind;
using documents::StockMove;

std::string TwoDigits(int n) { return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)}; }

// The names of the columns the lines change (MovementColumn).
constexpr std::array<std::string_view, kColumns> kColumnNames = {
    "D_BO_I", "D_BO_W", "D_PD_I", "D_PD_W", "D_PZ_I", "D_PZ_W", "D_PZ_V", "D_PZ_B", "D_RS_I",
    "D_RS_W", "D_RS_N", "D_RS_V", "D_RS_B", "D_RD_I", "D_RD_W", "D_RR_I", "D_RR_W"};

// Articles whose changes are gathered before they are written out as a sorted run
// (about 7 MiB).
constexpr size_t kPendingRows = 32768;
// Lines between two reports of progress (and two questions whether to stop).
constexpr long kProgressEvery = 4096;
// Read-ahead blocks of the headers while a month's lines are read, and as usual.
constexpr size_t kHeaderReadBlocks = 32;
constexpr size_t kUsualReadBlocks = 16;
// Headers after the one found before tried before the index is asked.
constexpr uint32_t kHeadersTriedAhead = 8;
// Seconds NET_USE tries to open a table of another month, and the work table.
constexpr double kMonthOpenSeconds = 5;
constexpr double kWorkTableOpenSeconds = 20;

// The four tables of one month, open in the session's areas.
struct MonthTables {
  xbase::WorkArea* dow = nullptr;
  xbase::WorkArea* dowod = nullptr;
  xbase::WorkArea* slow = nullptr;
  xbase::WorkArea* as = nullptr;
};

// The areas and aliases of another month's tables.
struct OtherMonthTable {
  std::string_view file;   // in the month folder
  std::string_view alias;
  int area;
  std::string_view index;  // the order the computation uses ("" none)
};
constexpr OtherMonthTable kOtherMonth[] = {
    {"dow", "dowx", 105, ""},
    {"dowod", "dowodx", 106, "dowod1"},
    {"slow", "slowx", 109, "slow"},
    {"as", "asx", 102, "as"},
};

// The positions of the line fields the pass reads (-1: not in this file).
struct LineFields {
  explicit LineFields(const xbase::Table& t)
      : r_p(t.FieldIndex("R_P")),
        s_z(t.FieldIndex("S_Z")),
        rd(t.FieldIndex("RD")),
        nrd(t.FieldIndex("NRD")),
        data(t.FieldIndex("DATA")),
        mag(t.FieldIndex("MAG")),
        odb(t.FieldIndex("ODB")),
        indeks(t.FieldIndex("INDEKS")),
        nazwa(t.FieldIndex("NAZWA")),
        jm(t.FieldIndex("JM")),
        cena0(t.FieldIndex("CENA0")),
        cena(t.FieldIndex("CENA")),
        nb(t.FieldIndex("NB")),
        ilosc(t.FieldIndex("ILOSC")),
        wartosc(t.FieldIndex("WARTOSC")),
        podatek0(t.FieldIndex("PODATEK0")),
        podatek(t.FieldIndex("PODATEK")),
        dolar_i(t.FieldIndex("DOLAR_I")) {}
  bool Complete() const { return rd >= 0 && nrd >= 0 && data >= 0 && mag >= 0 && indeks >= 0 && ilosc >= 0; }
  int r_p, s_z, rd, nrd, data, mag, odb, indeks, nazwa, jm, cena0, cena, nb, ilosc, wartosc, podatek0, podatek, dolar_i;
};

// What a line needs of its document's header.
struct HeaderFacts {
  std::string odbiorca;
  // The text as the valuation reads it: the 50/50 and 100/100 marks are all it looks for
  // there, so a text without "/" or "\\" is given as "" (blank-padded texts are slow to search).
  std::string marks;
  double kurs = 0, kurs_1 = 0;  // 0 without a foreign currency
  // An invoice made from issue notes (the notes moved the goods), once asked (-1 not yet).
  int from_notes = -1;
  // The 50/50 rule applies to the document's lines (-1 not asked yet).
  int fifty_fifty = -1;
};

// The pending rows of at most `capacity` articles, found by their code: an open-addressing
// table of twice as many slots (each with the code as a number, KeyOrder, so that a probe
// reads one place) over a vector of the rows in the order they came.
class PendingRows {
 public:
  explicit PendingRows(size_t capacity) : slots_(SlotCount(capacity)) { rows_.reserve(capacity); }
  size_t size() const { return rows_.size(); }
  // The row of the code numbered `order`, or nullptr when it has none.
  RunEntry* Find(uint64_t order) {
    const Slot& slot = slots_[SlotOf(order)];
    return slot.at == kFree ? nullptr : &rows_[slot.at];
  }
  // The row of `key`, made empty when it has none (the caller keeps size() below capacity).
  RunEntry& Get(const ArticleKey& key, uint64_t order) {
    Slot& slot = slots_[SlotOf(order)];
    if (slot.at == kFree) {
      slot = {order, static_cast<uint32_t>(rows_.size())};
      rows_.emplace_back().indeks = key;
    }
    return rows_[slot.at];
  }
  std::vector<RunEntry>& rows() { return rows_; }
  void Clear() {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    rows_.clear();
  }

 private:
  static constexpr uint32_t kFree = UINT32_MAX;
  struct Slot {
    uint64_t order = 0;
    uint32_t at = kFree;
  };
  static size_t SlotCount(size_t capacity) {
    size_t n = 1;
    while (n < capacity * 2) n <<= 1;
    return n;
  }
  // The slot holding `order`, or the free one where it belongs.
  size_t SlotOf(uint64_t order) const {
    uint64_t h = order;
    h ^= h >> 33;  // the finaliser of MurmurHash3: every byte reaches the low bits
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    const size_t mask = slots_.size() - 1;
    for (size_t i = static_cast<size_t>(h) & mask;; i = (i + 1) & mask) {
      if (slots_[i].at == kFree || slots_[i].order == order) return i;
    }
  }
  std::vector<Slot> slots_;
  std::vector<RunEntry> rows_;
};

// What the pass keeps of an article card until its row is written.
struct CardFacts {
  std::array<char, 30> nazwa;  // blank-padded
  std::array<char, 3> jm;
  double cena_01, cena0, cena_pz, cena, cena2;
  double bo_i, bo_w, sk_i, sk_w;  // the opening and the stock, quantity and value
};

// A document kind as the pass uses it: the kind, and what its lines do to stock.
struct KindFacts {
  DocKind kind;
  StockMove move = StockMove::kNone;  // of a document not made from issue notes
  bool may_bill_notes = false;        // a sale that may be an invoice made from issue notes
};

class Pass {
 public:
  Pass(session::Session& s, MovementTable& table, const MovementRequest& req, const MovementProgress& progress)
      : s_(s), table_(table), asso_(table.area()), req_(req), progress_(progress) {}
  Result<MovementResult> Run();

 private:
  // Opens another month's tables (the problem said in out_.problem when it cannot).
  bool OpenMonth(const std::string& period, MonthTables* t);
  void CloseMonth();
  Status CopyCards(xbase::WorkArea& as);
  Status Lines(const std::string& period, const MonthTables& t);
  Status Line(const xbase::Record& line, const LineFields& f, const MonthTables& t);
  // Counts a line into its article's pending changes: `receipt` is its effect on stock,
  // `column` the first column of its group (kPdI, kPzI, kRsI, kRdI).
  Status Count(const xbase::Record& line, const LineFields& f, const MonthTables& t, bool before, bool receipt,
               MovementColumn column, const KindFacts& kind);
  // The pending changes of the line's article, the buffer written out first when it is full.
  Result<RunEntry*> PendingFor(const xbase::Record& line, const LineFields& f, double cena0, const MonthTables& t);
  // Writes the buffer to the scratch file as a sorted run, and empties it.
  Status WriteRun(const MonthTables& t);
  // Merges the cards and the runs into the work table, a row per article appended in the
  // order of its index, and indexes it.
  Status WriteRows();
  // The row of an article: its card's, or made from its first line; what the runs from
  // `entries` on added, written in.
  Status WriteRow(const ArticleKey& key, const std::string* card, std::span<const RunEntry> entries);
  // Writes a number into the row being made; the error names the field and the article.
  Status SetNumber(int at, double value, std::string_view indeks);
  const KindFacts* KindOf(xbase::WorkArea* slow, std::string_view rd_bytes, std::string_view r_p,
                          std::string_view s_z);
  HeaderFacts& HeaderOf(xbase::WorkArea* dowod, std::string_view rd, std::string_view nrd);
  bool InGroup(xbase::WorkArea* as, std::string_view indeks);
  int Field(std::string_view name) const { return asso_.FieldIndex(name); }

  session::Session& s_;
  MovementTable& table_;
  xbase::WorkArea& asso_;
  const MovementRequest& req_;
  const MovementProgress& progress_;
  MovementResult out_;
  char mag_ = '1';
  std::string prefix_, group_;
  bool no_fifty_marker_ = false;
  std::array<int, kColumns> column_at_{};
  // The positions of the work table's other fields.
  struct RowFields {
    int mag, indeks, nazwa, jm, cena_01, cena0, cena_pz, cena, cena2, sk_i, sk_w;
  } at_{};
  // The changes the lines counted so far make to the rows, at most kPendingRows articles,
  // and the runs written out before.
  PendingRows pending_{kPendingRows};
  std::vector<std::pair<uint64_t, uint32_t>> order_;  // a run's articles sorted
  std::vector<RunEntry*> sorted_;
  std::unique_ptr<MovementRuns> runs_;
  xbase::Record row_;  // the work table's row being made
  // Kinds of the month being read, once each; the last document's header.
  std::map<std::string, std::optional<KindFacts>, std::less<>> kinds_;
  std::string last_rd_;
  const KindFacts* last_kind_ = nullptr;
  // What the valuation reads of a line, its kind set when the kind changes.
  LineValuationInput in_;
  const KindFacts* valued_kind_ = nullptr;
  std::string header_key_;
  HeaderFacts header_;
  // The header table's fields, and the record number of the last header found.
  struct HeaderFields {
    const xbase::Table* table = nullptr;
    int rd = -1, nrd = -1, odbiorca = -1, waluta = -1, kurs = -1, kurs_1 = -1;
  } header_fields_;
  uint32_t header_recno_ = 0;
  xbase::Record header_guess_;
  std::vector<int> opened_;  // areas of another month open now
};

bool Pass::OpenMonth(const std::string& period, MonthTables* t) {
  session::ConsoleStoreUi ui(s_.con());
  store::StoreContext ctx{s_.areas(), ui};
  // Every table must be there before any is opened.
  std::vector<std::string> files;
  for (const OtherMonthTable& o : kOtherMonth) {
    const std::string name = period + "/" + std::string(o.file);
    const std::string found = session::FindFileAnyCase(s_.env(), s_.root(), name + ".dbf");
    if (found.empty()) {
      out_.problem = "Brak pliku " + name;
      return false;
    }
    files.push_back(found.substr(0, found.size() - 4));
  }
  const int current = s_.areas().current();
  for (size_t i = 0; i < std::size(kOtherMonth); ++i) {
    const OtherMonthTable& o = kOtherMonth[i];
    const std::string name = period + "/" + std::string(o.file);
    Status st = s_.areas().Select(o.area);
    if (st.ok()) st = store::NetUse(ctx, files[i], o.alias, false, kMonthOpenSeconds);
    if (st.ok()) opened_.push_back(o.area);
    if (st.ok() && !o.index.empty()) {
      const std::string ntx =
          session::FindFileAnyCase(s_.env(), s_.root(), period + "/" + std::string(o.index) + ".ntx");
      xbase::WorkArea* a = s_.areas().Area(o.area);
      if (ntx.empty()) {
        st = Status::NotFound(std::string(o.index));
      } else {
        auto n = a->AttachOrder(ntx);
        st = n.ok() ? a->SetOrder(*n) : n.status();
      }
    }
    if (!st.ok()) {
      (void)s_.areas().Select(current);
      out_.problem = "Problem z otwarciem " + name;
      return false;
    }
  }
  (void)s_.areas().Select(current);
  t->dow = s_.areas().Area(105);
  t->dowod = s_.areas().Area(106);
  t->slow = s_.areas().Area(109);
  t->as = s_.areas().Area(102);
  return true;
}

void Pass::CloseMonth() {
  for (int area : opened_) (void)s_.areas().Close(area);
  opened_.clear();
}

Status Pass::CopyCards(xbase::WorkArea& as) {
  session::AreaPosition keep(as);
  if (as.order_count() < 1) return Status::NotFound("Plik as bez indeksu");
  HURT_RETURN_IF_ERROR(as.SetOrder(1));
  auto any = as.SeekKey(std::string(1, mag_), true);
  HURT_RETURN_IF_ERROR(any.status());
  if (!*any) {
    out_.refusal = "Brak mag " + std::string(1, mag_);
    return Status::Ok();
  }
  const std::string from = std::string(1, mag_) + prefix_;
  auto found = as.SeekKey(from, true);
  HURT_RETURN_IF_ERROR(found.status());
  const xbase::Table& t = as.table();
  const int mag = t.FieldIndex("MAG"), indeks = t.FieldIndex("INDEKS"), nazwa = t.FieldIndex("NAZWA"),
            jm = t.FieldIndex("JM"), cena_01 = t.FieldIndex("CENA_01"), cena0 = t.FieldIndex("CENA0"),
            cena_pz = t.FieldIndex("CENA_PZ"), cena = t.FieldIndex("CENA"), cena2 = t.FieldIndex("CENA2"),
            b_bo_i = t.FieldIndex("B_BO_I"), ilosc = t.FieldIndex("ILOSC"), grupa = t.FieldIndex("T_W_O_K");
  for (bool first = true;; first = false) {
    if (!first) HURT_RETURN_IF_ERROR(as.Skip(1));
    if (as.eof()) break;
    const xbase::Record& r = as.record();
    const std::string_view m = Bytes(r, mag), code = Bytes(r, indeks);
    if (m.size() != 1 || m[0] != mag_ || code.substr(0, prefix_.size()) != prefix_) break;
    if (!group_.empty() && AllTrim(Bytes(r, grupa)) != group_) continue;
    const double bo_i = Number(r, b_bo_i), sk_i = Number(r, ilosc);
    const double bo_w = NewRound(bo_i * Number(r, cena_01), 2), sk_w = NewRound(sk_i * Number(r, cena0), 2);
    CardFacts card{};
    const std::string_view name = Bytes(r, nazwa), unit = Bytes(r, jm);
    card.nazwa.fill(' ');
    card.jm.fill(' ');
    std::memcpy(card.nazwa.data(), name.data(), std::min(name.size(), card.nazwa.size()));
    std::memcpy(card.jm.data(), unit.data(), std::min(unit.size(), card.jm.size()));
    card.cena_01 = Number(r, cena_01);
    card.cena0 = Number(r, cena0);
    card.cena_pz = Number(r, cena_pz);
    card.cena = Number(r, cena);
    card.cena2 = Number(r, cena2);
    card.bo_i = bo_i;
    card.bo_w = bo_w;
    card.sk_i = sk_i;
    card.sk_w = sk_w;
    HURT_RETURN_IF_ERROR(
        runs_->AddCard(ArticleKeyOf(code), std::string_view(reinterpret_cast<const char*>(&card), sizeof card)));
  }
  return Status::Ok();
}

Status Pass::SetNumber(int at, double value, std::string_view indeks) {
  const xbase::DbfFieldDescriptor& field = asso_.field(at);
  char text[kFixedTextMax];
  const size_t n = std::isfinite(value) ? FormatFixedTo(value, field.decimals, text) : kFixedTextMax;
  if (n > static_cast<size_t>(field.width)) {
    return Status::Invalid("Liczba poza polem " + std::string(field.name) + " pliku " + table_.name() + " (" +
                           std::string(1, mag_) + std::string(RTrim(indeks)) + ")");
  }
  char bytes[kFixedTextMax];
  const size_t pad = static_cast<size_t>(field.width) - n;
  std::memset(bytes, ' ', pad);
  std::memcpy(bytes + pad, text, n);
  return row_.SetFieldBytes(at, std::string_view(bytes, static_cast<size_t>(field.width)));
}

const KindFacts* Pass::KindOf(xbase::WorkArea* slow, std::string_view rd_bytes, std::string_view r_p,
                              std::string_view s_z) {
  if (last_kind_ != nullptr && rd_bytes == last_rd_) return last_kind_;
  auto it = kinds_.find(rd_bytes);
  if (it == kinds_.end()) {
    std::optional<DocKind> kind;
    if (slow != nullptr && slow->order_count() >= 1 && (slow->order() == 1 || slow->SetOrder(1).ok())) {
      auto read = documents::ReadKind(*slow, rd_bytes);
      if (read.ok()) kind = *read;
    }
    // A kind missing from the dictionary is taken as its lines say it.
    if (!kind && r_p.size() == 1 && s_z.size() == 1) {
      DocKind k;
      k.rd = std::string(rd_bytes);
      k.r_p = r_p[0];
      k.s_z = s_z[0];
      kind = k;
    }
    std::optional<KindFacts> facts;
    if (kind) {
      documents::StockDocument doc;
      doc.kind = *kind;
      facts = KindFacts{*kind, documents::MoveOf(doc), kind->IsSale() && !kind->RdIs("WZ")};
    }
    it = kinds_.emplace(std::string(rd_bytes), std::move(facts)).first;
  }
  last_rd_ = std::string(rd_bytes);
  last_kind_ = it->second ? &*it->second : nullptr;
  return last_kind_;
}

HeaderFacts& Pass::HeaderOf(xbase::WorkArea* dowod, std::string_view rd, std::string_view nrd) {
  if (header_key_.size() == rd.size() + nrd.size() && std::string_view(header_key_).substr(0, rd.size()) == rd &&
      std::string_view(header_key_).substr(rd.size()) == nrd) {
    return header_;
  }
  header_key_ = std::string(rd) + std::string(nrd);
  header_ = HeaderFacts{};
  if (dowod == nullptr || dowod->order_count() < 1) return header_;
  xbase::Table& t = dowod->table();
  if (header_fields_.table != &t) {
    header_fields_ = {&t,
                      t.FieldIndex("RD"),
                      t.FieldIndex("NRD"),
                      t.FieldIndex("ODBIORCA"),
                      t.FieldIndex("WALUTA"),
                      t.FieldIndex("KURS"),
                      t.FieldIndex("KURS_1")};
    header_recno_ = 0;
  }
  const HeaderFields& hf = header_fields_;
  // The headers were written in the order of their lines: the few after the header found
  // before (documents whose header was not needed lie between) are tried first, and the
  // index asked only when none is the document.
  const xbase::Record* h = nullptr;
  if (header_recno_ > 0 && dowod->filter().empty()) {
    const uint32_t last = std::min<uint32_t>(t.RecordCount(), header_recno_ + kHeadersTriedAhead);
    for (uint32_t recno = header_recno_ + 1; recno <= last; ++recno) {
      if (!t.ReadNear(recno, &header_guess_).ok()) break;
      if (!header_guess_.deleted() && Bytes(header_guess_, hf.rd) == rd && Bytes(header_guess_, hf.nrd) == nrd) {
        header_recno_ = recno;
        h = &header_guess_;
        break;
      }
    }
  }
  if (h == nullptr) {
    if (dowod->order() != 1 && !dowod->SetOrder(1).ok()) return header_;
    auto found = dowod->SeekKey(header_key_);
    if (!found.ok() || !*found) return header_;
    h = &dowod->record();
    header_recno_ = dowod->recno();
  }
  header_.odbiorca = std::string(Bytes(*h, hf.odbiorca));
  for (char c : header_.odbiorca) {
    if (c == '/' || c == '\\') {
      header_.marks = header_.odbiorca;
      break;
    }
  }
  if (documents::IsForeignCurrency(Bytes(*h, hf.waluta))) {
    header_.kurs = Number(*h, hf.kurs);
    header_.kurs_1 = Number(*h, hf.kurs_1);
  }
  return header_;
}

bool Pass::InGroup(xbase::WorkArea* as, std::string_view indeks) {
  if (as == nullptr || as->order_count() < 1) return false;
  if (as->order() != 1 && !as->SetOrder(1).ok()) return false;
  auto found = as->SeekKey(std::string(1, mag_) + std::string(indeks));
  if (!found.ok() || !*found) return false;
  return AllTrim(Bytes(as->record(), as->FieldIndex("T_W_O_K"))) == group_;
}

Result<RunEntry*> Pass::PendingFor(const xbase::Record& line, const LineFields& f, double cena0,
                                   const MonthTables& t) {
  const ArticleKey key = ArticleKeyOf(Bytes(line, f.indeks));
  const uint64_t order = KeyOrder(key);
  if (RunEntry* e = pending_.Find(order)) return e;
  if (pending_.size() >= kPendingRows) HURT_RETURN_IF_ERROR(WriteRun(t));
  RunEntry& e = pending_.Get(key, order);
  // What a row is made from when the article has no card.
  LineRowFacts& facts = e.facts;
  const std::string_view nazwa = Bytes(line, f.nazwa), jm = Bytes(line, f.jm);
  facts.nazwa.fill(' ');
  facts.jm.fill(' ');
  std::memcpy(facts.nazwa.data(), nazwa.data(), std::min(nazwa.size(), facts.nazwa.size()));
  std::memcpy(facts.jm.data(), jm.data(), std::min(jm.size(), facts.jm.size()));
  const std::string_view nb = Bytes(line, f.nb);
  facts.gross = nb.find_first_not_of(' ') != std::string_view::npos && AllTrim(nb) == "B";
  facts.cena0 = cena0;
  facts.cena = Number(line, f.cena);
  return &e;
}

Status Pass::WriteRun(const MonthTables& t) {
  std::vector<RunEntry>& rows = pending_.rows();
  if (rows.empty()) return Status::Ok();
  order_.clear();
  for (uint32_t i = 0; i < rows.size(); ++i) {
    RunEntry& e = rows[i];
    e.changed = 0;
    for (int c = 0; c < kColumns; ++c) {
      if (e.add[static_cast<size_t>(c)] != 0) e.changed |= uint32_t{1} << c;
    }
    order_.emplace_back(KeyOrder(e.indeks), i);
  }
  std::sort(order_.begin(), order_.end());
  sorted_.clear();
  for (const auto& [order, i] : order_) sorted_.push_back(&rows[i]);
  // An article without a card joins the statement by the group of its card in the month
  // its lines were read in (asked in key order, so the seeks move forward).
  if (!group_.empty()) {
    for (RunEntry* e : sorted_) e->in_group = InGroup(t.as, std::string_view(e->indeks.data(), e->indeks.size()));
  }
  HURT_RETURN_IF_ERROR(runs_->AddRun(sorted_));
  pending_.Clear();
  return Status::Ok();
}

Status Pass::WriteRows() {
  HURT_RETURN_IF_ERROR(asso_.Flush());
  HURT_RETURN_IF_ERROR(runs_->Merge([this](const ArticleKey& key, const std::string* card,
                                           std::span<const RunEntry> entries) { return WriteRow(key, card, entries); }));
  HURT_RETURN_IF_ERROR(table_.Index());
  return asso_.GoTop();
}

Status Pass::WriteRow(const ArticleKey& key, const std::string* card, std::span<const RunEntry> entries) {
  const std::string_view code(key.data(), key.size());
  row_.Blank();
  HURT_RETURN_IF_ERROR(row_.SetFieldBytes(at_.mag, std::string_view(&mag_, 1)));
  HURT_RETURN_IF_ERROR(row_.SetFieldBytes(at_.indeks, code));
  if (card != nullptr) {
    CardFacts c;
    std::memcpy(&c, card->data(), std::min(card->size(), sizeof c));
    HURT_RETURN_IF_ERROR(row_.SetFieldBytes(at_.nazwa, std::string_view(c.nazwa.data(), c.nazwa.size())));
    HURT_RETURN_IF_ERROR(row_.SetFieldBytes(at_.jm, std::string_view(c.jm.data(), c.jm.size())));
    const std::pair<int, double> numbers[] = {
        {at_.cena_01, c.cena_01}, {at_.cena0, c.cena0},       {at_.cena_pz, c.cena_pz},
        {at_.cena, c.cena},       {at_.cena2, c.cena2},       {column_at_[kBoI], c.bo_i},
        {column_at_[kBoW], c.bo_w},    {at_.sk_i, c.sk_i},       {at_.sk_w, c.sk_w},
        {column_at_[kRrI], c.bo_i - c.sk_i}, {column_at_[kRrW], c.bo_w - c.sk_w}};
    for (const auto& [at, value] : numbers) {
      if (value != 0) HURT_RETURN_IF_ERROR(SetNumber(at, value, code));
    }
  } else {
    // An article the first month's cards did not have: its row from its first line (of
    // the first run that found it in the group).
    size_t first = 0;
    if (!group_.empty()) {
      while (first < entries.size() && !entries[first].in_group) ++first;
    }
    if (first == entries.size()) return Status::Ok();
    entries = entries.subspan(first);
    const LineRowFacts& facts = entries.front().facts;
    HURT_RETURN_IF_ERROR(row_.SetFieldBytes(at_.nazwa, std::string_view(facts.nazwa.data(), facts.nazwa.size())));
    HURT_RETURN_IF_ERROR(row_.SetFieldBytes(at_.jm, std::string_view(facts.jm.data(), facts.jm.size())));
    if (facts.cena0 != 0) {
      HURT_RETURN_IF_ERROR(SetNumber(at_.cena_01, facts.cena0, code));
      HURT_RETURN_IF_ERROR(SetNumber(at_.cena0, facts.cena0, code));
    }
    if (facts.cena != 0) HURT_RETURN_IF_ERROR(SetNumber(facts.gross ? at_.cena2 : at_.cena, facts.cena, code));
  }
  uint32_t changed = 0;
  for (const RunEntry& e : entries) changed |= e.changed;
  for (uint32_t bits = changed; bits != 0; bits &= bits - 1) {
    const auto c = static_cast<size_t>(std::countr_zero(bits));
    const int at = column_at_[c];
    // Run after run onto what the card put there, as the months and the buffer went.
    double value = card != nullptr ? Val(row_.FieldBytes(at)) : 0.0;
    for (const RunEntry& e : entries) {
      if ((e.changed & (uint32_t{1} << c)) != 0) value += e.add[c];
    }
    HURT_RETURN_IF_ERROR(SetNumber(at, value, code));
  }
  return asso_.table().Append(row_).status();
}

Status Pass::Count(const xbase::Record& line, const LineFields& f, const MonthTables& t, bool before, bool receipt,
                   MovementColumn column, const KindFacts& kind) {
  const double q = Number(line, f.ilosc), cena0 = Number(line, f.cena0);
  auto pending = PendingFor(line, f, cena0, t);
  HURT_RETURN_IF_ERROR(pending.status());
  std::array<double, kColumns>& add = (*pending)->add;
  const double koszt = NewRound(q * cena0, 2);
  // Its effect on stock: what the documents say the card must hold.
  const double sign = receipt ? 1.0 : -1.0;
  add[kRrI] += sign * q;
  add[kRrW] += sign * koszt;
  ++out_.counted;
  if (before) {
    add[kBoI] += sign * q;
    add[kBoW] += sign * koszt;
    return Status::Ok();
  }
  // Purchases count what was bought (a return to the supplier takes it back), sales what
  // was sold (a return from the customer takes it back); the rest by direction.
  double in_column = 1.0;
  if (column == kPzI) in_column = sign;
  if (column == kRsI) in_column = -sign;
  add[column] += in_column * q;
  add[column + 1] += in_column * koszt;
  if (column != kPzI && column != kRsI) return Status::Ok();
  LineValuationInput& in = in_;
  if (valued_kind_ != &kind) {
    in.kind = kind.kind;
    in.no_fifty_marker = no_fifty_marker_;
    valued_kind_ = &kind;
  }
  HeaderFacts& h = HeaderOf(t.dowod, Bytes(line, f.rd), Bytes(line, f.nrd));
  in.header_text = h.marks;
  in.kurs = h.kurs;
  in.kurs_1 = h.kurs_1;
  in.ilosc = q;
  in.cena0 = cena0;
  in.wartosc = Number(line, f.wartosc);
  in.podatek = Number(line, f.podatek);
  // The currency price matters only to a purchase (reverse charge).
  in.dolar_i = column == kPzI ? Number(line, f.dolar_i) : 0.0;
  in.podatek0.assign(Bytes(line, f.podatek0));
  in.nb.assign(Bytes(line, f.nb));
  if (h.fifty_fifty < 0) h.fifty_fifty = FiftyFifty(in) ? 1 : 0;
  RateBuckets b;
  AddLine(b, in, ValueOfLine(in, h.fifty_fifty == 1));
  if (column == kPzI) {
    add[kPzV] += in_column * b.Vat();
    add[kPzB] += in_column * b.gross;
  } else {
    add[kRsN] += in_column * b.Net();
    add[kRsV] += in_column * b.Vat();
    add[kRsB] += in_column * b.gross;
  }
  return Status::Ok();
}

Status Pass::Line(const xbase::Record& line, const LineFields& f, const MonthTables& t) {
  const std::string_view mag = Bytes(line, f.mag), odb = Bytes(line, f.odb);
  const std::string_view r_p = Bytes(line, f.r_p);
  const bool here = mag.size() == 1 && mag[0] == mag_;
  const bool transfer_line = r_p == "M";
  const bool to_here = !odb.empty() && odb[0] == mag_;
  if (!here && !(transfer_line && to_here)) return Status::Ok();
  const std::string_view indeks = Bytes(line, f.indeks);
  if (indeks.substr(0, prefix_.size()) != prefix_) return Status::Ok();
  const JulianDay data = DateOf(Bytes(line, f.data));
  if (data > req_.to) return Status::Ok();
  const bool before = data < req_.from;
  const KindFacts* facts = KindOf(t.slow, Bytes(line, f.rd), r_p, Bytes(line, f.s_z));
  if (facts == nullptr) return Status::Ok();
  const DocKind* kind = &facts->kind;
  StockMove move = facts->move;
  if (facts->may_bill_notes) {
    HeaderFacts& h = HeaderOf(t.dowod, Bytes(line, f.rd), Bytes(line, f.nrd));
    if (h.from_notes < 0) {
      documents::StockDocument doc;
      doc.kind = *kind;
      doc.from_issue_notes = documents::FromIssueNotes(*kind, h.odbiorca);
      h.from_notes = documents::MoveOf(doc) == StockMove::kNone ? 1 : 0;
    }
    if (h.from_notes == 1) move = StockMove::kNone;
  }
  if (move == StockMove::kNone) return Status::Ok();
  if (kind->IsTransfer()) {
    // Out of the warehouse it left, into the one it went to (both, from one to itself).
    if (here) HURT_RETURN_IF_ERROR(Count(line, f, t, before, false, kRdI, *facts));
    if (to_here) HURT_RETURN_IF_ERROR(Count(line, f, t, before, true, kPdI, *facts));
    return Status::Ok();
  }
  if (!here) return Status::Ok();
  const bool receipt = move == StockMove::kReceipt;
  MovementColumn column = receipt ? kPdI : kRdI;
  if (kind->s_z == 'Z') column = kPzI;
  if (kind->s_z == 'S') column = kRsI;
  return Count(line, f, t, before, receipt, column, *facts);
}

Status Pass::Lines(const std::string& period, const MonthTables& t) {
  xbase::Table& dow = t.dow->table();
  const LineFields f(dow);
  if (!f.Complete()) return Status::Invalid("Plik " + period + "/dow bez pol pozycji");
  // The headers are sought in the order of their lines, which is nearly the order they
  // were written in: let the seeks use blocks read ahead while the month is read.
  struct HeadersReadAhead {
    explicit HeadersReadAhead(xbase::WorkArea* a) : dowod(a) {
      if (dowod == nullptr) return;
      dowod->SetSeeksReadAhead(true);
      dowod->table().SetReadAheadBlocks(kHeaderReadBlocks);
    }
    ~HeadersReadAhead() {
      if (dowod == nullptr) return;
      dowod->SetSeeksReadAhead(false);
      dowod->table().SetReadAheadBlocks(kUsualReadBlocks);
    }
    xbase::WorkArea* dowod;
  } headers_read_ahead(t.dowod);
  xbase::RecordScanner scan(dow);
  xbase::Record line;
  long read = 0;
  while (scan.Next(&line)) {
    if (++read % kProgressEvery == 0) {
      if (progress_.lines) progress_.lines(period, out_.lines + read);
      if (progress_.stop && progress_.stop()) {
        out_.interrupted = true;
        break;
      }
    }
    if (line.deleted()) continue;
    HURT_RETURN_IF_ERROR(Line(line, f, t));
  }
  out_.lines += read;
  HURT_RETURN_IF_ERROR(scan.status());
  return WriteRun(t);
}

Result<MovementResult> Pass::Run() {
  mag_ = req_.mag.empty() ? ' ' : req_.mag[0];
  prefix_ = RTrim(req_.prefix);
  group_ = AllTrim(req_.group);
  no_fifty_marker_ = s_.FileX("50_50.---");
  for (int c = 0; c < kColumns; ++c) column_at_[static_cast<size_t>(c)] = Field(kColumnNames[static_cast<size_t>(c)]);
  at_ = {Field("MAG"),  Field("INDEKS"), Field("NAZWA"), Field("JM"),     Field("CENA_01"), Field("CENA0"),
         Field("CENA_PZ"), Field("CENA"), Field("CENA2"), Field("D_SK_I"), Field("D_SK_W")};
  for (int at : column_at_) {
    if (at < 0) return Status::Invalid("Plik " + table_.name() + " bez pol ruchu");
  }
  const std::string open_month = s_.InArchive() ? s_.hh_arc() : s_.hh();
  const std::vector<std::string> months = MonthsOf(req_.from, req_.to);
  // What the pass gathers goes to the station's scratch file beside the work table, and
  // from there into the table's rows once, at the end.
  auto runs = MovementRuns::Create(s_.env(), s_.Path(table_.name()), sizeof(CardFacts));
  if (!runs.ok()) return runs.status();
  runs_ = std::move(*runs);
  row_ = asso_.table().NewRecord();
  for (size_t i = 0; i < months.size() && !out_.interrupted; ++i) {
    const std::string& period = months[i];
    if (progress_.month) progress_.month(period);
    MonthTables t;
    std::optional<session::AreaPosition> keep_dowod, keep_slow, keep_as;
    if (period == open_month) {
      auto area = [&](store::TableId id) { return s_.areas().Area(store::Table(id).area); };
      t = {area(store::TableId::kDow), area(store::TableId::kDowod), area(store::TableId::kSlow),
           area(store::TableId::kAs)};
      if (t.dow == nullptr || t.as == nullptr) {
        out_.problem = "Brak pliku " + period + (t.dow == nullptr ? "/dow" : "/as");
        break;
      }
      keep_dowod.emplace(t.dowod);
      keep_slow.emplace(t.slow);
      keep_as.emplace(t.as);
    } else if (!OpenMonth(period, &t)) {
      CloseMonth();
      break;
    }
    kinds_.clear();
    last_kind_ = nullptr;
    valued_kind_ = nullptr;
    header_key_.clear();
    header_fields_ = {};
    Status st;
    if (i == 0) {
      st = CopyCards(*t.as);
      if (st.ok() && !out_.refusal.empty()) {
        CloseMonth();
        return out_;
      }
    }
    if (st.ok()) st = Lines(period, t);
    keep_dowod.reset();
    keep_slow.reset();
    keep_as.reset();
    CloseMonth();
    HURT_RETURN_IF_ERROR(st);
    ++out_.months;
  }
  // A first month that could not be read leaves the table empty.
  HURT_RETURN_IF_ERROR(WriteRows());
  out_.runs = static_cast<int>(runs_->runs());
  out_.run_entries = static_cast<long>(runs_->entries());
  out_.rows = static_cast<long>(asso_.table().RecordCount());
  runs_.reset();
  out_.card_stock = WholeOpenMonth(s_, req_.from, req_.to);
  return out_;
}

}  // namespace

std::vector<std::string> MonthsOf(JulianDay from, JulianDay to) {
  std::vector<std::string> out;
  if (from == kEmptyDate || to == kEmptyDate || from > to) return out;
  const Ymd a = YmdFromJulian(from), b = YmdFromJulian(to);
  for (int y = a.year, m = a.month; y < b.year || (y == b.year && m <= b.month);) {
    out.push_back(TwoDigits(y % 100) + "/" + TwoDigits(m));
    if (++m > 12) {
      m = 1;
      ++y;
    }
  }
  return out;
}

bool WholeOpenMonth(session::Session& s, JulianDay from, JulianDay to) {
  const documents::Period p = documents::PeriodOfHh(s.InArchive() ? s.hh_arc() : s.hh());
  return p.month >= 1 && p.month <= 12 && from == p.First() && to == p.Last();
}

// ---- the work table ----

Result<std::unique_ptr<MovementTable>> MovementTable::Create(session::Session& s) {
  const store::TableDef& def = store::Table(store::TableId::kAsso);
  const std::string name = store::TablePath(def, {.station = s.stacja()});
  std::unique_ptr<MovementTable> table(new MovementTable(s, name));
  auto full = store::FieldListText(s.Path(name), store::ResolveFields(def, s.Markers()));
  if (!full.ok()) return full.status();
  session::ConsoleStoreUi ui(s.con());
  store::StoreContext ctx{s.areas(), ui};
  const int current = s.areas().current();
  Status st = s.areas().Close(kArea);
  if (st.ok()) st = s.areas().Select(kArea);
  if (st.ok()) st = store::Tworz(ctx, *full);  // says "Plik ... niedostepny" itself
  if (st.ok()) {
    st = store::NetUse(ctx, s.Path(name), def.alias, true, kWorkTableOpenSeconds);
    if (!st.ok()) ui.Alert("Plik " + name + " niedostepny");
  }
  (void)s.areas().Select(current);
  if (!st.ok()) return st;
  return table;
}

MovementTable::~MovementTable() {
  (void)s_.areas().Close(kArea);
  (void)s_.env().Remove(s_.Path(name_ + ".dbf"));
  std::vector<std::string> files = {s_.Path(name_ + ".ntx")};
  for (const char* extension : MovementRuns::kExtensions) files.push_back(s_.Path(name_ + extension));
  for (const std::string& file : files) {
    if (s_.env().Exists(file)) (void)s_.env().Remove(file);
  }
}

xbase::WorkArea& MovementTable::area() { return *s_.areas().Area(kArea); }

Status MovementTable::Index() {
  if (indexed_) return Status::Ok();
  auto n = area().CreateOrder(s_.Path(name_ + ".ntx"), "mag+indeks");
  HURT_RETURN_IF_ERROR(n.status());
  HURT_RETURN_IF_ERROR(area().SetOrder(*n));
  indexed_ = true;
  return Status::Ok();
}

Result<MovementResult> ComputeMovement(session::Session& s, MovementTable& table, const MovementRequest& req,
                                       const MovementProgress& progress) {
  Pass pass(s, table, req, progress);
  return pass.Run();
}

}  // namespace hurt::reports
