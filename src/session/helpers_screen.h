// Screen helpers of the menus: the closing question, the menu colours and the frame of a
// pull-down sub-menu.
#pragma once

#include <initializer_list>

#include "console/console.h"

namespace hurt::session {

// The question that ends the program.
inline constexpr std::string_view kKoniecQuestion = "   CZY  CHCESZ  ZAKONCZYC  PRACE  ?";

// KONIEC(): asks kKoniecQuestion in the question window with T preset; true when the
// operator answers T (the caller then ends the work, KONCOWKA).
bool Koniec(console::Console& con);

// MONITOR(): the menu colours, "W,W+" on a colour screen and "U,U+" on a monochrome one.
void Monitor(console::Console& con);
// MONITOR(x): with any argument the colours are "N/W".
void MonitorInverse(console::Console& con);

// RAMKA(top, left, bottom, right [, r1 … r4]): the frame of a sub-menu that hangs from its
// main-menu item on row `top`, in the current standard colour:
//
//   │ MAGAZYN            │   row top: verticals only, the main item between them stays
//   │▀▀▀▀▀▀▀▀▀▀▀▀▀▀▀▀▀▀▀▀│   row top+1: a line of "▀" under the item
//   │                    │   rows top+2 … bottom-1: cleared, the sub-menu's items go here
//   ├────────────────────┤   a separator at each row r given (joined to the verticals)
//   │                    │
//   └────────────────────┘   row bottom
//
// Separator rows outside top+2 … bottom-1 are skipped; a frame smaller than 2×3 cells is
// not drawn.
void Ramka(console::Console& con, int top, int left, int bottom, int right, std::initializer_list<int> separators = {});

}  // namespace hurt::session
