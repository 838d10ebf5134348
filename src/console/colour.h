// Cell attributes and the classic colour notation.
//
// An attribute is a foreground and a background colour of the 16-colour PC palette plus
// blink and underline. Colours are written as the operator's configuration and the old
// screens write them:
//
//   "W+/B"            bright white on blue
//   "GR/N+"           brown on dark grey ("+" after a colour makes it bright)
//   "W/N,W+/GR"       a pair: normal text, selected text (menus, fields, grids)
//   "0/7"             colour numbers 0..15 instead of letters
//   "W*/R"            "*" blinks
//   "U", "I", "X"     monochrome: underline, inverse, blank
//
// Letters combine as bits: N black 0, B blue 1, G green 2, R red 4, W white 7; so BG is
// cyan 3, RB magenta 5, GR (or RG) brown 6, bright brown yellow 14.
//
// A colour text has up to five comma-separated parts: standard, enhanced (selected),
// border, background, unselected (fields not being edited). An empty or missing part
// keeps what the base set had.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"

namespace hurt::console {

// PC palette numbers.
enum PcColour : uint8_t {
  kBlack = 0, kBlue = 1, kGreen = 2, kCyan = 3, kRed = 4, kMagenta = 5, kBrown = 6, kWhite = 7,
  kGrey = 8, kBrightBlue = 9, kBrightGreen = 10, kBrightCyan = 11, kBrightRed = 12,
  kBrightMagenta = 13, kYellow = 14, kBrightWhite = 15,
};

struct Attr {
  uint8_t fg = kWhite;  // 0..15
  uint8_t bg = kBlack;  // 0..15
  bool blink = false;
  bool underline = false;
  friend bool operator==(const Attr&, const Attr&) = default;
};

// The five colours of a colour setting.
struct ColourSet {
  Attr standard{kWhite, kBlack};
  Attr enhanced{kBlack, kWhite};
  Attr border{kBlack, kBlack};
  Attr background{kBlack, kBlack};
  Attr unselected{kBlack, kWhite};
  friend bool operator==(const ColourSet&, const ColourSet&) = default;
};

// One "fg/bg" part ("W+/B", "0/7", "U"). Invalid text gives a kInvalid status.
Result<Attr> ParseAttr(std::string_view text);
// A whole colour text over `base`: parts given replace those of the base. When the
// enhanced part is given but not the unselected one, fields not being edited use it too.
Result<ColourSet> ParseColourSet(std::string_view text, const ColourSet& base = ColourSet{});
// Convenience for widgets with fixed colours written in the code: invalid text gives the
// default white on black.
Attr AttrOf(std::string_view text);

// The attribute in the notation, letters form: "W+/B", "N/W*". For test messages.
std::string AttrName(const Attr& attr);

}  // namespace hurt::console
