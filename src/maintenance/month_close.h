// M_CLOSE: the month close. The current month's folder stays on disk as it is (an archive
// month from then on) and the next month's folder receives what must continue: the
// article cards with their stock as the opening, the counterparty books, the open
// settlement items, the document kinds with their counters, the cash book, the delivery
// notes not yet invoiced; firma->BMR then names the new month.
//
// Every other station must be out: firma is held exclusively for the whole close.
//
// A close that stops anywhere (power cut, kill) is finished by choosing the close again;
// it ends as an uninterrupted close would. The work goes in phases, each of which either
// leaves the tables in use untouched or can be repeated:
//   1. The delivery notes to carry are copied into the new month's staging folder
//      (<new>/zamkniecie/dowod_wz, dow_wz); "wz.ok" marks the copy complete.
//   2. Those notes are deleted from the old month (each delete can be repeated) and the
//      old month's stock and ledger are reconciled with the documents left (stock
//      correction and ledger rebuild, which give the same result however often they
//      run); "stare.ok" marks it done.
//   3. The new month's tables are built in the staging folder from the old month's
//      (read only, so this phase starts again from nothing when it was cut short);
//      "gotowe.txt" marks them complete and durable.
//   4. Each staged table is renamed into the new folder (a table already there is kept
//      as <name>_ first, for its master data); the last step writes BMR (and the January
//      counter reset) in one record write.
//   5. In the new month: every index rebuilt, the month opening applied, the article
//      copy as_ merged back, the stock reconciled with the month's documents (the carried
//      notes), the ledger rebuilt (merging the counterparty copies back); the copies and
//      the close marker removed.
// The marker zamknij/r<yyyy>m<mm>.txt (a copy of parametr.mem) stands from the start to
// the end; the start-up warns about it.
//
// Where this close differs from the letter of the old one, to keep data:
//   - a new month that already holds documents (a month closed again after going back
//     to it) keeps them: its dow, dowod and fa_nx are kept and the carried notes added;
//     its document counters never go back below the numbers it has used, and its cash
//     book keeps this month's turnover;
//   - the open items brought forward are kept as fa_bo in the new folder, so that a
//     ledger rebuild of the new month (made from its own documents) keeps them;
//   - only the program's own scratch folder temp/ is emptied, never a system folder.
#pragma once

#include <string>
#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::maintenance {

enum class CloseOutcome {
  kClosed,     // the new month is open
  kAbandoned,  // the operator said no; nothing changed
  kBusy,       // another station works: nothing changed
  kFailed,     // told to the operator; the marker stays for a later run
};

// M_CLOSE from the menu, after the warnings for a month not yet ended: the question
// "CZY ZAMKNAC  <month>  ?", then the close (or the rest of an unfinished one). The
// session is open again in the new month on success, in the month it was in otherwise.
CloseOutcome MClose(session::Session& s);

// The old month of an unfinished close whose last phase (in the new month) remains:
// its marker stands and BMR already names the month after it. "" when none.
std::string UnfinishedCloseInto(session::Session& s);

// M_CLOSE_FA_N (marker file tylko.fan, the next month already made): only the settlement
// ledger is carried into the next month, which then opens. The marker file goes.
CloseOutcome MCloseFaN(session::Session& s);

}  // namespace hurt::maintenance
