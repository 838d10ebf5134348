#include "documents/line_editor.h"

#include "shell/not_built.h"

namespace hurt::documents {

bool MyDow(shell::Session& session, int, int, int, int, std::string_view, std::string_view, int) {
  shell::NotBuilt(session, "MYDOW");
  return true;
}

bool RezRe(shell::Session&) { return true; }
bool RezZw(shell::Session&) { return true; }
void ZwRezWyjscie(shell::Session&) {}

}  // namespace hurt::documents
