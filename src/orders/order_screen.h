// ZAMOW_AS: the ordering screen of the article menu.
//
//   book 0   automatic supplier order: supplier, days, index base, then the proposal
//            (order_list.h) in the order grid;
//   book 1   a manual order of a customer ("NAZWA ODBIORCY:"), saved in zamo/;
//   book 2   a manual order to a supplier ("NAZWA DOSTAWCY:"), saved in zamd/.
//
// The order grid (rows 7-22) with the current article above it; its keys:
//   Enter  edit the cell (the index looks the article up, the quantity recomputes the value)
//   Ins    a new row (the index asked at once)
//   F1     the keys of the grid
//   F3     a new price: CENA0, WARTOSC0 = round(ZAMAWIAM x CENA0, 2)
//   F4     the stock list of the supplier's articles
//   F5     the remark, "Drukowac stany zerowe ?", the order numbered (once), printed in
//          the viewer and saved as its order file; then, with a counterparty key, the offer
//          to mail it (order_mail.h)
//   F8     "SKASOWAC WIERSZ ?"
//   Alt+B  the supplier's articles without turnover
//   Alt+F4 the list as an EDIFACT ORDERS message (eo_cfg settings, EO_NRKOM number),
//          written to <folder>/orders<message number>.edi
//   Alt+K  the calculator
//   Esc    "CZY CHCESZ WYJSC ?"
// An archive month refuses it all with "Praca w archiwum - blokada".
#pragma once

#include "session/session_fwd.h"

namespace hurt::orders {

// True when an order list was shown.
bool ZamowAs(session::Session& s, int book);

}  // namespace hurt::orders
