// NTX header and page codecs; the page cache.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "xbase/ntx_format.h"
#include "xbase/ntx_page_cache.h"

namespace hurt::xbase {
namespace {


TEST(NtxHeaderTest, RoundTripAndLayout) {
  auto made = NtxHeader::ForNewIndex("DTOS(data)+nrd", 16, 0, /*unique=*/true, "!DELETED()");
  ASSERT_TRUE(made.ok());
  NtxHeader h = *made;
  h.counters.root = 3 * 1024;
  h.counters.free_list = 2 * 1024;
  h.counters.version = 41;
  h.order_name = "DOWOD";
  std::string bytes;
  h.EncodeTo(&bytes);
  ASSERT_EQ(bytes.size(), kNtxPageSize);
  EXPECT_EQ(DecodeU16(bytes.data() + 0), kNtxSignature | kNtxForFlag);
  EXPECT_EQ(DecodeU16(bytes.data() + 2), 41);
  EXPECT_EQ(DecodeU32(bytes.data() + 4), 3u * 1024);
  EXPECT_EQ(DecodeU32(bytes.data() + 8), 2u * 1024);
  EXPECT_EQ(DecodeU16(bytes.data() + 12), 24);  // item size
  EXPECT_EQ(DecodeU16(bytes.data() + 14), 16);
  EXPECT_EQ(DecodeU16(bytes.data() + 18), 38);
  EXPECT_EQ(DecodeU16(bytes.data() + 20), 19);
  EXPECT_EQ(std::string(bytes.data() + 22), "DTOS(data)+nrd");
  EXPECT_EQ(DecodeU16(bytes.data() + 278), 1);
  EXPECT_EQ(std::string(bytes.data() + 282), "!DELETED()");
  EXPECT_EQ(std::string(bytes.data() + 538), "DOWOD");

  auto back = NtxHeader::DecodeFrom(bytes, 4 * 1024, "x.ntx");
  ASSERT_TRUE(back.ok()) << back.status().ToString();
  EXPECT_EQ(back->counters, h.counters);
  EXPECT_EQ(back->key_expression, h.key_expression);
  EXPECT_EQ(back->for_expression, h.for_expression);
  EXPECT_EQ(back->order_name, "DOWOD");
  EXPECT_TRUE(back->unique);
  EXPECT_FALSE(back->descending);
  EXPECT_EQ(back->max_keys, 38);
}

TEST(NtxHeaderTest, NewHeaderChecksItsArguments) {
  EXPECT_TRUE(NtxHeader::ForNewIndex("k", 0, 0, false, "").status().IsInvalid());
  EXPECT_TRUE(NtxHeader::ForNewIndex("k", 257, 0, false, "").status().IsInvalid());
  EXPECT_TRUE(NtxHeader::ForNewIndex("k", 5, 6, false, "").status().IsInvalid());
  EXPECT_TRUE(NtxHeader::ForNewIndex(std::string("a\0b", 3), 5, 0, false, "").status().IsInvalid());
  EXPECT_TRUE(NtxHeader::ForNewIndex("k", 5, 0, false, std::string(256, 'f')).status().IsInvalid());
  auto plain = NtxHeader::ForNewIndex("k", 5, 0, false, "");
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(plain->counters.signature, kNtxSignature);
}

TEST(NtxHeaderTest, OldSignatureHasNoForCondition) {
  auto made = NtxHeader::ForNewIndex("k", 5, 0, false, "");
  ASSERT_TRUE(made.ok());
  made->counters.root = 1024;
  std::string bytes;
  made->EncodeTo(&bytes);
  EncodeU16(bytes.data(), kNtxOldSignature);
  std::memcpy(bytes.data() + kNtxForOffset, "junk", 4);
  auto back = NtxHeader::DecodeFrom(bytes, 2048, "x.ntx");
  ASSERT_TRUE(back.ok());
  EXPECT_FALSE(back->has_for());
}

NtxPageFormat Format() { return {6, static_cast<uint16_t>(NtxMaxKeysFor(6))}; }

TEST(NtxPageTest, RoundTripWritesSlotsInOrderAndAnEmptyRightMostEntry) {
  NtxPage page;
  page.Reset(Format());
  page.InsertItem(0, 2048, 7, "BBBBBB");
  page.InsertItem(0, 1024, 5, "AAAAAA");
  page.set_child(2, 3072);
  // A split leaves the old entry in what becomes the right-most slot.
  page.InsertItem(2, 4096, 9, "CCCCCC");
  page.set_count(2);
  char out[kNtxPageSize];
  page.EncodeTo(out);
  const int max = Format().max_keys;
  EXPECT_EQ(DecodeU16(out), 2);
  const size_t first = 2 + 2 * static_cast<size_t>(max + 1);
  for (int i = 0; i <= max; ++i) EXPECT_EQ(DecodeU16(out + 2 + 2 * i), first + 14 * static_cast<size_t>(i));
  EXPECT_EQ(DecodeU32(out + first + 2 * 14), 4096u);   // the right-most child
  EXPECT_EQ(DecodeU32(out + first + 2 * 14 + 4), 0u);  // and no record number beside it
  EXPECT_EQ(std::string(out + first + 2 * 14 + 8, 6), std::string(6, '\0'));

  NtxPage back;
  ASSERT_TRUE(
      NtxPage::DecodeFrom(std::string_view(out, sizeof out), Format(), 5 * 1024, 10 * 1024, "x.ntx", &back).ok());
  EXPECT_EQ(back.count(), 2);
  EXPECT_EQ(back.key(0), "AAAAAA");
  EXPECT_EQ(back.recno(1), 7u);
  EXPECT_EQ(back.child(2), 4096u);
  EXPECT_FALSE(back.is_leaf());
}

TEST(NtxPageTest, DecodesSlotsInAnyPhysicalOrder) {
  const int max = Format().max_keys;
  const size_t first = 2 + 2 * static_cast<size_t>(max + 1);
  char data[kNtxPageSize] = {};
  EncodeU16(data, 3);
  // Slot i stored at physical position max - i.
  for (int i = 0; i <= max; ++i) EncodeU16(data + 2 + 2 * i, static_cast<uint16_t>(first + 14 * (max - i)));
  const char* keys[] = {"ONE   ", "THREE ", "TWO   "};  // in key order, as a page's keys must be
  for (int i = 0; i < 3; ++i) {
    char* item = data + first + 14 * (max - i);
    EncodeU32(item + 4, static_cast<uint32_t>(100 + i));
    std::memcpy(item + 8, keys[i], 6);
  }
  NtxPage page;
  ASSERT_TRUE(NtxPage::DecodeFrom(std::string_view(data, sizeof data), Format(), 1024, 4096, "x.ntx", &page).ok());
  EXPECT_TRUE(page.is_leaf());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(page.key(i), keys[i]);
    EXPECT_EQ(page.recno(i), static_cast<uint32_t>(100 + i));
  }
}

TEST(NtxPageTest, InsertAndRemoveShiftTheRightMostChild) {
  NtxPage page;
  page.Reset(Format());
  page.set_child(0, 9 * 1024);  // right-most child of an empty branch page
  page.InsertItem(0, 1024, 1, "AAAAAA");
  page.InsertItem(1, 2048, 2, "BBBBBB");
  EXPECT_EQ(page.child(2), 9u * 1024);
  page.RemoveItem(0);
  EXPECT_EQ(page.count(), 1);
  EXPECT_EQ(page.key(0), "BBBBBB");
  EXPECT_EQ(page.child(0), 2048u);
  EXPECT_EQ(page.child(1), 9u * 1024);
  page.MakeFree(7 * 1024);
  EXPECT_EQ(page.count(), 0);
  EXPECT_EQ(page.child(0), 7u * 1024);
}

TEST(NtxPageCacheTest, BoundedAndAlwaysRight) {
  NtxPageCache cache(16);
  std::map<uint32_t, int> model;  // offset -> count stored in the page
  std::mt19937 rng(5);
  NtxPage page;
  page.Reset(Format());
  for (int i = 0; i < 20000; ++i) {
    uint32_t offset = static_cast<uint32_t>(1 + rng() % 60) * 1024;
    if (rng() % 40 == 0) {  // often enough for the clear marks to wrap round
      cache.Clear();
      model.clear();
    } else if (rng() % 3 == 0) {
      int value = static_cast<int>(rng() % 40);
      page.set_count(value);
      const NtxPage* stored = cache.Put(offset, page);
      EXPECT_EQ(stored->count(), value);
      model[offset] = value;
    } else if (const NtxPage* found = cache.Find(offset)) {
      ASSERT_TRUE(model.count(offset));
      EXPECT_EQ(found->count(), model[offset]);  // never another page's content
    }
    ASSERT_LE(cache.size(), cache.capacity());
  }
  // A page used over and over survives a stream of others (CLOCK keeps it).
  page.set_count(3);
  cache.Put(1024 * 100, page);
  for (uint32_t i = 0; i < 200; ++i) {
    ASSERT_NE(cache.Find(1024 * 100), nullptr) << i;
    cache.Put(1024 * (200 + i), page);
  }
  cache.Clear();
  EXPECT_EQ(cache.size(), 0u);
  EXPECT_EQ(cache.Find(1024 * 100), nullptr);
}

}  // namespace
}  // namespace hurt::xbase
