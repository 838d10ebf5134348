#include "store/init_tables_rebuild.h"

#include "base/text.h"
#include "store/net_files.h"
#include "store/schema_field_list.h"
#include "store/table_create.h"
#include "xbase/dbf_format.h"
#include "xbase/dbt.h"
#include "xbase/file_util.h"

namespace hurt::store {
namespace {

std::string Dbf(std::string_view path) { return std::string(path) + ".dbf"; }
std::string Dbt(std::string_view path) { return std::string(path) + ".dbt"; }

Status RemoveIfExists(xbase::Env& env, const std::string& file) {
  if (!env.Exists(file)) return Status::Ok();
  return env.Remove(file);
}

// Whether the table's header declares memo fields (then its .dbt belongs to it).
Result<bool> DeclaresMemo(xbase::Env& env, const std::string& dbf) {
  auto file = env.Open(dbf, xbase::OpenOptions{.write = false});
  if (!file.ok()) return file.status();
  std::string bytes;
  HURT_RETURN_IF_ERROR(xbase::ReadBytes(**file, 0, xbase::kDbfHeaderPrefixSize, &bytes));
  if (bytes.size() < xbase::kDbfHeaderPrefixSize) return Status::Corruption(dbf + ": header cut short");
  const uint16_t length = xbase::DbfHeader::PeekHeaderLength(bytes);
  HURT_RETURN_IF_ERROR(xbase::ReadBytes(**file, 0, length, &bytes));
  auto header = xbase::DbfHeader::Decode(bytes, dbf);
  if (!header.ok()) return header.status();
  return header->HasMemoFields();
}

// Step 3: the finished table takes the place of the old one. Every step may be repeated.
Status FinishSwap(xbase::Env& env, std::string_view table_path, const RebuildFiles& files) {
  auto memo = DeclaresMemo(env, Dbf(files.done));
  if (!memo.ok()) return memo.status();
  if (*memo) {
    // Missing when an earlier run already moved it.
    if (env.Exists(Dbt(files.done))) HURT_RETURN_IF_ERROR(env.Rename(Dbt(files.done), Dbt(table_path)));
  } else {
    HURT_RETURN_IF_ERROR(RemoveIfExists(env, Dbt(table_path)));
  }
  return env.Rename(Dbf(files.done), Dbf(table_path));
}

Status DiscardBuilding(xbase::Env& env, const RebuildFiles& files) {
  HURT_RETURN_IF_ERROR(RemoveIfExists(env, Dbf(files.building)));
  HURT_RETURN_IF_ERROR(RemoveIfExists(env, Dbt(files.building)));
  // A memo file moved to its finished name just before the table was.
  return RemoveIfExists(env, Dbt(files.done));
}

}  // namespace

RebuildFiles RebuildFilesOf(std::string_view table_path) {
  const std::string path(table_path);
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return RebuildFiles{folder + "xxx_" + name, folder + "xxx_" + name + "_ok"};
}

Result<Recovery> RecoverRebuild(xbase::Env& env, std::string_view table_path) {
  const RebuildFiles files = RebuildFilesOf(table_path);
  if (env.Exists(Dbf(files.done))) {
    HURT_RETURN_IF_ERROR(FinishSwap(env, table_path, files));
    HURT_RETURN_IF_ERROR(DiscardBuilding(env, files));
    return Recovery::kCompleted;
  }
  if (env.Exists(Dbf(files.building))) {
    if (!env.Exists(Dbf(table_path))) {
      // Not a state this code leaves; the copy is the only data there is.
      if (env.Exists(Dbt(files.building))) HURT_RETURN_IF_ERROR(env.Rename(Dbt(files.building), Dbt(table_path)));
      HURT_RETURN_IF_ERROR(env.Rename(Dbf(files.building), Dbf(table_path)));
      return Recovery::kCompleted;
    }
    HURT_RETURN_IF_ERROR(DiscardBuilding(env, files));
    return Recovery::kDiscarded;
  }
  if (env.Exists(Dbt(files.done)) || env.Exists(Dbt(files.building))) {
    HURT_RETURN_IF_ERROR(DiscardBuilding(env, files));
    return Recovery::kDiscarded;
  }
  return Recovery::kNothing;
}

Status RebuildTable(StoreContext& ctx, int area, std::string_view table_path, std::string_view alias,
                    std::span<const Field> fields, std::string_view source, const char* function, int line) {
  xbase::Env& env = ctx.areas.env();
  const RebuildFiles files = RebuildFilesOf(table_path);
  const std::string from = source.empty() ? std::string(table_path) : std::string(source);

  auto definition = FieldListText(files.building, fields);
  if (!definition.ok()) return definition.status();

  HURT_RETURN_IF_ERROR(ctx.areas.Close(area));
  HURT_RETURN_IF_ERROR(ctx.areas.Select(area));
  HURT_RETURN_IF_ERROR(DiscardBuilding(env, files));
  HURT_RETURN_IF_ERROR(Tworz(ctx, *definition));

  // Fill and make durable; on any failure the partial copy goes and the table stays.
  Status s = NetUse(ctx, files.building, alias, true, 1);
  if (s.ok()) s = AppendFrom(ctx, from);
  Status closed = ctx.areas.Close(area);
  if (s.ok()) s = closed;
  if (!s.ok()) {
    (void)DiscardBuilding(env, files);
    return s;
  }

  // The rebuild counts as done once the table carries its finished name.
  if (env.Exists(Dbt(files.building))) HURT_RETURN_IF_ERROR(env.Rename(Dbt(files.building), Dbt(files.done)));
  HURT_RETURN_IF_ERROR(env.Rename(Dbf(files.building), Dbf(files.done)));
  HURT_RETURN_IF_ERROR(FinishSwap(env, table_path, files));
  // The trace is for people looking for who recreated a document table; the rebuild has
  // happened whether or not it can be written.
  if (TracedInDowodLog(table_path)) {
    (void)WriteDowodLog(env, table_path, TworzCallers{CallerName(__func__, __LINE__), CallerName(function, line)});
  }
  return Status::Ok();
}

Status LowerCaseTableName(xbase::Env& env, std::string_view table_path) {
  const std::string dbf = Dbf(table_path);
  if (env.Exists(dbf)) return Status::Ok();
  const std::string found = FindFileX(env, dbf);
  if (found.empty()) return Status::Ok();
  // The memo file first: a table must not be found without it.
  const std::string found_memo = xbase::MemoPathFor(found);
  if (env.Exists(found_memo) && !env.Exists(Dbt(table_path))) {
    HURT_RETURN_IF_ERROR(env.Rename(found_memo, Dbt(table_path)));
  }
  return env.Rename(found, dbf);
}

Status RemoveTableFiles(xbase::Env& env, std::string_view table_path) {
  for (const std::string& file : {Dbf(table_path), Dbt(table_path)}) {
    HURT_RETURN_IF_ERROR(RemoveIfExists(env, file));
    const std::string other = FindFileX(env, file);
    if (!other.empty()) HURT_RETURN_IF_ERROR(env.Remove(other));
  }
  return Status::Ok();
}

}  // namespace hurt::store
