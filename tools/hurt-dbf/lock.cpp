// lock: takes a record lock at once and holds it for the seconds given, as a station that
// is editing the record would. For trying out and testing how other stations wait.
#include "base/text.h"
#include "tool.h"
#include "xbase/table.h"

namespace hurt::dbftool {

namespace {

bool ParseWhole(const std::string& text, long max, long* out) {
  if (text.empty() || text.size() > 10) return false;
  long n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n > max) return false;
  *out = n;
  return true;
}

}  // namespace

int CmdLock(const Args& args) {
  if (args.positional.size() != 3) return Usage("lock needs a table, a record number and seconds");
  if (!args.flags.empty() || !args.order.empty()) return Usage("lock takes no options");
  const std::string file = TableFile(args.positional[0]);
  long recno = 0;
  long seconds = 0;
  if (!ParseWhole(args.positional[1], 1'000'000'000, &recno) || recno == 0) return Usage("RECNO must be a record number");
  if (!ParseWhole(args.positional[2], 86'400, &seconds)) return Usage("SECONDS must be 0 to 86400");

  xbase::Env& env = xbase::RealEnv();
  auto table = xbase::Table::Open(env, file, xbase::TableMode::Shared());
  if (!table.ok()) return FailOpen(table.status(), file);
  const uint32_t r = static_cast<uint32_t>(recno);
  Status s = (*table)->LockRecord(r);
  if (s.IsBusy()) {
    Error(file + ": record " + std::to_string(r) + " is locked by another process");
    return kExitNo;
  }
  if (!s.ok()) return Fail(s, file);
  Out(file + ": record " + std::to_string(r) + " locked for " + std::to_string(seconds) + " s\n");
  std::fflush(stdout);
  env.clock().Sleep(seconds * 1000);
  s = (*table)->UnlockRecord(r);
  if (s.ok()) s = (*table)->Close();
  if (!s.ok()) return Fail(s, file);
  return kExitOk;
}

}  // namespace hurt::dbftool
