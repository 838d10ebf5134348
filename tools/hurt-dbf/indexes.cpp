// reindex and seek.
#include "base/cp852.h"
#include "base/text.h"
#include "table_scope.h"
#include "tool.h"
#include "xbase/ntx.h"
#include "xbase/ntx_build.h"
#include "xbase/table.h"

namespace hurt::dbftool {

int CmdReindex(const Args& args) {
  if (args.positional.size() < 2 || args.positional.size() > 3) return Usage("reindex needs a table, an index and perhaps a key");
  if (!args.flags.empty() || !args.order.empty()) return Usage("reindex takes no options");
  const std::string file = TableFile(args.positional[0]);
  const std::string index_file = IndexFile(args.positional[1]);
  xbase::Env& env = xbase::RealEnv();

  // What to build: the given expression, else the one stored in the index (with its FOR
  // condition and unique flag).
  xbase::NtxCreateOptions create;
  if (args.positional.size() == 3) {
    create.key_expression = Utf8ToCp852(args.positional[2]);
  } else {
    if (!env.Exists(index_file)) {
      return Fail(Status::NotFound("no such index; give the key expression to create it"), index_file);
    }
    xbase::NtxOpenOptions options;
    options.read_only = true;
    auto old = xbase::NtxIndex::Open(env, index_file, options);
    if (!old.ok()) {
      Error(Cp852ToUtf8(old.status().message()) + "; give the key expression to rebuild it");
      return kExitError;
    }
    create.key_expression = (*old)->key_expression();
    create.for_expression = (*old)->for_expression();
    create.unique = (*old)->unique();
  }
  if (IsBlank(create.key_expression)) return Usage("the key expression is empty");

  auto table = xbase::Table::Open(env, file, xbase::TableMode::SharedReadOnly());
  if (!table.ok()) return Fail(table.status(), file);
  auto keys = IndexKeys::Compile(**table, index_file, create.key_expression, create.for_expression);
  if (!keys.ok()) return Fail(keys.status(), index_file);
  create.key_length = (*keys)->shape().length;
  create.key_decimals = (*keys)->shape().decimals;

  auto builder = xbase::NtxBuilder::Start(env, index_file, create);
  if (!builder.ok()) return Fail(builder.status(), index_file);
  xbase::RecordScanner scan(**table);
  xbase::Record rec;
  std::string key;
  const size_t length = static_cast<size_t>(create.key_length);
  while (scan.Next(&rec)) {
    auto holds = (*keys)->ForHolds(rec);
    if (!holds.ok()) return Fail(holds.status().Prefixed("record " + std::to_string(rec.recno())), index_file);
    if (!*holds) continue;
    Status s = (*keys)->KeyOf(rec, length, &key);
    if (!s.ok()) return Fail(s.Prefixed("record " + std::to_string(rec.recno())), index_file);
    s = (*builder)->Add(key, rec.recno());
    if (!s.ok()) return Fail(s, index_file);
  }
  if (!scan.status().ok()) return Fail(scan.status(), file);
  Status s = (*builder)->Finish();
  if (!s.ok()) return Fail(s, index_file);
  Out(index_file + ": " + std::to_string((*builder)->added()) + " keys of " + std::to_string(create.key_length) +
      " bytes on \"" + Cp852ToUtf8(create.key_expression) + "\"\n");
  return kExitOk;
}

int CmdSeek(const Args& args) {
  if (args.positional.size() != 3) return Usage("seek needs a table, an index and a key");
  for (const std::string& flag : args.flags) {
    if (flag != "--soft") return Usage("seek does not know " + flag);
  }
  if (!args.order.empty()) return Usage("seek does not take --order");
  const bool soft = args.HasFlag("--soft");
  const std::string file = TableFile(args.positional[0]);
  const std::string index_file = IndexFile(args.positional[1]);
  xbase::Env& env = xbase::RealEnv();

  auto table = xbase::Table::Open(env, file, xbase::TableMode::SharedReadOnly());
  if (!table.ok()) return Fail(table.status(), file);
  xbase::NtxOpenOptions options;
  options.read_only = true;
  auto index = xbase::NtxIndex::Open(env, index_file, options);
  if (!index.ok()) return Fail(index.status(), index_file);

  // The key is typed as its expression's type says; a key that cannot be evaluated on this
  // table alone (another table's field) is taken as text.
  const std::string typed = Utf8ToCp852(args.positional[2]);
  std::string seek_key;
  auto keys = IndexKeys::Compile(**table, index_file, (*index)->key_expression(), "");
  if (keys.ok()) {
    auto k = (*keys)->SeekKey(typed, (*index)->key_format());
    if (!k.ok()) return Fail(k.status(), index_file);
    seek_key = *k;
  } else {
    seek_key = typed.substr(0, static_cast<size_t>((*index)->key_length()));
  }

  xbase::NtxCursor cursor(**index);
  auto found = cursor.Seek(seek_key, soft);
  if (!found.ok()) return Fail(found.status(), index_file);
  Out(std::to_string(cursor.recno()) + "\n");
  return *found ? kExitOk : kExitNo;
}

}  // namespace hurt::dbftool
