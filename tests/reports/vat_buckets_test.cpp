// Valuing document lines into the rate buckets of a VAT register.
#include <gtest/gtest.h>

#include "reports/vat_buckets.h"

namespace hurt::reports {
namespace {

documents::DocKind Kind(std::string rd, char r_p, char s_z, std::string opis = "") {
  documents::DocKind k;
  k.rd = rd;
  k.r_p = r_p;
  k.s_z = s_z;
  k.opis = opis;
  return k;
}

LineValuationInput Line(documents::DocKind kind, double wartosc, double podatek, std::string podatek0 = "23",
                        std::string nb = "N") {
  LineValuationInput in;
  in.kind = std::move(kind);
  in.wartosc = wartosc;
  in.podatek = podatek;
  in.podatek0 = std::move(podatek0);
  in.nb = std::move(nb);
  return in;
}

TEST(VatBuckets, CodesFallIntoTheirColumnsAndTheRestIntoQuestionMarks) {
  EXPECT_EQ(ColumnOf("23"), RateColumn::k23);
  EXPECT_EQ(ColumnOf(" 8"), RateColumn::k8);
  EXPECT_EQ(ColumnOf("8"), RateColumn::k8);
  EXPECT_EQ(ColumnOf(" 0"), RateColumn::k0);
  EXPECT_EQ(ColumnOf("ZW"), RateColumn::kZw);
  EXPECT_EQ(ColumnOf("NP"), RateColumn::kNp);
  EXPECT_EQ(ColumnOf("13"), RateColumn::k99);
  EXPECT_EQ(ColumnOf("  "), RateColumn::k99);
  RateBuckets b;
  b.Add(RateColumn::kZw, 10, 5);  // no VAT in an exempt column, whatever the line says
  EXPECT_EQ(b.Vat(), 0);
  EXPECT_EQ(b.gross, 10);
}

TEST(VatBuckets, CurrencyLinesKeepSixPlacesUntilTheDocumentIsRounded) {
  LineValuationInput in = Line(Kind("FE ", 'R', 'S'), 2.501, 0, " 0");
  in.kurs = 4;
  RateBuckets doc;
  for (int i = 0; i < 2; ++i) AddLine(doc, in, ValueOfLine(in));
  doc.RoundDocument();
  EXPECT_DOUBLE_EQ(doc.Net(), 20.01);
  EXPECT_DOUBLE_EQ(doc.gross, 20.01);
}

TEST(VatBuckets, FiftyFiftyMovesHalfTheVatToTheNet) {
  LineValuationInput in = Line(Kind("FZ ", 'P', 'Z', "ZAKUP SAMOCHODU 50/50 "), 100, 23);
  in.header_text = "PALIWO";
  LineValue v = ValueOfLine(in);
  EXPECT_DOUBLE_EQ(v.net, 111.5);
  EXPECT_DOUBLE_EQ(v.vat, 11.5);
  in.header_text = "ZAKUP 100/100 ";  // the header says the whole VAT is deducted
  EXPECT_FALSE(FiftyFifty(in));
  in.header_text = "";
  in.no_fifty_marker = true;
  EXPECT_DOUBLE_EQ(ValueOfLine(in).vat, 23);
}

TEST(VatBuckets, EachKindOfLineIsValuedByItsRule) {
  // A warehouse issue at purchase price, no VAT.
  LineValuationInput rw = Line(Kind("RW ", 'R', 'D'), 50, 11.5);
  rw.ilosc = 3;
  rw.cena0 = 2.345;
  EXPECT_DOUBLE_EQ(ValueOfLine(rw).net, 7.04);
  EXPECT_DOUBLE_EQ(ValueOfLine(rw).vat, 0);
  // An internal purchase invoice: no VAT.
  EXPECT_DOUBLE_EQ(ValueOfLine(Line(Kind("FW ", 'P', 'Z', "FAKTURA WEWN"), 80, 18.4)).vat, 0);
  // Reverse charge: net from the currency price at the second rate, VAT at the line's rate.
  LineValuationInput odw = Line(Kind("FI ", 'P', 'Z', "ODWROTNE"), 0, 0, "23");
  odw.ilosc = 2;
  odw.dolar_i = 10;
  odw.kurs = 4.3;
  odw.kurs_1 = 4.25;
  EXPECT_DOUBLE_EQ(ValueOfLine(odw).net, 85);
  EXPECT_DOUBLE_EQ(ValueOfLine(odw).vat, 19.55);
  // A gross-priced sale: its VAT is inside the value.
  LineValuationInput sd = Line(Kind("SD ", 'R', 'S'), 123, 23, "23", " ");
  RateBuckets b;
  AddLine(b, sd, ValueOfLine(sd));
  b.RoundDocument();
  EXPECT_DOUBLE_EQ(b.net[static_cast<size_t>(RateColumn::k23)], 100);
  EXPECT_DOUBLE_EQ(b.vat[static_cast<size_t>(RateColumn::k23)], 23);
  EXPECT_DOUBLE_EQ(b.gross, 123);
}

}  // namespace
}  // namespace hurt::reports
