#include "xbase/ntx_page_cache.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace hurt::xbase {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

NtxPageCache::NtxPageCache(size_t capacity) : capacity_(std::clamp<size_t>(capacity, 8, kSlotMask)) {
  size_t table = 16;
  while (table < 2 * capacity_) table *= 2;
  mask_ = table - 1;
  table_.assign(table, Probe{});
  // Address space for every slot is reserved now; memory is taken only as slots are used.
  // The block is aligned to a huge page so that the kernel can back it with them.
  size_t bytes = (capacity_ * sizeof(Slot) + kHugePage - 1) / kHugePage * kHugePage;
  void* raw = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  auto base = reinterpret_cast<uintptr_t>(raw);
  uintptr_t aligned = (base + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > base) munmap(raw, aligned - base);
  size_t tail = base + bytes + kHugePage - (aligned + bytes);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  (void)madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // a hint: fine if refused
  slots_ = reinterpret_cast<Slot*>(aligned);
  slot_bytes_ = bytes;
}

NtxPageCache::~NtxPageCache() {
  Clear();
  munmap(slots_, slot_bytes_);
}

size_t NtxPageCache::Home(uint32_t offset) const {
  uint64_t page = offset / kNtxPageSize;
  return static_cast<size_t>((page * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
}

size_t NtxPageCache::Position(uint32_t offset) const {
  size_t i = Home(offset);
  while (Live(table_[i]) && table_[i].offset != offset) i = (i + 1) & mask_;
  return i;
}

const NtxPage* NtxPageCache::Find(uint32_t offset) {
  const Probe& probe = table_[Position(offset)];
  if (!Live(probe)) return nullptr;
  Slot& slot = slots_[probe.tagged_slot & kSlotMask];
  // The caller searches the page next: ask for all of its lines now, so that the search
  // waits for memory once rather than once per step.
  const char* bytes = reinterpret_cast<const char*>(&slot);
  for (size_t at = 0; at < sizeof(Slot); at += 64) __builtin_prefetch(bytes + at);
  slot.referenced = 1;
  return &slot.page;
}

void NtxPageCache::Erase(uint32_t offset) {
  // Linear probing without tombstones: shift later members of the run back.
  size_t i = Position(offset);
  if (!Live(table_[i])) return;
  size_t j = i;
  for (;;) {
    j = (j + 1) & mask_;
    if (!Live(table_[j])) break;
    size_t home = Home(table_[j].offset);
    // Move j into the hole at i unless its home lies cyclically in (i, j].
    bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
    if (stays) continue;
    table_[i] = table_[j];
    i = j;
  }
  table_[i] = Probe{};
}

const NtxPage* NtxPageCache::Put(uint32_t offset, const NtxPage& page) {
  Slot* slots = slots_;
  size_t i = Position(offset);
  uint32_t slot;
  if (Live(table_[i])) {
    slot = table_[i].tagged_slot & kSlotMask;
  } else {
    if (used_ < capacity_) {
      slot = static_cast<uint32_t>(used_);
      new (&slots[slot]) Slot{};
      ++used_;
    } else {
      // CLOCK: pass over recently used pages (clearing their mark) to the first one not.
      for (;;) {
        if (hand_ >= used_) hand_ = 0;
        if (slots[hand_].referenced == 0) break;
        slots[hand_].referenced = 0;
        ++hand_;
      }
      slot = static_cast<uint32_t>(hand_++);
      Erase(slots[slot].offset);
    }
    i = Position(offset);
    table_[i] = Make(offset, slot);
    slots[slot].offset = offset;
  }
  slots[slot].page = page;
  slots[slot].referenced = 1;
  return &slots[slot].page;
}

void NtxPageCache::Clear() {
  tag_ = (tag_ + 1) & (0xFFFFFFFF >> kTagShift);
  if (tag_ == 0) {
    // The tags went round: entries of the tag now coming back must not count as live.
    std::fill(table_.begin(), table_.end(), Probe{});
    tag_ = 1;
  }
  Slot* slots = slots_;
  for (size_t i = 0; i < used_; ++i) slots[i].~Slot();
  used_ = 0;
  hand_ = 0;
}

}  // namespace hurt::xbase
