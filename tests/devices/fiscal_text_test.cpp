// Text on its way to the printer: names of sale lines in either code page, the rate
// letters, the buyer's lines of a fiscal invoice, the number forms.
#include <gtest/gtest.h>

#include "base/cp852.h"
#include "devices/fiscal_station.h"
#include "devices/fiscal_text.h"

namespace hurt::devices {
namespace {

using namespace hurt::literals;

TEST(LineNames, PolishLettersOfEitherCodePageBecomePlainCapitalsAndLowerCaseGoes) {
  // Code page 852: every Polish letter, both cases.
  EXPECT_EQ(FiscalNameCharacters("ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż"_pl), "ACELNOSZZ ACELNOSZZ");
  // Mazovia: Ę 0x90, ę 0x91, Ł 0x9C, ł 0x92, Ó 0xA3, ó 0xA2, Ś 0x98, ś 0x9E, Ź 0xA0, ź 0xA6, Ż 0xA1, ż 0xA7, Ć 0x95.
  EXPECT_EQ(FiscalNameCharacters("\x90\x91\x9C\x92\xA3\xA2\x98\x9E\xA0\xA6\xA1\xA7\x95"), "EELLOOSSZZZZC");
  // What the table keeps: digits, capitals and a few signs; "/" becomes "x"; the rest goes.
  EXPECT_EQ(FiscalNameCharacters("Mąka typ 450/1KG [promocja] 5%"_pl), "MA  450x1KG  5%");
  // 0x8D is "Ź" of code page 852 (and "ć" of Mazovia): the program's own code page wins.
  EXPECT_EQ(FiscalNameCharacters("ŹRÓDŁO"_pl), "ZRODLO");
  EXPECT_EQ(FiscalNameCharacters("SER ŻÓŁTY   "_pl), "SER ZOLTY");
  EXPECT_EQ(PlainText("Łódź, ul. Żółta"_pl), "Lodz, ul. Zolta");
}

std::string Fit(const std::string& s, size_t n) { return s + std::string(n - s.size(), ' '); }

TEST(LineNames, LengthRulesOfTheModels) {
  LineNameRules wide;  // from 2011 on: 28 characters, a blank and the rate letter
  EXPECT_EQ(DfWiersz("MĄKA PSZENNA"_pl, "A", "szt", wide), Fit("MAKA PSZENNA", 28) + " A");
  EXPECT_EQ(DfWiersz("KSIĄŻKA KUCHARSKA Z PRZEPISAMI BABCI"_pl, "B", "szt", wide), "KSIAZKA KUCHARSKA Z PRZEPISA B");
  LineNameRules narrow;  // "W": 20 characters, a blank and the letter
  narrow.narrow = true;
  EXPECT_EQ(DfWiersz("KSIĄŻKA KUCHARSKA Z PRZEPISAMI BABCI"_pl, "B", "szt", narrow), "KSIAZKA KUCHARSKA Z  B");
  LineNameRules old = narrow;
  old.from_2011 = false;  // before 2011 a long name was only cut to 22
  EXPECT_EQ(DfWiersz("KSIĄŻKA KUCHARSKA Z PRZEPISAMI BABCI"_pl, "B", "szt", old), "KSIAZKA KUCHARSKA Z PR");
  LineNameRules before;
  before.from_2011 = false;
  EXPECT_EQ(DfWiersz("CUKIER", "A", "kg", before), "CUKIER");
  LineNameRules exported = wide;
  exported.export_kind = true;
  EXPECT_EQ(DfWiersz("CUKIER", "A", "kg", exported), Fit("(CUKIER", 28) + " A");
  LineNameRules unit = wide;  // FISK.JM: the last two characters give way to a blank and the unit
  unit.unit_at_end = true;
  EXPECT_EQ(DfWiersz("CUKIER", "A", "KG ", unit), Fit("CUKIER", 28) + " KG");
}

TEST(Rates, LetterOfALineFollowsTheOrderACBDEF) {
  PtuTable ptu;  // A 23, B 8, C 5, D 0, E ZW, F 0, Z 0
  EXPECT_EQ(FunPtu("23", ptu), "A");
  EXPECT_EQ(FunPtu(" 8", ptu), "B");
  EXPECT_EQ(FunPtu(" 5", ptu), "C");
  EXPECT_EQ(FunPtu(" 0", ptu), "D");  // D before F and Z, which hold 0 as well
  EXPECT_EQ(FunPtu("ZW", ptu), "E");
  EXPECT_EQ(FunPtu("NP", ptu), "Z");
  EXPECT_EQ(FunPtu("13", ptu), "A");  // a rate the printer does not hold
  PtuTable same;
  same.b = " 5";  // B and C hold the same rate: C is asked first
  EXPECT_EQ(FunPtu(" 5", same), "C");
  EXPECT_EQ(FunPtuDigit(" 8", ptu), "1");
  EXPECT_EQ(FunPtuDigit("NP", ptu), "6");
  EXPECT_EQ(PtuL("A"), "0");
  EXPECT_EQ(PtuL("G"), "6");
  EXPECT_EQ(PtuL("Z"), "0");
}

TEST(Numbers, FormsOfTheFrames) {
  EXPECT_EQ(Amount10(11.556), "     11.56");
  EXPECT_EQ(AmountTrimmed(1234.5), "1234.50");
  EXPECT_EQ(Quantity11(4, false), "          4");
  EXPECT_EQ(Quantity11(1.25, false), "       1.25");
  EXPECT_EQ(Quantity11(1.255, true), "      1.255");
  EXPECT_EQ(Grosze(11.56), 1156);
  EXPECT_EQ(Grosze(0.285), 29);  // half a grosz up, as NEWROUND
}

TEST(Buyer, WrapsAtTheLastBreakWithinTheWidth) {
  EXPECT_EQ(WrapBuyer("", 44), std::vector<std::string>{""});
  EXPECT_EQ(WrapBuyer("ABC DEF", 3), (std::vector<std::string>{"ABC", "DEF"}));  // a blank just after the width
  EXPECT_EQ(WrapBuyer("AB,CDEF", 4), (std::vector<std::string>{"AB,", "CDEF"}));  // "," stays with its line
  EXPECT_EQ(WrapBuyer("ABCDEFGH", 3), (std::vector<std::string>{"ABC", "DEF", "GH"}));  // no break: cut hard
  EXPECT_EQ(WrapBuyer("P.H.U. JAN/KOWALSKI", 8), (std::vector<std::string>{"P.H.U.", "JAN/", "KOWALSKI"}));
  for (const std::string& line : WrapBuyer("Przedsiębiorstwo Handlowo-Usługowe Piekarnia Kłos Spółka z o.o."_pl, 44)) {
    EXPECT_LE(line.size(), 44u) << line;
  }
}

TEST(Buyer, AddressFollowsAShortNameAndJoinsALongOne) {
  BuyerAddress b;
  b.nodb = "Sklep Spożywczy Pod Lipami"_pl;
  b.ulica = "Lipowa 4";
  b.kod = "45-001";
  b.miasto = "Opole";
  EXPECT_EQ(BuyerLines(b, 44), (std::vector<std::string>{"Sklep Spozywczy Pod Lipami", "ul. Lipowa 4", "45-001 Opole"}));
  b.ulica = "ul. Lipowa 4";  // a street that says "ul." already
  EXPECT_EQ(BuyerLines(b, 44)[1], "ul. Lipowa 4");
  BuyerAddress lng;
  lng.nodb = std::string(40, 'A') + " " + std::string(40, 'B');
  lng.nodb1 = std::string(40, 'C') + " " + std::string(40, 'D');
  lng.kod = "45-001";
  lng.miasto = "Opole";
  const std::vector<std::string> lines = BuyerLines(lng, 44);
  ASSERT_EQ(lines.size(), 5u);  // four name lines, then postcode and town joined after them
  EXPECT_EQ(lines[4], "45-001 Opole");
  EXPECT_EQ(BuyerLines(BuyerAddress{}, 44), std::vector<std::string>{""});
}

TEST(Kinds, J_DfIsAListOfCodesWithBlanksIgnored) {
  EXPECT_TRUE(KindInList("SD, FV ,KP_", "SD "));
  EXPECT_TRUE(KindInList("SD, FV ,KP_", "FV "));
  EXPECT_TRUE(KindInList("SD, FV ,KP_", "KP_"));
  EXPECT_FALSE(KindInList("SDX,FVW", "SD "));  // a code, not a part of one
  EXPECT_TRUE(KindInList("F V", "FV "));  // "F V" is "FV" once blanks go
  EXPECT_FALSE(KindInList(std::string(25, ' '), "SD "));
  EXPECT_FALSE(KindInList("SD", "   "));
}

}  // namespace
}  // namespace hurt::devices
