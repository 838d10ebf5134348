// Evaluation of the leaves and operators of a compiled expression.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/date.h"
#include "base/numeric.h"
#include "xbase/expr_ast.h"

namespace hurt::xbase::expr_internal {

// ---- helpers ----

bool EvalEnv::Fail(uint32_t pos, const std::string& message) {
  if (error.ok()) error = Status::Invalid(ErrorText(*text, pos, message));
  return false;
}

const char* TypeName(ValueType t) {
  switch (t) {
    case ValueType::kCharacter: return "character";
    case ValueType::kNumeric: return "numeric";
    case ValueType::kDate: return "date";
    case ValueType::kLogical: return "logical";
    case ValueType::kNil: break;
  }
  return "NIL";
}

std::string ErrorText(const std::string& text, uint32_t pos, const std::string& message) {
  return "expression \"" + text + "\": position " + std::to_string(pos + 1) + ": " + message;
}

double ParseNumber(std::string_view t) {
  size_t i = 0;
  const size_t n = t.size();
  while (i < n && t[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  const size_t start = i;
  bool point = false;
  size_t digits = 0;
  for (; i < n; ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return 0.0;
  // Fast path: up to 15 digits make an exact integer m, and m / 10^k of two exact
  // doubles is the correctly rounded value of the decimal text, as a full parse gives.
  if (digits <= 15) {
    static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    long long m = 0;
    int decimals = 0;
    bool after_point = false;
    for (size_t k = start; k < i; ++k) {
      if (t[k] == '.') {
        after_point = true;
        continue;
      }
      m = m * 10 + (t[k] - '0');
      decimals += after_point ? 1 : 0;
    }
    double v = static_cast<double>(m) / kPow10[decimals];
    return negative ? -v : v;
  }
  double v = 0.0;
  auto r = std::from_chars(t.data() + start, t.data() + i, v);
  if (r.ec != std::errc()) return 0.0;  // too large to be a number of a table
  return negative ? -v : v;
}

bool ValidDateBytes(std::string_view b, Ymd* out) {
  if (b.size() != 8) return false;
  int v[8];
  for (size_t k = 0; k < 8; ++k) {
    if (b[k] < '0' || b[k] > '9') return false;  // blanks and garbage
    v[k] = b[k] - '0';
  }
  out->year = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  out->month = v[4] * 10 + v[5];
  out->day = v[6] * 10 + v[7];
  return IsValidDate(out->year, out->month, out->day);
}

JulianDay ParseDateField(std::string_view b) {
  Ymd d;
  if (!ValidDateBytes(b, &d)) return kEmptyDate;  // blanks and anything invalid: the empty date
  return JulianFromYmd(d.year, d.month, d.day);
}

void AppendDtos(JulianDay jd, std::string* out) {
  if (jd < kFirstDay || jd > kLastDay) {  // the empty date (and nothing else reaches here)
    out->append(8, ' ');
    return;
  }
  Ymd d = YmdFromJulian(jd);
  char b[8];
  b[0] = static_cast<char>('0' + d.year / 1000);
  b[1] = static_cast<char>('0' + d.year / 100 % 10);
  b[2] = static_cast<char>('0' + d.year / 10 % 10);
  b[3] = static_cast<char>('0' + d.year % 10);
  b[4] = static_cast<char>('0' + d.month / 10);
  b[5] = static_cast<char>('0' + d.month % 10);
  b[6] = static_cast<char>('0' + d.day / 10);
  b[7] = static_cast<char>('0' + d.day % 10);
  out->append(b, 8);
}

long ToCount(double x) {
  if (std::isnan(x)) return 0;
  if (x > 1e9) return 1'000'000'000L;
  if (x < -1e9) return -1'000'000'000L;
  return static_cast<long>(std::trunc(x));
}

namespace {

void LoadValue(const Value& v, EvalEnv& env, Slot* out) {
  out->type = v.type();
  switch (v.type()) {
    case ValueType::kCharacter: env.buf->append(v.AsString()); break;
    case ValueType::kNumeric: out->number = v.AsNumber(); break;
    case ValueType::kDate: out->date = v.AsDate().day; break;
    case ValueType::kLogical: out->logical = v.AsLogical(); break;
    case ValueType::kNil: break;
  }
}

ValueType FieldValueType(char t) {
  switch (t) {
    case 'N':
    case 'F': return ValueType::kNumeric;
    case 'D': return ValueType::kDate;
    case 'L': return ValueType::kLogical;
    default: return ValueType::kCharacter;  // C and M (the parser admits no other letter)
  }
}

void AddField(ExprDependencies* deps, FieldRef ref) {
  if (std::find(deps->fields.begin(), deps->fields.end(), ref) == deps->fields.end())
    deps->fields.push_back(ref);
}

bool Finite(EvalEnv& env, uint32_t pos, double x, Slot* out) {
  if (std::isnan(x)) return env.Fail(pos, "invalid numeric result");
  if (!std::isfinite(x)) return env.Fail(pos, "numeric overflow");
  out->type = ValueType::kNumeric;
  out->number = x;
  return true;
}

// A date moved by n days; the empty date stays empty (it has no place on the calendar).
bool ShiftDate(EvalEnv& env, uint32_t pos, JulianDay jd, double days, Slot* out) {
  out->type = ValueType::kDate;
  if (jd == kEmptyDate) {
    out->date = kEmptyDate;
    return true;
  }
  if (std::isnan(days) || std::fabs(days) > 1e7) return env.Fail(pos, "date out of range");
  long moved = static_cast<long>(jd) + static_cast<long>(std::trunc(days));
  if (moved < kFirstDay || moved > kLastDay) return env.Fail(pos, "date out of range");
  out->date = static_cast<JulianDay>(moved);
  return true;
}

bool TooLongText(EvalEnv& env, uint32_t pos) {
  return env.Fail(pos, "text longer than " + std::to_string(kMaxStringLength) + " characters");
}

bool Mismatch(EvalEnv& env, uint32_t pos, const char* op, ValueType a, ValueType b) {
  return env.Fail(pos, std::string("type mismatch: ") + TypeName(a) + " " + op + " " + TypeName(b));
}

// SET EXACT OFF: only as many bytes as the right side has are compared; a shorter left
// side sorts first when it is a prefix of the right one.
int CompareLoose(std::string_view l, std::string_view r) {
  if (r.empty()) return 0;
  size_t n = std::min(l.size(), r.size());
  int c = n == 0 ? 0 : std::memcmp(l.data(), r.data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  return l.size() < r.size() ? -1 : 0;
}

int CompareExact(std::string_view l, std::string_view r) {
  int c = l.compare(r);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

bool FromOrder(CompareOp op, int c) {
  switch (op) {
    case CompareOp::kEqual:
    case CompareOp::kExactEqual: return c == 0;
    case CompareOp::kNotEqual: return c != 0;
    case CompareOp::kLess: return c < 0;
    case CompareOp::kLessEqual: return c <= 0;
    case CompareOp::kGreater: return c > 0;
    case CompareOp::kGreaterEqual: return c >= 0;
    case CompareOp::kContains: break;
  }
  return false;
}

bool CompareTexts(CompareOp op, std::string_view l, std::string_view r) {
  if (op == CompareOp::kContains) return !l.empty() && r.find(l) != std::string_view::npos;
  return FromOrder(op, op == CompareOp::kExactEqual ? CompareExact(l, r) : CompareLoose(l, r));
}

}  // namespace

const char* BinaryOpText(BinaryOp op) {
  switch (op) {
    case BinaryOp::kAdd: return "+";
    case BinaryOp::kSub: return "-";
    case BinaryOp::kMul: return "*";
    case BinaryOp::kDiv: return "/";
    case BinaryOp::kMod: return "%";
    case BinaryOp::kPow: return "**";
  }
  return "?";
}

const char* CompareOpText(CompareOp op) {
  switch (op) {
    case CompareOp::kEqual: return "=";
    case CompareOp::kExactEqual: return "==";
    case CompareOp::kNotEqual: return "<>";
    case CompareOp::kLess: return "<";
    case CompareOp::kLessEqual: return "<=";
    case CompareOp::kGreater: return ">";
    case CompareOp::kGreaterEqual: return ">=";
    case CompareOp::kContains: return "$";
  }
  return "?";
}

// ---- leaves ----

ConstNode::ConstNode(uint32_t pos, Value v) : Node(pos, v.type()), value_(std::move(v)) {
  slot_.type = value_.type();
  slot_.number = value_.AsNumber();
  slot_.date = value_.AsDate().day;
  slot_.logical = value_.AsLogical();
  text_ = value_.AsString();
}

bool ConstNode::Eval(EvalEnv& env, Slot* out) const {
  *out = slot_;
  if (slot_.type == ValueType::kCharacter) env.buf->append(text_);
  return true;
}

std::optional<int> ConstNode::Width() const {
  switch (value_.type()) {
    case ValueType::kCharacter: return static_cast<int>(text_.size());
    case ValueType::kDate: return 8;
    case ValueType::kLogical: return 1;
    default: return std::nullopt;
  }
}

FieldNode::FieldNode(uint32_t pos, FieldInfo info) : Node(pos, FieldValueType(info.type)), info_(info) {}

std::optional<int> FieldNode::Width() const {
  switch (info_.type) {
    case 'C': return info_.width;
    case 'D': return 8;
    case 'L': return 1;
    default: return std::nullopt;
  }
}

void FieldNode::AddDependencies(ExprDependencies* deps) const { AddField(deps, info_.ref); }

namespace {

class CharFieldNode final : public FieldNode {
 public:
  using FieldNode::FieldNode;
  bool Eval(EvalEnv& env, Slot* out) const override {
    std::string_view b = env.ctx->FieldBytes(info_.ref);
    const size_t w = static_cast<size_t>(info_.width);
    out->type = ValueType::kCharacter;
    if (b.size() == w) {
      env.buf->append(b);
    } else {  // a context that breaks its promise still gives keys of the right width
      env.buf->append(b.substr(0, std::min(b.size(), w)));
      if (b.size() < w) env.buf->append(w - b.size(), ' ');
    }
    return true;
  }
};

class NumberFieldNode final : public FieldNode {
 public:
  using FieldNode::FieldNode;
  bool Eval(EvalEnv& env, Slot* out) const override {
    out->type = ValueType::kNumeric;
    out->number = ParseNumber(env.ctx->FieldBytes(info_.ref));
    return true;
  }
};

class DateFieldNode final : public FieldNode {
 public:
  using FieldNode::FieldNode;
  bool Eval(EvalEnv& env, Slot* out) const override {
    out->type = ValueType::kDate;
    out->date = ParseDateField(env.ctx->FieldBytes(info_.ref));
    return true;
  }
};

class LogicalFieldNode final : public FieldNode {
 public:
  using FieldNode::FieldNode;
  bool Eval(EvalEnv& env, Slot* out) const override {
    std::string_view b = env.ctx->FieldBytes(info_.ref);
    out->type = ValueType::kLogical;
    out->logical = !b.empty() && (b[0] == 'T' || b[0] == 't' || b[0] == 'Y' || b[0] == 'y');
    return true;
  }
};

class MemoFieldNode final : public FieldNode {
 public:
  using FieldNode::FieldNode;
  bool Eval(EvalEnv& env, Slot* out) const override {
    out->type = ValueType::kCharacter;
    Status s = env.ctx->AppendMemo(info_.ref, env.buf);
    if (s.ok()) return true;
    // Keep the code of the failure (an I/O error stays one); say where it happened.
    if (env.error.ok()) env.error = s.Prefixed("expression \"" + *env.text + "\"");
    return false;
  }
};

}  // namespace

std::unique_ptr<FieldNode> MakeFieldNode(uint32_t pos, const FieldInfo& info) {
  switch (info.type) {
    case 'N':
    case 'F': return std::make_unique<NumberFieldNode>(pos, info);
    case 'D': return std::make_unique<DateFieldNode>(pos, info);
    case 'L': return std::make_unique<LogicalFieldNode>(pos, info);
    case 'M': return std::make_unique<MemoFieldNode>(pos, info);
    default: return std::make_unique<CharFieldNode>(pos, info);
  }
}

DtosFieldNode::DtosFieldNode(uint32_t pos, FieldInfo info) : Node(pos, ValueType::kCharacter), info_(info) {}

bool DtosFieldNode::Eval(EvalEnv& env, Slot* out) const {
  std::string_view b = env.ctx->FieldBytes(info_.ref);
  out->type = ValueType::kCharacter;
  Ymd ymd;
  if (ValidDateBytes(b, &ymd)) {
    env.buf->append(b);  // a valid YYYYMMDD is its own DTOS()
  } else {
    env.buf->append(8, ' ');
  }
  return true;
}

void DtosFieldNode::AddDependencies(ExprDependencies* deps) const { AddField(deps, info_.ref); }

VariableNode::VariableNode(uint32_t pos, int id, std::string name)
    : Node(pos, ValueType::kNil), id_(id), name_(std::move(name)) {}

bool VariableNode::Eval(EvalEnv& env, Slot* out) const {
  const Value* v = env.ctx->Variable(id_);
  if (v == nullptr) return env.Fail(pos(), "variable " + name_ + " does not exist");
  LoadValue(*v, env, out);
  return true;
}

void VariableNode::AddDependencies(ExprDependencies* deps) const {
  if (std::find(deps->variables.begin(), deps->variables.end(), id_) == deps->variables.end())
    deps->variables.push_back(id_);
}

// ---- operators ----

UnaryNode::UnaryNode(uint32_t pos, UnaryOp op, NodePtr operand, ValueType type) : Node(pos, type), op_(op) {
  AddKid(std::move(operand));
}

bool UnaryNode::Eval(EvalEnv& env, Slot* out) const {
  Slot a;
  if (!kids_[0]->Eval(env, &a)) return false;
  if (op_ == UnaryOp::kNot) {
    if (a.type != ValueType::kLogical)
      return env.Fail(pos(), std::string(".NOT. needs a logical value, not ") + TypeName(a.type));
    out->type = ValueType::kLogical;
    out->logical = !a.logical;
    return true;
  }
  if (a.type != ValueType::kNumeric)
    return env.Fail(pos(), std::string("unary ") + (op_ == UnaryOp::kMinus ? "-" : "+") +
                               " needs a numeric value, not " + TypeName(a.type));
  out->type = ValueType::kNumeric;
  out->number = op_ == UnaryOp::kMinus ? -a.number : a.number;
  return true;
}

BinaryNode::BinaryNode(uint32_t pos, BinaryOp op, NodePtr left, NodePtr right, ValueType type)
    : Node(pos, type), op_(op) {
  AddKid(std::move(left));
  AddKid(std::move(right));
}

bool BinaryNode::Eval(EvalEnv& env, Slot* out) const {
  std::string& buf = *env.buf;
  const size_t start = buf.size();
  Slot a, b;
  if (!kids_[0]->Eval(env, &a)) return false;
  const size_t mid = buf.size();
  if (!kids_[1]->Eval(env, &b)) return false;
  const ValueType N = ValueType::kNumeric, D = ValueType::kDate, C = ValueType::kCharacter;
  switch (op_) {
    case BinaryOp::kAdd:
      if (a.type == N && b.type == N) return Finite(env, pos(), a.number + b.number, out);
      if (a.type == C && b.type == C) {  // the two texts already stand side by side
        if (buf.size() - start > kMaxStringLength) return TooLongText(env, pos());
        out->type = C;
        return true;
      }
      if (a.type == D && b.type == N) return ShiftDate(env, pos(), a.date, b.number, out);
      if (a.type == N && b.type == D) return ShiftDate(env, pos(), b.date, a.number, out);
      break;
    case BinaryOp::kSub:
      if (a.type == N && b.type == N) return Finite(env, pos(), a.number - b.number, out);
      if (a.type == D && b.type == N) return ShiftDate(env, pos(), a.date, -b.number, out);
      if (a.type == D && b.type == D) {
        out->type = N;
        out->number = static_cast<double>(a.date) - static_cast<double>(b.date);
        return true;
      }
      if (a.type == C && b.type == C) {
        // The left text's trailing blanks move to the end of the result.
        size_t blanks = 0;
        while (blanks < mid - start && buf[mid - 1 - blanks] == ' ') ++blanks;
        out->type = C;
        if (blanks == 0) return true;
        const size_t right_len = buf.size() - mid;
        if (right_len > 0) std::memmove(&buf[mid - blanks], &buf[mid], right_len);
        std::memset(&buf[mid - blanks + right_len], ' ', blanks);
        return true;
      }
      break;
    case BinaryOp::kMul:
      if (a.type == N && b.type == N) return Finite(env, pos(), a.number * b.number, out);
      break;
    case BinaryOp::kDiv:
      if (a.type == N && b.type == N) {
        if (b.number == 0.0) return env.Fail(pos(), "division by zero");
        return Finite(env, pos(), a.number / b.number, out);
      }
      break;
    case BinaryOp::kMod:
      if (a.type == N && b.type == N) {
        if (b.number == 0.0) return env.Fail(pos(), "division by zero");
        return Finite(env, pos(), std::fmod(a.number, b.number), out);
      }
      break;
    case BinaryOp::kPow:
      if (a.type == N && b.type == N) return Finite(env, pos(), std::pow(a.number, b.number), out);
      break;
  }
  return Mismatch(env, pos(), BinaryOpText(op_), a.type, b.type);
}

std::optional<int> BinaryNode::Width() const {
  if (type() != ValueType::kCharacter) return type() == ValueType::kDate ? std::optional<int>(8) : std::nullopt;
  auto a = kids_[0]->Width(), b = kids_[1]->Width();
  if (a && b) return *a + *b;
  return std::nullopt;
}

ConcatNode::ConcatNode(uint32_t pos, NodePtr first) : Node(pos, ValueType::kCharacter) {
  AddPiece(*first);
  AddKid(std::move(first));
}

void ConcatNode::Append(uint32_t op_pos, NodePtr part) {
  op_pos_.push_back(op_pos);
  AddPiece(*part);
  AddKid(std::move(part));
}

void ConcatNode::AddPiece(const Node& part) {
  Piece piece;
  if (const FieldInfo* f = part.AsField(); f != nullptr && f->type == 'C') piece.field = f;
  if (const auto* c = dynamic_cast<const ConstNode*>(&part); c != nullptr && c->type() == ValueType::kCharacter)
    piece.text = &c->text();
  pieces_.push_back(piece);
}

bool ConcatNode::Fails(EvalEnv& env, size_t i, ValueType got) const {
  // Every other part is a text (only text + text can give a text).
  if (i == 0) return Mismatch(env, op_pos_[0], "+", got, ValueType::kCharacter);
  return Mismatch(env, op_pos_[i - 1], "+", ValueType::kCharacter, got);
}

bool ConcatNode::Eval(EvalEnv& env, Slot* out) const {
  std::string& buf = *env.buf;
  const size_t start = buf.size();
  for (size_t i = 0; i < kids_.size(); ++i) {
    const Piece& piece = pieces_[i];
    if (piece.field != nullptr) {
      std::string_view b = env.ctx->FieldBytes(piece.field->ref);
      const size_t w = static_cast<size_t>(piece.field->width);
      if (b.size() == w) {
        buf.append(b);
      } else {
        buf.append(b.substr(0, std::min(b.size(), w)));
        if (b.size() < w) buf.append(w - b.size(), ' ');
      }
    } else if (piece.text != nullptr) {
      buf.append(*piece.text);
    } else {
      Slot s;
      if (!kids_[i]->Eval(env, &s)) return false;
      if (s.type != ValueType::kCharacter) return Fails(env, i, s.type);
    }
    if (buf.size() - start > kMaxStringLength) return TooLongText(env, op_pos_[i == 0 ? 0 : i - 1]);
  }
  out->type = ValueType::kCharacter;
  return true;
}

std::optional<int> ConcatNode::Width() const {
  int total = 0;
  for (const NodePtr& part : kids_) {
    auto w = part->Width();
    if (!w) return std::nullopt;
    total += *w;
  }
  return total;
}

CompareNode::CompareNode(uint32_t pos, CompareOp op, NodePtr left, NodePtr right)
    : Node(pos, ValueType::kLogical), op_(op) {
  if (const auto* c = dynamic_cast<const ConstNode*>(right.get()); c != nullptr && c->type() == ValueType::kCharacter)
    const_text_ = &c->text();
  AddKid(std::move(left));
  AddKid(std::move(right));
}

bool CompareNode::Eval(EvalEnv& env, Slot* out) const {
  std::string& buf = *env.buf;
  const size_t start = buf.size();
  Slot a, b;
  if (!kids_[0]->Eval(env, &a)) return false;
  const size_t mid = buf.size();
  if (const_text_ != nullptr && a.type == ValueType::kCharacter) {
    // A text against a literal (r_p = "P"): no need to copy the literal.
    out->type = ValueType::kLogical;
    out->logical = CompareTexts(op_, std::string_view(buf.data() + start, mid - start), *const_text_);
    buf.resize(start);
    return true;
  }
  if (!kids_[1]->Eval(env, &b)) return false;
  out->type = ValueType::kLogical;
  if (a.type != b.type) {
    // NIL equals only NIL; any other pair of different types is a mistake.
    if ((a.type == ValueType::kNil || b.type == ValueType::kNil) &&
        (op_ == CompareOp::kEqual || op_ == CompareOp::kExactEqual || op_ == CompareOp::kNotEqual)) {
      buf.resize(start);
      out->logical = op_ == CompareOp::kNotEqual;
      return true;
    }
    return Mismatch(env, pos(), CompareOpText(op_), a.type, b.type);
  }
  int c = 0;
  switch (a.type) {
    case ValueType::kCharacter: {
      std::string_view l(buf.data() + start, mid - start);
      std::string_view r(buf.data() + mid, buf.size() - mid);
      out->logical = CompareTexts(op_, l, r);
      buf.resize(start);
      return true;
    }
    case ValueType::kNumeric: c = Order(a.number, b.number); break;
    case ValueType::kDate: c = Order(a.date, b.date); break;
    case ValueType::kLogical: c = Order(a.logical, b.logical); break;
    case ValueType::kNil: c = 0; break;
  }
  if (op_ == CompareOp::kContains) return Mismatch(env, pos(), "$", a.type, b.type);
  out->logical = FromOrder(op_, c);
  return true;
}

LogicalNode::LogicalNode(uint32_t pos, bool is_and, NodePtr left, NodePtr right)
    : Node(pos, ValueType::kLogical), is_and_(is_and) {
  AddKid(std::move(left));
  AddKid(std::move(right));
}

bool LogicalNode::Eval(EvalEnv& env, Slot* out) const {
  const char* op = is_and_ ? ".AND." : ".OR.";
  out->type = ValueType::kLogical;
  for (const NodePtr& side : kids_) {
    Slot s;
    if (!side->Eval(env, &s)) return false;
    if (s.type != ValueType::kLogical)
      return env.Fail(pos(), std::string(op) + " needs logical values, not " + TypeName(s.type));
    if (s.logical != is_and_) {  // .F. decides .AND., .T. decides .OR.
      out->logical = s.logical;
      return true;
    }
  }
  out->logical = is_and_;
  return true;
}

IifNode::IifNode(uint32_t pos, NodePtr cond, NodePtr if_true, NodePtr if_false) : Node(pos, ValueType::kNil) {
  ValueType t = if_true->type() == if_false->type() ? if_true->type() : ValueType::kNil;
  set_type(t);
  AddKid(std::move(cond));
  AddKid(std::move(if_true));
  AddKid(std::move(if_false));
}

bool IifNode::Eval(EvalEnv& env, Slot* out) const {
  Slot c;
  if (!kids_[0]->Eval(env, &c)) return false;
  if (c.type != ValueType::kLogical)
    return env.Fail(kids_[0]->pos(), std::string("IIF() needs a logical condition, not ") + TypeName(c.type));
  return kids_[c.logical ? 1 : 2]->Eval(env, out);
}

std::optional<int> IifNode::Width() const {
  auto a = kids_[1]->Width(), b = kids_[2]->Width();
  if (a && b && *a == *b) return a;
  return std::nullopt;
}

}  // namespace hurt::xbase::expr_internal
