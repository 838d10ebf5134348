#include "documents/posting.h"

#include "shell/not_built.h"

namespace hurt::documents {

bool Wyjscie(shell::Session& session, bool /*post*/) {
  shell::NotBuilt(session, "WYJSCIE");
  return true;
}

bool RepDowWithD(shell::Session& session, int /*mode*/) { return shell::NotBuilt(session, "REP_DOW_WITH_D"); }

bool RepDWithDow(shell::Session& session, std::string_view, std::string_view) {
  return shell::NotBuilt(session, "REP_D_WITH_DOW");
}

}  // namespace hurt::documents
