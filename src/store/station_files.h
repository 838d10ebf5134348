// The files a running station keeps in the shared rob/ folder, and how another station
// (or the data checker) tells whether that station is still alive.
//
//   rob/st<nn>.lck   the station's life lock: a running station holds an exclusive lock on
//                    its first byte from the moment it has its slot until it ends. The
//                    lock vanishes with the process, so a station killed by a crash or
//                    kill -9 leaves the lock free: a free lock means "nobody works there".
//   rob/post<nn>.jnl the journal of a posting in progress (documents/posting_journal.h)
//   rob/rez<nn>.txt  the station's reservation ledger (documents/reservation_ledger.h)
//
// Whoever takes back what a gone station left (its journal, its reservations) first takes
// that station's life lock itself, so that two stations never take the same things back
// twice, and a new program cannot start in that slot until the work is done.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::store {

// "rob/st07.lck" under the data directory `root` ("" or "." for the current directory).
std::string StationLockPath(std::string_view root, int station);

// Takes the life lock of `station` without waiting. Busy when another program holds it.
// The lock is held as long as the returned file is open.
Result<std::unique_ptr<xbase::File>> TakeStationLock(xbase::Env& env, std::string_view root, int station);

// True when a running program holds the life lock of `station` (probed by taking the lock
// and letting it go at once). A lock held by this same process through another file
// counts as alive.
bool StationAlive(xbase::Env& env, std::string_view root, int station);

// The stations that left a file named <prefix><nn><suffix> in rob/ ("post", ".jnl"), in
// ascending order.
Result<std::vector<int>> StationsWithFile(xbase::Env& env, std::string_view root, std::string_view prefix,
                                          std::string_view suffix);

}  // namespace hurt::store
