// Operators' rights and the password checks that business routines call.
//
// The logged-in operator is in Session::op(); the log-in screens are the shell's
// (shell/operators.h). No password is built into the program: every "fixed password"
// check goes through Haslo(session, kind), which compares with the supervisor's
// (operator "0") password or with the installation's correction password J_BOSS.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"

namespace hurt::session {

class Session;

// PRAWA(n) and PRAWA1(n) of the logged-in operator.
bool Prawa(const Session& session, int n);
bool Prawa1(const Session& session, int n);

// What a "fixed password" check guards; each kind names whose password is asked.
enum class HasloKind {
  kCorrection,  // corrections and sensitive changes: the installation's correction password
  kSupervisor,  // selling to a blocked payer ("Zły płatnik"): the supervisor's password
  kMinMargin,   // changing the minimum margin: the correction password
  kPriceRise,   // raising prices in bulk: the correction password
  kZeroing,     // zeroing the data: the correction password; on an installation where
                // neither it nor the supervisor's password is set, the stock "WREN"
};

// HASLO: asks for the password of `kind` in the password window ("      PODAJ  HASŁO  !"
// or `prompt`), twice at most. True when it matches, or at once when no such password is
// set. The correction password is J_BOSS when the installation has set one; while J_BOSS
// is the stock default (never set) the supervisor's password stands for it.
bool Haslo(Session& session, HasloKind kind, std::string_view prompt = {});

// HASLO("HAS...", prompt): reads a password in the same window without checking it.
// Empty optional on Esc.
std::optional<std::string> CzytajHaslo(Session& session, std::string_view prompt = {});

namespace operators {

// ---- the password window and the correction password ----

// HASLO's window: asks for a password, twice at most ("       ZŁE  HASŁO !" between),
// and returns true when `matches` accepts an entry. Esc gives up at once.
bool PasswordWindow(Session& session, const std::function<bool(std::string_view entry)>& matches,
                    std::string_view prompt);

// The installation's correction password: J_BOSS as stored in parametr.mem (the session's
// copy when the file cannot be read).
std::string CorrectionPasswordSetting(Session& session);
// J_BOSS holds a password of its own (a hash, or an old plain one), not the stock default.
bool CorrectionPasswordSet(std::string_view j_boss);
// Whether `entry` is the correction password `j_boss` (upper-cased, trailing blanks
// ignored).
bool CorrectionPasswordMatches(std::string_view j_boss, std::string_view entry);
// Stores a new correction password (empty: back to the stock default) into parametr.mem,
// changing nothing else in the file, and into the session.
Status StoreCorrectionPassword(Session& session, std::string_view entry);
// An old plain J_BOSS is replaced by its hash in parametr.mem and the session.
Status ConvertCorrectionPassword(Session& session);

}  // namespace operators

}  // namespace hurt::session
