// The article card a goods receipt opens (AS_EDYCJA): purchase price, purchase VAT and
// the selling prices of level 1, of the lowest level and the agreed price, each with its
// mark-up on the purchase price. One function per field validator (PV_...); each takes
// the card as typed so far, recomputes the dependent values in place and returns what
// the screen has to ask or show as data — the function never draws anything.
#pragma once

#include <string>
#include <vector>

#include "documents/doc_kind.h"
#include "documents/vat_rate.h"

namespace hurt::documents {

struct ReceiptCard {
  double p_ilosc_pz = 0;    // purchase quantity
  double p_cena_pz = 0;     // purchase net price (6 decimals)
  std::string p_vat0_pz;    // purchase VAT rate code
  double p_vat_pz = 0;      // purchase VAT amount
  double p_netto_pz = 0;    // purchase net value
  double p_rabat = 0;       // purchase discount percent (reset after use)
  double p_cena = 0;        // selling net price, level 1
  double p_cena2 = 0;       // selling gross price, level 1
  double p_marza = 0;       // mark-up of level 1
  double p_cenam = 0;       // lowest level: net
  double p_cena2m = 0;      // lowest level: gross
  double p_marzam = 0;      // lowest level: mark-up
  double p_cena_uz = 0;     // agreed price
  double p_marza_uz = 0;    // its mark-up
  std::string podatek0;     // selling rate code
  double l_podatek0 = 0;    // selling rate as a number
  double vat = 0;           // selling VAT of level 1 as shown (unrounded)
  double vat_m = 0;         // selling VAT of the lowest level as shown
};

// Mark-up on the purchase price: NewRound((price − purchase) / (purchase + 0.000001)
// × 100, 1). The 0.000001 keeps a zero purchase price from dividing by zero (the
// mark-up is then price × 100,000,000 %).
double Marza(double cena, double cena_pz);

// Quantities on a receipt: NewRound to 2 decimals, to 3 with J_I3 "3".
double ReceiptQuantity(double ilosc, bool j_i3_three);

// Selling net price typed: VAT = P_CENA × rate / 100, P_CENA2 = NewRound(P_CENA + VAT,
// 2), mark-up recomputed.
void PvCena(ReceiptCard& card);
// Gross price typed: P_CENA = NewRound(P_CENA2 / (1 + rate/100), 2), VAT = P_CENA2 −
// P_CENA, mark-up recomputed.
void PvCena2(ReceiptCard& card);
// Mark-up typed: when it differs from `last_marza` (as text with 4 decimals), P_CENA =
// NewRound(P_CENA_PZ × (1 + P_MARZA/100), 2), then VAT and gross. True when it changed.
bool PvMarza(ReceiptCard& card, double last_marza);

// The same three rules for the lowest level.
void PvCenam(ReceiptCard& card);
void PvCena2m(ReceiptCard& card);
bool PvMarzam(ReceiptCard& card, double last_marzam);

// The agreed price and its mark-up (net only).
void PvCenaUz(ReceiptCard& card);
bool PvMarzaUz(ReceiptCard& card, double last_marza_uz);

// The lowest level kept sane: with no gross price it becomes NewRound(P_CENA_PZ × 1.01,
// 2) (gross and mark-up following); a gross above level 1's is replaced by level 1.
void FixLowestLevel(ReceiptCard& card);

// The purchase VAT the card should carry:
// NewRound(NewRound(P_ILOSC_PZ × P_CENA_PZ, 2) × purchase rate / 100, 2).
double ExpectedPurchaseVat(const ReceiptCard& card);

// Purchase net value typed: with a quantity that is not 0 (as text with 3 decimals)
// P_CENA_PZ = NewRound(P_NETTO_PZ / P_ILOSC_PZ, 6); then P_NETTO_PZ =
// NewRound(P_ILOSC_PZ × P_CENA_PZ, 2) and the mark-ups follow.
void PvNettoPz(ReceiptCard& card);

// The outcome of a purchase VAT typed (PV_VAT_PZ).
struct VatPzCheck {
  enum class Action { kAccept, kAsk, kRefuse };
  Action action = Action::kAccept;
  double expected = 0;    // the VAT to take when the operator answers yes
  std::string question;   // "Zmienic VAT na <expected> ?" (default answer yes)
};
// A VAT other than the expected one (as text with 2 decimals) asks; with a rate of 0
// ("ZW", "NP", " 0") any VAT other than 0 is refused (expected is then 0).
VatPzCheck PvVatPz(const ReceiptCard& card);

// Purchase discount typed: P_CENA_PZ less P_RABAT percent (kept to the 6 decimals of the
// field), purchase VAT and net value recomputed, the discount reset to 0. For kinds in
// purchase prices with no selling price yet the mark-up becomes 0, so the selling price
// is the purchase price; otherwise the mark-ups follow the new purchase price. A
// discount above 100 % (a negative price) is refused: false, nothing changes.
bool PvRabat(ReceiptCard& card, bool kind_in_purchase_prices);

// Currency purchase: P_CENA_PZ = NewRound(currency price × rate, 6); net value and
// mark-ups follow.
void PvDolar(ReceiptCard& card, double currency_price, double kurs);

// What a purchase price is checked against.
struct PurchasePriceContext {
  DocKind kind;
  bool article_exists = false;  // the card was on file before this receipt
  double as_cena_pz = 0;        // the article's last purchase price
  double as_cena_uz = 0;        // the article's agreed price
  bool cena_min_marker = false; // marker CENA.MIN: no agreed-price check
  std::string mag;              // the receipt's warehouse
  std::string j_mag_k;          // warehouses exempt from the price-rise warning
  std::string j_mag_u;
};

struct PriceCheck {
  bool refused = false;
  std::vector<std::string> messages;  // shown in order: the refusal, or the warnings
};
// PV_CENA_PZ: a price above an agreed price CENA_UZ > 0 is refused with "Cena
// uzgodniona=<CENA_UZ>" (not on the opening balance "BO", nor with CENA.MIN); on a
// purchase receipt ("PZ") of an existing article outside J_MAG_K and J_MAG_U a price
// above the last one warns "Wzrost ceny zakupu" and "<old> & <new>  <increase> %",
// increase = (new − old) × 100 / old (no warning when there was no old price). An
// accepted price recomputes the net value and the mark-ups.
PriceCheck PvCenaPz(ReceiptCard& card, const PurchasePriceContext& ctx);

// PV_PODATEK0: the selling rate typed (see NormalizeRateCode); an accepted rate
// recomputes VAT and gross of level 1 and of the lowest level.
RateInput PvPodatek0(ReceiptCard& card, std::string_view typed, bool vat_13_5, bool norwegia);
// PV_VAT0_PZ: the purchase rate typed; an accepted rate recomputes the purchase VAT.
RateInput PvVat0Pz(ReceiptCard& card, std::string_view typed, bool vat_13_5, bool norwegia);

}  // namespace hurt::documents
