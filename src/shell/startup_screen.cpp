#include "shell/startup_screen.h"

#include <cstdio>

#include "base/cp852.h"
#include "base/text.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/helpers.h"
#include "session/session.h"
#include "shell/station.h"

namespace hurt::shell {

using namespace literals;

namespace {

console::Attr Colour(std::string_view text) {
  auto a = console::ParseAttr(text);
  return a.ok() ? *a : console::Attr{};
}



}  // namespace

void Banner(Session& session) {
  console::Console& con = session.con();
  con.Clear();
  const console::Attr bright = Colour("W+/N");
  con.Say(2, 10, "    KESTRAL     ", bright);
  con.Say(3, 10, std::string(16, static_cast<char>(0xC4)));
  if (session.clock().SecondsOfDay() % 2 == 0) {
    con.Say(5, 10, "Program handlowo-magazynowy");
    con.Say(6, 10, "Pomoc techniczna u dostawcy programu");
  } else {
    con.Say(5, 10, "Program handlowo-magazynowy dla hurtowni");
    con.Say(6, 10, "Serwis i aktualizacje: dostawca programu");
  }
  con.Refresh();
}

WindowResult PeriodWindow(Session& session, StartArgs& args) {
  console::Console& con = session.con();
  con.ShowCursor(true);
  con.Say(24, 0, "Wybierz miesiac.rok  [mm.rr] : .....");
  int k = con.Inkey(2);
  if (k == console::key::kEsc) {
    console::Okno_(con, "Esc - KONIEC");
    return WindowResult::kQuit;
  }
  if (console::key::IsKey(k, console::key::F(6)) && !session.FileX("F6.TXT")) {
    Ymd today = YmdFromJulian(session.Today());
    char preset[8];
    std::snprintf(preset, sizeof preset, "%02d.%02d", today.month, today.year % 100);
    std::string entry = preset;
    console::Form form(con);
    form.GetText(24, 31, entry, "!!.!!");
    form.Say(24, 40, "Enter");
    console::ReadResult r = form.Read();
    if (!r.escaped) {
      if (IsPeriodText(entry) && session.FileX(PeriodFolder(entry) + "/as.dbf")) {
        args = ParseStartArgs(entry);
      } else {
        ShowWrongPeriod(session, entry);
      }
    }
  }
  con.ClearRegion(24, 0, 24, 79);
  con.ShowCursor(false);
  return WindowResult::kGoOn;
}

}  // namespace hurt::shell
