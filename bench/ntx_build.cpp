// NTX benchmarks: bulk build, random seeks (shared and exclusive), inserts, scans.
//
//   bench_ntx_build [keys] [folder] [build|all]
//     defaults: 1000000 keys, a fresh folder in /tmp, all (build only: just the build)
//
// Keys are 24 bytes shaped like a document-line order (date + document number + line):
// "YYYYMMDD" + 8 digits + "L" + 7 digits. Prints "name: value unit" lines.
#include <sys/resource.h>
#include <unistd.h>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "xbase/env.h"
#include "xbase/ntx.h"
#include "xbase/ntx_build.h"

using namespace hurt;
using namespace hurt::xbase;

namespace {

constexpr int kKeyLength = 24;

uint64_t Mix(uint64_t x) {  // splitmix64
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

void Digits(char* out, uint64_t value, int n) {
  for (int i = n - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

// The key of record i (0-based): unique thanks to the record part.
void MakeKey(uint64_t i, char* out) {
  uint64_t h = Mix(i);
  uint64_t day = h % 1461;
  uint64_t year = 2022 + day / 365;
  uint64_t month = 1 + (day % 365) / 31;
  uint64_t dom = 1 + (day % 31) % 28;
  Digits(out, year, 4);
  Digits(out + 4, month, 2);
  Digits(out + 6, dom, 2);
  Digits(out + 8, (h >> 20) % 100000000, 8);
  out[16] = 'L';
  Digits(out + 17, i, 7);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of this process (user + system): less disturbed than wall time by
// other work on a shared machine.
double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

long MaxRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int Fail(const Status& s) {
  std::fprintf(stderr, "error: %s\n", s.ToString().c_str());
  return 1;
}

struct Rate {
  double wall;  // per second of wall time
  double cpu;   // per second of processor time
};

// Random exact seeks of existing keys.
Result<Rate> SeekRate(const std::string& path, uint64_t keys, const NtxOpenOptions& options, uint64_t seeks) {
  auto index = NtxIndex::Open(RealEnv(), path, options);
  if (!index.ok()) return index.status();
  NtxCursor cursor(**index);
  char key[kKeyLength];
  // Warm the cache with one pass of the same kind.
  for (uint64_t n = 0; n < seeks / 4; ++n) {
    MakeKey(Mix(n ^ 0x5555) % keys, key);
    auto found = cursor.Seek(std::string_view(key, kKeyLength));
    if (!found.ok()) return found.status();
  }
  auto start = std::chrono::steady_clock::now();
  double cpu_start = CpuSeconds();
  uint64_t hits = 0;
  for (uint64_t n = 0; n < seeks; ++n) {
    MakeKey(Mix(n) % keys, key);
    auto found = cursor.Seek(std::string_view(key, kKeyLength));
    if (!found.ok()) return found.status();
    hits += *found ? 1 : 0;
  }
  Rate rate{static_cast<double>(seeks) / Seconds(start), static_cast<double>(seeks) / (CpuSeconds() - cpu_start)};
  std::printf("  (locked reads %llu, pages read %llu)\n", static_cast<unsigned long long>((*index)->locked_reads()),
              static_cast<unsigned long long>((*index)->pages_read()));
  if (hits != seeks) return Status::Corruption(path + ": a seek missed an existing key");
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t keys = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  std::string folder = argc > 2 ? argv[2] : "";
  const bool build_only = argc > 3 && std::string(argv[3]) == "build";
  bool own_folder = folder.empty();
  if (own_folder) {
    char templ[] = "/tmp/hurt-bench-ntx-XXXXXX";
    if (mkdtemp(templ) == nullptr) return 1;
    folder = templ;
  }
  const std::string path = folder + "/bench.ntx";
  std::printf("keys: %llu count\n", static_cast<unsigned long long>(keys));

  NtxCreateOptions create;
  create.key_expression = "DTOS(data)+nrd+lp";
  create.key_length = kKeyLength;

  // Bulk build, without and with the final fdatasync.
  for (bool sync : {false, true}) {
    NtxBuildOptions build;
    build.sync = sync;
    auto start = std::chrono::steady_clock::now();
    double cpu_start = CpuSeconds();
    auto builder = NtxBuilder::Start(RealEnv(), path, create, build);
    if (!builder.ok()) return Fail(builder.status());
    char key[kKeyLength];
    for (uint64_t i = 0; i < keys; ++i) {
      MakeKey(i, key);
      Status s = (*builder)->Add(std::string_view(key, kKeyLength), static_cast<uint32_t>(i + 1));
      if (!s.ok()) return Fail(s);
    }
    size_t runs = (*builder)->runs();
    Status s = (*builder)->Finish();
    if (!s.ok()) return Fail(s);
    double elapsed = Seconds(start);
    std::printf("build%s: %.3f s\n", sync ? "_synced" : "", elapsed);
    std::printf("build%s_cpu: %.3f s\n", sync ? "_synced" : "", CpuSeconds() - cpu_start);
    std::printf("build%s_rate: %.0f keys/s\n", sync ? "_synced" : "", static_cast<double>(keys) / elapsed);
    std::printf("build_sorted_runs: %zu count\n", runs);
  }
  std::printf("build_max_rss: %.1f MiB\n", static_cast<double>(MaxRssKib()) / 1024.0);
  std::printf("index_size: %.1f MiB\n",
              static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0));
  if (build_only) {
    if (own_folder) std::filesystem::remove_all(folder);
    return 0;
  }

  // Checks the built tree (also a full walk with no locking per step).
  {
    auto index = NtxIndex::Open(RealEnv(), path);
    if (!index.ok()) return Fail(index.status());
    auto start = std::chrono::steady_clock::now();
    auto stats = (*index)->Verify();
    if (!stats.ok()) return Fail(stats.status());
    std::printf("verify: %.3f s\n", Seconds(start));
    std::printf("depth: %d levels\n", stats->depth);
    if (stats->keys != keys) return Fail(Status::Corruption("key count differs"));

    // A forward scan through the cursor (lock + header check per step).
    NtxCursor cursor(**index);
    start = std::chrono::steady_clock::now();
    uint64_t n = 0;
    Status s = cursor.GoTop();
    while (s.ok() && !cursor.eof()) {
      ++n;
      s = cursor.Skip(1);
    }
    if (!s.ok()) return Fail(s);
    std::printf("scan_shared: %.0f keys/s\n", static_cast<double>(n) / Seconds(start));
  }

  // What the coherence check costs on this machine: the header read every read operation
  // makes, and the lock cycle a read takes when the fast path does not apply.
  {
    auto file = RealEnv().Open(path, {});
    if (!file.ok()) return Fail(file.status());
    const int rounds = 200'000;
    char data[12];
    size_t got = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) (void)(*file)->ReadAt(0, sizeof data, data, &got);
    std::printf("header_read: %.2f us\n", Seconds(start) / rounds * 1e6);
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
      (void)(*file)->Lock(1'000'000'000, 1, LockKind::kShared, true);
      (void)(*file)->Unlock(1'000'000'000, 1);
    }
    std::printf("read_lock_cycle: %.2f us\n", Seconds(start) / rounds * 1e6);
  }

  // Random exact seeks, warm, in the modes a station uses.
  const uint64_t seeks = std::min<uint64_t>(keys, 1'000'000);
  struct Mode {
    const char* name;
    bool exclusive;
    size_t cache_pages;
    int lockless_read_ms;
  };
  const Mode modes[] = {
      {"seek_shared_cache2048", false, 2048, 100},
      {"seek_shared_cache65536", false, 65536, 100},
      {"seek_shared_locked_cache65536", false, 65536, 0},  // the read lock on every seek
      {"seek_exclusive_cache2048", true, 2048, 100},
      {"seek_exclusive_cache65536", true, 65536, 100},
  };
  for (const Mode& m : modes) {
    NtxOpenOptions open;
    open.exclusive = m.exclusive;
    open.cache_pages = m.cache_pages;
    open.lockless_read_ms = m.lockless_read_ms;
    auto rate = SeekRate(path, keys, open, seeks);
    if (!rate.ok()) return Fail(rate.status());
    std::printf("%s: %.0f seeks/s\n", m.name, rate->wall);
    std::printf("%s_cpu: %.0f seeks/s\n", m.name, rate->cpu);
  }

  // Random inserts and removals into the big index (shared mode: lock, header, pages, header).
  {
    auto index = NtxIndex::Open(RealEnv(), path);
    if (!index.ok()) return Fail(index.status());
    const uint64_t updates = 20'000;
    char key[kKeyLength];
    auto start = std::chrono::steady_clock::now();
    for (uint64_t n = 0; n < updates; ++n) {
      MakeKey(keys + n, key);
      Status s = (*index)->Insert(std::string_view(key, kKeyLength), static_cast<uint32_t>(keys + n + 1));
      if (!s.ok()) return Fail(s);
    }
    std::printf("insert_shared: %.0f keys/s\n", static_cast<double>(updates) / Seconds(start));
    start = std::chrono::steady_clock::now();
    for (uint64_t n = 0; n < updates; ++n) {
      MakeKey(keys + n, key);
      Status s = (*index)->Remove(std::string_view(key, kKeyLength), static_cast<uint32_t>(keys + n + 1));
      if (!s.ok()) return Fail(s);
    }
    std::printf("remove_shared: %.0f keys/s\n", static_cast<double>(updates) / Seconds(start));
  }
  std::printf("max_rss: %.1f MiB\n", static_cast<double>(MaxRssKib()) / 1024.0);

  if (own_folder) std::filesystem::remove_all(folder);
  return 0;
}
