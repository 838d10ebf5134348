// A catalogue screen over a small table whose records are edited field by field: the
// document kinds, the transfer orders. The same design as the article and counterparty
// catalogues, described by data instead of written out once more:
//
//   rows 0 .. panel_rows-1   the current record, every field with its label
//   row panel_rows           the title bar ("F1-pomoc" at the right)
//   rows below .. 23         the grid of records
//   row 24                   the key bar (F4 edit, F5 append, F6 filter, F7 search,
//                            F8 delete, F9 print); while a field is edited, a line that
//                            says what the field means
//
// F4 edits the current record: every field in form order, each checked as it is left
// (a refusal says why and keeps the cursor in the field); the key field only while the
// record may change its key. On leaving the form the record is locked and only the
// fields the operator changed are written, so that a counter another station moved
// meanwhile is not put back. F5 appends (the key first: blank ends it, an existing key
// shows that record), Alt+F5 appends a copy of the current record under a new key.
// F6 keeps the records whose fields contain what was typed in the query form, F7 finds
// the first such record. F8 deletes after "CHCESZ  SKASOWAC  POZYCJE  ?" when the
// screen's own guard allows it. Typed characters search by the key (order 1), as in the
// other catalogues. F4, F5 and F8 work only in the company's current month.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/work_area.h"

namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session

namespace hurt::catalogues {

// The edit buffer: the value of each form field, texts at their field width; numbers as
// text too (right-aligned in the field width), dates as their day number, converted when
// written.
using RecordBuffer = std::vector<std::string>;

struct RecordField {
  std::string_view name;   // field of the table; a field the table lacks is left out
  std::string_view label;  // code page 852
  int row = 0, col = 0;    // of the label; the value follows after one blank
  std::string_view picture;  // "" for any text; "!" upper case ...
  int width = 0;           // shown width of a long text (0: the whole field)
  std::string_view help;   // row 24 while the field is edited (code page 852)
  // "" when the value may be taken; otherwise the message saying why not. The value
  // may be normalised in place (upper case, padding).
  std::function<std::string(std::string& value)> valid;
};

struct RecordColumn {
  std::string heading;
  std::string_view field;
  int width = 0;
};

struct RecordCatalogue {
  std::string title;                 // code page 852, on the title bar
  int panel_rows = 12;
  std::vector<RecordField> fields;   // form order; fields[0] is the key (order 1)
  std::vector<RecordColumn> columns;
  bool has_key = true;               // records are found and kept unique by fields[0]
  // Which fields F4 may change (index into `fields`); empty: all.
  std::function<bool(size_t field)> editable;
  // The key may change while this holds for the current record.
  std::function<bool(xbase::WorkArea&)> key_changeable;
  // Before writing: "" or the message why the record cannot be written as it stands.
  std::function<std::string(const RecordBuffer& now, const RecordBuffer* before)> check;
  // F8: "" when the current record may go, else the message why not.
  std::function<std::string(xbase::WorkArea&)> delete_refusal;
  // F9: the printed list (the area stands filtered as the screen shows it).
  std::function<void(session::ReportWriter&, xbase::WorkArea&)> print;
};

// Runs the screen until Esc. The area keeps its order 1, no filter, at the top afterwards.
void RunRecordCatalogue(session::Session& s, xbase::WorkArea& area, const RecordCatalogue& catalogue);

// Helpers for field checks.
// "" when `value` (trimmed) is one of the characters of `allowed` (blank counts when
// `allowed` holds a blank); otherwise "Dozwolone: " and the letters.
std::string OneOf(std::string& value, std::string_view allowed);

}  // namespace hurt::catalogues
