// Several processes on one table and its three orders, on the real file system: appends,
// record locks and key changes at once; and the locks of a killed process.
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "base/text.h"
#include "support/temp_dir.h"
#include "xbase/work_area_fixture.h"

namespace hurt::xbase::wa_test {
namespace {

constexpr int kWorkers = 4;
constexpr int kLinesPerWorker = 400;
constexpr int kUpdatesPerWorker = 300;

// A status as the child's exit code: 0 ok, else the step that failed.
int Fail(int step, const Status& s) {
  std::fprintf(stderr, "worker step %d: %s\n", step, s.ToString().c_str());
  return step;
}

// Retries while another process holds the lock for a moment (yielding, never sleeping).
template <typename Attempt>
Status Retry(Attempt attempt) {
  for (int i = 0; i < 5'000'000; ++i) {
    Status s = attempt();
    if (!s.IsBusy()) return s;
    sched_yield();
  }
  return Status::Busy("gave up waiting for a lock");
}

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  return x ^ (x >> 27);
}

JulianDay DayOf(uint64_t h) { return JulianFromYmd(2026, 1, 1) + static_cast<JulianDay>(h % 300); }

// Fields of a line written in one go carry one stamp: NAZWA and INDEKS hold it as text,
// ILOSC as a number. A torn record would mix two stamps.
Status Stamp(WorkArea& a, int worker, int n, bool appended, uint64_t h) {
  const std::string stamp = (appended ? "a" : "u") + std::to_string(worker) + "-" + std::to_string(n);
  HURT_RETURN_IF_ERROR(a.Replace("NAZWA", stamp));
  HURT_RETURN_IF_ERROR(a.Replace("INDEKS", stamp));
  HURT_RETURN_IF_ERROR(a.Replace("ILOSC", (appended ? -1 : 1) * (worker * 10000 + n)));
  return a.Replace("DATA", Date{DayOf(h)});
}

// One station: appends its lines (document "W<worker>", numbers 1..kLinesPerWorker) and
// changes key fields of random lines of every station, in a mixed order.
int Worker(const std::string& dir, int worker) {
  WorkAreas areas(RealEnv());
  auto opened = areas.Open(5, dir + "/dow.dbf", "dow");
  if (!opened.ok()) return Fail(1, opened.status());
  WorkArea& a = **opened;
  for (const char* ntx : {"dow1.ntx", "dow2.ntx", "dow3.ntx"}) {
    auto n = a.AttachOrder(dir + "/" + ntx);
    if (!n.ok()) return Fail(2, n.status());
  }
  int appended = 0;
  int updated = 0;
  uint64_t h = Mix(static_cast<uint64_t>(worker) + 1);
  while (appended < kLinesPerWorker || updated < kUpdatesPerWorker) {
    h = Mix(h);
    Status s;
    if (appended < kLinesPerWorker && (h % 2 == 0 || updated >= kUpdatesPerWorker)) {
      ++appended;
      s = Retry([&] { return a.Append(); });
      if (!s.ok()) return Fail(3, s);
      s = a.Replace("RD", "W" + std::to_string(worker));
      if (s.ok()) s = a.Replace("NRD", Nrd(appended));
      if (s.ok()) s = a.Replace("LP", "  1");
      if (s.ok()) s = a.Replace("R_P", h % 3 == 0 ? "P" : "R");
      if (s.ok()) s = Stamp(a, worker, appended, true, h);
      if (s.ok()) s = a.Unlock();
      if (!s.ok()) return Fail(4, s);
      continue;
    }
    auto count = a.RecCount();
    if (!count.ok()) return Fail(5, count.status());
    if (*count == 0) continue;
    s = a.GoTo(static_cast<uint32_t>(1 + (h >> 8) % *count));
    if (s.ok()) s = Retry([&] { return a.LockRecord(); });
    if (s.ok()) s = Stamp(a, worker, ++updated, false, h);
    if (s.ok()) s = a.Unlock();
    if (!s.ok()) return Fail(6, s);
  }
  Status s = a.Commit();
  return s.ok() ? 0 : Fail(7, s);
}

TEST(WorkAreaMultiProcessTest, FourStationsAppendLockAndUpdateOneTableWithThreeOrders) {
  hurt::testing::TempDir dir;
  Env& env = RealEnv();
  const std::string folder = dir.str();
  HURT_ASSERT_OK(Table::Create(env, folder + "/dow.dbf", DowFields()));
  {
    WorkAreas areas(env);
    auto a = areas.Open(5, folder + "/dow.dbf", "dow", {.exclusive = true});
    ASSERT_TRUE(a.ok());
    std::vector<OrderDefinition> definitions = {{folder + "/dow1.ntx", kDow1, {}},
                                    {folder + "/dow2.ntx", kDow2, {}},
                                    {folder + "/dow3.ntx", kDow3, {}}};
    ASSERT_TRUE((*a)->CreateOrders(definitions).ok());
  }
  std::fflush(nullptr);
  std::vector<pid_t> children;
  for (int w = 0; w < kWorkers; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(Worker(folder, w));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "a worker died";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a worker failed at that step (see its output)";
  }

  WorkAreas areas(env);
  auto opened = areas.Open(5, folder + "/dow.dbf", "dow", {.read_only = true});
  ASSERT_TRUE(opened.ok());
  WorkArea& a = **opened;
  for (const char* ntx : {"dow1.ntx", "dow2.ntx", "dow3.ntx"}) ASSERT_TRUE(a.AttachOrder(folder + "/" + ntx).ok());
  auto count = a.RecCount();
  ASSERT_TRUE(count.ok());
  EXPECT_EQ(*count, static_cast<uint32_t>(kWorkers * kLinesPerWorker)) << "no line lost, none twice";
  std::set<std::string> lines;
  HURT_ASSERT_OK(a.GoTop());
  while (!a.eof()) {
    const std::string id = Text(a.Get("RD")) + Text(a.Get("NRD"));
    EXPECT_TRUE(lines.insert(id).second) << "line twice: " << id;
    // One stamp throughout the record.
    const std::string nazwa = Text(a.Get("NAZWA")).substr(0, 8);
    EXPECT_EQ(Text(a.Get("INDEKS")), nazwa) << "torn record " << a.recno();
    const std::string stamp = RTrim(nazwa);
    const double ilosc = a.Get("ILOSC")->AsNumber();
    const size_t dash = stamp.find('-');
    ASSERT_NE(dash, std::string::npos) << stamp;
    const double expected = (stamp[0] == 'a' ? -1 : 1) *
                            (std::stoi(stamp.substr(1, dash - 1)) * 10000 + std::stoi(stamp.substr(dash + 1)));
    EXPECT_EQ(ilosc, expected) << "torn record " << a.recno() << " " << stamp;
    HURT_ASSERT_OK(a.Skip());
  }
  EXPECT_EQ(lines.size(), static_cast<size_t>(kWorkers * kLinesPerWorker));
  for (int n = 1; n <= 3; ++n) ExpectOrderMatchesTable(env, a, n);
}

TEST(WorkAreaMultiProcessTest, LocksOfAKilledProcessAreFreeAtOnce) {
  hurt::testing::TempDir dir;
  Env& env = RealEnv();
  const std::string dbf = dir / "dow.dbf";
  HURT_ASSERT_OK(Table::Create(env, dbf, DowFields()));
  {
    WorkAreas areas(env);
    auto a = areas.Open(5, dbf, "dow");
    ASSERT_TRUE(a.ok());
    for (int i = 1; i <= 3; ++i) HURT_ASSERT_OK(AddLine(**a, {.nrd = Nrd(i), .indeks = "A"}));
  }
  for (bool file_lock : {false, true}) {
    SCOPED_TRACE(file_lock ? "file lock" : "record lock");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    std::fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      WorkAreas areas(env);
      auto a = areas.Open(5, dbf, "dow");
      if (!a.ok() || !(*a)->GoTo(2).ok()) _exit(1);
      Status s = file_lock ? (*a)->LockFile() : (*a)->LockRecord();
      if (!s.ok()) _exit(2);
      char c = 'L';
      if (write(ready[1], &c, 1) != 1) _exit(3);
      for (;;) pause();  // holds the lock until killed
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    close(ready[1]);
    WorkAreas areas(env);
    auto a = areas.Open(5, dbf, "dow");
    ASSERT_TRUE(a.ok());
    HURT_ASSERT_OK((*a)->GoTo(2));
    EXPECT_TRUE((*a)->LockRecord().IsBusy());
    EXPECT_TRUE((*a)->LockFile().IsBusy());
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    HURT_EXPECT_OK((*a)->LockRecord());  // at once, no retry
    HURT_EXPECT_OK((*a)->Unlock());
    HURT_EXPECT_OK((*a)->LockFile());
    HURT_EXPECT_OK((*a)->Unlock());
  }
}

}  // namespace
}  // namespace hurt::xbase::wa_test
