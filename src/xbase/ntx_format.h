// The NTX index file: header and page codecs.
//
// An NTX file is a single-order B-tree of 1024-byte pages. Page 0 (offsets 0..1023) is
// the header; every other page starts at a multiple of 1024. All integers are
// little-endian.
//
// Header (the first 1024 bytes):
//   OFFSET SIZE DESCRIPTION
//        0    2 signature 0x0006 (0x0003 in old files); 0x0001 or-ed in when a FOR
//               condition is present
//        2    2 version: update counter, +1 on every header write (wraps at 65536)
//        4    4 file offset of the root page
//        8    4 file offset of the first free page (0 = none)
//       12    2 item size = key length + 8
//       14    2 key length
//       16    2 key decimals (numeric keys)
//       18    2 maximum keys per page
//       20    2 half page = maximum / 2
//       22  256 key expression, NUL-terminated
//      278    2 unique flag
//      280    2 descending flag
//      282  256 FOR expression, NUL-terminated
//      538   12 order (tag) name
//      550  474 zero
//
// Page:
//   OFFSET       SIZE              DESCRIPTION
//        0          2              number of keys k on the page
//        2          2 * (max + 1)  offsets (inside the page) of the max + 1 item slots
//        ...        item size each items, wherever the offsets point:
//                                    0  4  file offset of the child page on the left
//                                          of this key (0 on leaves)
//                                    4  4  record number
//                                    8  key length  key bytes
//   The item in slot k carries only the right-most child offset. Unused slots still
//   point at distinct free item areas, so that a writer can take slot k + 1 for a new
//   item. hurt writes the slots in order right after the offset table.
//
// It is a B-tree in the classic sense: keys of inner pages are entries too (each with its
// record number), lying between the subtrees on their left and right.
//
// Free pages form a list: the child offset of item slot 0 of a free page holds the
// previous head; the header points at the newest free page.
//
// Maximum keys per page of a new index: 1022 / (key length + 10) - 1, made even by
// subtracting one when odd (key 14 -> 40, 16 -> 38, 18 -> 34, 24 -> 28). Existing files
// keep the value of their header.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/endian_codec.h"

namespace hurt::xbase {

// ---- sizes ----------------------------------------------------------------------------

constexpr size_t kNtxPageSize = 1024;
constexpr uint16_t kNtxSignature = 0x0006;
constexpr uint16_t kNtxOldSignature = 0x0003;
constexpr uint16_t kNtxForFlag = 0x0001;
constexpr int kNtxMaxKeyLength = 256;
constexpr size_t kNtxItemHeaderSize = 4 + 4;  // child offset, record number
constexpr size_t kNtxMaxItemSize = kNtxItemHeaderSize + kNtxMaxKeyLength;
constexpr size_t kNtxExpressionSize = 256;  // key and FOR expression fields, NUL included
constexpr size_t kNtxOrderNameSize = 12;

// Header field offsets.
constexpr size_t kNtxSignatureOffset = 0;
constexpr size_t kNtxVersionOffset = 2;
constexpr size_t kNtxRootOffset = 4;
constexpr size_t kNtxFreeOffset = 8;
constexpr size_t kNtxItemSizeOffset = 12;
constexpr size_t kNtxKeyLengthOffset = 14;
constexpr size_t kNtxDecimalsOffset = 16;
constexpr size_t kNtxMaxKeysOffset = 18;
constexpr size_t kNtxHalfPageOffset = 20;
constexpr size_t kNtxExpressionOffset = 22;
constexpr size_t kNtxUniqueOffset = 278;
constexpr size_t kNtxDescendingOffset = 280;
constexpr size_t kNtxForOffset = 282;
constexpr size_t kNtxOrderNameOffset = 538;
// Signature + version + root + free list: the part an update rewrites.
constexpr size_t kNtxCountersSize = 2 + 2 + 4 + 4;

// Maximum keys per page of a new index with keys of this length (formula above).
int NtxMaxKeysFor(int key_length);

// True when `max_keys` slots of items of this key length fit a page.
bool NtxLayoutFits(int key_length, int max_keys);

// ---- header ---------------------------------------------------------------------------

// The parts of the header that change while the index is used: what a reader compares
// to know whether its cached pages are still good.
struct NtxCounters {
  uint16_t signature = kNtxSignature;
  uint16_t version = 0;
  uint32_t root = 0;
  uint32_t free_list = 0;
  bool operator==(const NtxCounters&) const = default;

  // Exactly kNtxCountersSize bytes.
  void EncodeTo(char* out) const;
  static NtxCounters DecodeFrom(const char* data);
};

struct NtxHeader {
  NtxCounters counters;
  uint16_t item_size = 0;
  uint16_t key_length = 0;
  uint16_t key_decimals = 0;
  uint16_t max_keys = 0;
  uint16_t half_page = 0;
  std::string key_expression;
  bool unique = false;
  bool descending = false;
  std::string for_expression;  // empty: no FOR condition
  std::string order_name;

  // A header for a new, empty index; the caller sets the root.
  static Result<NtxHeader> ForNewIndex(std::string key_expression, int key_length, int key_decimals, bool unique,
                                       std::string for_expression);

  // Exactly kNtxPageSize bytes.
  void EncodeTo(std::string* out) const;

  // Checks everything that can be checked without the pages: signature, key length,
  // item size, page layout, root and free list offsets (page-aligned, inside a file of
  // file_size bytes). `data` shorter than a page means a truncated file. Errors are
  // Status::Corruption naming `path`.
  static Result<NtxHeader> DecodeFrom(std::string_view data, uint64_t file_size, const std::string& path);

  bool has_for() const { return !for_expression.empty(); }
};

// Checks a root or free-list offset as read from a header; "what" names the field.
Status CheckNtxHeaderOffsets(const NtxCounters& counters, uint64_t file_size, const std::string& path);

// ---- page -----------------------------------------------------------------------------

// The shape of the pages of one index.
struct NtxPageFormat {
  uint16_t key_length = 0;
  uint16_t max_keys = 0;
  bool descending = false;  // keys run from high to low (the header's descending flag)
  size_t item_size() const { return kNtxItemHeaderSize + key_length; }
};

// One page in memory. Items are kept in slot order (slot i at i * item_size), whatever
// the order of the offsets in the file; slot count() holds only the right-most child.
// For the moment of a split a page may hold max_keys + 1 keys; it is never encoded so.
class NtxPage {
 public:
  NtxPage() = default;

  // An empty leaf of the given shape.
  void Reset(const NtxPageFormat& format);

  // Decodes the 1024 bytes of the page at file offset `offset`, checking what one page
  // can tell of itself: the key count (at most max_keys), every item offset inside the
  // page, child offsets page-aligned, inside a file of `file_size` bytes and not the page
  // itself, either all children or none (a leaf), a record number on every entry, and the
  // keys in order (equal keys allowed). This runs once per page read from the file, never
  // per key access: about one comparison of neighbouring keys per entry, little next to
  // the read itself. Errors are Status::Corruption naming `path` and the page offset.
  static Status DecodeFrom(std::string_view data, const NtxPageFormat& format, uint64_t offset, uint64_t file_size,
                           const std::string& path, NtxPage* page);
  // Writes exactly kNtxPageSize bytes, slots in order.
  void EncodeTo(char* out) const;

  const NtxPageFormat& format() const { return format_; }
  int count() const { return count_; }
  bool is_leaf() const { return child(0) == 0; }

  const char* item(int slot) const { return items_.data() + static_cast<size_t>(slot) * format_.item_size(); }
  char* item(int slot) { return items_.data() + static_cast<size_t>(slot) * format_.item_size(); }
  uint32_t child(int slot) const { return DecodeU32(item(slot)); }
  uint32_t recno(int slot) const { return DecodeU32(item(slot) + 4); }
  std::string_view key(int slot) const { return {item(slot) + kNtxItemHeaderSize, format_.key_length}; }

  void set_count(int count) { count_ = count; }
  void set_child(int slot, uint32_t offset) { EncodeU32(item(slot), offset); }
  // Sets the entry (record number and key) of a slot, keeping its child.
  void SetEntry(int slot, uint32_t recno, std::string_view key);

  // Inserts a new slot at `slot` (child on its left, entry); later slots, the right-most
  // included, move one to the right.
  void InsertItem(int slot, uint32_t child, uint32_t recno, std::string_view key);
  // Adds an entry after the last one (the right-most slot is left as it is: zero on a
  // fresh page).
  void AppendItem(uint32_t child, uint32_t recno, std::string_view key) {
    char* it = item(count_);
    EncodeU32(it, child);
    EncodeU32(it + 4, recno);
    std::memcpy(it + kNtxItemHeaderSize, key.data(), format_.key_length);
    ++count_;
  }
  // Removes slot `slot` with its child; later slots move one to the left.
  void RemoveItem(int slot);
  // Copies n whole slots of `from` starting at from_slot into this page at to_slot.
  void CopySlots(const NtxPage& from, int from_slot, int n, int to_slot);

  // Makes this page a free page whose list link is `next`.
  void MakeFree(uint32_t next);

 private:
  NtxPageFormat format_;
  int count_ = 0;
  // Room for max_keys + 2 slots (one more key than fits on disk, during a split).
  std::array<char, kNtxPageSize + kNtxMaxItemSize> items_{};
};

}  // namespace hurt::xbase
