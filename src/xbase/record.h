// The layout of a table's records (TableSchema) and a record buffer (Record).
//
// A Record is the raw bytes of one record plus the schema that gives them meaning: byte 0
// is the deleted flag (' ' or '*'), then the fields at their offsets. Typed access goes
// through Value; FieldBytes gives the raw field bytes without copying (index keys are
// built from them).
//
// A Record made by Table::NewRecord or filled by Table::Read is bound to that table, so
// its memo fields can be read and written through the table's .dbt file; it must not be
// used for memo access after the table is closed. A Record made from a schema alone works
// for every other field type.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/dbf_format.h"
#include "xbase/value.h"

namespace hurt::xbase {

class Table;
class RecordScanner;

class TableSchema {
 public:
  explicit TableSchema(std::vector<DbfFieldDescriptor> fields);

  int field_count() const { return static_cast<int>(fields_.size()); }
  const std::vector<DbfFieldDescriptor>& fields() const { return fields_; }
  const DbfFieldDescriptor& field(int i) const { return fields_[static_cast<size_t>(i)]; }
  // Byte offset of field i inside the record (the deleted flag is byte 0).
  uint32_t offset(int i) const { return offsets_[static_cast<size_t>(i)]; }
  uint32_t record_length() const { return record_length_; }
  bool has_memo() const { return has_memo_; }

  // The index of a field by name, ignoring ASCII case; -1 when there is no such field.
  int FieldIndex(std::string_view name) const;
  // A live record with every field blank.
  std::string BlankRecord() const;

 private:
  std::vector<DbfFieldDescriptor> fields_;
  std::vector<uint32_t> offsets_;
  uint32_t record_length_ = 1;
  bool has_memo_ = false;
};

// The Value of a C, N, F, D or L field's bytes: C the bytes as they are, N the number they
// read as (blank is 0), D the date (blank or invalid gives the empty date), L true for
// T, t, Y or y. Memo fields need their table: use Record::GetValue.
Value DecodeFieldValue(const DbfFieldDescriptor& field, std::string_view bytes);

// The bytes of a C, N, F, D or L field holding value. NIL gives a blank field. Invalid on a
// type mismatch, a number that does not fit the width and decimals, or a date that has no
// 8-digit form.
Result<std::string> EncodeFieldValue(const DbfFieldDescriptor& field, const Value& value);

class Record {
 public:
  Record() = default;
  // A blank live record of the schema, bound to no table.
  explicit Record(std::shared_ptr<const TableSchema> schema);

  bool IsBound() const { return schema_ != nullptr; }
  const TableSchema& schema() const { return *schema_; }
  const std::shared_ptr<const TableSchema>& shared_schema() const { return schema_; }

  // The record number this record was read from or appended as; 0 for a new record.
  uint32_t recno() const { return recno_; }

  bool deleted() const { return !bytes_.empty() && bytes_[0] == kRecordDeleted; }
  void SetDeleted(bool deleted);

  // Every field blank, not deleted.
  void Blank();

  // The raw record (deleted flag included).
  const std::string& bytes() const { return bytes_; }
  // Replaces the raw record; Invalid unless raw has exactly the record length.
  Status SetBytes(std::string_view raw);

  // The raw bytes of field i; empty for a bad index. Valid until the record changes.
  std::string_view FieldBytes(int i) const;
  // Replaces the raw bytes of field i (blank-padded or cut to its width), no checks of
  // the contents: for copying fields between tables of the same layout.
  Status SetFieldBytes(int i, std::string_view raw);

  // The typed value of field i (see DecodeFieldValue; M gives the memo text read through
  // the table). Only memo fields can fail: an unbound record, a damaged memo file.
  Result<Value> GetValue(int i) const;
  Result<Value> GetValue(std::string_view field_name) const;

  // Stores value in field i. C: text blank-padded or cut to the width; N: a number that
  // must fit the width and decimals; D: a date; L: a logical; M: text written to the
  // table's memo file at once (new blocks) and its block number stored here; NIL blanks
  // the field. Invalid on a type mismatch or a number that does not fit; the record is
  // unchanged then.
  Status SetValue(int i, const Value& value);
  Status SetValue(std::string_view field_name, const Value& value);

 private:
  friend class Table;
  friend class RecordScanner;
  Status CheckIndex(int i) const;

  std::shared_ptr<const TableSchema> schema_;
  Table* table_ = nullptr;
  std::string bytes_;
  uint32_t recno_ = 0;
};

}  // namespace hurt::xbase
