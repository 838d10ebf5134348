// Orders typed by hand and the browsers of saved orders, through the real screens of
// headless `hurt` processes on a demo company:
//   - Magazyn › Reczne wystawianie zamowien: a customer's list typed into the grid, a row
//     deleted after its question, saved with a remark as zamo/nr_mm001.dbf; "N" to leaving
//     keeps the grid; kill -9 during the next save leaves the saved file whole; a supplier's
//     list goes to zamd/;
//   - Magazyn › Przeglad zamowien: the supplier orders newest first, one shown, one kept
//     after "N" and deleted after "T";
//   - customer order documents of kind ZAM (marker FV_ZAL.TXT): entered in Dowody › Edycja
//     into fv_zam and not the main tables, then in Magazyn › Zamowienia ver. 4 marked
//     fulfilled, unmarked and cancelled only with the supervisor's password, with a second
//     station and SIGTERM in the middle.
// The data checker finds nothing at the end of each.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "session/password_hash.h"
#include "session/settings.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::map<std::string, std::string>>;

constexpr std::string_view kOperatorList = "Nazwisko imie";
constexpr std::string_view kMainMenu = " MAGAZYN ";
constexpr std::string_view kDowody = "Zestawienie       WZ";
constexpr std::string_view kMagazyn = "Automatyczne wystawianie";
// The grid's status line (its title is also over the question for the counterparty's name).
constexpr std::string_view kGrid = "F5-druk zamowienia";
constexpr std::string_view kRemark = "CO NAPISAC POD ZAMOWIENIEM ?";
constexpr std::string_view kLeaveGrid = "CZY CHCESZ WYJSC ?";

class OrderBrowsersRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period_ = MakeDemoCompany(data.str());
    ASSERT_FALSE(period_.empty());
    month_ = period_.substr(3, 2);
    // Without currencies: the Magazyn menu then offers both sides of the manual order and
    // the two browsers.
    session::Settings settings(xbase::RealEnv());
    ASSERT_TRUE(settings.SetText("J_WALUTA", "N").ok());
    ASSERT_TRUE(settings.Save(data / "parametr.mem").ok());
  }

  // A station logged in as the supervisor (with `password` when one is set), in Magazyn.
  std::unique_ptr<HurtStation> Station(const std::string& name, const std::string& password = "") {
    StationOptions o;
    o.clock = TodayAt9();
    auto s = std::make_unique<HurtStation>(data.str(), work.str(), name, o);
    EXPECT_TRUE(s->WaitForScreen(kOperatorList)) << s->Screen() << s->result().err;
    if (password.empty()) {
      Step(*s, {"Enter"}, kMainMenu, kOperatorList);
    } else {
      s->Send("Enter");
      Step(*s, {"text:" + password, "Enter"}, kMainMenu, kOperatorList);
    }
    Step(*s, {"Enter"}, kDowody);
    Step(*s, {"Left", "Left"}, kMagazyn);
    return s;
  }

  // Item `downs` places below the first of the Magazyn menu, run.
  static void Magazyn(HurtStation& s, int downs, std::string_view expect) {
    s.Send("Home");
    for (int i = 0; i < downs; ++i) s.Send("Down");
    Step(s, {"Enter"}, expect);
  }

  // Magazyn › Reczne wystawianie zamowien, the side chosen (1 customers, 2 suppliers), the
  // counterparty's name typed: the empty grid.
  static void ManualOrder(HurtStation& s, int side, const std::string& name) {
    Magazyn(s, 3, " do dostawcow ");
    if (side == 2) s.Send("Down");
    Step(s, {"Enter"}, side == 1 ? "NAZWA ODBIORCY:" : "NAZWA DOSTAWCY:");
    Step(s, {"text:" + name, "Enter"}, kGrid);
  }

  // A row typed: Ins (Enter in an empty grid), the index, then the quantity.
  static void TypeRow(HurtStation& s, bool first, const std::string& indeks, const std::string& lp,
                      const std::string& quantity) {
    Step(s, {first ? "Enter" : "Ins", "text:" + indeks, "Enter"}, lp + "│1│" + indeks);
    Step(s, {"Right", "Right", "Right", "Enter", "text:" + quantity, "Enter"}, "│" + std::string(7 - quantity.size(), ' ') + quantity + "│");
  }

  // F5 with a remark (no zero rows, at most four rows): the printout in the viewer, left.
  static void Save(HurtStation& s, const std::string& remark, const std::string& number) {
    Step(s, {"F5"}, kRemark);
    Step(s, {"text:" + remark, "Enter"}, "Z A M O W I E N I E     " + number);
    Step(s, {"Esc"}, kGrid, "Z A M O W I E N I E     ");
  }

  static void LeaveGrid(HurtStation& s) {
    StepSeen(s, {"Esc"}, kLeaveGrid);
    Step(s, {"text:T"}, kMagazyn);
  }

  // The rows of an order file as "INDEKS=ZAMAWIAM UWAGI".
  std::vector<std::string> OrderRows(const std::string& file) {
    std::vector<std::string> out;
    for (auto& r : Records(data / file)) out.push_back(r["INDEKS"] + "=" + r["ZAMAWIAM"] + " " + r["UWAGI"]);
    return out;
  }

  std::string Number(int n) const { return "NR_" + month_ + "00" + std::to_string(n); }
  std::string File(const char* side, int n) const { return std::string(side) + "/nr_" + month_ + "00" + std::to_string(n) + ".dbf"; }

  TempDir data;
  TempDir work;
  std::string period_, month_;
};

TEST_F(OrderBrowsersRoad, AManualOrderIsTypedSavedAndSurvivesAKilledSecondSave) {
  auto a = Station("a");
  ManualOrder(*a, 1, "SKLEP POD LIPAMI");
  EXPECT_TRUE(fs::exists(data / "rob/zamow01.dbf"));
  TypeRow(*a, true, "10009", "  1", "4");
  TypeRow(*a, false, "10015", "  2", "2");
  TypeRow(*a, false, "10001", "  3", "7");
  // A blank index takes no article: the catalogue opens, Esc there adds no row.
  Step(*a, {"Ins", "Enter"}, "Towary wg indeksu");
  Step(*a, {"Esc"}, kGrid, "Towary wg indeksu");
  EXPECT_EQ(a->Screen().find("  4│1│"), std::string::npos) << a->Screen();
  // F8 on the first row: "N" keeps it, "T" deletes it.
  Step(*a, {"F8"}, "SKASOWAC WIERSZ ?");
  Step(*a, {"text:N"}, "  1│1│10009", "SKASOWAC WIERSZ ?");
  Step(*a, {"F8"}, "SKASOWAC WIERSZ ?");
  Step(*a, {"text:T"}, kGrid, "SKASOWAC WIERSZ ?");
  EXPECT_EQ(a->Screen().find("10009"), std::string::npos) << a->Screen();
  // "N" to leaving keeps the grid and its rows.
  StepSeen(*a, {"Esc"}, kLeaveGrid);
  Step(*a, {"text:N"}, "  2│1│10001", kLeaveGrid);

  Save(*a, "na piatek", Number(1));
  EXPECT_TRUE(a->LogContains("ADRESAT     : ")) << a->Screen();
  const std::string file = File("zamo", 1);
  EXPECT_EQ(OrderRows(file), (std::vector<std::string>{"10015=2.000 na piatek", "10001=7.000 na piatek"}));
  EXPECT_FALSE(fs::exists(data / File("zamd", 1)));

  // The next save is killed at its first question: the saved order stays as it was.
  TypeRow(*a, false, "10009", "  3", "5");
  Step(*a, {"F5"}, kRemark);
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(OrderRows(file), (std::vector<std::string>{"10015=2.000 na piatek", "10001=7.000 na piatek"}));

  // Another station (the killed one's list is its own) orders from a supplier: zamd/.
  auto b = Station("b");
  ManualOrder(*b, 2, "MLECZARNIA");
  TypeRow(*b, true, "10014", "  1", "12");
  Save(*b, "pilne", Number(1));
  EXPECT_EQ(OrderRows(File("zamd", 1)), (std::vector<std::string>{"10014=12.000 pilne"}));
  EXPECT_EQ(OrderRows(file).size(), 2u);
  LeaveGrid(*b);
  EXPECT_FALSE(fs::exists(data / "rob/zamow02.dbf"));
  Step(*b, {"Right", "Right"}, kDowody);
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
