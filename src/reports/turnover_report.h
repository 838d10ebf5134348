// Obroty z kontrahentami: the turnover with each customer or supplier over a range of the
// open month — how many documents, their net, VAT and gross — from the document headers
// walked once in date order (dowod2). Sales and their corrections count for customers,
// purchases and theirs for suppliers; money documents (warehouse "0") and kinds left out
// of reports (M_RD_POMIN) do not count. One total per counterparty is kept while the
// headers are read; the list is printed by counterparty code, then the grand total.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/result.h"

namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session
namespace hurt::xbase {
class WorkArea;
}

namespace hurt::reports {

struct TurnoverRequest {
  JulianDay from = kEmptyDate, to = kEmptyDate;
  char side = 'S';       // S customers (sales), Z suppliers (purchases)
  std::string odb;       // one counterparty; blank: all
  std::string skip_kinds;  // ",KP,FV," (M_RD_POMIN)
};

struct CounterpartyTurnover {
  std::string nazwa;
  int documents = 0;
  double netto = 0, vat = 0;
};

struct TurnoverResult {
  std::map<std::string, CounterpartyTurnover> by_odb;  // by code (8 characters)
  CounterpartyTurnover total;
};

// The pass over `dowod` (order, record and deleted switch put back).
Result<TurnoverResult> ComputeTurnover(xbase::WorkArea& dowod, const TurnoverRequest& request);

void PrintTurnover(session::ReportWriter& out, const std::vector<std::string>& firm, const TurnoverRequest& request,
                   const TurnoverResult& result);

// The menu's report: its dialog, then the list in the station's print file and preview.
void ObrotyZKontrahentami(session::Session& s);

}  // namespace hurt::reports
