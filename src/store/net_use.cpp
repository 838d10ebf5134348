#include "store/net_use.h"

#include "base/text.h"
#include "store/net_files.h"

namespace hurt::store {

namespace {

constexpr int64_t kOpenPauseMs = 1000;
constexpr int64_t kLockPauseMs = 500;
constexpr double kLockPauseSeconds = 0.5;

Status NoTable(int area) { return Status::Invalid("work area " + std::to_string(area) + " has no table open"); }

// Keeps at most the current record's lock: releases the area's other record locks.
Status ReleaseOtherRecordLocks(xbase::WorkArea& area) {
  if (area.table().IsFileLocked()) return Status::Ok();
  const uint32_t keep = area.eof() ? 0 : area.recno();
  for (uint32_t recno : area.table().LockedRecords()) {
    if (recno != keep) HURT_RETURN_IF_ERROR(area.UnlockRecord(recno));
  }
  return Status::Ok();
}

// Exclusive opens of the station's own files and of scratch structure tables go
// without the message.
bool ShowsOpeningMessage(std::string_view path) {
  const std::string upper = Upper(path);
  return upper.rfind("ROB/", 0) != 0 && upper.rfind("ROB\\", 0) != 0 && upper.rfind("STRUKT", 0) != 0;
}

}  // namespace

Status Retry(StoreUi& ui, RetryRule rule, double wait, const std::function<Status()>& attempt) {
  const bool forever = wait == 0;
  Status s = attempt();
  if (!s.IsBusy()) return s;
  double left = wait;
  switch (rule) {
    case RetryRule::kOpen:
      while (true) {
        ui.WaitForKeyOrTimeout(kOpenPauseMs);
        if (ui.GaveUp()) return s;
        if (!forever) {
          left -= 1;
          if (left <= 0) return s;
        }
        s = attempt();
        if (!s.IsBusy()) return s;
      }
    case RetryRule::kPauseAfter:
      while (forever || left > 0) {
        s = attempt();
        if (!s.IsBusy()) return s;
        ui.WaitForKeyOrTimeout(kLockPauseMs);
        if (ui.GaveUp()) return s;
        left -= kLockPauseSeconds;
      }
      return s;
    case RetryRule::kPauseBefore:
      while (forever || left > 0) {
        ui.WaitForKeyOrTimeout(kLockPauseMs);
        if (ui.GaveUp()) return s;
        s = attempt();
        if (!s.IsBusy()) return s;
        left -= kLockPauseSeconds;
      }
      return s;
  }
  return s;
}

Status NetUse(StoreContext& ctx, std::string_view file, std::string_view alias, bool exclusive, double wait) {
  const std::string path = NormalFileName(file);
  const int area = ctx.areas.current();
  xbase::AreaOpenOptions options;
  options.exclusive = exclusive;

  ctx.ui.SaveArea(kMessageAreaTop, kMessageAreaLeft, kMessageAreaBottom, kMessageAreaRight);
  if (exclusive && ShowsOpeningMessage(path)) ctx.ui.Message("Otwieram plik " + path + ".dbf");
  Status s = Retry(ctx.ui, RetryRule::kOpen, wait, [&]() -> Status {
    auto opened = ctx.areas.Open(area, path + ".dbf", alias, options);
    return opened.status();
  });
  ctx.ui.RestoreArea();
  return s;
}

Status RecLockArea(StoreUi& ui, xbase::WorkArea& area, double wait) {
  if (area.eof()) return Status::Invalid(area.alias() + ": no current record to lock (end of file)");
  HURT_RETURN_IF_ERROR(ReleaseOtherRecordLocks(area));
  if (area.IsLocked()) return Status::Ok();
  return Retry(ui, RetryRule::kPauseAfter, wait, [&]() { return area.LockRecord(); });
}

Status FilLockArea(StoreUi& ui, xbase::WorkArea& area, double wait) {
  if (area.table().IsFileLocked()) return Status::Ok();
  return Retry(ui, RetryRule::kPauseBefore, wait, [&]() { return area.LockFile(); });
}

Status AddRecArea(StoreUi& ui, xbase::WorkArea& area, double wait) {
  // The record lock held so far goes: the appended record takes its place.
  if (!area.table().IsFileLocked()) {
    for (uint32_t recno : area.table().LockedRecords()) HURT_RETURN_IF_ERROR(area.UnlockRecord(recno));
  }
  return Retry(ui, RetryRule::kPauseAfter, wait, [&]() { return area.Append(); });
}

Status RecLock(StoreContext& ctx, double wait) {
  xbase::WorkArea* area = ctx.areas.Current();
  if (area == nullptr) return NoTable(ctx.areas.current());
  return RecLockArea(ctx.ui, *area, wait);
}

Status FilLock(StoreContext& ctx, double wait) {
  xbase::WorkArea* area = ctx.areas.Current();
  if (area == nullptr) return NoTable(ctx.areas.current());
  return FilLockArea(ctx.ui, *area, wait);
}

Status AddRec(StoreContext& ctx, double wait) {
  xbase::WorkArea* area = ctx.areas.Current();
  if (area == nullptr) return NoTable(ctx.areas.current());
  return AddRecArea(ctx.ui, *area, wait);
}

}  // namespace hurt::store
