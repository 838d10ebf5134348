#include "console/browse.h"

#include <algorithm>

#include "base/picture.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"

namespace hurt::console {

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t semi = text.find(';', start);
    lines.emplace_back(text.substr(start, semi == std::string_view::npos ? std::string_view::npos : semi - start));
    if (semi == std::string_view::npos) break;
    start = semi + 1;
  }
  return lines;
}

}  // namespace

BrowseColumn BrowseColumn::Text(std::string heading, std::function<std::string()> get, std::string picture) {
  BrowseColumn c;
  c.heading = std::move(heading);
  if (picture.empty()) {
    c.value = std::move(get);
  } else {
    Picture p = ParsePicture(picture);
    c.width = static_cast<int>(p.mask.size());
    c.value = [get = std::move(get), p] { return TransformText(get(), p); };
  }
  return c;
}

BrowseColumn BrowseColumn::Number(std::string heading, std::function<double()> get, std::string picture) {
  BrowseColumn c;
  c.heading = std::move(heading);
  Picture p = ParsePicture(picture);
  c.width = static_cast<int>(TransformNumber(0, p).size());
  c.value = [get = std::move(get), p] { return TransformNumber(get(), p); };
  return c;
}

BrowseColumn BrowseColumn::Date(std::string heading, std::function<JulianDay()> get) {
  BrowseColumn c;
  c.heading = std::move(heading);
  c.width = 10;
  c.value = [get = std::move(get)] { return Dtoc(get()); };
  return c;
}

BrowseColumn BrowseColumn::Logical(std::string heading, std::function<bool()> get) {
  BrowseColumn c;
  c.heading = std::move(heading);
  c.width = 1;
  c.value = [get = std::move(get)] { return std::string(get() ? "T" : "F"); };
  return c;
}

int KeyToAnswer(Console& con, BrowseMode mode) {
  if (mode == BrowseMode::kIdle) return key::kNone;
  const int k = con.LastKey();
  con.SetLastKey(key::kNone);
  return k;
}

BrowseAction BrowseActionOf(int result) {
  switch (result) {
    case 0: return BrowseAction::kLeave;
    case 2: return BrowseAction::kRepaint;
    case 3: return BrowseAction::kAppend;
    default: return BrowseAction::kContinue;
  }
}

Browse::Browse(Console& con, BrowseSource& source, int top, int left, int bottom, int right)
    : con_(con), source_(source), top_(top), left_(left), bottom_(bottom), right_(right) {}

Browse& Browse::AddColumn(BrowseColumn column) {
  columns_.push_back(std::move(column));
  laid_out_ = false;
  return *this;
}

Browse& Browse::Separators(std::string_view heading, std::string_view column, std::string_view footing) {
  head_sep_ = heading;
  col_sep_ = column;
  foot_sep_ = footing;
  laid_out_ = false;
  return *this;
}

Browse& Browse::Colours(const ColourSet& colours) {
  colours_ = colours;
  colours_given_ = true;
  return *this;
}

bool Browse::Empty() { return source_.IsEmpty(); }

void Browse::Layout() {
  heading_lines_ = 0;
  footing_lines_ = 0;
  bool any_heading = false, any_footing = false;
  widths_.clear();
  for (auto& c : columns_) {
    auto heads = SplitLines(c.heading);
    auto foots = SplitLines(c.footing);
    if (!c.heading.empty()) any_heading = true;
    if (!c.footing.empty()) any_footing = true;
    heading_lines_ = std::max(heading_lines_, static_cast<int>(heads.size()));
    footing_lines_ = std::max(footing_lines_, static_cast<int>(foots.size()));
    int w = std::max(c.width, 1);
    for (auto& h : heads) w = std::max(w, static_cast<int>(h.size()));
    for (auto& f : foots) w = std::max(w, static_cast<int>(f.size()));
    if (c.width <= 0 && c.value && !Empty()) w = std::max(w, static_cast<int>(c.value().size()));
    widths_.push_back(w);
  }
  if (!any_heading) heading_lines_ = 0;
  if (!any_footing) footing_lines_ = 0;
  data_top_ = top_ + heading_lines_ + (head_sep_.empty() ? 0 : 1);
  int data_bottom = bottom_ - footing_lines_ - (foot_sep_.empty() ? 0 : 1);
  data_rows_ = std::max(1, data_bottom - data_top_ + 1);
  column_ = std::clamp(column_, 0, std::max(0, static_cast<int>(columns_.size()) - 1));
  left_column_ = std::min(left_column_, column_);
  laid_out_ = true;
}

std::vector<int> Browse::VisibleColumns() const {
  std::vector<int> shown;
  int width = right_ - left_ + 1;
  int used = 0;
  for (int i = left_column_; i < static_cast<int>(columns_.size()); ++i) {
    int need = widths_[static_cast<size_t>(i)] + (shown.empty() ? 0 : static_cast<int>(col_sep_.size()));
    if (!shown.empty() && used + need > width) break;
    shown.push_back(i);
    used += need;
  }
  return shown;
}

void Browse::MoveColumn(int to) {
  if (columns_.empty()) return;
  column_ = std::clamp(to, 0, static_cast<int>(columns_.size()) - 1);
  if (column_ < left_column_) left_column_ = column_;
  for (;;) {
    auto shown = VisibleColumns();
    if (std::find(shown.begin(), shown.end(), column_) != shown.end()) break;
    ++left_column_;
  }
}

void Browse::PaintSeparator(int row, std::string_view sep) {
  const Attr a = colours_.standard;
  con_.screen().Fill(row, left_, row, right_, ' ', a);
  if (sep.empty()) return;
  const unsigned char fill = static_cast<unsigned char>(sep.back());
  int x = left_;
  bool first = true;
  for (int i : VisibleColumns()) {
    if (!first) {
      for (size_t k = 0; k < col_sep_.size(); ++k, ++x)
        if (x <= right_) con_.screen().PutChar(row, x, static_cast<unsigned char>(k < sep.size() ? sep[k] : sep.back()), a);
    }
    first = false;
    for (int k = 0; k < widths_[static_cast<size_t>(i)]; ++k, ++x)
      if (x <= right_) con_.screen().PutChar(row, x, fill, a);
  }
}

// One line of headings or footings: line `line` of each shown column's text, with the
// column separators between them.
void Browse::PaintTitleLine(int row, int line, bool footing) {
  const Attr a = colours_.standard;
  con_.screen().Fill(row, left_, row, right_, ' ', a);
  auto room = [&](int x) { return static_cast<size_t>(std::max(0, right_ - x + 1)); };
  int x = left_;
  bool first = true;
  for (int i : VisibleColumns()) {
    const BrowseColumn& c = columns_[static_cast<size_t>(i)];
    if (!first) {
      con_.screen().Put(row, x, col_sep_.substr(0, room(x)), a);
      x += static_cast<int>(col_sep_.size());
    }
    first = false;
    auto lines = SplitLines(footing ? c.footing : c.heading);
    std::string text = line < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(line)] : "";
    const int width = widths_[static_cast<size_t>(i)];
    con_.screen().Put(row, x, PadR(text, static_cast<size_t>(width)).substr(0, room(x)), a);
    x += width;
  }
}

void Browse::PaintHeadings() {
  for (int line = 0; line < heading_lines_; ++line) PaintTitleLine(top_ + line, line, /*footing=*/false);
  if (!head_sep_.empty()) PaintSeparator(top_ + heading_lines_, head_sep_);
  int foot_row = bottom_ - footing_lines_ + 1;
  if (!foot_sep_.empty()) PaintSeparator(foot_row - 1, foot_sep_);
  for (int line = 0; line < footing_lines_; ++line) PaintTitleLine(foot_row + line, line, /*footing=*/true);
}

void Browse::PaintAtEnd() {
  if (!laid_out_) Layout();
  const int64_t mark = source_.Bookmark();
  const int64_t above = -source_.Skip(-(data_rows_ - 1));
  source_.GoToBookmark(mark);
  row_pos_ = static_cast<int>(above);
  Paint();
  dirty_ = false;
}

int Browse::ColumnLeft(int column) const {
  int x = left_;
  bool first = true;
  for (int i : VisibleColumns()) {
    if (!first) x += static_cast<int>(col_sep_.size());
    first = false;
    if (i == column - 1) return x;
    x += widths_[static_cast<size_t>(i)];
  }
  return -1;
}

void Browse::PaintRow(int r, bool current, bool blank) {
  const int row = data_top_ + r;
  const Attr a = current && !cell_cursor_ ? colours_.enhanced : colours_.standard;
  con_.screen().Fill(row, left_, row, right_, ' ', colours_.standard);
  int x = left_;
  bool first = true;
  for (int i : VisibleColumns()) {
    const BrowseColumn& c = columns_[static_cast<size_t>(i)];
    if (!first) {
      con_.screen().Put(row, x, col_sep_.substr(0, static_cast<size_t>(std::max(0, right_ - x + 1))), a);
      x += static_cast<int>(col_sep_.size());
    }
    first = false;
    std::string text = (blank || !c.value) ? "" : c.value();
    text = PadR(text, static_cast<size_t>(widths_[static_cast<size_t>(i)]));
    const Attr cell = current && cell_cursor_ && i == column_ ? colours_.enhanced : a;
    con_.screen().Put(row, x, text.substr(0, static_cast<size_t>(std::max(0, right_ - x + 1))), cell);
    x += widths_[static_cast<size_t>(i)];
  }
  if (current) con_.SetCursor(row, left_);
}

void Browse::Paint() {
  if (!laid_out_) Layout();
  PaintHeadings();
  if (append_mode_) {
    int p = 0;
    if (!Empty()) {
      source_.GoBottom();
      int above = data_rows_ - 2;  // records shown above the blank row, the last included
      int64_t back = above > 0 ? -source_.Skip(-above) : 0;
      p = data_rows_ >= 2 ? static_cast<int>(back) + 1 : 0;
      for (int r = 0; r < p; ++r) {
        if (r > 0) source_.Skip(1);
        PaintRow(r, false, false);
      }
    }
    for (int r = p; r < data_rows_; ++r) PaintRow(r, r == p, true);
    row_pos_ = p;
    return;
  }
  if (Empty()) {
    row_pos_ = 0;
    for (int r = 0; r < data_rows_; ++r) PaintRow(r, false, true);
    return;
  }
  const int64_t mark = source_.Bookmark();
  row_pos_ = static_cast<int>(-source_.Skip(-row_pos_));
  bool more = true;
  for (int r = 0; r < data_rows_; ++r) {
    if (r > 0 && more) more = source_.Skip(1) == 1;
    PaintRow(r, more && r == row_pos_, !more);
  }
  source_.GoToBookmark(mark);
  // Put the cursor on the current row again (PaintRow of the later rows moved nothing).
  con_.SetCursor(data_top_ + row_pos_, left_);
}

BrowseAction Browse::Call(const Handler& handler, BrowseMode mode) {
  if (!handler) return BrowseAction::kContinue;
  return handler(mode, column_ + 1);
}

bool Browse::Apply(BrowseAction action) {
  switch (action) {
    case BrowseAction::kLeave:
      return false;
    case BrowseAction::kContinue:
      return true;
    case BrowseAction::kRepaint:
      append_mode_ = false;
      laid_out_ = false;  // records may have come or gone
      dirty_ = true;
      return true;
    case BrowseAction::kAppend:
      append_mode_ = true;
      dirty_ = true;
      return true;
  }
  return true;
}

bool Browse::Failed() {
  const std::vector<std::string> fault = source_.Fault();
  if (fault.empty()) return false;
  // Rows read before the fault showed may be wrong: none stays on the screen.
  con_.ClearRegion(top_, left_, bottom_, right_, colours_.standard);
  OknoLines(con_, fault, kBrowseFaultSeconds);
  return true;
}

int Browse::Run(const Handler& handler) {
  if (!colours_given_) {
    colours_.standard = con_.colours().standard;
    colours_.enhanced = con_.colours().enhanced;
  }
  Layout();
  con_.ShowCursor(false);
  auto leave_without_handler = [&](int k) { return !handler && (k == key::kEsc || k == key::kEnter); };
  for (;;) {
    Paint();
    dirty_ = false;
    if (Failed()) return key::kEsc;
    if (handler && con_.NextKey() == key::kNone) {
      BrowseMode mode = (Empty() && !append_mode_) ? BrowseMode::kEmpty : BrowseMode::kIdle;
      if (!Apply(Call(handler, mode))) return con_.LastKey();
      if (dirty_) {
        Paint();
        dirty_ = false;
      }
      if (Failed()) return key::kEsc;
    }
    const int k = con_.WaitKey();
    if (Empty() && !append_mode_) {
      if (leave_without_handler(k)) return k;
      if (!Apply(Call(handler, BrowseMode::kEmpty))) return k;
      continue;
    }
    if (append_mode_ && k == key::kUp) {
      append_mode_ = false;
      source_.GoBottom();
      row_pos_ = data_rows_ - 1;
      continue;
    }
    BrowseMode exception = BrowseMode::kException;
    bool handled = !append_mode_;
    if (!append_mode_) {
      switch (k) {
        case key::kDown:
          if (source_.Skip(1) == 0) exception = BrowseMode::kHitBottom;
          else row_pos_ = std::min(row_pos_ + 1, data_rows_ - 1);
          break;
        case key::kUp:
          if (source_.Skip(-1) == 0) exception = BrowseMode::kHitTop;
          else row_pos_ = std::max(row_pos_ - 1, 0);
          break;
        case key::kPgDn: {
          int64_t moved = source_.Skip(data_rows_);
          if (moved == 0) exception = BrowseMode::kHitBottom;
          else if (moved < data_rows_) row_pos_ = data_rows_ - 1;
          break;
        }
        case key::kPgUp: {
          int64_t moved = source_.Skip(-data_rows_);
          if (moved == 0) exception = BrowseMode::kHitTop;
          else if (-moved < data_rows_) row_pos_ = 0;
          break;
        }
        case key::kCtrlPgUp:
          source_.GoTop();
          row_pos_ = 0;
          break;
        case key::kCtrlPgDn:
          source_.GoBottom();
          row_pos_ = data_rows_ - 1;
          break;
        case key::kLeft: MoveColumn(column_ - 1); break;
        case key::kRight: MoveColumn(column_ + 1); break;
        case key::kHome: MoveColumn(left_column_); break;
        case key::kEnd: {
          auto shown = VisibleColumns();
          MoveColumn(shown.empty() ? 0 : shown.back());
          break;
        }
        case key::kCtrlHome: MoveColumn(0); break;
        case key::kCtrlEnd: MoveColumn(static_cast<int>(columns_.size()) - 1); break;
        default:
          handled = false;
          break;
      }
    }
    if (handled && exception == BrowseMode::kException) continue;
    if (leave_without_handler(k)) return k;
    if (handled) {  // an attempt past the first or last record
      Paint();
      if (Failed()) return key::kEsc;
      if (!Apply(Call(handler, exception))) return k;
      continue;
    }
    if (!Apply(Call(handler, BrowseMode::kException))) return k;
  }
}

}  // namespace hurt::console
