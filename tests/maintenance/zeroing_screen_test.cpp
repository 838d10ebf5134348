// The zeroing through its screens: the explaining screen and its menu, the correction
// password before each way, the soft zeroing listed table by table, the full zeroing of a
// table chosen from the list, PACK; and every way out (a wrong password, Esc, "N", another
// station at work, an archive month) leaving every file as it was.
#include "maintenance/zeroing.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "console/keys.h"
#include "maintenance/maintenance_fixture.h"
#include "maintenance/zeroing_tables.h"
#include "session/init_tables.h"
#include "session/operators_table.h"
#include "store/schema.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"

namespace hurt::maintenance {
namespace {

namespace key = console::key;
using store::TableId;
using testing::Company;

class ZeroingScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(c.Build());  // 24/03, the driver's month
    c.Seed();
  }

  // Zerowanie over the script given so far; whether the session's tables are open after.
  bool Run() {
    bool open = false;
    EXPECT_TRUE(d.Run([&](console::Console&) { open = Zerowanie(c.s()); }));
    EXPECT_TRUE(d.term.Finished()) << "steps of the script were not used:\n" << d.Dump();
    return open;
  }
  // Every file of the company.
  std::map<std::string, std::string> Files() { return testing::FilesUnder(mem, c.s().root()); }
  // The password window answered.
  ZeroingScreen& Password(const char* typed) {
    d.Then([this] { EXPECT_TRUE(d.Contains("PODAJ  HASŁO  !")); }).Type(typed).Key(key::kEnter);
    return *this;
  }
  double Stock() { return c.Rows(TableId::kAs).at(0).Num("ILOSC"); }

  hurt::testing::ScreenDriver d;
  xbase::MemoryEnv mem{d.clock};
  Company c{mem, d.con, d.clock};
};

TEST_F(ZeroingScreen, SoftZeroingAfterThePasswordListsTheTablesAndReopensTheMonth) {
  d.Then([this] {
    EXPECT_TRUE(d.Contains("Z E R O W A N I E   Z B I O R O W"));
    EXPECT_TRUE(d.Contains("nie mozna cofnac"));
    EXPECT_TRUE(d.ShowsAt(21, 30, "1. Zerowanie lagodne"));
    EXPECT_TRUE(d.ShowsAt(22, 30, "2. Zerowanie pelne  "));
    EXPECT_TRUE(d.ShowsAt(23, 30, "3. Czyszczenie PACK "));
  }).Key('1');
  Password("tajne");
  d.Then([this] { EXPECT_TRUE(d.Contains("Czy na pewno zerowac ?")); }).Key('T');
  d.Then([this] {
     EXPECT_TRUE(d.Contains("Koniec"));
     EXPECT_TRUE(d.ShowsAt(2, 62, "as"));
     EXPECT_TRUE(d.ShowsAt(7, 62, "dow"));
     EXPECT_TRUE(d.ShowsAt(13, 62, "firma"));
   }).Key(key::kSpace);
  EXPECT_TRUE(Run());

  EXPECT_EQ(Stock(), 0);
  EXPECT_TRUE(c.Rows(TableId::kDowod).empty());
  EXPECT_EQ(c.Rows(TableId::kZo).at(0).Num("OBWN"), 0);
  // The session works on again: its tables open, firma shared with the other stations.
  ASSERT_NE(c.s().areas().Area(2), nullptr);
  ASSERT_NE(c.s().areas().Area(1), nullptr);
  EXPECT_FALSE(c.s().areas().Area(1)->exclusive());
  EXPECT_TRUE(c.s().areas().Area(6)->path().ends_with("24/03/dowod.dbf"));
}

// A table held by another program (a table tool) stops the soft zeroing there: told, that
// table and the ones after it as they were, the marker left for the next start.
TEST_F(ZeroingScreen, ATableThatCannotBeHadStopsTheZeroingAtItAndIsTold) {
  auto holder = std::make_unique<xbase::WorkAreas>(mem);
  ASSERT_TRUE(holder->Open(1, c.Dbf(TableId::kZo), "zo").ok());
  d.Key('1');
  Password("tajne");
  d.Key('T');
  d.Then([&] {
    EXPECT_TRUE(d.Contains("ZEROWANIE NIEUDANE"));
    EXPECT_TRUE(d.Contains("Zbior zo bez zmian"));
    EXPECT_TRUE(d.Contains("Powtorz zerowanie"));
    holder.reset();  // the other program ends: the indexes can be rebuilt
  }).Wait(5000);
  EXPECT_TRUE(Run());
  EXPECT_EQ(Stock(), 0);                                     // done before zo
  EXPECT_EQ(c.Rows(TableId::kZo).at(0).Num("OBWN"), 100);    // as it was
  EXPECT_EQ(c.Rows(TableId::kDow).size(), 2u);               // not reached
  EXPECT_TRUE(mem.Exists(c.s().Path(kZerowanieMarker)));
}

TEST_F(ZeroingScreen, AWrongPasswordEscAndNoChangeNothing) {
  const std::map<std::string, std::string> before = Files();
  d.Key('1');
  Password("zle");
  d.Then([this] { EXPECT_TRUE(d.Contains("ZŁE  HASŁO !")); }).Type("gorsze").Key(key::kEnter);
  d.Then([this] { EXPECT_TRUE(d.ShowsAt(21, 30, "1. Zerowanie lagodne")); }).Key('1').Key(key::kEsc);
  d.Key('2').Key(key::kEsc);
  d.Key('1');
  Password("tajne");
  d.Key('N');
  d.Key('3');
  Password("tajne");
  d.Then([this] { EXPECT_TRUE(d.Contains("Czy na pewno czyscic zbiory ?")); }).Key('N');
  d.Key(key::kEsc);
  EXPECT_TRUE(Run());
  EXPECT_EQ(Files(), before);
  ASSERT_NE(c.s().areas().Area(1), nullptr);
  EXPECT_FALSE(c.s().areas().Area(1)->exclusive());
}

TEST_F(ZeroingScreen, AnotherStationAtWorkStopsItBeforeAnything) {
  Company other(mem, d.con, d.clock);
  other.s().set_stacja(2);
  ASSERT_TRUE(session::InitDbf(other.s(), other.ui(), ""));
  const std::map<std::string, std::string> before = Files();
  d.Key(key::kSpace);  // ends the wait of the exclusive open
  d.Then([this] { EXPECT_TRUE(d.Contains("Wszyscy musza wyjsc z programu !")); });
  EXPECT_TRUE(Run());
  EXPECT_EQ(Files(), before);
  ASSERT_NE(c.s().areas().Area(1), nullptr);  // firma shared again, the rest as it was
  EXPECT_NE(c.s().areas().Area(2), nullptr);
}

TEST_F(ZeroingScreen, IsRefusedInAnArchiveMonth) {
  c.s().set_hh_arc("24/02");
  const std::map<std::string, std::string> before = Files();
  d.Then([this] { EXPECT_TRUE(d.Contains("Praca w archiwum - blokada")); });
  EXPECT_TRUE(Run());
  EXPECT_EQ(Files(), before);
}

TEST_F(ZeroingScreen, FullZeroingEmptiesTheTableChosenFromTheList) {
  d.Key('2');
  Password("tajne");
  d.Then([this] {
    EXPECT_TRUE(d.Contains("ZEROWANIE  ZBIOROW"));
    EXPECT_TRUE(d.Contains("_AS_________"));
    EXPECT_TRUE(d.Contains("_ZO_________"));
    EXPECT_TRUE(d.Contains("_HASŁO______"));
    EXPECT_TRUE(d.Contains("_WYJSCIE____"));
    EXPECT_FALSE(d.Contains("_FIRMA"));
  }).Keys({key::kDown, key::kEnter});
  d.Then([this] { EXPECT_TRUE(d.Contains("Czy na pewno zerowac ?")); }).Key('T');
  d.Then([this] { EXPECT_TRUE(d.Contains("Wyzerowano ZO")); }).Wait(2500);
  d.Key(key::kEsc);
  // The other tables may not fit the one emptied: the reorganisation is named.
  d.Then([this] { EXPECT_TRUE(d.Contains("Reorganizacje zbiorow /uzgodnienia/")); }).Key(key::kEnter);
  EXPECT_TRUE(Run());
  EXPECT_TRUE(c.Rows(TableId::kZo).empty());
  EXPECT_EQ(c.Rows(TableId::kAs).size(), 3u);
  EXPECT_EQ(Stock(), 10);
  EXPECT_EQ(c.Rows(TableId::kDow).size(), 2u);
  EXPECT_NE(c.s().areas().Area(3), nullptr);  // the emptied book is open again, with its index
  EXPECT_EQ(c.s().areas().Area(3)->order_count() > 0, true);
}

// "_HASŁO______" of the list: the operators log in without a password again.
TEST_F(ZeroingScreen, ThePasswordsItemOfTheListRemovesTheOperatorsPasswords) {
  namespace ops = session::operators;
  ASSERT_TRUE(ops::OpenPrawa(c.s()).ok());  // made with the supervisor
  xbase::WorkArea* prawa = c.s().areas().Area(ops::kPrawaArea);
  ASSERT_NE(prawa, nullptr);
  ASSERT_TRUE(prawa->GoTop().ok());
  ASSERT_TRUE(ops::StorePassword(c.s(), *prawa, prawa->recno(), "Boss").ok());
  ops::ClosePrawa(c.s());
  auto supervisor = ops::ReadSupervisor(c.s());
  ASSERT_TRUE(supervisor.ok());
  ASSERT_TRUE(ops::HasPassword(*supervisor));
  const std::vector<testing::Row> as_before = c.Rows(TableId::kAs);

  d.Key('2');
  Password("tajne");
  d.Keys({key::kEnd, key::kUp, key::kEnter});
  d.Then([this] { EXPECT_TRUE(d.Contains("Skasowac hasla operatorow ?")); }).Key('T');
  d.Then([this] { EXPECT_TRUE(d.Contains("Hasla operatorow skasowane")); }).Wait(3500);
  d.Key(key::kEsc);
  EXPECT_TRUE(Run());
  supervisor = ops::ReadSupervisor(c.s());
  ASSERT_TRUE(supervisor.ok());
  EXPECT_FALSE(ops::HasPassword(*supervisor));
  EXPECT_EQ(c.Rows(TableId::kAs).size(), as_before.size());  // no table emptied
}

TEST_F(ZeroingScreen, PackRemovesTheDeletedRecords) {
  ASSERT_EQ(c.Rows(TableId::kAs).size(), 3u);
  d.Key('3');
  Password("tajne");
  d.Key('T');
  d.Then([this] {
     EXPECT_TRUE(d.Contains("Koniec"));
     EXPECT_TRUE(d.ShowsAt(2, 62, "as"));
   }).Key(key::kSpace);
  EXPECT_TRUE(Run());
  const std::vector<testing::Row> as = c.Rows(TableId::kAs);
  ASSERT_EQ(as.size(), 2u);
  EXPECT_EQ(as[0]["NAZWA"], "MAKA");
  EXPECT_EQ(as[1]["NAZWA"], "CUKIER");
  EXPECT_EQ(Stock(), 10);
}

}  // namespace
}  // namespace hurt::maintenance
