// The line grid of a document under edit: the working line table `dd` in rows 10-22 of
// the document screen, with provisional reservations of the stock its lines take.
#pragma once

#include <string_view>

namespace hurt::shell {
class Session;
}

namespace hurt::documents {

// MYDOW: runs the grid over `alias` until the document is posted or abandoned (leaving
// goes through Wyjscie); returns true. Called as MyDow(s, 10, 0, 22, 79, "dd", "", 7).
bool MyDow(shell::Session& session, int top, int left, int bottom, int right, std::string_view alias,
           std::string_view filter, int columns);

// Reservations of the current `dd` line (REZ_RE adds its quantity to the article's
// REZERWA0, REZ_ZW takes it back) and of every line of `dd` (ZW_REZ_WYJSCIE).
bool RezRe(shell::Session& session);
bool RezZw(shell::Session& session);
void ZwRezWyjscie(shell::Session& session);

// Each of them keeps the line and the article card as they were when the article's lock
// cannot be had, and tells the operator which article was busy. RezRe and RezZw return
// false then (and when the article is missing); lines that hold no reservation (receipts,
// orders "ZAM", offers, pro-formas, non-positive quantities) change nothing and give true.

// ZW_REZ_WYJSCIE with its outcome: the number of lines whose reservation could not be
// released (their articles were busy or missing).
int ReleaseReservations(shell::Session& session);

// KASUJ_POZYCJE(mode): deletes the current line of `dd`, first releasing its reservation.
// False, with the line kept, when the release could not be made or the line not deleted.
bool KasujPozycje(shell::Session& session, int mode = 0);

}  // namespace hurt::documents
