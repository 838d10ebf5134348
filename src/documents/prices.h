// Selling prices of a document line: price levels, the list price, the discount or
// mark-up percent in both directions (GET_UPUST), the cost floor and the agreed price.
//
// All money is rounded through NewRound (or plain half-away rounding where a rule says
// "round"); percents are kept to one decimal and must lie in −9.9 … 99.9, the range of
// the line's percent field.
#pragma once

#include <optional>
#include <string>

#include "documents/doc_kind.h"

namespace hurt::documents {

// The price fields of an article card (`as`).
struct ArticlePrices {
  double cena = 0;     // net selling price, level 1
  double cena2 = 0;    // gross selling price, level 1
  double cenam = 0;    // net price of the lowest level
  double cena2m = 0;   // gross price of the lowest level
  double cena0 = 0;    // cost price
  double cena_pz = 0;  // last purchase price
  double cena_uz = 0;  // agreed price
  std::optional<double> cena3;  // optional field: currency price or VAT-margin purchase price
};

struct LevelPrice {
  double netto = 0;
  double brutto = 0;
};

// The level a document prices at: the kind's POZIOM when it lies in 1 … j_poziom, else
// the customer's; never above j_poziom (a level past the lowest would extrapolate
// below the lowest price) and never below 1.
int EffectiveLevel(int kind_poziom, int customer_poziom, int j_poziom);

// Levels are used only with j_poziom > 1, a level above 1 and CENAM > 0.
bool LevelsApply(const ArticlePrices& as, int j_poziom, int level);

// The prices of a level: level 1 is CENA/CENA2, level j_poziom is CENAM/CENA2M, the
// levels between lie on a straight line, each rounded with NewRound to 2 decimals.
// Level 1 prices when levels do not apply.
LevelPrice LevelPriceOf(const ArticlePrices& as, int j_poziom, int level);

// Everything the list price and percent of a line depend on.
struct UpustContext {
  DocKind kind;
  char nb = 'N';         // the document's price basis: 'N', 'B' or ' ' (no basis: net)
  double rate = 0;       // the line's VAT rate in percent
  std::string waluta;    // document currency (blank or "PLN": none)
  double kurs = 0;       // its exchange rate
  int j_poziom = 1;      // number of price levels (J_POZIOM)
  int level = 1;         // the document's level (EffectiveLevel)
  bool rabat_as = false;      // J_RABAT_AS is not "N": percent against the line's catalogue price
  bool upust_off = false;     // J_UPUST is "N": a typed percent does not change the price
  bool price_by_hand = false; // the operator typed the price
  double cena_n = 0;     // the line's catalogue net price (CENA_N)
  double cena_b = 0;     // the line's catalogue gross price (CENA_B)
  double ilosc = 0;      // quantity (P4)
  double cena = 0;       // price (P5)
  std::string indeks;    // article code
  std::string nazwa;     // article name
  std::string j_opa;     // the packaging article (J_OPA)
};

struct ListPrice {
  double l1 = 0;  // net list price
  double l2 = 0;  // gross list price
};

// The list prices of a line, by the first rule that applies last:
//  1. level prices; a sale in a foreign currency (rate neither 0 nor 1) divides the
//     article's CENA/CENA2 by the rate;
//  2. export or currency kinds tagged CENA3: CENA3 (net), its gross on a gross document;
//  3. combined kinds tagged CENA3 with CENA3 > 0: CENA3 is the gross list price and the
//     net is CENA3 / (1 + rate/100);
//  4. with J_RABAT_AS, on sales and "WZ": the typed price when it was typed by hand or
//     the line has no catalogue price, else the line's catalogue prices CENA_N/CENA_B.
ListPrice ListPriceOf(const ArticlePrices& as, const UpustContext& ctx);

// The price the percent is measured against: the net list price for warehouse issues in
// selling prices and for net sales, the gross list price otherwise.
double ReferencePrice(const ListPrice& list, const UpustContext& ctx);

// False where no percent is kept: negative quantities, transfers (except combined),
// receipts, kinds in purchase prices, the packaging article, and sale lines of articles
// whose name starts with ".", "," or "*".
bool KeepsPercent(const UpustContext& ctx);

// True for a percent the line can hold: −9.9 … 99.9.
bool PercentInRange(double percent);

// Percent from price: CUV "U" discount (L − price) / L × 100, "V" mark-up
// (price − L) / L × 100, NewRound to 1 decimal; 0 for L = 0, other kinds, or a result
// outside −9.9 … 99.9.
double PercentFromPrice(double reference, double price, char cuv);

// GET_UPUST: the list prices and the percent of the line's current price.
struct Upust {
  ListPrice list;
  double reference = 0;
  double percent = 0;
};
Upust GetUpust(const ArticlePrices& as, const UpustContext& ctx);

// Price from a typed percent.
struct PercentPrice {
  bool refused = false;   // the percent is outside −9.9 … 99.9: the field is refused
  bool applied = false;   // the price follows the percent
  double cena = 0;        // the new price when applied, else the line's price
};
// "U": NewRound(L × (1 − percent/100), 2); "V": NewRound(L × (1 + percent/100), 2).
// Not applied with J_UPUST "N", for kinds in purchase prices, for a price typed by hand,
// where no percent is kept, or when there is no list price (the price would become 0).
PercentPrice ApplyPercent(const ArticlePrices& as, const UpustContext& ctx, double percent);

// The retail-sale kind's price: NewRound(CENA2 × (1 − J_SD_RABAT/100), 2).
double RetailSalePrice(double cena2, double j_sd_rabat);

// The cost floor of an issue price: the largest of CENA0, CENA_PZ and CENAM, on a gross
// document times 1 + rate/100 rounded to 2.
double PriceFloor(const ArticlePrices& as, double rate, bool gross);

// An agreed price CENA_UZ > 0 is a floor for sales: a lower price is raised to it
// (on a gross document to NewRound(CENA_UZ × (1 + rate/100), 2)).
struct AgreedPrice {
  double cena = 0;
  bool raised = false;
};
AgreedPrice RaiseToAgreedPrice(double cena, const ArticlePrices& as, double rate, bool gross);

}  // namespace hurt::documents
