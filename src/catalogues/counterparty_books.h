// DBU_ZO: the counterparty books (customers, suppliers, employees, other settlements and
// the notebook), chosen by K_KONTRAHENCI (1..5).
//
// Rows 0-11 (0-12 with the fields E_MAIL and E_UWAGI, or MIEJSCE2) show the current
// account, the title bar follows, the grid of accounts with their balances fills the rows
// down to 22, row 23 names the settlement keys (not in the notebook) and row 24 is the key
// bar. Keys: F4 edit, F5 append, Alt+F5 append a copy, F6 filter, F7 search, F8 delete
// (only a balanced account without turnover this month), F9 the printed list, typed
// characters and Backspace search by code. F4, F5 and F8 work only in the current month.
// Alt+F7: the tax-number menu (find by number, repeated numbers, bad numbers); Alt+F2: the
// balance confirmation letters and the settlements of one tax number; Alt+F9: envelopes;
// Tab: the lower panel shows the currency balances (when the books keep currencies). The
// F6 form can copy the filtered accounts to a table in the folder "excel".
#pragma once

#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::catalogues {

// DBU_ZO(): false when the operator's refusal tokens deny the book ("Brak praw -R") or the
// book's table is not open; true after Esc.
bool DbuZo(session::Session& s);

// ZLY_NIP(nip [, quiet]): true when the tax number is bad. A wrong length is always bad.
// A wrong check digit is bad when `quiet`; otherwise "ZŁY NIP" is shown and the answer is
// false, so that a field validated with !ZlyNip accepts the number after the warning.
bool ZlyNip(session::Session& s, std::string_view nip, bool quiet = false);

}  // namespace hurt::catalogues
