#include "console/theme.h"

namespace hurt::console {

Theme Theme::Base(std::string_view background, std::string_view menu, std::string_view menu_selected) {
  Theme t;
  t.Set(Role::kText, AttrOf("W/N"));
  t.Set(Role::kBackground, AttrOf(background));
  t.Set(Role::kMenu, AttrOf(menu));
  t.Set(Role::kMenuSelected, AttrOf(menu_selected));
  t.Set(Role::kMessageFrame, AttrOf("0/7"));
  t.Set(Role::kMessageText, AttrOf("W+/N"));
  t.Set(Role::kAlertFrame, AttrOf("W+/R"));
  t.Set(Role::kAlertText, AttrOf("RG+/N"));
  t.Set(Role::kErrorText, AttrOf("R+/N"));
  t.Set(Role::kQuestionDefault, AttrOf("W+/R"));
  t.Set(Role::kMaskedEntry, AttrOf("W+/B+"));
  t.Set(Role::kViewerText, AttrOf("W/N"));
  t.Set(Role::kViewerFileName, AttrOf("RG/N"));
  t.Set(Role::kKeyBar, AttrOf("W/N"));
  t.Set(Role::kKeyName, AttrOf("W+/N"));
  return t;
}

Theme Theme::Blue() { return Base("B/N+", "W/N", "W+/B"); }
Theme Theme::Green() { return Base("G/N+", "W/N", "W+/G"); }
Theme Theme::Violet() { return Base("RG/N+", "W/N", "W+/RG"); }
Theme Theme::CashRegister() { return Base("GR/N+", "W/N", "W+/GR"); }

Theme Theme::Monochrome() {
  Theme t = Base("W/N", "W/N", "N/W");
  t.Set(Role::kAlertFrame, AttrOf("N/W"));
  t.Set(Role::kAlertText, AttrOf("W+/N"));
  t.Set(Role::kErrorText, AttrOf("W+/N"));
  t.Set(Role::kQuestionDefault, AttrOf("N/W"));
  t.Set(Role::kMaskedEntry, AttrOf("N/W"));
  t.Set(Role::kViewerFileName, AttrOf("W+/N"));
  return t;
}

}  // namespace hurt::console
