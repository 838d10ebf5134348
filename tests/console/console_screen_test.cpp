#include "console/console.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "base/cp852.h"
#include "console/keys.h"
#include "support/screen_driver.h"

namespace hurt::console {
namespace {

using hurt::testing::ScreenDriver;
using namespace hurt::literals;

TEST(ConsoleKeys, InkeyWaitsOnTheClockAndAKeyEndsItEarly) {
  ScreenDriver d;
  int k = -1;
  ASSERT_TRUE(d.Run([&](Console& con) { k = con.Inkey(2.5); }));
  EXPECT_EQ(k, key::kNone);
  EXPECT_EQ(d.clock.Elapsed(), 2500);

  d.Wait(700).Key('a');
  ASSERT_TRUE(d.Run([&](Console& con) { k = con.Inkey(2); }));
  EXPECT_EQ(k, 'a');
  EXPECT_EQ(d.clock.Elapsed(), 3200);
  EXPECT_EQ(d.con.LastKey(), 'a');

  d.Wait(60'000).Key('b');  // INKEY(0) waits for ever
  ASSERT_TRUE(d.Run([&](Console& con) { k = con.Inkey(0); }));
  EXPECT_EQ(k, 'b');

  d.Wait(10).Key('c');
  ASSERT_TRUE(d.Run([&](Console& con) { k = con.PollKey(); }));  // no wait at all
  EXPECT_EQ(k, key::kNone);
  EXPECT_EQ(d.con.LastKey(), 'b');
}

TEST(ConsoleKeys, StuffedKeysComeFirstAndKeyboardReplacesThem) {
  ScreenDriver d;
  d.Key('z');
  std::vector<int> got;
  ASSERT_TRUE(d.Run([&](Console& con) {
    con.Keyboard({'1', '2'});
    con.Keyboard({key::kEnter, key::kUp, key::kEnter});  // KEYBOARD drops what was waiting
    con.PushKeys({'x'});
    EXPECT_EQ(con.NextKey(), key::kEnter);
    for (int i = 0; i < 5; ++i) got.push_back(con.WaitKey());
  }));
  EXPECT_EQ(got, (std::vector<int>{key::kEnter, key::kUp, key::kEnter, 'x', 'z'}));

  ASSERT_TRUE(d.Run([&](Console& con) {
    con.KeyboardText("ab"_pl);
    con.ClearTypeahead();
    EXPECT_EQ(con.PollKey(), key::kNone);
  }));
}

TEST(ConsoleKeys, HotKeysRunWhileWaitingAndNotInsideThemselves) {
  ScreenDriver d;
  int runs = 0;
  int inner_key = 0;
  d.con.SetHotKey(key::kAltK, [&](Console& con) {
    ++runs;
    con.Say(0, 0, "KALKULATOR");
    inner_key = con.WaitKey();  // a second Alt+K inside is an ordinary key
  });
  d.Keys({'a', key::kAltK, key::kAltK, 'b'});
  std::vector<int> got;
  ASSERT_TRUE(d.Run([&](Console& con) {
    got.push_back(con.WaitKey());
    got.push_back(con.WaitKey());
  }));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(inner_key, key::kAltK);
  EXPECT_EQ(got, (std::vector<int>{'a', 'b'}));
  EXPECT_TRUE(d.ShowsAt(0, 0, "KALKULATOR"));

  d.con.ClearHotKey(key::kAltK);
  d.Key(key::kAltK);
  ASSERT_TRUE(d.Run([&](Console& con) { EXPECT_EQ(con.WaitKey(), key::kAltK); }));
}

TEST(ConsoleKeys, AHotKeyRoutineMayRemoveItself) {
  ScreenDriver d;
  int runs = 0;
  d.con.SetHotKey(key::F(1), [&](Console& con) {
    ++runs;
    con.ClearHotKey(key::F(1));
  });
  d.Keys({key::F(1), key::F(1), 'q'});
  std::vector<int> got;
  ASSERT_TRUE(d.Run([&](Console& con) {
    got.push_back(con.WaitKey());
    got.push_back(con.WaitKey());
  }));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(got, (std::vector<int>{key::F(1), 'q'}));
}

TEST(ConsoleDrawing, SayColoursBoxesAndSavedRegions) {
  ScreenDriver d;
  Console& con = d.con;
  ASSERT_TRUE(con.SetColour("W+/B").ok());
  EXPECT_FALSE(con.SetColour("ZZ/Q").ok());  // refused: the colour stays
  con.Clear();
  EXPECT_TRUE(d.ColourIs(10, 10, "W+/B"));
  con.Say(2, 3, "Zażółć"_pl);
  EXPECT_TRUE(d.ShowsAt(2, 3, "Zażółć"));
  EXPECT_EQ(con.cursor().col, 9);

  SavedRegion saved = con.Save(1, 1, 5, 20);
  SavedScreen whole = con.SaveScreen();
  con.Box(1, 1, 5, 20, DoubleFrame(), AttrOf("GR+/R"), ' ');
  EXPECT_TRUE(d.ShowsAt(1, 1, "╔══"));
  EXPECT_TRUE(d.ShowsAt(5, 19, "═╝"));
  EXPECT_TRUE(d.ShowsAt(3, 1, "║"));
  EXPECT_TRUE(d.ShowsAt(2, 3, "      "));
  con.Restore(saved);
  EXPECT_TRUE(d.ShowsAt(2, 3, "Zażółć"));
  con.Clear();
  con.RestoreScreen(whole);
  EXPECT_TRUE(d.ShowsAt(2, 3, "Zażółć"));
  EXPECT_EQ(con.cursor().col, 9);

  con.screen().Put(4, 0, "\x18\x19\x1a\x1b\x10\x11", Attr{});  // the screen's arrows and triangles
  EXPECT_TRUE(d.ShowsAt(4, 0, "↑↓→←►◄"));
  con.screen().Put(5, 0, "█▒▀═│┼┴░▓▄"_pl, Attr{});
  EXPECT_TRUE(d.ShowsAt(5, 0, "█▒▀═│┼┴░▓▄"));
  con.Say(24, 75, "abcdefghij");  // clipped at the edge
  EXPECT_TRUE(d.ShowsAt(24, 75, "abcde"));
}

TEST(ConsoleDrawing, OnlyChangedCellsAreReported) {
  ScreenBuffer a, b;
  EXPECT_TRUE(ChangedRuns(a, b).empty());
  b.Put(3, 10, "abc", Attr{});
  b.PutChar(3, 14, 'x', Attr{});
  b.Paint(7, 79, 7, 79, AttrOf("W+/R"));
  auto runs = ChangedRuns(a, b);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].row, 3);
  EXPECT_EQ(runs[0].col, 10);
  EXPECT_EQ(runs[0].length, 3);
  EXPECT_EQ(runs[1].col, 14);
  EXPECT_EQ(runs[2].row, 7);
  EXPECT_EQ(runs[2].col, 79);
}

TEST(ConsoleDrawing, MonochromeTerminalsGetTheMonochromeScheme) {
  ScreenDriver mono(false);
  EXPECT_FALSE(mono.con.IsColour());
  EXPECT_EQ(mono.con[Role::kAlertFrame], AttrOf("N/W"));
  ScreenDriver colour;
  EXPECT_EQ(colour.con[Role::kAlertFrame], AttrOf("W+/R"));
  EXPECT_EQ(Theme::CashRegister()[Role::kBackground], AttrOf("GR/N+"));
  EXPECT_EQ(Theme::Green().MenuColours().enhanced, AttrOf("W+/G"));
}

TEST(ScreenDriverSupport, AScriptThatRunsOutFailsInsteadOfHanging) {
  ScreenDriver d;
  d.Key('a');
  bool ok = true;
  ::testing::TestPartResultArray failures;
  {
    ::testing::ScopedFakeTestPartResultReporter intercept(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    ok = d.Run([&](Console& con) {
      con.Say(3, 3, "czekam");
      for (;;) con.WaitKey();  // a screen that never ends by itself
    });
  }
  EXPECT_FALSE(ok);
  ASSERT_EQ(failures.size(), 1);
  std::string message = failures.GetTestPartResult(0).message();
  EXPECT_NE(message.find("ran out"), std::string::npos);
  EXPECT_NE(message.find("czekam"), std::string::npos);  // the screen as it waited
}

}  // namespace
}  // namespace hurt::console
