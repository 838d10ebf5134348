// What the screens built over work areas share: reading fields of the current record
// when a table may lack them, the browse source over a work area, and a padded column.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "console/browse.h"
#include "xbase/work_area.h"

namespace hurt::session {

// Fields of the current record; blank, 0 or the empty date when the table has no such
// field (optional fields depend on the installation's marker files) or it cannot be read.
bool HasField(const xbase::WorkArea& a, std::string_view field);
std::string FieldText(const xbase::WorkArea& a, std::string_view field);
double FieldNumber(const xbase::WorkArea& a, std::string_view field);
JulianDay FieldDate(const xbase::WorkArea& a, std::string_view field);

// What the operator is told about an index found damaged (xbase::NtxIndex::damaged): the
// file (its period folder and name) and that the index rebuild repairs it, by the start
// argument 888 or by "Reorganizacja zbiorow" of the special functions. Lines for
// console::OknoLines.
std::vector<std::string> DamagedIndexLines(std::string_view index_path);

// The records of a work area in its controlling order (filter and deleted switch apply),
// for the browse grid. Skip never leaves the records; Seek looks up key bytes in the
// controlling order. A damaged index of the area is its Fault.
class AreaSource final : public console::BrowseSource {
 public:
  explicit AreaSource(xbase::WorkArea& area) : area_(area) {}
  void GoTop() override;
  void GoBottom() override;
  int64_t Skip(int64_t n) override;
  bool IsEmpty() override;
  int64_t Bookmark() override { return area_.recno(); }
  void GoToBookmark(int64_t mark) override;
  bool Seek(std::string_view key, bool soft) override;
  std::vector<std::string> Fault() override;

 private:
  xbase::WorkArea& area_;
};

// A text column of `width` characters: the value is cut or padded to it.
console::BrowseColumn PaddedColumn(std::string heading, int width, std::function<std::string()> value);

}  // namespace hurt::session
