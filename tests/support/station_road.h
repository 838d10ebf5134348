// What the scenario tests through real stations share: the steps of a road typed into a
// HurtStation and checked on its screen, the tables read back afterwards, a record held by
// another process, and the data checker at the end.
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"
#include "support/hurt_station.h"

namespace hurt::testing {

// What the screens of a station show at the steps every road passes: the operator list
// at start, the main menu, and the Dowody menu open.
inline constexpr std::string_view kOperatorList = "Nazwisko imie";
inline constexpr std::string_view kMainMenu = " MAGAZYN ";
inline constexpr std::string_view kDowody = "Zestawienie       WZ";

// Today at 09:00 as "yyyy-mm-dd hh:mm:ss": the stations' clock on a demo company, whose
// period is the real month.
std::string TodayAt9();

// The live records of a table as maps of field name to trimmed UTF-8 text.
std::vector<std::map<std::string, std::string>> Records(const std::string& dbf);

// A whole file's bytes ("" when it cannot be read).
std::string Slurp(const std::string& path);
// A file's bytes once they hold `text` (a failure naming `what` after `timeout_ms`).
std::string WaitForInFile(const std::string& path, std::string_view text, int timeout_ms, std::string_view what);

// Keys, then the screen that must follow them (and must not show `without`). A screen
// that does not come is a failure, and the station is killed so the steps after end at once.
void Step(HurtStation& s, std::initializer_list<std::string_view> keys, std::string_view expect,
          std::string_view without = {});
// Keys, then a message that must have been shown (it may be gone again).
void StepSeen(HurtStation& s, std::initializer_list<std::string_view> keys, std::string_view shown);
// A demo company made in `data_dir` (hurt-demo); its period folder "yy/mm", empty (and a
// failure recorded) when it could not be made.
std::string MakeDemoCompany(const std::string& data_dir);

// A station on a demo company (its clock today at 09:00), the supervisor logged in with
// Enter, the Dowody menu open.
std::unique_ptr<HurtStation> StartInDowody(const std::string& data_dir, const std::string& work_dir,
                                           const std::string& name, StationOptions options = {});
// Esc in the menu and "T" to "CZY CHCESZ ZAKONCZYC PRACE": the station ends with 0.
void Leave(HurtStation& s);

// Record `recno` of `table` (a path under the data directory, without ".dbf") held by
// `hurt-dbf lock` until the returned process ends.
std::unique_ptr<ChildProcess> HoldRecord(const std::string& data_dir, const std::string& table, int recno);

// The Enters from the first field of user-settings page `page` to the field of setting
// `name` (page 1 begins with the title field).
int SettingsFieldPosition(int page, std::string_view name);

// In the document entry screen (Dowody › Edycja): one invoice FV on credit for SMAKOSZ of
// the demo company (it pays by transfer in 14 days, which the screen says twice), one
// line of article 10001 of `quantity`, posted; the next document's header waits.
void InvoiceForSmakosz(HurtStation& s, const std::string& quantity);
// The same for a document of `kind` (three characters, "ZAM" or "FZ " for example).
void DocumentForSmakosz(HurtStation& s, const std::string& kind, const std::string& quantity);

// `hurt-dbf verify` on the data directory finds nothing.
void ExpectVerifyFindsNothing(const std::string& data_dir);

}  // namespace hurt::testing
