// The documents of an article card and the bar-code key, over real tables.
#include "catalogues/article_reports.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "catalogues/catalogue_fixture.h"
#include "session/output/report_file.h"

namespace hurt::catalogues::testing {
namespace {

using xbase::Value;

class AsReportsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    Marker("KOD13.TXT");  // the article table gets its bar-code field and order
    CatalogueTest::SetUp();
  }
  void Line(std::string rd, std::string nrd, JulianDay data, std::string r_p, std::string indeks, double ilosc,
            double wartosc) {
    Add(Area(5), {{"RD", Value(rd)}, {"NRD", Value(nrd)}, {"DATA", Value(xbase::Date{data})}, {"R_P", Value(r_p)},
                  {"MAG", Value("1")}, {"INDEKS", Value(indeks)}, {"ILOSC", Value(ilosc)}, {"CENA", Value(2.0)},
                  {"WARTOSC", Value(wartosc)}, {"KTO", Value("O")}, {"ODB", Value("K1")}});
  }
  std::string Report(DocumentOrder order, long* listed) {
    auto written = session::RunReport(env, dir.str() + "/rob/test.prn", [&](session::ReportWriter& out) {
      *listed = WriteArticleDocuments(s(), "1", "TOW1", "TOWAR PIERWSZY", order, out);
    });
    EXPECT_TRUE(written.ok());
    return written.ok() ? Cp852ToUtf8(dir.Read(written->substr(dir.str().size() + 1))) : std::string();
  }
};

TEST_F(AsReportsTest, TheCardsLinesByDateOrAsEnteredWithTotals) {
  const JulianDay today = s().Today();
  Line("WZ", "      12", today, "R", "TOW1", 3, 6);
  Line("PZ", "       7", today - 5, "P", "TOW1", 10, 20);
  Line("WZ", "      13", today - 1, "R", "TOW2", 99, 198);  // another card
  Line("FV", "      14", today - 2, "R", "TOW1", 1.5, 3);
  ASSERT_TRUE(Area(5).SetOrder(1).ok());
  long listed = 0;
  const std::string by_date = Report(DocumentOrder::kByDate, &listed);
  EXPECT_EQ(listed, 3);
  EXPECT_LT(by_date.find("PZ-7"), by_date.find("FV-14")) << by_date;
  EXPECT_LT(by_date.find("FV-14"), by_date.find("WZ-12"));
  EXPECT_EQ(by_date.find("WZ-13"), std::string::npos);
  EXPECT_NE(by_date.find("      10.000         4.500"), std::string::npos) << "receipts and issues summed";
  EXPECT_NE(by_date.find("29.00"), std::string::npos);
  const std::string entered = Report(DocumentOrder::kAsEntered, &listed);
  EXPECT_LT(entered.find("WZ-12"), entered.find("PZ-7"));
  EXPECT_EQ(Area(5).order(), 1) << "the lines' order is left as it was";
}

TEST_F(AsReportsTest, TheBarCodeKeyFindsTheCardInTheDescendingOrder) {
  xbase::WorkArea& as = As();
  ASSERT_GE(as.FieldIndex("KOD13"), 0);
  Article("1", "A", "PIERWSZY", {{"KOD13", Value("5901234123457")}});
  Article("1", "B", "DRUGI", {{"KOD13", Value("5901234123464")}});
  Article("1", "C", "KROTKI", {{"KOD13", Value("96385074")}});
  const int width = as.field(as.FieldIndex("KOD13")).width;
  ASSERT_TRUE(as.SetOrder(2).ok());
  for (const auto& [code, name] : {std::pair{"5901234123464", "DRUGI"}, std::pair{" 96385074 ", "KROTKI"}}) {
    auto found = as.SeekKey(BarCodeKey(code, width));
    ASSERT_TRUE(found.ok());
    EXPECT_TRUE(*found) << code;
    EXPECT_EQ(RTrimCopy(FieldText(as, "NAZWA")), name);
  }
  auto missing = as.SeekKey(BarCodeKey("5901234123400", width));
  ASSERT_TRUE(missing.ok());
  EXPECT_FALSE(*missing);
  EXPECT_EQ(BarCodeKey("A", 2), std::string("\xBF\xE0", 2));
}

}  // namespace
}  // namespace hurt::catalogues::testing
