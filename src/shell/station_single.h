// One copy of the program per workstation (marker VATJEDEN.TXT in the data directory).
//
// The station keeps a small table, program.dbf, in its own local folder (the session's
// local_dir: HURT_LOCAL_DIR, default $HOME/.hurt — the old C:\VAT_ROB) and holds it open
// exclusively in work area 149 for the whole run. A second copy started on the same
// workstation cannot open it and stops with "Program juz otwarty na pasku".
//
// The table is made when missing unless the marker VATJEDEN.XXX exists in the data
// directory without vatjeden.txt in the local folder (an installation that switches the
// lock on per workstation).
#pragma once

#include "session/session_fwd.h"

#include <string>

namespace hurt::shell {

using session::Session;

inline constexpr int kSingleInstanceArea = 149;

// The lock table's path in the local folder.
std::string SingleInstanceTablePath(const Session& session);

// Takes the single-instance lock when the marker asks for it. False when another copy is
// running here (the message has been shown): the program must stop.
bool ClaimSingleInstance(Session& session);

}  // namespace hurt::shell
