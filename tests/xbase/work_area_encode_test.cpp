// The allocation-free field encoder of Replace gives exactly the bytes of EncodeFieldValue.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/date.h"
#include "base/numeric.h"
#include "xbase/record.h"
#include "xbase/work_area_internal.h"

namespace hurt::xbase {
namespace {

void ExpectSameAsReference(double x, int width, int dec) {
  std::string fast(static_cast<size_t>(width), '?');
  bool fits = EncodeNumberField(x, width, dec, fast.data());
  std::string reference = NumericFieldText(x, width, dec);
  ASSERT_EQ(fits, !reference.empty()) << x << " " << width << "," << dec;
  if (fits) {
    ASSERT_EQ(fast, reference) << x << " " << width << "," << dec;
  }
}

// The digits themselves are checked in FormatFixed's tests; here the width, the padding and
// what does not fit.
TEST(WorkAreaEncodeTest, NumbersMatchTheReferenceFormatter) {
  const double cases[] = {0.0,    -0.0,     0.5,      -0.5,     0.4999999,  1.005,    2.675,   -2.675,
                          0.045,  9.995,    99999.6,  -99999.6, 1e15,       1e16,     123456.789, 0.000001,
                          1e-20,  -1e-20,   5e-7,     -5e-7,    999.9995,   12.345,   -0.0049, 1e300,
                          4.35,   1.15,     0.125,    -0.125,   1234567.891, 7.0000000000000005};
  for (double x : cases) {
    for (int width : {1, 3, 5, 10, 12, 16, 18, 19}) {
      for (int dec : {0, 1, 2, 3, 6}) {
        if (dec > 0 && dec > width - 2) continue;
        ExpectSameAsReference(x, width, dec);
      }
    }
  }
  char out[4];
  EXPECT_FALSE(EncodeNumberField(std::nan(""), 4, 0, out));
  EXPECT_FALSE(EncodeNumberField(HUGE_VAL, 4, 0, out));
}

TEST(WorkAreaEncodeTest, NumbersReadAsValReadsThem) {
  const char* cases[] = {"", "   ", "-", "+", ".", "-0", "0", "  12.50", "-12.5", "1e5", "12.3.4", "  -0.000",
                         "123456789012345", "1234567890123456", "0.1234567890123456789012345", "00000000000001.5",
                         "999999999999999.9", " 1 2", "*****", "12,5", "0.30000000000000004"};
  for (const char* text : cases) {
    double fast = DecodeNumberField(text);
    double reference = Val(text);
    EXPECT_EQ(std::signbit(fast), std::signbit(reference)) << text;
    EXPECT_EQ(fast, reference) << text;
  }
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-6, 14);
  std::uniform_int_distribution<int> dec_of(0, 6);
  std::string field(19, ' ');
  for (int i = 0; i < 200000; ++i) {
    double x = mantissa(rng) * std::pow(10.0, exponent(rng));
    if (!EncodeNumberField(x, 19, dec_of(rng), field.data())) continue;
    ASSERT_EQ(DecodeNumberField(field), Val(field)) << field;
  }
}

TEST(WorkAreaEncodeTest, OtherTypesMatchEncodeFieldValue) {
  const DbfFieldDescriptor c{"NAZWA", 'C', 6, 0};
  const DbfFieldDescriptor d{"DATA", 'D', 8, 0};
  const DbfFieldDescriptor l{"OK", 'L', 1, 0};
  const DbfFieldDescriptor n{"ILOSC", 'N', 8, 2};
  const Value values[] = {Value("abc"),      Value("abcdefgh"), Value(""), Value(Date{JulianFromYmd(2026, 3, 14)}),
                          Value(Date{}),     Value(true),       Value(false), Value(12.345), Value(),
                          Value(Date{JulianFromYmd(1, 1, 1) - 1})};
  std::string out;
  for (const auto* field : {&c, &d, &l, &n}) {
    for (const Value& v : values) {
      auto reference = EncodeFieldValue(*field, v);
      bool ok = EncodeFieldInto(*field, v, &out);
      EXPECT_EQ(ok, reference.ok()) << field->name;
      if (ok && reference.ok()) {
        EXPECT_EQ(out, *reference) << field->name;
      }
    }
  }
}

}  // namespace
}  // namespace hurt::xbase
