// check: every index against its table (index_check.h says what is checked).
#include <algorithm>

#include "index_check.h"
#include "tool.h"
#include "xbase/table.h"

namespace hurt::dbftool {

int CmdCheck(const Args& args) {
  if (args.positional.size() < 2) return Usage("check needs a table and at least one index");
  if (!args.flags.empty() || !args.order.empty()) return Usage("check takes no options");
  const std::string file = TableFile(args.positional[0]);
  auto table = xbase::Table::Open(xbase::RealEnv(), file, xbase::TableMode::SharedReadOnly());
  if (!table.ok()) return Fail(table.status(), file);
  std::vector<std::string> indexes;
  for (size_t i = 1; i < args.positional.size(); ++i) indexes.push_back(IndexFile(args.positional[i]));
  int worst = kExitOk;
  for (const IndexReport& r : CheckIndexes(**table, file, indexes)) {
    if (!r.open_status.ok()) {
      worst = std::max(worst, Fail(r.open_status, r.index_file));
      continue;
    }
    for (const std::string& fault : r.faults) Out(r.index_file + ": " + fault + "\n");
    std::string summary = r.index_file + ": ";
    if (r.fault_count == 0) {
      summary += "OK, " + std::to_string(r.entries) + " keys";
      if (r.stats) {
        summary += ", " + std::to_string(r.stats->pages) + (r.stats->pages == 1 ? " page" : " pages") + ", depth " +
                   std::to_string(r.stats->depth);
      }
    } else {
      if (r.fault_count > kIndexFaultsShown) {
        summary += "... and " + std::to_string(r.fault_count - kIndexFaultsShown) + " more; ";
      }
      summary += std::to_string(r.fault_count) + (r.fault_count == 1 ? " fault" : " faults");
    }
    Out(summary + " (" + r.key_note + ")\n");
    worst = std::max(worst, r.fault_count == 0 ? kExitOk : kExitNo);
  }
  return worst;
}

}  // namespace hurt::dbftool
