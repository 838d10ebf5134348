#include "documents/line_math.h"

#include "base/numeric.h"
#include "base/text.h"
#include "documents/vat_rate.h"

namespace hurt::documents {

namespace {

// Money as its 2-decimal field keeps it.
double Money(double x) { return NewRound(x, 2); }

}  // namespace

void LineMoneyOnBasis(DocLine& line, char nb) {
  const double rate = RateOfCode(line.podatek0);
  if (nb == 'B') {
    line.brutto = NewRound(line.ilosc * line.cena, 2);
    line.podatek = NewRound(line.brutto * rate / (rate + 100), 2);
    line.wartosc = line.brutto;
  } else {
    line.wartosc = NewRound(line.ilosc * line.cena, 2);
    line.podatek = NewRound(line.wartosc * rate / 100, 2);
    line.brutto = NewRound(line.wartosc + line.podatek, 2);
  }
}

LineEdit LineEditOf(const DocLine& line) {
  LineEdit e;
  e.lp = line.lp;
  e.indeks = line.indeks;
  e.nazwa = line.nazwa;
  e.ilosc = line.ilosc;
  e.cena = line.cena;
  e.procent = line.upust0;
  e.c_pp0 = line.podatek0;
  return e;
}

void LineWhileTyped(LineEdit& edit, const DocKind& kind) {
  double rate = RateOfCode(edit.c_pp0);
  double value = NewRound(edit.ilosc * edit.cena, 2);
  if (kind.s_z == 'Y') {
    edit.brutto = value;
    edit.m_pp = edit.brutto * rate / (rate + 100);
  } else {
    edit.m_pp = NewRound(value * rate / 100, 2);
    edit.brutto = value + edit.m_pp;
  }
}

void ReplaceDWithP(DocLine& dd, const LineEdit& edit, const ArticleForLine& as, const ReplaceContext& ctx) {
  const DocKind& kind = ctx.kind;
  double rate = RateOfCode(edit.c_pp0);
  double cena = edit.cena;
  if (kind.IsReceipt() && kind.IsCombined() && kind.HasTag("(SD)")) cena = RoundHalfAway(cena * (1 + rate / 100), 2);

  dd.lp = edit.lp;
  dd.indeks = edit.indeks;
  dd.nazwa = edit.nazwa;
  dd.cena = cena;
  dd.nb = ctx.nb;
  dd.ilosc = edit.ilosc;
  dd.upust0 = edit.procent;
  dd.podatek0 = edit.c_pp0;
  dd.podatek = Money(edit.m_pp);
  dd.brutto = Money(edit.brutto);

  if (kind.IsSale() && !kind.HasTag("[ZW]")) {
    if (ctx.nb == 'B') {
      dd.brutto = NewRound(dd.ilosc * dd.cena, 2);
      dd.podatek = RoundHalfAway(dd.brutto * rate / (rate + 100), 2);
      dd.wartosc = dd.brutto;
    } else {
      dd.wartosc = RoundHalfAway(dd.ilosc * dd.cena, 2);
      dd.podatek = RoundHalfAway(dd.wartosc * rate / 100, 2);
      dd.brutto = Money(dd.wartosc + dd.podatek);
    }
  }

  bool vat_margin = kind.HasTag("FAKTURA VAT MARZA") && ctx.nb == 'B' && as.ceny.cena3.has_value();
  if (vat_margin) {
    dd.cena0 = *as.ceny.cena3;
    dd.podatek0 = as.podatek0;
    rate = RateOfCode(as.podatek0);
    double unit_margin = dd.cena - dd.cena0;
    // Only the margin is taxed; a sale at or below the purchase price has none.
    dd.podatek = unit_margin > 0
                     ? NewRound(RoundHalfAway(unit_margin / (1 + rate / 100) * dd.ilosc, 2) * rate / 100, 2)
                     : 0.0;
  }

  // NewRound moves the value away from zero before rounding, so -q × p rounds to
  // exactly minus what q × p rounds to.
  dd.wartosc = NewRound(dd.ilosc * dd.cena, 2);

  if (!vat_margin) {
    if (kind.IsReceipt()) {
      dd.cena0 = edit.cena;
    } else if (kind.HasTag("CENA_PZ") && kind.IsWarehouse()) {
      dd.cena0 = as.ceny.cena_pz;
    } else if (kind.HasTag("CENA_PZ")) {
      dd.cena0 = edit.cena;
    } else if (as.ceny.cena0 != 0) {
      dd.cena0 = as.ceny.cena0;
    }
  }

  dd.jm = as.jm;
  dd.sww = as.sww;
  dd.pkwiu = as.pkwiu;
  dd.t_w_o_k = as.t_w_o_k;
  dd.kod13 = as.kod13;
  dd.producent = as.producent;
  dd.dost = as.odb;
  if (LevelsApply(as.ceny, ctx.j_poziom, ctx.level)) {
    dd.cena_n = LevelPriceOf(as.ceny, ctx.j_poziom, ctx.level).netto;
    dd.cena_b = NewRound(dd.cena_n * (1 + rate / 100), 2);
  } else {
    dd.cena_n = as.ceny.cena;
    dd.cena_b = as.ceny.cena2 != 0 ? as.ceny.cena2 : NewRound(dd.cena_n * (1 + rate / 100), 2);
  }
}

void NetToGross(DocLine& dd) {
  double rate = RateOfCode(dd.podatek0);
  dd.cena = RoundHalfAway(dd.cena * (1 + rate / 100), 2);
  dd.brutto = NewRound(dd.ilosc * dd.cena, 2);
  dd.podatek = RoundHalfAway(dd.brutto * rate / (rate + 100), 2);
  dd.wartosc = dd.brutto;
  dd.nb = 'B';
}

void GrossToNet(DocLine& dd) {
  double rate = RateOfCode(dd.podatek0);
  dd.cena = RoundHalfAway(dd.cena / (1 + rate / 100), 2);
  dd.wartosc = RoundHalfAway(dd.ilosc * dd.cena, 2);
  dd.podatek = RoundHalfAway(dd.wartosc * rate / 100, 2);
  dd.brutto = Money(dd.wartosc + dd.podatek);
  dd.nb = 'N';
}

bool NeedsCorrectionRecompute(bool korekta_text, const DocLine& dd, std::string_view article_podatek0) {
  return korekta_text || Upper(AllTrim(dd.podatek0)) != Upper(AllTrim(article_podatek0));
}

void RecomputeCorrectionLine(DocLine& dd, char nb) {
  double rate = RateOfCode(dd.podatek0);
  dd.wartosc = NewRound(dd.ilosc * dd.cena, 2);
  if (nb == 'B') {
    dd.brutto = dd.wartosc;
    dd.podatek = Money(dd.brutto - NewRound(dd.brutto / (1 + rate / 100), 2));
  } else {
    dd.podatek = NewRound(dd.wartosc * rate / 100, 2);
    dd.brutto = Money(dd.wartosc + dd.podatek);
  }
  dd.nb = nb;
}

double NetOfLine(const DocLine& dd) { return dd.nb == 'B' ? Money(dd.brutto - dd.podatek) : dd.wartosc; }

double GrossOfPostedLine(char nb, double wartosc, double podatek) {
  return nb == 'B' ? Money(wartosc) : Money(wartosc + podatek);
}

}  // namespace hurt::documents
