#include "base/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace hurt {
namespace {

// A plain formatter to check the allocation-free one against: the value printed at 15
// significant digits, then rounded half away from zero on the text.
std::string ReferenceFixed(double x, int dec) {
  std::string digits = "0";
  int int_digits = 1;
  const bool negative = x < 0;
  if (std::isfinite(x) && x != 0.0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
    std::string s(buf);
    size_t e = s.find('e');
    digits = s.substr(0, 1) + s.substr(2, e - 2);
    int_digits = std::stoi(s.substr(e + 1)) + 1;
  }
  int keep = int_digits + dec;
  if (keep < 0) {
    digits = "0";
    int_digits = 1;
  } else if (keep < static_cast<int>(digits.size())) {
    bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    for (int i = keep - 1; up; --i) {
      if (i < 0) {
        digits.insert(digits.begin(), '1');
        ++int_digits;
        break;
      }
      char& d = digits[static_cast<size_t>(i)];
      up = d == '9';
      d = up ? '0' : static_cast<char>(d + 1);
    }
    if (digits.empty()) {
      digits = "0";
      int_digits = 1;
    }
  }
  auto at = [&](int k) { return k >= 0 && k < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(k)] : '0'; };
  std::string whole, frac;
  for (int i = 0; i < int_digits; ++i) whole += at(i);
  for (int i = 0; i < dec; ++i) frac += at(int_digits + i);
  size_t nz = whole.find_first_not_of('0');
  whole = nz == std::string::npos ? "0" : whole.substr(nz);
  bool zero = whole == "0" && frac.find_first_not_of('0') == std::string::npos;
  return (negative && !zero ? "-" : "") + whole + (dec > 0 ? "." + frac : "");
}

TEST(FormatFixed, MatchesThePlainFormatter) {
  const double cases[] = {0.0,   -0.0,  0.5,     -0.5,     0.4999999, 1.005,  2.675,    -2.675,  0.045,
                          9.995, 1e15,  1e16,    0.000001, 1e-20,     -1e-20, 999.9995, -0.0049, 1e300,
                          -1e308, 4.35, 1234567.891, 7.0000000000000005, 99999999999999.95};
  for (double x : cases) {
    for (int dec = 0; dec <= 15; ++dec) ASSERT_EQ(FormatFixed(x, dec), ReferenceFixed(x, dec)) << x << "," << dec;
  }
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-8, 14);
  std::uniform_int_distribution<int> dec_of(0, 8);
  for (int i = 0; i < 200000; ++i) {
    double x = mantissa(rng) * std::pow(10.0, exponent(rng));
    if (i % 3 == 0) x = std::round(x * 1000) / 1000;  // values that sit on decimal boundaries
    const int dec = dec_of(rng);
    ASSERT_EQ(FormatFixed(x, dec), ReferenceFixed(x, dec)) << x << "," << dec;
  }
  EXPECT_EQ(FormatFixed(std::nan(""), 2), "0.00");
  EXPECT_EQ(FormatFixed(-1e308, 0).size(), 310u);
}

// Numbers written to fields mostly have no more decimals than the field: the shorter road
// FormatFixed takes for them must give what the 15 digits give, also for the doubles
// just beside them.
TEST(FormatFixed, NumbersOfFewDecimalsMatchThePlainFormatter) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<int> digits_of(1, 16);
  std::uniform_int_distribution<int> dec_of(0, 15);
  for (int i = 0; i < 300000; ++i) {
    const int digits = digits_of(rng);
    const auto m = static_cast<int64_t>(rng() % static_cast<uint64_t>(std::pow(10.0, digits))) * (i % 2 ? -1 : 1);
    const int dec = dec_of(rng);
    const int scale = i % 4 == 0 ? dec_of(rng) : dec;
    const double x = static_cast<double>(m) / std::pow(10.0, scale);
    for (double y : {x, std::nextafter(x, 1e300), std::nextafter(x, -1e300)}) {
      ASSERT_EQ(FormatFixed(y, dec), ReferenceFixed(y, dec)) << m << "e-" << scale << "," << dec;
    }
  }
  EXPECT_EQ(FormatFixed(-0.0, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.25, 1), "-0.3");
  EXPECT_EQ(FormatFixed(-0.004, 2), "0.00");
  EXPECT_EQ(FormatFixed(999999999999999.0, 0), "999999999999999");
  EXPECT_EQ(FormatFixed(0.5, 0), "1");
  EXPECT_EQ(FormatFixed(12.5, 3), "12.500");
}

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

// Rounding takes a short cut away from the halves; it must give what reading the
// rounded text gives, bit for bit, for amounts of every size and right at the halves.
TEST(RoundHalfAway, AgreesWithTheRoundedTextEverywhere) {
  std::mt19937_64 rng(20261210);
  std::uniform_real_distribution<double> unit(0, 1);
  auto by_text = [](double x, int dec) { return std::strtod(FormatFixed(x, dec).c_str(), nullptr); };
  for (int i = 0; i < 400000; ++i) {
    const int dec = static_cast<int>(rng() % 7);
    const double magnitude = std::pow(10.0, static_cast<double>(rng() % 16) - 3);
    double x = unit(rng) * magnitude;
    if (i % 3 == 0) {
      // Right at a half of the last kept decimal, give or take a few units in the last place.
      const double scale = std::pow(10.0, dec);
      x = (std::floor(x * scale) + 0.5) / scale;
      for (int k = static_cast<int>(rng() % 7) - 3; k != 0; k += k > 0 ? -1 : 1) {
        x = std::nextafter(x, k > 0 ? 1e300 : 0.0);
      }
    }
    if (rng() % 2 != 0) x = -x;
    const double fast = RoundHalfAway(x, dec);
    const double slow = by_text(x, dec);
    ASSERT_EQ(std::signbit(fast), std::signbit(slow)) << x << " dec " << dec;
    ASSERT_EQ(fast, slow) << FormatFixed(x, 17) << " dec " << dec;
    ASSERT_EQ(NewRound(x, dec), by_text(x < 0 ? x - 0.00000001 : x + 0.00000001, dec));
  }
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
  EXPECT_DOUBLE_EQ(Val(" +.5"), 0.5);
  EXPECT_DOUBLE_EQ(Val("5."), 5.0);
  EXPECT_DOUBLE_EQ(Val("-"), 0.0);
  EXPECT_DOUBLE_EQ(Val(" -.x"), 0.0);
  EXPECT_DOUBLE_EQ(Val("  -1234567.891"), -1234567.891);
  EXPECT_EQ(Val("0.1"), 0.1);  // the nearest double, as strtod reads it
}

// Field texts of up to 15 digits are read without the general parser: the same doubles.
TEST(Val, ReadsFieldTextsAsStrtodDoes) {
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<int> digits_of(1, 20);
  for (int i = 0; i < 300000; ++i) {
    const int digits = digits_of(rng);
    std::string number;
    for (int d = 0; d < digits; ++d) number += static_cast<char>('0' + rng() % 10);
    const size_t point = rng() % (number.size() + 2);
    if (point <= number.size()) number.insert(point, ".");
    if (rng() % 2) number.insert(0, "-");
    const std::string field = std::string(rng() % 4, ' ') + number;
    ASSERT_EQ(Val(field), std::strtod(number.c_str(), nullptr)) << "[" << field << "]";
  }
  EXPECT_EQ(Val("123456789012345"), 123456789012345.0);
  EXPECT_EQ(Val("1234567890123456789"), 1234567890123456789.0);
  EXPECT_EQ(Val("0.000000000000001"), 1e-15);
  EXPECT_TRUE(std::signbit(Val("-0.00")));
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
