// The station's printer routines against the printer simulator, a real process: over TCP,
// over a pseudo-terminal as a serial port, and over the serial-port proxy; the
// simulator's journal is what the printer printed.
#include <gtest/gtest.h>
#include <cstdio>
#include <sstream>

#include "base/clock.h"
#include "base/cp852.h"
#include "base/numeric.h"
#include "devices/com_ports.h"
#include "devices/fiscal_printer.h"
#include "devices/receipt.h"
#include "fake_printer.h"
#include "support/fiscal_sim.h"
#include "support/temp_dir.h"

namespace hurt::devices {
namespace {

using namespace hurt::literals;
using testing::RecordingUi;

using Simulator = hurt::testing::FiscalSimulator;

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

int Count(const std::string& text, std::string_view what) { return hurt::testing::Occurrences(text, what); }

DocumentLine Line(std::string_view name, double ilosc, double cena, std::string rate = "23") {
  DocumentLine l;
  l.indeks = "X";
  l.nazwa = std::string(name);
  l.jm = "szt";
  l.podatek0 = std::move(rate);
  l.ilosc = ilosc;
  l.cena = cena;
  l.wartosc = NewRound(ilosc * cena, 2);
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

ReceiptRules Rules(Dialect dialect = Dialect::kEscape) {
  ReceiptRules r;
  r.operator_nr = "0";
  r.operator_name = "ZAWADZKI MAREK";
  r.tab_dialect = dialect == Dialect::kTab;
  return r;
}

// Sends `doc` to the simulator on TCP, on the test clock (the pauses take no time).
SendOutcome SendOverTcp(const Simulator& sim, const FiscalDocument& doc, Dialect dialect = Dialect::kEscape) {
  FakeClock clock(2026, 12, 8, 9, 0, 0);
  SystemLinks links;
  TcpFiscalChannel channel(clock, links, "127.0.0.1", std::to_string(sim.port()));
  RecordingUi ui;
  FiscalPrinter printer(clock, channel, ui, dialect);
  const ReceiptRules rules = Rules(dialect);
  return SendReceipts(printer, doc, rules, PlanReceipts(doc, rules), 1, {});
}

class FiscalSim : public ::testing::Test {
 protected:
  hurt::testing::TempDir dir;
};

TEST_F(FiscalSim, A256LineDocumentIsTwoReceiptsTheSecondStartingAtLine256) {
  Simulator sim(dir.str(), {"--tcp", "0"});
  std::vector<DocumentLine> lines;
  for (int i = 1; i <= 256; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "TOWAR %03d", i);
    lines.push_back(Line(name, 1, 1.50));
  }
  ASSERT_TRUE(SendOverTcp(sim, Document(lines)).sent);
  const std::string journal = sim.WaitFor("PARAGON 2 ZAMKNIETY");
  EXPECT_EQ(Count(journal, "BLAD"), 0) << journal;
  const std::vector<std::string> j = LinesOf(journal);
  int first = 0, second = 0;
  std::string second_first_line;
  int receipt = 0;
  for (const std::string& l : j) {
    if (l.rfind("PARAGON 1 POCZATEK", 0) == 0) receipt = 1;
    if (l.rfind("PARAGON 2 POCZATEK", 0) == 0) receipt = 2;
    if (l.rfind("POZYCJA ", 0) != 0) continue;
    if (receipt == 1) ++first;
    if (receipt == 2 && second++ == 0) second_first_line = l;
  }
  EXPECT_EQ(first, 255);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(second_first_line.rfind("POZYCJA 1 TOWAR 256", 0), 0u) << second_first_line;
  EXPECT_NE(journal.find("SUMA 382.50 ZAPLACONO 382.50 GOTOWKA"), std::string::npos);  // 255 x 1.50
  EXPECT_NE(journal.find("SUMA 1.50 ZAPLACONO 1.50 GOTOWKA"), std::string::npos);
  EXPECT_NE(journal.find("NAGLOWEK KASA: 1 SD 5-2  ZAWADZKI MAREK"), std::string::npos);
}

TEST_F(FiscalSim, ADocumentWithOnlyANegativeLineIsCancelled) {
  Simulator sim(dir.str(), {"--tcp", "0"});
  const SendOutcome out = SendOverTcp(sim, Document({Line("ZWROT BUTELKI", -3, 0.50, " 8")}));
  EXPECT_EQ(out.cancelled, 1);
  const std::string journal = sim.WaitFor("PARAGON 1 ANULOWANY");
  EXPECT_NE(journal.find("STORNO ZWROT BUTELKI"), std::string::npos) << journal;
  EXPECT_EQ(Count(journal, "ZAMKNIETY"), 0);
  EXPECT_EQ(Count(journal, "BLAD"), 0) << journal;
}

TEST_F(FiscalSim, PolishLettersOfEitherCodePageArriveAsPlainLetters) {
  Simulator sim(dir.str(), {"--tcp", "0"});
  const FiscalDocument doc = Document({
      Line("MĄKA ŻYTNIA TYP 720"_pl, 1, 2.89, " 5"),   // code page 852
      Line("\x9C\xA3\x98\x92\x90 \xA1\xA3\x9C\xA2\xA7", 2, 1.00, " 8"),  // Mazovia: "ŁÓŚłĘ ŻÓŁóż"
      Line("Śmietana 18%"_pl, 1, 1.85, " 5"),          // lower case is dropped
  });
  ASSERT_TRUE(SendOverTcp(sim, doc).sent);
  const std::string journal = sim.WaitFor("PARAGON 1 ZAMKNIETY");
  EXPECT_EQ(Count(journal, "BLAD"), 0) << journal;  // the simulator refuses any byte above 126 in a name
  EXPECT_NE(journal.find("POZYCJA 1 MAKA ZYTNIA TYP 720"), std::string::npos) << journal;
  EXPECT_NE(journal.find("POZYCJA 2 LOSLE ZOLOZ"), std::string::npos) << journal;
  EXPECT_NE(journal.find("POZYCJA 3 S 18%"), std::string::npos) << journal;
  EXPECT_NE(journal.find("SUMA 6.74 ZAPLACONO 6.74"), std::string::npos) << journal;
}

TEST_F(FiscalSim, EveryDialectIsTakenWithItsChecksumOrCrc) {
  const FiscalDocument doc = [] {
    FiscalDocument d = Document({Line("KAWA MIELONA", 2, 9.80), Line("MLEKO", 1.5, 2.65, " 5"), Line("KAWA MIELONA", -1, 9.80)});
    d.wplaca = 20;
    return d;
  }();
  for (Dialect dialect : {Dialect::kEscape, Dialect::kTab, Dialect::kXml}) {
    hurt::testing::TempDir own;
    Simulator sim(own.str(), {"--tcp", "0"});
    ASSERT_TRUE(SendOverTcp(sim, doc, dialect).sent);
    const std::string journal = sim.WaitFor("PARAGON 1 ZAMKNIETY");
    EXPECT_EQ(Count(journal, "BLAD"), 0) << journal;
    EXPECT_EQ(Count(journal, "POZYCJA "), 2) << journal;
    EXPECT_EQ(Count(journal, "STORNO "), 1) << journal;
    EXPECT_NE(journal.find("SUMA 13.78 ZAPLACONO 20.00 GOTOWKA RESZTA 6.22"), std::string::npos) << journal;
    // A report and the drawer in the same dialect.
    FakeClock clock(2026, 12, 8);
    SystemLinks links;
    TcpFiscalChannel channel(clock, links, "127.0.0.1", std::to_string(sim.port()));
    RecordingUi ui;
    FiscalPrinter printer(clock, channel, ui, dialect);
    ASSERT_TRUE(printer.RsInit());
    ASSERT_TRUE(printer.Send(printer.frames().DailyReport()));
    ASSERT_TRUE(printer.Send(printer.frames().OpenDrawer()));
    const std::string after = sim.WaitFor("SZUFLADA");
    EXPECT_NE(after.find("RAPORT DOBOWY: paragonow 1, suma 13.78"), std::string::npos) << after;
  }
}

TEST_F(FiscalSim, AWrongChecksumIsRefusedAndOneBelowSixteenTaken) {
  Simulator sim(dir.str(), {"--tcp", "0"});
  FakeClock clock(2026, 12, 8);
  SystemLinks links;
  TcpFiscalChannel channel(clock, links, "127.0.0.1", std::to_string(sim.port()));
  RecordingUi ui;
  ASSERT_TRUE(channel.Start(ui));
  ASSERT_TRUE(channel.Send("\x1bP0#r9F\x1b\\"));
  ASSERT_TRUE(channel.Send(EscFrame(std::string("0#r") + "\x91")));  // checksum "0F"
  ASSERT_TRUE(channel.Send(TabFrame("dailyrep", {}).replace(11, 4, "0000")));
  const std::string journal = sim.WaitFor("CRC 0000, powinno byc 9180");
  EXPECT_NE(journal.find("BLAD suma kontrolna 9F, powinna byc 9E"), std::string::npos) << journal;
  EXPECT_EQ(Count(journal, "RAPORT DOBOWY"), 1) << journal;
}

TEST_F(FiscalSim, ADroppedFrameShowsOnlyOnThePrinter) {
  // Frames: error mode 1, begin, line 1, line 2 ...: the third is lost on the way.
  Simulator sim(dir.str(), {"--tcp", "0", "--drop", "3", "--delay", "20"});
  const SendOutcome out = SendOverTcp(sim, Document({Line("CUKIER", 1, 3.15), Line("SOL", 1, 0.95)}));
  EXPECT_TRUE(out.sent);  // the station does not know
  const std::string journal = sim.WaitFor("BLAD suma zamkniecia 4.10 rozna od sumy pozycji 0.95");
  EXPECT_EQ(Count(journal, "POZYCJA "), 1) << journal;
}

TEST_F(FiscalSim, SerialPrinterOnAPseudoTerminalAnswersTheEnquiry) {
  for (bool fiscal : {true, false}) {
    hurt::testing::TempDir own;
    std::vector<std::string> args = {"--pty"};
    if (!fiscal) args.push_back("--non-fiscal");
    Simulator sim(own.str(), args);
    ASSERT_FALSE(sim.pty().empty());
    SystemClock clock;  // a real line: its time-outs in real time
    SystemLinks links;
    RecordingUi ui;
    struct NoUi final : PortUi {
      void Say(int, int, std::string_view) override {}
      void WaitKey() override {}
    } port_ui;
    const std::string device = sim.pty();
    ComPorts ports(clock, links, port_ui, [&](std::string_view key) { return key == "COM1_DEVICE" ? device : std::string(); });
    SerialFiscalChannel channel(ports, 1);
    FiscalPrinter printer(clock, channel, ui, Dialect::kEscape);
    ReceiptRules rules = Rules();
    rules.pacing = Pacing::kNone;
    const FiscalDocument doc = Document({Line("CUKIER", 2, 3.15, " 5")});
    ASSERT_TRUE(SendReceipts(printer, doc, rules, PlanReceipts(doc, rules), 1, {}).sent) << (ui.told.empty() ? "" : ui.told[0]);
    sim.WaitFor("PARAGON 1 ZAMKNIETY");
    EXPECT_EQ(printer.DfEnq(), fiscal ? "00001000" : "00000000");
    EXPECT_EQ(Count(sim.Journal(), "BLAD"), 0) << sim.Journal();
  }
}

TEST_F(FiscalSim, TheProxyModeReachesThePrinterThroughThePortLayer) {
  Simulator sim(dir.str(), {"--tcp", "0"});
  FakeClock clock(2026, 12, 8);
  SystemLinks links;
  RecordingUi ui;
  struct NoUi final : PortUi {
    void Say(int, int, std::string_view) override {}
    void WaitKey() override {}
  } port_ui;
  const std::string port = std::to_string(sim.port());
  ComPorts ports(clock, links, port_ui, [&](std::string_view key) {
    if (key == "SERPROXY_MODE") return std::string("YES");
    if (key == "COM2_ADDR") return std::string("CLIENT");
    if (key == "COM2_PORT") return port;
    return std::string();
  });
  SerialFiscalChannel channel(ports, 2);
  FiscalPrinter printer(clock, channel, ui, Dialect::kEscape);
  ASSERT_TRUE(printer.RsInit());
  ASSERT_TRUE(printer.Send(printer.frames().CashIn(150)));
  const std::string journal = sim.WaitFor("WPLATA 150.00");
  EXPECT_EQ(clock.Elapsed(), 1000);  // the second after the cash operation's preamble
  EXPECT_EQ(Count(journal, "BLAD"), 0) << journal;
}

}  // namespace
}  // namespace hurt::devices
