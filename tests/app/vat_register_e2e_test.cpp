// The daily sales register walked through the real screens: two invoices typed on a demo
// company, then Raporty › Rejestry VAT › Dzienny rejestr sprzedaży. Esc in its dialog
// prints nothing; Enter through the dialog prints the day's register, with both invoices,
// and the month's missing numbers after it, into the station's print file and its preview.
// The data checker finds nothing at the end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kSubmenu = "Zestawienie       WZ";
constexpr std::string_view kVatMenu = "Rejestr odwrotnego opodatkowania";
constexpr std::string_view kDialog = "REJESTR SPRZEDAZY W DNIU :";

// The station's print files in the data directory's rob folder, with their text.
std::string PrintFiles(const std::string& data_dir) {
  std::string out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(data_dir + "/rob", ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("wydruk", 0) == 0) out += name + ":\n" + Slurp(e.path().string());
  }
  return out;
}

class VatRegisterRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    const ProcessResult demo = RunProcess({BuiltProgram("hurt-demo"), data.str()});
    ASSERT_TRUE(demo.Succeeded()) << demo.out << demo.err;
  }

  // Two invoices of SMAKOSZ, typed as the operator types them.
  static void TwoInvoices(HurtStation& s) {
    s.Send("Home");
    Step(s, {"Enter"}, kEntry);
    for (const char* qty : {"4", "7"}) InvoiceForSmakosz(s, qty);
    Step(s, {"Esc"}, kSubmenu);
  }

  TempDir data;
  TempDir work;
};

TEST_F(VatRegisterRoad, TheDailySalesRegisterListsTheDaysInvoicesAndTheMissingNumbers) {
  auto a = StartInDowody(data.str(), work.str(), "a");
  TwoInvoices(*a);
  const std::string before = PrintFiles(data.str());

  // Raporty › Rejestry VAT › Dzienny rejestr sprzedaży; Esc in the dialog prints nothing.
  Step(*a, {"Right"}, "Raporty kasowe");
  Step(*a, {"Down", "Enter"}, kVatMenu);
  Step(*a, {"Enter"}, kDialog);
  Step(*a, {"Esc"}, "Rejestry VAT", kDialog);
  EXPECT_EQ(PrintFiles(data.str()), before);

  // Enter through the dialog (index, word, warehouses, the day): the register in the preview.
  Step(*a, {"Enter"}, kVatMenu);
  Step(*a, {"Enter"}, kDialog);
  Step(*a, {"Enter", "Enter", "Enter", "Enter"}, "REJESTR SPRZEDAZY W DNIU ", kDialog);
  const std::string printed = PrintFiles(data.str());
  EXPECT_NE(printed.find("FV -       1"), std::string::npos) << printed;
  EXPECT_NE(printed.find("FV -       2"), std::string::npos) << printed;
  EXPECT_NE(printed.find("SMAKOSZ"), std::string::npos) << printed;
  EXPECT_NE(printed.find("RAZEM W DNIU"), std::string::npos) << printed;
  EXPECT_NE(printed.find("23 / 7 %"), std::string::npos) << printed;  // the rate pairs of the period
  const size_t missing = printed.find(" - brakujace numery dow. sprzedazy i dow. zakupu:");
  ASSERT_NE(missing, std::string::npos) << printed;
  EXPECT_GT(missing, printed.find("FV -       2"));
  EXPECT_NE(printed.find("Koniec", missing), std::string::npos) << printed;

  Step(*a, {"Esc"}, "Rejestry VAT");
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
