#include "base/cp852.h"

namespace hurt {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf8ToCp852(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = DecodeUtf8(utf8, i);
    unsigned char b = UnicodeToCp852(cp);
    out += (b == 0 && cp != 0) ? '?' : static_cast<char>(b);
  }
  return out;
}

std::string Cp852ToUtf8(std::string_view cp852) {
  std::string out;
  out.reserve(cp852.size() + cp852.size() / 4);
  for (char c : cp852) AppendUtf8(out, Cp852ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace hurt
