// The daily report walked through the real screens on a demo company: an invoice typed for
// SMAKOSZ, its header then written a second time behind the program's back (as a crash
// between two appends leaves it), and Raporty › Raporty kasowe › Raport dzienny. Esc at
// the request prints nothing; a day without documents says so and prints nothing; the
// report for today is shown in the viewer, the invoice once, the duplicate header deleted
// and noted in kanty.txt. A second station prints the report at the same time into its
// own file. The printout is compared with its golden file, and the data checker, which
// found the repeated number before, finds nothing at the end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/child_process.h"
#include "support/golden.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kSubmenu = "Zestawienie       WZ";
constexpr std::string_view kCashMenu = " Kasa w poszczegolnych dniach ";
constexpr std::string_view kRequest = "Data biezaca (dd.mm.rr) :";

std::map<std::string, std::string> PrintFiles(const fs::path& data_dir) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(data_dir / "rob", ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("wydruk", 0) == 0) out[name] = Slurp(e.path().string());
  }
  return out;
}

// The header of the period's first document appended once more through hurt-dbf, which
// keeps the indexes up to date.
void DuplicateFirstHeader(const std::string& data_dir, const std::string& period, const std::string& work_dir) {
  const std::string dowod = data_dir + "/" + period + "/dowod";
  const ProcessResult dump = RunProcess({BuiltProgram("hurt-dbf"), "dump", dowod, "--csv"});
  ASSERT_TRUE(dump.Succeeded()) << dump.err;
  const size_t first_end = dump.out.find('\n');
  ASSERT_NE(first_end, std::string::npos);
  const size_t second_end = dump.out.find('\n', first_end + 1);
  const std::string csv = dump.out.substr(0, second_end == std::string::npos ? std::string::npos : second_end + 1);
  const std::string file = work_dir + "/dup.csv";
  std::ofstream(file, std::ios::binary) << csv;
  const ProcessResult import = RunProcess({BuiltProgram("hurt-dbf"), "import", dowod, file});
  ASSERT_TRUE(import.Succeeded()) << import.out << import.err;
}

// The printout with today's date put as {DZIS}.
std::string WithPlaceholders(std::string text, const std::string& today) {
  const std::string date = today.substr(8, 2) + "." + today.substr(5, 2) + "." + today.substr(0, 4);
  for (size_t at = text.find(date); at != std::string::npos; at = text.find(date, at)) text.replace(at, date.size(), "{DZIS}");
  return text;
}

TEST(DailyReportRoad, TodaysReportInTheViewerWithTheDuplicateHeaderRepaired) {
  TempDir data, work;
  const std::string period = MakeDemoCompany(data.str());
  ASSERT_FALSE(period.empty());
  auto a = StartInDowody(data.str(), work.str(), "a");
  a->Send("Home");
  Step(*a, {"Enter"}, kEntry);
  InvoiceForSmakosz(*a, "4");
  Step(*a, {"Esc"}, kSubmenu);
  DuplicateFirstHeader(data.str(), period, work.str());
  const ProcessResult found = RunProcess({BuiltProgram("hurt-dbf"), "verify", data.str()});
  EXPECT_NE(found.exit_code, 0) << "the checker sees the repeated number: " << found.out;

  // Raporty › Raporty kasowe › Raport dzienny; Esc at the request prints nothing.
  Step(*a, {"Right"}, "Raporty kasowe");
  Step(*a, {"Enter"}, kCashMenu);
  Step(*a, {"Enter"}, kRequest);
  EXPECT_TRUE(a->WaitForScreen("Esc - wyjscie")) << a->Screen();
  EXPECT_TRUE(a->WaitForScreen("Nr operatorow           :")) << a->Screen();
  const auto before = PrintFiles(data.path());
  Step(*a, {"Esc"}, "Raporty kasowe", kRequest);
  EXPECT_EQ(PrintFiles(data.path()), before);

  // Another day of the month: no documents, nothing printed.
  const std::string today = TodayAt9();
  const std::string other_day = today.substr(8, 2) == "01" ? "02" : "01";
  Step(*a, {"Enter"}, kCashMenu);
  Step(*a, {"Enter"}, kRequest);
  StepSeen(*a, {"text:" + other_day, "Enter", "Enter"}, "BRAK OPERACJI W DNIU " + other_day + ".");
  EXPECT_EQ(PrintFiles(data.path()), before);

  // Today: the report in the viewer.
  ASSERT_TRUE(a->WaitForScreen("Raporty kasowe", kRequest)) << a->Screen();
  Step(*a, {"Enter"}, kCashMenu);
  Step(*a, {"Enter"}, kRequest);
  Step(*a, {"Enter", "Enter"}, "DZIENNY RAPORT SPRZEDAZY", kRequest);
  EXPECT_TRUE(a->WaitForScreen("Esc-Wyjscie")) << a->Screen();
  const std::string printed = Slurp(data / "rob/wydruk01.prn");
  EXPECT_NE(printed.find("FV-1 "), std::string::npos) << printed;
  EXPECT_EQ(printed.find("FV-1 ", printed.find("FV-1 ") + 1), std::string::npos) << "the invoice printed once";
  EXPECT_NE(printed.find("Delikatesy Smakosz"), std::string::npos) << printed;
  EXPECT_NE(printed.find("FV  Razem"), std::string::npos) << printed;
  ExpectGolden("raport_dzienny_demo.prn", WithPlaceholders(printed, today));
  const std::string kanty = Slurp(data / "kanty.txt");
  EXPECT_NE(kanty.find("FV-1 powtorzony naglowek usuniety w raporcie dziennym"), std::string::npos) << kanty;

  // A second station prints the same report while the first one still shows it.
  auto b = StartInDowody(data.str(), work.str(), "b");
  Step(*b, {"Right"}, "Raporty kasowe");
  Step(*b, {"Enter"}, kCashMenu);
  Step(*b, {"Enter"}, kRequest);
  Step(*b, {"Enter", "Enter"}, "DZIENNY RAPORT SPRZEDAZY", kRequest);
  const std::string second = Slurp(data / "rob/wydruk02.prn");
  EXPECT_EQ(second, printed);
  EXPECT_EQ(Slurp(data / "rob/wydruk01.prn"), printed);

  Step(*b, {"Esc"}, "Raporty kasowe");
  Step(*a, {"Esc"}, "Raporty kasowe");
  Leave(*b);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
