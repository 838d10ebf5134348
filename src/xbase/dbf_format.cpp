#include "xbase/dbf_format.h"

#include <cstdio>
#include <set>

#include "base/text.h"
#include "xbase/endian_codec.h"

namespace hurt::xbase {

namespace {

std::string Hex(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

std::string Printable(std::string_view s) {
  std::string out;
  for (char c : s) {
    auto u = static_cast<uint8_t>(c);
    if (u >= 0x20 && u < 0x7F) {
      out += c;
    } else {
      out += "\\x" + Hex(u).substr(2);
    }
  }
  return out;
}

std::string TypeText(char type) {
  auto u = static_cast<uint8_t>(type);
  if (u > 0x20 && u < 0x7F) return std::string("'") + type + "'";
  return Hex(u);
}

uint8_t Byte(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

}  // namespace

void DbfFieldDescriptor::EncodeTo(std::string* out) const {
  char d[kDbfFieldDescriptorSize] = {};
  for (size_t i = 0; i < name.size() && i < kMaxFieldNameLength; ++i) d[i] = name[i];
  d[11] = type;
  if (type == 'C') {
    d[16] = static_cast<char>(width & 0xFF);
    d[17] = static_cast<char>((width >> 8) & 0xFF);
  } else {
    d[16] = static_cast<char>(width & 0xFF);
    d[17] = static_cast<char>(decimals & 0xFF);
  }
  out->append(d, sizeof d);
}

Status DbfFieldDescriptor::DecodeFrom(std::string_view in) {
  if (in.size() < kDbfFieldDescriptorSize) return Status::Corruption("field descriptor cut short");
  std::string_view raw_name = in.substr(0, 11);
  size_t nul = raw_name.find('\0');
  if (nul == std::string_view::npos) return Status::Corruption("field name '" + Printable(raw_name) + "' is not ended by NUL");
  name = std::string(raw_name.substr(0, nul));
  // A few writers pad names with blanks before the NUL.
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) return Status::Corruption("field without a name");
  for (char c : name) {
    auto u = static_cast<uint8_t>(c);
    if (u <= 0x20 || u >= 0x7F) return Status::Corruption("field name '" + Printable(name) + "' has a bad character");
  }
  type = in[11];
  uint8_t w = Byte(in, 16);
  uint8_t d = Byte(in, 17);
  const std::string what = "field " + name + ": ";
  switch (type) {
    case 'C':
      width = w + 256 * d;
      decimals = 0;
      if (width == 0) return Status::Corruption(what + "character field of width 0");
      break;
    case 'N':
    case 'F':
      width = w;
      decimals = d;
      if (width < 1 || width > 32) return Status::Corruption(what + "numeric width " + std::to_string(width) + " out of range");
      if (decimals > 15 || (decimals > 0 && decimals >= width)) {
        return Status::Corruption(what + "numeric " + std::to_string(width) + "," + std::to_string(decimals) +
                                  " has bad decimals");
      }
      break;
    case 'D':
    case 'L':
    case 'M': {
      width = w;
      decimals = d;
      int expected = type == 'D' ? 8 : type == 'L' ? 1 : 10;
      if (width != expected) {
        return Status::Corruption(what + "type " + type + " must have width " + std::to_string(expected) + ", not " +
                                  std::to_string(width));
      }
      break;
    }
    default:
      return Status::Corruption(what + "bad field type " + TypeText(type));
  }
  return Status::Ok();
}

bool DbfHeader::HasMemoFields() const {
  for (const auto& f : fields) {
    if (f.type == 'M') return true;
  }
  return false;
}

void DbfHeader::EncodeTo(std::string* out) const {
  size_t start = out->size();
  char p[kDbfHeaderPrefixSize] = {};
  p[0] = static_cast<char>(version);
  std::string dc = EncodeDateAndCount();
  for (size_t i = 0; i < dc.size(); ++i) p[kDbfDateAndCountOffset + i] = dc[i];
  EncodeU16(p + 8, header_length);
  EncodeU16(p + 10, record_length);
  p[29] = static_cast<char>(language);
  out->append(p, sizeof p);
  for (const auto& f : fields) f.EncodeTo(out);
  out->push_back(kDbfHeaderTerminator);
  size_t written = out->size() - start;
  if (written < header_length) out->append(header_length - written, '\0');
}

std::string DbfHeader::EncodeDateAndCount() const {
  char b[kDbfDateAndCountSize];
  int yy = update_year - 1900;
  b[0] = static_cast<char>(yy < 0 ? 0 : yy > 255 ? 255 : yy);
  b[1] = static_cast<char>(update_month);
  b[2] = static_cast<char>(update_day);
  EncodeU32(b + 3, record_count);
  return std::string(b, sizeof b);
}

uint16_t DbfHeader::PeekHeaderLength(std::string_view prefix) {
  if (prefix.size() < 10) return 0;
  return DecodeU16(prefix.data() + 8);
}

Result<DbfHeader> DbfHeader::Decode(std::string_view bytes, const std::string& file_name) {
  auto bad = [&](const std::string& what) { return Status::Corruption(file_name + ": " + what); };
  if (bytes.size() < kDbfHeaderPrefixSize) {
    return bad("truncated file: " + std::to_string(bytes.size()) + " bytes, a table header needs at least 32");
  }
  DbfHeader h;
  h.version = Byte(bytes, 0);
  if (h.version != kDbfVersionPlain && h.version != kDbfVersionWithMemo) {
    return bad("wrong version byte " + Hex(h.version) + " (a dBASE III table has 0x03 or 0x83)");
  }
  h.update_year = 1900 + Byte(bytes, 1);
  h.update_month = Byte(bytes, 2);
  h.update_day = Byte(bytes, 3);
  h.record_count = DecodeU32(bytes.data() + 4);
  h.header_length = DecodeU16(bytes.data() + 8);
  h.record_length = DecodeU16(bytes.data() + 10);
  h.language = Byte(bytes, 29);

  const size_t hl = h.header_length;
  if (hl < kDbfHeaderPrefixSize + kDbfFieldDescriptorSize + 1) {
    return bad("header length " + std::to_string(hl) + " is too short for even one field");
  }
  if (bytes.size() < hl) {
    return bad("truncated file: header length is " + std::to_string(hl) + " bytes but the file has only " +
               std::to_string(bytes.size()));
  }

  // Descriptors run from offset 32 until a slot that starts with the 0x0D terminator.
  size_t pos = kDbfHeaderPrefixSize;
  std::set<std::string> names;
  for (;;) {
    if (pos >= hl) return bad("header length " + std::to_string(hl) + " ends before the field list's 0x0D terminator");
    if (bytes[pos] == kDbfHeaderTerminator) break;
    if (pos + kDbfFieldDescriptorSize > hl) {
      return bad("header length " + std::to_string(hl) + " cuts field descriptor " + std::to_string(h.fields.size() + 1));
    }
    DbfFieldDescriptor f;
    Status s = f.DecodeFrom(bytes.substr(pos, kDbfFieldDescriptorSize));
    if (!s.ok()) return bad("field " + std::to_string(h.fields.size() + 1) + ": " + s.message());
    if (!names.insert(Upper(f.name)).second) return bad("duplicate field name " + f.name);
    h.fields.push_back(std::move(f));
    pos += kDbfFieldDescriptorSize;
  }
  if (h.fields.empty()) return bad("the table has no fields");
  size_t needed = kDbfHeaderPrefixSize + kDbfFieldDescriptorSize * h.fields.size() + 1;
  if (hl - needed > kDbfMaxHeaderSlack) {
    return bad("header length " + std::to_string(hl) + " is inconsistent with " + std::to_string(h.fields.size()) +
               " fields (expected " + std::to_string(needed + 1) + ")");
  }

  uint64_t sum = 1;
  for (const auto& f : h.fields) sum += static_cast<uint64_t>(f.width);
  if (sum != h.record_length) {
    return bad("record length " + std::to_string(h.record_length) + " is not the sum of the field widths plus 1 (" +
               std::to_string(sum) + ")");
  }
  if (h.version == kDbfVersionPlain && h.HasMemoFields()) {
    for (const auto& f : h.fields) {
      if (f.type == 'M') return bad("field " + f.name + " is a memo but version byte 0x03 declares no memo file");
    }
  }
  return h;
}

uint64_t DbfHeader::RecordsInFile(uint64_t file_size) const {
  if (file_size <= header_length || record_length == 0) return 0;
  return (file_size - header_length) / record_length;
}

Status DbfHeader::CheckFileSize(uint64_t file_size, const std::string& file_name) const {
  if (file_size < header_length) {
    return Status::Corruption(file_name + ": truncated file: " + std::to_string(file_size) +
                              " bytes, shorter than its header (" + std::to_string(header_length) + ")");
  }
  uint64_t room = RecordsInFile(file_size);
  if (record_count > room) {
    return Status::Corruption(file_name + ": header record count " + std::to_string(record_count) +
                              " is larger than the file allows (" + std::to_string(room) + " records)");
  }
  return Status::Ok();
}

}  // namespace hurt::xbase
