// ZO_FN_KOR: the settlement ledger rebuilt from the document headers (`dowod`) and the
// settled batches (`fa_nx`), run by the reorganisation and by the month close.
//
//   1. "Sprawdzam zo (zo_)"...: a copy <alias>_.dbf of a counterparty book (in the period
//      folder, else in the data directory) gives its master fields back to the book;
//      records with an empty key go; records only in the copy are added. Records absent
//      from the copy whose rebuilt balances are zero go at the end (judged on the rebuilt
//      balances, so that a second run decides the same way).
//   2. "Sprawdzam rozrachunki (1)": the items the month close brought forward from the
//      month before (fa_bo in the period folder, the open items of that month's ledger)
//      open the new fa_N; then every header gives its open item by the rule posting
//      and the money documents use (documents::OpenItemOf), into a new fa_N built from
//      nothing. An opening balance "BO " keeps SPZ "B" on its item. A non-cash document
//      whose counterparty is missing from its book is told ("Spz<>G a brak odb. w
//      katalogu: ...", "Jak to rozliczyc ?") and the counterparty is added with ODB, NODB.
//   3. ZAP: blank on every new item; in fa_nx "x" on "KO " items, blank on the rest.
//   4. "Sprawdzam rozrachunki (2)": fa_nx items of no ledger (KTO not O, D, P, F, or no
//      ODB) go; the batches are walked in order. A balanced batch marks each item's twin
//      (same RD+NRD, KTO, ODB, DATA, OBWN, OBMA, MAG, the first 12 characters of TRESC
//      and KURS, still open) with ".". An item the ledger made itself (RD "KO " or "SAL",
//      MAG "0") with no open twin is the side the operation wrote into the batch alone:
//      it is added marked "." together with its mirror, left open (see MirrorOf in the
//      source). A batch with an item that has no twin is deleted from fa_nx whole and
//      marks nothing.
//   5. "Sprawdzam rozrachunki (3)": the items marked "." or "x" leave; the new fa_N
//      replaces the old one, and every counterparty's OBWN/OBMA become the home-currency
//      sums of its open items (a missing counterparty record is added first).
//
// The ledger tables (fa_N, fa_nx, zo, zd, zp, zf) are held exclusively for the work:
// when another station has one open nothing is done and the result is Busy with the
// message for the operator.
//
// Stopping midway. The new fa_N is filled beside the old one and put in its place by the
// table-rebuild swap (store/init_tables_rebuild.h): until that rename the old ledger is
// whole (fa_nx only lost ZAP marks, which nothing else reads); after it, the balances and
// the fa_nx deletions are recomputed from the tables by any later run, which then ends
// with the same ledger. A marker file (kLedgerRebuildMarker) stands from the start to the
// end, and the start-up tells the operator to run the reorganisation again.
#pragma once

#include <string_view>

#include "base/result.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

inline constexpr std::string_view kLedgerRebuildMarker = "zo_fn_kor.txt";
// The open items a month close brings forward into the new month, in its period folder
// (the layout of fa_N). Written once by the close, read by every rebuild of that month.
inline constexpr std::string_view kBroughtForward = "fa_bo";

struct LedgerRebuildResult {
  long brought_forward = 0;  // items brought forward from the month before
  long documents = 0;        // headers that gave an open item
  long added_counterparties = 0;
  long batches = 0;          // batches of fa_nx applied
  long dropped_batches = 0;  // batches deleted for an item without its twin
  long unbalanced_batches = 0;  // batches whose sides differ: left in fa_nx, not applied
  long open_items = 0;       // items of the new fa_N
};

// ZO_FN_KOR. Progress lines and the operator's messages go to `ui`. The session's ledger
// tables are open shared again afterwards (whatever the outcome).
Result<LedgerRebuildResult> ZoFnKor(session::Session& s, store::StoreUi& ui);

}  // namespace hurt::settlements
