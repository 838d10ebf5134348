// hurt: the wholesale trade program. The current directory is the data directory.
//
//   hurt [argument]     one optional start-up argument
//   hurt --version      prints the version
#include <unistd.h>

#include <cstdio>
#include <string>

#include "console/terminal_size.h"
#include "hurt_version.h"

int main(int argc, char** argv) {
  std::string arg = argc > 1 ? argv[1] : "";
  if (arg == "--version" || arg == "-V") {
    std::printf("hurt %s\n", HURT_VERSION);
    return 0;
  }
  auto size = hurt::console::QueryTerminalSize(STDOUT_FILENO);
  if (!size) {
    std::fputs("hurt działa tylko w terminalu (standardowe wyjście nie jest terminalem).\n", stderr);
    return 1;
  }
  if (!size->Fits()) {
    std::fputs(hurt::console::TooSmallMessage(*size).c_str(), stderr);
    return 1;
  }
  std::printf("hurt %s\n", HURT_VERSION);
  return 0;
}
