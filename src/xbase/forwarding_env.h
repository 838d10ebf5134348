// An Env and a File that pass every call on to another one: the base of the envs that
// change a few calls only (the fault injector, the headless clock, the tests' killer).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "xbase/env.h"

namespace hurt::xbase {

class ForwardingFile : public File {
 public:
  explicit ForwardingFile(std::unique_ptr<File> base) : File(base->path()), base_(std::move(base)) {}

  Status ReadAt(uint64_t offset, size_t n, char* buf, size_t* got) override { return base_->ReadAt(offset, n, buf, got); }
  Status WriteAt(uint64_t offset, std::string_view data) override { return base_->WriteAt(offset, data); }
  Result<uint64_t> Size() override { return base_->Size(); }
  Status Truncate(uint64_t size) override { return base_->Truncate(size); }
  Status Sync() override { return base_->Sync(); }
  Status Lock(uint64_t offset, uint64_t length, LockKind kind, bool wait) override {
    return base_->Lock(offset, length, kind, wait);
  }
  Status Unlock(uint64_t offset, uint64_t length) override { return base_->Unlock(offset, length); }
  Result<std::unique_ptr<FileView>> MapPrefix(size_t length) override { return base_->MapPrefix(length); }

 protected:
  File& base() { return *base_; }

 private:
  std::unique_ptr<File> base_;
};

class ForwardingEnv : public Env {
 public:
  explicit ForwardingEnv(Env& base) : base_(base) {}

  Result<std::unique_ptr<File>> Open(const std::string& path, const OpenOptions& options) override {
    return base_.Open(path, options);
  }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  Status Remove(const std::string& path) override { return base_.Remove(path); }
  Status Rename(const std::string& from, const std::string& to) override { return base_.Rename(from, to); }
  Status CreateDirs(const std::string& path) override { return base_.CreateDirs(path); }
  Result<std::vector<std::string>> ListDir(const std::string& path) override { return base_.ListDir(path); }
  bool IsDir(const std::string& path) override { return base_.IsDir(path); }
  Clock& clock() override { return base_.clock(); }

 protected:
  Env& base() { return base_; }

 private:
  Env& base_;
};

}  // namespace hurt::xbase
