// The main screen and the main menu: layout, colour sets, restricted operators.
#include "shell/main_screen.h"

#include "base/cp852.h"
#include "menu_fixture.h"
#include "xbase/table.h"

namespace hurt::shell {
namespace {

using namespace hurt::literals;
namespace key = console::key;

class MainScreenTest : public MenuTest {
 protected:
  // The company record in work area 1.
  void Firma(const std::string& nodb, const std::string& nodb1) {
    const std::string path = std::string(kDataDir) + "/firma.dbf";
    ASSERT_TRUE(env.CreateDirs(kDataDir).ok());
    ASSERT_TRUE(xbase::Table::Create(env, path, {{"NODB", 'C', 50, 0}, {"NODB1", 'C', 50, 0}, {"BMR", 'C', 5, 0}}).ok());
    auto firma = session->areas().Open(1, path, "firma");
    ASSERT_TRUE(firma.ok());
    xbase::WorkArea& f = **firma;
    ASSERT_TRUE(f.Append().ok());
    ASSERT_TRUE(f.Replace("NODB", xbase::Value(std::string(Utf8ToCp852(nodb)))).ok());
    ASSERT_TRUE(f.Replace("NODB1", xbase::Value(nodb1)).ok());
    ASSERT_TRUE(f.Replace("BMR", xbase::Value("03.24")).ok());
    ASSERT_TRUE(f.Unlock().ok());
  }

  void Draw() { EkranGlowny(*session); }
};

TEST_F(MainScreenTest, LayoutOfTheMainScreen) {
  Firma("Hurtownia Żółw Sp. z o.o.", "");
  Draw();
  // Key line: key names bright, their descriptions normal white.
  EXPECT_TRUE(d.LineIs(24,
                       "F1-Pomoc    ↑↓→←-Wybór    Enter-Zatwierdzenie     Alt_K-Kalkulator    Esc-Koniec"));
  EXPECT_TRUE(d.ColourIs(24, 0, "W+/N"));
  EXPECT_TRUE(d.ColourIs(24, 12, "W+/N"));
  EXPECT_TRUE(d.ColourIs(24, 26, "W+/N"));  // Enter
  EXPECT_TRUE(d.ColourIs(24, 50, "W+/N"));  // Alt_K
  EXPECT_TRUE(d.ColourIs(24, 70, "W+/N"));  // Esc
  for (int col : {2, 16, 31, 55, 73}) EXPECT_TRUE(d.ColourIs(24, col, "W/N")) << col;
  // The period centred in 18 columns from column 5, the title above it.
  EXPECT_TRUE(d.ShowsAt(18, 5, "   Marzec '2024   "));
  EXPECT_TRUE(d.ShowsAt(16, 5, " OBSŁUGA HURTOWNI "));
  // The company name centred in 32 columns, black on white.
  EXPECT_TRUE(d.ShowsAt(23, 0, "   Hurtownia Żółw Sp. z o.o.    "));
  EXPECT_TRUE(d.ColourIs(23, 0, "N/W"));
  // The blue set: "█" in blue over the rest of the screen.
  EXPECT_TRUE(d.ShowsAt(0, 0, "████"));
  EXPECT_TRUE(d.ColourIs(0, 0, "B/N+"));
  EXPECT_TRUE(d.ColourIs(10, 79, "B/N+"));
}

TEST_F(MainScreenTest, SecondCompanyLineArchiveAndBlankTitle) {
  Firma("Hurtownia", "oddzial Radom");
  ASSERT_TRUE(session->settings().SetText("J_NAZWA", "                  ").ok());
  session->set_hh_arc("23/11");
  Draw();
  EXPECT_TRUE(d.ShowsAt(23, 0, std::string(32, ' ')));  // a second name line: the row stays blank
  EXPECT_TRUE(d.ShowsAt(18, 5, "Listopad '2023 arc"));
  EXPECT_TRUE(d.ShowsAt(16, 5, "  GM + Sprzedaz   "));
}

TEST_F(MainScreenTest, ColourSetsFollowMarkersAndTheCashRegister) {
  Marker("zielone.txt");
  Draw();
  EXPECT_TRUE(d.ColourIs(0, 0, "G/N+"));

  Marker("FIOLET.TXT");
  Marker("zielone.txt");  // green is tested first
  Draw();
  EXPECT_TRUE(d.ColourIs(0, 0, "G/N+"));

  ASSERT_TRUE(env.Remove(std::string(kDataDir) + "/zielone.txt").ok());
  Draw();
  EXPECT_TRUE(d.ShowsAt(0, 0, "▒▒▒"));
  EXPECT_TRUE(d.ColourIs(0, 0, "RG/N+"));

  // A cash register station wins over the markers, with its own title and main item.
  session->op().prawa1 = "NNNNNNNT";
  Draw();
  EXPECT_TRUE(d.ColourIs(0, 0, "GR/N+"));
  EXPECT_TRUE(d.ShowsAt(16, 5, "       KASA       "));
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(4, 1, " MAGAZYN KOSZTOW ")); }).Key(key::kEsc);
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(MainScreenTest, StaircaseAndEscWithoutQuestion) {
  d.Then([&] {
     EXPECT_TRUE(d.ShowsAt(4, 1, " MAGAZYN                           "));
     EXPECT_TRUE(d.ShowsAt(3, 13, " ROZRACHUNKI                "));
     EXPECT_TRUE(d.ShowsAt(2, 26, " DOWODY                 "));
     EXPECT_TRUE(d.ShowsAt(1, 34, " RAPORTY                                  "));
     EXPECT_TRUE(d.ShowsAt(0, 43, " FUNKCJE SPECJALNE                   "));
     EXPECT_TRUE(d.ColourIs(2, 26, "N/W"));  // starts on DOWODY
     EXPECT_TRUE(d.ColourIs(4, 1, "W+/N"));
     EXPECT_TRUE(d.ShowsAt(13, 78, "23"));  // the default VAT rate
   })
      .Key(key::kEsc);
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_EQ(Var("K_GLOWNE"), 0);
}

// Restricted operators see fewer main items; the number chosen is mapped onto the full
// menu (restriction 6 maps ROZRACHUNKI to MAGAZYN and RAPORTY, FUNKCJE SPECJALNE to
// DOWODY).
TEST_F(MainScreenTest, RestrictedOperatorsMainMenu) {
  struct Case {
    std::string prawa1;
    std::vector<int> keys;  // from the start item, ending with Enter
    std::string opened;
  };
  const std::vector<Case> cases = {
      {"T", {key::kEnter}, "DOWODY"},
      {"T", {key::kUp, key::kEnter}, "DOWODY"},  // the only item
      {"NT", {key::kEnter}, "MAGAZYN"},
      {"NNNNT", {key::kEnter}, "DOWODY"},
      {"NNNNT", {key::kDown, key::kEnter}, "RAPORTY"},
      {"NNNNNT", {key::kUp, key::kEnter}, "MAGAZYN"},               // item 2
      {"NNNNNT", {key::kUp, key::kUp, key::kEnter}, "MAGAZYN"},     // item 1
      {"NNNNNT", {key::kEnter}, "DOWODY"},                          // item 3
      {"NNNNNT", {key::kDown, key::kEnter}, "DOWODY"},              // item 4
      {"NNNNNT", {key::kDown, key::kDown, key::kEnter}, "DOWODY"},  // item 5
      {"", {key::kUp, key::kEnter}, "ROZRACHUNKI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prawa1 + " after " + std::to_string(c.keys.size()) + " keys");
    Start();
    session->op().prawa1 = c.prawa1 + std::string(20 - c.prawa1.size(), 'N');
    std::string opened;
    d.term.Keys(c.keys);
    Check([&] { opened = OpenSubMenu(); });
    EndWork();
    EXPECT_EQ(Loop(), kMenuEnd);
    EXPECT_EQ(opened, c.opened);
  }
  // Only DOWODY on the staircase for restriction 1.
  Start();
  session->op().prawa1 = "TNNNNNNNNNNNNNNNNNNN";
  d.Then([&] {
     EXPECT_TRUE(d.ShowsAt(2, 26, " DOWODY "));
     EXPECT_FALSE(d.ShowsAt(4, 1, " MAGAZYN"));
     EXPECT_FALSE(d.ShowsAt(1, 34, " RAPORTY"));
   })
      .Key(key::kEsc);
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST(MenuPositions, StartArgumentChoosesTheFirstItem) {
  hurt::testing::ScreenDriver d;
  xbase::MemoryEnv env(d.clock);
  auto positions = [&](const std::string& argument) {
    session::SessionOptions o;
    o.argument = argument;
    Session s(env, d.con, o);
    InitMenuPositions(s);
    return std::make_pair(static_cast<int>(s.vars().Number("K_GLOWNE")),
                          static_cast<int>(s.vars().Number("K_SPECJALNE")));
  };
  EXPECT_EQ(positions(""), std::make_pair(3, 1));
  EXPECT_EQ(positions("cd"), std::make_pair(3, 1));
  EXPECT_EQ(positions("1"), std::make_pair(4, 1));
  EXPECT_EQ(positions("12.25"), std::make_pair(4, 1));  // a period beginning with 1
  EXPECT_EQ(positions(" 2"), std::make_pair(5, 1));
  EXPECT_EQ(positions("212"), std::make_pair(5, 12));
  EXPECT_EQ(positions("299"), std::make_pair(5, 1));  // no such item
}

}  // namespace
}  // namespace hurt::shell
