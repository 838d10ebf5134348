// What the shared-access helpers show and how they wait, behind a small interface.
//
// The helpers (NET_USE, REC_LOCK, the record-copy helpers, TWORZ) draw nothing themselves:
// they ask a StoreUi, which the shell implements with the console (message window,
// progress window, waiting on a key or a time-out of the session clock). Tests use a fake
// that records the calls and moves a FakeClock; programs without a screen use
// NoScreenUi, which only waits.
//
// Waiting: every pause of a retry loop is one WaitForKeyOrTimeout call. The helpers count
// the pauses, not the time that passed, exactly as the retry rules say (a key that ends a
// pause early still counts it as a whole one), so the number of attempts never depends on
// how long an attempt took.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"

namespace hurt::store {

// Screen geometry of the message area NET_USE saves (rows 15-20, columns 30-72).
inline constexpr int kMessageAreaTop = 15;
inline constexpr int kMessageAreaLeft = 30;
inline constexpr int kMessageAreaBottom = 20;
inline constexpr int kMessageAreaRight = 72;

// The progress window of the update and replace helpers: a double frame at rows 11-14,
// columns 22-58; the title line at row 11, column 23; the percentage at row 12, column 25;
// the bar at row 13, column 25.
inline constexpr int kProgressTop = 11;
inline constexpr int kProgressLeft = 22;
inline constexpr int kProgressBottom = 14;
inline constexpr int kProgressRight = 58;
inline constexpr int kProgressTitleRow = 11;
inline constexpr int kProgressTitleColumn = 23;
inline constexpr int kProgressPercentRow = 12;
inline constexpr int kProgressBarRow = 13;
inline constexpr int kProgressTextColumn = 25;
inline constexpr int kProgressTitleWidth = kProgressRight - kProgressTitleColumn;  // 35: up to the frame
inline constexpr int kProgressBarWidth = 31;

// How a progress window treats the screen under it.
enum class ProgressScreen {
  kSaveAndRestore,  // the screen is saved when the window opens and restored when it closes
  kClear,           // the screen is cleared first and left as it is at the end
};

class StoreUi {
 public:
  virtual ~StoreUi() = default;

  // Saves / restores a screen region (nested saves restore in reverse order).
  virtual void SaveArea(int top, int left, int bottom, int right) = 0;
  virtual void RestoreArea() = 0;

  // The message window drawn without waiting (it stays until the region is restored).
  virtual void Message(std::string_view text) = 0;
  // The message window for about a second, then the screen as it was (a key ends it early).
  virtual void Alert(std::string_view text) = 0;
  // A failure told in several lines (the first names what failed, the others say why and
  // what mends it), shown long enough to be read. By default one Alert per line.
  virtual void AlertLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) Alert(line);
  }

  // Waits `millis` milliseconds of the session clock; a key ends the wait early and is
  // consumed. True when a key ended it.
  virtual bool WaitForKeyOrTimeout(int64_t millis) = 0;
  // True once the operator has given up waiting (a screen that offers Esc during a wait
  // says so here); the retry loops then end at once with Busy. By default nobody does.
  virtual bool GaveUp() const { return false; }

  // The progress window. `title` is the whole title line (ProgressTitle), `percent` the
  // text at the percentage place (ProgressPercent), `bar` the 31 cells (ProgressBar).
  virtual void ProgressOpen(std::string_view title, ProgressScreen screen) = 0;
  virtual void ProgressUpdate(std::string_view percent, std::string_view bar) = 0;
  virtual void ProgressClose() = 0;
};

// The title line: " Odtwarzanie zbioru " + alias + ".DBF " centred in a line of "═" as wide
// as the frame's inside from column 23 (code page 852).
std::string ProgressTitle(std::string_view alias);
// The whole-number percentage of done over total, as picture 999 rounds it, trimmed, then
// "% ": "34% ". A total of 0 counts as done.
std::string ProgressPercent(uint32_t done, uint32_t total);
// 31 cells of "▒" of which the first INT(done / total × 31) are "█" (code page 852).
std::string ProgressBar(uint32_t done, uint32_t total);

// For programs and tools without a screen: draws nothing, waits on the clock.
class NoScreenUi final : public StoreUi {
 public:
  explicit NoScreenUi(Clock& clock) : clock_(clock) {}
  void SaveArea(int, int, int, int) override {}
  void RestoreArea() override {}
  void Message(std::string_view) override {}
  void Alert(std::string_view) override {}
  bool WaitForKeyOrTimeout(int64_t millis) override {
    clock_.Sleep(millis);
    return false;
  }
  void ProgressOpen(std::string_view, ProgressScreen) override {}
  void ProgressUpdate(std::string_view, std::string_view) override {}
  void ProgressClose() override {}

 private:
  Clock& clock_;
};

}  // namespace hurt::store
