// The field-list text from which TWORZ creates a table.
//
// The text is comma-separated: first the file path without extension, then four items
// per field: the name padded with blanks to 10 characters, the type letter, the width
// right-aligned in 3 characters and the decimals right-aligned in 3 characters. Each
// field is one piece "NRD       ,C,  8,  0," and the last field has no trailing comma:
//
//   "24/03/dowod,R_P       ,C,  1,  0,S_Z       ,C,  1,  0,...,R_CZAS    ,C,  8,  0"
//
// Optional fields are simply left out of the text.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "store/schema.h"

namespace hurt::store {

struct FieldList {
  std::string path;
  std::vector<Field> fields;
  bool operator==(const FieldList&) const = default;
};

// Whether a field can be created in a dBASE III table: a name of 1 to 10 characters of
// A-Z, 0-9 and "_" not starting with a digit; C 1..254; N 1..19 with no decimals or
// 1..15 decimals leaving room for the point and one more character; D 8; L 1; M 10.
Status ValidateField(const Field& field);

// One field's piece without the separating comma: "NRD       ,C,  8,  0".
std::string FieldListItem(const Field& field);

// The whole text. Refuses an empty path, a path holding a comma, no fields, an invalid
// field or a name given twice.
Result<std::string> FieldListText(std::string_view path, std::span<const Field> fields);

// Parses a text back into the path and the fields, as TWORZ does. Blanks around items
// are ignored and names and types are taken in upper case; anything else that does not
// fit the format (wrong number of items, empty name, unknown type, width or decimals not
// a number, a field that cannot be created, a name given twice) is refused with a Status
// naming the field.
Result<FieldList> ParseFieldList(std::string_view text);

}  // namespace hurt::store
