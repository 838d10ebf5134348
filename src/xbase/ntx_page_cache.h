// A bounded cache of decoded NTX pages, least recently used out first.
//
// Memory stays at about capacity * 1.3 KiB whatever the size of the index. A page pointer
// returned by Find or Put stays valid until the next Put or Clear.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "xbase/ntx_format.h"

namespace hurt::xbase {

class NtxPageCache {
 public:
  explicit NtxPageCache(size_t capacity);

  // The cached page at a file offset (made the most recently used), or nullptr.
  const NtxPage* Find(uint32_t offset);
  // Stores a copy of the page, replacing an older copy, evicting the least recently used
  // page when full.
  const NtxPage* Put(uint32_t offset, const NtxPage& page);
  void Clear();

  size_t size() const { return map_.size(); }
  size_t capacity() const { return capacity_; }

 private:
  struct Slot {
    NtxPage page;
    uint32_t offset = 0;
    int prev = -1;  // towards the most recently used
    int next = -1;  // towards the least recently used
  };
  void Unlink(int slot);
  void PushFront(int slot);

  size_t capacity_;
  std::vector<Slot> slots_;
  std::unordered_map<uint32_t, int> map_;
  int head_ = -1;  // most recently used
  int tail_ = -1;  // least recently used
};

}  // namespace hurt::xbase
