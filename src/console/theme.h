// Colours by role. Widgets with colours of their own (message windows, the password
// entry, the report viewer) ask the theme for "the message frame" or "the key names"
// instead of writing colours into their code; a scheme maps each role to an attribute.
// The colour sets of the stations (blue, green, violet, cash register) and the monochrome
// screen are such schemes. Menus, forms and grids draw in the console's current colour
// setting (SET COLOR), which a screen takes from the theme's menu roles or sets itself.
#pragma once

#include <array>
#include <string_view>

#include "console/colour.h"

namespace hurt::console {

enum class Role {
  kText,             // ordinary text "W/N"
  kBackground,       // the main screen's background picture
  kMenu,             // menu items and pick lists
  kMenuSelected,     // the highlighted item
  kMessageFrame,     // message and question window "0/7"
  kMessageText,      // its text "W+/N"
  kAlertFrame,       // message window that waits for a key "W+/R"
  kAlertText,        // its text when it waits for a key "RG+/N"
  kErrorText,        // its text when it waits some seconds "R+/N"
  kQuestionDefault,  // the default answer of a question "W+/R"
  kMaskedEntry,      // password entry "W+/B+"
  kViewerText,       // report viewer
  kViewerFileName,   // its file name on the key line "RG/N"
  kKeyBar,           // key descriptions on the bottom line "W/N"
  kKeyName,          // the key names "W+/N"
  kCount
};

class Theme {
 public:
  Attr operator[](Role role) const { return attrs_[static_cast<size_t>(role)]; }
  void Set(Role role, Attr attr) { attrs_[static_cast<size_t>(role)] = attr; }
  // The scheme's menu pair as a colour setting (normal, selected).
  ColourSet MenuColours() const {
    ColourSet set;
    set.standard = (*this)[Role::kMenu];
    set.enhanced = set.unselected = (*this)[Role::kMenuSelected];
    return set;
  }

  // The station colour sets: background and menu pair.
  static Theme Blue();          // "B/N+", "W/N,W+/B"
  static Theme Green();         // "G/N+", "W/N,W+/G"
  static Theme Violet();        // "RG/N+", "W/N,W+/RG"
  static Theme CashRegister();  // "GR/N+", "W/N,W+/GR"
  // A screen without colours: inverse for frames and selections, bright for emphasis.
  static Theme Monochrome();

 private:
  static Theme Base(std::string_view background, std::string_view menu, std::string_view menu_selected);
  std::array<Attr, static_cast<size_t>(Role::kCount)> attrs_{};
};

}  // namespace hurt::console
