// Supplier orders through the real screens: Magazyn › Automatyczne wystawianie zamowien on
// a demo company in the first days of its month, where the daily sales of an article of
// MLECZARN propose an order. The order is printed, saved as zamd/nr_mm001.dbf and mailed
// as a PDF to an SMTP server on loopback; a second station ordering from the same supplier
// at the same time gets the next number; an order saved again replaces its file whole;
// Esc, "N" and kill -9 at a question leave the saved orders as they were. The data
// checker finds nothing at the end.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>

#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "support/tiny_smtp_server.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagazyn = "Automatyczne wystawianie";
constexpr std::string_view kAsk = "AUTOMATYCZNE  WYSTAWIANIE  ZAMOWIEN";
constexpr std::string_view kGrid = "W Y S T A W I A N I E      Z A M O W I E N";
constexpr std::string_view kRemark = "CO NAPISAC POD ZAMOWIENIEM ?";

class OrdersRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period_ = MakeDemoCompany(data.str());
    ASSERT_FALSE(period_.empty());
    month_ = period_.substr(3, 2);
    clock_ = "20" + period_.substr(0, 2) + "-" + month_ + "-05 09:00:00";
    // Article 10014 of MLECZARN sold daily more than it has: the proposal orders it.
    xbase::WorkAreas areas(xbase::RealEnv());
    auto as = areas.Open(1, data / (period_ + "/as.dbf"), "as");
    ASSERT_TRUE(as.ok());
    for (Status st = (*as)->GoTop(); st.ok() && !(*as)->eof(); st = (*as)->Skip(1)) {
      if ((*as)->Get("INDEKS")->AsString().rfind("10014", 0) != 0) continue;
      stock_ = (*as)->Get("ILOSC")->AsNumber();
      ASSERT_TRUE((*as)->LockRecord().ok());
      ASSERT_TRUE((*as)->Replace("ILOSC_SD", xbase::Value(stock_ + 10)).ok());
      ASSERT_TRUE((*as)->Replace("DATA_SD", xbase::Value(xbase::Date{JulianFromYmd(2000 + std::stoi(period_.substr(0, 2)),
                                                                                   std::stoi(month_), 3)}))
                      .ok());
      ASSERT_TRUE((*as)->Commit().ok());
      ASSERT_TRUE((*as)->Unlock().ok());
    }
    // The supplier's mailbox.
    auto zd = areas.Open(2, data / (period_ + "/zd.dbf"), "zd");
    ASSERT_TRUE(zd.ok());
    for (Status st = (*zd)->GoTop(); st.ok() && !(*zd)->eof(); st = (*zd)->Skip(1)) {
      if ((*zd)->Get("ODB")->AsString() != "MLECZARN") continue;
      ASSERT_TRUE((*zd)->LockRecord().ok());
      ASSERT_TRUE((*zd)->Replace("E_MAIL", xbase::Value("zamowienia@mleczarnia.pl")).ok());
      ASSERT_TRUE((*zd)->Commit().ok());
      ASSERT_TRUE((*zd)->Unlock().ok());
    }
  }

  // Our mailbox in e_firma: the test server speaks no TLS, which the settings allow.
  void MailSettings(int port) {
    const std::string path = data / "e_firma.dbf";
    if (fs::exists(path)) fs::remove(path);
    ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), path,
                                     {{"E_MAIL", 'C', 30, 0},
                                      {"LOGIN", 'C', 30, 0},
                                      {"HASLO", 'C', 20, 0},
                                      {"SERVER", 'C', 30, 0},
                                      {"KOPIA_TN", 'C', 1, 0},
                                      {"X", 'C', 1, 0},
                                      {"PORT", 'C', 5, 0},
                                      {"BEZ_TLS", 'C', 1, 0},
                                      {"BEZ_CERT", 'C', 1, 0}})
                    .ok());
    xbase::WorkAreas areas(xbase::RealEnv());
    auto e = areas.Open(1, path, "e_firma");
    ASSERT_TRUE(e.ok());
    ASSERT_TRUE((*e)->Append().ok());
    ASSERT_TRUE((*e)->Replace("E_MAIL", xbase::Value("biuro@hurt.pl")).ok());
    ASSERT_TRUE((*e)->Replace("LOGIN", xbase::Value("biuro@hurt.pl")).ok());
    ASSERT_TRUE((*e)->Replace("HASLO", xbase::Value("Tajne!123")).ok());
    ASSERT_TRUE((*e)->Replace("SERVER", xbase::Value("127.0.0.1")).ok());
    ASSERT_TRUE((*e)->Replace("PORT", xbase::Value(std::to_string(port))).ok());
    ASSERT_TRUE((*e)->Replace("BEZ_TLS", xbase::Value("T")).ok());
    ASSERT_TRUE((*e)->Commit().ok());
    ASSERT_TRUE((*e)->Unlock().ok());
  }

  // The EDI settings table with the given keys.
  void EdiSettings(std::initializer_list<std::pair<std::string, std::string>> values) {
    const std::string path = data / "eo_cfg.dbf";
    ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), path, {{"NAME", 'C', 15, 0}, {"VALUE", 'C', 35, 0}}).ok());
    xbase::WorkAreas areas(xbase::RealEnv());
    auto e = areas.Open(1, path, "eo_cfg");
    ASSERT_TRUE(e.ok());
    for (const auto& [name, value] : values) {
      ASSERT_TRUE((*e)->Append().ok());
      ASSERT_TRUE((*e)->Replace("NAME", xbase::Value(name)).ok());
      ASSERT_TRUE((*e)->Replace("VALUE", xbase::Value(value)).ok());
      ASSERT_TRUE((*e)->Commit().ok());
    }
    ASSERT_TRUE((*e)->Unlock().ok());
  }

  std::unique_ptr<HurtStation> Station(const std::string& name) {
    StationOptions o;
    o.clock = clock_;
    auto s = std::make_unique<HurtStation>(data.str(), work.str(), name, o);
    EXPECT_TRUE(s->WaitForScreen(kOperatorList)) << s->Screen() << s->result().err;
    Step(*s, {"Enter"}, kMainMenu, kOperatorList);
    Step(*s, {"Enter"}, kDowody);
    Step(*s, {"Left", "Left"}, kMagazyn);
    return s;
  }

  // From the Magazyn menu to the order grid of MLECZARN's proposal.
  void Propose(HurtStation& s) {
    const bool rates = s.Screen().find("Tabela kursu walut") != std::string::npos;
    if (rates) {
      Step(s, {"Home", "Down", "Down", "Down", "Enter"}, kAsk);
    } else {
      Step(s, {"Home", "Down", "Down", "Enter"}, kAsk);
    }
    Step(s, {"text:MLECZARN", "Enter", "Enter", "Enter"}, kGrid);
    EXPECT_TRUE(s.WaitForScreen("10014")) << s.Screen();
  }

  // F5 with a remark, no zero rows, unsorted: the printout in the viewer.
  void PrintOrder(HurtStation& s, const std::string& number) {
    Step(s, {"F5"}, kRemark);
    Step(s, {"text:pilne", "Enter"}, "Drukowac stany zerowe ?");
    StepSeen(s, {"text:N"}, "Posortowac wg nazwy ?");
    Step(s, {"text:N"}, "Z A M O W I E N I E     " + number);
  }

  std::vector<std::string> OrderRows(const std::string& file) {
    std::vector<std::string> out;
    for (auto& r : Records(data / file)) out.push_back(r["INDEKS"] + "=" + r["ZAMAWIAM"] + " " + r["DOST"] + " " + r["UWAGI"]);
    return out;
  }

  TempDir data;
  TempDir work;
  std::string period_, month_, clock_;
  double stock_ = 0;
};

TEST_F(OrdersRoad, AProposalIsSavedMailedAndNumberedApartFromASecondStation) {
  TinySmtpServer server({"biuro@hurt.pl", "Tajne!123", {}});
  MailSettings(server.port());
  const std::string first = "NR_" + month_ + "001", second = "NR_" + month_ + "002";
  const std::string file1 = "zamd/nr_" + month_ + "001.dbf", file2 = "zamd/nr_" + month_ + "002.dbf";

  auto a = Station("a");
  Propose(*a);
  // The proposal: 10 more sold daily than in stock -> INT(1.2 x 10 + 0.5) = 12.
  EXPECT_NE(a->Screen().find("12"), std::string::npos) << a->Screen();
  EXPECT_TRUE(fs::exists(data / "rob/zamow01.dbf"));
  // "N" to leaving keeps the grid.
  StepSeen(*a, {"Esc"}, "CZY CHCESZ WYJSC ?");
  Step(*a, {"text:N"}, kGrid, "CZY CHCESZ WYJSC");

  // A second station orders from the same supplier meanwhile, on its own list.
  auto b = Station("b");
  Propose(*b);
  EXPECT_TRUE(fs::exists(data / "rob/zamow02.dbf"));

  PrintOrder(*a, first);
  PrintOrder(*b, second);
  EXPECT_EQ(OrderRows(file1), (std::vector<std::string>{"10014=12.000 MLECZARN pilne"}));
  EXPECT_EQ(OrderRows(file2), OrderRows(file1));

  // a mails its order.
  StepSeen(*a, {"Esc"}, "Wyslac zamowienie e-mailem ?");
  Step(*a, {"text:T"}, "TEMAT: zamowienie " + first);
  EXPECT_NE(a->Screen().find("zamowienia@mleczarnia.pl"), std::string::npos) << a->Screen();
  EXPECT_EQ(a->Screen().find("Tajne!123"), std::string::npos) << a->Screen();  // never shown
  StepSeen(*a, {"Enter", "Enter", "Enter", "Enter", "Enter", "Enter", "Enter", "Enter"},
           "wyslane na zamowienia@mleczarnia.pl");
  Step(*a, {"Enter"}, kGrid, "wyslane na");
  server.Stop();
  const auto sessions = server.sessions();
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(sessions[0].rcpt, (std::vector<std::string>{"<zamowienia@mleczarnia.pl>"}));
  EXPECT_NE(sessions[0].data.find("zamowienie " + first), std::string::npos);
  const std::string pdf = PartContent(sessions[0].data, "application/pdf");
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);

  // b says no to the mail; then, with a row added, saves its order again: the same number,
  // the file replaced whole.
  StepSeen(*b, {"Esc"}, "Wyslac zamowienie e-mailem ?");
  Step(*b, {"text:N"}, kGrid, "Wyslac zamowienie");
  Step(*b, {"Ins", "text:10015", "Enter"}, "  8│1│10015");
  Step(*b, {"Right", "Right", "Right", "Enter", "text:5", "Enter"}, "│      5│");
  Step(*b, {"F5"}, kRemark);
  Step(*b, {"text:drugie", "Enter"}, "Drukowac stany zerowe ?");
  StepSeen(*b, {"text:N"}, "Posortowac wg nazwy ?");
  Step(*b, {"text:N"}, "Z A M O W I E N I E     " + second);
  EXPECT_EQ(OrderRows(file2),
            (std::vector<std::string>{"10014=12.000 MLECZARN drugie", "10015=5.000 MLECZARN drugie"}));
  StepSeen(*b, {"Esc"}, "Wyslac zamowienie e-mailem ?");
  Step(*b, {"text:N"}, kGrid, "Wyslac zamowienie");

  // kill -9 at a question of the next save: the saved order stays whole.
  Step(*b, {"F5"}, kRemark);
  Step(*b, {"text:trzecie", "Enter"}, "Drukowac stany zerowe ?");
  b->Kill(SIGKILL);
  EXPECT_EQ(b->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(OrderRows(file2).size(), 2u);
  EXPECT_EQ(OrderRows(file2)[0], "10014=12.000 MLECZARN drugie");

  // Alt+F4: the list as an EDIFACT ORDERS message, once the EDI settings are there; the
  // parties and texts are shown for editing first.
  StepSeen(*a, {"Alt+F4"}, "Brak pliku eo_cfg.dbf");
  Step(*a, {"Enter"}, kGrid, "Brak pliku");
  EXPECT_FALSE(fs::exists(data / "eo_cfg.dbf"));
  EdiSettings({{"NAD_SU", "5900000000017"}, {"NAD_BY", "5900000000024"}});
  Step(*a, {"Alt+F4"}, "Zamowienie elektroniczne");
  EXPECT_NE(a->Screen().find("5900000000017"), std::string::npos) << a->Screen();
  Step(*a, {"Enter", "Enter", "Enter", "Enter", "Enter", "Enter"}, "Tekst 1");
  Step(*a, {"text:pilne", "Enter", "Enter", "Enter", "Enter"}, "Tekst 5");
  StepSeen(*a, {"Enter"}, "Zapisano zamd/orders1.edi");
  Step(*a, {"Enter"}, kGrid, "Zapisano");
  const std::string edi = Slurp(data / "zamd/orders1.edi");
  EXPECT_NE(edi.find("NAD+SU+5900000000017::9'"), std::string::npos) << edi;
  EXPECT_NE(edi.find("FTX+DIN+++pilne'"), std::string::npos) << edi;
  EXPECT_NE(edi.find("BGM+220:::1+" + first + "+9'"), std::string::npos) << edi;
  EXPECT_NE(edi.find("QTY+21:12:szt'"), std::string::npos) << edi;
  EXPECT_NE(edi.find("CNT+2:1'"), std::string::npos) << edi;

  StepSeen(*a, {"Esc"}, "CZY CHCESZ WYJSC ?");
  Step(*a, {"text:T"}, kMagazyn);
  EXPECT_FALSE(fs::exists(data / "rob/zamow01.dbf"));
  Step(*a, {"Right", "Right"}, kDowody);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

// With an index base of 4 a row stands for the supplier's articles that begin so: the
// saved order names the supplier of the group, not of an article of another supplier that
// sorts first (10010 of NAPOJE before MLECZARN's 10014 in group 1001).
TEST_F(OrdersRoad, AGroupedRowKeepsItsOwnSupplier) {
  auto a = Station("a");
  const bool rates = a->Screen().find("Tabela kursu walut") != std::string::npos;
  Step(*a, rates ? std::initializer_list<std::string_view>{"Home", "Down", "Down", "Down", "Enter"}
                 : std::initializer_list<std::string_view>{"Home", "Down", "Down", "Enter"},
       kAsk);
  Step(*a, {"text:MLECZARN", "Enter", "Enter", "text:4", "Enter"}, kGrid);
  EXPECT_TRUE(a->WaitForScreen("1001")) << a->Screen();
  Step(*a, {"F5"}, kRemark);
  Step(*a, {"text:grupy", "Enter"}, "Drukowac stany zerowe ?");
  Step(*a, {"text:T"}, "Z A M O W I E N I E     NR_" + month_ + "001");
  const auto rows = Records(data / ("zamd/nr_" + month_ + "001.dbf"));
  ASSERT_FALSE(rows.empty());
  for (const auto& r : rows) EXPECT_EQ(r.at("DOST"), "MLECZARN") << r.at("INDEKS");
  StepSeen(*a, {"Esc"}, "Wyslac zamowienie e-mailem ?");
  Step(*a, {"text:N"}, kGrid, "Wyslac zamowienie");
  // The figures above the grid are those of the group's first article of the supplier.
  EXPECT_NE(a->Screen().find("MLEKO UHT"), std::string::npos) << a->Screen();
  StepSeen(*a, {"Esc"}, "CZY CHCESZ WYJSC ?");
  Step(*a, {"text:T"}, kMagazyn);
  Step(*a, {"Right", "Right"}, kDowody);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
