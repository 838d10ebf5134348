#include "console/colour.h"


namespace hurt::console {

namespace {

struct Side {
  uint8_t colour = 0;
  bool bright = false;
  bool blink = false;
  bool underline = false;
  bool inverse = false;
  bool blank = false;
};

Result<Side> ParseSide(std::string_view text, std::string_view whole) {
  Side s;
  bool have_number = false;
  int number = 0;
  for (char raw : text) {
    char c = raw >= 'a' && raw <= 'z' ? static_cast<char>(raw - 'a' + 'A') : raw;
    switch (c) {
      case ' ': break;
      case 'N': break;
      case 'B': s.colour |= 1; break;
      case 'G': s.colour |= 2; break;
      case 'R': s.colour |= 4; break;
      case 'W': s.colour |= 7; break;
      case '+': s.bright = true; break;
      case '*': s.blink = true; break;
      case 'U': s.underline = true; break;
      case 'I': s.inverse = true; break;
      case 'X': s.blank = true; break;
      default:
        if (c >= '0' && c <= '9') {
          have_number = true;
          number = number * 10 + (c - '0');
          if (number > 15) return Status::Invalid("colour number above 15 in \"" + std::string(whole) + "\"");
        } else {
          return Status::Invalid("unknown colour letter '" + std::string(1, raw) + "' in \"" + std::string(whole) + "\"");
        }
    }
  }
  if (have_number) s.colour = static_cast<uint8_t>(s.colour | number);
  return s;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

Result<Attr> ParseAttr(std::string_view text) {
  text = Trim(text);
  size_t slash = text.find('/');
  std::string_view fg_text = text.substr(0, slash);
  std::string_view bg_text = slash == std::string_view::npos ? std::string_view{} : text.substr(slash + 1);
  auto fg = ParseSide(fg_text, text);
  if (!fg.ok()) return fg.status();
  auto bg = ParseSide(bg_text, text);
  if (!bg.ok()) return bg.status();

  Attr a;
  a.fg = static_cast<uint8_t>((fg->colour | (fg->bright ? 8 : 0)) & 15);
  a.bg = static_cast<uint8_t>((bg->colour | (bg->bright ? 8 : 0)) & 15);
  a.blink = fg->blink || bg->blink;
  if (fg->underline) {  // monochrome underline: blue on a colour screen
    a.underline = true;
    a.fg = static_cast<uint8_t>(kBlue | (fg->bright ? 8 : 0));
  }
  if (fg->inverse) {
    a.fg = kBlack;
    a.bg = kWhite;
  }
  if (fg->blank || bg->blank) a.fg = a.bg;
  return a;
}

Result<ColourSet> ParseColourSet(std::string_view text, const ColourSet& base) {
  ColourSet out = base;
  Attr* slots[] = {&out.standard, &out.enhanced, &out.border, &out.background, &out.unselected};
  bool given[5] = {};
  size_t part = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string_view piece = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (part >= 5) return Status::Invalid("more than five colours in \"" + std::string(text) + "\"");
    if (!Trim(piece).empty()) {
      auto attr = ParseAttr(piece);
      if (!attr.ok()) return attr.status();
      *slots[part] = *attr;
      given[part] = true;
    }
    ++part;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (given[1] && !given[4]) out.unselected = out.enhanced;
  return out;
}

Attr AttrOf(std::string_view text) {
  auto a = ParseAttr(text);
  return a.ok() ? *a : Attr{};
}

std::string AttrName(const Attr& attr) {
  static constexpr const char* kLetters[8] = {"N", "B", "G", "BG", "R", "RB", "GR", "W"};
  std::string s = kLetters[attr.fg & 7];
  if (attr.fg & 8) s += '+';
  if (attr.blink) s += '*';
  if (attr.underline) s += "(U)";
  s += '/';
  s += kLetters[attr.bg & 7];
  if (attr.bg & 8) s += '+';
  return s;
}

}  // namespace hurt::console
