// kanty.txt: the audit log of what happened to documents outside their normal road
// (dropped or lowered in a correction, repaired by a report), one line per event:
//
//   dd.mm.yyyy hh:mm:ss st.NN op.X RD-NRD text
//
// with the date and time, the station, the operator at work, the kind (trailing blanks
// cut) and number (trimmed) of the document, and what happened to it. The log sits in the
// data directory beside the tables; the supervisor reads it from "Uwagi o pracy
// operatorów".
#pragma once

#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"

namespace hurt::session {

class Session;

// One line of the log (without its CR LF).
std::string AuditLogLine(JulianDay today, std::string_view time, std::string_view station, std::string_view op,
                         std::string_view rd, std::string_view nrd, std::string_view text);

// Appends the line of an event of document rd+nrd at this station, now. The note is made
// beside a change already done: a failure to write it is returned for the caller to tell.
Status AuditLog(Session& s, std::string_view rd, std::string_view nrd, std::string_view text);

}  // namespace hurt::session
