#include "base/text.h"

#include "base/cp852.h"

namespace hurt {

std::string RTrim(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s.substr(0, n));
}

std::string LTrim(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return std::string(s.substr(i));
}

std::string AllTrim(std::string_view s) { return LTrim(RTrim(s)); }

std::string PadR(std::string_view s, size_t n, char fill) {
  if (s.size() >= n) return std::string(s.substr(0, n));
  return std::string(s) + std::string(n - s.size(), fill);
}

std::string PadL(std::string_view s, size_t n, char fill) {
  if (s.size() >= n) return std::string(s.substr(0, n));
  return std::string(n - s.size(), fill) + std::string(s);
}

std::string PadC(std::string_view s, size_t n, char fill) {
  if (s.size() >= n) return std::string(s.substr(0, n));
  size_t left = (n - s.size()) / 2;
  return std::string(left, fill) + std::string(s) + std::string(n - s.size() - left, fill);
}

std::string Replicate(std::string_view s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

std::string Substr(std::string_view s, long start, long len) {
  if (start <= 0) start = 1;  // xBase treats 0 as 1
  size_t from = static_cast<size_t>(start - 1);
  if (from >= s.size() || len == 0) return {};
  if (len < 0) return std::string(s.substr(from));
  return std::string(s.substr(from, static_cast<size_t>(len)));
}

std::string Left(std::string_view s, long n) {
  if (n <= 0) return {};
  return std::string(s.substr(0, static_cast<size_t>(n)));
}

std::string Right(std::string_view s, long n) {
  if (n <= 0) return {};
  size_t k = static_cast<size_t>(n);
  return k >= s.size() ? std::string(s) : std::string(s.substr(s.size() - k));
}

size_t At(std::string_view needle, std::string_view s) {
  if (needle.empty()) return 0;
  size_t p = s.find(needle);
  return p == std::string_view::npos ? 0 : p + 1;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

char UpperPlChar(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  using namespace literals;
  static constexpr std::string_view kLower = "ąćęłńóśźż"_pl;
  static constexpr std::string_view kUpper = "ĄĆĘŁŃÓŚŹŻ"_pl;
  size_t p = kLower.find(c);
  return p == std::string_view::npos ? c : kUpper[p];
}

std::string UpperPl(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperPlChar(c);
  return out;
}

bool XbaseEquals(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool IsBlank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\r' && c != '\n' && c != '\t') return false;
  return true;
}

std::string RemoveBlanks(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != ' ') out += c;
  return out;
}

std::string XmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

}  // namespace hurt
