// Fuzzes the NTX codecs and the index walking code with arbitrary file contents.
//
// An input whose first byte is even is taken as a whole NTX file. One whose first byte is
// odd is a list of (offset low, offset high, value) patches applied to a valid three-level
// index made at start-up, which reaches the deep paths random bytes seldom do. The file's
// header and every page are decoded, then the file is opened through an in-memory File
// and walked, searched, verified and changed. Every outcome must be a Status; crashes,
// leaks, undefined behaviour and endless walks are the bugs looked for.
//
//   mkdir -p /tmp/corpus && build/fuzz/tests/fuzz/fuzz_ntx_page -max_total_time=60 -max_len=8192 \
//       /tmp/corpus tests/fuzz/corpus_ntx_page
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "xbase/env.h"
#include "xbase/ntx.h"
#include "xbase/ntx_format.h"

namespace {

using namespace hurt;
using namespace hurt::xbase;

// A file held in a string; locks always granted (one user).
class StringFile final : public File {
 public:
  explicit StringFile(std::string data) : File("fuzz.ntx"), data_(std::move(data)) {}
  Status ReadAt(uint64_t offset, size_t n, char* buf, size_t* got) override {
    *got = 0;
    if (offset >= data_.size()) return Status::Ok();
    *got = std::min<size_t>(n, data_.size() - static_cast<size_t>(offset));
    std::memcpy(buf, data_.data() + offset, *got);
    return Status::Ok();
  }
  Status WriteAt(uint64_t offset, std::string_view data) override {
    if (offset + data.size() > (size_t{64} << 20)) return Status::IoError("fuzz file too large");
    if (data_.size() < offset + data.size()) data_.resize(static_cast<size_t>(offset + data.size()), '\0');
    std::memcpy(data_.data() + offset, data.data(), data.size());
    return Status::Ok();
  }
  Result<uint64_t> Size() override { return static_cast<uint64_t>(data_.size()); }
  Status Truncate(uint64_t size) override {
    data_.resize(static_cast<size_t>(size));
    return Status::Ok();
  }
  Status Sync() override { return Status::Ok(); }
  Status Lock(uint64_t, uint64_t, LockKind, bool) override { return Status::Ok(); }
  Status Unlock(uint64_t, uint64_t) override { return Status::Ok(); }

 private:
  std::string data_;
};

void DecodeEverything(const std::string& data) {
  auto header = NtxHeader::DecodeFrom(data, data.size(), "fuzz.ntx");
  if (!header.ok()) return;
  NtxPageFormat format{header->key_length, header->max_keys};
  NtxPage page;
  for (size_t offset = kNtxPageSize; offset < data.size(); offset += kNtxPageSize) {
    std::string_view bytes(data.data() + offset, std::min(kNtxPageSize, data.size() - offset));
    if (NtxPage::DecodeFrom(bytes, format, offset, data.size(), "fuzz.ntx", &page).ok()) {
      char out[kNtxPageSize];
      page.EncodeTo(out);
    }
  }
}

void WalkAndChange(const std::string& data) {
  NtxOpenOptions options;
  options.cache_pages = 8;  // evictions on every walk
  auto opened = NtxIndex::OpenFile(std::make_unique<StringFile>(data), options);
  if (!opened.ok()) return;
  NtxIndex& index = **opened;
  NtxCursor cursor(index);
  Status s = cursor.GoTop();
  for (int steps = 0; s.ok() && !cursor.eof() && steps < 2000; ++steps) s = cursor.Skip(1);
  s = cursor.GoBottom();
  for (int steps = 0; s.ok() && !cursor.bof() && steps < 2000; ++steps) s = cursor.Skip(-1);
  std::string key(static_cast<size_t>(index.key_length()), 'M');
  (void)cursor.Seek(key, /*soft=*/true);
  (void)cursor.Seek("A");
  (void)index.Verify(/*strict=*/false);
  for (uint32_t i = 1; i <= 40; ++i) {
    key[0] = static_cast<char>('A' + i % 26);
    (void)index.Insert(key, i);
  }
  for (uint32_t i = 1; i <= 40; i += 2) {
    key[0] = static_cast<char>('A' + i % 26);
    (void)index.Remove(key, i);
  }
  (void)index.Verify(/*strict=*/true);
}

// A valid index of 600 keys of 40 bytes (18 keys a page: three levels).
std::string MakeBase() {
  auto header = NtxHeader::ForNewIndex("KOD", 40, 0, false, "");
  if (!header.ok()) return {};
  header->counters.root = kNtxPageSize;
  std::string data;
  header->EncodeTo(&data);
  NtxPage root;
  root.Reset({header->key_length, header->max_keys});
  data.resize(2 * kNtxPageSize);
  root.EncodeTo(data.data() + kNtxPageSize);
  auto file = std::make_unique<StringFile>(data);
  StringFile* raw = file.get();
  auto opened = NtxIndex::OpenFile(std::move(file), {});
  if (!opened.ok()) return {};
  for (uint32_t i = 1; i <= 600; ++i) {
    std::string key = std::to_string((i * 7919u) % 1000);
    key.resize(40, ' ');
    if (!(*opened)->Insert(key, i).ok()) return {};
  }
  auto size = raw->Size();
  std::string out(static_cast<size_t>(*size), '\0');
  size_t got = 0;
  (void)raw->ReadAt(0, out.size(), out.data(), &got);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (size_t{256} << 10)) return 0;
  std::string bytes;
  if (data[0] % 2 == 0) {
    bytes.assign(reinterpret_cast<const char*>(data), size);
  } else {
    static const std::string base = MakeBase();
    bytes = base;
    for (size_t i = 1; i + 2 < size && !bytes.empty(); i += 3) {
      size_t at = (data[i] | (static_cast<size_t>(data[i + 1]) << 8)) % bytes.size();
      bytes[at] = static_cast<char>(data[i + 2]);
    }
  }
  DecodeEverything(bytes);
  WalkAndChange(bytes);
  return 0;
}
