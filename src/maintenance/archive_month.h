// Archive months: an earlier month's folder opened for reports (IN_ARC), and the choice of
// a month that the archive and the change of the current period (ZM_BMR) share.
//
// While an archive month is open the session's tables are that month's (INIT_DBF with
// the period) and HH_ARC (Session::hh_arc) names it; every routine that changes data
// refuses then with "Praca w archiwum - blokada". The current month (HH, firma->BMR) does
// not change meanwhile; leaving the archive opens the current month's tables again.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::maintenance {

// A box with `title`, "Miesiac :" (1-12) and "Rok     :" (four digits, 1901-2099),
// preset from `start` ("yy/mm"); the chosen period as "yy/mm", nothing after Esc. The
// screen under the box is put back.
std::optional<std::string> WyborOkresu(session::Session& s, std::string_view title, std::string_view start);

// The period folder "yy/mm" holds the month's article table (as.dbf, either case).
bool OkresMaDane(session::Session& s, std::string_view period);

// "<month name> niedostepny": "Marzec '2024 niedostepny".
std::string Niedostepny(std::string_view period);

enum class Archiwum {
  kOpened,   // the month's tables are open, HH_ARC set
  kCurrent,  // the current month was chosen: its tables are open, no archive
  kMissing,  // the month has no data: told, nothing changed
  kFailed,   // the month's tables could not be opened (told): the current month is open again
  kLost,     // not even the current month could be opened again: the work must end
};

// Opens the month `period` ("yy/mm") for reports (see above).
Archiwum OtworzArchiwum(session::Session& s, std::string_view period);

// Leaves the archive: HH_ARC cleared and the current month's tables opened. False when
// they cannot be opened (told): the work must end.
bool WrocDoBiezacego(session::Session& s);

}  // namespace hurt::maintenance
