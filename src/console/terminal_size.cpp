#include "console/terminal_size.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace hurt::console {

std::optional<TerminalSize> QueryTerminalSize(int fd) {
  if (!isatty(fd)) return std::nullopt;
  winsize ws{};
  if (ioctl(fd, TIOCGWINSZ, &ws) != 0) return std::nullopt;
  return TerminalSize{ws.ws_col, ws.ws_row};
}

std::string TooSmallMessage(const TerminalSize& size) {
  return "Okno terminala jest za małe (" + std::to_string(size.cols) + "x" + std::to_string(size.rows) +
         "): program potrzebuje co najmniej " + std::to_string(kScreenCols) + " kolumn i " +
         std::to_string(kScreenRows) + " wierszy. Wystarczy powiększyć okno: program pracuje dalej.\n";
}

}  // namespace hurt::console
