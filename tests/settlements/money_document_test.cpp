// Money documents written into the ledger: numbers, balances, matching, correction and deletion.
#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "settlements/money_document.h"
#include "settlements/settle.h"
#include "store/fake_store_ui.h"

namespace hurt::settlements {
namespace {

using catalogues::testing::CatalogueTest;
using xbase::Value;

TEST(MoneyNumbers, ATypedNumberAboveTheCounterIsTakenOtherwiseTheNext) {
  EXPECT_EQ(NumberFor(5, 0).nrd, 6);
  EXPECT_EQ(NumberFor(5, 0).counter, 6);
  EXPECT_EQ(NumberFor(5, 9).nrd, 9);
  EXPECT_EQ(NumberFor(5, 9).counter, 9);
  EXPECT_EQ(NumberFor(5, 3).nrd, 6);
}

class MoneyDocumentTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    // An invoice of 100.00 owed by K1.
    Add(Area(7), {{"KTO", Value("O")}, {"ODB", Value("K1")}, {"RD", Value("FV ")}, {"NRD", Value("       1")},
                  {"MAG", Value("1")}, {"R_P", Value("R")}, {"OBWN", Value(100.0)},
                  {"DATA", Value(xbase::Date{JulianFromYmd(2024, 3, 1)})}});
    Add(Area(3), {{"ODB", Value("K1")}, {"NODB", Value("SKLEP")}, {"OBWN", Value(100.0)}});
  }
  static MoneyDocument Kp(double kwota, long nrd = 0) {
    MoneyDocument kp;
    kp.rd = "KP";
    kp.nrd = nrd;
    kp.data = JulianFromYmd(2024, 3, 15);
    kp.odb = "K1";
    kp.nodb = "SKLEP";
    kp.tresc = "Wplata za FV-1";
    kp.kwota = kwota;
    return kp;
  }
  MoneyResult Write(const MoneyDocument& doc) {
    auto r = ZapiszDowodKasowy(s(), quiet, doc);
    EXPECT_TRUE(r.ok()) << r.status().ToString();
    return r.ok() ? *r : MoneyResult{};
  }
  double Counter() {
    xbase::WorkArea& firma = Area(1);
    EXPECT_TRUE(firma.GoTop().ok());
    return session::FieldNumber(firma, CounterFieldOf(firma, "KP "));
  }
  std::string Balance() { return Rows(Area(3), {"OBWN", "OBMA"})[0]; }
  store::testing::FakeStoreUi quiet{d.clock};
};

TEST_F(MoneyDocumentTest, AReceiptAgainstTheInvoiceIsNumberedBookedAndMatched) {
  MoneyDocument kp = Kp(100);
  kp.against_rd = "FV";
  kp.against_nrd = "1";
  const MoneyResult r = Write(kp);
  EXPECT_TRUE(r.done);
  EXPECT_EQ(r.nrd, 1);
  EXPECT_TRUE(r.matched);
  EXPECT_EQ(Counter(), 1);
  EXPECT_EQ(Rows(Area(6), {"RD", "NRD", "MAG", "R_P", "KWOTA", "SPZ"}),
            std::vector<std::string>{"KP|       1|0|R|100.000000|G"});
  EXPECT_EQ(Rows(Area(7), {"RD", "OBWN", "OBMA", "ZAP"}),
            (std::vector<std::string>{"FV|100.000000|0.000000|R", "KP|0.000000|100.000000|R"}));
  EXPECT_EQ(Balance(), "100.000000|100.000000");
  ExpectDataChecksClean();
}

TEST_F(MoneyDocumentTest, DeletingTheLastReceiptStepsTheCounterBackAnOlderOneDoesNot) {
  EXPECT_EQ(Write(Kp(30)).nrd, 1);
  EXPECT_EQ(Write(Kp(20)).nrd, 2);
  EXPECT_EQ(Counter(), 2);
  // Corrected: 20 becomes 25, the balance follows.
  EXPECT_TRUE(Write(Kp(25, 2)).corrected);
  EXPECT_EQ(Balance(), "100.000000|55.000000");
  // The older one deleted: the counter stays.
  MoneyResult r = Write(Kp(0, 1));
  EXPECT_TRUE(r.deleted);
  EXPECT_EQ(Counter(), 2);
  // The last one deleted: its number comes back.
  r = Write(Kp(0, 2));
  EXPECT_TRUE(r.deleted);
  EXPECT_EQ(Counter(), 1);
  EXPECT_EQ(Balance(), "100.000000|0.000000");
  EXPECT_EQ(Rows(Area(7), {"RD"}), std::vector<std::string>{"FV"});
  ExpectDataChecksClean();
}

TEST_F(MoneyDocumentTest, ACounterpartyHeldElsewhereWritesNothing) {
  xbase::WorkAreas other(env);
  auto zo = other.Open(1, Area(3).path(), "zo");
  ASSERT_TRUE(zo.ok()) << zo.status().ToString();
  ASSERT_TRUE((*zo)->LockRecord(1).ok());
  const MoneyResult r = Write(Kp(40));
  EXPECT_FALSE(r.done);
  EXPECT_EQ(r.busy, "zo K1");
  EXPECT_EQ(Counter(), 0);
  EXPECT_EQ(Rows(Area(7), {"RD"}), std::vector<std::string>{"FV"});
  EXPECT_EQ(Balance(), "100.000000|0.000000");
}

// A document is corrected only from its own counterparty and while it is open: another
// customer's number, or a receipt already settled, is refused and nothing changes.
TEST_F(MoneyDocumentTest, AnotherCounterpartysOrASettledDocumentIsNotCorrected) {
  Add(Area(3), {{"ODB", Value("K2")}, {"NODB", Value("INNY")}});
  MoneyDocument other = Kp(30);
  other.odb = "K2";
  ASSERT_TRUE(Write(other).done);  // KP 1 of K2
  MoneyDocument kp = Kp(100);
  kp.against_rd = "FV";
  kp.against_nrd = "1";
  ASSERT_EQ(Write(kp).nrd, 2);  // KP 2 of K1, matched with the invoice
  auto items = ItemsOf(s(), "O", "K1      ");
  ASSERT_TRUE(items.ok());
  ASSERT_EQ(items->size(), 2u);
  auto settled = Settle(s(), quiet, *items);
  ASSERT_TRUE(settled.ok() && settled->done);
  const std::vector<std::string> before = Rows(Area(3), {"ODB", "OBWN", "OBMA"});
  MoneyResult r = Write(Kp(50, 1));  // K2's number, from K1
  EXPECT_FALSE(r.done);
  EXPECT_EQ(r.refused, "Dowod KP-1 jest innego kontrahenta: K2");
  r = Write(Kp(50, 2));  // settled
  EXPECT_FALSE(r.done);
  EXPECT_EQ(r.refused, "DOWOD ROZLICZONY - NIE POPRAWIAM: KP-2");
  r = Write(Kp(0, 2));  // nor deleted
  EXPECT_FALSE(r.done);
  EXPECT_EQ(Rows(Area(3), {"ODB", "OBWN", "OBMA"}), before);
  EXPECT_EQ(Rows(Area(6), {"RD", "NRD", "ODB", "KWOTA"}),
            (std::vector<std::string>{"KP|       1|K2|30.000000", "KP|       2|K1|100.000000"}));
  ExpectDataChecksClean();
}

}  // namespace
}  // namespace hurt::settlements
