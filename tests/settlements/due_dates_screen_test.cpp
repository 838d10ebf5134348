// The due-date list (Terminarz): the work table in due-date order with its running total,
// the filter by the counterparty's record, and the screen over it.
#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "settlements/due_dates.h"

namespace hurt::settlements {
namespace {

using catalogues::testing::CatalogueTest;
using catalogues::testing::Fields;
using xbase::Value;
namespace key = console::key;

class DueDatesTest : public CatalogueTest {
 protected:
  xbase::WorkArea& FaN() { return Area(7); }
  xbase::WorkArea& Zo() { return Area(3); }
  xbase::WorkArea& Zd() { return Area(103); }
  void Item(std::string kto, std::string odb, std::string nrd, double wn, double ma, JulianDay termin,
            double kurs = 0) {
    Add(FaN(), {{"KTO", Value(kto)}, {"ODB", Value(odb)}, {"RD", Value("FV ")}, {"NRD", Value(nrd)},
                {"MAG", Value("1")}, {"OBWN", Value(wn)}, {"OBMA", Value(ma)}, {"R_P", Value("R")},
                {"KURS", Value(kurs)}, {"WALUTA", Value(kurs > 0 ? "EUR" : "")},
                {"DATA", Value(xbase::Date{JulianFromYmd(2024, 3, 1)})},
                {"TERMIN", Value(xbase::Date{termin})}});
  }
  void Party(xbase::WorkArea& book, std::string odb, std::string nodb, double wn, double ma, Fields more = {}) {
    Fields f{{"ODB", Value(odb)}, {"NODB", Value(nodb)}, {"OBWN", Value(wn)}, {"OBMA", Value(ma)}};
    for (auto& m : more) f.push_back(std::move(m));
    Add(book, f);
  }
  // Three customers and a supplier; due dates against the order of the keys.
  void Ledger() {
    Item("O", "AAA", "1", 100, 0, JulianFromYmd(2024, 3, 20));
    Item("O", "AAA", "2", 50, 50, JulianFromYmd(2024, 3, 2));  // paid in cash: nothing owed
    Item("O", "BBB", "3", 200, 0, JulianFromYmd(2024, 3, 5));
    Item("O", "CCC", "4", 10, 0, JulianFromYmd(2024, 3, 10), 4.0);  // 10 EUR at 4.00
    Item("D", "DDD", "5", 0, 70, JulianFromYmd(2024, 3, 15));
    Item("O", "AAA", "6", 30, 0, kEmptyDate);  // no due date: the booking date, 01.03
    Party(Zo(), "AAA", "ALFA", 180, 50, {{"KOMU", Value("JANEK")}, {"TEL", Value("77 441 20 11")}});
    Party(Zo(), "BBB", "BETA", 200, 0, {{"KOMU", Value("JANEK")}, {"KIER", Value("22")}});
    Party(Zo(), "CCC", "CEBU", 40, 0, {{"KOMU", Value("OLA")}, {"TEL", Value("77 400 00 00")}});
    Party(Zd(), "DDD", "DELTA", 0, 70);
  }
  std::vector<std::string> Built(const DueDateFilter& filter) {
    const int area = 233;
    auto built = BudujTerminarz(s(), filter, dir / "rob/term01.dbf", dir / "rob/term01.ntx", area);
    EXPECT_TRUE(built.ok()) << built.status().ToString();
    std::vector<std::string> rows = Rows(Area(area), {"ODB", "NRD", "KWOTA", "NARAST"});
    for (std::string& row : rows) std::erase(row, ' ');  // the numbers are right-aligned
    (void)s().areas().Close(area);
    return rows;
  }
};

TEST_F(DueDatesTest, TheItemsOwedInDueDateOrderWithTheRunningTotal) {
  Ledger();
  EXPECT_EQ(Built({}), (std::vector<std::string>{
                           "AAA|6|30.000000|30.000000",     // 01.03 (booking date)
                           "BBB|3|200.000000|230.000000",   // 05.03
                           "CCC|4|40.000000|270.000000",    // 10.03, in złoty
                           "DDD|5|-70.000000|200.000000",   // 15.03, we owe
                           "AAA|1|100.000000|300.000000",   // 20.03
                       }));
  ExpectDataChecksClean();
}

TEST_F(DueDatesTest, TheFilterIsAppliedToTheCounterpartysRecord) {
  Ledger();
  DueDateFilter janek;
  janek.opiekun = "JANEK   ";
  // Suppliers have no supervisor's code: a filled code leaves them out.
  EXPECT_EQ(Built(janek), (std::vector<std::string>{"AAA|6|30.000000|30.000000", "BBB|3|200.000000|230.000000",
                                                    "AAA|1|100.000000|330.000000"}));
  DueDateFilter prefix;
  prefix.kier = "77 ";  // KIER, or the start of TEL where KIER is blank
  EXPECT_EQ(Built(prefix), (std::vector<std::string>{"AAA|6|30.000000|30.000000", "CCC|4|40.000000|70.000000",
                                                     "AAA|1|100.000000|170.000000"}));
  prefix.kier = "22";
  EXPECT_EQ(Built(prefix), (std::vector<std::string>{"BBB|3|200.000000|200.000000"}));
}

TEST_F(DueDatesTest, TheListOnScreenAndEnterOpensTheCounterpartysSettlements) {
  Ledger();
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Narastajaco")) << d.Dump();
    EXPECT_TRUE(d.Contains("Naleznosci:        370.00   Zobowiazania:         70.00   Saldo:        300.00")) << d.Dump();
    // The first row: AAA's item due 01.03, late by the days since.
    const std::string late = std::to_string(s().Today() - JulianFromYmd(2024, 3, 1));
    EXPECT_NE(d.Line(2).find("01.03.24│" + std::string(4 - late.size(), ' ') + late + "│O│AAA"), std::string::npos)
        << d.Dump();
  });
  d.Key(key::kDown).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Spacja-Zaznaczenie")) << d.Dump(); });
  d.Then([&] { EXPECT_TRUE(d.Contains("BBB BETA")) << d.Dump(); });
  d.Key(key::kEsc);
  d.Then([&] { EXPECT_TRUE(d.Contains("Enter-Rozrachunki kontrahenta")) << d.Dump(); });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { DbuTerm(s(), {}); }));
  EXPECT_FALSE(env.Exists(dir / "rob/term01.dbf")) << "the work table goes with the list";
  ExpectDataChecksClean();
}

}  // namespace
}  // namespace hurt::settlements
