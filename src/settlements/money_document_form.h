// EW_NAL_ZOB, the screen: a money document of one counterparty entered over rows 12-21.
//
// Rows 12-13 list the kinds (the cash-in and cash-out kinds of the settings J_XKP/J_XKW,
// PP transfer order, BDW bank deposit slip, NOU credit note, NOO debit note); the form asks
// the kind, the number (0: the next one; a number that exists corrects that document, and
// the amount 0 deletes it), the date, the amount, the currency and rate where the
// installation keeps currencies (the rate of the date proposed from `wal`), the text and,
// for NOO, the due date ("Termin zaplaty dd.mm.yy + 14 dni :").
//
// Then "CZY DANE SA POPRAWNE ?" (not for cash in and out; "N" goes back to the form) and
// "CZY ZAPAMIETAC DOWOD ?" (default "T"; not asked with J_AUTO_ZAP or J_AUTOMAT "T"), and
// the document is written whole or not at all (ZapiszDowodKasowy). A transfer order or a
// bank deposit slip is then offered to the transfer-order table ("Wyslac do zbioru PP ?").
#pragma once

#include <string>

#include "base/date.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

struct MoneyFormPreset {
  std::string kto = "O", odb, nodb;  // the counterparty
  std::string rd;                    // the kind proposed; empty: cash in
  long nrd = 0;                      // a document's own number: it is corrected
  JulianDay data = kEmptyDate;       // its date; empty: today
  std::string against_rd, against_nrd;  // the document it pays, when entered against one
  double kwota = 0;
  std::string waluta;  // of the amount; blank: home currency
  double kurs = 0;
  std::string tresc;
};

// true when a document was written, corrected or deleted.
bool EwNalZob(session::Session& s, const MoneyFormPreset& preset);

}  // namespace hurt::settlements
