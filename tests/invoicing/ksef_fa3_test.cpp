// FA(3) invoices of the national e-invoice system: every file written here must validate
// against the official schema (tests/schemas/ksef-fa3, checked offline with xmllint).
#include "invoicing/ksef_fa3.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "base/text.h"
#include "documents/posting_fixture.h"
#include "session/init_tables.h"
#include "invoicing/document_actions.h"
#include "invoicing/ksef_invoice.h"
#include "support/fa3_schema.h"
#include "support/golden.h"
#include "xbase/file_util.h"
#include "support/temp_dir.h"

namespace hurt::invoicing {
namespace {

Fa3Invoice Sample() {
  Fa3Invoice inv;
  inv.numer = "FV 12/12/2026";
  inv.data = JulianFromYmd(2026, 12, 10);
  inv.data_sprzedazy = JulianFromYmd(2026, 12, 9);
  inv.miejsce = "Opole";
  inv.wytworzono = "2026-12-10T09:00:00Z";
  inv.sprzedawca = {.nip = "754-210-33-84", .nazwa = "Hurtownia \"Opolanka\" & Syn Sp. z o.o.", .kod_kraju = "PL",
                    .adres_l1 = "ul. Hurtowa 1", .adres_l2 = "45-001 Opole"};
  inv.nabywca = {.nip = "9918035270", .nazwa = "Delikatesy Smakosz s.c.", .kod_kraju = "PL",
                 .adres_l1 = "ul. Krakowska 17", .adres_l2 = "45-075 Opole"};
  inv.lines = {
      {.nazwa = "MĄKA PSZENNA TYP 450 1KG", .indeks = "10001", .jm = "szt", .ilosc = 5, .cena_netto = 2.77,
       .wartosc_netto = 13.85, .podatek0 = " 5", .gtu = 0},
      {.nazwa = "KAWA MIELONA 250G", .indeks = "10009", .jm = "szt", .ilosc = 3, .cena_netto = 11.7634,
       .wartosc_netto = 35.29, .podatek0 = "23", .gtu = 0},
      {.nazwa = "PIWO JASNE 0,5L", .indeks = "20001", .jm = "szt", .ilosc = 24, .cena_netto = 2.5, .wartosc_netto = 60,
       .podatek0 = "23", .gtu = 1},
      {.nazwa = "USŁUGA SZKOLENIOWA", .indeks = "U1", .jm = "usł", .ilosc = 1, .cena_netto = 100, .wartosc_netto = 100,
       .podatek0 = "ZW", .gtu = 12},
  };
  inv.rates = {{" 5", 13.85, 0.69}, {"23", 95.29, 21.92}, {"ZW", 100, 0}};
  inv.brutto = 13.85 + 0.69 + 95.29 + 21.92 + 100;
  inv.mpp = false;
  inv.spz = "P";
  inv.termin = JulianFromYmd(2026, 12, 24);
  inv.rachunek = "12 1020 1026 0000 0402 0345 6789";
  return inv;
}

std::string Validate(const std::string& xml) { return testing::ValidateFa3(xml); }

TEST(KsefFa3, AnInvoiceValidatesAndMatchesItsGoldenFile) {
  const std::string xml = BuildFa3(Sample());
  EXPECT_EQ(Validate(xml), "");
  EXPECT_NE(xml.find("<KodFormularza kodSystemowy=\"FA (3)\" wersjaSchemy=\"1-0E\">FA</KodFormularza>"), std::string::npos);
  EXPECT_NE(xml.find("<NIP>7542103384</NIP>"), std::string::npos);
  EXPECT_NE(xml.find("&quot;Opolanka&quot; &amp; Syn"), std::string::npos);
  EXPECT_NE(xml.find("<P_9A>11.7634</P_9A>"), std::string::npos);
  EXPECT_NE(xml.find("<P_12>zw</P_12>"), std::string::npos);
  testing::ExpectGolden("fa3_faktura.xml", xml);
}

TEST(KsefFa3, ACorrectionNamesTheCorrectedInvoiceAndACashSaleIsPaid) {
  Fa3Invoice inv = Sample();
  inv.korekta = true;
  inv.numer = "FK 3/12/2026";
  inv.przyczyna = "Zwrot towaru";
  inv.data_korygowanej = JulianFromYmd(2026, 12, 1);
  inv.nr_korygowanej = "FV 1/12/2026";
  inv.lines = {{.nazwa = "KAWA MIELONA 250G", .indeks = "10009", .jm = "szt", .ilosc = -1, .cena_netto = 11.76,
                .wartosc_netto = -11.76, .podatek0 = "23", .gtu = 0}};
  inv.rates = {{"23", -11.76, -2.70}};
  inv.brutto = -14.46;
  inv.spz = "G";
  std::string xml = BuildFa3(inv);
  EXPECT_EQ(Validate(xml), "");
  EXPECT_NE(xml.find("<NrKSeFN>1</NrKSeFN>"), std::string::npos);
  EXPECT_NE(xml.find("<P_15>-14.46</P_15>"), std::string::npos);
  EXPECT_NE(xml.find("<Zaplacono>1</Zaplacono>"), std::string::npos);
  inv.ksef_korygowanej = "7542103384-20261201-0123456789AB-CD";
  inv.nabywca.nip.clear();  // a consumer
  xml = BuildFa3(inv);
  EXPECT_EQ(Validate(xml), "");
  EXPECT_NE(xml.find("<NrKSeFFaKorygowanej>7542103384-20261201-0123456789AB-CD</NrKSeFFaKorygowanej>"), std::string::npos);
  EXPECT_NE(xml.find("<BrakID>1</BrakID>"), std::string::npos);
}

// J_KSEF "T": a posted invoice of a kind marked KSEF_TN "T" leaves its FA(3) file at once;
// a kind not marked leaves none. The file validates.
class KsefPosting : public documents::testing::PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT");
    Kind("PA", 'R', 'S', "PARAGON");
    ASSERT_TRUE(documents::testing::SeekIn(A(store::TableId::kSlow), "FV "));
    ASSERT_TRUE(A(store::TableId::kSlow).LockRecord().ok());
    ASSERT_TRUE(A(store::TableId::kSlow).Replace("KSEF_TN", xbase::Value("T")).ok());
    ASSERT_TRUE(A(store::TableId::kSlow).Commit().ok());
    Article("1", "A1", 1000, 2);
    ASSERT_TRUE(s().settings().SetText("J_KSEF", "T").ok());
    InstallDocumentActions(s());
  }
};

TEST_F(KsefPosting, APostedInvoiceOfAMarkedKindLeavesItsFa3File) {
  // Without our tax number no file is made, and the posting stands.
  Header("FV", "K1", "P");
  Line("A1", 1, 5);
  ASSERT_TRUE(Post());
  EXPECT_FALSE(env_.Exists(s().Path("ksef/FV_1.xml")));
  EXPECT_EQ(ZapiszFa3(s(), "FV", "1").status().message(), "Brak NIP lub nazwy firmy - uzupelnij dane firmy");
  xbase::WorkArea& firma = A(store::TableId::kFirma);
  ASSERT_TRUE(firma.GoTop().ok());
  ASSERT_TRUE(firma.LockRecord().ok());
  ASSERT_TRUE(firma.Replace("REGON", xbase::Value("754-210-33-84")).ok());
  ASSERT_TRUE(firma.Replace("NODB", xbase::Value("HURTOWNIA OPOLANKA")).ok());
  ASSERT_TRUE(firma.Commit().ok());
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("FV", "K1", "P");
  Line("A1", 3, 10);
  ASSERT_TRUE(Post());
  EXPECT_TRUE(s().settings().Yes("J_KSEF"));
  EXPECT_TRUE(KindSendsToKsef(s(), "FV"));
  auto xml = xbase::ReadWholeFile(env_, s().Path("ksef/FV_2.xml"));
  ASSERT_TRUE(xml.ok()) << xml.status().ToString();
  EXPECT_EQ(Validate(*xml), "");
  EXPECT_NE(xml->find("<P_2>FV-2</P_2>"), std::string::npos) << *xml;
  EXPECT_NE(xml->find("<P_13_1>30.00</P_13_1>"), std::string::npos) << *xml;
  EXPECT_NE(xml->find("<P_14_1>6.90</P_14_1>"), std::string::npos) << *xml;
  EXPECT_NE(xml->find("<P_15>36.90</P_15>"), std::string::npos) << *xml;
  ASSERT_TRUE(session::NoweDd(s(), st1().ui));
  Header("PA", "K1", "G");
  Line("A1", 1, 10);
  ASSERT_TRUE(Post());
  EXPECT_FALSE(env_.Exists(s().Path("ksef/PA_1.xml")));
}

}  // namespace
}  // namespace hurt::invoicing
