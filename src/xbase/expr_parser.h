// From text to a compiled tree: parsing, name resolution, compile-time type checks and
// constant folding.
#pragma once

#include <string>

#include "base/result.h"
#include "xbase/expr.h"
#include "xbase/expr_ast.h"

namespace hurt::xbase::expr_internal {

// Nesting of parentheses, unary operators and calls, and depth of the tree.
constexpr int kMaxNesting = 100;
constexpr int kMaxTreeDepth = 200;
// Longest expression text.
constexpr size_t kMaxTextLength = 65535;

Result<NodePtr> ParseExpression(const std::string& text, const ExprScope& scope);

}  // namespace hurt::xbase::expr_internal
