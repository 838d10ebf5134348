// The number and title of an invoice as printed, and its original/copy mark.
//
// The printed number of a document is built from its kind and number in five steps:
//   1. the title word: "FAKTURA NR " from 01.01.2013, "FAKTURA VAT NR " before;
//   2. the number: trimmed NRD when the kind's description holds "NUMER", otherwise
//      trimmed RD + "-" + trimmed NRD;
//   3. the month: "/mm/yy" when the description holds "ZERUJ1.NRD", else "/mm" when
//      numbering restarts every month (J_ZER_NRD "T");
//   4. the branch symbol J_FV_SYMBO: "??" adds "/yy" (unless step 3 gave the year),
//      "WSD" adds nothing, any other non-blank symbol "/" + symbol;
//   5. the kind symbol: the characters after the byte 0xB1 in the description, up to the
//      first blank and at most 10, as "/" + symbol.
// Example: "FV ", 125, 07.12.2026, J_ZER_NRD "T", J_FV_SYMBO "KR": FAKTURA NR FV-125/12/KR.
#pragma once

#include <string>
#include <string_view>

#include "base/date.h"

namespace hurt::invoicing {

// The settings the numbering reads.
struct NumberingSettings {
  bool j_zer_nrd = false;  // J_ZER_NRD "T": numbering restarts every month
  std::string j_fv_symbo;  // J_FV_SYMBO: branch symbol, 4 characters, blank for none
};

// The day the title word changed ("FAKTURA VAT NR " before it, "FAKTURA NR " from it);
// invoices dated before it carry no original/copy mark either.
JulianDay TitleChangeDay();

// Steps 2 to 5: "FV-125/12/KR".
std::string DocumentNumberText(std::string_view rd, std::string_view nrd, JulianDay data, std::string_view opis,
                               const NumberingSettings& settings);

// Steps 1 to 5: "FAKTURA NR FV-125/12/KR".
std::string InvoiceTitle(std::string_view rd, std::string_view nrd, JulianDay data, std::string_view opis,
                         const NumberingSettings& settings);

// NR_FV_SYMBOL: the short form of an invoice number quoted by its correction. The text is
// a number, a blank and further words ("125 z dnia 07.12.2026"); the suffix goes right
// after the number: "/mm/<symbol>" with J_ZER_NRD "T" and a symbol, "/<symbol>" with a
// symbol only, "/mm" with J_ZER_NRD only, nothing otherwise. The blank after the number and
// all later ones are kept; a text with no blank gets the suffix at its end. The symbol
// "WSD" counts as none and "??" stands for the two-digit year. `data` is the date of the
// invoice quoted (its month and year).
std::string NrFvSymbol(std::string_view number_text, JulianDay data, const NumberingSettings& settings);

// The title of a correction: "Korekta " + the kind's first two characters + " Nr " + the
// same two + "-" + the corrected invoice's number in the short form (trailing blanks cut).
std::string CorrectionTitle(std::string_view rd, std::string_view corrected_number, JulianDay corrected_data,
                            const NumberingSettings& settings);

// The mark of the title line: "ORYGINAŁ" for J_ORYGINAL "O", "KOPIA" for "K", nothing for
// any other state or for an invoice dated before TitleChangeDay(). Code page 852.
std::string OryginalMark(char j_oryginal, JulianDay data);

// The original/copy cycle of J_ORYGINAL on the page printer. States: "X" (nothing printed
// yet), "O" (the original is printed), "K" (copies), "T" (the cycle is on: the same as
// "X"), "N" (the cycle is off: no marks ever).
struct OryginalStep {
  char printed = 'N';  // the state whose mark this printout carries
  char stored = 'N';   // the state kept for the next printout
};
struct OryginalContext {
  bool page_printer = false;   // the cycle steps only on the page printer
  bool one_copy_kind = false;  // the kind's description holds "{1}": printed once, unmarked
  char spz = 'G';              // payment method of the invoice
  bool druk_1fv_marker = false;  // the marker file DRUK_1FV.TXT exists
};
// X/T → O → K → K. A cash or card invoice ("G", "C") that reached "K" is stored back as
// "X" with the marker DRUK_1FV.TXT, so the next invoice starts a fresh cycle. Other
// printers keep the state as it is.
OryginalStep StepOryginal(char j_oryginal, const OryginalContext& context);

}  // namespace hurt::invoicing
