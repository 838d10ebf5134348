// The counterparty books driven through the headless console.
#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "catalogues/counterparty_books.h"
#include "console/keys.h"
#include "xbase/memory_env.h"

namespace hurt::catalogues::testing {
namespace {

namespace key = console::key;
using xbase::Value;

class DbuZoTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    Book(1);
  }
  void Book(int n) { s().vars().Set("K_KONTRAHENCI", Value(static_cast<double>(n))); }
  xbase::WorkArea& Zo() { return Area(3); }
  void Account(std::string odb, std::string nodb, Fields more = {}) {
    Fields f{{"ODB", Value(odb)}, {"NODB", Value(nodb)}};
    for (auto& m : more) f.push_back(std::move(m));
    Add(Zo(), f);
  }
  bool RunZo(bool* result) {
    return d.Run([&](console::Console&) { *result = DbuZo(s()); });
  }
  void ExpectMessage(const std::string& text) {
    d.Then([this, text] { EXPECT_TRUE(d.Contains(text)); }).Wait(5000);
  }
};

TEST_F(DbuZoTest, EachBookHasItsTitleHeadingAndArea) {
  const char* titles[] = {"ROZRACHUNKI Z ODBIORCAMI", "ROZRACHUNKI Z DOSTAWCAMI", "ROZRACHUNKI Z PRACOWNIKAMI",
                          "POZOSTAŁE ROZRACHUNKI", "NOTES"};
  const char* headings[] = {"Nazwa odbiorcy", "Nazwa dostawcy", "Nazwisko pracownika", "Nazwa firmy", "Nazwa firmy"};
  for (int n = 1; n <= 5; ++n) {
    SCOPED_TRACE(n);
    Book(n);
    d.Then([&, n] {
       EXPECT_TRUE(d.Contains(titles[n - 1]));
       EXPECT_TRUE(d.Contains(headings[n - 1]));
       EXPECT_TRUE(d.Contains("F1-pomoc"));
       EXPECT_TRUE(d.Contains("  Saldo Wn"));
       // The settlement keys are not offered in the notebook.
       EXPECT_EQ(d.Contains("F2-Faktury nierozliczone").operator bool(), n != 5);
     })
        .Key(key::kEsc);
    bool result = false;
    ASSERT_TRUE(RunZo(&result));
    EXPECT_TRUE(result);
  }
}

TEST_F(DbuZoTest, ARefusalTokenDeniesTheBook) {
  s().op().prawa2 = "-M03 -RD";
  Book(2);
  ExpectMessage("Brak praw -R");
  bool result = true;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_FALSE(result);
  // Another book stays open to the operator; the notebook even with "-R*".
  s().op().prawa2 = "-R*";
  Book(5);
  d.Key(key::kEsc);
  ASSERT_TRUE(RunZo(&result));
  EXPECT_TRUE(result);
}

TEST_F(DbuZoTest, BalanceColumnsShowDebitOrCredit) {
  Account("A1", "DLUZNIK", {{"BOWN", Value(100.0)}, {"OBMA", Value(30.0)}});
  Account("A2", "WIERZYCIEL", {{"OBNAMA", Value(12.5)}});
  Account("A3", "ROZLICZONY", {{"OBWN", Value(5.0)}, {"OBMA", Value(5.0)}});
  d.Then([&] {
     const int first = 16;  // title on row 13, heading and its line, then the accounts
     EXPECT_NE(d.Line(first).find("DLUZNIK"), std::string::npos) << d.Dump();
     EXPECT_NE(d.Line(first).find("│     70.00│          "), std::string::npos) << d.Dump();
     EXPECT_NE(d.Line(first + 1).find("│          │     12.50"), std::string::npos) << d.Dump();
     EXPECT_NE(d.Line(first + 2).find("│          │          "), std::string::npos) << d.Dump();
   })
      .Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
}

TEST_F(DbuZoTest, DeleteOnlyABalancedAccountWithoutTurnoverThisMonth) {
  Account("A1", "OBROTY", {{"OBWN", Value(50.0)}, {"OBMA", Value(50.0)}});
  Account("A2", "ZAMKNIETY", {{"BOWN", Value(20.0)}, {"OBNAMA", Value(20.0)}});
  d.Key(key::F(8));
  ExpectMessage("NIE MASZ PRAWA");
  d.Key(key::kDown).Key(key::F(8)).Key('T').Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_EQ(Rows(Zo(), {"ODB"}), std::vector<std::string>{"A1"});
  // The deleted record carries the deletion stamp.
  Zo().SetDeletedHidden(false);
  EXPECT_EQ(Rows(Zo(), {"ODB", "NR_INI"}), (std::vector<std::string>{"A1|", "A2|S"}));
  ASSERT_TRUE(Zo().GoTo(2).ok());
  EXPECT_EQ(FieldDate(Zo(), "DATA_INI"), s().Today());
}

TEST_F(DbuZoTest, AppendWarnsOfABadCheckDigitButTakesIt) {
  Account("A1", "PIERWSZY");
  d.Key(key::F(5)).Type("klient1").Key(key::kEnter);
  d.Type("NOWA FIRMA").Key(key::kEnter);               // name
  for (int i = 0; i < 5; ++i) d.Key(key::kEnter);     // name line 2, postcode, town, street, country
  d.Type("5260250275").Key(key::kEnter);
  ExpectMessage("ZŁY NIP");
  d.Key(key::kPgDn).Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_EQ(Rows(Zo(), {"ODB", "NODB", "REGON"}),
            (std::vector<std::string>{"A1|PIERWSZY|", "KLIENT1|NOWA FIRMA|5260250275"}));
}

TEST_F(DbuZoTest, ATaxNumberOfTheWrongLengthIsRefused) {
  Account("A1", "PIERWSZY");
  d.Key(key::F(5)).Type("klient1").Key(key::kEnter);
  d.Type("NOWA FIRMA").Key(key::kEnter);
  for (int i = 0; i < 5; ++i) d.Key(key::kEnter);
  d.Type("123").Key(key::kEnter);
  // Still in the tax number: Esc gives up the new account.
  d.Then([&] { EXPECT_GE(d.term.beeps(), 1); }).Key(key::kEsc).Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_EQ(Rows(Zo(), {"ODB"}), std::vector<std::string>{"A1"});
}

TEST_F(DbuZoTest, EditAndTheCodeOfAnAccountWithAmounts) {
  Account("A1", "STARA NAZWA");
  Account("B1", "Z SALDEM", {{"BOWN", Value(10.0)}});
  // A1 has no amounts: its code may change.
  d.Key(key::F(4)).Key(key::kCtrlY).Type("A9").Key(key::kEnter).Key(key::kCtrlY).Type("NOWA NAZWA").Key(key::kPgDn);
  // B1 keeps its code: the first typed text goes to the name.
  d.Type("b").Key(key::F(4)).Key(key::kCtrlY).Type("INNA").Key(key::kPgDn);
  d.Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_EQ(Rows(Zo(), {"ODB", "NODB"}), (std::vector<std::string>{"A9|NOWA NAZWA", "B1|INNA"}));
}

TEST_F(DbuZoTest, SettlementKeysNeedTheirRights) {
  Account("A1", "PIERWSZY");
  s().op().prawa = std::string(12, 'T') + "N" + std::string(7, 'T');
  d.Key(key::F(2));
  ExpectMessage("Brak praw");
  d.Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
}

TEST_F(DbuZoTest, IncrementalSearchByCodeAndPrint) {
  Account("AB", "PIERWSZY", {{"BOWN", Value(10.0)}});
  Account("KA", "DRUGI");
  Account("KB", "TRZECI", {{"BOMA", Value(4.0)}});
  d.Type("kb").Then([&] { EXPECT_EQ(RTrimCopy(FieldText(Zo(), "ODB")), "KB"); });
  d.Key(key::kBackspace).Then([&] { EXPECT_EQ(RTrimCopy(FieldText(Zo(), "ODB")), "KA"); });
  d.Key(key::F(9)).Then([&] {
    EXPECT_TRUE(d.Contains("ROZRACHUNKI Z ODBIORCAMI"));
    EXPECT_TRUE(d.Contains("TRZECI"));
    EXPECT_TRUE(d.Contains("Razem:"));
  });
  d.Key(key::kEsc).Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
}

TEST_F(DbuZoTest, FilterByName) {
  Account("A1", "HURTOWNIA ALFA");
  Account("A2", "SKLEP BETA");
  Account("A3", "HURTOWNIA GAMMA");
  d.Key(key::F(6)).Key(key::kEnter).Type("HURT").Key(key::kPgDn).Then([&] {
    EXPECT_NE(d.Line(16).find("ALFA"), std::string::npos) << d.Dump();
    EXPECT_NE(d.Line(17).find("GAMMA"), std::string::npos) << d.Dump();
  });
  d.Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_EQ(Zo().filter(), "");
}

TEST_F(DbuZoTest, TaxNumberMenuFindsAnAccountAndListsBadNumbers) {
  Account("A1", "PIERWSZY", {{"REGON", Value("1234563218")}});
  Account("B1", "DRUGI", {{"REGON", Value("526-025-02-74")}});
  Account("C1", "ZLY", {{"REGON", Value("5260250275")}});
  // Find by number: one account, the screen stands on it.
  d.Key(key::AltF(7)).Key(key::kEnter).Type("5260250274").Key(key::kEnter).Then([&] {
    EXPECT_EQ(RTrimCopy(FieldText(Zo(), "ODB")), "B1");
  });
  // The bad numbers in the report viewer.
  d.Key(key::AltF(7)).Key(key::kDown).Key(key::kDown).Key(key::kEnter).Then([&] {
    EXPECT_TRUE(d.Contains("BŁĘDNE NIPY")) << d.Dump();
    EXPECT_TRUE(d.Contains("zła suma kontrolna"));
    EXPECT_FALSE(d.Contains("PIERWSZY"));
  });
  d.Key(key::kEsc).Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
}

TEST_F(DbuZoTest, TabShowsTheCurrencyBalanceWhenTheBooksKeepCurrencies) {
  Account("A1", "PIERWSZY", {{"BOWN", Value(10.0)}});
  Add(Area(7), {{"KTO", Value("O")}, {"ODB", Value("A1")}, {"MAG", Value("1")}, {"RD", Value("FV")},
                {"NRD", Value("       1")}, {"OBWN", Value(430.0)}, {"WALUTA", Value("EUR")}, {"DOLAR", Value(100.0)}});
  Marker("DOLAR.TXT");
  d.Then([&] {
     EXPECT_TRUE(d.Contains("TAB = SALDO WALUTOWE"));
     EXPECT_TRUE(d.Contains("BO     Wn:"));
   })
      .Key(key::kTab)
      .Then([&] {
        EXPECT_TRUE(d.Contains("TAB - tresc"));
        EXPECT_TRUE(d.Contains("Saldo walutowe:"));
        EXPECT_NE(d.Line(10).find("EUR"), std::string::npos) << d.Dump();
        EXPECT_NE(d.Line(10).find("100.00"), std::string::npos) << d.Dump();
      })
      .Key(key::kTab)
      .Then([&] { EXPECT_TRUE(d.Contains("BO     Wn:")); })
      .Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
}

TEST_F(DbuZoTest, TheFilterCanCopyItsAccountsForASpreadsheet) {
  Account("A1", "HURTOWNIA ALFA");
  Account("A2", "SKLEP BETA");
  d.Key(key::F(6)).Key(key::kEnter).Type("HURT").Key(key::kEnter);
  for (int i = 0; i < 4; ++i) d.Key(key::kEnter);  // town, street, tax number, group
  d.Type("T").Key(key::kEnter);  // the last field: the form ends
  ExpectMessage("Powstal plik excel/zo" + Dtos(s().Today()) + ".dbf");
  d.Key(key::kEsc).Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_TRUE(env.Exists(dir.str() + "/excel/zo" + Dtos(s().Today()) + ".dbf"));
}

TEST_F(DbuZoTest, BalanceLettersAndEnvelopesGoThroughTheViewer) {
  Add(Area(1), {{"NODB", Value("NASZA FIRMA")}, {"MODB", Value("KRAKÓW")}});
  Account("A1", "ALFA", {{"REGON", Value("5260250274")}, {"BOWN", Value(100.0)}, {"UODB", Value("POLNA 1")}});
  Account("A2", "ALFA ODDZIAL", {{"REGON", Value("526-025-02-74")}, {"OBMA", Value(40.0)}});
  // By tax number: both accounts of the number in one letter.
  d.Key(key::AltF(2)).Key(key::kDown).Key(key::kEnter).Then([&] {
    EXPECT_TRUE(d.Contains("POTWIERDZENIE SALDA")) << d.Dump();
    EXPECT_TRUE(d.Contains("Konto: A1, A2"));
    EXPECT_TRUE(d.Contains("60.00 zł na naszą korzyść"));
  });
  d.Key(key::kEsc);
  // The addressee's envelope has no sender.
  d.Key(key::AltF(9)).Key(key::kDown).Key(key::kEnter).Then([&] {
    EXPECT_TRUE(d.Contains("POLNA 1")) << d.Dump();
    EXPECT_FALSE(d.Contains("NASZA FIRMA"));
  });
  d.Key(key::kEsc).Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_EQ(RTrimCopy(FieldText(Zo(), "ODB")), "A1") << "the book is back where it stood";
}

TEST_F(DbuZoTest, ASearchNeverChangesTheFilter) {
  Account("A1", "HURTOWNIA ALFA");
  Account("A2", "SKLEP BETA");
  Account("A3", "HURTOWNIA GAMMA");
  auto shows_the_wholesalers_only = [&] {
    EXPECT_NE(d.Line(16).find("ALFA"), std::string::npos) << d.Dump();
    EXPECT_NE(d.Line(17).find("GAMMA"), std::string::npos) << d.Dump();
    EXPECT_FALSE(d.Contains("SKLEP"));
  };
  d.Key(key::F(6)).Key(key::kEnter).Type("HURT").Key(key::kPgDn).Then(shows_the_wholesalers_only);
  d.Key(key::F(7)).Key(key::kEnter).Type("XYZ").Key(key::kPgDn);
  ExpectMessage("NIE ZNALAZŁEM");
  d.Then(shows_the_wholesalers_only);
  d.Key(key::F(7)).Key(key::kEnter).Type("SKLEP").Key(key::kPgDn);
  ExpectMessage("NIE ZNALAZŁEM");
  d.Then(shows_the_wholesalers_only);
  d.Key(key::F(7)).Key(key::kEnter).Type("GAMMA").Key(key::kPgDn).Then([&] {
    EXPECT_EQ(RTrimCopy(FieldText(Zo(), "ODB")), "A3");
    EXPECT_FALSE(d.Contains("SKLEP"));
  });
  d.Key(key::kUp).Then(shows_the_wholesalers_only);
  d.Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  ExpectDataChecksClean();
}

TEST_F(DbuZoTest, EscOnAHeldAccountSaysTheEditWasNotSaved) {
  Account("A1", "STARA NAZWA");
  std::unique_ptr<xbase::WorkAreas> other;
  d.Key(key::F(4)).Then([&] {
    other = std::make_unique<xbase::WorkAreas>(env);
    auto a = other->Open(3, Zo().path(), "zo2");
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE((*a)->GoTo(1).ok());
    ASSERT_TRUE((*a)->LockRecord().ok());
  });
  d.Key(key::kEnter).Key(key::kCtrlY).Type("NOWA NAZWA").Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.Contains("Pozycja zajęta na innym stanowisku")); }).Key(key::kEsc);
  ExpectMessage("Pozycja zajęta - zmiany nie zapisane");
  // F8 waits the same way.
  d.Key(key::F(8)).Key('T').Then([&] { EXPECT_TRUE(d.Contains("Esc - rezygnacja")); }).Key(key::kEsc);
  ExpectMessage("Pozycja zajęta - nie skasowana");
  d.Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  other.reset();
  EXPECT_EQ(Rows(Zo(), {"ODB", "NODB"}), std::vector<std::string>{"A1|STARA NAZWA"});
  ExpectDataChecksClean();
}

TEST_F(DbuZoTest, TheTurnoverRowFitsTheScreen) {
  Account("A1", "OBROTY", {{"OBNAWN", Value(1000.0)}, {"OBWN", Value(12345678.9)}, {"OBMA", Value(98765432.1)}});
  d.Then([&] {
     EXPECT_TRUE(d.LineIs(10, "BO     Wn:         0.00 Ma:         0.00"));
     EXPECT_TRUE(d.LineIs(11, "Obroty Wn:  12346678.90 Ma:  98765432.10 w tym m-c Wn:12345678.90 Ma:98765432.10"));
   })
      .Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
}

TEST_F(DbuZoTest, EditTrimsTheCodeAsAppendDoes) {
  Account("A1", "PIERWSZY");
  Account("B1", "DRUGI");
  // " B1" is B1: taken.
  d.Key(key::F(4)).Key(key::kCtrlY).Type(" b1").Key(key::kEnter);
  ExpectMessage("MASZ JUZ TAKI KOD");
  d.Key(key::kPgDn);
  d.Key(key::F(4)).Key(key::kCtrlY).Type("  x9").Key(key::kEnter).Key(key::kPgDn);
  // A code emptied is refused: the account keeps its code.
  d.Key(key::F(4)).Key(key::kCtrlY).Key(key::kEnter);
  ExpectMessage("Kod nie moze byc pusty");
  d.Key(key::kPgDn);
  d.Key(key::kEsc);
  bool result = false;
  ASSERT_TRUE(RunZo(&result));
  EXPECT_EQ(Rows(Zo(), {"ODB", "NODB"}), (std::vector<std::string>{"B1|DRUGI", "X9|PIERWSZY"}));
  ExpectDataChecksClean();
}

TEST(ZlyNip, QuietAndWarningForms) {
  hurt::testing::ScreenDriver d;
  xbase::MemoryEnv env{d.clock};
  session::SessionOptions options;
  session::Session s(env, d.con, options);
  bool bad_loud = true;
  d.Then([&] { EXPECT_TRUE(d.Contains("ZŁY NIP")); }).Wait(2000);
  ASSERT_TRUE(d.Run([&](console::Console&) {
    EXPECT_FALSE(ZlyNip(s, "5260250274"));
    EXPECT_TRUE(ZlyNip(s, "5260250275", true));
    EXPECT_TRUE(ZlyNip(s, "52602", true));
    EXPECT_TRUE(ZlyNip(s, "52602"));
    bad_loud = ZlyNip(s, "5260250275");
  }));
  EXPECT_FALSE(bad_loud);
}

}  // namespace
}  // namespace hurt::catalogues::testing
