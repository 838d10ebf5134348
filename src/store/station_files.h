// The files a running station keeps in the shared rob/ folder, and how another station
// (or the data checker) tells whether that station is still alive.
//
//   rob/st<nn>.lck   the station's life lock: a running station holds an exclusive lock on
//                    its first byte from the moment it has its slot until it ends. The
//                    lock vanishes with the process, so a station killed by a crash or
//                    kill -9 leaves the lock free: a free lock means "nobody works there".
//                    The second byte is locked by a station taking back what a gone one
//                    left, before it takes the first: a held first byte with a held
//                    second one means "being taken back", not "working".
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

// Takes a gone station's lock file to take back what it left: the mark of taking back
// (byte 1), then its life lock (byte 0), both without waiting. Busy when the station is
// alive or another station is taking it back. Held as long as the returned file is open.
Result<std::unique_ptr<xbase::File>> TakeGoneStation(xbase::Env& env, std::string_view root, int station);

// The life lock of the station a program starts as: waits a few seconds for the probes of
// other stations and for one taking back what an earlier program of the slot left, but
// not for a running program (Busy then).
Result<std::unique_ptr<xbase::File>> TakeOwnStationLock(xbase::Env& env, std::string_view root, int station);

// True when a running program holds the life lock of `station` and nobody is taking the
// station back (probed by shared locks let go at once). A lock held by this same process
// through another file counts as alive.
bool StationAlive(xbase::Env& env, std::string_view root, int station);

// The stations that left a file named <prefix><nn><suffix> in rob/ ("post", ".jnl"), in
// ascending order.
Result<std::vector<int>> StationsWithFile(xbase::Env& env, std::string_view root, std::string_view prefix,
                                          std::string_view suffix);

}  // namespace hurt::store
