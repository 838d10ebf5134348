#include "shell/startup_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "console/headless.h"
#include "console/keys.h"

namespace hurt::shell {
namespace {

class StopSignals : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallStopSignals();
    ClearStopSignal();
  }
  void TearDown() override {
    ClearStopSignal();
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
  }
  FakeClock clock{2026, 12, 8};
  console::HeadlessBackend term{clock};
};

TEST_F(StopSignals, AWaitRunsTheStopRoutineOnce) {
  int stopped_with = 0;
  int calls = 0;
  StopAwareBackend backend(term, [&](int sig) {
    stopped_with = sig;
    ++calls;
  });
  term.Key('a');
  EXPECT_EQ(backend.ReadKey(1000), 'a');  // no signal: keys pass
  ASSERT_EQ(raise(SIGTERM), 0);
  EXPECT_EQ(PendingStopSignal(), SIGTERM);
  EXPECT_EQ(backend.ReadKey(-1), console::key::kEsc);
  EXPECT_EQ(stopped_with, SIGTERM);
  EXPECT_EQ(backend.ReadKey(-1), console::key::kEsc);  // the routine returned: Esc, not again
  EXPECT_EQ(calls, 1);
}

TEST_F(StopSignals, ASlicedWaitNoticesASignalThatComesDuringIt) {
  int stopped_with = 0;
  StopAwareBackend backend(term, [&](int sig) { stopped_with = sig; });
  term.Wait(600).Then([] { raise(SIGHUP); });
  EXPECT_EQ(backend.ReadKey(-1), console::key::kEsc);
  EXPECT_EQ(stopped_with, SIGHUP);
}

TEST_F(StopSignals, TimeOutsStillEndWithoutASignal) {
  StopAwareBackend backend(term, [](int) { ADD_FAILURE() << "no signal came"; });
  const int64_t start = clock.Elapsed();
  EXPECT_FALSE(backend.ReadKey(1000));
  EXPECT_EQ(clock.Elapsed() - start, 1000);
}

}  // namespace
}  // namespace hurt::shell
