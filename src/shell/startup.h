// MAIN: start-up, the main loop and shutdown of one station.
//
// Start-up, in order: runtime settings; the public variables with their defaults; the
// banner; the argument "install" or "999" (rescue run); without an argument the
// two-second window for another period; the working document variables; the stored
// settings (with the values forced at every start); DATA.RR, POMINAC.TXT, BANKBOLD.TXT;
// the station's slot in the register (IN_NET); the tables opened, or every index rebuilt
// first; station 1's operator log; the main screen (the company-data editor when the
// company has no name yet); the operator's log-in; documents waiting in rob0; the main
// loop until Esc; shutdown with "KONIEC PRACY PROGRAMU".
//
// Main returns the exit code instead of ending the process: 0 after a normal end (Esc in
// the start window included), 1 when the station could not start (no free slot, a second
// copy on the workstation, the rescue run refused, a table that cannot be opened).
#pragma once

#include "session/session_fwd.h"

#include <string>

#include "base/date.h"
#include "shell/startup_args.h"

namespace hurt::shell {

using session::Session;

inline constexpr int kExitNormal = 0;
inline constexpr int kExitNotStarted = 1;

struct StartupHooks {
  JulianDay program_date = kEmptyDate;  // D_EXE: the date of the program file
};

// What one run has done, also for the routine that stops it on a signal.
struct StartupState {
  StartArgs args;
  bool registered = false;  // the station holds a slot: it must sign off at the end
  int exit_code = kExitNormal;
};

int Main(Session& session, StartupState& state, const StartupHooks& hooks = {});

// Step 2: every public variable that is not a stored setting, with its default.
void DeclarePublicVariables(Session& session, const StartArgs& args, const StartupHooks& hooks);

// Steps 8 and the files read with it: M_DATA_RR, M_RD_POMIN, M_BANKBOLD.
void ReadStartFiles(Session& session);

// The main loop: the menus until the work ends. Returns kMenuEnd, or 101..103 when an
// installer item ends the program with that exit code.
int MainLoop(Session& session);

// Shutdown after the main loop: backup when asked for, sign-off, tables closed,
// "KONIEC PRACY PROGRAMU". Returns the exit code.
int Shutdown(Session& session, StartupState& state);

// Signs the station off and closes the tables at once (a stop signal came).
void StopNow(Session& session, StartupState& state);

// CZYT_KP_KW: the cash document counters of firma into JF_KP … JF_KP_.
void CzytKpKw(Session& session);

// J_DAT_OPE and J_TIM_OPE: the date ("dd/mm/yy") and time of the operator log at `path`
// (today and now when the file cannot be looked at). Nothing is saved.
void StampOperatorLog(Session& session, const std::string& path);

// TWORZ_KANT(0): with J_KANTY other than "N", operator.txt exists and its date and time
// are kept in J_DAT_OPE ("dd/mm/yy") and J_TIM_OPE.
void TworzKant(Session& session);

}  // namespace hurt::shell
