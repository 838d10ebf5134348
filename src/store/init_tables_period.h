// Start-up checks around the current period: the warning about a month close that did
// not finish, the search for the latest period that has data, and the clean-up of old
// print files.
#pragma once

#include "store/net_files.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "console/console.h"
#include "store/net_ui.h"
#include "xbase/env.h"

namespace hurt::store {


// The day a file was last written (local time); nullopt when it cannot be told.
std::optional<JulianDay> FileDay(const std::string& path);

// The period folder "yy/mm" of a day, and the firma->BMR text "mm.yy" of a period folder.
std::string PeriodOfDay(JulianDay day);
std::string BmrOfPeriod(std::string_view period);

// The lines "Rok <yyyy>  miesiac <mm>" for the files a month close left in ZAMKNIJ/
// (characters 2-5 and 7-8 of each name), in name order.
std::vector<std::string> UnfinishedCloses(xbase::Env& env, std::string_view root);

// "MASZ ZLE ZAMKNIETY MIESIAC", the lines, and "Zmien biezacy okres i jeszcze raz
// zamknij" in a red-framed window over the message area; waits 10 seconds (a key ends it)
// and puts the screen back.
void WarnUnfinishedClose(console::Console& con, const std::vector<std::string>& lines);

// The period to work in. `period` when it has as.dbf; otherwise today's period when that
// has one; otherwise the latest period before today that has one, searched month by month
// back from today to January and then year by year from December, down to the year 01.
// Shows "szukam danych" and "szukam <yy/mm>/as.dbf" for each candidate while it searches.
// Gives `period` back when no period has data (a new installation starts there).
std::string FindPeriodWithData(xbase::Env& env, std::string_view root, std::string_view period,
                               JulianDay today, StoreUi& ui);

// Erases the files of PRN_W/ whose date (last change, local time) is not `today`.
// Returns how many were erased; files it cannot date are left alone.
Result<int> ErasePrintFilesNotOf(xbase::Env& env, std::string_view root, JulianDay today);

}  // namespace hurt::store
