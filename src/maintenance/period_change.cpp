#include "maintenance/period_change.h"

#include "base/text.h"
#include "console/message_window.h"
#include "maintenance/archive_month.h"
#include "maintenance/firma_alone.h"
#include "maintenance/period_keys.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "store/init_tables_period.h"

namespace hurt::maintenance {

namespace {

// BMR of the company record, which the caller holds exclusively in area 1.
Status WriteBmr(session::Session& s, std::string_view period) {
  xbase::WorkArea* firma = s.areas().Area(1);
  if (firma == nullptr) return Status::Invalid("firma: not open");
  HURT_RETURN_IF_ERROR(firma->GoTop());
  if (firma->eof()) return Status::NotFound("firma: no record");
  HURT_RETURN_IF_ERROR(firma->Replace("BMR", xbase::Value(store::BmrOfPeriod(period))));
  HURT_RETURN_IF_ERROR(firma->Flush());
  return firma->Commit();
}

}  // namespace

bool ZmBmr(session::Session& s) {
  console::Console& con = s.con();
  if (s.InArchive()) {
    console::Okno_(con, "Praca w archiwum - blokada", 3);
    return true;
  }
  const std::optional<std::string> period = WyborOkresu(s, " Zmiana biezacego okresu ", s.hh());
  if (!period || *period == s.hh()) return true;
  if (!OkresMaDane(s, *period)) {
    console::Okno_(con, Niedostepny(*period), 3);
    return true;
  }
  switch (TakeFirmaAlone(s)) {
    case FirmaAlone::kOthersWork: return true;
    case FirmaAlone::kLost: return false;
    case FirmaAlone::kTaken: break;
  }
  const std::string name = MonthName(*period);
  if (!console::Okno(con, "Zmienic biezacy okres na " + name + " ?", "N")) return GiveFirmaBack(s);
  if (const Status written = WriteBmr(s, *period); !written.ok()) {
    console::Okno_(con, "Plik firma niedostepny - okres nie zmieniony", 3);
    return GiveFirmaBack(s);
  }
  if (!session::InitNtx(s)) return false;
  s.vars().Set("HH", xbase::Value(s.hh()));
  return true;
}

}  // namespace hurt::maintenance
