// Operators, log-in and rights: what the menus, start-up and business routines call.
//
// Operators live in the shared table `prawa` (data directory, work area 101 while the
// operator list is open). Log-in happens on the operator list (ZmianaOperatora) right
// after start-up and whenever " Zmiana operatora " is chosen; the logged-in operator's
// number, name and rights are in Session::op() and in the session variables M_NR,
// M_NAZWISKO, M_PRAWA ...
//
// Passwords are never kept in a form that gives them back: `prawa` holds a salted, slow
// one-way hash of each operator's password (field HASH), the old field HASLO stays blank,
// and the installation's correction password J_BOSS is kept as such a hash too. No
// password is built into the program: every "fixed password" check of the program goes
// through Haslo(session, kind), which compares with the supervisor's (operator "0")
// password or with the installation's correction password.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "session/operator_rights.h"

namespace hurt::shell {

using session::Session;

// ZMIANAOPERATORA: the full log-in on the operator list. Sets Session::op() and the
// session variables of the operator, the session's fiscal printer model (from the
// operator's printer name) and writes the operator number into this station's slot of
// firma->ST.
// Returns true when an operator is logged in afterwards (during a change of operator
// the previous one stays when the new one fails). Returns false only when nobody is
// logged in and the operator chose to end the program ("CZY CHCESZ ZAKONCZYC PRACE ?"
// answered T): the caller then signs the station off and ends the program.
bool ZmianaOperatora(Session& session);

// TB_PRAWA: the operator list alone (log-in, log-out and the supervisor's editing). False
// when `prawa` cannot be opened (or upgraded).
bool TbPrawa(Session& session);

// The rights and password checks live on the session floor; the shell's screens use
// them by their short names.
using session::CzytajHaslo;
using session::Haslo;
using session::HasloKind;
using session::Prawa;
using session::Prawa1;

}  // namespace hurt::shell
