#include "orders/order_mail.h"

#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "session/area_fields.h"
#include "session/output/mail_password.h"
#include "session/output/report_copy.h"
#include "session/output/report_pdf.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/init_tables_layout.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/table.h"

namespace hurt::orders {

using session::FieldText;

namespace {

constexpr double kEFirmaLockSeconds = 10;
constexpr int kFirstScratch = 225, kLastScratch = 231;

bool Yes(const std::string& s) { return Upper(AllTrim(s)) == "T"; }

// Opens e_firma in a free area, made first when missing. The caller closes the area.
Result<xbase::WorkArea*> OpenEFirma(session::Session& s) {
  const std::string path = s.Path("e_firma.dbf");
  if (!s.env().Exists(path)) {
    std::vector<xbase::DbfFieldDescriptor> fields;
    for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kEFirma), s.Markers()))
      fields.push_back(store::DescriptorOf(f));
    // Made under a station name and renamed, so two stations never make it half.
    const std::string temp = s.Path("rob/e_firma" + s.StationText() + ".dbf");
    Status made = xbase::Table::Create(s.env(), temp, fields);
    if (made.ok() && !s.env().Exists(path)) made = s.env().Rename(temp, path);
    if (s.env().Exists(temp)) (void)s.env().Remove(temp);
    if (!made.ok() && !s.env().Exists(path)) return Status::IoError("Plik e_firma niedostepny");
  }
  const int area = s.areas().FirstFree(kFirstScratch, kLastScratch);
  if (area == 0) return Status::IoError("Plik e_firma niedostepny");
  auto a = s.areas().Open(area, path, "E_FIRMA");
  if (!a.ok()) return Status::IoError("Plik e_firma niedostepny");
  return *a;
}

}  // namespace

Result<EFirma> ReadEFirma(session::Session& s) {
  auto a = OpenEFirma(s);
  if (!a.ok()) return a.status();
  xbase::WorkArea& w = **a;
  EFirma e;
  if (w.GoTop().ok() && !w.eof()) {
    e.e_mail = AllTrim(FieldText(w, "E_MAIL"));
    e.login = AllTrim(FieldText(w, "LOGIN"));
    e.haslo = session::RevealMailPassword(FieldText(w, "HASLO"));
    e.server = AllTrim(FieldText(w, "SERVER"));
    e.port = AllTrim(FieldText(w, "PORT"));
    e.kopia = Yes(FieldText(w, "KOPIA_TN"));
    e.bez_tls = Yes(FieldText(w, "BEZ_TLS"));
    e.bez_cert = Yes(FieldText(w, "BEZ_CERT"));
  }
  (void)s.areas().Close(w.number());
  return e;
}

Status WriteEFirma(session::Session& s, const EFirma& e) {
  auto a = OpenEFirma(s);
  if (!a.ok()) return a.status();
  xbase::WorkArea& w = **a;
  session::ConsoleStoreUi ui(s.con());
  Status st = w.GoTop();
  if (st.ok()) st = w.eof() ? store::AddRecArea(ui, w, kEFirmaLockSeconds) : store::RecLockArea(ui, w, kEFirmaLockSeconds);
  auto put = [&](std::string_view field, const std::string& value) {
    if (st.ok() && w.FieldIndex(field) >= 0) st = w.Replace(field, xbase::Value(value));
  };
  put("E_MAIL", e.e_mail);
  put("LOGIN", e.login);
  put("HASLO", session::HideMailPassword(e.haslo));
  put("SERVER", e.server);
  put("KOPIA_TN", e.kopia ? "T" : "N");
  if (st.ok()) st = w.Commit();
  const Status unlocked = w.Unlock();
  if (st.ok()) st = unlocked;
  (void)s.areas().Close(w.number());
  return st.ok() ? st : Status::IoError("Nie zapisano danych poczty w e_firma");
}

session::MailAccount AccountOf(const EFirma& e) {
  session::MailAccount a;
  a.server = AllTrim(e.server);
  // A port written into the server field ("smtp.firma.pl:2525") is the one meant.
  const bool port_in_server = a.server.find(':', a.server.find("://") == std::string::npos ? 0 : a.server.find("://") + 3) !=
                              std::string::npos;
  a.port = !IsBlank(e.port) ? AllTrim(e.port) : port_in_server ? "" : "587";
  a.login = AllTrim(e.login);
  a.sender = AllTrim(e.e_mail);
  a.password = e.haslo;
  a.plain_login_allowed = e.bez_tls;
  a.check_certificate = !e.bez_cert;
  return a;
}

Result<std::string> SendOrderMail(xbase::Env& env, const std::string& report, const std::string& pdf_path,
                                  const std::string& number, const EFirma& sender, const OrderMail& mail,
                                  const session::MailTransport& transport) {
  const session::MailAccount account = AccountOf(sender);
  if (IsBlank(mail.to) || account.server.empty() || account.login.empty() || account.sender.empty() ||
      account.password.empty())
    return std::string("nie wyslane");
  session::PdfOptions options;
  options.title = "Zamowienie " + number;
  auto pdf = session::ReportFileToPdf(env, report, options);
  if (!pdf.ok()) return Status::IoError("Nie ma pliku PDF - zamowienie nie wyslane");
  HURT_RETURN_IF_ERROR(session::WriteFileReplacing(env, pdf_path, pdf->bytes));
  session::MailMessage m;
  m.to = AllTrim(mail.to);
  if (mail.copy) m.copy_to = account.sender;
  m.subject = mail.subject;
  m.body = AllTrim(mail.line1) + "\n" + AllTrim(mail.line2) + "\n";
  m.attachments.push_back({number + ".pdf", "application/pdf", std::move(pdf->bytes)});
  HURT_RETURN_IF_ERROR(session::SendMail(account, m, env.clock(), transport));
  return "wyslane na " + m.to;
}

void SendZam(session::Session& s, const std::string& report, const std::string& number, std::string_view book_alias,
             const std::string& odb, const session::MailTransport& transport) {
  console::Console& con = s.con();
  auto settings = ReadEFirma(s);
  if (!settings.ok()) {
    console::Okno_(con, settings.status().message(), 3);
    return;
  }
  EFirma e = *settings;
  xbase::WorkArea* book = s.areas().Find(book_alias);
  std::string to(40, ' ');
  if (book != nullptr) {
    const int order = book->order();
    (void)book->SetOrder(1);
    auto found = book->SeekKey(PadR(odb, 8));
    if (found.ok() && *found) to = PadR(FieldText(*book, "E_MAIL"), 40);
    (void)book->SetOrder(order);
  }
  const std::string operator_name = AllTrim(s.op().nazwisko);
  const std::string subject = "zamowienie " + number + ", " + operator_name;
  std::string adres = PadR(e.e_mail, 30), login = PadR(e.login, 30), haslo = PadR(e.haslo, 20),
              server = PadR(e.server, 30);
  std::string line1 = PadR("Pozdrawiam", 60), line2 = PadR(operator_name, 60);
  std::string kopia = e.kopia ? "T" : "N";

  const console::SavedScreen saved = con.SaveScreen();
  con.Box(5, 2, 19, 77, console::DoubleFrame(), con.colours().standard, ' ');
  console::Form form(con);
  form.Say(6, 4, "TEMAT: " + Left(subject, 64));
  form.Say(8, 4, "NASZE dane:");
  form.Say(9, 6, "adres :");
  form.GetText(9, 15, adres);
  form.Say(10, 6, "login :");
  form.GetText(10, 15, login);
  form.Say(11, 6, "haslo :");
  form.GetText(11, 15, haslo).Masked();
  form.Say(12, 6, "serwer:");
  form.GetText(12, 15, server);
  form.Say(13, 4, "KLIENTA dane:");
  form.GetText(14, 6, to);
  form.Say(15, 4, "Tekst:");
  form.GetText(16, 6, line1);
  form.GetText(17, 6, line2);
  form.Say(18, 4, "Czy zrobic kopie ? [T/N]");
  form.GetText(18, 30, kopia, "!").Valid([&] { return kopia == "T" || kopia == "N"; });
  const bool typed = !form.Read().escaped;
  con.RestoreScreen(saved);
  if (!typed) return;

  e.e_mail = AllTrim(adres);
  e.login = AllTrim(login);
  e.haslo = AllTrim(haslo);
  e.server = AllTrim(server);
  e.kopia = kopia == "T";
  if (Status w = WriteEFirma(s, e); !w.ok()) console::Okno_(con, w.message(), 2);
  // The address typed is kept on the counterparty's card for the next order.
  if (book != nullptr && book->FieldIndex("E_MAIL") >= 0) {
    const int order = book->order();
    (void)book->SetOrder(1);
    auto found = book->SeekKey(PadR(odb, 8));
    if (found.ok() && *found && AllTrim(FieldText(*book, "E_MAIL")) != AllTrim(to)) {
      session::ConsoleStoreUi ui(con);
      if (store::RecLockArea(ui, *book, kEFirmaLockSeconds).ok()) {
        Status st = book->Replace("E_MAIL", xbase::Value(AllTrim(to)));
        if (st.ok()) st = book->Commit();
        (void)book->Unlock();
      }
    }
    (void)book->SetOrder(order);
  }

  console::OknoNoWait(con, "Prosze czekac...");
  OrderMail mail{AllTrim(to), subject, line1, line2, e.kopia};
  const std::string pdf = s.Path("rob/zam" + s.StationText() + ".pdf");
  auto sent = SendOrderMail(s.env(), s.Path(report), pdf, number, e, mail, transport);
  console::Okno_(con, sent.ok() ? *sent : sent.status().message(), 0);
}

}  // namespace hurt::orders
