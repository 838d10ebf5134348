// The real terminal through ncursesw.
//
// Output: the cell grid is drawn as UTF-8 (box-drawing and block characters included),
// only the cells that changed since the last Present. Colours: the 16 PC colours on
// terminals with 16 or more colours, 8 colours with bold for the bright ones otherwise,
// and inverse/bold/underline on a terminal without colours. A terminal smaller than 80×25
// shows a Polish message instead of the screen until it is made large enough.
//
// Input: ncurses does not read the keyboard here; the bytes are read from standard input
// and decoded by KeyDecoder with the terminal's terminfo key table, an escape delay
// deciding a lone Esc. The terminal is in raw mode, so Ctrl+C, Ctrl+S and Ctrl+Q arrive as
// keys (PgDn, Left and the like), as on the old keyboard.
#pragma once

#include <memory>

#include "base/result.h"
#include "console/backend.h"
#include "console/key_decoder.h"

typedef struct screen SCREEN;  // ncurses

namespace hurt::console {

struct TerminalOptions {
  // How long after an ESC byte the rest of a sequence may come (milliseconds).
  int escape_delay_ms = 50;
  // Draw without colours even on a colour terminal.
  bool monochrome = false;
};

class TerminalBackend final : public Backend {
 public:
  // Takes over the terminal on standard input and output. Fails with a message for the
  // operator (Polish, UTF-8) when they are not a terminal or it is smaller than 80×25.
  static Result<std::unique_ptr<TerminalBackend>> Open(const TerminalOptions& options = {});
  ~TerminalBackend() override;
  TerminalBackend(const TerminalBackend&) = delete;
  TerminalBackend& operator=(const TerminalBackend&) = delete;

  void Present(const ScreenBuffer& screen, const CursorState& cursor) override;
  std::optional<int> ReadKey(int64_t timeout_ms) override;
  void DiscardInput() override;
  void Beep() override;
  bool IsColour() const override { return colour_; }

  // True once standard input has ended (the terminal went away); keys then read as Esc.
  bool hung_up() const { return hung_up_; }

 private:
  TerminalBackend(SCREEN* screen, const TerminalOptions& options);
  void DrawCell(int row, int col, const Cell& cell);
  int PairFor(int fg, int bg);
  // Reads what standard input has; false when nothing came within wait_ms.
  bool ReadInput(int wait_ms);
  bool CheckSize();  // true when the terminal fits 80×25

  SCREEN* screen_;
  TerminalOptions options_;
  KeyDecoder decoder_;
  bool colour_ = false;
  bool colours16_ = false;
  int max_pairs_ = 0;
  std::unique_ptr<bool[]> pair_ready_;
  ScreenBuffer shown_;
  ScreenBuffer last_;
  CursorState last_cursor_;
  bool full_redraw_ = true;
  bool too_small_ = false;
  int rows_ = 0, cols_ = 0;
  int64_t last_byte_ms_ = 0;
  bool hung_up_ = false;
};

}  // namespace hurt::console
