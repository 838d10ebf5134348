// The card terminal simulator (tools/card-sim) as a child process of a test: started on
// free loopback ports, its log read back.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"

namespace hurt::testing {

class CardSimulator {
 public:
  // card-sim with `args` (e.g. {"--late", "3000"}) on free ports, its log in `dir`/card.log.
  CardSimulator(const std::string& dir, const std::vector<std::string>& args);
  // "T,S,R,F", for vat.ini's EFT_PORTY.
  const std::string& ports() const { return ports_; }
  std::string Log() const;
  // Polls the log until it holds `text` (a failure and the log after ~10 s).
  std::string WaitFor(std::string_view text, int timeout_ms = 10'000) const;

 private:
  std::string log_;
  std::unique_ptr<ChildProcess> child_;
  std::string ports_;
};

}  // namespace hurt::testing
