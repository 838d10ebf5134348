#include "documents/header_rules.h"

#include <gtest/gtest.h>

#include <set>

#include "base/cp852.h"

namespace hurt::documents {
namespace {

using namespace hurt::literals;

DocKind Kind(std::string rd, char r_p, char s_z, char cuv = 'U', std::string opis = "") {
  DocKind k;
  k.rd = std::move(rd);
  k.r_p = r_p;
  k.s_z = s_z;
  k.cuv = cuv;
  k.opis = std::move(opis);
  return k;
}
const DocKind kSale = Kind("FV ", 'R', 'S');
const DocKind kPurchase = Kind("PZ ", 'P', 'Z', 'C');
const DocKind kWarehouse = Kind("RW ", 'R', 'D');

TEST(Nip, ChecksumWeights) {
  // 1·6+2·5+3·7+4·2+5·3+6·4+3·5+2·6+1·7 = 118, 118 mod 11 = 8.
  EXPECT_EQ(CheckNip("1234563218", false), NipCheck::kRight);
  EXPECT_EQ(CheckNip("1234563219", false), NipCheck::kWrong);
  EXPECT_EQ(CheckNip("PL1234563218", false), NipCheck::kRight);
  EXPECT_EQ(CheckNip(" pl 123-456-32-18 ", false), NipCheck::kRight);
  EXPECT_EQ(CheckNip("DE123", false), NipCheck::kUntested);
  EXPECT_EQ(CheckNip("", false), NipCheck::kUntested);
  EXPECT_EQ(CheckNip("0123456789", false), NipCheck::kUntested);  // not 1-9 first: foreign
  EXPECT_TRUE(ZlyNip("1234563219", false));
  EXPECT_FALSE(ZlyNip("DE123", false));
}

TEST(Nip, LengthAndRemainderTen) {
  EXPECT_EQ(CheckNip("123456321", false), NipCheck::kWrong);    // nine digits
  EXPECT_EQ(CheckNip("12345632188", false), NipCheck::kWrong);  // eleven without PESEL.TXT
  EXPECT_EQ(CheckNip("12345632188", true), NipCheck::kUntested);
  // 1·6 + 1·4 = 10: a remainder of 10 is wrong whatever the tenth digit.
  for (char last = '0'; last <= '9'; ++last)
    EXPECT_EQ(CheckNip(std::string("100001000") + last, false), NipCheck::kWrong) << last;
  EXPECT_EQ(DigitsOf("PL 12-3a4"), "1234");
}

TEST(Number, ProposalWalksOverTakenNumbers) {
  const std::set<std::string> taken = {"      42", "      43"};
  auto is_taken = [&](const std::string& nrd) { return taken.count(nrd) > 0; };
  EXPECT_EQ(ProposeNumber(41, is_taken), "      44");
  EXPECT_EQ(ProposeNumber(43, is_taken), "      44");
  EXPECT_EQ(ProposeNumber(0, is_taken), "       1");
  // A counter with everything taken stops after its steps instead of looping for ever.
  int asked = 0;
  std::string last = ProposeNumber(7, [&](const std::string&) { return ++asked, true; });
  EXPECT_EQ(asked, 30000);
  EXPECT_EQ(last, FormatNrd(30008));
}

TEST(Number, TypedNumberIsCutAndAligned) {
  EXPECT_EQ(NormalizeTypedNrd("12/2026"), "      12");
  EXPECT_EQ(NormalizeTypedNrd("  7  "), "       7");
  EXPECT_EQ(NormalizeTypedNrd("/5"), "");
  EXPECT_EQ(NormalizeTypedNrd("        "), "");
}

TEST(Period, DatesOfTheWorkingMonth) {
  const Period p = PeriodOfHh("26/12");
  EXPECT_EQ(p.year, 2026);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(Dtoc(p.First()), "01.12.2026");
  EXPECT_EQ(Dtoc(p.Last()), "31.12.2026");
  EXPECT_EQ(PeriodOfHh("98/02").year, 1998);
  EXPECT_EQ(PeriodOfHh("xx").month, 0);
  EXPECT_EQ(Dtoc(PeriodDefaultDate(p, JulianFromYmd(2026, 12, 8))), "08.12.2026");
  EXPECT_EQ(Dtoc(PeriodDefaultDate(p, JulianFromYmd(2027, 1, 3))), "31.12.2026");
  EXPECT_EQ(Dtoc(PeriodDefaultDate(p, JulianFromYmd(2026, 11, 3))), "01.12.2026");
  EXPECT_EQ(PeriodMonthName(p), "Grudzien '2026");
}

DateCheckInput DateIn(JulianDay data, JulianDay today, std::string hh = "26/12") {
  DateCheckInput in;
  in.data = data;
  in.today = today;
  in.period = PeriodOfHh(hh);
  in.entry_mode = true;
  return in;
}

TEST(DocumentDate, EmptyAndOutsideThePeriodAreResetAndRefused) {
  const JulianDay today = JulianFromYmd(2026, 12, 8);
  DateVerdict v = CheckDate(DateIn(kEmptyDate, today));
  EXPECT_FALSE(v.accepted);
  EXPECT_EQ(v.data, today);
  EXPECT_TRUE(v.messages.empty());

  // The next month while the period is the current month: refused with the month name.
  v = CheckDate(DateIn(JulianFromYmd(2027, 1, 4), today));
  EXPECT_FALSE(v.accepted);
  EXPECT_EQ(v.data, today);
  ASSERT_EQ(v.messages.size(), 1u);
  EXPECT_EQ(v.messages[0].text, "BIEZACYM MIESIACEM JEST Grudzien '2026");

  // Today is in January, the period is still December: close the period.
  v = CheckDate(DateIn(JulianFromYmd(2027, 1, 4), JulianFromYmd(2027, 1, 5)));
  EXPECT_FALSE(v.accepted);
  EXPECT_EQ(Dtoc(v.data), "31.12.2026");
  ASSERT_EQ(v.messages.size(), 2u);
  EXPECT_EQ(v.messages[1].text, "Zamknij okres obrachunkowy");
}

TEST(DocumentDate, EntryModeOtherThanToday) {
  const JulianDay today = JulianFromYmd(2026, 12, 8);  // a Tuesday
  EXPECT_TRUE(CheckDate(DateIn(today, today)).accepted);

  DateVerdict v = CheckDate(DateIn(today - 3, today));
  EXPECT_FALSE(v.accepted);
  ASSERT_EQ(v.messages.size(), 2u);
  EXPECT_EQ(v.messages[0].text, "POMYLONO DATE ! Dzisiaj jest 08.12.2026");
  EXPECT_EQ(v.messages[0].seconds, 5);
  EXPECT_EQ(v.messages[1].text, "NIE MASZ PRAWA !!!!");

  DateCheckInput in = DateIn(today - 3, today);
  in.right14 = true;
  EXPECT_TRUE(CheckDate(in).accepted);

  in = DateIn(today - 1, today);
  in.poprawa_marker = true;
  v = CheckDate(in);
  EXPECT_TRUE(v.accepted);
  EXPECT_EQ(v.messages.back().text, "POMYLONO DATE !!!");
  in.data = today - 2;  // only a Monday reaches two days back
  EXPECT_FALSE(CheckDate(in).accepted);
  in.today = JulianFromYmd(2026, 12, 7);  // Monday
  in.data = in.today - 2;
  EXPECT_TRUE(CheckDate(in).accepted);
  in.data = in.today + 3;
  EXPECT_FALSE(CheckDate(in).accepted);

  // Display and correction modes take any date of the period.
  in = DateIn(today - 5, today);
  in.entry_mode = false;
  EXPECT_TRUE(CheckDate(in).accepted);
}

TEST(DocumentDate, SalesNumbersNeverGoBackInDate) {
  DateConflictInput in;
  in.rd = "FV ";
  in.prev_nrd = "      41";
  in.today = JulianFromYmd(2026, 12, 8);
  in.data = JulianFromYmd(2026, 12, 5);
  in.prev_data = JulianFromYmd(2026, 12, 6);
  DateVerdict v = CheckDateOrder(in);
  EXPECT_FALSE(v.accepted);
  EXPECT_EQ(v.messages.front().text, "1. KONFLIKT DAT z: FV-41");
  EXPECT_EQ(v.messages.back().text, "2. Popraw date na: FV-41");
  in.right1 = true;
  v = CheckDateOrder(in);
  EXPECT_TRUE(v.accepted);
  EXPECT_EQ(v.messages.back().text, "3. Puszczam wyjatkowo");
  in.right1 = false;
  in.prev_in_other_period = true;
  EXPECT_TRUE(CheckDateOrder(in).accepted);
  in.prev_in_other_period = false;
  in.prev_data = in.data;  // same day: no conflict
  v = CheckDateOrder(in);
  EXPECT_TRUE(v.accepted);
  EXPECT_TRUE(v.messages.empty());
}

TEST(Payment, NewDocumentAndKindDefaults) {
  EXPECT_EQ(NewDocumentPayment("P", 21, kSale).tez, 21);
  EXPECT_EQ(NewDocumentPayment("G", 21, kSale).tez, 0);
  Payment p = NewDocumentPayment("X", 21, kSale);
  EXPECT_EQ(p.spz, "T");
  EXPECT_EQ(p.tez, 15);
  p = NewDocumentPayment("G", 21, kPurchase);
  EXPECT_EQ(p.spz, "P");
  EXPECT_EQ(p.tez, 21);

  p = PaymentFromTags(Kind("FK ", 'R', 'S', 'U', "FAKTURA SPZ=P TEZ=030 X"), {"G", 0});
  EXPECT_EQ(p.spz, "P");
  EXPECT_EQ(p.tez, 30);
  p = PaymentFromTags(Kind("FK ", 'R', 'S', 'U', "SPZ=Q"), {"G", 0});
  EXPECT_EQ(p.spz, "G");

  EXPECT_EQ(KindPayment(kSale, "B", {"T", 14}).spz, "G");  // a sale is never "B"
  EXPECT_EQ(KindPayment(kSale, "P", {"T", 14}).spz, "P");
  EXPECT_EQ(KindPayment(Kind("WZ ", 'R', 'S'), "P", {"T", 14}).spz, "B");
  EXPECT_EQ(KindPayment(Kind("MM ", 'M', 'D'), "P", {"T", 14}).spz, "B");
  p = KindPayment(Kind("PX ", 'P', 'X'), "P", {"T", 14});
  EXPECT_EQ(p.spz, "T");
  EXPECT_EQ(p.tez, 0);
}

PaymentVerdict Pay(std::string spz, int tez, const DocKind& kind) {
  PaymentCheckInput in;
  in.payment = {std::move(spz), tez};
  in.kind = kind;
  in.j_tez = 14;
  return CheckPayment(in);
}

TEST(Payment, CheckOfTheTypedMethodAndTerm) {
  PaymentVerdict v = Pay(" ", 0, kSale);
  EXPECT_FALSE(v.accepted);
  EXPECT_EQ(v.payment.spz, "T");
  EXPECT_EQ(v.messages.at(0).text, "JAKI JEST SPOSOB ZAPŁATY ?"_pl);
  EXPECT_EQ(Pay(" ", 0, kWarehouse).payment.spz, "B");
  v = Pay("X", 0, kSale);
  EXPECT_FALSE(v.accepted);
  EXPECT_EQ(v.messages.at(0).text, "ZALECANE SYMBOLE : P,G,B,C,T,F,K,H,N,D");

  EXPECT_EQ(Pay("P", 0, kSale).payment.tez, 14);
  EXPECT_EQ(Pay("P", 30, kSale).payment.tez, 30);
  EXPECT_EQ(Pay("H", 5, kSale).payment.tez, 90);
  EXPECT_EQ(Pay("G", 30, kSale).payment.tez, 0);
  EXPECT_EQ(Pay("C", -4, kSale).payment.tez, 0);
  v = Pay("T", 9, kWarehouse);
  EXPECT_TRUE(v.accepted);
  EXPECT_EQ(v.payment.tez, 1);
  EXPECT_EQ(Pay("P", 9, kWarehouse).payment.spz, "B");
  EXPECT_EQ(Pay("T", 9, Kind("WZ ", 'R', 'S')).payment.spz, "B");
  EXPECT_EQ(Pay("B", 9, Kind("KS ", 'K', 'S')).payment.tez, 0);
}

TEST(Payment, DueDate) {
  const JulianDay data = JulianFromYmd(2026, 12, 8);
  DueDateVerdict v = CheckDueDate(data + 21, data, kPurchase, "P");
  EXPECT_TRUE(v.accepted);
  EXPECT_EQ(v.tez, 21);
  EXPECT_FALSE(CheckDueDate(data - 1, data, kPurchase, "P").accepted);
  EXPECT_FALSE(CheckDueDate(data + 1000, data, kSale, "P").accepted);
}

TEST(Payment, CustomersOwnTermsOnASale) {
  CustomerPayment c = CustomerPaymentOf({"G", 0}, "P", 21);
  EXPECT_TRUE(c.changed);
  EXPECT_EQ(c.payment.spz, "P");
  EXPECT_EQ(c.payment.tez, 21);
  ASSERT_EQ(c.messages.size(), 2u);
  EXPECT_EQ(c.messages[0].text, "Odbiorca ma spz.P, termin 21 dni");
  EXPECT_EQ(c.messages[1].text, "Zmieniam termin zaplaty P21");
  EXPECT_FALSE(CustomerPaymentOf({"P", 21}, "P", 21).changed);
  EXPECT_FALSE(CustomerPaymentOf({"G", 0}, " ", 0).changed);
  c = CustomerPaymentOf({"P", 14}, "X", 30);  // not a method: cash
  EXPECT_TRUE(c.changed);
  EXPECT_EQ(c.payment.spz, "G");
  EXPECT_EQ(c.payment.tez, 0);
}

TEST(Payment, UstalSpz) {
  UstalSpzInput in;
  in.kind = kSale;
  EXPECT_EQ(UstalSpz(in).spz, "G");
  in.has_customer = true;
  in.customer_spz = "T";
  in.customer_tez = 7;
  EXPECT_EQ(UstalSpz(in).spz, "T");
  EXPECT_EQ(UstalSpz(in).tez, 7);
  in.line_spz = "P";
  Payment p = UstalSpz(in);
  EXPECT_EQ(p.spz, "P");
  EXPECT_EQ(p.tez, 15);
  in = {};
  in.kind = kPurchase;
  EXPECT_EQ(UstalSpz(in).spz, "G");
  in.supplier_known = true;
  EXPECT_EQ(UstalSpz(in).spz, "P");
  in.kind = kWarehouse;
  EXPECT_EQ(UstalSpz(in).spz, "B");
  // An issue note is never paid, whatever its customer's terms or its first line say.
  in = {};
  in.kind = kSale;
  in.kind.rd = "WZ ";
  in.has_customer = true;
  in.customer_spz = "P";
  in.customer_tez = 7;
  in.line_spz = "T";
  p = UstalSpz(in);
  EXPECT_EQ(p.spz, "B");
  EXPECT_EQ(p.tez, 0);
}

TEST(Correction, TheCorrectedDocumentAsTheHeaderNamesIt) {
  for (const char* text : {"FV-125", "FV 125/12/KR", "fv125", "  FV - 125 uwagi"}) {
    auto d = CorrectedDocumentOf(text);
    ASSERT_TRUE(d.has_value()) << text;
    EXPECT_EQ(d->rd, "FV ") << text;
    EXPECT_EQ(d->nrd, "     125") << text;
  }
  EXPECT_EQ(CorrectedDocumentOf("FKS 7")->rd, "FKS");
  EXPECT_FALSE(CorrectedDocumentOf("125").has_value()) << "a number alone names no kind";
  EXPECT_FALSE(CorrectedDocumentOf("ZWROT TOWARU").has_value());
  EXPECT_FALSE(CorrectedDocumentOf("").has_value());
}

}  // namespace
}  // namespace hurt::documents
