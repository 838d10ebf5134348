// The roads of the menu screens that change data, walked through real `hurt` processes on
// a demo company: the exchange rates (F5, F4, F8), the marks of issue notes for invoicing
// in the list of documents, and the print-file editor. Each takes the ways out (Esc, "N"
// to the questions, kill -9 at a question), meets a record another process holds and a
// second station doing the same, and ends with `hurt-dbf verify` finding nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/text.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kRates = "TABELA KURSU WALUT";
constexpr std::string_view kSummary = "ZESTAWIENIE DOWODOW";
// The mark of a note taken for invoicing, chr(251), as the table reader gives it.
const std::string kMark = Cp852ToUtf8("\xFB");




class MenuRoads : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
  }

  // The rates as "EUR 4.300000" lines, in record order (deleted records left out).
  std::vector<std::string> Rates() {
    std::vector<std::string> out;
    for (auto& r : Records(data / "wal.dbf")) out.push_back(r["WALUTA"] + " " + r["KURS"]);
    return out;
  }
  std::string Zap(const std::string& rd, const std::string& nrd) {
    for (auto& h : Records(data / (period + "/dowod.dbf"))) {
      if (h["RD"] == rd && h["NRD"] == nrd) return h["ZAP"];
    }
    ADD_FAILURE() << "no document " << rd << "-" << nrd;
    return "?";
  }
  // Polls the note's mark until it is `mark` (the stations write it a moment after the key).
  bool MarkBecomes(const std::string& mark) {
    for (int i = 0; i < 500; ++i) {
      if (Zap("WZ", "1") == mark) return true;
      ::usleep(20'000);
    }
    return false;
  }

  // A station logged in as the supervisor, in the Dowody menu.
  std::unique_ptr<HurtStation> Start(const std::string& name, StationOptions options = {}) {
    return StartInDowody(data.str(), work.str(), name, std::move(options));
  }

  TempDir data;
  TempDir work;
  std::string period;
};

// Dowody item 10 is the rate table where the installation keeps WAL.DBF.
TEST_F(MenuRoads, ExchangeRatesAreAddedChangedAndDeletedByTheirRules) {
  ASSERT_TRUE(std::filesystem::exists(data / "wal.dbf"));
  const std::vector<std::string> before = Rates();
  // NOK is a currency the demo has no rate of; in the grid it follows the rates of the
  // currencies before it in the alphabet.
  int above = 0;
  for (const std::string& r : before) above += r.substr(0, 3) < "NOK" ? 1 : 0;
  auto a = Start("a");
  Step(*a, {"End", "Up", "Up", "Up", "Enter"}, kRates);
  Step(*a, {"F5", "text:NOK", "Enter", "Enter", "text:4.3", "Enter"}, "4.300000");
  // Esc in the form and N to the deletion leave it.
  Step(*a, {"F4", "text:9", "Esc"}, "4.300000");
  StepSeen(*a, {"F8"}, "CHCESZ  SKASOWAC  POZYCJE  ?");
  Step(*a, {"text:N"}, "4.300000");
  // A second station adds the same currency and date: refused.
  auto b = Start("b");
  Step(*b, {"End", "Up", "Up", "Up", "Enter"}, kRates);
  StepSeen(*b, {"F5", "text:NOK", "Enter", "Enter", "text:4.5", "Enter"}, "juz jest");
  // The rate held by another process: the change is given up and said so. The refusal
  // left the grid on the rate that is there.
  const size_t nok = before.size() + 1;
  {
    auto holder = HoldRecord(data.str(), "wal", static_cast<int>(nok));
    StepSeen(*b, {"F4", "text:4.4", "Enter"}, "Pozycja nadal zajęta - czekać dalej ?");
    StepSeen(*b, {"text:N"}, "Pozycja zajęta - zmiany nie zapisane");
    holder->Kill();
    (void)holder->Wait();
  }
  Step(*b, {"F4", "text:4.35", "Enter"}, "4.350000");
  Step(*b, {"Esc"}, kDowody);
  Leave(*b);
  // kill -9 at the deletion question: nothing deleted.
  StepSeen(*a, {"F8"}, "CHCESZ  SKASOWAC  POZYCJE  ?");
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  std::vector<std::string> expected = before;
  expected.push_back("NOK 4.350000");
  EXPECT_EQ(Rates(), expected);
  // A new station deletes it after T.
  auto c = Start("c");
  Step(*c, {"End", "Up", "Up", "Up", "Enter"}, kRates);
  for (int i = 0; i < above; ++i) c->Send("Down");
  Step(*c, {"F8", "text:T", "Esc"}, kDowody);
  Leave(*c);
  EXPECT_EQ(Rates(), before);
  ExpectVerifyFindsNothing(data.str());
}

// An issue note posted, then marked and unmarked in the list of documents; another
// process holding its header leaves it as it was; the invoice run finds it marked.
TEST_F(MenuRoads, IssueNotesAreMarkedForInvoicingUnderTheirLock) {
  auto a = Start("a");
  Step(*a, {"Home", "Enter"}, kEntry);
  Step(*a, {"text:WZ", "Enter"}, "Rd:WZ");
  for (int field = 0; field < 4; ++field) a->Send("Enter");
  Step(*a, {"text:JAS", "Enter"}, "Kod:  JAS");
  Step(*a, {"Enter", "Enter", "Enter"}, "F2-Rabat");
  Step(*a, {"text:10001", "Enter"}, "Dostepne:");
  for (const char* k : {"text:3", "Enter", "Enter", "Enter"}) a->Send(k);
  Step(*a, {"Esc"}, "Adres dostawy");
  Step(*a, {"Enter"}, "CZY SKONCZYŁES EDYCJE DOWODU ?");
  a->Send("text:T");
  ASSERT_TRUE(a->WaitForScreen("Rd:FV"));
  Step(*a, {"Esc"}, kDowody);
  // The list: item 4. Find the note by the kind filter, mark it.
  Step(*a, {"Home", "Down", "Down", "Down", "Enter"}, kSummary);
  Step(*a, {"F6", "text:WZ", "Enter", "Enter"}, "rodzaj: WZ");
  // Enter shows the note; Esc comes back to the list.
  Step(*a, {"Enter"}, "  1│10001");
  Step(*a, {"Esc"}, "rodzaj: WZ");
  a->Send("text: ");
  EXPECT_TRUE(MarkBecomes(kMark)) << a->Screen();
  // Another process holds the header: no change.
  int recno = 0;
  {
    auto headers = Records(data / (period + "/dowod.dbf"));
    for (size_t i = 0; i < headers.size(); ++i) {
      if (headers[i]["RD"] == "WZ") recno = static_cast<int>(i) + 1;
    }
  }
  ASSERT_GT(recno, 0);
  {
    auto holder = HoldRecord(data.str(), period + "/dowod", recno);
    StepSeen(*a, {"text: "}, "zajęty - bez zmian");
    holder->Kill();
    (void)holder->Wait();
  }
  EXPECT_EQ(Zap("WZ", "1"), kMark);
  // A second station unmarks it; the first one's list shows it when repainted.
  auto b = Start("b");
  Step(*b, {"Home", "Down", "Down", "Down", "Enter"}, kSummary);
  Step(*b, {"F6", "text:WZ", "Enter", "Enter"}, "rodzaj: WZ");
  a->Send("Esc");
  b->Send("text: ");
  b->Send("Esc");
  ASSERT_TRUE(b->WaitForScreen(kDowody)) << b->Screen();
  Leave(*b);
  EXPECT_TRUE(MarkBecomes(""));
  ASSERT_TRUE(a->WaitForScreen(kDowody)) << a->Screen();
  // Marked again and killed in the middle of the list: the mark stays as written.
  Step(*a, {"Enter"}, kSummary);
  Step(*a, {"F6", "text:WZ", "Enter", "Enter"}, "rodzaj: WZ");
  a->Send("text: ");
  EXPECT_TRUE(MarkBecomes(kMark)) << a->Screen();
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(Zap("WZ", "1"), kMark);
  ExpectVerifyFindsNothing(data.str());
}

// The print file edited by the supervisor: F2 saves it whole; N keeps the saved text;
// kill -9 at the question leaves the saved text and no temporary file.
TEST_F(MenuRoads, ThePrintFileEditorSavesWholeOrNothing) {
  std::filesystem::create_directories(data / "rob");
  {
    std::ofstream out(data / "rob/wydruk01.prn", std::ios::binary);
    out << "RAPORT\r\nKONIEC\r\n";
  }
  auto a = Start("a");
  // FUNKCJE SPECJALNE, item 14 (the last but one).
  Step(*a, {"Right", "Right"}, "Edycja bazy BLAT");
  Step(*a, {"End", "Up", "Enter"}, "RAPORT");
  Step(*a, {"text:X", "F2"}, "XRAPORT");
  Step(*a, {"text:Y", "Esc"}, "Zapisac zmiany ?");
  Step(*a, {"text:N"}, "Edycja bazy BLAT");
  EXPECT_EQ(Slurp(data / "rob/wydruk01.prn"), "XRAPORT\r\nKONIEC\r\n");
  Step(*a, {"Enter"}, "XRAPORT");
  Step(*a, {"text:Z", "Esc"}, "Zapisac zmiany ?");
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(Slurp(data / "rob/wydruk01.prn"), "XRAPORT\r\nKONIEC\r\n");
  EXPECT_FALSE(std::filesystem::exists(data / "rob/wydruk01.prn.tmp"));
  ExpectVerifyFindsNothing(data.str());
}

// Dowody item 5: a kind added, kept after "N" and after kill -9 at the deletion question,
// refused a counter below its documents' numbers, and deleted after T.
TEST_F(MenuRoads, DocumentKindsAreAddedAndDeletedByTheirRules) {
  constexpr std::string_view kKinds = "RODZAJE DOWODOW";
  auto kinds = [&] {
    std::vector<std::string> out;
    for (auto& r : Records(data / (period + "/slow.dbf"))) out.push_back(r["RD"] + " " + r["R_P"] + r["S_Z"]);
    return out;
  };
  const std::vector<std::string> before = kinds();
  auto a = Start("a");
  Step(*a, {"Home", "Down", "Down", "Down", "Down", "Enter"}, kKinds);
  Step(*a, {"F5", "text:FW", "Enter", "Enter", "text:FAKTURA WEWNETRZNA", "Enter"}, "Ruch (R,P,M,K)");
  StepSeen(*a, {"text:Q", "Enter"}, "Dozwolone: R,P,M,K");
  Step(*a, {"Backspace", "text:R", "Enter", "text:S", "Enter", "text:U", "Enter", "text:N", "Enter", "text:O", "PgDn"},
       "FAKTURA WEWNETRZNA");
  StepSeen(*a, {"F8"}, "CHCESZ  SKASOWAC  POZYCJE  ?");
  Step(*a, {"text:N"}, "FAKTURA WEWNETRZNA");
  StepSeen(*a, {"F8"}, "CHCESZ  SKASOWAC  POZYCJE  ?");
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  std::vector<std::string> expected = before;
  expected.push_back("FW RS");
  EXPECT_EQ(kinds(), expected);
  // Another station: the kind FV held elsewhere cannot be changed meanwhile; then deleted.
  auto b = Start("b");
  Step(*b, {"Home", "Down", "Down", "Down", "Down", "Enter"}, kKinds);
  {
    auto holder = HoldRecord(data.str(), period + "/slow", 1);
    Step(*b, {"text:FV"}, "Opis              : FAKTURA VAT");
    StepSeen(*b, {"F4", "Enter", "text:X", "PgDn"}, "Pozycja nadal zajęta - czekać dalej ?");
    StepSeen(*b, {"text:N"}, "Pozycja zajęta - zmiany nie zapisane");
    holder->Kill();
    (void)holder->Wait();
  }
  Step(*b, {"Home", "text:FW"}, "Opis              : FAKTURA WEWNETRZNA");
  StepSeen(*b, {"F8"}, "CHCESZ  SKASOWAC  POZYCJE  ?");
  Step(*b, {"text:T"}, kKinds);
  Step(*b, {"Esc"}, kDowody);
  Leave(*b);
  EXPECT_EQ(kinds(), before);
  ExpectVerifyFindsNothing(data.str());
}

// Funkcje specjalne item 12: refused while another station works; alone, the card a
// crash left wrong gets its month's quantities back.
TEST_F(MenuRoads, TheReorganisationPutsTheStockOfTheMonthRight) {
  const std::string as = data / (period + "/as.dbf");
  auto card = [&] {
    for (auto& r : Records(as)) {
      if (r["MAG"] == "1" && r["INDEKS"] == "10001") return r;
    }
    ADD_FAILURE() << "no card 1-10001";
    return std::map<std::string, std::string>{};
  };
  const std::string ilosc = card()["ILOSC"];
  {
    xbase::WorkAreas areas(xbase::RealEnv());
    auto a = areas.Open(1, as, "as");
    ASSERT_TRUE(a.ok());
    for (Status st = (*a)->GoTop(); st.ok() && !(*a)->eof(); st = (*a)->Skip()) {
      if (AllTrim((*a)->FieldBytes((*a)->FieldIndex("INDEKS"))) != "10001") continue;
      if ((*a)->FieldBytes((*a)->FieldIndex("MAG")) != "1") continue;
      ASSERT_TRUE((*a)->LockRecord().ok());
      ASSERT_TRUE((*a)->Replace("ILOSC", xbase::Value(999.0)).ok());
      ASSERT_TRUE((*a)->Replace("B_R_I", xbase::Value(7.0)).ok());
      ASSERT_TRUE((*a)->Unlock().ok());
      break;
    }
  }
  ASSERT_EQ(card()["ILOSC"], "999.000");
  StationOptions at_item_12;
  at_item_12.clock = TodayAt9();
  at_item_12.argument = "212";
  auto other = Start("other");
  auto a = std::make_unique<HurtStation>(data.str(), work.str(), "a", at_item_12);
  ASSERT_TRUE(a->WaitForScreen(kOperatorList)) << a->Screen();
  Step(*a, {"Enter"}, kMainMenu, kOperatorList);
  Step(*a, {"Enter"}, "Reorganizacja zbiorow");
  StepSeen(*a, {"Enter"}, "Czy masz na to czas ?");
  StepSeen(*a, {"text:T"}, "Wszyscy musza wyjsc z programu");
  EXPECT_EQ(card()["ILOSC"], "999.000");
  Leave(*other);
  StepSeen(*a, {"Enter"}, "Czy masz na to czas ?");
  StepSeen(*a, {"text:T"}, "Stany uzgodnione z 0 pozycjami dowodow");
  Step(*a, {"Space"}, "Reorganizacja zbiorow");
  Leave(*a);
  EXPECT_EQ(card()["ILOSC"], ilosc);
  EXPECT_EQ(card()["B_R_I"], "0.000");
  EXPECT_FALSE(std::filesystem::exists(data / "korekta_as.txt"));
  ExpectVerifyFindsNothing(data.str());
}

// The operators' archive picked from Uwagi o pracy operatorów is shown as the folder holds
// it, upper-case names and all, from a station working in the data directory.
TEST_F(MenuRoads, AnArchivePickedIsShown) {
  std::filesystem::create_directories(data / "KANT");
  {
    std::ofstream out(data / "KANT/STYCZEN.TXT", std::ios::binary);
    out << "KANTY STYCZNIA\r\n";
  }
  auto a = Start("a");
  // FUNKCJE SPECJALNE, item 13 (two above the last).
  Step(*a, {"Right", "Right"}, "Edycja bazy BLAT");
  Step(*a, {"End", "Up", "Up", "Enter"}, "Archiwum");
  Step(*a, {"Down", "Enter"}, "KANT/STYCZEN.TXT");
  Step(*a, {"Enter"}, "KANTY STYCZNIA");
  Step(*a, {"Esc"}, "Edycja bazy BLAT");
  Leave(*a);
}

}  // namespace
}  // namespace hurt::testing
