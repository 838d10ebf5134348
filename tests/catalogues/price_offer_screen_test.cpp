// The price list of a warehouse: the articles of the warehouse chosen, in name order,
// with their prices; a group narrows it; Esc prints nothing.
#include "catalogues/price_offer.h"

#include <gtest/gtest.h>

#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"

namespace hurt::catalogues::testing {
namespace {

namespace key = console::key;
using xbase::Value;

class OfferTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    s().set_stacja(1);
    Article("1", "B2", "ZETA WODA", {{"T_W_O_K", Value("NAPOJE")}, {"CENA", Value(2.00)}, {"CENA2", Value(2.46)}});
    Article("1", "A1", "ALFA BATON", {{"T_W_O_K", Value("SLODYCZE")}, {"CENA", Value(1.50)}, {"CENA2", Value(1.85)}});
    Article("2", "C3", "BETA SOK", {{"T_W_O_K", Value("NAPOJE")}, {"CENA", Value(3.00)}, {"CENA2", Value(3.69)}});
  }
  // The row of the viewer that shows `text`, -1 when none does.
  int RowOf(const std::string& text) {
    for (int row = 0; row < 24; ++row) {
      if (d.Line(row).find(text) != std::string::npos) return row;
    }
    return -1;
  }
  bool RunOffer() {
    return d.Run([&](console::Console&) { OfertaHandlowa(s()); });
  }
};

TEST_F(OfferTest, TheMainWarehouseInNameOrderWithItsPrices) {
  d.Key(key::kEnter).Key(key::kEnter);  // warehouse 1 as proposed, every group
  d.Then([&] {
    EXPECT_GE(RowOf("OFERTA HANDLOWA"), 0) << d.Dump();
    EXPECT_GE(RowOf("ALFA BATON"), 0);
    EXPECT_LT(RowOf("ALFA BATON"), RowOf("ZETA WODA"));
    EXPECT_NE(d.Line(RowOf("ZETA WODA")).find("2.46"), std::string::npos);
    EXPECT_EQ(RowOf("BETA SOK"), -1) << "warehouse 2 is not listed";
    EXPECT_GE(RowOf("Pozycji: 2"), 0);
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunOffer());
  EXPECT_EQ(As().order(), 1) << "the cards keep their order";
}

TEST_F(OfferTest, AGroupOrAnotherWarehouseNarrowsTheList) {
  d.Key(key::kEnter).Type("napoje").Key(key::kEnter);
  d.Then([&] {
    EXPECT_GE(RowOf("ZETA WODA"), 0) << d.Dump();
    EXPECT_EQ(RowOf("ALFA BATON"), -1);
    EXPECT_GE(RowOf("Pozycji: 1"), 0);
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunOffer());
  d.Type("2").Key(key::kEnter).Key(key::kEnter);
  d.Then([&] {
    EXPECT_GE(RowOf("BETA SOK"), 0) << d.Dump();
    EXPECT_EQ(RowOf("ZETA WODA"), -1);
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(RunOffer());
  // Esc in the form: no list.
  d.Key(key::kEsc);
  d.Then([&] { EXPECT_EQ(RowOf("OFERTA HANDLOWA"), -1); });
  ASSERT_TRUE(RunOffer());
}

}  // namespace
}  // namespace hurt::catalogues::testing
