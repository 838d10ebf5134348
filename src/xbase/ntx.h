// NTX indexes: a single-order B-tree file shared between stations.
//
// Order. Entries are (key, record number) pairs. Keys compare as bytes (reversed in the
// rare files with the descending flag); equal keys are ordered by record number, so every
// entry has one place and can be found and removed exactly. A bulk build (NtxBuilder)
// and incremental inserts give the same order.
//
// Sharing and coherence (lock_layout.h lists the byte ranges):
//   - Open takes the open-mode lock: shared, or exclusive (Busy at once on conflict).
//   - Every read operation of a cursor (Seek, GoTop, GoBottom, Skip) first reads the
//     header's first 12 bytes (signature, update counter, root, free list) and compares
//     them with those the cached pages belong to.
//       Fast path: unchanged, and the operation finds every page it needs in the cache.
//       It then runs without the read lock: it sees exactly the state the header
//       announced when it was read (cached pages are all of that state; a writer changes
//       pages on disk only, and announces them with the header last), so it is as if it
//       had run just before a concurrent update.
//       Locked path: otherwise (header changed, a page missing, or more than
//       lockless_read_ms since the last locked check) the operation runs again from the
//       start under the shared index lock; a changed header drops the cache. The locked
//       check at least every lockless_read_ms keeps a network file system, whose cached
//       file data are refreshed when a lock is taken, from serving an old header for long.
//     A cursor whose position was taken before a change finds its place again by its
//     (key, record number): it never walks stale pages.
//     Why the fast path: on the development machine (bench/ntx_build.cpp) the header
//     read costs about 1.4 us and a lock and unlock about 3 us, against about 1.2 us for
//     a whole seek in cached pages; warm random seeks in shared mode run at about
//     300,000/s on the fast path and half that with the lock on every seek.
//   - Insert and Remove run under the exclusive index lock: re-read the header, change
//     pages in a private write set, write the changed pages, then the header counters with
//     version + 1, release. Another NtxIndex object (another station) sees the change at
//     its next operation, without reopening.
//   - Opened exclusively, nobody else can touch the file, so locks and header reads are
//     skipped.
//
// Durability: pages are written with the header last; Sync() makes them durable (the
// caller's commit). A crash in the middle of an update may leave a tree that a rebuild
// repairs, never a half-written header.
//
// Damaged files: every header and page read is checked (ntx_format.h); trouble gives
// Status::Corruption naming the file and the page offset, never a crash or an endless
// walk (the tree depth is bounded). The index then stays marked damaged(), so that a
// caller that could not show the status where it met it (a browse grid moving through
// the records) still learns that what it read is not to be trusted.
//
// Not thread-safe: one station is one thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"
#include "xbase/key_encoding.h"
#include "xbase/ntx_format.h"
#include "xbase/ntx_page_cache.h"

namespace hurt::xbase {

// What a new index is built on. The expression texts are stored for the caller, who
// compiles and evaluates them; the index only sees keys.
struct NtxCreateOptions {
  std::string key_expression;  // 1..255 characters
  int key_length = 0;          // 1..256 bytes
  int key_decimals = 0;        // numeric keys
  bool unique = false;         // keep only the first record of each key
  std::string for_expression;  // "" = every record has a key
};

struct NtxOpenOptions {
  bool exclusive = false;     // exclusive open (else shared)
  bool read_only = false;     // open the file for reading only; Insert/Remove are refused
  size_t cache_pages = 2048;  // page cache bound (about 1.3 KiB a page)
  // Shared mode: how long after the last check under the read lock reads may take the
  // lock-free fast path (see above); 0 = every read takes the lock.
  int lockless_read_ms = 100;
};

// What Verify found.
// One change of an NtxIndex::Apply batch.
struct NtxChange {
  std::string_view key;
  uint32_t recno = 0;
  bool insert = true;  // false: remove the entry
};

struct NtxStats {
  uint64_t keys = 0;
  uint64_t pages = 0;       // tree pages, root included
  uint64_t free_pages = 0;  // pages on the free list
  int depth = 0;            // levels, 1 for a lone root leaf
};

class NtxCursor;

class NtxIndex {
 public:
  // Writes a new, empty index (replacing a file of that name). Busy when another
  // station has the file open.
  static Status Create(Env& env, const std::string& path, const NtxCreateOptions& options);

  // Opens an index and checks its header. Busy when the open mode conflicts with another
  // station's; Corruption when the header does not make sense.
  static Result<std::unique_ptr<NtxIndex>> Open(Env& env, const std::string& path,
                                                const NtxOpenOptions& options = {});
  // The same over a file already opened (takes the open-mode lock itself). Without a
  // clock reads always take the lock.
  static Result<std::unique_ptr<NtxIndex>> OpenFile(std::unique_ptr<File> file, const NtxOpenOptions& options = {},
                                                    Clock* clock = nullptr);

  ~NtxIndex();
  NtxIndex(const NtxIndex&) = delete;
  NtxIndex& operator=(const NtxIndex&) = delete;

  // ---- header facts (fixed while open) ----
  const std::string& path() const { return file_->path(); }
  const std::string& key_expression() const { return header_.key_expression; }
  const std::string& for_expression() const { return header_.for_expression; }  // "" = none
  KeyFormat key_format() const { return {header_.key_length, header_.key_decimals}; }
  int key_length() const { return header_.key_length; }
  int key_decimals() const { return header_.key_decimals; }
  bool unique() const { return header_.unique; }
  bool descending() const { return header_.descending; }
  int max_keys() const { return header_.max_keys; }
  bool exclusive() const { return exclusive_; }

  // ---- key maintenance ----
  // Adds the entry. The key must be exactly key_length() bytes and recno at least 1.
  // An entry already present is left alone; in a unique index a key already present
  // (with any record) is not added again.
  Status Insert(std::string_view key, uint32_t recno);
  // Removes exactly this entry; NotFound when the index has no such entry.
  Status Remove(std::string_view key, uint32_t recno);
  // Applies several changes, in the order given, under one update lock: every page they
  // touch is written once, then the header once. This is how a record's key change (a
  // removal and an insertion) or many new records' keys cost one lock and one header
  // write. A removal of an entry that is not there is skipped and counted in *missing
  // (when given) rather than failing the batch. Invalid (nothing changed) when a key has
  // the wrong length or a record number is 0.
  Status Apply(std::span<const NtxChange> changes, size_t* missing = nullptr);

  // Bulk changes: holds the update lock from BeginBatch to EndBatch, so that Insert,
  // Remove and Apply change pages in memory only; the changed pages and the header are
  // written at EndBatch, and also whenever more than batch_pages pages have changed (the
  // lock is then released and taken again, letting waiting stations in between). Other
  // stations' reads of the index wait meanwhile: use it for bulk work under the table's
  // file lock or exclusive use, never across user input. Reads through this object's
  // cursors see the batch's changes. A failed change ends the batch: what was written by
  // earlier flushes stays (each flush leaves a whole tree), the rest is dropped.
  Status BeginBatch(size_t batch_pages = 4096);
  Status EndBatch();
  bool in_batch() const { return batch_; }

  // Makes written pages durable (fdatasync).
  Status Sync();

  // Walks the whole tree under the read lock and checks it: key order, equal depth of the
  // leaves, child offsets, no page used twice, free list. With `strict` also the page
  // fill (every page but the root at least half full) and that every page of the file is
  // either in the tree or on the free list. Returns Corruption describing the first fault.
  Result<NtxStats> Verify(bool strict = true);

  // True once this index has reported Corruption (a bad page or header, a walk that does
  // not make sense): its entries cannot be trusted until the file is rebuilt from the
  // table.
  bool damaged() const { return damaged_; }

  // Counts for tests and tools: pages read from the file, cache drops caused by changes
  // made elsewhere, reads that took the read lock.
  uint64_t pages_read() const { return pages_read_; }
  uint64_t cache_drops() const { return cache_drops_; }
  uint64_t locked_reads() const { return locked_reads_; }

 private:
  friend class NtxCursor;
  friend class NtxReadScope;

  struct Step {
    uint32_t page;  // file offset of the page
    int slot;       // the entry (last step) or the child followed (earlier steps)
  };
  using Path = std::vector<Step>;

  // What a descent looks for: the first entry not below the target. A prefix target
  // compares only the first key.size() bytes of the keys; an entry target compares whole
  // keys and then record numbers.
  struct Target {
    std::string_view key;
    uint32_t recno = 0;
    bool prefix = false;
  };

  NtxIndex(std::unique_ptr<File> file, NtxHeader header, uint64_t file_size, const NtxOpenOptions& options,
           Clock* clock);

  // Locking and coherence.
  // Starts a lock-free read when the fast path applies; pages must then come from the
  // cache (a missing one fails the read, and EndLocklessRead reports it).
  bool TryLocklessRead();
  bool EndLocklessRead();  // true when the read must run again under the lock
  Status BeginRead();
  void EndRead();
  Status BeginUpdate();
  Status CommitUpdate();
  void EndUpdate();
  Status Refresh();
  Status ReadCounters(char* data);

  // Pages: the write set first (during an update), then the cache, then the file.
  // A returned pointer is good until the next GetPage (write-set pages until the end of
  // the update).
  Result<const NtxPage*> GetPage(uint32_t offset);
  Result<NtxPage*> Modify(uint32_t offset);
  Result<uint32_t> Allocate();
  Status Free(uint32_t offset);

  // Comparisons.
  int CompareKey(std::string_view entry_key, std::string_view target) const;
  int LowerBound(const NtxPage& page, const Target& target) const;
  bool IsEntry(const NtxPage& page, int slot, std::string_view key, uint32_t recno) const;

  // Navigation on a path (under the read or update lock, or on the lock-free fast path).
  // Those returning bool give false when they ran off the end (forward) or the beginning
  // (backward) of the index.
  Status DescendLowerBound(const Target& target, Path* path);
  Status DescendFirst(uint32_t page, Path* path);  // the leftmost leaf below page
  Status DescendLast(uint32_t page, Path* path);   // the rightmost leaf below page
  Result<bool> SettleForward(Path* path);          // onto the next entry at or after the slot
  Result<bool> SettleBackward(Path* path);         // onto the entry at or before the slot
  Result<bool> StepForward(Path* path);
  Result<bool> StepBackward(Path* path);
  Status PushStep(Path* path, uint32_t page, int slot);

  Status InsertLocked(std::string_view key, uint32_t recno);
  Status RemoveLocked(std::string_view key, uint32_t recno);
  Status FixUnderflow(const Path& path, size_t level);
  Status CheckKey(std::string_view key, uint32_t recno) const;
  Status VerifyPage(uint32_t offset, int depth, bool strict, std::vector<bool>* seen, std::string* last_key,
                    uint32_t* last_recno, bool* any, int* leaf_depth, NtxStats* stats);
  Status Corrupt(const std::string& what) const;

  std::unique_ptr<File> file_;
  // The header's counters through a mapped view when the env offers one: the check made
  // before every read and update then costs no system call.
  std::unique_ptr<FileView> header_view_;
  NtxHeader header_;
  NtxPageFormat format_;
  NtxCounters counters_;  // header counters the cached pages belong to
  uint64_t file_size_;
  bool exclusive_;
  bool read_only_;
  NtxPageCache cache_;
  NtxPage scratch_;
  std::string read_buffer_;
  // Sequential reading (a skip through the index) reads the pages after a missed one in
  // the same call: the offset of the last page read from the file, and how many follow.
  uint32_t last_file_page_ = 0;
  NtxPage ahead_;
  // Bumped whenever cached positions may be stale: a cache drop or a committed update.
  uint64_t generation_ = 1;
  uint64_t pages_read_ = 0;
  uint64_t cache_drops_ = 0;
  uint64_t locked_reads_ = 0;
  mutable bool damaged_ = false;  // set by Corrupt(), which is const
  Clock* clock_;
  int lockless_read_ms_;
  int64_t last_locked_check_ = 0;
  bool cache_only_ = false;
  bool missed_ = false;

  // The root page: the one of the update under way, else the one of the header.
  uint32_t root() const { return updating_ ? work_.root : counters_.root; }

  // Runs one change: alone under its own update lock, or inside the batch.
  template <typename Change>
  Status Change1(Change change);
  Status FlushBatch();
  void AbortBatch();

  // A batch of changes under one update lock (BeginBatch).
  bool batch_ = false;
  size_t batch_pages_ = 0;

  // The update under way.
  bool updating_ = false;
  std::map<uint32_t, std::unique_ptr<NtxPage>> dirty_;
  NtxCounters work_;
  uint64_t end_ = 0;  // where a page taken from the end of the file goes
};

// A position in an index with the usual xBase meaning of EOF and BOF:
//   - EOF: past the last entry (after an unsuccessful exact seek, a soft seek above every
//     key, skipping past the end, or in an empty index). recno() is 0, key() empty.
//   - BOF: a skip tried to move before the first entry; the cursor stays on the first
//     entry (recno() and key() are its). Both flags are set in an empty index.
// Any number of cursors may share one NtxIndex. Each operation takes the index read lock
// for its own duration only.
class NtxCursor {
 public:
  explicit NtxCursor(NtxIndex& index);

  // Exact seek (soft false): onto the first entry whose key begins with `key` (a shorter
  // key is a prefix seek; a longer one is cut to the key length); true when found,
  // otherwise EOF. Soft seek: onto the first entry whose key is not below `key`; true
  // when that entry begins with `key`; EOF when every key is below.
  Result<bool> Seek(std::string_view key, bool soft = false);
  // Onto the entry (key, recno) of one record, or the first entry after it (false).
  Result<bool> SeekEntry(std::string_view key, uint32_t recno);
  Status GoTop();
  Status GoBottom();
  // Moves n entries forward (negative: backward). Past the end gives EOF; before the
  // beginning gives BOF on the first entry. Skip(0) refreshes the position: when the entry
  // was removed meanwhile, the cursor moves on to the entry that followed it.
  Status Skip(long n = 1);

  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  uint32_t recno() const { return eof_ ? 0 : recno_; }
  std::string_view key() const { return eof_ ? std::string_view() : std::string_view(key_); }

 private:
  Status SetEof(bool empty);
  Status LoadCurrent();
  // Finds the position again when the index changed since it was taken; *exact is
  // false when the entry is gone and the cursor stands on its successor instead.
  Status Refind(bool* exact);
  // The operations themselves, run by Read on the fast path or under the lock.
  Status DoTop();
  Status DoBottom();
  Result<bool> DoSeek(std::string_view key, bool soft);
  Result<bool> DoSeekEntry(std::string_view key, uint32_t recno);
  Status DoSkip(long n);
  // Runs one read operation: lock-free when the fast path allows, else (or again, after
  // a cache miss, from the saved position) under the read lock.
  template <typename Op>
  auto Read(Op op);
  void SavePosition();
  void RestorePosition();

  NtxIndex* index_;
  NtxIndex::Path path_;
  uint64_t generation_ = 0;
  std::string key_;
  uint32_t recno_ = 0;
  bool eof_ = true;
  bool bof_ = false;

  struct Saved {
    NtxIndex::Path path;
    uint64_t generation = 0;
    std::string key;
    uint32_t recno = 0;
    bool eof = true;
    bool bof = false;
  } saved_;
};

}  // namespace hurt::xbase
