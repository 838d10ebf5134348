#include "store/station_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/text.h"
#include "store/net_files.h"

namespace hurt::store {
std::string StationLockPath(std::string_view root, int station) {
  char name[32];
  std::snprintf(name, sizeof name, "rob/st%02d.lck", station);
  return InRoot(root, name);
}

namespace {

// The bytes of a station's lock file: its life, and the mark of another station taking
// back what it left.
constexpr uint64_t kLifeByte = 0;
constexpr uint64_t kTakingBackByte = 1;

Result<std::unique_ptr<xbase::File>> OpenStationLockFile(xbase::Env& env, std::string_view root, int station) {
  HURT_RETURN_IF_ERROR(env.CreateDirs(InRoot(root, "rob")));
  return env.Open(StationLockPath(root, station), xbase::OpenOptions{.write = true, .create = true});
}

Result<std::unique_ptr<xbase::File>> TakeStationLock(xbase::Env& env, std::string_view root, int station) {
  auto file = OpenStationLockFile(env, root, station);
  HURT_RETURN_IF_ERROR(file.status());
  HURT_RETURN_IF_ERROR((*file)->Lock(kLifeByte, 1, xbase::LockKind::kExclusive, /*wait=*/false));
  return std::move(*file);
}

}  // namespace

Result<std::unique_ptr<xbase::File>> TakeGoneStation(xbase::Env& env, std::string_view root, int station) {
  auto file = OpenStationLockFile(env, root, station);
  HURT_RETURN_IF_ERROR(file.status());
  // The mark first: whoever finds the life lock held with the mark set knows that the
  // station is being taken back, not working.
  HURT_RETURN_IF_ERROR((*file)->Lock(kTakingBackByte, 1, xbase::LockKind::kExclusive, /*wait=*/false));
  HURT_RETURN_IF_ERROR((*file)->Lock(kLifeByte, 1, xbase::LockKind::kExclusive, /*wait=*/false));
  return std::move(*file);
}

Result<std::unique_ptr<xbase::File>> TakeOwnStationLock(xbase::Env& env, std::string_view root, int station) {
  // Another station's probe holds the lock for an instant, one taking a gone station's
  // work back for as long as that lasts: both are waited for, a running program is not.
  constexpr int kAttempts = 250;
  constexpr auto kPause = std::chrono::milliseconds(20);
  Result<std::unique_ptr<xbase::File>> lock = TakeStationLock(env, root, station);
  for (int attempt = 1; attempt < kAttempts && lock.status().IsBusy(); ++attempt) {
    std::this_thread::sleep_for(kPause);
    lock = TakeStationLock(env, root, station);
  }
  return lock;
}

bool StationAlive(xbase::Env& env, std::string_view root, int station) {
  const std::string path = StationLockPath(root, station);
  if (!env.Exists(path)) return false;
  auto file = env.Open(path, xbase::OpenOptions{.write = true});
  if (!file.ok()) return false;
  // Shared locks: probes of several stations never stand in each other's way, and only a
  // holder of the exclusive lock refuses one. Closing the file lets them go again.
  if ((*file)->Lock(kLifeByte, 1, xbase::LockKind::kShared, /*wait=*/false).ok()) return false;
  return (*file)->Lock(kTakingBackByte, 1, xbase::LockKind::kShared, /*wait=*/false).ok();
}

Result<std::vector<int>> StationsWithFile(xbase::Env& env, std::string_view root, std::string_view prefix,
                                          std::string_view suffix) {
  std::vector<int> out;
  const std::string folder = InRoot(root, "rob");
  if (!env.IsDir(folder)) return out;
  auto names = env.ListDir(folder);
  HURT_RETURN_IF_ERROR(names.status());
  for (const std::string& name : *names) {
    const std::string lower = Lower(name);
    if (lower.size() != prefix.size() + 2 + suffix.size()) continue;
    if (lower.compare(0, prefix.size(), prefix) != 0) continue;
    if (lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    const char a = lower[prefix.size()];
    const char b = lower[prefix.size() + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') continue;
    out.push_back((a - '0') * 10 + (b - '0'));
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

}  // namespace hurt::store
