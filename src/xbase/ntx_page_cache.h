// A bounded cache of decoded NTX pages.
//
// Memory stays at about capacity * 1.3 KiB whatever the size of the index (pages are
// allocated as they are first used). Lookups are an open-addressing hash probe; eviction
// is the CLOCK approximation of least-recently-used, so a hit writes one byte and moves
// nothing. A page pointer returned by Find or Put stays valid until the next Put or
// Clear.
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

  size_t size() const { return used_; }
  size_t capacity() const { return capacity_; }

 private:
  static constexpr uint32_t kNoSlot = 0xFFFFFFFF;
  size_t Home(uint32_t offset) const;
  size_t Probe(uint32_t offset) const;  // table position holding offset, or an empty one
  void Erase(uint32_t offset);

  size_t capacity_;
  size_t mask_;                       // table size - 1 (power of two, >= 2 * capacity)
  std::vector<uint32_t> table_key_;   // page offset, 0 = empty (offset 0 is the header)
  std::vector<uint32_t> table_slot_;  // slot of that page
  std::vector<uint32_t> slot_offset_;
  std::vector<uint8_t> referenced_;
  std::vector<NtxPage> pages_;  // reserved to capacity: pointers survive growth
  size_t used_ = 0;
  size_t hand_ = 0;
};

}  // namespace hurt::xbase
