// MemoryEnv and FaultEnv: the lock semantics of env.h on both the real and the in-memory
// file system, and the injected failures.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "xbase/env_fixture.h"
#include "xbase/fault_env.h"
#include "xbase/file_util.h"
#include "xbase/lock_layout.h"

namespace hurt::xbase {
namespace {

using test_env::EnvKind;
using test_env::EnvTest;

std::unique_ptr<File> OpenOrDie(Env& env, const std::string& path, bool write = true) {
  OpenOptions o;
  o.write = write;
  o.create = write;
  auto f = env.Open(path, o);
  EXPECT_TRUE(f.ok()) << f.status().ToString();
  return f.ok() ? std::move(f).value() : nullptr;
}

class LockSemantics : public EnvTest {};

TEST_P(LockSemantics, LocksBelongToTheFileObjectNotTheProcess) {
  std::string p = Path("t.dbf");
  auto a = OpenOrDie(env(), p);
  auto b = OpenOrDie(env(), p);
  ASSERT_TRUE(a && b);
  // Exclusive against anything of another File; a File never conflicts with itself.
  HURT_ASSERT_OK(a->Lock(100, 10, LockKind::kExclusive, false));
  HURT_EXPECT_OK(a->Lock(105, 1, LockKind::kExclusive, false));
  EXPECT_TRUE(b->Lock(109, 5, LockKind::kShared, false).IsBusy());
  EXPECT_TRUE(b->Lock(100, 0, LockKind::kExclusive, false).IsBusy()) << "length 0 reaches to the end";
  HURT_EXPECT_OK(b->Lock(110, 5, LockKind::kExclusive, false));
  // Unlocking a middle byte punches a hole in a's range.
  HURT_ASSERT_OK(a->Unlock(104, 1));
  HURT_EXPECT_OK(b->Lock(104, 1, LockKind::kExclusive, false));
  EXPECT_TRUE(b->Lock(103, 1, LockKind::kExclusive, false).IsBusy());
  // Shared locks coexist; an exclusive one does not join them.
  HURT_ASSERT_OK(a->Lock(500, 1, LockKind::kShared, false));
  HURT_ASSERT_OK(b->Lock(500, 1, LockKind::kShared, false));
  EXPECT_TRUE(b->Lock(500, 1, LockKind::kExclusive, false).IsBusy());
  // Closing a File drops its locks and nobody else's; a third descriptor sees b's locks.
  a.reset();
  auto c = OpenOrDie(env(), p);
  HURT_EXPECT_OK(c->Lock(100, 4, LockKind::kExclusive, false));
  EXPECT_TRUE(c->Lock(110, 1, LockKind::kShared, false).IsBusy());
  HURT_EXPECT_OK(b->Lock(500, 1, LockKind::kExclusive, false)) << "a's shared lock went with it";
}

TEST_P(LockSemantics, ConvertingOwnLockAndReadOnlyFiles) {
  std::string p = Path("t.dbf");
  auto a = OpenOrDie(env(), p);
  auto b = OpenOrDie(env(), p);
  HURT_ASSERT_OK(a->Lock(lock_layout::kOpenModeOffset, 1, LockKind::kExclusive, false));
  HURT_ASSERT_OK(a->Lock(lock_layout::kOpenModeOffset, 1, LockKind::kShared, false));  // downgrade
  HURT_EXPECT_OK(b->Lock(lock_layout::kOpenModeOffset, 1, LockKind::kShared, false));
  EXPECT_TRUE(a->Lock(lock_layout::kOpenModeOffset, 1, LockKind::kExclusive, false).IsBusy());

  auto ro = OpenOrDie(env(), p, false);
  HURT_EXPECT_OK(ro->Lock(7, 1, LockKind::kShared, false));
  Status s = ro->Lock(8, 1, LockKind::kExclusive, false);
  EXPECT_FALSE(s.ok());
  EXPECT_FALSE(s.IsBusy()) << "an exclusive lock needs a writable file: " << s.ToString();
  EXPECT_FALSE(ro->WriteAt(0, "x").ok());
}

TEST_P(LockSemantics, FilesFoldersAndRename) {
  std::string p = Path("a.dbf");
  auto a = OpenOrDie(env(), p);
  HURT_ASSERT_OK(a->WriteAt(4, "xyz"));
  EXPECT_EQ(*a->Size(), 7u);
  std::string got;
  HURT_ASSERT_OK(ReadBytes(*a, 0, 100, &got));
  EXPECT_EQ(got, std::string("\0\0\0\0xyz", 7));
  HURT_ASSERT_OK(a->Truncate(5));
  EXPECT_EQ(*a->Size(), 5u);

  HURT_ASSERT_OK(WriteWholeFile(env(), Path("b.dbf"), "new"));
  HURT_ASSERT_OK(env().Rename(Path("b.dbf"), p));
  // The open File keeps the old contents; the path now names the new file.
  HURT_ASSERT_OK(ReadBytes(*a, 0, 100, &got));
  EXPECT_EQ(got.size(), 5u);
  EXPECT_EQ(*ReadWholeFile(env(), p), "new");
  EXPECT_FALSE(env().Exists(Path("b.dbf")));

  HURT_ASSERT_OK(env().CreateDirs(Path("24/03")));
  EXPECT_TRUE(env().IsDir(Path("24")));
  HURT_ASSERT_OK(WriteWholeFile(env(), Path("24/03/as.dbf"), "x"));
  auto names = env().ListDir(Path("24"));
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{"03"});
  EXPECT_TRUE(env().Open(Path("nope/x.dbf"), OpenOptions{true, true, false}).status().IsNotFound());
  EXPECT_TRUE(env().Open(Path("missing.dbf"), OpenOptions{}).status().IsNotFound());
  HURT_ASSERT_OK(env().Remove(Path("24/03/as.dbf")));
  EXPECT_TRUE(env().Remove(Path("24/03/as.dbf")).IsNotFound());
}

INSTANTIATE_TEST_SUITE_P(Envs, LockSemantics, ::testing::Values(EnvKind::kMemory, EnvKind::kReal),
                         test_env::EnvKindName);

TEST(MemoryEnv, WaitingLockReportsBusyUnlessBlockingIsAsked) {
  FakeClock clock(2026, 1, 2);
  MemoryEnv env(clock);
  auto a = OpenOrDie(env, "t");
  auto b = OpenOrDie(env, "t");
  HURT_ASSERT_OK(a->Lock(1, 1, LockKind::kExclusive, false));
  EXPECT_TRUE(b->Lock(1, 1, LockKind::kExclusive, true).IsBusy());
  EXPECT_EQ(env.LockRangeCount("t"), 1u);
  a.reset();
  EXPECT_EQ(env.LockRangeCount("t"), 0u);
}

TEST(MemoryEnv, BlockingLockWaitsForTheHolder) {
  FakeClock clock(2026, 1, 2);
  MemoryEnv env(clock, MemoryEnv::Options{true});
  auto a = OpenOrDie(env, "t");
  auto b = OpenOrDie(env, "t");
  HURT_ASSERT_OK(a->Lock(1, 1, LockKind::kExclusive, false));
  std::atomic<bool> got{false};
  std::thread waiter([&] {
    Status s = b->Lock(1, 1, LockKind::kExclusive, true);
    got = s.ok();
  });
  HURT_ASSERT_OK(a->Unlock(1, 1));
  waiter.join();
  EXPECT_TRUE(got);
  EXPECT_TRUE(a->Lock(1, 1, LockKind::kShared, false).IsBusy());
}

TEST(FaultEnv, FailsTearsAndCountsWrites) {
  FakeClock clock(2026, 1, 2);
  MemoryEnv mem(clock);
  FaultEnv env(mem);
  auto f = OpenOrDie(env, "dir-less.dbf");
  auto g = OpenOrDie(env, "other.dbt");
  env.FailWrite(2, "dir-less.dbf");
  HURT_ASSERT_OK(g->WriteAt(0, "other"));  // not a matching file: not counted for the fault
  HURT_ASSERT_OK(f->WriteAt(0, "aaaa"));
  Status s = f->WriteAt(0, "bbbb");
  EXPECT_EQ(s.code(), StatusCode::kIoError);
  EXPECT_EQ(*mem.Contents("dir-less.dbf"), "aaaa") << "a failed write lands nothing";
  HURT_ASSERT_OK(f->WriteAt(0, "cccc")) << "each fault fires once";

  env.TearWrite(1, 2);
  EXPECT_FALSE(f->WriteAt(0, "dddd").ok());
  EXPECT_EQ(*mem.Contents("dir-less.dbf"), "ddcc");

  env.FailSync(1, "other.dbt");
  HURT_EXPECT_OK(f->Sync());
  EXPECT_FALSE(g->Sync().ok());
  EXPECT_EQ(env.Writes(), 5);
  EXPECT_EQ(env.Writes("dir-less.dbf"), 4);
  EXPECT_EQ(env.Syncs("other.dbt"), 1);
  env.ResetCounters();
  EXPECT_EQ(env.Writes(), 0);
}

TEST(FaultEnv, BusyLocksAndCorruptBytes) {
  FakeClock clock(2026, 1, 2);
  MemoryEnv mem(clock);
  FaultEnv env(mem);
  HURT_ASSERT_OK(mem.CreateDirs("data"));
  auto f = OpenOrDie(env, "data/as.dbf");
  HURT_ASSERT_OK(f->WriteAt(0, "ABC"));
  env.MakeLockBusy("as.dbf", lock_layout::RecordLockOffset(5), 1);
  EXPECT_TRUE(f->Lock(lock_layout::RecordLockOffset(5), 1, LockKind::kExclusive, false).IsBusy());
  EXPECT_TRUE(f->Lock(lock_layout::kFileLockOffset, lock_layout::kFileLockLength, LockKind::kExclusive, false).IsBusy());
  HURT_EXPECT_OK(f->Lock(lock_layout::RecordLockOffset(6), 1, LockKind::kExclusive, false));
  env.ClearFaults();
  HURT_EXPECT_OK(f->Lock(lock_layout::RecordLockOffset(5), 1, LockKind::kExclusive, false));

  HURT_ASSERT_OK(env.CorruptByte("data/as.dbf", 1, 0x20));
  EXPECT_EQ(*mem.Contents("data/as.dbf"), "AbC");
  EXPECT_TRUE(env.CorruptByte("data/as.dbf", 3).IsInvalid());
  EXPECT_TRUE(env.CorruptByte("data/zo.dbf", 0).IsNotFound());
}

}  // namespace
}  // namespace hurt::xbase
