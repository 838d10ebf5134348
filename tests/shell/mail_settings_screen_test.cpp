// ZROB_BLAT_DBF: the mailer settings as operator "0" edits them, the password hidden on
// the screen and in the table, and the mail sender reading the real password back.
#include "shell/mail_settings_screen.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/text.h"
#include "console/keys.h"
#include "session/output/mail_password.h"
#include "session/session.h"
#include "session/viewer_internal.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"

namespace hurt::shell {
namespace {

namespace key = console::key;

constexpr const char* kTable = "/d/blat.dbf";
constexpr int kPasswordRow = 9;
constexpr int kFieldCol = 38;

class MailSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env.CreateDirs("/d").ok());
    session::SessionOptions options;
    options.data_dir = "/d";
    session = std::make_unique<Session>(env, d.con, options);
    session->op().nr = "0";
  }

  // A table as an older installation left it: fewer fields, the password in clear.
  void OldTable(const std::string& password) {
    ASSERT_TRUE(xbase::Table::Create(env, kTable,
                                     {{"KOPIE_DO", 'C', 30, 0}, {"E_MAIL_Z", 'C', 30, 0}, {"HASLO", 'C', 20, 0},
                                      {"SMTP", 'C', 30, 0}, {"WLASNE", 'C', 5, 0}})
                    .ok());
    xbase::WorkAreas areas(env);
    auto a = areas.Open(1, kTable, "blat");
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE((*a)->Append().ok());
    ASSERT_TRUE((*a)->Replace("E_MAIL_Z", xbase::Value(std::string("jan@firma.pl"))).ok());
    ASSERT_TRUE((*a)->Replace("HASLO", xbase::Value(password)).ok());
    ASSERT_TRUE((*a)->Replace("SMTP", xbase::Value(std::string("smtp.firma.pl"))).ok());
    ASSERT_TRUE((*a)->Replace("WLASNE", xbase::Value(std::string("abc"))).ok());
    ASSERT_TRUE((*a)->Unlock().ok());
  }

  bool Run(bool* saved = nullptr) {
    bool result = false;
    const bool ran = d.Run([&](console::Console&) { result = ZrobBlatDbf(*session); });
    if (saved) *saved = result;
    return ran;
  }

  // A field of the table's record as stored (trailing blanks dropped).
  std::string Stored(const char* field) {
    xbase::WorkAreas areas(env);
    auto a = areas.Open(1, kTable, "blat");
    EXPECT_TRUE(a.ok());
    if (!a.ok() || !(*a)->GoTop().ok() || (*a)->eof()) return "<none>";
    const int i = (*a)->FieldIndex(field);
    return i < 0 ? "<no field>" : RTrim((*a)->FieldBytes(i));
  }
  int Width(const char* field) {
    auto t = xbase::Table::Open(env, kTable, xbase::TableMode::SharedReadOnly());
    EXPECT_TRUE(t.ok());
    for (const auto& f : (*t)->fields())
      if (f.name == field) return f.width;
    return -1;
  }

  hurt::testing::ScreenDriver d;
  xbase::MemoryEnv env{d.clock};
  std::unique_ptr<Session> session;
};

// A new table: the password typed is shown as stars, kept hidden in the file, and the mail
// sender logs in with the real one.
TEST_F(MailSettings, APasswordTypedIsMaskedStoredHiddenAndReadBackByTheSender) {
  d.Key(key::kEnter).Key(key::kEnter);                            // KOPIE_DO, E_MAIL_DO
  d.Key(key::kCtrlY).Type("jan@firma.pl").Key(key::kEnter);       // E_MAIL_Z
  d.Key(key::kEnter);                                             // pokazac haslo ? (blank)
  d.Key(key::kCtrlY).Type("Sekret.77").Key(key::kEnter);          // HASLO
  d.Then([&] {
    EXPECT_TRUE(d.ShowsAt(kPasswordRow, kFieldCol, "*********"));
    EXPECT_FALSE(d.Contains("Sekret"));
  });
  d.Key(key::kCtrlY).Type("smtp.firma.pl").Key(key::kEnter);      // SMTP
  d.Key(key::kCtrlY).Type("587").Key(key::kEnter);                // PORT
  d.Keys({key::kEnter, key::kEnter, key::kEnter});                // the FTP account
  bool saved = false;
  ASSERT_TRUE(Run(&saved));
  EXPECT_TRUE(saved);

  const std::string stored = Stored("HASLO");
  EXPECT_EQ(stored.find("Sekret"), std::string::npos);
  EXPECT_TRUE(session::IsHiddenMailPassword(stored));
  const session::MailAccount account = session::viewer::ReadMailAccount(*session);
  EXPECT_EQ(account.password, "Sekret.77");
  EXPECT_EQ(account.login, "jan@firma.pl");
  EXPECT_EQ(account.server, "smtp.firma.pl");
  EXPECT_EQ(account.port, "587");
}

// The password stays stars until "pokazac haslo ?" is answered T (the question takes
// only blank, T or N); Esc then leaves the record as it was.
TEST_F(MailSettings, ThePasswordIsShownOnlyWhenAsked) {
  OldTable("Widoczne1");
  d.Then([&] {
    EXPECT_FALSE(d.Contains("Widoczne1"));
    EXPECT_TRUE(d.ShowsAt(kPasswordRow, kFieldCol, "*********"));
  });
  d.Keys({key::kEnter, key::kEnter, key::kEnter});
  d.Key(key::kCtrlY).Type("X").Key(key::kEnter);
  d.Then([&] {
    EXPECT_EQ(d.con.cursor().row, kPasswordRow - 1);  // refused: still on the question
    EXPECT_TRUE(d.Contains("Wpisz T, N albo zostaw puste"));
    EXPECT_FALSE(d.Contains("Widoczne1"));
  });
  d.Key(key::kCtrlY).Type("T").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(kPasswordRow, kFieldCol, "Widoczne1")); });
  d.Key(key::kEsc);
  bool saved = true;
  ASSERT_TRUE(Run(&saved));
  EXPECT_FALSE(saved);
  EXPECT_EQ(Stored("HASLO"), "Widoczne1");
}

TEST_F(MailSettings, AnOldTableIsUpgradedKeepingItsRecordAndItsClearPasswordStillWorks) {
  OldTable("stare1");
  d.Key(key::kEsc);  // look, change nothing
  ASSERT_TRUE(Run());
  EXPECT_EQ(Width("HASLO"), 30);
  EXPECT_EQ(Width("BEZ_TLS"), 1);
  EXPECT_EQ(Width("WLASNE"), 5);  // a field of its own is kept
  EXPECT_EQ(Stored("WLASNE"), "abc");
  EXPECT_EQ(Stored("HASLO"), "stare1");  // nothing saved: still as it was
  EXPECT_EQ(session::viewer::ReadMailAccount(*session).password, "stare1");

  // Asked to show, the old password appears; saving hides it.
  d.Keys({key::kEnter, key::kEnter, key::kEnter});
  d.Type("T").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(kPasswordRow, kFieldCol, "stare1")); });
  for (int i = 0; i < 6; ++i) d.Key(key::kEnter);
  ASSERT_TRUE(Run());
  EXPECT_TRUE(session::IsHiddenMailPassword(Stored("HASLO")));
  EXPECT_EQ(session::viewer::ReadMailAccount(*session).password, "stare1");
  EXPECT_EQ(Stored("E_MAIL_Z"), "jan@firma.pl");
}

}  // namespace
}  // namespace hurt::shell
