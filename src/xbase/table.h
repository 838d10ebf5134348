// Table: one dBASE III table (.dbf with its .dbt memo file) opened shared or exclusive.
//
// Everything goes through an Env, so tests run it on MemoryEnv/FaultEnv and the program
// on the real file system. A Table is used by one thread at a time; two Table objects on
// one file behave like two stations (their locks conflict, see env.h and lock_layout.h).
//
// Record numbers count from 1.
//
// Sharing. Open takes the open-mode lock on the .dbf and the .dbt: shared or exclusive,
// failing at once with Busy when another holder conflicts (an exclusive open while anyone
// else has the table open, a shared open while someone holds it exclusively). What to do
// then (retry for n seconds, show "Plik ... niedostepny") is the caller's.
//
// Locks (shared mode). Writing a record needs its record lock or the file lock held by
// this Table; a write without one is a program error and gives Invalid "record not
// locked". Any number of record locks may be held at once. LockRecord and LockFile fail at
// once with Busy when another station holds a conflicting lock. In exclusive mode all lock
// calls succeed without touching the file and every record counts as locked.
//
// Record count and coherence (shared mode). Another station may append at any time. The
// count is taken from the file size ((size - header length) / record length), never from
// the header: RecordCount() is the count last seen, Refresh() re-reads it, and Read,
// LockRecord, Write and the scanner refresh it themselves before declaring a record
// number past the end. Read always reads the file in shared mode, so another station's
// committed writes are seen at once. RecordScanner reads ahead in blocks; what it returns
// is a snapshot taken when each block was read.
//
// Reading ahead for sequential movement (ReadNear). Reading records one system call each
// is the cost of walking a table (a work area skipping through it in any order). ReadNear
// may serve a record from a block of records (64 KiB, aligned) read earlier, and reads
// such a block when the record lies near the one read before (a skip through a table, or
// through an index whose order follows the file's), else the record alone. A block
// serves records only while it is younger than TableMode::read_ahead_ms and this Table
// has taken no lock since it was read (LockRecord, LockFile, Append and
// BeginAppendBatch drop the blocks), so what ReadNear gives is at most that old, and
// fresh for every record this Table holds locked; this Table's own writes go through to
// the blocks. Callers use Read where they need the file as it is now (a GOTO, a re-read).
// The bound is the same one the index layer's lock-free reads keep (ntx.h).
//
// Exclusive mode may buffer: appended records collect in memory (up to ~1 MB) and are
// written in one go, and both Read and ReadNear use the read-ahead blocks (nobody else
// can write); all invisible to the caller and flushed by Commit, Close, Zap and Pack. A write error of buffered records surfaces
// at the call that flushes them (an Append, Commit or Close); those records are then
// dropped from the count, so use Commit to know that appended records are on disk.
//
// Writing behind (exclusive mode, when asked: SetWriteBehind). A record written while a
// read-ahead block holds it changes the block only; the block goes to the file when it
// leaves the cache, when the file is read directly (ReadBlock, RecordScanner, Pack), and
// on FlushBlocks, Commit, Close and SetWriteBehind(false). For a work table of one run
// whose rows are changed many times over, visited in the order of the file: a run of
// changes costs one write per block instead of one per change. A write error of such a
// block surfaces at the call that writes it.
//
// Appending (shared mode). Append takes the append lock (waiting for it), recounts the
// records from the file size, locks the new record (Busy when another station holds the
// file lock: nothing is written then), writes the record followed by the 0x1A end-of-file
// byte in one write, rewrites the header's date and count, and releases the append lock;
// the new record stays locked. That is six system calls per record. For bulk work,
// BeginAppendBatch/EndAppendBatch hold the append lock across many appends: the records
// are buffered and written in large blocks, and the whole range of new record numbers is
// locked as one (so the batch's records stay locked until the batch ends, and other
// stations wait for the append lock meanwhile). The end-of-file byte is written in shared
// mode too: it costs nothing (same write) and keeps the file readable by programs that
// expect it; shared readers ignore it because they count whole records.
//
// Durability and ordering. Records are always written before the header count that
// covers them, so a crash leaves at worst whole records past the header count (which
// every Table counts, and the next header write corrects) or a partial record at the end
// (which nobody counts and the next append overwrites); the header itself is rewritten
// only in its 7 date-and-count bytes. A failed append truncates away what it may have
// written. Commit() flushes buffers and calls fdatasync on the .dbf and the .dbt. Zap and
// Pack build the new file beside the old one and rename it over it, so a crash leaves
// either the old or the new table.
//
// The header date is set to today (env.clock()) whenever the header is rewritten: on
// every shared append, and on Close/Commit when anything was changed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "xbase/dbf_format.h"
#include "xbase/dbt.h"
#include "xbase/env.h"
#include "xbase/record.h"

namespace hurt::xbase {

struct TableMode {
  bool exclusive = false;
  // No writes, no locks. Combined with exclusive the file is still opened for writing,
  // because an exclusive byte lock needs a writable file.
  bool read_only = false;
  // Shared mode: how long a block read ahead by ReadNear may serve records (see above);
  // 0 = ReadNear reads like Read.
  int read_ahead_ms = 100;
  // Shared and read only (tools salvaging what is left): a table whose header counts
  // more records than the file holds (an interrupted append, a cut copy) is opened with
  // the whole records present as its records, instead of being refused with Corruption
  // (dbf_repair.h sets such a header right).
  bool accept_short = false;

  static TableMode Shared() { return {false, false}; }
  static TableMode Exclusive() { return {true, false}; }
  static TableMode SharedReadOnly() { return {false, true}; }
  static TableMode Salvage() {
    TableMode mode = SharedReadOnly();
    mode.accept_short = true;
    return mode;
  }
};

class Table {
 public:
  // Creates an empty table (and its .dbt when a field is a memo), replacing the files when
  // they exist and nobody has them open (Busy otherwise). Field names must be 1 to 10
  // letters, digits or "_" starting with a letter (stored upper case), unique; types C
  // (width 1..65535; above 255 in the Clipper style, the decimals byte as the high byte),
  // N (width 1..19, decimals 0..15 and at most width - 2), D (8), L (1), M (10); a width of
  // 0 for D, L or M means the standard one. Invalid on a bad field list. The header gets
  // version 0x03 or 0x83, language byte 0x64 and today's date from env.clock().
  static Status Create(Env& env, const std::string& dbf_path, const std::vector<DbfFieldDescriptor>& fields);

  // Opens a table. NotFound when the .dbf (or a needed .dbt) is missing, Busy when the open
  // mode conflicts with another holder, Corruption (naming the file) when it is damaged.
  static Result<std::unique_ptr<Table>> Open(Env& env, const std::string& dbf_path, TableMode mode = {});

  ~Table();  // Close(), ignoring its status
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Flushes buffered appends, rewrites the header date and count when the table was
  // changed (shared mode: under the append lock, count from the file size), and closes
  // both files, which drops every lock. Further calls on the table give Invalid.
  Status Close();

  // --- Structure -------------------------------------------------------------------------
  const std::string& path() const { return path_; }
  // The .dbt path ("" when the table has no memo fields).
  const std::string& memo_path() const { return memo_path_; }
  bool exclusive() const { return mode_.exclusive; }
  bool read_only() const { return mode_.read_only; }
  const TableSchema& schema() const { return *schema_; }
  const std::vector<DbfFieldDescriptor>& fields() const { return schema_->fields(); }
  // Field index by name, ignoring ASCII case; -1 when absent.
  int FieldIndex(std::string_view name) const { return schema_->FieldIndex(name); }
  uint32_t record_length() const { return header_.record_length; }
  uint32_t header_length() const { return header_.header_length; }
  // The header as read at open or last written by this Table (its record_count is the
  // stored one, not necessarily RecordCount()).
  const DbfHeader& header() const { return header_; }
  uint8_t version() const { return header_.version; }
  uint8_t language() const { return header_.language; }
  Env& env() { return env_; }

  // --- Records ---------------------------------------------------------------------------
  // The record count last seen (see the coherence note above).
  uint32_t RecordCount() const { return count_; }
  // Re-reads the count from the file size (shared mode); returns it.
  Result<uint32_t> Refresh();

  // A blank live record bound to this table.
  Record NewRecord();
  // Reads record recno into *rec (binding it to this table). NotFound past the end.
  Status Read(uint32_t recno, Record* rec);
  // The same for sequential movement: may serve the record from a block read ahead (see
  // "Reading ahead" above).
  Status ReadNear(uint32_t recno, Record* rec);
  // How many read-ahead blocks this Table keeps (16, 1 MiB, unless told). A report that
  // walks the same stretch of a large file several times (once per kind of document on
  // each day) keeps more for the walk and gives them back after.
  void SetReadAheadBlocks(size_t blocks);
  // Writing behind (see above): only in exclusive mode (Invalid otherwise). Switching it
  // off writes the changed blocks.
  Status SetWriteBehind(bool on);
  bool write_behind() const { return write_behind_; }
  // Writes the read-ahead blocks changed by writing behind.
  Status FlushBlocks();
  // Writes rec as record recno (rec must have this table's record length). Shared mode:
  // Invalid "record not locked" unless this Table holds its record lock or the file lock.
  Status Write(uint32_t recno, const Record& rec);
  // Writes rec back to the record it was read from (rec.recno()).
  Status Write(const Record& rec) { return Write(rec.recno(), rec); }
  // Appends rec as a new last record and returns its number (see "Appending" above).
  Result<uint32_t> Append(const Record& rec);
  // Sets or clears the deleted flag of a record (one byte written; same lock rule as Write).
  Status Delete(uint32_t recno) { return SetDeletedFlag(recno, true); }
  Status Recall(uint32_t recno) { return SetDeletedFlag(recno, false); }

  // Holds the append lock from Begin to End so that many Append calls cost only a copy
  // each (see "Appending"). Busy when another station holds the file lock. Exclusive
  // mode: no locks, appends are buffered anyway. Lock/UnlockFile are refused meanwhile.
  // Other stations' appends wait for the batch: keep it to one bulk operation, never
  // across user input. A write error may surface at a later Append or at EndAppendBatch;
  // the records buffered since the last flush are then lost (and not counted).
  Status BeginAppendBatch();
  Status EndAppendBatch();
  bool InAppendBatch() const { return batch_; }

  // Reads up to max_count whole records from first on into *out (a snapshot; for
  // sequential scans, see RecordScanner). *got receives how many were read (0 past the end).
  Status ReadBlock(uint32_t first, uint32_t max_count, std::string* out, uint32_t* got);

  // Exclusive use only (Invalid otherwise). Zap removes every record (and every memo).
  // Pack removes the deleted records, keeping the order of the others; the .dbt is left as
  // it is (memos of removed records become unused space). Indexes must be rebuilt after.
  Status Zap();
  Status Pack();

  // Writes buffered records and the header (exclusive mode), then fdatasync on both files.
  Status Commit();

  // --- Memo file -------------------------------------------------------------------------
  // Used by Record for M fields; block 0 is the empty memo.
  Result<std::string> ReadMemo(uint32_t block);
  Result<uint32_t> WriteMemo(std::string_view text);
  // Checks a memo pointer (MemoFile::Check); Invalid without a memo file.
  Status CheckMemo(uint32_t block);

  // --- Locks -----------------------------------------------------------------------------
  // Busy when another station holds the record (or the file lock); NotFound when the
  // record does not exist; Invalid on a read-only table.
  Status LockRecord(uint32_t recno);
  // Releases one record lock (OK when it was not held).
  Status UnlockRecord(uint32_t recno);
  // The whole-table lock. Busy when another station holds the file lock or any record lock.
  Status LockFile();
  // Releases the file lock; the record locks held separately stay held.
  Status UnlockFile();
  // Releases the file lock and every record lock.
  Status UnlockAll();
  bool IsRecordLocked(uint32_t recno) const;
  bool IsFileLocked() const { return mode_.exclusive || file_locked_; }
  // The record locks held (ascending), not counting what the file lock covers.
  std::vector<uint32_t> LockedRecords() const { return {record_locks_.begin(), record_locks_.end()}; }

 private:
  friend class RecordScanner;
  Table(Env& env, std::string path, TableMode mode);

  Status CheckOpen() const;
  Status CheckWritable() const;
  uint64_t RecordOffset(uint32_t recno) const {
    return header_.header_length + static_cast<uint64_t>(recno - 1) * header_.record_length;
  }
  bool Buffered() const { return mode_.exclusive || batch_; }
  uint32_t DiskCount() const { return pending_.empty() ? count_ : pending_first_ - 1; }
  bool PendingHas(uint32_t recno) const { return !pending_.empty() && recno >= pending_first_ && recno <= count_; }
  bool BatchCovers(uint32_t recno) const { return batch_ && !mode_.exclusive && recno >= batch_first_; }
  Status EnsureRecordExists(uint32_t recno);
  Result<uint32_t> CountFromFileSize();

  Status WriteRecordBytes(uint32_t recno, uint32_t at, std::string_view bytes);
  Status SetDeletedFlag(uint32_t recno, bool deleted);
  Result<uint32_t> AppendBuffered(const Record& rec);
  Result<uint32_t> AppendShared(const Record& rec);
  Result<uint32_t> AppendUnderLock(const Record& rec);
  Status FlushPending();
  Status WriteHeaderDateAndCount(uint32_t count);
  Status UpdateHeaderOnClose();
  // Writes a new .dbf beside the old one (header, then what produce writes from `start`,
  // then the end-of-file byte), syncs it and renames it over the table.
  Status RewriteDbf(const std::function<Status(File& out, uint64_t start, uint32_t* count)>& produce);
  // Unlocks [start, end) except the bytes of the record locks held.
  Status UnlockRangeExcept(uint64_t start, uint64_t end);

  Env& env_;
  std::string path_;
  std::string memo_path_;
  TableMode mode_;
  std::unique_ptr<File> file_;
  std::unique_ptr<MemoFile> memo_;
  DbfHeader header_;
  std::shared_ptr<const TableSchema> schema_;
  uint32_t count_ = 0;
  bool changed_ = false;  // something was written since the header was last rewritten

  // Buffered appends (exclusive mode and batches): records pending_first_ .. count_.
  std::string pending_;
  uint32_t pending_first_ = 0;
  // Read-ahead blocks (ReadNear; Read too in exclusive mode).
  struct CachedBlock {
    uint32_t first = 0;  // records first .. first + count - 1
    uint32_t count = 0;
    int64_t loaded_ms = 0;
    uint64_t used = 0;  // read_tick_ of the last use
    bool dirty = false;  // changed by writing behind, not yet in the file
    std::string bytes;
  };
  // Writes one changed block to the file (it stays cached, clean).
  Status WriteBlockBack(CachedBlock& b);
  bool write_behind_ = false;
  Status ReadAhead(uint32_t recno, Record* rec);
  Status ReadOne(uint32_t recno, Record* rec);
  void DropBlocks();
  // The block holding recno, if one is cached (fresh or not).
  CachedBlock* BlockHolding(uint32_t recno);
  std::vector<CachedBlock> blocks_;
  std::unordered_map<uint32_t, size_t> block_at_;  // a cached block's first record → its slot
  size_t read_blocks_;
  uint64_t read_tick_ = 0;
  uint32_t last_read_ = 0;  // the record read before (0: none)

  std::set<uint32_t> record_locks_;
  bool file_locked_ = false;
  bool batch_ = false;
  uint32_t batch_first_ = 0;
};

// Sequential reading with read-ahead, for reports, index builds and dumps:
//
//   RecordScanner scan(table);
//   Record rec;
//   while (scan.Next(&rec)) { ... }
//   HURT_RETURN_IF_ERROR(scan.status());
//
// It reads blocks of records (about 64 KB) and picks up records appended by others when
// it reaches the end of what it knew. Deleted records are returned too (rec.deleted()).
class RecordScanner {
 public:
  explicit RecordScanner(Table& table, uint32_t first = 1) : table_(table), next_(first == 0 ? 1 : first) {}
  // Fills *rec with the next record; false at the end or on an error (see status()).
  bool Next(Record* rec);
  const Status& status() const { return status_; }

 private:
  Table& table_;
  uint32_t next_;
  std::string block_;
  uint32_t block_first_ = 0;
  uint32_t block_count_ = 0;
  Status status_;
};

}  // namespace hurt::xbase
