// The amounts of a VAT register by rate: one net and one VAT bucket per rate column, and
// how one document line is valued into them.
//
// Columns, in the order they are printed: 22, 23, 7, 8, 3, 5, 0, ZW (exempt), NP (not
// subject) and ?? (every other code, rate 99). 0, ZW and NP have no VAT.
//
// Amounts converted from a currency are kept to 6 places; a document's buckets are
// rounded to 2 places when the document ends, its net is then the sum of the rounded net
// buckets and its gross the net plus the rounded VAT buckets (two lines of 10.004 each
// make 20.01, not 20.00).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "documents/doc_kind.h"

namespace hurt::reports {

enum class RateColumn { k22, k23, k7, k8, k3, k5, k0, kZw, kNp, k99 };
inline constexpr int kRateColumns = 10;

// The column of a rate code PODATEK0 ("22", "23", " 7", " 8", " 3", " 5", " 0", "ZW",
// "NP"; anything else "??").
RateColumn ColumnOf(std::string_view podatek0);
// The heading of a column: "22%", "23%", "7%", "8%", "3%", "5%", "0%", "ZW", "NP", "??".
std::string ColumnName(RateColumn c);
// The rate in percent of a column with a VAT bucket (22, 23, 7, 8, 3, 5; 99 for "??").
double ColumnRate(RateColumn c);
bool HasVat(RateColumn c);

struct RateBuckets {
  std::array<double, kRateColumns> net{};
  std::array<double, kRateColumns> vat{};
  double gross = 0;

  void Add(RateColumn c, double net_amount, double vat_amount);
  void Add(const RateBuckets& other);
  // The end of a document: every bucket to 2 places, gross = net + VAT of the rounded buckets.
  void RoundDocument();
  double Net() const;
  double Vat() const;
  bool Empty() const;
};

// What the register needs of a document line and its header to value the line.
struct LineValuationInput {
  documents::DocKind kind;
  std::string header_text;   // ODBIORCA of the header (" 50/50 ", " 100/100 ")
  bool no_fifty_marker = false;  // the marker 50_50.--- switches the 50/50 rule off
  double kurs = 0, kurs_1 = 0;   // the header's rates (0: none)
  // The line.
  double ilosc = 0, cena0 = 0, wartosc = 0, podatek = 0, dolar_i = 0;
  std::string podatek0;
  std::string nb;  // N net, B gross, " " as N (as B for the daily-sales kind "SD ")
};

// The 50/50 rule applies to the document: a purchase or the internal transfer "RD" marked
// " 50/50 " or "50\50" in the kind's description or the header text, unless the header
// says " 100/100 " or the marker 50_50.--- exists.
bool FiftyFifty(const LineValuationInput& in);

// One line valued in the home currency (net and VAT, 6 places), by the first rule that
// applies: a warehouse kind at purchase price without VAT; an internal purchase invoice
// without VAT; the 50/50 half of VAT moved to net; an internal or reverse-charge purchase
// from its currency price; a sale in a currency converted at the header's rate; otherwise
// the line's own value and VAT.
struct LineValue {
  double net = 0, vat = 0;
};
LineValue ValueOfLine(const LineValuationInput& in);
// The same with FiftyFifty(in) given: it is one answer for all lines of a document.
LineValue ValueOfLine(const LineValuationInput& in, bool fifty_fifty);

// Adds a valued line to the buckets of its rate: a gross-priced sales line ("B") has
// its VAT inside its value; every other line adds net and VAT.
void AddLine(RateBuckets& b, const LineValuationInput& in, const LineValue& v);

}  // namespace hurt::reports
