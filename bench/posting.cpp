// Posting benchmark: documents of 10 lines posted per second by one station and by four
// stations (processes) at once, on the real file system with every table shared.
//
//   bench_posting [documents] [--dir folder]
//     documents  documents per station (default 200)
//     --dir      scratch folder (default build/bench-posting; emptied first)
//
// The data: 2,000 articles in warehouse 1, kinds FV (sale on credit, with a settlement
// entry) and PZ (purchase). Each document has 10 lines of random articles. Lock waits
// pause a few real milliseconds (the fake clock of scripted stations), so contention
// costs what a retry costs, not the half-second pause an operator would see.
// Prints one line per figure: "name: value unit".
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
#include "shell/headless_run.h"
#include "shell/session.h"
#include "store/catalogue.h"
#include "store/init_tables.h"
#include "store/net_ui.h"
#include "xbase/env.h"

namespace {

using namespace hurt;
using store::TableId;
using xbase::Value;

constexpr int kArticles = 2000;
constexpr int kLines = 10;

struct BenchStation {
  BenchStation(const std::string& dir, int number)
      : clock(shell::ClockStart{2026, 3, 14, 9, 0, 0}),
        env(xbase::RealEnv(), clock),
        backend(console_clock),
        con(backend, console_clock),
        ui(clock) {
    shell::SessionOptions o;
    o.data_dir = dir;
    session = std::make_unique<shell::Session>(env, con, o);
    session->set_stacja(number);
    session->op().nr = "1";
  }
  xbase::WorkArea& Area(TableId id) { return *session->areas().Area(store::Table(id).area); }

  shell::ScriptClock clock;
  shell::ClockedEnv env;
  FakeClock console_clock{2026, 3, 14, 9, 0, 0};
  console::HeadlessBackend backend;
  console::Console con;
  store::NoScreenUi ui;
  std::unique_ptr<shell::Session> session;
};

std::string Indeks(int i) { return "B" + std::to_string(10000 + i); }

bool BuildData(const std::string& dir) {
  BenchStation st(dir, 1);
  if (!store::InitNtx(*st.session, st.ui, "")) return false;
  xbase::WorkArea& slow = st.Area(TableId::kSlow);
  for (auto [rd, rp, sz, kto] : {std::tuple{"FV ", "R", "S", "O"}, std::tuple{"PZ ", "P", "Z", "D"}}) {
    if (!slow.Append().ok()) return false;
    (void)slow.Replace("RD", Value(rd));
    (void)slow.Replace("R_P", Value(rp));
    (void)slow.Replace("S_Z", Value(sz));
    (void)slow.Replace("KTO", Value(kto));
    (void)slow.Unlock();
  }
  xbase::WorkArea& as = st.Area(TableId::kAs);
  for (int i = 0; i < kArticles; ++i) {
    if (!as.Append().ok()) return false;
    (void)as.Replace("MAG", Value("1"));
    (void)as.Replace("INDEKS", Value(Indeks(i)));
    (void)as.Replace("NAZWA", Value("TOWAR " + std::to_string(i)));
    (void)as.Replace("ILOSC", Value(100000.0));
    (void)as.Replace("CENA0", Value(5.0));
    (void)as.Unlock();
  }
  return documents::DowCommit(*st.session).ok();
}

void Document(BenchStation& st, std::mt19937& rng) {
  shell::SessionVariables& v = st.session->vars();
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
  (void)store::NoweDd(*st.session, st.ui);
  xbase::WorkArea& dd = st.Area(TableId::kDd);
  for (int i = 0; i < kLines; ++i) {
    const double q = 1 + static_cast<int>(rng() % 5);
    const double cena = 4 + static_cast<int>(rng() % 400) / 100.0;
    const double wartosc = NewRound(q * cena, 2);
    (void)dd.Append();
    (void)dd.Replace("MAG", Value("1"));
    (void)dd.Replace("INDEKS", Value(Indeks(static_cast<int>(rng() % kArticles))));
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
  if (!store::InitDbf(*st.session, st.ui, "")) return docs;
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

}  // namespace

int main(int argc, char** argv) {
  int docs = 200;
  std::string dir = "build/bench-posting";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else {
      docs = std::max(1, std::atoi(a.c_str()));
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir, ec);
  dir = std::filesystem::absolute(dir).string();
  if (!BuildData(dir)) {
    std::fprintf(stderr, "cannot build the data in %s\n", dir.c_str());
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  const int failed1 = PostDocuments(dir, 1, docs);
  const double one = Seconds(start);
  std::printf("one_station_documents: %d docs of %d lines (%d not posted)\n", docs, kLines, failed1);
  std::printf("one_station_rate: %.1f docs/s\n", docs / one);

  start = std::chrono::steady_clock::now();
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
  return 0;
}
