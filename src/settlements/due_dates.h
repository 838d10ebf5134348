// DBU_Term (Rozrachunki › Terminarz należności-zobowiązań): the open items of every
// counterparty in the order of their due dates.
//
// The list is the station's work table rob/term<station>.dbf with its index
// rob/term<station>.ntx on DTOS(termin)+kto+odb+STR(fa_rec,9), built in one pass over fa_N
// in its counterparty order (order 2), so the counterparty's record is read once per
// counterparty and nothing is held in memory:
//
//   field    type    meaning
//   TERMIN   D       the due date: TERMIN, or DATA when it is empty
//   KTO      C 1     ledger kind
//   ODB      C 8     counterparty key
//   NODB     C 30    its name (from its book)
//   RD, NRD  C 3, 8  kind and number
//   DATA     D       booking date
//   KWOTA    N 14.2  owed: OBWN − OBMA in złoty (negative: we owe)
//   NARAST   N 15.2  the running total of KWOTA in due-date order
//   FA_REC   N 9     the record of fa_N
//
// Items with nothing owed (a cash sale: OBWN = OBMA) are left out. The filter answers
// are compared with the counterparty's record: the supervisor's code with KOMU, the phone
// prefix with KIER (where KIER is blank, with the start of the number in TEL), the
// one-character field with K_E; an empty answer passes everything,
// and a book without the field (suppliers and employees have no KOMU) passes nothing for
// a filled answer.
//
// The grid (rows 0-21) is read-only: due date, days overdue, kind of ledger, key, name,
// kind and number, owed, running total; rows 22-23 the totals of receivables, payables
// and the balance. Enter opens the counterparty's settlement browse (FaNRozliczanie); the
// list is built again when it comes back. Esc leaves; the work table is removed.
#pragma once

#include <string>

#include "base/result.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

struct DueDateFilter {
  std::string opiekun;  // KOMU ("Kod opiekuna:")
  std::string kier;     // KIER ("Tel. kier.  :")
  std::string k_e;      // K_E (the one-character field)
};

// Builds the work table and its index at `dbf`/`ntx` in work area `area` (left open,
// ordered by the due date). Returns the number of items.
Result<long> BudujTerminarz(session::Session& s, const DueDateFilter& filter, const std::string& dbf,
                            const std::string& ntx, int area);

// The due-date list on screen.
void DbuTerm(session::Session& s, const DueDateFilter& filter);

}  // namespace hurt::settlements
