// The dBASE III memo file (.dbt).
//
// The file is a sequence of 512-byte blocks; all integers are little-endian.
//
// Block 0, the header:
//   OFFSET  SIZE  DESCRIPTION
//      0      4   next free block number (1 in a new file)
//      4     12   reserved, zero
//     16      1   0x03 (dBASE III writes it; readers depend on bytes 0-3 only)
//     17    495   reserved, zero
//
// A memo: its text, then 0x1A 0x1A, from the first byte of its first block, occupying
// ceil((length + 2) / 512) blocks (the rest of the last block is zero). A reader stops at
// the first 0x1A. The table's memo field holds the first block number as 10 right-aligned
// digits, blank when the record has no memo.
//
// Writing never reuses blocks: a new or changed memo goes to fresh blocks at the end and
// the old ones become unused space (only rebuilding the file reclaims it). Order of a
// write, under the memo write lock (lock_layout.h): read the next-free pointer, write the
// memo blocks, then the new pointer — a crash in between leaves unreferenced blocks, never
// a memo overwritten. The new blocks start at the next-free pointer or at the end of the
// file, whichever is later, so nothing written by another program is ever overwritten.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xbase/env.h"

namespace hurt::xbase {

inline constexpr uint64_t kMemoBlockSize = 512;
inline constexpr char kMemoEndMark = 0x1A;
// A memo longer than this is taken as a damaged file (a missing end mark).
inline constexpr size_t kMaxMemoLength = 16 * 1024 * 1024;

// The memo file that belongs to a table: the extension replaced by .dbt, keeping the case
// style of the table's name ("as.dbf" → "as.dbt", "AS.DBF" → "AS.DBT", "as" → "as.dbt").
std::string MemoPathFor(const std::string& dbf_path);

// Parses the 10-byte memo field of a record: 0 when blank (no memo), the block otherwise;
// Corruption when it holds anything but blanks and digits.
Result<uint32_t> ParseMemoBlock(std::string_view field_bytes);
// The 10-byte field text of a block number (blanks for 0).
std::string MemoBlockText(uint32_t block);

class MemoFile {
 public:
  struct Mode {
    bool exclusive = false;  // no other File has it open: no memo write lock is taken
    bool read_only = false;
  };

  // Writes a new, empty memo file (header block only), replacing the file's contents.
  // The caller makes sure nobody else has it open (Table::Create holds its open-mode lock).
  static Status Initialize(File& file);

  // Opens an existing memo file and takes its open-mode lock (shared or exclusive, failing
  // at once with Busy on a conflict).
  static Result<std::unique_ptr<MemoFile>> Open(Env& env, const std::string& path, Mode mode);

  // The text of the memo starting at block (up to its first 0x1A); block 0 gives "".
  // Corruption when the block lies past the end of the file or no end mark comes within
  // kMaxMemoLength bytes. A memo cut by the end of the file gives the bytes that are there.
  Result<std::string> Read(uint32_t block);

  // Checks a memo pointer as a checker would (Read is more forgiving): the block must lie
  // inside the file and below the header's next free block (when that is inside the file),
  // and the text must end with the end mark before the end of the file. OK for block 0
  // (no memo); Corruption saying what is wrong otherwise, without the file name.
  Status Check(uint32_t block);

  // Stores text in new blocks and returns the first one (0 for an empty text, which needs
  // no blocks). Invalid when the text contains 0x1A (readers would cut it there).
  Result<uint32_t> Write(std::string_view text);

  // Empties the file (header block only, next free block 1). Exclusive use only.
  Status Zap();

  Status Sync() { return file_->Sync(); }
  const std::string& path() const { return file_->path(); }
  File& file() { return *file_; }

 private:
  MemoFile(std::unique_ptr<File> file, Mode mode) : file_(std::move(file)), mode_(mode) {}
  Result<uint32_t> WriteLocked(std::string_view text);

  std::unique_ptr<File> file_;
  Mode mode_;
};

}  // namespace hurt::xbase
