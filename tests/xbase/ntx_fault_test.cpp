// NTX under failing writes, syncs and busy locks (MemoryEnv behind a FaultEnv): every
// failure is reported, and what stations see afterwards is a consistent index.
#include <gtest/gtest.h>

#include "base/clock.h"
#include "xbase/fault_env.h"
#include "xbase/lock_layout.h"
#include "xbase/memory_env.h"
#include "xbase/ntx_test_util.h"

namespace hurt::xbase {
namespace {

using namespace ntx_test;

class NtxFaultTest : public ::testing::Test {
 protected:
  NtxFaultTest() : clock_(2026, 3, 14), memory_(clock_), env_(memory_) {}

  void SetUp() override {
    Entries entries;
    for (int i = 0; i < 300; ++i) entries.emplace_back(Key(i * 2, 8), static_cast<uint32_t>(i + 1));
    ASSERT_TRUE(Build(env_, "f.ntx", Options(8), entries).ok());
    expected_ = entries;
  }
  std::unique_ptr<NtxIndex> Open() {
    auto index = NtxIndex::Open(env_, "f.ntx");
    EXPECT_TRUE(index.ok()) << index.status().ToString();
    return index.ok() ? std::move(*index) : nullptr;
  }

  FakeClock clock_;
  MemoryEnv memory_;
  FaultEnv env_;
  Entries expected_;
};

TEST_F(NtxFaultTest, FailedPageWriteIsReportedAndChangesNothing) {
  auto writer = Open();
  auto reader = Open();
  ASSERT_TRUE(writer && reader);
  EXPECT_EQ(ScanForward(*reader), expected_);  // the reader caches every page

  env_.FailWrite(1, "f.ntx");  // the page write of the next insert
  Status s = writer->Insert(Key(1, 8), 999);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.code(), StatusCode::kIoError) << s.ToString();

  // Nothing landed; the header's counter moved, so both stations re-read and agree.
  EXPECT_EQ(ScanForward(*reader), expected_);
  EXPECT_EQ(ScanForward(*writer), expected_);
  ExpectValid(*writer);

  // The same insert works once the disk does.
  ASSERT_TRUE(writer->Insert(Key(1, 8), 999).ok());
  EXPECT_EQ(ScanForward(*reader).size(), expected_.size() + 1);
}

TEST_F(NtxFaultTest, FailuresInTheMiddleOfSplitsAreReported) {
  // Every write position of an insert that splits pages, failing in turn: always
  // reported, never a crash; the file then either verifies or reports Corruption.
  for (int nth = 1; nth <= 6; ++nth) {
    SetUp();
    auto index = Open();
    ASSERT_TRUE(index);
    Status s;
    env_.FailWrite(nth, "f.ntx");
    bool failed = false;
    for (int i = 0; i < 60 && !failed; ++i) {
      s = index->Insert(Key(1000 + i, 8), static_cast<uint32_t>(1000 + i));
      failed = !s.ok();
    }
    EXPECT_TRUE(failed) << nth;
    EXPECT_EQ(s.code(), StatusCode::kIoError) << s.ToString();
    env_.ClearFaults();
    index.reset();
    auto again = Open();
    ASSERT_TRUE(again);
    auto stats = again->Verify(/*strict=*/false);
    EXPECT_TRUE(stats.ok() || stats.status().IsCorruption()) << stats.status().ToString();
  }
}

TEST_F(NtxFaultTest, FailedBuildLeavesAFileThatDoesNotPassForAnIndex) {
  Entries entries;
  for (int i = 0; i < 5000; ++i) entries.emplace_back(Key(i, 8), static_cast<uint32_t>(i + 1));
  env_.FailWrite(1, "f.ntx");  // the first block of pages
  Status s = Build(env_, "f.ntx", Options(8), entries);
  EXPECT_EQ(s.code(), StatusCode::kIoError) << s.ToString();
  EXPECT_TRUE(NtxIndex::Open(env_, "f.ntx").status().IsCorruption());  // no header written
  EXPECT_FALSE(env_.Exists("f.ntx.srt"));

  // A torn header write: the index does not open as a good one either.
  env_.TearWrite(1, 6, "f.ntx");
  NtxBuildOptions build;
  build.sync = false;
  auto builder = NtxBuilder::Start(env_, "f.ntx", Options(8), build);
  ASSERT_TRUE(builder.ok());
  ASSERT_TRUE((*builder)->Add(Key(1, 8), 1).ok());
  EXPECT_FALSE((*builder)->Finish().ok());

  env_.FailSync(1, "f.ntx");
  EXPECT_FALSE(NtxIndex::Create(env_, "f.ntx", Options(8)).ok());  // Create syncs
}

TEST_F(NtxFaultTest, SpilledRunsFailingToWriteAreReported) {
  NtxBuildOptions build;
  build.memory_limit = 16 * 1024;  // runs go to f.ntx.srt
  build.sync = false;
  auto builder = NtxBuilder::Start(env_, "f.ntx", Options(8), build);
  ASSERT_TRUE(builder.ok());
  env_.FailWrite(1, "f.ntx.srt");
  Status s;
  for (uint32_t i = 1; i <= 5000 && s.ok(); ++i) s = (*builder)->Add(Key(static_cast<int>(i), 8), i);
  EXPECT_EQ(s.code(), StatusCode::kIoError) << s.ToString();
  EXPECT_FALSE((*builder)->Finish().ok());  // the failure sticks
  builder->reset();
  EXPECT_FALSE(env_.Exists("f.ntx.srt"));
  EXPECT_EQ(ScanForward(*Open()), expected_);  // the old index is untouched
}

TEST_F(NtxFaultTest, BusyOpenModeFailsAtOnce) {
  env_.MakeLockBusy("f.ntx", lock_layout::kOpenModeOffset, lock_layout::kOpenModeLength);
  EXPECT_TRUE(NtxIndex::Open(env_, "f.ntx").status().IsBusy());
  EXPECT_TRUE(NtxBuilder::Start(env_, "f.ntx", Options(8)).status().IsBusy());
}

TEST_F(NtxFaultTest, MemoryEnvStationsShareChanges) {
  auto a = Open();
  auto b = Open();
  ASSERT_TRUE(a && b);
  ASSERT_TRUE(a->Insert(Key(1, 8), 1000).ok());
  NtxCursor c(*b);
  ASSERT_TRUE(*c.Seek(Key(1, 8)));
  EXPECT_EQ(c.recno(), 1000u);
  ASSERT_TRUE(a->Remove(Key(1, 8), 1000).ok());
  EXPECT_FALSE(*c.Seek(Key(1, 8)));
}

}  // namespace
}  // namespace hurt::xbase
