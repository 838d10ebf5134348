// The rescue run (start argument "999") and the rebuild of every table of a folder.
//
// ODSWIEZ rebuilds each table into a new file beside it (<name>_r.dbf, with its memo file)
// and renames the new file over the old one only when it is complete and on disk: the
// original is never erased before its copy is whole, so an interruption leaves every
// table either as it was or rebuilt. A leftover <name>_r.dbf of an interrupted run is
// removed before the table is rebuilt again (names with "_" are never rebuilt themselves).
// Deleted records are left out; the indexes are rebuilt afterwards by the caller.
//
// RATUNEK needs every other station out: it holds firma exclusively for the whole run
// (so that no station can start and open a table being rebuilt), rebuilds the tables of
// the current period and then every index.
#pragma once

#include "session/session_fwd.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace hurt::shell {

using session::Session;

struct OdswiezReport {
  std::vector<std::string> rebuilt;  // table files, relative to the data directory
  std::vector<std::string> failed;   // "<file>: <reason>"
};

// The tables ODSWIEZ takes from a folder's file names: "*.dbf" (any case) except names
// of at most 5 characters, the scratch table xxx.dbf and names with "-" or "_". Sorted.
std::vector<std::string> TablesToRebuild(const std::vector<std::string>& names);

// ODSWIEZ(dir): dir relative to the data directory, "" for the data directory itself.
// Working-line tables d<n>.dbf, and every table under rob/, are made again empty.
OdswiezReport Odswiez(Session& session, std::string_view dir);

// Rebuilds one table (path as on disk) into a new file and renames it into place.
// `empty`: the new table gets no records. `progress(done, total)` for the bar.
Status RebuildTable(Session& session, const std::string& dbf_path, bool empty,
                    const std::function<void(uint32_t, uint32_t)>& progress = {});

// RATUNEK: true to go on with start-up, false to stop (the reason was shown).
bool Ratunek(Session& session);

}  // namespace hurt::shell
