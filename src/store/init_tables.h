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
#pragma once

#include <string_view>

namespace hurt::shell {
class Session;
}

namespace hurt::store {

// INIT_NTX(mode). `mode` "" is the plain start-up; "BEZ_INIT_DBF" (month close) skips the
// warning about an unfinished close and recomputes the month opening of the articles;
// "z korekta As" (stock correction) does the same recomputation.
bool InitNtx(shell::Session& s, std::string_view mode = "");

// INIT_DBF(period). `period` ("yy/mm") overrides the period taken from firma->BMR (the
// archive viewer opens an earlier month this way).
bool InitDbf(shell::Session& s, std::string_view period = "");

// NOWE_DD(): the station's working line table, empty, open in work area 4 under "dd".
bool NoweDd(shell::Session& s);

}  // namespace hurt::store
