// The table work of the zeroing: what the soft zeroing clears and keeps, the emptying of one
// table, PACK, and a crash at every write of a soft zeroing leaving each table either as
// it was or zeroed, the next start able to work and a second run finishing the job.
#include "maintenance/zeroing_tables.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "maintenance/maintenance_fixture.h"
#include "session/init_tables.h"
#include "store/schema.h"
#include "xbase/forwarding_env.h"
#include "xbase/memory_env.h"

namespace hurt::maintenance {
namespace {

using store::TableId;
using testing::Company;
using testing::Row;

// An Env that dies after a number of changes: the nth write, truncation, sync, rename or
// removal and everything after it fails without landing, as if the machine stopped there.
class CrashingEnv final : public xbase::ForwardingEnv {
 public:
  CrashingEnv(xbase::Env& base, long budget) : ForwardingEnv(base), budget_(budget) {}

  bool dead() const { return budget_ >= 0 && used_ >= budget_; }
  long used() const { return used_; }
  // One change more; false when the machine has stopped.
  bool Spend() {
    if (dead()) return false;
    ++used_;
    return true;
  }

  Result<std::unique_ptr<xbase::File>> Open(const std::string& path, const xbase::OpenOptions& options) override {
    if ((options.create || options.truncate) && !Spend()) return Status::IoError("crashed");
    auto f = base().Open(path, options);
    if (!f.ok()) return f.status();
    return std::unique_ptr<xbase::File>(std::make_unique<File>(std::move(f).value(), *this));
  }
  Status Remove(const std::string& path) override { return Spend() ? base().Remove(path) : Status::IoError("crashed"); }
  Status Rename(const std::string& from, const std::string& to) override {
    return Spend() ? base().Rename(from, to) : Status::IoError("crashed");
  }

 private:
  class File final : public xbase::ForwardingFile {
   public:
    File(std::unique_ptr<xbase::File> f, CrashingEnv& env) : ForwardingFile(std::move(f)), env_(env) {}
    Status WriteAt(uint64_t offset, std::string_view data) override {
      return env_.Spend() ? base().WriteAt(offset, data) : Status::IoError("crashed");
    }
    Status Truncate(uint64_t size) override { return env_.Spend() ? base().Truncate(size) : Status::IoError("crashed"); }
    Status Sync() override { return env_.Spend() ? base().Sync() : Status::IoError("crashed"); }

   private:
    CrashingEnv& env_;
  };

  long budget_;  // < 0: never dies
  long used_ = 0;
};

// A company of period 24/03 with the seeded records.
struct World {
  FakeClock clock{2024, 3, 15, 9, 0, 0};
  xbase::MemoryEnv mem{clock};
  console::HeadlessBackend backend{clock};
  console::Console con{backend, clock};
  Company company{mem, con, clock};

  World() {
    EXPECT_TRUE(company.Build());  // the clock's month: 24/03
    company.Seed();
  }
  // The seeding session closes its tables (another program works on them next).
  void LetGo() { EXPECT_TRUE(company.s().areas().CloseAll().ok()); }
};

std::vector<std::string> Names(const std::vector<PeriodTable>& tables) {
  std::vector<std::string> out;
  for (const PeriodTable& t : tables) out.push_back(t.name);
  return out;
}

TEST(SoftZeroing, ClearsStockBalancesDocumentsAndCountersAndKeepsTheCatalogues) {
  World w;
  Company& c = w.company;
  c.TakeTablesAlone();
  std::vector<std::string> told;
  const Status st = ZerujLagodnie(c.s(), [&](std::string_view name) { told.emplace_back(name); });
  ASSERT_TRUE(st.ok()) << st.ToString();
  EXPECT_EQ(told, (std::vector<std::string>{"as", "zo", "zd", "zp", "zf", "dow", "dowod", "fa_n", "fa_nx", "pk",
                                            "slow", "firma"}));

  const std::vector<Row> as = c.Rows(TableId::kAs);
  ASSERT_EQ(as.size(), 3u);  // the deleted card stays, still deleted
  EXPECT_EQ(as[0]["NAZWA"], "MAKA");
  EXPECT_EQ(as[0].Num("CENA"), 3.5);
  for (const char* f : {"ILOSC", "B_BO_I", "B_P_I", "N_BO_I", "REZERWA0", "ILOSC_PZ"}) EXPECT_EQ(as[0].Num(f), 0) << f;
  EXPECT_EQ(as[0]["RD_PZ"], "");
  EXPECT_EQ(as[0]["DATA_SD"], "");
  EXPECT_EQ(as[1].Num("ILOSC"), 0);
  EXPECT_TRUE(as[2].deleted);
  EXPECT_EQ(as[2].Num("ILOSC"), 0);

  const std::vector<Row> zo = c.Rows(TableId::kZo);
  ASSERT_EQ(zo.size(), 1u);
  EXPECT_EQ(zo[0]["NODB"], "SMAKOSZ SP. Z O.O.");
  for (const char* f : {"BOWN", "OBWN", "OBMA", "POWN"}) EXPECT_EQ(zo[0].Num(f), 0) << f;

  for (TableId emptied : {TableId::kDow, TableId::kDowod, TableId::kFaN, TableId::kFaNx}) {
    EXPECT_TRUE(c.Rows(emptied).empty()) << store::Table(emptied).alias;
  }
  const std::vector<Row> pk = c.Rows(TableId::kPk);
  ASSERT_EQ(pk.size(), 1u);
  EXPECT_EQ(pk[0].Num("OBWN"), 0);
  EXPECT_EQ(pk[0].Num("BOMA"), 0);
  EXPECT_EQ(pk[0].Num("POZIOM"), 1);  // the chart of accounts stays as it is
  EXPECT_EQ(pk[0].Num("KONTYP"), 2);
  const std::vector<Row> slow = c.Rows(TableId::kSlow);
  ASSERT_FALSE(slow.empty());
  for (const Row& kind : slow) EXPECT_EQ(kind.Num("NRD"), 0) << kind["RD"];
  ASSERT_TRUE(c.s().areas().CloseAll().ok());  // firma was held exclusively
  const std::vector<Row> firma = testing::ReadRows(w.mem, c.s().Path("firma.dbf"));
  ASSERT_EQ(firma.size(), 1u);
  EXPECT_EQ(firma[0].Num("KP"), 0);
  EXPECT_EQ(firma[0].Num("KW"), 0);
  EXPECT_EQ(firma[0]["NODB"], "HURTOWNIA TESTOWA");
  EXPECT_EQ(firma[0]["BMR"], "03.24");

  // Nothing left beside the tables; the marker is gone.
  EXPECT_FALSE(w.mem.Exists(c.s().Path(kZerowanieMarker)));
  for (const auto& [path, bytes] : testing::FilesUnder(w.mem, c.s().Path("24/03"))) {
    EXPECT_EQ(path.find("xxx_"), std::string::npos) << path;
  }
  // The next start builds the indexes and opens the zeroed month.
  EXPECT_TRUE(c.Build());
}

TEST(SoftZeroing, WorksOnTheTablesOfTheCurrentPeriodInTheirOrder) {
  World w;
  EXPECT_EQ(Names(SoftZeroingTables(w.company.s())),
            (std::vector<std::string>{"as", "zo", "zd", "zp", "zf", "dow", "dowod", "fa_n", "fa_nx", "pk", "slow"}));
  EXPECT_EQ(Names(PackTables(w.company.s())),
            (std::vector<std::string>{"as", "zo", "zd", "zp", "zf", "dow", "dowod", "fa_n", "fa_nx", "slow"}));
  EXPECT_EQ(SoftZeroingTables(w.company.s()).front().file, w.company.s().Path("24/03/as"));
}

// Whether a table is as seeded (before), zeroed (after), or neither.
enum class State { kBefore, kAfter, kMixed };

State StateOf(const std::vector<double>& values, const std::vector<double>& before) {
  bool all_before = values == before;
  bool all_zero = true;
  for (double v : values) all_zero = all_zero && v == 0;
  if (all_before) return State::kBefore;
  return all_zero ? State::kAfter : State::kMixed;
}

std::vector<double> Column(const std::vector<Row>& rows, const std::string& field) {
  std::vector<double> out;
  for (const Row& r : rows) out.push_back(r.Num(field));
  return out;
}

// The state of every table the soft zeroing changes.
std::map<std::string, State> States(xbase::Env& env, Company& c) {
  std::map<std::string, State> out;
  auto rows = [&](TableId id) { return testing::ReadRows(env, c.Dbf(id, "24/03")); };
  out["as"] = StateOf(Column(rows(TableId::kAs), "ILOSC"), {10, 5, 7});
  out["zo"] = StateOf(Column(rows(TableId::kZo), "OBWN"), {100});
  out["pk"] = StateOf(Column(rows(TableId::kPk), "OBWN"), {50});
  std::vector<double> fv;
  for (const Row& r : rows(TableId::kSlow))
    if (r["RD"] == "FV") fv.push_back(r.Num("NRD"));
  out["slow"] = StateOf(fv, {5});
  out["dow"] = StateOf({static_cast<double>(rows(TableId::kDow).size())}, {2});
  out["dowod"] = StateOf({static_cast<double>(rows(TableId::kDowod).size())}, {1});
  out["fa_n"] = StateOf({static_cast<double>(rows(TableId::kFaN).size())}, {1});
  out["fa_nx"] = StateOf({static_cast<double>(rows(TableId::kFaNx).size())}, {1});
  out["firma"] = StateOf(Column(testing::ReadRows(env, c.s().Path("firma.dbf")), "KP"), {7});
  return out;
}

// The machine stops at every change of a soft zeroing in turn. Each table is then as it
// was or zeroed, never in between; unless all are zeroed the marker stands; the next start
// builds and opens the tables; a second soft zeroing zeroes them all.
TEST(SoftZeroing, ACrashAtAnyChangeLeavesEachTableBeforeOrAfterAndARunAgainFinishes) {
  long changes = 0;
  {
    World w;
    w.LetGo();
    CrashingEnv counting(w.mem, -1);
    Company c(counting, w.con, w.clock);
    c.s().set_hh("24/03");
    c.TakeTablesAlone();
    ASSERT_TRUE(ZerujLagodnie(c.s()).ok());
    changes = counting.used();
  }
  ASSERT_GT(changes, 20);
  int partial = 0;
  for (long n = 0; n < changes; ++n) {
    SCOPED_TRACE("crash after " + std::to_string(n) + " changes of " + std::to_string(changes));
    World w;
    w.LetGo();
    {
      CrashingEnv crashing(w.mem, n);
      Company dying(crashing, w.con, w.clock);
      dying.s().set_hh("24/03");
      dying.TakeTablesAlone();
      EXPECT_FALSE(ZerujLagodnie(dying.s()).ok());
    }  // the program is gone; what it held is released
    const std::map<std::string, State> states = States(w.mem, w.company);
    bool all_after = true, any_after = false;
    for (const auto& [name, state] : states) {
      EXPECT_NE(state, State::kMixed) << name;
      all_after = all_after && state == State::kAfter;
      any_after = any_after || state == State::kAfter;
    }
    // Zeroed in part: the next start is told.
    if (any_after && !all_after) {
      ++partial;
      EXPECT_TRUE(w.mem.Exists(w.company.s().Path(kZerowanieMarker)));
    }

    Company next(w.mem, w.con, w.clock);
    ASSERT_TRUE(next.Build());
    next.TakeTablesAlone();
    ASSERT_TRUE(ZerujLagodnie(next.s()).ok());
    ASSERT_TRUE(next.s().areas().CloseAll().ok());
    for (const auto& [name, state] : States(w.mem, next)) EXPECT_EQ(state, State::kAfter) << name;
    EXPECT_FALSE(w.mem.Exists(next.s().Path(kZerowanieMarker)));
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GT(partial, 0);  // the crashes did fall between tables
}

TEST(FullZeroing, EmptiesTheChosenTableOnly) {
  World w;
  Company& c = w.company;
  const std::string zo = c.Dbf(TableId::kZo);
  const std::vector<Row> as_before = c.Rows(TableId::kAs);
  c.TakeTablesAlone();
  const Status st = ZerujTabele(w.mem, c.s().areas(), zo);
  ASSERT_TRUE(st.ok()) << st.ToString();
  EXPECT_TRUE(c.Rows(TableId::kZo).empty());
  EXPECT_EQ(c.Rows(TableId::kAs).size(), as_before.size());
  EXPECT_EQ(c.Rows(TableId::kDow).size(), 2u);
  EXPECT_TRUE(c.Build());
}

TEST(Pack, RemovesTheDeletedRecordsKeepingTheOrderOfTheOthers) {
  World w;
  Company& c = w.company;
  // Two more cards, the first of them deleted; a deleted line of the document.
  testing::AddRecord(c.Area(TableId::kAs), {{"MAG", "1"}, {"INDEKS", "10004   "}, {"NAZWA", "PIEPRZ"}}, true);
  testing::AddRecord(c.Area(TableId::kAs), {{"MAG", "1"}, {"INDEKS", "10005   "}, {"NAZWA", "KAWA"}, {"ILOSC", 2.0}});
  testing::AddRecord(c.Area(TableId::kDow), {{"RD", "FV "}, {"NRD", "       5"}, {"LP", "  3"}}, true);
  ASSERT_EQ(c.Rows(TableId::kAs).size(), 5u);
  ASSERT_EQ(c.Rows(TableId::kDow).size(), 3u);
  c.TakeTablesAlone();
  std::vector<std::string> told;
  const Status st = PakujTabele(c.s(), [&](std::string_view name) { told.emplace_back(name); });
  ASSERT_TRUE(st.ok()) << st.ToString();
  EXPECT_EQ(told, Names(PackTables(c.s())));
  std::vector<std::string> cards;
  for (const Row& r : c.Rows(TableId::kAs)) {
    EXPECT_FALSE(r.deleted);
    cards.push_back(r["NAZWA"]);
  }
  EXPECT_EQ(cards, (std::vector<std::string>{"MAKA", "CUKIER", "KAWA"}));
  EXPECT_EQ(Column(c.Rows(TableId::kAs), "ILOSC"), (std::vector<double>{10, 5, 2}));  // PACK zeroes nothing
  EXPECT_EQ(c.Rows(TableId::kDow).size(), 2u);
  EXPECT_FALSE(w.mem.Exists(c.s().Path(kZerowanieMarker)));
  EXPECT_TRUE(c.Build());
}

}  // namespace
}  // namespace hurt::maintenance
