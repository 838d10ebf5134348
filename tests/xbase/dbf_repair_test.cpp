// A table whose header counts more records than its file holds: counted, opened for
// salvage, repaired with a copy kept; and the memo pointers a checker looks at.
#include "xbase/dbf_repair.h"

#include <gtest/gtest.h>

#include "xbase/env_fixture.h"
#include "xbase/file_util.h"
#include "xbase/table.h"

namespace hurt::xbase {
namespace {

using test_env::EnvKind;
using test_env::EnvTest;

const std::vector<DbfFieldDescriptor> kFields = {{"INDEKS", 'C', 8, 0}, {"CENA", 'N', 10, 2}, {"OPIS", 'M', 0, 0}};

class DbfRepairTest : public EnvTest {
 protected:
  // t.dbf with `n` records, then cut to `keep` whole records and `half` bytes of the next.
  void MakeShort(int n, int keep, int half) {
    ASSERT_TRUE(Table::Create(env(), Path("t.dbf"), kFields).ok());
    {
      auto t = Table::Open(env(), Path("t.dbf"), TableMode::Exclusive());
      ASSERT_TRUE(t.ok());
      for (int i = 1; i <= n; ++i) {
        Record r = (*t)->NewRecord();
        ASSERT_TRUE(r.SetValue("INDEKS", "A" + std::to_string(i)).ok());
        ASSERT_TRUE(r.SetValue("OPIS", "opis " + std::to_string(i)).ok());
        ASSERT_TRUE((*t)->Append(r).ok());
      }
      ASSERT_TRUE((*t)->Close().ok());
      header_length_ = (*t)->header_length();
      record_length_ = (*t)->record_length();
    }
    auto bytes = ReadWholeFile(env(), Path("t.dbf"));
    ASSERT_TRUE(bytes.ok());
    original_ = bytes->substr(0, header_length_ + keep * record_length_ + half);
    ASSERT_TRUE(WriteWholeFile(env(), Path("t.dbf"), original_).ok());
  }
  std::string original_;
  size_t header_length_ = 0;
  size_t record_length_ = 0;
};

TEST_P(DbfRepairTest, AShortFileIsRefusedCountedAndOpenedForSalvage) {
  MakeShort(60, 51, 13);
  EXPECT_TRUE(Table::Open(env(), Path("t.dbf"), TableMode::Shared()).status().IsCorruption());
  EXPECT_TRUE(Table::Open(env(), Path("t.dbf"), TableMode::Exclusive()).status().IsCorruption());

  auto count = CountDbfRecords(env(), Path("t.dbf"));
  ASSERT_TRUE(count.ok()) << count.status().ToString();
  EXPECT_EQ(count->header, 60u);
  EXPECT_EQ(count->whole, 51u);
  EXPECT_TRUE(count->short_file());

  auto salvage = Table::Open(env(), Path("t.dbf"), TableMode::Salvage());
  ASSERT_TRUE(salvage.ok()) << salvage.status().ToString();
  EXPECT_EQ((*salvage)->RecordCount(), 51u);
  EXPECT_EQ((*salvage)->header().record_count, 60u);
  Record last;
  ASSERT_TRUE((*salvage)->Read(51, &last).ok());
  EXPECT_EQ(last.GetValue("OPIS")->AsString(), "opis 51");
  EXPECT_TRUE((*salvage)->Read(52, &last).IsNotFound());
  // Salvage is for reading: a writable open is still refused.
  TableMode writable = TableMode::Salvage();
  writable.read_only = false;
  EXPECT_TRUE(Table::Open(env(), Path("t.dbf"), writable).status().IsCorruption());
}

TEST_P(DbfRepairTest, TheRepairKeepsACopyAndCountsTheWholeRecords) {
  MakeShort(60, 51, 13);
  auto copy = RepairCopyName(env(), Path("t.dbf"));
  ASSERT_TRUE(copy.ok());
  EXPECT_EQ(*copy, Path("t_kopia.dbf"));
  {  // nobody may have it open meanwhile
    auto reader = Table::Open(env(), Path("t.dbf"), TableMode::Salvage());
    ASSERT_TRUE(reader.ok());
    EXPECT_TRUE(RepairDbfRecordCount(env(), Path("t.dbf"), *copy).status().IsBusy());
  }
  auto repaired = RepairDbfRecordCount(env(), Path("t.dbf"), *copy);
  ASSERT_TRUE(repaired.ok()) << repaired.status().ToString();
  EXPECT_EQ(*repaired, 51u);
  EXPECT_EQ(*ReadWholeFile(env(), *copy), original_);
  EXPECT_EQ(ReadWholeFile(env(), Path("t.dbf"))->size(), header_length_ + 51 * record_length_ + 1);

  // A sound table again: the next record appends after the 51st, memos intact.
  auto t = Table::Open(env(), Path("t.dbf"), TableMode::Shared());
  ASSERT_TRUE(t.ok()) << t.status().ToString();
  EXPECT_EQ((*t)->header().record_count, 51u);
  Record r = (*t)->NewRecord();
  ASSERT_TRUE(r.SetValue("INDEKS", "NOWY").ok());
  auto recno = (*t)->Append(r);
  ASSERT_TRUE(recno.ok());
  EXPECT_EQ(*recno, 52u);
  ASSERT_TRUE((*t)->Read(51, &r).ok());
  EXPECT_EQ(r.GetValue("OPIS")->AsString(), "opis 51");
  ASSERT_TRUE((*t)->Close().ok());

  // Nothing left to repair; the next copy would get the next name.
  EXPECT_TRUE(RepairDbfRecordCount(env(), Path("t.dbf"), Path("t_kopia2.dbf")).status().IsInvalid());
  EXPECT_FALSE(env().Exists(Path("t_kopia2.dbf")));
  EXPECT_EQ(*RepairCopyName(env(), Path("t.dbf")), Path("t_kopia2.dbf"));
  EXPECT_EQ(*RepairCopyName(env(), Path("AS.DBF")), Path("AS_KOPIA.DBF"));
}

TEST_P(DbfRepairTest, MemoPointersAreCheckedAsAChecker) {
  MakeShort(3, 3, 0);
  auto t = Table::Open(env(), Path("t.dbf"), TableMode::SharedReadOnly());
  ASSERT_TRUE(t.ok());
  Record r;
  ASSERT_TRUE((*t)->Read(2, &r).ok());
  const uint32_t good = *ParseMemoBlock(r.FieldBytes(2));
  EXPECT_TRUE((*t)->CheckMemo(good).ok());
  EXPECT_TRUE((*t)->CheckMemo(0).ok());
  const Status past_end = (*t)->CheckMemo(400);
  EXPECT_TRUE(past_end.IsCorruption());
  EXPECT_NE(past_end.message().find("past the end"), std::string::npos) << past_end.ToString();
  ASSERT_TRUE((*t)->Close().ok());

  // The memo file cut inside the last memo: its end mark is gone.
  auto dbt = ReadWholeFile(env(), Path("t.dbt"));
  ASSERT_TRUE(dbt.ok());
  ASSERT_TRUE(WriteWholeFile(env(), Path("t.dbt"), dbt->substr(0, 3 * 512 + 4)).ok());
  t = Table::Open(env(), Path("t.dbf"), TableMode::SharedReadOnly());
  ASSERT_TRUE(t.ok());
  const Status cut = (*t)->CheckMemo(3);
  EXPECT_TRUE(cut.IsCorruption());
  EXPECT_NE(cut.message().find("no end mark"), std::string::npos) << cut.ToString();
  // A block beyond the header's next free block (a pointer into space never written).
  std::string bytes = *dbt;
  bytes[0] = 2;  // next free block 2: block 3 was never given out
  bytes[1] = bytes[2] = bytes[3] = 0;
  ASSERT_TRUE((*t)->Close().ok());
  ASSERT_TRUE(WriteWholeFile(env(), Path("t.dbt"), bytes).ok());
  t = Table::Open(env(), Path("t.dbf"), TableMode::SharedReadOnly());
  ASSERT_TRUE(t.ok());
  const Status beyond = (*t)->CheckMemo(3);
  EXPECT_TRUE(beyond.IsCorruption());
  EXPECT_NE(beyond.message().find("next free block"), std::string::npos) << beyond.ToString();
}

INSTANTIATE_TEST_SUITE_P(Envs, DbfRepairTest, ::testing::Values(EnvKind::kMemory, EnvKind::kReal),
                         test_env::EnvKindName);

}  // namespace
}  // namespace hurt::xbase
