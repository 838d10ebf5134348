#include "demo_numbers.h"

namespace hurt::demo {

std::string Nip(std::string_view nine_digits) {
  static constexpr int kWeights[] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
  std::string digits(nine_digits.substr(0, 9));
  while (true) {
    int sum = 0;
    for (int i = 0; i < 9; ++i) sum += (digits[static_cast<size_t>(i)] - '0') * kWeights[i];
    const int check = sum % 11;
    if (check != 10) return digits + static_cast<char>('0' + check);
    digits[8] = static_cast<char>('0' + (digits[8] - '0' + 1) % 10);
  }
}

std::string Regon(std::string_view eight_digits) {
  static constexpr int kWeights[] = {8, 9, 2, 3, 4, 5, 6, 7};
  std::string digits(eight_digits.substr(0, 8));
  int sum = 0;
  for (int i = 0; i < 8; ++i) sum += (digits[static_cast<size_t>(i)] - '0') * kWeights[i];
  return digits + static_cast<char>('0' + sum % 11 % 10);
}

std::string Nrb(std::string_view bank, std::string_view account) {
  // IBAN check: the number, then "PL" as 25 21, then "00", modulo 97; check = 98 - rest.
  const std::string moved = std::string(bank) + std::string(account) + "252100";
  int rest = 0;
  for (char c : moved) rest = (rest * 10 + (c - '0')) % 97;
  const int check = 98 - rest;
  return std::string{static_cast<char>('0' + check / 10), static_cast<char>('0' + check % 10)} + std::string(bank) +
         std::string(account);
}

}  // namespace hurt::demo
