#include "invoicing/payment_lines.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "invoice_samples.h"
#include "invoicing/printer_codes.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;

const JulianDay kDec7 = JulianFromYmd(2026, 12, 7);

PaymentInput Pay(char spz, int tez) {
  PaymentInput p;
  p.spz = spz;
  p.tez = tez;
  p.data = kDec7;
  return p;
}

// The block as on paper, UTF-8.
std::vector<std::string> Paper(const PaymentInput& in) {
  std::vector<std::string> out;
  for (const std::string& line : PlatnoscNaFv(in)) out.push_back(samples::OnPaper(line));
  return out;
}

using Lines = std::vector<std::string>;

TEST(PaymentLines, CashAndCardShowTheIssueDate) {
  EXPECT_EQ(Paper(Pay('G', 0)), (Lines{"Sposób zapłaty:  gotówka", "Termin zapłaty:  07.12.2026"}));
  EXPECT_EQ(Paper(Pay('C', 0)), (Lines{"Sposób zapłaty:  karta płatnicza", "Termin zapłaty:  07.12.2026"}));
  PaymentInput receipt = Pay('G', 0);
  receipt.faktura_do_paragonu = true;
  EXPECT_EQ(Paper(receipt), (Lines{"Sposób zapłaty:  gotówka"}));
}

TEST(PaymentLines, BlankMethodIsCashWithoutTerm) {
  EXPECT_EQ(Paper(Pay(' ', 30)), (Lines{"Sposób zapłaty:  gotówka", "Termin zapłaty:  07.12.2026"}));
}

TEST(PaymentLines, TermMethodsShowDueDateAndDays) {
  EXPECT_EQ(Paper(Pay('P', 14)), (Lines{"Sposób zapłaty:  przelew", "Termin zapłaty:  21.12.2026 ( 14 dni )"}));
  EXPECT_EQ(Paper(Pay('T', 7)),
            (Lines{"Sposób zapłaty:  gotówka z przesuniętym terminem płatności do   7 dni",
                   "Termin zapłaty:  14.12.2026 (  7 dni )"}));
  EXPECT_EQ(Paper(Pay('F', 60)),
            (Lines{"Sposób zapłaty:  przelew  ( FAKTORING )", "Termin zapłaty:  05.02.2027 ( 60 dni )"}));
}

TEST(PaymentLines, MethodsWithoutDueDate) {
  EXPECT_EQ(Paper(Pay('N', 0)), (Lines{"Sposób zapłaty:  przedpłata"}));
  EXPECT_EQ(Paper(Pay('K', 0)), (Lines{"Sposób zapłaty:  kompensata"}));
  EXPECT_EQ(Paper(Pay('B', 0)), (Lines{"Sposób zapłaty:  bezgotówkowo"}));
  EXPECT_EQ(Paper(Pay('D', 0)), (Lines{"Sposób zapłaty:  darowizna"}));
  EXPECT_EQ(Paper(Pay('X', 5)), (Lines{"Sposób zapłaty:  X"}));
}

TEST(PaymentLines, MarkerFileTexts) {
  PaymentInput h = Pay('H', 10);
  EXPECT_EQ(Paper(h)[0], "Sposób zapłaty:  gotówka z przesuniętym terminem płatności do  10 dni");
  EXPECT_EQ(Paper(h).size(), 2u);
  h.spz_h_txt = "";
  EXPECT_EQ(Paper(h), (Lines{"Sposób zapłaty:  POBRANIE"}));
  h.spz_h_txt = "za pobraniem pocztowym\r\n";
  EXPECT_EQ(Paper(h), (Lines{"Sposób zapłaty:  za pobraniem pocztowym"}));

  PaymentInput p = Pay('P', 0);
  p.spz_p_txt = "przelew na rachunek powierniczy";
  EXPECT_EQ(Paper(p), (Lines{"Sposób zapłaty:  przelew na rachunek powierniczy"}));
  p.tez = 14;  // with a term the file is not used
  EXPECT_EQ(Paper(p)[0], "Sposób zapłaty:  przelew");
  p.tez = 0;
  p.spz_p_txt = "   ";
  EXPECT_EQ(Paper(p), (Lines{"Sposób zapłaty:  przelew", "Termin zapłaty:  07.12.2026 (  0 dni )"}));

  PaymentInput n = Pay('N', 0);
  n.spz_n_txt = samples::Pl("zaliczka wpłacona 01.12");
  // The file's text is printed as it is, without overstrikes.
  EXPECT_EQ(PlatnoscNaFv(n)[0], Overstrike("Sposób zapłaty:  "_pl) + samples::Pl("zaliczka wpłacona 01.12"));
}

TEST(PaymentLines, VouchersOnCashOnly) {
  PaymentInput g = Pay('G', 0);
  g.vouchers = true;
  EXPECT_EQ(Paper(g)[0], "Sposób zapłaty:  gotówka + bony");
  PaymentInput p = Pay('P', 14);
  p.vouchers = true;
  EXPECT_EQ(Paper(p)[0], "Sposób zapłaty:  przelew");
}

TEST(PaymentLines, Transport) {
  PaymentInput p = Pay('G', 0);
  p.transport = 'N';
  EXPECT_EQ(Paper(p).back(), "Odbior        :  TRANSPORT NABYWCY");
  p.transport = 'W';
  EXPECT_EQ(Paper(p).back(), "Odbior        :  TRANSPORT NABYWCY");
  p.transport = 'S';
  EXPECT_EQ(Paper(p).back(), "Odbior        :  TRANSPORT SPRZEDAWCY");
  p.transport = 'M';
  EXPECT_EQ(Paper(p).back(), "Odbior        :  TRANSPORT MIESZANY (SPRZEDAWCY i NABYWCY)");
  p.transport = 'Q';
  EXPECT_EQ(Paper(p).size(), 2u);
}

TEST(PaymentLines, SlovakWording) {
  PaymentInput g = Pay('G', 0);
  g.slovak = true;
  EXPECT_EQ(Paper(g), (Lines{"Sposob platby:  platba vhotovosti", "Termin platby:  07.12.2026r"}));
  PaymentInput p = Pay('P', 14);
  p.slovak = true;
  EXPECT_EQ(Paper(p), (Lines{"Sposob platby:  bankovym prevodom", "Termin platby:  21.12.2026r"}));
}

}  // namespace
}  // namespace hurt::invoicing
