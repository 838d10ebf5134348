// The settlement browse of one counterparty driven through the headless console.
#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "settlements/ledger_screen.h"

namespace hurt::settlements {
namespace {

using catalogues::testing::CatalogueTest;
using catalogues::testing::Fields;
using xbase::Value;
namespace key = console::key;

class LedgerScreenTest : public CatalogueTest {
 protected:
  xbase::WorkArea& FaN() { return Area(7); }
  xbase::WorkArea& FaNx() { return Area(8); }
  xbase::WorkArea& Zo() { return Area(3); }
  // An open item of K1 and the balance it brings.
  void Item(std::string rd, std::string nrd, double wn, double ma, std::string mag = "1") {
    Add(FaN(), {{"KTO", Value("O")}, {"ODB", Value("K1")}, {"RD", Value(rd)}, {"NRD", Value(nrd)},
                {"MAG", Value(mag)}, {"OBWN", Value(wn)}, {"OBMA", Value(ma)}, {"R_P", Value("R")},
                {"DATA", Value(xbase::Date{JulianFromYmd(2024, 3, 1)})}});
    wn_ += wn;
    ma_ += ma;
  }
  void Customer() { Add(Zo(), {{"ODB", Value("K1")}, {"NODB", Value("SKLEP")}, {"OBWN", Value(wn_)}, {"OBMA", Value(ma_)}}); }
  void Run() {
    ASSERT_TRUE(d.Run([&](console::Console&) { FaNRozliczanie(s(), "O", "K1       ", "SKLEP"); }));
  }
  void ExpectMessage(const std::string& text) {
    d.Then([this, text] { EXPECT_TRUE(d.Contains(text)) << d.Dump(); }).Key(key::kSpace);
  }
  double wn_ = 0, ma_ = 0;
};

TEST_F(LedgerScreenTest, AReceivableAndItsPaymentAreSettledIntoOneBatch) {
  Item("FV ", "       1", 100, 0);
  Item("KP ", "       1", 0, 100, "0");
  Customer();
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Naleznosci")) << d.Dump();
    EXPECT_TRUE(d.Contains("FV -       1")) << d.Dump();
  });
  d.Key(key::F(10));
  ExpectMessage("BAW SIE CZYMS INNYM LUB ZAZNACZ COS");
  d.Key(key::kSpace).Key(key::F(10));
  ExpectMessage("ZAZNACZ COS JESZCZE");
  d.Key(key::kDown).Key(key::kSpace);
  d.Then([&] { EXPECT_TRUE(d.Contains("Saldo X:          0.00   zaznaczono Wn: 1  Ma: 1")) << d.Dump(); });
  d.Key(key::F(10));
  ExpectMessage("Rozliczono");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(FaN(), {"RD"}), std::vector<std::string>{});
  EXPECT_EQ(Rows(FaNx(), {"RD", "OBWN", "OBMA"}).size(), 2u);
  EXPECT_EQ(Rows(Zo(), {"ODB", "OBWN", "OBMA"}), std::vector<std::string>{"K1|0.000000|0.000000"});
  ExpectDataChecksClean();
}

TEST_F(LedgerScreenTest, UnequalSidesAreCompensatedAfterTheQuestionAndTheRestStaysOpen) {
  Item("FV ", "       1", 100, 0);
  Item("PZ ", "       1", 0, 60);
  Customer();
  d.Key(key::kSpace).Key(key::kDown).Key(key::kSpace).Key(key::F(10));
  d.Then([&] { EXPECT_TRUE(d.Contains("Kompensowac ?")) << d.Dump(); }).Key('N');
  d.Key(key::F(10));
  d.Then([&] { EXPECT_TRUE(d.Contains("Kompensowac ?")) << d.Dump(); }).Key('T');
  ExpectMessage("Skompensowano");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(FaN(), {"RD", "OBWN", "OBMA"}), std::vector<std::string>{"KO|40.000000|0.000000"});
  EXPECT_EQ(Rows(Zo(), {"ODB", "OBWN", "OBMA"}), std::vector<std::string>{"K1|40.000000|0.000000"});
  ExpectDataChecksClean();
}

TEST_F(LedgerScreenTest, APaymentEnteredOnTheInvoiceIsMatchedAndThenSettledWithIt) {
  Item("FV ", "       1", 100, 0);
  Customer();
  // F3, the money document: on the invoice, KP of its 100.00 is proposed.
  d.Key(key::F(3)).Key(key::kEnter);
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Kasa przyjęła")) << d.Dump();
    EXPECT_TRUE(d.Contains("Rodzaj : KP")) << d.Dump();
    EXPECT_TRUE(d.Contains("100.00")) << d.Dump();
  });
  d.Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAPAMIETAC DOWOD ?")) << d.Dump(); }).Key('T');
  ExpectMessage("Zapisano KP-1");
  d.Then([&] { EXPECT_TRUE(d.Contains("KP -       1")) << d.Dump(); });
  d.Key(key::kSpace).Key(key::kDown).Key(key::kSpace).Key(key::F(10));
  ExpectMessage("Rozliczono");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(FaN(), {"RD"}), std::vector<std::string>{});
  EXPECT_EQ(Rows(FaNx(), {"RD", "ZAP"}).size(), 2u);
  EXPECT_EQ(Rows(Zo(), {"ODB", "OBWN", "OBMA"}), std::vector<std::string>{"K1|0.000000|0.000000"});
  EXPECT_EQ(Rows(Area(6), {"RD", "NRD", "MAG"}), std::vector<std::string>{"KP|       1|0"});
  ExpectDataChecksClean();
}

}  // namespace
}  // namespace hurt::settlements
