// The fiscal printer simulator (tools/fiscal-sim) as a child process of a test: started
// on a free TCP port (and a pseudo-terminal when asked), its journal read back.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"

namespace hurt::testing {

class FiscalSimulator {
 public:
  // fiscal-sim with `args` (e.g. {"--tcp", "0"}), its journal in `dir`/journal.txt.
  FiscalSimulator(const std::string& dir, const std::vector<std::string>& args);
  int port() const { return port_; }
  const std::string& pty() const { return pty_; }
  const std::string& journal_path() const { return journal_; }
  std::string Journal() const;
  // Polls the journal until it holds `text` (a failure and the journal after ~10 s).
  std::string WaitFor(std::string_view text, int timeout_ms = 10'000) const;

 private:
  std::string journal_;
  std::unique_ptr<ChildProcess> child_;
  int port_ = 0;
  std::string pty_;
};

// How many times `what` occurs in `text`.
int Occurrences(const std::string& text, std::string_view what);

}  // namespace hurt::testing
