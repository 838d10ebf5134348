// Report text to PDF: what a report would look like on paper, as real text.
//
// The report's printer text is played by PrinterTextInterpreter (printer_text.h lists
// the control sequences honoured) and drawn with libharu on A4 pages in DejaVu Sans
// Mono, embedded in the file (only the glyphs used), so the Polish letters are real
// letters that can be searched and copied. Every character keeps its printer cell:
// columns stay aligned whatever the pitch, condensed text is narrower and double width
// text wider, bold, italic and underline are shown.
//
// Fitting: the widest line of the whole report decides one scale for all pages, so that
// it fits between the side margins (a 149-column invoice in condensed elite fits as it
// is; a 230-column condensed list is made smaller). The page is scaled as a whole, as a
// wide printout reduced to A4: letters and line spacing alike. A page that runs full
// continues on the next one; a form feed starts a new page.
//
// The text is code page 852; a file that is valid UTF-8 with letters beyond ASCII is
// read as UTF-8 (PdfOptions::encoding).
#pragma once

#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/result.h"
#include "xbase/env.h"

namespace hurt::session {

struct PdfOptions {
  enum class Encoding { kAuto, kCp852, kUtf8 };

  // The regular face; bold and italic faces are looked for beside it
  // ("DejaVuSansMono-Bold.ttf", "-Oblique", "-BoldOblique") and replaced by the regular
  // one when missing.
  std::string font_path = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
  std::string title;  // document title (the report's name when empty)
  Encoding encoding = Encoding::kAuto;
};

// Page geometry in points.
inline constexpr float kA4Width = 595.276f;
inline constexpr float kA4Height = 841.89f;
inline constexpr float kPdfSideMargin = 14;
inline constexpr float kPdfTopMargin = 24;
inline constexpr float kPdfBottomMargin = 24;

struct PdfDocument {
  std::string bytes;  // the PDF file
  int pages = 0;
};

// Printer text (the bytes of a report file) to a PDF. The creation date comes from clock.
Result<PdfDocument> PrinterTextToPdf(std::string_view text, const PdfOptions& options, Clock& clock);

// A report file to PDF bytes; the file is read in blocks, never whole.
// "Brak pliku <name>" when the report is missing.
Result<PdfDocument> ReportFileToPdf(xbase::Env& env, const std::string& report, const PdfOptions& options);

// A report file to a PDF file (written as "<pdf>.tmp", then renamed). Returns the
// number of pages.
Result<int> ReportToPdfFile(xbase::Env& env, const std::string& report, const std::string& pdf,
                                    const PdfOptions& options);

}  // namespace hurt::session
