// DBU_AS: the article catalogue screen ("KARTOTEKA MAGAZYNOWA").
//
// Rows 0-13 show the current card (VIEW_AS), row 14 the title bar, rows 15-23 the grid of
// cards and row 24 the key bar. Keys: F4 edit (EDIT_AS), F5 append (DOPISZ_AS), Alt+F5
// append a copy of the current card, F6 query-by-example filter (FILTR_AS), F7 search
// (SZUKAJ_AS), F8 delete, F9 the printed list (AS_WYDRUK), Tab switches between the code
// and the name order, typed characters and Backspace search incrementally in the order.
// F2 the menu of the card's documents (RAP_AS), Alt+F7 the search by bar code (tables with
// KOD13), Shift+F2 the price rise of one supplier's cards.
// F4, F5 and F8 work only in the company's current month. Esc leaves.
//
// The routine keeps the article table's order, filter and position as the session expects
// them afterwards: order 1, the station's warehouse filter, the top.
#pragma once

#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::catalogues {

// DBU_AS([par]): runs the screen until Esc; true. False only when the article table is not
// open (the reason was shown).
bool DbuAs(session::Session& s, std::string_view par = {});

// The warehouse filter of the article table: "mag $ M_nr_mag" when the station has a
// warehouse list (M_NR_MAG) and the marker AS_FILTR.TXT exists, else none.
std::string WarehouseFilter(session::Session& s);

}  // namespace hurt::catalogues
