// The line grid of a document under edit: the working line table `dd` in rows 10-22 of
// the document screen, with provisional reservations of the stock its lines take.
#pragma once

#include <string_view>

#include "documents/doc_kind.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// MYDOW: runs the grid over `alias` until the document is posted or abandoned (leaving
// goes through Wyjscie); returns true. Called as MyDow(s, 10, 0, 22, 79, "dd", "", 7).
// Reads the header variables M_RD (kind, from `slow`), M_MAG, M_NRD, M_DATA, M_ODB, M_SPZ,
// M_TEZ, M_NB, M_POZIOM, M_WALUTA, M_KURS and KLUCZ (0 entry, 1 display, 2 correction).
// Keys: Enter (or typing) edits a line, Down past the last line opens a new one, F8
// deletes a line with its reservation, F2 gives the whole document one discount, Ins
// toggles insert, F9/Esc leave: lines below cost (marker STRATA.DD) and VAT rates (from
// 2011) are questioned, a new sale past the customer's credit limit may be dropped, the
// total is taken with the VAT reconciled, then Wyjscie decides. `filter` (when given)
// holds while the grid runs.
bool MyDow(session::Session& session, int top, int left, int bottom, int right, std::string_view alias,
           std::string_view filter, int columns);

// A document prepared by a routine (its header in the variables, its lines in `dd`) in
// the document screen: the header shown, the lines in MYDOW, posted or abandoned there;
// the screen before is put back.
bool EditInDocumentScreen(session::Session& session, const DocKind& kind);

// Reservations of the current `dd` line (REZ_RE adds its quantity to the article's
// REZERWA0, REZ_ZW takes it back) and of every line of `dd` (ZW_REZ_WYJSCIE).
bool RezRe(session::Session& session);
bool RezZw(session::Session& session);
void ZwRezWyjscie(session::Session& session);

// Each of them keeps the line and the article card as they were when the article's lock
// cannot be had, and tells the operator which article was busy. RezRe and RezZw return
// false then (and when the article is missing); lines that hold no reservation (receipts,
// orders "ZAM", offers, pro-formas, non-positive quantities) change nothing and give true.

// ZW_REZ_WYJSCIE with its outcome: the number of lines whose reservation could not be
// released (their articles were busy or missing).
int ReleaseReservations(session::Session& session);

// KASUJ_POZYCJE(mode): deletes the current line of `dd`, first releasing its reservation.
// False, with the line kept, when the release could not be made or the line not deleted.
bool KasujPozycje(session::Session& session, int mode = 0);

}  // namespace hurt::documents
