#include "invoicing/document_actions.h"

#include <optional>

#include "invoicing/document_printout.h"
#include "invoicing/invoice_ui.h"
#include "invoicing/similar_document.h"
#include "session/session.h"
#include "session/store_ui.h"

namespace hurt::invoicing {

void InstallDocumentActions(session::Session& session) {
  session.document_actions().print_document = [](session::Session& s,
                                                 xbase::WorkArea& lines) -> std::function<void()> {
    std::optional<InvoiceData> similar;
    // A failed printout has been shown to the operator; the grid goes on.
    if (!DrukDow(s, lines, &similar) || !similar) return {};
    return [&s, pattern = std::move(*similar)] {
      session::ConsoleStoreUi ui(s.con());
      ConsoleInvoiceUi invoice_ui(s.con(), ui);
      // PODOBNY_DOWOD shows its own outcome (lines cut for want of stock, a refusal).
      PodobnyDowod(s, invoice_ui, pattern);
    };
  };
}

}  // namespace hurt::invoicing
