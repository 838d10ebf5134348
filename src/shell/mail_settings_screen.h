// ZROB_BLAT_DBF: the mailer and backup-delivery settings, the one record of table `blat`
// (Funkcje specjalne › Edycja bazy BLAT; the menu lets only operator "0" in).
//
//   1. The table is found where the mail sender looks for it (session/blat_table.h), or
//      created in the data directory. A table of an older structure is rebuilt with the
//      catalogue's fields, keeping its records and any fields of its own: the new table
//      is built beside it and renamed over it only when complete. This needs the table
//      alone for a moment; while another station reads it: "Plik BLAT.DBF zajety".
//   2. One form: where backups go (folder, address), the mailbox (login, password, SMTP
//      server, port) and the FTP account. The passwords are shown only after
//      "pokazac haslo ?" is answered T; otherwise every character shows as "*".
//   3. Enter on the last field saves the record under its lock (10 s), the passwords kept
//      hidden (session/output/mail_password.h); Esc leaves the record as it was.
#pragma once

#include "session/session_fwd.h"

namespace hurt::shell {

using session::Session;

// True when the record was written.
bool ZrobBlatDbf(Session& session);

}  // namespace hurt::shell
