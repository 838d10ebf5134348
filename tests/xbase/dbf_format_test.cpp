// The DBF header codec: byte layout, and every kind of damage reported by name.
#include "xbase/dbf_format.h"

#include <gtest/gtest.h>

#include "xbase/endian_codec.h"

namespace hurt::xbase {
namespace {

DbfHeader SampleHeader() {
  DbfHeader h;
  h.version = kDbfVersionWithMemo;
  h.update_year = 2026;
  h.update_month = 3;
  h.update_day = 14;
  h.record_count = 2;
  h.fields = {{"INDEKS", 'C', 8, 0}, {"CENA", 'N', 12, 2}, {"DATA", 'D', 8, 0}, {"JEST", 'L', 1, 0},
              {"OPIS", 'M', 10, 0}, {"DLUGI", 'C', 300, 0}};
  h.header_length = static_cast<uint16_t>(32 + 32 * h.fields.size() + 2);
  h.record_length = 1 + 8 + 12 + 8 + 1 + 10 + 300;
  return h;
}

std::string Encoded(const DbfHeader& h) {
  std::string s;
  h.EncodeTo(&s);
  return s;
}

std::string DecodeError(const std::string& bytes) {
  auto h = DbfHeader::Decode(bytes, "as.dbf");
  EXPECT_FALSE(h.ok());
  if (h.ok()) return "";
  EXPECT_TRUE(h.status().IsCorruption()) << h.status().ToString();
  EXPECT_EQ(h.status().message().rfind("as.dbf: ", 0), 0u) << "names the file: " << h.status().message();
  return h.status().message();
}

TEST(DbfFormat, EncodesTheClassicLayoutAndDecodesItBack) {
  DbfHeader h = SampleHeader();
  std::string bytes = Encoded(h);
  ASSERT_EQ(bytes.size(), h.header_length);
  EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0x83);
  EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 126);  // 2026 - 1900
  EXPECT_EQ(bytes[2], 3);
  EXPECT_EQ(bytes[3], 14);
  EXPECT_EQ(DecodeU32(bytes.data() + 4), 2u);
  EXPECT_EQ(DecodeU16(bytes.data() + 8), h.header_length);
  EXPECT_EQ(DecodeU16(bytes.data() + 10), h.record_length);
  EXPECT_EQ(static_cast<uint8_t>(bytes[29]), 0x64);
  // Second descriptor: "CENA" NUL-padded, type N, width 12, decimals 2.
  EXPECT_EQ(bytes.substr(64, 11), std::string("CENA\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(bytes[64 + 11], 'N');
  EXPECT_EQ(bytes[64 + 16], 12);
  EXPECT_EQ(bytes[64 + 17], 2);
  // A 300-wide character field keeps its high byte in the decimals byte.
  EXPECT_EQ(static_cast<uint8_t>(bytes[32 * 6 + 16]), 300 & 0xFF);
  EXPECT_EQ(bytes[32 * 6 + 17], 1);
  EXPECT_EQ(bytes[32 + 32 * 6], 0x0D);
  EXPECT_EQ(bytes[32 + 32 * 6 + 1], 0x00);

  auto back = DbfHeader::Decode(bytes, "as.dbf");
  ASSERT_TRUE(back.ok()) << back.status().ToString();
  EXPECT_EQ(back->fields, h.fields);
  EXPECT_EQ(back->record_count, 2u);
  EXPECT_EQ(back->update_year, 2026);
  EXPECT_EQ(back->record_length, h.record_length);
  EXPECT_TRUE(back->HasMemoFields());
}

TEST(DbfFormat, AcceptsHeadersOfOtherWriters) {
  DbfHeader h = SampleHeader();
  h.fields.pop_back();
  h.record_length = static_cast<uint16_t>(h.record_length - 300);
  h.header_length = static_cast<uint16_t>(32 + 32 * h.fields.size() + 1);  // 0x0D only
  std::string bytes = Encoded(h);
  bytes[30] = 'x';             // reserved bytes are not looked at
  bytes[32 + 7] = 'Q';         // garbage after the name's NUL
  bytes[32 * 2 + 11] = 'F';    // a float field reads as numeric
  auto back = DbfHeader::Decode(bytes, "t.dbf");
  ASSERT_TRUE(back.ok()) << back.status().ToString();
  EXPECT_EQ(back->fields[0].name, "INDEKS");
  EXPECT_EQ(back->fields[1].type, 'F');
  EXPECT_EQ(back->header_length, bytes.size());
}

TEST(DbfFormat, DamagedHeadersAreCorruptionNamingTheFileAndTheFault) {
  const std::string good = Encoded(SampleHeader());

  EXPECT_NE(DecodeError(good.substr(0, 20)).find("truncated"), std::string::npos);
  EXPECT_NE(DecodeError(good.substr(0, 100)).find("truncated"), std::string::npos);

  std::string v = good;
  v[0] = 0x30;
  EXPECT_NE(DecodeError(v).find("version byte 0x30"), std::string::npos);

  std::string plain_with_memo = good;
  plain_with_memo[0] = 0x03;
  EXPECT_NE(DecodeError(plain_with_memo).find("OPIS is a memo"), std::string::npos);

  // Header length claiming one field less: the terminator is not inside it.
  std::string short_hl = good;
  EncodeU16(short_hl.data() + 8, static_cast<uint16_t>(32 + 32 * 5 + 2));
  EXPECT_NE(DecodeError(short_hl).find("header length"), std::string::npos);

  // Header length far beyond the descriptors.
  std::string long_hl = good + std::string(600, '\0');
  EncodeU16(long_hl.data() + 8, static_cast<uint16_t>(long_hl.size()));
  EXPECT_NE(DecodeError(long_hl).find("inconsistent with 6 fields"), std::string::npos);

  std::string tiny_hl = good;
  EncodeU16(tiny_hl.data() + 8, 40);
  EXPECT_NE(DecodeError(tiny_hl).find("too short"), std::string::npos);

  std::string reclen = good;
  EncodeU16(reclen.data() + 10, 100);
  EXPECT_NE(DecodeError(reclen).find("not the sum of the field widths"), std::string::npos);

  std::string type = good;
  type[32 + 11] = 'X';
  EXPECT_NE(DecodeError(type).find("bad field type 'X'"), std::string::npos);

  std::string date_width = good;
  date_width[32 * 3 + 16] = 6;
  EXPECT_NE(DecodeError(date_width).find("DATA: type D must have width 8"), std::string::npos);

  std::string decimals = good;
  decimals[32 * 2 + 17] = 12;
  EXPECT_NE(DecodeError(decimals).find("bad decimals"), std::string::npos);

  std::string dup = good;
  dup.replace(32 * 2, 6, std::string("INDEKS", 6));
  EXPECT_NE(DecodeError(dup).find("duplicate field name INDEKS"), std::string::npos);

  std::string no_name = good;
  no_name[32] = '\0';
  EXPECT_NE(DecodeError(no_name).find("without a name"), std::string::npos);

  std::string long_name = good;
  for (int i = 0; i < 11; ++i) long_name[32 + i] = 'A';
  EXPECT_NE(DecodeError(long_name).find("not ended by NUL"), std::string::npos);
}

TEST(DbfFormat, RecordCountMustFitTheFile) {
  DbfHeader h = SampleHeader();
  const uint64_t data_start = h.header_length;
  h.record_count = 3;
  EXPECT_TRUE(h.CheckFileSize(data_start + 3 * h.record_length + 1, "as.dbf").ok());
  Status s = h.CheckFileSize(data_start + 2 * h.record_length + 100, "as.dbf");
  EXPECT_TRUE(s.IsCorruption());
  EXPECT_NE(s.message().find("as.dbf: header record count 3 is larger than the file allows (2 records)"),
            std::string::npos)
      << s.message();
  EXPECT_TRUE(h.CheckFileSize(data_start - 1, "as.dbf").IsCorruption());
  EXPECT_EQ(h.RecordsInFile(data_start + 5 * h.record_length - 1), 4u) << "a partial record is not counted";
  EXPECT_EQ(h.RecordsInFile(0), 0u);
}

}  // namespace
}  // namespace hurt::xbase
