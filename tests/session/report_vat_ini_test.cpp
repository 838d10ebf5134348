#include "session/output/vat_ini.h"

#include <gtest/gtest.h>

#include <map>

#include "session/output/printer.h"
#include "support/temp_dir.h"

namespace hurt::session {
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

TEST(VatIniTest, PrinterChoiceFromTheStationSection) {
  const VatIni ini = VatIni::Parse(kIni);
  const PrinterTarget kasa = ResolvePrinter(ReadPrinterConfig(ini, Station({{"COMPUTERNAME", "KASA1"}})));
  EXPECT_EQ(kasa.kind, PrinterTarget::Kind::kQueue);
  EXPECT_EQ(kasa.queue, "epson_lx");
  EXPECT_FALSE(kasa.render_pdf);

  const PrinterTarget biuro = ResolvePrinter(ReadPrinterConfig(ini, Station({{"COMPUTERNAME", "BIURO"}})));
  EXPECT_EQ(biuro.queue, "HP LaserJet");
  EXPECT_TRUE(biuro.render_pdf);

  const PrinterTarget sesja = ResolvePrinter(ReadPrinterConfig(ini, Station({{"COMPUTERNAME", "SESJA7"}})));
  EXPECT_EQ(sesja.kind, PrinterTarget::Kind::kDevice);
  EXPECT_EQ(sesja.device, "/dev/usb/lp0");

  const PrinterTarget nowhere = ResolvePrinter(ReadPrinterConfig(ini, Station({{"COMPUTERNAME", "NIKT"}})));
  EXPECT_EQ(nowhere.kind, PrinterTarget::Kind::kQueue);
  EXPECT_EQ(nowhere.queue, "");  // the default queue
}

TEST(VatIniTest, PrinterNamesAndTypes) {
  EXPECT_EQ(ResolvePrinter({"DEFAULT_PRINTER", "CUPS"}).queue, "");
  EXPECT_TRUE(ResolvePrinter({"DEFAULT_PRINTER", "cups"}).render_pdf);
  EXPECT_TRUE(ResolvePrinter({"", " Win32 "}).render_pdf);
  EXPECT_FALSE(ResolvePrinter({"kyocera", "RAW"}).render_pdf);
  EXPECT_FALSE(ResolvePrinter({"kyocera", ""}).render_pdf);
  const PrinterTarget lpt2 = ResolvePrinter({"lpt2", "WIN32"});
  EXPECT_EQ(lpt2.kind, PrinterTarget::Kind::kDevice);
  EXPECT_EQ(lpt2.device, "/dev/lp1");
  EXPECT_FALSE(lpt2.render_pdf);  // a device always gets the bytes as they are
  EXPECT_EQ(ResolvePrinter({"LPT10", ""}).queue, "LPT10");
}

}  // namespace
}  // namespace hurt::session
