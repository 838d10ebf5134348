// ARC_DBF: the backup of one month to a drive (steps in backup.h).
#include "maintenance/backup.h"

#include "base/cp852.h"
#include "base/text.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "maintenance/backup_places.h"
#include "maintenance/backup_sources.h"
#include "maintenance/backup_screen.h"
#include "session/output/vat_ini.h"
#include "session/session.h"
#include "session/store_ui.h"

namespace hurt::maintenance {

using namespace hurt::literals;

namespace {

// The dialog's window.
constexpr int kTop = 8, kLeft = 16, kBottom = 13, kRight = 63;
constexpr int kLabelCol = kLeft + 2;

struct BackupChoice {
  char drive = 'C';
  std::string subfolder;
  BackupMonth month;
};

// Step 2: the dialog; nullopt after Esc.
std::optional<BackupChoice> AskWhatAndWhere(Session& session) {
  console::Console& con = session.con();
  std::string gdzie = PadR(Left(session.settings().Text("J_GDZIE"), 1), 1);
  std::string katalog = PadR(session.settings().Text("J_KATALOG"), 8);
  const BackupMonth current = BackupMonth::FromFolder(session.hh()).value_or(BackupMonth{});
  double mm = current.month;
  double rr = current.year;

  DrawDialog(con, kTop, kLeft, kBottom, kRight, " KOPIA BEZPIECZENSTWA ");
  console::Form form(con);
  form.Say(kTop + 1, kLabelCol, "SKOPIOWAC DO NAPEDU   ");
  form.GetText(kTop + 1, kLabelCol + 22, gdzie, "!").Valid([&con, &gdzie] {
    if (DriveLetter(gdzie)) return true;
    console::Okno_(con, "Podaj litere napedu A..Z", 2);
    return false;
  });
  form.Say(kTop + 2, kLabelCol, "do katalogu:");
  form.GetText(kTop + 2, kLabelCol + 13, katalog, "@!K").Valid([&con, &katalog] {
    if (BackupSubfolder(katalog)) return true;
    console::Okno_(con, "Zla nazwa katalogu", 2);
    return false;
  });
  form.Say(kTop + 3, kLabelCol, "DANE MIESIACA mm.rr ");
  form.GetNumber(kTop + 3, kLabelCol + 20, mm, "99").Valid([&con, &mm] {
    if (mm >= 1 && mm <= 12) return true;
    console::Okno_(con, "Miesiac od 1 do 12", 2);
    return false;
  });
  form.Say(kTop + 3, kLabelCol + 22, ".");
  form.GetNumber(kTop + 3, kLabelCol + 23, rr, "99").Valid([&rr] { return rr >= 0 && rr <= 99; });
  con.ShowCursor(true);
  const console::ReadResult read = form.Read();
  con.ShowCursor(false);
  if (read.escaped) return std::nullopt;

  BackupChoice c;
  c.drive = DriveLetter(gdzie).value_or('C');
  c.subfolder = BackupSubfolder(katalog).value_or("");
  c.month.month = static_cast<int>(mm);
  c.month.year = static_cast<int>(rr);
  (void)session.settings().SetText("J_GDZIE", std::string(1, c.drive));  // widths fixed by the fields
  (void)session.settings().SetText("J_KATALOG", katalog);
  return c;
}

BackupMoment Now(Session& session) {
  BackupMoment at;
  at.day = YmdFromJulian(session.Today());
  const int32_t seconds = session.clock().SecondsOfDay();
  at.hour = seconds / 3600;
  at.minute = seconds / 60 % 60;
  return at;
}

// Steps 3 to 7 for the choice made.
bool MakeBackup(Session& session, const BackupChoice& choice) {
  console::Console& con = session.con();
  if (!session.FileX(choice.month.Folder() + "/as.dbf")) {
    console::Okno_(con, "BRAK DANYCH Z " + choice.month.Text(), 3);
    return false;
  }
  auto ini = session::VatIni::Load(session.env(), session.root());
  if (!ini.ok()) {
    console::Okno_(con, "Blad pliku vat.ini - kopia nie zrobiona", 3);
    return false;
  }
  std::string password;
  if (session.FileX("ZIPHASLO.TXT")) {
    password = BackupPassword(*ini);
    if (password.empty()) {
      console::Okno_(con, "Kopie maja byc z haslem (ZIPHASLO.TXT), a hasla nie ustawiono: wpisz HASLO=... "
                          "w sekcji [KOPIE] pliku vat.ini",
                     5);
      return false;
    }
  }
  if (!WaitForPen(con, choice.drive)) return false;
  const DriveFolder drive = FolderOfDrive(session.env(), *ini, session.root(), choice.drive);
  if (!drive.ready) {
    console::Okno_(con, "Stacja " + std::string(1, choice.drive) + " nie jest gotowa", 3);
    return false;
  }
  const std::string folder = ArchiveFolder(drive.path, choice.drive, choice.subfolder);
  const std::string shown = ArchiveFolderShown(choice.drive, choice.subfolder);
  if (!session.env().CreateDirs(folder).ok()) {
    console::Okno_(con, "Nie moge zalozyc katalogu " + shown + " - kopia nie zrobiona", 3);
    return false;
  }
  auto plans = PlanBackup(session, choice.month, Now(session));
  if (!plans.ok()) {
    console::Okno_(con, "Nie moge odczytac katalogu danych - kopia nie zrobiona", 3);
    return false;
  }
  session::ConsoleStoreUi ui(con);
  for (const ArchivePlan& plan : *plans) {
    std::string current;
    Status written = WriteArchive(session, ui, plan, folder, password, [&](const std::string& entry) {
      current = entry;
      console::OknoNoWait(con, "Kopiowanie " + plan.name + ": " + entry);
    });
    if (!written.ok()) {
      TellBackupFailure(con, JoinShown(shown, plan.name), current, written);
      return false;
    }
  }
  console::Okno_(con, "koniec kopiowania", 2);
  return true;
}

}  // namespace

bool ArcDbf(Session& session, ArcCall call) {
  console::Console& con = session.con();
  if (call == ArcCall::kAtExit && !console::Okno(con, "Zrobic kopie bezpieczenstwa ?")) return false;
  const console::SavedScreen saved = con.SaveScreen();
  const std::optional<BackupChoice> choice = AskWhatAndWhere(session);
  con.RestoreScreen(saved);
  if (!choice) return false;
  return MakeBackup(session, *choice);
}

}  // namespace hurt::maintenance
