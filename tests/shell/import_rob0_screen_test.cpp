// Documents waiting in rob0: read into the working lines, kept until they are posted.
#include "shell/import_rob0.h"

#include <gtest/gtest.h>

#include <fstream>

#include "session/init_tables.h"
#include "shell/startup_fixture.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::shell {
namespace {

TEST(Rob0PaymentForm, ByKindUnlessTheLineCarriesOne) {
  Rob0Document d;
  d.rd = "SD ";
  ChoosePaymentForm(d, "", 0, false, 14);
  EXPECT_EQ(d.spz, "G");
  EXPECT_EQ(d.tez, 0);
  d.rd = "WZ ";
  ChoosePaymentForm(d, "", 0, false, 14);
  EXPECT_EQ(d.spz, "B");
  d.rd = "FV ";
  ChoosePaymentForm(d, "", 0, false, 14);
  EXPECT_EQ(d.spz, "T");
  EXPECT_EQ(d.tez, 14);
  ChoosePaymentForm(d, "P", 21, true, 14);
  EXPECT_EQ(d.spz, "P");
  EXPECT_EQ(d.tez, 21);
  ChoosePaymentForm(d, "X", 21, true, 14);  // not a payment form: the kind's stays
  EXPECT_EQ(d.spz, "T");
  ChoosePaymentForm(d, " ", 0, true, 14);
  EXPECT_EQ(d.spz, "T");
}

class Rob0 : public testing::DataDirTest {
 protected:
  void SetUp() override {
    testing::MakeCompany(dir.str());
    ASSERT_TRUE(t.Run([&] { ASSERT_TRUE(session::InitNtx(t.session)); }));
  }
  // A waiting document of two lines.
  void Waiting(const std::string& name, const std::string& rd, const std::string& odb) {
    const std::string path = dir / ("rob0/" + name);
    testing::MakeTable(path, store::TableId::kDd);
    auto tab = xbase::Table::Open(xbase::RealEnv(), path, xbase::TableMode::Exclusive());
    ASSERT_TRUE(tab.ok());
    for (double brutto : {12.30, 7.70}) {
      xbase::Record r = (*tab)->NewRecord();
      ASSERT_TRUE(r.SetValue("RD", xbase::Value(rd)).ok());
      ASSERT_TRUE(r.SetValue("NRD", xbase::Value("     123")).ok());
      ASSERT_TRUE(r.SetValue("ODB", xbase::Value(odb)).ok());
      ASSERT_TRUE(r.SetValue("MAG", xbase::Value("1")).ok());
      ASSERT_TRUE(r.SetValue("DATA", xbase::Value(xbase::Date{JulianFromYmd(2026, 12, 7)})).ok());
      ASSERT_TRUE(r.SetValue("BRUTTO", xbase::Value(brutto)).ok());
      ASSERT_TRUE((*tab)->Append(r).ok());
    }
  }
  // The table header's date of last update moved to 2012.
  void Backdate(const std::string& name) {
    std::fstream f(dir / ("rob0/" + name), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(1);
    const char date[3] = {112, 1, 1};
    f.write(date, 3);
  }

  TestStation t{dir.str()};
};

TEST_F(Rob0, AnImportedDocumentIsPostedUnderItsOwnNumber) {
  Waiting("DD1.DBF", "FV ", "ODB1");
  ASSERT_TRUE(t.Run([&] { CzytRob0(t.session); }));
  EXPECT_TRUE(t.recorder.Saw("Czytam rob0/DD1.DBF"));
  EXPECT_FALSE(dir.Exists("rob0/DD1.DBF"));
  xbase::WorkAreas check(xbase::RealEnv());
  auto dowod = check.Open(1, dir / "26/12/dowod.dbf", "dowod", {.exclusive = false, .read_only = true});
  ASSERT_TRUE(dowod.ok());
  ASSERT_TRUE((*dowod)->GoTop().ok());
  ASSERT_FALSE((*dowod)->eof());
  EXPECT_EQ((*dowod)->Get("RD")->AsString(), "FV ");
  EXPECT_EQ((*dowod)->Get("NRD")->AsString(), "     123");
  EXPECT_EQ(testing::CountRecords(dir / "26/12/dow.dbf"), 2);
  // The working lines are empty again and the working document reset.
  EXPECT_EQ(*t.session.areas().Area(4)->RecCount(), 0u);
  EXPECT_EQ(t.session.vars().Text("M_RD"), "   ");
  EXPECT_EQ(t.session.vars().Text("M_SPZ"), "G");
}

TEST_F(Rob0, TheDocumentIsReadFromItsLines) {
  Waiting("dd2.dbf", "FV ", "ODB1");
  auto src = xbase::Table::Open(xbase::RealEnv(), dir / "rob0/dd2.dbf", xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(src.ok());
  xbase::WorkArea* dd = t.session.areas().Area(4);
  ASSERT_NE(dd, nullptr);
  xbase::RecordScanner scan(**src);
  xbase::Record r;
  while (scan.Next(&r)) {
    ASSERT_TRUE(dd->Append().ok());
    for (const char* f : {"RD", "NRD", "ODB", "MAG", "DATA", "BRUTTO"})
      ASSERT_TRUE(dd->Replace(f, *r.GetValue(f)).ok());
  }
  ASSERT_TRUE(dd->Unlock().ok());
  auto doc = ReadRob0Document(t.session);
  ASSERT_TRUE(doc.ok());
  ASSERT_TRUE(doc->has_value());
  EXPECT_EQ((*doc)->rd, "FV ");
  EXPECT_EQ((*doc)->nrd, "     123");
  EXPECT_EQ((*doc)->odb, "ODB1    ");
  EXPECT_EQ((*doc)->data, JulianFromYmd(2026, 12, 7));
  EXPECT_DOUBLE_EQ((*doc)->brutto, 20.00);
  EXPECT_EQ((*doc)->lines, 2);
  EXPECT_EQ((*doc)->spz, "T");
}

TEST_F(Rob0, OldFilesAreSkippedAndKept) {
  Waiting("DD3.DBF", "FV ", "ODB1");
  Backdate("DD3.DBF");
  ASSERT_TRUE(t.Run([&] { CzytRob0(t.session); }));
  EXPECT_TRUE(t.recorder.Saw("Pomijam"));
  EXPECT_FALSE(t.recorder.Saw("REP_DOW_WITH_D"));
  EXPECT_TRUE(dir.Exists("rob0/DD3.DBF"));
}

TEST_F(Rob0, OnlyDdTablesOfRob0Wait) {
  Waiting("DD1.DBF", "FV ", "ODB1");
  dir.Write("rob0/inny.dbf", "");
  dir.Write("rob0/dd.txt", "");
  EXPECT_EQ(WaitingRob0Files(t.session), (std::vector<std::string>{"rob0/DD1.DBF"}));
}

}  // namespace
}  // namespace hurt::shell
