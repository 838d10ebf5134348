#include "xbase/expr_transform.h"

#include <cmath>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"

namespace hurt::xbase {

namespace {

bool IsDigitSlot(char c) { return c == '9' || c == '#'; }

std::string TransformNumber(double x, std::string_view functions, std::string_view tmpl) {
  const bool blank_zero = functions.find('Z') != std::string_view::npos;
  const bool left = functions.find('B') != std::string_view::npos;
  std::string out;
  if (tmpl.empty()) {
    bool whole = x == std::trunc(x);
    out = Str(x, whole ? 10 : 13, whole ? 0 : 2);
    if (blank_zero && Val(out) == 0.0 && out.find('*') == std::string::npos) return std::string(out.size(), ' ');
  } else {
    const size_t point = tmpl.find('.');
    const std::string_view int_part = tmpl.substr(0, point);
    const std::string_view frac_part = point == std::string_view::npos ? std::string_view() : tmpl.substr(point + 1);
    int dec = 0;
    for (char c : frac_part) dec += IsDigitSlot(c) ? 1 : 0;
    std::string text = FormatFixed(x, dec);  // "-12.50"
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.erase(0, 1);
    const size_t dot = text.find('.');
    std::string digits = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    if (blank_zero && digits == "0" && fraction.find_first_not_of('0') == std::string::npos)
      return std::string(tmpl.size(), ' ');
    // Integer part, right to left.
    std::string ints(int_part);
    size_t next = digits.size();  // digits still to place: digits[0, next)
    bool sign_placed = !negative;
    for (size_t i = ints.size(); i-- > 0;) {
      char c = ints[i];
      if (IsDigitSlot(c)) {
        if (next > 0) {
          ints[i] = digits[--next];
        } else if (!sign_placed) {
          ints[i] = '-';
          sign_placed = true;
        } else {
          ints[i] = ' ';
        }
      } else if (c == ',') {
        ints[i] = next > 0 ? ',' : ' ';
      }
    }
    if (next > 0 || !sign_placed) return std::string(tmpl.size(), '*');
    out = ints;
    if (point != std::string_view::npos) {
      out += '.';
      size_t f = 0;
      for (char c : frac_part) out += IsDigitSlot(c) ? (f < fraction.size() ? fraction[f++] : '0') : c;
    }
  }
  if (left) {
    size_t lead = out.find_first_not_of(' ');
    if (lead != std::string::npos && lead > 0) out = out.substr(lead) + std::string(lead, ' ');
  }
  return out;
}

std::string TransformText(std::string_view s, std::string_view functions, std::string_view tmpl) {
  const bool upper = functions.find('!') != std::string_view::npos;
  std::string out;
  if (tmpl.empty()) {
    out = s;
  } else {
    size_t k = 0;
    for (char c : tmpl) {
      switch (c) {
        case '!': out += k < s.size() ? UpperPlChar(s[k++]) : ' '; break;
        case '9':
        case '#':
        case 'A':
        case 'N':
        case 'X':
        case 'L':
        case 'Y': out += k < s.size() ? s[k++] : ' '; break;
        default: out += c; break;
      }
    }
  }
  if (upper) out = UpperPl(out);
  return out;
}

}  // namespace

std::string Transform(const Value& value, std::string_view picture) {
  std::string_view functions, tmpl = picture;
  if (!picture.empty() && picture[0] == '@') {
    size_t blank = picture.find(' ');
    functions = picture.substr(1, blank == std::string_view::npos ? std::string_view::npos : blank - 1);
    tmpl = blank == std::string_view::npos ? std::string_view() : picture.substr(blank + 1);
  }
  std::string f = Upper(functions);
  switch (value.type()) {
    case ValueType::kNumeric: return TransformNumber(value.AsNumber(), f, tmpl);
    case ValueType::kCharacter: return TransformText(value.AsString(), f, tmpl);
    case ValueType::kDate: return Dtoc(value.AsDate().day);
    case ValueType::kLogical:
      if (Upper(tmpl) == "Y") return value.AsLogical() ? "Y" : "N";
      return value.AsLogical() ? "T" : "F";
    case ValueType::kNil: break;
  }
  return std::string();
}

}  // namespace hurt::xbase
