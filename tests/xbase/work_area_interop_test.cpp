// Work areas against independent xBase readers and writers: Debian's python3-dbf reads a
// table written through work areas and writes one that work areas open and index; Perl
// XBase::Index (libdbd-xbase-perl) reads the orders' keys in order.
#include <filesystem>

#include "base/cp852.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "xbase/work_area_fixture.h"

namespace hurt::xbase::wa_test {
namespace {

using namespace hurt::literals;
using hurt::testing::ProcessOptions;
using hurt::testing::ProcessResult;
using hurt::testing::RunProcess;

constexpr const char* kPerl = "/usr/bin/perl";

// Every record: rd|nrd|lp|date|mag|indeks|ilosc|L or D.
constexpr const char* kReadLines = R"PY(
import sys, dbf
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_ONLY)
print("records %d" % len(t))
for r in t:
    print("|".join([r.rd, r.nrd, r.lp, r.data.isoformat() if r.data else "None", r.mag, r.indeks.rstrip(),
                    "%.3f" % r.ilosc, "D" if dbf.is_deleted(r) else "L"]))
t.close()
)PY";

constexpr const char* kWriteLines = R"PY(
import sys, dbf, datetime
t = dbf.Table(sys.argv[1], 'r_p C(1); s_z C(1); rd C(3); nrd C(8); data D; mag C(1); lp C(3); indeks C(8); '
              'nazwa C(20); ilosc N(10,3); cena N(12,2)', dbf_type='db3', codepage='cp852')
t.open(dbf.READ_WRITE)
for i in range(1, 301):
    t.append(('P' if i % 4 == 0 else 'R', 'S', ['FV ', 'PZ ', 'WZ '][i % 3], '%08d' % (1000 - i),
              datetime.date(2026, 1 + i % 12, 1 + i % 28), str(1 + i % 2), '%03d' % (i % 7 + 1),
              'I%05d' % (i * 37 % 101), 'Wąż ogrodowy %d' % i, i / 8.0, i * 1.25))
with t[9] as r:
    dbf.delete(r)
t.close()
)PY";

// "key<TAB>recno" for every entry in index order.
constexpr const char* kDumpIndex = R"PL(
use strict;
use XBase::Index;
my $index = XBase::Index->new($ARGV[0], 'type' => 'ntx') or die XBase::Index->errstr;
$index->prepare_select;
while (my ($key, $recno) = $index->fetch) { print "$key\t$recno\n"; }
)PL";

std::string Python() {
  static const std::string found = [] {
    ProcessResult r = RunProcess({"/usr/bin/python3", "-c", "import dbf"});
    return r.Succeeded() ? std::string("/usr/bin/python3") : std::string();
  }();
  return found;
}

bool PerlHasXbase() {
  return std::filesystem::exists(kPerl) && RunProcess({kPerl, "-MXBase::Index", "-e", "1"}).Succeeded();
}

ProcessResult RunPython(const char* script, const std::string& arg) {
  ProcessOptions options;
  options.env["PYTHONIOENCODING"] = "utf-8";
  options.env["PYTHONDONTWRITEBYTECODE"] = "1";
  return RunProcess({Python(), "-c", script, arg}, options);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The index as Perl reads it and as our cursor walks it must be the same lines.
void ExpectPerlReadsOrder(WorkArea& a, int n) {
  if (!PerlHasXbase()) {
    GTEST_SKIP() << "Perl XBase::Index is not installed";
  }
  ProcessResult out = RunProcess({kPerl, "-e", kDumpIndex, a.Order(n)->path});
  ASSERT_TRUE(out.Succeeded()) << out.err;
  auto entries = IndexEntries(*a.OrderIndex(n));
  ASSERT_TRUE(entries.ok());
  std::string expected;
  for (const auto& [key, recno] : *entries) expected += key + "\t" + std::to_string(recno) + "\n";
  EXPECT_EQ(out.out, expected) << "order " << n;
}

class WorkAreaInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Python().empty()) GTEST_SKIP() << "python3-dbf is not installed";
  }
  hurt::testing::TempDir dir_;
};

TEST_F(WorkAreaInteropTest, OthersReadWhatWorkAreasWrite) {
  Env& env = RealEnv();
  const std::string dbf = dir_ / "dow.dbf";
  HURT_ASSERT_OK(Table::Create(env, dbf, DowFields()));
  WorkAreas areas(env);
  auto opened = areas.Open(5, dbf, "dow");
  ASSERT_TRUE(opened.ok());
  WorkArea& a = **opened;
  HURT_ASSERT_OK(a.LockFile());
  ASSERT_TRUE(a.CreateOrders(std::vector<OrderDefinition>{{dir_ / "dow1.ntx", kDow1, {}},
                                                     {dir_ / "dow2.ntx", kDow2, {}},
                                                     {dir_ / "dow3.ntx", kDow3, {}}})
                  .ok());
  HURT_ASSERT_OK(a.Unlock());
  for (int i = 1; i <= 250; ++i) {
    HURT_ASSERT_OK(AddLine(a, {.rd = i % 3 ? "FV " : "PZ ", .nrd = Nrd(i * 7 % 61), .lp = "  " + std::to_string(i % 9),
                               .data = JulianFromYmd(2026, 1 + i % 12, 1 + i % 27), .mag = i % 2 ? "1" : "2",
                               .indeks = "K" + std::to_string(i * 13 % 97), .ilosc = i * 0.125,
                               .r_p = i % 3 ? "R" : "P"}));
  }
  // Changes of key fields and a deletion, after the appends.
  HURT_ASSERT_OK(a.GoTo(7));
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("INDEKS", std::string("Żółw"_pl)));
  HURT_ASSERT_OK(a.Replace("DATA", Date{JulianFromYmd(2025, 12, 31)}));
  HURT_ASSERT_OK(a.Replace("ILOSC", -3.5));
  HURT_ASSERT_OK(a.GoTo(8));  // writes record 7
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Delete());
  HURT_ASSERT_OK(a.Commit());
  HURT_ASSERT_OK(a.Unlock());

  ProcessResult out = RunPython(kReadLines, dbf);
  ASSERT_TRUE(out.Succeeded()) << out.err;
  std::vector<std::string> lines = Lines(out.out);
  ASSERT_EQ(lines.size(), 251u);
  EXPECT_EQ(lines[0], "records 250");
  EXPECT_EQ(lines[1], "FV |" + Nrd(7) + "|  1|2026-02-02|1|K13|0.125|L");
  EXPECT_EQ(lines[7], "FV |" + Nrd(49) + "|  7|2025-12-31|1|Żółw|-3.500|L");
  EXPECT_EQ(lines[8], "FV |" + Nrd(56) + "|  8|2026-09-09|2|K7|1.000|D");
  EXPECT_EQ(lines[250], "FV |" + Nrd(42) + "|  7|2026-11-08|2|K49|31.250|L");
  for (int n = 1; n <= 3; ++n) {
    ExpectOrderMatchesTable(env, a, n);
    ExpectPerlReadsOrder(a, n);
  }
}

TEST_F(WorkAreaInteropTest, WorkAreasOpenAndIndexATableWrittenByPython) {
  Env& env = RealEnv();
  const std::string dbf = dir_ / "obce.dbf";
  ProcessResult written = RunPython(kWriteLines, dbf);
  ASSERT_TRUE(written.Succeeded()) << written.err;

  WorkAreas areas(env);
  auto opened = areas.Open(5, dbf, "obce");
  ASSERT_TRUE(opened.ok()) << opened.status().ToString();
  WorkArea& a = **opened;
  EXPECT_EQ(a.RecCount().value_or(0), 300u);
  HURT_ASSERT_OK(a.LockFile());
  ASSERT_TRUE(a.CreateOrders(std::vector<OrderDefinition>{{dir_ / "obce1.ntx", kDow1, {}},
                                                     {dir_ / "obce2.ntx", kDow2, {}},
                                                     {dir_ / "obce3.ntx", kDow3, {}},
                                                     {dir_ / "obce4.ntx", "ilosc", {}}})
                  .ok());
  HURT_ASSERT_OK(a.Unlock());
  for (int n = 1; n <= 4; ++n) ExpectOrderMatchesTable(env, a, n);
  for (int n = 1; n <= 3; ++n) ExpectPerlReadsOrder(a, n);

  HURT_ASSERT_OK(a.SetOrder(1));
  auto found = a.Seek("PZ 00000996");  // python3-dbf drops leading blanks, so numbers are zero-filled
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  EXPECT_EQ(a.recno(), 4u);
  EXPECT_EQ(Text(a.Get("NAZWA")).substr(0, 15), std::string("Wąż ogrodowy 4 "_pl));
  EXPECT_DOUBLE_EQ(a.Get("ILOSC")->AsNumber(), 0.5);
  // The deleted record (the 10th) is hidden, and found when shown.
  HURT_ASSERT_OK(a.SetOrder(4));
  found = a.Seek(1.25);
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  a.SetDeletedHidden(false);
  found = a.Seek(1.25);
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  EXPECT_EQ(a.recno(), 10u);
  EXPECT_TRUE(a.deleted());
}

}  // namespace
}  // namespace hurt::xbase::wa_test
