// A tiny stand-in for the work areas: tables with one current record each, and session
// variables, behind the ExprScope and ExprContext interfaces.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "xbase/expr.h"

namespace hurt::xbase::testing {

struct FakeField {
  std::string name;  // upper case
  char type = 'C';
  int width = 0;
  int decimals = 0;
};

class FakeTable {
 public:
  FakeTable(std::string alias, std::vector<FakeField> fields) : alias_(std::move(alias)), fields_(std::move(fields)) {
    for (const FakeField& f : fields_) {
      offsets_.push_back(record_.size());
      record_.append(static_cast<size_t>(f.width), ' ');
    }
  }

  const std::string& alias() const { return alias_; }
  const std::vector<FakeField>& fields() const { return fields_; }

  int Find(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
      if (fields_[i].name == name) return static_cast<int>(i);
    return -1;
  }

  // Stores a value the way a DBF record holds it.
  void Set(std::string_view name, const Value& v) {
    int i = Find(name);
    if (i < 0) return;
    const FakeField& f = fields_[static_cast<size_t>(i)];
    std::string bytes;
    switch (f.type) {
      case 'C': bytes = PadR(v.AsString(), static_cast<size_t>(f.width)); break;
      case 'N': {
        bytes = NumericFieldText(v.AsNumber(), f.width, f.decimals);
        if (bytes.empty()) bytes = std::string(static_cast<size_t>(f.width), '*');
        break;
      }
      case 'D': bytes = Dtos(v.AsDate().day); break;
      case 'L': bytes = v.AsLogical() ? "T" : "F"; break;
      case 'M': memos_[i] = v.AsString(); bytes = PadL("1", static_cast<size_t>(f.width)); break;
      default: break;
    }
    SetRaw(name, bytes);
  }

  void SetRaw(std::string_view name, std::string_view bytes) {
    int i = Find(name);
    if (i < 0) return;
    const FakeField& f = fields_[static_cast<size_t>(i)];
    record_.replace(offsets_[static_cast<size_t>(i)], static_cast<size_t>(f.width),
                    PadR(bytes, static_cast<size_t>(f.width)));
  }

  void Blank() { record_.assign(record_.size(), ' '); memos_.clear(); }

  std::string_view Bytes(int i) const {
    return std::string_view(record_).substr(offsets_[static_cast<size_t>(i)],
                                            static_cast<size_t>(fields_[static_cast<size_t>(i)].width));
  }
  const std::string* Memo(int i) const {
    auto it = memos_.find(i);
    return it == memos_.end() ? nullptr : &it->second;
  }

  uint32_t recno = 1;
  bool deleted = false;

 private:
  std::string alias_;
  std::vector<FakeField> fields_;
  std::vector<size_t> offsets_;
  std::string record_;
  std::map<int, std::string> memos_;
};

// Work areas are numbered from 1 in the order they are added.
class FakeSession : public ExprScope, public ExprContext {
 public:
  FakeTable& Add(std::string alias, std::vector<FakeField> fields) {
    tables_.emplace_back(std::move(alias), std::move(fields));
    return tables_.back();
  }
  FakeTable& table(int area) { return tables_[static_cast<size_t>(area - 1)]; }
  void Select(int area) { current_ = area; }

  void SetVar(const std::string& name, Value v) {
    for (size_t i = 0; i < var_names_.size(); ++i)
      if (var_names_[i] == name) {
        var_values_[i] = std::move(v);
        return;
      }
    var_names_.push_back(name);
    var_values_.push_back(std::move(v));
    var_alive_.push_back(true);
  }
  void Release(const std::string& name) {
    for (size_t i = 0; i < var_names_.size(); ++i)
      if (var_names_[i] == name) var_alive_[i] = false;
  }

  JulianDay today = JulianFromYmd(2024, 3, 15);

  // ExprScope
  int CurrentArea() const override { return current_; }
  std::optional<int> FindArea(std::string_view alias) const override {
    for (size_t i = 0; i < tables_.size(); ++i)
      if (Upper(tables_[i].alias()) == alias) return static_cast<int>(i + 1);
    return std::nullopt;
  }
  std::optional<FieldInfo> FindField(int area, std::string_view name) const override {
    if (area < 1 || area > static_cast<int>(tables_.size())) return std::nullopt;
    const FakeTable& t = tables_[static_cast<size_t>(area - 1)];
    int i = t.Find(name);
    if (i < 0) return std::nullopt;
    const FakeField& f = t.fields()[static_cast<size_t>(i)];
    return FieldInfo{FieldRef{area, i}, f.type, f.width, f.decimals};
  }
  std::optional<int> FindVariable(std::string_view name) const override {
    for (size_t i = 0; i < var_names_.size(); ++i)
      if (var_names_[i] == name && var_alive_[i]) return static_cast<int>(i);
    return std::nullopt;
  }

  // ExprContext
  std::string_view FieldBytes(FieldRef f) const override {
    ++field_reads;
    return tables_[static_cast<size_t>(f.area - 1)].Bytes(f.field);
  }
  Status AppendMemo(FieldRef f, std::string* out) const override {
    if (memo_fails) return Status::IoError("uwagi.dbt: read failed");
    const std::string* m = tables_[static_cast<size_t>(f.area - 1)].Memo(f.field);
    if (m != nullptr) out->append(*m);
    return Status::Ok();
  }
  const Value* Variable(int id) const override {
    if (id < 0 || static_cast<size_t>(id) >= var_values_.size() || !var_alive_[static_cast<size_t>(id)])
      return nullptr;
    return &var_values_[static_cast<size_t>(id)];
  }
  uint32_t RecNo(int area) const override { return tables_[static_cast<size_t>(area - 1)].recno; }
  bool Deleted(int area) const override { return tables_[static_cast<size_t>(area - 1)].deleted; }
  JulianDay Today() const override { return today; }

  mutable long field_reads = 0;
  bool memo_fails = false;

 private:
  std::deque<FakeTable> tables_;
  int current_ = 1;
  std::vector<std::string> var_names_;
  std::vector<Value> var_values_;
  std::vector<bool> var_alive_;
};

inline Value D(int y, int m, int d) { return Value(Date{JulianFromYmd(y, m, d)}); }

}  // namespace hurt::xbase::testing
