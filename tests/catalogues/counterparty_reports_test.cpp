// The tax-number lists, letters, currency balances and the spreadsheet copy of the books,
// over real tables of a temporary data directory.
#include "catalogues/counterparty_reports.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "catalogues/catalogue_fixture.h"
#include "session/output/report_file.h"

namespace hurt::catalogues::testing {
namespace {

using xbase::Value;

class ZoReportsTest : public CatalogueTest {
 protected:
  xbase::WorkArea& Zo() { return Area(3); }
  void Account(std::string odb, std::string nodb, std::string regon, Fields more = {}) {
    Fields f{{"ODB", Value(odb)}, {"NODB", Value(nodb)}, {"REGON", Value(regon)}};
    for (auto& m : more) f.push_back(std::move(m));
    Add(Zo(), f);
  }
  // Runs a report routine into a file and gives its text back in UTF-8.
  std::string Report(const session::ReportProcedure& procedure) {
    auto written = session::RunReport(env, dir.str() + "/rob/test.prn", procedure);
    EXPECT_TRUE(written.ok()) << written.status().ToString();
    if (!written.ok()) return {};
    return Cp852ToUtf8(dir.Read(written->substr(dir.str().size() + 1)));
  }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
  const BookInfo& info = *Book(1);
};

TEST(NipKey, DropsThePolishPrefixAndSeparators) {
  EXPECT_EQ(NipKey("PL 526-025-02-74"), "5260250274");
  EXPECT_EQ(NipKey(" pl5260250274 "), "5260250274");
  EXPECT_EQ(NipKey("526 02 50 274"), "5260250274");
  EXPECT_EQ(NipKey("   "), "");
}

TEST_F(ZoReportsTest, BalancesListTheAccountsThatAreNotSquareBookByBook) {
  Account("K1", "WINIEN NAM", "", {{"BOWN", Value(100.0)}, {"OBMA", Value(30.0)}});
  Account("K2", "ROZLICZONY", "", {{"OBWN", Value(50.0)}, {"OBMA", Value(50.0)}});
  Account("K3", "NADPLACIL", "", {{"OBNAMA", Value(12.5)}});
  Add(Area(103), {{"ODB", Value("D1")}, {"NODB", Value("DOSTAWCA")}, {"OBMA", Value(200.0)}});
  const std::string text = Report([&](session::ReportWriter& out) { WriteBalances(s(), out); });
  EXPECT_TRUE(Has(text, "SALDA NALEZNOSCI I ZOBOWIAZAN")) << text;
  EXPECT_TRUE(Has(text, "WINIEN NAM")) << text;
  EXPECT_FALSE(Has(text, "ROZLICZONY")) << text;
  EXPECT_TRUE(Has(text, "Razem (2 kont):")) << text;
  EXPECT_TRUE(Has(text, "      70.00       12.50")) << text;
  EXPECT_TRUE(Has(text, "ROZRACHUNKI Z DOSTAWCAMI")) << text;
  EXPECT_TRUE(Has(text, "Lacznie:")) << text;
  EXPECT_TRUE(Has(text, "      70.00      212.50")) << text;
  // A book the operator may not see is left out.
  s().op().prawa2 = "-RD";
  const std::string without = Report([&](session::ReportWriter& out) { WriteBalances(s(), out); });
  EXPECT_FALSE(Has(without, "DOSTAWCA")) << without;
}

TEST_F(ZoReportsTest, FindByNipSeesTheWholeBookAndLeavesItsStateAlone) {
  Account("A1", "ALFA", "526-025-02-74");
  Account("B1", "BETA", "1111111111");
  Account("C1", "GAMMA", "PL5260250274");
  ASSERT_TRUE(Zo().SetFilter("odb = \"B\"").ok());
  ASSERT_TRUE(Zo().GoTop().ok());
  const uint32_t at = Zo().recno();
  EXPECT_EQ(FindByNip(Zo(), "5260250274"), (std::vector<uint32_t>{1, 3}));
  EXPECT_TRUE(FindByNip(Zo(), "  ").empty());
  EXPECT_EQ(Zo().filter(), "odb = \"B\"");
  EXPECT_EQ(Zo().order(), 1);
  EXPECT_EQ(Zo().recno(), at);
}

TEST_F(ZoReportsTest, DuplicatesAreListedInGroupsAndTheWorkFilesGo) {
  Account("A1", "ALFA", "5260250274");
  Account("B1", "BETA", "1234563218");
  Account("C1", "GAMMA", "526-025-02-74");
  Account("D1", "BEZ NIPU 1", "");
  Account("E1", "BEZ NIPU 2", "");
  Account("F1", "DELTA", "1234563218");
  Account("G1", "JEDYNY", "7777777777");
  long listed = 0;
  const std::string text = Report([&](session::ReportWriter& out) {
    auto r = WriteDuplicateNips(s(), Zo(), info, out);
    ASSERT_TRUE(r.ok()) << r.status().ToString();
    listed = *r;
  });
  EXPECT_EQ(listed, 4);
  // Grouped by number: the 123... pair before the 526... pair.
  const size_t beta = text.find("BETA"), delta = text.find("DELTA"), alfa = text.find("ALFA"), gamma = text.find("GAMMA");
  ASSERT_NE(beta, std::string::npos);
  ASSERT_NE(gamma, std::string::npos);
  EXPECT_LT(beta, delta);
  EXPECT_LT(delta, alfa);
  EXPECT_LT(alfa, gamma);
  EXPECT_FALSE(Has(text, "BEZ NIPU")) << "blank numbers are not duplicates";
  EXPECT_FALSE(Has(text, "JEDYNY"));
  EXPECT_FALSE(env.Exists(dir.str() + "/rob/nip" + s().StationText() + ".dbf"));
  EXPECT_FALSE(env.Exists(dir.str() + "/rob/nip" + s().StationText() + ".ntx"));
}

TEST_F(ZoReportsTest, InvalidNumbersWithTheirReasonForeignAndEmptyOnesSkipped) {
  Account("A1", "DOBRY", "5260250274");
  Account("B1", "ZLA SUMA", "5260250275");
  Account("C1", "ZLA DLUGOSC", "52602502");
  Account("D1", "NIEMIEC", "DE12345", {{"NIP_KRAJ", Value("DE")}});
  Account("E1", "PUSTY", "");
  // A remainder of 10 never matches a digit: 1002000000 has the weighted sum 6 + 4.
  Account("F1", "RESZTA DZIESIEC", "1002000000");
  long listed = 0;
  const std::string text = Report([&](session::ReportWriter& out) { listed = WriteInvalidNips(s(), Zo(), info, out); });
  EXPECT_EQ(listed, 3);
  EXPECT_TRUE(Has(text, "ZLA SUMA")) << text;
  EXPECT_TRUE(Has(text, "zła suma kontrolna"));
  EXPECT_TRUE(Has(text, "zła długość"));
  EXPECT_TRUE(Has(text, "RESZTA DZIESIEC"));
  EXPECT_FALSE(Has(text, "DOBRY"));
  EXPECT_FALSE(Has(text, "NIEMIEC"));
  EXPECT_FALSE(Has(text, "PUSTY"));
}

TEST_F(ZoReportsTest, ConfirmationSumsTheAccountsOfOneNumberAndNamesTheSide) {
  Account("A1", "ALFA", "5260250274", {{"BOWN", Value(100.0)}, {"OBMA", Value(30.10)}});
  Account("A2", "ALFA ODDZIAL", "526-025-02-74", {{"OBNAWN", Value(0.20)}});
  Account("B1", "BETA", "1234563218", {{"OBMA", Value(12.5)}});
  Account("C1", "ZERO", "", {{"OBWN", Value(0.1)}, {"OBMA", Value(0.1)}});
  const std::string both = Report([&](session::ReportWriter& out) {
    WriteBalanceConfirmation(s(), Zo(), info, FindByNip(Zo(), "5260250274"), out);
  });
  EXPECT_TRUE(Has(both, "POTWIERDZENIE SALDA"));
  EXPECT_TRUE(Has(both, "Konto: A1, A2"));
  EXPECT_TRUE(Has(both, "70.10 zł na naszą korzyść (Wn)")) << both;
  const std::string credit =
      Report([&](session::ReportWriter& out) { WriteBalanceConfirmation(s(), Zo(), info, {3}, out); });
  EXPECT_TRUE(Has(credit, "12.50 zł na Państwa korzyść (Ma)")) << credit;
  const std::string zero =
      Report([&](session::ReportWriter& out) { WriteBalanceConfirmation(s(), Zo(), info, {4}, out); });
  EXPECT_TRUE(Has(zero, "wynosi zero")) << zero;
}

TEST_F(ZoReportsTest, SettlementsAndCurrencyBalancesComeFromTheAccountsEntries) {
  Account("A1", "ALFA", "5260250274", {{"BOWN", Value(602.0)}});
  Account("A2", "OBCY", "");
  xbase::WorkArea& fa = Area(7);
  auto entry = [&](std::string odb, std::string nrd, double wn, double ma, std::string waluta, double dolar) {
    Add(fa, {{"KTO", Value("O")}, {"ODB", Value(odb)}, {"MAG", Value("1")}, {"RD", Value("FV")},
             {"NRD", Value(nrd)}, {"OBWN", Value(wn)}, {"OBMA", Value(ma)}, {"WALUTA", Value(waluta)},
             {"DOLAR", Value(dolar)}});
  };
  entry("A1", "       1", 430, 0, "EUR", 100);
  entry("A1", "       2", 0, 172, "EUR", 40);
  entry("A1", "       3", 40, 0, "USD", 10);
  entry("A1", "       4", 132, 0, "", 0);
  entry("A2", "       5", 4300, 0, "EUR", 1000);
  const std::vector<CurrencyBalance> b = CurrencyBalances(s(), "O", "A1");
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].waluta, "EUR");
  EXPECT_DOUBLE_EQ(b[0].wn, 100);
  EXPECT_DOUBLE_EQ(b[0].ma, 40);
  EXPECT_DOUBLE_EQ(b[0].Saldo(), 60);
  EXPECT_EQ(b[1].waluta, "USD");
  EXPECT_TRUE(CurrencyBalances(s(), "D", "A1").empty()) << "another book's entries";

  const std::string text = Report([&](session::ReportWriter& out) { WriteSettlements(s(), Zo(), info, {1}, out); });
  EXPECT_TRUE(Has(text, "FV-1")) << text;
  EXPECT_TRUE(Has(text, "FV-4"));
  EXPECT_FALSE(Has(text, "FV-5"));
  EXPECT_TRUE(Has(text, "602.00 Wn"));
}

TEST_F(ZoReportsTest, TheSpreadsheetCopyHoldsTheVisibleAccountsUnderAFreshName) {
  Account("A1", "HURT ALFA", "5260250274", {{"BOWN", Value(10.0)}, {"OBMA", Value(2.5)}});
  Account("B1", "SKLEP", "");
  Account("C1", "HURT GAMMA", "");
  ASSERT_TRUE(Zo().SetFilter("\"HURT\" $ nodb").ok());
  auto first = CopyToExcel(s(), Zo(), info);
  ASSERT_TRUE(first.ok()) << first.status().ToString();
  EXPECT_EQ(*first, "zo" + Dtos(s().Today()) + ".dbf");
  auto second = CopyToExcel(s(), Zo(), info);
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(*second, "zo" + Dtos(s().Today()) + "_2.dbf");
  EXPECT_EQ(Zo().filter(), "\"HURT\" $ nodb");
  auto listing = env.ListDir(dir.str() + "/excel");
  ASSERT_TRUE(listing.ok());
  EXPECT_EQ(listing->size(), 2u) << "no working file is left";

  auto copy = s().areas().Open(200, dir.str() + "/excel/" + *first, "KOPIA");
  ASSERT_TRUE(copy.ok()) << copy.status().ToString();
  EXPECT_EQ(Rows(**copy, {"ODB", "NODB", "REGON", "SALDO"}),
            (std::vector<std::string>{"A1|HURT ALFA|5260250274|7.500000", "C1|HURT GAMMA||0.000000"}));
  EXPECT_TRUE(s().areas().Close(200).ok());
}

}  // namespace
}  // namespace hurt::catalogues::testing
