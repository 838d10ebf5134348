#include "session/output/report_pdf.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "base/cp852.h"
#include "session/output/printer_text.h"
#include "support/temp_dir.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;
using namespace std::string_literals;

constexpr float kPica = 7.2f;        // 10 characters per inch
constexpr float kElite = 6.0f;       // 12
constexpr float kCondensed = 72.0f / 17.14f;
constexpr float kCondensedElite = 3.6f;  // 20

// Collects what the interpreter prints: lines as text (glyphs placed in cells of their own
// width, blanks for gaps) and page ends.
class Paper final : public PrintSink {
 public:
  struct Page {
    std::vector<PrintLine> lines;
  };
  std::vector<Page> pages{1};

  void OnLine(const PrintLine& line) override { pages.back().lines.push_back(line); }
  void OnPageEnd() override {
    finished++;
    pages.emplace_back();
  }
  int finished = 0;

  // The text of a line, as UTF-8, columns by the first glyph's width.
  static std::string Text(const PrintLine& line) {
    std::string out;
    float at = 0;
    for (const PrintGlyph& g : line.glyphs) {
      while (at + 0.01f < g.x) {
        out += ' ';
        at += g.width;
      }
      AppendUtf8(out, g.ch);
      at = g.x + g.width;
    }
    return out;
  }
  std::vector<std::string> Texts(size_t page = 0) const {
    std::vector<std::string> out;
    for (const PrintLine& l : pages[page].lines) out.push_back(Text(l));
    return out;
  }
};

Paper Play(std::string_view bytes, float height = 1000, TextEncoding encoding = TextEncoding::kCp852) {
  Paper paper;
  PrinterTextInterpreter interpreter(paper, height, encoding);
  interpreter.Feed(bytes);
  interpreter.Finish();
  return paper;
}

TEST(PrinterTextTest, OverstruckPolishLettersBecomeRealLetters) {
  const Paper paper = Play("a\b,e\b,c\b's\b'o\b'z\b'n\b'l\b/z\b. A\b,L\b/Z\b-S\b'\r\n"
                           ",\ba'\bc\r\n");
  EXPECT_EQ(paper.Texts(), (std::vector<std::string>{"ąęćśóźńłż ĄŁŻŚ", "ąć"}));
}

TEST(PrinterTextTest, CarriageReturnOverstrikesAndCodePage852LettersPrint) {
  // A whole line of marks printed over the letters after CR, as some forms do.
  const Paper paper = Play("Zazolc gesla jazn\r  .'/'  ,' ,   ''\r\n"s + std::string("Łódź żółw"_pl) + "\r\n");
  const auto texts = paper.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Zażółć gęślą jaźń");
  EXPECT_EQ(texts[1], "Łódź żółw");
}

TEST(PrinterTextTest, OtherOverstrikes) {
  bool bold = false;
  bool underline = false;
  EXPECT_EQ(CombineOverstrike('X', 'X', &bold, &underline), U'X');
  EXPECT_TRUE(bold);
  EXPECT_EQ(CombineOverstrike('_', 'k', &bold, &underline), U'k');
  EXPECT_TRUE(underline);
  bold = underline = false;
  EXPECT_EQ(CombineOverstrike('k', ' ', &bold, &underline), U'k');  // a blank adds no ink
  EXPECT_EQ(CombineOverstrike('7', '|', &bold, &underline), U'7');
  EXPECT_EQ(CombineOverstrike('-', 'Q', &bold, &underline), U'Q');
  EXPECT_FALSE(bold || underline);
}

TEST(PrinterTextTest, PitchesAndDoubleWidth) {
  // pica, SI condensed, DC2 back; ESC ! 5 condensed elite; ESC ! 33 elite double width;
  // SO double width to the line's end.
  const Paper paper = Play("A\x0f" "B\x12" "C\r\n"
                           "\x1b!\x05" "D\x1b!\x21" "E\r\n"
                           "\x1b!\x01" "F\x0e" "G\r\n"
                           "H\r\n");
  const auto& lines = paper.pages[0].lines;
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_FLOAT_EQ(lines[0].glyphs[0].width, kPica);
  EXPECT_NEAR(lines[0].glyphs[1].width, kCondensed, 1e-4);
  EXPECT_FLOAT_EQ(lines[0].glyphs[2].x, kPica + lines[0].glyphs[1].width);
  EXPECT_FLOAT_EQ(lines[0].glyphs[2].width, kPica);
  EXPECT_FLOAT_EQ(lines[1].glyphs[0].width, kCondensedElite);
  EXPECT_FLOAT_EQ(lines[1].glyphs[1].width, 2 * kElite);
  EXPECT_FLOAT_EQ(lines[2].glyphs[0].width, kElite);
  EXPECT_FLOAT_EQ(lines[2].glyphs[1].width, 2 * kElite);
  EXPECT_FLOAT_EQ(lines[3].glyphs[0].width, kElite);  // SO ended with its line
}

// The document geometry places a line by the line ends above it on its page.
TEST(PrinterTextTest, LinesCountTheLineEndsAboveThemOnTheirPage) {
  const Paper fed = Play("a\r\n\r\n\x0b" "b\r\n\x0c\r\nc\rc\r\n");
  ASSERT_EQ(fed.pages.size(), 3u);  // two pages, and the empty one after the last page end
  ASSERT_EQ(fed.pages[0].lines.size(), 2u);
  EXPECT_EQ(fed.pages[0].lines[0].feeds, 0);
  EXPECT_EQ(fed.pages[0].lines[1].feeds, 3);  // LF, LF, VT
  ASSERT_EQ(fed.pages[1].lines.size(), 1u);
  EXPECT_EQ(fed.pages[1].lines[0].feeds, 1);  // CR alone is no line end
  // A page that runs full starts counting again.
  const Paper full = Play("1\r\n2\r\n3\r\n", 24);
  ASSERT_EQ(full.pages.size(), 3u);
  EXPECT_EQ(full.pages[0].lines.size(), 2u);
  EXPECT_EQ(full.pages[1].lines.at(0).feeds, 0);
}

TEST(PrinterTextTest, BoldItalicUnderlineSwitches) {
  const Paper paper = Play("a\x1b" "Eb\x1b" "Fc\x1bGd\x1bH\x1b" "4e\x1b" "5\x1b-\x01" "f\x1b-0g\x1b!\x88h\r\n");
  const auto& g = paper.pages[0].lines.at(0).glyphs;
  ASSERT_EQ(g.size(), 8u);
  EXPECT_EQ(g[0].style, 0);
  EXPECT_EQ(g[1].style, kStyleBold);
  EXPECT_EQ(g[2].style, 0);
  EXPECT_EQ(g[3].style, kStyleBold);
  EXPECT_EQ(g[4].style, kStyleItalic);
  EXPECT_EQ(g[5].style, kStyleUnderline);
  EXPECT_EQ(g[6].style, 0);
  EXPECT_EQ(g[7].style, kStyleBold | kStyleUnderline);
}

TEST(PrinterTextTest, LineSpacingCommands) {
  const Paper paper = Play("a\r\n\x1b" "3 b\r\n\x1b" "0c\r\n\x1b" "A\x0c" "d\r\n\x1bJ\x48" "e\r\n\x1b@f\r\n");
  const auto& l = paper.pages[0].lines;
  ASSERT_EQ(l.size(), 6u);
  EXPECT_FLOAT_EQ(l[0].y, 0);
  EXPECT_FLOAT_EQ(l[1].y, 12);                 // 1/6 inch
  EXPECT_FLOAT_EQ(l[2].y, 12 + 32.0f / 3);     // 32/216 inch
  EXPECT_FLOAT_EQ(l[3].y, 12 + 32.0f / 3 + 9); // 1/8 inch
  EXPECT_FLOAT_EQ(l[4].y, l[3].y + 12 + 24);   // 12/72 inch, then ESC J 72/216
  EXPECT_FLOAT_EQ(l[5].y, l[4].y + 12);
}

TEST(PrinterTextTest, FormFeedsMakePagesWithoutEmptyOnesAtTheEnds) {
  const Paper three = Play("\x0cstrona 1\r\n\x0cstrona 2\r\n\x0cstrona 3\r\n\x0c");
  EXPECT_EQ(three.finished, 3);
  EXPECT_EQ(three.Texts(0), std::vector<std::string>{"strona 1"});
  EXPECT_EQ(three.Texts(2), std::vector<std::string>{"strona 3"});
  EXPECT_EQ(three.pages[1].lines[0].y, 0);

  // Two form feeds in the middle leave a blank sheet, as on the printer.
  EXPECT_EQ(Play("a\r\n\x0c\x0c" "b\r\n").finished, 3);
  // Nothing printed at all is one empty page.
  EXPECT_EQ(Play("").finished, 1);
  EXPECT_EQ(Play("\x1b@\x0c").finished, 1);
}

TEST(PrinterTextTest, FullPageContinuesOnTheNextAndItsFormFeedIsNotAnExtraPage) {
  // 10 lines of 12 points fit in 120 points.
  std::string text;
  for (int i = 0; i < 25; ++i) text += "w" + std::to_string(i) + "\r\n";
  const Paper paper = Play(text, 120);
  EXPECT_EQ(paper.finished, 3);
  EXPECT_EQ(paper.pages[1].lines.front().y, 0);
  EXPECT_EQ(Paper::Text(paper.pages[1].lines.front()), "w10");

  std::string exact;
  for (int i = 0; i < 10; ++i) exact += "x\r\n";
  EXPECT_EQ(Play(exact + "\x0c" + "y\r\n", 120).finished, 2);
}

TEST(PrinterTextTest, PagePrinterSequencesOfTheInvoiceStart) {
  const std::string pcl_start =
      "\x1b&l0O\x1b(10U\x1b(s0P\x1b(s20H\x1b(s10V\x1b(s0S\x1b(s0B\x1b(s4101T\x1b(s2Q";
  const Paper paper = Play(pcl_start + "FAKTURA\x1b(s6H\x1b(s3BX\x1b&d0DY\x1b&d@Z\r\n");
  const auto& g = paper.pages[0].lines.at(0).glyphs;
  ASSERT_EQ(Paper::Text(paper.pages[0].lines.at(0)), "FAKTURAXYZ");
  EXPECT_FLOAT_EQ(g[0].width, kCondensedElite);
  EXPECT_FLOAT_EQ(g[7].width, 12.0f);
  EXPECT_EQ(g[7].style, kStyleBold);
  EXPECT_EQ(g[8].style, kStyleBold | kStyleUnderline);
  EXPECT_EQ(g[9].style, kStyleBold);
  // Combined form and binary data are skipped whole.
  const Paper combined = Play("\x1b(s0p20h10v0s0b4101T" "a\x1b*b5WHELLOb\r\n");
  EXPECT_EQ(Paper::Text(combined.pages[0].lines.at(0)), "ab");
  EXPECT_FLOAT_EQ(combined.pages[0].lines[0].glyphs[0].width, kCondensedElite);
}

TEST(PrinterTextTest, ArgumentsAndDataOfSkippedCommandsNeverPrint) {
  const std::string graphics = std::string("\x1b*\x01\x03\x00", 5) + "ABC";
  const std::string bits = std::string("\x1bK\x02\x00", 4) + "QQ";
  const std::string tabs = std::string("\x1b" "D\x08\x10\x18\x00", 6);
  const std::string page_length = std::string("\x1b" "C\x00\x0b", 4);
  const std::string extended = std::string("\x1b(U\x01\x00\x0a", 6);
  const Paper paper = Play("x" + graphics + bits + tabs + page_length + extended + "\x1bx1\x1bk\x01\x1bt\x01" +
                           "\x1bR\x0c\x1bl\x05\x1bQ\x50\x1b%\x01" + "y\r\n");
  EXPECT_EQ(paper.Texts(), std::vector<std::string>{"xy"});
  // A stray ESC before a line end loses only itself.
  EXPECT_EQ(Play("a\x1b\r\nb\r\n").Texts(), (std::vector<std::string>{"a", "b"}));
}

TEST(PrinterTextTest, TabsPositionsAndCancel) {
  const Paper paper = Play("ab\tc\r\n" "\x1b$\x3c\x00" "d\r\n" "zzz\x18" "e\r\n"s);
  const auto& l = paper.pages[0].lines;
  ASSERT_EQ(l.size(), 3u);
  EXPECT_FLOAT_EQ(l[0].glyphs[2].x, 8 * kPica);
  EXPECT_FLOAT_EQ(l[1].glyphs[0].x, 72);  // 60/60 inch
  EXPECT_EQ(Paper::Text(l[2]), "e");
}

TEST(PrinterTextTest, ChunksMayEndInsideSequences) {
  const std::string text =
      "\x1b!\x05" "a\b,\x1b(s20H"s + std::string("Łódź\r\n"_pl) + "\x1b*\x01\x02\x00XY"s + "koniec\r\n";
  const Paper whole = Play(text);
  Paper pieces;
  PrinterTextInterpreter interpreter(pieces, 1000);
  for (char c : text) interpreter.Feed(std::string_view(&c, 1));
  interpreter.Finish();
  EXPECT_EQ(pieces.Texts(), whole.Texts());
  EXPECT_EQ(whole.Texts(), (std::vector<std::string>{"ąŁódź", "koniec"}));
}

TEST(PrinterTextTest, Utf8TextWhenAsked) {
  const Paper paper = Play("Zażółć\r\nab\xc5", 1000, TextEncoding::kUtf8);
  EXPECT_EQ(paper.Texts(), (std::vector<std::string>{"Zażółć", "ab?"}));
  EXPECT_TRUE(LooksLikeUtf8("Zażółć"));
  EXPECT_FALSE(LooksLikeUtf8("Zażółć"_pl));
  EXPECT_FALSE(LooksLikeUtf8("ascii only"));
}

TEST(PrinterTextTest, RandomBytesNeverBreakIt) {
  std::mt19937 random(852);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(static_cast<size_t>(random() % 2000), '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? 27 : random() % 256);
    Paper paper;
    PrinterTextInterpreter interpreter(paper, 300, round % 2 ? TextEncoding::kUtf8 : TextEncoding::kCp852);
    interpreter.Feed(bytes);
    interpreter.Finish();
    EXPECT_GE(paper.finished, 1);
    for (const auto& page : paper.pages)
      for (const PrintLine& line : page.lines) {
        EXPECT_FALSE(line.glyphs.empty());
        for (const PrintGlyph& g : line.glyphs) EXPECT_GE(g.x, 0);
      }
  }
}

// --- PDF -------------------------------------------------------------------------------

int CountPages(const std::string& pdf) {
  static const std::regex kPage("/Type\\s*/Page[^s]");
  return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), kPage), std::sregex_iterator()));
}

TEST(ReportPdfTest, ValidPdfWithOnePagePerFormFeed) {
  FakeClock clock(2025, 3, 14, 9, 30);
  std::string text = "\x1b" "3 \x1b!\x05";
  for (int page = 1; page <= 3; ++page) {
    for (int i = 0; i < 20; ++i) text += "Strona " + std::to_string(page) + " wiersz " + std::to_string(i) + "\r\n";
    text += "\x0c";
  }
  auto pdf = PrinterTextToPdf(text, PdfOptions{}, clock);
  ASSERT_TRUE(pdf.ok()) << pdf.status().ToString();
  EXPECT_EQ(pdf->pages, 3);
  EXPECT_EQ(pdf->bytes.rfind("%PDF-1.", 0), 0u);
  const size_t eof = pdf->bytes.rfind("%%EOF");
  ASSERT_NE(eof, std::string::npos);
  EXPECT_LT(pdf->bytes.size() - eof, 8u);
  EXPECT_NE(pdf->bytes.find("startxref"), std::string::npos);
  EXPECT_EQ(CountPages(pdf->bytes), 3);
  EXPECT_NE(pdf->bytes.find("D:20250314093000"), std::string::npos);
  EXPECT_NE(pdf->bytes.find("/FontFile2"), std::string::npos);  // the font is embedded
}

TEST(ReportPdfTest, ReportFileToPdfFile) {
  testing::TempDir dir;
  dir.Write("rob/raport01.txt", std::string("ZESTAWIENIE\r\n" "Wartość\r\n"_pl));
  auto pages = ReportToPdfFile(xbase::RealEnv(), dir / "rob/raport01.txt", dir / "rob/raport01.pdf", PdfOptions{});
  ASSERT_TRUE(pages.ok()) << pages.status().ToString();
  EXPECT_EQ(*pages, 1);
  EXPECT_EQ(dir.Read("rob/raport01.pdf").rfind("%PDF-", 0), 0u);
  EXPECT_FALSE(dir.Exists("rob/raport01.pdf.tmp"));

  auto missing = ReportToPdfFile(xbase::RealEnv(), dir / "brak.txt", dir / "brak.pdf", PdfOptions{});
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().message(), "Brak pliku " + (dir / "brak.txt"));
  EXPECT_FALSE(dir.Exists("brak.pdf"));

  PdfOptions no_font;
  no_font.font_path = dir / "nie_ma.ttf";
  auto fontless = ReportToPdfFile(xbase::RealEnv(), dir / "rob/raport01.txt", dir / "x.pdf", no_font);
  ASSERT_FALSE(fontless.ok());
  EXPECT_NE(fontless.status().message().find("Brak czcionki"), std::string::npos);
}

}  // namespace
}  // namespace hurt::session
