#include "invoicing/invoice_printout.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/slownie.h"
#include "invoice_fixture.h"
#include "invoicing/print_blocks.h"
#include "invoicing/printer_codes.h"
#include "session/viewer.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
using store::TableId;
using testing::D;

bool Has(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// The VAT rows under the line table: the row with "W tym" and the rows that follow it;
// the one whose rate cell is `rate_cell` (" 23 ", " np ").
std::string SummaryRow(const std::string& text, std::string_view rate_cell) {
  size_t at = text.find("W tym");
  while (at != std::string::npos) {
    size_t begin = text.rfind("\r\n", at);
    begin = begin == std::string::npos ? 0 : begin + 2;
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    std::string line = text.substr(begin, end - begin);
    if (line.find(" |") == std::string::npos) break;
    if (line.find("|" + std::string(rate_cell) + "|") != std::string::npos) return line;
    at = end + 2;
  }
  return {};
}

class FakturaTest : public testing::InvoiceTest {
 protected:
  void SetUp() override {
    InvoiceTest::SetUp();
    AddKind(Area(TableId::kSlow), "FV ", "FAKTURA VAT", "R", "S", "N", 125);
    AddKind(Area(TableId::kSlow), "PA ", "FAKTURA BRUTTO", "R", "S", "B", 10);
    Add(Area(TableId::kZo), {{"ODB", "KOWAL"}, {"NODB", "KOWALSKI SP. Z O.O."}, {"REGON", "6770000000"}});
  }

  FakturaRequest Request(const std::string& rd, int nrd, JulianDay data = JulianFromYmd(2026, 12, 7)) {
    FakturaRequest r;
    r.data = data;
    r.rd = rd;
    r.nrd = std::to_string(nrd);
    return r;
  }

  Result<FakturaResult> Print(const std::string& rd, int nrd) { return DrukujDowod(s(), ui_, Request(rd, nrd)); }
};

// A posted sale of three articles at two rates, printed through FAKTURA into the
// station's report file: the title, the VAT rows, the totals and the amount in words.
TEST_F(FakturaTest, ASaleOfThreeArticlesAtTwoRatesPrintsThroughTheViewer) {
  AddHeader(Area(TableId::kDowod), "FV ", 125, D(2026, 12, 7));
  AddLine(Area(TableId::kDow), "FV ", 125, 1, "MLOTEK", 2, 10.00, "23");
  AddLine(Area(TableId::kDow), "FV ", 125, 2, "GWOZDZIE", 3, 1.99, "23");
  AddLine(Area(TableId::kDow), "FV ", 125, 3, "KSIAZKA", 1, 5.00, " 8");

  session::ViewerSetup setup;
  ASSERT_TRUE(Faktura(s(), Request("FV ", 125), setup));  // the viewer ends on Esc
  const std::string text = ReadFile(s().Path(session::StationReportFile(s())));
  ASSERT_FALSE(text.empty());

  EXPECT_TRUE(Has(text, "FAKTURA NR FV-125"));
  EXPECT_TRUE(Has(text, "KOWALSKI SP. Z O.O."));
  EXPECT_TRUE(Has(text, "TOWAR MLOTEK"));
  // 23 %: 20.00 + 5.97 net, VAT 4.60 + 1.37 = 5.97 (= round2(25.97 × 0.23)); 8 %: 5.00, 0.40.
  const std::string row23 = SummaryRow(text, " 23 ");
  EXPECT_TRUE(Has(row23, "25.97")) << row23;
  EXPECT_TRUE(Has(row23, "5.97")) << row23;
  EXPECT_TRUE(Has(row23, "31.94")) << row23;
  const std::string row8 = SummaryRow(text, "  8 ");
  EXPECT_TRUE(Has(row8, "5.00")) << row8;
  EXPECT_TRUE(Has(row8, "0.40")) << row8;
  EXPECT_TRUE(Has(row8, "5.40")) << row8;
  // The total 37.34: in the totals, and in words.
  EXPECT_TRUE(Has(text, "30.97"));
  EXPECT_TRUE(Has(text, "6.37"));
  EXPECT_TRUE(Has(text, "37.34"));
  EXPECT_TRUE(Has(text, Overstrike("trzydzieści siedem zł. i trzydzieści cztery gr."_pl))) << Cp852ToUtf8(text);
  EXPECT_TRUE(Has(text, AmountInWordsLine(37.34, "")));
  // Nothing needed reconciling: the stored lines stay as posted.
  auto again = Print("FV ", 125);
  ASSERT_TRUE(again.ok()) << again.status().ToString();
  EXPECT_EQ(again->written_back, 0);
  EXPECT_NEAR(again->form.summary.brutto, 37.34, 1e-9);
}

// Gross lines of 1.02 and 1.04 at 23 % carry 0.19 VAT each; the rate's total 2.06 carries
// 0.39. The first line takes the grosz, on paper and in its stored record.
TEST_F(FakturaTest, TheGrossReconciliationGroszIsWrittenBackToTheFirstLine) {
  AddHeader(Area(TableId::kDowod), "PA ", 11, D(2026, 12, 7));
  uint32_t first = AddLine(Area(TableId::kDow), "PA ", 11, 1, "A", 1, 1.02, "23", 'B');
  uint32_t second = AddLine(Area(TableId::kDow), "PA ", 11, 2, "B", 1, 1.04, "23", 'B');
  ASSERT_NEAR(FieldAt(Area(TableId::kDow), first, "PODATEK").AsNumber(), 0.19, 1e-9);

  auto printed = Print("PA ", 11);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(printed->written_back, 1);
  EXPECT_NEAR(printed->form.summary.vat, 0.39, 1e-9);
  EXPECT_NEAR(printed->form.summary.brutto, 2.06, 1e-9);
  EXPECT_NEAR(FieldAt(Area(TableId::kDow), first, "PODATEK").AsNumber(), 0.20, 1e-9);
  EXPECT_NEAR(FieldAt(Area(TableId::kDow), second, "PODATEK").AsNumber(), 0.19, 1e-9);

  // Printed again, the stored lines already add up: nothing more moves.
  auto again = Print("PA ", 11);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again->written_back, 0);
  EXPECT_NEAR(FieldAt(Area(TableId::kDow), first, "PODATEK").AsNumber(), 0.20, 1e-9);
}

// An issue whose first 23 % line is a return (−1.01): the difference of −0.01 goes to the
// first line with a positive quantity.
TEST_F(FakturaTest, TheDifferenceSkipsANegativeFirstLineOnAnIssue) {
  AddHeader(Area(TableId::kDowod), "FV ", 126, D(2026, 12, 7));
  uint32_t returned = AddLine(Area(TableId::kDow), "FV ", 126, 1, "A", -1, 1.01, "23");
  uint32_t sold = AddLine(Area(TableId::kDow), "FV ", 126, 2, "B", 1, 1.03, "23");

  auto printed = Print("FV ", 126);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(printed->written_back, 1);
  EXPECT_NEAR(FieldAt(Area(TableId::kDow), returned, "PODATEK").AsNumber(), -0.23, 1e-9);
  EXPECT_NEAR(FieldAt(Area(TableId::kDow), sold, "PODATEK").AsNumber(), 0.23, 1e-9);
  EXPECT_NEAR(printed->form.summary.vat, 0.00, 1e-9);
}

// "ZW" and "NP" are never reconciled; "NP" prints "---" for its VAT.
TEST_F(FakturaTest, ExemptAndNotSubjectRatesStayAsTheyAreAndNpShowsDashes) {
  AddHeader(Area(TableId::kDowod), "FV ", 127, D(2026, 12, 7));
  AddLine(Area(TableId::kDow), "FV ", 127, 1, "A", 3, 3.33, "NP");
  AddLine(Area(TableId::kDow), "FV ", 127, 2, "B", 7, 1.11, "ZW");

  auto printed = Print("FV ", 127);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(printed->written_back, 0);
  const std::string np = SummaryRow(printed->form.text, " np ");
  ASSERT_FALSE(np.empty()) << Cp852ToUtf8(printed->form.text);
  EXPECT_TRUE(Has(np, "---")) << np;
  EXPECT_TRUE(Has(np, "9.99")) << np;
  EXPECT_NEAR(printed->form.summary.brutto, 9.99 + 7.77, 1e-9);
}

// The marker F<number>.--- prints the cancelled form once and is removed.
TEST_F(FakturaTest, ACancelledInvoicePrintsItsMarkerOnceAndTheMarkerGoes) {
  AddHeader(Area(TableId::kDowod), "FV ", 125, D(2026, 12, 7));
  AddLine(Area(TableId::kDow), "FV ", 125, 1, "A", 1, 10, "23");
  ASSERT_TRUE(mem_.SetContents("F125.---", "").ok());

  auto cancelled = Print("FV ", 125);
  ASSERT_TRUE(cancelled.ok()) << cancelled.status().ToString();
  EXPECT_TRUE(cancelled->cancelled);
  EXPECT_TRUE(Has(cancelled->form.text, "--- FAKTURA ANULOWANA ---"));
  EXPECT_FALSE(Has(cancelled->form.text, "TOWAR A"));
  EXPECT_FALSE(mem_.Exists("F125.---"));

  auto normal = Print("FV ", 125);
  ASSERT_TRUE(normal.ok());
  EXPECT_FALSE(normal->cancelled);
  EXPECT_FALSE(Has(normal->form.text, "ANULOWANA"));
  EXPECT_TRUE(Has(normal->form.text, "TOWAR A"));
}

// On the page printer the first printout is the original, the next ones copies.
TEST_F(FakturaTest, ThePagePrinterPrintsTheOriginalThenCopies) {
  AddHeader(Area(TableId::kDowod), "FV ", 125, D(2026, 12, 7));
  AddLine(Area(TableId::kDow), "FV ", 125, 1, "A", 1, 10, "23");
  s().vars().Set("M_DRUKARKA", xbase::Value("PACKARD"));
  ASSERT_TRUE(s().settings().SetText("J_ORYGINAL", "T").ok());

  auto first = Print("FV ", 125);
  ASSERT_TRUE(first.ok());
  EXPECT_TRUE(Has(first->form.text, Overstrike("ORYGINAŁ"_pl)));
  EXPECT_EQ(first->oryginal_next, 'O');
  auto second = Print("FV ", 125);
  ASSERT_TRUE(second.ok());
  EXPECT_TRUE(Has(second->form.text, "KOPIA"));
  EXPECT_FALSE(Has(second->form.text, Overstrike("ORYGINAŁ"_pl)));
  EXPECT_EQ(s().settings().Text("J_ORYGINAL"), "K");

  // Another invoice starts with its own original.
  AddHeader(Area(TableId::kDowod), "FV ", 126, D(2026, 12, 7));
  AddLine(Area(TableId::kDow), "FV ", 126, 1, "A", 1, 10, "23");
  auto other = Print("FV ", 126);
  ASSERT_TRUE(other.ok());
  EXPECT_TRUE(Has(other->form.text, Overstrike("ORYGINAŁ"_pl)));
}

// A document of an earlier month is read from that month's folder; the folder's tables
// are closed again and the session's areas are where they were.
TEST_F(FakturaTest, ADocumentOfAnEarlierMonthComesFromItsFolder) {
  ASSERT_TRUE(mem_.CreateDirs("26/11").ok());
  for (std::string name : {"dowod.dbf", "dowod1.ntx", "dow.dbf", "dow1.ntx", "slow.dbf", "slow.ntx"}) {
    ASSERT_TRUE(mem_.SetContents("26/11/" + name, ReadFile(Area(TableId::kDowod).path().substr(
                                                         0, Area(TableId::kDowod).path().rfind('/') + 1) +
                                                     name))
                    .ok());
  }
  {
    xbase::WorkAreas other(mem_);
    auto dowod = other.Open(1, "26/11/dowod.dbf", "dowod");
    ASSERT_TRUE(dowod.ok());
    ASSERT_TRUE((*dowod)->AttachOrder("26/11/dowod1.ntx").ok());
    auto dow = other.Open(2, "26/11/dow.dbf", "dow");
    ASSERT_TRUE(dow.ok());
    ASSERT_TRUE((*dow)->AttachOrder("26/11/dow1.ntx").ok());
    auto slow = other.Open(3, "26/11/slow.dbf", "slow");
    ASSERT_TRUE(slow.ok());
    ASSERT_TRUE((*slow)->AttachOrder("26/11/slow.ntx").ok());
    AddKind(**slow, "FV ", "FAKTURA VAT", "R", "S", "N", 90);
    AddHeader(**dowod, "FV ", 90, D(2026, 11, 20));
    AddLine(**dow, "FV ", 90, 1, "STARY", 4, 2.50, "23", 'N', D(2026, 11, 20));
  }
  const uint32_t dowod_recno = Area(TableId::kDowod).recno();

  auto printed = DrukujDowod(s(), ui_, Request("FV ", 90, JulianFromYmd(2026, 11, 20)));
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_TRUE(Has(printed->form.text, "FAKTURA NR FV-90"));
  EXPECT_TRUE(Has(printed->form.text, "TOWAR STARY"));
  EXPECT_NEAR(printed->form.summary.brutto, 12.30, 1e-9);
  EXPECT_EQ(s().areas().FirstFree(160, 199), 160);  // the month's tables are closed
  EXPECT_EQ(Area(TableId::kDowod).recno(), dowod_recno);

  auto missing = DrukujDowod(s(), ui_, Request("FV ", 1, JulianFromYmd(2025, 1, 15)));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().message(), "Brak pliku 25/01/dowod.dbf");
}

TEST_F(FakturaTest, ADocumentThatIsNotThereIsNamed) {
  auto printed = Print("FV ", 999);
  ASSERT_FALSE(printed.ok());
  EXPECT_EQ(printed.status().message(), "Brak dowodu FV-999");
}

// Another station holds the line that must take the grosz: the printout is refused
// rather than showing totals the stored lines do not have.
TEST_F(FakturaTest, ALockedLineStopsThePrintoutInsteadOfPrintingUnstoredTotals) {
  AddHeader(Area(TableId::kDowod), "PA ", 11, D(2026, 12, 7));
  uint32_t first = AddLine(Area(TableId::kDow), "PA ", 11, 1, "A", 1, 1.02, "23", 'B');
  AddLine(Area(TableId::kDow), "PA ", 11, 2, "B", 1, 1.04, "23", 'B');
  xbase::WorkAreas other(mem_);
  auto dow = other.Open(1, Area(TableId::kDow).path(), "dow");
  ASSERT_TRUE(dow.ok());
  ASSERT_TRUE((*dow)->LockRecord(first).ok());

  auto printed = Print("PA ", 11);
  ASSERT_FALSE(printed.ok());
  EXPECT_EQ(printed.status().message(), "Linie dowodu PA-11 zajete - nie zapisano VAT");
  EXPECT_NEAR(FieldAt(Area(TableId::kDow), first, "PODATEK").AsNumber(), 0.19, 1e-9);
}

// A sales correction ("KS") prints as "FK": its title quotes the corrected invoice in the
// short form with the branch symbol, and a decrease prints the refund lines, not the
// amount in words of an invoice.
TEST_F(FakturaTest, ASalesCorrectionPrintsWithItsOwnTitleAndAmounts) {
  AddKind(Area(TableId::kSlow), "KF ", "KOREKTA FAKTURY", "K", "S", "N", 3);
  ASSERT_TRUE(s().settings().SetText("J_FV_SYMBO", "KR").ok());
  AddHeader(Area(TableId::kDowod), "KF ", 4, D(2026, 12, 7),
            {{"R_P", "K"}, {"ODBIORCA", "125 z dnia 01.12.2026"}, {"DATA_FA", D(2026, 12, 1)}});
  AddLine(Area(TableId::kDow), "KF ", 4, 1, "MLOTEK", -1, 10.00, "23");

  auto printed = Print("KF ", 4);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(printed->form.klasa, "FK");
  EXPECT_TRUE(Has(printed->form.text, "Korekta KF Nr KF-125/KR z dnia 01.12.2026")) << Cp852ToUtf8(printed->form.text);
  EXPECT_TRUE(Has(printed->form.text, "Kwota zmniejszenia wartosci bez podatku : "));
  EXPECT_TRUE(Has(printed->form.text, "Kwota do zwrotu"));
  EXPECT_FALSE(Has(printed->form.text, "FAKTURA NR"));
  EXPECT_NEAR(printed->form.summary.brutto, -12.30, 1e-9);
}

TEST(PeriodOfDateTest, TwoDigitYearAndMonth) {
  EXPECT_EQ(PeriodOfDate(JulianFromYmd(2026, 12, 7)), "26/12");
  EXPECT_EQ(PeriodOfDate(JulianFromYmd(2030, 1, 31)), "30/01");
}

}  // namespace
}  // namespace hurt::invoicing
