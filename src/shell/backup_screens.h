// The backup and the restore as the menu and the end of the program call them.
#pragma once

#include "session/session_fwd.h"

namespace hurt::shell {

using session::Session;

// Funkcje specjalne › " Kopiowanie zbiorów na PENa ": the backup (ARC_DBF). Returns what the
// menu does next.
int KopiowanieNaPena(Session& session);

// Funkcje specjalne › "*Odtwarzanie zbiorów z PENa ": a line naming the operator in the
// failure log (bledy.txt), then the restore (UNARC_DBF). The work ends when the session
// could not be reopened after it.
int OdtwarzanieZPena(Session& session);

// The backup offered at the end of the program (ARC_DBF("1")); true when it was made.
bool KopiaPrzyWyjsciu(Session& session);

}  // namespace hurt::shell
