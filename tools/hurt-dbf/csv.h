// CSV as RFC 4180 writes it: comma-separated, a field holding a comma, a quote, a line
// break or blanks at its ends is quoted, quotes inside doubled. Lines end with LF on
// output; CR LF and LF are both read.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace hurt::dbftool {

// Appends one field (UTF-8), quoted when needed; `first` leaves out the comma before it.
void AppendCsvField(std::string* line, std::string_view value, bool first);

// Reads records from a file one at a time. A quoted field may span lines; line() gives
// the number of the line on which the record last read began (1-based).
class CsvReader {
 public:
  explicit CsvReader(std::FILE* file) : file_(file) {}

  // Reads the next record into *fields. False at the end of the file; a malformed record
  // (text after a closing quote, a quote left open at the end) gives Invalid.
  Result<bool> Next(std::vector<std::string>* fields);
  int line() const { return record_line_; }

 private:
  int Get();

  std::FILE* file_;
  int line_ = 1;
  int record_line_ = 0;
  int pushed_ = -2;
};

}  // namespace hurt::dbftool
