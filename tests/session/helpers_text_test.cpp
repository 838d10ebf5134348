#include "session/helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "base/cp852.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;

TEST(Centruj, PrecedesTheTextByHalfTheFreeColumns) {
  EXPECT_EQ(Centruj(""), std::string(40, ' '));
  EXPECT_EQ(Centruj("AB"), std::string(39, ' ') + "AB");
  EXPECT_EQ(Centruj("ABC"), std::string(38, ' ') + "ABC");  // 77 / 2 rounded down
  EXPECT_EQ(Centruj(std::string(79, 'x')), std::string(79, 'x'));
  EXPECT_EQ(Centruj(std::string(85, 'x')), std::string(85, 'x'));  // too long: no blanks, no crash
  EXPECT_EQ(Centruj("Zażółć"_pl).size(), 37u + 6u);  // widths count code page 852 bytes
}

TEST(Miesiac, NamesEveryMonthRightAlignedInElevenColumns) {
  const char* expected[] = {"    Styczen", "       Luty", "     Marzec", "   Kwiecien", "        Maj",
                            "   Czerwiec", "     Lipiec", "   Sierpien", "   Wrzesien", "Pazdziernik",
                            "   Listopad", "   Grudzien", "  Trzynasty"};
  for (int m = 1; m <= 13; ++m) {
    std::string mm = (m < 10 ? "0" : "") + std::to_string(m);
    EXPECT_EQ(Miesiac(mm, "26"), std::string(expected[m - 1]) + " '2026") << "month " << mm;
  }
}

TEST(Miesiac, UnknownMonthsAndTheCentury) {
  EXPECT_EQ(Miesiac("00", "26"), "nieznany    '2026");
  EXPECT_EQ(Miesiac("14", "26"), "nieznany    '2026");
  EXPECT_EQ(Miesiac("  ", "26"), "nieznany    '2026");
  EXPECT_EQ(Miesiac("xx", "26"), "nieznany    '2026");
  EXPECT_EQ(Miesiac("12", "99"), "   Grudzien '1999");
  EXPECT_EQ(Miesiac("12", "00"), "   Grudzien '2000");
  EXPECT_EQ(Miesiac("12", "89"), "   Grudzien '2089");  // only a 9 means the 1900s
  EXPECT_EQ(Miesiac("1", "2031"), "    Styczen '2031");
  EXPECT_EQ(Miesiac("12", "26").size(), 17u);
}

TEST(KMies, LastDayOfTheMonth) {
  EXPECT_EQ(KMies("02", "00"), "29");  // 2000 is a leap year
  EXPECT_EQ(KMies("02", "99"), "28");  // 1999
  EXPECT_EQ(KMies("02", "24"), "29");
  EXPECT_EQ(KMies("02", "23"), "28");
  EXPECT_EQ(KMies("02", "96"), "29");  // 1996
  EXPECT_EQ(KMies("02", "2100"), "28");  // a century that is not a leap year
  EXPECT_EQ(KMies("01", "26"), "31");
  EXPECT_EQ(KMies("04", "26"), "30");
  EXPECT_EQ(KMies("06", "26"), "30");
  EXPECT_EQ(KMies("09", "26"), "30");
  EXPECT_EQ(KMies("11", "26"), "30");
  EXPECT_EQ(KMies("12", "26"), "31");
  EXPECT_EQ(KMies("13", "26"), "31");  // the closing period ends with December
}

TEST(KMies, NoDayForAMonthOrYearThatIsNot) {
  EXPECT_EQ(KMies("00", "26"), "");
  EXPECT_EQ(KMies("14", "26"), "");
  EXPECT_EQ(KMies("", "26"), "");
  EXPECT_EQ(KMies("02", ""), "");
  EXPECT_EQ(KMies("02", "ab"), "");
  EXPECT_EQ(KMies("02", "2a"), "");
  EXPECT_EQ(KMies("02", "0000"), "");
  EXPECT_EQ(KMies("02", "12345"), "");
  EXPECT_EQ(KMies("02", " 24 "), "29");
}

TEST(ADoN, PowersByRepeatedMultiplication) {
  EXPECT_DOUBLE_EQ(ADoN(10, 0), 1);
  EXPECT_DOUBLE_EQ(ADoN(0, 0), 1);
  EXPECT_DOUBLE_EQ(ADoN(10, 2), 100);
  EXPECT_DOUBLE_EQ(ADoN(2, 10), 1024);
  EXPECT_DOUBLE_EQ(ADoN(-2, 3), -8);
  EXPECT_DOUBLE_EQ(ADoN(1.1, 2), 1.1 * 1.1);  // the product, not the library power
}

TEST(ADoN, NegativeExponentGivesTheReciprocal) {
  EXPECT_DOUBLE_EQ(ADoN(2, -2), 0.25);
  EXPECT_DOUBLE_EQ(ADoN(10, -3), 1.0 / 1000);
  EXPECT_DOUBLE_EQ(ADoN(-4, -1), -0.25);
  EXPECT_DOUBLE_EQ(ADoN(0, -1), 0);  // no infinity from a zero divisor
  EXPECT_DOUBLE_EQ(ADoN(0, -5), 0);
}

TEST(ADoN, HugeExponentsEndAtOnce) {
  EXPECT_DOUBLE_EQ(ADoN(1, INT_MAX), 1);
  EXPECT_DOUBLE_EQ(ADoN(-1, INT_MAX), -1);
  EXPECT_DOUBLE_EQ(ADoN(1, INT_MIN), 1);
  EXPECT_TRUE(std::isinf(ADoN(10, 5000)));
  EXPECT_DOUBLE_EQ(ADoN(10, -5000), 0);
  EXPECT_NEAR(ADoN(1.0000001, 2'000'000'000), std::pow(1.0000001, 2e9), 1e80);
}

TEST(TNAndSpr, TestTheFirstLetter) {
  EXPECT_TRUE(TN("T"));
  EXPECT_TRUE(TN("N"));
  EXPECT_TRUE(TN("Tak"));
  EXPECT_FALSE(TN("t"));  // only capitals, as typed through "!" pictures
  EXPECT_FALSE(TN(""));
  EXPECT_FALSE(TN(" T"));
  EXPECT_FALSE(TN("X"));

  for (const char* yes : {"A", "B", "C", "D", "Dalej"}) EXPECT_TRUE(Spr(yes)) << yes;
  for (const char* no : {"", "E", "a", " A"}) EXPECT_FALSE(Spr(no)) << no;
}

TEST(L, SpellsEveryPolishLetterInSevenBits) {
  struct Case {
    std::string_view letter, spelling;
  };
  const Case cases[] = {
      {"ą"_pl, "a,"}, {"ć"_pl, "c'"}, {"ę"_pl, "e,"}, {"ł"_pl, "l/"}, {"ń"_pl, "n'"}, {"ó"_pl, "o'"},
      {"ś"_pl, "s'"}, {"ź"_pl, "z'"}, {"ż"_pl, "z-"}, {"Ą"_pl, "A,"}, {"Ć"_pl, "C'"}, {"Ę"_pl, "E,"},
      {"Ł"_pl, "L/"}, {"Ń"_pl, "N'"}, {"Ó"_pl, "O'"}, {"Ś"_pl, "S'"}, {"Ź"_pl, "Z'"}, {"Ż"_pl, "Z-"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.letter.size(), 1u);
    EXPECT_EQ(L(c.letter[0]), c.spelling) << Cp852ToUtf8(c.letter);
  }
}

TEST(L, LeavesOtherCharactersAlone) {
  for (char c : std::string("azAZ09 ,.'-/")) EXPECT_EQ(L(c), std::string(1, c));
  EXPECT_EQ(L("ü"_pl[0]), "ü"_pl);  // a letter of the code page that is not Polish
  EXPECT_EQ(L('\0'), std::string(1, '\0'));
  EXPECT_EQ(SevenBitText("Zażółć gęślą jaźń"_pl), "Zaz-o'l/c' ge,s'la, jaz'n'");
  EXPECT_EQ(SevenBitText("ŁÓDŹ"_pl), "L/O'DZ'");
  EXPECT_EQ(SevenBitText(""), "");
}

}  // namespace
}  // namespace hurt::session
