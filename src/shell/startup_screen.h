// The screens of start-up: the maker's banner, the two-second window in which another
// period may be chosen, and the main screen (a plain version with the five main-menu
// items; the full menu tree comes with the menus).
#pragma once

#include "session/session_fwd.h"

#include <string>

#include "shell/startup_args.h"

namespace hurt::shell {

using session::Session;

// The maker's banner (step 3). Which of the two contact layouts is shown depends on
// whether the current second is even or odd.
void Banner(Session& session);

enum class WindowResult { kGoOn, kQuit };

// The two seconds after start without an argument: "Wybierz miesiac.rok  [mm.rr] : ....."
// at row 24. Esc shows "Esc - KONIEC" and the program ends without touching a table. F6
// (unless the marker F6.TXT exists) asks for a period "mm.yy" (preset to the current
// month); a period whose folder holds as.dbf becomes the start argument (`args`), another
// is refused with " - to jakas pomylka!!!" twice.
WindowResult PeriodWindow(Session& session, StartArgs& args);


}  // namespace hurt::shell
