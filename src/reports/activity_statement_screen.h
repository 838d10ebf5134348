// The monthly activity statement of the reports menu (" Raport z działalności w miesiacu")
// and the monthly VAT report (" Raport VAT"): the dialog, the statement printed to the
// station's print file and its preview, and the statement's rows kept in the station's
// table rob/rap_dz<station> (and, for the whole firm with nothing left out, in the
// month's folder as rap_dz) for whoever reads them later.
#pragma once

#include <string>
#include <vector>

#include "reports/activity_statement.h"

namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session

namespace hurt::reports {

void RaportZDzialalnosci(session::Session& s);
void RaportVat(session::Session& s);

// The printed statement (161 columns).
struct ActivityHeading {
  std::vector<std::string> firm;  // our firm's lines
  std::string title;              // "RAPORT Z DZIAŁALNOSCI ..." or "R A P O R T     V A T"
  JulianDay period_start = kEmptyDate;
};
void PrintActivity(session::ReportWriter& out, const ActivityHeading& heading, const ActivityRequest& request,
                   const ActivityResult& result);

}  // namespace hurt::reports
