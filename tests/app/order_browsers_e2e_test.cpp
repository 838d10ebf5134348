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

constexpr std::string_view kMagazyn = "Automatyczne wystawianie";
// The grid's status line (its title is also over the question for the counterparty's name).
constexpr std::string_view kGrid = "F5-druk zamowienia";
constexpr std::string_view kRemark = "CO NAPISAC POD ZAMOWIENIEM ?";
constexpr std::string_view kLeaveGrid = "CZY CHCESZ WYJSC ?";
constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kOrders = "Enter-realizacja  F5-faktura";

class OrderBrowsersRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period_ = MakeDemoCompany(data.str());
    ASSERT_FALSE(period_.empty());
    month_ = period_.substr(3, 2);
    today_ = TodayAt9().substr(0, 4) + TodayAt9().substr(5, 2) + TodayAt9().substr(8, 2);
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

  // Customer order documents: the marker, and the supervisor's password `password`.
  void OrderDocuments(const std::string& password) {
    std::ofstream(data / "FV_ZAL.TXT") << "";
    xbase::WorkAreas areas(xbase::RealEnv());
    auto prawa = areas.Open(1, data / "prawa.dbf", "prawa");
    ASSERT_TRUE(prawa.ok());
    for (Status st = (*prawa)->GoTop(); st.ok() && !(*prawa)->eof(); st = (*prawa)->Skip(1)) {
      if ((*prawa)->Get("NR")->AsString() != "0") continue;
      ASSERT_TRUE((*prawa)->LockRecord().ok());
      // Few iterations: the log-in and the checks stay quick.
      ASSERT_TRUE((*prawa)->Replace("HASH", xbase::Value(session::password::HashText(password, "sol-testowa-1234", 1000))).ok());
      ASSERT_TRUE((*prawa)->Commit().ok());
      ASSERT_TRUE((*prawa)->Unlock().ok());
    }
  }

  // In Dowody › Edycja: an order ZAM for PODLIPAM of 3 × 10001 and 2 × 10009, saved; the
  // next header waits.
  // F8 on order 1, "T" and the supervisor's password: the order goes.
  static void CancelOrderOne(HurtStation& s) {
    Step(s, {"F8"}, "Anulowac: PODLIPAM ZAM       1 ?");
    Step(s, {"text:T"}, "PODAJ  HASŁO  !");
    Step(s, {"text:Boss", "Enter"}, kOrders, "HASŁO");
  }

  // From the order browser out of the program, and the data checker.
  void LeaveFromOrders(HurtStation& s) {
    Step(s, {"Esc"}, kMagazyn);
    Step(s, {"Right", "Right"}, kDowody);
    Leave(s);
  }

  static void EnterOrder(HurtStation& s) {
    Step(s, {"text:ZAM", "Enter"}, "Rd:ZAM");
    for (int field = 0; field < 4; ++field) s.Send("Enter");  // date, payment, term, warehouse
    Step(s, {"text:PODLIPAM", "Enter"}, "Kod:  PODLIPAM");
    Step(s, {"Enter", "Enter", "Enter"}, "F2-Rabat");
    for (const auto& [indeks, ilosc] : {std::pair<std::string, std::string>{"10001", "3"}, {"10009", "2"}}) {
      Step(s, {"text:" + indeks, "Enter"}, "Dostepne:");
      s.Send("text:" + ilosc);
      for (int field = 0; field < 3; ++field) s.Send("Enter");  // quantity, price, percent
    }
    Step(s, {"Esc"}, "Adres dostawy");
    Step(s, {"Enter"}, "CZY SKONCZYŁES EDYCJE DOWODU ?");
    Step(s, {"text:T"}, "│ Nr:         │");  // the next document's header
  }

  // The live order headers as "ODB RDNRD ARC_DATA ARC_NR", the lines as "RDNRD/LP INDEKS ILOSC".
  std::vector<std::string> OrderHeaders() {
    std::vector<std::string> out;
    for (auto& r : Records(data / "fv_zam/dowod.dbf")) {
      std::string arc = r["ARC_DATA"].empty() ? "" : r["ARC_DATA"] + " " + r["ARC_NR"];
      out.push_back(r["ODB"] + " " + r["RD"] + r["NRD"] + " " + arc);
    }
    return out;
  }
  std::vector<std::string> OrderLines() {
    std::vector<std::string> out;
    for (auto& r : Records(data / "fv_zam/dow.dbf")) out.push_back(r["RD"] + r["NRD"] + "/" + r["LP"] + " " + r["INDEKS"] + " " + r["ILOSC"]);
    return out;
  }

  // Order headers, deleted ones too, that bear a fulfilment date.
  int StampedRecords() {
    xbase::WorkAreas areas(xbase::RealEnv());
    auto h = areas.Open(1, data / "fv_zam/dowod.dbf", "t", xbase::AreaOpenOptions{.read_only = true});
    if (!h.ok()) return -1;
    (*h)->SetDeletedHidden(false);
    int n = 0;
    for (Status st = (*h)->GoTop(); st.ok() && !(*h)->eof(); st = (*h)->Skip(1))
      if ((*h)->FieldBytes((*h)->FieldIndex("ARC_DATA")).find_first_not_of(' ') != std::string::npos) ++n;
    return n;
  }

  std::string Table(const std::string& name) const { return data / (period_ + "/" + name + ".dbf"); }
  std::string Stock(const std::string& indeks) {
    for (auto& r : Records(Table("as")))
      if (r["MAG"] == "1" && r["INDEKS"] == indeks) return r["ILOSC"] + "/" + r["REZERWA0"];
    return "?";
  }

  TempDir data;
  TempDir work;
  std::string period_, month_, today_;  // today as yyyymmdd
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

// The saved supplier orders, newest first: the Enter that chose the browser opens no order,
// the Esc that leaves the viewer does not leave the list, and the list stays on the order
// worked on last.
TEST_F(OrderBrowsersRoad, SavedSupplierOrdersAreListedNewestFirstShownAndDeletedAfterTheirQuestion) {
  auto a = Station("a");
  for (const auto& [indeks, n] : {std::pair<std::string, int>{"10014", 1}, {"10015", 2}}) {
    ManualOrder(*a, 2, "MLECZARNIA");
    TypeRow(*a, true, indeks, "  1", std::to_string(3 * n));
    Save(*a, "zamowienie " + std::to_string(n), Number(n));
    LeaveGrid(*a);
  }
  const std::string first = Number(1), second = Number(2);
  Magazyn(*a, 4, " Zamowienia do dostawcow ");
  const std::string screen = a->Screen();
  ASSERT_NE(screen.find(second), std::string::npos) << screen;
  EXPECT_LT(screen.find(second), screen.find(first)) << screen;
  // Enter: the newest in the viewer, with its row and remark.
  Step(*a, {"Enter"}, "Z A M O W I E N I E     " + second);
  EXPECT_NE(a->Screen().find("10015"), std::string::npos) << a->Screen();
  EXPECT_NE(a->Screen().find("zamowienie 2"), std::string::npos) << a->Screen();
  Step(*a, {"Esc"}, " Zamowienia do dostawcow ");
  // F8 on the older: "N" keeps its file, "T" deletes it.
  Step(*a, {"Down", "F8"}, "Skasowac zamowienie " + first + " ?");
  Step(*a, {"text:N"}, " Zamowienia do dostawcow ", "Skasowac zamowienie");
  EXPECT_TRUE(fs::exists(data / File("zamd", 1)));
  Step(*a, {"F8"}, "Skasowac zamowienie " + first + " ?");
  Step(*a, {"text:T"}, " Zamowienia do dostawcow ", "Skasowac zamowienie");
  EXPECT_FALSE(fs::exists(data / File("zamd", 1)));
  EXPECT_EQ(a->Screen().find(first), std::string::npos) << a->Screen();
  EXPECT_EQ(OrderRows(File("zamd", 2)), (std::vector<std::string>{"10015=6.000 zamowienie 2"}));
  Step(*a, {"Esc"}, kMagazyn, " Zamowienia do dostawcow ");
  Step(*a, {"Right", "Right"}, kDowody);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

TEST_F(OrderBrowsersRoad, ACustomerOrderDocumentIsMarkedUnmarkedAndCancelledWithThePassword) {
  OrderDocuments("Boss");
  const std::string stock1 = Stock("10001"), stock9 = Stock("10009");
  auto a = Station("a", "Boss");
  // The start-up added the kinds of orders and advance invoices.
  std::vector<std::string> kinds;
  for (auto& k : Records(Table("slow")))
    if (k["RD"] == "ZAM" || k["RD"] == "FZ") kinds.push_back(k["RD"]);
  EXPECT_EQ(kinds.size(), 2u);
  Step(*a, {"Right", "Right"}, kDowody);
  Step(*a, {"Home", "Enter"}, kEntry);
  EnterOrder(*a);
  // The order is kept apart: its header and lines in fv_zam, nothing posted, no stock moved.
  EXPECT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM1 "}));
  EXPECT_EQ(OrderLines(), (std::vector<std::string>{"ZAM1/1 10001 3.000", "ZAM1/2 10009 2.000"}));
  for (auto& h : Records(Table("dowod"))) EXPECT_NE(h["RD"], "ZAM");
  EXPECT_EQ(Stock("10001"), stock1);
  EXPECT_EQ(Stock("10009"), stock9);
  Step(*a, {"Esc"}, kDowody);
  Step(*a, {"Left", "Left"}, kMagazyn);
  Magazyn(*a, 5, kOrders);
  EXPECT_NE(a->Screen().find("PODLIPAM│ZAM│       1"), std::string::npos) << a->Screen();

  // Enter + "T": fulfilled today by operator 0.
  Step(*a, {"Enter"}, "Zrealizowane ?");
  Step(*a, {"text:T"}, kOrders, "Zrealizowane ?");
  EXPECT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM1 " + today_ + " 0"}));
  // Unmarking: a wrong password twice refuses, the right one removes the mark.
  Step(*a, {"Enter"}, "0 odznaczyc realizacje ?");
  Step(*a, {"text:T"}, "PODAJ  HASŁO  !");
  Step(*a, {"text:boss", "Enter"}, "ZŁE  HASŁO !");
  Step(*a, {"text:Bos", "Enter"}, kOrders, "HASŁO");
  EXPECT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM1 " + today_ + " 0"}));
  Step(*a, {"Enter"}, "0 odznaczyc realizacje ?");
  Step(*a, {"text:T"}, "PODAJ  HASŁO  !");
  Step(*a, {"text:Boss", "Enter"}, kOrders, "HASŁO");
  EXPECT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM1 "}));

  // F8: "N" keeps the order; "T" and the password delete its header and lines.
  Step(*a, {"F8"}, "Anulowac: PODLIPAM ZAM       1 ?");
  Step(*a, {"text:N"}, kOrders, "Anulowac");
  EXPECT_EQ(OrderLines().size(), 2u);
  CancelOrderOne(*a);
  EXPECT_TRUE(OrderHeaders().empty());
  EXPECT_TRUE(OrderLines().empty());
  LeaveFromOrders(*a);
  ExpectVerifyFindsNothing(data.str());
}

TEST_F(OrderBrowsersRoad, AnOrderWithALineHeldElsewhereStaysWholeAndSigtermAtAQuestionChangesNothing) {
  OrderDocuments("Boss");
  auto a = Station("a", "Boss");
  Step(*a, {"Right", "Right"}, kDowody);
  Step(*a, {"Home", "Enter"}, kEntry);
  EnterOrder(*a);
  Step(*a, {"Esc"}, kDowody);
  Step(*a, {"Left", "Left"}, kMagazyn);
  const std::vector<std::string> lines = {"ZAM1/1 10001 3.000", "ZAM1/2 10009 2.000"};
  ASSERT_EQ(OrderLines(), lines);
  Magazyn(*a, 5, kOrders);

  // A line held by another process: the cancelling is refused whole, with a message.
  {
    auto holder = HoldRecord(data.str(), "fv_zam/dow", 2);
    Step(*a, {"F8"}, "Anulowac: PODLIPAM ZAM       1 ?");
    Step(*a, {"text:T"}, "PODAJ  HASŁO  !");
    StepSeen(*a, {"text:Boss", "Enter"}, "Zamowienie zajete - nic nie zmieniono");
    Step(*a, {}, kOrders, "zajete");
    EXPECT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM1 "}));
    EXPECT_EQ(OrderLines(), lines);
  }

  // A second station in the browser ends by SIGTERM at its question: nothing changes.
  auto b = Station("b", "Boss");
  Magazyn(*b, 5, kOrders);
  Step(*b, {"Enter"}, "Zrealizowane ?");
  b->Kill(SIGTERM);
  EXPECT_EQ(b->WaitExit(), 128 + SIGTERM);
  EXPECT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM1 "}));
  EXPECT_EQ(OrderLines(), lines);

  // With the line free again the order goes whole.
  CancelOrderOne(*a);
  EXPECT_TRUE(OrderHeaders().empty());
  EXPECT_TRUE(OrderLines().empty());
  LeaveFromOrders(*a);
  ExpectVerifyFindsNothing(data.str());
}

// An order cancelled, or marked, by one station while another waits at its question: the
// other is told and writes nothing.
TEST_F(OrderBrowsersRoad, AnOrderCancelledOnOneStationIsNotMarkedOnAnother) {
  OrderDocuments("Boss");
  auto a = Station("a", "Boss");
  Step(*a, {"Right", "Right"}, kDowody);
  Step(*a, {"Home", "Enter"}, kEntry);
  EnterOrder(*a);
  EnterOrder(*a);
  Step(*a, {"Esc"}, kDowody);
  Step(*a, {"Left", "Left"}, kMagazyn);
  ASSERT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM1 ", "PODLIPAM ZAM2 "}));
  Magazyn(*a, 5, kOrders);
  auto b = Station("b", "Boss");
  Magazyn(*b, 5, kOrders);

  // a holds order 1 at its question while b cancels it.
  Step(*a, {"Enter"}, "Zrealizowane ?");
  Step(*b, {"F8"}, "Anulowac: PODLIPAM ZAM       1 ?");
  Step(*b, {"text:T"}, "PODAJ  HASŁO  !");
  Step(*b, {"text:Boss", "Enter"}, kOrders, "HASŁO");
  EXPECT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM2 "}));
  StepSeen(*a, {"text:T"}, "Dowod anulowany");
  EXPECT_EQ(OrderHeaders(), (std::vector<std::string>{"PODLIPAM ZAM2 "}));
  EXPECT_EQ(OrderLines(), (std::vector<std::string>{"ZAM2/1 10001 3.000", "ZAM2/2 10009 2.000"}));
  // Not even the deleted record is stamped.
  EXPECT_EQ(StampedRecords(), 0);
  // Both at the question of order 2: the second answer finds it marked and leaves the stamp.
  Step(*a, {"Enter"}, "Zrealizowane ?");
  Step(*b, {"Enter"}, "Zrealizowane ?");
  Step(*a, {"text:T"}, kOrders, "Zrealizowane ?");
  EXPECT_TRUE(a->WaitForScreen(" 0")) << a->Screen();
  StepSeen(*b, {"text:T"}, "Zamowienie juz zrealizowane na innej stacji");
  EXPECT_EQ(StampedRecords(), 1);
  for (auto* s : {a.get(), b.get()}) {
    Step(*s, {"Esc"}, kMagazyn);
    Step(*s, {"Right", "Right"}, kDowody);
    Leave(*s);
  }
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
