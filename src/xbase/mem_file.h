// Memory-variable files: named values saved and restored as a whole (SAVE TO / RESTORE FROM).
//
// The file is a sequence of variables, each a 32-byte header followed by its value, and
// ends with one 0x1A byte. All multi-byte numbers are little-endian.
//
// Variable header:
//   OFFSET  SIZE  DESCRIPTION
//        0    11  name, 1 to 10 characters, ended by a zero byte (bytes after the first
//                 zero are ignored: some writers leave garbage there)
//       11     1  type letter with the high bit set: C 0xC3, N 0xCE, D 0xC4, L 0xCC;
//                 readers ignore the high bit
//       12     4  reserved (ignored on reading, zero when we write)
//       16     1  C: low byte of the value length, closing zero byte included
//                 N: total width (digits, sign and decimal point)
//                 D, L: 1
//       17     1  C: high byte of that length; N: decimals; D, L: 0
//       18    14  reserved (ignored on reading, zero when we write)
//
// Value that follows the header:
//   C  the text bytes and one zero byte (length as in the header, 1..65535)
//   N  8-byte IEEE double
//   D  8-byte IEEE double holding the Julian day number; the empty date is 0.0
//   L  one byte, 1 true and 0 false (any non-zero byte reads as true)
//
// The width and decimals of a number only say how it is shown; the double is the value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"
#include "xbase/value.h"

namespace hurt::xbase {

// Header is name (11), type (1), reserved (4), length/width (1), high length/decimals (1),
// reserved (14).
constexpr size_t kMemNameFieldSize = 11;
constexpr size_t kMemMaxNameLength = kMemNameFieldSize - 1;
constexpr size_t kMemHeaderSize = 11 + 1 + 4 + 1 + 1 + 14;
constexpr size_t kMemNumberSize = 8;   // N and D values: one double
constexpr int kMemMaxDecimals = 15;    // N: more is damage (no xBase number has them)
constexpr size_t kMemMaxTextLength = 0xFFFF - 1;  // text bytes; the stored length adds the zero
constexpr char kMemEndOfFile = '\x1A';
constexpr unsigned char kMemTypeHighBit = 0x80;
// Larger files are refused before reading: a settings file has a few hundred variables.
constexpr uint64_t kMemMaxFileSize = 16u << 20;

// The width xBase gives a number that was never formatted: 10 integer places, plus the
// point and the decimals.
constexpr int MemDefaultWidth(int decimals) { return decimals == 0 ? 10 : 10 + decimals + 1; }

// One variable of a memory file.
struct MemVar {
  std::string name;  // 1..10 characters: letters, digits, "_"; upper case
  Value value;       // character, numeric, date or logical; never NIL
  int width = 0;     // N only: total width; 0 = MemDefaultWidth(decimals)
  int decimals = 0;  // N only

  bool operator==(const MemVar&) const = default;
};

// The 32-byte header of one variable.
struct MemVarHeader {
  std::string name;       // as stored, before upper-casing
  char type = 0;          // the letter without the high bit
  uint8_t length_low = 0;   // byte 16
  uint8_t length_high = 0;  // byte 17

  void EncodeTo(std::string* dst) const;
  // Consumes kMemHeaderSize bytes of *input. Checks the name and the type letter.
  Status DecodeFrom(std::string_view* input);
};

// The bytes of a memory file holding the variables in the given order. Invalid for a bad
// name, a NIL value, a text longer than kMemMaxTextLength or a width out of 1..255.
Result<std::string> EncodeMemFile(const std::vector<MemVar>& vars);

// The variables of a memory file in file order (a name may repeat; the later one is the one
// RESTORE keeps). Names come back upper case. Anything that does not follow the layout —
// a cut header or value, a length past the end, an unknown type, a text without its
// closing zero, a number that is not finite, a date out of range, a missing end mark — is
// Status::Corruption naming `file_name`. Bytes after the end mark are ignored.
Result<std::vector<MemVar>> DecodeMemFile(std::string_view bytes, const std::string& file_name);

// Reads and decodes the file at path. NotFound when it does not exist.
Result<std::vector<MemVar>> ReadMemFile(Env& env, const std::string& path);

// Writes the file so that it is replaced whole or not at all: the bytes go to a new
// temporary file in the same folder, which is synced and then renamed over `path`. A
// failure at any step leaves the previous file as it was (and removes the temporary
// file); two writers at once each rename a complete file, and the later rename wins.
Status WriteMemFile(Env& env, const std::string& path, const std::vector<MemVar>& vars);

}  // namespace hurt::xbase
