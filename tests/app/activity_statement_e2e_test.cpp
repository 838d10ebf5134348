// The monthly activity statement walked through the real screens on a demo company: an
// invoice typed for SMAKOSZ, then Raporty › Rejestry VAT › Raport z działalności w
// miesiacu. Esc in the dialog prints nothing; the statement of the whole firm is shown in
// the viewer, balances ("KZ") and matches its golden file; its rows are kept in the
// station's rap_dz and in the month's. The monthly VAT report with the shops' takings
// runs from the same menu; a second station prints the statement at the same time.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <map>
#include <string>
#include <thread>

#include "base/date.h"
#include "maintenance/period_keys.h"

#include "support/golden.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kSubmenu = "Zestawienie       WZ";
constexpr std::string_view kRegisters = " Rejestr odwrotnego opodatkowania";
constexpr std::string_view kDialog = "Pominac rd:";

// Raporty › Rejestry VAT, item `item` (from the Raporty menu), up to the dialog.
void OpenStatement(HurtStation& s, int item) {
  s.Send("Home");
  Step(s, {"Down", "Enter"}, kRegisters);
  s.Send("Home");
  for (int i = 1; i < item; ++i) s.Send("Down");
  Step(s, {"Enter"}, kDialog);
}

std::string Row(const std::vector<std::map<std::string, std::string>>& rows, const std::string& poz,
                const std::string& field) {
  for (const auto& r : rows) {
    if (r.at("POZ") == poz) return r.at(field);
  }
  return "?";
}

TEST(ActivityStatementRoad, TheMonthsStatementBalancesAndIsKept) {
  TempDir data, work;
  const std::string period = MakeDemoCompany(data.str());
  ASSERT_FALSE(period.empty());
  auto a = StartInDowody(data.str(), work.str(), "a");
  a->Send("Home");
  Step(*a, {"Enter"}, kEntry);
  InvoiceForSmakosz(*a, "4");
  Step(*a, {"Esc"}, kSubmenu);
  Step(*a, {"Right"}, "Raporty kasowe");

  // Esc in the dialog: nothing printed, nothing kept.
  OpenStatement(*a, 16);
  Step(*a, {"Esc"}, "Raporty kasowe", kDialog);
  EXPECT_FALSE(fs::exists(data / "rob/wydruk01.prn"));
  EXPECT_FALSE(fs::exists(data / "rob/rap_dz01.dbf"));

  // The whole firm, nothing left out.
  OpenStatement(*a, 16);
  for (int field = 0; field < 6; ++field) a->Send("Enter");
  ASSERT_TRUE(a->WaitForScreen("Esc-Wyjscie")) << a->Screen();
  const std::string printed = Slurp(data / "rob/wydruk01.prn");
  EXPECT_NE(printed.find("Struktura sprzedazy"), std::string::npos) << printed;
  EXPECT_NE(printed.find("\r\nKZ\r\n"), std::string::npos) << printed;
  std::string golden = printed;
  const std::string title = " W MIESIACU ";  // after RAPORT Z DZIAŁALNOSCI, in the printer's code page
  const size_t at = golden.find(title);
  ASSERT_NE(at, std::string::npos) << printed;
  golden.replace(at + title.size(), golden.find("\r\n", at) - at - title.size(), "{MIESIAC}");
  ExpectGolden("raport_dzialalnosci_demo.prn", golden);
  // The rows kept: the station's and the month's, the check row at 0.
  for (const std::string& copy : {std::string("rob/rap_dz01.dbf"), period + "/rap_dz.dbf"}) {
    SCOPED_TRACE(copy);
    const auto rows = Records(data / copy);
    EXPECT_EQ(Row(rows, "7KZ", "WARTOSC0"), "0.00");
    EXPECT_EQ(Row(rows, "4RS", "RD"), "FV");
    EXPECT_NE(Row(rows, "1BO", "WARTOSC0"), "?");
    EXPECT_NE(Row(rows, "6SK", "WARTOSC0"), "?");
  }

  // A second station prints the statement while the first one still shows it.
  auto b = StartInDowody(data.str(), work.str(), "b");
  Step(*b, {"Right"}, "Raporty kasowe");
  OpenStatement(*b, 16);
  for (int field = 0; field < 6; ++field) b->Send("Enter");
  ASSERT_TRUE(b->WaitForScreen("Esc-Wyjscie")) << b->Screen();
  EXPECT_EQ(Slurp(data / "rob/wydruk02.prn"), printed);
  Step(*b, {"Esc"}, "Raporty kasowe");
  Leave(*b);

  // The monthly VAT report with the shops' takings.
  Step(*a, {"Esc"}, "Raporty kasowe");
  OpenStatement(*a, 14);
  a->Send("Enter");  // the warehouse
  a->Send("Enter");
  a->Send("Enter");
  a->Send("Enter");
  a->Send("Enter");
  a->Send("text:123");
  a->Send("Enter");
  a->Send("Enter");
  ASSERT_TRUE(a->WaitForScreen("Esc-Wyjscie")) << a->Screen();
  const std::string vat = Slurp(data / "rob/wydruk01.prn");
  EXPECT_NE(vat.find("R A P O R T     V A T"), std::string::npos) << vat;
  EXPECT_NE(vat.find("Utarg sklepow"), std::string::npos) << vat;
  EXPECT_NE(vat.find("123.00"), std::string::npos) << vat;
  Step(*a, {"Esc"}, "Raporty kasowe");
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

// A month's statement printed on its last day, the month closed, and the next month's
// statement: it opens with the value the closed month ended with.
TEST(ActivityStatementRoad, TheNextMonthOpensWithTheValueTheClosedMonthEndedWith) {
  TempDir data, work;
  const std::string period = MakeDemoCompany(data.str());
  ASSERT_FALSE(period.empty());
  const std::string next = *maintenance::NextPeriod(period);
  const std::string day = Dtos(maintenance::LastDayOf(period));
  StationOptions o;
  o.clock = day.substr(0, 4) + "-" + day.substr(4, 2) + "-" + day.substr(6, 2) + " 09:00:00";
  auto start = [&](const std::string& name, const std::string& argument) {
    StationOptions with = o;
    with.argument = argument;
    auto s = std::make_unique<HurtStation>(data.str(), work.str(), name, with);
    EXPECT_TRUE(s->WaitForScreen("Nazwisko imie")) << s->Screen();
    Step(*s, {"Enter"}, " MAGAZYN ", "Nazwisko imie");
    return s;
  };
  // From the Dowody menu.
  auto statement = [&](HurtStation& s) {
    Step(s, {"Right"}, "Raporty kasowe");
    OpenStatement(s, 16);
    for (int field = 0; field < 6; ++field) s.Send("Enter");
    ASSERT_TRUE(s.WaitForScreen("Esc-Wyjscie")) << s.Screen();
    Step(s, {"Esc"}, "Raporty kasowe");
  };
  {
    auto a = start("a", "");
    Step(*a, {"Enter"}, kSubmenu);
    a->Send("Home");
    Step(*a, {"Enter"}, kEntry);
    InvoiceForSmakosz(*a, "4");
    Step(*a, {"Esc"}, kSubmenu);
    statement(*a);
    Leave(*a);
  }
  {
    auto c = start("c", "205");
    Step(*c, {"Enter"}, "Zamkniecie okresu");
    Step(*c, {"Enter"}, "CZY ZAMKNAC");
    Step(*c, {"text:T"}, "Czy usunac kartoteki o stanach 0 ?");
    StepSeen(*c, {"text:T"}, "Otwarto miesiac");
    Step(*c, {}, "Zamkniecie okresu", "Otwarto miesiac");
    Leave(*c);
  }
  {
    auto b = start("b", "");
    Step(*b, {"Enter"}, kSubmenu);
    statement(*b);
    Leave(*b);
  }
  const std::string closing = Row(Records(data / (period + "/rap_dz.dbf")), "6SK", "WARTOSC0");
  const std::string opening = Row(Records(data / (next + "/rap_dz.dbf")), "1BO", "WARTOSC0");
  EXPECT_NE(closing, "?");
  EXPECT_EQ(opening, closing);
  ExpectVerifyFindsNothing(data.str());
}

// Raporty › Obroty z kontrahentami: Esc prints nothing, the customers' turnover of the
// month lists SMAKOSZ with its invoices and the totals of the headers, the suppliers' of a
// month without purchases says there is nothing.
TEST(TurnoverRoad, TheCustomersTurnoverOfTheMonth) {
  TempDir data, work;
  const std::string period = MakeDemoCompany(data.str());
  ASSERT_FALSE(period.empty());
  auto a = StartInDowody(data.str(), work.str(), "a");
  a->Send("Home");
  Step(*a, {"Enter"}, kEntry);
  InvoiceForSmakosz(*a, "4");
  InvoiceForSmakosz(*a, "1");
  Step(*a, {"Esc"}, kSubmenu);
  Step(*a, {"Right"}, "Raporty kasowe");
  constexpr std::string_view kTurnover = "Odbiorcy (O) / Dostawcy (D):";
  auto open = [&] {
    a->Send("Home");
    for (int i = 0; i < 3; ++i) a->Send("Down");
    Step(*a, {"Enter"}, kTurnover);
  };
  open();
  Step(*a, {"Esc"}, "Raporty kasowe", kTurnover);
  EXPECT_FALSE(fs::exists(data / "rob/wydruk01.prn"));

  open();
  Step(*a, {"Enter", "Enter", "Enter", "Enter"}, "Esc-Wyjscie", kTurnover);
  const std::string printed = Slurp(data / "rob/wydruk01.prn");
  EXPECT_NE(printed.find("OBROTY Z ODBIORCAMI W OKRESIE"), std::string::npos) << printed;
  double netto = 0, vat = 0;
  for (const auto& h : Records(data / (period + "/dowod.dbf"))) {
    netto += std::stod(h.at("NETTO"));
    vat += std::stod(h.at("VAT"));
  }
  const size_t line = printed.find("SMAKOSZ  | ");
  ASSERT_NE(line, std::string::npos) << printed;
  const std::string row = printed.substr(line, printed.find("\r\n", line) - line);
  EXPECT_NE(row.find("|       2 |"), std::string::npos) << row;
  char expected[32];
  std::snprintf(expected, sizeof expected, "%.2f", netto + vat);
  EXPECT_NE(row.find(expected), std::string::npos) << row << " " << expected;
  Step(*a, {"Esc"}, "Raporty kasowe");

  open();
  a->Send("Enter");
  a->Send("Enter");
  StepSeen(*a, {"text:D", "Enter", "Enter"}, "Brak dowodow w okresie");
  Step(*a, {}, "Raporty kasowe", kTurnover);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
