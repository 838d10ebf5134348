#include "session/session.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "console/headless.h"
#include "store/schema.h"
#include "support/temp_dir.h"
#include "xbase/memory_env.h"

namespace hurt::session {
namespace {

TEST(SessionVariables, KeepAddressesAndIgnoreCase) {
  SessionVariables vars;
  vars.Set("m_kto", xbase::Value("O"));
  const xbase::Value* kto = vars.Find("M_KTO");
  ASSERT_NE(kto, nullptr);
  for (int i = 0; i < 100; ++i) vars.Set("M_X" + std::to_string(i), xbase::Value(i));
  EXPECT_EQ(vars.Find("M_KTO"), kto);  // still the same object
  vars.Set("M_KTO", xbase::Value("D"));
  EXPECT_EQ(kto->AsString(), "D");
  EXPECT_TRUE(vars.Get("M_NONE").IsNil());
  vars.Release("m_kto");
  EXPECT_FALSE(vars.Has("M_KTO"));
}

TEST(OperatorRights, RightsAndRestrictions) {
  OperatorRights op;
  EXPECT_TRUE(op.Prawa(1));  // blanks grant everything
  op.prawa = "TNT";
  EXPECT_TRUE(op.Prawa(1));
  EXPECT_FALSE(op.Prawa(2));
  EXPECT_TRUE(op.Prawa(13));  // beyond the string: granted
  EXPECT_FALSE(op.Prawa1(1));
  op.prawa1 = "NTNNT";
  EXPECT_TRUE(op.Prawa1(2));
  EXPECT_TRUE(op.Prawa1(5));
  EXPECT_FALSE(op.Prawa1(6));
}

TEST(Session, PathsMarkersAndStation) {
  testing::TempDir dir;
  FakeClock clock(2026, 12, 8);
  console::HeadlessBackend backend(clock);
  console::Console con(backend, clock);
  xbase::Env& env = xbase::RealEnv();
  SessionOptions opt;
  opt.data_dir = dir.str() + "/";
  opt.argument = "cd";
  Session s(env, con, opt);
  EXPECT_EQ(s.www(), "CD");
  EXPECT_EQ(s.Path("ROB\\D01.DBF"), dir.str() + "/rob/d01.dbf");
  EXPECT_EQ(s.Path("as .dbf"), dir.str() + "/as.dbf");
  dir.Write("ST2.TXT", "");
  dir.Write("vatjeden.txt", "");
  dir.Write("Kod13.txt", "");
  EXPECT_TRUE(s.FileX("st2.txt"));
  EXPECT_TRUE(s.FileX("VATJEDEN.TXT"));
  EXPECT_FALSE(s.FileX("KOD13.TXT"));  // mixed case on disk is not found
  EXPECT_TRUE(s.Markers().Has("ST2.TXT"));
  s.set_stacja(7);
  EXPECT_EQ(s.StationText(), "07");
  s.set_stacja(100);
  EXPECT_EQ(s.StationText(), "00");
  s.set_hh("26/12");
  EXPECT_EQ(s.PeriodPath("as.dbf"), dir.str() + "/26/12/as.dbf");
}

}  // namespace
}  // namespace hurt::session
