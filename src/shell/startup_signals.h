// SIGTERM and SIGHUP end the program cleanly: the station signs off and the terminal is
// put back as it was.
//
// The signal handler only records the signal (a signal handler can reach nothing but
// static storage, so this flag is the program's one piece of global state). The program
// acts on it where it waits for a key: StopAwareBackend looks at the flag at least every
// quarter of a second while waiting and then runs the stop routine given by the program
// (sign-off, closing the tables, restoring the terminal, exit). A long operation that
// waits for no key finishes first.
#pragma once

#include <functional>

#include "console/backend.h"

namespace hurt::shell {

// Installs the handlers of SIGTERM and SIGHUP. Call before the terminal is opened, so
// that the terminal library does not put its own in their place.
void InstallStopSignals();

// The signal received since InstallStopSignals, 0 when none.
int PendingStopSignal();

// For tests: forget a recorded signal.
void ClearStopSignal();

// Runs `on_stop(signal)` when a stop signal has come while the program waits for a key.
// The routine is expected not to return (it ends the process); if it does, the wait
// answers Esc. A back-end whose waits do not return on a signal by themselves (the
// terminal) is asked in slices of `slice_ms`; with 0 the waits are passed on whole (the
// script back-end returns from a wait when a signal is pending).
class StopAwareBackend final : public console::Backend {
 public:
  StopAwareBackend(console::Backend& inner, std::function<void(int)> on_stop, int64_t slice_ms = 250)
      : inner_(inner), on_stop_(std::move(on_stop)), slice_ms_(slice_ms) {}

  void Present(const console::ScreenBuffer& screen, const console::CursorState& cursor) override {
    inner_.Present(screen, cursor);
  }
  std::optional<int> ReadKey(int64_t timeout_ms) override;
  void DiscardInput() override { inner_.DiscardInput(); }
  void Beep() override { inner_.Beep(); }
  bool IsColour() const override { return inner_.IsColour(); }

 private:
  console::Backend& inner_;
  std::function<void(int)> on_stop_;
  int64_t slice_ms_;
  bool stopping_ = false;
};

}  // namespace hurt::shell
