// The money documents of one account (F3 of the counterparty books): found by kind,
// corrected and deleted from the list, a new one entered.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "documents/header_rules.h"
#include "settlements/money_document.h"
#include "settlements/money_register.h"
#include "store/fake_store_ui.h"

namespace hurt::settlements {
namespace {

using catalogues::testing::CatalogueTest;
using xbase::Value;
namespace key = console::key;

class MoneyRegisterTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    Add(Area(3), {{"ODB", Value("K1")}, {"NODB", Value("SKLEP")}});
    Add(Area(3), {{"ODB", Value("K2")}, {"NODB", Value("HURTOWNIA")}});
    // Receipts and payments share one counter; notes have their own.
    Write("KP", "K1", 15, 40);
    Write("KW", "K1", 10, 5);
    Write("KP", "K2", 12, 70);
    Write("NOU", "K1", 20, 3);
  }
  void Write(std::string rd, std::string odb, int day, double kwota) {
    MoneyDocument doc;
    doc.rd = PadR(rd, 3);
    doc.data = documents::PeriodOfHh(s().hh()).First() + day - 1;  // in the open month
    doc.odb = odb;
    doc.tresc = "Dowod " + rd;
    doc.kwota = kwota;
    auto r = ZapiszDowodKasowy(s(), quiet, doc);
    ASSERT_TRUE(r.ok() && r->done) << r.status().ToString();
  }
  std::vector<std::string> Listed(std::string odb) {
    auto list = MoneyDocumentsOf(s(), "O", odb);
    EXPECT_TRUE(list.ok());
    std::vector<std::string> out;
    for (const MoneyEntry& e : *list) out.push_back(AllTrim(e.rd) + "-" + AllTrim(e.nrd) + (e.receipt ? " +" : " -") + std::to_string(static_cast<int>(e.kwota)));
    return out;
  }
  store::testing::FakeStoreUi quiet{d.clock};
};

TEST_F(MoneyRegisterTest, TheAccountsMoneyDocumentsInDateOrder) {
  EXPECT_EQ(Listed("K1"), (std::vector<std::string>{"KW-2 -5", "KP-1 +40", "NOU-1 +3"}));
  EXPECT_EQ(Listed("K2"), (std::vector<std::string>{"KP-3 +70"}));
}

TEST_F(MoneyRegisterTest, EnterCorrectsOrDeletesAndF5EntersANewOne) {
  // The cursor opens on the last (NOU 1): Enter, the amount 0 deletes it.
  d.Then([&] {
    EXPECT_TRUE(d.Contains("EWIDENCJA KP, KW, PP: K1 SKLEP")) << d.Dump();
    EXPECT_TRUE(d.Contains("NOU-       1")) << d.Dump();
  });
  d.Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Rodzaj : NOU")) << d.Dump(); });
  d.Key(key::kEnter).Key(key::kEnter).Key(key::kEnter).Type("0").Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY DANE SA POPRAWNE ?")) << d.Dump(); }).Key('T');
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAPAMIETAC DOWOD ?")) << d.Dump(); }).Key('T');
  d.Then([&] { EXPECT_TRUE(d.Contains("SKASOWANO DOWOD NOU")) << d.Dump(); }).Key(key::kSpace);
  // F5: a new KW of 8.00.
  d.Key(key::F(5)).Type("KW").Key(key::kEnter).Key(key::kEnter).Key(key::kEnter).Type("8").Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAPAMIETAC DOWOD ?")) << d.Dump(); }).Key('T');
  d.Then([&] { EXPECT_TRUE(d.Contains("Zapisano KW-4")) << d.Dump(); }).Key(key::kSpace);
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { EwidencjaKpKw(s(), "O", "K1      ", "SKLEP"); }));
  std::vector<std::string> k1 = Listed("K1");  // the new KW is dated today
  std::sort(k1.begin(), k1.end());
  EXPECT_EQ(k1, (std::vector<std::string>{"KP-1 +40", "KW-2 -5", "KW-4 -8"}));
  EXPECT_EQ(Rows(Area(3), {"ODB", "OBWN", "OBMA"}),
            (std::vector<std::string>{"K1|13.000000|40.000000", "K2|0.000000|70.000000"}));
  ExpectDataChecksClean();
}

}  // namespace
}  // namespace hurt::settlements
