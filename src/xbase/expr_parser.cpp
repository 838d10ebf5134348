#include "xbase/expr_parser.h"

#include <array>

#include "base/text.h"
#include "xbase/expr_lexer.h"

namespace hurt::xbase::expr_internal {

namespace {

constexpr std::array<ValueType, 4> kAllTypes = {ValueType::kCharacter, ValueType::kNumeric, ValueType::kDate,
                                                ValueType::kLogical};

bool Known(ValueType t) { return t != ValueType::kNil; }

// The type of `a op b`, or kNil when the pair is not allowed.
ValueType ArithmeticResult(BinaryOp op, ValueType a, ValueType b) {
  const ValueType C = ValueType::kCharacter, N = ValueType::kNumeric, D = ValueType::kDate;
  switch (op) {
    case BinaryOp::kAdd:
      if (a == N && b == N) return N;
      if (a == C && b == C) return C;
      if ((a == D && b == N) || (a == N && b == D)) return D;
      break;
    case BinaryOp::kSub:
      if (a == N && b == N) return N;
      if (a == C && b == C) return C;
      if (a == D && b == N) return D;
      if (a == D && b == D) return N;
      break;
    default:
      if (a == N && b == N) return N;
      break;
  }
  return ValueType::kNil;
}

Value SlotValue(const Slot& s, const std::string& buf) {
  switch (s.type) {
    case ValueType::kCharacter: return Value(buf);
    case ValueType::kNumeric: return Value(s.number);
    case ValueType::kDate: return Value(Date{s.date});
    case ValueType::kLogical: return Value(s.logical);
    case ValueType::kNil: break;
  }
  return Value();
}

class Parser {
 public:
  Parser(const std::string& text, std::vector<Token> tokens, const ExprScope& scope)
      : text_(text), toks_(std::move(tokens)), scope_(scope) {
    areas_.push_back(scope.CurrentArea());
  }

  Result<NodePtr> Parse() {
    if (Peek().kind == Tok::kEnd) return Status::Invalid(ErrorText(text_, 0, "empty expression"));
    NodePtr root = ParseOr();
    if (root && Peek().kind != Tok::kEnd) {
      if (Peek().kind == Tok::kRParen) {
        Fail(Peek().pos, "\")\" without \"(\"");
      } else {
        Fail(Peek().pos, "unexpected " + Describe(Peek()));
      }
      root.reset();
    }
    if (!root) return status_;
    return root;
  }

 private:
  const Token& Peek() const { return toks_[i_]; }
  const Token& Take() {
    const Token& t = toks_[i_];
    if (t.kind != Tok::kEnd) ++i_;
    return t;
  }

  NodePtr Fail(uint32_t pos, const std::string& message) {
    if (status_.ok()) status_ = Status::Invalid(ErrorText(text_, pos, message));
    return nullptr;
  }

  // Counts nesting so that a hostile text cannot exhaust the stack.
  class Nest {
   public:
    explicit Nest(Parser& p) : p_(p) { ++p_.nesting_; }
    ~Nest() { --p_.nesting_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;
    bool TooDeep() const { return p_.nesting_ > kMaxNesting; }

   private:
    Parser& p_;
  };

  bool Expect(Tok kind, const char* what) {
    if (Peek().kind == kind) {
      Take();
      return true;
    }
    Fail(Peek().pos, std::string("expected ") + what + " instead of " + Describe(Peek()));
    return false;
  }

  // ---- grammar, loosest binding first ----

  NodePtr ParseOr() {
    NodePtr left = ParseAnd();
    while (left && Peek().kind == Tok::kOr) {
      uint32_t pos = Take().pos;
      NodePtr right = ParseAnd();
      if (!right) return nullptr;
      left = MakeLogical(pos, false, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseAnd() {
    NodePtr left = ParseNot();
    while (left && Peek().kind == Tok::kAnd) {
      uint32_t pos = Take().pos;
      NodePtr right = ParseNot();
      if (!right) return nullptr;
      left = MakeLogical(pos, true, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseNot() {
    if (Peek().kind != Tok::kNot) return ParseRelation();
    Nest nest(*this);
    uint32_t pos = Take().pos;
    if (nest.TooDeep()) return Fail(pos, "expression nested too deeply");
    NodePtr operand = ParseNot();
    if (!operand) return nullptr;
    return MakeUnary(pos, UnaryOp::kNot, std::move(operand));
  }

  static bool ComparisonOf(Tok t, CompareOp* op) {
    switch (t) {
      case Tok::kEqual: *op = CompareOp::kEqual; return true;
      case Tok::kExactEqual: *op = CompareOp::kExactEqual; return true;
      case Tok::kNotEqual: *op = CompareOp::kNotEqual; return true;
      case Tok::kLess: *op = CompareOp::kLess; return true;
      case Tok::kLessEqual: *op = CompareOp::kLessEqual; return true;
      case Tok::kGreater: *op = CompareOp::kGreater; return true;
      case Tok::kGreaterEqual: *op = CompareOp::kGreaterEqual; return true;
      case Tok::kDollar: *op = CompareOp::kContains; return true;
      default: return false;
    }
  }

  NodePtr ParseRelation() {
    NodePtr left = ParseAdditive();
    CompareOp op;
    while (left && ComparisonOf(Peek().kind, &op)) {
      uint32_t pos = Take().pos;
      NodePtr right = ParseAdditive();
      if (!right) return nullptr;
      left = MakeCompare(pos, op, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseAdditive() {
    NodePtr left = ParseMultiplicative();
    while (left && (Peek().kind == Tok::kPlus || Peek().kind == Tok::kMinus)) {
      const Token& t = Take();
      BinaryOp op = t.kind == Tok::kPlus ? BinaryOp::kAdd : BinaryOp::kSub;
      NodePtr right = ParseMultiplicative();
      if (!right) return nullptr;
      left = MakeArithmetic(t.pos, op, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseMultiplicative() {
    NodePtr left = ParsePower();
    while (left && (Peek().kind == Tok::kStar || Peek().kind == Tok::kSlash || Peek().kind == Tok::kPercent)) {
      const Token& t = Take();
      BinaryOp op = t.kind == Tok::kStar ? BinaryOp::kMul : t.kind == Tok::kSlash ? BinaryOp::kDiv : BinaryOp::kMod;
      NodePtr right = ParsePower();
      if (!right) return nullptr;
      left = MakeArithmetic(t.pos, op, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParsePower() {
    NodePtr left = ParseUnary();
    while (left && Peek().kind == Tok::kPower) {
      uint32_t pos = Take().pos;
      NodePtr right = ParseUnary();
      if (!right) return nullptr;
      left = MakeArithmetic(pos, BinaryOp::kPow, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseUnary() {
    Tok k = Peek().kind;
    if (k != Tok::kMinus && k != Tok::kPlus && k != Tok::kNot) return ParsePrimary();
    Nest nest(*this);
    uint32_t pos = Take().pos;
    if (nest.TooDeep()) return Fail(pos, "expression nested too deeply");
    // A .NOT. inside an operand ("a = !b") takes the operand that follows it.
    NodePtr operand = ParseUnary();
    if (!operand) return nullptr;
    UnaryOp op = k == Tok::kMinus ? UnaryOp::kMinus : k == Tok::kPlus ? UnaryOp::kPlus : UnaryOp::kNot;
    return MakeUnary(pos, op, std::move(operand));
  }

  NodePtr ParsePrimary() {
    const Token& t = Peek();
    switch (t.kind) {
      case Tok::kNumber: Take(); return std::make_unique<ConstNode>(t.pos, Value(t.number));
      case Tok::kString: Take(); return std::make_unique<ConstNode>(t.pos, Value(std::string(t.text)));
      case Tok::kTrue: Take(); return std::make_unique<ConstNode>(t.pos, Value(true));
      case Tok::kFalse: Take(); return std::make_unique<ConstNode>(t.pos, Value(false));
      case Tok::kIdent: return ParseName();
      case Tok::kLParen: {
        Nest nest(*this);
        Take();
        if (nest.TooDeep()) return Fail(t.pos, "expression nested too deeply");
        NodePtr inner = ParseOr();
        if (!inner) return nullptr;
        if (Peek().kind != Tok::kRParen)
          return Fail(Peek().pos, "missing \")\" for the \"(\" at position " + std::to_string(t.pos + 1));
        Take();
        return inner;
      }
      case Tok::kEnd: return Fail(t.pos, "expression ends too early");
      default: return Fail(t.pos, "unexpected " + Describe(t));
    }
  }

  NodePtr ParseName() {
    const Token& id = Take();
    const std::string name = Upper(id.text);
    if (Peek().kind == Tok::kLParen) return ParseCall(id.pos, name);
    if (Peek().kind != Tok::kArrow) return ResolveBare(id.pos, name);
    Take();  // ->
    if (name == "M" || name == "MEMVAR") {
      const Token& v = Peek();
      if (v.kind != Tok::kIdent) return Fail(v.pos, "expected a variable name after " + name + "->");
      Take();
      const std::string var = Upper(v.text);
      std::optional<int> handle = scope_.FindVariable(var);
      if (!handle) return Fail(v.pos, "unknown variable " + var);
      return std::make_unique<VariableNode>(v.pos, *handle, var);
    }
    int area = areas_.back();
    if (name != "FIELD" && name != "_FIELD") {
      std::optional<int> found = scope_.FindArea(name);
      if (!found) return Fail(id.pos, "unknown alias " + name);
      area = *found;
      if (Peek().kind == Tok::kLParen) {  // alias->(expression)
        Nest nest(*this);
        uint32_t open = Take().pos;
        if (nest.TooDeep()) return Fail(open, "expression nested too deeply");
        areas_.push_back(area);
        NodePtr inner = ParseOr();
        areas_.pop_back();
        if (!inner) return nullptr;
        if (Peek().kind != Tok::kRParen)
          return Fail(Peek().pos, "missing \")\" for the \"(\" at position " + std::to_string(open + 1));
        Take();
        return inner;
      }
    }
    const Token& f = Peek();
    if (f.kind != Tok::kIdent) return Fail(f.pos, "expected a field name after " + name + "->");
    Take();
    const std::string field = Upper(f.text);
    std::optional<FieldInfo> info = scope_.FindField(area, field);
    if (!info) return Fail(f.pos, "alias " + name + " has no field " + field);
    return MakeField(f.pos, field, *info);
  }

  // A bare name: a field of the current area wins over a variable.
  NodePtr ResolveBare(uint32_t pos, const std::string& name) {
    if (std::optional<FieldInfo> info = scope_.FindField(areas_.back(), name)) return MakeField(pos, name, *info);
    if (std::optional<int> var = scope_.FindVariable(name)) return std::make_unique<VariableNode>(pos, *var, name);
    return Fail(pos, "unknown name " + name + " (neither a field nor a variable)");
  }

  NodePtr MakeField(uint32_t pos, const std::string& name, FieldInfo info) {
    if (info.type >= 'a' && info.type <= 'z') info.type = static_cast<char>(info.type - 'a' + 'A');
    if (std::string_view("CNFDLM").find(info.type) == std::string_view::npos || info.type == '\0')
      return Fail(pos, "field " + name + " has type " + std::string(1, info.type) + ", which expressions cannot read");
    if (info.width < 0 || info.width > static_cast<int>(kMaxStringLength))
      return Fail(pos, "field " + name + " has an impossible width " + std::to_string(info.width));
    return MakeFieldNode(pos, info);
  }

  NodePtr ParseCall(uint32_t pos, const std::string& name) {
    const bool iif = name == "IIF" || name == "IF";
    const FunctionDef* def = iif ? nullptr : FindFunction(name);
    if (!iif && def == nullptr) return Fail(pos, "unknown function " + name + "()");
    Nest nest(*this);
    Take();  // (
    if (nest.TooDeep()) return Fail(pos, "expression nested too deeply");
    std::vector<NodePtr> args;
    if (Peek().kind != Tok::kRParen) {
      while (true) {
        NodePtr arg = ParseOr();
        if (!arg) return nullptr;
        args.push_back(std::move(arg));
        if (Peek().kind != Tok::kComma) break;
        Take();
      }
    }
    if (Peek().kind != Tok::kRParen) {
      if (Peek().kind == Tok::kEnd)
        return Fail(Peek().pos, "missing \")\" of " + name + "() opened at position " + std::to_string(pos + 1));
      return Fail(Peek().pos, "expected \",\" or \")\" in " + name + "() instead of " + Describe(Peek()));
    }
    Take();
    if (iif) {
      if (args.size() != 3) return Fail(pos, name + "() takes 3 arguments, not " + std::to_string(args.size()));
      return MakeIif(pos, std::move(args));
    }
    return MakeCall(pos, *def, std::move(args));
  }

  // ---- building nodes, with compile-time checks and folding ----

  NodePtr Finish(NodePtr node) {
    if (node->depth() > kMaxTreeDepth) return Fail(node->pos(), "expression nested too deeply");
    if (!node->Pure() || node->kids().empty()) return node;
    for (const NodePtr& kid : node->kids())
      if (!kid->IsConstant()) return node;
    // Every operand is known now: compute the value once. A failure (1/0) is left for run
    // time, where it happens only if that part is really evaluated.
    std::string buf;
    EvalEnv env;
    env.buf = &buf;
    env.text = &text_;
    Slot s;
    if (!node->Eval(env, &s)) return node;
    return std::make_unique<ConstNode>(node->pos(), SlotValue(s, buf));
  }

  NodePtr Mismatch(uint32_t pos, const char* op, ValueType a, ValueType b) {
    return Fail(pos, std::string("type mismatch: ") + TypeName(a) + " " + op + " " + TypeName(b));
  }

  NodePtr MakeUnary(uint32_t pos, UnaryOp op, NodePtr operand) {
    const ValueType t = operand->type();
    const ValueType want = op == UnaryOp::kNot ? ValueType::kLogical : ValueType::kNumeric;
    if (Known(t) && t != want) {
      const char* what = op == UnaryOp::kNot ? ".NOT." : op == UnaryOp::kMinus ? "unary -" : "unary +";
      return Fail(pos, std::string(what) + " needs a " + TypeName(want) + " value, not " + TypeName(t));
    }
    return Finish(std::make_unique<UnaryNode>(pos, op, std::move(operand), want));
  }

  NodePtr MakeArithmetic(uint32_t pos, BinaryOp op, NodePtr left, NodePtr right) {
    const ValueType lt = left->type(), rt = right->type();
    // The result types possible for the operand types that are still open.
    ValueType result = ValueType::kNil;
    int kinds = 0;
    for (ValueType a : kAllTypes) {
      if (Known(lt) && a != lt) continue;
      for (ValueType b : kAllTypes) {
        if (Known(rt) && b != rt) continue;
        ValueType r = ArithmeticResult(op, a, b);
        if (!Known(r)) continue;
        if (kinds == 0 || r != result) ++kinds;
        result = r;
      }
    }
    if (kinds == 0) {
      if (Known(lt) && Known(rt)) return Mismatch(pos, BinaryOpText(op), lt, rt);
      return Fail(pos, std::string("operator ") + BinaryOpText(op) + " cannot take a " +
                           TypeName(Known(lt) ? lt : rt) + " value");
    }
    if (kinds > 1) result = ValueType::kNil;
    const bool concat = op == BinaryOp::kAdd && result == ValueType::kCharacter &&
                        !(left->IsConstant() && right->IsConstant());
    if (concat) {
      if (auto* chain = dynamic_cast<ConcatNode*>(left.get())) {
        chain->Append(pos, std::move(right));
        return Finish(std::move(left));
      }
      auto chain = std::make_unique<ConcatNode>(pos, std::move(left));
      chain->Append(pos, std::move(right));
      return Finish(std::move(chain));
    }
    return Finish(std::make_unique<BinaryNode>(pos, op, std::move(left), std::move(right), result));
  }

  NodePtr MakeCompare(uint32_t pos, CompareOp op, NodePtr left, NodePtr right) {
    const ValueType lt = left->type(), rt = right->type();
    if (op == CompareOp::kContains) {
      if (Known(lt) && lt != ValueType::kCharacter) return Mismatch(pos, "$", lt, rt);
      if (Known(rt) && rt != ValueType::kCharacter) return Mismatch(pos, "$", lt, rt);
    } else if (Known(lt) && Known(rt) && lt != rt) {
      return Mismatch(pos, CompareOpText(op), lt, rt);
    }
    return Finish(std::make_unique<CompareNode>(pos, op, std::move(left), std::move(right)));
  }

  NodePtr MakeLogical(uint32_t pos, bool is_and, NodePtr left, NodePtr right) {
    for (const NodePtr* side : {&left, &right}) {
      ValueType t = (*side)->type();
      if (Known(t) && t != ValueType::kLogical)
        return Fail(pos, std::string(is_and ? ".AND." : ".OR.") + " needs logical values, not " + TypeName(t));
    }
    return Finish(std::make_unique<LogicalNode>(pos, is_and, std::move(left), std::move(right)));
  }

  NodePtr MakeIif(uint32_t pos, std::vector<NodePtr> args) {
    ValueType ct = args[0]->type();
    if (Known(ct) && ct != ValueType::kLogical)
      return Fail(args[0]->pos(), std::string("IIF() needs a logical condition, not ") + TypeName(ct));
    if (const auto* c = dynamic_cast<const ConstNode*>(args[0].get())) {
      // A constant condition: only the chosen branch remains.
      return std::move(args[c->value().AsLogical() ? 1 : 2]);
    }
    auto node = std::make_unique<IifNode>(pos, std::move(args[0]), std::move(args[1]), std::move(args[2]));
    if (node->depth() > kMaxTreeDepth) return Fail(pos, "expression nested too deeply");
    return node;
  }

  NodePtr MakeCall(uint32_t pos, const FunctionDef& def, std::vector<NodePtr> args) {
    const int count = static_cast<int>(args.size());
    if (count < def.min_args || count > def.max_args) {
      std::string takes = def.min_args == def.max_args
                              ? std::to_string(def.min_args)
                              : std::to_string(def.min_args) + " to " + std::to_string(def.max_args);
      return Fail(pos, std::string(def.name) + "() takes " + takes + " argument" +
                           (def.max_args == 1 ? "" : "s") + ", not " + std::to_string(count));
    }
    for (size_t i = 0; i < args.size(); ++i) {
      const ValueType t = args[i]->type();
      if (!Known(t) || def.arg_types[i] == nullptr) continue;
      const std::string_view allowed = def.arg_types[i];
      if (allowed == "*") continue;
      if (allowed.find(static_cast<char>(t)) == std::string_view::npos)
        return Fail(args[i]->pos(), std::string(def.name) + "(): argument " + std::to_string(i + 1) + " must be " +
                                        ExpectedTypes(def.arg_types[i]) + ", not " + TypeName(t));
    }
    ValueType result = ValueType::kNil;
    if (def.result == 'X') {
      result = def.infer(args);
    } else if (def.result == '1') {
      result = args[0]->type();
      if (Known(result) && Known(args[1]->type()) && args[1]->type() != result)
        return Fail(args[1]->pos(), std::string(def.name) + "(): argument 2 must be " + TypeName(result) +
                                        " like argument 1, not " + TypeName(args[1]->type()));
    } else {
      result = static_cast<ValueType>(def.result);
    }
    // DTOS(date field) reads the field's bytes directly.
    if (std::string_view(def.name) == "DTOS") {
      if (const FieldInfo* f = args[0]->AsField(); f != nullptr && f->type == 'D')
        return std::make_unique<DtosFieldNode>(pos, *f);
    }
    return Finish(std::make_unique<CallNode>(pos, &def, std::move(args), areas_.back(), result));
  }

  const std::string& text_;
  std::vector<Token> toks_;
  const ExprScope& scope_;
  size_t i_ = 0;
  int nesting_ = 0;
  std::vector<int> areas_;  // the current area; alias->( ) pushes another
  Status status_;
};

}  // namespace

Result<NodePtr> ParseExpression(const std::string& text, const ExprScope& scope) {
  if (text.size() > kMaxTextLength)
    return Status::Invalid("expression longer than " + std::to_string(kMaxTextLength) + " characters");
  Result<std::vector<Token>> tokens = Tokenize(text);
  if (!tokens.ok()) return tokens.status();
  Parser parser(text, std::move(tokens).value(), scope);
  return parser.Parse();
}

}  // namespace hurt::xbase::expr_internal
