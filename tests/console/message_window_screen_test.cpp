#include "console/message_window.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "console/keys.h"
#include "support/screen_driver.h"

namespace hurt::console {
namespace {

using hurt::testing::ScreenDriver;
using namespace hurt::literals;

// A screen with something in every cell, so that any cell a window forgets shows.
void PaintBusyScreen(Console& con) {
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c)
      con.screen().PutChar(r, c, static_cast<unsigned char>('A' + (r * 7 + c) % 26),
                           Attr{static_cast<uint8_t>((r + c) % 16), static_cast<uint8_t>(r % 8)});
  con.screen().Put(17, 35, "Zażółć gęślą"_pl, AttrOf("GR+/B"));
  con.SetCursor(3, 7);
  con.ShowCursor(true);
}

TEST(OknoMessage, ShowsForOneSecondAndLeavesTheScreenExactlyAsItWas) {
  ScreenDriver d;
  PaintBusyScreen(d.con);
  const ScreenBuffer before = d.con.screen();
  const CursorState cursor_before = d.con.cursor();

  bool seen = false;
  d.Then([&] {
    seen = true;
    EXPECT_TRUE(d.ShowsAt(17, OknoTextColumn(13), "Zapisuję dane"));
    EXPECT_TRUE(d.ShowsAt(15, 30, "╔═"));
    EXPECT_TRUE(d.ShowsAt(19, 71, "═╝"));
    EXPECT_TRUE(d.ShowsAt(16, 31, "  "));  // the inside is cleared
    EXPECT_TRUE(d.ColourIs(15, 30, "0/7"));
    EXPECT_TRUE(d.ColourIs(17, OknoTextColumn(13), "W+/N"));
  });
  ASSERT_TRUE(d.Run([&](Console& con) { Okno_(con, "Zapisuję dane"_pl); }));
  EXPECT_TRUE(seen);
  EXPECT_EQ(d.clock.Elapsed(), 1000);
  EXPECT_TRUE(d.con.screen() == before) << d.Dump();
  EXPECT_EQ(d.con.cursor(), cursor_before);
}

TEST(OknoMessage, AKeyEndsTheSecondEarly) {
  ScreenDriver d;
  d.Key('x');
  ASSERT_TRUE(d.Run([&](Console& con) { Okno_(con, "Komunikat"); }));
  EXPECT_EQ(d.clock.Elapsed(), 0);
  EXPECT_TRUE(d.term.Finished());
}

TEST(OknoMessage, CentresOnRow17) {
  EXPECT_EQ(OknoTextColumn(1), 51);
  EXPECT_EQ(OknoTextColumn(10), 46);  // 31 + 31/2, rounded down
  EXPECT_EQ(OknoTextColumn(40), 31);
  EXPECT_EQ(OknoTextColumn(41), 31);
  EXPECT_EQ(OknoTextColumn(45), 29);  // integer part of -2

  ScreenDriver d;
  d.Then([&] {
    EXPECT_TRUE(d.LineIs(17, std::string(30, ' ') + "║" + std::string(16, ' ') + "Brak praw" + std::string(16, ' ') + "║"));
  });
  ASSERT_TRUE(d.Run([&](Console& con) { Okno_(con, "Brak praw"); }));
}

// A long message stays inside its frame: wrapped at blanks onto the rows of the box, and a
// frame as wide as the screen when three narrow lines are not enough. Nothing is drawn past
// column 79 or outside rows 15-20, and the screen comes back whole.
TEST(OknoMessage, ALongMessageIsWrappedInsideItsFrame) {
  const std::string medium = "Plik 26/12/as.dbf krotszy niz naglowek: 51 rekordow, w pliku 48";
  const OknoLayout m = LayOutOkno(medium);
  EXPECT_EQ(m.left, kOknoLeft);
  ASSERT_EQ(m.lines.size(), 2u);
  EXPECT_EQ(m.lines[0] + " " + m.lines[1], medium);
  for (const std::string& line : m.lines) EXPECT_LE(line.size(), 41u) << line;

  std::string very_long;
  for (int i = 0; i < 12; ++i) very_long += "indeks " + std::to_string(i) + " uszkodzony, ";
  const OknoLayout w = LayOutOkno(very_long);
  EXPECT_EQ(w.left, 1);
  EXPECT_EQ(w.right, 78);
  ASSERT_LE(w.lines.size(), 3u);
  for (const std::string& line : w.lines) EXPECT_LE(line.size(), 76u) << line;
  EXPECT_EQ(LayOutOkno(std::string(200, 'X'), 2).lines.size(), 2u) << "a question keeps row 18 for its answer";

  ScreenDriver d;
  PaintBusyScreen(d.con);
  const ScreenBuffer before = d.con.screen();
  d.Then([&] {
    EXPECT_TRUE(d.ShowsAt(15, 1, "╔═"));
    EXPECT_TRUE(d.ShowsAt(19, 77, "═╝"));
    EXPECT_TRUE(d.ShowsAt(16, 2 + (76 - static_cast<int>(w.lines[0].size())) / 2, w.lines[0]));
  });
  ASSERT_TRUE(d.Run([&](Console& con) { Okno_(con, very_long); }));
  EXPECT_TRUE(d.con.screen() == before) << d.Dump();
}

TEST(OknoMessage, ZeroWaitsForAKeyInRedWithYellowText) {
  ScreenDriver d;
  d.Wait(600'000).Then([&] {
    EXPECT_TRUE(d.Contains("NIE ZNALAZŁEM"));  // still there after ten minutes
    EXPECT_TRUE(d.ColourIs(15, 30, "W+/R"));
    EXPECT_TRUE(d.ColourIs(17, OknoTextColumn(13), "RG+/N"));
  });
  d.Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console& con) { Okno_(con, "NIE ZNALAZŁEM"_pl, 0); }));
  EXPECT_TRUE(d.term.Finished());
  EXPECT_FALSE(d.Contains("NIE ZNALAZŁEM"));
}

TEST(OknoMessage, SecondsFormUsesRedTextAndOneUsesTheNormalColours) {
  ScreenDriver d;
  d.Then([&] {
    EXPECT_TRUE(d.ColourIs(15, 30, "W+/R"));
    EXPECT_TRUE(d.ColourIs(17, OknoTextColumn(5), "R+/N"));
  });
  ASSERT_TRUE(d.Run([&](Console& con) { Okno_(con, "Błąd!"_pl, 3); }));
  EXPECT_EQ(d.clock.Elapsed(), 3000);

  ScreenDriver one;
  one.Then([&] {
    EXPECT_TRUE(one.ColourIs(15, 30, "0/7"));
    EXPECT_TRUE(one.ColourIs(17, OknoTextColumn(5), "W+/N"));
  });
  ASSERT_TRUE(one.Run([&](Console& con) { Okno_(con, "Uwaga", 1); }));
  EXPECT_EQ(one.clock.Elapsed(), 1000);
}

TEST(OknoMessage, TextFormStaysWithoutWaiting) {
  ScreenDriver d;
  ASSERT_TRUE(d.Run([&](Console& con) { OknoNoWait(con, "Prosze czekac..."); }));
  EXPECT_EQ(d.clock.Elapsed(), 0);
  EXPECT_TRUE(d.ShowsAt(17, OknoTextColumn(16), "Prosze czekac..."));
}

struct Answer {
  std::vector<int> keys;
  std::string preset;
  bool expected;
};

TEST(OknoQuestion, AcceptsTNAndEnterWithADefault) {
  const Answer cases[] = {
      {{'T'}, "", true},
      {{'t'}, "N", true},
      {{'N'}, "T", false},
      {{'n'}, "", false},
      {{key::kEnter}, "T", true},
      {{key::kEnter}, "N", false},
      {{key::kEnter, 'x', key::kEsc, 'n'}, "", false},  // no default: Enter, others and Esc wait on
      {{key::kEsc, 'T'}, "N", true},
  };
  for (const Answer& a : cases) {
    ScreenDriver d;
    PaintBusyScreen(d.con);
    const ScreenBuffer before = d.con.screen();
    for (int k : a.keys) d.Key(k);
    bool answer = !a.expected;
    ASSERT_TRUE(d.Run([&](Console& con) { answer = Okno(con, "CZY CHCESZ ZAKONCZYC PRACE ?", a.preset); }));
    EXPECT_EQ(answer, a.expected) << "keys " << a.keys.size() << " preset '" << a.preset << "'";
    EXPECT_TRUE(d.term.Finished());
    EXPECT_TRUE(d.con.screen() == before);
  }
}

TEST(OknoQuestion, ShowsTheQuestionBoxAndTheDefault) {
  ScreenDriver d;
  d.Then([&] {
    EXPECT_TRUE(d.ShowsAt(17, OknoTextColumn(28), "CHCESZ  SKASOWAC  POZYCJE  ?"));
    EXPECT_TRUE(d.ShowsAt(18, 37, "┌"));
    EXPECT_TRUE(d.ShowsAt(20, 65, "┘"));
    EXPECT_TRUE(d.ShowsAt(19, 38, "      [T/N]  ? T"));
    EXPECT_TRUE(d.ColourIs(19, 53, "W+/R"));
    EXPECT_EQ(d.con.cursor().row, 19);
    EXPECT_EQ(d.con.cursor().col, 53);
  });
  d.Key('N');
  ASSERT_TRUE(d.Run([&](Console& con) { EXPECT_FALSE(Okno(con, "CHCESZ  SKASOWAC  POZYCJE  ?", "T")); }));
}

TEST(OknoQuestion, ForcedAnswerAsksNothing) {
  ScreenDriver d;
  const ScreenBuffer before = d.con.screen();
  ASSERT_TRUE(d.Run([&](Console& con) { EXPECT_TRUE(Okno(con, "Pytanie", "N", true)); }));
  EXPECT_EQ(d.term.presents(), 0);
  EXPECT_TRUE(d.con.screen() == before);
}

TEST(MaskedEntry, EchoesStarsAndReturnsTenCharacters) {
  ScreenDriver d;
  d.Type("ab").Then([&] {
    EXPECT_TRUE(d.ShowsAt(19, 50, "**_"));
    EXPECT_FALSE(d.Contains("ab"));
    EXPECT_TRUE(d.ColourIs(19, 50, "W+/B+"));
  });
  d.Type("c").Key(key::kBackspace).Then([&] { EXPECT_TRUE(d.ShowsAt(19, 50, "**_ ")); });
  d.Type("ł").Key(key::kEnter);
  MaskedEntry e;
  ASSERT_TRUE(d.Run([&](Console& con) { e = GetHhhhh(con); }));
  EXPECT_EQ(e.text, std::string("abł"_pl) + std::string(7, ' '));
  EXPECT_FALSE(e.escaped);
}

TEST(MaskedEntry, TenCharactersWaitForEnterAndEscIsReported) {
  ScreenDriver d;
  d.Type("1234567890").Then([&] { EXPECT_TRUE(d.ShowsAt(10, 41, "**********_")); });
  d.Type("1").Key(key::kEnter);  // an eleventh is refused; Enter ends the entry
  MaskedEntry e;
  ASSERT_TRUE(d.Run([&](Console& con) { e = GetHhhhh(con, 10, 41, "0,0"); }));
  EXPECT_EQ(e.text, "1234567890");
  EXPECT_TRUE(d.term.Finished());
  EXPECT_TRUE(d.ColourIs(10, 41, "N/N"));  // "0,0": even the stars are hidden

  ScreenDriver esc;
  esc.Type("ab").Key(key::kEsc);
  ASSERT_TRUE(esc.Run([&](Console& con) { e = GetHhhhh(con); }));
  EXPECT_TRUE(e.escaped);
}

}  // namespace
}  // namespace hurt::console
