#include "store/table_create.h"

#include <gtest/gtest.h>

#include "store/fake_store_ui.h"
#include "store/schema_field_list.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::store {
namespace {

const char* const kAsV1 = "AS,MAG       ,C,  1,  0,INDEKS    ,C,  8,  0,CENA      ,N, 14,  2";
const char* const kAsV2 = "AS,MAG       ,C,  1,  0,INDEKS    ,C,  8,  0,NAZWA     ,C, 30,  0,CENA      ,N, 16,  4";

class TworzTest : public ::testing::Test {
 protected:
  TworzTest() { EXPECT_TRUE(env_.CreateDirs("24/03").ok() && env_.CreateDirs("rob").ok()); }

  Status Create(std::string_view definition, const std::string& caller = "INIT_NTX(10)") {
    return Tworz(ctx_, definition, TworzCallers{caller, "MAIN(5)"});
  }

  std::vector<xbase::DbfFieldDescriptor> FieldsOf(const std::string& path) {
    auto t = xbase::Table::Open(env_, path);
    EXPECT_TRUE(t.ok()) << t.status().ToString();
    return t.ok() ? (*t)->fields() : std::vector<xbase::DbfFieldDescriptor>{};
  }

  uint32_t CountOf(const std::string& path) {
    auto t = xbase::Table::Open(env_, path);
    return t.ok() ? (*t)->RecordCount() : 9999;
  }

  void AddRecords(const std::string& path, int n) {
    auto t = xbase::Table::Open(env_, path, xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    for (int i = 0; i < n; ++i) ASSERT_TRUE((*t)->Append((*t)->NewRecord()).ok());
  }

  std::string Log() { return env_.Contents("dowod.log").value_or(""); }

  FakeClock clock_{2026, 3, 14, 8, 5, 9};
  xbase::MemoryEnv env_{clock_};
  xbase::WorkAreas areas_{env_};
  testing::FakeStoreUi ui_{clock_};
  StoreContext ctx_{areas_, ui_};
};

TEST_F(TworzTest, CreatesTheTableTheTextDescribesUnderALowerCaseName) {
  ASSERT_TRUE(Create("24\\03\\AS,MAG       ,C,  1,  0,CENA      ,N, 14,  2,DATA_PZ   ,D,  8,  0,UWAGI     ,M, 10,  0").ok());
  EXPECT_TRUE(env_.Exists("24/03/as.dbf"));
  EXPECT_TRUE(env_.Exists("24/03/as.dbt"));
  EXPECT_EQ(FieldsOf("24/03/as.dbf"),
            (std::vector<xbase::DbfFieldDescriptor>{
                {"MAG", 'C', 1, 0}, {"CENA", 'N', 14, 2}, {"DATA_PZ", 'D', 8, 0}, {"UWAGI", 'M', 10, 0}}));
  EXPECT_TRUE(ui_.calls.empty());
}

TEST_F(TworzTest, ReplacesAnExistingTableByAnEmptyOneOfTheNewStructure) {
  ASSERT_TRUE(Create(kAsV1).ok());
  AddRecords("as.dbf", 3);
  ASSERT_EQ(CountOf("as.dbf"), 3u);

  ASSERT_TRUE(Create(kAsV2).ok());
  EXPECT_EQ(CountOf("as.dbf"), 0u);
  auto fields = FieldsOf("as.dbf");
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields[2].name, "NAZWA");
  EXPECT_EQ(fields[3], (xbase::DbfFieldDescriptor{"CENA", 'N', 16, 4}));
}

TEST_F(TworzTest, ReplacesATableKeptUnderAnUpperCaseName) {
  ASSERT_TRUE(xbase::Table::Create(env_, "AS.DBF", {{"STARE", 'C', 5, 0}, {"OPIS", 'M', 10, 0}}).ok());
  AddRecords("AS.DBF", 2);
  ASSERT_TRUE(Create(kAsV1).ok());
  EXPECT_FALSE(env_.Exists("AS.DBF"));
  EXPECT_FALSE(env_.Exists("AS.DBT"));
  EXPECT_EQ(CountOf("as.dbf"), 0u);
  EXPECT_EQ(FieldsOf("as.dbf")[0].name, "MAG");
}

TEST_F(TworzTest, ATableOpenAtAnotherStationIsLeftAloneAndReported) {
  ASSERT_TRUE(Create(kAsV1).ok());
  AddRecords("as.dbf", 2);
  {
    auto other = xbase::Table::Open(env_, "as.dbf");  // another station works with it
    ASSERT_TRUE(other.ok());
    Status s = Create(kAsV2);
    EXPECT_TRUE(s.IsBusy()) << s.ToString();
    EXPECT_EQ(ui_.calls, (std::vector<std::string>{"alert Plik as.dbf niedostepny"}));
  }
  EXPECT_EQ(CountOf("as.dbf"), 2u);
  EXPECT_EQ(FieldsOf("as.dbf").size(), 3u);
}

TEST_F(TworzTest, ABadDefinitionCreatesNothing) {
  Status s = Create("rob\\X07,KOD       ,Q,  4,  0");
  EXPECT_TRUE(s.IsInvalid());
  EXPECT_FALSE(env_.Exists("rob/x07.dbf"));
  EXPECT_EQ(ui_.calls, (std::vector<std::string>{"alert Plik rob/x07.dbf niedostepny"}));
}

TEST_F(TworzTest, AMemoFileOfTheOldStructureGoesWithIt) {
  ASSERT_TRUE(Create("rob/d01,LP        ,C,  3,  0,UWAGI     ,M, 10,  0").ok());
  ASSERT_TRUE(env_.Exists("rob/d01.dbt"));
  ASSERT_TRUE(Create("rob/d01,LP        ,C,  3,  0").ok());
  EXPECT_FALSE(env_.Exists("rob/d01.dbt"));
  EXPECT_EQ(FieldsOf("rob/d01.dbf").size(), 1u);
}

TEST_F(TworzTest, DocumentHeaderTablesLeaveATraceWithTheNewestEntryFirst) {
  const std::string dowod = "24\\03\\dowod,RD        ,C,  3,  0,NRD       ,C,  8,  0";
  ASSERT_TRUE(Create(dowod, "INIT_NTX(412)").ok());
  EXPECT_EQ(Log(), "14.03.26,08:05:09, plik: 24/03/dowod, INIT_NTX(412), MAIN(5)\r\n\r\n\r\n");

  for (int i = 1; i <= 12; ++i) {
    clock_.Advance(1000);
    ASSERT_TRUE(Create(dowod, "R" + std::to_string(i) + "(1)").ok());
  }
  // The newest entry, two empty lines, then the ten entries before it (empty lines dropped).
  std::string expected = "14.03.26,08:05:21, plik: 24/03/dowod, R12(1), MAIN(5)\r\n\r\n\r\n";
  for (int i = 11; i >= 2; --i) {
    expected += "14.03.26,08:05:" + std::to_string(9 + i) + ", plik: 24/03/dowod, R" + std::to_string(i) +
                "(1), MAIN(5)\r\n";
  }
  EXPECT_EQ(Log(), expected);
  EXPECT_TRUE(env_.Exists("dowod_.txt"));
}

TEST_F(TworzTest, OnlyDocumentHeaderTablesOutsideTheStationFolderAreTraced) {
  EXPECT_TRUE(TracedInDowodLog("24/03/dowod"));
  EXPECT_TRUE(TracedInDowodLog("FV_ZAM\\DOWOD"));
  EXPECT_FALSE(TracedInDowodLog("rob/dowod07"));
  EXPECT_FALSE(TracedInDowodLog("dowod"));  // no folder: not the period's table
  EXPECT_FALSE(TracedInDowodLog("24/03/dow"));

  ASSERT_TRUE(Create("rob\\dowod07,RD        ,C,  3,  0").ok());
  ASSERT_TRUE(Create("24/03/dow,RD        ,C,  3,  0").ok());
  EXPECT_FALSE(env_.Exists("dowod.log"));
}

TEST_F(TworzTest, AnOldUpperCaseLogIsCarriedOver) {
  ASSERT_TRUE(env_.CreateDirs("fv_zam").ok());
  ASSERT_TRUE(env_.SetContents("DOWOD.LOG", "stary wpis 1\r\n\r\nstary wpis 2\r\n").ok());
  ASSERT_TRUE(Tworz(ctx_, "fv_zam/dowod,RD        ,C,  3,  0").ok());
  const std::string log = Log();
  EXPECT_EQ(log.find("14.03.26,08:05:09, plik: fv_zam/dowod, TestBody("), 0u) << log;
  EXPECT_NE(log.find("), \r\n\r\n\r\nstary wpis 1\r\nstary wpis 2\r\n"), std::string::npos) << log;
  EXPECT_FALSE(env_.Exists("DOWOD.LOG"));
}

TEST(TworzCallerName, FunctionNameAndLine) { EXPECT_EQ(CallerName("INIT_NTX", 412), "INIT_NTX(412)"); }

}  // namespace
}  // namespace hurt::store
