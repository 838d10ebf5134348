#include "maintenance/archive_month.h"

#include <cmath>

#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/form.h"
#include "console/message_window.h"
#include "maintenance/period_keys.h"
#include "session/helpers.h"
#include "session/init_tables.h"
#include "session/session.h"

namespace hurt::maintenance {

namespace {

constexpr int kTop = 9, kLeft = 24, kBottom = 13, kRight = 56;

std::string TwoDigits(int n) { return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)}; }

bool WholeIn(double v, int low, int high) { return v == std::floor(v) && v >= low && v <= high; }

}  // namespace

std::optional<std::string> WyborOkresu(session::Session& s, std::string_view title, std::string_view start) {
  console::Console& con = s.con();
  double month = 0, year = 0;
  if (start.size() >= 5) {
    month = Val(start.substr(3, 2));
    year = Val(session::FourDigitYear(start.substr(0, 2)));
  }
  const console::SavedRegion saved = con.Save(kTop, kLeft, kBottom, kRight);
  con.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(kTop, kLeft + 2, title);
  console::Form f(con);
  f.Say(kTop + 1, kLeft + 3, "Miesiac :");
  f.Say(kTop + 2, kLeft + 3, "Rok     :");
  f.Say(kTop + 3, kLeft + 3, "Esc - rezygnacja");
  f.GetNumber(kTop + 1, kLeft + 13, month, "99").Valid([&] { return WholeIn(month, 1, 12); });
  f.GetNumber(kTop + 2, kLeft + 13, year, "9999").Valid([&] { return WholeIn(year, 1901, 2099); });
  const console::ReadResult r = f.Read();
  con.Restore(saved);
  if (r.escaped || !WholeIn(month, 1, 12) || !WholeIn(year, 1901, 2099)) return std::nullopt;
  return TwoDigits(static_cast<int>(year)) + "/" + TwoDigits(static_cast<int>(month));
}

bool OkresMaDane(session::Session& s, std::string_view period) {
  return period.size() == 5 && s.FileX(std::string(period) + "/as.dbf");
}

std::string Niedostepny(std::string_view period) { return MonthName(period) + " niedostepny"; }

Archiwum OtworzArchiwum(session::Session& s, std::string_view period) {
  if (period == s.hh()) {
    if (!s.InArchive()) return Archiwum::kCurrent;
    return WrocDoBiezacego(s) ? Archiwum::kCurrent : Archiwum::kLost;
  }
  if (!OkresMaDane(s, period)) {
    console::Okno_(s.con(), Niedostepny(period), 3);
    return Archiwum::kMissing;
  }
  // The archive is marked before its tables are opened, so that nothing opened from here
  // on counts as the current month.
  s.set_hh_arc(std::string(period));
  if (session::InitDbf(s, period)) return Archiwum::kOpened;
  return WrocDoBiezacego(s) ? Archiwum::kFailed : Archiwum::kLost;
}

bool WrocDoBiezacego(session::Session& s) {
  s.set_hh_arc("");
  return session::InitDbf(s);
}

}  // namespace hurt::maintenance
