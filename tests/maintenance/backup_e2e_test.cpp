// The backup and the restore walked through real `hurt` processes on a demo company, from
// Funkcje specjalne and at the end of the program: the month's tables come back byte for
// byte, the ways out (Esc, "N", kill -9 before the files are replaced, a second station)
// leave everything as it was, and `hurt-dbf verify` finds nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "base/text.h"
#include "maintenance/period_keys.h"
#include "support/child_process.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/table.h"

namespace hurt::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSpecjalne = "Edycja bazy BLAT";
constexpr std::string_view kPen = "Włóż PENa do komory E, wcisnij ENTER ...";

// `unzip` (Debian package unzip) from the PATH; "" when absent.
std::string UnzipProgram() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const fs::path p = fs::path(dir) / "unzip";
    if (!dir.empty() && ::access(p.c_str(), X_OK) == 0) return p.string();
  }
  return "";
}

class BackupRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
    pen = work / "pen";
    fs::create_directories(pen);
    std::ofstream(data / "vat.ini", std::ios::binary) << "[KOPIE]\r\nNAPED_E=" << pen << "\r\n";
    const std::string mmyy = period.substr(3, 2) + period.substr(0, 2);
    archive_name = "VAT" + mmyy + ".ZIP";
    archive = pen + "/kopia/vat/vat" + mmyy + ".zip";
  }

  // The bytes of every table and memo file of the month folder, by name.
  std::map<std::string, std::string> MonthTables() const {
    std::map<std::string, std::string> out;
    for (const fs::directory_entry& e : fs::directory_iterator(data / period)) {
      const std::string ext = Lower(e.path().extension().string());
      if (ext == ".dbf" || ext == ".dbt") out[e.path().filename().string()] = Slurp(e.path().string());
    }
    return out;
  }
  // Files a restore writes beside the tables before they take their places.
  int UnpackedLeftovers() const {
    int n = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(data / period)) n += e.path().extension() == ".odtw";
    return n;
  }

  std::unique_ptr<HurtStation> Start(const std::string& name) { return StartInDowody(data.str(), work.str(), name); }

  // From Funkcje specjalne back to the Dowody menu (Esc there would end the work).
  void BackToDowody(HurtStation& s) { Step(s, {"Left", "Left"}, kDowody); }
  // The stock and the documents change: an invoice posted.
  void PostInvoice(HurtStation& s, const std::string& quantity) {
    Step(s, {"Home", "Enter"}, "E D Y C J A   D O W O D O W");
    InvoiceForSmakosz(s, quantity);
    Step(s, {"Esc"}, kDowody);
  }
  // Funkcje specjalne, item 2 or 3 (from the Dowody menu).
  void OpenItem(HurtStation& s, int item, std::string_view expect) {
    Step(s, {"Right", "Right"}, kSpecjalne);
    s.Send("Home");
    for (int i = 1; i < item; ++i) s.Send("Down");
    Step(s, {"Enter"}, expect);
  }
  // The backup dialog filled for drive E, folder KOPIA, the current month.
  void FillBackupDialog(HurtStation& s) {
    Step(s, {"text:E", "Enter", "text:KOPIA", "Enter", "Enter", "Enter"}, kPen);
  }
  void Backup(HurtStation& s) {
    OpenItem(s, 2, "SKOPIOWAC DO NAPEDU");
    FillBackupDialog(s);
    StepSeen(s, {"Enter"}, "koniec kopiowania");
    Step(s, {}, kSpecjalne, "koniec kopiowania");
  }
  // The restore dialog filled for the current month's archive on drive E, folder KOPIA,
  // up to the first question.
  void AskRestore(HurtStation& s) {
    OpenItem(s, 3, "ODTWARZAC Z NAPEDU:");
    Step(s, {"Enter", "Enter", "text:E", "Enter", "text:KOPIA", "Enter"}, "CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?");
  }

  TempDir data;
  TempDir work;
  std::string period;
  std::string pen;
  std::string archive_name;
  std::string archive;
};

TEST_F(BackupRoad, TheMonthBackedUpFromTheMenuIsRestoredByteForByte) {
  auto a = Start("a");
  Backup(*a);
  ASSERT_TRUE(fs::exists(archive)) << a->Screen();
  EXPECT_FALSE(fs::exists(archive + ".tmp"));
  const std::map<std::string, std::string> at_backup = MonthTables();
  ASSERT_TRUE(at_backup.count("as.dbf") && at_backup.count("dowod.dbf")) << at_backup.size();
  // The archive holds the month's tables under their folder and passes an independent test.
  const std::string unzip = UnzipProgram();
  ASSERT_FALSE(unzip.empty()) << "the program unzip is missing: run scripts/setup";
  const ProcessResult tested = RunProcess({unzip, "-t", archive});
  EXPECT_EQ(tested.exit_code, 0) << tested.out << tested.err;
  EXPECT_NE(tested.out.find(period + "/as.dbf"), std::string::npos) << tested.out;
  EXPECT_EQ(tested.out.find(".ntx"), std::string::npos) << tested.out;

  // The month goes on: an invoice changes the stock, the documents and the settlements.
  BackToDowody(*a);
  PostInvoice(*a, "2");
  ASSERT_NE(MonthTables(), at_backup);

  AskRestore(*a);
  Step(*a, {"text:T"}, "CZY NA PEWNO ODTWARZAC ?");
  StepSeen(*a, {"text:T"}, archive_name + "-pliki zostały rozpakowane");
  Step(*a, {}, kSpecjalne, "Indeksowanie");
  EXPECT_EQ(MonthTables(), at_backup);
  EXPECT_EQ(UnpackedLeftovers(), 0);
  // The failure log names who restored.
  EXPECT_NE(Slurp(data / "bledy.txt").find("Odtwarzanie zbiorow z PENa - operator"), std::string::npos);
  Leave(*a);
  EXPECT_EQ(MonthTables(), at_backup);
  ExpectVerifyFindsNothing(data.str());
}

TEST_F(BackupRoad, TheWaysOutWriteAndRestoreNothing) {
  auto a = Start("a");
  // Esc in the backup dialog and at the drive.
  OpenItem(*a, 2, "SKOPIOWAC DO NAPEDU");
  Step(*a, {"Esc"}, kSpecjalne, "SKOPIOWAC DO NAPEDU");
  Step(*a, {"Enter"}, "SKOPIOWAC DO NAPEDU");
  FillBackupDialog(*a);
  Step(*a, {"Esc"}, kSpecjalne, kPen);
  EXPECT_FALSE(fs::exists(pen + "/kopia"));
  // A backup to restore from; then the month changes.
  Step(*a, {"Enter"}, "SKOPIOWAC DO NAPEDU");
  FillBackupDialog(*a);
  StepSeen(*a, {"Enter"}, "koniec kopiowania");
  Step(*a, {}, kSpecjalne, "koniec kopiowania");
  const std::map<std::string, std::string> at_backup = MonthTables();
  BackToDowody(*a);
  PostInvoice(*a, "3");
  const std::map<std::string, std::string> now = MonthTables();

  // Esc in the restore dialog, N to each question.
  OpenItem(*a, 3, "ODTWARZAC Z NAPEDU:");
  Step(*a, {"Esc"}, kSpecjalne, "ODTWARZAC");
  BackToDowody(*a);
  AskRestore(*a);
  Step(*a, {"text:N"}, kSpecjalne, "CZY ZROBIONO");
  BackToDowody(*a);
  AskRestore(*a);
  Step(*a, {"text:T"}, "CZY NA PEWNO ODTWARZAC ?");
  Step(*a, {"text:N"}, kSpecjalne, "CZY NA PEWNO");
  EXPECT_EQ(MonthTables(), now);
  EXPECT_EQ(UnpackedLeftovers(), 0);

  // Killed at the last question, when the archive is unpacked beside the tables: every
  // table is as it was.
  BackToDowody(*a);
  AskRestore(*a);
  Step(*a, {"text:T"}, "CZY NA PEWNO ODTWARZAC ?");
  EXPECT_GT(UnpackedLeftovers(), 0);
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(MonthTables(), now);
  // The next station starts on them, and its restore clears what the killed one left.
  auto b = Start("b");
  AskRestore(*b);
  Step(*b, {"text:T"}, "CZY NA PEWNO ODTWARZAC ?");
  StepSeen(*b, {"text:T"}, archive_name + "-pliki zostały rozpakowane");
  Step(*b, {}, kSpecjalne, "Indeksowanie");
  EXPECT_EQ(UnpackedLeftovers(), 0);
  Leave(*b);
  EXPECT_EQ(MonthTables(), at_backup);
  ExpectVerifyFindsNothing(data.str());
}

// A copy of a month that has been closed since: before the last question the restore
// names the month and tells that the month after it was opened from the data it would
// replace; "N" then keeps everything.
TEST_F(BackupRoad, TheRestoreOfAMonthClosedSinceWarns) {
  auto a = Start("a");
  Backup(*a);
  BackToDowody(*a);
  PostInvoice(*a, "3");
  const std::map<std::string, std::string> now = MonthTables();
  // The month after it opened (as a close leaves it: its own article table).
  const std::string later = *maintenance::NextPeriod(period);
  fs::create_directories(data / later);
  fs::copy_file(data / (period + "/as.dbf"), data / (later + "/as.dbf"));

  AskRestore(*a);
  StepSeen(*a, {"text:T"}, "zamkniety juz. Miesiac");
  EXPECT_TRUE(a->LogContains("otwarto z danych, ktore kopia zastapi."));
  Step(*a, {}, "CZY NA PEWNO ODTWARZAC ?");
  Step(*a, {"text:N"}, kSpecjalne, "CZY NA PEWNO");
  EXPECT_EQ(MonthTables(), now);
  EXPECT_EQ(UnpackedLeftovers(), 0);
  BackToDowody(*a);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

TEST_F(BackupRoad, ASecondStationKeepsTheRestoreOut) {
  auto a = Start("a");
  Backup(*a);
  BackToDowody(*a);
  const std::map<std::string, std::string> before = MonthTables();
  auto b = Start("b");
  AskRestore(*a);
  Step(*a, {"text:T"}, "CZY NA PEWNO ODTWARZAC ?");
  StepSeen(*a, {"text:T"}, "Wszyscy musza wyjsc z programu !");
  Step(*a, {}, kSpecjalne, "Wszyscy musza");
  EXPECT_EQ(MonthTables(), before);
  EXPECT_EQ(UnpackedLeftovers(), 0);
  // Once it has left, the restore goes ahead.
  Leave(*b);
  BackToDowody(*a);
  AskRestore(*a);
  Step(*a, {"text:T"}, "CZY NA PEWNO ODTWARZAC ?");
  StepSeen(*a, {"text:T"}, archive_name + "-pliki zostały rozpakowane");
  Step(*a, {}, kSpecjalne, "Indeksowanie");
  Leave(*a);
  EXPECT_EQ(MonthTables(), before);
  ExpectVerifyFindsNothing(data.str());
}

// The backup offered when the work ends (marker VV.XXX asks for it whoever works):
// "N" makes none; "T" writes the month and, with WYR.DBF, the data directory's tables,
// firma among them although the station holds it alone then.
TEST_F(BackupRoad, TheBackupAtTheEndOfTheProgram) {
  std::ofstream(data / "vv.xxx").put('\n');
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), data / "wyr.dbf", {{"NR", 'C', 4, 0}}).ok());
  auto a = Start("a");
  Step(*a, {"Esc"}, "CZY CHCESZ ZAKONCZYC PRACE");
  Step(*a, {"text:T"}, "Zrobic kopie bezpieczenstwa ?");
  StepSeen(*a, {"text:N"}, "Nie zrobiono kopii !!!");
  EXPECT_EQ(a->WaitExit(), 0) << a->Screen();
  EXPECT_FALSE(fs::exists(pen + "/kopia"));

  auto b = Start("b");
  Step(*b, {"Esc"}, "CZY CHCESZ ZAKONCZYC PRACE");
  Step(*b, {"text:T"}, "Zrobic kopie bezpieczenstwa ?");
  Step(*b, {"text:T"}, "SKOPIOWAC DO NAPEDU");
  FillBackupDialog(*b);
  StepSeen(*b, {"Enter"}, "Zrobiono kopie");
  EXPECT_EQ(b->WaitExit(), 0) << b->Screen();
  const std::string mmyy = period.substr(3, 2) + period.substr(0, 2);
  const std::string unzip = UnzipProgram();
  ASSERT_FALSE(unzip.empty()) << "the program unzip is missing: run scripts/setup";
  const ProcessResult month = RunProcess({unzip, "-t", archive});
  EXPECT_EQ(month.exit_code, 0) << month.out << month.err;
  const ProcessResult root = RunProcess({unzip, "-t", pen + "/kopia/vat/vat_rtp" + mmyy + ".zip"});
  EXPECT_EQ(root.exit_code, 0) << root.out << root.err;
  EXPECT_NE(root.out.find("firma.dbf"), std::string::npos) << root.out;
  EXPECT_NE(root.out.find("wyr.dbf"), std::string::npos) << root.out;
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
