#include "xbase/dbf_repair.h"

#include "base/text.h"
#include "xbase/dbf_format.h"
#include "xbase/file_util.h"
#include "xbase/lock_layout.h"

namespace hurt::xbase {

namespace {

constexpr int kMaxCopies = 99;
constexpr size_t kCopyBlock = 64 * 1024;

struct Opened {
  std::unique_ptr<File> file;
  DbfHeader header;
  uint64_t size = 0;
};

Result<Opened> OpenHeader(Env& env, const std::string& dbf_path, bool write) {
  OpenOptions options;
  options.write = write;
  auto file = env.Open(dbf_path, options);
  if (!file.ok()) {
    if (file.status().IsNotFound()) return Status::NotFound(dbf_path + ": table not found");
    return file.status();
  }
  Opened o;
  o.file = std::move(file).value();
  if (write) {
    Status locked = o.file->Lock(lock_layout::kOpenModeOffset, lock_layout::kOpenModeLength, LockKind::kExclusive, false);
    if (locked.IsBusy()) return Status::Busy(dbf_path + ": table is open elsewhere");
    HURT_RETURN_IF_ERROR(locked);
  }
  std::string bytes;
  HURT_RETURN_IF_ERROR(ReadBytes(*o.file, 0, kDbfHeaderPrefixSize, &bytes));
  const uint16_t header_length = DbfHeader::PeekHeaderLength(bytes);
  if (header_length > bytes.size()) HURT_RETURN_IF_ERROR(ReadBytes(*o.file, 0, header_length, &bytes));
  auto header = DbfHeader::Decode(bytes, dbf_path);
  if (!header.ok()) return header.status();
  o.header = std::move(header).value();
  auto size = o.file->Size();
  if (!size.ok()) return size.status();
  o.size = *size;
  return o;
}

DbfCount CountOf(const Opened& o) {
  DbfCount count;
  count.header = o.header.record_count;
  const uint64_t whole = o.header.RecordsInFile(o.size);
  count.whole = static_cast<uint32_t>(std::min<uint64_t>(whole, lock_layout::kMaxRecords));
  count.file_size = o.size;
  return count;
}

Status CopyWhole(Env& env, File& from, const std::string& to) {
  OpenOptions create;
  create.create = true;
  create.truncate = true;
  auto out = env.Open(to, create);
  if (!out.ok()) return out.status();
  std::string block;
  for (uint64_t at = 0;; at += kCopyBlock) {
    HURT_RETURN_IF_ERROR(ReadBytes(from, at, kCopyBlock, &block));
    if (block.empty()) break;
    HURT_RETURN_IF_ERROR((*out)->WriteAt(at, block));
    if (block.size() < kCopyBlock) break;
  }
  return (*out)->Sync();
}

}  // namespace

Result<DbfCount> CountDbfRecords(Env& env, const std::string& dbf_path) {
  auto opened = OpenHeader(env, dbf_path, /*write=*/false);
  if (!opened.ok()) return opened.status();
  return CountOf(*opened);
}

Result<std::string> RepairCopyName(Env& env, const std::string& dbf_path) {
  const size_t slash = dbf_path.rfind('/');
  size_t dot = dbf_path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = dbf_path.size();
  const std::string stem = dbf_path.substr(0, dot);
  const std::string extension = dot < dbf_path.size() ? dbf_path.substr(dot) : std::string(".dbf");
  const bool upper = !extension.empty() && Upper(extension) == extension;
  const std::string word = upper ? "_KOPIA" : "_kopia";
  for (int n = 1; n <= kMaxCopies; ++n) {
    const std::string name = stem + word + (n == 1 ? std::string() : std::to_string(n)) + extension;
    if (!env.Exists(name)) return name;
  }
  return Status::Invalid(dbf_path + ": " + std::to_string(kMaxCopies) + " copies of it are kept already");
}

Result<uint32_t> RepairDbfRecordCount(Env& env, const std::string& dbf_path, const std::string& copy_path) {
  auto opened = OpenHeader(env, dbf_path, /*write=*/true);
  if (!opened.ok()) return opened.status();
  Opened& o = *opened;
  const DbfCount count = CountOf(o);
  if (!count.short_file()) {
    return Status::Invalid(dbf_path + ": the header counts " + std::to_string(count.header) +
                           " records and the file holds them; nothing to repair");
  }
  if (env.Exists(copy_path)) return Status::Invalid(copy_path + ": exists already");
  HURT_RETURN_IF_ERROR(CopyWhole(env, *o.file, copy_path));

  // The cut record first, then the count: a crash in between leaves a header that still
  // counts too many records, which the next repair sets right.
  const uint64_t end = o.header.header_length + static_cast<uint64_t>(count.whole) * o.header.record_length;
  HURT_RETURN_IF_ERROR(o.file->Truncate(end));
  HURT_RETURN_IF_ERROR(o.file->WriteAt(end, std::string_view(&kDbfEndOfFile, 1)));
  DbfHeader header = o.header;
  header.record_count = count.whole;
  HURT_RETURN_IF_ERROR(o.file->WriteAt(kDbfDateAndCountOffset, header.EncodeDateAndCount()));
  HURT_RETURN_IF_ERROR(o.file->Sync());
  return count.whole;
}

}  // namespace hurt::xbase
