// A station with a card terminal, walked through the real screens: `hurt` in its scripted
// headless mode on a demo company, the terminal simulator on loopback (elavon.txt in the
// data directory, vat.ini's EFT_PORTY and a short EFT_CZAS). A retail sale paid "C" goes
// to the terminal before it is posted, and is posted as paid only when the terminal
// approved it; a refused connection, a terminal that never answers, one that answers late
// and one that declines are each told, and a retry never charges twice.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/card_sim.h"
#include "support/fiscal_sim.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kFinished = "CZY SKONCZYŁES EDYCJE DOWODU ?";
constexpr std::string_view kRetry = "Ponowic platnosc karta ?";
constexpr std::string_view kEftMenu = "Kopia ostatniego rachunku";

class CardTerminalRoad : public ::testing::Test {
 protected:
  void Begin(const std::vector<std::string>& sim_args, std::string_view family = "elavon") {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
    sim = std::make_unique<CardSimulator>(work.str(), sim_args);
    ASSERT_FALSE(sim->ports().empty());
    std::ofstream(data / (std::string(family) + ".txt")) << "127.0.0.1\r\n";
    std::ofstream ini(data / "vat.ini");
    ini << "[KASA1]\nEFT_PORTY=" << sim->ports() << "\nEFT_CZAS=1\n";
  }

  std::unique_ptr<HurtStation> Start() {
    StationOptions o;
    o.clock = TodayAt9();
    o.env["COMPUTERNAME"] = "KASA1";
    o.local_dir = work / "kasa1.local";
    auto s = std::make_unique<HurtStation>(data.str(), work.str(), "a", o);
    EXPECT_TRUE(s->WaitForScreen(kOperatorList)) << s->Screen() << s->result().err;
    Step(*s, {"Enter"}, kMainMenu);
    Step(*s, {"Enter"}, kDowody);
    return s;
  }

  // A retail sale SD of one line paid "C", up to the question that posts it, answered yes.
  static void CardSale(HurtStation& s) {
    Step(s, {"Home", "Enter"}, kEntry);
    Step(s, {"text:SD", "Enter"}, "Rd:SD");
    s.Send("Enter");  // date
    s.Send("text:C");
    for (int field = 0; field < 3; ++field) s.Send("Enter");  // payment, term, warehouse
    Step(s, {"Enter"}, "Nazwa kontrahenta");
    Step(s, {"Enter", "Enter", "Enter"}, "F2-Rabat");
    Step(s, {"text:10009", "Enter"}, "Dostepne:");
    for (std::string_view k : {"text:2", "Enter", "Enter", "Enter"}) s.Send(k);
    Step(s, {"Esc"}, "Adres dostawy");
    Step(s, {"Enter"}, kFinished);
    s.Send("text:T");
  }

  std::map<std::string, std::string> Header() {
    for (auto& h : Records(data / (period + "/dowod.dbf"))) {
      if (h["RD"] == "SD") return h;
    }
    ADD_FAILURE() << "no SD posted";
    return {};
  }

  // The posted sale's gross value as the terminal gets it: 12 digits of grosze.
  std::string GrossGrosze() {
    double gross = 0;
    for (auto& l : Records(data / (period + "/dow.dbf"))) {
      if (l["RD"] == "SD") gross += std::stod(l["WARTOSC"]) + (l["NB"] == "B" ? 0 : std::stod(l["PODATEK"]));
    }
    char text[32];
    std::snprintf(text, sizeof text, "%012.0f", gross * 100 + 0.5);
    return text;
  }

  void Finish(HurtStation& s) {
    Step(s, {}, "Rd:FV");  // the next document
    Step(s, {"Esc"}, kDowody);
    Leave(s);
    EXPECT_FALSE(std::filesystem::exists(work / "kasa1.local/karta.txt")) << "no payment left in flight";
    ExpectVerifyFindsNothing(data.str());
  }

  TempDir data;
  TempDir work;
  std::string period;
  std::unique_ptr<CardSimulator> sim;
};

TEST_F(CardTerminalRoad, ASalePaidByCardIsChargedOnceAndPostedAsPaid) {
  Begin({});
  auto a = Start();
  CardSale(*a);
  StepSeen(*a, {}, "Platnosc karta przyjeta");
  Finish(*a);
  const auto h = Header();
  EXPECT_EQ(h.at("SPZ"), "C");
  const std::string gross = GrossGrosze();
  const std::string log = sim->Log();
  EXPECT_EQ(Occurrences(log, "SPRZEDAZ " + gross + " PRZYJETA"), 1) << log << gross;
  EXPECT_EQ(Occurrences(log, "ELAVON 02 TRANSAKCJA [0=01] [1=" + gross + "] [5=Kwota:] [9=0]"), 1) << log;
  EXPECT_NEAR(std::stod(h.at("KWOTA")) * 100, std::stod(gross), 0.5) << "posted as paid";
}

TEST_F(CardTerminalRoad, ARefusedConnectionIsToldAndTheCommitGoesOnUnpaid) {
  Begin({"--refuse"});
  auto a = Start();
  CardSale(*a);
  StepSeen(*a, {}, "Brak komunikacji z Terminalem");
  Step(*a, {}, kRetry);
  a->Send("text:N");
  StepSeen(*a, {}, "Dowod zapisany bez zaplaty karta");
  Finish(*a);
  const auto h = Header();
  EXPECT_EQ(h.at("SPZ"), "C");
  EXPECT_EQ(std::stod(h.at("KWOTA")), 0.0) << "not paid";
  EXPECT_EQ(sim->Log(), "");
}

// The answer comes after the station stopped waiting: the retry asks the terminal for its
// last transaction, finds the sale approved, and sends nothing again.
TEST_F(CardTerminalRoad, ALateAnswerIsFoundOnRetryAndNotChargedAgain) {
  Begin({"--late", "2500"});
  auto a = Start();
  CardSale(*a);
  StepSeen(*a, {}, "Terminal nie odpowiedzial");
  Step(*a, {}, kRetry);
  a->Send("text:T");
  StepSeen(*a, {}, "Terminal przyjal wczesniejsza platnosc");
  Finish(*a);
  const std::string log = sim->Log();
  EXPECT_EQ(Occurrences(log, "SPRZEDAZ "), 1) << log;
  EXPECT_EQ(Occurrences(log, "KOPIA"), 1) << log;
  EXPECT_NEAR(std::stod(Header().at("KWOTA")) * 100, std::stod(GrossGrosze()), 0.5);
}

// A terminal that never answers: it is asked for its last transaction before the sale goes
// again and before the operator gives up; nothing is posted as paid.
TEST_F(CardTerminalRoad, NoAnswerIsToldAndNotPostedAsPaid) {
  Begin({"--silent"});
  auto a = Start();
  CardSale(*a);
  StepSeen(*a, {}, "Terminal nie odpowiedzial");
  Step(*a, {}, kRetry);
  // Tried again: the terminal's copy says nothing went through, so the sale goes again.
  Step(*a, {"text:T"}, "Platnosc karta ", kRetry);
  sim->WaitFor("KOPIA");
  Step(*a, {}, kRetry);
  a->Send("text:N");
  StepSeen(*a, {}, "Dowod zapisany bez zaplaty karta");
  Finish(*a);
  EXPECT_EQ(std::stod(Header().at("KWOTA")), 0.0);
  const std::string log = sim->Log();
  EXPECT_EQ(Occurrences(log, "SPRZEDAZ "), 2) << log;
  EXPECT_EQ(Occurrences(log, "ELAVON 42 KOPIA"), 2) << log;  // before the retry and before giving up
  EXPECT_EQ(Occurrences(log, "PRZYJETA"), 0) << log;
}

TEST_F(CardTerminalRoad, ADeclinedPaymentIsToldAndNotPostedAsPaid) {
  Begin({"--decline"});
  auto a = Start();
  CardSale(*a);
  StepSeen(*a, {}, "Terminal odrzucil platnosc (05)");
  Step(*a, {}, kRetry);
  a->Send("text:N");
  Finish(*a);
  EXPECT_EQ(std::stod(Header().at("KWOTA")), 0.0);
  EXPECT_EQ(Occurrences(sim->Log(), "ODRZUCONA"), 1) << sim->Log();
}

// Dowody › Drukarka fisk/Terminal › Terminal płatniczy with the Fiserv terminal: the hello
// shows its TID, the menu's sale reaches it, the Elavon-only items are blank.
TEST_F(CardTerminalRoad, TheTerminalMenuOfTheFiservTerminal) {
  Begin({"--tid", "T0042042"}, "fiserv");
  auto a = Start();
  a->Send("Home");
  for (int i = 0; i < 8; ++i) a->Send("Down");
  Step(*a, {"Enter"}, "Terminal p");
  a->Send("Down");
  Step(*a, {"Enter"}, "Raport dobowy", kEftMenu);
  auto item = [&](int n) {
    a->Send("Home");
    for (int i = 1; i < n; ++i) a->Send("Down");
    a->Send("Enter");
  };
  item(7);
  StepSeen(*a, {}, "TID: T0042042");
  item(2);
  Step(*a, {}, "Kwota :");
  a->Send("text:12.34");
  a->Send("Enter");
  StepSeen(*a, {}, "Terminal: transakcja przyjeta");
  item(6);
  sim->WaitFor("FISERV |2881111|");
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);
  const std::string log = sim->Log();
  EXPECT_NE(log.find("FISERV |2841011|0|||||"), std::string::npos) << log;
  EXPECT_NE(log.find("FISERV |2811011|00|000000001234||||||||0|"), std::string::npos) << log;
}

}  // namespace
}  // namespace hurt::testing
