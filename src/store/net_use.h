// Shared table access: opening a table in the current work area and taking record and
// table locks, each retried for a number of seconds (NET_USE, REC_LOCK, FIL_LOCK, ADD_REC).
//
// Every station works on the same files; a lock or an open that another station holds is
// not an error but a reason to wait. The helpers try, pause, and try again with fixed
// timing; what a failure means is the caller's to decide (usually "Plik ... niedostepny"
// for an open, a skipped write for a record lock).
//
// Timing (`wait` in seconds; 0 = without limit, the helper never gives up):
//   NET_USE   try; then, while trying again is allowed: pause 1 s, try. `wait` counts the
//             pauses: NET_USE(wait 1) makes one attempt and pauses 1 s before failing;
//             NET_USE(wait 5) makes five attempts over five seconds.
//   REC_LOCK  try; then while `wait` > 0: try, pause 0.5 s, wait -= 0.5. REC_LOCK(10)
//             makes 21 attempts over 10 s, REC_LOCK(1) three over 1 s.
//   ADD_REC   as REC_LOCK, the attempt being the append of a blank record.
//   FIL_LOCK  try; then while `wait` > 0: pause 0.5 s, try, wait -= 0.5 (the pause comes
//             before each retry: FIL_LOCK(10) makes 21 attempts over 10 s).
// A pause is StoreUi::WaitForKeyOrTimeout: a key ends it early (and is consumed), which
// shortens the wait but still counts as a whole pause. When the StoreUi says after a pause
// that the operator gave up (StoreUi::GaveUp), the helper stops trying and returns Busy.
//
// Only a conflict with another station (Status::Busy) is retried. Any other failure — a
// missing or damaged file, no table in the area, end of file — is returned at once: no
// amount of waiting mends it, and with `wait` 0 the helper would otherwise hang.
//
// Results: OK when done; Busy when the time ran out; the failure itself otherwise. No
// helper shows a message on failure.
//
// One record lock per table: REC_LOCK and ADD_REC first release the other record locks the
// area holds on its table (writing pending changes), so a station never sits on one
// record while it waits for another — two stations waiting without limit for each other's
// record cannot happen.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "store/net_ui.h"
#include "xbase/work_area.h"

namespace hurt::store {

// What the helpers work with: the session's work areas and its screen.
struct StoreContext {
  xbase::WorkAreas& areas;
  StoreUi& ui;
};

// NET_USE(file, alias, exclusive, wait): opens table `file` (path without extension,
// normalised by NormalFileName) in the current work area under `alias` (as the work areas
// choose when empty). An exclusive open of a table whose path does not begin with "rob/"
// or "strukt" shows "Otwieram plik " + path + ".dbf" while it tries; the message area
// (rows 15-20, columns 30-72) is saved before and restored after in every case.
Status NetUse(StoreContext& ctx, std::string_view file, std::string_view alias, bool exclusive, double wait);

// REC_LOCK(wait): locks the current record of the current work area (OK at once when this
// station already holds it or the file lock).
Status RecLock(StoreContext& ctx, double wait);
// FIL_LOCK(wait): locks the whole table of the current work area.
Status FilLock(StoreContext& ctx, double wait);
// ADD_REC(wait): appends a blank record to the table of the current work area; the new
// record is then current and locked.
Status AddRec(StoreContext& ctx, double wait);

// The same on a given area (the copy helpers use them without selecting the area).
Status RecLockArea(StoreUi& ui, xbase::WorkArea& area, double wait);
Status FilLockArea(StoreUi& ui, xbase::WorkArea& area, double wait);
Status AddRecArea(StoreUi& ui, xbase::WorkArea& area, double wait);

// The retry loops themselves, for any attempt: `attempt` returns OK, Busy (retry) or
// another failure (returned at once).
enum class RetryRule {
  kOpen,         // NET_USE: pauses of 1 s, `wait` counts them
  kPauseAfter,   // REC_LOCK, ADD_REC: half-second pauses after each retry
  kPauseBefore,  // FIL_LOCK: half-second pauses before each retry
};
Status Retry(StoreUi& ui, RetryRule rule, double wait, const std::function<Status()>& attempt);

}  // namespace hurt::store
