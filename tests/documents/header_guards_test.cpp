#include "documents/header_guards.h"

#include <gtest/gtest.h>

#include <deque>

namespace hurt::documents {
namespace {

DocKind Kind(std::string rd, char r_p, char s_z, std::string opis = "") {
  DocKind k;
  k.rd = std::move(rd);
  k.r_p = r_p;
  k.s_z = s_z;
  k.opis = std::move(opis);
  return k;
}

// Answers the questions and passwords from lists, and records what was shown and asked.
class FakeDialog : public CorrectionDialog {
 public:
  std::deque<bool> answers, passwords;
  std::vector<std::string> told, asked;
  std::vector<GuardPassword> password_kinds;
  int logged = 0;

  void Tell(const HeaderMessage& m) override { told.push_back(m.text); }
  bool Ask(std::string_view q) override {
    asked.emplace_back(q);
    return Next(answers);
  }
  bool Password(GuardPassword which) override {
    password_kinds.push_back(which);
    return Next(passwords);
  }
  void LogLockedCorrection() override { ++logged; }

 private:
  static bool Next(std::deque<bool>& q) {
    if (q.empty()) return false;
    const bool v = q.front();
    q.pop_front();
    return v;
  }
};

CorrectionGuardInput Input(const DocKind& kind, std::string spz) {
  CorrectionGuardInput in;
  in.kind = kind;
  in.spz = std::move(spz);
  in.today = JulianFromYmd(2026, 12, 8);
  in.data = in.today;
  in.author = "1";
  in.operator_nr = "1";
  in.right7 = true;
  return in;
}

const DocKind kSale = Kind("FV ", 'R', 'S');
const DocKind kIssue = Kind("RW ", 'R', 'D');

TEST(CorrectionGuards, SettledSaleOnCreditIsNeverReopened) {
  CorrectionGuardInput in = Input(kSale, "P");
  in.has_settlement_entries = true;
  FakeDialog d;
  d.passwords = {true};
  EXPECT_FALSE(CorrectionAllowed(in, d));
  EXPECT_EQ(d.told, std::vector<std::string>{"Dowod rozliczony - blokada"});
  EXPECT_TRUE(d.password_kinds.empty());  // refused before any password

  // Paid in cash, or not yet in the settlements: the usual password path.
  for (const auto& [spz, entries] : {std::pair{"G", true}, std::pair{"P", false}}) {
    in = Input(kSale, spz);
    in.has_settlement_entries = entries;
    FakeDialog ok;
    ok.passwords = {true};
    EXPECT_TRUE(CorrectionAllowed(in, ok)) << spz;
    EXPECT_EQ(ok.password_kinds, std::vector<GuardPassword>{GuardPassword::kCorrection});
  }
  // A purchase with entries is left to the reopening step, which has its own rule.
  in = Input(Kind("PZ ", 'P', 'Z'), "P");
  in.has_settlement_entries = true;
  FakeDialog purchase;
  purchase.passwords = {true};
  EXPECT_TRUE(CorrectionAllowed(in, purchase));
}

TEST(CorrectionGuards, FiscalDocument) {
  CorrectionGuardInput in = Input(Kind("SD ", 'R', 'S'), "G");
  in.fiscal_kind = true;
  in.fiscal_printer = true;
  {
    FakeDialog d;  // answers no
    EXPECT_FALSE(CorrectionAllowed(in, d));
    EXPECT_EQ(d.asked, std::vector<std::string>{"Poprawiasz dowod fiskalny (!!!) ?"});
    EXPECT_EQ(d.told, std::vector<std::string>{"Masz racje"});
  }
  {
    FakeDialog d;
    d.answers = {true};
    d.passwords = {false};
    EXPECT_FALSE(CorrectionAllowed(in, d));
    EXPECT_EQ(d.told, std::vector<std::string>{"nie pozwole, bo narobisz jaj"});
  }
  {
    FakeDialog d;  // the right password is asked once only
    d.answers = {true};
    d.passwords = {true, false};
    EXPECT_TRUE(CorrectionAllowed(in, d));
    EXPECT_EQ(d.password_kinds.size(), 1u);
  }
  {
    in.spz = "P";  // on credit: the money went through the till already
    FakeDialog d;
    d.answers = {true};
    d.passwords = {true};
    EXPECT_FALSE(CorrectionAllowed(in, d));
    EXPECT_EQ(d.told, std::vector<std::string>{"NIE POZWOLE NA KANTY"});
  }
  {
    in.fiscal_printer = false;  // no fiscal printer: an ordinary document
    FakeDialog d;
    d.passwords = {true};
    EXPECT_TRUE(CorrectionAllowed(in, d));
    EXPECT_TRUE(d.asked.empty());
  }
}

TEST(CorrectionGuards, LockedWarehouseDocument) {
  CorrectionGuardInput in = Input(kIssue, "B");
  in.uzgodnic = "N";
  {
    FakeDialog d;  // answers no
    EXPECT_FALSE(CorrectionAllowed(in, d));
    EXPECT_EQ(d.asked, std::vector<std::string>{"Poprawiasz zablokowany dowod magazynowy ?"});
    EXPECT_EQ(d.logged, 0);
  }
  {
    FakeDialog d;  // without right 1 the supervisor's password, then the correction one
    d.answers = {true};
    d.passwords = {true, true};
    EXPECT_TRUE(CorrectionAllowed(in, d));
    EXPECT_EQ(d.password_kinds, (std::vector<GuardPassword>{GuardPassword::kEmergency, GuardPassword::kCorrection}));
    EXPECT_EQ(d.logged, 1);
  }
  {
    in.right1 = true;  // with right 1 the correction password, once
    FakeDialog d;
    d.answers = {true};
    d.passwords = {true};
    EXPECT_TRUE(CorrectionAllowed(in, d));
    EXPECT_EQ(d.password_kinds, std::vector<GuardPassword>{GuardPassword::kCorrection});
    EXPECT_EQ(d.logged, 1);
  }
  {
    FakeDialog d;  // a wrong password is not logged
    d.answers = {true};
    EXPECT_FALSE(CorrectionAllowed(in, d));
    EXPECT_EQ(d.logged, 0);
  }
  // "RX" is locked too; other classes and "T" are not.
  for (const auto& [kind, uzgodnic, asks] :
       {std::tuple{Kind("RX ", 'R', 'X'), "N", true}, std::tuple{Kind("PD ", 'P', 'D'), "N", false},
        std::tuple{kIssue, "T", false}}) {
    in = Input(kind, "B");
    in.uzgodnic = uzgodnic;
    FakeDialog d;
    (void)CorrectionAllowed(in, d);
    EXPECT_EQ(!d.asked.empty(), asks) << kind.rd << uzgodnic;
  }
  EXPECT_EQ(LockedCorrectionLogLine(JulianFromYmd(2026, 12, 8), "10:11:12", "3", "Nowak Anna  ", "RW ", "      12"),
            "08.12.2026 10:11:12 3 Nowak Anna poprawia zablokowany dowod magazynowy RW-12");
}

TEST(CorrectionGuards, WarningsRightsAndPassword) {
  CorrectionGuardInput in = Input(kSale, "G");
  in.data = in.today - 3;
  in.author = "2";
  FakeDialog d;
  d.passwords = {true};
  EXPECT_TRUE(CorrectionAllowed(in, d));  // warnings only
  EXPECT_EQ(d.told, (std::vector<std::string>{"TO NIE JEST DOWOD Z DZISIEJSZA DATA", "nie TY jestes autorem tego dowodu !"}));

  in = Input(kSale, "G");
  in.right7 = false;
  FakeDialog no_rights;
  EXPECT_FALSE(CorrectionAllowed(in, no_rights));
  EXPECT_EQ(no_rights.told, std::vector<std::string>{"NIE MASZ PRAWA !! !"});
  EXPECT_TRUE(no_rights.password_kinds.empty());
  in.right14 = true;
  FakeDialog wrong;
  EXPECT_FALSE(CorrectionAllowed(in, wrong));
  EXPECT_EQ(wrong.told, std::vector<std::string>{"NIE POZWOLE NA KANTY"});
}

TEST(ConsignmentWarehouse, KomisAndVatMarzaSalesAreMoved) {
  const DocKind komis = Kind("FK ", 'R', 'S', "FAKTURA KOMIS");
  EXPECT_EQ(ConsignmentWarehouses("\xB3"), "");  // the stock setting: none
  EXPECT_EQ(ConsignmentWarehouses(" K0M "), "KM");

  auto c = ConsignmentWarehouseFor(komis, "1", "KM");
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->mag, "K");
  EXPECT_EQ(c->message.text, "Zmieniam mag z 1 na K");
  EXPECT_FALSE(ConsignmentWarehouseFor(komis, "M", "KM").has_value());  // already there
  EXPECT_FALSE(ConsignmentWarehouseFor(komis, "1", "\xB3").has_value());
  EXPECT_TRUE(ConsignmentWarehouseFor(Kind("FM ", 'R', 'S', "FAKTURA VAT MARZA"), "1", "K").has_value());
  EXPECT_FALSE(ConsignmentWarehouseFor(Kind("PK ", 'P', 'Z', "KOMIS"), "1", "K").has_value());  // not a sale
  EXPECT_FALSE(ConsignmentWarehouseFor(kSale, "1", "K").has_value());
}

TEST(HeaderCurrency, DefaultsAndRateKeys) {
  EXPECT_EQ(DefaultCurrency(" usd "), "USD");
  EXPECT_EQ(DefaultCurrency("   "), "EUR");
  EXPECT_EQ(FallbackEuroRate(false), 4.0);
  EXPECT_EQ(FallbackEuroRate(true), 0.0);
  // Newer dates give smaller keys, so a soft seek lands on the newest rate not after the date.
  const std::string d7 = WalSeekKey("EUR", JulianFromYmd(2026, 12, 7));
  const std::string d8 = WalSeekKey("eur", JulianFromYmd(2026, 12, 8));
  EXPECT_EQ(d8.size(), 11u);
  EXPECT_EQ(d8.substr(0, 3), "EUR");
  EXPECT_LT(d8, d7);
}

TEST(SupplierDocument, SameNumberIgnoresCaseAndBlanks) {
  EXPECT_TRUE(SameSupplierDocument(" fv 12/2026 ", "FV 12/2026"));
  EXPECT_FALSE(SameSupplierDocument("FV 12/2026", "FV 13/2026"));
  EXPECT_FALSE(SameSupplierDocument("   ", ""));
}

}  // namespace
}  // namespace hurt::documents
