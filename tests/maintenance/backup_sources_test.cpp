// What goes into the backup archives, and a table read only when no other station is
// writing it: a record held, an append or an exclusive open elsewhere keeps the backup
// waiting and then refuses it whole; a table this station holds exclusively is archived.
#include "maintenance/backup_sources.h"

#include <gtest/gtest.h>

#include "session/session.h"
#include "support/screen_driver.h"
#include "support/status_assert.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::maintenance {
namespace {

constexpr const char* kRoot = "/dane";

class BackupSourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HURT_ASSERT_OK(env.CreateDirs("/dane/24/03"));
    HURT_ASSERT_OK(env.CreateDirs("/kopie"));
    session::SessionOptions options;
    options.data_dir = kRoot;
    session = std::make_unique<session::Session>(env, d.con, options);
    session->set_hh("24/03");
  }

  // A table with a memo field and `records` records.
  void MakeTable(const std::string& path, int records) {
    HURT_ASSERT_OK(xbase::Table::Create(env, path, {{"INDEKS", 'C', 8, 0}, {"OPIS", 'M', 10, 0}}));
    auto t = xbase::Table::Open(env, path, xbase::TableMode::Exclusive());
    HURT_ASSERT_OK(t.status());
    for (int i = 0; i < records; ++i) {
      xbase::Record r = (*t)->NewRecord();
      HURT_ASSERT_OK(r.SetValue(0, xbase::Value("A" + std::to_string(i))));
      HURT_ASSERT_OK((*t)->Append(r).status());
    }
    HURT_ASSERT_OK((*t)->Close());
  }
  void Touch(const std::string& path, const std::string& bytes = "x") { HURT_ASSERT_OK(env.SetContents(path, bytes)); }

  static std::vector<std::string> Entries(const ArchivePlan& plan) {
    std::vector<std::string> out;
    for (const TableFiles& t : plan.tables) {
      if (!t.dbf_entry.empty()) out.push_back(t.dbf_entry);
      if (!t.dbt_entry.empty()) out.push_back(t.dbt_entry);
    }
    return out;
  }
  std::vector<std::string> ArchiveEntries(const std::string& path) {
    std::vector<std::string> out;
    auto r = ZipReader::Open(env, path);
    if (!r.ok()) return {"<" + r.status().ToString() + ">"};
    for (const ZipEntry& e : (*r)->entries()) out.push_back(e.name);
    return out;
  }
  std::string Unpacked(const std::string& archive, size_t index) {
    auto r = ZipReader::Open(env, archive);
    std::string back;
    if (r.ok()) {
      HURT_EXPECT_OK((*r)->Read(index, "", [&back](std::string_view p) {
        back += p;
        return Status::Ok();
      }));
    }
    return back;
  }
  Status Write(const ArchivePlan& plan) {
    store::NoScreenUi ui(d.clock);
    return WriteArchive(*session, ui, plan, "/kopie", "", {});
  }

  testing::ScreenDriver d;
  xbase::MemoryEnv env{d.clock};
  std::unique_ptr<session::Session> session;
};

TEST_F(BackupSourcesTest, TheMonthArchiveHoldsTheMonthsTablesWithTheirMemosButNoIndexes) {
  MakeTable("/dane/24/03/as.dbf", 3);
  Touch("/dane/24/03/as.ntx");
  Touch("/dane/24/03/DOWOD.DBF");
  Touch("/dane/24/03/notatka.txt");
  Touch("/dane/firma.dbf");
  auto plans = PlanBackup(*session, {3, 24}, {{2024, 3, 15}, 9, 30});
  HURT_ASSERT_OK(plans.status());
  ASSERT_EQ(plans->size(), 1u);  // no marker: the month only
  EXPECT_EQ((*plans)[0].name, "VAT0324.ZIP");
  EXPECT_EQ(Entries((*plans)[0]), (std::vector<std::string>{"24/03/as.dbf", "24/03/as.dbt", "24/03/dowod.dbf"}));
}

TEST_F(BackupSourcesTest, MarkersAddTheSideArchives) {
  MakeTable("/dane/24/03/as.dbf", 1);
  for (const char* f : {"/dane/wyr.dbf", "/dane/firma.dbf", "/dane/fv_zal.txt", "/dane/vv.txt", "/dane/wzor_new.txt"}) Touch(f);
  HURT_ASSERT_OK(env.CreateDirs("/dane/fv_zal"));
  HURT_ASSERT_OK(env.CreateDirs("/dane/fv_zam"));
  HURT_ASSERT_OK(env.CreateDirs("/dane/pojemnik"));
  HURT_ASSERT_OK(env.CreateDirs("/dane/wzor"));
  for (const char* f : {"/dane/fv_zal/dowod.dbf", "/dane/fv_zal/inne.dbf", "/dane/fv_zam/dow.dbf",
                        "/dane/fv_zam/dowod.dbf", "/dane/fv_zam/zam.dbf", "/dane/pojemnik/pojemnik.dbf",
                        "/dane/wzor/fv.dbf"}) {
    Touch(f);
  }
  auto plans = PlanBackup(*session, {3, 24}, {{2024, 4, 2}, 7, 5});
  HURT_ASSERT_OK(plans.status());
  std::vector<std::string> names;
  for (const ArchivePlan& p : *plans) names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::string>{"VV240302_0705.ZIP", "VV_RTP240302_0705.ZIP", "FV_ZAL.ZIP", "FV_ZAM.ZIP",
                                             "POJEMNIK.ZIP", "WZOR.ZIP"}));
  EXPECT_EQ(Entries((*plans)[1]), (std::vector<std::string>{"firma.dbf", "wyr.dbf"}));
  EXPECT_EQ(Entries((*plans)[2]), (std::vector<std::string>{"fv_zal/dowod.dbf"}));
  EXPECT_EQ(Entries((*plans)[3]), (std::vector<std::string>{"fv_zam/dow.dbf", "fv_zam/dowod.dbf"}));
  EXPECT_EQ(Entries((*plans)[4]), (std::vector<std::string>{"pojemnik/pojemnik.dbf"}));
  EXPECT_EQ(Entries((*plans)[5]), (std::vector<std::string>{"wzor/fv.dbf"}));
}

TEST_F(BackupSourcesTest, ATableAnotherStationWritesIsNotArchivedUntilItIsLeft) {
  MakeTable("/dane/24/03/as.dbf", 3);
  const std::string as_bytes = *env.Contents("/dane/24/03/as.dbf");
  auto plans = PlanBackup(*session, {3, 24}, {});
  HURT_ASSERT_OK(plans.status());
  {
    // Another station holds record 2 (as while it changes it).
    auto other = xbase::Table::Open(env, "/dane/24/03/as.dbf");
    HURT_ASSERT_OK(other.status());
    HURT_ASSERT_OK((*other)->LockRecord(2));
    EXPECT_TRUE(Write((*plans)[0]).IsBusy());
    EXPECT_FALSE(env.Exists("/kopie/vat0324.zip"));
    EXPECT_FALSE(env.Exists("/kopie/vat0324.zip.tmp"));
  }
  {
    // Another station has the table alone (a rebuild).
    auto other = xbase::Table::Open(env, "/dane/24/03/as.dbf", xbase::TableMode::Exclusive());
    HURT_ASSERT_OK(other.status());
    EXPECT_TRUE(Write((*plans)[0]).IsBusy());
    EXPECT_FALSE(env.Exists("/kopie/vat0324.zip"));
  }
  // Open elsewhere, but nobody writing: archived.
  auto reader = xbase::Table::Open(env, "/dane/24/03/as.dbf");
  HURT_ASSERT_OK(reader.status());
  HURT_ASSERT_OK(Write((*plans)[0]));
  EXPECT_EQ(ArchiveEntries("/kopie/vat0324.zip"), (std::vector<std::string>{"24/03/as.dbf", "24/03/as.dbt"}));
  EXPECT_EQ(Unpacked("/kopie/vat0324.zip", 0), as_bytes);
  // The locks went with the backup: the other station writes again.
  HURT_EXPECT_OK((*reader)->LockRecord(1));
}

TEST_F(BackupSourcesTest, ATableThisStationHoldsAloneIsArchivedAsItIs) {
  MakeTable("/dane/firma.dbf", 1);
  Touch("/dane/wyr.dbf");
  MakeTable("/dane/24/03/as.dbf", 1);
  auto firma = session->areas().Open(1, "/dane/firma.dbf", "firma", {.exclusive = true});
  HURT_ASSERT_OK(firma.status());
  auto plans = PlanBackup(*session, {3, 24}, {});
  HURT_ASSERT_OK(plans.status());
  ASSERT_EQ(plans->size(), 2u);
  HURT_ASSERT_OK(Write((*plans)[1]));
  EXPECT_EQ(ArchiveEntries("/kopie/vat_rtp0324.zip"),
            (std::vector<std::string>{"firma.dbf", "firma.dbt", "wyr.dbf"}));
  EXPECT_EQ(Unpacked("/kopie/vat_rtp0324.zip", 0), *env.Contents("/dane/firma.dbf"));
}

}  // namespace
}  // namespace hurt::maintenance
