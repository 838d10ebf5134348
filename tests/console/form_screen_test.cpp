#include "console/form.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/keys.h"
#include "support/screen_driver.h"

namespace hurt::console {
namespace {

using hurt::testing::ScreenDriver;
using namespace hurt::literals;

struct Card {
  std::string mag = " ";
  std::string indeks = "        ";
  std::string nazwa = std::string(30, ' ');
  double cena = 0;
  JulianDay data = kEmptyDate;
};

// The edit form of a card: rows 0..4.
void Build(Form& f, Card& c) {
  f.Say(0, 0, "Magazyn           :");
  f.GetText(0, 20, c.mag, "!");
  f.Say(0, 33, "Indeks :");
  f.GetText(0, 42, c.indeks, "@!");
  f.Say(1, 0, "Nazwa             :");
  f.GetText(1, 20, c.nazwa);
  f.Say(2, 0, "Cena              :");
  f.GetNumber(2, 20, c.cena, "9999999.99");
  f.Say(3, 0, "Data              :");
  f.GetDate(3, 20, c.data);
}

TEST(Read, ShowsFieldsInTheirColoursAndEditsInOrder) {
  ScreenDriver d;
  ASSERT_TRUE(d.con.SetColour("W/N,N/W,,,W/B").ok());
  Card c;
  Form f(d.con);
  Build(f, c);
  EXPECT_TRUE(d.ShowsAt(2, 20, "      0.00"));
  EXPECT_TRUE(d.ShowsAt(3, 20, "  .  .    "));
  EXPECT_TRUE(d.ColourIs(2, 20, "W/B"));  // not being edited
  d.Then([&] {
    EXPECT_TRUE(d.ColourIs(0, 20, "N/W"));  // the field being edited
    EXPECT_TRUE(d.ColourIs(0, 42, "W/B"));
    EXPECT_EQ(d.con.cursor().row, 0);
    EXPECT_EQ(d.con.cursor().col, 20);
    EXPECT_TRUE(d.con.cursor().visible);
  });
  d.Type("2").Key(key::kEnter);
  d.Type("ab12").Key(key::kEnter);
  d.Type("Młotek").Key(key::kEnter);
  d.Type("12.5").Key(key::kEnter);
  d.Type("01022024").Key(key::kEnter);  // READ ends after the last field
  ReadResult r;
  ASSERT_TRUE(d.Run([&](Console&) { r = f.Read(); }));
  EXPECT_TRUE(d.term.Finished());
  EXPECT_EQ(c.mag, "2");
  EXPECT_EQ(c.indeks, "AB12    ");
  EXPECT_EQ(c.nazwa, PadR("Młotek"_pl, 30));
  EXPECT_DOUBLE_EQ(c.cena, 12.5);
  EXPECT_EQ(c.data, JulianFromYmd(2024, 2, 1));
  EXPECT_TRUE(r.updated);
  EXPECT_FALSE(r.escaped);
  EXPECT_TRUE(d.ShowsAt(2, 20, "     12.50"));
  EXPECT_TRUE(d.ShowsAt(1, 20, "Młotek"));
}

TEST(Read, UpReturnsToThePreviousField) {
  ScreenDriver d;
  Card c;
  Form f(d.con);
  Build(f, c);
  d.Key(key::kEnter).Key(key::kEnter).Then([&] { EXPECT_EQ(f.current(), 2); });
  d.Key(key::kUp).Then([&] {
    EXPECT_EQ(f.current(), 1);
    EXPECT_EQ(d.con.cursor().row, 0);
    EXPECT_EQ(d.con.cursor().col, 42);
  });
  d.Type("X").Key(key::kUp).Key(key::kUp).Then([&] { EXPECT_EQ(f.current(), 0); });  // the first stays
  d.Key(key::kPgDn);
  ReadResult r;
  ASSERT_TRUE(d.Run([&](Console&) { r = f.Read(); }));
  EXPECT_EQ(c.indeks, "X       ");
  EXPECT_EQ(r.exit_key, key::kPgDn);
}

TEST(Read, ValidRefusingKeepsTheCursorInTheField) {
  ScreenDriver d;
  Card c;
  Form f(d.con);
  int asked = 0;
  f.GetText(5, 10, c.indeks).Valid([&] {
    ++asked;
    return !IsBlank(c.indeks);
  });
  f.GetText(6, 10, c.nazwa);
  d.Key(key::kEnter).Then([&] {
    EXPECT_EQ(f.current(), 0);
    EXPECT_EQ(d.con.cursor().row, 5);
  });
  d.Key(key::kDown).Key(key::kPgDn).Then([&] { EXPECT_EQ(f.current(), 0); });  // PgDn cannot skip it either
  d.Type("A1").Key(key::kEnter).Then([&] {
    EXPECT_EQ(f.current(), 1);
    EXPECT_EQ(d.con.cursor().row, 6);
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_EQ(asked, 4);
  EXPECT_EQ(c.indeks, "A1      ");
}

TEST(Read, ValidMayRecomputeOtherFieldsWhichShowAtOnce) {
  ScreenDriver d;
  double netto = 0, brutto = 0;
  Form f(d.con);
  f.GetNumber(1, 0, netto, "9999999.99").Valid([&] {
    brutto = NewRound(netto * 1.23, 2);
    return true;
  });
  f.GetNumber(2, 0, brutto, "9999999.99");
  d.Type("100").Key(key::kEnter).Then([&] { EXPECT_TRUE(d.ShowsAt(2, 0, "    123.00")); });
  d.Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_DOUBLE_EQ(brutto, 123);
}

TEST(Read, EscEndsAndPutsBackOnlyTheFieldBeingEdited) {
  ScreenDriver d;
  Card c;
  c.nazwa = PadR("Stara", 30);
  Form f(d.con);
  Build(f, c);
  d.Key(key::kEnter).Type("NOWY").Key(key::kEnter).Type("Zmieniona").Key(key::kEsc);
  ReadResult r;
  ASSERT_TRUE(d.Run([&](Console&) { r = f.Read(); }));
  EXPECT_TRUE(r.escaped);
  EXPECT_EQ(r.exit_key, key::kEsc);
  EXPECT_EQ(c.indeks, "NOWY    ");          // left with Enter: kept
  EXPECT_EQ(c.nazwa, PadR("Stara", 30));     // being edited at Esc: put back
  EXPECT_TRUE(d.ShowsAt(1, 20, "Stara     "));
}

// The program types in insert mode; a date is still typed over, so every digit lands
// where it is typed and the year shown is the year being typed.
TEST(Read, ADateIsTypedOverInInsertMode) {
  ScreenDriver d;
  d.con.set_insert_mode(true);
  JulianDay day = JulianFromYmd(2026, 12, 8);
  Form f(d.con);
  f.GetDate(0, 0, day);
  d.Type("15").Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "15.12.2026")); });
  d.Type("03202").Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "15.03.2026")); });
  d.Type("4").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_EQ(day, JulianFromYmd(2024, 3, 15));
}

TEST(Read, AnImpossibleDateCannotBeLeft) {
  ScreenDriver d;
  JulianDay day = JulianFromYmd(2024, 3, 15);
  std::string next = "   ";
  Form f(d.con);
  f.GetDate(0, 0, day);
  f.GetText(1, 0, next);
  d.Type("3102").Key(key::kEnter).Then([&] {
    EXPECT_EQ(f.current(), 0);
    EXPECT_EQ(d.term.beeps(), 1);
  });
  d.Key(key::kHome).Type("29").Key(key::kEnter).Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_EQ(day, JulianFromYmd(2024, 2, 29));
}

TEST(Read, PictureMasksShapeWhatIsTyped) {
  ScreenDriver d;
  std::string kod = "      ";
  std::string poczta = "00000";
  double kwota = 1234.5;
  Form f(d.con);
  f.GetText(0, 0, kod, "!!-!!!");
  f.GetText(1, 0, poczta, "@R 99-999");
  f.GetNumber(2, 0, kwota, "@E 999,999.99");
  EXPECT_TRUE(d.ShowsAt(0, 0, "  -   "));
  EXPECT_TRUE(d.ShowsAt(1, 0, "00-000"));
  EXPECT_TRUE(d.ShowsAt(2, 0, "  1.234,50"));
  d.Type("abcde").Key(key::kEnter);   // five typed, the literal skipped
  d.Type("8x0950").Key(key::kEnter);  // x refused by 9
  d.Type("7").Type(",").Type("25").Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_EQ(kod, "AB-CDE");
  EXPECT_EQ(poczta, "80950");
  EXPECT_DOUBLE_EQ(kwota, 7.25);
  EXPECT_TRUE(d.ShowsAt(1, 0, "80-950"));
  EXPECT_TRUE(d.ShowsAt(2, 0, "      7,25"));
}

TEST(Read, InsertModeScrollingMaskingAndConfirm) {
  ScreenDriver d;
  std::string opis = "kot" + std::string(27, ' ');
  std::string haslo = "          ";
  std::string znak = " ";
  std::string dalej = " ";
  d.con.Say(0, 10, "|");  // a frame's edge beside the window: no field paints over it
  Form f(d.con);
  f.GetText(0, 0, opis, "@S10");
  f.GetText(1, 0, haslo).Masked();
  f.GetText(2, 0, znak);
  f.GetText(3, 0, dalej);
  d.Key(key::kIns).Then([&] { EXPECT_TRUE(d.con.cursor().insert_shape); });
  d.Type("duży ").Key(key::kIns).Key(key::kEnd).Then([&] {
    EXPECT_FALSE(d.con.cursor().insert_shape);
    EXPECT_TRUE(d.ShowsAt(0, 0, "duży kot  "));
    EXPECT_TRUE(d.ShowsAt(0, 10, "|"));  // the window is ten wide
  });
  d.Type(" i pies").Then([&] { EXPECT_TRUE(d.ShowsAt(0, 0, "ot i pies ")); });  // scrolled
  d.Key(key::kEnter).Type("tajne").Then([&] {
    EXPECT_TRUE(d.ShowsAt(1, 0, "*****     "));
    EXPECT_FALSE(d.Contains("tajne"));
  });
  d.Key(key::kEnter).Type("x").Then([&] { EXPECT_EQ(f.current(), 2); });  // confirm: a full field waits
  d.Key(key::kEnter).Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_EQ(opis, PadR("duży kot i pies"_pl, 30));
  EXPECT_EQ(haslo, "tajne     ");
  EXPECT_TRUE(d.ShowsAt(0, 0, "duży kot i|"));  // not edited: the start of the value, in its window
}

TEST(Read, WhenSkipsFieldsAndHotKeysSeeTheNumericField) {
  ScreenDriver d;
  std::string a = " ", b = " ";
  double kwota = 0;
  bool b_allowed = false;
  Form f(d.con);
  f.GetText(0, 0, a);
  f.GetText(1, 0, b).When([&] { return b_allowed; });
  f.GetNumber(2, 0, kwota, "99999.99");
  d.con.SetHotKey(key::kAltK, [](Console& con) {
    ActiveField* field = con.active_field();
    if (field && field->IsNumeric()) field->SetNumericValue(field->NumericValue() + 42);
  });
  d.Type("a").Key(key::kEnter).Then([&] { EXPECT_EQ(f.current(), 2); });  // b skipped
  d.Type("8").Key(key::kAltK).Then([&] { EXPECT_TRUE(d.ShowsAt(2, 0, "   50.00")); });
  d.Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_DOUBLE_EQ(kwota, 50);
  EXPECT_EQ(d.con.active_field(), nullptr);
}

// A field's ENTERED routine runs on each arrival (forwards, back with Up, and again after
// a refused VALID does not count as a new arrival), never for a field WHEN skips.
TEST(Read, EnteredRunsOnEachArrivalInAField) {
  ScreenDriver d;
  std::string a = " ", b = " ", c = " ";
  bool c_allowed = false;
  std::vector<std::string> arrivals;
  Form f(d.con);
  f.GetText(0, 0, a).Entered([&] { arrivals.push_back("a"); });
  f.GetText(1, 0, b).When([] { return false; }).Entered([&] { arrivals.push_back("b"); });
  f.GetText(2, 0, c).Entered([&] { arrivals.push_back("c"); }).Valid([&] { return c_allowed; });
  d.Key(key::kEnter);
  d.Key(key::kEnter);  // refused: the cursor stays, which is no new arrival
  d.Then([&] { c_allowed = true; });
  d.Key(key::kUp).Key(key::kEnter).Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_EQ(arrivals, (std::vector<std::string>{"a", "c", "a", "c"}));
}

}  // namespace
}  // namespace hurt::console
