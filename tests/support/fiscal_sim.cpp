#include "support/fiscal_sim.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {

FiscalSimulator::FiscalSimulator(const std::string& dir, const std::vector<std::string>& args)
    : journal_(dir + "/journal.txt") {
  std::vector<std::string> argv = {BuiltProgram("fiscal-sim"), "--journal", journal_};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessOptions options;
  options.timeout_ms = 600'000;
  child_ = std::make_unique<ChildProcess>(argv, options);
  for (int i = 0; i < 500 && child_->OutputSoFar().find("ready") == std::string::npos; ++i) ::usleep(10'000);
  const std::string& out = child_->OutputSoFar();
  EXPECT_NE(out.find("ready"), std::string::npos) << out;
  const size_t tcp = out.find("tcp 127.0.0.1:");
  if (tcp != std::string::npos) port_ = std::atoi(out.c_str() + tcp + 14);
  const size_t pty = out.find("pty ");
  if (pty != std::string::npos) pty_ = out.substr(pty + 4, out.find('\n', pty) - pty - 4);
}

std::string FiscalSimulator::Journal() const { return Slurp(journal_); }

std::string FiscalSimulator::WaitFor(std::string_view text, int timeout_ms) const {
  return WaitForInFile(journal_, text, timeout_ms, "journal");
}

int Occurrences(const std::string& text, std::string_view what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace hurt::testing
