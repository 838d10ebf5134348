#include "maintenance/zeroing_tables.h"

#include <array>
#include <initializer_list>

#include "session/output/report_copy.h"
#include "session/session.h"
#include "store/init_tables_rebuild.h"
#include "store/schema.h"
#include "xbase/file_util.h"

namespace hurt::maintenance {

namespace {

using store::TableId;

constexpr std::string_view kScratchAlias = "zerowanie";
constexpr std::string_view kHeldAlias = "zerowany";

// Closes a work area when it goes out of scope (a table only read: nothing to write).
class AreaCloser {
 public:
  AreaCloser(xbase::WorkAreas& areas, int area) : areas_(areas), area_(area) {}
  AreaCloser(const AreaCloser&) = delete;
  AreaCloser& operator=(const AreaCloser&) = delete;
  ~AreaCloser() { (void)areas_.Close(area_); }

 private:
  xbase::WorkAreas& areas_;
  int area_;
};

// The article card fields the soft zeroing clears: the period counters and the stock,
// the last receipt, the daily sales, the opening date, the reservations and the batch
// quantities (PARTIA.TXT).
constexpr std::array<std::string_view, 37> kArticleFields = {
    "N_BO_I",    "N_BO_W",     "N_P_I",      "N_R_I",      "B_BO_I",    "B_BO_W",   "B_P_I",      "B_P_W",
    "B_R_I",     "B_R_I_SD",   "B_R_W",      "ILOSC",      "CENA_01",   "S_Z_PZ",   "DATA_PZ",    "RD_PZ",
    "NRD_PZ",    "TEZ_PZ",     "ILOSC_PZ",   "DATA_SD",    "ILOSC_SD",  "DATA_BO",  "REZERWA",    "REZERWA0",
    "REZERWA9",  "ILOSC_P",    "ILOSC_WYD",  "ILOSC_P2",   "ILOSC_WYD2", "ILOSC_P3", "ILOSC_WYD3", "ILOSC_P4",
    "ILOSC_WYD4", "TPS_P",     "TPS_P2",     "TPS_P3",     "TPS_P4",
};

// The balance fields of the counterparty books.
constexpr std::array<std::string_view, 8> kBalanceFields = {"BOWN", "BOMA", "OBNAWN", "OBNAMA",
                                                            "OBWN", "OBMA", "POWN",   "POMA"};

// The money-document counters of the company record.
constexpr std::array<std::string_view, 6> kCounterFields = {"KW", "KP", "NO", "WE", "KP_KW", "KP_"};

// A field to its empty value: 0 for a number, blanks for a text or a date. A field the
// table does not have is passed over; a logical or memo field is left as it is.
Status Clear(xbase::WorkArea& a, std::string_view name) {
  const int i = a.FieldIndex(name);
  if (i < 0) return Status::Ok();
  const xbase::DbfFieldDescriptor& f = a.field(i);
  switch (f.type) {
    case 'N':
    case 'F':
      return a.Replace(i, xbase::Value(0.0));
    case 'C':
    case 'D':
      return a.ReplaceBytes(i, std::string(static_cast<size_t>(f.width), ' '));
    default:
      return Status::Ok();
  }
}

template <size_t N>
Status ClearAll(xbase::WorkArea& a, const std::array<std::string_view, N>& names) {
  for (std::string_view name : names) HURT_RETURN_IF_ERROR(Clear(a, name));
  return Status::Ok();
}

// pk: the amounts, i.e. every numeric field with decimals.
Status ClearAmounts(xbase::WorkArea& a) {
  for (int i = 0; i < a.field_count(); ++i) {
    const xbase::DbfFieldDescriptor& f = a.field(i);
    if ((f.type == 'N' || f.type == 'F') && f.decimals > 0) HURT_RETURN_IF_ERROR(a.Replace(i, xbase::Value(0.0)));
  }
  return Status::Ok();
}

using RecordChange = std::function<Status(xbase::WorkArea&)>;

std::string Dbf(std::string_view table) { return std::string(table) + ".dbf"; }
std::string Dbt(std::string_view table) { return std::string(table) + ".dbt"; }

int ScratchArea(xbase::WorkAreas& areas) { return areas.FirstFree(2); }

// Every record of the table open in `area`, deleted ones too, through `change`; then
// written and made durable.
Status ChangeEveryRecord(xbase::WorkArea& a, const RecordChange& change) {
  a.SetDeletedHidden(false);
  HURT_RETURN_IF_ERROR(a.GoTop());
  while (!a.eof()) {
    HURT_RETURN_IF_ERROR(change(a));
    HURT_RETURN_IF_ERROR(a.Flush());
    HURT_RETURN_IF_ERROR(a.Skip());
  }
  return a.Commit();
}

// The records of table `table` (path without extension) changed beside it and the
// changed copy renamed over it (see the header). On a failure before the copy is
// finished the table is as it was and the copy is removed.
Status ChangeAside(xbase::Env& env, xbase::WorkAreas& areas, const std::string& table, const RecordChange& change) {
  // What an earlier run left behind is settled first.
  auto settled = store::RecoverRebuild(env, table);
  if (!settled.ok()) return settled.status();
  // The table itself is held exclusively until its copy has replaced it: no other program
  // has it open meanwhile, and one that has refuses the work before anything is done.
  const int held_area = ScratchArea(areas);
  auto held = areas.Open(held_area, Dbf(table), kHeldAlias, xbase::AreaOpenOptions{.exclusive = true});
  if (!held.ok()) return held.status();
  const AreaCloser release{areas, held_area};
  const store::RebuildFiles files = store::RebuildFilesOf(table);
  auto discard = [&] {
    for (const std::string& f : {Dbf(files.building), Dbt(files.building), Dbt(files.done)}) {
      if (env.Exists(f)) (void)env.Remove(f);  // a partial copy; the next start removes it too
    }
  };

  // 1. The copy, changed and durable.
  const bool memo = env.Exists(Dbt(table));
  Status s = session::CopyFileReplacing(env, Dbf(table), Dbf(files.building));
  if (s.ok() && memo) s = session::CopyFileReplacing(env, Dbt(table), Dbt(files.building));
  if (s.ok()) {
    const int area = ScratchArea(areas);
    auto opened = areas.Open(area, Dbf(files.building), kScratchAlias, xbase::AreaOpenOptions{.exclusive = true});
    s = opened.ok() ? ChangeEveryRecord(**opened, change) : opened.status();
    Status closed = areas.Close(area);
    if (s.ok()) s = closed;
  }
  if (!s.ok()) {
    discard();
    return s;
  }

  // 2. The moment the change counts as done: the copy takes its finished name.
  if (env.Exists(Dbt(files.building))) HURT_RETURN_IF_ERROR(env.Rename(Dbt(files.building), Dbt(files.done)));
  HURT_RETURN_IF_ERROR(env.Rename(Dbf(files.building), Dbf(files.done)));

  // 3. The finished copy in the table's place, as the next start would put it.
  auto finished = store::RecoverRebuild(env, table);
  return finished.ok() ? Status::Ok() : finished.status();
}

// The table open exclusively in a scratch area while `work` rewrites it.
Status WithTableAlone(xbase::Env& env, xbase::WorkAreas& areas, const std::string& table,
                      const std::function<Status(xbase::Table&)>& work) {
  auto settled = store::RecoverRebuild(env, table);
  if (!settled.ok()) return settled.status();
  const int area = ScratchArea(areas);
  auto opened = areas.Open(area, Dbf(table), kScratchAlias, xbase::AreaOpenOptions{.exclusive = true});
  if (!opened.ok()) return opened.status();
  Status s = work((*opened)->table());
  Status closed = areas.Close(area);
  return s.ok() ? closed : s;
}

// The counters of the company record, which the caller holds exclusively in area 1.
Status ZeroCounters(session::Session& s) {
  xbase::WorkArea* firma = s.areas().Area(1);
  if (firma == nullptr) return Status::Invalid("firma: not open");
  HURT_RETURN_IF_ERROR(firma->GoTop());
  if (firma->eof()) return Status::Ok();
  HURT_RETURN_IF_ERROR(ClearAll(*firma, kCounterFields));
  HURT_RETURN_IF_ERROR(firma->Flush());
  return firma->Commit();
}

PeriodTable PeriodTableOf(const session::Session& s, TableId id) {
  const store::TableDef& t = store::Table(id);
  const std::string file = store::TablePath(t, store::PathArgs{.period = s.hh(), .station = s.stacja()});
  return PeriodTable{s.Path(file), std::string(t.file)};
}

std::vector<PeriodTable> TablesOf(const session::Session& s, std::initializer_list<TableId> ids) {
  std::vector<PeriodTable> out;
  for (TableId id : ids) out.push_back(PeriodTableOf(s, id));
  return out;
}

// The marker stands while `work` runs; it goes only when the work finished.
Status UnderMarker(session::Session& s, const std::function<Status()>& work) {
  const std::string marker = s.Path(kZerowanieMarker);
  HURT_RETURN_IF_ERROR(xbase::WriteWholeFile(s.env(), marker, "Zerowanie zbiorow w toku\r\n"));
  HURT_RETURN_IF_ERROR(work());
  return s.env().Remove(marker);
}

Status Told(const TableDone& done, std::string_view name) {
  if (done) done(name);
  return Status::Ok();
}

}  // namespace

std::vector<PeriodTable> SoftZeroingTables(const session::Session& s) {
  return TablesOf(s, {TableId::kAs, TableId::kZo, TableId::kZd, TableId::kZp, TableId::kZf, TableId::kDow,
                      TableId::kDowod, TableId::kFaN, TableId::kFaNx, TableId::kPk, TableId::kSlow});
}

std::vector<PeriodTable> PackTables(const session::Session& s) {
  return TablesOf(s, {TableId::kAs, TableId::kZo, TableId::kZd, TableId::kZp, TableId::kZf, TableId::kDow,
                      TableId::kDowod, TableId::kFaN, TableId::kFaNx, TableId::kSlow});
}

Status ZerujTabele(xbase::Env& env, xbase::WorkAreas& areas, const std::string& dbf_path) {
  std::string table = dbf_path;
  if (table.size() > 4 && table.ends_with(".dbf")) table.resize(table.size() - 4);
  return WithTableAlone(env, areas, table, [](xbase::Table& t) { return t.Zap(); });
}

namespace {

// One table's work; on a failure its name goes to *failed.
Status Named(const std::string& name, std::string* failed, const Status& st) {
  if (!st.ok() && failed != nullptr) *failed = name;
  return st;
}

// The soft zeroing of one period table (see the header).
Status ZeroTable(xbase::Env& env, xbase::WorkAreas& areas, const PeriodTable& t) {
  if (t.name == "as") return ChangeAside(env, areas, t.file, [](xbase::WorkArea& a) { return ClearAll(a, kArticleFields); });
  if (t.name == "zo" || t.name == "zd" || t.name == "zp" || t.name == "zf") {
    return ChangeAside(env, areas, t.file, [](xbase::WorkArea& a) { return ClearAll(a, kBalanceFields); });
  }
  if (t.name == "pk") return ChangeAside(env, areas, t.file, ClearAmounts);
  if (t.name == "slow") return ChangeAside(env, areas, t.file, [](xbase::WorkArea& a) { return Clear(a, "NRD"); });
  return ZerujTabele(env, areas, Dbf(t.file));
}

}  // namespace

Status ZerujLagodnie(session::Session& s, const TableDone& done, std::string* failed) {
  xbase::Env& env = s.env();
  xbase::WorkAreas& areas = s.areas();
  return UnderMarker(s, [&]() -> Status {
    for (const PeriodTable& t : SoftZeroingTables(s)) {
      if (!env.Exists(Dbf(t.file))) continue;
      HURT_RETURN_IF_ERROR(Named(t.name, failed, ZeroTable(env, areas, t)));
      HURT_RETURN_IF_ERROR(Told(done, t.name));
    }
    HURT_RETURN_IF_ERROR(Named("firma", failed, ZeroCounters(s)));
    return Told(done, "firma");
  });
}

Status PakujTabele(session::Session& s, const TableDone& done, std::string* failed) {
  xbase::Env& env = s.env();
  xbase::WorkAreas& areas = s.areas();
  return UnderMarker(s, [&]() -> Status {
    for (const PeriodTable& t : PackTables(s)) {
      if (!env.Exists(Dbf(t.file))) continue;
      HURT_RETURN_IF_ERROR(Named(t.name, failed, WithTableAlone(env, areas, t.file, [](xbase::Table& table) {
                                   return table.Pack();
                                 })));
      HURT_RETURN_IF_ERROR(Told(done, t.name));
    }
    return Status::Ok();
  });
}

}  // namespace hurt::maintenance
