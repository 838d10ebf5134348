#include <gtest/gtest.h>

#include <string>

#include "base/cp852.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/helpers_screen.h"
#include "support/screen_driver.h"

namespace hurt::session {
namespace {

using console::Console;
using hurt::testing::ScreenDriver;
using namespace hurt::literals;
namespace key = console::key;

std::string Times(std::string_view utf8, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += utf8;
  return s;
}

// The background every frame test draws on: "░" everywhere, so a cell the frame should
// not touch shows.
void FillBackground(Console& con) {
  con.screen().Fill(0, 0, console::kRows - 1, console::kCols - 1, "░"_pl[0], console::AttrOf("B/N+"));
}

TEST(Ramka, DrawsTheMagazynFrameExactly) {
  ScreenDriver d;
  FillBackground(d.con);
  d.con.screen().Put(4, 1, " MAGAZYN                           ", console::AttrOf("W+/B"));  // the main item
  ASSERT_TRUE(d.con.SetColour("W/N").ok());
  Ramka(d.con, 4, 0, 15, 36, {7, 13});

  const std::string outside = Times("░", 43);
  const std::string inner = std::string(35, ' ');
  EXPECT_TRUE(d.LineIs(3, Times("░", 80)));
  EXPECT_TRUE(d.LineIs(4, "│ MAGAZYN                           │" + outside));
  EXPECT_TRUE(d.LineIs(5, "│" + Times("▀", 35) + "│" + outside));
  EXPECT_TRUE(d.LineIs(6, "│" + inner + "│" + outside));
  EXPECT_TRUE(d.LineIs(7, "├" + Times("─", 35) + "┤" + outside));
  for (int row = 8; row <= 12; ++row) EXPECT_TRUE(d.LineIs(row, "│" + inner + "│" + outside)) << row;
  EXPECT_TRUE(d.LineIs(13, "├" + Times("─", 35) + "┤" + outside));
  EXPECT_TRUE(d.LineIs(14, "│" + inner + "│" + outside));
  EXPECT_TRUE(d.LineIs(15, "└" + Times("─", 35) + "┘" + outside));
  EXPECT_TRUE(d.LineIs(16, Times("░", 80)));

  EXPECT_TRUE(d.ColourIs(4, 1, "W+/B"));  // the main item keeps its highlight
  EXPECT_TRUE(d.ColourIs(4, 0, "W/N"));   // the frame is in the current colour
  EXPECT_TRUE(d.ColourIs(5, 10, "W/N"));
  EXPECT_TRUE(d.ColourIs(9, 10, "W/N"));  // the inside too
  EXPECT_TRUE(d.ColourIs(15, 36, "W/N"));
}

TEST(Ramka, FrameAtTheRightEdgeWithFourSeparators) {
  ScreenDriver d;
  FillBackground(d.con);
  Ramka(d.con, 0, 42, 24, 79, {6, 8, 13, 20});
  const std::string before = Times("░", 42);
  for (int row : {6, 8, 13, 20}) EXPECT_TRUE(d.LineIs(row, before + "├" + Times("─", 36) + "┤")) << row;
  EXPECT_TRUE(d.LineIs(0, before + "│" + Times("░", 36) + "│"));  // the main item's row: only the sides
  EXPECT_TRUE(d.LineIs(1, before + "│" + Times("▀", 36) + "│"));
  EXPECT_TRUE(d.LineIs(7, before + "│" + std::string(36, ' ') + "│"));
  EXPECT_TRUE(d.LineIs(24, before + "└" + Times("─", 36) + "┘"));
}

TEST(Ramka, SeparatorsOutsideTheItemRowsAreSkipped) {
  ScreenDriver d;
  FillBackground(d.con);
  Ramka(d.con, 2, 25, 20, 50, {0, 2, 3, 20, 21, -4, 100});
  const std::string before = Times("░", 25), after = Times("░", 29);
  EXPECT_TRUE(d.LineIs(3, before + "│" + Times("▀", 24) + "│" + after));
  for (int row = 4; row <= 19; ++row) EXPECT_TRUE(d.LineIs(row, before + "│" + std::string(24, ' ') + "│" + after)) << row;
  EXPECT_TRUE(d.LineIs(20, before + "└" + Times("─", 24) + "┘" + after));
  EXPECT_TRUE(d.LineIs(0, Times("░", 80)));
  EXPECT_TRUE(d.LineIs(21, Times("░", 80)));
}

TEST(Ramka, TooSmallOrInvertedFramesDrawNothing) {
  ScreenDriver d;
  FillBackground(d.con);
  const console::ScreenBuffer before = d.con.screen();
  Ramka(d.con, 5, 10, 6, 20);   // no room for the line under the item
  Ramka(d.con, 5, 10, 10, 11);  // no room inside
  Ramka(d.con, 10, 10, 5, 20);
  EXPECT_TRUE(d.con.screen() == before);

  Ramka(d.con, 20, 70, 30, 90, {22});  // beyond the screen: clipped, no crash
  EXPECT_TRUE(d.ShowsAt(22, 70, "├─────────"));
  EXPECT_TRUE(d.ShowsAt(24, 70, "│"));
}

TEST(Koniec, AsksWithYesPresetAndAnswers) {
  struct Case {
    int key;
    bool answer;
  };
  for (Case c : {Case{'T', true}, Case{key::kEnter, true}, Case{'t', true}, Case{'N', false}, Case{'n', false}}) {
    ScreenDriver d;
    const console::ScreenBuffer before = d.con.screen();
    bool answer = !c.answer;
    d.Then([&] {
      EXPECT_TRUE(d.ShowsAt(17, console::OknoTextColumn(35), "   CZY  CHCESZ  ZAKONCZYC  PRACE  ?"));
      EXPECT_TRUE(d.ShowsAt(19, 53, "T"));
      EXPECT_TRUE(d.ColourIs(19, 53, "W+/R"));
    });
    d.Keys({'x', c.key});  // other keys are not answers
    ASSERT_TRUE(d.Run([&](Console& con) { answer = Koniec(con); }));
    EXPECT_EQ(answer, c.answer) << console::KeyName(c.key);
    EXPECT_TRUE(d.term.Finished());
    EXPECT_TRUE(d.con.screen() == before);
  }
}

TEST(Monitor, MenuColoursByDisplay) {
  ScreenDriver colour;
  Monitor(colour.con);
  EXPECT_EQ(console::AttrName(colour.con.colours().standard), "W/N");
  EXPECT_EQ(console::AttrName(colour.con.colours().enhanced), "W+/N");
  MonitorInverse(colour.con);
  EXPECT_EQ(console::AttrName(colour.con.colours().standard), "N/W");

  ScreenDriver mono(false);
  Monitor(mono.con);
  EXPECT_TRUE(mono.con.colours().standard.underline);
  EXPECT_TRUE(mono.con.colours().enhanced.underline);
  EXPECT_EQ(mono.con.colours().enhanced.fg, console::kBrightBlue);  // "U+" is bright
}

}  // namespace
}  // namespace hurt::session
