// The date in the short form of the ledger grids and letters: "dd.mm.yy" ("  .  .  " for
// the empty date).
#pragma once

#include <cstdio>
#include <string>

#include "base/date.h"

namespace hurt {

inline std::string ShortDate(JulianDay d) {
  if (d == kEmptyDate) return "  .  .  ";
  const Ymd y = YmdFromJulian(d);
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%02d", y.day, y.month, y.year % 100);
  return text;
}

}  // namespace hurt
