// Structure upgrades of the start-up build: every record and value kept, a narrower
// definition never cutting stored data, and an upgrade stopped at any point losing
// nothing at the next start.
#include <gtest/gtest.h>

#include <map>

#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "session/init_tables_fixture.h"
#include "store/init_tables_rebuild.h"
#include "xbase/dbt.h"

namespace hurt::store::init_test {
namespace {

using namespace hurt::literals;
using xbase::Value;

// The live records of a table as field name -> value, in record order.
using Snapshot = std::vector<std::map<std::string, Value>>;

class UpgradeTest : public InitTablesTest {
 protected:
  Snapshot Take(const std::string& dbf) {
    Snapshot out;
    auto t = xbase::Table::Open(mem_, dbf, xbase::TableMode::SharedReadOnly());
    EXPECT_TRUE(t.ok()) << t.status().ToString();
    if (!t.ok()) return out;
    xbase::RecordScanner scan(**t);
    xbase::Record rec;
    while (scan.Next(&rec)) {
      if (rec.deleted()) continue;
      std::map<std::string, Value> row;
      for (const auto& f : (*t)->fields()) row[f.name] = rec.GetValue(f.name).value_or(Value());
      out.push_back(std::move(row));
    }
    return out;
  }

  // Every value of `before` is in `after`, record by record (texts compared trimmed).
  static void ExpectKept(const Snapshot& before, const Snapshot& after) {
    ASSERT_EQ(before.size(), after.size());
    for (size_t r = 0; r < before.size(); ++r) {
      for (const auto& [field, value] : before[r]) {
        SCOPED_TRACE("record " + std::to_string(r + 1) + " field " + field);
        auto it = after[r].find(field);
        ASSERT_NE(it, after[r].end());
        if (value.IsString()) {
          EXPECT_EQ(RTrim(it->second.AsString()), RTrim(value.AsString()));
        } else {
          EXPECT_TRUE(it->second == value);
        }
      }
    }
  }

  // n articles with different values in every kind of field.
  void AddArticles(int n) {
    xbase::WorkArea& as = AreaOf(TableId::kAs);
    ASSERT_TRUE(as.BeginAppendBatch().ok());
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(as.Append().ok());
      ASSERT_TRUE(as.Replace("MAG", Value(i % 2 ? "1" : "2")).ok());
      ASSERT_TRUE(as.Replace("INDEKS", Value("I" + std::to_string(i))).ok());
      ASSERT_TRUE(as.Replace("NAZWA", Value(std::string("Żółta łódź "_pl) + std::to_string(i))).ok());
      ASSERT_TRUE(as.Replace("PODATEK0", Value(i % 3 ? "23" : " 8")).ok());
      ASSERT_TRUE(as.Replace("CENA0", Value(i * 1.234567)).ok());
      ASSERT_TRUE(as.Replace("ILOSC", Value(-i * 0.125)).ok());
      ASSERT_TRUE(as.Replace("DATA_PZ", Value(xbase::Date{JulianFromYmd(2026, 1, 1) + i % 60})).ok());
    }
    ASSERT_TRUE(as.EndAppendBatch().ok());
    ASSERT_TRUE(as.Unlock().ok());
    ASSERT_TRUE(as.Commit().ok());
  }

  int WidthOf(const std::string& dbf, std::string_view field) {
    for (const Field& f : FieldsOnDisk(dbf)) {
      if (f.name == field) return f.width;
    }
    return 0;
  }
};

TEST_F(UpgradeTest, AFieldAddedByAMarkerKeepsEveryRecordAndValue) {
  ASSERT_TRUE(Build());
  AddArticles(30);
  ASSERT_TRUE(AreaOf(TableId::kAs).GoTo(4).ok());
  ASSERT_TRUE(AreaOf(TableId::kAs).LockRecord().ok());
  ASSERT_TRUE(AreaOf(TableId::kAs).Delete().ok());  // not data: not carried over
  ASSERT_TRUE(AreaOf(TableId::kAs).Unlock().ok());
  const Snapshot before = Take("26/03/as.dbf");
  ASSERT_EQ(before.size(), 29u);

  Marker("KOD13.TXT");
  Marker("VAT_13_5.TXT");
  Marker("PARTIA.TXT");
  NewSession();
  ASSERT_TRUE(Build());
  EXPECT_EQ(FieldsOnDisk("26/03/as.dbf"), ResolveFields(Table(TableId::kAs), s().Markers()));
  ExpectKept(before, Take("26/03/as.dbf"));
  EXPECT_FALSE(mem_.Exists("26/03/xxx_as.dbf"));
  EXPECT_FALSE(mem_.Exists("26/03/xxx_as_ok.dbf"));
  EXPECT_EQ(AreaOf(TableId::kAs).Order(2)->key_expression, "DESCEND(kod13)");
  ExpectAllOrdersMatch();
}

TEST_F(UpgradeTest, ACurrentTableIsNotRebuilt) {
  ASSERT_TRUE(Build());
  AddArticles(3);
  NewSession();
  env_.ResetCounters();
  ASSERT_TRUE(Build());
  EXPECT_EQ(env_.Writes("xxx_as.dbf"), 0);
  EXPECT_EQ(env_.Writes("as.dbf"), 0);  // indexing reads the table only
}

TEST_F(UpgradeTest, ANarrowerDefinitionKeepsTheWiderStoredField) {
  Marker("VAT_13_5.TXT");
  ASSERT_TRUE(Build());
  AddRecord(AreaOf(TableId::kAs), {{"MAG", Value("1")}, {"INDEKS", Value("A")}, {"PODATEK0", Value("13.5")}});
  AddRecord(AreaOf(TableId::kDow), {{"RD", Value("FV ")}, {"PODATEK0", Value("13.5")}});

  // Without the marker the definition says 2: the table is left as it is...
  RemoveMarker("VAT_13_5.TXT");
  NewSession();
  ASSERT_TRUE(Build());
  EXPECT_EQ(WidthOf("26/03/as.dbf", "PODATEK0"), 4);

  // ...and an upgrade for another reason keeps the 4 characters and their values.
  Marker("KOD13.TXT");
  NewSession();
  ASSERT_TRUE(Build());
  EXPECT_EQ(WidthOf("26/03/as.dbf", "PODATEK0"), 4);
  EXPECT_EQ(WidthOf("26/03/as.dbf", "KOD13"), 13);
  EXPECT_EQ(WidthOf("26/03/dow.dbf", "PODATEK0"), 4);
  EXPECT_EQ(Take("26/03/as.dbf")[0].at("PODATEK0").AsString(), "13.5");
  EXPECT_EQ(Take("26/03/dow.dbf")[0].at("PODATEK0").AsString(), "13.5");
}

TEST_F(UpgradeTest, FieldsTheDefinitionDoesNotHaveAreKept) {
  ASSERT_TRUE(Build());
  // A packaging table of another installation: an extra field, and X missing.
  ASSERT_TRUE(RemoveTableFiles(mem_, "opak").ok());
  CreateTableAt("opak.dbf", {{"MAG", FieldType::kCharacter, 1, 0},
                             {"NAZWA", FieldType::kCharacter, 30, 0},
                             {"CENA", FieldType::kNumeric, 8, 3},
                             {"KOLOR", FieldType::kCharacter, 10, 0}});
  {
    xbase::WorkAreas other(env_);
    auto opak = other.Open(1, "opak.dbf", "opak");
    ASSERT_TRUE(opak.ok());
    AddRecord(**opak, {{"MAG", Value("K")}, {"NAZWA", Value("skrzynka")}, {"CENA", Value(1234.125)}, {"KOLOR", Value("zielony")}});
  }
  NewSession();
  ASSERT_TRUE(Build());
  const std::vector<Field> fields = FieldsOnDisk("opak.dbf");
  ASSERT_EQ(fields.size(), 5u);
  EXPECT_EQ(fields[2], (Field{"CENA", FieldType::kNumeric, 8, 3}));  // wider than N 6.2: kept
  EXPECT_EQ(fields[3].name, "X");
  EXPECT_EQ(fields[4], (Field{"KOLOR", FieldType::kCharacter, 10, 0}));
  const Snapshot rows = Take("opak.dbf");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at("CENA").AsNumber(), 1234.125);
  EXPECT_EQ(RTrim(rows[0].at("KOLOR").AsString()), "zielony");
}

TEST_F(UpgradeTest, ATableFoundInUpperCaseIsRenamedAndKept) {
  ASSERT_TRUE(Build());
  AddArticles(5);
  NewSession();
  ASSERT_TRUE(mem_.Rename("26/03/as.dbf", "26/03/AS.DBF").ok());
  ASSERT_TRUE(Build());
  EXPECT_FALSE(mem_.Exists("26/03/AS.DBF"));
  EXPECT_EQ(Take("26/03/as.dbf").size(), 5u);
}

// ---------------------------------------------------------------------------------------
// Interrupted upgrades.

class InterruptedUpgradeTest : public UpgradeTest, public ::testing::WithParamInterface<int> {};

// Enough articles that the copy is written in several pieces; the write given by the
// parameter fails (1: the new table's header, 2 and 3: records).
TEST_P(InterruptedUpgradeTest, TheNextStartFinishesItWithEveryRecord) {
  ASSERT_TRUE(Build());
  AddArticles(3000);
  const Snapshot before = Take("26/03/as.dbf");
  const std::vector<Field> old_fields = FieldsOnDisk("26/03/as.dbf");

  Marker("KOD13.TXT");
  NewSession();
  env_.FailWrite(GetParam(), "xxx_as.dbf");
  EXPECT_FALSE(Build());
  EXPECT_TRUE(ui_.Has("alert Blad przebudowy pliku 26/03/as.dbf") || ui_.Has("alert Plik 26/03/xxx_as.dbf niedostepny"));
  // The table is as it was.
  EXPECT_EQ(FieldsOnDisk("26/03/as.dbf"), old_fields);
  ExpectKept(before, Take("26/03/as.dbf"));

  env_.ClearFaults();
  NewSession();
  ASSERT_TRUE(Build());
  EXPECT_EQ(FieldsOnDisk("26/03/as.dbf"), ResolveFields(Table(TableId::kAs), s().Markers()));
  ExpectKept(before, Take("26/03/as.dbf"));
  EXPECT_FALSE(mem_.Exists("26/03/xxx_as.dbf"));
}

INSTANTIATE_TEST_SUITE_P(Writes, InterruptedUpgradeTest, ::testing::Values(1, 2, 3));

TEST_F(UpgradeTest, ATornWriteOfTheCopyLosesNothing) {
  ASSERT_TRUE(Build());
  AddArticles(2000);
  const Snapshot before = Take("26/03/as.dbf");
  Marker("VAT_13_5.TXT");
  NewSession();
  env_.TearWrite(2, 700, "xxx_as.dbf");
  EXPECT_FALSE(Build());
  ExpectKept(before, Take("26/03/as.dbf"));
  env_.ClearFaults();
  NewSession();
  ASSERT_TRUE(Build());
  ExpectKept(before, Take("26/03/as.dbf"));
  EXPECT_EQ(WidthOf("26/03/as.dbf", "PODATEK0"), 4);
}

TEST_F(UpgradeTest, APartialCopyLeftBesideAnIntactTableIsDiscarded) {
  ASSERT_TRUE(Build());
  AddArticles(7);
  const Snapshot before = Take("26/03/as.dbf");
  NewSession();
  CreateTableAt("26/03/xxx_as.dbf", {{"MAG", FieldType::kCharacter, 1, 0}});
  ASSERT_TRUE(Build());
  EXPECT_FALSE(mem_.Exists("26/03/xxx_as.dbf"));
  ExpectKept(before, Take("26/03/as.dbf"));
}

TEST_F(UpgradeTest, AFinishedCopyLeftBeforeTheSwapTakesThePlaceOfTheTable) {
  ASSERT_TRUE(Build());
  AddArticles(2);
  NewSession();
  // A run stopped after the copy was complete: the copy has the new structure and
  // every record (here: three), the old table is still there.
  Marker("KOD13.TXT");
  CreateTableAt("26/03/xxx_as_ok.dbf", ResolveFields(Table(TableId::kAs), s().Markers()));
  {
    xbase::WorkAreas other(env_);
    auto done = other.Open(1, "26/03/xxx_as_ok.dbf", "done");
    ASSERT_TRUE(done.ok());
    for (const char* indeks : {"N1", "N2", "N3"}) {
      AddRecord(**done, {{"MAG", Value("1")}, {"INDEKS", Value(indeks)}, {"KOD13", Value("5901234123457")}});
    }
  }
  ASSERT_TRUE(Build());
  const Snapshot after = Take("26/03/as.dbf");
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(RTrim(after[2].at("INDEKS").AsString()), "N3");
  EXPECT_EQ(after[0].at("KOD13").AsString(), "5901234123457");
  EXPECT_FALSE(mem_.Exists("26/03/xxx_as_ok.dbf"));
}

// The recovery itself, with a memo file, stopped at each step of the swap.
class RecoverRebuildTest : public ::testing::Test {
 protected:
  // A table t with one record whose memo holds `text`.
  void MakeTable(const std::string& path, const std::string& text, bool with_name_field) {
    std::vector<xbase::DbfFieldDescriptor> fields{{"UWAGI", 'M', 10, 0}};
    if (with_name_field) fields.push_back({"NAZWA", 'C', 10, 0});
    ASSERT_TRUE(xbase::Table::Create(mem_, path + ".dbf", fields).ok());
    auto t = xbase::Table::Open(mem_, path + ".dbf", xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    xbase::Record rec = (*t)->NewRecord();
    ASSERT_TRUE(rec.SetValue("UWAGI", Value(text)).ok());
    ASSERT_TRUE((*t)->Append(rec).ok());
    ASSERT_TRUE((*t)->Close().ok());
  }
  std::string MemoOf(const std::string& path) {
    auto t = xbase::Table::Open(mem_, path + ".dbf", xbase::TableMode::SharedReadOnly());
    if (!t.ok()) return "<" + t.status().ToString() + ">";
    xbase::Record rec;
    if (!(*t)->Read(1, &rec).ok()) return "<no record>";
    return rec.GetValue("UWAGI").value_or(Value()).AsString();
  }

  FakeClock clock_{2026, 3, 14};
  xbase::MemoryEnv mem_{clock_};
};

TEST_F(RecoverRebuildTest, EveryStopOfTheSwapEndsWithTheNewTableAndItsMemos) {
  for (int stop = 0; stop < 3; ++stop) {
    SCOPED_TRACE("stopped at step " + std::to_string(stop));
    for (const char* f : {"t.dbf", "t.dbt", "xxx_t_ok.dbf", "xxx_t_ok.dbt"}) {
      if (mem_.Exists(f)) {
        ASSERT_TRUE(mem_.Remove(f).ok());
      }
    }
    MakeTable("t", "old memo", false);
    MakeTable("xxx_t_ok", "new memo", true);
    if (stop >= 1) {
      ASSERT_TRUE(mem_.Rename("xxx_t_ok.dbt", "t.dbt").ok());  // memo moved
    }
    if (stop >= 2) {
      ASSERT_TRUE(mem_.Rename("xxx_t_ok.dbf", "t.dbf").ok());  // table moved too
    }
    auto r = RecoverRebuild(mem_, "t");
    ASSERT_TRUE(r.ok()) << r.status().ToString();
    EXPECT_EQ(*r, stop == 2 ? Recovery::kNothing : Recovery::kCompleted);
    EXPECT_EQ(MemoOf("t"), "new memo");
    EXPECT_FALSE(mem_.Exists("xxx_t_ok.dbf"));
    EXPECT_FALSE(mem_.Exists("xxx_t_ok.dbt"));
    auto again = RecoverRebuild(mem_, "t");
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(*again, Recovery::kNothing);
  }
}

TEST_F(RecoverRebuildTest, APartialCopyIsTakenOnlyWhenTheTableIsGone) {
  MakeTable("t", "kept", false);
  MakeTable("xxx_t", "partial", false);
  EXPECT_EQ(*RecoverRebuild(mem_, "t"), Recovery::kDiscarded);
  EXPECT_EQ(MemoOf("t"), "kept");
  EXPECT_FALSE(mem_.Exists("xxx_t.dbf"));
  EXPECT_FALSE(mem_.Exists("xxx_t.dbt"));

  ASSERT_TRUE(mem_.Remove("t.dbf").ok());
  ASSERT_TRUE(mem_.Remove("t.dbt").ok());
  MakeTable("xxx_t", "the only copy", false);
  EXPECT_EQ(*RecoverRebuild(mem_, "t"), Recovery::kCompleted);
  EXPECT_EQ(MemoOf("t"), "the only copy");
}

}  // namespace
}  // namespace hurt::store::init_test
