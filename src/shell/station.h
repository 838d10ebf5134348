// Registering the station in the company table (IN_NET) and signing it off (OUT_NET).
//
// The first station is the one that gets firma exclusively: no other program runs. It
// upgrades the table's structure when needed, reports the slots left taken by programs
// that did not sign off (" - zle wyszedl z programu", a line in bledy.txt), clears the
// register to "?000…" and decides whether every index is rebuilt. A later station opens
// firma shared, shows who works (" - PRACUJE") and takes a free slot under the record lock.
// A period argument "mm.yy" is written into firma->BMR when that period's folder holds
// as.dbf; otherwise it is refused (" - to jakas pomylka!!!", twice).
//
// firma stays open in work area 1: exclusively for a first station (the index rebuild
// needs it so), shared for a later one.
#pragma once

#include "session/session_fwd.h"

#include <string>

#include "shell/startup_args.h"

namespace hurt::shell {

using session::Session;

struct StationEntry {
  int station = 0;               // STACJA; 0 when the program must stop (reason shown)
  bool first = false;            // firma is held exclusively: no other station runs
  bool rebuild_indexes = false;  // the tables are opened by a full index rebuild
  std::string left_taken;        // first station: the slots found taken, as listed
  bool period_refused = false;   // the period argument named a period without data
};

inline constexpr std::string_view kBledyFile = "bledy.txt";

// IN_NET: claims a slot. Also applies the single-instance lock (VATJEDEN.TXT).
StationEntry InNet(Session& session, const StartArgs& args);

// OUT_NET: writes "0" into this station's slot (when firma is open in area 1), then
// rewrites the settings snapshot parametr.txt. May be called more than once.
bool OutNet(Session& session);

// Applies a period argument with firma's record locked in area 1: BMR := period when
// "<yy>/<mm>/as.dbf" exists. False when the period has no data (nothing changed).
bool ApplyPeriodArgument(Session& session, const std::string& period);

// " - to jakas pomylka!!!" after the entry, twice.
void ShowWrongPeriod(Session& session, const std::string& entry);

// Reads firma->BMR of area 1 and sets the session's period folder (HH) from it.
void TakePeriodFromFirma(Session& session);

}  // namespace hurt::shell
