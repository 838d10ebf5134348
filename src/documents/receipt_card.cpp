#include "documents/receipt_card.h"

#include <cmath>

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::documents {

namespace {

// A price of up to 6 decimals as the operator reads it: "12.50", "0.0345".
std::string PriceText(double x) {
  std::string s = FormatFixed(x, 6);
  size_t point = s.find('.');
  while (s.size() > point + 3 && s.back() == '0') s.pop_back();
  return s;
}

// Gross from net at the card's rate; `vat` receives the unrounded VAT shown.
double GrossOf(double net, double rate, double& vat) {
  vat = net * rate / 100;
  return NewRound(net + vat, 2);
}

void AfterNetLevel1(ReceiptCard& card) {
  card.p_cena2 = GrossOf(card.p_cena, card.l_podatek0, card.vat);
  card.p_marza = Marza(card.p_cena, card.p_cena_pz);
}

void AfterNetLowest(ReceiptCard& card) {
  card.p_cena2m = GrossOf(card.p_cenam, card.l_podatek0, card.vat_m);
  card.p_marzam = Marza(card.p_cenam, card.p_cena_pz);
}

bool MarkupChanged(double typed, double last) { return FormatFixed(typed, 4) != FormatFixed(last, 4); }

// Every mark-up follows a new purchase price; an empty price has no mark-up.
void RecomputeMarkups(ReceiptCard& card) {
  card.p_marza = card.p_cena != 0 ? Marza(card.p_cena, card.p_cena_pz) : 0;
  card.p_marzam = card.p_cenam != 0 ? Marza(card.p_cenam, card.p_cena_pz) : 0;
  card.p_marza_uz = card.p_cena_uz != 0 ? Marza(card.p_cena_uz, card.p_cena_pz) : 0;
}

void RecomputeNetValue(ReceiptCard& card) { card.p_netto_pz = NewRound(card.p_ilosc_pz * card.p_cena_pz, 2); }

bool InWarehouseList(std::string_view mag, std::string_view list) {
  std::string code = AllTrim(mag);
  return !code.empty() && list.find(code) != std::string_view::npos;
}

}  // namespace

double Marza(double cena, double cena_pz) {
  double base = cena_pz + 0.000001;
  if (base == 0) base = 0.000001;  // a purchase price of exactly −0.000001
  return NewRound((cena - cena_pz) / base * 100, 1);
}

double ReceiptQuantity(double ilosc, bool j_i3_three) { return NewRound(ilosc, j_i3_three ? 3 : 2); }

void PvCena(ReceiptCard& card) { AfterNetLevel1(card); }

void PvCena2(ReceiptCard& card) {
  card.p_cena = NewRound(card.p_cena2 / (1 + card.l_podatek0 / 100), 2);
  card.vat = card.p_cena2 - card.p_cena;
  card.p_marza = Marza(card.p_cena, card.p_cena_pz);
}

bool PvMarza(ReceiptCard& card, double last_marza) {
  if (!MarkupChanged(card.p_marza, last_marza)) return false;
  card.p_cena = NewRound(card.p_cena_pz * (1 + card.p_marza / 100), 2);
  card.p_cena2 = GrossOf(card.p_cena, card.l_podatek0, card.vat);
  return true;
}

void PvCenam(ReceiptCard& card) { AfterNetLowest(card); }

void PvCena2m(ReceiptCard& card) {
  card.p_cenam = NewRound(card.p_cena2m / (1 + card.l_podatek0 / 100), 2);
  card.vat_m = card.p_cena2m - card.p_cenam;
  card.p_marzam = Marza(card.p_cenam, card.p_cena_pz);
}

bool PvMarzam(ReceiptCard& card, double last_marzam) {
  if (!MarkupChanged(card.p_marzam, last_marzam)) return false;
  card.p_cenam = NewRound(card.p_cena_pz * (1 + card.p_marzam / 100), 2);
  card.p_cena2m = GrossOf(card.p_cenam, card.l_podatek0, card.vat_m);
  return true;
}

void PvCenaUz(ReceiptCard& card) { card.p_marza_uz = Marza(card.p_cena_uz, card.p_cena_pz); }

bool PvMarzaUz(ReceiptCard& card, double last_marza_uz) {
  if (!MarkupChanged(card.p_marza_uz, last_marza_uz)) return false;
  card.p_cena_uz = NewRound(card.p_cena_pz * (1 + card.p_marza_uz / 100), 2);
  return true;
}

void FixLowestLevel(ReceiptCard& card) {
  if (SameAmount(card.p_cena2m, 0)) {
    card.p_cenam = NewRound(card.p_cena_pz * 1.01, 2);
    AfterNetLowest(card);
  }
  if (card.p_cena2m > card.p_cena2 && !SameAmount(card.p_cena2m, card.p_cena2)) {
    card.p_cenam = card.p_cena;
    card.p_cena2m = card.p_cena2;
    card.p_marzam = card.p_marza;
    card.vat_m = card.vat;
  }
}

double ExpectedPurchaseVat(const ReceiptCard& card) {
  return NewRound(NewRound(card.p_ilosc_pz * card.p_cena_pz, 2) * RateOfCode(card.p_vat0_pz) / 100, 2);
}

void PvNettoPz(ReceiptCard& card) {
  if (!SameAmount(card.p_ilosc_pz, 0, 3)) card.p_cena_pz = NewRound(card.p_netto_pz / card.p_ilosc_pz, 6);
  RecomputeNetValue(card);
  RecomputeMarkups(card);
}

VatPzCheck PvVatPz(const ReceiptCard& card) {
  VatPzCheck out;
  if (RateOfCode(card.p_vat0_pz) == 0) {
    if (!SameAmount(card.p_vat_pz, 0)) out.action = VatPzCheck::Action::kRefuse;
    return out;
  }
  out.expected = ExpectedPurchaseVat(card);
  if (!SameAmount(card.p_vat_pz, out.expected)) {
    out.action = VatPzCheck::Action::kAsk;
    out.question = "Zmienic VAT na " + FormatFixed(out.expected, 2) + " ?";
  }
  return out;
}

bool PvRabat(ReceiptCard& card, bool kind_in_purchase_prices) {
  if (card.p_rabat > 100) return false;
  card.p_cena_pz = NewRound(card.p_cena_pz - card.p_cena_pz * card.p_rabat / 100, 6);
  card.p_vat_pz = ExpectedPurchaseVat(card);
  card.p_rabat = 0;
  RecomputeNetValue(card);
  if (kind_in_purchase_prices && card.p_cena == 0) {
    card.p_marza = 0;
    card.p_cena = NewRound(card.p_cena_pz, 2);
    card.p_cena2 = GrossOf(card.p_cena, card.l_podatek0, card.vat);
  } else {
    RecomputeMarkups(card);
  }
  return true;
}

void PvDolar(ReceiptCard& card, double currency_price, double kurs) {
  card.p_cena_pz = NewRound(currency_price * kurs, 6);
  RecomputeNetValue(card);
  RecomputeMarkups(card);
}

PriceCheck PvCenaPz(ReceiptCard& card, const PurchasePriceContext& ctx) {
  PriceCheck out;
  double price = card.p_cena_pz;
  if (ctx.as_cena_uz > 0 && !ctx.kind.RdIs("BO") && !ctx.cena_min_marker && price > ctx.as_cena_uz &&
      !SameAmount(price, ctx.as_cena_uz, 6)) {
    out.refused = true;
    out.messages.push_back("Cena uzgodniona=" + FormatFixed(ctx.as_cena_uz, 2));
    return out;
  }
  bool watched = ctx.kind.IsClass("PZ") && ctx.article_exists && !InWarehouseList(ctx.mag, ctx.j_mag_k) &&
                 !InWarehouseList(ctx.mag, ctx.j_mag_u);
  double old = ctx.as_cena_pz;
  if (watched && old > 0 && price > old && !SameAmount(price, old, 6)) {
    double increase = (price - old) * 100 / old;
    out.messages.push_back("Wzrost ceny zakupu");
    out.messages.push_back(PriceText(old) + " & " + PriceText(price) + "  " + FormatFixed(increase, 2) + " %");
  }
  RecomputeNetValue(card);
  RecomputeMarkups(card);
  return out;
}

RateInput PvPodatek0(ReceiptCard& card, std::string_view typed, bool vat_13_5, bool norwegia) {
  RateInput in = NormalizeRateCode(typed, vat_13_5, norwegia);
  if (!in.accepted) return in;
  card.podatek0 = in.code;
  card.l_podatek0 = in.rate;
  card.p_cena2 = GrossOf(card.p_cena, card.l_podatek0, card.vat);
  if (card.p_cenam != 0) card.p_cena2m = GrossOf(card.p_cenam, card.l_podatek0, card.vat_m);
  return in;
}

RateInput PvVat0Pz(ReceiptCard& card, std::string_view typed, bool vat_13_5, bool norwegia) {
  RateInput in = NormalizeRateCode(typed, vat_13_5, norwegia);
  if (!in.accepted) return in;
  card.p_vat0_pz = in.code;
  card.p_vat_pz = ExpectedPurchaseVat(card);
  return in;
}

}  // namespace hurt::documents
