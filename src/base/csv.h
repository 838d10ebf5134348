// CSV files: written for programs and for spreadsheets, read back from either.
//
// Quoting follows RFC 4180: a field holding the separator, a double quote, CR or LF, or
// blanks at either end (which spreadsheets would drop) is put in double quotes, with
// every quote inside doubled; a quoted field may span lines. Two dialects are written:
//
//   Program      ","  decimal point  UTF-8             LF     (hurt-dbf dump --csv)
//   Spreadsheet  ";"  decimal comma  UTF-8 with a BOM  CR LF  (what a spreadsheet set
//                                    or Windows-1250          up for Poland opens
//                                                             into columns as it is)
//
// A Polish spreadsheet takes "," for the decimal mark, so its list separator is ";"; the
// byte-order mark tells it that the file is UTF-8 (without one it assumes Windows-1250,
// which is the other choice). Texts inside the program are code page 852 (cp852.h); the
// encoding is applied per field.
//
// Reading takes either dialect: the separator is the first ";" or "," of the header row
// outside quotes, the encoding is UTF-8 after a byte-order mark or when the start of the
// file is valid UTF-8, Windows-1250 otherwise (or when the caller says so).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace hurt {

enum class CsvEncoding { kUtf8, kUtf8Bom, kCp1250 };

struct CsvDialect {
  char separator = ',';
  bool decimal_comma = false;
  CsvEncoding encoding = CsvEncoding::kUtf8;
  std::string_view line_end = "\n";

  static CsvDialect Program() { return {}; }
  static CsvDialect Spreadsheet(CsvEncoding encoding = CsvEncoding::kUtf8Bom) {
    return {';', true, encoding, "\r\n"};
  }
};

// The bytes a file of this encoding starts with: the UTF-8 byte-order mark, or nothing.
std::string_view CsvFileStart(CsvEncoding encoding);

// Code page 852 text in the file's encoding. A character Windows-1250 lacks (the box
// drawing characters) becomes "?".
std::string CsvEncodeText(std::string_view cp852, CsvEncoding encoding);
// A field read from a file back to code page 852. Invalid when it is not valid UTF-8 (in
// a UTF-8 file) or holds a character code page 852 cannot store (the message says which).
Result<std::string> CsvDecodeText(std::string_view bytes, CsvEncoding encoding);

// Appends one field (already in the file's encoding), quoted when needed; `first` leaves
// the separator before it out.
void AppendCsvField(std::string* line, std::string_view value, char separator, bool first);
// A number as xBase writes it ("-12.50") with the dialect's decimal mark.
std::string CsvNumber(std::string_view number, const CsvDialect& dialect);

// What the start of a file says about how to read it.
struct CsvLayout {
  CsvEncoding encoding = CsvEncoding::kUtf8;
  char separator = ',';
  size_t skip = 0;  // bytes of a byte-order mark to skip
};
// `start` is the beginning of the file (a few KiB are plenty); `cp1250` forces that
// encoding when the file has no byte-order mark.
CsvLayout SniffCsv(std::string_view start, bool cp1250 = false);

// Reads records one at a time from a source of bytes. A quoted field may span lines;
// CR LF and LF both end a record. line() is the (1-based) line on which the record last
// read began.
class CsvReader {
 public:
  // Fills up to n bytes into buf; 0 at the end.
  using Source = std::function<size_t(char* buf, size_t n)>;
  CsvReader(Source source, char separator) : source_(std::move(source)), separator_(separator) {}

  // The next record's fields (bytes as in the file). False at the end of the input; a
  // malformed record (text after a closing quote, a quote left open at the end) gives
  // Invalid naming the line.
  Result<bool> Next(std::vector<std::string>* fields);
  int line() const { return record_line_; }

 private:
  int Get();
  void Unget(int c) { pushed_ = c; }

  Source source_;
  char separator_;
  std::string buffer_;
  size_t at_ = 0;
  bool ended_ = false;
  int pushed_ = -2;
  int line_ = 1;
  int record_line_ = 0;
};

}  // namespace hurt
