// The pull-down sub-menus: moving between them, refusals, the viewing mode, blocked and
// installer items, the month-close warnings.
#include "base/cp852.h"
#include "menu_fixture.h"
#include "session/init_tables.h"
#include "store/net_ui.h"
#include "xbase/ntx.h"
#include "xbase/table.h"

namespace hurt::shell {
namespace {

using namespace hurt::literals;
namespace key = console::key;

// From the start item (DOWODY) to MAGAZYN and into it.
constexpr std::initializer_list<int> kOpenMagazyn = {key::kUp, key::kUp, key::kEnter};
constexpr std::initializer_list<int> kOpenSpecjalne = {key::kDown, key::kDown, key::kEnter};

using SubMenuTest = MenuTest;

TEST_F(SubMenuTest, RefusedItemIsToldTwiceAndTheSubMenuReopensWhereItWas) {
  session->op().prawa2 = "-M03 -S*";
  d.Keys(kOpenMagazyn).Keys({key::kDown, key::kDown, key::kEnter});
  ExpectMessage("Brak praw, -M03").ExpectMessage("Brak praw, -M03");
  Check([&] {
    EXPECT_EQ(OpenSubMenu(), "MAGAZYN");
    EXPECT_TRUE(d.ColourIs(6, 1, "W+/B"));  // back on item 1, where it was before
    EXPECT_TRUE(d.ColourIs(9, 1, "W/N"));
    EXPECT_EQ(Var("K_ASORTYMENT"), 1);
  });
  // Item 2 is allowed; the whole FUNKCJE SPECJALNE sub-menu is refused.
  d.Key(key::kDown).Key(key::kEnter);
  ExpectMessage("Plik as niedostepny");  // the offer runs; this fixture opens no tables
  d.Keys({key::kLeft, key::kEnter});  // Left: FUNKCJE SPECJALNE, its item 1
  ExpectMessage("Brak praw, -S01").ExpectMessage("Brak praw, -S01");
  Check([&] { EXPECT_EQ(OpenSubMenu(), "SPECJALNE"); });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(SubMenuTest, AnItemOfAnotherInstallationNamesItsMarkerAndTheReportListIsTheDocumentList) {
  Marker("NOTEBOOK.TXT");
  // Dowody item 11 is the notebook import with NOTEBOOK.TXT: not in this program.
  d.Key(key::kEnter);
  for (int i = 0; i < 10; ++i) d.Key(key::kDown);
  d.Key(key::kEnter);
  ExpectMessage("Opcja innej instalacji (NOTEBOOK.TXT)");
  // Raporty item 5 runs the month's document list (this fixture opens no tables).
  d.Key(key::kRight);  // the Raporty sub-menu opens on its item 1
  for (int i = 0; i < 4; ++i) d.Key(key::kDown);
  d.Key(key::kEnter);
  ExpectMessage("Plik dowod niedostepny");
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(SubMenuTest, LeftAndRightMoveAlongTheMenuBar) {
  std::vector<std::string> opened;
  auto note = [&] { opened.push_back(OpenSubMenu()); };
  d.Keys(kOpenMagazyn);
  Check(note).Key(key::kLeft);   // MAGAZYN -> (wrap) FUNKCJE SPECJALNE
  Check(note).Key(key::kRight);  // -> (wrap) MAGAZYN
  Check(note).Key(key::kRight);  // -> ROZRACHUNKI
  Check(note).Key(key::kRight);  // -> DOWODY
  Check(note).Key(key::kRight);  // -> RAPORTY
  Check(note).Key(key::kLeft);   // -> DOWODY
  Check(note);
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_EQ(opened, (std::vector<std::string>{"MAGAZYN", "SPECJALNE", "MAGAZYN", "ROZRACHUNKI", "DOWODY", "RAPORTY",
                                              "DOWODY"}));
  EXPECT_EQ(Var("POM"), 0);
}

// Esc leaves the highlight where the sub-menu was opened: answered N, the sub-menu opens
// again on that item.
TEST_F(SubMenuTest, EscAnsweredNReopensTheSameItem) {
  d.Keys(kOpenMagazyn).Keys({key::kDown, key::kDown, key::kEnter});  // item 3
  ExpectMessage("Plik zd niedostepny");  // the automatic order; no tables are open here
  d.Keys({key::kDown, key::kEsc});
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY CHCESZ ZAKONCZYC PRACE ?")); }).Key('n');
  Check([&] {
    EXPECT_EQ(OpenSubMenu(), "MAGAZYN");
    EXPECT_TRUE(d.ColourIs(9, 1, "W+/B"));  // item 3, " Automatyczne wystawianie zamowień "
    EXPECT_TRUE(d.ColourIs(10, 1, "W/N"));
    EXPECT_EQ(Var("K_ASORTYMENT"), 3);
  });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_EQ(Var("K_GLOWNE"), 0);
}

TEST_F(SubMenuTest, CurrencyRenumbersTheMagazynItems) {
  // Without currencies item 4 is the manual ordering, with a choice of book first.
  d.Keys(kOpenMagazyn).Keys({key::kDown, key::kDown, key::kDown, key::kEnter});
  Check([&] {
    EXPECT_TRUE(d.Contains(" od odbiorcow "));
    EXPECT_FALSE(d.Contains("Tabela kursu walut"));
  });
  d.Key(key::kDown).Key(key::kEnter);
  Check([&] { EXPECT_TRUE(d.Contains("NAZWA DOSTAWCY:")); });
  d.Key(key::kEsc);
  Check([&] { EXPECT_EQ(Var("M_ZO"), 2); });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);

  Start();
  session->vars().Set("JEST_WALUTA", xbase::Value("T"));
  d.Keys(kOpenMagazyn);
  Check([&] {
    EXPECT_TRUE(d.ShowsAt(7, 1, " Tabela kursu walut                "));
    EXPECT_TRUE(d.ShowsAt(9, 0, "│ Automatyczne"));  // no separator drawn over an item
  });
  d.Keys({key::kDown, key::kEnter});
  ExpectMessage("Plik wal niedostepny");  // the rate table runs; no tables are open here
  d.Keys({key::kDown, key::kEnter});  // item 3: the offer
  ExpectMessage("Plik as niedostepny");
  d.Keys({key::kDown, key::kDown, key::kEnter});  // item 5: straight to the order form
  Check([&] { EXPECT_TRUE(d.Contains("NAZWA DOSTAWCY:")); });
  d.Key(key::kEsc);
  d.Keys({key::kDown, key::kEnter});  // item 6: the saved orders, with currencies too
  Check([&] {
    EXPECT_EQ(Var("K_ASORTYMENT"), 6);
    EXPECT_TRUE(d.Contains("Zamowienia do dostawcow"));
  });
  d.Key(key::kEsc);
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(SubMenuTest, ViewingModeRefusesItemsThatChangeData) {
  Start("cd");
  d.Keys(kOpenMagazyn).Key(key::kEnter);
  ExpectMessage("CD - opcja wygasla").Key(key::kRight).Key(key::kRight);  // item 1, then to DOWODY
  d.Keys({key::kDown, key::kEnter});  // Dowody item 2, viewing, runs (no kinds in this directory)
  ExpectMessage("Brak dowodu FV !!!");
  Check([&] { EXPECT_TRUE(d.Contains("WYSWIETLANIE   DOWODOW")); }).Key(key::kEsc);
  d.Keys({key::kDown, key::kEnter});  // item 3, correction, refused
  ExpectMessage("CD - opcja wygasla");
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(SubMenuTest, InstallerItemEndsTheProgramWithItsCode) {
  Start("217");  // FUNKCJE SPECJALNE on item 17
  ASSERT_TRUE(session->settings().SetText("J_WITEK2", "INSTALATOR NOWEJ WERSJI").ok());
  ASSERT_TRUE(session->settings().SetText("J_WITEK3", "ZEROWANIE").ok());
  Check([&] { EXPECT_EQ(Var("K_SPECJALNE"), 17); });
  d.Key(key::kEnter);
  Check([&] {
    EXPECT_TRUE(d.ShowsAt(21, 43, std::string(36, ' ')));  // J_WITEK1 is empty: a blank item 16
    EXPECT_TRUE(d.ShowsAt(22, 43, " INSTALATOR NOWEJ WERSJI"));
    EXPECT_TRUE(d.ShowsAt(23, 43, " ZEROWANIE"));
    EXPECT_TRUE(d.ShowsAt(24, 42, "└"));  // the frame reaches row 24
  });
  d.Keys({key::kDown, key::kEnter});  // ZEROWANIE asks first; N keeps the program
  d.Then([&] { EXPECT_TRUE(d.Contains("Czy na pewno zerowac ?")); }).Key('N');
  d.Keys({key::kUp, key::kEnter});
  EXPECT_EQ(Loop(), kExitInstaller2);
}

TEST_F(SubMenuTest, BlockedItemsAndBlankItems) {
  Marker("BLOKUJ.507");
  d.Keys(kOpenSpecjalne);
  d.Keys({key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kEnter});  // item 7
  ExpectMessage("opcja wygasla");
  d.Keys({key::kUp, key::kEnter});  // item 6 is not blocked
  ExpectMessage("Funkcja USTAW_DATE niedostępna");
  // Item 9 is always blank; it can be highlighted and chosen, and nothing runs.
  d.Keys({key::kDown, key::kDown, key::kDown, key::kEnter});
  Check([&] {
    EXPECT_EQ(Var("K_SPECJALNE"), 9);
    EXPECT_TRUE(d.ColourIs(12, 43, "W+/B"));
    EXPECT_TRUE(d.ShowsAt(12, 43, std::string(36, ' ')));
    EXPECT_FALSE(d.Contains("niedostępna"));
  });
  // Item 8 is the supervisor's only.
  d.Keys({key::kUp});
  Check([&] { EXPECT_TRUE(d.ShowsAt(11, 43, std::string(36, ' '))); });
  d.Keys({key::kUp, key::kUp, key::kUp, key::kUp, key::kUp, key::kUp, key::kUp, key::kEnter});  // item 1
  ExpectMessage("Zbyt male prawa,  nr # 0");
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

// Item 12 (row 16) rebuilds the indexes once every other station is out (a damaged index is whole
// again afterwards); while another station has the company table open it rebuilds nothing.
class ReorganisationTest : public MenuTest {
 protected:
  void SetUp() override {
    Start("212");  // FUNKCJE SPECJALNE on item 12, Reorganizacja zbiorow
    ASSERT_TRUE(env.CreateDirs("/dane/rob").ok());
    store::NoScreenUi quiet(d.clock);
    ASSERT_TRUE(session::InitNtx(*session, quiet, ""));
    ASSERT_TRUE(session->areas().CloseAll().ok());
    auto bytes = env.Contents(kIndex);  // a later order: the session opens on order 1
    ASSERT_TRUE(bytes.ok());
    for (size_t i = xbase::kNtxPageSize; i < bytes->size(); ++i) (*bytes)[i] = static_cast<char>(0xA5);
    ASSERT_TRUE(env.SetContents(kIndex, *bytes).ok());
    ASSERT_TRUE(session::InitDbf(*session, quiet, ""));
  }
  Status IndexStatus() {
    auto index = xbase::NtxIndex::Open(env, kIndex);
    if (!index.ok()) return index.status();
    return (*index)->Verify(false).status();
  }
  static constexpr const char* kIndex = "/dane/24/03/as2.ntx";
};

TEST_F(ReorganisationTest, TheIndexesAreRebuiltWhenEveryoneElseIsOut) {
  ASSERT_TRUE(IndexStatus().IsCorruption());
  d.Key(key::kEnter).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Czy masz na to czas ?")); }).Key('T');
  ExpectMessage("Indeksy odbudowane");
  ExpectMessage("Stany uzgodnione z 0 pozycjami dowodow");
  ExpectMessage("Rozrachunki odbudowane, pozycji: 0");
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_TRUE(IndexStatus().ok()) << IndexStatus().ToString();
  EXPECT_NE(session->areas().Area(2), nullptr) << "the session is open again";
  EXPECT_FALSE(env.Exists("/dane/korekta_as.txt")) << "the reconciliation ended";
}

// The last step rebuilds the settlement ledger: an open item with no document behind it
// goes, and the balance follows.
TEST_F(ReorganisationTest, TheSettlementLedgerIsRebuiltLast) {
  xbase::WorkArea* fa = session->areas().Area(7);
  xbase::WorkArea* zo = session->areas().Area(3);
  ASSERT_NE(fa, nullptr);
  ASSERT_NE(zo, nullptr);
  ASSERT_TRUE(fa->Append().ok());
  for (const auto& [f, v] : std::vector<std::pair<std::string, xbase::Value>>{
           {"RD", xbase::Value("FV ")}, {"NRD", xbase::Value("       9")}, {"KTO", xbase::Value("O")},
           {"ODB", xbase::Value("K1")}, {"MAG", xbase::Value("1")}, {"OBWN", xbase::Value(50.0)}}) {
    ASSERT_TRUE(fa->Replace(f, v).ok()) << f;
  }
  ASSERT_TRUE(fa->Unlock().ok());
  ASSERT_TRUE(zo->Append().ok());
  ASSERT_TRUE(zo->Replace("ODB", xbase::Value("K1")).ok());
  ASSERT_TRUE(zo->Replace("OBWN", xbase::Value(50.0)).ok());
  ASSERT_TRUE(zo->Unlock().ok());
  d.Key(key::kEnter).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Czy masz na to czas ?")); }).Key('T');
  ExpectMessage("Indeksy odbudowane");
  ExpectMessage("Stany uzgodnione z 0 pozycjami dowodow");
  ExpectMessage("Rozrachunki odbudowane, pozycji: 0");
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_FALSE(env.Exists("/dane/zo_fn_kor.txt")) << "the rebuild ended";
  zo = session->areas().Area(3);
  ASSERT_NE(zo, nullptr);
  ASSERT_TRUE(zo->GoTop().ok());
  ASSERT_FALSE(zo->eof());
  EXPECT_EQ(zo->Get("OBWN")->AsNumber(), 0);
  auto items = session->areas().Area(7)->RecCount();
  ASSERT_TRUE(items.ok());
  EXPECT_EQ(*items, 0u);
}

TEST_F(ReorganisationTest, NothingIsRebuiltWhileAnotherStationWorks) {
  auto other = xbase::Table::Open(env, "/dane/firma.dbf", xbase::TableMode::Shared());
  ASSERT_TRUE(other.ok());
  d.Key(key::kEnter).Key(key::kEnter).Key('T');
  d.Wait(1500);  // the one attempt at the company table alone, and its pause of a second
  ExpectMessage("Wszyscy musza wyjsc z programu");
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
  EXPECT_TRUE(IndexStatus().IsCorruption());
  EXPECT_NE(session->areas().Area(1), nullptr) << "the company table is open again";
}

TEST_F(SubMenuTest, MonthCloseWarnsWhileThePeriodIsRunning) {
  // 15.03.2024 in the period 24/03: too early. Warned, Esc at the last window: no close.
  Start("205");
  d.Key(key::kEnter).Key(key::kEnter);
  ExpectMessage("NIE ZAMYKAJ JESZCZE MIESIACA !");
  ExpectMessage("NAROBISZ JAJ !!!  BAW SIE CZYMŚ INNYM !");
  ExpectMessage("Kowalski Jan szukasz kłopotów !");
  d.Then([&] { EXPECT_TRUE(d.Contains("ESC - Wyjscie")); }).Key(key::kEsc);
  Check([&] { EXPECT_FALSE(d.Contains("M_CLOSE")); });
  // Again; letting the last window time out closes nothing either.
  d.Key(key::kEnter);
  ExpectMessage("NIE ZAMYKAJ JESZCZE MIESIACA !");
  ExpectMessage("NAROBISZ JAJ !!!  BAW SIE CZYMŚ INNYM !");
  ExpectMessage("Kowalski Jan szukasz kłopotów !");
  d.Wait(8000);
  Check([&] { EXPECT_FALSE(d.Contains("M_CLOSE")); });
  // Esc at the first window offers the clock; another key at the last one closes.
  d.Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("NIE ZAMYKAJ JESZCZE MIESIACA !")); }).Key(key::kEsc);
  ExpectMessage("Szukasz kłopotów czy masz złą datę ?");
  ExpectMessage("Zegar ustawia system operacyjny");  // "- zmien date i czas w systemie" on the next row
  ExpectMessage("NAROBISZ JAJ !!!  BAW SIE CZYMŚ INNYM !");
  ExpectMessage("Kowalski Jan szukasz kłopotów !");
  ExpectMessage("ESC - Wyjscie");
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAMKNAC  Marzec '2024  ?")); }).Key('N');
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);

  // A period that has ended goes to the question at once.
  Start("205");
  session->set_hh("24/02");
  d.Key(key::kEnter).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAMKNAC  Luty '2024  ?")); }).Key('N');
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(SubMenuTest, RozrachunkiNeedRight13OrTheToken) {
  session->op().prawa = "TTTTTTTTTTTTN";
  d.Keys({key::kUp, key::kEnter, key::kEnter});
  ExpectMessage("brak praw");
  Check([&] {
    EXPECT_TRUE(d.ShowsAt(5, 13, std::string(28, ' ')));
    EXPECT_TRUE(d.ShowsAt(4, 12, "│▀▀▀▀"));
  });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);

  Start();
  session->op().prawa = "TTTTTTTNTTTTN";  // no right 8 either
  session->op().prawa2 = "+K*";
  d.Keys({key::kUp, key::kEnter});
  Check([&] {
    EXPECT_EQ(OpenSubMenu(), "ROZRACHUNKI");
    EXPECT_TRUE(d.ShowsAt(6, 13, std::string(28, ' ')));  // suppliers need right 8
    EXPECT_TRUE(d.ShowsAt(13, 13, " Faktury niezapłacone !!!!! "));
    EXPECT_TRUE(d.ShowsAt(14, 12, "└"));
  });
  d.Key(key::kEnter);
  ExpectMessage("Plik zo.dbf niedostepny");  // the book runs; this fixture opens no tables
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(SubMenuTest, DowodyForLimitedAndViewingOnlyOperators) {
  session->op().prawa1 = "NNTNNNNNNNNNNNNNNNNN";
  d.Key(key::kEnter);
  Check([&] {
    EXPECT_TRUE(d.ShowsAt(4, 26, std::string(24, ' ')));
    EXPECT_TRUE(d.ShowsAt(12, 26, " Zmiana operatora       "));
    EXPECT_TRUE(d.ShowsAt(18, 26, std::string(24, ' ')));
  });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);

  Start();
  session->op().nazwisko = "Nowak (R)";
  d.Keys({key::kEnter, key::kEnter});  // item 1, document entry
  ExpectMessage("Brak praw");
  d.Keys({key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kEnter});  // item 8
  ExpectMessage("Tabela operatorów niedostępna");  // the operator list runs, even for "(R)"
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

TEST_F(SubMenuTest, RaportyItemsFollowRightsAndMarkers) {
  session->op().prawa = "TNTTTNT";
  d.Keys({key::kDown, key::kEnter});
  Check([&] {
    EXPECT_EQ(OpenSubMenu(), "RAPORTY");
    EXPECT_TRUE(d.ShowsAt(3, 34, std::string(24, ' ')));  // cash reports need right 2
    EXPECT_TRUE(d.ShowsAt(8, 34, std::string(24, ' ')));  // profitability needs right 6
    EXPECT_TRUE(d.ShowsAt(14, 34, " JPK_VAT                 "));
  });
  // JPK for a period after 20/08: the V7 question.
  d.Keys({key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kDown,
          key::kEnter});
  d.Then([&] { EXPECT_TRUE(d.Contains("JPK_V7M (T) / JPK_VAT (N) ?")); }).Key('T');
  ExpectMessage("Funkcja JPK_V7M niedostępna");
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);

  Start();
  Marker("PARA_XML.---");
  session->set_hh_arc("23/11");
  d.Keys({key::kDown, key::kEnter});
  Check([&] {
    EXPECT_FALSE(d.Contains("JPK_VAT"));
    EXPECT_TRUE(d.ShowsAt(10, 34, std::string(24, ' ')));  // no archive from an archive
  });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

// Rejestry VAT: a report this program does not make names what it would need; the
// reverse-charge register is the range register's dialog, its basis chosen beforehand.
TEST_F(SubMenuTest, VatRegisterItemsRunOrSayWhatTheyNeed) {
  d.Keys({key::kDown, key::kEnter, key::kDown, key::kEnter});  // RAPORTY, Rejestry VAT
  Check([&] { EXPECT_TRUE(d.Contains(" Rejestr odwrotnego opodatkowania")); });
  for (int i = 0; i < 15; ++i) d.Key(key::kDown);
  d.Key(key::kEnter);  // item 16: the activity statement's dialog
  Check([&] {
    EXPECT_TRUE(d.Contains("RAPORT Z DZIAŁALNOSCI"));
    EXPECT_TRUE(d.Contains("Pominac rd:"));
  }).Key(key::kEsc);
  d.Key(key::kEnter);  // the sub-menu again on Rejestry VAT
  for (int i = 0; i < 16; ++i) d.Key(key::kDown);
  d.Key(key::kEnter);  // item 17
  Check([&] {
    EXPECT_TRUE(d.Contains("Raport sprzedaży komisowej"));
    EXPECT_TRUE(d.Contains("Niedostępne - brak"));
    EXPECT_TRUE(d.Contains("magazynu komisowego (J_MAG_K)"));
  }).Key(key::kSpace);
  d.Key(key::kEnter);  // the sub-menu again on Rejestry VAT
  for (int i = 0; i < 17; ++i) d.Key(key::kDown);
  d.Key(key::kEnter);  // item 18
  Check([&] {
    EXPECT_TRUE(d.Contains("REJESTR SPRZEDAZY - ZAKUPOW - KOREKT"));
    EXPECT_TRUE(d.Contains("Rodzaj dowodu            :"));
  }).Key(key::kEsc);
  Check([&] { EXPECT_EQ(OpenSubMenu(), "RAPORTY"); });
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

// Raporty kasowe: the daily report and its two variants run (this fixture opens no
// tables); the other cash reports say what they would need.
TEST_F(SubMenuTest, CashReportsRunTheDailyReportOrSayWhatTheyNeed) {
  d.Keys({key::kDown, key::kEnter, key::kEnter});  // RAPORTY, Raporty kasowe
  Check([&] {
    EXPECT_TRUE(d.Contains(" Raport dzienny "));
    EXPECT_FALSE(d.Contains(" Rozliczenie kas "));  // operators keep no cash here
  }).Key(key::kEnter);
  ExpectMessage("Plik dowod niedostepny");
  d.Keys({key::kEnter, key::kDown, key::kEnter});  // item 2
  Check([&] {
    EXPECT_TRUE(d.Contains("Raport kasowy   ver. 0"));
    EXPECT_TRUE(d.Contains("Niedostępne - brak"));
    EXPECT_TRUE(d.Contains("ksiegi kasowej z bilansem otwarcia (BO)"));
  }).Key(key::kSpace);
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);

  Start();
  session->vars().Set("JEST_OPERATOR", xbase::Value("T"));
  d.Keys({key::kDown, key::kEnter, key::kEnter});
  for (int i = 0; i < 6; ++i) d.Key(key::kDown);
  d.Key(key::kEnter);  // item 7, the agents' daily report
  ExpectMessage("Plik dowod niedostepny");
  d.Key(key::kEnter);
  for (int i = 0; i < 12; ++i) d.Key(key::kDown);
  d.Key(key::kEnter);  // item 13
  Check([&] {
    EXPECT_TRUE(d.Contains("Wpływy gotówki wg. kodu opiekuna"));
    EXPECT_TRUE(d.Contains("kodu opiekuna w dowodach wplat KP"));
  }).Key(key::kSpace);
  EndWork();
  EXPECT_EQ(Loop(), kMenuEnd);
}

}  // namespace
}  // namespace hurt::shell
