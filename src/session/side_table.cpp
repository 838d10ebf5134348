#include "session/side_table.h"

#include <string>

#include "session/session.h"

namespace hurt::session {

SideTable::SideTable(Session& s, store::TableId id, int first, int last, std::string_view suffix) : s_(s) {
  const store::TableDef& def = store::Table(id);
  if (!store::TableEnabled(def, s.Markers())) return;
  const std::string file = store::TablePath(def, {});
  if (!s.env().Exists(s.Path(file + ".dbf"))) return;
  area_ = s.areas().FirstFree(first, last);
  if (area_ == 0) return;
  auto opened = s.areas().Open(area_, s.Path(file + ".dbf"), std::string(def.alias) + std::string(suffix));
  if (!opened.ok()) {
    area_ = 0;
    return;
  }
  for (const store::IndexFile& index : store::ResolveIndexes(def, s.Markers(), {})) {
    if (!(*opened)->AttachOrder(s.Path(index.file + ".ntx")).ok()) return;
  }
  if ((*opened)->order_count() > 0 && (*opened)->SetOrder(1).ok()) ready_ = *opened;
}

SideTable::~SideTable() {
  if (area_ != 0) (void)s_.areas().Close(area_);
}

}  // namespace hurt::session
