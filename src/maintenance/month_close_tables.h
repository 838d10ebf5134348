// The table work of the month close (month_close.h): opening a table of either month
// outside the session's areas, copying one into the staging folder, and the moves that
// put a staged table in place. Internal to the close; tests use it directly.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::maintenance {

// A table opened for the close in a free work area above the session's, closed when the
// object goes. `path` is the table's path without extension.
class CloseTable {
 public:
  static Result<CloseTable> Open(xbase::WorkAreas& areas, const std::string& path, bool write);
  CloseTable(CloseTable&& other) noexcept;
  CloseTable& operator=(CloseTable&&) = delete;
  CloseTable(const CloseTable&) = delete;
  ~CloseTable();

  xbase::WorkArea& operator*() { return *area_; }
  xbase::WorkArea* operator->() { return area_; }
  Status Close();

 private:
  CloseTable(xbase::WorkAreas& areas, int number, xbase::WorkArea* area) : areas_(&areas), number_(number), area_(area) {}
  xbase::WorkAreas* areas_;
  int number_ = 0;
  xbase::WorkArea* area_ = nullptr;
};

// What a copy does with each live source record: false leaves it out; the adjuster
// changes the new record (already holding the source's fields of the same name and type).
using KeepRecord = std::function<Result<bool>(xbase::WorkArea& source)>;
using AdjustRecord = std::function<Status(xbase::WorkArea& source, xbase::WorkArea& target)>;

// Creates `target` (path without extension) with the structure of `source` and appends
// the live records of every source in order, made durable. Returns the records written.
// `target` is replaced when it exists.
Result<long> CopyTableInto(xbase::WorkAreas& areas, const std::vector<std::string>& sources, const std::string& target,
                           const KeepRecord& keep = {}, const AdjustRecord& adjust = {});

// A field replaced only when the table has it.
Status ReplaceIfHas(xbase::WorkArea& a, std::string_view field, const xbase::Value& value);

// Renames table `from` (.dbf with its .dbt and .ntx) to `to`, the table before its memo
// file; a call after a move cut short finishes it. A .dbt or .ntx of `to` that the moved
// table does not bring is removed.
Status MoveTable(xbase::Env& env, const std::string& from, const std::string& to);
// Removes a table's .dbf, .dbt and .ntx where present.
Status RemoveTable(xbase::Env& env, const std::string& path);

}  // namespace hurt::maintenance
