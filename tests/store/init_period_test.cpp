// Print files of earlier days in PRN_W/ go at start-up; today's stay.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "base/clock.h"
#include "store/init_tables_period.h"
#include "support/temp_dir.h"
#include "xbase/env.h"

namespace hurt::store {
namespace {

namespace fs = std::filesystem;

TEST(ErasePrintFiles, OnlyFilesOfOtherDaysGo) {
  testing::TempDir dir;
  dir.Write("PRN_W/dzis.prn", "x");
  dir.Write("PRN_W/wczoraj.prn", "x");
  dir.Write("PRN_W/zeszly_rok.prn", "x");
  const auto now = fs::last_write_time(dir / "PRN_W/dzis.prn");
  fs::last_write_time(dir / "PRN_W/wczoraj.prn", now - std::chrono::hours(24));
  fs::last_write_time(dir / "PRN_W/zeszly_rok.prn", now - std::chrono::hours(24 * 400));

  SystemClock clock;  // the files' dates are the system's
  auto erased = ErasePrintFilesNotOf(xbase::RealEnv(), dir.str(), clock.Today());
  ASSERT_TRUE(erased.ok()) << erased.status().ToString();
  EXPECT_EQ(*erased, 2);
  EXPECT_TRUE(dir.Exists("PRN_W/dzis.prn"));
  EXPECT_FALSE(dir.Exists("PRN_W/wczoraj.prn"));
  EXPECT_FALSE(dir.Exists("PRN_W/zeszly_rok.prn"));
}

TEST(ErasePrintFiles, NoFolderNothingToDo) {
  testing::TempDir dir;
  SystemClock clock;
  auto erased = ErasePrintFilesNotOf(xbase::RealEnv(), dir.str(), clock.Today());
  ASSERT_TRUE(erased.ok());
  EXPECT_EQ(*erased, 0);
}

TEST(PeriodTexts, FolderAndBmr) {
  EXPECT_EQ(PeriodOfDay(JulianFromYmd(2026, 3, 14)), "26/03");
  EXPECT_EQ(PeriodOfDay(JulianFromYmd(2000, 12, 1)), "00/12");
  EXPECT_EQ(BmrOfPeriod("26/03"), "03.26");
  EXPECT_EQ(BmrOfPeriod("2603"), "");
  EXPECT_EQ(InRoot(".", "26/03/as"), "26/03/as");
  EXPECT_EQ(InRoot("/data", "26/03/as"), "/data/26/03/as");
}

}  // namespace
}  // namespace hurt::store
