// Reading the fields of the month's tables in a report's pass: the bytes of a field by its
// position (-1 when the table has no such field), its number, a date field, and the
// session's area of a table.
#pragma once

#include <string_view>

#include "base/date.h"
#include "base/numeric.h"
#include "session/session.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::reports {

inline xbase::WorkArea* AreaOf(session::Session& s, store::TableId id) {
  return s.areas().Area(store::Table(id).area);
}

inline std::string_view Bytes(const xbase::WorkArea& a, int i) { return i < 0 ? std::string_view() : a.FieldBytes(i); }
inline std::string_view Bytes(const xbase::Record& r, int i) { return i < 0 ? std::string_view() : r.FieldBytes(i); }
inline double Number(const xbase::WorkArea& a, int i) { return i < 0 ? 0.0 : Val(a.FieldBytes(i)); }
inline double Number(const xbase::Record& r, int i) { return i < 0 ? 0.0 : Val(r.FieldBytes(i)); }

inline std::string_view TrimView(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// A date field's bytes "yyyymmdd"; kEmptyDate when empty or unreadable.
inline JulianDay DateOf(std::string_view bytes) {
  if (bytes.size() != 8) return kEmptyDate;
  int v[3] = {0, 0, 0};
  const size_t width[3] = {4, 2, 2};
  size_t at = 0;
  for (int part = 0; part < 3; ++part) {
    for (size_t i = 0; i < width[part]; ++i, ++at) {
      const char c = bytes[at];
      if (c < '0' || c > '9') return kEmptyDate;
      v[part] = v[part] * 10 + (c - '0');
    }
  }
  if (!IsValidDate(v[0], v[1], v[2])) return kEmptyDate;
  return JulianFromYmd(v[0], v[1], v[2]);
}

}  // namespace hurt::reports
