// Golden bytes of every frame the station sends, in each of the three dialects. The
// expected frames were worked out apart from the code (checksums by hand over the rules:
// 0xFF XOR the bytes after ESC "P"; CRC-16/XMODEM of the bytes after STX up to the last
// TAB).
#include <gtest/gtest.h>

#include "base/date.h"
#include "devices/fiscal_frames.h"

namespace hurt::devices {
namespace {

const std::string kName = "MAKA PSZENNA TYP 450 1KG     A";  // as DF_WIERSZ makes it (28, blank, letter)

std::string Bytes(const Frames& frames) {
  std::string out;
  for (const Frame& f : frames) out += f.bytes;
  return out;
}

SaleLine Line1() {
  SaleLine l;
  l.lp = 1;
  l.name = kName;
  l.quantity = 4;
  l.rate_letter = "A";
  l.rate_digit = "2";
  l.price = 2.89;
  l.value = 11.56;
  l.unit = "szt";
  return l;
}

SaleLine Storno() {
  SaleLine l = Line1();
  l.lp = 0;
  l.quantity = 1.5;
  l.three_decimals = true;
  l.value = 4.34;
  return l;
}

BeginInvoice Invoice() {
  BeginInvoice b;
  b.rd = "FV ";
  b.nrd = "      12";
  b.buyer = {"Sklep Spozywczy Pod Lipami", "ul. Lipowa 4", "45-001 Opole"};
  b.nip = "7542103388";
  b.issue_date = JulianFromYmd(2026, 12, 8);
  b.due_date = JulianFromYmd(2026, 12, 22);
  b.spz = 'P';
  b.payment_text = "PRZELEW";
  b.bank_account = "12 1020 3040";
  b.operator_name = "Zawadzki Marek";
  return b;
}

CloseReceipt Close(PaymentKind payment, double paid, double total) {
  CloseReceipt c;
  c.till = "1";
  c.operator_nr = "0";
  c.rd = "SD ";
  c.nrd = "       5";
  c.paid = paid;
  c.total = total;
  c.payment = payment;
  return c;
}

const JulianDay kDay = JulianFromYmd(2026, 12, 8);

TEST(EscapeFrames, ChecksumOfTheDailyReportIs9EAndOneBelowSixteenKeepsItsLeadingZero) {
  EXPECT_EQ(EscChecksum("0#r"), "9E");  // 0xFF ^ 0x30 ^ 0x23 ^ 0x72
  const FrameSet f(Dialect::kEscape);
  EXPECT_EQ(Bytes(f.DailyReport()), "\x1b" "P0#r9E\x1b" "\\");
  EXPECT_EQ(EscChecksum(std::string("0#r") + "\x91"), "0F");
  EXPECT_EQ(EscFrame(std::string("0#r") + "\x91"), std::string("\x1b" "P0#r\x91" "0F\x1b" "\\"));
  EXPECT_EQ(EscChecksum(std::string(1, '\xFF')), "00");
}

TEST(EscapeFrames, Receipt) {
  const FrameSet f(Dialect::kEscape);
  BeginReceipt b;
  b.till = "1";
  b.rd = "SD ";
  b.nrd = "       5";
  b.operator_name = "ZAWADZKI MAREK";
  EXPECT_EQ(Bytes(f.Begin(b)), "\x1b" "P0;1$hKASA: 1 SD 5-1  ZAWADZKI MAREK   \rC8\x1b" "\\");
  b.nip = "7542103388";
  EXPECT_EQ(Bytes(f.Begin(b)), "\x1b" "P0;1;0;1$hKASA: 1\r7542103388\rBE\x1b" "\\");
  EXPECT_EQ(Bytes(f.Line(Line1())), "\x1b" "P1$lMAKA PSZENNA TYP 450 1KG     A\r          4\rA/2.89/11.56/87\x1b" "\\");
  EXPECT_EQ(Bytes(f.Line(Storno())), "\x1b" "P0$lMAKA PSZENNA TYP 450 1KG     A\r      1.500\rA/2.89/4.34/A8\x1b" "\\");
  EXPECT_EQ(Bytes(f.RateDiscount({1, 100, 10, "RABAT"})), "\x1b" "P1;3;16$L90.00/-10.00/RABAT               \rDE\x1b" "\\");
  EXPECT_EQ(Bytes(f.ErrorMode(1)), "\x1b" "P1#e88\x1b" "\\");
  EXPECT_EQ(Bytes(f.Cancel()), "\x1b" "P0$e8E\x1b" "\\");
  EXPECT_EQ(Bytes(f.CancelFromMenu("1", "0")), "\x1b" "P0$e1\r0\r8F\x1b" "\\");
  EXPECT_EQ(Bytes(f.Enquiry()), "\x1b" "P0#n\x1b" "\\");
  EXPECT_EQ(Bytes(f.Status()), "\x05");
}

TEST(EscapeFrames, FiscalInvoiceBeginsWithItsBuyer) {
  const FrameSet f(Dialect::kEscape);
  EXPECT_EQ(Bytes(f.BeginFiscalInvoice(Invoice())),
            "\x1b" "P0;3;1;0;0;0;0;0;0;0$hFV-12\rSklep Spozywczy Pod Lipami\rul. Lipowa 4\r45-001 Opole\r7542103388\r"
            "22.12.2026\rPRZELEW\rBANK: 12 1020 3040\rZawadzki Marek\r\rB4\x1b" "\\");
}

TEST(EscapeFrames, EveryClosingFrame) {
  const FrameSet f(Dialect::kEscape);
  EXPECT_EQ(Bytes(f.Close(Close(PaymentKind::kCash, 20, 11.56))), "\x1b" "P1;0;0$e1 0\r     20.00/     11.56/A2\x1b" "\\");
  CloseReceipt thermal = Close(PaymentKind::kCash, 11.56, 11.56);
  thermal.thermal = true;
  EXPECT_EQ(Bytes(f.Close(thermal)), "\x1b" "P1;0;1;0$e10\rSD 5\r     11.56/     11.56/86\x1b" "\\");
  CloseReceipt numbered = thermal;
  numbered.thermal = false;
  numbered.sd_nrd = true;  // the extended case, paid in cash without vouchers: the same frame
  EXPECT_EQ(Bytes(f.Close(numbered)), Bytes(f.Close(thermal)));
  EXPECT_EQ(Bytes(f.Close(Close(PaymentKind::kCard, 11.56, 11.56))),
            "\x1b" "P0;0;0;0;0;1;0;0;0;0;0$xSD5\r\r\r\r\r\r\r\r\r     11.56/0/0/     11.56/0/0/0/0/0/A2\x1b" "\\");
  CloseReceipt card = Close(PaymentKind::kCard, 50, 50);
  card.bony = true;
  card.vouchers = 20;
  EXPECT_EQ(Bytes(f.Close(card)),
            "\x1b" "P0;0;0;0;0;1;0;1;0;0;0$xSD5\r\r\r\r\r\r\r\r\r     50.00/0/0/     30.00/0/     20.00/0/0/0/99\x1b" "\\");
  CloseReceipt cash = Close(PaymentKind::kCash, 60, 50);
  cash.bony = true;
  cash.vouchers = 20;
  EXPECT_EQ(Bytes(f.Close(cash)),
            "\x1b" "P0;0;0;0;1;0;0;1;0;0;0$xSD5\r\r\r\r\r\r\r\r\r     50.00/0/     40.00/0/0/     20.00/0/0/     30.00/A3\x1b" "\\");
  CloseReceipt other = Close(PaymentKind::kOther, 11.56, 11.56);
  other.rd = "PAR";
  other.nrd = "  123456";  // "PAR123456" is longer than 8: the number alone
  other.fiscal_invoice = true;
  EXPECT_EQ(Bytes(f.Close(other)),
            "\x1b" "P0;0;0;0;0;0;1;0;0;0;0$x123456\r\r\r\r\r\r\r\r\r     11.56/0/0/     11.56/0/0/0/0/0/87\x1b" "\\");
}

TEST(EscapeFrames, ReportsCashClockAndDrawer) {
  const FrameSet f(Dialect::kEscape);
  EXPECT_EQ(Bytes(f.PeriodReport(JulianFromYmd(2026, 12, 1), kDay)), "\x1b" "P26;12;01;26;12;08#o81\x1b" "\\");
  EXPECT_EQ(Bytes(f.ShiftReport()), "\x1b" "P0#kZmiana I\rKasjer nr 1\rD7\x1b" "\\");
  const Frames in = f.CashIn(150);
  ASSERT_EQ(in.size(), 2u);
  EXPECT_EQ(in[0], (Frame{"\x1b" "P4$d\x1b" "\\", 1000}));  // the preamble, then a second's pause
  EXPECT_EQ(in[1].bytes, "\x1b" "P0#i150.00/B0\x1b" "\\");
  const Frames out = f.CashOut(20.5);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].bytes, "\x1b" "P0#d20.50/8E\x1b" "\\");
  EXPECT_EQ(Bytes(f.CashState(0)), "\x1b" "P0#t98\x1b" "\\");
  EXPECT_EQ(Bytes(f.CashState(1)), "\x1b" "P1#t99\x1b" "\\");
  EXPECT_EQ(Bytes(f.SetClock(kDay, 9, 5)), "\x1b" "P26;12;08;09;05;0$cB0\x1b" "\\");
  EXPECT_EQ(Bytes(f.Denomination()), "\x1b" "P0$z91\x1b" "\\");
  EXPECT_EQ(Bytes(f.OpenDrawer()), "\x1b" "P1$d\x1b" "\\");
  EXPECT_EQ(Bytes(f.Display(2, "DZIEKUJEMY")), "\x1b" "P2$d\fDZIEKUJEMY\x1b" "\\");
  EXPECT_EQ(Bytes(f.Header(false, {"HURTOWNIA TESTOWA", "Opole"})), "\x1b" "P0$fHURTOWNIA TESTOWA\rOpole\rFE\x1b" "\\");
}

TEST(TabFrames, CrcIsTheXmodemForm) {
  EXPECT_EQ(Crc16Xmodem("123456789"), 0x31C3);
  EXPECT_EQ(Crc16Xmodem(""), 0);
  EXPECT_EQ(TabFrame("dailyrep", {}), "\x02" "dailyrep\t#9180" "\x03");
}

TEST(TabFrames, Receipt) {
  const FrameSet f(Dialect::kTab);
  BeginReceipt b;
  EXPECT_EQ(Bytes(f.Begin(b)), "\x02" "trinit\tbm0\t#4825" "\x03");
  b.nip = "7542103388";
  EXPECT_EQ(Bytes(f.Begin(b)), "\x02" "trinit\tbm0\t#4825" "\x03" "\x02" "trnipset\tni7542103388\t#2F3B" "\x03");
  EXPECT_EQ(Bytes(f.BeginFiscalInvoice(Invoice())),
            "\x02" "trfvinit\tnbFV-12\tnaSklep Spozywczy Pod Lipami\nul. Lipowa 4\n45-001 Opole\tni7542103388\t"
            "pd2026-12-22\tptPRZELEW\tssZAWADZKI MAREK\tps1\t#B9B7" "\x03");
  EXPECT_EQ(Bytes(f.Line(Line1())), "\x02" "trline\tnaMAKA PSZENNA TYP 450 1KG     A\tvt2\tpr         289\til      4.000\t#2445" "\x03");
  EXPECT_EQ(Bytes(f.Line(Storno())),
            "\x02" "trline\tnaMAKA PSZENNA TYP 450 1KG     A\tvt2\tpr         289\til      1.500\tst1\t#FBC0" "\x03");
  EXPECT_EQ(Bytes(f.Close(Close(PaymentKind::kCash, 20, 11.56))), "\x02" "trend\tto1156\tfp2000\tre844\t#3991" "\x03");
  EXPECT_EQ(Bytes(f.Close(Close(PaymentKind::kCard, 11.56, 11.56))),
            "\x02" "trpayment\tty2\twa1156\tre0\t#84C5" "\x03" "\x02" "trend\tto1156\tfp1156\t#E226" "\x03");
  CloseReceipt numbered = Close(PaymentKind::kCash, 11.56, 11.56);
  numbered.sd_nrd = true;
  EXPECT_EQ(Bytes(f.Close(numbered)), "\x02" "trend\tto1156\tfp1156\tfe1\t#F4B9" "\x03" "\x02" "trftrln\tid0\tnaSD-5\t#D142" "\x03"
                                      "\x02" "trftrend\t#33A3" "\x03");
  EXPECT_EQ(Bytes(f.Cancel()), "\x02" "prcancel\t#5EDE" "\x03");
  EXPECT_TRUE(f.ErrorMode(1).empty());
  EXPECT_TRUE(f.Enquiry().empty());
}

TEST(TabFrames, ReportsCashClockAndDrawer) {
  const FrameSet f(Dialect::kTab);
  EXPECT_EQ(Bytes(f.DailyReport()), "\x02" "dailyrep\t#9180" "\x03");
  EXPECT_EQ(Bytes(f.PeriodReport(JulianFromYmd(2026, 12, 1), kDay)),
            "\x02" "periodicrepbydates\tfd2026-12-01\ttd2026-12-08\t#34EC" "\x03");
  EXPECT_EQ(Bytes(f.ShiftReport()), "\x02" "shiftrep\tshKasjer 1\t#B03F" "\x03");
  EXPECT_EQ(Bytes(f.CashIn(150)), "\x02" "cash\tkw15000\twpT\t#60E3" "\x03");
  EXPECT_EQ(Bytes(f.CashOut(20.5)), "\x02" "cash\tkw2050\twpN\t#F2F2" "\x03");
  EXPECT_EQ(Bytes(f.CashState()), "\x02" "cashstaterep\t#C779" "\x03");
  EXPECT_EQ(Bytes(f.SetClock(kDay, 9, 5)), "\x02" "rtcset\tda2026-12-08;09:05\t#6F6B" "\x03");
  EXPECT_EQ(Bytes(f.OpenDrawer()), "\x02" "opendrwr\t#5836" "\x03");
}

TEST(XmlPackets, Receipt) {
  const FrameSet f(Dialect::kXml);
  EXPECT_EQ(Bytes(f.Begin({})), R"(<pakiet><paragon akcja="poczatek" tryb="online"/></pakiet>)");
  EXPECT_EQ(Bytes(f.Line(Line1())),
            R"(<pakiet><pozycja nazwa="MAKA PSZENNA TYP 450 1KG     A" ilosc="4.000" jednostka="szt" stawka="A" cena="2.89"/></pakiet>)");
  EXPECT_EQ(Bytes(f.Line(Storno())),
            R"(<pakiet><pozycja nazwa="MAKA PSZENNA TYP 450 1KG     A" ilosc="1.500" jednostka="szt" stawka="A" cena="2.89" storno="tak"/></pakiet>)");
  CloseReceipt close = Close(PaymentKind::kCash, 20, 11.56);
  close.sd_nrd = true;
  close.nip = "7542103388";
  EXPECT_EQ(Bytes(f.Close(close)),
            R"(<pakiet><platnosc typ="gotowka" akcja="dodaj" wartosc="20.00"/></pakiet>)"
            R"(<pakiet><paragon akcja="zamknij" numer_kasy="1" kasjer="0" kwota="11.56" numer_systemowy="SD-5" nip="7542103388"/></pakiet>)");
  EXPECT_EQ(Bytes(f.Cancel()), R"(<pakiet><paragon akcja="anuluj"/></pakiet>)");
}

TEST(XmlPackets, FiscalInvoice) {
  const FrameSet f(Dialect::kXml);
  EXPECT_EQ(Bytes(f.BeginFiscalInvoice(Invoice())),
            R"(<pakiet><faktura akcja="poczatek" numer="FV-12" nip="7542103388" opis="obie" nazwa_platnosci="przelew" )"
            R"(data_platnosci="22-12-2026" odbiorca="" wystawiajacy="" ilosc_kopii="0" marginesy="nie" )"
            R"(opcje_nazwy_kupujacego="informacja" opcje_nazwy_sprzedajacego="brak" miejsca_na_podpis="tak" zaplacono="" )"
            R"(data_sprzedazy="08-12-2026"><klient>Sklep Spozywczy Pod Lipami</klient><klient>ul. Lipowa 4 45-001 Opole</klient>)"
            R"(<opcja identyfikator="1"/><opcja identyfikator="2"/></faktura></pakiet>)");
  BeginInvoice short_nip = Invoice();
  short_nip.nip = "123";
  EXPECT_NE(Bytes(f.BeginFiscalInvoice(short_nip)).find(R"(nip="BRAK")"), std::string::npos);
  CloseReceipt close = Close(PaymentKind::kCard, 11.56, 11.56);
  close.fiscal_invoice = true;
  close.buyer = "Sklep & Syn";
  EXPECT_EQ(Bytes(f.Close(close)),
            R"(<pakiet><platnosc typ="karta" akcja="dodaj" wartosc="11.56"/></pakiet>)"
            R"(<pakiet><faktura akcja="zamknij" nabywca="Sklep &amp; Syn" kwota="11.56" numer_systemowy="SD-5" numer_kasy="1" kasjer="0"/></pakiet>)");
}

TEST(XmlPackets, ReportsCashClockAndDrawer) {
  const FrameSet f(Dialect::kXml);
  EXPECT_EQ(Bytes(f.DailyReport()), R"(<pakiet><raport typ="dobowy"/></pakiet>)");
  EXPECT_EQ(Bytes(f.PeriodReport(JulianFromYmd(2026, 12, 1), kDay)),
            R"(<pakiet><raport typ="okresowy" od="01-12-2026" do="08-12-2026"/></pakiet>)");
  EXPECT_EQ(Bytes(f.CashIn(150)), R"(<pakiet><gotowka akcja="wplata" wartosc="150.00"/></pakiet>)");
  EXPECT_EQ(Bytes(f.CashState()), R"(<pakiet><gotowka akcja="odczyt"/></pakiet>)");
  EXPECT_EQ(Bytes(f.SetClock(kDay, 9, 5)), R"(<pakiet><zegar data="08-12-2026 09:05"/></pakiet>)");
  EXPECT_EQ(Bytes(f.OpenDrawer()), R"(<pakiet><sterowanie akcja="szuflada"/></pakiet>)");
  EXPECT_EQ(Bytes(f.Display(1, "")), R"(<pakiet><sterowanie akcja="wyczysc_ekran"/></pakiet>)");
}

}  // namespace
}  // namespace hurt::devices
