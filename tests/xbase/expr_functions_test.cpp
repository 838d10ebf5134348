// The functions of expressions, one group per kind.
#include <gtest/gtest.h>

#include "base/cp852.h"
#include "xbase/expr_fixture.h"

namespace hurt::xbase::testing {
namespace {

using Functions = ExprFixture;

TEST_F(Functions, StrRoundsPadsAndOverflowsToAsterisks) {
  EXPECT_EQ(Text("STR(RECNO(),6)"), "    42");
  EXPECT_EQ(Text("STR(RECNO())"), "        42");
  EXPECT_EQ(Text("STR(2.675,6,2)"), "  2.68");   // half away from zero, as the value reads
  EXPECT_EQ(Text("STR(-2.675,6,2)"), " -2.68");
  EXPECT_EQ(Text("STR(2.5,3)"), "  3");
  EXPECT_EQ(Text("STR(-2.5,3)"), " -3");
  EXPECT_EQ(Text("STR(123456,4)"), "****");
  EXPECT_EQ(Text("STR(-100,3)"), "***");
  EXPECT_EQ(Text("STR(99.999,5,2)"), "*****");
  EXPECT_EQ(Text("STR(0.001,6,2)"), "  0.00");
  EXPECT_EQ(Text("STR(-0.001,6,2)"), "  0.00");
  EXPECT_EQ(Text("STR(1234567,7)"), "1234567");
  // Without a width: a numeric field keeps its own width and decimals.
  EXPECT_EQ(Text("STR(wartosc)"), "             43.75");
  EXPECT_EQ(Text("STR(ilosc)"), "         -3.500");
  EXPECT_EQ(Text("STR(1/4)"), "         0.25");
  EXPECT_NE(RunError("STR(5,0)").find("width must be 1 to 255"), std::string::npos);
}

TEST_F(Functions, StrWidthOutOfRangeIsAnError) {
  EXPECT_NE(RunError("STR(5, 256)").find("STR(): width must be 1 to 255"), std::string::npos);
  session_.SetVar("M_W", -1);
  EXPECT_NE(RunError("STR(5, M_W)").find("width"), std::string::npos);
}

TEST_F(Functions, StrZeroPutsTheSignFirst) {
  EXPECT_EQ(Text("STRZERO(5,4)"), "0005");
  EXPECT_EQ(Text("STRZERO(-5,4)"), "-005");
  EXPECT_EQ(Text("STRZERO(3.14159,7,2)"), "0003.14");
  EXPECT_EQ(Text("STRZERO(12345,3)"), "***");
  EXPECT_EQ(Text("STRZERO(RECNO(),6)"), "000042");
}

TEST_F(Functions, Dates) {
  EXPECT_EQ(Text("DTOS(data)"), "20240305");
  EXPECT_EQ(Text("DTOC(data)"), "05.03.2024");
  EXPECT_EQ(Text("DTOS(CTOD('29.02.2024'))"), "20240229");
  EXPECT_EQ(Text("DTOS(CTOD('30.02.2024'))"), "        ");  // invalid: the empty date
  EXPECT_EQ(Text("DTOC(CTOD(''))"), "  .  .    ");
  EXPECT_EQ(Text("DTOS(STOD('20231231'))"), "20231231");
  EXPECT_EQ(Text("DTOS(DATE())"), "20240315");
  EXPECT_EQ(Number("YEAR(data)*10000+MONTH(data)*100+DAY(data)"), 20240305);
  EXPECT_EQ(Number("DOW(data)"), 3);  // Tuesday
  EXPECT_EQ(Number("YEAR(CTOD(''))+MONTH(CTOD(''))+DAY(CTOD(''))+DOW(CTOD(''))"), 0);
}

TEST_F(Functions, DescendOfEveryType) {
  // Characters: each byte b becomes (256 - b) mod 256.
  Value v = Eval("DESCEND('A'+CHR(0)+CHR(1)+CHR(255))");
  ASSERT_TRUE(v.IsString());
  EXPECT_EQ(v.AsString(), std::string("\xBF\x00\xFF\x01", 4));
  EXPECT_EQ(Text("DESCEND(DESCEND(nazwa))"), PadR("Gwozdzie 100mm", 30));
  // Later dates give smaller texts, so DESCEND(DTOS()) orders newest first.
  EXPECT_TRUE(True("DESCEND(DTOS(data)) < DESCEND(DTOS(data-1))"));
  // Dates: the number 5231808 - Julian day.
  EXPECT_EQ(Number("DESCEND(data)"), 5231808 - JulianFromYmd(2024, 3, 5));
  EXPECT_EQ(Number("DESCEND(CTOD(''))"), 5231808);
  // Numbers: negated; logicals: inverted.
  EXPECT_EQ(Number("DESCEND(ilosc)"), 3.5);
  EXPECT_FALSE(True("DESCEND(fisk)"));
}

TEST_F(Functions, Substrings) {
  EXPECT_EQ(Text("SUBSTR('abcdef',2,3)"), "bcd");
  EXPECT_EQ(Text("SUBSTR('abcdef',4)"), "def");
  EXPECT_EQ(Text("SUBSTR('abcdef',0,2)"), "ab");
  EXPECT_EQ(Text("SUBSTR('abcdef',-2)"), "ef");    // from the end
  EXPECT_EQ(Text("SUBSTR('abcdef',-10,2)"), "ab");
  EXPECT_EQ(Text("SUBSTR('abcdef',7)"), "");
  EXPECT_EQ(Text("SUBSTR('abcdef',3,100)"), "cdef");
  EXPECT_EQ(Text("SUBSTR('abcdef',2,-1)"), "");
  EXPECT_EQ(Text("SUBSTR(nazwa,1,12)"), "Gwozdzie 100");
  EXPECT_EQ(Text("LEFT(indeks,3)+RIGHT(nrd,3)"), "ART123");
  EXPECT_EQ(Text("LEFT('ab',5)+RIGHT('ab',5)+LEFT('ab',-1)"), "abab");
  EXPECT_EQ(Number("AT('zd',nazwa)"), 4);
  EXPECT_EQ(Number("AT('',nazwa)+AT('xyz',nazwa)"), 0);
  EXPECT_EQ(Number("LEN(nazwa)+LEN('')"), 30);
}

TEST_F(Functions, TrimCaseAndPadding) {
  EXPECT_EQ(Text("TRIM(nrd)+'|'+RTRIM(rd)+'|'+LTRIM(nrd)+'|'+ALLTRIM('  a b  ')"), "     123|FV|123|a b");
  EXPECT_EQ(Text("TRIM('   ')"), "");
  EXPECT_EQ(Text("UPPER(nazwa)"), PadR("GWOZDZIE 100MM", 30));
  EXPECT_EQ(Text("LOWER('ABC-x')"), "abc-x");
  using namespace hurt::literals;
  // Polish letters stay as they are: keys must not depend on a national table.
  EXPECT_EQ(Text(std::string("UPPER('") + std::string("żółw"_pl) + "')"), std::string("żółW"_pl));
  EXPECT_EQ(Text("PADR('ab',4)+'|'+PADL('ab',4)+'|'+PADC('ab',5,'*')+'|'+PADR('abcdef',3)+'|'+PADL('abcdef',3)"),
            "ab  |  ab|*ab**|abc|abc");
  EXPECT_EQ(Text("PADL(42,5,'0')+PADR(data,11)+'|'"), "0004205.03.2024 |");
  EXPECT_EQ(Text("PADR(wartosc,8)"), "43.75   ");
  EXPECT_EQ(Text("SPACE(3)+REPLICATE('ab',3)+REPLICATE('x',0)+SPACE(-2)"), "   ababab");
}

TEST_F(Functions, HugeTextsAreRefused) {
  EXPECT_NE(RunError("SPACE(70000)").find("longer than 65535"), std::string::npos);
  EXPECT_NE(RunError("REPLICATE('ab', 40000)").find("longer than 65535"), std::string::npos);
  EXPECT_NE(RunError("PADR('x', 1000000000000)").find("longer than 65535"), std::string::npos);
  EXPECT_EQ(Number("LEN(REPLICATE('ab', 30000))"), 60000);
}

TEST_F(Functions, NumbersAndConversions) {
  EXPECT_DOUBLE_EQ(Number("VAL('  12.50')+VAL('-3')+VAL('7abc')+VAL('')+VAL('1.2.3')"), 12.5 - 3 + 7 + 0 + 1.2);
  EXPECT_EQ(Number("VAL(nrd)"), 123);
  EXPECT_EQ(Number("INT(7.9)+INT(-7.9)"), 0);
  EXPECT_EQ(Number("ABS(ilosc)"), 3.5);
  EXPECT_DOUBLE_EQ(Number("ROUND(2.675,2)"), 2.68);
  EXPECT_DOUBLE_EQ(Number("ROUND(-2.5,0)"), -3);
  EXPECT_DOUBLE_EQ(Number("ROUND(1250,-2)"), 1300);
  EXPECT_EQ(Number("MAX(3,ilosc)+MIN(3,ilosc)"), -0.5);
  EXPECT_EQ(Text("DTOS(MAX(data,M_D))+DTOS(MIN(data,M_D))"), "2024030520240131");
  EXPECT_EQ(Text("CHR(65)+CHR(256+66)+CHR(-1)"), "AB\xFF");
  EXPECT_EQ(Number("ASC('A')+ASC('')"), 65);
  EXPECT_EQ(Number("ASC(CHR(200))"), 200);
}

TEST_F(Functions, EmptyOfEveryType) {
  EXPECT_TRUE(True("EMPTY('  ')") && True("EMPTY('')") && True("EMPTY(0)") && True("EMPTY(.F.)"));
  EXPECT_TRUE(True("EMPTY(CTOD(''))"));
  EXPECT_FALSE(True("EMPTY(rd)") || True("EMPTY(ilosc)") || True("EMPTY(data)") || True("EMPTY(fisk)"));
  dow().Blank();
  EXPECT_TRUE(True("EMPTY(rd) .AND. EMPTY(ilosc) .AND. EMPTY(data) .AND. EMPTY(fisk)"));
}

TEST_F(Functions, ContextFunctions) {
  EXPECT_EQ(Number("RECNO()"), 42);
  EXPECT_FALSE(True("DELETED()"));
  dow().deleted = true;
  EXPECT_TRUE(True("DELETED()"));
  EXPECT_FALSE(True("as->(DELETED())"));
  EXPECT_EQ(Number("as->(RECNO())"), 7);
}

TEST_F(Functions, TransformSimplePictures) {
  EXPECT_EQ(Text("TRANSFORM(wartosc,'9999999.99')"), "     43.75");
  EXPECT_EQ(Text("TRANSFORM(1234567.5,'9,999,999.99')"), "1,234,567.50");
  EXPECT_EQ(Text("TRANSFORM(1234.5,'9,999,999.99')"), "    1,234.50");
  EXPECT_EQ(Text("TRANSFORM(-12.5,'9999.99')"), " -12.50");
  EXPECT_EQ(Text("TRANSFORM(0,'@Z 9999.99')"), "       ");
  EXPECT_EQ(Text("TRANSFORM(123456,'999')"), "***");
  EXPECT_EQ(Text("TRANSFORM('00950','!!-!!!')"), "00-950");
  EXPECT_EQ(Text("TRANSFORM('abc','@!')"), "ABC");
  EXPECT_EQ(Text("TRANSFORM(data,'')"), "05.03.2024");
  EXPECT_EQ(Text("TRANSFORM(fisk,'Y')"), "Y");
}

TEST_F(Functions, ConstantCallsAreFoldedAtCompileTime) {
  Result<Expression> e = Expression::Compile("STR(12,5)+UPPER('ab')+DTOS(CTOD('01.02.2024'))", session_);
  ASSERT_TRUE(e.ok());
  EXPECT_TRUE(e->IsConstant());
  std::string out;
  ASSERT_TRUE(e->AppendString(session_, &out).ok());
  EXPECT_EQ(out, "   12AB20240201");
  Result<Expression> today = Expression::Compile("DTOS(DATE())", session_);
  ASSERT_TRUE(today.ok());
  EXPECT_FALSE(today->IsConstant());  // DATE() depends on the day it runs
  EXPECT_TRUE(today->dependencies().today);
}

}  // namespace
}  // namespace hurt::xbase::testing
