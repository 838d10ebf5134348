// A real `hurt` process in its scripted headless mode, on a data directory: one station
// of a multi-process test.
//
//   HurtStation a(data.str(), work.str(), "a");            // started at once
//   ASSERT_TRUE(a.WaitForScreen("F1-Pomoc")) << a.Screen();
//   a.Send("Esc");
//   EXPECT_EQ(a.WaitExit(), 0);
//
// Keys go to <work>/<name>.keys (appended line by line, see shell/headless_run.h); the
// screen is read from <work>/<name>.screen and every screen shown from <name>.log. The
// clock is the script's (HURT_CLOCK), so the program's waits take no real time; the test
// waits for the program by polling the screen file with a time-out. Each station has its
// own local folder (<work>/<name>.local), as separate workstations have.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"

namespace hurt::testing {

struct StationOptions {
  std::string argument;           // the start argument, "" for none
  std::vector<std::string> keys;  // lines written before the program starts (the start window)
  std::string clock = "2026-12-08 08:00:00";
  std::string local_dir;          // "" = <work>/<name>.local
  std::map<std::string, std::string> env;  // further variables (HURT_CRASH_IN_POSTING ...)
};

inline StationOptions WithArgument(std::string argument) {
  StationOptions o;
  o.argument = std::move(argument);
  return o;
}
inline StationOptions WithKeys(std::vector<std::string> keys) {
  StationOptions o;
  o.keys = std::move(keys);
  return o;
}
inline StationOptions WithLocalDir(std::string dir) {
  StationOptions o;
  o.local_dir = std::move(dir);
  return o;
}

class HurtStation {
 public:
  HurtStation(const std::string& data_dir, const std::string& work_dir, const std::string& name,
              const StationOptions& options = {});
  ~HurtStation();  // kills a station still running
  HurtStation(const HurtStation&) = delete;
  HurtStation& operator=(const HurtStation&) = delete;

  // Appends one line of the key script.
  void Send(std::string_view line);
  // Polls the screen file until it contains `text` (UTF-8); false after the time-out or
  // when the program ended first.
  bool WaitForScreen(std::string_view text, int timeout_ms = 30'000);
  // The same, for a screen that holds `text` and not `without` (a message over a screen).
  bool WaitForScreen(std::string_view text, std::string_view without, int timeout_ms = 30'000);
  // Polls the screen log until some screen shown contained `text`.
  bool WaitForLog(std::string_view text, int timeout_ms = 30'000);
  bool LogContains(std::string_view text) const;
  std::string Screen() const;
  std::string Log() const;

  // Waits for the end; the exit code, or 128 + the signal that ended it; -1 on time-out.
  int WaitExit(int timeout_ms = 30'000);
  void Kill(int sig);
  pid_t pid() const { return child_->pid(); }
  bool running();
  const ProcessResult& result() const { return result_; }

 private:
  std::string keys_, screen_, log_;
  std::unique_ptr<ChildProcess> child_;
  ProcessResult result_;
  bool ended_ = false;
};

}  // namespace hurt::testing
