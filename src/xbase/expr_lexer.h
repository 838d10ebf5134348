// Tokens of an xBase expression.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace hurt::xbase::expr_internal {

enum class Tok {
  kEnd,
  kNumber,   // 12  1.5  .5
  kString,   // "…"  '…'  […]
  kIdent,    // name (as written; the parser upper-cases it)
  kTrue,     // .T. .Y.
  kFalse,    // .F. .N.
  kAnd,      // .AND.
  kOr,       // .OR.
  kNot,      // .NOT.  !
  kLParen,
  kRParen,
  kComma,
  kArrow,    // ->
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kPercent,
  kPower,    // **  ^
  kEqual,    // =
  kExactEqual,  // ==
  kNotEqual,    // <>  #  !=
  kLess,
  kLessEqual,
  kGreater,
  kGreaterEqual,
  kDollar,   // $
};

struct Token {
  Tok kind = Tok::kEnd;
  uint32_t pos = 0;       // 0-based offset in the text
  std::string_view text;  // the characters of the token; for strings the contents only
  double number = 0.0;
};

// Splits the text into tokens ending with kEnd; Status::Invalid with the position of the
// first character that is not part of a token, or of an unterminated string.
Result<std::vector<Token>> Tokenize(std::string_view text);

// "end of expression", "\")\"", "name MAG", … for messages.
std::string Describe(const Token& t);

}  // namespace hurt::xbase::expr_internal
