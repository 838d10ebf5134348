// FV_DO_PDF: a posted document's printout as a PDF file, "pdf/<kind>_<number>.pdf" in the
// data directory (TWORZ_PDF, session/output/document_pdf.h), from the invoice screens.
//
//   1. The printout is made as for paper (DrukujDowod, invoice_printout.h): the same
//      form of any month, the VAT per rate reconciled onto the stored lines, the
//      original/copy mark stepping as for any printout.
//   2. Its text goes to the station's scratch file "rob/pdfNN.prn", which TWORZ_PDF draws
//      into the PDF; the scratch file is removed again.
//   3. A document with its FA(3) file (ksef/<kind>_<number>.xml, ksef_invoice.h) gets the
//      verification code KOD I under its last line, with its KSeF number or "OFFLINE"
//      under the code (ksef_qr.h).
#pragma once

#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"
#include "invoicing/invoice_printout.h"
#include "session/output/report_pdf.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

struct FvPdf {
  std::string name;  // relative to the data directory: "pdf/fv_12.pdf"
  int pages = 0;
  bool kod_i = false;  // KOD I drawn
};

// The station's scratch file of the printout: "rob/pdf" + STR2 + ".prn".
std::string PdfScratchFile(const session::Session& session);

// Steps 1 to 3. The failure's message is the operator's text.
Result<FvPdf> FvDoPdf(session::Session& session, store::StoreUi& ui, const FakturaRequest& request,
                      const session::PdfOptions& base = {});

// The same from a screen: "Tworze <name>" while it is made, then "Zapisano <name>" or
// "Nie zapisano: <reason>" in the message window.
bool FvDoPdfOnScreen(session::Session& session, JulianDay data, std::string_view rd, std::string_view nrd);

}  // namespace hurt::invoicing
