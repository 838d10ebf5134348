// A station of a test process on a real data directory: the real file system behind an
// Env that can kill the process at its Nth write (a crash at any point of a posting), a
// clock whose waits pass at once but leave real time to the other processes, and a
// console nobody sees.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "console/console.h"
#include "console/headless.h"
#include "session/session.h"
#include "store/net_ui.h"
#include "store/schema.h"
#include "xbase/env.h"
#include "xbase/forwarding_env.h"

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
class KillingEnv final : public xbase::ForwardingEnv {
 public:
  KillingEnv(xbase::Env& base, Clock& clock) : ForwardingEnv(base), clock_(clock) {}
  void KillAfter(int writes) { left_ = writes; }

  Result<std::unique_ptr<xbase::File>> Open(const std::string& path, const xbase::OpenOptions& o) override {
    auto f = base().Open(path, o);
    if (!f.ok()) return f.status();
    return std::unique_ptr<xbase::File>(std::make_unique<KillingFile>(std::move(*f), *this));
  }
  Clock& clock() override { return clock_; }

 private:
  class KillingFile final : public xbase::ForwardingFile {
   public:
    KillingFile(std::unique_ptr<xbase::File> f, KillingEnv& env) : ForwardingFile(std::move(f)), env_(env) {}
    Status WriteAt(uint64_t offset, std::string_view data) override {
      if (env_.left_ > 0 && --env_.left_ == 0) raise(SIGKILL);
      return base().WriteAt(offset, data);
    }

   private:
    KillingEnv& env_;
  };

  Clock& clock_;
  int left_ = 0;
};

// One station of a process.
struct ProcessStation {
  ProcessStation(const std::string& dir, int number)
      : env(xbase::RealEnv(), clock), backend(console_clock), con(backend, console_clock), ui(clock) {
    session::SessionOptions o;
    o.data_dir = dir;
    session = std::make_unique<session::Session>(env, con, o);
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
  std::unique_ptr<session::Session> session;
};

// The end of a forked test process: its exit code, or 100 + the signal that ended it.
inline int WaitFor(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  if (WIFSIGNALED(status)) return 100 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace hurt::documents
