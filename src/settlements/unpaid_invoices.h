// FV_niezaplacone (Rozrachunki › Faktury niezapłacone): the customers' documents that are
// still owed, read from the open items of fa_N.
//
// One pass over fa_N in its counterparty order (order 2) over the customers' items (KTO
// "O"): every item of a document (MAG not "0"), or what a compensation or a closing to
// balance left of documents ("KO ", "SAL", with their text), whose debit is above its credit is listed
// with the customer, the kind and number, the date, the due date, the amount still owed
// and the days past due; each customer's items end with the customer's total, the list
// with the total of all. In currencies (asked "W walutach ?" where the installation keeps
// currencies) the amounts stay in the document's currency with its code; otherwise they
// are in złoty (an item with a rate counts round(amount × rate, 2)).
#pragma once

#include <string_view>

namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session

namespace hurt::settlements {

// Writes the list of ledger `kto` (customers "O" by default), of one counterparty when
// `odb` is given (F10 of the counterparty books: "Druk faktur nierozliczonych"; in the
// suppliers' ledger "D" the documents whose credit is above their debit); false when
// fa_N is not open.
bool WriteUnpaidInvoices(session::Session& s, bool in_currencies, session::ReportWriter& out,
                         std::string_view kto = "O", std::string_view odb = {});

// The list in the report viewer, after the currency question where it applies.
void FvNiezaplacone(session::Session& s, std::string_view kto = "O", std::string_view odb = {});

}  // namespace hurt::settlements
