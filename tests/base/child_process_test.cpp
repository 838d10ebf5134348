#include "support/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

TEST(ChildProcess, CollectsOutputAndExitCode) {
  ProcessResult r = RunProcess({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.out, "out\n");
  EXPECT_EQ(r.err, "err\n");
  EXPECT_FALSE(r.timed_out);
}

TEST(ChildProcess, FeedsStandardInputAndRunsInTheGivenDirectory) {
  TempDir dir;
  ProcessOptions opt;
  opt.cwd = dir.str();
  opt.stdin_text = "abc";
  opt.env["HURT_TEST_VALUE"] = "42";
  ProcessResult r = RunProcess({"/bin/sh", "-c", "cat > f.txt; echo $HURT_TEST_VALUE"}, opt);
  EXPECT_TRUE(r.Succeeded());
  EXPECT_EQ(r.out, "42\n");
  EXPECT_EQ(dir.Read("f.txt"), "abc");
}

TEST(ChildProcess, KillsAChildThatOutlivesItsTimeOut) {
  ProcessOptions opt;
  opt.timeout_ms = 200;
  ProcessResult r = RunProcess({"/bin/sleep", "30"}, opt);
  EXPECT_TRUE(r.timed_out);
  EXPECT_FALSE(r.Succeeded());

  ChildProcess child({"/bin/sleep", "30"});
  child.Kill(SIGKILL);
  EXPECT_EQ(child.Wait(5000).signal, SIGKILL);
}

}  // namespace
}  // namespace hurt::testing
