#include "shell/startup_files.h"

#include <gtest/gtest.h>

#include "shell/startup_fixture.h"
#include "support/temp_dir.h"

namespace hurt::shell {
namespace {

class StartFiles : public testing::DataDirTest {
 protected:
  TestStation station{dir.str()};
  Session& s = station.session;
};

TEST_F(StartFiles, CzytTxtDropsBlanksAndLineEnds) {
  dir.Write("nota.txt", " a b\r\n\fc \n");
  EXPECT_EQ(CzytTxt(s, "nota.txt"), "abc");
  EXPECT_EQ(CzytTxt(s, "NOTA.TXT"), "abc");  // the name in either case
  EXPECT_EQ(CzytTxt(s, "brak.txt"), "");
  EXPECT_EQ(CzytTxt(s, ""), "");
  EXPECT_EQ(CzytTxt(s, "  "), "");
}

TEST_F(StartFiles, DataRrIsADateNotInTheFuture) {
  const JulianDay fallback = JulianFromYmd(2001, 1, 1);
  EXPECT_EQ(ReadDataRr(s), fallback);  // no file
  dir.Write("DATA.RR", " 30.11.2026 \r\nreszta");
  EXPECT_EQ(ReadDataRr(s), JulianFromYmd(2026, 11, 30));
  dir.Write("DATA.RR", "08.12.2026");  // today counts
  EXPECT_EQ(ReadDataRr(s), JulianFromYmd(2026, 12, 8));
  dir.Write("DATA.RR", "09.12.2026");  // tomorrow does not
  EXPECT_EQ(ReadDataRr(s), fallback);
  dir.Write("DATA.RR", "");
  EXPECT_EQ(ReadDataRr(s), fallback);
  dir.Write("DATA.RR", "31.02.2026");
  EXPECT_EQ(ReadDataRr(s), fallback);
  dir.Write("DATA.RR", "  .  .    ");
  EXPECT_EQ(ReadDataRr(s), fallback);
}

TEST_F(StartFiles, PominacIsAListInCommas) {
  EXPECT_EQ(ReadPominac(s), "");
  dir.Write("pominac.txt", "FV , WZ\r\n");
  EXPECT_EQ(ReadPominac(s), ",FV,WZ,");
  dir.Write("KP_.---", "");
  EXPECT_EQ(ReadPominac(s), ",FV,WZ,,KP_,KW_,");
}

TEST_F(StartFiles, CashKindsAreLeftOutEvenWithoutTheList) {
  dir.Write("kw_.---", "");
  EXPECT_EQ(ReadPominac(s), ",KP_,KW_,");
}

TEST_F(StartFiles, BankboldOnlyWhenShort) {
  EXPECT_EQ(ReadBankbold(s), "");
  dir.Write("BANKBOLD.TXT", "  PKO BP  \r\n");
  EXPECT_EQ(ReadBankbold(s), "PKO BP");
  dir.Write("BANKBOLD.TXT", std::string(20, 'X'));
  EXPECT_EQ(ReadBankbold(s), std::string(20, 'X'));
  dir.Write("BANKBOLD.TXT", std::string(21, 'X'));
  EXPECT_EQ(ReadBankbold(s), "");
}

}  // namespace
}  // namespace hurt::shell
