#include "reports/report_period.h"

#include "documents/header_rules.h"
#include "session/session.h"

namespace hurt::reports {

std::pair<JulianDay, JulianDay> OpenPeriod(session::Session& s) {
  const documents::Period p = documents::PeriodOfHh(s.InArchive() ? s.hh_arc() : s.hh());
  if (p.month >= 1) return {p.First(), p.Last()};
  const Ymd t = YmdFromJulian(s.Today());
  return {JulianFromYmd(t.year, t.month, 1), JulianFromYmd(t.year, t.month, DaysInMonth(t.year, t.month))};
}

JulianDay ProposedDay(session::Session& s) {
  const auto [first, last] = OpenPeriod(s);
  return s.Today() >= first && s.Today() <= last ? s.Today() : first;
}

}  // namespace hurt::reports
