#include "documents/document_hold.h"

#include <algorithm>

#include "store/net_files.h"

namespace hurt::documents {
namespace {

Result<std::unique_ptr<xbase::File>> OpenHoldFile(xbase::Env& env, std::string_view root) {
  HURT_RETURN_IF_ERROR(env.CreateDirs(store::InRoot(root, "rob")));
  return env.Open(HoldFilePath(root), xbase::OpenOptions{.write = true, .create = true});
}

}  // namespace

std::string HoldFilePath(std::string_view root) { return store::InRoot(root, "rob/dowody.lck"); }

Status DocumentHold::Take(xbase::Env& env, std::string_view root, const std::vector<uint32_t>& recnos) {
  if (!file_) {
    auto opened = OpenHoldFile(env, root);
    HURT_RETURN_IF_ERROR(opened.status());
    file_ = std::move(*opened);
  }
  std::vector<uint32_t> taken;
  for (uint32_t r : recnos) {
    if (Holds(r) || std::find(taken.begin(), taken.end(), r) != taken.end()) continue;
    const Status locked = file_->Lock(r, 1, xbase::LockKind::kExclusive, /*wait=*/false);
    if (!locked.ok()) {
      for (uint32_t t : taken) (void)file_->Unlock(t, 1);  // a failed unlock of our own byte leaves nothing held
      if (locked.IsBusy()) return Status::Busy(std::to_string(r));
      return locked;
    }
    taken.push_back(r);
  }
  held_.insert(held_.end(), taken.begin(), taken.end());
  return Status::Ok();
}

void DocumentHold::Release() {
  // Closing the file lets every byte it held go.
  file_.reset();
  held_.clear();
}

bool DocumentHold::Holds(uint32_t recno) const {
  return std::find(held_.begin(), held_.end(), recno) != held_.end();
}

bool HeldElsewhere(xbase::Env& env, std::string_view root, uint32_t recno) {
  auto file = OpenHoldFile(env, root);
  if (!file.ok()) return false;
  return !(*file)->Lock(recno, 1, xbase::LockKind::kShared, /*wait=*/false).ok();
}

}  // namespace hurt::documents
