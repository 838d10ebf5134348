// Building an NTX index in one pass: sort the keys, write the pages bottom-up.
//
// The caller walks the table in record order and hands every (key, record number) to
// Add; Finish sorts them and writes the index. Memory stays bounded: keys are sorted in
// chunks of at most memory_limit bytes; chunks that do not fit are written as sorted runs
// to a temporary file "<index>.srt" beside the index and merged at the end.
//
// The tree is written bottom-up from the sorted stream. With N entries known, the number
// of pages of every level is fixed in advance and the entries spread evenly, so every
// page but the root holds between half and all of the maximum number of keys (the same
// bounds an index kept up by inserts and removals has) and all leaves lie at one depth.
// Pages follow one another in the file (leaves and the branches above them interleaved),
// the root last; the header goes at the very end, so a build cut short leaves a file that
// does not open as an index rather than a wrong one.
//
// Order: keys as bytes, equal keys by record number; a unique index keeps the entry with
// the lowest record number of each key.
//
// The builder holds the file's exclusive open-mode lock from Start to the end: Start
// fails with Busy while another station has the index open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"
#include "xbase/ntx.h"

namespace hurt::xbase {

struct NtxBuildOptions {
  size_t memory_limit = size_t{32} << 20;  // bytes of keys sorted in memory at a time
  bool sync = true;                        // fdatasync the index when written
  // How full the leaves are made (50..100): room left in them lets later insertions go
  // in without splitting pages, which costs three page writes and a longer file each.
  int leaf_fill_percent = 100;
};

class NtxBuilder {
 public:
  // Opens (creating when missing) the index file and takes its exclusive open-mode
  // lock. Nothing is written before Finish: a build that is abandoned leaves the old
  // index as it was.
  static Result<std::unique_ptr<NtxBuilder>> Start(Env& env, const std::string& path, const NtxCreateOptions& options,
                                                   const NtxBuildOptions& build = {});
  ~NtxBuilder();
  NtxBuilder(const NtxBuilder&) = delete;
  NtxBuilder& operator=(const NtxBuilder&) = delete;

  // Adds an entry; the key must be exactly key_length bytes, recno at least 1.
  Status Add(std::string_view key, uint32_t recno);
  // Sorts what was added and writes the index. Call once.
  Status Finish();

  uint64_t added() const { return added_; }
  size_t runs() const { return runs_.size(); }  // sorted runs spilled to the temporary file

 private:
  // One entry while sorting: the first 24 key bytes as three big-endian numbers (so
  // comparisons, and writing the sorted keys out, need no memory beyond the reference for
  // keys up to 24 bytes), the record number, and where the rest of a longer key lies in
  // tails_.
  struct SortRef {
    uint64_t head[3];
    uint32_t recno;
    uint32_t index;
  };
  struct Run {
    uint64_t offset;
    uint64_t count;
  };
  class TreeWriter;
  class SortMemory;

  NtxBuilder(Env& env, std::unique_ptr<File> file, NtxHeader header, const NtxBuildOptions& build);

  Status SpillChunk();
  Status Reserve();
  void SortChunk();
  void ReleaseChunk();
  void KeyOf(const SortRef& ref, char* out) const;
  Status WriteIndex();
  Status MergeRuns(bool emit, uint64_t* distinct, TreeWriter* writer);

  Env& env_;
  std::unique_ptr<File> file_;
  NtxHeader header_;
  NtxBuildOptions build_;
  size_t key_length_;
  size_t tail_length_;  // key bytes beyond the 16 held in the sort reference
  size_t chunk_capacity_;
  // The chunk being filled: chunk_capacity_ references and their key tails, in one block
  // of memory (asked for with huge pages: touching tens of MiB page by page costs more
  // than sorting them).
  std::unique_ptr<SortMemory> memory_;
  SortRef* refs_ = nullptr;
  char* tails_ = nullptr;
  size_t count_ = 0;
  std::vector<Run> runs_;
  std::unique_ptr<File> temp_;
  std::string temp_path_;
  uint64_t temp_size_ = 0;
  uint64_t added_ = 0;
  bool finished_ = false;
  Status failed_;
};

}  // namespace hurt::xbase
