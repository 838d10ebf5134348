// The pieces of the start-up build and of the session open: one table at a time.
//
// Internal to INIT_NTX, INIT_DBF and NOWE_DD (init_tables.h); tests use them directly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "store/net_use.h"
#include "store/schema.h"

namespace hurt::session {
class Session;
}

namespace hurt::session {

// What the build works with: the session, its work areas and screen, and where the
// current period is.
struct BuildContext {
  BuildContext(Session& session, store::StoreUi& ui, std::string_view mode = {});

  Session& s;
  store::StoreContext store;
  store::Markers markers;      // asks FILE_X at each use
  std::string root;     // the data directory as paths are written ("." normally)
  std::string period;   // the period folder "yy/mm"
  std::string mode;     // the INIT_NTX mode
  bool reported = false;  // a message about the failure has been shown

  store::PathArgs Args() const;
  // A path of the data directory (relative paths stay relative when root is ".").
  std::string Path(std::string_view relative) const;
  // The path of a catalogue table's file, without extension.
  std::string TableFile(const store::TableDef& table) const;
  // Shows the message (once per failure) and gives the status back. With the table file
  // (".dbf" path) of a damaged table the message goes on to say what is wrong with it
  // (store/table_damage.h).
  Status Fail(const std::string& message, Status status, const std::string& table_file = {});
  // The same with a message of several lines (StoreUi::AlertLines).
  Status FailLines(const std::vector<std::string>& lines, Status status);
};

// Whether the mode of INIT_NTX recomputes the month opening of the articles and zeroes
// the totals of the document headers: the month close ("BEZ_INIT_DBF") and the stock
// correction ("z korekta As", or the session flag KOREKTA__AS), unless marker tylko.fan.
bool ResetsMonth(const BuildContext& b);

// The company table in area 1: left as it is when open there; otherwise created when
// missing and opened exclusively, and given its one record (BMR = this month, FK) when
// empty.
Status EnsureFirma(BuildContext& b);

// firma->BMR as a period folder ("" when it holds no valid period), and writing it.
std::string PeriodFromFirma(BuildContext& b);
Status WriteBmr(BuildContext& b, std::string_view period);

// One table of the start-up build, exclusively: settles an interrupted rebuild, takes a
// copy dropped in NOTE/, creates the table when missing (not the counterparty books,
// which the session open creates, nor the tables whose layout another routine owns),
// rebuilds it when its structure is behind the definition, applies the month reset,
// adds the kinds the options need, and builds every index file in catalogue order.
// The table is closed afterwards.
Status BuildTable(BuildContext& b, const store::TableDef& table);

// The month reset of `as` and `dowod` in their open areas.
Status ResetArticleMonth(BuildContext& b, xbase::WorkArea& as);
Status ResetDocumentTotals(BuildContext& b, xbase::WorkArea& dowod);

// The tables the session keeps open, in area order (firma apart).
const std::vector<store::TableId>& SessionTables();

// Opens one session table shared in its area with its orders (controlling order 1).
// A missing counterparty book is created and indexed first; the working line table is
// made anew when missing or out of date. *needs_build is set (and NotFound returned)
// when the table or one of its index files is missing and only the start-up build can
// make it.
Status OpenSessionTable(BuildContext& b, const store::TableDef& table, bool* needs_build);

// The station's working line table rob/d<nn>, empty, open shared in area 4 with its
// order; the relation to the articles is set when they are open.
Status CreateWorkingLines(BuildContext& b);
Status RelateLinesToArticles(BuildContext& b);

}  // namespace hurt::session
