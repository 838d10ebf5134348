#include "console/menu.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "console/keys.h"
#include "support/screen_driver.h"

namespace hurt::console {
namespace {

using hurt::testing::ScreenDriver;
using namespace hurt::literals;

Menu Dowody(Console& con) {
  Menu m(con);
  m.Prompt(4, 26, " Edycja                 ")
      .Prompt(5, 26, std::string(" Wyświetlanie i wydruk  "_pl))
      .Prompt(6, 26, "                        ")  // an item this operator may not use
      .Prompt(7, 26, " Zestawienie dowodow    ");
  return m;
}

TEST(MenuTo, HighlightsTheCurrentItemInTheSelectedColour) {
  ScreenDriver d;
  ASSERT_TRUE(d.con.SetColour("W/N,W+/B").ok());
  Menu m = Dowody(d.con);
  d.Then([&] {
    EXPECT_TRUE(d.ShowsAt(5, 26, " Wyświetlanie i wydruk"));
    EXPECT_TRUE(d.ColourIs(5, 27, "W+/B"));
    EXPECT_TRUE(d.ColourIs(4, 27, "W/N"));
    EXPECT_TRUE(d.ColourIs(7, 27, "W/N"));
  });
  d.Key(key::kEnter);
  MenuResult r;
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(2); }));
  EXPECT_EQ(r.choice, 2);
  EXPECT_EQ(r.exit, MenuExit::kChosen);
}

TEST(MenuTo, WrapsFromLastToFirstAndBack) {
  ScreenDriver d;
  Menu m = Dowody(d.con);
  MenuResult r;
  d.Keys({key::kDown, key::kEnter});
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(4); }));
  EXPECT_EQ(r.choice, 1);

  d.Keys({key::kUp, key::kEnter});
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(1); }));
  EXPECT_EQ(r.choice, 4);

  m.Wrap(false);
  d.Keys({key::kUp, key::kUp, key::kEnter});
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(1); }));
  EXPECT_EQ(r.choice, 1);
}

TEST(MenuTo, BlankItemsCanBeHighlightedAndChosen) {
  ScreenDriver d;
  ASSERT_TRUE(d.con.SetColour("W/N,W+/B").ok());
  Menu m = Dowody(d.con);
  d.Key(key::kDown).Then([&] { EXPECT_TRUE(d.ColourIs(6, 30, "W+/B")); }).Key(key::kEnter);
  MenuResult r;
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(2); }));
  EXPECT_EQ(r.choice, 3);
}

TEST(MenuTo, FirstLetterChoosesAtOnceAndEscGivesZero) {
  ScreenDriver d;
  Menu m = Dowody(d.con);
  MenuResult r;
  d.Key('z');
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(1); }));
  EXPECT_EQ(r.choice, 4);
  EXPECT_EQ(r.exit, MenuExit::kChosen);

  d.Keys({'q', key::kEsc});  // no such letter: nothing happens
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(1); }));
  EXPECT_EQ(r.choice, 0);
  EXPECT_EQ(r.exit, MenuExit::kEscape);
}

TEST(MenuTo, LeftAndRightEndTheMenuWhenAsked) {
  ScreenDriver d;
  Menu m = Dowody(d.con);
  m.EndOnLeftRight(true);
  MenuResult r;
  d.Keys({key::kDown, key::kLeft});
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(1); }));
  EXPECT_EQ(r.exit, MenuExit::kLeft);
  EXPECT_EQ(r.choice, 2);

  d.Key(key::kRight);
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(3); }));
  EXPECT_EQ(r.exit, MenuExit::kRight);
  EXPECT_EQ(r.choice, 3);

  m.EndOnLeftRight(false);  // otherwise they move like Up and Down
  d.Keys({key::kRight, key::kRight, key::kEnter});
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(1); }));
  EXPECT_EQ(r.exit, MenuExit::kChosen);
  EXPECT_EQ(r.choice, 3);
}

// The pull-down bar: Left in a sub-menu ends it, and the keys put into the keyboard
// buffer make the main menu open the neighbour, wrapping from the first to the last.
TEST(MenuTo, LeftInASubMenuOpensTheNeighbourThroughTheKeyboardBuffer) {
  ScreenDriver d;
  Menu main(d.con);
  main.Prompt(4, 1, " MAGAZYN").Prompt(3, 13, " ROZRACHUNKI").Prompt(2, 26, " DOWODY").Prompt(1, 34, " RAPORTY")
      .Prompt(0, 43, " FUNKCJE SPECJALNE");
  Menu sub(d.con);
  sub.Prompt(6, 1, " Kartoteki magazynowe").Prompt(8, 1, " Oferta handlowa").EndOnLeftRight(true);
  d.Keys({key::kEnter, key::kLeft, key::kEsc});
  std::vector<int> opened;
  ASSERT_TRUE(d.Run([&](Console& con) {
    int k_glowne = 1;
    for (;;) {
      MenuResult top = main.Run(k_glowne);
      if (top.choice == 0) break;
      k_glowne = top.choice;
      opened.push_back(top.choice);
      if (top.choice != 1) continue;  // the other sub-menus are not needed here
      MenuResult r = sub.Run(1);
      if (r.exit == MenuExit::kLeft) con.Keyboard({key::kUp, key::kEnter});
    }
  }));
  EXPECT_EQ(opened, (std::vector<int>{1, 5}));
}

TEST(MenuTo, MessagesShowOnTheMessageRowAndHotKeysWork) {
  ScreenDriver d;
  Menu m(d.con);
  m.Prompt(2, 2, " Jeden", "Pierwsza pozycja").Prompt(3, 2, " Dwa", "Druga pozycja").MessageRow(24, true);
  int calls = 0;
  d.con.SetHotKey(key::kAltK, [&](Console& con) {
    ++calls;
    con.screen().Put(0, 0, "KALKULATOR", Attr{});
  });
  d.Key(key::kDown).Then([&] { EXPECT_TRUE(d.LineIs(24, std::string(33, ' ') + "Druga pozycja")); });
  d.Key(key::kAltK).Key(key::kEnter);
  MenuResult r;
  ASSERT_TRUE(d.Run([&](Console&) { r = m.Run(1); }));
  EXPECT_EQ(r.choice, 2);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(d.ShowsAt(0, 0, "KALKULATOR"));
}

TEST(PickList, ScrollsPagesAndFindsByFirstLetter) {
  std::vector<std::string> kinds;
  for (int i = 0; i < 50; ++i) kinds.push_back("Pozycja " + std::to_string(i + 1));
  kinds[30] = "Faktura VAT";
  VectorListSource source(kinds);
  ScreenDriver d;
  ASSERT_TRUE(d.con.SetColour("W/N,N/W").ok());
  PickList list(d.con, source, 5, 10, 16, 40, true);  // 10 rows inside the frame
  d.Then([&] {
    EXPECT_TRUE(d.ShowsAt(5, 10, "╔"));
    EXPECT_TRUE(d.ShowsAt(6, 11, "Pozycja 1 "));
    EXPECT_TRUE(d.ColourIs(6, 11, "N/W"));
  });
  d.Key(key::kPgDn).Then([&] {  // a page on: item 11 on top, still the current one
    EXPECT_TRUE(d.ShowsAt(6, 11, "Pozycja 11"));
    EXPECT_TRUE(d.ColourIs(6, 11, "N/W"));
    EXPECT_TRUE(d.ColourIs(7, 11, "W/N"));
  });
  d.Key('f').Then([&] { EXPECT_TRUE(d.Contains("Faktura VAT")); });
  d.Key(key::kEnter);
  PickResult r;
  ASSERT_TRUE(d.Run([&](Console&) { r = list.Run(); }));
  EXPECT_EQ(r.exit, PickExit::kChosen);
  EXPECT_EQ(r.choice, 31);

  d.Keys({key::kCtrlPgDn, key::kDown, key::kEsc});
  ASSERT_TRUE(d.Run([&](Console&) { r = list.Run(1); }));
  EXPECT_EQ(r.choice, 0);
  EXPECT_TRUE(d.Contains("Pozycja 50"));
}

TEST(PickList, ExtraKeysAndItemsThatCannotBeChosen) {
  class Source final : public ListSource {
   public:
    int Count() const override { return 3; }
    std::string Item(int i) const override { return i == 1 ? "--------" : "Pozycja"; }
    bool Selectable(int i) const override { return i != 1; }
  } source;
  ScreenDriver d;
  PickList list(d.con, source, 0, 0, 5, 20);
  list.OnKey([](int k, int) { return k == key::F(2); });
  d.Keys({key::kDown, key::kEnter, key::F(2)});
  PickResult r;
  ASSERT_TRUE(d.Run([&](Console&) { r = list.Run(); }));
  EXPECT_EQ(d.term.beeps(), 1);
  EXPECT_EQ(r.exit, PickExit::kKey);
  EXPECT_EQ(r.key, key::F(2));
  EXPECT_EQ(r.choice, 2);
}

}  // namespace
}  // namespace hurt::console
