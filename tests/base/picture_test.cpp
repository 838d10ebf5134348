#include "base/picture.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/date.h"

namespace hurt {
namespace {

using namespace hurt::literals;

TEST(PictureParse, SplitsFunctionsFromTemplate) {
  Picture p = ParsePicture("@Z 9999999.99");
  EXPECT_TRUE(p.blank_zero);
  EXPECT_EQ(p.mask, "9999999.99");

  p = ParsePicture("@KS20!");
  EXPECT_TRUE(p.clear_on_key);
  EXPECT_TRUE(p.upper);
  EXPECT_EQ(p.scroll_width, 20);
  EXPECT_EQ(p.mask, "");

  p = ParsePicture("!!-!!!");
  EXPECT_FALSE(p.upper);
  EXPECT_EQ(p.mask, "!!-!!!");
}

TEST(TransformNumber, RightAlignsAndRoundsToTheTemplate) {
  EXPECT_EQ(TransformNumber(1234.5, "9999999.99"), "   1234.50");
  EXPECT_EQ(TransformNumber(2.675, "99.99"), " 2.68");  // rounds as the amount reads
  EXPECT_EQ(TransformNumber(-2.5, "9999.99"), "  -2.50");
  EXPECT_EQ(TransformNumber(0.5, "999.99"), "  0.50");
  EXPECT_EQ(TransformNumber(7, "999"), "  7");
  EXPECT_EQ(TransformNumber(-0.001, "99.99"), " 0.00");  // no minus for a zero
}

TEST(TransformNumber, ThousandsSeparatorsOnlyBetweenDigits) {
  EXPECT_EQ(TransformNumber(1234567.891, "999,999,999.99"), "  1,234,567.89");
  EXPECT_EQ(TransformNumber(5, "999,999.99"), "      5.00");
  EXPECT_EQ(TransformNumber(-1234, "999,999"), " -1,234");
  EXPECT_EQ(TransformNumber(-123, "999,999"), "   -123");
}

TEST(TransformNumber, EuropeanSwapsPointAndComma) {
  EXPECT_EQ(TransformNumber(1234.5, "@E 999,999.99"), "  1.234,50");
  EXPECT_EQ(TransformNumber(12.5, "@E"), "      12,5");
}

TEST(TransformNumber, BlankZero) {
  EXPECT_EQ(TransformNumber(0, "@Z 9999999.99"), "          ");
  EXPECT_EQ(TransformNumber(0.004, "@Z 9999999.99"), "          ");  // zero at two decimals
  EXPECT_EQ(TransformNumber(0.01, "@Z 9999999.99"), "      0.01");
  EXPECT_EQ(TransformNumber(0, "@Z 999999999999.99"), std::string(15, ' '));
}

TEST(TransformNumber, OverflowShowsStarsNotACutNumber) {
  EXPECT_EQ(TransformNumber(12345, "999.99"), "***.**");
  EXPECT_EQ(TransformNumber(-100, "999"), "***");  // no room for the sign
  EXPECT_EQ(TransformNumber(1e20, "9999999999.99"), "**********.**");
  EXPECT_EQ(TransformNumber(-0.5, "9.99"), "-.50");  // the leading zero gives way to the sign
}

TEST(TransformNumber, OtherFunctions) {
  EXPECT_EQ(TransformNumber(12.5, "@B 9999.99"), "12.50  ");
  EXPECT_EQ(TransformNumber(-12.5, "@( 9999.99"), "(12.50)");
  EXPECT_EQ(TransformNumber(12.5, "@C 99.99"), "12.50 CR");
  EXPECT_EQ(TransformNumber(-12.5, "@X 99.99"), "12.50 DB");
  EXPECT_EQ(TransformNumber(42, "@Z"), "        42");
  EXPECT_EQ(TransformNumber(1.25, ""), "      1.25");
  EXPECT_EQ(TransformNumber(5, "*****.99"), "****5.00");
}

TEST(TransformText, TemplateSymbolsAndLiterals) {
  EXPECT_EQ(TransformText("ab-cde", "!!-!!!"), "AB-CDE");
  EXPECT_EQ(TransformText("abcdef", "!!-!!!"), "AB-DEF");  // the literal stands in for "c"
  EXPECT_EQ(TransformText("00950", "@R 99-999"), "00-950");  // @R inserts it
  EXPECT_EQ(TransformText("zażółć"_pl, "@!"), std::string("ZAŻÓŁĆ"_pl));
  EXPECT_EQ(TransformText("ab", "XXXX"), "ab  ");
  EXPECT_EQ(TransformText("abcdef", "XXX"), "abc");
  EXPECT_EQ(TransformText("abc", ""), "abc");
}

TEST(TransformOther, DatesAndLogicals) {
  EXPECT_EQ(TransformDate(JulianFromYmd(2024, 3, 9), ""), "09.03.2024");
  EXPECT_EQ(TransformDate(kEmptyDate, "@D"), "  .  .    ");
  EXPECT_EQ(TransformLogical(true, ""), "T");
  EXPECT_EQ(TransformLogical(false, "L"), "F");
  EXPECT_EQ(TransformLogical(true, "Y"), "Y");
  EXPECT_EQ(TransformLogical(false, "Y"), "N");
}

TEST(AcceptTyped, EachSymbolTakesItsCharacters) {
  EXPECT_EQ(AcceptTyped('9', '5', false, false), '5');
  EXPECT_EQ(AcceptTyped('9', 'a', false, false), std::nullopt);
  EXPECT_EQ(AcceptTyped('9', '-', false, false), std::nullopt);
  EXPECT_EQ(AcceptTyped('9', '-', true, false), '-');
  EXPECT_EQ(AcceptTyped('A', "ł"_pl[0], false, false), "ł"_pl[0]);
  EXPECT_EQ(AcceptTyped('A', '1', false, false), std::nullopt);
  EXPECT_EQ(AcceptTyped('N', '1', false, false), '1');
  EXPECT_EQ(AcceptTyped('N', '-', false, false), std::nullopt);
  EXPECT_EQ(AcceptTyped('!', "ż"_pl[0], false, false), "Ż"_pl[0]);
  EXPECT_EQ(AcceptTyped('X', "ż"_pl[0], false, true), "Ż"_pl[0]);
  EXPECT_EQ(AcceptTyped('L', 't', false, false), 'T');
  EXPECT_EQ(AcceptTyped('L', 'n', false, false), 'F');
  EXPECT_EQ(AcceptTyped('Y', 't', false, false), 'Y');
  EXPECT_EQ(AcceptTyped('#', ' ', false, false), ' ');
  EXPECT_EQ(AcceptTyped('X', '\x08', false, false), std::nullopt);
}

TEST(UntransformNumber, ReadsWhatTheFieldShows) {
  EXPECT_DOUBLE_EQ(UntransformNumber("  1,234.50", ParsePicture("999,999.99")), 1234.5);
  EXPECT_DOUBLE_EQ(UntransformNumber("  1.234,50", ParsePicture("@E 999,999.99")), 1234.5);
  EXPECT_DOUBLE_EQ(UntransformNumber("  -12.00", ParsePicture("99999.99")), -12);
  EXPECT_DOUBLE_EQ(UntransformNumber("12    .  ", ParsePicture("999999.99")), 12);
  EXPECT_DOUBLE_EQ(UntransformNumber(" (12.50)", ParsePicture("@( 9999.99")), -12.5);
}

}  // namespace
}  // namespace hurt
