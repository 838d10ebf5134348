// Drives screens through the headless console in tests: a fake clock, a script of keys,
// and readable assertions on the 80×25 text and colours.
//
//   ScreenDriver d;
//   d.Keys({key::kDown, key::kEnter});
//   ASSERT_TRUE(d.Run([&](Console& con) { choice = menu.Run(); }));
//   EXPECT_TRUE(d.LineIs(3, " Druga pozycja"));
//
// Texts in assertions are UTF-8, as the screen reads. When an assertion fails, or the
// script runs out while the screen still waits for a key, the failure message shows the
// whole screen with row and column rulers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "console/console.h"
#include "console/headless.h"

namespace hurt::testing {

class ScreenDriver {
 public:
  // The clock starts on 2024-03-15 at 08:00.
  explicit ScreenDriver(bool colour = true);

  FakeClock clock{2024, 3, 15};
  console::HeadlessBackend term;
  console::Console con;

  ScreenDriver& Keys(std::initializer_list<int> keys);
  ScreenDriver& Key(int key);
  // UTF-8 text typed as code page 852 characters.
  ScreenDriver& Type(std::string_view utf8);
  ScreenDriver& Wait(int64_t millis);
  ScreenDriver& Then(std::function<void()> step);

  // Runs a screen to its end. False, with a failure showing the screen as it waited,
  // when the script ran out first.
  bool Run(const std::function<void(console::Console&)>& screen);

  // The screen as drawn (UTF-8).
  std::string Line(int row) const { return con.screen().RowText(row); }
  std::vector<std::string> Lines() const { return con.screen().Lines(); }
  std::string TextAt(int row, int col, int length) const { return con.screen().TextAt(row, col, length); }
  // "W+/B" of the cell.
  std::string ColourAt(int row, int col) const;
  std::string Dump() const;

  ::testing::AssertionResult ShowsAt(int row, int col, std::string_view utf8) const;
  // The row without trailing blanks equals the text without trailing blanks.
  ::testing::AssertionResult LineIs(int row, std::string_view utf8) const;
  ::testing::AssertionResult Contains(std::string_view utf8) const;
  ::testing::AssertionResult ColourIs(int row, int col, std::string_view colour) const;

 private:
  std::string waiting_dump_;
};

// The screen text (lines parted by "\n") shows `text` (UTF-8) on one line, or in the
// message window, where a long message is wrapped onto several rows.
bool ScreenShows(std::string_view screen, std::string_view text);

// The screen with rulers, for failure messages of other helpers.
std::string ScreenDump(const console::ScreenBuffer& screen);

}  // namespace hurt::testing
