// Failing writes, torn writes, busy locks and damaged files: every failure is reported,
// the header stays whole and a damaged file is named in a Corruption status.
#include <gtest/gtest.h>

#include "xbase/endian_codec.h"
#include "xbase/env_fixture.h"
#include "xbase/fault_env.h"
#include "xbase/lock_layout.h"
#include "xbase/table.h"

namespace hurt::xbase {
namespace {

const std::vector<DbfFieldDescriptor> kFields = {{"KOD", 'C', 6, 0}, {"KWOTA", 'N', 10, 2}, {"OPIS", 'M', 10, 0}};

class TableFaultTest : public ::testing::Test {
 protected:
  TableFaultTest() : clock_(2026, 5, 20), mem_(clock_), env_(mem_) {}

  void SetUp() override {
    HURT_ASSERT_OK(Table::Create(mem_, "fa.dbf", kFields));
    auto t = Table::Open(mem_, "fa.dbf", TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    for (int i = 1; i <= 3; ++i) {
      Record r = (*t)->NewRecord();
      HURT_ASSERT_OK(r.SetValue("KOD", "K" + std::to_string(i)));
      HURT_ASSERT_OK(r.SetValue("KWOTA", i * 10.0));
      HURT_ASSERT_OK((*t)->Append(r).status());
    }
    HURT_ASSERT_OK((*t)->Close());
    pristine_ = *mem_.Contents("fa.dbf");
  }

  std::unique_ptr<Table> Open(TableMode mode = {}) {
    auto t = Table::Open(env_, "fa.dbf", mode);
    EXPECT_TRUE(t.ok()) << t.status().ToString();
    return t.ok() ? std::move(t).value() : nullptr;
  }

  std::string Header() { return mem_.Contents("fa.dbf")->substr(0, 32 + 3 * 32 + 2); }

  Status OpenStatus() { return Table::Open(mem_, "fa.dbf").status(); }

  FakeClock clock_;
  MemoryEnv mem_;
  FaultEnv env_;
  std::string pristine_;
};

TEST_F(TableFaultTest, FailedAppendIsReportedAndLeavesTheTableAsItWas) {
  auto t = Open();
  ASSERT_TRUE(t);
  env_.FailWrite(1, "fa.dbf");
  Record r = t->NewRecord();
  HURT_ASSERT_OK(r.SetValue("KOD", "NOWY"));
  auto failed = t->Append(r);
  EXPECT_EQ(failed.status().code(), StatusCode::kIoError);
  EXPECT_EQ(*mem_.Contents("fa.dbf"), pristine_) << "header and records untouched";
  EXPECT_EQ(t->RecordCount(), 3u);
  EXPECT_TRUE(t->LockedRecords().empty());
  auto again = t->Append(r);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(*again, 4u) << "the same record number is used again";
}

TEST_F(TableFaultTest, TornAppendLeavesNoPartialRecord) {
  auto t = Open();
  ASSERT_TRUE(t);
  env_.TearWrite(1, 10, "fa.dbf");
  Record r = t->NewRecord();
  EXPECT_FALSE(t->Append(r).ok());
  EXPECT_EQ(*mem_.Contents("fa.dbf"), pristine_);
  t.reset();
  auto reopened = Table::Open(mem_, "fa.dbf");
  ASSERT_TRUE(reopened.ok());
  EXPECT_EQ((*reopened)->RecordCount(), 3u);
}

TEST_F(TableFaultTest, FailedHeaderUpdateAfterTheRecordIsReportedButTheRecordCounts) {
  auto t = Open();
  ASSERT_TRUE(t);
  env_.FailWrite(2, "fa.dbf");  // record first, then the header count
  Record r = t->NewRecord();
  HURT_ASSERT_OK(r.SetValue("KOD", "K4"));
  EXPECT_FALSE(t->Append(r).ok());
  std::string header = Header();
  EXPECT_EQ(DecodeU32(header.data() + 4), 3u) << "the header keeps the old count";
  // Every station counts whole records from the file size, so the record is there...
  auto other = Table::Open(mem_, "fa.dbf");
  ASSERT_TRUE(other.ok()) << other.status().ToString();
  EXPECT_EQ((*other)->RecordCount(), 4u);
  EXPECT_TRUE((*other)->LockRecord(4).IsBusy()) << "...and still locked by its appender";
  // ...and the next header write puts the count right.
  t.reset();
  EXPECT_EQ(DecodeU32(Header().data() + 4), 4u);
}

TEST_F(TableFaultTest, TornRecordUpdateIsReportedAndTheHeaderIsIntact) {
  auto t = Open();
  ASSERT_TRUE(t);
  Record r;
  HURT_ASSERT_OK(t->LockRecord(2));
  HURT_ASSERT_OK(t->Read(2, &r));
  HURT_ASSERT_OK(r.SetValue("KOD", "ZMIANA"));
  HURT_ASSERT_OK(r.SetValue("KWOTA", 999.0));
  env_.TearWrite(1, 4, "fa.dbf");
  EXPECT_EQ(t->Write(r).code(), StatusCode::kIoError);
  EXPECT_EQ(Header(), pristine_.substr(0, Header().size()));
  auto other = Table::Open(mem_, "fa.dbf");
  ASSERT_TRUE(other.ok());
  EXPECT_EQ((*other)->RecordCount(), 3u);
  Record seen;
  HURT_ASSERT_OK((*other)->Read(2, &seen));
  EXPECT_EQ(seen.FieldBytes(0), "ZMI   ") << "what a torn write leaves: the first bytes only";
  EXPECT_EQ(seen.GetValue("KWOTA")->AsNumber(), 20.0);
}

TEST_F(TableFaultTest, ExclusiveBufferedAppendsReportAFailedFlushAtCommit) {
  auto t = Open(TableMode::Exclusive());
  ASSERT_TRUE(t);
  Record r = t->NewRecord();
  HURT_ASSERT_OK(t->Append(r).status());
  HURT_ASSERT_OK(t->Append(r).status());
  env_.FailWrite(1, "fa.dbf");
  EXPECT_FALSE(t->Commit().ok());
  EXPECT_EQ(t->RecordCount(), 3u) << "the buffered records are dropped, not pretended written";
  EXPECT_EQ(*mem_.Contents("fa.dbf"), pristine_);
  HURT_ASSERT_OK(t->Append(r).status());
  HURT_ASSERT_OK(t->Commit());
  EXPECT_GE(env_.Syncs("fa.dbf"), 1);
  EXPECT_GE(env_.Syncs("fa.dbt"), 1);
  env_.FailSync(1, "fa.dbf");
  EXPECT_FALSE(t->Commit().ok()) << "a failed fdatasync is reported";
  HURT_ASSERT_OK(t->Close());
  EXPECT_EQ(DecodeU32(Header().data() + 4), 4u);
}

TEST_F(TableFaultTest, FailedPackLeavesTheOldTable) {
  auto t = Open(TableMode::Exclusive());
  ASSERT_TRUE(t);
  HURT_ASSERT_OK(t->Delete(2));
  std::string before = *mem_.Contents("fa.dbf");
  env_.FailWrite(2, "fa.dbf.new");
  EXPECT_FALSE(t->Pack().ok());
  EXPECT_EQ(*mem_.Contents("fa.dbf"), before);
  EXPECT_FALSE(mem_.Exists("fa.dbf.new"));
  EXPECT_EQ(t->RecordCount(), 3u);
  Record r;
  HURT_ASSERT_OK(t->Read(3, &r));
  HURT_ASSERT_OK(t->Pack());
  EXPECT_EQ(t->RecordCount(), 2u);
}

TEST_F(TableFaultTest, LocksHeldElsewhereAreBusy) {
  auto t = Open();
  ASSERT_TRUE(t);
  env_.MakeLockBusy("fa.dbf", lock_layout::RecordLockOffset(2), 1);
  EXPECT_TRUE(t->LockRecord(2).IsBusy());
  HURT_EXPECT_OK(t->LockRecord(1));
  EXPECT_TRUE(t->LockFile().IsBusy());
  env_.ClearFaults();
  env_.MakeLockBusy("fa.dbf", lock_layout::kOpenModeOffset, 1);
  EXPECT_TRUE(Table::Open(env_, "fa.dbf").status().IsBusy());
  env_.ClearFaults();
  env_.MakeLockBusy("fa.dbt", lock_layout::kMemoLockOffset, 1);
  Record r = t->NewRecord();
  EXPECT_TRUE(r.SetValue("OPIS", "tekst").IsBusy()) << "the memo write lock could not be had";
}

// --- Damaged files ---------------------------------------------------------------------------

void ExpectCorruption(const Status& s, const std::string& file, const std::string& what) {
  EXPECT_TRUE(s.IsCorruption()) << s.ToString();
  EXPECT_NE(s.message().find(file), std::string::npos) << s.message();
  EXPECT_NE(s.message().find(what), std::string::npos) << s.message();
}

TEST_F(TableFaultTest, DamagedTablesAreCorruptionNamingTheFile) {
  HURT_ASSERT_OK(mem_.SetContents("fa.dbf", pristine_.substr(0, 20)));
  ExpectCorruption(OpenStatus(), "fa.dbf", "truncated");
  HURT_ASSERT_OK(mem_.SetContents("fa.dbf", pristine_.substr(0, 100)));
  ExpectCorruption(OpenStatus(), "fa.dbf", "truncated");

  std::string version = pristine_;
  version[0] = static_cast<char>(0x8B);
  HURT_ASSERT_OK(mem_.SetContents("fa.dbf", version));
  ExpectCorruption(OpenStatus(), "fa.dbf", "wrong version byte 0x8B");

  std::string count = pristine_;
  EncodeU32(count.data() + 4, 7);
  HURT_ASSERT_OK(mem_.SetContents("fa.dbf", count));
  ExpectCorruption(OpenStatus(), "fa.dbf", "header record count 7 is larger than the file allows (3 records)");
  ExpectCorruption(Table::Open(mem_, "fa.dbf", TableMode::Exclusive()).status(), "fa.dbf", "record count 7");

  std::string header_length = pristine_;
  EncodeU16(header_length.data() + 8, 32 + 2 * 32 + 2);
  HURT_ASSERT_OK(mem_.SetContents("fa.dbf", header_length));
  ExpectCorruption(OpenStatus(), "fa.dbf", "header length 98");

  std::string cut = pristine_.substr(0, pristine_.size() - 15);  // last record cut in half
  HURT_ASSERT_OK(mem_.SetContents("fa.dbf", cut));
  ExpectCorruption(OpenStatus(), "fa.dbf", "larger than the file allows (2 records)");

  HURT_ASSERT_OK(mem_.SetContents("fa.dbf", ""));
  ExpectCorruption(OpenStatus(), "fa.dbf", "truncated");

  HURT_ASSERT_OK(mem_.SetContents("fa.dbf", pristine_));
  HURT_ASSERT_OK(mem_.Remove("fa.dbt"));
  Status missing = OpenStatus();
  EXPECT_TRUE(missing.IsNotFound());
  EXPECT_NE(missing.message().find("fa.dbt"), std::string::npos);
  EXPECT_TRUE(Table::Open(mem_, "nic.dbf").status().IsNotFound());
}

TEST_F(TableFaultTest, DamagedMemosAreCorruptionNamingTheFile) {
  auto t = Open();
  ASSERT_TRUE(t);
  HURT_ASSERT_OK(t->LockRecord(1));
  Record r;
  HURT_ASSERT_OK(t->Read(1, &r));
  HURT_ASSERT_OK(r.SetValue("OPIS", "notatka"));
  HURT_ASSERT_OK(r.SetFieldBytes(2, "      9999"));
  HURT_ASSERT_OK(t->Write(r));
  auto v = r.GetValue("OPIS");
  ExpectCorruption(v.status(), "fa.dbt", "memo block 9999 lies past the end");
  HURT_ASSERT_OK(r.SetFieldBytes(2, "   12x    "));
  ExpectCorruption(r.GetValue("OPIS").status(), "OPIS", "not a block number");
  // A memo without its end mark is cut by the end of the file, not read past it.
  HURT_ASSERT_OK(r.SetValue("OPIS", "abc"));
  std::string dbt = *mem_.Contents("fa.dbt");
  dbt.resize(dbt.size() - 512 + 3);
  HURT_ASSERT_OK(mem_.SetContents("fa.dbt", dbt));
  EXPECT_EQ(r.GetValue("OPIS")->AsString(), "abc");
  // A next-free pointer far past the end is refused instead of writing gigabytes away.
  EncodeU32(dbt.data(), 0x7FFFFFFF);
  HURT_ASSERT_OK(mem_.SetContents("fa.dbt", dbt));
  ExpectCorruption(r.SetValue("OPIS", "x"), "fa.dbt", "next free block");
}

}  // namespace
}  // namespace hurt::xbase
