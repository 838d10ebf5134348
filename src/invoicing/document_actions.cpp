#include "invoicing/document_actions.h"

#include <optional>

#include "invoicing/document_printout.h"
#include "invoicing/invoice_ui.h"
#include "invoicing/ksef_invoice.h"
#include "base/text.h"
#include "console/message_window.h"
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
  // J_KSEF "T": a posted sales invoice or correction of a kind marked KSEF_TN "T" leaves
  // its FA(3) file for the sending tool at once.
  session.document_actions().after_posting = [](session::Session& s, std::string_view rd, std::string_view nrd) {
    if (!s.settings().Yes("J_KSEF") || !KindSendsToKsef(s, rd)) return;
    auto written = ZapiszFa3(s, rd, nrd);
    if (!written.ok()) {
      console::Okno_(s.con(), "Nie zapisano pliku KSeF " + AllTrim(rd) + "-" + AllTrim(nrd) + ": " + written.status().message(), 5);
    }
  };
}

}  // namespace hurt::invoicing
