#include "xbase/key_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/date.h"
#include "xbase/expr_key.h"

namespace hurt::xbase {
namespace {

TEST(KeyEncodingTest, CharacterKeysArePaddedOrCut) {
  EXPECT_EQ(*EncodeKey(Value("AB"), {5, 0}), "AB   ");
  EXPECT_EQ(*EncodeKey(Value("ABCDEFG"), {5, 0}), "ABCDE");
  EXPECT_EQ(*EncodeKey(Value(""), {3, 0}), "   ");
}

TEST(KeyEncodingTest, DatesAndLogicals) {
  EXPECT_EQ(*EncodeKey(Value(Date{JulianFromYmd(2026, 3, 7)}), {8, 0}), "20260307");
  EXPECT_EQ(*EncodeKey(Value(Date{}), {8, 0}), "        ");
  EXPECT_EQ(*EncodeKey(Value(true), {1, 0}), "T");
  EXPECT_EQ(*EncodeKey(Value(false), {1, 0}), "F");
}

TEST(KeyEncodingTest, NilIsRefused) {
  EXPECT_TRUE(EncodeKey(Value(), {4, 0}).status().IsInvalid());
  EXPECT_TRUE(EncodeKey(Value("x"), {0, 0}).status().IsInvalid());
}

TEST(KeyEncodingTest, PositiveNumbersGetLeadingZeros) {
  EXPECT_EQ(NumericKey(12.5, 7, 2), "0012.50");
  EXPECT_EQ(NumericKey(0, 5, 0), "00000");
  EXPECT_EQ(NumericKey(7, 3, 0), "007");
  EXPECT_EQ(*EncodeKey(Value(1234.567), {10, 2}), "0001234.57");
}

TEST(KeyEncodingTest, NegativeNumbersUseTheComplementDigits) {
  // STR(-12.5, 7, 2) = " -12.50" -> "0-12.50" -> "0012.50" -> every digit d becomes 44 - d.
  EXPECT_EQ(NumericKey(-12.5, 7, 2), ",,+*.',");
  EXPECT_EQ(NumericKey(-9, 2, 0), ",#");
  // Negative zero reads as zero.
  EXPECT_EQ(NumericKey(-0.001, 5, 2), "00.00");
}

TEST(KeyEncodingTest, NumericKeysSortLikeTheNumbers) {
  std::vector<double> values = {-99999.99, -1234.5, -100, -99.99, -10, -9.5, -1, -0.01, 0,
                                0.01,      0.5,     1,    9.99,   10,  99,   100, 1234.5, 99999.99};
  std::vector<std::string> keys;
  for (double v : values) keys.push_back(NumericKey(v, 9, 2));
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
  for (size_t i = 0; i < values.size(); ++i) {
    ASSERT_TRUE(NumericKeyValue(keys[i]).has_value()) << keys[i];
    EXPECT_DOUBLE_EQ(*NumericKeyValue(keys[i]), values[i]) << keys[i];
  }
}

TEST(KeyEncodingTest, NumbersTooWideGiveAsterisks) {
  EXPECT_EQ(NumericKey(123456, 4, 0), "****");
  EXPECT_EQ(NumericKey(1e300 * 1e300, 4, 0), "****");  // infinity
}

TEST(KeyEncodingTest, NumericKeyValueRejectsOtherText) {
  EXPECT_FALSE(NumericKeyValue("").has_value());
  EXPECT_FALSE(NumericKeyValue("12A4").has_value());
  EXPECT_FALSE(NumericKeyValue("1.2.3").has_value());
}

TEST(KeyEncodingTest, SeekKeysOfTextAreNotPadded) {
  EXPECT_EQ(*EncodeSeekKey(Value("AB"), {8, 0}), "AB");
  EXPECT_EQ(*EncodeSeekKey(Value("AB  "), {8, 0}), "AB  ");  // trailing blanks count
  EXPECT_EQ(*EncodeSeekKey(Value("ABCDEFGHIJ"), {8, 0}), "ABCDEFGH");
  EXPECT_EQ(*EncodeSeekKey(Value(-5), {4, 1}), NumericKey(-5, 4, 1));
  EXPECT_EQ(*EncodeSeekKey(Value(Date{JulianFromYmd(2025, 12, 31)}), {8, 0}), "20251231");
}

TEST(KeyEncodingTest, AgreesWithTheExpressionKeys) {
  // The expression layer builds keys of records; seeks and index maintenance use these:
  // both must give the same bytes.
  for (int len : {4, 7, 10, 12}) {
    for (int dec : {0, 2, 3}) {
      if (dec + 2 > len) continue;
      for (double x : {-1e9, -123.456, -99.995, -1.0, -0.004, 0.0, 0.5, 7.0, 99.995, 4321.0, 1e12}) {
        std::string theirs;
        AppendNumericKey(x, len, dec, &theirs);
        EXPECT_EQ(NumericKey(x, len, dec), theirs) << x << " " << len << " " << dec;
      }
    }
  }
  KeyShape shape{ValueType::kCharacter, 6, 0};
  std::string theirs;
  ASSERT_TRUE(AppendKeyOf(Value("AB"), shape, &theirs).ok());
  EXPECT_EQ(*EncodeKey(Value("AB"), {6, 0}), theirs);
}

}  // namespace
}  // namespace hurt::xbase
