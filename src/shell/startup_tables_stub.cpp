// TEMPORARY: stands in for the table build until it lands; removed then.
#include "shell/startup_tables_stub.h"

#include "shell/session.h"
#include "shell/startup_util.h"

namespace hurt::store {

bool InitDbf(shell::Session& session, std::string_view) {
  // firma shared in area 1, as the session open leaves it.
  (void)session.areas().Close(1);
  auto firma = shell::OpenWithWait(session, 1, session.Path("firma.dbf"), "firma", false, 1);
  if (!firma.ok()) return false;
  (void)(*firma)->GoTop();
  return true;
}

bool InitNtx(shell::Session& session, std::string_view) { return InitDbf(session); }

bool NoweDd(shell::Session&) { return true; }

}  // namespace hurt::store
