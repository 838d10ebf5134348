#include "invoicing/invoice_number.h"

#include <gtest/gtest.h>

#include "base/cp852.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;

const JulianDay kDec7 = JulianFromYmd(2026, 12, 7);

NumberingSettings Settings(bool zer_nrd, std::string symbo) { return {zer_nrd, std::move(symbo)}; }

TEST(InvoiceNumber, TitleOfTheExample) {
  EXPECT_EQ(InvoiceTitle("FV ", "     125", kDec7, "FAKTURA VAT", Settings(true, "KR  ")), "FAKTURA NR FV-125/12/KR");
}

TEST(InvoiceNumber, TitleWordChangedOnFirstJanuary2013) {
  NumberingSettings none = Settings(false, "    ");
  EXPECT_EQ(InvoiceTitle("FV ", "       1", JulianFromYmd(2012, 12, 31), "", none), "FAKTURA VAT NR FV-1");
  EXPECT_EQ(InvoiceTitle("FV ", "       1", JulianFromYmd(2013, 1, 1), "", none), "FAKTURA NR FV-1");
}

TEST(InvoiceNumber, NumberWithoutKindPrefix) {
  EXPECT_EQ(DocumentNumberText("FV ", "     125", kDec7, "FAKTURA NUMER", Settings(false, "")), "125");
  EXPECT_EQ(DocumentNumberText("FV ", "     125", kDec7, "FAKTURA", Settings(false, "")), "FV-125");
}

TEST(InvoiceNumber, MonthAndYear) {
  // The kind's own monthly numbering carries month and year; J_ZER_NRD then adds nothing.
  EXPECT_EQ(DocumentNumberText("FV ", "       3", kDec7, "FV ZERUJ1.NRD", Settings(false, "")), "FV-3/12/26");
  EXPECT_EQ(DocumentNumberText("FV ", "       3", kDec7, "FV ZERUJ1.NRD", Settings(true, "")), "FV-3/12/26");
  EXPECT_EQ(DocumentNumberText("FV ", "       3", JulianFromYmd(2027, 3, 1), "", Settings(true, "")), "FV-3/03");
}

TEST(InvoiceNumber, BranchSymbol) {
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "", Settings(false, "WSD ")), "FV-3");
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "", Settings(false, "??  ")), "FV-3/26");
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "", Settings(true, "??  ")), "FV-3/12/26");
  // "??" adds no second year after the kind's month and year.
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "ZERUJ1.NRD", Settings(false, "??")), "FV-3/12/26");
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "", Settings(false, "    ")), "FV-3");
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "", Settings(false, "B2  ")), "FV-3/B2");
}

TEST(InvoiceNumber, KindSymbolAfterByteB1) {
  NumberingSettings none = Settings(false, "");
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "FAKTURA \xB1MAG2 NUMER", none), "3/MAG2");
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "FAKTURA \xB1" "ABCDEFGHIJKLM", none), "FV-3/ABCDEFGHIJ");
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "FAKTURA \xB1", none), "FV-3");
  EXPECT_EQ(DocumentNumberText("FV ", "3", kDec7, "\xB1X", Settings(true, "KR")), "FV-3/12/KR/X");
}

TEST(InvoiceNumber, ShortFormQuotedByACorrection) {
  EXPECT_EQ(NrFvSymbol("125 z dnia 07.12.2026", kDec7, Settings(true, "KR  ")), "125/12/KR z dnia 07.12.2026");
  EXPECT_EQ(NrFvSymbol("125 z dnia 07.12.2026", kDec7, Settings(false, "KR  ")), "125/KR z dnia 07.12.2026");
  EXPECT_EQ(NrFvSymbol("125 z dnia 07.12.2026", kDec7, Settings(true, "    ")), "125/12 z dnia 07.12.2026");
  EXPECT_EQ(NrFvSymbol("125 z dnia 07.12.2026", kDec7, Settings(false, "    ")), "125 z dnia 07.12.2026");
  // Later blanks stay; leading blanks of a right-aligned number go; no blank: at the end.
  EXPECT_EQ(NrFvSymbol("125  a  b", kDec7, Settings(false, "KR")), "125/KR  a  b");
  EXPECT_EQ(NrFvSymbol("     125", kDec7, Settings(false, "KR")), "125/KR");
  EXPECT_EQ(NrFvSymbol("125", kDec7, Settings(true, "")), "125/12");
  EXPECT_EQ(NrFvSymbol("125 x", kDec7, Settings(false, "WSD")), "125 x");
  EXPECT_EQ(NrFvSymbol("125 x", kDec7, Settings(false, "??")), "125/26 x");
}

TEST(InvoiceNumber, CorrectionTitle) {
  EXPECT_EQ(CorrectionTitle("FVK", "125 z dnia 07.12.2026", kDec7, Settings(true, "KR")),
            "Korekta FV Nr FV-125/12/KR z dnia 07.12.2026");
  EXPECT_EQ(CorrectionTitle("KS ", "125       ", kDec7, Settings(false, "")), "Korekta KS Nr KS-125");
}

TEST(InvoiceNumber, OriginalAndCopyMarks) {
  EXPECT_EQ(OryginalMark('O', kDec7), std::string("ORYGINAŁ"_pl));
  EXPECT_EQ(OryginalMark('K', kDec7), "KOPIA");
  EXPECT_EQ(OryginalMark('X', kDec7), "");
  EXPECT_EQ(OryginalMark('T', kDec7), "");
  // Invoices dated before 2013 carry no mark.
  EXPECT_EQ(OryginalMark('O', JulianFromYmd(2012, 12, 31)), "");
}

TEST(InvoiceNumber, OriginalCopyCycleOnThePagePrinter) {
  OryginalContext page;
  page.page_printer = true;
  page.spz = 'P';
  OryginalStep first = StepOryginal('X', page);
  EXPECT_EQ(first.printed, 'O');
  OryginalStep second = StepOryginal(first.stored, page);
  EXPECT_EQ(second.printed, 'K');
  OryginalStep third = StepOryginal(second.stored, page);
  EXPECT_EQ(third.printed, 'K');
  EXPECT_EQ(third.stored, 'K');
  EXPECT_EQ(StepOryginal('T', page).printed, 'O');
  EXPECT_EQ(StepOryginal('N', page).printed, 'N');

  OryginalContext once = page;
  once.one_copy_kind = true;
  EXPECT_EQ(StepOryginal('O', once).printed, 'X');
  EXPECT_EQ(StepOryginal('O', once).stored, 'X');

  // A cash or card invoice that reached the copy starts over with DRUK_1FV.TXT.
  OryginalContext cash = page;
  cash.spz = 'G';
  cash.druk_1fv_marker = true;
  EXPECT_EQ(StepOryginal('O', cash).printed, 'K');
  EXPECT_EQ(StepOryginal('O', cash).stored, 'X');
  EXPECT_EQ(StepOryginal('X', cash).stored, 'O');
  cash.spz = 'C';
  EXPECT_EQ(StepOryginal('K', cash).stored, 'X');
  cash.druk_1fv_marker = false;
  EXPECT_EQ(StepOryginal('K', cash).stored, 'K');

  // Other printers leave the state alone.
  OryginalContext dot;
  EXPECT_EQ(StepOryginal('O', dot).printed, 'O');
  EXPECT_EQ(StepOryginal('O', dot).stored, 'O');
}

}  // namespace
}  // namespace hurt::invoicing
