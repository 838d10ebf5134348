// The list of unpaid invoices from the open items.
#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "session/output/report_file.h"
#include "settlements/unpaid_invoices.h"

namespace hurt::settlements {
namespace {

using catalogues::testing::CatalogueTest;
using catalogues::testing::Fields;
using xbase::Value;

class UnpaidInvoicesTest : public CatalogueTest {
 protected:
  void Item(std::string kto, std::string odb, std::string rd, std::string nrd, double wn, double ma,
            Fields more = {}) {
    Fields f{{"KTO", Value(kto)}, {"ODB", Value(odb)}, {"RD", Value(rd)}, {"NRD", Value(nrd)},
             {"MAG", Value("1")}, {"OBWN", Value(wn)}, {"OBMA", Value(ma)},
             {"DATA", Value(xbase::Date{JulianFromYmd(2024, 3, 1)})},
             {"TERMIN", Value(xbase::Date{JulianFromYmd(2024, 3, 10)})}};
    for (auto& m : more) f.push_back(std::move(m));
    Add(Area(7), f);
  }
  std::string Report(bool currencies, std::string kto = "O", std::string odb = "") {
    auto written = session::RunReport(env, dir.str() + "/rob/test.prn", [&](session::ReportWriter& out) {
      EXPECT_TRUE(WriteUnpaidInvoices(s(), currencies, out, kto, odb));
    });
    EXPECT_TRUE(written.ok());
    return written.ok() ? Cp852ToUtf8(dir.Read(written->substr(dir.str().size() + 1))) : std::string();
  }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

TEST_F(UnpaidInvoicesTest, OwedDocumentsOfCustomersWithTheirDaysPastDue) {
  Add(Area(3), {{"ODB", Value("K1")}, {"NODB", Value("SKLEP POD LIPAMI")}});
  Item("O", "K1", "FV ", "       1", 100, 0);
  Item("O", "K1", "FV ", "       2", 50, 50);           // paid at issue
  Item("O", "K1", "FV ", "       3", 80, 30);           // partly paid
  Item("O", "K1", "KP ", "       7", 0, 20, {{"MAG", Value("0")}});  // a money document
  Item("O", "K2", "FE ", "       1", 10, 0, {{"KURS", Value(4.5)}, {"WALUTA", Value("EUR")}});
  Item("D", "D1", "PZ ", "       1", 0, 300);          // a supplier's
  // What a compensation left of an invoice.
  Item("O", "K2", "KO ", "       4", 12, 0, {{"MAG", Value("0")}, {"TRESC", Value("FV-9")}});
  const std::string text = Report(false);
  EXPECT_TRUE(Has(text, "K1  SKLEP POD LIPAMI")) << text;
  EXPECT_TRUE(Has(text, "FV -       1  01.03.2024  10.03.2024        100.00")) << text;
  EXPECT_TRUE(Has(text, "FV -       3")) << text;
  EXPECT_FALSE(Has(text, "FV -       2")) << text;
  EXPECT_FALSE(Has(text, "KP -")) << text;
  EXPECT_FALSE(Has(text, "PZ -")) << text;
  EXPECT_TRUE(Has(text, "Razem:       150.00")) << text;
  EXPECT_TRUE(Has(text, "FE -       1  01.03.2024  10.03.2024         45.00")) << text;
  EXPECT_TRUE(Has(text, "KO -       4  01.03.2024  10.03.2024         12.00")) << text;
  EXPECT_TRUE(Has(text, "FV-9")) << text;
  EXPECT_TRUE(Has(text, "Lacznie (4 dowodow):")) << text;
  EXPECT_TRUE(Has(text, "207.00")) << text;
  EXPECT_TRUE(Has(text, "       5")) << text;  // 15.03.2024 is 5 days past 10.03.2024
  // In currencies the foreign item keeps its amount and code.
  const std::string currencies = Report(true);
  EXPECT_TRUE(Has(currencies, "10.00    EUR")) << currencies;
  // One counterparty's (F10 of the books): K2 alone; a supplier's, what we owe.
  const std::string k2 = Report(false, "O", "K2");
  EXPECT_TRUE(Has(k2, "FE -       1")) << k2;
  EXPECT_FALSE(Has(k2, "FV -")) << k2;
  EXPECT_TRUE(Has(k2, "Lacznie (2 dowodow):")) << k2;
  const std::string d1 = Report(false, "D", "D1");
  EXPECT_TRUE(Has(d1, "PZ -       1  01.03.2024  10.03.2024        300.00")) << d1;
  EXPECT_FALSE(Has(d1, "FV -")) << d1;
}

}  // namespace
}  // namespace hurt::settlements
