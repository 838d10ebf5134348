// The arithmetic of posting, kept pure so that it can be tested on its own: line numbers
// beyond 999 and the weighted-average cost price of an article.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace hurt::documents {

// The line number that follows `previous` like an odometer over character codes: the
// last character's code goes up by one; past code 255 it restarts at 48 ("0") and the
// character before it goes up, and so on. "999" → "99:", "99\xFF" → "9:0".
std::string NextLineNumber(std::string_view previous);

// The number of the n-th line (1-based) of a posted document: STR(n, 3) for the first 999
// lines, then NextLineNumber of the line before, so "rd+nrd+lp" keeps the line order.
std::string LineNumberFor(int n, std::string_view previous);

// What the weighted-average cost of a receipt line looks at.
struct ReceiptCost {
  double quantity = 0;       // q: the line's quantity
  double stock = 0;          // s: the article's stock before the line
  double cost = 0;           // c: the article's cost price CENA0
  double price = 0;          // p: the line's price (times the rate for currency purchases)
  double line_cost = 0;      // the line's own cost CENA0 (class "X")
  bool class_x = false;      // combined kind of class "X"
  bool zle_uzgo = false;     // setting J_ZLE_UZGO "T"
};

// The article's new cost price after the receipt line:
//   q > 0, s >= 0:        (s·c + q·p) / (s + q)   (class "X": line cost in place of p)
//   q > 0, s < 0 <= s+q:  p                       (negative stock covered at the price)
//   q > 0, s + q < 0:     p with J_ZLE_UZGO, else c
//   q <= 0:               p when s + q = 0 (class "X": c), else c
// Unrounded; the cost field keeps 6 decimals.
double WeightedAverageCost(const ReceiptCost& in);

// The cost price restored when a receipt line is taken back (reopening for correction):
// |(|s|·c − |q|·line_cost) / (|s| − |q|)|, or the line's cost when |s| = |q|.
double ReversedReceiptCost(double stock, double cost, double quantity, double line_cost);

// Batches on the article card (batch option): batch 1 in PARTIA, ILOSC_P, ILOSC_WYD, TPS_P,
// batch n = 2..4 in PARTIAn, ILOSC_Pn, ILOSC_WYDn, TPS_Pn.
inline constexpr int kBatchSlots = 4;
// The field of batch `slot` (1..4): ("ILOSC_WYD", 1) → "ILOSC_WYD", ("ILOSC_WYD", 3) → "ILOSC_WYD3".
std::string BatchField(std::string_view base, int slot);
// The slot (1..4) whose batch number is `partia` (compared trimmed); 0 for a blank number
// or one the card does not carry.
int BatchSlot(const std::array<std::string, kBatchSlots>& numbers, std::string_view partia);

// True when two quantities (3 decimals) are the same.
bool SameQuantity(double a, double b);

}  // namespace hurt::documents
