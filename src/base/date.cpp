#include "base/date.h"

#include <cstdio>

namespace hurt {

JulianDay JulianFromYmd(int year, int month, int day) {
  // Fliegel and Van Flandern, valid for all Gregorian dates after 4800 BC.
  int a = (14 - month) / 12;
  int y = year + 4800 - a;
  int m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

Ymd YmdFromJulian(JulianDay jd) {
  int a = jd + 32044;
  int b = (4 * a + 3) / 146097;
  int c = a - 146097 * b / 4;
  int d = (4 * c + 3) / 1461;
  int e = c - 1461 * d / 4;
  int m = (5 * e + 2) / 153;
  Ymd r;
  r.day = e - (153 * m + 2) / 5 + 1;
  r.month = m + 3 - 12 * (m / 10);
  r.year = 100 * b + d - 4800 + m / 10;
  return r;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

std::string Dtos(JulianDay jd) {
  if (jd == kEmptyDate) return std::string(8, ' ');
  Ymd d = YmdFromJulian(jd);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year % 10000, d.month, d.day);
  return buf;
}

namespace {
// Reads exactly n digits; false when any is not a digit.
bool Digits(std::string_view s, size_t pos, size_t n, int* out) {
  if (pos + n > s.size()) return false;
  int v = 0;
  for (size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  *out = v;
  return true;
}

bool AllOf(std::string_view s, std::string_view allowed) {
  for (char c : s)
    if (allowed.find(c) == std::string_view::npos) return false;
  return true;
}
}  // namespace

std::optional<JulianDay> Stod(std::string_view text) {
  if (AllOf(text, " ")) return kEmptyDate;
  int y, m, d;
  if (text.size() != 8 || !Digits(text, 0, 4, &y) || !Digits(text, 4, 2, &m) || !Digits(text, 6, 2, &d))
    return std::nullopt;
  if (!IsValidDate(y, m, d)) return std::nullopt;
  return JulianFromYmd(y, m, d);
}

std::string Dtoc(JulianDay jd) {
  if (jd == kEmptyDate) return "  .  .    ";
  Ymd d = YmdFromJulian(jd);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year % 10000);
  return buf;
}

std::optional<JulianDay> Ctod(std::string_view text) {
  if (AllOf(text, " .")) return kEmptyDate;
  // Blanks inside a typed date count as zeros ("1 .03.2024").
  std::string s(text);
  for (char& c : s)
    if (c == ' ') c = '0';
  int y, m, d;
  if (s.size() < 8 || s[2] != '.' || s[5] != '.' || !Digits(s, 0, 2, &d) || !Digits(s, 3, 2, &m))
    return std::nullopt;
  if (s.size() == 10) {
    if (!Digits(s, 6, 4, &y)) return std::nullopt;
  } else if (s.size() == 8) {
    if (!Digits(s, 6, 2, &y)) return std::nullopt;
    y += y < 50 ? 2000 : 1900;
  } else {
    return std::nullopt;
  }
  if (!IsValidDate(y, m, d)) return std::nullopt;
  return JulianFromYmd(y, m, d);
}

int DayOfWeek(JulianDay jd) { return (jd + 1) % 7 + 1; }

JulianDay AddMonths(JulianDay jd, int months) {
  Ymd d = YmdFromJulian(jd);
  int total = d.year * 12 + (d.month - 1) + months;
  int y = total / 12, m = total % 12 + 1;
  int day = d.day;
  if (day > DaysInMonth(y, m)) day = DaysInMonth(y, m);
  return JulianFromYmd(y, m, day);
}

}  // namespace hurt
