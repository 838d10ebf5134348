// The ORDERS message and the order message counter EO_NRKOM: the interchange as the
// supplier reads it (checked by the two independent EDIFACT checkers too), and the
// counter taken by stations that never get the same number.
#include "invoicing/edi_orders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "base/cp852.h"
#include "invoicing/edi_tables.h"
#include "invoicing/edifact_check.h"
#include "support/golden.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
using edi::CenaJedn;
using edi::EdiDate;
using edi::Ilosc;

EdiZamowienie Order() {
  EdiZamowienie z;
  z.nadawca = "5907543012261";
  z.odbiorca = "5900000000099";
  z.nr_komunikatu = "41";
  z.nr_zamowienia = "ZD/41/2026";
  z.data = EdiDate(JulianFromYmd(2026, 12, 7));
  z.data_dostawy = EdiDate(JulianFromYmd(2026, 12, 9));
  z.teksty = {"Dostawa rano", "brama 2: od ulicy", "", "", ""};
  z.promocja = "GRUDZIEN";
  z.gln_dostawcy = "5900000000099";
  z.nip_dostawcy = "1234563218";
  z.gln_wysylki = "5900000000105";
  z.gln_nabywcy = "5907543012261";
  z.konto_nabywcy = "12 1020 1026 0000 0402 0345 6789";
  z.nip_nabywcy = "7543012260";
  z.kontakt = "Jan Kowalski";
  z.telefon = "77 453 66 02";
  z.gln_dostawy = "5907543012278";
  z.gln_faktury = "5907543012261";
  z.pozycje = {
      {"5900000000017", "10001", std::string("MĄKA PSZENNA TYP 450 1KG"_pl), "", Ilosc::Of(120), "szt", CenaJedn::Of(2.35)},
      {"5900000000024", "10009", "KAWA \"O'NEIL\" 250G+", "MIELONA", Ilosc::Of(2.5), "kg", CenaJedn::Of(11.7634)},
      {"", "10020", std::string("SÓL"_pl), "", Ilosc::Of(10), "", CenaJedn()},
  };
  return z;
}

TEST(EdiOrders, TheInterchangeAsTheSupplierReadsIt) {
  const std::string text = OrdersText(Order(), EdiDate::FromText("202612070915"));
  hurt::testing::ExpectGolden("zamowienie.edi", text);
  EXPECT_EQ(testing::EdifactFaultsOfTexts({text}), "");
}

TEST(EdiOrders, AnOrderWithOnlyTheMandatoryPartsIsStillWellFormed) {
  EdiZamowienie z;
  z.nadawca = "1";
  z.odbiorca = "2";
  z.nr_komunikatu = "1";
  z.nr_zamowienia = "Z1";
  z.data = EdiDate(JulianFromYmd(2026, 1, 2));
  z.pozycje = {{"5900000000017", "", "", "", Ilosc::Of(1), "", CenaJedn()}};
  const std::string text = OrdersText(z, EdiDate::FromText("202601020800"));
  EXPECT_EQ(text.find("NAD+"), std::string::npos);
  EXPECT_EQ(text.find("FTX"), std::string::npos);
  EXPECT_NE(text.find("UNT+10+1'"), std::string::npos) << text;
  EXPECT_EQ(testing::EdifactFaultsOfTexts({text}), "");
}

// A station of its own: its work areas on the data directory, and a screen whose pauses
// last a few real milliseconds.
class ShortWaits final : public store::StoreUi {
 public:
  void SaveArea(int, int, int, int) override {}
  void RestoreArea() override {}
  void Message(std::string_view) override {}
  void Alert(std::string_view) override {}
  bool WaitForKeyOrTimeout(int64_t) override {
    ++waits;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return false;
  }
  void ProgressOpen(std::string_view, store::ProgressScreen) override {}
  void ProgressUpdate(std::string_view, std::string_view) override {}
  void ProgressClose() override {}
  int waits = 0;
};

struct Station {
  explicit Station(const std::string& root, std::string number) : place{env, areas, root, std::move(number), ui} {}
  xbase::Env& env = xbase::RealEnv();
  xbase::WorkAreas areas{env};
  ShortWaits ui;
  EdiPlace place;
};

class OrderCounter : public hurt::testing::DataDirTest {};

TEST_F(OrderCounter, NeedsTheSettingsTableAndCountsFromOne) {
  Station a(dir.str(), "01");
  auto none = PobierzNumerZamowienia(a.place);
  EXPECT_EQ(none.status().message(), "Brak pliku eo_cfg.dbf");
  EXPECT_FALSE(dir.Exists("eo_nrkom.dbf"));

  ASSERT_TRUE(EnsureEoCfg(a.place).ok());
  EXPECT_EQ(PobierzNumerZamowienia(a.place).value_or(-1), 1);
  EXPECT_EQ(PobierzNumerZamowienia(a.place).value_or(-1), 2);
  EXPECT_TRUE(dir.Exists("eo_nrkom.dbf"));
  EXPECT_EQ(a.areas.FirstFree(200, 250), 200) << "no area is left open";
}

TEST_F(OrderCounter, ATableHeldByAnotherStationIsBusy) {
  Station a(dir.str(), "01");
  ASSERT_TRUE(EnsureEoCfg(a.place).ok());
  ASSERT_EQ(PobierzNumerZamowienia(a.place).value_or(-1), 1);
  xbase::WorkAreas holder(xbase::RealEnv());
  ASSERT_TRUE(holder.Open(1, dir / "eo_nrkom.dbf", "held", {.exclusive = true}).ok());
  auto busy = PobierzNumerZamowienia(a.place, 1);
  EXPECT_EQ(busy.status().message(), "Plik EO_NRKOM zajety");
  EXPECT_GT(a.ui.waits, 0) << "it waited before giving up";
  ASSERT_TRUE(holder.Close(1).ok());
  EXPECT_EQ(PobierzNumerZamowienia(a.place).value_or(-1), 2) << "the busy attempt took nothing";
}

// Two stations taking numbers at the same time, the table made by whichever comes first:
// every number is taken once.
TEST_F(OrderCounter, TwoStationsAtOnceNeverGetTheSameNumber) {
  {
    Station setup(dir.str(), "09");
    ASSERT_TRUE(EnsureEoCfg(setup.place).ok());
  }
  constexpr int kEach = 25;
  std::vector<long> got[2];
  std::vector<std::string> faults[2];
  // A station told the table is busy tries again, as its operator would.
  auto run = [&](int k) {
    Station s(dir.str(), k == 0 ? "01" : "02");
    for (int tries = 0; static_cast<int>(got[k].size()) < kEach && tries < 50 * kEach; ++tries) {
      auto n = PobierzNumerZamowienia(s.place, 1);
      if (n.ok()) {
        got[k].push_back(*n);
      } else if (n.status().message() != "Plik EO_NRKOM zajety") {
        faults[k].push_back(n.status().ToString());
      }
    }
  };
  std::thread a(run, 0), b(run, 1);
  a.join();
  b.join();
  EXPECT_TRUE(faults[0].empty() && faults[1].empty()) << (faults[0].empty() ? faults[1][0] : faults[0][0]);
  EXPECT_EQ(got[0].size(), static_cast<size_t>(kEach));
  EXPECT_EQ(got[1].size(), static_cast<size_t>(kEach));
  std::set<long> all(got[0].begin(), got[0].end());
  all.insert(got[1].begin(), got[1].end());
  EXPECT_EQ(all.size(), got[0].size() + got[1].size());
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(*all.begin(), 1);
  EXPECT_EQ(*all.rbegin(), 2 * kEach);
}

TEST_F(OrderCounter, TheSettingsTableGetsEveryKeyOnceAndKeepsItsValues) {
  Station a(dir.str(), "01");
  ASSERT_TRUE(EnsureEoCfg(a.place).ok());
  auto cfg = CzytajEoCfg(a.place);
  ASSERT_TRUE(cfg.ok());
  EXPECT_EQ(cfg->size(), std::size(kEoCfgKeys));
  EXPECT_EQ(cfg->at("INV_NR_KOM"), "");

  // An older table with two keys, one of them set: the others are appended once, the
  // value stays.
  ASSERT_TRUE(xbase::RealEnv().Remove(dir / "eo_cfg.dbf").ok());
  {
    xbase::WorkAreas w(xbase::RealEnv());
    ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), dir / "eo_cfg.dbf", {{"NAME", 'C', 15, 0}, {"VALUE", 'C', 35, 0}}).ok());
    auto t = w.Open(1, dir / "eo_cfg.dbf");
    ASSERT_TRUE(t.ok());
    for (auto [k, v] : {std::pair{"NAD_SU", "5900000000099"}, std::pair{"CUX_2", "EUR"}}) {
      ASSERT_TRUE((*t)->Append().ok());
      ASSERT_TRUE((*t)->Replace("NAME", xbase::Value(k)).ok());
      ASSERT_TRUE((*t)->Replace("VALUE", xbase::Value(v)).ok());
    }
    ASSERT_TRUE(w.Close(1).ok());
  }
  Station b(dir.str(), "02");
  ASSERT_TRUE(EnsureEoCfg(a.place).ok());
  ASSERT_TRUE(EnsureEoCfg(b.place).ok());
  cfg = CzytajEoCfg(b.place);
  ASSERT_TRUE(cfg.ok());
  EXPECT_EQ(cfg->size(), std::size(kEoCfgKeys));
  EXPECT_EQ(cfg->at("NAD_SU"), "5900000000099");
  EXPECT_EQ(cfg->at("CUX_2"), "EUR");
  xbase::WorkAreas w(xbase::RealEnv());
  auto t = w.Open(1, dir / "eo_cfg.dbf");
  ASSERT_TRUE(t.ok());
  EXPECT_EQ((*t)->RecCount().value_or(0), std::size(kEoCfgKeys)) << "no key twice";
}

// INV_NR_KOM: the number proposed is used unless another station used it meanwhile; a
// failed write stores nothing.
TEST_F(OrderCounter, TheInvoiceMessageNumberIsStoredOnlyWithItsFile) {
  Station a(dir.str(), "01");
  long seen = 0;
  auto write = [&](long n) {
    seen = n;
    return Status::Ok();
  };
  EXPECT_EQ(ZapiszNumerFaktury(a.place, 1, write).value_or(-1), 1);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(ZapiszNumerFaktury(a.place, 1, write).value_or(-1), 2) << "1 is taken: the next one";
  EXPECT_EQ(ZapiszNumerFaktury(a.place, 7, write).value_or(-1), 7);
  auto failed = ZapiszNumerFaktury(a.place, 8, [](long) { return Status::IoError("dysk pelny"); });
  EXPECT_EQ(failed.status().message(), "dysk pelny");
  EXPECT_EQ(CzytajEoCfg(a.place)->at("INV_NR_KOM"), "7");
}

}  // namespace
}  // namespace hurt::invoicing
