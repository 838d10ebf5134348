#include "console/text_viewer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/printed_text.h"
#include "base/text.h"
#include "console/keys.h"

namespace hurt::console {

Result<std::unique_ptr<LineFile>> LineFile::Open(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    std::string msg = path + ": " + std::strerror(err);
    if (err == ENOENT) return Status::NotFound(msg);
    return Status::IoError(msg);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::IoError(path + ": not a regular file");
  }
  return std::unique_ptr<LineFile>(new LineFile(fd, static_cast<int64_t>(st.st_size)));
}

LineFile::~LineFile() { ::close(fd_); }

const std::vector<unsigned char>& LineFile::Block(int64_t index) {
  for (auto it = cache_.begin(); it != cache_.end(); ++it) {
    if (it->index == index) {
      if (it != cache_.begin()) cache_.splice(cache_.begin(), cache_, it);
      return cache_.front().bytes;
    }
  }
  int64_t start = index * kBlockSize;
  size_t want = static_cast<size_t>(std::clamp<int64_t>(size_ - start, 0, kBlockSize));
  std::vector<unsigned char> bytes(want);
  size_t got = 0;
  while (got < want) {
    ssize_t n = ::pread(fd_, bytes.data() + got, want - got, static_cast<off_t>(start + static_cast<int64_t>(got)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank or cannot be read: the rest reads as blanks
    got += static_cast<size_t>(n);
  }
  bytes_read_ += static_cast<int64_t>(got);
  std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(got), bytes.end(), ' ');
  cache_.push_front({index, std::move(bytes)});
  if (cache_.size() > kCachedBlocks) cache_.pop_back();
  return cache_.front().bytes;
}

unsigned char LineFile::At(int64_t offset) {
  const auto& b = Block(offset / kBlockSize);
  size_t i = static_cast<size_t>(offset % kBlockSize);
  return i < b.size() ? b[i] : ' ';
}

int64_t LineFile::NextLine(int64_t offset) {
  int64_t o = std::max<int64_t>(offset, 0);
  while (o < size_) {
    const auto& b = Block(o / kBlockSize);
    size_t from = static_cast<size_t>(o % kBlockSize);
    if (from >= b.size()) break;
    const void* hit = std::memchr(b.data() + from, '\n', b.size() - from);
    if (hit) return o + (static_cast<const unsigned char*>(hit) - (b.data() + from)) + 1;
    o += static_cast<int64_t>(b.size() - from);
  }
  return size_;
}

int64_t LineFile::PrevLine(int64_t offset) {
  if (offset <= 0) return 0;
  // offset - 1 ends the previous line; look for the newline before it.
  for (int64_t o = std::min(offset, size_) - 2; o >= 0;) {
    const auto& b = Block(o / kBlockSize);
    int64_t block_start = (o / kBlockSize) * kBlockSize;
    for (int64_t i = o - block_start; i >= 0; --i)
      if (b[static_cast<size_t>(i)] == '\n') return block_start + i + 1;
    o = block_start - 1;
  }
  return 0;
}

int64_t LineFile::LastLine() { return size_ == 0 ? 0 : PrevLine(size_); }

std::string LineFile::ReadLine(int64_t offset, size_t max_bytes) {
  std::string out;
  for (int64_t o = offset; o < size_ && out.size() <= max_bytes; ++o) {
    unsigned char c = At(o);
    if (c == '\n') break;
    out += static_cast<char>(c);
  }
  if (!out.empty() && out.back() == '\r') out.pop_back();
  if (out.size() > max_bytes) out.resize(max_bytes);
  return out;
}

Result<std::unique_ptr<TextViewer>> TextViewer::Open(Console& con, const std::string& path, ViewerOptions options) {
  auto file = LineFile::Open(path);
  if (!file.ok()) return file.status();
  options.top = std::clamp(options.top, 0, kRows - 1);
  options.bottom = std::clamp(options.bottom, options.top, kRows - 1);
  return std::unique_ptr<TextViewer>(new TextViewer(con, path, std::move(file).value(), std::move(options)));
}

int64_t TextViewer::LastTop() {
  if (last_top_ < 0) {
    int64_t o = file_->LastLine();
    for (int i = 1; i < window_rows() && o > 0; ++i) o = file_->PrevLine(o);
    last_top_ = o;
  }
  return last_top_;
}

void TextViewer::LineDown() {
  if (top_ < LastTop()) top_ = file_->NextLine(top_);
}

void TextViewer::LineUp() { top_ = file_->PrevLine(top_); }

void TextViewer::PageDown() {
  for (int i = 0; i < window_rows(); ++i) LineDown();
}

void TextViewer::PageUp() {
  for (int i = 0; i < window_rows() && top_ > 0; ++i) LineUp();
}

void TextViewer::GoTop() { top_ = 0; }

void TextViewer::GoBottom() { top_ = LastTop(); }

void TextViewer::SetColumn(int column) { column_ = std::clamp(column, 1, kMaxColumn); }

// The line at `offset` as the screen shows it from the current column: a report's printer
// codes left out and its overstruck letters joined (base/printed_text.h), so a printout's
// preview reads as the paper will. The raw line is read longer than the window, as codes
// take no columns.
std::string TextViewer::ShownLine(int64_t offset) {
  const size_t wanted = static_cast<size_t>(column_ - 1 + kCols);
  return Substr(ShownOnScreen(file_->ReadLine(offset, wanted * 2 + 64)), column_, kCols);
}

std::string TextViewer::WindowLine(int r) {
  int64_t o = top_;
  for (int i = 0; i < r && o < file_->size(); ++i) o = file_->NextLine(o);
  if (o >= file_->size()) return {};
  return ShownLine(o);
}

void TextViewer::Paint() {
  const Attr text = con_[Role::kViewerText];
  int64_t o = top_;
  for (int r = 0; r < window_rows(); ++r) {
    std::string shown;
    if (o < file_->size()) {
      shown = ShownLine(o);
      o = file_->NextLine(o);
    }
    con_.screen().Put(options_.top + r, 0, PadR(shown, kCols), text);
  }
  if (!options_.keys.empty()) {
    const int row = kRows - 1;
    std::string name = options_.name.empty() ? path_ : options_.name;
    con_.screen().Put(row, 0, PadR(name, 23), con_[Role::kViewerFileName]);
    con_.screen().Put(row, 23, PadR(options_.keys, kCols - 23), con_[Role::kKeyBar]);
    for (const std::string& k : options_.key_names) {
      size_t at = options_.keys.find(k);
      if (at != std::string::npos) con_.screen().Put(row, 23 + static_cast<int>(at), k, con_[Role::kKeyName]);
    }
  }
  con_.ShowCursor(false);
}

int TextViewer::Run(const KeyHook& hook) {
  for (;;) {
    Paint();
    const int k = con_.WaitKey();
    if (hook) {
      ViewerKey r = hook(k, *this);
      if (r == ViewerKey::kLeave) return 0;
      if (r != ViewerKey::kNotHandled) continue;
    }
    switch (k) {
      case key::kEsc: return 0;
      case key::kDown: LineDown(); break;
      case key::kUp: LineUp(); break;
      case key::kPgDn: PageDown(); break;
      case key::kPgUp: PageUp(); break;
      case key::kCtrlPgUp: GoTop(); break;
      case key::kCtrlPgDn: GoBottom(); break;
      case key::kRight: SetColumn(column_ + 8); break;
      case key::kLeft: SetColumn(column_ - 8); break;
      case key::kCtrlRight: SetColumn(column_ >= 400 ? kMaxColumn : column_ + 40); break;
      case key::kCtrlLeft: SetColumn(column_ - 40); break;
      case key::kEnter: SetColumn(1); break;
      default: break;
    }
  }
}

}  // namespace hurt::console
