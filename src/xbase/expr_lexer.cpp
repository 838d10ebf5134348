#include "xbase/expr_lexer.h"

#include <charconv>

#include "base/text.h"
#include "xbase/expr_ast.h"

namespace hurt::xbase::expr_internal {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

}  // namespace

Result<std::vector<Token>> Tokenize(std::string_view text) {
  const std::string whole(text);
  auto fail = [&](size_t pos, const std::string& msg) -> Status {
    return Status::Invalid(ErrorText(whole, static_cast<uint32_t>(pos), msg));
  };
  std::vector<Token> out;
  size_t i = 0;
  const size_t n = text.size();
  while (true) {
    while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    Token t;
    t.pos = static_cast<uint32_t>(i);
    if (i >= n) {
      out.push_back(t);
      return out;
    }
    const char c = text[i];
    auto next = [&](size_t k) { return i + k < n ? text[i + k] : '\0'; };
    auto single = [&](Tok kind, size_t len) {
      t.kind = kind;
      t.text = text.substr(i, len);
      i += len;
    };
    if (IsDigit(c) || (c == '.' && IsDigit(next(1)))) {
      size_t j = i;
      while (j < n && IsDigit(text[j])) ++j;
      // "1.5", "1." — but in "1.AND." the point starts an operator.
      if (j < n && text[j] == '.' && !(j + 1 < n && IsLetter(text[j + 1]))) {
        ++j;
        while (j < n && IsDigit(text[j])) ++j;
      }
      t.kind = Tok::kNumber;
      t.text = text.substr(i, j - i);
      std::string_view digits = t.text;
      if (digits.back() == '.') digits.remove_suffix(1);
      auto r = std::from_chars(digits.data(), digits.data() + digits.size(), t.number);
      if (r.ec != std::errc() || r.ptr != digits.data() + digits.size())
        return fail(i, "number " + std::string(t.text) + " is out of range");
      i = j;
    } else if (IsLetter(c)) {
      size_t j = i;
      while (j < n && (IsLetter(text[j]) || IsDigit(text[j]))) ++j;
      single(Tok::kIdent, j - i);
    } else if (c == '"' || c == '\'' || c == '[') {
      const char close = c == '[' ? ']' : c;
      size_t end = text.find(close, i + 1);
      if (end == std::string_view::npos) return fail(i, "text not closed with " + std::string(1, close));
      t.kind = Tok::kString;
      t.text = text.substr(i + 1, end - i - 1);
      i = end + 1;
    } else if (c == '.') {
      size_t j = i + 1;
      while (j < n && IsLetter(text[j])) ++j;
      if (j >= n || text[j] != '.' || j == i + 1) return fail(i, "unexpected \".\"");
      std::string word = Upper(text.substr(i + 1, j - i - 1));
      if (word == "T" || word == "Y") {
        t.kind = Tok::kTrue;
      } else if (word == "F" || word == "N") {
        t.kind = Tok::kFalse;
      } else if (word == "AND") {
        t.kind = Tok::kAnd;
      } else if (word == "OR") {
        t.kind = Tok::kOr;
      } else if (word == "NOT") {
        t.kind = Tok::kNot;
      } else {
        return fail(i, "unknown operator ." + word + ".");
      }
      t.text = text.substr(i, j + 1 - i);
      i = j + 1;
    } else {
      switch (c) {
        case '(': single(Tok::kLParen, 1); break;
        case ')': single(Tok::kRParen, 1); break;
        case ',': single(Tok::kComma, 1); break;
        case '+': single(Tok::kPlus, 1); break;
        case '-':
          if (next(1) == '>') {
            single(Tok::kArrow, 2);
          } else {
            single(Tok::kMinus, 1);
          }
          break;
        case '*':
          if (next(1) == '*') {
            single(Tok::kPower, 2);
          } else {
            single(Tok::kStar, 1);
          }
          break;
        case '/': single(Tok::kSlash, 1); break;
        case '%': single(Tok::kPercent, 1); break;
        case '^': single(Tok::kPower, 1); break;
        case '$': single(Tok::kDollar, 1); break;
        case '#': single(Tok::kNotEqual, 1); break;
        case '=':
          if (next(1) == '=') {
            single(Tok::kExactEqual, 2);
          } else {
            single(Tok::kEqual, 1);
          }
          break;
        case '!':
          if (next(1) == '=') {
            single(Tok::kNotEqual, 2);
          } else {
            single(Tok::kNot, 1);
          }
          break;
        case '<':
          if (next(1) == '>') {
            single(Tok::kNotEqual, 2);
          } else if (next(1) == '=') {
            single(Tok::kLessEqual, 2);
          } else {
            single(Tok::kLess, 1);
          }
          break;
        case '>':
          if (next(1) == '=') {
            single(Tok::kGreaterEqual, 2);
          } else {
            single(Tok::kGreater, 1);
          }
          break;
        default: {
          unsigned char b = static_cast<unsigned char>(c);
          std::string shown = b >= 0x20 && b < 0x7F ? std::string("\"") + c + "\"" : "byte " + std::to_string(b);
          return fail(i, "unexpected character " + shown);
        }
      }
    }
    out.push_back(t);
  }
}

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Tok::kEnd: return "end of expression";
    case Tok::kIdent: return "name " + Upper(t.text);
    case Tok::kString: return "text \"" + std::string(t.text) + "\"";
    case Tok::kNumber: return "number " + std::string(t.text);
    default: return "\"" + std::string(t.text) + "\"";
  }
}

}  // namespace hurt::xbase::expr_internal
