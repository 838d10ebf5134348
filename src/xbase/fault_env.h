// FaultEnv: wraps any Env and injects the failures that reliability tests need.
//
//   MemoryEnv mem(clock);
//   FaultEnv env(mem);
//   env.FailWrite(2, "as.dbf");        // the 2nd write to as.dbf from now fails, nothing lands
//   env.TearWrite(1, 10, "as.dbf");    // the next write lands only its first 10 bytes, then fails
//   env.MakeLockBusy("as.dbf", lock_layout::RecordLockOffset(5), 1);  // record 5 looks taken
//   env.CorruptByte("as.dbf", 0);      // flips the bits of byte 0 in the file now
//
// File names: a `file` argument matches a path equal to it or ending in "/" + it; an empty
// one matches every file. Counting for FailWrite/TearWrite/FailSync starts when the fault
// is armed and counts only matching calls; each fault fires once. Faults apply to File
// objects opened through this FaultEnv (before or after arming).
//
// Counters: every WriteAt and Sync call through this env is counted, failed or not.
#pragma once

#include <memory>
#include <string>

#include "xbase/env.h"
#include "xbase/forwarding_env.h"

namespace hurt::xbase {

class FaultEnv final : public ForwardingEnv {
 public:
  explicit FaultEnv(Env& base);
  ~FaultEnv() override;
  FaultEnv(const FaultEnv&) = delete;
  FaultEnv& operator=(const FaultEnv&) = delete;

  // The nth (1 = next) matching WriteAt returns IoError and writes nothing.
  void FailWrite(int nth, const std::string& file = "");
  // The nth matching WriteAt writes only its first keep_bytes bytes, then returns IoError
  // (a write torn by a crash or a full disk).
  void TearWrite(int nth, size_t keep_bytes, const std::string& file = "");
  // The nth matching Sync returns IoError.
  void FailSync(int nth, const std::string& file = "");
  // Every Lock call on a matching file whose range overlaps [offset, offset + length)
  // returns Busy, as if another station held it (length 0: to the end of all offsets).
  void MakeLockBusy(const std::string& file, uint64_t offset, uint64_t length);
  // Disarms every write, sync and lock fault (counters are kept).
  void ClearFaults();

  // Changes one byte of a file in the underlying env at once: xor_mask 0xFF flips all its
  // bits. NotFound when the file is missing, Invalid when the offset is past its end.
  Status CorruptByte(const std::string& path, uint64_t offset, uint8_t xor_mask = 0xFF);

  // WriteAt and Sync calls on matching files since construction or ResetCounters().
  int64_t Writes(const std::string& file = "") const;
  int64_t Syncs(const std::string& file = "") const;
  void ResetCounters();

  Result<std::unique_ptr<File>> Open(const std::string& path, const OpenOptions& options) override;

  struct State;  // shared with the File objects

 private:
  std::shared_ptr<State> state_;
};

}  // namespace hurt::xbase
