// Article catalogue benchmark: the DBU_AS screen over a large article table, driven by key
// scripts through the headless console on the real file system.
//
//   bench_catalogue [articles] [--dir folder]
//     articles  cards of the generated `as` table (default 200000)
//     --dir     scratch folder (default build/bench-data/catalogue), emptied first
//
// Then the counterparty book with a quarter as many accounts: its tax-number lists, the
// look-up by tax number and the spreadsheet copy.
//
// The tables are built by the start-up build (INIT_NTX) and opened shared as the program
// opens them; the articles are appended in one append batch. Each figure runs the whole
// screen (open, the keys, leave) and prints "name: value unit".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/text.h"
#include "catalogues/article_catalogue.h"
#include "catalogues/counterparty_reports.h"
#include "console/console.h"
#include "console/headless.h"
#include "console/keys.h"
#include "session/area_fields.h"
#include "session/init_tables.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "store/net_ui.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

using namespace hurt;
namespace fs = std::filesystem;
namespace key = console::key;

namespace {

using Steady = std::chrono::steady_clock;
double Since(Steady::time_point t) { return std::chrono::duration<double>(Steady::now() - t).count(); }

void Figure(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.*f %s\n", name.c_str(), value >= 100 ? 0 : 3, value, unit);
  std::fflush(stdout);
}

const char* const kWords[] = {"MLEKO", "MASLO", "SER", "CHLEB", "BULKA", "JOGURT", "KEFIR", "SMIETANA",
                              "MAKA", "CUKIER", "SOL", "KAWA", "HERBATA", "SOK", "WODA", "PIWO"};

std::string Code(long i) { return "T" + PadL(std::to_string(i), 7, '0'); }

struct Bench {
  FakeClock clock{2026, 12, 8, 8, 0, 0};
  console::HeadlessBackend term{clock, true};
  console::Console con{term, clock};
  std::unique_ptr<session::Session> session;

  // Runs the screen with the keys; the seconds it took.
  double Run(const std::vector<int>& keys, bool wait_after = false) {
    term.Keys(keys);
    if (wait_after) term.Wait(10'000);
    term.Key(key::kEsc);
    const auto t = Steady::now();
    catalogues::DbuAs(*session);
    return Since(t);
  }
};

std::vector<int> Typed(const std::string& text) {
  std::vector<int> keys;
  for (char c : text) keys.push_back(static_cast<unsigned char>(c));
  return keys;
}

}  // namespace

int main(int argc, char** argv) {
  long articles = 200'000;
  std::string dir = "build/bench-data/catalogue";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else {
      articles = std::atol(argv[i]);
    }
  }
  if (articles <= 0) articles = 200'000;
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir + "/rob", ec);
  if (ec) {
    std::fprintf(stderr, "cannot make %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }

  // The program works in its data directory (the table-creation log is written there).
  const fs::path data = fs::absolute(dir);
  fs::current_path(data, ec);
  Bench b;
  session::SessionOptions options;
  options.data_dir = data.string();
  b.session = std::make_unique<session::Session>(xbase::RealEnv(), b.con, options);
  session::Session& s = *b.session;
  store::NoScreenUi ui(b.clock);
  if (!session::InitNtx(s, ui, "")) {
    std::fprintf(stderr, "the start-up build failed\n");
    return 1;
  }
  s.op().prawa = std::string(20, 'T');

  // Generate: warehouses 1-3, codes T0000000.., names of two words and a number.
  xbase::WorkArea& as = *s.areas().Area(2);
  std::mt19937 rng(7);
  auto t = Steady::now();
  if (!as.BeginAppendBatch().ok()) return 1;
  for (long i = 0; i < articles; ++i) {
    if (!as.Append().ok()) return 1;
    const std::string name = std::string(kWords[rng() % 16]) + " " + kWords[rng() % 16] + " " + std::to_string(i);
    (void)as.Replace("MAG", xbase::Value(std::to_string(1 + i % 3)));
    (void)as.Replace("INDEKS", xbase::Value(Code(i)));
    (void)as.Replace("NAZWA", xbase::Value(name));
    (void)as.Replace("JM", xbase::Value("szt"));
    (void)as.Replace("PODATEK0", xbase::Value("23"));
    (void)as.Replace("ILOSC", xbase::Value(static_cast<double>(rng() % 1000)));
    (void)as.Replace("CENA0", xbase::Value(static_cast<double>(rng() % 10000) / 100));
    (void)as.Replace("CENA", xbase::Value(static_cast<double>(rng() % 10000) / 100 + 1));
    (void)as.Replace("CENA2", xbase::Value(static_cast<double>(rng() % 10000) / 100 + 1.23));
  }
  if (!as.EndAppendBatch().ok()) return 1;
  (void)as.Commit();
  Figure("generate " + std::to_string(articles) + " articles", Since(t), "s");

  Figure("open and leave", b.Run({}), "s");

  {
    std::vector<int> keys(2000, key::kPgDn);
    const double secs = b.Run(keys);
    Figure("browse PgDn x2000", secs, "s");
    Figure("browse per page", secs / 2000 * 1000, "ms");
  }
  {
    std::vector<int> keys;
    for (int i = 0; i < 100; ++i) {
      keys.push_back(key::kCtrlPgDn);
      keys.push_back(key::kCtrlPgUp);
    }
    Figure("first/last card x100", b.Run(keys), "s");
  }
  {
    // Incremental search by warehouse + code: 1000 full prefixes, Enter after each.
    std::vector<int> keys;
    for (int i = 0; i < 1000; ++i) {
      const long n = static_cast<long>(rng() % static_cast<unsigned>(articles));
      const std::vector<int> typed = Typed(std::to_string(1 + n % 3) + Code(n));
      keys.insert(keys.end(), typed.begin(), typed.end());
      keys.push_back(key::kEnter);
    }
    const double secs = b.Run(keys);
    Figure("code search 1000 x 9 keys", secs, "s");
    Figure("code search per key", secs / 9000 * 1000, "ms");
  }
  {
    // Incremental search in the name order.
    std::vector<int> keys{key::kTab};
    for (int i = 0; i < 500; ++i) {
      const std::vector<int> typed = Typed(std::string(kWords[rng() % 16]) + " " + kWords[rng() % 16]);
      keys.insert(keys.end(), typed.begin(), typed.end());
      keys.push_back(key::kEnter);
    }
    Figure("name search 500 prefixes", b.Run(keys), "s");
  }
  {
    // F6 on a name part held by one card in about ten thousand, then paging through it.
    std::vector<int> keys{key::F(6), key::kEnter, key::kEnter};
    const std::vector<int> typed = Typed("999");
    keys.insert(keys.end(), typed.begin(), typed.end());
    keys.push_back(key::kPgDn);
    for (int i = 0; i < 20; ++i) keys.push_back(key::kPgDn);
    Figure("filter by name (sparse) + 20 pages", b.Run(keys), "s");
  }
  {
    // F6 that finds nothing: one pass over every card, then the message.
    std::vector<int> keys{key::F(6), key::kEnter, key::kEnter};
    const std::vector<int> typed = Typed("NIEMA");
    keys.insert(keys.end(), typed.begin(), typed.end());
    keys.push_back(key::kPgDn);
    Figure("filter by name (nothing found)", b.Run(keys, true), "s");
  }
  {
    // F7 for the last card's name.
    std::vector<int> keys{key::F(7), key::kEnter, key::kEnter};
    const std::vector<int> typed = Typed(" " + std::to_string(articles - 1));
    keys.insert(keys.end(), typed.begin(), typed.end());
    keys.push_back(key::kPgDn);
    Figure("search by example (last card)", b.Run(keys), "s");
  }
  {
    // The counterparty book: a quarter as many accounts as cards, every tenth tax number
    // repeated, every fiftieth with a wrong check digit.
    const long accounts = std::max(1L, articles / 4);
    xbase::WorkArea& zo = *s.areas().Area(3);
    const catalogues::BookInfo& info = *catalogues::Book(1);
    t = Steady::now();
    if (!zo.BeginAppendBatch().ok()) return 1;
    for (long i = 0; i < accounts; ++i) {
      if (!zo.Append().ok()) return 1;
      const long n = i % 10 == 9 ? i - 1 : i;
      std::string nip = PadL(std::to_string(100'000'000 + n), 9, '0');
      int sum = 0;
      static constexpr int kWeights[] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
      for (int k = 0; k < 9; ++k) sum += (nip[static_cast<size_t>(k)] - '0') * kWeights[k];
      nip += std::to_string((sum % 11 + (i % 50 == 7 ? 1 : 0)) % 10);
      (void)zo.Replace("ODB", xbase::Value("K" + PadL(std::to_string(i), 7, '0')));
      (void)zo.Replace("NODB", xbase::Value(std::string(kWords[rng() % 16]) + " " + std::to_string(i)));
      (void)zo.Replace("REGON", xbase::Value(nip));
      (void)zo.Replace("BOWN", xbase::Value(static_cast<double>(rng() % 100000) / 100));
    }
    if (!zo.EndAppendBatch().ok()) return 1;
    (void)zo.Commit();
    Figure("generate " + std::to_string(accounts) + " accounts", Since(t), "s");
    const std::string report = s.Path("rob/bench.prn");
    t = Steady::now();
    long listed = 0;
    (void)session::RunReport(s.env(), report, [&](session::ReportWriter& out) {
      auto r = catalogues::WriteDuplicateNips(s, zo, info, out);
      listed = r.ok() ? *r : -1;
    });
    Figure("repeated tax numbers (" + std::to_string(listed) + " listed)", Since(t), "s");
    t = Steady::now();
    (void)session::RunReport(s.env(), report, [&](session::ReportWriter& out) {
      listed = catalogues::WriteInvalidNips(s, zo, info, out);
    });
    Figure("bad tax numbers (" + std::to_string(listed) + " listed)", Since(t), "s");
    (void)zo.GoTo(static_cast<uint32_t>(std::min(accounts, 10L)));  // a repeated number when there are ten
    const std::string wanted = session::FieldText(zo, "REGON");
    t = Steady::now();
    const size_t found = catalogues::FindByNip(zo, wanted).size();
    Figure("find by tax number (" + std::to_string(found) + " found)", Since(t), "s");
    t = Steady::now();
    auto copied = catalogues::CopyToExcel(s, zo, info);
    Figure(std::string("spreadsheet copy of every account") + (copied.ok() ? "" : " FAILED"), Since(t), "s");
  }
  b.session.reset();
  fs::current_path(data.parent_path(), ec);
  fs::remove_all(data, ec);
  return 0;
}
