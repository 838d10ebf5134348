#include "xbase/ntx_build.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <span>

#include <sys/mman.h>

#include "xbase/lock_layout.h"

namespace hurt::xbase {

namespace {

constexpr size_t kHeadBytes = 24;                   // key bytes held in a SortRef
constexpr size_t kOutputPages = 256;                // pages written with one WriteAt
constexpr size_t kRunWriteBuffer = size_t{1} << 20;  // bytes of run records per WriteAt

uint64_t LoadBe64(const char* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i) {
    v <<= 8;
    if (i < n) v |= static_cast<unsigned char>(p[i]);
  }
  return v;
}

void StoreBe64(char* p, uint64_t v) {
  for (int i = 7; i >= 0; --i) {
    p[i] = static_cast<char>(v & 0xFF);
    v >>= 8;
  }
}

// How many pages each level of the tree gets. `total` counts entries on the leaf level
// and children (pages of the level below) on branch levels; a level's total is spread
// evenly over its pages. Each level fills pages to the maximum, rounding the page count
// up: with max even that leaves every page at least half full (shown in the header
// comment of ntx_build.h and tested with every N around the level boundaries).
struct LevelPlan {
  uint64_t pages;
  uint64_t total;
};

std::vector<LevelPlan> PlanLevels(uint64_t entries, uint64_t max_keys, int leaf_fill_percent) {
  std::vector<LevelPlan> levels;
  if (entries <= max_keys) {
    levels.push_back({1, entries});
    return levels;
  }
  // Each leaf but the last is followed by one entry that goes up a level. Leaves get about
  // leaf_fill_percent of the maximum, but never fewer leaves than full ones need, nor so
  // many that one would hold less than half the maximum.
  const uint64_t fill = std::max<uint64_t>(1, max_keys * static_cast<uint64_t>(std::clamp(leaf_fill_percent, 50, 100)) / 100);
  uint64_t leaves = (entries + 1 + fill) / (fill + 1);
  leaves = std::min(leaves, (entries + 1) / (max_keys / 2 + 1));
  leaves = std::max(leaves, (entries + 1 + max_keys) / (max_keys + 1));
  levels.push_back({leaves, entries - (leaves - 1)});
  uint64_t below = leaves;
  while (below > 1) {
    if (below <= max_keys + 1) {
      levels.push_back({1, below});
      break;
    }
    uint64_t pages = (below + max_keys) / (max_keys + 1);
    levels.push_back({pages, below});
    below = pages;
  }
  return levels;
}

uint64_t Share(const LevelPlan& plan, uint64_t page) {
  return plan.total / plan.pages + (page < plan.total % plan.pages ? 1 : 0);
}

}  // namespace

// Writes pages as the sorted entries stream in. Each level has one page being filled;
// when a leaf has its share, the next entry goes up into the level above (with the
// finished leaf as its left child), climbing as long as the pages above are full too.
class NtxBuilder::TreeWriter {
 public:
  TreeWriter(File& file, const NtxPageFormat& format, uint64_t entries, int leaf_fill_percent)
      : file_(file), format_(format) {
    for (const LevelPlan& plan : PlanLevels(entries, format.max_keys, leaf_fill_percent)) {
      Level level;
      level.plan = plan;
      level.page.Reset(format);
      levels_.push_back(std::move(level));
      SetTarget(levels_.size() - 1);
    }
    out_.assign(kOutputPages * kNtxPageSize, '\0');
  }

  Status Add(std::string_view key, uint32_t recno) {
    Level& leaf = levels_[0];
    if (static_cast<uint64_t>(leaf.page.count()) < leaf.target) {
      leaf.page.AppendItem(0, recno, key);
      return Status::Ok();
    }
    uint32_t child = 0;
    HURT_RETURN_IF_ERROR(Complete(0, &child));
    for (size_t l = 1; l < levels_.size(); ++l) {
      Level& level = levels_[l];
      if (static_cast<uint64_t>(level.page.count()) < level.target) {
        level.page.AppendItem(child, recno, key);
        return Status::Ok();
      }
      level.page.set_child(level.page.count(), child);
      HURT_RETURN_IF_ERROR(Complete(l, &child));
    }
    return Status::Invalid(file_.path() + ": more index entries than counted");
  }

  // Closes the last page of every level; returns the root's offset.
  Result<uint32_t> Finish() {
    uint32_t child = 0;
    HURT_RETURN_IF_ERROR(Complete(0, &child));
    for (size_t l = 1; l < levels_.size(); ++l) {
      levels_[l].page.set_child(levels_[l].page.count(), child);
      HURT_RETURN_IF_ERROR(Complete(l, &child));
    }
    for (const Level& level : levels_) {
      if (level.index != level.plan.pages) return Status::Invalid(file_.path() + ": fewer index entries than counted");
    }
    HURT_RETURN_IF_ERROR(Flush());
    return child;
  }

 private:
  struct Level {
    LevelPlan plan{};
    uint64_t index = 0;   // page of the level being filled
    uint64_t target = 0;  // keys it gets
    NtxPage page;
  };

  void SetTarget(size_t l) {
    Level& level = levels_[l];
    if (level.index >= level.plan.pages) return;
    uint64_t share = Share(level.plan, level.index);
    level.target = l == 0 ? share : share - 1;  // a branch page has one key fewer than children
  }

  Status Complete(size_t l, uint32_t* offset) {
    Level& level = levels_[l];
    if (level.index >= level.plan.pages || static_cast<uint64_t>(level.page.count()) != level.target) {
      return Status::Invalid(file_.path() + ": index entries do not match their count");
    }
    if (next_offset_ + kNtxPageSize > std::numeric_limits<uint32_t>::max()) {
      return Status::IoError(file_.path() + ": index file cannot grow past 4 GiB");
    }
    level.page.EncodeTo(out_.data() + out_pages_ * kNtxPageSize);
    *offset = static_cast<uint32_t>(next_offset_);
    next_offset_ += kNtxPageSize;
    ++out_pages_;
    ++level.index;
    level.page.Reset(format_);
    SetTarget(l);
    if (out_pages_ == kOutputPages) return Flush();
    return Status::Ok();
  }

  Status Flush() {
    if (out_pages_ == 0) return Status::Ok();
    HURT_RETURN_IF_ERROR(file_.WriteAt(out_offset_, std::string_view(out_.data(), out_pages_ * kNtxPageSize)));
    out_offset_ += out_pages_ * kNtxPageSize;
    out_pages_ = 0;
    return Status::Ok();
  }

  File& file_;
  NtxPageFormat format_;
  std::vector<Level> levels_;
  uint64_t next_offset_ = kNtxPageSize;  // page 0 is the header
  std::string out_;
  uint64_t out_offset_ = kNtxPageSize;
  size_t out_pages_ = 0;
};

// Anonymous memory for one chunk, with the kernel asked for huge pages.
class NtxBuilder::SortMemory {
 public:
  explicit SortMemory(size_t bytes) : size_(std::max<size_t>(bytes, 1)) {
    void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    data_ = static_cast<char*>(p);
#ifdef MADV_HUGEPAGE
    (void)madvise(p, size_, MADV_HUGEPAGE);
#endif
  }
  ~SortMemory() {
    if (data_ != nullptr) munmap(data_, size_);
  }
  SortMemory(const SortMemory&) = delete;
  SortMemory& operator=(const SortMemory&) = delete;
  char* data() const { return data_; }

 private:
  size_t size_;
  char* data_ = nullptr;
};

// ---- builder --------------------------------------------------------------------------

Result<std::unique_ptr<NtxBuilder>> NtxBuilder::Start(Env& env, const std::string& path,
                                                      const NtxCreateOptions& options, const NtxBuildOptions& build) {
  auto header = NtxHeader::ForNewIndex(options.key_expression, options.key_length, options.key_decimals,
                                       options.unique, options.for_expression);
  if (!header.ok()) return Status::Invalid(path + ": " + header.status().message());
  OpenOptions open;
  open.create = true;
  auto file = env.Open(path, open);
  if (!file.ok()) return file.status();
  Status s = (*file)->Lock(lock_layout::kOpenModeOffset, lock_layout::kOpenModeLength, LockKind::kExclusive,
                           /*wait=*/false);
  if (s.IsBusy()) return Status::Busy(path + ": index is in use by another station");
  HURT_RETURN_IF_ERROR(s);

  // Carry the update counter on from the file being replaced, so that nothing cached
  // from it can pass for the new index.
  char data[kNtxCountersSize];
  size_t got = 0;
  if ((*file)->ReadAt(0, sizeof data, data, &got).ok() && got == sizeof data) {
    NtxCounters old = NtxCounters::DecodeFrom(data);
    if ((old.signature & ~kNtxForFlag) == kNtxSignature || old.signature == kNtxOldSignature) {
      header->counters.version = static_cast<uint16_t>(old.version + 1);
    }
  }
  return std::unique_ptr<NtxBuilder>(new NtxBuilder(env, std::move(*file), std::move(*header), build));
}

NtxBuilder::NtxBuilder(Env& env, std::unique_ptr<File> file, NtxHeader header, const NtxBuildOptions& build)
    : env_(env),
      file_(std::move(file)),
      header_(std::move(header)),
      build_(build),
      key_length_(header_.key_length),
      tail_length_(key_length_ > kHeadBytes ? key_length_ - kHeadBytes : 0) {
  chunk_capacity_ = std::max<size_t>(1024, build_.memory_limit / (sizeof(SortRef) + tail_length_));
}

NtxBuilder::~NtxBuilder() {
  ReleaseChunk();
  if (temp_) {
    temp_.reset();
    (void)env_.Remove(temp_path_);
  }
}

Status NtxBuilder::Add(std::string_view key, uint32_t recno) {
  HURT_RETURN_IF_ERROR(failed_);
  if (finished_) return Status::Invalid(file_->path() + ": index build already finished");
  if (key.size() != key_length_) {
    return Status::Invalid(file_->path() + ": key of " + std::to_string(key.size()) + " bytes for an index of " +
                           std::to_string(key_length_) + "-byte keys");
  }
  if (recno == 0) return Status::Invalid(file_->path() + ": record number 0 in an index entry");
  if (count_ == chunk_capacity_) {
    failed_ = SpillChunk();
    HURT_RETURN_IF_ERROR(failed_);
  }
  if (refs_ == nullptr) {
    failed_ = Reserve();
    HURT_RETURN_IF_ERROR(failed_);
  }
  SortRef& ref = refs_[count_];
  for (size_t i = 0; i < 3; ++i) {
    size_t from = 8 * i;
    ref.head[i] = key_length_ > from ? LoadBe64(key.data() + from, std::min<size_t>(8, key_length_ - from)) : 0;
  }
  ref.recno = recno;
  ref.index = static_cast<uint32_t>(count_);
  if (tail_length_ > 0) std::memcpy(tails_ + count_ * tail_length_, key.data() + kHeadBytes, tail_length_);
  ++count_;
  ++added_;
  return Status::Ok();
}

Status NtxBuilder::Reserve() {
  memory_ = std::make_unique<SortMemory>(chunk_capacity_ * (sizeof(SortRef) + tail_length_));
  if (memory_->data() == nullptr) {
    memory_.reset();
    return Status::IoError(file_->path() + ": no memory for sorting index keys");
  }
  refs_ = reinterpret_cast<SortRef*>(memory_->data());  // mmap memory is page-aligned
  tails_ = memory_->data() + chunk_capacity_ * sizeof(SortRef);
  count_ = 0;
  return Status::Ok();
}

void NtxBuilder::ReleaseChunk() {
  memory_.reset();
  refs_ = nullptr;
  tails_ = nullptr;
  count_ = 0;
}

void NtxBuilder::SortChunk() {
  const char* tails = tails_;
  const size_t tail = tail_length_;
  std::sort(refs_, refs_ + count_, [tails, tail](const SortRef& a, const SortRef& b) {
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    if (a.head[2] != b.head[2]) return a.head[2] < b.head[2];
    if (tail > 0) {
      int c = std::memcmp(tails + a.index * tail, tails + b.index * tail, tail);
      if (c != 0) return c < 0;
    }
    return a.recno < b.recno;
  });
}

void NtxBuilder::KeyOf(const SortRef& ref, char* out) const {
  // out has room for key_length_ + kHeadBytes bytes.
  StoreBe64(out, ref.head[0]);
  StoreBe64(out + 8, ref.head[1]);
  StoreBe64(out + 16, ref.head[2]);
  if (tail_length_ > 0) std::memcpy(out + kHeadBytes, tails_ + ref.index * tail_length_, tail_length_);
}

Status NtxBuilder::SpillChunk() {
  if (count_ == 0) return Status::Ok();
  SortChunk();
  if (!temp_) {
    temp_path_ = file_->path() + ".srt";
    OpenOptions open;
    open.create = true;
    open.truncate = true;
    auto temp = env_.Open(temp_path_, open);
    if (!temp.ok()) return temp.status();
    temp_ = std::move(*temp);
  }
  const size_t record = key_length_ + 4;
  std::string buffer;
  buffer.reserve(kRunWriteBuffer + record);
  std::array<char, kNtxMaxKeyLength + kHeadBytes + 4> rec{};
  Run run{temp_size_, count_};
  for (const SortRef& ref : std::span<const SortRef>(refs_, count_)) {
    KeyOf(ref, rec.data());
    EncodeU32(rec.data() + key_length_, ref.recno);
    buffer.append(rec.data(), record);
    if (buffer.size() >= kRunWriteBuffer) {
      HURT_RETURN_IF_ERROR(temp_->WriteAt(temp_size_, buffer));
      temp_size_ += buffer.size();
      buffer.clear();
    }
  }
  HURT_RETURN_IF_ERROR(temp_->WriteAt(temp_size_, buffer));
  temp_size_ += buffer.size();
  runs_.push_back(run);
  count_ = 0;
  return Status::Ok();
}

Status NtxBuilder::MergeRuns(bool emit, uint64_t* distinct, TreeWriter* writer) {
  const size_t record = key_length_ + 4;
  size_t per_run = build_.memory_limit / 2 / std::max<size_t>(runs_.size(), 1);
  per_run = std::clamp<size_t>(per_run, size_t{64} << 10, size_t{1} << 20);
  per_run = std::max<size_t>(per_run / record, 1) * record;

  struct Reader {
    uint64_t next;  // file offset of the first record not yet in the buffer
    uint64_t end;
    std::vector<char> buffer;
    size_t at = 0;
    size_t size = 0;
    const char* current() const { return buffer.data() + at; }
  };
  std::vector<Reader> readers;
  readers.reserve(runs_.size());
  for (const Run& run : runs_) readers.push_back({run.offset, run.offset + run.count * record, {}, 0, 0});

  auto load = [&](Reader& r) -> Result<bool> {
    if (r.next >= r.end) return false;
    size_t n = static_cast<size_t>(std::min<uint64_t>(per_run, r.end - r.next));
    r.buffer.resize(per_run);
    size_t got = 0;
    HURT_RETURN_IF_ERROR(temp_->ReadAt(r.next, n, r.buffer.data(), &got));
    if (got != n) return Status::IoError(temp_path_ + ": sorted run is shorter than written");
    r.next += n;
    r.at = 0;
    r.size = n;
    return true;
  };
  auto advance = [&](Reader& r) -> Result<bool> {
    r.at += record;
    if (r.at < r.size) return true;
    return load(r);
  };
  const size_t key_length = key_length_;
  auto after = [&](int a, int b) {  // heap order: smallest record on top
    const char* x = readers[static_cast<size_t>(a)].current();
    const char* y = readers[static_cast<size_t>(b)].current();
    int c = std::memcmp(x, y, key_length);
    if (c != 0) return c > 0;
    return DecodeU32(x + key_length) > DecodeU32(y + key_length);
  };

  std::vector<int> heap;
  for (size_t i = 0; i < readers.size(); ++i) {
    auto more = load(readers[i]);
    if (!more.ok()) return more.status();
    if (*more) heap.push_back(static_cast<int>(i));
  }
  std::make_heap(heap.begin(), heap.end(), after);

  std::string previous;
  bool have_previous = false;
  uint64_t count = 0;
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), after);
    Reader& r = readers[static_cast<size_t>(heap.back())];
    std::string_view key(r.current(), key_length);
    uint32_t recno = DecodeU32(r.current() + key_length);
    if (!(header_.unique && have_previous && key == previous)) {
      ++count;
      if (emit) HURT_RETURN_IF_ERROR(writer->Add(key, recno));
      if (header_.unique) {
        previous.assign(key);
        have_previous = true;
      }
    }
    auto more = advance(r);
    if (!more.ok()) return more.status();
    if (*more) {
      std::push_heap(heap.begin(), heap.end(), after);
    } else {
      heap.pop_back();
    }
  }
  if (distinct != nullptr) *distinct = count;
  return Status::Ok();
}

Status NtxBuilder::WriteIndex() {
  const NtxPageFormat format{header_.key_length, header_.max_keys, header_.descending};
  uint32_t root = 0;
  if (runs_.empty()) {
    // Everything fits in memory: sort and write straight from the references.
    SortChunk();
    std::array<char, kNtxMaxKeyLength + kHeadBytes> key{};
    auto same_key = [&](const SortRef& a, const SortRef& b) {
      return a.head[0] == b.head[0] && a.head[1] == b.head[1] && a.head[2] == b.head[2] &&
             (tail_length_ == 0 ||
              std::memcmp(tails_ + a.index * tail_length_, tails_ + b.index * tail_length_,
                          tail_length_) == 0);
    };
    uint64_t entries = count_;
    if (header_.unique) {
      for (size_t i = 1; i < count_; ++i) {
        if (same_key(refs_[i], refs_[i - 1])) --entries;
      }
    }
    HURT_RETURN_IF_ERROR(file_->Truncate(0));
    TreeWriter writer(*file_, format, entries, build_.leaf_fill_percent);
    for (size_t i = 0; i < count_; ++i) {
      if (header_.unique && i > 0 && same_key(refs_[i], refs_[i - 1])) continue;
      KeyOf(refs_[i], key.data());
      HURT_RETURN_IF_ERROR(writer.Add(std::string_view(key.data(), key_length_), refs_[i].recno));
    }
    auto written = writer.Finish();
    if (!written.ok()) return written.status();
    root = *written;
  } else {
    HURT_RETURN_IF_ERROR(SpillChunk());
    ReleaseChunk();  // give the sort memory back before merging
    uint64_t entries = added_;
    if (header_.unique) HURT_RETURN_IF_ERROR(MergeRuns(/*emit=*/false, &entries, nullptr));
    HURT_RETURN_IF_ERROR(file_->Truncate(0));
    TreeWriter writer(*file_, format, entries, build_.leaf_fill_percent);
    HURT_RETURN_IF_ERROR(MergeRuns(/*emit=*/true, nullptr, &writer));
    auto written = writer.Finish();
    if (!written.ok()) return written.status();
    root = *written;
  }

  NtxHeader header = header_;
  header.counters.root = root;
  header.counters.free_list = 0;
  std::string data;
  header.EncodeTo(&data);
  HURT_RETURN_IF_ERROR(file_->WriteAt(0, data));
  if (build_.sync) HURT_RETURN_IF_ERROR(file_->Sync());
  return Status::Ok();
}

Status NtxBuilder::Finish() {
  HURT_RETURN_IF_ERROR(failed_);
  if (finished_) return Status::Invalid(file_->path() + ": index build already finished");
  finished_ = true;
  failed_ = WriteIndex();
  if (temp_) {
    temp_.reset();
    (void)env_.Remove(temp_path_);
  }
  ReleaseChunk();
  return failed_;
}

}  // namespace hurt::xbase
