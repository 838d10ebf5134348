#include "invoicing/invoice_from_notes.h"

#include <gtest/gtest.h>

#include <functional>

#include "documents/document_hold.h"
#include "documents/posting.h"
#include "invoice_fixture.h"
#include "invoicing/collective_invoice.h"

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
    options_.editor = [this](session::Session& session) {
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

  FvDoWzOptions options_;
  std::function<void(session::Session&)> in_editor_;  // what the editor does besides recording
  std::vector<std::string> stamps_in_editor_;
  std::string nazwa_ex_in_editor_;
  int editor_calls_ = 0;
  uint32_t note1_ = 0, note2_ = 0;
};

// Another station is making an invoice of the second note: nothing goes to the editor,
// and the operator learns which note is busy. Once it is free the run takes both.
TEST_F(FvDoWzTest, ANoteHeldElsewhereStopsTheRunAndIsNamed) {
  TwoMarkedNotes();
  documents::DocumentHold theirs;
  ASSERT_TRUE(theirs.Take(mem_, ".", {note2_}).ok());

  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  EXPECT_FALSE(r.made);
  EXPECT_EQ(editor_calls_, 0);
  ASSERT_FALSE(ui.told.empty());
  EXPECT_EQ(ui.told.back(), "Dowod WZ-2 zajety na innej stacji");
  // Our hold on the first note is gone again.
  EXPECT_FALSE(documents::HeldElsewhere(mem_, ".", note1_));
  theirs.Release();

  ScriptedUi again(ui_);
  FvDoWzResult done = FvDoWz(s(), again, options_);
  ASSERT_TRUE(done.made);
  EXPECT_EQ(done.sources, 2);
  EXPECT_EQ(editor_calls_, 1);
  // Nothing is stamped while the invoice is edited: posting links the notes.
  EXPECT_EQ(stamps_in_editor_, (std::vector<std::string>{"           ", "           "}));
  EXPECT_FALSE(done.posted);
}

// The invoice left in the editor without posting: the notes stay free and the next run
// offers them again.
TEST_F(FvDoWzTest, AnAbandonedInvoiceLeavesItsNotesFree) {
  TwoMarkedNotes();
  ScriptedUi ui(ui_);
  in_editor_ = [this](session::Session& session) {
    EXPECT_EQ(session.vars().Text(documents::kNotesVariable), "WZ        1WZ        2");
    EXPECT_EQ(RTrim(session.vars().Text("M_ODBIORCA")), "WZ 1, 2");
  };
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  ASSERT_TRUE(r.made);
  EXPECT_FALSE(r.posted);
  EXPECT_EQ(RTrim(Stamp(note1_)), "");
  EXPECT_EQ(RTrim(Stamp(note2_)), "");
  EXPECT_EQ(s().vars().Text(documents::kNotesVariable), "");
  ScriptedUi again(ui_);
  EXPECT_EQ(FvDoWz(s(), again, options_).sources, 2);
}

// A note already in an invoice is never taken again; with nothing left, nothing is made.
TEST_F(FvDoWzTest, AnInvoicedNoteIsNotTakenAgain) {
  TwoMarkedNotes();
  ASSERT_TRUE(Area(TableId::kDowod).GoTo(note1_).ok());
  ASSERT_TRUE(Area(TableId::kDowod).LockRecord().ok());
  ASSERT_TRUE(Area(TableId::kDowod).Replace("R_RD", xbase::Value("FV ")).ok());
  ASSERT_TRUE(Area(TableId::kDowod).Replace("R_NRD", xbase::Value("     125")).ok());
  ASSERT_TRUE(Area(TableId::kDowod).Unlock().ok());
  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  ASSERT_TRUE(r.made);
  EXPECT_EQ(r.sources, 1);
  ASSERT_TRUE(Area(TableId::kDowod).GoTo(note2_).ok());
  ASSERT_TRUE(Area(TableId::kDowod).LockRecord().ok());
  ASSERT_TRUE(Area(TableId::kDowod).Replace("R_RD", xbase::Value("FV ")).ok());
  ASSERT_TRUE(Area(TableId::kDowod).Replace("R_NRD", xbase::Value("     126")).ok());
  ASSERT_TRUE(Area(TableId::kDowod).Unlock().ok());
  ScriptedUi none(ui_);
  EXPECT_FALSE(FvDoWz(s(), none, options_).made);
  ASSERT_FALSE(none.told.empty());
  EXPECT_EQ(none.told.back(), "Nic nie zrobilem");
}

// Posted for real: the invoice takes the next number, the notes point at it in the same
// step, and no stock moves (the notes moved it).
TEST_F(FvDoWzTest, PostingLinksTheNotesAndMovesNoStock) {
  TwoMarkedNotes();
  ASSERT_TRUE(s().HoldStationLock().ok());
  auto stock = [&](const std::string& indeks) {
    xbase::WorkArea& as = Area(TableId::kAs);
    EXPECT_TRUE(as.SetOrder(1).ok());
    auto found = as.SeekKey("1" + PadR(indeks, 8));
    EXPECT_TRUE(found.ok() && *found);
    return std::make_pair(as.Get("ILOSC")->AsNumber(), as.Get("B_R_I")->AsNumber());
  };
  const auto hammer = stock("MLOTEK");
  in_editor_ = [this](session::Session& session) {
    EXPECT_TRUE(documents::RepDowWithD(session, ui_, 0));
  };
  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  ASSERT_TRUE(r.made);
  EXPECT_TRUE(r.posted);
  EXPECT_EQ(r.posted_nrd, "     126");
  EXPECT_EQ(Stamp(note1_), "FV      126");
  EXPECT_EQ(Stamp(note2_), "FV      126");
  EXPECT_EQ(RTrim(FieldAt(Area(TableId::kDow), 1, "NAZWA_EX").AsString()), "FV-126");
  EXPECT_EQ(stock("MLOTEK"), hammer);
  ASSERT_TRUE(Area(TableId::kDowod).SetOrder(1).ok());
  ASSERT_TRUE(*Area(TableId::kDowod).SeekKey("FV      126"));
  EXPECT_EQ(RTrim(Area(TableId::kDowod).Get("ODBIORCA")->AsString()), "WZ 1, 2");
  // The same notes a second time: nothing left to invoice.
  ScriptedUi again(ui_);
  EXPECT_FALSE(FvDoWz(s(), again, options_).made);
  EXPECT_EQ(again.told.back(), "Nic nie zrobilem");
}

// The invoice bills exactly the notes' goods: a quantity changed in the editor is refused
// (the goods of the difference were never issued), a price is not.
TEST_F(FvDoWzTest, AnInvoiceOfNotesBillsTheirQuantities) {
  TwoMarkedNotes();
  ASSERT_TRUE(s().HoldStationLock().ok());
  bool refused = false, posted = false;
  in_editor_ = [&](session::Session& session) {
    xbase::WorkArea& dd = Area(TableId::kDd);
    ASSERT_TRUE(dd.GoTo(1).ok());
    ASSERT_TRUE(dd.LockRecord().ok());
    ASSERT_TRUE(dd.Replace("ILOSC", xbase::Value(4.0)).ok());
    ASSERT_TRUE(dd.Unlock().ok());
    refused = !documents::RepDowWithD(session, ui_, 0);
    ASSERT_TRUE(dd.GoTo(1).ok());
    ASSERT_TRUE(dd.LockRecord().ok());
    ASSERT_TRUE(dd.Replace("ILOSC", xbase::Value(5.0)).ok());
    ASSERT_TRUE(dd.Replace("CENA", xbase::Value(11.5)).ok());
    ASSERT_TRUE(dd.Unlock().ok());
    posted = documents::RepDowWithD(session, ui_, 0);
  };
  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  EXPECT_TRUE(refused);
  EXPECT_TRUE(posted);
  EXPECT_TRUE(r.posted);
}

// One invoice bills one customer: the notes of another customer stay marked for their
// own invoice, and posting refuses a note of another customer should one get in.
TEST_F(FvDoWzTest, NotesOfAnotherCustomerWaitForTheirOwnInvoice) {
  TwoMarkedNotes();
  ASSERT_TRUE(Area(TableId::kDowod).GoTo(note2_).ok());
  ASSERT_TRUE(Area(TableId::kDowod).LockRecord().ok());
  ASSERT_TRUE(Area(TableId::kDowod).Replace("ODB", xbase::Value("NOWAK")).ok());
  ASSERT_TRUE(Area(TableId::kDowod).Unlock().ok());
  ASSERT_TRUE(s().HoldStationLock().ok());
  in_editor_ = [this](session::Session& session) {
    EXPECT_EQ(session.vars().Text(documents::kNotesVariable), "WZ        1");
    // A note of the other customer slipped into the invoice is refused at posting.
    session.vars().Set(documents::kNotesVariable, xbase::Value("WZ        1WZ        2"));
    EXPECT_FALSE(documents::RepDowWithD(session, ui_, 0));
    session.vars().Set(documents::kNotesVariable, xbase::Value("WZ        1"));
    EXPECT_TRUE(documents::RepDowWithD(session, ui_, 0));
  };
  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  ASSERT_TRUE(r.made);
  EXPECT_EQ(r.sources, 1);
  EXPECT_NE(std::find(ui.told.begin(), ui.told.end(), "WZ innych odbiorcow zostaja na nastepna fakture"), ui.told.end());
  EXPECT_TRUE(r.posted);
  EXPECT_EQ(Stamp(note1_), "FV      126");
  EXPECT_EQ(RTrim(Stamp(note2_)), "");
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

  session::SessionVariables& v = s().vars();
  EXPECT_EQ(v.Text("M_RD"), "FV ");
  EXPECT_EQ(v.Text("M_ODB"), "KOWAL   ");
  EXPECT_EQ(v.Text("M_SPZ"), "G");
  EXPECT_EQ(v.Number("M_TEZ"), 0);
  EXPECT_EQ(v.Date("M_DATA"), JulianFromYmd(2026, 12, 7));
  // 73.80 + 2 × 32.40 gross.
  EXPECT_NEAR(v.Number("M_WARTOSC"), 73.80 + 32.40 + 32.40, 1e-9);
  // While the invoice is edited, the notes' lines do not point at it yet.
  EXPECT_EQ(nazwa_ex_in_editor_, "");
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

// A write of the working table failing at any point of filling it: the operator is told,
// nothing goes to the editor, no line is left in `dd`, the notes are neither stamped nor
// held, and once the fault is gone the same notes make the invoice.
TEST_F(FvDoWzTest, AFailedWriteOfTheLinesStopsWithAMessageAndKeepsNothing) {
  TwoMarkedNotes();
  faults_.ResetCounters();
  {
    ScriptedUi probe(ui_);
    ASSERT_TRUE(FvDoWz(s(), probe, options_).made);
  }
  const int64_t writes = faults_.Writes("d01.dbf");
  ASSERT_GT(writes, 0);
  editor_calls_ = 0;
  int stopped = 0;
  for (int nth = 1; nth <= writes; ++nth) {
    SCOPED_TRACE(nth);
    faults_.FailWrite(static_cast<int>(nth), "d01.dbf");
    ScriptedUi ui(ui_);
    FvDoWzResult r = FvDoWz(s(), ui, options_);
    faults_.ClearFaults();
    if (r.made) continue;  // the failed write was one the run does not need (told all the same)
    ++stopped;
    EXPECT_EQ(editor_calls_, 0);
    ASSERT_FALSE(ui.told.empty());
    EXPECT_FALSE(documents::HeldElsewhere(mem_, ".", note1_));
    EXPECT_EQ(RTrim(Stamp(note1_)), "");
    const std::string& last = ui.told.back();
    EXPECT_TRUE(last.rfind("Blad zapisu pliku dd", 0) == 0 || last == "Brak pliku roboczego pozycji") << last;
    if (xbase::WorkArea* dd = SessionAreaOf(s(), TableId::kDd); dd != nullptr && last != "Brak pliku roboczego pozycji") {
      auto count = dd->RecCount();
      if (count.ok()) {
        EXPECT_EQ(*count, 0u);
      }
    }
  }
  EXPECT_GT(stopped, 0);
  ScriptedUi again(ui_);
  FvDoWzResult done = FvDoWz(s(), again, options_);
  ASSERT_TRUE(done.made);
  EXPECT_EQ(done.sources, 2);
  EXPECT_EQ(done.lines.size(), 3u);
}

// A note's article missing from `as` is added; when that write fails the invoice stops
// with a message and no card written in part stays live in `as`.
TEST_F(FvDoWzTest, AFailedWriteOfAMissingArticleStopsTheInvoice) {
  TwoMarkedNotes();
  AddLine(Area(TableId::kDow), "WZ ", 2, 3, "NOWY", 1, 7.00, "23");
  xbase::WorkArea& as = Area(TableId::kAs);
  auto before = as.RecCount();
  ASSERT_TRUE(before.ok());
  faults_.FailWrite(1, "as.dbf");
  ScriptedUi ui(ui_);
  FvDoWzResult r = FvDoWz(s(), ui, options_);
  faults_.ClearFaults();
  EXPECT_FALSE(r.made);
  EXPECT_TRUE(r.failed);
  EXPECT_EQ(editor_calls_, 0);
  ASSERT_FALSE(ui.told.empty());
  EXPECT_TRUE(ui.told.back().rfind("Blad zapisu pliku as", 0) == 0 || ui.told.back().rfind("Towar 1 NOWY", 0) == 0)
      << ui.told.back();
  auto after = as.RecCount();
  ASSERT_TRUE(after.ok());
  for (uint32_t r_no = *before + 1; r_no <= *after; ++r_no) {
    ASSERT_TRUE(as.GoTo(r_no).ok());
    EXPECT_TRUE(as.deleted()) << r_no;
  }
  EXPECT_EQ(RTrim(Stamp(note2_)), "");
  // Without the fault the article is added and the invoice made.
  ScriptedUi again(ui_);
  FvDoWzResult done = FvDoWz(s(), again, options_);
  ASSERT_TRUE(done.made);
  EXPECT_EQ(done.lines.size(), 4u);
}

TEST(IssueDateInMonthTest, TodayInTheMonthElseItsLastOrFirstDay) {
  const JulianDay dec = JulianFromYmd(2026, 12, 1);
  EXPECT_EQ(IssueDateInMonth(JulianFromYmd(2026, 12, 7), dec), JulianFromYmd(2026, 12, 7));
  EXPECT_EQ(IssueDateInMonth(JulianFromYmd(2027, 1, 4), dec), JulianFromYmd(2026, 12, 31));
  EXPECT_EQ(IssueDateInMonth(JulianFromYmd(2026, 11, 30), dec), JulianFromYmd(2026, 12, 1));
  EXPECT_EQ(IssueDateInMonth(JulianFromYmd(2028, 3, 1), JulianFromYmd(2028, 2, 1)), JulianFromYmd(2028, 2, 29));
}

TEST(LineMoneyFromNotesTest, GrossLinesTakeTheNetOutOfTheGross) {
  documents::DocLine l;
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
