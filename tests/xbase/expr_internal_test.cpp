// The evaluator's own fast number routines give exactly what the base helpers give.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/numeric.h"
#include "xbase/expr_ast.h"

namespace hurt::xbase::expr_internal {
namespace {

std::string Fast(double x, int width, int dec) {
  std::string out = "#";
  AppendStr(x, width, dec, &out);
  return out.substr(1);
}

TEST(ExprStr, SameTextAsBaseStr) {
  std::mt19937_64 rng(12345);
  std::uniform_int_distribution<long long> cents(-2'000'000'000LL, 2'000'000'000LL);
  std::uniform_int_distribution<int> scale(0, 8);
  std::uniform_int_distribution<int> width(1, 25);
  std::uniform_int_distribution<int> dec(0, 8);
  std::uniform_real_distribution<double> any(-1e6, 1e6);
  int checked = 0;
  for (int i = 0; i < 200000; ++i) {
    // Decimal-looking values (halves included) and arbitrary doubles.
    double x = i % 2 == 0 ? static_cast<double>(cents(rng)) / std::pow(10.0, scale(rng)) : any(rng);
    int w = width(rng), d = dec(rng);
    ASSERT_EQ(Fast(x, w, d), Str(x, w, d)) << x << " " << w << " " << d;
    ++checked;
  }
  const double edge[] = {0.0,  -0.0,   0.5,     -0.5,    2.675, -2.675, 1.005, 0.125, 9.995, 99.995, 999999.995,
                         1e15, -1e15, 1e-20, -1e-20, 1e300, 5e-324, 0.05,  0.0049, 123456789012345.6};
  for (double x : edge)
    for (int w = 1; w <= 25; ++w)
      for (int d = 0; d <= 15; ++d) ASSERT_EQ(Fast(x, w, d), Str(x, w, d)) << x << " " << w << " " << d;
  EXPECT_EQ(checked, 200000);
}

TEST(ExprParseNumber, SameValueAsBaseVal) {
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<long long> n(-999'999'999'999'999LL, 999'999'999'999'999LL);
  std::uniform_int_distribution<int> dec(0, 15);
  for (int i = 0; i < 100000; ++i) {
    std::string text = "  " + FormatFixed(static_cast<double>(n(rng)) / std::pow(10.0, dec(rng)), dec(rng));
    ASSERT_EQ(ParseNumber(text), Val(text)) << text;
  }
  for (const char* text : {"", " ", "-", "+", ".", "-.", "1.", ".5", "-0.00", "12.50", "  -3.500", "1.2.3", "7abc",
                           "****", "12345678901234567890", "0.1234567890123456789", "+4"}) {
    EXPECT_EQ(ParseNumber(text), Val(text)) << text;
  }
}

}  // namespace
}  // namespace hurt::xbase::expr_internal
