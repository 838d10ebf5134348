// One invoice from the issue notes marked in the document list (FV_DO_WZ).
//
//   1. Right 7 is needed ("Masz zbyt male prawa!", 4 seconds). The operator chooses the
//      invoice kind ("FV "); Esc abandons.
//   2. The issue date: today in the working month; else the month's last day when today
//      lies after it, its first day when before.
//   3. A kind missing from `slow` is made: "FAKTURA VAT", R S U O, the main warehouse, N.
//   4. The number proposed: the kind's last number + 1, right-aligned in 8 (posting gives
//      the number for good).
//   5. The source notes: every issue note of `dowod` marked with ZAP chr(251) whose
//      warehouse is not "0", in the list's order, that is not in an invoice yet (R_RD,
//      R_NRD blank). They are held (document_hold.h) while the invoice is made, so that
//      no other station makes an invoice of them at the same time; a note held elsewhere
//      stops the run and is named ("Dowod WZ-12 zajety na innej stacji").
//   6. Their lines are merged: same warehouse, article and price add their quantity; a
//      new line takes the article's current price (CENA2 on gross kinds, CENA on net
//      ones) and its VAT rate, and the source line's name, unit, purchase price and
//      optional fields. An article missing from `as` is added from the line ("BRAK " +
//      warehouse + " " + code + " w as"). Money: net kinds WARTOSC = round2(ILOSC × CENA),
//      PODATEK = round2(WARTOSC × rate / 100), BRUTTO = WARTOSC + PODATEK; gross kinds
//      BRUTTO = round2(ILOSC × CENA), WARTOSC = round2(BRUTTO / (1 + rate/100)),
//      PODATEK = BRUTTO − WARTOSC.
//   7. Nothing to take: "Nic nie zrobilem", nothing changes. Otherwise the working table
//      `dd` is filled (LP "  1".."999", the invoice's kind and number), the header
//      variables are set (M_RD, M_NRD, M_DATA, M_ODB, M_SPZ "G", M_TEZ 0, M_WARTOSC,
//      M_WARTOSC0, M_WPLATA ...; the header text "WZ " and the notes' numbers, and the
//      notes themselves in the variable posting reads) and the document screen opens with
//      the invoice in the line editor, where it is completed and posted.
//   8. Posting links the notes to the invoice (R_RD/R_NRD, NAZWA_EX of their lines) in the
//      same step that writes the invoice, and moves no stock: the notes moved it. An
//      invoice abandoned in the editor leaves the notes as they were, free to be invoiced.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "documents/doc_kind.h"
#include "documents/line_math.h"
#include "invoicing/invoice_ui.h"
#include "store/net_ui.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

// Step 2: the issue date for today and the working month (its first day).
JulianDay IssueDateInMonth(JulianDay today, JulianDay month_first_day);

// Step 6's money of a line on a net ('N') or gross ('B') kind.
void LineMoneyFromNotes(documents::DocLine& line, char nb);

struct FvDoWzOptions {
  // The document editor the invoice opens in; the document screen with MYDOW when empty.
  std::function<bool(session::Session&)> editor;
};

struct FvDoWzResult {
  bool made = false;                // the invoice went to the editor
  std::string rd, nrd;              // its kind and the number proposed
  int sources = 0;                  // issue notes taken
  std::vector<documents::DocLine> lines;  // the merged lines written into `dd`
  bool failed = false;              // a table could not be read or written: told, nothing kept
  bool posted = false;              // the editor posted the invoice
  std::string posted_nrd;           // under this number
};

// FV_DO_WZ. Returns what was done (made false when refused, abandoned or nothing found).
FvDoWzResult FvDoWz(session::Session& session, InvoiceUi& ui, const FvDoWzOptions& options = {});

// The menu's entry: the console's screen.
bool FvDoWzMenu(session::Session& session);

}  // namespace hurt::invoicing
