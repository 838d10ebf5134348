#include "session/output/report_copy.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace hurt::session {
namespace {

using xbase::RealEnv;

class ReportCopyTest : public testing::DataDirTest {
 protected:
  void SetUp() override {
    dir.Write("rob/raport01.txt", report_);
    dir.Write("firma.dbf", firma_);
    dir.Write("26/12/zo.dbf", zo_);
  }
  CopyOutcome Copy(std::string_view typed, bool enter = true) {
    return KopiujDoTxt(RealEnv(), dir.str(), 1, dir / "rob/raport01.txt", typed, enter, [this](const std::string&) {
      ++questions_;
      return answer_;
    });
  }
  const std::string report_ = "ZESTAWIENIE\r\n\x1b!\x05" "a\b, \xa5\r\n\x0c";
  const std::string firma_ = std::string("\x03\x7c\x0c\x1f", 4) + "firma";
  const std::string zo_ = std::string("\x03\x7c\x0c\x1f", 4) + "odbiorcy";
  bool answer_ = false;
  int questions_ = 0;
};

TEST_F(ReportCopyTest, AltWCopiesTheReportToTheTypedFileInTheStationsCopyFolder) {
  const std::string kopia = dir / "rob/kopie01/kopia.txt";
  const CopyOutcome outcome = Copy("  Kopia.TXT ");
  EXPECT_TRUE(outcome.copied);
  EXPECT_EQ(outcome.target, kopia);
  EXPECT_EQ(outcome.progress, "Kopiuje " + (dir / "rob/raport01.txt") + " -> " + kopia);
  EXPECT_EQ(outcome.result, "Skopiowano do rob/kopie01/kopia.txt");
  EXPECT_EQ(dir.Read("rob/kopie01/kopia.txt"), report_);  // byte for byte, printer codes too
  EXPECT_FALSE(dir.Exists("rob/kopie01/kopia.txt.tmp"));
  EXPECT_FALSE(dir.Exists("kopia.txt"));
  EXPECT_EQ(questions_, 0);  // a new file needs no question

  // A folder typed is a folder inside the copy folder.
  dir.Write("rob/kopie01/maj/.keep", "");
  EXPECT_EQ(Copy("maj\\Zestaw.txt").target, dir / "rob/kopie01/maj/zestaw.txt");
  EXPECT_EQ(dir.Read("rob/kopie01/maj/zestaw.txt"), report_);
}

TEST_F(ReportCopyTest, ExistingFileIsReplacedOnlyWhenTheOperatorSaysSo) {
  dir.Write("rob/kopie01/stara.txt", std::string(10000, 'x'));
  const CopyOutcome kept = Copy("stara.txt");
  EXPECT_FALSE(kept.copied);
  EXPECT_EQ(questions_, 1);
  EXPECT_EQ(kept.result, "Nie kopiuje (plik istnieje)");
  EXPECT_EQ(kept.progress, "");
  EXPECT_EQ(dir.Read("rob/kopie01/stara.txt"), std::string(10000, 'x'));

  answer_ = true;
  EXPECT_TRUE(Copy("stara.txt").copied);
  EXPECT_EQ(questions_, 2);
  EXPECT_EQ(dir.Read("rob/kopie01/stara.txt"), report_);  // an older, longer file replaced whole
  EXPECT_FALSE(dir.Exists("rob/kopie01/stara.txt.tmp"));
}

TEST_F(ReportCopyTest, AltWRefusals) {
  const CopyOutcome no_enter = Copy("kopia.txt", false);
  EXPECT_FALSE(no_enter.copied);
  EXPECT_EQ(no_enter.result, "Nie kopiuje (brak Enter)");
  EXPECT_EQ(no_enter.progress, "");
  EXPECT_EQ(Copy("     ").result, "Nie kopiuje (nie podano pliku)");
  EXPECT_EQ(Copy("maj/").result, "Nie kopiuje (nie podano pliku)");
  EXPECT_FALSE(dir.Exists("rob/kopie01/kopia.txt"));
  EXPECT_EQ(CopyPromptRefusal("x", true), std::nullopt);
}

TEST_F(ReportCopyTest, PathsOutOfTheCopyFolderAreRefused) {
  answer_ = true;  // a question would replace: there must be none
  for (const std::string& typed : {std::string("../escaped.txt"), std::string("../../../firma.txt"),
                                   std::string("maj/../../x.txt"), std::string("..\\..\\x.txt"), dir / "escaped.txt",
                                   std::string("/tmp/escaped.txt"), std::string("C:\\escaped.txt")}) {
    const CopyOutcome outcome = Copy(typed);
    EXPECT_FALSE(outcome.copied) << typed;
    EXPECT_EQ(outcome.result, "Niedozwolona sciezka pliku") << typed;
    EXPECT_EQ(outcome.progress, "") << typed;
  }
  EXPECT_EQ(questions_, 0);
  EXPECT_FALSE(dir.Exists("escaped.txt"));
  EXPECT_FALSE(dir.Exists("rob/escaped.txt"));
  EXPECT_FALSE(dir.Exists("rob/kopie01"));
}

TEST_F(ReportCopyTest, DatabaseFilesAreRefusedAndStayByteIdentical) {
  answer_ = true;
  const struct {
    std::string typed;
    std::string named;
  } cases[] = {
      {"firma.dbf", "firma.dbf"},     {"FIRMA.DBF", "firma.dbf"},     {"26/12/zo.dbf", "26/12/zo.dbf"},
      {"prawa.ntx", "prawa.ntx"},     {"uwagi.dbt", "uwagi.dbt"},     {"parametr.mem", "parametr.mem"},
      {"vat.ini", "vat.ini"},         {"firma", "firma"},             {"zo_nip.txt", "zo_nip.txt"},
      {"d03.txt", "d03.txt"},         {"korek_25.txt", "korek_25.txt"}, {"as", "as"},
  };
  for (const auto& c : cases) {
    const CopyOutcome outcome = Copy(c.typed);
    EXPECT_FALSE(outcome.copied) << c.typed;
    EXPECT_EQ(outcome.result, "Plik bazy - nie kopiuje: " + c.named) << c.typed;
  }
  EXPECT_EQ(questions_, 0);
  EXPECT_EQ(dir.Read("firma.dbf"), firma_);
  EXPECT_EQ(dir.Read("26/12/zo.dbf"), zo_);
  EXPECT_FALSE(dir.Exists("rob/kopie01"));
  // Names that only look alike are copies like any other.
  EXPECT_TRUE(Copy("firmy.txt").copied);
  EXPECT_TRUE(Copy("d3.txt").copied);
}

TEST_F(ReportCopyTest, TableCopyTargets) {
  EXPECT_EQ(*CopyTarget(dir.str(), 7, "Kopia_AS", CopyKind::kTable), dir / "rob/kopie07/kopia_as.dbf");
  EXPECT_EQ(*CopyTarget(dir.str(), 7, "kopia.dbf", CopyKind::kTable), dir / "rob/kopie07/kopia.dbf");
  EXPECT_EQ(*CopyTarget("", 7, "kopia.dbf", CopyKind::kTable), "rob/kopie07/kopia.dbf");
  EXPECT_EQ(CopyTarget(dir.str(), 7, "kopia.dbf", CopyKind::kText).status().message(),
            "Plik bazy - nie kopiuje: kopia.dbf");
  EXPECT_EQ(CopyTarget(dir.str(), 7, "prawa", CopyKind::kTable).status().message(),
            "Plik bazy - nie kopiuje: prawa.dbf");
  EXPECT_EQ(CopyTarget(dir.str(), 7, "kopia.ntx", CopyKind::kTable).status().message(),
            "Plik bazy - nie kopiuje: kopia.ntx");
  EXPECT_EQ(CopyTarget(dir.str(), 7, "../prawa", CopyKind::kTable).status().message(), "Niedozwolona sciezka pliku");
}

TEST_F(ReportCopyTest, CopyOntoItselfLeavesTheReportIntact) {
  dir.Write("rob/kopie01/raport01.txt", report_);
  answer_ = true;
  const CopyOutcome outcome = KopiujDoTxt(RealEnv(), dir.str(), 1, dir / "rob/kopie01/raport01.txt", "raport01.txt",
                                          true, [](const std::string&) { return true; });
  EXPECT_TRUE(outcome.copied);
  EXPECT_EQ(dir.Read("rob/kopie01/raport01.txt"), report_);
}

TEST_F(ReportCopyTest, FailedCopySaysWhy) {
  const CopyOutcome missing = KopiujDoTxt(RealEnv(), dir.str(), 1, dir / "rob/brak.txt", "kopia.txt", true,
                                          [](const std::string&) { return true; });
  EXPECT_FALSE(missing.copied);
  EXPECT_EQ(missing.result, "Brak pliku " + (dir / "rob/brak.txt"));
  const CopyOutcome no_folder = Copy("nie_ma/kopia.txt");
  EXPECT_FALSE(no_folder.copied);
  EXPECT_NE(no_folder.result.find("nie_ma/kopia.txt"), std::string::npos);
  // The copy folder cannot be made: a file stands in its place.
  dir.Write("rob/kopie02", "");
  const CopyOutcome blocked = KopiujDoTxt(RealEnv(), dir.str(), 2, dir / "rob/raport01.txt", "kopia.txt", true,
                                          [](const std::string&) { return true; });
  EXPECT_FALSE(blocked.copied);
  EXPECT_EQ(blocked.result.rfind("Nie moge utworzyc katalogu " + (dir / "rob/kopie02"), 0), 0u) << blocked.result;
}

TEST_F(ReportCopyTest, AltPCopiesToTheStationsPdfFile) {
  auto target = KopiujDoPdf(RealEnv(), dir.str(), 3, dir / "rob/raport01.txt");
  ASSERT_TRUE(target.ok());
  EXPECT_EQ(*target, dir / "pdf03.txt");
  EXPECT_EQ(dir.Read("pdf03.txt"), report_);
}

}  // namespace
}  // namespace hurt::session
