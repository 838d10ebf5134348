// The line arithmetic applied to the station's working line table `dd`: reading and
// writing a line record, writing the line under edit (REPLACE_D_WITH_P), the document
// total with its VAT reconciliation (JAKA_WARTOSC) and the change of kind of a document
// that already has lines.
//
// Every routine leaves the work area on the record, order and filter it found. A record
// is locked only while it is written (the table is the station's own, so the lock is never
// contended, but the work area requires it).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "documents/doc_kind.h"
#include "documents/line_math.h"
#include "documents/prices.h"
#include "documents/vat_reconcile.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// The current record of `dd` (or `dow`) as a DocLine (ReadLineRecord); fields the table
// lacks stay empty.
Result<DocLine> ReadLine(const xbase::WorkArea& area);

// Writes the money, price and catalogue fields of `line` into the current record under
// its lock (WriteLineRecord: only optional fields the table lacks are skipped).
Status WriteLine(xbase::WorkArea& area, const DocLine& line);

// REPLACE_D_WITH_P on the current `dd` record.
Status ReplaceDWithPOnDd(xbase::WorkArea& dd, const LineEdit& edit, const ArticleForLine& article,
                         const ReplaceContext& ctx);

// JAKA_WARTOSC over every line of `dd`: the lines are totalled and, when the document is
// reconciled, the changed VAT (and gross) is written back. Deleted records do not count.
Result<JakaWartoscResult> JakaWartoscOnDd(xbase::WorkArea& dd, const JakaWartoscInput& in);

// The header fields every line of the document carries.
struct LineHeader {
  std::string rd, nrd;
  char r_p = ' ', s_z = ' ';
  std::string kto;
  char nb = ' ';  // the new price basis
};

// The kind of a document with lines is changed: every line takes the new kind's fields,
// and when the price basis changes between net and gross its price and money are
// converted (NetToGross / GrossToNet). Returns the number of lines changed.
Result<int> ChangeKindOfLines(xbase::WorkArea& dd, const LineHeader& header);

// The first non-blank payment method of the lines with its term, for USTAL_SPZ; ""
// when no line has one (or the table has no such field).
struct LinePayment {
  std::string spz;
  int tez = 0;
};
Result<LinePayment> FirstLinePayment(xbase::WorkArea& dd);

// The header fields of a new line in `dd` (kind, number, date, counterparty, payment from
// the header under edit in the session variables) with its number, warehouse and article.
// Optional fields `dd` does not have are skipped; a failed write is returned.
Status StampNewLine(session::Session& session, xbase::WorkArea& dd, const DocKind& kind, std::string_view lp,
                    std::string_view mag, std::string_view indeks);

// The article card of the current record of `as` as a line takes it (prices of every
// level, unit, classification, rate); empty at the end of the table.
ArticlePrices PricesOfCard(const xbase::WorkArea& as);
ArticleForLine ArticleOfCard(const xbase::WorkArea& as);

}  // namespace hurt::documents
