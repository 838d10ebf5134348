// Taking back what stations that are gone left behind: postings they did not finish (their
// journals) and the stock their unfinished documents held back (their reservation
// ledgers). Any station does it as soon as it finds such things of a station whose life
// lock is free (store/station_files.h): at its start, and before a posting takes a number,
// so that a dead station's raised counter is lowered before anyone numbers after it.
//
// One station at a time takes things back (a lock on rob/odzysk.lck), and it holds the
// life lock of each station it takes back, so nothing is ever taken back twice:
//   1. every journal of a gone station is taken back (posting_journal.h) and removed;
//   2. for every article a gone station's ledger names, REZERWA0 becomes the sum of what
//      the ledgers of the stations still alive hold (read under the article's lock), and
//      the gone ledgers are removed.
#pragma once

#include <string>
#include <vector>

#include "base/result.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

struct RecoveryReport {
  int postings = 0;                  // journals taken back
  int ledgers = 0;                   // ledgers taken back
  std::vector<std::string> problems;  // what could not be taken back, one line each
};

// True when a station other than this one that is no longer alive left a journal or a
// ledger in rob/.
bool GoneStationsLeftWork(session::Session& session);

// Takes back what gone stations left. With `own_too` also this station's own slot's files
// (left by an earlier program in the same slot: only at start-up, when this station has
// no document of its own yet).
RecoveryReport TakeBackGoneStations(session::Session& session, store::StoreUi& ui, bool own_too = false);

// Takes back this station's own journal, left by one of its postings that failed and
// could not take itself back. OK when there is none.
Status TakeBackOwnJournal(session::Session& session);

// Sets REZERWA0 of every article to 0 and removes every ledger: the first station of the
// day, when no other station works. Returns the number of articles changed.
Result<int> ClearReservations(session::Session& session, store::StoreUi& ui);

// Start-up, once the tables are open: what gone stations left is taken back (the first
// station also clears every reservation); the operator is told when a posting was taken
// back ("Cofnięto niedokończony zapis dowodu") or when something could not be.
void StartUpRecovery(session::Session& session, bool first_station);

}  // namespace hurt::documents
