// Stations as real `hurt` processes on one data directory, in the scripted headless mode.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

// The main menu waiting for a choice (the operator list closed).
// A station's slot in firma->ST while the supervisor (operator "0") is logged in there; the
// lists of working stations show it as "0".
const std::string kZero = "\xB1";

class Stations : public ::testing::Test {
 protected:
  TempDir data;
  TempDir work;

  std::string St() const { return ReadField(data / "firma.dbf", "ST"); }

  std::unique_ptr<HurtStation> Start(const std::string& name, const StationOptions& options = {}) {
    return std::make_unique<HurtStation>(data.str(), work.str(), name, options);
  }
  // Starts a station, logs the supervisor in (Enter on the operator list) and waits for
  // the main menu.
  std::unique_ptr<HurtStation> Working(const std::string& name, const StationOptions& options = {}) {
    auto s = Start(name, options);
    EXPECT_TRUE(s->WaitForScreen(kOperatorList)) << name << ":\n" << s->Screen() << s->result().err;
    s->Send("Enter");
    EXPECT_TRUE(s->WaitForScreen(kMainMenu, kOperatorList)) << name << ":\n" << s->Screen() << s->result().err;
    return s;
  }
  // Esc from the main menu: the station signs off and ends.
  void Leave(HurtStation& s) {
    s.Send("Esc");
    EXPECT_EQ(s.WaitExit(), 0) << s.Screen();
  }
};

struct FileStamp {
  ino_t inode = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp Stamp(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {st.st_ino, static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

TEST_F(Stations, FirstAndSecondStationGetSlotsOneAndTwo) {
  MakeCompany(data.str());
  auto a = Working("a");
  auto b = Working("b");
  EXPECT_EQ(St(), kZero + kZero + std::string(28, '0'));
  EXPECT_TRUE(b->LogContains("0 - PRACUJE"));
  Leave(*a);
  EXPECT_EQ(St(), "0" + kZero + std::string(28, '0'));
  Leave(*b);
  EXPECT_EQ(St(), std::string(30, '0'));
  EXPECT_TRUE(b->LogContains("KONIEC PRACY PROGRAMU"));
}

TEST_F(Stations, AKilledStationIsReportedByTheNextFirstStation) {
  MakeCompany(data.str());
  auto a = Working("a");
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(St(), kZero + std::string(29, '0'));  // left taken

  auto b = Working("b");
  EXPECT_TRUE(b->LogContains("0 - zle wyszedl z programu"));
  std::string bledy = data.Read("bledy.txt");
  EXPECT_EQ(bledy.substr(0, 17), "08.12.2026, 08:00");
  EXPECT_EQ(bledy.substr(bledy.size() - 4), " 0\r\n");
  EXPECT_EQ(St(), kZero + std::string(29, '0'));  // the register starts again with b
  Leave(*b);
  EXPECT_EQ(St(), std::string(30, '0'));
}

TEST_F(Stations, St2AdmitsTwoAndRefusesTheThird) {
  MakeCompany(data.str(), CompanySetup().Markers({"ST2.TXT"}));
  auto a = Working("a");
  auto b = Working("b");
  auto c = Start("c");
  EXPECT_EQ(c->WaitExit(), 1);
  EXPECT_TRUE(c->LogContains("Wszystkie stacje zajete"));
  EXPECT_EQ(St(), kZero + kZero);
  Leave(*b);
  // A slot is free again.
  auto d = Working("d");
  EXPECT_EQ(St(), kZero + kZero);
  Leave(*d);
  Leave(*a);
}

TEST_F(Stations, CdDoesNotRebuildTheIndexes) {
  MakeCompany(data.str());
  Leave(*Working("build"));  // a first start without argument builds every index
  const std::string index = data / "26/12/as.ntx";
  const std::string other = data / "26/12/dow1.ntx";
  const FileStamp built = Stamp(index);
  const FileStamp built_other = Stamp(other);
  ASSERT_NE(built.inode, 0u);

  Leave(*Working("cd", WithArgument("CD")));
  EXPECT_EQ(Stamp(index), built);
  EXPECT_EQ(Stamp(other), built_other);

  Leave(*Working("again"));  // without an argument they are built again
  EXPECT_NE(Stamp(index), built);
}

TEST_F(Stations, APeriodArgumentSelectsThePeriodAndOpensOnRaporty) {
  MakeCompany(data.str());
  MakePeriodTable(data.str(), "25/12", store::TableId::kAs);
  auto a = Working("a", WithArgument("12.25"));
  EXPECT_NE(a->Screen().find("Grudzien '2025"), std::string::npos) << a->Screen();
  EXPECT_EQ(ReadField(data / "firma.dbf", "BMR"), "12.25");
  a->Send("Enter");
  EXPECT_TRUE(a->WaitForScreen(" Raporty kasowe "));
  a->Send("Esc");  // in a sub-menu Esc asks whether the work ends
  EXPECT_TRUE(a->WaitForScreen("ZAKONCZYC PRACE"));
  a->Send("Enter");
  EXPECT_EQ(a->WaitExit(), 0) << a->Screen();
}

TEST_F(Stations, APeriodWithoutDataIsRefused) {
  MakeCompany(data.str());
  auto a = Working("a", WithArgument("11.25"));
  EXPECT_TRUE(a->LogContains("11.25 - to jakas pomylka!!!"));
  EXPECT_EQ(ReadField(data / "firma.dbf", "BMR"), "12.26");
  Leave(*a);
}

TEST_F(Stations, TheRescueRunRefusesWhileAnotherStationWorks) {
  MakeCompany(data.str());
  auto a = Working("a");
  const std::string before = data.Read("26/12/as.dbf");
  auto r = Start("rescue", WithArgument("999"));
  EXPECT_EQ(r->WaitExit(), 1);
  EXPECT_TRUE(r->LogContains("Wszyscy musza wyjsc z programu"));
  EXPECT_EQ(data.Read("26/12/as.dbf"), before);
  EXPECT_EQ(St(), kZero + std::string(29, '0'));  // a's slot untouched
  Leave(*a);
}

TEST_F(Stations, TheRescueRunAloneRebuildsAndStarts) {
  MakeCompany(data.str());
  Leave(*Working("build"));
  auto r = Working("rescue", WithArgument("999"));
  EXPECT_TRUE(r->LogContains("NIE WOLNO PRZERWAC"));
  EXPECT_TRUE(r->LogContains("Rekonstrukcja zbioru 26/12/AS.DBF"));
  Leave(*r);
}

TEST_F(Stations, EscInTheStartWindowEndsWithoutTouchingTheTables) {
  auto a = Start("a", WithKeys({"Esc"}));
  EXPECT_EQ(a->WaitExit(), 0);
  EXPECT_TRUE(a->LogContains("Esc - KONIEC"));
  EXPECT_FALSE(data.Exists("firma.dbf"));
  EXPECT_FALSE(data.Exists("parametr.mem"));
}

TEST_F(Stations, F6InTheStartWindowChoosesThePeriod) {
  MakeCompany(data.str());
  MakePeriodTable(data.str(), "25/11", store::TableId::kAs);
  auto a = Working("a", WithKeys({"F6", "text:1125", "Enter"}));
  EXPECT_EQ(ReadField(data / "firma.dbf", "BMR"), "11.25");
  EXPECT_NE(a->Screen().find("Listopad '2025"), std::string::npos);
  Leave(*a);
}

// F1 on the main menu shows the keys of the screen; any key puts the menu back.
TEST_F(Stations, F1ShowsTheKeysOfTheScreen) {
  MakeCompany(data.str());
  auto s = Working("A");
  s->Send("F1");
  ASSERT_TRUE(s->WaitForScreen("POMOC - KLAWISZE EKRANU")) << s->Screen();
  EXPECT_NE(s->Screen().find("Alt+K        kalkulator"), std::string::npos) << s->Screen();
  EXPECT_NE(s->Screen().find("Esc          Koniec"), std::string::npos) << s->Screen();
  s->Send("Esc");
  ASSERT_TRUE(s->WaitForScreen(kMainMenu, "POMOC")) << s->Screen();
  Leave(*s);
}

TEST_F(Stations, SigtermSignsTheStationOff) {
  MakeCompany(data.str());
  auto a = Working("a");
  auto b = Working("b");
  b->Kill(SIGTERM);
  EXPECT_EQ(b->WaitExit(), 128 + SIGTERM);
  EXPECT_EQ(St(), kZero + "0" + std::string(28, '0'));
  a->Kill(SIGHUP);
  EXPECT_EQ(a->WaitExit(), 128 + SIGHUP);
  EXPECT_EQ(St(), std::string(30, '0'));
  EXPECT_TRUE(data.Exists("parametr.txt"));
}

TEST_F(Stations, ASecondCopyOnOneWorkstationIsRefused) {
  MakeCompany(data.str(), CompanySetup().Markers({"VATJEDEN.TXT"}));
  const std::string local = work / "shared.local";
  auto a = Working("a", WithLocalDir(local));
  auto b = Start("b", WithLocalDir(local));
  EXPECT_EQ(b->WaitExit(), 1);
  EXPECT_TRUE(b->LogContains("Program juz otwarty na pasku"));
  Leave(*a);
  // Once the first copy ended, the workstation may start again.
  Leave(*Working("c", WithLocalDir(local)));
}

}  // namespace
}  // namespace hurt::testing

#include "support/tmux.h"

namespace hurt::testing {
namespace {

TEST(StationInATerminal, SigtermSignsOffAndGivesTheTerminalBack) {
  if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
  TempDir data;
  TempDir work;
  MakeCompany(data.str());
  const std::string pid_file = work / "pid";
  // The inner shell leaves its pid (which exec hands to hurt); the outer one shows how hurt
  // ended and whether the terminal is back in its usual mode.
  const std::string script = R"(sh -c 'echo $$ > "$1"; exec "$0" CD' "$0" "$1"; echo "exit status $?"; )"
                             R"(stty -a | tr ' ;' '\n\n' | grep -x -e '-*icanon' -e '-*echo')";
  TmuxSession tmux({"/bin/sh", "-c", script, BuiltProgram("hurt"), pid_file}, data.str(), 80, 25,
                   {"HURT_LOCAL_DIR=" + (work / "local")});
  ASSERT_TRUE(tmux.ok());
  ASSERT_TRUE(tmux.WaitFor("F1-Pomoc", 30'000)) << tmux.Capture();
  EXPECT_EQ(ReadField(data / "firma.dbf", "ST"), "?" + std::string(29, '0'));
  std::string pid_text;
  std::ifstream(pid_file) >> pid_text;
  ASSERT_FALSE(pid_text.empty());
  const pid_t pid = static_cast<pid_t>(std::stol(pid_text));
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  ASSERT_TRUE(tmux.WaitFor("exit status 143", 15'000)) << tmux.Capture();
  EXPECT_TRUE(tmux.WaitFor("\nicanon", 5'000)) << tmux.Capture();
  EXPECT_NE(tmux.Capture().find("\necho"), std::string::npos) << tmux.Capture();
  EXPECT_EQ(ReadField(data / "firma.dbf", "ST"), std::string(30, '0'));
}

}  // namespace
}  // namespace hurt::testing
