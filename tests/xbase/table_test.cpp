// Table and Record on the in-memory and the real file system: values, memos, deletion,
// pack and zap, and two Table objects on one file acting as two stations.
#include "xbase/table.h"

#include <gtest/gtest.h>

#include "base/date.h"
#include "xbase/endian_codec.h"
#include "xbase/env_fixture.h"
#include "xbase/file_util.h"

namespace hurt::xbase {
namespace {

using test_env::EnvKind;
using test_env::EnvTest;

const std::vector<DbfFieldDescriptor> kArticleFields = {
    {"mag", 'C', 1, 0},   {"indeks", 'C', 8, 0}, {"cena", 'N', 12, 2}, {"ilosc", 'N', 5, 0},
    {"data", 'D', 0, 0},  {"jest", 'L', 1, 0},   {"opis", 'M', 0, 0},
};

Value Get(const Record& r, const char* field) {
  auto v = r.GetValue(field);
  EXPECT_TRUE(v.ok()) << field << ": " << v.status().ToString();
  return v.ok() ? *v : Value();
}

std::unique_ptr<Table> OpenTable(Env& env, const std::string& path, TableMode mode = {}) {
  auto t = Table::Open(env, path, mode);
  EXPECT_TRUE(t.ok()) << t.status().ToString();
  return t.ok() ? std::move(t).value() : nullptr;
}

class TableTest : public EnvTest {
 protected:
  void SetUp() override { HURT_ASSERT_OK(Table::Create(env(), Path("as.dbf"), kArticleFields)); }

  // Appends a record with the given code and price (shared mode leaves it locked).
  uint32_t AppendArticle(Table& t, const std::string& indeks, double cena) {
    Record r = t.NewRecord();
    EXPECT_TRUE(r.SetValue("indeks", indeks).ok());
    EXPECT_TRUE(r.SetValue("cena", cena).ok());
    auto recno = t.Append(r);
    EXPECT_TRUE(recno.ok()) << recno.status().ToString();
    return recno.ok() ? *recno : 0;
  }
};

TEST_P(TableTest, EveryFieldTypeRoundTripsThroughTheFile) {
  const JulianDay day = JulianFromYmd(2026, 3, 14);
  {
    auto t = OpenTable(env(), Path("as.dbf"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->record_length(), 1u + 1 + 8 + 12 + 5 + 8 + 1 + 10);
    EXPECT_EQ(t->header_length(), 32u + 7 * 32 + 2);
    EXPECT_EQ(t->fields()[1].name, "INDEKS") << "names upper case on disk";
    EXPECT_EQ(t->FieldIndex("Cena"), 2);
    EXPECT_EQ(t->FieldIndex("nope"), -1);
    EXPECT_EQ(t->memo_path(), Path("as.dbt"));

    Record r = t->NewRecord();
    HURT_ASSERT_OK(r.SetValue("mag", "1"));
    HURT_ASSERT_OK(r.SetValue("indeks", "ABCDEFGHIJK"));  // cut to 8
    HURT_ASSERT_OK(r.SetValue("cena", 1234.565));
    HURT_ASSERT_OK(r.SetValue("ilosc", -42));
    HURT_ASSERT_OK(r.SetValue("data", Date{day}));
    HURT_ASSERT_OK(r.SetValue("jest", true));
    HURT_ASSERT_OK(r.SetValue("opis", "Uwagi do towaru"));
    auto first = t->Append(r);
    ASSERT_TRUE(first.ok()) << first.status().ToString();
    EXPECT_EQ(*first, 1u);
    EXPECT_EQ(r.FieldBytes(2), "     1234.57");
    EXPECT_EQ(r.FieldBytes(3), "  -42");
    EXPECT_EQ(r.FieldBytes(4), "20260314");
    EXPECT_EQ(r.FieldBytes(6), "         1");

    Record empty = t->NewRecord();
    HURT_ASSERT_OK(empty.SetValue("indeks", "X"));
    HURT_ASSERT_OK(t->Append(empty).status());
    HURT_ASSERT_OK(t->Close());
  }
  auto t = OpenTable(env(), Path("as.dbf"), TableMode::SharedReadOnly());
  ASSERT_TRUE(t);
  ASSERT_EQ(t->RecordCount(), 2u);
  Record r;
  HURT_ASSERT_OK(t->Read(1, &r));
  EXPECT_EQ(r.recno(), 1u);
  EXPECT_FALSE(r.deleted());
  EXPECT_EQ(Get(r, "mag"), Value("1"));
  EXPECT_EQ(Get(r, "indeks"), Value("ABCDEFGH"));
  EXPECT_EQ(Get(r, "cena"), Value(1234.57));
  EXPECT_EQ(Get(r, "ilosc"), Value(-42));
  EXPECT_EQ(Get(r, "data"), Value(Date{day}));
  EXPECT_EQ(Get(r, "jest"), Value(true));
  EXPECT_EQ(Get(r, "opis"), Value("Uwagi do towaru"));

  HURT_ASSERT_OK(t->Read(2, &r));
  EXPECT_EQ(Get(r, "indeks"), Value("X       ")) << "C values come back blank-padded";
  EXPECT_EQ(Get(r, "cena"), Value(0.0));
  EXPECT_EQ(Get(r, "data"), Value(Date{}));
  EXPECT_EQ(Get(r, "jest"), Value(false));
  EXPECT_EQ(Get(r, "opis"), Value(""));
  EXPECT_EQ(r.FieldBytes(4), "        ");
  EXPECT_TRUE(t->Read(3, &r).IsNotFound());
  EXPECT_TRUE(t->Read(0, &r).IsNotFound());
}

TEST_P(TableTest, ValuesThatDoNotFitAreRefusedAndLeaveTheRecordAlone) {
  auto t = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(t);
  Record r = t->NewRecord();
  HURT_ASSERT_OK(r.SetValue("ilosc", 99999));
  Status s = r.SetValue("ilosc", 100000);
  EXPECT_TRUE(s.IsInvalid());
  EXPECT_NE(s.message().find("does not fit field ILOSC (N 5,0)"), std::string::npos) << s.message();
  EXPECT_EQ(r.FieldBytes(3), "99999");
  EXPECT_TRUE(r.SetValue("ilosc", -10000).IsInvalid());
  HURT_EXPECT_OK(r.SetValue("ilosc", -9999));
  EXPECT_TRUE(r.SetValue("cena", 1e12).IsInvalid());
  HURT_EXPECT_OK(r.SetValue("cena", 999999999.99));
  EXPECT_TRUE(r.SetValue("cena", "12").IsInvalid()) << "type mismatch";
  EXPECT_TRUE(r.SetValue("indeks", 12).IsInvalid());
  EXPECT_TRUE(r.SetValue("data", "20260101").IsInvalid());
  EXPECT_TRUE(r.SetValue("data", Date{JulianFromYmd(9999, 12, 31) + 1}).IsInvalid()) << "year 10000";
  EXPECT_TRUE(r.SetValue("data", Date{-5}).IsInvalid());
  HURT_EXPECT_OK(r.SetValue("data", Date{JulianFromYmd(9999, 12, 31)}));
  EXPECT_EQ(r.FieldBytes(4), "99991231");
  EXPECT_TRUE(r.SetValue("jest", 1).IsInvalid());
  EXPECT_TRUE(r.SetValue("opis", true).IsInvalid());
  EXPECT_TRUE(r.SetValue("brak", 1).IsInvalid());
  EXPECT_TRUE(r.SetValue(99, 1).IsInvalid());
  HURT_EXPECT_OK(r.SetValue("cena", Value()));
  EXPECT_EQ(r.FieldBytes(2), "            ") << "NIL blanks a field";
}

TEST_P(TableTest, CreateValidatesTheFieldList) {
  auto create = [&](std::vector<DbfFieldDescriptor> f) { return Table::Create(env(), Path("x.dbf"), f); };
  EXPECT_TRUE(create({}).IsInvalid());
  EXPECT_TRUE(create({{"NAZWA_DLUGA", 'C', 5, 0}}).IsInvalid()) << "11 characters";
  EXPECT_TRUE(create({{"1A", 'C', 5, 0}}).IsInvalid());
  EXPECT_TRUE(create({{"A-B", 'C', 5, 0}}).IsInvalid());
  EXPECT_TRUE(create({{"A", 'C', 5, 0}, {"a", 'N', 5, 0}}).IsInvalid()) << "duplicate ignoring case";
  EXPECT_TRUE(create({{"A", 'X', 5, 0}}).IsInvalid());
  EXPECT_TRUE(create({{"A", 'C', 0, 0}}).IsInvalid());
  EXPECT_TRUE(create({{"A", 'N', 20, 0}}).IsInvalid());
  EXPECT_TRUE(create({{"A", 'N', 5, 4}}).IsInvalid()) << "decimals need room for the point";
  EXPECT_TRUE(create({{"A", 'D', 10, 0}}).IsInvalid());
  EXPECT_FALSE(env().Exists(Path("x.dbf")));
  HURT_EXPECT_OK(create({{"A", 'N', 5, 3}, {"b_2", 'c', 254, 0}}));
}

TEST_P(TableTest, MemosSpanBlocksAndRewritesGoToNewBlocks) {
  auto t = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(t);
  const std::string exact(510, 'a');   // 510 + 2 end marks: one block
  const std::string longer(511, 'b');  // two blocks
  const std::string big(5000, 'c');
  Record r = t->NewRecord();
  HURT_ASSERT_OK(r.SetValue("opis", exact));
  EXPECT_EQ(r.FieldBytes(6), "         1");
  HURT_ASSERT_OK(r.SetValue("opis", longer));
  EXPECT_EQ(r.FieldBytes(6), "         2") << "a rewrite never reuses blocks";
  HURT_ASSERT_OK(r.SetValue("opis", big));
  EXPECT_EQ(r.FieldBytes(6), "         4");
  auto recno = t->Append(r);
  ASSERT_TRUE(recno.ok());
  Record other = t->NewRecord();
  HURT_ASSERT_OK(other.SetValue("opis", "drugi"));
  EXPECT_EQ(other.FieldBytes(6), "        14");
  EXPECT_TRUE(other.SetValue("opis", std::string("a\x1A b")).IsInvalid()) << "readers would cut it at 0x1A";
  HURT_ASSERT_OK(t->Close());

  auto dbt = ReadWholeFile(env(), Path("as.dbt"));
  ASSERT_TRUE(dbt.ok());
  EXPECT_EQ(dbt->size(), 15u * 512);
  EXPECT_EQ(DecodeU32(dbt->data()), 15u) << "next free block";
  EXPECT_EQ(dbt->substr(512 + 510, 2), "\x1A\x1A");

  t = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(t);
  HURT_ASSERT_OK(t->Read(*recno, &r));
  EXPECT_EQ(Get(r, "opis"), Value(big));
  auto first = t->ReadMemo(1);
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(*first, exact);
  EXPECT_EQ(*t->ReadMemo(2), longer);
}

TEST_P(TableTest, DeleteRecallPackAndZap) {
  auto t = OpenTable(env(), Path("as.dbf"), TableMode::Exclusive());
  ASSERT_TRUE(t);
  for (int i = 1; i <= 6; ++i) {
    Record r = t->NewRecord();
    HURT_ASSERT_OK(r.SetValue("ilosc", i));
    if (i == 5) {
      HURT_ASSERT_OK(r.SetValue("opis", "piaty"));
    }
    HURT_ASSERT_OK(t->Append(r).status());
  }
  HURT_ASSERT_OK(t->Delete(2));
  HURT_ASSERT_OK(t->Delete(3));
  HURT_ASSERT_OK(t->Recall(3));
  Record r;
  HURT_ASSERT_OK(t->Read(6, &r));
  r.SetDeleted(true);
  HURT_ASSERT_OK(t->Write(r));
  HURT_ASSERT_OK(t->Read(2, &r));
  EXPECT_TRUE(r.deleted());
  HURT_ASSERT_OK(t->Read(3, &r));
  EXPECT_FALSE(r.deleted());

  HURT_ASSERT_OK(t->Pack());
  ASSERT_EQ(t->RecordCount(), 4u);
  std::vector<double> left;
  RecordScanner scan(*t);
  while (scan.Next(&r)) {
    EXPECT_FALSE(r.deleted());
    left.push_back(Get(r, "ilosc").AsNumber());
  }
  HURT_ASSERT_OK(scan.status());
  EXPECT_EQ(left, (std::vector<double>{1, 3, 4, 5}));
  HURT_ASSERT_OK(t->Read(4, &r));
  EXPECT_EQ(Get(r, "opis"), Value("piaty")) << "memos survive a pack";
  HURT_ASSERT_OK(t->Close());
  EXPECT_FALSE(env().Exists(Path("as.dbf.new")));

  t = OpenTable(env(), Path("as.dbf"), TableMode::Exclusive());
  ASSERT_TRUE(t);
  EXPECT_EQ(t->RecordCount(), 4u);
  HURT_ASSERT_OK(t->Zap());
  EXPECT_EQ(t->RecordCount(), 0u);
  HURT_ASSERT_OK(t->Close());
  auto dbf = ReadWholeFile(env(), Path("as.dbf"));
  ASSERT_TRUE(dbf.ok());
  EXPECT_EQ(dbf->size(), t->header_length() + 1u) << "header and the end-of-file byte";
  EXPECT_EQ(dbf->back(), '\x1A');
  EXPECT_EQ(DecodeU32(dbf->data() + 4), 0u);
  EXPECT_EQ(ReadWholeFile(env(), Path("as.dbt"))->size(), 512u);

  t = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->Pack().IsInvalid()) << "pack needs exclusive use";
  EXPECT_TRUE(t->Zap().IsInvalid());
}

TEST_P(TableTest, ExclusiveModeBuffersAppendsInvisibly) {
  auto t = OpenTable(env(), Path("as.dbf"), TableMode::Exclusive());
  ASSERT_TRUE(t);
  const int n = 30000;  // well past the 1 MB append buffer
  for (int i = 1; i <= n; ++i) {
    Record r = t->NewRecord();
    HURT_ASSERT_OK(r.SetValue("ilosc", i % 100000));
    auto recno = t->Append(r);
    ASSERT_TRUE(recno.ok());
    ASSERT_EQ(*recno, static_cast<uint32_t>(i));
  }
  Record r;
  HURT_ASSERT_OK(t->Read(n, &r));  // still in the buffer
  EXPECT_EQ(Get(r, "ilosc"), Value(n));
  HURT_ASSERT_OK(r.SetValue("indeks", "OSTATNI"));
  HURT_ASSERT_OK(t->Write(r));
  HURT_ASSERT_OK(t->Read(7, &r));
  HURT_ASSERT_OK(r.SetValue("indeks", "SIODMY"));
  HURT_ASSERT_OK(t->Write(r));
  HURT_ASSERT_OK(t->Read(7, &r));  // from the read-ahead window, which saw the write
  EXPECT_EQ(Get(r, "indeks"), Value("SIODMY  "));
  HURT_ASSERT_OK(t->Close());

  t = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(t);
  EXPECT_EQ(t->RecordCount(), static_cast<uint32_t>(n));
  RecordScanner scan(*t);
  int seen = 0;
  while (scan.Next(&r)) {
    ++seen;
    ASSERT_EQ(r.recno(), static_cast<uint32_t>(seen));
    ASSERT_EQ(Get(r, "ilosc"), Value(seen));
  }
  HURT_ASSERT_OK(scan.status());
  EXPECT_EQ(seen, n);
  HURT_ASSERT_OK(t->Read(n, &r));
  EXPECT_EQ(Get(r, "indeks"), Value("OSTATNI "));
  HURT_ASSERT_OK(t->Read(7, &r));
  EXPECT_EQ(Get(r, "indeks"), Value("SIODMY  "));
}

// --- Two stations --------------------------------------------------------------------------

TEST_P(TableTest, AnotherStationsAppendsAreSeenWithoutReopening) {
  auto a = OpenTable(env(), Path("as.dbf"));
  auto b = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(AppendArticle(*a, "A1", 1), 1u);
  EXPECT_EQ(AppendArticle(*a, "A2", 2), 2u);
  EXPECT_EQ(b->RecordCount(), 0u) << "the count last seen";
  Record r;
  HURT_ASSERT_OK(b->Read(2, &r)) << "reading past the known end re-reads the count";
  EXPECT_EQ(Get(r, "indeks"), Value("A2      "));
  EXPECT_EQ(b->RecordCount(), 2u);
  EXPECT_EQ(AppendArticle(*b, "B3", 3), 3u) << "append recounts from the file size";
  EXPECT_EQ(*a->Refresh(), 3u);

  // A record written by one station is read fresh by the other.
  HURT_ASSERT_OK(a->Read(3, &r));
  EXPECT_TRUE(a->LockRecord(3).IsBusy()) << "B holds record 3 since its append";
  HURT_ASSERT_OK(b->Read(3, &r));
  HURT_ASSERT_OK(r.SetValue("cena", 33.5));
  HURT_ASSERT_OK(b->Write(r));
  HURT_ASSERT_OK(a->Read(3, &r));
  EXPECT_EQ(Get(r, "cena"), Value(33.5));

  RecordScanner scan(*a, 3);
  ASSERT_TRUE(scan.Next(&r));
  EXPECT_EQ(AppendArticle(*b, "B4", 4), 4u);
  ASSERT_TRUE(scan.Next(&r)) << "the scanner picks up records appended meanwhile";
  EXPECT_EQ(Get(r, "indeks"), Value("B4      "));
  EXPECT_FALSE(scan.Next(&r));
  HURT_EXPECT_OK(scan.status());
}

TEST_P(TableTest, RecordLocksConflictBetweenStationsAndGoAwayOnClose) {
  auto a = OpenTable(env(), Path("as.dbf"));
  auto b = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(a && b);
  for (int i = 1; i <= 4; ++i) AppendArticle(*a, "X" + std::to_string(i), i);
  HURT_ASSERT_OK(a->UnlockAll());
  EXPECT_TRUE(a->LockedRecords().empty());

  HURT_ASSERT_OK(a->LockRecord(1));
  HURT_ASSERT_OK(a->LockRecord(2));
  EXPECT_EQ(a->LockedRecords(), (std::vector<uint32_t>{1, 2}));
  Status busy = b->LockRecord(1);
  EXPECT_TRUE(busy.IsBusy());
  EXPECT_NE(busy.message().find("record 1 is locked"), std::string::npos);
  HURT_EXPECT_OK(b->LockRecord(3));
  EXPECT_TRUE(b->LockFile().IsBusy()) << "A holds record locks";
  EXPECT_TRUE(a->LockFile().IsBusy()) << "B holds record 3";
  EXPECT_TRUE(b->LockRecord(99).IsNotFound());

  Record r;
  HURT_ASSERT_OK(b->Read(1, &r));
  Status not_locked = b->Write(r);
  EXPECT_TRUE(not_locked.IsInvalid());
  EXPECT_NE(not_locked.message().find("record 1 not locked"), std::string::npos);
  EXPECT_TRUE(b->Delete(1).IsInvalid());

  HURT_ASSERT_OK(a->UnlockRecord(1));
  HURT_EXPECT_OK(b->LockRecord(1));
  HURT_ASSERT_OK(b->Write(r));
  EXPECT_TRUE(a->IsRecordLocked(2));
  EXPECT_FALSE(a->IsRecordLocked(1));

  // Closing a table drops its locks, and only its own.
  a.reset();
  HURT_EXPECT_OK(b->LockRecord(2));
  auto c = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->LockRecord(3).IsBusy());
  b.reset();
  HURT_EXPECT_OK(c->LockFile());
}

TEST_P(TableTest, FileLockCoversEveryRecordAndKeepsSeparateRecordLocks) {
  auto a = OpenTable(env(), Path("as.dbf"));
  auto b = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(a && b);
  for (int i = 1; i <= 4; ++i) AppendArticle(*a, "X", i);
  HURT_ASSERT_OK(a->UnlockRecord(1));
  HURT_ASSERT_OK(a->UnlockRecord(2));
  HURT_ASSERT_OK(a->UnlockRecord(4));
  EXPECT_EQ(a->LockedRecords(), std::vector<uint32_t>{3});

  HURT_ASSERT_OK(a->LockFile());
  EXPECT_TRUE(a->IsFileLocked());
  EXPECT_TRUE(a->IsRecordLocked(1));
  EXPECT_TRUE(b->LockRecord(1).IsBusy());
  Status refused = b->Append(b->NewRecord()).status();
  EXPECT_TRUE(refused.IsBusy()) << "no append while another station holds the file lock: " << refused.ToString();
  EXPECT_EQ(*b->Refresh(), 4u) << "nothing was written";

  // Record locks taken and dropped under the file lock must not punch holes into it.
  HURT_ASSERT_OK(a->LockRecord(2));
  HURT_ASSERT_OK(a->UnlockRecord(2));
  EXPECT_TRUE(b->LockRecord(2).IsBusy());
  EXPECT_EQ(AppendArticle(*a, "A5", 5), 5u);
  EXPECT_TRUE(b->LockRecord(5).IsBusy());

  HURT_ASSERT_OK(a->UnlockFile());
  EXPECT_TRUE(b->LockRecord(3).IsBusy()) << "record 3 was locked on its own";
  EXPECT_TRUE(b->LockRecord(5).IsBusy()) << "the appended record stays locked";
  HURT_EXPECT_OK(b->LockRecord(1));
  HURT_EXPECT_OK(b->LockRecord(4));
  HURT_ASSERT_OK(a->UnlockAll());
  HURT_EXPECT_OK(b->LockRecord(3));
}

TEST_P(TableTest, OpenModesExcludeEachOther) {
  auto shared = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(shared);
  auto excl = Table::Open(env(), Path("as.dbf"), TableMode::Exclusive());
  EXPECT_TRUE(excl.status().IsBusy()) << excl.status().ToString();
  EXPECT_TRUE(Table::Create(env(), Path("as.dbf"), kArticleFields).IsBusy()) << "never replace an open table";
  auto second = Table::Open(env(), Path("as.dbf"));
  HURT_EXPECT_OK(second.status());
  shared.reset();
  second = Status::NotFound("closed");

  auto only = OpenTable(env(), Path("as.dbf"), TableMode::Exclusive());
  ASSERT_TRUE(only);
  auto refused = Table::Open(env(), Path("as.dbf"));
  EXPECT_TRUE(refused.status().IsBusy());
  EXPECT_NE(refused.status().message().find("open exclusively elsewhere"), std::string::npos);
  // The memo file carries its own open-mode lock.
  auto memo = MemoFile::Open(env(), Path("as.dbt"), MemoFile::Mode{});
  EXPECT_TRUE(memo.status().IsBusy());
  only.reset();
  HURT_EXPECT_OK(Table::Open(env(), Path("as.dbf")).status());
}

TEST_P(TableTest, ReadOnlyTablesRefuseChanges) {
  {
    auto t = OpenTable(env(), Path("as.dbf"));
    AppendArticle(*t, "A", 1);
  }
  auto t = OpenTable(env(), Path("as.dbf"), TableMode::SharedReadOnly());
  ASSERT_TRUE(t);
  Record r;
  HURT_ASSERT_OK(t->Read(1, &r));
  EXPECT_TRUE(t->Write(r).IsInvalid());
  EXPECT_TRUE(t->Append(r).status().IsInvalid());
  EXPECT_TRUE(t->LockRecord(1).IsInvalid());
  EXPECT_TRUE(r.SetValue("opis", "x").IsInvalid());
  HURT_EXPECT_OK(t->Close());
  EXPECT_TRUE(t->Read(1, &r).IsInvalid()) << "closed";
}

TEST_P(TableTest, SharedAppendKeepsTheHeaderCountAndDate) {
  auto t = OpenTable(env(), Path("as.dbf"));
  ASSERT_TRUE(t);
  AppendArticle(*t, "A", 1);
  AppendArticle(*t, "B", 2);
  auto bytes = ReadWholeFile(env(), Path("as.dbf"));
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(DecodeU32(bytes->data() + 4), 2u);
  EXPECT_EQ(bytes->size(), t->header_length() + 2u * t->record_length() + 1);
  EXPECT_EQ(bytes->back(), '\x1A');
  if (GetParam() == EnvKind::kMemory) {
    EXPECT_EQ(static_cast<uint8_t>((*bytes)[1]), 126);
    EXPECT_EQ((*bytes)[2], 3);
    EXPECT_EQ((*bytes)[3], 14);
  }
}

INSTANTIATE_TEST_SUITE_P(Envs, TableTest, ::testing::Values(EnvKind::kMemory, EnvKind::kReal), test_env::EnvKindName);

// --- In memory only: waits that would block on a real file system ----------------------------

class MemoryTableTest : public ::testing::Test {
 protected:
  MemoryTableTest() : clock_(2026, 3, 14), env_(clock_) {}
  void SetUp() override { HURT_ASSERT_OK(Table::Create(env_, "as.dbf", kArticleFields)); }
  FakeClock clock_;
  MemoryEnv env_;
};

TEST_F(MemoryTableTest, AppendBatchHoldsTheAppendLockAndLocksItsRecords) {
  auto a = OpenTable(env_, "as.dbf");
  auto b = OpenTable(env_, "as.dbf");
  ASSERT_TRUE(a && b);
  Record r = b->NewRecord();
  HURT_ASSERT_OK(b->Append(r).status());
  HURT_ASSERT_OK(b->UnlockAll());

  HURT_ASSERT_OK(a->BeginAppendBatch());
  const int n = 30000;  // more than the 1 MB the batch buffers at a time
  for (int i = 0; i < n; ++i) {
    HURT_ASSERT_OK(r.SetValue("ilosc", i));
    auto recno = a->Append(r);
    ASSERT_TRUE(recno.ok());
    ASSERT_EQ(*recno, static_cast<uint32_t>(i + 2));
  }
  EXPECT_TRUE(b->Append(r).status().IsBusy()) << "the append lock is held by the batch";
  EXPECT_TRUE(a->LockFile().IsInvalid());
  EXPECT_TRUE(a->IsRecordLocked(500));
  HURT_ASSERT_OK(a->Read(10001, &r));  // from the batch's buffer
  HURT_ASSERT_OK(r.SetValue("indeks", "ZMIANA"));
  HURT_ASSERT_OK(a->Write(r));
  HURT_ASSERT_OK(b->Refresh().status());
  ASSERT_GE(b->RecordCount(), 500u) << "the first megabyte is on disk";
  EXPECT_TRUE(b->LockRecord(500).IsBusy()) << "batch records stay locked";
  HURT_ASSERT_OK(a->LockRecord(1));
  HURT_ASSERT_OK(a->EndAppendBatch());

  EXPECT_EQ(*b->Refresh(), n + 1u);
  HURT_ASSERT_OK(b->Read(10001, &r));
  EXPECT_EQ(Get(r, "indeks"), Value("ZMIANA  "));
  HURT_EXPECT_OK(b->LockRecord(500));
  EXPECT_TRUE(b->LockRecord(1).IsBusy()) << "a record lock taken during the batch outlives it";
  auto bytes = env_.Contents("as.dbf");
  EXPECT_EQ(DecodeU32(bytes->data() + 4), n + 1u);
  HURT_ASSERT_OK(b->Append(r).status());
}

TEST_F(MemoryTableTest, BatchIsRefusedWhileAnotherStationHoldsTheFileLock) {
  auto a = OpenTable(env_, "as.dbf");
  auto b = OpenTable(env_, "as.dbf");
  HURT_ASSERT_OK(b->LockFile());
  EXPECT_TRUE(a->BeginAppendBatch().IsBusy());
  EXPECT_FALSE(a->InAppendBatch());
  HURT_ASSERT_OK(b->UnlockFile());
  HURT_ASSERT_OK(a->BeginAppendBatch());
  EXPECT_TRUE(b->LockFile().IsBusy()) << "the batch owns every record number past the end";
  HURT_ASSERT_OK(a->EndAppendBatch());
  HURT_EXPECT_OK(b->LockFile());
}

TEST_F(MemoryTableTest, MemoFilePathKeepsTheCaseStyle) {
  EXPECT_EQ(MemoPathFor("as.dbf"), "as.dbt");
  EXPECT_EQ(MemoPathFor("24/03/AS.DBF"), "24/03/AS.DBT");
  EXPECT_EQ(MemoPathFor("rob/d01"), "rob/d01.dbt");
  EXPECT_EQ(MemoPathFor("dir.x/tab"), "dir.x/tab.dbt");
  HURT_ASSERT_OK(Table::Create(env_, "ZO.DBF", {{"UWAGI", 'M', 10, 0}}));
  EXPECT_TRUE(env_.Exists("ZO.DBT"));
  EXPECT_FALSE(env_.Exists("zo.dbt"));
  HURT_ASSERT_OK(Table::Create(env_, "plain.dbf", {{"A", 'C', 3, 0}}));
  EXPECT_FALSE(env_.Exists("plain.dbt"));
  EXPECT_EQ(static_cast<uint8_t>((*env_.Contents("plain.dbf"))[0]), 0x03);
  EXPECT_EQ(static_cast<uint8_t>((*env_.Contents("ZO.DBF"))[0]), 0x83);
}

}  // namespace
}  // namespace hurt::xbase
