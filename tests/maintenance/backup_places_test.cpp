// Where the backups go and what they are called: drive letters as folders by vat.ini,
// the VAT subfolder (none for drive A), the month and dated names.
#include "maintenance/backup_places.h"

#include <gtest/gtest.h>

#include "support/status_assert.h"
#include "xbase/memory_env.h"

namespace hurt::maintenance {
namespace {

class BackupPlacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HURT_ASSERT_OK(env.CreateDirs("/dane"));
    HURT_ASSERT_OK(env.CreateDirs("/media/pen"));
  }
  FakeClock clock{2024, 3, 15};
  xbase::MemoryEnv env{clock};
  session::VatIni ini = session::VatIni::Parse(
      "[KOPIE]\r\nNAPED_E=/media/pen/\r\nnaped_f = /media/brak\r\nNAPED_G=kopie\r\nHASLO=Tajne 1\r\n");
};

TEST_F(BackupPlacesTest, MarchToDriveEInFolderKopiaIsVat0324InItsVatFolder) {
  const BackupMonth march{3, 24};
  EXPECT_EQ(MonthArchiveName(march), "VAT0324.ZIP");
  EXPECT_EQ(ProgramArchiveName(march), "VAT_RTP0324.ZIP");
  const DriveFolder e = FolderOfDrive(env, ini, "/dane", 'E');
  EXPECT_TRUE(e.mapped);
  ASSERT_TRUE(e.ready);
  EXPECT_EQ(e.path, "/media/pen");
  EXPECT_EQ(ArchiveFolder(e.path, 'E', "KOPIA") + "/vat0324.zip", "/media/pen/kopia/vat/vat0324.zip");
  EXPECT_EQ(ArchiveFolderShown('E', "KOPIA") + "\\" + MonthArchiveName(march), "E:\\KOPIA\\VAT\\VAT0324.ZIP");
  EXPECT_EQ(DriveFolderShown('E', "KOPIA"), "E:\\KOPIA");
}

TEST_F(BackupPlacesTest, DriveAHasNoVatFolder) {
  EXPECT_EQ(ArchiveFolder("/dane/naped/a", 'A', ""), "/dane/naped/a");
  EXPECT_EQ(ArchiveFolder("/dane/naped/a", 'A', "KOPIA"), "/dane/naped/a/kopia");
  EXPECT_EQ(ArchiveFolderShown('A', "KOPIA"), "A:\\KOPIA");
  EXPECT_EQ(ArchiveFolderShown('A', ""), "A:");
  EXPECT_EQ(ArchiveFolder("/dane/naped/c", 'C', ""), "/dane/naped/c/vat");
}

TEST_F(BackupPlacesTest, UnmappedLettersAreFoldersOfTheDataDirectoryAndMissingMappedOnesAreNotReady) {
  const DriveFolder d = FolderOfDrive(env, ini, "/dane", 'D');
  EXPECT_FALSE(d.mapped);
  EXPECT_TRUE(d.ready);  // made when first used
  EXPECT_EQ(d.path, "/dane/naped/d");
  // F names a folder that does not exist: a drive with no pen in it.
  const DriveFolder f = FolderOfDrive(env, ini, "/dane", 'F');
  EXPECT_TRUE(f.mapped);
  EXPECT_FALSE(f.ready);
  // A relative folder is inside the data directory.
  HURT_ASSERT_OK(env.CreateDirs("/dane/kopie"));
  EXPECT_EQ(FolderOfDrive(env, ini, "/dane", 'G').path, "/dane/kopie");
  // "." is the data directory, with no VAT folder.
  const DriveFolder here = FolderOfDrive(env, ini, "/dane", kProgramFolderDrive);
  EXPECT_EQ(here.path, "/dane");
  EXPECT_EQ(ArchiveFolder(here.path, kProgramFolderDrive, ""), "/dane");
}

TEST_F(BackupPlacesTest, ThePasswordComesFromTheSettingsOnly) {
  EXPECT_EQ(BackupPassword(ini), "Tajne 1");
  EXPECT_EQ(BackupPassword(session::VatIni::Parse("[KOPIE]\nNAPED_E=/x\n")), "");
  EXPECT_EQ(BackupPassword(session::VatIni()), "");
}

TEST(BackupNames, DatedArchivesCarryTheMonthAndTheMomentOfTheBackup) {
  const BackupMonth march{3, 24};
  const BackupMoment at{{2024, 4, 2}, 7, 5};
  EXPECT_EQ(DatedArchiveName(march, at), "VV240302_0705.ZIP");
  EXPECT_EQ(DatedProgramArchiveName(march, at), "VV_RTP240302_0705.ZIP");
  EXPECT_EQ(DatedArchivePrefix(march), "VV2403");
  EXPECT_EQ(MonthArchiveName({12, 9}), "VAT1209.ZIP");
}

TEST(BackupNames, MonthsAndTypedFieldsAreChecked) {
  EXPECT_EQ(BackupMonth::FromFolder("24/03")->Text(), "03.24");
  EXPECT_EQ(BackupMonth::FromFolder("24/03")->Folder(), "24/03");
  EXPECT_FALSE(BackupMonth::FromFolder("24/13"));
  EXPECT_FALSE(BackupMonth::FromFolder("2403"));
  EXPECT_EQ(DriveLetter(" "), 'C');
  EXPECT_EQ(DriveLetter("e"), 'E');
  EXPECT_EQ(DriveLetter("1"), std::nullopt);
  EXPECT_EQ(BackupSubfolder("KOPIA   "), "KOPIA");
  EXPECT_EQ(BackupSubfolder("        "), "");
  EXPECT_EQ(BackupSubfolder("A\\B"), "A/B");
  for (const char* bad : {"..", "A\\..\\B", "\\ROOT", "C:KOPIA", "A\\\\B"}) EXPECT_EQ(BackupSubfolder(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace hurt::maintenance
