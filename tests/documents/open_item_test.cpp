// The open item of a document header and what it adds to the counterparty's balance.
#include "documents/open_item.h"

#include <gtest/gtest.h>

#include "base/date.h"

namespace hurt::documents {
namespace {

OpenItemHeader Doc(char r_p, char s_z, const char* rd, const char* spz, double netto, double vat) {
  OpenItemHeader h;
  h.r_p = r_p;
  h.s_z = s_z;
  h.rd = rd;
  h.mag = "1";
  h.spz = spz;
  h.netto = netto;
  h.vat = vat;
  h.data = JulianFromYmd(2026, 3, 10);
  h.tez = 14;
  h.odbiorca = "HURTOWNIA POD LIPAMI SP. Z O.O.";
  return h;
}

TEST(OpenItem, GoodsDocumentsTakeTheirSideAndTerm) {
  // A sale on credit is owed to us; a purchase on credit owed by us.
  auto sale = OpenItemOf(Doc('R', 'S', "FV ", "P", 100, 23));
  ASSERT_TRUE(sale);
  EXPECT_EQ(sale->obwn, 123);
  EXPECT_EQ(sale->obma, 0);
  EXPECT_EQ(sale->termin, JulianFromYmd(2026, 3, 24));
  EXPECT_EQ(sale->tresc, "HURTOWNIA POD LIP");
  EXPECT_EQ(sale->saldo_wn, 123);

  OpenItemHeader pz = Doc('P', 'Z', "PZ ", "P", 200, 46);
  pz.reszta = 10;  // deposits, with their share of VAT, for a purchase on credit
  auto purchase = OpenItemOf(pz);
  ASSERT_TRUE(purchase);
  EXPECT_DOUBLE_EQ(purchase->obma, 258.3);
  EXPECT_EQ(purchase->obwn, 0);

  // Corrections: of a sale on the debit side, of a purchase on the credit side (negative
  // when they lower the document).
  auto ks = OpenItemOf(Doc('K', 'S', "KS ", "P", -50, -11.5));
  ASSERT_TRUE(ks);
  EXPECT_DOUBLE_EQ(ks->obwn, -61.5);
  EXPECT_EQ(ks->obma, 0);
  auto kz = OpenItemOf(Doc('K', 'Z', "KZ ", "P", -10, -2.3));
  ASSERT_TRUE(kz);
  EXPECT_DOUBLE_EQ(kz->obma, -12.3);
  EXPECT_EQ(kz->obwn, 0);

  // What was paid at issue lands on the other side.
  OpenItemHeader part = Doc('R', 'S', "FV ", "P", 100, 23);
  part.kwota = 23;
  EXPECT_EQ(OpenItemOf(part)->obma, 23);
  part.rd = "BO ";
  EXPECT_EQ(OpenItemOf(part)->obma, 0);
}

TEST(OpenItem, CashNoPaymentAndProFormaLeaveNoItem) {
  EXPECT_FALSE(OpenItemOf(Doc('R', 'S', "FV ", "G", 100, 23)));
  EXPECT_FALSE(OpenItemOf(Doc('R', 'S', "FV ", "B", 100, 23)));
  OpenItemHeader pro = Doc('R', 'S', "PRO", "P", 100, 23);
  pro.proforma = true;
  EXPECT_FALSE(OpenItemOf(pro));
}

TEST(OpenItem, CurrencyAmountsGoToTheBalanceByTheRate) {
  OpenItemHeader h = Doc('R', 'S', "FE ", "P", 100, 0);
  h.kurs = 4.3217;
  auto item = OpenItemOf(h);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->obwn, 100);
  EXPECT_DOUBLE_EQ(item->saldo_wn, 432.17);
  EXPECT_DOUBLE_EQ(HomeAmount(10.01, 4.3217), 43.26);
  EXPECT_EQ(HomeAmount(10.01, 0), 10.01);
}

TEST(OpenItem, FlatRateFarmerKeepsBackATenthOfAPercent) {
  OpenItemHeader h = Doc('P', 'Z', "FR ", "P", 1234.56, 86.42);
  h.farmer_kind = true;
  h.m_data_rr = JulianFromYmd(2026, 1, 1);
  // NETTO ≥ 500: 1.23 kept back, from the item and from the balance.
  EXPECT_DOUBLE_EQ(OpenItemOf(h)->obma, 1320.98 - 1.23);
  EXPECT_DOUBLE_EQ(OpenItemOf(h)->saldo_ma, 1320.98 - 1.23);
  h.rolnik_rr0 = true;  // whole units
  EXPECT_DOUBLE_EQ(OpenItemOf(h)->obma, 1320.98 - 1);

  // Below 500: only a document dated before M_DATA_RR, or M_DATA_RR at 01.01.2001.
  OpenItemHeader small = Doc('P', 'Z', "FR ", "P", 400, 28);
  small.farmer_kind = true;
  small.m_data_rr = JulianFromYmd(2026, 1, 1);
  EXPECT_EQ(OpenItemOf(small)->obma, 428);
  small.m_data_rr = JulianFromYmd(2026, 4, 1);
  EXPECT_DOUBLE_EQ(OpenItemOf(small)->obma, 427.6);
  small.m_data_rr = JulianFromYmd(2001, 1, 1);
  EXPECT_DOUBLE_EQ(OpenItemOf(small)->obma, 427.6);

  // Not a farmer's kind: nothing kept back.
  small.farmer_kind = false;
  EXPECT_EQ(OpenItemOf(small)->obma, 428);
}

TEST(OpenItem, MoneyDocumentsTakeTheirKwota) {
  OpenItemHeader kp = Doc('R', 'S', "KP ", " ", 0, 0);
  kp.mag = "0";
  kp.kwota = 50;
  auto item = OpenItemOf(kp);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->obma, 50);
  EXPECT_EQ(item->spz, "G");
  OpenItemHeader noo = kp;
  noo.rd = "NOO";
  EXPECT_EQ(OpenItemOf(noo)->obwn, 50);
  EXPECT_EQ(OpenItemOf(noo)->termin, JulianFromYmd(2026, 3, 24));
}

}  // namespace
}  // namespace hurt::documents
