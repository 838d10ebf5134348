// The printed daily report: the layout of its sections, 145 columns.
//
// Each section has a heading and one line per document, grouped by kind:
//
//   [table set-up]ODDz. : <J_FV_SYMBO>              the branch symbol, when set
//   -----------
//   <name>,  <postal code>,  <town>,  <street>      our firm (area 1)
//   <further name lines>
//   [title set-up]DZIENNY RAPORT SPRZEDAZY          14.03.2026r
//   [table set-up]Nr operatorow: 12                 when a list was given
//   ------------------------------------------------------------------ (145)
//     Lp |              | Nr dowodu    | Kod      | Nazwa kontrahenta ...| Spz | Kwota zaplacona | Inny sposob zaplaty
//   ------------------------------------------------------------------ (145)
//
//   col  0  running number "9999"
//       22  kind-number, padded to 12 (the money section: subject in columns 6-17)
//       37  counterparty code (8)          48  name (50)
//      101  payment method, then the term "999" and two blanks (five blanks for B and G)
//      107  cash: the amount paid "9999 999 999.99" and, for a split payment, its second
//           method, ":" and the second amount "999 999.99"
//      125  other methods: the gross value "9999 999 999.99"
//           then a blank and the currency code when the table has WALUTA
//
// The document number is padded to 12 columns, one more than the old layout's 11, so that
// the code, name and amounts stand under their headings and the amounts of a line under
// the totals.
//
// When the kind changes, its subtotal: a rule of 145 "-", 22 blanks, the kind, " Razem",
// 76 blanks, the cash and the other total ("9999 999 999.99", three blanks apart) and a
// rule. With J_SD_RAZEM "T" the retail receipts "SD" and the kind "RD" print no line of
// their own: their subtotal is one numbered line instead of the ruled block. After the last
// kind, when the section had more than one: a rule and "Lacznie" (26 blanks before, 74
// after) with the section's totals.
//
// Totals: a cash document adds its amount paid to the cash totals and a split payment's
// second amount to the other totals; any other method adds the gross value (a money
// document: its amount) to the other totals.
//
// Printer set-up in every heading: a page printer ("PACKARD", "PACKARDL") gets the
// landscape set-up (session/helpers_print.h) at pitch 6 with a 14-point font for the title
// (20 points for "PACKARDL") and at pitch 20 with a 10-point font for the table (6 points
// for "PACKARDL"); any other printer gets the title double width (ESC "!" 33) and the table
// condensed (ESC "!" 5), each with line spacing 32/216 inch, through DRUK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"

namespace hurt::session {
class ReportWriter;
}

namespace hurt::reports {

// One header as the report prints it.
struct DailyDocument {
  std::string rd = "   ";       // kind, as stored
  std::string nrd;              // number, as stored
  std::string odb, nodb;        // counterparty code and name
  std::string odbiorca;         // a money document's subject
  std::string spz = " ";        // payment method
  double tez = 0;               // term in days
  double kwota = 0;             // the amount paid (cash)
  std::string spz2 = " ";       // a split payment's second method
  double kwota2 = 0;            // and its amount
  double gross = 0;             // NETTO + VAT, rounded to the grosz
  bool has_waluta = false;      // the table has WALUTA
  std::string waluta;
};

enum class DailySection { kSales, kCosts, kPurchases, kMoney, kAgent };

// The printer the headings set up, from M_DRUKARKA (a prefix comparison).
enum class DailyPrinter { kDotMatrix, kPackard, kPackardL };
DailyPrinter DailyPrinterOf(std::string_view m_drukarka);

// What every heading says besides its section's title.
struct DailyHeading {
  JulianDay day = kEmptyDate;
  std::string symbol;              // J_FV_SYMBO, blank when none
  std::string firm;                // name, postal code, town and street joined with ",  "
  std::vector<std::string> names;  // the further name lines that are not blank
  std::string operators;           // the operators chosen; "" for all
  DailyPrinter printer = DailyPrinter::kDotMatrix;
};

struct DailyTotals {
  double cash = 0;
  double other = 0;
};

constexpr size_t kDailyWidth = 145;

// The amount columns: "9999 999 999.99".
std::string DailyAmount(double v);

class DailySectionPrinter {
 public:
  // `note`: a line under the title (the agent of an agent's section), "" for none.
  DailySectionPrinter(session::ReportWriter& out, const DailyHeading& heading, DailySection section, bool sd_razem,
                      std::string note = {});
  void Begin();
  void Document(const DailyDocument& d);
  // The last kind's subtotal and, after more than one kind, "Lacznie".
  void End();

  const DailyTotals& totals() const { return day_; }
  int kinds() const { return kinds_; }

 private:
  void Line(const std::string& text);
  void CloseKind();
  bool OneLinePerKind(std::string_view rd) const;

  session::ReportWriter& out_;
  const DailyHeading& heading_;
  DailySection section_;
  bool sd_razem_;
  std::string note_;
  int lp_ = 0;
  int kinds_ = 0;
  std::string kind_;  // the kind being printed ("" before the first)
  DailyTotals kind_totals_, day_;
};

// The title and set-up sequences of the headings, for the printer chosen.
std::string DailyTitleSetup(DailyPrinter printer);
std::string DailyTableSetup(DailyPrinter printer);

}  // namespace hurt::reports
