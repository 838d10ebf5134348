// The period keys of the month close and the table moves that put a staged month in place.
#include "maintenance/period_keys.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/date.h"
#include "maintenance/month_close_tables.h"
#include "xbase/file_util.h"
#include "xbase/memory_env.h"

namespace hurt::maintenance {
namespace {

TEST(PeriodKeys, MonthsYearsAndTheCenturyTurn) {
  EXPECT_EQ(NextPeriod("09/12"), "10/01");
  EXPECT_EQ(NextPeriod("24/03"), "24/04");
  EXPECT_EQ(NextPeriod("99/12"), "00/01");
  EXPECT_EQ(PreviousPeriod("10/01"), "09/12");
  EXPECT_EQ(PreviousPeriod("00/01"), "99/12");
  for (const char* bad : {"", "09/13", "09/00", "0912", "9/12", "ab/cd"}) EXPECT_FALSE(NextPeriod(bad)) << bad;
  EXPECT_EQ(Dtos(FirstDayOf("10/01")), "20100101");
  EXPECT_EQ(Dtos(LastDayOf("24/02")), "20240229");
  EXPECT_EQ(Dtos(LastDayOf("99/12")), "19991231");
}

TEST(PeriodKeys, TheCloseMarkerNamesTheClosedMonthInFourDigits) {
  EXPECT_EQ(CloseMarkerOf("09/12"), "zamknij/r2009m12.txt");
  EXPECT_EQ(CloseMarkerOf("95/03"), "zamknij/r1995m03.txt");
  EXPECT_EQ(PeriodOfCloseMarker("r2009m12.txt"), "09/12");
  EXPECT_EQ(PeriodOfCloseMarker("R1995M03.TXT"), "95/03");
  EXPECT_FALSE(PeriodOfCloseMarker("r2009m13.txt"));
  EXPECT_FALSE(PeriodOfCloseMarker("koniec.txt"));
}

TEST(PeriodKeys, CreateMNewMakesTheYearFolderForJanuary) {
  FakeClock clock(2026, 12, 10, 9, 0, 0);
  xbase::MemoryEnv env(clock);
  auto next = CreateMNew(env, "/d", "09/12");
  ASSERT_TRUE(next.ok());
  EXPECT_EQ(*next, "10/01");
  EXPECT_TRUE(env.IsDir("/d/10/01"));
}

// A move cut short between the table and its memo file is finished by the next call, and
// the memo file that came first is not taken for a stale one.
TEST(MonthCloseTables, AMoveCutShortIsFinishedByTheNextCall) {
  FakeClock clock(2026, 12, 10, 9, 0, 0);
  xbase::MemoryEnv env(clock);
  ASSERT_TRUE(env.CreateDirs("/s").ok());
  ASSERT_TRUE(env.CreateDirs("/n").ok());
  ASSERT_TRUE(xbase::WriteWholeFile(env, "/s/as.dbf", "new table").ok());
  ASSERT_TRUE(xbase::WriteWholeFile(env, "/s/as.dbt", "new memo").ok());
  ASSERT_TRUE(xbase::WriteWholeFile(env, "/n/as.dbt", "old memo").ok());
  ASSERT_TRUE(xbase::WriteWholeFile(env, "/n/as.ntx", "old index").ok());
  // Cut short after the table's rename.
  ASSERT_TRUE(env.Rename("/s/as.dbf", "/n/as.dbf").ok());
  ASSERT_TRUE(MoveTable(env, "/s/as", "/n/as").ok());
  EXPECT_EQ(*xbase::ReadWholeFile(env, "/n/as.dbf"), "new table");
  EXPECT_EQ(*xbase::ReadWholeFile(env, "/n/as.dbt"), "new memo");
  EXPECT_FALSE(env.Exists("/s/as.dbt"));
  // A table without a memo file leaves none of the old one behind, nor its old index.
  ASSERT_TRUE(xbase::WriteWholeFile(env, "/s/zo.dbf", "zo").ok());
  ASSERT_TRUE(xbase::WriteWholeFile(env, "/n/zo.dbt", "stale").ok());
  ASSERT_TRUE(xbase::WriteWholeFile(env, "/n/zo.ntx", "stale").ok());
  ASSERT_TRUE(MoveTable(env, "/s/zo", "/n/zo").ok());
  EXPECT_FALSE(env.Exists("/n/zo.dbt"));
  EXPECT_FALSE(env.Exists("/n/zo.ntx"));
  EXPECT_TRUE(MoveTable(env, "/s/zo", "/n/zo").ok());  // nothing left to move
}

}  // namespace
}  // namespace hurt::maintenance
