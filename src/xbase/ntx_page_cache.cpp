#include "xbase/ntx_page_cache.h"

#include <algorithm>

namespace hurt::xbase {

NtxPageCache::NtxPageCache(size_t capacity) : capacity_(std::max<size_t>(capacity, 8)) {
  map_.reserve(capacity_ * 2);
}

void NtxPageCache::Unlink(int slot) {
  Slot& s = slots_[static_cast<size_t>(slot)];
  if (s.prev >= 0) slots_[static_cast<size_t>(s.prev)].next = s.next; else head_ = s.next;
  if (s.next >= 0) slots_[static_cast<size_t>(s.next)].prev = s.prev; else tail_ = s.prev;
  s.prev = s.next = -1;
}

void NtxPageCache::PushFront(int slot) {
  Slot& s = slots_[static_cast<size_t>(slot)];
  s.prev = -1;
  s.next = head_;
  if (head_ >= 0) slots_[static_cast<size_t>(head_)].prev = slot;
  head_ = slot;
  if (tail_ < 0) tail_ = slot;
}

const NtxPage* NtxPageCache::Find(uint32_t offset) {
  auto it = map_.find(offset);
  if (it == map_.end()) return nullptr;
  int slot = it->second;
  if (slot != head_) {
    Unlink(slot);
    PushFront(slot);
  }
  return &slots_[static_cast<size_t>(slot)].page;
}

const NtxPage* NtxPageCache::Put(uint32_t offset, const NtxPage& page) {
  int slot;
  auto it = map_.find(offset);
  if (it != map_.end()) {
    slot = it->second;
    Unlink(slot);
  } else if (slots_.size() < capacity_) {
    slots_.emplace_back();
    slot = static_cast<int>(slots_.size() - 1);
    map_.emplace(offset, slot);
  } else {
    slot = tail_;
    Unlink(slot);
    map_.erase(slots_[static_cast<size_t>(slot)].offset);
    map_.emplace(offset, slot);
  }
  Slot& s = slots_[static_cast<size_t>(slot)];
  s.offset = offset;
  s.page = page;
  PushFront(slot);
  return &s.page;
}

void NtxPageCache::Clear() {
  map_.clear();
  slots_.clear();
  head_ = tail_ = -1;
}

}  // namespace hurt::xbase
