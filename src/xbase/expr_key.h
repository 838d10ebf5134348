// Index keys from expressions: the shape a new index gets and the bytes of each key.
//
// An index key is the value of its expression turned into bytes that sort as the values
// do: texts as they are (padded or cut to the key length), dates as DTOS(), logicals
// "T"/"F", numbers as their STR() text made sortable — leading blanks become "0"; for a
// negative number the "-" becomes "0" as well and then every digit d becomes the byte
// 44 - d ("0" -> ",", "9" -> "#"), so negatives sort below positives and below each other
// in order. A number too wide for the key keeps STR()'s asterisks, as other xBase
// programs store it.
#pragma once

#include <string>

#include "base/result.h"
#include "xbase/expr.h"
#include "xbase/value.h"

namespace hurt::xbase {

// Longest key an index may have.
constexpr int kMaxKeyLength = 250;

struct KeyShape {
  ValueType type = ValueType::kCharacter;
  int length = 0;    // bytes of every key
  int decimals = 0;  // numbers only
  bool operator==(const KeyShape&) const = default;
};

// The shape of the keys of `key`, decided as xBase does when it creates an index: the
// expression is evaluated on a blank record (`blank` must present one), and a text key
// takes the compiled width when it is known, else the length of that blank value. A
// numeric key takes the width and decimals of its field (see Expression::numeric_shape),
// else STR()'s 10 without decimals. Errors: the blank evaluation fails, the key is empty,
// longer than kMaxKeyLength, or has no fixed type.
Result<KeyShape> KeyShapeOf(Expression& key, const ExprContext& blank);

// Appends the key of the current record (exactly shape.length bytes). A value of another
// type than the shape's is an error.
Status AppendKey(Expression& key, const KeyShape& shape, const ExprContext& ctx, std::string* out);

// Appends the key bytes of a value, e.g. one to seek.
Status AppendKeyOf(const Value& value, const KeyShape& shape, std::string* out);

// The sortable text of a number (see above), appended.
void AppendNumericKey(double x, int length, int decimals, std::string* out);

}  // namespace hurt::xbase
