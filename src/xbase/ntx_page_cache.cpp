#include "xbase/ntx_page_cache.h"

#include <algorithm>

namespace hurt::xbase {

NtxPageCache::NtxPageCache(size_t capacity) : capacity_(std::clamp<size_t>(capacity, 8, kSlotMask)) {
  size_t table = 16;
  while (table < 2 * capacity_) table *= 2;
  mask_ = table - 1;
  table_.assign(table, Probe{});
  slots_.reserve(capacity_);
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
  size_t i = Position(offset);
  uint32_t slot;
  if (Live(table_[i])) {
    slot = table_[i].tagged_slot & kSlotMask;
  } else {
    if (slots_.size() < capacity_) {
      slot = static_cast<uint32_t>(slots_.size());
      slots_.emplace_back();
    } else {
      // CLOCK: pass over recently used pages (clearing their mark) to the first one not.
      for (;;) {
        if (hand_ >= slots_.size()) hand_ = 0;
        if (slots_[hand_].referenced == 0) break;
        slots_[hand_].referenced = 0;
        ++hand_;
      }
      slot = static_cast<uint32_t>(hand_++);
      Erase(slots_[slot].offset);
    }
    i = Position(offset);
    table_[i] = Make(offset, slot);
    slots_[slot].offset = offset;
  }
  Slot& stored = slots_[slot];
  stored.page = page;
  stored.referenced = 1;
  return &stored.page;
}

void NtxPageCache::Clear() {
  tag_ = (tag_ + 1) & (0xFFFFFFFF >> kTagShift);
  if (tag_ == 0) {
    // The tags went round: entries of the tag now coming back must not count as live.
    std::fill(table_.begin(), table_.end(), Probe{});
    tag_ = 1;
  }
  slots_.clear();
  hand_ = 0;
}

}  // namespace hurt::xbase
