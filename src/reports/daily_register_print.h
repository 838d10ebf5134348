// The daily registers (sales or purchases of one day) in their older layout: one line per
// document with its gross, two paired rate columns (net and VAT of each), 0 %, exempt and
// not subject, the VAT due, the penny difference against the header ("grosz.") and the
// payment form.
//
// The pairs follow the period: "23 / 7 %" and "8 / 5 %" from 2011, "22 / 6 %" and
// "7 / 3 %" from May 2008, "22 / 5 %" and "7 / 3 %" before. The 7 % rate counts with the
// higher pair before 2011 and with the lower one from 2011; every other rate with VAT is
// in the higher pair unless it is one of the lower pair's (3 % before 2011; 8, 7, 5 and
// 3 % from 2011). 138 columns.
#pragma once

#include <string>

#include "reports/vat_register_print.h"

namespace hurt::reports {

struct RatePairs {
  std::string high_heading, low_heading;  // "23 / 7 %", "8 / 5 %"
  unsigned low_columns = 0;               // bit per RateColumn in the lower pair
  bool InLow(RateColumn c) const { return (low_columns & (1u << static_cast<unsigned>(c))) != 0; }
};
RatePairs RatePairsOf(JulianDay day);

// The net and VAT of each pair of a document's (or a total's) buckets.
struct PairAmounts {
  double high_net = 0, high_vat = 0, low_net = 0, low_vat = 0, zero = 0, exempt = 0;
};
PairAmounts PairsOf(const RateBuckets& b, const RatePairs& pairs);

class DailyRegisterPrinter {
 public:
  DailyRegisterPrinter(session::ReportWriter& out, RegisterHeading heading, const RegisterRequest& request, char side);
  void Begin();
  void Document(const RegisterDocument& d);
  void End(const RegisterResult& result);

 private:
  void Line(const std::string& text);
  std::string Cells(const RateBuckets& b) const;

  session::ReportWriter& out_;
  RegisterHeading heading_;
  const RegisterRequest& request_;
  char side_;
  RatePairs pairs_;
};

}  // namespace hurt::reports
