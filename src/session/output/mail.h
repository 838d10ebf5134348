// E-mail of reports: the report as a PDF attachment, sent over SMTP with libcurl.
//
// The mail account comes from the mailer settings table `blat` (one record):
//   SMTP -> MailAccount::server, PORT -> port, E_MAIL_Z -> login and sender,
//   HASLO -> password (kept hidden in the table, see mail_password.h), BEZ_TLS "T" -> plain_login_allowed, BEZ_CERT "T" -> not
//   check_certificate; the copy address of a message is the sender's own address when
//   the operator asks for a copy.
// Security on the wire: port 465 (or a server written "smtps://...") speaks TLS from the
// start; any other port upgrades with STARTTLS. With a login the upgrade is required: a
// server that offers no STARTTLS gets no login and no password, and nothing is sent,
// unless the account allows a plain-text login on that server. Without a login the
// message goes in plain text when the server cannot upgrade. The server's certificate and
// name are checked unless the account says otherwise.
// Nothing goes through a shell, and the password appears in no message and no log.
//
// Texts (subject, body, file names) are code page 852 as everywhere in the program; the
// message carries them as UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/result.h"
#include "session/output/report_pdf.h"
#include "xbase/env.h"

namespace hurt::session {

struct MailAccount {
  std::string server;    // "smtp.firma.pl"; "smtps://" or "smtp://" in front is honoured
  std::string port;      // "" = 25; "465" = TLS from the start
  std::string login;     // the mailbox login ("" = no authentication)
  std::string sender;    // the sender's address ("" = the login)
  std::string password;  // never shown, never logged
  bool plain_login_allowed = false;  // the login may go in plain text when the server has no STARTTLS
  bool check_certificate = true;     // the server's certificate and host name are verified
};

struct MailAttachment {
  std::string name;          // file name shown to the recipient (code page 852)
  std::string content_type;  // "application/pdf"
  std::string bytes;
};

struct MailMessage {
  std::string to;       // one or more addresses separated by "," or ";"
  std::string copy_to;  // blind copy ("" = none)
  std::string subject;  // code page 852
  std::string body;     // code page 852; lines end with LF or CR LF
  std::vector<MailAttachment> attachments;
};

// How long to wait for the mail server.
struct MailTransport {
  long connect_timeout_seconds = 30;
  long timeout_seconds = 300;
};

// The addresses of a recipient field; Invalid ("Bledny adres e_mail: ...") when one is
// not a plain address or the field holds none.
Result<std::vector<std::string>> ParseAddresses(std::string_view field);

// The message's own header lines (Date, From, To, Subject in RFC 2047 words when it is not
// plain ASCII, Message-ID); the date and the identifier come from the clock. Invalid for a
// bad address or a subject of several lines. The MIME structure (the text and every
// attachment in base64) is put together by libcurl when the message is sent.
Result<std::vector<std::string>> MailHeaderLines(const MailMessage& message, std::string_view sender, Clock& clock);

// Sends the message. On failure the status carries a Polish text for the operator that
// says what went wrong: refused connection, unknown server, no encryption for the login,
// rejected login or password, rejected address, broken TLS, no answer.
Status SendMail(const MailAccount& account, const MailMessage& message, Clock& clock,
                const MailTransport& transport = {});

// What Alt+E did.
struct ReportMailResult {
  bool sent = false;
  std::string text;  // "wyslane na <address>", or why nothing was done
};

// Alt+E after the operator's answers: with an address containing "@" and the marker file
// "E_POCZTA.TXT" in the data directory, the report is drawn as a PDF (written beside it as
// <report without extension>.pdf), attached under that name and sent with the text typed
// as the body; otherwise nothing is sent (sent = false with the reason). Failures of the
// conversion or of sending are errors.
Result<ReportMailResult> EmailReport(xbase::Env& env, std::string_view data_dir, const std::string& report,
                                     const MailAccount& account, MailMessage message, const PdfOptions& pdf = {},
                                     const MailTransport& transport = {});

// The PDF written for a report: the report's path with its extension replaced by ".pdf".
std::string PdfPathFor(std::string_view report);

}  // namespace hurt::session
