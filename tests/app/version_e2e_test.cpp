#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "hurt_version.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

TEST(HurtProgram, PrintsItsVersion) {
  ProcessResult r = RunProcess({BuiltProgram("hurt"), "--version"});
  EXPECT_TRUE(r.Succeeded());
  EXPECT_EQ(r.out, std::string("hurt ") + HURT_VERSION + "\n");
}

TEST(HurtProgram, RefusesToStartWithoutATerminal) {
  TempDir dir;
  ProcessOptions opt;
  opt.cwd = dir.str();
  ProcessResult r = RunProcess({BuiltProgram("hurt")}, opt);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("terminal"), std::string::npos);
}

// --help and the refusals touch nothing: the directory they run in stays empty.
TEST(HurtProgram, HelpAndRefusedArgumentsTouchNothing) {
  TempDir dir;
  ProcessOptions opt;
  opt.cwd = dir.str();
  opt.env["HURT_LOCAL_DIR"] = dir / "local";
  const ProcessResult help = RunProcess({BuiltProgram("hurt"), "--help"}, opt);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("Użycie: hurt [argument]"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("888"), std::string::npos) << help.out;
  const ProcessResult unknown = RunProcess({BuiltProgram("hurt"), "--bogus"}, opt);
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_NE(unknown.err.find("nieznana opcja \"--bogus\""), std::string::npos) << unknown.err;
  const ProcessResult two = RunProcess({BuiltProgram("hurt"), "CD", "888"}, opt);
  EXPECT_EQ(two.exit_code, 2);
  EXPECT_NE(two.err.find("za dużo argumentów"), std::string::npos) << two.err;
  opt.env["HURT_HEADLESS"] = dir / "no-such-keys";
  const ProcessResult no_keys = RunProcess({BuiltProgram("hurt")}, opt);
  EXPECT_EQ(no_keys.exit_code, 2);
  EXPECT_NE(no_keys.err.find("no-such-keys"), std::string::npos) << no_keys.err;
  EXPECT_TRUE(std::filesystem::is_empty(dir.str())) << "nothing may be created";
}

TEST(HurtTools, AnswerHelpAndVersionWithoutCreatingAnything) {
  TempDir dir;
  ProcessOptions opt;
  opt.cwd = dir.str();
  const ProcessResult demo_help = RunProcess({BuiltProgram("hurt-demo"), "--help"}, opt);
  EXPECT_EQ(demo_help.exit_code, 0);
  EXPECT_NE(demo_help.out.find("usage: hurt-demo DIR"), std::string::npos) << demo_help.out;
  EXPECT_EQ(RunProcess({BuiltProgram("hurt-demo"), "--bogus"}, opt).exit_code, 2);
  const ProcessResult dbf_version = RunProcess({BuiltProgram("hurt-dbf"), "--version"}, opt);
  EXPECT_EQ(dbf_version.exit_code, 0);
  EXPECT_EQ(dbf_version.out, std::string("hurt-dbf ") + HURT_VERSION + "\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.str())) << "no folder named after an option";
}

}  // namespace
}  // namespace hurt::testing

#include "support/tmux.h"

namespace hurt::testing {
namespace {

// A window too small is said on the screen; enlarging it is enough, the program goes on.
TEST(HurtProgram, SaysSoInATerminalSmallerThan80x25AndGoesOnOnceEnlarged) {
  if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
  TempDir dir;
  MakeCompany(dir.str());
  TmuxSession tmux({BuiltProgram("hurt"), "CD"}, dir.str(), 60, 20, {"HURT_LOCAL_DIR=" + (dir / "local")});
  ASSERT_TRUE(tmux.ok());
  ASSERT_TRUE(tmux.WaitFor("Wystarczy powi")) << tmux.Capture();
  EXPECT_TRUE(tmux.Running());
  tmux.Resize(80, 25);
  EXPECT_TRUE(tmux.WaitFor("Nazwisko imie", 30'000)) << tmux.Capture();
}

// A terminal that cannot address the cursor is refused before the station takes a slot.
TEST(HurtProgram, RefusesATerminalWithoutCursorAddressing) {
  if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
  TempDir dir;
  MakeCompany(dir.str());
  const std::string before = ReadField(dir / "firma.dbf", "ST");
  TmuxSession tmux({"/bin/sh", "-c", "TERM=dumb \"$0\" CD; echo \"exit status $?\"", BuiltProgram("hurt")}, dir.str(),
                   80, 25, {"HURT_LOCAL_DIR=" + (dir / "local")});
  ASSERT_TRUE(tmux.ok());
  ASSERT_TRUE(tmux.WaitFor("exit status 1")) << tmux.Capture();
  EXPECT_NE(tmux.Capture().find("nie umie ustawiać kursora"), std::string::npos) << tmux.Capture();
  EXPECT_EQ(ReadField(dir / "firma.dbf", "ST"), before);
}

// Ctrl+L draws the screen again over what another program wrote on the terminal.
TEST(HurtProgram, CtrlLRedrawsTheScreen) {
  if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
  TempDir dir;
  MakeCompany(dir.str());
  TmuxSession tmux({BuiltProgram("hurt"), "CD"}, dir.str(), 80, 25, {"HURT_LOCAL_DIR=" + (dir / "local")});
  ASSERT_TRUE(tmux.ok());
  ASSERT_TRUE(tmux.WaitFor("Nazwisko imie", 30'000)) << tmux.Capture();
  {
    std::ofstream tty(tmux.PaneTty());
    tty << "\x1b[5;5HZAKLOCENIE OD INNEGO PROGRAMU" << std::flush;
  }
  ASSERT_TRUE(tmux.WaitFor("ZAKLOCENIE")) << tmux.Capture();
  tmux.SendKeys({"C-l"});
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    gone = tmux.Capture().find("ZAKLOCENIE") == std::string::npos;
    if (!gone) tmux.WaitFor("\x01", 50);
  }
  EXPECT_TRUE(gone) << tmux.Capture();
  EXPECT_NE(tmux.Capture().find("Nazwisko imie"), std::string::npos) << tmux.Capture();
}

}  // namespace
}  // namespace hurt::testing
