// Pictures: TRANSFORM() of numbers, texts, dates and logicals, and the template rules
// that a screen field (@ GET) applies to each typed character.
//
// A picture is an optional function part and a template:
//
//   "@Z 9999999.99"   functions Z, template "9999999.99"
//   "!!-!!!"          template only
//   "@E"              functions only
//
// Functions (letters after "@", up to the first blank):
//   Z  a number that is zero shows as blanks
//   E  European numbers: the decimal point is shown as "," and thousands as "."
//   K  (fields) the first typed character clears the field
//   !  every letter upper case (Polish letters too)
//   R  template characters that are not template symbols are inserted into the text
//      shown, not taken from or stored in the value
//   B  numbers left-justified
//   (  negative numbers in parentheses
//   C  " CR" after positive numbers;  X  " DB" after negative numbers
//   D  dates (always dd.mm.yyyy here)
//   S<n> (fields) a window n characters wide over a longer value
//
// Template symbols: 9 digit (and sign for numbers), # digit, blank or sign, X any character,
// A letter, N letter or digit, ! any character upper-cased, L logical T/F, Y logical Y/N,
// * and $ digit positions whose leading blanks show as "*" or "$". In a number "." is the
// decimal point and "," a thousands separator shown only between digits. Any other
// template character is a literal.
//
// All texts are code page 852 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/date.h"

namespace hurt {

struct Picture {
  bool blank_zero = false;       // @Z
  bool european = false;         // @E
  bool clear_on_key = false;     // @K
  bool upper = false;            // @!
  bool insert_literals = false;  // @R
  bool left_justify = false;     // @B
  bool parentheses = false;      // @(
  bool credit = false;           // @C
  bool debit = false;            // @X
  int scroll_width = 0;          // @S<n>; 0 when absent
  std::string mask;              // the template, possibly empty
};

// Splits a picture text into its functions and template. Unknown function letters are
// ignored; a picture without "@" is all template.
Picture ParsePicture(std::string_view picture);

// True for the template symbols (positions that take a character of the value).
bool IsMaskSymbol(char c);
// True for the symbols that take a digit of a number (9 # * $).
bool IsDigitSymbol(char c);

// TRANSFORM(number, picture). A number that does not fit its template shows "*" in every
// digit position (separators kept), never a cut-off number. Without a template the number
// is shown as STR() would (ten wide, only the decimals it has, at most six).
std::string TransformNumber(double value, std::string_view picture);
std::string TransformNumber(double value, const Picture& picture);

// TRANSFORM(text, picture). The result has the template's width when there is a template.
std::string TransformText(std::string_view text, std::string_view picture);
std::string TransformText(std::string_view text, const Picture& picture);

// TRANSFORM(date, picture): "dd.mm.yyyy", blanks and dots for the empty date.
std::string TransformDate(JulianDay day, std::string_view picture);

// TRANSFORM(logical, picture): "T"/"F", or "Y"/"N" with a "Y" template.
std::string TransformLogical(bool value, std::string_view picture);

// The character a field stores when `typed` is entered at a position of template symbol
// `symbol`, or nullopt when the symbol refuses it. `numeric` is true in number fields
// (where 9 also takes a sign). `upper` is the @! function.
std::optional<char> AcceptTyped(char symbol, char typed, bool numeric, bool upper);

// The number a field shows as `text` under the picture (separators and literals removed,
// "," as decimal point with @E, parentheses as a minus).
double UntransformNumber(std::string_view text, const Picture& picture);

// The template a number field uses when its picture has none: ten digit positions, and
// "." with `decimals` positions when decimals > 0.
std::string DefaultNumberMask(int decimals);

// Letters of code page 852 (ASCII and the accented letters), for the A and N symbols.
bool IsCp852Letter(char c);

}  // namespace hurt
