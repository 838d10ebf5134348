// The exchange-rate table driven through the headless console: adding, changing and
// deleting rates, the refusals, and a rate another station holds.
#include "catalogues/exchange_rates.h"

#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "base/date.h"
#include "console/keys.h"

namespace hurt::catalogues::testing {
namespace {

namespace key = console::key;
using xbase::Value;

class DbuWwTest : public CatalogueTest {
 protected:
  xbase::WorkArea& Wal() { return Area(32); }
  void Rate(const std::string& waluta, int y, int m, int day, double kurs) {
    Add(Wal(), {{"WALUTA", Value(waluta)}, {"DATA", Value(xbase::Date{JulianFromYmd(y, m, day)})},
                {"KURS", Value(kurs)}});
  }
  bool RunWw() {
    bool result = false;
    const bool ran = d.Run([&](console::Console&) { result = DbuWw(s()); });
    return ran && result;
  }
  void ExpectMessage(const std::string& text) {
    d.Then([this, text] { EXPECT_TRUE(d.Contains(text)) << d.Dump(); }).Key(key::kSpace);
  }
  std::vector<std::string> RatesNow() { return Rows(Wal(), {"WALUTA", "KURS"}); }

  // Another station locks record `recno` of the rates (a second open of the table).
  void HoldElsewhere(uint32_t recno) {
    other = std::make_unique<xbase::WorkAreas>(env);
    auto a = other->Open(32, Wal().path(), "wal_2");
    ASSERT_TRUE(a.ok()) << a.status().ToString();
    ASSERT_TRUE((*a)->GoTo(recno).ok());
    ASSERT_TRUE((*a)->LockRecord().ok());
  }
  std::unique_ptr<xbase::WorkAreas> other;
};

TEST_F(DbuWwTest, RatesAreListedByCurrencyNewestFirst) {
  Rate("USD", 2024, 3, 1, 3.95);
  Rate("EUR", 2024, 3, 1, 4.31);
  Rate("EUR", 2024, 3, 14, 4.29);
  d.Then([&] {
    EXPECT_TRUE(d.Contains("TABELA KURSU WALUT"));
    const int first = 4;  // the heading and its line above the rows
    EXPECT_NE(d.Line(first).find("EUR"), std::string::npos) << d.Dump();
    EXPECT_NE(d.Line(first).find("14.03.2024"), std::string::npos) << d.Dump();
    EXPECT_NE(d.Line(first + 1).find("01.03.2024"), std::string::npos);
    EXPECT_NE(d.Line(first + 2).find("USD"), std::string::npos);
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunWw());
}

TEST_F(DbuWwTest, ANewRateIsAddedAndItsRefusalsSaid) {
  // An empty table: F5 adds the first rate.
  d.Key(key::F(5)).Type("eur").Key(key::kEnter).Key(key::kEnter).Type("4.3").Key(key::kEnter);
  // The same currency and date again: refused.
  d.Key(key::F(5)).Type("EUR").Key(key::kEnter).Key(key::kEnter).Type("4.5").Key(key::kEnter);
  ExpectMessage("Kurs EUR z dnia " + Dtoc(s().Today()) + " juz jest");
  // A code that is not three letters, then Esc.
  d.Key(key::F(5)).Type("E1X").Key(key::kEnter);
  ExpectMessage("Kod waluty to trzy litery (np. EUR)");
  d.Key(key::kEsc);
  // A rate of 0 is not taken; Esc gives up the new rate.
  d.Key(key::F(5)).Type("USD").Key(key::kEnter).Key(key::kEnter).Key(key::kEnter);
  ExpectMessage("Kurs musi byc wiekszy od zera");
  d.Key(key::kEsc);
  d.Key(key::kEsc);
  ASSERT_TRUE(RunWw());
  EXPECT_EQ(RatesNow(), std::vector<std::string>{"EUR|4.300000"});
  ExpectDataChecksClean();
}

TEST_F(DbuWwTest, TheRateIsChangedAndTheRecordDeletedOnlyAfterT) {
  Rate("EUR", 2024, 3, 1, 4.31);
  Rate("USD", 2024, 3, 1, 3.95);
  d.Key(key::F(4)).Type("4.32").Key(key::kEnter);
  d.Key(key::F(8));
  d.Then([&] { EXPECT_TRUE(d.Contains("CHCESZ  SKASOWAC  POZYCJE  ?")); }).Key('N');
  d.Key(key::kDown).Key(key::F(8)).Key('T');
  d.Key(key::kEsc);
  ASSERT_TRUE(RunWw());
  EXPECT_EQ(RatesNow(), std::vector<std::string>{"EUR|4.320000"});
  ExpectDataChecksClean();
}

TEST_F(DbuWwTest, ARateAnotherStationHoldsIsLeftAsItWas) {
  Rate("EUR", 2024, 3, 1, 4.31);
  d.Key(key::F(4)).Then([&] { HoldElsewhere(1); });
  d.Type("9.99").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Pozycja zajęta na innym stanowisku")) << d.Dump(); });
  d.Key(key::kEsc);
  ExpectMessage("Pozycja zajęta - zmiany nie zapisane");
  // The deletion is refused the same way.
  d.Key(key::F(8)).Key('T');
  d.Then([&] { EXPECT_TRUE(d.Contains("Pozycja zajęta na innym stanowisku")); });
  d.Key(key::kEsc);
  ExpectMessage("Pozycja zajęta - nie skasowana");
  d.Key(key::kEsc);
  ASSERT_TRUE(RunWw());
  other.reset();
  EXPECT_EQ(RatesNow(), std::vector<std::string>{"EUR|4.310000"});
  ExpectDataChecksClean();
}

TEST(CurrencyCodes, OnlyThreeLettersAreACode) {
  EXPECT_TRUE(ValidCurrencyCode("EUR"));
  EXPECT_TRUE(ValidCurrencyCode("usd"));
  EXPECT_TRUE(ValidCurrencyCode(" CHF "));
  EXPECT_FALSE(ValidCurrencyCode("EU"));
  EXPECT_FALSE(ValidCurrencyCode("E1R"));
  EXPECT_FALSE(ValidCurrencyCode("EURO"));
  EXPECT_FALSE(ValidCurrencyCode(""));
}

}  // namespace
}  // namespace hurt::catalogues::testing
