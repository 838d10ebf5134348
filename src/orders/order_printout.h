// What the order grid prints: the order itself (F5) and the supplier's stock list (F4).
//
// The order:
//   ZAMAWIAJACY : <our name>                           <date>
//                 <postal code> <town>, <street>
//                 <further name line>
//   ADRESAT     : <key> <name>
//                        Z A M O W I E N I E     NR_mmnnn
//   rows: number (4 digits), index, name, unit, quantity (whole units, "999999999");
//   rows whose index and name are both "--------" are separators and are left out;
//   the remark below.
// The stock list: "ILOSC I WARTOSC TOWAROW NA STANIE W DNIU <date>r", the supplier's
// name underlined with "=", then LP | name | unit | purchase price | quantity | value
// (CENA0 x STAN), a second name line where the article has one, the total at the end.
#pragma once

#include <string>
#include <vector>

#include "base/date.h"
#include "session/output/report_file.h"

namespace hurt::orders {

struct PrintedOrderRow {
  std::string indeks, nazwa, jm;
  double zamawiam = 0;
};

struct PrintedOrder {
  JulianDay data = kEmptyDate;
  std::string firma_nazwa, firma_kod, firma_miasto, firma_ulica;
  std::vector<std::string> firma_dalej;  // further name lines (blank ones are skipped)
  std::string odb, adresat;              // the counterparty's key and name
  std::string numer;                     // "NR_mmnnn"
  std::string uwagi;
  std::vector<PrintedOrderRow> rows;
};

void WriteOrderPrintout(session::ReportWriter& out, const PrintedOrder& order);

struct StockListRow {
  std::string nazwa, nazwa2, jm;
  double cena0 = 0, stan = 0;
};

// Returns the total value printed.
double WriteStockList(session::ReportWriter& out, JulianDay data, const std::string& supplier_name,
                      const std::vector<StockListRow>& rows);

}  // namespace hurt::orders
