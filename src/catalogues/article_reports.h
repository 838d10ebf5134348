// RAP_AS: the documents of one article card, and the bar-code key of the article table.
#pragma once

#include <string>
#include <string_view>

namespace hurt::xbase {
class WorkArea;
}
namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session

namespace hurt::catalogues {

enum class DocumentOrder {
  kByDate,     // "as": by document date (the date order of the lines), else as entered
  kAsEntered,  // "as", "par2": in the order the lines were entered
};

// The document lines (table dow, area 5) of the card `mag` + `indeks`: date, document,
// counterparty, quantity received or issued (receipts are the lines of kind movement "P",
// everything else issues), price and value, with the totals. The table's order, filter
// and record are left as they were. Returns how many lines were listed.
long WriteArticleDocuments(session::Session& s, std::string_view mag, std::string_view indeks, std::string_view nazwa,
                           DocumentOrder order, session::ReportWriter& out);

// The key of the bar-code order, DESCEND(kod13), for a typed code: the code padded to the
// field's width, each byte b turned into (256 - b) mod 256.
std::string BarCodeKey(std::string_view code, int width);

}  // namespace hurt::catalogues
