// Fuzzes the lines of the headless key script (HURT_HEADLESS): each line must give steps
// or Invalid, never a crash; text lines give one key per character and waits stay within
// their bounds.
//
//   mkdir -p /tmp/corpus_keys && build/fuzz/tests/fuzz/fuzz_key_script -max_total_time=60 \
//       /tmp/corpus_keys tests/fuzz/corpus_key_script
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "shell/headless_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using hurt::shell::ScriptStep;
  if (size > (size_t{64} << 10)) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    auto steps = hurt::shell::ParseScriptLine(line);
    if (steps.ok()) {
      for (const ScriptStep& step : *steps) {
        if (step.kind == ScriptStep::Kind::kWait && (step.millis < 0 || step.millis > 86'400'000)) __builtin_trap();
      }
    } else if (!steps.status().IsInvalid()) {
      __builtin_trap();
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return 0;
}
