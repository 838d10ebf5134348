// verify [DIR [yy/mm]]: the data checker (verify.h) on a data directory, the current one
// by default, in the period firma->BMR names or in the period given (an archive month). Each finding is one line on standard output, then a summary line; the exit
// code is 0 when nothing was found, 1 when something was, 2 when the directory cannot be
// checked (no company record, no period).
#include "tool.h"
#include "verify.h"

namespace hurt::dbftool {

int CmdVerify(const Args& args) {
  if (args.positional.size() > 2) return Usage("verify takes a data directory and a period yy/mm");
  if (!args.flags.empty() || !args.order.empty()) return Usage("verify takes no options");
  const std::string dir = args.positional.empty() ? std::string(".") : args.positional[0];
  const std::string period = args.positional.size() > 1 ? args.positional[1] : std::string();
  auto findings = VerifyData(xbase::RealEnv(), dir, period);
  if (!findings.ok()) return Fail(findings.status(), "");
  for (const Finding& f : *findings) Out(f.text + "\n");
  if (findings->empty()) {
    Out("verify " + dir + ": bez uwag\n");
    return kExitOk;
  }
  Out("verify " + dir + ": uwag: " + std::to_string(findings->size()) + "\n");
  return kExitNo;
}

}  // namespace hurt::dbftool
