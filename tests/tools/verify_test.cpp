// The data checker (hurt-dbf verify) in-process: a company whose documents were all posted
// by the program checks clean, and each kind of damage done behind posting's back is
// found, named once, and does not stop the other checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "documents/dd_lines.h"
#include "documents/posting_fixture.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "hurt-dbf/verify.h"
#include "invoicing/invoice_from_notes.h"
#include "xbase/table.h"

namespace hurt::dbftool {
namespace {

using documents::testing::Num;
using documents::testing::SeekIn;
using documents::testing::Station;
using store::TableId;

// What the invoice-from-notes run asks: the kind proposed, yes to every question.
class AgreeingUi final : public invoicing::InvoiceUi {
 public:
  explicit AgreeingUi(store::StoreUi& store_ui) : store_(store_ui) {}
  store::StoreUi& store() override { return store_; }
  void Tell(std::string_view, int) override {}
  std::optional<std::string> AskKind(std::string_view proposed) override { return std::string(proposed); }
  bool Ask(std::string_view, bool) override { return true; }

 private:
  store::StoreUi& store_;
};

class Verify : public documents::testing::PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT", 11);
    Kind("WZ", 'R', 'S', "WYDANIE ZEWNETRZNE", 0);
    Kind("PZ", 'P', 'Z', "PRZYJECIE ZEWNETRZNE", 0, 'D');
    Kind("MM", 'M', 'D', "PRZESUNIECIE", 0);
    Article("1", "A1", 10, 5);
    Article("1", "A2", 100, 2);
  }

  std::vector<Finding> Check() {
    auto findings = VerifyData(env_, ".");
    EXPECT_TRUE(findings.ok()) << findings.status().ToString();
    return findings.ok() ? *findings : std::vector<Finding>{};
  }
  // The texts of the findings of one kind.
  static std::vector<std::string> Of(const std::vector<Finding>& all, FindingKind kind) {
    std::vector<std::string> texts;
    for (const Finding& f : all) {
      if (f.kind == kind) texts.push_back(f.text);
    }
    return texts;
  }
  static std::string All(const std::vector<Finding>& all) {
    std::string text;
    for (const Finding& f : all) text += f.text + "\n";
    return text;
  }

  // Leaves the line grid the way the operator does: the total is taken (reconciling the
  // VAT per rate), then the document is posted. Returns its number.
  std::string Post(const std::string& rd, Station* st = nullptr) {
    Station& x = st ? *st : st1();
    auto kind = documents::posting_internal::ReadKind(x.s(), rd);
    EXPECT_TRUE(kind.ok());
    documents::JakaWartoscInput in;
    in.kind = kind->kind;
    in.nb = 'N';
    in.reason = documents::kReasonPost;
    EXPECT_TRUE(documents::JakaWartoscOnDd(x.Area(TableId::kDd), in).ok());
    EXPECT_TRUE(documents::RepDowWithD(x.s(), x.ui, 0));
    const std::string nrd = x.s().vars().Text("M_NRD");
    x.s().vars().Set("M_ODBIORCA", "");
    EXPECT_TRUE(session::NoweDd(x.s(), x.ui));
    return nrd;
  }
  std::string Sale(const std::string& indeks, double ilosc, double cena) {
    Header("FV", "K1", "T");
    Reserve(indeks, ilosc);
    Line(indeks, ilosc, cena);
    return Post("FV");
  }

  // A field of the record `key` of a table (order 1) changed through the program's work
  // area, as another program writing the table would.
  void Change(TableId id, const std::string& key, const std::string& field, const xbase::Value& value) {
    xbase::WorkArea& a = A(id);
    ASSERT_TRUE(SeekIn(a, key)) << key;
    ASSERT_TRUE(a.LockRecord().ok());
    ASSERT_TRUE(a.Replace(field, value).ok());
    ASSERT_TRUE(a.Unlock().ok());
    ASSERT_TRUE(a.Commit().ok());
  }
  void Delete(TableId id, const std::string& key) {
    xbase::WorkArea& a = A(id);
    ASSERT_TRUE(SeekIn(a, key)) << key;
    ASSERT_TRUE(a.LockRecord().ok());
    ASSERT_TRUE(a.Delete().ok());
    ASSERT_TRUE(a.Unlock().ok());
    ASSERT_TRUE(a.Commit().ok());
  }
};

// Sales with reservations, a receipt, a transfer into a new destination card, issue notes
// and an invoice made from them by the program's own run, and a corrected sale.
TEST_F(Verify, EverythingThePostingWroteChecksClean) {
  EXPECT_TRUE(Check().empty()) << All(Check());

  Sale("A1", 3, 10);
  Header("FV", "K1", "T");
  Reserve("A1", 1);
  Reserve("A2", 5);
  Line("A1", 1, 0.1);
  Line("A2", 5, 0.1);
  Line("A2", 1, 0.13);
  Post("FV");
  Header("PZ", "DOST1", "P");
  Line("A1", 10, 6);
  Post("PZ");
  Header("MM", "2", "B");
  Reserve("A2", 4);
  Line("A2", 4, 2);
  Post("MM");

  // Two issue notes, invoiced together.
  std::vector<std::string> notes;
  for (double q : {2.0, 3.0}) {
    Header("WZ", "K1", "B");
    Reserve("A2", q);
    Line("A2", q, 2.5);
    notes.push_back(Post("WZ"));
  }
  for (const std::string& nrd : notes) Change(TableId::kDowod, "WZ " + nrd, "ZAP", xbase::Value("\xFB"));
  invoicing::FvDoWzOptions options;
  options.editor = [&](session::Session&) {
    Post("FV");
    return true;
  };
  AgreeingUi ui(st1().ui);
  const invoicing::FvDoWzResult invoice = invoicing::FvDoWz(s(), ui, options);
  ASSERT_TRUE(invoice.posted);

  // A posted sale corrected: one more piece.
  documents::DocumentHold hold;
  s().op().nr = "0";
  ASSERT_TRUE(documents::RepDWithDow(s(), st1().ui, "FV", "12", hold));
  xbase::WorkArea& dd = A(TableId::kDd);
  ASSERT_TRUE(dd.GoTop().ok());
  documents::ReservationRequest rq{"1", PadR("A1", 8), 3, 4, true};
  ASSERT_TRUE(documents::ChangeReservation(st1().ui, A(TableId::kAs), documents::StationLedgerOf(s()), rq).ok());
  ASSERT_TRUE(dd.LockRecord().ok());
  ASSERT_TRUE(dd.Replace("ILOSC", xbase::Value(4.0)).ok());
  ASSERT_TRUE(dd.Replace("WARTOSC", xbase::Value(40.0)).ok());
  ASSERT_TRUE(dd.Replace("PODATEK", xbase::Value(9.2)).ok());
  ASSERT_TRUE(dd.Unlock().ok());
  Header("FV", "K1", "T", nullptr, 2);
  s().vars().Set("M_NRD", "      12");
  ASSERT_TRUE(documents::RepDowWithD(s(), st1().ui, 2));
  hold.Release();

  // What a second station holds while it edits is its own, and no finding.
  std::unique_ptr<Station> other = OtherStation(2);
  Reserve("A1", 2, other.get());

  const std::vector<Finding> findings = Check();
  EXPECT_TRUE(findings.empty()) << All(findings);
}

// The customer's balance follows its open items through posting, correcting and removing
// a sale on credit; a balance changed behind posting's back and a settled batch that does
// not balance are found.
TEST_F(Verify, BalancesFollowPostingAndSpoiltLedgerIsFound) {
  const std::string nrd = Sale("A1", 3, 10);
  ASSERT_TRUE(SeekIn(A(TableId::kZo), "K1      "));
  const double value = Num(A(TableId::kZo), "OBWN");
  EXPECT_GT(value, 0);
  EXPECT_EQ(Num(A(TableId::kZo), "OBMA"), 0);
  EXPECT_TRUE(Of(Check(), FindingKind::kSettlements).empty()) << All(Check());

  // Corrected: the old item's amount is taken off, the new one's added.
  documents::DocumentHold hold;
  s().op().nr = "0";
  ASSERT_TRUE(documents::RepDWithDow(s(), st1().ui, "FV", nrd, hold));
  xbase::WorkArea& dd = A(TableId::kDd);
  ASSERT_TRUE(dd.GoTop().ok());
  ASSERT_TRUE(dd.LockRecord().ok());
  ASSERT_TRUE(dd.Replace("ILOSC", xbase::Value(2.0)).ok());
  ASSERT_TRUE(dd.Replace("WARTOSC", xbase::Value(20.0)).ok());
  ASSERT_TRUE(dd.Replace("PODATEK", xbase::Value(4.6)).ok());
  ASSERT_TRUE(dd.Replace("BRUTTO", xbase::Value(24.6)).ok());
  ASSERT_TRUE(dd.Unlock().ok());
  Header("FV", "K1", "T", nullptr, 2);
  s().vars().Set("M_NRD", PadL(nrd, 8));
  ASSERT_TRUE(documents::RepDowWithD(s(), st1().ui, 2));
  hold.Release();
  ASSERT_TRUE(SeekIn(A(TableId::kZo), "K1      "));
  const double corrected = Num(A(TableId::kZo), "OBWN");
  EXPECT_NE(corrected, value);
  EXPECT_TRUE(Of(Check(), FindingKind::kSettlements).empty()) << All(Check());

  // Spoilt by hand: a balance, and a batch of the history with one side only.
  Change(TableId::kZo, "K1      ", "OBWN", xbase::Value(corrected + 1));
  xbase::WorkArea& nx = A(TableId::kFaNx);
  ASSERT_TRUE(nx.Append().ok());
  ASSERT_TRUE(nx.Replace("KTO", xbase::Value("O")).ok());
  ASSERT_TRUE(nx.Replace("ODB", xbase::Value("K1")).ok());
  ASSERT_TRUE(nx.Replace("R_DATA", xbase::Value(xbase::Date{JulianFromYmd(2026, 3, 5)})).ok());
  ASSERT_TRUE(nx.Replace("R_CZAS", xbase::Value("10:00:00")).ok());
  ASSERT_TRUE(nx.Replace("OBWN", xbase::Value(12.5)).ok());
  ASSERT_TRUE(nx.Unlock().ok());
  ASSERT_TRUE(nx.Commit().ok());
  const std::vector<std::string> found = Of(Check(), FindingKind::kSettlements);
  ASSERT_EQ(found.size(), 2u) << All(Check());
  EXPECT_NE(found[0].find("saldo Wn/Ma"), std::string::npos) << found[0];
  EXPECT_NE(found[1].find("niezbilansowana: Wn 12.50, Ma 0.00"), std::string::npos) << found[1];
}

TEST_F(Verify, StockChangedBehindPostingsBackIsFound) {
  Sale("A1", 3, 10);
  Sale("A2", 4, 3);
  ASSERT_TRUE(Check().empty()) << All(Check());
  // ILOSC alone changed: it no longer follows its counters.
  Change(TableId::kAs, "1A1      ", "ILOSC", xbase::Value(8.0));
  // Counter and ILOSC changed together: the counter no longer follows the documents.
  Change(TableId::kAs, "1A2      ", "ILOSC", xbase::Value(90.0));
  Change(TableId::kAs, "1A2      ", "B_R_I", xbase::Value(10.0));
  const std::vector<Finding> findings = Check();
  EXPECT_EQ(Of(findings, FindingKind::kStock),
            (std::vector<std::string>{"as 1-A1: ILOSC 8.000, a B_BO_I + B_P_I - B_R_I = 7.000",
                                      "as 1-A2: B_R_I 10.000, a z dowodów 4.000"}));
  EXPECT_EQ(findings.size(), 2u) << All(findings);
}

TEST_F(Verify, LinesOfACardThatIsGoneAndTransfersIntoAMissingCardAreFound) {
  Sale("A1", 3, 10);
  Header("MM", "2", "B");
  Line("A2", 4, 2);
  Post("MM");
  Header("PZ", "DOST1", "P");
  Line("B9", 2, 1);  // posting lets a line without a card move no stock
  Post("PZ");
  Delete(TableId::kAs, "1A1      ");
  Delete(TableId::kAs, "2A2      ");
  const std::vector<std::string> stock = Of(Check(), FindingKind::kStock);
  EXPECT_EQ(stock, (std::vector<std::string>{"dow FV-12 poz. 1: brak kartoteki 1-A1 w as",
                                             "dow MM-1 poz. 1: brak kartoteki 2-A2 w as",
                                             "dow PZ-1 poz. 1: brak kartoteki 1-B9 w as"}));
}

TEST_F(Verify, AHeaderWithoutLinesAndLinesWithoutHeaderAreFound) {
  Sale("A1", 1, 10);
  Header("FV", "K1", "T");
  Line("A2", 1, 10);
  Line("A1", 1, 10);
  Post("FV");
  Delete(TableId::kDow, "FV       12  1");  // FV-12 keeps its header only
  Delete(TableId::kDowod, "FV       13");   // FV-13 keeps its lines only
  const std::vector<Finding> findings = Check();
  EXPECT_EQ(Of(findings, FindingKind::kDocuments),
            (std::vector<std::string>{"dow FV-13 poz. 1 (rekord 2): pozycja bez nagłówka",
                                      "dow FV-13 poz. 2 (rekord 3): pozycja bez nagłówka",
                                      "dowod FV-12: nagłówek bez pozycji"}));
  // The lines of no header move no stock the check can tell: B_R_I and B_R_I_SD of both
  // articles no longer add up. Nothing else is reported.
  EXPECT_EQ(Of(findings, FindingKind::kTotals).size(), 0u);
  EXPECT_EQ(Of(findings, FindingKind::kStock).size(), 4u) << All(findings);
  EXPECT_EQ(findings.size(), 7u) << All(findings);
}

TEST_F(Verify, HeaderTotalsThatDifferFromTheirLinesAreFound) {
  Sale("A1", 3, 10);
  Change(TableId::kDowod, "FV       12", "NETTO", xbase::Value(31.0));
  Change(TableId::kDowod, "FV       12", "WARTOSC0", xbase::Value(15.01));
  EXPECT_EQ(Of(Check(), FindingKind::kTotals),
            (std::vector<std::string>{"dowod FV-12: NETTO 31.00, a z pozycji 30.00",
                                      "dowod FV-12: WARTOSC0 15.01, a z pozycji 15.00"}));
}

// Three lines of 0.10 at 23 %: 0.02 of VAT each, but the rate's total 0.30 carries 0.07.
TEST_F(Verify, AReconciledSaleWhoseRateVatIsNotTheVatOfTheRateTotalIsFound) {
  Header("FV", "K1", "G");
  for (int i = 0; i < 3; ++i) Line("A2", 1, 0.1);
  ASSERT_TRUE(documents::RepDowWithD(s(), st1().ui, 0));  // posted without the grid's total
  EXPECT_EQ(Of(Check(), FindingKind::kTotals),
            (std::vector<std::string>{"dowod FV-12: VAT stawki 23 0.06, a VAT sumy stawki 0.07"}));
  // The receipt of the same lines is not reconciled: its line VATs stand.
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("PZ", "DOST1", "G");
  for (int i = 0; i < 3; ++i) Line("A2", 1, 0.1);
  ASSERT_TRUE(documents::RepDowWithD(s(), st1().ui, 0));
  EXPECT_EQ(Of(Check(), FindingKind::kTotals).size(), 1u);
}

TEST_F(Verify, ADuplicateNumberAndACounterBelowTheHighestNumberAreFound) {
  Sale("A1", 1, 10);
  Sale("A1", 1, 10);
  Change(TableId::kDowod, "FV       13", "NRD", xbase::Value("      12"));
  Change(TableId::kSlow, "FV ", "NRD", xbase::Value(11.0));
  const std::vector<Finding> findings = Check();
  EXPECT_EQ(Of(findings, FindingKind::kNumbers),
            (std::vector<std::string>{"dowod FV-12: numer powtórzony (rekordy 1 i 2)",
                                      "slow FV: licznik NRD 11 poniżej najwyższego numeru 12"}));
  // Their lines are not told apart: no totals are compared for the number.
  EXPECT_EQ(Of(findings, FindingKind::kTotals).size(), 0u) << All(findings);
}

TEST_F(Verify, AKindWrittenTwiceOrWithLettersTheRulesDoNotKnowIsFound) {
  Kind("XY", 'R', 'S', "PIERWSZY");
  Kind("XY", 'P', 'Z', "DRUGI");
  Kind("QQ", 'Q', 'S', "ZLY RUCH");
  Change(TableId::kSlow, "QQ ", "KTO", xbase::Value("Z"));
  const std::vector<Finding> findings = Check();
  const std::vector<std::string> kinds = Of(findings, FindingKind::kDocuments);
  auto has = [&](std::string_view part) {
    return std::any_of(kinds.begin(), kinds.end(), [&](const std::string& f) { return f.find(part) != std::string::npos; });
  };
  EXPECT_TRUE(has("slow XY: rodzaj zapisany drugi raz")) << All(findings);
  EXPECT_TRUE(has("R_P \"Q\" poza \"RPMK\"")) << All(findings);
  EXPECT_TRUE(has("KTO \"Z\" poza \"ODPF\"")) << All(findings);
  EXPECT_EQ(kinds.size(), 3u) << All(findings);
}

class VerifyNotes : public Verify {
 protected:
  // Posts an issue note of A2 and an invoice made from it with `invoiced` pieces.
  void NoteAndInvoice(double noted, double invoiced) {
    Header("WZ", "K1", "B");
    Line("A2", noted, 2.5);
    note_ = Post("WZ");
    Header("FV", "K1", "G");
    s().vars().Set("M_ODBIORCA", "WZ " + AllTrim(note_));
    s().vars().Set(documents::kNotesVariable, "WZ " + note_);
    Line("A2", invoiced, 2.5);
    invoice_ = Post("FV");
  }
  std::string note_, invoice_;
};

TEST_F(VerifyNotes, AnInvoiceMadeFromNotesMatchesThemOrIsFound) {
  NoteAndInvoice(5, 5);
  EXPECT_TRUE(Check().empty()) << All(Check());
  // The note billed into a second invoice as well (posting refuses to do it: the tables
  // are changed behind its back).
  Header("FV", "K1", "G");
  Line("A2", 5, 2.5);
  Post("FV");
  Change(TableId::kDowod, "FV       13", "ODBIORCA", xbase::Value("WZ " + AllTrim(note_)));
  Change(TableId::kDowod, "WZ        1", "R_NRD", xbase::Value("      13"));
  const std::vector<Finding> findings = Check();
  EXPECT_EQ(Of(findings, FindingKind::kNotes),
            (std::vector<std::string>{"dowod FV-12: faktura z WZ, na którą nie wskazuje żadna WZ"}));
  // FV-13 moved its goods when it was posted; marked afterwards, its stock no longer adds up.
  EXPECT_EQ(Of(findings, FindingKind::kStock).size(), 2u) << All(findings);
  EXPECT_EQ(findings.size(), 3u) << All(findings);
}

TEST_F(VerifyNotes, QuantitiesThatDifferFromTheNotesAreFound) {
  NoteAndInvoice(5, 5);
  Change(TableId::kDow, "FV       12  1", "ILOSC", xbase::Value(6.0));
  EXPECT_EQ(Of(Check(), FindingKind::kNotes),
            (std::vector<std::string>{"dowod FV-12 1-A2: ilość 6.000, a na jej WZ 5.000"}));
}

TEST_F(VerifyNotes, ANoteOfAnotherCustomerIsFound) {
  NoteAndInvoice(5, 5);
  Change(TableId::kDowod, "WZ        1", "ODB", xbase::Value("K2"));
  EXPECT_EQ(Of(Check(), FindingKind::kNotes),
            (std::vector<std::string>{"dowod WZ-1: odbiorca K2, a faktury FV-12 K1"}));
}

TEST_F(VerifyNotes, ANotePointingAtAMissingOrOrdinaryInvoiceIsFound) {
  NoteAndInvoice(5, 5);
  Sale("A1", 1, 10);
  Change(TableId::kDowod, "WZ        1", "R_NRD", xbase::Value("      99"));
  EXPECT_EQ(Of(Check(), FindingKind::kNotes),
            (std::vector<std::string>{"dowod WZ-1: wskazuje fakturę FV-99, której nie ma",
                                      "dowod FV-12: faktura z WZ, na którą nie wskazuje żadna WZ"}));
  Change(TableId::kDowod, "WZ        1", "R_NRD", xbase::Value("      13"));
  EXPECT_EQ(Of(Check(), FindingKind::kNotes)[0], "dowod WZ-1: wskazuje FV-13, która nie jest fakturą z WZ");
}

TEST_F(Verify, ReservationsAreWhatTheStationsLedgersHold) {
  std::unique_ptr<Station> other = OtherStation(2);
  Reserve("A1", 2, other.get());
  EXPECT_TRUE(Check().empty()) << All(Check());
  // A reservation nobody holds.
  Change(TableId::kAs, "1A2      ", "REZERWA0", xbase::Value(1.5));
  EXPECT_EQ(Of(Check(), FindingKind::kReservations),
            (std::vector<std::string>{"as 1-A2: REZERWA0 1.500, a rezerwacje stanowisk trzymają 0.000"}));
  // Station 2 is gone without taking its reservation back.
  other.reset();
  EXPECT_EQ(Of(Check(), FindingKind::kReservations),
            (std::vector<std::string>{"rob/rez02.txt: rezerwacje stanowiska 02, które nie pracuje, nie cofnięte",
                                      "as 1-A2: REZERWA0 1.500, a rezerwacje stanowisk trzymają 0.000"}));
  // A gone station's ledger that holds nothing (a correction left as posted) is no fault.
  documents::Ledger credited;
  credited["1A1      "] = documents::LedgerEntry{.lines = 2, .credit = 2};
  ASSERT_TRUE(documents::WriteLedger(env_, "rob/rez02.txt", credited).ok());
  Change(TableId::kAs, "1A1      ", "REZERWA0", xbase::Value(0.0));
  Change(TableId::kAs, "1A2      ", "REZERWA0", xbase::Value(0.0));
  EXPECT_TRUE(Of(Check(), FindingKind::kReservations).empty()) << All(Check());
}

TEST_F(Verify, AJournalOfAStationThatIsGoneIsFound) {
  documents::PostingJournal j;
  j.what = "FV       12";
  ASSERT_TRUE(documents::WriteJournal(env_, "rob/post03.jnl", j).ok());
  ASSERT_TRUE(documents::WriteJournal(env_, "rob/post01.jnl", j).ok());  // station 1 works: in flight
  EXPECT_EQ(Of(Check(), FindingKind::kReservations),
            (std::vector<std::string>{"rob/post03.jnl: niedokończony zapis dowodu stanowiska 03 nie cofnięty"}));
}

TEST_F(Verify, AnIndexMissingAKeyIsFoundAndADamagedIndexDoesNotStopTheCheck) {
  Sale("A1", 1, 10);
  // A card appended by a program that does not keep the indexes.
  {
    auto as = xbase::Table::Open(env_, "26/03/as.dbf", xbase::TableMode::Shared());
    ASSERT_TRUE(as.ok());
    xbase::Record r = (*as)->NewRecord();
    ASSERT_TRUE(r.SetValue("MAG", xbase::Value("1")).ok());
    ASSERT_TRUE(r.SetValue("INDEKS", xbase::Value("A3")).ok());
    ASSERT_TRUE(r.SetValue("NAZWA", xbase::Value("NOWY")).ok());
    ASSERT_TRUE((*as)->Append(r).ok());
    ASSERT_TRUE((*as)->Close().ok());
  }
  ASSERT_TRUE(mem_.SetContents("26/03/dow2.ntx", std::string(1024, 'x')).ok());
  const std::vector<Finding> findings = Check();
  const std::vector<std::string> indexes = Of(findings, FindingKind::kIndexes);
  ASSERT_FALSE(indexes.empty()) << All(findings);
  EXPECT_EQ(indexes[0], "26/03/as.ntx: record 3: missing from the index (key \"1A3      \")");
  for (const std::string& text : indexes) EXPECT_EQ(text.find("26/03/as"), 0u) << text;
  const std::vector<std::string> files = Of(findings, FindingKind::kFiles);
  ASSERT_EQ(files.size(), 1u) << All(findings);
  EXPECT_EQ(files[0].find("26/03/dow2.ntx: nie da się otworzyć"), 0u) << files[0];
  // dow3 comes after the damaged dow2 and is still checked.
  EXPECT_EQ(findings.size(), indexes.size() + files.size()) << All(findings);
}

TEST_F(Verify, ADamagedTableIsOneFindingAndTheRestIsChecked) {
  Sale("A1", 1, 10);
  Change(TableId::kAs, "1A2      ", "ILOSC", xbase::Value(1.0));
  ASSERT_TRUE(mem_.SetContents("26/03/dow.dbf", "not a table").ok());
  const std::vector<Finding> findings = Check();
  const std::vector<std::string> files = Of(findings, FindingKind::kFiles);
  ASSERT_EQ(files.size(), 1u) << All(findings);
  EXPECT_EQ(files[0].find("26/03/dow.dbf: nie da się otworzyć: "), 0u) << files[0];
  EXPECT_EQ(files[0].find("dow.dbf", 8), std::string::npos) << "the file is named once: " << files[0];
  EXPECT_EQ(Of(findings, FindingKind::kStock),
            (std::vector<std::string>{"as 1-A2: ILOSC 1.000, a B_BO_I + B_P_I - B_R_I = 100.000"}));
  EXPECT_TRUE(Of(findings, FindingKind::kDocuments).empty()) << "no header is said to lack lines it could not read";
}

TEST_F(Verify, ADirectoryWithoutCompanyOrPeriodCannotBeChecked) {
  xbase::MemoryEnv empty(clock_);
  auto none = VerifyData(empty, ".");
  ASSERT_FALSE(none.ok());
  EXPECT_NE(none.status().message().find("firma.dbf"), std::string::npos);

  xbase::WorkArea& firma = *s().areas().Area(1);
  ASSERT_TRUE(firma.GoTo(1).ok());
  ASSERT_TRUE(firma.LockRecord().ok());
  ASSERT_TRUE(firma.Replace("BMR", xbase::Value("04.26")).ok());
  ASSERT_TRUE(firma.Unlock().ok());
  ASSERT_TRUE(firma.Commit().ok());
  auto no_folder = VerifyData(env_, ".");
  ASSERT_FALSE(no_folder.ok());
  EXPECT_NE(no_folder.status().message().find("26/04"), std::string::npos);
}

}  // namespace
}  // namespace hurt::dbftool
