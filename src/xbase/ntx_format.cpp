#include "xbase/ntx_format.h"

#include <algorithm>
#include <vector>

namespace hurt::xbase {


namespace {

// Bytes before the first item slot: key count and the max + 1 offsets.
size_t SlotTableEnd(int max_keys) { return 2 + 2 * static_cast<size_t>(max_keys + 1); }

std::string PageName(const std::string& path, uint64_t offset) {
  return path + ": index page at offset " + std::to_string(offset);
}

std::string ReadText(std::string_view data, size_t offset, size_t size) {
  std::string_view field = data.substr(offset, size);
  size_t end = field.find('\0');
  return std::string(field.substr(0, end));
}

void WriteText(char* out, std::string_view text, size_t size) {
  std::memcpy(out, text.data(), std::min(text.size(), size - 1));  // the rest stays NUL
}

bool IsPageOffset(uint64_t offset, uint64_t file_size) {
  return offset >= kNtxPageSize && offset % kNtxPageSize == 0 && offset + kNtxPageSize <= file_size;
}

}  // namespace

int NtxMaxKeysFor(int key_length) {
  int max = 1022 / (key_length + 10) - 1;
  if (max % 2 != 0) --max;
  return max;
}

bool NtxLayoutFits(int key_length, int max_keys) {
  if (key_length <= 0 || key_length > kNtxMaxKeyLength || max_keys < 2) return false;
  size_t item_size = kNtxItemHeaderSize + static_cast<size_t>(key_length);
  return SlotTableEnd(max_keys) + static_cast<size_t>(max_keys + 1) * item_size <= kNtxPageSize;
}

// ---- header ---------------------------------------------------------------------------

void NtxCounters::EncodeTo(char* out) const {
  EncodeU16(out + kNtxSignatureOffset, signature);
  EncodeU16(out + kNtxVersionOffset, version);
  EncodeU32(out + kNtxRootOffset, root);
  EncodeU32(out + kNtxFreeOffset, free_list);
}

NtxCounters NtxCounters::DecodeFrom(const char* data) {
  NtxCounters c;
  c.signature = DecodeU16(data + kNtxSignatureOffset);
  c.version = DecodeU16(data + kNtxVersionOffset);
  c.root = DecodeU32(data + kNtxRootOffset);
  c.free_list = DecodeU32(data + kNtxFreeOffset);
  return c;
}

Result<NtxHeader> NtxHeader::ForNewIndex(std::string key_expression, int key_length, int key_decimals, bool unique,
                                         std::string for_expression) {
  if (key_length <= 0 || key_length > kNtxMaxKeyLength) {
    return Status::Invalid("index key length " + std::to_string(key_length) + " is outside 1.." +
                           std::to_string(kNtxMaxKeyLength));
  }
  if (key_decimals < 0 || key_decimals > key_length) {
    return Status::Invalid("index key decimals " + std::to_string(key_decimals) + " do not fit the key");
  }
  if (key_expression.empty() || key_expression.size() >= kNtxExpressionSize) {
    return Status::Invalid("index key expression must have 1.." + std::to_string(kNtxExpressionSize - 1) +
                           " characters");
  }
  if (for_expression.size() >= kNtxExpressionSize) {
    return Status::Invalid("index FOR expression is longer than " + std::to_string(kNtxExpressionSize - 1) +
                           " characters");
  }
  if (key_expression.find('\0') != std::string::npos || for_expression.find('\0') != std::string::npos) {
    return Status::Invalid("index expression contains a NUL byte");
  }
  NtxHeader h;
  h.counters.signature = static_cast<uint16_t>(kNtxSignature | (for_expression.empty() ? 0 : kNtxForFlag));
  h.counters.version = 1;
  h.key_length = static_cast<uint16_t>(key_length);
  h.item_size = static_cast<uint16_t>(key_length + kNtxItemHeaderSize);
  h.key_decimals = static_cast<uint16_t>(key_decimals);
  h.max_keys = static_cast<uint16_t>(NtxMaxKeysFor(key_length));
  h.half_page = static_cast<uint16_t>(h.max_keys / 2);
  h.key_expression = std::move(key_expression);
  h.unique = unique;
  h.for_expression = std::move(for_expression);
  return h;
}

void NtxHeader::EncodeTo(std::string* out) const {
  out->assign(kNtxPageSize, '\0');
  char* p = out->data();
  counters.EncodeTo(p);
  EncodeU16(p + kNtxItemSizeOffset, item_size);
  EncodeU16(p + kNtxKeyLengthOffset, key_length);
  EncodeU16(p + kNtxDecimalsOffset, key_decimals);
  EncodeU16(p + kNtxMaxKeysOffset, max_keys);
  EncodeU16(p + kNtxHalfPageOffset, half_page);
  WriteText(p + kNtxExpressionOffset, key_expression, kNtxExpressionSize);
  EncodeU16(p + kNtxUniqueOffset, unique ? 1 : 0);
  EncodeU16(p + kNtxDescendingOffset, descending ? 1 : 0);
  WriteText(p + kNtxForOffset, for_expression, kNtxExpressionSize);
  WriteText(p + kNtxOrderNameOffset, order_name, kNtxOrderNameSize);
}

Status CheckNtxHeaderOffsets(const NtxCounters& counters, uint64_t file_size, const std::string& path) {
  uint16_t sig = counters.signature;
  if (sig != kNtxSignature && sig != (kNtxSignature | kNtxForFlag) && sig != kNtxOldSignature) {
    return Status::Corruption(path + ": not an NTX index (signature " + std::to_string(sig) + ")");
  }
  if (!IsPageOffset(counters.root, file_size)) {
    return Status::Corruption(path + ": index root page offset " + std::to_string(counters.root) +
                              " is outside the file or not on a page boundary");
  }
  if (counters.free_list != 0 && !IsPageOffset(counters.free_list, file_size)) {
    return Status::Corruption(path + ": index free page offset " + std::to_string(counters.free_list) +
                              " is outside the file or not on a page boundary");
  }
  return Status::Ok();
}

Result<NtxHeader> NtxHeader::DecodeFrom(std::string_view data, uint64_t file_size, const std::string& path) {
  if (data.size() < kNtxPageSize) {
    return Status::Corruption(path + ": index file is truncated (" + std::to_string(data.size()) +
                              " header bytes)");
  }
  const char* p = data.data();
  NtxHeader h;
  h.counters = NtxCounters::DecodeFrom(p);
  h.item_size = DecodeU16(p + kNtxItemSizeOffset);
  h.key_length = DecodeU16(p + kNtxKeyLengthOffset);
  h.key_decimals = DecodeU16(p + kNtxDecimalsOffset);
  h.max_keys = DecodeU16(p + kNtxMaxKeysOffset);
  h.half_page = DecodeU16(p + kNtxHalfPageOffset);
  h.key_expression = ReadText(data, kNtxExpressionOffset, kNtxExpressionSize);
  h.unique = DecodeU16(p + kNtxUniqueOffset) != 0;
  h.descending = DecodeU16(p + kNtxDescendingOffset) != 0;
  h.for_expression = ReadText(data, kNtxForOffset, kNtxExpressionSize);
  h.order_name = ReadText(data, kNtxOrderNameOffset, kNtxOrderNameSize);

  HURT_RETURN_IF_ERROR(CheckNtxHeaderOffsets(h.counters, file_size, path));
  if (h.key_length == 0 || h.key_length > kNtxMaxKeyLength) {
    return Status::Corruption(path + ": index key length " + std::to_string(h.key_length) + " is outside 1.." +
                              std::to_string(kNtxMaxKeyLength));
  }
  if (h.item_size != h.key_length + kNtxItemHeaderSize) {
    return Status::Corruption(path + ": index item size " + std::to_string(h.item_size) +
                              " does not match key length " + std::to_string(h.key_length));
  }
  if (!NtxLayoutFits(h.key_length, h.max_keys)) {
    return Status::Corruption(path + ": index maximum of " + std::to_string(h.max_keys) + " keys of " +
                              std::to_string(h.key_length) + " bytes does not fit a page");
  }
  if (h.key_expression.empty()) return Status::Corruption(path + ": index has no key expression");
  if (h.counters.signature == kNtxOldSignature) h.for_expression.clear();  // old files have no FOR field
  return h;
}

// ---- page -----------------------------------------------------------------------------

void NtxPage::Reset(const NtxPageFormat& format) {
  format_ = format;
  count_ = 0;
  std::memset(items_.data(), 0, items_.size());
}

void NtxPage::SetEntry(int slot, uint32_t recno, std::string_view key) {
  char* it = item(slot);
  EncodeU32(it + 4, recno);
  std::memcpy(it + kNtxItemHeaderSize, key.data(), std::min<size_t>(key.size(), format_.key_length));
}

void NtxPage::InsertItem(int slot, uint32_t child, uint32_t recno, std::string_view key) {
  size_t size = format_.item_size();
  // Slots slot..count (the right-most included) move one to the right.
  std::memmove(item(slot + 1), item(slot), static_cast<size_t>(count_ - slot + 1) * size);
  set_child(slot, child);
  SetEntry(slot, recno, key);
  ++count_;
}

void NtxPage::RemoveItem(int slot) {
  size_t size = format_.item_size();
  std::memmove(item(slot), item(slot + 1), static_cast<size_t>(count_ - slot) * size);
  --count_;
}

void NtxPage::CopySlots(const NtxPage& from, int from_slot, int n, int to_slot) {
  if (n <= 0) return;
  std::memmove(item(to_slot), from.item(from_slot), static_cast<size_t>(n) * format_.item_size());
}

void NtxPage::MakeFree(uint32_t next) {
  count_ = 0;
  std::memset(items_.data(), 0, items_.size());
  set_child(0, next);
}

void NtxPage::EncodeTo(char* out) const {
  std::memset(out, 0, kNtxPageSize);
  int slots = format_.max_keys + 1;
  size_t first = SlotTableEnd(format_.max_keys);
  size_t size = format_.item_size();
  EncodeU16(out, static_cast<uint16_t>(count_));
  for (int i = 0; i < slots; ++i) {
    EncodeU16(out + 2 + 2 * static_cast<size_t>(i), static_cast<uint16_t>(first + static_cast<size_t>(i) * size));
  }
  std::memcpy(out + first, items_.data(), static_cast<size_t>(count_ + 1) * size);
  // The right-most slot carries its child only: readers that take a non-zero record
  // number for an entry must not find a stale one there.
  std::memset(out + first + static_cast<size_t>(count_) * size + 4, 0, size - 4);
}

Status NtxPage::DecodeFrom(std::string_view data, const NtxPageFormat& format, uint64_t offset, uint64_t file_size,
                           const std::string& path, NtxPage* page) {
  if (data.size() < kNtxPageSize) {
    return Status::Corruption(PageName(path, offset) + " lies past the end of the file");
  }
  const char* p = data.data();
  int count = DecodeU16(p);
  if (count > format.max_keys) {
    return Status::Corruption(PageName(path, offset) + " has " + std::to_string(count) + " keys, more than the " +
                              std::to_string(format.max_keys) + " a page holds");
  }
  size_t size = format.item_size();
  size_t first = SlotTableEnd(format.max_keys);
  page->format_ = format;
  page->count_ = count;
  bool leaf = true;
  for (int i = 0; i <= count; ++i) {
    size_t at = DecodeU16(p + 2 + 2 * static_cast<size_t>(i));
    if (at < first || at + size > kNtxPageSize) {
      return Status::Corruption(PageName(path, offset) + ": item " + std::to_string(i) + " offset " +
                                std::to_string(at) + " lies outside the page");
    }
    std::memcpy(page->item(i), p + at, size);
    uint32_t child = page->child(i);
    if (i == 0) leaf = child == 0;
    if ((child == 0) != leaf) {
      return Status::Corruption(PageName(path, offset) + " mixes leaf and branch items");
    }
    if (child != 0 && (!IsPageOffset(child, file_size) || child == offset)) {
      return Status::Corruption(PageName(path, offset) + ": child page offset " + std::to_string(child) +
                                " is outside the file or not on a page boundary");
    }
    if (i == count) break;  // the right-most slot carries only its child
    if (page->recno(i) == 0) {
      return Status::Corruption(PageName(path, offset) + ": key " + std::to_string(i) + " has record number 0");
    }
    if (i > 0) {
      const int c = std::memcmp(page->key(i - 1).data(), page->key(i).data(), format.key_length);
      if (format.descending ? c < 0 : c > 0) {
        return Status::Corruption(PageName(path, offset) + ": key " + std::to_string(i) +
                                  " is out of order on the page");
      }
    }
  }
  return Status::Ok();
}

}  // namespace hurt::xbase
