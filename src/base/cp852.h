// Code page 852: the byte encoding of every text the program keeps.
//
// Table bytes and texts in memory are code page 852 (DBF language byte 0x64), so widths,
// padding, slicing and index keys stay byte-exact. Source files are UTF-8; a literal with
// Polish letters becomes code page 852 at compile time through the _pl suffix:
//
//   using namespace hurt::literals;
//   std::string_view text = "Błędnie podane hasło"_pl;   // 20 bytes of code page 852
//
// The console converts to UTF-8 only when it draws.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hurt {

// Unicode code points of the bytes 0x80..0xFF.
inline constexpr std::array<char32_t, 128> kCp852High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x016F, 0x0107, 0x00E7,
    0x0142, 0x00EB, 0x0150, 0x0151, 0x00EE, 0x0179, 0x00C4, 0x0106,
    0x00C9, 0x0139, 0x013A, 0x00F4, 0x00F6, 0x013D, 0x013E, 0x015A,
    0x015B, 0x00D6, 0x00DC, 0x0164, 0x0165, 0x0141, 0x00D7, 0x010D,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x0104, 0x0105, 0x017D, 0x017E,
    0x0118, 0x0119, 0x00AC, 0x017A, 0x010C, 0x015F, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x011A,
    0x015E, 0x2563, 0x2551, 0x2557, 0x255D, 0x017B, 0x017C, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0102, 0x0103,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x0111, 0x0110, 0x010E, 0x00CB, 0x010F, 0x0147, 0x00CD, 0x00CE,
    0x011B, 0x2518, 0x250C, 0x2588, 0x2584, 0x0162, 0x016E, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161,
    0x0154, 0x00DA, 0x0155, 0x0170, 0x00FD, 0x00DD, 0x0163, 0x00B4,
    0x00AD, 0x02DD, 0x02DB, 0x02C7, 0x02D8, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x02D9, 0x0171, 0x0158, 0x0159, 0x25A0, 0x00A0,
};

// The Unicode character a code page 852 byte stands for. Bytes below 0x80 are ASCII.
constexpr char32_t Cp852ToUnicode(unsigned char byte) {
  return byte < 0x80 ? char32_t{byte} : kCp852High[byte - 0x80];
}

// The code page 852 byte of a Unicode character, or 0 when it has none.
constexpr unsigned char UnicodeToCp852(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  for (size_t i = 0; i < kCp852High.size(); ++i)
    if (kCp852High[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return 0;
}

// Decodes one UTF-8 sequence starting at s[i]; advances i. Invalid bytes give U+FFFD.
constexpr char32_t DecodeUtf8(std::string_view s, size_t& i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = byte(i);
  if (b < 0x80) {
    ++i;
    return b;
  }
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
  if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char c = byte(i + k);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += static_cast<size_t>(extra) + 1;
  return cp;
}

// UTF-8 text to code page 852; characters without a code page 852 byte become "?".
std::string Utf8ToCp852(std::string_view utf8);
// Code page 852 text to UTF-8.
std::string Cp852ToUtf8(std::string_view cp852);
// Appends the UTF-8 encoding of one code point.
void AppendUtf8(std::string& out, char32_t cp);

namespace detail {

template <size_t N>
struct Cp852Bytes {
  char data[N + 1]{};
  size_t size = 0;
};

// Converts the UTF-8 bytes Cs... to code page 852 at compile time.
template <char... Cs>
consteval auto ConvertLiteral() {
  constexpr char in[] = {Cs..., '\0'};
  std::string_view s(in, sizeof...(Cs));
  Cp852Bytes<sizeof...(Cs)> out{};
  for (size_t i = 0; i < s.size();) {
    char32_t cp = DecodeUtf8(s, i);
    unsigned char b = UnicodeToCp852(cp);
    if (b == 0 && cp != 0) throw "character without a code page 852 byte in a _pl literal";
    out.data[out.size++] = static_cast<char>(b);
  }
  return out;
}

template <char... Cs>
inline constexpr auto kCp852Literal = ConvertLiteral<Cs...>();

}  // namespace detail

namespace literals {
// "Zażółć"_pl: the code page 852 bytes of a UTF-8 literal, computed at compile time.
// (The character-pack form of the literal operator is used because clang 14 crashes on
// the class-type template parameter form in some declarations.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wgnu-string-literal-operator-template"
#endif
template <typename CharT, CharT... Cs>
constexpr std::string_view operator""_pl() {
  return {detail::kCp852Literal<Cs...>.data, detail::kCp852Literal<Cs...>.size};
}
#pragma GCC diagnostic pop
}  // namespace literals

}  // namespace hurt
