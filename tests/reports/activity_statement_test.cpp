// The monthly activity statement over posted documents: the check opening + receipts −
// issues = closing for one warehouse and for all, a transfer seen from each side, the
// margin and the VAT difference, kinds left out, the shops' takings split over the rates,
// and the printed statement's sections.
#include "reports/activity_statement.h"

#include <gtest/gtest.h>

#include <string>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/posting_fixture.h"
#include "reports/activity_statement_screen.h"
#include "session/output/report_file.h"
#include "xbase/file_util.h"

namespace hurt::reports {
namespace {

using documents::testing::AddRecord;
using store::TableId;

class ActivityStatementTest : public documents::testing::PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT");
    Kind("PZ", 'P', 'Z', "PRZYJECIE ZEWNETRZNE", 0, 'D');
    Kind("MM", 'M', 'D', "PRZESUNIECIE");
    Kind("KR", 'R', 'S', "KOSZTY REPREZENTACJI");
    Kind("RW", 'R', 'D', "ROZCHOD WEWNETRZNY");
    Card("A1", 10, 5);
    Card("A2", 100, 2);
  }
  // A card of warehouse 1 whose month opened with its stock at its price.
  void Card(const std::string& indeks, double ilosc, double cena0) {
    AddRecord(A(TableId::kAs), {{"MAG", "1"},
                                {"INDEKS", PadR(indeks, 8)},
                                {"NAZWA", "TOWAR " + indeks},
                                {"JM", "szt"},
                                {"ILOSC", ilosc},
                                {"B_BO_I", ilosc},
                                {"CENA0", cena0},
                                {"CENA_01", cena0},
                                {"CENA", cena0 * 2}});
  }
  void Post(const std::string& rd, const std::string& odb, const std::string& indeks, double ilosc, double cena,
            bool reserve) {
    ASSERT_TRUE(session::NoweDd(s(), st1().ui));
    Header(rd, odb, "P");
    if (reserve) Reserve(indeks, ilosc);
    Line(indeks, ilosc, cena);
    ASSERT_TRUE(PostingTest::Post()) << rd;
  }
  // The month: a purchase, a sale, a transfer to warehouse 2, representation costs and an
  // internal issue.
  void PostTheMonth() {
    Post("PZ", "D1", "A2", 10, 2.5, false);  // dearer than the card: the cost is averaged
    Post("FV", "K1", "A1", 3, 10, true);
    Post("MM", "2", "A1", 4, 5, true);
    Post("KR", "K1", "A2", 1, 3, true);
    Post("RW", "K1", "A2", 2, 2, true);
  }
  ActivityResult Run(ActivityRequest r) {
    auto result = ComputeActivity(s(), r);
    EXPECT_TRUE(result.ok()) << result.status().ToString();
    return result.ok() ? *result : ActivityResult{};
  }
  static const ActivityRow* Row(const ActivityResult& r, const std::string& key) {
    for (const ActivityRow& row : r.rows) {
      if (row.Key() == key) return &row;
    }
    return nullptr;
  }
  std::string Printed(const ActivityRequest& req, const ActivityResult& result) {
    const std::string file = "rob/rap.prn";
    auto written = session::RunReport(env_, file, [&](session::ReportWriter& out) {
      ActivityHeading h;
      h.firm = {"FIRMA"};
      h.title = "RAPORT";
      h.period_start = JulianFromYmd(2026, 3, 1);
      PrintActivity(out, h, req, result);
    });
    EXPECT_TRUE(written.ok());
    auto text = xbase::ReadWholeFile(env_, file);
    return text.ok() ? *text : std::string();
  }
};

TEST_F(ActivityStatementTest, AMonthWithoutMovementPrintsKz) {
  const ActivityResult r = Run({});
  EXPECT_DOUBLE_EQ(r.opening, 250);  // 10 × 5 + 100 × 2
  EXPECT_DOUBLE_EQ(r.closing, 250);
  EXPECT_TRUE(r.rows.empty());
  const std::string text = Printed({}, r);
  EXPECT_NE(text.find("\r\nKZ\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Stan poczatkowy"), std::string::npos);
  EXPECT_NE(text.find("Magazyn  : 1."), std::string::npos) << text;
}

TEST_F(ActivityStatementTest, OpeningPlusReceiptsLessIssuesIsTheClosingStockForEachWarehouseAndAll) {
  PostTheMonth();
  ActivityRequest one;
  one.mag = "1";
  ActivityRequest two;
  two.mag = "2";
  for (const ActivityRequest& req : {ActivityRequest{}, one, two}) {
    SCOPED_TRACE("warehouse '" + req.mag + "'");
    const ActivityResult r = Run(req);
    EXPECT_DOUBLE_EQ(r.check, 0);
    EXPECT_NE(Printed(req, r).find("\r\nKZ\r\n"), std::string::npos);
  }
  // The transfer is an issue of the sending warehouse and a receipt of the receiving one,
  // and no flow at all for the two together.
  const ActivityResult r1 = Run(one), r2 = Run(two), all = Run({});
  ASSERT_NE(Row(r1, "RDMM "), nullptr);
  EXPECT_DOUBLE_EQ(Row(r1, "RDMM ")->wartosc0, 20);
  EXPECT_EQ(Row(r1, "RDMM ")->section, ActivitySection::kOtherIssues);
  ASSERT_NE(Row(r2, "PDMM "), nullptr);
  EXPECT_DOUBLE_EQ(Row(r2, "PDMM ")->wartosc0, 20);
  EXPECT_EQ(Row(r2, "PDMM ")->section, ActivitySection::kOtherReceipts);
  EXPECT_DOUBLE_EQ(r2.opening, 0);
  EXPECT_DOUBLE_EQ(r2.closing, 20);
  EXPECT_EQ(Row(all, "RDMM "), nullptr);
  EXPECT_EQ(Row(all, "PDMM "), nullptr);
  EXPECT_EQ(all.warehouses, (std::set<char>{'1', '2'}));
}

TEST_F(ActivityStatementTest, SalesCarryTheirMarginCostsStandApartAndTheVatDifferenceIsDueLessDeducted) {
  PostTheMonth();
  const ActivityResult r = Run({});
  const ActivityRow* fv = Row(r, "RSFV ");
  ASSERT_NE(fv, nullptr);
  EXPECT_DOUBLE_EQ(fv->wartosc0, 15);  // 3 × 5
  EXPECT_DOUBLE_EQ(fv->netto, 30);
  EXPECT_DOUBLE_EQ(fv->vat, 6.9);
  EXPECT_DOUBLE_EQ(fv->Marza(), 15);
  EXPECT_EQ(fv->section, ActivitySection::kSales);
  const ActivityRow* kr = Row(r, "RSKR ");
  ASSERT_NE(kr, nullptr);
  EXPECT_EQ(kr->section, ActivitySection::kCosts);
  const ActivityRow* pz = Row(r, "PZPZ ");
  ASSERT_NE(pz, nullptr);
  EXPECT_EQ(pz->section, ActivitySection::kPurchases);
  EXPECT_DOUBLE_EQ(pz->wartosc0, 25);  // its purchase value, not the new average
  // Due on the sales, less the purchases' and the costs'.
  EXPECT_DOUBLE_EQ(r.vat_difference, NewRound(fv->vat - pz->vat - kr->vat, 2));
  const std::string text = Printed({}, r);
  for (const char* section : {"Struktura zakupow", "Struktura sprzedazy", "Koszty reprezentacji i reklamy",
                              "Struktura rozchodow z magazynu nie bedacych sprzedaza", "Stan koncowy",
                              "Podatek nalezny - podatek naliczony"}) {
    EXPECT_NE(text.find(section), std::string::npos) << section;
  }
  EXPECT_EQ(text.find("Struktura przychodow na magazyn"), std::string::npos);  // no such rows
}

TEST_F(ActivityStatementTest, AKindLeftOutBreaksTheCheckWhichPrintsTheDifference) {
  PostTheMonth();
  ActivityRequest req;
  req.skip_kinds = ",FV,";
  const ActivityResult r = Run(req);
  EXPECT_EQ(Row(r, "RSFV "), nullptr);
  EXPECT_DOUBLE_EQ(r.check, 15);  // the sale's goods left the stock unaccounted
  const std::string text = Printed(req, r);
  EXPECT_EQ(text.find("\r\nKZ\r\n"), std::string::npos);
  EXPECT_NE(text.find("15.00"), std::string::npos);
}

TEST_F(ActivityStatementTest, AnUnknownWarehouseIsRefused) {
  ActivityRequest req;
  req.mag = "7";
  EXPECT_EQ(Run(req).refusal, "Nie znam magazynu 7");
}

TEST(ShopTakings, OneRateTakesTheWholeTakingsAndSeveralShareThem) {
  RateBuckets one;
  one.Add(RateColumn::k23, 100, 23);
  const RateBuckets a = SplitTakings(one, 246);
  EXPECT_DOUBLE_EQ(a.net[static_cast<size_t>(RateColumn::k23)], 200);  // 100 % × 246 / 123
  EXPECT_DOUBLE_EQ(a.vat[static_cast<size_t>(RateColumn::k23)], 46);
  EXPECT_DOUBLE_EQ(a.gross, 246);

  RateBuckets three;
  three.Add(RateColumn::k23, 100, 23);  // gross 123
  three.Add(RateColumn::k8, 100, 8);    // gross 108
  three.Add(RateColumn::kZw, 69, 0);    // gross 69, of 300 in all
  const RateBuckets b = SplitTakings(three, 1000);
  const size_t s23 = static_cast<size_t>(RateColumn::k23), s8 = static_cast<size_t>(RateColumn::k8),
               zw = static_cast<size_t>(RateColumn::kZw);
  EXPECT_DOUBLE_EQ(b.net[s23], NewRound(41 * 1000 / 123.0, 2));  // share 41.00
  EXPECT_DOUBLE_EQ(b.vat[s23], NewRound(410 - b.net[s23], 2));
  EXPECT_DOUBLE_EQ(b.net[s8], NewRound(36 * 1000 / 108.0, 2));  // share 36.00
  EXPECT_DOUBLE_EQ(b.net[zw], 230);                              // the last share, 100 − 77 = 23 %
  EXPECT_DOUBLE_EQ(b.vat[zw], 0);
  EXPECT_NEAR(b.Net() + b.Vat(), 1000, 0.005);
}

TEST(PrintedRates, SevenPercentGoesWithTheUpperReducedRateBefore2011AndTheLowerFrom) {
  RateBuckets b;
  b.Add(RateColumn::k7, 10, 0.7);
  b.Add(RateColumn::k22, 5, 1.1);
  const PrintedRates before = FoldRates(b, JulianFromYmd(2010, 12, 1));
  const PrintedRates after = FoldRates(b, JulianFromYmd(2011, 1, 1));
  EXPECT_DOUBLE_EQ(before.net[1], 10);
  EXPECT_DOUBLE_EQ(after.net[2], 10);
  EXPECT_DOUBLE_EQ(before.net[0], 5);
  EXPECT_DOUBLE_EQ(after.net[0], 5);
  EXPECT_EQ(PrintedRateNames(JulianFromYmd(2011, 1, 1))[1], "8%");
  EXPECT_EQ(PrintedRateNames(JulianFromYmd(2010, 1, 1))[1], "7%");
}

}  // namespace
}  // namespace hurt::reports
