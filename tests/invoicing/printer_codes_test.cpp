#include "invoicing/printer_codes.h"

#include <gtest/gtest.h>


namespace hurt::invoicing {
namespace {


TEST(PrinterCodes, PrinterTypeFromTheSetting) {
  PrinterType epson = PrinterTypeOf("EPSON");
  EXPECT_FALSE(epson.page_printer);
  EXPECT_FALSE(epson.laser);
  PrinterType hp = PrinterTypeOf("PACKARD LASER -CHR(12)");
  EXPECT_TRUE(hp.page_printer);
  EXPECT_TRUE(hp.laser);
  EXPECT_TRUE(hp.no_final_feed);
  EXPECT_FALSE(PrinterTypeOf("PACKARD").no_final_feed);
}

TEST(PrinterCodes, DotMatrixSequences) {
  PrinterType p = PrinterTypeOf("EPSON");
  EXPECT_EQ(StartSequence(p), std::string("\x1b" "3 \x1b!\x05"));
  EXPECT_EQ(EnlargedSequence(p), std::string("\x1b!!"));  // ESC "!" 33
  EXPECT_EQ(NormalSequence(p), StartSequence(p));
}

TEST(PrinterCodes, PagePrinterSequences) {
  PrinterType p = PrinterTypeOf("PACKARD");
  EXPECT_EQ(StartSequence(p),
            "\x1b&l0O\x1b(10U\x1b(s0P\x1b(s20H\x1b(s10V\x1b(s0S\x1b(s0B\x1b(s4101T\x1b(s2Q");
  EXPECT_EQ(EnlargedSequence(p),
            "\x1b&l0O\x1b(10U\x1b(s0P\x1b(s6H\x1b(s14V\x1b(s0S\x1b(s0B\x1b(s4101T\x1b(s2Q");
  EXPECT_EQ(NormalSequence(p), StartSequence(p));
}

TEST(PrinterCodes, DocumentEnd) {
  PrinterType dot = PrinterTypeOf("EPSON");
  EXPECT_EQ(EndSequence(dot, true, 10), "\f");
  EXPECT_EQ(EndSequence(dot, false, 5), "\r\n\r\n\r\n\r\n\r\n");
  // J_PAPIER below 2 still feeds two lines.
  EXPECT_EQ(EndSequence(dot, false, 0), "\r\n\r\n");
  EXPECT_EQ(EndSequence(dot, false, -3), "\r\n\r\n");
  // The page printer always ejects, unless told not to; J_EJECT and J_PAPIER do not apply.
  EXPECT_EQ(EndSequence(PrinterTypeOf("PACKARD"), false, 10), "\f");
  EXPECT_EQ(EndSequence(PrinterTypeOf("PACKARD-CHR(12)"), true, 10), "");
}

}  // namespace
}  // namespace hurt::invoicing
