// Report text to PDF: what a report would look like on paper, as real text.
//
// The report's printer text is played by PrinterTextInterpreter (printer_text.h lists
// the control sequences honoured) and drawn with libharu on A4 pages in DejaVu Sans
// Mono, embedded in the file (only the glyphs used), so the Polish letters are real
// letters that can be searched and copied. Every character keeps its printer cell:
// columns stay aligned whatever the pitch, condensed text is narrower and double width
// text wider, bold, italic and underline are shown.
//
// Two geometries place the lines on the pages:
//
// Report (the default). The widest line of the whole report decides one scale for all
// pages, so that it fits between the side margins (a 149-column invoice in condensed
// elite fits as it is; a 230-column condensed list is made smaller). The page is scaled
// as a whole, as a wide printout reduced to A4: letters and line spacing alike. A page
// that runs full continues on the next one; a form feed starts a new page.
//
// Document (TWORZ_PDF, document_pdf.h): a fixed layout on a 595 x 842 page. Line n of the
// text (counted by its line ends, blank lines too) has its baseline 13 points below the
// one before, the first at 820; a line whose baseline would no longer be above 40 starts
// the next page (60 lines a page), and so does a form feed. A character stands at 22
// points from the left edge plus its printer position, unscaled; its letter is 8 points
// high in 20-per-inch text (ESC "(s20H", condensed elite), 16 in 6-per-inch text
// (ESC "(s6H", elite double width) and 10 in any other pitch, narrowed or widened to its
// cell. A QR code may follow the last line (PdfOptions::qr).
//
// The text is code page 852; a file that is valid UTF-8 with letters beyond ASCII is
// read as UTF-8 (PdfOptions::encoding).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/result.h"
#include "xbase/env.h"

namespace hurt::session {

// A QR code drawn under the last line of a document, with a line of text under it.
struct PdfQrMark {
  std::string text;   // what the code holds
  std::string label;  // UTF-8
};

struct PdfOptions {
  enum class Encoding { kAuto, kCp852, kUtf8 };
  enum class Geometry { kReport, kDocument };

  // The regular face; bold and italic faces are looked for beside it
  // ("DejaVuSansMono-Bold.ttf", "-Oblique", "-BoldOblique") and replaced by the regular
  // one when missing.
  std::string font_path = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
  std::string title;  // document title (the report's name when empty)
  // The rest of the information dictionary; an empty text is left out.
  std::string author;
  std::string creator = "hurt";
  std::string producer = "hurt";
  // The creation date's offset from universal time in minutes; none written when unset.
  std::optional<int> utc_offset_minutes;
  Encoding encoding = Encoding::kAuto;
  Geometry geometry = Geometry::kReport;
  std::optional<PdfQrMark> qr;  // document geometry only
};

// Page geometry in points.
inline constexpr float kA4Width = 595.276f;
inline constexpr float kA4Height = 841.89f;
inline constexpr float kPdfSideMargin = 14;
inline constexpr float kPdfTopMargin = 24;
inline constexpr float kPdfBottomMargin = 24;

// The document geometry.
inline constexpr float kDocPageWidth = 595;
inline constexpr float kDocPageHeight = 842;
inline constexpr float kDocLeft = 22;
inline constexpr float kDocFirstBaseline = 820;
inline constexpr float kDocLineStep = 13;
inline constexpr float kDocBottom = 40;  // a baseline must stay above it
inline constexpr int kDocLinesPerPage = 60;
static_assert(kDocFirstBaseline - kDocLineStep * (kDocLinesPerPage - 1) > kDocBottom &&
              kDocFirstBaseline - kDocLineStep * kDocLinesPerPage <= kDocBottom);
inline constexpr float kDocCondensedSize = 8;  // 20 characters per inch
inline constexpr float kDocNormalSize = 10;
inline constexpr float kDocWideSize = 16;      // 6 characters per inch
inline constexpr float kDocQrModule = 2;       // points per module of the QR code

// The letter size of a character of the document geometry by its printer cell width in
// points (72 / characters per inch).
float DocumentFontSize(float cell_width);

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
