// EW_NAL_ZOB, the writing part: a money document (cash in KP, cash out KW, transfer order
// PP, bank deposit slip BDW, credit note NOU, debit note NOO) recorded as a header in
// `dowod` (MAG "0", so that the ledger can be rebuilt from `dowod` alone), its open item
// in `fa_N` and its amount on the counterparty's balance.
//
// Numbers come from the counters of the company record: cash receipts and payments share
// KP_KW where the table has it, else KP (receipts: KP, BDW, NOU... see CounterFieldOf) and
// KW; notes use NO. For counter C and a typed number N: C < N makes C := N; otherwise the
// document takes C + 1 and the counter follows. The counter is written with the document.
//
// Writing a number that exists (same kind and number, MAG "0") corrects that document: its
// old amounts leave the balance first; an amount of 0 deletes it, and when it carried the
// last number issued the counter steps back by one. Only an open document of the same
// counterparty is corrected: another counterparty's, or one already settled (its item gone
// to the history), is refused and nothing is written.
//
// Entered against a source document (its kind and number), when the source's open item
// has the same amount on the other side and is not paid yet, both items get ZAP "R".
//
// All or nothing: the company record, the counterparty's record, a corrected document's
// header and item, and a matched source item are locked first; when one is busy nothing
// is written and the result names it.
#pragma once

#include <string>

#include "base/date.h"
#include "base/result.h"
#include "store/net_ui.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

struct MoneyDocument {
  std::string rd;        // "KP ", "KW ", "PP ", "BDW", "NOU", "NOO"
  long nrd = 0;          // 0: the next number
  JulianDay data = kEmptyDate;
  std::string kto = "O";
  std::string odb, nodb;
  std::string tresc;     // text (ODBIORCA, TRESC of the item)
  double kwota = 0;
  std::string waluta;    // "PLN" is the home currency: stored blank with rate 0
  double kurs = 0;
  double tez = 0;        // NOO: days to the due date
  std::string against_rd, against_nrd;  // the document it pays, when entered against one
};

struct MoneyResult {
  bool done = false;
  std::string busy{};    // when not done: the record another station holds
  std::string refused{}; // when not done: why the document cannot be corrected (another
                         // counterparty's, or settled already)
  long nrd = 0;          // the number written
  bool corrected = false, deleted = false, matched = false;
};

// A cash receipt or a credit note: its amount goes to the counterparty's credit side (OBMA).
bool IsReceiptKind(std::string_view rd);

// The counter field of the company record for kind `rd`.
std::string CounterFieldOf(const xbase::WorkArea& firma, std::string_view rd);

// The number a new document takes and the counter after it (the rule above).
struct Numbering {
  long nrd = 0;
  long counter = 0;
};
Numbering NumberFor(long counter, long typed);

// Why the typed number cannot be corrected from this counterparty (another's document,
// or one already settled); empty when it can, or when it is a new number. Read only, for
// the form to say it at once.
std::string CorrectionRefusal(session::Session& s, const MoneyDocument& doc);

Result<MoneyResult> ZapiszDowodKasowy(session::Session& s, store::StoreUi& ui, MoneyDocument doc);

}  // namespace hurt::settlements
