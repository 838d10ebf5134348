// Warehouse movement statement benchmark: RUCH NA MAGAZYNIE of warehouse 1 over a month
// of 1,000,000 document lines and 100,000 article cards, by the program's pass
// (ComputeMovement: one pass over the lines gathering per-article sums in a bounded buffer,
// spilled as sorted runs to a scratch file, then merged with the cards into the work table
// rob/asso01, each row written once in key order, and its index) and by SQLite on the same
// rows.
//
//   bench_movement_statement [--dir folder] [--fresh]
//     --dir    scratch folder (default build/bench-data/movement_statement; generated once)
//     --fresh  generate the data again
//
// The data: 100,000 articles in warehouse 1 (and 1,000 in warehouse 2) and 200,000
// documents of 5 lines spread over March 2026: sales invoices FV (50 %), purchases PZ
// (15 %), sales corrections KF (5 %), internal issues RW (10 %) and receipts PW (5 %),
// transfers MM from warehouse 1 to 2 (10 %) and from 2 to 1 (5 %), each line of an
// article drawn at random. Every table is filled in bulk as the posting benchmark does.
//
// Each phase runs in a process of its own (this program started again with --phase), so
// that its peak memory (getrusage ru_maxrss) is its own:
//   floor_*      the engine alone: the lines read in physical order; 1,000,000 seeks into
//                the work table, each row read and written
//   statement_*  ComputeMovement over the month (twice: the second run is the figure),
//                then the printout into a report file
//   sqlite_load  the cards and lines copied into an SQLite file (build/…/asso.sqlite)
//   sqlite_*     the same sums in SQL: per article the opening, receipts, purchases,
//                sales and issues of the month, joined with the cards
// Both print the total of the computed closing stock, which must agree.
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
#include "documents/posting.h"
#include "reports/movement_statement.h"
#include "reports/movement_statement_print.h"
#include "session/init_tables.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "store/schema.h"
#include "xbase/table.h"
#include "xbase/work_area.h"
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
constexpr int kArticlesOf2 = 1000;
constexpr long kDocuments = 200000;
constexpr int kLines = 5;

std::string Indeks(long i) { return "B" + std::to_string(10000 + i); }

struct Kind {
  const char* rd;
  const char* r_p;
  const char* s_z;
  const char* mag;  // the warehouse of its lines
  const char* odb;  // the counterparty (a transfer's destination warehouse first)
};
Kind KindOf(long doc) {
  const long k = doc % 20;
  if (k < 10) return {"FV ", "R", "S", "1", "K1"};
  if (k < 13) return {"PZ ", "P", "Z", "1", "D1"};
  if (k < 14) return {"KF ", "K", "S", "1", "K1"};
  if (k < 16) return {"RW ", "R", "D", "1", "P1"};
  if (k < 17) return {"PW ", "P", "D", "1", "P1"};
  if (k < 19) return {"MM ", "M", "D", "1", "2"};
  return {"MM ", "M", "D", "2", "1"};
}

bool BuildData(const std::string& dir) {
  BenchStation st(dir, 1, {2026, 3, 31, 18});
  if (!session::InitNtx(*st.session, st.ui, "")) return false;
  xbase::WorkArea& slow = st.Area(TableId::kSlow);
  for (long k : {0L, 10L, 13L, 14L, 16L, 17L}) {
    const Kind kind = KindOf(k);
    if (!slow.Append().ok()) return false;
    (void)slow.Replace("RD", Value(kind.rd));
    (void)slow.Replace("R_P", Value(kind.r_p));
    (void)slow.Replace("S_Z", Value(kind.s_z));
    (void)slow.Replace("KTO", Value(kind.s_z[0] == 'Z' ? "D" : "O"));
    (void)slow.Unlock();
  }
  const bool articles_ok = BulkFill(st.Area(TableId::kAs), kArticles + kArticlesOf2, [](xbase::WorkArea& a, long i) {
    const bool first = i < kArticles;
    (void)a.Replace("MAG", Value(first ? "1" : "2"));
    (void)a.Replace("INDEKS", Value(Indeks(first ? i : i - kArticles)));
    (void)a.Replace("NAZWA", Value("TOWAR " + std::to_string(i)));
    (void)a.Replace("JM", Value("SZT"));
    (void)a.Replace("B_BO_I", Value(1000.0));
    (void)a.Replace("ILOSC", Value(1000.0));
    (void)a.Replace("CENA_01", Value(5.0));
    (void)a.Replace("CENA0", Value(5.0));
    (void)a.Replace("CENA", Value(8.0));
    (void)a.Replace("PODATEK0", Value("23"));
  });
  if (!articles_ok) return false;
  const JulianDay first = JulianFromYmd(2026, 3, 1);
  auto day = [&](long doc) { return xbase::Date{first + static_cast<JulianDay>(doc * 31 / kDocuments)}; };
  auto nrd = [](long doc) { return Str(static_cast<double>(doc + 1), 8); };
  auto document_fields = [&](xbase::WorkArea& a, long doc, const Kind& kind) {
    (void)a.Replace("R_P", Value(kind.r_p));
    (void)a.Replace("S_Z", Value(kind.s_z));
    (void)a.Replace("RD", Value(kind.rd));
    (void)a.Replace("NRD", Value(nrd(doc)));
    (void)a.Replace("DATA", Value(day(doc)));
    (void)a.Replace("MAG", Value(kind.mag));
    (void)a.Replace("KTO", Value(kind.s_z[0] == 'Z' ? "D" : "O"));
    (void)a.Replace("ODB", Value(kind.odb));
  };
  std::mt19937 rng(4243);
  const bool lines_ok = BulkFill(st.Area(TableId::kDow), kDocuments * kLines, [&](xbase::WorkArea& a, long i) {
    const long doc = i / kLines;
    const Kind kind = KindOf(doc);
    const long article = static_cast<long>(rng() % (kind.mag[0] == '1' ? kArticles : kArticlesOf2));
    const double q = (kind.r_p[0] == 'K' ? -1 : 1) * (1 + static_cast<int>(rng() % 5));
    const double cena = 1 + static_cast<int>(rng() % 5000) / 100.0;
    const double wartosc = NewRound(q * cena, 2);
    document_fields(a, doc, kind);
    (void)a.Replace("LP", Value(PadL(std::to_string(i % kLines + 1), 3)));
    (void)a.Replace("INDEKS", Value(Indeks(article)));
    (void)a.Replace("NAZWA", Value("TOWAR " + std::to_string(article)));
    (void)a.Replace("JM", Value("SZT"));
    (void)a.Replace("ILOSC", Value(q));
    (void)a.Replace("CENA", Value(cena));
    (void)a.Replace("CENA0", Value(5.0));
    (void)a.Replace("NB", Value("N"));
    (void)a.Replace("WARTOSC", Value(wartosc));
    (void)a.Replace("PODATEK0", Value("23"));
    (void)a.Replace("PODATEK", Value(NewRound(wartosc * 0.23, 2)));
  });
  if (!lines_ok) return false;
  const bool headers_ok = BulkFill(st.Area(TableId::kDowod), kDocuments, [&](xbase::WorkArea& a, long doc) {
    document_fields(a, doc, KindOf(doc));
    (void)a.Replace("SPZ", Value("G"));
  });
  if (!headers_ok) return false;
  return documents::DowCommit(*st.session).ok();
}

reports::MovementRequest March() {
  reports::MovementRequest req;
  req.from = JulianFromYmd(2026, 3, 1);
  req.to = JulianFromYmd(2026, 3, 31);
  req.mag = "1";
  return req;
}

// The sum of the computed closing stock over the work table's rows.
double ClosingTotal(xbase::WorkArea& asso) {
  double total = 0;
  const char* in[] = {"D_BO_I", "D_PD_I", "D_PZ_I"};
  const char* out[] = {"D_RS_I", "D_RD_I"};
  for (Status st = asso.GoTop(); st.ok() && !asso.eof(); st = asso.Skip(1)) {
    for (const char* f : in) total += Val(asso.FieldBytes(asso.FieldIndex(f)));
    for (const char* f : out) total -= Val(asso.FieldBytes(asso.FieldIndex(f)));
  }
  return total;
}

int StatementPhase(const std::string& dir) {
  BenchStation st(dir, 1, {2026, 3, 31, 18});
  if (!session::InitDbf(*st.session, st.ui, "")) return 1;
  const reports::MovementRequest req = March();
  for (int run = 0; run < 2; ++run) {
    auto table = reports::MovementTable::Create(*st.session);
    if (!table.ok()) return Fail("work table", table.status()) ? 0 : 1;
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    auto result = reports::ComputeMovement(*st.session, **table, req);
    const double wall = Seconds(start), wall_cpu = CpuSeconds() - cpu;
    if (!result.ok()) return Fail("statement", result.status()) ? 0 : 1;
    const char* name = run == 0 ? "statement_cold" : "statement";
    std::printf("%s: %.3f s\n", name, wall);
    std::printf("%s_cpu: %.3f s\n", name, wall_cpu);
    if (run == 1) {
      std::printf("statement_lines: %ld read, %ld counted\n", result->lines, result->counted);
      std::printf("statement_work_table: %ld rows written once, from %d sorted runs of %ld article sums\n",
                  result->rows, result->runs, result->run_entries);
      const auto print_start = std::chrono::steady_clock::now();
      auto written = session::RunReport(st.session->env(), dir + "/rob/ruch01.prn", [&](session::ReportWriter& out) {
        (void)reports::PrintMovementStatement(out, (*table)->area(), req, reports::MovementHeading{}, true);
      });
      if (!written.ok()) return Fail("printout", written.status()) ? 0 : 1;
      std::printf("statement_print: %.3f s\n", Seconds(print_start));
      std::printf("statement_closing_total: %.3f\n", ClosingTotal((*table)->area()));
    }
  }
  std::printf("statement_peak_memory: %.1f MiB\n", PeakMiB());
  return 0;
}

// What the engine alone costs: the lines read in physical order, and 1,000,000 random
// seeks into a work table of 100,000 rows, each row read and written (one field).
int FloorPhase(const std::string& dir) {
  BenchStation st(dir, 1, {2026, 3, 31, 18});
  if (!session::InitDbf(*st.session, st.ui, "")) return 1;
  xbase::Table& dow = st.Area(TableId::kDow).table();
  const int ilosc = dow.FieldIndex("ILOSC");
  auto start = std::chrono::steady_clock::now();
  double sum = 0;
  long lines = 0;
  xbase::RecordScanner scan(dow);
  xbase::Record rec;
  while (scan.Next(&rec)) {
    sum += Val(rec.FieldBytes(ilosc));
    ++lines;
  }
  std::printf("floor_scan_dow: %.3f s (%ld lines, %.0f)\n", Seconds(start), lines, sum);

  auto table = reports::MovementTable::Create(*st.session);
  if (!table.ok()) return 1;
  xbase::WorkArea& a = (*table)->area();
  const int mag = a.FieldIndex("MAG"), indeks = a.FieldIndex("INDEKS"), q = a.FieldIndex("D_RS_I");
  for (long i = 0; i < kArticles; ++i) {
    if (!a.Append().ok()) return 1;
    (void)a.ReplaceBytes(mag, "1");
    (void)a.ReplaceBytes(indeks, Indeks(i));
  }
  if (!(*table)->Index().ok()) return 1;
  std::mt19937 rng(7);
  start = std::chrono::steady_clock::now();
  long found = 0;
  for (long i = 0; i < kDocuments * kLines; ++i) {
    auto f = a.SeekKey("1" + Indeks(static_cast<long>(rng() % kArticles)));
    if (!f.ok() || !*f) continue;
    ++found;
    (void)a.Replace(q, Value(Val(a.FieldBytes(q)) + 1));
  }
  (void)a.Flush();
  std::printf("floor_seek_write_per_line: %.3f s (%ld rows changed)\n", Seconds(start), found);
  return 0;
}

bool Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK) return true;
  std::fprintf(stderr, "sqlite: %s\n", error != nullptr ? error : "?");
  sqlite3_free(error);
  return false;
}

int SqliteLoadPhase(const std::string& dir) {
  BenchStation st(dir, 1, {2026, 3, 31, 18});
  if (!session::InitDbf(*st.session, st.ui, "")) return 1;
  const std::string path = dir + "/asso.sqlite";
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return 1;
  const auto start = std::chrono::steady_clock::now();
  bool ok = Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                     "CREATE TABLE slow(rd TEXT PRIMARY KEY, r_p TEXT, s_z TEXT);"
                     "CREATE TABLE card(mag TEXT, indeks TEXT, b_bo_i REAL, ilosc REAL);"
                     "CREATE TABLE dow(rd TEXT, data TEXT, mag TEXT, odb TEXT, indeks TEXT, ilosc REAL, cena0 REAL);"
                     "BEGIN;");
  auto copy = [&](xbase::WorkArea& a, const char* insert, const std::vector<const char*>& fields,
                  const std::vector<bool>& numeric) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, insert, -1, &stmt, nullptr) != SQLITE_OK) return false;
    std::vector<int> at;
    for (const char* f : fields) at.push_back(a.FieldIndex(f));
    xbase::RecordScanner scan(a.table());
    xbase::Record rec;
    while (scan.Next(&rec)) {
      if (rec.deleted()) continue;
      for (size_t i = 0; i < at.size(); ++i) {
        const std::string_view bytes = rec.FieldBytes(at[i]);
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
  ok = ok && copy(st.Area(TableId::kAs), "INSERT INTO card VALUES(?,?,?,?)", {"MAG", "INDEKS", "B_BO_I", "ILOSC"},
                  {false, false, true, true});
  ok = ok && copy(st.Area(TableId::kDow), "INSERT INTO dow VALUES(?,?,?,?,?,?,?)",
                  {"RD", "DATA", "MAG", "ODB", "INDEKS", "ILOSC", "CENA0"},
                  {false, false, false, false, false, true, true});
  ok = ok && Exec(db, "COMMIT; CREATE INDEX card1 ON card(mag, indeks); ANALYZE;");
  sqlite3_close(db);
  if (!ok) return 1;
  std::printf("sqlite_load: %.1f s\n", Seconds(start));
  return 0;
}

// Per article of warehouse 1: the lines of March summed into the columns by the side of
// the line (a transfer's destination is the first character of ODB) and the kind's class,
// joined with the cards' opening and stock.
constexpr const char* kStatementSql = R"(
WITH moves AS (
  SELECT l.indeks,
         SUM(CASE WHEN k.r_p = 'M' AND substr(l.odb, 1, 1) = '1' AND l.mag <> '1' THEN l.ilosc
                  WHEN k.r_p = 'P' AND k.s_z <> 'Z' AND l.mag = '1' THEN l.ilosc ELSE 0 END) AS pd,
         SUM(CASE WHEN k.s_z = 'Z' AND l.mag = '1' THEN l.ilosc ELSE 0 END) AS pz,
         SUM(CASE WHEN k.s_z = 'S' AND l.mag = '1' THEN l.ilosc ELSE 0 END) AS rs,
         SUM(CASE WHEN (k.r_p = 'R' AND k.s_z <> 'S' OR k.r_p = 'M') AND l.mag = '1' THEN l.ilosc ELSE 0 END) AS rd,
         SUM(ROUND(l.ilosc * l.cena0, 2)) AS w
  FROM dow l JOIN slow k ON k.rd = l.rd
  WHERE l.data BETWEEN '20260301' AND '20260331' AND (l.mag = '1' OR k.r_p = 'M' AND substr(l.odb, 1, 1) = '1')
  GROUP BY l.indeks)
SELECT c.indeks, c.b_bo_i, c.ilosc, m.pd, m.pz, m.rs, m.rd
FROM card c LEFT JOIN moves m ON m.indeks = c.indeks
WHERE c.mag = '1' ORDER BY c.indeks)";

int SqliteQueryPhase(const std::string& dir) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2((dir + "/asso.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return 1;
  for (int run = 0; run < 2; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, kStatementSql, -1, &stmt, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
      return 1;
    }
    double closing = 0;
    long rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      closing += sqlite3_column_double(stmt, 1) + sqlite3_column_double(stmt, 3) + sqlite3_column_double(stmt, 4) -
                 sqlite3_column_double(stmt, 5) - sqlite3_column_double(stmt, 6);
      ++rows;
    }
    sqlite3_finalize(stmt);
    const char* name = run == 0 ? "sqlite_cold" : "sqlite";
    std::printf("%s: %.3f s\n", name, Seconds(start));
    std::printf("%s_cpu: %.3f s\n", name, CpuSeconds() - cpu);
    if (run == 1) std::printf("sqlite_closing_total: %.3f (%ld articles)\n", closing, rows);
  }
  sqlite3_close(db);
  std::printf("sqlite_peak_memory: %.1f MiB\n", PeakMiB());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "build/bench-data/movement_statement";
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
  if (phase == "statement") return StatementPhase(dir);
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
  bool ok = RunPhase(self.c_str(), dir, "floor") && RunPhase(self.c_str(), dir, "statement");
  if (ok && !std::filesystem::exists(dir + "/asso.sqlite")) ok = RunPhase(self.c_str(), dir, "sqlite_load");
  ok = ok && RunPhase(self.c_str(), dir, "sqlite");
  return ok ? 0 : 1;
}
