// hurt-dbf run as a program on generated tables: every command, the faults check finds,
// damaged files and record locks held by another process.
#include <gtest/gtest.h>

#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "store/schema.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/ntx.h"
#include "xbase/table.h"

namespace hurt {
namespace {

using namespace hurt::literals;
using testing::ProcessResult;

constexpr int kRecords = 300;

// "1A00042  ": the mag+indeks key of generated record n.
std::string MagIndeks(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%c%05d", n % 2 == 0 ? '2' : '1', 'A', n);
  std::string key = buf;
  key.resize(9, ' ');
  return key;
}

class HurtDbfTest : public testing::DataDirTest {
 protected:
  ProcessResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), testing::BuiltProgram("hurt-dbf"));
    testing::ProcessOptions options;
    options.cwd = dir.str();
    return testing::RunProcess(args, options);
  }

  // towary.dbf with kRecords records; record n has INDEKS "A<n>", MAG 1 or 2, price n*1.25.
  void MakeTable() {
    const std::vector<xbase::DbfFieldDescriptor> fields = {
        {"MAG", 'C', 1, 0}, {"INDEKS", 'C', 8, 0}, {"NAZWA", 'C', 30, 0}, {"CENA", 'N', 12, 2}, {"DATA", 'D', 8, 0}};
    ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), dir / "towary.dbf", fields).ok());
    auto t = xbase::Table::Open(xbase::RealEnv(), dir / "towary.dbf", xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    xbase::Record r = (*t)->NewRecord();
    for (int n = 1; n <= kRecords; ++n) {
      const std::string key = MagIndeks(n);
      ASSERT_TRUE(r.SetValue("MAG", key.substr(0, 1)).ok());
      ASSERT_TRUE(r.SetValue("INDEKS", key.substr(1)).ok());
      ASSERT_TRUE(r.SetValue("NAZWA", std::string("Śruba łączna "_pl) + std::to_string(n)).ok());
      ASSERT_TRUE(r.SetValue("CENA", n * 1.25).ok());
      ASSERT_TRUE(r.SetValue("DATA", xbase::Date{JulianFromYmd(2024, 1, 1) + n % 60}).ok());
      ASSERT_TRUE((*t)->Append(r).ok());
    }
    ASSERT_TRUE((*t)->Close().ok());
  }

  void Reindex(const std::string& index, const std::string& expr) {
    ProcessResult r = Run({"reindex", "towary", index, expr});
    ASSERT_EQ(r.exit_code, 0) << r.err;
  }

  std::unique_ptr<xbase::NtxIndex> OpenIndex(const std::string& name) {
    auto index = xbase::NtxIndex::Open(xbase::RealEnv(), dir / name);
    EXPECT_TRUE(index.ok()) << index.status().ToString();
    return index.ok() ? std::move(*index) : nullptr;
  }

  // Replaces the first occurrence of `from` in a file by `to` (same length).
  void Patch(const std::string& name, const std::string& from, const std::string& to) {
    std::string bytes = dir.Read(name);
    const size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    bytes.replace(at, to.size(), to);
    dir.Write(name, bytes);
  }
};

// --- create, import, dump, info -----------------------------------------------------------

TEST_F(HurtDbfTest, CreateImportAndDumpRoundTrip) {
  ProcessResult r = Run({"create", "kontr", "ODB,C,8,0;NAZWA,C,20,0;SALDO,N,12,2;DATA,D;AKTYWNY,L;UWAGI,M"});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  const std::string csv =
      "ODB,NAZWA,SALDO,DATA,AKTYWNY,UWAGI\n"
      "K1,\"Zakład \"\"Ćma\"\", Łódź\",-12.5,20240315,T,\"dwie\nlinie\"\r\n"
      "K2,Żółw,0,15.03.2024,F,\n"
      "\n"
      "   K3,,1234567.89,,,\n";
  dir.Write("in.csv", csv);
  r = Run({"import", "kontr", "in.csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("3 records"), std::string::npos) << r.out;

  r = Run({"dump", "kontr", "--csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "ODB,NAZWA,SALDO,DATA,AKTYWNY,UWAGI\n"
            "K1,\"Zakład \"\"Ćma\"\", Łódź\",-12.50,20240315,T,\"dwie\nlinie\"\n"
            "K2,Żółw,0.00,20240315,F,\n"
            "\"   K3\",,1234567.89,,,\n");

  // The table holds code page 852, the dump shows UTF-8.
  auto t = xbase::Table::Open(xbase::RealEnv(), dir / "kontr.dbf");
  ASSERT_TRUE(t.ok());
  xbase::Record rec;
  ASSERT_TRUE((*t)->Read(2, &rec).ok());
  EXPECT_EQ(rec.GetValue("NAZWA")->AsString(), PadR("Żółw"_pl, 20));

  r = Run({"dump", "kontr.dbf"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("RECNO D ODB      NAZWA"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    2   K2       Żółw"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("dwie.linie"), std::string::npos) << r.out;  // line breaks shown as "."

  r = Run({"info", "kontr"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("records:       3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    3 SALDO      N       12   2     29"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("memo file kontr.dbt"), std::string::npos) << r.out;
}

TEST_F(HurtDbfTest, DumpShowsDeletedRecordsButCsvLeavesThemOut) {
  MakeTable();
  {
    auto t = xbase::Table::Open(xbase::RealEnv(), dir / "towary.dbf");
    ASSERT_TRUE(t.ok());
    ASSERT_TRUE((*t)->LockRecord(2).ok());
    ASSERT_TRUE((*t)->Delete(2).ok());
  }
  ProcessResult r = Run({"dump", "towary"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("\n    2 * 2   A00002"), std::string::npos);
  r = Run({"dump", "towary", "--csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.find("A00002"), std::string::npos);
  EXPECT_NE(r.out.find("A00003"), std::string::npos);
}

TEST_F(HurtDbfTest, ImportRefusesABadLineAndLeavesTheTableUntouched) {
  ASSERT_EQ(Run({"create", "t", "KOD,C,4;ILE,N,6,2;DATA,D;TAK,L"}).exit_code, 0);
  struct Case {
    std::string csv;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"KOD,ILE\nA,1\nB,1.5\nC,abc\n", "line 4: field ILE"},
      {"KOD,ILE\nA,1.234\n", "line 2: field ILE"},            // more decimals than the field
      {"KOD,ILE\nA,12345.5\n", "does not fit"},               // wider than N 6,2
      {"KOD,ILE\nABCDE,1\n", "line 2: field KOD"},            // wider than C 4
      {"KOD,DATA\nA,31.02.2024\n", "line 2: field DATA"},
      {"KOD,TAK\nA,maybe\n", "line 2: field TAK"},
      {"KOD,ILE\nA\n", "line 2: 1 values, the header has 2"},
      {"KOD,CENA\nA,1\n", "column \"CENA\""},
      {"KOD,KOD\nA,B\n", "given twice"},
      {"KOD,ILE\n\"A,1\n", "never closed"},
      {"KOD\n\"A\"x\n", "after a closing quote"},
      {"", "no header row"},
  };
  for (const Case& c : cases) {
    dir.Write("bad.csv", c.csv);
    ProcessResult r = Run({"import", "t", "bad.csv"});
    EXPECT_EQ(r.exit_code, 2) << c.csv;
    EXPECT_NE(r.err.find("bad.csv"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.csv << " -> " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  ProcessResult r = Run({"info", "t"});
  EXPECT_NE(r.out.find("records:       0\n"), std::string::npos) << r.out;
}

TEST_F(HurtDbfTest, CreateRefusesBadFieldListsAndExistingTables) {
  EXPECT_EQ(Run({"create", "a", "KOD,C,4"}).exit_code, 0);
  ProcessResult r = Run({"create", "a", "KOD,C,4"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("a.dbf: already exists"), std::string::npos) << r.err;
  for (const char* fields : {"KOD,X,4", "KOD,C", "KOD,N,20,2", "KOD,N,5,4", "1KOD,C,4", "KOD,C,4;KOD,C,5", ""}) {
    r = Run({"create", "b", fields});
    EXPECT_EQ(r.exit_code, 2) << fields;
    EXPECT_NE(r.err.find("b.dbf"), std::string::npos) << fields << " -> " << r.err;
  }
  EXPECT_FALSE(dir.Exists("b.dbf"));
}

// --- reindex, seek, check -----------------------------------------------------------------

TEST_F(HurtDbfTest, ReindexSeekAndDumpInIndexOrder) {
  MakeTable();
  Reindex("tow1", "mag+indeks");
  Reindex("tow2", "cena");
  Reindex("tow3", "DTOS(data)+indeks");

  ProcessResult r = Run({"check", "towary", "tow1", "tow2.ntx", "tow3"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("tow1.ntx: OK, 300 keys"), std::string::npos) << r.out;

  // Rebuilding from the expression stored in the index gives the same index.
  const std::string before = dir.Read("tow1.ntx");
  r = Run({"reindex", "towary", "tow1"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("on \"mag+indeks\""), std::string::npos) << r.out;
  EXPECT_EQ(dir.Read("tow1.ntx").substr(4), before.substr(4));  // all but the update counter

  r = Run({"seek", "towary", "tow1", MagIndeks(42)});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "42\n");
  r = Run({"seek", "towary", "tow1", "2A0004"});  // a prefix finds the first key beginning with it
  EXPECT_EQ(r.out, "40\n");
  r = Run({"seek", "towary", "tow1", "1B"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "0\n");
  r = Run({"seek", "towary", "tow1", "1A00042", "--soft"});  // 42 is in warehouse 2
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "43\n");
  r = Run({"seek", "towary", "tow2", "52.5"});  // numeric key typed as a number
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "42\n");
  r = Run({"seek", "towary", "tow2", "abc"});
  EXPECT_EQ(r.exit_code, 2);

  r = Run({"dump", "towary", "--order", "tow1", "--csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // Warehouse 1 (odd records) first, then warehouse 2.
  const size_t odd = r.out.find("1,A00299,");
  const size_t even = r.out.find("2,A00002,");
  ASSERT_NE(odd, std::string::npos);
  ASSERT_NE(even, std::string::npos);
  EXPECT_LT(odd, even);
}

TEST_F(HurtDbfTest, CheckFindsAKeyThatNoLongerMatchesItsRecord) {
  MakeTable();
  Reindex("tow1", "mag+indeks");
  {
    auto t = xbase::Table::Open(xbase::RealEnv(), dir / "towary.dbf");
    ASSERT_TRUE(t.ok());
    xbase::Record rec;
    ASSERT_TRUE((*t)->LockRecord(17).ok());
    ASSERT_TRUE((*t)->Read(17, &rec).ok());
    ASSERT_TRUE(rec.SetValue("INDEKS", "ZMIANA").ok());
    ASSERT_TRUE((*t)->Write(rec).ok());
  }
  ProcessResult r = Run({"check", "towary", "tow1"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("(record 17): key \"1A00017  \" differs from the record's key \"1ZMIANA  \""),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("tow1.ntx: 1 fault"), std::string::npos) << r.out;
}

TEST_F(HurtDbfTest, CheckFindsMissingAndExtraEntries) {
  MakeTable();
  Reindex("tow1", "mag+indeks");
  {
    auto index = OpenIndex("tow1.ntx");
    ASSERT_NE(index, nullptr);
    ASSERT_TRUE(index->Remove(MagIndeks(100), 100).ok());                  // missing
    ASSERT_TRUE(index->Insert(PadR("1ZZZ", 9), kRecords + 5).ok());        // no such record
    ASSERT_TRUE(index->Insert(PadR("1A", 9), 7).ok());                     // record 7 twice
  }
  ProcessResult r = Run({"check", "towary", "tow1"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("record 100: missing from the index (key \"2A00100  \")"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(record 305): no such record, the table has 300"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(record 7): record indexed twice"), std::string::npos) << r.out;

  // The rebuilt index is clean again.
  Reindex("tow1", "mag+indeks");
  EXPECT_EQ(Run({"check", "towary", "tow1"}).exit_code, 0);
}

TEST_F(HurtDbfTest, CheckFindsKeysOutOfOrder) {
  MakeTable();
  Reindex("tow1", "mag+indeks");
  // Two keys of one leaf swapped in the file: the entries now stand out of order.
  std::string bytes = dir.Read("tow1.ntx");
  const size_t a = bytes.find(MagIndeks(11));
  const size_t b = bytes.find(MagIndeks(13));
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(b, std::string::npos);
  bytes.replace(a, 9, MagIndeks(13));
  bytes.replace(b, 9, MagIndeks(11));
  dir.Write("tow1.ntx", bytes);

  ProcessResult r = Run({"check", "towary", "tow1"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("out of order"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("structure:"), std::string::npos) << r.out;
}

TEST_F(HurtDbfTest, CheckHonoursUniqueAndForConditions) {
  MakeTable();
  // A unique index on the warehouse holds one record per warehouse; the others are rightly
  // absent.
  {
    xbase::NtxCreateOptions o;
    o.key_expression = "mag";
    o.key_length = 1;
    o.unique = true;
    ASSERT_TRUE(xbase::NtxIndex::Create(xbase::RealEnv(), dir / "mag.ntx", o).ok());
    o.key_expression = "indeks";
    o.key_length = 8;
    o.unique = false;
    o.for_expression = "cena > 100";
    ASSERT_TRUE(xbase::NtxIndex::Create(xbase::RealEnv(), dir / "drogie.ntx", o).ok());
  }
  ASSERT_EQ(Run({"reindex", "towary", "mag"}).exit_code, 0);
  ASSERT_EQ(Run({"reindex", "towary", "drogie"}).exit_code, 0);
  ProcessResult r = Run({"check", "towary", "mag", "drogie"});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("mag.ntx: OK, 2 keys"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("drogie.ntx: OK, 220 keys"), std::string::npos) << r.out;  // records 81..300

  {
    auto index = OpenIndex("drogie.ntx");
    ASSERT_NE(index, nullptr);
    ASSERT_TRUE(index->Insert("A00005  ", 5).ok());  // price 6.25: the condition is false
  }
  r = Run({"check", "towary", "drogie"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("FOR condition is false"), std::string::npos) << r.out;
}

// --- damaged files and usage --------------------------------------------------------------

TEST_F(HurtDbfTest, DamagedFilesGiveOneLineNamingTheFile) {
  MakeTable();
  Reindex("tow1", "mag+indeks");
  const std::string dbf = dir.Read("towary.dbf");
  const std::string ntx = dir.Read("tow1.ntx");

  dir.Write("krotka.dbf", dbf.substr(0, 100));                 // cut inside the header
  dir.Write("obca.dbf", "\x30" + dbf.substr(1));                // unknown version byte
  dir.Write("pusta.dbf", "");
  dir.Write("krotki.ntx", ntx.substr(0, 300));
  std::string bad_header = ntx;
  bad_header[14] = '\x7f';  // key length
  bad_header[15] = '\x7f';
  dir.Write("zly.ntx", bad_header);

  struct Case {
    std::vector<std::string> args;
    std::string named;
  };
  const std::vector<Case> cases = {
      {{"info", "krotka"}, "krotka.dbf"},
      {{"dump", "obca"}, "obca.dbf"},
      {{"dump", "pusta"}, "pusta.dbf"},
      {{"info", "brak"}, "brak.dbf"},
      {{"check", "krotka", "tow1"}, "krotka.dbf"},
      {{"check", "towary", "krotki"}, "krotki.ntx"},
      {{"check", "towary", "zly"}, "zly.ntx"},
      {{"seek", "towary", "zly", "1"}, "zly.ntx"},
      {{"dump", "towary", "--order", "krotki"}, "krotki.ntx"},
      {{"reindex", "towary", "zly"}, "zly.ntx"},
      {{"lock", "obca", "1", "0"}, "obca.dbf"},
      {{"import", "towary", "brak.csv"}, "brak.csv"},
  };
  for (const Case& c : cases) {
    ProcessResult r = Run(c.args);
    EXPECT_EQ(r.exit_code, 2) << c.args[0] << " " << c.args[1] << ": " << r.err;
    EXPECT_EQ(r.signal, 0);
    EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args[0] << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

TEST_F(HurtDbfTest, DamagedPagesAreFaultsOfCheckNeverACrash) {
  MakeTable();
  Reindex("tow1", "mag+indeks");
  std::string ntx = dir.Read("tow1.ntx");
  ASSERT_GT(ntx.size(), 3000u);
  // Garbage over the second page.
  for (size_t i = 1024; i < 2048; ++i) ntx[i] = static_cast<char>(i * 37 % 251);
  dir.Write("tow1.ntx", ntx);
  ProcessResult r = Run({"check", "towary", "tow1"});
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  EXPECT_EQ(r.signal, 0);
  EXPECT_NE(r.out.find("tow1.ntx: structure:"), std::string::npos) << r.out;
}

TEST_F(HurtDbfTest, UsageErrorsExitTwoWithTheUsageLine) {
  const std::vector<std::vector<std::string>> runs = {
      {}, {"frobnicate"}, {"info"}, {"dump", "a", "b"}, {"dump", "a", "--fast"}, {"check"},
      {"seek", "a", "b"}, {"lock", "a", "x", "1"}, {"lock", "a", "1", "-1"}, {"dump", "a", "--order"},
  };
  for (const auto& args : runs) {
    ProcessResult r = Run(args);
    EXPECT_EQ(r.exit_code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_NE(r.err.find("usage: hurt-dbf"), std::string::npos) << r.err;
  }
}

// --- damaged tables: short files and memos --------------------------------------------------

// The header of towary counts 300 records; the file is cut inside record 201.
TEST_F(HurtDbfTest, AShortTableIsDumpedAsFarAsItGoesAndRepairedAfterAYes) {
  MakeTable();
  auto t = xbase::Table::Open(xbase::RealEnv(), dir / "towary.dbf", xbase::TableMode::SharedReadOnly());
  ASSERT_TRUE(t.ok());
  const size_t cut = (*t)->header_length() + 200 * (*t)->record_length() + 17;
  ASSERT_TRUE((*t)->Close().ok());
  const std::string short_file = dir.Read("towary.dbf").substr(0, cut);
  dir.Write("towary.dbf", short_file);

  ProcessResult r = Run({"dump", "towary"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find("towary.dbf: the header counts 300 records, the file holds 200 whole ones"),
            std::string::npos) << r.err;
  EXPECT_NE(r.out.find("\n  200   2   A00200"), std::string::npos) << r.out.substr(r.out.size() - 300);
  EXPECT_EQ(r.out.find("A00201"), std::string::npos);
  r = Run({"check", "towary"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("towary.dbf: the header counts 300 records"), std::string::npos) << r.out;

  testing::ProcessOptions answer_no;
  answer_no.cwd = dir.str();
  answer_no.stdin_text = "n\n";
  r = testing::RunProcess({testing::BuiltProgram("hurt-dbf"), "repair", "towary"}, answer_no);
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("Set the count to 200, keeping the original as towary_kopia.dbf? [y/N]"), std::string::npos)
      << r.out;
  EXPECT_EQ(dir.Read("towary.dbf"), short_file);
  EXPECT_FALSE(dir.Exists("towary_kopia.dbf"));

  testing::ProcessOptions answer_yes = answer_no;
  answer_yes.stdin_text = "y\n";
  r = testing::RunProcess({testing::BuiltProgram("hurt-dbf"), "repair", "towary"}, answer_yes);
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("record count set to 200; the original is kept as towary_kopia.dbf"), std::string::npos)
      << r.out;
  EXPECT_EQ(dir.Read("towary_kopia.dbf"), short_file);
  r = Run({"check", "towary"});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("towary.dbf: OK, 200 records"), std::string::npos) << r.out;
  r = Run({"repair", "towary", "--yes"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("nothing to repair"), std::string::npos) << r.out;
}

TEST_F(HurtDbfTest, BadMemosAreFaultsOfCheckAndMarkedInTheDump) {
  ASSERT_EQ(Run({"create", "notatki", "KOD,C,4;UWAGI,M"}).exit_code, 0);
  dir.Write("in.csv", "KOD,UWAGI\nK1,pierwsza\nK2,druga\nK3,trzecia\nK4,\n");
  ASSERT_EQ(Run({"import", "notatki", "in.csv"}).exit_code, 0);
  ASSERT_EQ(Run({"check", "notatki"}).exit_code, 0);
  // K2 points past the memo file; the memo file is cut inside K3's memo.
  Patch("notatki.dbf", "K2           2", "K2         999");
  dir.Write("notatki.dbt", dir.Read("notatki.dbt").substr(0, 3 * 512 + 5));

  ProcessResult r = Run({"check", "notatki"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("notatki.dbf: record 2, field UWAGI: memo block 999 lies past the end of the memo file"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("notatki.dbf: record 3, field UWAGI: memo at block 3 has no end mark"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("notatki.dbf: 2 faults"), std::string::npos) << r.out;

  r = Run({"dump", "notatki"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("    1   K1   pierwsza"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    2   K2   <bad memo>"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    4   K4"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("notatki.dbf: record 2, field UWAGI: notatki.dbt: memo block 999"), std::string::npos) << r.err;
  r = Run({"dump", "notatki", "--csv"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "KOD,UWAGI\nK1,pierwsza\nK2,<bad memo>\nK3,trzec\nK4,\n");
}

// --- CSV for spreadsheets -----------------------------------------------------------------

TEST_F(HurtDbfTest, SpreadsheetCsvInBothCodePagesGoesInAndComesOut) {
  ASSERT_EQ(Run({"create", "kontr", "ODB,C,8;NAZWA,C,24;SALDO,N,12,2;DATA,D;VIP,L"}).exit_code, 0);
  dir.Write("utf8.csv", "\xEF\xBB\xBF" "ODB;NAZWA;SALDO;DATA;VIP\r\n"
                        "K1;\"Zakład \"\"Ćma\"\"; Łódź\";-1 234,5;08.12.2026;T\r\n"
                        "K2;Żółw;0,10;2026-12-09;F\r\n");
  ProcessResult r = Run({"import", "kontr", "utf8.csv"});
  EXPECT_EQ(r.exit_code, 2) << "a thousands separator is no number";
  EXPECT_NE(r.err.find("line 2: field SALDO"), std::string::npos) << r.err;
  dir.Write("utf8.csv", "\xEF\xBB\xBF" "ODB;NAZWA;SALDO;DATA;VIP\r\n"
                        "K1;\"Zakład \"\"Ćma\"\"; Łódź\";-1234,5;08.12.2026;T\r\n"
                        "K2;Żółw;0,10;2026-12-09;F\r\n");
  r = Run({"import", "kontr", "utf8.csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  dir.Write("win.csv", "ODB;NAZWA;SALDO\r\nK3;\xA3\xF3\xBF" "ko \x9C" "redni;12\r\n");  // Łóżko średni
  r = Run({"import", "kontr", "win.csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  r = Run({"dump", "kontr", "--sheet"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "\xEF\xBB\xBF" "ODB;NAZWA;SALDO;DATA;VIP\r\n"
                   "K1;\"Zakład \"\"Ćma\"\"; Łódź\";-1234,50;08.12.2026;T\r\n"
                   "K2;Żółw;0,10;09.12.2026;F\r\n"
                   "K3;Łóżko średni;12,00;;\r\n");
  r = Run({"dump", "kontr", "--sheet", "--cp1250"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "ODB;NAZWA;SALDO;DATA;VIP\r\n"
                   "K1;\"Zak\xB3" "ad \"\"\xC6ma\"\"; \xA3\xF3" "d\x9F\";-1234,50;08.12.2026;T\r\n"
                   "K2;\xAF\xF3\xB3w;0,10;09.12.2026;F\r\n"
                   "K3;\xA3\xF3\xBF" "ko \x9C" "redni;12,00;;\r\n");
  // What the spreadsheet dump wrote reads back in.
  dir.Write("back.csv", r.out);
  ASSERT_EQ(Run({"create", "kopia", "ODB,C,8;NAZWA,C,24;SALDO,N,12,2;DATA,D;VIP,L"}).exit_code, 0);
  r = Run({"import", "kopia", "back.csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Run({"dump", "kopia", "--csv"}).out, Run({"dump", "kontr", "--csv"}).out);
  EXPECT_EQ(Run({"dump", "kontr", "--cp1250"}).exit_code, 2) << "--cp1250 goes with --sheet";
}

// --- import keeps the table's indexes ---------------------------------------------------------

// zo of the period 26/12 with every index the catalogue gives it, one of them held open by
// another process (a station at work): the imported counterparties get their keys.
class HurtDbfImportTest : public HurtDbfTest {
 protected:
  void SetUp() override {
    hurt::testing::MakePeriodTable(dir.str(), "26/12", store::TableId::kZo);
    indexes_ = store::ResolveIndexes(store::Table(store::TableId::kZo), store::Markers(), store::PathArgs{"26/12", 1, {}});
    ASSERT_GE(indexes_.size(), 2u);
    for (const store::IndexFile& index : indexes_) {
      ProcessResult r = Run({"reindex", "26/12/zo", index.file, index.key});
      ASSERT_EQ(r.exit_code, 0) << index.file << ": " << r.err;
    }
    dir.Write("zo.csv", "ODB;NODB\r\nK0001;PIERWSZY\r\nK0002;DRUGI\r\n");
  }
  ProcessResult Check() {
    std::vector<std::string> args{"check", "26/12/zo"};
    for (const store::IndexFile& index : indexes_) args.push_back(index.file);
    return Run(args);
  }
  std::vector<store::IndexFile> indexes_;
};

TEST_F(HurtDbfImportTest, TheCatalogueIndexesGetTheKeysOfTheImportedRecords) {
  auto working = xbase::NtxIndex::Open(xbase::RealEnv(), dir / (indexes_[0].file + ".ntx"));
  ASSERT_TRUE(working.ok());
  ProcessResult r = Run({"import", "26/12/zo", "zo.csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("2 records imported, keys added to 26/12/zo.ntx"), std::string::npos) << r.out;
  r = Check();
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  xbase::NtxCursor cursor(**working);
  auto found = cursor.Seek(Utf8ToCp852("K0002"));
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found) << "the open index sees the new key";
}

TEST_F(HurtDbfImportTest, AnIndexHeldExclusivelyElsewhereRefusesTheImport) {
  xbase::NtxOpenOptions exclusive;
  exclusive.exclusive = true;
  auto held = xbase::NtxIndex::Open(xbase::RealEnv(), dir / (indexes_[1].file + ".ntx"), exclusive);
  ASSERT_TRUE(held.ok());
  const std::string before = dir.Read("26/12/zo.dbf");
  ProcessResult r = Run({"import", "26/12/zo", "zo.csv"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(indexes_[1].file + ".ntx: opened exclusively by another process; nothing imported"),
            std::string::npos) << r.err;
  EXPECT_EQ(dir.Read("26/12/zo.dbf"), before);
}

// --- lock ---------------------------------------------------------------------------------

// Waits (polling) until the child has printed `text` or has ended.
bool WaitForOutput(testing::ChildProcess& child, const std::string& text) {
  for (int i = 0; i < 3000; ++i) {
    if (child.OutputSoFar().find(text) != std::string::npos) return true;
    timespec pause{0, 10'000'000};
    nanosleep(&pause, nullptr);
  }
  return false;
}

TEST_F(HurtDbfTest, ARecordLockHeldByAnotherProcessBlocksUntilItEnds) {
  MakeTable();
  testing::ProcessOptions options;
  options.cwd = dir.str();
  const std::string tool = testing::BuiltProgram("hurt-dbf");

  {
    // Killed while holding the lock: the lock goes with the process.
    testing::ChildProcess holder({tool, "lock", "towary", "3", "60"}, options);
    ASSERT_TRUE(WaitForOutput(holder, "locked"));
    ProcessResult r = Run({"lock", "towary", "3", "0"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("towary.dbf: record 3 is locked by another process"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"lock", "towary", "4", "0"}).exit_code, 0);  // other records stay free
    // A rebuild needs the whole table to itself: no record may change under it.
    r = Run({"reindex", "towary", "tow1", "mag+indeks"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("towary.dbf: another process holds a lock"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.Exists("tow1.ntx"));
    holder.Kill(SIGKILL);
    holder.Wait();
    EXPECT_EQ(Run({"lock", "towary", "3", "0"}).exit_code, 0);
  }
  {
    // Ending normally after its time: the lock is released.
    testing::ChildProcess holder({tool, "lock", "towary", "3", "1"}, options);
    ASSERT_TRUE(WaitForOutput(holder, "locked"));
    EXPECT_EQ(Run({"lock", "towary", "3", "0"}).exit_code, 1);
    ProcessResult ended = holder.Wait();
    EXPECT_EQ(ended.exit_code, 0) << ended.err;
    EXPECT_EQ(Run({"lock", "towary", "3", "0"}).exit_code, 0);
  }
  ProcessResult r = Run({"lock", "towary", "301", "0"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("towary.dbf"), std::string::npos);
}

}  // namespace
}  // namespace hurt
