// Fuzzes the expression compiler and evaluator: random texts against a small fake
// session, random record bytes too. Beyond "no crash, no leak, no undefined behaviour" it
// checks the promises of the interface: results have the compiled type and width, a
// failed evaluation leaves the caller's buffer alone, evaluation is repeatable, keys have
// their shape's length.
//
// Input: the expression text, optionally followed by a NUL and bytes that overwrite the
// current record of area 1.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/date.h"
#include "xbase/expr.h"
#include "xbase/expr_key.h"

namespace {

using hurt::xbase::Expression;
using hurt::xbase::FieldInfo;
using hurt::xbase::FieldRef;
using hurt::xbase::Value;
using hurt::xbase::ValueType;

struct Field {
  const char* name;
  char type;
  int width;
  int decimals;
};

constexpr Field kFields[] = {{"A", 'C', 5, 0}, {"N", 'N', 8, 2}, {"D", 'D', 8, 0}, {"L", 'L', 1, 0},
                             {"M", 'M', 10, 0}, {"W", 'C', 30, 0}, {"I", 'N', 5, 0}};
constexpr int kFieldCount = static_cast<int>(sizeof kFields / sizeof kFields[0]);

class Session : public hurt::xbase::ExprScope, public hurt::xbase::ExprContext {
 public:
  explicit Session(std::string_view record_bytes, bool blank) {
    for (int area = 0; area < 2; ++area) {
      std::string& r = records_[area];
      r = blank ? std::string(RecordLength(), ' ') : std::string("abc  ") + "  -12.50" + "20240229" + "T" +
                                                           "         1" + "Towar testowy                 " + "  123";
      r.resize(RecordLength(), ' ');
      if (area == 0 && !blank)
        for (size_t i = 0; i < record_bytes.size() && i < r.size(); ++i) r[i] = record_bytes[i];
    }
  }

  static size_t RecordLength() {
    size_t n = 0;
    for (const Field& f : kFields) n += static_cast<size_t>(f.width);
    return n;
  }

  int CurrentArea() const override { return 1; }
  std::optional<int> FindArea(std::string_view alias) const override {
    if (alias == "T") return 1;
    if (alias == "U") return 2;
    return std::nullopt;
  }
  std::optional<FieldInfo> FindField(int area, std::string_view name) const override {
    if (area != 1 && area != 2) return std::nullopt;
    for (int i = 0; i < kFieldCount; ++i)
      if (name == kFields[i].name) return FieldInfo{FieldRef{area, i}, kFields[i].type, kFields[i].width, kFields[i].decimals};
    return std::nullopt;
  }
  std::optional<int> FindVariable(std::string_view name) const override {
    for (int i = 0; i < 5; ++i)
      if (name == kVarNames[i]) return i;
    return std::nullopt;
  }

  std::string_view FieldBytes(FieldRef f) const override {
    size_t at = 0;
    for (int i = 0; i < f.field; ++i) at += static_cast<size_t>(kFields[i].width);
    return std::string_view(records_[f.area - 1]).substr(at, static_cast<size_t>(kFields[f.field].width));
  }
  hurt::Status AppendMemo(FieldRef, std::string* out) const override {
    out->append("notatka");
    return hurt::Status::Ok();
  }
  const Value* Variable(int id) const override { return id >= 0 && id < 5 ? &vars_[id] : nullptr; }
  uint32_t RecNo(int area) const override { return area == 1 ? 17 : 3; }
  bool Deleted(int area) const override { return area == 2; }
  hurt::JulianDay Today() const override { return hurt::JulianFromYmd(2024, 3, 15); }

 private:
  static constexpr const char* kVarNames[5] = {"V_C", "V_N", "V_D", "V_L", "V_NIL"};
  std::string records_[2];
  Value vars_[5] = {Value("abc"), Value(3.5), Value(hurt::xbase::Date{hurt::JulianFromYmd(2023, 12, 31)}), Value(true),
                    Value()};
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t nul = input.find('\0');
  std::string_view text = input.substr(0, nul);
  std::string_view record = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
  Session session(record, false);

  hurt::Result<Expression> compiled = Expression::Compile(text, session);
  if (!compiled.ok()) {
    Check(compiled.status().IsInvalid() && !compiled.status().message().empty());
    return 0;
  }
  Expression& e = compiled.value();

  Value v;
  hurt::Status s = e.Eval(session, &v);
  std::string out = "XYZ";
  hurt::Status s2 = e.AppendString(session, &out);
  if (!s.ok()) {
    Check(s.IsInvalid());
    Check(!s2.ok() && out == "XYZ");
    return 0;
  }
  // The value has the compiled type and width.
  if (e.type() != ValueType::kNil) Check(v.type() == e.type());
  if (e.width() && v.IsString()) Check(v.AsString().size() == static_cast<size_t>(*e.width()));
  // The same value again, through every entry point.
  Value again;
  Check(e.Eval(session, &again).ok() && again == v);
  if (v.IsString()) {
    Check(s2.ok() && out == "XYZ" + v.AsString());
  } else {
    Check(!s2.ok() && out == "XYZ");
  }
  hurt::Result<bool> b = e.EvalLogical(session);
  Check(b.ok() == v.IsLogical() && (!b.ok() || *b == v.AsLogical()));
  hurt::Result<double> n = e.EvalNumber(session);
  Check(n.ok() == v.IsNumber() && (!n.ok() || *n == v.AsNumber()));

  // As an index key: the shape from a blank record, then keys of exactly that length.
  Session blank("", true);
  hurt::Result<hurt::xbase::KeyShape> shape = hurt::xbase::KeyShapeOf(e, blank);
  if (shape.ok()) {
    std::string key;
    if (hurt::xbase::AppendKey(e, *shape, session, &key).ok()) Check(key.size() == static_cast<size_t>(shape->length));
  }
  return 0;
}
