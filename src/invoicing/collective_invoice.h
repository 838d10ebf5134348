// FAKTURA_ZBIORCZO: one printed invoice form for several documents of the list, without
// making a new document.
//
//   1. The documents: every `dowod` record marked "X" or chr(251) whose warehouse is not
//      "0", in the list's order (the area's controlling order).
//   2. The description: one line per document (collective_description.h), each once.
//   3. The lines, merged by warehouse and article: the first line of an article is taken
//      over (a gross line made net: its value less its VAT); further ones add quantity,
//      VAT and net value. The unit price printed is the merged net value over the merged
//      quantity, so the printed value of the line is the sum of the merged values.
//   4. One net invoice form with the description, customer and kind of the first document.
// The merge is kept in memory: the station's working lines `dd` are not touched.
#pragma once

#include <vector>

#include "base/result.h"
#include "invoicing/print_data.h"
#include "invoicing/print_form.h"

namespace hurt::session {
class Session;
struct ViewerSetup;
}  // namespace hurt::session

namespace hurt::invoicing {

// A line of a source document as step 3 takes it.
struct SourceLine {
  InvoiceLine line;
  char nb = 'N';  // the line's basis
};

// Step 3 over the lines of all documents in order.
std::vector<InvoiceLine> MergeCollectiveLines(const std::vector<SourceLine>& lines);

// Steps 1 to 4 as the printout's data; NotFound ("Nic nie zaznaczono") when nothing is
// marked. `from_report_browser` adds the customer to the description lines.
Result<InvoiceData> CollectiveInvoiceData(session::Session& session, bool from_report_browser);

// The printout into the station's report file and the viewer; a failure is shown.
bool FakturaZbiorczo(session::Session& session, bool from_report_browser = false);
bool FakturaZbiorczo(session::Session& session, bool from_report_browser, const session::ViewerSetup& setup);

}  // namespace hurt::invoicing
