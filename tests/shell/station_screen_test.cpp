// The station register between stations of one test process (their opens and locks
// conflict as between processes).
#include "shell/station.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "session/settings_rules.h"
#include "shell/startup_fixture.h"
#include "shell/station_firma.h"
#include "shell/station_register.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/table.h"

namespace hurt::shell {
namespace {

using namespace literals;

class StationRegisterTest : public testing::DataDirTest {
 protected:
  std::string Firma() const { return dir / "firma.dbf"; }
  std::string St() const { return testing::ReadField(Firma(), "ST"); }

  StationEntry Enter(TestStation& t, const std::string& argument = "") {
    StationEntry e;
    EXPECT_TRUE(t.Run([&] { e = InNet(t.session, ParseStartArgs(argument)); }));
    return e;
  }
  // What the session open does after IN_NET: firma shared in area 1.
  void Share(TestStation& t) {
    ASSERT_TRUE(t.session.areas().Close(1).ok());
    ASSERT_TRUE(t.session.areas().Open(1, Firma(), "firma").ok());
  }
  // Another program holding firma open shared (a station already at work).
  std::unique_ptr<xbase::Table> Working() {
    auto t = xbase::Table::Open(xbase::RealEnv(), Firma(), xbase::TableMode::Shared());
    EXPECT_TRUE(t.ok());
    return t.ok() ? std::move(*t) : nullptr;
  }
};

TEST_F(StationRegisterTest, FirstAndSecondStationTakeSlotsOneAndTwo) {
  testing::MakeCompany(dir.str());
  TestStation a(dir.str());
  StationEntry first = Enter(a);
  EXPECT_EQ(first.station, 1);
  EXPECT_TRUE(first.first);
  EXPECT_TRUE(first.rebuild_indexes);  // no argument: the first station rebuilds
  EXPECT_EQ(a.session.stacja(), 1);
  EXPECT_EQ(a.session.hh(), "26/12");
  Share(a);
  EXPECT_EQ(St(), "?" + std::string(29, '0'));

  TestStation b(dir.str());
  StationEntry second = Enter(b);
  EXPECT_EQ(second.station, 2);
  EXPECT_FALSE(second.first);
  EXPECT_FALSE(second.rebuild_indexes);
  EXPECT_EQ(St(), "??" + std::string(28, '0'));
  EXPECT_EQ(b.Line(21).substr(30, 11), "? - PRACUJE");
}

TEST_F(StationRegisterTest, ALaterStationTakesTheLowestZeroBeforeABlank) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().St("?  0 0"));
  auto working = Working();
  TestStation b(dir.str());
  EXPECT_EQ(Enter(b).station, 4);
  EXPECT_EQ(St().substr(0, 6), "?  ? 0");
  TestStation c(dir.str());
  EXPECT_EQ(Enter(c).station, 6);
  TestStation d(dir.str());
  EXPECT_EQ(Enter(d).station, 2);  // no "0" left: the first blank
}

TEST_F(StationRegisterTest, WhenStationOneSignedOffTheNextIsStationOne) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().St("0?"));
  auto working = Working();
  TestStation b(dir.str());
  EXPECT_EQ(Enter(b).station, 1);
}

TEST_F(StationRegisterTest, St2AdmitsTwoAndRefusesTheThird) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().Markers({"ST2.TXT"}));
  TestStation a(dir.str());
  ASSERT_EQ(Enter(a).station, 1);
  Share(a);
  TestStation b(dir.str());
  ASSERT_EQ(Enter(b).station, 2);
  TestStation c(dir.str());
  EXPECT_EQ(Enter(c).station, 0);
  EXPECT_TRUE(c.recorder.Saw("Wszystkie stacje zajete"));
  EXPECT_EQ(St(), "??");
}

TEST_F(StationRegisterTest, SlotsLeftTakenAreReportedLoggedAndFreed) {
  const std::string st = "?A" + std::string(1, kOperatorZeroMark) + "0";
  testing::MakeCompany(dir.str(), testing::CompanySetup().St(st));
  TestStation a(dir.str(), "", "");
  StationEntry e = Enter(a, "12.26");  // an argument: only the crash forces the rebuild
  EXPECT_EQ(e.station, 1);
  EXPECT_EQ(e.left_taken, "?A0");
  EXPECT_TRUE(e.rebuild_indexes);
  EXPECT_EQ(a.Line(20).substr(30, 28), "?A0 - zle wyszedl z programu");
  const std::string first_line = "08.12.2026, 08:00 " + std::string("│"_pl) + " ?A0\r\n";
  EXPECT_EQ(dir.Read("bledy.txt"), first_line);
  Share(a);
  EXPECT_EQ(St(), "?" + std::string(29, '0'));

  // The station ends without signing off: the next first station appends its report.
  ASSERT_TRUE(a.session.areas().CloseAll().ok());
  TestStation b(dir.str());
  Enter(b);
  EXPECT_EQ(dir.Read("bledy.txt"), first_line + "08.12.2026, 08:00 " + std::string("│"_pl) + " ?\r\n");
}

TEST_F(StationRegisterTest, CdNeverRebuildsEvenAfterACrash) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().St("?"));
  TestStation a(dir.str());
  StationEntry e = Enter(a, "CD");
  EXPECT_EQ(e.left_taken, "?");
  EXPECT_FALSE(e.rebuild_indexes);
}

TEST_F(StationRegisterTest, Arguments3And888Rebuild) {
  testing::MakeCompany(dir.str());
  for (const char* arg : {"3", "888"}) {
    TestStation a(dir.str());
    EXPECT_TRUE(Enter(a, arg).rebuild_indexes) << arg;
    ASSERT_TRUE(a.Run([&] { OutNet(a.session); }));
  }
  TestStation a(dir.str());
  EXPECT_FALSE(Enter(a, "12.26").rebuild_indexes);
}

TEST_F(StationRegisterTest, SignOffTwiceLeavesZeroAndRewritesTheSnapshotEachTime) {
  testing::MakeCompany(dir.str());
  TestStation a(dir.str());
  ASSERT_EQ(Enter(a).station, 1);
  Share(a);
  ASSERT_TRUE(a.Run([&] { EXPECT_TRUE(OutNet(a.session)); }));
  EXPECT_EQ(St(), std::string(30, '0'));
  session::Settings first(xbase::RealEnv());
  ASSERT_TRUE(first.Restore(dir / "parametr.txt").ok());
  EXPECT_EQ(first.Text("J_NAZWA"), a.session.settings().Text("J_NAZWA"));

  ASSERT_TRUE(a.session.settings().SetText("J_NAZWA", "DRUGI ZAPIS").ok());
  ASSERT_TRUE(a.Run([&] { EXPECT_TRUE(OutNet(a.session)); }));
  EXPECT_EQ(St(), std::string(30, '0'));
  session::Settings second(xbase::RealEnv());
  ASSERT_TRUE(second.Restore(dir / "parametr.txt").ok());
  EXPECT_EQ(second.Text("J_NAZWA"), "DRUGI ZAPIS");
}

TEST_F(StationRegisterTest, SignOffWithoutTheRegisterOnlyWritesTheSnapshot) {
  TestStation a(dir.str());
  ASSERT_TRUE(a.Run([&] { EXPECT_TRUE(OutNet(a.session)); }));
  EXPECT_TRUE(dir.Exists("parametr.txt"));
  EXPECT_FALSE(dir.Exists("firma.dbf"));
}

TEST_F(StationRegisterTest, APeriodArgumentWithDataBecomesTheCurrentPeriod) {
  testing::MakeCompany(dir.str());
  testing::MakePeriodTable(dir.str(), "25/12", store::TableId::kAs);
  TestStation a(dir.str());
  StationEntry e = Enter(a, "12.25");
  EXPECT_FALSE(e.period_refused);
  Share(a);
  EXPECT_EQ(testing::ReadField(Firma(), "BMR"), "12.25");
  EXPECT_EQ(a.session.hh(), "25/12");
}

TEST_F(StationRegisterTest, APeriodWithoutDataIsRefusedTwiceAndKeepsTheCurrentOne) {
  testing::MakeCompany(dir.str());
  TestStation a(dir.str());
  StationEntry e = Enter(a, "11.25");
  EXPECT_EQ(e.station, 1);
  EXPECT_TRUE(e.period_refused);
  EXPECT_EQ(a.recorder.Count("11.25 - to jakas pomylka!!!"), 2);
  Share(a);
  EXPECT_EQ(testing::ReadField(Firma(), "BMR"), "12.26");
  // A later station refuses it the same way.
  TestStation b(dir.str());
  StationEntry later = Enter(b, "11.25");
  EXPECT_EQ(later.station, 2);
  EXPECT_TRUE(later.period_refused);
}

TEST_F(StationRegisterTest, ANewDataDirectoryGetsItsCompanyRecord) {
  TestStation a(dir.str());
  EXPECT_EQ(Enter(a).station, 1);
  Share(a);
  EXPECT_EQ(testing::ReadField(Firma(), "BMR"), "12.26");  // today's period
  EXPECT_EQ(testing::CountRecords(Firma()), 1);
}

TEST_F(StationRegisterTest, FirmaHeldExclusivelyElsewhereStopsTheStation) {
  testing::MakeCompany(dir.str());
  auto holder = xbase::Table::Open(xbase::RealEnv(), Firma(), xbase::TableMode::Exclusive());
  ASSERT_TRUE(holder.ok());
  TestStation a(dir.str());
  EXPECT_EQ(Enter(a).station, 0);
  EXPECT_TRUE(a.recorder.Saw("2.Mam problemy z wejsciem"));
}

// ---- structure upgrade ----

TEST_F(StationRegisterTest, AnOldFirmaIsUpgradedKeepingItsRecord) {
  std::vector<xbase::DbfFieldDescriptor> old = {
      {"NODB", 'C', 30, 0}, {"BMR", 'C', 5, 0}, {"ST", 'C', 30, 0}, {"NRBO", 'C', 26, 0}, {"LICENCJA", 'C', 6, 0}};
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), Firma(), old).ok());
  {
    auto t = xbase::Table::Open(xbase::RealEnv(), Firma(), xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    xbase::Record r = (*t)->NewRecord();
    ASSERT_TRUE(r.SetValue("NODB", xbase::Value("STARA FIRMA")).ok());
    ASSERT_TRUE(r.SetValue("BMR", xbase::Value("12.26")).ok());
    ASSERT_TRUE(r.SetValue("NRBO", xbase::Value("12 3456 7890")).ok());
    ASSERT_TRUE(r.SetValue("LICENCJA", xbase::Value("L-0042")).ok());
    ASSERT_TRUE((*t)->Append(r).ok());
  }
  dir.Write("firma_up.dbf", "left by a crash");
  TestStation a(dir.str());
  EXPECT_EQ(Enter(a).station, 1);
  xbase::WorkArea* firma = a.session.areas().Area(1);
  ASSERT_NE(firma, nullptr);
  EXPECT_TRUE(firma->exclusive());
  EXPECT_GE(firma->FieldIndex("BDO"), 0);
  EXPECT_EQ(firma->field(firma->FieldIndex("NRBO")).width, 40);
  ASSERT_TRUE(a.session.areas().CloseAll().ok());
  EXPECT_EQ(testing::CountRecords(Firma()), 1);
  EXPECT_EQ(testing::ReadField(Firma(), "NODB"), "STARA FIRMA" + std::string(19, ' '));
  EXPECT_EQ(testing::ReadField(Firma(), "NRBO").substr(0, 12), "12 3456 7890");
  EXPECT_EQ(testing::ReadField(Firma(), "LICENCJA"), "L-0042");
  EXPECT_FALSE(dir.Exists("firma_up.dbf"));
}

TEST_F(StationRegisterTest, ArgumentThreeRebuildsTheTableInPlace) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().Nodb("FIRMA 3"));
  TestStation a(dir.str());
  EXPECT_EQ(Enter(a, "3").station, 1);
  ASSERT_TRUE(a.session.areas().CloseAll().ok());
  EXPECT_EQ(testing::ReadField(Firma(), "NODB").substr(0, 7), "FIRMA 3");
  EXPECT_EQ(testing::CountRecords(Firma()), 1);
}

TEST_F(StationRegisterTest, TheRecordOfAnInterruptedOldUpgradeIsRecovered) {
  // Older versions copied firma to xxx.dbf, emptied firma and appended the copy back.
  testing::MakeCompany(dir.str(), testing::CompanySetup().Nodb("ODZYSKANA").Bmr("11.26"));
  std::filesystem::rename(dir / "firma.dbf", dir / "xxx.dbf");
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), Firma(), FirmaFields(store::Markers())).ok());
  testing::MakePeriodTable(dir.str(), "26/11", store::TableId::kAs);
  TestStation a(dir.str());
  EXPECT_EQ(Enter(a).station, 1);
  ASSERT_TRUE(a.session.areas().CloseAll().ok());
  EXPECT_EQ(testing::CountRecords(Firma()), 1);
  EXPECT_EQ(testing::ReadField(Firma(), "NODB").substr(0, 9), "ODZYSKANA");
  EXPECT_EQ(testing::ReadField(Firma(), "BMR"), "11.26");
}

TEST_F(StationRegisterTest, AScratchTableOfAnotherKindIsNotTakenForTheCompany) {
  std::vector<xbase::DbfFieldDescriptor> other = {{"INDEKS", 'C', 8, 0}};
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), dir / "xxx.dbf", other).ok());
  TestStation a(dir.str());
  EXPECT_EQ(Enter(a).station, 1);
  ASSERT_TRUE(a.session.areas().CloseAll().ok());
  EXPECT_EQ(testing::ReadField(Firma(), "NODB"), std::string(30, ' '));
}

// ---- one copy per workstation ----

TEST_F(StationRegisterTest, ASecondCopyOnTheSameWorkstationIsRefused) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().Markers({"VATJEDEN.TXT"}));
  testing::TempDir local;
  TestStation a(dir.str(), "", local.str());
  ASSERT_EQ(Enter(a).station, 1);
  ASSERT_NE(a.session.areas().Area(149), nullptr);
  EXPECT_EQ(*a.session.areas().Area(149)->RecCount(), 1u);
  Share(a);

  TestStation b(dir.str(), "", local.str());
  EXPECT_EQ(Enter(b).station, 0);
  EXPECT_TRUE(b.recorder.Saw("Program juz otwarty na pasku"));

  testing::TempDir elsewhere;
  TestStation c(dir.str(), "", elsewhere.str());
  EXPECT_EQ(Enter(c).station, 2);
}

TEST_F(StationRegisterTest, PerWorkstationLockNeedsTheLocalMarker) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().Markers({"VATJEDEN.TXT", "VATJEDEN.XXX"}));
  testing::TempDir local;
  TestStation a(dir.str(), "", local.str());
  ASSERT_EQ(Enter(a).station, 1);
  EXPECT_FALSE(local.Exists("program.dbf"));
  ASSERT_TRUE(a.session.areas().CloseAll().ok());

  local.Write("vatjeden.txt", "");
  TestStation b(dir.str(), "", local.str());
  ASSERT_EQ(Enter(b).station, 1);
  EXPECT_TRUE(local.Exists("program.dbf"));
}

TEST_F(StationRegisterTest, ADamagedLockTableIsMadeAgain) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().Markers({"VATJEDEN.TXT"}));
  testing::TempDir local;
  local.Write("program.dbf", "garbage");
  TestStation a(dir.str(), "", local.str());
  EXPECT_EQ(Enter(a).station, 1);
  ASSERT_TRUE(a.session.areas().CloseAll().ok());
  EXPECT_EQ(testing::CountRecords(local / "program.dbf"), 1);
}

}  // namespace
}  // namespace hurt::shell
