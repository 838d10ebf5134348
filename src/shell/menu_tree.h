// The main menu and its five pull-down sub-menus.
//
// The main menu is a staircase of five items (MAGAZYN, ROZRACHUNKI, DOWODY, RAPORTY,
// FUNKCJE SPECJALNE); each opens one sub-menu, runs one item of it and comes back. The
// sub-menus are never nested: after an item the sub-menu returns with Enter in the
// keyboard buffer, so the next round of the main menu chooses the same main item at once
// and the same sub-menu opens again on the same item. Left and Right in a sub-menu leave
// it with Up/Down and Enter in the buffer, so the neighbouring sub-menu opens: the five
// behave as one menu bar.
//
// Positions survive for the whole run in the session variables K_GLOWNE, K_ASORTYMENT,
// K_KONTRAHENCI, K_OBROTY, K_RAPORTY and K_SPECJALNE; LK_OPCJA holds the position before
// the current choice, POM is 1 after a sideways move, POMOC 999 while a sub-menu waits.
//
// How MAIN uses it:
//
//   InitMenuPositions(session);          // once, before the first main screen
//   int r = MainMenuLoop(session, [](Session& s) { ...empty the working-line table... });
//   if (IsInstallerExit(r)) { ...sign off...; return r; }   // exit code 101..103
//   ...shutdown...                                          // r == kMenuEnd: exit code 0
//
// or, with a loop of its own, calls GlownyMenu round after round and draws the main
// screen again (EkranGlowny) after each round.
#pragma once

#include "session/session_fwd.h"

#include <functional>

namespace hurt::shell {

using session::Session;

// GlownyMenu results besides the main item 1..5 that ran.
inline constexpr int kMenuEnd = 0;           // Esc in the main menu, or "T" to the closing question
inline constexpr int kExitInstaller1 = 101;  // installer item J_WITEK1: sign off, exit code 101
inline constexpr int kExitInstaller2 = 102;
inline constexpr int kExitInstaller3 = 103;
constexpr bool IsInstallerExit(int result) { return result >= kExitInstaller1 && result <= kExitInstaller3; }

// The main menu items.
enum MainItem : int { kMagazyn = 1, kRozrachunki = 2, kDowody = 3, kRaporty = 4, kSpecjalne = 5 };

// Declares the menu positions (all 1) and sets the start item from the argument WWW:
// K_GLOWNE 3 (DOWODY); an argument whose first non-blank character is "1" opens
// RAPORTY (4), "2" FUNKCJE SPECJALNE (5) with K_SPECJALNE taken from the argument's
// characters 2-3 when they name an item.
void InitMenuPositions(Session& session);

// One round of the main loop: normalises and shows the VAT rate, shows the time, lets the
// operator choose a main item (starting on K_GLOWNE), selects the articles table (area 2,
// order 1, top) and runs the chosen sub-menu once. Returns the main item that ran (1..5),
// kMenuEnd when the work ends, or 101..103 when an installer item asks the program to end
// with that exit code (the caller signs the station off first).
int GlownyMenu(Session& session);

// The main loop: draws the main screen, then runs rounds of GlownyMenu until one returns
// kMenuEnd or an installer exit, which is returned. After every other round
// `after_round` runs (MAIN empties the working-line table there) and the main screen is
// drawn again: a routine may have changed the operator, the colour set or the period
// the screen shows, so it is redrawn rather than restored from a copy.
int MainMenuLoop(Session& session, const std::function<void(Session&)>& after_round = {});

// The sub-menus, each run once (the main menu calls them). Each returns as GlownyMenu
// does: its main item, kMenuEnd or an installer exit.
int Asortyment(Session& session);
int Kontrahenci(Session& session);
int Dowody(Session& session);
int Raporty(Session& session);
int Specjalne(Session& session);

}  // namespace hurt::shell
