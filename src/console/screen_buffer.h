// The 80×25 grid of cells the program draws on, with no terminal in it.
//
// A cell holds one code page 852 byte and an attribute. Bytes below 0x20 are shown as
// the screen character set always showed them (codes 24..27 are the arrows ↑↓→←, 16 and
// 17 the triangles ►◄ …), so a screen may use them as pictures. The back-ends turn the
// grid into terminal output; tests read it back as UTF-8 lines.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "console/colour.h"
#include "console/terminal_size.h"

namespace hurt::console {

constexpr int kRows = kScreenRows;
constexpr int kCols = kScreenCols;

struct Cell {
  unsigned char ch = ' ';
  Attr attr;
  friend bool operator==(const Cell&, const Cell&) = default;
};

// The Unicode character a screen byte shows as.
char32_t ScreenGlyph(unsigned char byte);

// Frames as eight code page 852 bytes: top-left, top, top-right, right, bottom-right,
// bottom, bottom-left, left — the order the old box strings use.
std::string_view SingleFrame();
std::string_view DoubleFrame();

// A rectangle of cells cut out of the screen, to put back later.
struct SavedRegion {
  int top = 0, left = 0, bottom = -1, right = -1;
  std::vector<Cell> cells;
};

class ScreenBuffer {
 public:
  ScreenBuffer() { Clear(Attr{}); }

  const Cell& at(int row, int col) const { return cells_[Index(row, col)]; }
  Cell& at(int row, int col) { return cells_[Index(row, col)]; }
  static bool Inside(int row, int col) { return row >= 0 && row < kRows && col >= 0 && col < kCols; }

  void Clear(Attr attr);
  // Writes code page 852 text from (row, col); what falls outside the screen is dropped.
  void Put(int row, int col, std::string_view text, Attr attr);
  void PutChar(int row, int col, unsigned char ch, Attr attr);
  // Fills the rectangle (inclusive corners, clipped) with one character.
  void Fill(int top, int left, int bottom, int right, unsigned char ch, Attr attr);
  // Changes only the attribute of a rectangle (highlight bars, shadows).
  void Paint(int top, int left, int bottom, int right, Attr attr);
  // Draws a frame of eight bytes (see SingleFrame); with fill != 0 the inside is filled too.
  void Box(int top, int left, int bottom, int right, std::string_view frame, Attr attr, unsigned char fill = 0);
  void HLine(int row, int left, int right, unsigned char ch, Attr attr);
  void VLine(int col, int top, int bottom, unsigned char ch, Attr attr);

  SavedRegion Save(int top, int left, int bottom, int right) const;
  void Restore(const SavedRegion& region);

  // The row as UTF-8 text (80 characters), or the code page 852 bytes.
  std::string RowText(int row) const;
  std::string RowBytes(int row) const;
  // All 25 rows as UTF-8 lines.
  std::vector<std::string> Lines() const;
  // The text of `length` cells from (row, col), UTF-8.
  std::string TextAt(int row, int col, int length) const;

  friend bool operator==(const ScreenBuffer&, const ScreenBuffer&) = default;

 private:
  static size_t Index(int row, int col) { return static_cast<size_t>(row * kCols + col); }
  std::array<Cell, kRows * kCols> cells_{};
};

// A run of changed cells on one row, for back-ends that draw only what changed.
struct ChangedRun {
  int row = 0;
  int col = 0;
  int length = 0;
};
// The runs of cells that differ between what the terminal shows and the new screen.
std::vector<ChangedRun> ChangedRuns(const ScreenBuffer& shown, const ScreenBuffer& next);

}  // namespace hurt::console
