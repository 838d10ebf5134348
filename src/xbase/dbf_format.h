// The dBASE III table file (.dbf): header and field descriptors.
//
// All integers are little-endian.
//
// Header (32 bytes):
//   OFFSET  SIZE  DESCRIPTION
//      0      1   version: 0x03 without memo, 0x83 with a .dbt memo file
//      1      3   date of the last update: year - 1900, month, day
//      4      4   record count
//      8      2   header length = 32 + 32 * fields + 2 (some writers use + 1)
//     10      2   record length = 1 (deleted flag) + sum of field widths
//     12     17   reserved, zero
//     29      1   language (code page) byte: written 0x64 (code page 852), any value read
//     30      2   reserved, zero
//
// Field descriptor (32 bytes each, one per field, from offset 32):
//   OFFSET  SIZE  DESCRIPTION
//      0     11   name: up to 10 characters, upper case, NUL-padded
//     11      1   type: C N D L M (F is read as N)
//     12      4   reserved, zero
//     16      1   width (C: low byte of the width)
//     17      1   decimals (C: high byte of the width, so C fields may be wider than 255)
//     18     14   reserved, zero
//
// After the descriptors: 0x0D, then 0x00; the records start at the header length.
//
// Records (record length bytes each): byte 0 is ' ' (live) or '*' (deleted), then the
// fields in order: C blank-padded text; N right-aligned decimal text with fixed decimals
// (blank when empty); D "YYYYMMDD" (8 blanks when empty); L T/F/?/blank; M the first .dbt
// block as 10 right-aligned digits (blank when there is no memo). A 0x1A end-of-file byte
// follows the last record.
//
// Decoding never trusts the file: every inconsistency gives Status::Corruption with the
// file name and what is wrong with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace hurt::xbase {

inline constexpr size_t kDbfHeaderPrefixSize = 32;
inline constexpr size_t kDbfFieldDescriptorSize = 32;
inline constexpr uint8_t kDbfVersionPlain = 0x03;
inline constexpr uint8_t kDbfVersionWithMemo = 0x83;
inline constexpr uint8_t kDbfLanguageCp852 = 0x64;
inline constexpr char kDbfHeaderTerminator = 0x0D;
inline constexpr char kDbfEndOfFile = 0x1A;
inline constexpr char kRecordLive = ' ';
inline constexpr char kRecordDeleted = '*';
inline constexpr size_t kMaxFieldNameLength = 10;
// Offset and size of the part of the header rewritten on every append: date and count.
inline constexpr uint64_t kDbfDateAndCountOffset = 1;
inline constexpr size_t kDbfDateAndCountSize = 3 + 4;
// Room a header may leave between its 0x0D terminator and the first record.
inline constexpr size_t kDbfMaxHeaderSlack = 264;

// One field of a table: as given to Table::Create and as read from a header.
struct DbfFieldDescriptor {
  std::string name;  // up to 10 characters
  char type = 'C';   // 'C' 'N' 'D' 'L' 'M' ('F' in foreign files, handled as 'N')
  int width = 0;
  int decimals = 0;

  bool operator==(const DbfFieldDescriptor&) const = default;

  // Appends the 32-byte descriptor. The name must already be valid (see Table::Create).
  void EncodeTo(std::string* out) const;
  // Decodes one 32-byte descriptor; a bad one gives Corruption saying what is wrong
  // (without the file name: the header decoder adds it).
  Status DecodeFrom(std::string_view in);
};

struct DbfHeader {
  uint8_t version = kDbfVersionPlain;
  int update_year = 1900;  // full year
  int update_month = 1;
  int update_day = 1;
  uint32_t record_count = 0;
  uint16_t header_length = 0;
  uint16_t record_length = 0;
  uint8_t language = kDbfLanguageCp852;
  std::vector<DbfFieldDescriptor> fields;

  bool HasMemoFields() const;

  // Appends exactly header_length bytes: prefix, descriptors, 0x0D, 0x00 (when room).
  void EncodeTo(std::string* out) const;
  // The 7 bytes at kDbfDateAndCountOffset: date of last update and record count.
  std::string EncodeDateAndCount() const;

  // The header length stored in the first 32 bytes (which the caller must have): how
  // many bytes to read for Decode.
  static uint16_t PeekHeaderLength(std::string_view prefix);

  // Decodes a header from the first bytes of a file (at least header_length of them when
  // the file has that many). Checks the version, the descriptors, the terminator, the
  // header and record lengths. file_name goes into every message.
  static Result<DbfHeader> Decode(std::string_view bytes, const std::string& file_name);

  // The whole records a file of this size holds: (size - header length) / record length.
  uint64_t RecordsInFile(uint64_t file_size) const;
  // Corruption when the file is shorter than the header or holds fewer records than the
  // header count says.
  Status CheckFileSize(uint64_t file_size, const std::string& file_name) const;
};

}  // namespace hurt::xbase
