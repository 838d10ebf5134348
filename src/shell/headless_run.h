// The scripted headless mode of the real program, for tests that run several stations as
// real processes on one data directory.
//
// Selected by environment variables (see also src/main.cpp and README.md):
//
//   HURT_HEADLESS=<file>    keys are read from this file (or FIFO) instead of a terminal,
//                           one step per line:
//                             Enter, Esc, F6, Down, PgDn, Alt+K, Ctrl+Y …  a key by name
//                               (the names KeyName gives, any case)
//                             text:12.25     each character typed (UTF-8)
//                             key:-5         a key by its numeric code
//                             wait:2000      that many milliseconds pass
//                             # …            a comment; empty lines are skipped
//                           A wait for ever blocks until a line arrives (the test appends
//                           lines as it goes). A wait with a time-out takes the next step
//                           only when it is already there; otherwise the time-out passes.
//   HURT_SCREEN=<file>      the 25 screen lines (UTF-8) are written there, whole (written
//                           beside it and renamed), each time the screen reaches the
//                           "terminal" — every wait for a key, and a Refresh.
//   HURT_SCREEN_LOG=<file>  every screen written that way is also appended to this file,
//                           after a line "=== screen <n>", so that a test can see
//                           messages that stayed only for a moment.
//   HURT_CLOCK=<date time>  "2026-12-08 08:00:00": run on a clock that starts there and
//                           moves only when the program waits, so waits take no real
//                           time (a retry pause still yields the processor for a few
//                           milliseconds, so that other stations get on).
//   HURT_LOCAL_DIR=<dir>    the station's own folder (the single-instance lock table);
//                           default $HOME/.hurt. Also honoured outside headless mode.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/result.h"
#include "console/backend.h"
#include "xbase/env.h"
#include "xbase/forwarding_env.h"

namespace hurt::shell {

// ---- configuration ----

struct ClockStart {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "2026-12-08 08:00:00" (seconds, or the whole time, may be left out).
std::optional<ClockStart> ParseClockText(std::string_view text);

struct HeadlessConfig {
  std::string keys;        // HURT_HEADLESS
  std::string screen;      // HURT_SCREEN
  std::string screen_log;  // HURT_SCREEN_LOG
  std::optional<ClockStart> clock;  // HURT_CLOCK
  std::string local_dir;   // HURT_LOCAL_DIR, else $HOME/.hurt
  // HURT_CRASH_IN_POSTING: the program kills itself (SIGKILL) at this write after it has
  // written a posting journal, as a station that dies in the middle of posting (0: never).
  int crash_in_posting = 0;
  // HURT_CRASH_IN_CLOSE: the same at this write or rename after a month close wrote its
  // marker in zamknij/, as a station that dies in the middle of the close.
  int crash_in_close = 0;
  bool headless() const { return !keys.empty(); }
};

// Reads the variables through `get` (getenv in the program). Invalid for a bad HURT_CLOCK,
// or HURT_CLOCK without HURT_HEADLESS (a terminal waits in real time).
using EnvironmentLookup = std::function<const char*(const char* name)>;
Result<HeadlessConfig> HeadlessConfigFromEnvironment(const EnvironmentLookup& get);

// ---- key script ----

struct ScriptStep {
  enum class Kind { kKey, kWait } kind = Kind::kKey;
  int key = 0;
  int64_t millis = 0;
  friend bool operator==(const ScriptStep&, const ScriptStep&) = default;
};

// One line of the key script as steps; Invalid for a name that is no key.
Result<std::vector<ScriptStep>> ParseScriptLine(std::string_view line);

// ---- clock and files ----

// The clock of HURT_CLOCK: fake time that moves on waits.
class ScriptClock final : public Clock {
 public:
  explicit ScriptClock(const ClockStart& start);
  int64_t LocalMillis() const override { return fake_.LocalMillis(); }
  int64_t MonotonicMillis() const override { return fake_.MonotonicMillis(); }
  // Moves the clock; also pauses a few real milliseconds so that a retry loop does not
  // spin through its whole time before another process can let go of a lock.
  void Sleep(int64_t millis) override;
  // Moves the clock without pausing (key waits of the script).
  void Advance(int64_t millis) { fake_.Advance(millis); }

 private:
  FakeClock fake_;
};

// The real file system with another clock.
class ClockedEnv final : public xbase::ForwardingEnv {
 public:
  ClockedEnv(xbase::Env& base, Clock& clock) : ForwardingEnv(base), clock_(clock) {}
  // Tests: die at the n-th write after a posting journal was written (HURT_CRASH_IN_POSTING).
  void CrashInPosting(int writes) { crash_after_ = writes; }
  // Tests: die at the n-th write or rename after a month close wrote its marker.
  void CrashInClose(int writes) {
    crash_after_ = writes;
    counting_close_ = true;
  }
  Result<std::unique_ptr<xbase::File>> Open(const std::string& path, const xbase::OpenOptions& o) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Clock& clock() override { return clock_; }

 private:
  class CountedFile;
  void Wrote(const std::string& path);

  Clock& clock_;
  int crash_after_ = 0;
  int counting_ = -1;  // writes since a posting journal was written; -1 before one
  bool counting_close_ = false;  // counted from the month close's marker instead
};

// ---- back-ends ----

// Keys from the script file. With a ScriptClock, waits move it; with any other clock they
// take real time.
class ScriptBackend final : public console::Backend {
 public:
  ScriptBackend(std::string keys_path, Clock& clock, ScriptClock* script_clock);
  ~ScriptBackend() override;
  ScriptBackend(const ScriptBackend&) = delete;
  ScriptBackend& operator=(const ScriptBackend&) = delete;

  void Present(const console::ScreenBuffer&, const console::CursorState&) override {}
  std::optional<int> ReadKey(int64_t timeout_ms) override;

  // Asked while a wait for ever finds no line: true ends the wait without a key (a stop
  // signal came).
  void set_interrupted(std::function<bool()> interrupted) { interrupted_ = std::move(interrupted); }

  // Lines of the script that were no key (reported on standard error as well).
  const std::vector<std::string>& bad_lines() const { return bad_lines_; }

 private:
  void Fill();  // takes what the file has now, without waiting
  void Pass(int64_t millis);

  std::string path_;
  Clock& clock_;
  ScriptClock* script_clock_;
  int fd_ = -1;
  std::string partial_;
  std::deque<ScriptStep> steps_;
  std::vector<std::string> bad_lines_;
  std::function<bool()> interrupted_;
};

// Passes everything to another back-end and writes each screen shown to HURT_SCREEN (and
// HURT_SCREEN_LOG) as UTF-8 lines.
class ScreenFileBackend final : public console::Backend {
 public:
  ScreenFileBackend(console::Backend& inner, std::string screen_path, std::string log_path);

  void Present(const console::ScreenBuffer& screen, const console::CursorState& cursor) override;
  std::optional<int> ReadKey(int64_t timeout_ms) override { return inner_.ReadKey(timeout_ms); }
  void DiscardInput() override { inner_.DiscardInput(); }
  void Beep() override { inner_.Beep(); }
  bool IsColour() const override { return inner_.IsColour(); }

 private:
  console::Backend& inner_;
  std::string screen_path_;
  std::string log_path_;
  std::string last_;
  int written_ = 0;
};

// The screen as the screen file holds it: 25 UTF-8 lines, each ended by "\n".
std::string ScreenText(const console::ScreenBuffer& screen);

}  // namespace hurt::shell
