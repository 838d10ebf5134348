// REP_D_WITH_DOW: a posted document reopened for correction (filled in next).
#include "documents/posting.h"
#include "shell/not_built.h"
#include "shell/session.h"
#include "shell/store_ui.h"

namespace hurt::documents {

bool RepDWithDow(shell::Session& session, store::StoreUi&, std::string_view, std::string_view) {
  return shell::NotBuilt(session, "REP_D_WITH_DOW");
}

bool RepDWithDow(shell::Session& session, std::string_view rd, std::string_view nrd) {
  shell::ConsoleStoreUi ui(session.con());
  return RepDWithDow(session, ui, rd, nrd);
}

}  // namespace hurt::documents
