// The calculator driven by keys: arithmetic, registers, memory and errors.
#include <gtest/gtest.h>

#include <string>

#include "base/cp852.h"
#include "base/text.h"
#include "console/keys.h"
#include "session/kalk.h"
#include "support/screen_driver.h"

namespace hurt::session {
namespace {

using console::Console;
using hurt::testing::ScreenDriver;
namespace key = console::key;

constexpr int kUpperRow = kKalkTop + 1;
constexpr int kLowerRow = kKalkTop + 2;
constexpr int kMemoryRow = kKalkTop + 4;

// The calculator at its default column with a script of keys; Esc is added at the end.
class KalkTest : public ::testing::Test {
 protected:
  std::string Lower() const { return d.TextAt(kLowerRow, state.lx, 19); }
  std::string Upper() const { return d.TextAt(kUpperRow, state.lx, 19); }
  // The register text for a UTF-8 value, right-aligned in 19 cells.
  static std::string Shows(std::string_view text) { return Cp852ToUtf8(PadL(Utf8ToCp852(text), 19)); }

  // Types `keys`, then checks that the lower register shows `expected`.
  void ExpectLower(std::string_view keys, std::string_view expected) {
    d.Type(keys).Then([this, keys, want = Shows(expected)] { EXPECT_EQ(Lower(), want) << "after \"" << keys << "\""; });
  }
  void Run() {
    d.Key(key::kEsc);
    ASSERT_TRUE(d.Run([&](Console& con) { Kalk(con, state); }));
    EXPECT_TRUE(d.term.Finished());
  }

  ScreenDriver d;
  KalkState state;
};

TEST_F(KalkTest, TwelvePlusThirtyIsFortyTwo) {
  ExpectLower("12", "12");
  d.Type("+").Then([&] {
    EXPECT_EQ(Upper(), Shows("12 +"));
    EXPECT_EQ(Lower(), Shows("12"));
  });
  ExpectLower("30", "30");
  d.Then([&] { EXPECT_EQ(Upper(), Shows("12 +")); });
  ExpectLower("=", "42");
  d.Then([&] { EXPECT_EQ(Upper(), Shows("")); });
  Run();
}

TEST_F(KalkTest, DrawsAFramedBoxAtItsColumn) {
  d.Type("12+30").Then([&] {
    EXPECT_TRUE(d.ShowsAt(2, 59, "┌─── Kalkulator ────┐"));
    EXPECT_TRUE(d.ShowsAt(3, 59, "│               12 +│"));
    EXPECT_TRUE(d.ShowsAt(4, 59, "│                 30│"));
    EXPECT_TRUE(d.ShowsAt(5, 59, "├───────────────────┤"));
    EXPECT_TRUE(d.ShowsAt(6, 59, "│                   │"));
    EXPECT_TRUE(d.ShowsAt(7, 59, "│C M N ←→ Esc-Koniec│"));
    EXPECT_TRUE(d.ShowsAt(8, 59, "└───────────────────┘"));
    EXPECT_TRUE(d.ColourIs(2, 59, "N/W"));
    EXPECT_TRUE(d.ColourIs(4, 60, "W+/N"));
    EXPECT_FALSE(d.con.cursor().visible);
  });
  Run();
}

TEST_F(KalkTest, ChainsOperationsFromLeftToRight) {
  ExpectLower("12+30*", "42");  // the operator completes the waiting addition
  ExpectLower("2=", "84");
  ExpectLower("-4=", "80");     // a result goes on with the next operator
  ExpectLower("/8/2=", "5");
  ExpectLower("7", "7");        // a digit after a result starts a new number
  ExpectLower("*3", "3");
  d.Key(key::kEnter).Then([&] { EXPECT_EQ(Lower(), Shows("21")); });  // Enter computes like "="
  ExpectLower("5*+3=", "8");    // the second operator replaces the first
  d.Type("C").Then([&] { EXPECT_EQ(Upper(), Shows("")); });  // C clears both registers
  ExpectLower("7+=", "7");      // "=" with no operand drops the operation
  ExpectLower("C-5=", "-5");    // from zero
  ExpectLower("*-2=", "-7");    // a minus after an operator replaces it: there is no sign key
  Run();
}

TEST_F(KalkTest, DecimalsWithPointOrComma) {
  ExpectLower("1,5", "1.5");
  ExpectLower("*3=", "4.5");
  ExpectLower("C0.1+0.2=", "0.3");
  ExpectLower("C10/3=", "3.3333333333");
  ExpectLower("*3=", "9.9999999999");
  ExpectLower("C,5", "0.5");
  ExpectLower("C2.5.", "2.5");  // a second point is refused
  ExpectLower("C100.10=", "100.1");
  ExpectLower("C0005", "5");
  d.Then([&] { EXPECT_EQ(d.term.beeps(), 1); });
  Run();
}

TEST_F(KalkTest, NumbersHaveAtMostFifteenDigits) {
  ExpectLower("1234567890123456", "123456789012345");
  d.Then([&] { EXPECT_EQ(d.term.beeps(), 1); });
  ExpectLower("C0.12345678901234567", "0.12345678901234");
  Run();
}

TEST_F(KalkTest, BackspaceEditsTheNumber) {
  d.Type("123").Key(key::kBackspace).Then([&] { EXPECT_EQ(Lower(), Shows("12")); });
  d.Keys({key::kBackspace, key::kBackspace}).Then([&] { EXPECT_EQ(Lower(), Shows("0")); });
  d.Key(key::kBackspace).Then([&] { EXPECT_EQ(d.term.beeps(), 1); });  // nothing left
  d.Type("40+2=").Key(key::kBackspace).Then([&] { EXPECT_EQ(Lower(), Shows("4")); });  // a result can be edited
  d.Type("+").Key(key::kBackspace).Then([&] {
    EXPECT_EQ(d.term.beeps(), 2);  // the operand is not typed yet
    EXPECT_EQ(Lower(), Shows("4"));
  });
  ExpectLower("1=", "5");
  d.Type("-7").Keys({key::kBackspace, key::kBackspace}).Then([&] { EXPECT_EQ(Lower(), Shows("0")); });
  ExpectLower("=", "5");
  Run();
}

TEST_F(KalkTest, DivisionByZeroShowsAnErrorAndTheNextKeyStartsAfresh) {
  d.Type("5/0=").Then([&] {
    EXPECT_EQ(Lower(), Shows("Dzielenie przez 0"));
    EXPECT_TRUE(d.ColourIs(kLowerRow, 60, "RG+/N"));
    EXPECT_EQ(Upper(), Shows(""));
  });
  d.Type("+=M").Then([&] {
    EXPECT_EQ(d.term.beeps(), 3);  // no arithmetic on an error, nothing to keep
    EXPECT_EQ(Lower(), Shows("Dzielenie przez 0"));
    EXPECT_TRUE(state.memory.empty());
  });
  ExpectLower("7", "7");
  ExpectLower("+1=", "8");
  ExpectLower("/0", "0");
  ExpectLower("+", "Dzielenie przez 0");  // an operator completes the division too
  ExpectLower("C", "0");
  d.Type("1/0=").Key(key::kBackspace).Then([&] { EXPECT_EQ(Lower(), Shows("0")); });
  Run();
}

TEST_F(KalkTest, TooBigAResultIsAnError) {
  ExpectLower("999999999999999*10=", "Za duża liczba");
  ExpectLower("C999999999999999+0=", "999999999999999");
  ExpectLower("C-999999999999999-1=", "Za duża liczba");
  Run();
}

TEST_F(KalkTest, MemoryKeepsTheValueAndNTypesItBack) {
  d.Type("40+2=m").Then([&] {
    EXPECT_EQ(state.memory, "42");
    EXPECT_TRUE(d.ShowsAt(kMemoryRow, 60, "M                42"));
  });
  // N puts Enter and "42" into the keyboard buffer: the waiting 5 + is completed without
  // an operand and 42 is typed as a new number, which the next operation uses.
  d.Type("C5+").Then([&] { EXPECT_EQ(Upper(), Shows("5 +")); });
  d.Type("N").Then([&] {
    EXPECT_EQ(Lower(), Shows("42"));
    EXPECT_EQ(Upper(), Shows(""));
    EXPECT_TRUE(state.memory.empty());
    EXPECT_TRUE(d.ShowsAt(kMemoryRow, 60, std::string(19, ' ')));
  });
  ExpectLower("1", "421");  // it is typed: more digits follow it
  ExpectLower("+1=", "422");
  d.Type("N").Then([&] { EXPECT_EQ(Lower(), Shows("422")); });  // empty memory: only Enter
  Run();
  EXPECT_TRUE(state.memory.empty());
}

TEST_F(KalkTest, NegativeMemoryComesBackWithItsSign) {
  d.Type("5-8=M").Then([&] { EXPECT_EQ(state.memory, "-3"); });
  ExpectLower("C100+", "100");
  ExpectLower("N", "-3");
  ExpectLower("+1=", "-2");
  ExpectLower("-1=", "-3");  // after an ordinary "=" a minus subtracts
  ExpectLower("M-0.5M", "0.5");
  d.Then([&] { EXPECT_EQ(state.memory, "0.5"); });
  Run();
}

TEST_F(KalkTest, MemoryTypesOnlyTheCharactersOfANumber) {
  state.memory = "-1x2C=";  // not what M stores, but the session may hand anything
  ExpectLower("5+N", "-12");
  ExpectLower("*2=", "-24");
  Run();
}

TEST_F(KalkTest, TheLongestMemoryFitsItsRow) {
  ExpectLower("-100000000000000/3=", "-33333333333333.3");  // 15 significant digits
  d.Type("M").Then([&] {
    EXPECT_TRUE(d.ShowsAt(kMemoryRow, 60, "M -33333333333333.3"));
    EXPECT_EQ(state.memory, "-33333333333333.3");
  });
  Run();
}

TEST_F(KalkTest, OtherKeysAreRefused) {
  d.Keys({'x', key::kF1, key::kUp, key::kAltK}).Then([&] {
    EXPECT_EQ(d.term.beeps(), 4);
    EXPECT_EQ(Lower(), Shows("0"));
  });
  Run();
}

}  // namespace
}  // namespace hurt::session
