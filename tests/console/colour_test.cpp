#include "console/colour.h"

#include <gtest/gtest.h>

namespace hurt::console {
namespace {

Attr A(std::string_view text) {
  auto a = ParseAttr(text);
  EXPECT_TRUE(a.ok()) << text << ": " << a.status().ToString();
  return a.ok() ? *a : Attr{};
}

TEST(ParseAttr, LettersCombineAsBits) {
  EXPECT_EQ(A("W+/B"), (Attr{kBrightWhite, kBlue}));
  EXPECT_EQ(A("GR/N+"), (Attr{kBrown, kGrey}));
  EXPECT_EQ(A("RG+/N"), (Attr{kYellow, kBlack}));
  EXPECT_EQ(A("BG/R"), (Attr{kCyan, kRed}));
  EXPECT_EQ(A("RB/W"), (Attr{kMagenta, kWhite}));
  EXPECT_EQ(A("w+/b"), (Attr{kBrightWhite, kBlue}));
  EXPECT_EQ(A("W+"), (Attr{kBrightWhite, kBlack}));  // no background: black
  EXPECT_EQ(A("/W"), (Attr{kBlack, kWhite}));
  EXPECT_EQ(A(" B+ / B+ "), (Attr{kBrightBlue, kBrightBlue}));
}

TEST(ParseAttr, NumbersBlinkAndMonochrome) {
  EXPECT_EQ(A("0/7"), (Attr{kBlack, kWhite}));
  EXPECT_EQ(A("15/1"), (Attr{kBrightWhite, kBlue}));
  EXPECT_EQ(A("0"), (Attr{kBlack, kBlack}));
  Attr blink = A("W*/R");
  EXPECT_TRUE(blink.blink);
  EXPECT_EQ(blink.fg, kWhite);
  Attr u = A("U");
  EXPECT_TRUE(u.underline);
  EXPECT_EQ(u.fg, kBlue);
  EXPECT_EQ(A("I"), (Attr{kBlack, kWhite}));
  Attr x = A("X/B");
  EXPECT_EQ(x.fg, x.bg);  // blank: text invisible
}

TEST(ParseAttr, RejectsNonsense) {
  EXPECT_FALSE(ParseAttr("Q/B").ok());
  EXPECT_FALSE(ParseAttr("16/0").ok());
  EXPECT_FALSE(ParseAttr("W/B#").ok());
}

TEST(ParseColourSet, PairsAndPartialSettings) {
  auto set = ParseColourSet("W/N,W+/GR");
  ASSERT_TRUE(set.ok());
  EXPECT_EQ(set->standard, (Attr{kWhite, kBlack}));
  EXPECT_EQ(set->enhanced, (Attr{kBrightWhite, kBrown}));
  EXPECT_EQ(set->unselected, set->enhanced);  // not given: follows the selected colour

  auto gets = ParseColourSet("W+/B+,B+/B+");  // the password entry: typed characters hidden
  ASSERT_TRUE(gets.ok());
  EXPECT_EQ(gets->enhanced, (Attr{kBrightBlue, kBrightBlue}));

  auto keep = ParseColourSet(",N/W", *set);  // empty part keeps the base
  ASSERT_TRUE(keep.ok());
  EXPECT_EQ(keep->standard, set->standard);
  EXPECT_EQ(keep->enhanced, (Attr{kBlack, kWhite}));

  auto five = ParseColourSet("W/N,N/W,N/N,N/N,W/B");
  ASSERT_TRUE(five.ok());
  EXPECT_EQ(five->unselected, (Attr{kWhite, kBlue}));

  EXPECT_FALSE(ParseColourSet("W/N,Z/Z").ok());
  EXPECT_FALSE(ParseColourSet("W,W,W,W,W,W").ok());
}

TEST(AttrName, RoundTrips) {
  for (const char* text : {"W+/B", "GR/N+", "N/W", "GR+/R", "BG/B"}) EXPECT_EQ(AttrName(A(text)), text);
  EXPECT_EQ(AttrOf("rubbish!"), Attr{});
}

}  // namespace
}  // namespace hurt::console
