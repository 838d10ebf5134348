#include "invoicing/invoice_corrections.h"

#include <gtest/gtest.h>

#include "invoice_fixture.h"

namespace hurt::invoicing {
namespace {

using store::TableId;
using testing::D;

class KorektyFvTest : public testing::InvoiceTest {
 protected:
  void Sale(const std::string& rd, int nrd, const xbase::Value& data, const std::string& odb, const std::string& s_z,
            const std::string& indeks, double cena, const std::string& podatek0) {
    Add(Area(TableId::kDow), {{"R_P", "R"}, {"S_Z", s_z}, {"RD", rd}, {"NRD", PadL(std::to_string(nrd), 8)},
                              {"DATA", data}, {"MAG", "1"}, {"LP", "  1"}, {"ODB", odb}, {"INDEKS", indeks},
                              {"ILOSC", 1.0}, {"CENA", cena}, {"NB", "N"}, {"PODATEK0", podatek0}});
  }
};

// Only sales of the line's article to the customer, inside the period, by date and number;
// a month of the period without its folder is passed over.
TEST_F(KorektyFvTest, TheCustomersSalesOfTheArticleInThePeriod) {
  Sale("FV ", 127, D(2026, 12, 5), "KOWAL", "S", "MLOTEK", 11.00, "  ");
  Sale("FV ", 125, D(2026, 12, 2), "KOWAL", "S", "MLOTEK", 10.00, "23");
  Sale("FV ", 126, D(2026, 12, 3), "NOWAK", "S", "MLOTEK", 9.00, "23");
  Sale("WZ ", 4, D(2026, 12, 4), "KOWAL", "D", "MLOTEK", 8.00, "23");
  Sale("FV ", 128, D(2026, 12, 5), "KOWAL", "S", "KSIAZKA", 30.00, " 8");
  Sale("FV ", 129, D(2026, 12, 20), "KOWAL", "S", "MLOTEK", 12.00, "23");
  Sale("FV ", 124, D(2026, 12, 2), "KOWAL", "S", "MLOTEK", 10.50, "23");

  auto sales = SalesOfArticle(s(), "1", "MLOTEK", "KOWAL", JulianFromYmd(2026, 11, 25), JulianFromYmd(2026, 12, 10));
  ASSERT_TRUE(sales.ok()) << sales.status().ToString();
  ASSERT_EQ(sales->size(), 3u);
  EXPECT_EQ(AllTrim((*sales)[0].nrd), "124");
  EXPECT_EQ(AllTrim((*sales)[1].nrd), "125");
  EXPECT_EQ(AllTrim((*sales)[2].nrd), "127");
  EXPECT_NEAR((*sales)[2].cena, 11.00, 1e-9);

  auto none = SalesOfArticle(s(), "1", "MLOTEK", "KOWAL", JulianFromYmd(2026, 12, 10), JulianFromYmd(2026, 12, 1));
  ASSERT_TRUE(none.ok());
  EXPECT_TRUE(none->empty());
}

// The chosen price goes into the line; a sale without a rate gives 23 %; the money follows
// the line rules of the line's basis.
TEST_F(KorektyFvTest, TheChosenPriceAndRateGoIntoTheLine) {
  ASSERT_TRUE(session::NoweDd(s(), ui_));
  xbase::WorkArea& dd = Area(TableId::kDd);
  uint32_t gross = Add(dd, {{"MAG", "1"}, {"INDEKS", "MLOTEK"}, {"ILOSC", 3.0}, {"NB", "B"}, {"CENA", 5.0}});
  uint32_t net = Add(dd, {{"MAG", "1"}, {"INDEKS", "KSIAZKA"}, {"ILOSC", -2.0}, {"NB", "N"}, {"CENA", 5.0}});

  SaleOfArticle sale;
  sale.cena = 1.23;
  ASSERT_TRUE(dd.GoTo(gross).ok());
  ASSERT_TRUE(dd.LockRecord().ok());
  ASSERT_TRUE(ApplySaleToLine(dd, sale).ok());
  ASSERT_TRUE(dd.Unlock().ok());
  EXPECT_EQ(FieldAt(dd, gross, "PODATEK0").AsString(), "23");
  EXPECT_NEAR(FieldAt(dd, gross, "BRUTTO").AsNumber(), 3.69, 1e-9);
  EXPECT_NEAR(FieldAt(dd, gross, "PODATEK").AsNumber(), 0.69, 1e-9);
  EXPECT_NEAR(FieldAt(dd, gross, "WARTOSC").AsNumber(), 3.69, 1e-9);

  sale.cena = 30.05;
  sale.podatek0 = " 8";
  ASSERT_TRUE(dd.GoTo(net).ok());
  ASSERT_TRUE(dd.LockRecord().ok());
  ASSERT_TRUE(ApplySaleToLine(dd, sale).ok());
  ASSERT_TRUE(dd.Unlock().ok());
  EXPECT_NEAR(FieldAt(dd, net, "WARTOSC").AsNumber(), -60.10, 1e-9);
  EXPECT_NEAR(FieldAt(dd, net, "PODATEK").AsNumber(), -4.81, 1e-9);
  EXPECT_NEAR(FieldAt(dd, net, "BRUTTO").AsNumber(), -64.91, 1e-9);
}

}  // namespace
}  // namespace hurt::invoicing
