// EKRAN_GLOWNY: the main screen behind the menus.
//
//   rows 0-23   the background pattern ("█", or "▒" for the violet set) in the station's
//               background colour, with the computer picture (KOMPUTER) at rows 14-22:
//               on its screen the program title, the date and name of the program file,
//               and on row 18 the current period ("Grudzien '2026", " arc" in an archive)
//   row 23      columns 0-31, black on white: the company name centred
//   row 24      the key line, key names in bright white
//
// The colour set of a station follows its marker files (read at each call): a cash
// register station (restriction 8) cyan-brown "GR/N+", SMALL.TXT or ZIELONE.TXT green,
// OPAK.XXX or FIOLET.TXT violet, otherwise blue; a monochrome screen uses the monochrome
// scheme. EkranGlowny makes that set the console's theme, so the menus and message
// windows drawn afterwards use it too.
#pragma once

#include "session/session_fwd.h"

#include <string>
#include <string_view>

#include "console/theme.h"

namespace hurt::shell {

using session::Session;

// TOJESTKASA: the station works as a cash register. The log-in sets the variable
// TOJESTKASA; before that (and when it is not declared) restriction 8 of the operator
// decides.
bool ToJestKasa(Session& session);

enum class ColourSetKind { kBlue, kGreen, kViolet, kCashRegister, kMonochrome };

// Which colour set the station uses now.
ColourSetKind StationColourSet(Session& session);
console::Theme ThemeFor(ColourSetKind kind);

// The period line of row 18: "Grudzien '2026" from "mm" and "yy" (" arc" appended in an
// archive), centred in 18 columns.
std::string PeriodLine(std::string_view mm, std::string_view yy, bool archive);

// The title on the computer's screen: "KASA" on a cash register station, else J_NAZWA,
// or " GM + Sprzedaz " when that is blank.
std::string ScreenTitle(Session& session);

// EKRAN_GLOWNY(): draws the whole main screen and sets the station's colour theme.
void EkranGlowny(Session& session);

}  // namespace hurt::shell
