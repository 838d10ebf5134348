// hurt-demo run as a program: the directory it makes opens as a session without any
// build, every index checks clean (in-process and with hurt-dbf), and its content is
// consistent: prices, stock values, tax numbers, kinds, operators, the company record.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/headless.h"
#include "session/init_tables.h"
#include "session/init_tables_fixture.h"
#include "session/session.h"
#include "store/fake_store_ui.h"
#include "store/init_tables_period.h"
#include "store/schema.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "xbase/work_area.h"

namespace hurt {
namespace {

using store::TableId;
using testing::ProcessResult;

// The tax-number check the document header applies, written out independently.
bool NipIsValid(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (digits.size() != 10) return false;
  const int weights[] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
  int sum = 0;
  for (int i = 0; i < 9; ++i) sum += (digits[static_cast<size_t>(i)] - '0') * weights[i];
  return sum % 11 != 10 && sum % 11 == digits[9] - '0';
}

class HurtDemoTest : public testing::DataDirTest {
 protected:
  ProcessResult RunDemo() {
    return testing::RunProcess({testing::BuiltProgram("hurt-demo"), dir.str() + "/demo"});
  }
  std::string Root() const { return dir.str() + "/demo"; }

  // A session of station 1 on the demo directory.
  void OpenSession() {
    session::SessionOptions options;
    options.data_dir = Root();
    session_ = std::make_unique<session::Session>(xbase::RealEnv(), con_, options);
    session_->set_stacja(1);
    ASSERT_TRUE(session::InitDbf(*session_, ui_, ""));
  }
  xbase::WorkArea& Area(TableId id) { return *session_->areas().Area(store::Table(id).area); }
  std::string Text(xbase::WorkArea& a, std::string_view field) { return a.Get(field)->AsString(); }
  double Number(xbase::WorkArea& a, std::string_view field) { return a.Get(field)->AsNumber(); }

  FakeClock clock_{2026, 1, 1};
  console::HeadlessBackend backend_{clock_};
  console::Console con_{backend_, clock_};
  store::testing::FakeStoreUi ui_{clock_};
  std::unique_ptr<session::Session> session_;
};

TEST_F(HurtDemoTest, MakesTheDirectoryOnceAndItOpensWithoutABuild) {
  ProcessResult first = RunDemo();
  ASSERT_EQ(first.exit_code, 0) << first.err;
  EXPECT_NE(first.out.find("51 articles"), std::string::npos) << first.out;
  ProcessResult second = RunDemo();
  ASSERT_EQ(second.exit_code, 0) << second.err;
  EXPECT_NE(second.out.find("already holds data"), std::string::npos) << second.out;

  OpenSession();
  EXPECT_FALSE(ui_.Has("message Indeksowanie - prosze czekac"));
  SystemClock system;
  EXPECT_EQ(session_->hh(), store::PeriodOfDay(system.Today()));
  store::init_test::ExpectAllOrdersMatch(session_->areas());
}

TEST_F(HurtDemoTest, EveryIndexChecksCleanWithTheTableTool) {
  ASSERT_EQ(RunDemo().exit_code, 0);
  OpenSession();
  const store::Markers markers = session_->Markers();
  const store::PathArgs args{session_->hh(), 1, {}};
  int checked = 0;
  for (const store::TableDef* t : store::AllTables()) {
    const std::string file = store::TablePath(*t, args);
    if (!xbase::RealEnv().Exists(Root() + "/" + file + ".dbf")) continue;
    const std::vector<store::IndexFile> indexes = store::ResolveIndexes(*t, markers, args);
    if (indexes.empty()) continue;
    std::vector<std::string> argv{testing::BuiltProgram("hurt-dbf"), "check", file};
    for (const store::IndexFile& index : indexes) argv.push_back(index.file);
    testing::ProcessOptions options;
    options.cwd = Root();
    ProcessResult r = testing::RunProcess(argv, options);
    EXPECT_EQ(r.exit_code, 0) << file << "\n" << r.out << r.err;
    ++checked;
  }
  EXPECT_GE(checked, 15);
}

TEST_F(HurtDemoTest, ArticlesHaveConsistentPricesAndStock) {
  ASSERT_EQ(RunDemo().exit_code, 0);
  OpenSession();
  xbase::WorkArea& as = Area(TableId::kAs);
  std::set<std::string> warehouses, rates;
  int count = 0;
  ASSERT_TRUE(as.GoTop().ok());
  while (!as.eof()) {
    ++count;
    SCOPED_TRACE(Text(as, "MAG") + Text(as, "INDEKS"));
    warehouses.insert(Text(as, "MAG"));
    const std::string rate = Text(as, "PODATEK0");
    rates.insert(rate);
    const double percent = AllTrim(rate) == "ZW" ? 0 : Val(rate);
    EXPECT_FALSE(IsBlank(Text(as, "NAZWA")));
    EXPECT_FALSE(IsBlank(Text(as, "JM")));
    EXPECT_TRUE(SameAmount(Number(as, "CENA2"), NewRound(Number(as, "CENA") * (1 + percent / 100), 2)));
    EXPECT_TRUE(SameAmount(Number(as, "CENA2M"), NewRound(Number(as, "CENAM") * (1 + percent / 100), 2)));
    EXPECT_GE(Number(as, "CENA"), Number(as, "CENA_PZ"));
    EXPECT_EQ(Number(as, "CENA0"), Number(as, "CENA_PZ"));
    EXPECT_EQ(Number(as, "CENA_01"), Number(as, "CENA0"));
    EXPECT_EQ(Number(as, "B_BO_I"), Number(as, "ILOSC"));
    EXPECT_EQ(Number(as, "N_BO_I"), Number(as, "ILOSC"));
    EXPECT_TRUE(SameAmount(Number(as, "B_BO_W"), NewRound(Number(as, "ILOSC") * Number(as, "CENA0"), 2)));
    // The supplier is in the book.
    xbase::WorkArea& zd = Area(TableId::kZd);
    ASSERT_TRUE(zd.Seek(xbase::Value(Text(as, "ODB"))).ok());
    EXPECT_TRUE(zd.found());
    ASSERT_TRUE(as.Skip().ok());
  }
  EXPECT_GE(count, 45);
  EXPECT_EQ(warehouses, (std::set<std::string>{"1", "2"}));
  EXPECT_EQ(rates, (std::set<std::string>{" 5", " 8", "23", "ZW"}));
}

TEST_F(HurtDemoTest, CounterpartiesCompanyKindsOperatorsAndRates) {
  ASSERT_EQ(RunDemo().exit_code, 0);
  OpenSession();
  for (TableId id : {TableId::kZo, TableId::kZd}) {
    xbase::WorkArea& book = Area(id);
    int with_nip = 0;
    ASSERT_TRUE(book.GoTop().ok());
    while (!book.eof()) {
      const std::string nip = Text(book, "REGON");
      if (IsBlank(nip)) {
        ASSERT_TRUE(book.Skip().ok());
        continue;
      }
      ++with_nip;
      EXPECT_TRUE(NipIsValid(nip)) << Text(book, "ODB") << " " << nip;
      EXPECT_EQ(Text(book, "NIP_KRAJ"), "PL");
      ASSERT_TRUE(book.Skip().ok());
    }
    EXPECT_GE(with_nip, 3);
  }

  xbase::WorkArea& firma = Area(TableId::kFirma);
  ASSERT_TRUE(firma.GoTop().ok());
  SystemClock system;
  EXPECT_EQ(Text(firma, "BMR"), store::BmrOfPeriod(store::PeriodOfDay(system.Today())));
  EXPECT_FALSE(IsBlank(Text(firma, "NODB")));
  EXPECT_TRUE(NipIsValid(Text(firma, "REGON")));
  EXPECT_EQ(Text(firma, "ST"), std::string(30, '0'));  // every station slot free

  struct Kind {
    const char* rd;
    const char* r_p_s_z;
  };
  xbase::WorkArea& slow = Area(TableId::kSlow);
  for (const Kind& k : {Kind{"FV ", "RS"}, Kind{"FK ", "KS"}, Kind{"PZ ", "PZ"}, Kind{"KZ ", "KZ"}, Kind{"WZ ", "RS"},
                        Kind{"SD ", "RS"}, Kind{"RW ", "RD"}, Kind{"PW ", "PD"}, Kind{"MM ", "MD"}, Kind{"BO ", "PD"},
                        Kind{"KP ", "R "}, Kind{"KW ", "P "}}) {
    ASSERT_TRUE(slow.Seek(xbase::Value(k.rd)).ok());
    ASSERT_TRUE(slow.found()) << k.rd;
    EXPECT_EQ(Text(slow, "R_P") + Text(slow, "S_Z"), k.r_p_s_z) << k.rd;
    EXPECT_FALSE(IsBlank(Text(slow, "OPIS"))) << k.rd;
  }
  ASSERT_TRUE(slow.Seek(xbase::Value("SD ")).ok());
  EXPECT_EQ(Text(slow, "NB"), "B");

  auto prawa = xbase::Table::Open(xbase::RealEnv(), Root() + "/prawa.dbf", xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(prawa.ok());
  std::vector<std::string> numbers;
  xbase::RecordScanner scan(**prawa);
  xbase::Record rec;
  while (scan.Next(&rec)) {
    numbers.push_back(rec.GetValue("NR")->AsString());
    EXPECT_TRUE(IsBlank(rec.GetValue("HASLO")->AsString()));
    EXPECT_EQ(rec.GetValue("PRAWA")->AsString().size(), 20u);
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"0", "A", "B"}));

  xbase::WorkArea& wal = Area(TableId::kWal);
  ASSERT_TRUE(wal.Seek(xbase::Value("EUR")).ok());
  ASSERT_TRUE(wal.found());
  EXPECT_GT(Number(wal, "KURS"), 0);
}

}  // namespace
}  // namespace hurt
