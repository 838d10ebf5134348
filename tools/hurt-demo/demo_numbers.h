// Check digits of the Polish numbers the demo company and its counterparties carry.
#pragma once

#include <string>
#include <string_view>

namespace hurt::demo {

// A tax number (NIP, 10 digits) from its first nine digits: the tenth is the sum of the
// digits weighted 6 5 7 2 3 4 5 6 7, modulo 11. Nine digits whose remainder is 10 have no
// valid number; the ninth digit is then moved on until one has.
std::string Nip(std::string_view nine_digits);

// A statistical number (REGON, 9 digits) from its first eight: weights 8 9 2 3 4 5 6 7,
// modulo 11, 10 counting as 0.
std::string Regon(std::string_view eight_digits);

// A bank account number (NRB, 26 digits) from the 8-digit bank sorting code and the
// 16-digit account: the two leading check digits are those of the IBAN "PL" + number.
std::string Nrb(std::string_view bank, std::string_view account);

}  // namespace hurt::demo
