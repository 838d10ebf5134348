// The tables of the settlement ledger as the settlement routines find them.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "session/session.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::settlements {

// Work areas the settlement routines take for their own tables (the interest rates, the
// due-date list), the first free one of the range.
inline constexpr int kScratchFirst = 232;
inline constexpr int kScratchLast = 239;

// The counterparty catalogue of ledger kind `kto`: O customers (zo), D suppliers (zd),
// P employees (zp), F other settlements (zf).
inline Result<store::TableId> BookOf(std::string_view kto) {
  if (kto == "O") return store::TableId::kZo;
  if (kto == "D") return store::TableId::kZd;
  if (kto == "P") return store::TableId::kZp;
  if (kto == "F") return store::TableId::kZf;
  return Status::Invalid("Nieznany rodzaj rozrachunkow: \"" + std::string(kto) + "\"");
}

// The session's work area of table `id`; NotFound ("Plik ... niedostepny") when not open.
inline Result<xbase::WorkArea*> AreaOf(session::Session& s, store::TableId id) {
  const store::TableDef& t = store::Table(id);
  xbase::WorkArea* a = s.areas().Area(t.area);
  if (a == nullptr) return Status::NotFound("Plik " + std::string(t.file) + " niedostepny");
  return a;
}

}  // namespace hurt::settlements
