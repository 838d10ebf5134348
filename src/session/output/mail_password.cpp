#include "session/output/mail_password.h"

#include <array>
#include <cstdint>

#include "base/text.h"

namespace hurt::session {

namespace {

// The turns, one per character position, repeated.
constexpr std::array<uint8_t, 16> kKey = {37, 11, 83, 59, 7, 71, 29, 47, 61, 17, 89, 3, 43, 67, 23, 53};

constexpr int kPrintableFirst = 0x21;
constexpr int kPrintableCount = 0x7E - 0x21 + 1;  // 94
constexpr int kHighFirst = 0x80;
constexpr int kHighCount = 0x100 - 0x80;          // 128

// Turns one character by `turn` steps forwards (direction +1) or back (-1) within its range.
char Turn(char c, int turn, int direction) {
  const int b = static_cast<unsigned char>(c);
  int first = 0, count = 0;
  if (b >= kPrintableFirst && b < kPrintableFirst + kPrintableCount) {
    first = kPrintableFirst;
    count = kPrintableCount;
  } else if (b >= kHighFirst) {
    first = kHighFirst;
    count = kHighCount;
  } else {
    return c;  // blanks and control characters
  }
  const int shifted = ((b - first + direction * (turn % count)) % count + count) % count;
  return static_cast<char>(first + shifted);
}

std::string TurnAll(std::string_view text, int direction) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) out[i] = Turn(out[i], kKey[i % kKey.size()], direction);
  return out;
}

}  // namespace

bool IsHiddenMailPassword(std::string_view stored) {
  return stored.substr(0, kHiddenPasswordMark.size()) == kHiddenPasswordMark;
}

std::string HideMailPassword(std::string_view password) {
  const std::string clear = RTrim(password);
  if (clear.empty()) return "";
  return std::string(kHiddenPasswordMark) + TurnAll(clear, +1);
}

std::string RevealMailPassword(std::string_view stored) {
  const std::string value = RTrim(stored);
  if (!IsHiddenMailPassword(value)) return value;
  return RTrim(TurnAll(std::string_view(value).substr(kHiddenPasswordMark.size()), -1));
}

}  // namespace hurt::session
