// hurt-dbf: shared pieces of the commands — exit codes, output, opening files.
//
// Exit codes:
//   0  the command did what was asked
//   1  the answer is "no": check or verify found faults, seek found no key, the record (lock) or the
//      table (reindex, repair, import) is held by another process, dump had to leave out or mark
//      what is damaged (records the file does not hold, memos that cannot be read), repair was
//      not confirmed
//   2  usage error, or input that cannot be used (missing or damaged file, bad CSV line)
//
// Every error is one line on standard error naming the file. Texts in tables are code page
// 852; everything printed is UTF-8.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"
#include "xbase/ntx.h"
#include "xbase/table.h"

namespace hurt::dbftool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNo = 1;
inline constexpr int kExitError = 2;

inline constexpr std::string_view kUsage =
    "usage: hurt-dbf info T | dump T [--order NTX] [--csv | --sheet [--cp1250]] | check T [NTX...] | "
    "repair T [--yes] | reindex T NTX [EXPR] | create T \"NAME,C,8,0;VALUE,N,12,2;...\" | "
    "import T CSV [--cp1250] | seek T NTX KEY [--soft] | lock T RECNO SECONDS | verify [DIR [yy/mm]]";

// The command line after the command word: positional arguments and "--name [value]"
// options, in any order.
struct Args {
  std::vector<std::string> positional;
  std::vector<std::string> flags;  // "--csv", "--soft"
  std::string order;               // value of --order
  bool HasFlag(std::string_view flag) const;
  // The first flag not among `known`, "" when every one is known.
  std::string UnknownFlag(std::initializer_list<std::string_view> known) const;
};

// Writes text to standard output / a one-line error to standard error.
void Out(std::string_view text);
void Error(std::string_view text);
// Prints the error of a status (naming `file` when the message does not) and gives 2.
int Fail(const Status& status, const std::string& file);
// A table that would not open: "opened exclusively by another process" and kExitNo when
// another process holds it, else as Fail.
int FailOpen(const Status& status, const std::string& file);
// Prints the usage line and gives 2.
int Usage(std::string_view what = {});

// "as" and "as.dbf" both give "as.dbf"; the same for indexes with ".ntx".
std::string TableFile(std::string_view arg);
std::string IndexFile(std::string_view arg);

// Code page 852 to UTF-8, control bytes shown as "." (for aligned text output).
std::string Printable(std::string_view cp852);

// The commands; args exclude the command word.
int CmdInfo(const Args& args);
int CmdDump(const Args& args);
int CmdCheck(const Args& args);
int CmdReindex(const Args& args);
int CmdCreate(const Args& args);
int CmdImport(const Args& args);
int CmdRepair(const Args& args);
int CmdSeek(const Args& args);
int CmdLock(const Args& args);
int CmdVerify(const Args& args);

}  // namespace hurt::dbftool
