#include "maintenance/backup_sources.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>

#include "base/text.h"
#include "session/session.h"
#include "store/net_use.h"
#include "xbase/lock_layout.h"
#include "xbase/work_area.h"

namespace hurt::maintenance {

namespace {

namespace locks = xbase::lock_layout;

// Seconds of retries: the open as NET_USE(5), the whole-table lock as FIL_LOCK(10).
constexpr double kOpenWait = 5;
constexpr double kFileLockWait = 10;

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The date and time an entry carries: the file's last change, or now when the file
// system cannot tell (a file kept in memory by a test).
EntryTime FileTime(const std::string& path, Clock& clock) {
  EntryTime t;
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(path, ec);
  std::tm local{};
  bool known = false;
  if (!ec) {
    const auto system = std::chrono::file_clock::to_sys(written);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
    known = localtime_r(&seconds, &local) != nullptr;
  }
  if (known) {
    t = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  } else {
    const Ymd day = YmdFromJulian(clock.Today());
    const int32_t s = clock.SecondsOfDay();
    t = {day.year, day.month, day.day, s / 3600, s / 60 % 60, s % 60};
  }
  if (t.year < 1980) t = EntryTime{};  // the first date a ZIP entry can carry
  return t;
}

// The table this session holds exclusively under that path, if it does.
xbase::Table* HeldExclusivelyHere(session::Session& session, const std::string& path) {
  const std::filesystem::path wanted = std::filesystem::path(path).lexically_normal();
  for (int n = 1; n <= xbase::WorkAreas::kMaxArea; ++n) {
    xbase::WorkArea* a = session.areas().Area(n);
    if (a != nullptr && a->exclusive() && std::filesystem::path(a->path()).lexically_normal() == wanted) {
      return &a->table();
    }
  }
  return nullptr;
}

// Opens `path` holding its open-mode byte shared (step 1), tried as an open is. The file
// is opened anew at each attempt, so that a table rebuilt meanwhile (a new file renamed
// over the old one) is read as it is now.
Result<std::unique_ptr<xbase::File>> OpenShared(xbase::Env& env, store::StoreUi& ui, const std::string& path) {
  std::unique_ptr<xbase::File> held;
  Status st = store::Retry(ui, store::RetryRule::kOpen, kOpenWait, [&]() -> Status {
    auto f = env.Open(path, {.write = true});
    if (!f.ok()) return f.status();
    HURT_RETURN_IF_ERROR((*f)->Lock(locks::kOpenModeOffset, locks::kOpenModeLength, xbase::LockKind::kShared, false));
    held = std::move(*f);
    return Status::Ok();
  });
  if (!st.ok()) return st;
  return held;
}

// Steps 2 and 3.
Status LockWholeTable(store::StoreUi& ui, xbase::File& dbf) {
  HURT_RETURN_IF_ERROR(store::Retry(ui, store::RetryRule::kPauseBefore, kFileLockWait, [&dbf] {
    return dbf.Lock(locks::kFileLockOffset, locks::kFileLockLength, xbase::LockKind::kExclusive, false);
  }));
  return dbf.Lock(locks::kAppendLockOffset, locks::kAppendLockLength, xbase::LockKind::kExclusive, true);
}

// Step 4.
Result<std::unique_ptr<xbase::File>> OpenMemoLocked(xbase::Env& env, store::StoreUi& ui, const std::string& path) {
  auto dbt = OpenShared(env, ui, path);
  if (!dbt.ok()) return dbt.status();
  HURT_RETURN_IF_ERROR(
      (*dbt)->Lock(locks::kMemoLockOffset, locks::kMemoLockLength, xbase::LockKind::kExclusive, true));
  return dbt;
}

Status AddFile(ZipWriter& writer, xbase::File& file, const std::string& path, const std::string& entry, Clock& clock) {
  auto size = file.Size();
  if (!size.ok()) return size.status();
  return writer.Add(
      entry, *size,
      [&file](uint64_t offset, size_t n, char* out, size_t* got) { return file.ReadAt(offset, n, out, got); },
      FileTime(path, clock));
}

// One table into the archive (steps 1 to 5, or as it is when this session holds it).
Status AddTable(session::Session& session, store::StoreUi& ui, ZipWriter& writer, const TableFiles& t,
                const std::function<void(const std::string&)>& progress) {
  xbase::Env& env = session.env();
  Clock& clock = session.clock();
  // Told before the locks are asked for: a table that stays busy is the one on the screen.
  if (progress) progress(t.dbf.empty() ? t.dbt_entry : t.dbf_entry);
  std::unique_ptr<xbase::File> dbf;
  std::unique_ptr<xbase::File> dbt;
  if (xbase::Table* own = t.dbf.empty() ? nullptr : HeldExclusivelyHere(session, t.dbf)) {
    HURT_RETURN_IF_ERROR(own->Commit());
    auto opened = env.Open(t.dbf, {.write = false});
    if (!opened.ok()) return opened.status();
    dbf = std::move(*opened);
    if (!t.dbt.empty()) {
      auto memo = env.Open(t.dbt, {.write = false});
      if (!memo.ok()) return memo.status();
      dbt = std::move(*memo);
    }
  } else {
    if (!t.dbf.empty()) {
      auto opened = OpenShared(env, ui, t.dbf);
      if (!opened.ok()) return opened.status();
      dbf = std::move(*opened);
      HURT_RETURN_IF_ERROR(LockWholeTable(ui, *dbf));
    }
    if (!t.dbt.empty()) {
      auto memo = OpenMemoLocked(env, ui, t.dbt);
      if (!memo.ok()) return memo.status();
      dbt = std::move(*memo);
    }
  }
  if (dbf != nullptr) HURT_RETURN_IF_ERROR(AddFile(writer, *dbf, t.dbf, t.dbf_entry, clock));
  if (dbt != nullptr) {
    if (progress && dbf != nullptr) progress(t.dbt_entry);
    HURT_RETURN_IF_ERROR(AddFile(writer, *dbt, t.dbt, t.dbt_entry, clock));
  }
  return Status::Ok();  // the locks go with the files
}

}  // namespace

Result<std::vector<TableFiles>> TablesOf(session::Session& session, std::string_view folder, std::string_view prefix) {
  xbase::Env& env = session.env();
  const std::string dir = folder.empty() ? session.root() : session.Path(folder);
  if (!env.IsDir(dir)) return std::vector<TableFiles>{};
  auto names = env.ListDir(dir);
  if (!names.ok()) return names.status();
  const std::string entry_folder = folder.empty() ? std::string() : Lower(folder) + "/";
  const std::string lower_prefix = Lower(prefix);
  std::map<std::string, TableFiles> by_name;
  for (const std::string& name : *names) {
    const std::string lower = Lower(name);
    const bool is_dbf = EndsWith(lower, ".dbf");
    const bool is_dbt = EndsWith(lower, ".dbt");
    if (!is_dbf && !is_dbt) continue;
    const std::string base = lower.substr(0, lower.size() - 4);
    if (base.empty() || base.rfind(lower_prefix, 0) != 0) continue;
    const std::string path = dir + "/" + name;
    if (env.IsDir(path)) continue;
    TableFiles& t = by_name[base];
    (is_dbf ? t.dbf : t.dbt) = path;
    (is_dbf ? t.dbf_entry : t.dbt_entry) = entry_folder + lower;
  }
  std::vector<TableFiles> out;
  out.reserve(by_name.size());
  for (auto& [name, t] : by_name) out.push_back(std::move(t));
  return out;
}

Result<std::vector<ArchivePlan>> PlanBackup(session::Session& session, const BackupMonth& month,
                                            const BackupMoment& moment) {
  const bool dated = session.FileX("VV.TXT");
  std::vector<ArchivePlan> plans;
  auto add = [&](std::string name, std::string_view folder, std::string_view prefix, bool even_empty) -> Status {
    auto tables = TablesOf(session, folder, prefix);
    if (!tables.ok()) return tables.status();
    if (tables->empty() && !even_empty) return Status::Ok();
    plans.push_back({std::move(name), std::move(*tables)});
    return Status::Ok();
  };
  HURT_RETURN_IF_ERROR(add(dated ? DatedArchiveName(month, moment) : MonthArchiveName(month), month.Folder(), "", true));
  if (session.FileX("WYR.DBF")) {
    HURT_RETURN_IF_ERROR(
        add(dated ? DatedProgramArchiveName(month, moment) : ProgramArchiveName(month), "", "", false));
  }
  if (session.FileX("FV_ZAL.TXT")) {
    HURT_RETURN_IF_ERROR(add("FV_ZAL.ZIP", "fv_zal", "dowod", false));
    HURT_RETURN_IF_ERROR(add("FV_ZAM.ZIP", "fv_zam", "dow", false));
  }
  if (session.FileX("pojemnik/pojemnik.dbf")) HURT_RETURN_IF_ERROR(add("POJEMNIK.ZIP", "pojemnik", "", false));
  if (session.FileX("WZOR_NEW.TXT")) HURT_RETURN_IF_ERROR(add("WZOR.ZIP", "wzor", "", false));
  return plans;
}

Status WriteArchive(session::Session& session, store::StoreUi& ui, const ArchivePlan& plan, const std::string& folder,
                    const std::string& password, const std::function<void(const std::string&)>& progress) {
  auto writer = ZipWriter::Create(session.env(), folder + "/" + Lower(plan.name), password);
  if (!writer.ok()) return writer.status();
  for (const TableFiles& t : plan.tables) {
    Status added = AddTable(session, ui, **writer, t, progress);
    if (!added.ok()) return added.Prefixed(t.dbf_entry.empty() ? t.dbt_entry : t.dbf_entry);
  }
  return (*writer)->Finish();
}

}  // namespace hurt::maintenance
