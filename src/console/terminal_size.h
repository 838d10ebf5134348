// Size of the terminal the program runs in, checked before the screen starts.
#pragma once

#include <optional>
#include <string>

namespace hurt::console {

constexpr int kScreenCols = 80;
constexpr int kScreenRows = 25;

struct TerminalSize {
  int cols = 0;
  int rows = 0;
  bool Fits() const { return cols >= kScreenCols && rows >= kScreenRows; }
};

// The size of the terminal on the descriptor, or nullopt when it is not a terminal.
std::optional<TerminalSize> QueryTerminalSize(int fd);

// The message for a terminal that is too small (UTF-8, for standard error).
std::string TooSmallMessage(const TerminalSize& size);

}  // namespace hurt::console
