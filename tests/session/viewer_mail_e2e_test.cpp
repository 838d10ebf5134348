// Alt+E in the viewer: the report mailed as a PDF to a small SMTP server on loopback.
#include "support/tiny_smtp_server.h"
#include "viewer_fixture.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::session {
namespace {

namespace key = console::key;
using hurt::testing::PartContent;
using hurt::testing::TinySmtpServer;

class ViewerMailTest : public ViewerTest {
 public:
  // The mailer settings table and the customer standing in area 3. `bez_tls` is the
  // BEZ_TLS setting ("" for a table from before it); the test server has no TLS.
  void Configure(int port, const std::string& bez_tls = "T", const std::string& haslo = "") {
    const std::string blat = dir / "blat.dbf";
    std::vector<xbase::DbfFieldDescriptor> fields = {
        {"E_MAIL_Z", 'C', 30, 0}, {"HASLO", 'C', 30, 0}, {"SMTP", 'C', 30, 0}, {"PORT", 'C', 5, 0}};
    if (!bez_tls.empty()) fields.push_back({"BEZ_TLS", 'C', 1, 0});
    ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), blat, fields).ok());
    {
      xbase::WorkAreas scratch(xbase::RealEnv());
      auto b = scratch.Open(1, blat);
      ASSERT_TRUE(b.ok());
      ASSERT_TRUE((*b)->Append().ok());
      ASSERT_TRUE((*b)->Replace("E_MAIL_Z", xbase::Value("biuro@hurt.pl")).ok());
      ASSERT_TRUE((*b)->Replace("SMTP", xbase::Value("127.0.0.1")).ok());
      ASSERT_TRUE((*b)->Replace("PORT", xbase::Value(std::to_string(port))).ok());
      ASSERT_TRUE((*b)->Replace("HASLO", xbase::Value(haslo)).ok());
      if (!bez_tls.empty()) {
        ASSERT_TRUE((*b)->Replace("BEZ_TLS", xbase::Value(bez_tls)).ok());
      }
      ASSERT_TRUE((*b)->Unlock().ok());
    }
    const std::string zo = dir / "zo.dbf";
    ASSERT_TRUE(
        xbase::Table::Create(xbase::RealEnv(), zo, {{"ODB", 'C', 8, 0}, {"E_MAIL", 'C', 40, 0}}).ok());
    auto z = session->areas().Open(3, zo, "zo");
    ASSERT_TRUE(z.ok());
    ASSERT_TRUE((*z)->Append().ok());
    ASSERT_TRUE((*z)->Replace("E_MAIL", xbase::Value("klient@example.com")).ok());
    ASSERT_TRUE((*z)->Unlock().ok());
    dir.Write("E_POCZTA.TXT", "");
    setup.mail = {10, 60};
  }
};

TEST_F(ViewerMailTest, ReportGoesToTheCustomerAsAPdfAttachment) {
  TinySmtpServer server({});
  Configure(server.port());
  d.Key(key::kAltE);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "e_mail: klient@example.com")); }).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "tekst: Pozdrawiam")); }).Key(key::kEnter);
  ExpectMessage("wyslane na klient@example.com");
  d.Key(key::kEsc);
  View(Lines(40));
  server.Stop();

  const auto sessions = server.sessions();
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(sessions[0].rcpt, (std::vector<std::string>{"<klient@example.com>"}));
  EXPECT_NE(sessions[0].data.find("Subject: Dowod ..."), std::string::npos);
  EXPECT_NE(PartContent(sessions[0].data, "text/plain").find("Pozdrawiam"), std::string::npos);
  const std::string pdf = PartContent(sessions[0].data, "application/pdf");
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
  EXPECT_TRUE(dir.Exists("rob/wydruk03.pdf"));
}

TEST_F(ViewerMailTest, PasswordIsNotSentToAServerWithoutEncryption) {
  for (const std::string bez_tls : {"", "N"}) {  // a table without the setting, and "N"
    TinySmtpServer server({"biuro@hurt.pl", "Tajne!123", {}});
    Configure(server.port(), bez_tls, "Tajne!123");
    d.Key(key::kAltE).Key(key::kEnter).Key(key::kEnter);
    ExpectMessage("Serwer bez szyfrowania (STARTTLS) - haslo nie wyslane");
    d.Key(key::kEsc);
    View(Lines(3));
    server.Stop();
    const auto sessions = server.sessions();
    ASSERT_EQ(sessions.size(), 1u) << bez_tls;
    for (const std::string& verb : sessions[0].verbs) EXPECT_TRUE(verb == "EHLO" || verb == "QUIT") << verb;
    EXPECT_EQ(sessions[0].auth, "");
    EXPECT_EQ(sessions[0].data, "");
    (void)session->areas().Close(3);
  }
}

TEST_F(ViewerMailTest, PlainLoginWhereTheSettingsAllowIt) {
  TinySmtpServer server({"biuro@hurt.pl", "Tajne!123", {}});
  Configure(server.port(), "T", "Tajne!123");
  d.Key(key::kAltE).Key(key::kEnter).Key(key::kEnter);
  ExpectMessage("wyslane na klient@example.com");
  d.Key(key::kEsc);
  View(Lines(3));
  server.Stop();
  ASSERT_EQ(server.sessions().size(), 1u);
  EXPECT_EQ(server.sessions()[0].auth, std::string(1, '\0') + "biuro@hurt.pl" + std::string(1, '\0') + "Tajne!123");
}

TEST_F(ViewerMailTest, NothingIsSentWithoutAnAddressOrAServer) {
  TinySmtpServer server({});
  Configure(server.port());
  // An address without "@": nothing goes out.
  d.Key(key::kAltE).Key(key::kCtrlY).Type("nikt").Key(key::kEnter).Key(key::kEnter);
  d.Then([&] { EXPECT_FALSE(d.Contains("wyslane na")); }).Key(key::kSpace);
  // Esc at the text: nothing either.
  d.Key(key::kAltE).Key(key::kEnter).Key(key::kEsc);
  d.Key(key::kEsc);
  View(Lines(3));
  server.Stop();
  EXPECT_TRUE(server.sessions().empty());

  // No mail settings at all.
  std::remove((dir / "blat.dbf").c_str());
  d.Key(key::kAltE);
  ExpectMessage("Brak serwera poczty (SMTP)");
  d.Key(key::kEsc);
  View(Lines(3));
}

}  // namespace
}  // namespace hurt::session
