// A sale typed at the document screen, posted, then shown in the document display and
// printed there with F5: the invoice in the station's report file carries the totals,
// the VAT rows and the amount in words.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/cp852.h"
#include "base/text.h"
#include "console/keys.h"
#include "documents/document_list.h"
#include "documents/line_editor.h"
#include "invoicing/printer_codes.h"
#include "session/init_tables.h"
#include "session/viewer.h"
#include "shell/startup_fixture.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
namespace key = console::key;

class SaleToInvoiceScreen : public ::hurt::testing::DataDirTest {
 protected:
  void SetUp() override {
    ::hurt::testing::MakeCompany(dir.str());
    ASSERT_TRUE(t.Run([&] { ASSERT_TRUE(session::InitNtx(t.session)); }));
    t.session.op().nazwisko = "Nowak Anna";
    Article("MLOTEK", 10.00, "23");
    Article("GWOZDZ", 1.99, "23");
    Article("KSIAZKA", 5.00, " 8");
    Put("slow", {{"RD", "FV "}, {"OPIS", "FAKTURA VAT"}, {"R_P", "R"}, {"S_Z", "S"}, {"CUV", "U"}, {"NB", "N"},
                 {"KTO", "O"}, {"MAG", "1"}, {"NRD", 41}});
    Put("zo", {{"ODB", "KOWALSKI"}, {"NODB", "SKLEP JAN KOWALSKI"}, {"REGON", "1234563218"}});
  }

  void Put(const char* alias, std::initializer_list<std::pair<const char*, xbase::Value>> fields) {
    xbase::WorkArea& a = *t.session.areas().Find(alias);
    ASSERT_TRUE(a.Append().ok());
    for (const auto& [name, value] : fields) ASSERT_TRUE(a.Replace(name, value).ok()) << name;
    ASSERT_TRUE(a.Unlock().ok());
  }
  void Article(const char* indeks, double cena, const char* vat) {
    Put("as", {{"MAG", "1"}, {"INDEKS", indeks}, {"NAZWA", std::string("ARTYKUL ") + indeks}, {"JM", "SZT"},
               {"ILOSC", 100.0}, {"CENA", cena}, {"CENA0", 1.0}, {"PODATEK0", vat}});
  }
  // The header of a new sale as the entry screen leaves it.
  void NewSale() {
    session::SessionVariables& v = t.session.vars();
    v.Set("KLUCZ", xbase::Value(0));
    v.Set("M_RD", xbase::Value("FV "));
    v.Set("M_NRD", xbase::Value("      42"));
    v.Set("M_DATA", xbase::Value(xbase::Date{JulianFromYmd(2026, 12, 8)}));
    v.Set("M_MAG", xbase::Value("1"));
    v.Set("M_KTO", xbase::Value("O"));
    v.Set("M_ODB", xbase::Value("KOWALSKI"));
    v.Set("M_NODB", xbase::Value("SKLEP JAN KOWALSKI"));
    v.Set("M_SPZ", xbase::Value("G"));
    v.Set("M_TEZ", xbase::Value(0));
    v.Set("M_ODBIORC1", xbase::Value("00-001 WARSZAWA"));  // delivery address given
  }
  // Code and quantity typed, price and percent as proposed.
  void TypeLine(const std::string& indeks, const std::string& ilosc) {
    t.d.Type(indeks).Key(key::kEnter).Type(ilosc).Key(key::kEnter).Keys({key::kEnter, key::kEnter});
  }
  std::string Printout() {
    std::ifstream in(t.session.Path(session::StationReportFile(t.session)), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  double Stock(const char* indeks) {
    xbase::WorkArea& a = *t.session.areas().Find("as");
    auto f = a.SeekKey("1" + PadR(indeks, 8));
    EXPECT_TRUE(f.ok() && *f) << indeks;
    return a.Get("ILOSC")->AsNumber();
  }

  shell::TestStation t{dir.str()};
};

bool Has(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// The line of the printout holding `part`, looked for from `from` on.
std::string LineWith(const std::string& text, std::string_view part, size_t from = 0) {
  const size_t at = text.find(part, from);
  if (at == std::string::npos) return {};
  size_t begin = text.rfind("\r\n", at);
  begin = begin == std::string::npos ? 0 : begin + 2;
  return text.substr(begin, text.find("\r\n", at) - begin);
}

TEST_F(SaleToInvoiceScreen, ASalePostedThenPrintedFromTheDocumentDisplay) {
  // Entry: three articles at two rates, then leaving the grid posts the sale.
  NewSale();
  ASSERT_TRUE(session::NoweDd(t.session));
  TypeLine("MLOTEK", "2");
  TypeLine("GWOZDZ", "3");
  TypeLine("KSIAZKA", "1");
  t.d.Key(key::kEsc);
  t.recorder.When("CZY SKONCZY", 'T');
  ASSERT_TRUE(t.Run([&] { documents::MyDow(t.session, 10, 0, 22, 79, "dd", "", 7); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_DOUBLE_EQ(Stock("GWOZDZ"), 97);

  // Display of FV-42: F5 prints it, the viewer shows it, Esc leaves the viewer and the grid.
  t.recorder.shown.clear();
  t.d.Key(key::F(5));
  t.recorder.When("F5-Druk (Alt_F5)", key::kEsc);
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { documents::DbuDow(t.session, 1, "FV ", "42"); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_TRUE(t.recorder.Saw("WYSWIETLANIE   DOWODOW"));
  EXPECT_TRUE(t.recorder.Saw("FAKTURA NR FV-42")) << "the viewer shows the printout";
  // The display showed the line values and the total that the invoice prints (dow keeps
  // no gross value of its own).
  const auto grid = std::find_if(t.recorder.shown.begin(), t.recorder.shown.end(), [](const std::string& s) {
    return Has(s, "WYSWIETLANIE") && Has(s, "ARTYKUL KSIAZKA");
  });
  ASSERT_NE(grid, t.recorder.shown.end());
  for (const char* value : {"│      24.60\n", "│       7.34\n", "│       5.40\n", "        37.34\n"})
    EXPECT_TRUE(Has(*grid, value)) << value << "\n" << *grid;

  const std::string text = Printout();
  ASSERT_FALSE(text.empty());
  EXPECT_TRUE(Has(text, "FAKTURA NR FV-42")) << Cp852ToUtf8(text);
  EXPECT_TRUE(Has(text, "SKLEP JAN KOWALSKI"));
  EXPECT_TRUE(Has(text, "ARTYKUL GWOZDZ"));
  // The totals: net 30.97, VAT 6.37, gross 37.34.
  const std::string razem = LineWith(text, "Razem");
  EXPECT_TRUE(Has(razem, "30.97")) << razem;
  EXPECT_TRUE(Has(razem, "6.37")) << razem;
  EXPECT_TRUE(Has(razem, "37.34")) << razem;
  // The VAT rows: 23 % on 25.97 is 5.97 (the line VATs 4.60 + 1.37), 8 % on 5.00 is 0.40.
  const size_t summary = text.find("W tym");
  ASSERT_NE(summary, std::string::npos);
  const std::string row23 = LineWith(text, "| 23 |", summary);
  EXPECT_TRUE(Has(row23, "25.97") && Has(row23, "5.97") && Has(row23, "31.94")) << row23;
  const std::string row8 = LineWith(text, "|  8 |", summary);
  EXPECT_TRUE(Has(row8, "5.00") && Has(row8, "0.40") && Has(row8, "5.40")) << row8;
  // The amount in words.
  EXPECT_TRUE(Has(text, Overstrike("trzydzieści siedem zł. i trzydzieści cztery gr."_pl)));

  // Display changed nothing: the document is still posted, the stock as the sale left it.
  xbase::WorkArea& dowod = *t.session.areas().Find("dowod");
  ASSERT_TRUE(dowod.SetOrder(1).ok());
  auto found = dowod.SeekKey("FV       42");
  ASSERT_TRUE(found.ok() && *found);
  EXPECT_FALSE(dowod.deleted());
  EXPECT_DOUBLE_EQ(Stock("GWOZDZ"), 97);
  EXPECT_DOUBLE_EQ(Stock("MLOTEK"), 98);
}


// A number cancelled by its marker ("F42.---") prints the cancelled form with F5 from the
// document screen, while the document is typed as well as when it is shown: no lines and
// no totals, "--- FAKTURA ANULOWANA ---", and the marker is used up.
TEST_F(SaleToInvoiceScreen, F5OnACancelledNumberPrintsTheCancelledForm) {
  auto cancelled = [&](const std::string& text) {
    EXPECT_TRUE(Has(text, "--- FAKTURA ANULOWANA ---")) << Cp852ToUtf8(text);
    EXPECT_TRUE(Has(text, "SKLEP JAN KOWALSKI")) << "the buyer is printed";
    EXPECT_FALSE(Has(text, "ARTYKUL MLOTEK"));
    EXPECT_FALSE(Has(text, "Razem"));
    EXPECT_FALSE(dir.Exists("F42.---")) << "the cancelled form prints once";
  };
  NewSale();
  ASSERT_TRUE(session::NoweDd(t.session));
  dir.Write("F42.---", "");
  TypeLine("MLOTEK", "2");
  t.d.Key(key::F(5));
  t.recorder.When("F5-Druk (Alt_F5)", key::kEsc);
  t.d.Key(key::kEsc);
  t.recorder.When("CZY SKONCZY", 'T');
  ASSERT_TRUE(t.Run([&] { documents::MyDow(t.session, 10, 0, 22, 79, "dd", "", 7); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  cancelled(Printout());

  dir.Write("F42.---", "");
  t.d.Key(key::F(5));
  t.recorder.When("F5-Druk (Alt_F5)", key::kEsc);
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { documents::DbuDow(t.session, 1, "FV ", "42"); }));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  cancelled(Printout());
}

// A pattern document ("** " in its recipient text) shown and printed with F5 offers a
// similar new document; on yes the display ends and the new document opens in the editor,
// numbered after the pattern, with the pattern's lines reserved.
TEST_F(SaleToInvoiceScreen, APatternPrintedFromTheDisplayOpensASimilarDocument) {
  NewSale();
  ASSERT_TRUE(session::NoweDd(t.session));
  TypeLine("MLOTEK", "2");
  t.d.Key(key::kEsc);
  t.recorder.When("CZY SKONCZY", 'T');
  ASSERT_TRUE(t.Run([&] { documents::MyDow(t.session, 10, 0, 22, 79, "dd", "", 7); }));
  xbase::WorkArea& dowod = *t.session.areas().Find("dowod");
  ASSERT_TRUE(dowod.SetOrder(1).ok());
  auto found = dowod.SeekKey("FV       42");
  ASSERT_TRUE(found.ok() && *found);
  ASSERT_TRUE(dowod.LockRecord().ok());
  ASSERT_TRUE(dowod.Replace("ODBIORCA", xbase::Value("** WZOR")).ok());
  ASSERT_TRUE(dowod.Unlock().ok());

  t.recorder.shown.clear();
  t.d.Key(key::F(5));
  t.recorder.When("F5-Druk (Alt_F5)", key::kEsc);
  t.recorder.When("Utworzyc podobny dowod ?", 'T');
  t.recorder.When("CZY SKONCZY", 'N');  // the new document, with the pattern's address, left at once
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { documents::DbuDow(t.session, 1, "FV ", "42"); }));
  EXPECT_TRUE(t.recorder.Saw("ARTYKUL MLOTEK"));
  EXPECT_TRUE(t.recorder.AllGatesUsed());
  EXPECT_TRUE(t.recorder.Saw("      24.60")) << "the copied line is priced";
  EXPECT_DOUBLE_EQ(Stock("MLOTEK"), 98) << "the dropped copy leaves the stock as the pattern left it";
}
}  // namespace
}  // namespace hurt::invoicing
