// The interest forecast of the payment demand: simple interest day by day under the rate
// in force, from the day after the due date up to today.
#include "settlements/interest.h"

#include <gtest/gtest.h>

#include <vector>

namespace hurt::settlements {
namespace {

JulianDay Day(int y, int m, int d) { return JulianFromYmd(y, m, d); }

TEST(InterestForecast, NothingUntilTheDueDateHasPassed) {
  const std::vector<InterestRate> rates = {{Day(2024, 1, 1), 10.00}};
  EXPECT_EQ(InterestForecast(1000, Day(2024, 3, 10), Day(2024, 3, 1), rates), 0);
  EXPECT_EQ(InterestForecast(1000, Day(2024, 3, 10), Day(2024, 3, 10), rates), 0);  // due today
  // The first day late counts: 1000 × 10 % / 365.
  EXPECT_DOUBLE_EQ(InterestForecast(1000, Day(2024, 3, 10), Day(2024, 3, 11), rates), 0.27);
  // A payment or an item settled to nothing bears none; nor does an item without a date.
  EXPECT_EQ(InterestForecast(-500, Day(2024, 3, 10), Day(2024, 6, 1), rates), 0);
  EXPECT_EQ(InterestForecast(0, Day(2024, 3, 10), Day(2024, 6, 1), rates), 0);
  EXPECT_EQ(InterestForecast(1000, kEmptyDate, Day(2024, 6, 1), rates), 0);
}

TEST(InterestForecast, EachDayAtTheRateInForceThatDay) {
  // Due 10.01; 11.01-15.01 at 10 %, 16.01-20.01 at 20 %: 5 + 5 days.
  const std::vector<InterestRate> rates = {{Day(2024, 1, 16), 20.00}, {Day(2024, 1, 1), 10.00}};
  const double expected = 1000 * 0.10 * 5 / 365 + 1000 * 0.20 * 5 / 365;  // 4.1095...
  EXPECT_DOUBLE_EQ(InterestForecast(1000, Day(2024, 1, 10), Day(2024, 1, 20), rates), 4.11);
  EXPECT_NEAR(expected, 4.11, 0.005);
  // The change on the first day late: every day at the new rate.
  EXPECT_DOUBLE_EQ(InterestForecast(1000, Day(2024, 1, 15), Day(2024, 1, 20), rates),
                   2.74);
  // Due after the change: the old rate plays no part.
  EXPECT_DOUBLE_EQ(InterestForecast(3650, Day(2024, 1, 20), Day(2024, 1, 30), rates), 20.00);
}

TEST(InterestForecast, DaysBeforeTheFirstRateBearNoneAndALaterEntryOfOneDateWins) {
  const std::vector<InterestRate> rates = {{Day(2024, 1, 6), 10.00}};
  // Due 31.12.2023: 1-5 January have no rate; 6-10 January at 10 %.
  EXPECT_DOUBLE_EQ(InterestForecast(3650, Day(2023, 12, 31), Day(2024, 1, 10), rates), 5.00);
  const std::vector<InterestRate> corrected = {{Day(2024, 1, 6), 10.00}, {Day(2024, 1, 6), 20.00}};
  EXPECT_DOUBLE_EQ(InterestForecast(3650, Day(2023, 12, 31), Day(2024, 1, 10), corrected), 10.00);
}

TEST(InterestForecast, TheStatutoryRatesStartInOrderAndArePositive) {
  const std::vector<InterestRate> rates = StatutoryRates();
  ASSERT_FALSE(rates.empty());
  for (size_t i = 1; i < rates.size(); ++i) EXPECT_LT(rates[i - 1].data_od, rates[i].data_od);
  for (const InterestRate& r : rates) EXPECT_GT(r.stopa, 0);
}

}  // namespace
}  // namespace hurt::settlements
