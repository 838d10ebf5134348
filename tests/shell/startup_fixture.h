// One station of start-up tests inside the test process: a headless console on a fake
// clock, the real file system of a temporary data directory (on the same clock) and a
// session. Two such stations on one directory behave as two workstations: their opens and
// locks conflict as between processes.
//
// Every screen the station shows at a wait is kept (shown), so that a test can see
// messages that stayed only for their second.
#pragma once

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "invoicing/document_actions.h"
#include "session/session.h"
#include "shell/headless_run.h"
#include "support/screen_driver.h"
#include "xbase/fault_env.h"

namespace hurt::shell {

// Passes everything to the scripted terminal and keeps each new screen, and the screen
// of every wait for a key.
class RecordingBackend final : public console::Backend {
 public:
  explicit RecordingBackend(console::Backend& inner) : inner_(inner) {}
  void Present(const console::ScreenBuffer& screen, const console::CursorState& cursor) override {
    inner_.Present(screen, cursor);
    current_ = ScreenText(screen);
    if (shown.empty() || shown.back() != current_) shown.push_back(current_);
  }
  std::optional<int> ReadKey(int64_t timeout_ms) override {
    if (timeout_ms != 0) waits.push_back(current_);
    if (timeout_ms < 0 && !gates_.empty() && testing::ScreenShows(current_, gates_.front().first)) {
      int k = gates_.front().second;
      gates_.pop_front();
      return k;
    }
    return inner_.ReadKey(timeout_ms);
  }
  // The key is given at the first wait for ever on a screen holding `text` (UTF-8), as an
  // operator answers what they see. Gates are used in order; waits with a time-out
  // (messages) pass without them.
  RecordingBackend& When(std::string text, int key) {
    gates_.emplace_back(std::move(text), key);
    return *this;
  }
  bool AllGatesUsed() const { return gates_.empty(); }
  bool IsColour() const override { return inner_.IsColour(); }

  // How many waits for a key happened on a screen holding `text` (UTF-8): a message shown
  // twice counts 2.
  int Count(std::string_view text) const {
    return static_cast<int>(std::count_if(waits.begin(), waits.end(), [&](const std::string& s) {
      return testing::ScreenShows(s, text);
    }));
  }
  // Some screen shown held `text`.
  bool Saw(std::string_view text) const {
    return std::any_of(shown.begin(), shown.end(), [&](const std::string& s) { return testing::ScreenShows(s, text); });
  }

  std::vector<std::string> shown;
  std::vector<std::string> waits;

 private:
  console::Backend& inner_;
  std::string current_;
  std::deque<std::pair<std::string, int>> gates_;
};

struct TestStation {
  explicit TestStation(const std::string& data_dir, std::string argument = "", std::string local_dir = "")
      : recorder(d.term),
        con(recorder, d.clock),
        env(xbase::RealEnv(), d.clock),
        faults(env),
        session(faults, con, Options(data_dir, std::move(argument), std::move(local_dir))) {
    d.clock.Set(2026, 12, 8, 8, 0, 0);
    invoicing::InstallDocumentActions(session);  // as start-up does
  }

  static hurt::session::SessionOptions Options(const std::string& data_dir, std::string argument, std::string local_dir) {
    hurt::session::SessionOptions o;
    o.data_dir = data_dir;
    o.argument = std::move(argument);
    o.local_dir = local_dir.empty() ? data_dir + "/.local" : std::move(local_dir);
    return o;
  }

  // Runs `body` with the station's script; false (and a test failure) when the script ran
  // out while the program waited for a key for ever.
  bool Run(const std::function<void()>& body) {
    return d.Run([&](console::Console&) { body(); });
  }
  // The screen as the station's console holds it (UTF-8 lines).
  std::string Line(int row) const { return con.screen().RowText(row); }

  testing::ScreenDriver d;  // the script of keys and the clock
  RecordingBackend recorder;
  console::Console con;
  ClockedEnv env;
  xbase::FaultEnv faults;  // the session's files: faults can be armed
  hurt::session::Session session;
};

}  // namespace hurt::shell
