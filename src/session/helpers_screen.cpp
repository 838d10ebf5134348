#include "session/helpers_screen.h"

#include "base/cp852.h"
#include "console/message_window.h"

namespace hurt::session {

namespace {

using namespace hurt::literals;

// The code page 852 byte of a one-character literal.
constexpr unsigned char Glyph(std::string_view one) { return static_cast<unsigned char>(one.front()); }

constexpr unsigned char kUpperHalfBlock = Glyph("▀"_pl);
constexpr unsigned char kVertical = Glyph("│"_pl);
constexpr unsigned char kHorizontal = Glyph("─"_pl);
constexpr unsigned char kBottomLeft = Glyph("└"_pl);
constexpr unsigned char kBottomRight = Glyph("┘"_pl);
constexpr unsigned char kTeeRight = Glyph("├"_pl);
constexpr unsigned char kTeeLeft = Glyph("┤"_pl);

}  // namespace

bool Koniec(console::Console& con) { return console::Okno(con, kKoniecQuestion, "T"); }

void Monitor(console::Console& con) {
  // Both texts are valid colour settings: the status cannot be a failure.
  (void)con.SetColour(con.IsColour() ? "W,W+" : "U,U+");
}

void MonitorInverse(console::Console& con) { (void)con.SetColour("N/W"); }

void Ramka(console::Console& con, int top, int left, int bottom, int right, std::initializer_list<int> separators) {
  if (bottom < top + 2 || right < left + 2) return;
  console::ScreenBuffer& s = con.screen();
  const console::Attr attr = con.colours().standard;
  s.Fill(top + 1, left + 1, bottom - 1, right - 1, ' ', attr);
  s.VLine(left, top, bottom - 1, kVertical, attr);
  s.VLine(right, top, bottom - 1, kVertical, attr);
  s.HLine(top + 1, left + 1, right - 1, kUpperHalfBlock, attr);
  for (int row : separators) {
    if (row < top + 2 || row > bottom - 1) continue;
    s.HLine(row, left + 1, right - 1, kHorizontal, attr);
    s.PutChar(row, left, kTeeRight, attr);
    s.PutChar(row, right, kTeeLeft, attr);
  }
  s.HLine(bottom, left + 1, right - 1, kHorizontal, attr);
  s.PutChar(bottom, left, kBottomLeft, attr);
  s.PutChar(bottom, right, kBottomRight, attr);
}

}  // namespace hurt::session
