// The daily report over headers written straight into dowod: which sections and lines
// each day gets, the totals of cash and other payments, the filters, the duplicate
// header repair with its note in kanty.txt, the printer set-up, the variants, and the
// whole printout against its golden file.
#include "reports/daily_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "documents/posting_fixture.h"
#include "session/output/report_file.h"
#include "store/schema.h"
#include "support/golden.h"
#include "xbase/file_util.h"

namespace hurt::reports {
namespace {

using documents::testing::AddRecord;
using store::TableId;

const JulianDay kDay = JulianFromYmd(2026, 3, 14);  // the fixture's today

// One header as the test writes it.
struct Head {
  std::string rd = "", nrd = "";
  char s_z = 'S';
  std::string mag = "1";
  std::string spz = "P";
  double netto = 0, vat = 0, kwota = 0;
  std::string op = "1";
  std::string odb = "K1", nodb = "KLIENT PIERWSZY";
  std::string odbiorca = "";
  double tez = 14;
  JulianDay data = kDay;
  double kwota2 = 0;
  std::string spz2 = "";
  std::string waluta = "";
};

class DailyReportTest : public documents::testing::PostingTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Dtoc(kDay), "14.03.2026");
    xbase::WorkArea& firma = A(TableId::kFirma);
    ASSERT_TRUE(firma.GoTop().ok());
    ASSERT_FALSE(firma.eof());
    ASSERT_TRUE(firma.LockRecord().ok());
    for (const auto& [f, v] : std::vector<std::pair<std::string, std::string>>{
             {"NODB", "HURTOWNIA TESTOWA"}, {"NODB1", "SP. Z O.O."}, {"KODB", "45-001"}, {"MODB", "OPOLE"},
             {"UODB", "ul. Testowa 1"}}) {
      ASSERT_TRUE(firma.Replace(f, xbase::Value(v)).ok()) << f;
    }
    ASSERT_TRUE(firma.Unlock().ok());
  }

  void Write(xbase::WorkArea& dowod, const Head& h) {
    documents::testing::FieldValues v = {{"R_P", std::string(h.s_z == 'Z' ? "P" : "R")},
                                         {"S_Z", h.mag == "0" ? std::string(" ") : std::string(1, h.s_z)},
                                         {"RD", PadR(h.rd, 3)},
                                         {"NRD", PadL(h.nrd, 8)},
                                         {"DATA", xbase::Date{h.data}},
                                         {"MAG", h.mag},
                                         {"KTO", "O"},
                                         {"ODB", PadR(h.odb, 8)},
                                         {"NODB", h.nodb},
                                         {"ODBIORCA", h.odbiorca},
                                         {"SPZ", h.spz},
                                         {"TEZ", h.tez},
                                         {"KWOTA", h.kwota},
                                         {"NETTO", h.netto},
                                         {"VAT", h.vat},
                                         {"OPERATOR", h.op},
                                         {"WALUTA", h.waluta}};
    if (dowod.FieldIndex("KWOTA2") >= 0) {
      v.emplace_back("KWOTA2", h.kwota2);
      v.emplace_back("SPZ2", h.spz2.empty() ? std::string(" ") : h.spz2);
    }
    AddRecord(dowod, v);
  }
  void Add(const Head& h) { Write(A(TableId::kDowod), h); }

  // The report of `r` from `dowod` (the session's table when null) and its text.
  std::string Printed(DailyRequest r, DailyOutcome* outcome = nullptr, xbase::WorkArea* dowod = nullptr) {
    if (r.day == kEmptyDate) r.day = kDay;
    xbase::WorkArea& table = dowod != nullptr ? *dowod : A(TableId::kDowod);
    auto written = session::RunReport(env_, "rob/raport.prn", [&](session::ReportWriter& out) {
      auto done = DrukTab(s(), st1().ui, table, r, out);
      ASSERT_TRUE(done.ok()) << done.status().ToString();
      if (outcome != nullptr) *outcome = *done;
    });
    EXPECT_TRUE(written.ok()) << written.status().ToString();
    if (!written.ok()) return {};
    auto text = xbase::ReadWholeFile(env_, *written);
    EXPECT_TRUE(text.ok());
    return text.ok() ? *text : std::string();
  }
  std::string Printed() { return Printed(DailyRequest{}); }

  // The printout's lines without printer set-up bytes (lines end CR LF).
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
      size_t end = text.find("\r\n", at);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(at, end - at);
      // A set-up sequence ends in "Q" (page printer) or is ESC "3" n ESC "!" n.
      while (!line.empty() && line[0] == '\x1b') {
        if (line.size() >= 6 && line[1] == '3') {
          line.erase(0, 6);
        } else {
          const size_t q = line.find('Q');
          line.erase(0, q == std::string::npos ? line.size() : q + 1);
        }
      }
      out.push_back(line);
      at = end + 2;
    }
    return out;
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  static std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    const size_t a = text.find(from);
    if (a == std::string::npos) return {};
    const size_t b = text.find(to, a);
    return text.substr(a, b == std::string::npos ? std::string::npos : b - a);
  }

  // A copy of dowod with a split payment's fields, indexed as dowod, open in area 250.
  xbase::WorkArea& SplitTable() {
    std::vector<xbase::DbfFieldDescriptor> fields;
    const xbase::WorkArea& dowod = A(TableId::kDowod);
    for (int i = 0; i < dowod.field_count(); ++i) fields.push_back(dowod.field(i));
    fields.push_back({"KWOTA2", 'N', 16, 2});
    fields.push_back({"SPZ2", 'C', 1, 0});
    EXPECT_TRUE(xbase::Table::Create(env_, "rob/dowod_x.dbf", fields).ok());
    auto area = s().areas().Open(250, "rob/dowod_x.dbf", "dowod_x", xbase::AreaOpenOptions{.exclusive = true});
    EXPECT_TRUE(area.ok());
    const xbase::OrderDefinition orders[] = {{"rob/dowod_x1.ntx", "rd+nrd+STR(RECNO(),6)", {}},
                                             {"rob/dowod_x2.ntx", "DTOS(data)+r_p+s_z+rd+nrd+STR(RECNO(),6)", {}}};
    EXPECT_TRUE((*area)->CreateOrders(orders).ok());
    return **area;
  }
};

// Only money documents: the sales heading with nothing under it, no purchases, and the
// third section with the subjects and the cash and other columns.
TEST_F(DailyReportTest, ADayOfMoneyDocumentsOnly) {
  Add({.rd = "KP", .nrd = "1", .mag = "0", .spz = "G", .kwota = 120, .odbiorca = "Wplata za FV-7/2026", .tez = 0});
  Add({.rd = "KP", .nrd = "2", .mag = "0", .spz = "P", .kwota = 30.5, .odbiorca = "Przelew"});
  Add({.rd = "KW", .nrd = "1", .mag = "0", .spz = "G", .kwota = 40, .odbiorca = "Zaliczka", .tez = 0});
  const std::string text = Printed();
  const std::string sales = Between(text, "DZIENNY RAPORT SPRZEDAZY", "INNE OPERACJE");
  ASSERT_FALSE(sales.empty()) << text;
  EXPECT_EQ(Count(sales, "Razem"), 0) << sales;
  EXPECT_EQ(Count(sales, "Lacznie"), 0);
  EXPECT_EQ(Count(sales, "KLIENT"), 0);
  EXPECT_EQ(text.find("DZIENNY RAPORT ZAKUPOW"), std::string::npos);
  const std::vector<std::string> l = Lines(text);
  auto has = [&](const std::string& line) { return std::find(l.begin(), l.end(), line) != l.end(); };
  EXPECT_TRUE(has("INNE OPERACJE ROZLICZENIOWE       14.03.2026r")) << text;
  EXPECT_TRUE(has("  Lp | Za co        | Nr dowodu    | Kod      | Nazwa kontrahenta                                  | "
                  "Spz | Rozl. gotowkowe | Rozl. nie gotowkowe"));
  EXPECT_TRUE(has("   1  Wplata za FV    KP-1           K1         " + PadR("KLIENT PIERWSZY", 50) + "   G     " +
                  "         120.00"))
      << text;
  EXPECT_TRUE(has("   2  Przelew         KP-2           K1         " + PadR("KLIENT PIERWSZY", 50) + "   P 14  " +
                  Space(18) + "          30.50"))
      << text;
  EXPECT_TRUE(has(Space(22) + "KP  Razem" + Space(76) + "         120.00   " + "          30.50"));
  EXPECT_TRUE(has(Space(22) + "KW  Razem" + Space(76) + "          40.00   " + "           0.00"));
  EXPECT_TRUE(has(Space(26) + "Lacznie" + Space(74) + "         160.00   " + "          30.50"));
}

// One kind of sale: its subtotal, no "Lacznie"; with a second kind, "Lacznie" sums both.
// A cash sale shows what was paid (its gross when the amount paid was not recorded), a
// sale on credit its gross in the other column with the term.
TEST_F(DailyReportTest, SubtotalsPerKindAndLacznieOnlyAfterTwoKinds) {
  Add({.rd = "FV", .nrd = "1", .spz = "P", .netto = 100, .vat = 23});
  Add({.rd = "FV", .nrd = "2", .spz = "G", .netto = 10, .vat = 2.3, .kwota = 0, .tez = 0});
  std::string text = Printed();
  std::vector<std::string> l = Lines(text);
  auto has = [&](const std::string& line) { return std::find(l.begin(), l.end(), line) != l.end(); };
  EXPECT_TRUE(has("   1" + Space(18) + "FV-1           K1         " + PadR("KLIENT PIERWSZY", 50) + "   P 14  " +
                  Space(18) + "         123.00"))
      << text;
  EXPECT_TRUE(has("   2" + Space(18) + "FV-2           K1         " + PadR("KLIENT PIERWSZY", 50) + "   G     " +
                  "          12.30"))
      << text;
  EXPECT_TRUE(has(Space(22) + "FV  Razem" + Space(76) + "          12.30   " + "         123.00"));
  EXPECT_EQ(text.find("Lacznie"), std::string::npos);
  EXPECT_EQ(text.find("INNE OPERACJE"), std::string::npos);
  for (const std::string& line : l) EXPECT_LE(line.size(), kDailyWidth);

  Add({.rd = "PA", .nrd = "1", .spz = "G", .netto = 50, .vat = 11.5, .kwota = 61.5, .tez = 0});
  text = Printed();
  l = Lines(text);
  EXPECT_TRUE(has(Space(22) + "PA  Razem" + Space(76) + "          61.50   " + "           0.00"));
  EXPECT_TRUE(has(Space(26) + "Lacznie" + Space(74) + "          73.80   " + "         123.00")) << text;
}

// A split payment: the cash paid and the second method with its amount on the line; the
// second amount counts with the other payments.
TEST_F(DailyReportTest, ASplitPaymentShowsBothAmounts) {
  xbase::WorkArea& table = SplitTable();
  Write(table, {.rd = "PA", .nrd = "1", .spz = "G", .netto = 100, .vat = 23, .kwota = 73, .tez = 0, .kwota2 = 50,
                .spz2 = "K"});
  Write(table, {.rd = "PA", .nrd = "2", .spz = "G", .netto = 10, .vat = 0, .kwota = 10, .tez = 0});
  const std::string text = Printed({}, nullptr, &table);
  const std::vector<std::string> l = Lines(text);
  auto has = [&](const std::string& line) { return std::find(l.begin(), l.end(), line) != l.end(); };
  EXPECT_TRUE(has("   1" + Space(18) + "PA-1           K1         " + PadR("KLIENT PIERWSZY", 50) + "   G     " +
                  "          73.00K:     50.00"))
      << text;
  EXPECT_TRUE(has(Space(22) + "PA  Razem" + Space(76) + "          83.00   " + "          50.00")) << text;
}

// The operators chosen: only their documents, and the list under the title.
TEST_F(DailyReportTest, TheOperatorFilter) {
  Add({.rd = "FV", .nrd = "1", .netto = 100, .vat = 23, .op = "1"});
  Add({.rd = "FV", .nrd = "2", .netto = 200, .vat = 46, .op = "2"});
  Add({.rd = "FV", .nrd = "3", .netto = 300, .vat = 69, .op = "3"});
  Add({.rd = "KP", .nrd = "1", .mag = "0", .spz = "G", .kwota = 5, .op = "2"});
  const std::string text = Printed({.operators = "13"});
  EXPECT_NE(text.find("FV-1 "), std::string::npos);
  EXPECT_EQ(text.find("FV-2 "), std::string::npos);
  EXPECT_NE(text.find("FV-3 "), std::string::npos);
  EXPECT_EQ(text.find("INNE OPERACJE"), std::string::npos) << "operator 2's money document left out";
  EXPECT_NE(text.find("Nr operatorow: 13\r\n"), std::string::npos);
  EXPECT_NE(text.find("FV  Razem" + Space(76) + "           0.00   " + "         492.00"), std::string::npos) << text;
  EXPECT_EQ(Printed().find("Nr operatorow"), std::string::npos);
}

// J_SD_RAZEM "T": the retail receipts and RD print one numbered line of their kind's total;
// M_RD_POMIN leaves its kinds out.
TEST_F(DailyReportTest, ReceiptsAsOneLineAndKindsLeftOut) {
  Add({.rd = "FV", .nrd = "1", .netto = 100, .vat = 23});
  Add({.rd = "SD", .nrd = "1", .spz = "G", .netto = 10, .vat = 2.3, .kwota = 12.3, .tez = 0});
  Add({.rd = "SD", .nrd = "2", .spz = "G", .netto = 20, .vat = 4.6, .kwota = 24.6, .tez = 0});
  Add({.rd = "WZ", .nrd = "1", .netto = 7, .vat = 0});
  s().vars().Set("M_RD_POMIN", xbase::Value(",WZ,"));
  ASSERT_TRUE(s().settings().SetText("J_SD_RAZEM", "T").ok());
  const std::string text = Printed();
  EXPECT_EQ(text.find("SD-1"), std::string::npos);
  EXPECT_EQ(text.find("WZ-1"), std::string::npos);
  const std::vector<std::string> l = Lines(text);
  auto has = [&](const std::string& line) { return std::find(l.begin(), l.end(), line) != l.end(); };
  EXPECT_TRUE(has("   2" + Space(18) + "SD  Razem" + Space(76) + "          36.90   " + "           0.00")) << text;
  EXPECT_EQ(Count(text, "SD  Razem"), 1);
  EXPECT_TRUE(has(Space(26) + "Lacznie" + Space(74) + "          36.90   " + "         123.00")) << text;

  ASSERT_TRUE(s().settings().SetText("J_SD_RAZEM", "N").ok());
  const std::string each = Printed();
  EXPECT_NE(each.find("SD-1"), std::string::npos);
  EXPECT_NE(each.find("SD-2"), std::string::npos);
}

// A purchase brings the purchases section, after the sales and before the money documents.
TEST_F(DailyReportTest, PurchasesHaveTheirOwnSection) {
  Add({.rd = "FV", .nrd = "1", .netto = 100, .vat = 23});
  Add({.rd = "PZ", .nrd = "4", .s_z = 'Z', .spz = "P", .netto = 50, .vat = 11.5, .odb = "D1", .nodb = "DOSTAWCA"});
  Add({.rd = "KW", .nrd = "1", .mag = "0", .spz = "G", .kwota = 61.5, .odb = "D1", .nodb = "DOSTAWCA"});
  const std::string text = Printed();
  const size_t sales = text.find("DZIENNY RAPORT SPRZEDAZY");
  const size_t purchases = text.find("DZIENNY RAPORT ZAKUPOW            14.03.2026r");
  const size_t money = text.find("INNE OPERACJE ROZLICZENIOWE");
  ASSERT_NE(purchases, std::string::npos) << text;
  EXPECT_LT(sales, purchases);
  EXPECT_LT(purchases, money);
  EXPECT_NE(text.find("| Nr faktury   |", purchases), std::string::npos);
  EXPECT_EQ(Between(text, "DZIENNY RAPORT SPRZEDAZY", "DZIENNY RAPORT ZAKUPOW").find("PZ-4"), std::string::npos);
  EXPECT_NE(Between(text, "DZIENNY RAPORT ZAKUPOW", "INNE OPERACJE").find("PZ-4"), std::string::npos);
}

// A header repeating the kind and number of the one before: deleted under its lock, noted
// in kanty.txt with the document's operator, and printed once. Money documents (warehouse
// "0") are never taken for duplicates. One another station holds is left and skipped.
TEST_F(DailyReportTest, DuplicateHeadersAreDeletedAndNoted) {
  Add({.rd = "FV", .nrd = "7", .netto = 100, .vat = 23, .op = "3"});
  Add({.rd = "FV", .nrd = "7", .netto = 100, .vat = 23, .op = "3"});
  Add({.rd = "KP", .nrd = "7", .mag = "0", .spz = "G", .kwota = 5});
  Add({.rd = "KP", .nrd = "7", .mag = "0", .spz = "G", .kwota = 6});
  DailyOutcome outcome;
  const std::string text = Printed({}, &outcome);
  EXPECT_EQ(outcome.duplicates_deleted, 1);
  EXPECT_EQ(outcome.duplicates_left, 0);
  EXPECT_EQ(Count(text, "FV-7 "), 1) << text;
  EXPECT_EQ(Count(text, "KP-7 "), 2) << text;
  auto log = mem_.Contents("./kanty.txt");
  if (!log.ok()) log = mem_.Contents("kanty.txt");
  ASSERT_TRUE(log.ok());
  EXPECT_EQ(*log, "14.03.2026 09:00:00 st.01 op.1 FV-7 powtorzony naglowek usuniety w raporcie dziennym, op.dowodu 3\r\n");
  xbase::WorkArea& dowod = A(TableId::kDowod);
  ASSERT_TRUE(dowod.GoTo(2).ok());
  EXPECT_TRUE(dowod.deleted());
  ASSERT_TRUE(dowod.GoTo(1).ok());
  EXPECT_FALSE(dowod.deleted());
  ExpectIndexesVerify();

  // Another station holds the next duplicate: after 15 s it is left, and still printed once.
  Add({.rd = "FV", .nrd = "8", .netto = 1, .vat = 0});
  Add({.rd = "FV", .nrd = "8", .netto = 1, .vat = 0});
  auto other = OtherStation(2);
  xbase::WorkArea& theirs = A(TableId::kDowod, other.get());
  ASSERT_TRUE(theirs.GoTo(6).ok());
  ASSERT_TRUE(theirs.LockRecord().ok());
  st1().ui.waits = 0;
  const std::string again = Printed({}, &outcome);
  EXPECT_EQ(outcome.duplicates_deleted, 0);
  EXPECT_EQ(outcome.duplicates_left, 1);
  EXPECT_EQ(Count(again, "FV-8 "), 1);
  EXPECT_EQ(st1().ui.waits, 30);  // REC_LOCK(15): half-second pauses
  ASSERT_TRUE(dowod.GoTo(6).ok());
  EXPECT_FALSE(dowod.deleted());
  ASSERT_TRUE(theirs.Unlock().ok());
}

// Two stations printing at once: the duplicate the other one deletes while this one waits
// for it is not deleted, nor noted, a second time.
TEST_F(DailyReportTest, ADuplicateTheOtherStationRepairedMeanwhileIsLeftToIt) {
  Add({.rd = "FV", .nrd = "9", .netto = 1, .vat = 0});
  Add({.rd = "FV", .nrd = "9", .netto = 1, .vat = 0});
  auto other = OtherStation(2);
  xbase::WorkArea& theirs = A(TableId::kDowod, other.get());
  ASSERT_TRUE(theirs.GoTo(2).ok());
  ASSERT_TRUE(theirs.LockRecord().ok());
  st1().ui.on_wait = [&](int wait) {
    if (wait != 3) return;
    ASSERT_TRUE(theirs.Delete().ok());
    ASSERT_TRUE(theirs.Unlock().ok());
  };
  DailyOutcome outcome;
  const std::string text = Printed({}, &outcome);
  EXPECT_EQ(outcome.duplicates_deleted, 0);
  EXPECT_EQ(outcome.duplicates_left, 0);
  EXPECT_EQ(Count(text, "FV-9 "), 1);
  EXPECT_FALSE(mem_.Contents("./kanty.txt").ok() || mem_.Contents("kanty.txt").ok());
}

// The set-up of each heading: landscape page-printer sequences for "PACKARD" and
// "PACKARDL", DRUK's double width and condensed print for any other printer.
TEST_F(DailyReportTest, PrinterSetUpInTheHeadings) {
  Add({.rd = "FV", .nrd = "1", .netto = 100, .vat = 23});
  Add({.rd = "KP", .nrd = "1", .mag = "0", .spz = "G", .kwota = 5});
  const std::string pcl = "\x1b&l1O\x1b(10U\x1b(s0P";
  const std::string tail = "\x1b(s0S\x1b(s0B\x1b(s4101T\x1b(s2Q";
  s().vars().Set("M_DRUKARKA", xbase::Value(PadR("PACKARD", 30)));
  std::string text = Printed();
  EXPECT_EQ(Count(text, pcl + "\x1b(s6H\x1b(s14V" + tail + "DZIENNY RAPORT SPRZEDAZY"), 1) << text;
  EXPECT_EQ(Count(text, pcl + "\x1b(s6H\x1b(s14V" + tail + "INNE OPERACJE"), 1);
  EXPECT_EQ(Count(text, pcl + "\x1b(s20H\x1b(s10V" + tail), 4);  // before the firm and after the title
  s().vars().Set("M_DRUKARKA", xbase::Value(PadR("PACKARDL", 30)));
  text = Printed();
  EXPECT_EQ(Count(text, pcl + "\x1b(s6H\x1b(s20V" + tail + "DZIENNY RAPORT SPRZEDAZY"), 1) << text;
  EXPECT_EQ(Count(text, pcl + "\x1b(s20H\x1b(s6V" + tail), 4);
  s().vars().Set("M_DRUKARKA", xbase::Value(PadR("EPSON", 30)));
  text = Printed();
  EXPECT_EQ(Count(text, std::string("\x1b" "3 \x1b!!DZIENNY RAPORT SPRZEDAZY")), 1) << text;
  EXPECT_EQ(Count(text, std::string("\x1b" "3 \x1b!\x05")), 4);
  EXPECT_EQ(text.find("\x1b&l"), std::string::npos);
}

// The end: with R_CZAS.TXT the date and time, then 15 empty lines.
TEST_F(DailyReportTest, TheEndOfTheReport) {
  Add({.rd = "FV", .nrd = "1", .netto = 100, .vat = 23});
  std::string text = Printed();
  EXPECT_TRUE(text.ends_with("-\r\n" + [] {
    std::string e;
    for (int i = 0; i < 15; ++i) e += "\r\n";
    return e;
  }())) << text;
  ASSERT_TRUE(mem_.SetContents(s().Path("r_czas.txt"), "").ok());
  text = Printed();
  EXPECT_NE(text.find("\r\n14.03.2026 godz.09:00:00\r\n\r\n"), std::string::npos) << text;
}

// "K": the kinds described as costs in a section of their own; "A": each operator's sales
// as a section, then the agents' totals.
TEST_F(DailyReportTest, TheCostsAndAgentsVariants) {
  Kind("FV", 'R', 'S', "FAKTURA VAT");
  Kind("KR", 'R', 'S', "KOSZTY REPREZENTACJI");
  Add({.rd = "FV", .nrd = "1", .netto = 100, .vat = 23, .op = "1"});
  Add({.rd = "FV", .nrd = "2", .spz = "G", .netto = 10, .vat = 0, .kwota = 10, .op = "2", .tez = 0});
  Add({.rd = "KR", .nrd = "1", .netto = 40, .vat = 9.2, .op = "2"});
  const std::string costs = Printed({.variant = DailyVariant::kCosts});
  const std::string sales = Between(costs, "DZIENNY RAPORT SPRZEDAZY", "DZIENNY RAPORT KOSZTOW");
  ASSERT_FALSE(sales.empty()) << costs;
  EXPECT_EQ(sales.find("KR-1"), std::string::npos);
  EXPECT_NE(costs.find("KR-1", costs.find("DZIENNY RAPORT KOSZTOW")), std::string::npos);
  EXPECT_NE(Printed().find("KR-1"), std::string::npos) << "the plain report counts it a sale";

  const std::string agents = Printed({.variant = DailyVariant::kAgents});
  EXPECT_EQ(Count(agents, "DZIENNY RAPORT AKWIZYTORA         14.03.2026r"), 2) << agents;
  const std::string first = Between(agents, "Akwizytor (operator): 1", "Akwizytor (operator): 2");
  EXPECT_NE(first.find("FV-1 "), std::string::npos);
  EXPECT_EQ(first.find("FV-2 "), std::string::npos);
  const std::vector<std::string> l = Lines(agents);
  auto has = [&](const std::string& line) { return std::find(l.begin(), l.end(), line) != l.end(); };
  EXPECT_TRUE(has("   1" + Space(18) + PadR("Akwizytor (operator): 1", 85) + "           0.00   " + "         123.00"));
  EXPECT_TRUE(has("   2" + Space(18) + PadR("Akwizytor (operator): 2", 85) + "          10.00   " + "          49.20"))
      << agents;
  EXPECT_TRUE(has(Space(26) + "Lacznie" + Space(74) + "          10.00   " + "         172.20"));
}

TEST_F(DailyReportTest, DayHasDocuments) {
  Add({.rd = "FV", .nrd = "1", .netto = 1, .data = kDay - 1});
  xbase::WorkArea& dowod = A(TableId::kDowod);
  EXPECT_FALSE(*DayHasDocuments(dowod, kDay));
  EXPECT_TRUE(*DayHasDocuments(dowod, kDay - 1));
}

// The whole printout of a busy day: sales of two kinds with a currency invoice, a purchase
// and money documents, for a dot-matrix printer.
TEST_F(DailyReportTest, ThePrintedReport) {
  ASSERT_TRUE(s().settings().SetText("J_FV_SYMBO", "OP").ok());
  Add({.rd = "FV", .nrd = "11", .spz = "P", .netto = 1000, .vat = 230, .odb = "SMAK", .nodb = "Delikatesy SMAKOSZ s.c."});
  Add({.rd = "FV", .nrd = "12", .spz = "G", .netto = 200, .vat = 46, .kwota = 246, .odb = "DETAL", .nodb = "Klient detaliczny",
       .tez = 0});
  Add({.rd = "FE", .nrd = "2", .spz = "P", .netto = 250, .vat = 0, .odb = "EXPO", .nodb = "Export GmbH", .tez = 21,
       .waluta = "EUR"});
  Add({.rd = "PA", .nrd = "3", .spz = "G", .netto = 81.3, .vat = 18.7, .kwota = 100, .odb = "DETAL",
       .nodb = "Klient detaliczny", .tez = 0});
  Add({.rd = "PZ", .nrd = "5", .s_z = 'Z', .spz = "T", .netto = 500, .vat = 115, .odb = "MLYN", .nodb = "Mlyn Opolski",
       .tez = 30});
  Add({.rd = "KP", .nrd = "21", .mag = "0", .spz = "G", .kwota = 615, .odb = "SMAK", .nodb = "Delikatesy SMAKOSZ s.c.",
       .odbiorca = "Zaplata za FV-9", .tez = 0});
  const std::string text = Printed();
  testing::ExpectGolden("raport_dzienny.prn", text);
}

}  // namespace
}  // namespace hurt::reports
