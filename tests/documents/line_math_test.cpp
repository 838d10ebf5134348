#include "documents/line_math.h"

#include <gtest/gtest.h>

#include <tuple>

#include "base/numeric.h"

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

LineEdit Edit(double ilosc, double cena, std::string rate, const DocKind& kind) {
  LineEdit edit;
  edit.lp = "  1";
  edit.indeks = "ART1    ";
  edit.nazwa = "MLOTEK";
  edit.ilosc = ilosc;
  edit.cena = cena;
  edit.c_pp0 = std::move(rate);
  LineWhileTyped(edit, kind);
  return edit;
}

ArticleForLine Article() {
  ArticleForLine as;
  as.jm = "szt";
  as.sww = "SWW1";
  as.pkwiu = "25.73.30";
  as.t_w_o_k = "NARZEDZ";
  as.kod13 = "5901234123457";
  as.producent = "FABRYKA";
  as.odb = "DOST01";
  as.podatek0 = "23";
  as.ceny.cena = 10.00;
  as.ceny.cena2 = 12.30;
  as.ceny.cena0 = 6.00;
  as.ceny.cena_pz = 6.50;
  return as;
}

DocLine Written(const DocKind& kind, char nb, double ilosc, double cena, std::string rate = "23",
                const ArticleForLine& as = Article()) {
  DocLine dd;
  ReplaceContext ctx{kind, nb, 1, 1};
  ReplaceDWithP(dd, Edit(ilosc, cena, std::move(rate), kind), as, ctx);
  return dd;
}

TEST(Rounding, MoneyRoundsHalvesAwayFromZeroAsItReads) {
  EXPECT_EQ(FormatFixed(NewRound(2.675, 2), 2), "2.68");
  EXPECT_EQ(FormatFixed(NewRound(-2.675, 2), 2), "-2.68");
  EXPECT_EQ(FormatFixed(MRound(2.675, 2), 2), "2.68");
  EXPECT_EQ(FormatFixed(MRound(-2.675, 2), 2), "-2.67");
  // A line of 1 × 2.675 at 0 % is worth 2.68 and its return exactly −2.68.
  DocKind sale = Kind("FV ", 'R', 'S', 'U');
  EXPECT_EQ(FormatFixed(Written(sale, 'N', 1, 2.675, " 0").wartosc, 2), "2.68");
  EXPECT_EQ(FormatFixed(Written(sale, 'N', -1, 2.675, " 0").wartosc, 2), "-2.68");
  EXPECT_EQ(FormatFixed(Written(sale, 'N', -3, 2.675, " 0").wartosc, 2), "-8.03");
}

TEST(LineWhileTyped, VatAndGrossOfANetLine) {
  DocKind sale = Kind("FV ", 'R', 'S', 'U');
  LineEdit edit = Edit(3, 9.99, "23", sale);
  EXPECT_DOUBLE_EQ(edit.m_pp, 6.89);  // 29.97 × 0.23 = 6.8931
  EXPECT_DOUBLE_EQ(edit.brutto, 36.86);
  edit = Edit(2, 5, "ZW", sale);
  EXPECT_DOUBLE_EQ(edit.m_pp, 0);
  EXPECT_DOUBLE_EQ(edit.brutto, 10);
}

TEST(LineWhileTyped, ClassYTakesTheVatOutOfTheGross) {
  DocKind combined = Kind("RY ", 'R', 'Y', 'U');
  LineEdit edit = Edit(3, 9.99, "23", combined);
  EXPECT_DOUBLE_EQ(edit.brutto, 29.97);
  EXPECT_NEAR(edit.m_pp, 29.97 * 23 / 123, 1e-12);  // unrounded while typed
  DocLine dd = Written(combined, ' ', 3, 9.99);
  EXPECT_DOUBLE_EQ(dd.podatek, 5.60);  // the record holds 2 decimals
  EXPECT_DOUBLE_EQ(dd.brutto, 29.97);
}

TEST(ReplaceDWithP, GrossSaleLine) {
  DocLine dd = Written(Kind("PA ", 'R', 'S', 'U', 'B'), 'B', 3, 9.99);
  EXPECT_DOUBLE_EQ(dd.brutto, 29.97);
  EXPECT_DOUBLE_EQ(dd.podatek, 5.60);  // 29.97 × 23 / 123 = 5.604
  EXPECT_DOUBLE_EQ(dd.wartosc, 29.97);
  EXPECT_EQ(dd.nb, 'B');
  EXPECT_DOUBLE_EQ(dd.cena, 9.99);
  EXPECT_DOUBLE_EQ(dd.ilosc, 3);
  EXPECT_EQ(dd.podatek0, "23");
}

TEST(ReplaceDWithP, NetSaleLine) {
  DocLine dd = Written(Kind("FV ", 'R', 'S', 'U'), 'N', 1, 0.10);
  EXPECT_DOUBLE_EQ(dd.wartosc, 0.10);
  EXPECT_DOUBLE_EQ(dd.podatek, 0.02);
  EXPECT_DOUBLE_EQ(dd.brutto, 0.12);
  dd = Written(Kind("FV ", 'R', 'S', 'U'), 'N', 2.5, 3.333333);
  EXPECT_DOUBLE_EQ(dd.wartosc, 8.33);
  EXPECT_DOUBLE_EQ(dd.podatek, 1.92);  // 8.33 × 0.23 = 1.9159
  EXPECT_DOUBLE_EQ(dd.brutto, 10.25);
}

TEST(ReplaceDWithP, ExemptSaleKeepsTheTypedValues) {
  DocKind kind = Kind("FZW", 'R', 'S', 'U', 'N', "[ZW]");
  DocLine dd = Written(kind, 'N', 2, 5.55, "ZW");
  EXPECT_DOUBLE_EQ(dd.podatek, 0);
  EXPECT_DOUBLE_EQ(dd.brutto, 11.10);
  EXPECT_DOUBLE_EQ(dd.wartosc, 11.10);
}

TEST(ReplaceDWithP, VatMarginInvoiceTaxesOnlyTheMargin) {
  DocKind kind = Kind("FM ", 'R', 'S', 'U', 'B', "FAKTURA VAT MARZA");
  ArticleForLine as = Article();
  as.ceny.cena3 = 80.00;
  DocLine dd = Written(kind, 'B', 2, 123.00, " 8", as);
  EXPECT_DOUBLE_EQ(dd.cena0, 80.00);
  EXPECT_EQ(dd.podatek0, "23");          // the article's rate
  EXPECT_DOUBLE_EQ(dd.podatek, 16.08);   // 43 / 1.23 × 2 = 69.92; × 0.23 = 16.08
  EXPECT_DOUBLE_EQ(dd.brutto, 246.00);
  EXPECT_DOUBLE_EQ(dd.wartosc, 246.00);
  // A return takes the VAT back symmetrically.
  dd = Written(kind, 'B', -1, 123.00, "23", as);
  EXPECT_DOUBLE_EQ(dd.podatek, -8.04);
  // Sold below the purchase price: no margin, no VAT (never a negative VAT).
  dd = Written(kind, 'B', 1, 70.00, "23", as);
  EXPECT_DOUBLE_EQ(dd.podatek, 0);
  // Without the optional CENA3 field the line is an ordinary gross sale.
  dd = Written(kind, 'B', 1, 123.00, "23", Article());
  EXPECT_DOUBLE_EQ(dd.podatek, 23.00);
  EXPECT_DOUBLE_EQ(dd.cena0, 6.00);
}

TEST(ReplaceDWithP, CombinedReceiptTaggedSdTurnsThePriceGross) {
  DocKind kind = Kind("PX ", 'P', 'X', 'C', ' ', "(SD)");
  DocLine dd = Written(kind, ' ', 2, 10.00);
  EXPECT_DOUBLE_EQ(dd.cena, 12.30);
  EXPECT_DOUBLE_EQ(dd.wartosc, 24.60);
  EXPECT_DOUBLE_EQ(dd.cena0, 10.00);  // the typed price is the cost
}

TEST(ReplaceDWithP, CostPriceByKind) {
  // Sale: the article's cost; the line's own when the article has none.
  EXPECT_DOUBLE_EQ(Written(Kind("FV ", 'R', 'S', 'U'), 'N', 1, 9).cena0, 6.00);
  ArticleForLine no_cost = Article();
  no_cost.ceny.cena0 = 0;
  DocLine dd;
  dd.cena0 = 4.50;
  DocKind sale = Kind("FV ", 'R', 'S', 'U');
  ReplaceDWithP(dd, Edit(1, 9, "23", sale), no_cost, ReplaceContext{sale, 'N', 1, 1});
  EXPECT_DOUBLE_EQ(dd.cena0, 4.50);
  // Receipts and kinds tagged CENA_PZ: the typed price.
  EXPECT_DOUBLE_EQ(Written(Kind("PZ ", 'P', 'Z', 'C'), ' ', 1, 7.25).cena0, 7.25);
  EXPECT_DOUBLE_EQ(Written(Kind("FP ", 'R', 'S', 'U', 'N', "CENA_PZ"), 'N', 1, 7.25).cena0, 7.25);
  // Warehouse kinds tagged CENA_PZ: the article's last purchase price.
  EXPECT_DOUBLE_EQ(Written(Kind("RW ", 'R', 'D', 'C', ' ', "CENA_PZ"), ' ', 1, 7.25).cena0, 6.50);
  EXPECT_DOUBLE_EQ(Written(Kind("RW ", 'R', 'D', 'U', ' ', "CENA_PZ"), ' ', 1, 7.25).cena0, 6.50);
}

TEST(ReplaceDWithP, CatalogueFieldsAndPrices) {
  DocLine dd = Written(Kind("FV ", 'R', 'S', 'U'), 'N', 1, 9);
  EXPECT_EQ(dd.pkwiu, "25.73.30");
  EXPECT_EQ(dd.dost, "DOST01");  // the article's supplier
  EXPECT_DOUBLE_EQ(dd.cena_n, 10.00);
  EXPECT_DOUBLE_EQ(dd.cena_b, 12.30);

  ArticleForLine no_gross = Article();
  no_gross.ceny.cena2 = 0;
  EXPECT_DOUBLE_EQ(Written(Kind("FV ", 'R', 'S', 'U'), 'N', 1, 9, "23", no_gross).cena_b, 12.30);

  ArticleForLine levels = Article();
  levels.ceny.cenam = 7.00;
  levels.ceny.cena2m = 8.61;
  DocKind sale = Kind("FV ", 'R', 'S', 'U');
  DocLine at_level;
  ReplaceDWithP(at_level, Edit(1, 9, " 8", sale), levels, ReplaceContext{sale, 'N', 4, 3});
  EXPECT_DOUBLE_EQ(at_level.cena_n, 8.00);
  EXPECT_DOUBLE_EQ(at_level.cena_b, 8.64);  // 8.00 × 1.08
}

TEST(NetGrossConversion, NetToGross) {
  DocLine dd = Written(Kind("FV ", 'R', 'S', 'U'), 'N', 3, 8.13);
  NetToGross(dd);
  EXPECT_EQ(dd.nb, 'B');
  EXPECT_DOUBLE_EQ(dd.cena, 10.00);    // 8.13 × 1.23 = 9.9999
  EXPECT_DOUBLE_EQ(dd.brutto, 30.00);
  EXPECT_DOUBLE_EQ(dd.podatek, 5.61);  // 30 × 23 / 123 = 5.6098
  EXPECT_DOUBLE_EQ(dd.wartosc, 30.00);
}

TEST(NetGrossConversion, GrossToNet) {
  DocLine dd = Written(Kind("PA ", 'R', 'S', 'U', 'B'), 'B', 3, 9.99);
  GrossToNet(dd);
  EXPECT_EQ(dd.nb, 'N');
  EXPECT_DOUBLE_EQ(dd.cena, 8.12);     // 9.99 / 1.23 = 8.1220
  EXPECT_DOUBLE_EQ(dd.wartosc, 24.36);
  EXPECT_DOUBLE_EQ(dd.podatek, 5.60);  // 24.36 × 0.23 = 5.6028
  EXPECT_DOUBLE_EQ(dd.brutto, 29.96);
}

TEST(NetGrossConversion, ExemptLinesKeepTheirPrice) {
  DocLine dd = Written(Kind("FV ", 'R', 'S', 'U'), 'N', 2, 4.99, "ZW");
  NetToGross(dd);
  EXPECT_DOUBLE_EQ(dd.cena, 4.99);
  EXPECT_DOUBLE_EQ(dd.podatek, 0);
  GrossToNet(dd);
  EXPECT_DOUBLE_EQ(dd.cena, 4.99);
  EXPECT_DOUBLE_EQ(dd.brutto, 9.98);
}

// A posted line has no BRUTTO; its gross is what REPLACE_D_WITH_P wrote there.
TEST(PostedLines, GrossAsTheLineWasWritten) {
  const DocKind fv = Kind("FV ", 'R', 'S', 'U'), pa = Kind("PA ", 'R', 'S', 'U', 'B'), pz = Kind("PZ ", 'P', 'Z', 'C');
  for (const auto& [kind, nb, ilosc, cena] : {std::tuple{fv, 'N', 3.0, 8.13}, std::tuple{pa, 'B', 3.0, 9.99},
                                              std::tuple{pz, ' ', 5.0, 2.5}, std::tuple{fv, 'N', -2.0, 4.995}}) {
    const DocLine dd = Written(kind, nb, ilosc, cena);
    EXPECT_DOUBLE_EQ(GrossOfPostedLine(dd.nb, dd.wartosc, dd.podatek), dd.brutto) << kind.rd << ilosc;
  }
  EXPECT_EQ(FormatFixed(GrossOfPostedLine('N', 0.1, 0.2), 2), "0.30");  // 0.30000000000000004
}

TEST(CorrectionLines, RecomputedOnTheNetBasis) {
  DocLine dd;
  dd.ilosc = -2;
  dd.cena = 4.995;
  dd.podatek0 = "23";
  RecomputeCorrectionLine(dd, 'N');
  EXPECT_DOUBLE_EQ(dd.wartosc, -9.99);
  EXPECT_DOUBLE_EQ(dd.podatek, -2.30);  // −2.2977
  EXPECT_DOUBLE_EQ(dd.brutto, -12.29);
}

TEST(CorrectionLines, RecomputedOnTheGrossBasis) {
  DocLine dd;
  dd.ilosc = 1;
  dd.cena = 10.00;
  dd.podatek0 = "23";
  RecomputeCorrectionLine(dd, 'B');
  EXPECT_DOUBLE_EQ(dd.brutto, 10.00);
  EXPECT_DOUBLE_EQ(dd.wartosc, 10.00);
  EXPECT_DOUBLE_EQ(dd.podatek, 1.87);  // 10 − 8.13
  dd.ilosc = -1;
  RecomputeCorrectionLine(dd, 'B');
  EXPECT_DOUBLE_EQ(dd.podatek, -1.87);
}

TEST(CorrectionLines, WhenToRecompute) {
  DocLine dd;
  dd.podatek0 = "23";
  EXPECT_TRUE(NeedsCorrectionRecompute(true, dd, "23"));
  EXPECT_FALSE(NeedsCorrectionRecompute(false, dd, "23"));
  EXPECT_TRUE(NeedsCorrectionRecompute(false, dd, " 8"));
  dd.podatek0 = " 8";
  EXPECT_FALSE(NeedsCorrectionRecompute(false, dd, "8 "));
  dd.podatek0 = "ZW";
  EXPECT_TRUE(NeedsCorrectionRecompute(false, dd, " 0"));
}

}  // namespace
}  // namespace hurt::documents
