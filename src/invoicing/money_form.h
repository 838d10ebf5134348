// The printout of a money document: a header of warehouse "0" in `dowod` (cash received
// and paid out, transfer orders, bank deposit slips, credit and debit notes, compensations)
// has no lines, only the counterparty, the text and the amount. FAKTURA prints it with
// this form instead of the invoice form:
//
//   [start sequence] letterhead, seller block
//   town, date
//   <title> NR <kind>-<number>                               ORYGINAŁ / KOPIA
//   Kontrahent     :  name lines, postcode town, street, NIP
//   Tytułem        :  ODBIORCA (the document's text)
//   Kwota          :  9999 999.99 zł.  (or the currency code)
//   Słownie        :  the amount in words
//   the signatures of the issuer, the approver and the receiving / paying party
//   [end sequence]
//
// A cancelled document (marker "F<number>.---") prints the cancelled block in place of
// the amount.
#pragma once

#include <string>
#include <string_view>

#include "invoicing/print_data.h"
#include "invoicing/print_form.h"

namespace hurt::invoicing {

// A header of warehouse "0".
bool IsMoneyDocument(const InvoiceHeader& header);

// The title of a money document by its kind: "KASA PRZYJĘŁA" for kinds beginning with
// "KP", "KASA WYDAŁA" for "KW", the names of PP, BDW, NOU, NOO, KO and SAL; any other kind
// its description from `slow` in capitals, or "DOWÓD" without one (code page 852).
std::string MoneyDocumentTitle(const documents::DocKind& kind);

// The whole printout; `data.lines` is not read.
PrintedForm MoneyDocumentForm(const InvoiceData& data);

}  // namespace hurt::invoicing
