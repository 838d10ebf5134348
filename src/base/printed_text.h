// Text for printers: table texts made safe to print, the Polish letters spelled by
// overstrike, and the width a text takes on paper.
//
// Fixed texts of the printed forms spell some Polish letters by overstrike, so that
// printers without the code page print them too: the base letter, a backspace (byte 8) and
// a mark — "ą" "ę" with ",", "ć" "ś" "ó" with "'", "ł" with "/" (capitals likewise). Other
// letters, and texts taken from the tables, keep their code page 852 byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hurt {

inline constexpr char kBackspace = 8;

// Text from the tables made safe to print: every control byte (below 32, and 127) becomes
// a blank, so a stray CR, LF, form feed or ESC in a field cannot break the page or switch
// the printer.
std::string Printable(std::string_view text);

// Fixed text with the overstruck letters spelled out (input and output code page 852).
std::string Overstrike(std::string_view cp852);

// The overstrike of the letters to debtors (payment demand, reminder): "Ł" "ł" with "/",
// the acute letters "Ć" "ć" "Ń" "ń" "Ó" "ó" "Ś" "ś" "Ź" "ź" with "'"; every other letter
// keeps its code page 852 byte.
std::string OverstrikeLAndAcute(std::string_view cp852);

// A line of printer text as a screen shows it: the printer's control sequences (ESC/P
// and PCL, with their arguments) and other control bytes left out, and a character
// struck over another by a backspace joined with it as paper shows it — the overstruck
// Polish letters become their code page 852 letter, the same character twice stays one,
// a blank or "_" adds nothing, else the later character stands. A line without control
// bytes comes back as it is.
std::string ShownOnScreen(std::string_view line);

// The number of columns a text of printable bytes takes on paper: a backspace takes one
// column back, other control bytes take none (texts with ESC sequences are not measured).
size_t PrintedWidth(std::string_view text);
// The text padded with blanks to `width` printed columns (never cut).
std::string PadPrinted(std::string_view text, size_t width);

}  // namespace hurt
