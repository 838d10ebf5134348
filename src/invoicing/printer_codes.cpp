#include "invoicing/printer_codes.h"

#include <array>

#include "base/cp852.h"

namespace hurt::invoicing {

namespace {

using namespace hurt::literals;

constexpr std::string_view kPagePrinterStart =
    "\x1b&l0O\x1b(10U\x1b(s0P\x1b(s20H\x1b(s10V\x1b(s0S\x1b(s0B\x1b(s4101T\x1b(s2Q";
constexpr std::string_view kPagePrinterEnlarged =
    "\x1b&l0O\x1b(10U\x1b(s0P\x1b(s6H\x1b(s14V\x1b(s0S\x1b(s0B\x1b(s4101T\x1b(s2Q";

// ESC "3" and a blank: line spacing 32/216 inch; ESC "!" 5: condensed elite.
constexpr char kDotMatrixStart[] = {kEsc, '3', ' ', kEsc, '!', 5};
// ESC "!" 33: elite, double width.
constexpr char kDotMatrixEnlarged[] = {kEsc, '!', 33};

struct OverstrikeLetter {
  std::string_view letter;  // the code page 852 byte
  char base;
  char mark;
};

constexpr std::array<OverstrikeLetter, 12> kOverstrike = {{
    {"ą"_pl, 'a', ','}, {"ę"_pl, 'e', ','}, {"ć"_pl, 'c', '\''}, {"ś"_pl, 's', '\''},
    {"ó"_pl, 'o', '\''}, {"ł"_pl, 'l', '/'},  {"Ą"_pl, 'A', ','}, {"Ę"_pl, 'E', ','},
    {"Ć"_pl, 'C', '\''}, {"Ś"_pl, 'S', '\''}, {"Ó"_pl, 'O', '\''}, {"Ł"_pl, 'L', '/'},
}};

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
  if (printer.page_printer) return std::string(kPagePrinterStart);
  return std::string(kDotMatrixStart, sizeof kDotMatrixStart);
}

std::string EnlargedSequence(const PrinterType& printer) {
  if (printer.page_printer) return std::string(kPagePrinterEnlarged);
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

std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) c = ' ';
  }
  return out;
}

std::string Overstrike(std::string_view cp852) {
  std::string out;
  out.reserve(cp852.size() + 8);
  for (char c : cp852) {
    const OverstrikeLetter* found = nullptr;
    for (const OverstrikeLetter& l : kOverstrike)
      if (l.letter[0] == c) found = &l;
    if (found == nullptr) {
      out += c;
      continue;
    }
    out += found->base;
    out += kBackspace;
    out += found->mark;
  }
  return out;
}

size_t PrintedWidth(std::string_view text) {
  size_t column = 0;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == kBackspace) {
      if (column > 0) --column;
    } else if (byte >= 32) {
      ++column;
    }
  }
  return column;
}

std::string PadPrinted(std::string_view text, size_t width) {
  std::string out(text);
  size_t used = PrintedWidth(text);
  if (used < width) out.append(width - used, ' ');
  return out;
}

}  // namespace hurt::invoicing
