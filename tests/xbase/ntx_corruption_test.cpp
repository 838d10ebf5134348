// Damaged index files give Status::Corruption naming the file (and the page), never a
// crash or an endless walk.
#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"
#include "xbase/ntx_test_util.h"

namespace hurt::xbase {
namespace {

using namespace ntx_test;

class NtxCorruptionTest : public hurt::testing::DataDirTest {
 protected:
  // An index of `n` keys of 8 bytes (max 50 keys a page); returns its bytes.
  std::string MakeIndex(int n) {
    Entries entries;
    for (int i = 0; i < n; ++i) entries.emplace_back(Key(i, 8), static_cast<uint32_t>(i + 1));
    EXPECT_TRUE(Build(RealEnv(), dir / "c.ntx", Options(8), entries).ok());
    return dir.Read("c.ntx");
  }
  std::string path() const { return dir / "c.ntx"; }
  Status OpenStatus() { return NtxIndex::Open(RealEnv(), path()).status(); }
  // Opens the file and walks it with a cursor; the first failure.
  Status WalkStatus() {
    auto index = NtxIndex::Open(RealEnv(), path());
    if (!index.ok()) return index.status();
    NtxCursor c(**index);
    HURT_RETURN_IF_ERROR(c.GoTop());
    for (int steps = 0; !c.eof() && steps < 100'000; ++steps) HURT_RETURN_IF_ERROR(c.Skip(1));
    HURT_RETURN_IF_ERROR(c.GoBottom());
    return Status::Ok();
  }
  static void ExpectCorruption(const Status& s, const std::string& mention) {
    EXPECT_TRUE(s.IsCorruption()) << s.ToString();
    EXPECT_NE(s.message().find("c.ntx"), std::string::npos) << s.ToString();
    EXPECT_NE(s.message().find(mention), std::string::npos) << s.ToString();
  }
  static size_t SlotOffset(int slot) { return 2 + 2 * static_cast<size_t>(slot); }
};

TEST_F(NtxCorruptionTest, GarbageAndTruncatedHeaders) {
  std::string good = MakeIndex(10);
  std::mt19937 rng(3);
  std::string garbage(4096, '\0');
  for (char& ch : garbage) ch = static_cast<char>(rng());
  dir.Write("c.ntx", garbage);
  ExpectCorruption(OpenStatus(), "");

  dir.Write("c.ntx", good.substr(0, 500));
  ExpectCorruption(OpenStatus(), "truncated");
  dir.Write("c.ntx", "");
  ExpectCorruption(OpenStatus(), "truncated");

  dir.Write("c.ntx", good.substr(0, kNtxPageSize));  // header without its pages
  ExpectCorruption(OpenStatus(), "root");

  std::string bad = good;
  EncodeU16(bad.data() + kNtxSignatureOffset, 0x0005);
  dir.Write("c.ntx", bad);
  ExpectCorruption(OpenStatus(), "signature");
}

TEST_F(NtxCorruptionTest, HeaderFieldsOutOfRange) {
  const std::string good = MakeIndex(10);
  struct Case {
    size_t offset;
    uint32_t value;
    bool wide;
    const char* mention;
  };
  const Case cases[] = {
      {kNtxKeyLengthOffset, 0, false, "key length"},
      {kNtxKeyLengthOffset, 300, false, "key length"},
      {kNtxItemSizeOffset, 99, false, "item size"},
      {kNtxMaxKeysOffset, 500, false, "does not fit"},
      {kNtxMaxKeysOffset, 1, false, "does not fit"},
      {kNtxRootOffset, 1500, true, "root"},
      {kNtxRootOffset, 0, true, "root"},
      {kNtxRootOffset, 1u << 30, true, "root"},
      {kNtxFreeOffset, 2047, true, "free"},
      {kNtxExpressionOffset, 0, false, "expression"},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    if (c.wide) {
      EncodeU32(bad.data() + c.offset, c.value);
    } else {
      EncodeU16(bad.data() + c.offset, static_cast<uint16_t>(c.value));
    }
    dir.Write("c.ntx", bad);
    ExpectCorruption(OpenStatus(), c.mention);
  }
}

TEST_F(NtxCorruptionTest, BadPagesNameTheirOffset) {
  const std::string good = MakeIndex(200);  // root at the end, leaves from offset 1024
  const size_t leaf = kNtxPageSize;
  const int max = NtxMaxKeysFor(8);
  uint32_t root = DecodeU32(good.data() + kNtxRootOffset);

  std::string bad = good;
  EncodeU16(bad.data() + leaf, static_cast<uint16_t>(max + 1));  // too many keys
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "offset 1024");

  bad = good;
  EncodeU16(bad.data() + leaf + SlotOffset(0), 1020);  // item runs past the page
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "outside the page");

  bad = good;
  EncodeU16(bad.data() + leaf + SlotOffset(0), 4);  // item over the offset table
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "outside the page");

  // A child offset off the page grid, and one past the end of the file.
  const size_t first_item = root + 2 + 2 * static_cast<size_t>(max + 1);
  bad = good;
  EncodeU32(bad.data() + first_item, 1500);
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "child page offset 1500");
  bad = good;
  EncodeU32(bad.data() + first_item, 1u << 24);
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "child page offset");

  // A branch page pointing at itself, and leaf items mixed with branch items.
  bad = good;
  EncodeU32(bad.data() + first_item, root);
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "child page offset");
  bad = good;
  EncodeU32(bad.data() + first_item, 0);
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "mixes leaf and branch");
}

// Pages whose count, offsets and children look sound but whose entries cannot be: keys out
// of order and an entry without a record. Read once, each is Corruption naming the page,
// and the index stays marked damaged for a caller that met the status somewhere it could
// not show it.
TEST_F(NtxCorruptionTest, PagesWithEntriesThatCannotBeAreFoundAsTheyAreRead) {
  const std::string good = MakeIndex(200);
  const size_t leaf = kNtxPageSize;
  const size_t first_item = leaf + 2 + 2 * static_cast<size_t>(NtxMaxKeysFor(8) + 1);
  const size_t item_size = 8 + 8;
  {
    auto index = NtxIndex::Open(RealEnv(), path());
    ASSERT_TRUE(index.ok());
    ASSERT_TRUE(WalkStatus().ok());
    EXPECT_FALSE((*index)->damaged());
  }

  std::string bad = good;  // the keys of items 2 and 3 swapped
  std::string item2 = bad.substr(first_item + 2 * item_size + 8, 8);
  bad.replace(first_item + 2 * item_size + 8, 8, bad.substr(first_item + 3 * item_size + 8, 8));
  bad.replace(first_item + 3 * item_size + 8, 8, item2);
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "offset 1024: key 3 is out of order");

  bad = good;
  EncodeU32(bad.data() + first_item + 4 * item_size + 4, 0);  // record number of item 4
  dir.Write("c.ntx", bad);
  ExpectCorruption(WalkStatus(), "offset 1024: key 4 has record number 0");

  auto index = NtxIndex::Open(RealEnv(), path());
  ASSERT_TRUE(index.ok());
  NtxCursor c(**index);
  ASSERT_TRUE(c.GoTop().IsCorruption());
  EXPECT_TRUE((*index)->damaged());
}

// In a file with the descending flag the keys of a page run from high to low.
TEST_F(NtxCorruptionTest, DescendingPagesAreCheckedTheirWayRound) {
  NtxPageFormat format{8, static_cast<uint16_t>(NtxMaxKeysFor(8)), /*descending=*/true};
  NtxPage page;
  page.Reset(format);
  page.AppendItem(0, 1, "BBBBBBBB");
  page.AppendItem(0, 2, "AAAAAAAA");
  std::string bytes(kNtxPageSize, '\0');
  page.EncodeTo(bytes.data());
  NtxPage decoded;
  EXPECT_TRUE(NtxPage::DecodeFrom(bytes, format, kNtxPageSize, 4 * kNtxPageSize, "d.ntx", &decoded).ok());
  format.descending = false;
  EXPECT_TRUE(NtxPage::DecodeFrom(bytes, format, kNtxPageSize, 4 * kNtxPageSize, "d.ntx", &decoded).IsCorruption());
}

TEST_F(NtxCorruptionTest, PagesPointingBackUpDoNotLoopForever) {
  // Build a three-level tree, then point a page of the middle level back at the root.
  Entries entries;
  for (int i = 0; i < 6000; ++i) entries.emplace_back(Key(i, 8), static_cast<uint32_t>(i + 1));
  ASSERT_TRUE(Build(RealEnv(), path(), Options(8), entries).ok());
  std::string bytes = dir.Read("c.ntx");
  const int max = NtxMaxKeysFor(8);
  uint32_t root = DecodeU32(bytes.data() + kNtxRootOffset);
  const size_t item0 = 2 + 2 * static_cast<size_t>(max + 1);
  uint32_t middle = DecodeU32(bytes.data() + root + item0);
  ASSERT_NE(middle, 0u);
  EncodeU32(bytes.data() + middle + item0, root);
  dir.Write("c.ntx", bytes);
  ExpectCorruption(WalkStatus(), "deeper");

  auto index = NtxIndex::Open(RealEnv(), path());
  ASSERT_TRUE(index.ok());
  EXPECT_TRUE((*index)->Insert(Key(0, 8), 99999).IsCorruption());
  EXPECT_TRUE((*index)->Verify().status().IsCorruption());
}

TEST_F(NtxCorruptionTest, FreeListPointingAtItself) {
  MakeIndex(0);
  auto index = NtxIndex::Open(RealEnv(), path());
  ASSERT_TRUE(index.ok());
  for (int i = 0; i < 120; ++i) ASSERT_TRUE((*index)->Insert(Key(i, 8), static_cast<uint32_t>(i + 1)).ok());
  for (int i = 0; i < 120; ++i) ASSERT_TRUE((*index)->Remove(Key(i, 8), static_cast<uint32_t>(i + 1)).ok());
  index->reset();
  std::string bytes = dir.Read("c.ntx");
  uint32_t head = DecodeU32(bytes.data() + kNtxFreeOffset);
  ASSERT_NE(head, 0u);
  EncodeU32(bytes.data() + head + 2 + 2 * static_cast<size_t>(NtxMaxKeysFor(8) + 1), head);
  dir.Write("c.ntx", bytes);
  index = NtxIndex::Open(RealEnv(), path());
  ASSERT_TRUE(index.ok());
  Status s;
  for (int i = 0; i < 120 && s.ok(); ++i) s = (*index)->Insert(Key(i, 8), static_cast<uint32_t>(i + 1));
  ExpectCorruption(s, std::to_string(head));  // the free page is caught pointing at itself
}

// Random damage anywhere in the pages: every operation either works or reports a
// Corruption (or NotFound for a removal); nothing crashes or hangs (ASan/UBSan runs).
TEST_F(NtxCorruptionTest, RandomDamageNeverCrashes) {
  const std::string good = MakeIndex(2000);
  std::mt19937 rng(12345);
  int corruptions = 0;
  for (int round = 0; round < 80; ++round) {
    std::string bad = good;
    int flips = 1 + static_cast<int>(rng() % 8);
    for (int f = 0; f < flips; ++f) {
      size_t at = kNtxPageSize + rng() % (bad.size() - kNtxPageSize);
      bad[at] = static_cast<char>(rng());
    }
    dir.Write("c.ntx", bad);
    auto opened = NtxIndex::Open(RealEnv(), path());
    ASSERT_TRUE(opened.ok()) << opened.status().ToString();  // the header is intact
    NtxIndex& index = **opened;
    auto acceptable = [&](const Status& s) {
      if (s.IsCorruption()) ++corruptions;
      return s.ok() || s.IsCorruption() || s.IsNotFound();
    };
    NtxCursor c(index);
    Status s = c.GoTop();
    for (int steps = 0; s.ok() && !c.eof() && steps < 10'000; ++steps) s = c.Skip(1);
    EXPECT_TRUE(acceptable(s)) << s.ToString();
    s = c.GoBottom();
    for (int steps = 0; s.ok() && !c.bof() && steps < 10'000; ++steps) s = c.Skip(-1);
    EXPECT_TRUE(acceptable(s)) << s.ToString();
    for (int i = 0; i < 20; ++i) {
      EXPECT_TRUE(acceptable(c.Seek(Key(static_cast<int>(rng() % 2000), 8)).status()));
      EXPECT_TRUE(acceptable(index.Insert(Key(static_cast<int>(rng() % 2000), 8), 5000 + rng() % 100)));
      int k = static_cast<int>(rng() % 2000);
      EXPECT_TRUE(acceptable(index.Remove(Key(k, 8), static_cast<uint32_t>(k + 1))));
    }
    EXPECT_TRUE(acceptable(index.Verify().status()));
  }
  EXPECT_GT(corruptions, 0);
}

}  // namespace
}  // namespace hurt::xbase
