#include "shell/startup_screen.h"

#include <cstdio>

#include "base/cp852.h"
#include "base/text.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/okno.h"
#include "shell/helpers.h"
#include "shell/session.h"
#include "shell/station.h"

namespace hurt::shell {

using namespace literals;

namespace {

console::Attr Colour(std::string_view text) {
  auto a = console::ParseAttr(text);
  return a.ok() ? *a : console::Attr{};
}

std::string Field(Session& session, std::string_view name) {
  xbase::WorkArea* firma = session.areas().Area(1);
  if (firma == nullptr) return "";
  auto v = firma->Get(name);
  return v.ok() ? v->AsString() : "";
}

constexpr MainMenuItem kItems[kMainMenuItems] = {
    {4, 1, " MAGAZYN                           ", "ASORTYMENT"},
    {3, 13, " ROZRACHUNKI                ", "KONTRAHENCI"},
    {2, 26, " DOWODY                 ", "DOWODY"},
    {1, 34, " RAPORTY                                  ", "RAPORTY"},
    {0, 43, " FUNKCJE SPECJALNE                   ", "SPECJALNE"},
};

}  // namespace

const MainMenuItem* MainMenuItems() { return kItems; }

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

void SimpleMainScreen(Session& session) {
  console::Console& con = session.con();
  const bool violet = session.FileX("OPAK.XXX") || session.FileX("FIOLET.TXT");
  const bool green = session.FileX("SMALL.TXT") || session.FileX("ZIELONE.TXT");
  const char* back = violet ? "RG/N+" : green ? "G/N+" : "B/N+";
  const console::Attr background = Colour(back);
  con.screen().Fill(0, 0, 23, 79, violet ? 0xB1 : 0xDB, background);
  con.screen().Fill(24, 0, 24, 79, ' ', Colour("W/N"));

  // The computer and, on its screen, the program's title.
  const console::Attr frame = Colour("W/N");
  con.Box(13, 3, 21, 24, console::DoubleFrame(), frame, ' ');
  std::string title = AllTrim(session.settings().Nazwa());
  if (title.empty()) title = " GM + Sprzedaz ";
  con.Say(15, 5, PadC(Left(title, 18), 18), Colour("W+/N"));
  const JulianDay exe = session.vars().Date("D_EXE");
  con.Say(16, 5, PadC(exe == kEmptyDate ? "" : Dtoc(exe), 18), frame);
  con.Say(17, 5, PadC("hurt", 18), frame);

  // The period.
  std::string bmr = Field(session, "BMR");
  std::string period = AllTrim(Miesiac(Substr(bmr, 1, 2), Substr(bmr, 4, 2)));
  if (session.InArchive()) period += " arc";
  con.Say(18, 5, PadC(period, 18), Colour("W+/N"));

  // The company name, unless a second name line is kept.
  std::string second = Field(session, "NODB1");
  std::string name = IsBlank(second) ? AllTrim(Field(session, "NODB")) : "";
  con.Say(23, 0, PadC(Left(name, 32), 32), Colour("N/W"));

  // The key line: the key names stand out.
  const console::Attr keys = Colour("W+/N");
  const console::Attr normal = Colour("W/N");
  std::string arrows = "\x18\x19\x1a\x1b";
  con.Say(24, 0,
          "F1-Pomoc    " + arrows + "-Wybor    Enter-Zatwierdzenie     Alt_K-Kalkulator    Esc-Koniec", keys);
  con.Say(24, 2, "-Pomoc", normal);
  con.Say(24, 16, "-Wybór"_pl, normal);
  con.Say(24, 31, "-Zatwierdzenie", normal);
  con.Say(24, 55, "-Kalkulator", normal);
  con.Say(24, 73, "-Koniec", normal);
}

}  // namespace hurt::shell
