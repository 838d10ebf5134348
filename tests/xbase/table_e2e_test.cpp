// Several real processes on one table: appends, record locks and updates at once, and the
// locks of a killed process.
#include <signal.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "base/text.h"
#include "support/temp_dir.h"
#include "xbase/env_fixture.h"
#include "xbase/table.h"

namespace hurt::xbase {
namespace {

constexpr int kProcesses = 4;
constexpr int kAppendsPerProcess = 1500;
constexpr int kCounterEvery = 5;  // each process bumps the shared counter every 5 appends

// 1 + 2 + 8 + 10 + 142 = 163 bytes, the size of a typical document line.
const std::vector<DbfFieldDescriptor> kFields = {
    {"PROC", 'N', 2, 0}, {"SEQ", 'N', 8, 0}, {"LICZNIK", 'N', 10, 0}, {"WZOR", 'C', 142, 0}};

// The text a record of process p, sequence s carries: a torn record would mix two of them.
std::string Pattern(int p, int s) {
  char c = static_cast<char>('A' + (p * 7 + s) % 26);
  return std::to_string(p) + ":" + std::to_string(s) + ":" + std::string(120, c);
}

// Runs in a forked child: 0 on success, the failing step's number otherwise.
int Station(const std::string& path, int p) {
  alarm(120);  // a deadlock kills the child instead of hanging the test
  auto opened = Table::Open(RealEnv(), path);
  if (!opened.ok()) return 10;
  Table& t = **opened;
  Record r = t.NewRecord();
  const bool batches = p == kProcesses - 1;  // one station appends in batches of 50
  for (int s = 1; s <= kAppendsPerProcess; ++s) {
    if (batches && s % 50 == 1 && !t.BeginAppendBatch().ok()) return 11;
    if (!r.SetValue("PROC", p).ok() || !r.SetValue("SEQ", s).ok() || !r.SetValue("WZOR", Pattern(p, s)).ok()) return 12;
    auto recno = t.Append(r);
    if (!recno.ok()) {
      std::fprintf(stderr, "append: %s\n", recno.status().ToString().c_str());
      return 13;
    }
    if (batches && s % 50 == 0 && !t.EndAppendBatch().ok()) return 14;
    if (!batches && !t.UnlockRecord(*recno).ok()) return 15;

    if (s % kCounterEvery == 0 && !(batches && t.InAppendBatch())) {
      // Record 1 is the shared counter: lock, read, add one, write, unlock.
      Status locked;
      while ((locked = t.LockRecord(1)).IsBusy()) sched_yield();
      if (!locked.ok()) return 16;
      Record counter;
      if (!t.Read(1, &counter).ok()) return 17;
      double n = counter.GetValue("LICZNIK")->AsNumber();
      if (!counter.SetValue("LICZNIK", n + 1).ok() || !t.Write(counter).ok()) return 18;
      if (!t.UnlockRecord(1).ok()) return 19;
    }
  }
  if (t.InAppendBatch() && !t.EndAppendBatch().ok()) return 20;
  return t.Close().ok() ? 0 : 21;
}

class TableProcessTest : public hurt::testing::DataDirTest {};

TEST_F(TableProcessTest, FourStationsAppendLockAndUpdateWithoutLosingAnything) {
  const std::string path = dir / "dow.dbf";
  HURT_ASSERT_OK(Table::Create(RealEnv(), path, kFields));
  {
    auto t = Table::Open(RealEnv(), path);
    ASSERT_TRUE(t.ok());
    Record counter = (*t)->NewRecord();
    HURT_ASSERT_OK(counter.SetValue("LICZNIK", 0));
    HURT_ASSERT_OK((*t)->Append(counter).status());
  }

  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(Station(path, p));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << "station died by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << "failed step of the station";
  }

  auto t = Table::Open(RealEnv(), path, TableMode::Exclusive());
  ASSERT_TRUE(t.ok()) << t.status().ToString();
  ASSERT_EQ((*t)->RecordCount(), 1u + kProcesses * kAppendsPerProcess);
  std::set<std::pair<int, int>> seen;
  Record r;
  RecordScanner scan(**t, 2);
  while (scan.Next(&r)) {
    int p = static_cast<int>(r.GetValue("PROC")->AsNumber());
    int s = static_cast<int>(r.GetValue("SEQ")->AsNumber());
    ASSERT_TRUE(seen.insert({p, s}).second) << "duplicated record " << p << ":" << s;
    ASSERT_EQ(RTrim(r.FieldBytes(3)), Pattern(p, s)) << "torn record " << r.recno();
  }
  HURT_ASSERT_OK(scan.status());
  EXPECT_EQ(seen.size(), static_cast<size_t>(kProcesses * kAppendsPerProcess)) << "lost records";
  HURT_ASSERT_OK((*t)->Read(1, &r));
  // The batching station skips the counter while a batch is open (every 50th append ends it).
  const int per_plain = kAppendsPerProcess / kCounterEvery;
  const int per_batch = kAppendsPerProcess / 50;
  EXPECT_EQ(r.GetValue("LICZNIK")->AsNumber(), (kProcesses - 1) * per_plain + per_batch) << "lost updates";
}

TEST_F(TableProcessTest, LocksOfAKilledStationAreFreeAtOnce) {
  const std::string path = dir / "zo.dbf";
  HURT_ASSERT_OK(Table::Create(RealEnv(), path, kFields));
  {
    auto t = Table::Open(RealEnv(), path);
    ASSERT_TRUE(t.ok());
    HURT_ASSERT_OK((*t)->Append((*t)->NewRecord()).status());
    HURT_ASSERT_OK((*t)->Append((*t)->NewRecord()).status());
  }
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(ready[0]);
    alarm(60);
    auto t = Table::Open(RealEnv(), path);
    char ok = (t.ok() && (*t)->LockRecord(1).ok() && (*t)->LockRecord(2).ok()) ? '1' : '0';
    if (write(ready[1], &ok, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  ASSERT_EQ(ok, '1');

  auto t = Table::Open(RealEnv(), path);
  ASSERT_TRUE(t.ok());
  EXPECT_TRUE((*t)->LockRecord(1).IsBusy());
  EXPECT_TRUE(Table::Open(RealEnv(), path, TableMode::Exclusive()).status().IsBusy());
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  HURT_EXPECT_OK((*t)->LockRecord(1));
  HURT_EXPECT_OK((*t)->LockFile());
  t = Status::NotFound("closed");
  HURT_EXPECT_OK(Table::Open(RealEnv(), path, TableMode::Exclusive()).status());
}

}  // namespace
}  // namespace hurt::xbase
