// The warehouse movement statement through the real screens: a demo company moved to March
// 2026, an invoice typed, then Raporty › Rotacja towaru › Ruch na magazynie. Esc on the
// request prints nothing; Enter through it shows the statement in the viewer (compared
// with its golden printout); a second station runs the same report at the same time with
// its own work table; both work tables are gone afterwards. The detailed report prints
// quantities and values. The data checker finds nothing at the end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/golden.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSubmenu = "Zestawienie       WZ";
constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kRotation = " Szczegolowy raport ruchu ";
constexpr std::string_view kRequest = "OKRES od - do  (dd.mm.rr):";
constexpr std::string_view kStatement = "RUCH NA MAGAZYNIE W OKRESIE 01.03.2026-31.03.2026r";
constexpr std::string_view kDetail = "SZCZEGOLOWY RAPORT RUCHU TOWARU W OKRESIE 01.03.2026-31.03.2026r";

class MovementStatementRoad : public ::testing::Test {
 protected:
  void SetUp() override { MoveTo("26/03"); }

  // The demo month becomes `month` ("yy/mm"), so that what is printed is the same whenever
  // the test runs.
  void MoveTo(const std::string& month) {
    if (period_.empty()) period_ = MakeDemoCompany(data.str());
    ASSERT_FALSE(period_.empty());
    fs::create_directories(data.path() / month.substr(0, 2));
    if (period_ != month) fs::rename(data.path() / period_, data.path() / month);
    period_ = month;
    xbase::WorkAreas areas(xbase::RealEnv());
    auto firma = areas.Open(1, (data.path() / "firma.dbf").string(), "F", {.exclusive = true});
    ASSERT_TRUE(firma.ok());
    ASSERT_TRUE((*firma)->GoTop().ok());
    ASSERT_TRUE((*firma)->Replace("BMR", xbase::Value(month.substr(3, 2) + "." + month.substr(0, 2))).ok());
    ASSERT_TRUE((*firma)->Commit().ok());
  }

  // A station at `clock`, past the operator list; the Dowody menu open unless started with
  // an argument.
  std::unique_ptr<HurtStation> Station(const std::string& name, const std::string& clock = "2026-03-14 09:00:00",
                                       const std::string& argument = "") {
    StationOptions o;
    o.clock = clock;
    o.argument = argument;
    auto s = std::make_unique<HurtStation>(data.str(), work.str(), name, o);
    EXPECT_TRUE(s->WaitForScreen(kOperatorList)) << s->Screen() << s->result().err;
    Step(*s, {"Enter"}, kMainMenu, kOperatorList);
    if (argument.empty()) Step(*s, {"Enter"}, kSubmenu);
    return s;
  }

  // An invoice of `quantity` x 10001 for SMAKOSZ typed in Dowody › Edycja.
  static void Invoice(HurtStation& s, const std::string& quantity) {
    s.Send("Home");
    Step(s, {"Enter"}, kEntry);
    InvoiceForSmakosz(s, quantity);
    Step(s, {"Esc"}, kSubmenu);
  }

  // From the Raporty menu to its rotation menu.
  static void ToRotation(HurtStation& s) { Step(s, {"Home", "Down", "Down", "Enter"}, kRotation); }

  std::string File(const std::string& name) const { return Slurp((data.path() / name).string()); }
  bool Exists(const std::string& name) const { return fs::exists(data.path() / name); }

  std::string period_;
  TempDir data;
  TempDir work;
};

TEST_F(MovementStatementRoad, TheStatementOfTheMonthInTheViewerAndASecondStationAtTheSameTime) {
  auto a = Station("a");
  Invoice(*a, "4");

  // Esc on the request prints nothing.
  Step(*a, {"Right"}, "Raporty kasowe");
  ToRotation(*a);
  Step(*a, {"Enter"}, kRequest);
  Step(*a, {"Esc"}, "Raporty kasowe", kRequest);
  EXPECT_FALSE(Exists("rob/wydruk01.prn"));
  EXPECT_FALSE(Exists("rob/asso01.dbf"));

  // Enter through the request (dates, warehouse, code prefix, group): the month's statement.
  ToRotation(*a);
  Step(*a, {"Enter"}, kRequest);
  Step(*a, {"Enter", "Enter", "Enter", "Enter", "Enter"}, kStatement);
  const std::string printed = File("rob/wydruk01.prn");
  EXPECT_NE(printed.find("|        4    |"), std::string::npos) << printed;  // the 4 sold
  EXPECT_EQ(printed.find('?'), std::string::npos) << printed;             // the cards agree
  ExpectGolden("ruch_na_magazynie.prn", printed);
  EXPECT_TRUE(Exists("rob/asso01.dbf"));  // the work table lives while the statement is viewed

  // A second station runs the same report meanwhile, on its own work table and print file.
  auto b = Station("b");
  Step(*b, {"Right"}, "Raporty kasowe");
  ToRotation(*b);
  Step(*b, {"Enter"}, kRequest);
  Step(*b, {"Enter", "Enter", "Enter", "Enter", "Enter"}, kStatement);
  EXPECT_TRUE(Exists("rob/asso02.dbf"));
  EXPECT_EQ(File("rob/wydruk02.prn"), printed);
  Step(*b, {"Esc"}, "Raporty kasowe", kStatement);
  EXPECT_FALSE(Exists("rob/asso02.dbf"));
  EXPECT_FALSE(Exists("rob/asso02.ntx"));
  Leave(*b);

  Step(*a, {"Esc"}, "Raporty kasowe", kStatement);
  EXPECT_FALSE(Exists("rob/asso01.dbf"));
  EXPECT_FALSE(Exists("rob/asso01.ntx"));

  // The detailed report: quantities and values.
  ToRotation(*a);
  Step(*a, {"Down", "Enter"}, kRequest);
  Step(*a, {"Enter", "Enter", "Enter", "Enter", "Enter"}, " ilosc i wartosc ");
  Step(*a, {"Down", "Down", "Enter"}, kDetail);
  const std::string detail = File("rob/wydruk01.prn");
  EXPECT_NE(detail.find("SPRZED.NETTO|    MARZA"), std::string::npos) << detail;
  EXPECT_NE(detail.find("  RAZEM wartosc"), std::string::npos) << detail;
  Step(*a, {"Esc"}, "Raporty kasowe", kDetail);
  Leave(*a);
  EXPECT_FALSE(Exists("rob/asso01.dbf"));
  ExpectVerifyFindsNothing(data.str());
}

// February closed, March worked: the statement of both months opens with February's cards
// (read from the month's own folder) and counts the sales of both.
TEST_F(MovementStatementRoad, AStatementOverAClosedMonthAndTheNextOne) {
  MoveTo("26/02");
  {
    auto a = Station("a", "2026-02-28 09:00:00");
    Invoice(*a, "4");
    Leave(*a);
  }
  {
    auto close = Station("close", "2026-02-28 09:00:00", "205");
    Step(*close, {"Enter"}, "Zamkniecie okresu");
    StepSeen(*close, {"Enter"}, "CZY ZAMKNAC");
    StepSeen(*close, {"text:T"}, "Czy usunac kartoteki o stanach 0 ?");
    StepSeen(*close, {"text:T"}, "Otwarto miesiac");
    Step(*close, {}, "Zamkniecie okresu", "Otwarto miesiac");
    Leave(*close);
  }
  ASSERT_TRUE(Exists("26/03/as.dbf"));
  auto a = Station("a");
  Invoice(*a, "7");
  Step(*a, {"Right"}, "Raporty kasowe");
  ToRotation(*a);
  Step(*a, {"Enter"}, kRequest);
  Step(*a, {"text:01022026", "Enter", "Enter", "Enter", "Enter", "Enter"},
       "RUCH NA MAGAZYNIE W OKRESIE 01.02.2026-31.03.2026r");
  const std::string printed = File("rob/wydruk01.prn");
  // 10001: February's opening 225, 4 sold in February and 7 in March, 214 left.
  const size_t row = printed.find("1 10001    |");
  ASSERT_NE(row, std::string::npos) << printed;
  EXPECT_TRUE(printed.substr(row, printed.find("\r\n", row) - row)
                  .ends_with("| szt |      225    |             |             |       11    |             |      214"))
      << printed;
  EXPECT_EQ(printed.find('?'), std::string::npos);
  Step(*a, {"Esc"}, "Raporty kasowe");
  Leave(*a);
  EXPECT_FALSE(Exists("rob/asso01.dbf"));
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
