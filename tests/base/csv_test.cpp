// CSV for programs and for spreadsheets: quoting, encodings, reading either dialect, and
// random records through the writer and back.
#include "base/csv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "base/cp852.h"

namespace hurt {
namespace {

using namespace hurt::literals;

// A source over its own copy of the text (the text given may be a temporary).
CsvReader::Source SourceOf(std::string text) {
  auto held = std::make_shared<std::string>(std::move(text));
  auto at = std::make_shared<size_t>(0);
  return [held, at](char* buf, size_t n) {
    const size_t got = std::min(n, held->size() - *at);
    std::memcpy(buf, held->data() + *at, got);
    *at += got;
    return got;
  };
}

std::vector<std::vector<std::string>> ReadAll(const std::string& text, char separator) {
  CsvReader reader(SourceOf(text), separator);
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> fields;
  for (;;) {
    auto more = reader.Next(&fields);
    EXPECT_TRUE(more.ok()) << more.status().ToString();
    if (!more.ok() || !*more) return rows;
    rows.push_back(fields);
  }
}

TEST(CsvWriter, QuotesWhatTheSeparatorQuotesLineBreaksAndEdgeBlanksWouldBreak) {
  std::string line;
  AppendCsvField(&line, "a,b", ';', true);           // a comma is plain text in ";" files
  AppendCsvField(&line, "x;y", ';', false);
  AppendCsvField(&line, "powiedział \"tak\"", ';', false);
  AppendCsvField(&line, "dwie\r\nlinie", ';', false);
  AppendCsvField(&line, " K3", ';', false);
  AppendCsvField(&line, "", ';', false);
  EXPECT_EQ(line, "a,b;\"x;y\";\"powiedział \"\"tak\"\"\";\"dwie\r\nlinie\";\" K3\";");

  EXPECT_EQ(CsvNumber("-1234.50", CsvDialect::Spreadsheet()), "-1234,50");
  EXPECT_EQ(CsvNumber("-1234.50", CsvDialect::Program()), "-1234.50");
}

TEST(CsvEncoding, PolishLettersInWindows1250AndUtf8) {
  const std::string cp852 = std::string("Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ"_pl);
  const std::string cp1250 = CsvEncodeText(cp852, CsvEncoding::kCp1250);
  EXPECT_EQ(cp1250,
            "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF");
  EXPECT_EQ(*CsvDecodeText(cp1250, CsvEncoding::kCp1250), cp852);
  EXPECT_EQ(CsvEncodeText(cp852, CsvEncoding::kUtf8Bom), "Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ");
  EXPECT_EQ(*CsvDecodeText("Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ", CsvEncoding::kUtf8), cp852);

  // Box drawing has no Windows-1250 byte; a euro sign has no code page 852 one.
  EXPECT_EQ(CsvEncodeText(std::string("▒"_pl), CsvEncoding::kCp1250), "?");
  EXPECT_TRUE(CsvDecodeText("\x80", CsvEncoding::kCp1250).status().IsInvalid());
  EXPECT_TRUE(CsvDecodeText("10 €", CsvEncoding::kUtf8).status().IsInvalid());
  EXPECT_TRUE(CsvDecodeText("\xB3\xF3", CsvEncoding::kUtf8).status().IsInvalid());  // Windows-1250 bytes
}

TEST(CsvLayout, TheStartOfAFileTellsEncodingAndSeparator) {
  CsvLayout bom = SniffCsv("\xEF\xBB\xBFKOD;NAZWA\r\nA;\"x,y\"\r\n");
  EXPECT_EQ(bom.encoding, CsvEncoding::kUtf8);
  EXPECT_EQ(bom.separator, ';');
  EXPECT_EQ(bom.skip, 3u);

  CsvLayout program = SniffCsv("KOD,NAZWA\nA,\"x;y\"\n");
  EXPECT_EQ(program.encoding, CsvEncoding::kUtf8);
  EXPECT_EQ(program.separator, ',');
  EXPECT_EQ(program.skip, 0u);

  EXPECT_EQ(SniffCsv("KOD;NAZWA\r\nA;\xA3\xF3\xBF" "ko\r\n").encoding, CsvEncoding::kCp1250);
  EXPECT_EQ(SniffCsv("KOD;NAZWA\r\nA;abc\r\n", /*cp1250=*/true).encoding, CsvEncoding::kCp1250);
  EXPECT_EQ(SniffCsv("\xEF\xBB\xBFKOD\n", /*cp1250=*/true).encoding, CsvEncoding::kUtf8);
  // A UTF-8 letter cut by the end of the sample does not make the file Windows-1250.
  EXPECT_EQ(SniffCsv("KOD;NAZWA\nA;\xC5").encoding, CsvEncoding::kUtf8);
}

TEST(CsvReader, ReadsQuotedFieldsAcrossLinesAndEitherLineEnd) {
  const auto rows = ReadAll("A;\"b;\"\"c\"\"\";\"d\r\ne\"\r\n;;\nlast", ';');
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"A", "b;\"c\"", "d\r\ne"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"last"}));

  CsvReader reader(SourceOf("a,b\n\"open\nstill"), ',');
  std::vector<std::string> fields;
  EXPECT_TRUE(*reader.Next(&fields));
  auto bad = reader.Next(&fields);
  EXPECT_TRUE(bad.status().IsInvalid());
  EXPECT_NE(bad.status().message().find("line 2"), std::string::npos) << bad.status().message();
  CsvReader after_quote(SourceOf("\"a\"b,c\n"), ',');
  EXPECT_TRUE(after_quote.Next(&fields).status().IsInvalid());
}

// Records of random bytes of code page 852 text, written in either dialect and read back,
// are what was written (records as large as several read blocks included).
TEST(CsvRoundTrip, RandomRecordsComeBackAsWritten) {
  std::mt19937 random(20261208);
  const std::string alphabet = std::string("ab ;,\"\r\nŁóżĘ0.9-"_pl);
  for (int round = 0; round < 200; ++round) {
    const CsvDialect dialect = round % 2 == 0 ? CsvDialect::Spreadsheet() : CsvDialect::Program();
    std::vector<std::vector<std::string>> records(1 + random() % 5);
    std::string file;
    for (auto& record : records) {
      record.resize(1 + random() % 6);
      for (size_t f = 0; f < record.size(); ++f) {
        const size_t length = round == 7 ? 70000 : random() % 12;
        for (size_t i = 0; i < length; ++i) record[f] += alphabet[random() % alphabet.size()];
        AppendCsvField(&file, CsvEncodeText(record[f], dialect.encoding), dialect.separator, f == 0);
      }
      file += dialect.line_end;
    }
    const auto rows = ReadAll(file, dialect.separator);
    ASSERT_EQ(rows.size(), records.size()) << "round " << round;
    for (size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(rows[r].size(), records[r].size()) << "round " << round;
      for (size_t f = 0; f < rows[r].size(); ++f) {
        EXPECT_EQ(*CsvDecodeText(rows[r][f], dialect.encoding), records[r][f]) << "round " << round;
      }
    }
  }
}

}  // namespace
}  // namespace hurt
