// Menus of prompts (@ PROMPT … MENU TO) and pick lists.
//
// A menu shows its prompts where they were placed, the current one in the selected colour
// of the console's colour setting ("W/N,W+/B": normal, selected). Up and Down move with
// wrap-around from the last prompt to the first; Home and End go to the ends; Enter
// chooses; Esc gives 0; the first letter of a prompt chooses it at once. Prompts of blanks
// are ordinary prompts: they can be highlighted and chosen, so item numbers never move.
// Left and Right move like Up and Down unless the menu is told to end on them, in which
// case the caller gets the current item and which arrow ended it (a pull-down menu bar).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "console/console.h"

namespace hurt::console {

enum class MenuExit { kChosen, kEscape, kLeft, kRight };

struct MenuResult {
  int choice = 0;  // 1-based; 0 after Esc
  MenuExit exit = MenuExit::kEscape;
};

class Menu {
 public:
  explicit Menu(Console& con) : con_(con) {}

  // @ row, col PROMPT text [MESSAGE message]; text in code page 852.
  Menu& Prompt(int row, int col, std::string text, std::string message = "");
  // SET MESSAGE TO row [CENTER]: where the current prompt's message shows.
  Menu& MessageRow(int row, bool centre = false);
  Menu& Wrap(bool on);
  // Left and Right end the menu (their exit is reported) instead of moving.
  Menu& EndOnLeftRight(bool on);

  // MENU TO: starts on item `start` (1-based; out of range means 1).
  MenuResult Run(int start = 1);
  int size() const { return static_cast<int>(items_.size()); }

 private:
  struct Item {
    int row, col;
    std::string text, message;
  };
  void Draw(int current, const ColourSet& colours);
  int FindLetter(int key, int current) const;

  Console& con_;
  std::vector<Item> items_;
  int message_row_ = -1;
  bool centre_message_ = false;
  bool wrap_ = true;
  bool end_on_left_right_ = false;
};

// A scrolling list in a rectangle (help lists of kinds, counterparties, articles). The
// list reads its items through Count/Item, so a long list is never copied whole.
class ListSource {
 public:
  virtual ~ListSource() = default;
  virtual int Count() const = 0;
  // Item i (0-based), code page 852; the list cuts or pads it to its width.
  virtual std::string Item(int index) const = 0;
  // False for items shown but not choosable.
  virtual bool Selectable(int /*index*/) const { return true; }
};

class VectorListSource final : public ListSource {
 public:
  explicit VectorListSource(std::vector<std::string> items) : items_(std::move(items)) {}
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override { return items_[static_cast<size_t>(index)]; }

 private:
  std::vector<std::string> items_;
};

enum class PickExit { kChosen, kEscape, kLeft, kRight, kKey };

struct PickResult {
  int choice = 0;  // 1-based item; 0 after Esc
  PickExit exit = PickExit::kEscape;
  int key = 0;  // the key that ended a kKey exit
};

class PickList {
 public:
  // The list fills the rectangle; with `framed` a double frame is drawn on its edge and
  // the items go inside.
  PickList(Console& con, const ListSource& source, int top, int left, int bottom, int right, bool framed = false);

  // A key the list does not handle goes here first; returning true ends the list with
  // PickExit::kKey (F-keys of a help list, for example).
  PickList& OnKey(std::function<bool(int key, int current)> handler);
  // Left and Right end the list instead of being ignored.
  PickList& EndOnLeftRight(bool on);

  PickResult Run(int start = 1);

  int top_index() const { return first_; }

 private:
  void Draw(int current, const ColourSet& colours);
  int Rows() const { return bottom_ - top_ + 1; }

  Console& con_;
  const ListSource& source_;
  int top_, left_, bottom_, right_;
  bool framed_;
  std::function<bool(int, int)> on_key_;
  bool end_on_left_right_ = false;
  int first_ = 0;  // first item shown
};

}  // namespace hurt::console
