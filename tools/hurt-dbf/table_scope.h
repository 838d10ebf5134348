// One open table as the scope of expressions: what an index key or FOR condition stored in
// an NTX header needs to be compiled and evaluated outside the program's work areas.
//
// Names resolve to the table's fields (also as ALIAS->FIELD, the alias being the file
// name without extension); there are no session variables. The current record is the one
// last handed to SetRecord (a blank record at first).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "xbase/expr.h"
#include "xbase/expr_key.h"
#include "xbase/key_encoding.h"
#include "xbase/record.h"
#include "xbase/table.h"

namespace hurt::dbftool {

class TableScope final : public xbase::ExprScope, public xbase::ExprContext {
 public:
  explicit TableScope(xbase::Table& table);

  void SetRecord(const xbase::Record& record) { record_ = record; }
  void SetBlank() { record_ = table_.NewRecord(); }
  const xbase::Record& record() const { return record_; }

  // ExprScope
  int CurrentArea() const override { return kArea; }
  std::optional<int> FindArea(std::string_view alias) const override;
  std::optional<xbase::FieldInfo> FindField(int area, std::string_view name) const override;
  std::optional<int> FindVariable(std::string_view) const override { return std::nullopt; }

  // ExprContext
  std::string_view FieldBytes(xbase::FieldRef field) const override { return record_.FieldBytes(field.field); }
  Status AppendMemo(xbase::FieldRef field, std::string* out) const override;
  const xbase::Value* Variable(int) const override { return nullptr; }
  uint32_t RecNo(int) const override { return record_.recno(); }
  bool Deleted(int) const override { return record_.deleted(); }
  JulianDay Today() const override { return today_; }

 private:
  static constexpr int kArea = 1;
  xbase::Table& table_;
  std::string alias_;
  xbase::Record record_;
  JulianDay today_;
};

// An index's key expression (and FOR condition) compiled against a table, producing the
// key bytes of a record in the index's key length.
class IndexKeys {
 public:
  // Compiles the texts; Invalid naming the index when they do not compile or give no
  // fixed key shape.
  static Result<std::unique_ptr<IndexKeys>> Compile(xbase::Table& table, const std::string& index_name,
                                                    const std::string& key_expression,
                                                    const std::string& for_expression);

  const xbase::KeyShape& shape() const { return shape_; }
  bool has_for() const { return for_.has_value(); }

  // The key of the record (exactly `length` bytes: padded or cut to an index's length).
  Status KeyOf(const xbase::Record& record, size_t length, std::string* out);
  // The FOR condition on the record (true without one).
  Result<bool> ForHolds(const xbase::Record& record);
  // The bytes to seek for a typed-in key: a number, a date (YYYYMMDD or dd.mm.yyyy) or
  // text (a prefix), following the key's type.
  Result<std::string> SeekKey(const std::string& cp852_text, const xbase::KeyFormat& format) const;

 private:
  IndexKeys(xbase::Table& table, xbase::Expression key) : scope_(table), key_(std::move(key)) {}
  TableScope scope_;
  xbase::Expression key_;
  std::optional<xbase::Expression> for_;
  xbase::KeyShape shape_;
};

}  // namespace hurt::dbftool
