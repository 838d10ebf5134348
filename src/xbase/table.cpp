#include "xbase/table.h"

#include <algorithm>
#include <set>

#include "base/date.h"
#include "base/text.h"
#include "xbase/file_util.h"
#include "xbase/lock_layout.h"

namespace hurt::xbase {

namespace ll = lock_layout;

namespace {

// Exclusive mode and batches write appended records in blocks of about this size.
constexpr size_t kPendingBytes = 1 << 20;
// Read-ahead blocks: this many bytes each (whole records), at most kReadBlocks of them; a
// record within kNearBlocks blocks of the one read before counts as sequential movement.
constexpr size_t kBlockBytes = 64 * 1024;
constexpr size_t kReadBlocks = 16;
constexpr uint32_t kNearBlocks = 8;
// RecordScanner reads blocks of about this size.
constexpr size_t kScanBytes = 64 * 1024;
// Shared opens re-read a header whose count exceeds the file this often: a header read
// while another station rewrites its count may come out torn.
constexpr int kHeaderReadAttempts = 3;

constexpr char kEof[] = {kDbfEndOfFile};

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

Status CheckFieldList(const std::string& path, const std::vector<DbfFieldDescriptor>& fields,
                      std::vector<DbfFieldDescriptor>* out) {
  auto bad = [&](const std::string& what) { return Status::Invalid(path + ": " + what); };
  if (fields.empty()) return bad("a table needs at least one field");
  std::set<std::string> names;
  uint64_t record_length = 1;
  for (const DbfFieldDescriptor& given : fields) {
    DbfFieldDescriptor f = given;
    f.name = Upper(f.name);
    f.type = Upper(std::string(1, f.type))[0];
    if (f.name.empty() || f.name.size() > kMaxFieldNameLength) {
      return bad("field name '" + given.name + "' must have 1 to 10 characters");
    }
    // A letter first; the underscore too, as in the program's own mark fields ("_X_").
    if (!IsAsciiLetter(f.name[0]) && f.name[0] != '_') {
      return bad("field name '" + given.name + "' must start with a letter or _");
    }
    for (char c : f.name) {
      if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '_') {
        return bad("field name '" + given.name + "' may hold only letters, digits and _");
      }
    }
    if (!names.insert(f.name).second) return bad("duplicate field name " + f.name);
    const std::string what = "field " + f.name + ": ";
    switch (f.type) {
      case 'C':
        if (f.width < 1 || f.width > 65535) return bad(what + "character width must be 1 to 65535");
        f.decimals = 0;
        break;
      case 'N':
        if (f.width < 1 || f.width > 19) return bad(what + "numeric width must be 1 to 19");
        if (f.decimals < 0 || f.decimals > 15 || (f.decimals > 0 && f.decimals > f.width - 2)) {
          return bad(what + "numeric " + std::to_string(f.width) + "," + std::to_string(f.decimals) +
                     " has bad decimals");
        }
        break;
      case 'D':
      case 'L':
      case 'M': {
        int standard = f.type == 'D' ? 8 : f.type == 'L' ? 1 : 10;
        if (f.width == 0) f.width = standard;
        if (f.width != standard) {
          return bad(what + "type " + f.type + " has width " + std::to_string(standard) + ", not " +
                     std::to_string(f.width));
        }
        f.decimals = 0;
        break;
      }
      default:
        return bad(what + "bad field type '" + std::string(1, given.type) + "' (C N D L M)");
    }
    record_length += static_cast<uint64_t>(f.width);
    out->push_back(std::move(f));
  }
  if (record_length > 65535) return bad("record length " + std::to_string(record_length) + " exceeds 65535");
  if (kDbfHeaderPrefixSize + kDbfFieldDescriptorSize * out->size() + 2 > 65535) return bad("too many fields");
  return Status::Ok();
}

void SetDateToday(DbfHeader* header, Clock& clock) {
  Ymd today = YmdFromJulian(clock.Today());
  header->update_year = today.year;
  header->update_month = today.month;
  header->update_day = today.day;
}

// Takes the open-mode lock of a freshly opened file.
Status LockOpenMode(File& file, bool exclusive, const std::string& what) {
  Status s = file.Lock(ll::kOpenModeOffset, ll::kOpenModeLength, exclusive ? LockKind::kExclusive : LockKind::kShared,
                       false);
  if (s.IsBusy()) {
    return Status::Busy(file.path() + (exclusive ? ": " + what + " is open elsewhere"
                                                 : ": " + what + " is open exclusively elsewhere"));
  }
  return s;
}

}  // namespace

// --- Creating and opening ----------------------------------------------------------------

Status Table::Create(Env& env, const std::string& dbf_path, const std::vector<DbfFieldDescriptor>& fields) {
  DbfHeader header;
  HURT_RETURN_IF_ERROR(CheckFieldList(dbf_path, fields, &header.fields));
  header.version = header.HasMemoFields() ? kDbfVersionWithMemo : kDbfVersionPlain;
  SetDateToday(&header, env.clock());
  header.record_count = 0;
  header.header_length =
      static_cast<uint16_t>(kDbfHeaderPrefixSize + kDbfFieldDescriptorSize * header.fields.size() + 2);
  uint32_t record_length = 1;
  for (const auto& f : header.fields) record_length += static_cast<uint32_t>(f.width);
  header.record_length = static_cast<uint16_t>(record_length);
  header.language = kDbfLanguageCp852;

  OpenOptions options;
  options.create = true;
  auto dbf = env.Open(dbf_path, options);
  if (!dbf.ok()) return dbf.status();
  HURT_RETURN_IF_ERROR(LockOpenMode(**dbf, true, "table"));

  // The memo file first, so that a 0x83 table never exists without its .dbt.
  if (header.HasMemoFields()) {
    std::string memo_path = MemoPathFor(dbf_path);
    auto dbt = env.Open(memo_path, options);
    if (!dbt.ok()) return dbt.status();
    HURT_RETURN_IF_ERROR(LockOpenMode(**dbt, true, "memo file"));
    HURT_RETURN_IF_ERROR(MemoFile::Initialize(**dbt));
    HURT_RETURN_IF_ERROR((*dbt)->Sync());
  }

  std::string bytes;
  header.EncodeTo(&bytes);
  bytes.push_back(kDbfEndOfFile);
  HURT_RETURN_IF_ERROR((*dbf)->Truncate(0));
  HURT_RETURN_IF_ERROR((*dbf)->WriteAt(0, bytes));
  return (*dbf)->Sync();
}

Table::Table(Env& env, std::string path, TableMode mode)
    : env_(env), path_(std::move(path)), mode_(mode), read_blocks_(kReadBlocks) {}

Table::~Table() { (void)Close(); }

Result<std::unique_ptr<Table>> Table::Open(Env& env, const std::string& dbf_path, TableMode mode) {
  std::unique_ptr<Table> table(new Table(env, dbf_path, mode));
  OpenOptions options;
  options.write = !mode.read_only || mode.exclusive;
  auto file = env.Open(dbf_path, options);
  if (!file.ok()) {
    if (file.status().IsNotFound()) return Status::NotFound(dbf_path + ": table not found");
    return file.status();
  }
  HURT_RETURN_IF_ERROR(LockOpenMode(**file, mode.exclusive, "table"));
  table->file_ = std::move(file).value();

  uint64_t size = 0;
  for (int attempt = 1;; ++attempt) {
    std::string bytes;
    HURT_RETURN_IF_ERROR(ReadBytes(*table->file_, 0, kDbfHeaderPrefixSize, &bytes));
    uint16_t header_length = DbfHeader::PeekHeaderLength(bytes);
    if (header_length > bytes.size()) HURT_RETURN_IF_ERROR(ReadBytes(*table->file_, 0, header_length, &bytes));
    auto header = DbfHeader::Decode(bytes, dbf_path);
    if (!header.ok()) return header.status();
    auto file_size = table->file_->Size();
    if (!file_size.ok()) return file_size.status();
    Status fits = header->CheckFileSize(*file_size, dbf_path);
    const bool salvage = mode.accept_short && mode.read_only && !mode.exclusive && *file_size >= header->header_length;
    if (!fits.ok() && (mode.exclusive || attempt == kHeaderReadAttempts) && !salvage) return fits;
    if (fits.ok() || (salvage && attempt == kHeaderReadAttempts)) {
      table->header_ = std::move(header).value();
      size = *file_size;
      break;
    }
  }
  uint64_t count = table->header_.RecordsInFile(size);
  if (count > ll::kMaxRecords) return Status::Corruption(dbf_path + ": more records than a table can hold");
  table->count_ = static_cast<uint32_t>(count);
  table->schema_ = std::make_shared<const TableSchema>(table->header_.fields);

  if (table->header_.HasMemoFields()) {
    table->memo_path_ = MemoPathFor(dbf_path);
    auto memo = MemoFile::Open(env, table->memo_path_, MemoFile::Mode{mode.exclusive, mode.read_only});
    if (!memo.ok()) return memo.status();
    table->memo_ = std::move(memo).value();
  }
  return table;
}

Status Table::Close() {
  if (!file_) return Status::Ok();
  Status first;
  auto keep = [&first](Status s) {
    if (first.ok() && !s.ok()) first = std::move(s);
  };
  if (batch_) keep(EndAppendBatch());
  if (!mode_.read_only) {
    keep(FlushBlocks());
    keep(FlushPending());
    if (changed_) keep(UpdateHeaderOnClose());
  }
  memo_.reset();
  file_.reset();  // drops every lock of this table
  record_locks_.clear();
  file_locked_ = false;
  pending_.clear();
  DropBlocks();
  return first;
}

Status Table::CheckOpen() const {
  if (!file_) return Status::Invalid(path_ + ": table is closed");
  return Status::Ok();
}

Status Table::CheckWritable() const {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (mode_.read_only) return Status::Invalid(path_ + ": table opened read only");
  return Status::Ok();
}

// --- Counting ----------------------------------------------------------------------------

Result<uint32_t> Table::CountFromFileSize() {
  auto size = file_->Size();
  if (!size.ok()) return size.status();
  uint64_t count = header_.RecordsInFile(*size);
  if (count > ll::kMaxRecords) return Status::Corruption(path_ + ": more records than a table can hold");
  return static_cast<uint32_t>(count);
}

Result<uint32_t> Table::Refresh() {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (Buffered()) return count_;  // nobody else can append
  auto count = CountFromFileSize();
  if (!count.ok()) return count.status();
  count_ = *count;
  return count_;
}

Status Table::EnsureRecordExists(uint32_t recno) {
  if (recno > count_ && !Buffered()) {
    auto refreshed = Refresh();
    if (!refreshed.ok()) return refreshed.status();
  }
  if (recno == 0 || recno > count_) {
    return Status::NotFound(path_ + ": record " + std::to_string(recno) + " does not exist (" +
                            std::to_string(count_) + " records)");
  }
  return Status::Ok();
}

// --- Reading -----------------------------------------------------------------------------

Record Table::NewRecord() {
  Record rec(schema_);
  rec.table_ = this;
  return rec;
}

Status Table::Read(uint32_t recno, Record* rec) {
  HURT_RETURN_IF_ERROR(CheckOpen());
  HURT_RETURN_IF_ERROR(EnsureRecordExists(recno));
  if (mode_.exclusive) return ReadAhead(recno, rec);
  return ReadOne(recno, rec);
}

Status Table::ReadNear(uint32_t recno, Record* rec) {
  HURT_RETURN_IF_ERROR(CheckOpen());
  HURT_RETURN_IF_ERROR(EnsureRecordExists(recno));
  if (mode_.exclusive || mode_.read_ahead_ms > 0) return ReadAhead(recno, rec);
  return ReadOne(recno, rec);
}

// One record from the file (or the pending appends).
Status Table::ReadOne(uint32_t recno, Record* rec) {
  const uint32_t rl = header_.record_length;
  if (rec->schema_ != schema_) rec->schema_ = schema_;
  rec->table_ = this;
  rec->recno_ = recno;
  last_read_ = recno;
  if (PendingHas(recno)) {
    rec->bytes_.assign(pending_, static_cast<size_t>(recno - pending_first_) * rl, rl);
    return Status::Ok();
  }
  if (CachedBlock* b = BlockHolding(recno); b != nullptr && b->dirty) {
    rec->bytes_.assign(b->bytes, static_cast<size_t>(recno - b->first) * rl, rl);
    return Status::Ok();
  }
  HURT_RETURN_IF_ERROR(ReadBytes(*file_, RecordOffset(recno), rl, &rec->bytes_));
  if (rec->bytes_.size() == rl) {
    // A fresh copy also refreshes a block holding the record.
    if (CachedBlock* b = BlockHolding(recno)) b->bytes.replace(static_cast<size_t>(recno - b->first) * rl, rl, rec->bytes_);
    return Status::Ok();
  }
  rec->bytes_ = schema_->BlankRecord();
  return Status::Corruption(path_ + ": record " + std::to_string(recno) + " is cut short by the end of the file");
}

Status Table::ReadAhead(uint32_t recno, Record* rec) {
  if (PendingHas(recno)) return ReadOne(recno, rec);
  const uint32_t rl = header_.record_length;
  const int64_t now = mode_.exclusive ? 0 : env_.clock().MonotonicMillis();
  auto fresh = [&](const CachedBlock& b) { return mode_.exclusive || now - b.loaded_ms <= mode_.read_ahead_ms; };
  CachedBlock* block = BlockHolding(recno);
  if (block != nullptr && !fresh(*block)) block = nullptr;
  const uint32_t per_block = std::max<uint32_t>(1, static_cast<uint32_t>(kBlockBytes / rl));
  if (block == nullptr) {
    const uint32_t last = last_read_;
    const bool near = last != 0 && (recno > last ? recno - last : last - recno) <= kNearBlocks * per_block;
    if (!near) return ReadOne(recno, rec);
    // The aligned block holding the record, as far as the file has whole records.
    const uint32_t first = (recno - 1) / per_block * per_block + 1;
    const uint32_t n = std::min(per_block, DiskCount() - first + 1);
    CachedBlock* slot = nullptr;
    if (auto at = block_at_.find(first); at != block_at_.end()) slot = &blocks_[at->second];
    if (slot == nullptr) {
      for (CachedBlock& b : blocks_) {
        if (b.count == 0) slot = &b;
      }
    }
    if (slot == nullptr && blocks_.size() < read_blocks_) slot = &blocks_.emplace_back();
    if (slot == nullptr) {
      slot = &*std::min_element(blocks_.begin(), blocks_.end(),
                                [](const CachedBlock& a, const CachedBlock& b) { return a.used < b.used; });
    }
    if (slot->dirty) HURT_RETURN_IF_ERROR(WriteBlockBack(*slot));
    if (slot->count != 0) block_at_.erase(slot->first);
    slot->count = 0;
    HURT_RETURN_IF_ERROR(ReadBytes(*file_, RecordOffset(first), static_cast<size_t>(n) * rl, &slot->bytes));
    slot->first = first;
    slot->count = static_cast<uint32_t>(slot->bytes.size() / rl);
    slot->loaded_ms = now;
    if (slot->count != 0) block_at_[first] = static_cast<size_t>(slot - blocks_.data());
    if (recno >= first + slot->count) return ReadOne(recno, rec);  // cut short by the file's end
    block = slot;
  }
  block->used = ++read_tick_;
  last_read_ = recno;
  if (rec->schema_ != schema_) rec->schema_ = schema_;
  rec->table_ = this;
  rec->recno_ = recno;
  rec->bytes_.assign(block->bytes, static_cast<size_t>(recno - block->first) * rl, rl);
  return Status::Ok();
}

void Table::DropBlocks() {
  for (CachedBlock& b : blocks_) {
    b.count = 0;
    b.dirty = false;
  }
  block_at_.clear();
  last_read_ = 0;
}

Table::CachedBlock* Table::BlockHolding(uint32_t recno) {
  if (block_at_.empty() || recno == 0) return nullptr;
  const uint32_t per_block = std::max<uint32_t>(1, static_cast<uint32_t>(kBlockBytes / header_.record_length));
  auto at = block_at_.find((recno - 1) / per_block * per_block + 1);
  if (at == block_at_.end()) return nullptr;
  CachedBlock& b = blocks_[at->second];
  return recno >= b.first && recno < b.first + b.count ? &b : nullptr;
}

void Table::SetReadAheadBlocks(size_t blocks) {
  read_blocks_ = std::max<size_t>(1, blocks);
  if (blocks_.size() <= read_blocks_) return;
  // Blocks changed by writing behind must reach the file before the cache shrinks; one
  // that cannot is kept, so nothing written is lost (its error comes back at Flush).
  for (CachedBlock& b : blocks_) {
    if (b.dirty) (void)WriteBlockBack(b);
  }
  const auto dirty = [](const CachedBlock& b) { return b.dirty; };
  std::stable_partition(blocks_.begin(), blocks_.end(), dirty);
  read_blocks_ = std::max(read_blocks_, static_cast<size_t>(std::count_if(blocks_.begin(), blocks_.end(), dirty)));
  blocks_.resize(read_blocks_);
  blocks_.shrink_to_fit();
  block_at_.clear();
  for (size_t i = 0; i < blocks_.size(); ++i) {
    if (blocks_[i].count != 0) block_at_[blocks_[i].first] = i;
  }
}

Status Table::ReadBlock(uint32_t first, uint32_t max_count, std::string* out, uint32_t* got) {
  *got = 0;
  out->clear();
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (first == 0) return Status::Invalid(path_ + ": record 0 does not exist");
  if (first > count_ && !Buffered()) {
    auto refreshed = Refresh();
    if (!refreshed.ok()) return refreshed.status();
  }
  if (first > count_ || max_count == 0) return Status::Ok();
  uint32_t n = std::min(max_count, count_ - first + 1);
  if (!pending_.empty() && first + n - 1 >= pending_first_) HURT_RETURN_IF_ERROR(FlushPending());
  HURT_RETURN_IF_ERROR(FlushBlocks());
  const uint32_t rl = header_.record_length;
  HURT_RETURN_IF_ERROR(ReadBytes(*file_, RecordOffset(first), static_cast<size_t>(n) * rl, out));
  *got = static_cast<uint32_t>(out->size() / rl);
  out->resize(static_cast<size_t>(*got) * rl);
  if (*got == 0) {
    return Status::Corruption(path_ + ": record " + std::to_string(first) + " is cut short by the end of the file");
  }
  return Status::Ok();
}

bool RecordScanner::Next(Record* rec) {
  if (!status_.ok()) return false;
  if (next_ < block_first_ || next_ >= block_first_ + block_count_) {
    uint32_t rl = table_.record_length();
    uint32_t per_block = std::max<uint32_t>(1, static_cast<uint32_t>(kScanBytes / rl));
    uint32_t got = 0;
    block_count_ = 0;
    status_ = table_.ReadBlock(next_, per_block, &block_, &got);
    if (!status_.ok() || got == 0) return false;
    block_first_ = next_;
    block_count_ = got;
  }
  const uint32_t rl = table_.record_length();
  if (rec->schema_.get() != &table_.schema()) rec->schema_ = table_.schema_;
  rec->table_ = &table_;
  rec->recno_ = next_;
  rec->bytes_.assign(block_, static_cast<size_t>(next_ - block_first_) * rl, rl);
  ++next_;
  return true;
}

// --- Writing -----------------------------------------------------------------------------

Status Table::WriteRecordBytes(uint32_t recno, uint32_t at, std::string_view bytes) {
  changed_ = true;
  const uint32_t rl = header_.record_length;
  if (PendingHas(recno)) {
    pending_.replace(static_cast<size_t>(recno - pending_first_) * rl + at, bytes.size(), bytes);
    return Status::Ok();
  }
  CachedBlock* b = BlockHolding(recno);
  if (b != nullptr && write_behind_) {
    b->bytes.replace(static_cast<size_t>(recno - b->first) * rl + at, bytes.size(), bytes);
    b->dirty = true;
    return Status::Ok();
  }
  HURT_RETURN_IF_ERROR(file_->WriteAt(RecordOffset(recno) + at, bytes));
  if (b != nullptr) b->bytes.replace(static_cast<size_t>(recno - b->first) * rl + at, bytes.size(), bytes);
  return Status::Ok();
}

Status Table::WriteBlockBack(CachedBlock& b) {
  if (!b.dirty) return Status::Ok();
  const size_t length = static_cast<size_t>(b.count) * header_.record_length;
  HURT_RETURN_IF_ERROR(file_->WriteAt(RecordOffset(b.first), std::string_view(b.bytes).substr(0, length)));
  b.dirty = false;
  return Status::Ok();
}

Status Table::FlushBlocks() {
  if (!file_) return Status::Ok();
  for (CachedBlock& b : blocks_) HURT_RETURN_IF_ERROR(WriteBlockBack(b));
  return Status::Ok();
}

Status Table::SetWriteBehind(bool on) {
  HURT_RETURN_IF_ERROR(CheckWritable());
  if (on && !mode_.exclusive) return Status::Invalid(path_ + ": writing behind needs the table opened exclusively");
  if (!on) HURT_RETURN_IF_ERROR(FlushBlocks());
  write_behind_ = on;
  return Status::Ok();
}

Status Table::Write(uint32_t recno, const Record& rec) {
  HURT_RETURN_IF_ERROR(CheckWritable());
  if (rec.bytes_.size() != header_.record_length) {
    return Status::Invalid(path_ + ": record of " + std::to_string(rec.bytes_.size()) + " bytes given for records of " +
                           std::to_string(header_.record_length));
  }
  HURT_RETURN_IF_ERROR(EnsureRecordExists(recno));
  if (!IsRecordLocked(recno)) return Status::Invalid(path_ + ": record " + std::to_string(recno) + " not locked");
  return WriteRecordBytes(recno, 0, rec.bytes_);
}

Status Table::SetDeletedFlag(uint32_t recno, bool deleted) {
  HURT_RETURN_IF_ERROR(CheckWritable());
  HURT_RETURN_IF_ERROR(EnsureRecordExists(recno));
  if (!IsRecordLocked(recno)) return Status::Invalid(path_ + ": record " + std::to_string(recno) + " not locked");
  const char flag = deleted ? kRecordDeleted : kRecordLive;
  return WriteRecordBytes(recno, 0, std::string_view(&flag, 1));
}

Result<uint32_t> Table::Append(const Record& rec) {
  HURT_RETURN_IF_ERROR(CheckWritable());
  if (rec.bytes_.size() != header_.record_length) {
    return Status::Invalid(path_ + ": record of " + std::to_string(rec.bytes_.size()) + " bytes given for records of " +
                           std::to_string(header_.record_length));
  }
  if (Buffered()) return AppendBuffered(rec);
  return AppendShared(rec);
}

Result<uint32_t> Table::AppendBuffered(const Record& rec) {
  if (count_ >= ll::kMaxRecords) return Status::Invalid(path_ + ": table is full");
  if (pending_.empty()) {
    pending_first_ = count_ + 1;
    pending_.reserve(kPendingBytes + header_.record_length);
  }
  pending_ += rec.bytes_;
  ++count_;
  changed_ = true;
  uint32_t recno = count_;
  if (pending_.size() >= kPendingBytes) HURT_RETURN_IF_ERROR(FlushPending());
  return recno;
}

Result<uint32_t> Table::AppendShared(const Record& rec) {
  DropBlocks();
  HURT_RETURN_IF_ERROR(file_->Lock(ll::kAppendLockOffset, ll::kAppendLockLength, LockKind::kExclusive, true));
  Result<uint32_t> appended = AppendUnderLock(rec);
  Status unlocked = file_->Unlock(ll::kAppendLockOffset, ll::kAppendLockLength);
  if (appended.ok() && !unlocked.ok()) return unlocked;
  return appended;
}

Result<uint32_t> Table::AppendUnderLock(const Record& rec) {
  auto count = CountFromFileSize();
  if (!count.ok()) return count.status();
  count_ = *count;
  if (count_ >= ll::kMaxRecords) return Status::Invalid(path_ + ": table is full");
  const uint32_t recno = count_ + 1;
  const bool lock_needed = !file_locked_;
  if (lock_needed) {
    Status locked = file_->Lock(ll::RecordLockOffset(recno), ll::kRecordLockLength, LockKind::kExclusive, false);
    if (locked.IsBusy()) return Status::Busy(path_ + ": table is locked by another user");
    HURT_RETURN_IF_ERROR(locked);
  }
  std::string data;
  data.reserve(rec.bytes_.size() + 1);
  data += rec.bytes_;
  data.push_back(kDbfEndOfFile);
  const uint64_t offset = RecordOffset(recno);
  Status written = file_->WriteAt(offset, data);
  if (!written.ok()) {
    // Take back whatever part landed, so no torn record is left for others to count.
    (void)file_->Truncate(offset);
    (void)file_->WriteAt(offset, std::string_view(kEof, 1));
    if (lock_needed) (void)file_->Unlock(ll::RecordLockOffset(recno), ll::kRecordLockLength);
    return written;
  }
  count_ = recno;
  record_locks_.insert(recno);
  changed_ = true;
  HURT_RETURN_IF_ERROR(WriteHeaderDateAndCount(recno));
  return recno;
}

Status Table::FlushPending() {
  if (pending_.empty()) return Status::Ok();
  const uint32_t first = pending_first_;
  const uint64_t offset = RecordOffset(first);
  pending_.push_back(kDbfEndOfFile);
  Status written = file_->WriteAt(offset, pending_);
  pending_.clear();
  if (!written.ok()) {
    // The buffered records are lost; leave the file as it was before them.
    count_ = first - 1;
    (void)file_->Truncate(offset);
    (void)file_->WriteAt(offset, std::string_view(kEof, 1));
    return written;
  }
  return WriteHeaderDateAndCount(count_);
}

Status Table::WriteHeaderDateAndCount(uint32_t count) {
  SetDateToday(&header_, env_.clock());
  header_.record_count = count;
  HURT_RETURN_IF_ERROR(file_->WriteAt(kDbfDateAndCountOffset, header_.EncodeDateAndCount()));
  changed_ = false;
  return Status::Ok();
}

Status Table::UpdateHeaderOnClose() {
  if (mode_.exclusive) return WriteHeaderDateAndCount(count_);
  HURT_RETURN_IF_ERROR(file_->Lock(ll::kAppendLockOffset, ll::kAppendLockLength, LockKind::kExclusive, true));
  Status s;
  auto count = CountFromFileSize();
  s = count.ok() ? WriteHeaderDateAndCount(*count) : count.status();
  Status unlocked = file_->Unlock(ll::kAppendLockOffset, ll::kAppendLockLength);
  return s.ok() ? unlocked : s;
}

Status Table::BeginAppendBatch() {
  HURT_RETURN_IF_ERROR(CheckWritable());
  if (batch_) return Status::Invalid(path_ + ": append batch already started");
  if (mode_.exclusive) {
    batch_ = true;
    return Status::Ok();
  }
  DropBlocks();
  HURT_RETURN_IF_ERROR(file_->Lock(ll::kAppendLockOffset, ll::kAppendLockLength, LockKind::kExclusive, true));
  auto count = CountFromFileSize();
  Status s = count.ok() ? Status::Ok() : count.status();
  if (s.ok() && *count >= ll::kMaxRecords) s = Status::Invalid(path_ + ": table is full");
  if (s.ok() && !file_locked_) {
    uint64_t start = ll::RecordLockOffset(*count + 1);
    s = file_->Lock(start, ll::kFileLockEnd - start, LockKind::kExclusive, false);
    if (s.IsBusy()) s = Status::Busy(path_ + ": table is locked by another user");
  }
  if (!s.ok()) {
    (void)file_->Unlock(ll::kAppendLockOffset, ll::kAppendLockLength);
    return s;
  }
  count_ = *count;
  batch_ = true;
  batch_first_ = count_ + 1;
  return Status::Ok();
}

Status Table::EndAppendBatch() {
  if (!batch_) return Status::Ok();
  HURT_RETURN_IF_ERROR(CheckOpen());
  Status first = FlushPending();
  if (!mode_.exclusive) {
    if (!file_locked_) {
      Status s = UnlockRangeExcept(ll::RecordLockOffset(batch_first_), ll::kFileLockEnd);
      if (first.ok()) first = s;
    }
    Status s = file_->Unlock(ll::kAppendLockOffset, ll::kAppendLockLength);
    if (first.ok()) first = s;
  }
  batch_ = false;
  batch_first_ = 0;
  return first;
}

// --- Whole-table operations --------------------------------------------------------------

Status Table::RewriteDbf(const std::function<Status(File& out, uint64_t start, uint32_t* count)>& produce) {
  const std::string temp_path = path_ + ".new";
  if (env_.Exists(temp_path)) HURT_RETURN_IF_ERROR(env_.Remove(temp_path));
  OpenOptions options;
  options.create = true;
  options.truncate = true;
  auto opened = env_.Open(temp_path, options);
  if (!opened.ok()) return opened.status();
  std::unique_ptr<File> out = std::move(opened).value();
  // The new file is locked exclusively before it takes the table's name, so nobody can
  // open it in between.
  Status s = LockOpenMode(*out, true, "table");
  DbfHeader header = header_;
  uint32_t count = 0;
  if (s.ok()) {
    header.record_count = 0;
    std::string bytes;
    header.EncodeTo(&bytes);
    s = out->WriteAt(0, bytes);
  }
  if (s.ok()) s = produce(*out, header.header_length, &count);
  if (s.ok()) s = out->WriteAt(header.header_length + static_cast<uint64_t>(count) * header.record_length,
                               std::string_view(kEof, 1));
  if (s.ok()) {
    SetDateToday(&header, env_.clock());
    header.record_count = count;
    s = out->WriteAt(kDbfDateAndCountOffset, header.EncodeDateAndCount());
  }
  if (s.ok()) s = out->Sync();
  if (s.ok()) s = env_.Rename(temp_path, path_);
  if (!s.ok()) {
    out.reset();
    (void)env_.Remove(temp_path);
    return s;
  }
  file_ = std::move(out);
  header_ = std::move(header);
  count_ = count;
  changed_ = false;
  DropBlocks();
  record_locks_.clear();
  return Status::Ok();
}

Status Table::Zap() {
  HURT_RETURN_IF_ERROR(CheckWritable());
  if (!mode_.exclusive) return Status::Invalid(path_ + ": zap needs the table opened exclusively");
  if (batch_) return Status::Invalid(path_ + ": zap during an append batch");
  pending_.clear();
  HURT_RETURN_IF_ERROR(RewriteDbf([](File&, uint64_t, uint32_t* count) {
    *count = 0;
    return Status::Ok();
  }));
  if (memo_) return memo_->Zap();
  return Status::Ok();
}

Status Table::Pack() {
  HURT_RETURN_IF_ERROR(CheckWritable());
  if (!mode_.exclusive) return Status::Invalid(path_ + ": pack needs the table opened exclusively");
  if (batch_) return Status::Invalid(path_ + ": pack during an append batch");
  HURT_RETURN_IF_ERROR(FlushPending());
  const uint32_t rl = header_.record_length;
  const uint32_t total = count_;
  return RewriteDbf([&](File& out, uint64_t start, uint32_t* count) {
    std::string block;
    std::string kept;
    uint64_t written = 0;
    *count = 0;
    uint32_t per_block = std::max<uint32_t>(1, static_cast<uint32_t>(kPendingBytes / rl));
    for (uint32_t first = 1; first <= total;) {
      uint32_t got = 0;
      HURT_RETURN_IF_ERROR(ReadBlock(first, per_block, &block, &got));
      if (got == 0) break;
      kept.clear();
      for (uint32_t i = 0; i < got; ++i) {
        const char* r = block.data() + static_cast<size_t>(i) * rl;
        if (r[0] == kRecordDeleted) continue;
        kept.append(r, rl);
        ++*count;
      }
      HURT_RETURN_IF_ERROR(out.WriteAt(start + written, kept));
      written += kept.size();
      first += got;
    }
    return Status::Ok();
  });
}

Status Table::Commit() {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (mode_.read_only) return Status::Ok();
  HURT_RETURN_IF_ERROR(FlushBlocks());
  HURT_RETURN_IF_ERROR(FlushPending());
  if (mode_.exclusive && changed_) HURT_RETURN_IF_ERROR(WriteHeaderDateAndCount(count_));
  HURT_RETURN_IF_ERROR(file_->Sync());
  if (memo_) HURT_RETURN_IF_ERROR(memo_->Sync());
  return Status::Ok();
}

// --- Memo file ---------------------------------------------------------------------------

Result<std::string> Table::ReadMemo(uint32_t block) {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (!memo_) return Status::Invalid(path_ + ": table has no memo file");
  return memo_->Read(block);
}

Status Table::CheckMemo(uint32_t block) {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (!memo_) return Status::Invalid(path_ + ": table has no memo file");
  return memo_->Check(block);
}

Result<uint32_t> Table::WriteMemo(std::string_view text) {
  HURT_RETURN_IF_ERROR(CheckWritable());
  if (!memo_) return Status::Invalid(path_ + ": table has no memo file");
  return memo_->Write(text);
}

// --- Locks -------------------------------------------------------------------------------

bool Table::IsRecordLocked(uint32_t recno) const {
  return mode_.exclusive || file_locked_ || BatchCovers(recno) || record_locks_.count(recno) > 0;
}

Status Table::LockRecord(uint32_t recno) {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (mode_.read_only && !mode_.exclusive) return Status::Invalid(path_ + ": table opened read only");
  HURT_RETURN_IF_ERROR(EnsureRecordExists(recno));
  if (mode_.exclusive || record_locks_.count(recno) > 0) return Status::Ok();
  DropBlocks();  // what is read from now on is fresh for the locked record
  if (!file_locked_ && !BatchCovers(recno)) {
    Status s = file_->Lock(ll::RecordLockOffset(recno), ll::kRecordLockLength, LockKind::kExclusive, false);
    if (s.IsBusy()) return Status::Busy(path_ + ": record " + std::to_string(recno) + " is locked by another user");
    HURT_RETURN_IF_ERROR(s);
  }
  record_locks_.insert(recno);
  return Status::Ok();
}

Status Table::UnlockRecord(uint32_t recno) {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (mode_.exclusive || record_locks_.erase(recno) == 0) return Status::Ok();
  // Under the file lock (or a batch's range) the byte must stay locked: unlocking it
  // would punch a hole into the larger lock.
  if (file_locked_ || BatchCovers(recno)) return Status::Ok();
  return file_->Unlock(ll::RecordLockOffset(recno), ll::kRecordLockLength);
}

Status Table::LockFile() {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (mode_.exclusive || file_locked_) return Status::Ok();
  if (mode_.read_only) return Status::Invalid(path_ + ": table opened read only");
  if (batch_) return Status::Invalid(path_ + ": file lock during an append batch");
  DropBlocks();
  Status s = file_->Lock(ll::kFileLockOffset, ll::kFileLockLength, LockKind::kExclusive, false);
  if (s.IsBusy()) return Status::Busy(path_ + ": table is locked by another user");
  HURT_RETURN_IF_ERROR(s);
  file_locked_ = true;
  return Status::Ok();
}

Status Table::UnlockRangeExcept(uint64_t start, uint64_t end) {
  uint64_t from = start;
  for (uint32_t recno : record_locks_) {
    uint64_t at = ll::RecordLockOffset(recno);
    if (at < start) continue;
    if (at >= end) break;
    if (at > from) HURT_RETURN_IF_ERROR(file_->Unlock(from, at - from));
    from = at + 1;
  }
  if (end > from) return file_->Unlock(from, end - from);
  return Status::Ok();
}

Status Table::UnlockFile() {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (mode_.exclusive || !file_locked_) return Status::Ok();
  if (batch_) return Status::Invalid(path_ + ": file unlock during an append batch");
  // The record locks held separately keep their bytes.
  HURT_RETURN_IF_ERROR(UnlockRangeExcept(ll::kFileLockOffset, ll::kFileLockEnd));
  file_locked_ = false;
  return Status::Ok();
}

Status Table::UnlockAll() {
  HURT_RETURN_IF_ERROR(CheckOpen());
  if (mode_.exclusive) return Status::Ok();
  if (batch_) {
    // The batch's own range (and a file lock it relies on) stays until EndAppendBatch.
    std::vector<uint32_t> held = LockedRecords();
    for (uint32_t recno : held) HURT_RETURN_IF_ERROR(UnlockRecord(recno));
    return Status::Ok();
  }
  if (file_locked_) {
    HURT_RETURN_IF_ERROR(file_->Unlock(ll::kFileLockOffset, ll::kFileLockLength));
    file_locked_ = false;
    record_locks_.clear();
    return Status::Ok();
  }
  Status first;
  for (uint32_t recno : record_locks_) {
    Status s = file_->Unlock(ll::RecordLockOffset(recno), ll::kRecordLockLength);
    if (first.ok()) first = s;
  }
  record_locks_.clear();
  return first;
}

}  // namespace hurt::xbase
