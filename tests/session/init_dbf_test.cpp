// Opening the session (INIT_DBF) and the station's working lines (NOWE_DD).
#include <gtest/gtest.h>

#include "base/text.h"
#include "session/init_tables_build.h"
#include "session/init_tables_fixture.h"
#include "xbase/ntx_format.h"

namespace hurt::store::init_test {
namespace {

using xbase::Value;

TEST_F(InitTablesTest, EveryTableOfTheSessionIsOpenSharedInItsAreaWithItsOrders) {
  ASSERT_TRUE(Build());
  NewSession();
  ui_.calls.clear();
  ASSERT_TRUE(Open());
  EXPECT_FALSE(Shown("Indeksowanie - prosze czekac"));  // no build was needed
  EXPECT_EQ(s().hh(), "26/03");
  EXPECT_EQ(s().areas().current(), 1);

  xbase::WorkArea* firma = s().areas().Area(1);
  ASSERT_NE(firma, nullptr);
  EXPECT_FALSE(firma->exclusive());
  const Markers markers = s().Markers();
  int open = 0;
  for (TableId id : session::SessionTables()) {
    const TableDef& t = Table(id);
    xbase::WorkArea* a = s().areas().Area(t.area);
    SCOPED_TRACE(t.alias);
    if (!TableEnabled(t, markers) || id == TableId::kP23) {
      EXPECT_EQ(a, nullptr);
      continue;
    }
    ASSERT_NE(a, nullptr);
    ++open;
    EXPECT_EQ(Upper(a->alias()), Upper(t.alias));
    EXPECT_EQ(a->path(), DbfOf(id));
    EXPECT_FALSE(a->exclusive());
    const std::vector<IndexFile> orders = ResolveIndexes(t, markers, Args());
    ASSERT_EQ(a->order_count(), static_cast<int>(orders.size()));
    for (size_t n = 0; n < orders.size(); ++n) {
      EXPECT_EQ(a->Order(static_cast<int>(n) + 1)->path, orders[n].file + ".ntx");
      EXPECT_EQ(a->Order(static_cast<int>(n) + 1)->key_expression, orders[n].key);
    }
    EXPECT_EQ(a->order(), orders.empty() ? 0 : 1);
  }
  EXPECT_EQ(open, 14);
}

TEST_F(InitTablesTest, OptionalTablesOpenWithTheirOptions) {
  Marker("KOD_QR.TXT");
  Marker("PARTIA20.TXT");
  ASSERT_TRUE(Build());
  EXPECT_EQ(AreaOf(TableId::kDowQr).alias(), "dow_qr");
  EXPECT_EQ(AreaOf(TableId::kPartia20).order_count(), 2);

  // The currency table is opened when it is there (its layout belongs to another routine).
  CreateTableAt("26/03/p23.dbf", {{"WALUTA", FieldType::kCharacter, 3, 0}, {"KURS", FieldType::kNumeric, 12, 6}});
  NewSession();
  ASSERT_TRUE(Build());
  EXPECT_EQ(AreaOf(TableId::kP23).order_count(), 1);
  EXPECT_TRUE(mem_.Exists("26/03/p23.ntx"));
}

TEST_F(InitTablesTest, TheWorkingLinesMoveTheArticles) {
  ASSERT_TRUE(Build());
  AddRecord(AreaOf(TableId::kAs), {{"MAG", Value("1")}, {"INDEKS", Value("A")}});
  AddRecord(AreaOf(TableId::kAs), {{"MAG", Value("2")}, {"INDEKS", Value("B")}});
  xbase::WorkArea& lines = AreaOf(TableId::kDd);
  AddRecord(lines, {{"MAG", Value("2")}, {"INDEKS", Value("B")}, {"LP", Value("  1")}});
  ASSERT_TRUE(lines.GoTop().ok());
  xbase::WorkArea& as = AreaOf(TableId::kAs);
  EXPECT_FALSE(as.eof());
  EXPECT_EQ(as.recno(), 2u);
}

TEST_F(InitTablesTest, AMissingArticleIndexRunsTheBuild) {
  ASSERT_TRUE(Build());
  NewSession();
  ASSERT_TRUE(mem_.Remove("26/03/as.ntx").ok());
  ASSERT_TRUE(mem_.Remove("26/03/dow2.ntx").ok());
  ui_.calls.clear();
  ASSERT_TRUE(Open());
  EXPECT_TRUE(Shown("Indeksowanie - prosze czekac"));
  EXPECT_TRUE(mem_.Exists("26/03/as.ntx"));
  EXPECT_TRUE(mem_.Exists("26/03/dow2.ntx"));
  EXPECT_EQ(AreaOf(TableId::kDow).order_count(), 3);
}

TEST_F(InitTablesTest, ALaterStationDoesNotBuildWhileOthersWork) {
  ASSERT_TRUE(Build());
  xbase::WorkAreas first_station(env_);
  ASSERT_TRUE(first_station.Open(1, "firma.dbf", "firma").ok());
  NewSession(2);
  ASSERT_TRUE(mem_.Remove("26/03/as.ntx").ok());
  ui_.calls.clear();
  EXPECT_FALSE(Open());
  EXPECT_TRUE(ui_.Has("alert Wszyscy musza wyjsc z programu"));
  EXPECT_FALSE(Shown("Indeksowanie - prosze czekac"));
  EXPECT_FALSE(mem_.Exists("26/03/as.ntx"));
}

// A later station cannot rebuild: an index whose header reads well but whose pages are
// garbage is named, with the rebuild that mends it, instead of "niedostepny" alone.
TEST_F(InitTablesTest, ALaterStationNamesADamagedIndexAndItsRebuild) {
  ASSERT_TRUE(Build());
  xbase::WorkAreas first_station(env_);
  ASSERT_TRUE(first_station.Open(1, "firma.dbf", "firma").ok());
  NewSession(2);
  auto bytes = mem_.Contents("26/03/as.ntx");
  ASSERT_TRUE(bytes.ok());
  for (size_t i = xbase::kNtxPageSize; i < bytes->size(); ++i) (*bytes)[i] = static_cast<char>(0xA5);
  ASSERT_TRUE(mem_.SetContents("26/03/as.ntx", *bytes).ok());
  ui_.calls.clear();
  EXPECT_FALSE(Open());
  EXPECT_TRUE(ui_.Has("alert Plik 26/03/as niedostepny"));
  EXPECT_TRUE(ui_.Has("alert Uszkodzony indeks 26/03/as.ntx"));
  EXPECT_TRUE(ui_.Has("alert Napraw: uruchom program z argumentem 888"));
}

TEST_F(InitTablesTest, ADamagedIndexIsRebuiltFromItsTable) {
  ASSERT_TRUE(Build());
  AddRecord(AreaOf(TableId::kSlow), {{"RD", Value("FV ")}});
  NewSession();
  ASSERT_TRUE(mem_.SetContents("26/03/slow.ntx", "not an index").ok());
  ASSERT_TRUE(Open());
  ExpectAllOrdersMatch();
}

TEST_F(InitTablesTest, AMissingCounterpartyBookIsCreatedWithoutABuild) {
  ASSERT_TRUE(Build());
  NewSession();
  ASSERT_TRUE(RemoveTableFiles(mem_, "26/03/zd").ok());
  ASSERT_TRUE(mem_.Remove("26/03/zd.ntx").ok());
  ui_.calls.clear();
  ASSERT_TRUE(Open());
  EXPECT_FALSE(Shown("Indeksowanie - prosze czekac"));
  EXPECT_EQ(FieldsOnDisk("26/03/zd.dbf"), ResolveFields(Table(TableId::kZd), s().Markers()));
  EXPECT_EQ(AreaOf(TableId::kZd).order_count(), 1);
  EXPECT_FALSE(AreaOf(TableId::kZd).exclusive());
}

TEST_F(InitTablesTest, AnEmptyDirectoryIsBuiltByTheOpen) {
  ASSERT_TRUE(Open());
  EXPECT_TRUE(mem_.Exists("firma.dbf"));
  EXPECT_EQ(Bmr(), "03.26");
  EXPECT_EQ(AreaOf(TableId::kAs).order_count(), 3);
}

TEST_F(InitTablesTest, AnArchiveMonthOpensAsItIsWithoutBuilding) {
  ASSERT_TRUE(Build());
  SetBmr("12.25");
  CreateTableAt("25/12/as.dbf", ResolveFields(Table(TableId::kAs), s().Markers()));
  NewSession();
  ASSERT_TRUE(Build());  // builds December
  SetBmr("03.26");
  NewSession();
  ASSERT_TRUE(Open());
  EXPECT_EQ(s().hh(), "26/03");

  ASSERT_TRUE(Open("25/12"));
  EXPECT_EQ(AreaOf(TableId::kAs).path(), "25/12/as.dbf");
  EXPECT_EQ(s().hh(), "26/03");  // the current month stays current

  ui_.calls.clear();
  EXPECT_FALSE(Open("24/01"));  // an archive month is never built
  EXPECT_TRUE(ui_.Has("alert Plik 24/01/as niedostepny"));
  EXPECT_FALSE(mem_.Exists("24/01/dow.dbf"));
}

TEST_F(InitTablesTest, TheCompanyTableHeldExclusivelyElsewhereMeansWaiting) {
  ASSERT_TRUE(Build());
  NewSession();
  xbase::WorkAreas other(env_);
  xbase::AreaOpenOptions exclusive;
  exclusive.exclusive = true;
  ASSERT_TRUE(other.Open(1, "firma.dbf", "firma", exclusive).ok());
  ui_.calls.clear();
  EXPECT_FALSE(Open());
  EXPECT_TRUE(ui_.Has("alert Musisz zaczekac"));
}

TEST_F(InitTablesTest, WorkingLinesOfAnOlderLayoutAreMadeAnew) {
  ASSERT_TRUE(Build());
  AddRecord(AreaOf(TableId::kDd), {{"MAG", Value("1")}, {"INDEKS", Value("X")}});
  NewSession();
  ASSERT_TRUE(Open());
  EXPECT_EQ(*AreaOf(TableId::kDd).RecCount(), 1u);  // current lines are kept

  Marker("VAT_13_5.TXT");
  NewSession();
  ASSERT_TRUE(Open());
  EXPECT_EQ(FieldsOnDisk("rob/d01.dbf"), ResolveFields(Table(TableId::kDd), s().Markers()));
  EXPECT_EQ(*AreaOf(TableId::kDd).RecCount(), 0u);
}

TEST_F(InitTablesTest, EachStationHasItsOwnWorkingLines) {
  ASSERT_TRUE(Build());
  NewSession(7);
  ASSERT_TRUE(Open());
  EXPECT_EQ(AreaOf(TableId::kDd).path(), "rob/d07.dbf");
  EXPECT_TRUE(mem_.Exists("rob/d07.ntx"));
  EXPECT_TRUE(mem_.Exists("rob/d01.dbf"));
}

TEST_F(InitTablesTest, NoweDdMakesTheWorkingLinesEmptyWithOrderAndRelation) {
  ASSERT_TRUE(Build());
  AddRecord(AreaOf(TableId::kAs), {{"MAG", Value("1")}, {"INDEKS", Value("A")}});
  for (const char* lp : {"  2", "  1"}) AddRecord(AreaOf(TableId::kDd), {{"MAG", Value("1")}, {"INDEKS", Value("A")}, {"LP", Value(lp)}});

  ASSERT_TRUE(NoweDd(s(), ui_));
  xbase::WorkArea& lines = AreaOf(TableId::kDd);
  EXPECT_EQ(lines.number(), 4);
  EXPECT_EQ(lines.alias(), "dd");
  EXPECT_EQ(*lines.RecCount(), 0u);
  EXPECT_EQ(lines.order(), 1);
  EXPECT_EQ(lines.Order(1)->key_expression, "mag+indeks+lp");
  EXPECT_EQ(lines.Order(1)->path, "rob/d01.ntx");

  AddRecord(lines, {{"MAG", Value("1")}, {"INDEKS", Value("A")}, {"LP", Value("  2")}});
  AddRecord(lines, {{"MAG", Value("1")}, {"INDEKS", Value("A")}, {"LP", Value("  1")}});
  ASSERT_TRUE(lines.GoTop().ok());
  EXPECT_EQ(lines.recno(), 2u);  // in key order
  EXPECT_EQ(AreaOf(TableId::kAs).recno(), 1u);
  EXPECT_FALSE(AreaOf(TableId::kAs).eof());
  ExpectOrderMatchesTable(lines, 1);
}

TEST_F(InitTablesTest, NoweDdWithoutArticlesOpenStillMakesTheLines) {
  ASSERT_TRUE(Build());
  ASSERT_TRUE(s().areas().Close(2).ok());
  ASSERT_TRUE(NoweDd(s(), ui_));
  EXPECT_EQ(*AreaOf(TableId::kDd).RecCount(), 0u);
}

}  // namespace
}  // namespace hurt::store::init_test
