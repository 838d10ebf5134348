#include "base/numeric.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace hurt {

namespace {

int ClampDec(int dec) { return dec < 0 ? 0 : dec > 15 ? 15 : dec; }

// 10^0 .. 10^15, all exact in a double.
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The text of m / 10^dec as FormatFixedTo lays it out: "-" for a negative m, the integer
// digits without leading zeros ("0" when none), then "." and dec decimals.
size_t LayOutScaled(int64_t m, int dec, char* out) {
  const bool negative = m < 0;
  uint64_t u = negative ? 0 - static_cast<uint64_t>(m) : static_cast<uint64_t>(m);
  char reversed[24];
  int n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  while (n < dec + 1) reversed[n++] = '0';
  size_t k = 0;
  if (negative) out[k++] = '-';
  for (int i = n - 1; i >= dec; --i) out[k++] = reversed[i];
  if (dec > 0) {
    out[k++] = '.';
    for (int i = dec - 1; i >= 0; --i) out[k++] = reversed[i];
  }
  return k;
}

size_t FormatFixedByDigits(double x, int dec, char* out);

}  // namespace

// |x| is taken as it reads at 15 significant digits (digits[0..count), the decimal point
// after int_digits of them, which may be <= 0 or > count), rounded half away from zero to
// `dec` decimals, and laid out without leading zeros.
size_t FormatFixedTo(double x, int dec, char* out) {
  dec = ClampDec(dec);
  // The common case first: x is the double nearest to a number m / 10^dec of at most 15
  // digits. x * 10^dec then rounds to m exactly, x lies within 2^-53 |x| of m / 10^dec,
  // well inside half a unit of its 15th digit, so the digits below say m and nothing
  // beyond the decimals is rounded.
  const double scaled = x * kPowersOfTen[dec];
  if (std::fabs(scaled) < 1e15) {
    const double m = std::nearbyint(scaled);
    if (m == scaled) return LayOutScaled(static_cast<int64_t>(m), dec, out);
  }
  return FormatFixedByDigits(x, dec, out);
}

namespace {

size_t FormatFixedByDigits(double x, int dec, char* out) {
  char digits[20];
  int count = 1;
  int int_digits = 1;
  bool negative = false;
  digits[0] = '0';
  if (std::isfinite(x) && x != 0.0) {
    negative = x < 0;
    char sci[40];  // d.dddddddddddddde±XX
    auto r = std::to_chars(sci, sci + sizeof sci, std::fabs(x), std::chars_format::scientific, 14);
    const char* e = std::find(sci, r.ptr, 'e');
    for (const char* p = sci + 2; p < e; ++p) digits[count++] = *p;
    digits[0] = sci[0];
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), r.ptr, exponent);
    int_digits = exponent + 1;
  }
  const int keep = int_digits + dec;  // digits kept; at most zero: everything rounds away
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
  // The text is laid out from out[1]; the sign, once known, goes in front of it.
  char* text = out + 1;
  size_t n = 0;
  int first = 0;
  while (first < int_digits && digit_at(first) == '0') ++first;
  bool zero = first >= int_digits;
  if (zero) text[n++] = '0';
  for (int i = first; i < int_digits; ++i) text[n++] = digit_at(i);
  if (dec > 0) {
    text[n++] = '.';
    for (int i = 0; i < dec; ++i) {
      const char c = digit_at(int_digits + i);
      zero = zero && c == '0';
      text[n++] = c;
    }
  }
  if (negative && !zero) {
    out[0] = '-';
    return n + 1;
  }
  std::memmove(out, text, n);
  return n;
}

}  // namespace

std::string FormatFixed(double x, int dec) {
  char text[kFixedTextMax];
  return std::string(text, FormatFixedTo(x, dec, text));
}

namespace {

// The rounding through the decimal text, for every value.
double RoundThroughText(double x, int dec) {
  char text[kFixedTextMax];
  const size_t n = FormatFixedTo(x, dec, text);
  double out = 0;
  std::from_chars(text, text + n, out);
  return out;
}

}  // namespace

// The same result as rounding the decimal text, without the text when the answer is
// plain: |x| * 10^dec is computed with an error far below what separates its fraction
// from one half, so the 15-digit reading cannot move it across; near a half (or for
// values too large to scale exactly) the text decides. n / 10^dec with both exact is
// the double nearest to the decimal result, as reading that text gives.
double RoundHalfAway(double x, int dec) {
  if (!std::isfinite(x)) return x;
  dec = dec < 0 ? 0 : dec > 15 ? 15 : dec;
  const double scale = kPowersOfTen[dec];
  const double scaled = std::fabs(x) * scale;
  if (scaled >= 1e15) return RoundThroughText(x, dec);
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  const double margin = scaled * 1e-14 + 1e-15;
  if (std::fabs(fraction - 0.5) <= margin) return RoundThroughText(x, dec);
  const double n = fraction > 0.5 ? whole + 1 : whole;
  if (n == 0) return 0.0;
  return x < 0 ? -(n / scale) : n / scale;
}

double NewRound(double x, int dec) { return RoundHalfAway(x < 0 ? x - 0.00000001 : x + 0.00000001, dec); }

double MRound(double x, int dec) { return RoundHalfAway(x + 0.000000001, dec); }

void AppendStr(double x, int width, int dec, std::string* out) {
  if (width <= 0) width = 10;
  char text[kFixedTextMax];
  const size_t n = FormatFixedTo(x, dec, text);
  if (n > static_cast<size_t>(width)) {
    out->append(static_cast<size_t>(width), '*');
    return;
  }
  out->append(static_cast<size_t>(width) - n, ' ');
  out->append(text, n);
}

std::string Str(double x, int width, int dec) {
  std::string out;
  AppendStr(x, width, dec, &out);
  return out;
}

double Val(std::string_view text) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  const size_t start = i;
  // Up to 15 digits the number is m / 10^decimals with both exact: the quotient is the
  // correctly rounded value from_chars gives.
  uint64_t m = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++count <= 15) {
        m = m * 10 + static_cast<uint64_t>(c - '0');
        decimals += point ? 1 : 0;
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (count == 0) return 0.0;
  double out = 0;
  if (count <= 15) {
    out = static_cast<double>(m) / kPowersOfTen[decimals];
  } else {
    std::from_chars(text.data() + start, text.data() + i, out);
  }
  return negative ? -out : out;
}

std::string NumericFieldText(double x, int width, int dec) {
  if (!std::isfinite(x)) return {};
  char text[kFixedTextMax];
  const size_t n = FormatFixedTo(x, dec, text);
  if (n > static_cast<size_t>(width)) return {};
  return std::string(static_cast<size_t>(width) - n, ' ').append(text, n);
}

bool SameAmount(double a, double b, int dec) { return FormatFixed(a, dec) == FormatFixed(b, dec); }

}  // namespace hurt
