// Reads a report file line by line through the Env, a block at a time.
//
// A line ends at LF; a CR right before the LF belongs to the line end. A CR anywhere
// else stays in the line (on a printer it returns the carriage, so the text after it
// overstrikes the start of the line). A last line without LF is a line too. Only one
// block and the current line are held in memory, so reports of any size stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::session {

class LineReader {
 public:
  explicit LineReader(xbase::File& file) : file_(&file) {}

  // The next line without its end; false at the end of the file or after a read error.
  bool Next(std::string& line);
  // A read error met by Next, OK otherwise.
  const Status& status() const { return status_; }
  // Number of lines returned so far (the last one's 1-based number).
  int64_t line_number() const { return line_number_; }

 private:
  bool Fill();

  static constexpr size_t kBlockSize = 64 * 1024;
  xbase::File* file_;
  std::string block_;
  size_t pos_ = 0;
  uint64_t offset_ = 0;
  bool eof_ = false;
  int64_t line_number_ = 0;
  Status status_;
};

// Opens a file for reading; NotFound carries "Brak pliku <path>".
Result<std::unique_ptr<xbase::File>> OpenForReading(xbase::Env& env, const std::string& path);

}  // namespace hurt::session
