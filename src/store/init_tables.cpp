#include "store/init_tables.h"

#include "shell/session.h"

namespace hurt::store {

bool InitNtx(shell::Session&, std::string_view) { return false; }
bool InitDbf(shell::Session&, std::string_view) { return false; }
bool NoweDd(shell::Session&) { return false; }

}  // namespace hurt::store
