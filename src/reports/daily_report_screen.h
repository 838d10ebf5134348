// RAP_1([kind]): the daily report asked for and shown (daily_report.h).
//
// The request, in a box over the menu:
//   "Data biezaca (dd.mm.rr) :"  the day; today when today is in the month worked in, else
//                                that month's first day; it may not be left empty
//   "Nr operatorow           :"  (plain report only) up to 20 one-character operator
//                                numbers; empty: every operator
// with "Esc - wyjscie" on row 24. Esc prints nothing. A day without documents shows
// "BRAK OPERACJI W DNIU " + the day and prints nothing. Otherwise the report is written to
// the station's print file, rob/wydrukNN.prn, and shown in the viewer (VIEW_DRUK).
#pragma once

#include "reports/daily_report.h"

namespace hurt::session {
class Session;
}

namespace hurt::reports {

// False after Esc, for a day without documents, or when the headers cannot be read.
bool Rap1(session::Session& s, DailyVariant variant = DailyVariant::kPlain);

}  // namespace hurt::reports
