// The blocks of the printed invoice: seller and buyer, the line table, the VAT summary,
// the amount lines and the signature. Each block is a pure function returning its lines
// (code page 852, fixed texts with the overstruck letters, no line ends); print_form.h
// puts them on pages.
//
// The line table of the plain net form is 149 columns wide (columns followed by "|"):
//
//   Lp+name 35 | code 14 | J.m. 5 | quantity 12 | unit net 13 | net value 15 |
//   rate 4 | VAT 13 | gross value 15 | unit gross 13 |
//
// The plain gross form has the same columns with net and gross swapped. The forms with
// discount columns keep the width: the code column narrows to 10 and the unit price of the
// other basis goes, making room for the list price (11), the discount (7) and the price
// after the discount (11). " MAG |" and " OPA |" columns may follow at the right.
// Under the table the VAT rows are printed as a block aligned with the value, rate, VAT
// and second value columns of the table ("Razem" and "W tym").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "documents/vat_reconcile.h"
#include "invoicing/print_data.h"
#include "invoicing/printer_codes.h"

namespace hurt::invoicing {

// The four forms of the line table.
enum class FormLayout { kNet, kNetDiscount, kGross, kGrossDiscount };

// A gross-priced document prints with a gross form, with the discount columns when line
// discounts are shown (J_RAB_POZ) or the document has a discount; a net-priced one with the
// net form, with the discount columns when J_RAB_POZ is on and some line has a discount.
FormLayout SelectForm(char mode, bool j_rab_poz, double document_rabat, const std::vector<InvoiceLine>& lines);

inline bool IsGrossForm(FormLayout f) { return f == FormLayout::kGross || f == FormLayout::kGrossDiscount; }
inline bool IsDiscountForm(FormLayout f) { return f == FormLayout::kNetDiscount || f == FormLayout::kGrossDiscount; }

// The money of a line as the table prints it.
//   net basis:   net = round2(ILOSC × CENA), VAT = PODATEK, gross = net + VAT,
//                unit gross = round2(gross / ILOSC);
//   gross basis: gross = round2(ILOSC × CENA), VAT = PODATEK, net = gross − VAT,
//                unit net = round2(net / ILOSC).
// A line of quantity 0 has unit prices of 0 for the basis it is not priced in.
struct LineMoney {
  double cena_netto = 0, cena_brutto = 0;
  double netto = 0, vat = 0, brutto = 0;
  double cena_przed = 0;  // list price before the discount, in the line's basis
};
LineMoney MoneyOfLine(const InvoiceLine& line, bool gross_basis);

// How the table is drawn.
struct TableOptions {
  FormLayout form = FormLayout::kNet;
  bool pkwiu = true;             // J_PKWIU: the code column shows PKWIU, else INDEKS
  bool mag_column = false;       // J_MAG_DRUK
  bool opa_column = false;       // J_OPA_DRUK
  bool foreign_language = false; // a fourth, English caption line
  int quantity_decimals = 3;
};

class LineTable {
 public:
  explicit LineTable(const TableOptions& options);

  int Width() const { return width_; }
  // The rule line: "-" over the whole width.
  std::string Rule() const;
  // Rule, caption lines, rule.
  std::vector<std::string> Head() const;
  // The printed lines of one document line: the line itself, then continuation lines for
  // NAZWA1 and UWAGI. `ordinal` counts the lines from 1.
  std::vector<std::string> Row(const InvoiceLine& line, int ordinal) const;
  // The column where the value column begins (the "|" before it is one to the left).
  int ValueColumn() const { return value_column_; }

  // The block under the table: "Razem" with the totals, then the VAT rows ("W tym") in the
  // order of the summary; the left part of the first VAT row carries `left_text`.
  // Each row: value, rate, VAT and second value in the columns of the table (net and gross
  // on net forms, gross and net on gross forms). "NP" shows "---" for its VAT.
  std::vector<std::string> RateBlock(const documents::VatSummary& summary, std::string_view left_text) const;

 private:
  TableOptions options_;
  std::vector<int> widths_;
  int width_ = 0;
  int value_column_ = 0;
};

// The rate as the table shows it: "zw." for "ZW", "np" for "NP", else the code.
std::string RateText(std::string_view podatek0);

// The VAT summary table of FUN_SUMA, 64 columns wide:
//          STAWKA   |      NETTO    |      VAT    |     BRUTTO    |
//   (foreign language)    %  |  NET AMOUNT   |      VAT    |  GROSS AMOUNT |
//          ----------|---------------|-------------|---------------|
//               zw.  | 9999999999.99 | 99999999.99 | 9999999999.99 |
//               np   |      …        |     ---     |      …        |
//               23%  | …   (rates from the highest down)
//                0%  | …
//          ----------|---------------|-------------|---------------|
//           RAZEM    | …             (foreign language "RAZEM / TOTAL    ")
// A foreign currency writes "NETTO [EUR]", "VAT [EUR]", "BRUTTO [EUR]" (its own code) in
// the first header. The page printer frames the table with the box characters of code
// page 852 (0xB3 bar, 0xC4 rule, 0xC5 crossing, 0xB4 right tee).
struct VatTableOptions {
  bool page_printer = false;
  bool foreign_language = false;
  std::string waluta;  // a foreign currency code, blank for the złoty
};
std::vector<std::string> VatSummaryTable(const documents::VatSummary& summary, const VatTableOptions& options);

// "Słownie zł.: " (or the currency code + " : ") and the gross total in words.
std::string AmountInWordsLine(double brutto, std::string_view waluta);

// The amount lines of a correction, each only when its amount is not 0: decrease or
// increase of the net value and of the VAT, the amount to refund or to pay. Each line:
// label, the amount (its absolute value) as "9999 999.99", " zł." or " " + currency,
// " ( ", the amount in words and " )".
std::vector<std::string> CorrectionAmountLines(double netto, double vat, double brutto, std::string_view waluta);

// The issuer's signature: the operator's name, a dotted line and "Podpis osoby
// uprawnionej do wystawienia faktury VAT", at the right of the page.
std::vector<std::string> SignatureBlock(std::string_view operator_name);

// What the form prints in the letterhead's place: the letterhead text, 7 blank lines for
// J_FOLDER "BAAD", or (no letterhead) the company's name lines indented 40.
std::vector<std::string> LetterheadLines(const PrintSettings& settings, const Seller& seller);

// The seller block under the letterhead: postcode, town, street and phone indented 40;
// "NIP: " (prefixed by NIP_KRAJ on kinds tagged "EXPORT" or "[PL]") and "BDO: " at the
// right; with the marker KRS.TXT the KRS number (and REGON at the right), the court and
// the share capital.
std::vector<std::string> SellerBlock(const Seller& seller, const documents::DocKind& kind, bool krs_marker);

// The date line of every page: 114 blanks, the town, ",  " and the issue date (the date
// is left out for kinds tagged "BEZ DATY").
std::string TownDateLine(std::string_view town, JulianDay data, bool bez_daty);

// The buyer (supplier on purchase classes): name lines, address and tax number from the
// header, the customer's record filling what the header leaves blank; then the recipient
// lines (not on corrections, whose ODBIORCA holds the corrected number).
struct BuyerOptions {
  bool purchase = false;
  bool correction = false;
  bool foreign_language = false;
};
std::vector<std::string> BuyerBlock(const InvoiceHeader& header, const Buyer& buyer, const BuyerOptions& options);

// "Bank: <BODB>   Nr konta: <NRBO>" of the account NR_BANKU picks; none without account.
std::vector<std::string> BankLine(const Seller& seller, int nr_banku);

// The block of the cancelled form (FAKTURA_ANULOWANA): ten blank lines, the enlarged
// "--- FAKTURA ANULOWANA ---" (class "FV") or "--- DOWOD ANULOWANY ---" indented 8 and
// back to normal text, ten blank lines, then the signature block.
std::vector<std::string> CancelledBlock(std::string_view klasa, const PrinterType& printer,
                                        std::string_view operator_name);

}  // namespace hurt::invoicing
