// Field encoding for Replace without allocations: the same bytes as EncodeFieldValue
// (record.h), which builds several strings per number; appending a million records spends
// most of its time there otherwise.
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/date.h"
#include "base/numeric.h"
#include "xbase/work_area_internal.h"

namespace hurt::xbase {

// The text of x with `dec` decimals as NumericFieldText gives it: x is first taken to 15
// significant digits, then rounded half away from zero to `dec` decimals; "-" only when
// the result is not zero. Right-aligned in `width` bytes at out; false when it does not
// fit (or x is not finite).
bool EncodeNumberField(double x, int width, int dec, char* out) {
  if (!std::isfinite(x) || width <= 0) return false;
  dec = dec < 0 ? 0 : dec > 15 ? 15 : dec;
  char digits[20];
  int count;  // significant digits held in `digits`
  int int_digits;
  bool negative = false;
  if (x == 0.0) {
    digits[0] = '0';
    count = 1;
    int_digits = 1;
  } else {
    negative = x < 0;
    char sci[40];
    auto done = std::to_chars(sci, sci + sizeof sci, std::fabs(x), std::chars_format::scientific, 14);
    if (done.ec != std::errc()) return false;
    // d.dddddddddddddde±XX
    digits[0] = sci[0];
    std::memcpy(digits + 1, sci + 2, 14);
    count = 15;
    int exponent = 0;
    std::from_chars(sci + 17 + (sci[17] == '+' ? 1 : 0), done.ptr, exponent);
    int_digits = exponent + 1;
  }
  if (int_digits > width) return false;  // the integer part alone is too wide
  const int keep = int_digits + dec;
  if (keep < 0) {
    digits[0] = '0';
    count = 1;
    int_digits = 1;
  } else if (keep < count) {
    const bool up = digits[keep] >= '5';
    count = keep;
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        std::memmove(digits + 1, digits, static_cast<size_t>(count));
        digits[0] = '1';
        ++count;
        ++int_digits;
      }
    }
    if (count == 0) {
      digits[0] = '0';
      count = 1;
      int_digits = 1;
    }
  }
  auto digit_at = [&](int k) { return k >= 0 && k < count ? digits[k] : '0'; };
  // Integer part without leading zeros ("0" when none is left).
  char text[64];
  int n = 0;
  int first = 0;
  while (first < int_digits && digit_at(first) == '0') ++first;
  bool zero = true;
  if (first >= int_digits) {
    text[n++] = '0';
  } else {
    for (int i = first; i < int_digits; ++i) {
      if (n >= 40) return false;
      text[n++] = digit_at(i);
      zero = false;
    }
  }
  int point = n;
  if (dec > 0) {
    text[n++] = '.';
    for (int i = 0; i < dec; ++i) {
      char c = digit_at(int_digits + i);
      if (c != '0') zero = false;
      text[n++] = c;
    }
  }
  (void)point;
  const int sign = negative && !zero ? 1 : 0;
  if (n + sign > width) return false;
  const int pad = width - n - sign;
  std::memset(out, ' ', static_cast<size_t>(pad));
  if (sign) out[pad] = '-';
  std::memcpy(out + pad + sign, text, static_cast<size_t>(n));
  return true;
}

namespace {

void Digits(char* out, int value, int n) {
  for (int i = n - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

}  // namespace

bool EncodeFieldInto(const DbfFieldDescriptor& field, const Value& value, std::string* out) {
  const auto width = static_cast<size_t>(field.width);
  out->resize(width);
  char* p = out->data();
  if (value.IsNil()) {
    std::memset(p, ' ', width);
    return true;
  }
  switch (field.type) {
    case 'C': {
      if (!value.IsString()) return false;
      const std::string& s = value.AsString();
      const size_t n = std::min(s.size(), width);
      std::memcpy(p, s.data(), n);
      std::memset(p + n, ' ', width - n);
      return true;
    }
    case 'N':
    case 'F':
      return value.IsNumber() && EncodeNumberField(value.AsNumber(), field.width, field.decimals, p);
    case 'D': {
      if (!value.IsDate() || width != 8) return false;
      JulianDay day = value.AsDate().day;
      if (day == kEmptyDate) {
        std::memset(p, ' ', 8);
        return true;
      }
      if (day < JulianFromYmd(1, 1, 1) || day > JulianFromYmd(9999, 12, 31)) return false;
      Ymd ymd = YmdFromJulian(day);
      Digits(p, ymd.year, 4);
      Digits(p + 4, ymd.month, 2);
      Digits(p + 6, ymd.day, 2);
      return true;
    }
    case 'L':
      if (!value.IsLogical() || width != 1) return false;
      p[0] = value.AsLogical() ? 'T' : 'F';
      return true;
    default:
      return false;
  }
}

double DecodeNumberField(std::string_view bytes) {
  // Val's reading: blanks, a sign, digits with at most one point, up to anything else.
  size_t i = 0;
  while (i < bytes.size() && bytes[i] == ' ') ++i;
  bool negative = false;
  if (i < bytes.size() && (bytes[i] == '-' || bytes[i] == '+')) negative = bytes[i++] == '-';
  uint64_t mantissa = 0;
  int digits = 0;      // significant digits in mantissa
  int fraction = 0;    // digits after the point
  bool point = false;
  bool any = false;
  for (; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c >= '0' && c <= '9') {
      any = true;
      if (mantissa == 0 && c == '0') {
        if (point) ++fraction;
        continue;
      }
      if (++digits > 15) return Val(bytes);  // beyond the exact fast path
      mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
      if (point) ++fraction;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any) return 0.0;
  if (fraction > 22) return Val(bytes);
  // A whole number below 2^53 divided by an exact power of ten is correctly rounded, so
  // this is the double strtod gives for the same text.
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  double x = static_cast<double>(mantissa) / kPowers[fraction];
  return negative ? -x : x;
}

}  // namespace hurt::xbase
