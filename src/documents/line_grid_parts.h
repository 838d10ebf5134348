// The parts of the line grid that need no screen: its columns and pictures by kind, the
// document's price basis, and the checks made before the grid is left.
#pragma once

#include <string>
#include <vector>

#include "console/browse.h"
#include "documents/doc_kind.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// What the pictures depend on besides the kind.
struct GridOptions {
  bool dow1_mag = true;      // J_DOW1_MAG not "N": the first column is the line number
  bool i3 = false;           // J_I3 "3": quantities with 3 decimals
  bool ilosc_big = false;    // marker ILOSC.BIG
  bool cena_big = false;     // marker CENA.BIG
  bool export_name = false;  // the company name holds "EXPORT": names keep lower case
};
GridOptions GridOptionsOf(session::Session& session);

// The seven columns: pictures and the screen column where each cell starts.
struct GridLayout {
  bool mag_column = false;      // the first column is the warehouse, not the line number
  std::string first_picture;    // "!!!" or "!"
  std::string nazwa;            // thirty "!" or thirty "X"
  std::string ilosc;            // quantity picture (9 wide)
  std::string cena;             // price picture (9 wide)
  bool commission = false;      // the percent column shows the commission (tag PROWIZJA)
  bool percent_editable = true;
  int left = 0;
  int col_indeks = 0, col_nazwa = 0, col_ilosc = 0, col_cena = 0, col_upust = 0, col_brutto = 0;
};
// Quantity: "999999.99"; "99999.999" with J_I3 "3"; "9999999.9" with tag BIG_I or
// marker ILOSC.BIG. Price: "999999.99"; "9999.9999" for warehouse kinds in purchase
// prices ("999.99999" with tag SMALL); "9999999.9" with tags BIG_C, "BIG CENA" or marker
// CENA.BIG. The warehouse column replaces the line number with J_DOW1_MAG "N" except on
// transfers; the grid then starts at column 2.
GridLayout LayoutOf(const DocKind& kind, const GridOptions& options, int left);

// The browse columns over the current record of `dd`. They have no headings: the grid's
// heading is a part of the document screen (GridHeading), above the grid's rows.
std::vector<console::BrowseColumn> GridColumns(const GridLayout& layout, const xbase::WorkArea& dd);

// The heading of the columns and the rule under it (80 characters each, code page 852):
// " Lp│INDEKS  │NAZWA ... │  WARTOSC  ", "MAG" in place of " Lp" with the warehouse
// column; the rule is "─" with "┼" under each column separator.
struct GridHeadingText {
  std::string heading, rule;
  std::vector<int> separators;  // the screen columns of the column separators
};
GridHeadingText GridHeading(const GridLayout& layout);

// The price basis of the document: M_NB when the header set it; otherwise sales are
// gross ('B') when the kind is gross or the retail-sale kind, else net ('N'); other kinds
// have no basis (' ').
char DocumentBasis(session::Session& session, const DocKind& kind);

// A line named in a leaving report.
struct FlaggedLine {
  std::string lp, indeks, nazwa;
  double ilosc = 0, cena = 0;
  double floor = 0;         // below cost: the article's cost floor
  std::string podatek0;     // VAT: the line's rate
  std::string expected;     // VAT: the article's rate
};

// What the lines show when the grid is to be left.
struct LeaveChecks {
  bool missing_serial = false;  // a kind tagged NR_SERII with a line without a serial number
  bool commission = false;      // a kind tagged PROWIZJA with a commission outside 0..price
  bool below_cost = false;      // a positive sale line below the article's cost floor
  bool other_vat = false;       // from 2011: a line's VAT rate differs from its article's
  bool bad_vat = false;         // from 2011: a line's VAT rate is not one of the period's
  std::vector<FlaggedLine> below_cost_lines;
  std::vector<FlaggedLine> vat_lines;
};

// The commission of a line is sound: not negative and not above its price (a commission on
// a line without a price must be 0).
bool CommissionSound(double prowizja, double cena);

// The reports shown before the questions on leaving ("Sprawdz CENY", "Sprawdz stawki VAT").
std::vector<std::string> BelowCostReport(const std::vector<FlaggedLine>& lines);
std::vector<std::string> VatReport(const std::vector<FlaggedLine>& lines);

// Sales and issue notes "WZ " ask for the delivery address when the document has none.
bool AsksDeliveryAddress(const DocKind& kind);
// The address proposed: the customer's postcode, town and street from the header.
std::string ProposedDeliveryAddress(session::Session& session);

// The rates in force from 2011: 23, 8, 5, 0, "ZW" and "NP".
bool RateAllowedFrom2011(std::string_view podatek0);
// Reads the lines of `dd` and their articles (restoring both positions).
LeaveChecks CheckLinesBeforeLeaving(session::Session& session, const DocKind& kind, xbase::WorkArea& dd);

// The customer's credit: the limit KREDYT of the `zo` record of `odb` (0: none) and its
// balance BOWN − BOMA + OBNAWN − OBNAMA + OBWN − OBMA + POWN − POMA.
struct Credit {
  bool found = false;
  double limit = 0;
  double balance = 0;
};
Credit CustomerCredit(session::Session& session, std::string_view odb);

// A limit is exceeded when there is one and the balance with the document's total goes
// past it (compared to the grosz).
bool CreditExceeded(const Credit& credit, double document_total);

}  // namespace hurt::documents
