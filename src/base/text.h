// Text helpers on code page 852 bytes, with xBase meanings (1-based SUBSTR, prefix "=").
#pragma once

#include <string>
#include <string_view>

namespace hurt {

std::string RTrim(std::string_view s);    // TRIM(), RTRIM(): trailing blanks removed
std::string LTrim(std::string_view s);    // LTRIM(): leading blanks removed
std::string AllTrim(std::string_view s);  // ALLTRIM()

// PADR/PADL/PADC: padded with blanks or cut to exactly n bytes.
std::string PadR(std::string_view s, size_t n, char fill = ' ');
std::string PadL(std::string_view s, size_t n, char fill = ' ');
std::string PadC(std::string_view s, size_t n, char fill = ' ');

std::string Replicate(std::string_view s, size_t n);
inline std::string Space(size_t n) { return std::string(n, ' '); }

// SUBSTR(s, start, len) with start counted from 1; out-of-range parts give "".
std::string Substr(std::string_view s, long start, long len = -1);
std::string Left(std::string_view s, long n);
std::string Right(std::string_view s, long n);
// AT(needle, s): 1-based position of the first occurrence, 0 when absent.
size_t At(std::string_view needle, std::string_view s);

// UPPER()/LOWER() on ASCII letters only, as index keys need them.
std::string Upper(std::string_view s);
std::string Lower(std::string_view s);
// Upper case also of the Polish letters of code page 852 (for screen input, "@!").
std::string UpperPl(std::string_view s);
char UpperPlChar(char c);

// The xBase "=" between texts (SET EXACT OFF): true when `s` begins with `prefix`;
// an empty right side always matches.
bool XbaseEquals(std::string_view s, std::string_view prefix);

bool IsBlank(std::string_view s);  // EMPTY() of a text: only blanks, CR, LF and tabs
std::string RemoveBlanks(std::string_view s);  // every blank removed (USUN_SPACJE)

// Text for an XML element or attribute: & < > " ' escaped, control characters other than
// the tab dropped.
std::string XmlEscape(std::string_view text);

}  // namespace hurt
