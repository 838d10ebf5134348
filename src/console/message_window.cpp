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
      : con_(con), region_(con.Save(kOknoTop, kOknoLeft, kOknoSavedBottom, kOknoRight)), cursor_(con.cursor()) {}
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

void DrawOkno(Console& con, std::string_view text, Attr frame, Attr text_attr) {
  con.Box(kOknoTop, kOknoLeft, kOknoBottom, kOknoRight, DoubleFrame(), frame, ' ');
  con.screen().Put(kOknoTextRow, OknoTextColumn(static_cast<int>(text.size())), text, text_attr);
  con.ShowCursor(false);
}

}  // namespace

int OknoTextColumn(int length) { return 31 + (41 - length) / 2; }

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
  DrawOkno(con, question, frame, con[Role::kMessageText]);
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
