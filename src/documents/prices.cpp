#include "documents/prices.h"

#include <algorithm>
#include <cmath>

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::documents {

namespace {

constexpr double kTiny = 1e-9;

bool IsZero(double x) { return std::fabs(x) < kTiny; }

// The other list price from one of them, as a gross or net document sees it.
ListPrice FromNet(double net, double gross_or_zero, double rate) {
  ListPrice list;
  list.l1 = net;
  list.l2 = gross_or_zero > 0 ? gross_or_zero : RoundHalfAway(net * (1 + rate / 100), 2);
  return list;
}

ListPrice FromGross(double gross, double rate) {
  ListPrice list;
  list.l2 = gross;
  list.l1 = RoundHalfAway(gross / (1 + rate / 100), 2);
  return list;
}

}  // namespace

int EffectiveLevel(int kind_poziom, int customer_poziom, int j_poziom) {
  if (j_poziom < 1) j_poziom = 1;
  int level = (kind_poziom >= 1 && kind_poziom <= j_poziom) ? kind_poziom : customer_poziom;
  return std::clamp(level, 1, j_poziom);
}

bool LevelsApply(const ArticlePrices& as, int j_poziom, int level) {
  return j_poziom > 1 && level > 1 && as.cenam > 0;
}

LevelPrice LevelPriceOf(const ArticlePrices& as, int j_poziom, int level) {
  if (!LevelsApply(as, j_poziom, level)) return {as.cena, as.cena2};
  int k = std::min(level, j_poziom);
  double net_step = (as.cena - as.cenam) / (j_poziom - 1);
  double gross_step = (as.cena2 - as.cena2m) / (j_poziom - 1);
  return {NewRound(as.cena - (k - 1) * net_step, 2), NewRound(as.cena2 - (k - 1) * gross_step, 2)};
}

ListPrice ListPriceOf(const ArticlePrices& as, const UpustContext& ctx) {
  const DocKind& kind = ctx.kind;
  bool gross = ctx.nb == 'B';
  LevelPrice level = LevelPriceOf(as, ctx.j_poziom, ctx.level);
  ListPrice list{level.netto, level.brutto};

  if (kind.s_z == 'S' && IsForeignCurrency(ctx.waluta) && !IsZero(ctx.kurs) && !IsZero(ctx.kurs - 1)) {
    list.l1 = NewRound(as.cena / ctx.kurs, 2);
    list.l2 = NewRound(as.cena2 / ctx.kurs, 2);
  }
  if (as.cena3 && kind.HasTag("CENA3")) {
    double cena3 = *as.cena3;
    if (kind.RdIs("FE") || kind.IsCurrencyKind()) {
      list.l1 = cena3;
      list.l2 = gross ? RoundHalfAway(cena3 * (1 + ctx.rate / 100), 2) : cena3;
    } else if (kind.IsCombined() && cena3 > 0) {
      list = FromGross(cena3, ctx.rate);
    }
  }
  if (ctx.rabat_as && (kind.IsSale() || kind.RdIs("WZ"))) {
    if (ctx.price_by_hand || IsZero(ctx.cena_n)) {
      list = gross ? FromGross(ctx.cena, ctx.rate) : FromNet(ctx.cena, 0, ctx.rate);
    } else {
      // CENA_N is the net catalogue price; a gross document measures against the
      // gross catalogue price CENA_B (or CENA_N grossed up when the line has none).
      list = FromNet(ctx.cena_n, ctx.cena_b, ctx.rate);
    }
  }
  return list;
}

double ReferencePrice(const ListPrice& list, const UpustContext& ctx) {
  const DocKind& kind = ctx.kind;
  bool warehouse_issue = kind.r_p == 'R' && kind.s_z == 'D' && kind.cuv != 'C';
  bool net_sale = kind.s_z == 'S' && ctx.nb != 'B';
  return (warehouse_issue || net_sale) ? list.l1 : list.l2;
}

bool KeepsPercent(const UpustContext& ctx) {
  const DocKind& kind = ctx.kind;
  if (ctx.ilosc < 0) return false;
  if (kind.IsTransfer() && !kind.IsCombined()) return false;
  if (kind.IsReceipt() || kind.InPurchasePrices()) return false;
  std::string opa = AllTrim(ctx.j_opa);
  if (!opa.empty() && AllTrim(ctx.indeks) == opa) return false;
  if (kind.s_z == 'S' && !ctx.nazwa.empty()) {
    char first = ctx.nazwa[0];
    if (first == '.' || first == ',' || first == '*') return false;
  }
  return true;
}

bool PercentInRange(double percent) { return percent >= -9.9 - kTiny && percent <= 99.9 + kTiny; }

double PercentFromPrice(double reference, double price, char cuv) {
  if (IsZero(reference)) return 0;
  double percent = 0;
  if (cuv == 'U') {
    percent = NewRound((reference - price) / reference * 100, 1);
  } else if (cuv == 'V') {
    percent = NewRound((price - reference) / reference * 100, 1);
  }
  return PercentInRange(percent) ? percent : 0;
}

Upust GetUpust(const ArticlePrices& as, const UpustContext& ctx) {
  Upust out;
  out.list = ListPriceOf(as, ctx);
  out.reference = ReferencePrice(out.list, ctx);
  out.percent = KeepsPercent(ctx) ? PercentFromPrice(out.reference, ctx.cena, ctx.kind.cuv) : 0;
  return out;
}

PercentPrice ApplyPercent(const ArticlePrices& as, const UpustContext& ctx, double percent) {
  PercentPrice out;
  out.cena = ctx.cena;
  if (!PercentInRange(percent)) {
    out.refused = true;
    return out;
  }
  const DocKind& kind = ctx.kind;
  if (ctx.upust_off || kind.InPurchasePrices() || ctx.price_by_hand || !KeepsPercent(ctx)) return out;
  if (kind.cuv != 'U' && kind.cuv != 'V') return out;
  double reference = ReferencePrice(ListPriceOf(as, ctx), ctx);
  if (IsZero(reference)) return out;
  double factor = kind.cuv == 'U' ? 1 - percent / 100 : 1 + percent / 100;
  out.cena = NewRound(reference * factor, 2);
  out.applied = true;
  return out;
}

double RetailSalePrice(double cena2, double j_sd_rabat) { return NewRound(cena2 * (1 - j_sd_rabat / 100), 2); }

double PriceFloor(const ArticlePrices& as, double rate, bool gross) {
  double floor = std::max({as.cena0, as.cena_pz, as.cenam});
  return gross ? RoundHalfAway(floor * (1 + rate / 100), 2) : floor;
}

AgreedPrice RaiseToAgreedPrice(double cena, const ArticlePrices& as, double rate, bool gross) {
  AgreedPrice out{cena, false};
  if (as.cena_uz <= 0) return out;
  double floor = gross ? NewRound(as.cena_uz * (1 + rate / 100), 2) : as.cena_uz;
  if (cena < floor - kTiny) out = {floor, true};
  return out;
}

}  // namespace hurt::documents
