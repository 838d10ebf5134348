#include "devices/fiscal_text.h"

#include <array>
#include <cmath>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"

namespace hurt::devices {
namespace {

constexpr std::array<char, 256> MakeLetterMap() {
  std::array<char, 256> map{};
  for (int i = 0; i < 256; ++i) map[static_cast<size_t>(i)] = static_cast<char>(i);
  auto set = [&map](std::initializer_list<int> bytes, char letter) {
    for (int b : bytes) map[static_cast<size_t>(b)] = letter;
  };
  set({0xA5, 0xA4}, 'A');
  set({0x8F, 0x86, 0x95}, 'C');
  // 0x8D is the Mazovia "ć" and the code page 852 "Ź"; the program's own text is code page
  // 852, so "ŹRÓDŁO" prints as "ZRODLO", not "CRODLO".
  set({0x90, 0x91, 0xA8, 0xA9}, 'E');
  set({0x9C, 0x92, 0x9D, 0x88}, 'L');
  set({0xE3, 0xE4}, 'N');
  set({0xA3, 0xA2, 0xE0}, 'O');
  set({0x98, 0x9E, 0x97}, 'S');
  set({0xA1, 0xA7, 0xBD, 0xBE, 0xA0, 0xA6, 0xAB, 0x8D}, 'Z');
  set({'/'}, 'x');
  return map;
}
constexpr std::array<char, 256> kLetterMap = MakeLetterMap();

// The plain letter of a Polish one (same case); 0 for any other character.
char PlainOf(char32_t cp) {
  switch (cp) {
    case U'ą': return 'a';
    case U'Ą': return 'A';
    case U'ć': return 'c';
    case U'Ć': return 'C';
    case U'ę': return 'e';
    case U'Ę': return 'E';
    case U'ł': return 'l';
    case U'Ł': return 'L';
    case U'ń': return 'n';
    case U'Ń': return 'N';
    case U'ó': return 'o';
    case U'Ó': return 'O';
    case U'ś': return 's';
    case U'Ś': return 'S';
    case U'ź': case U'ż': return 'z';
    case U'Ź': case U'Ż': return 'Z';
    default: return 0;
  }
}

std::string FitTo(std::string_view s, size_t n) { return PadR(Left(s, static_cast<long>(n)), n); }

}  // namespace

std::string MapFiscalLetters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(kLetterMap[static_cast<unsigned char>(c)]);
  return out;
}

std::string FiscalNameCharacters(std::string_view text) {
  std::string out;
  for (char c : MapFiscalLetters(text)) {
    if (kFiscalNameCharacters.find(c) != std::string_view::npos) out.push_back(c);
  }
  return RTrim(out);
}

std::string PlainText(std::string_view cp852) {
  std::string out;
  out.reserve(cp852.size());
  for (char c : cp852) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 128) {
      out.push_back(c);
      continue;
    }
    if (char plain = PlainOf(Cp852ToUnicode(b))) out.push_back(plain);
  }
  return out;
}

std::string DfWiersz(std::string_view name, std::string_view rate_letter, std::string_view unit,
                     const LineNameRules& rules) {
  std::string n = FiscalNameCharacters(name);
  if (rules.export_kind) n = "(" + n;
  const std::string rate(rate_letter);
  if (rules.narrow) {
    if (n.size() > 22) n = Left(LTrim(n), 22);
    if (rules.from_2011) n = FitTo(n, 20) + " " + rate;
  } else if (rules.from_2011) {
    n = FitTo(n, 28) + " " + rate;
  }
  if (rules.unit_at_end) {
    const std::string jm = AllTrim(unit);
    n = Left(n, static_cast<long>(n.size() >= 2 ? n.size() - 2 : 0)) + " " + jm;
  }
  return n;
}

std::string FunPtu(std::string_view podatek0, const PtuTable& ptu) {
  const std::string code = AllTrim(podatek0);
  const std::pair<const std::string*, const char*> order[] = {
      {&ptu.a, "A"}, {&ptu.c, "C"}, {&ptu.b, "B"}, {&ptu.d, "D"}, {&ptu.e, "E"}, {&ptu.f, "F"}};
  for (const auto& [value, letter] : order) {
    if (AllTrim(*value) == code) return letter;
  }
  if (AllTrim(ptu.z) == code || code == "NP") return "Z";
  return "A";
}

std::string FunPtuDigit(std::string_view podatek0, const PtuTable& ptu) {
  const std::string letter = FunPtu(podatek0, ptu);
  if (letter == "Z") return "6";
  return PtuL(letter);
}

std::string PtuL(std::string_view letter) {
  if (letter.size() == 1 && letter[0] >= 'A' && letter[0] <= 'G') return std::string(1, static_cast<char>('0' + (letter[0] - 'A')));
  return "0";
}

std::string Amount10(double x) { return Str(NewRound(x, 2), 10, 2); }

std::string AmountTrimmed(double x) { return AllTrim(TransformNumber(NewRound(x, 2), "9999999.99")); }

std::string Quantity11(double q, bool three_decimals) {
  if (q == std::floor(q)) return Str(q, 11);
  return Str(q, 11, three_decimals ? 3 : 2);
}

long long Grosze(double x) { return static_cast<long long>(std::llround(NewRound(x, 2) * 100.0)); }

std::vector<std::string> WrapBuyer(std::string_view text, size_t width) {
  std::vector<std::string> lines;
  std::string rest = AllTrim(text);
  if (rest.empty() || width == 0) return {std::string()};
  while (!rest.empty()) {
    rest = LTrim(rest);
    if (rest.size() <= width) {
      lines.push_back(rest);
      break;
    }
    if (rest[width] == ' ') {  // a blank just after the width
      lines.push_back(RTrim(rest.substr(0, width)));
      rest = rest.substr(width + 1);
      continue;
    }
    size_t cut = std::string::npos;
    for (size_t i = width; i-- > 0;) {
      const char c = rest[i];
      if (c == ' ' || c == ',' || c == '.' || c == '/') {
        cut = i;
        break;
      }
    }
    if (cut == std::string::npos || cut == 0) {
      lines.push_back(rest.substr(0, width));
      rest = rest.substr(width);
    } else if (rest[cut] == ' ') {
      lines.push_back(RTrim(rest.substr(0, cut)));
      rest = rest.substr(cut + 1);
    } else {
      lines.push_back(rest.substr(0, cut + 1));
      rest = rest.substr(cut + 1);
    }
  }
  return lines;
}

std::vector<std::string> BuyerLines(const BuyerAddress& buyer, size_t width) {
  std::string name;
  for (const std::string* part : {&buyer.nodb, &buyer.nodb1, &buyer.nodb2}) {
    const std::string t = AllTrim(*part);
    if (t.empty()) continue;
    if (!name.empty()) name += " ";
    name += t;
  }
  name = PlainText(name);
  const std::string ulica = PlainText(AllTrim(buyer.ulica));
  const std::string kod = AllTrim(buyer.kod);
  const std::string miasto = PlainText(AllTrim(buyer.miasto));
  std::vector<std::string> lines = WrapBuyer(name, width);
  if (lines.size() <= 3) {
    if (!ulica.empty()) {
      const std::string street = Upper(Left(ulica, 3)) == "UL." ? ulica : "ul. " + ulica;
      for (std::string& l : WrapBuyer(street, width)) lines.push_back(std::move(l));
    }
    const std::string place = AllTrim(kod + " " + miasto);
    if (!place.empty()) {
      for (std::string& l : WrapBuyer(place, width)) lines.push_back(std::move(l));
    }
    return lines;
  }
  std::string all = name;
  for (const std::string* part : {&kod, &miasto, &ulica}) {
    if (!part->empty()) all += " " + *part;
  }
  return WrapBuyer(all, width);
}

}  // namespace hurt::devices
