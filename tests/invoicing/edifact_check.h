// Every INVOIC and ORDERS interchange the tests write goes through two checkers that know
// nothing of this program (tests/edifact):
//   - check_ts_edifact.js: the npm package ts-edifact (its parser and validator over its
//     segment and element tables, its Tracker over its message structure tables), kept in
//     .tools/edifact by scripts/edifact_tools;
//   - check_d96a.pl: the UN directory D.96A tables of Debian's libbusiness-edi-perl,
//     message structure, segments, composites and element formats.
// A checker that is not installed is a failure telling to run scripts/setup.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace hurt::invoicing::testing {

// The program `name` found on the PATH; "" when there is none.
inline std::string ProgramOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/" + name;
    std::ifstream probe(candidate);
    if (end > start && probe.good()) return candidate;
    start = end + 1;
  }
  return {};
}

// What one checker says about the files: "" when it accepts them all.
inline std::string CheckerFaults(const std::string& program, std::vector<std::string> argv) {
  const std::string found = ProgramOnPath(program);
  if (found.empty()) return program + " is not installed - run scripts/setup";
  argv.insert(argv.begin(), found);
  hurt::testing::ProcessOptions options;
  options.timeout_ms = 120'000;
  const hurt::testing::ProcessResult r = hurt::testing::RunProcess(argv, options);
  if (r.Succeeded()) return {};
  if (r.exit_code == 2) return r.err + r.out;  // the tool is missing: the checker says what to run
  return program + " " + argv[1] + ":\n" + r.out + r.err;
}

// "" when both checkers accept every file; else what they said.
inline std::string EdifactFaults(const std::vector<std::string>& files) {
  std::vector<std::string> node = {hurt::testing::SourceFile("tests/edifact/check_ts_edifact.js"),
                                   hurt::testing::SourceFile(".tools/edifact/node_modules")};
  std::vector<std::string> perl = {hurt::testing::SourceFile("tests/edifact/check_d96a.pl")};
  node.insert(node.end(), files.begin(), files.end());
  perl.insert(perl.end(), files.begin(), files.end());
  return CheckerFaults("node", node) + CheckerFaults("perl", perl);
}

// The same for interchanges in memory.
inline std::string EdifactFaultsOfTexts(const std::vector<std::string>& texts) {
  hurt::testing::TempDir dir;
  std::vector<std::string> files;
  for (size_t i = 0; i < texts.size(); ++i) {
    files.push_back(dir / ("m" + std::to_string(i) + ".edi"));
    std::ofstream(files.back(), std::ios::binary) << texts[i];
  }
  return EdifactFaults(files);
}

}  // namespace hurt::invoicing::testing
