// The reconciliation of the article cards with the month's documents (KOREKTA_AS).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "documents/posting_fixture.h"
#include "documents/stock_correction.h"
#include "session/area_fields.h"
#include "session/init_tables.h"

namespace hurt::documents {
namespace {

using testing::PostingTest;

class StockCorrectionTest : public PostingTest {
 protected:
  // The reorganisation as the menu runs it: the build in its stock-correction mode, then
  // the month's documents applied again.
  Result<KorektaResult> Reorganise() {
    if (!session::InitNtx(s(), st1().ui, "z korekta As")) return Status::IoError("build failed");
    return KorektaAs(s());
  }
};

TEST_F(StockCorrectionTest, SpoiltCountersComeBackToWhatTheDocumentsSayAndCostsStay) {
  Kind("PZ", 'P', 'Z', "PRZYJECIE", 0, 'D');
  Kind("FV", 'R', 'S', "FAKTURA");
  Kind("MM", 'M', 'D', "PRZESUNIECIE", 0, 'F');
  Article("1", "A", 10, 4.0);
  Article("1", "B", 0, 7.0);
  Article("2", "A", 1, 4.0);

  Header("PZ", "DOST", "G");
  Line("A", 5, 5.0);
  Line("B", 3, 7.0);
  ASSERT_TRUE(Post());
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("FV", "ODB1", "G");
  Reserve("A", 4);
  Line("A", 4, 9.0);
  ASSERT_TRUE(Post());
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("MM", "2", "G");
  Reserve("A", 2);
  Line("A", 2, 4.0);
  ASSERT_TRUE(Post());

  const double ilosc_1a = Stock("1", "A"), sd_1a = Stock("1", "A", "B_R_I_SD");
  const double ilosc_2a = Stock("2", "A"), p_2a = Stock("2", "A", "B_P_I");
  const double cena0_1a = Stock("1", "A", "CENA0");
  EXPECT_DOUBLE_EQ(ilosc_1a, 10 + 5 - 4 - 2);
  EXPECT_DOUBLE_EQ(ilosc_2a, 1 + 2);

  // Counters spoilt as a crash of an old version or a hand edit leaves them.
  for (const auto& [mag, field, value] : std::vector<std::tuple<std::string, std::string, double>>{
           {"1", "ILOSC", 100}, {"1", "B_R_I", 0}, {"2", "B_P_I", 50}}) {
    ASSERT_TRUE(AtArticle(mag, "A"));
    xbase::WorkArea& as = A(store::TableId::kAs);
    ASSERT_TRUE(as.LockRecord().ok());
    ASSERT_TRUE(as.Replace(field, value).ok());
    ASSERT_TRUE(as.Unlock().ok());
  }

  auto r = Reorganise();
  ASSERT_TRUE(r.ok()) << r.status().ToString() << [&] { std::string t; for (auto& c : st1().ui.calls) t += c + "\n"; return t; }();
  EXPECT_EQ(r->documents, 3);
  EXPECT_EQ(r->lines, 4);
  EXPECT_EQ(r->missing_cards, 0);
  EXPECT_DOUBLE_EQ(Stock("1", "A"), ilosc_1a);
  EXPECT_DOUBLE_EQ(Stock("1", "A", "B_R_I"), 6);
  EXPECT_DOUBLE_EQ(Stock("1", "A", "B_R_I_SD"), sd_1a);
  EXPECT_DOUBLE_EQ(Stock("1", "A", "B_P_I"), 5);
  EXPECT_DOUBLE_EQ(Stock("1", "B"), 3);
  EXPECT_DOUBLE_EQ(Stock("2", "A"), ilosc_2a);
  EXPECT_DOUBLE_EQ(Stock("2", "A", "B_P_I"), p_2a);
  EXPECT_DOUBLE_EQ(Stock("1", "A", "CENA0"), cena0_1a);
  EXPECT_FALSE(mem_.Exists(std::string(kKorektaMarker)));

  // Run twice, the same figures: nothing is counted twice.
  r = Reorganise();
  ASSERT_TRUE(r.ok());
  EXPECT_DOUBLE_EQ(Stock("1", "A"), ilosc_1a);
  EXPECT_DOUBLE_EQ(Stock("2", "A"), ilosc_2a);
  ExpectIndexesVerify();
}

// The build zeroes the headers' totals; the reconciliation sums them again from the
// lines, for a kind that moves no stock as well.
TEST_F(StockCorrectionTest, TheHeadersTotalsComeBackAsPostingWroteThem) {
  Kind("PZ", 'P', 'Z', "PRZYJECIE", 0, 'D');
  Kind("FV", 'R', 'S', "FAKTURA");
  Article("1", "A", 10, 4.0);
  Article("1", "B", 0, 7.0);
  Header("PZ", "DOST", "G");
  Line("A", 5, 5.0);
  Line("B", 3, 7.25);
  ASSERT_TRUE(Post());
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("FV", "ODB1", "G");
  Reserve("A", 4);
  Line("A", 4, 9.99);
  ASSERT_TRUE(Post());

  auto totals = [&] {
    std::vector<std::string> rows;
    xbase::WorkArea& dowod = A(store::TableId::kDowod);
    EXPECT_TRUE(dowod.SetOrder(0).ok());
    EXPECT_TRUE(dowod.GoTop().ok());
    while (!dowod.eof()) {
      std::string row = AllTrim(session::FieldText(dowod, "RD"));
      for (const char* f : {"WARTOSC0", "NETTO", "VAT"}) row += "|" + Str(session::FieldNumber(dowod, f), 10, 2);
      rows.push_back(row);
      EXPECT_TRUE(dowod.Skip().ok());
    }
    return rows;
  };
  const std::vector<std::string> posted = totals();
  ASSERT_EQ(posted.size(), 2u);
  for (const std::string& row : posted) EXPECT_EQ(row.find("|      0.00|      0.00"), std::string::npos) << row;

  auto r = Reorganise();
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_EQ(totals(), posted);
  ExpectIndexesVerify();
}

TEST_F(StockCorrectionTest, ALineWithoutItsCardIsCountedAndTheRestApplied) {
  Kind("PZ", 'P', 'Z', "PRZYJECIE", 0, 'D');
  Article("1", "A", 0, 4.0);
  Article("1", "B", 0, 4.0);
  Header("PZ", "DOST", "G");
  Line("A", 5, 5.0);
  Line("B", 2, 5.0);
  ASSERT_TRUE(Post());
  ASSERT_TRUE(AtArticle("1", "B"));
  ASSERT_TRUE(A(store::TableId::kAs).LockRecord().ok());
  ASSERT_TRUE(A(store::TableId::kAs).Delete().ok());
  ASSERT_TRUE(A(store::TableId::kAs).Unlock().ok());
  auto r = Reorganise();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->lines, 1);
  EXPECT_EQ(r->missing_cards, 1);
  EXPECT_DOUBLE_EQ(Stock("1", "A"), 5);
}

}  // namespace
}  // namespace hurt::documents
