// The independent readers the PDF tests check our files with: poppler-utils (pdftotext,
// pdffonts, pdfinfo, pdftoppm), qpdf and zbar-tools (zbarimg). scripts/setup installs
// them; a test on a machine without one fails, saying so.
#pragma once

#include <string>
#include <vector>

#include "support/child_process.h"

namespace hurt::testing {

// Runs a tool found in /usr/bin with its arguments (argv[0] is the tool's name).
ProcessResult RunPdfTool(std::vector<std::string> argv);

// pdftotext -layout of the whole file, or of one page (from 1).
std::string PdfText(const std::string& pdf, int page = 0);

// What the QR code on a page (from 1) says, read by zbarimg off a 150 dpi picture made in
// `scratch_dir`; "" when there is no code.
std::string QrCodeOn(const std::string& pdf, int page, const std::string& scratch_dir);

}  // namespace hurt::testing
