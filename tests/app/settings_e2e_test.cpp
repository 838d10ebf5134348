// The installation's settings through the real screens: the supervisor changes settings on
// the three pages of Dowody › Parametryzacja systemu, a station working at the same time
// sees them when it opens the screen, a restart finds them, an invalid value is refused
// where it is typed, and kill -9 in the middle of a page leaves parametr.mem as it was.
// Every scenario ends with `hurt-dbf verify` finding nothing.
#include <gtest/gtest.h>
#include <signal.h>

#include <ctime>
#include <memory>
#include <string>

#include "session/settings.h"
#include "shell/settings_fields.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kChoice = "Parametry uzytkownika";


std::string PageTitle(int n) { return "Strona " + std::to_string(n) + "/3"; }


class SettingsRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    const ProcessResult demo = RunProcess({BuiltProgram("hurt-demo"), data.str()});
    ASSERT_TRUE(demo.Succeeded()) << demo.out << demo.err;
  }

  // Dowody › Parametryzacja systemu › Parametry uzytkownika: page 1.
  static void OpenSettings(HurtStation& s) {
    Step(s, {"Home", "Down", "Down", "Down", "Down", "Down", "Enter"}, kChoice);
    Step(s, {"Enter"}, PageTitle(1));
  }
  static void Enters(HurtStation& s, int n) {
    for (int i = 0; i < n; ++i) s.Send("Enter");
  }
  // The field of `name` on the page shown gets `text`.
  static void Put(HurtStation& s, int page, std::string_view name, const std::string& text) {
    Enters(s, SettingsFieldPosition(page, name));
    s.Send("Ctrl+Y");
    s.Send("text:" + text);
    s.Send("Enter");
  }
  session::Settings Stored() {
    session::Settings settings(xbase::RealEnv());
    Status restored = settings.Restore(data / "parametr.mem");
    EXPECT_TRUE(restored.ok()) << restored.ToString();
    return settings;
  }

  // A station logged in as the supervisor, in the Dowody menu.
  std::unique_ptr<HurtStation> Start(const std::string& name, StationOptions options = {}) {
    return StartInDowody(data.str(), work.str(), name, std::move(options));
  }

  TempDir data;
  TempDir work;
};

TEST_F(SettingsRoad, ChangesOnEveryPageAreSavedSeenByAnotherStationAndKeptOverARestart) {
  auto a = Start("a");
  auto b = Start("b");  // works meanwhile, with the settings of its start

  OpenSettings(*a);
  Put(*a, 1, "J_VAT", "8");
  Step(*a, {"Esc"}, PageTitle(2));
  Put(*a, 2, "J_SPZ", "P");
  Step(*a, {"Esc"}, PageTitle(3));
  // A letter the field does not take: refused, the cursor stays until a good one comes.
  Step(*a, {"Ctrl+Y", "text:Q", "Enter"}, "Dozwolone tylko: T,N,K,R");
  Step(*a, {"Ctrl+Y", "text:K", "Enter", "Esc"}, kDowody);

  session::Settings stored = Stored();
  EXPECT_EQ(stored.Vat(), " 8");
  EXPECT_EQ(stored.Spz(), "P");
  EXPECT_EQ(stored.Text("J_ZLE_UZGO"), "K");

  // The other station reads the file when it opens the screen.
  OpenSettings(*b);
  EXPECT_TRUE(b->WaitForScreen("VAT domyslny           :  8")) << b->Screen();
  Step(*b, {"Esc"}, PageTitle(2));
  EXPECT_TRUE(b->WaitForScreen("Domyslny sposob zaplaty (PTGFC) P")) << b->Screen();
  Step(*b, {"Esc"}, PageTitle(3));
  Step(*b, {"Esc"}, kDowody);
  Leave(*b);
  Leave(*a);

  // A new start finds them.
  auto c = Start("c");
  OpenSettings(*c);
  EXPECT_TRUE(c->WaitForScreen("VAT domyslny           :  8")) << c->Screen();
  Step(*c, {"Esc"}, PageTitle(2));
  EXPECT_TRUE(c->WaitForScreen("Domyslny sposob zaplaty (PTGFC) P")) << c->Screen();
  Step(*c, {"Esc"}, PageTitle(3));
  EXPECT_TRUE(c->WaitForScreen("Zle uzgodn. [TNKR]  : K")) << c->Screen();
  Step(*c, {"Esc"}, kDowody);
  Leave(*c);
  EXPECT_EQ(Stored().Spz(), "P");
  ExpectVerifyFindsNothing(data.str());
}

TEST_F(SettingsRoad, KillNineInTheMiddleOfAPageLeavesTheFileAsItWas) {
  auto a = Start("a");  // the start writes parametr.mem when the data has none
  const session::Settings before = Stored();
  OpenSettings(*a);
  Put(*a, 1, "J_VAT", "5");
  Step(*a, {"Esc"}, PageTitle(2));
  Put(*a, 2, "J_SPZ", "T");
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);

  session::Settings stored = Stored();  // sound: it restores
  EXPECT_EQ(stored.Vat(), before.Vat());
  EXPECT_EQ(stored.Spz(), before.Spz());
  EXPECT_NE(before.Spz(), "T");

  auto b = Start("b");
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
