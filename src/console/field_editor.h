// The edit buffer of one input field while it is being edited: the text shown under the
// field's picture, the cursor position and what the keys do to them. No screen here.
//
// The buffer is the value as the picture shows it ("  1,234.50", "12.03.2024", "AB-CDE").
// Only positions under template symbols take characters; the cursor skips the literals.
//   - Text: as wide as the value (or its template). With @R the template's literals are
//     shown but not stored.
//   - Number: the first character typed clears the field (a new amount is typed from the
//     left) and "." or "," jumps to the decimals; on leaving, the digits are read back and
//     shown right-aligned.
//   - Date: "dd.mm.yyyy" digits, always typed over (also in insert mode); a date that
//     does not exist cannot be taken.
//   - Logical: one position, T/Y or F/N.
#pragma once

#include <optional>
#include <string>

#include "base/date.h"
#include "base/picture.h"

namespace hurt::console {

enum class FieldType { kText, kNumber, kDate, kLogical };

class FieldEditor {
 public:
  FieldEditor(FieldType type, std::string_view picture);

  void LoadText(std::string_view value);
  void LoadNumber(double value);
  void LoadDate(JulianDay value);
  void LoadLogical(bool value);

  enum class Outcome {
    kMoved,    // the key moved the cursor or changed the text
    kRefused,  // a character the position does not take
    kFilled,   // a character went into the last position: the field is full and the
               // cursor stands after it (past_end) until it is moved back
    kNotMine,  // not an editing key: the form decides
  };
  Outcome ApplyKey(int key, bool insert_mode);

  const std::string& buffer() const { return buffer_; }
  int pos() const { return pos_; }
  // The last position of a field of several was typed: the cursor stands after the field,
  // where characters are refused; Backspace takes the last character, Left goes back onto
  // it.
  bool past_end() const { return past_end_; }
  bool changed() const { return changed_; }
  // The value was replaced from outside (the calculator): it is stored on leaving.
  void MarkChanged() { changed_ = true; }
  FieldType type() const { return type_; }
  const Picture& picture() const { return picture_; }
  // The first buffer position a field `width` columns wide shows (@S): the window moves
  // only as far as needed to keep the cursor in it.
  int Scroll(int width);

  // The value the buffer holds. For a text, `original` is the variable before editing:
  // the part of it beyond the template (if the template is shorter) is kept.
  std::string TextValue(std::string_view original) const;
  double NumberValue() const;
  std::optional<JulianDay> DateValue() const;  // nullopt: not a real date
  bool LogicalValue() const;

 private:
  bool Editable(int i) const;
  int FirstEditable() const;
  int LastEditable() const;
  int NextEditable(int i) const;  // -1 when none
  int PrevEditable(int i) const;
  int SegmentEnd(int i) const;  // last editable position of the run starting at i
  void DeleteAt(int i);
  void InsertAt(int i, char c);
  void ClearBuffer();
  void ToDecimals();

  FieldType type_;
  Picture picture_;
  Picture number_picture_;  // a number's picture while editing: no @B, @(, @C, @X
  std::string mask_;    // one template symbol or literal per buffer position
  std::string buffer_;
  int pos_ = 0;
  bool changed_ = false;
  bool clear_pending_ = false;  // the first typed character clears the field
  bool past_end_ = false;
  int scroll_ = 0;
};

}  // namespace hurt::console
