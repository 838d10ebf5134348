#include "session/output/report_copy.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace hurt::session {
namespace {

using xbase::RealEnv;

class ReportCopyTest : public testing::DataDirTest {
 protected:
  void SetUp() override { dir.Write("rob/raport01.txt", report_); }
  const std::string report_ = "ZESTAWIENIE\r\n\x1b!\x05" "a\b, \xa5\r\n\x0c";
};

TEST_F(ReportCopyTest, AltWCopiesTheReportToTheTypedFile) {
  const CopyOutcome outcome = KopiujDoTxt(RealEnv(), dir.str(), dir / "rob/raport01.txt", "  Kopia.TXT ", true);
  EXPECT_TRUE(outcome.copied);
  EXPECT_EQ(outcome.target, dir / "kopia.txt");
  EXPECT_EQ(outcome.progress, "Kopiuje " + (dir / "rob/raport01.txt") + " -> " + (dir / "kopia.txt"));
  EXPECT_EQ(outcome.result, "Skopiowano do " + (dir / "kopia.txt"));
  EXPECT_EQ(dir.Read("kopia.txt"), report_);  // byte for byte, printer codes too
  EXPECT_FALSE(dir.Exists("kopia.txt.tmp"));

  // An older, longer file of that name is replaced whole.
  dir.Write("stara.txt", std::string(10000, 'x'));
  EXPECT_TRUE(KopiujDoTxt(RealEnv(), dir.str(), dir / "rob/raport01.txt", "stara.txt", true).copied);
  EXPECT_EQ(dir.Read("stara.txt"), report_);
}

TEST_F(ReportCopyTest, AltWRefusals) {
  const CopyOutcome no_enter = KopiujDoTxt(RealEnv(), dir.str(), dir / "rob/raport01.txt", "kopia.txt", false);
  EXPECT_FALSE(no_enter.copied);
  EXPECT_EQ(no_enter.result, "Nie kopiuje (brak Enter)");
  EXPECT_EQ(no_enter.progress, "");
  const CopyOutcome no_name = KopiujDoTxt(RealEnv(), dir.str(), dir / "rob/raport01.txt", "     ", true);
  EXPECT_EQ(no_name.result, "Nie kopiuje (nie podano pliku)");
  EXPECT_FALSE(dir.Exists("kopia.txt"));
  EXPECT_EQ(CopyPromptRefusal("x", true), std::nullopt);
}

TEST_F(ReportCopyTest, CopyOntoItselfLeavesTheReportIntact) {
  const CopyOutcome outcome = KopiujDoTxt(RealEnv(), dir.str(), dir / "rob/raport01.txt", "rob/raport01.txt", true);
  EXPECT_TRUE(outcome.copied);
  EXPECT_EQ(dir.Read("rob/raport01.txt"), report_);
}

TEST_F(ReportCopyTest, FailedCopySaysWhy) {
  const CopyOutcome missing = KopiujDoTxt(RealEnv(), dir.str(), dir / "rob/brak.txt", "kopia.txt", true);
  EXPECT_FALSE(missing.copied);
  EXPECT_EQ(missing.result, "Brak pliku " + (dir / "rob/brak.txt"));
  const CopyOutcome no_folder = KopiujDoTxt(RealEnv(), dir.str(), dir / "rob/raport01.txt", "nie_ma/kopia.txt", true);
  EXPECT_FALSE(no_folder.copied);
  EXPECT_NE(no_folder.result.find("nie_ma/kopia.txt"), std::string::npos);
}

TEST_F(ReportCopyTest, AltPCopiesToTheStationsPdfFile) {
  auto target = KopiujDoPdf(RealEnv(), dir.str(), 3, dir / "rob/raport01.txt");
  ASSERT_TRUE(target.ok());
  EXPECT_EQ(*target, dir / "pdf03.txt");
  EXPECT_EQ(dir.Read("pdf03.txt"), report_);
}

}  // namespace
}  // namespace hurt::session
