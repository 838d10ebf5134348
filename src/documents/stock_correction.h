// KOREKTA_AS: the month's stock figures of the article cards recomputed from the month's
// posted documents, the reconciliation of "Reorganizacja zbiorow /uzgodnienia/".
//
// The start-up build in its stock-correction mode ("z korekta As") has put every card back
// to its month opening: ILOSC = B_BO_I and the month's counters B_P_I, B_R_I, B_R_I_SD at
// zero. KorektaAs then applies every line of every posted document of the period once
// more by the rule posting applies (stock_effect.h): one pass over the headers, each
// header's lines by the line order, each line's card (and a transfer's destination card)
// found by the article order. Only the quantities are recomputed; the cards' costs stay
// as posting left them (an average cannot be rebuilt from the month alone), and so do
// the batch counters, which the month opening does not reset.
//
// The build has zeroed the headers' totals too (WARTOSC0, NETTO, VAT, OPA); each header
// gets WARTOSC0, NETTO and VAT summed again from its lines as posting sums them, whatever
// its kind moves.
//
// All other stations are out while it runs (the caller holds firma exclusively). A line
// whose card is missing is counted and skipped (the data checker names it). A marker file
// `korekta_as.txt` in the data directory stands while the work is under way: a run cut
// short leaves it, and the start-up tells the operator to run the reconciliation again.
#pragma once

#include <functional>
#include <string_view>

#include "base/result.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

inline constexpr std::string_view kKorektaMarker = "korekta_as.txt";

struct KorektaResult {
  long documents = 0;       // headers whose lines were applied
  long lines = 0;           // lines applied
  long missing_cards = 0;   // lines whose card (or destination card) was not found
};

// `progress(done, total)` is called now and then with the headers done of the total.
Result<KorektaResult> KorektaAs(session::Session& s, const std::function<void(long, long)>& progress = {});

}  // namespace hurt::documents
