// Fuzzes the table header decoder and the whole open-and-read path of a table: any bytes
// must give a table or a Corruption status, never a crash, a hang or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "xbase/dbf_format.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"

namespace {

using namespace hurt;
using namespace hurt::xbase;

// A decoded header must survive being encoded and decoded again.
void CheckRoundTrip(const DbfHeader& header) {
  std::string encoded;
  header.EncodeTo(&encoded);
  auto again = DbfHeader::Decode(encoded, "fuzz.dbf");
  if (!again.ok() || again->fields != header.fields || again->record_length != header.record_length ||
      again->record_count != header.record_count || encoded.size() != header.header_length) {
    __builtin_trap();
  }
}

// Opens the bytes as a table (the memo file gets the same bytes) and reads every value.
void ReadAsTable(std::string_view bytes) {
  FakeClock clock(2026, 1, 1);
  MemoryEnv env(clock);
  if (!env.SetContents("f.dbf", std::string(bytes)).ok()) return;
  if (!env.SetContents("f.dbt", std::string(bytes)).ok()) return;
  auto table = Table::Open(env, "f.dbf");
  if (!table.ok()) {
    if (!table.status().IsCorruption() && !table.status().IsNotFound()) __builtin_trap();
    return;
  }
  Record rec;
  RecordScanner scan(**table);
  int records = 0;
  while (scan.Next(&rec) && records++ < 64) {
    for (int i = 0; i < rec.schema().field_count(); ++i) (void)rec.GetValue(i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto header = DbfHeader::Decode(bytes, "fuzz.dbf");
  if (header.ok()) {
    (void)header->CheckFileSize(size, "fuzz.dbf");
    CheckRoundTrip(*header);
  } else if (!header.status().IsCorruption()) {
    __builtin_trap();
  }
  ReadAsTable(bytes);
  return 0;
}
