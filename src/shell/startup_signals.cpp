#include "shell/startup_signals.h"

#include <signal.h>

#include <algorithm>

#include "console/keys.h"

namespace hurt::shell {

namespace {

volatile sig_atomic_t g_stop_signal = 0;  // written only by the handler below

extern "C" void RecordStopSignal(int sig) { g_stop_signal = sig; }

}  // namespace

void InstallStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = RecordStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a blocking wait returns and the flag is seen
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

int PendingStopSignal() { return g_stop_signal; }

void ClearStopSignal() { g_stop_signal = 0; }

std::optional<int> StopAwareBackend::ReadKey(int64_t timeout_ms) {
  const bool forever = timeout_ms < 0;
  int64_t left = timeout_ms;
  for (;;) {
    if (int sig = PendingStopSignal(); sig != 0) {
      if (!stopping_) {
        stopping_ = true;
        on_stop_(sig);
      }
      return console::key::kEsc;
    }
    if (slice_ms_ <= 0) {
      std::optional<int> k = inner_.ReadKey(timeout_ms);
      if (k || !forever || PendingStopSignal() == 0) return k;
      continue;
    }
    int64_t slice = forever ? slice_ms_ : std::min(left, slice_ms_);
    std::optional<int> k = inner_.ReadKey(slice);
    if (k) return k;
    if (!forever) {
      left -= slice;
      if (left <= 0) return std::nullopt;
    }
  }
}

}  // namespace hurt::shell
