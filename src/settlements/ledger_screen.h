// FA_N_ROZLICZANIE: the open items of one counterparty and their settlement.
//
// Rows 0-10 are the grid of the counterparty's open items (the columns of the ledger:
// mark, booking date, kind and number, text, warehouse, payment, due date, receivable,
// payable; amounts in the home currency), in date order from the first. Row 11 from column 59
// holds the total debit, a bar and the total credit; row 12 the balance, at column 54 when
// the counterparty owes, at 65 when we owe. Row 23 "Saldo X:" with the marked debit −
// credit; row 24 the keys:
//   Space  marks or unmarks the item under the cursor (X)
//   F10    settles the marked items: equal sides are settled, unequal sides compensated
//          after "Kompensowac ?" (not asked with the marker KOMPENSA.NOT), with the
//          messages of the browse for nothing or one item marked, rates that disagree and
//          sides that are all zero; a record another station holds is named and nothing is
//          changed
//   F3     a menu: a money document (KP/KW/PP/BDW/NOU/NOO; entered on an item of a
//          document it pays that document, whose open amount is proposed), the closing to
//          balance up to a date, the payment demand and the reminder
//   Esc    back
// The items are read again after every operation, so what another station settled
// meanwhile is not shown as open.
#pragma once

#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

// The settlement browse of counterparty kto+odb (the catalogue's name on the title).
void FaNRozliczanie(session::Session& s, std::string_view kto, std::string_view odb, std::string_view nazwa);

}  // namespace hurt::settlements
