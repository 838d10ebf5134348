// ZM_BMR (Funkcje specjalne › Zmiana bieżacego okresu obrach.): another month becomes the
// current period, for work in a month that was closed too early or opened by mistake.
//
//   1. Refused in an archive month ("Praca w archiwum - blokada").
//   2. The month and year are chosen (the current period preset; Esc leaves). A month
//      whose folder has no article table: "<month name> niedostepny". The current
//      period itself changes nothing.
//   3. firma is taken exclusively: every other station must be out of the program
//      ("Wszyscy musza wyjsc z programu !" otherwise).
//   4. "Zmienic biezacy okres na <month name> ?" (default N).
//   5. firma->BMR := "mm.yy" of the month, made durable; then INIT_NTX rebuilds the
//      month's indexes and opens its tables (firma shared again). The main screen drawn
//      next shows the new period.
// Nothing but BMR changes: the month's tables are taken as they are.
#pragma once

namespace hurt::session {
class Session;
}

namespace hurt::maintenance {

// False when the session's tables could not be opened again: the work must end.
bool ZmBmr(session::Session& s);

}  // namespace hurt::maintenance
