// Document kinds the program writes into `slow` itself.
//
//   - the advance-invoice kinds "FZ" and "ZAM" (option FV_ZAL.TXT), added to every period
//     by the start-up build when missing;
//   - the starter set of a new company: a data directory whose kinds table is empty gets
//     the kinds a wholesaler needs on its first day, so that documents can be entered at
//     once. The kind editor changes them or adds others.
#pragma once

#include <span>
#include <string_view>

#include "base/result.h"
#include "store/net_ui.h"
#include "xbase/work_area.h"

namespace hurt::session {

struct KindSeed {
  std::string_view rd, opis, r_p, s_z, cuv, kto, mag, nb;  // opis in code page 852
};

// Sales invoice "FV" and its correction "FK", purchase receipt "PZ" and its correction
// "KZ", issue note "WZ", retail receipt "SD", internal issue "RW" and receipt "PW",
// transfer "MM", opening balance "BO", cash in "KP" and cash out "KW" (the stock
// settings J_RD, J_SD, J_XKP and J_XKW name four of them).
std::span<const KindSeed> StarterKinds();

// Appends the kinds of `seeds` whose code the table does not hold yet; the caller holds
// the table exclusively or its file lock.
Status AddMissingKinds(xbase::WorkArea& slow, std::span<const KindSeed> seeds);

// "FZ" and "ZAM" when missing.
Status AddAdvanceKinds(xbase::WorkArea& slow);

// The starter set, when the table holds no record at all (deleted ones count: a company
// that removed every kind keeps its choice). The table is locked whole (FIL_LOCK, 10 s)
// while it is looked at and written, so two stations starting at once add it once.
// True when the set was added.
Result<bool> AddStarterKindsWhenEmpty(store::StoreUi& ui, xbase::WorkArea& slow);

}  // namespace hurt::session
