#include "console/form.h"

#include <cmath>

#include "base/picture.h"
#include "base/text.h"
#include "console/keys.h"

namespace hurt::console {

namespace {

// The field being edited as the calculator and other hot-key routines see it.
class EditedField final : public ActiveField {
 public:
  EditedField(FieldEditor& ed, std::function<void()> redraw) : ed_(ed), redraw_(std::move(redraw)) {}
  bool IsNumeric() const override { return ed_.type() == FieldType::kNumber; }
  double NumericValue() const override { return ed_.NumberValue(); }
  void SetNumericValue(double value) override {
    if (!IsNumeric()) return;
    ed_.LoadNumber(value);
    ed_.MarkChanged();
    redraw_();
  }

 private:
  FieldEditor& ed_;
  std::function<void()> redraw_;
};

std::string MaskText(std::string text) {
  for (char& c : text)
    if (c != ' ') c = '*';
  return text;
}

}  // namespace

GetField& GetField::Valid(std::function<bool()> routine) {
  valid_ = std::move(routine);
  return *this;
}

GetField& GetField::When(std::function<bool()> routine) {
  when_ = std::move(routine);
  return *this;
}

GetField& GetField::Entered(std::function<void()> routine) {
  entered_ = std::move(routine);
  return *this;
}

GetField& GetField::Masked(bool on) {
  masked_ = on;
  return *this;
}

GetField& GetField::Width(int columns) {
  width_ = columns > 0 ? columns : 0;
  return *this;
}

void GetField::Load(FieldEditor& ed) const {
  switch (type_) {
    case FieldType::kText: ed.LoadText(*text_); break;
    case FieldType::kNumber: ed.LoadNumber(*number_); break;
    case FieldType::kDate: ed.LoadDate(*date_); break;
    case FieldType::kLogical: ed.LoadLogical(*logical_); break;
  }
}

bool GetField::Store(const FieldEditor& ed) const {
  switch (type_) {
    case FieldType::kText: *text_ = ed.TextValue(*text_); return true;
    case FieldType::kNumber: *number_ = ed.NumberValue(); return true;
    case FieldType::kDate: {
      auto d = ed.DateValue();
      if (!d) return false;
      *date_ = *d;
      return true;
    }
    case FieldType::kLogical: *logical_ = ed.LogicalValue(); return true;
  }
  return false;
}

GetField::Original GetField::Remember() const {
  Original o;
  if (text_) o.text = *text_;
  if (number_) o.number = *number_;
  if (date_) o.date = *date_;
  if (logical_) o.logical = *logical_;
  return o;
}

void GetField::PutBack(const Original& o) const {
  if (text_) *text_ = o.text;
  if (number_) *number_ = o.number;
  if (date_) *date_ = o.date;
  if (logical_) *logical_ = o.logical;
}

std::string GetField::Shown() const {
  switch (type_) {
    case FieldType::kText: return TransformText(*text_, picture_);
    case FieldType::kNumber: return TransformNumber(*number_, picture_);
    case FieldType::kDate: return TransformDate(*date_, picture_);
    case FieldType::kLogical: return TransformLogical(*logical_, picture_);
  }
  return {};
}

void Form::Say(int row, int col, std::string_view text) { con_.Say(row, col, text); }

void Form::Say(int row, int col, std::string_view text, Attr attr) { con_.Say(row, col, text, attr); }

void Form::SayNumber(int row, int col, double value, std::string_view picture) {
  con_.Say(row, col, TransformNumber(value, picture));
}

GetField& Form::Add(std::unique_ptr<GetField> get) {
  if (get->width_ == 0) get->width_ = ParsePicture(get->picture_).scroll_width;
  gets_.push_back(std::move(get));
  Show(*gets_.back());
  return *gets_.back();
}

GetField& Form::GetText(int row, int col, std::string& var, std::string_view picture) {
  auto g = std::unique_ptr<GetField>(new GetField(FieldType::kText, row, col, std::string(picture), con_.colours()));
  g->text_ = &var;
  return Add(std::move(g));
}

GetField& Form::GetNumber(int row, int col, double& var, std::string_view picture) {
  std::string pic(picture);
  if (ParsePicture(pic).mask.empty()) {  // a fixed template, so the width never changes
    bool fraction = std::fabs(var - std::round(var)) > 1e-9;
    pic = (pic.empty() ? "" : pic + " ") + DefaultNumberMask(fraction ? 2 : 0);
  }
  auto g = std::unique_ptr<GetField>(new GetField(FieldType::kNumber, row, col, pic, con_.colours()));
  g->number_ = &var;
  return Add(std::move(g));
}

GetField& Form::GetDate(int row, int col, JulianDay& var, std::string_view picture) {
  auto g = std::unique_ptr<GetField>(new GetField(FieldType::kDate, row, col, std::string(picture), con_.colours()));
  g->date_ = &var;
  return Add(std::move(g));
}

GetField& Form::GetLogical(int row, int col, bool& var, std::string_view picture) {
  auto g = std::unique_ptr<GetField>(new GetField(FieldType::kLogical, row, col, std::string(picture), con_.colours()));
  g->logical_ = &var;
  return Add(std::move(g));
}

void Form::Show(const GetField& g) {
  std::string text = g.Shown();
  // A scrolling field shows its window only: what lies beyond stays unpainted.
  if (g.width_ > 0) text = PadR(Left(text, g.width_), static_cast<size_t>(g.width_));
  if (g.masked_) text = MaskText(text);
  con_.screen().Put(g.row_, g.col_, text, g.colours_.unselected);
}

void Form::ShowAll() {
  for (const auto& g : gets_) Show(*g);
}

void Form::ShowEditing(const GetField& g, FieldEditor& ed) {
  const std::string& buf = ed.buffer();
  int width = g.width_ > 0 ? g.width_ : static_cast<int>(buf.size());
  int offset = ed.Scroll(width);
  std::string text = PadR(Substr(buf, offset + 1, width), static_cast<size_t>(width));
  if (g.masked_) text = MaskText(text);
  con_.screen().Put(g.row_, g.col_, text, g.colours_.enhanced);
  con_.SetCursor(g.row_, g.col_ + ed.pos() - offset + (ed.past_end() ? 1 : 0));
  con_.ShowCursor(true);
  con_.SetInsertShape(con_.insert_mode());
}

int Form::NextAllowed(int from, int step) const {
  for (int j = from + step; j >= 0 && j < size(); j += step) {
    const GetField& g = *gets_[static_cast<size_t>(j)];
    if (!g.when_ || g.when_()) return j;
  }
  return -1;
}

Form::Move Form::EditOne(GetField& g, int& exit_key, bool& updated) {
  if (g.entered_) g.entered_();
  const GetField::Original original = g.Remember();
  FieldEditor ed(g.type_, g.picture_);
  g.Load(ed);
  EditedField active(ed, [&] { ShowEditing(g, ed); });
  ActiveFieldScope scope(con_, &active);
  for (;;) {
    ShowEditing(g, ed);
    int k = con_.WaitKey();
    if (k == key::kIns) {
      con_.set_insert_mode(!con_.insert_mode());
      continue;
    }
    Move move = Move::kNext;
    switch (ed.ApplyKey(k, con_.insert_mode())) {
      case FieldEditor::Outcome::kMoved:
        continue;
      case FieldEditor::Outcome::kRefused:
        continue;
      case FieldEditor::Outcome::kFilled:  // a full field waits for Enter
        continue;
      case FieldEditor::Outcome::kNotMine:
        switch (k) {
          case key::kEnter: case key::kDown: case key::kTab: move = Move::kNext; break;
          case key::kUp: case key::kShiftTab: move = Move::kPrev; break;
          case key::kPgUp: case key::kPgDn: case key::kCtrlEnd: move = Move::kEnd; break;
          case key::kCtrlHome: move = Move::kFirst; break;
          case key::kEsc:
            exit_key = k;
            g.PutBack(original);
            Show(g);
            return Move::kEscape;
          default:
            continue;
        }
        break;
    }
    exit_key = k;
    if (ed.changed()) {
      if (!g.Store(ed)) {  // a date that does not exist: the field keeps the cursor
        con_.Beep();
        continue;
      }
      updated = true;
    }
    bool valid = !g.valid_ || g.valid_();
    if (!valid) {
      g.Load(ed);  // the routine may have changed the variable
      ShowAll();
      continue;
    }
    ShowAll();
    return move;
  }
}

ReadResult Form::Read(int start) {
  ReadResult r;
  if (gets_.empty()) return r;
  ShowAll();
  int i = NextAllowed(start - 1, +1);
  if (i < 0) return r;
  CursorState cursor = con_.cursor();
  for (;;) {
    current_ = i;
    Move m = EditOne(*gets_[static_cast<size_t>(i)], r.exit_key, r.updated);
    if (m == Move::kEscape) {
      r.escaped = true;
      break;
    }
    if (m == Move::kEnd) break;
    if (m == Move::kNext) {
      int n = NextAllowed(i, +1);
      if (n < 0) break;
      i = n;
    } else if (m == Move::kPrev) {
      int p = NextAllowed(i, -1);
      if (p >= 0) i = p;
    } else {
      int f = NextAllowed(-1, +1);
      if (f >= 0) i = f;
    }
  }
  con_.SetCursorState(cursor);
  return r;
}

}  // namespace hurt::console
