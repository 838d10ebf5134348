// Corrections of posted documents: the posted document stays as it was until the corrected
// one is posted, which replaces it whole; abandoning leaves it untouched; a correction left
// without lines may remove it. And the exit routine.
#include <gtest/gtest.h>

#include "documents/document_hold.h"
#include "documents/line_session.h"
#include "documents/posting.h"
#include "documents/posting_fixture.h"
#include "documents/reservation_ledger.h"
#include "documents/reservations.h"

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
  // The first working line gets another quantity (the reservation of an issue line
  // follows, as in the grid).
  void Requantify(double ilosc, double cena, bool issue = true) {
    xbase::WorkArea& dd = A(TableId::kDd);
    ASSERT_TRUE(dd.GoTop().ok());
    const double old = Num(dd, "ILOSC");
    if (issue) {
      ReservationRequest rq{Txt(dd, "MAG"), Txt(dd, "INDEKS"), old, ilosc, true};
      auto moved = ChangeReservation(st1().ui, A(TableId::kAs), StationLedgerOf(s()), rq);
      ASSERT_TRUE(moved.ok()) << moved.status().ToString();
      ilosc = moved->ilosc;
    }
    ASSERT_TRUE(dd.GoTop().ok());
    ASSERT_TRUE(dd.LockRecord().ok());
    const double wartosc = NewRound(ilosc * cena, 2);
    ASSERT_TRUE(dd.Replace("ILOSC", xbase::Value(ilosc)).ok());
    ASSERT_TRUE(dd.Replace("CENA", xbase::Value(cena)).ok());
    ASSERT_TRUE(dd.Replace("WARTOSC", xbase::Value(wartosc)).ok());
    ASSERT_TRUE(dd.Replace("PODATEK", xbase::Value(NewRound(wartosc * 0.23, 2))).ok());
    ASSERT_TRUE(dd.Unlock().ok());
  }
  // A snapshot of everything a correction may touch.
  struct State {
    uint32_t headers = 0, lines = 0, entries = 0;
    double a1 = 0, a1_rez = 0, b1 = 0, b1_cena0 = 0, netto = 0;
    bool operator==(const State&) const = default;
  };
  State Now(const std::string& key) {
    State st{Visible(TableId::kDowod), Visible(TableId::kDow), Visible(TableId::kFaN), Stock("1", "A1"),
             Stock("1", "A1", "REZERWA0"), Stock("1", "B1"), Stock("1", "B1", "CENA0"), 0};
    if (SeekIn(A(TableId::kDowod), key)) st.netto = Num(A(TableId::kDowod), "NETTO");
    return st;
  }
  DocumentHold hold_;
};

TEST_F(Reopen, TheCorrectedSaleReplacesThePostedOneOnlyWhenPosted) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());
  const State posted = Now("FV       12");
  ASSERT_DOUBLE_EQ(posted.a1, 7);
  s().op().nr = "0";  // a settled document needs operator 0 or right 1
  ASSERT_TRUE(RepDWithDow(s(), st1().ui, "FV", "12", hold_));
  // Opening the correction changes nothing of the posted document.
  EXPECT_EQ(Now("FV       12"), posted);
  ASSERT_EQ(Visible(TableId::kDd), 1u);
  xbase::WorkArea& dd = A(TableId::kDd);
  ASSERT_TRUE(dd.GoTop().ok());
  EXPECT_DOUBLE_EQ(Num(dd, "ILOSC"), 3);
  EXPECT_DOUBLE_EQ(Num(dd, "BRUTTO"), 36.9) << "the gross of a posted net line";
  auto ledger = ReadLedger(mem_, LedgerPath(".", 1));
  ASSERT_TRUE(ledger.ok());
  EXPECT_DOUBLE_EQ((*ledger)["1A1      "].credit, 3);
  // Raised to 5: only the 2 beyond the posted 3 are reserved meanwhile.
  Requantify(5, 10);
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 7);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "REZERWA0"), 5);
  Header("FV", "K1", "T", nullptr, 2);
  s().vars().Set("M_NRD", "      12");
  ASSERT_TRUE(Post(nullptr, 2));
  EXPECT_EQ(Counter("FV"), 12);
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 5);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "B_R_I"), 5);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "REZERWA0"), 3) << "the other stations' reservation stays";
  EXPECT_EQ(Visible(TableId::kDowod), 1u);
  ASSERT_TRUE(SeekIn(A(TableId::kDowod), "FV       12"));
  EXPECT_EQ(Txt(A(TableId::kDowod), "ZAP"), "2");
  EXPECT_DOUBLE_EQ(Num(A(TableId::kDowod), "NETTO"), 50);
  EXPECT_EQ(Visible(TableId::kDow), 1u);
  EXPECT_EQ(Visible(TableId::kFaN), 1u);
  ASSERT_TRUE(SeekIn(A(TableId::kFaN), "FV       12"));
  EXPECT_DOUBLE_EQ(Num(A(TableId::kFaN), "OBWN"), 61.5);
  EXPECT_FALSE(mem_.Exists("rob/rez01.txt")) << "nothing is held once posted";
  EXPECT_EQ(*A(TableId::kDow).RecCount(), 1u) << "the corrected line went over the posted record";
  ExpectIndexesVerify();
}

TEST_F(Reopen, AnAbandonedCorrectionLeavesThePostedDocumentAsItWas) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());
  const State posted = Now("FV       12");
  s().op().nr = "0";
  ASSERT_TRUE(RepDWithDow(s(), st1().ui, "FV", "12", hold_));
  Requantify(6, 10);
  Header("FV", "K1", "T", nullptr, 2);
  s().vars().Set("M_NRD", "      12");
  st1().backend.Key('N');  // "CZY SKONCZYŁES EDYCJE DOWODU ?"
  EXPECT_TRUE(Wyjscie(s(), st1().ui, false));
  EXPECT_EQ(Now("FV       12"), posted);
  EXPECT_EQ(Visible(TableId::kDd), 0u);
  EXPECT_FALSE(mem_.Exists("rob/rez01.txt"));
}

TEST_F(Reopen, AReceiptCorrectionTakesItsCostBackAndAveragesTheNewPrice) {
  Header("PZ", "D1", "G");
  Line("B1", 10, 6);
  ASSERT_TRUE(Post());
  ASSERT_DOUBLE_EQ(Stock("1", "B1", "CENA0"), 5.5);
  ASSERT_TRUE(RepDWithDow(s(), st1().ui, "PZ", "1", hold_));
  EXPECT_DOUBLE_EQ(Stock("1", "B1"), 20);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "CENA0"), 5.5);
  // Purchase receipts edit their cost as the price.
  xbase::WorkArea& dd = A(TableId::kDd);
  ASSERT_TRUE(dd.GoTop().ok());
  EXPECT_DOUBLE_EQ(Num(dd, "CENA0"), 6);
  Requantify(10, 7, /*issue=*/false);
  Header("PZ", "D1", "G", nullptr, 2);
  s().vars().Set("M_NRD", "       1");
  ASSERT_TRUE(Post(nullptr, 2));
  EXPECT_DOUBLE_EQ(Stock("1", "B1"), 20);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "B_P_I"), 10);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "CENA0"), 6) << "(10 x 5 + 10 x 7) / 20";
}

TEST_F(Reopen, ACorrectionLeftWithoutLinesMayRemoveTheDocument) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());
  const State posted = Now("FV       12");
  s().op().nr = "0";
  for (char answer : {'N', 'T'}) {
    ASSERT_TRUE(RepDWithDow(s(), st1().ui, "FV", "12", hold_));
    ASSERT_TRUE(session::NoweDd(s(), st1().ui));  // every line deleted in the grid
    Header("FV", "K1", "T", nullptr, 2);
    s().vars().Set("M_NRD", "      12");
    st1().backend.Key(answer);  // "Dowód bez pozycji - usunąć FV-12 ?"
    EXPECT_TRUE(Wyjscie(s(), st1().ui, false));
    hold_.Release();
    if (answer == 'N') {
      EXPECT_EQ(Now("FV       12"), posted);
    }
  }
  EXPECT_EQ(Visible(TableId::kDowod), 0u);
  EXPECT_EQ(Visible(TableId::kDow), 0u);
  EXPECT_EQ(Visible(TableId::kFaN), 0u);
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 10);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "B_R_I"), 0);
  EXPECT_EQ(Counter("FV"), 12) << "the number stays given";
  ExpectIndexesVerify();
  auto log = mem_.Contents("./kanty.txt");
  if (!log.ok()) log = mem_.Contents("kanty.txt");
  ASSERT_TRUE(log.ok());
  EXPECT_NE(log->find("FV-12 36.90 usunieto dowod"), std::string::npos) << *log;  // what it was worth
}

TEST_F(Reopen, ASettledDocumentNeedsTheRightsAndAMissingOneIsSaid) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());
  s().op().prawa = "N";
  EXPECT_FALSE(RepDWithDow(s(), st1().ui, "FV", "12", hold_));
  EXPECT_EQ(Visible(TableId::kDowod), 1u);
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 7);
  EXPECT_FALSE(RepDWithDow(s(), st1().ui, "FV", "99", hold_));
}

TEST_F(Reopen, ADocumentUnderCorrectionIsNotCorrectedElsewhere) {
  Header("FV", "K1", "G");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());
  auto other = OtherStation(2);
  ASSERT_TRUE(RepDWithDow(s(), st1().ui, "FV", "12", hold_));
  DocumentHold theirs;
  EXPECT_FALSE(RepDWithDow(other->s(), other->ui, "FV", "12", theirs));
  hold_.Release();
  EXPECT_TRUE(RepDWithDow(other->s(), other->ui, "FV", "12", theirs));
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

// The printed number was not taken; another station posted a document with it meanwhile:
// the counter stays, or the next document would be given a number already in use.
TEST_F(Exit, AbandoningAPrintedNumberAnotherStationPostedKeepsTheCounter) {
  Header("FV", "K1", "G");
  s().vars().Set("M_NRD", "      11");
  s().vars().Set("JEST_WYDRUK", true);
  Line("A1", 1, 10);
  AddRecord(A(TableId::kDowod), {{"RD", "FV "}, {"NRD", "      11"}, {"ODB", "K2"}});
  st1().backend.Key('N');
  EXPECT_TRUE(Wyjscie(s(), st1().ui, false));
  EXPECT_EQ(Counter("FV"), 11);
  EXPECT_EQ(Visible(TableId::kDd), 0u);
}

TEST_F(Exit, DisplayModeDropsTheLinesWithoutPosting) {
  Header("FV", "K1", "G", nullptr, 1);
  Line("A1", 1, 10);
  EXPECT_TRUE(Wyjscie(s(), st1().ui, false));
  EXPECT_EQ(Count(TableId::kDowod), 0u);
  EXPECT_EQ(Visible(TableId::kDd), 0u);
}

TEST_F(Exit, AnIssueNoteIsNeverPaid) {
  Kind("WZ", 'R', 'S', "WYDANIE ZEWNETRZNE", 0);
  Header("WZ", "K1", "P");
  s().vars().Set("M_TEZ", 7);
  Line("A1", 1, 10);
  EXPECT_TRUE(Wyjscie(s(), st1().ui, true));
  ASSERT_TRUE(SeekIn(A(TableId::kDowod), "WZ        1"));
  EXPECT_EQ(Txt(A(TableId::kDowod), "SPZ"), "B");
  EXPECT_DOUBLE_EQ(Num(A(TableId::kDowod), "TEZ"), 0);
  EXPECT_EQ(Visible(TableId::kFaN), 0u) << "no receivable for an issue note";
}

}  // namespace
}  // namespace hurt::documents::testing
