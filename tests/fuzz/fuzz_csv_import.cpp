// Fuzzes CSV import as hurt-dbf import reads a file: the layout taken from its start
// (byte-order mark, encoding, separator), the records, the header row mapped onto a
// table's fields and every value turned into field bytes (memos written to the table's
// memo file). Any bytes must give rows or a Status. A row that went in must come out of
// the spreadsheet writer and read back to the same field bytes.
//
//   mkdir -p /tmp/corpus_csv && build/fuzz/tests/fuzz/fuzz_csv_import -max_total_time=60 \
//       /tmp/corpus_csv tests/fuzz/corpus_csv_import
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/csv.h"
#include "store/csv_table.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"

namespace {

using namespace hurt;
using namespace hurt::xbase;

CsvReader::Source SourceOf(std::string_view text) {
  return [text](char* buf, size_t n) mutable {
    const size_t got = std::min(n, text.size());
    std::memcpy(buf, text.data(), got);
    text.remove_prefix(got);
    return got;
  };
}

// Reads the rows into the table; the records written.
std::vector<uint32_t> Import(std::string_view bytes, bool cp1250, Table& table) {
  std::vector<uint32_t> written;
  const CsvLayout layout = SniffCsv(bytes.substr(0, 4096), cp1250);
  if (layout.skip > bytes.size()) __builtin_trap();
  CsvReader reader(SourceOf(bytes.substr(layout.skip)), layout.separator);
  std::vector<std::string> fields;
  auto header = reader.Next(&fields);
  if (!header.ok() || !*header) return written;
  std::vector<std::string> names;
  for (const std::string& f : fields) {
    auto name = CsvDecodeText(f, layout.encoding);
    if (!name.ok()) return written;
    names.push_back(*name);
  }
  auto columns = store::CsvColumns(names, table.schema());
  if (!columns.ok()) return written;
  for (int rows = 0; rows < 64; ++rows) {
    auto more = reader.Next(&fields);
    if (!more.ok()) {
      if (!more.status().IsInvalid()) __builtin_trap();
      return written;
    }
    if (!*more) return written;
    if (fields.size() != columns->size()) continue;
    Record rec = table.NewRecord();
    bool good = true;
    for (size_t c = 0; c < fields.size() && good; ++c) {
      auto text = CsvDecodeText(fields[c], layout.encoding);
      if (!text.ok()) {
        good = false;
        break;
      }
      const DbfFieldDescriptor& f = table.schema().field((*columns)[c]);
      auto stored = store::CsvFieldBytes(f, *text);
      if (!stored.ok()) {
        if (!stored.status().IsInvalid()) __builtin_trap();
        good = false;
        break;
      }
      if (f.type == 'M') {
        good = rec.SetValue((*columns)[c], Value(*stored)).ok();
      } else {
        good = rec.SetFieldBytes((*columns)[c], *stored).ok();
      }
    }
    if (!good) continue;
    auto recno = table.Append(rec);
    if (recno.ok()) written.push_back(*recno);
  }
  return written;
}

// Records written as a spreadsheet's CSV and read back give the same field bytes.
void RoundTrip(Table& table, const std::vector<uint32_t>& written) {
  for (CsvEncoding encoding : {CsvEncoding::kUtf8Bom, CsvEncoding::kCp1250}) {
    const CsvDialect dialect = CsvDialect::Spreadsheet(encoding);
    std::string out(CsvFileStart(encoding));
    out += store::CsvHeaderRow(table.schema(), dialect);
    std::vector<Record> records;
    for (uint32_t recno : written) {
      Record rec;
      if (!table.Read(recno, &rec).ok()) __builtin_trap();
      if (!store::AppendCsvRow(rec, dialect, &out).ok()) __builtin_trap();
      records.push_back(rec);
    }
    // Windows-1250 text may happen to be valid UTF-8 (the import's --cp1250 says it then).
    const CsvLayout layout = SniffCsv(out.substr(0, 4096), encoding == CsvEncoding::kCp1250);
    if (layout.separator != ';') __builtin_trap();
    CsvReader reader(SourceOf(std::string_view(out).substr(layout.skip)), layout.separator);
    std::vector<std::string> fields;
    if (!reader.Next(&fields).ok()) __builtin_trap();
    for (const Record& rec : records) {
      auto more = reader.Next(&fields);
      if (!more.ok() || !*more || fields.size() != static_cast<size_t>(rec.schema().field_count())) __builtin_trap();
      for (int i = 0; i < rec.schema().field_count(); ++i) {
        const DbfFieldDescriptor& f = rec.schema().field(i);
        if (f.type == 'M') continue;
        auto text = CsvDecodeText(fields[static_cast<size_t>(i)], layout.encoding);
        // Windows-1250 lacks some code page 852 characters: those come back as "?".
        if (!text.ok()) __builtin_trap();
        if (encoding == CsvEncoding::kCp1250) continue;
        auto bytes = store::CsvFieldBytes(f, *text);
        if (!bytes.ok()) __builtin_trap();
        Record again = rec;
        if (!again.SetFieldBytes(i, *bytes).ok() || again.FieldBytes(i) != rec.FieldBytes(i)) __builtin_trap();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (size_t{256} << 10)) return 0;
  FakeClock clock(2026, 1, 1);
  MemoryEnv env(clock);
  const std::vector<DbfFieldDescriptor> fields = {{"KOD", 'C', 8, 0},  {"NAZWA", 'C', 20, 0}, {"ILOSC", 'N', 12, 3},
                                                  {"CENA", 'N', 10, 2}, {"DATA", 'D', 8, 0},   {"JEST", 'L', 1, 0},
                                                  {"UWAGI", 'M', 10, 0}};
  if (!Table::Create(env, "t.dbf", fields).ok()) __builtin_trap();
  auto table = Table::Open(env, "t.dbf", TableMode::Exclusive());
  if (!table.ok()) __builtin_trap();
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<uint32_t> written = Import(bytes, data[0] % 2 == 1, **table);
  RoundTrip(**table, written);
  return 0;
}
