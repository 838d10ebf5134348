// SEND_ZAM: an order mailed to the counterparty as a PDF of its printout.
//
// The sender's mailbox is the one record of e_firma.dbf (E_MAIL sender, LOGIN, HASLO kept
// hidden as the mailer settings keep theirs (session/output/mail_password.h), SERVER, PORT
// ("" = 587), KOPIA_TN "T" = a blind copy to the sender, BEZ_TLS / BEZ_CERT as in the
// mailer settings); the table is made when missing. The recipient is E_MAIL of the
// counterparty's record.
//
// The mail goes through the program's own SMTP client (session/output/mail.h): no command
// line, no password on one, TLS as the mail settings require. It is sent only when the
// recipient, server, login, sender and password are all filled.
#pragma once

#include <string>

#include "base/result.h"
#include "session/output/mail.h"
#include "session/session_fwd.h"

namespace hurt::orders {

struct EFirma {
  std::string e_mail, login, haslo, server, port;
  bool kopia = false, bez_tls = false, bez_cert = false;
};

// The record of e_firma.dbf (the table made when missing); blank when it has none.
Result<EFirma> ReadEFirma(session::Session& s);
// Writes the record back (appended when the table has none), the password hidden.
Status WriteEFirma(session::Session& s, const EFirma& e);

// The mailbox of the settings.
session::MailAccount AccountOf(const EFirma& e);

// What the operator typed on the mail screen.
struct OrderMail {
  std::string to;
  std::string subject;        // "zamowienie NR_mmnnn, <operator>"
  std::string line1, line2;   // the text of the message
  bool copy = false;
};

// Converts the printout `report` to a PDF (written to `pdf_path`), attaches it as
// "<number>.pdf" and sends it. Returns "wyslane na <address>", or "nie wyslane" when a
// setting is missing; a failed conversion or send is an error with its Polish text.
Result<std::string> SendOrderMail(xbase::Env& env, const std::string& report, const std::string& pdf_path,
                                  const std::string& number, const EFirma& sender, const OrderMail& mail,
                                  const session::MailTransport& transport = {});

// The screen of SEND_ZAM for order `number` whose printout is `report`, to counterparty
// `odb` of the book in work area `book_alias` ("zd", "zo", "zf"). Esc sends nothing.
void SendZam(session::Session& s, const std::string& report, const std::string& number, std::string_view book_alias,
             const std::string& odb, const session::MailTransport& transport = {});

}  // namespace hurt::orders
