// The one place where the program calls a routine that this build does not have yet.
//
// A menu item or start-up step whose routine is missing calls NotBuilt: the operator sees
// one clear message and the caller goes on as if the routine had returned false.
#pragma once

#include <string_view>

namespace hurt::session {

class Session;

// Shows "Funkcja <name> niedostępna" in the message window (3 seconds or a
// key) and returns false.
bool NotBuilt(Session& session, std::string_view routine_name);

// An item or step that a marker file turns on for one particular client installation and
// that this program does not have: "Opcja innej instalacji (<marker>)", so the operator
// knows which file switched it on. Returns false.
bool OtherInstallation(Session& session, std::string_view marker);

}  // namespace hurt::session
