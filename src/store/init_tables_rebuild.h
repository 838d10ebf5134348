// Rebuilding a table with another structure without a moment in which its records could
// be lost.
//
// The old way copied the records to a scratch table, created the table anew (empty) and
// appended the copy back: a run stopped in between left an empty table, and the next
// start created it empty again. Here the table itself is never touched until its
// replacement is complete:
//
//   1. the new table is created and filled beside the old one, as <dir>/xxx_<name>.dbf
//      (with its .dbt when it has memo fields), then made durable (fdatasync);
//   2. its memo file and then the table are renamed to <dir>/xxx_<name>_ok.dbf/.dbt:
//      that one rename is the moment the rebuild counts as done;
//   3. the finished memo file is renamed over the old one (or the old one removed when
//      the new table has none), and the finished table is renamed over the old table.
//
// A run stopped anywhere leaves one of these states, which RecoverRebuild settles at the
// next start before the table is used:
//   - "xxx_<name>.dbf" (being filled): the old table is intact; the partial copy is
//     removed. (Should the old table be gone, the copy is all there is, and it is taken.)
//   - "xxx_<name>_ok.dbf" (done): step 3 is finished. Each step of it can be repeated, so a
//     run stopped inside step 3 is finished the same way.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "base/result.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/env.h"

namespace hurt::store {

// The scratch names of a rebuild of `table_path` (path without extension).
struct RebuildFiles {
  std::string building;  // being filled
  std::string done;      // filled and durable: replaces the table
};
RebuildFiles RebuildFilesOf(std::string_view table_path);

enum class Recovery {
  kNothing,    // no rebuild was under way
  kDiscarded,  // a partial copy was removed; the table was intact
  kCompleted,  // a finished rebuild was put in place (or a copy taken for a lost table)
};

// Settles what an interrupted rebuild of `table_path` left behind (see above).
Result<Recovery> RecoverRebuild(xbase::Env& env, std::string_view table_path);

// Rebuilds table `table_path` with `fields`, filled with the live records of `source`
// (a table path without extension; the table itself when empty), copying the fields of
// the same name and type. Neither the table nor the source may be open; `area` is used
// for the new table while it is filled and is left closed. On failure the table is as it
// was and the partial copy is removed when it can be. A document-header table rebuilt
// this way (an upgrade of dowod) leaves its line in DOWOD.LOG, as TWORZ does, naming
// this routine and its caller (filled in by the compiler).
Status RebuildTable(StoreContext& ctx, int area, std::string_view table_path, std::string_view alias,
                    std::span<const Field> fields, std::string_view source = {},
                    const char* function = __builtin_FUNCTION(), int line = __builtin_LINE());

// A table found only under its upper-case name (AS.DBF, AS.DBT) is renamed to the lower
// case the program creates and opens.
Status LowerCaseTableName(xbase::Env& env, std::string_view table_path);

// Removes a table's .dbf and .dbt (either spelling); OK when they do not exist.
Status RemoveTableFiles(xbase::Env& env, std::string_view table_path);

}  // namespace hurt::store
