// The missing numbers of the month's sales and purchase documents, printed after the daily
// sales register: for each sales and purchase kind of the dictionary (at most 111), the
// numbers missing between two consecutive issued numbers of that kind.
//
//   <month name> - brakujace numery dow. sprzedazy i dow. zakupu:
//   FV        3 brak numeru
//   FV        4 odb: SMAKOSZ, brutto:  123.00, operator:A, 14.03.2026 09:12 w poprawie lub skasowany
//   Koniec
//
// A number is issued when a live header (dowod) carries it. A number without a live header
// is missing: "brak numeru" when no header has it at all, or the deleted header's
// counterparty, gross (NETTO + VAT), operator and the date and time it was last posted
// (R_DATA, R_CZAS) when the header is there but deleted — a document in correction, or
// one taken back. Numbers before the first or after the last issued number are not
// listed; a number that is not a whole number (a number with a branch symbol) is not
// counted. A gap of more than kLongGap numbers (a number typed wrong) is told in one
// line, "<kind><first>-<last> brak <count> numerow", instead of one line per number.
//
// One walk of dowod in order 1 (kind, number, record) with deleted records visible; the
// only things held are the kinds and the lines of the gap being read.
#pragma once

#include <functional>
#include <string>

#include "base/result.h"

namespace hurt::session {
class Session;
}

namespace hurt::reports {

inline constexpr long kLongGap = 1000;
inline constexpr int kMaxKinds = 111;

// Writes the report line by line to `line`. The month name is the open period's.
Status MissingNumbers(session::Session& s, const std::function<void(const std::string&)>& line);

}  // namespace hurt::reports
