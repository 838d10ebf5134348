// Dates as Julian day numbers, the way xBase keeps them in memory.
//
// 0 is the empty date. On disk a date is "YYYYMMDD" (DTOS), on screen "dd.mm.yyyy".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hurt {

using JulianDay = int32_t;
constexpr JulianDay kEmptyDate = 0;
constexpr JulianDay kJulianOf1970 = 2'440'588;  // 1970-01-01

struct Ymd {
  int year = 0;
  int month = 0;
  int day = 0;
};

// Gregorian calendar date to Julian day number; the date must be valid.
JulianDay JulianFromYmd(int year, int month, int day);
Ymd YmdFromJulian(JulianDay jd);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);

// "YYYYMMDD"; eight blanks for the empty date.
std::string Dtos(JulianDay jd);
// Parses "YYYYMMDD"; blanks give the empty date, anything invalid gives nullopt.
std::optional<JulianDay> Stod(std::string_view text);
// "dd.mm.yyyy"; "  .  .    " for the empty date.
std::string Dtoc(JulianDay jd);
// Parses "dd.mm.yyyy" (also "dd.mm.yy": years below 50 are 20yy); blanks and dots only give
// the empty date; anything invalid gives nullopt.
std::optional<JulianDay> Ctod(std::string_view text);

// 1 = Sunday … 7 = Saturday, as DOW() numbers the days.
int DayOfWeek(JulianDay jd);
// The same day n months later (or earlier), clipped to the month's last day.
JulianDay AddMonths(JulianDay jd, int months);

}  // namespace hurt
