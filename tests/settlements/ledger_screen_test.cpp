// The settlement browse of one counterparty driven through the headless console.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"
#include "settlements/ledger_screen.h"

namespace hurt::settlements {
namespace {

using catalogues::testing::CatalogueTest;
using catalogues::testing::Fields;
using xbase::Value;
namespace key = console::key;

class LedgerScreenTest : public CatalogueTest {
 protected:
  xbase::WorkArea& FaN() { return Area(7); }
  xbase::WorkArea& FaNx() { return Area(8); }
  xbase::WorkArea& Zo() { return Area(3); }
  // An open item of K1 and the balance it brings.
  void Item(std::string rd, std::string nrd, double wn, double ma, std::string mag = "1") {
    Add(FaN(), {{"KTO", Value("O")}, {"ODB", Value("K1")}, {"RD", Value(rd)}, {"NRD", Value(nrd)},
                {"MAG", Value(mag)}, {"OBWN", Value(wn)}, {"OBMA", Value(ma)}, {"R_P", Value("R")},
                {"DATA", Value(xbase::Date{JulianFromYmd(2024, 3, 1)})}});
    wn_ += wn;
    ma_ += ma;
  }
  void Customer() { Add(Zo(), {{"ODB", Value("K1")}, {"NODB", Value("SKLEP")}, {"OBWN", Value(wn_)}, {"OBMA", Value(ma_)}}); }
  void Run() {
    ASSERT_TRUE(d.Run([&](console::Console&) { FaNRozliczanie(s(), "O", "K1       ", "SKLEP"); }));
  }
  void ExpectMessage(const std::string& text) {
    d.Then([this, text] { EXPECT_TRUE(d.Contains(text)) << d.Dump(); }).Key(key::kSpace);
  }
  double wn_ = 0, ma_ = 0;
};

TEST_F(LedgerScreenTest, AReceivableAndItsPaymentAreSettledIntoOneBatch) {
  Item("FV ", "       1", 100, 0);
  Item("KP ", "       1", 0, 100, "0");
  Customer();
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Naleznosci")) << d.Dump();
    EXPECT_TRUE(d.Contains("FV -       1")) << d.Dump();
  });
  d.Key(key::F(10));
  ExpectMessage("BAW SIE CZYMS INNYM LUB ZAZNACZ COS");
  d.Key(key::kSpace).Key(key::F(10));
  ExpectMessage("ZAZNACZ COS JESZCZE");
  d.Key(key::kDown).Key(key::kSpace);
  d.Then([&] { EXPECT_TRUE(d.Contains("Saldo X:          0.00   zaznaczono Wn: 1  Ma: 1")) << d.Dump(); });
  d.Key(key::F(10));
  ExpectMessage("Rozliczono");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(FaN(), {"RD"}), std::vector<std::string>{});
  EXPECT_EQ(Rows(FaNx(), {"RD", "OBWN", "OBMA"}).size(), 2u);
  EXPECT_EQ(Rows(Zo(), {"ODB", "OBWN", "OBMA"}), std::vector<std::string>{"K1|0.000000|0.000000"});
  ExpectDataChecksClean();
}

TEST_F(LedgerScreenTest, UnequalSidesAreCompensatedAfterTheQuestionAndTheRestStaysOpen) {
  Item("FV ", "       1", 100, 0);
  Item("PZ ", "       1", 0, 60);
  Customer();
  d.Key(key::kSpace).Key(key::kDown).Key(key::kSpace).Key(key::F(10));
  d.Then([&] { EXPECT_TRUE(d.Contains("Kompensowac ?")) << d.Dump(); }).Key('N');
  d.Key(key::F(10));
  d.Then([&] { EXPECT_TRUE(d.Contains("Kompensowac ?")) << d.Dump(); }).Key('T');
  ExpectMessage("Skompensowano");
  // The compensation note in the preview: the difference left open.
  d.Then([&] {
    EXPECT_TRUE(d.Contains("NOTA KOMPENSACYJNA")) << d.Dump();
    EXPECT_TRUE(d.Contains("40.00")) << d.Dump();
  }).Key(key::kEsc);
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(FaN(), {"RD", "OBWN", "OBMA"}), std::vector<std::string>{"KO|40.000000|0.000000"});
  EXPECT_EQ(Rows(Zo(), {"ODB", "OBWN", "OBMA"}), std::vector<std::string>{"K1|40.000000|0.000000"});
  ExpectDataChecksClean();
}

TEST_F(LedgerScreenTest, APaymentEnteredOnTheInvoiceIsMatchedAndThenSettledWithIt) {
  Item("FV ", "       1", 100, 0);
  Customer();
  // F3, the money document: on the invoice, KP of its 100.00 is proposed.
  d.Key(key::F(3)).Key(key::kEnter);
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Kasa przyjęła")) << d.Dump();
    EXPECT_TRUE(d.Contains("Rodzaj : KP")) << d.Dump();
    EXPECT_TRUE(d.Contains("100.00")) << d.Dump();
  });
  d.Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAPAMIETAC DOWOD ?")) << d.Dump(); }).Key('T');
  ExpectMessage("Zapisano KP-1");
  d.Then([&] { EXPECT_TRUE(d.Contains("KP -       1")) << d.Dump(); });
  d.Key(key::kSpace).Key(key::kDown).Key(key::kSpace).Key(key::F(10));
  ExpectMessage("Rozliczono");
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(FaN(), {"RD"}), std::vector<std::string>{});
  EXPECT_EQ(Rows(FaNx(), {"RD", "ZAP"}).size(), 2u);
  EXPECT_EQ(Rows(Zo(), {"ODB", "OBWN", "OBMA"}), std::vector<std::string>{"K1|0.000000|0.000000"});
  EXPECT_EQ(Rows(Area(6), {"RD", "NRD", "MAG"}), std::vector<std::string>{"KP|       1|0"});
  ExpectDataChecksClean();
}

TEST_F(LedgerScreenTest, ADebitNoteAsksItsDueDateAndATransferOrderGoesToThePpTable) {
  Customer();
  // NOO: the due date proposed 14 days on; "N" to "CZY DANE SA POPRAWNE ?" goes back to
  // the form, Esc there writes nothing.
  d.Key(key::F(3)).Key(key::kEnter).Type("NOO").Key(key::kEnter).Key(key::kEnter).Key(key::kEnter);
  d.Type("50").Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY DANE SA POPRAWNE ?")) << d.Dump(); }).Key('N');
  d.Then([&] { EXPECT_TRUE(d.Contains("Rodzaj : NOO")) << d.Dump(); }).Key(key::kEsc);
  d.Then([&] { EXPECT_FALSE(d.Contains("Rodzaj :")) << d.Dump(); });
  d.Key(key::F(3)).Key(key::kEnter).Type("NOO").Key(key::kEnter).Key(key::kEnter).Key(key::kEnter);
  d.Type("50").Key(key::kEnter).Key(key::kEnter);  // amount, text
  d.Then([&] { EXPECT_TRUE(d.Contains(" + 14 dni :")) << d.Dump(); }).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY DANE SA POPRAWNE ?")) << d.Dump(); }).Key('T');
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAPAMIETAC DOWOD ?")) << d.Dump(); }).Key('T');
  ExpectMessage("Zapisano NOO-1");
  // PP of 30.00, sent on to the transfer-order table.
  d.Key(key::F(3)).Key(key::kEnter).Type("PP").Key(key::kEnter).Key(key::kEnter).Key(key::kEnter);
  d.Type("30").Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY DANE SA POPRAWNE ?")) << d.Dump(); }).Key('T');
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAPAMIETAC DOWOD ?")) << d.Dump(); }).Key('T');
  ExpectMessage("Zapisano PP-1");
  d.Then([&] { EXPECT_TRUE(d.Contains("POLECENIE PRZELEWU")) << d.Dump(); }).Key(key::kEsc);
  d.Then([&] { EXPECT_TRUE(d.Contains("Wyslac do zbioru PP ?")) << d.Dump(); }).Key('T');
  d.Key(key::kEsc);
  Run();
  const JulianDay today = s().Today();
  auto items = Rows(FaN(), {"RD", "OBWN", "OBMA", "TEZ"});
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, (std::vector<std::string>{"NOO|50.000000|0.000000|14.000000", "PP|30.000000|0.000000|0.000000"}));
  ASSERT_TRUE(FaN().GoTop().ok());
  for (; !FaN().eof(); (void)FaN().Skip(1)) {
    if (FaN().Get("RD")->AsString() == "NOO") {
      EXPECT_EQ(FaN().Get("TERMIN")->AsDate().day, today + 14);
    }
  }
  EXPECT_EQ(Rows(Zo(), {"ODB", "OBWN", "OBMA"}), std::vector<std::string>{"K1|80.000000|0.000000"});
  auto pp = s().areas().Open(240, dir.str() + "/pp.dbf", "pp_test");
  ASSERT_TRUE(pp.ok()) << pp.status().ToString();
  EXPECT_EQ(Rows(**pp, {"ODB", "O_NODB", "KWOTA"}), std::vector<std::string>{"K1|SKLEP|       30.00"});
  ASSERT_TRUE(s().areas().Close(240).ok());
  ExpectDataChecksClean();
}

// A money document goes to this month's tables: a date outside the open month is refused
// in the form, and so is another customer's number; a demand of nothing owed prints nothing.
TEST_F(LedgerScreenTest, TheFormRefusesADateOutsideTheMonthAndAnotherCustomersNumber) {
  Item("KP ", "       1", 0, 30, "0");
  Customer();
  Add(Zo(), {{"ODB", Value("K2")}, {"NODB", Value("INNY")}});
  Add(Area(6), {{"RD", Value("KP ")}, {"NRD", Value("       7")}, {"MAG", Value("0")}, {"KTO", Value("O")},
                {"ODB", Value("K2")}, {"KWOTA", Value(5.0)}});
  d.Key(key::F(3)).Key(key::kEnter).Key(key::kEnter).Type("7").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Dowod KP-7 jest innego kontrahenta: K2")) << d.Dump(); }).Key(key::kSpace);
  d.Type("0").Key(key::kEnter).Type("01011990").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("BIEZACYM MIESIACEM JEST")) << d.Dump(); }).Key(key::kSpace);
  d.Key(key::kEsc);
  // The payment alone under the cursor: nothing is owed, nothing printed.
  d.Key(key::F(3)).Key(key::kDown).Key(key::kDown).Key(key::kDown).Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.Contains("Zaznaczone pozycje nie sa naleznoscia")) << d.Dump(); }).Key(key::kSpace);
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(Rows(FaN(), {"RD"}), std::vector<std::string>{"KP"});
  ExpectDataChecksClean();
}

// A cash receipt on a station with a fiscal printer: the drawer opens and the receipt is
// offered to the printer with its amount and rate; "N" sends nothing.
TEST_F(LedgerScreenTest, ACashReceiptOpensTheDrawerAndGoesToTheFiscalPrinter) {
  Item("FV ", "       1", 100, 0);
  Customer();
  ASSERT_TRUE(s().settings().SetText("J_SZUFLADA", "T").ok());
  ASSERT_TRUE(s().settings().SetText("J_DF", "KP_").ok());
  int drawers = 0;
  std::vector<std::string> receipts;
  s().document_actions().open_cash_drawer = [&](session::Session&) { ++drawers; };
  s().document_actions().fiscal_receipt = [&](session::Session&, double kwota, std::string_view stawka, std::string_view) {
    receipts.push_back(std::to_string(kwota).substr(0, 6) + "/" + std::string(stawka));
    return true;
  };
  d.Key(key::F(3)).Key(key::kEnter).Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.Contains("CZY ZAPAMIETAC DOWOD ?")) << d.Dump(); }).Key('T');
  ExpectMessage("Zapisano KP-1");
  d.Then([&] { EXPECT_TRUE(d.Contains("Wyslac 100.00/23 do fiskalnej ?")) << d.Dump(); }).Key('T');
  d.Key(key::kEsc);
  Run();
  EXPECT_EQ(drawers, 1);
  EXPECT_EQ(receipts, std::vector<std::string>{"100.00/23"});
  EXPECT_EQ(Rows(Area(6), {"RD", "ODBIORCA"}), std::vector<std::string>{"KP|Zaplata FV-1/PTU 23"});
  ExpectDataChecksClean();
}

}  // namespace
}  // namespace hurt::settlements
