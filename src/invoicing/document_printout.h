// DRUK_DOW: F5 of the document screen, and what the display mode of that screen reads.
//
// In display (KLUCZ 1) the document shown is a posted one: F5 prints it with FAKTURA from
// `dowod` and `dow` (invoice_printout.h), exactly as a reprint would.
//
// In entry and correction the document is the one under edit: the header variables (M_RD,
// M_NRD, M_DATA, M_ODB, the names, M_SPZ, M_TEZ, ...) and the station's working lines
// `dd`. It prints with the same form into the report file and the viewer:
//   - the lines are taken in the order they were entered; the per-rate VAT reconciliation
//     of the form is written back to the `dd` lines it changed, so that the document
//     posted afterwards has the totals that are on paper;
//   - the number printed is M_NRD; on a new document (KLUCZ 0) JEST_WYDRUK is set: posting
//     then keeps that number (and tells the operator to print again when another station
//     took it meanwhile), and dropping it is logged as printed;
//   - the original/copy mark steps as for any printout of that number;
//   - the marker of a cancelled number ("F125.---") prints the cancelled form, as a
//     reprint does: no totals (nothing goes back to the lines), and the marker goes;
//   - a document without lines prints nothing ("Brak pozycji do druku").
#pragma once

#include <optional>
#include <string_view>

#include "base/result.h"
#include "invoicing/invoice_printout.h"
#include "store/net_ui.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
struct ViewerSetup;
}  // namespace hurt::session

namespace hurt::invoicing {

// The document under edit as a printout (entry and correction), without the viewer.
Result<FakturaResult> DrukujEdytowany(session::Session& session, store::StoreUi& ui, xbase::WorkArea& dd);

// F5 of the line grid: by KLUCZ, the posted document (FAKTURA) or the one under edit, into
// the report file and the viewer. A failure is shown in the message window; false then.
// In display, a pattern document ("** ") also offers a similar new document: on yes its
// data go to *similar (when given), for the caller to open once the display has ended.
bool DrukDow(session::Session& session, xbase::WorkArea& dd, std::optional<InvoiceData>* similar = nullptr);
bool DrukDow(session::Session& session, xbase::WorkArea& dd, const session::ViewerSetup& setup,
             std::optional<InvoiceData>* similar = nullptr);

}  // namespace hurt::invoicing
