// What one posted line does to the article cards: the one rule that posting applies, that
// a correction takes back before it applies the corrected lines, and that the data
// checker adds up over the month's lines.
//
//   issue    (R_P "R", transfers "M", sales corrections "KS"):
//              ILOSC −q, B_R_I +q, for sales (S_Z "S") also B_R_I_SD +q, and the issued
//              quantity of the line's batch +q (batch option);
//              a transfer also puts q into the destination warehouse (the first character
//              of the document's counterparty code): ILOSC +q, B_P_I +q there, its cost
//              averaged with the line's cost;
//   receipt  (R_P "P", purchase corrections "KZ"):
//              ILOSC +q, B_P_I +q, the cost CENA0 averaged with the line's price (see
//              WeightedAverageCost) unless the document keeps its own cost;
//   nothing  an invoice made from issue notes (the notes moved the goods), and every
//            other class.
//
// Taking a line back applies the same quantities with the opposite sign and restores the
// cost as it was before the line (ReversedReceiptCost). What posting records besides the
// quantities (the last receipt's price and date, the quantity sold since it) belongs to
// posting alone and is never taken back.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "base/date.h"
#include "documents/doc_kind.h"
#include "xbase/value.h"

namespace hurt::documents {

// The header of a document as far as stock is concerned.
struct StockDocument {
  DocKind kind;
  std::string odb;                // counterparty code; a transfer's destination is its first character
  bool from_issue_notes = false;  // an invoice made from issue notes (FromIssueNotes)
  double kurs = 0;                // exchange rate of a currency purchase, 0 without a currency
  bool entry = true;              // a new document (false: a correction of a posted one)
  bool j_odch = false;            // setting J_ODCH "T": receipts keep their own cost
  bool j_zle_uzgo = false;        // setting J_ZLE_UZGO "T"
};

// True for an invoice made from issue notes: a sale (not itself an issue note "WZ") whose
// header text (ODBIORCA) begins with "WZ " after leading blanks.
bool FromIssueNotes(const DocKind& kind, std::string_view odbiorca);

enum class StockMove { kNone, kIssue, kReceipt };
StockMove MoveOf(const StockDocument& doc);

// The destination warehouse of a transfer: the first character of the counterparty code.
std::string DestinationMag(const StockDocument& doc);

// How a line of quantity q changes the counters of the cards (to 3 decimals when applied).
struct QuantityEffect {
  double ilosc = 0;
  double b_p_i = 0;
  double b_r_i = 0;
  double b_r_i_sd = 0;
  double batch_issued = 0;     // the issued quantity of the line's batch
  bool to_destination = false;  // a transfer: the destination card changes too
  double dest_ilosc = 0;
  double dest_b_p_i = 0;
};
QuantityEffect QuantityEffectOf(const StockDocument& doc, double q);

// The fields of one article card that posting reads and changes, by name. A field the
// table lacks is not there, and changes of it are dropped.
class CardValues {
 public:
  bool Has(std::string_view f) const { return fields_.find(f) != fields_.end(); }
  double Num(std::string_view f) const;
  std::string Text(std::string_view f) const;
  JulianDay Date(std::string_view f) const;
  const xbase::Value* Find(std::string_view f) const;
  // Sets a field the card has; declares it when `declare` is true.
  void Set(std::string_view f, xbase::Value v, bool declare = false);
  // Adds to a numeric field, rounded half away from zero to `decimals`.
  void Add(std::string_view f, double q, int decimals = 3);
  const std::map<std::string, xbase::Value, std::less<>>& fields() const { return fields_; }

 private:
  std::map<std::string, xbase::Value, std::less<>> fields_;
};

// One line as the stock rule reads it.
struct StockLine {
  double ilosc = 0;
  double cena = 0;    // the line's price (in the currency of a currency purchase)
  double cena0 = 0;   // the line's cost price as posting fixed it
  std::string partia; // batch number (batch option)
};

enum class Direction { kApply, kTakeBack };

// Applies one line to its article card `source` (and to `dest`, the destination card of a
// transfer, when given) or takes it back. For receipts applied with `average_cost` the
// card's cost becomes the weighted average (the caller decides when a document keeps its
// own cost); taking back restores the cost the line averaged in. Returns the cost price
// the receipt averaged in (the card's new CENA0), else the line's own cost.
double ApplyLineToCards(const StockDocument& doc, const StockLine& line, CardValues& source, CardValues* dest,
                        Direction direction, bool average_cost);

// True when a receipt of this document averages its line price into the card's cost
// (false: the line keeps its own cost): not with J_ODCH, not for commission kinds, class
// "X", warehouse receipts other than the opening balance "BO", nor when an opening
// balance is corrected.
bool ReceiptAveragesCost(const StockDocument& doc);

}  // namespace hurt::documents
