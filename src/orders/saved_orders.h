// The browsers of saved orders.
//
// NC_ZAM (Przeglad zamowien): the order files of the side chosen by M_ZO (1 customers,
// zamo/; otherwise suppliers, zamd/), newest number first within a month; Enter shows the
// order's rows in the viewer, F8 deletes an order file after "Skasowac zamowienie <nr> ?",
// F2 turns to the other side's orders.
//
// R_CO_SS (Zamowienia ver. 4): the customer order documents of fv_zam/dowod (kinds "ZAM"
// and "FZ"), with their fulfilment mark:
//   Enter  "Zrealizowane ?": stamps ARC_DATA (today) and ARC_NR (the operator);
//          on a marked order "<operator> odznaczyc realizacje ?" and the supervisor's
//          password remove the mark;
//   F5     invoices the order (advance_invoices.h);
//   Tab    joins an advance invoice of the customer to the order (advance_invoices.h);
//   F8     "Anulowac: <key> <kind><number> ?" and the supervisor's password delete the
//          header and its lines in fv_zam/dow; an order with advance invoices in
//          fv_zal/dowod (joined by ZAM_RD + ZAM_NRD) is refused: "Nic nie zrobie, sa
//          zaliczki"; an order found already gone reports "Dowod anulowany <date>".
// Without the side tables: "Plik fv_zam/dowod niedostepny".
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "session/session_fwd.h"
#include "xbase/work_area.h"

namespace hurt::orders {

void NcZam(session::Session& s);

// Which orders the browser shows: all (Zamowienia ver. 4), the open ones (Dowody ›
// Zamowienia) or the fulfilled ones (Zamowienia - archiwum).
enum class OrderView { kAll, kOpen, kFulfilled };
void RCoSs(session::Session& s, OrderView view = OrderView::kAll);

// Whether advance invoices of fv_zal/dowod (area `zal`, any order) belong to the order
// `odb` + `rd` + `nrd`.
// `zal` needs its orders: the second (odb+zam_rd+zam_nrd) is sought.
bool HasAdvances(xbase::WorkArea& zal, std::string_view odb, std::string_view rd, std::string_view nrd);

// Cancels the order: its lines (fv_zam/dow, `dow`) and header (the current record of
// `dowod`) are deleted, the lines first; every line is locked before any is deleted, so a
// line held elsewhere leaves the order whole (Busy).
Status CancelOrder(xbase::WorkArea& dowod, xbase::WorkArea& dow);

}  // namespace hurt::orders
