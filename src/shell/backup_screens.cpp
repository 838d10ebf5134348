#include "shell/backup_screens.h"

#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "console/message_window.h"
#include "maintenance/backup.h"
#include "session/session.h"
#include "shell/menu_tree.h"
#include "shell/menu_tree_internal.h"
#include "shell/station.h"
#include "shell/startup_util.h"

namespace hurt::shell {

using namespace hurt::literals;

int KopiowanieNaPena(Session& session) {
  (void)maintenance::ArcDbf(session, maintenance::ArcCall::kMenu);  // it has told the operator how it went
  return menu::kReopen;
}

int OdtwarzanieZPena(Session& session) {
  const std::string line = Dtoc(session.Today()) + ", " + Left(session.clock().TimeText(), 5) + " " +
                           std::string("│"_pl) + " Odtwarzanie zbiorow z PENa - operator " + session.op().nr + " " +
                           AllTrim(session.op().nazwisko);
  if (!AppendLine(session, session.Path(kBledyFile), line).ok()) {
    console::Okno_(session.con(), "Nie moge zapisac pliku bledy.txt - odtwarzanie przerwane", 3);
    return menu::kReopen;
  }
  return maintenance::UnarcDbf(session) == maintenance::RestoreEnd::kEndProgram ? kMenuEnd : menu::kReopen;
}

bool KopiaPrzyWyjsciu(Session& session) { return maintenance::ArcDbf(session, maintenance::ArcCall::kAtExit); }

}  // namespace hurt::shell
