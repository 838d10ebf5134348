#include "invoicing/invoice_pdf.h"

#include "base/text.h"
#include "console/message_window.h"
#include "invoicing/ksef_invoice.h"
#include "invoicing/ksef_qr.h"
#include "session/output/document_pdf.h"
#include "session/output/report_copy.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "session/store_ui.h"

namespace hurt::invoicing {

std::string PdfScratchFile(const session::Session& session) { return "rob/pdf" + session::Str2(session.stacja()) + ".prn"; }

Result<FvPdf> FvDoPdf(session::Session& session, store::StoreUi& ui, const FakturaRequest& request,
                      const session::PdfOptions& base) {
  // 1. The printout.
  auto printed = DrukujDowod(session, ui, request);
  if (!printed.ok()) return printed.status();
  const InvoiceHeader& header = printed->data.header;

  session::PdfOptions options = session::DocumentPdfOptions(base);
  options.encoding = session::PdfOptions::Encoding::kCp852;  // as the forms write it
  // 3. KOD I, when the document has its FA(3) file.
  auto kod = KodIOfFile(session.env(), session.Path(Fa3FileName(header.rd, header.nrd)), KsefQrHost(session),
                        header.ksef);
  if (!kod.ok()) return kod.status();
  if (*kod) options.qr = session::PdfQrMark{(*kod)->link, (*kod)->label};

  // 2. Through the scratch file into the PDF.
  const std::string scratch = session.Path(PdfScratchFile(session));
  const std::string rob = session.Path("rob");
  if (!session.env().IsDir(rob)) HURT_RETURN_IF_ERROR(session.env().CreateDirs(rob));
  HURT_RETURN_IF_ERROR(session::WriteFileReplacing(session.env(), scratch, printed->form.text));
  FvPdf out;
  out.name = session::DocumentPdfName(header.rd, header.nrd);
  auto pages = session::TworzPdf(session.env(), scratch, session.Path(out.name), options);
  (void)session.env().Remove(scratch);  // a scratch file left behind is replaced next time
  if (!pages.ok()) return pages.status();
  out.pages = *pages;
  out.kod_i = options.qr.has_value();
  return out;
}

bool FvDoPdfOnScreen(session::Session& session, JulianDay data, std::string_view rd, std::string_view nrd) {
  console::Console& con = session.con();
  const std::string name = session::DocumentPdfName(rd, nrd);
  const console::SavedRegion under = console::SaveOknoArea(con);
  console::OknoNoWait(con, session::TworzePdfText(name));
  session::ConsoleStoreUi ui(con);
  FakturaRequest request;
  request.data = data;
  request.rd = std::string(rd);
  request.nrd = std::string(nrd);
  auto made = FvDoPdf(session, ui, request);
  con.Restore(under);
  if (!made.ok()) {
    console::Okno_(con, "Nie zapisano: " + made.status().message(), 3);
    return false;
  }
  console::Okno_(con, "Zapisano " + made->name, 2);
  return true;
}

}  // namespace hurt::invoicing
