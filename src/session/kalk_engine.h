// The arithmetic of the pop-up calculator, without a screen.
//
// Two registers: the upper one holds the running value with the operation waiting for its
// second operand ("12 +"), the lower one the number being typed or the last result. Keys
// work as on a simple desk calculator, from left to right without precedence:
//
//   12 + 30 =       42          an operation waits until the next operator or "="
//   12 + 30 * 2 =   84          an operator after a typed number first completes the
//                               waiting operation
//   12 + * 2 =      24          a second operator in a row replaces the first
//   12 + =          12          "=" with no number typed after the operator drops it
//
// Numbers are typed with at most 15 digits and one decimal point (a comma is a point).
// Results are kept to 10 decimals and shown with at most 15 significant digits (18
// characters at most, leaving room for the operation sign in the upper register). A division by zero, or a result of 10^15 or more, puts an error text in
// the lower register; the next key starts afresh (a digit a new number, "C" or Backspace
// a cleared calculator; operators and "=" are refused).
#pragma once

#include <string>
#include <string_view>

namespace hurt::session {

class Calculator {
 public:
  static constexpr int kRegisterWidth = 19;
  static constexpr int kMaxDigits = 15;

  // "C": both registers cleared, the value is 0.
  void Clear();
  // A value to start from (the numeric field the calculator was called from).
  void Load(double value);

  // Each returns false when the key was refused (the screen beeps).
  bool Digit(char c);  // '0'..'9', '.' or ','
  bool Backspace();
  bool Operator(char op);  // '+', '-', '*' or '/'
  bool Equals();           // "=" or Enter

  // The next "=" ends a recall of a negative memory typed through the keyboard buffer:
  // the "-" that follows it is the number's sign, not a subtraction.
  void RecallFollows() { recall_ = true; }

  bool error() const { return !error_.empty(); }
  // The value shown in the lower register (0 after an error).
  double Value() const;
  // That value as text without padding: "42", "-3.25", "0.3333333333".
  std::string ValueText() const;

  // The two registers as shown, kRegisterWidth characters each, right-aligned.
  std::string UpperRegister() const;
  std::string LowerRegister() const;

  // The text a value is shown with (at most 18 characters).
  static std::string Format(double value);

 private:
  bool Compute(char op, double operand);
  void Fail(std::string_view message);

  double acc_ = 0;         // the running value of the upper register
  char pending_ = 0;       // the operation waiting for its operand, 0 for none
  double shown_ = 0;       // the lower register when no number is being typed
  std::string entry_;      // the number being typed
  bool typing_ = false;    // entry_ is in the lower register
  std::string error_;      // error text in the lower register
  bool recall_ = false;
  bool sign_allowed_ = false;
};

}  // namespace hurt::session
