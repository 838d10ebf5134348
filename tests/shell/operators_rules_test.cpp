// The small rules of the log-in and of the operator table, each on its own.
#include "operators_fixture.h"

namespace hurt::shell::testing_ops {
namespace {

using operators::DibalPort;
using operators::FiscalModelOf;
using operators::IsFiscalPrinter;
using operators::NextOperatorNumber;

TEST(OperatorRules, FiscalModelIsTheFirstNamedInOrder) {
  EXPECT_EQ(FiscalModelOf("COM1 DF-300W"), "DF-300W   ");
  EXPECT_EQ(FiscalModelOf("df-300q na com2"), "DF-300Q   ");
  EXPECT_EQ(FiscalModelOf("DF-300"), "DF-300    ");
  EXPECT_EQ(FiscalModelOf("ORHMET FP-600"), "ORHMET    ");  // ORHMET comes before FP-600
  EXPECT_EQ(FiscalModelOf("FP-600 DF_IP"), "FP-600    ");
  EXPECT_EQ(FiscalModelOf("HP LASERJET"), "");
  EXPECT_EQ(FiscalModelOf(""), "");
}

TEST(OperatorRules, FiscalPrinterAndScale) {
  EXPECT_TRUE(IsFiscalPrinter("COM2", ""));
  EXPECT_TRUE(IsFiscalPrinter("xx df_ip yy", ""));
  EXPECT_TRUE(IsFiscalPrinter("EPSON", "ORHMET"));  // J_DF set
  EXPECT_FALSE(IsFiscalPrinter("EPSON", "     "));
  EXPECT_EQ(DibalPort("EPSON"), 0);
  EXPECT_EQ(DibalPort("WAGA DIBAL"), 1);
  EXPECT_EQ(DibalPort("DIBAL3"), 3);
  EXPECT_EQ(DibalPort("DIBAL7"), 1);  // only ports 1 to 4 are named
}

TEST(OperatorRules, NextOperatorNumber) {
  EXPECT_EQ(NextOperatorNumber("0"), "A");
  EXPECT_EQ(NextOperatorNumber("7"), "A");
  EXPECT_EQ(NextOperatorNumber("A"), "B");
  EXPECT_EQ(NextOperatorNumber("Z"), "[");
  EXPECT_EQ(NextOperatorNumber(""), "A");
  // The station register's mark of operator 0 is never handed out.
  EXPECT_EQ(NextOperatorNumber(std::string(1, '\xB0')), std::string(1, '\xB2'));
  EXPECT_EQ(NextOperatorNumber(std::string(1, '\xFE')), "");
}

TEST_F(OperatorsTest, PrawaStructureKeepsWiderAndForeignFields) {
  std::vector<xbase::DbfFieldDescriptor> old = {
      {"NR", 'C', 1, 0}, {"NAZWISKO", 'C', 40, 0}, {"KASA", 'N', 17, 4}, {"RD", 'N', 3, 0}, {"EXTRA", 'D', 8, 0}};
  auto fields = session::operators::PrawaFields(s(), old);
  auto find = [&](std::string_view name) {
    for (const auto& f : fields) {
      if (f.name == name) return f;
    }
    return xbase::DbfFieldDescriptor{};
  };
  EXPECT_EQ(find("NAZWISKO").width, 40);  // never cut
  EXPECT_EQ(find("KASA").width, 17);
  EXPECT_EQ(find("KASA").decimals, 4);
  EXPECT_EQ(find("RD").type, 'N');  // a foreign type is kept rather than converted
  EXPECT_EQ(find("EXTRA").type, 'D');
  EXPECT_EQ(find("HASH").width, 100);
  EXPECT_EQ(find("DRUKARKA").width, 30);
  EXPECT_EQ(fields.back().name, "EXTRA");

  EXPECT_FALSE(session::operators::PrawaNeedsUpgrade(s(), session::operators::PrawaFields(s())));
  EXPECT_TRUE(session::operators::PrawaNeedsUpgrade(s(), old));
  auto without = [&](std::string_view name) {
    auto f = session::operators::PrawaFields(s());
    std::erase_if(f, [&](const xbase::DbfFieldDescriptor& x) { return x.name == name; });
    return f;
  };
  EXPECT_TRUE(session::operators::PrawaNeedsUpgrade(s(), without("HASH")));
  EXPECT_TRUE(session::operators::PrawaNeedsUpgrade(s(), without("KOMU")));
  EXPECT_FALSE(session::operators::PrawaNeedsUpgrade(s(), without("RD")));
  ASSERT_TRUE(env.SetContents("/d/rd.zam", "").ok());
  EXPECT_TRUE(session::operators::PrawaNeedsUpgrade(s(), without("RD")));
}

TEST_F(OperatorsTest, PasswordStatesOfARecord) {
  session::operators::OperatorRecord r;
  EXPECT_FALSE(session::operators::HasPassword(r));
  EXPECT_TRUE(session::operators::PasswordMatches(r, "          "));
  EXPECT_FALSE(session::operators::PasswordMatches(r, "x"));
  r.haslo = session::password::LegacyScramble("");
  EXPECT_TRUE(session::operators::IsLegacyPassword(r));
  EXPECT_FALSE(session::operators::HasPassword(r));
  r.haslo = session::password::LegacyScramble("OLD");
  EXPECT_TRUE(session::operators::HasPassword(r));
  EXPECT_TRUE(session::operators::PasswordMatches(r, "OLD       "));
  EXPECT_FALSE(session::operators::PasswordMatches(r, "old"));
  r.haslo = Space(10);
  r.hash = session::password::HashText("Nowe", "0123456789abcdef", 5);
  EXPECT_TRUE(session::operators::HasPassword(r));
  EXPECT_TRUE(session::operators::PasswordMatches(r, "Nowe      "));
  EXPECT_FALSE(session::operators::PasswordMatches(r, ""));
  // A damaged hash never lets anyone in.
  r.hash = "pbkdf2-sha256$5$garbage";
  EXPECT_TRUE(session::operators::HasPassword(r));
  EXPECT_FALSE(session::operators::PasswordMatches(r, ""));
  EXPECT_FALSE(session::operators::PasswordMatches(r, "Nowe"));
}

TEST_F(OperatorsTest, StationSlotUnderARecordLock) {
  OpenFirma("?000");
  s().set_stacja(3);
  ASSERT_TRUE(operators::SetStationSlot(s(), "0").ok());
  EXPECT_EQ(FirmaSt(), "?0" + std::string(1, '\xB1') + "0");
  ASSERT_TRUE(operators::SetStationSlot(s(), "B").ok());
  EXPECT_EQ(FirmaSt(), "?0B0");
  // Another station holds the record: the slot stays as it was after 10 s of retries.
  auto other = xbase::Table::Open(env, "/d/firma.dbf", xbase::TableMode::Shared());
  ASSERT_TRUE(other.ok());
  ASSERT_TRUE((*other)->LockRecord(1).ok());
  const int64_t start = d.clock.Elapsed();
  EXPECT_TRUE(operators::SetStationSlot(s(), "C").IsBusy());
  EXPECT_GE(d.clock.Elapsed() - start, 10'000);
  EXPECT_EQ(FirmaSt(), "?0B0");
  // A slot beyond the register is left alone.
  s().set_stacja(9);
  EXPECT_TRUE(operators::SetStationSlot(s(), "A").ok());
}

TEST_F(OperatorsTest, EmptyTableGetsTheSupervisorOnce) {
  ASSERT_TRUE(session::operators::OpenPrawa(s()).ok());
  session::operators::ClosePrawa(s());
  ASSERT_TRUE(session::operators::OpenPrawa(s()).ok());
  xbase::WorkArea& a = *s().areas().Area(session::operators::kPrawaArea);
  EXPECT_EQ(*a.RecCount(), 1u);
  const session::operators::OperatorRecord r = session::operators::ReadOperator(a);
  EXPECT_EQ(r.nr, "0");
  EXPECT_EQ(r.prawa, std::string(20, 'T'));
  EXPECT_EQ(r.nr_kasy, "1");
  session::operators::ClosePrawa(s());
  auto sup = session::operators::ReadSupervisor(s());
  ASSERT_TRUE(sup.ok());
  EXPECT_EQ(sup->nr, "0");
}

}  // namespace
}  // namespace hurt::shell::testing_ops
