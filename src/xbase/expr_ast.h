// The compiled form of an expression: a tree of typed nodes with every name resolved.
//
// Evaluation works on one text buffer used as a stack. A node that yields a character
// value appends it to the buffer; a node that yields anything else leaves the buffer as it
// found it. So `a + b` of two texts is simply "evaluate a, evaluate b" — the two results
// already stand side by side — and a comparison evaluates both sides, compares the two
// adjacent pieces and cuts the buffer back. With a reused buffer nothing is allocated.
//
// Nodes return false on failure after recording the error in EvalEnv (cheaper than a
// Status per node on the hot path); Expression turns that into a Status.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "xbase/expr.h"
#include "xbase/value.h"

namespace hurt::xbase::expr_internal {

// Longest text an expression may build (the xBase limit of a string is 64 KB).
constexpr size_t kMaxStringLength = 65535;

// The non-text part of a result; a text result lies at the end of the buffer.
struct Slot {
  ValueType type = ValueType::kNil;
  bool logical = false;
  JulianDay date = kEmptyDate;
  double number = 0.0;
};

struct EvalEnv {
  const ExprContext* ctx = nullptr;  // nullptr while folding constants at compile time
  std::string* buf = nullptr;
  const std::string* text = nullptr;  // the expression, for messages
  Status error;

  // Records a run-time error at 0-based position `pos`; returns false for `return Fail(..)`.
  bool Fail(uint32_t pos, const std::string& message);
};

// "C" -> "character", etc., for messages.
const char* TypeName(ValueType t);

// "expression \"x+1\": position 2: message"
std::string ErrorText(const std::string& text, uint32_t pos, const std::string& message);

class Node {
 public:
  Node(uint32_t pos, ValueType type) : pos_(pos), type_(type) {}
  virtual ~Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  // Computes the value; see the buffer rule at the top of this file.
  virtual bool Eval(EvalEnv& env, Slot* out) const = 0;
  // The length of every C result, when known at compile time.
  virtual std::optional<int> Width() const { return std::nullopt; }
  // False for nodes whose value depends on more than their children (fields, variables,
  // RECNO(), DATE(), …): such nodes are never folded into constants.
  virtual bool Pure() const { return true; }
  virtual bool IsConstant() const { return false; }
  // The field this node reads directly, if it is a field node.
  virtual const FieldInfo* AsField() const { return nullptr; }
  virtual void AddDependencies(ExprDependencies*) const {}

  uint32_t pos() const { return pos_; }
  ValueType type() const { return type_; }
  int depth() const { return depth_; }
  const std::vector<std::unique_ptr<Node>>& kids() const { return kids_; }

 protected:
  void AddKid(std::unique_ptr<Node> kid) {
    if (kid->depth_ + 1 > depth_) depth_ = kid->depth_ + 1;
    kids_.push_back(std::move(kid));
  }
  void set_type(ValueType t) { type_ = t; }

  std::vector<std::unique_ptr<Node>> kids_;

 private:
  uint32_t pos_;
  ValueType type_;  // kNil: known only at run time
  int depth_ = 1;
};

using NodePtr = std::unique_ptr<Node>;

// ---- leaves ----

class ConstNode final : public Node {
 public:
  ConstNode(uint32_t pos, Value v);
  bool Eval(EvalEnv& env, Slot* out) const override;
  std::optional<int> Width() const override;
  bool IsConstant() const override { return true; }
  const Value& value() const { return value_; }
  // The text of a character constant.
  const std::string& text() const { return text_; }

 private:
  Value value_;
  Slot slot_;         // the value, ready to copy
  std::string text_;  // a character value
};

// A field of a work area. One subclass per field type keeps Eval free of type switches.
class FieldNode : public Node {
 public:
  FieldNode(uint32_t pos, FieldInfo info);
  std::optional<int> Width() const override;
  bool Pure() const override { return false; }
  const FieldInfo* AsField() const override { return &info_; }
  void AddDependencies(ExprDependencies* deps) const override;

 protected:
  FieldInfo info_;
};

// The node that reads `info` (type letters C N F D L M).
std::unique_ptr<FieldNode> MakeFieldNode(uint32_t pos, const FieldInfo& info);

// DTOS(date field): the field's bytes are already the answer when they hold a valid date.
class DtosFieldNode final : public Node {
 public:
  DtosFieldNode(uint32_t pos, FieldInfo info);
  bool Eval(EvalEnv& env, Slot* out) const override;
  std::optional<int> Width() const override { return 8; }
  bool Pure() const override { return false; }
  void AddDependencies(ExprDependencies* deps) const override;

 private:
  FieldInfo info_;
};

class VariableNode final : public Node {
 public:
  VariableNode(uint32_t pos, int id, std::string name);
  bool Eval(EvalEnv& env, Slot* out) const override;
  bool Pure() const override { return false; }
  void AddDependencies(ExprDependencies* deps) const override;

 private:
  int id_;
  std::string name_;
};

// ---- operators ----

enum class UnaryOp { kMinus, kPlus, kNot };

class UnaryNode final : public Node {
 public:
  UnaryNode(uint32_t pos, UnaryOp op, NodePtr operand, ValueType type);
  bool Eval(EvalEnv& env, Slot* out) const override;

 private:
  UnaryOp op_;
};

enum class BinaryOp { kAdd, kSub, kMul, kDiv, kMod, kPow };
const char* BinaryOpText(BinaryOp op);

// Arithmetic with the operand types decided at run time (numbers, dates, texts).
class BinaryNode final : public Node {
 public:
  BinaryNode(uint32_t pos, BinaryOp op, NodePtr left, NodePtr right, ValueType type);
  bool Eval(EvalEnv& env, Slot* out) const override;
  std::optional<int> Width() const override;

 private:
  BinaryOp op_;
};

// text + text + … : every part appends itself.
class ConcatNode final : public Node {
 public:
  ConcatNode(uint32_t pos, NodePtr first);
  // `op_pos`: where the "+" before this part stands, for messages.
  void Append(uint32_t op_pos, NodePtr part);
  bool Eval(EvalEnv& env, Slot* out) const override;
  std::optional<int> Width() const override;

 private:
  // Character fields and literals, the usual parts of a key, are appended directly
  // without a call through their node.
  struct Piece {
    const FieldInfo* field = nullptr;  // a character field
    const std::string* text = nullptr;  // a literal
  };
  void AddPiece(const Node& part);
  bool Fails(EvalEnv& env, size_t i, ValueType got) const;

  std::vector<uint32_t> op_pos_;  // op_pos_[i - 1] precedes part i
  std::vector<Piece> pieces_;     // one per part
};

enum class CompareOp { kEqual, kExactEqual, kNotEqual, kLess, kLessEqual, kGreater, kGreaterEqual, kContains };
const char* CompareOpText(CompareOp op);

class CompareNode final : public Node {
 public:
  CompareNode(uint32_t pos, CompareOp op, NodePtr left, NodePtr right);
  bool Eval(EvalEnv& env, Slot* out) const override;

 private:
  CompareOp op_;
  const std::string* const_text_ = nullptr;  // the right side when it is a text literal
};

// .AND. / .OR. with short-circuit.
class LogicalNode final : public Node {
 public:
  LogicalNode(uint32_t pos, bool is_and, NodePtr left, NodePtr right);
  bool Eval(EvalEnv& env, Slot* out) const override;

 private:
  bool is_and_;
};

// IIF(cond, a, b): only the chosen branch is evaluated.
class IifNode final : public Node {
 public:
  IifNode(uint32_t pos, NodePtr cond, NodePtr if_true, NodePtr if_false);
  bool Eval(EvalEnv& env, Slot* out) const override;
  std::optional<int> Width() const override;
};

// ---- function calls ----

class CallNode;
using EvalFn = bool (*)(EvalEnv& env, const CallNode& call, Slot* out);

// What the compiler knows of a function.
struct FunctionDef {
  const char* name;
  int min_args;
  int max_args;
  // Allowed types per argument: letters of ValueType ("N", "CND") or "*" for any.
  const char* arg_types[3];
  // Result type: a ValueType letter; '1' = the type of argument 1; 'X' = Infer decides.
  char result;
  bool pure;  // false: depends on the context (RECNO, DELETED, DATE)
  EvalFn eval;
  // Static result type when result is 'X'.
  ValueType (*infer)(const std::vector<NodePtr>& args) = nullptr;
  // Static width of the C result, when computable.
  std::optional<int> (*width)(const CallNode& call) = nullptr;
};

// "numeric", "character, numeric or date", "a value" ("*") for messages.
std::string ExpectedTypes(const char* letters);

// The function named `upper_name`, or nullptr.
const FunctionDef* FindFunction(std::string_view upper_name);

class CallNode final : public Node {
 public:
  CallNode(uint32_t pos, const FunctionDef* def, std::vector<NodePtr> args, int area, ValueType type);
  bool Eval(EvalEnv& env, Slot* out) const override { return def_->eval(env, *this, out); }
  std::optional<int> Width() const override;
  bool Pure() const override { return def_->pure; }
  void AddDependencies(ExprDependencies* deps) const override;

  const FunctionDef& def() const { return *def_; }
  size_t arg_count() const { return kids_.size(); }
  const Node& arg(size_t i) const { return *kids_[i]; }
  int area() const { return area_; }  // the work area of RECNO() and DELETED()

  // Argument evaluation with a run-time type check (message names the function).
  bool EvalArg(EvalEnv& env, size_t i, Slot* out) const { return kids_[i]->Eval(env, out); }
  bool NumberArg(EvalEnv& env, size_t i, double* out) const;
  bool DateArg(EvalEnv& env, size_t i, JulianDay* out) const;
  bool LogicalArg(EvalEnv& env, size_t i, bool* out) const;
  bool StringArg(EvalEnv& env, size_t i) const;  // appends the text to env.buf
  bool WrongType(EvalEnv& env, size_t i, ValueType got) const;

 private:
  const FunctionDef* def_;
  int area_;
};

// ---- shared helpers of the evaluator ----

// Numeric field text or VAL(): leading blanks, optional sign, digits, one point; stops at
// anything else; nothing readable gives 0.
double ParseNumber(std::string_view text);
// True when the bytes are "YYYYMMDD" of a real date (years 1..9999).
bool ValidDateBytes(std::string_view bytes, Ymd* out);
// A date field's "YYYYMMDD"; blanks or anything invalid give the empty date.
JulianDay ParseDateField(std::string_view bytes);
// Appends "YYYYMMDD" (eight blanks for the empty date).
void AppendDtos(JulianDay jd, std::string* out);
// A double as a count for SUBSTR, SPACE, …: NaN gives 0, huge values are clamped.
long ToCount(double x);
// First and last Julian days the calendar functions accept (years 1..9999).
constexpr JulianDay kFirstDay = 1721426;  // 0001-01-01
constexpr JulianDay kLastDay = 5373484;   // 9999-12-31

}  // namespace hurt::xbase::expr_internal
