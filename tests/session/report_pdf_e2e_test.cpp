// PDFs of reports read back by an independent reader (poppler's pdftotext and pdfinfo).
#include <gtest/gtest.h>

#include <unistd.h>

#include "base/cp852.h"
#include "session/output/report_pdf.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;

std::string FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    const std::string path = std::string(dir) + "/" + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

class ReportPdfReaderTest : public testing::DataDirTest {
 protected:
  void SetUp() override {
    pdftotext_ = FindProgram("pdftotext");
    pdfinfo_ = FindProgram("pdfinfo");
    if (pdftotext_.empty() || pdfinfo_.empty()) GTEST_SKIP() << "poppler-utils (pdftotext, pdfinfo) not installed";
  }

  std::string Text(const std::string& pdf, bool layout = false) {
    std::vector<std::string> argv = {pdftotext_, "-enc", "UTF-8"};
    if (layout) argv.push_back("-layout");
    argv.push_back(pdf);
    argv.push_back("-");
    testing::ProcessResult r = testing::RunProcess(argv);
    EXPECT_TRUE(r.Succeeded()) << r.err;
    return r.out;
  }

  int Pages(const std::string& pdf) {
    testing::ProcessResult r = testing::RunProcess({pdfinfo_, pdf});
    EXPECT_TRUE(r.Succeeded()) << r.err;
    const size_t at = r.out.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(r.out.substr(at + 6));
  }

  std::string pdftotext_;
  std::string pdfinfo_;
};

TEST_F(ReportPdfReaderTest, PolishLettersAreTextAndFormFeedsArePages) {
  std::string report = "\x1b" "3 \x1b!\x05";
  // Overstruck letters of the fixed texts, and code page 852 letters of the data.
  report += "Sl\b/ownie: dwadzies\b'cia zl\b/. Kwota do zapl\b/aty\r\n";
  report += std::string("Odbiorca: Zakład Usług Różnych \"Ćma\", Łódź\r\n"_pl);
  report += "\x0c";
  report += "\x1b!\x21--- FAKTURA ANULOWANA ---\x1b" "3 \x1b!\x05\r\n";
  report += "\x0c";
  report += "trzecia strona\r\n\x0c";
  dir.Write("rob/fv01.txt", report);

  auto pages = ReportToPdfFile(xbase::RealEnv(), dir / "rob/fv01.txt", dir / "rob/fv01.pdf", PdfOptions{});
  ASSERT_TRUE(pages.ok()) << pages.status().ToString();
  EXPECT_EQ(*pages, 3);
  EXPECT_EQ(Pages(dir / "rob/fv01.pdf"), 3);

  const std::string text = Text(dir / "rob/fv01.pdf");
  EXPECT_NE(text.find("Słownie: dwadzieścia zł. Kwota do zapłaty"), std::string::npos) << text;
  EXPECT_NE(text.find("Zakład Usług Różnych \"Ćma\", Łódź"), std::string::npos) << text;
  EXPECT_NE(text.find("FAKTURA ANULOWANA"), std::string::npos) << text;
  EXPECT_NE(text.find("trzecia strona"), std::string::npos) << text;
  EXPECT_EQ(text.find('\b'), std::string::npos);
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
}

TEST_F(ReportPdfReaderTest, WideCondensedReportKeepsItsColumnsOnTheA4Page) {
  // A 149-column table in condensed elite and a 230-column list in condensed pica.
  std::string report = "\x1b!\x05";
  const std::string rule(149, '-');
  report += rule + "\r\n";
  report += "|" + std::string(" Lp Nazwa") + std::string(140 - 9, ' ') + "| KONIEC|\r\n";
  report += std::string("\x1b!\x00\x0f", 4) + std::string(225, '=') + "OSTAT\x12\r\n";
  dir.Write("szeroki.txt", report);
  auto pages = ReportToPdfFile(xbase::RealEnv(), dir / "szeroki.txt", dir / "szeroki.pdf", PdfOptions{});
  ASSERT_TRUE(pages.ok()) << pages.status().ToString();

  const std::string text = Text(dir / "szeroki.pdf", true);
  // Both ends of the wide lines are on the page.
  EXPECT_NE(text.find("| KONIEC|"), std::string::npos) << text;
  EXPECT_NE(text.find("OSTAT"), std::string::npos) << text;
  testing::ProcessResult info = testing::RunProcess({pdfinfo_, dir / "szeroki.pdf"});
  EXPECT_NE(info.out.find("A4"), std::string::npos) << info.out;
}

TEST_F(ReportPdfReaderTest, Utf8ReportIsReadAsUtf8) {
  dir.Write("utf8.txt", "Zażółć gęślą jaźń\r\n");
  auto pages = ReportToPdfFile(xbase::RealEnv(), dir / "utf8.txt", dir / "utf8.pdf", PdfOptions{});
  ASSERT_TRUE(pages.ok());
  EXPECT_NE(Text(dir / "utf8.pdf").find("Zażółć gęślą jaźń"), std::string::npos);
}

}  // namespace
}  // namespace hurt::session
