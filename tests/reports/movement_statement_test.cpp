// The warehouse movement statement over posted documents: each kind of line in its column,
// transfers on both sides, the invoice made from issue notes counted once, the range's
// edges (lines before it in the opening, after it left out), the card's stock and its "?"
// only over a whole month, the filters, the refusals, and the printed statement.
#include "reports/movement_statement.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/posting.h"
#include "documents/posting_fixture.h"
#include "reports/movement_statement_print.h"
#include "session/output/report_file.h"
#include "xbase/file_util.h"

namespace hurt::reports {
namespace {

using documents::testing::Num;
using documents::testing::Txt;
using store::TableId;

JulianDay March(int day) { return JulianFromYmd(2026, 3, day); }

class MovementStatementTest : public documents::testing::PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT");
    Kind("FK", 'K', 'S', "FAKTURA KORYGUJACA");
    Kind("WZ", 'R', 'S', "WYDANIE ZEWNETRZNE");
    Kind("PZ", 'P', 'Z', "PRZYJECIE ZEWNETRZNE", 0, 'D');
    Kind("RW", 'R', 'D', "ROZCHOD WEWNETRZNY");
    Kind("PW", 'P', 'D', "PRZYCHOD WEWNETRZNY");
    Kind("MM", 'M', 'D', "PRZESUNIECIE");
    Article("1", "A1", 100, 2);
    Article("1", "A2", 50, 3);
    Article("1", "B1", 10, 1);
    Article("2", "A1", 10, 2);
    SetCard("1", "A1", "CENA_01", xbase::Value(2.0));  // the month's opening price
  }

  // One document of lines (indeks, quantity, price) dated `day` of March; `mag` is the
  // lines' warehouse, `odb` the counterparty (a transfer's destination first).
  void Post(const std::string& rd, int day, const std::vector<std::tuple<std::string, double, double>>& lines,
            const std::string& odb = "K1", const std::string& mag = "1", const std::string& notes = "") {
    ASSERT_TRUE(session::NoweDd(s(), st1().ui));
    Header(rd, odb, "G");
    s().vars().Set("M_DATA", xbase::Value(xbase::Date{March(day)}));
    s().vars().Set(documents::kNotesVariable, xbase::Value(notes));
    s().vars().Set("M_ODBIORCA", xbase::Value(std::string()));
    for (const auto& [indeks, q, cena] : lines) Line(indeks, q, cena, nullptr, mag);
    ASSERT_TRUE(PostingTest::Post()) << rd << " " << day;
    s().vars().Set(documents::kNotesVariable, xbase::Value(std::string()));
  }
  void SetCard(const std::string& mag, const std::string& indeks, const std::string& field, const xbase::Value& v) {
    ASSERT_TRUE(AtArticle(mag, indeks));
    xbase::WorkArea& as = A(TableId::kAs);
    ASSERT_TRUE(as.LockRecord().ok());
    ASSERT_TRUE(as.Replace(field, v).ok());
    ASSERT_TRUE(as.Unlock().ok());
  }

  // A month of everything: stock of A1 in warehouse 1 ends at 100 + 20 - 5 + 1 - 2 - 7 + 3 = 110.
  void PostTheMonth() {
    Post("PZ", 3, {{"A1", 20, 2.5}}, "D1");
    Post("FV", 5, {{"A1", 5, 4}});
    Post("FK", 6, {{"A1", -1, 4}});
    Post("RW", 7, {{"A2", 4, 3}});
    Post("PW", 8, {{"A2", 6, 3}});
    Post("MM", 9, {{"A1", 7, 2}}, "2");
    Post("MM", 10, {{"A1", 3, 2}}, "1", "2");
    Post("WZ", 11, {{"A1", 2, 4}});
    Post("FV", 12, {{"A1", 2, 4}}, "K1", "1", "WZ        1");  // the invoice of that note: no goods move
    Post("FV", 25, {{"B1", 1, 2}});
  }

  struct Computed {
    MovementResult result;
    std::map<std::string, std::map<std::string, double>> rows;  // indeks -> field -> value
    std::string printed;
  };
  Computed Compute(MovementRequest req, bool print = true) {
    Computed c;
    auto table = MovementTable::Create(s());
    EXPECT_TRUE(table.ok()) << table.status().ToString();
    if (!table.ok()) return c;
    auto result = ComputeMovement(s(), **table, req);
    EXPECT_TRUE(result.ok()) << result.status().ToString();
    if (!result.ok()) return c;
    c.result = *result;
    xbase::WorkArea& a = (*table)->area();
    for (Status st = a.GoTop(); st.ok() && !a.eof(); st = a.Skip(1)) {
      auto& row = c.rows[AllTrim(Txt(a, "INDEKS"))];
      for (int i = 0; i < a.field_count(); ++i) {
        if (a.field(i).type == 'N') row[a.field(i).name] = Num(a, a.field(i).name);
      }
    }
    if (print && result->refusal.empty()) {
      MovementHeading h;
      h.firm = {"HURTOWNIA TESTOWA", "45-001 OPOLE ul. Testowa 1"};
      auto written = session::RunReport(env_, "rob/ruch.prn", [&](session::ReportWriter& out) {
        EXPECT_TRUE(PrintMovementStatement(out, a, req, h, result->card_stock).ok());
      });
      EXPECT_TRUE(written.ok());
      auto text = xbase::ReadWholeFile(env_, *written);
      if (text.ok()) c.printed = *text;
    }
    return c;
  }
  static MovementRequest Range(int from, int to, const std::string& mag = "1") {
    MovementRequest r;
    r.from = March(from);
    r.to = March(to);
    r.mag = mag;
    return r;
  }
  // The printed line of an article ("" when none).
  static std::string LineOf(const std::string& printed, const std::string& indeks) {
    const size_t at = printed.find(" " + PadR(indeks, 8) + " |");
    if (at == std::string::npos) return {};
    const size_t start = printed.rfind('\n', at) + 1;
    return printed.substr(start, printed.find("\r\n", at) - start);
  }
};

TEST_F(MovementStatementTest, AWholeMonthPutsEveryLineInItsColumnAndAgreesWithTheCards) {
  PostTheMonth();
  Computed c = Compute(Range(1, 31));
  EXPECT_TRUE(c.result.card_stock);
  EXPECT_TRUE(c.result.problem.empty());
  auto& a1 = c.rows["A1"];
  EXPECT_DOUBLE_EQ(a1["D_BO_I"], 100);
  EXPECT_DOUBLE_EQ(a1["D_BO_W"], 200);
  EXPECT_DOUBLE_EQ(a1["D_PZ_I"], 20);
  EXPECT_DOUBLE_EQ(a1["D_RS_I"], 5 - 1 + 2);  // the note counts, its invoice does not
  EXPECT_DOUBLE_EQ(a1["D_RD_I"], 7);          // the transfer out
  EXPECT_DOUBLE_EQ(a1["D_PD_I"], 3);          // the transfer in
  EXPECT_DOUBLE_EQ(a1["D_SK_I"], 110);
  EXPECT_DOUBLE_EQ(a1["D_RR_I"], 0);
  EXPECT_DOUBLE_EQ(a1["D_RR_W"], NewRound(a1["D_BO_W"] + a1["D_PD_W"] + a1["D_PZ_W"] - a1["D_RS_W"] - a1["D_RD_W"] - a1["D_SK_W"], 2));
  // Sales valued: 5 x 4 net less the 1 x 4 returned, and the note's 2 x 4, with 23 % VAT.
  EXPECT_DOUBLE_EQ(a1["D_RS_N"], 24);
  EXPECT_DOUBLE_EQ(a1["D_RS_V"], NewRound(4.6 - 0.92 + 1.84, 2));
  EXPECT_DOUBLE_EQ(a1["D_PZ_V"], 11.5);
  EXPECT_DOUBLE_EQ(a1["D_PZ_B"], 61.5);
  auto& a2 = c.rows["A2"];
  EXPECT_DOUBLE_EQ(a2["D_RD_I"], 4);
  EXPECT_DOUBLE_EQ(a2["D_PD_I"], 6);
  EXPECT_DOUBLE_EQ(a2["D_RR_I"], 0);
  EXPECT_EQ(c.rows.size(), 3u);  // warehouse 2's card is not in warehouse 1's statement

  EXPECT_NE(c.printed.find("RUCH NA MAGAZYNIE W OKRESIE 01.03.2026-31.03.2026r"), std::string::npos) << c.printed;
  EXPECT_NE(c.printed.find("M INEDKS   | NAZWA                          | JM  |     BYLO    |"), std::string::npos);
  EXPECT_EQ(c.printed.find("?"), std::string::npos) << c.printed;
  EXPECT_EQ(LineOf(c.printed, "A1"),
            "1 A1       | TOWAR                          | szt |      100    |        3    |       20    |        "
            "6    |        7    |          110.000");
  EXPECT_NE(c.printed.find("  RAZEM"), std::string::npos);

  // The other side of the transfers: warehouse 2 received 7 and gave 3.
  Computed two = Compute(Range(1, 31, "2"));
  EXPECT_DOUBLE_EQ(two.rows["A1"]["D_PD_I"], 7);
  EXPECT_DOUBLE_EQ(two.rows["A1"]["D_RD_I"], 3);
  EXPECT_DOUBLE_EQ(two.rows["A1"]["D_RR_I"], 0);
}

TEST_F(MovementStatementTest, ACardThatDisagreesWithTheDocumentsIsFlaggedOnlyOverTheWholeMonth) {
  PostTheMonth();
  SetCard("1", "A2", "ILOSC", xbase::Value(51.0));  // the documents say 52
  Computed whole = Compute(Range(1, 31));
  EXPECT_DOUBLE_EQ(whole.rows["A2"]["D_RR_I"], 1);
  EXPECT_NE(LineOf(whole.printed, "A2").find("51.000?"), std::string::npos) << whole.printed;
  EXPECT_EQ(LineOf(whole.printed, "A1").find('?'), std::string::npos);

  // Any other range prints the stock the documents give, and no flags.
  Computed part = Compute(Range(1, 30));
  EXPECT_FALSE(part.result.card_stock);
  EXPECT_EQ(part.printed.find('?'), std::string::npos) << part.printed;
  EXPECT_TRUE(LineOf(part.printed, "A2").ends_with("|       52")) << part.printed;
}

TEST_F(MovementStatementTest, LinesBeforeTheRangeOpenItAndLinesAfterItAreLeftOut) {
  PostTheMonth();
  // From the 5th to the 9th: the purchase of the 3rd is in the opening; from the 10th on nothing counts.
  const double bought = Compute(Range(1, 31), false).rows["A1"]["D_PZ_W"];
  Computed c = Compute(Range(5, 9));
  auto& a1 = c.rows["A1"];
  EXPECT_DOUBLE_EQ(a1["D_BO_I"], 120);
  EXPECT_DOUBLE_EQ(a1["D_BO_W"], 200 + bought);
  EXPECT_DOUBLE_EQ(a1["D_PZ_I"], 0);
  EXPECT_DOUBLE_EQ(a1["D_RS_I"], 4);
  EXPECT_DOUBLE_EQ(a1["D_RD_I"], 7);
  EXPECT_DOUBLE_EQ(a1["D_PD_I"], 0);  // the transfer back came on the 10th
  EXPECT_TRUE(LineOf(c.printed, "A1").ends_with("|      109")) << c.printed;  // 120 - 4 - 7
  EXPECT_DOUBLE_EQ(c.rows["B1"]["D_RS_I"], 0);  // sold on the 25th

  // One day.
  Computed day = Compute(Range(9, 9));
  EXPECT_NE(day.printed.find("RUCH NA MAGAZYNIE W DNIU 09.03.2026r"), std::string::npos) << day.printed;
  EXPECT_DOUBLE_EQ(day.rows["A1"]["D_RD_I"], 7);
}

TEST_F(MovementStatementTest, TheCodePrefixAndTheGroupChooseTheArticles) {
  PostTheMonth();
  MovementRequest req = Range(1, 31);
  req.prefix = "A";
  Computed c = Compute(req);
  EXPECT_EQ(c.rows.count("B1"), 0u);
  EXPECT_EQ(c.rows.size(), 2u);
  EXPECT_NE(c.printed.find("MAGAZYN 1,  INDEKS grupy A"), std::string::npos) << c.printed;

  // A group: only its cards, and no row made from the lines of an article outside it.
  SetCard("1", "A1", "T_W_O_K", xbase::Value("T"));
  SetCard("1", "B1", "T_W_O_K", xbase::Value("W"));
  req.prefix.clear();
  req.group = "T";
  Computed g = Compute(req);
  EXPECT_EQ(g.rows.size(), 1u);
  EXPECT_DOUBLE_EQ(g.rows["A1"]["D_PZ_I"], 20);
  EXPECT_NE(g.printed.find("MAGAZYN 1,  GRUPA T"), std::string::npos);
}

TEST_F(MovementStatementTest, AnArticleWithoutACardGetsItsRowFromItsLine) {
  Post("PZ", 3, {{"A1", 20, 2.5}}, "D1");
  // Its card removed afterwards (the article left the catalogue).
  ASSERT_TRUE(AtArticle("1", "A1"));
  xbase::WorkArea& as = A(TableId::kAs);
  ASSERT_TRUE(as.LockRecord().ok());
  ASSERT_TRUE(as.Delete().ok());
  ASSERT_TRUE(as.Unlock().ok());
  Computed c = Compute(Range(1, 31));
  ASSERT_EQ(c.rows.count("A1"), 1u);
  EXPECT_DOUBLE_EQ(c.rows["A1"]["D_PZ_I"], 20);
  EXPECT_NEAR(c.rows["A1"]["CENA0"], 250.0 / 120, 0.0001);  // the line's cost, as posting averaged it
  EXPECT_DOUBLE_EQ(c.rows["A1"]["D_RR_I"], 20);  // no card holds them
  EXPECT_NE(LineOf(c.printed, "A1").find("| TOWAR "), std::string::npos) << c.printed;
}

TEST_F(MovementStatementTest, AWarehouseWithoutCardsAndAMissingMonthAreSaid) {
  Computed none = Compute(Range(1, 31, "7"), false);
  EXPECT_EQ(none.result.refusal, "Brak mag 7");

  // February has no folder: nothing gathered, said, and the work table is still there to print.
  MovementRequest req = Range(1, 31);
  req.from = JulianFromYmd(2026, 2, 20);
  Computed c = Compute(req);
  EXPECT_EQ(c.result.problem, "Brak pliku 26/02/dow");
  EXPECT_EQ(c.result.months, 0);
  EXPECT_TRUE(c.rows.empty());
  EXPECT_NE(c.printed.find("  RAZEM"), std::string::npos);
}

TEST_F(MovementStatementTest, TheWorkTableIsTheStationsOwnAndGoesAway) {
  PostTheMonth();
  {
    auto table = MovementTable::Create(s());
    ASSERT_TRUE(table.ok());
    EXPECT_EQ((*table)->name(), "rob/asso01");
    auto other = OtherStation(2);
    auto theirs = MovementTable::Create(other->s());
    ASSERT_TRUE(theirs.ok());  // at the same time: their own table
    EXPECT_EQ((*theirs)->name(), "rob/asso02");
    ASSERT_TRUE(ComputeMovement(s(), **table, Range(1, 31)).ok());
    ASSERT_TRUE(ComputeMovement(other->s(), **theirs, Range(1, 31)).ok());
    EXPECT_TRUE(env_.Exists(s().Path("rob/asso01.ntx")));
  }
  EXPECT_FALSE(env_.Exists(s().Path("rob/asso01.dbf")));
  EXPECT_FALSE(env_.Exists(s().Path("rob/asso01.ntx")));
  EXPECT_FALSE(env_.Exists(s().Path("rob/asso02.dbf")));
}

TEST(MovementMonths, EveryMonthFromTheFirstDatesToTheLastDates) {
  EXPECT_EQ(MonthsOf(JulianFromYmd(2025, 12, 20), JulianFromYmd(2026, 2, 1)),
            (std::vector<std::string>{"25/12", "26/01", "26/02"}));
  EXPECT_EQ(MonthsOf(JulianFromYmd(2026, 3, 1), JulianFromYmd(2026, 3, 31)), (std::vector<std::string>{"26/03"}));
  EXPECT_TRUE(MonthsOf(JulianFromYmd(2026, 3, 2), JulianFromYmd(2026, 3, 1)).empty());
}

TEST(MovementQuantity, WholeNumbersLoseTheirDecimalsAndZeroIsBlank) {
  EXPECT_EQ(QuantityCell(0), std::string(13, ' '));
  EXPECT_EQ(QuantityCell(0.0004), std::string(13, ' '));
  EXPECT_EQ(QuantityCell(12), "       12    ");
  EXPECT_EQ(QuantityCell(-3), "       -3    ");
  EXPECT_EQ(QuantityCell(12.5), "       12.500");
  EXPECT_EQ(QuantityCell(0.001), "        0.001");
}

}  // namespace
}  // namespace hurt::reports
