// A table of the catalogue kept beside the main ones (the order tables of fv_zam, the
// advance invoices of fv_zal), opened shared in a free work area with its indexes for the
// time of one task and closed again when it goes out of scope. get() is null when the
// table is switched off, missing or cannot be opened with every index.
#pragma once

#include <string_view>

#include "session/session_fwd.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::session {

class SideTable {
 public:
  // Areas first..last are searched for a free one; the alias gets `suffix`.
  SideTable(Session& s, store::TableId id, int first = 180, int last = 199, std::string_view suffix = "_z");
  ~SideTable();
  SideTable(const SideTable&) = delete;
  SideTable& operator=(const SideTable&) = delete;

  xbase::WorkArea* get() const { return ready_; }

 private:
  Session& s_;
  int area_ = 0;
  xbase::WorkArea* ready_ = nullptr;
};

}  // namespace hurt::session
