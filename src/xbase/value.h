// A field or expression value as xBase knows it: character, numeric, date, logical or NIL.
//
// Character values are code page 852 bytes (memo text too). Numbers are doubles; dates
// are Julian day numbers (0 = empty date).
#pragma once

#include <string>
#include <variant>

#include "base/date.h"

namespace hurt::xbase {

struct Date {
  JulianDay day = kEmptyDate;
  bool operator==(const Date&) const = default;
  auto operator<=>(const Date&) const = default;
};

// The value types of xBase; the letters are those of VALTYPE() and of DBF fields.
enum class ValueType : char { kNil = 'U', kCharacter = 'C', kNumeric = 'N', kDate = 'D', kLogical = 'L' };

class Value {
 public:
  Value() = default;
  Value(std::string s) : v_(std::move(s)) {}     // NOLINT: implicit on purpose
  Value(const char* s) : v_(std::string(s)) {}   // NOLINT
  Value(double d) : v_(d) {}                      // NOLINT
  Value(int i) : v_(static_cast<double>(i)) {}    // NOLINT
  Value(long i) : v_(static_cast<double>(i)) {}   // NOLINT
  Value(Date d) : v_(d) {}                        // NOLINT
  Value(bool b) : v_(b) {}                        // NOLINT

  ValueType type() const {
    switch (v_.index()) {
      case 1: return ValueType::kCharacter;
      case 2: return ValueType::kNumeric;
      case 3: return ValueType::kDate;
      case 4: return ValueType::kLogical;
      default: return ValueType::kNil;
    }
  }
  bool IsNil() const { return v_.index() == 0; }
  bool IsString() const { return v_.index() == 1; }
  bool IsNumber() const { return v_.index() == 2; }
  bool IsDate() const { return v_.index() == 3; }
  bool IsLogical() const { return v_.index() == 4; }

  // Accessors; the wrong type gives the empty value of the asked type.
  const std::string& AsString() const {
    static const std::string kEmpty;
    return IsString() ? std::get<1>(v_) : kEmpty;
  }
  double AsNumber() const { return IsNumber() ? std::get<2>(v_) : 0.0; }
  Date AsDate() const { return IsDate() ? std::get<3>(v_) : Date{}; }
  bool AsLogical() const { return IsLogical() && std::get<4>(v_); }

  bool operator==(const Value&) const = default;

 private:
  std::variant<std::monostate, std::string, double, Date, bool> v_;
};

}  // namespace hurt::xbase
