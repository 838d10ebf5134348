// The document kinds and the transfer orders driven through the headless console.
#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "catalogues/kind_catalogue.h"
#include "console/keys.h"
#include "xbase/table.h"
#include "session/kind_seeds.h"

namespace hurt::catalogues::testing {
namespace {

namespace key = console::key;
using xbase::Value;

class DbuRdTest : public CatalogueTest {
 protected:
  xbase::WorkArea& Slow() { return Area(9); }
  xbase::WorkArea& Dowod() { return Area(6); }
  void Kind(std::string rd, std::string opis, Fields more = {}) {
    Fields f{{"RD", Value(rd)}, {"OPIS", Value(opis)}, {"R_P", Value("R")}, {"S_Z", Value("S")},
             {"CUV", Value("U")}, {"KTO", Value("O")}, {"NB", Value("N")}};
    for (auto& m : more) f.push_back(std::move(m));
    Add(Slow(), f);
  }
  void Document(std::string rd, std::string nrd) {
    Add(Dowod(), {{"RD", Value(rd)}, {"NRD", Value(nrd)}, {"DATA", Value(xbase::Date{s().Today()})}});
  }
  void Run(bool jpk = false) {
    ASSERT_TRUE(d.Run([&](console::Console&) { EXPECT_TRUE(DbuRd(s(), jpk)); }));
  }
  void ExpectMessage(const std::string& text) {
    d.Then([this, text] { EXPECT_TRUE(d.Contains(text)) << d.Dump(); }).Wait(5000);
  }
};

TEST_F(DbuRdTest, AnEmptyTableGetsTheStarterKindsOnceAndTheScreenListsThem) {
  store::testing::FakeStoreUi quiet{d.clock};
  auto added = session::AddStarterKindsWhenEmpty(quiet, Slow());
  ASSERT_TRUE(added.ok());
  EXPECT_TRUE(*added);
  added = session::AddStarterKindsWhenEmpty(quiet, Slow());
  ASSERT_TRUE(added.ok());
  EXPECT_FALSE(*added);
  const std::vector<std::string> rows = Rows(Slow(), {"RD", "R_P", "S_Z", "NB"});
  EXPECT_EQ(rows.size(), 12u);
  for (const char* expected : {"FV|R|S|N", "SD|R|S|B", "WZ|R|S|N", "PZ|P|Z|N", "FK|K|S|N", "KZ|K|Z|N", "RW|R|D|",
                               "PW|P|D|", "MM|M|D|", "KP|R||", "KW|P||"}) {
    EXPECT_NE(std::find(rows.begin(), rows.end(), expected), rows.end()) << expected;
  }
  d.Then([&] {
     EXPECT_TRUE(d.Contains("RODZAJE DOWODOW"));
     EXPECT_TRUE(d.Contains("FAKTURA KORYGUJĄCA"));
     EXPECT_TRUE(d.Contains("Ostatni nr"));
   }).Key(key::kEsc);
  Run();
}

TEST_F(DbuRdTest, AppendChecksEachFieldAndWritesTheKind) {
  Kind("FV", "FAKTURA VAT");
  d.Key(key::F(5)).Type("fw").Key(key::kEnter);
  d.Key(key::kEnter);                                     // counter 0
  d.Type("FAKTURA WEWNETRZNA").Key(key::kEnter);
  d.Type("Q").Key(key::kEnter);                           // R_P: refused
  ExpectMessage("Dozwolone: R,P,M,K");
  d.Key(key::kBackspace).Type("R").Key(key::kEnter);
  d.Type("S").Key(key::kEnter).Type("U").Key(key::kEnter).Type("N").Key(key::kEnter);
  d.Type("X").Key(key::kEnter);                           // KTO: refused
  ExpectMessage("Dozwolone: O,D,P,F");
  d.Key(key::kBackspace).Type("O").Key(key::kPgDn);
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(Slow(), {"RD", "OPIS", "R_P", "S_Z", "CUV", "NB", "KTO"}),
            (std::vector<std::string>{"FV|FAKTURA VAT|R|S|U|N|O", "FW|FAKTURA WEWNETRZNA|R|S|U|N|O"}));
  ExpectDataChecksClean();
}

TEST_F(DbuRdTest, PgDnBeforeTheLastFieldStillChecksTheFieldsNotVisited) {
  Kind("FV", "FAKTURA VAT");
  // PgDn on the movement field: the register field (blank, not allowed) was never left.
  d.Key(key::F(5)).Type("fw").Key(key::kEnter).Key(key::kEnter);
  d.Type("FAKTURA WEWNETRZNA").Key(key::kEnter).Type("R").Key(key::kPgDn);
  ExpectMessage("Kartoteka (O,D,P,F): Dozwolone: O,D,P,F");
  // The form comes back with what was typed; Esc there appends nothing.
  d.Then([&] { EXPECT_TRUE(d.Contains("Opis              : FAKTURA WEWNETRZNA")) << d.Dump(); });
  d.Key(key::kEsc);
  // Once more, walking to the register field this time.
  d.Key(key::F(5)).Type("fw").Key(key::kEnter).Key(key::kEnter);
  d.Type("FAKTURA WEWNETRZNA").Key(key::kEnter).Type("R").Key(key::kPgDn);
  ExpectMessage("Kartoteka (O,D,P,F): Dozwolone: O,D,P,F");
  for (int i = 0; i < 6; ++i) d.Key(key::kEnter);
  d.Type("O").Key(key::kPgDn);
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(Slow(), {"RD", "OPIS", "R_P", "KTO"}),
            (std::vector<std::string>{"FV|FAKTURA VAT|R|O", "FW|FAKTURA WEWNETRZNA|R|O"}));
}

TEST_F(DbuRdTest, ACodeAnotherStationAddedWhileTheFormWasFilledIsNotAddedTwice) {
  Kind("FV", "FAKTURA VAT");
  d.Key(key::F(5)).Type("xy").Key(key::kEnter);
  d.Then([&] { Kind("XY", "INNA STACJA"); });  // the other station, meanwhile
  d.Key(key::kEnter).Type("STACJA 1").Key(key::kEnter).Type("R").Key(key::kEnter).Type("S").Key(key::kEnter);
  d.Type("U").Key(key::kEnter).Type("N").Key(key::kEnter).Type("O").Key(key::kPgDn);
  ExpectMessage("MASZ JUZ TAKI KOD - nie dopisane");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(Slow(), {"RD", "OPIS"}), (std::vector<std::string>{"FV|FAKTURA VAT", "XY|INNA STACJA"}));
}

TEST_F(DbuRdTest, AnExistingCodeShowsThatKindAndEscWritesNothing) {
  Kind("FV", "FAKTURA VAT");
  Kind("WZ", "WYDANIE");
  d.Key(key::F(5)).Type("wz").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Opis              : WYDANIE")) << d.Dump(); });
  // Esc in the middle of an edit leaves the kind as it was.
  d.Key(key::F(4)).Key(key::kEnter).Key(key::kEnter).Key(key::kCtrlY).Type("ZMIANA").Key(key::kEsc);
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(Slow(), {"RD", "OPIS"}), (std::vector<std::string>{"FV|FAKTURA VAT", "WZ|WYDANIE"}));
}

TEST_F(DbuRdTest, TheCounterCannotGoBelowTheHighestDocumentAndAUsedKindKeepsItsCode) {
  Kind("FV", "FAKTURA VAT", {{"NRD", Value(12.0)}});
  Document("FV ", "       3");
  Document("FV ", "      12");
  Document("FV ", "       7");
  // The code is not offered (documents carry it): the form starts on the counter.
  d.Key(key::F(4)).Key(key::kCtrlY).Type("5").Key(key::kPgDn);
  ExpectMessage("Sa juz dowody FV do numeru 12 - licznik za maly - zmiany nie zapisane");
  d.Key(key::F(4)).Key(key::kCtrlY).Type("20").Key(key::kPgDn);
  // Nor can it be deleted.
  d.Key(key::F(8));
  ExpectMessage("Sa dowody tego rodzaju - nie kasuje");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(Slow(), {"RD", "NRD"}), std::vector<std::string>{"FV|20.000000"});
}

TEST_F(DbuRdTest, ACodeChangeIsAskedAgainWhenTheFormIsLeft) {
  Kind("FV", "FAKTURA VAT");
  Kind("XY", "NOWY");
  Kind("ZZ", "INNY");
  // A document of the kind posted elsewhere while its code was being changed.
  d.Type("X").Key(key::F(4)).Key(key::kCtrlY).Type("XW").Key(key::kEnter);
  d.Then([&] { Document("XY ", "       1"); });
  d.Key(key::kPgDn);
  ExpectMessage("Kod w uzyciu - zmiany nie zapisane");
  // The new code taken elsewhere meanwhile.
  d.Type("Z").Key(key::F(4)).Key(key::kCtrlY).Type("ZW").Key(key::kEnter);
  d.Then([&] { Kind("ZW", "Z INNEJ STACJI"); });
  d.Key(key::kPgDn);
  ExpectMessage("MASZ JUZ TAKI KOD - zmiany nie zapisane");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(Slow(), {"RD", "OPIS"}),
            (std::vector<std::string>{"FV|FAKTURA VAT", "XY|NOWY", "ZW|Z INNEJ STACJI", "ZZ|INNY"}));
}

TEST_F(DbuRdTest, AKindWithoutDocumentsIsDeletedAfterTheQuestion) {
  Kind("FV", "FAKTURA VAT");
  Kind("XX", "NIEPOTRZEBNY");
  d.Type("X").Key(key::F(8)).Type("N");   // N to the question: kept
  d.Key(key::F(8)).Type("T");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(Slow(), {"RD"}), std::vector<std::string>{"FV"});
}

TEST_F(DbuRdTest, TheTaxFileScreenChangesOnlyTheTaxFileFields) {
  Kind("FV", "FAKTURA VAT");
  // F4: the first field offered is JPK_N; F5 and F8 do nothing here.
  d.Key(key::F(4)).Type("K19").Key(key::kEnter).Type("K20").Key(key::kPgDn);
  d.Key(key::F(5)).Key(key::F(8));
  d.Then([&] { EXPECT_TRUE(d.Contains("PARAMETRY DOWODOW DO JPK")); }).Key(key::kEsc);
  Run(true);
  EXPECT_EQ(Rows(Slow(), {"RD", "OPIS", "JPK_N", "JPK_V"}), std::vector<std::string>{"FV|FAKTURA VAT|K19|K20"});
}

TEST_F(DbuRdTest, ThePrintedListHoldsEveryKindWithItsCounter) {
  Kind("FV", "FAKTURA VAT", {{"NRD", Value(41.0)}});
  Kind("PZ", "PRZYJECIE", {{"R_P", Value("P")}, {"S_Z", Value("Z")}});
  d.Key(key::F(9));
  d.Then([&] {
     EXPECT_TRUE(d.Contains("FV  FAKTURA VAT")) << d.Dump();
     EXPECT_TRUE(d.Contains("R S U N O")) << d.Dump();
     EXPECT_TRUE(d.Contains("41")) << d.Dump();
     EXPECT_TRUE(d.Contains("PZ  PRZYJECIE")) << d.Dump();
   }).Key(key::kEsc);
  d.Key(key::kEsc);
  Run();
}

TEST_F(DbuRdTest, ATransferOrderNeedsAnAmountAboveZero) {
  using xbase::DbfFieldDescriptor;
  const std::vector<DbfFieldDescriptor> fields = {{"Z_NODB", 'C', 27, 0}, {"Z_NRBO", 'C', 27, 0},
                                                  {"KWOTA", 'C', 12, 0},  {"TYTUL", 'C', 27, 0},
                                                  {"DATA", 'D', 8, 0}};
  ASSERT_TRUE(xbase::Table::Create(env, dir / "pp.dbf", fields).ok());
  d.Key(key::F(5)).Type("HURTOWNIA SP. Z O.O.").Key(key::kEnter).Type("12345").Key(key::kEnter);
  d.Type("0").Key(key::kEnter);
  ExpectMessage("Kwota musi byc liczba wieksza od zera");
  // A thousands separator is not a decimal point: "1,234.5" is not taken as 1.23.
  d.Key(key::kCtrlY).Type("1,234.5").Key(key::kEnter);
  ExpectMessage("Kwota musi byc liczba wieksza od zera");
  d.Key(key::kCtrlY).Type("-0").Key(key::kEnter);
  ExpectMessage("Kwota musi byc liczba wieksza od zera");
  // Wider than the field with its two decimals.
  d.Key(key::kCtrlY).Type("123456789012").Key(key::kEnter);
  ExpectMessage("Kwota za duza");
  d.Key(key::kCtrlY).Type("1234,5").Key(key::kEnter).Type("ZA FAKTURE 7").Key(key::kEnter);
  d.Type("08122026").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("POLECENIA PRZELEWU")) << d.Dump(); }).Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { EXPECT_TRUE(DbuPp(s())); }));
  auto pp = s().areas().Open(231, dir / "pp.dbf", "pp_dbf");
  ASSERT_TRUE(pp.ok());
  EXPECT_EQ(Rows(**pp, {"Z_NODB", "Z_NRBO", "KWOTA", "TYTUL"}),
            std::vector<std::string>{"HURTOWNIA SP. Z O.O.|12345|     1234.50|ZA FAKTURE 7"});
  EXPECT_EQ(FieldDate(**pp, "DATA"), JulianFromYmd(2026, 12, 8));
  ASSERT_TRUE(s().areas().Close(231).ok());
}

TEST_F(DbuRdTest, WithoutTheTableTheTransferOrdersSaySo) {
  if (env.Exists(dir / "pp.dbf")) {
    ASSERT_TRUE(env.Remove(dir / "pp.dbf").ok());
  }
  ExpectMessage("Brak pliku pp.dbf");
  ASSERT_TRUE(d.Run([&](console::Console&) { EXPECT_FALSE(DbuPp(s())); }));
}

}  // namespace
}  // namespace hurt::catalogues::testing
