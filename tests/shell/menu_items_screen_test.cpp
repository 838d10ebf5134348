// The menu items that open small screens of their own: the company data, the operators'
// archives and failure logs through the file picker, the print-file editor and the clock.
// A station with every table open, driven through the main loop as an operator types.
#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "session/menu_choice.h"
#include "shell/file_picker.h"
#include "shell/menu_tree.h"

namespace hurt::shell {
namespace {

namespace key = console::key;

class MenuItemsTest : public catalogues::testing::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    s().set_stacja(1);
    s().op().nr = "0";  // the supervisor
    s().op().nazwisko = "Kowalski Jan";
    InitMenuPositions(s());
  }
  // The main loop opens sub-menu `main` on `item`; Enter there runs the item.
  void OpenOn(int main, std::string_view position, int item) {
    session::SetPosition(s(), "K_GLOWNE", main);
    session::SetPosition(s(), position, item);
    d.Key(key::kEnter).Key(key::kEnter);
  }
  void ExpectMessage(const std::string& utf8) {
    d.Then([this, utf8] { EXPECT_TRUE(d.Contains(utf8)) << d.Dump(); }).Key(key::kSpace);
  }
  void Shows(const std::string& utf8) {
    d.Then([this, utf8] { EXPECT_TRUE(d.Contains(utf8)) << d.Dump(); });
  }
  // Esc in the sub-menu and T: the work ends.
  void EndWorkAndRun() {
    d.Key(key::kEsc).Key('T');
    int result = -1;
    ASSERT_TRUE(d.Run([&](console::Console&) { result = MainMenuLoop(s()); }));
    EXPECT_EQ(result, kMenuEnd);
  }
};

TEST_F(MenuItemsTest, CompanyDataOpensForTheSupervisor) {
  OpenOn(kSpecjalne, "K_SPECJALNE", 8);
  Shows("Nazwa firmy");
  d.Key(key::kEsc);
  d.Then([&] { EXPECT_FALSE(d.Contains("niedostępna")); });
  EndWorkAndRun();
}

TEST_F(MenuItemsTest, TheClockIsTheSystems) {
  OpenOn(kSpecjalne, "K_SPECJALNE", 7);
  ExpectMessage("Zegar ustawia system operacyjny");  // "- zmien date i czas w systemie" on the next row
  EndWorkAndRun();
}

TEST_F(MenuItemsTest, TheStockTopUpIsSaidNotToBeSetUp) {
  OpenOn(kMagazyn, "K_ASORTYMENT", 7);
  ExpectMessage("Pompowanie magazynu nie jest");  // "skonfigurowane w tej instalacji" below
  EndWorkAndRun();
}

TEST_F(MenuItemsTest, ArchivesAndFailureLogsArePickedAndViewed) {
  dir.Write("KANT/styczen.txt", "KANTY STYCZNIA\r\n");
  dir.Write("operator/luty.txt", "ZAPISKI LUTEGO\r\n");
  dir.Write("bledy.txt", "15.03.24 STANOWISKO 02 - zle wyszedl z programu\r\n");
  OpenOn(kSpecjalne, "K_SPECJALNE", 13);
  d.Keys({key::kDown, key::kEnter});  // " Archiwum "
  d.Then([&] {
    EXPECT_TRUE(d.Contains("KANT/styczen.txt")) << d.Dump();
    EXPECT_TRUE(d.Contains("operator/luty.txt"));
    EXPECT_FALSE(d.Contains("bledy.txt"));
  });
  d.Keys({key::kDown, key::kEnter});
  Shows("ZAPISKI LUTEGO");
  d.Key(key::kEsc);
  d.Key(key::kEnter).Keys({key::kDown, key::kDown, key::kEnter});  // " Użyto hasła A----- "
  d.Then([&] {
    EXPECT_TRUE(d.Contains("bledy.txt")) << d.Dump();
    EXPECT_FALSE(d.Contains("styczen.txt"));
  });
  d.Key(key::kEnter);
  Shows("zle wyszedl z programu");
  d.Key(key::kEsc);
  // Esc in the picker views nothing.
  d.Key(key::kEnter).Keys({key::kDown, key::kEnter});
  d.Key(key::kEsc);
  d.Then([&] { EXPECT_FALSE(d.Contains("KANTY STYCZNIA")); });
  EndWorkAndRun();
}

TEST_F(MenuItemsTest, NoArchiveIsSaidSo) {
  OpenOn(kSpecjalne, "K_SPECJALNE", 13);
  d.Keys({key::kDown, key::kEnter});
  ExpectMessage("Brak plikow *");
  EndWorkAndRun();
}

TEST_F(MenuItemsTest, ThePickerListsOnlyTheFilesOfItsPattern) {
  dir.Write("stopa/zwykla.txt", "Dziekujemy\r\n");
  dir.Write("stopa/STARA.TXT", "Stara stopka\r\n");
  dir.Write("stopa/logo.bmp", "BM");
  std::optional<std::string> chosen;
  d.Then([&] {
    EXPECT_TRUE(d.Contains("stopa/STARA.TXT")) << d.Dump();
    EXPECT_TRUE(d.Contains("stopa/zwykla.txt"));
    EXPECT_FALSE(d.Contains("logo.bmp"));
  });
  d.Keys({key::kDown, key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { chosen = WybierzPlik(s(), "Stopki", {"STOPA"}, "*.txt"); }));
  EXPECT_EQ(chosen, std::optional<std::string>("stopa/zwykla.txt"));
}

TEST_F(MenuItemsTest, ThePickerShowsPolishFileNamesAsTheyRead) {
  dir.Write("stopa/podziękowanie.txt", "Dziekujemy\r\n");
  dir.Write("stopa/stara\xA5.txt", "Stara\r\n");  // a name written by an old system: not UTF-8
  std::optional<std::string> chosen;
  d.Then([&] {
    EXPECT_TRUE(d.Contains("stopa/podziękowanie.txt")) << d.Dump();
    EXPECT_TRUE(d.Contains("stopa/stara")) << d.Dump();
  });
  d.Keys({key::kEnter});
  ASSERT_TRUE(d.Run([&](console::Console&) { chosen = WybierzPlik(s(), "Stopki", {"STOPA"}, "*.txt"); }));
  // The name chosen is the name on disk.
  EXPECT_EQ(chosen, std::optional<std::string>("stopa/podziękowanie.txt"));
}

TEST_F(MenuItemsTest, ThePrintFileIsEditedAndSavedWhole) {
  dir.Write("rob/wydruk01.prn", "PIERWSZY\r\nDRUGI\r\n");
  OpenOn(kSpecjalne, "K_SPECJALNE", 14);
  Shows("PIERWSZY");
  d.Key('X').Key(console::key::F(2));
  d.Then([&] { EXPECT_EQ(dir.Read("rob/wydruk01.prn"), "XPIERWSZY\r\nDRUGI\r\n"); });
  d.Key(key::kEsc);  // saved: no question
  // Changed and not saved: N leaves the file as it was.
  d.Key(key::kEnter).Key('Y').Key(key::kEsc);
  d.Then([&] { EXPECT_TRUE(d.Contains("Zapisac zmiany ?")); }).Key('N');
  d.Then([&] { EXPECT_EQ(dir.Read("rob/wydruk01.prn"), "XPIERWSZY\r\nDRUGI\r\n"); });
  // T saves on the way out; Enter splits a line.
  d.Key(key::kEnter).Keys({key::kDown, key::kRight, key::kEnter, key::kEsc});
  d.Then([&] { EXPECT_TRUE(d.Contains("Zapisac zmiany ?")); }).Key('T');
  d.Then([&] {
    EXPECT_EQ(dir.Read("rob/wydruk01.prn"), "XPIERWSZY\r\nD\r\nRUGI\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "rob/wydruk01.prn.tmp"));
  });
  EndWorkAndRun();
}

TEST_F(MenuItemsTest, AnInvoiceFooterIsPickedAndEdited) {
  dir.Write("stopa/zwykla.txt", "Dziekujemy za zakupy\r\n");
  OpenOn(kRozrachunki, "K_KONTRAHENCI", 10);
  Shows("stopa/zwykla.txt");
  d.Key(key::kEnter);
  Shows("Dziekujemy za zakupy");
  d.Key(key::kEnd).Type("!").Key(console::key::F(2)).Key(key::kEsc);
  d.Then([&] { EXPECT_EQ(dir.Read("stopa/zwykla.txt"), "Dziekujemy za zakupy!\r\n"); });
  EndWorkAndRun();
}

TEST_F(MenuItemsTest, AnOversizedPrintFileIsNotOpened) {
  dir.Write("rob/wydruk01.prn", std::string(2 * 1024 * 1024 + 1, 'A'));
  OpenOn(kSpecjalne, "K_SPECJALNE", 14);
  ExpectMessage("za duzy do edycji");
  EndWorkAndRun();
}

TEST(FilePickerNames, PatternsMatchAsTheyDoForTheOperator) {
  EXPECT_TRUE(NameMatches("*", "cokolwiek.txt"));
  EXPECT_TRUE(NameMatches("*.txt", "STOPA1.TXT"));
  EXPECT_TRUE(NameMatches("*.txt", "a.b.txt"));
  EXPECT_FALSE(NameMatches("*.txt", "stopa.txt.bak"));
  EXPECT_TRUE(NameMatches("bledy*.txt", "BLEDY.TXT"));
  EXPECT_TRUE(NameMatches("bledy*.txt", "bledy_2024.txt"));
  EXPECT_FALSE(NameMatches("bledy*.txt", "xbledy.txt"));
  EXPECT_TRUE(NameMatches("?.txt", "a.txt"));
  EXPECT_FALSE(NameMatches("?.txt", "ab.txt"));
  EXPECT_FALSE(NameMatches("*.txt", ""));
}

}  // namespace
}  // namespace hurt::shell
