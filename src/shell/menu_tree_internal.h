// The machinery the five pull-down sub-menus share (menu_tree_*.cpp).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "session/menu_choice.h"

namespace hurt::shell {

using session::Session;

namespace menu {

// What an item's routine asks of the menu after it ran: kReopen (the usual), kMenuEnd
// (the work ends) or an installer exit code 101..103.
inline constexpr int kReopen = -1;
using ItemAction = std::function<int()>;

struct SubMenuItem {
  int row = 0;
  std::string text;           // code page 852, as shown when the item is available
  bool shown = true;          // false: blanks of the same width, choosing it runs nothing
  // Refused with "CD - opcja wygasla" in the viewing mode and with "Praca w archiwum -
  // blokada" while an archive month is open.
  bool changes_data = false;
  ItemAction action;          // empty: nothing runs
};

inline SubMenuItem Item(int row, std::string_view text, bool shown, bool changes_data, ItemAction action) {
  return {row, std::string(text), shown, changes_data, std::move(action)};
}

struct SubMenu {
  char letter = 'M';        // of the refusal tokens "-M03", "-M*"
  int main_item = 1;        // returned to the main loop
  std::string_view position;  // the session variable keeping the position ("K_ASORTYMENT")
  int top = 0, left = 0, bottom = 0, right = 0;
  std::vector<int> separators;
  std::vector<SubMenuItem> items;  // item n is items[n - 1]
  // Rows and columns of further boxes drawn around groups of items (top, left, bottom,
  // right), in the frame's colour.
  std::vector<std::vector<int>> extra_boxes;
  // Before an item runs: a text shown instead of running it ("opcja wygasla"), or "".
  std::function<std::string(int item)> blocked;
  // Shown when a blank item is chosen ("" = nothing).
  std::string blank_choice_text;
};

// Runs one visit of a sub-menu (frame, items, choice, refusals, the item's routine) and
// returns the main item, kMenuEnd or an installer exit code (see menu_tree.h).
int RunSubMenu(Session& session, SubMenu& menu);

// Positions and small choices (session/menu_choice.h).
using session::Position;
using session::SetPosition;
using session::SmallChoice;

// "Brak praw" for 1 second.
void BrakPraw(Session& session, std::string_view text = "Brak praw");

// The refusal token of an item is in M_PRAWA2 ("-M03"), or the sub-menu's "-M*".
bool Refused(std::string_view prawa2, char letter, int item);
// "Brak praw, -M03".
std::string RefusalText(char letter, int item);

// True when a work area holds an open table with the field.
bool AreaHasField(Session& session, int area, std::string_view field);
// The operator is the supervisor (number "0").
bool IsSupervisor(Session& session);
using session::JestWaluta;
// The period being worked on as "yy/mm": the archive's while one is open.
std::string WorkPeriod(Session& session);

}  // namespace menu
}  // namespace hurt::shell
