#include "console/screen_buffer.h"

#include <algorithm>

#include "base/cp852.h"

namespace hurt::console {

using namespace hurt::literals;

namespace {
// How the screen character set shows the bytes 0x00..0x1F.
constexpr char32_t kLowGlyphs[32] = {
    U' ',    U'\u263A', U'\u263B', U'\u2665', U'\u2666', U'\u2663', U'\u2660', U'\u2022',
    U'\u25D8', U'\u25CB', U'\u25D9', U'\u2642', U'\u2640', U'\u266A', U'\u266B', U'\u263C',
    U'\u25BA', U'\u25C4', U'\u2195', U'\u203C', U'\u00B6', U'\u00A7', U'\u25AC', U'\u21A8',
    U'\u2191', U'\u2193', U'\u2192', U'\u2190', U'\u221F', U'\u2194', U'\u25B2', U'\u25BC',
};
}  // namespace

char32_t ScreenGlyph(unsigned char byte) {
  if (byte < 0x20) return kLowGlyphs[byte];
  if (byte == 0x7F) return U'\u2302';
  if (byte == 0xFF) return U' ';  // no-break space shows as a blank
  return Cp852ToUnicode(byte);
}

std::string_view SingleFrame() { return "┌─┐│┘─└│"_pl; }
std::string_view DoubleFrame() { return "╔═╗║╝═╚║"_pl; }

void ScreenBuffer::Clear(Attr attr) { cells_.fill(Cell{' ', attr}); }

void ScreenBuffer::PutChar(int row, int col, unsigned char ch, Attr attr) {
  if (Inside(row, col)) at(row, col) = Cell{ch, attr};
}

void ScreenBuffer::Put(int row, int col, std::string_view text, Attr attr) {
  if (row < 0 || row >= kRows) return;
  for (size_t i = 0; i < text.size(); ++i) {
    int c = col + static_cast<int>(i);
    if (c >= kCols) break;
    if (c >= 0) at(row, c) = Cell{static_cast<unsigned char>(text[i]), attr};
  }
}

void ScreenBuffer::Fill(int top, int left, int bottom, int right, unsigned char ch, Attr attr) {
  top = std::max(top, 0);
  left = std::max(left, 0);
  bottom = std::min(bottom, kRows - 1);
  right = std::min(right, kCols - 1);
  for (int r = top; r <= bottom; ++r)
    for (int c = left; c <= right; ++c) at(r, c) = Cell{ch, attr};
}

void ScreenBuffer::Paint(int top, int left, int bottom, int right, Attr attr) {
  top = std::max(top, 0);
  left = std::max(left, 0);
  bottom = std::min(bottom, kRows - 1);
  right = std::min(right, kCols - 1);
  for (int r = top; r <= bottom; ++r)
    for (int c = left; c <= right; ++c) at(r, c).attr = attr;
}

void ScreenBuffer::HLine(int row, int left, int right, unsigned char ch, Attr attr) {
  Fill(row, left, row, right, ch, attr);
}

void ScreenBuffer::VLine(int col, int top, int bottom, unsigned char ch, Attr attr) {
  Fill(top, col, bottom, col, ch, attr);
}

void ScreenBuffer::Box(int top, int left, int bottom, int right, std::string_view frame, Attr attr,
                       unsigned char fill) {
  if (bottom < top || right < left) return;
  auto f = [&](size_t i) { return static_cast<unsigned char>(i < frame.size() ? frame[i] : ' '); };
  if (fill != 0 && bottom - top >= 2 && right - left >= 2) Fill(top + 1, left + 1, bottom - 1, right - 1, fill, attr);
  HLine(top, left + 1, right - 1, f(1), attr);
  HLine(bottom, left + 1, right - 1, f(5), attr);
  VLine(left, top + 1, bottom - 1, f(7), attr);
  VLine(right, top + 1, bottom - 1, f(3), attr);
  PutChar(top, left, f(0), attr);
  PutChar(top, right, f(2), attr);
  PutChar(bottom, right, f(4), attr);
  PutChar(bottom, left, f(6), attr);
}

SavedRegion ScreenBuffer::Save(int top, int left, int bottom, int right) const {
  SavedRegion s;
  s.top = std::max(top, 0);
  s.left = std::max(left, 0);
  s.bottom = std::min(bottom, kRows - 1);
  s.right = std::min(right, kCols - 1);
  for (int r = s.top; r <= s.bottom; ++r)
    for (int c = s.left; c <= s.right; ++c) s.cells.push_back(at(r, c));
  return s;
}

void ScreenBuffer::Restore(const SavedRegion& s) {
  size_t i = 0;
  for (int r = s.top; r <= s.bottom; ++r)
    for (int c = s.left; c <= s.right && i < s.cells.size(); ++c) at(r, c) = s.cells[i++];
}

std::string ScreenBuffer::TextAt(int row, int col, int length) const {
  std::string out;
  for (int c = col; c < col + length; ++c)
    if (Inside(row, c)) AppendUtf8(out, ScreenGlyph(at(row, c).ch));
  return out;
}

std::string ScreenBuffer::RowText(int row) const { return TextAt(row, 0, kCols); }

std::string ScreenBuffer::RowBytes(int row) const {
  std::string out;
  if (row < 0 || row >= kRows) return out;
  for (int c = 0; c < kCols; ++c) out += static_cast<char>(at(row, c).ch);
  return out;
}

std::vector<std::string> ScreenBuffer::Lines() const {
  std::vector<std::string> lines;
  for (int r = 0; r < kRows; ++r) lines.push_back(RowText(r));
  return lines;
}

std::vector<ChangedRun> ChangedRuns(const ScreenBuffer& shown, const ScreenBuffer& next) {
  std::vector<ChangedRun> runs;
  for (int r = 0; r < kRows; ++r) {
    int c = 0;
    while (c < kCols) {
      if (shown.at(r, c) == next.at(r, c)) {
        ++c;
        continue;
      }
      int start = c;
      while (c < kCols && !(shown.at(r, c) == next.at(r, c))) ++c;
      runs.push_back({r, start, c - start});
    }
  }
  return runs;
}

}  // namespace hurt::console
