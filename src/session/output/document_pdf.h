// TWORZ_PDF: the printout of a document as a PDF file in the folder `pdf` of the data
// directory, named after the document's kind and number ("pdf/fv_12.pdf").
//
// The printout file (printer text in code page 852, as the forms write it) is drawn in
// the document geometry of report_pdf.h: A4 of 595 x 842 points, each line of the file at
// x 22 with its baseline from 820 down by 13 points a line, a new page when the baseline
// would no longer be above 40; the control sequences are played, not printed, and the
// pitch decides the letter size (20 per inch 8 points, 6 per inch 16, any other 10). The
// letters are DejaVu Sans Mono embedded with its Unicode map, so the Polish letters of
// the printout are real text that can be searched and copied.
//
// The information dictionary: Title "Faktura w formacie PDF", Author and Creator
// "KESTRAL", Producer "VAT TO PDF", CreationDate the clock's local time with the offset
// +01'00' the documents have always carried.
//
// The file is written beside its place as "<name>.tmp" and renamed over an older one, so
// a reader sees the old PDF or the new one, never half of one.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "session/output/report_pdf.h"
#include "xbase/env.h"

namespace hurt::session {

inline constexpr std::string_view kDocumentPdfFolder = "pdf";

// The PDF's name in the data directory: "pdf/" + kind + "_" + number + ".pdf", both
// trimmed and lower case ("FV ", "      12" give "pdf/fv_12.pdf"); a character that is
// not a letter, digit, "-" or "_" becomes "_".
std::string DocumentPdfName(std::string_view rd, std::string_view nrd);

// What the operator sees while the file is made: "Tworze <name>".
std::string TworzePdfText(std::string_view name);

// The options of TWORZ_PDF: the document geometry and information dictionary; the font
// (and a QR code) are taken from `base`.
PdfOptions DocumentPdfOptions(const PdfOptions& base = {});

// TWORZ_PDF: the printout file `source` to the PDF `pdf` (paths; the PDF's folder is made
// when missing). "Brak <source>" when there is no such file. Returns the pages written.
Result<int> TworzPdf(xbase::Env& env, const std::string& source, const std::string& pdf,
                     const PdfOptions& options = DocumentPdfOptions());

}  // namespace hurt::session
