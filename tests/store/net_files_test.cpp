#include "store/net_files.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "support/temp_dir.h"
#include "xbase/memory_env.h"

namespace hurt::store {
namespace {

class NetFilesTest : public ::testing::Test {
 protected:
  void Touch(const std::string& path) { ASSERT_TRUE(env_.SetContents(path, "x").ok()); }
  std::string Contents(const std::string& path) { return env_.Contents(path).value_or("<missing>"); }

  FakeClock clock_{2026, 3, 14};
  xbase::MemoryEnv env_{clock_};
};

TEST_F(NetFilesTest, FileXFindsAllLowerOrAllUpperCaseAfterRemovingBlanks) {
  Touch("as.dbf");
  EXPECT_TRUE(FileX(env_, "as .dbf"));
  EXPECT_TRUE(FileX(env_, " AS.DBF "));
  EXPECT_EQ(FindFileX(env_, "A s.Dbf"), "as.dbf");

  Touch("KOD13.TXT");
  EXPECT_TRUE(FileX(env_, "kod13.txt"));
  EXPECT_EQ(FindFileX(env_, "Kod13.txt"), "KOD13.TXT");

  // A name stored in mixed case is found under neither spelling.
  Touch("Vat_13_5.txt");
  EXPECT_FALSE(FileX(env_, "VAT_13_5.TXT"));
  EXPECT_FALSE(FileX(env_, "Vat_13_5.txt"));

  EXPECT_FALSE(FileX(env_, ""));
  EXPECT_FALSE(FileX(env_, "   "));
  EXPECT_FALSE(FileX(env_, "brak.txt"));
}

TEST_F(NetFilesTest, FileXChangesTheCaseOfTheNameOnlyNotOfTheFolders) {
  ASSERT_TRUE(env_.CreateDirs("rob").ok());
  ASSERT_TRUE(env_.CreateDirs("Dane").ok());
  Touch("rob/D01.DBF");
  Touch("Dane/x.txt");
  EXPECT_TRUE(FileX(env_, "rob/d01.dbf"));
  EXPECT_TRUE(FileX(env_, "ROB/d01.dbf"));  // folders are also tried in lower case
  EXPECT_TRUE(FileX(env_, "Dane/X.TXT"));   // and as given
  EXPECT_FALSE(FileX(env_, "DANE/x.txt"));
  EXPECT_FALSE(FileX(env_, "rob/"));
}

TEST(NetFilesRealTest, FileXOnACaseSensitiveFileSystem) {
  hurt::testing::TempDir dir;
  dir.Write("as.dbf", "x");
  dir.Write("ZO.DBF", "x");
  dir.Write("Dow.dbf", "x");
  xbase::Env& env = xbase::RealEnv();
  EXPECT_TRUE(FileX(env, dir / "as .dbf"));
  EXPECT_TRUE(FileX(env, dir / "AS.DBF"));
  EXPECT_TRUE(FileX(env, dir / "zo.dbf"));
  EXPECT_FALSE(FileX(env, dir / "dow.dbf"));
  EXPECT_FALSE(FileX(env, dir / "Dow.dbf"));
}

TEST(NetFilesText, Str2Str3AndUsunSpacje) {
  EXPECT_EQ(Str2(7), "07");
  EXPECT_EQ(Str2(42), "42");
  EXPECT_EQ(Str2(99), "99");
  EXPECT_EQ(Str2(0), "00");
  EXPECT_EQ(Str2(100), "00");
  EXPECT_EQ(Str2(-3), "00");
  EXPECT_EQ(Str3(7), "007");
  EXPECT_EQ(Str3(0), "000");
  EXPECT_EQ(Str3(999), "999");
  EXPECT_EQ(Str3(1000), "000");
  EXPECT_EQ(UsunSpacje(" a s . d b f "), "as.dbf");
  EXPECT_EQ(UsunSpacje("   "), "");
}

TEST(NetFilesText, NormalFileNameIsLowerCaseWithSlashes) {
  EXPECT_EQ(NormalFileName(" 24\\03\\DOWOD "), "24/03/dowod");
  EXPECT_EQ(NormalFileName("ROB\\D07"), "rob/d07");
  EXPECT_EQ(NormalFileName("/Srv/Dane/AS"), "/Srv/Dane/AS");  // absolute paths keep their case
}

TEST_F(NetFilesTest, DoklejTxtAppendsLinesWithCrLf) {
  ASSERT_TRUE(DoklejTxt(env_, "log.txt", "pierwsza").ok());
  ASSERT_TRUE(DoklejTxt(env_, "log.txt", "").ok());
  ASSERT_TRUE(DoklejTxt(env_, "log.txt", "trzecia").ok());
  EXPECT_EQ(Contents("log.txt"), "pierwsza\r\n\r\ntrzecia\r\n");
  EXPECT_FALSE(DoklejTxt(env_, "brak/log.txt", "x").ok());  // no such folder
}

TEST_F(NetFilesTest, FdoklejAppendsTheNonEmptyLinesUpToTheLimit) {
  ASSERT_TRUE(env_.SetContents("src.txt", "a\r\n\r\n   \r\nb\nc\r\nd").ok());
  ASSERT_TRUE(env_.SetContents("dst.txt", "0\r\n").ok());
  auto n = Fdoklej(env_, "dst.txt", "src.txt");
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(*n, 4);
  EXPECT_EQ(Contents("dst.txt"), "0\r\na\r\nb\r\nc\r\nd\r\n");

  n = Fdoklej(env_, "new.txt", "src.txt", 2);
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(*n, 2);
  EXPECT_EQ(Contents("new.txt"), "a\r\nb\r\n");

  n = Fdoklej(env_, "dst2.txt", "none.txt");
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(*n, 0);
}

TEST_F(NetFilesTest, FdoklejReadsLongFilesInPieces) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "linia numer " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(env_.SetContents("big.txt", text).ok());
  auto n = Fdoklej(env_, "copy.txt", "big.txt");
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(*n, 20000);
  EXPECT_EQ(Contents("copy.txt"), text);
}

}  // namespace
}  // namespace hurt::store
