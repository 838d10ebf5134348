#include "console/message_window.h"

#include <algorithm>

#include "base/text.h"
#include "console/keys.h"

namespace hurt::console {

namespace {

constexpr int kMaskedLength = 10;
// Characters of text between the frame's sides.
constexpr int kOknoWidth = kOknoRight - kOknoLeft - 1;

// The saved message area and cursor, put back when the window closes.
class SavedOkno {
 public:
  explicit SavedOkno(Console& con)
      : con_(con), region_(SaveOknoArea(con)), cursor_(con.cursor()) {}
  ~SavedOkno() {
    con_.Restore(region_);
    con_.SetCursorState(cursor_);
  }
  SavedOkno(const SavedOkno&) = delete;
  SavedOkno& operator=(const SavedOkno&) = delete;

 private:
  Console& con_;
  SavedRegion region_;
  CursorState cursor_;
};

void DrawOkno(Console& con, std::string_view text, Attr frame, Attr text_attr, int max_lines = 3) {
  DrawOknoBox(con, text, frame, text_attr, max_lines);
}

// `text` cut into lines of at most `width` characters at blanks (a word longer than a
// line is cut where the line ends).
std::vector<std::string> WrapText(std::string_view text, size_t width) {
  std::vector<std::string> lines;
  std::string line;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ' && line.empty() && !lines.empty()) ++at;
    size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view word = text.substr(at, end - at);
    const size_t need = line.empty() ? word.size() : line.size() + 1 + word.size();
    if (need <= width) {
      if (!line.empty()) line += ' ';
      line += word;
      at = end + (end < text.size() ? 1 : 0);
    } else if (line.empty()) {
      line = std::string(word.substr(0, width));
      at += width;
      lines.push_back(std::move(line));
      line.clear();
    } else {
      lines.push_back(std::move(line));
      line.clear();
    }
  }
  if (!line.empty() || lines.empty()) lines.push_back(std::move(line));
  return lines;
}

}  // namespace

int OknoTextColumn(int length) { return 31 + (41 - length) / 2; }

OknoLayout LayOutOkno(std::string_view text, int max_lines) {
  constexpr size_t kNarrow = kOknoRight - kOknoLeft - 2;  // 41
  constexpr int kWideLeft = 1, kWideRight = 78;
  constexpr size_t kWide = kWideRight - kWideLeft - 1;     // 76
  OknoLayout l;
  const size_t most = static_cast<size_t>(max_lines < 1 ? 1 : max_lines);
  if (text.size() <= kNarrow) {
    l.lines.emplace_back(text);
    return l;
  }
  l.lines = WrapText(text, kNarrow);
  if (l.lines.size() > most) {
    l.left = kWideLeft;
    l.right = kWideRight;
    l.lines = WrapText(text, kWide);
    if (l.lines.size() > most) {
      l.lines.resize(most);
      std::string& last = l.lines.back();
      last = last.substr(0, std::min(last.size(), kWide - 3)) + "...";
    }
  }
  l.first_row = l.lines.size() == 1 ? kOknoTextRow : kOknoTop + 1;
  return l;
}

SavedRegion SaveOknoArea(Console& con) { return con.Save(kOknoTop, 0, kOknoSavedBottom, kCols - 1); }

void DrawOknoBox(Console& con, std::string_view text, Attr frame, Attr text_attr, int max_lines) {
  const OknoLayout l = LayOutOkno(text, max_lines);
  con.Box(kOknoTop, l.left, kOknoBottom, l.right, DoubleFrame(), frame, ' ');
  const int inner = l.right - l.left - 1;
  for (size_t i = 0; i < l.lines.size(); ++i) {
    const int length = static_cast<int>(l.lines[i].size());
    con.screen().Put(l.first_row + static_cast<int>(i), l.left + 1 + (inner - length) / 2, l.lines[i], text_attr);
  }
  con.ShowCursor(false);
}

void Okno_(Console& con, std::string_view text) {
  SavedOkno saved(con);
  DrawOkno(con, text, con[Role::kMessageFrame], con[Role::kMessageText]);
  con.Inkey(1);
}

void Okno_(Console& con, std::string_view text, int seconds) {
  SavedOkno saved(con);
  if (seconds == 1) {
    DrawOkno(con, text, con[Role::kMessageFrame], con[Role::kMessageText]);
  } else {
    DrawOkno(con, text, con[Role::kAlertFrame], con[seconds <= 0 ? Role::kAlertText : Role::kErrorText]);
  }
  con.Inkey(seconds <= 0 ? 0 : seconds);
}

void OknoLines(Console& con, const std::vector<std::string>& lines, int seconds) {
  const int count = static_cast<int>(lines.size());
  const int top = std::min(kOknoTop, kOknoBottom - count - 1);
  const SavedScreen saved = con.SaveScreen();
  const CursorState cursor = con.cursor();
  con.Box(top, kOknoLeft, kOknoBottom, kOknoRight, DoubleFrame(), con[Role::kAlertFrame], ' ');
  const int first = top + 1 + (kOknoBottom - top - 1 - count) / 2;
  for (int i = 0; i < count; ++i) {
    const std::string line = Left(lines[static_cast<size_t>(i)], kOknoWidth);  // never over the frame
    con.screen().Put(first + i, OknoTextColumn(static_cast<int>(line.size())), line,
                     con[i == 0 ? Role::kErrorText : Role::kAlertText]);
  }
  con.ShowCursor(false);
  con.Inkey(seconds <= 0 ? 0 : seconds);
  con.RestoreScreen(saved);
  con.SetCursorState(cursor);
}

void OknoNoWait(Console& con, std::string_view text) {
  DrawOkno(con, text, con[Role::kMessageFrame], con[Role::kMessageText]);
  con.Refresh();
}

bool Okno(Console& con, std::string_view question, std::string_view default_answer, bool forced) {
  if (forced) return true;
  SavedOkno saved(con);
  Attr frame = con[Role::kMessageFrame];
  DrawOkno(con, question, frame, con[Role::kMessageText], 2);
  con.Box(18, 37, 20, 65, SingleFrame(), frame, ' ');
  con.screen().Put(19, 38, "      [T/N]  ? ", frame);
  char preset = default_answer.empty() ? ' ' : UpperPlChar(default_answer[0]);
  if (preset != 'T' && preset != 'N') preset = ' ';
  con.screen().PutChar(19, 53, static_cast<unsigned char>(preset), con[Role::kQuestionDefault]);
  con.SetCursor(19, 53);
  con.ShowCursor(true);
  for (;;) {
    int k = con.WaitKey();
    if (k == 'T' || k == 't') return true;
    if (k == 'N' || k == 'n') return false;
    if (k == key::kEnter && preset != ' ') return preset == 'T';
  }
}

MaskedEntry GetHhhhh(Console& con, int row, int col, std::string_view colours) {
  ColourSet set = ParseColourSet(colours, ColourSet{con[Role::kMaskedEntry], con[Role::kMaskedEntry]}).value_or(ColourSet{});
  CursorState cursor = con.cursor();
  MaskedEntry out;
  auto show = [&] {
    int n = static_cast<int>(out.text.size());
    con.screen().Put(row, col, std::string(static_cast<size_t>(n), '*') + "_ ", set.standard);
    con.SetCursor(row, col + n);
    con.ShowCursor(true);
  };
  show();
  for (;;) {
    int k = con.WaitKey();
    if (k == key::kEnter) break;
    if (k == key::kEsc) {
      out.escaped = true;
      break;
    }
    if (k == key::kBackspace) {
      if (!out.text.empty()) out.text.pop_back();
      show();
      continue;
    }
    // Ten characters fill the entry; it still ends only with Enter, as every field does.
    if (k >= 32 && k <= 255 && static_cast<int>(out.text.size()) < kMaskedLength) {
      out.text += static_cast<char>(k);
      show();
    }
  }
  out.text = PadR(out.text, kMaskedLength);
  con.SetCursorState(cursor);
  return out;
}

}  // namespace hurt::console
