#include "settlements/firm_and_party.h"

#include "base/text.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/session.h"
#include "settlements/ledger_tables.h"

namespace hurt::settlements {

using session::FieldText;

Firm ReadFirm(session::Session& s) {
  Firm f;
  auto firma = AreaOf(s, store::TableId::kFirma);
  if (!firma.ok()) return f;
  session::AreaPosition keep(*firma);
  if (!(*firma)->GoTo(1).ok() || (*firma)->eof()) return f;
  const xbase::WorkArea& a = **firma;
  f.nodb = FieldText(a, "NODB");
  f.nodb1 = FieldText(a, "NODB1");
  f.uodb = FieldText(a, "UODB");
  f.kodb = FieldText(a, "KODB");
  f.modb = FieldText(a, "MODB");
  f.regon = FieldText(a, "REGON");
  f.bodb = FieldText(a, "BODB");
  f.nrbo = FieldText(a, "NRBO");
  return f;
}

Party ReadParty(session::Session& s, std::string_view kto, std::string_view odb) {
  Party p;
  auto id = BookOf(kto);
  if (!id.ok()) return p;
  auto book = AreaOf(s, *id);
  if (!book.ok() || (*book)->order_count() < 1) return p;
  session::AreaPosition keep(*book);
  if (!(*book)->SetOrder(1).ok()) return p;
  auto found = (*book)->SeekKey(PadR(odb, 8));
  if (!found.ok() || !*found) return p;
  const xbase::WorkArea& a = **book;
  p.nodb = FieldText(a, "NODB");
  p.nodb1 = FieldText(a, "NODB1");
  p.uodb = FieldText(a, "UODB");
  p.kodb = FieldText(a, "KODB");
  p.modb = FieldText(a, "MODB");
  p.nrbo = FieldText(a, "NRBO");
  return p;
}

}  // namespace hurt::settlements
