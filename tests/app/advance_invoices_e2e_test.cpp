// Customer orders with advance invoices through the real screens, on a demo company with
// the order tables (FV_ZAL.TXT): an order ZAM and an advance invoice FZ for SMAKOSZ typed
// in Dowody › Edycja; in Dowody › Zamówienia Tab joins the invoice to the order. A station
// killed at the question joins nothing; two stations joining the same invoice at once join
// it once; the order with its advance cannot be cancelled; marked fulfilled it moves to the
// archive; Faktury zaliczkowe lists the joined invoice. The data checker finds nothing.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kOrders = "Z A M O W I E N I A";
constexpr std::string_view kJoin = "Dolaczyc FZ1 do zamowienia ZAM1 ?";

class AdvanceInvoicesRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period_ = MakeDemoCompany(data.str());
    ASSERT_FALSE(period_.empty());
    std::ofstream(data / "FV_ZAL.TXT").put('\n');
  }

  std::unique_ptr<HurtStation> Station(const std::string& name) { return StartInDowody(data.str(), work.str(), name); }

  // Dowody › Zamówienia (the third item from the end), the order of SMAKOSZ under the cursor.
  static void OpenOrders(HurtStation& s) {
    Step(s, {"End", "Up", "Up", "Enter"}, kOrders);
    EXPECT_TRUE(s.WaitForScreen("SMAKOSZ")) << s.Screen();
  }

  // Tab and the invoice chosen: the question waits.
  static void ChooseAdvance(HurtStation& s) {
    Step(s, {"Tab"}, "Zaliczka do zamowienia ZAM1");
    Step(s, {"Enter"}, kJoin);
  }

  std::vector<std::map<std::string, std::string>> Advances() { return Records(data / "fv_zal/dowod.dbf"); }

  // The advance table once it holds `n` invoices (the joining follows the screen closely).
  std::vector<std::map<std::string, std::string>> AdvancesOnce(size_t n) {
    for (int i = 0; i < 100 && Advances().size() != n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return Advances();
  }

  std::map<std::string, std::string> Article(const std::string& indeks) {
    for (auto& a : Records(data / (period_ + "/as.dbf")))
      if (a["INDEKS"] == indeks) return a;
    ADD_FAILURE() << "no article " << indeks;
    return {};
  }

  std::vector<std::map<std::string, std::string>> Invoices(const std::string& rd) {
    std::vector<std::map<std::string, std::string>> out;
    for (auto& r : Records(data / (period_ + "/dowod.dbf")))
      if (r["RD"] == rd) out.push_back(r);
    return out;
  }

  TempDir data;
  TempDir work;
  std::string period_;
};

TEST_F(AdvanceInvoicesRoad, AnAdvanceInvoiceIsJoinedToItsOrderOnceFromTwoStations) {
  auto a = Station("a");
  Step(*a, {"Home", "Enter"}, "E D Y C J A");
  DocumentForSmakosz(*a, "ZAM", "10");
  DocumentForSmakosz(*a, "FZ ", "2");
  Step(*a, {"Esc"}, kDowody);
  // The order lives beside the documents; the advance invoice among them.
  const auto orders = Records(data / "fv_zam/dowod.dbf");
  ASSERT_EQ(orders.size(), 1u);
  EXPECT_EQ(orders[0].at("RD"), "ZAM");
  EXPECT_EQ(Records(data / "fv_zam/dow.dbf").size(), 1u);
  int fz = 0;
  for (auto& r : Records(data / (period_ + "/dowod.dbf"))) fz += r.at("RD") == "FZ" ? 1 : 0;
  EXPECT_EQ(fz, 1);

  // A station killed at the question joins nothing.
  auto killed = Station("k");
  OpenOrders(*killed);
  ChooseAdvance(*killed);
  killed->Kill(SIGKILL);
  killed->WaitExit();
  EXPECT_TRUE(Advances().empty());

  // Two stations at the same question: the invoice is joined once.
  auto b = Station("b");
  OpenOrders(*a);
  OpenOrders(*b);
  ChooseAdvance(*a);
  ChooseAdvance(*b);
  Step(*a, {"text:T"}, kOrders, kJoin);
  ASSERT_EQ(AdvancesOnce(1).size(), 1u);
  StepSeen(*b, {"text:T"}, "Faktura FZ1 jest juz dolaczona do zamowienia");
  EXPECT_EQ(Advances()[0].at("ZAM_RD"), "ZAM");
  EXPECT_EQ(Advances()[0].at("ZAM_NRD"), "1");
  EXPECT_EQ(Advances()[0].at("ODB"), "SMAKOSZ");
  StepSeen(*b, {"Tab"}, "Brak faktur FZ odbiorcy SMAKOSZ do dolaczenia w tym miesiacu");

  // With its advance the order stays; fulfilled, it leaves the open orders for the archive.
  StepSeen(*a, {"F8"}, "Nic nie zrobie, sa zaliczki");
  Step(*a, {"Enter"}, "Zrealizowane ?");
  Step(*a, {"text:T"}, kOrders, "SMAKOSZ");
  Step(*b, {"Esc"}, kDowody);
  Step(*b, {"End", "Enter"}, "A R C H I W U M");
  EXPECT_TRUE(b->WaitForScreen("SMAKOSZ")) << b->Screen();
  Step(*b, {"Esc"}, kDowody);
  Step(*b, {"End", "Up", "Enter"}, "F A K T U R Y   Z A L I C Z K O W E");
  EXPECT_TRUE(b->WaitForScreen("ZAM       1")) << b->Screen();
  Step(*b, {"F8"}, "Odlaczyc FZ1 od zamowienia ZAM1 ?");
  Step(*b, {"text:N"}, "F8-odlaczenie");
  EXPECT_EQ(Advances().size(), 1u);
  Step(*b, {"Esc"}, kDowody);
  Leave(*b);
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);
  EXPECT_FALSE(Records(data / "fv_zam/dowod.dbf").at(0).at("ARC_DATA").empty());
  ExpectVerifyFindsNothing(data.str());
}

// F5 on an order opens the advance invoice with the order's lines; posted, it carries the
// order, is joined to it and issues the goods once. While one station has the invoice in
// its editor no other invoices the order; a second invoice later is asked about. A station
// killed in the editor posts nothing and leaves no reservation behind.
TEST_F(AdvanceInvoicesRoad, AnOrderInvoicedFromTheBrowserCarriesItsOrderAndIssuesTheGoodsOnce) {
  auto a = Station("a");
  Step(*a, {"Home", "Enter"}, "E D Y C J A");
  DocumentForSmakosz(*a, "ZAM", "7");
  Step(*a, {"Esc"}, kDowody);
  const double stock = std::stod(Article("10001")["ILOSC"]);

  auto killed = Station("k");
  OpenOrders(*killed);
  Step(*killed, {"F5"}, "Rd:FZ");
  EXPECT_TRUE(killed->WaitForScreen("7.00")) << killed->Screen();
  Step(*killed, {"Esc"}, "Adres dostawy");
  Step(*killed, {"Enter"}, "CZY SKONCZYŁES EDYCJE DOWODU ?");
  killed->Kill(SIGKILL);
  killed->WaitExit();
  EXPECT_TRUE(Invoices("FZ").empty());

  OpenOrders(*a);
  Step(*a, {"F5"}, "Rd:FZ");
  EXPECT_TRUE(a->WaitForScreen("7.00")) << a->Screen();
  // Meanwhile the order is invoiced nowhere else.
  auto b = Station("b");
  OpenOrders(*b);
  StepSeen(*b, {"F5"}, "Zamowienie fakturowane na innej stacji");
  Step(*a, {"Esc"}, "Adres dostawy");
  Step(*a, {"Enter"}, "CZY SKONCZYŁES EDYCJE DOWODU ?");
  Step(*a, {"text:T"}, kOrders, "CZY SKONCZYŁES");
  ASSERT_EQ(AdvancesOnce(1).size(), 1u);
  const auto fz = Invoices("FZ");
  ASSERT_EQ(fz.size(), 1u);
  EXPECT_EQ(fz[0].at("ODB"), "SMAKOSZ");
  EXPECT_EQ(fz[0].at("ZAM_RD"), "ZAM");
  EXPECT_EQ(fz[0].at("ZAM_NRD"), "1");
  ASSERT_EQ(Advances().size(), 1u);
  EXPECT_EQ(Advances()[0].at("NRD"), fz[0].at("NRD"));
  EXPECT_EQ(Advances()[0].at("ZAM_NRD"), "1");
  EXPECT_DOUBLE_EQ(std::stod(Article("10001")["ILOSC"]), stock - 7) << "the goods went out once";
  EXPECT_DOUBLE_EQ(std::stod(Article("10001")["REZERWA0"]), 0);
  // Joined already: Tab has nothing more to offer, and a second invoice is asked about.
  StepSeen(*a, {"Tab"}, "Brak faktur FZ odbiorcy SMAKOSZ do dolaczenia w tym miesiacu");
  Step(*b, {"F5"}, "Jest juz faktura. Wystawic kolejna ?");
  Step(*b, {"text:N"}, kOrders, "Wystawic kolejna");
  EXPECT_EQ(Invoices("FZ").size(), 1u);
  Step(*b, {"Esc"}, kDowody);
  Leave(*b);
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
