// The amount in words of invoices and money documents, and the first-and-last-name check.
//
// Texts are code page 852 (the printer layer spells the Polish letters by overstrike
// where a form needs it). Every word ends with one blank, as the printed lines join them.
#pragma once

#include <string>
#include <string_view>

namespace hurt {

// SLOWNIE(x): the words of one number, as printed.
//  - the amount is taken to 2 decimals (NewRound); a negative amount gets the prefix
//    "KWOTA DO ZWROTU " once, in front;
//  - the whole part is said in words ("dwa tysiące pięć "), by groups of millions,
//    thousands and units with the noun forms milion/miliony/milionów and
//    tysiąc/tysiące/tysięcy; 0 says nothing;
//  - cents that are not 0 follow as " <cents>/100" (no leading zero: " 5/100");
//  - a whole part above 999 999 999 is written in digits: "1234567890  12/100".
std::string Slownie(double x);

// _SLOWNIE(amount, currency): the amount rounded to 2 places. In złoty (currency blank
// or "PLN") with cents: "<words of the złoty>zł. i <words of the cents>gr.", or only
// "<words of the cents>gr." under one złoty. Otherwise Slownie(amount): whole złoty in
// words only, a foreign currency with the " nn/100" cents text.
std::string SlownieKwoty(double amount, std::string_view waluta = "");

// DWA_SLOWA(text): true when the trimmed text is a first and a last name: not empty,
// none of the characters 1234567890=\!@#$%^&*()_+|[]{};':/<>?, and exactly two words
// separated by exactly one blank.
bool DwaSlowa(std::string_view text);

}  // namespace hurt
