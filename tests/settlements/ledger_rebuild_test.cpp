// The ledger rebuild (ZO_FN_KOR) against what the live operations leave: random runs of
// postings, money documents, settlements, compensations and closes to balance, after which
// the rebuild must give back the same open items and balances; and its edges (a batch
// without its twin, the copy of a book, a run stopped midway).
#include "settlements/ledger_rebuild.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "documents/posting_fixture.h"
#include "hurt-dbf/verify.h"
#include "settlements/money_document.h"
#include "settlements/settle.h"
#include "xbase/file_util.h"

namespace hurt::settlements {
namespace {

using documents::testing::Num;
using documents::testing::Txt;
using store::TableId;

JulianDay Day(int d) { return JulianFromYmd(2026, 3, d); }

class LedgerRebuildTest : public documents::testing::PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT", 0);
    Kind("PZ", 'P', 'Z', "PRZYJECIE ZEWNETRZNE", 0, 'D');
    Article("1", "A1", 1000000, 2);
  }

  // Every live record of a table as sorted texts of the given fields.
  std::vector<std::string> Rows(TableId id, const std::vector<std::string>& fields) {
    std::vector<std::string> rows;
    xbase::WorkArea& a = A(id);
    EXPECT_TRUE(a.SetOrder(0).ok());
    EXPECT_TRUE(a.GoTop().ok());
    while (!a.eof()) {
      std::string row;
      for (const std::string& f : fields) {
        auto v = a.Get(f);
        if (!v.ok()) continue;
        if (v->IsString()) row += RTrim(v->AsString());
        else if (v->IsDate()) row += Dtos(v->AsDate().day);
        else row += Str(v->AsNumber(), 15, 2);
        row += "|";
      }
      rows.push_back(row);
      EXPECT_TRUE(a.Skip().ok());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  std::vector<std::string> OpenItems() {
    return Rows(TableId::kFaN, {"RD", "NRD", "KTO", "ODB", "DATA", "OBWN", "OBMA", "MAG", "TRESC"});
  }
  std::vector<std::string> Balances() {
    std::vector<std::string> all = Rows(TableId::kZo, {"ODB", "OBWN", "OBMA"});
    for (std::string& r : Rows(TableId::kZd, {"ODB", "OBWN", "OBMA"})) all.push_back("D " + r);
    return all;
  }
  void ExpectChecksClean(const std::string& when) {
    auto findings = dbftool::VerifyData(env_, ".");
    ASSERT_TRUE(findings.ok()) << findings.status().ToString();
    std::string text;
    for (const dbftool::Finding& f : *findings) {
      if (f.kind == dbftool::FindingKind::kSettlements || f.kind == dbftool::FindingKind::kIndexes) text += f.text + "\n";
    }
    EXPECT_EQ(text, "") << when;
  }
  LedgerRebuildResult Rebuild() {
    auto r = ZoFnKor(s(), st1().ui);
    EXPECT_TRUE(r.ok()) << r.status().ToString();
    return r.ok() ? *r : LedgerRebuildResult{};
  }

  void Sale(const std::string& rd, const std::string& odb, const std::string& spz, double qty, double price) {
    Header(rd, odb, spz);
    Line("A1", qty, price);
    ASSERT_TRUE(Post());
  }
  MoneyResult Money(const std::string& rd, const std::string& kto, const std::string& odb, double kwota, int day,
                    long nrd = 0, const std::string& against_rd = "", const std::string& against_nrd = "") {
    MoneyDocument d;
    d.rd = rd;
    d.nrd = nrd;
    d.data = Day(day);
    d.kto = kto;
    d.odb = odb;
    d.nodb = "FIRMA " + odb;
    d.tresc = rd + " " + odb + " " + std::to_string(day);
    d.kwota = kwota;
    d.tez = 14;
    d.against_rd = against_rd;
    d.against_nrd = against_nrd;
    auto r = ZapiszDowodKasowy(s(), st1().ui, d);
    EXPECT_TRUE(r.ok()) << r.status().ToString();
    return r.ok() ? *r : MoneyResult{};
  }
  std::vector<OpenItem> Items(const std::string& kto, const std::string& odb) {
    auto items = ItemsOf(s(), kto, odb);
    EXPECT_TRUE(items.ok());
    return items.ok() ? *items : std::vector<OpenItem>{};
  }
};

// ---- the property ---------------------------------------------------------------------

class LedgerRebuildProperty : public LedgerRebuildTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(LedgerRebuildProperty, RandomRunsAreReproducedByTheRebuild) {
  const std::vector<std::pair<std::string, std::string>> parties = {{"O", "K1"}, {"O", "K2"}, {"O", "K3"},
                                                                    {"D", "D1"}, {"D", "D2"}};
  const char* money_kinds[] = {"KP", "KW", "PP", "NOU", "NOO"};
  std::mt19937 rng(GetParam());
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  struct Written {
    std::string rd, kto, odb;
    long nrd;
  };
  std::vector<Written> money;
  for (int step = 0; step < 240; ++step) {
    const auto& [kto, odb] = parties[static_cast<size_t>(pick(static_cast<int>(parties.size())))];
    const double amount = 1 + pick(40) * 2.5;
    switch (pick(8)) {
      case 0:
        if (kto == "O") Sale("FV", odb, pick(3) == 0 ? "G" : "P", 1 + pick(5), 10 + pick(20));
        else Sale("PZ", odb, pick(3) == 0 ? "G" : "P", 1 + pick(5), 1 + pick(3));
        break;
      case 1:
        Sale(kto == "O" ? "FV" : "PZ", odb, "P", 1 + pick(3), 3 + pick(7));
        break;
      case 2: {
        const std::string rd = money_kinds[pick(5)];
        // Half of them against an open item of the same amount, to be settled later.
        auto items = Items(kto, odb);
        double kwota = amount;
        std::string against_rd, against_nrd;
        if (!items.empty() && pick(2) == 0) {
          const OpenItem& i = items[static_cast<size_t>(pick(static_cast<int>(items.size())))];
          kwota = i.obwn != 0 ? i.obwn : i.obma;
          if (i.mag != "0") {
            against_rd = i.rd;
            against_nrd = i.nrd;
          }
        }
        if (kwota <= 0) kwota = amount;
        MoneyResult r = Money(rd, kto, odb, kwota, 1 + pick(28), 0, against_rd, against_nrd);
        if (r.done) money.push_back({rd, kto, odb, r.nrd});
        break;
      }
      case 3: {
        // A money document corrected or deleted.
        if (money.empty()) break;
        const size_t at = static_cast<size_t>(pick(static_cast<int>(money.size())));
        const Written w = money[at];
        bool open = false;
        for (const OpenItem& i : Items(w.kto, w.odb)) {
          if (i.mag == "0" && i.rd == PadR(w.rd, 3) && AllTrim(i.nrd) == std::to_string(w.nrd)) open = true;
        }
        if (!open) {
          // Settled meanwhile: refused, nothing changes.
          MoneyDocument d;
          d.rd = w.rd;
          d.nrd = w.nrd;
          d.data = Day(1 + pick(28));
          d.kto = w.kto;
          d.odb = w.odb;
          d.kwota = pick(2) == 0 ? 0 : amount;
          auto refused = ZapiszDowodKasowy(s(), st1().ui, d);
          EXPECT_TRUE(refused.ok() && !refused->done && !refused->refused.empty()) << step;
          break;
        }
        const bool remove = pick(3) == 0;
        Money(w.rd, w.kto, w.odb, remove ? 0 : amount, 1 + pick(28), w.nrd);
        if (remove) money.erase(money.begin() + static_cast<long>(at));
        break;
      }
      case 4:
      case 5:
      case 6: {
        // Two to four items of one counterparty: settled when they balance, else compensated.
        auto items = Items(kto, odb);
        if (items.size() < 2) break;
        std::shuffle(items.begin(), items.end(), rng);
        items.resize(std::min<size_t>(items.size(), 2 + static_cast<size_t>(pick(3))));
        const F10Action a = F10ActionOf(items);
        if (a == F10Action::kSettle) {
          auto r = Settle(s(), st1().ui, items);
          ASSERT_TRUE(r.ok() && r->done) << step;
        } else if (a == F10Action::kCompensate) {
          auto r = Compensate(s(), st1().ui, items);
          ASSERT_TRUE(r.ok() && r->done) << step;
        }
        break;
      }
      default: {
        auto r = CloseToBalance(s(), st1().ui, kto, odb, Day(1 + pick(28)));
        ASSERT_TRUE(r.ok() && r->done) << step;
        break;
      }
    }
    clock_.Advance(1000 * (1 + pick(3)));
  }
  ExpectChecksClean("after the run");
  const std::vector<std::string> items = OpenItems();
  const std::vector<std::string> balances = Balances();
  ASSERT_GT(Count(TableId::kFaNx), 20u) << "the run settled too little to test anything";
  // Ledger-made items among the batches: compensations and closes to balance happened.
  const std::vector<std::string> journal = Rows(TableId::kFaNx, {"RD"});
  EXPECT_GT(std::count(journal.begin(), journal.end(), "KO|"), 0);
  EXPECT_GT(std::count(journal.begin(), journal.end(), "SAL|"), 0);

  const LedgerRebuildResult r = Rebuild();
  EXPECT_EQ(r.dropped_batches, 0);
  EXPECT_EQ(OpenItems(), items);
  EXPECT_EQ(Balances(), balances);
  ExpectChecksClean("after the rebuild");

  // A second rebuild changes nothing.
  Rebuild();
  EXPECT_EQ(OpenItems(), items);
  EXPECT_EQ(Balances(), balances);
}

INSTANTIATE_TEST_SUITE_P(Seeds, LedgerRebuildProperty, ::testing::Values(20260314u, 7u, 4242u));

// ---- the edges ------------------------------------------------------------------------

TEST_F(LedgerRebuildTest, ABatchWithAnItemWithoutItsHeaderIsDroppedWhole) {
  Money("NOO", "O", "K1", 100, 2);
  Money("KP", "O", "K1", 100, 3);
  Money("NOO", "O", "K1", 50, 4);
  Money("KP", "O", "K1", 50, 5);
  auto items = Items("O", "K1");
  ASSERT_EQ(items.size(), 4u);
  ASSERT_TRUE(Settle(s(), st1().ui, {items[0], items[1]}).ok());
  clock_.Advance(5000);
  items = Items("O", "K1");
  ASSERT_TRUE(Settle(s(), st1().ui, {items[0], items[1]}).ok());
  ASSERT_EQ(Count(TableId::kFaNx), 4u);

  // The first note's header is lost: its batch can no longer be matched.
  xbase::WorkArea& dowod = A(TableId::kDowod);
  ASSERT_TRUE(documents::testing::SeekIn(dowod, "NOO" + PadL("1", 8)));
  ASSERT_TRUE(dowod.LockRecord().ok());
  ASSERT_TRUE(dowod.Delete().ok());
  ASSERT_TRUE(dowod.Unlock().ok());

  const LedgerRebuildResult r = Rebuild();
  EXPECT_EQ(r.batches, 1);
  EXPECT_EQ(r.dropped_batches, 1);
  // The receipt of that batch is open again; the other batch stays settled.
  EXPECT_EQ(OpenItems(), std::vector<std::string>{"KP|       1|O|K1|20260303|           0.00|         100.00|0|KP K1 3|"});
  EXPECT_EQ(Rows(TableId::kFaNx, {"RD", "OBWN", "OBMA"}),
            (std::vector<std::string>{"KP|           0.00|          50.00|", "NOO|          50.00|           0.00|"}));
  EXPECT_EQ(Balances(), std::vector<std::string>{"K1|           0.00|         100.00|"});
  ExpectChecksClean("after the rebuild");
}

TEST_F(LedgerRebuildTest, ACopyOfTheBookGivesItsMasterFieldsBack) {
  Money("NOO", "O", "K1", 100, 2);
  xbase::WorkArea& zo = A(TableId::kZo);
  documents::testing::AddRecord(zo, {{"ODB", "K5"}, {"NODB", "BEZ OBROTOW"}});
  documents::testing::AddRecord(zo, {{"ODB", ""}, {"NODB", "BEZ KLUCZA"}});
  // The copy: K1 with another name and a credit limit, K9 only there, no K5.
  const std::string book = zo.path();
  const std::string copy = book.substr(0, book.size() - 4) + "_.dbf";
  auto bytes = xbase::ReadWholeFile(env_, book);
  ASSERT_TRUE(bytes.ok());
  ASSERT_TRUE(xbase::WriteWholeFile(env_, copy, *bytes).ok());
  {
    xbase::WorkAreas areas(env_);
    auto c = areas.Open(1, copy, "kopia", {.exclusive = true});
    ASSERT_TRUE(c.ok()) << c.status().ToString();
    xbase::WorkArea& a = **c;
    ASSERT_TRUE(a.GoTop().ok());
    while (!a.eof()) {
      const std::string odb = AllTrim(Txt(a, "ODB"));
      if (odb == "K1") {
        ASSERT_TRUE(a.Replace("NODB", "NOWA NAZWA").ok());
        ASSERT_TRUE(a.Replace("KREDYT", 5000.0).ok());
        ASSERT_TRUE(a.Replace("OBWN", 0.0).ok());
      } else {
        ASSERT_TRUE(a.Delete().ok());
      }
      ASSERT_TRUE(a.Skip().ok());
    }
    ASSERT_TRUE(a.Append().ok());
    ASSERT_TRUE(a.Replace("ODB", "K9").ok());
    ASSERT_TRUE(a.Replace("NODB", "TYLKO W KOPII").ok());
    ASSERT_TRUE(areas.Close(1).ok());
  }

  Rebuild();
  EXPECT_EQ(Rows(TableId::kZo, {"ODB", "NODB", "KREDYT", "OBWN"}),
            (std::vector<std::string>{"K1|NOWA NAZWA|        5000.00|         100.00|",
                                      "K9|TYLKO W KOPII|           0.00|           0.00|"}));
  const std::string calls = [&] {
    std::string all;
    for (const std::string& c : st1().ui.calls) all += c + "\n";
    return all;
  }();
  EXPECT_NE(calls.find("message Sprawdzam zo (zo_)"), std::string::npos) << calls;
  EXPECT_NE(calls.find("message Sprawdzam rozrachunki (3)"), std::string::npos) << calls;
  ExpectChecksClean("after the merge");
}

TEST_F(LedgerRebuildTest, AMissingCounterpartyIsToldAndAdded) {
  Sale("FV", "K7", "P", 2, 10);
  xbase::WorkArea& zo = A(TableId::kZo);
  ASSERT_TRUE(documents::testing::SeekIn(zo, PadR("K7", 8)));
  ASSERT_TRUE(zo.LockRecord().ok());
  ASSERT_TRUE(zo.Delete().ok());
  ASSERT_TRUE(zo.Unlock().ok());
  Rebuild();
  EXPECT_EQ(Balances(), std::vector<std::string>{"K7|          24.60|           0.00|"});
  std::string calls;
  for (const std::string& c : st1().ui.calls) calls += c + "\n";
  EXPECT_NE(calls.find("alert Spz<>G a brak odb. w katalogu: FV1"), std::string::npos) << calls;
  EXPECT_NE(calls.find("alert Jak to rozliczyc ?"), std::string::npos) << calls;
}

TEST_F(LedgerRebuildTest, ARunStoppedMidwayIsFinishedByTheNextOne) {
  Sale("FV", "K1", "P", 3, 10);
  Money("KP", "O", "K1", 10, 3);
  auto items = Items("O", "K1");
  ASSERT_TRUE(Compensate(s(), st1().ui, items).ok());
  clock_.Advance(3000);
  ASSERT_TRUE(CloseToBalance(s(), st1().ui, "O", "K1", Day(20)).ok());
  Money("NOO", "O", "K2", 40, 5);
  const std::vector<std::string> items_before = OpenItems();
  const std::vector<std::string> balances_before = Balances();

  // Stopped at every write in turn (the nth write to any file fails and the run ends
  // there): the next run finishes the work with the same ledger.
  int stops = 0;
  for (int nth = 1; nth < 2000; ++nth) {
    env_.FailWrite(nth);
    const bool done = ZoFnKor(s(), st1().ui).ok();
    env_.ClearFaults();
    if (done) break;
    ++stops;
    Rebuild();
    ASSERT_FALSE(env_.Exists(s().Path(std::string(kLedgerRebuildMarker)))) << nth;
    ASSERT_EQ(OpenItems(), items_before) << "stopped at write " << nth;
    ASSERT_EQ(Balances(), balances_before) << "stopped at write " << nth;
  }
  EXPECT_GT(stops, 20);
  ExpectChecksClean("after the stops");
}

// A money document whose item has been settled is part of a batch: changing or deleting
// it would leave the batch without its twin, and the rebuild would bring the settled
// invoice back. It is refused; the ledger stays as the rebuild sees it.
TEST_F(LedgerRebuildTest, ASettledMoneyDocumentIsNeitherCorrectedNorDeleted) {
  Money("NOO", "O", "K1", 100, 2);
  Money("KP", "O", "K1", 100, 3);
  ASSERT_TRUE(Settle(s(), st1().ui, Items("O", "K1")).ok());
  for (double kwota : {60.0, 0.0}) {
    MoneyDocument d;
    d.rd = "KP";
    d.nrd = 1;
    d.data = Day(3);
    d.kto = "O";
    d.odb = "K1";
    d.tresc = "KP K1 3";
    d.kwota = kwota;
    auto r = ZapiszDowodKasowy(s(), st1().ui, d);
    ASSERT_TRUE(r.ok()) << kwota;
    EXPECT_FALSE(r->done);
    EXPECT_EQ(r->refused, "DOWOD ROZLICZONY - NIE POPRAWIAM: KP-1");
  }
  const std::vector<std::string> items = OpenItems();
  const std::vector<std::string> balances = Balances();
  Rebuild();
  EXPECT_EQ(OpenItems(), items);
  EXPECT_EQ(Balances(), balances);
}

TEST_F(LedgerRebuildTest, AnotherStationHoldingTheLedgerRefusesTheRebuild) {
  Money("NOO", "O", "K1", 100, 2);
  auto other = OtherStation(2);
  auto r = ZoFnKor(s(), st1().ui);
  ASSERT_FALSE(r.ok());
  EXPECT_TRUE(r.status().IsBusy());
  EXPECT_NE(r.status().message().find("wszyscy musza wyjsc z programu"), std::string::npos);
  // The session's tables are open again and the ledger untouched.
  EXPECT_EQ(Balances(), std::vector<std::string>{"K1|         100.00|           0.00|"});
  EXPECT_EQ(Items("O", "K1").size(), 1u);
}

}  // namespace
}  // namespace hurt::settlements
