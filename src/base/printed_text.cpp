#include "base/printed_text.h"

#include <array>

#include "base/cp852.h"

namespace hurt {

namespace {

using namespace hurt::literals;

struct OverstrikeLetter {
  std::string_view letter;  // the code page 852 byte
  char base;
  char mark;
};

constexpr std::array<OverstrikeLetter, 12> kOverstrike = {{
    {"ą"_pl, 'a', ','}, {"ę"_pl, 'e', ','}, {"ć"_pl, 'c', '\''}, {"ś"_pl, 's', '\''},
    {"ó"_pl, 'o', '\''}, {"ł"_pl, 'l', '/'},  {"Ą"_pl, 'A', ','}, {"Ę"_pl, 'E', ','},
    {"Ć"_pl, 'C', '\''}, {"Ś"_pl, 'S', '\''}, {"Ó"_pl, 'O', '\''}, {"Ł"_pl, 'L', '/'},
}};

constexpr std::array<OverstrikeLetter, 12> kLAndAcute = {{
    {"ł"_pl, 'l', '/'},  {"Ł"_pl, 'L', '/'},  {"ć"_pl, 'c', '\''}, {"Ć"_pl, 'C', '\''},
    {"ń"_pl, 'n', '\''}, {"Ń"_pl, 'N', '\''}, {"ó"_pl, 'o', '\''}, {"Ó"_pl, 'O', '\''},
    {"ś"_pl, 's', '\''}, {"Ś"_pl, 'S', '\''}, {"ź"_pl, 'z', '\''}, {"Ź"_pl, 'Z', '\''},
}};

template <size_t N>
std::string Spell(std::string_view cp852, const std::array<OverstrikeLetter, N>& letters) {
  std::string out;
  out.reserve(cp852.size() + 8);
  for (char c : cp852) {
    const OverstrikeLetter* found = nullptr;
    for (const OverstrikeLetter& l : letters)
      if (l.letter[0] == c) found = &l;
    if (found == nullptr) {
      out += c;
      continue;
    }
    out += found->base;
    out += kBackspace;
    out += found->mark;
  }
  return out;
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) c = ' ';
  }
  return out;
}

std::string Overstrike(std::string_view cp852) { return Spell(cp852, kOverstrike); }

std::string OverstrikeLAndAcute(std::string_view cp852) { return Spell(cp852, kLAndAcute); }

namespace {

constexpr char kEsc = 27;

// The letter `base` struck over by `mark` (either order), or 0.
char JoinedLetter(char a, char b) {
  static constexpr std::array<OverstrikeLetter, 18> kAll = {{
      {"ą"_pl, 'a', ','},  {"ę"_pl, 'e', ','},  {"ć"_pl, 'c', '\''}, {"ń"_pl, 'n', '\''}, {"ó"_pl, 'o', '\''},
      {"ś"_pl, 's', '\''}, {"ź"_pl, 'z', '\''}, {"ł"_pl, 'l', '/'},  {"ż"_pl, 'z', '.'},  {"Ą"_pl, 'A', ','},
      {"Ę"_pl, 'E', ','},  {"Ć"_pl, 'C', '\''}, {"Ń"_pl, 'N', '\''}, {"Ó"_pl, 'O', '\''}, {"Ś"_pl, 'S', '\''},
      {"Ź"_pl, 'Z', '\''}, {"Ł"_pl, 'L', '/'},  {"Ż"_pl, 'Z', '.'},
  }};
  for (const OverstrikeLetter& l : kAll) {
    const char mark_b = b == '-' && l.mark == '.' ? '.' : b;
    const char mark_a = a == '-' && l.mark == '.' ? '.' : a;
    if ((a == l.base && mark_b == l.mark) || (b == l.base && mark_a == l.mark)) return l.letter[0];
  }
  return 0;
}

// How many bytes the ESC sequence starting at `at` takes (ESC included).
size_t EscLength(std::string_view s, size_t at) {
  const size_t rest = s.size() - at;
  if (rest < 2) return rest;
  const char c = s[at + 1];
  if (c == '(' || c == ')' || c == '&' || c == '*') {
    // PCL: parameters up to a capital letter or "@" that ends the sequence.
    size_t i = at + 2;
    while (i < s.size() && !((s[i] >= 'A' && s[i] <= 'Z') || s[i] == '@')) ++i;
    return std::min(rest, i - at + 1);
  }
  switch (c) {
    case '!': case 'W': case '-': case '3': case 'A': case '+': case 'J': case 'l': case 'Q': case 'U':
    case 'x': case 'k': case 't': case 'R': case 'S': case 'p': case 'C':
      return std::min<size_t>(rest, 3);
    case '$': case '\\':
      return std::min<size_t>(rest, 4);
    default:
      return 2;
  }
}

}  // namespace

std::string ShownOnScreen(std::string_view line) {
  bool plain = true;
  for (char c : line) plain = plain && static_cast<unsigned char>(c) >= 32;
  if (plain) return std::string(line);
  std::string out;
  out.reserve(line.size());
  size_t column = 0;  // where the next character goes: a backspace moves it back
  for (size_t i = 0; i < line.size();) {
    const char c = line[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == kEsc) {
      i += EscLength(line, i);
      continue;
    }
    ++i;
    if (c == kBackspace) {
      if (column > 0) --column;
      continue;
    }
    if (c == '\r') {
      column = 0;
      continue;
    }
    if (c == '\t') {
      const size_t next = (column / 8 + 1) * 8;
      if (out.size() < next) out.append(next - out.size(), ' ');
      column = next;
      continue;
    }
    if (byte < 32 || byte == 127) continue;
    if (column >= out.size()) {
      out.append(column - out.size(), ' ');
      out += c;
    } else {
      char& under = out[column];
      if (const char joined = JoinedLetter(under, c)) {
        under = joined;
      } else if (c != ' ' && c != '_' && c != under) {
        under = c;
      }
    }
    ++column;
  }
  return out;
}

size_t PrintedWidth(std::string_view text) {
  size_t column = 0;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == kBackspace) {
      if (column > 0) --column;
    } else if (byte >= 32) {
      ++column;
    }
  }
  return column;
}

std::string PadPrinted(std::string_view text, size_t width) {
  std::string out(text);
  size_t used = PrintedWidth(text);
  if (used < width) out.append(width - used, ' ');
  return out;
}

}  // namespace hurt
