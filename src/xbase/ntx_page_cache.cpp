#include "xbase/ntx_page_cache.h"

#include <algorithm>

namespace hurt::xbase {

NtxPageCache::NtxPageCache(size_t capacity) : capacity_(std::max<size_t>(capacity, 8)) {
  size_t table = 16;
  while (table < 2 * capacity_) table *= 2;
  mask_ = table - 1;
  table_key_.assign(table, 0);
  table_slot_.assign(table, kNoSlot);
  pages_.reserve(capacity_);
}

size_t NtxPageCache::Home(uint32_t offset) const {
  uint64_t page = offset / kNtxPageSize;
  return static_cast<size_t>((page * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
}

size_t NtxPageCache::Probe(uint32_t offset) const {
  size_t i = Home(offset);
  while (table_key_[i] != 0 && table_key_[i] != offset) i = (i + 1) & mask_;
  return i;
}

const NtxPage* NtxPageCache::Find(uint32_t offset) {
  size_t i = Probe(offset);
  if (table_key_[i] == 0) return nullptr;
  uint32_t slot = table_slot_[i];
  referenced_[slot] = 1;
  return &pages_[slot];
}

void NtxPageCache::Erase(uint32_t offset) {
  // Linear probing without tombstones: shift later members of the run back.
  size_t i = Probe(offset);
  if (table_key_[i] == 0) return;
  size_t j = i;
  for (;;) {
    j = (j + 1) & mask_;
    if (table_key_[j] == 0) break;
    size_t home = Home(table_key_[j]);
    // Move j into the hole at i unless its home lies cyclically in (i, j].
    bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
    if (stays) continue;
    table_key_[i] = table_key_[j];
    table_slot_[i] = table_slot_[j];
    i = j;
  }
  table_key_[i] = 0;
  table_slot_[i] = kNoSlot;
}

const NtxPage* NtxPageCache::Put(uint32_t offset, const NtxPage& page) {
  size_t i = Probe(offset);
  uint32_t slot;
  if (table_key_[i] != 0) {
    slot = table_slot_[i];
  } else {
    if (used_ < capacity_) {
      slot = static_cast<uint32_t>(used_++);
      pages_.push_back(page);
      slot_offset_.push_back(0);
      referenced_.push_back(0);
    } else {
      // CLOCK: pass over recently used pages (clearing their mark) to the first one not.
      for (;;) {
        if (hand_ >= used_) hand_ = 0;
        if (referenced_[hand_] == 0) break;
        referenced_[hand_] = 0;
        ++hand_;
      }
      slot = static_cast<uint32_t>(hand_++);
      Erase(slot_offset_[slot]);
    }
    i = Probe(offset);
    table_key_[i] = offset;
    table_slot_[i] = slot;
    slot_offset_[slot] = offset;
  }
  pages_[slot] = page;
  referenced_[slot] = 1;
  return &pages_[slot];
}

void NtxPageCache::Clear() {
  std::fill(table_key_.begin(), table_key_.end(), 0);
  std::fill(table_slot_.begin(), table_slot_.end(), kNoSlot);
  pages_.clear();
  slot_offset_.clear();
  referenced_.clear();
  used_ = 0;
  hand_ = 0;
}

}  // namespace hurt::xbase
