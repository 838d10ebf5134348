// A session on an in-memory data directory with the headless screen, for the menu tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "console/keys.h"
#include "session/session.h"
#include "shell/menu_tree.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"

namespace hurt::shell {

class MenuTest : public ::testing::Test {
 public:
  static constexpr const char* kDataDir = "/dane";

  void SetUp() override { Start(); }

  // A new session started with `argument`; the operator "A" holds every right.
  void Start(const std::string& argument = "") {
    session::SessionOptions options;
    options.data_dir = kDataDir;
    options.argument = argument;
    session = std::make_unique<Session>(env, d.con, options);
    session->set_hh("24/03");  // the driver's clock says 15.03.2024
    session->op().nr = "A";
    session->op().nazwisko = "Kowalski Jan";
    InitMenuPositions(*session);
  }

  // A marker file in the data directory.
  void Marker(const std::string& name) {
    ASSERT_TRUE(env.CreateDirs(kDataDir).ok());
    xbase::OpenOptions create;
    create.create = true;
    ASSERT_TRUE(env.Open(std::string(kDataDir) + "/" + name, create).ok());
  }

  // The main loop over the script given so far; its result.
  int Loop() {
    int result = -1;
    EXPECT_TRUE(d.Run([&](console::Console&) { result = MainMenuLoop(*session); }));
    return result;
  }

  // When the program next waits, the screen shows `utf8` (a message window); Space then
  // closes the window.
  MenuTest& ExpectMessage(const std::string& utf8) {
    d.Then([this, utf8] { EXPECT_TRUE(d.Contains(utf8)); }).Key(console::key::kSpace);
    return *this;
  }
  MenuTest& Key(int k) {
    d.Key(k);
    return *this;
  }
  // When the program next waits, `check` runs.
  MenuTest& Check(std::function<void()> check) {
    d.Then(std::move(check));
    return *this;
  }
  // Esc in a sub-menu and T to the closing question: the loop ends.
  void EndWork() {
    d.Key(console::key::kEsc);
    d.Then([this] { EXPECT_TRUE(d.Contains("CZY CHCESZ ZAKONCZYC PRACE ?")); });
    d.Key('T');
  }

  // Which sub-menu is open, told by an item each one always shows.
  std::string OpenSubMenu() const {
    if (d.TextAt(6, 1, 21) == " Kartoteki magazynowe") return "MAGAZYN";
    if (d.TextAt(5, 13, 25) == " Rozrachunki z odbiorcami") return "ROZRACHUNKI";
    if (d.TextAt(12, 26, 17) == " Zmiana operatora") return "DOWODY";
    if (d.TextAt(10, 34, 19) == " Raporty z archiwum") return "RAPORTY";
    if (d.TextAt(2, 43, 17) == " Edycja bazy BLAT") return "SPECJALNE";
    return "?";
  }

  int Var(const char* name) const { return static_cast<int>(session->vars().Number(name)); }

  hurt::testing::ScreenDriver d;
  xbase::MemoryEnv env{d.clock};
  std::unique_ptr<Session> session;
};

}  // namespace hurt::shell
