// The road of a new company walked through the real screens, from an empty data directory:
// the company data on the first start, the supervisor's log-in, the user settings on their
// three pages, an article card, a supplier and a customer, a goods receipt and a credit
// sale printed and posted. Then the ways out of that road (Esc in the company editor,
// "N" to the questions, kill -9 at the invoice's question and in the middle of its posting)
// and two stations making their first sale at once. Every scenario ends with
// `hurt-dbf verify` finding nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/text.h"
#include "session/settings.h"
#include "shell/settings_fields.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kCompanyEditor = "DANE FIRMY  (1/2)";
constexpr std::string_view kMagazyn = "Kartoteki magazynowe";
constexpr std::string_view kRozrachunki = "Rozrachunki z dostawcami";
constexpr std::string_view kArticles = "KARTOTEKA MAGAZYNOWA";
constexpr std::string_view kSuppliers = "ROZRACHUNKI Z DOSTAWCAMI";
constexpr std::string_view kCustomers = "ROZRACHUNKI Z ODBIORCAMI";
constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kDisplay = "WYSWIETLANIE   DOWODOW";
constexpr std::string_view kFinished = "CZY SKONCZYŁES EDYCJE DOWODU ?";
constexpr std::string_view kLeaveQuestion = "CZY CHCESZ ZAKONCZYC PRACE";
constexpr std::string_view kClock = "2026-12-08 09:00:00";

constexpr std::string_view kCompanyName = "HURTOWNIA NOWA";
constexpr std::string_view kCompanyNip = "5260001246";
constexpr std::string_view kCustomerNip = "1234563218";




class NewCompany : public ::testing::Test {
 protected:
  std::unique_ptr<HurtStation> Launch(const std::string& name, StationOptions options = {}) {
    options.clock = std::string(kClock);
    return std::make_unique<HurtStation>(data.str(), work.str(), name, options);
  }
  // A station on a company that has its data: the supervisor logged in, the Dowody menu.
  std::unique_ptr<HurtStation> Start(const std::string& name, StationOptions options = {}) {
    auto s = Launch(name, std::move(options));
    LogIn(*s);
    return s;
  }
  static void LogIn(HurtStation& s) {
    Step(s, {}, kOperatorList);
    Step(s, {"Enter"}, kMainMenu, kOperatorList);
    Step(s, {"Enter"}, kDowody);
  }
  static void Enters(HurtStation& s, int n) {
    for (int i = 0; i < n; ++i) s.Send("Enter");
  }

  // The company editor of the first start: name, street, postcode, town, tax number; both
  // pages accepted. The operator list follows.
  static void CompanyData(HurtStation& s) {
    Step(s, {}, kCompanyEditor);
    s.Send("text:" + std::string(kCompanyName));
    Enters(s, 5);  // the further name lines
    Step(s, {"text:Polna 5", "Enter", "text:00950", "Enter", "text:WARSZAWA", "Enter", "text:PL", "Enter",
             "text:" + std::string(kCompanyNip), "PgDn"},
         "DANE FIRMY  (2/2)");
    Step(s, {"PgDn"}, kOperatorList);
  }
  // Dowody › Parametryzacja systemu › Parametry uzytkownika: VAT 8 on page 1, payment by
  // transfer in 21 days on page 2, badly agreed cards "K" on page 3.
  static void Settings(HurtStation& s) {
    Step(s, {"Home", "Down", "Down", "Down", "Down", "Down", "Enter"}, "Parametry uzytkownika");
    Step(s, {"Enter"}, "Strona 1/3");
    Put(s, 1, "J_VAT", "8");
    Step(s, {"Esc"}, "Strona 2/3");
    Put(s, 2, "J_SPZ", "P");
    s.Send("Ctrl+Y");  // J_TEZ follows
    s.Send("text:21");
    s.Send("Enter");
    Step(s, {"Esc"}, "Strona 3/3");
    Put(s, 3, "J_ZLE_UZGO", "K");
    Step(s, {"Esc"}, kDowody);
  }
  static void Put(HurtStation& s, int page, std::string_view name, const std::string& text) {
    Enters(s, SettingsFieldPosition(page, name));
    s.Send("Ctrl+Y");
    s.Send("text:" + text);
    s.Send("Enter");
  }
  // Magazyn › Kartoteki magazynowe, F5: MLOTEK in warehouse 1 at 20.00 net (the VAT rate
  // proposed from the settings).
  static void ArticleCard(HurtStation& s) {
    Step(s, {"Left", "Left"}, kMagazyn);
    Step(s, {"Home", "Enter"}, kArticles);
    Step(s, {"F5", "text:1", "Enter", "text:MLOTEK", "Enter", "text:MLOTEK STALOWY", "Enter", "text:SZT", "Enter"},
         "VAT :  8");
    Enters(s, 9);  // PKWiU ... supplier, as proposed
    Step(s, {"text:20", "Enter"}, "21.60");
    Step(s, {"Enter"}, "│MLOTEK  │MLOTEK STALOWY");
    Step(s, {"Esc"}, kMagazyn);
  }
  // One counterparty typed in the book open on the screen: code, name, postcode, town,
  // street, tax number, the rest as it is.
  static void Counterparty(HurtStation& s, const std::string& odb, const std::string& name, const std::string& nip) {
    Step(s, {"F5", "text:" + odb, "Enter", "text:" + name, "Enter", "Enter", "text:30001", "Enter", "text:KRAKOW",
             "Enter", "text:Fabryczna 1", "Enter", "Enter", "text:" + nip, "Enter"},
         nip);
    Enters(s, 4);  // group, bank, account, telephone
    Step(s, {}, odb + std::string(8 - odb.size(), ' ') + "│" + name);
  }
  static void Counterparties(HurtStation& s) {
    Step(s, {"Right"}, kRozrachunki);
    Step(s, {"Home", "Down", "Enter"}, kSuppliers);
    Counterparty(s, "DOSTAWCA", "FABRYKA NARZEDZI", "6770065406");
    Step(s, {"Esc"}, kRozrachunki);
    Step(s, {"Home", "Enter"}, kCustomers);
    Counterparty(s, "KLIENT", "SKLEP KLIENT", std::string(kCustomerNip));
    Step(s, {"Esc"}, kRozrachunki);
    Step(s, {"Right"}, kDowody);
  }
  // Dowody › Edycja.
  static void OpenEntry(HurtStation& s) { Step(s, {"Home", "Enter"}, kEntry); }
  // In the entry: a PZ of 10 MLOTEK at 12.50 from DOSTAWCA, up to the question.
  static void Receipt(HurtStation& s) {
    Step(s, {"Ctrl+Y", "text:PZ", "Enter"}, "Rd:PZ");
    Enters(s, 5);  // date, payment, due date, term, warehouse
    Step(s, {"text:DOSTAWCA", "Enter"}, "Kod:  DOSTAWCA");
    Step(s, {"Enter", "text:FA/1/2026", "Enter", "Enter", "Enter"}, "F5-DRUK");
    Step(s, {"text:MLOTEK", "Enter"}, "Karta towaru");
    Step(s, {"text:10", "Enter", "text:12.5", "Enter", "PgDn"}, "  1│MLOTEK");
    Step(s, {"Esc"}, kFinished);
  }
  // An invoice to KLIENT: the header as proposed (FV, payment P 21), 4 × MLOTEK, printed
  // with F5; then Esc up to the question.
  static void InvoiceUpToTheQuestion(HurtStation& s, const std::string& quantity = "4", bool print = true) {
    Step(s, {"Ctrl+Y", "text:FV", "Enter"}, "Rd:FV");
    Enters(s, 4);  // date, payment, term, warehouse
    Step(s, {"text:KLIENT", "Enter"}, "Kod:  KLIENT");
    EXPECT_NE(s.Screen().find("Płatnosc: P  21"), std::string::npos) << s.Screen();
    Step(s, {"Enter", "Enter", "Enter"}, "F2-Rabat");
    Step(s, {"text:MLOTEK", "Enter"}, "Dostepne:");
    Step(s, {"text:" + quantity, "Enter", "Enter", "Enter"}, "  1│MLOTEK");
    if (print) {
      Step(s, {"F5"}, "FAKTURA NR FV-");
      Step(s, {"Esc"}, "F2-Rabat");
    }
    Step(s, {"Esc"}, "Adres dostawy");
    Step(s, {"Enter"}, kFinished);
  }

  // After "T" to the question while another station posts: the document is posted, or
  // the kind's counter stayed busy past its wait (the scripted clock makes that wait short
  // in real time), the operator was told and stays in the grid, and a second "T" posts it.
  static void PostedOrTriedAgain(HurtStation& s) {
    if (s.WaitForScreen("Rd:FV", "Kod:  KLIENT", 5'000)) return;
    TryAgain(s);
  }
  // The kind was busy: the grid again, Esc, "T".
  static void TryAgain(HurtStation& s) {
    ASSERT_TRUE(s.LogContains("zajęty na innym stanowisku")) << s.Screen();
    if (!s.WaitForScreen("F2-Rabat", "zajęty", 3'000)) s.Send("Esc");  // a message waiting for a key
    Step(s, {}, "F2-Rabat", "zajęty");
    Step(s, {"Esc"}, kFinished);  // the delivery address was settled the first time
    Step(s, {"text:T"}, "Rd:FV", "Kod:  KLIENT");
  }

  // The whole road up to the receipt posted, from the first start: the station stands in
  // the entry screen on the next document.
  std::unique_ptr<HurtStation> RoadUpToTheReceipt() {
    auto a = Launch("a");
    CompanyData(*a);
    LogIn(*a);
    Settings(*a);
    ArticleCard(*a);
    Counterparties(*a);
    OpenEntry(*a);
    Receipt(*a);
    Step(*a, {"text:T"}, "Rd:FV");
    return a;
  }

  std::string Period() {
    const std::string bmr = ReadField(data / "firma.dbf", "BMR");  // "mm.yy"
    EXPECT_EQ(bmr.size(), 5u);
    return bmr.size() == 5 ? bmr.substr(3, 2) + "/" + bmr.substr(0, 2) : "";
  }
  std::vector<std::map<std::string, std::string>> Table(const std::string& name) {
    return Records(data / (Period() + "/" + name + ".dbf"));
  }
  std::string Counter(const std::string& rd) {
    for (auto& r : Table("slow")) {
      if (r["RD"] == rd) return r["NRD"];
    }
    ADD_FAILURE() << "no kind " << rd;
    return "?";
  }
  std::vector<std::string> Documents() {
    std::vector<std::string> out;
    for (auto& h : Table("dowod")) out.push_back(h["RD"] + " " + h["NRD"] + " " + h["ODB"]);
    return out;
  }
  double Stock() {
    for (auto& r : Table("as")) {
      if (r["INDEKS"] == "MLOTEK") return std::stod(r["ILOSC"]);
    }
    ADD_FAILURE() << "no card MLOTEK";
    return -1;
  }
  session::Settings Stored() {
    session::Settings settings(xbase::RealEnv());
    Status restored = settings.Restore(data / "parametr.mem");
    EXPECT_TRUE(restored.ok()) << restored.ToString();
    return settings;
  }

  TempDir data;
  TempDir work;
};

TEST_F(NewCompany, TheWholeRoadFromAnEmptyDirectoryToAPrintedAndPostedInvoice) {
  auto a = RoadUpToTheReceipt();
  InvoiceUpToTheQuestion(*a);
  Step(*a, {"text:T"}, "Rd:FV", "Kod:  KLIENT");
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);

  EXPECT_EQ(AllTrim(ReadField(data / "firma.dbf", "NODB")), kCompanyName);
  EXPECT_EQ(AllTrim(ReadField(data / "firma.dbf", "REGON")), kCompanyNip);
  session::Settings stored = Stored();
  EXPECT_EQ(stored.Vat(), " 8");
  EXPECT_EQ(stored.Spz(), "P");
  EXPECT_EQ(stored.Tez(), 21);
  EXPECT_EQ(stored.Text("J_ZLE_UZGO"), "K");

  EXPECT_EQ(Counter("FV"), "1");
  EXPECT_EQ(Counter("PZ"), "1");
  EXPECT_EQ(Documents(), (std::vector<std::string>{"PZ 1 DOSTAWCA", "FV 1 KLIENT"}));
  std::map<std::string, std::string> lines;
  for (auto& l : Table("dow")) lines[l["RD"] + l["NRD"]] = l["INDEKS"] + " " + l["ILOSC"] + " " + l["CENA"] + " " + l["PODATEK0"];
  EXPECT_EQ(lines, (std::map<std::string, std::string>{{"PZ1", "MLOTEK 10.000 12.500000 8"},
                                                        {"FV1", "MLOTEK 4.000 20.000000 8"}}));
  EXPECT_DOUBLE_EQ(Stock(), 10 - 4);
  // The credit sale is owed by the customer: 4 × 20.00 + 8 % VAT, due in 21 days.
  bool owed = false;
  for (auto& r : Table("fa_n")) {
    if (r["RD"] == "FV" && r["NRD"] == "1") {
      owed = true;
      EXPECT_EQ(r["ODB"], "KLIENT");
      EXPECT_EQ(r["OBWN"], "86.40");
      EXPECT_EQ(r["TERMIN"], "20261229");
    }
  }
  EXPECT_TRUE(owed) << "no settlement item of FV 1";
  // The printout went to the station's print file, with both tax numbers.
  const std::string printed = Cp852ToUtf8(Slurp(data / "rob/wydruk01.prn"));
  EXPECT_NE(printed.find("FAKTURA NR FV-1"), std::string::npos) << printed;
  EXPECT_NE(printed.find("NIP: " + std::string(kCompanyNip)), std::string::npos) << printed;
  EXPECT_NE(printed.find("NIP: " + std::string(kCustomerNip)), std::string::npos) << printed;
  ExpectVerifyFindsNothing(data.str());

  // A restart: no company editor, the settings kept, the invoice displayed.
  auto b = Start("b");
  EXPECT_FALSE(b->LogContains("DANE FIRMY"));
  Step(*b, {"Home", "Down", "Down", "Down", "Down", "Down", "Enter"}, "Parametry uzytkownika");
  Step(*b, {"Enter"}, "VAT domyslny           :  8");
  Step(*b, {"Esc"}, "Domyslny sposob zaplaty (PTGFC) P       Domyslny termin zaplaty np.14  21");
  Step(*b, {"Esc"}, "Zle uzgodn. [TNKR]  : K");
  Step(*b, {"Esc"}, kDowody);
  Step(*b, {"Home", "Down", "Enter"}, kDisplay);
  Step(*b, {"text:FV", "Enter", "text:1", "Enter"}, "  1│MLOTEK");
  EXPECT_NE(b->Screen().find("86.40"), std::string::npos) << b->Screen();
  Step(*b, {"Esc"}, kDisplay);
  Step(*b, {"Esc"}, kDowody);
  // A second station started meanwhile proposes the kept payment in a new document.
  auto c = Start("c");
  Step(*c, {"Home", "Enter"}, "Płatnosc: P  21");
  Step(*c, {"Esc"}, kDowody);
  Leave(*c);
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

// Esc in the company editor of the first start: the company stays without data (the
// tables, kinds and supervisor are there), the station works on, and the next start
// offers the editor again until the data is given.
TEST_F(NewCompany, EscInTheCompanyEditorIsOfferedAgainAtTheNextStart) {
  auto a = Launch("a");
  Step(*a, {}, kCompanyEditor);
  Step(*a, {"text:NIEDOKONCZONA", "Esc"}, kOperatorList);
  EXPECT_EQ(AllTrim(ReadField(data / "firma.dbf", "NODB")), "");
  LogIn(*a);
  Leave(*a);
  EXPECT_EQ(Counter("FV"), "0");
  ExpectVerifyFindsNothing(data.str());

  auto b = Launch("b");
  CompanyData(*b);
  LogIn(*b);
  Leave(*b);
  EXPECT_EQ(AllTrim(ReadField(data / "firma.dbf", "NODB")), kCompanyName);

  auto c = Start("c");
  EXPECT_FALSE(c->LogContains("DANE FIRMY"));
  Leave(*c);
  ExpectVerifyFindsNothing(data.str());
}

// "N" to the question of a receipt and of a printed invoice: nothing is posted, the
// counters stay (the printed number is given again), the stock is untouched.
TEST_F(NewCompany, NoToTheQuestionsPostsNothingAndGivesTheNumbersAgain) {
  auto a = Launch("a");
  CompanyData(*a);
  LogIn(*a);
  Settings(*a);
  ArticleCard(*a);
  Counterparties(*a);
  OpenEntry(*a);
  Receipt(*a);
  Step(*a, {"text:N"}, "Rd:FV");
  EXPECT_EQ(Counter("PZ"), "0");
  EXPECT_TRUE(Documents().empty());
  EXPECT_DOUBLE_EQ(Stock(), 0);
  Receipt(*a);
  Step(*a, {"text:T"}, "Rd:FV");
  EXPECT_EQ(Counter("PZ"), "1");

  InvoiceUpToTheQuestion(*a);
  StepSeen(*a, {"text:N"}, "Straciles FV-1");
  Step(*a, {}, "Rd:FV", "Kod:  KLIENT");
  EXPECT_EQ(Counter("FV"), "0");
  EXPECT_DOUBLE_EQ(Stock(), 10);
  InvoiceUpToTheQuestion(*a, "3");
  Step(*a, {"text:T"}, "Rd:FV", "Kod:  KLIENT");
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);
  EXPECT_EQ(Counter("FV"), "1");
  EXPECT_EQ(Documents(), (std::vector<std::string>{"PZ 1 DOSTAWCA", "FV 1 KLIENT"}));
  EXPECT_DOUBLE_EQ(Stock(), 7);
  ExpectVerifyFindsNothing(data.str());
}

// kill -9 at the question of the printed invoice, then in the middle of its posting: each
// time the next start finds no invoice, the stock as received, and gives FV 1 to the next.
TEST_F(NewCompany, KillNineAtTheInvoiceLeavesNoHalfWrittenInvoice) {
  auto a = RoadUpToTheReceipt();
  InvoiceUpToTheQuestion(*a);
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(Documents(), (std::vector<std::string>{"PZ 1 DOSTAWCA"}));

  StationOptions crash;
  crash.env["HURT_CRASH_IN_POSTING"] = "3";
  auto b = Start("b", crash);
  OpenEntry(*b);
  InvoiceUpToTheQuestion(*b);
  b->Send("text:T");
  EXPECT_EQ(b->WaitExit(), 128 + SIGKILL) << b->Screen();

  auto c = Start("c");  // takes back what the dead stations left
  EXPECT_EQ(Documents(), (std::vector<std::string>{"PZ 1 DOSTAWCA"}));
  EXPECT_DOUBLE_EQ(Stock(), 10);
  ExpectVerifyFindsNothing(data.str());
  OpenEntry(*c);
  InvoiceUpToTheQuestion(*c);
  Step(*c, {"text:T"}, "Rd:FV", "Kod:  KLIENT");
  Step(*c, {"Esc"}, kDowody);
  Leave(*c);
  EXPECT_EQ(Documents(), (std::vector<std::string>{"PZ 1 DOSTAWCA", "FV 1 KLIENT"}));
  EXPECT_DOUBLE_EQ(Stock(), 6);
  ExpectVerifyFindsNothing(data.str());
}

// The invoice's kind held by another process when "T" is answered: the operator is told,
// nothing is posted, and once the kind is free a second "T" posts FV 1.
TEST_F(NewCompany, AKindHeldElsewhereLeavesTheInvoiceInTheGridUntilItIsFree) {
  auto a = RoadUpToTheReceipt();
  InvoiceUpToTheQuestion(*a, "3", /*print=*/false);
  int recno = 0;
  const auto kinds = Table("slow");
  for (size_t i = 0; i < kinds.size(); ++i) {
    if (kinds[i].at("RD") == "FV") recno = static_cast<int>(i) + 1;
  }
  ASSERT_GT(recno, 0);
  auto holder = HoldRecord(data.str(), Period() + "/slow.dbf", recno);
  a->Send("text:T");
  ASSERT_TRUE(a->WaitForLog("zajęty na innym stanowisku")) << a->Screen();
  EXPECT_EQ(Documents(), (std::vector<std::string>{"PZ 1 DOSTAWCA"}));
  holder.reset();  // the other process lets go
  TryAgain(*a);
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);
  EXPECT_EQ(Documents(), (std::vector<std::string>{"PZ 1 DOSTAWCA", "FV 1 KLIENT"}));
  EXPECT_DOUBLE_EQ(Stock(), 7);
  ExpectVerifyFindsNothing(data.str());
}

// Two stations enter the company's first sale at once: FV 1 and FV 2, the stock lowered by
// both.
TEST_F(NewCompany, TwoStationsMakingTheFirstSaleAtOnceGetOneAndTwo) {
  auto a = RoadUpToTheReceipt();
  auto b = Start("b");
  OpenEntry(*b);
  InvoiceUpToTheQuestion(*a, "3", /*print=*/false);
  InvoiceUpToTheQuestion(*b, "2", /*print=*/false);
  a->Send("text:T");  // both post at once
  b->Send("text:T");
  PostedOrTriedAgain(*a);
  PostedOrTriedAgain(*b);
  Step(*a, {"Esc"}, kDowody);
  Step(*b, {"Esc"}, kDowody);
  Leave(*a);
  Leave(*b);
  std::vector<std::string> numbers;
  for (auto& h : Table("dowod")) {
    if (h["RD"] == "FV") numbers.push_back(h["NRD"]);
  }
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Counter("FV"), "2");
  EXPECT_DOUBLE_EQ(Stock(), 10 - 3 - 2);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
