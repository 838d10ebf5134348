// VAT register benchmark: the sales register of a month of 1,000,000 document lines, by
// the program's one pass (ComputeRegister over dow in date order, a header seek per
// document, an article seek per sales line for the goods groups) and by SQLite on the
// same rows.
//
//   bench_vat_register [--dir folder] [--fresh]
//     --dir    scratch folder (default build/bench-data/vat_register; generated once)
//     --fresh  generate the data again
//
// The data: 100,000 articles (goods groups 0-13) and 200,000 documents of 5 lines spread
// over March 2026: sales invoices FV (net prices, 50 %), retail receipts RU (gross prices,
// 25 %), sales corrections KF (10 %) and purchases PZ (15 %, outside the sales register),
// with the rates 23, 8, 5, 0 and ZW in turn. Every table is filled in bulk as the posting
// benchmark does.
//
// Each phase runs in a process of its own (this program started again with --phase), so
// that its peak memory (getrusage ru_maxrss) is its own:
//   floor_*     what the engine alone costs: the lines in date order, a header seek per document
//   register_*  ComputeRegister with a sink that counts the documents, files warm
//   sqlite_load the same lines and headers copied into an SQLite file (build/…/dow.sqlite)
//   sqlite_*    the same aggregation in SQL: per document and rate the sums rounded to 2,
//               then per kind and rate, joined with the headers
// Both print the register's gross total, which must agree.
// Prints one line per figure: "name: value unit".
#include <sqlite3.h>

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
#include "reports/vat_register.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "shell/headless_run.h"
#include "store/net_ui.h"
#include "store/schema.h"
#include "xbase/env.h"
#include "bench_process.h"
#include "bench_station.h"

namespace {

using namespace hurt;
using bench::BenchStation;
using bench::CpuSeconds;
using bench::PeakMiB;
using bench::RunPhase;
using bench::Seconds;
using bench::BulkFill;
using bench::Fail;
using store::TableId;
using xbase::Value;

constexpr int kArticles = 100000;
constexpr long kDocuments = 200000;
constexpr int kLines = 5;
constexpr const char* kRates[] = {"23", " 8", " 5", " 0", "ZW"};
constexpr double kRatePercent[] = {23, 8, 5, 0, 0};


std::string Indeks(long i) { return "B" + std::to_string(10000 + i); }

// The kind of document `doc`: FV, RU, KF or PZ in the proportions above.
struct Kind {
  const char* rd;
  const char* r_p;
  const char* s_z;
  const char* nb;
};
Kind KindOf(long doc) {
  const long k = doc % 20;
  if (k < 10) return {"FV ", "R", "S", "N"};
  if (k < 15) return {"RU ", "R", "S", "B"};
  if (k < 17) return {"KF ", "K", "S", "N"};
  return {"PZ ", "P", "Z", "N"};
}

bool BuildData(const std::string& dir) {
  BenchStation st(dir, 1, {2026, 3, 31, 18});
  if (!session::InitNtx(*st.session, st.ui, "")) return false;
  xbase::WorkArea& slow = st.Area(TableId::kSlow);
  for (long k : {0L, 10L, 15L, 17L}) {
    const Kind kind = KindOf(k);
    if (!slow.Append().ok()) return false;
    (void)slow.Replace("RD", Value(kind.rd));
    (void)slow.Replace("R_P", Value(kind.r_p));
    (void)slow.Replace("S_Z", Value(kind.s_z));
    (void)slow.Replace("KTO", Value(kind.s_z[0] == 'Z' ? "D" : "O"));
    (void)slow.Unlock();
  }
  const bool articles_ok = BulkFill(st.Area(TableId::kAs), kArticles, [](xbase::WorkArea& a, long i) {
    (void)a.Replace("MAG", Value("1"));
    (void)a.Replace("INDEKS", Value(Indeks(i)));
    (void)a.Replace("NAZWA", Value("TOWAR " + std::to_string(i)));
    (void)a.Replace("JM", Value("SZT"));
    (void)a.Replace("ILOSC", Value(100000.0));
    (void)a.Replace("CENA0", Value(5.0));
    (void)a.Replace("CENA", Value(8.0));
    (void)a.Replace("PODATEK0", Value(kRates[i % 5]));
    (void)a.Replace("GR_TOW", Value(std::to_string(i % 14)));
  });
  if (!articles_ok) return false;
  const JulianDay first = JulianFromYmd(2026, 3, 1);
  auto day = [&](long doc) { return xbase::Date{first + static_cast<JulianDay>(doc * 31 / kDocuments)}; };
  auto nrd = [](long doc) { return Str(static_cast<double>(doc + 1), 8); };
  // The fields a line and its header share.
  auto document_fields = [&](xbase::WorkArea& a, long doc, const Kind& kind) {
    (void)a.Replace("R_P", Value(kind.r_p));
    (void)a.Replace("S_Z", Value(kind.s_z));
    (void)a.Replace("RD", Value(kind.rd));
    (void)a.Replace("NRD", Value(nrd(doc)));
    (void)a.Replace("DATA", Value(day(doc)));
    (void)a.Replace("MAG", Value("1"));
    (void)a.Replace("KTO", Value(kind.s_z[0] == 'Z' ? "D" : "O"));
    (void)a.Replace("ODB", Value("K" + std::to_string(doc % 500)));
  };
  std::mt19937 rng(4242);
  const bool lines_ok = BulkFill(st.Area(TableId::kDow), kDocuments * kLines, [&](xbase::WorkArea& a, long i) {
    const long doc = i / kLines;
    const Kind kind = KindOf(doc);
    const long article = static_cast<long>(rng() % kArticles);
    const int rate = static_cast<int>(i % 5);
    const double q = 1 + static_cast<int>(rng() % 5);
    const double cena = 1 + static_cast<int>(rng() % 5000) / 100.0;
    const double wartosc = NewRound(q * cena, 2);
    const double p = kRatePercent[rate];
    const double vat = kind.nb[0] == 'B' ? NewRound(wartosc * p / (100 + p), 2) : NewRound(wartosc * p / 100, 2);
    document_fields(a, doc, kind);
    (void)a.Replace("LP", Value(PadL(std::to_string(i % kLines + 1), 3)));
    (void)a.Replace("INDEKS", Value(Indeks(article)));
    (void)a.Replace("NAZWA", Value("TOWAR " + std::to_string(article)));
    (void)a.Replace("ILOSC", Value(q));
    (void)a.Replace("CENA", Value(cena));
    (void)a.Replace("CENA0", Value(cena * 0.7));
    (void)a.Replace("NB", Value(kind.nb));
    (void)a.Replace("WARTOSC", Value(wartosc));
    (void)a.Replace("PODATEK0", Value(kRates[rate]));
    (void)a.Replace("PODATEK", Value(vat));
  });
  if (!lines_ok) return false;
  const bool headers_ok = BulkFill(st.Area(TableId::kDowod), kDocuments, [&](xbase::WorkArea& a, long doc) {
    document_fields(a, doc, KindOf(doc));
    (void)a.Replace("NODB", Value("ODBIORCA " + std::to_string(doc % 500)));
    (void)a.Replace("SPZ", Value("G"));
  });
  if (!headers_ok) return false;
  return documents::DowCommit(*st.session).ok();
}

// ComputeRegister over the month, twice (the first run warms the files), the second timed.
int RegisterPhase(const std::string& dir) {
  BenchStation st(dir, 1, {2026, 3, 31, 18});
  if (!session::InitDbf(*st.session, st.ui, "")) return 1;
  reports::RegisterRequest req;
  req.from = JulianFromYmd(2026, 3, 1);
  req.to = JulianFromYmd(2026, 3, 31);
  req.rd = "FV ";
  for (int run = 0; run < 2; ++run) {
    long documents = 0;
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    auto result = reports::ComputeRegister(*st.session, req, [&](const reports::RegisterDocument&) { ++documents; });
    const double wall = Seconds(start);
    if (!result.ok()) return Fail("register", result.status()) ? 0 : 1;
    const char* name = run == 0 ? "register_cold" : "register";
    std::printf("%s: %.3f s\n", name, wall);
    std::printf("%s_cpu: %.3f s\n", name, CpuSeconds() - cpu);
    if (run == 1) {
      std::printf("register_documents: %ld\n", documents);
      std::printf("register_gross: %.2f PLN\n", result->total.gross);
    }
  }
  std::printf("register_peak_memory: %.1f MiB\n", PeakMiB());
  return 0;
}

// What the engine alone costs: the month's lines in date order (dow order 2) with the
// fields the register reads, and one header seek (dowod order 1) per document.
int FloorPhase(const std::string& dir) {
  BenchStation st(dir, 1, {2026, 3, 31, 18});
  if (!session::InitDbf(*st.session, st.ui, "")) return 1;
  xbase::WorkArea& dow = st.Area(TableId::kDow);
  xbase::WorkArea& dowod = st.Area(TableId::kDowod);
  const int rd = dow.FieldIndex("RD"), nrd = dow.FieldIndex("NRD"), wartosc = dow.FieldIndex("WARTOSC");
  for (int run = 0; run < 2; ++run) {
    auto start = std::chrono::steady_clock::now();
    double sum = 0;
    long lines = 0;
    (void)dow.SetOrder(2);
    (void)dow.SeekKey("20260301", true);
    std::string last;
    std::vector<std::string> docs;
    for (; !dow.eof(); (void)dow.Skip(1), ++lines) {
      sum += Val(dow.FieldBytes(wartosc));
      std::string key = std::string(dow.FieldBytes(rd)) + std::string(dow.FieldBytes(nrd));
      if (key != last && run == 1 && docs.size() < 200000) docs.push_back(key);
      last = std::move(key);
    }
    if (run == 1) {
      std::printf("floor_scan_dow2: %.3f s (%ld lines, %.0f)\n", Seconds(start), lines, sum);
      start = std::chrono::steady_clock::now();
      (void)dowod.SetOrder(1);
      long found = 0;
      for (const std::string& k : docs) {
        auto f = dowod.SeekKey(k);
        if (f.ok() && *f) ++found;
      }
      std::printf("floor_header_seeks: %.3f s (%ld seeks)\n", Seconds(start), found);
    }
  }
  return 0;
}

bool Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK) return true;
  std::fprintf(stderr, "sqlite: %s\n", error != nullptr ? error : "?");
  sqlite3_free(error);
  return false;
}

// The lines and headers copied from the tables into a new SQLite file.
int SqliteLoadPhase(const std::string& dir) {
  BenchStation st(dir, 1, {2026, 3, 31, 18});
  if (!session::InitDbf(*st.session, st.ui, "")) return 1;
  const std::string path = dir + "/dow.sqlite";
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return 1;
  const auto start = std::chrono::steady_clock::now();
  bool ok = Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                     "CREATE TABLE slow(rd TEXT PRIMARY KEY, r_p TEXT, s_z TEXT);"
                     "CREATE TABLE dowod(rd TEXT, nrd TEXT, data TEXT, odb TEXT, nodb TEXT);"
                     "CREATE TABLE dow(rd TEXT, nrd TEXT, data TEXT, lp TEXT, mag TEXT, indeks TEXT, nb TEXT,"
                     " wartosc REAL, podatek0 TEXT, podatek REAL);"
                     "BEGIN;");
  auto copy = [&](xbase::WorkArea& a, const char* insert, const std::vector<const char*>& fields,
                  const std::vector<bool>& numeric) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, insert, -1, &stmt, nullptr) != SQLITE_OK) return false;
    std::vector<int> at;
    for (const char* f : fields) at.push_back(a.FieldIndex(f));
    (void)a.SetOrder(0);
    for (Status s = a.GoTop(); s.ok() && !a.eof(); s = a.Skip(1)) {
      for (size_t i = 0; i < at.size(); ++i) {
        const std::string_view bytes = a.FieldBytes(at[i]);
        if (numeric[i]) {
          sqlite3_bind_double(stmt, static_cast<int>(i + 1), Val(bytes));
        } else {
          sqlite3_bind_text(stmt, static_cast<int>(i + 1), bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        }
      }
      if (sqlite3_step(stmt) != SQLITE_DONE) return false;
      sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    return true;
  };
  ok = ok && copy(st.Area(TableId::kSlow), "INSERT INTO slow VALUES(?,?,?)", {"RD", "R_P", "S_Z"}, {false, false, false});
  ok = ok && copy(st.Area(TableId::kDowod), "INSERT INTO dowod VALUES(?,?,?,?,?)", {"RD", "NRD", "DATA", "ODB", "NODB"},
                  {false, false, false, false, false});
  ok = ok && copy(st.Area(TableId::kDow), "INSERT INTO dow VALUES(?,?,?,?,?,?,?,?,?,?)",
                  {"RD", "NRD", "DATA", "LP", "MAG", "INDEKS", "NB", "WARTOSC", "PODATEK0", "PODATEK"},
                  {false, false, false, false, false, false, false, true, false, true});
  ok = ok && Exec(db, "COMMIT; CREATE INDEX dow2 ON dow(data, rd, nrd, lp); CREATE INDEX dowod1 ON dowod(rd, nrd);"
                      "ANALYZE;");
  sqlite3_close(db);
  if (!ok) return 1;
  std::printf("sqlite_load: %.1f s\n", Seconds(start));
  return 0;
}

// The register's totals in SQL: each document's buckets per rate rounded to 2 (a gross
// line's VAT inside its value), then per kind and rate.
constexpr const char* kRegisterSql = R"(
WITH doc AS (
  SELECT l.rd, l.nrd, h.odb, l.podatek0 AS rate,
         ROUND(SUM(CASE WHEN l.nb = 'B' THEN l.wartosc - l.podatek ELSE l.wartosc END), 2) AS net,
         ROUND(SUM(CASE WHEN l.podatek0 IN (' 0', 'ZW', 'NP') THEN 0 ELSE l.podatek END), 2) AS vat
  FROM dow l
  JOIN slow k ON k.rd = l.rd
  LEFT JOIN dowod h ON h.rd = l.rd AND h.nrd = l.nrd
  WHERE l.data BETWEEN '20260301' AND '20260331' AND k.s_z = 'S' AND k.r_p || k.s_z IN ('RS', 'KS')
  GROUP BY l.rd, l.nrd, l.podatek0)
SELECT rd, rate, SUM(net), SUM(vat), COUNT(DISTINCT nrd) FROM doc GROUP BY rd, rate)";

int SqliteQueryPhase(const std::string& dir) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2((dir + "/dow.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return 1;
  for (int run = 0; run < 2; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, kRegisterSql, -1, &stmt, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
      return 1;
    }
    double gross = 0;
    long documents = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      gross += sqlite3_column_double(stmt, 2) + sqlite3_column_double(stmt, 3);
      documents += sqlite3_column_int64(stmt, 4);
    }
    sqlite3_finalize(stmt);
    const char* name = run == 0 ? "sqlite_cold" : "sqlite";
    std::printf("%s: %.3f s\n", name, Seconds(start));
    std::printf("%s_cpu: %.3f s\n", name, CpuSeconds() - cpu);
    if (run == 1) std::printf("sqlite_gross: %.2f PLN (document-rate rows: %ld)\n", gross, documents);
  }
  sqlite3_close(db);
  std::printf("sqlite_peak_memory: %.1f MiB\n", PeakMiB());
  return 0;
}

// This program again with --phase <name>, waited for.
}  // namespace

int main(int argc, char** argv) {
  std::string dir = "build/bench-data/vat_register";
  std::string phase;
  bool fresh = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (a == "--phase" && i + 1 < argc) {
      phase = argv[++i];
    } else if (a == "--fresh") {
      fresh = true;
    }
  }
  if (phase == "register") return RegisterPhase(dir);
  if (phase == "floor") return FloorPhase(dir);
  if (phase == "sqlite_load") return SqliteLoadPhase(dir);
  if (phase == "sqlite") return SqliteQueryPhase(dir);
  std::error_code ec;
  const std::string ready = dir + "/.ready";
  if (fresh || !std::filesystem::exists(ready)) {
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    dir = std::filesystem::absolute(dir).string();
    const auto start = std::chrono::steady_clock::now();
    if (!BuildData(dir)) {
      std::fprintf(stderr, "cannot build the data in %s\n", dir.c_str());
      return 1;
    }
    std::printf("data_build: %.1f s\n", Seconds(start));
    std::FILE* f = std::fopen(ready.c_str(), "w");
    if (f != nullptr) std::fclose(f);
  }
  dir = std::filesystem::absolute(dir).string();
  std::printf("data: %d articles, %ld documents of %d lines\n", kArticles, kDocuments, kLines);
  const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  std::fflush(stdout);
  bool ok = RunPhase(self.c_str(), dir, "floor") && RunPhase(self.c_str(), dir, "register");
  if (ok && !std::filesystem::exists(dir + "/dow.sqlite")) ok = RunPhase(self.c_str(), dir, "sqlite_load");
  ok = ok && RunPhase(self.c_str(), dir, "sqlite");
  return ok ? 0 : 1;
}
