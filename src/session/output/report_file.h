// The report file: where report routines write as if to a printer.
//
// A report routine writes plain text lines, with printer control sequences, into a
// per-station file; the viewer shows it and prints, copies or mails it from there.
//
//   INITDRUK(file)  -> ReportWriter::Open(env, file): creates or empties the file;
//   ? / ?? / QOUT   -> NewLine(), Write(), Line();
//   CLOSEDRUK()     -> Close(): the first write error of the run, if any.
//
// Bytes are code page 852 as the routine gives them. Printer control bytes (ESC
// sequences, SI, DC2, FF, the backspace of the overstruck Polish letters) pass through
// untouched. Lines end with CR LF.
//
// A file in use. While a report is being written or viewed, its writer or viewer holds a
// shared lock on byte kReportInUseOffset of the file (an open-file-description lock: it
// belongs to that open file and vanishes when it is closed or the process dies). A file
// that somebody holds this way cannot be replaced: the next run writes under another
// name (ChooseReportFile), as it would when another program has the file open.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::session {

// The byte whose shared lock marks a report file as in use (far beyond any report's end).
inline constexpr uint64_t kReportInUseOffset = 0x7FFFFFFF;

class ReportWriter {
 public:
  // INITDRUK: creates the file or empties it and marks it in use.
  static Result<std::unique_ptr<ReportWriter>> Open(xbase::Env& env, const std::string& path);
  ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Bytes as they are, no line end (?? text).
  void Write(std::string_view bytes);
  // The line end CR LF.
  void NewLine() { Write("\r\n"); }
  // A whole line: the text and CR LF.
  void Line(std::string_view text) {
    Write(text);
    NewLine();
  }

  // CLOSEDRUK: writes what is buffered and closes the file. Returns the first write
  // error of the whole run (later writes after an error are dropped). Idempotent.
  Status Close();

  const std::string& path() const { return path_; }
  uint64_t bytes_written() const { return offset_ + buffer_.size(); }

 private:
  ReportWriter(std::string path, std::unique_ptr<xbase::File> file) : path_(std::move(path)), file_(std::move(file)) {}
  void Flush();

  static constexpr size_t kBufferSize = 64 * 1024;
  std::string path_;
  std::unique_ptr<xbase::File> file_;
  std::string buffer_;
  uint64_t offset_ = 0;
  Status error_;
};

// DRUK(): writes ESC "3" 28 (line spacing 28/216 inch) and returns ESC "!" 1 (elite) for
// the caller to write where it wants.
std::string Druk(ReportWriter& out);
// DRUK(a, b): writes ESC "3" a (line spacing a/216 inch) and ESC "!" b (print mode b) and
// returns ESC "!" b. Numbers are taken as bytes (modulo 256), as CHR() does.
std::string Druk(ReportWriter& out, int a, int b);

// Opens a report file for viewing and marks it in use for as long as the File lives.
Result<std::unique_ptr<xbase::File>> HoldReportFile(xbase::Env& env, const std::string& path);

// Removes a report file so that it can be written anew. False when it cannot be: it is
// in use (see above), cannot be opened for writing, or cannot be removed. A missing file
// is free (true).
bool ReleaseReportFile(xbase::Env& env, const std::string& path);

// The name a report run writes to. The given name when it is free (it is removed);
// otherwise the names made by replacing the two characters before the 4-character
// extension with 51, 52, ... 99: the first one that does not exist or can be removed.
// When none can, the last name tried. A name whose name part has fewer than two
// characters before the extension has no alternatives: it is used as it is.
std::string ChooseReportFile(xbase::Env& env, const std::string& path);

// A report routine: writes its report into the writer.
using ReportProcedure = std::function<void(ReportWriter& out)>;

// The file side of VIEW_DRUK: chooses the output name, runs the routine into it and
// closes it. Returns the name written, to be viewed; a write error comes back as the
// status (the file holds what was written before it).
Result<std::string> RunReport(xbase::Env& env, const std::string& path, const ReportProcedure& procedure);

// "Brak pliku " + name: what the viewer says when the report file is missing.
std::string MissingFileText(std::string_view path);

// What VIEW_DRUK shows while a report runs, and above it when the data are a copy
// (the marker file "KOPIA.TXT" in the data directory, read at each use).
inline constexpr std::string_view kPleaseWaitText = "PROSZE CZEKAC ...";
inline constexpr std::string_view kWorkingOnCopyText = "PRACUJESZ NA KOPII";
bool WorkingOnCopy(xbase::Env& env, std::string_view data_dir);

}  // namespace hurt::session
