#include "shell/startup_args.h"

#include <gtest/gtest.h>

namespace hurt::shell {
namespace {

TEST(StartArgs, NoArgumentOpensOnDowodyAndRebuildsByDefault) {
  StartArgs a = ParseStartArgs("");
  EXPECT_FALSE(a.given());
  EXPECT_EQ(a.first_menu_item, kMenuDowody);
  EXPECT_FALSE(a.cd || a.rescue || a.install || a.upgrade || a.reindex || a.driver);
  EXPECT_TRUE(a.period.empty());
}

TEST(StartArgs, PrefixesSwitchTheirBehaviour) {
  EXPECT_TRUE(ParseStartArgs("install").install);
  EXPECT_TRUE(ParseStartArgs("INSTALL_2").install);
  EXPECT_TRUE(ParseStartArgs("9999").rescue);
  EXPECT_FALSE(ParseStartArgs("99").rescue);
  EXPECT_TRUE(ParseStartArgs("3").upgrade);
  EXPECT_TRUE(ParseStartArgs("8881").reindex);
  EXPECT_TRUE(ParseStartArgs("kierowca_epson").driver);
  EXPECT_TRUE(ParseStartArgs("kierowca_epson").driver_epson);
  EXPECT_TRUE(ParseStartArgs("KIEROWCA").driver);
  EXPECT_FALSE(ParseStartArgs("KIEROWCA").driver_epson);
}

TEST(StartArgs, CdInAnyCaseBecomesCd) {
  StartArgs a = ParseStartArgs("cdx");
  EXPECT_EQ(a.www, "CDx");
  EXPECT_TRUE(a.cd);
  EXPECT_TRUE(ParseStartArgs("Cd").cd);
  EXPECT_FALSE(ParseStartArgs("xcd").cd);
}

TEST(StartArgs, FirstCharacterChoosesTheMenuItem) {
  EXPECT_EQ(ParseStartArgs("1").first_menu_item, kMenuRaporty);
  EXPECT_EQ(ParseStartArgs("  1").first_menu_item, kMenuRaporty);
  EXPECT_EQ(ParseStartArgs("2x").first_menu_item, kMenuSpecjalne);
  EXPECT_EQ(ParseStartArgs("3").first_menu_item, kMenuDowody);
  EXPECT_EQ(ParseStartArgs("CD").first_menu_item, kMenuDowody);
}

TEST(StartArgs, APeriodBeginningWithOneAlsoOpensOnRaporty) {
  StartArgs a = ParseStartArgs("12.25");
  EXPECT_EQ(a.period, "12.25");
  EXPECT_EQ(a.first_menu_item, kMenuRaporty);
  StartArgs b = ParseStartArgs("03.26");
  EXPECT_EQ(b.period, "03.26");
  EXPECT_EQ(b.first_menu_item, kMenuDowody);
}

TEST(StartArgs, PeriodTextIsTwoDigitsPointTwoDigitsWithARealMonth) {
  EXPECT_TRUE(IsPeriodText("01.00"));
  EXPECT_TRUE(IsPeriodText("12.99"));
  EXPECT_FALSE(IsPeriodText("13.25"));
  EXPECT_FALSE(IsPeriodText("00.25"));
  EXPECT_FALSE(IsPeriodText("1.25"));
  EXPECT_FALSE(IsPeriodText("12.256"));
  EXPECT_FALSE(IsPeriodText("12-25"));
  EXPECT_FALSE(IsPeriodText(" 1.25"));
  // Never a folder outside the data directory.
  EXPECT_FALSE(IsPeriodText("../.."));
  EXPECT_FALSE(IsPeriodText("01./."));
  EXPECT_TRUE(ParseStartArgs("../..").period.empty());
}

TEST(StartArgs, PeriodFolderIsYearSlashMonth) {
  EXPECT_EQ(PeriodFolder("12.25"), "25/12");
  EXPECT_EQ(PeriodFolder("03.07"), "07/03");
}

}  // namespace
}  // namespace hurt::shell
