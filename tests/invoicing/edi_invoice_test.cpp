// The INVOIC message: the builder's model written segment by segment, the syntax rules
// (release character, base letters, decimals) and, over random invoices, the counts and
// sums the receiver checks. Every message written here also goes through the two
// independent EDIFACT checkers.
#include "invoicing/edi_invoice.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "base/cp852.h"
#include "invoicing/edifact_check.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
using edi::CenaJedn;
using edi::EdiDate;
using edi::Ilosc;
using edi::Kwota;
using edi::Stawka;

std::vector<std::string> Segments(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

int CountOf(const std::vector<std::string>& segments, std::string_view prefix) {
  int n = 0;
  for (const std::string& s : segments) n += s.starts_with(prefix) ? 1 : 0;
  return n;
}

// The header every test invoice has: a supplier and a buyer with GLNs and tax numbers.
EdiInvoiceBuilder Started(std::string_view nr = "7") {
  EdiInvoiceBuilder b;
  b.EiStart(nr, "FV-12", EdiDate(JulianFromYmd(2026, 12, 7)));
  b.EiDostawca("5907543012261", "7543012260", "", "");
  b.EiNabywca("5909918035277", "9918035270", "");
  return b;
}

void Line(EdiInvoiceBuilder& b, std::string_view ean, double ilosc, double cena, double stawka) {
  b.EiPozycja(ean, "", "", "", Ilosc::Of(1));
  b.EiPozOpis("", "TOWAR", "");
  b.EiPozCena(Ilosc::Of(ilosc), CenaJedn::Of(cena), Stawka::Of(stawka));
}

TEST(EdiSyntax, DataValuesEscapeTheServiceCharactersAndLosePolishDiacritics) {
  EXPECT_EQ(edi::Value("O'Brien + Syn: 50% ?"), "O?'Brien ?+ Syn?: 50% ??");
  EXPECT_EQ(edi::Value("Łódź, ŻÓŁW i gęś"_pl), "Lodz, ZOLW i ges");
  EXPECT_EQ(edi::Value("  padded   "), "padded");
  EXPECT_EQ(edi::Value("tab\tand\x01"), "tab and");
  EXPECT_EQ(edi::Value(std::string(40, 'x')), std::string(35, 'x'));
  // Release characters do not count against the length, and never end a value alone.
  EXPECT_EQ(edi::Value("a:b:c", 3), "a?:b");
}

TEST(EdiSyntax, NumbersAreExactAndWrittenAsTheMessagesWantThem) {
  EXPECT_EQ(Kwota::Of(2.675).Text(), "2.68");  // as it reads, half away from zero
  EXPECT_EQ(Kwota::Of(-0.005).Text(), "-0.01");
  EXPECT_EQ(Kwota::Of(0.1 + 0.2).Text(), "0.30");
  EXPECT_EQ(Ilosc::Of(2.5).Trimmed() + " " + Ilosc::Of(5).Trimmed() + " " + Ilosc::Of(1.125).Trimmed(), "2.5 5 1.125");
  EXPECT_EQ(edi::PriceText(CenaJedn::Of(1.2301)), "1.2301");
  EXPECT_EQ(edi::PriceText(CenaJedn::Of(3)), "3.00");
  EXPECT_EQ(edi::TimesPrice(Ilosc::Of(0.5), CenaJedn::Of(0.05)).Text(), "0.03");  // 0.025 up
  EXPECT_EQ(edi::PercentOf(Kwota::Of(-10.10), Stawka::Of(23)).Text(), "-2.32");
  EXPECT_EQ(edi::UnitPrice(Kwota::Of(10), Ilosc::Of(3)).Text(), "3.3333");
  EXPECT_EQ(edi::UnitPrice(Kwota::Of(-5), Ilosc::Of(-2)).Text(), "2.5000");
  EXPECT_EQ(Kwota::Parse("abc").Text(), "0.00");
}

TEST(EdiInvoice, AOneLineInvoiceWithoutOptionalSegmentsCountsItsSegments) {
  EdiInvoiceBuilder b = Started();
  b.EiPozycja("", "", "", "", Ilosc::Of(0));
  b.EiPozCena(Ilosc::Of(2), CenaJedn::Of(10), Stawka::Of(23));
  b.EiSuma();
  const std::string text = b.EiDoPliku("0915");
  const std::vector<std::string> segments = Segments(text);
  ASSERT_EQ(segments.size(), 27u) << text;
  EXPECT_EQ(segments.front(), "UNB+UNOC:2+5909918035277:14+5907543012261:14+261207:0915+1'");
  EXPECT_EQ(segments[1], "UNH+7+INVOIC:D:96A:UN:EAN008'");
  // UNH to UNT inclusive: every line but UNB and UNZ.
  EXPECT_EQ(segments[25], "UNT+25+7'");
  EXPECT_EQ(segments[26], "UNZ+1+1'");
  for (std::string_view optional : {"DTM+35", "RFF+", "FII+", "CUX+", "PAT+", "PIA+", "IMD+"}) {
    EXPECT_EQ(CountOf(segments, optional), optional == "RFF+" ? 2 : 0) << optional;  // RFF+VA of both parties
  }
  EXPECT_NE(text.find("LIN+1'\r\nQTY+47:2'\r\nMOA+66:20.00::4'\r\nPRI+AAA:10.00'\r\nTAX+7+VAT+++:::23+S'\r\n"
                      "MOA+124:4.60'\r\nUNS+S'\r\nCNT+2:1'\r\nMOA+77:24.60'"),
            std::string::npos);
  EXPECT_EQ(testing::EdifactFaultsOfTexts({text}), "");
}

TEST(EdiInvoice, VatGroupsFollowTheOrderInWhichRatesFirstAppear) {
  EdiInvoiceBuilder b = Started();
  Line(b, "5900000000017", 1, 100, 23);
  Line(b, "5900000000024", 2, 10, 8);
  Line(b, "5900000000031", 1, 50, 23);
  b.EiSuma();
  const EdiFaktura& f = b.model();
  ASSERT_EQ(f.grupy.size(), 2u);
  EXPECT_EQ(f.grupy[0].stawka.Trimmed(), "23");
  EXPECT_EQ(f.grupy[0].netto.Text(), "150.00");
  EXPECT_EQ(f.grupy[0].vat.Text(), "34.50");
  EXPECT_EQ(f.grupy[1].stawka.Trimmed(), "8");
  EXPECT_EQ(f.grupy[1].vat.Text(), "1.60");
  const std::string text = b.EiDoPliku("1200");
  const std::string summary = text.substr(text.find("UNS+S'"));
  const size_t first = summary.find("TAX+7+VAT+++:::23+S'\r\nMOA+79:150.00'\r\nMOA+124:34.50'\r\n"
                                    "TAX+7+VAT+++:::23+S'\r\nMOA+125:150.00'");
  const size_t second = summary.find("TAX+7+VAT+++:::8+S'\r\nMOA+79:20.00'\r\nMOA+124:1.60'\r\n"
                                     "TAX+7+VAT+++:::8+S'\r\nMOA+125:20.00'");
  ASSERT_NE(first, std::string::npos) << summary;
  ASSERT_NE(second, std::string::npos) << summary;
  EXPECT_LT(first, second);
  EXPECT_NE(summary.find("MOA+77:206.10'\r\nMOA+79:170.00'\r\nMOA+124:36.10'\r\nMOA+125:170.00'"), std::string::npos);
  EXPECT_EQ(testing::EdifactFaultsOfTexts({text}), "");
}

TEST(EdiInvoice, UnitPricesHaveTwoDecimalsUnlessTheFourthPlaceIsUsed) {
  EdiInvoiceBuilder b = Started();
  Line(b, "", 4, 1.25, 23);
  Line(b, "", 4, 1.2345, 23);
  b.EiSuma();
  const std::string text = b.EiDoPliku("1200");
  EXPECT_NE(text.find("PRI+AAA:1.25'"), std::string::npos);
  EXPECT_NE(text.find("PRI+AAA:1.2345'"), std::string::npos);
  EXPECT_EQ(text.find("PRI+AAA:1.2500'"), std::string::npos);
  // The missing net value is round(4 × 1.2345, 2) = 4.94; the VAT round(4.94 × 23 %) = 1.14.
  EXPECT_NE(text.find("MOA+66:4.94::4'"), std::string::npos);
  EXPECT_NE(text.find("MOA+124:1.14'"), std::string::npos);
}

TEST(EdiInvoice, ALineOfQuantityZeroIsNeitherWrittenNorCounted) {
  EdiInvoiceBuilder b = Started();
  Line(b, "5900000000017", 3, 2, 23);
  Line(b, "5900000000024", 0, 99, 8);
  Line(b, "5900000000031", 1.5, 2, 23);
  b.EiSuma();
  const std::string text = b.EiDoPliku("1200");
  const std::vector<std::string> segments = Segments(text);
  EXPECT_EQ(CountOf(segments, "LIN+"), 2);
  EXPECT_NE(text.find("LIN+2++5900000000031:EN'"), std::string::npos);
  EXPECT_EQ(text.find("5900000000024"), std::string::npos);
  EXPECT_NE(text.find("CNT+2:2'"), std::string::npos);
  EXPECT_NE(text.find("QTY+47:1.5'"), std::string::npos);
  EXPECT_EQ(b.model().grupy.size(), 1u) << "the 8 % rate of the empty line makes no group";
  EXPECT_NE(text.find("MOA+79:9.00'"), std::string::npos);
}

TEST(EdiInvoice, OptionalPartsAreWrittenWhereTheLayoutPutsThem) {
  EdiInvoiceBuilder b;
  b.EiStart("1", "FV-3/OP", EdiDate(JulianFromYmd(2026, 12, 28)));
  b.EiDocZam("ZAM/7", EdiDate(JulianFromYmd(2026, 12, 20)));
  b.EiDocDost("WZ-5", EdiDate(JulianFromYmd(2026, 12, 27)), EdiDate(JulianFromYmd(2026, 12, 27)));
  b.EiDostawca("5907543012261", "754-301-22-60", "12 1020 1026 0000 0402 0345 6789", "D+1");
  b.EiNabywca("5909918035277", "9918035270", "PL61109010140000071219812874");
  b.EiMsDostawy("5909918035284");
  b.EiPlatnik("5909918035291", "1111111111", "PL27114020040000300201355387");
  b.EiOdbiorca("5909918035307", "2222222222", "PL10105000997603123456789123");
  b.EiWaluta("PLN");
  b.EiPlatnosc(14);
  b.EiPozycja("5900000000017", "B-77", "10001", "10.61.21", Ilosc::Of(12));
  b.EiPozOpis("CU", "MĄKA PSZENNA"_pl, "TYP 450");
  b.EiPozCena(Ilosc::Of(5), CenaJedn::Of(2.77), Stawka::Units(-100), Kwota::Of(13.85), Kwota::Of(0));
  b.EiPozMsDost("5909918035314");
  b.EiSuma();
  const std::string text = b.EiDoPliku("0800");
  for (std::string_view expected : {
           "DTM+35:20261227:102'\r\nRFF+ON:ZAM/7'\r\nDTM+171:20261220:102'\r\nRFF+DQ:WZ-5'\r\n",
           "NAD+SU+5907543012261::9'\r\nFII+RB+12 1020 1026 0000 0402 0345 6789'\r\nRFF+VA:754-301-22-60'\r\n"
           "NAD+BY+5909918035277::9'\r\nFII+PB+PL61109010140000071219812874'\r\nRFF+VA:9918035270'\r\n"
           "RFF+API:D?+1'\r\nNAD+DP+5909918035284::9'\r\n",
           "NAD+PL+5909918035291::9'\r\nFII+PL+PL27114020040000300201355387::9'\r\nRFF+VA:1111111111'\r\n",
           "NAD+IV+5909918035307::9'\r\nFII+IV+PL10105000997603123456789123::9'\r\nRFF+VA:2222222222'\r\n",
           "CUX+2:PLN:4'\r\nPAT+1++5:3:D:0'\r\nDTM+13:20270111:102'\r\n",
           "LIN+1++5900000000017:EN'\r\nPIA+1+B-77:BP'\r\nPIA+1+10001:SA'\r\nPIA+1+10.61.21:GN'\r\n"
           "IMD+C++CU::9'\r\nQTY+47:5'\r\nMOA+66:13.85::4'\r\nPRI+AAA:2.77'\r\nTAX+7+VAT+++:::-1+S'\r\n"
           "MOA+124:0.00'\r\nNAD+DP+5909918035314::9'\r\n",
       }) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  // The header's delivery note and order stand for every line: no line repeats them.
  EXPECT_EQ(CountOf(Segments(text), "RFF+ON"), 1);
  EXPECT_EQ(testing::EdifactFaultsOfTexts({text}), "");

  // Without them in the header, a line carries its own.
  EdiInvoiceBuilder c = Started();
  Line(c, "5900000000017", 1, 1, 23);
  c.EiPozDocDost("WZ-9", EdiDate(JulianFromYmd(2026, 12, 1)));
  c.EiPozDocZam("Z-9", EdiDate(JulianFromYmd(2026, 11, 30)));
  c.EiSuma();
  const std::string own = c.EiDoPliku("0800");
  EXPECT_NE(own.find("PRI+AAA:1.00'\r\nRFF+DQ:WZ-9'\r\nDTM+171:20261201:102'\r\nRFF+ON:Z-9'\r\n"
                     "DTM+171:20261130:102'\r\nTAX+7+VAT+++:::23+S'"),
            std::string::npos)
      << own;
  EXPECT_EQ(testing::EdifactFaultsOfTexts({own}), "");
}

TEST(EdiInvoice, NamesWithServiceCharactersNeverBreakTheSyntax) {
  EdiInvoiceBuilder b;
  b.EiStart("12", "FV-1/O'B+S:1?", EdiDate(JulianFromYmd(2026, 12, 7)));
  b.EiDostawca("590'1", "NIP:1+2", "", "it's?");
  b.EiNabywca("590+2", "", "");
  b.EiPozycja("59:3", "a'b", "c+d", "e:f", Ilosc::Of(1));
  b.EiPozOpis("CU", "O'Brien", "");
  b.EiPozCena(Ilosc::Of(1), CenaJedn::Of(1), Stawka::Of(23));
  b.EiSuma();
  const std::string text = b.EiDoPliku("1200");
  EXPECT_NE(text.find("BGM+380+FV-1/O?'B?+S?:1??+9'"), std::string::npos);
  EXPECT_NE(text.find("UNB+UNOC:2+590?+2:14+590?'1:14+"), std::string::npos);
  EXPECT_NE(text.find("RFF+VA:NIP?:1?+2'"), std::string::npos);
  EXPECT_NE(text.find("RFF+API:it?'s?" "?'"), std::string::npos);
  EXPECT_NE(text.find("LIN+1++59?:3:EN'\r\nPIA+1+a?'b:BP'\r\nPIA+1+c?+d:SA'\r\nPIA+1+e?:f:GN'"), std::string::npos);
  EXPECT_EQ(testing::EdifactFaultsOfTexts({text}), "");
}

// Over random invoices: the counts and sums a receiver checks hold, the groups come in
// the order of first appearance, and both checkers accept every message.
TEST(EdiInvoice, RandomInvoicesKeepTheirCountsAndSums) {
  std::mt19937 rng(20261207);
  const double rates[] = {23, 8, 5, 0, -1};
  std::vector<std::string> texts;
  for (int n = 0; n < 150; ++n) {
    EdiInvoiceBuilder b = Started(std::to_string(n + 1));
    if (n % 3 == 0) b.EiDocDost("WZ " + std::to_string(n), EdiDate(JulianFromYmd(2026, 12, 6)), EdiDate());
    if (n % 2 == 0) b.EiPlatnosc(static_cast<int>(rng() % 60));
    const int lines = 1 + static_cast<int>(rng() % 12);
    std::vector<int> first_seen;
    int written = 0;
    long long netto = 0, vat = 0;
    for (int i = 0; i < lines; ++i) {
      const int rate = static_cast<int>(rng() % 5);
      const long long q = rng() % 4 == 0 ? 0 : static_cast<long long>(rng() % 50'000) - 5'000;  // thousandths
      const long long price = static_cast<long long>(rng() % 2'000'000);                        // 1/10000
      b.EiPozycja(std::to_string(5900000000000LL + i), "", "", "", Ilosc::Of(1));
      b.EiPozCena(Ilosc::Units(q), CenaJedn::Units(price), Stawka::Of(rates[rate]));
      if (q == 0) continue;
      ++written;
      if (std::find(first_seen.begin(), first_seen.end(), rate) == first_seen.end()) first_seen.push_back(rate);
      netto += b.model().pozycje.back().netto.units();
      vat += b.model().pozycje.back().vat.units();
    }
    b.EiSuma();
    const std::string text = b.EiDoPliku("1200");
    const std::vector<std::string> segments = Segments(text);
    ASSERT_GE(segments.size(), 3u);
    EXPECT_EQ(segments[segments.size() - 2], "UNT+" + std::to_string(segments.size() - 2) + "+" + std::to_string(n + 1) + "'");
    EXPECT_EQ(CountOf(segments, "LIN+"), written);
    EXPECT_NE(text.find("CNT+2:" + std::to_string(written) + "'"), std::string::npos);
    const EdiFaktura& f = b.model();
    EXPECT_EQ(f.netto.units(), netto);
    EXPECT_EQ(f.vat.units(), vat);
    EXPECT_EQ(f.brutto.units(), netto + vat);
    ASSERT_EQ(f.grupy.size(), first_seen.size());
    long long group_net = 0;
    for (size_t g = 0; g < f.grupy.size(); ++g) {
      EXPECT_EQ(f.grupy[g].stawka, Stawka::Of(rates[first_seen[g]]));
      group_net += f.grupy[g].netto.units();
    }
    EXPECT_EQ(group_net, netto);
    texts.push_back(text);
  }
  EXPECT_EQ(testing::EdifactFaultsOfTexts(texts), "");
}

// The checkers themselves catch what they are there for: a message out of order, a
// composite too long, a wrong count.
TEST(EdiInvoice, TheCheckersRefuseABrokenMessage) {
  EdiInvoiceBuilder b = Started();
  Line(b, "5900000000017", 1, 1.25, 23);
  b.EiSuma();
  const std::string good = b.EiDoPliku("1200");
  auto broken = [&](std::string_view from, std::string_view to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  for (const std::string& bad : {broken("PRI+AAA:1.25'", "PRI+AAA1.25'"), broken("NAD+BY+", "NAD+IVPL+"),
                                 broken("BGM+380+FV-12+9'\r\n", ""), broken("CNT+2:1'", "CNT+2:2'")}) {
    EXPECT_NE(testing::EdifactFaultsOfTexts({bad}), "") << bad;
  }
}

}  // namespace
}  // namespace hurt::invoicing
