// The byte ranges of the lock scheme shared by every station (and by other xBase programs
// that use the same classic scheme).
//
// Locks are advisory byte-range locks taken through File::Lock (open-file-description
// locks on Linux, see env.h): they belong to the open file, so two Table objects of one
// process conflict exactly like two processes, and a dead process's locks vanish at once.
// The ranges lie far beyond the end of any real file, so they never touch data.
//
//  range (offset, length)          file        kind        taken by, when                          busy
//  ------------------------------  ----------  ----------  --------------------------------------  ----------
//  record n: (1e9 + n, 1)          .dbf        exclusive   Table::LockRecord before changing        fail at once
//                                                          record n (REC_LOCK retries); Table::Append
//                                                          for the record it adds
//  whole table: (1e9 + 1, 1e9)     .dbf        exclusive   Table::LockFile for bulk changes         fail at once
//                                                          (FIL_LOCK retries); covers every record
//                                                          lock, so it conflicts with any of them
//  append / header update:         .dbf        exclusive   Table::Append and Table::BeginAppendBatch wait
//    (1e9, 1)                                              while they recount the records from the
//                                                          file size, write the new records and the
//                                                          header count; Table::Close while it
//                                                          rewrites the header date and count
//  records beyond the end:         .dbf        exclusive   Table::BeginAppendBatch, after the       fail at once
//    (1e9 + count + 1, up to                               append lock, until EndAppendBatch: the
//     the end of the file range)                           records of the batch are locked as one
//                                                          range (fails while another holds the file
//                                                          lock)
//  index read: (1e9, 1)            .ntx        shared      the index layer while it reads pages     wait
//  index update: (1e9, 1)          .ntx        exclusive   the index layer while it changes pages   wait
//                                                          and the header; on taking it, re-read the
//                                                          header and drop cached pages when the
//                                                          update counter, root, free list or
//                                                          signature changed; write pages and the
//                                                          header before releasing
//  memo write: (0, 1)              .dbt        exclusive   MemoFile::Write while it reads the       wait
//                                                          next-free block, writes the memo and the
//                                                          new next-free pointer
//  open mode: (0x7FFFFFFF, 1)      .dbf .dbt   shared or   every open, for as long as the file is   fail at once
//                                  .ntx        exclusive   open: a shared open holds a shared lock,
//                                                          an exclusive open an exclusive one
//
// Notes:
//  - "fail at once" ranges are taken with wait=false and give Status::Busy; retrying with a
//    time-out is the caller's (NET_USE, REC_LOCK, FIL_LOCK, ADD_REC helpers).
//  - "wait" ranges are held only for the few writes of one operation, never across user input.
//  - A table opened exclusively takes no record, file or append locks: the open-mode lock
//    already keeps every other station out.
//  - The open-mode byte 0x7FFFFFFF lies above the whole-table range (which ends at 2e9 + 1),
//    so the file lock and the open mode never interfere.
//  - Record numbers are limited to kMaxRecords so that every record lock lies inside the
//    whole-table range.
//  - Unlocking part of a range one holds punches a hole in it (OFD semantics): a Table that
//    holds the file lock therefore never unlocks a single record byte, it only forgets it.
#pragma once

#include <cstdint>

namespace hurt::xbase::lock_layout {

inline constexpr uint64_t kLockBase = 1'000'000'000;

// .dbf: record n is locked at kLockBase + n.
inline constexpr uint64_t kRecordLockLength = 1;
constexpr uint64_t RecordLockOffset(uint32_t recno) { return kLockBase + recno; }

// .dbf: the whole table (FLOCK): every possible record byte.
inline constexpr uint64_t kFileLockOffset = kLockBase + 1;
inline constexpr uint64_t kFileLockLength = 1'000'000'000;
inline constexpr uint64_t kFileLockEnd = kFileLockOffset + kFileLockLength;  // one past the range

// The largest record number whose lock byte lies inside the whole-table range.
inline constexpr uint32_t kMaxRecords = 1'000'000'000;

// .dbf: appending and rewriting the header count.
inline constexpr uint64_t kAppendLockOffset = kLockBase;
inline constexpr uint64_t kAppendLockLength = 1;

// .ntx: shared while reading, exclusive while updating.
inline constexpr uint64_t kIndexLockOffset = kLockBase;
inline constexpr uint64_t kIndexLockLength = 1;

// .dbt: writing a memo (next-free pointer).
inline constexpr uint64_t kMemoLockOffset = 0;
inline constexpr uint64_t kMemoLockLength = 1;

// .dbf .dbt .ntx: shared or exclusive open.
inline constexpr uint64_t kOpenModeOffset = 0x7FFFFFFF;
inline constexpr uint64_t kOpenModeLength = 1;

static_assert(kOpenModeOffset >= kFileLockEnd, "open-mode byte must lie outside the whole-table range");
static_assert(RecordLockOffset(kMaxRecords) < kFileLockEnd, "every record lock must lie inside the file lock");

}  // namespace hurt::xbase::lock_layout
