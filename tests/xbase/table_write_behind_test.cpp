// Writing behind on an exclusive table: records changed in a block read ahead are in the
// file once the block leaves the cache, the file is read directly (a scan), or the table is
// flushed, committed or closed; what the table serves meanwhile is always the newest.
#include "base/numeric.h"
#include "xbase/file_util.h"
#include "xbase/work_area_fixture.h"

namespace hurt::xbase::wa_test {
namespace {

using test_env::EnvTest;

class WriteBehindTest : public EnvTest {
 protected:
  void SetUp() override {
    path_ = Path("w.dbf");
    HURT_ASSERT_OK(Table::Create(env(), path_, {{"N", 'N', 6, 0}, {"TXT", 'C', 100, 0}}));
    table_ = OpenExclusive();
    ASSERT_TRUE(table_);
    Record rec = table_->NewRecord();
    for (int i = 1; i <= kRecords; ++i) {
      HURT_ASSERT_OK(rec.SetValue(0, i));
      ASSERT_TRUE(table_->Append(rec).ok());
    }
    HURT_ASSERT_OK(table_->Commit());
  }

  std::unique_ptr<Table> OpenExclusive() {
    auto t = Table::Open(env(), path_, TableMode::Exclusive());
    EXPECT_TRUE(t.ok()) << t.status().ToString();
    return t.ok() ? std::move(t).value() : nullptr;
  }

  // N of record recno as the file holds it now, read past the table.
  int OnFile(uint32_t recno) {
    auto f = env().Open(path_, {});
    EXPECT_TRUE(f.ok());
    std::string bytes;
    const uint64_t record_length = 107, header_length = 32 + 2 * 32 + 2;
    EXPECT_TRUE(ReadBytes(**f, header_length + (recno - 1) * record_length + 1, 6, &bytes).ok());
    return static_cast<int>(Val(bytes));
  }

  // Every record from `from` on, in the order of the file, read and given N = -recno.
  void NegateFrom(uint32_t from) {
    Record rec;
    for (uint32_t r = from; r <= kRecords; ++r) {
      HURT_ASSERT_OK(table_->Read(r, &rec));
      HURT_ASSERT_OK(rec.SetValue(0, -static_cast<int>(r)));
      HURT_ASSERT_OK(table_->Write(rec));
    }
  }

  static int N(const Record& rec) { return static_cast<int>(rec.GetValue(0)->AsNumber()); }

  static constexpr int kRecords = 2000;  // records of 107 bytes: 612 a block, the file in 4 blocks
  std::string path_;
  std::unique_ptr<Table> table_;
};

TEST_P(WriteBehindTest, ChangedBlocksReachTheFileWhenTheyLeaveOrTheTableIsFlushed) {
  table_->SetReadAheadBlocks(2);
  HURT_ASSERT_OK(table_->SetWriteBehind(true));
  NegateFrom(1);
  // The first blocks left the cache on the way and are in the file; the last two wait.
  EXPECT_EQ(OnFile(1), -1);
  EXPECT_EQ(OnFile(1224), -1224);
  EXPECT_EQ(OnFile(kRecords), kRecords);
  Record rec;
  HURT_ASSERT_OK(table_->Read(kRecords, &rec));
  EXPECT_EQ(N(rec), -kRecords) << "the table serves its newest copy";
  HURT_ASSERT_OK(table_->FlushBlocks());
  EXPECT_EQ(OnFile(kRecords), -kRecords);

  // Closing writes what waits: a new run over the last blocks, then the table closed.
  HURT_ASSERT_OK(table_->Read(1900, &rec));
  HURT_ASSERT_OK(rec.SetValue(0, 7));
  HURT_ASSERT_OK(table_->Write(rec));
  EXPECT_EQ(OnFile(1900), -1900);
  HURT_ASSERT_OK(table_->Close());
  EXPECT_EQ(OnFile(1900), 7);
}

TEST_P(WriteBehindTest, AScanAndACommitSeeEveryChange) {
  HURT_ASSERT_OK(table_->SetWriteBehind(true));
  NegateFrom(1000);
  RecordScanner scan(*table_);
  Record rec;
  int seen = 0;
  while (scan.Next(&rec)) {
    ++seen;
    ASSERT_EQ(N(rec), rec.recno() >= 1000 ? -static_cast<int>(rec.recno()) : static_cast<int>(rec.recno()));
  }
  HURT_ASSERT_OK(scan.status());
  EXPECT_EQ(seen, kRecords);
  NegateFrom(1990);
  HURT_ASSERT_OK(table_->Commit());
  EXPECT_EQ(OnFile(1995), -1995);
  // Switched off, writes go to the file at once again.
  HURT_ASSERT_OK(table_->SetWriteBehind(false));
  HURT_ASSERT_OK(table_->Read(5, &rec));
  HURT_ASSERT_OK(rec.SetValue(0, 55));
  HURT_ASSERT_OK(table_->Write(rec));
  EXPECT_EQ(OnFile(5), 55);
}

TEST_P(WriteBehindTest, ASharedTableWritesThrough) {
  table_.reset();
  auto shared = Table::Open(env(), path_, TableMode::Shared());
  ASSERT_TRUE(shared.ok());
  EXPECT_TRUE((*shared)->SetWriteBehind(true).IsInvalid());
  EXPECT_FALSE((*shared)->write_behind());
}

INSTANTIATE_TEST_SUITE_P(Envs, WriteBehindTest, ::testing::Values(EnvKind::kMemory, EnvKind::kReal),
                         test_env::EnvKindName);

}  // namespace
}  // namespace hurt::xbase::wa_test
