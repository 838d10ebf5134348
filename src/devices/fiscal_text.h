// What text becomes on its way to the fiscal printer: names of sale lines (DF_WIERSZ),
// plain letters for Polish ones, the rate letter of a line (FUN_PTU, PTU_L), the buyer's
// lines of a fiscal invoice, and the number forms of the frames.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hurt::devices {

// ---- letters ----

// Step 1 of DF_WIERSZ, byte by byte: the Polish letters of code page 852 and of the
// Mazovia code page become plain capitals (0xA5 0xA4 "A"; 0x8F 0x86 0x95 "C"; 0x90 0x91
// 0xA8 0xA9 "E"; 0x9C 0x92 0x9D 0x88 "L"; 0xE3 0xE4 "N"; 0xA3 0xA2 0xE0 "O"; 0x98 0x9E 0x97
// "S"; 0xA1 0xA7 0xBD 0xBE 0xA0 0xA6 0xAB 0x8D "Z"), "/" becomes "x"; other bytes stay.
// Where the two code pages give one byte two letters, code page 852 (the program's own)
// decides: 0x8D is its "Ź", not the Mazovia "ć".
std::string MapFiscalLetters(std::string_view text);
// The characters a sale line's name keeps.
inline constexpr std::string_view kFiscalNameCharacters = "1234567890QWERTYUIOPASDFGHJKLZXCVBNM.,-+*();:<>$%!x ";
// MapFiscalLetters, then only kFiscalNameCharacters kept (lower-case letters are dropped),
// trimmed on the right.
std::string FiscalNameCharacters(std::string_view text);

// Free text of code page 852 (buyers' names, operators, remarks) with its Polish letters
// as plain ones of the same case ("Łódź" gives "Lodz"); other bytes above 127 are dropped.
std::string PlainText(std::string_view cp852);

// ---- names of sale lines ----

struct LineNameRules {
  bool narrow = false;      // "W" in J_DF_NAZWA
  bool from_2011 = true;    // the working month is in 2011 or later
  bool export_kind = false; // kind "FE": the name begins with "("
  bool unit_at_end = false; // the marker file FISK.JM
};

// DF_WIERSZ: the name of a sale line as the printer gets it.
//   narrow:  longer than 22 is left-trimmed and cut to 22; from 2011 on every name is 20
//            characters (padded or cut), a blank and the rate letter;
//   else:    from 2011 on every name is 28 characters (padded or cut), a blank and the
//            rate letter; before 2011 the name stays as it is.
//   FISK.JM: the last two characters give way to a blank and the unit.
std::string DfWiersz(std::string_view name, std::string_view rate_letter, std::string_view unit,
                     const LineNameRules& rules);

// ---- rates ----

// The printer's rate letters A..F and Z: the invoice rate code each holds (J_PTUA ..
// J_PTUF, J_PTUZ).
struct PtuTable {
  std::string a = "23", b = " 8", c = " 5", d = " 0", e = "ZW", f = " 0", z = " 0";
};

// FUN_PTU: the rate letter of a line's rate code: compared with A, C, B, D, E, F in that
// order, the first equal one; Z for J_PTUZ or "NP"; else "A". Codes are compared trimmed.
std::string FunPtu(std::string_view podatek0, const PtuTable& ptu);
// The same in the tab-field dialect's digits: A "0", B "1", C "2", D "3", E "4", F "5",
// Z "6" (default "0").
std::string FunPtuDigit(std::string_view podatek0, const PtuTable& ptu);
// PTU_L: "A".."G" to "0".."6", anything else "0".
std::string PtuL(std::string_view letter);

// ---- numbers ----

// STR(x,10,2).
std::string Amount10(double x);
// The amount trimmed through the mask "9999999.99".
std::string AmountTrimmed(double x);
// A quantity: STR(q,11) when whole, else STR(q,11,3) with three decimals, else STR(q,11,2).
std::string Quantity11(double q, bool three_decimals);
// Grosze of an amount (rounded to whole grosze).
long long Grosze(double x);

// ---- the buyer of a fiscal invoice ----

// Wraps text to lines of at most `width`: each line ends at the last blank, ",", "." or
// "/" within the width (a blank just after the width also counts), or is cut hard at the
// width when there is none. An empty text gives one empty line.
std::vector<std::string> WrapBuyer(std::string_view text, size_t width);

struct BuyerAddress {
  std::string nodb, nodb1, nodb2;  // the name lines (code page 852)
  std::string ulica, kod, miasto;  // street, postcode, town
};
// The buyer's lines: the name lines joined by blanks and wrapped; with at most 3 lines,
// "ul. " + street (unless it says "ul." already) and postcode + " " + town follow (when not empty); otherwise name,
// postcode, town and street are wrapped as one text. Polish letters become plain ones.
std::vector<std::string> BuyerLines(const BuyerAddress& buyer, size_t width);

}  // namespace hurt::devices
