#include "csv.h"

namespace hurt::dbftool {

void AppendCsvField(std::string* line, std::string_view value, bool first) {
  if (!first) line->push_back(',');
  const bool quote = value.find_first_of(",\"\r\n") != std::string_view::npos ||
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

int CsvReader::Get() {
  if (pushed_ != -2) {
    const int c = pushed_;
    pushed_ = -2;
    return c;
  }
  return std::fgetc(file_);
}

Result<bool> CsvReader::Next(std::vector<std::string>* fields) {
  fields->clear();
  record_line_ = line_;
  int c = Get();
  if (c == EOF) return false;
  std::string field;
  while (true) {
    if (c == '"' && field.empty()) {
      // Quoted field: up to the closing quote; "" is one quote.
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
      if (c == '\r') {
        const int next = Get();
        if (next != '\n') pushed_ = next;
        c = '\n';
      }
      if (c != ',' && c != '\n' && c != EOF) {
        return Status::Invalid("line " + std::to_string(line_) + ": text after a closing quote");
      }
    } else {
      while (c != ',' && c != '\n' && c != '\r' && c != EOF) {
        field.push_back(static_cast<char>(c));
        c = Get();
      }
      if (c == '\r') {
        const int next = Get();
        if (next != '\n') pushed_ = next;
        c = '\n';
      }
    }
    fields->push_back(std::move(field));
    field.clear();
    if (c == '\n') {
      ++line_;
      return true;
    }
    if (c == EOF) return true;
    c = Get();  // after a comma
    if (c == EOF || c == '\n' || c == '\r') {
      // A trailing comma: one more empty field, then the end of the record.
      fields->emplace_back();
      if (c == '\r') {
        const int next = Get();
        if (next != '\n') pushed_ = next;
      }
      if (c != EOF) ++line_;
      return true;
    }
  }
}

}  // namespace hurt::dbftool
