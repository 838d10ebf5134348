// info and dump: what a table holds, for people (aligned text) and programs (CSV).
#include <algorithm>
#include <cstdio>

#include "base/cp852.h"
#include "base/csv.h"
#include "base/text.h"
#include "store/csv_table.h"
#include "tool.h"
#include "xbase/ntx.h"
#include "xbase/table.h"

namespace hurt::dbftool {

namespace {

std::string Hex2(unsigned v) {
  static const char* const kDigits = "0123456789abcdef";
  return std::string("0x") + kDigits[(v >> 4) & 15] + kDigits[v & 15];
}

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Longest memo text shown in an aligned dump.
constexpr size_t kMemoShown = 60;
// What stands in the place of a memo that cannot be read.
constexpr std::string_view kBadMemo = "<bad memo>";

// One field of a record as the aligned dump shows it: C/N/D/L as stored, M the memo text
// (cut to kMemoShown).
Status FieldText(const xbase::Record& rec, int i, std::string* out) {
  const xbase::DbfFieldDescriptor& f = rec.schema().field(i);
  if (f.type == 'M') {
    auto memo = rec.GetValue(i);
    if (!memo.ok()) return memo.status();
    *out = memo->AsString();
    if (out->size() > kMemoShown) *out = out->substr(0, kMemoShown) + "...";
    return Status::Ok();
  }
  *out = std::string(rec.FieldBytes(i));
  return Status::Ok();
}

struct Opened {
  std::unique_ptr<xbase::Table> table;
  int exit_code = kExitOk;
};

// Opened shared and read only; a table whose header counts more records than the file
// holds is opened with the records present (the caller says so).
Opened OpenForReading(const std::string& file) {
  Opened o;
  auto table = xbase::Table::Open(xbase::RealEnv(), file, xbase::TableMode::Salvage());
  if (!table.ok()) {
    o.exit_code = Fail(table.status(), file);
    return o;
  }
  o.table = std::move(*table);
  return o;
}

// The index a dump follows; null for natural order. *code is set on failure.
std::unique_ptr<xbase::NtxIndex> OpenOrder(const std::string& order, int* code) {
  if (order.empty()) return nullptr;
  const std::string index_file = IndexFile(order);
  xbase::NtxOpenOptions options;
  options.read_only = true;
  auto index = xbase::NtxIndex::Open(xbase::RealEnv(), index_file, options);
  if (!index.ok()) {
    *code = Fail(index.status(), index_file);
    return nullptr;
  }
  return std::move(*index);
}

// Walks the records in natural order, or in the order of an index, calling emit for each.
template <typename Emit>
int ForEachRecord(xbase::Table& table, const std::string& table_file, xbase::NtxIndex* index, Emit emit) {
  xbase::Record rec;
  if (index == nullptr) {
    xbase::RecordScanner scan(table);
    while (scan.Next(&rec)) {
      Status s = emit(rec);
      if (!s.ok()) return Fail(s, table_file);
    }
    if (!scan.status().ok()) return Fail(scan.status(), table_file);
    return kExitOk;
  }
  xbase::NtxCursor cursor(*index);
  Status s = cursor.GoTop();
  while (s.ok() && !cursor.eof()) {
    const uint32_t recno = cursor.recno();
    s = table.Read(recno, &rec);
    if (s.IsNotFound()) {
      return Fail(Status::Corruption("entry for record " + std::to_string(recno) + " past the end of " +
                                     table_file + " (" + std::to_string(table.RecordCount()) +
                                     " records): check and reindex it"),
                  index->path());
    }
    if (!s.ok()) return Fail(s, table_file);
    s = emit(rec);
    if (!s.ok()) return Fail(s, table_file);
    s = cursor.Skip(1);
  }
  if (!s.ok()) return Fail(s, index->path());
  return kExitOk;
}

}  // namespace

int CmdInfo(const Args& args) {
  if (args.positional.size() != 1) return Usage("info needs one table");
  const std::string file = TableFile(args.positional[0]);
  Opened o = OpenForReading(file);
  if (!o.table) return o.exit_code;
  xbase::Table& t = *o.table;
  const xbase::DbfHeader& h = t.header();
  std::string text;
  text += "file:          " + file + "\n";
  text += "version:       " + Hex2(h.version) + (t.memo_path().empty() ? " (no memo file)\n" : " (memo file " + t.memo_path() + ")\n");
  text += "last update:   " + std::to_string(h.update_year) + "-" + TwoDigits(h.update_month) + "-" +
          TwoDigits(h.update_day) + "\n";
  text += "records:       " + std::to_string(t.RecordCount());
  if (h.record_count != t.RecordCount()) text += " (header says " + std::to_string(h.record_count) + ")";
  if (h.record_count > t.RecordCount()) text += ": the file is shorter than its header says (hurt-dbf repair)";
  text += "\n";
  text += "header length: " + std::to_string(h.header_length) + "\n";
  text += "record length: " + std::to_string(h.record_length) + "\n";
  text += "language:      " + Hex2(h.language) + (h.language == xbase::kDbfLanguageCp852 ? " (code page 852)\n" : "\n");
  text += "fields:        " + std::to_string(t.fields().size()) + "\n";
  text += "    # name       type width dec offset\n";
  for (int i = 0; i < t.schema().field_count(); ++i) {
    const xbase::DbfFieldDescriptor& f = t.schema().field(i);
    text += PadL(std::to_string(i + 1), 5) + " " + PadR(Printable(f.name), 10) + " " + f.type + "    " +
            PadL(std::to_string(f.width), 5) + " " + PadL(std::to_string(f.decimals), 3) + " " +
            PadL(std::to_string(t.schema().offset(i)), 6) + "\n";
  }
  Out(text);
  return kExitOk;
}

// The records a damaged header promises but the file does not hold: said on standard
// error; true when there are such.
bool WarnShortFile(const xbase::Table& t, const std::string& file) {
  if (t.header().record_count <= t.RecordCount()) return false;
  Error(file + ": the header counts " + std::to_string(t.header().record_count) + " records, the file holds " +
        std::to_string(t.RecordCount()) + " whole ones; those are shown (hurt-dbf repair sets the header right)");
  return true;
}

int CmdDump(const Args& args) {
  if (args.positional.size() != 1) return Usage("dump needs one table");
  if (const std::string flag = args.UnknownFlag({"--csv", "--sheet", "--cp1250"}); !flag.empty()) {
    return Usage("dump does not know " + flag);
  }
  const bool sheet = args.HasFlag("--sheet");
  const bool csv = args.HasFlag("--csv") || sheet;
  if (sheet && args.HasFlag("--csv")) return Usage("dump takes --csv or --sheet, not both");
  if (args.HasFlag("--cp1250") && !sheet) return Usage("--cp1250 goes with --sheet");
  const CsvDialect dialect = !sheet ? CsvDialect::Program()
                                    : CsvDialect::Spreadsheet(args.HasFlag("--cp1250") ? CsvEncoding::kCp1250
                                                                                       : CsvEncoding::kUtf8Bom);
  const std::string file = TableFile(args.positional[0]);
  Opened o = OpenForReading(file);
  if (!o.table) return o.exit_code;
  xbase::Table& t = *o.table;
  const xbase::TableSchema& schema = t.schema();
  int code = kExitOk;
  std::unique_ptr<xbase::NtxIndex> index = OpenOrder(args.order, &code);
  if (code != kExitOk) return code;
  bool damaged = WarnShortFile(t, file);

  // Column widths of the aligned form: the field width or its name, whichever is longer.
  std::vector<size_t> widths;
  for (int i = 0; i < schema.field_count(); ++i) {
    const auto& f = schema.field(i);
    const size_t w = f.type == 'M' ? kMemoShown + 3 : static_cast<size_t>(f.width);
    widths.push_back(std::max(w, f.name.size()));
  }
  const size_t recno_width = std::max<size_t>(5, std::to_string(t.RecordCount()).size());

  std::string out;
  if (csv) {
    out += CsvFileStart(dialect.encoding);
    out += store::CsvHeaderRow(schema, dialect);
  } else {
    out += PadL("RECNO", recno_width) + " D";
    for (int i = 0; i < schema.field_count(); ++i) out += " " + PadR(schema.field(i).name, widths[static_cast<size_t>(i)]);
    out = RTrim(out);
    out += '\n';
  }

  // A memo that cannot be read is said on standard error and marked in its place.
  uint32_t recno = 0;
  auto bad_memo = [&](int field, const Status& s) {
    damaged = true;
    Error(file + ": record " + std::to_string(recno) + ", field " + schema.field(field).name + ": " +
          Cp852ToUtf8(s.message()));
    return std::string(kBadMemo);
  };
  std::string value;
  auto emit = [&](const xbase::Record& rec) -> Status {
    recno = rec.recno();
    if (csv) {
      if (rec.deleted()) return Status::Ok();
      HURT_RETURN_IF_ERROR(store::AppendCsvRow(rec, dialect, &out, bad_memo));
    } else {
      std::string line = PadL(std::to_string(rec.recno()), recno_width) + (rec.deleted() ? " *" : "  ");
      for (int i = 0; i < schema.field_count(); ++i) {
        Status s = FieldText(rec, i, &value);
        if (!s.ok()) {
          if (schema.field(i).type != 'M') return s;
          value = bad_memo(i, s);
        }
        line += ' ';
        line += PadR(value, widths[static_cast<size_t>(i)]);
      }
      out += Printable(RTrim(line));
      out += '\n';
    }
    if (out.size() > (size_t{1} << 16)) {
      Out(out);
      out.clear();
    }
    return Status::Ok();
  };
  code = ForEachRecord(t, file, index.get(), emit);
  Out(out);
  if (code == kExitOk && damaged) return kExitNo;
  return code;
}

}  // namespace hurt::dbftool
