// Creating, upgrading, indexing and opening the tables of a session.
//
//   INIT_NTX  (InitNtx)  the start-up build of the first station: creates missing tables,
//                        upgrades old structures, rebuilds every index of the data root and
//                        of the current period with the tables opened exclusively, then
//                        opens the session (InitDbf).
//   INIT_DBF  (InitDbf)  opens every table of the session shared, in the fixed work areas
//                        of the catalogue, with its index files attached in catalogue order.
//   NOWE_DD   (NoweDd)   creates the station's empty working line table rob/d<nn> and opens
//                        it in work area 4 with its order and its relation to the articles.
//
// Each returns false after telling the operator what went wrong in the message window
// ("Plik <file> niedostepny" and the like); the caller (start-up) then ends the session.
//
// The build, step by step (InitNtx):
//   1. Unless the mode is "BEZ_INIT_DBF": files left in ZAMKNIJ/ by a month close that did
//      not finish are shown ("MASZ ZLE ZAMKNIETY MIESIAC", 10 seconds).
//   2. Work areas 2 to 250 are closed (149, the single-instance lock, stays);
//      kierowca.ntx and koniec.txt are erased; "Indeksowanie - prosze czekac".
//   3. The period comes from firma->BMR. When its folder has no as.dbf, today's period or
//      else the latest earlier period that has one is taken and written to BMR.
//      (firma itself is expected open in area 1, as the station register leaves it; when
//      it is not, it is opened exclusively here, created when missing and given its one
//      record, so that a new data directory can be built from nothing.)
//   4. Print files in PRN_W/ not dated today are erased.
//   5. Every table of the catalogue's build order whose option is on is created when
//      missing, rebuilt when its structure is behind the definition (without ever
//      holding less than before: see init_tables_rebuild.h and init_tables_layout.h),
//      and has every index file built in catalogue order, each opened exclusively with
//      up to 20 one-second attempts.
//   6. In the month-close and stock-correction modes the articles' month opening is
//      recomputed and the document headers' totals are zeroed.
//   7. The session is opened (InitDbf).
#pragma once

#include <string_view>

#include "store/net_ui.h"

namespace hurt::session {
class Session;
}

namespace hurt::session {

// INIT_NTX(mode). `mode` "" is the plain start-up; "BEZ_INIT_DBF" (month close) skips the
// warning about an unfinished close and recomputes the month opening of the articles;
// "z korekta As" (stock correction) does the same recomputation.
bool InitNtx(Session& s, std::string_view mode = "");

// INIT_DBF(period). `period` ("yy/mm") overrides the period taken from firma->BMR (the
// archive viewer opens an earlier month this way). When a table or index of the current
// period is missing (as.ntx for instance) the start-up build runs instead, which ends by
// opening the session.
bool InitDbf(Session& s, std::string_view period = "");

// NOWE_DD(): the station's working line table, empty, open in work area 4 under "dd".
bool NoweDd(Session& s);

// The same with another screen for the messages and waits (tools without a terminal,
// tests). The plain forms use the session's console.
bool InitNtx(Session& s, store::StoreUi& ui, std::string_view mode);
bool InitDbf(Session& s, store::StoreUi& ui, std::string_view period);
bool NoweDd(Session& s, store::StoreUi& ui);

}  // namespace hurt::session
