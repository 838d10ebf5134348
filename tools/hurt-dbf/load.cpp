// create and import.
//
// import appends the rows of a CSV file (either dialect of base/csv.h; the first row names
// the fields) to a table in two passes: the first checks every row, so that a bad one
// leaves the table untouched; the second appends them under the table's file lock through
// a work area, with the index files the catalogue gives the table (those that exist
// beside it) attached, so that their keys are added as the program adds them. A table the
// catalogue does not know gets no index updates, and the tool says so.
#include <cstdio>

#include "base/cp852.h"
#include "base/csv.h"
#include "base/text.h"
#include "store/csv_table.h"
#include "store/net_files.h"
#include "store/schema.h"
#include "tool.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

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

namespace {

// The folder above `folder` ("26/12" → "26", "26" → ".", "" → "..").
std::string Parent(const std::string& folder) {
  if (folder.empty() || folder == ".") return "..";
  if (folder == ".." || folder.ends_with("/..")) return folder + "/..";
  const size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : folder.substr(0, slash);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The index files the catalogue gives the table at `table_file` that exist beside it,
// resolved with the markers of its data directory; nothing for a table it does not know.
std::vector<std::string> UsualIndexes(xbase::Env& env, const std::string& table_file, const xbase::Table& table) {
  int station = 0;
  const store::TableDef* def = store::FindByFileName(table_file, &station);
  if (def == nullptr || def->place == store::Place::kOther) return {};
  const std::string folder = FolderOf(table_file);
  std::string root = folder;
  if (def->place == store::Place::kPeriod) root = Parent(Parent(folder));
  if (def->place == store::Place::kStation) root = Parent(folder);
  const store::Markers markers(
      [&env, &root](std::string_view name) { return !store::FindFileX(env, store::InRoot(root, name)).empty(); });
  const store::FieldProbe has_field = [&table](std::string_view name) { return table.FieldIndex(name) >= 0; };
  std::vector<std::string> found;
  for (const store::IndexFile& index : store::ResolveIndexes(*def, markers, store::PathArgs{{}, station, {}}, has_field)) {
    const size_t slash = index.file.rfind('/');
    const std::string name = (slash == std::string::npos ? index.file : index.file.substr(slash + 1)) + ".ntx";
    const std::string located = store::FindFileX(env, folder.empty() ? name : folder + "/" + name);
    if (!located.empty()) found.push_back(located);
  }
  return found;
}

// The rows of a CSV file: its layout taken from its start, values in code page 852.
class CsvRows {
 public:
  CsvRows(std::FILE* file, const CsvLayout& layout)
      : file_(file), layout_(layout),
        reader_([file](char* buf, size_t n) { return std::fread(buf, 1, n, file); }, layout.separator) {
    std::fseek(file_, static_cast<long>(layout.skip), SEEK_SET);
  }
  // The next row that is not blank; false at the end.
  Result<bool> Next(std::vector<std::string>* values) {
    for (;;) {
      auto more = reader_.Next(&raw_);
      if (!more.ok() || !*more) return more;
      if (raw_.size() == 1 && IsBlank(raw_[0])) continue;
      values->clear();
      for (const std::string& field : raw_) {
        auto text = CsvDecodeText(field, layout_.encoding);
        if (!text.ok()) return text.status().Prefixed(Where());
        values->push_back(std::move(*text));
      }
      return true;
    }
  }
  std::string Where() const { return "line " + std::to_string(reader_.line()); }

 private:
  std::FILE* file_;
  CsvLayout layout_;
  CsvReader reader_;
  std::vector<std::string> raw_;
};

}  // namespace

int CmdImport(const Args& args) {
  if (args.positional.size() != 2) return Usage("import needs a table and a CSV file");
  if (const std::string flag = args.UnknownFlag({"--cp1250"}); !flag.empty()) return Usage("import does not know " + flag);
  if (!args.order.empty()) return Usage("import does not take --order");
  const std::string file = TableFile(args.positional[0]);
  const std::string csv_file = args.positional[1];
  xbase::Env& env = xbase::RealEnv();

  xbase::WorkAreas areas(env);
  auto opened = areas.Open(1, file);
  if (!opened.ok()) return FailOpen(opened.status(), file);
  xbase::WorkArea& area = **opened;
  const std::vector<std::string> indexes = UsualIndexes(env, file, area.table());
  for (const std::string& index : indexes) {
    auto attached = area.AttachOrder(index);
    if (!attached.ok()) {
      if (attached.status().IsBusy()) {
        Error(index + ": opened exclusively by another process; nothing imported");
        return kExitNo;
      }
      Error(Cp852ToUtf8(attached.status().message()) + "; nothing imported (rebuild the index first)");
      return kExitError;
    }
  }

  std::FILE* in = std::fopen(csv_file.c_str(), "rb");
  if (in == nullptr) return Fail(Status::NotFound("cannot open the file"), csv_file);
  struct Closer {
    std::FILE* f;
    ~Closer() { std::fclose(f); }
  } closer{in};
  std::string start(4096, '\0');
  start.resize(std::fread(start.data(), 1, start.size(), in));
  const CsvLayout layout = SniffCsv(start, args.HasFlag("--cp1250"));

  // Two passes: the first checks every line, so that a bad line leaves the table untouched;
  // the second appends under the file lock.
  const xbase::TableSchema& schema = area.table().schema();
  uint64_t rows = 0;
  for (int pass = 0; pass < 2; ++pass) {
    CsvRows reader(in, layout);
    std::vector<std::string> values;
    auto header = reader.Next(&values);
    if (!header.ok()) return Fail(header.status(), csv_file);
    if (!*header) return Fail(Status::Invalid("line 1: no header row of field names"), csv_file);
    auto columns = store::CsvColumns(values, schema);
    if (!columns.ok()) return Fail(columns.status().Prefixed("line 1"), csv_file);
    if (pass == 1) {
      Status s = area.LockFile();
      if (s.IsBusy()) {
        Error(file + ": another process holds a lock on it; nothing imported, try again when it is done");
        return kExitNo;
      }
      if (s.ok()) s = area.BeginAppendBatch();
      if (!s.ok()) return Fail(s, file);
    }
    rows = 0;
    while (true) {
      auto more = reader.Next(&values);
      if (!more.ok()) return Fail(more.status(), csv_file);
      if (!*more) break;
      const std::string where = reader.Where();
      if (values.size() != columns->size()) {
        return Fail(Status::Invalid(where + ": " + std::to_string(values.size()) + " values, the header has " +
                                    std::to_string(columns->size())),
                    csv_file);
      }
      if (pass == 1) {
        Status s = area.Append();
        if (!s.ok()) return Fail(s, file);
      }
      for (size_t c = 0; c < columns->size(); ++c) {
        const int field = (*columns)[c];
        const xbase::DbfFieldDescriptor& f = schema.field(field);
        auto bytes = store::CsvFieldBytes(f, values[c]);
        if (!bytes.ok()) return Fail(bytes.status().Prefixed(where + ": field " + f.name), csv_file);
        if (pass == 0) continue;
        Status s = f.type == 'M' ? area.Replace(field, xbase::Value(*bytes)) : area.ReplaceBytes(field, *bytes);
        if (!s.ok()) return Fail(s.Prefixed(where + ": field " + f.name), file);
      }
      ++rows;
    }
  }
  Status s = area.EndAppendBatch();
  if (s.ok()) s = area.Unlock();
  if (s.ok()) s = area.Commit();
  if (s.ok()) s = areas.Close(1);
  if (!s.ok()) return Fail(s, file);
  std::string said = file + ": " + std::to_string(rows) + " records imported";
  if (indexes.empty()) {
    said += " (no index of it is known: rebuild its indexes)";
  } else {
    said += ", keys added to";
    for (const std::string& index : indexes) said += " " + index;
  }
  Out(said + "\n");
  return kExitOk;
}
}  // namespace hurt::dbftool
