// TWORZ_PDF read back by independent tools (support/pdf_tools.h): qpdf checks the file,
// poppler's pdffonts, pdfinfo and pdftotext read its fonts, information and text (with
// the place of every word), pdftoppm renders it and zbarimg reads the QR code off it.
#include "session/output/document_pdf.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "base/clock.h"
#include "base/cp852.h"
#include "support/pdf_tools.h"
#include "support/temp_dir.h"
#include "xbase/forwarding_env.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;

// The real file system with a clock the test sets.
class ClockEnv final : public xbase::ForwardingEnv {
 public:
  ClockEnv(xbase::Env& base, Clock& clock) : ForwardingEnv(base), clock_(clock) {}
  Clock& clock() override { return clock_; }

 private:
  Clock& clock_;
};

// A word as pdftotext -bbox places it: points from the page's top left corner.
struct Word {
  int page = 0;
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
  std::string text;
  double Height() const { return y_max - y_min; }
};

class DocumentPdfTest : public testing::DataDirTest {
 protected:
  // The printout as rob/fv01.prn, made into pdf/fv_1.pdf.
  Result<int> Make(const std::string& printout, const PdfOptions& options = DocumentPdfOptions()) {
    dir.Write("rob/fv01.prn", printout);
    return TworzPdf(env, dir / "rob/fv01.prn", Pdf(), options);
  }
  std::string Pdf() const { return dir / "pdf/fv_1.pdf"; }
  std::string Text(int page = 0) { return testing::PdfText(Pdf(), page); }
  std::string QrOn(int page) { return testing::QrCodeOn(Pdf(), page, dir.str()); }

  std::vector<Word> Words() {
    const testing::ProcessResult r = testing::RunPdfTool({"pdftotext", "-bbox", "-enc", "UTF-8", Pdf(), "-"});
    EXPECT_TRUE(r.Succeeded()) << r.err;
    static const std::regex kWord(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::vector<Word> words;
    int page = 0;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
      if (line.find("<page ") != std::string::npos) ++page;
      std::smatch m;
      if (!std::regex_search(line, m, kWord)) continue;
      words.push_back({page, std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
    }
    return words;
  }
  static std::optional<Word> Find(const std::vector<Word>& words, const std::string& text) {
    for (const Word& w : words) {
      if (w.text == text) return w;
    }
    ADD_FAILURE() << "no word " << text;
    return std::nullopt;
  }

  FakeClock clock{2026, 3, 14, 10, 20, 30};
  ClockEnv env{xbase::RealEnv(), clock};
};

// The dot-matrix start of the forms: line spacing 32/216", condensed elite.
const std::string kDotMatrixStart = "\x1b" "3 \x1b!\x05";

TEST_F(DocumentPdfTest, AValidFileWithItsFontEmbeddedAsUnicodeAndThePolishLettersAsText) {
  std::string printout = kDotMatrixStart;
  printout += std::string("Zażółć gęślą jaźń"_pl) + "\r\n";  // code page 852 bytes
  printout += "Sl\b/ownie: dwadzies\b'cia zl\b/.\r\n";         // the forms' overstrike
  printout += "\x1b(s20H\x1b(s10V" "Odbiorca: " + std::string("Łódź"_pl) + "\r\n\x0c";
  auto pages = Make(printout);
  ASSERT_TRUE(pages.ok()) << pages.status().ToString();
  EXPECT_EQ(*pages, 1);
  EXPECT_EQ(dir.Read("pdf/fv_1.pdf").rfind("%PDF-1.4", 0), 0u);
  EXPECT_FALSE(dir.Exists("pdf/fv_1.pdf.tmp"));

  const testing::ProcessResult check = testing::RunPdfTool({"qpdf", "--check", Pdf()});
  EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
  EXPECT_NE(check.out.find("No syntax or stream encoding errors found"), std::string::npos) << check.out;

  // name type encoding emb sub uni object ID
  const testing::ProcessResult fonts = testing::RunPdfTool({"pdffonts", Pdf()});
  ASSERT_TRUE(fonts.Succeeded()) << fonts.err;
  static const std::regex kFontLine(R"re(DejaVuSansMono\S*\s.*\s(yes|no)\s+(yes|no)\s+(yes|no)\s+\d+\s+\d+)re");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(fonts.out, m, kFontLine)) << fonts.out;
  EXPECT_EQ(m[1], "yes") << "embedded\n" << fonts.out;
  EXPECT_EQ(m[3], "yes") << "unicode\n" << fonts.out;

  const std::string text = Text();
  EXPECT_NE(text.find("Zażółć gęślą jaźń"), std::string::npos) << text;
  EXPECT_NE(text.find("Słownie: dwadzieścia zł."), std::string::npos) << text;
  EXPECT_NE(text.find("Odbiorca: Łódź"), std::string::npos) << text;
  for (std::string_view cut : {"\x1b", "\b", "(s20H", "(s10V", "3 "}) {
    EXPECT_EQ(text.find(cut), std::string::npos) << "[" << cut << "] in\n" << text;
  }
}

TEST_F(DocumentPdfTest, TheInformationDictionaryThePageSizeAndAMissingSource) {
  ASSERT_TRUE(Make("wiersz\r\n").ok());
  const testing::ProcessResult info = testing::RunPdfTool({"pdfinfo", Pdf()});
  ASSERT_TRUE(info.Succeeded()) << info.err;
  for (const char* expected : {"Title:           Faktura w formacie PDF\n", "Author:          KESTRAL\n",
                               "Creator:         KESTRAL\n", "Producer:        VAT TO PDF\n",
                               "Page size:       595 x 842 pts (A4)\n", "Pages:           1\n"}) {
    EXPECT_NE(info.out.find(expected), std::string::npos) << expected << "\n" << info.out;
  }
  EXPECT_NE(dir.Read("pdf/fv_1.pdf").find("/CreationDate (D:20260314102030+01'00')"), std::string::npos);

  auto missing = TworzPdf(env, dir / "rob/brak.prn", dir / "pdf/brak.pdf");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().message(), "Brak " + (dir / "rob/brak.prn"));
  EXPECT_FALSE(dir.Exists("pdf/brak.pdf"));
  EXPECT_EQ(DocumentPdfName("FV ", "      12"), "pdf/fv_12.pdf");
  EXPECT_EQ(DocumentPdfName("F/V", "1 2"), "pdf/f_v_1_2.pdf");
  EXPECT_EQ(TworzePdfText("pdf/fv_12.pdf"), "Tworze pdf/fv_12.pdf");
}

TEST_F(DocumentPdfTest, SeventyLinesMakeTwoPagesOfSixtyLinesThirteenPointsApart) {
  // Line 3 is blank: it takes its place all the same.
  std::string printout;
  for (int i = 1; i <= 70; ++i) printout += (i == 3 ? std::string() : "w" + std::to_string(i)) + "\r\n";
  auto pages = Make(printout);
  ASSERT_TRUE(pages.ok()) << pages.status().ToString();
  EXPECT_EQ(*pages, 2);  // 820 - 13 * 60 = 40 is no longer above 40
  const std::vector<Word> words = Words();
  const auto w1 = Find(words, "w1"), w2 = Find(words, "w2"), w4 = Find(words, "w4");
  const auto w60 = Find(words, "w60"), w61 = Find(words, "w61"), w70 = Find(words, "w70");
  ASSERT_TRUE(w1 && w2 && w4 && w60 && w61 && w70);
  EXPECT_NEAR(w1->x_min, kDocLeft, 0.05);
  EXPECT_NEAR(w2->y_min - w1->y_min, 13, 0.05);
  EXPECT_NEAR(w4->y_min - w1->y_min, 3 * 13, 0.05);
  EXPECT_EQ(w60->page, 1);
  EXPECT_NEAR(w60->y_min - w1->y_min, 59 * 13, 0.05);
  EXPECT_EQ(w61->page, 2);
  EXPECT_NEAR(w61->y_min, w1->y_min, 0.05);  // the top line again
  EXPECT_EQ(w70->page, 2);
  EXPECT_NE(Text(2).find("w70"), std::string::npos);
  EXPECT_EQ(Text(2).find("w60"), std::string::npos);

  // A form feed starts a page too; the line after it stands at the top.
  ASSERT_TRUE(Make("w1\r\n\x0cw2\r\n").ok());
  const std::vector<Word> fed = Words();
  ASSERT_EQ(fed.size(), 2u);
  EXPECT_EQ(fed[1].page, 2);
  EXPECT_NEAR(fed[1].y_min, fed[0].y_min, 0.05);
}

TEST_F(DocumentPdfTest, ControlSequencesAreCutOutAndThePitchDecidesTheLetterSize) {
  // The page-printer sequences of the forms: normal text at 20 per inch, the enlarged
  // title at 6 per inch; then the printer reset back to 10 per inch.
  const std::string normal = "\x1b&l0O\x1b(10U\x1b(s0P\x1b(s20H\x1b(s10V\x1b(s0S\x1b(s0B\x1b(s4101T\x1b(s2Q";
  const std::string title = "\x1b&l0O\x1b(10U\x1b(s0P\x1b(s6H\x1b(s14V\x1b(s0S\x1b(s0B\x1b(s4101T\x1b(s2Q";
  auto pages = Make(normal + "drobny\r\n" + title + "FAKTURA\r\n" + normal + "znowu\r\n\x1b@zwykly\r\n");
  ASSERT_TRUE(pages.ok()) << pages.status().ToString();
  const std::vector<Word> words = Words();
  ASSERT_EQ(words.size(), 4u) << Text();
  const auto small = Find(words, "drobny"), big = Find(words, "FAKTURA"), again = Find(words, "znowu");
  const auto plain = Find(words, "zwykly");
  ASSERT_TRUE(small && big && again && plain);
  EXPECT_NEAR(big->Height() / small->Height(), kDocWideSize / kDocCondensedSize, 0.02);
  EXPECT_NEAR(plain->Height() / small->Height(), kDocNormalSize / kDocCondensedSize, 0.02);
  EXPECT_NEAR(again->Height(), small->Height(), 0.01);
  // Each character keeps its printer cell: 20 per inch is 3.6 points, 6 per inch 12.
  EXPECT_NEAR(small->x_max - small->x_min, 6 * 3.6, 0.3);
  EXPECT_NEAR(big->x_max - big->x_min, 7 * 12.0, 0.5);
  EXPECT_NEAR(big->x_min, kDocLeft, 0.05);
}

TEST_F(DocumentPdfTest, KodIStandsUnderTheLastLineAndReadsBackAsItsLink) {
  const std::string link =
      "https://qr.ksef.mf.gov.pl/invoice/7543012268/01-02-2026/pgPvSsIGh11Uj__gWPFNbH-FqOO2f1-yZDAPeThijOA";
  PdfOptions options = DocumentPdfOptions();
  options.qr = PdfQrMark{link, "OFFLINE"};
  std::string printout = kDotMatrixStart;
  for (int i = 1; i <= 20; ++i) printout += "pozycja " + std::to_string(i) + "\r\n";
  auto pages = Make(printout + "\x0c", options);
  ASSERT_TRUE(pages.ok()) << pages.status().ToString();
  EXPECT_EQ(*pages, 1);
  EXPECT_EQ(QrOn(1), link);
  const std::vector<Word> words = Words();
  const auto last = Find(words, "20"), label = Find(words, "OFFLINE");
  ASSERT_TRUE(last && label);
  EXPECT_GT(label->y_min, last->y_max + 60);  // the code stands between them

  // A full last page: the code goes on a page of its own, with the KSeF number under it.
  options.qr->label = "7543012268-20260201-0100001AF629-AF";
  printout.clear();
  for (int i = 1; i <= 58; ++i) printout += "pozycja " + std::to_string(i) + "\r\n";
  pages = Make(printout, options);
  ASSERT_TRUE(pages.ok()) << pages.status().ToString();
  EXPECT_EQ(*pages, 2);
  EXPECT_EQ(QrOn(2), link);
  EXPECT_NE(Text(2).find("7543012268-20260201-0100001AF629-AF"), std::string::npos) << Text(2);
}

}  // namespace
}  // namespace hurt::session
