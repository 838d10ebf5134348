// Funkcje specjalne › Zmiana bieżacego okresu obrach. over a company of two months: to the
// earlier month and back, the main screen following; a month without data, "N", Esc and
// another station at work change nothing.
#include <gtest/gtest.h>

#include <string>

#include "console/keys.h"
#include "maintenance/maintenance_fixture.h"
#include "session/init_tables.h"
#include "session/menu_choice.h"
#include "shell/menu_tree.h"
#include "store/schema.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"

namespace hurt::shell {
namespace {

namespace key = console::key;
using maintenance::testing::Company;
using store::TableId;

class PeriodChange : public ::testing::Test {
 protected:
  void SetUp() override {
    maintenance::testing::MakeTwoMonths(c);
    InitMenuPositions(c.s());
    session::SetPosition(c.s(), "K_GLOWNE", kSpecjalne);
    session::SetPosition(c.s(), "K_SPECJALNE", 10);
    d.Key(key::kEnter);  // the main menu opens FUNKCJE SPECJALNE on item 10
  }

  // Item 10 chosen, the month typed (the year left); then the question, answered.
  void Change(const char* month) {
    d.Key(key::kEnter);
    d.Then([this] { EXPECT_TRUE(d.Contains("Miesiac :")); }).Type(month).Keys({key::kEnter, key::kEnter});
  }
  void EndWork() {
    d.Key(key::kEsc);
    d.Then([this] { EXPECT_TRUE(d.Contains("CZY CHCESZ ZAKONCZYC PRACE ?")); }).Key('T');
  }
  int Loop() {
    int result = -1;
    EXPECT_TRUE(d.Run([&](console::Console&) { result = MainMenuLoop(c.s()); }));
    EXPECT_TRUE(d.term.Finished()) << "steps of the script were not used:\n" << d.Dump();
    return result;
  }
  std::string Bmr() { return maintenance::testing::ReadRows(mem, c.s().Path("firma.dbf")).at(0)["BMR"]; }

  hurt::testing::ScreenDriver d;  // 15.03.2024
  xbase::MemoryEnv mem{d.clock};
  Company c{mem, d.con, d.clock};
};

TEST_F(PeriodChange, ToAnEarlierMonthAndBack) {
  Change("2");
  d.Then([this] { EXPECT_TRUE(d.Contains("Zmienic biezacy okres na Luty '2024 ?")); }).Key('T');
  d.Then([this] {
    EXPECT_EQ(Bmr(), "02.24");
    EXPECT_EQ(c.s().hh(), "24/02");
    EXPECT_EQ(c.s().vars().Text("HH"), "24/02");
    EXPECT_FALSE(c.s().InArchive());
    EXPECT_TRUE(c.s().areas().Area(6)->path().ends_with("24/02/dowod.dbf"));
    EXPECT_FALSE(c.s().areas().Area(1)->exclusive());
    EXPECT_TRUE(d.Contains("Luty '2024"));  // the main screen's period line
  });
  Change("3");
  d.Key('T');
  d.Then([this] {
    EXPECT_EQ(Bmr(), "03.24");
    EXPECT_EQ(c.s().hh(), "24/03");
    EXPECT_TRUE(d.Contains("Marzec '2024"));
  });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(PeriodChange, AMonthWithoutDataNoAndEscChangeNothing) {
  Change("1");
  d.Then([this] { EXPECT_TRUE(d.Contains("Styczen '2024 niedostepny")); }).Wait(3500);
  Change("2");
  d.Key('N');
  d.Key(key::kEnter).Key(key::kEsc);  // the month box left with Esc
  d.Then([this] {
    EXPECT_EQ(Bmr(), "03.24");
    EXPECT_EQ(c.s().hh(), "24/03");
    EXPECT_TRUE(c.s().areas().Area(2)->path().ends_with("24/03/as.dbf"));
    EXPECT_FALSE(c.s().areas().Area(1)->exclusive());
  });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(PeriodChange, AnotherStationAtWorkKeepsThePeriod) {
  Company other(mem, d.con, d.clock);
  other.s().set_stacja(2);
  ASSERT_TRUE(session::InitDbf(other.s(), other.ui(), ""));
  Change("2");
  d.Key(key::kSpace);  // ends the wait of the exclusive open
  d.Then([this] { EXPECT_TRUE(d.Contains("Wszyscy musza wyjsc z programu !")); }).Wait(3500);
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_EQ(Bmr(), "03.24");
  EXPECT_EQ(c.s().hh(), "24/03");
}

}  // namespace
}  // namespace hurt::shell
