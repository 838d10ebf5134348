// F5 of the document screen on the document under edit, the display mode's read-only
// lines, and the form of money documents (warehouse "0").
#include "invoicing/document_printout.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/slownie.h"
#include "documents/header_sources.h"
#include "invoice_fixture.h"
#include "invoicing/money_form.h"
#include "invoicing/printer_codes.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
using store::TableId;
using testing::D;

bool Has(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

class DrukDowTest : public testing::InvoiceTest {
 protected:
  void SetUp() override {
    InvoiceTest::SetUp();
    AddKind(Area(TableId::kSlow), "FV ", "FAKTURA VAT", "R", "S", "N", 125);
    AddKind(Area(TableId::kSlow), "PA ", "PARAGON FAKTURA", "R", "S", "B", 10);
    AddKind(Area(TableId::kSlow), "KP ", "KASA PRZYJELA", "R", "S", "N", 6);
    Add(Area(TableId::kZo), {{"ODB", "KOWAL"}, {"NODB", "KOWALSKI SP. Z O.O."}, {"REGON", "6770000000"}});
  }

  // The header of a document under edit, as the entry screen leaves it.
  void Editing(const std::string& rd, int nrd, int klucz = 0) {
    session::SessionVariables& v = s().vars();
    v.Set("KLUCZ", xbase::Value(static_cast<double>(klucz)));
    v.Set("M_RD", xbase::Value(rd));
    v.Set("M_NRD", xbase::Value(PadL(std::to_string(nrd), 8)));
    v.Set("M_DATA", D(2026, 12, 7));
    v.Set("M_MAG", xbase::Value("1"));
    v.Set("M_KTO", xbase::Value("O"));
    v.Set("M_ODB", xbase::Value("KOWAL   "));
    v.Set("M_SPZ", xbase::Value("P"));
    v.Set("M_TEZ", xbase::Value(14.0));
    v.Set("JEST_WYDRUK", xbase::Value(false));
  }
};

// A net sale of three articles at two rates, printed before it is posted: the number the
// header proposes is on paper and posting is told to keep it.
TEST_F(DrukDowTest, TheDocumentUnderEditPrintsWithItsProposedNumber) {
  Editing("FV ", 126);
  xbase::WorkArea& dd = Area(TableId::kDd);
  AddLine(dd, "FV ", 126, 1, "MLOTEK", 2, 10.00, "23");
  AddLine(dd, "FV ", 126, 2, "GWOZDZIE", 3, 1.99, "23");
  AddLine(dd, "FV ", 126, 3, "KSIAZKA", 1, 5.00, " 8");
  ASSERT_TRUE(dd.GoTo(2).ok());

  auto printed = DrukujEdytowany(s(), ui_, dd);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  const std::string& text = printed->form.text;
  EXPECT_TRUE(Has(text, "FAKTURA NR FV-126")) << Cp852ToUtf8(text);
  EXPECT_TRUE(Has(text, "KOWALSKI SP. Z O.O."));  // the customer's record fills the blank header names
  EXPECT_TRUE(Has(text, "TOWAR KSIAZKA"));
  EXPECT_TRUE(Has(text, "przelew"));
  EXPECT_NEAR(printed->form.summary.netto, 30.97, 1e-9);
  EXPECT_NEAR(printed->form.summary.vat, 6.37, 1e-9);
  EXPECT_NEAR(printed->form.summary.brutto, 37.34, 1e-9);
  EXPECT_TRUE(Has(text, Overstrike("trzydzieści siedem zł. i trzydzieści cztery gr."_pl)));
  EXPECT_TRUE(s().vars().Logical("JEST_WYDRUK"));
  EXPECT_EQ(dd.recno(), 2u) << "the grid's line stays current";
  // Nothing is written to the posted tables.
  auto headers = Area(TableId::kDowod).RecCount();
  ASSERT_TRUE(headers.ok());
  EXPECT_EQ(*headers, 0u);
}

// The per-rate reconciliation of the form goes back to the working line, so that the
// document posted afterwards carries the totals printed. A posted document reopened for
// correction keeps its number anyway: printing it marks nothing.
TEST_F(DrukDowTest, TheReconciledGroszGoesBackToTheWorkingLine) {
  Editing("PA ", 11, 2);
  xbase::WorkArea& dd = Area(TableId::kDd);
  uint32_t first = AddLine(dd, "PA ", 11, 1, "A", 1, 1.02, "23", 'B');
  uint32_t second = AddLine(dd, "PA ", 11, 2, "B", 1, 1.04, "23", 'B');

  auto printed = DrukujEdytowany(s(), ui_, dd);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(printed->written_back, 1);
  EXPECT_NEAR(printed->form.summary.vat, 0.39, 1e-9);
  EXPECT_NEAR(FieldAt(dd, first, "PODATEK").AsNumber(), 0.20, 1e-9);
  EXPECT_NEAR(FieldAt(dd, second, "PODATEK").AsNumber(), 0.19, 1e-9);
  EXPECT_FALSE(s().vars().Logical("JEST_WYDRUK"));
}

TEST_F(DrukDowTest, NoLinesPrintNothingAndLeaveTheNumberFree) {
  Editing("FV ", 126);
  xbase::WorkArea& dd = Area(TableId::kDd);
  uint32_t gone = AddLine(dd, "FV ", 126, 1, "A", 1, 1, "23");
  ASSERT_TRUE(dd.GoTo(gone).ok());
  ASSERT_TRUE(dd.LockRecord().ok());
  ASSERT_TRUE(dd.Delete().ok());
  ASSERT_TRUE(dd.Unlock().ok());

  auto printed = DrukujEdytowany(s(), ui_, dd);
  ASSERT_FALSE(printed.ok());
  EXPECT_EQ(printed.status().message(), "Brak pozycji do druku");
  EXPECT_FALSE(s().vars().Logical("JEST_WYDRUK"));
}

// Display reads the posted lines into a new working table; the posted document, its lines
// and the stock stay as they were.
TEST_F(DrukDowTest, DisplayCopiesThePostedLinesAndChangesNothing) {
  uint32_t header = AddHeader(Area(TableId::kDowod), "FV ", 125, D(2026, 12, 7));
  AddLine(Area(TableId::kDow), "FV ", 125, 1, "MLOTEK", 2, 10.00, "23");
  AddLine(Area(TableId::kDow), "FV ", 125, 2, "KSIAZKA", 1, 5.00, " 8");
  AddLine(Area(TableId::kDow), "FV ", 126, 1, "OBCY", 9, 9.00, "23");  // another document

  ASSERT_TRUE(documents::LoadLinesForDisplay(s(), "FV", "125"));
  xbase::WorkArea& dd = Area(TableId::kDd);
  auto count = dd.RecCount();
  ASSERT_TRUE(count.ok());
  ASSERT_EQ(*count, 2u);
  EXPECT_EQ(RTrim(FieldAt(dd, 1, "INDEKS").AsString()), "MLOTEK");
  EXPECT_NEAR(FieldAt(dd, 1, "PODATEK").AsNumber(), 4.60, 1e-9);
  EXPECT_EQ(FieldAt(dd, 2, "LP").AsString(), "  2");

  xbase::WorkArea& dowod = Area(TableId::kDowod);
  ASSERT_TRUE(dowod.GoTo(header).ok());
  EXPECT_FALSE(dowod.deleted());
  xbase::WorkArea& dow = Area(TableId::kDow);
  for (uint32_t r = 1; r <= 3; ++r) {
    ASSERT_TRUE(dow.GoTo(r).ok());
    EXPECT_FALSE(dow.deleted()) << r;
  }
}

// A money document (warehouse "0") has no lines: FAKTURA prints its own form with the
// counterparty, the text, the amount and the amount in words.
TEST_F(DrukDowTest, AMoneyDocumentPrintsTheWarehouseZeroForm) {
  AddHeader(Area(TableId::kDowod), "KP ", 7, D(2026, 12, 7),
            {{"MAG", "0"}, {"KWOTA", 1234.5}, {"ODBIORCA", "ZAPLATA ZA FV-125"}, {"NODB", ""}});
  FakturaRequest r;
  r.data = JulianFromYmd(2026, 12, 7);
  r.rd = "KP ";
  r.nrd = "7";
  auto printed = DrukujDowod(s(), ui_, r);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  const std::string& text = printed->form.text;
  EXPECT_EQ(printed->form.klasa, "0");
  EXPECT_TRUE(Has(text, Overstrike("KASA PRZYJĘŁA"_pl) + " NR KP-7")) << Cp852ToUtf8(text);
  EXPECT_TRUE(Has(text, "KOWALSKI SP. Z O.O."));
  EXPECT_TRUE(Has(text, "ZAPLATA ZA FV-125"));
  EXPECT_TRUE(Has(text, "1 234.50"));
  EXPECT_TRUE(Has(text, Overstrike(SlownieKwoty(1234.5))));
  EXPECT_FALSE(Has(text, "W tym"));
  EXPECT_EQ(printed->written_back, 0);

  // The cancelled marker prints the cancelled block instead of the amount, once.
  ASSERT_TRUE(mem_.SetContents("F7.---", "").ok());
  auto cancelled = DrukujDowod(s(), ui_, r);
  ASSERT_TRUE(cancelled.ok());
  EXPECT_TRUE(Has(cancelled->form.text, "--- DOWOD ANULOWANY ---"));
  EXPECT_FALSE(Has(cancelled->form.text, "1 234.50"));
  EXPECT_FALSE(mem_.Exists("F7.---"));
}

TEST(MoneyDocumentTitleTest, ByKindThenDescription) {
  documents::DocKind k;
  k.rd = "KW2";
  EXPECT_EQ(MoneyDocumentTitle(k), "KASA WYDAŁA"_pl);
  k.rd = "XYZ";
  k.opis = "wplata wlasna\x1b";
  EXPECT_EQ(MoneyDocumentTitle(k), "WPLATA WLASNA");
}

}  // namespace
}  // namespace hurt::invoicing
