#include "console/list_browse_source.h"

#include <algorithm>
#include <utility>

namespace hurt::console {

ListBrowseSource::ListBrowseSource(std::function<size_t()> size) : size_(std::move(size)) {}
ListBrowseSource::~ListBrowseSource() = default;

void ListBrowseSource::GoTop() { at_ = 0; }
void ListBrowseSource::GoBottom() { at_ = Last(); }

int64_t ListBrowseSource::Skip(int64_t n) {
  const int64_t to = std::clamp<int64_t>(at_ + n, 0, Last());
  const int64_t moved = to - at_;
  at_ = to;
  return moved;
}

bool ListBrowseSource::IsEmpty() { return size_() == 0; }
int64_t ListBrowseSource::Bookmark() { return at_; }
void ListBrowseSource::GoToBookmark(int64_t mark) { at_ = std::clamp<int64_t>(mark, 0, Last()); }
size_t ListBrowseSource::at() const { return static_cast<size_t>(std::clamp<int64_t>(at_, 0, Last())); }
int64_t ListBrowseSource::Last() const { return std::max<int64_t>(0, static_cast<int64_t>(size_()) - 1); }

}  // namespace hurt::console
