#include "base/slownie.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/cp852.h"

namespace hurt {
namespace {

// Results compared as UTF-8 so that a failure reads as Polish.
std::string Words(double x) { return Cp852ToUtf8(Slownie(x)); }
std::string Amount(double x, std::string_view waluta = "") { return Cp852ToUtf8(SlownieKwoty(x, waluta)); }

TEST(Slownie, SmallNumbers) {
  EXPECT_EQ(Words(1), "jeden ");
  EXPECT_EQ(Words(10), "dziesięć ");
  EXPECT_EQ(Words(11), "jedenaście ");
  EXPECT_EQ(Words(19), "dziewiętnaście ");
  EXPECT_EQ(Words(20), "dwadzieścia ");
  EXPECT_EQ(Words(21), "dwadzieścia jeden ");
  EXPECT_EQ(Words(99), "dziewięćdziesiąt dziewięć ");
  EXPECT_EQ(Words(100), "sto ");
  EXPECT_EQ(Words(115), "sto piętnaście ");
  EXPECT_EQ(Words(999), "dziewięćset dziewięćdziesiąt dziewięć ");
}

TEST(Slownie, ThousandsTakeTheirNounForm) {
  EXPECT_EQ(Words(1000), "jeden tysiąc ");
  EXPECT_EQ(Words(2000), "dwa tysiące ");
  EXPECT_EQ(Words(2005), "dwa tysiące pięć ");
  EXPECT_EQ(Words(5000), "pięć tysięcy ");
  EXPECT_EQ(Words(12000), "dwanaście tysięcy ");
  EXPECT_EQ(Words(14000), "czternaście tysięcy ");
  EXPECT_EQ(Words(22000), "dwadzieścia dwa tysiące ");
  EXPECT_EQ(Words(21000), "dwadzieścia jeden tysięcy ");
  EXPECT_EQ(Words(101000), "sto jeden tysięcy ");
  EXPECT_EQ(Words(110000), "sto dziesięć tysięcy ");
  EXPECT_EQ(Words(104000), "sto cztery tysiące ");
}

TEST(Slownie, MillionsTakeTheirNounForm) {
  EXPECT_EQ(Words(1000000), "jeden milion ");
  EXPECT_EQ(Words(1500000), "jeden milion pięćset tysięcy ");
  EXPECT_EQ(Words(3000000), "trzy miliony ");
  EXPECT_EQ(Words(101000000), "sto jeden milionów ");
  EXPECT_EQ(Words(1001001), "jeden milion jeden tysiąc jeden ");
  EXPECT_EQ(Words(999999999), "dziewięćset dziewięćdziesiąt dziewięć milionów "
                              "dziewięćset dziewięćdziesiąt dziewięć tysięcy "
                              "dziewięćset dziewięćdziesiąt dziewięć ");
}

TEST(Slownie, CentsFollowAsAFraction) {
  EXPECT_EQ(Words(0), "");
  EXPECT_EQ(Words(10.50), "dziesięć  50/100");
  EXPECT_EQ(Words(3.05), "trzy  5/100");
  EXPECT_EQ(Words(0.29), " 29/100");
  // Taken to 2 decimals first: 12.999 is 13 złoty, never "100/100".
  EXPECT_EQ(Words(12.999), "trzynaście ");
  EXPECT_EQ(Words(0.004), "");
}

TEST(Slownie, VeryLargeAmountsAreWrittenInDigits) {
  EXPECT_EQ(Words(1234567890.12), "1234567890  12/100");
  EXPECT_EQ(Words(1000000000), "1000000000");
  EXPECT_EQ(Words(-1000000000), "KWOTA DO ZWROTU 1000000000");
}

TEST(Slownie, NegativeAmountIsARefund) {
  EXPECT_EQ(Words(-10), "KWOTA DO ZWROTU dziesięć ");
  EXPECT_EQ(Words(-0.001), "");  // rounds to nothing: no refund of nothing
}

TEST(SlownieKwoty, ZlotyAndGrosze) {
  EXPECT_EQ(Amount(1), "jeden ");
  EXPECT_EQ(Amount(21), "dwadzieścia jeden ");
  EXPECT_EQ(Amount(1000), "jeden tysiąc ");
  EXPECT_EQ(Amount(2005), "dwa tysiące pięć ");
  EXPECT_EQ(Amount(12345.67), "dwanaście tysięcy trzysta czterdzieści pięć zł. i sześćdziesiąt siedem gr.");
  EXPECT_EQ(Amount(0.05), "pięć gr.");
  EXPECT_EQ(Amount(0.50), "pięćdziesiąt gr.");
  EXPECT_EQ(Amount(1500000), "jeden milion pięćset tysięcy ");
  EXPECT_EQ(Amount(-10), "KWOTA DO ZWROTU dziesięć ");
  EXPECT_EQ(Amount(0), "");
  EXPECT_EQ(Amount(1.10), "jeden zł. i dziesięć gr.");
  EXPECT_EQ(Amount(2.675), "dwa zł. i sześćdziesiąt osiem gr.");  // rounded as it reads
  EXPECT_EQ(Amount(5, "PLN"), "pięć ");
  EXPECT_EQ(Amount(5.01, "PLN"), "pięć zł. i jeden gr.");
}

TEST(SlownieKwoty, ForeignCurrencyKeepsTheFraction) {
  EXPECT_EQ(Amount(10.50, "EUR"), "dziesięć  50/100");
  EXPECT_EQ(Amount(10, "EUR"), "dziesięć ");
}

TEST(SlownieKwoty, RefundPrefixOnceAndLargeAmountsStaySeparated) {
  EXPECT_EQ(Amount(-12.50), "KWOTA DO ZWROTU dwanaście zł. i pięćdziesiąt gr.");
  EXPECT_EQ(Amount(-0.50), "KWOTA DO ZWROTU pięćdziesiąt gr.");
  EXPECT_EQ(Amount(1234567890.12), "1234567890 zł. i dwanaście gr.");
}

TEST(SlownieKwoty, GarbageNeverCrashes) {
  EXPECT_EQ(Amount(std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(Amount(std::numeric_limits<double>::quiet_NaN()), "");
  EXPECT_FALSE(Amount(1e300).empty());
}

TEST(DwaSlowa, AcceptsExactlyTwoWords) {
  EXPECT_TRUE(DwaSlowa("Jan Kowalski"));
  EXPECT_TRUE(DwaSlowa("  Jan Kowalski  "));
  EXPECT_TRUE(DwaSlowa("Anna Nowak-Kowalska"));
  EXPECT_FALSE(DwaSlowa(""));
  EXPECT_FALSE(DwaSlowa("   "));
  EXPECT_FALSE(DwaSlowa("Kowalski"));
  EXPECT_FALSE(DwaSlowa("Jan  Kowalski"));
  EXPECT_FALSE(DwaSlowa("Jan Maria Kowalski"));
  EXPECT_FALSE(DwaSlowa("Jan Kowalski2"));
  EXPECT_FALSE(DwaSlowa("Jan Kow@lski"));
  EXPECT_FALSE(DwaSlowa("Jan Kowal\\ski"));
  EXPECT_FALSE(DwaSlowa("Jan O'Brien"));
  EXPECT_FALSE(DwaSlowa("Jan Kowalski?"));
}

}  // namespace
}  // namespace hurt
