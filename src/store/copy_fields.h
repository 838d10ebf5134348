// Copying a record's fields into another table's record by field name.
//
// Two tables rarely share a layout (a station's working copy holds a subset of the
// shared table's fields, an upgraded table has wider or extra fields), so fields are
// paired by name; a pair whose types differ is left out, since no value of one type means
// anything in the other. Within a type:
//   - C: the text, blank-padded or cut to the target's width;
//   - N: the same bytes when width and decimals agree, else the number, which must fit the
//     target field (Invalid otherwise: an amount is never cut or stored as asterisks);
//   - D, L: the bytes;
//   - M: the memo text, written into the target's memo file.
#pragma once

#include <vector>

#include "base/result.h"
#include "xbase/record.h"
#include "xbase/work_area.h"

namespace hurt::store {

// Which of the paired fields a copy takes.
enum class CopyWhich {
  kAll,                // every paired field
  kNonEmpty,           // fields whose source value is not empty (EMPTY(): blank text, empty
                       // date, .F., zero)
  kNumeric,            // numeric fields only
  kNumericOrNonEmpty,  // numeric fields always, others when not empty
};

class FieldCopier {
 public:
  struct Pair {
    int target = 0;
    int source = 0;
    char type = 'C';
    bool same_shape = false;  // width and decimals agree: the bytes can be copied
  };

  FieldCopier() = default;
  // Pairs each field of `target` with the field of `source` of the same name and type.
  static FieldCopier Match(const xbase::TableSchema& target, const xbase::TableSchema& source);

  const std::vector<Pair>& pairs() const { return pairs_; }
  // Target fields that have no partner in the source.
  const std::vector<int>& unmatched() const { return unmatched_; }

  // Copies the chosen fields of `source` into the current record of `target` (which must
  // be locked, see WorkArea::Replace). The target's other fields are left as they are.
  Status Copy(const xbase::Record& source, xbase::WorkArea& target, CopyWhich which = CopyWhich::kAll) const;
  // Blanks the target fields that have no partner in the source.
  Status BlankUnmatched(xbase::WorkArea& target) const;

 private:
  std::vector<Pair> pairs_;
  std::vector<int> unmatched_;
};

// EMPTY() of a field of a record: blank text or memo, empty date, .F. or blank logical,
// zero or blank number. A memo that cannot be read counts as not empty.
bool FieldIsEmpty(const xbase::Record& record, int field);

}  // namespace hurt::store
