// Parametry odsetek: the interest rate table made with the statutory rates when missing,
// and a new rate added in the record catalogue screen, then read by the forecast.
#include "catalogues/interest_rates.h"

#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "settlements/interest.h"

namespace hurt::catalogues::testing {
namespace {

namespace key = console::key;

class OdsBrowseTest : public CatalogueTest {
 protected:
  bool RunOds() {
    bool result = false;
    const bool ran = d.Run([&](console::Console&) { result = OdsBrowse(s()); });
    return ran && result;
  }
};

TEST_F(OdsBrowseTest, AMissingTableIsMadeWithTheStatutoryRatesAndANewRateIsAdded) {
  ASSERT_FALSE(env.Exists(dir / "odsetki.dbf"));
  d.Then([&] {
    EXPECT_TRUE(d.Contains("PARAMETRY ODSETEK USTAWOWYCH")) << d.Dump();
    EXPECT_TRUE(d.Contains("01.01.2016   │    7.00")) << d.Dump();
  });
  // F5: a rate without its date is refused; then 8.50 % from 1 January 2027.
  d.Key(key::F(5)).Key(key::kEnter).Type("8.5").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Podaj date, od ktorej obowiazuje stopa")) << d.Dump(); }).Key(key::kSpace);
  d.Key(key::F(5)).Type("01012027").Key(key::kEnter).Type("8.5").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("01.01.2027   │    8.50")) << d.Dump(); });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunOds());

  auto rates = settlements::ReadInterestRates(s());
  ASSERT_TRUE(rates.ok()) << rates.status().ToString();
  ASSERT_EQ(rates->size(), settlements::StatutoryRates().size() + 1);
  EXPECT_EQ(rates->back().data_od, JulianFromYmd(2027, 1, 1));
  EXPECT_DOUBLE_EQ(rates->back().stopa, 8.50);
  // The forecast follows the table: ten days of 2027 at the new rate.
  EXPECT_DOUBLE_EQ(settlements::InterestForecast(3650, JulianFromYmd(2026, 12, 31), JulianFromYmd(2027, 1, 10), *rates),
                   8.50);
  EXPECT_FALSE(env.Exists(dir / "rob/ods01.dbf")) << "the table is made under another name and renamed";
  ExpectDataChecksClean();
}

}  // namespace
}  // namespace hurt::catalogues::testing
