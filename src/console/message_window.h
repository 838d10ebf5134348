// The message window, the yes/no question and the masked password entry that every
// screen of the program uses.
//
// The message area is fixed: a double frame at rows 15-19, columns 30-72, the text
// centred on row 17 at column 31 + (41 - length) / 2 (integer part). A longer text is
// wrapped at blanks onto rows 16-18 (16-17 for a question, whose answer box covers row
// 18); one that does not fit three lines there widens the frame to columns 1-78. The
// windows save rows 15-20 of the whole width with the cursor and put both back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"

namespace hurt::console {

constexpr int kOknoTop = 15;
constexpr int kOknoBottom = 19;
constexpr int kOknoSavedBottom = 20;
constexpr int kOknoLeft = 30;
constexpr int kOknoRight = 72;
constexpr int kOknoTextRow = 17;

// The column where a message of `length` characters starts.
int OknoTextColumn(int length);

// Where a message goes: the frame's columns and the text's lines from `first_row`.
struct OknoLayout {
  int left = kOknoLeft, right = kOknoRight;
  int first_row = kOknoTextRow;
  std::vector<std::string> lines;
};
OknoLayout LayOutOkno(std::string_view text, int max_lines = 3);

// The frame and the text, as every message window draws them; the cursor is hidden.
void DrawOknoBox(Console& con, std::string_view text, Attr frame, Attr text_attr, int max_lines = 3);
// The screen under any message window (rows 15-20, whole width).
SavedRegion SaveOknoArea(Console& con);

// _OKNO_(text): the message in the normal colours ("0/7" frame, "W+/N" text) for one
// second (a key ends it early), then the screen and cursor as they were.
void Okno_(Console& con, std::string_view text);

// _OKNO_(text, n): waits n seconds, or until a key when n is 0 (or less). Red frame
// ("W+/R") with the text in yellow ("RG+/N") when n is 0 and in red ("R+/N") otherwise;
// n = 1 uses the normal colours. Restores the screen and cursor.
void Okno_(Console& con, std::string_view text, int seconds);

// A message of several lines (each at most 41 characters; longer ones are cut) in the
// alert colours of _OKNO_(text, n): the first line red, the others yellow, centred in the
// message window, which grows upwards when they do not fit it. Waits `seconds`, or for a
// key when 0 (or less); restores the screen and cursor.
void OknoLines(Console& con, const std::vector<std::string>& lines, int seconds);

// _OKNO_(text, x) with a text x: draws the window in the normal colours and returns at
// once, leaving it on the screen (waiting messages that the next screen overwrites).
void OknoNoWait(Console& con, std::string_view text);

// OKNO(question, default [, forced]): the question in the message window and, in an
// inner box at rows 18-20, columns 37-65, "      [T/N]  ? " with the default answer in
// "W+/R". Waits for T, t, N or n; Enter counts only when there is a default ("T" or "N").
// True for T. With forced the answer is yes at once and nothing is shown.
bool Okno(Console& con, std::string_view question, std::string_view default_answer = "", bool forced = false);

// GET_HHHHH(row, col): masked entry of up to 10 characters, each shown as "*" with a "_"
// after it, in the colours given (default "W+/B+,B+/B+"; "0,0" hides even the stars).
// Backspace removes the last character; Enter or Esc end it (characters after the tenth
// are refused: a full entry waits for Enter like every input field).
struct MaskedEntry {
  std::string text;  // padded with blanks to 10
  bool escaped = false;
};
MaskedEntry GetHhhhh(Console& con, int row = 19, int col = 50, std::string_view colours = "W+/B+,B+/B+");

}  // namespace hurt::console
