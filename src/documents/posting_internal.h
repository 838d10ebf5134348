// Posting internals shared by the posting files and their tests: the document as it is
// read from the session (kind, header variables, working lines) and small field helpers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "documents/doc_kind.h"
#include "documents/line_math.h"
#include "session/area_fields.h"
#include "store/net_ui.h"
#include "store/schema.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents::posting_internal {

// The kind's record of `slow` as posting reads it.
struct KindRecord {
  DocKind kind;
  uint32_t recno = 0;
  long nrd = 0;  // last number given
};

// A header record (`dowod`) as posting reads it back: every field by name, in the table's
// order. Lines are DocLines (line_record.h).
struct RecordFields {
  std::vector<std::pair<std::string, xbase::Value>> fields;
  const xbase::Value& Get(std::string_view name) const;
  void Set(std::string_view name, xbase::Value v);
  std::string Text(std::string_view name) const;
  double Number(std::string_view name) const;
};

xbase::WorkArea* AreaOf(session::Session& s, store::TableId id);
// Fields of the current record: blank, 0 or the empty date when missing.
using session::FieldDate;
using session::FieldNumber;
using session::FieldText;
// The records of `a` (whose order 1 is keyed rd+nrd...) of document rd+nrd (RD 3
// characters, NRD 8 right-aligned), visible ones only, in key order. The area is left on
// no particular record.
std::vector<uint32_t> RecordsOf(xbase::WorkArea& a, const std::string& rd, const std::string& nrd);

// The kind `rd` from `slow` (NotFound when the table has no such kind).
Result<KindRecord> ReadKind(session::Session& s, std::string_view rd);
// Every line of `dd` in its order, whole (ReadWholeLineRecords).
Result<std::vector<DocLine>> ReadWorkLines(session::Session& s);

// The price labels of a receipt (J_PZ_METKA "T"): one label for each line whose percent is
// 0.1 (its selling price was changed), with the article's selling prices from `as`.
struct LabelArticle {
  std::string indeks, nazwa, jm;
  double cena = 0, cena2 = 0;  // net and gross selling price
};
std::vector<std::string> PriceLabels(const std::vector<LabelArticle>& articles);
bool LineWantsLabel(const DocLine& line);

// The payment of the counterparty's card when it is one that a document can take
// (SPZ one of "PGTKCH") and differs from the document's; nullopt otherwise.
struct CardPayment {
  std::string spz;
  double tez = 0;
};
std::optional<CardPayment> OtherCardPayment(std::string_view card_spz, double card_tez, std::string_view doc_spz,
                                            double doc_tez);
// "Zmienic sposob zaplaty na <SPZ><TEZ>  ?"
std::string PaymentQuestion(const CardPayment& p);

// J_FA_SORT: the lines of a sale in the order of the working table's index
// (warehouse, article code, line number); lines with equal keys keep their order.
void SortSaleLines(std::vector<DocLine>& lines);

// Polish messages of posting in the message window.
void Tell(session::Session& s, std::string_view text);

}  // namespace hurt::documents::posting_internal
