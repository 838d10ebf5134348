#include "invoicing/edi_syntax.h"

#include <cmath>
#include <limits>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"

namespace hurt::invoicing::edi {

namespace {

// The base letter of each character U+00C0..U+017F (Latin-1 Supplement and Latin
// Extended-A), "Ł" → "L", "ś" → "s"; "×" and "÷" as "x" and "/".
constexpr std::string_view kBaseLetters =
    "AAAAAAACEEEEIIII"   // U+00C0
    "DNOOOOOxOUUUUYTs"   // U+00D0
    "aaaaaaaceeeeiiii"   // U+00E0
    "dnooooo/ouuuuyty"   // U+00F0
    "AaAaAaCcCcCcCcDd"   // U+0100
    "DdEeEeEeEeEeGgGg"   // U+0110
    "GgGgHhHhIiIiIiIi"   // U+0120
    "IiJjJjKkkLlLlLlL"   // U+0130
    "lLlNnNnNnnNnOoOo"   // U+0140
    "OoOoRrRrRrSsSsSs"   // U+0150
    "SsTtTtTtUuUuUuUu"   // U+0160
    "UuUuWwYyYZzZzZzs";  // U+0170
static_assert(kBaseLetters.size() == 0x180 - 0xC0);

char PlainChar(unsigned char byte) {
  if (byte < 0x20 || byte == 0x7F) return ' ';
  if (byte < 0x80) return static_cast<char>(byte);
  const char32_t cp = Cp852ToUnicode(byte);
  if (cp >= 0xC0 && cp < 0x180) return kBaseLetters[cp - 0xC0];
  return ' ';
}

bool IsServiceChar(char c) { return c == '+' || c == ':' || c == '\'' || c == kRelease; }

// a / b rounded half away from zero (b > 0).
template <typename Int>
Int DivideHalfAway(Int a, Int b) {
  const Int q = a / b;
  const Int r = a % b;
  const Int twice = (r < 0 ? -r : r) * 2;
  if (twice >= b) return a < 0 ? q - 1 : q + 1;
  return q;
}

__extension__ using Wide = __int128;

int64_t Narrow(Wide x) {
  constexpr Wide kMax = std::numeric_limits<int64_t>::max();
  if (x > kMax || x < -kMax) return 0;
  return static_cast<int64_t>(x);
}

}  // namespace

std::string Value(std::string_view cp852, size_t max_chars) {
  std::string plain;
  for (char raw : cp852) plain += PlainChar(static_cast<unsigned char>(raw));
  plain = AllTrim(plain);
  if (plain.size() > max_chars) plain = RTrim(plain.substr(0, max_chars));
  std::string out;
  for (char c : plain) {
    if (IsServiceChar(c)) out += kRelease;
    out += c;
  }
  return out;
}

template <int Places>
Fixed<Places> Fixed<Places>::Of(double x) {
  if (!std::isfinite(x) || std::fabs(x) >= 1e15) return Fixed();
  return Parse(FormatFixed(x, Places));
}

template <int Places>
Fixed<Places> Fixed<Places>::Parse(std::string_view text) {
  const std::string t = AllTrim(text);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  int64_t whole = 0;
  int64_t fraction = 0;
  int places = 0;
  bool digits = false;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    if (whole > 100'000'000'000'000) return Fixed();
    whole = whole * 10 + (t[i] - '0');
    digits = true;
  }
  if (i < t.size() && t[i] == '.') {
    for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
      digits = true;
      if (places == Places) continue;
      fraction = fraction * 10 + (t[i] - '0');
      ++places;
    }
  }
  if (!digits || i != t.size()) return Fixed();
  for (; places < Places; ++places) fraction *= 10;
  const int64_t units = whole * kScale + fraction;
  return Units(negative ? -units : units);
}

template <int Places>
std::string Fixed<Places>::Text() const {
  const uint64_t magnitude = units_ < 0 ? 0 - static_cast<uint64_t>(units_) : static_cast<uint64_t>(units_);
  std::string out = units_ < 0 ? "-" : "";
  out += std::to_string(magnitude / static_cast<uint64_t>(kScale));
  if constexpr (Places > 0) {
    std::string decimals = std::to_string(magnitude % static_cast<uint64_t>(kScale));
    out += "." + std::string(static_cast<size_t>(Places) - decimals.size(), '0') + decimals;
  }
  return out;
}

template <int Places>
std::string Fixed<Places>::Trimmed() const {
  std::string out = Text();
  if (out.find('.') == std::string::npos) return out;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out;
}

template class Fixed<2>;
template class Fixed<3>;
template class Fixed<4>;

Kwota TimesPrice(Ilosc quantity, CenaJedn price) {
  // Thousandths × ten-thousandths: units of 10^-7, made grosze.
  const Wide product = static_cast<Wide>(quantity.units()) * price.units();
  return Kwota::Units(Narrow(DivideHalfAway<Wide>(product, Wide{100'000})));
}

Kwota PercentOf(Kwota net, Stawka rate) {
  // Grosze × hundredths of a percent: units of 10^-6 of a grosz... / 100 / 100.
  const Wide product = static_cast<Wide>(net.units()) * rate.units();
  return Kwota::Units(Narrow(DivideHalfAway<Wide>(product, Wide{10'000})));
}

CenaJedn UnitPrice(Kwota amount, Ilosc quantity) {
  if (quantity.IsZero()) return CenaJedn();
  // grosze / thousandths = 10 units of a price per ..., scaled to ten-thousandths:
  // amount.units / 100 / (quantity.units / 1000) × 10^4 = amount.units × 10^5 / quantity.units.
  const Wide numerator = static_cast<Wide>(amount.units()) * 100'000;
  Wide denominator = quantity.units();
  Wide n = numerator;
  if (denominator < 0) denominator = -denominator, n = -n;
  return CenaJedn::Units(Narrow(DivideHalfAway<Wide>(n, denominator)));
}

std::string PriceText(CenaJedn cena) {
  if (cena.units() % 100 == 0) return Kwota::Units(cena.units() / 100).Text();
  return cena.Text();
}

EdiDate::EdiDate(JulianDay day) {
  if (day != kEmptyDate) digits = Dtos(day);
}

EdiDate EdiDate::FromText(std::string_view text) {
  const std::string t = AllTrim(text);
  EdiDate d;
  if (t.size() != 8 && t.size() != 12) return d;
  for (char c : t) {
    if (c < '0' || c > '9') return d;
  }
  if (!Stod(t.substr(0, 8)).has_value()) return d;
  d.digits = t;
  return d;
}

JulianDay EdiDate::Day() const {
  if (digits.size() < 8) return kEmptyDate;
  return Stod(digits.substr(0, 8)).value_or(kEmptyDate);
}

std::string Dtm(std::string_view qualifier, const EdiDate& date) {
  return "DTM+" + std::string(qualifier) + ":" + date.digits + ":" + std::string(date.FormatCode());
}

std::string SegmentList::Text() const {
  std::string out;
  for (const std::string& s : segments_) {
    out += s;
    out += kSegmentEnd;
  }
  return out;
}

}  // namespace hurt::invoicing::edi
