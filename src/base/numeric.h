// Numbers the xBase way: rounding as the amounts read, STR() and VAL().
//
// Amounts live in doubles. A double cannot hold 2.675 exactly (it holds 2.67499999…),
// yet an operator who types 2.675 expects 2.68. All rounding here first reduces the
// value to 15 significant decimal digits — what the number "reads as" — and then
// rounds that decimal text half away from zero. No amount is ever rounded implicitly
// by formatting: callers round through NewRound or MRound and then format.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hurt {

// x rounded to dec decimals (0..15), halves away from zero, on the value as it reads.
double RoundHalfAway(double x, int dec);

// NEWROUND(x, n): the rounding of all money and percentages. The value is moved
// 0.00000001 away from zero first, then rounded half away from zero.
double NewRound(double x, int dec = 0);

// MROUND(x, n): the older rounding of some totals: x + 0.000000001 whatever the sign,
// so MRound(-2.345) is -2.34 while MRound(2.345) is 2.35.
double MRound(double x, int dec = 2);

// The value with exactly dec decimals and no padding: "-2.68", "0.00", "15".
// Negative values that round to zero lose their sign; a value that is not finite reads
// as zero.
std::string FormatFixed(double x, int dec);

// FormatFixed without allocating: the text goes to out (room for kFixedTextMax bytes),
// its length is returned. For the hot paths (writing numeric fields, STR in keys).
inline constexpr size_t kFixedTextMax = 340;
size_t FormatFixedTo(double x, int dec, char* out);

// Str appended to out, without allocating beyond out's growth.
void AppendStr(double x, int width, int dec, std::string* out);

// STR(x, width, dec): right-aligned in width characters; a value that does not fit
// gives width asterisks, as xBase does.
std::string Str(double x, int width = 10, int dec = 0);

// VAL(text): leading blanks skipped, optional sign, digits and one decimal point;
// reading stops at the first other character; "" or garbage gives 0.
double Val(std::string_view text);

// The value as it would be written into a numeric field of the given width and
// decimals, or an empty string when it does not fit (the caller reports the error).
std::string NumericFieldText(double x, int width, int dec);

// Two amounts compared as text with the given decimals (balancing decisions).
bool SameAmount(double a, double b, int dec = 2);

}  // namespace hurt
