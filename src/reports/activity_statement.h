// The monthly activity statement (RAPORT Z DZIAŁALNOSCI) and the monthly VAT report made
// from the same pass: for the open month and one warehouse, or all of them, the stock at
// its start and end at purchase prices, every flow of goods as one row per class and kind
// (side letter + S_Z + RD) with its value at purchase prices, net, VAT, gross and the
// rate buckets, the margin of the sales, the VAT due less the VAT deducted, and the check
// opening + receipts − issues = closing.
//
// The cards are walked once (through the index for one warehouse), the month's lines once
// in date order; a document's header is sought once, when its first line comes. Nothing
// is held but one row per kind.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "reports/vat_buckets.h"

namespace hurt::session {
class Session;
}

namespace hurt::reports {

struct ActivityRequest {
  std::string mag;          // M_MAG: one warehouse; blank: all but the excluded ones
  std::string skip_indeks;  // M_OPA: articles whose index begins so are left out
  std::string skip_word;    // M_NAZWA: articles whose name holds this word are left out
  std::string only_group;   // M_TYLKO: only articles whose index begins so
  std::string t_w_o_k;      // M_T_W_O_K: only cards of these types (letters of T_W_O_K)
  std::string skip_kinds;   // ",FV,PZ," : kinds left out (JAKIE_RD with M_RD_POMIN)
  double utarg = 0;         // M_UTARG: the shops' takings (the VAT report); 0: none
  bool vat_report = false;  // titled "R A P O R T     V A T"
};

// The sections of the printed statement, in their order.
enum class ActivitySection {
  kOtherReceipts,  // receipts that are not purchases
  kPurchases,
  kSales,
  kCosts,          // sales kinds whose description says "KOSZTY"
  kOtherIssues,    // issues that are not sales
};

struct ActivityRow {
  char side = 'P';  // P receipt, R issue, K correction (transfers become P or R)
  char s_z = ' ';
  std::string rd;   // 3 characters
  std::string opis; // the kind's description
  ActivitySection section = ActivitySection::kOtherIssues;
  double wartosc0 = 0;  // value at purchase prices
  double netto = 0, vat = 0, brutto = 0;
  double reszta = 0;    // internal purchase invoices: the headers' RESZTA
  RateBuckets b;        // net and VAT by rate
  int documents = 0;
  bool takings = false; // the row of the shops' takings

  std::string Key() const { return std::string{side, s_z} + rd; }
  double Marza() const { return netto - wartosc0 + reszta; }
};

struct ActivityResult {
  std::string refusal;  // "Nie znam magazynu <m>": nothing to print
  double opening = 0, closing = 0;
  std::vector<ActivityRow> rows;  // in the order of their keys
  std::set<char> warehouses;      // the warehouses whose cards were counted
  double vat_difference = 0;      // VAT of the sales − VAT of the purchases and costs
  double check = 0;               // D: 0 when opening + receipts − issues = closing
  double other = 0;               // X: the value of the rows outside the check
  bool stopped = false;           // the operator broke the run off
  long lines = 0;                 // document lines counted
};

// Asked every few thousand records: true breaks the run off ("Przerwac raport ?").
using ActivityProgress = std::function<bool(std::string_view stage, long done)>;

// The pass over the open month (the archive month when one is viewed).
Result<ActivityResult> ComputeActivity(session::Session& s, const ActivityRequest& request,
                                       const ActivityProgress& progress = {});

// The shops' takings T put in place of the transfers to the shops: T split over the rates
// in proportion to the gross of each rate of `shops`; the last non-zero share is 100 less
// the others; a taxed rate r gives net = round(share × T / (100 + r), 2) and VAT =
// round(share × T / 100, 2) − net; 0, ZW and NP give net only.
RateBuckets SplitTakings(const RateBuckets& shops, double takings);

// The rate columns of the printed statement in a period: the standard rate, the upper and
// the lower reduced rate, 0, ZW and NP, with their headings ("23%", "8%", "5%" from 2011;
// "22%", "7%", "3%" before). A bucket's column: 22 and 23 together; " 7" with the upper
// reduced rate before 2011 and with the lower one from 2011.
inline constexpr int kPrintedRates = 6;
struct PrintedRates {
  std::array<double, kPrintedRates> net{};
  std::array<double, kPrintedRates> vat{};
};
PrintedRates FoldRates(const RateBuckets& b, JulianDay period_start);
std::array<std::string, kPrintedRates> PrintedRateNames(JulianDay period_start);

}  // namespace hurt::reports
