#include "documents/vat_reconcile.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/numeric.h"
#include "documents/vat_rate.h"

namespace hurt::documents {
namespace {

DocKind Kind(std::string rd, char r_p, char s_z, char cuv, char nb = 'N', std::string opis = "") {
  DocKind kind;
  kind.rd = std::move(rd);
  kind.r_p = r_p;
  kind.s_z = s_z;
  kind.cuv = cuv;
  kind.nb = nb;
  kind.opis = std::move(opis);
  return kind;
}

const DocKind kNetSale = Kind("FV ", 'R', 'S', 'U', 'N');
const DocKind kGrossSale = Kind("PA ", 'R', 'S', 'U', 'B');

// A line as the editor writes it.
DocLine Line(const DocKind& kind, char nb, double ilosc, double cena, const std::string& rate = "23") {
  LineEdit edit;
  edit.ilosc = ilosc;
  edit.cena = cena;
  edit.c_pp0 = rate;
  LineWhileTyped(edit, kind);
  ArticleForLine as;
  as.podatek0 = rate;
  DocLine dd;
  ReplaceDWithP(dd, edit, as, ReplaceContext{kind, nb, 1, 1});
  return dd;
}

JakaWartoscInput Input(const DocKind& kind, int reason = kReasonPost) {
  JakaWartoscInput in;
  in.kind = kind;
  in.nb = kind.nb == 'B' ? 'B' : (kind.s_z == 'S' ? 'N' : ' ');
  in.reason = reason;
  return in;
}

std::string Text(double x) { return FormatFixed(x, 2); }

TEST(JakaWartosc, ThreeTenGroszLinesReconcileTo37) {
  std::vector<DocLine> lines(3, Line(kNetSale, 'N', 1, 0.10));
  EXPECT_EQ(Text(lines[0].podatek), "0.02");

  JakaWartoscResult result = JakaWartosc(lines, Input(kNetSale));
  EXPECT_TRUE(result.reconciled);
  EXPECT_EQ(result.changed_lines, 1);
  EXPECT_EQ(Text(result.total), "0.37");
  EXPECT_EQ(Text(lines[0].podatek), "0.03");
  EXPECT_EQ(Text(lines[0].brutto), "0.13");
  EXPECT_EQ(Text(lines[1].podatek), "0.02");
  EXPECT_EQ(Text(lines[2].podatek), "0.02");
  ASSERT_EQ(result.rates.size(), 1u);
  EXPECT_EQ(result.rates[0].code, "23");
  EXPECT_EQ(Text(result.rates[0].netto), "0.30");
  EXPECT_EQ(Text(result.rates[0].vat), "0.07");
  EXPECT_EQ(Text(result.rates[0].brutto), "0.37");

  // Taking the total again changes nothing more.
  result = JakaWartosc(lines, Input(kNetSale));
  EXPECT_EQ(result.changed_lines, 0);
  EXPECT_EQ(Text(result.total), "0.37");
}

TEST(JakaWartosc, WhileTypingTheTotalIsOnlyShown) {
  std::vector<DocLine> lines(3, Line(kNetSale, 'N', 1, 0.10));
  JakaWartoscResult result = JakaWartosc(lines, Input(kNetSale, kReasonShow));
  EXPECT_FALSE(result.reconciled);
  EXPECT_EQ(Text(result.total), "0.36");
  EXPECT_EQ(Text(lines[0].podatek), "0.02");
}

TEST(JakaWartosc, GrossDocumentGetsTheGroszOnTheFirstLine) {
  std::vector<DocLine> lines = {Line(kGrossSale, 'B', 1, 1.02), Line(kGrossSale, 'B', 1, 1.04)};
  EXPECT_EQ(Text(lines[0].podatek + lines[1].podatek), "0.38");
  JakaWartoscResult result = JakaWartosc(lines, Input(kGrossSale));
  EXPECT_TRUE(result.reconciled);
  // The VAT of 2.06 gross is 2.06 − 1.67 = 0.39.
  EXPECT_EQ(Text(lines[0].podatek), "0.20");
  EXPECT_EQ(Text(lines[1].podatek), "0.19");
  EXPECT_EQ(Text(lines[0].brutto), "1.02");  // the gross stays, the net part shrinks
  EXPECT_EQ(Text(result.total), "2.06");
  EXPECT_EQ(Text(result.rates[0].vat), "0.39");
  EXPECT_EQ(Text(result.rates[0].netto), "1.67");
}

TEST(JakaWartosc, IssueDifferenceGoesToTheFirstPositiveLine) {
  std::vector<DocLine> lines = {Line(kNetSale, 'N', -1, 0.10), Line(kNetSale, 'N', 1, 0.10),
                                Line(kNetSale, 'N', 1, 0.10), Line(kNetSale, 'N', 1, 0.10)};
  JakaWartoscResult result = JakaWartosc(lines, Input(kNetSale));
  EXPECT_EQ(Text(lines[0].podatek), "-0.02");
  EXPECT_EQ(Text(lines[1].podatek), "0.03");
  EXPECT_EQ(Text(lines[1].brutto), "0.13");
  EXPECT_EQ(Text(result.rates[0].vat), "0.05");  // 0.20 × 0.23 = 0.046
  EXPECT_EQ(Text(result.total), "0.25");
}

TEST(JakaWartosc, IssueWithOnlyNegativeLinesStillPlacesTheDifference) {
  std::vector<DocLine> lines(3, Line(kNetSale, 'N', -1, 0.10));
  JakaWartoscResult result = JakaWartosc(lines, Input(kNetSale));
  EXPECT_EQ(Text(lines[0].podatek), "-0.03");
  EXPECT_EQ(Text(result.total), "-0.37");
  double sum = 0;
  for (const DocLine& l : lines) sum += l.brutto;
  EXPECT_EQ(Text(sum), Text(result.total));
}

TEST(JakaWartosc, EachRateIsReconciledOnItsOwnLine) {
  std::vector<DocLine> lines = {Line(kNetSale, 'N', 1, 0.10, " 8"), Line(kNetSale, 'N', 1, 0.10),
                                Line(kNetSale, 'N', 1, 0.10, " 8"), Line(kNetSale, 'N', 1, 0.10),
                                Line(kNetSale, 'N', 1, 0.10)};
  JakaWartoscResult result = JakaWartosc(lines, Input(kNetSale));
  EXPECT_EQ(result.changed_lines, 1);          // 8 %: 0.01 + 0.01 = 0.016 → 0.02: no change
  EXPECT_EQ(Text(lines[1].podatek), "0.03");   // 23 %: first 23 % line
  ASSERT_EQ(result.rates.size(), 2u);
  EXPECT_EQ(result.rates[0].code, " 8");
  EXPECT_EQ(Text(result.rates[0].vat), "0.02");
  EXPECT_EQ(Text(result.rates[1].vat), "0.07");
  EXPECT_EQ(Text(result.total), "0.59");
}

TEST(JakaWartosc, ZeroQuantityLinesAreEmptied) {
  std::vector<DocLine> lines = {Line(kNetSale, 'N', 2, 5.00), Line(kNetSale, 'N', 1, 5.00)};
  lines[1].ilosc = 0;  // quantity cleared after the values were written
  JakaWartoscResult result = JakaWartosc(lines, Input(kNetSale));
  EXPECT_DOUBLE_EQ(lines[1].wartosc, 0);
  EXPECT_DOUBLE_EQ(lines[1].podatek, 0);
  EXPECT_DOUBLE_EQ(lines[1].brutto, 0);
  EXPECT_EQ(Text(result.total), "12.30");
}

TEST(JakaWartosc, OtherRatesAreSummedApartAndNotReconciled) {
  std::vector<DocLine> lines = {Line(kNetSale, 'N', 1, 0.10, "13.5"), Line(kNetSale, 'N', 1, 0.10, "13.5"),
                                Line(kNetSale, 'N', 1, 0.10, "13.5"), Line(kNetSale, 'N', 1, 1.00, "ZW"),
                                Line(kNetSale, 'N', 1, 2.00, " 0"), Line(kNetSale, 'N', 1, 4.00, "NP")};
  JakaWartoscResult result = JakaWartosc(lines, Input(kNetSale));
  EXPECT_EQ(result.changed_lines, 0);
  EXPECT_EQ(Text(result.other_vat), "0.03");  // 3 × 0.01
  EXPECT_EQ(Text(result.netto), "7.30");
  EXPECT_EQ(Text(result.total), "7.33");
  EXPECT_TRUE(result.rates.empty());
}

TEST(JakaWartosc, PurchasesAddTheRoundedRateVats) {
  DocKind purchase = Kind("PZ ", 'P', 'Z', 'C', ' ');
  std::vector<DocLine> lines(3, Line(purchase, ' ', 1, 0.10));
  JakaWartoscResult result = JakaWartosc(lines, Input(purchase));
  EXPECT_FALSE(result.reconciled);
  EXPECT_EQ(Text(lines[0].podatek), "0.02");
  EXPECT_EQ(Text(result.total), "0.36");
}

TEST(JakaWartosc, DepositsAreAddedOnlyForTheirReason) {
  std::vector<DocLine> lines = {Line(kNetSale, 'N', 1, 10.00)};
  JakaWartoscInput in = Input(kNetSale);
  in.m_reszta = 1.50;
  in.m_reszta_p = 0.25;
  EXPECT_EQ(Text(JakaWartosc(lines, in).total), "12.30");
  in.reason = kReasonDeposits;
  EXPECT_EQ(Text(JakaWartosc(lines, in).total), "14.05");
}

TEST(JakaWartosc, RetailSaleRecomputesTheGross) {
  DocKind retail = Kind("SD ", 'R', 'S', 'U', 'B');
  std::vector<DocLine> lines = {Line(retail, 'B', 3, 9.99)};
  lines[0].brutto = 1.00;  // stale
  JakaWartoscInput in = Input(retail);
  in.retail_sale = true;
  in.fiscal_document = true;
  in.fiscal_printer = true;
  JakaWartoscResult result = JakaWartosc(lines, in);
  EXPECT_FALSE(result.reconciled);
  EXPECT_EQ(Text(lines[0].brutto), "29.97");
  EXPECT_EQ(Text(result.total), "29.97");
}

TEST(ReconciliationApplies, ByKindBasisAndSwitches) {
  std::vector<DocLine> positive = {Line(kNetSale, 'N', 1, 1)};
  std::vector<DocLine> with_return = {Line(kNetSale, 'N', 1, 1), Line(kNetSale, 'N', -1, 1)};
  auto applies = [](const std::vector<DocLine>& lines, JakaWartoscInput in) {
    return ReconciliationApplies(lines, in);
  };
  EXPECT_TRUE(applies(positive, Input(kNetSale)));
  EXPECT_FALSE(applies(positive, Input(kNetSale, kReasonShow)));
  EXPECT_TRUE(applies(positive, Input(kGrossSale)));

  JakaWartoscInput in = Input(kGrossSale);
  in.waluta = "EUR";
  EXPECT_FALSE(applies(positive, in));  // gross sale in a foreign currency
  in.waluta = "PLN";
  EXPECT_TRUE(applies(positive, in));
  in = Input(kNetSale);
  in.waluta = "EUR";
  EXPECT_TRUE(applies(positive, in));  // net sales always

  DocKind correction = Kind("KFV", 'K', 'S', 'U', 'N');
  EXPECT_TRUE(applies(positive, Input(correction)));
  EXPECT_FALSE(applies(with_return, Input(correction)));
  EXPECT_FALSE(applies(positive, Input(Kind("KPA", 'K', 'S', 'U', 'B'))));

  EXPECT_TRUE(applies(positive, Input(Kind("RW ", 'R', 'D', 'U', ' '))));
  EXPECT_FALSE(applies(positive, Input(Kind("RWC", 'R', 'D', 'C', ' '))));
  EXPECT_FALSE(applies(positive, Input(Kind("PZ ", 'P', 'Z', 'C', ' '))));

  in = Input(kNetSale);
  in.fiscal_document = true;
  EXPECT_TRUE(applies(positive, in));
  in.fiscal_printer = true;
  EXPECT_FALSE(applies(positive, in));

  EXPECT_FALSE(applies(positive, Input(Kind("FV ", 'R', 'S', 'U', 'N', "FAKTURA -GROSZ"))));
  in = Input(kNetSale);
  in.texts_minus_grosz = true;
  EXPECT_FALSE(applies(positive, in));
}

TEST(FunSuma, RowsInPrintingOrderWithTotals) {
  std::vector<DocLine> lines = {
      Line(kNetSale, 'N', 1, 2.00, " 5"), Line(kNetSale, 'N', 1, 1.00, "ZW"),   Line(kNetSale, 'N', 1, 10.00),
      Line(kNetSale, 'N', 1, 3.00, " 0"), Line(kNetSale, 'N', 1, 4.00, "13.5"), Line(kNetSale, 'N', 1, 5.00, "NP"),
      Line(kNetSale, 'N', 1, 6.00, " 8"), Line(kNetSale, 'N', 0, 7.00, "25"),  // quantity 0: no row
  };
  VatSummary summary = FunSuma(lines, 'N', true, 0.50);
  std::vector<std::string> codes;
  for (const RateTotals& row : summary.rows) codes.push_back(row.code);
  EXPECT_EQ(codes, (std::vector<std::string>{"ZW", "NP", "23", "13.5", " 8", " 5", " 0"}));
  EXPECT_EQ(Text(summary.rows[2].vat), "2.30");
  EXPECT_EQ(Text(summary.rows[3].vat), "0.54");
  EXPECT_EQ(Text(summary.netto), "31.50");  // 31.00 of lines + 0.50 deposit
  EXPECT_EQ(Text(summary.vat), "3.42");     // 2.30 + 0.54 + 0.48 + 0.10
  EXPECT_EQ(Text(summary.brutto), "34.92");
}

TEST(FunSuma, ReconcilesLikeTheDocumentTotal) {
  std::vector<DocLine> lines(3, Line(kNetSale, 'N', 1, 0.10));
  VatSummary summary = FunSuma(lines, 'N', true);
  EXPECT_EQ(summary.changed_lines, 1);
  EXPECT_EQ(Text(lines[0].podatek), "0.03");
  EXPECT_EQ(Text(lines[0].brutto), "0.13");
  ASSERT_EQ(summary.rows.size(), 1u);
  EXPECT_EQ(Text(summary.rows[0].vat), "0.07");
  EXPECT_EQ(Text(summary.brutto), "0.37");

  std::vector<DocLine> gross = {Line(kGrossSale, 'B', 1, 1.02), Line(kGrossSale, 'B', 1, 1.04)};
  summary = FunSuma(gross, 'B', true);
  EXPECT_EQ(Text(gross[0].podatek), "0.20");
  EXPECT_EQ(Text(summary.rows[0].vat), "0.39");
  EXPECT_EQ(Text(summary.rows[0].netto), "1.67");
  EXPECT_EQ(Text(summary.brutto), "2.06");
}

TEST(FunSuma, NegativeFirstLineOnIssuesOnly) {
  std::vector<DocLine> issue = {Line(kNetSale, 'N', -1, 0.10), Line(kNetSale, 'N', 1, 0.10),
                                Line(kNetSale, 'N', 1, 0.10), Line(kNetSale, 'N', 1, 0.10)};
  std::vector<DocLine> other = issue;
  FunSuma(issue, 'N', true);
  EXPECT_EQ(Text(issue[0].podatek), "-0.02");
  EXPECT_EQ(Text(issue[1].podatek), "0.03");
  FunSuma(other, 'N', false);
  EXPECT_EQ(Text(other[0].podatek), "-0.01");
}

TEST(PaymentTermRule, ShorterArticleTermOnSalesPaidLater) {
  TermAdvice advice = PaymentTermRule(kNetSale, 'P', 30, {0, 14, 21}, false);
  EXPECT_EQ(advice.action, TermAdvice::Action::kChange);
  EXPECT_EQ(advice.tez, 14);
  EXPECT_EQ(advice.message, "Zmieniam termin zaplaty");
  advice = PaymentTermRule(kNetSale, 'T', 30, {14}, true);
  EXPECT_EQ(advice.action, TermAdvice::Action::kSuggest);
  EXPECT_EQ(advice.message, "Daj termin 14 dni");
  EXPECT_EQ(PaymentTermRule(kNetSale, 'F', 30, {14}, false).action, TermAdvice::Action::kChange);
  EXPECT_EQ(PaymentTermRule(kNetSale, 'G', 30, {14}, false).action, TermAdvice::Action::kNone);
  EXPECT_EQ(PaymentTermRule(kNetSale, 'P', 14, {14, 30}, false).action, TermAdvice::Action::kNone);
  EXPECT_EQ(PaymentTermRule(kNetSale, 'P', 14, {0}, false).action, TermAdvice::Action::kNone);
  EXPECT_EQ(PaymentTermRule(Kind("PZ ", 'P', 'Z', 'C'), 'P', 30, {14}, false).action, TermAdvice::Action::kNone);
}

TEST(Packaging, WholePackagesOfALine) {
  EXPECT_EQ(PackagingUnitsOfLine(1.2, 0.4), 3);
  EXPECT_EQ(PackagingUnitsOfLine(10, 3), 3);
  EXPECT_EQ(PackagingUnitsOfLine(24, 12), 2);
  EXPECT_EQ(PackagingUnitsOfLine(-25, 12), -2);
  EXPECT_EQ(PackagingUnitsOfLine(5, 0), 0);
  EXPECT_EQ(PackagingUnitsOfLine(1e300, 0.001), 0);
}

// Random documents: quantities with 3 decimals (some returns), prices with 2, rates
// among 23/8/5/0/ZW.
std::vector<DocLine> RandomDocument(std::mt19937& rng, const DocKind& kind, char nb) {
  static const char* kRates[] = {"23", " 8", " 5", " 0", "ZW"};
  std::uniform_int_distribution<int> count(1, 30), qty(1, 100000), price(1, 100000), rate(0, 4), sign(0, 9);
  std::vector<DocLine> lines;
  int n = count(rng);
  for (int i = 0; i < n; ++i) {
    double ilosc = qty(rng) / 1000.0 * (sign(rng) == 0 ? -1 : 1);
    lines.push_back(Line(kind, nb, ilosc, price(rng) / 100.0, kRates[rate(rng)]));
  }
  return lines;
}

TEST(ReconciliationProperty, NetDocumentsCarryTheVatOfEachRateTotal) {
  std::mt19937 rng(20240611);
  int reconciled_lines = 0;
  for (int doc = 0; doc < 1000; ++doc) {
    std::vector<DocLine> lines = RandomDocument(rng, kNetSale, 'N');
    JakaWartoscResult result = JakaWartosc(lines, Input(kNetSale));
    ASSERT_TRUE(result.reconciled);
    reconciled_lines += result.changed_lines;

    std::map<int, double> net, vat;
    double all_net = 0, all_gross = 0, rate_vats = 0;
    for (const DocLine& l : lines) {
      all_net += l.wartosc;
      all_gross += l.brutto;
      ASSERT_EQ(Text(l.brutto), Text(l.wartosc + l.podatek));
      int r = IntegerRateOf(l.podatek0);
      if (r == 0) {
        ASSERT_EQ(Text(l.podatek), "0.00");
        continue;
      }
      net[r] += l.wartosc;
      vat[r] += l.podatek;
    }
    for (const auto& [r, n] : net) {
      double expected = NewRound(n * r / 100.0, 2);
      ASSERT_EQ(Text(vat[r]), Text(expected)) << "document " << doc << " rate " << r;
      rate_vats += expected;
    }
    ASSERT_EQ(Text(result.total), Text(all_net + rate_vats)) << "document " << doc;
    ASSERT_EQ(Text(result.total), Text(all_gross)) << "document " << doc;

    // The invoice summary agrees and finds nothing left to correct.
    VatSummary summary = FunSuma(lines, 'N', true);
    ASSERT_EQ(summary.changed_lines, 0);
    ASSERT_EQ(Text(summary.brutto), Text(result.total));
  }
  EXPECT_GT(reconciled_lines, 100);  // the documents did need reconciling
}

TEST(ReconciliationProperty, GrossDocumentsCarryTheVatOfEachRateTotal) {
  std::mt19937 rng(7);
  int reconciled_lines = 0;
  for (int doc = 0; doc < 1000; ++doc) {
    std::vector<DocLine> lines = RandomDocument(rng, kGrossSale, 'B');
    JakaWartoscResult result = JakaWartosc(lines, Input(kGrossSale));
    ASSERT_TRUE(result.reconciled);
    reconciled_lines += result.changed_lines;

    std::map<int, double> gross, vat;
    double all_gross = 0;
    for (const DocLine& l : lines) {
      all_gross += l.brutto;
      int r = IntegerRateOf(l.podatek0);
      if (r == 0) continue;
      gross[r] += l.brutto;
      vat[r] += l.podatek;
    }
    for (const auto& [r, g] : gross) {
      double expected = NewRound(g, 2) - NewRound(g / (1 + r / 100.0), 2);
      ASSERT_EQ(Text(vat[r]), Text(expected)) << "document " << doc << " rate " << r;
    }
    ASSERT_EQ(Text(result.total), Text(all_gross)) << "document " << doc;

    VatSummary summary = FunSuma(lines, 'B', true);
    ASSERT_EQ(summary.changed_lines, 0);
    ASSERT_EQ(Text(summary.brutto), Text(result.total));
  }
  EXPECT_GT(reconciled_lines, 100);  // the documents did need reconciling
}

}  // namespace
}  // namespace hurt::documents
