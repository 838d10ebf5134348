// RAS_MMM: the request screen of the warehouse movement reports, the computation with its
// progress, the printout in the viewer and the clean-up.
//
// The request (row 1 the title): "OKRES od - do  (dd.mm.rr):" two dates (the open
// month's first and last day), "Nr MAGAZYNU  :" (the main warehouse J_MAG_GLOW),
// "INDEKS grupy :" (the first characters of the article codes) and, when the article cards
// have the field T_W_O_K, "GRUPA        :". Esc or an empty warehouse ends without a
// printout; the detailed report then asks "ilosc / wartosc / ilosc i wartosc".
//
// While it runs the message window counts the lines read, row 24 names the month folder
// being read, and Esc asks "Przerwac raport ?". The report goes to the station's print file
// and the viewer, with the work table current there (Alt+B copies it); the work table is
// erased afterwards. In an archive month the report reads that month; nothing is changed.
#pragma once

#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::reports {

// RAS_MMM(kind): "1" the movement statement, "" the detailed activity report. False when
// the request was abandoned or nothing could be printed.
bool RasMmm(session::Session& s, std::string_view kind);

}  // namespace hurt::reports
