// The rescue run and the rebuild of the tables of a folder.
#include "shell/rescue.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "console/keys.h"
#include "shell/startup_fixture.h"
#include "shell/station.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/table.h"

namespace hurt::shell {
namespace {

namespace key = console::key;

TEST(TablesToRebuild, FollowsTheNameRules) {
  EXPECT_EQ(TablesToRebuild({"zo.dbf", "AS.DBF", "fa_n.dbf", "a-b.dbf", "x.dbf", "xxx.dbf", "as.ntx", "dowod.dbf",
                             "as_r.dbf", "slow.DBF"}),
            (std::vector<std::string>{"AS.DBF", "dowod.dbf", "slow.DBF", "zo.dbf"}));
  EXPECT_TRUE(TablesToRebuild({}).empty());
}

class Rescue : public testing::DataDirTest {
 protected:
  // A table of articles in 26/12 with `n` records, every second one deleted when asked.
  void Articles(int n, bool delete_even = false) {
    testing::MakePeriodTable(dir.str(), "26/12", store::TableId::kAs);
    auto t = xbase::Table::Open(xbase::RealEnv(), dir / "26/12/as.dbf", xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    for (int i = 1; i <= n; ++i) {
      xbase::Record r = (*t)->NewRecord();
      ASSERT_TRUE(r.SetValue("MAG", xbase::Value("1")).ok());
      ASSERT_TRUE(r.SetValue("INDEKS", xbase::Value("A" + std::to_string(i))).ok());
      ASSERT_TRUE(r.SetValue("ILOSC", xbase::Value(i * 1.5)).ok());
      r.SetDeleted(delete_even && i % 2 == 0);
      ASSERT_TRUE((*t)->Append(r).ok());
    }
    ASSERT_TRUE((*t)->Close().ok());
  }
  std::vector<std::string> Indexes(const std::string& path) {
    std::vector<std::string> out;
    auto t = xbase::Table::Open(xbase::RealEnv(), path, xbase::TableMode::SharedReadOnly());
    if (!t.ok()) return out;
    xbase::RecordScanner scan(**t);
    xbase::Record r;
    while (scan.Next(&r)) out.push_back(RTrim(r.GetValue("INDEKS")->AsString()) + (r.deleted() ? "*" : ""));
    return out;
  }
};

TEST_F(Rescue, OdswiezKeepsLiveRecordsAndEmptiesWorkingLines) {
  Articles(5, true);
  dir.Write("26/12/as_r.dbf", "left by an interrupted run");
  {  // a working-line table of an old layout, with a line left in it
    ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), dir / "26/12/d01.dbf", {{"X", 'C', 1, 0}}).ok());
    auto d01 = xbase::Table::Open(xbase::RealEnv(), dir / "26/12/d01.dbf", xbase::TableMode::Exclusive());
    ASSERT_TRUE(d01.ok());
    ASSERT_TRUE((*d01)->Append((*d01)->NewRecord()).ok());
  }
  testing::MakePeriodTable(dir.str(), "26/12", store::TableId::kFaN);
  TestStation t(dir.str());
  OdswiezReport report;
  ASSERT_TRUE(t.Run([&] { report = Odswiez(t.session, "26/12"); }));
  EXPECT_TRUE(report.failed.empty()) << report.failed.front();
  EXPECT_EQ(report.rebuilt, (std::vector<std::string>{"26/12/as.dbf", "26/12/d01.dbf"}));
  EXPECT_EQ(Indexes(dir / "26/12/as.dbf"), (std::vector<std::string>{"A1", "A3", "A5"}));
  EXPECT_EQ(testing::ReadField(dir / "26/12/as.dbf", "ILOSC"), "2");  // 1.5 as STR rounds
  EXPECT_FALSE(dir.Exists("26/12/as_r.dbf"));
  EXPECT_EQ(testing::CountRecords(dir / "26/12/d01.dbf"), 0);
  EXPECT_EQ(testing::ReadField(dir / "26/12/d01.dbf", "INDEKS"), "");  // no record, but the field exists
  auto d01 = xbase::Table::Open(xbase::RealEnv(), dir / "26/12/d01.dbf", xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(d01.ok());
  EXPECT_GE((*d01)->FieldIndex("INDEKS"), 0);
  EXPECT_TRUE(t.recorder.Saw(" Rekonstrukcja zbioru 26/12/AS.DBF"));
  EXPECT_TRUE(t.recorder.Saw("NIE PRZERYWAC !"));
}

TEST_F(Rescue, AFailedCopyLeavesTheTableAsItWas) {
  Articles(300);
  const std::string before = dir.Read("26/12/as.dbf");
  TestStation t(dir.str());
  t.faults.FailWrite(1, "as_r.dbf");
  OdswiezReport report;
  ASSERT_TRUE(t.Run([&] { report = Odswiez(t.session, "26/12"); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed()) << "the operator was asked";
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(dir.Read("26/12/as.dbf"), before);
  EXPECT_FALSE(dir.Exists("26/12/as_r.dbf"));
  EXPECT_TRUE(t.recorder.Saw("niedostepny"));
}

TEST_F(Rescue, MemoTextsSurviveTheRebuild) {
  std::filesystem::create_directories(dir / "26/12");
  std::vector<xbase::DbfFieldDescriptor> fields = {{"KOD", 'C', 4, 0}, {"OPIS", 'M', 10, 0}};
  const std::string path = dir / "26/12/notatki.dbf";
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), path, fields).ok());
  {
    auto tab = xbase::Table::Open(xbase::RealEnv(), path, xbase::TableMode::Exclusive());
    ASSERT_TRUE(tab.ok());
    for (const char* text : {"pierwsza notatka", "druga"}) {
      xbase::Record r = (*tab)->NewRecord();
      ASSERT_TRUE(r.SetValue("KOD", xbase::Value("K")).ok());
      ASSERT_TRUE(r.SetValue("OPIS", xbase::Value(text)).ok());
      ASSERT_TRUE((*tab)->Append(r).ok());
    }
  }
  TestStation t(dir.str());
  ASSERT_TRUE(t.Run([&] { EXPECT_TRUE(Odswiez(t.session, "26/12").failed.empty()); }));
  auto tab = xbase::Table::Open(xbase::RealEnv(), path, xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(tab.ok());
  xbase::Record r;
  ASSERT_TRUE((*tab)->Read(2, &r).ok());
  EXPECT_EQ(r.GetValue("OPIS")->AsString(), "druga");
  EXPECT_FALSE(dir.Exists("26/12/notatki_r.dbt"));
}

TEST_F(Rescue, RefusedWhileAnotherStationWorks) {
  testing::MakeCompany(dir.str());
  Articles(3, true);
  const std::string before = dir.Read("26/12/as.dbf");
  auto working = xbase::Table::Open(xbase::RealEnv(), dir / "firma.dbf", xbase::TableMode::Shared());
  ASSERT_TRUE(working.ok());
  TestStation t(dir.str(), "999");
  bool go_on = true;
  ASSERT_TRUE(t.Run([&] { go_on = Ratunek(t.session); }));
  EXPECT_FALSE(go_on);
  EXPECT_TRUE(t.recorder.Saw("Wszyscy musza wyjsc z programu"));
  EXPECT_EQ(dir.Read("26/12/as.dbf"), before);
}

TEST_F(Rescue, RefusedInAnArchive) {
  TestStation t(dir.str(), "999");
  t.session.set_hh_arc("26/11");
  bool go_on = true;
  ASSERT_TRUE(t.Run([&] { go_on = Ratunek(t.session); }));
  EXPECT_FALSE(go_on);
  EXPECT_TRUE(t.recorder.Saw("Praca w archiwum - blokada"));
}

TEST_F(Rescue, RebuildsThePeriodAndItsIndexesHoldingFirma) {
  testing::MakeCompany(dir.str());
  Articles(4, true);
  dir.Write("parametr.mem", "");  // copied aside first
  TestStation t(dir.str(), "999");
  bool go_on = false;
  ASSERT_TRUE(t.Run([&] { go_on = Ratunek(t.session); }));
  EXPECT_TRUE(go_on);
  EXPECT_TRUE(t.recorder.Saw("NIE WOLNO PRZERWAC"));
  ASSERT_NE(t.session.areas().Area(1), nullptr);
  ASSERT_TRUE(t.session.areas().CloseAll().ok());
  EXPECT_EQ(Indexes(dir / "26/12/as.dbf"), (std::vector<std::string>{"A1", "A3"}));
  EXPECT_TRUE(dir.Exists("26/12/as.ntx"));
}

// An append stopped half way (or a cut copy): the header of as counts 5 records, the file
// holds 3 and a half. The rescue run names both counts and the copy it will keep, and
// sets the count after a yes; the table is then rebuilt with its 3 records.
class RescueShortTable : public Rescue {
 protected:
  void SetUp() override {
    testing::MakeCompany(dir.str());
    Articles(5);
    std::string bytes = dir.Read("26/12/as.dbf");
    auto t = xbase::Table::Open(xbase::RealEnv(), dir / "26/12/as.dbf", xbase::TableMode::SharedReadOnly());
    ASSERT_TRUE(t.ok());
    const size_t cut = (*t)->header_length() + 3 * (*t)->record_length() + (*t)->record_length() / 2;
    ASSERT_TRUE((*t)->Close().ok());
    short_ = bytes.substr(0, cut);
    dir.Write("26/12/as.dbf", short_);
  }
  std::string short_;
};

TEST_F(RescueShortTable, TheCountIsSetAfterAYesAndTheOriginalKept) {
  TestStation t(dir.str());
  t.recorder.When("krotszy niz naglowek", key::kEnter).When("Ustawic liczbe rekordow na 3 ?", 'T');
  OdswiezReport report;
  ASSERT_TRUE(t.Run([&] { report = Odswiez(t.session, "26/12"); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_TRUE(t.recorder.Saw("Plik 26/12/AS.DBF krotszy niz naglowek"));
  EXPECT_TRUE(t.recorder.Saw("naglowek: 5 rek."));
  EXPECT_TRUE(t.recorder.Saw("w pliku: 3 rek."));
  EXPECT_TRUE(t.recorder.Saw("kopia pliku: as_kopia.dbf"));
  EXPECT_TRUE(report.failed.empty()) << report.failed.front();
  EXPECT_EQ(dir.Read("26/12/as_kopia.dbf"), short_);
  EXPECT_EQ(Indexes(dir / "26/12/as.dbf"), (std::vector<std::string>{"A1", "A2", "A3"}));
  // The copy is no table of the rebuild: a name with "_".
  EXPECT_EQ(report.rebuilt, (std::vector<std::string>{"26/12/as.dbf"}));
}

TEST_F(RescueShortTable, ANoLeavesTheTableAsItWas) {
  TestStation t(dir.str());
  t.recorder.When("krotszy niz naglowek", key::kEnter).When("Ustawic liczbe rekordow na 3 ?", 'N');
  OdswiezReport report;
  ASSERT_TRUE(t.Run([&] { report = Odswiez(t.session, "26/12"); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed()) << "the operator was asked";
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(dir.Read("26/12/as.dbf"), short_);
  EXPECT_FALSE(dir.Exists("26/12/as_kopia.dbf"));
  EXPECT_TRUE(t.recorder.Saw("Plik 26/12/AS.DBF niedostepny"));
}

}  // namespace
}  // namespace hurt::shell
