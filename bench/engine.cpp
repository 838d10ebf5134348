// Engine benchmark: a large installation's document-line table driven through work areas.
//
//   bench_engine [records] [--dir folder] [--layout compact|catalogue] [--phase name]
//     records   lines of the generated `dow` table (default 1000000)
//     --dir     scratch folder (default build/bench-data); the generated table is kept in
//               <dir>/base-<layout>-<records>/ and copied for each run into <dir>/work/
//     --layout  compact: a 163-byte record of the main `dow` fields (default);
//               catalogue: every field the catalogue gives `dow` without marker files
//     --phase   run one phase only (the program runs each phase in a child process of
//               its own so that the peak memory of each is measured separately)
//
// Every table is opened SHARED, as the program opens them, on the real file system.
// Prints one line per figure: "name: value unit".
//
// Phases:
//   generate      writes the base table once (not timed as a figure)
//   append        appends <records> lines to an empty table in an append batch, no index
//   append_single appends lines one by one as ADD_REC does (record lock, unlock)
//   build         builds dow1, dow2, dow3 one after the other, then all three in one pass
//   seek          random exact seeks on dow1, warm
//   scan          every record in dow2 order reading every field
//   update        100,000 records get new keys of all three orders (record locks; then
//                 the same under the file lock)
//   append4       (also a --phase of its own) four processes append 50,000 lines each at once with the three orders
//                 open, each line appended, filled and unlocked
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "store/schema.h"
#include "xbase/env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

using namespace hurt;
using namespace hurt::xbase;
using namespace hurt::literals;
namespace fs = std::filesystem;

namespace {

constexpr const char* kDow1 = "rd+nrd+lp";
constexpr const char* kDow2 = "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp";
constexpr const char* kDow3 = "DTOS(data)+mag+indeks";

struct Options {
  long records = 1'000'000;
  std::string dir = "build/bench-data";
  std::string layout = "compact";
  std::string phase;
  int worker = 0;
  int ready_fd = -1;
  int go_fd = -1;
};

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void Figure(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.*f %s\n", name.c_str(), value >= 100 ? 0 : 2, value, unit);
  std::fflush(stdout);
}

// Wall time and the CPU time of this process (user + system) over one measurement. The
// machine may be shared: the CPU time shows what the work itself cost.
struct Timer {
  Clock::time_point wall = Clock::now();
  double cpu = CpuSeconds();
  double Wall() const { return Since(wall); }
  double Cpu() const { return CpuSeconds() - cpu; }
};

// "name: <wall> s" and "name_cpu: <cpu> s".
void TimeFigure(const std::string& name, const Timer& t) {
  const double wall = t.Wall();
  const double cpu = t.Cpu();
  Figure(name, wall, "s");
  Figure(name + "_cpu", cpu, "s");
}

// "name: <count/wall> unit" and "name_per_cpu_s: <count/cpu> unit".
void RateFigure(const std::string& name, double count, const Timer& t, const char* unit) {
  const double wall = t.Wall();
  const double cpu = t.Cpu();
  Figure(name, count / wall, unit);
  Figure(name + "_per_cpu_s", count / cpu, unit);
}

std::string LoadAverage() {
  std::FILE* f = std::fopen("/proc/loadavg", "r");
  if (f == nullptr) return "?";
  char buf[64] = {};
  if (std::fgets(buf, sizeof buf, f) == nullptr) buf[0] = 0;
  std::fclose(f);
  std::string s(buf);
  return s.substr(0, s.find(' '));
}

[[noreturn]] void Die(const std::string& what, const Status& s) {
  std::fprintf(stderr, "bench_engine: %s: %s\n", what.c_str(), s.ToString().c_str());
  std::exit(1);
}
void Check(const Status& s, const std::string& what) {
  if (!s.ok()) Die(what, s);
}

uint64_t Mix(uint64_t x) {  // splitmix64
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// ---- the table --------------------------------------------------------------------------

std::vector<DbfFieldDescriptor> CompactFields() {
  // 162 bytes of fields + the deleted flag = 163 bytes a record.
  return {{"R_P", 'C', 1, 0},      {"S_Z", 'C', 1, 0},     {"RD", 'C', 3, 0},        {"NRD", 'C', 8, 0},
          {"DATA", 'D', 8, 0},     {"MAG", 'C', 1, 0},     {"LP", 'C', 3, 0},        {"KTO", 'C', 1, 0},
          {"ODB", 'C', 8, 0},      {"INDEKS", 'C', 8, 0},  {"NAZWA", 'C', 30, 0},    {"JM", 'C', 3, 0},
          {"UPUST0", 'N', 5, 1},   {"CENA", 'N', 16, 6},   {"NB", 'C', 1, 0},        {"ILOSC", 'N', 15, 3},
          {"WARTOSC", 'N', 18, 2}, {"PODATEK0", 'C', 2, 0}, {"PODATEK", 'N', 14, 2}, {"CENA_N", 'N', 14, 2},
          {"NR", 'C', 1, 0},       {"KOMU", 'C', 1, 0}};
}

std::vector<DbfFieldDescriptor> CatalogueFields() {
  std::vector<DbfFieldDescriptor> out;
  for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kDow), store::Markers())) {
    out.push_back({f.name, static_cast<char>(f.type), f.width, f.decimals});
  }
  return out;
}

std::vector<DbfFieldDescriptor> Fields(const Options& o) {
  return o.layout == "catalogue" ? CatalogueFields() : CompactFields();
}

// Document kinds: code, movement, class, share of the lines (per mille).
struct Kind {
  const char* rd;
  const char* r_p;
  const char* s_z;
  int share;
};
constexpr Kind kKinds[] = {{"FV ", "R", "S", 420}, {"PA ", "R", "S", 180}, {"WZ ", "R", "D", 140},
                           {"PZ ", "P", "Z", 150}, {"MM ", "M", "D", 50},  {"KS ", "K", "S", 40},
                           {"RW ", "R", "D", 20}};

const std::string_view kNames[] = {"Śruba M8x40 ocynk"_pl, "Nakrętka M8"_pl,        "Podkładka fi 8"_pl,
                                   "Wkręt do drewna 4x30"_pl, "Kołek rozporowy 8"_pl, "Zawias meblowy"_pl,
                                   "Klej montażowy 300 ml"_pl, "Taśma izolacyjna"_pl, "Rękawice robocze"_pl,
                                   "Piła do metalu"_pl};

// Field positions of the generated values in the table (-1 when the layout lacks one).
struct Slots {
  int r_p, s_z, rd, nrd, data, mag, lp, kto, odb, indeks, nazwa, jm, upust0, cena, nb, ilosc, wartosc, podatek0,
      podatek, cena_n;
  explicit Slots(const WorkArea& a)
      : r_p(a.FieldIndex("R_P")), s_z(a.FieldIndex("S_Z")), rd(a.FieldIndex("RD")), nrd(a.FieldIndex("NRD")),
        data(a.FieldIndex("DATA")), mag(a.FieldIndex("MAG")), lp(a.FieldIndex("LP")), kto(a.FieldIndex("KTO")),
        odb(a.FieldIndex("ODB")), indeks(a.FieldIndex("INDEKS")), nazwa(a.FieldIndex("NAZWA")),
        jm(a.FieldIndex("JM")), upust0(a.FieldIndex("UPUST0")), cena(a.FieldIndex("CENA")), nb(a.FieldIndex("NB")),
        ilosc(a.FieldIndex("ILOSC")), wartosc(a.FieldIndex("WARTOSC")), podatek0(a.FieldIndex("PODATEK0")),
        podatek(a.FieldIndex("PODATEK")), cena_n(a.FieldIndex("CENA_N")) {}
};

std::string Padded(uint64_t n, int width, char fill) {
  std::string s = std::to_string(n);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), fill);
  return s;
}

// Lines of documents over one year: dates rise with the line number (documents are
// entered day after day), each document has 1 to 12 lines, numbers rise per kind.
class LineGenerator {
 public:
  LineGenerator(long total, uint64_t seed) : total_(total), seed_(seed) {}

  // Fills the current record of `a` (locked) with line i.
  Status Fill(WorkArea& a, const Slots& s, long i) {
    if (lines_left_ == 0) NewDocument(i);
    --lines_left_;
    ++line_;
    const uint64_t h = Mix(seed_ ^ static_cast<uint64_t>(i));
    const Kind& k = kKinds[kind_];
    const double ilosc = static_cast<double>(1 + h % 100000) / 1000.0;
    const double cena = static_cast<double>(100 + (h >> 20) % 100000) / 100.0;
    const double wartosc = std::round(ilosc * cena * 100.0) / 100.0;
    const double podatek = std::round(wartosc * 23.0) / 100.0;
    HURT_RETURN_IF_ERROR(Set(a, s.r_p, k.r_p));
    HURT_RETURN_IF_ERROR(Set(a, s.s_z, k.s_z));
    HURT_RETURN_IF_ERROR(Set(a, s.rd, k.rd));
    HURT_RETURN_IF_ERROR(Set(a, s.nrd, nrd_));
    HURT_RETURN_IF_ERROR(Set(a, s.data, Date{day_}));
    HURT_RETURN_IF_ERROR(Set(a, s.mag, (h >> 8) % 5 == 0 ? "2" : "1"));
    HURT_RETURN_IF_ERROR(Set(a, s.lp, Padded(static_cast<uint64_t>(line_), 3, ' ')));
    HURT_RETURN_IF_ERROR(Set(a, s.kto, k.s_z[0] == 'Z' ? "D" : "O"));
    HURT_RETURN_IF_ERROR(Set(a, s.odb, odb_));
    HURT_RETURN_IF_ERROR(Set(a, s.indeks, "A" + Padded((h >> 24) % 20000, 7, '0')));
    HURT_RETURN_IF_ERROR(Set(a, s.nazwa, std::string(kNames[(h >> 24) % 10])));
    HURT_RETURN_IF_ERROR(Set(a, s.jm, (h >> 30) % 3 == 0 ? "kg " : "szt"));
    HURT_RETURN_IF_ERROR(Set(a, s.upust0, static_cast<double>((h >> 33) % 4) * 2.5));
    HURT_RETURN_IF_ERROR(Set(a, s.cena, cena));
    HURT_RETURN_IF_ERROR(Set(a, s.nb, "N"));
    HURT_RETURN_IF_ERROR(Set(a, s.ilosc, ilosc));
    HURT_RETURN_IF_ERROR(Set(a, s.wartosc, wartosc));
    HURT_RETURN_IF_ERROR(Set(a, s.podatek0, "23"));
    HURT_RETURN_IF_ERROR(Set(a, s.podatek, podatek));
    return Set(a, s.cena_n, cena);
  }

 private:
  static Status Set(WorkArea& a, int field, const Value& v) { return field < 0 ? Status::Ok() : a.Replace(field, v); }

  void NewDocument(long i) {
    const uint64_t h = Mix(seed_ * 31 + static_cast<uint64_t>(i) + 17);
    int pick = static_cast<int>(h % 1000);
    kind_ = 0;
    while (kind_ + 1 < static_cast<int>(std::size(kKinds)) && pick >= kKinds[kind_].share) pick -= kKinds[kind_++].share;
    nrd_ = Padded(++numbers_[kind_], 8, ' ');
    lines_left_ = 1 + static_cast<int>((h >> 12) % 12);
    line_ = 0;
    day_ = JulianFromYmd(2025, 1, 1) + static_cast<JulianDay>(static_cast<double>(i) * 365.0 / static_cast<double>(total_));
    odb_ = "K" + Padded((h >> 40) % 5000, 7, '0');
  }

  long total_;
  uint64_t seed_;
  int kind_ = 0;
  int lines_left_ = 0;
  int line_ = 0;
  JulianDay day_ = 0;
  std::string nrd_;
  std::string odb_;
  uint64_t numbers_[std::size(kKinds)] = {};
};

std::string BaseDir(const Options& o) { return o.dir + "/base-" + o.layout + "-" + std::to_string(o.records); }
std::string WorkDir(const Options& o) { return o.dir + "/work"; }

// Appends `count` lines; in one append batch (bulk) or one ADD_REC at a time.
void AppendLines(WorkArea& a, long count, uint64_t seed, bool batch) {
  Slots slots(a);
  LineGenerator lines(count, seed);
  if (batch) Check(a.BeginAppendBatch(), "begin append batch");
  for (long i = 0; i < count; ++i) {
    Check(a.Append(), "append");
    Check(lines.Fill(a, slots, i), "fill line");
    if (!batch) Check(a.Unlock(), "unlock");
  }
  if (batch) Check(a.EndAppendBatch(), "end append batch");
}

WorkArea& OpenDow(WorkAreas& areas, const std::string& path, bool with_orders, bool exclusive = false,
                  size_t cache_pages = 2048) {
  auto a = areas.Open(5, path, "dow", {.exclusive = exclusive, .index_cache_pages = cache_pages});
  if (!a.ok()) Die("open " + path, a.status());
  if (with_orders) {
    const std::string folder = fs::path(path).parent_path().string();
    for (const char* name : {"dow1", "dow2", "dow3"}) {
      auto n = (*a)->AttachOrder(folder + "/" + name + ".ntx");
      if (!n.ok()) Die("attach " + std::string(name), n.status());
    }
  }
  return **a;
}

// ---- phases -----------------------------------------------------------------------------

void PhaseGenerate(const Options& o) {
  const std::string base = BaseDir(o);
  fs::create_directories(base);
  Env& env = RealEnv();
  Check(Table::Create(env, base + "/dow.dbf", Fields(o)), "create table");
  WorkAreas areas(env);
  WorkArea& a = OpenDow(areas, base + "/dow.dbf", false);
  AppendLines(a, o.records, 1, /*batch=*/true);
  Check(a.Commit(), "commit");
  Check(areas.CloseAll(), "close");
  std::FILE* f = std::fopen((base + "/ready").c_str(), "w");
  if (f != nullptr) std::fclose(f);
}

void PhaseAppend(const Options& o) {
  Env& env = RealEnv();
  const std::string path = WorkDir(o) + "/append.dbf";
  Check(Table::Create(env, path, Fields(o)), "create table");
  WorkAreas areas(env);
  auto a = areas.Open(1, path, "app");
  if (!a.ok()) Die("open", a.status());
  Timer t;
  AppendLines(**a, o.records, 2, /*batch=*/true);
  Check((*a)->Commit(), "commit");
  TimeFigure("append_" + std::to_string(o.records) + "_batch", t);
  Check(areas.CloseAll(), "close");
  fs::remove(path);
}

void PhaseAppendSingle(const Options& o) {
  Env& env = RealEnv();
  const std::string path = WorkDir(o) + "/append1.dbf";
  Check(Table::Create(env, path, Fields(o)), "create table");
  WorkAreas areas(env);
  auto a = areas.Open(1, path, "app");
  if (!a.ok()) Die("open", a.status());
  const long count = std::min(o.records, 100'000L);
  Timer t;
  AppendLines(**a, count, 3, /*batch=*/false);
  RateFigure("append_single", static_cast<double>(count), t, "records/s");
  Check(areas.CloseAll(), "close");
  fs::remove(path);
}

void PhaseBuild(const Options& o) {
  WorkAreas areas(RealEnv());
  const std::string dir = WorkDir(o);
  WorkArea& a = OpenDow(areas, dir + "/dow.dbf", false);
  Check(a.LockFile(), "file lock");
  double total = 0;
  double total_cpu = 0;
  const char* keys[] = {kDow1, kDow2, kDow3};
  for (int i = 0; i < 3; ++i) {
    const std::string name = "dow" + std::to_string(i + 1);
    Timer t;
    auto n = a.CreateOrder(dir + "/" + name + ".ntx", keys[i]);
    if (!n.ok()) Die("build " + name, n.status());
    total += t.Wall();
    total_cpu += t.Cpu();
    TimeFigure("index_build_" + name, t);
  }
  Figure("index_build_three", total, "s");
  Figure("index_build_three_cpu", total_cpu, "s");
  Check(a.CloseOrders(), "close orders");
  std::vector<OrderDefinition> definitions = {{dir + "/one1.ntx", kDow1, {}}, {dir + "/one2.ntx", kDow2, {}},
                                  {dir + "/one3.ntx", kDow3, {}}};
  Timer t;
  auto built = a.CreateOrders(definitions);
  if (!built.ok()) Die("one-pass build", built.status());
  TimeFigure("index_build_three_one_pass", t);
  Check(areas.CloseAll(), "close");
  for (const auto& definition : definitions) fs::remove(definition.path);
}

// Keys of a random sample of records, to seek.
std::vector<std::string> SampleKeys(WorkArea& a, size_t count) {
  std::vector<std::string> keys;
  auto total = a.RecCount();
  if (!total.ok() || *total == 0) Die("count", total.status());
  for (size_t i = 0; i < count; ++i) {
    Check(a.GoTo(static_cast<uint32_t>(1 + Mix(i + 99) % *total)), "goto");
    auto key = a.KeyOf(1);
    if (!key.ok()) Die("key", key.status());
    keys.push_back(*key);
  }
  return keys;
}

void Seeks(const Options& o, bool exclusive) {
  WorkAreas areas(RealEnv());
  // Warm: an index cache that holds all of dow1 (pages are allocated as they are used).
  WorkArea& a = OpenDow(areas, WorkDir(o) + "/dow.dbf", true, exclusive, 65536);
  std::vector<std::string> keys = SampleKeys(a, 200'000);
  Check(a.SetOrder(1), "order");
  for (const std::string& k : keys) {  // warm the index cache
    auto found = a.SeekKey(k);
    if (!found.ok() || !*found) Die("warm seek", found.status());
  }
  const long seeks = 1'000'000;
  Timer t;
  for (long i = 0; i < seeks; ++i) {
    auto found = a.SeekKey(keys[static_cast<size_t>(Mix(static_cast<uint64_t>(i)) % keys.size())]);
    if (!found.ok() || !*found) Die("seek", found.status());
  }
  RateFigure(exclusive ? "seek_dow1_exclusive" : "seek_dow1", static_cast<double>(seeks), t, "seeks/s");
}

void PhaseSeek(const Options& o) {
  Seeks(o, false);
  Seeks(o, true);
}

void Scan(const Options& o, bool exclusive) {
  WorkAreas areas(RealEnv());
  WorkArea& a = OpenDow(areas, WorkDir(o) + "/dow.dbf", true, exclusive);
  Check(a.SetOrder(2), "order");
  Timer t;
  Check(a.GoTop(), "top");
  long seen = 0;
  double sum = 0;
  size_t bytes = 0;
  const int fields = a.field_count();
  while (!a.eof()) {
    for (int i = 0; i < fields; ++i) {
      auto v = a.Get(i);
      if (!v.ok()) Die("get", v.status());
      if (v->IsNumber()) sum += v->AsNumber();
      bytes += v->AsString().size();
    }
    ++seen;
    Check(a.Skip(), "skip");
  }
  TimeFigure(exclusive ? "ordered_scan_dow2_exclusive" : "ordered_scan_dow2", t);
  if (seen != o.records) {
    std::fprintf(stderr, "bench_engine: scan saw %ld records of %ld\n", seen, o.records);
    std::exit(1);
  }
  if (sum < 0 || bytes == 0) std::printf("(checksum)\n");
}

void PhaseScan(const Options& o) {
  Scan(o, false);
  Scan(o, true);
}

// New keys for dow1, dow2 and dow3 in one record: number, date and article.
void ChangeKeys(WorkArea& a, const Slots& s, uint64_t h) {
  Check(a.Replace(s.nrd, Padded(90'000'000 + h % 9'000'000, 8, ' ')), "replace nrd");
  Check(a.Replace(s.data, Date{JulianFromYmd(2025, 1, 1) + static_cast<JulianDay>((h >> 24) % 365)}), "replace data");
  Check(a.Replace(s.indeks, "B" + Padded((h >> 32) % 20000, 7, '0')), "replace indeks");
}

void PhaseUpdate(const Options& o) {
  WorkAreas areas(RealEnv());
  const char* pages = std::getenv("BENCH_CACHE_PAGES");
  WorkArea& a = OpenDow(areas, WorkDir(o) + "/dow.dbf", true, false, pages ? std::atol(pages) : 2048);
  const char* seed_text = std::getenv("BENCH_SEED");
  const uint64_t seed = seed_text ? std::strtoull(seed_text, nullptr, 10) : 0;
  Slots slots(a);
  auto total = a.RecCount();
  if (!total.ok()) Die("count", total.status());
  const long updates = 100'000;
  Timer t;
  for (long i = 0; i < updates; ++i) {
    uint64_t h = Mix(static_cast<uint64_t>(i) + 5'000'000 + seed * 977);
    Check(a.GoTo(static_cast<uint32_t>(1 + h % *total)), "goto");
    Check(a.LockRecord(), "lock");
    ChangeKeys(a, slots, h);
    Check(a.Unlock(), "unlock");
  }
  TimeFigure("update_100k_record_locks", t);

  t = Timer();
  Check(a.LockFile(), "file lock");
  Check(a.BeginIndexBatch(), "index batch");
  for (long i = 0; i < updates; ++i) {
    uint64_t h = Mix(static_cast<uint64_t>(i) + 7'000'000 + seed * 977);
    Check(a.GoTo(static_cast<uint32_t>(1 + h % *total)), "goto");
    ChangeKeys(a, slots, h);
  }
  Check(a.Unlock(), "unlock");
  TimeFigure("update_100k_file_lock_index_batch", t);
  for (int n = 1; n <= 3; ++n) {
    auto v = a.OrderIndex(n)->Verify(false);
    if (!v.ok()) Die("verify after updates", v.status());
    if (v->keys != *total) Die("verify after updates", Status::Corruption("key count differs from record count"));
  }
}

// One of the four appending processes: opens the table with its orders, says it is ready,
// waits for the start, appends 50,000 lines one by one.
void PhaseAppendWorker(const Options& o) {
  WorkAreas areas(RealEnv());
  WorkArea& a = OpenDow(areas, WorkDir(o) + "/dow.dbf", true);
  Slots slots(a);
  LineGenerator lines(50'000, 100 + static_cast<uint64_t>(o.worker));
  char c = 'r';
  if (write(o.ready_fd, &c, 1) != 1 || read(o.go_fd, &c, 1) != 1) Die("start", Status::IoError("pipe"));
  for (long i = 0; i < 50'000; ++i) {
    Check(a.Append(), "append");
    Check(lines.Fill(a, slots, i), "fill");
    Check(a.Unlock(), "unlock");
  }
  Check(a.Commit(), "commit");
}

// ---- running phases in child processes --------------------------------------------------

struct Child {
  pid_t pid = -1;
};

std::vector<std::string> PhaseArgs(const Options& o, const std::string& phase) {
  return {"/proc/self/exe", std::to_string(o.records), "--dir", o.dir, "--layout", o.layout, "--phase", phase};
}

pid_t Spawn(const std::vector<std::string>& args) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  return pid;
}

struct Usage {
  double peak_mib = 0;
  double cpu_s = 0;
};

Usage WaitFor(pid_t pid, const std::string& phase) {
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench_engine: phase %s failed\n", phase.c_str());
    std::exit(1);
  }
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return {static_cast<double>(usage.ru_maxrss) / 1024.0, seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

void RunPhase(const Options& o, const std::string& phase) {
  Usage u = WaitFor(Spawn(PhaseArgs(o, phase)), phase);
  Figure("peak_memory_" + phase, u.peak_mib, "MiB");
  Figure("cpu_time_" + phase, u.cpu_s, "s");
}

void RunAppend4(const Options& o) {
  int ready[2];
  int go[2];
  if (pipe(ready) != 0 || pipe(go) != 0) Die("pipe", Status::IoError("pipe"));
  std::vector<pid_t> pids;
  for (int w = 0; w < 4; ++w) {
    std::vector<std::string> args = PhaseArgs(o, "append_worker");
    args.insert(args.end(), {"--worker", std::to_string(w), "--ready-fd", std::to_string(ready[1]), "--go-fd",
                             std::to_string(go[0])});
    pids.push_back(Spawn(args));
  }
  for (int w = 0; w < 4; ++w) {
    char c;
    if (read(ready[0], &c, 1) != 1) Die("workers", Status::IoError("a worker did not start"));
  }
  auto t = Clock::now();
  const char go_bytes[4] = {'g', 'g', 'g', 'g'};
  if (write(go[1], go_bytes, 4) != 4) Die("workers", Status::IoError("start"));
  double peak = 0;
  double cpu = 0;
  for (pid_t pid : pids) {
    Usage u = WaitFor(pid, "append_worker");
    peak = std::max(peak, u.peak_mib);
    cpu += u.cpu_s;
  }
  double s = Since(t);
  Figure("append_4_processes_3_orders", 200'000.0 / s, "records/s");
  Figure("peak_memory_append_worker", peak, "MiB");
  Figure("cpu_time_append_workers", cpu, "s");
  close(ready[0]);
  close(ready[1]);
  close(go[0]);
  close(go[1]);
  // Every line is there once with its keys.
  WorkAreas areas(RealEnv());
  WorkArea& a = OpenDow(areas, WorkDir(o) + "/dow.dbf", true);
  auto total = a.RecCount();
  if (!total.ok() || *total != static_cast<uint32_t>(o.records + 200'000)) Die("count after appends", total.status());
  for (int n = 1; n <= 3; ++n) {
    auto v = a.OrderIndex(n)->Verify(false);
    if (!v.ok()) Die("verify after appends", v.status());
    if (v->keys != *total) Die("verify after appends", Status::Corruption("key count differs from record count"));
  }
}

void Orchestrate(const Options& o) {
  const std::string base = BaseDir(o);
  if (!fs::exists(base + "/ready")) {
    auto t = Clock::now();
    Usage u = WaitFor(Spawn(PhaseArgs(o, "generate")), "generate");
    std::printf("(generated %ld lines in %s in %.1f s, %.0f MiB)\n", o.records, base.c_str(), Since(t), u.peak_mib);
  }
  const std::string work = WorkDir(o);
  fs::remove_all(work);
  fs::create_directories(work);
  fs::copy_file(base + "/dow.dbf", work + "/dow.dbf");
  // The copy's pages should be in the file cache like a table in daily use.
  std::printf("load_average_before: %s\n", LoadAverage().c_str());
  std::printf("records: %ld\nrecord_length: %zu bytes\n", o.records,
              static_cast<size_t>(fs::file_size(work + "/dow.dbf") - 0) / static_cast<size_t>(o.records));
  for (const char* phase : {"append", "append_single", "build", "seek", "scan", "update"}) RunPhase(o, phase);
  RunAppend4(o);
  std::printf("load_average_after: %s\n", LoadAverage().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--dir") {
      o.dir = next();
    } else if (arg == "--layout") {
      o.layout = next();
    } else if (arg == "--phase") {
      o.phase = next();
    } else if (arg == "--worker") {
      o.worker = std::atoi(next().c_str());
    } else if (arg == "--ready-fd") {
      o.ready_fd = std::atoi(next().c_str());
    } else if (arg == "--go-fd") {
      o.go_fd = std::atoi(next().c_str());
    } else if (!arg.empty() && arg[0] != '-') {
      o.records = std::atol(arg.c_str());
    } else {
      std::fprintf(stderr, "usage: bench_engine [records] [--dir folder] [--layout compact|catalogue] [--phase name]\n");
      return 2;
    }
  }
  if (o.records < 1000) o.records = 1000;
  if (o.layout != "compact" && o.layout != "catalogue") {
    std::fprintf(stderr, "bench_engine: layout is compact or catalogue\n");
    return 2;
  }
  if (o.phase.empty()) {
    Orchestrate(o);
  } else if (o.phase == "generate") {
    PhaseGenerate(o);
  } else if (o.phase == "append4") {
    RunAppend4(o);
  } else if (o.phase == "append") {
    PhaseAppend(o);
  } else if (o.phase == "append_single") {
    PhaseAppendSingle(o);
  } else if (o.phase == "build") {
    PhaseBuild(o);
  } else if (o.phase == "seek") {
    PhaseSeek(o);
  } else if (o.phase == "scan") {
    PhaseScan(o);
  } else if (o.phase == "update") {
    PhaseUpdate(o);
  } else if (o.phase == "append_worker") {
    PhaseAppendWorker(o);
  } else {
    std::fprintf(stderr, "bench_engine: unknown phase %s\n", o.phase.c_str());
    return 2;
  }
  return 0;
}
