// The start of one station: the two-second window, a whole run on a new data directory,
// and the ends that come before the tables.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "console/keys.h"
#include "shell/startup_fixture.h"
#include "shell/startup_screen.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::shell {
namespace {

namespace key = console::key;

class StartWindow : public testing::DataDirTest {
 protected:
  TestStation t{dir.str()};
  StartArgs args;

  WindowResult Run() {
    WindowResult r = WindowResult::kQuit;
    EXPECT_TRUE(t.Run([&] { r = PeriodWindow(t.session, args); }));
    return r;
  }
};

TEST_F(StartWindow, TwoSecondsWithoutAKeyGoOn) {
  const int64_t start = t.d.clock.Elapsed();
  EXPECT_EQ(Run(), WindowResult::kGoOn);
  EXPECT_EQ(t.d.clock.Elapsed() - start, 2000);
  EXPECT_TRUE(t.recorder.Saw("Wybierz miesiac.rok  [mm.rr] : ....."));
  EXPECT_EQ(RTrim(t.Line(24)), "");
  EXPECT_FALSE(t.con.cursor().visible);
  EXPECT_FALSE(args.given());
}

TEST_F(StartWindow, EscEndsTheProgram) {
  t.d.Keys({key::kEsc});
  EXPECT_EQ(Run(), WindowResult::kQuit);
  EXPECT_TRUE(t.recorder.Saw("Esc - KONIEC"));
}

TEST_F(StartWindow, F6ChoosesAPeriodThatHasData) {
  testing::MakePeriodTable(dir.str(), "25/12", store::TableId::kAs);
  t.d.Key(key::F(6)).Then([&] {
    EXPECT_EQ(t.Line(24).substr(31, 5), "12.26");  // preset to the current month
    EXPECT_EQ(t.Line(24).substr(40, 5), "Enter");
  });
  t.d.Type("1225").Key(key::kEnter);
  EXPECT_EQ(Run(), WindowResult::kGoOn);
  EXPECT_EQ(args.period, "12.25");
  EXPECT_EQ(args.www, "12.25");
  EXPECT_EQ(args.first_menu_item, kMenuRaporty);
  EXPECT_EQ(RTrim(t.Line(24)), "");
}

TEST_F(StartWindow, F6WithAPeriodWithoutDataIsAMistakeShownTwice) {
  t.d.Key(key::F(6)).Type("0125").Key(key::kEnter);
  EXPECT_EQ(Run(), WindowResult::kGoOn);
  EXPECT_EQ(t.recorder.Count("01.25 - to jakas pomylka!!!"), 2);
  EXPECT_FALSE(args.given());
}

TEST_F(StartWindow, F6EntryCannotLeaveTheDataDirectory) {
  dir.Write("as.dbf", "");  // "../.." would find the data directory's parent otherwise
  t.d.Key(key::F(6)).Type("../..").Key(key::kEnter);
  EXPECT_EQ(Run(), WindowResult::kGoOn);
  EXPECT_EQ(t.recorder.Count(" - to jakas pomylka!!!"), 2);
  EXPECT_FALSE(args.given());
}

TEST_F(StartWindow, EscInTheEntryKeepsTheCurrentPeriod) {
  t.d.Keys({key::F(6), key::kEsc});
  EXPECT_EQ(Run(), WindowResult::kGoOn);
  EXPECT_FALSE(t.recorder.Saw("pomylka"));
  EXPECT_FALSE(args.given());
}

TEST_F(StartWindow, TheMarkerF6TxtSwitchesF6Off) {
  dir.Write("F6.TXT", "");
  t.d.Key(key::F(6));
  EXPECT_EQ(Run(), WindowResult::kGoOn);
  EXPECT_FALSE(t.recorder.Saw("Enter"));
  EXPECT_EQ(RTrim(t.Line(24)), "");
}

class StartRun : public testing::DataDirTest {
 protected:
  int Main(TestStation& t) {
    int code = -1;
    StartupState state;
    EXPECT_TRUE(t.Run([&] { code = shell::Main(t.session, state); }));
    EXPECT_TRUE(t.recorder.AllGatesUsed());
    return code;
  }
};

// The supervisor logs in with Enter alone and Esc in the main menu ends the work.
void LogInAndEnd(RecordingBackend& r) { r.When("Nazwisko imie", key::kEnter).When("F1-Pomoc", key::kEsc); }

// The same, opening the main menu's current item first: Esc in its sub-menu asks whether
// the work ends, and the answer is yes.
void LogInOpenAndEnd(RecordingBackend& r) {
  r.When("Nazwisko imie", key::kEnter).When("F1-Pomoc", key::kEnter).When("F1-Pomoc", key::kEsc);
  r.When("ZAKONCZYC PRACE", key::kEnter);
}

TEST_F(StartRun, EscInTheWindowEndsWithoutTouchingTheTables) {
  TestStation t(dir.str());
  t.d.Keys({key::kEsc});
  EXPECT_EQ(Main(t), kExitNormal);
  EXPECT_TRUE(t.recorder.Saw("Esc - KONIEC"));
  EXPECT_FALSE(dir.Exists("firma.dbf"));
  EXPECT_FALSE(dir.Exists("parametr.mem"));
  EXPECT_FALSE(dir.Exists("parametr.txt"));
}

TEST_F(StartRun, ANewDataDirectoryIsBuiltAndTheCompanyAskedFor) {
  TestStation t(dir.str());
  t.recorder.When("DANE FIRMY", key::kEsc);
  LogInAndEnd(t.recorder);
  EXPECT_EQ(Main(t), kExitNormal);
  EXPECT_TRUE(t.recorder.Saw("Nazwisko imie"));
  EXPECT_TRUE(t.recorder.Saw("Grudzien '2026"));
  EXPECT_TRUE(t.recorder.Saw("KONIEC PRACY PROGRAMU"));
  EXPECT_TRUE(dir.Exists("26/12/as.dbf"));
  EXPECT_TRUE(dir.Exists("26/12/as.ntx"));
  EXPECT_TRUE(dir.Exists("parametr.mem"));
  EXPECT_TRUE(dir.Exists("parametr.txt"));
  EXPECT_EQ(testing::ReadField(dir / "firma.dbf", "ST"), std::string(30, '0'));
}

TEST_F(StartRun, TheCompanyNameTypedAtTheFirstStartIsKept) {
  TestStation t(dir.str());
  t.recorder.When("DANE FIRMY", 'X').When("DANE FIRMY", key::kPgDn).When("(2/2)", key::kPgDn);
  LogInAndEnd(t.recorder);
  EXPECT_EQ(Main(t), kExitNormal);
  EXPECT_EQ(testing::ReadField(dir / "firma.dbf", "NODB").substr(0, 1), "X");
}

TEST_F(StartRun, TheMainMenuOpensOnTheItemOfTheArgument) {
  testing::MakeCompany(dir.str());
  testing::MakePeriodTable(dir.str(), "25/12", store::TableId::kAs);
  TestStation t(dir.str(), "12.25");
  LogInOpenAndEnd(t.recorder);
  EXPECT_EQ(Main(t), kExitNormal);
  EXPECT_TRUE(t.recorder.Saw(" Raporty kasowe         "));
  EXPECT_EQ(testing::ReadField(dir / "firma.dbf", "BMR"), "12.25");
  EXPECT_TRUE(t.recorder.Saw("Grudzien '2025"));
}

TEST_F(StartRun, WithoutAnArgumentTheMenuOpensOnDowody) {
  testing::MakeCompany(dir.str());
  TestStation t(dir.str());
  LogInOpenAndEnd(t.recorder);
  EXPECT_EQ(Main(t), kExitNormal);
  EXPECT_TRUE(t.recorder.Saw(" Edycja                 "));
}

TEST_F(StartRun, StartFilesAndForcedSettingsAreInTheSession) {
  testing::MakeCompany(dir.str());
  dir.Write("DATA.RR", "30.11.2026");
  dir.Write("POMINAC.TXT", "FV,WZ");
  dir.Write("BANKBOLD.TXT", "PKO");
  TestStation t(dir.str(), "CD");
  LogInAndEnd(t.recorder);
  EXPECT_EQ(Main(t), kExitNormal);
  session::SessionVariables& v = t.session.vars();
  EXPECT_EQ(v.Date("M_DATA_RR"), JulianFromYmd(2026, 11, 30));
  EXPECT_EQ(v.Text("M_RD_POMIN"), ",FV,WZ,");
  EXPECT_EQ(v.Text("M_BANKBOLD"), "PKO");
  EXPECT_EQ(t.session.settings().Text("J_PKWIU"), "T");
  EXPECT_EQ(t.session.settings().Text("J_PTUZ"), "ZW");
  EXPECT_EQ(t.session.settings().Ptu('A'), "23");
  EXPECT_EQ(v.Text("WWW"), "CD");
  EXPECT_EQ(v.Text("PLIK"), "rob/wydruk01.prn");
}

// A table whose header counts more records than its file holds (an append cut short, a
// copy cut off) stops the start with the cause and the way out, whether the start
// rebuilds the indexes (no argument) or not ("CD", as a period argument or a later
// station would).
TEST_F(StartRun, AShortTableStopsTheStartSayingWhyAndWhatMendsIt) {
  testing::MakeCompany(dir.str());
  testing::MakePeriodTable(dir.str(), "26/12", store::TableId::kAs);
  const std::string as = dir / "26/12/as.dbf";
  size_t cut = 0;
  {
    auto t = xbase::Table::Open(xbase::RealEnv(), as, xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    for (int i = 0; i < 5; ++i) ASSERT_TRUE((*t)->Append((*t)->NewRecord()).ok());
    cut = (*t)->header_length() + 3 * (*t)->record_length() + 10;
    ASSERT_TRUE((*t)->Close().ok());
  }
  dir.Write("26/12/as.dbf", dir.Read("26/12/as.dbf").substr(0, cut));
  for (const std::string argument : {"CD", ""}) {
    TestStation t(dir.str(), argument);
    EXPECT_EQ(Main(t), kExitNotStarted) << argument;
    EXPECT_TRUE(t.recorder.Saw("Plik 26/12/as niedostepny")) << argument;
    EXPECT_TRUE(t.recorder.Saw("Plik krotszy niz mowi jego naglowek")) << argument;
    EXPECT_TRUE(t.recorder.Saw("naglowek: 5 rek.")) << argument;
    EXPECT_TRUE(t.recorder.Saw("w pliku: 3 rek.")) << argument;
    EXPECT_TRUE(t.recorder.Saw("Naprawa: uruchom program z argumentem 999")) << argument;
    EXPECT_FALSE(t.recorder.Saw("Wszyscy musza wyjsc z programu")) << argument;
  }
}

TEST_F(StartRun, NoFreeSlotEndsTheStationWithExitCodeOne) {
  testing::MakeCompany(dir.str(), testing::CompanySetup().St("??").Markers({"ST2.TXT"}));
  auto working = xbase::Table::Open(xbase::RealEnv(), dir / "firma.dbf", xbase::TableMode::Shared());
  ASSERT_TRUE(working.ok());
  TestStation t(dir.str(), "CD");
  EXPECT_EQ(Main(t), kExitNotStarted);
  EXPECT_TRUE(t.recorder.Saw("Wszystkie stacje zajete"));
}

TEST_F(StartRun, TheBackupAtTheEndSignsOffTwice) {
  testing::MakeCompany(dir.str());
  dir.Write("VV.XXX", "");
  TestStation t(dir.str(), "CD");
  LogInAndEnd(t.recorder);
  t.recorder.When("Zrobic kopie bezpieczenstwa ?", 'N');  // no backup made
  EXPECT_EQ(Main(t), kExitNormal);
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_EQ(t.recorder.Count("Nie zrobiono kopii !!!"), 2);
  EXPECT_EQ(testing::ReadField(dir / "firma.dbf", "ST"), std::string(30, '0'));
  EXPECT_TRUE(dir.Exists("parametr.txt"));
}

TEST_F(StartRun, NoBackupWhileAnotherStationWorks) {
  testing::MakeCompany(dir.str());
  {
    // The tables are built by a first station; then station 0 is marked as working.
    TestStation first(dir.str(), "CD");
    LogInAndEnd(first.recorder);
    ASSERT_EQ(Main(first), kExitNormal);
    xbase::WorkAreas areas(xbase::RealEnv());
    auto firma = areas.Open(1, dir / "firma.dbf", "firma");
    ASSERT_TRUE(firma.ok());
    ASSERT_TRUE((*firma)->GoTop().ok());
    ASSERT_TRUE((*firma)->LockRecord().ok());
    ASSERT_TRUE((*firma)->Replace("ST", "?").ok());
    ASSERT_TRUE(areas.CloseAll().ok());
  }
  dir.Write("VV.XXX", "");
  auto other = xbase::Table::Open(xbase::RealEnv(), dir / "firma.dbf", xbase::TableMode::Shared());
  ASSERT_TRUE(other.ok());
  TestStation t(dir.str(), "CD");
  LogInAndEnd(t.recorder);
  EXPECT_EQ(Main(t), kExitNormal);
  EXPECT_FALSE(t.recorder.Saw("Zrobic kopie bezpieczenstwa ?"));
  EXPECT_TRUE(t.recorder.Saw("KONIEC PRACY PROGRAMU"));
  EXPECT_EQ(testing::ReadField(dir / "firma.dbf", "ST"), "?0" + std::string(28, ' '));
}

}  // namespace
}  // namespace hurt::shell
