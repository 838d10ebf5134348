// A plain full-screen text editor: rows 0-22 the text, row 23 the title, the cursor's line
// and column and the typing mode, row 24 the keys.
//
// Keys: the arrows, PgUp/PgDn (a window), Home/End (the line's start and end), Ctrl+PgUp
// / Ctrl+PgDn (the first and the last line), Ins (insert or overtype), Del, Backspace
// (at a line's start it joins the line to the one above), Enter (splits the line at the
// cursor), Tab (blanks to the next multiple of 8), F2 or Ctrl+W (save), Esc (leave; when
// the text was changed and not saved, "Zapisac zmiany ?" first: T saves, N leaves it
// as it was). Lines longer than the screen scroll sideways with the cursor.
//
// The editor works on text in memory and knows nothing of files: the caller reads the
// text and is given it back to write (a failed write keeps the editor open). The text's
// line ends (CR LF or LF) and a missing last line end are kept as they were.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"

namespace hurt::console {

class TextEditor {
 public:
  // `text` and `title` in code page 852.
  TextEditor(Console& con, std::string_view text, std::string title);

  // Runs until Esc. `save` gets the whole text and returns true when it was written.
  // Returns true when the text was saved at least once.
  bool Run(const std::function<bool(const std::string&)>& save);

  // The text as it would be saved now.
  std::string Text() const;
  bool changed() const { return changed_; }
  int line() const { return row_; }      // 0-based line of the cursor
  int column() const { return col_; }    // 0-based column of the cursor

 private:
  static constexpr int kTextRows = 23;
  void Draw();
  // False when the key ends the editor.
  bool Handle(int k, const std::function<bool(const std::string&)>& save);
  bool Save(const std::function<bool(const std::string&)>& save);
  void Insert(char c);
  void Enter();
  void Backspace();
  void Delete();
  void Clamp();

  Console& con_;
  std::string title_;
  std::vector<std::string> lines_;
  std::string eol_ = "\r\n";
  bool last_eol_ = true;
  int row_ = 0, col_ = 0;  // cursor in the text
  int top_ = 0, left_ = 0;  // first line and column shown
  bool insert_ = true;
  bool changed_ = false;
  bool saved_once_ = false;
};

}  // namespace hurt::console
