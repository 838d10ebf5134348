// The screenless rules of the article cards and the counterparty books.
#include "catalogues/rules.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/date.h"

namespace hurt::catalogues {
namespace {

TEST(CostBase, EachRulePrefersItsPriceWhenAboveZeroElseTheLarger) {
  const CostRule plain{};
  const CostRule pz{.marza_pz = true};
  const CostRule book{.marza_pz = false, .cena0_marker = true};
  EXPECT_DOUBLE_EQ(Mojmax(5, 7, plain), 7);
  EXPECT_DOUBLE_EQ(Mojmax(9, 7, plain), 9);
  EXPECT_DOUBLE_EQ(Mojmax(9, 7, pz), 7);
  EXPECT_DOUBLE_EQ(Mojmax(9, 0, pz), 9);
  EXPECT_DOUBLE_EQ(Mojmax(5, 7, book), 5);
  EXPECT_DOUBLE_EQ(Mojmax(0, 7, book), 7);
  // The purchase-price setting wins over the marker.
  EXPECT_DOUBLE_EQ(Mojmax(5, 7, CostRule{.marza_pz = true, .cena0_marker = true}), 7);
}

TEST(Margin, ZeroCostGivesAFiniteHugeMarginBlankOnThePriceRow) {
  const double m = Margin(10.00, 0);
  EXPECT_TRUE(std::isfinite(m));
  EXPECT_GT(m, 1e8);
  EXPECT_EQ(MarginRowText(m), "    ");
  EXPECT_EQ(MarginRowText(-10.5), "    ");
  EXPECT_EQ(MarginRowText(25), "25.0");
  EXPECT_EQ(MarginRowText(99.9), "99.9");
  EXPECT_EQ(MarginRowText(-9.5), "-9.5");
  EXPECT_DOUBLE_EQ(Margin(12.5, 10), 25.0);
}

TEST(PriceArithmetic, NetGrossAndMarginStayConsistent) {
  PriceSet p;
  p.podatek0 = "23";
  p.cena0 = 8;
  p.cena = 10;
  VCena(p, {});
  EXPECT_DOUBLE_EQ(p.vat, 2.30);
  EXPECT_DOUBLE_EQ(p.cena2, 12.30);
  EXPECT_DOUBLE_EQ(p.marza, 25.0);

  p.cena2 = 24.60;
  VCena2(p, {});
  EXPECT_DOUBLE_EQ(p.cena, 20.00);
  EXPECT_DOUBLE_EQ(p.vat, 4.60);
  EXPECT_DOUBLE_EQ(p.marza, 150.0);

  // Gross that does not divide evenly: the net is rounded, VAT takes the rest.
  p.cena2 = 10.00;
  VCena2(p, {});
  EXPECT_DOUBLE_EQ(p.cena, 8.13);
  EXPECT_DOUBLE_EQ(p.vat, 1.87);

  // Exempt rate: gross equals net.
  p.podatek0 = "ZW";
  p.cena = 7.77;
  VCena(p, {});
  EXPECT_DOUBLE_EQ(p.cena2, 7.77);
  EXPECT_DOUBLE_EQ(p.vat, 0);
}

TEST(PriceArithmetic, MarginChangesPricesOnlyWhenItDiffersAtOneDecimal) {
  PriceSet p;
  p.podatek0 = " 8";
  p.cena0 = 10;
  p.cena = 11;
  VCena(p, {});
  const double old = p.marza;  // 10.0
  p.marza = 10.04;             // same at one decimal
  EXPECT_FALSE(VMarza(p, old, {}));
  EXPECT_DOUBLE_EQ(p.cena, 11);
  p.marza = 50;
  EXPECT_TRUE(VMarza(p, old, {}));
  EXPECT_DOUBLE_EQ(p.cena, 15.00);
  EXPECT_DOUBLE_EQ(p.vat, 1.20);
  EXPECT_DOUBLE_EQ(p.cena2, 16.20);
  // With no cost at all a margin gives a zero price rather than a division.
  PriceSet z;
  z.cena = 5;
  z.marza = 30;
  EXPECT_TRUE(VMarza(z, 0, {}));
  EXPECT_DOUBLE_EQ(z.cena, 0);
}

TEST(PriceArithmetic, RateChangeRecomputesBothLevelsFromNet) {
  PriceSet p;
  p.podatek0 = "23";
  p.cena = 100;
  p.cena2 = 123;
  p.cenam = 50;
  p.cena2m = 61.5;
  EXPECT_TRUE(VPodatek0(p, "8", "23", false, false, {}));
  EXPECT_EQ(p.podatek0, " 8");
  EXPECT_DOUBLE_EQ(p.cena2, 108);
  EXPECT_DOUBLE_EQ(p.cena2m, 54);
  // Above 23 becomes 23; 25 stays only with the marker.
  EXPECT_TRUE(VPodatek0(p, "30", " 8", false, false, {}));
  EXPECT_EQ(p.podatek0, "23");
  EXPECT_TRUE(VPodatek0(p, "25", "23", false, true, {}));
  EXPECT_EQ(p.podatek0, "25");
  EXPECT_TRUE(VPodatek0(p, "00", "25", false, false, {}));
  EXPECT_EQ(p.podatek0, " 0");
  EXPECT_DOUBLE_EQ(p.cena2, 100);
  // Unchanged rate: the prices as typed stay.
  p.cena2 = 101;
  EXPECT_TRUE(VPodatek0(p, " 0", " 0", false, false, {}));
  EXPECT_DOUBLE_EQ(p.cena2, 101);
  // Not a rate: refused, nothing changed.
  EXPECT_FALSE(VPodatek0(p, "x", " 0", false, false, {}));
  EXPECT_EQ(p.podatek0, " 0");
}

TEST(PriceWarnings, StrangeDifferenceAndLoss) {
  EXPECT_EQ(CheckPrices(31, 10, false), PriceWarning::kStrangeDifference);
  EXPECT_EQ(CheckPrices(30, 10, false), PriceWarning::kNone);
  EXPECT_EQ(CheckPrices(9, 10, false), PriceWarning::kLoss);
  EXPECT_EQ(CheckPrices(9, 10, true), PriceWarning::kNone);
  EXPECT_EQ(CheckPrices(0, 10, false), PriceWarning::kNone);
  EXPECT_EQ(CheckPrices(10, 0, false), PriceWarning::kNone);  // no cost: nothing to compare
  EXPECT_EQ(PriceWarningText(PriceWarning::kLoss), "TO BEDZIE STRATA");
}

TEST(ArticleCards, AnyStockOrHistoryBlocksDeletionAndKeyChange) {
  EXPECT_TRUE(KeyEditable({}));
  EXPECT_TRUE(ArticleDeletable({}, "1"));
  for (StockCounters s : {StockCounters{1, 0, 0, 0}, StockCounters{0, 0.001, 0, 0}, StockCounters{0, 0, -2, 0},
                          StockCounters{0, 0, 0, -0.5}, StockCounters{0, 5, 5, 0}}) {
    EXPECT_FALSE(KeyEditable(s));
    EXPECT_FALSE(ArticleDeletable(s, "1"));
    EXPECT_TRUE(ArticleDeletable(s, " "));
    EXPECT_TRUE(ArticleDeletable(s, "0"));
  }
}

TEST(ArticleCards, AgeingFlagBySaleThenReceipt) {
  const JulianDay today = JulianFromYmd(2024, 3, 15);
  EXPECT_EQ(AgeingFlag(0, today - 100, today - 100, today), " ");
  EXPECT_EQ(AgeingFlag(5, today - 61, kEmptyDate, today), "+");
  EXPECT_EQ(AgeingFlag(5, today - 60, kEmptyDate, today), "M");
  EXPECT_EQ(AgeingFlag(5, today - 31, kEmptyDate, today), "M");
  EXPECT_EQ(AgeingFlag(5, today - 30, kEmptyDate, today), "t");
  EXPECT_EQ(AgeingFlag(5, today - 7, kEmptyDate, today), " ");
  // A recent sale counts, whatever the receipt.
  EXPECT_EQ(AgeingFlag(5, today - 1, today - 300, today), " ");
  EXPECT_EQ(AgeingFlag(5, kEmptyDate, today - 8, today), "t");
  EXPECT_EQ(AgeingFlag(5, kEmptyDate, kEmptyDate, today), "+");
}

TEST(ArticleCards, CodesAreTrimmedUpperAndPadded) {
  EXPECT_EQ(NormalIndeks("  ab1 "), "AB1     ");
  EXPECT_EQ(NormalIndeks("abcdefghij"), "ABCDEFGH");
}

TEST(SearchPrefix, GrowsToItsLimitAndBackspaceClears) {
  SearchPrefix p(9);
  for (char c : std::string("1abcdefgh")) {
    auto next = p.Candidate(c);
    ASSERT_TRUE(next.has_value());
    p.Accept(*next);
  }
  EXPECT_EQ(p.text(), "1ABCDEFGH");
  EXPECT_FALSE(p.Candidate('x').has_value());  // the tenth character does not extend it
  SearchPrefix one(9);
  one.Accept(*one.Candidate('1'));
  EXPECT_TRUE(one.Backspace());
  EXPECT_TRUE(one.empty());
  EXPECT_FALSE(one.Backspace());
  EXPECT_TRUE(IsSearchCharacter('a'));
  EXPECT_FALSE(IsSearchCharacter(13));
  EXPECT_FALSE(IsSearchCharacter(-3));
}

TEST(TaxNumber, ChecksumLengthForeignAndPesel) {
  EXPECT_EQ(CheckNip("5260250274", false), NipCheck::kGood);
  EXPECT_EQ(CheckNip("526-025-02-74", false), NipCheck::kGood);
  EXPECT_EQ(CheckNip("PL5260250274", false), NipCheck::kGood);
  EXPECT_EQ(CheckNip("5260250275", false), NipCheck::kBadChecksum);
  // Remainder 10 never matches one digit.
  for (char last = '0'; last <= '9'; ++last) {
    EXPECT_EQ(CheckNip(std::string("123456789") + last, false), NipCheck::kBadChecksum) << last;
  }
  EXPECT_EQ(CheckNip("526025027", false), NipCheck::kBadLength);
  EXPECT_EQ(CheckNip("52602502744", false), NipCheck::kBadLength);
  EXPECT_EQ(CheckNip("52602502744", true), NipCheck::kGood);
  EXPECT_EQ(CheckNip("", false), NipCheck::kGood);
  EXPECT_EQ(CheckNip("DE123", false), NipCheck::kGood);
  EXPECT_EQ(CheckNip("0123456789", false), NipCheck::kGood);
}

TEST(Books, TitlesRightsAndAreas) {
  ASSERT_NE(Book(1), nullptr);
  EXPECT_EQ(Book(1)->area, 3);
  EXPECT_EQ(Book(2)->area, 103);
  EXPECT_EQ(Book(3)->area, 104);
  EXPECT_EQ(Book(4)->area, 203);
  EXPECT_EQ(Book(5)->area, 204);
  EXPECT_EQ(Book(0), nullptr);
  EXPECT_EQ(Book(6), nullptr);
  EXPECT_TRUE(BookDenied(*Book(1), "-M03 -RO"));
  EXPECT_FALSE(BookDenied(*Book(2), "-RO"));
  EXPECT_TRUE(BookDenied(*Book(2), "-R*"));
  EXPECT_TRUE(BookDenied(*Book(3), "-R?"));
  EXPECT_FALSE(BookDenied(*Book(5), "-R* -RO"));  // the notebook is never denied
}

TEST(Books, BalanceColumnsAndDeletion) {
  AccountAmounts a{.bown = 100, .boma = 30, .obnawn = 10, .obnama = 0, .obwn = 0, .obma = 50};
  EXPECT_DOUBLE_EQ(SaldoWn(a), 30);
  EXPECT_DOUBLE_EQ(SaldoMa(a), 0);
  a.obma = 100;
  EXPECT_DOUBLE_EQ(SaldoWn(a), 0);
  EXPECT_DOUBLE_EQ(SaldoMa(a), 20);

  EXPECT_TRUE(AccountDeletable({}));
  EXPECT_TRUE(AccountDeletable({.bown = 10, .boma = 4, .poma = 6}));
  // Zero balance but turnover this month.
  EXPECT_FALSE(AccountDeletable({.obwn = 50, .obma = 50}));
  EXPECT_FALSE(AccountDeletable({.bown = 10}));
  // Compared at two decimals: float noise does not block deletion.
  EXPECT_TRUE(AccountDeletable({.bown = 0.1 + 0.2, .boma = 0.3}));
}

}  // namespace
}  // namespace hurt::catalogues
