// hurt-dbf: shows, checks and rebuilds the tables and indexes of a data directory.
//
//   hurt-dbf info T                      header and fields of table T
//   hurt-dbf dump T [--order NTX] [--csv | --sheet [--cp1250]]
//                                        every record, in natural or index order; as text,
//                                        as CSV for programs or for a spreadsheet (csv_table.h)
//   hurt-dbf check T [NTX...]            the table (record count, memo pointers) and every
//                                        index against it
//   hurt-dbf repair T [--yes]            sets a header that counts more records than the
//                                        file holds right, keeping a copy (dbf_repair.h)
//   hurt-dbf reindex T NTX [EXPR]        rebuilds an index (stored or given expression)
//   hurt-dbf create T "NAME,C,8,0;..."   creates an empty table
//   hurt-dbf import T CSV [--cp1250]     appends the rows of a CSV file (either dialect),
//                                        keeping the table's indexes up to date
//   hurt-dbf seek T NTX KEY [--soft]     the record number a key finds
//   hurt-dbf lock T RECNO SECONDS        holds a record lock for a while
//   hurt-dbf verify [DIR [yy/mm]]        the data checker on a data directory (verify.h)
//
// T may be given with or without ".dbf", NTX with or without ".ntx". Exit codes are in
// tool.h.
#include <cstdio>
#include <string>
#include <vector>

#include "hurt_version.h"
#include "tool.h"

namespace hurt::dbftool {
namespace {

struct Command {
  const char* name;
  int (*run)(const Args&);
};

constexpr Command kCommands[] = {
    {"info", CmdInfo},   {"dump", CmdDump},     {"check", CmdCheck}, {"reindex", CmdReindex},
    {"create", CmdCreate}, {"import", CmdImport}, {"seek", CmdSeek},   {"lock", CmdLock},
    {"verify", CmdVerify}, {"repair", CmdRepair},
};

int Main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    Out(std::string(kUsage) + "\n");
    return kExitOk;
  }
  if (command == "--version" || command == "-V") {
    Out(std::string("hurt-dbf ") + HURT_VERSION + "\n");
    return kExitOk;
  }
  Args args;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--order") {
      if (i + 1 >= argc) return Usage("--order needs an index file");
      args.order = argv[++i];
    } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      args.flags.push_back(arg);
    } else {
      args.positional.push_back(arg);
    }
  }
  for (const Command& c : kCommands) {
    if (command == c.name) return c.run(args);
  }
  return Usage("unknown command \"" + command + "\"");
}

}  // namespace
}  // namespace hurt::dbftool

int main(int argc, char** argv) {
  const int code = hurt::dbftool::Main(argc, argv);
  std::fflush(stdout);
  std::fflush(stderr);
  return code;
}
