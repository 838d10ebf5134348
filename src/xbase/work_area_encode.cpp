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

// The text of x with `dec` decimals as NumericFieldText gives it, right-aligned in `width`
// bytes at out; false when it does not fit (or x is not finite).
bool EncodeNumberField(double x, int width, int dec, char* out) {
  if (!std::isfinite(x) || width <= 0) return false;
  char text[kFixedTextMax];
  const size_t n = FormatFixedTo(x, dec, text);
  if (n > static_cast<size_t>(width)) return false;
  const size_t pad = static_cast<size_t>(width) - n;
  std::memset(out, ' ', pad);
  std::memcpy(out + pad, text, n);
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
