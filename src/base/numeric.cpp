#include "base/numeric.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace hurt {

namespace {

// The decimal digits of |x| at 15 significant digits: digits[0..n) with the decimal
// point after `int_digits` of them (int_digits may be <= 0 or > n).
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading zeros unless the value is zero
  int int_digits = 0;
};

Decimal ToDecimal(double x) {
  Decimal d;
  if (!std::isfinite(x) || x == 0.0) {
    d.digits = "0";
    d.int_digits = 1;
    return d;
  }
  d.negative = x < 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));  // d.dddddddddddddde±XX
  std::string s(buf);
  size_t e = s.find('e');
  int exponent = std::atoi(s.c_str() + e + 1);
  d.digits = s.substr(0, 1) + s.substr(2, e - 2);
  d.int_digits = exponent + 1;
  return d;
}

// Rounds the decimal to `dec` decimals (half away from zero) and renders it.
std::string RenderRounded(const Decimal& in, int dec) {
  // Digits kept: int_digits + dec (may be zero or negative: everything rounds away).
  std::string digits = in.digits;
  int int_digits = in.int_digits;
  int keep = int_digits + dec;
  if (keep < 0) {
    digits = "0";
    int_digits = 1;
  } else if (keep < static_cast<int>(digits.size())) {
    bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
      if (i >= 0) {
        ++digits[static_cast<size_t>(i)];
      } else {
        digits.insert(digits.begin(), '1');
        ++int_digits;
      }
    }
    if (digits.empty()) {
      digits = "0";
      int_digits = 1;
    }
  }
  // Lay out integer part and decimals.
  std::string int_part, frac_part;
  for (int i = 0; i < int_digits; ++i)
    int_part += i < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(i)] : '0';
  for (int i = 0; i < dec; ++i) {
    int k = int_digits + i;
    frac_part += (k >= 0 && k < static_cast<int>(digits.size())) ? digits[static_cast<size_t>(k)] : '0';
  }
  size_t nz = int_part.find_first_not_of('0');
  int_part = nz == std::string::npos ? "0" : int_part.substr(nz);
  bool zero = int_part == "0" && frac_part.find_first_not_of('0') == std::string::npos;
  std::string out = (in.negative && !zero) ? "-" : "";
  out += int_part;
  if (dec > 0) out += "." + frac_part;
  return out;
}

int ClampDec(int dec) { return dec < 0 ? 0 : dec > 15 ? 15 : dec; }

}  // namespace

std::string FormatFixed(double x, int dec) { return RenderRounded(ToDecimal(x), ClampDec(dec)); }

double RoundHalfAway(double x, int dec) {
  if (!std::isfinite(x)) return x;
  return std::strtod(FormatFixed(x, dec).c_str(), nullptr);
}

double NewRound(double x, int dec) { return RoundHalfAway(x < 0 ? x - 0.00000001 : x + 0.00000001, dec); }

double MRound(double x, int dec) { return RoundHalfAway(x + 0.000000001, dec); }

std::string Str(double x, int width, int dec) {
  if (width <= 0) width = 10;
  dec = ClampDec(dec);
  std::string s = FormatFixed(x, dec);
  if (static_cast<int>(s.size()) > width) return std::string(static_cast<size_t>(width), '*');
  return std::string(static_cast<size_t>(width) - s.size(), ' ') + s;
}

double Val(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string num;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) num += text[i++];
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      num += c;
    } else if (c == '.' && !point) {
      point = true;
      num += c;
    } else {
      break;
    }
  }
  if (num.empty() || num == "-" || num == "+") return 0.0;
  return std::strtod(num.c_str(), nullptr);
}

std::string NumericFieldText(double x, int width, int dec) {
  if (!std::isfinite(x)) return {};
  std::string s = FormatFixed(x, dec);
  if (static_cast<int>(s.size()) > width) return {};
  return std::string(static_cast<size_t>(width) - s.size(), ' ') + s;
}

bool SameAmount(double a, double b, int dec) { return FormatFixed(a, dec) == FormatFixed(b, dec); }

}  // namespace hurt
