// Raporty › Raporty z archiwum over a company of two months: the menu, an earlier month
// opened and shown, its document list and cards showing the archive's data, the changing
// roads refused while it is open, a month without data refused, and Esc back to the
// current month; the tables of both months byte for byte as they were.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "console/keys.h"
#include "documents/document_list.h"
#include "maintenance/archive_month.h"
#include "maintenance/maintenance_fixture.h"
#include "session/menu_choice.h"
#include "settlements/ledger_screen.h"
#include "settlements/money_document_form.h"
#include "shell/menu_tree.h"
#include "store/schema.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"

namespace hurt::shell {
namespace {

namespace key = console::key;
using maintenance::testing::Company;
using store::TableId;

constexpr const char* kArchiveTitle = "R A P O R T Y   Z   A R C H I W U M";
constexpr const char* kRefused = "Praca w archiwum - blokada";

class ArchiveMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    maintenance::testing::MakeTwoMonths(c);
    InitMenuPositions(c.s());
  }

  // The main loop opened on Raporty › Raporty z archiwum.
  void OpenArchiveMenu() {
    session::SetPosition(c.s(), "K_GLOWNE", kRaporty);
    session::SetPosition(c.s(), "K_RAPORTY", 8);
    d.Keys({key::kEnter, key::kEnter});
  }
  // " Wybor miesiaca i roku " with the month typed and the year left as it is.
  void ChooseMonth(const char* month) {
    d.Key(key::kHome).Key(key::kEnter);
    d.Then([this] { EXPECT_TRUE(d.Contains("Miesiac :")); }).Type(month).Keys({key::kEnter, key::kEnter});
  }
  // From the first item of the archive menu down to item n and into it.
  void Item(int n) {
    d.Key(key::kHome);
    for (int i = 1; i < n; ++i) d.Key(key::kDown);
    d.Key(key::kEnter);
  }
  void EndWork() {
    d.Key(key::kEsc);
    d.Then([this] { EXPECT_TRUE(d.Contains("CZY CHCESZ ZAKONCZYC PRACE ?")); }).Key('T');
  }
  int Loop() {
    int result = -1;
    EXPECT_TRUE(d.Run([&](console::Console&) { result = MainMenuLoop(c.s()); }));
    EXPECT_TRUE(d.term.Finished()) << "steps of the script were not used:\n" << d.Dump();
    return result;
  }
  std::map<std::string, std::string> Tables() {
    std::map<std::string, std::string> out;
    for (auto& [path, bytes] : maintenance::testing::FilesUnder(mem, c.s().root()))
      if (path.ends_with(".dbf")) out[path] = bytes;
    return out;
  }

  hurt::testing::ScreenDriver d;  // 15.03.2024
  xbase::MemoryEnv mem{d.clock};
  Company c{mem, d.con, d.clock};
};

TEST_F(ArchiveMenu, AnEarlierMonthIsShownReadOnlyAndEscGoesBackToTheCurrentOne) {
  const std::map<std::string, std::string> before = Tables();
  OpenArchiveMenu();
  d.Then([this] {
    EXPECT_TRUE(d.Contains(kArchiveTitle));
    EXPECT_TRUE(d.ShowsAt(2, 36, " Wybor miesiaca i roku                     "));
    EXPECT_TRUE(d.ShowsAt(3, 36, " Raporty kasowe                            "));
    EXPECT_TRUE(d.ShowsAt(15, 36, " Kopiowanie zbiorów dla systemu F-K        "));
    EXPECT_TRUE(d.Contains("Marzec '2024"));
  });
  ChooseMonth("2");
  d.Then([this] {
    EXPECT_EQ(c.s().hh_arc(), "24/02");
    EXPECT_EQ(c.s().hh(), "24/03");
    EXPECT_TRUE(d.Contains("Luty '2024 arc"));
    EXPECT_TRUE(d.Contains(kArchiveTitle));
  });
  // The month's documents: February's invoice, not March's.
  Item(6);
  d.Then([this] {
    EXPECT_TRUE(d.Contains("SMAKOSZ"));
    EXPECT_FALSE(d.Contains("MARCOWY"));
  }).Key(key::kSpace);  // marking a document changes it: refused
  d.Then([this] { EXPECT_TRUE(d.Contains(kRefused)); }).Wait(2500);
  d.Key(key::F(7)).Key('2');  // so does keeping a KSeF number in it
  d.Then([this] { EXPECT_TRUE(d.Contains(kRefused)); }).Wait(2500);
  d.Key(key::kEsc);
  // The cards as February left them; the price rise is refused.
  Item(11);
  d.Then([this] { EXPECT_TRUE(d.Contains("MAKA")); }).Key(key::ShiftF(2));
  d.Then([this] { EXPECT_TRUE(d.Contains(kRefused)); }).Wait(3500);
  d.Key(key::kEsc);
  // A document of the month shown (its lines), then left.
  Item(10);
  d.Type("FV").Key(key::kEnter).Type("5").Key(key::kEnter);
  d.Then([this] {
    EXPECT_TRUE(d.Contains("10001"));
    EXPECT_TRUE(d.Contains("10002"));
  }).Keys({key::kEsc, key::kEsc});
  // A report not made yet says so.
  Item(4);
  d.Then([this] { EXPECT_TRUE(d.Contains("Funkcja _ROTACJA")); }).Wait(3500);
  // Esc: the current month again, the Raporty menu on its item.
  d.Key(key::kEsc);
  d.Then([this] {
    EXPECT_EQ(c.s().hh_arc(), "");
    EXPECT_TRUE(c.s().areas().Area(6)->path().ends_with("24/03/dowod.dbf"));
    EXPECT_TRUE(d.Contains("Marzec '2024"));
    EXPECT_FALSE(d.Contains("'2024 arc"));
    EXPECT_TRUE(d.Contains(" Raporty z archiwum"));
  });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_EQ(Tables(), before);
}

TEST_F(ArchiveMenu, AMonthWithoutDataIsRefusedAndTheCurrentMonthStays) {
  OpenArchiveMenu();
  ChooseMonth("1");
  d.Then([this] { EXPECT_TRUE(d.Contains("Styczen '2024 niedostepny")); }).Wait(3500);
  d.Then([this] {
    EXPECT_FALSE(c.s().InArchive());
    EXPECT_TRUE(c.s().areas().Area(2)->path().ends_with("24/03/as.dbf"));
  });
  d.Key(key::kEsc);
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

// With an archive month open, the roads that change data refuse at their entry: document
// entry and correction, money documents, settling, and every changing item of the menus
// (the month close, the period change, the zeroing, the reorganisation, the settlement
// books).
TEST_F(ArchiveMenu, EveryChangingRoadRefusesWhileAnArchiveMonthIsOpen) {
  bool opened = false;
  ASSERT_TRUE(d.Run([&](console::Console&) {
    opened = maintenance::OtworzArchiwum(c.s(), "24/02") == maintenance::Archiwum::kOpened;
  }));
  ASSERT_TRUE(opened);
  const std::map<std::string, std::string> before = Tables();
  int refusals = 0;
  auto refused = [&] {
    d.Then([&] {
      EXPECT_TRUE(d.Contains(kRefused));
      ++refusals;
    }).Wait(3500);
  };
  refused();
  refused();
  refused();
  // The customer's open items: F10 (settling) and F3 2 (settling to a day) refused.
  d.Key(key::F(10));
  refused();
  d.Key(key::F(3)).Key('2');
  refused();
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) {
    documents::DbuDow(c.s(), 0);  // entry
    documents::DbuDow(c.s(), 2);  // correction
    EXPECT_FALSE(settlements::EwNalZob(c.s(), settlements::MoneyFormPreset{}));
    settlements::FaNRozliczanie(c.s(), "O", "SMAKOSZ ", "SMAKOSZ SP. Z O.O.");
  }));
  // The menu items, each chosen once: FUNKCJE SPECJALNE 5 (month close), 10 (period
  // change), 11 (zeroing), 12 (reorganisation); DOWODY 1 (entry), 3 (correction);
  // ROZRACHUNKI 1 (the customers' book).
  struct MenuItem {
    int (*sub_menu)(Session&);
    const char* position;
    int item;
  };
  for (const MenuItem& m : {MenuItem{Specjalne, "K_SPECJALNE", 5}, MenuItem{Specjalne, "K_SPECJALNE", 10},
                            MenuItem{Specjalne, "K_SPECJALNE", 11}, MenuItem{Specjalne, "K_SPECJALNE", 12},
                            MenuItem{Dowody, "K_OBROTY", 1}, MenuItem{Dowody, "K_OBROTY", 3},
                            MenuItem{Kontrahenci, "K_KONTRAHENCI", 1}}) {
    SCOPED_TRACE(std::string(m.position) + " " + std::to_string(m.item));
    session::SetPosition(c.s(), m.position, m.item);
    d.Key(key::kEnter);
    refused();
    ASSERT_TRUE(d.Run([&](console::Console&) { (void)m.sub_menu(c.s()); }));
    c.s().con().ClearTypeahead();  // the sub-menu's Enter for the main menu
  }
  EXPECT_EQ(refusals, 12);
  EXPECT_EQ(Tables(), before);
  EXPECT_TRUE(c.s().InArchive());
}

}  // namespace
}  // namespace hurt::shell
