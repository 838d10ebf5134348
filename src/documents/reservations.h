// Provisional reservations: the stock that the lines of documents still being edited
// take, kept on the article card (`as->REZERWA0`) so that every station sees it.
//
// Counters on the article card:
//   ILOSC     the stock
//   REZERWA   reserved by customer orders
//   REZERWA0  taken by documents being edited on any station (this module)
//   REZERWA9  a further counter of order kinds
// What a new issue line may take is min(ILOSC − REZERWA − REZERWA0 − REZERWA9, ILOSC).
//
// Invariant: REZERWA0 of an article equals the sum of what every running station holds of
// it, as each station's reservation ledger says (reservation_ledger.h). A station holds
// the quantity of the reserving lines of its document (issue and transfer lines with a
// positive quantity of kinds that reserve) beyond what the posted document it corrects
// already took. Every change is made under the record lock of the article, read again
// under that lock, the ledger written before the counter, so that two stations never lose
// each other's change and a station that dies can be taken back. A lock that cannot be had
// changes nothing, and the caller keeps its line as it was.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "base/result.h"
#include "documents/doc_kind.h"
#include "documents/reservation_ledger.h"
#include "store/net_ui.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::documents {

// REC_LOCK wait for a reservation change: 20 attempts (one, then 19 half-second retries).
inline constexpr double kReservationLockWait = 9.5;

// True for kinds whose issue lines reserve stock. Orders ("ZAM"), offers and pro-formas
// (tags OFERTA, PROFORMA) never do; sales and sales corrections do not when `fvzmieni`
// is false (J_FVZMIENI "N").
bool KindReserves(const DocKind& kind, bool fvzmieni);

// True for a line that holds a reservation: a kind that reserves, an issue or transfer
// (R_P "R" or "M"), a positive quantity.
bool LineReserves(const DocKind& kind, bool fvzmieni, double ilosc);

// The stock counters of an article card.
struct StockCounters {
  double ilosc = 0;
  double rezerwa = 0;
  double rezerwa0 = 0;
  double rezerwa9 = 0;
};

// min(ILOSC − REZERWA − REZERWA0 − REZERWA9, ILOSC), to 3 decimals.
double AvailableStock(const StockCounters& c);

// The counters of the current record of `as` (REZERWA9 counts 0 when the table has no
// such field).
Result<StockCounters> ReadCounters(const xbase::WorkArea& as);

// What a typed quantity becomes against the stock available to it (IS_ILOSC).
struct QuantityCheck {
  double ilosc = 0;          // the quantity the line keeps
  double available = 0;      // what was available
  bool short_stock = false;  // more was asked than available: the message is shown
  bool refused = false;      // nothing available and negative stock not allowed
};
// Asked ≤ available: kept. Otherwise with negative stock allowed kept as asked; else cut
// to what is available, or 0 and refused when nothing is.
QuantityCheck CheckQuantity(double asked, double available, bool allow_negative);

// The station's reservation ledger (reservation_ledger.h): where ChangeReservation writes
// what the station holds before it changes REZERWA0.
struct StationLedger {
  xbase::Env* env = nullptr;
  std::string path;  // rob/rez<nn>.txt
};

// A reservation change of one line's article.
struct ReservationRequest {
  std::string mag;     // warehouse, 1 character
  std::string indeks;  // article code, 8 characters
  double held = 0;     // what the line holds now (0: nothing)
  double wanted = 0;   // what it is to hold (0: release)
  // Cut `wanted` to the stock available to the line (the others' reservations read under
  // the lock, the line's own `held` counted back in); a cut never goes below 0.
  bool limit_to_stock = false;
};

struct ReservationResult {
  double ilosc = 0;       // the quantity the line now holds
  double available = 0;   // the stock available to the line under the lock
  bool cut = false;       // `wanted` was cut to the stock
  double rezerwa0 = 0;    // the article's REZERWA0 afterwards
};

// The stock available to one line of the document: the article's free stock with the
// station's own reservation counted back, plus what the posted document under correction
// took of it (`credit`), less what the document's other lines take. `line_held` is the
// line's own quantity among the document's lines.
double AvailableForLine(const StockCounters& c, const LedgerEntry& mine, double line_held);

// Moves the line's quantity of the article from `held` to `wanted` under the article's
// record lock (kReservationLockWait): the ledger's entry of the article follows the
// document's lines (lines − held + wanted) and is written first, then REZERWA0 moves by
// the change of what the station holds, max(0, lines − credit). While the record is
// locked, an article whose lowest-level price CENAM is above CENA gets CENAM and CENA2M
// cleared. A lowered counter never goes below 0. The position of `as` is restored.
// Busy: the lock could not be had, nothing changed. NotFound: no such article.
Result<ReservationResult> ChangeReservation(store::StoreUi& ui, xbase::WorkArea& as, const StationLedger& ledger,
                                            const ReservationRequest& request);

// Lets everything the ledger holds go: for each article the station holds, REZERWA0 falls
// by its part (under the article's lock); then the ledger is removed. Articles that were
// busy stay in the ledger with their part. Returns how many stayed.
Result<int> ReleaseLedger(store::StoreUi& ui, xbase::WorkArea& as, const StationLedger& ledger);

// Records the credit of a posted document opened for correction: `credits` by MAG+INDEKS.
// The ledger must hold nothing yet (a new document starts with none).
Status SetLedgerCredits(const StationLedger& ledger, const std::map<std::string, double, std::less<>>& credits);

// "Karta towaru <MAG> <INDEKS> zajeta - rezerwacja bez zmian": the message when the lock
// of the article cannot be had.
std::string BusyArticleMessage(std::string_view mag, std::string_view indeks);

}  // namespace hurt::documents
