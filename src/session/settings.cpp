#include "session/settings.h"

#include <unordered_map>

#include "base/text.h"

namespace hurt::session {

namespace {

constexpr std::string_view kStoredPrefix = "J_";
constexpr std::string_view kPrinterModel = "J_DF_NAZWA";
constexpr std::string_view kStoredPrinterModel = "LJ_DF_NAZWA";

bool IsStoredName(std::string_view name) { return name.substr(0, kStoredPrefix.size()) == kStoredPrefix; }

std::unordered_map<std::string_view, long> BuildIndex() {
  std::unordered_map<std::string_view, long> index;
  long i = 0;
  for (const SettingDef& def : SettingDefinitions()) index.emplace(def.name, i++);
  return index;
}

// Index of a known setting by name, or -1.
long IndexOf(std::string_view name) {
  static const std::unordered_map<std::string_view, long> kIndex = BuildIndex();
  auto it = kIndex.find(name);
  if (it != kIndex.end()) return it->second;
  for (char c : name) {
    if (c >= 'a' && c <= 'z') {
      it = kIndex.find(Upper(name));
      return it == kIndex.end() ? -1 : it->second;
    }
  }
  return -1;
}

xbase::Value DefaultValue(const SettingDef& def) {
  if (def.kind == SettingKind::kNumber) return xbase::Value(def.number);
  return xbase::Value(std::string(def.text));
}

bool SameKind(const SettingDef& def, const xbase::Value& value) {
  return def.kind == SettingKind::kNumber ? value.IsNumber() : value.IsString();
}

}  // namespace

int SettingDef::Width() const {
  return kind == SettingKind::kNumber ? xbase::MemDefaultWidth(decimals) : static_cast<int>(text.size());
}

bool SettingDef::Stored() const { return IsStoredName(name); }

Settings::Settings(xbase::Env& env) : env_(&env) { ResetToDefaults(); }

void Settings::ResetToDefaults() {
  values_.clear();
  for (const SettingDef& def : SettingDefinitions()) values_.push_back(DefaultValue(def));
  foreign_.clear();
}

const SettingDef* Settings::Definition(std::string_view name) const {
  long i = IndexOf(name);
  return i < 0 ? nullptr : &SettingDefinitions()[static_cast<size_t>(i)];
}

const xbase::Value* Settings::Find(std::string_view name) const {
  long i = IndexOf(name);
  if (i >= 0) return &values_[static_cast<size_t>(i)];
  std::string upper = Upper(name);
  for (const xbase::MemVar& var : foreign_)
    if (var.name == upper) return &var.value;
  return nullptr;
}

xbase::Value* Settings::Find(std::string_view name) {
  return const_cast<xbase::Value*>(static_cast<const Settings*>(this)->Find(name));
}

bool Settings::Has(std::string_view name) const { return Find(name) != nullptr; }

xbase::Value Settings::Get(std::string_view name) const {
  const xbase::Value* v = Find(name);
  return v == nullptr ? xbase::Value() : *v;
}

const std::string& Settings::Text(std::string_view name) const {
  static const std::string kEmpty;
  const xbase::Value* v = Find(name);
  return v == nullptr ? kEmpty : v->AsString();
}

double Settings::Number(std::string_view name) const {
  const xbase::Value* v = Find(name);
  return v == nullptr ? 0.0 : v->AsNumber();
}

bool Settings::Yes(std::string_view name) const { return XbaseEquals(Text(name), "T"); }

const std::string& Settings::Ptu(char letter) const {
  char name[] = "J_PTU?";
  name[5] = letter;
  return Text(name);
}

Status Settings::SetText(std::string_view name, std::string value) {
  xbase::Value* slot = Find(name);
  if (slot == nullptr) return Status::NotFound(std::string(name) + ": no such setting");
  if (!slot->IsString()) return Status::Invalid(std::string(name) + ": not a text setting");
  if (value.size() > xbase::kMemMaxTextLength) return Status::Invalid(std::string(name) + ": text too long");
  *slot = xbase::Value(std::move(value));
  return Status::Ok();
}

Status Settings::SetNumber(std::string_view name, double value) {
  xbase::Value* slot = Find(name);
  if (slot == nullptr) return Status::NotFound(std::string(name) + ": no such setting");
  if (!slot->IsNumber()) return Status::Invalid(std::string(name) + ": not a number setting");
  *slot = xbase::Value(value);
  return Status::Ok();
}

Status Settings::Restore(const std::string& path) {
  auto vars = xbase::ReadMemFile(*env_, path);
  if (!vars.ok()) return vars.status();

  const bool override_active = !IsBlank(Text(kStoredPrinterModel));
  const std::string session_model = Text(kPrinterModel);
  bool model_in_file = false;

  for (xbase::MemVar& var : *vars) {
    if (!IsStoredName(var.name)) continue;
    long i = IndexOf(var.name);
    if (i >= 0) {
      const SettingDef& def = SettingDefinitions()[static_cast<size_t>(i)];
      if (!SameKind(def, var.value)) continue;
      if (def.name == kPrinterModel) model_in_file = true;
      values_[static_cast<size_t>(i)] = std::move(var.value);
      continue;
    }
    bool replaced = false;
    for (xbase::MemVar& known : foreign_) {
      if (known.name == var.name) {
        known = var;
        replaced = true;
        break;
      }
    }
    if (!replaced) foreign_.push_back(std::move(var));
  }

  // The file holds the stored model; the session keeps the operator's printer.
  if (override_active && model_in_file) {
    *Find(kStoredPrinterModel) = *Find(kPrinterModel);
    *Find(kPrinterModel) = xbase::Value(session_model);
  }
  return Status::Ok();
}

std::vector<xbase::MemVar> Settings::StoredVariables() const {
  std::vector<xbase::MemVar> vars;
  const std::string& stored_model = Text(kStoredPrinterModel);
  size_t i = 0;
  for (const SettingDef& def : SettingDefinitions()) {
    const xbase::Value& value = values_[i++];
    if (!def.Stored()) continue;
    xbase::MemVar var{std::string(def.name), value};
    if (def.kind == SettingKind::kNumber) {
      var.width = def.Width();
      var.decimals = def.decimals;
    }
    if (def.name == kPrinterModel && !IsBlank(stored_model)) var.value = xbase::Value(stored_model);
    vars.push_back(std::move(var));
  }
  vars.insert(vars.end(), foreign_.begin(), foreign_.end());
  return vars;
}

Status Settings::Save(const std::string& path) const { return xbase::WriteMemFile(*env_, path, StoredVariables()); }

void Settings::BeginPrinterOverride(std::string model) {
  if (IsBlank(Text(kStoredPrinterModel))) *Find(kStoredPrinterModel) = xbase::Value(Text(kPrinterModel));
  *Find(kPrinterModel) = xbase::Value(std::move(model));
}

void Settings::EndPrinterOverride() {
  const std::string stored = Text(kStoredPrinterModel);
  if (IsBlank(stored)) return;
  *Find(kPrinterModel) = xbase::Value(stored);
  *Find(kStoredPrinterModel) = xbase::Value(std::string());
}

}  // namespace hurt::session
