// The operating system behind one interface: files, byte-range locks and the clock.
//
// Every file, lock and clock call of the engine goes through an Env. Three kinds exist:
//   - PosixEnv (RealEnv()): the real file system with open-file-description locks;
//   - MemoryEnv: files in memory; locks behave as OFD locks between File objects, so two
//     "stations" can be simulated in one process by opening the same path twice;
//   - FaultEnv: wraps another Env and fails the Nth write, tears a write in half,
//     corrupts a byte at an offset or reports a lock as busy.
//
// Lock semantics (all kinds): a lock belongs to the File object (the open file
// description) that took it, not to the process. Locks of one File never conflict with
// each other; a shared lock conflicts with another File's exclusive lock on an
// overlapping range, an exclusive lock with any other File's lock on it. Closing a File
// (destroying the object) drops its locks and nobody else's. A dead process's locks
// vanish with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/result.h"

namespace hurt::xbase {

enum class LockKind { kShared, kExclusive };

// A read-only view of the first bytes of a file through the operating system's file cache
// (a shared memory mapping). Reading it costs no system call. On a local file system it
// shows what any process writes to the file at once; on a network file system it is as
// fresh as the client's cache of the file, which is refreshed when a lock on the file is
// taken - the same as ReadAt there. Only the bytes that existed when the view was made
// may be read. Read the bytes with ReadView (another process may be writing them).
class FileView {
 public:
  virtual ~FileView() = default;
  size_t size() const { return size_; }
  // Copies n bytes from offset (offset + n <= size()).
  void ReadView(size_t offset, size_t n, char* out) const {
    const volatile char* from = data_ + offset;
    for (size_t i = 0; i < n; ++i) out[i] = from[i];
  }

 protected:
  FileView(const char* data, size_t size) : data_(data), size_(size) {}

 private:
  const char* data_;
  size_t size_;
};

class File {
 public:
  virtual ~File() = default;

  // Reads up to n bytes at offset; *got receives how many were read (less at end of file).
  virtual Status ReadAt(uint64_t offset, size_t n, char* buf, size_t* got) = 0;
  // Writes all of data at offset, extending the file when needed.
  virtual Status WriteAt(uint64_t offset, std::string_view data) = 0;
  virtual Result<uint64_t> Size() = 0;
  virtual Status Truncate(uint64_t size) = 0;
  // Makes written data durable (fdatasync).
  virtual Status Sync() = 0;

  // Takes a byte-range lock. With wait false a conflicting lock gives Status::Busy at once;
  // with wait true the call blocks until the range is free.
  virtual Status Lock(uint64_t offset, uint64_t length, LockKind kind, bool wait) = 0;
  virtual Status Unlock(uint64_t offset, uint64_t length) = 0;

  // A view of the file's first `length` bytes, which must exist. Unsupported where the env
  // cannot map files (the in-memory and fault-injecting envs): read with ReadAt then.
  virtual Result<std::unique_ptr<FileView>> MapPrefix(size_t length) {
    (void)length;
    return Status::Unsupported(path_ + ": no mapped view");
  }

  const std::string& path() const { return path_; }

 protected:
  explicit File(std::string path) : path_(std::move(path)) {}

 private:
  std::string path_;
};

struct OpenOptions {
  bool write = true;      // open for reading and writing (else read only)
  bool create = false;    // create when missing
  bool truncate = false;  // empty an existing file
};

class Env {
 public:
  virtual ~Env() = default;

  virtual Result<std::unique_ptr<File>> Open(const std::string& path, const OpenOptions& options) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual Status Remove(const std::string& path) = 0;
  // Replaces `to` atomically when it exists.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  // Creates the folder and its parents; OK when it exists.
  virtual Status CreateDirs(const std::string& path) = 0;
  // Names (not paths) of the entries of a folder.
  virtual Result<std::vector<std::string>> ListDir(const std::string& path) = 0;
  virtual bool IsDir(const std::string& path) = 0;

  virtual Clock& clock() = 0;
};

// The real file system and the system clock; one per process, without state of its own.
Env& RealEnv();

}  // namespace hurt::xbase
