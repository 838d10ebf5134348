#include "invoicing/similar_document.h"

#include <gtest/gtest.h>

#include "documents/line_editor.h"
#include "invoice_fixture.h"
#include "invoicing/invoice_printout.h"

namespace hurt::invoicing {
namespace {

using store::TableId;
using testing::D;

class ToldUi final : public InvoiceUi {
 public:
  explicit ToldUi(store::StoreUi& store_ui) : store_(store_ui) {}
  store::StoreUi& store() override { return store_; }
  void Tell(std::string_view text, int) override { told.emplace_back(text); }
  std::optional<std::string> AskKind(std::string_view) override { return std::nullopt; }
  std::vector<std::string> told;

 private:
  store::StoreUi& store_;
};

class PodobnyTest : public testing::InvoiceTest {
 protected:
  void SetUp() override {
    InvoiceTest::SetUp();
    AddKind(Area(TableId::kSlow), "FV ", "FAKTURA VAT", "R", "S", "N", 125);
    Add(Area(TableId::kZo), {{"ODB", "KOWAL"}, {"NODB", "KOWALSKI SP. Z O.O."}});
    Article("MLOTEK", 10);
    Article("KSIAZKA", 1);
    AddHeader(Area(TableId::kDowod), "FV ", 100, D(2026, 12, 1), {{"ODBIORCA", "** WZORZEC"}, {"SPZ", "P"}, {"TEZ", 21.0}});
    AddLine(Area(TableId::kDow), "FV ", 100, 1, "MLOTEK", 2, 10.00, "23", 'N', D(2026, 12, 1));
    AddLine(Area(TableId::kDow), "FV ", 100, 2, "KSIAZKA", 3, 5.00, " 8", 'N', D(2026, 12, 1));
    options_.editor = [this](session::Session&) {
      ++editor_calls_;
      return true;
    };
  }
  void Article(const std::string& indeks, double ilosc) {
    Add(Area(TableId::kAs), {{"MAG", "1"}, {"INDEKS", indeks}, {"NAZWA", "TOWAR " + indeks}, {"ILOSC", ilosc},
                             {"CENA", 1.0}, {"PODATEK0", "23"}});
  }
  double Rezerwa0(uint32_t recno) { return FieldAt(Area(TableId::kAs), recno, "REZERWA0").AsNumber(); }

  InvoiceData Pattern() {
    FakturaRequest r;
    r.data = JulianFromYmd(2026, 12, 1);
    r.rd = "FV ";
    r.nrd = "100";
    auto printed = DrukujDowod(s(), ui_, r);
    EXPECT_TRUE(printed.ok()) << printed.status().ToString();
    return printed.ok() ? printed->data : InvoiceData{};
  }

  PodobnyOptions options_;
  int editor_calls_ = 0;
};

// The pattern's lines go into a new document of the kind under the next number, dated
// today; the stock they take is reserved, and a line short of stock is cut to what there is.
TEST_F(PodobnyTest, APatternBecomesANewDocumentWithItsLinesReserved) {
  const InvoiceData pattern = Pattern();
  EXPECT_TRUE(IsPatternDocument(pattern.header));
  ToldUi ui(ui_);
  PodobnyResult r = PodobnyDowod(s(), ui, pattern, options_);
  ASSERT_TRUE(r.made);
  EXPECT_EQ(editor_calls_, 1);
  EXPECT_EQ(r.nrd, "     126");
  EXPECT_EQ(r.lines, 2);
  EXPECT_EQ(r.cut, 1);
  EXPECT_EQ(ui.told, (std::vector<std::string>{"NIE MASZ TAKIEJ ILOSCI ! KSIAZKA"}));

  xbase::WorkArea& dd = Area(TableId::kDd);
  EXPECT_EQ(FieldAt(dd, 1, "RD").AsString() + FieldAt(dd, 1, "NRD").AsString(), "FV      126");
  EXPECT_EQ(FieldAt(dd, 1, "DATA").AsDate().day, JulianFromYmd(2026, 12, 7));
  EXPECT_NEAR(FieldAt(dd, 1, "ILOSC").AsNumber(), 2, 1e-9);
  EXPECT_NEAR(FieldAt(dd, 1, "CENA").AsNumber(), 10.00, 1e-9);
  EXPECT_EQ(FieldAt(dd, 2, "LP").AsString(), "  2");
  EXPECT_NEAR(FieldAt(dd, 2, "ILOSC").AsNumber(), 1, 1e-9);  // cut from 3
  EXPECT_NEAR(FieldAt(dd, 2, "WARTOSC").AsNumber(), 5.00, 1e-9);
  EXPECT_NEAR(FieldAt(dd, 2, "PODATEK").AsNumber(), 0.40, 1e-9);
  EXPECT_NEAR(Rezerwa0(1), 2, 1e-9);
  EXPECT_NEAR(Rezerwa0(2), 1, 1e-9);

  session::SessionVariables& v = s().vars();
  EXPECT_EQ(v.Number("KLUCZ"), 0);
  EXPECT_EQ(v.Text("M_NRD"), "     126");
  EXPECT_EQ(RTrim(v.Text("M_ODB")), "KOWAL");
  EXPECT_EQ(v.Text("M_SPZ"), "P");
  EXPECT_EQ(v.Number("M_TEZ"), 21);
  EXPECT_EQ(v.Text("M_ODBIORCA"), "") << "the pattern mark stays with the pattern";
  EXPECT_FALSE(v.Logical("JEST_WYDRUK"));
  // The pattern itself is untouched.
  EXPECT_EQ(FieldAt(Area(TableId::kDowod), 1, "ODBIORCA").AsString().substr(0, 3), "** ");
}


// A write of the working table failing at any point of the copy: the operator is told,
// no editor opens, `dd` keeps no line and no stock stays reserved; without the fault
// the same pattern is copied.
TEST_F(PodobnyTest, AFailedWriteOfTheLinesStopsWithAMessageAndKeepsNothing) {
  const InvoiceData pattern = Pattern();
  const double held_before = Rezerwa0(1) + Rezerwa0(2);
  faults_.ResetCounters();
  {
    ToldUi probe(ui_);
    ASSERT_TRUE(PodobnyDowod(s(), probe, pattern, options_).made);
  }
  const int64_t writes = faults_.Writes("d01.dbf");
  ASSERT_GT(writes, 0);
  // The probe's reservations go back before each run, as leaving its document would.
  documents::ZwRezWyjscie(s());
  editor_calls_ = 0;
  int stopped = 0;
  for (int nth = 1; nth <= writes; ++nth) {
    SCOPED_TRACE(nth);
    faults_.FailWrite(static_cast<int>(nth), "d01.dbf");
    ToldUi ui(ui_);
    PodobnyResult r = PodobnyDowod(s(), ui, pattern, options_);
    faults_.ClearFaults();
    if (r.made) {
      documents::ZwRezWyjscie(s());
      continue;
    }
    ++stopped;
    EXPECT_EQ(editor_calls_, 0);
    ASSERT_FALSE(ui.told.empty());
    const std::string& last = ui.told.back();
    EXPECT_TRUE(last.rfind("Blad zapisu pliku dd", 0) == 0 || last == "Brak pliku roboczego pozycji") << last;
    if (xbase::WorkArea* dd = SessionAreaOf(s(), TableId::kDd); dd != nullptr && last != "Brak pliku roboczego pozycji") {
      auto count = dd->RecCount();
      if (count.ok()) {
        EXPECT_EQ(*count, 0u);
      }
    }
    EXPECT_NEAR(Rezerwa0(1) + Rezerwa0(2), held_before, 1e-9);
  }
  EXPECT_GT(stopped, 0);
  ToldUi again(ui_);
  PodobnyResult done = PodobnyDowod(s(), again, pattern, options_);
  ASSERT_TRUE(done.made);
  EXPECT_EQ(done.lines, 2);
}

}  // namespace
}  // namespace hurt::invoicing
