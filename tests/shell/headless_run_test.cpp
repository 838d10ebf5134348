#include "shell/headless_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "console/console.h"
#include "base/cp852.h"
#include "console/keys.h"
#include "support/temp_dir.h"

namespace hurt::shell {
namespace {

using console::key::kEnter;
using console::key::kEsc;
using Kind = ScriptStep::Kind;

std::vector<ScriptStep> Steps(std::string_view line) {
  auto r = ParseScriptLine(line);
  EXPECT_TRUE(r.ok()) << line << ": " << r.status().message();
  return r.ok() ? *r : std::vector<ScriptStep>{};
}

TEST(KeyScript, KeysByName) {
  EXPECT_EQ(Steps("Enter"), (std::vector<ScriptStep>{{Kind::kKey, kEnter, 0}}));
  EXPECT_EQ(Steps("  esc \r"), (std::vector<ScriptStep>{{Kind::kKey, kEsc, 0}}));
  EXPECT_EQ(Steps("F6")[0].key, console::key::F(6));
  EXPECT_EQ(Steps("Down")[0].key, console::key::kDown);
  EXPECT_EQ(Steps("PgDn")[0].key, console::key::kPgDn);
  EXPECT_EQ(Steps("Alt+K")[0].key, console::key::kAltK);
  EXPECT_EQ(Steps("Shift+F1")[0].key, console::key::ShiftF(1));
  EXPECT_EQ(Steps("key:-5")[0].key, -5);
  EXPECT_EQ(Steps("key:84")[0].key, 84);
}

TEST(KeyScript, TextWaitsAndComments) {
  auto text = Steps("text:12.25");
  ASSERT_EQ(text.size(), 5u);
  EXPECT_EQ(text[0].key, '1');
  EXPECT_EQ(text[2].key, '.');
  auto polish = Steps("text:ł ");
  ASSERT_EQ(polish.size(), 2u);
  EXPECT_EQ(polish[0].key, 0x88);  // ł in code page 852
  EXPECT_EQ(polish[1].key, ' ');
  EXPECT_EQ(Steps("wait:2000"), (std::vector<ScriptStep>{{Kind::kWait, 0, 2000}}));
  EXPECT_TRUE(Steps("# a comment").empty());
  EXPECT_TRUE(Steps("").empty());
}

TEST(KeyScript, UnknownLinesAreRefused) {
  EXPECT_FALSE(ParseScriptLine("Entr").ok());
  EXPECT_FALSE(ParseScriptLine("wait:x").ok());
  EXPECT_FALSE(ParseScriptLine("key:").ok());
}

TEST(HeadlessConfig, ClockText) {
  auto c = ParseClockText("2026-12-08 08:30:15");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->year, 2026);
  EXPECT_EQ(c->month, 12);
  EXPECT_EQ(c->day, 8);
  EXPECT_EQ(c->hour, 8);
  EXPECT_EQ(c->minute, 30);
  EXPECT_EQ(c->second, 15);
  EXPECT_TRUE(ParseClockText("2026-12-08"));
  EXPECT_TRUE(ParseClockText("2026-12-08 23:59"));
  EXPECT_FALSE(ParseClockText("2026-02-30 08:00:00"));
  EXPECT_FALSE(ParseClockText("2026-12-08 24:00:00"));
  EXPECT_FALSE(ParseClockText("08.12.2026"));
}

TEST(HeadlessConfig, FromEnvironment) {
  std::map<std::string, std::string> vars = {{"HURT_HEADLESS", "/k"}, {"HURT_SCREEN", "/s"},
                                             {"HURT_CLOCK", "2026-12-08 08:00:00"}, {"HOME", "/home/x"}};
  auto get = [&](const char* name) -> const char* {
    auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  };
  auto c = HeadlessConfigFromEnvironment(get);
  ASSERT_TRUE(c.ok()) << c.status().message();
  EXPECT_TRUE(c->headless());
  EXPECT_EQ(c->screen, "/s");
  EXPECT_EQ(c->local_dir, "/home/x/.hurt");
  ASSERT_TRUE(c->clock);

  vars["HURT_LOCAL_DIR"] = "/l";
  EXPECT_EQ(HeadlessConfigFromEnvironment(get)->local_dir, "/l");
  vars["HURT_CLOCK"] = "tomorrow";
  EXPECT_FALSE(HeadlessConfigFromEnvironment(get).ok());
  vars["HURT_CLOCK"] = "2026-12-08 08:00:00";
  vars.erase("HURT_HEADLESS");  // a terminal cannot run on the script's clock
  EXPECT_FALSE(HeadlessConfigFromEnvironment(get).ok());
}

void Append(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::app | std::ios::binary);
  out << text;
}

TEST(ScriptBackend, KeysComeAsTheFileGrowsAndTimeOutsPassOnTheScriptClock) {
  testing::TempDir dir;
  const std::string keys = dir / "keys";
  ScriptClock clock({2026, 12, 8, 8, 0, 0});
  ScriptBackend backend(keys, clock, &clock);
  // Nothing there yet: a wait with a time-out passes on the clock.
  const int64_t start = clock.MonotonicMillis();
  EXPECT_FALSE(backend.ReadKey(2000));
  EXPECT_EQ(clock.MonotonicMillis() - start, 2000);
  EXPECT_FALSE(backend.ReadKey(0));

  Append(keys, "Enter\nwait:1500\nEsc\npart");
  EXPECT_EQ(backend.ReadKey(-1), kEnter);
  // The wait step is longer than the time-out: the time-out ends first, the rest remains.
  EXPECT_FALSE(backend.ReadKey(1000));
  EXPECT_EQ(clock.MonotonicMillis() - start, 3000);
  EXPECT_EQ(backend.ReadKey(1000), kEsc);
  EXPECT_EQ(clock.MonotonicMillis() - start, 3500);
  // A line is taken only when it is whole.
  EXPECT_FALSE(backend.ReadKey(0));
  Append(keys, "y\nbogus\ntext:T\n");
  EXPECT_EQ(backend.ReadKey(-1), 'T');
  ASSERT_EQ(backend.bad_lines().size(), 2u);
  EXPECT_EQ(backend.bad_lines()[0], "party");
}

TEST(ScriptBackend, AnInterruptedWaitForEverReturnsWithoutAKey) {
  testing::TempDir dir;
  ScriptClock clock({2026, 12, 8, 8, 0, 0});
  ScriptBackend backend(dir / "keys", clock, &clock);
  backend.set_interrupted([] { return true; });
  EXPECT_FALSE(backend.ReadKey(-1));
}

TEST(ScreenFileBackend, WritesEachNewScreenAndLogsIt) {
  using namespace literals;
  testing::TempDir dir;
  ScriptClock clock({2026, 12, 8, 8, 0, 0});
  ScriptBackend keys(dir / "keys", clock, &clock);
  ScreenFileBackend files(keys, dir / "screen", dir / "log");
  console::Console con(files, clock);
  con.Say(3, 5, "Zażółć"_pl);
  con.Refresh();
  std::string screen = dir.Read("screen");
  EXPECT_EQ(std::count(screen.begin(), screen.end(), '\n'), 25);
  EXPECT_NE(screen.find("\n     Zażółć"), std::string::npos) << screen;
  con.Refresh();  // the same screen is not written again
  con.Inkey(1);   // a wait shows the screen too
  con.Say(4, 0, "drugi");
  con.Inkey(1);
  std::string log = dir.Read("log");
  EXPECT_NE(log.find("=== screen 1\n"), std::string::npos);
  EXPECT_NE(log.find("=== screen 2\n"), std::string::npos);
  EXPECT_EQ(log.find("=== screen 3\n"), std::string::npos);
  EXPECT_NE(dir.Read("screen").find("drugi"), std::string::npos);
  EXPECT_FALSE(dir.Exists("screen.tmp"));
}

}  // namespace
}  // namespace hurt::shell
