// The VAT registers of the reports menu: the register of any range and kind
// (REJ_FV_PZ, "REJESTR SPRZEDAZY - ZAKUPOW - KOREKT", in the basic or the extended
// version) and the daily registers of sales (REJE_FV) and purchases (REJE_PZ).
//
// The dialog asks what to leave out (an article index, a word of the article name, an
// article group with the marker GRUPA.REJ), the range within the open period, the kind,
// the warehouses and the counterparty; then, by kind, the currency (export and currency
// sales), the delivery-date choice (sales whose headers carry a delivery date), the basis
// of a purchase register (with the "[PN]" choices where the kind's description has them),
// the summary-only question and a shop's takings. Esc anywhere prints nothing. The
// register goes to the station's print file and the preview under "REJESTR VAT".
#pragma once

#include "reports/vat_register_print.h"

namespace hurt::session {
class Session;
}

namespace hurt::reports {

// Our firm as the headings of the registers and statements print it.
RegisterHeading FirmHeading(session::Session& s);

// version 1: the basic register; 2: the extended one (the counterparty's address too).
void RejFvPz(session::Session& s, int version);
void RejeFv(session::Session& s);
void RejePz(session::Session& s);
// The reverse-charge register: the range register of a purchase kind with the basis
// " Naglowek: ODWROTNE OBCIAZENIE" chosen beforehand (the basis menu is not shown).
void RejestrOdwrotny(session::Session& s);

}  // namespace hurt::reports
