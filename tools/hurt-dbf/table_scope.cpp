#include "table_scope.h"

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "xbase/key_encoding.h"

namespace hurt::dbftool {

namespace {

// "24/03/as.dbf" gives "AS".
std::string AliasOf(const std::string& path) {
  std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return Upper(name);
}

// A number as typed: optional sign, digits, at most one point; blanks around allowed.
std::optional<double> ParseNumber(std::string_view text) {
  const std::string t = AllTrim(text);
  if (t.empty()) return std::nullopt;
  size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  bool digits = false;
  bool point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      digits = true;
    } else if (t[i] == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  return Val(t);
}

}  // namespace

TableScope::TableScope(xbase::Table& table)
    : table_(table), alias_(AliasOf(table.path())), record_(table.NewRecord()), today_(table.env().clock().Today()) {}

std::optional<int> TableScope::FindArea(std::string_view alias) const {
  if (Upper(alias) == alias_) return kArea;
  return std::nullopt;
}

std::optional<xbase::FieldInfo> TableScope::FindField(int area, std::string_view name) const {
  if (area != kArea) return std::nullopt;
  const int i = table_.FieldIndex(name);
  if (i < 0) return std::nullopt;
  const xbase::DbfFieldDescriptor& f = table_.fields()[static_cast<size_t>(i)];
  return xbase::FieldInfo{xbase::FieldRef{kArea, i}, f.type == 'F' ? 'N' : f.type, f.width, f.decimals};
}

Status TableScope::AppendMemo(xbase::FieldRef field, std::string* out) const {
  auto value = record_.GetValue(field.field);
  if (!value.ok()) return value.status();
  out->append(value->AsString());
  return Status::Ok();
}

Result<std::unique_ptr<IndexKeys>> IndexKeys::Compile(xbase::Table& table, const std::string& index_name,
                                                      const std::string& key_expression,
                                                      const std::string& for_expression) {
  TableScope scope(table);
  auto key = xbase::Expression::Compile(key_expression, scope);
  if (!key.ok()) return key.status().Prefixed(index_name);
  std::unique_ptr<IndexKeys> keys(new IndexKeys(table, std::move(*key)));
  if (!IsBlank(for_expression)) {
    auto cond = xbase::Expression::Compile(for_expression, scope);
    if (!cond.ok()) return cond.status().Prefixed(index_name + ": FOR condition");
    if (cond->type() != xbase::ValueType::kLogical && cond->type() != xbase::ValueType::kNil) {
      return Status::Invalid(index_name + ": FOR condition \"" + for_expression + "\" is not logical");
    }
    keys->for_.emplace(std::move(*cond));
  }
  keys->scope_.SetBlank();
  auto shape = xbase::KeyShapeOf(keys->key_, keys->scope_);
  if (!shape.ok()) return shape.status().Prefixed(index_name);
  keys->shape_ = *shape;
  return keys;
}

Status IndexKeys::KeyOf(const xbase::Record& record, size_t length, std::string* out) {
  scope_.SetRecord(record);
  out->clear();
  HURT_RETURN_IF_ERROR(xbase::AppendKey(key_, shape_, scope_, out));
  out->resize(length, ' ');
  return Status::Ok();
}

Result<bool> IndexKeys::ForHolds(const xbase::Record& record) {
  if (!for_) return true;
  scope_.SetRecord(record);
  return for_->EvalLogical(scope_);
}

Result<std::string> IndexKeys::SeekKey(const std::string& cp852_text, const xbase::KeyFormat& format) const {
  switch (shape_.type) {
    case xbase::ValueType::kNumeric: {
      auto number = ParseNumber(cp852_text);
      if (!number) return Status::Invalid("\"" + cp852_text + "\" is not a number, and the key is numeric");
      return xbase::EncodeSeekKey(xbase::Value(*number), format);
    }
    case xbase::ValueType::kDate: {
      std::optional<JulianDay> day = Stod(cp852_text);
      if (!day || (*day == kEmptyDate && !IsBlank(cp852_text))) day = Ctod(cp852_text);
      if (!day) return Status::Invalid("\"" + cp852_text + "\" is not a date (YYYYMMDD or dd.mm.yyyy)");
      return xbase::EncodeSeekKey(xbase::Value(xbase::Date{*day}), format);
    }
    case xbase::ValueType::kLogical: {
      const std::string t = Upper(AllTrim(cp852_text));
      if (t != "T" && t != "F") return Status::Invalid("\"" + cp852_text + "\" is not T or F");
      return t;
    }
    default:
      return xbase::EncodeSeekKey(xbase::Value(cp852_text), format);
  }
}

}  // namespace hurt::dbftool
