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

namespace hurt::shell {

class Session;

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

// PRAWA(n) and PRAWA1(n) of the logged-in operator.
bool Prawa(const Session& session, int n);
bool Prawa1(const Session& session, int n);

// What a "fixed password" check guards; each kind names whose password is asked.
enum class HasloKind {
  kCorrection,  // corrections and sensitive changes: the installation's correction password
  kSupervisor,  // selling to a blocked payer ("Zły płatnik"): the supervisor's password
  kMinMargin,   // changing the minimum margin: the correction password
  kPriceRise,   // raising prices in bulk: the correction password
  kZeroing,     // zeroing the data: the supervisor's password
};

// HASLO: asks for the password of `kind` in the password window ("      PODAJ  HASŁO  !"
// or `prompt`), twice at most. True when it matches, or at once when no such password is
// set. The correction password is J_BOSS when the installation has set one; while J_BOSS
// is the stock default (never set) the supervisor's password stands for it.
bool Haslo(Session& session, HasloKind kind, std::string_view prompt = {});

// HASLO("HAS...", prompt): reads a password in the same window without checking it.
// Empty optional on Esc.
std::optional<std::string> CzytajHaslo(Session& session, std::string_view prompt = {});

}  // namespace hurt::shell
