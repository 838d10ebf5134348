// The settings screens of an installation (Dowody › Parametryzacja systemu).
//
// PARAMETRY_PROGRAMU(1): the user settings on three pages.
//   1. A fixed group of settings is preset to its standard values and the cash counters
//      are read from firma; the settings file is then restored over them, so that only
//      settings missing from the file keep the preset.
//   2. Three pages of labelled one-line fields (settings_fields.h), each with its check;
//      a refused value keeps the cursor in the field with the reason on row 23, and row 24
//      explains the field being edited. Esc or the last field ends a page; the next one
//      follows. Nothing is written while the pages are edited.
//   3. After the pages: J_MAG_KOMI and J_KOD13W normalised, J_I3 "3" undone when the
//      article quantity has 2 decimals, JEST_DF_300 recomputed, J_ZM_INDEK "N", J_POZIOM
//      and J_ATEST checked against the article table, the VAT rate normalised; then
//      parametr.mem is saved and, under one lock of the firma record (15 s), the counters
//      that changed (PISZ_KP_KW) and the drive letter J_NAPED (AB) are written to firma;
//      J_ZAKUPU "T"; the snapshot parametr.txt is rewritten.
//   All or nothing: when firma has something to take and its lock cannot be had, or the
//   settings file cannot be written, the operator is told, nothing is written and the
//   session keeps the settings it had before the screen.
//
// INST_KORV: the installer's page.
//   1. The screen is cleared; parametr.mem is restored, or recovered from parametr.txt;
//      with the start argument "3" on station 1 (model not ORHMET) J_I3 becomes "3" and
//      is saved; the snapshot is rewritten.
//   2. One page under "PARAMETRYZACJA PROGRAMU" with the installer's switches.
//   3. Leaving with any key but Esc: operator.txt is emptied when J_KANTY is "N"; its date
//      and time go to J_DAT_OPE / J_TIM_OPE; the VAT rate is normalised; the settings are
//      saved and the snapshot rewritten. Esc leaves the file as it was.
//   Runs from the menu and from the start argument "install" (before the tables are open).
#pragma once

#include "session/session_fwd.h"

namespace hurt::shell {

using session::Session;

// True when the settings were saved.
bool ParametryProgramu(Session& session);
bool InstKorv(Session& session);

}  // namespace hurt::shell
