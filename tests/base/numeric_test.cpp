#include "base/numeric.h"

#include <gtest/gtest.h>

namespace hurt {
namespace {

TEST(NewRound, RoundsHalvesAwayFromZeroAsTheValueReads) {
  EXPECT_DOUBLE_EQ(NewRound(2.675, 2), 2.68);
  EXPECT_DOUBLE_EQ(NewRound(-2.675, 2), -2.68);
  EXPECT_DOUBLE_EQ(NewRound(1.005, 2), 1.01);
  EXPECT_DOUBLE_EQ(NewRound(0.125, 2), 0.13);
  EXPECT_DOUBLE_EQ(NewRound(2.5), 3.0);
  EXPECT_DOUBLE_EQ(NewRound(-2.5), -3.0);
  EXPECT_DOUBLE_EQ(NewRound(0.1 * 3, 2), 0.3);
  EXPECT_DOUBLE_EQ(NewRound(12345678.125, 2), 12345678.13);
  EXPECT_DOUBLE_EQ(NewRound(-0.004, 2), 0.0);
}

TEST(MRound, AddsTheNudgeWhateverTheSign) {
  EXPECT_DOUBLE_EQ(MRound(2.345), 2.35);
  EXPECT_DOUBLE_EQ(MRound(-2.345), -2.34);
  EXPECT_DOUBLE_EQ(MRound(2.675), 2.68);
  EXPECT_DOUBLE_EQ(MRound(-2.675), -2.67);
  EXPECT_DOUBLE_EQ(MRound(1.23456, 3), 1.235);
}

TEST(Str, RightAlignsWithFixedDecimalsAndStarsWhenTooWide) {
  EXPECT_EQ(Str(5, 3), "  5");
  EXPECT_EQ(Str(2.675, 6, 2), "  2.68");
  EXPECT_EQ(Str(-1.5, 6, 2), " -1.50");
  EXPECT_EQ(Str(123456, 4), "****");
  EXPECT_EQ(Str(42, 6, 0), "    42");
  EXPECT_EQ(Str(-0.001, 6, 2), "  0.00");
  EXPECT_EQ(Str(0.5, 1), "1");
  EXPECT_EQ(Str(99.999, 5, 2), "*****");
  EXPECT_EQ(Str(1e15, 19, 2), "1000000000000000.00");
}

TEST(Val, ReadsLeadingNumberAndIgnoresTheRest) {
  EXPECT_DOUBLE_EQ(Val("  12.50"), 12.5);
  EXPECT_DOUBLE_EQ(Val("-3"), -3.0);
  EXPECT_DOUBLE_EQ(Val("7abc"), 7.0);
  EXPECT_DOUBLE_EQ(Val(""), 0.0);
  EXPECT_DOUBLE_EQ(Val("abc"), 0.0);
  EXPECT_DOUBLE_EQ(Val("1.2.3"), 1.2);
}

TEST(NumericFieldText, RefusesValuesWiderThanTheField) {
  EXPECT_EQ(NumericFieldText(12.5, 8, 2), "   12.50");
  EXPECT_EQ(NumericFieldText(-99999.99, 9, 2), "-99999.99");
  EXPECT_EQ(NumericFieldText(-99999.99, 8, 2), "");
  EXPECT_EQ(NumericFieldText(100, 2, 0), "");
}

TEST(SameAmount, ComparesAsTwoDecimalText) {
  EXPECT_TRUE(SameAmount(0.1 + 0.2, 0.3));
  EXPECT_TRUE(SameAmount(10.004, 9.996));
  EXPECT_FALSE(SameAmount(10.005, 10.004));
}

}  // namespace
}  // namespace hurt
