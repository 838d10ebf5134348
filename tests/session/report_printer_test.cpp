#include "session/output/printer.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace hurt::session {
namespace {

using xbase::RealEnv;

// A report of n numbered lines, "wiersz 1" .. "wiersz n".
std::string Numbered(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += "wiersz " + std::to_string(i) + "\r\n";
  return text;
}

class PrinterTest : public testing::DataDirTest {
 protected:
  // A device target that is a plain file of the test, standing in for a printer port.
  PrinterTarget Device() const {
    PrinterTarget target;
    target.kind = PrinterTarget::Kind::kDevice;
    target.device = dir / "lpt.out";
    return target;
  }
  Result<PrintOutcome> Print(const std::string& name, const LineRange& range, int margin = 0) {
    PrintOptions options;
    options.margin = margin;
    return FileToPrinter(RealEnv(), dir / name, range, Device(), options);
  }
};

TEST(LineRangeTest, FromTheArgumentTexts) {
  const LineRange all = LineRange::FromTexts(std::nullopt, std::nullopt);
  EXPECT_EQ(all.from, 0);
  EXPECT_EQ(all.to, LineRange::kUnlimited);
  EXPECT_TRUE(all.Contains(1));
  EXPECT_TRUE(all.Contains(5'000'000));  // no silent cut at a million lines

  const LineRange typed = LineRange::FromTexts(" 12", "20  ");
  EXPECT_EQ(typed.from, 12);
  EXPECT_EQ(typed.to, 20);
  EXPECT_FALSE(typed.Contains(11));
  EXPECT_TRUE(typed.Contains(12));
  EXPECT_TRUE(typed.Contains(20));
  EXPECT_FALSE(typed.Contains(21));

  EXPECT_TRUE(LineRange::FromTexts("7", "7").Empty());
  EXPECT_TRUE(LineRange::FromTexts("9", "3").Empty());
  EXPECT_TRUE(LineRange::FromTexts("abc", "").Empty());  // VAL gives 0 and 0
  EXPECT_FALSE(LineRange::FromTexts("-5", "2").Empty());
  EXPECT_EQ(LineRange::FromTexts("-5", "2").from, 0);
}

TEST_F(PrinterTest, PrintsTheRangeWithTheMarginAndCrLf) {
  dir.Write("raport.txt", "jeden\r\ndwa\n\x1b!\x05trzy\r\ncztery\r\npiec");
  ASSERT_EQ(*Print("raport.txt", LineRange::FromTexts("2", "4"), 3), PrintOutcome::kPrinted);
  EXPECT_EQ(dir.Read("lpt.out"), "   dwa\r\n   \x1b!\x05trzy\r\n   cztery\r\n");
  // A device keeps what it got; the next print comes after it.
  ASSERT_EQ(*Print("raport.txt", LineRange::FromTexts("5", std::nullopt)), PrintOutcome::kPrinted);
  EXPECT_EQ(dir.Read("lpt.out"), "   dwa\r\n   \x1b!\x05trzy\r\n   cztery\r\npiec\r\n");
}

TEST_F(PrinterTest, EmptyRangesPrintNothing) {
  dir.Write("raport.txt", Numbered(10));
  EXPECT_EQ(*Print("raport.txt", LineRange::FromTexts("5", "5")), PrintOutcome::kNothingToPrint);
  EXPECT_EQ(*Print("raport.txt", LineRange::FromTexts("8", "2")), PrintOutcome::kNothingToPrint);
  EXPECT_EQ(*Print("raport.txt", LineRange::FromTexts("11", "20")), PrintOutcome::kNothingToPrint);
  EXPECT_FALSE(dir.Exists("lpt.out"));  // the printer was never opened
  dir.Write("pusty.txt", "");
  EXPECT_EQ(*Print("pusty.txt", LineRange::All()), PrintOutcome::kNothingToPrint);

  auto missing = Print("brak.txt", LineRange::All());
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().message(), "Brak pliku " + (dir / "brak.txt"));
}

TEST_F(PrinterTest, DeviceThatCannotBeOpenedIsAClearError) {
  dir.Write("raport.txt", Numbered(3));
  PrinterTarget target;
  target.kind = PrinterTarget::Kind::kDevice;
  target.device = dir / "brak_katalogu/lp0";
  auto printed = FileToPrinter(RealEnv(), dir / "raport.txt", LineRange::All(), target, PrintOptions{});
  ASSERT_FALSE(printed.ok());
  EXPECT_NE(printed.status().message().find("Nie moge otworzyc drukarki " + target.device), std::string::npos);
}

TEST_F(PrinterTest, AltF5CopiesTheRangeToTheNameWithoutItsLastCharacter) {
  dir.Write("rob/raport01.txt", Numbered(30));
  auto copy = CopyLineRange(RealEnv(), dir / "rob/raport01.txt", LineRange::FromTexts("10", "12"));
  ASSERT_TRUE(copy.ok());
  ASSERT_TRUE(copy->has_value());
  EXPECT_EQ(**copy, dir / "rob/raport01.tx");
  EXPECT_EQ(dir.Read("rob/raport01.tx"), "wiersz 10\r\nwiersz 11\r\nwiersz 12\r\n");

  auto empty = CopyLineRange(RealEnv(), dir / "rob/raport01.txt", LineRange::FromTexts("12", "10"));
  ASSERT_TRUE(empty.ok());
  EXPECT_FALSE(empty->has_value());

  ASSERT_EQ(*PrintLineRange(RealEnv(), dir / "rob/raport01.txt", LineRange::FromTexts("29", "40"), Device(), {}),
            PrintOutcome::kPrinted);
  EXPECT_EQ(dir.Read("lpt.out"), "wiersz 29\r\nwiersz 30\r\n");
  EXPECT_EQ(*PrintLineRange(RealEnv(), dir / "rob/raport01.txt", LineRange::FromTexts("3", "3"), Device(), {}),
            PrintOutcome::kNothingToPrint);
}

TEST_F(PrinterTest, CtrlF5AddsEmptyLinesAtTheEnd) {
  dir.Write("rob/raport01.txt", "a\r\nb");  // the last line without its end
  auto copy = CopyWithEmptyLines(RealEnv(), dir / "rob/raport01.txt", 3);
  ASSERT_TRUE(copy.ok());
  EXPECT_EQ(*copy, dir / "rob/raport01.tx");
  EXPECT_EQ(dir.Read("rob/raport01.tx"), "a\r\nb\r\n\r\n\r\n\r\n");

  dir.Write("rob/raport02.txt", Numbered(2));
  ASSERT_EQ(*PrintWithEmptyLines(RealEnv(), dir / "rob/raport02.txt", 2, Device(), {}), PrintOutcome::kPrinted);
  EXPECT_EQ(dir.Read("lpt.out"), Numbered(2) + "\r\n\r\n");
  EXPECT_EQ(dir.Read("rob/raport02.tx"), Numbered(2) + "\r\n\r\n");
}

TEST_F(PrinterTest, DrukujPrintsTheRoutineAndErasesItsFile) {
  auto printed = Drukuj(
      RealEnv(), dir.str(), 4, [](ReportWriter& out) { out.Line("PARAGON"); }, Device(), {});
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(*printed, PrintOutcome::kPrinted);
  EXPECT_EQ(dir.Read("lpt.out"), "PARAGON\r\n");
  EXPECT_FALSE(dir.Exists("rob/druk04.prn"));
}

TEST_F(PrinterTest, MarginReadinessAndPortChoice) {
  EXPECT_EQ(PrintMargin(RealEnv(), dir.str(), true, "     "), 0);
  dir.Write("HFK.EXE", "");
  EXPECT_EQ(PrintMargin(RealEnv(), dir.str(), true, "     "), 5);
  EXPECT_EQ(PrintMargin(RealEnv(), dir.str(), false, "     "), 0);

  PrinterTarget absent;
  absent.kind = PrinterTarget::Kind::kDevice;
  absent.device = dir / "nie_ma/lp0";
  EXPECT_FALSE(PrinterReady(RealEnv(), dir.str(), absent));
  EXPECT_TRUE(PrinterReady(RealEnv(), dir.str(), PrinterTarget{}));  // a queue
  dir.Write("drukuj.txt", "");
  EXPECT_TRUE(PrinterReady(RealEnv(), dir.str(), absent));

  EXPECT_EQ(MojsetLpt(RealEnv(), dir.str(), 2), "");
  dir.Write("LPT.TXT", "");
  EXPECT_EQ(MojsetLpt(RealEnv(), dir.str(), 2), "LPT2");
  EXPECT_EQ(MojsetLpt(RealEnv(), dir.str(), 0), "LPT1");
}

}  // namespace
}  // namespace hurt::session
