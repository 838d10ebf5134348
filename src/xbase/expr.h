// xBase expressions: index keys and run-time conditions compiled once, evaluated per record.
//
//   Result<Expression> key = Expression::Compile("DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+rd+nrd+lp", scope);
//   if (!key.ok()) return key.status();       // message names the text and the position
//   ...
//   key_bytes.clear();                         // a buffer reused record after record
//   HURT_RETURN_IF_ERROR(key->AppendString(context, &key_bytes));
//
// This is not a language interpreter: an expression reads fields of the current records,
// session variables and a few facts of the work area (RECNO(), DELETED(), DATE()), and
// computes one value. Application logic stays in C++.
//
// Two small interfaces connect an expression to the work areas, which implement them:
//
// - ExprScope answers, once at compile time, what a name means: which work area an alias
//   names, which field of a work area a name is, which session variable a name is. Every
//   name is resolved then; evaluation never looks a name up again.
// - ExprContext answers, at every evaluation, the bytes of a field in the current record,
//   the value of a variable, the record number, the deleted flag and today's date.
//
// Names (identifiers are case-insensitive; the interfaces always receive upper case):
//
//   alias->name      the field `name` of the work area opened under `alias`
//   alias->(expr)    `expr` evaluated with `alias` as its current area: its bare names,
//                    RECNO() and DELETED() refer to that area
//   FIELD->name      a field of the current area, never a variable (also _FIELD->)
//   M->name          a variable, never a field (also MEMVAR->)
//   name             a field of the current area when it has one, otherwise a variable;
//                    a field thus wins over a variable of the same name, as in xBase
//   name(args)       a function (see the list in expr_functions.cpp); unknown functions
//                    are compile errors
//
// An unknown alias, field or name is a compile error: a name that is neither a field nor a
// variable when the expression is compiled cannot become one later.
//
// Operators, from the tightest binding: unary + -; ** ^; * / %; + -; the comparisons
// = == <> # != < > <= >= $; .NOT. !; .AND.; .OR. (short-circuit). Literals: "..." '...'
// [...], numbers (12, 1.5, .5), .T. .F. .Y. .N. Text comparisons follow SET EXACT OFF:
// "ABC" = "AB" is true, "AB" = "ABC" false, anything = "" true; == compares exactly.
//
// Types are checked at compile time wherever they are known (fields, literals, functions);
// a variable's type is known only at run time, so its mistakes are run-time errors.
// Errors are Status::Invalid with the expression text and the 1-based position.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/result.h"
#include "xbase/value.h"

namespace hurt::xbase {

// The caller's handle of one field of one work area. The compiler never interprets the
// numbers: it receives them from ExprScope and hands them back to ExprContext.
struct FieldRef {
  int area = 0;   // the work area, as ExprScope numbers it (e.g. the work-area number)
  int field = 0;  // the field within that area's table (e.g. its 0-based position)
  bool operator==(const FieldRef&) const = default;
};

// What ExprScope tells about a field: its handle and its DBF descriptor.
struct FieldInfo {
  FieldRef ref;
  char type = 'C';  // DBF type letter: C, N (F is read as N), D, L, M
  int width = 0;
  int decimals = 0;
};

// Compile-time name resolution, implemented by the work-area layer.
class ExprScope {
 public:
  virtual ~ExprScope() = default;
  // The work area that names without an alias belong to.
  virtual int CurrentArea() const = 0;
  // The work area opened under `alias` ("FA_NX"), if any.
  virtual std::optional<int> FindArea(std::string_view alias) const = 0;
  // The field `name` ("MAG") of the table open in `area`, if it has one.
  virtual std::optional<FieldInfo> FindField(int area, std::string_view name) const = 0;
  // The session variable `name` ("M_KTO"), if declared: a handle that ExprContext::Variable
  // accepts for as long as the compiled expression is used.
  virtual std::optional<int> FindVariable(std::string_view name) const = 0;
};

// Evaluation-time access to the current records, implemented by the work-area layer.
// Called many times per evaluation; keep every call cheap (no allocation, no I/O except
// memo text).
class ExprContext {
 public:
  virtual ~ExprContext() = default;
  // The bytes of the field in the current record of its area, as the DBF record holds them
  // (FieldInfo::width bytes; a blank record at end of file). The view must stay valid
  // until the evaluation returns.
  virtual std::string_view FieldBytes(FieldRef field) const = 0;
  // Appends the text of a memo field of the current record. The default has no memo file.
  virtual Status AppendMemo(FieldRef field, std::string* out) const;
  // The current value of a variable; nullptr when it no longer exists.
  virtual const Value* Variable(int variable) const = 0;
  // RECNO() and DELETED() of the current record of a work area.
  virtual uint32_t RecNo(int area) const = 0;
  virtual bool Deleted(int area) const = 0;
  // DATE(): today as the session's clock says.
  virtual JulianDay Today() const = 0;
};

// What an expression reads, so that the caller knows when its value may change.
struct ExprDependencies {
  std::vector<FieldRef> fields;  // each field once, in order of first appearance
  std::vector<int> variables;    // each variable once
  bool record_number = false;    // RECNO() is used
  bool deleted_flag = false;     // DELETED() is used
  bool today = false;            // DATE() is used
};

namespace expr_internal {
class Node;
}

// A compiled expression. Movable, not copyable (compile the text again for a copy).
//
// AppendString is const and reentrant. Eval, EvalLogical and EvalNumber keep a work buffer
// inside the object to stay free of allocations, so one Expression must not be evaluated
// by two threads at once (each station is one thread; compile one per thread otherwise).
class Expression {
 public:
  // Compiles `text` resolving every name through `scope`. Status::Invalid with the text
  // and position on any error: syntax, unknown function / alias / field / name, wrong
  // number of arguments, a type mismatch visible at compile time.
  static Result<Expression> Compile(std::string_view text, const ExprScope& scope);

  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;
  ~Expression();

  const std::string& text() const { return text_; }

  // The type of every result: C, N, D or L; kNil when it is only known at run time (the
  // expression depends on a variable's type or IIF's branches differ in type).
  ValueType type() const;
  // The length of every result when the compiler can tell it: C results of fields,
  // literals, DTOS, STR with a width, SUBSTR/PADR/LEFT with constant lengths, … and their
  // concatenations; D gives 8 and L gives 1. nullopt otherwise (TRIM, variables, …):
  // evaluate on a blank record then, as xBase does when it creates an index.
  std::optional<int> width() const;
  // For a numeric result that is a plain numeric field (or DESCEND/- of one): its width
  // and decimals, the shape of its STR() text.
  std::optional<std::pair<int, int>> numeric_shape() const;
  const ExprDependencies& dependencies() const { return deps_; }
  // True when the value never changes (no field, variable or context function).
  bool IsConstant() const;

  // Any type of result.
  Status Eval(const ExprContext& ctx, Value* out);
  // Appends a character result to *out (error if the result is not C). With a reused
  // buffer this allocates nothing: the fast path for index keys.
  Status AppendString(const ExprContext& ctx, std::string* out) const;
  // A logical result (error if the result is not L): conditions, filters.
  Result<bool> EvalLogical(const ExprContext& ctx);
  // A numeric result (error if the result is not N).
  Result<double> EvalNumber(const ExprContext& ctx);

 private:
  Expression(std::string text, std::unique_ptr<expr_internal::Node> root, ExprDependencies deps);

  std::string text_;
  std::unique_ptr<expr_internal::Node> root_;
  ExprDependencies deps_;
  std::string scratch_;  // work buffer of Eval/EvalLogical/EvalNumber
};

}  // namespace hurt::xbase
