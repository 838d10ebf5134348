// E-mail of reports against a small SMTP server on the loopback interface.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <set>
#include <thread>

#include "base/clock.h"
#include "base/cp852.h"
#include "session/output/mail.h"
#include "support/temp_dir.h"
#include "support/tiny_smtp_server.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;

using testing::DecodeBase64;
using testing::PartContent;
using testing::TinySmtpServer;

class ReportMailTest : public testing::DataDirTest {
 protected:
  void SetUp() override {
    dir.Write("rob/raport01.txt", "\x1b!\x05" "ZESTAWIENIE SPRZEDAZY\r\n" + std::string("Ząb Łukasz 12,50 zł\r\n"_pl));
    dir.Write("E_POCZTA.TXT", "");
  }
  MailAccount Account(int port) const {
    MailAccount account;
    account.server = "127.0.0.1";
    account.port = std::to_string(port);
    account.sender = "biuro@hurt.pl";
    return account;
  }
  MailMessage Message() const {
    MailMessage m;
    m.to = "klient@example.com";
    m.subject = "Dowod FV 12";
    m.body = "Pozdrawiam";
    return m;
  }
  MailTransport transport_{10, 60};
};

TEST_F(ReportMailTest, ReportArrivesAsAPdfAttachment) {
  TinySmtpServer server({});
  auto sent = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", Account(server.port()), Message(),
                          PdfOptions{}, transport_);
  ASSERT_TRUE(sent.ok()) << sent.status().ToString();
  EXPECT_TRUE(sent->sent);
  EXPECT_EQ(sent->text, "wyslane na klient@example.com");
  server.Stop();

  const auto sessions = server.sessions();
  ASSERT_EQ(sessions.size(), 1u);
  const auto& s = sessions[0];
  EXPECT_EQ(s.mail_from, "<biuro@hurt.pl>");
  EXPECT_EQ(s.rcpt, std::vector<std::string>{"<klient@example.com>"});
  EXPECT_NE(s.data.find("\r\nSubject: Dowod FV 12\r\n"), std::string::npos) << s.data;
  EXPECT_NE(s.data.find("To: <klient@example.com>"), std::string::npos);
  EXPECT_EQ(PartContent(s.data, "text/plain"), "Pozdrawiam\r\n");
  EXPECT_NE(s.data.find("filename=\"raport01.pdf\""), std::string::npos);
  const std::string pdf = PartContent(s.data, "application/pdf");
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF", pdf.size() - 8), std::string::npos);
  EXPECT_EQ(pdf, dir.Read("rob/raport01.pdf"));  // the PDF is also left beside the report
}

// The message as the server gets it: the headers, the subject in encoded words of whole
// characters, the text and the attachment as MIME parts in base64, no line over 78.
TEST_F(ReportMailTest, MessageCarriesUtf8TextAndTheAttachment) {
  TinySmtpServer server({});
  FakeClock clock(2025, 7, 1, 12, 30, 5);
  MailMessage message;
  message.to = "klient@example.com; biuro@example.com";
  message.copy_to = "ja@firma.pl";
  message.subject = std::string("Dowód FV 12/2025 zażółć gęślą jaźń, długi temat wiadomości"_pl);
  message.body = std::string("Pozdrawiam\nŁukasz"_pl);
  const std::string pdf("%PDF-1.4 binarne\x00\xff dane", 23);
  message.attachments.push_back({std::string("faktura_łódź.pdf"_pl), "application/pdf", pdf});
  MailAccount account = Account(server.port());
  account.sender = "ja@firma.pl";
  const Status sent = SendMail(account, message, clock, transport_);
  ASSERT_TRUE(sent.ok()) << sent.ToString();
  server.Stop();
  ASSERT_EQ(server.sessions().size(), 1u);
  const std::string m = server.sessions()[0].data;
  EXPECT_EQ(server.sessions()[0].rcpt,
            (std::vector<std::string>{"<klient@example.com>", "<biuro@example.com>", "<ja@firma.pl>"}));
  EXPECT_NE(m.find("From: <ja@firma.pl>\r\n"), std::string::npos) << m;
  EXPECT_NE(m.find("To: <klient@example.com>, <biuro@example.com>\r\n"), std::string::npos);
  EXPECT_EQ(m.find("ja@firma.pl>,"), std::string::npos);  // the copy is blind
  EXPECT_NE(m.find("Date: Tue, 01 Jul 2025 12:30:05 "), std::string::npos);
  EXPECT_NE(m.find("Mime-Version: 1.0\r\n"), std::string::npos);  // header names are case-blind

  const size_t subject = m.find("Subject: ");
  const std::string subject_lines = m.substr(subject, m.find("\r\nMessage-ID") - subject);
  std::string decoded;
  for (size_t at = 0; (at = subject_lines.find("=?UTF-8?B?", at)) != std::string::npos;) {
    const size_t end = subject_lines.find("?=", at + 10);
    decoded += DecodeBase64(subject_lines.substr(at + 10, end - at - 10));
    at = end;
  }
  EXPECT_EQ(decoded, "Dowód FV 12/2025 zażółć gęślą jaźń, długi temat wiadomości");
  // Lines stay under 78 characters (the library's own multipart header line under 998).
  for (size_t at = 0, next; (next = m.find("\r\n", at)) != std::string::npos; at = next + 2) {
    const bool library_line = m.compare(at, 30, "Content-Type: multipart/mixed;") == 0;
    EXPECT_LE(next - at, library_line ? 998u : 78u) << m.substr(at, next - at);
  }

  EXPECT_EQ(PartContent(m, "text/plain"), "Pozdrawiam\r\nŁukasz\r\n");
  EXPECT_NE(m.find("filename=\"faktura_lodz.pdf\""), std::string::npos) << m;
  EXPECT_EQ(PartContent(m, "application/pdf"), pdf);
}

TEST_F(ReportMailTest, LoginAndBlindCopy) {
  TinySmtpServer server({"biuro@hurt.pl", "Tajne!123", {}});
  MailAccount account = Account(server.port());
  account.login = "biuro@hurt.pl";
  account.sender = "";  // the login is the sender
  account.password = "Tajne!123";
  account.plain_login_allowed = true;  // the test server has no TLS
  MailMessage message = Message();
  message.copy_to = "biuro@hurt.pl";
  auto sent = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", account, message, PdfOptions{},
                          transport_);
  ASSERT_TRUE(sent.ok()) << sent.status().ToString();
  server.Stop();
  const auto sessions = server.sessions();
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(sessions[0].auth, std::string(1, '\0') + "biuro@hurt.pl" + std::string(1, '\0') + "Tajne!123");
  EXPECT_EQ(sessions[0].rcpt, (std::vector<std::string>{"<klient@example.com>", "<biuro@hurt.pl>"}));
  EXPECT_EQ(sessions[0].data.find("biuro@hurt.pl>,"), std::string::npos);
}

TEST_F(ReportMailTest, RejectedPasswordIsSaidWithoutShowingIt) {
  TinySmtpServer server({"biuro@hurt.pl", "Dobre", {}});
  MailAccount account = Account(server.port());
  account.login = "biuro@hurt.pl";
  account.password = "Zle-haslo-77";
  account.plain_login_allowed = true;
  auto sent = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", account, Message(), PdfOptions{},
                          transport_);
  ASSERT_FALSE(sent.ok());
  EXPECT_NE(sent.status().message().find("odrzucil login lub haslo"), std::string::npos) << sent.status().message();
  EXPECT_EQ(sent.status().message().find("Zle-haslo-77"), std::string::npos);
}

TEST_F(ReportMailTest, LoginIsNeverSentInPlainTextUnlessTheAccountAllowsIt) {
  // The server takes AUTH PLAIN but offers no STARTTLS.
  TinySmtpServer server({"biuro@hurt.pl", "Tajne!123", {}});
  MailAccount account = Account(server.port());
  account.login = "biuro@hurt.pl";
  account.password = "Tajne!123";
  auto sent = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", account, Message(), PdfOptions{},
                          transport_);
  ASSERT_FALSE(sent.ok());
  EXPECT_EQ(sent.status().message(), "Serwer bez szyfrowania (STARTTLS) - haslo nie wyslane");
  server.Stop();
  const auto sessions = server.sessions();
  ASSERT_EQ(sessions.size(), 1u);
  // The greeting and the good-bye, nothing between.
  for (const std::string& verb : sessions[0].verbs) EXPECT_TRUE(verb == "EHLO" || verb == "QUIT") << verb;
  EXPECT_EQ(sessions[0].auth, "");
  EXPECT_TRUE(sessions[0].rcpt.empty());
  EXPECT_EQ(sessions[0].data, "");

  // Allowed for this server: the login goes, and the message with it.
  account.plain_login_allowed = true;
  TinySmtpServer allowing({"biuro@hurt.pl", "Tajne!123", {}});
  account.port = std::to_string(allowing.port());
  auto plain = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", account, Message(), PdfOptions{},
                           transport_);
  ASSERT_TRUE(plain.ok()) << plain.status().ToString();
  allowing.Stop();
  ASSERT_EQ(allowing.sessions().size(), 1u);
  EXPECT_EQ(allowing.sessions()[0].auth, std::string(1, '\0') + "biuro@hurt.pl" + std::string(1, '\0') + "Tajne!123");
}

TEST_F(ReportMailTest, RejectedRecipient) {
  TinySmtpServer server({"", "", {"<nikt@example.com>"}});
  MailMessage message = Message();
  message.to = "nikt@example.com";
  auto sent = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", Account(server.port()), message,
                          PdfOptions{}, transport_);
  ASSERT_FALSE(sent.ok());
  EXPECT_NE(sent.status().message().find("odrzucil adres odbiorcy nikt@example.com"), std::string::npos)
      << sent.status().message();
}

TEST_F(ReportMailTest, RefusedConnection) {
  // A port that was just free: nothing listens there.
  int port = 0;
  {
    TinySmtpServer probe({});
    port = probe.port();
  }
  auto sent = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", Account(port), Message(),
                          PdfOptions{}, transport_);
  ASSERT_FALSE(sent.ok());
  EXPECT_EQ(sent.status().message(), "Nie wyslane - serwer poczty 127.0.0.1:" + std::to_string(port) +
                                         " odmowil polaczenia");
}

TEST_F(ReportMailTest, NothingIsSentWithoutTheMarkerOrAnAddress) {
  TinySmtpServer server({});
  MailMessage no_at = Message();
  no_at.to = "klient";
  auto not_an_address = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", Account(server.port()),
                                    no_at, PdfOptions{}, transport_);
  ASSERT_TRUE(not_an_address.ok());
  EXPECT_FALSE(not_an_address->sent);

  ASSERT_EQ(unlink((dir / "E_POCZTA.TXT").c_str()), 0);
  auto no_marker = EmailReport(xbase::RealEnv(), dir.str(), dir / "rob/raport01.txt", Account(server.port()),
                               Message(), PdfOptions{}, transport_);
  ASSERT_TRUE(no_marker.ok());
  EXPECT_FALSE(no_marker->sent);
  EXPECT_EQ(no_marker->text, "Nie wyslane - brak pliku E_POCZTA.TXT");
  server.Stop();
  EXPECT_TRUE(server.sessions().empty());
  EXPECT_FALSE(dir.Exists("rob/raport01.pdf"));
}

}  // namespace
}  // namespace hurt::session
