#include "xbase/key_encoding.h"

#include <algorithm>
#include <cmath>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"

namespace hurt::xbase {

namespace {

// Byte a digit d of a negative number becomes: 44 - d.
constexpr char kNegativeDigitBase = 44;

bool IsNegativeDigit(char c) { return c >= kNegativeDigitBase - 9 && c <= kNegativeDigitBase; }

}  // namespace

std::string NumericKey(double x, int length, int decimals) {
  if (length <= 0) return {};
  if (!std::isfinite(x)) return std::string(static_cast<size_t>(length), '*');
  std::string text = Str(x, length, decimals);
  bool negative = text.find('-') != std::string::npos;
  for (char& c : text) {
    if (c == ' ' || c == '-') c = '0';
    if (negative && c >= '0' && c <= '9') c = static_cast<char>(kNegativeDigitBase - (c - '0'));
  }
  return text;
}

std::optional<double> NumericKeyValue(std::string_view key) {
  if (key.empty()) return std::nullopt;
  // A negative key has no plain digit left; a positive one has no transformed digit.
  bool negative = IsNegativeDigit(key.front());
  std::string text;
  text.reserve(key.size() + 1);
  if (negative) text += '-';
  bool point = false;
  for (char c : key) {
    if (c == '.') {
      if (point) return std::nullopt;
      point = true;
      text += c;
    } else if (!negative && c >= '0' && c <= '9') {
      text += c;
    } else if (negative && IsNegativeDigit(c)) {
      text += static_cast<char>('0' + (kNegativeDigitBase - c));
    } else {
      return std::nullopt;
    }
  }
  return Val(text);
}

Result<std::string> EncodeKey(const Value& value, const KeyFormat& format) {
  if (format.length <= 0) return Status::Invalid("index key length must be positive");
  size_t length = static_cast<size_t>(format.length);
  switch (value.type()) {
    case ValueType::kCharacter:
      return PadR(value.AsString(), length);
    case ValueType::kNumeric:
      return NumericKey(value.AsNumber(), format.length, format.decimals);
    case ValueType::kDate:
      return PadR(Dtos(value.AsDate().day), length);
    case ValueType::kLogical:
      return PadR(value.AsLogical() ? "T" : "F", length);
    case ValueType::kNil:
      break;
  }
  return Status::Invalid("an index key cannot be NIL");
}

Result<std::string> EncodeSeekKey(const Value& value, const KeyFormat& format) {
  if (value.IsString()) {
    if (format.length <= 0) return Status::Invalid("index key length must be positive");
    const std::string& s = value.AsString();
    return s.substr(0, std::min(s.size(), static_cast<size_t>(format.length)));
  }
  return EncodeKey(value, format);
}

}  // namespace hurt::xbase
