// A bounded cache of decoded NTX pages.
//
// Memory stays at about capacity * 1.3 KiB whatever the size of the index (pages are
// constructed as they are first used). Lookups are an open-addressing hash probe; eviction
// is the CLOCK approximation of least-recently-used, so a hit writes one byte and moves
// nothing. A page pointer returned by Find or Put stays valid until the next Put or
// Clear.
//
// A seek touches one page per level of the tree, and on a large index nearly every touch
// misses the processor's caches: the layout keeps that to one miss for the probe (offset
// and slot side by side) and one for the page (its offset and reference mark sit in front
// of it, and all of its lines are asked for at once).
#pragma once

#include <cstdint>
#include <vector>

#include "xbase/ntx_format.h"

namespace hurt::xbase {

class NtxPageCache {
 public:
  explicit NtxPageCache(size_t capacity);

  // The cached page at a file offset, or nullptr.
  const NtxPage* Find(uint32_t offset);
  // Stores a copy of the page, replacing an older copy of it, evicting a page not used
  // lately when full.
  const NtxPage* Put(uint32_t offset, const NtxPage& page);
  void Clear();

  size_t size() const { return slots_.size(); }
  size_t capacity() const { return capacity_; }

 private:
  // A probe entry is live when its offset is not 0 (offset 0 is the header) and its tag
  // is the table's: Clear, which another station's change of the index calls often, only
  // moves to the next tag instead of wiping the table.
  struct Probe {
    uint32_t offset = 0;
    uint32_t tagged_slot = 0;  // tag << kTagShift | slot
  };
  static constexpr int kTagShift = 24;
  static constexpr uint32_t kSlotMask = (uint32_t{1} << kTagShift) - 1;
  bool Live(const Probe& p) const { return p.offset != 0 && (p.tagged_slot >> kTagShift) == tag_; }
  Probe Make(uint32_t offset, uint32_t slot) const { return {offset, tag_ << kTagShift | slot}; }
  struct Slot {
    uint32_t offset = 0;
    uint8_t referenced = 0;
    NtxPage page;
  };

  size_t Home(uint32_t offset) const;
  size_t Position(uint32_t offset) const;  // table position holding offset, or an empty one
  void Erase(uint32_t offset);

  size_t capacity_;
  size_t mask_;  // table size - 1 (power of two, >= 2 * capacity)
  std::vector<Probe> table_;
  std::vector<Slot> slots_;  // reserved to capacity: pointers survive growth
  size_t hand_ = 0;
  uint32_t tag_ = 1;
};

}  // namespace hurt::xbase
