// AS_EDYCJA: the article card of a goods receipt as a window over the line grid.
//
// The window shows the article and asks, in this order: the purchase quantity, the
// purchase net price (on a currency purchase the price in the currency, PV_DOLAR), the
// purchase discount, the purchase net value, the purchase VAT rate and amount, the
// selling VAT rate, then net, gross and mark-up of level 1, of the lowest level (only
// with J_POZIOM > 1) and the agreed price with its mark-up. Each field's VALID is the
// matching Pv... routine of receipt_card.h; what it recomputes is shown at once, and its
// refusals, warnings and questions go to the message and question windows.
//
// Enter (or Down) goes on, Up goes back a field, Enter on the last field or PgDn accepts;
// Esc leaves the card, and the caller drops everything typed. The window is drawn over
// whatever the screen holds and the screen is put back when it closes.
#pragma once

#include <string>

#include "console/console.h"
#include "documents/receipt_card.h"

namespace hurt::documents {

// The card being edited with what the window needs besides the arithmetic.
struct ReceiptCardEdit {
  ReceiptCard card;
  // The article (code page 852 texts as the table holds them).
  std::string mag, indeks, nazwa, jm;
  std::string ilosc_picture = "999999.99";  // the quantity as the line grid shows it
  bool i3 = false;        // J_I3 "3": receipt quantities to 3 decimals, else 2
  bool levels = false;    // J_POZIOM > 1: the lowest level is shown and edited
  bool vat_13_5 = false;  // marker VAT_13_5.TXT: rate codes of 4 characters
  bool norwegia = false;  // marker NORWEGIA.TXT: 25 % stays
  bool in_purchase_prices = false;  // the kind works in purchase prices (PV_RABAT)
  // A currency purchase: the currency, its rate and the price in the currency, from
  // which the purchase net price follows (PV_DOLAR). Empty currency: a purchase in złoty.
  std::string waluta;
  double kurs = 0;
  double p_dolar = 0;
  // What a typed purchase price is checked against (PV_CENA_PZ). Its agreed price is
  // taken from the card as it stands, so that an agreed price changed on the card counts.
  PurchasePriceContext price_check;

  bool currency() const { return !waluta.empty(); }
};

// Runs the card; true when accepted, false after Esc.
bool AsEdycja(console::Console& con, ReceiptCardEdit& edit);

}  // namespace hurt::documents
