// Fuzzes the reading of the settings file parametr.mem: the memory-variable decoder and
// the session's settings laid over their defaults (Settings::Restore). Any bytes must
// give variables or a Corruption; what decodes must encode and decode to the same
// variables, and settings restored from it must save a file that restores again.
//
//   mkdir -p /tmp/corpus_mem && build/fuzz/tests/fuzz/fuzz_mem_file -max_total_time=60 \
//       /tmp/corpus_mem tests/fuzz/corpus_mem_file
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "session/settings.h"
#include "xbase/mem_file.h"
#include "xbase/memory_env.h"

namespace {

using namespace hurt;
using namespace hurt::xbase;

// A failure where none may be: said, then the fuzzer stops.
void Fail(const Status& status) {
  if (status.ok()) return;
  std::fprintf(stderr, "%s\n", status.ToString().c_str());
  __builtin_trap();
}

void RoundTrip(std::string_view bytes) {
  auto vars = DecodeMemFile(bytes, "parametr.mem");
  if (!vars.ok()) {
    if (!vars.status().IsCorruption()) __builtin_trap();
    return;
  }
  auto encoded = EncodeMemFile(*vars);
  Fail(encoded.status());  // what was read can be written again
  auto again = DecodeMemFile(*encoded, "parametr.mem");
  if (!again.ok() || again->size() != vars->size()) __builtin_trap();
}

void RestoreSettings(std::string_view bytes) {
  FakeClock clock(2026, 1, 1);
  MemoryEnv env(clock);
  if (!env.SetContents("parametr.mem", std::string(bytes)).ok()) return;
  session::Settings settings(env);
  Status restored = settings.Restore("parametr.mem");
  if (!restored.ok()) {
    if (!restored.IsCorruption()) __builtin_trap();
    return;
  }
  Fail(settings.Save("kopia.mem"));
  session::Settings again(env);
  Fail(again.Restore("kopia.mem"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (size_t{1} << 20)) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RoundTrip(bytes);
  RestoreSettings(bytes);
  return 0;
}
