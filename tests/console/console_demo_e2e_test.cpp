// The console demo in a real terminal (tmux): function keys with Shift, Ctrl and Alt,
// the cursor keys and the Alt+K hot key, sent as a terminal sends them and read back
// from the screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/tmux.h"

namespace hurt::testing {
namespace {

// The demo under a shell that prints its exit status when it ends: tmux loses the status
// of a program that ends right after it starts, the printed line is always there.
std::vector<std::string> DemoCommand() {
  return {"/bin/sh", "-c", "\"$0\"; echo \"exit status $?\"", BuiltProgram("console-demo")};
}

struct Expect {
  const char* send;     // tmux key name
  const char* printed;  // what the key tester prints for it
};

class ConsoleDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
    tmux_ = std::make_unique<TmuxSession>(DemoCommand(), dir_.str());
    ASSERT_TRUE(tmux_->ok());
    ASSERT_TRUE(tmux_->WaitFor("Tester klawiszy")) << tmux_->Capture();
  }

  // Sends the keys in one go and checks that the key tester printed each of them.
  void CheckKeys(const std::vector<Expect>& keys) {
    std::vector<std::string> names;
    for (const Expect& e : keys) names.push_back(e.send);
    tmux_->SendKeys(names);
    ASSERT_TRUE(tmux_->WaitFor(std::string("Ostatni klawisz: ") + keys.back().printed)) << tmux_->Capture();
    std::string screen = tmux_->Capture();
    for (const Expect& e : keys)
      EXPECT_NE(screen.find(std::string(e.printed) + "\n"), std::string::npos) << e.send << " should print " << e.printed << "\n"
                                                                           << screen;
  }

  TempDir dir_;
  std::unique_ptr<TmuxSession> tmux_;
};

TEST_F(ConsoleDemo, KeyTesterReadsFunctionKeysArrowsAndTheHotKey) {
  tmux_->SendKeys({"t"});  // the first letter chooses "Tester klawiszy"
  ASSERT_TRUE(tmux_->WaitFor("TESTER KLAWISZY")) << tmux_->Capture();

  CheckKeys({{"F1", "kod=28 F1"}, {"F2", "kod=-1 F2"}, {"F3", "kod=-2 F3"}, {"F4", "kod=-3 F4"}, {"F5", "kod=-4 F5"},
             {"F6", "kod=-5 F6"}, {"F7", "kod=-6 F7"}, {"F8", "kod=-7 F8"}, {"F9", "kod=-8 F9"}, {"F10", "kod=-9 F10"}});
  CheckKeys({{"S-F1", "kod=-10 Shift+F1"}, {"S-F2", "kod=-11 Shift+F2"}, {"S-F5", "kod=-14 Shift+F5"},
             {"S-F10", "kod=-19 Shift+F10"}});
  CheckKeys({{"C-F1", "kod=-20 Ctrl+F1"}, {"C-F4", "kod=-23 Ctrl+F4"}, {"C-F10", "kod=-29 Ctrl+F10"}});
  CheckKeys({{"M-F1", "kod=-30 Alt+F1"}, {"M-F5", "kod=-34 Alt+F5"}, {"M-F10", "kod=-39 Alt+F10"}});
  CheckKeys({{"Up", "kod=5 Up"}, {"Down", "kod=24 Down"}, {"Left", "kod=19 Left"}, {"Right", "kod=4 Right"},
             {"Home", "kod=1 Home"}, {"End", "kod=6 End"}, {"PPage", "kod=18 PgUp"}, {"NPage", "kod=3 PgDn"},
             {"C-PPage", "kod=31 Ctrl+PgUp"}, {"C-NPage", "kod=30 Ctrl+PgDn"}, {"C-Left", "kod=26 Ctrl+Left"},
             {"C-Right", "kod=2 Ctrl+Right"}, {"C-Home", "kod=29 Ctrl+Home"}, {"C-End", "kod=23 Ctrl+End"},
             {"IC", "kod=22 Ins"}, {"DC", "kod=7 Del"}, {"BTab", "kod=271 Shift+Tab"}, {"M-w", "kod=273 Alt+W"}});

  // Alt+K is the hot key: its window opens over the tester, and the tester never sees it.
  tmux_->SendKeys({"M-k"});
  ASSERT_TRUE(tmux_->WaitFor("GORĄCY KLAWISZ Alt+K")) << tmux_->Capture();
  tmux_->SendKeys({"Enter"});  // closes the window; the tester does not see it either
  for (int i = 0; i < 100 && tmux_->Capture().find("GORĄCY") != std::string::npos; ++i) tmux_->WaitFor("\x01", 50);
  tmux_->SendKeys({"F3"});
  ASSERT_TRUE(tmux_->WaitFor("Ostatni klawisz: kod=-2 F3")) << tmux_->Capture();
  EXPECT_EQ(tmux_->Capture().find("kod=13 Enter"), std::string::npos) << tmux_->Capture();
  EXPECT_EQ(tmux_->Capture().find("kod=293"), std::string::npos) << tmux_->Capture();

  // Esc twice leaves the tester, Esc in the menu ends the program cleanly.
  tmux_->SendKeys({"Escape", "Escape"});
  ASSERT_TRUE(tmux_->WaitFor("Tester klawiszy")) << tmux_->Capture();
  tmux_->SendKeys({"Escape"});
  EXPECT_TRUE(tmux_->WaitFor("exit status 0")) << tmux_->Capture();
}

// An entry field shows the cursor in either shape: tmux (like screen) takes the "very
// visible" shape of insert mode as a shape only, so a cursor hidden by a menu stayed hidden.
TEST_F(ConsoleDemo, TheCursorShowsInEntryFieldsInBothShapes) {
  tmux_->SendKeys({"f"});
  ASSERT_TRUE(tmux_->WaitFor("FORMULARZ")) << tmux_->Capture();
  auto visible_soon = [&] {
    for (int i = 0; i < 40; ++i) {
      if (tmux_->CursorVisible()) return true;
      tmux_->WaitFor("\x01", 25);
    }
    return false;
  };
  EXPECT_TRUE(visible_soon()) << "the first field";
  tmux_->SendKeys({"IC"});
  EXPECT_TRUE(visible_soon()) << "after Ins";
  tmux_->SendKeys({"IC"});
  EXPECT_TRUE(visible_soon()) << "after Ins again";
  // Insert mode on, out to the menu (the cursor hidden) and into the form again.
  tmux_->SendKeys({"IC", "Escape"});
  ASSERT_TRUE(tmux_->WaitFor("formularz porzucony")) << tmux_->Capture();
  tmux_->SendKeys({"Enter"});
  ASSERT_TRUE(tmux_->WaitFor("Tester klawiszy")) << tmux_->Capture();
  tmux_->SendKeys({"f"});
  ASSERT_TRUE(tmux_->WaitFor("FORMULARZ")) << tmux_->Capture();
  EXPECT_TRUE(visible_soon()) << "a field entered in insert mode";
  tmux_->SendKeys({"Escape"});
  ASSERT_TRUE(tmux_->WaitFor("formularz porzucony")) << tmux_->Capture();
  tmux_->SendKeys({"Enter"});
  ASSERT_TRUE(tmux_->WaitFor("Tester klawiszy")) << tmux_->Capture();
  for (int i = 0; i < 40 && tmux_->CursorVisible(); ++i) tmux_->WaitFor("\x01", 25);
  EXPECT_FALSE(tmux_->CursorVisible()) << "the menu hides it";
}

TEST_F(ConsoleDemo, BrowsesAMillionRecordsAndViewsAReport) {
  tmux_->SendKeys({"p"});  // "Przeglądanie 1 000 000"
  ASSERT_TRUE(tmux_->WaitFor("Towar numer 1 ")) << tmux_->Capture();
  tmux_->SendKeys({"C-NPage"});
  ASSERT_TRUE(tmux_->WaitFor("Towar numer 1000000")) << tmux_->Capture();
  tmux_->SendKeys({"Escape"});
  ASSERT_TRUE(tmux_->WaitFor("Tester klawiszy")) << tmux_->Capture();

  tmux_->SendKeys({"Down", "Enter"});  // the item after the grid: the report viewer
  ASSERT_TRUE(tmux_->WaitFor("Wiersz     1")) << tmux_->Capture();
  tmux_->SendKeys({"C-NPage"});
  ASSERT_TRUE(tmux_->WaitFor("Wiersz  5000")) << tmux_->Capture();
  for (int i = 0; i < 20; ++i) tmux_->SendKeys({"C-Right"});
  ASSERT_TRUE(tmux_->WaitFor("|kolumna 712")) << tmux_->Capture();
  tmux_->SendKeys({"Escape"});
  ASSERT_TRUE(tmux_->WaitFor("Tester klawiszy")) << tmux_->Capture();
  tmux_->SendKeys({"Escape"});
  EXPECT_TRUE(tmux_->WaitFor("exit status 0")) << tmux_->Capture();
}

TEST(ConsoleDemoSmallTerminal, SaysSoInPolishAndGoesOnOnceEnlarged) {
  if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
  TempDir dir;
  TmuxSession tmux(DemoCommand(), dir.str(), 70, 20);
  ASSERT_TRUE(tmux.ok());
  EXPECT_TRUE(tmux.WaitFor("za ma")) << tmux.Capture();
  EXPECT_TRUE(tmux.WaitFor("Wystarczy powi")) << tmux.Capture();
  tmux.Resize(80, 25);
  EXPECT_TRUE(tmux.WaitFor("Tester klawiszy")) << tmux.Capture();
}

}  // namespace
}  // namespace hurt::testing
