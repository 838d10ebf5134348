#include "xbase/expr_key.h"

#include <algorithm>

#include "base/date.h"
#include "base/numeric.h"
#include "xbase/expr_ast.h"

namespace hurt::xbase {

namespace {

const char* TypeWord(ValueType t) { return expr_internal::TypeName(t); }

Status Problem(const Expression& key, const std::string& what) {
  return Status::Invalid("index key \"" + key.text() + "\": " + what);
}

}  // namespace

void AppendNumericKey(double x, int length, int decimals, std::string* out) {
  const size_t start = out->size();
  out->append(Str(x, length, decimals));
  bool negative = false;
  for (size_t i = start; i < out->size(); ++i) {
    char& c = (*out)[i];
    if (c == ' ') c = '0';
    if (c == '-') {
      c = '0';
      negative = true;
    }
  }
  if (!negative) return;
  for (size_t i = start; i < out->size(); ++i) {
    char& c = (*out)[i];
    if (c >= '0' && c <= '9') c = static_cast<char>(44 - (c - '0'));
  }
}

Result<KeyShape> KeyShapeOf(Expression& key, const ExprContext& blank) {
  Value v;
  Status s = key.Eval(blank, &v);
  if (!s.ok()) return s;
  KeyShape shape;
  shape.type = key.type() != ValueType::kNil ? key.type() : v.type();
  if (v.type() != shape.type)
    return Problem(key, std::string("gives a ") + TypeWord(v.type()) + " value where " + TypeWord(shape.type) +
                            " was expected");
  switch (shape.type) {
    case ValueType::kCharacter:
      shape.length = key.width().value_or(static_cast<int>(v.AsString().size()));
      break;
    case ValueType::kDate: shape.length = 8; break;
    case ValueType::kLogical: shape.length = 1; break;
    case ValueType::kNumeric: {
      auto field = key.numeric_shape();
      shape.length = field ? field->first : 10;
      shape.decimals = field ? field->second : 0;
      break;
    }
    case ValueType::kNil: return Problem(key, "has no value on a blank record");
  }
  if (shape.length <= 0) return Problem(key, "is empty on a blank record");
  if (shape.length > kMaxKeyLength)
    return Problem(key, "is " + std::to_string(shape.length) + " bytes long, more than " +
                            std::to_string(kMaxKeyLength));
  return shape;
}

Status AppendKey(Expression& key, const KeyShape& shape, const ExprContext& ctx, std::string* out) {
  if (shape.type == ValueType::kCharacter) {
    const size_t start = out->size();
    HURT_RETURN_IF_ERROR(key.AppendString(ctx, out));
    out->resize(start + static_cast<size_t>(shape.length), ' ');
    return Status::Ok();
  }
  Value v;
  HURT_RETURN_IF_ERROR(key.Eval(ctx, &v));
  Status s = AppendKeyOf(v, shape, out);
  return s.ok() ? s : Problem(key, s.message());
}

Status AppendKeyOf(const Value& value, const KeyShape& shape, std::string* out) {
  if (shape.length <= 0 || shape.length > kMaxKeyLength)
    return Status::Invalid("key length " + std::to_string(shape.length) + " out of range");
  if (value.type() != shape.type)
    return Status::Invalid(std::string("a ") + TypeWord(value.type()) + " value for a " + TypeWord(shape.type) +
                           " key");
  switch (shape.type) {
    case ValueType::kCharacter: {
      const std::string& s = value.AsString();
      const size_t n = static_cast<size_t>(shape.length);
      out->append(s, 0, std::min(s.size(), n));
      if (s.size() < n) out->append(n - s.size(), ' ');
      return Status::Ok();
    }
    case ValueType::kDate: expr_internal::AppendDtos(value.AsDate().day, out); return Status::Ok();
    case ValueType::kLogical: out->push_back(value.AsLogical() ? 'T' : 'F'); return Status::Ok();
    case ValueType::kNumeric: AppendNumericKey(value.AsNumber(), shape.length, shape.decimals, out); return Status::Ok();
    case ValueType::kNil: break;
  }
  return Status::Invalid("a key of no type");
}

}  // namespace hurt::xbase
