#include "store/schema_field_list.h"

#include <charconv>
#include <set>

#include "base/text.h"

namespace hurt::store {
namespace {

constexpr size_t kMaxNameLength = 10;

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string Describe(const Field& field) {
  return field.name.empty() ? std::string("(no name)") : field.name;
}

// Right-aligned in 3 characters, as STR(n, 3) gives it.
std::string Str3(int n) { return PadL(std::to_string(n), 3); }

// A width or decimals item: digits only, blanks around allowed.
bool ParseCount(std::string_view item, int* out) {
  const std::string text = AllTrim(item);
  if (text.empty() || text.size() > 5) return false;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *out);
  return ec == std::errc() && ptr == end && *out >= 0;
}

std::vector<std::string_view> SplitItems(std::string_view text) {
  std::vector<std::string_view> items;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) {
      items.push_back(text.substr(start));
      return items;
    }
    items.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

}  // namespace

Status ValidateField(const Field& field) {
  const std::string who = "field " + Describe(field);
  if (field.name.empty() || field.name.size() > kMaxNameLength) {
    return Status::Invalid(who + ": a name has 1 to 10 characters");
  }
  if (field.name[0] >= '0' && field.name[0] <= '9') {
    return Status::Invalid(who + ": a name does not start with a digit");
  }
  for (char c : field.name) {
    if (!IsNameChar(c)) return Status::Invalid(who + ": a name holds only A-Z, 0-9 and _");
  }
  const int w = field.width;
  const int d = field.decimals;
  switch (field.type) {
    case FieldType::kCharacter:
      if (w < 1 || w > 254 || d != 0) {
        return Status::Invalid(who + ": type C needs width 1 to 254 and no decimals");
      }
      return Status::Ok();
    case FieldType::kNumeric:
      if (w < 1 || w > 19) return Status::Invalid(who + ": type N needs width 1 to 19");
      if (d < 0 || d > 15 || (d > 0 && d > w - 2)) {
        return Status::Invalid(who + ": " + std::to_string(d) + " decimals do not fit width " +
                               std::to_string(w));
      }
      return Status::Ok();
    case FieldType::kDate:
      if (w != 8 || d != 0) return Status::Invalid(who + ": type D has width 8");
      return Status::Ok();
    case FieldType::kLogical:
      if (w != 1 || d != 0) return Status::Invalid(who + ": type L has width 1");
      return Status::Ok();
    case FieldType::kMemo:
      if (w != 10 || d != 0) return Status::Invalid(who + ": type M has width 10");
      return Status::Ok();
  }
  return Status::Invalid(who + ": unknown type");
}

std::string FieldListItem(const Field& field) {
  std::string item = PadR(field.name, kMaxNameLength);
  item += ',';
  item += static_cast<char>(field.type);
  item += ',';
  item += Str3(field.width);
  item += ',';
  item += Str3(field.decimals);
  return item;
}

Result<std::string> FieldListText(std::string_view path, std::span<const Field> fields) {
  if (IsBlank(path)) return Status::Invalid("field list: empty file path");
  if (path.find(',') != std::string_view::npos) {
    return Status::Invalid("field list: file path \"" + std::string(path) + "\" holds a comma");
  }
  if (fields.empty()) return Status::Invalid("field list of " + std::string(path) + ": no fields");
  std::set<std::string> seen;
  std::string text(path);
  for (const Field& field : fields) {
    HURT_RETURN_IF_ERROR(ValidateField(field).Prefixed("field list of " + std::string(path)));
    if (!seen.insert(field.name).second) {
      return Status::Invalid("field list of " + std::string(path) + ": field " + field.name +
                             " given twice");
    }
    text += ',';
    text += FieldListItem(field);
  }
  return text;
}

Result<FieldList> ParseFieldList(std::string_view text) {
  const std::vector<std::string_view> items = SplitItems(text);
  FieldList list;
  list.path = AllTrim(items[0]);
  if (list.path.empty()) return Status::Invalid("field list: empty file path");
  const std::string where = "field list of " + list.path;
  const size_t count = items.size() - 1;
  if (count == 0 || (count == 1 && IsBlank(items[1]))) {
    return Status::Invalid(where + ": no fields");
  }
  if (!text.empty() && text.back() == ',') {
    return Status::Invalid(where + ": a comma after the last field");
  }
  if (count % 4 != 0) {
    return Status::Invalid(where + ": " + std::to_string(count) +
                           " items after the path, not groups of name, type, width, decimals");
  }
  std::set<std::string> seen;
  for (size_t i = 1; i < items.size(); i += 4) {
    const size_t number = (i - 1) / 4 + 1;
    Field field;
    field.name = Upper(AllTrim(items[i]));
    const std::string who = where + ": field " + std::to_string(number) +
                            (field.name.empty() ? std::string() : " (" + field.name + ")");
    if (field.name.empty()) return Status::Invalid(who + ": empty name");
    const std::string type = Upper(AllTrim(items[i + 1]));
    if (type.size() != 1 || std::string_view("CNDLM").find(type[0]) == std::string_view::npos) {
      return Status::Invalid(who + ": type \"" + type + "\" is not one of C, N, D, L, M");
    }
    field.type = static_cast<FieldType>(type[0]);
    if (!ParseCount(items[i + 2], &field.width)) {
      return Status::Invalid(who + ": width \"" + AllTrim(items[i + 2]) + "\" is not a number");
    }
    if (!ParseCount(items[i + 3], &field.decimals)) {
      return Status::Invalid(who + ": decimals \"" + AllTrim(items[i + 3]) +
                             "\" are not a number");
    }
    HURT_RETURN_IF_ERROR(ValidateField(field).Prefixed(where));
    if (!seen.insert(field.name).second) {
      return Status::Invalid(who + ": given twice");
    }
    list.fields.push_back(std::move(field));
  }
  return list;
}

}  // namespace hurt::store
