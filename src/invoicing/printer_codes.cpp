#include "invoicing/printer_codes.h"

#include "session/helpers_print.h"

namespace hurt::invoicing {

namespace {

using session::PageOrientation;
using session::PagePrinterSetup;

// ESC "3" and a blank: line spacing 32/216 inch; ESC "!" 5: condensed elite.
constexpr char kDotMatrixStart[] = {kEsc, '3', ' ', kEsc, '!', 5};
// ESC "!" 33: elite, double width.
constexpr char kDotMatrixEnlarged[] = {kEsc, '!', 33};

bool Contains(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

}  // namespace

PrinterType PrinterTypeOf(std::string_view m_drukarka) {
  PrinterType p;
  p.page_printer = Contains(m_drukarka, "PACKARD");
  p.laser = Contains(m_drukarka, "LASER");
  p.no_final_feed = Contains(m_drukarka, "-CHR(12)");
  return p;
}

std::string StartSequence(const PrinterType& printer) {
  if (printer.page_printer) return PagePrinterSetup(PageOrientation::kPortrait, 20, 10);
  return std::string(kDotMatrixStart, sizeof kDotMatrixStart);
}

std::string EnlargedSequence(const PrinterType& printer) {
  if (printer.page_printer) return PagePrinterSetup(PageOrientation::kPortrait, 6, 14);
  return std::string(kDotMatrixEnlarged, sizeof kDotMatrixEnlarged);
}

std::string NormalSequence(const PrinterType& printer) { return StartSequence(printer); }

std::string EndSequence(const PrinterType& printer, bool j_eject, int j_papier) {
  if (printer.page_printer) return printer.no_final_feed ? std::string() : std::string(1, kFormFeed);
  if (j_eject) return std::string(1, kFormFeed);
  std::string out;
  int blank_lines = j_papier < 2 ? 2 : j_papier;
  for (int i = 0; i < blank_lines; ++i) out += kCrLf;
  return out;
}

}  // namespace hurt::invoicing
