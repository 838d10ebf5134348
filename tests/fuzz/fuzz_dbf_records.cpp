// Fuzzes the reading of records: a valid table header with fields of every type, followed
// by arbitrary record bytes, and a memo file of arbitrary bytes. Every record is read by
// the scanner and by a work area (natural order, a filter over the fields), every value
// decoded, every memo read and checked; each outcome must be a value or a Status.
//
// The first byte splits the rest: that many 16-byte units go to the memo file, the
// remainder follows the table header as records.
//
//   mkdir -p /tmp/corpus_rec && build/fuzz/tests/fuzz/fuzz_dbf_records -max_total_time=60 \
//       /tmp/corpus_rec tests/fuzz/corpus_dbf_records
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace {

using namespace hurt;
using namespace hurt::xbase;

// The header of an empty table of every field type, made once by the engine itself.
std::string EmptyTable() {
  FakeClock clock(2026, 1, 1);
  MemoryEnv env(clock);
  const std::vector<DbfFieldDescriptor> fields = {{"KOD", 'C', 8, 0},   {"ILOSC", 'N', 12, 3}, {"CENA", 'N', 10, 2},
                                                  {"DATA", 'D', 8, 0},  {"JEST", 'L', 1, 0},   {"UWAGI", 'M', 10, 0},
                                                  {"OPIS", 'C', 300, 0}};
  if (!Table::Create(env, "t.dbf", fields).ok()) return {};
  auto bytes = env.Contents("t.dbf");
  if (!bytes.ok()) return {};
  std::string header = *bytes;
  header.pop_back();  // the end-of-file byte: records follow the header
  return header;
}

void ReadEverything(MemoryEnv& env) {
  auto table = Table::Open(env, "f.dbf", TableMode::Salvage());
  if (!table.ok()) {
    if (!table.status().IsCorruption() && !table.status().IsNotFound()) __builtin_trap();
    return;
  }
  Record rec;
  RecordScanner scan(**table);
  int records = 0;
  while (scan.Next(&rec) && records++ < 256) {
    for (int i = 0; i < rec.schema().field_count(); ++i) {
      auto value = rec.GetValue(i);
      if (rec.schema().field(i).type == 'M') {
        auto block = ParseMemoBlock(rec.FieldBytes(i));
        if (block.ok()) (void)(*table)->CheckMemo(*block);
      } else if (value.ok()) {
        (void)EncodeFieldValue(rec.schema().field(i), *value);
      }
    }
  }
  (void)(*table)->Close();

  WorkAreas areas(env);
  auto area = areas.Open(1, "f.dbf", "F", AreaOpenOptions{.exclusive = false, .read_only = true});
  if (!area.ok()) return;
  if (!(*area)->SetFilter("ILOSC > 1 .AND. JEST .AND. DTOS(DATA) >= \"2020\" .OR. \"A\" $ UWAGI").ok()) __builtin_trap();
  Status s = (*area)->GoTop();
  for (int steps = 0; s.ok() && !(*area)->eof() && steps < 256; ++steps) s = (*area)->Skip();
  s = (*area)->GoBottom();
  for (int steps = 0; s.ok() && !(*area)->bof() && steps < 256; ++steps) s = (*area)->Skip(-1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (size_t{1} << 20)) return 0;
  static const std::string header = EmptyTable();
  if (header.empty()) __builtin_trap();
  const size_t memo_size = std::min<size_t>(size - 1, size_t{data[0]} * 16);
  const std::string_view memo(reinterpret_cast<const char*>(data) + 1, memo_size);
  const std::string_view records(reinterpret_cast<const char*>(data) + 1 + memo_size, size - 1 - memo_size);
  FakeClock clock(2026, 1, 1);
  MemoryEnv env(clock);
  if (!env.SetContents("f.dbf", header + std::string(records)).ok()) return 0;
  if (!env.SetContents("f.dbt", std::string(memo)).ok()) return 0;
  ReadEverything(env);
  return 0;
}
