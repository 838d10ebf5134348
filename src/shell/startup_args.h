// The one optional start-up argument of the program and what it switches on.
//
// The argument is kept as WWW (an argument beginning with "cd" in any case becomes "CD").
// Every test is a prefix test, as the argument was always compared:
//
//   install…   the installation-settings screen runs first (any case)
//   999…       rescue run: every table of the period is rebuilt before the tables open
//   CD…        no index rebuild at start, even for the first station
//   3…         table structures upgraded and every index rebuilt
//   888…       every index rebuilt
//   mm.yy      work in that period (when its folder holds as.dbf)
//   1…         the main menu opens on item 4, RAPORTY (also a period beginning with 1)
//   2…         the main menu opens on item 5, FUNKCJE SPECJALNE
//   KIEROWCA…  driver mode, when the marker KIEROWCA.TXT exists (upper-cased test)
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hurt::shell {

// Main-menu items the start can choose.
inline constexpr int kMenuDowody = 3;
inline constexpr int kMenuRaporty = 4;
inline constexpr int kMenuSpecjalne = 5;

struct StartArgs {
  std::string www;      // WWW: the argument as held ("" when none)
  bool install = false;
  bool rescue = false;  // "999"
  bool cd = false;      // no index rebuild
  bool upgrade = false; // "3": structures upgraded, indexes rebuilt
  bool reindex = false; // "888"
  bool driver = false;  // "KIEROWCA…"
  bool driver_epson = false;  // "KIEROWCA_EPSON…"
  std::string period;   // "mm.yy" when the argument is a period, else ""
  int first_menu_item = kMenuDowody;

  bool given() const { return !www.empty(); }
};

StartArgs ParseStartArgs(std::string_view argument);

// The command line as the program takes it: one optional start-up argument, or one of
// the options --help (-h) and --version (-V). Anything else (an unknown option, a second
// argument) is refused before anything is touched.
struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kRefuse };
  Action action = Action::kRun;
  std::string argument;  // kRun: the start-up argument ("" when none)
  std::string problem;   // kRefuse: what is wrong (Polish)
};
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text of --help (UTF-8).
std::string UsageText();

// A period "mm.yy": five characters, two digits, a point, two digits, month 01..12.
// Only digits are taken, so an entry can never name a folder outside the data directory.
bool IsPeriodText(std::string_view text);

// The period folder of "mm.yy": "yy/mm".
std::string PeriodFolder(std::string_view mm_yy);

}  // namespace hurt::shell
