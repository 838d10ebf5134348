#include "console/field_editor.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/date.h"
#include "console/keys.h"

namespace hurt::console {
namespace {

using namespace hurt::literals;
using Outcome = FieldEditor::Outcome;

// Applies the keys in overwrite mode; returns the last outcome.
Outcome Type(FieldEditor& ed, std::string_view keys, bool insert = false) {
  Outcome last = Outcome::kMoved;
  for (char c : keys) last = ed.ApplyKey(static_cast<unsigned char>(c), insert);
  return last;
}

TEST(FieldEditorText, TemplateLiteralsAreSkippedAndUpperCased) {
  FieldEditor ed(FieldType::kText, "!!-!!!");
  ed.LoadText("ab-cde");
  EXPECT_EQ(ed.buffer(), "AB-CDE");
  EXPECT_EQ(ed.pos(), 0);
  Type(ed, "xy");
  EXPECT_EQ(ed.pos(), 3);  // the cursor jumped over "-"
  EXPECT_EQ(Type(ed, "pqr"), Outcome::kFilled);
  EXPECT_EQ(ed.TextValue("ab-cde"), "XY-PQR");
  EXPECT_TRUE(ed.changed());
}

// A full field waits for Enter: what is typed after its last position changes nothing.
TEST(FieldEditorText, AFullFieldRefusesMoreUntilTheCursorGoesBack) {
  FieldEditor ed(FieldType::kText, "!!!");
  ed.LoadText("FV ");
  EXPECT_EQ(Type(ed, "pzk"), Outcome::kFilled);
  EXPECT_TRUE(ed.past_end());
  EXPECT_EQ(Type(ed, "x"), Outcome::kRefused);
  EXPECT_EQ(Type(ed, "y", true), Outcome::kRefused);
  EXPECT_EQ(ed.buffer(), "PZK");
  ed.ApplyKey(key::kBackspace, false);  // takes the last character
  EXPECT_EQ(ed.buffer(), "PZ ");
  EXPECT_FALSE(ed.past_end());
  EXPECT_EQ(Type(ed, "w"), Outcome::kFilled);
  ed.ApplyKey(key::kLeft, false);  // back onto the last character
  EXPECT_EQ(ed.pos(), 2);
  Type(ed, "d");
  EXPECT_EQ(ed.buffer(), "PZD");

  FieldEditor one(FieldType::kText, "!");  // one position: the next answer replaces it
  one.LoadText("1");
  EXPECT_EQ(Type(one, "2"), Outcome::kFilled);
  EXPECT_FALSE(one.past_end());
  EXPECT_EQ(Type(one, "3"), Outcome::kFilled);
  EXPECT_EQ(one.buffer(), "3");
}

TEST(FieldEditorText, InsertLiteralsAreNotStored) {
  FieldEditor ed(FieldType::kText, "@R 99-999");
  ed.LoadText("00950");
  EXPECT_EQ(ed.buffer(), "00-950");
  EXPECT_EQ(ed.ApplyKey('a', false), Outcome::kRefused);  // 9 takes digits only
  EXPECT_EQ(Type(ed, "12345"), Outcome::kFilled);
  EXPECT_EQ(ed.buffer(), "12-345");
  EXPECT_EQ(ed.TextValue("00950"), "12345");
}

TEST(FieldEditorText, EditingKeys) {
  FieldEditor ed(FieldType::kText, "");
  ed.LoadText("abc   ");
  ed.ApplyKey('x', true);  // insert
  EXPECT_EQ(ed.buffer(), "xabc  ");
  ed.ApplyKey(key::kEnd, false);
  EXPECT_EQ(ed.pos(), 4);
  ed.ApplyKey(key::kBackspace, false);
  EXPECT_EQ(ed.buffer(), "xab   ");
  ed.ApplyKey(key::kHome, false);
  ed.ApplyKey(key::kDel, false);
  EXPECT_EQ(ed.buffer(), "ab    ");
  ed.ApplyKey(key::kRight, false);
  ed.ApplyKey(key::kCtrlY, false);
  EXPECT_EQ(ed.buffer(), "a     ");
  EXPECT_EQ(ed.ApplyKey(key::kEnter, false), Outcome::kNotMine);
  EXPECT_EQ(ed.ApplyKey(key::kUp, false), Outcome::kNotMine);
}

TEST(FieldEditorText, FunctionsUpperAndClearOnFirstKey) {
  FieldEditor up(FieldType::kText, "@!");
  up.LoadText("     ");
  Type(up, "żółw"_pl);
  EXPECT_EQ(up.TextValue(""), std::string("ŻÓŁW "_pl));

  FieldEditor k(FieldType::kText, "@K");
  k.LoadText("stara nazwa");
  Type(k, "no");
  EXPECT_EQ(k.buffer(), "no         ");

  FieldEditor moved(FieldType::kText, "@K");
  moved.LoadText("stara");
  moved.ApplyKey(key::kRight, false);  // a cursor key first: no clearing
  Type(moved, "X");
  EXPECT_EQ(moved.buffer(), "sXara");
}

TEST(FieldEditorText, ATemplateShorterThanTheValueKeepsTheRest) {
  FieldEditor ed(FieldType::kText, "XXX");
  ed.LoadText("abcdef");
  Type(ed, "X");
  EXPECT_EQ(ed.TextValue("abcdef"), "Xbcdef");
}

TEST(FieldEditorText, ScrollingWindowFollowsTheCursor) {
  FieldEditor ed(FieldType::kText, "@S10");
  ed.LoadText(std::string(30, ' '));
  EXPECT_EQ(ed.Scroll(10), 0);
  Type(ed, "abcdefghijkl");
  EXPECT_EQ(ed.pos(), 12);
  EXPECT_EQ(ed.Scroll(10), 3);
  ed.ApplyKey(key::kHome, false);
  EXPECT_EQ(ed.Scroll(10), 0);
}

TEST(FieldEditorNumber, FirstDigitClearsAndThePointJumpsToDecimals) {
  FieldEditor ed(FieldType::kNumber, "9999999.99");
  ed.LoadNumber(1234.5);
  EXPECT_EQ(ed.buffer(), "   1234.50");
  Type(ed, "7");
  EXPECT_EQ(ed.buffer(), "7      .  ");
  Type(ed, ".");
  EXPECT_EQ(ed.buffer(), "      7.00");
  EXPECT_EQ(ed.pos(), 8);
  Type(ed, "5");
  EXPECT_DOUBLE_EQ(ed.NumberValue(), 7.5);
  Type(ed, ",");  // a comma is a point too
  EXPECT_DOUBLE_EQ(ed.NumberValue(), 7.5);
}

TEST(FieldEditorNumber, CursorKeysFirstMeanEditingInPlace) {
  FieldEditor ed(FieldType::kNumber, "9999.99");
  ed.LoadNumber(12.5);
  EXPECT_EQ(ed.buffer(), "  12.50");
  ed.ApplyKey(key::kEnd, false);
  ed.ApplyKey(key::kLeft, false);
  Type(ed, "9");
  EXPECT_DOUBLE_EQ(ed.NumberValue(), 12.9);
}

TEST(FieldEditorNumber, SignsSeparatorsAndEuropeanPoint) {
  FieldEditor neg(FieldType::kNumber, "99999.99");
  neg.LoadNumber(3);
  Type(neg, "-12");
  EXPECT_DOUBLE_EQ(neg.NumberValue(), -12);

  FieldEditor th(FieldType::kNumber, "999,999.99");
  th.LoadNumber(1234.5);
  EXPECT_EQ(th.buffer(), "  1,234.50");
  EXPECT_DOUBLE_EQ(th.NumberValue(), 1234.5);

  FieldEditor eu(FieldType::kNumber, "@E 9999.99");
  eu.LoadNumber(0);
  Type(eu, "12,3");
  EXPECT_EQ(eu.buffer(), "  12,30");
  EXPECT_DOUBLE_EQ(eu.NumberValue(), 12.3);

  FieldEditor no_point(FieldType::kNumber, "999");
  no_point.LoadNumber(5);
  EXPECT_EQ(no_point.ApplyKey('.', false), Outcome::kRefused);
  EXPECT_EQ(no_point.ApplyKey('a', false), Outcome::kRefused);

  FieldEditor zero(FieldType::kNumber, "@Z 9999.99");
  zero.LoadNumber(0);
  EXPECT_EQ(zero.buffer(), "       ");
  Type(zero, "5");
  EXPECT_EQ(zero.buffer(), "5   .  ");
}

TEST(FieldEditorDate, DigitsOnlyAndNoImpossibleDates) {
  FieldEditor ed(FieldType::kDate, "");
  ed.LoadDate(JulianFromYmd(2024, 3, 15));
  EXPECT_EQ(ed.buffer(), "15.03.2024");
  EXPECT_EQ(ed.ApplyKey('x', false), Outcome::kRefused);
  Type(ed, "3102");
  EXPECT_EQ(Type(ed, "2024"), Outcome::kFilled);
  EXPECT_EQ(ed.buffer(), "31.02.2024");
  EXPECT_FALSE(ed.DateValue().has_value());
  ed.ApplyKey(key::kHome, false);
  Type(ed, "29");
  ASSERT_TRUE(ed.DateValue().has_value());
  EXPECT_EQ(*ed.DateValue(), JulianFromYmd(2024, 2, 29));

  ed.ApplyKey(key::kHome, false);
  ed.ApplyKey(key::kCtrlY, false);
  EXPECT_EQ(ed.DateValue(), kEmptyDate);  // blanks are the empty date
}

TEST(FieldEditorLogical, TakesTFYN) {
  FieldEditor ed(FieldType::kLogical, "");
  ed.LoadLogical(true);
  EXPECT_EQ(ed.buffer(), "T");
  EXPECT_EQ(ed.ApplyKey('x', false), Outcome::kRefused);
  EXPECT_EQ(ed.ApplyKey('n', false), Outcome::kFilled);
  EXPECT_FALSE(ed.LogicalValue());
  ed.ApplyKey('y', false);
  EXPECT_TRUE(ed.LogicalValue());

  FieldEditor yn(FieldType::kLogical, "Y");
  yn.LoadLogical(false);
  EXPECT_EQ(yn.buffer(), "N");
}

}  // namespace
}  // namespace hurt::console
