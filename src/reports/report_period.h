// The month a report works in: the open period (or the archive month being viewed), and
// the day a one-day report proposes in it.
#pragma once

#include <utility>

#include "base/date.h"

namespace hurt::session {
class Session;
}

namespace hurt::reports {

// The first and last day of the month the reports read: the archive month while one is
// viewed, else the current period (from its folder "yy/mm"; this month when the folder
// says none).
std::pair<JulianDay, JulianDay> OpenPeriod(session::Session& s);

// The VALID of a report's date range within [first, last]: false after "Data spoza
// otwartego okresu ..." (or, for the end date `to` before `from`, "Data koncowa przed
// poczatkowa"). `from` is kEmptyDate when the date checked is the first one.
bool DateInRange(session::Session& s, JulianDay d, JulianDay first, JulianDay last, JulianDay from = kEmptyDate);

// The day a one-day report proposes: today when today is in that month, else its first day.
JulianDay ProposedDay(session::Session& s);

}  // namespace hurt::reports
