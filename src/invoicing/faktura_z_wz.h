// One invoice from the issue notes marked in the document list (FV_DO_WZ).
//
//   1. Right 7 is needed ("Masz zbyt male prawa!", 4 seconds). The operator chooses the
//      invoice kind ("FV "); Esc abandons.
//   2. The issue date: today in the working month; else the month's last day when today
//      lies after it, its first day when before.
//   3. A kind missing from `slow` is made: "FAKTURA VAT", R S U O, the main warehouse, N.
//   4. The number: the kind's last number + 1, right-aligned in 8.
//   5. The source headers: every `dowod` record marked with ZAP chr(251) whose warehouse
//      is not "0", in the list's order. ALL of them are locked before anything changes
//      (each retried for a few seconds). When one cannot be locked, none is stamped,
//      nothing is made, and the operator is told which note is busy ("Dowod WZ-12 zajety
//      na innej stacji"): stamping some notes and not others would leave a note
//      unstamped, to be invoiced a second time later.
//   6. Their lines are merged: same warehouse, article and price add their quantity; a
//      new line takes the article's current price (CENA2 on gross kinds, CENA on net
//      ones) and its VAT rate, and the source line's name, unit, purchase price and
//      optional fields. An article missing from `as` is added from the line ("BRAK " +
//      warehouse + " " + code + " w as"). Money: net kinds WARTOSC = round2(ILOSC × CENA),
//      PODATEK = round2(WARTOSC × rate / 100), BRUTTO = WARTOSC + PODATEK; gross kinds
//      BRUTTO = round2(ILOSC × CENA), WARTOSC = round2(BRUTTO / (1 + rate/100)),
//      PODATEK = BRUTTO − WARTOSC.
//   7. Nothing merged: "Nic nie zrobilem", nothing changes. Otherwise every source header
//      is stamped R_RD/R_NRD with the invoice's kind and number, every source line gets
//      NAZWA_EX = kind-number, the locks are released, the working table `dd` is filled
//      (LP "  1".."999", the invoice's kind and number), the header variables are set
//      (M_RD, M_NRD, M_DATA, M_ODB, M_SPZ "G", M_TEZ 0, M_WARTOSC, M_WARTOSC0, M_WPLATA
//      ...) and the document editor opens it (MYDOW), where it is completed and posted.
//   8. When the editor returns, the invoice is sought in `dowod` under the number posting
//      left in M_NRD (for the invoice's customer). Posted under another number than the
//      one stamped (another station took it meanwhile): the stamps follow it. Not posted
//      (abandoned, dropped): the stamps are taken off again, so that the notes can be
//      invoiced later. Either way all the notes are locked first and changed together, or
//      none is; a busy note is named ("Dowod WZ-12 zajety na innej stacji") and the
//      operator may try again ("Sprobowac jeszcze raz ?"); giving up leaves the stamps and
//      says so ("WZ zostaja oznaczone FV-126"). NAZWA_EX of the notes' lines follows the
//      stamps.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "documents/doc_kind.h"
#include "base/result.h"
#include "invoicing/invoice_ui.h"
#include "store/net_ui.h"
#include "xbase/work_area.h"
#include "xbase/value.h"

namespace hurt::shell {
class Session;
}

namespace hurt::invoicing {

// Step 2: the issue date for today and the working month (its first day).
JulianDay IssueDateInMonth(JulianDay today, JulianDay month_first_day);

// One merged line of the invoice.
struct MergedLine {
  std::string mag, indeks, nazwa, jm;
  double ilosc = 0;
  double cena = 0;         // the invoice's price
  double source_cena = 0;  // the price of the source lines merged here
  double cena0 = 0;
  std::string podatek0;
  double wartosc = 0, podatek = 0, brutto = 0;
  // Optional fields copied from the first source line (name and value), when both the
  // line table and `dd` have them.
  std::vector<std::pair<std::string, xbase::Value>> extra;
};

// Step 6's money of a line on a net ('N') or gross ('B') kind.
void LineMoneyFromNotes(MergedLine& line, char nb);

struct FvDoWzOptions {
  // The document editor the invoice opens in; MYDOW when empty.
  std::function<bool(shell::Session&)> editor;
  // Seconds each source header is retried for.
  double lock_wait = 5;
};

struct FvDoWzResult {
  bool made = false;                // the invoice went to the editor
  std::string rd, nrd;              // its kind and number
  int sources = 0;                  // issue notes taken
  std::vector<MergedLine> lines;    // as written into `dd`
  bool posted = false;              // the editor posted the invoice
  std::string posted_nrd;           // under this number
  bool stamps_follow = false;       // the notes' stamps were changed after the editor
};

// Step 8's change of the stamps on the notes `recnos` of `dowod` (and their lines in
// `dow`): those stamped from_rd+from_nrd get to_rd+to_nrd (blank: no stamp). All notes
// are locked before any changes (each retried `wait` seconds); Busy naming the note
// ("Dowod WZ-12 zajety na innej stacji") when one cannot be had, and then nothing changed.
Status RestampNotes(store::StoreUi& ui, xbase::WorkArea& dowod, xbase::WorkArea& dow,
                    const std::vector<uint32_t>& recnos, std::string_view from_rd, std::string_view from_nrd,
                    std::string_view to_rd, std::string_view to_nrd, double wait);

// FV_DO_WZ. Returns what was done (made false when refused, abandoned or nothing found).
FvDoWzResult FvDoWz(shell::Session& session, InvoiceUi& ui, const FvDoWzOptions& options = {});

// The menu's entry: the console's screen.
bool FvDoWzMenu(shell::Session& session);

}  // namespace hurt::invoicing
