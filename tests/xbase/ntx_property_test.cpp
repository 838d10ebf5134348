// Random inserts and removals against a std::set model; bulk builds against inserts.
#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"
#include "xbase/ntx_test_util.h"

namespace hurt::xbase {
namespace {

using namespace ntx_test;

class NtxPropertyTest : public hurt::testing::DataDirTest, public ::testing::WithParamInterface<int> {};

// Checks everything a reader can see against the model: both scans, and seeks of present
// keys, missing keys, prefixes and exact entries.
void CheckAgainstModel(NtxIndex& index, const std::set<Entry>& model, std::mt19937& rng) {
  Entries expected = Sorted(model);
  ASSERT_EQ(ScanForward(index), expected);
  ASSERT_EQ(ScanBackward(index), expected);
  ExpectValid(index);

  NtxCursor c(index);
  const size_t len = static_cast<size_t>(index.key_length());
  for (int i = 0; i < 20; ++i) {
    // A random key (present or not), whole or as a prefix.
    std::string probe = Key(static_cast<int>(rng() % 400), static_cast<int>(len));
    if (rng() % 3 == 0) probe.resize(1 + rng() % len);
    auto lower = std::find_if(expected.begin(), expected.end(), [&](const Entry& e) {
      return e.first.compare(0, probe.size(), probe) >= 0;
    });
    bool match = lower != expected.end() && lower->first.compare(0, probe.size(), probe) == 0;
    auto soft = c.Seek(probe, /*soft=*/true);
    ASSERT_TRUE(soft.ok()) << soft.status().ToString();
    EXPECT_EQ(*soft, match);
    if (lower == expected.end()) {
      EXPECT_TRUE(c.eof());
    } else {
      ASSERT_FALSE(c.eof());
      EXPECT_EQ(Entry(std::string(c.key()), c.recno()), *lower);
    }
    auto exact = c.Seek(probe);
    ASSERT_TRUE(exact.ok());
    EXPECT_EQ(*exact, match);
    EXPECT_EQ(c.eof(), !match);
  }
  if (!expected.empty()) {
    const Entry& e = expected[rng() % expected.size()];
    auto at = c.SeekEntry(e.first, e.second);
    ASSERT_TRUE(at.ok());
    EXPECT_TRUE(*at);
    EXPECT_EQ(c.recno(), e.second);
  }
}

TEST_P(NtxPropertyTest, RandomInsertsAndRemovalsMatchTheModel) {
  const int len = GetParam();
  ASSERT_TRUE(NtxIndex::Create(RealEnv(), dir / "p.ntx", Options(len)).ok());
  auto opened = NtxIndex::Open(RealEnv(), dir / "p.ntx");
  ASSERT_TRUE(opened.ok());
  NtxIndex& index = **opened;
  std::mt19937 rng(static_cast<unsigned>(len) * 7919u);
  std::set<Entry> model;
  uint32_t next_recno = 1;
  for (int batch = 0; batch < 24; ++batch) {
    // Batches lean towards growing, then towards shrinking, so pages split and merge.
    const bool growing = batch < 14;
    for (int op = 0; op < 120; ++op) {
      bool insert = model.empty() || (rng() % 100) < (growing ? 75u : 25u);
      if (insert) {
        std::string key = Key(static_cast<int>(rng() % 400), len);  // many duplicates
        uint32_t recno = next_recno++;
        ASSERT_TRUE(index.Insert(key, recno).ok());
        model.emplace(key, recno);
      } else {
        auto it = model.begin();
        std::advance(it, static_cast<long>(rng() % model.size()));
        ASSERT_TRUE(index.Remove(it->first, it->second).ok()) << it->first << " " << it->second;
        model.erase(it);
      }
    }
    ASSERT_NO_FATAL_FAILURE(CheckAgainstModel(index, model, rng)) << "batch " << batch;
  }
}

// Key 256 gives 2 keys a page (deep trees), 24 gives 28, 10 gives 50.
INSTANTIATE_TEST_SUITE_P(KeyLengths, NtxPropertyTest, ::testing::Values(10, 24, 256));

class NtxBuildTest : public hurt::testing::DataDirTest {};

TEST_F(NtxBuildTest, BulkBuildEqualsIncrementalInserts) {
  std::mt19937 rng(11);
  for (int len : {4, 16, 24, 40}) {
    Entries entries;
    for (uint32_t recno = 1; recno <= 3000; ++recno) {
      entries.emplace_back(Key(static_cast<int>(rng() % 700), len), recno);  // record order, duplicate keys
    }
    // Small memory: several sorted runs merged from the temporary file.
    ASSERT_TRUE(Build(RealEnv(), dir / "b.ntx", Options(len), entries, /*memory_limit=*/16 * 1024).ok());
    ASSERT_TRUE(Build(RealEnv(), dir / "m.ntx", Options(len), entries).ok());
    ASSERT_TRUE(NtxIndex::Create(RealEnv(), dir / "i.ntx", Options(len)).ok());
    auto built = NtxIndex::Open(RealEnv(), dir / "b.ntx");
    auto in_memory = NtxIndex::Open(RealEnv(), dir / "m.ntx");
    auto inserted = NtxIndex::Open(RealEnv(), dir / "i.ntx");
    ASSERT_TRUE(built.ok() && in_memory.ok() && inserted.ok());
    for (const auto& [key, recno] : entries) ASSERT_TRUE((*inserted)->Insert(key, recno).ok());
    Entries expected = ScanForward(**inserted);
    EXPECT_EQ(expected.size(), entries.size());
    EXPECT_EQ(ScanForward(**built), expected) << len;
    EXPECT_EQ(ScanForward(**in_memory), expected) << len;
    EXPECT_EQ(ScanBackward(**built), expected) << len;
    ExpectValid(**built);
    ExpectValid(**in_memory);
    EXPECT_FALSE(std::filesystem::exists(dir / "b.ntx.srt"));  // the temporary file is gone

    // A built index takes inserts and removals like any other.
    ASSERT_TRUE((*built)->Remove(entries[5].first, entries[5].second).ok());
    ASSERT_TRUE((*built)->Insert(Key(5000, len), 5000).ok());
    ExpectValid(**built);
  }
}

TEST_F(NtxBuildTest, EveryEntryCountGivesAValidTree) {
  // Around every level boundary of small pages (key 256: 2 keys a page, 18: 34).
  for (int len : {256, 18}) {
    const int max = NtxMaxKeysFor(len);
    const int limit = len == 256 ? 200 : (max + 1) * (max + 1) + 40;
    for (int n = 0; n <= limit; n += (n < 80 ? 1 : 17)) {
      Entries entries;
      for (int i = 0; i < n; ++i) entries.emplace_back(Key(i, len), static_cast<uint32_t>(i + 1));
      ASSERT_TRUE(Build(RealEnv(), dir / "n.ntx", Options(len), entries).ok());
      auto index = NtxIndex::Open(RealEnv(), dir / "n.ntx");
      ASSERT_TRUE(index.ok());
      auto stats = (*index)->Verify(/*strict=*/true);
      ASSERT_TRUE(stats.ok()) << "n=" << n << " len=" << len << ": " << stats.status().ToString();
      EXPECT_EQ(stats->keys, static_cast<uint64_t>(n));
      EXPECT_EQ(stats->free_pages, 0u);
    }
  }
}

TEST_F(NtxBuildTest, UniqueBuildKeepsTheLowestRecord) {
  Entries entries;
  for (uint32_t recno = 1; recno <= 2000; ++recno) entries.emplace_back(Key(static_cast<int>(recno % 37), 8), recno);
  for (size_t memory : {size_t{4096}, size_t{32} << 20}) {
    ASSERT_TRUE(Build(RealEnv(), dir / "u.ntx", Options(8, /*unique=*/true), entries, memory).ok());
    auto index = NtxIndex::Open(RealEnv(), dir / "u.ntx");
    ASSERT_TRUE(index.ok());
    EXPECT_TRUE((*index)->unique());
    Entries got = ScanForward(**index);
    ASSERT_EQ(got.size(), 37u);
    for (const auto& [key, recno] : got) EXPECT_EQ(Key(static_cast<int>(recno % 37), 8), key);
    for (const auto& [key, recno] : got) EXPECT_LE(recno, 37u);  // the first record of each key
    ExpectValid(**index);
  }
}

TEST_F(NtxBuildTest, BuilderRefusesBadEntriesAndKeepsTheOldFileUntilFinish) {
  ASSERT_TRUE(Build(RealEnv(), dir / "k.ntx", Options(4), {{"AAAA", 1}, {"BBBB", 2}}).ok());
  {
    auto builder = NtxBuilder::Start(RealEnv(), dir / "k.ntx", Options(4));
    ASSERT_TRUE(builder.ok());
    EXPECT_TRUE((*builder)->Add("TOO LONG", 1).IsInvalid());
    EXPECT_TRUE((*builder)->Add("CCCC", 0).IsInvalid());
    ASSERT_TRUE((*builder)->Add("CCCC", 3).ok());
    // Abandoned without Finish.
  }
  auto index = NtxIndex::Open(RealEnv(), dir / "k.ntx");
  ASSERT_TRUE(index.ok());
  EXPECT_EQ(ScanForward(**index), (Entries{{"AAAA", 1}, {"BBBB", 2}}));
}

TEST_F(NtxBuildTest, RebuildRaisesTheUpdateCounter) {
  ASSERT_TRUE(Build(RealEnv(), dir / "v.ntx", Options(4), {{"AAAA", 1}}).ok());
  uint16_t first = DecodeU16(dir.Read("v.ntx").data() + kNtxVersionOffset);
  ASSERT_TRUE(Build(RealEnv(), dir / "v.ntx", Options(4), {{"AAAA", 1}}).ok());
  uint16_t second = DecodeU16(dir.Read("v.ntx").data() + kNtxVersionOffset);
  EXPECT_EQ(second, static_cast<uint16_t>(first + 1));
}

}  // namespace
}  // namespace hurt::xbase
