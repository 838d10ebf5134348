// F1 on any screen: the keys of its key line and of every screen, over the screen, which
// comes back whole.
#include "console/screen_help.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "console/keys.h"
#include "support/screen_driver.h"

namespace hurt::console {
namespace {

using hurt::testing::ScreenDriver;
using namespace hurt::literals;

TEST(ScreenHelp, ListsTheKeysOfTheKeyLineAndOfEveryScreen) {
  ScreenDriver d;
  d.con.screen().Put(kRows - 1, 0, "F1-Pomoc    F4-Popraw    Enter-Zatwierdzenie     Esc-Wyjście"_pl, Attr{});
  d.con.screen().Put(5, 10, "EKRAN POD SPODEM", Attr{});
  InstallScreenHelp(d.con);
  const ScreenBuffer before = d.con.screen();
  int after = 0;
  d.Key(key::kF1);
  d.Then([&] {
    EXPECT_TRUE(d.Contains("POMOC - KLAWISZE EKRANU"));
    EXPECT_TRUE(d.Contains("F4           Popraw"));
    EXPECT_TRUE(d.Contains("Esc          Wyjście"));
    EXPECT_TRUE(d.Contains("Ctrl+L       odświeża ekran"));
    EXPECT_FALSE(d.Contains("F1           Pomoc")) << "F1 itself is not listed";
  });
  d.Key(key::kEsc);
  d.Key('x');
  ASSERT_TRUE(d.Run([&](Console& con) { after = con.WaitKey(); }));
  EXPECT_EQ(after, 'x') << "the help window takes its own keys";
  EXPECT_TRUE(d.con.screen() == before) << d.Dump();
}

TEST(ScreenHelp, WithoutAKeyLineShowsTheCommonKeys) {
  const std::vector<std::string> lines = ScreenHelpLines(ScreenBuffer{}, /*calculator=*/true);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().substr(0, 5), "Enter");
  EXPECT_EQ(lines.back().substr(0, 5), "Alt+K");
}

}  // namespace
}  // namespace hurt::console
