// NtxIndex and NtxCursor: creation, seeks, skips, duplicates, page splits and merges.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/temp_dir.h"
#include "xbase/ntx_test_util.h"

namespace hurt::xbase {
namespace {

using namespace ntx_test;

class NtxIndexTest : public hurt::testing::DataDirTest {
 protected:
  std::unique_ptr<NtxIndex> CreateAndOpen(const NtxCreateOptions& options, const std::string& name = "t.ntx") {
    Status s = NtxIndex::Create(RealEnv(), dir / name, options);
    EXPECT_TRUE(s.ok()) << s.ToString();
    auto index = NtxIndex::Open(RealEnv(), dir / name);
    EXPECT_TRUE(index.ok()) << index.status().ToString();
    return index.ok() ? std::move(*index) : nullptr;
  }
};

TEST(NtxFormulaTest, MaximumKeysPerPage) {
  EXPECT_EQ(NtxMaxKeysFor(14), 40);
  EXPECT_EQ(NtxMaxKeysFor(16), 38);
  EXPECT_EQ(NtxMaxKeysFor(18), 34);
  EXPECT_EQ(NtxMaxKeysFor(24), 28);
  EXPECT_EQ(NtxMaxKeysFor(1), 90);
  EXPECT_EQ(NtxMaxKeysFor(256), 2);
  for (int len = 1; len <= kNtxMaxKeyLength; ++len) {
    EXPECT_TRUE(NtxLayoutFits(len, NtxMaxKeysFor(len))) << len;
    EXPECT_EQ(NtxMaxKeysFor(len) % 2, 0) << len;
  }
}

TEST_F(NtxIndexTest, NewIndexIsEmptyAndKeepsItsHeader) {
  NtxCreateOptions o = Options(10);
  o.key_expression = "mag+indeks";
  o.key_decimals = 0;
  o.for_expression = "ilosc>0";
  auto index = CreateAndOpen(o);
  ASSERT_TRUE(index);
  EXPECT_EQ(index->key_expression(), "mag+indeks");
  EXPECT_EQ(index->for_expression(), "ilosc>0");
  EXPECT_EQ(index->key_length(), 10);
  EXPECT_EQ(index->max_keys(), NtxMaxKeysFor(10));
  EXPECT_FALSE(index->unique());

  NtxCursor c(*index);
  ASSERT_TRUE(c.GoTop().ok());
  EXPECT_TRUE(c.eof());
  EXPECT_TRUE(c.bof());
  EXPECT_EQ(c.recno(), 0u);
  ASSERT_TRUE(c.GoBottom().ok());
  EXPECT_TRUE(c.eof());
  auto found = c.Seek("A");
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_TRUE(c.eof());
  auto stats = index->Verify();
  ASSERT_TRUE(stats.ok()) << stats.status().ToString();
  EXPECT_EQ(stats->keys, 0u);
  EXPECT_EQ(stats->depth, 1);
}

TEST_F(NtxIndexTest, CreateRefusesBadOptions) {
  EXPECT_TRUE(NtxIndex::Create(RealEnv(), dir / "a.ntx", Options(0)).IsInvalid());
  EXPECT_TRUE(NtxIndex::Create(RealEnv(), dir / "a.ntx", Options(257)).IsInvalid());
  NtxCreateOptions o = Options(10);
  o.key_expression = std::string(256, 'x');
  EXPECT_TRUE(NtxIndex::Create(RealEnv(), dir / "a.ntx", o).IsInvalid());
  o.key_expression = "";
  EXPECT_TRUE(NtxIndex::Create(RealEnv(), dir / "a.ntx", o).IsInvalid());
}

TEST_F(NtxIndexTest, KeysAndRecordNumbersAreChecked) {
  auto index = CreateAndOpen(Options(6));
  ASSERT_TRUE(index);
  EXPECT_TRUE(index->Insert("ABC", 1).IsInvalid());
  EXPECT_TRUE(index->Insert("ABCDEFG", 1).IsInvalid());
  EXPECT_TRUE(index->Insert("ABCDEF", 0).IsInvalid());
  EXPECT_TRUE(index->Remove("ABCDEF", 1).IsNotFound());
}

TEST_F(NtxIndexTest, SeekExactSoftAndPrefix) {
  auto index = CreateAndOpen(Options(6));
  ASSERT_TRUE(index);
  const char* keys[] = {"AB    ", "ABC   ", "ABD   ", "B     ", "BA    ", "C1    "};
  uint32_t recno = 10;
  for (const char* k : keys) ASSERT_TRUE(index->Insert(k, recno++).ok());
  NtxCursor c(*index);

  auto r = c.Seek("ABC   ");  // whole key
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(*r);
  EXPECT_EQ(c.key(), "ABC   ");
  EXPECT_EQ(c.recno(), 11u);

  r = c.Seek("AB");  // prefix: the first key beginning with it
  EXPECT_TRUE(*r);
  EXPECT_EQ(c.recno(), 10u);

  r = c.Seek("ABD");
  EXPECT_TRUE(*r);
  EXPECT_EQ(c.recno(), 12u);

  r = c.Seek("AB ");  // blanks count: "AB    " begins with "AB "
  EXPECT_TRUE(*r);
  EXPECT_EQ(c.recno(), 10u);

  r = c.Seek("ABE");  // missing: exact gives EOF
  EXPECT_FALSE(*r);
  EXPECT_TRUE(c.eof());
  EXPECT_FALSE(c.bof());

  r = c.Seek("ABE", /*soft=*/true);  // soft: the next key up
  EXPECT_FALSE(*r);
  EXPECT_FALSE(c.eof());
  EXPECT_EQ(c.key(), "B     ");

  r = c.Seek("D", /*soft=*/true);  // above every key
  EXPECT_FALSE(*r);
  EXPECT_TRUE(c.eof());

  r = c.Seek("0", /*soft=*/true);  // below every key
  EXPECT_FALSE(*r);
  EXPECT_EQ(c.recno(), 10u);

  r = c.Seek("");  // the empty key matches the first entry
  EXPECT_TRUE(*r);
  EXPECT_EQ(c.recno(), 10u);

  r = c.Seek("C1    and more");  // longer than the key: cut to the key length
  EXPECT_TRUE(*r);
  EXPECT_EQ(c.recno(), 15u);
}

TEST_F(NtxIndexTest, SkipSetsEofAndBof) {
  auto index = CreateAndOpen(Options(4));
  ASSERT_TRUE(index);
  for (int i = 1; i <= 5; ++i) ASSERT_TRUE(index->Insert(Key(i, 4, ""), static_cast<uint32_t>(i)).ok());
  NtxCursor c(*index);
  ASSERT_TRUE(c.GoTop().ok());
  EXPECT_EQ(c.recno(), 1u);
  ASSERT_TRUE(c.Skip(-1).ok());
  EXPECT_TRUE(c.bof());
  EXPECT_FALSE(c.eof());
  EXPECT_EQ(c.recno(), 1u);  // stays on the first entry
  ASSERT_TRUE(c.Skip(1).ok());
  EXPECT_FALSE(c.bof());
  EXPECT_EQ(c.recno(), 2u);
  ASSERT_TRUE(c.Skip(3).ok());
  EXPECT_EQ(c.recno(), 5u);
  ASSERT_TRUE(c.Skip(1).ok());
  EXPECT_TRUE(c.eof());
  EXPECT_EQ(c.recno(), 0u);
  ASSERT_TRUE(c.Skip(1).ok());  // stays at EOF
  EXPECT_TRUE(c.eof());
  ASSERT_TRUE(c.Skip(-1).ok());  // back from EOF onto the last entry
  EXPECT_FALSE(c.eof());
  EXPECT_EQ(c.recno(), 5u);
  ASSERT_TRUE(c.Skip(-10).ok());
  EXPECT_TRUE(c.bof());
  EXPECT_EQ(c.recno(), 1u);
  ASSERT_TRUE(c.GoBottom().ok());
  EXPECT_EQ(c.recno(), 5u);
  ASSERT_TRUE(c.Skip(0).ok());
  EXPECT_EQ(c.recno(), 5u);
}

TEST_F(NtxIndexTest, DuplicateKeysAreOrderedByRecordNumber) {
  auto index = CreateAndOpen(Options(14));  // 40 keys a page: several pages of one key
  ASSERT_TRUE(index);
  std::vector<uint32_t> recnos;
  for (uint32_t r = 1; r <= 200; ++r) recnos.push_back(r);
  std::shuffle(recnos.begin(), recnos.end(), std::mt19937(7));
  std::set<Entry> model;
  for (uint32_t r : recnos) {
    std::string key = Key(static_cast<int>(r % 3), 14);
    ASSERT_TRUE(index->Insert(key, r).ok());
    model.emplace(key, r);
  }
  EXPECT_EQ(ScanForward(*index), Sorted(model));
  ExpectValid(*index);

  NtxCursor c(*index);
  auto r = c.Seek(Key(1, 14));
  ASSERT_TRUE(*r);
  EXPECT_EQ(c.recno(), 1u);  // the lowest record of the key

  // One entry of many with the same key can be found and removed exactly.
  r = c.SeekEntry(Key(2, 14), 101);
  EXPECT_TRUE(*r);
  EXPECT_EQ(c.recno(), 101u);
  r = c.SeekEntry(Key(2, 14), 100);  // no such entry: onto the next one
  EXPECT_FALSE(*r);
  EXPECT_EQ(c.recno(), 101u);
  ASSERT_TRUE(index->Remove(Key(1, 14), 100).ok());
  model.erase({Key(1, 14), 100});
  EXPECT_TRUE(index->Remove(Key(1, 14), 100).IsNotFound());
  EXPECT_TRUE(index->Remove(Key(2, 14), 100).IsNotFound());  // right record, wrong key
  EXPECT_EQ(ScanForward(*index), Sorted(model));
  EXPECT_EQ(ScanBackward(*index), Sorted(model));
}

TEST_F(NtxIndexTest, InsertingAnEntryTwiceKeepsOne) {
  auto index = CreateAndOpen(Options(4));
  ASSERT_TRUE(index);
  ASSERT_TRUE(index->Insert("AAAA", 3).ok());
  ASSERT_TRUE(index->Insert("AAAA", 3).ok());
  EXPECT_EQ(ScanForward(*index), (Entries{{"AAAA", 3}}));
}

TEST_F(NtxIndexTest, UniqueIndexKeepsTheFirstRecordOfAKey) {
  auto index = CreateAndOpen(Options(4, /*unique=*/true));
  ASSERT_TRUE(index);
  EXPECT_TRUE(index->unique());
  ASSERT_TRUE(index->Insert("BBBB", 7).ok());
  ASSERT_TRUE(index->Insert("BBBB", 2).ok());  // ignored: the key is there
  ASSERT_TRUE(index->Insert("AAAA", 9).ok());
  EXPECT_EQ(ScanForward(*index), (Entries{{"AAAA", 9}, {"BBBB", 7}}));
  EXPECT_TRUE(index->Remove("BBBB", 2).IsNotFound());
  ASSERT_TRUE(index->Remove("BBBB", 7).ok());
  ASSERT_TRUE(index->Insert("BBBB", 2).ok());
  EXPECT_EQ(ScanForward(*index), (Entries{{"AAAA", 9}, {"BBBB", 2}}));
}

// Fills pages exactly to their maximum, one past it (split), and empties them again
// (borrowing and merging), checking the tree after every step.
class NtxBoundaryTest : public NtxIndexTest, public ::testing::WithParamInterface<int> {};

TEST_P(NtxBoundaryTest, SplitsAndMergesAtPageBoundaries) {
  const int len = GetParam();
  auto index = CreateAndOpen(Options(len));
  ASSERT_TRUE(index);
  const int max = index->max_keys();
  EXPECT_EQ(max, NtxMaxKeysFor(len));
  std::set<Entry> model;
  auto add = [&](int i) {
    std::string key = Key(i, len);
    ASSERT_TRUE(index->Insert(key, static_cast<uint32_t>(i + 1)).ok());
    model.emplace(key, i + 1);
  };
  for (int i = 0; i < max; ++i) add(i);
  auto stats = index->Verify();
  ASSERT_TRUE(stats.ok()) << stats.status().ToString();
  EXPECT_EQ(stats->depth, 1);  // a full root leaf
  EXPECT_EQ(stats->pages, 1u);
  add(max);
  stats = index->Verify();
  ASSERT_TRUE(stats.ok()) << stats.status().ToString();
  EXPECT_EQ(stats->depth, 2);  // split: root + two half leaves
  EXPECT_EQ(stats->pages, 3u);

  // Grow to three levels, checking on the way.
  const int target = (max + 1) * (max + 1) + 5;
  for (int i = max + 1; i < target; ++i) {
    add(i);
    if (i % std::max(7, target / 40) == 0) ExpectValid(*index);
  }
  stats = index->Verify();
  ASSERT_TRUE(stats.ok());
  EXPECT_EQ(stats->depth, 3);
  EXPECT_EQ(ScanForward(*index), Sorted(model));

  // Remove from the middle outwards, then everything.
  std::vector<Entry> order(model.begin(), model.end());
  std::shuffle(order.begin(), order.end(), std::mt19937(len));
  int step = 0;
  for (const Entry& e : order) {
    ASSERT_TRUE(index->Remove(e.first, e.second).ok()) << e.first;
    model.erase(e);
    if (++step % std::max(5, target / 40) == 0) ExpectValid(*index);
  }
  stats = index->Verify();
  ASSERT_TRUE(stats.ok()) << stats.status().ToString();
  EXPECT_EQ(stats->keys, 0u);
  EXPECT_EQ(stats->depth, 1);
  EXPECT_GT(stats->free_pages, 0u);
}

INSTANTIATE_TEST_SUITE_P(KeyLengths, NtxBoundaryTest, ::testing::Values(1, 7, 14, 16, 18, 24, 100, 256));

TEST_F(NtxIndexTest, DescendingFlagReversesTheKeyOrder) {
  // Files of other programs may carry the descending flag: keys then run from high to
  // low (equal keys still by record number).
  ASSERT_TRUE(NtxIndex::Create(RealEnv(), dir / "d.ntx", Options(6)).ok());
  std::string bytes = dir.Read("d.ntx");
  EncodeU16(bytes.data() + kNtxDescendingOffset, 1);
  dir.Write("d.ntx", bytes);
  auto index = NtxIndex::Open(RealEnv(), dir / "d.ntx");
  ASSERT_TRUE(index.ok());
  EXPECT_TRUE((*index)->descending());
  Entries expected;
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE((*index)->Insert(Key(i % 100, 6, ""), static_cast<uint32_t>(i + 1)).ok());
  }
  for (int k = 99; k >= 0; --k) {
    for (int r = k + 1; r <= 300; r += 100) expected.emplace_back(Key(k, 6, ""), r);
  }
  EXPECT_EQ(ScanForward(**index), expected);
  EXPECT_EQ(ScanBackward(**index), expected);
  ExpectValid(**index);
  NtxCursor c(**index);
  EXPECT_TRUE(*c.Seek(Key(42, 6, "")));
  EXPECT_EQ(c.recno(), 43u);
  EXPECT_FALSE(*c.Seek("00004A", /*soft=*/true));  // soft: the next key in index order
  EXPECT_EQ(c.key(), "000049");
  EXPECT_EQ(c.recno(), 50u);
  ASSERT_TRUE((*index)->Remove(Key(42, 6, ""), 143).ok());
  ExpectValid(**index);
}

TEST_F(NtxIndexTest, FreedPagesAreReusedNewestFirst) {
  auto index = CreateAndOpen(Options(24));
  ASSERT_TRUE(index);
  for (int i = 0; i < 2000; ++i) ASSERT_TRUE(index->Insert(Key(i, 24), static_cast<uint32_t>(i + 1)).ok());
  uint64_t full_size = std::filesystem::file_size(dir / "t.ntx");
  for (int i = 0; i < 2000; ++i) ASSERT_TRUE(index->Remove(Key(i, 24), static_cast<uint32_t>(i + 1)).ok());
  auto stats = index->Verify();
  ASSERT_TRUE(stats.ok()) << stats.status().ToString();
  EXPECT_GT(stats->free_pages, 50u);

  // The header points at the newest free page, whose link leads to the older ones.
  std::string bytes = dir.Read("t.ntx");
  uint32_t head = DecodeU32(bytes.data() + kNtxFreeOffset);
  EXPECT_NE(head, 0u);

  for (int i = 0; i < 2000; ++i) ASSERT_TRUE(index->Insert(Key(i, 24), static_cast<uint32_t>(i + 1)).ok());
  EXPECT_EQ(std::filesystem::file_size(dir / "t.ntx"), full_size);  // no page from the end
  ExpectValid(*index);

  // A split takes the newest free page first (the new right page), then the one it
  // links to (the new root).
  auto again = CreateAndOpen(Options(24), "u.ntx");
  ASSERT_TRUE(again);
  const int max = again->max_keys();
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(again->Insert(Key(i, 24), static_cast<uint32_t>(i + 1)).ok());
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(again->Remove(Key(i, 24), static_cast<uint32_t>(i + 1)).ok());
  bytes = dir.Read("u.ntx");
  head = DecodeU32(bytes.data() + kNtxFreeOffset);
  ASSERT_NE(head, 0u);
  const size_t link_at = head + 2 + 2 * static_cast<size_t>(max + 1);  // child of item slot 0
  uint32_t second = DecodeU32(bytes.data() + link_at);
  ASSERT_NE(second, 0u);
  for (int i = 0; i <= max; ++i) ASSERT_TRUE(again->Insert(Key(i, 24), static_cast<uint32_t>(i + 1)).ok());
  bytes = dir.Read("u.ntx");
  EXPECT_EQ(DecodeU32(bytes.data() + kNtxRootOffset), second);
  ExpectValid(*again);
}

}  // namespace
}  // namespace hurt::xbase
