// NET_USE, REC_LOCK, FIL_LOCK and ADD_REC on work areas, with a second station (another
// WorkAreas on the same MemoryEnv) holding what the first one wants.
#include "store/net_use.h"

#include <gtest/gtest.h>

#include "store/fake_store_ui.h"
#include "support/status_assert.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::store {
namespace {

class NetUseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HURT_ASSERT_OK(env_.CreateDirs("24/03"));
    HURT_ASSERT_OK(env_.CreateDirs("rob"));
    for (const char* path : {"24/03/as.dbf", "rob/d01.dbf", "strukt12.dbf"}) {
      HURT_ASSERT_OK(xbase::Table::Create(env_, path, {{"INDEKS", 'C', 8, 0}, {"ILOSC", 'N', 10, 3}}));
    }
    auto t = xbase::Table::Open(env_, "24/03/as.dbf", xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    for (int i = 0; i < 3; ++i) ASSERT_TRUE((*t)->Append((*t)->NewRecord()).ok());
  }

  // The second station's area 2 on as.dbf.
  xbase::WorkArea& OtherStation(bool exclusive = false) {
    auto a = other_.Open(2, "24/03/as.dbf", "as", {.exclusive = exclusive});
    EXPECT_TRUE(a.ok()) << a.status().ToString();
    return **a;
  }

  // This station: area 2 selected, as.dbf open shared in it.
  xbase::WorkArea& OpenHere() {
    EXPECT_TRUE(areas_.Select(2).ok());
    EXPECT_TRUE(NetUse(ctx_, "24/03/as", "as", false, 1).ok());
    xbase::WorkArea* a = areas_.Area(2);
    EXPECT_NE(a, nullptr);
    ui_.calls.clear();
    return *a;
  }

  FakeClock clock_{2026, 3, 14};
  xbase::MemoryEnv env_{clock_};
  xbase::WorkAreas areas_{env_};
  xbase::WorkAreas other_{env_};
  testing::FakeStoreUi ui_{clock_};
  StoreContext ctx_{areas_, ui_};
};

TEST_F(NetUseTest, OpensSharedInTheCurrentAreaSavingTheMessageArea) {
  HURT_ASSERT_OK(areas_.Select(3));
  HURT_ASSERT_OK(NetUse(ctx_, "24\\03\\AS", "as", false, 1));
  ASSERT_NE(areas_.Area(3), nullptr);
  EXPECT_EQ(areas_.Area(3)->path(), "24/03/as.dbf");
  EXPECT_EQ(areas_.Area(3)->alias(), "as");
  EXPECT_EQ(ui_.calls, (std::vector<std::string>{"save 15,30,20,72", "restore"}));
  EXPECT_EQ(clock_.Elapsed(), 0);
}

TEST_F(NetUseTest, ExclusiveWithWaitOneMakesOneAttemptAndWaitsOneSecond) {
  OtherStation();
  HURT_ASSERT_OK(areas_.Select(2));
  Status s = NetUse(ctx_, "24/03/as", "as", true, 1);
  EXPECT_TRUE(s.IsBusy()) << s.ToString();
  EXPECT_EQ(ui_.calls,
            (std::vector<std::string>{"save 15,30,20,72", "message Otwieram plik 24/03/as.dbf", "wait 1000", "restore"}));
  EXPECT_EQ(clock_.Elapsed(), 1000);
  EXPECT_EQ(areas_.Area(2), nullptr);
}

TEST_F(NetUseTest, StationFilesAndScratchTablesOpenWithoutTheMessage) {
  HURT_ASSERT_OK(areas_.Select(4));
  HURT_ASSERT_OK(NetUse(ctx_, "ROB\\D01", "dd", true, 1));
  HURT_ASSERT_OK(areas_.Select(88));
  HURT_ASSERT_OK(NetUse(ctx_, "strukt12", "", true, 1));
  EXPECT_EQ(ui_.Count("message"), 0);
  EXPECT_EQ(ui_.Count("save"), 2);
  EXPECT_EQ(ui_.saved_depth, 0);
}

TEST_F(NetUseTest, WaitZeroKeepsTryingUntilTheOtherStationLeaves) {
  OtherStation();
  ui_.on_wait = [&](int n) {
    if (n == 4) {
      ASSERT_TRUE(other_.Close(2).ok());
    }
  };
  HURT_ASSERT_OK(areas_.Select(2));
  HURT_ASSERT_OK(NetUse(ctx_, "24/03/as", "as", true, 0));
  EXPECT_EQ(ui_.waits, 4);
  EXPECT_EQ(clock_.Elapsed(), 4000);
  EXPECT_TRUE(areas_.Area(2)->exclusive());
}

TEST_F(NetUseTest, AMissingTableFailsAtOnceEvenWithoutALimit) {
  HURT_ASSERT_OK(areas_.Select(2));
  Status s = NetUse(ctx_, "24/03/brak", "brak", false, 0);
  EXPECT_TRUE(s.IsNotFound()) << s.ToString();
  EXPECT_EQ(ui_.waits, 0);
  EXPECT_EQ(ui_.saved_depth, 0);
}

TEST_F(NetUseTest, RecLockZeroRetriesUntilGranted) {
  xbase::WorkArea& theirs = OtherStation();
  HURT_ASSERT_OK(theirs.GoTo(2));
  HURT_ASSERT_OK(theirs.LockRecord());
  xbase::WorkArea& mine = OpenHere();
  HURT_ASSERT_OK(mine.GoTo(2));
  ui_.on_wait = [&](int n) {
    if (n == 7) {
      ASSERT_TRUE(theirs.Unlock().ok());
    }
  };
  HURT_ASSERT_OK(RecLock(ctx_, 0));
  EXPECT_TRUE(mine.IsLocked());
  EXPECT_EQ(ui_.waits, 7);
  EXPECT_EQ(clock_.Elapsed(), 3500);
}

TEST_F(NetUseTest, RecLockGivesUpAfterItsTime) {
  xbase::WorkArea& theirs = OtherStation();
  HURT_ASSERT_OK(theirs.GoTo(1));
  HURT_ASSERT_OK(theirs.LockRecord());
  xbase::WorkArea& mine = OpenHere();
  HURT_ASSERT_OK(mine.GoTo(1));
  EXPECT_TRUE(RecLock(ctx_, 10).IsBusy());
  EXPECT_EQ(ui_.waits, 20);
  EXPECT_EQ(clock_.Elapsed(), 10000);
  EXPECT_FALSE(mine.IsLocked());
  // Another record is free.
  HURT_ASSERT_OK(mine.GoTo(3));
  HURT_ASSERT_OK(RecLock(ctx_, 10));
}

TEST_F(NetUseTest, GivingUpEndsEveryRetryAtOnce) {
  xbase::WorkArea& theirs = OtherStation();
  HURT_ASSERT_OK(theirs.GoTo(1));
  HURT_ASSERT_OK(theirs.LockRecord());
  xbase::WorkArea& mine = OpenHere();
  HURT_ASSERT_OK(mine.GoTo(1));
  ui_.give_up_at_wait = 3;
  // (Should giving up be missed, the other station lets go at last and the lock is had.)
  ui_.on_wait = [&](int n) {
    if (n == 50) {
      ASSERT_TRUE(theirs.Unlock().ok());
    }
  };
  EXPECT_TRUE(RecLock(ctx_, 0).IsBusy()) << "even a wait without limit";
  EXPECT_EQ(ui_.waits, 3);
  EXPECT_FALSE(mine.IsLocked());
  ui_.waits = 0;
  ui_.on_wait = nullptr;
  EXPECT_TRUE(FilLock(ctx_, 10).IsBusy());
  EXPECT_EQ(ui_.waits, 3);
}

TEST_F(NetUseTest, OneRecordLockPerTable) {
  xbase::WorkArea& mine = OpenHere();
  HURT_ASSERT_OK(mine.GoTo(1));
  HURT_ASSERT_OK(RecLock(ctx_, 1));
  HURT_ASSERT_OK(mine.GoTo(3));
  HURT_ASSERT_OK(RecLock(ctx_, 1));
  EXPECT_EQ(mine.table().LockedRecords(), (std::vector<uint32_t>{3}));
  // Locking the record already held keeps it.
  HURT_ASSERT_OK(RecLock(ctx_, 1));
  EXPECT_EQ(mine.table().LockedRecords(), (std::vector<uint32_t>{3}));
  // The other station can now have record 1.
  xbase::WorkArea& theirs = OtherStation();
  HURT_ASSERT_OK(theirs.GoTo(1));
  EXPECT_TRUE(theirs.LockRecord().ok());
}

TEST_F(NetUseTest, RecLockAtEndOfFileOrWithoutATableFailsAtOnce) {
  xbase::WorkArea& mine = OpenHere();
  HURT_ASSERT_OK(mine.GoBottom());
  HURT_ASSERT_OK(mine.Skip(1));
  ASSERT_TRUE(mine.eof());
  EXPECT_TRUE(RecLock(ctx_, 0).IsInvalid());
  HURT_ASSERT_OK(areas_.Select(77));
  EXPECT_TRUE(RecLock(ctx_, 0).IsInvalid());
  EXPECT_TRUE(FilLock(ctx_, 0).IsInvalid());
  EXPECT_TRUE(AddRec(ctx_, 0).IsInvalid());
  EXPECT_EQ(ui_.waits, 0);
}

TEST_F(NetUseTest, AddRecWaitsForAnotherStationsFileLock) {
  xbase::WorkArea& theirs = OtherStation();
  HURT_ASSERT_OK(theirs.LockFile());
  xbase::WorkArea& mine = OpenHere();
  EXPECT_TRUE(AddRec(ctx_, 1).IsBusy());
  EXPECT_EQ(ui_.waits, 2);
  EXPECT_EQ(clock_.Elapsed(), 1000);
  HURT_ASSERT_OK(mine.RecCount().status());
  EXPECT_EQ(mine.known_count(), 3u);  // nothing was appended

  ui_.on_wait = [&](int n) {
    if (n == 3) {
      ASSERT_TRUE(theirs.Unlock().ok());
    }
  };
  HURT_ASSERT_OK(AddRec(ctx_, 10));
  EXPECT_EQ(mine.recno(), 4u);
  EXPECT_TRUE(mine.IsLocked());
}

TEST_F(NetUseTest, AddRecReleasesTheRecordLockHeldBefore) {
  xbase::WorkArea& mine = OpenHere();
  HURT_ASSERT_OK(mine.GoTo(1));
  HURT_ASSERT_OK(RecLock(ctx_, 1));
  HURT_ASSERT_OK(AddRec(ctx_, 1));
  EXPECT_EQ(mine.recno(), 4u);
  EXPECT_EQ(mine.table().LockedRecords(), (std::vector<uint32_t>{4}));
}

TEST_F(NetUseTest, FilLockPausesBeforeEachRetry) {
  xbase::WorkArea& theirs = OtherStation();
  HURT_ASSERT_OK(theirs.GoTo(2));
  HURT_ASSERT_OK(theirs.LockRecord());
  xbase::WorkArea& mine = OpenHere();
  EXPECT_TRUE(FilLock(ctx_, 1).IsBusy());
  EXPECT_EQ(ui_.waits, 2);
  EXPECT_EQ(clock_.Elapsed(), 1000);

  ui_.on_wait = [&](int n) {
    if (n == 4) {
      ASSERT_TRUE(theirs.Unlock().ok());
    }
  };
  HURT_ASSERT_OK(FilLock(ctx_, 0));
  EXPECT_TRUE(mine.table().IsFileLocked());
  EXPECT_EQ(ui_.waits, 4);
}

}  // namespace
}  // namespace hurt::store
