// The ZIP wrapper of the backups: what is written is read back whole (with and without a
// password), an archive is replaced whole or not at all, and an unpack that meets a bad
// archive, a wrong password or an unsafe name puts nothing in place. The archives also
// pass the independent `unzip -t`.
#include "maintenance/zip_archive.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

#include "support/child_process.h"
#include "support/status_assert.h"
#include "support/temp_dir.h"
#include "xbase/fault_env.h"
#include "xbase/memory_env.h"

namespace hurt::maintenance {
namespace {

const EntryTime kMarch15{2024, 3, 15, 9, 30, 0};

ReadBytesAt FromString(const std::string& bytes) {
  return [&bytes](uint64_t offset, size_t n, char* out, size_t* got) {
    const size_t from = offset < bytes.size() ? static_cast<size_t>(offset) : bytes.size();
    *got = std::min(n, bytes.size() - from);
    std::copy_n(bytes.data() + from, *got, out);
    return Status::Ok();
  };
}

// Bytes that deflate does not shrink to nothing: a table-like run and some noise.
std::string SampleBytes(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, ' ');
  for (size_t i = 0; i < size; ++i) s[i] = i % 7 == 0 ? static_cast<char>(gen() & 0xFF) : static_cast<char>('A' + i % 26);
  return s;
}

class ZipArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override { HURT_ASSERT_OK(mem.CreateDirs("/dane/24/03")); }

  // Writes an archive of {entry, bytes} pairs.
  Status Write(xbase::Env& env, const std::string& path, const std::vector<std::pair<std::string, std::string>>& files,
               const std::string& password = "") {
    auto w = ZipWriter::Create(env, path, password);
    if (!w.ok()) return w.status();
    for (const auto& [entry, bytes] : files) HURT_RETURN_IF_ERROR((*w)->Add(entry, bytes.size(), FromString(bytes), kMarch15));
    return (*w)->Finish();
  }

  std::string Contents(const std::string& path) {
    auto c = mem.Contents(path);
    return c.ok() ? *c : std::string("<missing>");
  }

  FakeClock clock{2024, 3, 15};
  xbase::MemoryEnv mem{clock};
};

TEST_F(ZipArchiveTest, WhatIsWrittenIsReadBackWholeWithAndWithoutPassword) {
  const std::string as = SampleBytes(200'000, 1);  // more than one chunk
  const std::string memo = SampleBytes(1'000, 2);
  for (const std::string password : {"", "Tajne!1"}) {
    SCOPED_TRACE("password \"" + password + "\"");
    HURT_ASSERT_OK(Write(mem, "/dane/k.zip", {{"24/03/as.dbf", as}, {"24/03/as.dbt", memo}, {"24/03/pusty.dbf", ""}},
                         password));
    auto r = ZipReader::Open(mem, "/dane/k.zip");
    HURT_ASSERT_OK(r.status());
    ASSERT_EQ((*r)->entries().size(), 3u);
    EXPECT_EQ((*r)->entries()[0].name, "24/03/as.dbf");
    EXPECT_EQ((*r)->entries()[0].size, as.size());
    EXPECT_EQ((*r)->AnyEncrypted(), !password.empty());
    const std::vector<std::string> expected = {as, memo, ""};
    for (size_t i = 0; i < expected.size(); ++i) {
      std::string back;
      HURT_EXPECT_OK((*r)->Read(i, password, [&back](std::string_view p) {
        back += p;
        return Status::Ok();
      }));
      EXPECT_EQ(back, expected[i]) << i;
    }
    EXPECT_FALSE(mem.Exists("/dane/k.zip.tmp"));
  }
}

TEST_F(ZipArchiveTest, AnEncryptedArchiveNeedsTheRightPassword) {
  const std::string as = SampleBytes(50'000, 3);
  HURT_ASSERT_OK(Write(mem, "/dane/k.zip", {{"24/03/as.dbf", as}}, "dobre"));
  auto r = ZipReader::Open(mem, "/dane/k.zip");
  HURT_ASSERT_OK(r.status());
  auto sink = [](std::string_view) { return Status::Ok(); };
  EXPECT_EQ((*r)->Read(0, "", sink).code(), StatusCode::kUnsupported);
  EXPECT_TRUE((*r)->Read(0, "zle", sink).IsCorruption());
  HURT_EXPECT_OK((*r)->Read(0, "dobre", sink));
  // The unpack refuses as well and leaves nothing behind.
  HURT_ASSERT_OK(mem.SetContents("/dane/24/03/as.dbf", "stare"));
  EXPECT_EQ(UnpackBeside(mem, "/dane/k.zip", "/dane", "").status().code(), StatusCode::kUnsupported);
  EXPECT_TRUE(UnpackBeside(mem, "/dane/k.zip", "/dane", "zle").status().IsCorruption());
  EXPECT_EQ(Contents("/dane/24/03/as.dbf"), "stare");
  EXPECT_FALSE(mem.Exists("/dane/24/03/as.dbf.odtw"));
}

TEST_F(ZipArchiveTest, AFailedWriteLeavesTheOldArchiveAndNoTemporaryFile) {
  HURT_ASSERT_OK(Write(mem, "/dane/k.zip", {{"24/03/as.dbf", "stara kopia"}}));
  const std::string old = Contents("/dane/k.zip");
  xbase::FaultEnv faults(mem);
  for (int nth : {1, 2, 3}) {
    SCOPED_TRACE(nth);
    faults.FailWrite(nth, "k.zip.tmp");
    EXPECT_FALSE(Write(faults, "/dane/k.zip", {{"24/03/as.dbf", SampleBytes(100'000, 4)}}).ok());
    faults.ClearFaults();
    EXPECT_EQ(Contents("/dane/k.zip"), old);
    EXPECT_FALSE(mem.Exists("/dane/k.zip.tmp"));
  }
  faults.FailSync(1, "k.zip.tmp");
  EXPECT_FALSE(Write(faults, "/dane/k.zip", {{"24/03/as.dbf", "nowa"}}).ok());
  EXPECT_EQ(Contents("/dane/k.zip"), old);
  // A source cut while it is read gives no archive either.
  auto w = ZipWriter::Create(mem, "/dane/k.zip", "");
  HURT_ASSERT_OK(w.status());
  const std::string shorter = "krotszy";
  EXPECT_FALSE((*w)->Add("24/03/as.dbf", 100, FromString(shorter), kMarch15).ok());
  EXPECT_FALSE((*w)->Finish().ok());
  EXPECT_EQ(Contents("/dane/k.zip"), old);
  EXPECT_FALSE(mem.Exists("/dane/k.zip.tmp"));
}

TEST_F(ZipArchiveTest, UnpackPutsNothingInPlaceUntilCommit) {
  HURT_ASSERT_OK(mem.SetContents("/dane/24/03/as.dbf", "stare as"));
  HURT_ASSERT_OK(Write(mem, "/dane/k.zip", {{"24/03/as.dbf", "nowe as"}, {"24/03/dow.dbf", "nowe dow"}}));
  {
    auto u = UnpackBeside(mem, "/dane/k.zip", "/dane", "");
    HURT_ASSERT_OK(u.status());
    EXPECT_EQ(u->names(), (std::vector<std::string>{"24/03/as.dbf", "24/03/dow.dbf"}));
    EXPECT_EQ(Contents("/dane/24/03/as.dbf"), "stare as");
    EXPECT_FALSE(mem.Exists("/dane/24/03/dow.dbf"));
    EXPECT_EQ(Contents("/dane/24/03/as.dbf.odtw"), "nowe as");
  }  // dropped without Commit: the temporary files go
  EXPECT_EQ(Contents("/dane/24/03/as.dbf"), "stare as");
  EXPECT_FALSE(mem.Exists("/dane/24/03/as.dbf.odtw"));
  EXPECT_FALSE(mem.Exists("/dane/24/03/dow.dbf.odtw"));

  // What a killed unpack left beside the tables goes with the next one.
  HURT_ASSERT_OK(mem.SetContents("/dane/24/03/slow.dbf.odtw", "zostawione"));
  auto u = UnpackBeside(mem, "/dane/k.zip", "/dane", "");
  HURT_ASSERT_OK(u.status());
  EXPECT_FALSE(mem.Exists("/dane/24/03/slow.dbf.odtw"));
  HURT_ASSERT_OK(u->Commit());
  EXPECT_EQ(Contents("/dane/24/03/as.dbf"), "nowe as");
  EXPECT_EQ(Contents("/dane/24/03/dow.dbf"), "nowe dow");
  EXPECT_FALSE(mem.Exists("/dane/24/03/as.dbf.odtw"));
}

TEST_F(ZipArchiveTest, ADamagedArchiveRestoresNothing) {
  HURT_ASSERT_OK(mem.SetContents("/dane/24/03/as.dbf", "stare as"));
  HURT_ASSERT_OK(mem.SetContents("/dane/24/03/dow.dbf", "stare dow"));
  HURT_ASSERT_OK(
      Write(mem, "/dane/k.zip", {{"24/03/as.dbf", SampleBytes(30'000, 5)}, {"24/03/dow.dbf", SampleBytes(30'000, 6)}}));
  const std::string whole = Contents("/dane/k.zip");
  // A byte of the second entry's data changed; the archive cut short; not a ZIP at all.
  std::string flipped = whole;
  flipped[whole.size() / 2 + 200] = static_cast<char>(flipped[whole.size() / 2 + 200] ^ 0x55);
  for (const std::string& bad : {flipped, whole.substr(0, whole.size() - 30), std::string("to nie jest zip")}) {
    HURT_ASSERT_OK(mem.SetContents("/dane/zly.zip", bad));
    auto u = UnpackBeside(mem, "/dane/zly.zip", "/dane", "");
    EXPECT_TRUE(u.status().IsCorruption()) << u.status().ToString();
    EXPECT_EQ(Contents("/dane/24/03/as.dbf"), "stare as");
    EXPECT_EQ(Contents("/dane/24/03/dow.dbf"), "stare dow");
    EXPECT_FALSE(mem.Exists("/dane/24/03/as.dbf.odtw"));
    EXPECT_FALSE(mem.Exists("/dane/24/03/dow.dbf.odtw"));
  }
  EXPECT_TRUE(UnpackBeside(mem, "/dane/brak.zip", "/dane", "").status().IsNotFound());
}

TEST_F(ZipArchiveTest, NamesThatLeaveTheDataDirectoryRefuseTheWholeArchive) {
  for (const std::string bad : {"../firma.dbf", "24/../../x.dbf", "/etc/passwd", "C:\\VAT\\as.dbf", "..\\x.dbf"}) {
    SCOPED_TRACE(bad);
    HURT_ASSERT_OK(Write(mem, "/dane/k.zip", {{"24/03/as.dbf", "nowe"}, {bad, "zle"}}));
    auto u = UnpackBeside(mem, "/dane/k.zip", "/dane", "");
    ASSERT_TRUE(u.status().IsInvalid()) << u.status().ToString();
    EXPECT_EQ(u.status().message(), bad);
    EXPECT_FALSE(mem.Exists("/dane/24/03/as.dbf")) << "written before the bad name was seen";
    EXPECT_FALSE(mem.Exists("/dane/24/03/as.dbf.odtw"));
  }
}

TEST(SafeEntryPath, KeepsNamesInsideTheRootInLowerCase) {
  EXPECT_EQ(SafeEntryPath("24/03/AS.DBF"), "24/03/as.dbf");
  EXPECT_EQ(SafeEntryPath("24\\03\\as.dbf"), "24/03/as.dbf");
  EXPECT_EQ(SafeEntryPath("./fv_zal//dowod.dbf"), "fv_zal/dowod.dbf");
  EXPECT_EQ(SafeEntryPath("wzor/"), "wzor");
  for (const char* bad : {"", "/", ".", "../a", "a/../../b", "a/..", "/abs", "\\abs", "c:x", "C:/x"}) {
    EXPECT_EQ(SafeEntryPath(bad), std::nullopt) << bad;
  }
}

// `unzip` (Debian package unzip) from the PATH; "" when absent.
std::string UnzipProgram() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::filesystem::path p = std::filesystem::path(dir) / "unzip";
    if (!dir.empty() && ::access(p.c_str(), X_OK) == 0) return p.string();
  }
  return "";
}

TEST(ZipArchiveInterop, ArchivesPassUnzipTestWithTheirPassword) {
  const std::string unzip = UnzipProgram();
  ASSERT_FALSE(unzip.empty()) << "the program unzip is missing: run scripts/setup";
  testing::TempDir dir;
  const std::string as = SampleBytes(120'000, 7);
  for (const std::string password : {"", "Haslo-2024"}) {
    SCOPED_TRACE("password \"" + password + "\"");
    const std::string archive = dir / (password.empty() ? "jawne.zip" : "tajne.zip");
    auto w = ZipWriter::Create(xbase::RealEnv(), archive, password);
    HURT_ASSERT_OK(w.status());
    HURT_ASSERT_OK((*w)->Add("24/03/as.dbf", as.size(), FromString(as), kMarch15));
    HURT_ASSERT_OK((*w)->Finish());
    std::vector<std::string> argv = {unzip, "-t"};
    if (!password.empty()) argv.insert(argv.end(), {"-P", password});
    argv.push_back(archive);
    const testing::ProcessResult r = testing::RunProcess(argv);
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("24/03/as.dbf"), std::string::npos) << r.out;
    // The entry keeps its date.
    const testing::ProcessResult listing = testing::RunProcess({unzip, "-l", archive});
    EXPECT_NE(listing.out.find("2024-03-15 09:30"), std::string::npos) << listing.out;
    if (!password.empty()) {
      const testing::ProcessResult wrong = testing::RunProcess({unzip, "-t", "-P", "zle", archive});
      EXPECT_NE(wrong.exit_code, 0) << wrong.out;
    }
  }
}

}  // namespace
}  // namespace hurt::maintenance
