// The backup of a month to a drive (ARC_DBF) and its restore (UNARC_DBF).
//
// Where the archives go and what they hold: backup_places.h and backup_sources.h. Older
// installations could instead write batch files for an external archiver and end the
// program so that the start script ran them (exit codes 190, 191, 200); this program
// always writes and reads the ZIP archives itself, so no such exit is left.
//
// ARC_DBF, step by step:
//   1. At the end of the program only: "Zrobic kopie bezpieczenstwa ?"; N makes none.
//   2. The dialog "SKOPIOWAC DO NAPEDU   " (J_GDZIE, blank = C), "do katalogu:"
//      (J_KATALOG) and "DANE MIESIACA mm.rr " (the current period first). Esc: none.
//   3. A month folder without as.dbf: "BRAK DANYCH Z mm.rr".
//   4. Marker ZIPHASLO.TXT and no password in vat.ini: refused, saying where to set it.
//   5. "Włóż PENa do komory <drive>, wcisnij ENTER ..." (Esc: none); a drive that is not
//      ready: "Stacja <drive> nie jest gotowa".
//   6. Each archive written whole or not at all, the file being read shown meanwhile; a
//      failure ends the backup ("Kopia nie zrobiona" and why), the archives finished
//      before it stay.
//   7. "koniec kopiowania".
//
// UNARC_DBF, step by step (nothing changes before step 6):
//   1. Not in an archive month ("Praca w archiwum - blokada").
//   2. The dialog "Nazwa pliku np. VAT<mm><yy>        :" (the current month's archive
//      first), "Czy dane sa na wielu PENach" (T is refused: a ZIP archive is one file),
//      "ODTWARZAC Z NAPEDU:" (a letter, or "." for the data directory) and "z katalogu:".
//      With marker VV.TXT the month's dated archives found there are listed instead of
//      the name, newest first. The archive is looked for where the backup of the same
//      drive and folder puts it, then in the folder itself ("Brak pliku <name>").
//   3. "CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?"
//   4. The archives (the month's, then FV_ZAL, FV_ZAM, POJEMNIK, WZOR when present) are
//      read whole and unpacked beside the files they replace, each checked: a damaged
//      month archive, a wrong password or an unsafe name restores nothing
//      ("<archive>-pliki NIE zostały rozpakowane! <archive>" and why).
//   5. "CZY NA PEWNO ODTWARZAC ?" (default N).
//   6. firma exclusively ("Wszyscy musza wyjsc z programu !"); the session's tables are
//      closed; every unpacked file is renamed over the old one ("<archive>-pliki zostały
//      rozpakowane"). A program killed before this step leaves every file as it was.
//   7. The indexes of a restored month other than the current one are rebuilt, then
//      "Indeksowanie - prosze czekac ...": every index rebuilt and the session reopened
//      (INIT_NTX). When that fails the program must end.
#pragma once

#include "session/session_fwd.h"

namespace hurt::maintenance {

using session::Session;

enum class ArcCall {
  kMenu,    // from the special-functions menu
  kAtExit,  // offered at the end of the program (ARC_DBF("1"))
};

// True when every archive was written.
bool ArcDbf(Session& session, ArcCall call);

enum class RestoreEnd {
  kBack,        // back to the menu (restored or not: the operator has been told)
  kEndProgram,  // the session could not be reopened: the program must end
};

RestoreEnd UnarcDbf(Session& session);

// The restore's journal: while the unpacked files are renamed into their places it lists
// every rename ("<temporary>\t<place>" per line); a program stopped among the renames
// leaves it, and the next start finishes them (the files were checked whole before).
inline constexpr std::string_view kRestoreJournal = "odtwarzanie.txt";

// At start-up, before the tables are opened: the renames a stopped restore left undone,
// finished. True when there were any (every index must then be rebuilt); the journal goes
// once the caller has rebuilt them (FinishRestoreDone).
bool FinishStoppedRestore(Session& session);
void FinishRestoreDone(Session& session);

}  // namespace hurt::maintenance
