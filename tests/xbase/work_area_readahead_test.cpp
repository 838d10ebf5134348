// The read paths that make work areas fast, and the freshness they keep: the table's
// read-ahead for sequential movement (Table::ReadNear) and the mapped view of an index
// header, on the in-memory and the real file system.
#include "xbase/work_area_fixture.h"

namespace hurt::xbase::wa_test {
namespace {

using test_env::EnvTest;

class ReadAheadTest : public EnvTest {
 protected:
  void SetUp() override {
    path_ = Path("t.dbf");
    HURT_ASSERT_OK(Table::Create(env(), path_, {{"N", 'N', 6, 0}, {"TXT", 'C', 100, 0}}));
    auto t = Table::Open(env(), path_, TableMode::Shared());
    ASSERT_TRUE(t.ok());
    HURT_ASSERT_OK((*t)->BeginAppendBatch());
    Record rec = (*t)->NewRecord();
    for (int i = 1; i <= 2000; ++i) {
      HURT_ASSERT_OK(rec.SetValue(0, i));
      ASSERT_TRUE((*t)->Append(rec).ok());
    }
    HURT_ASSERT_OK((*t)->EndAppendBatch());
  }

  std::unique_ptr<Table> Open(int read_ahead_ms = 100000) {
    TableMode mode = TableMode::Shared();
    mode.read_ahead_ms = read_ahead_ms;
    auto t = Table::Open(env(), path_, mode);
    EXPECT_TRUE(t.ok()) << t.status().ToString();
    return t.ok() ? std::move(t).value() : nullptr;
  }

  // Writes N of record recno through another station.
  void WriteElsewhere(uint32_t recno, int value) {
    auto other = Open();
    ASSERT_TRUE(other);
    Record rec;
    HURT_ASSERT_OK(other->LockRecord(recno));
    HURT_ASSERT_OK(other->Read(recno, &rec));
    HURT_ASSERT_OK(rec.SetValue(0, value));
    HURT_ASSERT_OK(other->Write(rec));
  }

  static int N(const Record& rec) { return static_cast<int>(rec.GetValue(0)->AsNumber()); }

  std::string path_;
};

TEST_P(ReadAheadTest, SequentialReadsComeFromBlocksReadRecordsAreFresh) {
  auto t = Open();
  Record rec;
  for (uint32_t r = 1; r <= 300; ++r) {
    HURT_ASSERT_OK(t->ReadNear(r, &rec));
    ASSERT_EQ(N(rec), static_cast<int>(r));
  }
  WriteElsewhere(100, -100);
  // Read always goes to the file; it also refreshes the block's copy.
  HURT_ASSERT_OK(t->Read(100, &rec));
  EXPECT_EQ(N(rec), -100);
  HURT_ASSERT_OK(t->ReadNear(100, &rec));
  EXPECT_EQ(N(rec), -100);
  // A lock taken drops what was read ahead, so a locked record is always fresh.
  WriteElsewhere(101, -101);
  HURT_ASSERT_OK(t->LockRecord(150));
  HURT_ASSERT_OK(t->ReadNear(101, &rec));
  EXPECT_EQ(N(rec), -101);
  // This station's own writes go through to the blocks.
  HURT_ASSERT_OK(t->ReadNear(150, &rec));
  HURT_ASSERT_OK(rec.SetValue(0, -150));
  HURT_ASSERT_OK(t->Write(rec));
  HURT_ASSERT_OK(t->ReadNear(150, &rec));
  EXPECT_EQ(N(rec), -150);
  // Records far from the one read before are read alone, and appended records are
  // counted and read.
  HURT_ASSERT_OK(t->ReadNear(1999, &rec));
  EXPECT_EQ(N(rec), 1999);
  HURT_ASSERT_OK(t->ReadNear(2000, &rec));
  EXPECT_EQ(N(rec), 2000);
  EXPECT_TRUE(t->ReadNear(2001, &rec).IsNotFound());
}

TEST_P(ReadAheadTest, WithoutReadAheadEverySequentialReadIsFresh) {
  auto t = Open(/*read_ahead_ms=*/0);
  Record rec;
  HURT_ASSERT_OK(t->ReadNear(10, &rec));
  HURT_ASSERT_OK(t->ReadNear(11, &rec));
  WriteElsewhere(12, -12);
  HURT_ASSERT_OK(t->ReadNear(12, &rec));
  EXPECT_EQ(N(rec), -12);
}

// A walk that comes back over the same stretch (a report, once per kind of document)
// keeps more blocks for its time; what it is served stays as fresh as ever, and giving the
// blocks back leaves reading as it was.
TEST_P(ReadAheadTest, MoreBlocksForAWalkThatComesBack) {
  auto t = Open();
  t->SetReadAheadBlocks(64);  // records of 107 bytes: 612 a block, the file in 4 blocks
  Record rec;
  for (int pass = 0; pass < 3; ++pass) {
    for (uint32_t r = 1 + static_cast<uint32_t>(pass); r <= 2000; r += 3) {
      HURT_ASSERT_OK(t->ReadNear(r, &rec));
      ASSERT_EQ(N(rec), static_cast<int>(r));
    }
  }
  WriteElsewhere(700, -700);
  HURT_ASSERT_OK(t->ReadNear(700, &rec));
  EXPECT_EQ(N(rec), 700) << "served from the block read ahead";
  HURT_ASSERT_OK(t->Read(700, &rec));
  EXPECT_EQ(N(rec), -700);
  HURT_ASSERT_OK(t->ReadNear(701, &rec));
  HURT_ASSERT_OK(rec.SetValue(0, -701));
  HURT_ASSERT_OK(t->LockRecord(701));
  HURT_ASSERT_OK(t->Write(rec));
  HURT_ASSERT_OK(t->UnlockRecord(701));
  HURT_ASSERT_OK(t->ReadNear(700, &rec));
  EXPECT_EQ(N(rec), -700) << "a fresh read refreshes the block";
  HURT_ASSERT_OK(t->ReadNear(701, &rec));
  EXPECT_EQ(N(rec), -701) << "this station's write too";
  t->SetReadAheadBlocks(1);
  for (uint32_t r = 1; r <= 2000; r += 7) {
    HURT_ASSERT_OK(t->ReadNear(r, &rec));
    ASSERT_EQ(N(rec), r == 700 ? -700 : r == 701 ? -701 : static_cast<int>(r));
  }
}

INSTANTIATE_TEST_SUITE_P(Envs, ReadAheadTest, ::testing::Values(EnvKind::kMemory, EnvKind::kReal),
                         test_env::EnvKindName);

// On the fake clock time stands still until the test moves it: a block stays in use
// until it is older than read_ahead_ms, then the record is read again.
TEST(ReadAheadClockTest, BlocksServeForAtMostTheirAge) {
  FakeClock clock(2026, 3, 14);
  MemoryEnv env(clock);
  HURT_ASSERT_OK(Table::Create(env, "t.dbf", {{"N", 'N', 6, 0}}));
  auto writer = Table::Open(env, "t.dbf");
  ASSERT_TRUE(writer.ok());
  Record rec = (*writer)->NewRecord();
  for (int i = 1; i <= 50; ++i) {
    HURT_ASSERT_OK(rec.SetValue(0, i));
    ASSERT_TRUE((*writer)->Append(rec).ok());
  }
  HURT_ASSERT_OK((*writer)->UnlockAll());
  auto reader = Table::Open(env, "t.dbf");  // read_ahead_ms 100
  ASSERT_TRUE(reader.ok());
  HURT_ASSERT_OK((*reader)->ReadNear(1, &rec));
  HURT_ASSERT_OK((*reader)->ReadNear(2, &rec));  // near: reads the block

  HURT_ASSERT_OK((*writer)->LockRecord(3));
  HURT_ASSERT_OK((*writer)->Read(3, &rec));
  HURT_ASSERT_OK(rec.SetValue(0, -3));
  HURT_ASSERT_OK((*writer)->Write(rec));

  clock.Advance(100);
  HURT_ASSERT_OK((*reader)->ReadNear(3, &rec));
  EXPECT_EQ(rec.GetValue(0)->AsNumber(), 3) << "a block 100 ms old still serves";
  clock.Advance(1);
  HURT_ASSERT_OK((*reader)->ReadNear(3, &rec));
  EXPECT_EQ(rec.GetValue(0)->AsNumber(), -3) << "an older one does not";
}

// Two stations on the real file system with dow and its first order: station 1 made
// them, station 2 has them open in order 1.
class TwoStationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string dbf = dir / "dow.dbf";
    HURT_ASSERT_OK(Table::Create(env, dbf, DowFields()));
    auto opened = station1.Open(5, dbf, "dow");
    ASSERT_TRUE(opened.ok());
    a = *opened;
    HURT_ASSERT_OK(a->LockFile());
    ASSERT_TRUE(a->CreateOrder(dir / "dow1.ntx", kDow1).ok());
    HURT_ASSERT_OK(a->Unlock());
    HURT_ASSERT_OK(a->SetOrder(1));
    opened = station2.Open(5, dbf, "dow");
    ASSERT_TRUE(opened.ok());
    b = *opened;
    ASSERT_TRUE(b->AttachOrder(dir / "dow1.ntx").ok());
    HURT_ASSERT_OK(b->SetOrder(1));
  }

  hurt::testing::TempDir dir;
  Env& env = RealEnv();
  WorkAreas station1{env};
  WorkAreas station2{env};
  WorkArea* a = nullptr;
  WorkArea* b = nullptr;
};

// The index header is checked through its mapped view, and a change made by one station
// is seen by the other's next read at once.
TEST_F(TwoStationsTest, AnotherStationsIndexChangesAreSeenAtOnce) {
  for (int i = 1; i <= 300; ++i) {
    HURT_ASSERT_OK(AddLine(*a, {.nrd = Nrd(i), .indeks = "A"}));
    auto found = b->Seek("FV " + Nrd(i));  // within the lock-free window of station 2
    ASSERT_TRUE(found.ok());
    ASSERT_TRUE(*found) << "line " << i;
    ASSERT_EQ(b->recno(), static_cast<uint32_t>(i));
  }
  // Without changes the reads take the lock-free path (a locked check at most every
  // lockless_read_ms).
  const uint64_t locked = b->OrderIndex(1)->locked_reads();
  for (int i = 1; i <= 300; ++i) {
    auto found = b->Seek("FV " + Nrd(i));
    ASSERT_TRUE(found.ok() && *found);
  }
  EXPECT_LT(b->OrderIndex(1)->locked_reads() - locked, 30u);
}

// A seek reads the file as it is now, unless the area was told that its seeks go in step
// with a walk elsewhere; then it may be served from a block read ahead.
TEST_F(TwoStationsTest, ASeekServedFromABlockOnlyWhenAsked) {
  for (int i = 1; i <= 50; ++i) HURT_ASSERT_OK(AddLine(*a, {.nrd = Nrd(i), .indeks = "A"}));
  HURT_ASSERT_OK(b->GoTop());
  HURT_ASSERT_OK(b->Skip(1));  // the block of the first records is read ahead
  HURT_ASSERT_OK(a->GoTo(10));
  HURT_ASSERT_OK(a->LockRecord());
  HURT_ASSERT_OK(a->Replace("INDEKS", Value("Z")));
  HURT_ASSERT_OK(a->Unlock());
  b->SetSeeksReadAhead(true);
  ASSERT_TRUE(*b->Seek("FV " + Nrd(10)));
  EXPECT_EQ(b->Get("INDEKS")->AsString().substr(0, 1), "A");
  b->SetSeeksReadAhead(false);
  ASSERT_TRUE(*b->Seek("FV " + Nrd(10)));
  EXPECT_EQ(b->Get("INDEKS")->AsString().substr(0, 1), "Z");
}

}  // namespace
}  // namespace hurt::xbase::wa_test
