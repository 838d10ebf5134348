#include "store/station_files.h"

#include <algorithm>
#include <cstdio>

#include "base/text.h"

namespace hurt::store {
namespace {

std::string InRoot(std::string_view root, std::string_view relative) {
  if (root.empty() || root == ".") return std::string(relative);
  return std::string(root) + "/" + std::string(relative);
}

}  // namespace

std::string StationLockPath(std::string_view root, int station) {
  char name[32];
  std::snprintf(name, sizeof name, "rob/st%02d.lck", station);
  return InRoot(root, name);
}

Result<std::unique_ptr<xbase::File>> TakeStationLock(xbase::Env& env, std::string_view root, int station) {
  HURT_RETURN_IF_ERROR(env.CreateDirs(InRoot(root, "rob")));
  auto file = env.Open(StationLockPath(root, station), xbase::OpenOptions{.write = true, .create = true});
  HURT_RETURN_IF_ERROR(file.status());
  HURT_RETURN_IF_ERROR((*file)->Lock(0, 1, xbase::LockKind::kExclusive, /*wait=*/false));
  return std::move(*file);
}

bool StationAlive(xbase::Env& env, std::string_view root, int station) {
  const std::string path = StationLockPath(root, station);
  if (!env.Exists(path)) return false;
  auto file = env.Open(path, xbase::OpenOptions{.write = true});
  if (!file.ok()) return false;
  const Status locked = (*file)->Lock(0, 1, xbase::LockKind::kExclusive, /*wait=*/false);
  return !locked.ok();  // closing the file lets a lock taken here go again
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
