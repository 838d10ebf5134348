#include "session/output/mail.h"

#include <gtest/gtest.h>

#include "base/cp852.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;

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

TEST(MailTest, HeaderInjectionIsRefused) {
  FakeClock clock(2025, 7, 1);
  MailMessage message;
  message.to = "klient@example.com";
  message.subject = "Dowod\r\nBcc: obcy@example.com";
  EXPECT_FALSE(MailHeaderLines(message, "ja@firma.pl", clock).ok());
  message.subject = "Dowod";
  EXPECT_FALSE(MailHeaderLines(message, "ja@firma.pl>\r\nX: y", clock).ok());
  EXPECT_TRUE(MailHeaderLines(message, "ja@firma.pl", clock).ok());
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
