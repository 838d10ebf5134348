#include "support/card_sim.h"

#include <gtest/gtest.h>
#include <unistd.h>


#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {

CardSimulator::CardSimulator(const std::string& dir, const std::vector<std::string>& args) : log_(dir + "/card.log") {
  std::vector<std::string> argv = {BuiltProgram("card-sim"), "--log", log_, "--ports", "0,0,0,0"};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessOptions options;
  options.timeout_ms = 600'000;
  child_ = std::make_unique<ChildProcess>(argv, options);
  for (int i = 0; i < 500 && child_->OutputSoFar().find("ready") == std::string::npos; ++i) ::usleep(10'000);
  const std::string& out = child_->OutputSoFar();
  EXPECT_NE(out.find("ready"), std::string::npos) << out;
  const size_t at = out.find("porty ");
  if (at != std::string::npos) ports_ = out.substr(at + 6, out.find('\n', at) - at - 6);
}

std::string CardSimulator::Log() const { return Slurp(log_); }

std::string CardSimulator::WaitFor(std::string_view text, int timeout_ms) const {
  return WaitForInFile(log_, text, timeout_ms, "card log");
}

}  // namespace hurt::testing
