// The report viewer: a text file of CR LF lines shown full-screen, 80 columns from a
// horizontal offset of 1 to 712.
//
// The file is never read whole. The viewer keeps only the byte offset of the top line
// and reads the few lines on screen through a small block cache; moving up finds the
// previous line start by reading backwards, and the last window is found from the end of
// the file. A report of a hundred megabytes opens and pages as fast as a small one.
//
// Keys: Up/Down one line, PgUp/PgDn one window (never past the last window), Ctrl+PgUp /
// Ctrl+PgDn first / last window, Left/Right 8 columns, Ctrl+Left/Ctrl+Right 40 columns
// (Ctrl+Right goes to 712 once the offset reaches 400), Enter back to column 1, Esc
// leaves. Printing, copying and mailing are the caller's: a key hook sees every key first.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "console/console.h"

namespace hurt::console {

// Line access to a text file by byte offsets, reading blocks on demand.
class LineFile {
 public:
  static Result<std::unique_ptr<LineFile>> Open(const std::string& path);
  ~LineFile();
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  int64_t size() const { return size_; }
  // Offset of the line after the one starting at `offset`; size() when there is none.
  int64_t NextLine(int64_t offset);
  // Offset of the line before the one starting at `offset` (0 stays 0).
  int64_t PrevLine(int64_t offset);
  // The line starting at `offset` without its CR LF, at most max_bytes long.
  std::string ReadLine(int64_t offset, size_t max_bytes);
  // Offset where the last line starts (0 for an empty file).
  int64_t LastLine();
  // Bytes read from the file so far (the cache keeps blocks it already has).
  int64_t bytes_read() const { return bytes_read_; }

 private:
  explicit LineFile(int fd, int64_t size) : fd_(fd), size_(size) {}
  // The byte at `offset` (0 <= offset < size()).
  unsigned char At(int64_t offset);
  const std::vector<unsigned char>& Block(int64_t index);

  static constexpr int64_t kBlockSize = 64 * 1024;
  static constexpr size_t kCachedBlocks = 8;

  int fd_;
  int64_t size_;
  int64_t bytes_read_ = 0;
  struct CachedBlock {
    int64_t index;
    std::vector<unsigned char> bytes;
  };
  std::list<CachedBlock> cache_;  // most recent first
};

enum class ViewerKey { kNotHandled, kHandled, kRepaint, kLeave };

struct ViewerOptions {
  int top = 0;      // first window row
  int bottom = 23;  // last window row (22 for the help file)
  // The bottom line: file name padded to 23 characters, then the key text with the key
  // names picked out in bright white. An empty key text leaves row 24 alone.
  std::string name;  // shown name; the path when empty
  std::string keys = "Keys: ^V<> PgUp PgDn     F5-Druk (Alt_F5)     Esc-Wyjscie";
  std::vector<std::string> key_names = {"^V<>", "PgUp", "PgDn", "F5", "Alt_F5", "Esc"};
};

class TextViewer {
 public:
  static constexpr int kMaxColumn = 712;

  // Opens the file; NotFound when it is not there.
  static Result<std::unique_ptr<TextViewer>> Open(Console& con, const std::string& path, ViewerOptions options = {});

  using KeyHook = std::function<ViewerKey(int key, TextViewer& viewer)>;
  // READTEXT: shows the file until Esc (or the hook says leave); returns 0.
  int Run(const KeyHook& hook = nullptr);

  // Movements (also for hooks: F5 returns the view to the top).
  void LineDown();
  void LineUp();
  void PageDown();
  void PageUp();
  void GoTop();
  void GoBottom();
  void SetColumn(int column);
  void Paint();

  int column() const { return column_; }
  int64_t top_offset() const { return top_; }
  int window_rows() const { return options_.bottom - options_.top + 1; }
  const std::string& path() const { return path_; }
  LineFile& file() { return *file_; }
  // The text of window row r (0-based) as shown: code page 852, the printer codes of the
  // file left out and its overstruck letters joined.
  std::string WindowLine(int r);

 private:
  std::string ShownLine(int64_t offset);
  TextViewer(Console& con, std::string path, std::unique_ptr<LineFile> file, ViewerOptions options)
      : con_(con), path_(std::move(path)), file_(std::move(file)), options_(std::move(options)) {}
  int64_t LastTop();

  Console& con_;
  std::string path_;
  std::unique_ptr<LineFile> file_;
  ViewerOptions options_;
  int64_t top_ = 0;
  int column_ = 1;
  int64_t last_top_ = -1;  // found on first need
};

}  // namespace hurt::console
