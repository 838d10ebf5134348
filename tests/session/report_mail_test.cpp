#include "session/output/mail.h"

#include <gtest/gtest.h>

#include "base/cp852.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;

std::string DecodeBase64(std::string_view text) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    const size_t v = kAlphabet.find(c);
    if (v == std::string::npos) continue;  // line ends, padding
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

// The base64 content of the MIME part whose headers contain `marker`.
std::string PartContent(const std::string& message, const std::string& marker) {
  const size_t at = message.find(marker);
  if (at == std::string::npos) return {};
  const size_t body = message.find("\r\n\r\n", at);
  const size_t end = message.find("\r\n--", body);
  return DecodeBase64(message.substr(body + 4, end - body - 4));
}

TEST(MailTest, AddressesOfARecipientField) {
  auto one = ParseAddresses(" jan@firma.pl ");
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(*one, std::vector<std::string>{"jan@firma.pl"});
  auto many = ParseAddresses("a@b.pl; c@d.pl,e@f.pl");
  ASSERT_TRUE(many.ok());
  EXPECT_EQ(many->size(), 3u);

  for (const char* bad : {"", "  ", "jan", "jan@", "@firma.pl", "a@b@c", "jan kowalski@firma.pl",
                          "<jan@firma.pl>", "jan@firma.pl\r\nBcc: x@y.pl"}) {
    auto parsed = ParseAddresses(bad);
    EXPECT_FALSE(parsed.ok()) << bad;
  }
  EXPECT_EQ(ParseAddresses("jan").status().message(), "Bledny adres e_mail: jan");
}

TEST(MailTest, MessageCarriesUtf8TextAndTheAttachment) {
  FakeClock clock(2025, 7, 1, 12, 30, 5);
  MailMessage message;
  message.to = "klient@example.com; biuro@example.com";
  message.copy_to = "ja@firma.pl";
  message.subject = std::string("Dowód FV 12/2025 zażółć gęślą jaźń, długi temat wiadomości"_pl);
  message.body = std::string("Pozdrawiam\nŁukasz"_pl);
  const std::string pdf("%PDF-1.4 binarne\x00\xff dane", 23);
  message.attachments.push_back({std::string("faktura_łódź.pdf"_pl), "application/pdf", pdf});

  auto built = BuildMailMessage(message, "ja@firma.pl", clock);
  ASSERT_TRUE(built.ok()) << built.status().ToString();
  const std::string& m = *built;
  EXPECT_NE(m.find("From: <ja@firma.pl>\r\n"), std::string::npos);
  EXPECT_NE(m.find("To: <klient@example.com>, <biuro@example.com>\r\n"), std::string::npos);
  EXPECT_EQ(m.find("ja@firma.pl>,"), std::string::npos);  // the copy is blind
  EXPECT_NE(m.find("Date: Tue, 01 Jul 2025 12:30:05 "), std::string::npos);
  EXPECT_NE(m.find("MIME-Version: 1.0\r\n"), std::string::npos);

  // The subject: encoded words, whole characters each, joined back to the text.
  const size_t subject = m.find("Subject: ");
  const std::string subject_lines = m.substr(subject, m.find("\r\nMessage-ID") - subject);
  std::string decoded;
  for (size_t at = 0; (at = subject_lines.find("=?UTF-8?B?", at)) != std::string::npos;) {
    const size_t end = subject_lines.find("?=", at + 10);
    decoded += DecodeBase64(subject_lines.substr(at + 10, end - at - 10));
    at = end;
  }
  EXPECT_EQ(decoded, "Dowód FV 12/2025 zażółć gęślą jaźń, długi temat wiadomości");
  for (size_t at = 0, next; (next = m.find("\r\n", at)) != std::string::npos; at = next + 2)
    EXPECT_LE(next - at, 78u) << m.substr(at, next - at);

  EXPECT_EQ(PartContent(m, "text/plain"), "Pozdrawiam\r\nŁukasz\r\n");
  EXPECT_NE(m.find("filename=\"faktura_lodz.pdf\""), std::string::npos);
  EXPECT_EQ(PartContent(m, "application/pdf"), pdf);
}

TEST(MailTest, HeaderInjectionIsRefused) {
  FakeClock clock(2025, 7, 1);
  MailMessage message;
  message.to = "klient@example.com";
  message.subject = "Dowod\r\nBcc: obcy@example.com";
  EXPECT_FALSE(BuildMailMessage(message, "ja@firma.pl", clock).ok());
  message.subject = "Dowod";
  EXPECT_FALSE(BuildMailMessage(message, "ja@firma.pl>\r\nX: y", clock).ok());
  EXPECT_TRUE(BuildMailMessage(message, "ja@firma.pl", clock).ok());
}

TEST(MailTest, ServerWithoutNameIsNotTried) {
  FakeClock clock(2025, 7, 1);
  MailMessage message;
  message.to = "klient@example.com";
  const Status s = SendMail(MailAccount{" ", "", "ja@firma.pl", "", "tajne", false, true}, message, clock);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.message().find("tajne"), std::string::npos);
}

TEST(MailTest, PdfBesideTheReport) {
  EXPECT_EQ(PdfPathFor("rob/raport01.txt"), "rob/raport01.pdf");
  EXPECT_EQ(PdfPathFor("rob.d/raport"), "rob.d/raport.pdf");
  EXPECT_EQ(PdfPathFor("/dane/rob/druk01.prn"), "/dane/rob/druk01.pdf");
}

}  // namespace
}  // namespace hurt::session
