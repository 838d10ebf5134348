// The JPK marks of a document: the questions asked by kind and period, and the marks that
// go with the header, so that a correction writes them back as they were.
#include "documents/jpk_marks.h"

#include <gtest/gtest.h>

#include "documents/header.h"
#include "documents/posting_fixture.h"
#include "session/area_fields.h"

namespace hurt::documents {
namespace {

using testing::PostingTest;

std::vector<std::string> Labels(const std::vector<JpkQuestion>& q) {
  std::vector<std::string> out;
  for (const JpkQuestion& x : q) out.push_back(x.label);
  return out;
}

TEST(JpkQuestions, SalesAndPurchasesByPeriod) {
  DocKind fv;
  fv.r_p = 'R';
  fv.s_z = 'S';
  DocKind fk = fv;
  fk.r_p = 'K';
  DocKind pz;
  pz.r_p = 'P';
  pz.s_z = 'Z';
  DocKind wz;
  wz.s_z = 'D';
  const JulianDay y2021 = JulianFromYmd(2021, 12, 31), y2022 = JulianFromYmd(2022, 1, 1);
  const auto before = JpkQuestions(fv, y2021);
  ASSERT_EQ(before.size(), 14u);
  EXPECT_EQ(before[0].label, "SW");
  EXPECT_EQ(before[12].label, "MPP");
  EXPECT_EQ(before[12].position, 12u);
  EXPECT_EQ(before[13].label, "KorektaPO");
  const auto after = JpkQuestions(fk, y2022);
  ASSERT_EQ(after.size(), 12u);
  EXPECT_EQ(Labels(after)[0], "WSTO_EE");
  EXPECT_EQ(Labels(after)[1], "IED");
  EXPECT_EQ(after[11].label, "B_MPV_PROWIZJA");
  EXPECT_EQ(Labels(JpkQuestions(pz, y2021)), (std::vector<std::string>{"IMP", "MPP"}));
  EXPECT_EQ(JpkQuestions(pz, y2022).size(), 1u);
  EXPECT_EQ(JpkQuestions(pz, y2022)[0].position, 14u);
  EXPECT_TRUE(JpkQuestions(wz, y2022).empty());
  for (char c : std::string("TN1 ")) EXPECT_TRUE(JpkAnswerAllowed(c));
  EXPECT_FALSE(JpkAnswerAllowed('X'));
  EXPECT_FALSE(JpkAnswerAllowed('t'));
  for (const char* typ : {"", "FP    ", "RO", "WEW", "MK", "VAT_RR"}) EXPECT_TRUE(JpkTypeAllowed(typ)) << typ;
  EXPECT_FALSE(JpkTypeAllowed("N"));
  EXPECT_FALSE(JpkTypeAllowed("FPX"));
}

class JpkMarksTest : public PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT");
    Article("1", "A1", 1000000, 2);
  }
};

TEST_F(JpkMarksTest, ThePostedMarksComeBackWithTheHeaderForACorrection) {
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("FV", "K1", "P");
  s().vars().Set("M_JPK_XX", xbase::Value(PadR("  T         T", 20)));
  s().vars().Set("M_TYP_DOK", xbase::Value(PadR("FP", 6)));
  testing::AddRecord(A(store::TableId::kDd), {{"MAG", "1"},
                                               {"INDEKS", PadR("A1", 8)},
                                               {"NAZWA", "TOWAR"},
                                               {"ILOSC", 1.0},
                                               {"CENA", 10.0},
                                               {"NB", "N"},
                                               {"PODATEK0", "23"},
                                               {"PODATEK", 2.3},
                                               {"WARTOSC", 10.0},
                                               {"BRUTTO", 12.3}});
  ASSERT_TRUE(Post());
  xbase::WorkArea& dowod = A(store::TableId::kDowod);
  ASSERT_TRUE(dowod.SetOrder(1).ok());
  ASSERT_TRUE(*dowod.SeekKey("FV " + Str(1, 8)));
  EXPECT_EQ(session::FieldText(dowod, "JPK_XX"), PadR("  T         T", 20));
  // Another document's header in between, then this one read back for a correction.
  NewDocumentJpk(s(), "FV ");
  EXPECT_EQ(s().vars().Text("M_JPK_XX"), std::string(20, ' '));
  ASSERT_TRUE(PelnyNag(s()));
  EXPECT_EQ(s().vars().Text("M_JPK_XX"), PadR("  T         T", 20));
  EXPECT_EQ(s().vars().Text("M_TYP_DOK"), PadR("FP", 6));
}

}  // namespace
}  // namespace hurt::documents
