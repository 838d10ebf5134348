// The road of a customer's payments walked through the real screens: two invoices on
// credit, a cash receipt entered against the first and settled with it, a part payment of
// the second compensated so that the rest stays owed, with the ways out at every question
// (Esc, "N", SIGTERM, kill -9), a record held by another station and two stations settling
// the same customer at once. Every step ends with `hurt-dbf verify` finding nothing.
#include <gtest/gtest.h>
#include <signal.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kSubmenu = "Zestawienie       WZ";
constexpr std::string_view kBrowse = "Spacja-Zaznaczenie";
constexpr std::string_view kKeep = "CZY ZAPAMIETAC DOWOD ?";

class SettlementRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
  }

  std::string Table(const std::string& name) const { return data / (period + "/" + name + ".dbf"); }
  std::vector<std::map<std::string, std::string>> Items() { return Records(Table("fa_n")); }
  std::vector<std::map<std::string, std::string>> Settled() { return Records(Table("fa_nx")); }
  // The open items as "RD-NRD wn/ma ZAP" lines, in file order.
  std::string Ledger() {
    std::string out;
    for (auto& i : Items()) out += i["RD"] + "-" + i["NRD"] + " " + i["OBWN"] + "/" + i["OBMA"] + " " + i["ZAP"] + "\n";
    return out;
  }
  std::string Balance() {
    for (auto& r : Records(Table("zo"))) {
      if (r["ODB"] == "SMAKOSZ") return r["OBWN"] + "/" + r["OBMA"];
    }
    return "?";
  }
  // What a settlement may change, as text.
  std::string Snapshot() { return Ledger() + "saldo " + Balance() + "\nhistoria " + std::to_string(Settled().size()); }

  std::unique_ptr<HurtStation> Start(const std::string& name) { return StartInDowody(data.str(), work.str(), name); }

  // Two invoices of SMAKOSZ on credit (payment P, 14 days, as the customer's card says).
  void TwoInvoices(HurtStation& s) {
    s.Send("Home");
    Step(s, {"Enter"}, kEntry);
    for (const char* qty : {"4", "7"}) InvoiceForSmakosz(s, qty);
    Step(s, {"Esc"}, kSubmenu);
  }
  // From the Dowody menu to the settlement browse of SMAKOSZ.
  static void OpenLedger(HurtStation& s) {
    Step(s, {"Left"}, "Rozrachunki z odbiorcami");
    Step(s, {"Home", "Enter"}, "ROZRACHUNKI Z ODBIORCAMI");
    Step(s, {"text:SMAKOSZ"}, "Smakosz");
    Step(s, {"F2"}, kBrowse);
  }
  // F3, the money document, on the item under the cursor: its open amount proposed.
  static void MoneyDocument(HurtStation& s) {
    Step(s, {"F3"}, "Dowod kasowy");
    Step(s, {"Enter"}, "Kasa przyjęła");
  }
  static void LeaveLedger(HurtStation& s) {
    Step(s, {"Esc"}, "ROZRACHUNKI Z ODBIORCAMI");
    Step(s, {"Esc"}, "Rozrachunki z odbiorcami");
    Leave(s);
  }

  TempDir data;
  TempDir work;
  std::string period;
};

TEST_F(SettlementRoad, ReceiptsPartPaymentsAndCompensationByEveryWayOut) {
  auto a = Start("a");
  TwoInvoices(*a);
  std::vector<std::map<std::string, std::string>> invoices = Items();
  ASSERT_EQ(invoices.size(), 2u) << Ledger();
  const std::string fv1 = invoices[0]["OBWN"], fv2 = invoices[1]["OBWN"];
  const double owed2 = std::stod(fv2);
  ASSERT_GT(owed2, 10.0);
  const std::string invoiced = Snapshot();
  ExpectVerifyFindsNothing(data.str());

  // The account's money documents (F3 of the books): none yet; Esc in the form of a new
  // one goes back to the empty list, Esc there back to the books.
  Step(*a, {"Left"}, "Rozrachunki z odbiorcami");
  Step(*a, {"Home", "Enter"}, "ROZRACHUNKI Z ODBIORCAMI");
  Step(*a, {"text:SMAKOSZ"}, "Smakosz");
  Step(*a, {"F3"}, "EWIDENCJA KP, KW, PP: SMAKOSZ");
  Step(*a, {"F5"}, "Kasa przyjęła");
  Step(*a, {"Esc"}, "EWIDENCJA KP, KW, PP: SMAKOSZ", "Kasa przyjęła");
  Step(*a, {"Esc"}, "ROZRACHUNKI Z ODBIORCAMI", "EWIDENCJA KP");
  Step(*a, {"Esc"}, "Rozrachunki z odbiorcami");
  Step(*a, {"Right"}, "Zestawienie dowodow");

  // The receipt for FV 1: Esc in the form, "N" to keeping it, kill -9 at the question
  // change nothing.
  OpenLedger(*a);
  MoneyDocument(*a);
  Step(*a, {"Esc"}, kBrowse, "Kasa przyjęła");
  MoneyDocument(*a);
  Step(*a, {"PgDn"}, kKeep);
  Step(*a, {"text:N"}, kBrowse, kKeep);
  EXPECT_EQ(Snapshot(), invoiced);
  MoneyDocument(*a);
  Step(*a, {"PgDn"}, kKeep);
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(Snapshot(), invoiced);
  ExpectVerifyFindsNothing(data.str());

  // "T": KP 1 of the whole amount, matched with the invoice (both "R"), then settled with
  // it into one batch.
  a = Start("a");
  OpenLedger(*a);
  MoneyDocument(*a);
  Step(*a, {"PgDn"}, kKeep);
  StepSeen(*a, {"text:T"}, "Zapisano KP-1");
  Step(*a, {}, "KP -       1");
  {  // both paid: the receipt and the invoice show "R" in the mark column
    const std::string screen = a->Screen();
    size_t marks = 0;
    for (size_t at = screen.find("\nR│"); at != std::string::npos; at = screen.find("\nR│", at + 1)) ++marks;
    EXPECT_EQ(marks, 2u) << screen;
  }
  EXPECT_EQ(Ledger(), "FV-1 " + fv1 + "/0.00 R\nFV-2 " + fv2 + "/0.00 \nKP-1 0.00/" + fv1 + " R\n");
  ExpectVerifyFindsNothing(data.str());
  Step(*a, {"Space", "Down", "Down", "Space"}, "zaznaczono Wn: 1  Ma: 1");
  StepSeen(*a, {"F10"}, "Rozliczono");
  Step(*a, {}, kBrowse);
  EXPECT_EQ(Ledger(), "FV-2 " + fv2 + "/0.00 \n");
  EXPECT_EQ(Balance(), fv2 + "/0.00");
  ASSERT_EQ(Settled().size(), 2u);
  EXPECT_EQ(Settled()[0]["R_DATA"] + Settled()[0]["R_CZAS"], Settled()[1]["R_DATA"] + Settled()[1]["R_CZAS"]);
  ExpectVerifyFindsNothing(data.str());

  // A part payment of 10.00 on FV 2: not matched (the amounts differ).
  MoneyDocument(*a);
  Step(*a, {"Enter", "Enter", "Enter", "text:10", "PgDn"}, kKeep);
  StepSeen(*a, {"text:T"}, "Zapisano KP-2");
  Step(*a, {}, "KP -       2");
  EXPECT_EQ(Ledger(), "FV-2 " + fv2 + "/0.00 \nKP-2 0.00/10.00 \n");
  const std::string part_paid = Snapshot();
  ExpectVerifyFindsNothing(data.str());

  // Both marked, F10: "Kompensowac ?"; "N" and SIGTERM there change nothing.
  Step(*a, {"Space", "Down", "Space"}, "zaznaczono Wn: 1  Ma: 1");
  Step(*a, {"F10"}, "Kompensowac ?");
  Step(*a, {"text:N"}, kBrowse, "Kompensowac ?");
  EXPECT_EQ(Snapshot(), part_paid);
  Step(*a, {"F10"}, "Kompensowac ?");
  a->Kill(SIGTERM);
  EXPECT_EQ(a->WaitExit(), 128 + SIGTERM);
  EXPECT_EQ(Snapshot(), part_paid);
  ExpectVerifyFindsNothing(data.str());

  // The customer's record held by another station: nothing is settled, and it is said.
  a = Start("a");
  OpenLedger(*a);
  Step(*a, {"Space", "Down", "Space"}, "zaznaczono Wn: 1  Ma: 1");
  int zo_recno = 0;
  {
    const auto customers = Records(Table("zo"));
    for (size_t i = 0; i < customers.size(); ++i) {
      if (customers[i].at("ODB") == "SMAKOSZ") zo_recno = static_cast<int>(i) + 1;
    }
  }
  ASSERT_GT(zo_recno, 0);
  {
    auto held = HoldRecord(data.str(), period + "/zo", zo_recno);
    Step(*a, {"F10"}, "Kompensowac ?");
    StepSeen(*a, {"text:T"}, "zo SMAKOSZ - nic nie rozliczono");
  }
  // The marks stay for another try.
  Step(*a, {}, "zaznaczono Wn: 1  Ma: 1", "nic nie rozliczono");
  EXPECT_EQ(Snapshot(), part_paid);

  // Two stations with the same items marked answer "T" at the same moment: one
  // compensates, the other is told the items are taken and changes nothing.
  auto b = Start("b");
  OpenLedger(*b);
  Step(*b, {"Space", "Down", "Space"}, "zaznaczono Wn: 1  Ma: 1");
  Step(*a, {"F10"}, "Kompensowac ?");
  Step(*b, {"F10"}, "Kompensowac ?");
  a->Send("text:T");
  b->Send("text:T");
  const bool a_won = a->WaitForLog("Skompensowano", 15'000);
  const bool b_won = b->WaitForLog("Skompensowano", 2'000);
  EXPECT_NE(a_won, b_won) << "exactly one station compensates";
  HurtStation& winner = a_won ? *a : *b;
  HurtStation& loser = a_won ? *b : *a;
  EXPECT_TRUE(loser.WaitForLog("nic nie rozliczono", 15'000));
  Step(winner, {}, "NOTA KOMPENSACYJNA");  // the note in the preview
  Step(winner, {"Esc"}, "KO -", "NOTA KOMPENSACYJNA");
  Step(loser, {}, "KO -", "Kompensowac ?");
  char rest[32];
  std::snprintf(rest, sizeof rest, "%.2f", owed2 - 10.0);
  EXPECT_EQ(Ledger(), "KO-" + Items()[0]["NRD"] + " " + rest + "/0.00 \n");
  EXPECT_EQ(Balance(), std::string(rest) + "/0.00");
  EXPECT_EQ(Settled().size(), 5u) << "the receipt's batch of two and the compensation's of three";
  LeaveLedger(*b);
  LeaveLedger(*a);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
