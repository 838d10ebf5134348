// The payment demand from the settlement browse: the questions it asks, the item under
// the cursor when nothing is marked, and the letter in the station's report file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "base/printed_text.h"
#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "settlements/ledger_screen.h"

namespace hurt::settlements {
namespace {

using catalogues::testing::CatalogueTest;
using xbase::Value;
namespace key = console::key;
using namespace hurt::literals;

class LedgerLettersTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    // Two invoices of K1: FV 1 long overdue, FV 2 due in the far future.
    Item("1", 100, JulianFromYmd(2024, 1, 10));
    Item("2", 50, JulianFromYmd(2099, 1, 1));
    Add(Area(3), {{"ODB", Value("K1")}, {"NODB", Value("SKLEP POD LIPAMI")}, {"OBWN", Value(150.0)}});
  }
  void Item(std::string nrd, double wn, JulianDay termin) {
    Add(Area(7), {{"KTO", Value("O")}, {"ODB", Value("K1")}, {"RD", Value("FV ")}, {"NRD", Value(nrd)},
                  {"MAG", Value("1")}, {"OBWN", Value(wn)}, {"R_P", Value("R")},
                  {"DATA", Value(xbase::Date{JulianFromYmd(2024, 1, 1)})}, {"TERMIN", Value(xbase::Date{termin})}});
  }
  std::string Letter() {
    std::ifstream in(dir / "rob/wydruk01.prn", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void Run() { ASSERT_TRUE(d.Run([&](console::Console&) { FaNRozliczanie(s(), "O", "K1       ", "SKLEP"); })); }
};

TEST_F(LedgerLettersTest, TheLegalOfficesDemandWithTheWarningOfTheMarkedItems) {
  dir.Write("WEZWANIE.TXT", "Kancelaria Prawna wzywa do zaplaty w terminie 7 dni.\r\n");
  d.Key(key::kSpace).Key(key::kDown).Key(key::kSpace);  // both marked
  d.Key(key::F(3)).Key(key::kDown).Key(key::kDown).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("WEZWANIE BIURA PRAWNEGO ?")) << d.Dump(); }).Key('T');
  d.Then([&] { EXPECT_TRUE(d.Contains("REJESTRU")) << d.Dump(); }).Key('T');
  d.Then([&] { EXPECT_TRUE(d.Contains("Informacji udziela :")) << d.Dump(); });
  d.Type("Jan").Key(key::kEnter).Type("123").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("rob/wydruk01.prn")) << d.Dump(); }).Key(key::kEsc);
  d.Then([&] { EXPECT_TRUE(d.Contains("Spacja-Zaznaczenie")) << d.Dump(); }).Key(key::kEsc);
  Run();
  const std::string letter = Letter();
  EXPECT_NE(letter.find(OverstrikeLAndAcute("WEZWANIE DO ZAPŁATY"_pl)), std::string::npos) << letter;
  EXPECT_NE(letter.find(OverstrikeLAndAcute("OFICJALNEGO REJESTRU DŁUŻNIKÓW"_pl)), std::string::npos) << letter;
  EXPECT_NE(letter.find("Kancelaria Prawna wzywa do zaplaty w terminie 7 dni."), std::string::npos) << letter;
  EXPECT_NE(letter.find("SKLEP POD LIPAMI"), std::string::npos) << letter;
  EXPECT_NE(letter.find("FV-1 z 01.01.24"), std::string::npos) << letter;
  EXPECT_NE(letter.find("FV-2 z 01.01.24"), std::string::npos) << letter;
  EXPECT_NE(letter.find("Informacji udziela : Jan"), std::string::npos) << letter;
  // The rates were made with the statutory table when the demand first needed them.
  EXPECT_TRUE(env.Exists(dir / "odsetki.dbf"));
  ExpectDataChecksClean();
}

TEST_F(LedgerLettersTest, NothingMarkedTheItemUnderTheCursorAndEscPrintsNothing) {
  d.Key(key::kDown);  // FV 2, not yet due
  d.Key(key::F(3)).Key(key::kDown).Key(key::kDown).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("REJESTRU")) << d.Dump(); }).Key('N');
  d.Then([&] { EXPECT_TRUE(d.Contains("Informacji udziela :")) << d.Dump(); }).Key(key::kEsc);
  d.Then([&] { EXPECT_TRUE(d.Contains("Spacja-Zaznaczenie")) << d.Dump(); });
  EXPECT_FALSE(env.Exists(dir / "rob/wydruk01.prn"));
  // The browse is back on its first item after F3.
  d.Key(key::kDown).Key(key::F(3)).Key(key::kDown).Key(key::kDown).Key(key::kEnter).Key('N');
  d.Key(key::kEnter).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("rob/wydruk01.prn")) << d.Dump(); }).Key(key::kEsc);
  d.Key(key::kEsc);
  Run();
  const std::string letter = Letter();
  EXPECT_NE(letter.find("FV-2 z 01.01.24"), std::string::npos) << letter;
  EXPECT_EQ(letter.find("FV-1 z"), std::string::npos) << letter;
  EXPECT_EQ(letter.find("REJESTRU"), std::string::npos) << letter;
  ExpectDataChecksClean();
}

}  // namespace
}  // namespace hurt::settlements
