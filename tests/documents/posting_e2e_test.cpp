// Several processes posting at once on one data directory, and stations killed in the
// middle of posting: afterwards stock, reservations, numbers, totals and indexes agree.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/headless.h"
#include "documents/line_session.h"
#include "documents/posting.h"
#include "documents/process_station.h"
#include "documents/reservations.h"
#include "documents/station_recovery.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "shell/headless_run.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/ntx.h"

namespace hurt::documents {
namespace {

using store::TableId;
using xbase::Value;

constexpr int kArticles = 50;
constexpr double kOpening = 1000;

void Put(xbase::WorkArea& a, const char* f, const Value& v) { (void)a.Replace(f, v); }

std::string Indeks(int i) { return "T" + std::to_string(100 + i); }

// The data directory: kinds FV (sale), PZ (purchase), MM (transfer) and 50 articles in
// warehouse 1, built by a first station.
void BuildData(const std::string& dir) {
  testing::MakeCompany(dir, testing::CompanySetup().Bmr("03.26"));
  ProcessStation st(dir, 1);
  ASSERT_TRUE(session::InitNtx(*st.session, st.ui, ""));
  xbase::WorkArea& slow = st.Area(TableId::kSlow);
  for (auto [rd, rp, sz, kto] : {std::tuple{"FV ", "R", "S", "O"}, std::tuple{"PZ ", "P", "Z", "D"},
                                 std::tuple{"MM ", "M", "D", "O"}}) {
    ASSERT_TRUE(slow.Append().ok());
    Put(slow, "RD", rd);
    Put(slow, "R_P", rp);
    Put(slow, "S_Z", sz);
    Put(slow, "KTO", kto);
    Put(slow, "CUV", "U");
    Put(slow, "NB", "N");
    ASSERT_TRUE(slow.Unlock().ok());
  }
  xbase::WorkArea& as = st.Area(TableId::kAs);
  for (int i = 0; i < kArticles; ++i) {
    ASSERT_TRUE(as.Append().ok());
    Put(as, "MAG", "1");
    Put(as, "INDEKS", Indeks(i));
    Put(as, "NAZWA", "TOWAR " + std::to_string(i));
    Put(as, "ILOSC", kOpening);
    Put(as, "B_BO_I", kOpening);
    Put(as, "CENA0", 5.0);
    ASSERT_TRUE(as.Unlock().ok());
  }
  ASSERT_TRUE(DowCommit(*st.session).ok());
}

// Reserves the line's quantity on its article as the line editor does.
bool Reserve(ProcessStation& st, const std::string& indeks, double q) {
  ReservationRequest rq{"1", PadR(indeks, 8), 0, q, false};
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (ChangeReservation(st.ui, st.Area(TableId::kAs), StationLedgerOf(*st.session), rq).ok()) return true;
  }
  return false;
}

// One random document in the station's working lines and header variables.
void RandomDocument(ProcessStation& st, std::mt19937& rng) {
  session::SessionVariables& v = st.session->vars();
  const int kind = static_cast<int>(rng() % 3);
  const char* rd = kind == 0 ? "FV " : kind == 1 ? "PZ " : "MM ";
  v.Set("KLUCZ", 0);
  v.Set("M_RD", rd);
  v.Set("M_NRD", std::string(8, ' '));
  v.Set("M_DATA", xbase::Date{JulianFromYmd(2026, 3, 14)});
  v.Set("M_MAG", "1");
  v.Set("M_ODB", kind == 2 ? "2" : "K1");
  v.Set("M_SPZ", rng() % 2 ? "T" : "G");
  v.Set("M_TEZ", 14);
  v.Set("JEST_WYDRUK", false);
  ASSERT_TRUE(session::NoweDd(*st.session, st.ui));
  xbase::WorkArea& dd = st.Area(TableId::kDd);
  const int lines = 1 + static_cast<int>(rng() % 10);
  for (int i = 0; i < lines; ++i) {
    const std::string indeks = Indeks(static_cast<int>(rng() % kArticles));
    const double q = 1 + static_cast<int>(rng() % 5);
    const double cena = 4 + static_cast<int>(rng() % 400) / 100.0;
    const double wartosc = NewRound(q * cena, 2);
    if (kind != 1) {
      ASSERT_TRUE(Reserve(st, indeks, q));
    }
    ASSERT_TRUE(dd.Append().ok());
    Put(dd, "MAG", "1");
    Put(dd, "INDEKS", indeks);
    Put(dd, "NAZWA", "TOWAR");
    Put(dd, "ILOSC", q);
    Put(dd, "CENA", cena);
    Put(dd, "NB", "N");
    Put(dd, "PODATEK0", "23");
    Put(dd, "PODATEK", NewRound(wartosc * 0.23, 2));
    Put(dd, "WARTOSC", wartosc);
    ASSERT_TRUE(dd.Unlock().ok());
  }
}

// The body of a posting process: `docs` documents, each tried until it posts.
[[noreturn]] void PostingProcess(const std::string& dir, int station, int docs, unsigned seed, int kill_at) {
  ProcessStation st(dir, station);
  if (!session::InitDbf(*st.session, st.ui, "")) _exit(2);
  std::mt19937 rng(seed);
  for (int d = 0; d < docs; ++d) {
    RandomDocument(st, rng);
    if (::testing::Test::HasFailure()) _exit(3);
    if (kill_at > 0) st.env.KillAfter(kill_at);
    bool posted = false;
    for (int attempt = 0; attempt < 200 && !posted; ++attempt) {
      posted = RepDowWithD(*st.session, st.ui, 0);
      if (!posted) usleep(1000 + static_cast<unsigned>(rng() % 5000));
    }
    if (!posted) _exit(4);
  }
  _exit(0);
}

pid_t Spawn(const std::string& dir, int station, int docs, unsigned seed, int kill_at = 0) {
  const pid_t pid = fork();
  if (pid == 0) PostingProcess(dir, station, docs, seed, kill_at);
  return pid;
}

// What a first station finds afterwards, checked against the documents in dow.
void ExpectConsistent(ProcessStation& st, bool exact_indexes) {
  xbase::WorkArea& dowod = st.Area(TableId::kDowod);
  xbase::WorkArea& dow = st.Area(TableId::kDow);
  xbase::WorkArea& as = st.Area(TableId::kAs);
  xbase::WorkArea& slow = st.Area(TableId::kSlow);
  // Stock movements from the lines.
  std::map<std::string, double> moved;  // mag+indeks
  struct Sums {
    double netto = 0, vat = 0, wartosc0 = 0;
  };
  std::map<std::string, Sums> sums;  // rd+nrd
  ASSERT_TRUE(dow.SetOrder(1).ok());
  ASSERT_TRUE(dow.GoTop().ok());
  while (!dow.eof()) {
    const std::string rd = dow.Get("RD")->AsString();
    const std::string nrd = dow.Get("NRD")->AsString();
    const std::string key = dow.Get("MAG")->AsString() + dow.Get("INDEKS")->AsString();
    const double q = dow.Get("ILOSC")->AsNumber();
    if (rd == "PZ ") moved[key] += q;
    if (rd == "FV " || rd == "MM ") moved[key] -= q;
    if (rd == "MM ") moved[dow.Get("ODB")->AsString().substr(0, 1) + dow.Get("INDEKS")->AsString()] += q;
    Sums& s = sums[rd + nrd];
    s.netto += dow.Get("WARTOSC")->AsNumber();
    s.vat += dow.Get("PODATEK")->AsNumber();
    s.wartosc0 += NewRound(q * dow.Get("CENA0")->AsNumber(), 2);
    ASSERT_TRUE(dow.Skip().ok());
  }
  ASSERT_TRUE(as.SetOrder(1).ok());
  ASSERT_TRUE(as.GoTop().ok());
  std::set<std::string> seen;
  while (!as.eof()) {
    const std::string key = as.Get("MAG")->AsString() + as.Get("INDEKS")->AsString();
    EXPECT_TRUE(seen.insert(key).second) << "article twice: " << key;
    const double opening = as.Get("B_BO_I")->AsNumber();
    EXPECT_EQ(FormatFixed(as.Get("ILOSC")->AsNumber(), 3), FormatFixed(opening + moved[key], 3)) << key;
    EXPECT_EQ(FormatFixed(as.Get("REZERWA0")->AsNumber(), 3), "0.000") << key;
    ASSERT_TRUE(as.Skip().ok());
  }
  // Numbers per kind unique and without gaps, up to the kind's counter.
  std::map<std::string, std::vector<long>> numbers;
  ASSERT_TRUE(dowod.SetOrder(1).ok());
  ASSERT_TRUE(dowod.GoTop().ok());
  while (!dowod.eof()) {
    const std::string rd = dowod.Get("RD")->AsString();
    const std::string nrd = dowod.Get("NRD")->AsString();
    numbers[rd].push_back(static_cast<long>(Val(nrd)));
    const Sums& s = sums[rd + nrd];
    EXPECT_EQ(FormatFixed(dowod.Get("NETTO")->AsNumber(), 2), FormatFixed(s.netto, 2)) << rd << nrd;
    EXPECT_EQ(FormatFixed(dowod.Get("VAT")->AsNumber(), 2), FormatFixed(s.vat, 2)) << rd << nrd;
    EXPECT_EQ(FormatFixed(dowod.Get("WARTOSC0")->AsNumber(), 2), FormatFixed(s.wartosc0, 2)) << rd << nrd;
    ASSERT_TRUE(dowod.Skip().ok());
  }
  ASSERT_TRUE(slow.SetOrder(1).ok());
  for (auto& [rd, list] : numbers) {
    std::sort(list.begin(), list.end());
    for (size_t i = 0; i < list.size(); ++i) ASSERT_EQ(list[i], static_cast<long>(i + 1)) << rd;
    ASSERT_TRUE(slow.SeekKey(rd).value());
    EXPECT_EQ(static_cast<long>(slow.Get("NRD")->AsNumber()), static_cast<long>(list.size())) << rd;
  }
  // Every index checks out.
  for (TableId id : {TableId::kAs, TableId::kDow, TableId::kDowod, TableId::kFaN, TableId::kSlow}) {
    xbase::WorkArea& a = st.Area(id);
    for (int n = 1; n <= a.order_count(); ++n) {
      auto stats = a.OrderIndex(n)->Verify(true);
      ASSERT_TRUE(stats.ok()) << a.alias() << " " << n << ": " << stats.status().ToString();
      if (exact_indexes) {
        EXPECT_EQ(stats->keys, a.RecCount().value()) << a.alias() << " order " << n;
      }
    }
  }
}


TEST(PostingProcesses, FourStationsPostAtOnceAndEverythingAgrees) {
  testing::TempDir dir;
  BuildData(dir.str());
  ASSERT_FALSE(::testing::Test::HasFailure());
  std::vector<pid_t> children;
  for (int station = 1; station <= 4; ++station) {
    children.push_back(Spawn(dir.str(), station, 200, 1000u + static_cast<unsigned>(station)));
  }
  for (pid_t pid : children) EXPECT_EQ(WaitFor(pid), 0);
  ProcessStation st(dir.str(), 1);
  ASSERT_TRUE(session::InitDbf(*st.session, st.ui, ""));
  ExpectConsistent(st, true);
  // 800 documents, numbered per kind.
  EXPECT_EQ(st.Area(TableId::kDowod).RecCount().value(), 800u);
}

TEST(PostingProcesses, AStationKilledWhilePostingLeavesNoHalfDocument) {
  testing::TempDir dir;
  BuildData(dir.str());
  ASSERT_FALSE(::testing::Test::HasFailure());
  std::mt19937 rng(7);
  int killed = 0;
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int kill_at = 1 + static_cast<int>(rng() % 60);
    const int code = WaitFor(Spawn(dir.str(), 2, 1, 500u + static_cast<unsigned>(round), kill_at));
    if (code == 100 + SIGKILL) ++killed;
    else EXPECT_EQ(code, 0);
    SCOPED_TRACE("exit " + std::to_string(code) + " at write " + std::to_string(kill_at) +
                 (dir.Exists("rob/post02.jnl") ? " journal:\n" + dir.Read("rob/post02.jnl") : " no journal"));
    // The next first station: tables rebuilt, postings taken back, reservations cleared.
    ProcessStation st(dir.str(), 1);
    ASSERT_TRUE(session::InitNtx(*st.session, st.ui, ""));
    const RecoveryReport undone = TakeBackGoneStations(*st.session, st.ui);
    EXPECT_TRUE(undone.problems.empty());
    EXPECT_FALSE(dir.Exists("rob/post02.jnl"));
    ASSERT_TRUE(ClearReservations(*st.session, st.ui).ok());
    ExpectConsistent(st, true);
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GT(killed, 15);
}

}  // namespace
}  // namespace hurt::documents
