// A station with a fiscal printer, walked through the real screens: `hurt` in its scripted
// headless mode on a demo company, the printer simulator on TCP as the station's printer
// (the operator's printer "DF_IP", vat.ini's DF_IPADDR and DF_IPPORT, the retail kind SD in
// J_DF). A retail sale paid in cash is posted and its receipt printed; a station killed
// between the receipt's frames finishes it when it starts again; the fiscal menu's
// reports and cash operations reach the printer. Every scenario ends with `hurt-dbf
// verify` finding nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "session/settings.h"
#include "support/fiscal_sim.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kFiscalMenu = "Raport fiskalny dobowy";
constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kFinished = "CZY SKONCZYŁES EDYCJE DOWODU ?";

class FiscalPrinterRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
    sim = std::make_unique<FiscalSimulator>(work.str(), std::vector<std::string>{"--tcp", "0"});
    ASSERT_GT(sim->port(), 0);
    // The retail kind goes to the fiscal printer.
    session::Settings settings(xbase::RealEnv());
    ASSERT_TRUE(settings.SetText("J_DF", PadR("SD", 25)).ok());
    ASSERT_TRUE(settings.Save(data / "parametr.mem").ok());
    // The supervisor's printer is the fiscal printer on TCP, where vat.ini says.
    SetOperatorPrinter("0", "DF_IP");
    std::ofstream ini(data / "vat.ini");
    ini << "[KASA1]\nDF_IPADDR=127.0.0.1\nDF_IPPORT=" << sim->port() << "\n";
  }

  void SetOperatorPrinter(const std::string& nr, const std::string& printer) {
    xbase::WorkAreas areas(xbase::RealEnv());
    auto a = areas.Open(1, data / "prawa.dbf", "prawa", xbase::AreaOpenOptions{.exclusive = true});
    ASSERT_TRUE(a.ok()) << a.status().ToString();
    for (Status st = (*a)->GoTop(); st.ok() && !(*a)->eof(); st = (*a)->Skip()) {
      if (AllTrim((*a)->FieldBytes((*a)->FieldIndex("NR"))) != nr) continue;
      ASSERT_TRUE((*a)->Replace("DRUKARKA", xbase::Value(PadR(printer, 30))).ok());
    }
    ASSERT_TRUE((*a)->Commit().ok());
  }

  StationOptions Options(const std::string& clock) {
    StationOptions o;
    o.clock = clock;
    o.env["COMPUTERNAME"] = "KASA1";
    o.local_dir = work / "kasa1.local";  // the workstation's own folder, the same after a restart
    return o;
  }

  // A station logged in as the supervisor: the fiscal menu opens at log-in (the printer
  // names a fiscal device) and is left with Esc; the Dowody menu open.
  std::unique_ptr<HurtStation> Start(const std::string& name, const std::string& clock) {
    auto s = std::make_unique<HurtStation>(data.str(), work.str(), name, Options(clock));
    EXPECT_TRUE(s->WaitForScreen(kOperatorList)) << s->Screen() << s->result().err;
    Step(*s, {"Enter"}, kFiscalMenu);
    Step(*s, {"Esc"}, kMainMenu, kFiscalMenu);
    Step(*s, {"Enter"}, kDowody);
    return s;
  }

  // A retail sale SD of the lines (code, quantity) paid in cash, posted; the next
  // document's header waits.
  // `leave` is the key that ends the lines: Esc, or F5, which on a fiscal document posts it
  // as Esc does (the printer prints it then).
  static void RetailSale(HurtStation& s, const std::vector<std::pair<std::string, std::string>>& lines,
                         std::string_view leave = "Esc") {
    Step(s, {"Home", "Enter"}, kEntry);
    Step(s, {"text:SD", "Enter"}, "Rd:SD");
    for (int field = 0; field < 4; ++field) s.Send("Enter");  // date, payment, term, warehouse
    Step(s, {"Enter"}, "Nazwa kontrahenta");
    Step(s, {"Enter", "Enter", "Enter"}, "F2-Rabat");
    for (const auto& [indeks, ilosc] : lines) {
      Step(s, {"text:" + indeks, "Enter"}, "Dostepne:");
      s.Send("text:" + ilosc);
      s.Send("Enter");
      s.Send("Enter");
      s.Send("Enter");
    }
    Step(s, {leave}, "Adres dostawy");
    Step(s, {"Enter"}, kFinished);
    s.Send("text:T");
  }

  std::string Table(const std::string& name) const { return data / (period + "/" + name + ".dbf"); }

  TempDir data;
  TempDir work;
  std::string period;
  std::unique_ptr<FiscalSimulator> sim;
};

// The journal's line of a sale line as the document has it: "POZYCJA n NAME | q x price =
// value | letter".
std::string JournalLine(int n, const std::string& name28, const std::string& quantity, const std::string& price,
                        const std::string& value, const std::string& letter) {
  return "POZYCJA " + std::to_string(n) + " " + name28 + " " + letter + " | " + quantity + " x " + price + " = " + value +
         " | " + letter;
}

TEST_F(FiscalPrinterRoad, ARetailSalePaidInCashIsPrintedAsAReceipt) {
  auto a = Start("a", TodayAt9());
  RetailSale(*a, {{"10001", "4"}, {"10009", "2"}});
  Step(*a, {}, "Rd:FV");  // the next document
  const std::string journal = sim->WaitFor("PARAGON 1 ZAMKNIETY");
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);

  // The receipt is the posted document: its lines, their rates and the total.
  std::vector<std::map<std::string, std::string>> lines;
  for (auto& l : Records(Table("dow"))) {
    if (l["RD"] == "SD") lines.push_back(l);
  }
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["PODATEK0"], "5");
  EXPECT_EQ(lines[1]["PODATEK0"], "23");
  EXPECT_NE(journal.find(JournalLine(1, PadR("MAKA PSZENNA TYP 450 1KG", 28), "4", lines[0]["CENA"].substr(0, lines[0]["CENA"].size() - 4),
                                     lines[0]["WARTOSC"], "C")),
            std::string::npos)
      << journal << lines[0]["CENA"];
  EXPECT_NE(journal.find(JournalLine(2, PadR("KAWA MIELONA 250G", 28), "2", lines[1]["CENA"].substr(0, lines[1]["CENA"].size() - 4),
                                     lines[1]["WARTOSC"], "A")),
            std::string::npos)
      << journal;
  const double total = std::stod(lines[0]["WARTOSC"]) + std::stod(lines[1]["WARTOSC"]);
  char sum[64];
  std::snprintf(sum, sizeof sum, "SUMA %.2f ZAPLACONO %.2f GOTOWKA", total, total);
  EXPECT_NE(journal.find(sum), std::string::npos) << journal;
  EXPECT_NE(journal.find("NAGLOWEK KASA: 1 SD 1-1  Zawadzki Marek"), std::string::npos) << journal;
  EXPECT_EQ(Occurrences(journal, "BLAD"), 0) << journal;
  EXPECT_EQ(Occurrences(journal, "PARAGON 1 ZAMKNIETY"), 1);
  for (auto& h : Records(Table("dowod"))) {
    if (h["RD"] == "SD") {
      EXPECT_EQ(h["SPZ"], "G");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(work / "kasa1.local/paragony") &&
               !std::filesystem::is_empty(work / "kasa1.local/paragony"))
      << "no receipt is left on its way";
  ExpectVerifyFindsNothing(data.str());
}

// kill -9 while the receipt's lines go (the station's own clock, so that the pauses
// between the lines are real), then a restart of the same workstation: the printer's open
// receipt is cancelled and the posted document printed whole, once.
TEST_F(FiscalPrinterRoad, AStationKilledBetweenTheReceiptsFramesFinishesItWhenItStartsAgain) {
  auto a = Start("a", "");
  RetailSale(*a, {{"10001", "1"}, {"10003", "2"}, {"10021", "3"}}, "F5");
  sim->WaitFor("POZYCJA 1 ");
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  const std::string cut = sim->Journal();
  ASSERT_EQ(Occurrences(cut, "ZAMKNIETY"), 0) << cut;  // killed before the close
  std::vector<std::string> headers;
  for (auto& h : Records(Table("dowod"))) headers.push_back(h["RD"] + "-" + h["NRD"]);
  EXPECT_EQ(headers, std::vector<std::string>{"SD-1"}) << "posted before the receipt went";

  auto b = Start("b", TodayAt9());
  const std::string journal = sim->WaitFor("PARAGON 2 ZAMKNIETY");
  EXPECT_TRUE(b->LogContains("Anuluje przerwany paragon SD-1")) << b->Log();
  Leave(*b);
  EXPECT_NE(journal.find("PARAGON 1 ANULOWANY"), std::string::npos) << journal;
  EXPECT_EQ(Occurrences(journal, "ZAMKNIETY"), 1) << journal;
  const size_t second = journal.find("PARAGON 2 POCZATEK");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(Occurrences(journal.substr(second), "POZYCJA "), 3) << journal;
  EXPECT_EQ(Occurrences(journal, "BLAD"), 0) << journal;
  headers.clear();
  for (auto& h : Records(Table("dowod"))) headers.push_back(h["RD"] + "-" + h["NRD"]);
  EXPECT_EQ(headers, std::vector<std::string>{"SD-1"}) << "the document once";
  EXPECT_TRUE(std::filesystem::is_empty(work / "kasa1.local/paragony"));
  ExpectVerifyFindsNothing(data.str());
}

// Dowody › Drukarka fisk/Terminal › Drukarka fiskalna: cash in (the drawer opens after it)
// and the daily report reach the printer; Esc and "N" send nothing.
TEST_F(FiscalPrinterRoad, TheFiscalMenuSendsCashAndReports) {
  auto a = Start("a", TodayAt9());
  auto menu = [&] {
    a->Send("Home");
    for (int i = 0; i < 8; ++i) a->Send("Down");
    Step(*a, {"Enter"}, "Drukarka fiskalna");
    Step(*a, {"Enter"}, kFiscalMenu);
  };
  auto item = [&](int n) {
    a->Send("Home");
    for (int i = 1; i < n; ++i) a->Send("Down");
    a->Send("Enter");
  };
  menu();
  item(2);
  Step(*a, {}, "Kwota :");
  Step(*a, {"text:150", "Enter"}, kFiscalMenu, "Kwota :");
  sim->WaitFor("SZUFLADA");
  item(6);
  Step(*a, {}, "Drukowac raport fiskalny dobowy ?");
  Step(*a, {"text:N"}, kFiscalMenu, "Drukowac raport");
  item(6);
  Step(*a, {}, "Drukowac raport fiskalny dobowy ?");
  Step(*a, {"text:T"}, kFiscalMenu, "Drukowac raport");
  const std::string journal = sim->WaitFor("RAPORT DOBOWY");
  item(9);
  StepSeen(*a, {}, "Opcja zablokowana");
  Step(*a, {"Esc"}, kDowody, kFiscalMenu);
  Leave(*a);
  EXPECT_NE(journal.find("WPLATA 150.00\nSZUFLADA\n"), std::string::npos) << journal;  // the drawer after the cash
  EXPECT_EQ(Occurrences(journal, "RAPORT DOBOWY: paragonow 0"), 1) << journal;
  EXPECT_EQ(Occurrences(journal, "BLAD"), 0) << journal;
  ExpectVerifyFindsNothing(data.str());
}

// The printer does not answer when the sale is posted: the document stays posted, the
// operator is told, and the receipt goes whole once the printer answers (here: when the
// fiscal menu is opened after vat.ini was put right).
TEST_F(FiscalPrinterRoad, AReceiptThePrinterDidNotTakeGoesWhenItAnswers) {
  {
    std::ofstream ini(data / "vat.ini");
    ini << "[KASA1]\nDF_IPADDR=127.0.0.1\nDF_IPPORT=1\n";  // nobody there
  }
  auto a = Start("a", TodayAt9());
  RetailSale(*a, {{"10001", "2"}});
  StepSeen(*a, {}, "Brak komunikacji z DF");
  StepSeen(*a, {}, "Dokoncze go, gdy drukarka odpowie");
  Step(*a, {}, "Rd:FV");
  EXPECT_EQ(Occurrences(sim->Journal(), "PARAGON"), 0);
  ASSERT_FALSE(std::filesystem::is_empty(work / "kasa1.local/paragony"));
  {
    std::ofstream ini(data / "vat.ini");
    ini << "[KASA1]\nDF_IPADDR=127.0.0.1\nDF_IPPORT=" << sim->port() << "\n";
  }
  Step(*a, {"Esc"}, kDowody);
  a->Send("Home");
  for (int i = 0; i < 8; ++i) a->Send("Down");
  Step(*a, {"Enter"}, "Drukarka fiskalna");
  Step(*a, {"Enter"}, kFiscalMenu);
  const std::string journal = sim->WaitFor("PARAGON 1 ZAMKNIETY");
  Step(*a, {"Esc"}, kDowody, kFiscalMenu);
  Leave(*a);
  EXPECT_EQ(Occurrences(journal, "ANULOW"), 0) << journal;  // nothing had gone: nothing to cancel
  EXPECT_EQ(Occurrences(journal, "POZYCJA "), 1) << journal;
  EXPECT_TRUE(std::filesystem::is_empty(work / "kasa1.local/paragony"));
  ExpectVerifyFindsNothing(data.str());
}

// A station that died while the close went: at its next start the operator, who has the
// paper, says the receipt came out whole, and nothing is sent again.
TEST_F(FiscalPrinterRoad, AReceiptWhoseCloseMayHaveGoneIsConfirmedByTheOperator) {
  auto a = Start("a", TodayAt9());
  RetailSale(*a, {{"10009", "1"}});
  Step(*a, {}, "Rd:FV");
  sim->WaitFor("PARAGON 1 ZAMKNIETY");
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);
  std::filesystem::create_directories(work / "kasa1.local/paragony");
  std::ofstream(work / "kasa1.local/paragony/0000000000001_SD_1.txt") << "rd=SD\nnrd=       1\npart=1\nstage=zamkniecie\n";

  auto b = std::make_unique<HurtStation>(data.str(), work.str(), "b", Options(TodayAt9()));
  ASSERT_TRUE(b->WaitForScreen(kOperatorList)) << b->Screen();
  Step(*b, {"Enter"}, "Paragon SD-1 wydrukowany caly ?");
  Step(*b, {"text:T"}, kFiscalMenu);
  Step(*b, {"Esc"}, kMainMenu, kFiscalMenu);
  Step(*b, {"Enter"}, kDowody);
  Leave(*b);
  const std::string journal = sim->Journal();
  EXPECT_EQ(Occurrences(journal, "POCZATEK"), 1) << journal;
  EXPECT_EQ(Occurrences(journal, "ANULOW"), 0) << journal;
  EXPECT_TRUE(std::filesystem::is_empty(work / "kasa1.local/paragony"));
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
