// The start argument "install": the installer's settings page comes before anything else,
// and what it saves is what the station then starts with.
#include <gtest/gtest.h>

#include "console/keys.h"
#include "session/settings.h"
#include "shell/startup.h"
#include "shell/startup_fixture.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"

namespace hurt::shell {
namespace {

namespace key = console::key;

class InstallArgument : public testing::DataDirTest {};

TEST_F(InstallArgument, TheInstallerPageComesFirstAndTheStationStartsWithWhatItSaved) {
  testing::MakeCompany(dir.str());
  TestStation t(dir.str(), "install");
  const std::string page = "Parametry administratora";
  t.recorder.When(page, key::kCtrlY).When(page, 'N').When(page, key::kEnter);  // J_KSEF
  t.recorder.When(page, key::kEnter);                                           // J_KANTY
  t.recorder.When(page, key::kCtrlY).When(page, 'T').When(page, key::kEnter);  // J_SKLEP
  t.recorder.When(page, key::kPgDn);
  t.recorder.When("Nazwisko imie", key::kEnter).When("F1-Pomoc", key::kEsc);
  int code = -1;
  StartupState state;
  ASSERT_TRUE(t.Run([&] { code = Main(t.session, state); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_EQ(code, kExitNormal);
  EXPECT_EQ(t.session.settings().Text("J_KSEF"), "N");
  EXPECT_EQ(t.session.settings().Text("J_SKLEP"), "T");
  session::Settings stored(t.env);
  ASSERT_TRUE(stored.Restore(dir / "parametr.mem").ok());
  EXPECT_EQ(stored.Text("J_KSEF"), "N");
  EXPECT_EQ(stored.Text("J_SKLEP"), "T");
  EXPECT_TRUE(dir.Exists("parametr.txt"));
}

}  // namespace
}  // namespace hurt::shell
