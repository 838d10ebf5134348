// Printer control bytes of the printed documents and the Polish letters by overstrike.
//
// Printouts are code page 852 text with CR LF line ends. Two printer families are
// driven directly through control sequences (ESC = byte 27):
//
//   purpose               dot-matrix                       page printer ("PACKARD")
//   start, normal text    ESC "3" " "  ESC "!" 5            ESC "&l0O" ESC "(10U" ESC "(s0P"
//                         (spacing 32/216", condensed elite) ESC "(s20H" ESC "(s10V" ESC "(s0S"
//                                                           ESC "(s0B" ESC "(s4101T" ESC "(s2Q"
//   enlarged title        ESC "!" 33 (elite, double width)  the start string with "(s6H" and
//                                                           "(s14V" for "(s20H" and "(s10V"
//   back to normal        the start sequence               the start sequence
//   document end          FF (J_EJECT "T") or J_PAPIER     FF, unless M_DRUKARKA holds
//                         blank lines (at least 2)          "-CHR(12)"
//
// Fixed texts of the forms spell some Polish letters by overstrike (base/printed_text.h).
#pragma once

#include <string>
#include <string_view>

#include "base/printed_text.h"

namespace hurt::invoicing {

inline constexpr char kEsc = 27;
inline constexpr char kFormFeed = 12;
inline constexpr std::string_view kCrLf = "\r\n";

// The printer as the setting M_DRUKARKA names it.
struct PrinterType {
  bool page_printer = false;    // "PACKARD" in the text: page-printer sequences
  bool laser = false;           // "LASER" in the text
  bool no_final_feed = false;   // "-CHR(12)" in the text: no form feed at the end (page printer)
};
PrinterType PrinterTypeOf(std::string_view m_drukarka);

// The sequence that starts a document and sets normal (condensed) text.
std::string StartSequence(const PrinterType& printer);
// The sequence of the enlarged title text.
std::string EnlargedSequence(const PrinterType& printer);
// Back to normal text after an enlarged one.
std::string NormalSequence(const PrinterType& printer);

// What ends a document: "\f", or `blank_lines` CR LF pairs (J_PAPIER, at least 2), or
// nothing (page printer with "-CHR(12)").
std::string EndSequence(const PrinterType& printer, bool j_eject, int j_papier);

// The printed-text helpers, as the forms have always called them.
using hurt::kBackspace;
using hurt::PadPrinted;
using hurt::Printable;
using hurt::PrintedWidth;
using hurt::Overstrike;

}  // namespace hurt::invoicing
