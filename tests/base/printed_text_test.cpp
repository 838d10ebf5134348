#include "base/printed_text.h"

#include <gtest/gtest.h>

#include "base/cp852.h"

namespace hurt {
namespace {

using namespace hurt::literals;

TEST(PrintedText, OverstrikeSpellsTheListedLetters) {
  EXPECT_EQ(Overstrike("ąęćśół"_pl), "a\b,e\b,c\b's\b'o\b'l\b/");
  EXPECT_EQ(Overstrike("ĄĘĆŚÓŁ"_pl), "A\b,E\b,C\b'S\b'O\b'L\b/");
  EXPECT_EQ(Overstrike("Sposób zapłaty"_pl), "Sposo\b'b zapl\b/aty");
  // Letters without a mark of their own keep their code page 852 byte.
  EXPECT_EQ(Overstrike("żźńŻŹŃ"_pl), std::string("żźńŻŹŃ"_pl));
  EXPECT_EQ(Overstrike("ASCII | 123"), "ASCII | 123");
}

// A printout on screen: what the printer makes of its codes and overstrikes.
TEST(PrintedText, ShownOnScreenAsThePaperShowsIt) {
  const std::string polish(("Zażółć gęślą jaźń ŁÓDŹ Żółw ĄĘĆŚŃ"_pl));
  EXPECT_EQ(ShownOnScreen(Overstrike(polish)), polish);
  EXPECT_EQ(ShownOnScreen(OverstrikeLAndAcute(polish)), polish);
  EXPECT_EQ(ShownOnScreen("z\b.z\b-Z\b."), "żżŻ"_pl);
  EXPECT_EQ(ShownOnScreen("Do zapl\b/aty: 10.58 zl\b/"), "Do zapłaty: 10.58 zł"_pl);
  // ESC/P and PCL codes with their arguments, and other control bytes, take no place.
  using namespace std::string_literals;
  EXPECT_EQ(ShownOnScreen("\x1b!\x05" "FAKTURA\x1b(s20HNR\x0f 1\x12\x1bW1X\x1bW0\x1b$\x10\x00Y\x1b@"s), "FAKTURANR 1XY");
  EXPECT_EQ(ShownOnScreen("\x1b&l8DA\x1b&a10CB"), "AB");
  // Bold by striking twice, underline, a carriage return over the line, tabs.
  EXPECT_EQ(ShownOnScreen("A\bA B\b_"), "A B");
  EXPECT_EQ(ShownOnScreen("abcd\rXY"), "XYcd");
  EXPECT_EQ(ShownOnScreen("a\tb"), "a       b");
  EXPECT_EQ(ShownOnScreen("\b\bab"), "ab");  // a backspace at the margin stays there
  EXPECT_EQ(ShownOnScreen("\x1b"), "");       // a sequence cut short by the line's end
  EXPECT_EQ(ShownOnScreen("\x1b(s"), "");
  const std::string plain = "Linia bez kodow | 123.45";
  EXPECT_EQ(ShownOnScreen(plain), plain);
}

TEST(PrintedText, WidthOnPaper) {
  std::string text = Overstrike("Słownie zł.: "_pl);
  EXPECT_EQ(PrintedWidth(text), std::string("Słownie zł.: "_pl).size());
  EXPECT_EQ(PrintedWidth("abc"), 3u);
  EXPECT_EQ(PrintedWidth("\b\bx"), 1u);  // a backspace never goes left of the margin
  std::string padded = PadPrinted(text, 20);
  EXPECT_EQ(PrintedWidth(padded), 20u);
  EXPECT_EQ(padded.size(), text.size() + 7);
  EXPECT_EQ(PadPrinted("longer than", 4), "longer than");  // never cut
}

TEST(PrintedText, LettersToDebtorsSpellLAndTheAcuteLetters) {
  EXPECT_EQ(OverstrikeLAndAcute("łŁćĆńŃóÓśŚźŹ"_pl), "l\b/L\b/c\b'C\b'n\b'N\b'o\b'O\b's\b'S\b'z\b'Z\b'");
  // The ogonek and the dot keep their code page byte.
  EXPECT_EQ(OverstrikeLAndAcute("ąężĄĘŻ"_pl), std::string("ąężĄĘŻ"_pl));
  EXPECT_EQ(OverstrikeLAndAcute("DŁUŻNIKÓW"_pl), "DL\b/U" + std::string("Ż"_pl) + "NIKO\b'W");
}

}  // namespace
}  // namespace hurt
