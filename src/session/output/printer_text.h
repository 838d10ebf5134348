// Printer text interpreted as a printer would: positioned glyphs on pages.
//
// Report files carry the control sequences of dot-matrix (ESC/P) and page (PCL) printers
// and Polish letters written by overstrike. This interpreter plays them as the printer
// would and hands out finished lines of glyphs, each with its position in points, so
// that a PDF (or any other page format) shows what the paper would. It streams: bytes
// come in by Feed in chunks of any size (a sequence may be split between chunks) and
// lines go out through a PrintSink as soon as they end.
//
// Honoured (ESC = byte 27; n, nL, nH are bytes):
//   LF, VT        end of line: back to the left edge, down by the line spacing
//   CR            back to the left edge; what follows overstrikes the line
//   BS            back one character of the current pitch (overstrike)
//   HT            to the next multiple of 8 characters
//   FF            new page
//   CAN           drops the text of the current line
//   SI, ESC SI    condensed on (pica 17.14, elite 20 characters per inch)
//   DC2           condensed off
//   SO, ESC SO    double width to the end of the line;  DC4 cancels it
//   ESC W n       double width on (n 1 or "1") / off (0 or "0")
//   ESC E, ESC F  bold on / off;  ESC G, ESC H double-strike on / off (shown bold)
//   ESC 4, ESC 5  italic on / off
//   ESC - n       underline on / off
//   ESC P, ESC M, ESC g   pitch 10 (pica), 12 (elite), 15 characters per inch
//   ESC ! n       print mode: bit 0 elite, 2 condensed, 3 bold, 4 double-strike,
//                 5 double width, 6 italic, 7 underline (ESC "!" 5 = condensed elite,
//                 ESC "!" 33 = elite double width)
//   ESC 3 n, ESC A n, ESC + n   line spacing n/216, n/72, n/360 inch
//   ESC 0, ESC 2, ESC 1         line spacing 1/8, 1/6, 7/72 inch
//   ESC J n       paper forward n/216 inch
//   ESC $ nL nH   absolute position (nL + 256 nH)/60 inch;  ESC \ nL nH relative, 1/120 inch
//   ESC @         printer reset
//   PCL:  ESC (s#H / ESC )s#H pitch # per inch, #B stroke weight (3 and more bold),
//         #S style (1 italic); ESC &k#S pitch mode (0: 10, 2: 16.67, 4: 12 per inch),
//         ESC &k#H column width #/120 inch; ESC &l#D lines per inch, ESC &l#C line
//         spacing #/48 inch; ESC &d#D / ESC &d@ underline on / off;
//         ESC &a#C column, ESC &a#H position in decipoints.
// Pages: a line that would not fit on the page starts the next one; a form feed right
// after that only finishes the full page, and form feeds before anything is printed only
// bring the paper to the top of the first page. Two form feeds in a row leave a blank page.
//
// Read and skipped with their arguments and data: every other ESC/P command (margins,
// character tables, typefaces, tabs, page length, graphics ESC K L Y Z * ^ with their
// dot data, the ESC ( extended commands) and every other PCL command (data of "#W"
// commands and transparent print skipped). Unknown commands lose ESC and the one byte
// after it (an ESC before a control byte loses only itself). Other control bytes are
// ignored.
//
// Overstrike: a character printed where another one stands joins it. The Polish letters
// of the overstrike convention become the real letter: "a" "e" + "," = ą ę; "c" "n" "o"
// "s" "z" + "'" = ć ń ó ś ź; "l" + "/" = ł; "z" + "." or "-" = ż (capitals likewise, in
// either order). The same character twice is printed bold; a blank or "_" adds nothing
// but underline for "_"; otherwise a letter or digit wins over a mark, and else the
// later character.
//
// Text is code page 852 (or UTF-8 when asked); bytes 0x20..0xFF are characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hurt::session {

enum GlyphStyle : uint8_t {
  kStyleBold = 1,
  kStyleItalic = 2,
  kStyleUnderline = 4,
};

struct PrintGlyph {
  float x = 0;      // left edge, points from the left margin
  float width = 0;  // cell width in points (72 / characters per inch, doubled for double width)
  char32_t ch = ' ';
  uint8_t style = 0;
};

struct PrintLine {
  float y = 0;        // top of the line, points from the top of the printable area
  float spacing = 0;  // the line spacing in effect when the line ended, points
  int64_t feeds = 0;  // line ends (LF, VT) between the top of the page and the line
  std::vector<PrintGlyph> glyphs;  // blanks are gaps, not glyphs
};

class PrintSink {
 public:
  virtual ~PrintSink() = default;
  // A finished line with at least one glyph.
  virtual void OnLine(const PrintLine& line) = 0;
  // The current page is complete.
  virtual void OnPageEnd() = 0;
};

enum class TextEncoding { kCp852, kUtf8 };

// True when the bytes are valid UTF-8 with at least one character above ASCII (text of
// code page 852 with Polish letters practically never is).
bool LooksLikeUtf8(std::string_view bytes);

// The same question for a text that comes in chunks.
class Utf8Sniffer {
 public:
  void Feed(std::string_view bytes);
  bool LooksLikeUtf8() const { return valid_ && multibyte_ && pending_ == 0; }

 private:
  bool valid_ = true;
  bool multibyte_ = false;
  size_t pending_ = 0;  // continuation bytes still expected
};

class PrinterTextInterpreter {
 public:
  // printable_height: the height of a page's printable area in points; a line that
  // would not fit starts a new page.
  PrinterTextInterpreter(PrintSink& sink, float printable_height, TextEncoding encoding = TextEncoding::kCp852);

  void Feed(std::string_view bytes);
  // Ends the last line and the last page. A trailing page left empty (after a closing
  // form feed) is not a page; a text with nothing printed is one empty page.
  void Finish();

  int pages() const { return pages_; }

 private:
  enum class State {
    kText,
    kEscape,        // after ESC
    kArgs,          // collecting the fixed arguments of an ESC command
    kSkip,          // skipping data bytes
    kUntilZero,     // skipping up to a 0 byte (tab lists)
    kEscParameter,  // after ESC ( & * % ): ESC/P or PCL, decided by the next byte
    kPcl,           // inside a PCL parameterised command
  };

  void Text(unsigned char byte);
  void Escape(unsigned char byte);
  void Args(unsigned char byte);
  void EscParameter(unsigned char byte);
  void Pcl(unsigned char byte);
  void RunEscCommand();
  void RunPclCommand(char param);
  void Skip(uint64_t count);

  void Put(char32_t ch);
  void LineFeed(float advance);
  void EmitLine();
  void FormFeed();
  void EndPage();
  void Reset();
  void MasterSelect(unsigned char n);
  float CellWidth() const;
  float CharsPerInch() const;

  PrintSink* sink_;
  float printable_height_;
  TextEncoding encoding_;

  State state_ = State::kText;
  unsigned char command_ = 0;   // the ESC command being collected
  std::string args_;            // its arguments so far
  size_t args_needed_ = 0;
  uint64_t skip_left_ = 0;
  size_t until_zero_left_ = 0;
  // PCL command being read: ESC, parameter character, optional group, value, parameter.
  char pcl_parameter_ = 0;
  char pcl_group_ = 0;
  std::string pcl_value_;
  bool pcl_started_ = false;
  // A UTF-8 character split between chunks, and its full length.
  std::string utf8_pending_;
  size_t utf8_needed_ = 0;

  // Print mode.
  enum class Pitch { kPica, kElite, k15 };
  Pitch pitch_ = Pitch::kPica;
  float pcl_cpi_ = 0;  // a pitch set by PCL, 0 when none
  bool condensed_ = false;
  bool bold_ = false;
  bool double_strike_ = false;
  bool italic_ = false;
  bool underline_ = false;
  bool double_width_ = false;
  bool line_double_width_ = false;
  float spacing_ = 12;  // points

  // Position.
  float x_ = 0;
  float y_ = 0;
  int64_t feeds_ = 0;  // line ends on the page so far
  PrintLine line_;
  bool page_has_content_ = false;
  bool page_after_overflow_ = false;  // started because the previous one was full
  int pages_ = 0;
};

// Joins two characters printed on one place (see above). *bold is set when the result
// should look bold, *underline when it should be underlined.
char32_t CombineOverstrike(char32_t existing, char32_t added, bool* bold, bool* underline);

}  // namespace hurt::session
