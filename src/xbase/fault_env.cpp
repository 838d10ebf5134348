#include "xbase/fault_env.h"

#include "xbase/forwarding_env.h"

#include <limits>
#include <map>
#include <mutex>
#include <optional>

namespace hurt::xbase {

namespace {

bool Matches(const std::string& path, const std::string& file) {
  if (file.empty() || path == file) return true;
  return path.size() > file.size() && path.compare(path.size() - file.size(), file.size(), file) == 0 &&
         path[path.size() - file.size() - 1] == '/';
}

enum class FaultKind { kFailWrite, kTearWrite, kFailSync };

struct CallFault {
  FaultKind kind;
  std::string file;
  int remaining;  // matching calls still to pass before it fires (1 = the next one)
  size_t keep_bytes;
};

struct BusyRange {
  std::string file;
  uint64_t start;
  uint64_t end;
};

}  // namespace

struct FaultEnv::State {
  std::mutex mu;
  std::vector<CallFault> faults;
  std::vector<BusyRange> busy;
  std::map<std::string, int64_t> writes;
  std::map<std::string, int64_t> syncs;

  // Counts the call and returns the fault that fires on it, if any.
  std::optional<CallFault> OnCall(const std::string& path, bool is_sync) {
    std::lock_guard<std::mutex> lock(mu);
    ++(is_sync ? syncs : writes)[path];
    std::optional<CallFault> fired;
    for (auto it = faults.begin(); it != faults.end();) {
      bool sync_fault = it->kind == FaultKind::kFailSync;
      if (sync_fault == is_sync && Matches(path, it->file) && --it->remaining == 0) {
        if (!fired) fired = *it;
        it = faults.erase(it);
      } else {
        ++it;
      }
    }
    return fired;
  }

  bool LockBusy(const std::string& path, uint64_t offset, uint64_t length) {
    uint64_t end = (length == 0 || offset > std::numeric_limits<uint64_t>::max() - length)
                       ? std::numeric_limits<uint64_t>::max()
                       : offset + length;
    std::lock_guard<std::mutex> lock(mu);
    for (const BusyRange& r : busy) {
      if (Matches(path, r.file) && r.start < end && offset < r.end) return true;
    }
    return false;
  }

  int64_t Count(const std::map<std::string, int64_t>& counts, const std::string& file) {
    std::lock_guard<std::mutex> lock(mu);
    int64_t total = 0;
    for (const auto& [path, n] : counts) {
      if (Matches(path, file)) total += n;
    }
    return total;
  }
};

namespace {

class FaultFile final : public ForwardingFile {
 public:
  FaultFile(std::unique_ptr<File> file, std::shared_ptr<FaultEnv::State> state)
      : ForwardingFile(std::move(file)), state_(std::move(state)) {}

  Status WriteAt(uint64_t offset, std::string_view data) override {
    std::optional<CallFault> fault = state_->OnCall(path(), false);
    if (fault) {
      if (fault->kind == FaultKind::kTearWrite && fault->keep_bytes > 0) {
        HURT_RETURN_IF_ERROR(base().WriteAt(offset, data.substr(0, fault->keep_bytes)));
      }
      return Status::IoError(path() + ": write: injected failure");
    }
    return base().WriteAt(offset, data);
  }

  Status Sync() override {
    if (state_->OnCall(path(), true)) return Status::IoError(path() + ": fdatasync: injected failure");
    return base().Sync();
  }

  Status Lock(uint64_t offset, uint64_t length, LockKind kind, bool wait) override {
    if (state_->LockBusy(path(), offset, length)) return Status::Busy(path() + ": locked by another user");
    return base().Lock(offset, length, kind, wait);
  }

  // Reads go through ReadAt here, where the faults are.
  Result<std::unique_ptr<FileView>> MapPrefix(size_t) override {
    return Status::Unsupported(path() + ": no mapped view");
  }

 private:
  std::shared_ptr<FaultEnv::State> state_;
};

}  // namespace

FaultEnv::FaultEnv(Env& base) : ForwardingEnv(base), state_(std::make_shared<State>()) {}
FaultEnv::~FaultEnv() = default;

void FaultEnv::FailWrite(int nth, const std::string& file) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->faults.push_back({FaultKind::kFailWrite, file, nth < 1 ? 1 : nth, 0});
}

void FaultEnv::TearWrite(int nth, size_t keep_bytes, const std::string& file) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->faults.push_back({FaultKind::kTearWrite, file, nth < 1 ? 1 : nth, keep_bytes});
}

void FaultEnv::FailSync(int nth, const std::string& file) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->faults.push_back({FaultKind::kFailSync, file, nth < 1 ? 1 : nth, 0});
}

void FaultEnv::MakeLockBusy(const std::string& file, uint64_t offset, uint64_t length) {
  uint64_t end = (length == 0 || offset > std::numeric_limits<uint64_t>::max() - length)
                     ? std::numeric_limits<uint64_t>::max()
                     : offset + length;
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->busy.push_back({file, offset, end});
}

void FaultEnv::ClearFaults() {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->faults.clear();
  state_->busy.clear();
}

Status FaultEnv::CorruptByte(const std::string& path, uint64_t offset, uint8_t xor_mask) {
  auto file = base().Open(path, OpenOptions{});
  if (!file.ok()) return file.status();
  char byte = 0;
  size_t got = 0;
  HURT_RETURN_IF_ERROR((*file)->ReadAt(offset, 1, &byte, &got));
  if (got != 1) return Status::Invalid(path + ": offset " + std::to_string(offset) + " is past the end");
  byte = static_cast<char>(static_cast<uint8_t>(byte) ^ xor_mask);
  return (*file)->WriteAt(offset, std::string_view(&byte, 1));
}

int64_t FaultEnv::Writes(const std::string& file) const { return state_->Count(state_->writes, file); }
int64_t FaultEnv::Syncs(const std::string& file) const { return state_->Count(state_->syncs, file); }

void FaultEnv::ResetCounters() {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->writes.clear();
  state_->syncs.clear();
}

Result<std::unique_ptr<File>> FaultEnv::Open(const std::string& path, const OpenOptions& options) {
  auto file = base().Open(path, options);
  if (!file.ok()) return file.status();
  return std::unique_ptr<File>(new FaultFile(std::move(file).value(), state_));
}

}  // namespace hurt::xbase
