#include "xbase/expr.h"

#include "xbase/expr_ast.h"
#include "xbase/expr_parser.h"

namespace hurt::xbase {

using expr_internal::EvalEnv;
using expr_internal::ErrorText;
using expr_internal::Node;
using expr_internal::Slot;
using expr_internal::TypeName;

Status ExprContext::AppendMemo(FieldRef, std::string*) const {
  return Status::Unsupported("memo fields cannot be read here");
}

namespace {

void CollectDependencies(const Node& node, ExprDependencies* deps) {
  node.AddDependencies(deps);
  for (const auto& kid : node.kids()) CollectDependencies(*kid, deps);
}

// A numeric field, possibly under unary minus or DESCEND().
const FieldInfo* PlainNumericField(const Node& node) {
  const Node* n = &node;
  if (n->AsField() == nullptr && n->kids().size() == 1 && n->type() == ValueType::kNumeric) {
    const auto* unary = dynamic_cast<const expr_internal::UnaryNode*>(n);
    const auto* call = dynamic_cast<const expr_internal::CallNode*>(n);
    if (unary != nullptr || (call != nullptr && std::string_view(call->def().name) == "DESCEND"))
      n = n->kids()[0].get();
  }
  const FieldInfo* f = n->AsField();
  return f != nullptr && (f->type == 'N' || f->type == 'F') ? f : nullptr;
}

}  // namespace

Result<Expression> Expression::Compile(std::string_view text, const ExprScope& scope) {
  std::string owned(text);
  Result<std::unique_ptr<Node>> root = expr_internal::ParseExpression(owned, scope);
  if (!root.ok()) return root.status();
  ExprDependencies deps;
  CollectDependencies(**root, &deps);
  return Expression(std::move(owned), std::move(root).value(), std::move(deps));
}

Expression::Expression(std::string text, std::unique_ptr<Node> root, ExprDependencies deps)
    : text_(std::move(text)), root_(std::move(root)), deps_(std::move(deps)) {}

Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;
Expression::~Expression() = default;

ValueType Expression::type() const { return root_->type(); }

std::optional<int> Expression::width() const {
  switch (root_->type()) {
    case ValueType::kCharacter: return root_->Width();
    case ValueType::kDate: return 8;
    case ValueType::kLogical: return 1;
    default: return std::nullopt;
  }
}

std::optional<std::pair<int, int>> Expression::numeric_shape() const {
  const FieldInfo* f = PlainNumericField(*root_);
  if (f == nullptr) return std::nullopt;
  return std::make_pair(f->width, f->decimals);
}

bool Expression::IsConstant() const { return root_->IsConstant(); }

namespace {

// Runs the tree with its results going to `buf`; the error of a failed run, or a result
// of another type than `want` (kNil: any type).
Status RunTree(const Node& root, const std::string& text, const ExprContext& ctx, std::string* buf, ValueType want,
               Slot* s) {
  EvalEnv env;
  env.ctx = &ctx;
  env.buf = buf;
  env.text = &text;
  if (!root.Eval(env, s)) return env.error;
  if (want != ValueType::kNil && s->type != want) {
    return Status::Invalid(ErrorText(text, 0, std::string("the result is ") + TypeName(s->type) + ", not " +
                                                  TypeName(want)));
  }
  return Status::Ok();
}

}  // namespace

Status Expression::AppendString(const ExprContext& ctx, std::string* out) const {
  const size_t start = out->size();
  Slot s;
  Status run = RunTree(*root_, text_, ctx, out, ValueType::kCharacter, &s);
  if (!run.ok()) out->resize(start);
  return run;
}

Status Expression::Eval(const ExprContext& ctx, Value* out) {
  scratch_.clear();
  Slot s;
  HURT_RETURN_IF_ERROR(RunTree(*root_, text_, ctx, &scratch_, ValueType::kNil, &s));
  switch (s.type) {
    case ValueType::kCharacter: *out = Value(scratch_); break;
    case ValueType::kNumeric: *out = Value(s.number); break;
    case ValueType::kDate: *out = Value(Date{s.date}); break;
    case ValueType::kLogical: *out = Value(s.logical); break;
    case ValueType::kNil: *out = Value(); break;
  }
  return Status::Ok();
}

Result<bool> Expression::EvalLogical(const ExprContext& ctx) {
  scratch_.clear();
  Slot s;
  HURT_RETURN_IF_ERROR(RunTree(*root_, text_, ctx, &scratch_, ValueType::kLogical, &s));
  return s.logical;
}

Result<double> Expression::EvalNumber(const ExprContext& ctx) {
  scratch_.clear();
  Slot s;
  HURT_RETURN_IF_ERROR(RunTree(*root_, text_, ctx, &scratch_, ValueType::kNumeric, &s));
  return s.number;
}

}  // namespace hurt::xbase
