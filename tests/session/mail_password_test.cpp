// The mailbox password in table `blat`: hidden in the file, readable by the program, and
// old clear values still read.
#include "session/output/mail_password.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace hurt::session {
namespace {

TEST(MailPassword, AHiddenPasswordDoesNotStandInTheFieldAndComesBack) {
  const std::string password = "Tajne.Haslo#2024";
  const std::string stored = HideMailPassword(password);
  EXPECT_TRUE(IsHiddenMailPassword(stored));
  EXPECT_EQ(stored.find(password), std::string::npos);
  EXPECT_EQ(stored.find("Tajne"), std::string::npos);
  EXPECT_EQ(stored.size(), password.size() + kHiddenPasswordMark.size());
  EXPECT_EQ(RevealMailPassword(stored), password);
  // As the table gives it back: padded with blanks to the field's width.
  EXPECT_EQ(RevealMailPassword(stored + std::string(30 - stored.size(), ' ')), password);
}

TEST(MailPassword, ClearValuesOfOlderTablesAreReadAsTheyAre) {
  EXPECT_EQ(RevealMailPassword("haslo123                      "), "haslo123");
  EXPECT_EQ(RevealMailPassword(""), "");
  EXPECT_EQ(HideMailPassword("   "), "");
  EXPECT_FALSE(IsHiddenMailPassword("haslo123"));
}

// Any password of printable and Polish (code page 852) characters, with blanks inside,
// comes back whole; the hidden form never ends in a blank (the field's padding cannot
// eat a character) and holds no control character.
TEST(MailPassword, EveryPasswordComesBackWhole) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 2000; ++round) {
    std::string password;
    const int length = 1 + static_cast<int>(random() % 28);
    for (int i = 0; i < length; ++i) {
      const int kind = static_cast<int>(random() % 10);
      char c = kind == 0 ? ' ' : kind == 1 ? static_cast<char>(0x80 + random() % 128) : static_cast<char>(0x21 + random() % 94);
      password += c;
    }
    while (!password.empty() && password.back() == ' ') password.back() = 'x';
    const std::string stored = HideMailPassword(password);
    ASSERT_EQ(RevealMailPassword(stored), password) << round;
    ASSERT_NE(stored.back(), ' ');
    for (char c : stored) ASSERT_GE(static_cast<unsigned char>(c), 0x20);
  }
}

}  // namespace
}  // namespace hurt::session
