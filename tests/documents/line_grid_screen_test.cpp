// The line grid driven by keys: lines typed into an empty document, the stock check and
// the reservations they leave on the article cards.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/keys.h"
#include "documents/big_total.h"
#include "documents/line_editor.h"
#include "documents/line_grid.h"
#include "documents/line_grid_parts.h"
#include "documents/line_search.h"
#include "session/init_tables.h"
#include "shell/startup_fixture.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"

namespace hurt::documents {
namespace {

namespace key = console::key;

class LineGridScreen : public testing::DataDirTest {
 protected:
  // The grid as MYDOW runs it, except that leaving keeps the lines in dd where the tests
  // look at them (leaving through the posting is tested with the posting).
  bool Grid() {
    return RunLineGrid(t.session, 10, 0, 22, 79, "dd", "", 7, [this](session::Session&) {
      ++left;
      return true;
    });
  }
  int left = 0;  // how many times the grid was left
  void SetUp() override {
    testing::MakeCompany(dir.str());
    ASSERT_TRUE(t.Run([&] { ASSERT_TRUE(session::InitNtx(t.session)); }));
    AddArticle("TOWAR1", 10, 2, 3);
    AddArticle("TOWAR2", 1, 0, 0);
    AddKind("FV ", "FAKTURA VAT", "R", "S");
    AddKind("ZAM", "ZAMOWIENIE", "R", "S");
    // The header as the entry routine leaves it.
    session::SessionVariables& v = t.session.vars();
    v.Set("KLUCZ", xbase::Value(0));
    v.Set("M_RD", xbase::Value("FV "));
    v.Set("M_NRD", xbase::Value("      12"));
    v.Set("M_DATA", xbase::Value(xbase::Date{JulianFromYmd(2026, 12, 8)}));
    v.Set("M_MAG", xbase::Value("1"));
    v.Set("M_ODB", xbase::Value("ODB1    "));
    v.Set("M_SPZ", xbase::Value("G"));
    v.Set("M_TEZ", xbase::Value(0));
    v.Set("M_ODBIORC1", xbase::Value("00-001 WARSZAWA"));
  }

  void AddArticle(const std::string& indeks, double ilosc, double rezerwa, double rezerwa0) {
    xbase::WorkArea& a = *t.session.areas().Find("as");
    ASSERT_TRUE(a.Append().ok());
    ASSERT_TRUE(a.Replace("MAG", xbase::Value("1")).ok());
    ASSERT_TRUE(a.Replace("INDEKS", xbase::Value(indeks)).ok());
    ASSERT_TRUE(a.Replace("NAZWA", xbase::Value("ARTYKUL " + indeks)).ok());
    ASSERT_TRUE(a.Replace("JM", xbase::Value("SZT")).ok());
    ASSERT_TRUE(a.Replace("ILOSC", xbase::Value(ilosc)).ok());
    ASSERT_TRUE(a.Replace("REZERWA", xbase::Value(rezerwa)).ok());
    ASSERT_TRUE(a.Replace("REZERWA0", xbase::Value(rezerwa0)).ok());
    ASSERT_TRUE(a.Replace("CENA", xbase::Value(10.0)).ok());
    ASSERT_TRUE(a.Replace("CENA2", xbase::Value(12.3)).ok());
    ASSERT_TRUE(a.Replace("CENA0", xbase::Value(6.0)).ok());
    ASSERT_TRUE(a.Replace("PODATEK0", xbase::Value("23")).ok());
    ASSERT_TRUE(a.Unlock().ok());
  }
  void AddKind(const std::string& rd, const std::string& opis, const std::string& r_p, const std::string& s_z,
               const std::string& cuv = "U") {
    xbase::WorkArea& s = *t.session.areas().Find("slow");
    ASSERT_TRUE(s.Append().ok());
    ASSERT_TRUE(s.Replace("RD", xbase::Value(rd)).ok());
    ASSERT_TRUE(s.Replace("OPIS", xbase::Value(opis)).ok());
    ASSERT_TRUE(s.Replace("R_P", xbase::Value(r_p)).ok());
    ASSERT_TRUE(s.Replace("S_Z", xbase::Value(s_z)).ok());
    ASSERT_TRUE(s.Replace("CUV", xbase::Value(cuv)).ok());
    ASSERT_TRUE(s.Replace("NB", xbase::Value("N")).ok());
    ASSERT_TRUE(s.Unlock().ok());
  }
  double Rezerwa0(const std::string& indeks) {
    xbase::WorkArea& a = *t.session.areas().Find("as");
    auto f = a.SeekKey("1" + PadR(indeks, 8));
    EXPECT_TRUE(f.ok() && *f) << indeks;
    return a.Get("REZERWA0")->AsNumber();
  }
  // The lines of dd in entry order: "INDEKS ILOSC BRUTTO".
  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    xbase::WorkArea& d = *t.session.areas().Find("dd");
    (void)d.SetOrder(0);
    for (Status s = d.GoTop(); s.ok() && !d.eof(); s = d.Skip(1)) {
      out.push_back(AllTrim(d.Get("LP")->AsString()) + " " + RTrim(d.Get("INDEKS")->AsString()) + " " +
                    Str(d.Get("ILOSC")->AsNumber(), 8, 3) + " " + Str(d.Get("BRUTTO")->AsNumber(), 8, 2));
    }
    return out;
  }
  // Code, quantity, then the price and percent as proposed. `told`: the quantity is more
  // than the stock, and the message stands for its two seconds.
  void TypeLine(const std::string& indeks, const std::string& ilosc, bool told = false) {
    t.d.Type(indeks).Key(key::kEnter).Type(ilosc).Key(key::kEnter);
    if (told) t.d.Wait(2001);  // past the two seconds, so that no key ends it
    t.d.Keys({key::kEnter, key::kEnter});
  }

  shell::TestStation t{dir.str()};
};

TEST_F(LineGridScreen, TwoLinesTypedIntoAnEmptyDocument) {
  TypeLine("TOWAR1", "7", true);  // 10 in stock, 2 ordered, 3 on another station: cut to 5
  TypeLine("TOWAR2", "1");
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { EXPECT_TRUE(Grid()); }));
  EXPECT_TRUE(t.recorder.Saw("NIE MASZ TAKIEJ ILOSCI !"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR1    5.000    61.50", "2 TOWAR2    1.000    12.30"}));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 8);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR2"), 1);
  // The grid as it stood, with the total in row 23.
  EXPECT_TRUE(t.recorder.Saw("  1│TOWAR1  │ARTYKUL TOWAR1"));
  EXPECT_TRUE(t.recorder.Saw("     5.00│    10.00│"));
  // A new sale paid in cash also shows its total in large digits.
  for (const std::string& row : BigDigits("73.80")) EXPECT_TRUE(t.recorder.Saw(Cp852ToUtf8(RTrim(row))));
  EXPECT_TRUE(t.recorder.Saw("        73.80"));
  EXPECT_TRUE(t.recorder.Saw(" Lp│INDEKS  │NAZWA"));
}

TEST_F(LineGridScreen, LeavingTheGridPostsTheDocument) {
  TypeLine("TOWAR1", "2");
  t.d.Key(key::kEsc).Key('T');  // "CZY SKONCZYŁES EDYCJE DOWODU ?"
  ASSERT_TRUE(t.Run([&] { EXPECT_TRUE(MyDow(t.session, 10, 0, 22, 79, "dd", "", 7)); }));
  EXPECT_TRUE(t.recorder.Saw("CZY SKONCZYŁES EDYCJE DOWODU ?"));
  EXPECT_TRUE(Lines().empty()) << "a new working table after the posting";
  xbase::WorkArea& as = *t.session.areas().Find("as");
  ASSERT_TRUE(Rezerwa0("TOWAR1") == 3) << "the line's own reservation ends with the posting";
  EXPECT_DOUBLE_EQ(as.Get("ILOSC")->AsNumber(), 8);
  xbase::WorkArea& dowod = *t.session.areas().Find("dowod");
  ASSERT_TRUE(dowod.GoBottom().ok());
  ASSERT_FALSE(dowod.eof());
  EXPECT_EQ(dowod.Get("RD")->AsString(), "FV ");
  EXPECT_DOUBLE_EQ(dowod.Get("NETTO")->AsNumber(), 20.0);
  EXPECT_DOUBLE_EQ(dowod.Get("VAT")->AsNumber(), 4.6);
  xbase::WorkArea& dow = *t.session.areas().Find("dow");
  ASSERT_TRUE(dow.GoTop().ok());
  ASSERT_FALSE(dow.eof());
  EXPECT_EQ(RTrim(dow.Get("INDEKS")->AsString()), "TOWAR1");
  EXPECT_DOUBLE_EQ(dow.Get("ILOSC")->AsNumber(), 2);
}

// Enter on the last cell of a complete line goes on to the next line: on an issue in
// purchase prices (no percent cell), after a line of negative quantity, and after a line
// edited again, the code typed next starts a new line instead of replacing the line just
// written. (Receipts are typed through the article card: receipt_card_screen_test.)
TEST_F(LineGridScreen, EnterAfterALineGoesOnToTheNextLine) {
  AddKind("RW ", "ROZCHOD WEWNETRZNY", "R", "D", "C");
  for (const char* indeks : {"10001", "10002", "10003", "10004"}) AddArticle(indeks, 100, 0, 0);
  t.session.vars().Set("M_RD", xbase::Value("RW "));
  t.session.vars().Set("M_SPZ", xbase::Value("B"));
  t.con.set_insert_mode(true);
  auto line = [&](const char* indeks, const char* ilosc, const char* cena) {
    t.d.Type(indeks).Key(key::kEnter).Type(ilosc).Key(key::kEnter).Type(cena).Key(key::kEnter);
  };
  line("10001", "5", "2.50");
  line("10002", "-2", "1.10");  // a return: no percent either
  line("10003", "1", "4");
  // The last line once more: a new quantity, the price kept.
  t.d.Key(key::kUp).Key(key::kEnter).Key(key::kEnter).Type("3").Keys({key::kEnter, key::kEnter});
  line("10004", "2", "0.99");
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 10001    5.000    15.38", "2 10002   -2.000    -2.71",
                                               "3 10003    3.000    14.76", "4 10004    2.000     2.44"}));
}

TEST_F(LineGridScreen, DeletingALineReleasesItsReservation) {
  TypeLine("TOWAR1", "4");
  t.d.Keys({key::kUp, key::F(8), key::kEsc});
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_TRUE(Lines().empty());
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
}

TEST_F(LineGridScreen, AnOrderReservesNothing) {
  t.session.vars().Set("M_RD", xbase::Value("ZAM"));
  TypeLine("TOWAR1", "4");
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR1    4.000    49.20"}));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
}

TEST_F(LineGridScreen, AnUnknownCodeAsksWhetherToGoOn) {
  t.d.Type("NIEMA").Key(key::kEnter).Key(key::kEsc).Key('N').Key(key::kEsc);  // the list, then the question
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_TRUE(t.recorder.Saw("Brak kodu. Kontynuowac ?"));
  EXPECT_TRUE(Lines().empty());
}

TEST_F(LineGridScreen, EditingAQuantityCountsTheLinesOwnReservationBack) {
  TypeLine("TOWAR1", "5");  // all that is available
  // Back on the line: the same 5 again, then (Enter went on to a new row) 3.
  t.d.Keys({key::kUp, key::kEnter, key::kEnter}).Type("5").Keys({key::kEnter, key::kEnter, key::kEnter});
  t.d.Keys({key::kUp, key::kEnter, key::kEnter}).Type("3").Keys({key::kEnter, key::kEnter, key::kEnter});
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_FALSE(t.recorder.Saw("NIE MASZ TAKIEJ ILOSCI"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR1    3.000    36.90"}));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 6);
}

TEST_F(LineGridScreen, AnotherArticleOnTheLineMovesTheReservation) {
  TypeLine("TOWAR1", "4");
  t.d.Keys({key::kUp, key::kEnter}).Type("TOWAR2").Key(key::kEnter).Type("1").Keys({key::kEnter, key::kEnter, key::kEnter});
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR2    1.000    12.30"}));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR2"), 1);
}

TEST_F(LineGridScreen, NegativeStockAllowedKeepsTheQuantityAfterTheMessage) {
  ASSERT_TRUE(t.session.settings().SetText("J_DOP_UJEM", "T").ok());
  TypeLine("TOWAR1", "7", true);
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_TRUE(t.recorder.Saw("NIE MASZ TAKIEJ ILOSCI !!"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR1    7.000    86.10"}));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 10);
}

TEST_F(LineGridScreen, ADocumentPastTheCreditLimitMayBeDropped) {
  xbase::WorkArea& zo = *t.session.areas().Find("zo");
  ASSERT_TRUE(zo.Append().ok());
  ASSERT_TRUE(zo.Replace("ODB", xbase::Value("ODB1")).ok());
  ASSERT_TRUE(zo.Replace("KREDYT", xbase::Value(50.0)).ok());
  ASSERT_TRUE(zo.Unlock().ok());
  TypeLine("TOWAR1", "5");
  t.d.Keys({key::kEsc, 'T'});
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_TRUE(t.recorder.Saw("Skasowac dowod ?"));
  EXPECT_FALSE(t.recorder.Saw("WYJSCIE"));
  EXPECT_TRUE(Lines().empty());
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
}

TEST_F(LineGridScreen, ASaleBelowCostIsQuestionedWithTheMarker) {
  dir.Write("strata.dd", "");
  t.d.Type("TOWAR1").Key(key::kEnter).Type("1").Key(key::kEnter).Type("5").Keys({key::kEnter, key::kEnter});
  // Not accepted: back in the grid; then accepted.
  t.d.Key(key::kEsc).Wait(2001).Key(key::kEsc).Key('N');  // the report, then the question
  t.d.Key(key::kEsc).Wait(2001).Key(key::kEsc).Key('T');
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_EQ(t.recorder.Count("Akceptujesz strate ?"), 2);
  EXPECT_TRUE(t.recorder.Saw("Sprawdz CENY"));
  EXPECT_TRUE(t.recorder.Saw("POZYCJE PONIZEJ KOSZTU"));
  EXPECT_EQ(left, 1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR1    1.000     6.15"}));
}

TEST_F(LineGridScreen, LeavingChecksTheLinesVatRates) {
  xbase::WorkArea& d = *t.session.areas().Find("dd");
  auto line = [&](const std::string& indeks, const std::string& vat) {
    ASSERT_TRUE(d.Append().ok());
    ASSERT_TRUE(d.Replace("MAG", xbase::Value("1")).ok());
    ASSERT_TRUE(d.Replace("INDEKS", xbase::Value(indeks)).ok());
    ASSERT_TRUE(d.Replace("ILOSC", xbase::Value(1.0)).ok());
    ASSERT_TRUE(d.Replace("CENA", xbase::Value(10.0)).ok());
    ASSERT_TRUE(d.Replace("PODATEK0", xbase::Value(vat)).ok());
    ASSERT_TRUE(d.Unlock().ok());
  };
  DocKind fv;
  fv.rd = "FV ";
  line("TOWAR1", "23");
  LeaveChecks c = CheckLinesBeforeLeaving(t.session, fv, d);
  EXPECT_FALSE(c.other_vat);
  EXPECT_FALSE(c.bad_vat);
  EXPECT_FALSE(c.below_cost);
  line("TOWAR2", " 8");
  c = CheckLinesBeforeLeaving(t.session, fv, d);
  EXPECT_TRUE(c.other_vat);
  EXPECT_FALSE(c.bad_vat);
  line("TOWAR2", "22");
  c = CheckLinesBeforeLeaving(t.session, fv, d);
  EXPECT_TRUE(c.bad_vat);
  // Before 2011 the rates are not compared.
  t.session.vars().Set("M_DATA", xbase::Value(xbase::Date{JulianFromYmd(2010, 12, 31)}));
  c = CheckLinesBeforeLeaving(t.session, fv, d);
  EXPECT_FALSE(c.other_vat);
  EXPECT_FALSE(c.bad_vat);
}
TEST_F(LineGridScreen, OtherVatRatesAreReportedAndQuestioned) {
  xbase::WorkArea& d = *t.session.areas().Find("dd");
  ASSERT_TRUE(d.Append().ok());
  ASSERT_TRUE(d.Replace("MAG", xbase::Value("1")).ok());
  ASSERT_TRUE(d.Replace("LP", xbase::Value("  1")).ok());
  ASSERT_TRUE(d.Replace("INDEKS", xbase::Value("TOWAR1")).ok());
  ASSERT_TRUE(d.Replace("ILOSC", xbase::Value(1.0)).ok());
  ASSERT_TRUE(d.Replace("CENA", xbase::Value(10.0)).ok());
  ASSERT_TRUE(d.Replace("PODATEK0", xbase::Value(" 8")).ok());
  ASSERT_TRUE(d.Unlock().ok());
  // Refused: back in the grid; then accepted.
  t.d.Key(key::kEsc).Wait(2001).Key(key::kEsc).Key('N');
  t.d.Key(key::kEsc).Wait(2001).Key(key::kEsc).Key('T');
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_EQ(t.recorder.Count("Akceptujesz stawki VAT ?"), 2);
  EXPECT_TRUE(t.recorder.Saw("Sprawdz stawki VAT"));
  EXPECT_TRUE(t.recorder.Saw("STAWKI VAT POZYCJI"));
  EXPECT_EQ(left, 1);
}

TEST_F(LineGridScreen, ASaleWithoutDeliveryAddressAsksForOne) {
  session::SessionVariables& v = t.session.vars();
  v.Set("M_ODBIORC1", xbase::Value(""));
  v.Set("M_KODB", xbase::Value("00-950"));
  v.Set("M_MODB", xbase::Value("WARSZAWA"));
  v.Set("M_UODB", xbase::Value("PROSTA 1"));
  TypeLine("TOWAR1", "1");
  t.d.Keys({key::kEsc, key::kEsc});    // Esc in the address: back in the grid
  t.d.Keys({key::kEsc, key::kEnter});  // the address proposed is taken
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_EQ(t.recorder.Count("Adres dostawy :"), 2);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(RTrim(v.Text("M_ODBIORC1")), "00-950 WARSZAWA, PROSTA 1");
}

TEST_F(LineGridScreen, QuestionMarkOpensTheArticleListByName) {
  t.d.Type("?ARTYKU").Key(key::kEnter);  // the list from "ARTYKU": TOWAR1, then TOWAR2
  t.d.Keys({key::kDown, key::kEnter});
  t.d.Type("1").Keys({key::kEnter, key::kEnter, key::kEnter});
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_TRUE(t.recorder.Saw("Towary wg nazwy"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR2    1.000    12.30"}));
}

TEST_F(LineGridScreen, PostingOffersThePaymentOfTheCustomersCard) {
  xbase::WorkArea& zo = *t.session.areas().Find("zo");
  ASSERT_TRUE(zo.Append().ok());
  ASSERT_TRUE(zo.Replace("ODB", xbase::Value("ODB1")).ok());
  ASSERT_TRUE(zo.Replace("SPZ", xbase::Value("P")).ok());
  ASSERT_TRUE(zo.Replace("TEZ", xbase::Value(21)).ok());
  ASSERT_TRUE(zo.Replace("TEL", xbase::Value("22 123 45 67")).ok());
  ASSERT_TRUE(zo.Unlock().ok());
  TypeLine("TOWAR1", "2");
  t.d.Keys({key::kEsc, 'T', 'T'});  // finished; the card's payment taken
  ASSERT_TRUE(t.Run([&] { EXPECT_TRUE(MyDow(t.session, 10, 0, 22, 79, "dd", "", 7)); }));
  EXPECT_TRUE(t.recorder.Saw("Zmienic sposob zaplaty na P21  ?"));
  EXPECT_EQ(RTrim(t.session.vars().Text("M_TEL")), "22 123 45 67");
  xbase::WorkArea& dowod = *t.session.areas().Find("dowod");
  ASSERT_TRUE(dowod.GoBottom().ok());
  ASSERT_FALSE(dowod.eof());
  EXPECT_EQ(dowod.Get("SPZ")->AsString(), "P");
  EXPECT_DOUBLE_EQ(dowod.Get("TEZ")->AsNumber(), 21);
}

// Receipts into an article table with bar codes: a digit starts the bar code.
class BarCodeGrid : public LineGridScreen {
 protected:
  void SetUp() override {
    dir.Write("kod13.txt", "");
    LineGridScreen::SetUp();
    AddKind("PZ ", "PRZYJECIE ZEWNETRZNE", "P", "Z");
    t.session.vars().Set("M_RD", xbase::Value("PZ "));
    xbase::WorkArea& a = *t.session.areas().Find("as");
    auto code = [&](const std::string& mag, const std::string& indeks, const std::string& kod) {
      auto f = a.SeekKey(mag + PadR(indeks, 8));
      ASSERT_TRUE(f.ok() && *f) << indeks;
      ASSERT_TRUE(a.LockRecord().ok());
      ASSERT_TRUE(a.Replace("KOD13", xbase::Value(kod)).ok());
      ASSERT_TRUE(a.Unlock().ok());
    };
    code("1", "TOWAR1", "5900000000011");
    code("1", "TOWAR2", "590000000001");
  }
};

TEST_F(BarCodeGrid, ArticlesFoundByTheirCodes) {
  xbase::WorkArea& a = *t.session.areas().Find("as");
  ASSERT_GE(a.FieldIndex("KOD13"), 0);
  EXPECT_NE(FindByBarCode(a, "5900000000011", "1"), 0u);
  EXPECT_EQ(RTrim(a.Get("INDEKS")->AsString()), "TOWAR1");
  EXPECT_NE(FindByBarCode(a, "590000000001", "1"), 0u);
  EXPECT_EQ(RTrim(a.Get("INDEKS")->AsString()), "TOWAR2") << "a code is not a prefix of a longer one";
  EXPECT_EQ(FindByBarCode(a, "59000", "1"), 0u);
  EXPECT_EQ(FindByBarCode(a, "   ", "1"), 0u);
}

TEST_F(BarCodeGrid, ADigitReadsTheBarCodeIntoANewLine) {
  t.d.Type("590000000001").Key(key::kEnter);  // TOWAR2
  t.d.Type("4").Keys({key::kEnter, key::kPgDn});  // the receipt's article card: quantity, accepted
  t.d.Type("123").Key(key::kEnter).Wait(2001);  // no such code
  t.d.Keys({key::kEsc, key::kEsc});
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_TRUE(t.recorder.Saw("Kod13: "));
  EXPECT_TRUE(t.recorder.Saw("Brak towaru o kodzie 123"));
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Lines()[0].substr(0, 17), "1 TOWAR2    4.000");
}

TEST(RatesFrom2011, TheRatesInForce) {
  for (const char* ok : {"23", " 8", " 5", " 0", "ZW", "NP", "23.0", " 8.0"}) EXPECT_TRUE(RateAllowedFrom2011(ok)) << ok;
  for (const char* bad : {"22", " 7", " 3", "  ", "XX", "18"}) EXPECT_FALSE(RateAllowedFrom2011(bad)) << bad;
}

TEST_F(LineGridScreen, DocumentDiscountPricesEveryLineFromItsCataloguePrice) {
  TypeLine("TOWAR1", "1");
  TypeLine("TOWAR2", "1");
  t.d.Key(key::F(2)).Type("10").Keys({key::kEnter, key::kEsc});
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_TRUE(t.recorder.Saw("Upust dla dokumentu (%) :"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR1    1.000    11.07", "2 TOWAR2    1.000    11.07"}));
}

// A percent typed on a line is its discount only when the price follows it.
TEST_F(LineGridScreen, ThePercentKeptIsThePercentThePriceCarries) {
  auto percent_line = [&](const char* indeks) {
    t.d.Type(indeks).Key(key::kEnter).Type("1").Keys({key::kEnter, key::kEnter}).Type("10").Key(key::kEnter);
  };
  ASSERT_TRUE(t.session.settings().SetText("J_UPUST", "T").ok());
  percent_line("TOWAR1");  // 10 % off the list price 10.00
  t.d.Then([&] { ASSERT_TRUE(t.session.settings().SetText("J_UPUST", "N").ok()); });  // no price follows
  percent_line("TOWAR2");
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  xbase::WorkArea& d = *t.session.areas().Find("dd");
  ASSERT_TRUE(d.SetOrder(0).ok());
  std::vector<std::string> got;
  for (Status st = d.GoTop(); st.ok() && !d.eof(); st = d.Skip(1))
    got.push_back(RTrim(d.Get("INDEKS")->AsString()) + " " + FormatFixed(d.Get("CENA")->AsNumber(), 2) + " " +
                  FormatFixed(d.Get("UPUST0")->AsNumber(), 1));
  EXPECT_EQ(got, (std::vector<std::string>{"TOWAR1 9.00 10.0", "TOWAR2 10.00 0.0"}));
}

TEST_F(LineGridScreen, DisplayModeChangesNothing) {
  TypeLine("TOWAR1", "4");
  t.d.Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  t.session.vars().Set("KLUCZ", xbase::Value(1));
  t.recorder.shown.clear();
  t.d.Keys({key::kEnter, key::F(8), key::kDown, key::kEsc});
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_FALSE(t.recorder.Saw("WYJSCIE"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1 TOWAR1    4.000    49.20"}));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 7);
}

// The grid draws its heading once, in rows 8-9 above its lines, and row 24 shows the
// keys of the mode.
TEST_F(LineGridScreen, OneHeadingAndTheKeyLineOfTheMode) {
  AddKind("PZ ", "PRZYJECIE ZEWNETRZNE", "P", "Z");
  TypeLine("TOWAR1", "4");
  t.d.Key(key::kUp).Wait(1).Key(key::kEsc);  // the grid waits for a key on the line
  ASSERT_TRUE(t.Run([&] { Grid(); }));  // the screen stays as the grid left it
  std::vector<std::string> rows = t.con.screen().Lines();
  EXPECT_EQ(rows[8], " Lp│INDEKS  │NAZWA                         │  ILOSC  │   CENA  │ %  │  WARTOSC  ");
  EXPECT_TRUE(rows[9].starts_with("───┼────────┼")) << rows[9];
  EXPECT_TRUE(rows[10].starts_with("  1│TOWAR1  │ARTYKUL TOWAR1")) << rows[10];
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const std::string& r) { return r.find("INDEKS") != r.npos; }), 1);
  const std::string entry = "F1-Pomoc    F2-Rabat                         F5-DRUK                 Esc-Wyjscie";
  EXPECT_EQ(rows[24], entry);

  // Correction can edit the header again; display shows the same keys as entry.
  const std::string correction = "F1-Pomoc    F2-Rabat    F4-Edycja nagłowka   F5-DRUK                 Esc-Wyjscie";
  const std::string header = "F1-Pomoc                                                             Esc-Wyjscie";
  t.d.Key(key::F(4)).Then([&] { EXPECT_EQ(t.Line(24), header); }).Key(key::kEsc);  // the header again
  for (const auto& [klucz, line] : {std::pair{2, correction}, std::pair{1, entry}}) {
    t.session.vars().Set("KLUCZ", xbase::Value(klucz));
    t.d.Wait(1).Key(key::kEsc);
    ASSERT_TRUE(t.Run([&] { Grid(); }));
    EXPECT_EQ(t.Line(24), line) << klucz;
  }
  // A receipt paid in cash can print its cash voucher.
  t.session.vars().Set("M_RD", xbase::Value("PZ "));
  t.d.Wait(1).Key(key::kEsc);
  ASSERT_TRUE(t.Run([&] { Grid(); }));
  EXPECT_EQ(t.Line(24),
            "F1-Pomoc    F2-Rabat                         F5-DRUK   F3-Druk KW    Esc-Wyjscie");
}

TEST(CreditLimit, ExceededOnlyPastANonZeroLimit) {
  EXPECT_FALSE(CreditExceeded({true, 0, 1000}, 10));
  EXPECT_FALSE(CreditExceeded({false, 50, 0}, 100));
  EXPECT_FALSE(CreditExceeded({true, 100, 40}, 60));
  EXPECT_TRUE(CreditExceeded({true, 100, 40}, 60.01));
  EXPECT_FALSE(CreditExceeded({true, 100, -20}, 120));
}

TEST(GridLayout, PicturesByKindAndSettings) {
  DocKind fv;
  fv.rd = "FV ";
  GridOptions o;
  GridLayout g = LayoutOf(fv, o, 0);
  EXPECT_FALSE(g.mag_column);
  EXPECT_EQ(Cp852ToUtf8(GridHeading(g).heading),
            " Lp│INDEKS  │NAZWA                         │  ILOSC  │   CENA  │ %  │  WARTOSC  ");
  EXPECT_EQ(Cp852ToUtf8(GridHeading(g).rule), "───┼────────┼──────────────────────────────┼─────────┼─────────┼────┼───────────");
  EXPECT_EQ(GridHeading(g).separators, (std::vector<int>{3, 12, 43, 53, 63, 68}));
  EXPECT_EQ(g.ilosc, "999999.99");
  EXPECT_EQ(g.cena, "999999.99");
  EXPECT_EQ(g.col_indeks, 4);
  EXPECT_EQ(g.col_ilosc, 44);
  EXPECT_EQ(g.col_brutto, 69);
  o.i3 = true;
  EXPECT_EQ(LayoutOf(fv, o, 0).ilosc, "99999.999");
  fv.opis = "FAKTURA BIG_I BIG CENA";
  EXPECT_EQ(LayoutOf(fv, o, 0).ilosc, "9999999.9");
  EXPECT_EQ(LayoutOf(fv, o, 0).cena, "9999999.9");
  DocKind rw;
  rw.rd = "RW ";
  rw.s_z = 'D';
  rw.cuv = 'C';
  EXPECT_EQ(LayoutOf(rw, {}, 0).cena, "9999.9999");
  rw.opis = "SMALL";
  EXPECT_EQ(LayoutOf(rw, {}, 0).cena, "999.99999");
  // The warehouse column: J_DOW1_MAG "N", not on transfers; the grid starts at column 2.
  GridOptions many;
  many.dow1_mag = false;
  g = LayoutOf(fv, many, 0);
  EXPECT_TRUE(g.mag_column);
  EXPECT_EQ(GridHeading(g).heading.substr(0, 3), "MAG");  // over the one-wide column at 2
  EXPECT_EQ(GridHeading(g).separators, (std::vector<int>{3, 12, 43, 53, 63, 68}));
  EXPECT_EQ(g.left, 2);
  EXPECT_EQ(g.col_brutto + 11, 80);
  DocKind mm;
  mm.r_p = 'M';
  EXPECT_FALSE(LayoutOf(mm, many, 0).mag_column);
  // Names keep lower case for an exporting company.
  GridOptions exp;
  exp.export_name = true;
  EXPECT_EQ(LayoutOf(fv, exp, 0).nazwa, std::string(30, 'X'));
}

}  // namespace
}  // namespace hurt::documents
