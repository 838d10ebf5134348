#include "reports/report_period.h"

#include "console/message_window.h"
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

bool DateInRange(session::Session& s, JulianDay d, JulianDay first, JulianDay last, JulianDay from) {
  if (d < first || d > last) {
    console::Okno_(s.con(), "Data spoza otwartego okresu " + Dtoc(first) + "-" + Dtoc(last), 2);
    return false;
  }
  if (from != kEmptyDate && d < from) {
    console::Okno_(s.con(), "Data koncowa przed poczatkowa", 2);
    return false;
  }
  return true;
}

}  // namespace hurt::reports
