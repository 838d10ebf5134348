#include <gtest/gtest.h>

#include "hurt_version.h"
#include "support/child_process.h"
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

}  // namespace
}  // namespace hurt::testing

#include "support/tmux.h"

namespace hurt::testing {
namespace {

TEST(HurtProgram, SaysSoInATerminalSmallerThan80x25) {
  if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
  TempDir dir;
  // tmux does not always record the exit status of a program that ends at once, so a
  // shell prints it after the program.
  TmuxSession tmux({"/bin/sh", "-c", "\"$0\"; echo \"exit status $?\"", BuiltProgram("hurt")}, dir.str(), 60, 20);
  ASSERT_TRUE(tmux.ok());
  EXPECT_TRUE(tmux.WaitFor("exit status 1")) << tmux.Capture();
  EXPECT_NE(tmux.Capture().find("za ma"), std::string::npos) << tmux.Capture();
}

}  // namespace
}  // namespace hurt::testing
