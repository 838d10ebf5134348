// The station's order list rob/zamow<nn> (ZAMOW_AS) and the automatic proposal that fills
// it (OB_OKRES, then ZAMOW).
//
// The list belongs to the station: it is made anew at each start of the ordering screen,
// opened exclusively ("Plik rob/zamow<nn> zajety" when the station's other run holds it)
// with its index on mag+indeks, and erased when the screen ends.
//
// Proposal:
//   1. Walk the whole article catalogue; take every article whose supplier ODB is the one
//      chosen.
//   2. Group by warehouse + the first N characters of the index; the first article of a
//      group gives NAZWA, JM, CENA0 (and KOD13).
//   3. STAN += ILOSC; SPRZEDANO += B_R_I, or ILOSC_SD under the daily-sales rule
//      (order_rules.h).
//   4. For each row in physical order: LP = row number; ZAMAWIAM = the proposal;
//      WARTOSC0 = INT(CENA0 x ZAMAWIAM).
#pragma once

#include <memory>
#include <string>

#include "base/date.h"
#include "base/result.h"
#include "session/session_fwd.h"
#include "xbase/work_area.h"

namespace hurt::orders {

class OrderList {
 public:
  // Shows "Plik rob/zamow<nn> zajety" and fails when the list cannot be made or opened.
  static Result<std::unique_ptr<OrderList>> Open(session::Session& s);
  ~OrderList();
  OrderList(const OrderList&) = delete;
  OrderList& operator=(const OrderList&) = delete;

  xbase::WorkArea& area();
  const std::string& name() const { return name_; }  // "rob/zamow01"

  static constexpr int kArea = 224;

 private:
  OrderList(session::Session& s, std::string name) : s_(s), name_(std::move(name)) {}
  session::Session& s_;
  std::string name_;
};

struct ProposalRequest {
  std::string supplier;      // ODB of the articles (8 characters)
  int base = 8;              // characters of the index that make a group
  bool daily_sales = false;  // the open month is the current one (the rule of the first days)
  JulianDay today = kEmptyDate;
};

// Steps 1-4 over the article table `as` into the empty, indexed list. Returns the rows.
Result<int> ProposeOrder(xbase::WorkArea& as, xbase::WorkArea& list, const ProposalRequest& request);

// Step 4 alone (after the list changed): LP renumbered in physical order; with `propose`
// also ZAMAWIAM and WARTOSC0. The list stays on the record it was on.
Status NumberRows(xbase::WorkArea& list, bool propose);

// The running value of the list: the sum of WARTOSC0 of its live rows.
double ListValue(xbase::WorkArea& list);

}  // namespace hurt::orders
