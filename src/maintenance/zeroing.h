// ZEROWANIE (Funkcje specjalne › Opcja administratora - zerowanie): emptying the data of
// the current month, for a company that starts its records anew.
//
//   1. Refused in an archive month ("Praca w archiwum - blokada").
//   2. firma is taken exclusively: every other station must be out of the program
//      ("Wszyscy musza wyjsc z programu !" otherwise, and nothing happens).
//   3. The screen explains the three ways and warns that none can be undone; the menu
//      "1. Zerowanie lagodne", "2. Zerowanie pelne  ", "3. Czyszczenie PACK ". Each asks
//      the correction password first (HASLO): a wrong one, or Esc, does nothing and the
//      menu comes back; Esc in the menu leaves.
//   4. Lagodne: after "Czy na pewno zerowac ?" the soft zeroing of zeroing_tables.h, the
//      tables listed as they are done, then "Koniec".
//      Pelne: the list "ZEROWANIE  ZBIOROW" of every table the session had open (firma,
//      which this work holds, aside), "_HASŁO______" and "_WYJSCIE____"; each table
//      chosen and confirmed is emptied; "_HASŁO______" removes the operators' passwords
//      (the supervisor can then log in and set new ones); "_WYJSCIE____" or Esc ends it.
//      PACK: after the same question the deleted records are removed from the period's
//      main tables, listed as they are done, then "Koniec".
//   5. Every index is rebuilt and the session's tables opened again (INIT_NTX); firma is
//      then shared again. When nothing was done firma is only opened shared again.
// A failure midway is told ("ZEROWANIE NIEUDANE", the table left as it was, "Powtorz
// zerowanie") and the indexes are rebuilt all the same; each table is then either as it
// was or done (zeroing_tables.h), and the next start tells that the zeroing is unfinished.
#pragma once

namespace hurt::session {
class Session;
}

namespace hurt::maintenance {

// False when the session's tables could not be opened again: the work must end.
bool Zerowanie(session::Session& s);

}  // namespace hurt::maintenance
