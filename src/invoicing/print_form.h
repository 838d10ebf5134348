// FV_FAKTURA: the printed text of an invoice, a correction or a warehouse document.
//
// One call takes everything as plain structs (print_data.h) and returns the bytes to send
// to the printer or to the report file: code page 852 lines ending in CR LF, with the
// printer's control sequences and the overstruck Polish letters of the fixed texts.
//
// Page 1:   [start sequence] letterhead
//           seller block (address, NIP, BDO, KRS)
//           town, date
//           title                     Strona 1          ORYGINAŁ
//           (correction: its own number)
//           buyer block, recipient, bank account
//           date of sale, currency, description lines
//           line table (rule, captions, rule, lines)
//           closing rule, "Razem" and the VAT rows ("W tym"), or the VAT table on the
//           foreign-language form
//           amount in words, or the correction's amounts
//           payment block, fixed texts, signature
//           [end: form feed or blank lines]
//
// Page breaks (classes FV, FK, DU, with J_WW1 > 0 and J_WW2 > 0): a line that would not
// fit on the page with the closing rule under it — J_WW1 lines on page 1, J_WW2 on the
// others — goes to the next page; before the totals the limit is 6 lines lower, so that
// they never start at the foot of a page. A break prints the closing rule, a form feed,
// the letterhead, the town and date line, the title line with the page number, and the
// table head again. A page thus never holds more lines than its limit (the lines of the
// totals and signature on the last page excepted).
//
// The cancelled form (the marker "F<number>.---") stops after the bank account line and
// prints the cancelled block instead; deleting the marker is the caller's.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "documents/vat_reconcile.h"
#include "invoicing/print_blocks.h"
#include "invoicing/print_data.h"

namespace hurt::invoicing {

struct PrintedForm {
  std::string text;   // the printout
  int pages = 1;
  std::string klasa;  // the print class used
  FormLayout form = FormLayout::kNet;
  documents::VatSummary summary;   // the totals as printed
  // The lines after the per-rate VAT reconciliation (PODATEK, and BRUTTO on the net
  // basis, of at most one line per rate changed); the caller writes them back.
  std::vector<InvoiceLine> lines;
  int reconciled_lines = 0;
};

// The print class from the kind's class: "RS" → "FV", "KS" → "FK", "PZ" → "PZ ", any other
// purchase class → "PZ-"; other kinds keep the class asked for.
std::string PrintClassOf(std::string_view klasa, const documents::DocKind& kind);

// The name of the marker file that cancels invoice number `nrd`: "F125.---".
std::string CancelledMarkerName(std::string_view nrd);

// FV_FAKTURA(klasa, mode): `mode` 'B' prints on the gross basis, anything else net.
PrintedForm FvFaktura(std::string_view klasa, char mode, const InvoiceData& data);

}  // namespace hurt::invoicing
