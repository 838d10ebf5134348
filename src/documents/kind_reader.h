// A document kind as its `slow` record holds it.
#pragma once

#include <string_view>

#include "base/result.h"
#include "documents/doc_kind.h"
#include "xbase/work_area.h"

namespace hurt::documents {

// The kind from the current record of `slow` (R_P and S_Z blank when the record has them
// blank; CUV, NB and KTO take U, N and O).
DocKind KindFromRecord(const xbase::WorkArea& slow);

// The kind `rd` of `slow` (seeks it in the area's controlling order, which must be "rd").
// NotFound when the kind does not exist.
Result<DocKind> ReadKind(xbase::WorkArea& slow, std::string_view rd);

}  // namespace hurt::documents
