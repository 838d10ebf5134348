#include "session/kalk_engine.h"

#include <algorithm>
#include <cmath>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"

namespace hurt::session {

using namespace hurt::literals;

namespace {

constexpr int kKeptDecimals = 10;
constexpr int kMaxShownLength = Calculator::kRegisterWidth - 1;  // room for the operation sign
constexpr double kLimit = 1e15;                                    // 15 integer digits

constexpr std::string_view kDivisionByZero = "Dzielenie przez 0";
constexpr std::string_view kTooBig = "Za duża liczba"_pl;

int DigitCount(std::string_view text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

bool IsOperator(char op) { return op == '+' || op == '-' || op == '*' || op == '/'; }

}  // namespace

std::string Calculator::Format(double value) {
  for (int dec = kKeptDecimals; dec >= 0; --dec) {
    std::string text = FormatFixed(value, dec);
    if (text.find('.') != std::string::npos) {
      while (text.back() == '0') text.pop_back();
      if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    if (static_cast<int>(text.size()) <= kMaxShownLength) return text;
  }
  return FormatFixed(value, 0);  // not reached below kLimit
}

void Calculator::Clear() { *this = Calculator{}; }

void Calculator::Load(double value) {
  Clear();
  if (std::isfinite(value) && std::fabs(value) < kLimit) shown_ = RoundHalfAway(value, kKeptDecimals);
}

void Calculator::Fail(std::string_view message) {
  Clear();
  error_ = message;
}

double Calculator::Value() const {
  if (error()) return 0;
  if (typing_) return Val(entry_);
  return shown_;
}

std::string Calculator::ValueText() const {
  if (error()) return "0";
  if (typing_) return Format(Val(entry_));
  return Format(shown_);
}

std::string Calculator::UpperRegister() const {
  if (pending_ == 0 || error()) return Space(kRegisterWidth);
  std::string text = Format(acc_) + " " + pending_;
  if (static_cast<int>(text.size()) > kRegisterWidth) text = Format(acc_) + pending_;
  return PadL(text, kRegisterWidth);
}

std::string Calculator::LowerRegister() const {
  if (error()) return PadL(error_, kRegisterWidth);
  if (!typing_) return PadL(Format(shown_), kRegisterWidth);
  return PadL(entry_.empty() ? std::string("0") : entry_, kRegisterWidth);
}

bool Calculator::Digit(char c) {
  const bool point = c == '.' || c == ',';
  if (!point && (c < '0' || c > '9')) return false;
  if (error()) Clear();
  if (!typing_) {
    entry_ = sign_allowed_ ? "-" : "";
    typing_ = true;
  }
  sign_allowed_ = recall_ = false;
  if (point) {
    if (entry_.find('.') != std::string::npos) return false;
    entry_ += DigitCount(entry_) == 0 ? "0." : ".";
    return true;
  }
  if (DigitCount(entry_) >= kMaxDigits) return false;
  // A leading zero gives way to the next digit: "0" then "5" is "5", not "05".
  if (entry_ == "0" || entry_ == "-0") entry_.pop_back();
  entry_ += c;
  return true;
}

bool Calculator::Backspace() {
  sign_allowed_ = recall_ = false;
  if (error()) {
    Clear();
    return true;
  }
  if (!typing_) {
    if (pending_ != 0) return false;  // the operand is not typed yet: nothing to edit
    entry_ = Format(shown_);
    typing_ = true;
  }
  if (entry_.empty()) return false;
  entry_.pop_back();
  if (entry_ == "-") entry_.clear();
  return true;
}

bool Calculator::Compute(char op, double operand) {
  double result = 0;
  switch (op) {
    case '+': result = acc_ + operand; break;
    case '-': result = acc_ - operand; break;
    case '*': result = acc_ * operand; break;
    case '/':
      if (operand == 0) {
        Fail(kDivisionByZero);
        return false;
      }
      result = acc_ / operand;
      break;
    default: return false;
  }
  if (!std::isfinite(result) || std::fabs(result) >= kLimit) {
    Fail(kTooBig);
    return false;
  }
  acc_ = RoundHalfAway(result, kKeptDecimals);
  return true;
}

bool Calculator::Operator(char op) {
  if (!IsOperator(op) || error()) return false;
  if (op == '-' && sign_allowed_) {
    sign_allowed_ = recall_ = false;
    entry_ = "-";
    typing_ = true;
    return true;
  }
  sign_allowed_ = recall_ = false;
  if (pending_ != 0 && typing_) {
    if (!Compute(pending_, Val(entry_))) return true;  // the error is shown
  } else if (pending_ == 0) {
    acc_ = Value();
  }
  shown_ = acc_;
  pending_ = op;
  typing_ = false;
  entry_.clear();
  return true;
}

bool Calculator::Equals() {
  if (error()) return false;
  const bool recall = recall_;
  sign_allowed_ = recall_ = false;
  if (pending_ != 0 && typing_) {
    if (!Compute(pending_, Val(entry_))) return true;
    shown_ = acc_;
  } else if (pending_ == 0) {
    shown_ = Value();
  }  // an operator with no operand typed: dropped, the running value stays shown
  pending_ = 0;
  typing_ = false;
  entry_.clear();
  sign_allowed_ = recall;
  return true;
}

}  // namespace hurt::session
