#include "shell/report/vat_ini.h"

#include <gtest/gtest.h>

#include <map>

#include "support/temp_dir.h"

namespace hurt::shell {
namespace {

StationEnvironment Station(const std::map<std::string, std::string>& vars, std::string host = "host-linux") {
  return StationEnvironment::From(
      [&vars](const char* name) {
        auto it = vars.find(name);
        return it == vars.end() ? std::string() : it->second;
      },
      std::move(host));
}

constexpr std::string_view kIni =
    "; drukarki stanowisk\r\n"
    "[KASA1]\r\n"
    "PRINTERNAME = epson_lx\r\n"
    "PRINTERTYPE=RAW\r\n"
    "PRINTERNAME=drugi_nie_liczy_sie\r\n"
    "\r\n"
    "[biuro]\r\n"
    "\tPrinterName=\"HP LaserJet\"\r\n"
    "PRINTERTYPE=win32\r\n"
    "[SERWER-TS]\r\n"
    "TERMINAL_MODE=Mixed\r\n"
    "PRINTERNAME=serwerowa\r\n"
    "[SESJA7]\r\n"
    "PRINTERNAME=/dev/usb/lp0\r\n"
    "# koniec\r\n";

TEST(VatIniTest, StationReadsTheSectionOfItsComputerName) {
  const VatIni ini = VatIni::Parse(kIni);
  EXPECT_EQ(ini.GetCfgValue("PRINTERNAME", Station({{"COMPUTERNAME", "KASA1"}})), "epson_lx");
  EXPECT_EQ(ini.GetCfgValue("printertype", Station({{"COMPUTERNAME", "kasa1"}})), "RAW");
  // Quotes go, blanks and tabs around go, names match without regard to case.
  EXPECT_EQ(ini.GetCfgValue("PRINTERNAME", Station({{"COMPUTERNAME", "BIURO"}})), "HP LaserJet");
  // Without COMPUTERNAME the host name names the section.
  EXPECT_EQ(ini.GetCfgValue("PRINTERTYPE", Station({}, "biuro")), "win32");
  EXPECT_EQ(ini.GetCfgValue("PRINTERNAME", Station({}, "inny")), "");
  // A section given by the caller wins.
  EXPECT_EQ(ini.GetCfgValue("PRINTERNAME", Station({{"COMPUTERNAME", "KASA1"}}), "sesja7"), "/dev/usb/lp0");
  EXPECT_FALSE(ini.Has("KASA1", "TERMINAL_MODE"));
}

TEST(VatIniTest, MixedModeReadsTheSectionOfTheTerminalSession) {
  const VatIni ini = VatIni::Parse(kIni);
  const StationEnvironment session =
      Station({{"COMPUTERNAME", "SERWER-TS"}, {"TERMINAL_ENVIRONMENT_VARIABLE", "SESJA7"}});
  EXPECT_EQ(ini.StationSection(session), "SESJA7");
  EXPECT_EQ(ini.GetCfgValue("PRINTERNAME", session), "/dev/usb/lp0");
  // An empty session variable falls back to the computer's own section.
  const StationEnvironment console = Station({{"COMPUTERNAME", "SERWER-TS"}, {"TERMINAL_ENVIRONMENT_VARIABLE", "  "}});
  EXPECT_EQ(ini.GetCfgValue("PRINTERNAME", console), "serwerowa");
  // Without MIXED in the computer's section the session variable is not looked at.
  const StationEnvironment plain = Station({{"COMPUTERNAME", "KASA1"}, {"TERMINAL_ENVIRONMENT_VARIABLE", "SESJA7"}});
  EXPECT_EQ(ini.GetCfgValue("PRINTERNAME", plain), "epson_lx");
}

TEST(VatIniTest, LoadFindsTheFileInEitherCaseAndAMissingFileIsEmpty) {
  testing::TempDir dir;
  auto none = VatIni::Load(xbase::RealEnv(), dir.str());
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(none->GetCfgValue("PRINTERNAME", Station({{"COMPUTERNAME", "KASA1"}})), "");

  dir.Write("VAT.INI", std::string(kIni));
  auto upper = VatIni::Load(xbase::RealEnv(), dir.str());
  ASSERT_TRUE(upper.ok());
  EXPECT_EQ(upper->GetCfgValue("PRINTERNAME", Station({{"COMPUTERNAME", "KASA1"}})), "epson_lx");
}

}  // namespace
}  // namespace hurt::shell
