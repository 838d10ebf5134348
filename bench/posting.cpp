// Posting benchmark: documents of 10 lines posted per second by one station and by four
// stations (processes) at once, on the real file system with every table shared.
//
//   bench_posting [documents] [--dir folder] [--grow]
//     documents  documents per station (default 200)
//     --dir      scratch folder (default build/bench-posting; emptied first)
//     --grow     the data grown to 100,000 articles and a month of 1,000,000 posted lines
//                (100,000 sales of 10 lines with their headers) before the postings
//
// The data: 2,000 articles in warehouse 1 (100,000 with --grow), kinds FV (sale on credit,
// with a settlement entry) and PZ (purchase). Each document has 10 lines of random
// articles. The grown data are generated in bulk: every table is filled in one append
// batch with its orders closed, then the orders are rebuilt in one pass. Lock waits
// pause a few real milliseconds (the fake clock of scripted stations), so contention
// costs what a retry costs, not the half-second pause an operator would see.
// Prints one line per figure: "name: value unit".
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/headless.h"
#include "documents/posting.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "shell/headless_run.h"
#include "store/net_ui.h"
#include "store/schema.h"
#include "xbase/env.h"
#include "bench_station.h"

namespace {

using namespace hurt;
using bench::BenchStation;
using bench::BulkFill;
using bench::Fail;
using store::TableId;
using xbase::Value;

constexpr int kArticlesSmall = 2000;
constexpr int kArticlesGrown = 100000;
constexpr long kHistoryLines = 1000000;
constexpr int kLines = 10;

int articles = kArticlesSmall;  // set once in main before any station starts

std::string Indeks(int i) { return "B" + std::to_string(10000 + i); }

void FillArticle(xbase::WorkArea& as, long i) {
  (void)as.Replace("MAG", Value("1"));
  (void)as.Replace("INDEKS", Value(Indeks(static_cast<int>(i))));
  (void)as.Replace("NAZWA", Value("TOWAR " + std::to_string(i)));
  (void)as.Replace("JM", Value("SZT"));
  (void)as.Replace("ILOSC", Value(100000.0));
  (void)as.Replace("CENA0", Value(5.0));
  (void)as.Replace("CENA", Value(8.0));
  (void)as.Replace("PODATEK0", Value("23"));
}

// A month of posted sales: documents FV 1..n of 10 lines each, spread over March 2026.
bool GrowHistory(BenchStation& st) {
  const long docs = kHistoryLines / kLines;
  const JulianDay first = JulianFromYmd(2026, 3, 1);
  std::mt19937 rng(12345);
  auto day = [&](long doc) { return xbase::Date{first + static_cast<JulianDay>(doc * 28 / docs)}; };
  auto nrd = [](long doc) { return Str(static_cast<double>(doc + 1), 8); };
  const bool lines_ok = BulkFill(st.Area(TableId::kDow), kHistoryLines, [&](xbase::WorkArea& a, long i) {
    const long doc = i / kLines;
    const double q = 1 + static_cast<int>(rng() % 5);
    (void)a.Replace("R_P", Value("R"));
    (void)a.Replace("S_Z", Value("S"));
    (void)a.Replace("RD", Value("FV "));
    (void)a.Replace("NRD", Value(nrd(doc)));
    (void)a.Replace("DATA", Value(day(doc)));
    (void)a.Replace("MAG", Value("1"));
    (void)a.Replace("LP", Value(PadL(std::to_string(i % kLines + 1), 3)));
    (void)a.Replace("KTO", Value("O"));
    (void)a.Replace("ODB", Value("K1"));
    (void)a.Replace("INDEKS", Value(Indeks(static_cast<int>(rng() % static_cast<unsigned>(articles)))));
    (void)a.Replace("NAZWA", Value("TOWAR"));
    (void)a.Replace("ILOSC", Value(q));
    (void)a.Replace("CENA", Value(8.0));
    (void)a.Replace("CENA0", Value(5.0));
    (void)a.Replace("WARTOSC", Value(q * 8));
    (void)a.Replace("PODATEK0", Value("23"));
    (void)a.Replace("PODATEK", Value(NewRound(q * 8 * 0.23, 2)));
  });
  if (!lines_ok) return false;
  const bool headers_ok = BulkFill(st.Area(TableId::kDowod), docs, [&](xbase::WorkArea& a, long doc) {
    (void)a.Replace("R_P", Value("R"));
    (void)a.Replace("S_Z", Value("S"));
    (void)a.Replace("RD", Value("FV "));
    (void)a.Replace("NRD", Value(nrd(doc)));
    (void)a.Replace("DATA", Value(day(doc)));
    (void)a.Replace("MAG", Value("1"));
    (void)a.Replace("KTO", Value("O"));
    (void)a.Replace("ODB", Value("K1"));
    (void)a.Replace("SPZ", Value("G"));
    (void)a.Replace("NETTO", Value(80.0));
    (void)a.Replace("VAT", Value(18.4));
  });
  if (!headers_ok) return false;
  // The sales counter goes on after the history.
  xbase::WorkArea& slow = st.Area(TableId::kSlow);
  for (Status s = slow.GoTop(); s.ok() && !slow.eof(); s = slow.Skip(1)) {
    if (slow.Get("RD")->AsString() != "FV ") continue;
    if (!slow.LockRecord().ok()) return false;
    (void)slow.Replace("NRD", Value(static_cast<double>(docs)));
    (void)slow.Unlock();
  }
  return true;
}

// Every order of the grown tables checks out and holds one key per record; the posted
// documents carry numbers above the history.
bool CheckData(const std::string& dir) {
  BenchStation st(dir, 1);
  if (!session::InitDbf(*st.session, st.ui, "")) return false;
  for (TableId id : {TableId::kAs, TableId::kDow, TableId::kDowod}) {
    xbase::WorkArea& a = st.Area(id);
    auto count = a.RecCount();
    if (!count.ok()) return Fail("count", count.status());
    for (int n = 1; n <= a.order_count(); ++n) {
      auto stats = a.OrderIndex(n)->Verify(true);
      if (!stats.ok()) return Fail(a.alias().c_str(), stats.status());
      if (stats->keys != *count) {
        std::fprintf(stderr, "%s order %d: %llu keys for %u records\n", a.alias().c_str(), n,
                     static_cast<unsigned long long>(stats->keys), *count);
        return false;
      }
    }
    std::printf("data_%s: %u records, %d orders verified\n", a.alias().c_str(), *count, a.order_count());
  }
  return true;
}

bool BuildData(const std::string& dir, bool grow) {
  BenchStation st(dir, 1);
  if (!session::InitNtx(*st.session, st.ui, "")) return false;
  xbase::WorkArea& slow = st.Area(TableId::kSlow);
  for (auto [rd, rp, sz, kto] : {std::tuple{"FV ", "R", "S", "O"}, std::tuple{"PZ ", "P", "Z", "D"}}) {
    if (!slow.Append().ok()) return false;
    (void)slow.Replace("RD", Value(rd));
    (void)slow.Replace("R_P", Value(rp));
    (void)slow.Replace("S_Z", Value(sz));
    (void)slow.Replace("KTO", Value(kto));
    (void)slow.Unlock();
  }
  if (!BulkFill(st.Area(TableId::kAs), articles, FillArticle)) return false;
  if (grow && !GrowHistory(st)) return false;
  return documents::DowCommit(*st.session).ok();
}

void Document(BenchStation& st, std::mt19937& rng) {
  session::SessionVariables& v = st.session->vars();
  const bool sale = rng() % 4 != 0;
  v.Set("KLUCZ", 0);
  v.Set("M_RD", sale ? "FV " : "PZ ");
  v.Set("M_NRD", std::string(8, ' '));
  v.Set("M_DATA", xbase::Date{JulianFromYmd(2026, 3, 14)});
  v.Set("M_MAG", "1");
  v.Set("M_ODB", "K1");
  v.Set("M_SPZ", "T");
  v.Set("M_TEZ", 14);
  v.Set("JEST_WYDRUK", false);
  (void)session::NoweDd(*st.session, st.ui);
  xbase::WorkArea& dd = st.Area(TableId::kDd);
  for (int i = 0; i < kLines; ++i) {
    const double q = 1 + static_cast<int>(rng() % 5);
    const double cena = 4 + static_cast<int>(rng() % 400) / 100.0;
    const double wartosc = NewRound(q * cena, 2);
    (void)dd.Append();
    (void)dd.Replace("MAG", Value("1"));
    (void)dd.Replace("INDEKS", Value(Indeks(static_cast<int>(rng() % static_cast<unsigned>(articles)))));
    (void)dd.Replace("NAZWA", Value("TOWAR"));
    (void)dd.Replace("ILOSC", Value(q));
    (void)dd.Replace("CENA", Value(cena));
    (void)dd.Replace("NB", Value("N"));
    (void)dd.Replace("PODATEK0", Value("23"));
    (void)dd.Replace("PODATEK", Value(NewRound(wartosc * 0.23, 2)));
    (void)dd.Replace("WARTOSC", Value(wartosc));
    (void)dd.Unlock();
  }
}

// Posts `docs` documents; returns the number that did not post after 100 attempts.
int PostDocuments(const std::string& dir, int station, int docs) {
  BenchStation st(dir, station);
  if (!session::InitDbf(*st.session, st.ui, "")) return docs;
  std::mt19937 rng(static_cast<unsigned>(station) * 7919u);
  int failed = 0;
  for (int d = 0; d < docs; ++d) {
    Document(st, rng);
    bool posted = false;
    for (int attempt = 0; attempt < 100 && !posted; ++attempt) {
      posted = documents::RepDowWithD(*st.session, st.ui, 0);
    }
    if (!posted) ++failed;
  }
  return failed;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// User + system CPU seconds of this process (RUSAGE_SELF) or of its waited-for children.
double CpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  int docs = 200;
  bool grow = false;
  std::string dir = "build/bench-posting";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--grow") {
      grow = true;
      articles = kArticlesGrown;
    } else if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else {
      docs = std::max(1, std::atoi(a.c_str()));
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir, ec);
  dir = std::filesystem::absolute(dir).string();
  auto start = std::chrono::steady_clock::now();
  if (!BuildData(dir, grow)) {
    std::fprintf(stderr, "cannot build the data in %s\n", dir.c_str());
    return 1;
  }
  std::printf("data: %d articles, %ld posted lines\n", articles, grow ? kHistoryLines : 0L);
  std::printf("data_build: %.1f s\n", Seconds(start));
  start = std::chrono::steady_clock::now();
  const double cpu1 = CpuSeconds(RUSAGE_SELF);
  const int failed1 = PostDocuments(dir, 1, docs);
  const double one = Seconds(start);
  const double one_cpu = CpuSeconds(RUSAGE_SELF) - cpu1;
  std::printf("one_station_documents: %d docs of %d lines (%d not posted)\n", docs, kLines, failed1);
  std::printf("one_station_rate: %.1f docs/s\n", docs / one);
  std::printf("one_station_cpu: %.2f ms/doc\n", 1000 * one_cpu / docs);

  start = std::chrono::steady_clock::now();
  const double cpu4 = CpuSeconds(RUSAGE_CHILDREN);
  std::vector<pid_t> children;
  for (int station = 1; station <= 4; ++station) {
    const pid_t pid = fork();
    if (pid == 0) _exit(PostDocuments(dir, station, docs) == 0 ? 0 : 1);
    children.push_back(pid);
  }
  int bad = 0;
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++bad;
  }
  const double four = Seconds(start);
  std::printf("four_stations_documents: %d docs of %d lines (%d stations with documents not posted)\n", 4 * docs,
              kLines, bad);
  std::printf("four_stations_rate: %.1f docs/s\n", 4 * docs / four);
  std::printf("four_stations_cpu: %.2f ms/doc\n", 1000 * (CpuSeconds(RUSAGE_CHILDREN) - cpu4) / (4 * docs));
  return CheckData(dir) ? 0 : 1;
}
