#include "documents/dbu_dow.h"

#include "shell/not_built.h"

namespace hurt::documents {

void DbuDow(shell::Session& session, int /*klucz*/, std::string_view /*rd*/, std::string_view /*nrd*/) {
  shell::NotBuilt(session, "DBU_DOW");
}

}  // namespace hurt::documents
