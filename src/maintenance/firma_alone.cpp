#include "maintenance/firma_alone.h"

#include "console/message_window.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"

namespace hurt::maintenance {

namespace {

constexpr int kFirmaArea = 1;

bool OpenFirma(session::Session& s, bool exclusive) {
  session::ConsoleStoreUi ui(s.con());
  store::StoreContext ctx{s.areas(), ui};
  if (!s.areas().Close(kFirmaArea).ok()) return false;
  Status opened = s.areas().Select(kFirmaArea);
  if (opened.ok()) opened = store::NetUse(ctx, s.Path("firma"), "firma", exclusive, 1);
  if (!opened.ok()) return false;
  xbase::WorkArea* firma = s.areas().Area(kFirmaArea);
  return firma != nullptr && firma->GoTop().ok();
}

}  // namespace

FirmaAlone TakeFirmaAlone(session::Session& s) {
  if (OpenFirma(s, true)) return FirmaAlone::kTaken;
  const bool back = OpenFirma(s, false);
  console::Okno_(s.con(), "Wszyscy musza wyjsc z programu !", 3);
  return back ? FirmaAlone::kOthersWork : FirmaAlone::kLost;
}

bool GiveFirmaBack(session::Session& s) { return OpenFirma(s, false); }

}  // namespace hurt::maintenance
