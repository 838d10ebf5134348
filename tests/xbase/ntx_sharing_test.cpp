// Two stations on one index: open modes, coherence of caches and cursors.
//
// Two NtxIndex objects of one process hold separate open files, whose OFD locks exclude
// each other exactly as two processes' do.
#include <gtest/gtest.h>

#include "base/clock.h"
#include "support/temp_dir.h"
#include "xbase/lock_layout.h"
#include "xbase/ntx_build.h"
#include "xbase/ntx_test_util.h"

namespace hurt::xbase {
namespace {

using namespace ntx_test;

class NtxSharingTest : public hurt::testing::DataDirTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(NtxIndex::Create(RealEnv(), path(), Options(8)).ok());
    a_ = Open();
    b_ = Open();
    ASSERT_TRUE(a_ && b_);
  }
  std::string path() const { return dir / "s.ntx"; }
  std::unique_ptr<NtxIndex> Open(NtxOpenOptions options = {}) {
    auto index = NtxIndex::Open(RealEnv(), path(), options);
    EXPECT_TRUE(index.ok()) << index.status().ToString();
    return index.ok() ? std::move(*index) : nullptr;
  }
  void Fill(NtxIndex& index, int from, int to) {
    for (int i = from; i < to; ++i) ASSERT_TRUE(index.Insert(Key(i, 8), static_cast<uint32_t>(i + 1)).ok());
  }

  std::unique_ptr<NtxIndex> a_;
  std::unique_ptr<NtxIndex> b_;
};

TEST_F(NtxSharingTest, SecondStationSeesInsertsAndRemovalsWithoutReopening) {
  NtxCursor cb(*b_);
  ASSERT_TRUE(cb.GoTop().ok());
  EXPECT_TRUE(cb.eof());

  Fill(*a_, 0, 500);  // several levels of pages
  auto found = cb.Seek(Key(250, 8));
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  EXPECT_EQ(cb.recno(), 251u);
  EXPECT_GT(b_->cache_drops(), 0u);

  ASSERT_TRUE(a_->Remove(Key(250, 8), 251).ok());
  found = cb.Seek(Key(250, 8));
  EXPECT_FALSE(*found);

  // And the other way round, on pages a_ has cached.
  Entries before = ScanForward(*a_);
  ASSERT_TRUE(b_->Insert(Key(250, 8), 999).ok());
  ASSERT_TRUE(b_->Remove(Key(10, 8), 11).ok());
  Entries after = ScanForward(*a_);
  EXPECT_EQ(after.size(), before.size());
  EXPECT_EQ(after, ScanForward(*b_));
  NtxCursor ca(*a_);
  EXPECT_TRUE(*ca.Seek(Key(250, 8)));
  EXPECT_EQ(ca.recno(), 999u);
  EXPECT_FALSE(*ca.Seek(Key(10, 8)));
}

TEST_F(NtxSharingTest, CursorFindsItsPlaceAgainAfterChangesElsewhere) {
  Fill(*a_, 0, 300);
  NtxCursor cb(*b_);
  ASSERT_TRUE(*cb.Seek(Key(100, 8)));

  // Its entry removed elsewhere: the next skip lands on the entry that followed it.
  ASSERT_TRUE(a_->Remove(Key(100, 8), 101).ok());
  ASSERT_TRUE(cb.Skip(1).ok());
  EXPECT_EQ(cb.key(), Key(101, 8));

  // Backwards from a removed entry: the entry before it.
  ASSERT_TRUE(a_->Remove(Key(101, 8), 102).ok());
  ASSERT_TRUE(cb.Skip(-1).ok());
  EXPECT_EQ(cb.key(), Key(99, 8));

  // Skip(0) on a removed entry moves on to its successor.
  ASSERT_TRUE(a_->Remove(Key(99, 8), 100).ok());
  ASSERT_TRUE(cb.Skip(0).ok());
  EXPECT_EQ(cb.key(), Key(102, 8));

  // Many inserts elsewhere (splits move everything around): the walk goes on in order
  // from where it was, and sees the new entries ahead of it.
  Fill(*a_, 1000, 1400);
  ASSERT_TRUE(a_->Insert(Key(103, 8).substr(0, 7) + "5", 7777).ok());  // between 103 and 104
  ASSERT_TRUE(cb.Skip(1).ok());
  EXPECT_EQ(cb.key(), Key(103, 8));
  ASSERT_TRUE(cb.Skip(1).ok());
  EXPECT_EQ(cb.recno(), 7777u);
  ASSERT_TRUE(cb.Skip(1).ok());
  EXPECT_EQ(cb.key(), Key(104, 8));

  // Its entry and everything after it removed: the cursor ends at EOF, and a step back
  // lands on the last entry left.
  ASSERT_TRUE(*cb.Seek(Key(1399, 8)));
  ASSERT_TRUE(a_->Remove(Key(1399, 8), 1400).ok());
  ASSERT_TRUE(cb.Skip(1).ok());
  EXPECT_TRUE(cb.eof());
  ASSERT_TRUE(cb.Skip(-1).ok());
  EXPECT_EQ(cb.key(), Key(1398, 8));
}

TEST_F(NtxSharingTest, CursorsOfOneIndexFollowItsOwnChanges) {
  Fill(*a_, 0, 200);
  NtxCursor c1(*a_);
  NtxCursor c2(*a_);
  ASSERT_TRUE(*c1.Seek(Key(50, 8)));
  ASSERT_TRUE(*c2.Seek(Key(51, 8)));
  ASSERT_TRUE(a_->Remove(Key(51, 8), 52).ok());
  ASSERT_TRUE(c1.Skip(1).ok());
  EXPECT_EQ(c1.key(), Key(52, 8));
  ASSERT_TRUE(c2.Skip(-1).ok());
  EXPECT_EQ(c2.key(), Key(50, 8));
}

TEST_F(NtxSharingTest, OpenModesExcludeEachOther) {
  NtxOpenOptions exclusive;
  exclusive.exclusive = true;
  // Two shared opens are there already: an exclusive one fails at once.
  auto ex = NtxIndex::Open(RealEnv(), path(), exclusive);
  EXPECT_TRUE(ex.status().IsBusy()) << ex.status().ToString();
  EXPECT_TRUE(NtxBuilder::Start(RealEnv(), path(), Options(8)).status().IsBusy());
  EXPECT_TRUE(NtxIndex::Create(RealEnv(), path(), Options(8)).IsBusy());

  a_.reset();
  b_.reset();
  ex = NtxIndex::Open(RealEnv(), path(), exclusive);
  ASSERT_TRUE(ex.ok()) << ex.status().ToString();
  EXPECT_TRUE((*ex)->exclusive());
  auto shared = NtxIndex::Open(RealEnv(), path());
  EXPECT_TRUE(shared.status().IsBusy());

  // Alone with the file: inserts and cursors work without the shared protocol.
  Fill(**ex, 0, 100);
  NtxCursor c(**ex);
  ASSERT_TRUE(*c.Seek(Key(40, 8)));
  ASSERT_TRUE((*ex)->Remove(Key(40, 8), 41).ok());
  ASSERT_TRUE(c.Skip(0).ok());
  EXPECT_EQ(c.key(), Key(41, 8));
  ExpectValid(**ex);
}

TEST_F(NtxSharingTest, ReadOnlyOpenRefusesUpdates) {
  NtxOpenOptions ro;
  ro.read_only = true;
  auto index = Open(ro);
  ASSERT_TRUE(index);
  EXPECT_TRUE(index->Insert(Key(1, 8), 1).IsInvalid());
  Fill(*a_, 0, 10);
  EXPECT_EQ(ScanForward(*index).size(), 10u);
}

TEST_F(NtxSharingTest, LocksAreReleasedAfterEveryOperation) {
  Fill(*a_, 0, 50);
  NtxCursor c(*b_);
  ASSERT_TRUE(c.GoTop().ok());
  ASSERT_TRUE(c.Skip(3).ok());
  // A third party can take the update lock at once: nobody holds the read lock.
  auto other = RealEnv().Open(path(), {});
  ASSERT_TRUE(other.ok());
  Status s = (*other)->Lock(lock_layout::kIndexLockOffset, lock_layout::kIndexLockLength, LockKind::kExclusive,
                            /*wait=*/false);
  EXPECT_TRUE(s.ok()) << s.ToString();
  ASSERT_TRUE((*other)->Unlock(lock_layout::kIndexLockOffset, lock_layout::kIndexLockLength).ok());
}

TEST_F(NtxSharingTest, CachedReadsSkipTheLockWhileTheHeaderStaysTheSame) {
  Fill(*a_, 0, 4000);  // pages enough that a far one is not read ahead with the near ones
  FakeClock clock(2026, 1, 5);
  auto file = RealEnv().Open(path(), {});
  ASSERT_TRUE(file.ok());
  auto opened = NtxIndex::OpenFile(std::move(*file), {}, &clock);
  ASSERT_TRUE(opened.ok());
  NtxIndex& reader = **opened;
  NtxCursor c(reader);

  ASSERT_TRUE(*c.Seek(Key(123, 8)));  // pages not cached yet: read under the lock
  uint64_t locked = reader.locked_reads();
  EXPECT_GE(locked, 1u);
  ASSERT_TRUE(*c.Seek(Key(123, 8)));  // all cached, header unchanged: no lock
  ASSERT_TRUE(c.Skip(1).ok());
  EXPECT_EQ(c.key(), Key(124, 8));
  EXPECT_EQ(reader.locked_reads(), locked);

  // A page the fast path lacks sends the read back under the lock, from where it was.
  ASSERT_TRUE(c.Seek(Key(3900, 8)).ok());
  EXPECT_EQ(reader.locked_reads(), locked + 1);
  EXPECT_EQ(c.key(), Key(3900, 8));

  // A change elsewhere is seen at once (the header differs).
  ASSERT_TRUE(a_->Remove(Key(3901, 8), 3902).ok());
  ASSERT_TRUE(c.Skip(1).ok());
  EXPECT_EQ(c.key(), Key(3902, 8));
  EXPECT_EQ(reader.locked_reads(), locked + 2);

  // Pages on disk are never read without the lock: bytes changed behind the header's
  // back (as by a writer in the middle of an update) stay unseen on the fast path.
  ASSERT_TRUE(*c.Seek(Key(123, 8)));  // its pages cached again after the change
  uint64_t before_damage = reader.locked_reads();
  std::string bytes = dir.Read("s.ntx");
  std::string damaged = bytes;
  for (size_t at = kNtxPageSize; at < damaged.size(); ++at) damaged[at] = '\x7F';
  dir.Write("s.ntx", damaged);
  auto found = c.Seek(Key(123, 8));
  ASSERT_TRUE(found.ok()) << found.status().ToString();
  EXPECT_TRUE(*found);
  EXPECT_EQ(c.recno(), 124u);
  EXPECT_EQ(reader.locked_reads(), before_damage);
  dir.Write("s.ntx", bytes);

  // Past the lock-free window the next read takes the lock again.
  clock.Advance(NtxOpenOptions{}.lockless_read_ms + 1);
  ASSERT_TRUE(*c.Seek(Key(123, 8)));
  EXPECT_EQ(reader.locked_reads(), before_damage + 1);
}

// A walk through the leaves reads them several at a time; a seek here and there one by one.
TEST_F(NtxSharingTest, AWalkReadsTheLeavesAheadAndSeesEveryKeyOnce) {
  a_.reset();
  b_.reset();
  {
    auto builder = NtxBuilder::Start(RealEnv(), path(), Options(8));
    ASSERT_TRUE(builder.ok()) << builder.status().ToString();
    for (int i = 0; i < 6000; ++i) ASSERT_TRUE((*builder)->Add(Key(i, 8), static_cast<uint32_t>(i + 1)).ok());
    ASSERT_TRUE((*builder)->Finish().ok());
  }
  auto file = RealEnv().Open(path(), {});
  ASSERT_TRUE(file.ok());
  auto opened = NtxIndex::OpenFile(std::move(*file), {}, nullptr);
  ASSERT_TRUE(opened.ok());
  NtxIndex& reader = **opened;
  NtxCursor c(reader);
  ASSERT_TRUE(c.GoTop().ok());
  int seen = 0;
  while (!c.eof()) {
    ASSERT_EQ(c.key(), Key(seen++, 8));
    ASSERT_TRUE(c.Skip(1).ok());
  }
  EXPECT_EQ(seen, 6000);
  EXPECT_LT(reader.pages_read(), 40u);  // some 250 leaves
  ExpectValid(reader);
}

TEST_F(NtxSharingTest, CacheStaysBoundedOnALargeIndex) {
  a_.reset();
  NtxOpenOptions small;
  small.cache_pages = 16;
  auto index = Open(small);
  ASSERT_TRUE(index);
  Fill(*index, 0, 3000);  // about 150 pages
  Entries all = ScanForward(*index);
  ASSERT_EQ(all.size(), 3000u);
  for (int i = 0; i < 3000; ++i) EXPECT_EQ(all[static_cast<size_t>(i)], Entry(Key(i, 8), i + 1));
  uint64_t reads = index->pages_read();
  NtxCursor c(*index);
  for (int i = 0; i < 3000; i += 97) ASSERT_TRUE(*c.Seek(Key(i, 8)));
  EXPECT_GT(index->pages_read(), reads);  // pages had to come back from the file
  ExpectValid(*index);
}

}  // namespace
}  // namespace hurt::xbase
