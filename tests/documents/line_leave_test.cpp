// What leaving the line grid and the exit routine decide without a screen: the checks of
// the lines and their reports, the price labels, the payment of the counterparty's card,
// the order of a sale's lines, and the article found by a bar code.
#include <gtest/gtest.h>

#include "documents/line_grid_parts.h"
#include "documents/line_search.h"
#include "documents/posting_fixture.h"
#include "documents/posting_internal.h"
#include "documents/posting_math.h"

namespace hurt::documents::testing {
namespace {

using namespace posting_internal;
using store::TableId;
using xbase::Value;

TEST(LeaveChecks, CommissionWithinThePrice) {
  EXPECT_TRUE(CommissionSound(0, 10));
  EXPECT_TRUE(CommissionSound(10, 10));
  EXPECT_TRUE(CommissionSound(0, 0));
  EXPECT_FALSE(CommissionSound(-0.01, 10));
  EXPECT_FALSE(CommissionSound(10.01, 10));
  EXPECT_FALSE(CommissionSound(1, 0)) << "a commission on a line without a price";
}

TEST(LeaveChecks, DeliveryAddressOfSalesAndIssueNotes) {
  DocKind fv;
  fv.rd = "FV ";
  fv.r_p = 'R';
  fv.s_z = 'S';
  DocKind wz;
  wz.rd = "WZ ";
  wz.r_p = 'R';
  wz.s_z = 'D';
  DocKind pz;
  pz.rd = "PZ ";
  pz.r_p = 'P';
  pz.s_z = 'Z';
  EXPECT_TRUE(AsksDeliveryAddress(fv));
  EXPECT_TRUE(AsksDeliveryAddress(wz));
  EXPECT_FALSE(AsksDeliveryAddress(pz));
}

TEST(LeaveChecks, ReportsNameEveryFlaggedLine) {
  FlaggedLine below{"1", "TOWAR1  ", "ARTYKUL", 2, 4.5, 6, "23", ""};
  const std::vector<std::string> r = BelowCostReport({below});
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[3], "  1 TOWAR1   ARTYKUL                             2.000       4.50       6.00");
  FlaggedLine vat{"2", "TOWAR2  ", "INNY", 1, 10, 0, "22", "23"};
  const std::vector<std::string> v = VatReport({vat});
  ASSERT_EQ(v.size(), 4u);
  EXPECT_NE(v[3].find(" 22   23 ZLA STAWKA"), std::string::npos) << v[3];
}

TEST(PriceLabels, OnlyLinesWhosePriceChanged) {
  DocLine changed;
  changed.upust0 = 0.1;
  DocLine kept;
  DocLine discounted;
  discounted.upust0 = 10.0;
  EXPECT_TRUE(LineWantsLabel(changed));
  EXPECT_FALSE(LineWantsLabel(kept));
  EXPECT_FALSE(LineWantsLabel(discounted));
  const std::vector<std::string> l = PriceLabels({{"TOWAR1  ", "ARTYKUL PIERWSZY", "SZT", 10, 12.3}});
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(l[1], "| ARTYKUL PIERWSZY               |");
  EXPECT_EQ(l[2], "| Indeks: TOWAR1  SZT            |");
  EXPECT_EQ(l[4], "| Cena brutto: 12.30             |");
}

TEST(CardPayment, AskedOnlyForAnotherUsablePayment) {
  auto p = OtherCardPayment("P", 21, "G", 0);
  ASSERT_TRUE(p.has_value());
  EXPECT_EQ(PaymentQuestion(*p), "Zmienic sposob zaplaty na P21  ?");
  EXPECT_FALSE(OtherCardPayment("P", 21, "P", 21).has_value()) << "the same payment";
  EXPECT_TRUE(OtherCardPayment("P", 21, "P", 14).has_value()) << "another term";
  EXPECT_FALSE(OtherCardPayment("B", 0, "G", 0).has_value()) << "B is not a payment a card gives";
  EXPECT_FALSE(OtherCardPayment(" ", 0, "G", 0).has_value());
  EXPECT_EQ(PaymentQuestion(*OtherCardPayment("G", 0, "T", 14)), "Zmienic sposob zaplaty na G0  ?");
}

TEST(SaleLines, SortedByWarehouseCodeAndLineNumber) {
  auto line = [](const char* mag, const char* indeks, const char* lp) {
    DocLine l;
    l.mag = mag;
    l.indeks = indeks;
    l.lp = lp;
    return l;
  };
  std::vector<DocLine> lines{line("2", "A", "  1"), line("1", "B", "  2"), line("1", "A", " 10"),
                              line("1", "A", "  9")};
  SortSaleLines(lines);
  std::vector<std::string> got;
  for (const DocLine& l : lines) got.push_back(l.mag + l.indeks + AllTrim(l.lp));
  EXPECT_EQ(got, (std::vector<std::string>{"1A9", "1A10", "1B2", "2A1"}));
}

TEST(ArticleLookup, MarksOfTheCodeField) {
  EXPECT_EQ(LookupOf("?MLEKO"), ArticleLookup::kByName);
  EXPECT_EQ(LookupOf("~"), ArticleLookup::kByCode);
  EXPECT_EQ(LookupOf("`AB"), ArticleLookup::kByCode);
  EXPECT_EQ(LookupOf("TOWAR1"), ArticleLookup::kCode);
  EXPECT_EQ(DescendText(std::string("\x01\xff", 2)), std::string("\xff\x01", 2));
  EXPECT_EQ(DescendText(std::string(1, '\0')), std::string(1, '\0'));
}

// A sale with J_FA_SORT "T" goes into dow by article code, numbered from 1 again.
class LeavePosting : public PostingTest {};

TEST_F(LeavePosting, SortedSaleIsPostedInArticleOrder) {
  Kind("FV ", 'R', 'S');
  Article("1", "C", 100, 5);
  Article("1", "A", 100, 5);
  Article("1", "B", 100, 5);
  Line("C", 1, 8);
  Line("A", 2, 8);
  Line("B", 3, 8);
  Header("FV ", "K1", "G");
  ASSERT_TRUE(A(TableId::kDd).SetOrder(0).ok());  // the lines in entry order, as the grid leaves them
  ASSERT_TRUE(s().settings().SetText("J_FA_SORT", "T").ok());
  ASSERT_TRUE(Post());
  xbase::WorkArea& dow = A(TableId::kDow);
  ASSERT_TRUE(SeekIn(dow, "FV "));
  std::vector<std::string> got;
  for (; !dow.eof() && Txt(dow, "RD") == "FV "; (void)dow.Skip(1)) {
    got.push_back(AllTrim(Txt(dow, "LP")) + RTrim(Txt(dow, "INDEKS")) + Str(Num(dow, "ILOSC"), 1, 0));
  }
  EXPECT_EQ(got, (std::vector<std::string>{"1A2", "2B3", "3C1"}));
}

TEST_F(LeavePosting, UnsortedWithoutTheSetting) {
  Kind("FV ", 'R', 'S');
  Article("1", "C", 100, 5);
  Article("1", "A", 100, 5);
  Line("C", 1, 8);
  Line("A", 2, 8);
  Header("FV ", "K1", "G");
  ASSERT_TRUE(A(TableId::kDd).SetOrder(0).ok());
  ASSERT_TRUE(Post());
  xbase::WorkArea& dow = A(TableId::kDow);
  ASSERT_TRUE(SeekIn(dow, "FV "));
  EXPECT_EQ(RTrim(Txt(dow, "INDEKS")), "C");
}

// The batch option: an issue raises the issued quantity of the line's batch on the card;
// a correction that drops the line takes it back.
class BatchPosting : public PostingTest {
 protected:
  BatchPosting() : PostingTest({"partia.txt"}) {}
  void SetField(xbase::WorkArea& a, const char* field, const Value& v) {
    ASSERT_TRUE(a.LockRecord().ok());
    ASSERT_TRUE(a.Replace(field, v).ok());
    ASSERT_TRUE(a.Unlock().ok());
  }
};

TEST_F(BatchPosting, IssueRaisesItsBatchAndACorrectionTakesItBack) {
  xbase::WorkArea& as = A(TableId::kAs);
  xbase::WorkArea& dd = A(TableId::kDd);
  ASSERT_GE(as.FieldIndex("ILOSC_WYD2"), 0);
  ASSERT_GE(dd.FieldIndex("PARTIA"), 0);
  Kind("FV ", 'R', 'S');
  Article("1", "A", 100, 5);
  SetField(as, "PARTIA", Value("P1"));
  SetField(as, "ILOSC_WYD", Value(1.0));
  SetField(as, "PARTIA2", Value("P2"));
  Line("A", 3, 8);
  SetField(dd, "PARTIA", Value("P2"));
  Line("A", 2, 8);
  SetField(dd, "PARTIA", Value("P9"));  // a batch the card does not carry
  Header("FV ", "K1", "G");
  ASSERT_TRUE(Post());
  ASSERT_TRUE(AtArticle("1", "A"));
  EXPECT_DOUBLE_EQ(Num(as, "ILOSC"), 95);
  EXPECT_DOUBLE_EQ(Num(as, "ILOSC_WYD"), 1);
  EXPECT_DOUBLE_EQ(Num(as, "ILOSC_WYD2"), 3);
  ExpectIndexesVerify();

  const std::string nrd = Str(Counter("FV"), 8, 0);
  DocumentHold hold;
  ASSERT_TRUE(RepDWithDow(s(), st1().ui, "FV", nrd, hold));
  ASSERT_TRUE(AtArticle("1", "A"));
  EXPECT_DOUBLE_EQ(Num(as, "ILOSC_WYD2"), 3) << "opening a correction changes nothing";
  // The line of batch P2 is dropped and the correction posted (the working table is a new
  // one since the correction opened).
  xbase::WorkArea& lines = A(TableId::kDd);
  ASSERT_TRUE(lines.GoTop().ok());
  ASSERT_EQ(RTrim(Txt(lines, "PARTIA")), "P2");
  ASSERT_TRUE(lines.LockRecord().ok());
  ASSERT_TRUE(lines.Delete().ok());
  ASSERT_TRUE(lines.Unlock().ok());
  Header("FV ", "K1", "G", nullptr, 2);
  s().vars().Set("M_NRD", nrd);
  ASSERT_TRUE(Post(nullptr, 2));
  ASSERT_TRUE(AtArticle("1", "A"));
  EXPECT_DOUBLE_EQ(Num(as, "ILOSC"), 98);
  EXPECT_DOUBLE_EQ(Num(as, "ILOSC_WYD2"), 0);
  EXPECT_DOUBLE_EQ(Num(as, "ILOSC_WYD"), 1);
  ExpectIndexesVerify();
}

TEST(Batches, SlotsByNumber) {
  EXPECT_EQ(BatchField("PARTIA", 1), "PARTIA");
  EXPECT_EQ(BatchField("ILOSC_WYD", 4), "ILOSC_WYD4");
  const std::array<std::string, kBatchSlots> numbers{"A1   ", "", "B2", "A1"};
  EXPECT_EQ(BatchSlot(numbers, "A1"), 1) << "the first slot of a number";
  EXPECT_EQ(BatchSlot(numbers, "  B2 "), 3);
  EXPECT_EQ(BatchSlot(numbers, "C3"), 0);
  EXPECT_EQ(BatchSlot(numbers, "   "), 0) << "a line without a batch touches none, not the empty slot";
}

}  // namespace
}  // namespace hurt::documents::testing

namespace hurt::documents::testing {
namespace {

// Customer orders go into the order tables under their own numbers; no stock moves.
class OrderSaving : public PostingTest {
 protected:
  OrderSaving() : PostingTest({"fv_zal.txt"}) {}
  // An order table read back in work area `area` (its first order attached), opened anew.
  xbase::WorkArea& OrderTable(int area, const std::string& name) {
    (void)s().areas().Close(area);
    auto opened = s().areas().Open(area, s().Path("fv_zam/" + name + ".dbf"), "t_" + name);
    EXPECT_TRUE(opened.ok());
    EXPECT_TRUE((*opened)->AttachOrder(s().Path("fv_zam/" + name + "1.ntx")).ok());
    EXPECT_TRUE((*opened)->SetOrder(1).ok());
    return **opened;
  }
  // The lines of order K1+ZAM+nrd: "LP INDEKS ILOSC".
  std::vector<std::string> OrderLines(const std::string& nrd) {
    xbase::WorkArea& dow = OrderTable(170, "dow");
    std::vector<std::string> out;
    const std::string key = PadR("K1", 8) + "ZAM" + PadL(nrd, 8);
    if (!SeekIn(dow, key)) return out;
    for (; !dow.eof() && Txt(dow, "ODB") + Txt(dow, "RD") + Txt(dow, "NRD") == key; (void)dow.Skip(1)) {
      out.push_back(AllTrim(Txt(dow, "LP")) + " " + RTrim(Txt(dow, "INDEKS")) + " " + Str(Num(dow, "ILOSC"), 1, 0));
    }
    return out;
  }
};

TEST_F(OrderSaving, NumberedSavedAndReplacedWithoutTouchingStock) {
  Kind("ZAM", 'R', 'S', "ZAMOWIENIE", 0, 'O');
  Article("1", "A", 10, 5, 0);
  Article("1", "B", 10, 5, 0);
  Line("A", 3, 8);
  Line("B", 4, 8);
  Header("ZAM", "K1", "G");
  ASSERT_TRUE(Post());
  EXPECT_EQ(s().vars().Text("M_NRD"), "       1");
  EXPECT_EQ(OrderLines("1"), (std::vector<std::string>{"1 A 3", "2 B 4"}));
  xbase::WorkArea& headers = OrderTable(171, "dowod");
  ASSERT_TRUE(SeekIn(headers, PadR("K1", 8) + "ZAM" + PadL("1", 8)));
  EXPECT_DOUBLE_EQ(Num(headers, "NETTO"), 56);
  EXPECT_DOUBLE_EQ(Num(headers, "VAT"), NewRound(24 * 0.23, 2) + NewRound(32 * 0.23, 2));
  EXPECT_DOUBLE_EQ(Stock("1", "A"), 10);
  EXPECT_DOUBLE_EQ(Stock("1", "A", "REZERWA0"), 0);
  EXPECT_EQ(Count(TableId::kDowod), 0u) << "an order is not a posted document";
  EXPECT_DOUBLE_EQ(Counter("ZAM"), 1);

  // The next order takes the next number.
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Line("B", 1, 8);
  Header("ZAM", "K1", "G");
  ASSERT_TRUE(Post());
  EXPECT_EQ(OrderLines("2"), (std::vector<std::string>{"1 B 1"}));

  // Order 1 saved again with one line: replaced whole.
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Line("A", 5, 8);
  Header("ZAM", "K1", "G", nullptr, 2);
  s().vars().Set("M_NRD", "       1");
  ASSERT_TRUE(Post(nullptr, 2));
  EXPECT_EQ(OrderLines("1"), (std::vector<std::string>{"1 A 5"}));
  EXPECT_DOUBLE_EQ(Counter("ZAM"), 2);
}

TEST_F(PostingTest, OrdersNeedTheOrderTables) {
  Kind("ZAM", 'R', 'S', "ZAMOWIENIE");
  Article("1", "A", 10, 5);
  Line("A", 1, 8);
  Header("ZAM", "K1", "G");
  EXPECT_FALSE(Post());
  EXPECT_EQ(Count(TableId::kDow), 0u);
}

}  // namespace
}  // namespace hurt::documents::testing
