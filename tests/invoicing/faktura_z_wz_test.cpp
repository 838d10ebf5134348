#include "invoicing/faktura_z_wz.h"

#include <gtest/gtest.h>

#include <functional>

#include "invoice_fixture.h"
#include "invoicing/faktura_zbiorczo.h"

namespace hurt::invoicing {
namespace {

using store::TableId;
using testing::D;

const std::string kMark = "\xFB";

class ScriptedUi final : public InvoiceUi {
 public:
  explicit ScriptedUi(store::StoreUi& store_ui) : store_(store_ui) {}
  store::StoreUi& store() override { return store_; }
  void Tell(std::string_view text, int) override { told.emplace_back(text); }
  std::optional<std::string> AskKind(std::string_view proposed) override {
    asked = std::string(proposed);
    return kind;
  }
  bool Ask(std::string_view question, bool) override {
    questions.emplace_back(question);
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.erase(answers.begin());
    return a;
  }

  std::vector<std::string> told;
  std::string asked;
  std::optional<std::string> kind = "FV ";
  std::vector<std::string> questions;
  std::vector<bool> answers;

 private:
  store::StoreUi& store_;
};

class FvDoWzTest : public testing::InvoiceTest {
 protected:
  void SetUp() override {
    InvoiceTest::SetUp();
    AddKind(Area(TableId::kSlow), "WZ ", "WYDANIE ZEWNETRZNE", "R", "D", "N", 3);
    AddKind(Area(TableId::kSlow), "FV ", "FAKTURA VAT", "R", "S", "N", 125);
    AddArticle("MLOTEK", 12.00, 14.76, "23");
    AddArticle("KSIAZKA", 30.00, 32.40, " 8");
    options_.editor = [this](shell::Session& session) {
      ++editor_calls_;
      stamps_in_editor_ = {Stamp(note1_), Stamp(note2_)};
      nazwa_ex_in_editor_ = RTrim(FieldAt(Area(TableId::kDow), 1, "NAZWA_EX").AsString());
      if (in_editor_) in_editor_(session);
      return true;
    };
  }

  // Two marked notes: the hammer at the same price in both, the book at two prices.
  void TwoMarkedNotes() {
    note1_ = AddHeader(Area(TableId::kDowod), "WZ ", 1, D(2026, 12, 2), {{"ZAP", kMark}, {"S_Z", "D"}});
    note2_ = AddHeader(Area(TableId::kDowod), "WZ ", 2, D(2026, 12, 3), {{"ZAP", kMark}, {"S_Z", "D"}});
    AddLine(Area(TableId::kDow), "WZ ", 1, 1, "MLOTEK", 2, 10.00, "23");
    AddLine(Area(TableId::kDow), "WZ ", 1, 2, "KSIAZKA", 1, 25.00, " 8");
    AddLine(Area(TableId::kDow), "WZ ", 2, 1, "MLOTEK", 3, 10.00, "23");
    AddLine(Area(TableId::kDow), "WZ ", 2, 2, "KSIAZKA", 1, 26.00, " 8");
  }

  std::string Stamp(uint32_t recno) {
    return FieldAt(Area(TableId::kDowod), recno, "R_RD").AsString() +
           FieldAt(Area(TableId::kDowod), recno, "R_NRD").AsString();
  }

  // The invoice as posting leaves it: its header under number `nrd`, M_NRD set to it.
  void PostedAs(int nrd) {
    AddHeader(Area(TableId::kDowod), "FV ", nrd, D(2026, 12, 7));
    s().vars().Set("M_NRD", xbase::Value(PadL(std::to_string(nrd), 8)));
  }

  FvDoWzOptions options_;
  std::function<void(shell::Session&)> in_editor_;  // what the editor does besides recording
  std::vector<std::string> stamps_in_editor_;
  std::string nazwa_ex_in_editor_;
  int editor_calls_ = 0;
  uint32_t note1_ = 0, note2_ = 0;
};

// Another station holds the second note: nothing is stamped (the first note would
// otherwise be left stamped and the second free, to be invoiced again), nothing goes to
// the editor, and the operator learns which note is busy.
TEST_F(FvDoWzTest, ANoteLockedElsewhereStampsNothingAndIsNamed) {
  TwoMarkedNotes();
  xbase::WorkAreas other(mem_);
  auto dowod = other.Open(1, Area(TableId::kDowod).path(), "dowod");
  ASSERT_TRUE(dowod.ok());
  ASSERT_TRUE((*dowod)->LockRecord(note2_).ok());

  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  EXPECT_FALSE(r.made);
  EXPECT_EQ(editor_calls_, 0);
  ASSERT_FALSE(ui.told.empty());
  EXPECT_EQ(ui.told.back(), "Dowod WZ-2 zajety na innej stacji");
  EXPECT_EQ(RTrim(Stamp(note1_)), "");
  EXPECT_EQ(RTrim(Stamp(note2_)), "");
  // Our own locks are gone: the other station can take the first note now.
  xbase::WorkArea& theirs = **dowod;
  EXPECT_TRUE(theirs.LockRecord(note1_).ok());
  ASSERT_TRUE(theirs.Unlock().ok());

  // Once it is free, the same run stamps both.
  ScriptedUi again(ui_);
  in_editor_ = [this](shell::Session&) { PostedAs(126); };
  FvDoWzResult done = FvDoWz(s(), again, options_);
  ASSERT_TRUE(done.made);
  EXPECT_EQ(done.sources, 2);
  EXPECT_EQ(editor_calls_, 1);
  EXPECT_EQ(stamps_in_editor_, (std::vector<std::string>{"FV      126", "FV      126"}));
  EXPECT_TRUE(done.posted);
  EXPECT_FALSE(done.stamps_follow);
  EXPECT_EQ(Stamp(note1_), "FV      126");
  EXPECT_EQ(Stamp(note2_), "FV      126");
}

// The invoice left without posting: the notes are free again, to be invoiced later.
TEST_F(FvDoWzTest, AnAbandonedInvoiceFreesItsNotes) {
  TwoMarkedNotes();
  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  ASSERT_TRUE(r.made);
  EXPECT_EQ(stamps_in_editor_, (std::vector<std::string>{"FV      126", "FV      126"}));
  EXPECT_EQ(nazwa_ex_in_editor_, "FV-126");
  EXPECT_FALSE(r.posted);
  EXPECT_TRUE(r.stamps_follow);
  EXPECT_EQ(RTrim(Stamp(note1_)), "");
  EXPECT_EQ(RTrim(Stamp(note2_)), "");
  EXPECT_EQ(RTrim(FieldAt(Area(TableId::kDow), 1, "NAZWA_EX").AsString()), "");
  EXPECT_EQ(RTrim(FieldAt(Area(TableId::kDow), 4, "NAZWA_EX").AsString()), "");
  EXPECT_TRUE(ui.told.empty());
}

// Another station took number 126 meanwhile and posting moved the invoice to 127: the
// notes point at the invoice as posted.
TEST_F(FvDoWzTest, AnInvoicePostedUnderAnotherNumberTakesItsNotesAlong) {
  TwoMarkedNotes();
  in_editor_ = [this](shell::Session&) { PostedAs(127); };
  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  ASSERT_TRUE(r.posted);
  EXPECT_EQ(r.posted_nrd, "     127");
  EXPECT_TRUE(r.stamps_follow);
  EXPECT_EQ(Stamp(note1_), "FV      127");
  EXPECT_EQ(Stamp(note2_), "FV      127");
  EXPECT_EQ(RTrim(FieldAt(Area(TableId::kDow), 3, "NAZWA_EX").AsString()), "FV-127");
}

// A note held by another station when the stamps are to come off: nothing is changed
// (a half-freed set would let part of the invoice be invoiced again), the note is named,
// the operator may try again, and giving up is told.
TEST_F(FvDoWzTest, ANoteBusyWhenTheStampsComeOffLeavesAllOfThemAndIsNamed) {
  TwoMarkedNotes();
  xbase::WorkAreas other(mem_);
  auto dowod = other.Open(1, Area(TableId::kDowod).path(), "dowod");
  ASSERT_TRUE(dowod.ok());
  in_editor_ = [&](shell::Session&) { ASSERT_TRUE((*dowod)->LockRecord(note2_).ok()); };
  ScriptedUi ui(ui_);
  ui.answers = {true, false};  // try again once, then give up
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  ASSERT_TRUE(r.made);
  EXPECT_FALSE(r.stamps_follow);
  EXPECT_EQ(ui.questions, (std::vector<std::string>{"Sprobowac jeszcze raz ?", "Sprobowac jeszcze raz ?"}));
  ASSERT_EQ(ui.told.size(), 3u);
  EXPECT_EQ(ui.told[0], "Dowod WZ-2 zajety na innej stacji");
  EXPECT_EQ(ui.told[1], "Dowod WZ-2 zajety na innej stacji");
  EXPECT_EQ(ui.told[2], "WZ zostaja oznaczone FV-126");
  EXPECT_EQ(Stamp(note1_), "FV      126");
  EXPECT_EQ(Stamp(note2_), "FV      126");
  // Our locks are gone.
  EXPECT_TRUE((*dowod)->LockRecord(note1_).ok());
  ASSERT_TRUE((*dowod)->Unlock().ok());
}

// Same article and price merge; another price is a line of its own. Prices and rates
// come from the article, the money from the line rules, the rest from the notes.
TEST_F(FvDoWzTest, LinesMergeByWarehouseArticleAndPriceIntoTheWorkingTable) {
  TwoMarkedNotes();
  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  ASSERT_TRUE(r.made);
  EXPECT_EQ(ui.asked, "FV ");
  EXPECT_EQ(r.nrd, "     126");
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[0].indeks, "MLOTEK  ");
  EXPECT_NEAR(r.lines[0].ilosc, 5, 1e-9);
  EXPECT_NEAR(r.lines[0].cena, 12.00, 1e-9);       // the article's net price
  EXPECT_NEAR(r.lines[0].wartosc, 60.00, 1e-9);
  EXPECT_NEAR(r.lines[0].podatek, 13.80, 1e-9);
  EXPECT_EQ(r.lines[1].indeks, "KSIAZKA ");
  EXPECT_EQ(r.lines[2].indeks, "KSIAZKA ");
  EXPECT_NEAR(r.lines[1].ilosc + r.lines[2].ilosc, 2, 1e-9);

  xbase::WorkArea& dd = Area(TableId::kDd);
  auto count = dd.RecCount();
  ASSERT_TRUE(count.ok());
  EXPECT_EQ(*count, 3u);
  EXPECT_EQ(FieldAt(dd, 1, "LP").AsString(), "  1");
  EXPECT_EQ(FieldAt(dd, 3, "LP").AsString(), "  3");
  EXPECT_EQ(FieldAt(dd, 1, "RD").AsString() + FieldAt(dd, 1, "NRD").AsString(), "FV      126");
  EXPECT_EQ(FieldAt(dd, 1, "PODATEK0").AsString(), "23");

  shell::SessionVariables& v = s().vars();
  EXPECT_EQ(v.Text("M_RD"), "FV ");
  EXPECT_EQ(v.Text("M_ODB"), "KOWAL   ");
  EXPECT_EQ(v.Text("M_SPZ"), "G");
  EXPECT_EQ(v.Number("M_TEZ"), 0);
  EXPECT_EQ(v.Date("M_DATA"), JulianFromYmd(2026, 12, 7));
  // 73.80 + 2 × 32.40 gross.
  EXPECT_NEAR(v.Number("M_WARTOSC"), 73.80 + 32.40 + 32.40, 1e-9);
  // While the invoice is edited, the notes' lines point at it.
  EXPECT_EQ(nazwa_ex_in_editor_, "FV-126");
}

TEST_F(FvDoWzTest, WithoutRightSevenNothingHappens) {
  TwoMarkedNotes();
  s().op().prawa = "TTTTTTNTTTTTTTTTTTTT";
  ScriptedUi ui(ui_);
  EXPECT_FALSE(FvDoWz(s(), ui, options_).made);
  ASSERT_EQ(ui.told.size(), 1u);
  EXPECT_EQ(ui.told[0], "Masz zbyt male prawa!");
  EXPECT_EQ(ui.asked, "");
  EXPECT_EQ(RTrim(Stamp(note1_)), "");
}

// No marked note: "Nic nie zrobilem"; the missing kind has been made all the same.
TEST_F(FvDoWzTest, NothingMarkedMakesOnlyTheKind) {
  AddHeader(Area(TableId::kDowod), "WZ ", 5, D(2026, 12, 2), {{"S_Z", "D"}});
  AddHeader(Area(TableId::kDowod), "WZ ", 6, D(2026, 12, 2), {{"ZAP", kMark}, {"MAG", "0"}});
  ScriptedUi ui(ui_);
  ui.kind = "FX ";
  EXPECT_FALSE(FvDoWz(s(), ui, options_).made);
  ASSERT_FALSE(ui.told.empty());
  EXPECT_EQ(ui.told.back(), "Nic nie zrobilem");
  EXPECT_EQ(editor_calls_, 0);
  auto kind = ReadKind(Area(TableId::kSlow), "FX ");
  ASSERT_TRUE(kind.ok());
  EXPECT_EQ(kind->opis.substr(0, 11), "FAKTURA VAT");
  EXPECT_TRUE(kind->IsClass("RS"));
}

TEST_F(FvDoWzTest, EscapeAtTheKindAbandons) {
  TwoMarkedNotes();
  ScriptedUi ui(ui_);
  ui.kind = std::nullopt;
  EXPECT_FALSE(FvDoWz(s(), ui, options_).made);
  EXPECT_TRUE(ui.told.empty());
  EXPECT_EQ(RTrim(Stamp(note1_)), "");
}

TEST(IssueDateInMonthTest, TodayInTheMonthElseItsLastOrFirstDay) {
  const JulianDay dec = JulianFromYmd(2026, 12, 1);
  EXPECT_EQ(IssueDateInMonth(JulianFromYmd(2026, 12, 7), dec), JulianFromYmd(2026, 12, 7));
  EXPECT_EQ(IssueDateInMonth(JulianFromYmd(2027, 1, 4), dec), JulianFromYmd(2026, 12, 31));
  EXPECT_EQ(IssueDateInMonth(JulianFromYmd(2026, 11, 30), dec), JulianFromYmd(2026, 12, 1));
  EXPECT_EQ(IssueDateInMonth(JulianFromYmd(2028, 3, 1), JulianFromYmd(2028, 2, 1)), JulianFromYmd(2028, 2, 29));
}

TEST(LineMoneyFromNotesTest, GrossLinesTakeTheNetOutOfTheGross) {
  MergedLine l;
  l.ilosc = 3;
  l.cena = 1.23;
  l.podatek0 = "23";
  LineMoneyFromNotes(l, 'B');
  EXPECT_NEAR(l.brutto, 3.69, 1e-9);
  EXPECT_NEAR(l.wartosc, 3.00, 1e-9);
  EXPECT_NEAR(l.podatek, 0.69, 1e-9);
  l.podatek0 = "ZW";
  LineMoneyFromNotes(l, 'N');
  EXPECT_NEAR(l.wartosc, 3.69, 1e-9);
  EXPECT_NEAR(l.podatek, 0, 1e-9);
  EXPECT_NEAR(l.brutto, 3.69, 1e-9);
}

// The collective printout: one description line per marked document, articles merged,
// a gross line made net.
TEST(MergeCollectiveLinesTest, OneLinePerArticleGrossMadeNet) {
  InvoiceLine a;
  a.mag = "1";
  a.indeks = "MLOTEK";
  a.ilosc = 2;
  a.cena = 10;
  a.podatek0 = "23";
  a.podatek = 4.60;
  a.wartosc = 20;
  InvoiceLine b = a;  // the same article on a gross document: 1 × 12.30 gross
  b.ilosc = 1;
  b.cena = 12.30;
  b.wartosc = 12.30;
  b.podatek = 2.30;
  InvoiceLine c = a;
  c.indeks = "KSIAZKA";
  std::vector<InvoiceLine> out = MergeCollectiveLines({{a, 'N'}, {b, 'B'}, {c, 'N'}});
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NEAR(out[0].ilosc, 3, 1e-9);
  EXPECT_NEAR(out[0].wartosc, 30.00, 1e-9);
  EXPECT_NEAR(out[0].podatek, 6.90, 1e-9);
  EXPECT_NEAR(NewRound(out[0].ilosc * out[0].cena, 2), 30.00, 1e-9);
  EXPECT_EQ(out[1].lp, "  2");
}

TEST_F(FvDoWzTest, TheCollectivePrintoutDescribesEveryMarkedDocument) {
  TwoMarkedNotes();
  AddHeader(Area(TableId::kDowod), "WZ ", 7, D(2026, 12, 4), {{"ZAP", "X"}, {"S_Z", "D"}});
  AddLine(Area(TableId::kDow), "WZ ", 7, 1, "MLOTEK", 1, 10.00, "23");
  auto data = CollectiveInvoiceData(s(), false);
  ASSERT_TRUE(data.ok()) << data.status().ToString();
  ASSERT_EQ(data->header.opis.size(), 3u);
  EXPECT_EQ(data->header.opis[0].substr(0, 25), "WZ-1         z 02.12.2026");
  ASSERT_EQ(data->lines.size(), 2u);
  EXPECT_NEAR(data->lines[0].ilosc, 6, 1e-9);
  PrintedForm form = FvFaktura("FV", 'N', *data);
  EXPECT_NE(form.text.find("WZ-7         z 04.12.2026"), std::string::npos);
  EXPECT_NEAR(form.summary.netto, 60.00 + 51.00, 1e-9);
  // Nothing of the working lines was touched.
  auto count = Area(TableId::kDd).RecCount();
  ASSERT_TRUE(count.ok());
  EXPECT_EQ(*count, 0u);
}

}  // namespace
}  // namespace hurt::invoicing
