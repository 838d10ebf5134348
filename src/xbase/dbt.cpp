#include "xbase/dbt.h"

#include <algorithm>

#include "xbase/endian_codec.h"
#include "xbase/file_util.h"
#include "xbase/lock_layout.h"

namespace hurt::xbase {

namespace {

// Next-free pointers further than this beyond the end of the file are taken as damage.
constexpr uint64_t kMaxBlocksBeyondEnd = 65536;

bool IsUpperAscii(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }

std::string HeaderBlock(uint32_t next_free) {
  std::string block(kMemoBlockSize, '\0');
  EncodeU32(block.data(), next_free);
  block[16] = 0x03;
  return block;
}

}  // namespace

std::string MemoPathFor(const std::string& dbf_path) {
  size_t slash = dbf_path.rfind('/');
  size_t dot = dbf_path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return dbf_path + ".dbt";
  std::string_view ext(dbf_path.data() + dot + 1, dbf_path.size() - dot - 1);
  bool upper = false;
  bool lower = false;
  for (char c : ext) {
    upper = upper || IsUpperAscii(c);
    lower = lower || IsLowerAscii(c);
  }
  return dbf_path.substr(0, dot) + ((upper && !lower) ? ".DBT" : ".dbt");
}

Result<uint32_t> ParseMemoBlock(std::string_view field_bytes) {
  uint64_t block = 0;
  bool digits_started = false;
  for (char c : field_bytes) {
    if (c == ' ' || c == '\0') {
      if (digits_started) return Status::Corruption("memo field '" + std::string(field_bytes) + "' is not a block number");
      continue;
    }
    if (c < '0' || c > '9') return Status::Corruption("memo field '" + std::string(field_bytes) + "' is not a block number");
    digits_started = true;
    block = block * 10 + static_cast<uint64_t>(c - '0');
    if (block > 0xFFFFFFFFu) return Status::Corruption("memo block number '" + std::string(field_bytes) + "' too large");
  }
  return static_cast<uint32_t>(block);
}

std::string MemoBlockText(uint32_t block) {
  if (block == 0) return std::string(10, ' ');
  std::string digits = std::to_string(block);
  return std::string(10 - digits.size(), ' ') + digits;
}

Status MemoFile::Initialize(File& file) {
  HURT_RETURN_IF_ERROR(file.Truncate(0));
  return file.WriteAt(0, HeaderBlock(1));
}

Result<std::unique_ptr<MemoFile>> MemoFile::Open(Env& env, const std::string& path, Mode mode) {
  OpenOptions options;
  // An exclusive byte lock needs a file open for writing.
  options.write = !mode.read_only || mode.exclusive;
  auto file = env.Open(path, options);
  if (!file.ok()) {
    if (file.status().IsNotFound()) return Status::NotFound(path + ": memo file is missing");
    return file.status();
  }
  Status locked = (*file)->Lock(lock_layout::kOpenModeOffset, lock_layout::kOpenModeLength,
                                mode.exclusive ? LockKind::kExclusive : LockKind::kShared, false);
  if (locked.IsBusy()) {
    return Status::Busy(path + (mode.exclusive ? ": memo file is open elsewhere" : ": memo file is open exclusively elsewhere"));
  }
  HURT_RETURN_IF_ERROR(locked);
  auto size = (*file)->Size();
  if (!size.ok()) return size.status();
  if (*size < 4) return Status::Corruption(path + ": truncated memo file: " + std::to_string(*size) + " bytes");
  return std::unique_ptr<MemoFile>(new MemoFile(std::move(file).value(), mode));
}

Result<std::string> MemoFile::Read(uint32_t block) {
  if (block == 0) return std::string();
  auto size = file_->Size();
  if (!size.ok()) return size.status();
  uint64_t offset = static_cast<uint64_t>(block) * kMemoBlockSize;
  if (offset >= *size) {
    return Status::Corruption(path() + ": memo block " + std::to_string(block) + " lies past the end of the file (" +
                              std::to_string((*size + kMemoBlockSize - 1) / kMemoBlockSize) + " blocks)");
  }
  std::string text;
  std::string chunk;
  for (;;) {
    HURT_RETURN_IF_ERROR(ReadBytes(*file_, offset, kMemoBlockSize, &chunk));
    size_t end = chunk.find(kMemoEndMark);
    if (end != std::string::npos) {
      text.append(chunk, 0, end);
      return text;
    }
    text += chunk;
    if (chunk.size() < kMemoBlockSize) return text;  // cut by the end of the file
    if (text.size() > kMaxMemoLength) {
      return Status::Corruption(path() + ": memo at block " + std::to_string(block) + " has no end mark within " +
                                std::to_string(kMaxMemoLength) + " bytes");
    }
    offset += kMemoBlockSize;
  }
}

Status MemoFile::Check(uint32_t block) {
  if (block == 0) return Status::Ok();
  auto size = file_->Size();
  if (!size.ok()) return size.status();
  const uint64_t blocks = (*size + kMemoBlockSize - 1) / kMemoBlockSize;
  if (block >= blocks) {
    return Status::Corruption("memo block " + std::to_string(block) + " lies past the end of the memo file (" +
                              std::to_string(blocks) + " blocks)");
  }
  std::string header;
  HURT_RETURN_IF_ERROR(ReadBytes(*file_, 0, 4, &header));
  if (header.size() == 4) {
    const uint64_t next = DecodeU32(header.data());
    if (next <= blocks && block >= next) {
      return Status::Corruption("memo block " + std::to_string(block) + " lies beyond the next free block " +
                                std::to_string(next) + " of the memo file");
    }
  }
  std::string chunk;
  for (uint64_t offset = static_cast<uint64_t>(block) * kMemoBlockSize, read = 0;; offset += kMemoBlockSize) {
    HURT_RETURN_IF_ERROR(ReadBytes(*file_, offset, kMemoBlockSize, &chunk));
    if (chunk.find(kMemoEndMark) != std::string::npos) return Status::Ok();
    read += chunk.size();
    if (chunk.size() < kMemoBlockSize) {
      return Status::Corruption("memo at block " + std::to_string(block) + " has no end mark before the end of the file");
    }
    if (read > kMaxMemoLength) {
      return Status::Corruption("memo at block " + std::to_string(block) + " has no end mark within " +
                                std::to_string(kMaxMemoLength) + " bytes");
    }
  }
}

Result<uint32_t> MemoFile::Write(std::string_view text) {
  if (text.empty()) return 0u;
  if (mode_.read_only) return Status::Invalid(path() + ": memo file opened read only");
  if (text.find(kMemoEndMark) != std::string_view::npos) {
    return Status::Invalid(path() + ": memo text contains the end mark 0x1A");
  }
  if (text.size() > kMaxMemoLength) return Status::Invalid(path() + ": memo text longer than 16 MB");
  if (mode_.exclusive) return WriteLocked(text);
  HURT_RETURN_IF_ERROR(file_->Lock(lock_layout::kMemoLockOffset, lock_layout::kMemoLockLength, LockKind::kExclusive, true));
  Result<uint32_t> block = WriteLocked(text);
  Status unlocked = file_->Unlock(lock_layout::kMemoLockOffset, lock_layout::kMemoLockLength);
  if (block.ok() && !unlocked.ok()) return unlocked;
  return block;
}

Result<uint32_t> MemoFile::WriteLocked(std::string_view text) {
  std::string header;
  HURT_RETURN_IF_ERROR(ReadBytes(*file_, 0, 4, &header));
  if (header.size() < 4) return Status::Corruption(path() + ": truncated memo file header");
  auto size = file_->Size();
  if (!size.ok()) return size.status();
  uint64_t end_block = (*size + kMemoBlockSize - 1) / kMemoBlockSize;
  uint64_t next = DecodeU32(header.data());
  if (next > end_block + kMaxBlocksBeyondEnd) {
    return Status::Corruption(path() + ": next free block " + std::to_string(next) + " lies far past the end of the file (" +
                              std::to_string(end_block) + " blocks)");
  }
  uint64_t first = std::max<uint64_t>({next, end_block, 1});
  uint64_t blocks = (text.size() + 2 + kMemoBlockSize - 1) / kMemoBlockSize;
  if (first + blocks > 0xFFFFFFFFu) return Status::Invalid(path() + ": memo file is full");

  std::string data(text);
  data.push_back(kMemoEndMark);
  data.push_back(kMemoEndMark);
  data.resize(static_cast<size_t>(blocks * kMemoBlockSize), '\0');
  HURT_RETURN_IF_ERROR(file_->WriteAt(first * kMemoBlockSize, data));
  char pointer[4];
  EncodeU32(pointer, static_cast<uint32_t>(first + blocks));
  HURT_RETURN_IF_ERROR(file_->WriteAt(0, std::string_view(pointer, 4)));
  return static_cast<uint32_t>(first);
}

Status MemoFile::Zap() {
  if (!mode_.exclusive || mode_.read_only) return Status::Invalid(path() + ": emptying a memo file needs exclusive use");
  // Pointer first: a crash before the truncation leaves blocks that are never referenced.
  std::string header = HeaderBlock(1);
  HURT_RETURN_IF_ERROR(file_->WriteAt(0, header));
  return file_->Truncate(kMemoBlockSize);
}

}  // namespace hurt::xbase
