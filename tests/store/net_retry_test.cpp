// The retry rules of NET_USE, REC_LOCK, FIL_LOCK and ADD_REC: attempts and pauses counted
// on a fake clock.
#include <gtest/gtest.h>

#include "store/fake_store_ui.h"
#include "store/net_use.h"

namespace hurt::store {
namespace {

class RetryTest : public ::testing::Test {
 protected:
  // An attempt that is busy until attempt number `granted_at` (0 = never).
  Status Run(RetryRule rule, double wait, int granted_at = 0) {
    attempts_ = 0;
    return Retry(ui_, rule, wait, [&]() {
      ++attempts_;
      ui_.calls.push_back("attempt");
      return granted_at != 0 && attempts_ >= granted_at ? Status::Ok() : Status::Busy("held elsewhere");
    });
  }
  int64_t Elapsed() const { return clock_.Elapsed(); }

  FakeClock clock_{2026, 3, 14};
  testing::FakeStoreUi ui_{clock_};
  int attempts_ = 0;
};

TEST_F(RetryTest, OpenWithWaitOneMakesOneAttemptThenPausesOneSecond) {
  Status s = Run(RetryRule::kOpen, 1);
  EXPECT_TRUE(s.IsBusy());
  EXPECT_EQ(attempts_, 1);
  EXPECT_EQ(Elapsed(), 1000);
  EXPECT_EQ(ui_.calls, (std::vector<std::string>{"attempt", "wait 1000"}));
}

TEST_F(RetryTest, OpenCountsOneSecondPauses) {
  EXPECT_TRUE(Run(RetryRule::kOpen, 5).IsBusy());
  EXPECT_EQ(attempts_, 5);
  EXPECT_EQ(Elapsed(), 5000);
  // Granted on the third attempt: two pauses.
  const int64_t before = Elapsed();
  EXPECT_TRUE(Run(RetryRule::kOpen, 5, 3).ok());
  EXPECT_EQ(attempts_, 3);
  EXPECT_EQ(Elapsed() - before, 2000);
}

TEST_F(RetryTest, RecordLockMakes21AttemptsOverTenSeconds) {
  EXPECT_TRUE(Run(RetryRule::kPauseAfter, 10).IsBusy());
  EXPECT_EQ(attempts_, 21);
  EXPECT_EQ(Elapsed(), 10000);
  // The first retry follows the first attempt at once; each later one follows a pause.
  ASSERT_GE(ui_.calls.size(), 4u);
  EXPECT_EQ(ui_.calls[0], "attempt");
  EXPECT_EQ(ui_.calls[1], "attempt");
  EXPECT_EQ(ui_.calls[2], "wait 500");
  EXPECT_EQ(ui_.calls.back(), "wait 500");
}

TEST_F(RetryTest, RecordLockOfOneSecondMakesThreeAttempts) {
  EXPECT_TRUE(Run(RetryRule::kPauseAfter, 1).IsBusy());
  EXPECT_EQ(attempts_, 3);
  EXPECT_EQ(Elapsed(), 1000);
}

TEST_F(RetryTest, FileLockPausesBeforeEachRetry) {
  EXPECT_TRUE(Run(RetryRule::kPauseBefore, 10).IsBusy());
  EXPECT_EQ(attempts_, 21);
  EXPECT_EQ(Elapsed(), 10000);
  EXPECT_EQ(ui_.calls[0], "attempt");
  EXPECT_EQ(ui_.calls[1], "wait 500");
  EXPECT_EQ(ui_.calls.back(), "attempt");  // gives up right after the last attempt
}

TEST_F(RetryTest, WaitZeroNeverGivesUp) {
  for (RetryRule rule : {RetryRule::kOpen, RetryRule::kPauseAfter, RetryRule::kPauseBefore}) {
    EXPECT_TRUE(Run(rule, 0, 500).ok());
    EXPECT_EQ(attempts_, 500);
  }
}

TEST_F(RetryTest, OnlyBusyIsRetried) {
  int attempts = 0;
  Status s = Retry(ui_, RetryRule::kOpen, 0, [&]() {
    ++attempts;
    return Status::NotFound("as.dbf: table not found");
  });
  EXPECT_TRUE(s.IsNotFound());
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(Elapsed(), 0);
}

TEST_F(RetryTest, AKeyShortensAPauseButStillCountsIt) {
  ui_.key_at_wait = {1, 2, 3};
  EXPECT_TRUE(Run(RetryRule::kOpen, 5).IsBusy());
  EXPECT_EQ(attempts_, 5);
  EXPECT_EQ(Elapsed(), 2000);  // three pauses ended by keys, two waited out
}

TEST_F(RetryTest, ANegativeWaitMakesOneAttempt) {
  EXPECT_TRUE(Run(RetryRule::kPauseAfter, -1).IsBusy());
  EXPECT_EQ(attempts_, 1);
  EXPECT_EQ(Elapsed(), 0);
}

TEST(ProgressTexts, TitlePercentAndBar) {
  using namespace hurt::literals;
  const std::string title = ProgressTitle("fa_N");
  ASSERT_EQ(title.size(), 35u);
  const std::string rule(3, "═"_pl[0]);
  EXPECT_EQ(title, rule + " Odtwarzanie zbioru FA_N.DBF " + rule);
  EXPECT_EQ(ProgressPercent(1, 3), "33% ");
  EXPECT_EQ(ProgressPercent(2, 3), "67% ");
  EXPECT_EQ(ProgressPercent(0, 0), "100% ");
  EXPECT_EQ(ProgressBar(0, 10), std::string(31, "▒"_pl[0]));
  EXPECT_EQ(ProgressBar(1, 2), std::string(15, "█"_pl[0]) + std::string(16, "▒"_pl[0]));
  EXPECT_EQ(ProgressBar(10, 10), std::string(31, "█"_pl[0]));
}

}  // namespace
}  // namespace hurt::store
