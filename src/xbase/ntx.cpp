#include "xbase/ntx.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "xbase/ntx_build.h"
#include "xbase/lock_layout.h"

namespace hurt::xbase {

namespace {

// No valid index is deeper: even with two keys a page, 32 levels hold more entries than
// there are record numbers. A deeper walk means pages that point back up the tree.
constexpr size_t kMaxDepth = 32;
// Sequential page reads: this many pages in one read, when the missed page lies within
// kWalkGapPages pages after the last one read.
constexpr size_t kReadAheadPages = 16;
constexpr uint32_t kWalkGapPages = 4;

// A counters value no file has: forces the next Refresh to drop the cache.
constexpr NtxCounters kUnknownCounters{0, 0, 0, 0};

// The index byte: shared while reading, exclusive while updating; waits while taken.
Status LockIndexByte(File& file, LockKind kind) {
  return file.Lock(lock_layout::kIndexLockOffset, lock_layout::kIndexLockLength, kind, /*wait=*/true);
}
void UnlockIndexByte(File& file) {
  (void)file.Unlock(lock_layout::kIndexLockOffset, lock_layout::kIndexLockLength);
}

// Eight bytes as a big-endian number: compares as the bytes do.
inline uint64_t LoadBe64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  return v;
}

}  // namespace

// Holds the index read lock (shared mode) for one cursor operation.
class NtxReadScope {
 public:
  explicit NtxReadScope(NtxIndex& index) : index_(index), status_(index.BeginRead()) {}
  ~NtxReadScope() {
    if (status_.ok()) index_.EndRead();
  }
  NtxReadScope(const NtxReadScope&) = delete;
  NtxReadScope& operator=(const NtxReadScope&) = delete;
  const Status& status() const { return status_; }

 private:
  NtxIndex& index_;
  Status status_;
};

// ---- opening ------------------------------------------------------------------------

Status NtxIndex::Create(Env& env, const std::string& path, const NtxCreateOptions& options) {
  auto builder = NtxBuilder::Start(env, path, options);
  if (!builder.ok()) return builder.status();
  return (*builder)->Finish();
}

Result<std::unique_ptr<NtxIndex>> NtxIndex::Open(Env& env, const std::string& path, const NtxOpenOptions& options) {
  if (options.exclusive && options.read_only) {
    return Status::Invalid(path + ": an index cannot be opened exclusively for reading only");
  }
  OpenOptions open;
  open.write = !options.read_only;
  auto file = env.Open(path, open);
  if (!file.ok()) return file.status();
  return OpenFile(std::move(*file), options, &env.clock());
}

Result<std::unique_ptr<NtxIndex>> NtxIndex::OpenFile(std::unique_ptr<File> file, const NtxOpenOptions& options,
                                                     Clock* clock) {
  const std::string path = file->path();
  Status s = file->Lock(lock_layout::kOpenModeOffset, lock_layout::kOpenModeLength,
                        options.exclusive ? LockKind::kExclusive : LockKind::kShared, /*wait=*/false);
  if (s.IsBusy()) {
    return Status::Busy(path + (options.exclusive ? ": index is in use by another station"
                                                  : ": index is open exclusively by another station"));
  }
  HURT_RETURN_IF_ERROR(s);

  // The header is read under the read lock so that an update elsewhere is not seen half done.
  if (!options.exclusive) {
    HURT_RETURN_IF_ERROR(LockIndexByte(*file, LockKind::kShared));
  }
  std::string data(kNtxPageSize, '\0');
  size_t got = 0;
  Status read = file->ReadAt(0, data.size(), data.data(), &got);
  Result<uint64_t> size = file->Size();
  if (!options.exclusive) UnlockIndexByte(*file);
  HURT_RETURN_IF_ERROR(read);
  if (!size.ok()) return size.status();
  data.resize(got);
  auto header = NtxHeader::DecodeFrom(data, *size, path);
  if (!header.ok()) return header.status();
  std::unique_ptr<NtxIndex> index(new NtxIndex(std::move(file), std::move(*header), *size, options, clock));
  // Without a view (in-memory files, or mapping refused) the counters are read with ReadAt.
  auto view = index->file_->MapPrefix(kNtxCountersSize);
  if (view.ok()) index->header_view_ = std::move(view).value();
  return index;
}

NtxIndex::NtxIndex(std::unique_ptr<File> file, NtxHeader header, uint64_t file_size, const NtxOpenOptions& options,
                   Clock* clock)
    : file_(std::move(file)),
      header_(std::move(header)),
      format_{header_.key_length, header_.max_keys, header_.descending},
      counters_(header_.counters),
      file_size_(file_size),
      exclusive_(options.exclusive),
      read_only_(options.read_only),
      cache_(options.cache_pages),
      read_buffer_(kNtxPageSize, '\0'),
      clock_(clock),
      lockless_read_ms_(options.lockless_read_ms) {
  if (clock_ != nullptr) last_locked_check_ = clock_->MonotonicMillis();
}

NtxIndex::~NtxIndex() = default;  // closing the file drops its locks

Status NtxIndex::Corrupt(const std::string& what) const {
  damaged_ = true;
  return Status::Corruption(path() + ": " + what);
}

// ---- locking and coherence -----------------------------------------------------------

Status NtxIndex::ReadCounters(char* data) {
  if (header_view_) {
    header_view_->ReadView(0, kNtxCountersSize, data);
    return Status::Ok();
  }
  size_t got = 0;
  HURT_RETURN_IF_ERROR(file_->ReadAt(0, kNtxCountersSize, data, &got));
  if (got < kNtxCountersSize) return Corrupt("index file is truncated");
  return Status::Ok();
}

Status NtxIndex::Refresh() {
  char data[kNtxCountersSize];
  HURT_RETURN_IF_ERROR(ReadCounters(data));
  NtxCounters now = NtxCounters::DecodeFrom(data);
  if (now == counters_) return Status::Ok();

  // Changed elsewhere (or unknown after a failed write): nothing cached can be trusted.
  cache_.Clear();
  ++generation_;
  ++cache_drops_;
  counters_ = kUnknownCounters;
  // The size known is asked of the file again only when the new header points past it: an
  // index that changed elsewhere usually kept its pages or grew within what was seen, and
  // a page read past a stale size is checked against the size of now (GetPage).
  if (!CheckNtxHeaderOffsets(now, file_size_, path()).ok()) {
    Result<uint64_t> size = file_->Size();
    if (!size.ok()) return size.status();
    file_size_ = *size;
    Status offsets = CheckNtxHeaderOffsets(now, file_size_, path());
    if (offsets.IsCorruption()) damaged_ = true;
    HURT_RETURN_IF_ERROR(offsets);
  }
  if ((now.signature & ~kNtxForFlag) != (header_.counters.signature & ~kNtxForFlag)) {
    return Corrupt("index header changed its kind while open");
  }
  counters_ = now;
  return Status::Ok();
}

bool NtxIndex::TryLocklessRead() {
  if (batch_) return false;  // the batch holds the update lock: "locked" reads cost nothing
  if (exclusive_ || clock_ == nullptr || lockless_read_ms_ <= 0 || counters_ == kUnknownCounters) return false;
  if (clock_->MonotonicMillis() - last_locked_check_ > lockless_read_ms_) return false;
  char data[kNtxCountersSize];
  if (!ReadCounters(data).ok()) return false;
  if (!(NtxCounters::DecodeFrom(data) == counters_)) return false;
  cache_only_ = true;
  missed_ = false;
  return true;
}

bool NtxIndex::EndLocklessRead() {
  cache_only_ = false;
  return missed_;
}

Status NtxIndex::BeginRead() {
  // During a batch this object holds the update lock; a read lock taken through the same
  // file would replace it (the locks of one open file merge).
  if (batch_) return Status::Ok();
  if (exclusive_) return counters_ == kUnknownCounters ? Refresh() : Status::Ok();
  HURT_RETURN_IF_ERROR(LockIndexByte(*file_, LockKind::kShared));
  ++locked_reads_;
  Status s = Refresh();
  if (!s.ok()) {
    UnlockIndexByte(*file_);
    return s;
  }
  if (clock_ != nullptr) last_locked_check_ = clock_->MonotonicMillis();
  return s;
}

void NtxIndex::EndRead() {
  if (!exclusive_ && !batch_) UnlockIndexByte(*file_);
}

Status NtxIndex::BeginUpdate() {
  if (read_only_) return Status::Invalid(path() + ": index is open for reading only");
  if (!exclusive_) {
    HURT_RETURN_IF_ERROR(LockIndexByte(*file_, LockKind::kExclusive));
    Status s = Refresh();
    if (!s.ok()) {
      UnlockIndexByte(*file_);
      return s;
    }
  }
  if (exclusive_ && counters_ == kUnknownCounters) HURT_RETURN_IF_ERROR(Refresh());
  dirty_.clear();
  work_ = counters_;
  end_ = 0;
  updating_ = true;
  return Status::Ok();
}

Status NtxIndex::CommitUpdate() {
  if (dirty_.empty()) return Status::Ok();
  std::string page(kNtxPageSize, '\0');
  Status written;
  for (const auto& [offset, p] : dirty_) {
    p->EncodeTo(page.data());
    written = file_->WriteAt(offset, page);
    if (!written.ok()) break;
  }
  // The header goes last, with the counter raised even after a failed page write, so that
  // other stations drop what they cached.
  NtxCounters next = written.ok() ? work_ : counters_;
  next.version = static_cast<uint16_t>(counters_.version + 1);
  char data[kNtxCountersSize];
  next.EncodeTo(data);
  Status header = file_->WriteAt(0, std::string_view(data, sizeof data));
  ++generation_;
  if (!written.ok() || !header.ok()) {
    cache_.Clear();
    counters_ = kUnknownCounters;
    return written.ok() ? header : written;
  }
  for (const auto& [offset, p] : dirty_) cache_.Put(offset, *p);
  counters_ = next;
  file_size_ = std::max(file_size_, end_);
  if (clock_ != nullptr) last_locked_check_ = clock_->MonotonicMillis();
  return Status::Ok();
}

void NtxIndex::EndUpdate() {
  dirty_.clear();
  updating_ = false;
  if (!exclusive_) UnlockIndexByte(*file_);
}

Status NtxIndex::Sync() { return file_->Sync(); }

// ---- pages ----------------------------------------------------------------------------

Result<const NtxPage*> NtxIndex::GetPage(uint32_t offset) {
  if (!dirty_.empty()) {
    auto it = dirty_.find(offset);
    if (it != dirty_.end()) return static_cast<const NtxPage*>(it->second.get());
  }
  if (const NtxPage* cached = cache_.Find(offset)) return cached;
  if (cache_only_) {
    // A lock-free read may not touch the file's pages: a writer may be changing them.
    missed_ = true;
    return Status::Busy(path() + ": index page not cached");
  }
  if (offset < kNtxPageSize || offset % kNtxPageSize != 0) {
    return Corrupt("index page offset " + std::to_string(offset) + " is not on a page boundary");
  }
  // A miss just after the page read last is a walk through the leaves, which an index
  // built in one go lays out one after another: the next pages come in the same read.
  const bool walking = !updating_ && !batch_ && last_file_page_ != 0 && offset > last_file_page_ &&
                       offset - last_file_page_ <= kWalkGapPages * kNtxPageSize;
  const size_t wanted = walking ? kReadAheadPages * kNtxPageSize : kNtxPageSize;
  if (read_buffer_.size() < wanted) read_buffer_.resize(wanted);
  size_t got = 0;
  HURT_RETURN_IF_ERROR(file_->ReadAt(offset, wanted, read_buffer_.data(), &got));
  ++pages_read_;
  last_file_page_ = offset;
  // The pages after the missed one go into the cache first (the pointer returned below must
  // outlive them); one that does not decode is just not kept.
  for (size_t at = kNtxPageSize; at + kNtxPageSize <= got; at += kNtxPageSize) {
    const uint32_t next = offset + static_cast<uint32_t>(at);
    if (cache_.Find(next) != nullptr) continue;
    std::string_view bytes(read_buffer_.data() + at, kNtxPageSize);
    if (NtxPage::DecodeFrom(bytes, format_, next, file_size_, path(), &ahead_).ok()) cache_.Put(next, ahead_);
  }
  if (got >= kNtxPageSize) last_file_page_ = offset + static_cast<uint32_t>((got / kNtxPageSize - 1) * kNtxPageSize);
  std::string_view data(read_buffer_.data(), std::min<size_t>(got, kNtxPageSize));
  Status s = NtxPage::DecodeFrom(data, format_, offset, file_size_, path(), &scratch_);
  if (s.IsCorruption()) {
    // The file may have grown since its size was taken: check again with the size of now.
    Result<uint64_t> size = file_->Size();
    if (size.ok() && *size != file_size_) {
      file_size_ = *size;
      s = NtxPage::DecodeFrom(data, format_, offset, file_size_, path(), &scratch_);
    }
  }
  if (s.IsCorruption()) damaged_ = true;
  HURT_RETURN_IF_ERROR(s);
  return cache_.Put(offset, scratch_);
}

Result<NtxPage*> NtxIndex::Modify(uint32_t offset) {
  auto it = dirty_.find(offset);
  if (it != dirty_.end()) return it->second.get();
  auto page = GetPage(offset);
  if (!page.ok()) return page.status();
  auto copy = std::make_unique<NtxPage>(**page);
  NtxPage* raw = copy.get();
  dirty_.emplace(offset, std::move(copy));
  return raw;
}

Result<uint32_t> NtxIndex::Allocate() {
  uint32_t offset;
  if (work_.free_list != 0) {
    offset = work_.free_list;
    auto page = GetPage(offset);
    if (!page.ok()) return page.status();
    uint32_t next = (*page)->child(0);
    if (next == offset) return Corrupt("index free page list loops at offset " + std::to_string(offset));
    work_.free_list = next;
  } else {
    if (end_ == 0) {
      Result<uint64_t> size = file_->Size();
      if (!size.ok()) return size.status();
      end_ = std::max<uint64_t>((*size + kNtxPageSize - 1) / kNtxPageSize * kNtxPageSize, 2 * kNtxPageSize);
    }
    if (end_ + kNtxPageSize > std::numeric_limits<uint32_t>::max()) {
      return Status::IoError(path() + ": index file cannot grow past 4 GiB");
    }
    offset = static_cast<uint32_t>(end_);
    end_ += kNtxPageSize;
  }
  auto& slot = dirty_[offset];
  if (!slot) slot = std::make_unique<NtxPage>();
  slot->Reset(format_);
  return offset;
}

Status NtxIndex::Free(uint32_t offset) {
  auto& slot = dirty_[offset];
  if (!slot) slot = std::make_unique<NtxPage>();
  slot->Reset(format_);
  slot->MakeFree(work_.free_list);
  work_.free_list = offset;
  return Status::Ok();
}

// ---- comparisons ----------------------------------------------------------------------

int NtxIndex::CompareKey(std::string_view entry_key, std::string_view target) const {
  const size_t n = std::min(target.size(), entry_key.size());
  const char* a = entry_key.data();
  const char* b = target.data();
  int c = 0;
  if (n >= 8) {
    // Eight bytes at a time as numbers; the last (partial) step compares the final eight
    // bytes, overlapping bytes already known to be equal.
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      const uint64_t x = LoadBe64(a + i);
      const uint64_t y = LoadBe64(b + i);
      if (x != y) {
        c = x < y ? -1 : 1;
        break;
      }
    }
    if (c == 0 && i < n) {
      const uint64_t x = LoadBe64(a + n - 8);
      const uint64_t y = LoadBe64(b + n - 8);
      if (x != y) c = x < y ? -1 : 1;
    }
  } else if (n > 0) {
    c = std::memcmp(a, b, n);
  }
  return header_.descending ? -c : c;
}

int NtxIndex::LowerBound(const NtxPage& page, const Target& target) const {
  int lo = 0;
  int hi = page.count();
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    int c = CompareKey(page.key(mid), target.key);
    bool below = c < 0 || (c == 0 && !target.prefix && page.recno(mid) < target.recno);
    if (below) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

bool NtxIndex::IsEntry(const NtxPage& page, int slot, std::string_view key, uint32_t recno) const {
  return page.recno(slot) == recno && page.key(slot) == key;
}

Status NtxIndex::CheckKey(std::string_view key, uint32_t recno) const {
  if (key.size() != header_.key_length) {
    return Status::Invalid(path() + ": key of " + std::to_string(key.size()) + " bytes for an index of " +
                           std::to_string(header_.key_length) + "-byte keys");
  }
  if (recno == 0) return Status::Invalid(path() + ": record number 0 in an index entry");
  return Status::Ok();
}

// ---- navigation -----------------------------------------------------------------------

Status NtxIndex::PushStep(Path* path, uint32_t page, int slot) {
  if (path->size() >= kMaxDepth) {
    return Corrupt("index tree is deeper than " + std::to_string(kMaxDepth) + " levels (pages point back up)");
  }
  path->push_back({page, slot});
  return Status::Ok();
}

Status NtxIndex::DescendLowerBound(const Target& target, Path* path) {
  path->clear();
  uint32_t offset = root();
  for (;;) {
    auto page = GetPage(offset);
    if (!page.ok()) return page.status();
    int slot = LowerBound(**page, target);
    HURT_RETURN_IF_ERROR(PushStep(path, offset, slot));
    if ((*page)->is_leaf()) return Status::Ok();
    offset = (*page)->child(slot);
  }
}

Status NtxIndex::DescendFirst(uint32_t offset, Path* path) {
  for (;;) {
    auto page = GetPage(offset);
    if (!page.ok()) return page.status();
    HURT_RETURN_IF_ERROR(PushStep(path, offset, 0));
    if ((*page)->is_leaf()) return Status::Ok();
    offset = (*page)->child(0);
  }
}

Status NtxIndex::DescendLast(uint32_t offset, Path* path) {
  for (;;) {
    auto page = GetPage(offset);
    if (!page.ok()) return page.status();
    int count = (*page)->count();
    if ((*page)->is_leaf()) return PushStep(path, offset, count - 1);
    HURT_RETURN_IF_ERROR(PushStep(path, offset, count));
    offset = (*page)->child(count);
  }
}

Result<bool> NtxIndex::SettleForward(Path* path) {
  // A slot past the page's keys means "after this subtree": the entry that follows is the
  // one in the parent at the slot of the child we came down.
  while (!path->empty()) {
    auto page = GetPage(path->back().page);
    if (!page.ok()) return page.status();
    if (path->back().slot < (*page)->count()) return true;
    path->pop_back();
  }
  return false;
}

Result<bool> NtxIndex::SettleBackward(Path* path) {
  // A slot before the first key means "before this subtree": the entry before it is the
  // one in the parent on the left of the child we came down.
  while (!path->empty()) {
    auto page = GetPage(path->back().page);
    if (!page.ok()) return page.status();
    int slot = path->back().slot;
    if (slot >= 0 && slot < (*page)->count()) return true;
    path->pop_back();
    if (path->empty()) break;
    path->back().slot -= 1;
  }
  return false;
}

Result<bool> NtxIndex::StepForward(Path* path) {
  Step& step = path->back();
  auto page = GetPage(step.page);
  if (!page.ok()) return page.status();
  if ((*page)->is_leaf()) {
    step.slot += 1;
  } else {
    step.slot += 1;
    HURT_RETURN_IF_ERROR(DescendFirst((*page)->child(step.slot), path));
  }
  return SettleForward(path);
}

Result<bool> NtxIndex::StepBackward(Path* path) {
  Step& step = path->back();
  auto page = GetPage(step.page);
  if (!page.ok()) return page.status();
  if ((*page)->is_leaf()) {
    step.slot -= 1;
  } else {
    HURT_RETURN_IF_ERROR(DescendLast((*page)->child(step.slot), path));
  }
  return SettleBackward(path);
}

// ---- key maintenance ------------------------------------------------------------------

template <typename Change>
Status NtxIndex::Change1(Change change) {
  if (batch_) {
    Status s = change();
    ++generation_;  // cursors find their place again: pages of the batch changed
    if (!s.ok()) {
      AbortBatch();
      return s;
    }
    return dirty_.size() > batch_pages_ ? FlushBatch() : Status::Ok();
  }
  HURT_RETURN_IF_ERROR(BeginUpdate());
  Status s = change();
  if (s.ok()) s = CommitUpdate();
  EndUpdate();
  return s;
}

Status NtxIndex::Insert(std::string_view key, uint32_t recno) {
  HURT_RETURN_IF_ERROR(CheckKey(key, recno));
  return Change1([&] { return InsertLocked(key, recno); });
}

Status NtxIndex::Remove(std::string_view key, uint32_t recno) {
  HURT_RETURN_IF_ERROR(CheckKey(key, recno));
  return Change1([&] { return RemoveLocked(key, recno); });
}

Status NtxIndex::Apply(std::span<const NtxChange> changes, size_t* missing) {
  if (missing != nullptr) *missing = 0;
  for (const NtxChange& c : changes) HURT_RETURN_IF_ERROR(CheckKey(c.key, c.recno));
  if (changes.empty()) return Status::Ok();
  return Change1([&] {
    for (const NtxChange& c : changes) {
      Status s = c.insert ? InsertLocked(c.key, c.recno) : RemoveLocked(c.key, c.recno);
      if (!c.insert && s.IsNotFound()) {
        if (missing != nullptr) ++*missing;
        continue;
      }
      if (!s.ok()) return s;
    }
    return Status::Ok();
  });
}

Status NtxIndex::BeginBatch(size_t batch_pages) {
  if (batch_) return Status::Invalid(path() + ": index batch already started");
  HURT_RETURN_IF_ERROR(BeginUpdate());
  batch_ = true;
  batch_pages_ = std::max<size_t>(batch_pages, 16);
  return Status::Ok();
}

// Writes what the batch changed so far and lets other stations in for a moment.
Status NtxIndex::FlushBatch() {
  Status s = CommitUpdate();
  EndUpdate();
  batch_ = false;
  if (!s.ok()) return s;
  s = BeginUpdate();
  if (!s.ok()) return s;
  batch_ = true;
  return Status::Ok();
}

void NtxIndex::AbortBatch() {
  EndUpdate();  // drops the changed pages, releases the lock
  batch_ = false;
  ++generation_;
}

Status NtxIndex::EndBatch() {
  if (!batch_) return Status::Ok();
  Status s = CommitUpdate();
  EndUpdate();
  batch_ = false;
  ++generation_;
  return s;
}

Status NtxIndex::InsertLocked(std::string_view key, uint32_t recno) {
  Path trail;
  if (header_.unique) {
    HURT_RETURN_IF_ERROR(DescendLowerBound({key, 0, true}, &trail));
    auto found = SettleForward(&trail);
    if (!found.ok()) return found.status();
    if (*found) {
      auto page = GetPage(trail.back().page);
      if (!page.ok()) return page.status();
      if ((*page)->key(trail.back().slot) == key) return Status::Ok();  // the key has its record already
    }
  }

  // Down to the leaf where the entry belongs.
  trail.clear();
  uint32_t offset = work_.root;
  for (;;) {
    auto page = GetPage(offset);
    if (!page.ok()) return page.status();
    int slot = LowerBound(**page, {key, recno, false});
    if (slot < (*page)->count() && IsEntry(**page, slot, key, recno)) return Status::Ok();
    HURT_RETURN_IF_ERROR(PushStep(&trail, offset, slot));
    if ((*page)->is_leaf()) break;
    offset = (*page)->child(slot);
  }

  size_t level = trail.size() - 1;
  auto leaf = Modify(trail[level].page);
  if (!leaf.ok()) return leaf.status();
  (*leaf)->InsertItem(trail[level].slot, 0, recno, key);

  // Split overfull pages upwards. A page of max + 1 keys gives half keys to the left
  // page (which keeps its offset), the middle entry to the parent and the rest (half
  // again, max being even) to a new right page.
  const int half = header_.max_keys / 2;
  std::string middle_key;
  for (;;) {
    auto current = Modify(trail[level].page);
    if (!current.ok()) return current.status();
    NtxPage* page = *current;
    int count = page->count();
    if (count <= header_.max_keys) break;

    uint32_t left_offset = trail[level].page;
    auto right_offset = Allocate();
    if (!right_offset.ok()) return right_offset.status();
    NtxPage* right = dirty_[*right_offset].get();
    middle_key.assign(page->key(half));
    uint32_t middle_recno = page->recno(half);
    right->CopySlots(*page, half + 1, count - half, 0);
    right->set_count(count - half - 1);
    page->set_count(half);  // slot `half` keeps its child as the new right-most one

    if (level == 0) {
      auto root_offset = Allocate();
      if (!root_offset.ok()) return root_offset.status();
      NtxPage* root = dirty_[*root_offset].get();
      root->InsertItem(0, left_offset, middle_recno, middle_key);
      root->set_child(1, *right_offset);
      work_.root = *root_offset;
      break;
    }
    --level;
    auto parent = Modify(trail[level].page);
    if (!parent.ok()) return parent.status();
    int slot = trail[level].slot;
    (*parent)->InsertItem(slot, left_offset, middle_recno, middle_key);
    (*parent)->set_child(slot + 1, *right_offset);
  }
  return Status::Ok();
}

Status NtxIndex::RemoveLocked(std::string_view key, uint32_t recno) {
  Path trail;
  uint32_t offset = work_.root;
  for (;;) {
    auto page = GetPage(offset);
    if (!page.ok()) return page.status();
    int slot = LowerBound(**page, {key, recno, false});
    HURT_RETURN_IF_ERROR(PushStep(&trail, offset, slot));
    if (slot < (*page)->count() && IsEntry(**page, slot, key, recno)) break;
    if ((*page)->is_leaf()) {
      return Status::NotFound(path() + ": index has no entry of record " + std::to_string(recno) + " with that key");
    }
    offset = (*page)->child(slot);
  }

  size_t level = trail.size() - 1;
  const int slot = trail[level].slot;
  auto holder = Modify(trail[level].page);
  if (!holder.ok()) return holder.status();
  if ((*holder)->is_leaf()) {
    (*holder)->RemoveItem(slot);
    return FixUnderflow(trail, level);
  }

  // An entry of an inner page is replaced by its predecessor, the last entry of the
  // subtree on its left, which is then removed from its leaf.
  HURT_RETURN_IF_ERROR(DescendLast((*holder)->child(slot), &trail));
  const Step leaf_step = trail.back();
  auto leaf = Modify(leaf_step.page);
  if (!leaf.ok()) return leaf.status();
  if (leaf_step.slot < 0) return Corrupt("index leaf page at offset " + std::to_string(leaf_step.page) + " is empty");
  (*holder)->SetEntry(slot, (*leaf)->recno(leaf_step.slot), (*leaf)->key(leaf_step.slot));
  (*leaf)->RemoveItem(leaf_step.slot);
  return FixUnderflow(trail, trail.size() - 1);
}

Status NtxIndex::FixUnderflow(const Path& path, size_t level) {
  const int half = header_.max_keys / 2;
  while (level > 0) {
    auto current = Modify(path[level].page);
    if (!current.ok()) return current.status();
    NtxPage* page = *current;
    if (page->count() >= half) break;

    auto parent_page = Modify(path[level - 1].page);
    if (!parent_page.ok()) return parent_page.status();
    NtxPage* parent = *parent_page;
    const int j = path[level - 1].slot;  // page is child j of parent
    const uint32_t page_offset = path[level].page;

    // Borrow through the parent from a sibling with keys to spare.
    if (j > 0) {
      auto left_view = GetPage(parent->child(j - 1));
      if (!left_view.ok()) return left_view.status();
      if ((*left_view)->count() > half) {
        auto left_page = Modify(parent->child(j - 1));
        if (!left_page.ok()) return left_page.status();
        NtxPage* left = *left_page;
        int lc = left->count();
        page->InsertItem(0, left->child(lc), parent->recno(j - 1), parent->key(j - 1));
        parent->SetEntry(j - 1, left->recno(lc - 1), left->key(lc - 1));
        left->set_count(lc - 1);  // its last key's child becomes its right-most child
        return Status::Ok();
      }
    }
    if (j < parent->count()) {
      auto right_view = GetPage(parent->child(j + 1));
      if (!right_view.ok()) return right_view.status();
      if ((*right_view)->count() > half) {
        auto right_page = Modify(parent->child(j + 1));
        if (!right_page.ok()) return right_page.status();
        NtxPage* right = *right_page;
        int pc = page->count();
        page->InsertItem(pc, page->child(pc), parent->recno(j), parent->key(j));
        page->set_child(pc + 1, right->child(0));
        parent->SetEntry(j, right->recno(0), right->key(0));
        right->RemoveItem(0);
        return Status::Ok();
      }
    }

    // Merge with a sibling: both together with the parent's separator fit one page
    // (fewer than half + 1 + at most half keys).
    int separator;
    uint32_t left_offset;
    uint32_t right_offset;
    if (j > 0) {
      separator = j - 1;
      left_offset = parent->child(j - 1);
      right_offset = page_offset;
    } else if (j < parent->count()) {
      separator = j;
      left_offset = page_offset;
      right_offset = parent->child(j + 1);
    } else {
      break;  // a parent without keys (a foreign file): nothing to balance with
    }
    auto left_page = Modify(left_offset);
    if (!left_page.ok()) return left_page.status();
    auto right_page = Modify(right_offset);
    if (!right_page.ok()) return right_page.status();
    NtxPage* left = *left_page;
    const NtxPage* right = *right_page;
    int lc = left->count();
    int rc = right->count();
    if (lc + 1 + rc > header_.max_keys) {
      return Corrupt("index pages at offsets " + std::to_string(left_offset) + " and " +
                     std::to_string(right_offset) + " cannot be merged");
    }
    left->InsertItem(lc, left->child(lc), parent->recno(separator), parent->key(separator));
    left->CopySlots(*right, 0, rc + 1, lc + 1);
    left->set_count(lc + 1 + rc);
    parent->RemoveItem(separator);
    parent->set_child(separator, left_offset);
    HURT_RETURN_IF_ERROR(Free(right_offset));
    --level;
  }

  // A root left without keys hands the root over to its only child.
  auto root = GetPage(work_.root);
  if (!root.ok()) return root.status();
  if ((*root)->count() == 0 && !(*root)->is_leaf()) {
    uint32_t old_root = work_.root;
    work_.root = (*root)->child(0);
    HURT_RETURN_IF_ERROR(Free(old_root));
  }
  return Status::Ok();
}

// ---- verification ---------------------------------------------------------------------

Result<NtxStats> NtxIndex::Verify(bool strict) {
  NtxReadScope scope(*this);
  HURT_RETURN_IF_ERROR(scope.status());
  Result<uint64_t> size = file_->Size();
  if (!size.ok()) return size.status();
  file_size_ = *size;
  uint64_t total = file_size_ / kNtxPageSize;
  std::vector<bool> seen(total, false);
  NtxStats stats;
  std::string last_key;
  uint32_t last_recno = 0;
  bool any = false;
  int leaf_depth = -1;
  HURT_RETURN_IF_ERROR(
      VerifyPage(counters_.root, 1, strict, &seen, &last_key, &last_recno, &any, &leaf_depth, &stats));
  stats.depth = leaf_depth;

  uint32_t offset = counters_.free_list;
  while (offset != 0) {
    uint64_t index = offset / kNtxPageSize;
    if (index >= total || seen[index]) {
      return Corrupt("index free page list reaches page " + std::to_string(offset) +
                     " a second time or inside the tree");
    }
    seen[index] = true;
    ++stats.free_pages;
    auto page = GetPage(offset);
    if (!page.ok()) return page.status();
    offset = (*page)->child(0);
  }
  if (strict && stats.pages + stats.free_pages + 1 != total) {
    return Corrupt("index file has " + std::to_string(total - 1) + " pages but the tree and the free list hold " +
                   std::to_string(stats.pages + stats.free_pages));
  }
  return stats;
}

Status NtxIndex::VerifyPage(uint32_t offset, int depth, bool strict, std::vector<bool>* seen, std::string* last_key,
                            uint32_t* last_recno, bool* any, int* leaf_depth, NtxStats* stats) {
  if (static_cast<size_t>(depth) > kMaxDepth) return Corrupt("index tree is deeper than " + std::to_string(kMaxDepth));
  uint64_t index = offset / kNtxPageSize;
  if (index >= seen->size() || (*seen)[index]) {
    return Corrupt("index page at offset " + std::to_string(offset) + " is reached twice");
  }
  (*seen)[index] = true;
  ++stats->pages;
  auto view = GetPage(offset);
  if (!view.ok()) return view.status();
  const NtxPage page = **view;  // a copy: deeper reads may evict it from the cache
  const int count = page.count();
  const bool leaf = page.is_leaf();
  const std::string where = "index page at offset " + std::to_string(offset);
  if (strict && depth > 1 && count < header_.max_keys / 2) {
    return Corrupt(where + " has " + std::to_string(count) + " keys, fewer than half a page");
  }
  if (strict && depth == 1 && !leaf && count == 0) return Corrupt(where + " is a root without keys");
  if (leaf) {
    if (*leaf_depth < 0) *leaf_depth = depth;
    if (*leaf_depth != depth) return Corrupt(where + " is a leaf at another depth than the others");
  }
  for (int i = 0; i <= count; ++i) {
    if (!leaf) {
      HURT_RETURN_IF_ERROR(
          VerifyPage(page.child(i), depth + 1, strict, seen, last_key, last_recno, any, leaf_depth, stats));
    }
    if (i == count) break;
    if (*any) {
      int c = CompareKey(page.key(i), *last_key);
      if (c < 0 || (c == 0 && (header_.unique || page.recno(i) <= *last_recno))) {
        return Corrupt(where + ": key " + std::to_string(i) + " is out of order");
      }
    }
    *any = true;
    last_key->assign(page.key(i));
    *last_recno = page.recno(i);
    ++stats->keys;
  }
  return Status::Ok();
}

// ---- cursor ---------------------------------------------------------------------------

NtxCursor::NtxCursor(NtxIndex& index) : index_(&index) {}

Status NtxCursor::LoadCurrent() {
  auto page = index_->GetPage(path_.back().page);
  if (!page.ok()) return page.status();
  int slot = path_.back().slot;
  key_.assign((*page)->key(slot));
  recno_ = (*page)->recno(slot);
  generation_ = index_->generation_;
  eof_ = false;
  return Status::Ok();
}

Status NtxCursor::SetEof(bool empty) {
  path_.clear();
  eof_ = true;
  bof_ = empty;
  recno_ = 0;
  key_.clear();
  generation_ = index_->generation_;
  return Status::Ok();
}

Status NtxCursor::DoTop() {
  path_.clear();
  bof_ = false;
  HURT_RETURN_IF_ERROR(index_->DescendFirst(index_->root(), &path_));
  auto found = index_->SettleForward(&path_);
  if (!found.ok()) return found.status();
  if (!*found) return SetEof(/*empty=*/true);
  return LoadCurrent();
}

Status NtxCursor::DoBottom() {
  path_.clear();
  bof_ = false;
  HURT_RETURN_IF_ERROR(index_->DescendLast(index_->root(), &path_));
  auto found = index_->SettleBackward(&path_);
  if (!found.ok()) return found.status();
  if (!*found) return SetEof(/*empty=*/true);
  return LoadCurrent();
}

void NtxCursor::SavePosition() {
  saved_.path = path_;
  saved_.generation = generation_;
  saved_.key = key_;
  saved_.recno = recno_;
  saved_.eof = eof_;
  saved_.bof = bof_;
}

void NtxCursor::RestorePosition() {
  path_ = saved_.path;
  generation_ = saved_.generation;
  key_ = saved_.key;
  recno_ = saved_.recno;
  eof_ = saved_.eof;
  bof_ = saved_.bof;
}

template <typename Op>
auto NtxCursor::Read(Op op) {
  if (index_->TryLocklessRead()) {
    SavePosition();
    auto result = op();
    if (!index_->EndLocklessRead()) return result;
    RestorePosition();
  }
  NtxReadScope scope(*index_);
  if (!scope.status().ok()) return decltype(op())(scope.status());
  return op();
}

Status NtxCursor::GoTop() {
  return Read([this] { return DoTop(); });
}

Status NtxCursor::GoBottom() {
  return Read([this] { return DoBottom(); });
}

Result<bool> NtxCursor::Seek(std::string_view key, bool soft) {
  return Read([&]() -> Result<bool> { return DoSeek(key, soft); });
}

Result<bool> NtxCursor::DoSeek(std::string_view key, bool soft) {
  if (key.size() > static_cast<size_t>(index_->key_length())) key = key.substr(0, index_->key_length());
  bof_ = false;
  HURT_RETURN_IF_ERROR(index_->DescendLowerBound({key, 0, true}, &path_));
  auto found = index_->SettleForward(&path_);
  if (!found.ok()) return found.status();
  if (!*found) {
    auto root = index_->GetPage(index_->root());
    if (!root.ok()) return root.status();
    HURT_RETURN_IF_ERROR(SetEof((*root)->count() == 0));
    return false;
  }
  HURT_RETURN_IF_ERROR(LoadCurrent());
  bool match = index_->CompareKey(key_, key) == 0;
  if (!match && !soft) HURT_RETURN_IF_ERROR(SetEof(false));
  return match;
}

Result<bool> NtxCursor::SeekEntry(std::string_view key, uint32_t recno) {
  HURT_RETURN_IF_ERROR(index_->CheckKey(key, recno));
  return Read([&]() -> Result<bool> { return DoSeekEntry(key, recno); });
}

Result<bool> NtxCursor::DoSeekEntry(std::string_view key, uint32_t recno) {
  bof_ = false;
  HURT_RETURN_IF_ERROR(index_->DescendLowerBound({key, recno, false}, &path_));
  auto found = index_->SettleForward(&path_);
  if (!found.ok()) return found.status();
  if (!*found) {
    HURT_RETURN_IF_ERROR(SetEof(false));
    return false;
  }
  HURT_RETURN_IF_ERROR(LoadCurrent());
  return recno_ == recno && key_ == key;
}

Status NtxCursor::Refind(bool* exact) {
  *exact = true;
  if (eof_ || generation_ == index_->generation_) return Status::Ok();
  std::string key = key_;
  uint32_t recno = recno_;
  HURT_RETURN_IF_ERROR(index_->DescendLowerBound({key, recno, false}, &path_));
  auto found = index_->SettleForward(&path_);
  if (!found.ok()) return found.status();
  if (!*found) {
    *exact = false;
    return SetEof(false);
  }
  HURT_RETURN_IF_ERROR(LoadCurrent());
  *exact = recno_ == recno && key_ == key;
  return Status::Ok();
}

Status NtxCursor::Skip(long n) {
  return Read([this, n] { return DoSkip(n); });
}

Status NtxCursor::DoSkip(long n) {
  bool exact = true;
  HURT_RETURN_IF_ERROR(Refind(&exact));
  if (eof_) {
    if (n >= 0) return Status::Ok();
    HURT_RETURN_IF_ERROR(DoBottom());
    if (eof_) return Status::Ok();  // empty index
    ++n;
  } else if (!exact && n > 0) {
    --n;  // standing on the successor of a removed entry is one step forward already
  }
  bof_ = false;
  while (n > 0) {
    auto moved = index_->StepForward(&path_);
    if (!moved.ok()) return moved.status();
    if (!*moved) return SetEof(false);
    --n;
  }
  while (n < 0) {
    auto moved = index_->StepBackward(&path_);
    if (!moved.ok()) return moved.status();
    if (!*moved) {
      HURT_RETURN_IF_ERROR(DoTop());
      bof_ = true;
      return Status::Ok();
    }
    ++n;
  }
  return LoadCurrent();
}

}  // namespace hurt::xbase
