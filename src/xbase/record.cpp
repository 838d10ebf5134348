#include "xbase/record.h"

#include <algorithm>
#include <cmath>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "xbase/dbt.h"
#include "xbase/table.h"

namespace hurt::xbase {

namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

std::string Describe(const DbfFieldDescriptor& f) {
  std::string s = f.name + " (" + f.type + " " + std::to_string(f.width);
  if (f.type == 'N' || f.type == 'F') s += "," + std::to_string(f.decimals);
  return s + ")";
}

const char* TypeName(const Value& v) {
  switch (v.type()) {
    case ValueType::kCharacter: return "a text";
    case ValueType::kNumeric: return "a number";
    case ValueType::kDate: return "a date";
    case ValueType::kLogical: return "a logical";
    case ValueType::kNil: return "NIL";
  }
  return "a value";
}

Status Mismatch(const DbfFieldDescriptor& f, const Value& v) {
  return Status::Invalid("field " + Describe(f) + " cannot hold " + TypeName(v));
}

}  // namespace

TableSchema::TableSchema(std::vector<DbfFieldDescriptor> fields) : fields_(std::move(fields)) {
  offsets_.reserve(fields_.size());
  uint32_t offset = 1;
  for (const auto& f : fields_) {
    offsets_.push_back(offset);
    offset += static_cast<uint32_t>(f.width);
    has_memo_ = has_memo_ || f.type == 'M';
  }
  record_length_ = offset;
}

int TableSchema::FieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (SameNameIgnoringCase(fields_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string TableSchema::BlankRecord() const { return std::string(record_length_, ' '); }

Value DecodeFieldValue(const DbfFieldDescriptor& field, std::string_view bytes) {
  switch (field.type) {
    case 'N':
    case 'F':
      return Val(bytes);
    case 'D': {
      std::optional<JulianDay> day = Stod(bytes);
      return Date{day.value_or(kEmptyDate)};
    }
    case 'L': {
      char c = bytes.empty() ? ' ' : bytes[0];
      return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
    default:
      return std::string(bytes);
  }
}

Result<std::string> EncodeFieldValue(const DbfFieldDescriptor& field, const Value& value) {
  const auto width = static_cast<size_t>(field.width);
  if (value.IsNil()) return std::string(width, ' ');
  switch (field.type) {
    case 'C':
      if (!value.IsString()) return Mismatch(field, value);
      return PadR(value.AsString(), width);
    case 'N':
    case 'F': {
      if (!value.IsNumber()) return Mismatch(field, value);
      std::string text = NumericFieldText(value.AsNumber(), field.width, field.decimals);
      if (text.empty()) {
        return Status::Invalid("value " + FormatFixed(value.AsNumber(), field.decimals) + " does not fit field " +
                               Describe(field));
      }
      return text;
    }
    case 'D': {
      if (!value.IsDate()) return Mismatch(field, value);
      JulianDay day = value.AsDate().day;
      if (day == kEmptyDate) return std::string(8, ' ');
      // Only years 1..9999 have a YYYYMMDD form.
      if (day < JulianFromYmd(1, 1, 1) || day > JulianFromYmd(9999, 12, 31)) {
        return Status::Invalid("date (day " + std::to_string(day) + ") has no YYYYMMDD form for field " +
                               Describe(field));
      }
      return Dtos(day);
    }
    case 'L':
      if (!value.IsLogical()) return Mismatch(field, value);
      return std::string(value.AsLogical() ? "T" : "F");
    case 'M':
      return Status::Invalid("memo field " + field.name + " is written through Record::SetValue");
    default:
      return Status::Invalid("field " + Describe(field) + " has an unknown type");
  }
}

Record::Record(std::shared_ptr<const TableSchema> schema) : schema_(std::move(schema)) {
  if (schema_) bytes_ = schema_->BlankRecord();
}

void Record::SetDeleted(bool deleted) {
  if (!bytes_.empty()) bytes_[0] = deleted ? kRecordDeleted : kRecordLive;
}

void Record::Blank() {
  if (schema_) bytes_ = schema_->BlankRecord();
}

Status Record::SetBytes(std::string_view raw) {
  if (!schema_) return Status::Invalid("record has no table layout");
  if (raw.size() != schema_->record_length()) {
    return Status::Invalid("record of " + std::to_string(raw.size()) + " bytes given for records of " +
                           std::to_string(schema_->record_length()));
  }
  bytes_.assign(raw);
  return Status::Ok();
}

Status Record::CheckIndex(int i) const {
  if (!schema_) return Status::Invalid("record has no table layout");
  if (i < 0 || i >= schema_->field_count()) return Status::Invalid("field number " + std::to_string(i) + " out of range");
  return Status::Ok();
}

std::string_view Record::FieldBytes(int i) const {
  if (!schema_ || i < 0 || i >= schema_->field_count()) return {};
  return std::string_view(bytes_).substr(schema_->offset(i), static_cast<size_t>(schema_->field(i).width));
}

Status Record::SetFieldBytes(int i, std::string_view raw) {
  HURT_RETURN_IF_ERROR(CheckIndex(i));
  // In place, without a padded copy: Replace calls this for every field it writes.
  const auto width = static_cast<size_t>(schema_->field(i).width);
  const size_t offset = schema_->offset(i);
  const size_t n = std::min(raw.size(), width);
  bytes_.replace(offset, n, raw.data(), n);
  std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(offset + n),
            bytes_.begin() + static_cast<std::ptrdiff_t>(offset + width), ' ');
  return Status::Ok();
}

Result<Value> Record::GetValue(int i) const {
  HURT_RETURN_IF_ERROR(CheckIndex(i));
  const DbfFieldDescriptor& f = schema_->field(i);
  if (f.type != 'M') return DecodeFieldValue(f, FieldBytes(i));
  auto block = ParseMemoBlock(FieldBytes(i));
  if (!block.ok()) return block.status().Prefixed("field " + f.name);
  if (*block == 0) return Value(std::string());
  if (table_ == nullptr) return Status::Invalid("field " + f.name + ": record is not bound to a table with a memo file");
  auto text = table_->ReadMemo(*block);
  if (!text.ok()) return text.status();
  return Value(std::move(text).value());
}

Result<Value> Record::GetValue(std::string_view field_name) const {
  int i = schema_ ? schema_->FieldIndex(field_name) : -1;
  if (i < 0) return Status::Invalid("no field " + std::string(field_name));
  return GetValue(i);
}

Status Record::SetValue(int i, const Value& value) {
  HURT_RETURN_IF_ERROR(CheckIndex(i));
  const DbfFieldDescriptor& f = schema_->field(i);
  std::string bytes;
  if (f.type == 'M') {
    if (!value.IsNil() && !value.IsString()) return Mismatch(f, value);
    uint32_t block = 0;
    if (!value.AsString().empty()) {
      if (table_ == nullptr) return Status::Invalid("field " + f.name + ": record is not bound to a table with a memo file");
      auto written = table_->WriteMemo(value.AsString());
      if (!written.ok()) return written.status();
      block = *written;
    }
    bytes = MemoBlockText(block);
  } else {
    auto encoded = EncodeFieldValue(f, value);
    if (!encoded.ok()) return encoded.status();
    bytes = std::move(encoded).value();
  }
  bytes_.replace(schema_->offset(i), bytes.size(), bytes);
  return Status::Ok();
}

Status Record::SetValue(std::string_view field_name, const Value& value) {
  int i = schema_ ? schema_->FieldIndex(field_name) : -1;
  if (i < 0) return Status::Invalid("no field " + std::string(field_name));
  return SetValue(i, value);
}

}  // namespace hurt::xbase
