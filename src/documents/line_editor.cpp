#include "documents/line_editor.h"

#include "base/cp852.h"
#include "console/message_window.h"
#include "documents/header.h"
#include "documents/line_grid.h"
#include "documents/line_session.h"
#include "documents/reservations.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"

namespace hurt::documents {

using namespace hurt::literals;

namespace {

// Moves the reservation of the current `dd` line from `held` to `wanted` and tells the
// operator when the article could not be had.
bool MoveLineReservation(session::Session& session, double held, double wanted) {
  xbase::WorkArea* dd = LinesArea(session);
  xbase::WorkArea* as = ArticlesArea(session);
  if (dd == nullptr || dd->eof()) return true;
  const DocLine line = ReadDocLine(*dd);
  if (as == nullptr) return false;
  session::ConsoleStoreUi ui(session.con());
  ReservationRequest rq;
  rq.mag = line.mag;
  rq.indeks = line.indeks;
  rq.held = held;
  rq.wanted = wanted;
  auto r = ChangeReservation(ui, *as, StationLedgerOf(session), rq);
  if (!r.ok()) {
    console::Okno_(session.con(), BusyArticleMessage(line.mag, line.indeks), 2);
    return false;
  }
  return true;
}

}  // namespace

bool MyDow(session::Session& session, int top, int left, int bottom, int right, std::string_view alias,
           std::string_view filter, int columns) {
  return RunLineGrid(session, top, left, bottom, right, alias, filter, columns);
}

bool RezRe(session::Session& session) {
  xbase::WorkArea* dd = LinesArea(session);
  if (dd == nullptr || dd->eof()) return true;
  const DocLine line = ReadDocLine(*dd);
  if (!LineReserves(DocumentKind(session), ReadLineSettings(session).fvzmieni, line.ilosc)) return true;
  return MoveLineReservation(session, 0, line.ilosc);
}

bool RezZw(session::Session& session) {
  xbase::WorkArea* dd = LinesArea(session);
  if (dd == nullptr || dd->eof()) return true;
  const DocLine line = ReadDocLine(*dd);
  if (!LineReserves(DocumentKind(session), ReadLineSettings(session).fvzmieni, line.ilosc)) return true;
  return MoveLineReservation(session, line.ilosc, 0);
}

int ReleaseReservations(session::Session& session) {
  xbase::WorkArea* as = ArticlesArea(session);
  if (as == nullptr) return 0;
  session::ConsoleStoreUi ui(session.con());
  auto stayed = ReleaseLedger(ui, *as, StationLedgerOf(session));
  if (!stayed.ok()) {
    console::Okno_(session.con(), "Rezerwacje nie zwolnione: " + stayed.status().message(), 2);
    return 1;
  }
  if (*stayed > 0) console::Okno_(session.con(), "Karta towaru zajęta - rezerwacja zwolniona będzie później"_pl, 2);
  return *stayed;
}

// What could not be released has been told, and stays in the ledger for the next release.
void ZwRezWyjscie(session::Session& session) { (void)ReleaseReservations(session); }

bool KasujPozycje(session::Session& session, int /*mode*/) {
  xbase::WorkArea* dd = LinesArea(session);
  if (dd == nullptr || dd->eof()) return false;
  // The reservation goes first: a line deleted with its reservation kept would hold the
  // stock back from every station for good.
  if (!RezZw(session)) return false;
  const uint32_t recno = dd->recno();
  session::ConsoleStoreUi ui(session.con());
  Status s = store::RecLockArea(ui, *dd, kReservationLockWait);
  if (s.ok()) s = dd->Delete();
  Status unlocked = dd->UnlockRecord(recno);
  if (s.ok() && unlocked.ok()) return true;
  // The line stays: take its reservation back so that the card matches it again.
  (void)RezRe(session);
  return false;
}

bool EditInDocumentScreen(session::Session& session, const DocKind& kind) {
  console::Console& con = session.con();
  const console::SavedScreen saved = con.SaveScreen();
  DrawDocumentScreen(session, &kind);
  SayPelnyNag(session);
  KeyLine(session, false, &kind);
  const bool done = MyDow(session, 10, 0, 22, 79, "dd", "", 7);
  con.RestoreScreen(saved);
  return done;
}

}  // namespace hurt::documents
