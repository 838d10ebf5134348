// The scratch runs of the warehouse movement statement: the merge hands over every article
// once, in the order of its bytes, with its card and what each run added in the order the
// runs were written, whatever the number and size of the runs; the line facts come only
// for articles without a card; a failed write is an error; the files go with the object,
// and with the statement's work table.
#include "reports/movement_runs.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/text.h"
#include "documents/posting_fixture.h"
#include "reports/movement_statement.h"
#include "xbase/fault_env.h"
#include "xbase/memory_env.h"

namespace hurt::reports {
namespace {

constexpr size_t kCardLength = 12;

struct Expected {
  std::vector<std::string> cards;
  std::vector<RunEntry> entries;  // in the order of the runs
};

// An article code; some begin with a byte above 0x7F, which must sort after the letters.
ArticleKey Code(int n) {
  std::string code = (n % 7 == 0 ? std::string("\xA5") : std::string("A")) + std::to_string(1000 + n);
  return ArticleKeyOf(code);
}

TEST(MovementRuns, MergeGivesEachArticleItsCardAndItsRunsInOrder) {
  FakeClock clock(2026, 3, 31);
  xbase::MemoryEnv env(clock);
  ASSERT_TRUE(env.CreateDirs("rob").ok());
  std::mt19937 rng(17);
  for (int round = 0; round < 30; ++round) {
    auto made = MovementRuns::Create(env, "rob/asso01", kCardLength);
    ASSERT_TRUE(made.ok()) << made.status().ToString();
    MovementRuns& runs = **made;
    std::map<uint64_t, Expected> expected;
    // Cards of about half the codes, now and then twice.
    std::map<uint64_t, ArticleKey> card_codes;
    for (int n = 0; n < 600; ++n) {
      if (rng() % 2 == 0) card_codes[KeyOrder(Code(n))] = Code(n);
    }
    int card_number = 0;
    for (const auto& [order, key] : card_codes) {
      for (int copies = rng() % 10 == 0 ? 2 : 1; copies > 0; --copies) {
        std::string card = PadR("K" + std::to_string(card_number++), kCardLength);
        ASSERT_TRUE(runs.AddCard(key, card).ok());
        expected[order].cards.push_back(card);
      }
    }
    // Runs of random articles, some with no card, some runs empty or large.
    const int run_count = static_cast<int>(rng() % 9);
    for (int r = 0; r < run_count; ++r) {
      std::map<uint64_t, RunEntry> run;
      const int size = r == 0 ? 600 : static_cast<int>(rng() % 300);
      for (int i = 0; i < size; ++i) {
        const int n = static_cast<int>(rng() % 700);
        RunEntry& e = run[KeyOrder(Code(n))];
        e.indeks = Code(n);
        e.in_group = rng() % 3 != 0;
        for (int c = 0; c < kColumns; ++c) {
          if (rng() % 3 == 0) {
            e.add[static_cast<size_t>(c)] = static_cast<double>(static_cast<int>(rng() % 20001) - 10000) / 1000;
          }
          if (e.add[static_cast<size_t>(c)] != 0) e.changed |= uint32_t{1} << c;
        }
        const std::string nazwa = PadR("TOWAR " + std::to_string(n) + " R" + std::to_string(r), 30);
        std::copy(nazwa.begin(), nazwa.end(), e.facts.nazwa.begin());
        e.facts.jm = {'s', 'z', 't'};
        e.facts.gross = n % 2 == 0;
        e.facts.cena0 = n / 4.0;
        e.facts.cena = n / 8.0;
      }
      std::vector<RunEntry*> sorted;
      for (auto& [order, e] : run) {
        sorted.push_back(&e);
        RunEntry kept = e;
        if (card_codes.count(order) != 0) kept.facts = LineRowFacts{};  // a card's article keeps no facts
        expected[order].entries.push_back(kept);
      }
      ASSERT_TRUE(runs.AddRun(sorted).ok());
    }
    EXPECT_EQ(runs.runs(), static_cast<size_t>(run_count));

    // What the merge hands over, and what it should: per article its first card (if any)
    // with the runs' entries, then each further card of it alone.
    struct Visit {
      uint64_t order;
      std::string card;  // "" none
      std::vector<RunEntry> entries;
    };
    std::vector<Visit> want, got;
    for (const auto& [order, e] : expected) {
      want.push_back({order, e.cards.empty() ? "" : e.cards[0], e.entries});
      for (size_t i = 1; i < e.cards.size(); ++i) want.push_back({order, e.cards[i], {}});
    }
    const Status merged = runs.Merge(
        [&](const ArticleKey& key, const std::string* card, std::span<const RunEntry> entries) {
          got.push_back({KeyOrder(key), card != nullptr ? *card : "", {entries.begin(), entries.end()}});
          return Status::Ok();
        },
        /*buffer_bytes=*/1);  // each reader gets its least buffer: many refills
    ASSERT_TRUE(merged.ok()) << merged.ToString();
    ASSERT_EQ(got.size(), want.size()) << "round " << round;
    for (size_t v = 0; v < got.size(); ++v) {
      ASSERT_EQ(got[v].order, want[v].order) << "round " << round << " visit " << v;
      EXPECT_EQ(got[v].card, want[v].card);
      ASSERT_EQ(got[v].entries.size(), want[v].entries.size());
      for (size_t i = 0; i < got[v].entries.size(); ++i) {
        const RunEntry& g = got[v].entries[i];
        const RunEntry& w = want[v].entries[i];
        EXPECT_EQ(g.indeks, w.indeks);
        EXPECT_EQ(g.in_group, w.in_group);
        EXPECT_EQ(g.changed, w.changed);
        EXPECT_EQ(g.add, w.add);
        EXPECT_EQ(g.facts.nazwa, w.facts.nazwa);
        EXPECT_EQ(g.facts.jm, w.facts.jm);
        EXPECT_EQ(g.facts.gross, w.facts.gross);
        EXPECT_EQ(g.facts.cena0, w.facts.cena0);
        EXPECT_EQ(g.facts.cena, w.facts.cena);
      }
    }
    made->reset();
    EXPECT_FALSE(env.Exists("rob/asso01.tmp"));
    EXPECT_FALSE(env.Exists("rob/asso01.tmk"));
  }
}

TEST(MovementRuns, ACardOutOfOrderOrAFailedWriteIsAnErrorAndTheFilesGo) {
  FakeClock clock(2026, 3, 31);
  xbase::MemoryEnv mem(clock);
  xbase::FaultEnv env(mem);
  ASSERT_TRUE(env.CreateDirs("rob").ok());
  auto made = MovementRuns::Create(env, "rob/asso01", kCardLength);
  ASSERT_TRUE(made.ok());
  ASSERT_TRUE((*made)->AddCard(Code(1), PadR("K", kCardLength)).ok());
  RunEntry e;
  e.indeks = Code(2);
  e.add[kRsI] = 1;
  e.changed = uint32_t{1} << kRsI;
  std::vector<RunEntry*> one = {&e};
  // A card out of the order of the index is refused: the merge would give it two rows.
  EXPECT_TRUE((*made)->AddCard(ArticleKeyOf("A0"), PadR("K", kCardLength)).IsCorruption());
  env.FailWrite(1, "asso01.tmp");
  ASSERT_TRUE((*made)->AddRun(one).ok());  // kept in the buffer yet
  int visited = 0;
  const Status merged = (*made)->Merge([&](const ArticleKey&, const std::string*, std::span<const RunEntry>) {
    ++visited;
    return Status::Ok();
  });
  EXPECT_FALSE(merged.ok());
  EXPECT_EQ(visited, 0);
  made->reset();
  EXPECT_FALSE(mem.Exists("rob/asso01.tmp"));
  EXPECT_FALSE(mem.Exists("rob/asso01.tmk"));
}

// Through the statement: the scratch files are gone after the computation, and a failed
// write of them fails the computation instead of printing what was not counted.
class MovementScratchTest : public documents::testing::PostingTest {};

TEST_F(MovementScratchTest, TheStatementLeavesNoScratchFilesAndReportsTheirFailure) {
  Kind("FV", 'R', 'S', "FAKTURA VAT");
  Article("1", "A1", 100, 2);
  MovementRequest req;
  req.from = JulianFromYmd(2026, 3, 1);
  req.to = JulianFromYmd(2026, 3, 31);
  const std::string tmp = s().Path("rob/asso01.tmp"), tmk = s().Path("rob/asso01.tmk");
  {
    auto table = MovementTable::Create(s());
    ASSERT_TRUE(table.ok());
    auto result = ComputeMovement(s(), **table, req);
    ASSERT_TRUE(result.ok()) << result.status().ToString();
    EXPECT_FALSE(env_.Exists(tmp));
    EXPECT_FALSE(env_.Exists(tmk));
  }
  {
    auto table = MovementTable::Create(s());
    ASSERT_TRUE(table.ok());
    env_.FailWrite(1, "asso01.tmp");
    auto result = ComputeMovement(s(), **table, req);
    EXPECT_FALSE(result.ok());
    env_.ClearFaults();
  }
  EXPECT_FALSE(env_.Exists(tmp));
  EXPECT_FALSE(env_.Exists(tmk));
  EXPECT_FALSE(env_.Exists(s().Path("rob/asso01.dbf")));
}

}  // namespace
}  // namespace hurt::reports
