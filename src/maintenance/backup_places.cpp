#include "maintenance/backup_places.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "base/text.h"
#include "store/net_files.h"

namespace hurt::maintenance {

namespace {

std::string TwoDigits(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", ((n % 100) + 100) % 100);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string BackupMonth::Folder() const { return TwoDigits(year) + "/" + TwoDigits(month); }

std::string BackupMonth::Text() const { return TwoDigits(month) + "." + TwoDigits(year); }

std::optional<BackupMonth> BackupMonth::FromFolder(std::string_view hh) {
  if (hh.size() != 5 || hh[2] != '/' || !IsDigit(hh[0]) || !IsDigit(hh[1]) || !IsDigit(hh[3]) || !IsDigit(hh[4])) {
    return std::nullopt;
  }
  BackupMonth m;
  m.year = (hh[0] - '0') * 10 + (hh[1] - '0');
  m.month = (hh[3] - '0') * 10 + (hh[4] - '0');
  if (m.month < 1 || m.month > 12) return std::nullopt;
  return m;
}

std::string MonthArchiveName(const BackupMonth& m) { return "VAT" + TwoDigits(m.month) + TwoDigits(m.year) + ".ZIP"; }

std::string ProgramArchiveName(const BackupMonth& m) {
  return "VAT_RTP" + TwoDigits(m.month) + TwoDigits(m.year) + ".ZIP";
}

std::string DatedArchivePrefix(const BackupMonth& m) { return "VV" + TwoDigits(m.year) + TwoDigits(m.month); }

std::string DatedArchiveName(const BackupMonth& m, const BackupMoment& at) {
  return DatedArchivePrefix(m) + TwoDigits(at.day.day) + "_" + TwoDigits(at.hour) + TwoDigits(at.minute) + ".ZIP";
}

std::string DatedProgramArchiveName(const BackupMonth& m, const BackupMoment& at) {
  return "VV_RTP" + TwoDigits(m.year) + TwoDigits(m.month) + TwoDigits(at.day.day) + "_" + TwoDigits(at.hour) +
         TwoDigits(at.minute) + ".ZIP";
}

std::optional<char> DriveLetter(std::string_view typed) {
  const std::string t = Upper(AllTrim(typed));
  if (t.empty()) return 'C';
  if (t.size() != 1 || kDriveLetters.find(t[0]) == std::string_view::npos) return std::nullopt;
  return t[0];
}

std::optional<std::string> BackupSubfolder(std::string_view typed) {
  std::string t = AllTrim(typed);
  std::replace(t.begin(), t.end(), '\\', '/');
  while (!t.empty() && t.back() == '/') t.pop_back();
  if (t.empty()) return std::string();
  if (t.front() == '/' || t.find(':') != std::string::npos) return std::nullopt;
  size_t from = 0;
  while (from <= t.size()) {
    size_t slash = t.find('/', from);
    if (slash == std::string::npos) slash = t.size();
    const std::string_view part = std::string_view(t).substr(from, slash - from);
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    from = slash + 1;
  }
  return t;
}

DriveFolder FolderOfDrive(xbase::Env& env, const session::VatIni& ini, std::string_view root, char drive) {
  DriveFolder d;
  if (drive == kProgramFolderDrive) {
    d.path = root.empty() ? std::string(".") : std::string(root);
    d.ready = true;
    return d;
  }
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
  const std::string key = "NAPED_" + std::string(1, letter);
  if (ini.Has(kKopieSection, key) && !IsBlank(ini.Value(kKopieSection, key))) {
    d.mapped = true;
    d.path = store::InRoot(root, AllTrim(ini.Value(kKopieSection, key)));
    while (d.path.size() > 1 && d.path.back() == '/') d.path.pop_back();
    d.ready = env.IsDir(d.path);
    if (!d.ready) d.path.clear();
    return d;
  }
  d.path = store::InRoot(root, "naped/" + Lower(std::string(1, letter)));
  d.ready = true;
  return d;
}

std::string ArchiveFolder(std::string_view drive_folder, char drive, std::string_view subfolder) {
  std::string path(drive_folder);
  if (!subfolder.empty()) path += "/" + Lower(subfolder);
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
  if (letter != 'A' && drive != kProgramFolderDrive) path += "/vat";
  return path;
}

std::string DriveFolderShown(char drive, std::string_view subfolder) {
  std::string shown = drive == kProgramFolderDrive ? std::string(".") : std::string(1, drive) + ":";
  std::string sub = Upper(subfolder);
  std::replace(sub.begin(), sub.end(), '/', '\\');
  if (!sub.empty()) shown += "\\" + sub;
  return shown;
}

std::string ArchiveFolderShown(char drive, std::string_view subfolder) {
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
  const bool vat = letter != 'A' && drive != kProgramFolderDrive;
  return DriveFolderShown(drive, subfolder) + (vat ? "\\VAT" : "");
}

std::string BackupPassword(const session::VatIni& ini) { return ini.Value(kKopieSection, kPasswordKey); }

}  // namespace hurt::maintenance
