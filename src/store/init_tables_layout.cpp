#include "store/init_tables_layout.h"

#include <algorithm>

#include "base/text.h"

namespace hurt::store {
namespace {

constexpr int kMaxNumericWidth = 19;

// Characters before the decimal point (sign included) of a numeric field.
int IntegerPart(const Field& f) { return f.decimals > 0 ? f.width - f.decimals - 1 : f.width; }

// A field holding every value of both: the stored one and the defined one.
// Sets *as_stored when the field on disk is kept rather than the definition.
Field Merge(const Field& stored, const Field& defined, bool* as_stored) {
  *as_stored = false;
  if (stored.type != defined.type) {
    *as_stored = true;
    return stored;
  }
  switch (defined.type) {
    case FieldType::kCharacter:
      if (stored.width > defined.width) {
        *as_stored = true;
        return Field{defined.name, defined.type, stored.width, 0};
      }
      return defined;
    case FieldType::kNumeric: {
      const int decimals = std::max(stored.decimals, defined.decimals);
      const int integer = std::max(IntegerPart(stored), IntegerPart(defined));
      const int width = integer + (decimals > 0 ? decimals + 1 : 0);
      if (width > kMaxNumericWidth) {
        *as_stored = true;
        return stored;
      }
      Field merged{defined.name, defined.type, width, decimals};
      *as_stored = merged != defined;
      return merged;
    }
    default:
      return defined;
  }
}

}  // namespace

Field FieldOf(const xbase::DbfFieldDescriptor& d) {
  const char type = d.type == 'F' ? 'N' : static_cast<char>(Upper(std::string(1, d.type))[0]);
  return Field{Upper(d.name), static_cast<FieldType>(type), d.width, d.decimals};
}

xbase::DbfFieldDescriptor DescriptorOf(const Field& f) {
  return xbase::DbfFieldDescriptor{f.name, static_cast<char>(f.type), f.width, f.decimals};
}

std::vector<Field> FieldsOf(std::span<const xbase::DbfFieldDescriptor> descriptors) {
  std::vector<Field> out;
  out.reserve(descriptors.size());
  for (const auto& d : descriptors) out.push_back(FieldOf(d));
  return out;
}

LayoutPlan PlanLayout(std::span<const Field> on_disk, std::span<const Field> definition) {
  auto find = [](std::span<const Field> fields, const std::string& name) -> const Field* {
    for (const Field& f : fields) {
      if (f.name == name) return &f;
    }
    return nullptr;
  };

  LayoutPlan plan;
  plan.fields.reserve(definition.size() + on_disk.size());
  for (const Field& defined : definition) {
    const Field* stored = find(on_disk, defined.name);
    if (stored == nullptr) {
      plan.rebuild = true;
      plan.fields.push_back(defined);
      continue;
    }
    bool as_stored = false;
    Field merged = Merge(*stored, defined, &as_stored);
    if (merged != *stored) plan.rebuild = true;
    if (as_stored) plan.kept_as_stored.push_back(defined.name);
    plan.fields.push_back(std::move(merged));
  }
  for (const Field& stored : on_disk) {
    if (find(definition, stored.name) != nullptr) continue;
    plan.kept_extra.push_back(stored.name);
    plan.fields.push_back(stored);
  }
  return plan;
}

}  // namespace hurt::store
