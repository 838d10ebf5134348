// ED_FIRMY: the company-data editor, a form over the fields of firma (work area 1).
//
// Two pages: the company's name, address, tax and register numbers and main bank
// account; then the further bank accounts. PgDn or Enter on a page's last field goes on,
// PgUp goes back a page, Esc leaves without saving. After the last page the record is
// written under its lock (10 seconds of tries). Fields the table does not have are not
// shown.
#pragma once

#include "session/session_fwd.h"

namespace hurt::shell {

using session::Session;

// True when the changes were written.
bool EdFirmy(Session& session);

}  // namespace hurt::shell
