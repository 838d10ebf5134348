// Posting of documents: numbers, header and lines, stock and cost prices, settlements,
// and the all-or-nothing rule when a record is busy or a write fails.
#include <gtest/gtest.h>

#include "documents/posting.h"
#include "documents/posting_fixture.h"
#include "documents/posting_journal.h"
#include "documents/station_recovery.h"
#include "xbase/lock_layout.h"

namespace hurt::documents::testing {
namespace {

using store::TableId;

class Posting : public PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT", 11);
    Kind("PZ", 'P', 'Z', "PRZYJECIE ZEWNETRZNE", 0, 'D');
    Kind("MM", 'M', 'D', "PRZESUNIECIE", 0);
    Article("1", "A1", 10, 5, 3);
    Article("1", "A2", 100, 2);
  }
  // The header of rd+nrd (positioned on it).
  bool AtHeader(const std::string& rd, const std::string& nrd) {
    return SeekIn(A(TableId::kDowod), PadR(rd, 3) + PadL(nrd, 8));
  }
};

TEST_F(Posting, ASaleTakesTheNextNumberWritesHeaderLinesStockAndSettlement) {
  Header("FV", "K1", "T");
  Reserve("A1", 3);
  Line("A1", 3, 10);
  Line("A2", 4, 2.5);
  ASSERT_TRUE(Post());
  EXPECT_EQ(s().vars().Text("M_NRD"), "      12");
  EXPECT_EQ(Counter("FV"), 12);
  ASSERT_TRUE(AtHeader("FV", "12"));
  xbase::WorkArea& h = A(TableId::kDowod);
  EXPECT_EQ(Txt(h, "R_P"), "R");
  EXPECT_EQ(Txt(h, "S_Z"), "S");
  EXPECT_EQ(Txt(h, "ODB"), "K1      ");
  EXPECT_EQ(Txt(h, "OPERATOR"), "1");
  EXPECT_DOUBLE_EQ(Num(h, "NETTO"), 40.0);  // 30 + 10
  EXPECT_DOUBLE_EQ(Num(h, "VAT"), 9.2);     // 6.90 + 2.30
  EXPECT_DOUBLE_EQ(Num(h, "WARTOSC0"), 23.0);  // 3 x 5 + 4 x 2
  // Lines renumbered, cost price from the article.
  xbase::WorkArea& dow = A(TableId::kDow);
  ASSERT_TRUE(SeekIn(dow, "FV       12  1"));
  EXPECT_EQ(Txt(dow, "INDEKS"), "A1      ");
  EXPECT_DOUBLE_EQ(Num(dow, "CENA0"), 5);
  EXPECT_DOUBLE_EQ(Num(dow, "WARTOSC"), 30);
  ASSERT_TRUE(SeekIn(dow, "FV       12  2"));
  EXPECT_EQ(Txt(dow, "INDEKS"), "A2      ");
  // Stock issued, reservation taken off.
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 7);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "B_R_I"), 3);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "B_R_I_SD"), 3);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "REZERWA0"), 3) << "this station's part is issued, the others' stays";
  EXPECT_FALSE(mem_.Exists("rob/rez01.txt"));
  EXPECT_DOUBLE_EQ(Stock("1", "A2"), 96);
  // Settlement entry on credit.
  xbase::WorkArea& fa = A(TableId::kFaN);
  ASSERT_TRUE(SeekIn(fa, "FV       12"));
  EXPECT_DOUBLE_EQ(Num(fa, "OBWN"), 49.2);
  EXPECT_DOUBLE_EQ(Num(fa, "OBMA"), 0);
  EXPECT_EQ(Txt(fa, "TERMIN"), "?");  // a date, not a text
  auto termin = fa.Get("TERMIN");
  EXPECT_EQ(termin->AsDate().day, JulianFromYmd(2026, 3, 28));
  // No journal is left.
  EXPECT_FALSE(mem_.Exists("./rob/post01.jnl"));
  EXPECT_FALSE(mem_.Exists("rob/post01.jnl"));
  ExpectIndexesVerify();
}

// The header given as a value is what is posted; the variables only give the working
// lines' session and get the number back.
TEST_F(Posting, AHeaderGivenAsAValueIsPostedAsGiven) {
  Header("FV", "K1", "T");
  Line("A2", 1, 10);
  PostingHeader header = ReadPostingHeader(s().vars());
  EXPECT_EQ(header.rd, "FV ");
  EXPECT_EQ(header.spz, "T");
  EXPECT_DOUBLE_EQ(header.tez, 14);
  header.nodb = "ODBIORCA Z NAGLOWKA";
  header.tez = 30;
  header.kwota = 2;
  ASSERT_TRUE(RepDowWithD(s(), st1().ui, 0, header));
  EXPECT_EQ(s().vars().Text("M_NRD"), "      12");
  ASSERT_TRUE(AtHeader("FV", "12"));
  xbase::WorkArea& h = A(TableId::kDowod);
  EXPECT_EQ(Txt(h, "NODB"), PadR("ODBIORCA Z NAGLOWKA", 50));
  EXPECT_DOUBLE_EQ(Num(h, "TEZ"), 30);
  EXPECT_DOUBLE_EQ(Num(h, "KWOTA"), 2);
  xbase::WorkArea& fa = A(TableId::kFaN);
  ASSERT_TRUE(SeekIn(fa, "FV       12"));
  EXPECT_EQ(fa.Get("TERMIN")->AsDate().day, JulianFromYmd(2026, 4, 13));
  EXPECT_DOUBLE_EQ(Num(fa, "OBMA"), 2);
}

TEST_F(Posting, CashSaleWritesNoSettlement) {
  Header("FV", "K1", "G");
  Line("A1", 1, 10);
  ASSERT_TRUE(Post());
  EXPECT_EQ(Count(TableId::kFaN), 0u);
}

TEST_F(Posting, ReceiptsAverageTheCostAndRecordTheLastReceipt) {
  Article("1", "B1", 10, 5);
  Article("1", "B2", -4, 5);
  Header("PZ", "DOST1", "P");
  Line("B1", 10, 6);
  Line("B2", 10, 6);
  ASSERT_TRUE(Post());
  EXPECT_DOUBLE_EQ(Stock("1", "B1"), 20);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "CENA0"), 5.5);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "B_P_I"), 10);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "CENA_PZ"), 6);
  EXPECT_DOUBLE_EQ(Stock("1", "B1", "ILOSC_PZ"), 10);
  EXPECT_EQ(Txt(A(TableId::kAs), "ODB"), "DOST1   ");
  EXPECT_EQ(Txt(A(TableId::kAs), "RD_PZ"), "PZ ");
  EXPECT_EQ(Txt(A(TableId::kAs), "NRD_PZ"), "       1");
  EXPECT_EQ(Txt(A(TableId::kAs), "S_Z_PZ"), "Z");
  EXPECT_DOUBLE_EQ(Stock("1", "B2"), 6);
  EXPECT_DOUBLE_EQ(Stock("1", "B2", "CENA0"), 6);
  // The line carries the new cost; the header the value at cost; the supplier is owed.
  ASSERT_TRUE(SeekIn(A(TableId::kDow), "PZ        1  1"));
  EXPECT_DOUBLE_EQ(Num(A(TableId::kDow), "CENA0"), 5.5);
  ASSERT_TRUE(SeekIn(A(TableId::kFaN), "PZ        1"));
  EXPECT_DOUBLE_EQ(Num(A(TableId::kFaN), "OBMA"), 147.6);
}

TEST_F(Posting, ATransferCreatesTheDestinationArticleFromItsSource) {
  Header("MM", "2", "B");
  Reserve("A1", 4);
  Line("A1", 4, 5);
  ASSERT_TRUE(Post());
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 6);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "REZERWA0"), 3);  // the 4 held here are issued, the others' 3 stay
  ASSERT_TRUE(AtArticle("2", "A1"));
  EXPECT_DOUBLE_EQ(Stock("2", "A1"), 4);
  EXPECT_DOUBLE_EQ(Stock("2", "A1", "B_P_I"), 4);
  EXPECT_DOUBLE_EQ(Stock("2", "A1", "CENA0"), 5);
  EXPECT_EQ(Txt(A(TableId::kAs), "NAZWA"), PadR("TOWAR", 30));
  EXPECT_EQ(Txt(A(TableId::kAs), "JM"), "szt");
  // A second transfer averages into the existing destination.
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("MM", "2", "B");
  Line("A2", 10, 2);
  Line("A1", 2, 5);
  ASSERT_TRUE(Post());
  EXPECT_DOUBLE_EQ(Stock("2", "A1"), 6);
  EXPECT_DOUBLE_EQ(Stock("2", "A2"), 10);
  ExpectIndexesVerify();
}

TEST_F(Posting, TheThousandthLineGetsTheNumberAfter999) {
  Header("FV", "K1", "G");
  for (int i = 0; i < 1001; ++i) Line("A2", 0.001, 1);
  ASSERT_TRUE(Post());
  xbase::WorkArea& dow = A(TableId::kDow);
  ASSERT_TRUE(SeekIn(dow, "FV       12999"));
  ASSERT_TRUE(dow.Skip().ok());
  EXPECT_EQ(Txt(dow, "LP"), "99:");
  ASSERT_TRUE(dow.Skip().ok());
  EXPECT_EQ(Txt(dow, "LP"), "99;");
  EXPECT_DOUBLE_EQ(Stock("1", "A2"), 98.999);
}

TEST_F(Posting, TwoStationsOfOneKindGetConsecutiveNumbers) {
  auto st2 = OtherStation(2);
  Header("FV", "K1", "G");
  Line("A1", 1, 10);
  Header("FV", "K2", "G", st2.get());
  Line("A2", 1, 10, st2.get());
  ASSERT_TRUE(Post());
  ASSERT_TRUE(Post(st2.get()));
  EXPECT_EQ(s().vars().Text("M_NRD"), "      12");
  EXPECT_EQ(st2->s().vars().Text("M_NRD"), "      13");
  EXPECT_EQ(Counter("FV"), 13);
}

TEST_F(Posting, APrintedNumberTakenMeanwhileMovesUpAndAsksForAReprint) {
  auto st2 = OtherStation(2);
  // Both printed number 12 (the counter said 11 when each printed).
  Header("FV", "K1", "G");
  s().vars().Set("M_NRD", "      12");
  s().vars().Set("JEST_WYDRUK", true);
  Line("A1", 1, 10);
  Header("FV", "K2", "G", st2.get());
  st2->s().vars().Set("M_NRD", "      12");
  st2->s().vars().Set("JEST_WYDRUK", true);
  Line("A2", 1, 10, st2.get());
  ASSERT_TRUE(Post());
  ASSERT_TRUE(Post(st2.get()));
  EXPECT_EQ(st2->s().vars().Text("M_NRD"), "      13");
  EXPECT_EQ(Counter("FV"), 13);
  EXPECT_TRUE(AtHeader("FV", "12"));
  EXPECT_EQ(Txt(A(TableId::kDowod), "ODB"), "K1      ");
  EXPECT_TRUE(AtHeader("FV", "13"));
  EXPECT_EQ(Txt(A(TableId::kDowod), "ODB"), "K2      ");
}

// Nothing of the document is written: no header, no line, counter and stock as before.
class AllOrNothing : public Posting {
 protected:
  struct Snapshot {
    uint32_t headers, lines, settlements, customers;
    double counter, a1, a1_rez, a2, balance;
    bool operator==(const Snapshot&) const = default;
  };
  // The customer K1's debit balance (-1 while the customer is not in the catalogue).
  double BalanceOfK1() {
    if (!SeekIn(A(TableId::kZo), "K1      ")) return -1;
    return Num(A(TableId::kZo), "OBWN");
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
  Snapshot Take() {
    return {Visible(TableId::kDowod), Visible(TableId::kDow),        Visible(TableId::kFaN),
            Visible(TableId::kZo),    Counter("FV"),                   Stock("1", "A1"),
            Stock("1", "A1", "REZERWA0"), Stock("1", "A2"),            BalanceOfK1()};
  }
  void ExpectNothingWritten(const Snapshot& before) {
    const Snapshot now = Take();
    EXPECT_EQ(now.headers, before.headers);
    EXPECT_EQ(now.lines, before.lines);
    EXPECT_EQ(now.settlements, before.settlements);
    EXPECT_EQ(now.customers, before.customers);
    EXPECT_EQ(now.balance, before.balance);
    EXPECT_EQ(now.counter, before.counter);
    EXPECT_EQ(now.a1, before.a1);
    EXPECT_EQ(now.a1_rez, before.a1_rez);
    EXPECT_EQ(now.a2, before.a2);
  }
  void ExpectNothingWritten() {
    EXPECT_EQ(Count(TableId::kDowod), 0u);
    EXPECT_EQ(Count(TableId::kDow), 0u);
    EXPECT_EQ(Counter("FV"), 11);
    EXPECT_DOUBLE_EQ(Stock("1", "A1"), 10);
    EXPECT_DOUBLE_EQ(Stock("1", "A1", "REZERWA0"), 3);
    EXPECT_DOUBLE_EQ(Stock("1", "A2"), 100);
  }
};

TEST_F(AllOrNothing, ABusyArticleIsNamedAndNothingIsWritten) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  Line("A2", 4, 2.5);
  ASSERT_TRUE(AtArticle("1", "A2"));
  const uint32_t a2 = A(TableId::kAs).recno();
  env_.MakeLockBusy("as.dbf", xbase::lock_layout::RecordLockOffset(a2), 1);
  EXPECT_FALSE(Post());
  env_.ClearFaults();
  ExpectNothingWritten();
  EXPECT_GT(st1().ui.waits, 0);  // it tried for a while
  EXPECT_EQ(A(TableId::kDd).RecCount().value(), 2u);  // the document stays in the grid
  // Once the article is free the same document posts.
  ASSERT_TRUE(Post());
  EXPECT_DOUBLE_EQ(Stock("1", "A2"), 96);
}

TEST_F(AllOrNothing, ABusyKindRecordPostsNothing) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  ASSERT_TRUE(SeekIn(A(TableId::kSlow), "FV "));
  env_.MakeLockBusy("slow.dbf", xbase::lock_layout::RecordLockOffset(A(TableId::kSlow).recno()), 1);
  EXPECT_FALSE(Post());
  env_.ClearFaults();
  ExpectNothingWritten();
}

TEST_F(AllOrNothing, AFailedWriteAnywhereTakesEverythingBack) {
  int failed = 0;
  for (const char* file : {"slow.dbf", "dowod.dbf", "dowod1.ntx", "dow.dbf", "dow1.ntx", "as.dbf", "fa_n.dbf",
                           "zo.dbf", "post01.jnl"}) {
    for (int nth = 1; nth <= 6; ++nth) {
      SCOPED_TRACE(std::string(file) + " write " + std::to_string(nth));
      ASSERT_TRUE(session::NoweDd(s(), st1().ui));
      Header("FV", "K1", "T");
      Line("A1", 3, 10);
      Line("A2", 4, 2.5);
      const Snapshot before = Take();
      env_.FailWrite(nth, file);
      const bool posted = Post();
      env_.ClearFaults();
      if (posted) continue;  // the fault fell after the last write of that file
      ++failed;
      ExpectNothingWritten(before);
      EXPECT_FALSE(mem_.Exists("rob/post01.jnl"));
    }
  }
  EXPECT_GT(failed, 10);
  ExpectIndexesVerify(false);
  // The faults above fell on a posting that does move the customer's balance.
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("FV", "K1", "T");
  Line("A1", 1, 10);
  const double before = BalanceOfK1();
  ASSERT_TRUE(Post());
  EXPECT_DOUBLE_EQ(BalanceOfK1(), std::max(before, 0.0) + 12.3);
}

TEST_F(AllOrNothing, AJournalLeftByADeadStationIsTakenBackAtStartUp) {
  Header("FV", "K1", "T");
  Line("A1", 3, 10);
  Line("A2", 4, 2.5);
  ASSERT_TRUE(AtArticle("1", "A1"));
  const uint32_t a1 = A(TableId::kAs).recno();
  ASSERT_TRUE(AtArticle("1", "A2"));
  const uint32_t a2 = A(TableId::kAs).recno();
  ASSERT_TRUE(SeekIn(A(TableId::kSlow), "FV "));
  const uint32_t fv = A(TableId::kSlow).recno();
  // The journal a station writes before posting this document.
  PostingJournal j;
  j.ChangeOf("26/03/slow.dbf", fv).fields.push_back({"NRD", xbase::Value(11.0), xbase::Value(12.0)});
  j.ChangeOf("26/03/as.dbf", a1).fields = {{"ILOSC", xbase::Value(10.0), xbase::Value(7.0)},
                                           {"REZERWA0", xbase::Value(3.0), xbase::Value(0.0)}};
  j.ChangeOf("26/03/as.dbf", a2).fields = {{"ILOSC", xbase::Value(100.0), xbase::Value(96.0)}};
  j.appended.push_back({"26/03/dowod.dbf", 0, {{"RD", "FV "}, {"NRD", "      12"}}});
  j.appended.push_back({"26/03/dow.dbf", 0, {{"RD", "FV "}, {"NRD", "      12"}}});
  j.appended.push_back({"26/03/fa_n.dbf", 0, {{"RD", "FV "}, {"NRD", "      12"}}});
  // The station posted, then died before removing its journal; afterwards another
  // station sold 1 more of A1.
  ASSERT_TRUE(Post());
  ASSERT_TRUE(WriteJournal(env_, "rob/post01.jnl", j).ok());
  ASSERT_TRUE(AtArticle("1", "A1"));
  ASSERT_TRUE(A(TableId::kAs).LockRecord().ok());
  ASSERT_TRUE(A(TableId::kAs).Replace("ILOSC", xbase::Value(6.0)).ok());
  ASSERT_TRUE(A(TableId::kAs).Unlock().ok());

  RecoveryReport undone = TakeBackGoneStations(s(), st1().ui, /*own_too=*/true);
  EXPECT_TRUE(undone.problems.empty());
  EXPECT_EQ(undone.postings, 1);
  EXPECT_FALSE(mem_.Exists("rob/post01.jnl"));
  EXPECT_FALSE(AtHeader("FV", "12"));
  EXPECT_FALSE(SeekIn(A(TableId::kDow), "FV       12"));
  EXPECT_FALSE(SeekIn(A(TableId::kFaN), "FV       12"));
  EXPECT_EQ(Counter("FV"), 11);
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 9);  // the other sale of 1 stays
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "REZERWA0"), 3);
  EXPECT_DOUBLE_EQ(Stock("1", "A2"), 100);
  // The number is given again.
  ASSERT_TRUE(Post());
  EXPECT_EQ(s().vars().Text("M_NRD"), "      12");
  // A journal cut short (the station died while writing it) is only removed.
  ASSERT_TRUE(mem_.SetContents("rob/post03.jnl", "HURTJNL\t1\t\nREC\t").ok());
  undone = TakeBackGoneStations(s(), st1().ui);
  EXPECT_TRUE(undone.problems.empty());
  EXPECT_EQ(undone.postings, 0);
  EXPECT_FALSE(mem_.Exists("rob/post03.jnl"));
}

TEST_F(Posting, StartUpClearsReservationsOfStationsThatAreGone) {
  auto cleared = ClearReservations(s(), st1().ui);
  ASSERT_TRUE(cleared.ok());
  EXPECT_EQ(*cleared, 1);
  EXPECT_DOUBLE_EQ(Stock("1", "A1", "REZERWA0"), 0);
}

TEST_F(Posting, ArchiveRefusesPosting) {
  s().set_hh_arc("26/02");
  Header("FV", "K1", "G");
  Line("A1", 1, 10);
  EXPECT_FALSE(Post());
  EXPECT_EQ(Count(TableId::kDowod), 0u);
}

// A sales correction naming the corrected invoice in its header is written to the
// corrections register of the invoice's year, once.
TEST_F(Posting, ACorrectionIsRecordedInTheCorrectionsRegister) {
  Kind("FK", 'K', 'S', "FAKTURA KORYGUJACA", 0);
  Header("FV", "K1", "G");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());  // FV 12 of 14.03.2026
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("FK", "K1", "G");
  s().vars().Set("M_ODBIORCA", "FV-12 zwrot");
  Line("A1", -1, 10);
  ASSERT_TRUE(Post());
  EXPECT_EQ(s().vars().Text("M_RD_KOR"), "FV ");
  EXPECT_EQ(s().vars().Text("M_NRD_KOR"), "      12");
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 8) << "the returned one is back on the shelf";
  xbase::WorkAreas areas(mem_);
  auto korek = areas.Open(1, "korekty/korek_26.dbf", "korek");
  ASSERT_TRUE(korek.ok()) << korek.status().ToString();
  ASSERT_EQ((*korek)->RecCount().value(), 1u);
  ASSERT_TRUE((*korek)->GoTop().ok());
  EXPECT_EQ(Txt(**korek, "RD") + Txt(**korek, "NRD"), "FV       12");
  EXPECT_EQ(Txt(**korek, "RD_") + Txt(**korek, "NRD_"), "FK        1");
  EXPECT_EQ((*korek)->Get("DATA")->AsDate().day, JulianFromYmd(2026, 3, 14));
}

// "WZ ..." in the header text marks an invoice made from issue notes, which moves no
// stock; typed by hand on an ordinary invoice it is refused rather than leaving the
// goods issued without a document.
TEST_F(Posting, TheNotesMarkIsNotTypedByHand) {
  Header("FV", "K1", "G");
  s().vars().Set("M_ODBIORCA", "WZ 5");
  Line("A1", 3, 10);
  EXPECT_FALSE(Post());
  EXPECT_EQ(Count(TableId::kDowod), 0u);
  s().vars().Set("M_ODBIORCA", "do WZ 5");
  ASSERT_TRUE(Post());
  EXPECT_DOUBLE_EQ(Stock("1", "A1"), 7);
}

}  // namespace
}  // namespace hurt::documents::testing
