#include "reports/movement_runs.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace hurt::reports {

namespace {

// Bytes gathered before they are written to the file.
constexpr size_t kOutBytes = size_t{1} << 20;
// The least buffer a reader of the merge gets.
constexpr size_t kLeastReaderBytes = size_t{16} << 10;
// An entry: key and flags, the additions, then the line facts when it has them (NAZWA, JM,
// gross, CENA0, CENA).
constexpr size_t kEntryHead = 8 + 4;
constexpr size_t kEntryFacts = 30 + 3 + 1 + 8 + 8;
constexpr size_t kEntryMost = kEntryHead + kColumns * sizeof(double) + kEntryFacts;
constexpr uint32_t kInGroupBit = uint32_t{1} << 31;
constexpr uint32_t kFactsBit = uint32_t{1} << 30;
// The buffer of the cards' keys read beside a run being written.
constexpr size_t kKeyReaderBytes = size_t{64} << 10;
constexpr uint32_t kColumnBits = (uint32_t{1} << kColumns) - 1;

char* PutBytes(char* at, const void* from, size_t n) {
  std::memcpy(at, from, n);
  return at + n;
}
const char* GetBytes(const char* at, void* to, size_t n) {
  std::memcpy(to, at, n);
  return at + n;
}

// The entry's bytes in out[0..); their count.
size_t Encode(const RunEntry& e, bool facts, char* out) {
  const uint32_t changed = e.changed & kColumnBits;
  const uint32_t flags = changed | (e.in_group ? kInGroupBit : 0) | (facts ? kFactsBit : 0);
  char* p = PutBytes(out, e.indeks.data(), e.indeks.size());
  p = PutBytes(p, &flags, sizeof flags);
  for (uint32_t bits = changed; bits != 0; bits &= bits - 1) {
    p = PutBytes(p, &e.add[static_cast<size_t>(std::countr_zero(bits))], sizeof(double));
  }
  if (facts) {
    const char gross = e.facts.gross ? 'B' : 'N';
    p = PutBytes(p, e.facts.nazwa.data(), e.facts.nazwa.size());
    p = PutBytes(p, e.facts.jm.data(), e.facts.jm.size());
    p = PutBytes(p, &gross, 1);
    p = PutBytes(p, &e.facts.cena0, sizeof(double));
    p = PutBytes(p, &e.facts.cena, sizeof(double));
  }
  return static_cast<size_t>(p - out);
}

size_t EncodedSize(uint32_t flags) {
  return kEntryHead + static_cast<size_t>(std::popcount(flags & kColumnBits)) * sizeof(double) +
         ((flags & kFactsBit) != 0 ? kEntryFacts : 0);
}

void Decode(const char* in, RunEntry* e) {
  uint32_t flags = 0;
  const char* p = GetBytes(in, e->indeks.data(), e->indeks.size());
  p = GetBytes(p, &flags, sizeof flags);
  e->in_group = (flags & kInGroupBit) != 0;
  e->changed = flags & kColumnBits;
  e->add.fill(0);
  for (uint32_t bits = e->changed; bits != 0; bits &= bits - 1) {
    p = GetBytes(p, &e->add[static_cast<size_t>(std::countr_zero(bits))], sizeof(double));
  }
  e->facts = LineRowFacts{};
  if ((flags & kFactsBit) != 0) {
    char gross = 'N';
    p = GetBytes(p, e->facts.nazwa.data(), e->facts.nazwa.size());
    p = GetBytes(p, e->facts.jm.data(), e->facts.jm.size());
    p = GetBytes(p, &gross, 1);
    p = GetBytes(p, &e->facts.cena0, sizeof(double));
    GetBytes(p, &e->facts.cena, sizeof(double));
    e->facts.gross = gross == 'B';
  }
}

}  // namespace

ArticleKey ArticleKeyOf(std::string_view indeks) {
  ArticleKey key;
  key.fill(' ');
  std::memcpy(key.data(), indeks.data(), std::min(indeks.size(), key.size()));
  return key;
}

// One section of the file read front to back through a buffer of its own.
class MovementRuns::Reader {
 public:
  Reader(xbase::File& file, const std::string& path, Section s, size_t capacity)
      : file_(&file), path_(&path), next_(s.offset), end_(s.offset + s.bytes), buf_(capacity, '\0') {}
  bool done() const { return at_ == have_ && next_ == end_; }
  // At least n bytes at data().
  Status Need(size_t n) {
    if (have_ - at_ >= n) return Status::Ok();
    const size_t rest = have_ - at_;
    std::memmove(buf_.data(), buf_.data() + at_, rest);
    at_ = 0;
    have_ = rest;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buf_.size() - rest, end_ - next_));
    size_t got = 0;
    if (want > 0) HURT_RETURN_IF_ERROR(file_->ReadAt(next_, want, buf_.data() + rest, &got));
    next_ += got;
    have_ += got;
    if (have_ < n) return Status::IoError(*path_ + ": plik roboczy krotszy niz zapisany");
    return Status::Ok();
  }
  const char* data() const { return buf_.data() + at_; }
  void Take(size_t n) { at_ += n; }

 private:
  xbase::File* file_;
  const std::string* path_;
  uint64_t next_, end_;
  std::string buf_;
  size_t at_ = 0, have_ = 0;
};

Result<std::unique_ptr<MovementRuns>> MovementRuns::Create(xbase::Env& env, const std::string& base,
                                                           size_t card_length) {
  std::unique_ptr<MovementRuns> runs(new MovementRuns(env, card_length));
  for (Output* out : {&runs->data_, &runs->keys_}) {
    out->path = base + (out == &runs->data_ ? kExtensions[0] : kExtensions[1]);
    auto file = env.Open(out->path, {.write = true, .create = true, .truncate = true});
    if (!file.ok()) return file.status();
    out->file = std::move(*file);
    out->pending.reserve(kOutBytes + std::max(kEntryMost, card_length + 8));
  }
  return runs;
}

MovementRuns::~MovementRuns() {
  for (Output* out : {&data_, &keys_}) {
    if (out->file == nullptr) continue;
    out->file.reset();
    (void)env_.Remove(out->path);
  }
}

Status MovementRuns::Output::Flush() {
  if (pending.empty()) return Status::Ok();
  HURT_RETURN_IF_ERROR(file->WriteAt(size - pending.size(), pending));
  pending.clear();
  return Status::Ok();
}

Status MovementRuns::Output::Put(std::string_view bytes) {
  pending.append(bytes);
  size += bytes.size();
  return pending.size() >= kOutBytes ? Flush() : Status::Ok();
}

Status MovementRuns::AddCard(const ArticleKey& key, std::string_view card) {
  if (!runs_.empty() || card.size() != card_length_) return Status::Invalid(data_.path + ": karta poza kolejnoscia");
  // The merge pairs cards and runs by key: a card out of order (a damaged index) would
  // give its article two rows.
  const uint64_t order = KeyOrder(key);
  if (cards_ > 0 && order < last_card_) {
    return Status::Corruption("Kartoteka magazynu nie w kolejnosci indeksu (" +
                              std::string(key.data(), key.size()) + ")");
  }
  last_card_ = order;
  const std::string_view k(key.data(), key.size());
  HURT_RETURN_IF_ERROR(data_.Put(k));
  HURT_RETURN_IF_ERROR(data_.Put(card));
  HURT_RETURN_IF_ERROR(keys_.Put(k));
  cards_section_.bytes += key.size() + card.size();
  ++cards_;
  return Status::Ok();
}

Status MovementRuns::AddRun(std::span<RunEntry* const> sorted) {
  HURT_RETURN_IF_ERROR(keys_.Flush());
  Reader keys(*keys_.file, keys_.path, {0, keys_.size}, kKeyReaderBytes);
  uint64_t card_order = 0;
  bool card = false;
  auto next_card = [&]() -> Status {
    card = !keys.done();
    if (!card) return Status::Ok();
    ArticleKey k;
    HURT_RETURN_IF_ERROR(keys.Need(k.size()));
    std::memcpy(k.data(), keys.data(), k.size());
    keys.Take(k.size());
    card_order = KeyOrder(k);
    return Status::Ok();
  };
  HURT_RETURN_IF_ERROR(next_card());
  Section s{data_.size, 0};
  char entry[kEntryMost];
  // The entries lie scattered in the buffer: the next ones are fetched while one is written.
  constexpr size_t kAhead = 8;
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (i + kAhead < sorted.size()) {
      const char* next = reinterpret_cast<const char*>(sorted[i + kAhead]);
      for (size_t at = 0; at < sizeof(RunEntry); at += 64) __builtin_prefetch(next + at);
    }
    const RunEntry* e = sorted[i];
    const uint64_t order = KeyOrder(e->indeks);
    while (card && card_order < order) HURT_RETURN_IF_ERROR(next_card());
    const size_t n = Encode(*e, !(card && card_order == order), entry);
    HURT_RETURN_IF_ERROR(data_.Put(std::string_view(entry, n)));
    s.bytes += n;
  }
  runs_.push_back(s);
  entries_ += sorted.size();
  return Status::Ok();
}

Status MovementRuns::Merge(const Visit& visit, size_t buffer_bytes) {
  HURT_RETURN_IF_ERROR(data_.Flush());
  const size_t readers = runs_.size() + 1;
  const size_t each = std::max({buffer_bytes / readers, kLeastReaderBytes, kEntryMost, card_length_ + 8});
  Reader cards(*data_.file, data_.path, cards_section_, each);
  std::vector<Reader> runs;
  runs.reserve(runs_.size());
  for (const Section& s : runs_) runs.emplace_back(*data_.file, data_.path, s, each);

  // The next entry of run i made whole in its reader's buffer (its code's number in
  // orders[i], its length in lengths[i]); false at the end of the run. It is decoded only
  // when it is taken.
  std::vector<uint64_t> orders(runs.size());
  std::vector<size_t> lengths(runs.size());
  auto next_entry = [&](size_t i, bool* got) -> Status {
    *got = false;
    Reader& r = runs[i];
    if (r.done()) return Status::Ok();
    HURT_RETURN_IF_ERROR(r.Need(kEntryHead));
    uint32_t flags = 0;
    std::memcpy(&flags, r.data() + 8, sizeof flags);
    lengths[i] = EncodedSize(flags);
    HURT_RETURN_IF_ERROR(r.Need(lengths[i]));
    ArticleKey key;
    std::memcpy(key.data(), r.data(), key.size());
    orders[i] = KeyOrder(key);
    *got = true;
    return Status::Ok();
  };
  // The runs with an entry left, the least key (then the earliest run) on top.
  auto later = [&](size_t a, size_t b) { return orders[a] != orders[b] ? orders[a] > orders[b] : a > b; };
  std::vector<size_t> heap;
  for (size_t i = 0; i < runs.size(); ++i) {
    bool got = false;
    HURT_RETURN_IF_ERROR(next_entry(i, &got));
    if (got) heap.push_back(i);
  }
  std::make_heap(heap.begin(), heap.end(), later);

  ArticleKey card_key{};
  uint64_t card_order = 0;
  std::string card_bytes;
  bool card = false;
  auto next_card = [&]() -> Status {
    card = !cards.done();
    if (!card) return Status::Ok();
    HURT_RETURN_IF_ERROR(cards.Need(card_key.size() + card_length_));
    std::memcpy(card_key.data(), cards.data(), card_key.size());
    card_order = KeyOrder(card_key);
    card_bytes.assign(cards.data() + card_key.size(), card_length_);
    cards.Take(card_key.size() + card_length_);
    return Status::Ok();
  };
  HURT_RETURN_IF_ERROR(next_card());

  std::vector<RunEntry> entries;
  while (card || !heap.empty()) {
    const bool card_first = card && (heap.empty() || card_order <= orders[heap.front()]);
    ArticleKey key = card_key;
    if (!card_first) std::memcpy(key.data(), runs[heap.front()].data(), key.size());
    const uint64_t order = card_first ? card_order : orders[heap.front()];
    entries.clear();
    while (!heap.empty() && orders[heap.front()] == order) {
      std::pop_heap(heap.begin(), heap.end(), later);
      const size_t i = heap.back();
      Decode(runs[i].data(), &entries.emplace_back());
      runs[i].Take(lengths[i]);
      bool got = false;
      HURT_RETURN_IF_ERROR(next_entry(i, &got));
      if (got) {
        std::push_heap(heap.begin(), heap.end(), later);
      } else {
        heap.pop_back();
      }
    }
    if (card && card_order == order) {
      HURT_RETURN_IF_ERROR(visit(key, &card_bytes, entries));
      HURT_RETURN_IF_ERROR(next_card());
      while (card && card_order == order) {
        HURT_RETURN_IF_ERROR(visit(key, &card_bytes, {}));
        HURT_RETURN_IF_ERROR(next_card());
      }
    } else {
      HURT_RETURN_IF_ERROR(visit(key, nullptr, entries));
    }
  }
  return Status::Ok();
}

}  // namespace hurt::reports
