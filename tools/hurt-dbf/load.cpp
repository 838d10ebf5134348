// create and import.
#include <cstdio>
#include <map>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "csv.h"
#include "tool.h"
#include "xbase/table.h"

namespace hurt::dbftool {

namespace {

std::vector<std::string> Split(std::string_view text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t at = text.find(sep, start);
    parts.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

bool ParseCount(const std::string& text, int* out) {
  const std::string t = AllTrim(text);
  if (t.empty() || t.size() > 5) return false;
  int n = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  *out = n;
  return true;
}

// "NAME,C,8,0;VALUE,N,12,2;DATA,D": widths of D, L and M and zero decimals may be left out.
Result<std::vector<xbase::DbfFieldDescriptor>> ParseFields(std::string_view text) {
  std::vector<xbase::DbfFieldDescriptor> fields;
  for (const std::string& piece : Split(text, ';')) {
    if (IsBlank(piece)) continue;
    const std::vector<std::string> items = Split(piece, ',');
    if (items.size() < 2 || items.size() > 4) {
      return Status::Invalid("field \"" + piece + "\": give NAME,TYPE[,WIDTH[,DECIMALS]]");
    }
    xbase::DbfFieldDescriptor f;
    f.name = Upper(AllTrim(items[0]));
    const std::string type = Upper(AllTrim(items[1]));
    if (type.size() != 1 || std::string_view("CNDLM").find(type[0]) == std::string_view::npos) {
      return Status::Invalid("field \"" + piece + "\": type must be C, N, D, L or M");
    }
    f.type = type[0];
    if (items.size() >= 3 && !ParseCount(items[2], &f.width)) {
      return Status::Invalid("field \"" + piece + "\": width is not a number");
    }
    if (items.size() == 4 && !ParseCount(items[3], &f.decimals)) {
      return Status::Invalid("field \"" + piece + "\": decimals are not a number");
    }
    if (items.size() < 3 && (f.type == 'C' || f.type == 'N')) {
      return Status::Invalid("field \"" + piece + "\": type " + type + " needs a width");
    }
    fields.push_back(std::move(f));
  }
  if (fields.empty()) return Status::Invalid("no fields given");
  return fields;
}

// A number as a CSV holds it: optional sign, digits, one decimal point (or comma).
bool ParseDecimal(const std::string& text, double* value, int* decimals) {
  std::string t = AllTrim(text);
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  bool digits = false;
  size_t point = std::string::npos;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      digits = true;
    } else if ((t[i] == '.' || t[i] == ',') && point == std::string::npos) {
      point = i;
      t[i] = '.';
    } else {
      return false;
    }
  }
  if (!digits) return false;
  *decimals = 0;
  if (point != std::string::npos) {
    // Significant decimals: trailing zeros do not count.
    size_t last = t.size();
    while (last > point + 1 && t[last - 1] == '0') --last;
    *decimals = static_cast<int>(last - point - 1);
  }
  *value = Val(t);
  return true;
}

// Puts one CSV value (UTF-8) into field i of rec. With write false, memo fields are only
// checked (nothing is written to the memo file).
Status SetFromCsv(xbase::Record* rec, int i, const std::string& utf8, bool write) {
  const xbase::DbfFieldDescriptor& f = rec->schema().field(i);
  const std::string text = Utf8ToCp852(utf8);
  if (Cp852ToUtf8(text) != utf8) {
    return Status::Invalid("\"" + text + "\" holds characters that code page 852 cannot store");
  }
  const std::string shown = "\"" + text + "\"";  // messages hold code page 852, as tables do
  switch (f.type) {
    case 'C':
      if (text.size() > static_cast<size_t>(f.width)) {
        return Status::Invalid(shown + " is " + std::to_string(text.size()) + " characters long, the field holds " +
                               std::to_string(f.width));
      }
      return rec->SetFieldBytes(i, text);
    case 'N':
    case 'F': {
      if (IsBlank(text)) return rec->SetFieldBytes(i, "");
      double value = 0;
      int decimals = 0;
      if (!ParseDecimal(text, &value, &decimals)) return Status::Invalid(shown + " is not a number");
      if (decimals > f.decimals) {
        return Status::Invalid(shown + " has more decimals than the field's " + std::to_string(f.decimals));
      }
      const std::string stored = NumericFieldText(value, f.width, f.decimals);
      if (stored.empty()) {
        return Status::Invalid(shown + " does not fit the field (N " + std::to_string(f.width) + "," +
                               std::to_string(f.decimals) + ")");
      }
      return rec->SetFieldBytes(i, stored);
    }
    case 'D': {
      const std::string t = AllTrim(text);
      if (t.empty()) return rec->SetFieldBytes(i, "");
      std::optional<JulianDay> day;
      if (t.size() == 8 && t.find('.') == std::string::npos) day = Stod(t);
      if (!day && t.size() == 10 && t[4] == '-' && t[7] == '-') day = Stod(t.substr(0, 4) + t.substr(5, 2) + t.substr(8, 2));
      if (!day) day = Ctod(t);
      if (!day || *day == kEmptyDate) {
        return Status::Invalid(shown + " is not a date (YYYYMMDD, YYYY-MM-DD or dd.mm.yyyy)");
      }
      return rec->SetFieldBytes(i, Dtos(*day));
    }
    case 'L': {
      const std::string t = Upper(AllTrim(text));
      if (t.empty()) return rec->SetFieldBytes(i, "");
      if (t == "T" || t == "Y" || t == ".T." || t == "TRUE") return rec->SetFieldBytes(i, "T");
      if (t == "F" || t == "N" || t == ".F." || t == "FALSE") return rec->SetFieldBytes(i, "F");
      return Status::Invalid(shown + " is not a logical value (T or F)");
    }
    case 'M':
      return write ? rec->SetValue(i, xbase::Value(text)) : Status::Ok();
    default:
      return Status::Invalid("field type " + std::string(1, f.type) + " cannot be imported");
  }
}

// The header row: the field index of each column.
Result<std::vector<int>> MapColumns(const std::vector<std::string>& header, const xbase::Table& table,
                                   const std::string& table_file) {
  std::vector<int> columns;
  std::map<int, size_t> used;
  for (size_t c = 0; c < header.size(); ++c) {
    std::string name = AllTrim(header[c]);
    if (c == 0 && name.rfind("\xEF\xBB\xBF", 0) == 0) name = name.substr(3);  // a byte-order mark
    const int field = table.FieldIndex(name);
    if (field < 0) return Status::Invalid("column \"" + name + "\": " + table_file + " has no such field");
    if (used.count(field) != 0) return Status::Invalid("column \"" + name + "\" given twice");
    used[field] = c;
    columns.push_back(field);
  }
  return columns;
}

bool BlankLine(const std::vector<std::string>& values) { return values.size() == 1 && IsBlank(values[0]); }

}  // namespace

int CmdCreate(const Args& args) {
  if (args.positional.size() != 2) return Usage("create needs a table and its fields");
  if (!args.flags.empty() || !args.order.empty()) return Usage("create takes no options");
  const std::string file = TableFile(args.positional[0]);
  auto fields = ParseFields(args.positional[1]);
  if (!fields.ok()) return Fail(fields.status(), file);
  xbase::Env& env = xbase::RealEnv();
  if (env.Exists(file)) return Fail(Status::Invalid("already exists; remove it first to create it anew"), file);
  Status s = xbase::Table::Create(env, file, *fields);
  if (!s.ok()) return Fail(s, file);
  Out(file + ": created with " + std::to_string(fields->size()) + " fields\n");
  return kExitOk;
}

int CmdImport(const Args& args) {
  if (args.positional.size() != 2) return Usage("import needs a table and a CSV file");
  if (!args.flags.empty() || !args.order.empty()) return Usage("import takes no options");
  const std::string file = TableFile(args.positional[0]);
  const std::string csv_file = args.positional[1];
  auto table = xbase::Table::Open(xbase::RealEnv(), file, xbase::TableMode::Shared());
  if (!table.ok()) return Fail(table.status(), file);
  xbase::Table& t = **table;

  std::FILE* in = std::fopen(csv_file.c_str(), "rb");
  if (in == nullptr) return Fail(Status::NotFound("cannot open the file"), csv_file);
  struct Closer {
    std::FILE* f;
    ~Closer() { std::fclose(f); }
  } closer{in};

  // Two passes: the first checks every line, so that a bad line leaves the table untouched;
  // the second appends.
  std::vector<int> columns;
  uint64_t rows = 0;
  for (int pass = 0; pass < 2; ++pass) {
    std::rewind(in);
    CsvReader reader(in);
    std::vector<std::string> values;
    auto header = reader.Next(&values);
    if (!header.ok()) return Fail(header.status(), csv_file);
    if (!*header || BlankLine(values)) return Fail(Status::Invalid("line 1: no header row of field names"), csv_file);
    auto mapped = MapColumns(values, t, file);
    if (!mapped.ok()) return Fail(mapped.status().Prefixed("line 1"), csv_file);
    columns = *mapped;
    if (pass == 1) {
      Status s = t.BeginAppendBatch();
      if (!s.ok()) return Fail(s, file);
    }
    xbase::Record rec = t.NewRecord();
    rows = 0;
    while (true) {
      auto more = reader.Next(&values);
      if (!more.ok()) return Fail(more.status(), csv_file);
      if (!*more) break;
      if (BlankLine(values)) continue;
      const std::string where = "line " + std::to_string(reader.line());
      if (values.size() != columns.size()) {
        return Fail(Status::Invalid(where + ": " + std::to_string(values.size()) + " values, the header has " +
                                    std::to_string(columns.size())),
                    csv_file);
      }
      rec.Blank();
      for (size_t c = 0; c < columns.size(); ++c) {
        Status s = SetFromCsv(&rec, columns[c], values[c], pass == 1);
        if (!s.ok()) {
          return Fail(s.Prefixed(where + ": field " + t.fields()[static_cast<size_t>(columns[c])].name), csv_file);
        }
      }
      if (pass == 1) {
        auto recno = t.Append(rec);
        if (!recno.ok()) return Fail(recno.status(), file);
      }
      ++rows;
    }
  }
  Status s = t.EndAppendBatch();
  if (s.ok()) s = t.UnlockAll();
  if (s.ok()) s = t.Commit();
  if (s.ok()) s = t.Close();
  if (!s.ok()) return Fail(s, file);
  Out(file + ": " + std::to_string(rows) + " records imported (rebuild its indexes)\n");
  return kExitOk;
}

}  // namespace hurt::dbftool
