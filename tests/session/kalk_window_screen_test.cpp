// The calculator as a window: saving and restoring the screen, moving, the Alt+K hot key
// and the numeric input field it is called from.
#include <gtest/gtest.h>

#include <string>

#include "base/cp852.h"
#include "console/form.h"
#include "console/keys.h"
#include "session/kalk.h"
#include "support/screen_driver.h"

namespace hurt::session {
namespace {

using console::Console;
using hurt::testing::ScreenDriver;
using namespace hurt::literals;
namespace key = console::key;

// Something different in every cell, so that any cell the calculator forgets shows.
void PaintBusyScreen(Console& con) {
  for (int r = 0; r < console::kRows; ++r)
    for (int c = 0; c < console::kCols; ++c)
      con.screen().PutChar(r, c, static_cast<unsigned char>('a' + (r * 3 + c) % 26),
                           console::Attr{static_cast<uint8_t>((r + c) % 16), static_cast<uint8_t>(c % 8)});
  con.screen().Put(4, 62, "Żółta łódź"_pl, console::AttrOf("GR+/B"));
}

TEST(KalkWindow, EscRestoresTheScreenColoursAndCursorExactly) {
  ScreenDriver d;
  PaintBusyScreen(d.con);
  ASSERT_TRUE(d.con.SetColour("GR+/B,W+/R").ok());
  d.con.SetCursor(11, 33);
  d.con.ShowCursor(true);
  d.con.SetInsertShape(true);
  const console::SavedScreen before = d.con.SaveScreen();

  KalkState state;
  d.Type("12+30=").Then([&] { EXPECT_TRUE(d.ShowsAt(4, 60, "                 42")); });
  d.Keys({key::kLeft, key::kLeft}).Then([&] { EXPECT_TRUE(d.ShowsAt(2, 57, "┌─── Kalkulator")); });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console& con) { Kalk(con, state); }));
  EXPECT_TRUE(d.con.screen() == before.cells) << d.Dump();
  EXPECT_EQ(d.con.cursor(), before.cursor);
  EXPECT_TRUE(d.con.colours() == before.colours);
}

TEST(KalkWindow, LeftAndRightMoveOneColumnWithinOneToSixty) {
  ScreenDriver d;
  KalkState state;  // starts at column 60: the frame reaches the last column
  d.Then([&] {
    EXPECT_TRUE(d.ShowsAt(2, 59, "┌"));
    EXPECT_TRUE(d.ShowsAt(2, 79, "┐"));
  });
  d.Key(key::kRight).Then([&] {
    EXPECT_EQ(state.lx, 60);
    EXPECT_EQ(d.term.beeps(), 1);
  });
  d.Key(key::kLeft).Then([&] {
    EXPECT_EQ(state.lx, 59);
    EXPECT_TRUE(d.ShowsAt(2, 58, "┌"));
    EXPECT_TRUE(d.ShowsAt(2, 79, " "));  // the old place is clean again
    EXPECT_TRUE(d.ShowsAt(8, 79, " "));
  });
  d.Key(key::kRight).Then([&] { EXPECT_EQ(state.lx, 60); });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console& con) { Kalk(con, state); }));

  // The column is kept for the next call.
  state.lx = 2;
  ScreenDriver again;
  again.Type("7").Key(key::kLeft).Then([&] {
    EXPECT_EQ(state.lx, 1);
    EXPECT_TRUE(again.ShowsAt(2, 0, "┌─── Kalkulator ────┐"));
    EXPECT_TRUE(again.ShowsAt(4, 0, "│                  7│"));  // the registers keep their value
  });
  again.Key(key::kLeft).Then([&] {
    EXPECT_EQ(state.lx, 1);
    EXPECT_EQ(again.term.beeps(), 1);
  });
  again.Key(key::kEsc);
  ASSERT_TRUE(again.Run([&](Console& con) { Kalk(con, state); }));
  EXPECT_EQ(state.lx, 1);
}

TEST(KalkWindow, AColumnOutOfRangeIsBroughtBack) {
  for (int start : {0, -5, 61, 1000}) {
    ScreenDriver d;
    KalkState state;
    state.lx = start;
    d.Key(key::kEsc);
    ASSERT_TRUE(d.Run([&](Console& con) { Kalk(con, state); }));
    EXPECT_EQ(state.lx, start > 60 ? 60 : 1) << start;
  }
}

TEST(KalkWindow, AltKOpensItFromAnyWaitAndIsOffWhileItRuns) {
  ScreenDriver d;
  KalkState state;
  InstallKalk(d.con, state);
  int got = 0;
  d.Key(key::kAltK).Then([&] { EXPECT_TRUE(d.ShowsAt(2, 59, "┌─── Kalkulator ────┐")); });
  d.Key(key::kAltK).Then([&] { EXPECT_EQ(d.term.beeps(), 1); });  // not a second calculator
  d.Type("6*7=").Then([&] { EXPECT_TRUE(d.ShowsAt(4, 60, "                 42")); });
  d.Type("M").Key(key::kEsc).Key('x');
  ASSERT_TRUE(d.Run([&](Console& con) { got = con.WaitKey(); }));
  EXPECT_EQ(got, 'x');  // the screen below gets the keys after Esc
  EXPECT_EQ(state.memory, "42");
  EXPECT_FALSE(d.Contains("Kalkulator"));
  EXPECT_TRUE(d.con.HasHotKey(key::kAltK));
}

TEST(KalkWindow, TakesAndGivesBackTheValueOfANumericField) {
  ScreenDriver d;
  KalkState state;
  InstallKalk(d.con, state);
  std::string nazwa = "Mleko     ";
  double cena = 12.5, ilosc = 0;
  console::Form f(d.con);
  f.GetText(5, 10, nazwa);
  f.GetNumber(6, 10, cena, "99999.99");
  f.GetNumber(7, 10, ilosc, "9999.999");

  d.Key(key::kEnter);  // to the price
  d.Key(key::kAltK).Then([&] {
    EXPECT_TRUE(d.ShowsAt(4, 60, "               12.5"));
    EXPECT_TRUE(d.ShowsAt(6, 10, "   12.50"));  // the field below is still as it was
  });
  d.Type("*3=").Then([&] { EXPECT_TRUE(d.ShowsAt(4, 60, "               37.5")); });
  d.Key(key::kEsc).Then([&] {
    EXPECT_TRUE(d.ShowsAt(6, 10, "   37.50"));
    EXPECT_FALSE(d.Contains("Kalkulator"));
  });
  d.Key(key::kEnter);  // to the quantity
  d.Key(key::kAltK).Then([&] { EXPECT_TRUE(d.ShowsAt(4, 60, "                  0")); });
  d.Type("10/4").Key(key::kEsc).Then([&] { EXPECT_TRUE(d.ShowsAt(7, 10, "   4.000")); });  // the value shown: 4
  d.Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_DOUBLE_EQ(cena, 37.5);
  EXPECT_DOUBLE_EQ(ilosc, 4);
  EXPECT_EQ(nazwa, "Mleko     ");
}

TEST(KalkWindow, AnErrorOrATextFieldLeavesTheFieldAlone) {
  ScreenDriver d;
  KalkState state;
  InstallKalk(d.con, state);
  std::string nazwa = "Mleko     ";
  double cena = 12.5;
  console::Form f(d.con);
  f.GetText(5, 10, nazwa);
  f.GetNumber(6, 10, cena, "99999.99");

  d.Key(key::kAltK).Then([&] { EXPECT_TRUE(d.ShowsAt(4, 60, "                  0")); });  // a text field: not loaded
  d.Type("99").Key(key::kEsc).Then([&] { EXPECT_TRUE(d.ShowsAt(5, 10, "Mleko     ")); });
  d.Key(key::kEnter);
  d.Key(key::kAltK).Type("/0=").Then([&] { EXPECT_TRUE(d.Contains("Dzielenie przez 0")); });
  d.Key(key::kEsc).Then([&] { EXPECT_TRUE(d.ShowsAt(6, 10, "   12.50")); });
  d.Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_DOUBLE_EQ(cena, 12.5);
  EXPECT_EQ(nazwa, "Mleko     ");
}

TEST(KalkWindow, AValueTooWideForTheFieldIsNotGivenToIt) {
  ScreenDriver d;
  KalkState state;
  InstallKalk(d.con, state);
  double kwota = 5, ilosc = 2;
  console::Form f(d.con);
  f.GetNumber(6, 10, kwota, "99999.99");
  f.GetNumber(7, 10, ilosc, "999");
  d.Key(key::kAltK).Type("*20000=").Key(key::kEsc).Then([&] {
    EXPECT_TRUE(d.Contains("Wynik nie mieści się w polu"));
    EXPECT_TRUE(d.ShowsAt(6, 10, "    5.00"));
  });
  d.Key('x').Then([&] { EXPECT_FALSE(d.Contains("Wynik nie")); });  // a key ends the message early
  d.Key(key::kEnter);
  d.Key(key::kAltK).Type("*499.6=").Key(key::kEsc).Then([&] {
    EXPECT_FALSE(d.Contains("Wynik nie"));  // 999.2 rounds into the field
    EXPECT_TRUE(d.ShowsAt(7, 10, "999"));
  });
  d.Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_DOUBLE_EQ(kwota, 5);
  EXPECT_DOUBLE_EQ(ilosc, 999);
}

TEST(KalkWindow, MemoryTypedBackWithNGoesToTheField) {
  ScreenDriver d;
  KalkState state;
  state.memory = "-3.25";
  InstallKalk(d.con, state);
  double kwota = 100;
  console::Form f(d.con);
  f.GetNumber(6, 10, kwota, "99999.99");
  d.Key(key::kAltK).Type("+N").Then([&] { EXPECT_TRUE(d.ShowsAt(4, 60, "              -3.25")); });
  d.Key(key::kEsc).Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console&) { f.Read(); }));
  EXPECT_DOUBLE_EQ(kwota, -3.25);
  EXPECT_TRUE(state.memory.empty());
}

}  // namespace
}  // namespace hurt::session
