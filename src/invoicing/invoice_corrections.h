// KOREKTY_FV: while a line of a sales correction is edited, what the customer bought of
// the line's article, and at what price.
//
//   1. The period "OKRES od - do  (dd.mm.rr):" (from: the first of the month); Esc, or a
//      start after the end, abandons.
//   2. The sales (class "RS") of the line's warehouse and article to the customer M_ODB,
//      from the line tables of every month folder of the period that has them, sought
//      day by day in the order DTOS(data)+mag+indeks, listed in the order of date and
//      number.
//   3. The operator picks one; its price and rate (blank: "23") go into the current line
//      of `dd`, whose money follows the line rules:
//        net:   WARTOSC = round2(ILOSC × CENA), PODATEK = round2(WARTOSC × rate / 100),
//               BRUTTO = WARTOSC + PODATEK;
//        gross: BRUTTO = round2(ILOSC × CENA), PODATEK = round2(BRUTTO × rate / (rate + 100)),
//               WARTOSC = BRUTTO.
// The list is kept in memory and browsed from there, so no work table is left behind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "documents/line_math.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

struct SaleOfArticle {
  JulianDay data = kEmptyDate;
  std::string rd, nrd;
  double ilosc = 0;
  char nb = 'N';
  double cena = 0;
  std::string podatek0;
  std::string uwagi;
};

// Step 2. Months whose folder or line index is missing are passed over.
Result<std::vector<SaleOfArticle>> SalesOfArticle(session::Session& session, std::string_view mag,
                                                  std::string_view indeks, std::string_view odb, JulianDay from,
                                                  JulianDay to);

// Step 3 on the current record of `dd` (which the caller holds locked or owns).
Status ApplySaleToLine(xbase::WorkArea& dd, const SaleOfArticle& sale);

// The whole dialogue over the current line of `dd`; true when a price was taken.
bool KorektyFv(session::Session& session);

}  // namespace hurt::invoicing
