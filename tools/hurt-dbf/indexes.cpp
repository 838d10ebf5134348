// reindex and seek.
#include "base/cp852.h"
#include "base/text.h"
#include "table_scope.h"
#include "tool.h"
#include "xbase/ntx.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

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

  // Built the way the program builds its orders: through a work area holding the file
  // lock, so that no station writes a record the build would miss.
  xbase::WorkAreas areas(env);
  auto area = areas.Open(1, file);
  if (!area.ok()) return FailOpen(area.status(), file);
  Status s = (*area)->LockFile();
  if (s.IsBusy()) {
    Error(file + ": another process holds a lock on it; try again when it is done");
    return kExitNo;
  }
  if (!s.ok()) return Fail(s, file);
  xbase::OrderCreateOptions options;
  options.unique = create.unique;
  options.for_condition = create.for_expression;
  auto order = (*area)->CreateOrder(index_file, create.key_expression, options);
  if (!order.ok()) {
    if (order.status().IsBusy()) {
      Error(index_file + ": opened by another process");
      return kExitNo;
    }
    return Fail(order.status(), index_file);
  }
  s = (*area)->Unlock();
  if (!s.ok()) return Fail(s, file);
  const xbase::OrderInfo* info = (*area)->Order(*order);
  auto stats = (*area)->OrderIndex(*order)->Verify(false);
  if (!stats.ok()) return Fail(stats.status(), index_file);
  Out(index_file + ": " + std::to_string(stats->keys) + " keys of " + std::to_string(info->shape.length) +
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
