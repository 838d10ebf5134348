// WorkAreas: the numbered areas of one session and the expression scope across them.
#include <algorithm>

#include "xbase/work_area_internal.h"

namespace hurt::xbase {

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool SameAlias(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

// "24/03/dow.dbf" gives "DOW".
std::string AliasFromPath(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  for (char& c : name) c = UpperAscii(c);
  return name;
}

// Names resolve against a chosen area instead of the session's current one.
class AreaScope final : public ExprScope {
 public:
  AreaScope(const WorkAreas& areas, int area) : areas_(areas), area_(area) {}
  int CurrentArea() const override { return area_; }
  std::optional<int> FindArea(std::string_view alias) const override { return areas_.FindArea(alias); }
  std::optional<FieldInfo> FindField(int area, std::string_view name) const override {
    return areas_.FindField(area, name);
  }
  std::optional<int> FindVariable(std::string_view name) const override { return areas_.FindVariable(name); }

 private:
  const WorkAreas& areas_;
  int area_;
};

}  // namespace

WorkAreas::WorkAreas(Env& env, Variables* variables) : env_(env), variables_(variables) {
  areas_.resize(kMaxArea + 1);
}

WorkAreas::~WorkAreas() { (void)CloseAll(); }

Result<WorkArea*> WorkAreas::Open(int area, const std::string& dbf_path, std::string_view alias,
                                  const AreaOpenOptions& options) {
  if (area < 1 || area > kMaxArea) return Status::Invalid("work area " + std::to_string(area) + " out of range");
  std::string name = alias.empty() ? AliasFromPath(dbf_path) : std::string(alias);
  if (name.empty()) return Status::Invalid(dbf_path + ": no alias");
  for (int i = 1; i <= kMaxArea; ++i) {
    const WorkArea* other = Area(i);
    if (i != area && other != nullptr && SameAlias(other->alias(), name)) {
      return Status::Invalid(dbf_path + ": alias " + name + " is in use in area " + std::to_string(i));
    }
  }
  Status closed = Close(area);
  TableMode mode;
  mode.exclusive = options.exclusive;
  mode.read_only = options.read_only;
  auto table = Table::Open(env_, dbf_path, mode);
  if (!table.ok()) return table.status();
  if (!closed.ok()) return closed;
  std::unique_ptr<WorkArea> opened(new WorkArea(*this, area, std::move(name), std::move(table).value(), options));
  WorkArea* raw = opened.get();
  areas_[static_cast<size_t>(area)] = std::move(opened);
  Status top = raw->GoTop();
  if (!top.ok()) {
    (void)Close(area);
    return top;
  }
  return raw;
}

Status WorkAreas::Close(int area) {
  WorkArea* a = Area(area);
  if (a == nullptr) return Status::Ok();
  Status s = a->Close();
  // Relations into the closed area go with it.
  for (auto& other : areas_) {
    if (!other) continue;
    auto& relations = other->relations_;
    relations.erase(std::remove_if(relations.begin(), relations.end(),
                                   [area](const auto& r) { return r->child == area; }),
                    relations.end());
  }
  areas_[static_cast<size_t>(area)].reset();
  return s;
}

Status WorkAreas::CloseAll(std::span<const int> keep) {
  Status first;
  for (int area = kMaxArea; area >= 1; --area) {
    if (std::find(keep.begin(), keep.end(), area) != keep.end()) continue;
    Status s = Close(area);
    if (first.ok() && !s.ok()) first = s;
  }
  return first;
}

WorkArea* WorkAreas::Area(int area) {
  return area >= 1 && area <= kMaxArea ? areas_[static_cast<size_t>(area)].get() : nullptr;
}

const WorkArea* WorkAreas::Area(int area) const {
  return area >= 1 && area <= kMaxArea ? areas_[static_cast<size_t>(area)].get() : nullptr;
}

WorkArea* WorkAreas::Find(std::string_view alias) {
  for (auto& a : areas_) {
    if (a && SameAlias(a->alias(), alias)) return a.get();
  }
  return nullptr;
}

const WorkArea* WorkAreas::Find(std::string_view alias) const {
  for (const auto& a : areas_) {
    if (a && SameAlias(a->alias(), alias)) return a.get();
  }
  return nullptr;
}

int WorkAreas::FirstFree(int first, int last) const {
  for (int area = std::max(first, 1); area <= std::min(last, kMaxArea); ++area) {
    if (!areas_[static_cast<size_t>(area)]) return area;
  }
  return 0;
}

Status WorkAreas::Select(int area) {
  if (area < 1 || area > kMaxArea) return Status::Invalid("work area " + std::to_string(area) + " out of range");
  current_ = area;
  return Status::Ok();
}

Status WorkAreas::Select(std::string_view alias) {
  WorkArea* a = Find(alias);
  if (a == nullptr) return Status::NotFound("no work area with alias " + std::string(alias));
  current_ = a->number();
  return Status::Ok();
}

Result<Expression> WorkAreas::Compile(std::string_view text) { return Compile(current_, text); }

Result<Expression> WorkAreas::Compile(int area, std::string_view text) {
  AreaScope scope(*this, area);
  return Expression::Compile(text, scope);
}

Result<Value> WorkAreas::Evaluate(Expression& expr) {
  Value v;
  HURT_RETURN_IF_ERROR(expr.Eval(*this, &v));
  return v;
}

Result<bool> WorkAreas::EvaluateLogical(Expression& expr) { return expr.EvalLogical(*this); }

// ---- ExprScope ----------------------------------------------------------------------------

std::optional<int> WorkAreas::FindArea(std::string_view alias) const {
  const WorkArea* a = Find(alias);
  if (a == nullptr) return std::nullopt;
  return a->number();
}

std::optional<FieldInfo> WorkAreas::FindField(int area, std::string_view name) const {
  const WorkArea* a = Area(area);
  if (a == nullptr) return std::nullopt;
  int i = a->FieldIndex(name);
  if (i < 0) return std::nullopt;
  const DbfFieldDescriptor& f = a->field(i);
  FieldInfo info;
  info.ref = {area, i};
  info.type = f.type == 'F' ? 'N' : f.type;
  info.width = f.width;
  info.decimals = f.decimals;
  return info;
}

std::optional<int> WorkAreas::FindVariable(std::string_view name) const {
  if (variables_ == nullptr || variables_->Find(name) == nullptr) return std::nullopt;
  for (size_t i = 0; i < variable_names_.size(); ++i) {
    if (variable_names_[i] == name) return static_cast<int>(i);
  }
  variable_names_.emplace_back(name);
  return static_cast<int>(variable_names_.size() - 1);
}

// ---- ExprContext --------------------------------------------------------------------------

std::string_view WorkAreas::FieldBytes(FieldRef field) const {
  const WorkArea* a = Area(field.area);
  return a == nullptr ? std::string_view() : a->record_.FieldBytes(field.field);
}

Status WorkAreas::AppendMemo(FieldRef field, std::string* out) const {
  const WorkArea* a = Area(field.area);
  if (a == nullptr) return Status::Ok();
  auto value = a->record_.GetValue(field.field);
  if (!value.ok()) return value.status();
  out->append(value->AsString());
  return Status::Ok();
}

const Value* WorkAreas::Variable(int variable) const {
  if (variables_ == nullptr || variable < 0 || static_cast<size_t>(variable) >= variable_names_.size()) return nullptr;
  return variables_->Find(variable_names_[static_cast<size_t>(variable)]);
}

uint32_t WorkAreas::RecNo(int area) const {
  const WorkArea* a = Area(area);
  return a == nullptr ? 0 : a->recno();
}

bool WorkAreas::Deleted(int area) const {
  const WorkArea* a = Area(area);
  return a != nullptr && a->deleted();
}

JulianDay WorkAreas::Today() const { return env_.clock().Today(); }

}  // namespace hurt::xbase
