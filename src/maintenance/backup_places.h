// Where the backup archives go, what they are called, and the installation's backup
// settings.
//
// Drives. The operator names a drive by its letter, as on the old workstations; on this
// system each drive is a folder, given by vat.ini in the section [KOPIE]:
//   NAPED_<letter>=<folder>   the drive is that folder (a pen drive's mount point, a
//                             network share). When the folder does not exist the drive is
//                             not ready ("Stacja <letter> nie jest gotowa"), as an empty
//                             drive was.
//   (letter not named)        the folder naped/<letter in lower case> of the data
//                             directory, made when first used.
//   "." (restore only)        the data directory itself.
// The password of encrypted archives (marker ZIPHASLO.TXT) is the key HASLO of the same
// section; the program has none of its own.
//
// Target folder of a backup: <drive>:\[<folder>\]VAT, or for drive A the drive's root or
// folder itself, without VAT. On disk every part is lower case, as all names the program
// makes: E:\KOPIA\VAT\VAT0324.ZIP is <folder of E>/kopia/vat/vat0324.zip.
//
// Names: the month archive VAT<mm><yy>.ZIP, the data-directory archive VAT_RTP<mm><yy>.ZIP;
// in the dated variant (marker VV.TXT) VV<yy><mm><dd>_<hhmm>.ZIP and
// VV_RTP<yy><mm><dd>_<hhmm>.ZIP, where yy and mm are the month backed up and dd, hhmm the
// day and time of the backup; the side archives FV_ZAL.ZIP, FV_ZAM.ZIP, POJEMNIK.ZIP,
// WZOR.ZIP.
#pragma once

#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"
#include "session/output/vat_ini.h"
#include "xbase/env.h"

namespace hurt::maintenance {

inline constexpr std::string_view kKopieSection = "KOPIE";
inline constexpr std::string_view kPasswordKey = "HASLO";
// The letters a backup drive may have (J_GDZIE), as the dialog lists them.
inline constexpr std::string_view kDriveLetters = "ABCDEFGHIJKLMNOPRSTUWZQVXY";
// The data directory as the restore's drive.
inline constexpr char kProgramFolderDrive = '.';

// A month as the backup names it.
struct BackupMonth {
  int month = 1;  // 1..12
  int year = 0;   // two digits, 0..99

  // The period folder "yy/mm".
  std::string Folder() const;
  // "mm.rr" as the messages show it ("03.24").
  std::string Text() const;
  // From a period folder "yy/mm"; nullopt when it is not one.
  static std::optional<BackupMonth> FromFolder(std::string_view hh);
};

// The time a dated archive is named after.
struct BackupMoment {
  Ymd day;
  int hour = 0;
  int minute = 0;
};

std::string MonthArchiveName(const BackupMonth& m);          // VAT0324.ZIP
std::string ProgramArchiveName(const BackupMonth& m);        // VAT_RTP0324.ZIP
std::string DatedArchiveName(const BackupMonth& m, const BackupMoment& at);         // VV240315_0930.ZIP
std::string DatedProgramArchiveName(const BackupMonth& m, const BackupMoment& at);  // VV_RTP240315_0930.ZIP
// The beginning every dated month archive of the month has ("VV2403").
std::string DatedArchivePrefix(const BackupMonth& m);

// A drive letter as typed: upper case; blank means "C". nullopt for anything else.
std::optional<char> DriveLetter(std::string_view typed);

// The folder below the drive (J_KATALOG) as typed: trimmed, "\" made "/". nullopt when it
// holds what a folder name may not (".." parts, a drive, an absolute path).
std::optional<std::string> BackupSubfolder(std::string_view typed);

// Where a drive is, by the rules above.
struct DriveFolder {
  std::string path;      // the folder ("" when the drive is not ready)
  bool mapped = false;   // named in vat.ini
  bool ready = false;    // it exists, or it is the default folder (made on demand)
};
DriveFolder FolderOfDrive(xbase::Env& env, const session::VatIni& ini, std::string_view root, char drive);

// The archive folder below a drive's folder: <drive folder>[/<subfolder>]/vat, without
// "vat" for drive A and for the data directory (".").
std::string ArchiveFolder(std::string_view drive_folder, char drive, std::string_view subfolder);
// The same as the operator reads it: "E:\KOPIA\VAT" ("A:" for drive A with no folder).
std::string ArchiveFolderShown(char drive, std::string_view subfolder);
// The drive's folder without "VAT", as the operator reads it: "E:\KOPIA".
std::string DriveFolderShown(char drive, std::string_view subfolder);

// The password of encrypted archives from vat.ini ([KOPIE] HASLO); "" when none is set.
std::string BackupPassword(const session::VatIni& ini);

}  // namespace hurt::maintenance
