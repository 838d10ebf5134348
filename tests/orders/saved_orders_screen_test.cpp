// The browsers of saved orders through their screens: the order files of zamd/ deleted
// with F8 after their question, and the order documents of fv_zam marked fulfilled,
// unmarked and cancelled only with the supervisor's password, never with advances.
#include "orders/saved_orders.h"

#include "orders/advance_invoices.h"
#include "orders/order_xml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/keys.h"
#include "maintenance/maintenance_fixture.h"
#include "orders/order_number.h"
#include "session/operators_table.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"

namespace hurt::orders {
namespace {

namespace key = console::key;
using maintenance::testing::AddRecord;
using maintenance::testing::Company;
using maintenance::testing::ReadRows;
using maintenance::testing::Row;

class SavedOrdersScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(mem.SetContents("FV_ZAL.TXT", "").ok());
    ASSERT_TRUE(c.Build());
    ASSERT_TRUE(mem.Exists("fv_zam/dowod.dbf"));
    ASSERT_TRUE(mem.Exists("fv_zal/dowod.dbf"));
  }

  void Run(void (*browser)(session::Session&, OrderView)) {
    EXPECT_TRUE(d.Run([&](console::Console&) { browser(c.s(), OrderView::kAll); }));
    EXPECT_TRUE(d.term.Finished()) << "steps of the script were not used:\n" << d.Dump();
  }
  void Run(void (*browser)(session::Session&)) {
    EXPECT_TRUE(d.Run([&](console::Console&) { browser(c.s()); }));
    EXPECT_TRUE(d.term.Finished()) << "steps of the script were not used:\n" << d.Dump();
  }

  // The supervisor gets the password "Boss".
  void SupervisorPassword() {
    namespace ops = session::operators;
    ASSERT_TRUE(ops::OpenPrawa(c.s()).ok());
    xbase::WorkArea* prawa = c.s().areas().Area(ops::kPrawaArea);
    ASSERT_NE(prawa, nullptr);
    ASSERT_TRUE(prawa->GoTop().ok());
    ASSERT_TRUE(ops::StorePassword(c.s(), *prawa, prawa->recno(), "Boss").ok());
    ops::ClosePrawa(c.s());
  }

  // An order of SMAKOSZ with `lines` lines in fv_zam, and an advance invoice for it when asked.
  void Order(const std::string& nrd, int lines, bool advance = false) {
    xbase::WorkAreas areas(mem);
    auto head = areas.Open(1, "fv_zam/dowod.dbf", "dowodzam");
    auto dow = areas.Open(2, "fv_zam/dow.dbf", "dowzam");
    ASSERT_TRUE(head.ok() && dow.ok());
    ASSERT_TRUE((*head)->AttachOrder("fv_zam/dowod1.ntx").ok());
    ASSERT_TRUE((*head)->AttachOrder("fv_zam/dowod2.ntx").ok());
    ASSERT_TRUE((*dow)->AttachOrder("fv_zam/dow1.ntx").ok());
    AddRecord(**head, {{"ODB", "SMAKOSZ "}, {"RD", "ZAM"}, {"NRD", nrd},
                       {"DATA", xbase::Value(xbase::Date{JulianFromYmd(2024, 3, 10)})}});
    for (int i = 1; i <= lines; ++i)
      AddRecord(**dow, {{"ODB", "SMAKOSZ "}, {"RD", "ZAM"}, {"NRD", nrd}, {"LP", "  " + std::to_string(i)},
                        {"MAG", "1"}, {"INDEKS", "10001   "}});
    if (advance) {
      auto zal = areas.Open(3, "fv_zal/dowod.dbf", "dowodzal");
      ASSERT_TRUE(zal.ok());
      for (const char* ntx : {"fv_zal/dowod1.ntx", "fv_zal/dowod2.ntx", "fv_zal/dowod3.ntx"})
        ASSERT_TRUE((*zal)->AttachOrder(ntx).ok());
      AddRecord(**zal, {{"ODB", "SMAKOSZ "}, {"RD", "FZ "}, {"NRD", "       9"}, {"ZAM_RD", "ZAM"}, {"ZAM_NRD", nrd}});
    }
  }

  std::vector<Row> Headers() { return ReadRows(mem, "fv_zam/dowod.dbf"); }
  // The numbers of the lines not deleted.
  std::vector<std::string> LiveLines() {
    std::vector<std::string> out;
    for (const Row& r : ReadRows(mem, "fv_zam/dow.dbf"))
      if (!r.deleted) out.push_back(r["NRD"] + "/" + r["LP"]);
    return out;
  }

  SavedOrdersScreen& Password(const char* typed) {
    d.Then([this] { EXPECT_TRUE(d.Contains("PODAJ  HASŁO  !")); }).Type(typed).Key(key::kEnter);
    return *this;
  }

  hurt::testing::ScreenDriver d;
  xbase::MemoryEnv mem{d.clock};
  Company c{mem, d.con, d.clock};
};

TEST_F(SavedOrdersScreen, TheFulfilmentMarkIsStampedAndRemovedOnlyWithTheSupervisorsPassword) {
  SupervisorPassword();
  Order("       1", 2);
  d.Then([this] { EXPECT_TRUE(d.Contains("Z A M O W I E N I A")); }).Key(key::kEnter);
  d.Then([this] { EXPECT_TRUE(d.Contains("Zrealizowane ?")); }).Key('T');
  d.Then([this] { EXPECT_TRUE(d.Contains("15.03.2024 0")); }).Key(key::kEnter);
  // Unmarking: a wrong password twice leaves the mark.
  d.Then([this] { EXPECT_TRUE(d.Contains("0 odznaczyc realizacje ?")); }).Key('T');
  Password("zle");
  d.Then([this] { EXPECT_TRUE(d.Contains("ZŁE  HASŁO !")); }).Type("gorsze").Key(key::kEnter);
  d.Then([this] { EXPECT_TRUE(d.Contains("15.03.2024 0")); }).Key(key::kEnter);
  d.Key('N');  // no, after all
  d.Then([this] { EXPECT_TRUE(d.Contains("15.03.2024 0")); });
  d.Key(key::kEsc);
  Run(RCoSs);
  ASSERT_EQ(Headers().size(), 1u);
  EXPECT_EQ(Headers()[0]["ARC_DATA"], "20240315");
  EXPECT_EQ(Headers()[0]["ARC_NR"], "0");

  d.Key(key::kEnter).Key('T');
  Password("Boss");
  d.Then([this] { EXPECT_FALSE(d.Contains("15.03.2024 0")); }).Key(key::kEsc);
  Run(RCoSs);
  EXPECT_EQ(Headers()[0]["ARC_DATA"], "");
  EXPECT_EQ(Headers()[0]["ARC_NR"], "");
  EXPECT_EQ(LiveLines().size(), 2u);
}

TEST_F(SavedOrdersScreen, AnOrderWithAdvancesIsNotCancelledOneWithoutGoesWithItsLines) {
  SupervisorPassword();
  Order("       1", 2);
  Order("       2", 1, true);
  d.Key(key::kDown).Key(key::F(8));
  d.Then([this] { EXPECT_TRUE(d.Contains("Nic nie zrobie, sa zaliczki")); }).Wait(3500);
  d.Key(key::kUp).Key(key::F(8));
  d.Then([this] { EXPECT_TRUE(d.Contains("Anulowac: SMAKOSZ ZAM       1 ?")); }).Key('N');
  d.Key(key::F(8)).Key('T');
  Password("zle");
  d.Type("gorsze").Key(key::kEnter);  // the second try wrong too: nothing cancelled
  d.Then([this] { EXPECT_EQ(LiveLines().size(), 3u); }).Key(key::F(8)).Key('T');
  Password("Boss");
  d.Key(key::kEsc);
  Run(RCoSs);

  const std::vector<Row> headers = Headers();
  ASSERT_EQ(headers.size(), 2u);
  EXPECT_TRUE(headers[0].deleted);
  EXPECT_FALSE(headers[1].deleted);
  EXPECT_EQ(LiveLines(), (std::vector<std::string>{"2/1"}));
}

// Another station holds the second line: nothing of the order goes, and the user is told.
TEST_F(SavedOrdersScreen, AnOrderWithALineHeldElsewhereStaysWhole) {
  SupervisorPassword();
  Order("       1", 3);
  xbase::WorkAreas other(mem);
  auto held = other.Open(1, "fv_zam/dow.dbf", "dowzam");
  ASSERT_TRUE(held.ok());
  ASSERT_TRUE((*held)->LockRecord(2).ok());
  d.Key(key::F(8)).Key('T');
  Password("Boss");
  d.Then([this] { EXPECT_TRUE(d.Contains("Zamowienie zajete - nic nie zmieniono")); }).Wait(3500);
  d.Key(key::kEsc);
  Run(RCoSs);
  EXPECT_FALSE(Headers()[0].deleted);
  EXPECT_EQ(LiveLines(), (std::vector<std::string>{"1/1", "1/2", "1/3"}));
}

// Tab joins the customer's advance invoice of the month once; the order can then not be
// cancelled; marked fulfilled it leaves the open orders for the archive; the invoice is
// taken off its order in Faktury zaliczkowe only with the supervisor's password.
TEST_F(SavedOrdersScreen, AnAdvanceInvoiceIsJoinedOnceAndTakenOffWithThePassword) {
  SupervisorPassword();
  Order("       1", 1);
  using store::TableId;
  const auto data = xbase::Value(xbase::Date{JulianFromYmd(2024, 3, 12)});
  AddRecord(c.Area(TableId::kDowod), {{"RD", "FZ "}, {"NRD", "       4"}, {"ODB", "SMAKOSZ "}, {"DATA", data}, {"NETTO", 100.0}, {"VAT", 23.0}});
  AddRecord(c.Area(TableId::kDowod), {{"RD", "FZ "}, {"NRD", "       5"}, {"ODB", "INNY    "}, {"DATA", data}});
  AddRecord(c.Area(TableId::kDowod), {{"RD", "FV "}, {"NRD", "       6"}, {"ODB", "SMAKOSZ "}, {"DATA", data}});
  const auto open = [this](OrderView view) {
    EXPECT_TRUE(d.Run([&](console::Console&) { RCoSs(c.s(), view); }));
    EXPECT_TRUE(d.term.Finished()) << "steps of the script were not used:\n" << d.Dump();
  };

  d.Key(key::kTab);
  d.Then([this] {
    EXPECT_TRUE(d.Contains("Zaliczka do zamowienia ZAM1"));
    EXPECT_TRUE(d.Contains("FZ         4"));
    EXPECT_FALSE(d.Contains("       5"));
    EXPECT_FALSE(d.Contains("FV "));
  }).Key(key::kEnter);
  d.Then([this] { EXPECT_TRUE(d.Contains("Dolaczyc FZ4 do zamowienia ZAM1 ?")); }).Key('T');
  d.Key(key::kTab);
  d.Then([this] { EXPECT_TRUE(d.Contains("Brak faktur FZ odbiorcy SMAKOSZ do dolaczenia w tym miesiacu")); }).Wait(3500);
  d.Key(key::F(8));
  d.Then([this] { EXPECT_TRUE(d.Contains("Nic nie zrobie, sa zaliczki")); }).Wait(3500);
  d.Key(key::kEnter).Key('T');
  d.Then([this] { EXPECT_FALSE(d.Contains("SMAKOSZ")); }).Key(key::kEsc);
  open(OrderView::kOpen);

  std::vector<Row> zal = ReadRows(mem, "fv_zal/dowod.dbf");
  ASSERT_EQ(zal.size(), 1u);
  EXPECT_EQ(zal[0]["RD"], "FZ");
  EXPECT_EQ(zal[0]["NRD"], "4");
  EXPECT_EQ(zal[0]["ODB"], "SMAKOSZ");
  EXPECT_EQ(zal[0]["ZAM_RD"], "ZAM");
  EXPECT_EQ(zal[0]["ZAM_NRD"], "1");
  EXPECT_EQ(zal[0]["ZAM_DATA"], "20240310");

  d.Then([this] { EXPECT_TRUE(d.Contains("A R C H I W U M") && d.Contains("SMAKOSZ")); }).Key(key::kEsc);
  open(OrderView::kFulfilled);

  d.Then([this] {
    EXPECT_TRUE(d.Contains("F A K T U R Y   Z A L I C Z K O W E"));
    EXPECT_TRUE(d.Contains("123.00"));
  }).Key(key::F(8));
  d.Then([this] { EXPECT_TRUE(d.Contains("Odlaczyc FZ4 od zamowienia ZAM1 ?")); }).Key('T');
  Password("Boss");
  d.Key(key::kEsc);
  EXPECT_TRUE(d.Run([&](console::Console&) { FakturyZaliczkowe(c.s()); }));
  EXPECT_TRUE(d.term.Finished()) << "steps of the script were not used:\n" << d.Dump();
  zal = ReadRows(mem, "fv_zal/dowod.dbf");
  ASSERT_EQ(zal.size(), 1u);
  EXPECT_TRUE(zal[0].deleted);
}

// The XML copy goes only to a counterparty with its settings file, under the marker; its
// texts are UTF-8 and escaped, quantities whole.
TEST_F(SavedOrdersScreen, TheXmlCopyOfAnOrderIsWrittenForACounterpartyThatTakesIt) {
  OrderFileContent content{"MLECZARN", "0", "Pilne & \xA5", false, {}};  // 0xA5: "ą" in 852
  content.rows.push_back({"1", "10014", "MLEKO \"3,2\"", "szt", 11.6, 0, "MLECZARN", "5900000000014"});
  ASSERT_TRUE(SaveOrderXml(c.s(), content, "NR_03007").ok());
  EXPECT_FALSE(mem.Exists("mleczarn/nr_03007.xml"));  // no marker yet
  ASSERT_TRUE(mem.SetContents("ZAMD.XML", "").ok());
  ASSERT_TRUE(SaveOrderXml(c.s(), content, "NR_03007").ok());
  EXPECT_FALSE(mem.Exists("mleczarn/nr_03007.xml"));  // MLECZARN takes no copies
  ASSERT_TRUE(mem.SetContents("mleczarn.xml", "").ok());
  ASSERT_TRUE(SaveOrderXml(c.s(), content, "NR_03007").ok());
  auto xml = mem.Contents("mleczarn/nr_03007.xml");
  ASSERT_TRUE(xml.ok());
  EXPECT_EQ(*xml,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<Zamowienie numer=\"NR_03007\" data=\"2024-03-15\" kontrahent=\"MLECZARN\" operator=\"0\">\n"
            "  <Pozycja lp=\"1\" mag=\"1\" indeks=\"10014\" kod13=\"5900000000014\" nazwa=\"MLEKO &quot;3,2&quot;\" "
            "jm=\"szt\" ilosc=\"12\"/>\n"
            "  <Uwagi>Pilne &amp; \xC4\x85</Uwagi>\n"
            "</Zamowienie>\n");
  content.odb = "../X";
  EXPECT_TRUE(SaveOrderXml(c.s(), content, "NR_03008").ok());  // a key that is no folder name: no copy
}

TEST_F(SavedOrdersScreen, WithoutTheOrderTablesItSaysSo) {
  ASSERT_TRUE(mem.Remove("fv_zam/dow.dbf").ok());
  d.Then([this] { EXPECT_TRUE(d.Contains("Plik fv_zam/dowod niedostepny")); });
  Run(RCoSs);
}

TEST_F(SavedOrdersScreen, ASavedOrderFileIsDeletedWithF8AfterItsQuestion) {
  ASSERT_TRUE(mem.CreateDirs("zamd").ok());
  OrderFileContent content{"MLECZARN", "0", "", false, {}};
  content.rows.push_back({"1", "10001", "MAKA", "kg", 5, 0, "MLECZARN", ""});
  for (const char* nr : {"NR_03001", "NR_03002"})
    ASSERT_TRUE(SaveOrderFile(mem, OrderFilePath(c.s().root(), OrderSide::kSuppliers, nr), content, 1).ok());
  ASSERT_TRUE(mem.CreateDirs("zamo").ok());
  ASSERT_TRUE(SaveOrderFile(mem, OrderFilePath(c.s().root(), OrderSide::kCustomers, "NR_03005"), content, 1).ok());
  d.Then([this] {
    EXPECT_TRUE(d.Contains("Zamowienia do dostawcow"));
    EXPECT_TRUE(d.Contains("NR_03002"));
  }).Key(key::F(8));
  d.Then([this] { EXPECT_TRUE(d.Contains("Skasowac zamowienie NR_03002 ?")); }).Key('N');
  d.Key(key::F(8)).Key('T');
  d.Then([this] {
    EXPECT_FALSE(d.Contains("NR_03002"));
    EXPECT_TRUE(d.Contains("NR_03001"));
  }).Key(key::F(2));
  // F2: the customers' orders of zamo/, and back.
  d.Then([this] {
    EXPECT_TRUE(d.Contains("Zamowienia od odbiorcow"));
    EXPECT_TRUE(d.Contains("NR_03005"));
    EXPECT_FALSE(d.Contains("NR_03001"));
  }).Key(key::F(2));
  d.Then([this] { EXPECT_TRUE(d.Contains("Zamowienia do dostawcow") && d.Contains("NR_03001")); }).Key(key::kEsc);
  Run(NcZam);
  EXPECT_FALSE(mem.Exists(OrderFilePath(c.s().root(), OrderSide::kSuppliers, "NR_03002")));
  EXPECT_TRUE(mem.Exists(OrderFilePath(c.s().root(), OrderSide::kSuppliers, "NR_03001")));
}

}  // namespace
}  // namespace hurt::orders
