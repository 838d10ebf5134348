#include "console/console.h"

#include <algorithm>

#include "console/keys.h"

namespace hurt::console {

Console::Console(Backend& backend, Clock& clock)
    : backend_(backend), clock_(clock), theme_(backend.IsColour() ? Theme::Blue() : Theme::Monochrome()) {
  screen_.Clear(colours_.standard);
}

void Console::Say(int row, int col, std::string_view text) { Say(row, col, text, colours_.standard); }

void Console::Say(int row, int col, std::string_view text, Attr attr) {
  screen_.Put(row, col, text, attr);
  SetCursor(row, std::min(col + static_cast<int>(text.size()), kCols - 1));
}

void Console::Clear() {
  screen_.Clear(colours_.standard);
  SetCursor(0, 0);
}

void Console::ClearRegion(int top, int left, int bottom, int right) {
  ClearRegion(top, left, bottom, right, colours_.standard);
}

void Console::ClearRegion(int top, int left, int bottom, int right, Attr attr) {
  screen_.Fill(top, left, bottom, right, ' ', attr);
  SetCursor(top, left);
}

void Console::Box(int top, int left, int bottom, int right, std::string_view frame, Attr attr, unsigned char fill) {
  screen_.Box(top, left, bottom, right, frame, attr, fill);
}

Status Console::SetColour(std::string_view text) {
  auto set = ParseColourSet(text, colours_);
  if (!set.ok()) return set.status();
  colours_ = *set;
  return Status::Ok();
}

void Console::SetCursor(int row, int col) {
  cursor_.row = std::clamp(row, 0, kRows - 1);
  cursor_.col = std::clamp(col, 0, kCols - 1);
}

void Console::RestoreScreen(const SavedScreen& saved) {
  screen_ = saved.cells;
  cursor_ = saved.cursor;
  colours_ = saved.colours;
}

void Console::Refresh() { backend_.Present(screen_, cursor_); }

std::optional<int> Console::TakeKey(int64_t timeout_ms) {
  if (!typeahead_.empty()) {
    int k = typeahead_.front();
    typeahead_.pop_front();
    return k;
  }
  Refresh();
  return backend_.ReadKey(timeout_ms);
}

bool Console::RunHotKey(int key) {
  auto it = hot_keys_.find(key);
  if (it == hot_keys_.end() || it->second.running) return false;
  HotKeyRoutine routine = it->second.routine;  // the routine may change the hot keys
  it->second.running = true;
  struct Reset {
    Console& con;
    int key;
    ~Reset() {
      auto again = con.hot_keys_.find(key);
      if (again != con.hot_keys_.end()) again->second.running = false;
    }
  } reset{*this, key};
  routine(*this);
  return true;
}

int Console::WaitKey(int64_t timeout_ms) {
  const bool forever = timeout_ms < 0;
  const int64_t deadline = forever ? 0 : clock_.MonotonicMillis() + timeout_ms;
  for (;;) {
    int64_t remaining = forever ? kWaitForever : std::max<int64_t>(0, deadline - clock_.MonotonicMillis());
    std::optional<int> k = TakeKey(remaining);
    if (!k) {
      if (!forever && clock_.MonotonicMillis() >= deadline) return key::kNone;
      continue;
    }
    if (RunHotKey(*k)) continue;
    last_key_ = *k;
    return *k;
  }
}

int Console::Inkey(double seconds) {
  if (seconds <= 0) return WaitKey(kWaitForever);
  return WaitKey(static_cast<int64_t>(seconds * 1000.0 + 0.5));
}

int Console::PollKey() {
  for (;;) {
    std::optional<int> k = TakeKey(0);
    if (!k) return key::kNone;
    if (RunHotKey(*k)) continue;
    last_key_ = *k;
    return *k;
  }
}

int Console::NextKey() {
  if (typeahead_.empty()) {
    Refresh();
    std::optional<int> k = backend_.ReadKey(0);
    if (!k) return key::kNone;
    typeahead_.push_back(*k);
  }
  return typeahead_.front();
}

void Console::Keyboard(std::initializer_list<int> keys) { Keyboard(std::vector<int>(keys)); }

void Console::Keyboard(const std::vector<int>& keys) {
  typeahead_.assign(keys.begin(), keys.end());
}

void Console::KeyboardText(std::string_view text) {
  typeahead_.clear();
  for (char c : text) typeahead_.push_back(static_cast<unsigned char>(c));
}

void Console::PushKeys(const std::vector<int>& keys) { typeahead_.insert(typeahead_.end(), keys.begin(), keys.end()); }

void Console::ClearTypeahead() {
  typeahead_.clear();
  backend_.DiscardInput();
}

void Console::SetHotKey(int key, HotKeyRoutine routine) {
  auto& hk = hot_keys_[key];
  hk.routine = std::move(routine);
}

void Console::ClearHotKey(int key) { hot_keys_.erase(key); }

}  // namespace hurt::console
