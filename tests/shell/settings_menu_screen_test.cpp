// The settings screens reached through the menus by the supervisor.
#include <gtest/gtest.h>

#include "console/keys.h"
#include "shell/menu_fixture.h"

namespace hurt::shell {
namespace {

namespace key = console::key;

class SettingsMenu : public MenuTest {};

TEST_F(SettingsMenu, TheSupervisorOpensTheMailSettingsFromFunkcjeSpecjalne) {
  Start("2");  // FUNKCJE SPECJALNE on its item 1, Edycja bazy BLAT
  session->op().nr = "0";
  ASSERT_TRUE(env.CreateDirs(kDataDir).ok());
  d.Key(key::kEnter).Key(key::kEnter);
  Check([&] { EXPECT_TRUE(d.Contains("USTAWIENIA POCZTY I KOPII")); }).Key(key::kEsc);
  Check([&] { EXPECT_EQ(OpenSubMenu(), "SPECJALNE"); });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_TRUE(env.Exists(std::string(kDataDir) + "/blat.dbf"));
}

// An operator with the rights to documents goes straight to the user settings; what the
// pages hold is saved when the last one is left.
TEST_F(SettingsMenu, AnOperatorWithRightsOpensTheUserSettingsFromDowody) {
  ASSERT_TRUE(env.CreateDirs(kDataDir).ok());
  d.Key(key::kEnter);  // DOWODY
  d.Keys({key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kEnter});  // Parametryzacja systemu
  Check([&] { EXPECT_TRUE(d.Contains("Strona 1/3")); }).Key(key::kEsc);
  Check([&] { EXPECT_TRUE(d.Contains("Strona 2/3")); }).Key(key::kEsc);
  Check([&] { EXPECT_TRUE(d.Contains("Strona 3/3")); }).Key(key::kEsc);
  Check([&] { EXPECT_EQ(OpenSubMenu(), "DOWODY"); });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_TRUE(env.Exists(std::string(kDataDir) + "/parametr.mem"));
}

}  // namespace
}  // namespace hurt::shell
