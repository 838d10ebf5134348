#include "console/headless.h"

#include "console/keys.h"

namespace hurt::console {

HeadlessBackend& HeadlessBackend::Key(int key) {
  Step s;
  s.kind = Step::kKey;
  s.key = key;
  steps_.push_back(std::move(s));
  return *this;
}

HeadlessBackend& HeadlessBackend::Keys(std::initializer_list<int> keys) { return Keys(std::vector<int>(keys)); }

HeadlessBackend& HeadlessBackend::Keys(const std::vector<int>& keys) {
  for (int k : keys) Key(k);
  return *this;
}

HeadlessBackend& HeadlessBackend::Text(std::string_view cp852) {
  for (char c : cp852) Key(static_cast<unsigned char>(c));
  return *this;
}

HeadlessBackend& HeadlessBackend::Wait(int64_t millis) {
  Step s;
  s.kind = Step::kWait;
  s.millis = millis;
  steps_.push_back(std::move(s));
  return *this;
}

HeadlessBackend& HeadlessBackend::Then(std::function<void()> step) {
  Step s;
  s.kind = Step::kThen;
  s.then = std::move(step);
  steps_.push_back(std::move(s));
  return *this;
}

void HeadlessBackend::Present(const ScreenBuffer& screen, const CursorState& cursor) {
  shown_ = screen;
  cursor_ = cursor;
  ++presents_;
}

std::optional<int> HeadlessBackend::ReadKey(int64_t timeout_ms) {
  for (;;) {
    if (steps_.empty()) {
      if (timeout_ms >= 0) {
        clock_.Advance(timeout_ms);
        return std::nullopt;
      }
      ++exhausted_reads_;
      if (on_exhausted_) on_exhausted_();
      return key::kEsc;
    }
    Step& s = steps_.front();
    switch (s.kind) {
      case Step::kThen: {
        auto then = std::move(s.then);
        steps_.pop_front();
        if (then) then();
        continue;
      }
      case Step::kKey: {
        int k = s.key;
        steps_.pop_front();
        return k;
      }
      case Step::kWait:
        if (timeout_ms < 0 || s.millis <= timeout_ms) {
          clock_.Advance(s.millis);
          if (timeout_ms >= 0) timeout_ms -= s.millis;
          steps_.pop_front();
          continue;
        }
        clock_.Advance(timeout_ms);
        s.millis -= timeout_ms;
        return std::nullopt;
    }
  }
}

std::string HeadlessBackend::Dump() const { return DumpScreen(shown_, &cursor_); }

std::string DumpScreen(const ScreenBuffer& screen, const CursorState* cursor) {
  std::string out = "    ";
  for (int c = 0; c < kCols; ++c) out += static_cast<char>('0' + c % 10);
  out += "\n   +" + std::string(kCols, '-') + "+\n";
  for (int r = 0; r < kRows; ++r) {
    char num[8];
    num[0] = static_cast<char>(r < 10 ? ' ' : '0' + r / 10);
    num[1] = static_cast<char>('0' + r % 10);
    num[2] = 0;
    out += std::string(" ") + num + "|" + screen.RowText(r) + "|\n";
  }
  out += "   +" + std::string(kCols, '-') + "+\n";
  if (cursor)
    out += "cursor " + std::to_string(cursor->row) + "," + std::to_string(cursor->col) +
           (cursor->visible ? " shown" : " hidden") + "\n";
  return out;
}

}  // namespace hurt::console
