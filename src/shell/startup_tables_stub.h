// TEMPORARY: stands in for store/init_tables.h until the table build lands; removed then.
#pragma once

#include <string_view>

namespace hurt::shell {
class Session;
}

namespace hurt::store {

bool InitNtx(shell::Session& session, std::string_view mode = "");
bool InitDbf(shell::Session& session, std::string_view period = "");
bool NoweDd(shell::Session& session);

}  // namespace hurt::store
