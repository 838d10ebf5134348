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
