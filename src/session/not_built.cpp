#include "session/not_built.h"

#include "base/cp852.h"
#include "console/message_window.h"
#include "session/session.h"

namespace hurt::session {

using namespace literals;

bool NotBuilt(Session& session, std::string_view routine_name) {
  std::string text = std::string("Funkcja "_pl) + std::string(routine_name) + std::string(" niedostępna"_pl);
  console::Okno_(session.con(), text, 3);
  return false;
}

bool OtherInstallation(Session& session, std::string_view marker) {
  console::Okno_(session.con(), "Opcja innej instalacji (" + std::string(marker) + ")", 3);
  return false;
}

}  // namespace hurt::session
