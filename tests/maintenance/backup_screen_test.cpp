// The backup and restore screens of one station inside the test process: what each
// refusal says and that it leaves everything as it was (no password where one is wanted,
// a month without data, a drive that is not ready, a busy table, several pens, a damaged
// or unsafe or encrypted archive), the dated archives offered newest first, and an earlier
// month restored with its indexes rebuilt.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "console/keys.h"
#include "maintenance/backup.h"
#include "maintenance/zip_archive.h"
#include "session/init_tables.h"
#include "shell/startup_fixture.h"
#include "support/hurt_data.h"
#include "support/station_road.h"
#include "support/status_assert.h"
#include "support/temp_dir.h"
#include "xbase/table.h"

namespace hurt::maintenance {
namespace {

namespace fs = std::filesystem;
namespace key = console::key;

constexpr std::string_view kBackupDialog = "SKOPIOWAC DO NAPEDU";
constexpr std::string_view kRestoreDialog = "ODTWARZAC Z NAPEDU:";
constexpr std::string_view kPen = "Włóż PENa do komory";

class BackupScreens : public testing::DataDirTest {
 protected:
  void SetUp() override {
    testing::MakeCompany(dir.str(), testing::CompanySetup().Bmr("12.26"));
    fs::create_directories(dir.path() / "pen");
    Ini("");
    bool opened = false;
    ASSERT_TRUE(t.Run([&] { opened = session::InitNtx(t.session); }));
    ASSERT_TRUE(opened);
    ASSERT_EQ(t.session.hh(), "26/12");
  }

  // vat.ini: drive E is the folder pen, F a folder that is not there; `more` follows.
  void Ini(const std::string& more) {
    dir.Write("vat.ini", "[KOPIE]\r\nNAPED_E=" + (dir / "pen") + "\r\nNAPED_F=" + (dir / "brak") + "\r\n" + more);
  }
  void Marker(const std::string& name) { dir.Write(name, "\r\n"); }

  // Keys answering what the screen holding `screen` asks, one at each wait there.
  void Type(std::string_view screen, std::string_view text) {
    for (char c : text) t.recorder.When(std::string(screen), static_cast<unsigned char>(c));
  }
  void Press(std::string_view screen, int k) { t.recorder.When(std::string(screen), k); }

  // The backup dialog answered: drive, folder (typed when given), month typed when given.
  void BackupDialog(std::string_view drive, std::string_view folder = "", std::string_view month = "") {
    Type(kBackupDialog, drive);
    Press(kBackupDialog, key::kEnter);
    Type(kBackupDialog, folder);
    Press(kBackupDialog, key::kEnter);
    Type(kBackupDialog, month);
    Press(kBackupDialog, key::kEnter);
    Press(kBackupDialog, key::kEnter);
  }
  bool Arc() {
    bool made = false;
    EXPECT_TRUE(t.Run([&] { made = ArcDbf(t.session, ArcCall::kMenu); }));
    EXPECT_TRUE(t.recorder.AllGatesUsed());
    return made;
  }
  // The restore dialog answered for drive E with no folder (the name as offered).
  void RestoreDialog() {
    Press(kRestoreDialog, key::kEnter);
    Press(kRestoreDialog, key::kEnter);
    Type(kRestoreDialog, "E");
    Press(kRestoreDialog, key::kEnter);
    Press(kRestoreDialog, key::kEnter);
  }
  RestoreEnd Unarc() {
    RestoreEnd end = RestoreEnd::kBack;
    EXPECT_TRUE(t.Run([&] { end = UnarcDbf(t.session); }));
    EXPECT_TRUE(t.recorder.AllGatesUsed());
    return end;
  }
  // An archive in the pen's VAT folder made of {entry, bytes}.
  void Archive(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files,
               const std::string& password = "") {
    fs::create_directories(dir.path() / "pen/vat");
    auto w = ZipWriter::Create(xbase::RealEnv(), dir / ("pen/vat/" + Lower(name)), password);
    HURT_ASSERT_OK(w.status());
    for (const auto& [entry, bytes] : files) {
      HURT_ASSERT_OK((*w)->Add(
          entry, bytes.size(),
          [&bytes](uint64_t offset, size_t n, char* out, size_t* got) {
            *got = std::min(n, bytes.size() - static_cast<size_t>(offset));
            std::copy_n(bytes.data() + offset, *got, out);
            return Status::Ok();
          },
          {2026, 12, 1, 8, 0, 0}));
    }
    HURT_ASSERT_OK((*w)->Finish());
  }
  std::string As() const { return testing::Slurp(dir / "26/12/as.dbf"); }

  shell::TestStation t{dir.str()};
};

TEST_F(BackupScreens, AnEncryptedBackupTakesItsPasswordFromTheSettingsOnly) {
  Marker("ziphaslo.txt");
  BackupDialog("E");
  EXPECT_FALSE(Arc());
  EXPECT_TRUE(t.recorder.Saw("w sekcji [KOPIE] pliku vat.ini"));
  EXPECT_FALSE(t.recorder.Saw(kPen));
  EXPECT_TRUE(fs::is_empty(dir.path() / "pen"));

  Ini("HASLO=Sekret 7\r\n");
  BackupDialog("E");
  Press(kPen, key::kEnter);
  EXPECT_TRUE(Arc());
  EXPECT_TRUE(t.recorder.Saw("koniec kopiowania"));
  auto r = ZipReader::Open(xbase::RealEnv(), dir / "pen/vat/vat1226.zip");
  HURT_ASSERT_OK(r.status());
  EXPECT_TRUE((*r)->AnyEncrypted());
  std::string as;
  for (size_t i = 0; i < (*r)->entries().size(); ++i) {
    if ((*r)->entries()[i].name != "26/12/as.dbf") continue;
    HURT_EXPECT_OK((*r)->Read(i, "Sekret 7", [&as](std::string_view p) {
      as += p;
      return Status::Ok();
    }));
  }
  EXPECT_EQ(as, As());
}

TEST_F(BackupScreens, AMonthWithoutDataOrADriveNotReadyMakesNoBackup) {
  BackupDialog("E", "", "11");
  EXPECT_FALSE(Arc());
  EXPECT_TRUE(t.recorder.Saw("BRAK DANYCH Z 11.26"));
  EXPECT_FALSE(t.recorder.Saw(kPen));
  // Esc at the pen, then F names a folder that is not there.
  BackupDialog("E");
  Press(kPen, key::kEsc);
  EXPECT_FALSE(Arc());
  BackupDialog("F");
  Press(kPen, key::kEnter);
  EXPECT_FALSE(Arc());
  EXPECT_TRUE(t.recorder.Saw("Stacja F nie jest gotowa"));
  EXPECT_TRUE(fs::is_empty(dir.path() / "pen"));
  EXPECT_FALSE(fs::exists(dir.path() / "brak"));
  // D is not named: a folder of the data directory, made for it; A has no VAT folder.
  BackupDialog("D", "KOPIA");
  Press(kPen, key::kEnter);
  EXPECT_TRUE(Arc());
  EXPECT_TRUE(fs::exists(dir.path() / "naped/d/kopia/vat/vat1226.zip"));
  // The folder typed last is offered again.
  BackupDialog("A");
  Press(kPen, key::kEnter);
  EXPECT_TRUE(Arc());
  EXPECT_TRUE(fs::exists(dir.path() / "naped/a/kopia/vat1226.zip"));
}

TEST_F(BackupScreens, ATableAnotherStationHoldsLeavesTheOldArchive) {
  BackupDialog("E");
  Press(kPen, key::kEnter);
  ASSERT_TRUE(Arc());
  const std::string old = testing::Slurp(dir / "pen/vat/vat1226.zip");
  auto other = xbase::Table::Open(xbase::RealEnv(), dir / "26/12/dowod.dbf");
  HURT_ASSERT_OK(other.status());
  HURT_ASSERT_OK((*other)->LockFile());
  BackupDialog("E");
  Press(kPen, key::kEnter);
  EXPECT_FALSE(Arc());
  EXPECT_TRUE(t.recorder.Saw("26/12/dowod.dbf zajety przez inna stacje"));
  EXPECT_EQ(testing::Slurp(dir / "pen/vat/vat1226.zip"), old);
  EXPECT_FALSE(fs::exists(dir.path() / "pen/vat/vat1226.zip.tmp"));
}

TEST_F(BackupScreens, TheRestoreRefusesWhatItCannotDoWholeAndChangesNothing) {
  const std::string as = As();
  // In an archive month.
  t.session.set_hh_arc("26/11");
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_TRUE(t.recorder.Saw("Praca w archiwum - blokada"));
  t.session.set_hh_arc("");
  // Several pens.
  Press(kRestoreDialog, key::kEnter);
  Type(kRestoreDialog, "T");
  Press(kRestoreDialog, key::kEnter);
  Press(kRestoreDialog, key::kEsc);
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_TRUE(t.recorder.Saw("Kopia na wielu PENach nie jest obslugiwana"));
  // No archive.
  RestoreDialog();
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_TRUE(t.recorder.Saw("Brak pliku VAT1226.ZIP"));
  // A damaged archive.
  fs::create_directories(dir.path() / "pen/vat");
  dir.Write("pen/vat/vat1226.zip", "PK\x03\x04 to nie jest archiwum");
  RestoreDialog();
  Type("CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?", "T");
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_TRUE(t.recorder.Saw("VAT1226.ZIP-pliki NIE zostały rozpakowane! E:\\VAT\\VAT1226.ZIP"));
  EXPECT_TRUE(t.recorder.Saw("Archiwum uszkodzone"));
  EXPECT_FALSE(t.recorder.Saw("CZY NA PEWNO ODTWARZAC ?"));
  // A name that leaves the data directory.
  Archive("VAT1226.ZIP", {{"26/12/as.dbf", "zle"}, {"../poza.dbf", "zle"}});
  RestoreDialog();
  Type("CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?", "T");
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_TRUE(t.recorder.Saw("Niedozwolona nazwa w archiwum: ../poza.dbf"));
  EXPECT_FALSE(fs::exists(dir.path().parent_path() / "poza.dbf"));
  // An encrypted archive: no password set, a wrong one.
  Archive("VAT1226.ZIP", {{"26/12/as.dbf", "zaszyfrowane"}}, "dobre");
  RestoreDialog();
  Type("CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?", "T");
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_TRUE(t.recorder.Saw("Archiwum z haslem, a hasla nie ustawiono"));
  Ini("HASLO=zle\r\n");
  RestoreDialog();
  Type("CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?", "T");
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_TRUE(t.recorder.Saw("Archiwum uszkodzone albo zle haslo"));
  // The right password, and N to the last question.
  Ini("HASLO=dobre\r\n");
  RestoreDialog();
  Type("CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?", "T");
  Type("CZY NA PEWNO ODTWARZAC ?", "N");
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_EQ(As(), as);
  EXPECT_FALSE(fs::exists(dir.path() / "26/12/as.dbf.odtw"));
}

TEST_F(BackupScreens, TheDatedArchivesOfTheMonthAreOfferedNewestFirst) {
  Marker("vv.txt");
  BackupDialog("E");
  Press(kPen, key::kEnter);
  ASSERT_TRUE(Arc());
  std::vector<std::string> made;
  for (const fs::directory_entry& e : fs::directory_iterator(dir.path() / "pen/vat")) made.push_back(e.path().filename().string());
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].rfind("vv261208_", 0), 0u) << made[0];
  Archive("VV261201_0800.ZIP", {{"26/12/as.dbf", "stare"}});
  Archive("VV261105_1010.ZIP", {{"26/11/as.dbf", "listopad"}});
  Archive("VV_RTP261230_1010.ZIP", {{"firma.dbf", "x"}});
  // The name is not asked: the list is.
  Press(kRestoreDialog, key::kEnter);
  Type(kRestoreDialog, "E");
  Press(kRestoreDialog, key::kEnter);
  Press(kRestoreDialog, key::kEnter);
  Press("Wybierz kopie", key::kEnter);
  Type("CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?", "N");
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  auto list = std::find_if(t.recorder.waits.begin(), t.recorder.waits.end(),
                           [](const std::string& s) { return s.find("Wybierz kopie") != std::string::npos; });
  ASSERT_NE(list, t.recorder.waits.end());
  const size_t newest = list->find(Upper(made[0]));
  const size_t older = list->find("VV261201_0800.ZIP");
  EXPECT_NE(newest, std::string::npos) << *list;
  EXPECT_LT(newest, older) << *list;
  EXPECT_EQ(list->find("VV261105"), std::string::npos) << *list;
  EXPECT_EQ(list->find("VV_RTP"), std::string::npos) << *list;
}

TEST_F(BackupScreens, AnEarlierMonthIsRestoredIntoItsFolderWithItsIndexesRebuilt) {
  testing::MakePeriodTable(dir.str(), "26/11", store::TableId::kAs);
  BackupDialog("E", "", "11");
  Press(kPen, key::kEnter);
  ASSERT_TRUE(Arc());
  const std::string november = testing::Slurp(dir / "26/11/as.dbf");
  fs::remove(dir.path() / "26/11/as.dbf");
  const std::string december = As();
  // The name typed over the one offered (VAT1226).
  Type(kRestoreDialog, "VAT1126");
  Press(kRestoreDialog, key::kEnter);
  Press(kRestoreDialog, key::kEnter);
  Type(kRestoreDialog, "E");
  Press(kRestoreDialog, key::kEnter);
  Press(kRestoreDialog, key::kEnter);
  Type("CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?", "T");
  Type("CZY NA PEWNO ODTWARZAC ?", "T");
  EXPECT_EQ(Unarc(), RestoreEnd::kBack);
  EXPECT_TRUE(t.recorder.Saw("VAT1126.ZIP-pliki zostały rozpakowane"));
  EXPECT_EQ(testing::Slurp(dir / "26/11/as.dbf"), november);
  EXPECT_TRUE(fs::exists(dir.path() / "26/11/as.ntx"));
  // The current month stays what it was, and the session works on it.
  EXPECT_EQ(t.session.hh(), "26/12");
  EXPECT_EQ(As(), december);
  EXPECT_NE(t.session.areas().Find("as"), nullptr);
}

}  // namespace
}  // namespace hurt::maintenance
