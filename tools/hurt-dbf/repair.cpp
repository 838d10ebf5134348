// repair: a table whose header counts more records than its file holds (dbf_repair.h).
// Says what it found, asks on standard input before it changes anything (--yes answers
// for the operator), keeps a copy of the original beside the table and sets the count to
// the whole records present.
#include <cstdio>
#include <string>

#include "base/text.h"
#include "tool.h"
#include "xbase/dbf_repair.h"

namespace hurt::dbftool {

namespace {

// One line of standard input: true for "y" or "yes" (any case).
bool Confirmed() {
  std::string line;
  for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin)) line.push_back(static_cast<char>(c));
  const std::string answer = Lower(AllTrim(line));
  return answer == "y" || answer == "yes";
}

}  // namespace

int CmdRepair(const Args& args) {
  if (args.positional.size() != 1) return Usage("repair needs one table");
  if (const std::string flag = args.UnknownFlag({"--yes"}); !flag.empty()) return Usage("repair does not know " + flag);
  if (!args.order.empty()) return Usage("repair does not take --order");
  const std::string file = TableFile(args.positional[0]);
  xbase::Env& env = xbase::RealEnv();

  auto count = xbase::CountDbfRecords(env, file);
  if (!count.ok()) return Fail(count.status(), file);
  if (!count->short_file()) {
    Out(file + ": the header counts " + std::to_string(count->header) + " records and the file holds them; " +
        "nothing to repair\n");
    return kExitOk;
  }
  auto copy = xbase::RepairCopyName(env, file);
  if (!copy.ok()) return Fail(copy.status(), file);
  Out(file + ": the header counts " + std::to_string(count->header) + " records, the file holds " +
      std::to_string(count->whole) + " whole ones\n");
  if (!args.HasFlag("--yes")) {
    Out("Set the count to " + std::to_string(count->whole) + ", keeping the original as " + *copy + "? [y/N] ");
    std::fflush(stdout);
    if (!Confirmed()) {
      Out("nothing changed\n");
      return kExitNo;
    }
  }
  auto repaired = xbase::RepairDbfRecordCount(env, file, *copy);
  if (!repaired.ok()) {
    if (repaired.status().IsBusy()) {
      Error(file + ": opened by another process; repair it when nobody works with it");
      return kExitNo;
    }
    return Fail(repaired.status(), file);
  }
  Out(file + ": record count set to " + std::to_string(*repaired) + "; the original is kept as " + *copy +
      " (rebuild the table's indexes)\n");
  return kExitOk;
}

}  // namespace hurt::dbftool
