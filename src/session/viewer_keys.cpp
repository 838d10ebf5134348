// PROCESS_KEY: printing, copying and mailing the report from the viewer.
#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/kalk.h"
#include "session/output/document_pdf.h"
#include "session/output/report_copy.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "session/viewer_internal.h"

namespace hurt::session::viewer {

using namespace hurt::literals;
namespace key = console::key;

namespace {

// A failure the operator must read: 3 seconds or a key.
void ShowError(Session& session, std::string_view text) { console::Okno_(session.con(), text, 3); }

PrintOptions OptionsFor(ViewedReport& report, bool started_with_f5) {
  PrintOptions options = report.setup.print;
  // The margin text of the accounting programs' printouts is not kept by this program: a
  // print started with F5 next to them gets no margin either.
  options.margin = PrintMargin(report.session.env(), report.session.root(), started_with_f5, "");
  options.title = std::string(BaseName(report.path));
  return options;
}

void ShowPrintResult(ViewedReport& report, const Result<PrintOutcome>& printed) {
  if (!printed.ok()) ShowError(report.session, printed.status().message());
}

// Asked before an Alt+B copy to a ".csv" name; N (the default) writes UTF-8.
constexpr std::string_view kCsvCodePageQuestion = "CSV w kodzie Windows-1250 ?";

// "Plik istnieje. Zastapic ?" with N as the default answer.
bool MayReplace(Session& session) { return console::Okno(session.con(), "Plik istnieje. Zastapic ?", "N"); }

}  // namespace

void PrintAll(ViewedReport& report) {
  if (!Drukowac(report.session, report.setup)) return;
  const PrinterTarget target = StationPrinter(report.session, report.setup);
  ShowPrintResult(report, FileToPrinter(report.session.env(), report.path, LineRange::All(), target,
                                        OptionsFor(report, true)));
}

void PrintRange(ViewedReport& report) {
  const LineAnswer from = AskOnKeyRow(report.session, "Druk od wiersza :", 7, {}, "9999999");
  if (!from.with_enter) return;
  const LineAnswer to = AskOnKeyRow(report.session, "     do wiersza :", 7, {}, "9999999");
  if (!to.with_enter) return;
  const LineRange range = LineRange::FromTexts(from.text, to.text);
  if (range.Empty()) return;  // nothing to print: back to the viewer
  const PrinterTarget target = StationPrinter(report.session, report.setup);
  ShowPrintResult(report, PrintLineRange(report.session.env(), report.path, range, target, OptionsFor(report, false)));
}

void PrintWithEmptyLinesKey(ViewedReport& report) {
  const LineAnswer count = AskOnKeyRow(report.session, "ILE zrobic pustych wierszy:", 2, {}, "99");
  if (!count.with_enter) return;
  const PrinterTarget target = StationPrinter(report.session, report.setup);
  ShowPrintResult(report, PrintWithEmptyLines(report.session.env(), report.path, static_cast<int>(Val(count.text)),
                                              target, OptionsFor(report, false)));
}

void CopyToTxt(ViewedReport& report) {
  Session& session = report.session;
  const LineAnswer typed = AskOnKeyRow(session, "Kopiowac do pliku TXT:", 25);
  const CopyOutcome outcome = KopiujDoTxt(session.env(), session.root(), session.stacja(), report.path, typed.text,
                                          typed.with_enter, [&session](const std::string&) { return MayReplace(session); });
  if (!outcome.progress.empty()) console::OknoNoWait(session.con(), outcome.progress);
  console::Okno_(session.con(), outcome.result, outcome.copied ? 1 : 3);
}

void CopyToDbf(ViewedReport& report) {
  Session& session = report.session;
  if (session.areas().Current() == nullptr) {
    console::Okno_(session.con(), "Brak bazy");
    return;
  }
  const LineAnswer typed = AskOnKeyRow(session, "Kopiowac do pliku DBF:", 25);
  if (auto refusal = CopyPromptRefusal(typed.text, typed.with_enter)) {
    console::Okno_(session.con(), *refusal, 3);
    return;
  }
  auto target = CopyTarget(session.root(), session.stacja(), typed.text, CopyKind::kTable);
  if (!target.ok()) {
    ShowError(session, target.status().message());
    return;
  }
  if (session.env().Exists(*target) && !MayReplace(session)) {
    ShowError(session, kNotReplaced);
    return;
  }
  if (Status made = MakeCopyFolder(session.env(), session.root(), session.stacja()); !made.ok()) {
    ShowError(session, made.message());
    return;
  }
  // A copy for a spreadsheet: UTF-8 unless the operator asks for the Windows code page.
  const bool csv = IsCsvCopy(*target);
  const CsvEncoding encoding = csv && console::Okno(session.con(), kCsvCodePageQuestion, "N") ? CsvEncoding::kCp1250
                                                                                               : CsvEncoding::kUtf8Bom;
  console::OknoNoWait(session.con(), "Kopiuje -> " + std::string(BaseName(*target)));
  auto copied = csv ? CopyCurrentAreaToCsv(session, *target, encoding) : CopyCurrentAreaToTable(session, *target);
  if (!copied.ok()) {
    ShowError(session, copied.status().IsBusy()
                           ? "Nie kopiuje - plik " + ShownCopyName(session.root(), *target) + " jest w uzyciu"
                           : copied.status().message());
    return;
  }
  console::Okno_(session.con(), "Skopiowano do " + ShownCopyName(session.root(), *target));
}

// Alt+P: the copy for PDF conversion, and the conversion itself (TWORZ_PDF) into
// "pdf/pdfNN.pdf".
void CopyToPdf(ViewedReport& report) {
  Session& session = report.session;
  auto copied = KopiujDoPdf(session.env(), session.root(), session.stacja(), report.path);
  if (!copied.ok()) {
    ShowError(session, copied.status().message());
    return;
  }
  const std::string name = std::string(kDocumentPdfFolder) + "/pdf" + Str2(session.stacja()) + ".pdf";
  console::OknoNoWait(session.con(), TworzePdfText(name));
  auto made = TworzPdf(session.env(), *copied, session.Path(name), DocumentPdfOptions(report.setup.print.pdf));
  if (!made.ok()) {
    ShowError(session, made.status().message());
    return;
  }
  console::Okno_(session.con(), "Zapisano " + name);
}

void Mail(ViewedReport& report) {
  Session& session = report.session;
  MailAccount account = ReadMailAccount(session);
  if (IsBlank(account.server)) {
    ShowError(session, "Brak serwera poczty (SMTP)");
    return;
  }
  // The address of the current customer, when the customers' table has one.
  std::string address;
  if (xbase::WorkArea* zo = session.areas().Area(3);
      zo != nullptr && Upper(zo->alias()) == "ZO" && zo->FieldIndex("E_MAIL") >= 0) {
    if (auto v = zo->Get("E_MAIL"); v.ok() && v->IsString()) address = RTrim(v->AsString());
  }
  const LineAnswer to = AskOnKeyRow(session, "e_mail:", 40, address);
  if (!to.with_enter) return;
  const LineAnswer text = AskOnKeyRow(session, "tekst:", 50, "Pozdrawiam");
  if (!text.with_enter) return;

  MailMessage message;
  message.to = AllTrim(to.text);
  message.subject = "Dowod ...";
  message.body = AllTrim(text.text);
  console::OknoNoWait(session.con(), kPleaseWaitText);
  PdfOptions pdf = report.setup.print.pdf;
  auto sent = EmailReport(session.env(), session.root(), report.path, account, message, pdf, report.setup.mail);
  if (!sent.ok()) {
    ShowError(session, sent.status().message());
    return;
  }
  console::Okno_(session.con(), sent->text, sent->sent ? 1 : 3);
}

console::ViewerKey ProcessKey(ViewedReport& report, int k, console::TextViewer& view) {
  using console::ViewerKey;
  if (key::IsKey(k, key::F(5))) {
    PrintAll(report);
    view.GoTop();
    return ViewerKey::kRepaint;
  }
  if (key::IsKey(k, key::AltF(5))) {
    PrintRange(report);
    return ViewerKey::kRepaint;
  }
  if (key::IsKey(k, key::CtrlF(5))) {
    PrintWithEmptyLinesKey(report);
    return ViewerKey::kRepaint;
  }
  switch (k) {
    case key::kAltK:  // when no hot key has taken it already
      Kalk(report.session.con(), report.session.kalk());
      return ViewerKey::kRepaint;
    case key::kAltW: CopyToTxt(report); return ViewerKey::kRepaint;
    case key::kAltB: CopyToDbf(report); return ViewerKey::kRepaint;
    case key::kAltP: CopyToPdf(report); return ViewerKey::kRepaint;
    case key::kAltE: Mail(report); return ViewerKey::kRepaint;
    default: return ViewerKey::kNotHandled;
  }
}

}  // namespace hurt::session::viewer
