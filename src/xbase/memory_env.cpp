#include "xbase/memory_env.h"

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <set>

namespace hurt::xbase {

namespace {

constexpr uint64_t kEndOfOffsets = std::numeric_limits<uint64_t>::max();

struct LockRange {
  uint64_t owner;
  uint64_t start;
  uint64_t end;  // one past the last byte
  LockKind kind;
};

// The contents and the locks of one file (an inode).
struct Node {
  std::string data;
  std::vector<LockRange> locks;
};

// "a//b/./c/" → "a/b/c"; ".." drops the previous part; a leading "/" is kept.
std::string Normalize(const std::string& path) {
  bool absolute = !path.empty() && path[0] == '/';
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(pos, slash - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = slash + 1;
  }
  std::string out = absolute ? "/" : "";
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += '/';
    out += parts[i];
  }
  return out;
}

std::string Parent(const std::string& normalized) {
  size_t slash = normalized.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return normalized.substr(0, slash);
}

uint64_t RangeEnd(uint64_t offset, uint64_t length) {
  if (length == 0 || offset > kEndOfOffsets - length) return kEndOfOffsets;
  return offset + length;
}

// Removes the owner's locks on [start, end), splitting ranges that stick out.
void RemoveOwnRange(std::vector<LockRange>* locks, uint64_t owner, uint64_t start, uint64_t end) {
  std::vector<LockRange> kept;
  kept.reserve(locks->size() + 1);
  for (const LockRange& r : *locks) {
    if (r.owner != owner || r.end <= start || r.start >= end) {
      kept.push_back(r);
      continue;
    }
    if (r.start < start) kept.push_back({r.owner, r.start, start, r.kind});
    if (r.end > end) kept.push_back({r.owner, end, r.end, r.kind});
  }
  *locks = std::move(kept);
}

bool Conflicts(const std::vector<LockRange>& locks, uint64_t owner, uint64_t start, uint64_t end, LockKind kind) {
  for (const LockRange& r : locks) {
    if (r.owner == owner || r.end <= start || r.start >= end) continue;
    if (kind == LockKind::kExclusive || r.kind == LockKind::kExclusive) return true;
  }
  return false;
}

}  // namespace

struct MemoryEnv::State {
  std::mutex mu;
  std::condition_variable unlocked;  // signalled whenever a lock goes away
  bool block_on_wait = false;
  uint64_t next_owner = 1;
  std::map<std::string, std::shared_ptr<Node>> files;
  std::set<std::string> dirs;

  bool DirExists(const std::string& dir) const { return dir.empty() || dir == "/" || dirs.count(dir) > 0; }
};

namespace {

class MemoryFile final : public File {
 public:
  MemoryFile(std::string path, std::shared_ptr<MemoryEnv::State> state, std::shared_ptr<Node> node, bool writable,
             uint64_t owner)
      : File(std::move(path)), state_(std::move(state)), node_(std::move(node)), writable_(writable), owner_(owner) {}

  ~MemoryFile() override {
    std::lock_guard<std::mutex> lock(state_->mu);
    auto& locks = node_->locks;
    locks.erase(std::remove_if(locks.begin(), locks.end(), [&](const LockRange& r) { return r.owner == owner_; }),
                locks.end());
    state_->unlocked.notify_all();
  }

  Status ReadAt(uint64_t offset, size_t n, char* buf, size_t* got) override {
    std::lock_guard<std::mutex> lock(state_->mu);
    const std::string& data = node_->data;
    if (offset >= data.size()) {
      *got = 0;
      return Status::Ok();
    }
    size_t avail = data.size() - static_cast<size_t>(offset);
    *got = std::min(n, avail);
    std::copy_n(data.data() + offset, *got, buf);
    return Status::Ok();
  }

  Status WriteAt(uint64_t offset, std::string_view bytes) override {
    if (!writable_) return Status::IoError(path() + ": write: file opened read only");
    std::lock_guard<std::mutex> lock(state_->mu);
    std::string& data = node_->data;
    if (offset + bytes.size() > data.size()) data.resize(static_cast<size_t>(offset + bytes.size()), '\0');
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
    return Status::Ok();
  }

  Result<uint64_t> Size() override {
    std::lock_guard<std::mutex> lock(state_->mu);
    return static_cast<uint64_t>(node_->data.size());
  }

  Status Truncate(uint64_t size) override {
    if (!writable_) return Status::IoError(path() + ": truncate: file opened read only");
    std::lock_guard<std::mutex> lock(state_->mu);
    node_->data.resize(static_cast<size_t>(size), '\0');
    return Status::Ok();
  }

  Status Sync() override { return Status::Ok(); }

  Status Lock(uint64_t offset, uint64_t length, LockKind kind, bool wait) override {
    if (kind == LockKind::kExclusive && !writable_) {
      return Status::IoError(path() + ": lock: exclusive lock on a file opened read only");
    }
    uint64_t end = RangeEnd(offset, length);
    std::unique_lock<std::mutex> lock(state_->mu);
    while (Conflicts(node_->locks, owner_, offset, end, kind)) {
      if (!wait || !state_->block_on_wait) return Status::Busy(path() + ": locked by another user");
      state_->unlocked.wait(lock);
    }
    RemoveOwnRange(&node_->locks, owner_, offset, end);
    node_->locks.push_back({owner_, offset, end, kind});
    // A shared lock replacing an exclusive one lets waiting readers in.
    state_->unlocked.notify_all();
    return Status::Ok();
  }

  Status Unlock(uint64_t offset, uint64_t length) override {
    std::lock_guard<std::mutex> lock(state_->mu);
    RemoveOwnRange(&node_->locks, owner_, offset, RangeEnd(offset, length));
    state_->unlocked.notify_all();
    return Status::Ok();
  }

 private:
  std::shared_ptr<MemoryEnv::State> state_;
  std::shared_ptr<Node> node_;
  bool writable_;
  uint64_t owner_;
};

}  // namespace

MemoryEnv::MemoryEnv(Clock& clock, Options options) : clock_(clock), state_(std::make_shared<State>()) {
  state_->block_on_wait = options.block_on_wait;
}

MemoryEnv::~MemoryEnv() = default;

Result<std::unique_ptr<File>> MemoryEnv::Open(const std::string& path, const OpenOptions& options) {
  std::string name = Normalize(path);
  std::lock_guard<std::mutex> lock(state_->mu);
  if (name.empty() || state_->dirs.count(name) > 0) return Status::IoError(path + ": open: is a folder");
  auto it = state_->files.find(name);
  if (it == state_->files.end()) {
    if (!options.create) return Status::NotFound(path + ": no such file");
    if (!state_->DirExists(Parent(name))) return Status::NotFound(path + ": no such folder");
    it = state_->files.emplace(name, std::make_shared<Node>()).first;
  } else if (options.truncate && options.write) {
    it->second->data.clear();
  }
  uint64_t owner = state_->next_owner++;
  return std::unique_ptr<File>(new MemoryFile(path, state_, it->second, options.write, owner));
}

bool MemoryEnv::Exists(const std::string& path) {
  std::string name = Normalize(path);
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->files.count(name) > 0 || state_->DirExists(name);
}

Status MemoryEnv::Remove(const std::string& path) {
  std::string name = Normalize(path);
  std::lock_guard<std::mutex> lock(state_->mu);
  if (state_->files.erase(name) == 0) return Status::NotFound(path + ": no such file");
  return Status::Ok();
}

Status MemoryEnv::Rename(const std::string& from, const std::string& to) {
  std::string src = Normalize(from);
  std::string dst = Normalize(to);
  std::lock_guard<std::mutex> lock(state_->mu);
  auto it = state_->files.find(src);
  if (it == state_->files.end()) return Status::NotFound(from + ": no such file");
  if (state_->dirs.count(dst) > 0) return Status::IoError(to + ": rename: target is a folder");
  if (!state_->DirExists(Parent(dst))) return Status::NotFound(to + ": no such folder");
  std::shared_ptr<Node> node = it->second;
  state_->files.erase(it);
  state_->files[dst] = std::move(node);
  return Status::Ok();
}

Status MemoryEnv::CreateDirs(const std::string& path) {
  std::string name = Normalize(path);
  std::lock_guard<std::mutex> lock(state_->mu);
  std::string partial = name;
  std::vector<std::string> chain;
  while (!partial.empty() && partial != "/") {
    if (state_->files.count(partial) > 0) return Status::IoError(partial + ": not a folder");
    chain.push_back(partial);
    partial = Parent(partial);
  }
  for (const std::string& dir : chain) state_->dirs.insert(dir);
  return Status::Ok();
}

Result<std::vector<std::string>> MemoryEnv::ListDir(const std::string& path) {
  std::string name = Normalize(path);
  std::lock_guard<std::mutex> lock(state_->mu);
  if (!state_->DirExists(name)) return Status::IoError(path + ": list: no such folder");
  std::vector<std::string> names;
  auto add_child = [&](const std::string& entry) {
    if (entry == name || Parent(entry) != name) return;
    std::string prefix = (name.empty() || name == "/") ? name : name + "/";
    names.push_back(entry.substr(prefix.size()));
  };
  for (const auto& [file, node] : state_->files) add_child(file);
  for (const std::string& dir : state_->dirs) add_child(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool MemoryEnv::IsDir(const std::string& path) {
  std::string name = Normalize(path);
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->DirExists(name);
}

Result<std::string> MemoryEnv::Contents(const std::string& path) {
  std::lock_guard<std::mutex> lock(state_->mu);
  auto it = state_->files.find(Normalize(path));
  if (it == state_->files.end()) return Status::NotFound(path + ": no such file");
  return it->second->data;
}

Status MemoryEnv::SetContents(const std::string& path, std::string bytes) {
  std::string name = Normalize(path);
  std::lock_guard<std::mutex> lock(state_->mu);
  auto it = state_->files.find(name);
  if (it == state_->files.end()) {
    if (!state_->DirExists(Parent(name))) return Status::NotFound(path + ": no such folder");
    it = state_->files.emplace(name, std::make_shared<Node>()).first;
  }
  it->second->data = std::move(bytes);
  return Status::Ok();
}

size_t MemoryEnv::LockRangeCount(const std::string& path) {
  std::lock_guard<std::mutex> lock(state_->mu);
  auto it = state_->files.find(Normalize(path));
  return it == state_->files.end() ? 0 : it->second->locks.size();
}

}  // namespace hurt::xbase
