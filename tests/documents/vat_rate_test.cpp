#include "documents/vat_rate.h"

#include <gtest/gtest.h>

namespace hurt::documents {
namespace {

DocKind Kind(std::string rd, char r_p, char s_z, std::string opis = "") {
  DocKind kind;
  kind.rd = std::move(rd);
  kind.r_p = r_p;
  kind.s_z = s_z;
  kind.opis = std::move(opis);
  return kind;
}

TEST(RateOfCode, ReadsCodesOfEveryWidth) {
  EXPECT_DOUBLE_EQ(RateOfCode("23"), 23);
  EXPECT_DOUBLE_EQ(RateOfCode(" 8"), 8);
  EXPECT_DOUBLE_EQ(RateOfCode(" 0"), 0);
  EXPECT_DOUBLE_EQ(RateOfCode("ZW"), 0);
  EXPECT_DOUBLE_EQ(RateOfCode("np"), 0);
  EXPECT_DOUBLE_EQ(RateOfCode("13.5"), 13.5);
  EXPECT_DOUBLE_EQ(RateOfCode("13,5"), 13.5);
  EXPECT_DOUBLE_EQ(RateOfCode(" 8.0"), 8);
  EXPECT_DOUBLE_EQ(RateOfCode(""), 0);
  EXPECT_DOUBLE_EQ(RateOfCode("-5"), 0);
}

TEST(IntegerRateOf, OnlyWholeRatesUpTo25) {
  EXPECT_EQ(IntegerRateOf("23"), 23);
  EXPECT_EQ(IntegerRateOf(" 5"), 5);
  EXPECT_EQ(IntegerRateOf(" 8.0"), 8);
  EXPECT_EQ(IntegerRateOf("25"), 25);
  EXPECT_EQ(IntegerRateOf(" 0"), 0);
  EXPECT_EQ(IntegerRateOf("ZW"), 0);
  EXPECT_EQ(IntegerRateOf("NP"), 0);
  EXPECT_EQ(IntegerRateOf("13.5"), 0);
  EXPECT_EQ(IntegerRateOf("99"), 0);
}

TEST(NormalizeRateCode, TypedRatesBecomeCodes) {
  EXPECT_EQ(NormalizeRateCode("23", false, false).code, "23");
  EXPECT_EQ(NormalizeRateCode("8", false, false).code, " 8");
  EXPECT_EQ(NormalizeRateCode("0 ", false, false).code, " 0");
  EXPECT_EQ(NormalizeRateCode("00", false, false).code, " 0");
  EXPECT_EQ(NormalizeRateCode("zw", false, false).code, "ZW");
  EXPECT_EQ(NormalizeRateCode("NP", false, false).code, "NP");
  EXPECT_DOUBLE_EQ(NormalizeRateCode("NP", false, false).rate, 0);
  EXPECT_EQ(NormalizeRateCode("13,5", true, false).code, "13.5");
  EXPECT_EQ(NormalizeRateCode("8", true, false).code, " 8.0");
}

TEST(NormalizeRateCode, RatesAbove23AreCapped) {
  EXPECT_EQ(NormalizeRateCode("25", false, false).code, "23");
  EXPECT_EQ(NormalizeRateCode("25", false, true).code, "25");
  EXPECT_EQ(NormalizeRateCode("24", false, true).code, "23");
  EXPECT_EQ(NormalizeRateCode("99", false, false).code, "23");
}

TEST(NormalizeRateCode, RefusesWhatIsNotARate) {
  EXPECT_FALSE(NormalizeRateCode("", false, false).accepted);
  EXPECT_FALSE(NormalizeRateCode("-5", false, false).accepted);
  EXPECT_FALSE(NormalizeRateCode("2x", false, false).accepted);
  EXPECT_FALSE(NormalizeRateCode("AB", false, false).accepted);
  // Without the 13.5 marker a fractional rate has no code and would be rounded.
  EXPECT_FALSE(NormalizeRateCode("7.5", false, false).accepted);
}

TEST(VatRateOfLine, ArticleRateByDefault) {
  LineVatRate rate = VatRateOfLine("23", Kind("FV ", 'R', 'S'), false);
  EXPECT_EQ(rate.code, "23");
  EXPECT_DOUBLE_EQ(rate.rate, 23);
  EXPECT_FALSE(rate.forced_by_tag);
}

TEST(VatRateOfLine, ExemptKindTag) {
  LineVatRate rate = VatRateOfLine("23", Kind("FZW", 'R', 'S', "FAKTURA [ZW]"), false);
  EXPECT_EQ(rate.code, "ZW");
  EXPECT_DOUBLE_EQ(rate.rate, 0);
}

TEST(VatRateOfLine, ExportAndOpeningBalanceAreZeroRated) {
  EXPECT_EQ(VatRateOfLine("23", Kind("FE ", 'R', 'S'), false).code, " 0");
  EXPECT_EQ(VatRateOfLine("NP", Kind("FE ", 'R', 'S'), false).code, "NP");
  EXPECT_EQ(VatRateOfLine("23", Kind("FX ", 'R', 'S', "EXPORT"), false).code, " 0");
  EXPECT_EQ(VatRateOfLine("23", Kind("BO ", 'P', 'D'), false).code, " 0");
  // The tag EXPORT does not zero-rate the kinds "S..." nor non-sales.
  EXPECT_EQ(VatRateOfLine("23", Kind("SD ", 'R', 'S', "EXPORT"), false).code, "23");
  EXPECT_EQ(VatRateOfLine("23", Kind("PZ ", 'P', 'Z', "EXPORT"), false).code, "23");
  // "BO" must be the whole code.
  EXPECT_EQ(VatRateOfLine("23", Kind("BOX", 'P', 'D'), false).code, "23");
  // The marker GET_VAT.TXT keeps the article's rate.
  EXPECT_EQ(VatRateOfLine("23", Kind("FE ", 'R', 'S'), true).code, "23");
}

TEST(VatRateOfLine, VatTagForcesTheRate) {
  LineVatRate rate = VatRateOfLine("23", Kind("FV8", 'R', 'S', "FAKTURA VAT=[ 8] NA USLUGI"), false);
  EXPECT_EQ(rate.code, " 8");
  EXPECT_DOUBLE_EQ(rate.rate, 8);
  EXPECT_TRUE(rate.forced_by_tag);
  EXPECT_EQ(VatRateOfLine("23", Kind("FV5", 'R', 'S', "VAT=5"), false).code, " 5");
  EXPECT_EQ(VatRateOfLine("23", Kind("FVZ", 'R', 'S', "VAT=[ZW]"), false).code, "ZW");
  // A broken tag changes nothing.
  EXPECT_EQ(VatRateOfLine("23", Kind("FV ", 'R', 'S', "VAT=[xx]"), false).code, "23");
  // "FAKTURA VAT MARZA" is not a rate tag.
  EXPECT_EQ(VatRateOfLine(" 8", Kind("FM ", 'R', 'S', "FAKTURA VAT MARZA"), false).code, " 8");
}

TEST(RemoveVatTag, DropsOnlyTheTag) {
  EXPECT_EQ(RemoveVatTag("FAKTURA VAT=[ 8] NA USLUGI"), "FAKTURA  NA USLUGI");
  EXPECT_EQ(RemoveVatTag("VAT=5 X"), " X");
  EXPECT_EQ(RemoveVatTag("FAKTURA VAT MARZA"), "FAKTURA VAT MARZA");
}

TEST(DefaultPurchaseRate, FollowsTheKindAndTheFarmersPeriods) {
  EXPECT_EQ(DefaultPurchaseRate(Kind("PZ ", 'P', 'Z'), " 8", "23", 2024, 5), " 8");
  EXPECT_EQ(DefaultPurchaseRate(Kind("PX ", 'P', 'X'), " 5", "23", 2024, 5), " 5");
  EXPECT_EQ(DefaultPurchaseRate(Kind("PD ", 'P', 'D'), " 8", "23", 2024, 5), "23");
  DocKind farmer = Kind("RR ", 'P', 'Z', "ROLNIK");
  EXPECT_EQ(DefaultPurchaseRate(farmer, "23", "23", 2011, 1), " 7");
  EXPECT_EQ(DefaultPurchaseRate(farmer, "23", "23", 2010, 12), " 6");
  EXPECT_EQ(DefaultPurchaseRate(farmer, "23", "23", 2008, 5), " 6");
  EXPECT_EQ(DefaultPurchaseRate(farmer, "23", "23", 2008, 4), " 5");
}

}  // namespace
}  // namespace hurt::documents
