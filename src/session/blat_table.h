// Where the mailer settings table `blat` is kept: C:\BLAT\BLAT.DBF (on this system the
// station's /blat folder) when that file exists, else blat.dbf in the data directory.
// Both the mail sender (viewer, Alt+E) and the settings screen find it here.
#pragma once

#include <string>
#include <string_view>

namespace hurt::session {

class Session;

inline constexpr std::string_view kBlatStationDir = "/blat";
inline constexpr std::string_view kBlatFile = "blat.dbf";

// The existing table, in either case of its name; "" when there is none.
std::string FindBlatTable(Session& session);

}  // namespace hurt::session
