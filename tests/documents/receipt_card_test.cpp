#include "documents/receipt_card.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/numeric.h"

namespace hurt::documents {
namespace {

DocKind Kind(std::string rd, char r_p, char s_z, char cuv) {
  DocKind kind;
  kind.rd = std::move(rd);
  kind.r_p = r_p;
  kind.s_z = s_z;
  kind.cuv = cuv;
  return kind;
}

ReceiptCard Card() {
  ReceiptCard card;
  card.p_ilosc_pz = 3;
  card.p_cena_pz = 8.00;
  card.p_vat0_pz = "23";
  card.podatek0 = "23";
  card.l_podatek0 = 23;
  return card;
}

TEST(Marza, OnThePurchasePrice) {
  EXPECT_DOUBLE_EQ(Marza(10, 8), 25.0);
  EXPECT_DOUBLE_EQ(Marza(8, 10), -20.0);
  EXPECT_DOUBLE_EQ(Marza(10.01, 7.77), 28.8);  // 28.83
}

TEST(Marza, ZeroPurchasePriceGivesAHugeMarkUpNotADivisionError) {
  EXPECT_DOUBLE_EQ(Marza(10, 0), 1e9);  // price × 100,000,000 %
  EXPECT_DOUBLE_EQ(Marza(0, 0), 0);
  EXPECT_TRUE(std::isfinite(Marza(10, -0.000001)));
}

TEST(ReceiptQuantity, TwoOrThreeDecimals) {
  EXPECT_DOUBLE_EQ(ReceiptQuantity(1.2345, false), 1.23);
  EXPECT_DOUBLE_EQ(ReceiptQuantity(1.2345, true), 1.235);
  EXPECT_DOUBLE_EQ(ReceiptQuantity(1.005, false), 1.01);
}

TEST(SellingPrices, NetTyped) {
  ReceiptCard card = Card();
  card.p_cena = 10.00;
  PvCena(card);
  EXPECT_NEAR(card.vat, 2.30, 1e-12);
  EXPECT_DOUBLE_EQ(card.p_cena2, 12.30);
  EXPECT_DOUBLE_EQ(card.p_marza, 25.0);
  card.p_cena = 0.65;  // 0.65 + 0.1495 = 0.7995
  PvCena(card);
  EXPECT_DOUBLE_EQ(card.p_cena2, 0.80);
}

TEST(SellingPrices, GrossTyped) {
  ReceiptCard card = Card();
  card.p_cena2 = 10.00;
  PvCena2(card);
  EXPECT_DOUBLE_EQ(card.p_cena, 8.13);
  EXPECT_NEAR(card.vat, 1.87, 1e-12);
  EXPECT_DOUBLE_EQ(card.p_marza, 1.6);  // 0.13 / 8 = 1.625 % → 1.6 (the 0.000001 pulls it under)
}

TEST(SellingPrices, MarkUpTypedOnlyWhenChanged) {
  ReceiptCard card = Card();
  card.p_marza = 30;
  EXPECT_TRUE(PvMarza(card, 25));
  EXPECT_DOUBLE_EQ(card.p_cena, 10.40);
  EXPECT_DOUBLE_EQ(card.p_cena2, 12.79);  // 12.792
  EXPECT_DOUBLE_EQ(card.p_marza, 30);     // the typed mark-up stays

  card.p_cena = 99;
  card.p_marza = 30.00001;
  EXPECT_FALSE(PvMarza(card, 30));  // the same at 4 decimals
  EXPECT_DOUBLE_EQ(card.p_cena, 99);
}

TEST(SellingPrices, LowestLevelFollowsTheSameRules) {
  ReceiptCard card = Card();
  card.p_cenam = 9.00;
  PvCenam(card);
  EXPECT_DOUBLE_EQ(card.p_cena2m, 11.07);
  EXPECT_DOUBLE_EQ(card.p_marzam, 12.5);
  card.p_cena2m = 9.84;
  PvCena2m(card);
  EXPECT_DOUBLE_EQ(card.p_cenam, 8.00);
  EXPECT_DOUBLE_EQ(card.p_marzam, 0.0);
  card.p_marzam = 10;
  EXPECT_TRUE(PvMarzam(card, 0));
  EXPECT_DOUBLE_EQ(card.p_cenam, 8.80);
  EXPECT_DOUBLE_EQ(card.p_cena2m, 10.82);  // 10.824
}

TEST(SellingPrices, AgreedPriceAndItsMarkUp) {
  ReceiptCard card = Card();
  card.p_cena_uz = 9.20;
  PvCenaUz(card);
  EXPECT_DOUBLE_EQ(card.p_marza_uz, 15.0);
  card.p_marza_uz = 20;
  EXPECT_TRUE(PvMarzaUz(card, 15));
  EXPECT_DOUBLE_EQ(card.p_cena_uz, 9.60);
}

TEST(SellingPrices, LowestLevelIsNeverEmptyNorAboveLevel1) {
  ReceiptCard card = Card();
  card.p_cena = 10.00;
  PvCena(card);
  FixLowestLevel(card);
  EXPECT_DOUBLE_EQ(card.p_cenam, 8.08);   // purchase + 1 %
  EXPECT_DOUBLE_EQ(card.p_cena2m, 9.94);  // 9.9384
  EXPECT_DOUBLE_EQ(card.p_marzam, 1.0);

  card.p_cenam = 11.00;
  PvCenam(card);
  FixLowestLevel(card);
  EXPECT_DOUBLE_EQ(card.p_cenam, 10.00);
  EXPECT_DOUBLE_EQ(card.p_cena2m, 12.30);
  EXPECT_DOUBLE_EQ(card.p_marzam, 25.0);
}

TEST(PurchasePrice, NetValueTyped) {
  ReceiptCard card = Card();
  card.p_netto_pz = 10.00;
  PvNettoPz(card);
  EXPECT_DOUBLE_EQ(card.p_cena_pz, 3.333333);
  EXPECT_DOUBLE_EQ(card.p_netto_pz, 10.00);  // 9.999999
  card.p_ilosc_pz = 0.0004;                  // 0.000 as the quantity field reads
  card.p_netto_pz = 50;
  PvNettoPz(card);
  EXPECT_DOUBLE_EQ(card.p_cena_pz, 3.333333);  // no division
  EXPECT_DOUBLE_EQ(card.p_netto_pz, 0.00);
}

TEST(PurchasePrice, VatTypedIsCheckedAgainstTheExpected) {
  ReceiptCard card = Card();
  card.p_cena_pz = 3.333333;
  card.p_vat_pz = 2.29;
  VatPzCheck check = PvVatPz(card);
  EXPECT_EQ(check.action, VatPzCheck::Action::kAsk);
  EXPECT_DOUBLE_EQ(check.expected, 2.30);
  EXPECT_EQ(check.question, "Zmienic VAT na 2.30 ?");
  card.p_vat_pz = 2.30;
  EXPECT_EQ(PvVatPz(card).action, VatPzCheck::Action::kAccept);

  for (const char* code : {"ZW", "NP", " 0"}) {
    card.p_vat0_pz = code;
    card.p_vat_pz = 0.50;
    EXPECT_EQ(PvVatPz(card).action, VatPzCheck::Action::kRefuse) << code;
    card.p_vat_pz = 0;
    EXPECT_EQ(PvVatPz(card).action, VatPzCheck::Action::kAccept) << code;
  }
}

TEST(PurchasePrice, DiscountTyped) {
  ReceiptCard card = Card();
  card.p_ilosc_pz = 2;
  card.p_cena_pz = 10.00;
  card.p_cena = 12.00;
  card.p_rabat = 10;
  EXPECT_TRUE(PvRabat(card, false));
  EXPECT_DOUBLE_EQ(card.p_cena_pz, 9.00);
  EXPECT_DOUBLE_EQ(card.p_vat_pz, 4.14);
  EXPECT_DOUBLE_EQ(card.p_netto_pz, 18.00);
  EXPECT_DOUBLE_EQ(card.p_rabat, 0);
  EXPECT_DOUBLE_EQ(card.p_marza, 33.3);
  EXPECT_DOUBLE_EQ(card.p_cena, 12.00);

  card = Card();
  card.p_cena_pz = 1.99;
  card.p_rabat = 3.7;
  PvRabat(card, false);
  EXPECT_DOUBLE_EQ(card.p_cena_pz, 1.91637);  // kept to 6 decimals, not rounded to grosze
}

TEST(PurchasePrice, DiscountInPurchasePricesSetsTheSellingPrice) {
  ReceiptCard card = Card();
  card.p_cena_pz = 10.00;
  card.p_rabat = 10;
  PvRabat(card, true);
  EXPECT_DOUBLE_EQ(card.p_marza, 0);
  EXPECT_DOUBLE_EQ(card.p_cena, 9.00);
  EXPECT_DOUBLE_EQ(card.p_cena2, 11.07);
}

TEST(PurchasePrice, DiscountAbove100IsRefused) {
  ReceiptCard card = Card();
  card.p_rabat = 150;
  EXPECT_FALSE(PvRabat(card, false));
  EXPECT_DOUBLE_EQ(card.p_cena_pz, 8.00);
  EXPECT_DOUBLE_EQ(card.p_rabat, 150);
}

TEST(PurchasePrice, CurrencyPrice) {
  ReceiptCard card = Card();
  card.p_cena = 50;
  PvDolar(card, 2.5, 4.3215);
  EXPECT_DOUBLE_EQ(card.p_cena_pz, 10.80375);
  EXPECT_DOUBLE_EQ(card.p_netto_pz, 32.41);  // 32.41125
  EXPECT_DOUBLE_EQ(card.p_marza, 362.8);
}

PurchasePriceContext PurchaseContext() {
  PurchasePriceContext ctx;
  ctx.kind = Kind("PZ ", 'P', 'Z', 'C');
  ctx.article_exists = true;
  ctx.as_cena_pz = 8.00;
  ctx.mag = "1";
  ctx.j_mag_k = "7";
  ctx.j_mag_u = "89";
  return ctx;
}

TEST(PurchasePrice, AboveTheAgreedPriceIsRefused) {
  PurchasePriceContext ctx = PurchaseContext();
  ctx.as_cena_uz = 9.00;
  ReceiptCard card = Card();
  card.p_cena_pz = 9.50;
  PriceCheck check = PvCenaPz(card, ctx);
  EXPECT_TRUE(check.refused);
  ASSERT_EQ(check.messages.size(), 1u);
  EXPECT_EQ(check.messages[0], "Cena uzgodniona=9.00");

  card.p_cena_pz = 9.00;
  EXPECT_FALSE(PvCenaPz(card, ctx).refused);
  card.p_cena_pz = 9.50;
  ctx.cena_min_marker = true;
  EXPECT_FALSE(PvCenaPz(card, ctx).refused);
  ctx.cena_min_marker = false;
  ctx.kind = Kind("BO ", 'P', 'D', 'C');
  EXPECT_FALSE(PvCenaPz(card, ctx).refused);
}

TEST(PurchasePrice, RiseOverTheLastPurchaseWarns) {
  PurchasePriceContext ctx = PurchaseContext();
  ReceiptCard card = Card();
  card.p_cena_pz = 8.80;
  card.p_cena = 11;
  PriceCheck check = PvCenaPz(card, ctx);
  EXPECT_FALSE(check.refused);
  ASSERT_EQ(check.messages.size(), 2u);
  EXPECT_EQ(check.messages[0], "Wzrost ceny zakupu");
  EXPECT_EQ(check.messages[1], "8.00 & 8.80  10.00 %");
  EXPECT_DOUBLE_EQ(card.p_netto_pz, 26.40);
  EXPECT_DOUBLE_EQ(card.p_marza, 25.0);

  ctx.as_cena_pz = 0.03;
  card.p_cena_pz = 0.0345;
  EXPECT_EQ(PvCenaPz(card, ctx).messages.at(1), "0.03 & 0.0345  15.00 %");
}

TEST(PurchasePrice, NoRiseWarningWhereItDoesNotApply) {
  ReceiptCard card = Card();
  card.p_cena_pz = 8.80;
  PurchasePriceContext ctx = PurchaseContext();
  ctx.mag = "7";
  EXPECT_TRUE(PvCenaPz(card, ctx).messages.empty());  // warehouse of J_MAG_K
  ctx = PurchaseContext();
  ctx.mag = "9";
  EXPECT_TRUE(PvCenaPz(card, ctx).messages.empty());  // warehouse of J_MAG_U
  ctx = PurchaseContext();
  ctx.article_exists = false;
  EXPECT_TRUE(PvCenaPz(card, ctx).messages.empty());
  ctx = PurchaseContext();
  ctx.kind = Kind("PD ", 'P', 'D', 'C');
  EXPECT_TRUE(PvCenaPz(card, ctx).messages.empty());
  ctx = PurchaseContext();
  ctx.as_cena_pz = 0;  // no earlier price: nothing to compare, no division by zero
  EXPECT_TRUE(PvCenaPz(card, ctx).messages.empty());
  ctx = PurchaseContext();
  card.p_cena_pz = 7.50;
  EXPECT_TRUE(PvCenaPz(card, ctx).messages.empty());
}

TEST(Rates, SellingRateTypedRecomputesBothLevels) {
  ReceiptCard card = Card();
  card.p_cena = 10.00;
  card.p_cenam = 7.00;
  RateInput in = PvPodatek0(card, "8", false, false);
  ASSERT_TRUE(in.accepted);
  EXPECT_EQ(card.podatek0, " 8");
  EXPECT_DOUBLE_EQ(card.l_podatek0, 8);
  EXPECT_DOUBLE_EQ(card.p_cena2, 10.80);
  EXPECT_DOUBLE_EQ(card.p_cena2m, 7.56);

  EXPECT_FALSE(PvPodatek0(card, "abc", false, false).accepted);
  EXPECT_EQ(card.podatek0, " 8");
  EXPECT_DOUBLE_EQ(card.p_cena2, 10.80);

  PvPodatek0(card, "zw", false, false);
  EXPECT_EQ(card.podatek0, "ZW");
  EXPECT_DOUBLE_EQ(card.p_cena2, 10.00);
}

TEST(Rates, PurchaseRateTypedRecomputesThePurchaseVat) {
  ReceiptCard card = Card();
  card.p_vat_pz = 5.52;
  RateInput in = PvVat0Pz(card, "5", false, false);
  ASSERT_TRUE(in.accepted);
  EXPECT_EQ(card.p_vat0_pz, " 5");
  EXPECT_DOUBLE_EQ(card.p_vat_pz, 1.20);
  PvVat0Pz(card, "NP", false, false);
  EXPECT_DOUBLE_EQ(card.p_vat_pz, 0);
}

}  // namespace
}  // namespace hurt::documents
