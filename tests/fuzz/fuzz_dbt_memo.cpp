// Fuzzes the memo file reader: any bytes as a .dbt must give memo texts or a Status,
// never a crash, a hang or undefined behaviour.
//
// The first byte chooses the block numbers to read (and to check, as hurt-dbf check
// does); the rest is the memo file. A memo is then written to a copy opened exclusively,
// which must read back as written.
//
//   mkdir -p /tmp/corpus_dbt && build/fuzz/tests/fuzz/fuzz_dbt_memo -max_total_time=60 \
//       /tmp/corpus_dbt tests/fuzz/corpus_dbt_memo
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "xbase/dbt.h"
#include "xbase/memory_env.h"

namespace {

using namespace hurt;
using namespace hurt::xbase;

void ReadBlocks(MemoryEnv& env, uint8_t choice) {
  auto memo = MemoFile::Open(env, "f.dbt", MemoFile::Mode{false, true});
  if (!memo.ok()) {
    if (!memo.status().IsCorruption() && !memo.status().IsNotFound()) __builtin_trap();
    return;
  }
  const uint32_t blocks[] = {0, 1, 2, 3, static_cast<uint32_t>(choice), static_cast<uint32_t>(choice) * 7 + 1,
                             0xFFFFFFFFu};
  for (uint32_t block : blocks) {
    auto text = (*memo)->Read(block);
    if (!text.ok() && !text.status().IsCorruption()) __builtin_trap();
    Status checked = (*memo)->Check(block);
    if (!checked.ok() && !checked.IsCorruption()) __builtin_trap();
    // A memo the checker passes is one the reader reads.
    if (checked.ok() && !text.ok()) __builtin_trap();
  }
}

void WriteAndReadBack(MemoryEnv& env) {
  auto memo = MemoFile::Open(env, "f.dbt", MemoFile::Mode{true, false});
  if (!memo.ok()) return;
  const std::string text = "notatka do dokumentu";
  auto block = (*memo)->Write(text);
  if (!block.ok()) {
    if (!block.status().IsCorruption() && !block.status().IsInvalid()) __builtin_trap();
    return;
  }
  auto back = (*memo)->Read(*block);
  if (!back.ok() || *back != text || !(*memo)->Check(*block).ok()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (size_t{1} << 20)) return 0;
  FakeClock clock(2026, 1, 1);
  MemoryEnv env(clock);
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (!env.SetContents("f.dbt", bytes).ok()) return 0;
  ReadBlocks(env, data[0]);
  WriteAndReadBack(env);
  return 0;
}
