#include "maintenance/backup_screen.h"

#include "base/cp852.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "console/screen_buffer.h"

namespace hurt::maintenance {

using namespace hurt::literals;

void DrawDialog(console::Console& con, int top, int left, int bottom, int right, std::string_view title) {
  const console::Attr attr = con.theme().MenuColours().standard;
  con.Box(top, left, bottom, right, console::DoubleFrame(), attr, ' ');
  const int width = right - left + 1;
  con.Say(top, left + (width - static_cast<int>(title.size())) / 2, title, attr);
}

bool WaitForPen(console::Console& con, char drive) {
  const console::SavedRegion saved = console::SaveOknoArea(con);
  const console::CursorState cursor = con.cursor();
  const std::string text = std::string("Włóż PENa do komory "_pl) + drive + ", wcisnij ENTER ...";
  console::DrawOknoBox(con, text, con[console::Role::kMessageFrame], con[console::Role::kMessageText]);
  int k = console::key::kNone;
  do {
    k = con.Inkey(0);
    // A wait for ever ends without a key only when the program is being stopped.
  } while (k != console::key::kEnter && k != console::key::kEsc && k != console::key::kNone);
  con.Restore(saved);
  con.SetCursorState(cursor);
  return k == console::key::kEnter;
}

std::string JoinShown(std::string_view folder_shown, std::string_view name) {
  return std::string(folder_shown) + "\\" + std::string(name);
}

void TellBackupFailure(console::Console& con, const std::string& shown, const std::string& entry, const Status& why) {
  std::string cause;
  if (why.IsBusy()) {
    cause = "plik " + entry + " zajety przez inna stacje";
  } else if (why.IsNotFound()) {
    cause = "brak pliku " + entry;
  } else {
    cause = "blad odczytu " + entry + " lub zapisu kopii";
  }
  console::Okno_(con, "Kopia " + shown + " nie zrobiona: " + cause + ". Poprzednia kopia pozostala bez zmian", 5);
}

void TellRestoreFailure(console::Console& con, const std::string& name, const std::string& shown, const Status& why,
                        bool encrypted) {
  console::Okno_(con, name + std::string("-pliki NIE zostały rozpakowane! "_pl) + shown, 3);
  std::string cause;
  switch (why.code()) {
    case StatusCode::kInvalid:
      cause = "Niedozwolona nazwa w archiwum: " + why.message();
      break;
    case StatusCode::kUnsupported:
      cause = "Archiwum z haslem, a hasla nie ustawiono: wpisz HASLO=... w sekcji [KOPIE] pliku vat.ini";
      break;
    case StatusCode::kCorruption:
      cause = encrypted ? "Archiwum uszkodzone albo zle haslo (HASLO w sekcji [KOPIE] pliku vat.ini)"
                        : "Archiwum uszkodzone";
      break;
    case StatusCode::kNotFound:
      cause = "Brak pliku " + name;
      break;
    default:
      cause = "Blad zapisu na dysku - zbiory pozostaja bez zmian";
      break;
  }
  console::Okno_(con, cause, 5);
}

}  // namespace hurt::maintenance
