#include "base/date.h"

#include <gtest/gtest.h>

#include "base/clock.h"

namespace hurt {
namespace {

TEST(Date, JulianRoundTripsAcrossCenturiesAndLeapDays) {
  EXPECT_EQ(JulianFromYmd(1970, 1, 1), kJulianOf1970);
  EXPECT_EQ(JulianFromYmd(2000, 1, 1), 2451545);
  for (JulianDay jd = JulianFromYmd(1899, 12, 25); jd < JulianFromYmd(2101, 1, 10); jd += 13) {
    Ymd d = YmdFromJulian(jd);
    EXPECT_EQ(JulianFromYmd(d.year, d.month, d.day), jd);
  }
  Ymd leap = YmdFromJulian(JulianFromYmd(2024, 2, 28) + 1);
  EXPECT_EQ(leap.month, 2);
  EXPECT_EQ(leap.day, 29);
}

TEST(Date, TextFormsAndEmptyDate) {
  JulianDay d = JulianFromYmd(2026, 12, 8);
  EXPECT_EQ(Dtos(d), "20261208");
  EXPECT_EQ(Dtoc(d), "08.12.2026");
  EXPECT_EQ(Stod("20261208"), d);
  EXPECT_EQ(Ctod("08.12.2026"), d);
  EXPECT_EQ(Ctod("08.12.26"), d);
  EXPECT_EQ(Dtos(kEmptyDate), "        ");
  EXPECT_EQ(Dtoc(kEmptyDate), "  .  .    ");
  EXPECT_EQ(Stod("        "), kEmptyDate);
  EXPECT_EQ(Ctod("  .  .    "), kEmptyDate);
  EXPECT_FALSE(Stod("20230229").has_value());
  EXPECT_FALSE(Ctod("31.04.2024").has_value());
  EXPECT_FALSE(Stod("2024xx01").has_value());
}

TEST(Date, WeekdaysAndMonthArithmetic) {
  EXPECT_EQ(DayOfWeek(JulianFromYmd(1970, 1, 1)), 5);   // Thursday
  EXPECT_EQ(DayOfWeek(JulianFromYmd(2026, 12, 6)), 1);  // Sunday
  EXPECT_EQ(AddMonths(JulianFromYmd(2024, 1, 31), 1), JulianFromYmd(2024, 2, 29));
  EXPECT_EQ(AddMonths(JulianFromYmd(2024, 3, 15), -3), JulianFromYmd(2023, 12, 15));
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
}

TEST(FakeClock, GivesTheSetDayAndAdvancesInsteadOfSleeping) {
  FakeClock clock(2026, 12, 8, 23, 59, 58);
  EXPECT_EQ(clock.Today(), JulianFromYmd(2026, 12, 8));
  EXPECT_EQ(clock.TimeText(), "23:59:58");
  clock.Sleep(2500);
  EXPECT_EQ(clock.Today(), JulianFromYmd(2026, 12, 9));
  EXPECT_EQ(clock.TimeText(), "00:00:00");
  EXPECT_EQ(clock.Elapsed(), 2500);
}

TEST(SystemClock, TodayIsAPlausibleDate) {
  SystemClock clock;
  EXPECT_GT(clock.Today(), JulianFromYmd(2020, 1, 1));
  EXPECT_LE(clock.MonotonicMillis(), clock.MonotonicMillis());
}

}  // namespace
}  // namespace hurt
