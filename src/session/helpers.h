// Small text, calendar and number helpers every screen and printout of the program uses.
//
// All texts are code page 852 bytes. Month and year arguments are texts as the period
// field "MM.YY" of the company record gives them ("03", "26"); a two-digit year is read
// as 19yy when it begins with "9" and as 20yy otherwise.
#pragma once

#include <string>
#include <string_view>

namespace hurt::session {

// CENTRUJ(text): the text preceded by INT((80 - length) / 2) blanks (none when the text
// is 79 characters or longer).
std::string Centruj(std::string_view text);

// The year as four digits: "26" gives "2026", "95" gives "1995"; any other text is given
// back trimmed ("2026" stays "2026").
std::string FourDigitYear(std::string_view yy);

// MIESIAC(mm, yy): the month's name right-aligned in 11 characters, " '" and the year in
// four digits: "   Grudzien '2026". Month 13 is "Trzynasty"; anything else that is not 1..12
// is "nieznany   ".
std::string Miesiac(std::string_view mm, std::string_view yy);

// K_MIES(mm, yy): the last day of the month as two digits, "28" to "31", with leap years
// by the Gregorian rule (K_MIES("02", "00") is "29"). Month 13, the closing period after
// December, ends on "31". Any other month, or a year that is not a year, gives "" so that
// a date built from it is empty.
std::string KMies(std::string_view mm, std::string_view yy);

// A_DO_N(a, n): a to the integer power n by repeated multiplication; a negative n gives
// the reciprocal. Zero to a negative power gives 0, as an xBase division by zero does.
// Exponents beyond 1000 use the library power (the same value, without a long loop).
double ADoN(double a, int n);

// T_N(x): x begins with "T" or "N" (an answer to a yes/no field).
bool TN(std::string_view x);
// SPR(x): x begins with "A", "B", "C" or "D".
bool Spr(std::string_view x);

// L(c): the seven-bit spelling of a Polish letter for printers without Polish characters:
// the base letter and a mark ("ą" "a,", "ć" "c'", "ę" "e,", "ł" "l/", "ń" "n'", "ó" "o'",
// "ś" "s'", "ź" "z'", "ż" "z-"; capitals alike: "Ą" "A,", … "Ź" "Z'", "Ż" "Z-"). Any
// other character is given back as it is.
std::string L(char c);
// Every character of a text through L().
std::string SevenBitText(std::string_view text);

}  // namespace hurt::session
