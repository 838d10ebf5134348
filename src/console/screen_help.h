// F1 on every screen: a window with the keys of the screen under it, read from its key
// line (the bottom row, "F1-Pomoc  Enter-Zatwierdzenie  Esc-Koniec"), and the keys that
// work on every screen.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace hurt::console {

// The help window's lines for `screen`: one "key  meaning" line per entry of the key
// line (F1 itself left out), then the keys of every screen. Code page 852 text.
std::vector<std::string> ScreenHelpLines(const ScreenBuffer& screen, bool calculator);

// Shows the window over the screen until a key, then puts the screen back.
void ShowScreenHelp(Console& con);

// F1 as a hot key of the console.
void InstallScreenHelp(Console& con);

}  // namespace hurt::console
