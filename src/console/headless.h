// A back-end without a terminal: keys come from a script, the screen is kept for reading.
//
// The script is a list of steps consumed as the program asks for keys:
//
//   HeadlessBackend term(clock);
//   term.Keys({key::kDown, key::kEnter})   // keys, in order, available at once
//       .Wait(1000)                        // one second passes before the next key
//       .Then([&] { check(term.Lines()); })  // runs when the program next waits for a key
//       .Text("abc");                      // code page 852 characters
//
// Time passes only on the FakeClock the console uses: a wait with a time-out and no key
// in the script moves the clock by the time-out; a Wait step moves it by its length (and
// a time-out shorter than the step ends first). When the script is used up and the
// program waits for ever, the back-end calls the exhaustion handler (a test uses it to
// stop with a failure) and otherwise answers Esc.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "console/backend.h"

namespace hurt::console {

class HeadlessBackend final : public Backend {
 public:
  explicit HeadlessBackend(FakeClock& clock, bool colour = true) : clock_(clock), colour_(colour) {}

  HeadlessBackend& Key(int key);
  HeadlessBackend& Keys(std::initializer_list<int> keys);
  HeadlessBackend& Keys(const std::vector<int>& keys);
  HeadlessBackend& Text(std::string_view cp852);
  HeadlessBackend& Wait(int64_t millis);
  HeadlessBackend& Then(std::function<void()> step);
  void OnExhausted(std::function<void()> handler) { on_exhausted_ = std::move(handler); }

  // True when every step of the script has been used.
  bool Finished() const { return steps_.empty(); }
  int ExhaustedReads() const { return exhausted_reads_; }

  // What the program last showed.
  const ScreenBuffer& shown() const { return shown_; }
  const CursorState& cursor() const { return cursor_; }
  std::vector<std::string> Lines() const { return shown_.Lines(); }
  std::string Line(int row) const { return shown_.RowText(row); }
  // The screen framed with row and column numbers, for failure messages.
  std::string Dump() const;
  int presents() const { return presents_; }
  int beeps() const { return beeps_; }

  // Backend
  void Present(const ScreenBuffer& screen, const CursorState& cursor) override;
  std::optional<int> ReadKey(int64_t timeout_ms) override;
  void Beep() override { ++beeps_; }
  bool IsColour() const override { return colour_; }

 private:
  struct Step {
    enum Kind { kKey, kWait, kThen } kind = kKey;
    int key = 0;
    int64_t millis = 0;
    std::function<void()> then;
  };

  FakeClock& clock_;
  bool colour_;
  std::deque<Step> steps_;
  std::function<void()> on_exhausted_;
  ScreenBuffer shown_;
  CursorState cursor_;
  int presents_ = 0;
  int beeps_ = 0;
  int exhausted_reads_ = 0;
};

// A screen dump with row and column rulers (used by HeadlessBackend::Dump and tests).
std::string DumpScreen(const ScreenBuffer& screen, const CursorState* cursor = nullptr);

}  // namespace hurt::console
