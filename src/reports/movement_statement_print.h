// The printouts of the movement work table (movement_statement.h), one line per row in
// the order of its index (warehouse and article code), then the totals "  RAZEM".
//
// The statement (RUCH NA MAGAZYNIE): quantities only. After the firm's lines and an empty
// line the title with " W DNIU <date>r" for one day or " W OKRESIE <from>-<to>r"; with
// an article-code prefix or a group, "MAGAZYN <m>,  INDEKS grupy <prefix>,  GRUPA <g>".
// Between rules of "=" the heading
//   M INEDKS   | NAZWA                          | JM  |     BYLO    |   PRZYJETO  | ...
// and per row the opening, other receipts, purchases, sales, other issues ("999999999.999",
// blank when zero, a whole number without its decimals) and the stock: over a whole
// month of the open tables the card's "9 999 999 999.999" and "?" where the documents
// disagree with it, otherwise computed from the columns.
//
// The detailed activity report (RAS_MMM without the argument) prints the same rows by the
// operator's choice: quantities, values, or both (a line of each per article). Values are
// at book price (NEWROUND(ILOSC x CENA0, 2) per line; the opening at the month's opening
// price CENA_01), followed by the net of sales and the margin, net less the book value
// of what was sold.
#pragma once

#include <string>
#include <vector>

#include "base/result.h"
#include "reports/movement_statement.h"

namespace hurt::session {
class ReportWriter;
class Session;
}  // namespace hurt::session

namespace hurt::reports {

struct MovementHeading {
  std::vector<std::string> firm;  // name, town and street, further name lines
  bool page_printer = false;      // M_DRUKARKA "PACKARD": the landscape condensed setup first
};
MovementHeading MovementHeadingOf(session::Session& s);

// "999999999.999", 13 characters: blank for 0, a whole number without the decimals
// ("       12    "), else three decimals.
std::string QuantityCell(double q);

Status PrintMovementStatement(session::ReportWriter& out, xbase::WorkArea& asso, const MovementRequest& req,
                              const MovementHeading& heading, bool card_stock);

enum class DetailChoice { kQuantity = 1, kValue = 2, kBoth = 3 };
Status PrintMovementDetail(session::ReportWriter& out, xbase::WorkArea& asso, const MovementRequest& req,
                           const MovementHeading& heading, DetailChoice choice);

}  // namespace hurt::reports
