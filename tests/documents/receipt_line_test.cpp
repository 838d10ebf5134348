#include "documents/receipt_line.h"

#include <gtest/gtest.h>

namespace hurt::documents {
namespace {

ReceiptCardStart Start(char s_z) {
  ReceiptCardStart s;
  s.kind.rd = "PZ ";
  s.kind.r_p = 'P';
  s.kind.s_z = s_z;
  s.line_rate = " 8";
  s.prices.cena_pz = 8;
  s.prices.cena = 10;
  s.prices.cena2 = 10.8;
  s.podatek0 = " 8";
  s.j_vat = "23";
  s.year = 2026;
  s.month = 12;
  return s;
}

TEST(ReceiptCardStartTest, AFreshLineStartsFromTheArticleALineTypedBeforeFromItself) {
  ReceiptCardStart s = Start('Z');
  s.fresh = true;
  ReceiptCardEdit e = StartCard(s);
  EXPECT_DOUBLE_EQ(e.card.p_ilosc_pz, 0);
  EXPECT_DOUBLE_EQ(e.card.p_cena_pz, 8);
  EXPECT_EQ(e.card.p_vat0_pz, " 8");  // a purchase: the selling rate
  EXPECT_DOUBLE_EQ(e.card.p_marza, 25);
  EXPECT_DOUBLE_EQ(e.card.p_marzam, 0) << "no lowest price, no mark-up";

  s.fresh = false;
  s.line.ilosc = 4;
  s.line.cena = 7.5;
  s.line.podatek0 = " 5";
  e = StartCard(s);
  EXPECT_DOUBLE_EQ(e.card.p_netto_pz, 30);
  EXPECT_EQ(e.card.p_vat0_pz, " 5") << "the purchase rate typed before";
  EXPECT_DOUBLE_EQ(e.card.p_vat_pz, 1.5);
  EXPECT_EQ(StartCard(Start('D')).card.p_vat0_pz, "23") << "a warehouse receipt: J_VAT";

  // A currency purchase: the line's price is the currency price.
  s.waluta = "EUR";
  s.kurs = 4.5;
  e = StartCard(s);
  EXPECT_TRUE(e.currency());
  EXPECT_DOUBLE_EQ(e.p_dolar, 7.5);
  EXPECT_DOUBLE_EQ(e.card.p_cena_pz, 33.75);
  s.waluta = "PLN";
  EXPECT_FALSE(StartCard(s).currency());
}

}  // namespace
}  // namespace hurt::documents
