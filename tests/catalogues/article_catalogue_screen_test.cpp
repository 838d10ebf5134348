// The article catalogue screen driven through the headless console.
#include <gtest/gtest.h>

#include "base/text.h"
#include "catalogues/article_card.h"
#include "catalogues/article_catalogue.h"
#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "session/operators_table.h"
#include "xbase/endian_codec.h"
#include "xbase/ntx_format.h"

namespace hurt::catalogues::testing {
namespace {

namespace key = console::key;
using xbase::Value;

class DbuAsTest : public CatalogueTest {
 protected:
  bool RunAs() {
    return d.Run([&](console::Console&) { EXPECT_TRUE(DbuAs(s())); });
  }
  std::string Indeks() { return RTrimCopy(FieldText(As(), "INDEKS")); }
  void ExpectIndeks(const std::string& want) {
    d.Then([this, want] { EXPECT_EQ(Indeks(), want) << d.Dump(); });
  }
  // A message with a time-out: checked while it is up, then its time passes.
  void ExpectMessage(const std::string& text) {
    d.Then([this, text] { EXPECT_TRUE(d.Contains(text)); }).Wait(5000);
  }
  int Count() {
    auto n = As().RecCount();
    return n.ok() ? static_cast<int>(*n) : -1;
  }
  int Live() { return static_cast<int>(Rows(As(), {"INDEKS"}).size()); }
};

TEST_F(DbuAsTest, EmptyTableShowsOneBlankCardWithTitleAndKeyBar) {
  d.Then([&] {
     EXPECT_TRUE(d.ShowsAt(14, 11, "KARTOTEKA MAGAZYNOWA"));
     EXPECT_TRUE(d.ShowsAt(14, 72, "F1-pomoc"));
     EXPECT_TRUE(d.LineIs(24, "F4-Edycja    F5-Dopisanie    F6-Filtr    F7-Szukanie    F8-Kasowanie     F9-Druk"));
     EXPECT_TRUE(d.Contains("Indeks"));
     EXPECT_TRUE(d.Contains("Cena brutto"));
     EXPECT_TRUE(d.Contains("Magazyn           :"));
   })
      .Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Count(), 1);
  // The table is left as the session expects it: order 1, top.
  EXPECT_EQ(As().order(), 1);
}

TEST_F(DbuAsTest, GridShowsQuantityGrossAndMarginThroughTheirPictures) {
  Article("1", "A1", "MLEKO", {{"ILOSC", Value(12.5)}, {"CENA", Value(3.0)}, {"CENA2", Value(3.69)},
                               {"CENA0", Value(2.0)}});
  d.Then([&] {
     const std::string row = d.Line(17);
     EXPECT_NE(row.find("1│A1      │MLEKO"), std::string::npos) << d.Dump();
     EXPECT_NE(row.find("       12.50│         3.69│   50"), std::string::npos) << d.Dump();
     // The detail panel: VAT and gross of the card.
     EXPECT_TRUE(d.ShowsAt(10, 38, "      3.69"));
     EXPECT_TRUE(d.ShowsAt(10, 21, "      0.69"));
   })
      .Key(key::kEsc);
  ASSERT_TRUE(RunAs());
}

TEST_F(DbuAsTest, MarginWithZeroCostIsBlankOnThePriceRowAndOverflowsTheGrid) {
  Article("1", "Z0", "ZERO", {{"CENA", Value(10.0)}, {"CENA2", Value(12.3)}});
  d.Then([&] {
     EXPECT_TRUE(d.ShowsAt(10, 0, "    "));
     EXPECT_TRUE(d.ShowsAt(10, 5, "     10.00"));
     EXPECT_NE(d.Line(17).find("*****"), std::string::npos) << d.Dump();
   })
      .Key(key::kEsc);
  ASSERT_TRUE(RunAs());
}

TEST_F(DbuAsTest, IncrementalSearchInTheCodeOrder) {
  ASSERT_TRUE(s().settings().SetText("J_SD_Z1MAG", "N").ok());
  Article("1", "AAA", "PIERWSZY");
  Article("1", "ABC", "DRUGI");
  Article("1", "ABD", "TRZECI");
  Article("1", "ABCDEFGH", "DLUGI");
  Article("2", "XYZ", "INNY");
  d.Type("1ab");
  ExpectIndeks("ABC");
  d.Type("d");
  ExpectIndeks("ABD");
  d.Then([&] {
    EXPECT_TRUE(d.ShowsAt(24, 0, "1"));
    EXPECT_TRUE(d.ShowsAt(24, 2, "ABD     "));
  });
  // A character that finds nothing changes neither the card nor the prefix.
  d.Type("q");
  ExpectIndeks("ABD");
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 2, "ABD     ")); });
  // Back to "1AB", then the longest prefix: nine characters and no more.
  d.Key(key::kBackspace).Type("cdefgh");
  ExpectIndeks("ABCDEFGH");
  d.Type("x");
  ExpectIndeks("ABCDEFGH");
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 2, "ABCDEFGH")); });
  // Any other key the grid passes on ends the search and brings the key bar back.
  d.Key(key::kEnter).Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "F4-Edycja")); });
  // Backspace on a one-character prefix clears it.
  d.Type("2");
  ExpectIndeks("XYZ");
  d.Key(key::kBackspace).Then([&] {
    EXPECT_TRUE(d.ShowsAt(24, 0, " "));
    EXPECT_TRUE(d.ShowsAt(24, 2, "        "));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
}

TEST_F(DbuAsTest, CodeSearchStartsInTheMainWarehouseWhenSetSo) {
  ASSERT_TRUE(s().settings().SetText("J_SD_Z1MAG", "T").ok());
  ASSERT_TRUE(s().settings().SetText("J_DOW1_MAG", "T").ok());
  ASSERT_TRUE(s().settings().SetText("J_MAG_GLOW", "2").ok());
  Article("1", "AB", "PIERWSZY");
  Article("2", "AB", "DRUGI");
  d.Type("ab").Then([&] {
    EXPECT_EQ(FieldText(As(), "MAG"), "2");
    EXPECT_TRUE(d.ShowsAt(24, 0, "2"));
    EXPECT_TRUE(d.ShowsAt(24, 2, "AB      "));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
}

TEST_F(DbuAsTest, SearchInTheNameOrderAfterTab) {
  Article("1", "B1", "BULKA");
  Article("1", "M1", "MASLO");
  Article("1", "M2", "MLEKO");
  d.Key(key::kTab).Type("ml");
  ExpectIndeks("M2");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(As().order(), 1);
}

TEST_F(DbuAsTest, EditChangesTheNameAndKeepsTheKey) {
  Article("1", "A1", "MLEKO");
  d.Key(key::F(4)).Keys({key::kEnter, key::kEnter}).Key(key::kCtrlY).Type("MASLO").Key(key::kPgDn).Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"MAG", "INDEKS", "NAZWA"}), std::vector<std::string>{"1|A1|MASLO"});
}

TEST_F(DbuAsTest, ChangingTheKeyToAnExistingOneIsRefused) {
  Article("1", "A1", "MLEKO");
  Article("1", "A2", "MASLO");
  d.Type("1a1");
  d.Key(key::F(4)).Key(key::kEnter).Key(key::kCtrlY).Type("A2").Key(key::kEnter);
  ExpectMessage("MASZ JUZ TAKI INDEKS");
  d.Key(key::kPgDn).Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"INDEKS", "NAZWA"}), (std::vector<std::string>{"A1|MLEKO", "A2|MASLO"}));
}

TEST_F(DbuAsTest, ACardWithStockCannotBeReKeyed) {
  Article("1", "A1", "MLEKO", {{"B_P_I", Value(5.0)}, {"ILOSC", Value(5.0)}});
  // The key fields are skipped: the first typed characters go to the name.
  d.Key(key::F(4)).Key(key::kCtrlY).Type("ZZ").Key(key::kPgDn).Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"MAG", "INDEKS", "NAZWA", "ILOSC"}), std::vector<std::string>{"1|A1|ZZ|5.000000"});
}

TEST_F(DbuAsTest, EditKeepsAStockQuantityAnotherStationChangedMeanwhile) {
  Article("1", "A1", "MLEKO", {{"ILOSC", Value(5.0)}, {"B_P_I", Value(5.0)}});
  d.Key(key::F(4)).Then([&] {
    // Another posting changes the stock while the form is open.
    xbase::WorkAreas other(env);
    auto a = other.Open(2, As().path(), "as2");
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE((*a)->GoTop().ok());
    ASSERT_TRUE((*a)->LockRecord().ok());
    ASSERT_TRUE((*a)->Replace("ILOSC", Value(2.0)).ok());
    ASSERT_TRUE((*a)->Unlock().ok());
  });
  d.Key(key::kCtrlY).Type("MASLO").Key(key::kPgDn).Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"NAZWA", "ILOSC"}), std::vector<std::string>{"MASLO|2.000000"});
}

TEST_F(DbuAsTest, NetPriceBelowCostWarnsOfALoss) {
  Article("1", "A1", "MLEKO", {{"CENA0", Value(10.0)}, {"CENA", Value(12.0)}, {"CENA2", Value(14.76)}});
  d.Key(key::F(4)).Keys({key::kEnter, key::kEnter});
  // Name, unit, PKWiU, rate, book price, group, subgroup, GTU, purchase price, margin,
  // supplier: then the net price.
  for (int i = 0; i < 11; ++i) d.Key(key::kEnter);
  d.Type("9").Key(key::kEnter).Then([&] { EXPECT_TRUE(d.ShowsAt(10, 38, "     11.07")); });
  d.Key(key::kPgDn);
  ExpectMessage("TO BEDZIE STRATA");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"CENA", "CENA2"}), std::vector<std::string>{"9.000000|11.070000"});
}

TEST_F(DbuAsTest, AppendAndAppendACopy) {
  Article("1", "A1", "MLEKO", {{"CENA", Value(3.0)}, {"CENA2", Value(3.69)}, {"ILOSC", Value(7.0)}});
  d.Key(key::AltF(5)).Type("1").Key(key::kEnter).Type("kopia").Key(key::kEnter).Key(key::kPgDn);
  d.Key(key::F(5)).Type("1").Key(key::kEnter).Type("nowy").Key(key::kEnter).Type("CHLEB").Key(key::kPgDn);
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"INDEKS", "NAZWA", "CENA2", "ILOSC"}),
            (std::vector<std::string>{"A1|MLEKO|3.690000|7.000000", "KOPIA|MLEKO|3.690000|0.000000",
                                      "NOWY|CHLEB|0.000000|0.000000"}));
  ASSERT_TRUE(As().SetOrder(1).ok());
  ASSERT_TRUE(As().SeekKey("1NOWY").ok());
  EXPECT_EQ(FieldDate(As(), "DATA_INI"), s().Today());
}

TEST_F(DbuAsTest, AppendOfAnExistingKeyShowsThatCardAndAddsNothing) {
  Article("1", "A1", "MLEKO");
  Article("1", "B1", "BULKA");
  d.Key(key::F(5)).Type("1").Key(key::kEnter).Type("b1").Key(key::kEnter);
  ExpectIndeks("B1");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Count(), 2);
}

TEST_F(DbuAsTest, AppendWithoutRightsOrInABlankWarehouse) {
  Article("1", "A1", "MLEKO");
  s().op().prawa = "N" + std::string(19, 'T');
  (void)s().settings().SetText("J_MAG_DOPI", "");
  d.Key(key::F(5)).Type("1").Key(key::kEnter).Type("nowy").Key(key::kEnter);
  ExpectMessage("Masz przydzielone male prawa");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Count(), 1);
}

TEST_F(DbuAsTest, DeleteOnlyACardWithoutStock) {
  Article("1", "A1", "MLEKO", {{"B_BO_I", Value(1.0)}});
  Article("1", "A2", "MASLO");
  d.Key(key::F(8));
  ExpectMessage("NIE MASZ PRAWA");
  d.Key(key::kDown).Key(key::F(8)).Then([&] { EXPECT_TRUE(d.Contains("CHCESZ  SKASOWAC  POZYCJE  ?")); });
  d.Key('T').Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"INDEKS"}), std::vector<std::string>{"A1"});
}

TEST_F(DbuAsTest, DeletingTheLastCardLeavesABlankOne) {
  Article("1", "A1", "MLEKO");
  d.Key(key::F(8)).Key('T').Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"INDEKS"}), std::vector<std::string>{""});
}

TEST_F(DbuAsTest, FilterByNameAndNothingFound) {
  Article("1", "A1", "MLEKO");
  Article("1", "A2", "MASLO");
  Article("1", "A3", "MLECZKO");
  // Warehouse, code, then the name.
  d.Key(key::F(6)).Keys({key::kEnter, key::kEnter}).Type("MLE").Key(key::kPgDn).Then([&] {
    EXPECT_NE(d.Line(17).find("MLEKO"), std::string::npos) << d.Dump();
    EXPECT_NE(d.Line(18).find("MLECZKO"), std::string::npos) << d.Dump();
    EXPECT_EQ(d.Line(19).find("MASLO"), std::string::npos) << d.Dump();
  });
  d.Key(key::F(6)).Keys({key::kEnter, key::kEnter}).Type("QQQ").Key(key::kPgDn);
  ExpectMessage("NIE ZNALAZŁEM");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(As().filter(), "");
  EXPECT_EQ(Rows(As(), {"INDEKS"}).size(), 3u);
}

TEST_F(DbuAsTest, SearchFindsTheFirstMatchingCard) {
  Article("1", "A1", "MLEKO");
  Article("1", "A2", "MASLO EKSTRA");
  Article("1", "A3", "MASLO");
  d.Key(key::F(7)).Keys({key::kEnter, key::kEnter}).Type("SLO").Key(key::kPgDn);
  ExpectIndeks("A2");
  d.Key(key::F(7)).Keys({key::kEnter, key::kEnter}).Type("NIC").Key(key::kPgDn);
  ExpectMessage("NIE ZNALAZŁEM");
  ExpectIndeks("A1");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
}

TEST_F(DbuAsTest, PrintListsTheVisibleCardsInTheViewer) {
  Article("1", "A1", "MLEKO", {{"ILOSC", Value(4.0)}});
  Article("1", "A2", "MASLO");
  d.Key(key::F(9)).Then([&] {
    EXPECT_TRUE(d.Contains("KARTOTEKA MAGAZYNOWA"));
    EXPECT_TRUE(d.Contains("1 A1       MLEKO"));
    EXPECT_TRUE(d.Contains("Pozycji: 2"));
  });
  d.Key(key::kEsc).Key(key::kEsc);
  ASSERT_TRUE(RunAs());
}

TEST_F(DbuAsTest, AnotherMonthIsOnlyViewed) {
  Article("1", "A1", "MLEKO");
  s().set_hh_arc("24/02");
  d.Then([&] {
     EXPECT_TRUE(d.LineIs(24, "                             F6-Filtr    F7-Szukanie                     F9-Druk"));
   })
      .Key(key::F(8))
      .Key(key::F(5))
      .Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Count(), 1);
}

TEST_F(DbuAsTest, StationWarehouseFilterAndDownOnAnEmptyGridAppends) {
  Marker("as_filtr.txt");
  s().vars().Set("M_NR_MAG", Value("2"));
  Article("1", "A1", "MLEKO");
  d.Then([&] { EXPECT_EQ(d.Line(17).find("MLEKO"), std::string::npos) << d.Dump(); });
  d.Key(key::kDown).Key(key::kEnter).Type("2").Key(key::kEnter).Type("nowy").Key(key::kEnter).Type("CHLEB").Key(key::kPgDn);
  d.Then([&] { EXPECT_NE(d.Line(17).find("CHLEB"), std::string::npos) << d.Dump(); });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(As().filter(), "mag $ M_nr_mag");
  ASSERT_TRUE(As().SetFilter("").ok());
  EXPECT_EQ(Rows(As(), {"MAG", "INDEKS"}), (std::vector<std::string>{"1|A1", "2|NOWY"}));
}

TEST_F(DbuAsTest, F2OffersTheCardsDocumentReports) {
  Article("1", "A1", "MLEKO");
  d.Key(key::F(2)).Then([&] {
    EXPECT_TRUE(d.ShowsAt(11, 21, "1. Dowody wystawione na dany towar"));
    EXPECT_TRUE(d.ShowsAt(13, 21, "3. Szybka rotacja na kartotece PARTIA"));
  });
  Add(Area(5), {{"RD", Value("PZ")}, {"NRD", Value("       7")}, {"DATA", Value(xbase::Date{s().Today()})},
                {"R_P", Value("P")}, {"MAG", Value("1")}, {"INDEKS", Value("A1")}, {"ILOSC", Value(4.0)}});
  // The first report in the report viewer, then back on the card.
  d.Key(key::kEnter).Then([&] {
    EXPECT_TRUE(d.Contains("DOWODY WYSTAWIONE NA TOWAR")) << d.Dump();
    EXPECT_TRUE(d.Contains("PZ-7"));
    EXPECT_TRUE(d.Contains("Razem pozycji: 1"));
  });
  d.Key(key::kEsc).Then([&] { EXPECT_TRUE(d.Contains("KARTOTEKA MAGAZYNOWA")); });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
}

TEST_F(DbuAsTest, PriceRiseForTheCurrentCardsSupplier) {
  Article("1", "A1", "MLEKO", {{"ODB", Value("DOST1")}, {"CENA", Value(10.0)}, {"CENA2", Value(12.3)}});
  Article("1", "A2", "MASLO", {{"ODB", Value("DOST2")}, {"CENA", Value(10.0)}, {"CENA2", Value(12.3)}});
  Article("2", "A3", "SER", {{"ODB", Value("DOST1")}, {"CENA", Value(4.99)}, {"CENA2", Value(5.39)},
                             {"PODATEK0", Value(" 8")}});
  // The operator table with a supervisor who has no password: the check passes at once.
  ASSERT_TRUE(session::operators::OpenPrawa(s()).ok());
  session::operators::ClosePrawa(s());
  d.Key(key::ShiftF(2)).Then([&] { EXPECT_TRUE(d.Contains("Dostawca: DOST1")); });
  d.Type("10").Key(key::kEnter).Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"INDEKS", "CENA", "CENA2"}),
            (std::vector<std::string>{"A1|11.000000|13.530000", "A2|10.000000|12.300000", "A3|5.490000|5.930000"}));
}

// ---- A search and the filter ----------------------------------------------------------

TEST_F(DbuAsTest, ASearchNeverChangesTheFilter) {
  Article("1", "A1", "KAWA CZARNA");
  Article("1", "A2", "SER ZOLTY");
  Article("1", "A3", "KAWA ZIELONA");
  Article("1", "A4", "SER BIALY");
  auto shows_the_coffee_only = [&] {
    EXPECT_NE(d.Line(17).find("KAWA CZARNA"), std::string::npos) << d.Dump();
    EXPECT_NE(d.Line(18).find("KAWA ZIELONA"), std::string::npos) << d.Dump();
    EXPECT_FALSE(d.Contains("SER"));
  };
  d.Key(key::F(6)).Keys({key::kEnter, key::kEnter}).Type("KAWA").Key(key::kPgDn).Then(shows_the_coffee_only);
  // A search that finds nothing says so and leaves the list as it was.
  d.Key(key::F(7)).Keys({key::kEnter, key::kEnter}).Type("XYZ").Key(key::kPgDn);
  ExpectMessage("NIE ZNALAZŁEM");
  d.Then(shows_the_coffee_only);
  // The cheese is not in the filtered list: the search does not bring it in.
  d.Key(key::F(7)).Keys({key::kEnter, key::kEnter}).Type("SER").Key(key::kPgDn);
  ExpectMessage("NIE ZNALAZŁEM");
  d.Then(shows_the_coffee_only);
  // A card of the list is found in it; the list stays filtered.
  d.Key(key::F(7)).Keys({key::kEnter, key::kEnter}).Type("ZIEL").Key(key::kPgDn);
  ExpectIndeks("A3");
  d.Then([&] { EXPECT_FALSE(d.Contains("SER")); }).Key(key::kUp).Then(shows_the_coffee_only);
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  ExpectDataChecksClean();
}

// ---- Nothing half-written ---------------------------------------------------------------

TEST_F(DbuAsTest, APriceRiseThatDoesNotFitLeavesBothPrices) {
  Article("1", "A1", "DROGI", {{"ODB", Value("DOST1")}, {"CENA", Value(90000000000.0)}, {"CENA2", Value(90000000000.0)}});
  Article("1", "A2", "TANI", {{"ODB", Value("DOST1")}, {"CENA", Value(10.0)}, {"CENA2", Value(12.3)}});
  ASSERT_TRUE(session::operators::OpenPrawa(s()).ok());
  session::operators::ClosePrawa(s());
  // 99 000 000 000 fits the net price, its gross 121 770 000 000 does not.
  d.Key(key::ShiftF(2)).Type("10").Key(key::kEnter);
  ExpectMessage("Ceny bez zmian na kartotekach: 1");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"INDEKS", "CENA", "CENA2"}),
            (std::vector<std::string>{"A1|90000000000.000000|90000000000.000000", "A2|11.000000|13.530000"}));
  ExpectDataChecksClean();
}

TEST_F(DbuAsTest, ACardWithAValueThatDoesNotFitIsNotWrittenAtAll) {
  Article("1", "A1", "MLEKO", {{"CENA0", Value(2.0)}});
  ASSERT_TRUE(As().GoTop().ok());
  const CardSettings cs = CardSettings::Of(s());
  const AsBuffer before = AsRead(As(), cs);
  AsBuffer changed = before;
  changed.nazwa = PadR("MASLO", 30);       // written first
  changed.p.cena0 = 12345678901.0;         // more than CENA0 holds
  d.Then([&] { EXPECT_TRUE(d.Contains("Błąd zapisu - zmiany nie zapisane")); }).Wait(5000);
  bool written = true;
  ASSERT_TRUE(d.Run([&](console::Console&) { written = AsRep(s(), As(), changed, &before); }));
  EXPECT_FALSE(written);
  EXPECT_EQ(Rows(As(), {"NAZWA", "CENA0"}), std::vector<std::string>{"MLEKO|2.000000"});
  EXPECT_FALSE(As().IsLocked());
  ExpectDataChecksClean();
}

// ---- A card another station holds ------------------------------------------------------

class DbuAsHeldTest : public DbuAsTest {
 protected:
  // Another station locks record `recno` of the cards (a second open of the table).
  void HoldElsewhere(uint32_t recno) {
    other = std::make_unique<xbase::WorkAreas>(env);
    auto a = other->Open(2, As().path(), "as2");
    ASSERT_TRUE(a.ok()) << a.status().ToString();
    ASSERT_TRUE((*a)->GoTo(recno).ok());
    ASSERT_TRUE((*a)->LockRecord().ok());
  }
  void Release() { other.reset(); }
  void ExpectWaitingShown() {
    d.Then([&] {
      EXPECT_TRUE(d.Contains("Pozycja zajęta na innym stanowisku"));
      EXPECT_TRUE(d.Contains("Esc - rezygnacja"));
    });
  }
  std::unique_ptr<xbase::WorkAreas> other;
};

TEST_F(DbuAsHeldTest, EscGivesUpTheEditAndSaysItWasNotSaved) {
  Article("1", "A1", "MLEKO");
  d.Key(key::F(4)).Then([&] { HoldElsewhere(1); });
  d.Keys({key::kEnter, key::kEnter}).Key(key::kCtrlY).Type("MASLO").Key(key::kPgDn);
  ExpectWaitingShown();
  d.Key(key::kEsc);
  ExpectMessage("Pozycja zajęta - zmiany nie zapisane");
  d.Then([&] { EXPECT_FALSE(d.Contains("Pozycja zajęta na innym")) << "the waiting message is gone"; });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  Release();
  EXPECT_EQ(Rows(As(), {"NAZWA"}), std::vector<std::string>{"MLEKO"});
  ExpectDataChecksClean();
}

// A new card that cannot be appended (the table held whole by another station) is said
// to be lost, never dropped without a word.
TEST_F(DbuAsHeldTest, ANewCardThatCannotBeAppendedIsSaidNotToBeSaved) {
  Article("1", "A1", "MLEKO");
  d.Key(key::F(5)).Then([&] {
    other = std::make_unique<xbase::WorkAreas>(env);
    auto a = other->Open(2, As().path(), "as2");
    ASSERT_TRUE(a.ok()) << a.status().ToString();
    ASSERT_TRUE((*a)->LockFile().ok());
  });
  d.Type("1").Key(key::kEnter).Type("nowy").Key(key::kEnter).Type("CHLEB").Key(key::kPgDn);
  d.Wait(16000);  // the append is tried for 15 seconds
  ExpectMessage("Kartoteka zajeta na innym stanowisku - karta nie dopisana");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  Release();
  EXPECT_EQ(Rows(As(), {"INDEKS"}), std::vector<std::string>{"A1"});
  ExpectDataChecksClean();
}

TEST_F(DbuAsHeldTest, TheEditIsSavedOnceTheOtherStationLetsGo) {
  Article("1", "A1", "MLEKO");
  d.Key(key::F(4)).Then([&] { HoldElsewhere(1); });
  d.Keys({key::kEnter, key::kEnter}).Key(key::kCtrlY).Type("MASLO").Key(key::kPgDn);
  ExpectWaitingShown();
  d.Wait(2000).Then([&] { Release(); }).Wait(1000);
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"NAZWA"}), std::vector<std::string>{"MASLO"});
  ExpectDataChecksClean();
}

TEST_F(DbuAsHeldTest, WhenTheTimeRunsOutTheOperatorChoosesToWaitOrNot) {
  Article("1", "A1", "MLEKO");
  Article("1", "A2", "MASLO");
  // F8 on A1: the operator waits once more, then gives up.
  d.Key(key::F(8)).Then([&] { HoldElsewhere(1); }).Key('T');
  ExpectWaitingShown();
  d.Wait(16000).Then([&] { EXPECT_TRUE(d.Contains("Pozycja nadal zajęta - czekać dalej ?")); }).Key('T');
  ExpectWaitingShown();
  d.Wait(16000).Key('N');
  ExpectMessage("Pozycja zajęta - nie skasowana");
  // F4 on A1 after the time ran out: the operator waits on and the other station lets go.
  d.Key(key::F(4)).Keys({key::kEnter, key::kEnter}).Key(key::kCtrlY).Type("MLEKO 2%").Key(key::kPgDn);
  d.Wait(31000).Then([&] { EXPECT_TRUE(d.Contains("Pozycja nadal zajęta - czekać dalej ?")); }).Key('T');
  d.Wait(1000).Then([&] { Release(); }).Wait(1000);
  d.Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  EXPECT_EQ(Rows(As(), {"INDEKS", "NAZWA"}), (std::vector<std::string>{"A1|MLEKO 2%", "A2|MASLO"}));
  ExpectDataChecksClean();
}

// ---- The grid ------------------------------------------------------------------------

TEST_F(DbuAsTest, StockLyingLongestIsMarkedWithAPlus) {
  Article("1", "A1", "STARY", {{"B_BO_I", Value(5.0)}, {"ILOSC", Value(5.0)},
                               {"DATA_SD", Value(xbase::Date{s().Today() - 61})},
                               {"DATA_PZ", Value(xbase::Date{s().Today() - 90})}});
  Article("1", "A2", "NOWY", {{"B_BO_I", Value(5.0)}, {"ILOSC", Value(5.0)},
                              {"DATA_SD", Value(xbase::Date{s().Today() - 31})},
                              {"DATA_PZ", Value(xbase::Date{s().Today() - 90})}});
  d.Then([&] {
     // The last column of the grid: "+" over 60 days (never "˝"), "M" over 30.
     auto flag = [&](int row) {
       const std::string line = RTrimCopy(d.Line(row));
       return line.substr(line.rfind("│"));
     };
     EXPECT_EQ(flag(17), "│+") << d.Dump();
     EXPECT_EQ(flag(18), "│M") << d.Dump();
   })
      .Key(key::kEsc);
  ASSERT_TRUE(RunAs());
  ExpectDataChecksClean();
}

// A station that does not rebuild the indexes (a later one, or a period argument) opens a
// name index whose pages are garbage. Tab to the name order must not show a list of some
// of the cards as if it were all of them: the grid is cleared, the index is named with
// the way to rebuild it, and the catalogue is left.
TEST_F(DbuAsTest, ADamagedNameIndexIsToldAndNoListIsShown) {
  for (int i = 1; i <= 51; ++i) {
    const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
    Article("1", "A" + n, "TOWAR " + n);
  }
  const int name_order = HasField(As(), "KOD13") ? 3 : 2;
  const std::string index = As().Order(name_order)->path;
  const std::string shown = index.substr(index.size() - std::string("26/12/as2.ntx").size());
  ASSERT_TRUE(s().areas().CloseAll().ok());
  std::string bytes = dir.Read(index);
  const uint32_t root = xbase::DecodeU32(bytes.data() + xbase::kNtxRootOffset);
  ASSERT_GT(bytes.size(), 3 * xbase::kNtxPageSize) << "the index has leaves under its root";
  uint32_t seed = 7;
  for (size_t page = xbase::kNtxPageSize; page < bytes.size(); page += xbase::kNtxPageSize) {
    if (page == root) continue;
    for (size_t i = page; i < page + xbase::kNtxPageSize; ++i) bytes[i] = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
  }
  dir.Write(index, bytes);
  ASSERT_TRUE(session::InitDbf(s(), ui, ""));  // opened as a later station does: no rebuild

  d.Then([&] { EXPECT_TRUE(d.Contains("TOWAR 01")) << d.Dump(); }).Key(key::kTab);
  d.Then([&] {
     EXPECT_TRUE(d.Contains("Uszkodzony indeks " + shown)) << d.Dump();
     EXPECT_TRUE(d.Contains("Napraw: uruchom program z argumentem 888"));
     EXPECT_TRUE(d.Contains("Reorganizacja zbiorow"));
     // The card above stays; of the list under it (rows 15-23) nothing does.
     for (int row = 15; row <= 23; ++row) {
       EXPECT_EQ(d.Line(row).find("TOWAR"), std::string::npos) << "row " << row << "\n" << d.Dump();
       EXPECT_EQ(d.TextAt(row, 0, 30), std::string(30, ' ')) << "row " << row << "\n" << d.Dump();
     }
   })
      .Key(key::kEnter);
  ASSERT_TRUE(RunAs());
}

}  // namespace
}  // namespace hurt::catalogues::testing
