// Lines of a goods receipt typed through the article card: the card opens after the
// article code, its fields are typed as an operator types them, and the line and the
// article card in `as` are checked afterwards.
#include <gtest/gtest.h>

#include <utility>

#include "base/numeric.h"
#include "base/text.h"
#include "console/colour.h"
#include "console/keys.h"
#include "documents/line_grid.h"
#include "session/init_tables.h"
#include "shell/startup_fixture.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::documents {
namespace {

namespace key = console::key;

class ReceiptCardScreen : public testing::DataDirTest {
 protected:
  void SetUp() override {
    testing::MakeCompany(dir.str());
    ASSERT_TRUE(t.Run([&] { ASSERT_TRUE(session::InitNtx(t.session)); }));
    // Bought last at 8.00, sold at 10.00 net (12.30 gross, 25 % on the purchase price).
    xbase::WorkArea& a = as();
    ASSERT_TRUE(a.Append().ok());
    for (auto [field, value] : {std::pair{"MAG", xbase::Value("1")}, {"INDEKS", "TOWAR1"}, {"NAZWA", "ARTYKUL TOWAR1"},
                                {"JM", "SZT"}, {"PODATEK0", "23"}, {"CENA_PZ", 8.0}, {"CENA0", 8.0}, {"CENA", 10.0},
                                {"CENA2", 12.3}}) {
      ASSERT_TRUE(a.Replace(field, value).ok()) << field;
    }
    ASSERT_TRUE(a.Unlock().ok());
    ASSERT_TRUE(a.Append().ok());
    for (auto [field, value] : {std::pair{"MAG", "1"}, {"INDEKS", "TOWAR2"}, {"NAZWA", "ARTYKUL TOWAR2"}}) {
      ASSERT_TRUE(a.Replace(field, xbase::Value(value)).ok()) << field;
    }
    ASSERT_TRUE(a.Unlock().ok());
    xbase::WorkArea& s = *t.session.areas().Find("slow");
    for (auto [rd, s_z] : {std::pair{"PZ ", "Z"}, {"PW ", "D"}}) {
      ASSERT_TRUE(s.Append().ok());
      for (auto [field, value] : {std::pair{"RD", rd}, {"OPIS", "PRZYJECIE"}, {"R_P", "P"}, {"S_Z", s_z}, {"CUV", "U"},
                                  {"NB", "N"}}) {
        ASSERT_TRUE(s.Replace(field, xbase::Value(value)).ok()) << field;
      }
      ASSERT_TRUE(s.Unlock().ok());
    }
    session::SessionVariables& v = t.session.vars();
    v.Set("KLUCZ", xbase::Value(0));
    v.Set("M_RD", xbase::Value("PZ "));
    v.Set("M_NRD", xbase::Value("       3"));
    v.Set("M_MAG", xbase::Value("1"));
    v.Set("M_ODB", xbase::Value("DOST1   "));
  }

  xbase::WorkArea& as() { return *t.session.areas().Find("as"); }
  // The grid, left without posting so that the lines stay in dd.
  void Grid() {
    auto keep_lines = [](session::Session&) { return true; };
    ASSERT_TRUE(t.Run([&] { RunLineGrid(t.session, 10, 0, 22, 79, "dd", "", 7, keep_lines); }));
  }
  double Article(const char* field) {
    auto f = as().SeekKey("1TOWAR1  ");
    EXPECT_TRUE(f.ok() && *f);
    return as().Get(field)->AsNumber();
  }
  // The lines: "INDEKS ILOSC CENA UPUST0 BRUTTO".
  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    xbase::WorkArea& d = *t.session.areas().Find("dd");
    for (Status s = d.GoTop(); s.ok() && !d.eof(); s = d.Skip(1)) {
      auto number = [&](const char* field, int dec) { return AllTrim(Str(d.Get(field)->AsNumber(), 14, dec)); };
      out.push_back(RTrim(d.Get("INDEKS")->AsString()) + " " + number("ILOSC", 3) + " " + number("CENA", 4) + " " +
                    number("UPUST0", 1) + " " + number("BRUTTO", 2));
    }
    return out;
  }
  // A new line: the code, then the card from its first field.
  void Code() { t.d.Type("TOWAR1").Key(key::kEnter); }
  // Enter through `n` fields of the card.
  void Pass(int n) {
    for (int i = 0; i < n; ++i) t.d.Key(key::kEnter);
  }
  void Message() { t.d.Wait(2001); }  // a message stands its two seconds
  // A row of the card between its frames (the grid shows on both sides).
  static std::string Inside(const std::string& row) {
    const size_t left = row.find("║"), right = row.rfind("║");
    return left == std::string::npos ? row : row.substr(left, right - left + std::string("║").size());
  }

  shell::TestStation t{dir.str()};
};

TEST_F(ReceiptCardScreen, PriceRiseNewSellingPriceAndPurchaseVat) {
  Code();
  std::vector<std::string> card;     // the card as it opened
  std::vector<std::string> colours;  // frame, the quantity being typed, the price field
  t.d.Then([&] {
    const console::ScreenBuffer& screen = t.con.screen();
    for (int r = 4; r <= 21; ++r) card.push_back(RTrim(screen.RowText(r)));
    for (auto [r, c] : {std::pair{4, 6}, {7, 29}, {8, 29}}) colours.push_back(console::AttrName(screen.at(r, c).attr));
  });
  t.d.Type("10").Key(key::kEnter);
  t.d.Type("9").Key(key::kEnter);  // bought dearer than last time
  Message();
  Message();
  Pass(3);  // discount, net value 90.00, purchase rate 23
  t.d.Type("20").Key(key::kEnter).Key(key::kEnter);  // the invoice's VAT questioned, 20.70 taken
  Pass(3);  // selling rate, net and gross as they were
  t.d.Type("30").Key(key::kEnter);  // 30 % on 9.00: 11.70 net
  Pass(2);  // the agreed price and its mark-up: accepted
  t.d.Key(key::kEsc);
  Grid();

  ASSERT_EQ(card.size(), 18u);
  EXPECT_EQ(card[0], "      ╔════════════════════ Karta towaru - przyjęcie ════════════════════╗");
  EXPECT_EQ(card[1], "      ║ Towar : 1 TOWAR1    ARTYKUL TOWAR1                  jm: SZT      ║");
  EXPECT_EQ(Inside(card[3]), "║ Ilość              :      0.00                                   ║");
  EXPECT_EQ(Inside(card[4]), "║ Cena zakupu netto  :       8.0000                                ║");
  EXPECT_EQ(Inside(card[7]), "║ VAT zakupu - stawka: 23     kwota:        0.00                   ║");
  EXPECT_EQ(Inside(card[10]), "║ Ceny sprzedaży            Netto         VAT      Brutto Marża %  ║");
  EXPECT_EQ(Inside(card[11]), "║ Poziom 1                  10.00        2.30       12.30    25.0  ║");
  EXPECT_EQ(Inside(card[13]), "║ Cena uzgodniona            0.00                             0.0  ║");
  EXPECT_EQ(Inside(card[16]), "║      Enter-dalej  Góra-wstecz  PgDn-akceptuj  Esc-rezygnuj       ║");
  EXPECT_EQ(colours, (std::vector<std::string>{"W+/B", "N/W", "GR+/B"}));
  EXPECT_TRUE(t.recorder.Saw("Wzrost ceny zakupu"));
  EXPECT_TRUE(t.recorder.Saw("8.00 & 9.00  12.50 %"));
  EXPECT_TRUE(t.recorder.Saw("Zmienic VAT na 20.70 ?"));
  EXPECT_TRUE(t.recorder.Saw("║ Poziom 1                  11.70        2.69       14.39    30.0  ║"));
  // The line at the purchase price, marked for a price label; the article sells dearer now.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TOWAR1 10.000 9.0000 0.1 110.70"}));
  EXPECT_DOUBLE_EQ(Article("CENA"), 11.70);
  EXPECT_DOUBLE_EQ(Article("CENA2"), 14.39);
  EXPECT_DOUBLE_EQ(Article("CENA_PZ"), 8.00) << "the last purchase price changes when the receipt is posted";
}

TEST_F(ReceiptCardScreen, EscLeavesTheCardAndEverythingAsItWas) {
  // A new line: Esc in the card keeps no line.
  Code();
  t.d.Type("5").Key(key::kEnter).Type("12").Key(key::kEnter);
  Message();
  Message();
  t.d.Key(key::kUp).Key(key::kEsc);
  // A line typed, then edited again and left with Esc: it keeps its quantity and price.
  Code();
  t.d.Type("2").Key(key::kEnter).Key(key::kPgDn);
  t.d.Keys({key::kUp, key::kEnter, key::kEnter}).Type("7").Key(key::kEnter).Type("1").Keys({key::kEnter, key::kEsc});
  // Another article on the line, left with Esc: the line keeps its article.
  t.d.Keys({key::kEnter}).Type("TOWAR2").Keys({key::kEnter, key::kEsc});
  t.d.Key(key::kEsc);
  Grid();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TOWAR1 2.000 8.0000 0.0 19.68"}));
  EXPECT_DOUBLE_EQ(Article("CENA"), 10.00);
}

TEST_F(ReceiptCardScreen, PurchasePriceAboveTheAgreedPriceIsRefused) {
  ASSERT_TRUE(as().SeekKey("1TOWAR1  ").ok());
  ASSERT_TRUE(as().LockRecord().ok());
  ASSERT_TRUE(as().Replace("CENA_UZ", xbase::Value(8.5)).ok());
  ASSERT_TRUE(as().Unlock().ok());
  Code();
  t.d.Type("1").Key(key::kEnter).Type("9").Key(key::kEnter);
  Message();
  t.d.Type("8.4").Key(key::kEnter);  // under the agreed price, above the last one
  Message();
  Message();
  // Lowering the agreed price under the price typed sends the operator back to the price.
  Pass(8);
  t.d.Type("8").Key(key::kEnter).Key(key::kEnter);
  Message();
  t.d.Type("7.9").Key(key::kPgDn);
  t.d.Key(key::kEsc);
  Grid();
  EXPECT_EQ(t.recorder.Count("Cena uzgodniona=8.50"), 1);
  EXPECT_TRUE(t.recorder.Saw("Cena uzgodniona=8.00"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TOWAR1 1.000 7.9000 0.0 9.72"}));
  EXPECT_DOUBLE_EQ(Article("CENA_UZ"), 8.00);
}

TEST_F(ReceiptCardScreen, BusyArticleKeepsItsPricesAndTheLineIsWritten) {
  xbase::WorkAreas other(xbase::RealEnv());  // another station holds the article card
  auto a = other.Open(2, t.session.PeriodPath("as.dbf"), "as");
  ASSERT_TRUE(a.ok()) << a.status().ToString();
  ASSERT_TRUE((*a)->GoTop().ok());
  ASSERT_TRUE((*a)->LockRecord().ok());
  Code();
  t.d.Type("3").Key(key::kEnter);
  Pass(6);
  t.d.Type("11").Key(key::kPgDn);  // a new selling price, accepted at once
  t.d.Wait(12000);                 // the lock is tried for its time
  Message();
  t.d.Key(key::kEsc);
  Grid();
  EXPECT_TRUE(t.recorder.Saw("Karta 1 TOWAR1 zajeta - ceny bez zmian"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TOWAR1 3.000 8.0000 0.0 29.52"}));
  EXPECT_DOUBLE_EQ(Article("CENA"), 10.00);
}

TEST_F(ReceiptCardScreen, AFailedWriteOfTheArticleKeepsItsPricesAndSaysSo) {
  t.faults.FailWrite(1, "as.dbf");
  Code();
  t.d.Type("3").Key(key::kEnter);
  Pass(6);
  t.d.Type("11").Key(key::kPgDn);
  Message();
  t.d.Key(key::kEsc);
  Grid();
  EXPECT_TRUE(t.recorder.Saw("Błąd zapisu 1 TOWAR1 - ceny bez zmian"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TOWAR1 3.000 8.0000 0.0 29.52"}));
  EXPECT_DOUBLE_EQ(Article("CENA"), 10.00);
  EXPECT_DOUBLE_EQ(Article("CENA2"), 12.30);
  // The card is not left locked: another station can take it.
  xbase::WorkAreas other(xbase::RealEnv());
  auto a = other.Open(2, t.session.PeriodPath("as.dbf"), "as");
  ASSERT_TRUE(a.ok()) << a.status().ToString();
  ASSERT_TRUE((*a)->GoTop().ok());
  EXPECT_TRUE((*a)->LockRecord().ok());
}

TEST_F(ReceiptCardScreen, ANewSellingRateOnAWarehouseReceipt) {
  t.session.vars().Set("M_RD", xbase::Value("PW "));
  Code();
  t.d.Type("1").Key(key::kEnter);
  Pass(5);  // the price, the discount, the net value, the purchase rate and VAT
  t.d.Type("8 ").Keys({key::kEnter, key::kPgDn});
  t.d.Key(key::kEsc);
  Grid();
  // The gross price follows the rate, so the line is marked; not being a purchase, the line
  // takes the article's new rate.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TOWAR1 1.000 8.0000 0.1 8.64"}));
  auto f = as().SeekKey("1TOWAR1  ");
  ASSERT_TRUE(f.ok() && *f);
  EXPECT_EQ(as().Get("PODATEK0")->AsString(), " 8");
  EXPECT_DOUBLE_EQ(Article("CENA2"), 10.80);
}

TEST_F(ReceiptCardScreen, LowestLevelAndCurrencyPurchase) {
  ASSERT_TRUE(t.session.settings().SetNumber("J_POZIOM", 3).ok());
  t.session.vars().Set("M_WALUTA", xbase::Value("EUR"));
  t.session.vars().Set("M_KURS", xbase::Value(4.0));
  Code();
  t.d.Type("1").Key(key::kEnter).Type("2.25").Key(key::kEnter);  // 2.25 EUR is 9.00 zł
  Message();
  Message();
  t.d.Key(key::kPgDn);
  t.d.Key(key::kEsc);
  Grid();
  EXPECT_TRUE(t.recorder.Saw("Cena zakupu EUR    :       2.2500  PLN:       9.0000"));
  EXPECT_TRUE(t.recorder.Saw("8.00 & 9.00  12.50 %"));
  // The line keeps the currency price; the lowest level, empty so far, is 1 % over the
  // purchase price in złoty.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TOWAR1 1.000 2.2500 0.0 2.77"}));
  EXPECT_DOUBLE_EQ(Article("CENAM"), 9.09);
  EXPECT_DOUBLE_EQ(Article("CENA2M"), 11.18);
}

}  // namespace
}  // namespace hurt::documents
