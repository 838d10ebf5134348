// Ewidencja KP, KW, PP (F3 of the counterparty books): the money documents of one account
// (cash receipts and payments, transfer orders, bank deposit slips, credit and debit
// notes), as `dowod` keeps them (headers with MAG "0").
//
// The documents are found through the kind-and-number order of `dowod`, one seek per money
// kind, so only the money documents are read, never the goods documents. The grid shows
// kind and number, date, text, the amount in the receipts' or the payments' column and the
// currency, in date order, with the totals below. Enter corrects the document under the
// cursor (the money-document form with its kind, number, date and amount; the amount 0
// deletes it), F5 enters a new one, Esc leaves.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/result.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

struct MoneyEntry {
  std::string rd, nrd;  // RD 3, NRD as stored
  JulianDay data = kEmptyDate;
  std::string tresc, waluta;
  double kwota = 0, kurs = 0;
  bool receipt = false;  // KP, NOU: the counterparty's credit side
};

// The money documents of account kto+odb, in date order (then kind and number).
Result<std::vector<MoneyEntry>> MoneyDocumentsOf(session::Session& s, std::string_view kto, std::string_view odb);

void EwidencjaKpKw(session::Session& s, std::string_view kto, std::string_view odb, std::string_view nazwa);

}  // namespace hurt::settlements
