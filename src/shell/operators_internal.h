// Pieces of the operators module shared by its files and tested on their own: the
// log-in rules, the station slot, the operator log and the password window.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "session/operator_rights.h"
#include "session/operators_table.h"

namespace hurt::shell {
using session::Session;
}

namespace hurt::shell::operators {

// ---- log-in rules (operators_login.cpp) ----

// The fiscal printer model that an operator's printer name names: "DF-300W   ",
// "DF-300Q   ", "DF-300    ", "ORHMET    " or "FP-600    ", the first contained in the
// name; "" when it names none.
std::string FiscalModelOf(std::string_view printer);
// JEST_DF_300: the printer is a fiscal device ("COM" or "DF_IP" in its name) or the
// installation sends to one (J_DF set).
bool IsFiscalPrinter(std::string_view printer, std::string_view j_df);
// The serial port of a "DIBAL" scale in the printer name: 1 for "DIBAL", 1..4 for
// "DIBAL1".."DIBAL4"; 0 when the name has no DIBAL.
int DibalPort(std::string_view printer);

// Sets the session to the operator of `rec` (Session::op(), M_NR, M_NAZWISKO, M_PRAWA,
// M_PRAWA1, M_PRAWA2, M_NR_MAG, M_NR_KASY, M_SMTP, ARC_MAGAZYN, ARC_KOMU, ARC_RD,
// M_DRUKARKA, TOJESTKASA).
void SetSessionOperator(Session& session, const session::operators::OperatorRecord& rec);
// Clears the logged-in operator (log-out): M_NR blank, M_NAZWISKO blank, no rights.
void ClearSessionOperator(Session& session);
bool LoggedIn(const Session& session);

// Writes `nr` into this station's slot of firma->ST ("▒" for operator "0"), under a
// record lock of 10 s. OK without a change when firma is not open or the slot is outside
// the field; Busy when the lock cannot be had.
Status SetStationSlot(Session& session, std::string_view nr);

// " wylogowana" after a name ending in "a", else " wylogowany": the log-out message.
std::string LogoutText(std::string_view nazwisko);
// The number of an operator added after the last one: "A" after a digit, otherwise the
// next character; "" when there is none left.
std::string NextOperatorNumber(std::string_view last);

// ---- the operator log operator.txt (operators_log.cpp) ----

// Appends one line "dd.mm.yyyy hh:mm:ss │ NN │ X Nazwisko │ event" to operator.txt when
// the installation keeps the log (J_KANTY not "N"). Never holds a password. Failures to
// write are ignored: the log must not stop the work.
void LogOperatorEvent(Session& session, std::string_view nr, std::string_view nazwisko, std::string_view event);

// The password window and the correction password (session/operator_rights.h).
using session::operators::ConvertCorrectionPassword;
using session::operators::CorrectionPasswordMatches;
using session::operators::CorrectionPasswordSet;
using session::operators::CorrectionPasswordSetting;
using session::operators::PasswordWindow;
using session::operators::StoreCorrectionPassword;

}  // namespace hurt::shell::operators
