// Index keys: how a value becomes the bytes an NTX index stores and compares.
//
// Keys compare as plain bytes (code page 852, no national collation), so every type is
// turned into text that sorts the way the values do:
//   - character: the bytes, blank-padded or cut to the key length;
//   - date:      "YYYYMMDD" (eight blanks for the empty date);
//   - logical:   "T" or "F";
//   - numeric:   STR(x, key length, decimals) with the leading blanks turned into "0";
//                a negative number also has its "-" turned into "0" and then every digit d
//                replaced by the byte 44 - d ("0" -> ",", "9" -> "#"), so that negative
//                numbers sort below positive ones and larger magnitudes below smaller ones.
//                A number too wide for the key gives STR()'s asterisks, as xBase does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/value.h"

namespace hurt::xbase {

// Length and decimals of the keys of one index (from its header).
struct KeyFormat {
  int length = 0;    // bytes per key, 1..256
  int decimals = 0;  // decimals of numeric keys
};

// The full key of a value: exactly format.length bytes. NIL gives Status::Invalid.
Result<std::string> EncodeKey(const Value& value, const KeyFormat& format);

// The key to seek for a value. A character value is cut to the key length but not
// padded: a shorter text seeks the first key that begins with it (xBase prefix seek).
// Other types give the full key.
Result<std::string> EncodeSeekKey(const Value& value, const KeyFormat& format);

// The numeric key text of x (see above): exactly `length` bytes.
std::string NumericKey(double x, int length, int decimals);

// The number a numeric key holds, or nullopt when the bytes are not a numeric key.
// Used by dump tools and tests.
std::optional<double> NumericKeyValue(std::string_view key);

}  // namespace hurt::xbase
