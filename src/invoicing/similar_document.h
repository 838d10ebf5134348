// "Utworzyc podobny dowod ?": a reprinted document used as a pattern for a new one.
//
// Documents whose recipient text begins with "** " are patterns. When FAKTURA reprints one
// from the document browser, the operator is asked whether to make a similar document; on
// yes the printed document is copied into a new document of the same kind, which opens in
// the document editor in entry mode, where it is completed and posted:
//   - header: the kind, the customer with its names, address and tax number, warehouse,
//     payment method and term, currency, rate and discount of the pattern; the issue date
//     of today in the working month (its last or first day outside it); the number
//     proposed as the kind's last number + 1 (posting takes the number for good); no
//     recipient text (the "** " mark stays with the pattern); not printed;
//   - lines: the pattern's lines in their order with new LP "  1".."999", the new kind,
//     number and date, the same articles, names, quantities, prices and rates;
//   - stock: issue lines of kinds that reserve take their reservation as typed lines do,
//     cut to the stock available ("NIE MASZ TAKIEJ ILOSCI ! <code>"), the line's money
//     recomputed for the cut quantity; a line with nothing available is left out.
// Refused while an archive month is open ("Praca w archiwum - blokada").
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "invoicing/invoice_ui.h"
#include "invoicing/print_data.h"

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

// The pattern mark of the recipient text.
bool IsPatternDocument(const InvoiceHeader& header);

struct PodobnyOptions {
  // The document editor; MYDOW when empty.
  std::function<bool(session::Session&)> editor;
};

struct PodobnyResult {
  bool made = false;
  std::string rd, nrd;  // the new document's kind and proposed number
  int lines = 0;        // lines copied
  int cut = 0;          // lines cut (or left out) for want of stock
  bool failed = false;  // a line could not be written: told, nothing kept
};

// Copies `pattern` (as FAKTURA read it) into a new document and opens the editor.
PodobnyResult PodobnyDowod(session::Session& session, InvoiceUi& ui, const InvoiceData& pattern,
                           const PodobnyOptions& options = {});

}  // namespace hurt::invoicing
