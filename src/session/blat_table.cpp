#include "session/blat_table.h"

#include "session/output/report_paths.h"
#include "session/session.h"

namespace hurt::session {

std::string FindBlatTable(Session& session) {
  std::string table = FindFileAnyCase(session.env(), kBlatStationDir, kBlatFile);
  if (table.empty()) table = FindFileAnyCase(session.env(), session.root(), kBlatFile);
  return table;
}

}  // namespace hurt::session
