#include "session/output/document_pdf.h"

#include "base/text.h"
#include "session/output/report_copy.h"

namespace hurt::session {

namespace {

constexpr int kCentralEuropeanOffset = 60;  // minutes

std::string FilePart(std::string_view text) {
  std::string out;
  for (char c : Lower(AllTrim(text))) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    out += kept ? c : '_';
  }
  return out;
}

}  // namespace

std::string DocumentPdfName(std::string_view rd, std::string_view nrd) {
  return std::string(kDocumentPdfFolder) + "/" + FilePart(rd) + "_" + FilePart(nrd) + ".pdf";
}

std::string TworzePdfText(std::string_view name) { return "Tworze " + std::string(name); }

PdfOptions DocumentPdfOptions(const PdfOptions& base) {
  PdfOptions options = base;
  options.geometry = PdfOptions::Geometry::kDocument;
  options.title = "Faktura w formacie PDF";
  options.author = "KESTRAL";
  options.creator = "KESTRAL";
  options.producer = "VAT TO PDF";
  options.utc_offset_minutes = kCentralEuropeanOffset;
  return options;
}

Result<int> TworzPdf(xbase::Env& env, const std::string& source, const std::string& pdf, const PdfOptions& options) {
  if (!env.Exists(source)) return Status::NotFound("Brak " + source);
  auto document = ReportFileToPdf(env, source, options);
  if (!document.ok()) return document.status();
  const size_t slash = pdf.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string folder = pdf.substr(0, slash);
    if (!env.IsDir(folder)) HURT_RETURN_IF_ERROR(env.CreateDirs(folder));
  }
  HURT_RETURN_IF_ERROR(WriteFileReplacing(env, pdf, document->bytes));
  return document->pages;
}

}  // namespace hurt::session
