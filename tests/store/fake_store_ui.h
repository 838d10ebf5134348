// A StoreUi for tests: records what the helpers show, and lets each pause pass on a
// FakeClock (or end early by a key) while a test hook plays the other stations.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/cp852.h"
#include "store/net_ui.h"

namespace hurt::store::testing {

class FakeStoreUi final : public StoreUi {
 public:
  explicit FakeStoreUi(FakeClock& clock) : clock_(clock) {}

  // Everything shown, in order: "save 15,30,20,72", "message Otwieram plik as.dbf",
  // "restore", "alert ...", "wait 500", "progress-open ...", "progress 34% ", "progress-close".
  std::vector<std::string> calls;
  // Pauses (1-based) that a key press ends at once.
  std::set<int> key_at_wait;
  // Called at the start of each pause with its number: a test releases another station's
  // lock here, after so many attempts.
  std::function<void(int)> on_wait;
  int waits = 0;
  int saved_depth = 0;
  // The pause (1-based) after which the operator gives up waiting; 0: never.
  int give_up_at_wait = 0;
  bool GaveUp() const override { return give_up_at_wait > 0 && waits >= give_up_at_wait; }

  void SaveArea(int top, int left, int bottom, int right) override {
    ++saved_depth;
    calls.push_back("save " + std::to_string(top) + "," + std::to_string(left) + "," + std::to_string(bottom) + "," +
                    std::to_string(right));
  }
  void RestoreArea() override {
    --saved_depth;
    calls.push_back("restore");
  }
  void Message(std::string_view text) override { calls.push_back("message " + Cp852ToUtf8(text)); }
  void Alert(std::string_view text) override { calls.push_back("alert " + Cp852ToUtf8(text)); }
  bool WaitForKeyOrTimeout(int64_t millis) override {
    ++waits;
    calls.push_back("wait " + std::to_string(millis));
    if (on_wait) on_wait(waits);
    if (key_at_wait.count(waits) != 0) return true;
    clock_.Advance(millis);
    return false;
  }
  void ProgressOpen(std::string_view title, ProgressScreen screen) override {
    calls.push_back(std::string(screen == ProgressScreen::kClear ? "progress-open-clear " : "progress-open ") +
                    Cp852ToUtf8(title));
  }
  void ProgressUpdate(std::string_view percent, std::string_view bar) override {
    last_bar = Cp852ToUtf8(bar);
    calls.push_back("progress " + std::string(percent));
  }
  void ProgressClose() override { calls.push_back("progress-close"); }

  std::string last_bar;

  int Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& c : calls) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  bool Has(const std::string& call) const {
    for (const std::string& c : calls) {
      if (c == call) return true;
    }
    return false;
  }

 private:
  FakeClock& clock_;
};

}  // namespace hurt::store::testing
