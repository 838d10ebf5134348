// Small table and file helpers of start-up, sign-off and the rescue run: opening with
// retries, record locks with retries, appending a line to a log file, and copying the
// records of one table into another field by field.
//
// The retry timing is the system's: an open is tried, then retried after a second while
// its seconds last; a record lock is retried every half second. A key pressed during a
// pause shortens it (and is used up), as on the old keyboard.
#pragma once

#include "session/session_fwd.h"

#include <functional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::shell {

using session::Session;

// Opens `dbf_path` in `area` under `alias`, shared or exclusive, trying for `seconds`
// (one try and a one-second pause for 1). Busy when the mode conflicts all that time;
// other errors (a missing or damaged file) are returned at once.
Result<xbase::WorkArea*> OpenWithWait(Session& session, int area, const std::string& dbf_path,
                                      std::string_view alias, bool exclusive, int seconds);

// Locks the current record of `area`, trying for `seconds` (half-second pauses).
bool LockWithWait(Session& session, xbase::WorkArea& area, double seconds);

// Appends `line` and CR LF to a text file, creating it when missing.
Status AppendLine(Session& session, const std::string& path, std::string_view line);

// Copies every live record of `from` to the end of `to`, field by field by name: a field
// of the same type and layout is copied as it is, another of a compatible type through
// its value (a value that does not fit is left blank and counted). Deleted records are
// left out. `progress(done, total)` is called now and then.
struct CopyReport {
  uint32_t copied = 0;
  uint32_t values_lost = 0;
};
Result<CopyReport> CopyRecords(xbase::Table& from, xbase::Table& to,
                               const std::function<void(uint32_t, uint32_t)>& progress = {});

// Copies a file whole (replacing `to`), through a temporary file renamed into place.
Status CopyFileWhole(xbase::Env& env, const std::string& from, const std::string& to);

}  // namespace hurt::shell
