#include "session/helpers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"

namespace hurt::session {

using namespace hurt::literals;

namespace {

constexpr int kScreenWidth = 80;
constexpr int kMonthNameWidth = 11;

constexpr std::array<std::string_view, 13> kMonthNames = {
    "Styczen", "Luty",     "Marzec",      "Kwiecien", "Maj",      "Czerwiec", "Lipiec",
    "Sierpien", "Wrzesien", "Pazdziernik", "Listopad", "Grudzien", "Trzynasty",
};

// The month number a text reads as (VAL), 0 when it is not a whole number 1..13.
int MonthOf(std::string_view mm) {
  double v = Val(mm);
  if (v < 1 || v > 13 || v != std::floor(v)) return 0;
  return static_cast<int>(v);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool BeginsWithOneOf(std::string_view x, std::string_view letters) {
  return !x.empty() && letters.find(x.front()) != std::string_view::npos;
}

// The Polish letters of code page 852 with their seven-bit spellings.
struct Spelling {
  std::string_view letter;  // one code page 852 byte
  std::string_view seven_bit;
};

constexpr std::array<Spelling, 18> kSpellings = {{
    {"ą"_pl, "a,"}, {"ć"_pl, "c'"}, {"ę"_pl, "e,"}, {"ł"_pl, "l/"}, {"ń"_pl, "n'"}, {"ó"_pl, "o'"},
    {"ś"_pl, "s'"}, {"ź"_pl, "z'"}, {"ż"_pl, "z-"}, {"Ą"_pl, "A,"}, {"Ć"_pl, "C'"}, {"Ę"_pl, "E,"},
    {"Ł"_pl, "L/"}, {"Ń"_pl, "N'"}, {"Ó"_pl, "O'"}, {"Ś"_pl, "S'"}, {"Ź"_pl, "Z'"}, {"Ż"_pl, "Z-"},
}};

}  // namespace

std::string Centruj(std::string_view text) {
  int blanks = (kScreenWidth - static_cast<int>(text.size())) / 2;
  return Space(static_cast<size_t>(blanks > 0 ? blanks : 0)) + std::string(text);
}

std::string FourDigitYear(std::string_view yy) {
  std::string y = AllTrim(yy);
  if (y.size() != 2) return y;
  return (y[0] == '9' ? "19" : "20") + y;
}

std::string Miesiac(std::string_view mm, std::string_view yy) {
  int month = MonthOf(mm);
  std::string name = month == 0 ? std::string("nieznany   ") : PadL(kMonthNames[static_cast<size_t>(month - 1)], kMonthNameWidth);
  return name + " '" + FourDigitYear(yy);
}

std::string KMies(std::string_view mm, std::string_view yy) {
  int month = MonthOf(mm);
  if (month == 0) return "";
  if (month == 13) return "31";
  std::string year_text = FourDigitYear(yy);
  if (year_text.empty() || year_text.size() > 4 || !std::all_of(year_text.begin(), year_text.end(), IsDigit)) return "";
  int year = std::stoi(year_text);
  if (year < 1) return "";
  return std::to_string(DaysInMonth(year, month));
}

double ADoN(double a, int n) {
  // Widened before negating: -INT_MIN does not fit an int.
  const long long count = std::llabs(static_cast<long long>(n));
  constexpr long long kLoopLimit = 1000;
  double power = 1.0;
  if (count <= kLoopLimit) {
    for (long long i = 0; i < count; ++i) power *= a;
  } else {
    power = std::pow(a, static_cast<double>(count));
  }
  if (n >= 0) return power;
  if (power == 0.0) return 0.0;
  return 1.0 / power;
}

bool TN(std::string_view x) { return BeginsWithOneOf(x, "TN"); }

bool Spr(std::string_view x) { return BeginsWithOneOf(x, "ABCD"); }

std::string L(char c) {
  for (const Spelling& s : kSpellings)
    if (s.letter.front() == c) return std::string(s.seven_bit);
  return std::string(1, c);
}

std::string SevenBitText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) out += L(c);
  return out;
}

}  // namespace hurt::session
