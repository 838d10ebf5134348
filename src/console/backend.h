// What the console needs from a terminal: show a screen, give keys, beep.
//
// Two implementations: TerminalBackend (console/terminal.h, a real terminal through
// ncursesw) and HeadlessBackend (console/headless.h, a script of keys for tests).
#pragma once

#include <cstdint>
#include <optional>

#include "console/screen_buffer.h"

namespace hurt::console {

struct CursorState {
  int row = 0;
  int col = 0;
  bool visible = false;
  bool insert_shape = false;  // a block cursor while fields are in insert mode
  friend bool operator==(const CursorState&, const CursorState&) = default;
};

constexpr int64_t kWaitForever = -1;

class Backend {
 public:
  virtual ~Backend() = default;
  // Shows the screen and the cursor; a back-end draws only the cells that changed.
  virtual void Present(const ScreenBuffer& screen, const CursorState& cursor) = 0;
  // Waits up to timeout_ms (kWaitForever: without limit, 0: only looks) for one key;
  // nullopt when the time passed without a key. The time waited is the console clock's.
  virtual std::optional<int> ReadKey(int64_t timeout_ms) = 0;
  // Drops what the terminal has already sent but nobody read (CLEAR TYPEAHEAD).
  virtual void DiscardInput() {}
  virtual void Beep() {}
  // False on a terminal without colours: screens then use their monochrome colours.
  virtual bool IsColour() const { return true; }
};

}  // namespace hurt::console
