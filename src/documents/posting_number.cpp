// Posting, step 3: the number a new document takes. This is where a document (an invoice
// too) gets its number: the kind's counter in `slow`, checked against `dowod` (ZIKO_NRD).
// The printed form of an invoice number is invoicing/invoice_number.h.

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "documents/posting.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/header_rules.h"
#include "documents/line_session.h"
#include "documents/poster.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/posting_math.h"
#include "documents/posting_writes.h"
#include "documents/reservation_ledger.h"
#include "documents/reservations.h"
#include "documents/station_recovery.h"
#include "documents/stock_effect.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/station_files.h"

namespace hurt::documents::posting_internal {

using namespace hurt::literals;

// ---- 3. the number ----------------------------------------------------------------------

bool Poster::GiveNumber() {
  const DocKind& k = kind_.kind;
  counter_ = kind_.nrd;
  if (!New()) return true;
  if (klucz_ == 2) {
    // A new document under a number typed for a kind that allows it ([NRD]).
    return true;
  }
  const bool printed = header_.printed;
  long number = 0;
  if (!printed) {
    number = kind_.nrd + 1;
  } else {
    number = static_cast<long>(Val(header_.nrd));
    if (number <= 0) number = kind_.nrd + 1;
  }
  auto free = ZikoNrd(s_, rd_, Str(number, 8));
  if (!free.ok()) return Fail("Plik dowod niedostepny");
  const long taken = static_cast<long>(Val(*free));
  if (taken != number) {
    if (printed) {
      Tell(s_, "Wydrukowac jeszcze raz !!");
    } else {
      Tell(s_, "Sprawdz nr " + RTrim(rd_));
    }
  }
  counter_ = std::max(kind_.nrd, taken);
  nrd_ = Str(taken, 8);
  uzgodnic_n_ = k.HasTag("CENA_PZ") && k.IsClass("RD") && k.InPurchasePrices();
  return true;
}

}  // namespace hurt::documents::posting_internal
