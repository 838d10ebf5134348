// What the invoicing routines ask of the operator, behind a small interface so that the
// routines run the same on the console and in tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/net_ui.h"

namespace hurt::console {
class Console;
}

namespace hurt::invoicing {

class InvoiceUi {
 public:
  virtual ~InvoiceUi() = default;
  // The screen of the lock and open retries.
  virtual store::StoreUi& store() = 0;
  // _OKNO_(text, seconds): a message; 0 waits for a key.
  virtual void Tell(std::string_view text, int seconds) = 0;
  // The invoice kind to make, `proposed` first ("FV "); nullopt after Esc.
  virtual std::optional<std::string> AskKind(std::string_view proposed) = 0;
  // OKNO(question, default): true for yes. Without a screen to ask on: no.
  virtual bool Ask(std::string_view /*question*/, bool /*default_yes*/) { return false; }
};

// The console's: the message window, and the kind typed in a small box.
class ConsoleInvoiceUi final : public InvoiceUi {
 public:
  ConsoleInvoiceUi(console::Console& con, store::StoreUi& store_ui) : con_(con), store_(store_ui) {}
  store::StoreUi& store() override { return store_; }
  void Tell(std::string_view text, int seconds) override;
  std::optional<std::string> AskKind(std::string_view proposed) override;
  bool Ask(std::string_view question, bool default_yes) override;

 private:
  console::Console& con_;
  store::StoreUi& store_;
};

}  // namespace hurt::invoicing
