#include "console/text_editor.h"

#include <algorithm>

#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"

namespace hurt::console {

namespace {

constexpr int kTabStop = 8;

}  // namespace

TextEditor::TextEditor(Console& con, std::string_view text, std::string title) : con_(con), title_(std::move(title)) {
  if (text.find("\r\n") == std::string_view::npos && text.find('\n') != std::string_view::npos) eol_ = "\n";
  last_eol_ = text.empty() || text.back() == '\n';
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    start = end + 1;
  }
  if (lines_.empty()) lines_.emplace_back();
}

std::string TextEditor::Text() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || last_eol_) out += eol_;
  }
  return out;
}

void TextEditor::Clamp() {
  const int last = static_cast<int>(lines_.size()) - 1;
  row_ = std::clamp(row_, 0, last);
  col_ = std::clamp(col_, 0, static_cast<int>(lines_[static_cast<size_t>(row_)].size()));
  if (row_ < top_) top_ = row_;
  if (row_ >= top_ + kTextRows) top_ = row_ - kTextRows + 1;
  if (col_ < left_) left_ = std::max(0, col_ - 8);
  if (col_ >= left_ + 80) left_ = col_ - 72;
}

void TextEditor::Draw() {
  const Attr text = con_.colours().standard;
  const Attr bar = con_[Role::kKeyBar];
  for (int r = 0; r < kTextRows; ++r) {
    const size_t i = static_cast<size_t>(top_ + r);
    std::string shown;
    if (i < lines_.size() && static_cast<size_t>(left_) < lines_[i].size()) shown = lines_[i].substr(static_cast<size_t>(left_), 80);
    con_.Say(r, 0, PadR(shown, 80), text);
  }
  const std::string where = "Wiersz " + std::to_string(row_ + 1) + "  Kol " + std::to_string(col_ + 1) +
                            (insert_ ? "  WST" : "  ZAS") + (changed_ ? "  *" : "   ");
  con_.Say(23, 0, PadR(" " + title_, 80 - where.size() - 1) + where + " ", con_.colours().enhanced);
  con_.Say(24, 0, PadR("F2/Ctrl+W-zapis  Ins-wstawianie/zastepowanie  Enter-podzial wiersza  Esc-wyjscie", 80), bar);
  con_.SetCursor(row_ - top_, col_ - left_);
}

void TextEditor::Insert(char c) {
  std::string& line = lines_[static_cast<size_t>(row_)];
  const size_t at = static_cast<size_t>(col_);
  if (insert_ || at >= line.size()) {
    line.insert(at, 1, c);
  } else {
    line[at] = c;
  }
  ++col_;
  changed_ = true;
}

void TextEditor::Enter() {
  std::string& line = lines_[static_cast<size_t>(row_)];
  std::string rest = line.substr(static_cast<size_t>(col_));
  line.erase(static_cast<size_t>(col_));
  lines_.insert(lines_.begin() + row_ + 1, std::move(rest));
  ++row_;
  col_ = 0;
  changed_ = true;
}

void TextEditor::Backspace() {
  if (col_ > 0) {
    lines_[static_cast<size_t>(row_)].erase(static_cast<size_t>(col_ - 1), 1);
    --col_;
    changed_ = true;
  } else if (row_ > 0) {
    std::string& above = lines_[static_cast<size_t>(row_ - 1)];
    col_ = static_cast<int>(above.size());
    above += lines_[static_cast<size_t>(row_)];
    lines_.erase(lines_.begin() + row_);
    --row_;
    changed_ = true;
  }
}

void TextEditor::Delete() {
  std::string& line = lines_[static_cast<size_t>(row_)];
  if (static_cast<size_t>(col_) < line.size()) {
    line.erase(static_cast<size_t>(col_), 1);
    changed_ = true;
  } else if (static_cast<size_t>(row_) + 1 < lines_.size()) {
    line += lines_[static_cast<size_t>(row_ + 1)];
    lines_.erase(lines_.begin() + row_ + 1);
    changed_ = true;
  }
}

bool TextEditor::Save(const std::function<bool(const std::string&)>& save) {
  if (!save(Text())) return false;
  changed_ = false;
  saved_once_ = true;
  return true;
}

bool TextEditor::Handle(int k, const std::function<bool(const std::string&)>& save) {
  const int last = static_cast<int>(lines_.size()) - 1;
  switch (k) {
    case key::kUp: --row_; break;
    case key::kDown: ++row_; break;
    case key::kLeft:
      if (col_ > 0) {
        --col_;
      } else if (row_ > 0) {
        --row_;
        col_ = static_cast<int>(lines_[static_cast<size_t>(row_)].size());
      }
      break;
    case key::kRight:
      if (static_cast<size_t>(col_) < lines_[static_cast<size_t>(row_)].size()) {
        ++col_;
      } else if (row_ < last) {
        ++row_;
        col_ = 0;
      }
      break;
    case key::kPgUp:
      row_ -= kTextRows;
      top_ = std::max(0, top_ - kTextRows);
      break;
    case key::kPgDn:
      row_ += kTextRows;
      top_ = std::min(std::max(0, last - kTextRows + 1), top_ + kTextRows);
      break;
    case key::kCtrlPgUp: row_ = 0, col_ = 0; break;
    case key::kCtrlPgDn: row_ = last, col_ = static_cast<int>(lines_.back().size()); break;
    case key::kHome: col_ = 0; break;
    case key::kEnd: col_ = static_cast<int>(lines_[static_cast<size_t>(row_)].size()); break;
    case key::kIns: insert_ = !insert_; break;
    case key::kDel: Delete(); break;
    case key::kBackspace: Backspace(); break;
    case key::kEnter: Enter(); break;
    case key::kTab:
      do {
        Insert(' ');
      } while (col_ % kTabStop != 0);
      break;
    case key::kCtrlEnd:  // Ctrl+W
      (void)Save(save);
      break;
    case key::kEsc:
      if (!changed_) return false;
      if (!Okno(con_, "Zapisac zmiany ?", "T")) return false;
      return !Save(save);
    default:
      if (key::IsKey(k, key::F(2))) {
        (void)Save(save);
      } else if (k >= 32 && k <= 255 && k != 127) {
        Insert(static_cast<char>(k));
      }
      break;
  }
  Clamp();
  return true;
}

bool TextEditor::Run(const std::function<bool(const std::string&)>& save) {
  const SavedScreen saved = con_.SaveScreen();
  con_.ShowCursor(true);
  for (;;) {
    Clamp();
    Draw();
    if (!Handle(con_.Inkey(0), save)) break;
  }
  con_.RestoreScreen(saved);
  return saved_once_;
}

}  // namespace hurt::console
