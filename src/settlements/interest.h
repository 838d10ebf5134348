// The statutory interest of late payment, as the payment demand forecasts it.
//
// The rates live in `odsetki.dbf` in the data directory, one record per change of the
// rate (edited by " Parametry odsetek ", ODS_BROWSE):
//
//   field    type   meaning
//   DATA_OD  D      the first day the rate is in force
//   STOPA    N 6.2  the yearly rate in percent
//
// A day's rate is that of the record with the latest DATA_OD not after the day (of two
// records with the same date the later one); before the first record there is none (0 %).
// When the table is missing it is created with the statutory rates of recent years
// (kStatutoryRates), which the operator keeps up to date.
//
// The forecast of one item is simple interest from the day after its due date up to and
// including today, each day at the rate in force that day:
//   sum over the days of  amount × rate / 100 / 365,  rounded once to grosze (NewRound).
// Nothing is owed before the due date has passed, and nothing on an amount not above 0.
#pragma once

#include <span>
#include <vector>

#include "base/date.h"
#include "base/result.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

struct InterestRate {
  JulianDay data_od = kEmptyDate;
  double stopa = 0;  // percent a year
};

// The rates a new odsetki.dbf starts with.
std::vector<InterestRate> StatutoryRates();

// The forecast interest on `amount` due on `termin`, counted to `today` (see above).
// `rates` in any order.
double InterestForecast(double amount, JulianDay termin, JulianDay today, std::span<const InterestRate> rates);

// The path of the rate table in the data directory ("odsetki.dbf", found in either case).
std::string InterestTablePath(session::Session& s);

// Creates odsetki.dbf with the statutory rates when it is missing (written under a
// station's temporary name and renamed into place, so another station never sees it half
// made). Ok when it exists.
Status EnsureInterestTable(session::Session& s);

// The rates of odsetki.dbf (created first when missing). The table is a short list of
// rate changes, read in one pass.
Result<std::vector<InterestRate>> ReadInterestRates(session::Session& s);

}  // namespace hurt::settlements
