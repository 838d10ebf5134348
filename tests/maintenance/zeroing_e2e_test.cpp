// The zeroing walked through the real screens of `hurt` processes on a demo company: the
// soft zeroing after the correction password, then a new document numbered 1; the ways
// out (a wrong password, Esc, "N", kill -9 at a question) and a second station at work
// changing nothing; kill -9 at the closing "Koniec" and a new start. Each ends with
// `hurt-dbf verify` finding nothing.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "session/settings.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kSpecjalne = "Edycja bazy BLAT";
constexpr std::string_view kZeroing = "Z E R O W A N I E   Z B I O R O W";
constexpr std::string_view kWays = "3. Czyszczenie PACK";
constexpr std::string_view kPassword = "PODAJ  HASŁO  !";
constexpr std::string_view kSure = "Czy na pewno zerowac ?";
constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";

class ZeroingRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
  }

  std::string Table(const std::string& name) const { return data / (period + "/" + name + ".dbf"); }

  // A station logged in as the supervisor, in the Dowody menu; the installation's
  // correction password is then "TAJNE" (read from parametr.mem at each question).
  std::unique_ptr<HurtStation> Start(const std::string& name) {
    auto s = StartInDowody(data.str(), work.str(), name);
    session::Settings settings(xbase::RealEnv());
    EXPECT_TRUE(settings.Restore(data / "parametr.mem").ok());
    EXPECT_TRUE(settings.SetText("J_BOSS", "TAJNE").ok());
    EXPECT_TRUE(settings.Save(data / "parametr.mem").ok());
    return s;
  }
  // From the Dowody menu to the zeroing's screen (Funkcje specjalne, item 11).
  static void ToZeroing(HurtStation& s) {
    Step(s, {"Right"}, " Raporty z archiwum");
    Step(s, {"Right"}, kSpecjalne);
    s.Send("Home");
    for (int i = 1; i < 11; ++i) s.Send("Down");
    Step(s, {"Enter"}, kWays);
  }
  // An invoice on credit for SMAKOSZ posted from the Dowody menu, and back there: the
  // month then has a document, its lines, an open item and a balance.
  static void PostInvoice(HurtStation& s) {
    Step(s, {"Home", "Enter"}, kEntry);
    InvoiceForSmakosz(s, "2");
    Step(s, {"Esc"}, kDowody);
  }
  // A receipt of 10 × 10001 from MLYN posted from the Dowody menu, and back there.
  static void PostReceipt(HurtStation& s) {
    Step(s, {"Home", "Enter"}, kEntry);
    Step(s, {"text:PZ", "Enter"}, "Rd:PZ");
    for (int field = 0; field < 5; ++field) s.Send("Enter");  // date, payment, due date, term, warehouse
    Step(s, {"text:MLYN", "Enter"}, "Kod:  MLYN");
    Step(s, {"Enter", "text:FA/123", "Enter", "Enter", "Enter"}, "F3-Druk KW");
    Step(s, {"text:10001", "Enter"}, "Karta towaru");
    Step(s, {"text:10", "Enter", "text:2.3", "Enter", "PgDn"}, "  1│10001");
    Step(s, {"Esc"}, "CZY SKONCZYŁES EDYCJE DOWODU ?");
    Step(s, {"text:T"}, "Zmienic sposob zaplaty na P30");
    Step(s, {"text:T"}, "Rd:FV");
    Step(s, {"Esc"}, kDowody);
  }
  // The soft zeroing chosen, the password given and confirmed, up to "Koniec".
  static void SoftZeroing(HurtStation& s) {
    Step(s, {"text:1"}, kPassword);
    Step(s, {"text:tajne", "Enter"}, kSure);
    Step(s, {"text:T"}, "Koniec");
  }
  // The tables of the month, byte for byte.
  std::map<std::string, std::string> MonthTables() {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(data / period)) {
      if (e.path().extension() == ".dbf") out[e.path().string()] = Slurp(e.path().string());
    }
    return out;
  }
  double Sum(const std::string& table, const std::string& field) {
    double sum = 0;
    for (auto& r : Records(Table(table))) sum += r[field].empty() ? 0 : std::stod(r[field]);
    return sum;
  }

  TempDir data;
  TempDir work;
  std::string period;
};

TEST_F(ZeroingRoad, SoftZeroingEmptiesTheMonthAndTheNextDocumentIsNumberOne) {
  auto a = Start("a");
  PostInvoice(*a);
  ASSERT_FALSE(Records(Table("dowod")).empty());
  ASSERT_FALSE(Records(Table("fa_n")).empty());
  ASSERT_NE(Sum("zo", "OBWN"), 0);
  ASSERT_NE(Sum("as", "ILOSC"), 0);
  ASSERT_NE(Sum("slow", "NRD"), 0);
  ToZeroing(*a);
  SoftZeroing(*a);
  EXPECT_TRUE(a->WaitForScreen("firma"));  // the last table listed
  Step(*a, {"Enter"}, kSpecjalne);
  Leave(*a);

  EXPECT_FALSE(Records(Table("as")).empty());  // the cards stay
  for (const char* f : {"ILOSC", "B_BO_I", "B_P_I", "B_R_I", "REZERWA0"}) EXPECT_EQ(Sum("as", f), 0) << f;
  for (const char* book : {"zo", "zd"}) {
    EXPECT_FALSE(Records(Table(book)).empty()) << book;
    for (const char* f : {"OBWN", "OBMA", "BOWN", "BOMA"}) EXPECT_EQ(Sum(book, f), 0) << book << " " << f;
  }
  for (const char* emptied : {"dow", "dowod", "fa_n", "fa_nx"}) EXPECT_TRUE(Records(Table(emptied)).empty()) << emptied;
  EXPECT_EQ(Sum("slow", "NRD"), 0);
  for (const char* counter : {"KP", "KW", "NO", "WE"}) EXPECT_EQ(ReadField(data / "firma.dbf", counter), "0") << counter;
  EXPECT_FALSE(data.Exists("zerowanie.txt"));
  ExpectVerifyFindsNothing(data.str());

  // The month works on: the next receipt and the next invoice are both number 1.
  auto b = Start("b");
  PostReceipt(*b);
  PostInvoice(*b);
  Leave(*b);
  std::vector<std::string> numbers;
  for (auto& h : Records(Table("dowod"))) numbers.push_back(h["RD"] + " " + h["NRD"]);
  EXPECT_EQ(numbers, (std::vector<std::string>{"PZ 1", "FV 1"}));
  EXPECT_EQ(Sum("as", "ILOSC"), 8);
  ExpectVerifyFindsNothing(data.str());
}

TEST_F(ZeroingRoad, AWrongPasswordEscNoAndAKillAtTheQuestionChangeNothing) {
  auto a = Start("a");
  PostInvoice(*a);
  const std::map<std::string, std::string> before = MonthTables();
  ToZeroing(*a);
  Step(*a, {"text:1"}, kPassword);
  Step(*a, {"text:zle", "Enter"}, "ZŁE  HASŁO !");
  Step(*a, {"text:gorsze", "Enter"}, kWays, "ZŁE  HASŁO !");
  Step(*a, {"text:1"}, kPassword);
  Step(*a, {"Esc"}, kWays, kPassword);
  Step(*a, {"text:1"}, kPassword);
  Step(*a, {"text:tajne", "Enter"}, kSure);
  Step(*a, {"text:N"}, kWays, kSure);
  Step(*a, {"Esc"}, kSpecjalne);
  EXPECT_EQ(MonthTables(), before);
  // kill -9 at the question: nothing done.
  Step(*a, {"Enter"}, kWays);
  Step(*a, {"text:1"}, kPassword);
  Step(*a, {"text:tajne", "Enter"}, kSure);
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(MonthTables(), before);
  auto b = Start("b");
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

// A fresh installation has neither a correction password nor a supervisor's password:
// the zeroing still asks one, the stock "WREN"; a bare Enter does not pass.
TEST_F(ZeroingRoad, AFreshInstallationAsksTheStockPassword) {
  auto a = StartInDowody(data.str(), work.str(), "a");
  const std::map<std::string, std::string> before = MonthTables();
  ToZeroing(*a);
  Step(*a, {"text:1"}, kPassword);
  Step(*a, {"Enter"}, "ZŁE  HASŁO !");
  Step(*a, {"text:tajne", "Enter"}, kWays, "ZŁE  HASŁO !");
  EXPECT_EQ(MonthTables(), before);
  Step(*a, {"text:1"}, kPassword);
  Step(*a, {"text:wren", "Enter"}, kSure);
  Step(*a, {"text:N"}, kWays, kSure);
  Step(*a, {"Esc"}, kSpecjalne);
  Leave(*a);
  EXPECT_EQ(MonthTables(), before);
  ExpectVerifyFindsNothing(data.str());
}

TEST_F(ZeroingRoad, ASecondStationAtWorkStopsIt) {
  auto a = Start("a");
  PostInvoice(*a);
  auto b = Start("b");
  const std::map<std::string, std::string> before = MonthTables();
  Step(*a, {"Right"}, " Raporty z archiwum");
  Step(*a, {"Right"}, kSpecjalne);
  a->Send("Home");
  for (int i = 1; i < 11; ++i) a->Send("Down");
  StepSeen(*a, {"Enter"}, "Wszyscy musza wyjsc z programu !");
  Step(*a, {}, kSpecjalne, "Wszyscy musza");
  EXPECT_EQ(MonthTables(), before);
  // The station works on: b leaves and a zeroes.
  Leave(*b);
  Step(*a, {"Enter"}, kWays);
  SoftZeroing(*a);
  Step(*a, {"Enter"}, kSpecjalne);
  Leave(*a);
  EXPECT_TRUE(Records(Table("dowod")).empty());
  ExpectVerifyFindsNothing(data.str());
}

// Killed at "Koniec": the tables are zeroed, the indexes not rebuilt yet. The next start
// rebuilds them, and the data checker finds the month sound.
TEST_F(ZeroingRoad, AKillAtTheEndIsMendedByTheNextStart) {
  auto a = Start("a");
  PostInvoice(*a);
  ASSERT_FALSE(Records(Table("dowod")).empty());
  ToZeroing(*a);
  SoftZeroing(*a);
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_TRUE(Records(Table("dowod")).empty());
  EXPECT_EQ(Sum("as", "ILOSC"), 0);
  auto b = Start("b");
  EXPECT_FALSE(b->LogContains("Zerowanie zbiorow nie skonczone"));
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
  // A zeroing cut short between its tables leaves its marker: the next start says so.
  {
    std::ofstream marker(data / "zerowanie.txt");
    marker << "Zerowanie zbiorow w toku\r\n";
  }
  auto c = Start("c");
  EXPECT_TRUE(c->LogContains("Zerowanie zbiorow nie skonczone")) << c->Log();
  Leave(*c);
}

}  // namespace
}  // namespace hurt::testing
