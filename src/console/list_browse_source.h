// A browse over a list the caller holds (a vector read for one screen): the position is
// an index into it, and the list's size is asked each time, so a list read again after
// an operation is followed at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "console/browse.h"

namespace hurt::console {

class ListBrowseSource final : public BrowseSource {
 public:
  explicit ListBrowseSource(std::function<size_t()> size);
  ~ListBrowseSource() override;
  void GoTop() override;
  void GoBottom() override;
  int64_t Skip(int64_t n) override;
  bool IsEmpty() override;
  int64_t Bookmark() override;
  void GoToBookmark(int64_t mark) override;
  // The index of the current entry (0 in an empty list).
  size_t at() const;

 private:
  int64_t Last() const;

  std::function<size_t()> size_;
  int64_t at_ = 0;
};

}  // namespace hurt::console
