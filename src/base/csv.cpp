#include "base/csv.h"

#include <array>

#include "base/cp852.h"

namespace hurt {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kReadBlock = 64 * 1024;

// Unicode code points of the Windows-1250 bytes 0x80..0xFF (0: the byte stands for nothing).
constexpr std::array<char32_t, 128> kCp1250High = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

unsigned char UnicodeToCp1250(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  for (size_t i = 0; i < kCp1250High.size(); ++i)
    if (kCp1250High[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return 0;
}

// The code page 852 byte of one character; an error names it when there is none.
Result<char> Cp852Of(char32_t cp) {
  const unsigned char b = UnicodeToCp852(cp);
  if (b == 0 && cp != 0) {
    std::string shown;
    AppendUtf8(shown, cp);
    return Status::Invalid("\"" + shown + "\" is a character that code page 852 cannot store");
  }
  return static_cast<char>(b);
}

bool ValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    // A sequence cut by the end of a sample is not a fault of the text.
    const unsigned char b = static_cast<unsigned char>(text[i]);
    const size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    if (length > 1 && i + length > text.size()) return true;
    if (DecodeUtf8(text, i) == 0xFFFD) return false;
  }
  return true;
}

}  // namespace

std::string_view CsvFileStart(CsvEncoding encoding) {
  return encoding == CsvEncoding::kUtf8Bom ? kByteOrderMark : std::string_view();
}

std::string CsvEncodeText(std::string_view cp852, CsvEncoding encoding) {
  if (encoding != CsvEncoding::kCp1250) return Cp852ToUtf8(cp852);
  std::string out;
  out.reserve(cp852.size());
  for (char c : cp852) {
    const unsigned char b = UnicodeToCp1250(Cp852ToUnicode(static_cast<unsigned char>(c)));
    out.push_back(b == 0 && c != 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

Result<std::string> CsvDecodeText(std::string_view bytes, CsvEncoding encoding) {
  std::string out;
  out.reserve(bytes.size());
  if (encoding == CsvEncoding::kCp1250) {
    for (char c : bytes) {
      const unsigned char b = static_cast<unsigned char>(c);
      const char32_t cp = b < 0x80 ? char32_t{b} : kCp1250High[b - 0x80];
      if (cp == 0 && b != 0) return Status::Invalid("byte " + std::to_string(b) + " stands for no Windows-1250 character");
      auto converted = Cp852Of(cp);
      if (!converted.ok()) return converted.status();
      out.push_back(*converted);
    }
    return out;
  }
  for (size_t i = 0; i < bytes.size();) {
    const size_t at = i;
    const char32_t cp = DecodeUtf8(bytes, i);
    if (cp == 0xFFFD && bytes.substr(at, 3) != "\xEF\xBF\xBD") {
      return Status::Invalid("the text is not UTF-8 (a Windows-1250 file needs that said)");
    }
    auto converted = Cp852Of(cp);
    if (!converted.ok()) return converted.status();
    out.push_back(*converted);
  }
  return out;
}

void AppendCsvField(std::string* line, std::string_view value, char separator, bool first) {
  if (!first) line->push_back(separator);
  const char special[] = {separator, '"', '\r', '\n', '\0'};
  const bool quote = value.find_first_of(special) != std::string_view::npos ||
                     (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!quote) {
    line->append(value);
    return;
  }
  line->push_back('"');
  for (char c : value) {
    if (c == '"') line->push_back('"');
    line->push_back(c);
  }
  line->push_back('"');
}

std::string CsvNumber(std::string_view number, const CsvDialect& dialect) {
  std::string out(number);
  if (dialect.decimal_comma) {
    for (char& c : out)
      if (c == '.') c = ',';
  }
  return out;
}

CsvLayout SniffCsv(std::string_view start, bool cp1250) {
  CsvLayout layout;
  if (start.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    layout.skip = kByteOrderMark.size();
    start.remove_prefix(layout.skip);
    layout.encoding = CsvEncoding::kUtf8;
  } else {
    layout.encoding = cp1250 || !ValidUtf8(start) ? CsvEncoding::kCp1250 : CsvEncoding::kUtf8;
  }
  bool quoted = false;
  for (char c : start) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == ';' || c == ',') {
      layout.separator = c;
      break;
    }
    if (c == '\n') break;
  }
  return layout;
}

int CsvReader::Get() {
  if (pushed_ != -2) {
    const int c = pushed_;
    pushed_ = -2;
    return c;
  }
  if (at_ == buffer_.size()) {
    if (ended_) return EOF;
    buffer_.resize(kReadBlock);
    const size_t got = source_(buffer_.data(), buffer_.size());
    buffer_.resize(got);
    at_ = 0;
    if (got == 0) {
      ended_ = true;
      return EOF;
    }
  }
  return static_cast<unsigned char>(buffer_[at_++]);
}

Result<bool> CsvReader::Next(std::vector<std::string>* fields) {
  fields->clear();
  record_line_ = line_;
  int c = Get();
  if (c == EOF) return false;
  std::string field;
  // CR LF, or a lone CR, ends a line as LF does.
  auto end_of_line = [this](int ch) {
    if (ch != '\r') return ch;
    const int next = Get();
    if (next != '\n') Unget(next);
    return static_cast<int>('\n');
  };
  while (true) {
    if (c == '"' && field.empty()) {
      // Quoted: up to the closing quote; "" is one quote.
      while (true) {
        c = Get();
        if (c == EOF) return Status::Invalid("line " + std::to_string(record_line_) + ": a quote is never closed");
        if (c == '\n') ++line_;
        if (c == '"') {
          c = Get();
          if (c != '"') break;
        }
        field.push_back(static_cast<char>(c));
      }
      c = end_of_line(c);
      if (c != separator_ && c != '\n' && c != EOF) {
        return Status::Invalid("line " + std::to_string(line_) + ": text after a closing quote");
      }
    } else {
      while (c != separator_ && c != '\n' && c != '\r' && c != EOF) {
        field.push_back(static_cast<char>(c));
        c = Get();
      }
      c = end_of_line(c);
    }
    fields->push_back(std::move(field));
    field.clear();
    if (c == '\n') {
      ++line_;
      return true;
    }
    if (c == EOF) return true;
    c = Get();  // after a separator
    if (c == EOF || c == '\n' || c == '\r') {
      // A separator at the end of the line: one more empty field ends the record.
      fields->emplace_back();
      if (c != EOF) {
        end_of_line(c);
        ++line_;
      }
      return true;
    }
  }
}

}  // namespace hurt
