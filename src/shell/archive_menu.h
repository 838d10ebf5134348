// IN_ARC (Raporty › Raporty z archiwum): the reports of an earlier month.
//
// The menu "    R A P O R T Y   Z   A R C H I W U M    " (items of 43 characters, a box
// at the right of the screen above the period line of the main screen). " Wybor miesiaca
// i roku " asks for a month and opens its folder (maintenance/archive_month.h: a month
// without data is "<month name> niedostepny"); the main screen then shows that month with
// " arc". The other items run the reports over whatever month is open, each behind the
// right the same item of the Raporty menu needs (an item without it shows blank and runs
// nothing):
//   Raporty kasowe, Rotacja towaru, Obroty z kontrahentami, Zyskownosc, Systemy
//   premiowania, Wartosc towaru na magazynach, Kopiowanie zbiorow dla systemu F-K
//                      reports this program does not make yet (NotBuilt);
//   Rejestry           the VAT registers' menu of the Raporty menu (given by the caller);
//   Zestawienie dowodow, Zestawienie dowodow i operatorow
//                      the list of the month's documents (OTB_DOWODY);
//   Wydruk dowodu z archiwum
//                      a document shown and printed (DBU_DOW in display);
//   Kartoteki magazynowe na koncu miesiaca, Kartoteki magazynowe wg. DOSTAWCOW / PROD.
//                      the article cards as the month left them (DBU_AS; F6 filters by
//                      supplier or producer, F9 prints, F2 a card's documents).
// While an archive month is open every changing road refuses ("Praca w archiwum -
// blokada"). Esc leaves the menu and the current month's tables are opened again.
#pragma once

#include "session/session_fwd.h"

namespace hurt::shell {

using session::Session;

// Runs the menu until Esc. Returns kMenuEnd (menu_tree.h) when the current month could not
// be opened again, else -1 (menu::kReopen).
int InArc(Session& session, void (*registers)(Session&));

}  // namespace hurt::shell
