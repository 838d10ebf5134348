// A station of a test process on a real data directory: the real file system behind an
// Env that can kill the process at its Nth write (a crash at any point of a posting), a
// clock whose waits pass at once but leave real time to the other processes, and a
// console nobody sees.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "console/console.h"
#include "console/headless.h"
#include "shell/session.h"
#include "store/catalogue.h"
#include "store/net_ui.h"
#include "xbase/env.h"

namespace hurt::documents {

// Fake time whose waits also pause a little for real, so that a retry loop leaves time to
// the process holding the lock.
class PausingClock final : public Clock {
 public:
  PausingClock() : fake_(2026, 3, 14, 9, 0, 0) {}
  int64_t LocalMillis() const override { return fake_.LocalMillis(); }
  int64_t MonotonicMillis() const override { return fake_.MonotonicMillis(); }
  void Sleep(int64_t millis) override {
    fake_.Advance(millis);
    usleep(2000);
  }

 private:
  FakeClock fake_;
};

// The real file system; with `kill_after` > 0 the process kills itself at that write.
class KillingEnv final : public xbase::Env {
 public:
  KillingEnv(xbase::Env& base, Clock& clock) : base_(base), clock_(clock) {}
  void KillAfter(int writes) { left_ = writes; }

  Result<std::unique_ptr<xbase::File>> Open(const std::string& path, const xbase::OpenOptions& o) override {
    auto f = base_.Open(path, o);
    if (!f.ok()) return f.status();
    return std::unique_ptr<xbase::File>(std::make_unique<KillingFile>(std::move(*f), *this));
  }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  Status Remove(const std::string& path) override { return base_.Remove(path); }
  Status Rename(const std::string& from, const std::string& to) override { return base_.Rename(from, to); }
  Status CreateDirs(const std::string& path) override { return base_.CreateDirs(path); }
  Result<std::vector<std::string>> ListDir(const std::string& path) override { return base_.ListDir(path); }
  bool IsDir(const std::string& path) override { return base_.IsDir(path); }
  Clock& clock() override { return clock_; }

 private:
  class KillingFile final : public xbase::File {
   public:
    KillingFile(std::unique_ptr<xbase::File> f, KillingEnv& env) : File(f->path()), f_(std::move(f)), env_(env) {}
    Status ReadAt(uint64_t offset, size_t n, char* buf, size_t* got) override { return f_->ReadAt(offset, n, buf, got); }
    Status WriteAt(uint64_t offset, std::string_view data) override {
      if (env_.left_ > 0 && --env_.left_ == 0) raise(SIGKILL);
      return f_->WriteAt(offset, data);
    }
    Result<uint64_t> Size() override { return f_->Size(); }
    Status Truncate(uint64_t size) override { return f_->Truncate(size); }
    Status Sync() override { return f_->Sync(); }
    Status Lock(uint64_t offset, uint64_t length, xbase::LockKind kind, bool wait) override {
      return f_->Lock(offset, length, kind, wait);
    }
    Status Unlock(uint64_t offset, uint64_t length) override { return f_->Unlock(offset, length); }

   private:
    std::unique_ptr<xbase::File> f_;
    KillingEnv& env_;
  };

  xbase::Env& base_;
  Clock& clock_;
  int left_ = 0;
};

// One station of a process.
struct ProcessStation {
  ProcessStation(const std::string& dir, int number)
      : env(xbase::RealEnv(), clock), backend(console_clock), con(backend, console_clock), ui(clock) {
    shell::SessionOptions o;
    o.data_dir = dir;
    session = std::make_unique<shell::Session>(env, con, o);
    session->set_stacja(number);
    // A station without its life lock would look gone to the others, who would take its
    // postings back while it writes them.
    if (!session->HoldStationLock().ok()) {
      std::fprintf(stderr, "station %d: no life lock\n", number);
      std::abort();
    }
    session->op().nr = "1";
  }
  xbase::WorkArea& Area(store::TableId id) { return *session->areas().Area(store::Table(id).area); }

  PausingClock clock;
  FakeClock console_clock{2026, 3, 14, 9, 0, 0};
  KillingEnv env;
  console::HeadlessBackend backend;
  console::Console con;
  store::NoScreenUi ui;
  std::unique_ptr<shell::Session> session;
};

}  // namespace hurt::documents
