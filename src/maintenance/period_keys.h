// The period keys of the month close: the next period, the first and last day of a
// period, and the marker a close leaves while it runs.
//
// A period is its folder "yy/mm" (two-digit year, two-digit month); firma->BMR holds it
// as "mm.yy". After month 12 comes 01 of the next year, and after year 99 comes 00.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"
#include "xbase/env.h"

namespace hurt::maintenance {

// The period after `period` ("09/12" gives "10/01", "99/12" gives "00/01"); nullopt when
// `period` is not "yy/mm" with a month 1..12.
std::optional<std::string> NextPeriod(std::string_view period);
// The period before `period` ("10/01" gives "09/12").
std::optional<std::string> PreviousPeriod(std::string_view period);

// The month's name as the screens say it ("Grudzien '2026") of a period "yy/mm"; a
// shorter text gives the name of what it has.
std::string MonthName(std::string_view period);

// The first and the last day of a period (years "9x" are 199x, the others 20xx).
JulianDay FirstDayOf(std::string_view period);
JulianDay LastDayOf(std::string_view period);

// The close-in-progress marker of the close of `period`, relative to the data directory:
// "zamknij/r2009m12.txt" for "09/12".
std::string CloseMarkerOf(std::string_view period);
// The period a marker name stands for ("r2009m12.txt" gives "09/12"); nullopt for any
// other name.
std::optional<std::string> PeriodOfCloseMarker(std::string_view file_name);

// CREATE_M_NEW: the next period of `period`, with its folders made in the data directory
// `root` (the year folder first, for a new year).
Result<std::string> CreateMNew(xbase::Env& env, std::string_view root, std::string_view period);

}  // namespace hurt::maintenance
