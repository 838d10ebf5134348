// Tables and memos against an independent reader and writer: Debian's python3-dbf.
#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/date.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "xbase/env_fixture.h"
#include "xbase/table.h"

namespace hurt::xbase {
namespace {

using namespace hurt::literals;
using hurt::testing::ProcessOptions;
using hurt::testing::ProcessResult;
using hurt::testing::RunProcess;

// Prints every record as one line: fields joined by "|", then L (live) or D (deleted).
constexpr const char* kReader = R"PY(
import sys, dbf
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_ONLY)
print("codepage " + str(t.codepage).split()[0] + " records " + str(len(t)))
def show(v, fmt=None):
    if v is None:
        return "None"
    if fmt:
        return fmt % v
    return str(v)
for r in t:
    print("|".join([r.kod.rstrip(), show(r.cena, "%.2f"), show(r.ilosc), show(r.data and r.data.isoformat()),
                    show(r.jest), r.opis.replace("\r\n", "<CRLF>"), "D" if dbf.is_deleted(r) else "L"]))
t.close()
)PY";

constexpr const char* kWriter = R"PY(
import sys, dbf, datetime
t = dbf.Table(sys.argv[1], 'kod C(8); cena N(10,2); ilosc N(6,0); data D; jest L; opis M',
              dbf_type='db3', codepage='cp852')
t.open(dbf.READ_WRITE)
t.append(('Łódź', 12.5, 7, datetime.date(2026, 3, 14), True, 'Wiersz 1\r\nWiersz 2: zażółć gęślą jaźń'))
t.append(('USUN', -3.25, -12, None, False, ''))
t.append(('DLUGI', 0.01, 0, datetime.date(1999, 12, 31), None, 'x' * 1500))
with t[1] as r:
    dbf.delete(r)
t.close()
)PY";

std::string Python() {
  static const std::string found = [] {
    for (const char* candidate : {"/usr/bin/python3", "/usr/local/bin/python3"}) {
      ProcessResult r = RunProcess({candidate, "-c", "import dbf"});
      if (r.Succeeded()) return std::string(candidate);
    }
    return std::string();
  }();
  return found;
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

class PythonDbfTest : public hurt::testing::DataDirTest {
 protected:
  void SetUp() override {
    if (Python().empty()) GTEST_SKIP() << "python3-dbf is not installed";
  }
};

TEST_F(PythonDbfTest, ReadsOurTablesAndMemos) {
  const std::string path = dir / "towary.dbf";
  HURT_ASSERT_OK(Table::Create(RealEnv(), path,
                               {{"KOD", 'C', 8, 0},
                                {"CENA", 'N', 10, 2},
                                {"ILOSC", 'N', 6, 0},
                                {"DATA", 'D', 8, 0},
                                {"JEST", 'L', 1, 0},
                                {"OPIS", 'M', 10, 0}}));
  auto t = Table::Open(RealEnv(), path);
  ASSERT_TRUE(t.ok());
  Record r = (*t)->NewRecord();
  HURT_ASSERT_OK(r.SetValue("KOD", std::string("Zółć"_pl)));
  HURT_ASSERT_OK(r.SetValue("CENA", 1234.565));
  HURT_ASSERT_OK(r.SetValue("ILOSC", -42));
  HURT_ASSERT_OK(r.SetValue("DATA", Date{JulianFromYmd(2026, 3, 14)}));
  HURT_ASSERT_OK(r.SetValue("JEST", true));
  HURT_ASSERT_OK(r.SetValue("OPIS", std::string("Pierwsza linia\r\nDruga: zażółć gęślą jaźń"_pl)));
  HURT_ASSERT_OK((*t)->Append(r).status());

  r = (*t)->NewRecord();
  HURT_ASSERT_OK(r.SetValue("KOD", "USUNIETY"));
  HURT_ASSERT_OK(r.SetValue("JEST", false));
  r.SetDeleted(true);
  HURT_ASSERT_OK((*t)->Append(r).status());

  r = (*t)->NewRecord();
  HURT_ASSERT_OK(r.SetValue("KOD", "PUSTY"));
  HURT_ASSERT_OK((*t)->Append(r).status());

  r = (*t)->NewRecord();
  HURT_ASSERT_OK(r.SetValue("KOD", "DLUGI"));
  HURT_ASSERT_OK(r.SetValue("CENA", -0.5));
  HURT_ASSERT_OK(r.SetValue("OPIS", std::string(1500, 'm')));
  HURT_ASSERT_OK(r.SetValue("OPIS", "nadpisany"));  // the rewrite goes to new blocks
  HURT_ASSERT_OK((*t)->Append(r).status());
  HURT_ASSERT_OK((*t)->Close());

  ProcessResult out = RunPython(kReader, path);
  ASSERT_TRUE(out.Succeeded()) << out.err;
  std::vector<std::string> lines = Lines(out.out);
  ASSERT_EQ(lines.size(), 5u) << out.out;
  EXPECT_EQ(lines[0], "codepage cp852 records 4");
  EXPECT_EQ(lines[1], "Zółć|1234.57|-42|2026-03-14|True|Pierwsza linia<CRLF>Druga: zażółć gęślą jaźń|L");
  EXPECT_EQ(lines[2], "USUNIETY|None|None|None|False||D");
  EXPECT_EQ(lines[3], "PUSTY|None|None|None|None||L");
  EXPECT_EQ(lines[4], "DLUGI|-0.50|None|None|None|nadpisany|L");
}

TEST_F(PythonDbfTest, OpensTablesWrittenByPythonAndAppendsToThem) {
  const std::string path = dir / "obce.dbf";
  ProcessResult written = RunPython(kWriter, path);
  ASSERT_TRUE(written.Succeeded()) << written.err;

  {
    auto t = Table::Open(RealEnv(), path);
    ASSERT_TRUE(t.ok()) << t.status().ToString();
    EXPECT_EQ((*t)->header_length(), 32u + 6 * 32 + 1) << "python writes only the 0x0D terminator";
    ASSERT_EQ((*t)->RecordCount(), 3u);
    Record r;
    HURT_ASSERT_OK((*t)->Read(1, &r));
    EXPECT_FALSE(r.deleted());
    EXPECT_EQ(r.GetValue("KOD")->AsString(), std::string("Łódź    "_pl));
    EXPECT_EQ(r.GetValue("CENA")->AsNumber(), 12.5);
    EXPECT_EQ(r.GetValue("ILOSC")->AsNumber(), 7);
    EXPECT_EQ(r.GetValue("DATA")->AsDate().day, JulianFromYmd(2026, 3, 14));
    EXPECT_TRUE(r.GetValue("JEST")->AsLogical());
    EXPECT_EQ(r.GetValue("OPIS")->AsString(), std::string("Wiersz 1\r\nWiersz 2: zażółć gęślą jaźń"_pl));

    HURT_ASSERT_OK((*t)->Read(2, &r));
    EXPECT_TRUE(r.deleted());
    EXPECT_EQ(r.GetValue("CENA")->AsNumber(), -3.25);
    EXPECT_EQ(r.GetValue("ILOSC")->AsNumber(), -12);
    EXPECT_EQ(r.GetValue("DATA")->AsDate(), Date{});
    EXPECT_FALSE(r.GetValue("JEST")->AsLogical());
    EXPECT_EQ(r.GetValue("OPIS")->AsString(), "");

    HURT_ASSERT_OK((*t)->Read(3, &r));
    EXPECT_EQ(r.GetValue("CENA")->AsNumber(), 0.01);
    EXPECT_EQ(r.GetValue("DATA")->AsDate().day, JulianFromYmd(1999, 12, 31));
    EXPECT_FALSE(r.GetValue("JEST")->AsLogical());
    EXPECT_EQ(r.GetValue("OPIS")->AsString(), std::string(1500, 'x'));

    // Our append and memo on their file, read back by them.
    Record added = (*t)->NewRecord();
    HURT_ASSERT_OK(added.SetValue("KOD", "NASZ"));
    HURT_ASSERT_OK(added.SetValue("CENA", 99.99));
    HURT_ASSERT_OK(added.SetValue("OPIS", "dopisany"));
    HURT_ASSERT_OK((*t)->Append(added).status());
  }
  ProcessResult out = RunPython(kReader, path);
  ASSERT_TRUE(out.Succeeded()) << out.err;
  std::vector<std::string> lines = Lines(out.out);
  ASSERT_EQ(lines.size(), 5u) << out.out;
  EXPECT_EQ(lines[3], "DLUGI|0.01|0|1999-12-31|None|" + std::string(1500, 'x') + "|L");
  EXPECT_EQ(lines[4], "NASZ|99.99|None|None|None|dopisany|L");
}

}  // namespace
}  // namespace hurt::xbase
