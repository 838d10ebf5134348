// FAKTURA: the printout of a posted document (header in `dowod`, lines in `dow`) of any
// month, shown in the report viewer so that it can be printed, copied or mailed.
//
//   1. The tables: the open ones of the current month when the document's date falls in
//      it, else `dowod`, `dow` and `slow` of the month folder of the date ("26/11"),
//      opened here in spare work areas and closed again. A missing file: "Brak pliku " +
//      path; a file that does not open: "Problem z otwarciem " + path.
//   2. The header is sought by RD+NRD, the lines by RD+NRD in LP order; the kind comes
//      from `slow`, the company from `firma`, the customer from the book the header's
//      KTO names.
//   3. The printed form (FV_FAKTURA, print_form.h). Its totals reconcile the VAT per rate;
//      a line whose PODATEK (or BRUTTO) the reconciliation changed is written back to its
//      record, so that the stored lines add up to the printed totals (not while viewing an
//      archive month, where nothing may change).
//   4. The original/copy state J_ORYGINAL steps for the next printout. The cycle is kept
//      for one invoice: the first printout of another document is its original again.
//      The marker of a cancelled invoice ("F125.---") is removed once its cancelled form
//      is printed. A line that cannot be locked for the write-back stops the printout
//      ("Linie dowodu FV-125 zajete - nie zapisano VAT"), so that paper never shows
//      totals the stored lines do not have.
// The current record and order of every shared area used are put back.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"
#include "invoicing/invoice_number.h"
#include "invoicing/print_data.h"
#include "invoicing/print_form.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
struct ViewerSetup;
}  // namespace hurt::session

namespace hurt::invoicing {

struct FakturaRequest {
  JulianDay data = kEmptyDate;  // the document's date: picks the month folder
  std::string rd;               // kind, 3 characters
  std::string nrd;              // number (right-aligned to 8 here)
  std::string klasa = "FV";     // print class asked for; the kind corrects it
  // Called from the document browser: a pattern document ("** " recipient text) then
  // offers a similar new document after the printout (similar_document.h).
  bool z_przegladu = false;
  // When set, a "yes" to the similar document hands the printed pattern here (the caller
  // opens the new document once its own screen has ended) instead of opening it at once.
  std::function<void(const InvoiceData&)> on_similar;
};

struct FakturaResult {
  PrintedForm form;
  InvoiceData data;        // what was printed (lines as read, before the reconciliation)
  int written_back = 0;    // line records whose VAT the reconciliation changed
  bool cancelled = false;  // the cancelled form was printed and its marker removed
  char oryginal_next = 'N';  // J_ORYGINAL after this printout
};

// The original/copy mark of one printout of `document` (a text naming it: month, kind and
// number): sets data.settings.j_oryginal to the mark printed and returns the step, whose
// `stored` state the caller keeps in J_ORYGINAL once the printout is made. Another
// document than the one printed last starts again from the original.
OryginalStep OryginalOfPrintout(session::Session& session, InvoiceData& data, const std::string& document);

// The month folder "yy/mm" of a date.
std::string PeriodOfDate(JulianDay data);

// Steps 1 to 4 without the viewer: the printout as text. The failure's message is the
// operator's text ("Brak pliku 26/11/dowod.dbf", "Brak dowodu FV-125").
Result<FakturaResult> DrukujDowod(session::Session& session, store::StoreUi& ui, const FakturaRequest& request);

// FAKTURA: the same into the station's report file, then the viewer. A failure is shown
// in the message window; false then. From the browser, a pattern document then asks
// "Utworzyc podobny dowod ?" and on yes the new document opens in the editor.
bool Faktura(session::Session& session, const FakturaRequest& request);
bool Faktura(session::Session& session, const FakturaRequest& request, const session::ViewerSetup& setup);

}  // namespace hurt::invoicing
