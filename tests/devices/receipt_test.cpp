// Receipts of a document: which lines go and how, the split at 255 lines, the cancel of a
// receipt with nothing to pay, the close, the pacing on the test clock, and what a broken
// line leaves to finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "base/clock.h"
#include "devices/fiscal_frames.h"
#include "devices/receipt.h"
#include "fake_printer.h"

namespace hurt::devices {
namespace {

using testing::RecordingChannel;
using testing::RecordingUi;

DocumentLine Line(const std::string& name, double ilosc, double cena, std::string rate = "23") {
  DocumentLine l;
  l.indeks = name.substr(0, 8);
  l.nazwa = name;
  l.jm = "szt";
  l.podatek0 = std::move(rate);
  l.ilosc = ilosc;
  l.cena = cena;
  l.wartosc = ilosc * cena;
  return l;
}

FiscalDocument Document(std::vector<DocumentLine> lines) {
  FiscalDocument d;
  d.rd = "SD ";
  d.nrd = "       5";
  d.gross = true;
  d.lines = std::move(lines);
  return d;
}

ReceiptRules Rules() {
  ReceiptRules r;
  r.till = "1";
  r.operator_nr = "0";
  r.operator_name = "ZAWADZKI MAREK";
  return r;
}

std::string Name(int n) {
  char text[32];
  std::snprintf(text, sizeof text, "TOWAR %03d", n);
  return text;
}

bool StartsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

int CountOf(const std::vector<std::string>& frames, std::string_view prefix) {
  return static_cast<int>(std::count_if(frames.begin(), frames.end(), [&](const std::string& f) { return StartsWith(f, prefix); }));
}

struct Sent {
  RecordingChannel channel;
  RecordingUi ui;
  FakeClock clock{2026, 12, 8, 9, 0, 0};
  std::vector<std::pair<int, SendStage>> progress;
  SendOutcome Send(const FiscalDocument& doc, const ReceiptRules& rules, int from = 1) {
    FiscalPrinter printer(clock, channel, ui, Dialect::kEscape);
    return SendReceipts(printer, doc, rules, PlanReceipts(doc, rules), from,
                        [&](int part, SendStage stage) { progress.push_back({part, stage}); });
  }
};

TEST(Receipts, A256LineDocumentIsTwoReceiptsTheSecondBeginningAtLine256) {
  std::vector<DocumentLine> lines;
  for (int i = 1; i <= 256; ++i) lines.push_back(Line(Name(i), 1, 1.00));
  const FiscalDocument doc = Document(lines);
  const std::vector<PlannedReceipt> plan = PlanReceipts(doc, Rules());
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].lines.size(), 255u);
  EXPECT_EQ(plan[0].total, 255.00);
  ASSERT_EQ(plan[1].lines.size(), 1u);
  EXPECT_EQ(plan[1].lines[0].line.lp, 1);  // the second receipt numbers its lines from 1
  EXPECT_TRUE(StartsWith(plan[1].lines[0].line.name, "TOWAR 256"));

  Sent s;
  const SendOutcome out = s.Send(doc, Rules());
  EXPECT_TRUE(out.sent);
  EXPECT_EQ(out.receipts, 2);
  EXPECT_EQ(s.channel.starts, 2);  // J_DF_NAZWA "DF-300  ": the port starts for every receipt
  const FrameSet f(Dialect::kEscape);
  const std::vector<std::string>& frames = s.channel.sent;
  EXPECT_EQ(CountOf(frames, "\x1bP0;1$hKASA: 1 SD 5-1"), 1);
  EXPECT_EQ(CountOf(frames, "\x1bP0;1$hKASA: 1 SD 5-2"), 1);
  EXPECT_EQ(CountOf(frames, "\x1bP1;0;0$e"), 2);
  // The second receipt: error mode 1, its begin, line 256, error mode 2, the close.
  const auto second = std::find_if(frames.begin(), frames.end(), [](const std::string& x) { return StartsWith(x, "\x1bP0;1$hKASA: 1 SD 5-2"); });
  ASSERT_NE(second, frames.end());
  EXPECT_EQ(*(second - 1), f.ErrorMode(1)[0].bytes);
  EXPECT_TRUE(StartsWith(*(second + 1), "\x1bP1$lTOWAR 256")) << *(second + 1);
  EXPECT_EQ(*(second + 2), f.ErrorMode(2)[0].bytes);
  EXPECT_TRUE(StartsWith(*(second + 3), "\x1bP1;0;0$e1 0\r      1.00/      1.00/"));
  EXPECT_NE(std::find(s.ui.told.begin(), s.ui.told.end(), "255 pozycji"), s.ui.told.end());
  // Pacing: 0.6 s after lines 1-29, 1.2 s from line 30, on the test clock.
  EXPECT_EQ(s.clock.Elapsed(), 29 * 600 + 226 * 1200 + 600);
  EXPECT_EQ(s.progress, (std::vector<std::pair<int, SendStage>>{
                            {1, SendStage::kLines}, {1, SendStage::kClosing}, {2, SendStage::kLines}, {2, SendStage::kClosing}, {0, SendStage::kDone}}));
}

TEST(Receipts, ADocumentWithOnlyANegativeLineIsCancelled) {
  Sent s;
  const SendOutcome out = s.Send(Document({Line("ZWROT BUTELKI", -2, 0.50)}), Rules());
  EXPECT_TRUE(out.sent);
  EXPECT_EQ(out.receipts, 0);
  EXPECT_EQ(out.cancelled, 1);
  const FrameSet f(Dialect::kEscape);
  ASSERT_EQ(s.channel.sent.size(), 5u);
  EXPECT_TRUE(StartsWith(s.channel.sent[2], "\x1bP0$lZWROT BUTELKI")) << s.channel.sent[2];  // number 0, positive
  EXPECT_NE(s.channel.sent[2].find("          2\rA/0.50/1.00/"), std::string::npos);
  EXPECT_EQ(s.channel.sent[3], f.Cancel()[0].bytes);
  EXPECT_EQ(s.channel.sent[4], f.ErrorMode(0)[0].bytes);
  EXPECT_EQ(s.ui.bells, 4);
  EXPECT_NE(std::find(s.ui.told.begin(), s.ui.told.end(), "Anulowano paragon  / Suma /"), s.ui.told.end());
}

TEST(Receipts, LinesThatGoAndHow) {
  FiscalDocument doc = Document({
      Line("KAWA MIELONA", 2, 9.80),              // goes
      Line("PUSTA", 0, 5),                        // quantity 0: skipped
      Line("GRATIS", 3, 0),                       // value 0: skipped
      Line("OPA", 2, 0.50, " 0"),                 // the packaging: a deposit apart
      Line("KAWA MIELONA", -1, 9.80),             // storno
      Line("MLEKO", 1.5, 2.65, " 5"),             // a fractional quantity
  });
  doc.lines[3].indeks = "OPA";
  doc.wplaca = 50;
  ReceiptRules rules = Rules();
  rules.deposit_apart = true;
  rules.three_decimals = true;
  const std::vector<PlannedReceipt> plan = PlanReceipts(doc, rules);
  ASSERT_EQ(plan.size(), 1u);
  const PlannedReceipt& r = plan[0];
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[0].line.lp, 1);
  EXPECT_EQ(r.lines[1].line.lp, 0);
  EXPECT_EQ(r.lines[1].line.value, 9.80);
  EXPECT_EQ(r.lines[2].line.lp, 2);
  EXPECT_EQ(r.lines[2].line.rate_letter, "C");
  EXPECT_EQ(r.lines[2].line.value, 3.98);  // round2(1.5 x 2.65)
  EXPECT_EQ(r.deposit, 1.00);
  EXPECT_DOUBLE_EQ(r.total, 19.60 - 9.80 + 3.98);
  EXPECT_DOUBLE_EQ(r.paid, 49.00);  // the customer's 50 less the deposit
  // A customer's payment below the total is not taken.
  doc.wplaca = 10;
  EXPECT_DOUBLE_EQ(PlanReceipts(doc, rules)[0].paid, r.total);
}

TEST(Receipts, NetPricedDocumentSendsTheGrossUnitPrice) {
  FiscalDocument doc = Document({});
  doc.gross = false;
  DocumentLine l = Line("CUKIER", 3, 3.15, " 5");  // net 9.45, VAT 0.47: gross 9.92, unit 3.31 (3.3067)
  l.podatek = 0.47;
  doc.lines.push_back(l);
  const std::vector<PlannedReceipt> plan = PlanReceipts(doc, Rules());
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_EQ(plan[0].lines[0].line.price, 3.31);
  EXPECT_EQ(plan[0].lines[0].line.value, 9.93);  // round2(3 x 3.31): the printer multiplies
}

TEST(Receipts, PacingOfTheModels) {
  std::vector<DocumentLine> lines;
  for (int i = 1; i <= 31; ++i) lines.push_back(Line(Name(i), 1, 1.00));
  ReceiptRules slow = Rules();
  slow.pacing = Pacing::kSlow;  // "W"
  EXPECT_EQ(PlanReceipts(Document(lines), slow)[0].lines[29].pause_ms, 1500);
  EXPECT_EQ(PlanReceipts(Document(lines), slow)[0].lines[28].pause_ms, 700);
  ReceiptRules none = Rules();
  none.pacing = Pacing::kNone;  // "Q"
  EXPECT_EQ(PlanReceipts(Document(lines), none)[0].lines[0].pause_ms, 0);
  FiscalDocument problem = Document(lines);
  problem.recipient = "KLIENT STALY";
  EXPECT_EQ(PlanReceipts(problem, none)[0].lines[0].pause_ms, 0);
  problem.recipient = "PROBLEM Z DRUKARKA";
  EXPECT_EQ(PlanReceipts(problem, Rules())[0].lines[0].pause_ms, 5000);
}

TEST(Receipts, ABrokenLineStopsAndSaysWhere) {
  std::vector<DocumentLine> lines;
  for (int i = 1; i <= 5; ++i) lines.push_back(Line(Name(i), 1, 1.00));
  Sent s;
  s.channel.fail_after = 4;  // error mode, begin, two lines
  const SendOutcome out = s.Send(Document(lines), Rules());
  EXPECT_FALSE(out.sent);
  EXPECT_EQ(s.progress, (std::vector<std::pair<int, SendStage>>{{1, SendStage::kLines}}));
  // Sent again from the start, after a cancel the caller sends: whole.
  Sent again;
  const SendOutcome retry = again.Send(Document(lines), Rules(), 1);
  EXPECT_TRUE(retry.sent);
  EXPECT_EQ(CountOf(again.channel.sent, "\x1bP1$l"), 1);
  EXPECT_EQ(CountOf(again.channel.sent, "\x1bP5$l"), 1);
}

TEST(Receipts, APrinterThatDoesNotStartTakesNothing) {
  Sent s;
  s.channel.refuse_start = true;
  EXPECT_FALSE(s.Send(Document({Line("CUKIER", 1, 3)}), Rules()).sent);
  EXPECT_TRUE(s.channel.sent.empty());
}

TEST(Receipts, SerialPrinterIsAskedItsStatusAfterTheClose) {
  RecordingChannel serial(/*tcp=*/false);
  RecordingUi ui;
  FakeClock clock(2026, 12, 8);
  FiscalPrinter printer(clock, serial, ui, Dialect::kEscape);
  EXPECT_EQ(printer.DfEnq(), "00001000");
  EXPECT_TRUE(FiscalPrinter::FiscalMode(printer.DfEnq()));
  EXPECT_EQ(clock.Elapsed(), 2000);  // a second's wait before each read
  serial.status = 0;
  EXPECT_FALSE(FiscalPrinter::FiscalMode(printer.DfEnq()));
  RecordingChannel tcp(/*tcp=*/true);
  FiscalPrinter over_tcp(clock, tcp, ui, Dialect::kEscape);
  EXPECT_EQ(over_tcp.DfEnq(), "0");  // nothing is read over TCP
}

TEST(Receipts, FiscalInvoiceCarriesTheBuyerAndClosesByItsPayment) {
  FiscalDocument doc = Document({Line("KAWA MIELONA", 1, 9.80)});
  doc.rd = "FF ";
  doc.fiscal_invoice = true;
  doc.spz = 'P';
  doc.tez = 14;
  doc.data = JulianFromYmd(2026, 12, 8);
  doc.nip = "7542103388";
  doc.buyer.nodb = "DELIKATESY SMAKOSZ";
  ReceiptRules rules = Rules();
  rules.bank_account = "11 2222";
  Sent s;
  EXPECT_TRUE(s.Send(doc, rules).sent);
  EXPECT_EQ(CountOf(s.channel.sent, "\x1bP0;1;1;0;0;0;0;0;0;0$hFF-5\rDELIKATESY SMAKOSZ\r7542103388\r22.12.2026\rPRZELEW\rBANK: 11 2222\r"), 1);
  EXPECT_EQ(CountOf(s.channel.sent, "\x1bP0;0;0;0;0;0;1;0;0;0;0$x"), 1);  // a transfer: "any other payment"
  EXPECT_NE(std::find(s.ui.told.begin(), s.ui.told.end(), "PLATNOSC P"), s.ui.told.end());
  EXPECT_EQ(PaymentFormText('T'), "F.TERMINOWA");
  EXPECT_EQ(PaymentFormText('B'), "F.BEZGOTOWKOWA");
  EXPECT_EQ(PaymentFormText('C'), "KARTA");
  EXPECT_EQ(PaymentFormText('K'), "PRZELEW");
}

}  // namespace
}  // namespace hurt::devices
