// Settling, compensating and closing to balance over a data directory made by the first
// station's start-up: the ledger's invariant (balances = home sums of the open items) and
// the batch rule (every fa_nx batch balances) after every operation.
#include "settlements/settle.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "documents/posting_fixture.h"

namespace hurt::settlements {
namespace {

using documents::testing::AddRecord;
using documents::testing::Num;
using documents::testing::Txt;
using store::TableId;

JulianDay Day(int d) { return JulianFromYmd(2026, 3, d); }

// Moves to the next record; false at the end or on a failure (which fails the test).
bool Next(xbase::WorkArea& a) {
  if (Status s = a.Skip(); !s.ok()) {
    ADD_FAILURE() << a.alias() << ": " << s.ToString();
    return false;
  }
  return !a.eof();
}

store::TableId BookId(const std::string& kto) { return kto == "O" ? TableId::kZo : TableId::kZd; }

class SettleTest : public documents::testing::PostingTest {
 protected:
  // A counterparty with zero balances.
  void Counterparty(const std::string& kto, const std::string& odb) {
    AddRecord(A(BookId(kto)), {{"ODB", PadR(odb, 8)}, {"NODB", "FIRMA " + odb}});
  }
  // An open item, its home amounts added to the counterparty's balance as posting does.
  void Item(const std::string& kto, const std::string& odb, const std::string& rd, const std::string& nrd,
            JulianDay data, double obwn, double obma, const std::string& mag = "1", double kurs = 0) {
    AddRecord(A(TableId::kFaN), {{"R_P", obwn != 0 ? "R" : "P"},
                                 {"RD", PadR(rd, 3)},
                                 {"NRD", PadL(nrd, 8)},
                                 {"DATA", xbase::Date{data}},
                                 {"MAG", mag},
                                 {"TRESC", "FIRMA " + odb},
                                 {"KTO", kto},
                                 {"ODB", PadR(odb, 8)},
                                 {"OBWN", obwn},
                                 {"OBMA", obma},
                                 {"TERMIN", xbase::Date{data + 14}},
                                 {"WALUTA", kurs > 0 ? "EUR" : ""},
                                 {"KURS", kurs}});
    xbase::WorkArea& book = A(BookId(kto));
    ASSERT_TRUE(book.SetOrder(1).ok());
    auto found = book.SeekKey(PadR(odb, 8));
    ASSERT_TRUE(found.ok() && *found) << odb;
    ASSERT_TRUE(book.LockRecord().ok());
    const double wn = kurs > 0 ? NewRound(obwn * kurs, 2) : obwn;
    const double ma = kurs > 0 ? NewRound(obma * kurs, 2) : obma;
    ASSERT_TRUE(book.Replace("OBWN", NewRound(Num(book, "OBWN") + wn, 2)).ok());
    ASSERT_TRUE(book.Replace("OBMA", NewRound(Num(book, "OBMA") + ma, 2)).ok());
    ASSERT_TRUE(book.Unlock().ok());
  }
  std::vector<OpenItem> Items(const std::string& kto, const std::string& odb) {
    auto items = ItemsOf(s(), kto, odb);
    EXPECT_TRUE(items.ok()) << items.status().ToString();
    return items.ok() ? *items : std::vector<OpenItem>{};
  }
  std::pair<double, double> Balance(const std::string& kto, const std::string& odb) {
    xbase::WorkArea& book = A(BookId(kto));
    EXPECT_TRUE(book.SetOrder(1).ok());
    auto found = book.SeekKey(PadR(odb, 8));
    if (!found.ok() || !*found) return {-1, -1};
    return {Num(book, "OBWN"), Num(book, "OBMA")};
  }

  // The invariant over the tables: every counterparty's OBWN/OBMA equal the home sums of
  // its open items in fa_N.
  void ExpectInvariant() {
    std::map<std::string, std::pair<double, double>> sums;
    xbase::WorkArea& fa = A(TableId::kFaN);
    ASSERT_TRUE(fa.SetOrder(0).ok());
    ASSERT_TRUE(fa.GoTop().ok());
    for (bool more = !fa.eof(); more; more = Next(fa)) {
      const double kurs = Num(fa, "KURS");
      auto& [wn, ma] = sums[Txt(fa, "KTO") + Txt(fa, "ODB")];
      wn += kurs > 0 ? NewRound(Num(fa, "OBWN") * kurs, 2) : Num(fa, "OBWN");
      ma += kurs > 0 ? NewRound(Num(fa, "OBMA") * kurs, 2) : Num(fa, "OBMA");
    }
    for (const std::string kto : {"O", "D"}) {
      xbase::WorkArea& book = A(BookId(kto));
      ASSERT_TRUE(book.SetOrder(0).ok());
      ASSERT_TRUE(book.GoTop().ok());
      for (bool more = !book.eof(); more; more = Next(book)) {
        const auto [wn, ma] = sums[kto + Txt(book, "ODB")];
        EXPECT_EQ(Str(Num(book, "OBWN"), 15, 2), Str(wn, 15, 2)) << kto << Txt(book, "ODB");
        EXPECT_EQ(Str(Num(book, "OBMA"), 15, 2), Str(ma, 15, 2)) << kto << Txt(book, "ODB");
      }
    }
  }
  // Every batch of fa_nx (R_DATA+R_CZAS) balances; returns the number of batches.
  size_t ExpectBatchesBalance() {
    std::map<std::string, std::pair<double, double>> batches;
    xbase::WorkArea& fx = A(TableId::kFaNx);
    EXPECT_TRUE(fx.SetOrder(0).ok());
    EXPECT_TRUE(fx.GoTop().ok());
    for (bool more = !fx.eof(); more; more = Next(fx)) {
      auto date = fx.Get("R_DATA");
      auto& [wn, ma] = batches[Dtos(date.ok() ? date->AsDate().day : 0) + Txt(fx, "R_CZAS")];
      wn += Num(fx, "OBWN");
      ma += Num(fx, "OBMA");
    }
    for (const auto& [batch, sums] : batches) {
      EXPECT_EQ(Str(sums.first, 15, 2), Str(sums.second, 15, 2)) << "batch " << batch;
    }
    return batches.size();
  }
  uint32_t Records(TableId id) {
    auto n = A(id).RecCount();
    return n.ok() ? *n : 0;
  }
};

// ---- F10 ------------------------------------------------------------------------------

OpenItem Marked(double obwn, double obma, double kurs = 0, const std::string& waluta = "") {
  OpenItem i;
  i.kto = "O";
  i.odb = PadR("K1", 8);
  i.obwn = obwn;
  i.obma = obma;
  i.kurs = kurs;
  i.waluta = PadR(waluta, 3);
  return i;
}

TEST(F10ActionTest, EveryRuleOfTheBrowse) {
  EXPECT_EQ(F10ActionOf({}), F10Action::kNothingMarked);
  EXPECT_EQ(F10ActionOf({Marked(100, 0)}), F10Action::kOneMarked);
  EXPECT_EQ(F10ActionOf({Marked(100, 0), Marked(0, 100)}), F10Action::kSettle);
  EXPECT_EQ(F10ActionOf({Marked(60, 0), Marked(40, 0), Marked(0, 100)}), F10Action::kSettle);
  EXPECT_EQ(F10ActionOf({Marked(100, 0), Marked(0, 60)}), F10Action::kCompensate);
  EXPECT_EQ(F10ActionOf({Marked(100, 0, 4.5, "EUR"), Marked(0, 100, 4.5, "EUR")}), F10Action::kSettle);
  // Equal or not, items in different currencies or rates are blocked.
  EXPECT_EQ(F10ActionOf({Marked(100, 0, 4.5, "EUR"), Marked(0, 100, 4.6, "EUR")}), F10Action::kRatesDisagree);
  EXPECT_EQ(F10ActionOf({Marked(100, 0, 4.5, "EUR"), Marked(0, 450)}), F10Action::kRatesDisagree);
  EXPECT_EQ(F10ActionOf({Marked(100, 0, 4.5, "EUR"), Marked(0, 30, 4.6, "EUR")}), F10Action::kRatesDisagree);
  EXPECT_EQ(F10ActionOf({Marked(0, 0), Marked(0, 0)}), F10Action::kAllZero);
  // Sums compared to the cent.
  EXPECT_EQ(F10ActionOf({Marked(0.1, 0), Marked(0.2, 0), Marked(0, 0.3)}), F10Action::kSettle);
}

TEST(F10ActionTest, SumsInHomeAndDocumentCurrency) {
  const MarkedSums m = SumsOf({Marked(10, 0, 4.1234, "EUR"), Marked(0, 5, 4.1234, "EUR")});
  EXPECT_EQ(m.debits, 1);
  EXPECT_EQ(m.credits, 1);
  EXPECT_DOUBLE_EQ(m.wn_doc, 10);
  EXPECT_DOUBLE_EQ(m.ma_doc, 5);
  EXPECT_DOUBLE_EQ(m.wn, 41.23);
  EXPECT_DOUBLE_EQ(m.ma, 20.62);
  EXPECT_TRUE(m.rates_agree);
}

// ---- the operations ---------------------------------------------------------------------

TEST_F(SettleTest, EqualReceivableAndPaymentLeaveInOneBatch) {
  Counterparty("O", "K1");
  Item("O", "K1", "FV", "12", Day(2), 123.45, 0);
  Item("O", "K1", "KP", "7", Day(5), 0, 123.45, "0");
  Item("O", "K1", "FV", "13", Day(6), 50, 0);
  std::vector<OpenItem> items = Items("O", "K1");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].rd, "FV ");
  EXPECT_EQ(items[0].nrd, "      12");
  std::vector<OpenItem> marked = {items[0], items[1]};
  ASSERT_EQ(F10ActionOf(marked), F10Action::kSettle);

  auto r = Settle(s(), st1().ui, marked);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_TRUE(r->done);
  EXPECT_EQ(r->r_data, Day(14));
  EXPECT_EQ(r->r_czas, "09:00:00");
  EXPECT_EQ(Balance("O", "K1"), std::make_pair(50.0, 0.0));
  ASSERT_EQ(Items("O", "K1").size(), 1u);
  EXPECT_EQ(Records(TableId::kFaNx), 2u);
  EXPECT_EQ(ExpectBatchesBalance(), 1u);
  ExpectInvariant();

  // The same pair again (another station's stale view) is no longer there.
  auto again = Settle(s(), st1().ui, marked);
  ASSERT_TRUE(again.ok());
  EXPECT_FALSE(again->done);
  EXPECT_EQ(again->busy, "fa_N FV-12");
  EXPECT_EQ(Records(TableId::kFaNx), 2u);
}

TEST_F(SettleTest, ForeignCurrencyItemsChangeTheBalanceByTheirHomeAmounts) {
  Counterparty("O", "K1");
  Item("O", "K1", "FE", "1", Day(2), 100, 0, "1", 4.3215);
  Item("O", "K1", "KP", "2", Day(3), 0, 100, "0", 4.3215);
  Item("O", "K1", "FV", "3", Day(4), 10, 0);
  auto items = Items("O", "K1");
  auto r = Settle(s(), st1().ui, {items[0], items[1]});
  ASSERT_TRUE(r.ok() && r->done);
  EXPECT_EQ(Balance("O", "K1"), std::make_pair(10.0, 0.0));
  ExpectInvariant();
  ExpectBatchesBalance();
}

TEST_F(SettleTest, TwoOperationsInOneSecondGetTwoBatches) {
  Counterparty("O", "K1");
  Item("O", "K1", "FV", "1", Day(2), 10, 0);
  Item("O", "K1", "KP", "1", Day(2), 0, 10, "0");
  Item("O", "K1", "FV", "2", Day(3), 20, 0);
  Item("O", "K1", "KP", "2", Day(3), 0, 20, "0");
  auto items = Items("O", "K1");
  auto first = Settle(s(), st1().ui, {items[0], items[1]});
  auto second = Settle(s(), st1().ui, {items[2], items[3]});
  ASSERT_TRUE(first.ok() && first->done);
  ASSERT_TRUE(second.ok() && second->done);
  EXPECT_EQ(first->r_czas, "09:00:00");
  EXPECT_EQ(second->r_czas, "09:00:01");
  EXPECT_EQ(ExpectBatchesBalance(), 2u);
}

TEST_F(SettleTest, CompensationLeavesTheDifferenceOpenOnTheLargerSide) {
  Counterparty("O", "K1");
  Item("O", "K1", "FV", "12", Day(2), 100, 0);
  Item("O", "K1", "KP", "7", Day(5), 0, 60, "0");
  auto items = Items("O", "K1");
  ASSERT_EQ(F10ActionOf(items), F10Action::kCompensate);
  EXPECT_FALSE(Settle(s(), st1().ui, items).ok());  // unequal sides are not settled

  auto r = Compensate(s(), st1().ui, items);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  ASSERT_TRUE(r->done);
  ASSERT_TRUE(r->remainder.has_value());
  auto open = Items("O", "K1");
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0].rd, "KO ");
  EXPECT_EQ(open[0].mag, "0");
  EXPECT_EQ(open[0].spz, "P");
  EXPECT_DOUBLE_EQ(open[0].obwn, 40);
  EXPECT_DOUBLE_EQ(open[0].obma, 0);
  EXPECT_EQ(RTrim(open[0].tresc), "FV-12");
  EXPECT_EQ(open[0].data, Day(2));
  EXPECT_EQ(open[0].recno, r->remainder->recno);
  // The balance (debit − credit) stays 40.00: the difference is still owed.
  const auto [wn, ma] = Balance("O", "K1");
  EXPECT_DOUBLE_EQ(wn - ma, 40);
  EXPECT_EQ(Records(TableId::kFaNx), 3u);  // both marked items and the marked "KO"
  EXPECT_EQ(ExpectBatchesBalance(), 1u);
  ExpectInvariant();
}

TEST_F(SettleTest, CompensationOfALargerCreditOpensACreditItem) {
  Counterparty("D", "S1");
  Item("D", "S1", "FZ", "3", Day(2), 0, 250);
  Item("D", "S1", "KW", "4", Day(3), 100, 0, "0");
  auto r = Compensate(s(), st1().ui, Items("D", "S1"));
  ASSERT_TRUE(r.ok() && r->done);
  auto open = Items("D", "S1");
  ASSERT_EQ(open.size(), 1u);
  EXPECT_DOUBLE_EQ(open[0].obma, 150);
  EXPECT_DOUBLE_EQ(open[0].obwn, 0);
  ExpectInvariant();
  ExpectBatchesBalance();
}

TEST_F(SettleTest, CloseWithNothingUpToTheDateWritesNothing) {
  Counterparty("O", "K1");
  Item("O", "K1", "FV", "1", Day(20), 100, 0);
  auto r = CloseToBalance(s(), st1().ui, "O", "K1", Day(10));
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_TRUE(r->done);
  EXPECT_EQ(r->r_data, kEmptyDate);
  EXPECT_EQ(Records(TableId::kFaNx), 0u);
  ASSERT_EQ(Items("O", "K1").size(), 1u);
  EXPECT_EQ(Balance("O", "K1"), std::make_pair(100.0, 0.0));
}

TEST_F(SettleTest, CloseCarriesTheNetOnInOneSalItem) {
  Counterparty("O", "K1");
  Item("O", "K1", "FV", "1", Day(1), 100, 0);
  Item("O", "K1", "KP", "1", Day(5), 0, 30, "0");
  Item("O", "K1", "FV", "2", Day(20), 50, 0);
  auto r = CloseToBalance(s(), st1().ui, "O", "K1", Day(10));
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  ASSERT_TRUE(r->done);
  auto open = Items("O", "K1");
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open[0].rd, "SAL");
  EXPECT_EQ(open[0].mag, "0");
  EXPECT_EQ(open[0].data, Day(10));
  EXPECT_DOUBLE_EQ(open[0].obwn, 70);
  EXPECT_EQ(Balance("O", "K1"), std::make_pair(120.0, 0.0));
  EXPECT_EQ(Records(TableId::kFaNx), 3u);  // two items and the mirror of "SAL"
  EXPECT_EQ(ExpectBatchesBalance(), 1u);
  ExpectInvariant();

  // A credit net goes to the credit side; a zero net writes no "SAL".
  Counterparty("D", "S1");
  Item("D", "S1", "FZ", "1", Day(1), 0, 80);
  Item("D", "S1", "KW", "1", Day(2), 80, 0, "0");
  auto zero = CloseToBalance(s(), st1().ui, "D", "S1", Day(10));
  ASSERT_TRUE(zero.ok() && zero->done);
  EXPECT_TRUE(Items("D", "S1").empty());
  EXPECT_EQ(ExpectBatchesBalance(), 2u);
  ExpectInvariant();
}

// ---- another station holds a record ------------------------------------------------------

TEST_F(SettleTest, ABusyItemChangesNothing) {
  Counterparty("O", "K1");
  Item("O", "K1", "FV", "12", Day(2), 100, 0);
  Item("O", "K1", "KP", "7", Day(5), 0, 60, "0");
  auto items = Items("O", "K1");
  auto other = OtherStation(2);
  ASSERT_TRUE(other->Area(TableId::kFaN).LockRecord(items[0].recno).ok());

  auto r = Compensate(s(), st1().ui, items);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_FALSE(r->done);
  EXPECT_EQ(r->busy, "fa_N FV-12");
  EXPECT_EQ(Items("O", "K1").size(), 2u);
  EXPECT_EQ(Records(TableId::kFaNx), 0u);
  EXPECT_EQ(Records(TableId::kFaN), 2u);
  EXPECT_EQ(Balance("O", "K1"), std::make_pair(100.0, 60.0));

  // Released, the same operation goes through.
  ASSERT_TRUE(other->Area(TableId::kFaN).Unlock().ok());
  auto again = Compensate(s(), st1().ui, items);
  ASSERT_TRUE(again.ok() && again->done);
  ExpectInvariant();
}

TEST_F(SettleTest, ABusyCounterpartyChangesNothingAndReleasesTheItems) {
  Counterparty("O", "K1");
  Item("O", "K1", "FV", "12", Day(2), 100, 0);
  Item("O", "K1", "KP", "7", Day(5), 0, 100, "0");
  Item("O", "K1", "FV", "13", Day(25), 10, 0);
  auto items = Items("O", "K1");
  auto other = OtherStation(2);
  xbase::WorkArea& zo = other->Area(TableId::kZo);
  ASSERT_TRUE(zo.SetOrder(1).ok());
  ASSERT_TRUE(*zo.SeekKey(PadR("K1", 8)));
  ASSERT_TRUE(zo.LockRecord().ok());

  auto settled = Settle(s(), st1().ui, {items[0], items[1]});
  ASSERT_TRUE(settled.ok()) << settled.status().ToString();
  EXPECT_FALSE(settled->done);
  EXPECT_EQ(settled->busy, "zo K1");
  auto closed = CloseToBalance(s(), st1().ui, "O", "K1", Day(31));
  ASSERT_TRUE(closed.ok());
  EXPECT_FALSE(closed->done);
  EXPECT_EQ(closed->busy, "zo K1");
  EXPECT_EQ(Items("O", "K1").size(), 3u);
  EXPECT_EQ(Records(TableId::kFaNx), 0u);
  EXPECT_EQ(Balance("O", "K1"), std::make_pair(110.0, 100.0));
  // The items were let go: the other station can take them.
  for (const OpenItem& i : items) EXPECT_TRUE(other->Area(TableId::kFaN).LockRecord(i.recno).ok());
}

// ---- property -----------------------------------------------------------------------------

// Random open items of a few counterparties and random operations on random subsets: the
// balances always equal the open items' home sums, and every batch balances.
TEST_F(SettleTest, RandomOperationsKeepTheLedgerInvariant) {
  std::mt19937 rng(20260314);
  const std::vector<std::pair<std::string, std::string>> parties = {{"O", "K1"}, {"O", "K2"}, {"D", "S1"}};
  for (const auto& [kto, odb] : parties) Counterparty(kto, odb);
  int number = 0;
  const auto add_random = [&](const std::string& kto, const std::string& odb) {
    const double amount = static_cast<double>(std::uniform_int_distribution<int>(1, 50000)(rng)) / 100;
    const bool debit = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
    const int day = std::uniform_int_distribution<int>(1, 28)(rng);
    Item(kto, odb, debit ? "FV" : "KP", std::to_string(++number), Day(day), debit ? amount : 0,
         debit ? 0 : amount, debit ? "1" : "0");
  };
  for (const auto& [kto, odb] : parties) {
    for (int i = 0; i < 6; ++i) add_random(kto, odb);
  }
  size_t batches = 0;
  for (int step = 0; step < 40; ++step) {
    const auto& [kto, odb] = parties[std::uniform_int_distribution<size_t>(0, parties.size() - 1)(rng)];
    if (std::uniform_int_distribution<int>(0, 2)(rng) == 0) add_random(kto, odb);
    std::vector<OpenItem> items = Items(kto, odb);
    const int op = std::uniform_int_distribution<int>(0, 9)(rng);
    bool wrote = false;
    if (op == 0) {
      auto r = CloseToBalance(s(), st1().ui, kto, odb, Day(std::uniform_int_distribution<int>(1, 28)(rng)));
      ASSERT_TRUE(r.ok()) << r.status().ToString();
      ASSERT_TRUE(r->done);
      wrote = r->r_data != kEmptyDate;
    } else {
      std::vector<OpenItem> marked;
      for (const OpenItem& i : items) {
        if (std::uniform_int_distribution<int>(0, 2)(rng) == 0) marked.push_back(i);
      }
      const F10Action a = F10ActionOf(marked);
      if (a == F10Action::kSettle) {
        auto r = Settle(s(), st1().ui, marked);
        ASSERT_TRUE(r.ok() && r->done) << r.status().ToString();
        wrote = true;
      } else if (a == F10Action::kCompensate) {
        auto r = Compensate(s(), st1().ui, marked);
        ASSERT_TRUE(r.ok() && r->done) << r.status().ToString();
        ASSERT_TRUE(r->remainder.has_value());
        wrote = true;
      }
    }
    if (wrote) ++batches;
    ExpectInvariant();
    ASSERT_EQ(ExpectBatchesBalance(), batches) << "step " << step;
  }
  EXPECT_GT(batches, 5u);
}

}  // namespace
}  // namespace hurt::settlements
