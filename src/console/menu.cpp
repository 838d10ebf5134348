#include "console/menu.h"

#include <algorithm>

#include "base/text.h"
#include "console/keys.h"

namespace hurt::console {

namespace {

// The first non-blank character of a text, upper case; 0 for a blank text.
char FirstLetter(std::string_view text) {
  for (char c : text)
    if (c != ' ') return UpperPlChar(c);
  return 0;
}

bool IsCharacterKey(int k) { return k > 32 && k <= 255; }

}  // namespace

Menu& Menu::Prompt(int row, int col, std::string text, std::string message) {
  items_.push_back({row, col, std::move(text), std::move(message)});
  return *this;
}

Menu& Menu::MessageRow(int row, bool centre) {
  message_row_ = row;
  centre_message_ = centre;
  return *this;
}

Menu& Menu::Wrap(bool on) {
  wrap_ = on;
  return *this;
}

Menu& Menu::EndOnLeftRight(bool on) {
  end_on_left_right_ = on;
  return *this;
}

void Menu::Draw(int current, const ColourSet& colours) {
  for (int i = 0; i < size(); ++i) {
    const Item& it = items_[static_cast<size_t>(i)];
    con_.screen().Put(it.row, it.col, it.text, i == current ? colours.enhanced : colours.standard);
  }
  const Item& cur = items_[static_cast<size_t>(current)];
  if (message_row_ >= 0) {
    con_.screen().Fill(message_row_, 0, message_row_, kCols - 1, ' ', colours.standard);
    int col = centre_message_ ? std::max(0, (kCols - static_cast<int>(cur.message.size())) / 2) : 0;
    con_.screen().Put(message_row_, col, cur.message, colours.standard);
  }
  con_.SetCursor(cur.row, cur.col);
}

int Menu::FindLetter(int key, int current) const {
  char want = UpperPlChar(static_cast<char>(key));
  for (int step = 1; step <= size(); ++step) {
    int i = (current + step) % size();
    if (FirstLetter(items_[static_cast<size_t>(i)].text) == want) return i;
  }
  return -1;
}

MenuResult Menu::Run(int start) {
  if (items_.empty()) return {};
  const ColourSet colours = con_.colours();
  int current = (start >= 1 && start <= size()) ? start - 1 : 0;
  const int last = size() - 1;
  auto up = [&] { current = current > 0 ? current - 1 : (wrap_ ? last : 0); };
  auto down = [&] { current = current < last ? current + 1 : (wrap_ ? 0 : last); };
  for (;;) {
    Draw(current, colours);
    int k = con_.WaitKey();
    switch (k) {
      case key::kUp: up(); break;
      case key::kDown: down(); break;
      case key::kLeft:
        if (end_on_left_right_) return {current + 1, MenuExit::kLeft};
        up();
        break;
      case key::kRight:
        if (end_on_left_right_) return {current + 1, MenuExit::kRight};
        down();
        break;
      case key::kHome: current = 0; break;
      case key::kEnd: current = last; break;
      case key::kEnter: return {current + 1, MenuExit::kChosen};
      case key::kEsc: return {0, MenuExit::kEscape};
      default:
        if (IsCharacterKey(k)) {
          int found = FindLetter(k, current);
          if (found >= 0) {
            current = found;
            Draw(current, colours);
            return {current + 1, MenuExit::kChosen};
          }
        }
        break;
    }
  }
}

PickList::PickList(Console& con, const ListSource& source, int top, int left, int bottom, int right, bool framed)
    : con_(con), source_(source), top_(top), left_(left), bottom_(bottom), right_(right), framed_(framed) {
  if (framed_) {
    con_.Box(top, left, bottom, right, DoubleFrame(), con_.colours().standard);
    ++top_, ++left_, --bottom_, --right_;
  }
}

PickList& PickList::OnKey(std::function<bool(int, int)> handler) {
  on_key_ = std::move(handler);
  return *this;
}

PickList& PickList::EndOnLeftRight(bool on) {
  end_on_left_right_ = on;
  return *this;
}

void PickList::Draw(int current, const ColourSet& colours) {
  const int width = right_ - left_ + 1;
  const int count = source_.Count();
  for (int r = 0; r < Rows(); ++r) {
    int i = first_ + r;
    std::string text = i < count ? PadR(source_.Item(i), static_cast<size_t>(width)) : std::string(static_cast<size_t>(width), ' ');
    Attr a = i == current ? colours.enhanced : colours.standard;
    con_.screen().Put(top_ + r, left_, text, a);
  }
  if (current >= 0) con_.SetCursor(top_ + current - first_, left_);
}

PickResult PickList::Run(int start) {
  const ColourSet colours = con_.colours();
  const int count = source_.Count();
  if (count == 0 || Rows() <= 0 || right_ < left_) {
    Draw(-1, colours);
    for (;;) {
      int k = con_.WaitKey();
      if (k == key::kEsc) return {};
      if (on_key_ && on_key_(k, 0)) return {0, PickExit::kKey, k};
    }
  }
  int current = std::clamp(start, 1, count) - 1;
  auto clamp_view = [&] {
    if (current < first_) first_ = current;
    if (current >= first_ + Rows()) first_ = current - Rows() + 1;
    first_ = std::clamp(first_, 0, std::max(0, count - Rows()));
  };
  first_ = std::max(0, current - Rows() / 2);
  clamp_view();
  for (;;) {
    Draw(current, colours);
    int k = con_.WaitKey();
    switch (k) {
      case key::kUp: current = std::max(0, current - 1); break;
      case key::kDown: current = std::min(count - 1, current + 1); break;
      case key::kPgUp:
        current = std::max(0, current - Rows());
        first_ = std::max(0, first_ - Rows());
        break;
      case key::kPgDn:
        current = std::min(count - 1, current + Rows());
        first_ += Rows();
        break;
      case key::kHome: case key::kCtrlPgUp: current = 0; break;
      case key::kEnd: case key::kCtrlPgDn: current = count - 1; break;
      case key::kEnter:
        if (source_.Selectable(current)) return {current + 1, PickExit::kChosen};
        con_.Beep();
        break;
      case key::kEsc: return {0, PickExit::kEscape};
      case key::kLeft:
        if (end_on_left_right_) return {current + 1, PickExit::kLeft};
        break;
      case key::kRight:
        if (end_on_left_right_) return {current + 1, PickExit::kRight};
        break;
      default:
        if (on_key_ && on_key_(k, current + 1)) return {current + 1, PickExit::kKey, k};
        if (IsCharacterKey(k)) {
          char want = UpperPlChar(static_cast<char>(k));
          for (int step = 1; step <= count; ++step) {
            int i = (current + step) % count;
            if (FirstLetter(source_.Item(i)) == want) {
              current = i;
              break;
            }
          }
        }
        break;
    }
    clamp_view();
  }
}

}  // namespace hurt::console
