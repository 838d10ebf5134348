// Reopening a posted document for correction, posting it again, and the exit routine.
#include <gtest/gtest.h>

#include "documents/posting.h"
#include "documents/posting_fixture.h"

namespace hurt::documents::testing {
namespace {

using store::TableId;

class Reopen : public PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT", 11);
    Kind("PZ", 'P', 'Z', "PRZYJECIE ZEWNETRZNE", 0, 'D');
    Article("1", "A1", 10, 5, 3);
    Article("1", "B1", 10, 5);
  }
  uint32_t Visible(TableId id) {
    xbase::WorkArea& a = A(id);
    uint32_t n = 0;
    EXPECT_TRUE(a.GoTop().ok());
    while (!a.eof()) {
      ++n;
      EXPECT_TRUE(a.Skip().ok());
    }
    return n;
  }
};

TEST_F(Reopen, ASaleComesBackIntoTheGridWithItsStockAndPostsAgainCorrected) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());
  ASSERT_DOUBLE_EQ(Stock("1", "A1"), 7);
  s().op().nr = "0";  // a settled document needs operator 0 or right 1
  ASSERT_TRUE(RepDWithDow(s(), st1().ui, "FV", "12"));
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 10);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "B_R_I"), 0);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "REZERWA0"), 3);  // held again by the reopened document
  EXPECT_EQ(Visible(TableId::kDowod), 0u);
  EXPECT_EQ(Visible(TableId::kDow), 0u);
  EXPECT_EQ(Visible(TableId::kFaN), 0u);
  ASSERT_EQ(Visible(TableId::kDd), 1u);
  xbase::WorkArea& dd = A(TableId::kDd);
  ASSERT_TRUE(dd.GoTop().ok());
  EXPECT_DOUBLE_EQ(Num(dd, "ILOSC"), 3);
  EXPECT_FALSE(mem_.Exists("rob/post01.jnl"));
  // Corrected to 2 and posted again under its number.
  ASSERT_TRUE(dd.LockRecord().ok());
  ASSERT_TRUE(dd.Replace("ILOSC", xbase::Value(2.0)).ok());
  ASSERT_TRUE(dd.Replace("WARTOSC", xbase::Value(20.0)).ok());
  ASSERT_TRUE(dd.Replace("PODATEK", xbase::Value(4.6)).ok());
  ASSERT_TRUE(dd.Unlock().ok());
  Header("FV", "K1", "T", nullptr, 2);
  s().vars().Set("M_NRD", "      12");
  ASSERT_TRUE(Post(nullptr, 2));
  EXPECT_EQ(Counter("FV"), 12);
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 8);
  EXPECT_EQ(Visible(TableId::kDowod), 1u);
  ASSERT_TRUE(SeekIn(A(TableId::kDowod), "FV       12"));
  EXPECT_EQ(Txt(A(TableId::kDowod), "ZAP"), "2");
  EXPECT_DOUBLE_EQ(Num(A(TableId::kDowod), "NETTO"), 20);
  EXPECT_EQ(Visible(TableId::kDow), 1u);
  EXPECT_EQ(Visible(TableId::kFaN), 1u);
  ExpectIndexesVerify();
}

TEST_F(Reopen, AReceiptTakenBackRestoresTheCostPrice) {
  Header("PZ", "D1", "G");
  Line("B1", 10, 6);
  ASSERT_TRUE(Post());
  ASSERT_DOUBLE_EQ(Stock("1", "B1", "CENA0"), 5.5);
  ASSERT_TRUE(RepDWithDow(s(), st1().ui, "PZ", "1"));
  EXPECT_DOUBLE_EQ(Stock("1", "B1"), 10);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "B_P_I"), 0);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "CENA0"), 5);
  // Purchase receipts edit their cost as the price.
  xbase::WorkArea& dd = A(TableId::kDd);
  ASSERT_TRUE(dd.GoTop().ok());
  EXPECT_DOUBLE_EQ(Num(dd, "CENA0"), 6);
}

TEST_F(Reopen, ASettledDocumentNeedsTheRightsAndAMissingOneIsSaid) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());
  s().op().prawa = "N";
  EXPECT_FALSE(RepDWithDow(s(), st1().ui, "FV", "12"));
  EXPECT_EQ(Visible(TableId::kDowod), 1u);
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 7);
  EXPECT_FALSE(RepDWithDow(s(), st1().ui, "FV", "99"));
}

class Exit : public Reopen {};

TEST_F(Exit, ABlankPaymentKeepsTheDocumentInTheGrid) {
  Header("FV", "K1", " ");
  Line("A1", 1, 10);
  EXPECT_FALSE(Wyjscie(s(), st1().ui, true));
  EXPECT_EQ(Count(TableId::kDowod), 0u);
  EXPECT_EQ(Visible(TableId::kDd), 1u);
}

TEST_F(Exit, PostingEmptiesTheGrid) {
  Header("FV", "K1", "G");
  Line("A1", 1, 10);
  EXPECT_TRUE(Wyjscie(s(), st1().ui, true));
  EXPECT_EQ(Visible(TableId::kDowod), 1u);
  EXPECT_EQ(Visible(TableId::kDd), 0u);
}

TEST_F(Exit, AbandoningAPrintedDocumentGivesItsNumberBackAndLogsIt) {
  Header("FV", "K1", "G");
  s().vars().Set("M_NRD", "      11");
  s().vars().Set("JEST_WYDRUK", true);
  Line("A1", 1, 10);
  st1().backend.Key('N');
  EXPECT_TRUE(Wyjscie(s(), st1().ui, false));
  EXPECT_EQ(Counter("FV"), 10);
  EXPECT_EQ(Count(TableId::kDowod), 0u);
  EXPECT_EQ(Visible(TableId::kDd), 0u);
  auto log = mem_.Contents("./kanty.txt");
  if (!log.ok()) log = mem_.Contents("kanty.txt");
  ASSERT_TRUE(log.ok());
  EXPECT_NE(log->find("FV-11 12.30 wydrukowano, nie zaksiegowano"), std::string::npos) << *log;
}

TEST_F(Exit, DisplayModeDropsTheLinesWithoutPosting) {
  Header("FV", "K1", "G", nullptr, 1);
  Line("A1", 1, 10);
  EXPECT_TRUE(Wyjscie(s(), st1().ui, false));
  EXPECT_EQ(Count(TableId::kDowod), 0u);
  EXPECT_EQ(Visible(TableId::kDd), 0u);
}

}  // namespace
}  // namespace hurt::documents::testing
