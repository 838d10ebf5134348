#include "base/picture.h"

#include <cmath>
#include <cstdlib>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"

namespace hurt {

Picture ParsePicture(std::string_view picture) {
  Picture p;
  if (picture.empty() || picture[0] != '@') {
    p.mask = std::string(picture);
    return p;
  }
  size_t end = picture.find(' ');
  std::string_view functions = picture.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
  if (end != std::string_view::npos) p.mask = std::string(picture.substr(end + 1));
  for (size_t i = 0; i < functions.size(); ++i) {
    switch (UpperPlChar(functions[i])) {
      case 'Z': p.blank_zero = true; break;
      case 'E': p.european = true; break;
      case 'K': p.clear_on_key = true; break;
      case '!': p.upper = true; break;
      case 'R': p.insert_literals = true; break;
      case 'B': p.left_justify = true; break;
      case '(': p.parentheses = true; break;
      case 'C': p.credit = true; break;
      case 'X': p.debit = true; break;
      case 'S': {
        int n = 0;
        while (i + 1 < functions.size() && functions[i + 1] >= '0' && functions[i + 1] <= '9' && n < 10'000)
          n = n * 10 + (functions[++i] - '0');
        p.scroll_width = n;
        break;
      }
      default: break;  // D, T and unknown letters change nothing here
    }
  }
  return p;
}

bool IsMaskSymbol(char c) {
  switch (c) {
    case '9': case '#': case 'X': case 'x': case 'A': case 'a': case 'N': case 'n':
    case '!': case 'L': case 'l': case 'Y': case 'y': case '*': case '$':
      return true;
    default:
      return false;
  }
}

bool IsDigitSymbol(char c) { return c == '9' || c == '#' || c == '*' || c == '$'; }

bool IsCp852Letter(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) return true;
  if (b < 0x80) return false;
  char32_t cp = Cp852ToUnicode(b);
  return cp >= 0xC0 && cp <= 0x17F && cp != 0xD7 && cp != 0xF7;
}

std::string DefaultNumberMask(int decimals) {
  std::string mask(10, '9');
  if (decimals > 0) mask += "." + std::string(static_cast<size_t>(decimals), '9');
  return mask;
}

namespace {

// STR()-like text of a number without a template: only the decimals it has (at most six).
std::string PlainNumber(double value) {
  std::string s = FormatFixed(value, 6);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s.size() < 10 ? std::string(10 - s.size(), ' ') + s : s;
}

std::string SwapSeparators(std::string s) {
  for (char& c : s) {
    if (c == '.') c = ',';
    else if (c == ',') c = '.';
  }
  return s;
}

// Every digit position of the template as "*", separators kept: a number too wide.
std::string Overflow(const Picture& p, size_t point) {
  std::string out = p.mask;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsDigitSymbol(out[i])) out[i] = '*';
    else if (i == point) out[i] = p.european ? ',' : '.';
    else if (out[i] == ',') out[i] = p.european ? '.' : ',';
  }
  return out;
}

}  // namespace

std::string TransformNumber(double value, std::string_view picture) {
  return TransformNumber(value, ParsePicture(picture));
}

std::string TransformNumber(double value, const Picture& p) {
  if (!std::isfinite(value)) value = 0.0;
  if (p.mask.empty()) {
    std::string s = PlainNumber(value);
    if (p.blank_zero && FormatFixed(value, 6).find_first_not_of("-0.") == std::string::npos)
      return std::string(s.size(), ' ');
    if (p.left_justify) s = PadR(LTrim(s), s.size());
    return p.european ? SwapSeparators(s) : s;
  }

  const std::string& mask = p.mask;
  size_t point = mask.find('.');
  size_t int_end = point == std::string::npos ? mask.size() : point;
  int int_slots = 0;
  int dec = 0;
  for (size_t i = 0; i < mask.size(); ++i) {
    if (!IsDigitSymbol(mask[i])) continue;
    if (i < int_end) ++int_slots;
    else ++dec;
  }

  std::string fixed = FormatFixed(std::fabs(value), dec);
  size_t dot = fixed.find('.');
  std::string int_text = fixed.substr(0, dot);
  std::string dec_text = dot == std::string::npos ? "" : fixed.substr(dot + 1);
  bool zero = fixed.find_first_not_of("0.") == std::string::npos;
  bool negative = value < 0 && !zero;

  if (p.blank_zero && zero) return std::string(mask.size(), ' ');

  bool minus = negative && !p.parentheses && !p.debit;
  auto needed = [&] { return static_cast<int>(int_text.size()) + (minus ? 1 : 0); };
  if (int_text == "0" && (int_slots == 0 || needed() > int_slots)) int_text.clear();  // ".50", "-.50"
  if (needed() > int_slots) return Overflow(p, point);

  const char thousands = p.european ? '.' : ',';
  std::string out = mask;
  size_t k = int_text.size();
  bool sign_pending = minus;
  for (size_t i = int_end; i-- > 0;) {
    char c = mask[i];
    if (IsDigitSymbol(c)) {
      if (k > 0) {
        out[i] = int_text[--k];
      } else if (sign_pending) {
        out[i] = '-';
        sign_pending = false;
      } else {
        out[i] = (c == '*' || c == '$') ? c : ' ';
      }
    } else if (c == ',') {
      if (k > 0) {
        out[i] = thousands;
      } else if (sign_pending) {
        out[i] = '-';
        sign_pending = false;
      } else {
        out[i] = ' ';
      }
    }
  }
  if (point != std::string::npos) {
    out[point] = p.european ? ',' : '.';
    size_t j = 0;
    for (size_t i = point + 1; i < mask.size(); ++i) {
      if (IsDigitSymbol(mask[i])) out[i] = j < dec_text.size() ? dec_text[j++] : '0';
      else if (mask[i] == ',') out[i] = thousands;
    }
  }

  if (p.parentheses && negative) {
    std::string body = LTrim(out);
    if (body.size() + 2 > out.size()) return Overflow(p, point);
    out = PadL("(" + body + ")", out.size());
  }
  if (p.left_justify) out = PadR(LTrim(out), out.size());
  if (p.credit) out += (!negative && !zero) ? " CR" : "   ";
  if (p.debit) out += negative ? " DB" : "   ";
  return out;
}

std::string TransformText(std::string_view text, std::string_view picture) {
  return TransformText(text, ParsePicture(picture));
}

std::string TransformText(std::string_view text, const Picture& p) {
  if (p.mask.empty()) return p.upper ? UpperPl(text) : std::string(text);
  std::string out;
  out.reserve(p.mask.size());
  size_t si = 0;
  for (char c : p.mask) {
    if (IsMaskSymbol(c)) {
      char ch = si < text.size() ? text[si] : ' ';
      ++si;
      if (c == '!' || p.upper) ch = UpperPlChar(ch);
      out += ch;
    } else {
      out += c;
      if (!p.insert_literals) ++si;  // the literal stands in for the value's character
    }
  }
  return out;
}

std::string TransformDate(JulianDay day, std::string_view /*picture*/) { return Dtoc(day); }

std::string TransformLogical(bool value, std::string_view picture) {
  Picture p = ParsePicture(picture);
  bool yes_no = !p.mask.empty() && (p.mask[0] == 'Y' || p.mask[0] == 'y');
  if (yes_no) return value ? "Y" : "N";
  return value ? "T" : "F";
}

std::optional<char> AcceptTyped(char symbol, char typed, bool numeric, bool upper) {
  unsigned char b = static_cast<unsigned char>(typed);
  if (b < 0x20 || b == 0x7F) return std::nullopt;
  bool digit = typed >= '0' && typed <= '9';
  bool sign = typed == '-' || typed == '+';
  std::optional<char> out;
  switch (symbol) {
    case '9':
      if (digit || (numeric && sign)) out = typed;
      break;
    case '*': case '$':
      if (digit || sign) out = typed;
      break;
    case '#':
      if (digit || sign || typed == ' ') out = typed;
      break;
    case 'A': case 'a':
      if (IsCp852Letter(typed)) out = typed;
      break;
    case 'N': case 'n':
      if (digit || IsCp852Letter(typed)) out = typed;
      break;
    case 'X': case 'x':
      out = typed;
      break;
    case '!':
      out = UpperPlChar(typed);
      break;
    case 'L': case 'l': {
      char u = UpperPlChar(typed);
      if (u == 'T' || u == 'Y') out = 'T';
      else if (u == 'F' || u == 'N') out = 'F';
      break;
    }
    case 'Y': case 'y': {
      char u = UpperPlChar(typed);
      if (u == 'T' || u == 'Y') out = 'Y';
      else if (u == 'F' || u == 'N') out = 'N';
      break;
    }
    default:
      break;
  }
  if (out && upper) out = UpperPlChar(*out);
  return out;
}

double UntransformNumber(std::string_view text, const Picture& p) {
  std::string clean;
  bool negative = false;
  char point = p.european ? ',' : '.';
  for (char c : text) {
    if (c >= '0' && c <= '9') clean += c;
    else if (c == point) clean += '.';
    else if (c == '-' || c == '(') negative = true;
  }
  double v = Val(clean);
  return negative ? -v : v;
}

}  // namespace hurt
