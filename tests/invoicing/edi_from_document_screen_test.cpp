// An invoice of the month's list (Zestawienie dowodow) made an EDIFACT INVOIC file with F8:
// the parameter screen, what the file says about the document's lines, the message
// number in eo_cfg, and the ways out that write nothing.
#include <gtest/gtest.h>

#include "base/text.h"
#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "invoicing/document_summary.h"
#include "invoicing/edi_from_document.h"
#include "invoicing/edi_tables.h"
#include "invoicing/edifact_check.h"

namespace hurt::invoicing {
namespace {

namespace key = console::key;
using xbase::Value;

constexpr int kFields = 11;  // the edited fields of the parameter screen

class EdiScreenTest : public catalogues::testing::CatalogueTest {
 protected:
  void SetUp() override {
    Marker("KOD13.TXT");  // the article table carries bar codes
    CatalogueTest::SetUp();
    s().set_stacja(1);
    Add(Area(9), {{"RD", Value("FV ")}, {"OPIS", Value("FAKTURA VAT")}, {"R_P", Value("R")}, {"S_Z", Value("S")},
                  {"NB", Value("N")}, {"KTO", Value("O")}, {"MAG", Value("1")}});
    Add(Area(9), {{"RD", Value("PZ ")}, {"OPIS", Value("PRZYJECIE")}, {"R_P", Value("P")}, {"S_Z", Value("Z")},
                  {"NB", Value("N")}, {"KTO", Value("D")}, {"MAG", Value("1")}});
    Article("1", "A1", "MĄKA", {{"KOD13", Value("5900000000017")}});
    Article("1", "A2", "CUKIER");
    Article("1", "A3", "KAWA", {{"KOD13", Value("5900000000024")}});
    xbase::WorkArea& firma = Area(1);
    ASSERT_TRUE(firma.GoTop().ok());
    ASSERT_TRUE(firma.LockRecord().ok());
    ASSERT_TRUE(firma.Replace("REGON", Value("754-301-22-60")).ok());
    ASSERT_TRUE(firma.Unlock().ok());
    Header("FV ", 5);
    Header("PZ ", 1);
    // A net line at 23 %, a line of quantity 0, a gross line at 8 % (32.40 gross, 2.40 VAT:
    // 30.00 net, 10.00 a unit), an exempt line.
    Line("FV ", 5, 1, "A1", 2, 20.00, "23", 4.60);
    Line("FV ", 5, 2, "A2", 0, 0, "23", 0);
    Line("FV ", 5, 3, "A3", 3, 32.40, " 8", 2.40, "B");
    Line("FV ", 5, 4, "A2", 1, 7.00, "ZW", 0);
  }

  void Header(const std::string& rd, int nrd) {
    Add(Area(6), {{"RD", Value(rd)}, {"NRD", Value(PadL(std::to_string(nrd), 8))}, {"R_P", Value(rd == "FV " ? "R" : "P")},
                  {"S_Z", Value(rd == "FV " ? "S" : "Z")}, {"DATA", Value(xbase::Date{JulianFromYmd(2024, 3, 14)})},
                  {"MAG", Value("1")}, {"KTO", Value("O")}, {"ODB", Value("SMAKOSZ")}, {"NODB", Value("SMAKOSZ")},
                  {"REGON", Value("9918035270")}, {"SPZ", Value("P")}, {"TEZ", Value(14.0)},
                  {"NETTO", Value(57.0)}, {"VAT", Value(7.0)}});
  }
  void Line(const std::string& rd, int nrd, int lp, const std::string& indeks, double ilosc, double wartosc,
            const std::string& podatek0, double podatek, const std::string& nb = "N") {
    Add(Area(5), {{"RD", Value(rd)}, {"NRD", Value(PadL(std::to_string(nrd), 8))}, {"LP", Value(PadL(std::to_string(lp), 3))},
                  {"R_P", Value("R")}, {"S_Z", Value("S")}, {"MAG", Value("1")}, {"INDEKS", Value(indeks)},
                  {"NAZWA", Value("TOWAR " + indeks)}, {"ILOSC", Value(ilosc)}, {"WARTOSC", Value(wartosc)},
                  {"PODATEK0", Value(podatek0)}, {"PODATEK", Value(podatek)}, {"NB", Value(nb)},
                  {"DATA", Value(xbase::Date{JulianFromYmd(2024, 3, 14)})}});
  }

  // Another station on the same data directory.
  EdiPlace Other() { return EdiPlace{env, other_areas, dir.str(), "02", ui}; }
  std::string Stored() {
    EdiPlace other = Other();
    auto cfg = CzytajEoCfg(other);
    return cfg.ok() ? cfg->at("INV_NR_KOM") : "?";
  }
  bool RunSummary() {
    return d.Run([&](console::Console&) { ZestawienieDowodow(s()); });
  }
  // F8 on the row the cursor stands on, and Enter through the parameter screen.
  void F8AndEnter(int enters = kFields) {
    d.Key(key::F(8)).Then([&] { EXPECT_TRUE(d.Contains("PARAMETRY DOKUMENTU EDIFACT")) << d.Dump(); });
    for (int i = 0; i < enters; ++i) d.Key(key::kEnter);
  }
  // A value of eo_cfg, as the installation sets it.
  void SetCfg(const std::string& name, const std::string& value) {
    EdiPlace other = Other();
    ASSERT_TRUE(EnsureEoCfg(other).ok());
    auto t = other_areas.Open(1, dir / "eo_cfg.dbf", "cfg");
    ASSERT_TRUE(t.ok());
    xbase::WorkArea& a = **t;
    for (Status st = a.GoTop(); st.ok() && !a.eof(); st = a.Skip(1)) {
      if (AllTrim(a.Get("NAME")->AsString()) != name) continue;
      ASSERT_TRUE(a.LockRecord().ok());
      ASSERT_TRUE(a.Replace("VALUE", Value(value)).ok());
      ASSERT_TRUE(a.Unlock().ok());
    }
    ASSERT_TRUE(other_areas.Close(1).ok());
  }
  void OurGlns() {
    SetCfg("INV_NAD_SU", "5907543012261");
    SetCfg("INV_NAD_BY", "5909918035277");
  }
  std::string File(const std::string& name) { return dir.Exists(name) ? dir.Read(name) : std::string(); }

  xbase::WorkAreas other_areas{env};
};

TEST_F(EdiScreenTest, F8WritesTheInvoiceAndStoresItsMessageNumber) {
  OurGlns();
  F8AndEnter();
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Powstal plik: xml/fv5.edi")) << d.Dump();
    EXPECT_TRUE(d.LineIs(24, "Enter-podglad Spacja-WZ F3-kolejn. F4-PDF F6-filtr F7-KSeF F8-EDI F9-druk Esc"));
  });
  d.Key(key::kEsc).Key(key::kEsc);  // the message, the list
  ASSERT_TRUE(RunSummary());
  const std::string text = File("xml/fv5.edi");
  ASSERT_FALSE(text.empty());
  for (std::string_view expected : {
           "UNH+1+INVOIC:D:96A:UN:EAN008'", "BGM+380+FV-5+9'", "DTM+137:20240314:102'",
           // Our tax number from firma, the buyer's from the document.
           "NAD+SU+5907543012261::9'\r\nRFF+VA:754-301-22-60'\r\nNAD+BY+5909918035277::9'\r\nRFF+VA:9918035270'",
           "PAT+1++5:3:D:0'\r\nDTM+13:20240328:102'",
           "LIN+1++5900000000017:EN'\r\nQTY+47:2'\r\nMOA+66:20.00::4'\r\nPRI+AAA:10.00'\r\nTAX+7+VAT+++:::23+S'\r\nMOA+124:4.60'",
           "LIN+2++5900000000024:EN'\r\nQTY+47:3'\r\nMOA+66:30.00::4'\r\nPRI+AAA:10.00'\r\nTAX+7+VAT+++:::8+S'\r\nMOA+124:2.40'",
           "LIN+3'\r\nQTY+47:1'\r\nMOA+66:7.00::4'\r\nPRI+AAA:7.00'\r\nTAX+7+VAT+++:::-1+S'\r\nMOA+124:0.00'",
           "CNT+2:3'\r\nMOA+77:64.00'\r\nMOA+79:57.00'\r\nMOA+124:7.00'\r\nMOA+125:57.00'",
       }) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  EXPECT_EQ(Stored(), "1");
  EXPECT_EQ(testing::EdifactFaults({dir / "xml/fv5.edi"}), "");
  EXPECT_FALSE(dir.Exists("xml/fv5.edi.01.tmp"));

  // The next file of the same invoice takes the next number.
  F8AndEnter();
  d.Key(key::kEsc).Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
  EXPECT_NE(File("xml/fv5.edi").find("UNH+2+INVOIC"), std::string::npos);
  EXPECT_EQ(Stored(), "2");
}

TEST_F(EdiScreenTest, EscOnTheParameterScreenWritesNothing) {
  EdiPlace other = Other();
  ASSERT_TRUE(EnsureEoCfg(other).ok());
  F8AndEnter(3);
  d.Key(key::kEsc).Then([&] {
    EXPECT_FALSE(d.Contains("PARAMETRY DOKUMENTU EDIFACT"));
    EXPECT_TRUE(d.Contains("ZESTAWIENIE DOWODOW")) << d.Dump();
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
  EXPECT_FALSE(dir.Exists("xml/fv5.edi"));
  EXPECT_EQ(Stored(), "");
}

TEST_F(EdiScreenTest, TheScreensValuesGoIntoTheMessage) {
  ASSERT_TRUE(s().settings().SetText("J_FV_SYMBO", "OP").ok());
  Marker("EDI.TXT");
  d.Key(key::F(8)).Type("ZAM/12").Key(key::kEnter);  // the order number
  for (int i = 1; i < 5; ++i) d.Key(key::kEnter);
  d.Type("5909918035284").Key(key::kEnter);  // the delivery point
  // Our GLN may not be left blank.
  d.Key(key::kEnter).Then([&] { EXPECT_TRUE(d.Contains("Wpisz EAN dostawcy")) << d.Dump(); }).Wait(3000);
  d.Type("5907543012261").Key(key::kEnter);
  for (int i = 7; i < 9; ++i) d.Key(key::kEnter);
  d.Type("5909918035277").Key(key::kEnter);  // the buyer's GLN
  d.Key(key::kEnter);
  d.Key(key::kEsc).Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
  const std::string text = File("xml/fv5.txt");
  EXPECT_NE(text.find("UNB+UNOC:2+5909918035277:14+5907543012261:14+240314:"), std::string::npos) << text;
  EXPECT_NE(text.find("BGM+380+FV-5/OP+9'"), std::string::npos);
  EXPECT_NE(text.find("RFF+ON:ZAM/12'\r\nNAD+SU"), std::string::npos) << "no order date: no DTM+171";
  EXPECT_EQ(text.find("RFF+DQ"), std::string::npos) << "no delivery-note number";
  EXPECT_NE(text.find("NAD+DP+5909918035284::9'"), std::string::npos);
  EXPECT_EQ(testing::EdifactFaults({dir / "xml/fv5.txt"}), "");
}

// Another station stores a later number while this one sits on the screen: the file takes
// the number after it, never one already used.
TEST_F(EdiScreenTest, ANumberUsedMeanwhileByAnotherStationIsNotUsedAgain) {
  OurGlns();
  F8AndEnter(kFields - 1);
  d.Then([&] {
    EdiPlace other = Other();
    auto stored = ZapiszNumerFaktury(other, 5, [](long) { return Status::Ok(); });
    EXPECT_EQ(stored.value_or(-1), 5);
  });
  d.Key(key::kEnter).Key(key::kEsc).Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
  EXPECT_NE(File("xml/fv5.edi").find("UNH+6+INVOIC"), std::string::npos);
  EXPECT_EQ(Stored(), "6");
}

TEST_F(EdiScreenTest, OnlySalesInvoicesBecomeEdiFiles) {
  d.Key(key::kDown).Key(key::F(8)).Then([&] {
    EXPECT_TRUE(d.Contains("Nie utworzono pliku EDI: PZ nie jest faktura sprzedazy")) << d.Dump();
  });
  d.Key(key::kEsc).Key(key::kEsc);
  ASSERT_TRUE(RunSummary());
  EXPECT_FALSE(dir.Exists("xml"));
}

}  // namespace
}  // namespace hurt::invoicing
