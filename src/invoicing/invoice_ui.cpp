#include "invoicing/invoice_ui.h"

#include "base/text.h"
#include "console/console.h"
#include "console/form.h"
#include "console/message_window.h"

namespace hurt::invoicing {

void ConsoleInvoiceUi::Tell(std::string_view text, int seconds) {
  if (seconds == 1) {
    console::Okno_(con_, text);
  } else {
    console::Okno_(con_, text, seconds);
  }
}

bool ConsoleInvoiceUi::Ask(std::string_view question, bool default_yes) {
  return console::Okno(con_, question, default_yes ? "T" : "N");
}

std::optional<std::string> ConsoleInvoiceUi::AskKind(std::string_view proposed) {
  constexpr int kTop = 10, kLeft = 25, kBottom = 12, kRight = 54;
  console::SavedScreen saved = con_.SaveScreen();
  con_.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), con_.colours().standard, ' ');
  std::string rd = PadR(proposed, 3);
  console::Form form(con_);
  form.Say(kTop + 1, kLeft + 2, "Rodzaj faktury :");
  form.GetText(kTop + 1, kLeft + 19, rd, "@!");
  console::ReadResult r = form.Read();
  con_.RestoreScreen(saved);
  if (r.escaped || IsBlank(rd)) return std::nullopt;
  return PadR(rd, 3);
}

}  // namespace hurt::invoicing
