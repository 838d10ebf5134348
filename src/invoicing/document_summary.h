// OTB_DOWODY (Zestawienie dowodow): the posted documents of the month in one list.
//
// The list runs over the headers in `dowod`, by kind and number (order dowod1) or by
// date (dowod2); F3 switches between the two and goes to the first document. Each row
// shows the kind, number, date, counterparty code and name, net, VAT, gross (net + VAT)
// and the payment method, with "*" for an issue note marked for invoicing. Keys:
//   Enter  the document under the cursor opened for display (DBU_DOW with KLUCZ 1)
//   Space  an issue note ("WZ" kinds of class RS, not in an invoice yet) marked or
//          unmarked for "Generowanie FV do WZ" - the mark ZAP chr(251) the issue-note
//          list sets, under the header's record lock; other documents are refused with
//          one line saying why
//   F4     the document's printout as a PDF file, pdf/<kind>_<number>.pdf (FV_DO_PDF,
//          invoice_pdf.h), with the KSeF verification code when it has its FA(3) file
//   F6     filter by kind (a prefix: "F" is every F kind) and by counterparty code;
//          both left empty show every document again
//   F7     the invoice's FA(3) file for KSeF, or its KSeF number
//   F8     the invoice as an EDIFACT INVOIC file (edi_from_document.h)
//   F9     the list as shown (order and filter) printed through the report viewer
//   Esc    back to the menu
// The list keeps no copy of the table: the grid reads only the rows it shows. The order,
// filter and record of `dowod` are put back when the list ends.
#pragma once

#include <string>

namespace hurt::session {
class Session;
}
namespace hurt::xbase {
class WorkArea;
}

namespace hurt::invoicing {

// The row of the list (and of its printout) for the current record of `dowod`.
std::string DocumentSummaryLine(const xbase::WorkArea& dowod);
// The gross value of the current header: net + VAT, rounded to the grosz.
double HeaderGross(const xbase::WorkArea& dowod);

// The refusal when the current header cannot be marked for invoicing; "" when it can.
std::string NoteMarkRefusal(const xbase::WorkArea& dowod);

void ZestawienieDowodow(session::Session& session);

}  // namespace hurt::invoicing
