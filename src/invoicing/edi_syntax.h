// EDIFACT syntax shared by the INVOIC and ORDERS messages (syntax level C, "UNOC"):
// service characters, data values made safe for them, decimal numbers as the messages
// write them, dates with their format codes, and the list of segments with its count.
//
// Service characters, as the service string "UNA:+.? '" declares them:
//   :   component separator        +   data element separator
//   .   decimal mark               ?   release character
//   ' ' reserved (blank)           '   segment terminator
// A data value that holds + : ' or ? writes "?" before it ("O'Brien" → "O?'Brien",
// "A+B" → "A?+B", "50?" → "50??"), so a name never ends an element or a segment.
//
// UNOC is ISO 8859-1, which has no ł, ś, ż and most other Polish letters. Texts are kept
// in code page 852; every letter with a diacritic is written as its base letter
// ("Łódź" → "Lodz", "ŻÓŁW" → "ZOLW"), other characters outside plain ASCII and control
// characters as a blank. The messages are therefore pure ASCII, valid in UNOC.
//
// Numbers: a Fixed<P> holds a decimal with P places as an integer count of its smallest
// unit (grosze for money, thousandths for quantities, ten-thousandths for unit prices), so
// sums and products are exact; a value read from a table (a double) enters through the
// project's rounding as it reads (FormatFixed, half away from zero).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"

namespace hurt::invoicing::edi {

inline constexpr std::string_view kServiceString = "UNA:+.? '";
inline constexpr char kRelease = '?';
inline constexpr std::string_view kSegmentEnd = "'\r\n";  // one segment a line

// A text of code page 852 as an EDIFACT data value: base letters, blanks for the rest of
// what is not ASCII, the release character before + : ' ?. Blanks at the ends are
// trimmed (the fields of the tables are padded). At most `max_chars` characters of data
// are kept (35: the longest most data elements of these messages take); the release
// characters do not count.
std::string Value(std::string_view cp852, size_t max_chars = 35);

// Powers of ten for the places of a Fixed.
constexpr int64_t TenTo(int places) { return places <= 0 ? 1 : 10 * TenTo(places - 1); }

template <int Places>
class Fixed {
 public:
  static constexpr int kPlaces = Places;
  static constexpr int64_t kScale = TenTo(Places);

  constexpr Fixed() = default;
  static constexpr Fixed Units(int64_t units) {
    Fixed f;
    f.units_ = units;
    return f;
  }
  // A table's value rounded to Places decimals half away from zero, as it reads; a value
  // that is not finite or does not fit reads as 0.
  static Fixed Of(double x);
  // The value of a decimal text ("12.5", "-3", "1.2345"); digits beyond Places are cut.
  // Anything unreadable reads as 0.
  static Fixed Parse(std::string_view text);

  constexpr int64_t units() const { return units_; }
  constexpr bool IsZero() const { return units_ == 0; }
  constexpr bool operator==(const Fixed&) const = default;
  constexpr Fixed operator+(Fixed o) const { return Units(units_ + o.units_); }
  constexpr Fixed operator-(Fixed o) const { return Units(units_ - o.units_); }
  constexpr Fixed& operator+=(Fixed o) {
    units_ += o.units_;
    return *this;
  }

  // Exactly Places decimals, no padding: "12.50", "-0.05", "3.000".
  std::string Text() const;
  // Trailing zeros of the decimals removed, and the point with them: "12.5", "3", "1.125".
  std::string Trimmed() const;

 private:
  int64_t units_ = 0;
};

using Kwota = Fixed<2>;      // money, in grosze
using Ilosc = Fixed<3>;      // quantity
using CenaJedn = Fixed<4>;   // unit price, as the messages write it
using Stawka = Fixed<2>;     // VAT rate in percent; -1 for an exempt rate

// round(quantity × price, 2), half away from zero, computed exactly.
Kwota TimesPrice(Ilosc quantity, CenaJedn price);
// round(net × rate / 100, 2), half away from zero, computed exactly.
Kwota PercentOf(Kwota net, Stawka rate);
// round(amount / quantity, 4), half away from zero; 0 for a zero quantity.
CenaJedn UnitPrice(Kwota amount, Ilosc quantity);

// A unit price with 2 decimals when its third and fourth are "00" ("1.25"), else with 4
// ("1.2345").
std::string PriceText(CenaJedn cena);

// A date as the messages carry it: CCYYMMDD, or CCYYMMDDHHMM with a time. Empty = unset.
struct EdiDate {
  std::string digits;

  EdiDate() = default;
  explicit EdiDate(JulianDay day);
  // Digits only, 8 or 12 of them; anything else gives an unset date.
  static EdiDate FromText(std::string_view text);
  bool IsSet() const { return !digits.empty(); }
  // 102 for a date, 203 for a date with a time.
  std::string_view FormatCode() const { return digits.size() == 12 ? "203" : "102"; }
  // The calendar day (the time cut off); kEmptyDate when unset.
  JulianDay Day() const;
};

// "DTM+<qualifier>:<date>:<format>".
std::string Dtm(std::string_view qualifier, const EdiDate& date);

// The segments of one interchange, in order, each without its terminator.
class SegmentList {
 public:
  void Add(std::string segment) { segments_.push_back(std::move(segment)); }
  size_t size() const { return segments_.size(); }
  const std::vector<std::string>& segments() const { return segments_; }
  // Each segment with "'" and a line end.
  std::string Text() const;

 private:
  std::vector<std::string> segments_;
};

}  // namespace hurt::invoicing::edi
