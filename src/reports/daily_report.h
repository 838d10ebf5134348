// RAP_1 and DRUK_TAB: the daily report ("RAPORT DZIENNY") - the documents of one day with
// how they were paid: the sales, then (when the day had any) the purchases, then the
// other settlement operations (money documents). The layout is in daily_report_print.h.
//
// The day's headers are read from `dowod` in the order dowod2
// ("DTOS(data)+r_p+s_z+rd+nrd+STR(RECNO(),6)"): one day's documents come together, by
// movement, class and kind. Each section walks them from the first of the day until the
// date changes, so nothing but the current header is held:
//   - a header of an operator not in the list (when one was given) is left out, and so is
//     a kind listed in M_RD_POMIN (",KP,FV," ...);
//   - a header repeating the kind and number of the one before it, outside the warehouses
//     " " and "0" (money documents share numbers across kinds), is a duplicate: the first
//     walk locks it (REC_LOCK, 15 s), deletes it and notes it in kanty.txt with the
//     document's operator (session/audit_log.h); one that cannot be locked, or met while an
//     archive month is viewed, is left as it is. Every walk skips duplicates;
//   - the sales walk prints the class "S" documents and notes whether purchases (class
//     "Z") and money documents (warehouse "0") were met; the purchases and money walks
//     print theirs.
// The report ends with today's date and time when the marker file R_CZAS.TXT exists, then
// 15 empty lines.
//
// The amount paid of a cash document is KWOTA. A goods document paid in cash whose KWOTA
// is 0 was paid whole at issue (the settlements count it so): its gross, less a split
// payment's second amount, is shown as paid.
//
// Variants (the argument of RAP_1):
//   "A"  the daily report of sales agents: the day's sales of each operator (the header's
//        OPERATOR) as a section of its own, then the summary of the agents' totals;
//   "K"  the daily report of sales and costs: the sales without the kinds whose
//        description holds "KOSZTY", then those kinds as a costs section, then purchases
//        and money documents as in the plain report.
#pragma once

#include <string>

#include "base/date.h"
#include "base/result.h"
#include "reports/daily_report_print.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session
namespace hurt::xbase {
class WorkArea;
}

namespace hurt::reports {

enum class DailyVariant { kPlain, kAgents, kCosts };

struct DailyRequest {
  JulianDay day = kEmptyDate;
  std::string operators = "";  // one-character operator numbers; "" for all
  DailyVariant variant = DailyVariant::kPlain;
};

// What the report did besides printing.
struct DailyOutcome {
  int duplicates_deleted = 0;
  int duplicates_left = 0;   // could not be locked, or an archive month is viewed
  int notes_not_written = 0; // deleted, but kanty.txt could not take the note
};

// The seconds a duplicate header is waited for (REC_LOCK(15)).
constexpr double kDuplicateLockSeconds = 15;

// True when some (not deleted) header of `dowod` is dated `day`.
Result<bool> DayHasDocuments(xbase::WorkArea& dowod, JulianDay day);

// DRUK_TAB: the report of request.day from the headers in `dowod` (the session's table, or
// one like it) into `out`. The order, record and deleted switch of `dowod` are put back.
// A failure to read the table comes back as the status (what was printed stays).
Result<DailyOutcome> DrukTab(session::Session& s, store::StoreUi& ui, xbase::WorkArea& dowod,
                             const DailyRequest& request, session::ReportWriter& out);

// The heading's firm lines, settings and printer as the session has them.
DailyHeading DailyHeadingOf(session::Session& s, const DailyRequest& request);

}  // namespace hurt::reports
