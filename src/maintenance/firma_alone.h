// The company table held alone: what the operations that need every other station out of
// the program (zeroing, the change of the current period) begin with.
//
// Every running station keeps firma open in its work area 1, so an exclusive open of it
// succeeds only when this station is the only one working. It is tried once, with the
// usual one-second wait; when another station holds the table, firma is opened shared
// again (as the session keeps it) and the operator is told that everybody must leave.
#pragma once

namespace hurt::session {
class Session;
}

namespace hurt::maintenance {

enum class FirmaAlone {
  kTaken,       // firma is open exclusively in area 1
  kOthersWork,  // another station works: told, firma open shared again
  kLost,        // firma could not be opened at all any more: the session cannot go on
};

// Reopens firma exclusively in area 1 (see above); "Wszyscy musza wyjsc z programu !"
// when another station holds it.
FirmaAlone TakeFirmaAlone(session::Session& s);

// Reopens firma shared in area 1, on its record. False when it cannot be opened.
bool GiveFirmaBack(session::Session& s);

}  // namespace hurt::maintenance
