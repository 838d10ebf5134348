// The store helpers' screen over the console: message window, saved areas, waits that a
// key ends, and the progress window of the copy helpers.
#include "session/store_ui.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "console/keys.h"
#include "store/net_use.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::session {
namespace {

using hurt::testing::ScreenDriver;
using namespace hurt::literals;

void PaintScreen(console::Console& con) {
  for (int r = 0; r < console::kRows; ++r) con.screen().Put(r, 0, std::string(80, static_cast<char>('a' + r % 26)), {});
}

TEST(ConsoleStoreUi, AMessageReachesTheTerminalAtOnce) {
  ScreenDriver d;
  ConsoleStoreUi ui(d.con);
  ui.Message("Indeksowanie pliku as.dbf");
  EXPECT_NE(d.term.Line(17).find("Indeksowanie pliku as.dbf"), std::string::npos) << d.term.Dump();
  EXPECT_EQ(d.term.shown().TextAt(15, 30, 1), "╔");  // the double frame
}

TEST(ConsoleStoreUi, SavedAreasComeBackLastFirst) {
  ScreenDriver d;
  PaintScreen(d.con);
  const console::ScreenBuffer before = d.con.screen();
  ConsoleStoreUi ui(d.con);
  ui.SaveArea(15, 30, 20, 72);
  ui.Message("pierwszy");
  const console::ScreenBuffer with_first = d.con.screen();
  ui.SaveArea(15, 30, 20, 72);
  ui.Message("drugi");
  EXPECT_EQ(ui.saved_depth(), 2u);
  ui.RestoreArea();
  EXPECT_EQ(d.con.screen(), with_first);
  ui.RestoreArea();
  EXPECT_EQ(d.con.screen(), before);
  EXPECT_EQ(d.term.shown(), before);  // and the terminal shows it
  ui.RestoreArea();                    // nothing left to restore: no change
  EXPECT_EQ(d.con.screen(), before);
}

TEST(ConsoleStoreUi, AKeyEndsAWaitAndIsConsumed) {
  ScreenDriver d;
  ConsoleStoreUi ui(d.con);
  d.Key('x');
  EXPECT_TRUE(ui.WaitForKeyOrTimeout(1000));
  EXPECT_EQ(d.con.PollKey(), console::key::kNone);

  const int64_t before = d.clock.Elapsed();
  EXPECT_FALSE(ui.WaitForKeyOrTimeout(500));
  EXPECT_EQ(d.clock.Elapsed() - before, 500);
  EXPECT_FALSE(ui.WaitForKeyOrTimeout(0));  // no wait at all, never a wait for ever
}

TEST(ConsoleStoreUi, ProgressWindowDrawsAndPutsTheScreenBack) {
  ScreenDriver d;
  PaintScreen(d.con);
  const console::ScreenBuffer before = d.con.screen();
  ConsoleStoreUi ui(d.con);
  ui.ProgressOpen(store::ProgressTitle("fa_N"), store::ProgressScreen::kSaveAndRestore);
  EXPECT_TRUE(d.ShowsAt(11, 22, "╔"));
  EXPECT_TRUE(d.ShowsAt(14, 58, "╝"));
  EXPECT_NE(d.Line(11).find(" Odtwarzanie zbioru FA_N.DBF "), std::string::npos) << d.Dump();
  ui.ProgressUpdate(store::ProgressPercent(1, 3), store::ProgressBar(1, 3));
  EXPECT_TRUE(d.ShowsAt(12, 25, "33% "));
  EXPECT_TRUE(d.ShowsAt(13, 25, "██████████▒"));
  EXPECT_TRUE(d.term.shown() == d.con.screen());  // each step is shown
  ui.ProgressClose();
  EXPECT_EQ(d.con.screen(), before);

  ui.ProgressOpen(store::ProgressTitle("zo"), store::ProgressScreen::kClear);
  EXPECT_TRUE(d.ShowsAt(0, 0, "          "));
  ui.ProgressClose();
  EXPECT_TRUE(d.ShowsAt(11, 22, "╔"));  // a cleared screen is left as it is
}

TEST(ConsoleStoreUi, AnOpenThatWaitsShowsWhichTableAndAKeyShortensTheWait) {
  ScreenDriver d;
  FakeClock& clock = d.clock;
  xbase::MemoryEnv env(clock);
  ASSERT_TRUE(xbase::Table::Create(env, "as.dbf", {{"MAG", 'C', 1, 0}}).ok());
  xbase::WorkAreas station2(env);
  ASSERT_TRUE(station2.Open(2, "as.dbf", "as").ok());

  xbase::WorkAreas areas(env);
  ConsoleStoreUi ui(d.con);
  store::StoreContext ctx{areas, ui};
  ASSERT_TRUE(areas.Select(2).ok());
  std::string during;
  d.Then([&] { during = d.term.Line(17); }).Key(console::key::kEnter);
  const int64_t before = clock.Elapsed();
  const Status s = store::NetUse(ctx, "as", "as", true, 3);
  EXPECT_TRUE(s.IsBusy());
  EXPECT_NE(during.find("Otwieram plik as.dbf"), std::string::npos) << during;
  EXPECT_EQ(clock.Elapsed() - before, 2000);  // the key ended the first of the three pauses
  EXPECT_EQ(ui.saved_depth(), 0u);
  EXPECT_EQ(d.con.screen().RowText(17).find("Otwieram"), std::string::npos);
}

}  // namespace
}  // namespace hurt::session
