#include "base/slownie.h"

#include <array>
#include <string_view>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"

namespace hurt {

namespace {

using namespace hurt::literals;

constexpr std::array<std::string_view, 10> kUnits = {
    "",         "jeden "_pl, "dwa "_pl,   "trzy "_pl,  "cztery "_pl,
    "pięć "_pl, "sześć "_pl, "siedem "_pl, "osiem "_pl, "dziewięć "_pl,
};
constexpr std::array<std::string_view, 10> kTeens = {
    "dziesięć "_pl,    "jedenaście "_pl,   "dwanaście "_pl,     "trzynaście "_pl,
    "czternaście "_pl, "piętnaście "_pl,   "szesnaście "_pl,    "siedemnaście "_pl,
    "osiemnaście "_pl, "dziewiętnaście "_pl,
};
constexpr std::array<std::string_view, 10> kTens = {
    "",
    "dziesięć "_pl,
    "dwadzieścia "_pl,
    "trzydzieści "_pl,
    "czterdzieści "_pl,
    "pięćdziesiąt "_pl,
    "sześćdziesiąt "_pl,
    "siedemdziesiąt "_pl,
    "osiemdziesiąt "_pl,
    "dziewięćdziesiąt "_pl,
};
constexpr std::array<std::string_view, 10> kHundreds = {
    "",
    "sto "_pl,
    "dwieście "_pl,
    "trzysta "_pl,
    "czterysta "_pl,
    "pięćset "_pl,
    "sześćset "_pl,
    "siedemset "_pl,
    "osiemset "_pl,
    "dziewięćset "_pl,
};

struct GroupNoun {
  std::string_view one;       // exactly 1
  std::string_view few;       // ending in 2, 3, 4 (not 12-14)
  std::string_view many;      // every other case
};
constexpr GroupNoun kMillions = {"milion "_pl, "miliony "_pl, "milionów "_pl};
constexpr GroupNoun kThousands = {"tysiąc "_pl, "tysiące "_pl, "tysięcy "_pl};

constexpr std::string_view kRefund = "KWOTA DO ZWROTU ";

// A group of up to three digits in words, with its noun when it has one.
void AppendGroup(std::string& out, int group, const GroupNoun* noun) {
  int h = group / 100, t = group / 10 % 10, u = group % 10;
  if (h > 0) out += kHundreds[static_cast<size_t>(h)];
  if (t >= 2) {
    out += kTens[static_cast<size_t>(t)];
    if (u > 0) out += kUnits[static_cast<size_t>(u)];
  } else if (t == 1) {
    out += kTeens[static_cast<size_t>(u)];
  } else if (u > 0) {
    out += kUnits[static_cast<size_t>(u)];
  }
  if (noun == nullptr || group == 0) return;
  if (group == 1) {
    out += noun->one;
  } else if (t != 1 && u >= 2 && u <= 4) {
    out += noun->few;
  } else {
    out += noun->many;
  }
}

// 0 … 999 999 999 in words.
std::string WholeInWords(long whole) {
  std::string out;
  AppendGroup(out, static_cast<int>(whole / 1000000), &kMillions);
  AppendGroup(out, static_cast<int>(whole / 1000 % 1000), &kThousands);
  AppendGroup(out, static_cast<int>(whole % 1000), nullptr);
  return out;
}

// An amount taken apart at 2 decimals, exactly as its text reads.
struct Amount {
  bool negative = false;
  std::string whole_digits;  // no sign, no leading zeros ("0" for none)
  int cents = 0;
};

Amount Split(double x) {
  Amount a;
  std::string text = FormatFixed(NewRound(x, 2), 2);  // "-1234.05"; no sign for zero
  if (!text.empty() && text[0] == '-') {
    a.negative = true;
    text.erase(0, 1);
  }
  size_t point = text.find('.');
  a.whole_digits = text.substr(0, point);
  a.cents = (text[point + 1] - '0') * 10 + (text[point + 2] - '0');
  return a;
}

bool FitsInWords(const Amount& a) { return a.whole_digits.size() <= 9; }

// The words of the whole part, ending with a blank (digits for the very large).
std::string WholePart(const Amount& a) {
  if (!FitsInWords(a)) return a.whole_digits + " ";
  return WholeInWords(std::stol(a.whole_digits));
}

}  // namespace

std::string Slownie(double x) {
  Amount a = Split(x);
  std::string cents = a.cents != 0 ? " " + std::to_string(a.cents) + "/100" : std::string();
  std::string out;
  if (!FitsInWords(a)) {
    out = AllTrim(a.whole_digits + " " + cents);
  } else {
    out = WholeInWords(std::stol(a.whole_digits)) + cents;
  }
  return a.negative ? std::string(kRefund) + out : out;
}

std::string SlownieKwoty(double amount, std::string_view waluta) {
  std::string currency = Upper(AllTrim(waluta));
  bool zloty = currency.empty() || currency == "PLN";
  Amount a = Split(amount);
  if (!zloty || a.cents == 0) return Slownie(amount);
  std::string out = a.negative ? std::string(kRefund) : std::string();
  if (a.whole_digits != "0") {
    out += WholePart(a);
    out += "zł. i "_pl;
  }
  AppendGroup(out, a.cents, nullptr);
  out += "gr.";
  return out;
}

bool DwaSlowa(std::string_view text) {
  static constexpr std::string_view kForbidden = R"x(1234567890=\!@#$%^&*()_+|[]{};':/<>?)x";
  std::string name = AllTrim(text);
  if (name.empty()) return false;
  if (name.find_first_of(kForbidden) != std::string::npos) return false;
  size_t blank = name.find(' ');
  return blank != std::string::npos && name.find(' ', blank + 1) == std::string::npos;
}

}  // namespace hurt
