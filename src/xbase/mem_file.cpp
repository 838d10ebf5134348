#include "xbase/mem_file.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <random>

#include "base/date.h"
#include "base/text.h"

namespace hurt::xbase {

namespace {

constexpr size_t kTypeOffset = 11;
constexpr size_t kLengthOffset = 16;
constexpr size_t kHighOffset = 17;
constexpr JulianDay kLastDate = 5'373'484;  // 31.12.9999

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsValidName(std::string_view name) {
  if (name.empty() || name.size() > kMemMaxNameLength) return false;
  if (name[0] >= '0' && name[0] <= '9') return false;
  for (char c : name)
    if (!IsNameChar(c)) return false;
  return true;
}

void PutDouble(std::string* dst, double d) {
  uint64_t bits = std::bit_cast<uint64_t>(d);
  for (int i = 0; i < 8; ++i) dst->push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

double GetDouble(std::string_view src) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(src[static_cast<size_t>(i)]);
  return std::bit_cast<double>(bits);
}

// "parametr.mem: variable 3 (J_VAT): <what>"
Status Damaged(const std::string& file, size_t index, std::string_view name, std::string_view what) {
  std::string msg = file + ": variable " + std::to_string(index + 1);
  if (!name.empty()) msg += " (" + std::string(name) + ")";
  return Status::Corruption(msg + ": " + std::string(what));
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A name no other writer picks: two stations saving the same file at once must not share
// a temporary file.
std::string TemporaryNameFor(const std::string& path) {
  std::random_device random;
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%08x%08x.tmp", random(), random());
  return path + suffix;
}

Status WriteFileAtomically(Env& env, const std::string& path, std::string_view bytes) {
  const std::string temp = TemporaryNameFor(path);
  Status status = [&]() -> Status {
    auto file = env.Open(temp, OpenOptions{.write = true, .create = true, .truncate = true});
    if (!file.ok()) return file.status();
    HURT_RETURN_IF_ERROR((*file)->WriteAt(0, bytes));
    HURT_RETURN_IF_ERROR((*file)->Sync());
    return Status::Ok();
  }();  // the temporary file is closed here, before the rename
  if (status.ok()) status = env.Rename(temp, path);
  if (!status.ok()) {
    (void)env.Remove(temp);
    return status;
  }
  // Make the rename itself durable. Not every file system syncs a folder; the file is in
  // place either way, so a refusal here is not an error.
  auto folder = env.Open(FolderOf(path), OpenOptions{.write = false});
  if (folder.ok()) (void)(*folder)->Sync();
  return Status::Ok();
}

}  // namespace

void MemVarHeader::EncodeTo(std::string* dst) const {
  std::string header(kMemHeaderSize, '\0');
  header.replace(0, name.size(), name);
  header[kTypeOffset] = static_cast<char>(static_cast<unsigned char>(type) | kMemTypeHighBit);
  header[kLengthOffset] = static_cast<char>(length_low);
  header[kHighOffset] = static_cast<char>(length_high);
  dst->append(header);
}

Status MemVarHeader::DecodeFrom(std::string_view* input) {
  if (input->size() < kMemHeaderSize) return Status::Corruption("header cut short");
  std::string_view field = input->substr(0, kMemNameFieldSize);
  size_t end = field.find('\0');
  if (end == std::string_view::npos) return Status::Corruption("name not ended by a zero byte");
  name = std::string(field.substr(0, end));
  if (!IsValidName(name)) return Status::Corruption("bad variable name");
  type = static_cast<char>(static_cast<unsigned char>((*input)[kTypeOffset]) & ~kMemTypeHighBit);
  if (type != 'C' && type != 'N' && type != 'D' && type != 'L')
    return Status::Corruption("unknown type " + std::to_string(static_cast<unsigned char>((*input)[kTypeOffset])));
  length_low = static_cast<uint8_t>((*input)[kLengthOffset]);
  length_high = static_cast<uint8_t>((*input)[kHighOffset]);
  input->remove_prefix(kMemHeaderSize);
  return Status::Ok();
}

Result<std::string> EncodeMemFile(const std::vector<MemVar>& vars) {
  std::string out;
  for (const MemVar& var : vars) {
    if (!IsValidName(var.name)) return Status::Invalid("memory variable name \"" + var.name + "\" is not valid");
    MemVarHeader header;
    header.name = Upper(var.name);
    switch (var.value.type()) {
      case ValueType::kCharacter: {
        const std::string& text = var.value.AsString();
        if (text.size() > kMemMaxTextLength)
          return Status::Invalid(var.name + ": text of " + std::to_string(text.size()) + " bytes is too long");
        size_t length = text.size() + 1;
        header.type = 'C';
        header.length_low = static_cast<uint8_t>(length & 0xFF);
        header.length_high = static_cast<uint8_t>(length >> 8);
        header.EncodeTo(&out);
        out.append(text);
        out.push_back('\0');
        break;
      }
      case ValueType::kNumeric: {
        int width = var.width == 0 ? MemDefaultWidth(var.decimals) : var.width;
        if (width < 1 || width > 255 || var.decimals < 0 || var.decimals > kMemMaxDecimals)
          return Status::Invalid(var.name + ": width " + std::to_string(width) + " and decimals " +
                                 std::to_string(var.decimals) + " do not fit a memory file");
        header.type = 'N';
        header.length_low = static_cast<uint8_t>(width);
        header.length_high = static_cast<uint8_t>(var.decimals);
        header.EncodeTo(&out);
        PutDouble(&out, var.value.AsNumber());
        break;
      }
      case ValueType::kDate:
        header.type = 'D';
        header.length_low = 1;
        header.EncodeTo(&out);
        PutDouble(&out, static_cast<double>(var.value.AsDate().day));
        break;
      case ValueType::kLogical:
        header.type = 'L';
        header.length_low = 1;
        header.EncodeTo(&out);
        out.push_back(var.value.AsLogical() ? '\1' : '\0');
        break;
      case ValueType::kNil:
        return Status::Invalid(var.name + ": a memory variable needs a value");
    }
  }
  out.push_back(kMemEndOfFile);
  return out;
}

Result<std::vector<MemVar>> DecodeMemFile(std::string_view bytes, const std::string& file_name) {
  std::vector<MemVar> vars;
  std::string_view input = bytes;
  for (size_t index = 0;; ++index) {
    if (input.empty()) {
      if (bytes.empty()) return Status::Corruption(file_name + ": empty file");
      return Status::Corruption(file_name + ": end mark missing after variable " + std::to_string(index) +
                                " (file cut short)");
    }
    if (input[0] == kMemEndOfFile) break;
    MemVarHeader header;
    if (Status s = header.DecodeFrom(&input); !s.ok()) return Damaged(file_name, index, "", s.message());

    MemVar var;
    var.name = Upper(header.name);
    switch (header.type) {
      case 'C': {
        size_t length = header.length_low | (static_cast<size_t>(header.length_high) << 8);
        if (length == 0) return Damaged(file_name, index, var.name, "text length 0");
        if (length > input.size())
          return Damaged(file_name, index, var.name,
                         "text of " + std::to_string(length) + " bytes runs past the end of the file");
        if (input[length - 1] != '\0') return Damaged(file_name, index, var.name, "text not ended by a zero byte");
        var.value = std::string(input.substr(0, length - 1));
        input.remove_prefix(length);
        break;
      }
      case 'N': {
        if (input.size() < kMemNumberSize) return Damaged(file_name, index, var.name, "number cut short");
        double d = GetDouble(input);
        if (!std::isfinite(d)) return Damaged(file_name, index, var.name, "number is not finite");
        if (header.length_high > kMemMaxDecimals) {
          return Damaged(file_name, index, var.name, "number has " + std::to_string(header.length_high) + " decimals");
        }
        var.value = d;
        var.width = header.length_low;
        var.decimals = header.length_high;
        input.remove_prefix(kMemNumberSize);
        break;
      }
      case 'D': {
        if (input.size() < kMemNumberSize) return Damaged(file_name, index, var.name, "date cut short");
        double d = GetDouble(input);
        if (!std::isfinite(d) || d < 0 || d >= static_cast<double>(kLastDate) + 1)
          return Damaged(file_name, index, var.name, "date out of range");
        var.value = Date{static_cast<JulianDay>(d)};
        input.remove_prefix(kMemNumberSize);
        break;
      }
      default: {  // 'L': DecodeFrom admits only the four letters
        if (input.empty()) return Damaged(file_name, index, var.name, "logical value cut short");
        var.value = input[0] != '\0';
        input.remove_prefix(1);
        break;
      }
    }
    vars.push_back(std::move(var));
  }
  return vars;
}

Result<std::vector<MemVar>> ReadMemFile(Env& env, const std::string& path) {
  auto file = env.Open(path, OpenOptions{.write = false});
  if (!file.ok()) return file.status();
  auto size = (*file)->Size();
  if (!size.ok()) return size.status();
  if (*size > kMemMaxFileSize)
    return Status::Corruption(path + ": " + std::to_string(*size) + " bytes is too large for a memory file");
  std::string bytes(static_cast<size_t>(*size), '\0');
  size_t got = 0;
  HURT_RETURN_IF_ERROR((*file)->ReadAt(0, bytes.size(), bytes.data(), &got));
  bytes.resize(got);
  return DecodeMemFile(bytes, path);
}

Status WriteMemFile(Env& env, const std::string& path, const std::vector<MemVar>& vars) {
  auto bytes = EncodeMemFile(vars);
  if (!bytes.ok()) return bytes.status().Prefixed(path);
  return WriteFileAtomically(env, path, *bytes);
}

}  // namespace hurt::xbase
