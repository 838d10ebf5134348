// ZO_FN_KOR (ledger_rebuild.h).
#include "settlements/ledger_rebuild.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/doc_kind.h"
#include "documents/open_item.h"
#include "session/area_fields.h"
#include "session/init_tables_build.h"
#include "session/session.h"
#include "settlements/ledger_tables.h"
#include "store/init_tables_layout.h"
#include "store/init_tables_rebuild.h"
#include "store/schema.h"
#include "store/copy_fields.h"
#include "store/schema_field_list.h"
#include "store/table_create.h"
#include "xbase/file_util.h"
#include "xbase/work_area.h"

namespace hurt::settlements {
namespace {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;
using store::TableId;
using xbase::Value;

constexpr std::array<TableId, 4> kBooks = {TableId::kZo, TableId::kZd, TableId::kZp, TableId::kZf};
constexpr std::array<TableId, 6> kLedger = {TableId::kFaN, TableId::kFaNx, TableId::kZo,
                                            TableId::kZd,  TableId::kZp,   TableId::kZf};
constexpr std::string_view kBusyText = "Rozrachunki otwarte na innym stanowisku - wszyscy musza wyjsc z programu";

std::string KtoOf(TableId book) {
  switch (book) {
    case TableId::kZd: return "D";
    case TableId::kZp: return "P";
    case TableId::kZf: return "F";
    default: return "O";
  }
}

// "999999999.99" as the ledger compares amounts.
std::string AmountText(double x) { return Str(NewRound(x, 2), 13, 2); }

bool IsBalanceField(std::string_view name) {
  for (std::string_view f : {"ODB", "BOWN", "BOMA", "OBNAWN", "OBNAMA", "OBWN", "OBMA", "POWN", "POMA"}) {
    if (name == f) return true;
  }
  return false;
}

bool IsEmptyValue(const Value& v) {
  if (v.IsString()) return IsBlank(v.AsString());
  if (v.IsNumber()) return v.AsNumber() == 0;
  if (v.IsDate()) return v.AsDate().day == kEmptyDate;
  return false;
}

// One item of a batch of fa_nx, with its raw fields to copy into fa_N by name.
struct BatchItem {
  uint32_t recno = 0;
  std::string rd, nrd, kto, odb, mag, tresc12;
  JulianDay data = kEmptyDate;
  double obwn = 0, obma = 0, kurs = 0;
  std::vector<std::pair<std::string, std::string>> raw;

  bool LedgerMade() const { return (rd == "KO " || rd == "SAL") && mag == "0"; }
};

BatchItem ReadBatchItem(const xbase::WorkArea& fx) {
  BatchItem i;
  i.recno = fx.recno();
  i.rd = PadR(FieldText(fx, "RD"), 3);
  i.nrd = PadL(AllTrim(FieldText(fx, "NRD")), 8);
  i.kto = PadR(FieldText(fx, "KTO"), 1);
  i.odb = PadR(FieldText(fx, "ODB"), 8);
  i.mag = PadR(FieldText(fx, "MAG"), 1);
  i.tresc12 = PadR(Left(FieldText(fx, "TRESC"), 12), 12);
  i.data = FieldDate(fx, "DATA");
  i.obwn = FieldNumber(fx, "OBWN");
  i.obma = FieldNumber(fx, "OBMA");
  i.kurs = fx.FieldIndex("KURS") >= 0 ? FieldNumber(fx, "KURS") : 0;
  for (int f = 0; f < fx.field_count(); ++f) i.raw.emplace_back(fx.field(f).name, std::string(fx.FieldBytes(f)));
  return i;
}

class Rebuild {
 public:
  Rebuild(session::Session& s, store::StoreUi& ui) : s_(s), ui_(ui), b_(s, ui) { b_.period = s.hh(); }

  Result<LedgerRebuildResult> Run() {
    const std::string marker = s_.Path(std::string(kLedgerRebuildMarker));
    HURT_RETURN_IF_ERROR(HoldLedger());
    Status st = xbase::WriteWholeFile(s_.env(), marker, "Odbudowa rozrachunkow w toku\r\n");
    if (st.ok()) st = Work();
    CloseScratch();
    Status back = ReleaseLedger();
    if (st.ok()) st = back;
    if (st.ok()) st = s_.env().Remove(marker);
    if (!st.ok()) return st;
    return r_;
  }

 private:
  xbase::WorkArea* Area(TableId id) { return s_.areas().Area(store::Table(id).area); }
  std::string WorkPath(std::string_view name) const { return b_.Path("rob/" + std::string(name) + s_.StationText()); }

  // ---- holding the ledger --------------------------------------------------------------

  // The table's orders; an index file missing or damaged (a run stopped while it was being
  // built) is built again, which the exclusive hold allows.
  Status AttachOrders(xbase::WorkArea& a, const store::TableDef& t) {
    const std::vector<store::Field> fields = store::FieldsOf(a.table().fields());
    std::vector<xbase::OrderDefinition> orders;
    for (const store::IndexFile& f : store::ResolveIndexes(t, b_.markers, b_.Args(), ProbeOf(fields))) {
      orders.push_back({b_.Path(f.file) + ".ntx", f.key, {}});
    }
    bool rebuild = false;
    for (const xbase::OrderDefinition& o : orders) {
      auto n = a.AttachOrder(o.path);
      if (n.ok()) continue;
      if (!n.status().IsCorruption() && !n.status().IsNotFound()) return n.status();
      rebuild = true;
      break;
    }
    if (rebuild) {
      HURT_RETURN_IF_ERROR(a.CloseOrders());
      auto n = a.CreateOrders(orders);
      if (!n.ok()) return n.status();
    }
    return a.order_count() > 0 ? a.SetOrder(1) : Status::Ok();
  }
  static store::FieldProbe ProbeOf(const std::vector<store::Field>& fields) {
    return [fields](std::string_view name) {
      for (const store::Field& f : fields) {
        if (f.name == name) return true;
      }
      return false;
    };
  }

  Status HoldLedger() {
    for (TableId id : kLedger) {
      const store::TableDef& t = store::Table(id);
      const std::string file = b_.TableFile(t);
      HURT_RETURN_IF_ERROR(s_.areas().Close(t.area));
      if (!s_.env().Exists(file + ".dbf")) {
        if (id == TableId::kFaN || id == TableId::kFaNx) return Status::NotFound("Plik " + std::string(t.file) + " niedostepny");
        continue;  // a book never made has nothing to rebuild
      }
      HURT_RETURN_IF_ERROR(s_.areas().Select(t.area));
      Status st = store::NetUse(b_.store, file, t.alias, true, 1);
      if (st.IsBusy()) {
        ui_.Alert(kBusyText);
        (void)ReleaseLedger();
        return Status::Busy(std::string(kBusyText));
      }
      if (st.ok()) st = AttachOrders(*Area(id), t);
      if (!st.ok()) {
        (void)ReleaseLedger();
        return st;
      }
    }
    return Status::Ok();
  }

  // The ledger tables open shared again, as the session keeps them.
  Status ReleaseLedger() {
    Status first = Status::Ok();
    for (TableId id : kLedger) {
      const store::TableDef& t = store::Table(id);
      Status st = s_.areas().Close(t.area);
      bool needs_build = false;
      if (st.ok()) st = session::OpenSessionTable(b_, t, &needs_build);
      if (first.ok() && !st.ok()) first = st;
    }
    return first;
  }

  // ---- 1. the books against their copies -----------------------------------------------

  std::string CopyOf(const store::TableDef& t) {
    for (const std::string& file : {b_.TableFile(t) + "_", b_.Path(std::string(t.file) + "_")}) {
      if (s_.env().Exists(file + ".dbf")) return file;
    }
    return {};
  }

  // Opens the copy exclusively in a free area with an order on its key; 0 when none.
  Result<int> OpenCopy(const store::TableDef& t) {
    const std::string copy = CopyOf(t);
    if (copy.empty()) return 0;
    const int area = s_.areas().FirstFree(210, 248);
    if (area == 0) return Status::Busy("Brak wolnego obszaru roboczego");
    auto a = s_.areas().Open(area, copy + ".dbf", std::string(t.alias) + "_", {.exclusive = true});
    if (!a.ok()) return a.status();
    if ((*a)->FieldIndex("ODB") < 0) return Status::Invalid("Plik " + copy + ".dbf bez pola ODB");
    auto n = (*a)->CreateOrder(WorkPath(std::string(t.alias) + "_k") + ".ntx", "odb+STR(RECNO(),5)");
    if (!n.ok()) return n.status();
    HURT_RETURN_IF_ERROR((*a)->SetOrder(1));
    copies_.push_back(area);
    return area;
  }

  static Result<bool> Has(xbase::WorkArea& a, const std::string& odb) { return a.SeekKey(PadR(odb, 8)); }

  // Every non-empty master field of the copy's current record onto the book's.
  static Status TakeMasterFields(xbase::WorkArea& book, const xbase::WorkArea& copy) {
    for (int f = 0; f < copy.field_count(); ++f) {
      const std::string& name = copy.field(f).name;
      const int to = book.FieldIndex(name);
      if (IsBalanceField(name) || to < 0 || book.field(to).type != copy.field(f).type) continue;
      auto v = copy.Get(f);
      if (!v.ok() || IsEmptyValue(*v)) continue;
      HURT_RETURN_IF_ERROR(book.Replace(to, *v));
    }
    return Status::Ok();
  }

  Status MergeBook(TableId id) {
    const store::TableDef& t = store::Table(id);
    xbase::WorkArea* book = Area(id);
    if (book == nullptr) return Status::Ok();
    ui_.Message("Sprawdzam " + std::string(t.alias) + " (" + std::string(t.alias) + "_)");
    auto area_or = OpenCopy(t);
    if (!area_or.ok()) return area_or.status();
    copy_of_[static_cast<size_t>(IndexOfBook(id))] = *area_or;
    xbase::WorkArea* copy = *area_or == 0 ? nullptr : s_.areas().Area(*area_or);
    HURT_RETURN_IF_ERROR(book->SetOrder(0));
    HURT_RETURN_IF_ERROR(book->GoTop());
    for (Status step = Status::Ok(); !step.ok() || !book->eof(); step = book->Skip()) {
      HURT_RETURN_IF_ERROR(step);
      const std::string odb = FieldText(*book, "ODB");
      if (IsBlank(odb)) {
        HURT_RETURN_IF_ERROR(book->Delete());
        continue;
      }
      if (copy == nullptr) continue;
      auto found = Has(*copy, odb);
      if (!found.ok()) return found.status();
      if (*found) HURT_RETURN_IF_ERROR(TakeMasterFields(*book, *copy));
    }
    if (copy != nullptr) {
      HURT_RETURN_IF_ERROR(book->SetOrder(1));
      HURT_RETURN_IF_ERROR(copy->GoTop());
      for (Status step = Status::Ok(); !step.ok() || !copy->eof(); step = copy->Skip()) {
        HURT_RETURN_IF_ERROR(step);
        const std::string odb = FieldText(*copy, "ODB");
        if (IsBlank(odb)) continue;
        auto found = Has(*book, odb);
        if (!found.ok()) return found.status();
        if (*found) continue;
        HURT_RETURN_IF_ERROR(book->Append());
        HURT_RETURN_IF_ERROR(book->Replace("ODB", Value(PadR(odb, 8))));
        HURT_RETURN_IF_ERROR(TakeMasterFields(*book, *copy));
        ++r_.added_counterparties;
      }
    }
    return book->Commit();
  }

  static int IndexOfBook(TableId id) {
    for (size_t i = 0; i < kBooks.size(); ++i) {
      if (kBooks[i] == id) return static_cast<int>(i);
    }
    return 0;
  }

  // ---- 2. the open items of the headers --------------------------------------------------

  Status CreateScratch() {
    xbase::WorkArea* fa = Area(TableId::kFaN);
    fields_ = store::FieldsOf(fa->table().fields());
    scratch_ = WorkPath("fn_kor");
    auto text = store::FieldListText(scratch_, fields_);
    if (!text.ok()) return text.status();
    scratch_area_ = s_.areas().FirstFree(210, 248);
    if (scratch_area_ == 0) return Status::Busy("Brak wolnego obszaru roboczego");
    HURT_RETURN_IF_ERROR(s_.areas().Select(scratch_area_));
    HURT_RETURN_IF_ERROR(store::Tworz(b_.store, *text));
    HURT_RETURN_IF_ERROR(store::NetUse(b_.store, scratch_, "fn_kor", true, 1));
    const std::vector<xbase::OrderDefinition> orders = {{scratch_ + "a.ntx", "rd+nrd", {}},
                                                        {scratch_ + "b.ntx", "kto+odb", {}}};
    auto n = Scratch().CreateOrders(orders);
    if (!n.ok()) return n.status();
    return Scratch().SetOrder(1);
  }
  xbase::WorkArea& Scratch() { return *s_.areas().Area(scratch_area_); }

  void CloseScratch() {
    if (scratch_area_ != 0) (void)s_.areas().Close(scratch_area_);
    scratch_area_ = 0;
    for (int area : copies_) (void)s_.areas().Close(area);
    copies_.clear();
  }

  // The header as posting and the money documents give it to OpenItemOf.
  documents::OpenItemHeader HeaderOf(const xbase::WorkArea& dowod) {
    documents::OpenItemHeader h;
    const std::string r_p = PadR(FieldText(dowod, "R_P"), 1);
    const std::string s_z = PadR(FieldText(dowod, "S_Z"), 1);
    h.r_p = r_p[0];
    h.s_z = s_z[0];
    h.rd = PadR(FieldText(dowod, "RD"), 3);
    h.mag = PadR(FieldText(dowod, "MAG"), 1);
    h.spz = PadR(FieldText(dowod, "SPZ"), 1);
    h.netto = FieldNumber(dowod, "NETTO");
    h.vat = FieldNumber(dowod, "VAT");
    h.reszta = FieldNumber(dowod, "RESZTA");
    h.kwota = FieldNumber(dowod, "KWOTA");
    h.data = FieldDate(dowod, "DATA");
    h.tez = FieldNumber(dowod, "TEZ");
    h.odbiorca = FieldText(dowod, "ODBIORCA");
    h.kurs = documents::IsForeignCurrency(FieldText(dowod, "WALUTA")) ? FieldNumber(dowod, "KURS") : 0;
    if (h.mag != "0") {
      const std::string opis = KindDescription(h.rd);
      const auto tag = [&](std::string_view t) { return opis.find(t) != std::string::npos; };
      h.proforma = tag("PROFORMA");
      h.internal_vat = h.s_z == 'Z' && (tag("WEWN") || tag("ODWROTNE"));
      h.farmer_kind = tag("ROLNIK") && !tag("ROLNIK.---");
      h.rrr_marker = rrr_;
      h.m_data_rr = m_data_rr_;
      h.rolnik_rr0 = rolnik_rr0_;
    }
    return h;
  }

  std::string KindDescription(const std::string& rd) {
    xbase::WorkArea* slow = Area(TableId::kSlow);
    if (slow == nullptr || slow->order_count() < 1) return {};
    if (slow->order() != 1 && !slow->SetOrder(1).ok()) return {};
    auto found = slow->SeekKey(rd);
    return found.ok() && *found ? FieldText(*slow, "OPIS") : std::string();
  }

  // The counterparty of an item in its book, added with ODB and NODB when missing.
  Status EnsureCounterparty(const std::string& kto, const std::string& odb, const std::string& nodb,
                            const std::string& what, bool tell) {
    auto id = BookOf(kto);
    if (!id.ok() || IsBlank(odb)) return Status::Ok();
    xbase::WorkArea* book = Area(*id);
    if (book == nullptr) return Status::Ok();
    HURT_RETURN_IF_ERROR(book->SetOrder(1));
    auto found = book->SeekKey(PadR(odb, 8));
    if (!found.ok()) return found.status();
    if (*found) return Status::Ok();
    if (tell) {
      ui_.Alert("Spz<>G a brak odb. w katalogu: " + what);
      ui_.Alert("Jak to rozliczyc ?");
    }
    HURT_RETURN_IF_ERROR(book->Append());
    HURT_RETURN_IF_ERROR(book->Replace("ODB", Value(PadR(odb, 8))));
    if (book->FieldIndex("NODB") >= 0 && !nodb.empty()) HURT_RETURN_IF_ERROR(book->Replace("NODB", Value(nodb)));
    ++r_.added_counterparties;
    return book->Flush();
  }

  // The items the month close brought forward from the month before (kBroughtForward in
  // the period folder) open the new ledger: no header of this month stands for them.
  Status PassBroughtForward() {
    const std::string file = b_.Path(b_.period + "/" + std::string(kBroughtForward));
    if (!s_.env().Exists(file + ".dbf")) return Status::Ok();
    const int area = s_.areas().FirstFree(210, 248);
    if (area == 0) return Status::Busy("Brak wolnego obszaru roboczego");
    auto bo = s_.areas().Open(area, file + ".dbf", "fa_bo", {.exclusive = false, .read_only = true});
    if (!bo.ok()) return bo.status();
    xbase::WorkArea& from = **bo;
    xbase::WorkArea& fa = Scratch();
    const store::FieldCopier copier = store::FieldCopier::Match(fa.table().schema(), from.table().schema());
    Status st = from.GoTop();
    for (; st.ok() && !from.eof(); st = from.Skip()) {
      if (st = fa.Append(); !st.ok()) break;
      if (st = copier.Copy(from.record(), fa); !st.ok()) break;
      if (st = fa.Replace("ZAP", Value(" ")); !st.ok()) break;
      if (st = fa.Flush(); !st.ok()) break;
      ++r_.brought_forward;
    }
    Status closed = s_.areas().Close(area);
    return st.ok() ? closed : st;
  }

  Status PassOne() {
    ui_.Message("Sprawdzam rozrachunki (1)");
    rrr_ = s_.FileX("RRR.TXT");
    rolnik_rr0_ = s_.FileX("ROLNIK.RR0");
    const Value& rr = s_.vars().Get("M_DATA_RR");
    m_data_rr_ = rr.IsDate() ? rr.AsDate().day : kEmptyDate;
    auto dowod_or = AreaOf(s_, TableId::kDowod);
    if (!dowod_or.ok()) return dowod_or.status();
    xbase::WorkArea& dowod = **dowod_or;
    xbase::WorkArea& fa = Scratch();
    HURT_RETURN_IF_ERROR(dowod.SetOrder(0));
    HURT_RETURN_IF_ERROR(dowod.GoTop());
    for (Status step = Status::Ok(); !step.ok() || !dowod.eof(); step = dowod.Skip()) {
      HURT_RETURN_IF_ERROR(step);
      const documents::OpenItemHeader h = HeaderOf(dowod);
      const std::optional<documents::OpenItem> item = documents::OpenItemOf(h);
      if (!item) continue;
      const std::string kto = PadR(FieldText(dowod, "KTO"), 1);
      const std::string odb = PadR(FieldText(dowod, "ODB"), 8);
      const std::string nrd = PadL(AllTrim(FieldText(dowod, "NRD")), 8);
      HURT_RETURN_IF_ERROR(EnsureCounterparty(kto, odb, FieldText(dowod, "NODB"), AllTrim(h.rd) + AllTrim(nrd),
                                              item->spz != "G"));
      const std::string waluta = PadR(FieldText(dowod, "WALUTA"), 3);
      const bool foreign = documents::IsForeignCurrency(waluta);
      HURT_RETURN_IF_ERROR(fa.Append());
      const std::pair<std::string_view, Value> values[] = {
          {"R_P", Value(std::string(1, h.r_p))},
          {"RD", Value(h.rd)},
          {"NRD", Value(nrd)},
          {"DATA", Value(xbase::Date{h.data})},
          {"MAG", Value(h.mag)},
          {"TRESC", Value(item->tresc)},
          {"KTO", Value(kto)},
          {"ODB", Value(odb)},
          {"OBWN", Value(item->obwn)},
          {"OBMA", Value(item->obma)},
          {"TERMIN", Value(xbase::Date{item->termin})},
          {"SPZ", Value(h.rd == "BO " && h.mag != "0" ? std::string("B") : item->spz)},
          {"TEZ", Value(h.tez)},
          {"WALUTA_X", Value(std::string(foreign ? "X" : " "))},
          {"WALUTA", Value(foreign ? waluta : std::string())},
          {"KURS", Value(foreign ? h.kurs : 0.0)},
          {"ZAP", Value(" ")},
      };
      for (const auto& [name, v] : values) {
        if (fa.FieldIndex(name) >= 0) HURT_RETURN_IF_ERROR(fa.Replace(name, v));
      }
      HURT_RETURN_IF_ERROR(fa.Flush());
      ++r_.documents;
    }
    for (TableId id : kBooks) {
      if (xbase::WorkArea* book = Area(id)) HURT_RETURN_IF_ERROR(book->Commit());
    }
    return Status::Ok();
  }

  // ---- 3. the marks of fa_nx -------------------------------------------------------------

  Status MarkJournal() {
    xbase::WorkArea& fx = *Area(TableId::kFaNx);
    HURT_RETURN_IF_ERROR(fx.SetOrder(0));
    HURT_RETURN_IF_ERROR(fx.GoTop());
    for (Status step = Status::Ok(); !step.ok() || !fx.eof(); step = fx.Skip()) {
      HURT_RETURN_IF_ERROR(step);
      const std::string zap = PadR(FieldText(fx, "RD"), 3) == "KO " ? "x" : " ";
      if (PadR(FieldText(fx, "ZAP"), 1) != zap) HURT_RETURN_IF_ERROR(fx.Replace("ZAP", Value(zap)));
    }
    return fx.Commit();
  }

  // ---- 4. the batches --------------------------------------------------------------------

  // The open twin of a batch item in the new fa_N not yet taken by this batch; 0 when none.
  Result<uint32_t> TwinOf(const BatchItem& i, const std::vector<uint32_t>& taken) {
    xbase::WorkArea& fa = Scratch();
    HURT_RETURN_IF_ERROR(fa.SetOrder(1));
    auto found = fa.SeekKey(i.rd + i.nrd);
    if (!found.ok()) return found.status();
    if (!*found) return 0u;
    for (Status step = Status::Ok(); !step.ok() || !fa.eof(); step = fa.Skip()) {
      HURT_RETURN_IF_ERROR(step);
      if (PadR(FieldText(fa, "RD"), 3) + PadL(AllTrim(FieldText(fa, "NRD")), 8) != i.rd + i.nrd) break;
      if (!IsBlank(FieldText(fa, "ZAP"))) continue;
      if (std::find(taken.begin(), taken.end(), fa.recno()) != taken.end()) continue;
      if (PadR(FieldText(fa, "KTO"), 1) == i.kto && PadR(FieldText(fa, "ODB"), 8) == i.odb &&
          FieldDate(fa, "DATA") == i.data && Str(FieldNumber(fa, "OBWN"), 14, 2) == Str(i.obwn, 14, 2) &&
          Str(FieldNumber(fa, "OBMA"), 14, 2) == Str(i.obma, 14, 2) && PadR(FieldText(fa, "MAG"), 1) == i.mag &&
          PadR(Left(FieldText(fa, "TRESC"), 12), 12) == i.tresc12 &&
          Str(fa.FieldIndex("KURS") >= 0 ? FieldNumber(fa, "KURS") : 0, 12, 6) == Str(i.kurs, 12, 6)) {
        return fa.recno();
      }
    }
    return 0u;
  }

  Status AppendRaw(const BatchItem& i, bool mirror) {
    xbase::WorkArea& fa = Scratch();
    HURT_RETURN_IF_ERROR(fa.Append());
    for (const auto& [name, bytes] : i.raw) {
      const int to = fa.FieldIndex(name);
      if (to >= 0) HURT_RETURN_IF_ERROR(fa.ReplaceBytes(to, bytes));
    }
    if (!mirror) {
      HURT_RETURN_IF_ERROR(fa.Replace("ZAP", Value(".")));
      return fa.Flush();
    }
    // The mirror: the same amount on the other side, open. It is what the operation left
    // in fa_N: a compensation writes its "KO" of the difference D into the batch on the
    // smaller side (OBMA = D when the debits were larger) and leaves the remainder open on
    // the larger side (OBWN = D); a close to balance leaves its "SAL" open with the net on
    // its own side and writes the mirror (the net on the other side) into the batch. In
    // both cases the open item has the batch item's OBWN as OBMA and its OBMA as OBWN, the
    // same signs, and R_P "R" when it carries a debit, "P" when a credit.
    HURT_RETURN_IF_ERROR(fa.Replace("OBWN", Value(NewRound(i.obma, 2))));
    HURT_RETURN_IF_ERROR(fa.Replace("OBMA", Value(NewRound(i.obwn, 2))));
    HURT_RETURN_IF_ERROR(fa.Replace("R_P", Value(std::string(i.obma != 0 ? "R" : "P"))));
    HURT_RETURN_IF_ERROR(fa.Replace("ZAP", Value(" ")));
    return fa.Flush();
  }

  // Applies one batch to the new fa_N; false when an item has no twin.
  Result<bool> ApplyBatch(const std::vector<BatchItem>& batch) {
    std::vector<uint32_t> twins;
    std::vector<const BatchItem*> made;
    for (const BatchItem& i : batch) {
      auto twin = TwinOf(i, twins);
      if (!twin.ok()) return twin.status();
      if (*twin != 0) {
        twins.push_back(*twin);
      } else if (i.LedgerMade()) {
        made.push_back(&i);
      } else {
        return false;
      }
    }
    xbase::WorkArea& fa = Scratch();
    for (uint32_t r : twins) {
      HURT_RETURN_IF_ERROR(fa.GoTo(r));
      HURT_RETURN_IF_ERROR(fa.Replace("ZAP", Value(".")));
      HURT_RETURN_IF_ERROR(fa.Flush());
    }
    for (const BatchItem* i : made) {
      HURT_RETURN_IF_ERROR(AppendRaw(*i, false));
      HURT_RETURN_IF_ERROR(AppendRaw(*i, true));
    }
    return true;
  }

  Status Settle(const std::vector<BatchItem>& batch) {
    if (batch.empty()) return Status::Ok();
    double wn = 0, ma = 0;
    for (const BatchItem& i : batch) {
      wn += i.obwn;
      ma += i.obma;
    }
    if (AmountText(wn) != AmountText(ma)) {
      ++r_.unbalanced_batches;
      return Status::Ok();
    }
    auto applied = ApplyBatch(batch);
    if (!applied.ok()) return applied.status();
    if (*applied) {
      ++r_.batches;
      return Status::Ok();
    }
    ++r_.dropped_batches;
    for (const BatchItem& i : batch) journal_deletions_.push_back(i.recno);
    return Status::Ok();
  }

  Status PassTwo() {
    ui_.Message("Sprawdzam rozrachunki (2)");
    xbase::WorkArea& fx = *Area(TableId::kFaNx);
    HURT_RETURN_IF_ERROR(fx.SetOrder(1));
    HURT_RETURN_IF_ERROR(fx.GoTop());
    std::vector<BatchItem> batch;
    std::string batch_key;
    for (Status step = Status::Ok(); !step.ok() || !fx.eof(); step = fx.Skip()) {
      HURT_RETURN_IF_ERROR(step);
      const std::string kto = PadR(FieldText(fx, "KTO"), 1);
      if (std::string_view("ODPF").find(kto[0]) == std::string_view::npos || kto == " " ||
          IsBlank(FieldText(fx, "ODB"))) {
        journal_deletions_.push_back(fx.recno());
        continue;
      }
      const std::string key = Dtos(FieldDate(fx, "R_DATA")) + FieldText(fx, "R_CZAS");
      if (key != batch_key) {
        HURT_RETURN_IF_ERROR(Settle(batch));
        batch.clear();
        batch_key = key;
      }
      batch.push_back(ReadBatchItem(fx));
    }
    return Settle(batch);
  }

  // ---- 5. what leaves, the swap, the balances --------------------------------------------

  Status PassThree() {
    ui_.Message("Sprawdzam rozrachunki (3)");
    xbase::WorkArea& fa = Scratch();
    HURT_RETURN_IF_ERROR(fa.SetOrder(0));
    HURT_RETURN_IF_ERROR(fa.GoTop());
    for (Status step = Status::Ok(); !step.ok() || !fa.eof(); step = fa.Skip()) {
      HURT_RETURN_IF_ERROR(step);
      const std::string zap = PadR(FieldText(fa, "ZAP"), 1);
      if (zap == "." || zap == "x") {
        HURT_RETURN_IF_ERROR(fa.Delete());
      } else {
        ++r_.open_items;
      }
    }
    HURT_RETURN_IF_ERROR(fa.Commit());
    HURT_RETURN_IF_ERROR(s_.areas().Close(scratch_area_));
    scratch_area_ = 0;

    // The new fa_N takes the old one's place in one rename (a stop before it leaves the
    // old ledger whole), then gets its orders.
    const store::TableDef& t = store::Table(TableId::kFaN);
    HURT_RETURN_IF_ERROR(store::RebuildTable(b_.store, t.area, b_.TableFile(t), t.alias, fields_, scratch_));
    HURT_RETURN_IF_ERROR(s_.areas().Select(t.area));
    HURT_RETURN_IF_ERROR(store::NetUse(b_.store, b_.TableFile(t), t.alias, true, 1));
    xbase::WorkArea& fresh = *Area(TableId::kFaN);
    std::vector<xbase::OrderDefinition> orders;
    for (const store::IndexFile& f : store::ResolveIndexes(t, b_.markers, b_.Args(), ProbeOf(fields_))) {
      orders.push_back({b_.Path(f.file) + ".ntx", f.key, {}});
    }
    auto n = fresh.CreateOrders(orders);
    if (!n.ok()) return n.status();
    HURT_RETURN_IF_ERROR(fresh.Commit());

    // The batches without their twins leave the journal.
    xbase::WorkArea& fx = *Area(TableId::kFaNx);
    for (uint32_t r : journal_deletions_) {
      HURT_RETURN_IF_ERROR(fx.GoTo(r));
      if (!fx.deleted()) HURT_RETURN_IF_ERROR(fx.Delete());
    }
    HURT_RETURN_IF_ERROR(fx.Commit());
    return Balances();
  }

  // OBWN/OBMA of every counterparty: the home sums of its items in the new fa_N.
  Status Balances() {
    xbase::WorkArea& fa = *Area(TableId::kFaN);
    HURT_RETURN_IF_ERROR(fa.SetOrder(2));
    // Counterparties with items but no record.
    HURT_RETURN_IF_ERROR(fa.GoTop());
    std::string last;
    for (Status step = Status::Ok(); !step.ok() || !fa.eof(); step = fa.Skip()) {
      HURT_RETURN_IF_ERROR(step);
      const std::string key = PadR(FieldText(fa, "KTO"), 1) + PadR(FieldText(fa, "ODB"), 8);
      if (key == last) continue;
      last = key;
      const uint32_t at = fa.recno();
      HURT_RETURN_IF_ERROR(EnsureCounterparty(key.substr(0, 1), key.substr(1), {}, {}, false));
      HURT_RETURN_IF_ERROR(fa.GoTo(at));
    }
    for (TableId id : kBooks) {
      xbase::WorkArea* book = Area(id);
      if (book == nullptr) continue;
      const std::string kto = KtoOf(id);
      const int copy_area = copy_of_[static_cast<size_t>(IndexOfBook(id))];
      xbase::WorkArea* copy = copy_area == 0 ? nullptr : s_.areas().Area(copy_area);
      HURT_RETURN_IF_ERROR(book->SetOrder(0));
      HURT_RETURN_IF_ERROR(book->GoTop());
      for (Status step = Status::Ok(); !step.ok() || !book->eof(); step = book->Skip()) {
        HURT_RETURN_IF_ERROR(step);
        const std::string odb = PadR(FieldText(*book, "ODB"), 8);
        double wn = 0, ma = 0;
        auto found = fa.SeekKey(kto + odb);
        if (!found.ok()) return found.status();
        for (Status item_step = Status::Ok(); !item_step.ok() || (*found && !fa.eof()); item_step = fa.Skip()) {
          HURT_RETURN_IF_ERROR(item_step);
          if (PadR(FieldText(fa, "KTO"), 1) + PadR(FieldText(fa, "ODB"), 8) != kto + odb) break;
          const double kurs = fa.FieldIndex("KURS") >= 0 ? FieldNumber(fa, "KURS") : 0;
          wn += documents::HomeAmount(FieldNumber(fa, "OBWN"), kurs);
          ma += documents::HomeAmount(FieldNumber(fa, "OBMA"), kurs);
        }
        wn = NewRound(wn, 2);
        ma = NewRound(ma, 2);
        if (copy != nullptr && wn == 0 && ma == 0) {
          auto in_copy = Has(*copy, odb);
          if (!in_copy.ok()) return in_copy.status();
          if (!*in_copy) {
            HURT_RETURN_IF_ERROR(book->Delete());
            continue;
          }
        }
        if (AmountText(FieldNumber(*book, "OBWN")) != AmountText(wn)) HURT_RETURN_IF_ERROR(book->Replace("OBWN", Value(wn)));
        if (AmountText(FieldNumber(*book, "OBMA")) != AmountText(ma)) HURT_RETURN_IF_ERROR(book->Replace("OBMA", Value(ma)));
      }
      HURT_RETURN_IF_ERROR(book->Commit());
    }
    return Status::Ok();
  }

  Status Work() {
    for (TableId id : kBooks) HURT_RETURN_IF_ERROR(MergeBook(id));
    HURT_RETURN_IF_ERROR(CreateScratch());
    HURT_RETURN_IF_ERROR(PassBroughtForward());
    HURT_RETURN_IF_ERROR(PassOne());
    HURT_RETURN_IF_ERROR(MarkJournal());
    HURT_RETURN_IF_ERROR(PassTwo());
    return PassThree();
  }

  session::Session& s_;
  store::StoreUi& ui_;
  session::BuildContext b_;
  LedgerRebuildResult r_;
  std::vector<store::Field> fields_;
  std::string scratch_;
  int scratch_area_ = 0;
  std::vector<int> copies_;
  std::array<int, 4> copy_of_{};
  std::vector<uint32_t> journal_deletions_;
  bool rrr_ = false, rolnik_rr0_ = false;
  JulianDay m_data_rr_ = kEmptyDate;
};

}  // namespace

Result<LedgerRebuildResult> ZoFnKor(session::Session& s, store::StoreUi& ui) {
  Rebuild rebuild(s, ui);
  return rebuild.Run();
}

}  // namespace hurt::settlements
