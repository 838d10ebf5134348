#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/text.h"

namespace hurt {
namespace {

using namespace literals;

TEST(Cp852, LiteralsAreConvertedAtCompileTime) {
  constexpr std::string_view s = "Łódź ąę"_pl;
  static_assert(s.size() == 7);
  EXPECT_EQ(static_cast<unsigned char>(s[0]), 0x9D);  // Ł
  EXPECT_EQ(static_cast<unsigned char>(s[1]), 0xA2);  // ó
  EXPECT_EQ(static_cast<unsigned char>(s[5]), 0xA5);  // ą
  EXPECT_EQ("═║╔█▒"_pl, "\xCD\xBA\xC9\xDB\xB1");
}

TEST(Cp852, RoundTripsEveryByteThroughUtf8) {
  std::string all;
  for (int b = 32; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp852(Cp852ToUtf8(all)), all);
  EXPECT_EQ(Cp852ToUtf8("\x9D\xA2\x64\xAB"), "Łódź");
  EXPECT_EQ(Utf8ToCp852("€ x"), "? x");
  EXPECT_EQ(Utf8ToCp852("\xC5"), "?");  // a cut UTF-8 sequence
}

TEST(Text, XbaseSlicingAndPadding) {
  EXPECT_EQ(Substr("ABCDEF", 2, 3), "BCD");
  EXPECT_EQ(Substr("ABC", 5, 2), "");
  EXPECT_EQ(Substr("ABC", 0, 2), "AB");
  EXPECT_EQ(Left("ABC", 5), "ABC");
  EXPECT_EQ(Right("ABC", 2), "BC");
  EXPECT_EQ(PadR("AB", 4), "AB  ");
  EXPECT_EQ(PadL("ABCDE", 3), "ABC");
  EXPECT_EQ(PadC("AB", 5), " AB  ");
  EXPECT_EQ(AllTrim("  x y  "), "x y");
  EXPECT_EQ(At("CD", "ABCD"), 3u);
  EXPECT_EQ(At("X", "ABCD"), 0u);
  EXPECT_EQ(RemoveBlanks(" a s .dbf"), "as.dbf");
}

TEST(Text, PrefixEqualityAndCase) {
  EXPECT_TRUE(XbaseEquals("KIEROWCA_EPSON", "KIEROWCA"));
  EXPECT_TRUE(XbaseEquals("abc", ""));
  EXPECT_FALSE(XbaseEquals("AB", "ABC"));
  EXPECT_EQ(Upper("ąbc"_pl), "ąBC"_pl);
  EXPECT_EQ(UpperPl("zażółć"_pl), "ZAŻÓŁĆ"_pl);
}

}  // namespace
}  // namespace hurt
