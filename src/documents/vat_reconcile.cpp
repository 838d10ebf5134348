#include "documents/vat_reconcile.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/vat_rate.h"

namespace hurt::documents {

namespace {

double Money(double x) { return NewRound(x, 2); }

struct Accum {
  double n = 0, v = 0, b = 0;
  bool any = false;
};
using RateAccums = std::array<Accum, 26>;  // index = whole rate 1..25

struct DocumentSums {
  RateAccums rates;
  double net = 0;
  double gross = 0;
  double other_vat = 0;
};

DocumentSums Accumulate(const std::vector<DocLine>& lines, bool gross_basis) {
  DocumentSums sums;
  for (const DocLine& line : lines) {
    double net = gross_basis ? line.brutto - line.podatek : line.wartosc;
    sums.net += net;
    sums.gross += line.brutto;
    int rate = IntegerRateOf(line.podatek0);
    if (rate == 0) {
      sums.other_vat += line.podatek;
      continue;
    }
    Accum& acc = sums.rates[static_cast<size_t>(rate)];
    acc.n += net;
    acc.v += line.podatek;
    acc.b += line.brutto;
    acc.any = acc.any || line.ilosc != 0;
  }
  return sums;
}

// The line that takes a rate's difference: the first line of the rate with a non-zero
// quantity; on issues the first with a positive quantity, falling back to the first
// line when every line of the rate is negative (a difference must never be dropped).
int LineForDifference(const std::vector<DocLine>& lines, int rate, bool prefer_positive) {
  int first = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    const DocLine& line = lines[i];
    if (line.ilosc == 0 || IntegerRateOf(line.podatek0) != rate) continue;
    if (!prefer_positive || line.ilosc > 0) return static_cast<int>(i);
    if (first < 0) first = static_cast<int>(i);
  }
  return first;
}

void AddDifference(DocLine& line, double diff, bool net_basis) {
  line.podatek = Money(line.podatek + diff);
  if (net_basis) line.brutto = Money(line.wartosc + line.podatek);
}

// The VAT a rate's total carries.
double VatOfRateTotal(double net, double gross, int rate, bool gross_basis) {
  if (gross_basis) return Money(gross) - NewRound(gross / (1 + rate / 100.0), 2);
  return NewRound(net * rate / 100.0, 2);
}

// Row key and printing rank of a rate code in the VAT summary.
struct RowKey {
  std::string code;
  int group = 0;      // 0 "ZW", 1 "NP", 2 rates, 3 " 0"
  double rate = 0;
};

RowKey KeyOf(std::string_view podatek0) {
  std::string code = Upper(AllTrim(podatek0));
  if (code == "ZW") return {"ZW", 0, 0};
  if (code == "NP") return {"NP", 1, 0};
  double rate = RateOfCode(podatek0);
  if (rate <= 0) return {" 0", 3, 0};
  int whole = IntegerRateOf(podatek0);
  if (whole > 0) return {Str(whole, 2, 0), 2, rate};
  return {code, 2, rate};
}

}  // namespace

bool ReconciliationApplies(const std::vector<DocLine>& lines, const JakaWartoscInput& in) {
  const DocKind& kind = in.kind;
  if (in.reason == kReasonShow) return false;
  if (in.fiscal_document && in.fiscal_printer) return false;
  if (kind.HasTag("-GROSZ") || in.texts_minus_grosz) return false;
  bool net = in.nb != 'B';
  if (kind.IsSale() && net) return true;
  if (kind.IsSalesCorrection() && net &&
      std::none_of(lines.begin(), lines.end(), [](const DocLine& l) { return l.ilosc < 0; }))
    return true;
  if (kind.r_p == 'R' && kind.s_z == 'D' && kind.cuv == 'U') return true;
  return kind.IsSale() && !IsForeignCurrency(in.waluta);
}

JakaWartoscResult JakaWartosc(std::vector<DocLine>& lines, const JakaWartoscInput& in) {
  JakaWartoscResult out;
  bool gross_basis = in.nb == 'B';
  for (DocLine& line : lines) {
    if (line.ilosc == 0) {
      line.wartosc = line.podatek = line.brutto = 0;
    } else if (in.retail_sale) {
      line.brutto = NewRound(line.ilosc * line.cena, 2);
    }
  }

  out.reconciled = ReconciliationApplies(lines, in);
  DocumentSums sums = Accumulate(lines, gross_basis);
  if (out.reconciled) {
    bool prefer_positive = in.kind.IsIssue();
    for (int r = 1; r <= 25; ++r) {
      const Accum& acc = sums.rates[static_cast<size_t>(r)];
      if (!acc.any) continue;
      double diff = VatOfRateTotal(acc.n, acc.b, r, gross_basis) - Money(acc.v);
      if (SameAmount(diff, 0)) continue;
      int at = LineForDifference(lines, r, prefer_positive);
      if (at < 0) continue;
      AddDifference(lines[static_cast<size_t>(at)], Money(diff), !gross_basis);
      ++out.changed_lines;
    }
    if (out.changed_lines > 0) sums = Accumulate(lines, gross_basis);
  }

  double rate_vat = 0;       // Σ of the rates' VAT, each as the total of the rate carries it
  double rate_line_vat = 0;  // Σ of the rates' line VATs, each rounded
  for (int r = 1; r <= 25; ++r) {
    const Accum& acc = sums.rates[static_cast<size_t>(r)];
    if (!acc.any) continue;
    out.rates.push_back({Str(r, 2, 0), r, Money(acc.n), Money(acc.v), Money(acc.b)});
    rate_vat += NewRound(acc.n * r / 100.0, 2);
    rate_line_vat += Money(acc.v);
  }
  out.netto = Money(sums.net);
  out.other_vat = Money(sums.other_vat);

  double total;
  if (out.reconciled && !gross_basis) {
    total = out.netto + out.other_vat + rate_vat;
  } else if (!out.reconciled && in.kind.IsPurchase()) {
    total = out.netto + out.other_vat + rate_line_vat;
  } else {
    total = sums.gross;
  }
  if (in.reason == kReasonDeposits) total += in.m_reszta + in.m_reszta_p;
  out.total = Money(total);
  return out;
}

VatSummary FunSuma(std::vector<DocLine>& lines, char nb, bool issue, double m_reszta) {
  VatSummary out;
  bool gross_basis = nb == 'B';
  struct Row {
    RowKey key;
    RateTotals totals;
  };
  std::vector<Row> rows;
  auto row_of = [&rows](std::string_view podatek0) -> Row& {
    RowKey key = KeyOf(podatek0);
    for (Row& row : rows)
      if (row.key.code == key.code) return row;
    int whole = IntegerRateOf(podatek0);
    rows.push_back({key, RateTotals{key.code, whole, 0, 0, 0}});
    return rows.back();
  };

  for (const DocLine& line : lines) {
    if (line.ilosc == 0) continue;
    Row& row = row_of(line.podatek0);
    double value = NewRound(line.ilosc * line.cena, 2);
    if (gross_basis) {
      row.totals.brutto += value;
      row.totals.netto += value - line.podatek;
    } else {
      row.totals.netto += value;
      row.totals.brutto += value + line.podatek;
    }
    row.totals.vat += line.podatek;
  }

  for (Row& row : rows) {
    int r = row.totals.rate;
    if (r == 0) continue;
    double diff = VatOfRateTotal(row.totals.netto, row.totals.brutto, r, gross_basis) - Money(row.totals.vat);
    if (SameAmount(diff, 0)) continue;
    int at = LineForDifference(lines, r, issue);
    if (at < 0) continue;
    diff = Money(diff);
    AddDifference(lines[static_cast<size_t>(at)], diff, !gross_basis);
    ++out.changed_lines;
    row.totals.vat += diff;
    if (gross_basis) {
      row.totals.netto -= diff;
    } else {
      row.totals.brutto += diff;
    }
  }

  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    if (a.key.group != b.key.group) return a.key.group < b.key.group;
    return a.key.rate > b.key.rate;
  });
  double netto = 0, vat = 0;
  for (Row& row : rows) {
    RateTotals t = row.totals;
    t.netto = Money(t.netto);
    t.vat = Money(t.vat);
    t.brutto = Money(t.brutto);
    if (SameAmount(t.netto, 0) && SameAmount(t.vat, 0) && SameAmount(t.brutto, 0)) continue;
    netto += t.netto;
    vat += t.vat;
    out.rows.push_back(t);
  }
  out.netto = Money(netto + m_reszta);
  out.vat = Money(vat);
  out.brutto = Money(out.netto + out.vat);
  return out;
}

TermAdvice PaymentTermRule(const DocKind& kind, char spz, int document_tez, const std::vector<int>& article_tez,
                           bool right7) {
  TermAdvice out;
  if (!kind.IsSale() || (spz != 'P' && spz != 'T' && spz != 'F')) return out;
  int shortest = 0;
  for (int tez : article_tez)
    if (tez > 0 && (shortest == 0 || tez < shortest)) shortest = tez;
  if (shortest == 0 || shortest >= document_tez) return out;
  out.tez = shortest;
  if (right7) {
    out.action = TermAdvice::Action::kSuggest;
    out.message = "Daj termin " + std::to_string(shortest) + " dni";
  } else {
    out.action = TermAdvice::Action::kChange;
    out.message = "Zmieniam termin zaplaty";
  }
  return out;
}

long long PackagingUnitsOfLine(double ilosc, double content) {
  if (content <= 0 || !std::isfinite(ilosc) || !std::isfinite(content)) return 0;
  double units = ilosc / content;
  if (std::fabs(units) > 1e15) return 0;
  // The quotient as it reads (1.2 / 0.4 is 3, not 2.9999…), then its whole part.
  return static_cast<long long>(std::trunc(RoundHalfAway(units, 6)));
}

double DocumentWeight(const std::vector<DocLine>& lines) {
  double weight = 0;
  for (const DocLine& line : lines) weight += line.waga;
  return NewRound(weight, 3);
}

}  // namespace hurt::documents
