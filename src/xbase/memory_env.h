// MemoryEnv: an Env whose files live in memory, for tests of everything above the Env.
//
// Files. Paths are normalised ("a//b/./c" is "a/b/c"); a file can only be created in a
// folder that exists (the current folder "" and "/" always do; CreateDirs makes others).
// Removing or renaming a path does not disturb File objects already open on it: like on
// POSIX they keep the old contents, and the path then names another (or no) file.
//
// Locks. Byte-range locks follow open-file-description semantics between File objects,
// exactly as env.h documents: a lock belongs to the File that took it; a File's own locks
// never conflict with each other (a new lock replaces the File's own locks on that range,
// shared or exclusive, and unlocking part of a range splits it); shared conflicts only
// with another File's exclusive lock, exclusive with any other File's lock; destroying a
// File drops its locks. A length of 0 means "to the end of all offsets", as in fcntl.
// An exclusive lock on a File opened read only fails with IoError, as fcntl does (EBADF).
//
// Waiting. Options::block_on_wait decides what Lock(..., wait=true) does on a conflict:
//   false (default): it returns Status::Busy at once, like wait=false. Single-threaded
//                    tests simulate two stations with two File objects; blocking there
//                    would hang the test forever, so a conflict is reported instead.
//   true:            it blocks until the other File unlocks or is closed (for tests that
//                    run stations on threads). There is no deadlock detection.
// Time never passes inside MemoryEnv: the clock is the one given (usually a FakeClock).
//
// Thread safety: all methods and all File objects may be used from several threads.
#pragma once

#include <memory>
#include <string>

#include "xbase/env.h"

namespace hurt::xbase {

class MemoryEnv final : public Env {
 public:
  struct Options {
    bool block_on_wait = false;
  };

  explicit MemoryEnv(Clock& clock) : MemoryEnv(clock, Options{}) {}
  MemoryEnv(Clock& clock, Options options);
  ~MemoryEnv() override;
  MemoryEnv(const MemoryEnv&) = delete;
  MemoryEnv& operator=(const MemoryEnv&) = delete;

  Result<std::unique_ptr<File>> Open(const std::string& path, const OpenOptions& options) override;
  bool Exists(const std::string& path) override;
  Status Remove(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status CreateDirs(const std::string& path) override;
  Result<std::vector<std::string>> ListDir(const std::string& path) override;
  bool IsDir(const std::string& path) override;
  Clock& clock() override { return clock_; }

  // Test helpers: the whole contents of a file, and replacing them (creating the file).
  Result<std::string> Contents(const std::string& path);
  Status SetContents(const std::string& path, std::string bytes);
  // How many lock ranges the open File objects hold on a file (0 when none or absent).
  size_t LockRangeCount(const std::string& path);

  // Shared with the File objects, so that a File destroyed after its Env stays safe.
  struct State;

 private:
  Clock& clock_;
  std::shared_ptr<State> state_;
};

}  // namespace hurt::xbase
