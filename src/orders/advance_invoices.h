// Advance invoices of customer orders (fv_zal/dowod).
//
// An invoice of the advance kind (J_FZ, "FZ" by default) is posted like any invoice; in
// the order browser Tab joins one of the customer's advance invoices of the month to the
// order under the cursor: its header is copied into fv_zal/dowod with ZAM_RD, ZAM_NRD and
// ZAM_DATA naming the order and OPERATOR_Z the operator who joined it. An invoice is
// joined once; an order with joined invoices cannot be cancelled.
//
// F5 in the order browser invoices the order: a new document of the advance kind for the
// order's customer with the order's lines (taking their stock as typed lines do) opens in
// the document screen; posted there, it carries the order in its header (ZAM_RD, ZAM_NRD,
// ZAM_DATA, written in the same step as the invoice) and is joined to the order as above.
// Should the joining fail or the station die before it, Tab joins the invoice later.
//
// Faktury zaliczkowe (Dowody menu) lists the joined invoices by date; F8 takes one off its
// order after the question and the supervisor's password (the posted invoice stays).
#pragma once

#include "session/session_fwd.h"
#include "store/net_ui.h"
#include "xbase/work_area.h"

namespace hurt::orders {

// Tab in the order browser: `order` is the current header of fv_zam/dowod, `zal` the
// advance table in order 1.
void JoinAdvance(session::Session& s, store::StoreUi& ui, xbase::WorkArea& order, xbase::WorkArea& zal);

// Copies the current header of `dowod` into `zal` as an advance of `order`. Invalid
// when the invoice is joined already (to this or another order); on any failure nothing
// stays written.
Status CopyAdvance(session::Session& s, store::StoreUi& ui, const xbase::WorkArea& dowod, const xbase::WorkArea& order,
                   xbase::WorkArea& zal);

// F5 in the order browser: `order` the current header of fv_zam/dowod, `lines` fv_zam/dow
// in order 1, `zal` the advance table (null when missing: the invoice is not joined).
void InvoiceOrder(session::Session& s, store::StoreUi& ui, xbase::WorkArea& order, xbase::WorkArea& lines,
                  xbase::WorkArea* zal);

void FakturyZaliczkowe(session::Session& s);

}  // namespace hurt::orders
