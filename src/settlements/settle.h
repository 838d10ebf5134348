// Settling the open items of one counterparty: settle the marked items (ROZLICZANIE),
// compensate unequal marked sides (ROZL_KOMPENSATA), close to balance up to a date
// (ZAMK_ROZRACHUNKOW).
//
// The ledger: `fa_N` holds the open items (KTO+ODB the counterparty, OBWN debit, OBMA
// credit, in the document's currency when KURS > 0); `fa_nx` the settled ones, each
// operation's items under one batch identity R_DATA+R_CZAS whose debits equal its credits;
// the counterparty's record (zo, zd, zp, zf by KTO) keeps OBWN/OBMA equal to the
// home-currency sums of its open items (an item with KURS > 0 counts round(amount ×
// KURS, 2)).
//
// Every operation is all or nothing: it locks every `fa_N` record it deletes and the
// counterparty's record first (bounded waits, on the caller's StoreUi); when one is busy it
// changes nothing and the result names the record ("fa_N FV-12", "zo K1"). Only then does it
// append to `fa_nx` and `fa_N`, delete the settled items and change the balance, and commit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

// One open item as the screens and the operations read it.
struct OpenItem {
  uint32_t recno = 0;  // in fa_N
  std::string r_p, rd, nrd;  // RD 3, NRD 8 as stored
  JulianDay data = kEmptyDate;
  std::string mag, tresc, kto, odb;
  double obwn = 0, obma = 0;  // as stored (document currency when kurs > 0)
  JulianDay termin = kEmptyDate;
  std::string spz;
  double tez = 0;
  std::string zap;
  std::string waluta_x, waluta;
  double kurs = 0;

  double HomeWn() const;  // OBWN in the home currency
  double HomeMa() const;
};

// The open items of counterparty kto+odb in fa_N (order 2), in date order.
Result<std::vector<OpenItem>> ItemsOf(session::Session& s, std::string_view kto, std::string_view odb);

// The sums of a set of marked items.
struct MarkedSums {
  int debits = 0, credits = 0;          // how many items with OBWN ≠ 0 / OBMA ≠ 0
  double wn = 0, ma = 0;                // home currency
  double wn_doc = 0, ma_doc = 0;        // document currency
  bool rates_agree = true;              // every item has the same currency and rate (or none)
};
MarkedSums SumsOf(const std::vector<OpenItem>& marked);

// What F10 does with the marked items, by the rules of the settlement browse.
enum class F10Action {
  kNothingMarked,   // "BAW SIE CZYMS INNYM LUB ZAZNACZ COS"
  kOneMarked,       // "ZAZNACZ COS JESZCZE"
  kSettle,          // the sides are equal: ROZLICZANIE
  kCompensate,      // unequal sides: ROZL_KOMPENSATA
  kRatesDisagree,   // "Blokada!! Niezgodne kursy!"
  kAllZero,         // "NIE ROZLICZE - NIE ZBILANSOWANO STRON"
};
F10Action F10ActionOf(const std::vector<OpenItem>& marked);

struct OperationResult {
  bool done = false;
  std::string busy;        // when not done: the record another station holds ("fa_N FV-12"),
                           // or an item another station settled or changed meanwhile
  bool changed = false;    // the latter: the item is no longer as this station read it
  JulianDay r_data = kEmptyDate;  // the batch identity written to fa_nx
  std::string r_czas;
};

// ROZLICZANIE: the marked items (their debits equal their credits) leave fa_N for fa_nx
// under one batch; the counterparty's balance falls by both sums. `nr_wb`, when not
// empty, is the bank statement number stamped on the items (marker NR_WB.TXT).
Result<OperationResult> Settle(session::Session& s, store::StoreUi& ui, const std::vector<OpenItem>& marked,
                               std::string_view nr_wb = {});

// ROZL_KOMPENSATA: unequal marked sides. The difference D goes to two "KO" items (MAG "0",
// SPZ "P"): one on the smaller side, settled with the marked items, one on the larger side,
// left open. Returns the open remainder's fa_N record in `remainder`.
struct CompensationResult : OperationResult {
  std::optional<OpenItem> remainder;
};
Result<CompensationResult> Compensate(session::Session& s, store::StoreUi& ui, const std::vector<OpenItem>& marked);

// ZAMK_ROZRACHUNKOW: every item of kto+odb dated up to `date` leaves for fa_nx; when their
// net is not zero one "SAL" item carries it on, with its mirror in the batch. No item up
// to the date: nothing written (done = true, no batch).
Result<OperationResult> CloseToBalance(session::Session& s, store::StoreUi& ui, std::string_view kto,
                                       std::string_view odb, JulianDay date);

}  // namespace hurt::settlements
