#include "console/field_editor.h"

#include <cmath>

#include "base/text.h"
#include "console/keys.h"

namespace hurt::console {

FieldEditor::FieldEditor(FieldType type, std::string_view picture) : type_(type), picture_(ParsePicture(picture)) {
  number_picture_ = picture_;
  number_picture_.left_justify = false;
  number_picture_.parentheses = false;
  number_picture_.credit = false;
  number_picture_.debit = false;
}

void FieldEditor::LoadText(std::string_view value) {
  if (picture_.mask.empty()) {
    mask_.assign(value.size(), picture_.upper ? '!' : 'X');
    buffer_ = picture_.upper ? UpperPl(value) : std::string(value);
  } else {
    mask_ = picture_.mask;
    buffer_ = TransformText(value, picture_);
  }
  clear_pending_ = picture_.clear_on_key;
  changed_ = false;
  past_end_ = false;
  scroll_ = 0;
  pos_ = FirstEditable();
}

void FieldEditor::LoadNumber(double value) {
  if (picture_.mask.empty()) {
    bool fraction = std::fabs(value - std::round(value)) > 1e-9;
    number_picture_.mask = DefaultNumberMask(fraction ? 2 : 0);
  }
  mask_ = number_picture_.mask;
  buffer_ = TransformNumber(value, number_picture_);
  clear_pending_ = true;
  changed_ = false;
  past_end_ = false;
  scroll_ = 0;
  pos_ = FirstEditable();
}

void FieldEditor::LoadDate(JulianDay value) {
  mask_ = "99.99.9999";
  buffer_ = Dtoc(value);
  clear_pending_ = picture_.clear_on_key;
  changed_ = false;
  past_end_ = false;
  scroll_ = 0;
  pos_ = FirstEditable();
}

void FieldEditor::LoadLogical(bool value) {
  bool yes_no = !picture_.mask.empty() && (picture_.mask[0] == 'Y' || picture_.mask[0] == 'y');
  mask_ = yes_no ? "Y" : "L";
  buffer_ = yes_no ? (value ? "Y" : "N") : (value ? "T" : "F");
  clear_pending_ = false;
  changed_ = false;
  past_end_ = false;
  scroll_ = 0;
  pos_ = 0;
}

bool FieldEditor::Editable(int i) const {
  return i >= 0 && i < static_cast<int>(mask_.size()) && IsMaskSymbol(mask_[static_cast<size_t>(i)]);
}

int FieldEditor::FirstEditable() const {
  for (int i = 0; i < static_cast<int>(mask_.size()); ++i)
    if (Editable(i)) return i;
  return 0;
}

int FieldEditor::LastEditable() const {
  for (int i = static_cast<int>(mask_.size()) - 1; i >= 0; --i)
    if (Editable(i)) return i;
  return 0;
}

int FieldEditor::NextEditable(int i) const {
  for (int j = i + 1; j < static_cast<int>(mask_.size()); ++j)
    if (Editable(j)) return j;
  return -1;
}

int FieldEditor::PrevEditable(int i) const {
  for (int j = i - 1; j >= 0; --j)
    if (Editable(j)) return j;
  return -1;
}

int FieldEditor::SegmentEnd(int i) const {
  int end = i;
  while (Editable(end + 1)) ++end;
  return end;
}

void FieldEditor::DeleteAt(int i) {
  if (!Editable(i)) return;
  int end = SegmentEnd(i);
  for (int j = i; j < end; ++j) buffer_[static_cast<size_t>(j)] = buffer_[static_cast<size_t>(j + 1)];
  buffer_[static_cast<size_t>(end)] = ' ';
}

void FieldEditor::InsertAt(int i, char c) {
  int end = SegmentEnd(i);
  for (int j = end; j > i; --j) buffer_[static_cast<size_t>(j)] = buffer_[static_cast<size_t>(j - 1)];
  buffer_[static_cast<size_t>(i)] = c;
}

void FieldEditor::ClearBuffer() {
  for (size_t i = 0; i < mask_.size(); ++i) {
    char m = mask_[i];
    if (IsMaskSymbol(m)) {
      buffer_[i] = ' ';
    } else if (type_ == FieldType::kNumber && (m == '.' || m == ',')) {
      buffer_[i] = (m == '.') == picture_.european ? ',' : '.';
    } else {
      buffer_[i] = m;
    }
  }
}

void FieldEditor::ToDecimals() {
  size_t point = mask_.find('.');
  Picture p = number_picture_;
  p.blank_zero = false;
  buffer_ = TransformNumber(NumberValue(), p);
  int next = NextEditable(static_cast<int>(point));
  pos_ = next >= 0 ? next : LastEditable();
}

int FieldEditor::Scroll(int width) {
  if (width <= 0 || static_cast<int>(buffer_.size()) <= width) return scroll_ = 0;
  if (pos_ < scroll_) scroll_ = pos_;
  if (pos_ >= scroll_ + width) scroll_ = pos_ - width + 1;
  return scroll_;
}

FieldEditor::Outcome FieldEditor::ApplyKey(int k, bool insert_mode) {
  if (mask_.empty()) return (k >= 32 && k <= 255) ? Outcome::kRefused : Outcome::kNotMine;
  auto moved = [&] {
    clear_pending_ = false;
    return Outcome::kMoved;
  };
  if (past_end_) {
    switch (k) {
      case key::kBackspace:
        past_end_ = false;
        DeleteAt(pos_);
        changed_ = true;
        return moved();
      case key::kLeft:  // back onto the last character
        past_end_ = false;
        return moved();
      case key::kRight: case key::kDel: case key::kCtrlY:  // nothing after the field
        return moved();
      default:
        if (k >= 32 && k <= 255) return Outcome::kRefused;  // the full field waits for Enter
        if (k == key::kHome || k == key::kEnd || k == key::kCtrlLeft || k == key::kCtrlRight) past_end_ = false;
        break;
    }
  }
  switch (k) {
    case key::kLeft: {
      int p = PrevEditable(pos_);
      if (p >= 0) pos_ = p;
      return moved();
    }
    case key::kRight: {
      int n = NextEditable(pos_);
      if (n >= 0) pos_ = n;
      return moved();
    }
    case key::kHome:
      pos_ = FirstEditable();
      return moved();
    case key::kEnd: {
      int last = -1;
      for (int i = 0; i < static_cast<int>(buffer_.size()); ++i)
        if (Editable(i) && buffer_[static_cast<size_t>(i)] != ' ') last = i;
      if (last < 0) pos_ = FirstEditable();
      else pos_ = NextEditable(last) >= 0 ? NextEditable(last) : last;
      return moved();
    }
    case key::kCtrlLeft: {
      int p = PrevEditable(pos_);
      while (p >= 0 && buffer_[static_cast<size_t>(p)] == ' ') p = PrevEditable(p);
      while (p >= 0 && PrevEditable(p) >= 0 && buffer_[static_cast<size_t>(PrevEditable(p))] != ' ') p = PrevEditable(p);
      if (p >= 0) pos_ = p;
      return moved();
    }
    case key::kCtrlRight: {
      int n = pos_;
      while (n >= 0 && buffer_[static_cast<size_t>(n)] != ' ') n = NextEditable(n);
      while (n >= 0 && buffer_[static_cast<size_t>(n)] == ' ') n = NextEditable(n);
      if (n >= 0) pos_ = n;
      return moved();
    }
    case key::kBackspace: {
      int p = PrevEditable(pos_);
      if (p >= 0) {
        pos_ = p;
        DeleteAt(p);
        changed_ = true;
      }
      return moved();
    }
    case key::kDel:
      DeleteAt(pos_);
      changed_ = true;
      return moved();
    case key::kCtrlY:
      for (int i = pos_; i < static_cast<int>(buffer_.size()); ++i)
        if (Editable(i)) buffer_[static_cast<size_t>(i)] = ' ';
      changed_ = true;
      return moved();
    default:
      break;
  }
  if (k < 32 || k > 255) return Outcome::kNotMine;
  char c = static_cast<char>(k);
  bool numeric = type_ == FieldType::kNumber;
  if (numeric && (c == '.' || c == ',')) {
    if (mask_.find('.') == std::string::npos) return Outcome::kRefused;
    ToDecimals();
    changed_ = true;
    clear_pending_ = false;
    return Outcome::kMoved;
  }
  if (!Editable(pos_)) return Outcome::kRefused;
  auto accepted = AcceptTyped(mask_[static_cast<size_t>(pos_)], c, numeric, picture_.upper);
  if (!accepted) return Outcome::kRefused;
  if (clear_pending_) {
    ClearBuffer();
    pos_ = FirstEditable();
    clear_pending_ = false;
    accepted = AcceptTyped(mask_[static_cast<size_t>(pos_)], c, numeric, picture_.upper);
    if (!accepted) return Outcome::kRefused;
  }
  // The digits of a date stand in fixed places: inserting would push the day into the
  // month and the month into the year while the date is typed, so a date is typed over.
  if (insert_mode && type_ != FieldType::kDate) InsertAt(pos_, *accepted);
  else buffer_[static_cast<size_t>(pos_)] = *accepted;
  changed_ = true;
  int n = NextEditable(pos_);
  if (n < 0) {
    // A field of one position (a warehouse, T/N) takes the next answer in its place.
    past_end_ = FirstEditable() != LastEditable();
    return Outcome::kFilled;
  }
  pos_ = n;
  return Outcome::kMoved;
}

std::string FieldEditor::TextValue(std::string_view original) const {
  std::string out;
  if (picture_.insert_literals && !picture_.mask.empty()) {
    for (size_t i = 0; i < buffer_.size(); ++i)
      if (Editable(static_cast<int>(i))) out += buffer_[i];
  } else {
    out = buffer_;
  }
  if (out.size() < original.size()) out += original.substr(out.size());
  return out;
}

double FieldEditor::NumberValue() const { return UntransformNumber(buffer_, number_picture_); }

std::optional<JulianDay> FieldEditor::DateValue() const { return Ctod(buffer_); }

bool FieldEditor::LogicalValue() const { return !buffer_.empty() && (buffer_[0] == 'T' || buffer_[0] == 'Y'); }

}  // namespace hurt::console
