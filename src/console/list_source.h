// A browse over a list the caller holds (a vector read for one screen): the position is
// an index into it, and the list's size is asked each time, so a list read again after
// an operation is followed at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "console/browse.h"

namespace hurt::console {

class ListSource final : public BrowseSource {
 public:
  explicit ListSource(std::function<size_t()> size) : size_(std::move(size)) {}
  void GoTop() override { at_ = 0; }
  void GoBottom() override { at_ = Last(); }
  int64_t Skip(int64_t n) override {
    const int64_t to = std::clamp<int64_t>(at_ + n, 0, Last());
    const int64_t moved = to - at_;
    at_ = to;
    return moved;
  }
  bool IsEmpty() override { return size_() == 0; }
  int64_t Bookmark() override { return at_; }
  void GoToBookmark(int64_t mark) override { at_ = std::clamp<int64_t>(mark, 0, Last()); }
  // The index of the current entry (0 in an empty list).
  size_t at() const { return static_cast<size_t>(std::clamp<int64_t>(at_, 0, Last())); }

 private:
  int64_t Last() const { return std::max<int64_t>(0, static_cast<int64_t>(size_()) - 1); }

  std::function<size_t()> size_;
  int64_t at_ = 0;
};

}  // namespace hurt::console
