// KALK: the pop-up calculator that Alt+K opens from any screen.
//
//   ┌─── Kalkulator ────┐   a box of 21 columns, rows kKalkTop … kKalkTop + 6, whose
//   │               12 +│   registers start at the column LX_KALK (1 … 60): the frame
//   │                 30│   takes the column before it and the one after the registers
//   ├───────────────────┤
//   │M                42│   the memory M_KALK
//   │C M N ←→ Esc-Koniec│
//   └───────────────────┘
//
// Keys: digits and "." (a comma is a point) type a number, Backspace edits it; "+", "-",
// "*", "/" and "=" or Enter compute (kalk_engine.h); "C" clears both registers; "M" keeps
// the value in the memory; "N" types the memory into the keyboard buffer (Enter, then the
// value) and empties the memory, so the calculator itself reads it as a finished
// calculation followed by a new number; Left and Right move the box one column; Esc
// closes it. Other keys are refused with a beep.
//
// The whole screen with its colours and cursor is saved when the calculator opens and put
// back when it closes. Opened from a numeric input field (the console's active field), it
// starts from the field's value and gives the field the value shown when it closes. The
// field keeps its old value when an error is shown, and when the value does not fit the
// field's picture ("Wynik nie mieści się w polu" for 3 seconds): a field would otherwise
// show asterisks and read them as zero.
#pragma once

#include <string>

#include "console/console.h"

namespace hurt::session {

inline constexpr int kKalkTop = 2;
inline constexpr int kKalkMinColumn = 1;
inline constexpr int kKalkMaxColumn = 60;

// The calculator's session state, owned by the session and kept between calls.
struct KalkState {
  int lx = kKalkMaxColumn;  // LX_KALK: the column of the registers' first character
  std::string memory;       // M_KALK: the stored value as text, "" when none
};

// KALK: runs the calculator until Esc.
void Kalk(console::Console& con, KalkState& state);

// Makes Alt+K open the calculator while any screen waits for a key. `state` must outlive
// the console's use of the hot key (the console does not run it again while it is open).
void InstallKalk(console::Console& con, KalkState& state);

}  // namespace hurt::session
