#include "documents/prices.h"

#include <gtest/gtest.h>

namespace hurt::documents {
namespace {

DocKind Kind(std::string rd, char r_p, char s_z, char cuv, char nb = 'N', std::string opis = "") {
  DocKind kind;
  kind.rd = std::move(rd);
  kind.r_p = r_p;
  kind.s_z = s_z;
  kind.cuv = cuv;
  kind.nb = nb;
  kind.opis = std::move(opis);
  return kind;
}

ArticlePrices FourLevelArticle() {
  ArticlePrices as;
  as.cena = 10.00;
  as.cena2 = 12.30;
  as.cenam = 7.00;
  as.cena2m = 8.61;
  return as;
}

UpustContext NetSale(double cena, double ilosc = 1) {
  UpustContext ctx;
  ctx.kind = Kind("FV ", 'R', 'S', 'U');
  ctx.nb = 'N';
  ctx.rate = 23;
  ctx.cena = cena;
  ctx.ilosc = ilosc;
  ctx.indeks = "ART1";
  ctx.nazwa = "MLOTEK";
  return ctx;
}

TEST(PriceLevels, FourLevelsLieOnAStraightLine) {
  ArticlePrices as = FourLevelArticle();
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 1).netto, 10.00);
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 2).netto, 9.00);
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 3).netto, 8.00);
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 4).netto, 7.00);
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 2).brutto, 11.07);
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 3).brutto, 9.84);
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 4).brutto, 8.61);
}

TEST(PriceLevels, RoundedPerLevel) {
  ArticlePrices as;
  as.cena = 10.00;
  as.cenam = 9.00;
  as.cena2 = 12.30;
  as.cena2m = 11.07;
  // step 1/3: level 2 is 9.666… → 9.67, level 3 is 9.333… → 9.33
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 2).netto, 9.67);
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 3).netto, 9.33);
}

TEST(PriceLevels, Level1WhenLevelsDoNotApply) {
  ArticlePrices as = FourLevelArticle();
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 1, 3).netto, 10.00);  // no levels configured
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 1).netto, 10.00);  // customer at level 1
  as.cenam = 0;
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 3).netto, 10.00);  // no lowest price
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 3).brutto, 12.30);
}

TEST(PriceLevels, LevelBeyondTheLowestIsTheLowest) {
  ArticlePrices as = FourLevelArticle();
  EXPECT_DOUBLE_EQ(LevelPriceOf(as, 4, 9).netto, 7.00);
  EXPECT_EQ(EffectiveLevel(0, 9, 4), 4);
  EXPECT_EQ(EffectiveLevel(2, 3, 4), 2);  // the kind's level wins when it is valid
  EXPECT_EQ(EffectiveLevel(7, 3, 4), 3);  // an invalid kind level falls back to the customer
  EXPECT_EQ(EffectiveLevel(0, 0, 4), 1);
  EXPECT_EQ(EffectiveLevel(0, 3, 0), 1);
}

TEST(PercentFromPrice, DiscountAndMarkUp) {
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 90, 'U'), 10.0);
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 89.95, 'U'), 10.1);  // 10.05 rounds up
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 150, 'V'), 50.0);
  EXPECT_DOUBLE_EQ(PercentFromPrice(0, 10, 'U'), 0.0);  // no list price: no percent
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 90, 'C'), 0.0);
}

TEST(PercentFromPrice, KeptOnlyWithinTheFieldRange) {
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 0.10, 'U'), 99.9);
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 0.00, 'U'), 0.0);     // 100 %
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 109.90, 'U'), -9.9);
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 110.00, 'U'), 0.0);   // −10 %
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 90.10, 'V'), -9.9);
  EXPECT_DOUBLE_EQ(PercentFromPrice(100, 200.00, 'V'), 0.0);   // 100 %
  EXPECT_TRUE(PercentInRange(-9.9));
  EXPECT_TRUE(PercentInRange(99.9));
  EXPECT_FALSE(PercentInRange(-10));
  EXPECT_FALSE(PercentInRange(100));
}

TEST(GetUpust, NetSaleMeasuresAgainstTheNetLevelPrice) {
  ArticlePrices as = FourLevelArticle();
  UpustContext ctx = NetSale(8.10);
  ctx.j_poziom = 4;
  ctx.level = 2;
  Upust upust = GetUpust(as, ctx);
  EXPECT_DOUBLE_EQ(upust.list.l1, 9.00);
  EXPECT_DOUBLE_EQ(upust.list.l2, 11.07);
  EXPECT_DOUBLE_EQ(upust.reference, 9.00);
  EXPECT_DOUBLE_EQ(upust.percent, 10.0);
}

TEST(GetUpust, GrossSaleMeasuresAgainstTheGrossPrice) {
  ArticlePrices as = FourLevelArticle();
  UpustContext ctx = NetSale(11.07);
  ctx.nb = 'B';
  Upust upust = GetUpust(as, ctx);
  EXPECT_DOUBLE_EQ(upust.reference, 12.30);
  EXPECT_DOUBLE_EQ(upust.percent, 10.0);
}

TEST(GetUpust, WarehouseIssueInSellingPricesUsesTheNetPrice) {
  ArticlePrices as = FourLevelArticle();
  UpustContext ctx = NetSale(9.50);
  ctx.kind = Kind("RW ", 'R', 'D', 'U', ' ');
  ctx.nb = ' ';
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).percent, 5.0);
}

TEST(GetUpust, NoPercentWhereNoneIsKept) {
  ArticlePrices as = FourLevelArticle();
  UpustContext ctx = NetSale(9.00, -1);
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).percent, 0.0);  // negative quantity
  ctx = NetSale(9.00);
  ctx.kind = Kind("MM ", 'M', 'D', 'U');
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).percent, 0.0);  // transfer
  ctx.kind = Kind("MX ", 'M', 'X', 'U');
  ctx.cena = 11.07;
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).percent, 10.0);  // combined transfer keeps it (gross)
  ctx.kind = Kind("PZ ", 'P', 'Z', 'U');
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).percent, 0.0);  // receipt
  ctx.kind = Kind("RWC", 'R', 'D', 'C');
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).percent, 0.0);  // purchase prices
  ctx = NetSale(9.00);
  ctx.j_opa = "OPAK";
  ctx.indeks = "OPAK    ";
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).percent, 0.0);  // the packaging article
  for (const char* name : {".USLUGA", ",RABAT", "*TRANSPORT"}) {
    ctx = NetSale(9.00);
    ctx.nazwa = name;
    EXPECT_DOUBLE_EQ(GetUpust(as, ctx).percent, 0.0) << name;
  }
}

TEST(GetUpust, ForeignCurrencySaleDividesByTheRate) {
  ArticlePrices as = FourLevelArticle();
  UpustContext ctx = NetSale(2.25);
  ctx.waluta = "EUR";
  ctx.kurs = 4.0;
  Upust upust = GetUpust(as, ctx);
  EXPECT_DOUBLE_EQ(upust.list.l1, 2.50);
  EXPECT_DOUBLE_EQ(upust.list.l2, 3.08);  // 12.30 / 4 = 3.075
  EXPECT_DOUBLE_EQ(upust.percent, 10.0);
  ctx.kurs = 1;  // a rate of 1 is no currency
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).list.l1, 10.00);
  ctx.waluta = "PLN";
  ctx.kurs = 4.0;
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).list.l1, 10.00);
}

TEST(GetUpust, Cena3OfExportAndCombinedKinds) {
  ArticlePrices as = FourLevelArticle();
  as.cena3 = 5.00;
  UpustContext ctx = NetSale(5.00);
  ctx.kind = Kind("FE ", 'R', 'S', 'U', 'N', "EXPORT CENA3");
  Upust upust = GetUpust(as, ctx);
  EXPECT_DOUBLE_EQ(upust.list.l1, 5.00);
  EXPECT_DOUBLE_EQ(upust.list.l2, 5.00);
  ctx.nb = 'B';
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).list.l2, 6.15);

  // Combined kind: CENA3 is the gross list price; the net is CENA3 / 1.23.
  as.cena3 = 12.30;
  ctx = NetSale(12.30);
  ctx.kind = Kind("RX ", 'R', 'X', 'U', 'B', "CENA3");
  ctx.nb = 'B';
  upust = GetUpust(as, ctx);
  EXPECT_DOUBLE_EQ(upust.list.l2, 12.30);
  EXPECT_DOUBLE_EQ(upust.list.l1, 10.00);
  // Without the optional field the tag changes nothing.
  as.cena3.reset();
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).list.l2, 12.30);
  EXPECT_DOUBLE_EQ(GetUpust(as, ctx).list.l1, 10.00);
}

TEST(GetUpust, RabatAsMeasuresAgainstTheLineCataloguePrice) {
  ArticlePrices as = FourLevelArticle();
  UpustContext ctx = NetSale(9.00);
  ctx.rabat_as = true;
  ctx.cena_n = 9.50;
  ctx.cena_b = 11.69;
  Upust upust = GetUpust(as, ctx);
  EXPECT_DOUBLE_EQ(upust.list.l1, 9.50);
  EXPECT_DOUBLE_EQ(upust.percent, 5.3);  // (9.50 − 9.00) / 9.50 = 5.26 %
  // A gross sale measures against the gross catalogue price, not the net one.
  ctx.nb = 'B';
  ctx.cena = 10.52;
  upust = GetUpust(as, ctx);
  EXPECT_DOUBLE_EQ(upust.list.l2, 11.69);
  EXPECT_DOUBLE_EQ(upust.percent, 10.0);
  // A price typed by hand is its own list price: no percent.
  ctx.price_by_hand = true;
  upust = GetUpust(as, ctx);
  EXPECT_DOUBLE_EQ(upust.list.l2, 10.52);
  EXPECT_DOUBLE_EQ(upust.list.l1, 8.55);
  EXPECT_DOUBLE_EQ(upust.percent, 0.0);
}

TEST(ApplyPercent, PriceFollowsATypedPercent) {
  ArticlePrices as = FourLevelArticle();
  UpustContext ctx = NetSale(10.00);
  PercentPrice price = ApplyPercent(as, ctx, 12.5);
  EXPECT_TRUE(price.applied);
  EXPECT_DOUBLE_EQ(price.cena, 8.75);
  ctx.kind.cuv = 'V';
  EXPECT_DOUBLE_EQ(ApplyPercent(as, ctx, 12.5).cena, 11.25);
  ctx.kind.cuv = 'U';
  EXPECT_DOUBLE_EQ(ApplyPercent(as, ctx, 99.9).cena, 0.01);
  EXPECT_DOUBLE_EQ(ApplyPercent(as, ctx, -9.9).cena, 10.99);
}

TEST(ApplyPercent, RefusedOutsideTheRangeAndIgnoredWhereItDoesNotApply) {
  ArticlePrices as = FourLevelArticle();
  UpustContext ctx = NetSale(10.00);
  EXPECT_TRUE(ApplyPercent(as, ctx, 100).refused);
  EXPECT_TRUE(ApplyPercent(as, ctx, -10).refused);
  EXPECT_DOUBLE_EQ(ApplyPercent(as, ctx, 100).cena, 10.00);

  ctx.upust_off = true;
  EXPECT_FALSE(ApplyPercent(as, ctx, 5).applied);
  ctx = NetSale(10.00);
  ctx.price_by_hand = true;
  EXPECT_FALSE(ApplyPercent(as, ctx, 5).applied);
  ctx = NetSale(10.00);
  ctx.kind = Kind("PZC", 'P', 'Z', 'C');
  EXPECT_FALSE(ApplyPercent(as, ctx, 5).applied);
  // An article without a list price keeps the typed price instead of becoming free.
  ctx = NetSale(10.00);
  EXPECT_FALSE(ApplyPercent(ArticlePrices{}, ctx, 5).applied);
  EXPECT_DOUBLE_EQ(ApplyPercent(ArticlePrices{}, ctx, 5).cena, 10.00);
}

TEST(RetailSalePrice, TakesTheRetailDiscount) {
  EXPECT_DOUBLE_EQ(RetailSalePrice(12.30, 5), 11.69);  // 11.685 rounds up
  EXPECT_DOUBLE_EQ(RetailSalePrice(12.30, 0), 12.30);
}

TEST(PriceFloor, LargestCostGrossedUpOnGrossDocuments) {
  ArticlePrices as;
  as.cena0 = 5.10;
  as.cena_pz = 5.30;
  as.cenam = 5.20;
  EXPECT_DOUBLE_EQ(PriceFloor(as, 23, false), 5.30);
  EXPECT_DOUBLE_EQ(PriceFloor(as, 23, true), 6.52);  // 6.519
  EXPECT_DOUBLE_EQ(PriceFloor(ArticlePrices{}, 23, true), 0);
}

TEST(RaiseToAgreedPrice, LowerSalePricesRiseToTheAgreedPrice) {
  ArticlePrices as;
  as.cena_uz = 8.00;
  AgreedPrice agreed = RaiseToAgreedPrice(7.50, as, 23, false);
  EXPECT_TRUE(agreed.raised);
  EXPECT_DOUBLE_EQ(agreed.cena, 8.00);
  agreed = RaiseToAgreedPrice(9.00, as, 23, true);
  EXPECT_TRUE(agreed.raised);
  EXPECT_DOUBLE_EQ(agreed.cena, 9.84);
  EXPECT_FALSE(RaiseToAgreedPrice(8.00, as, 23, false).raised);
  EXPECT_FALSE(RaiseToAgreedPrice(1.00, ArticlePrices{}, 23, false).raised);
}

}  // namespace
}  // namespace hurt::documents
