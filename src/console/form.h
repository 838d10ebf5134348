// @ SAY, @ GET and READ.
//
//   Form form(con);
//   form.Say(3, 0, "Nazwa :");
//   form.GetText(3, 8, m_nazwa, "@!").Valid([&] { return !IsBlank(m_nazwa); });
//   form.GetNumber(4, 8, m_cena, "9999999.99");
//   ReadResult r = form.Read();
//   if (r.escaped) …
//
// A field is bound to a variable and shows it through its picture (base/picture.h). It
// takes the colour setting in force when it was created: the selected colour while it is
// edited, the unselected one otherwise. READ edits the fields in order:
//   Enter, Down, Tab        leave the field for the next one (after the last: READ ends)
//   Up, Shift+Tab           back to the previous field (the first stays)
//   PgUp, PgDn, Ctrl+W      end READ
//   Esc                     end READ; the field being edited keeps its old value
//   Ins                     insert/overwrite (the cursor shows which)
//   Ctrl+Home               to the first field
// A field is left only by those keys (SET CONFIRM ON everywhere): a character typed into
// its last position leaves the cursor after it, and the field waits for Enter; further
// characters are refused until the cursor moves back. Leaving a field (except by Esc)
// stores its value in the variable and then asks its VALID routine; a refusal keeps the
// cursor in the field. A field whose WHEN routine says no is skipped. After each VALID the
// fields are shown again, so values a routine recomputed appear at once. A field's ENTERED
// routine runs each time READ moves into it (a help line for the field, for example).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "console/console.h"
#include "console/field_editor.h"

namespace hurt::console {

class Form;

// One @ GET. Set up through the chained calls; owned by its Form.
class GetField {
 public:
  GetField& Valid(std::function<bool()> routine);
  GetField& When(std::function<bool()> routine);
  // Runs when READ moves into the field, before the first key is read.
  GetField& Entered(std::function<void()> routine);
  // Echo "*" for each character (password fields).
  GetField& Masked(bool on = true);
  // The window width of a field whose value is wider (same as @S in the picture).
  GetField& Width(int columns);

  int row() const { return row_; }
  int col() const { return col_; }
  FieldType type() const { return type_; }

 private:
  friend class Form;
  GetField(FieldType type, int row, int col, std::string picture, ColourSet colours)
      : type_(type), row_(row), col_(col), picture_(std::move(picture)), colours_(colours) {}

  void Load(FieldEditor& ed) const;
  // Stores the editor's value in the variable; false when it is not a valid value.
  bool Store(const FieldEditor& ed) const;
  // The text the field shows when not edited.
  std::string Shown() const;

  // The variable's value when the field was entered, for Esc to put back.
  struct Original {
    std::string text;
    double number = 0;
    JulianDay date = kEmptyDate;
    bool logical = false;
  };
  Original Remember() const;
  void PutBack(const Original& original) const;

  FieldType type_;
  int row_, col_;
  std::string picture_;
  ColourSet colours_;
  std::string* text_ = nullptr;
  double* number_ = nullptr;
  JulianDay* date_ = nullptr;
  bool* logical_ = nullptr;
  std::function<bool()> valid_;
  std::function<bool()> when_;
  std::function<void()> entered_;
  bool masked_ = false;
  int width_ = 0;  // 0: the whole buffer
};

struct ReadResult {
  int exit_key = 0;      // the key that ended READ
  bool escaped = false;  // ended with Esc
  bool updated = false;  // UPDATED(): some field was changed
};

class Form {
 public:
  explicit Form(Console& con) : con_(con) {}

  // @ row, col SAY text (code page 852) in the standard colour; with a picture for values.
  void Say(int row, int col, std::string_view text);
  void Say(int row, int col, std::string_view text, Attr attr);
  void SayNumber(int row, int col, double value, std::string_view picture);

  // @ row, col GET variable [PICTURE picture]. The variable must outlive the form.
  GetField& GetText(int row, int col, std::string& var, std::string_view picture = "");
  GetField& GetNumber(int row, int col, double& var, std::string_view picture = "");
  GetField& GetDate(int row, int col, JulianDay& var, std::string_view picture = "");
  GetField& GetLogical(int row, int col, bool& var, std::string_view picture = "");

  // READ: edits the fields starting with `start` (0-based) until READ ends.
  ReadResult Read(int start = 0);
  // CLEAR GETS.
  void ClearGets() { gets_.clear(); }
  // Shows every field with its variable's current value.
  void ShowAll();
  int size() const { return static_cast<int>(gets_.size()); }
  // The field READ is editing (or last edited), for tests and help keys.
  int current() const { return current_; }

 private:
  GetField& Add(std::unique_ptr<GetField> get);
  void Show(const GetField& get);
  void ShowEditing(const GetField& get, FieldEditor& ed);
  int NextAllowed(int from, int step) const;

  enum class Move { kNext, kPrev, kFirst, kEnd, kEscape };
  Move EditOne(GetField& get, int& exit_key, bool& updated);

  Console& con_;
  std::vector<std::unique_ptr<GetField>> gets_;
  int current_ = 0;
};

}  // namespace hurt::console
