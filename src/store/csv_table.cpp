#include "store/csv_table.h"

#include <set>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "xbase/dbt.h"

namespace hurt::store {

namespace {

// A number as a CSV holds it: optional sign, digits, at most one decimal point or comma.
// *decimals receives the significant decimals (trailing zeros do not count).
bool ParseDecimal(std::string_view text, double* value, int* decimals) {
  std::string t = AllTrim(text);
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  bool digits = false;
  size_t point = std::string::npos;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      digits = true;
    } else if ((t[i] == '.' || t[i] == ',') && point == std::string::npos) {
      point = i;
      t[i] = '.';
    } else {
      return false;
    }
  }
  if (!digits) return false;
  *decimals = 0;
  if (point != std::string::npos) {
    size_t last = t.size();
    while (last > point + 1 && t[last - 1] == '0') --last;
    *decimals = static_cast<int>(last - point - 1);
  }
  *value = Val(t);
  return true;
}

std::optional<JulianDay> ParseDate(const std::string& t) {
  std::optional<JulianDay> day;
  if (t.size() == 8 && t.find('.') == std::string::npos) day = Stod(t);
  if (!day && t.size() == 10 && t[4] == '-' && t[7] == '-') day = Stod(t.substr(0, 4) + t.substr(5, 2) + t.substr(8, 2));
  if (!day) day = Ctod(t);
  if (day && *day == kEmptyDate) return std::nullopt;
  return day;
}

// One field's text as the dialect writes it, in code page 852.
Status FieldText(const xbase::Record& rec, int i, const CsvDialect& dialect, std::string* out) {
  const xbase::DbfFieldDescriptor& f = rec.schema().field(i);
  const std::string_view bytes = rec.FieldBytes(i);
  switch (f.type) {
    case 'M': {
      auto memo = rec.GetValue(i);
      if (!memo.ok()) return memo.status();
      *out = memo->AsString();
      return Status::Ok();
    }
    case 'C':
      *out = RTrim(bytes);
      return Status::Ok();
    case 'N':
    case 'F':
      *out = CsvNumber(AllTrim(bytes), dialect);
      return Status::Ok();
    case 'D': {
      *out = AllTrim(bytes);
      if (dialect.decimal_comma && !out->empty()) {
        const std::optional<JulianDay> day = Stod(bytes);
        if (day && *day != kEmptyDate) *out = Dtoc(*day);
      }
      return Status::Ok();
    }
    default:
      *out = AllTrim(bytes);
      return Status::Ok();
  }
}

}  // namespace

std::string CsvHeaderRow(const xbase::TableSchema& schema, const CsvDialect& dialect) {
  std::string row;
  for (int i = 0; i < schema.field_count(); ++i) {
    AppendCsvField(&row, CsvEncodeText(schema.field(i).name, dialect.encoding), dialect.separator, i == 0);
  }
  row += dialect.line_end;
  return row;
}

Status AppendCsvRow(const xbase::Record& rec, const CsvDialect& dialect, std::string* out,
                    const CsvMemoFault& on_bad_memo) {
  std::string text;
  for (int i = 0; i < rec.schema().field_count(); ++i) {
    Status s = FieldText(rec, i, dialect, &text);
    if (!s.ok()) {
      if (!on_bad_memo || rec.schema().field(i).type != 'M') return s;
      text = on_bad_memo(i, s);
    }
    AppendCsvField(out, CsvEncodeText(text, dialect.encoding), dialect.separator, i == 0);
  }
  *out += dialect.line_end;
  return Status::Ok();
}

Result<std::vector<int>> CsvColumns(const std::vector<std::string>& names, const xbase::TableSchema& schema) {
  std::vector<int> columns;
  std::set<int> used;
  for (const std::string& raw : names) {
    const std::string name = AllTrim(raw);
    const int field = schema.FieldIndex(name);
    if (field < 0) return Status::Invalid("column \"" + name + "\" is no field of the table");
    if (!used.insert(field).second) return Status::Invalid("column \"" + name + "\" given twice");
    columns.push_back(field);
  }
  return columns;
}

Result<std::string> CsvFieldBytes(const xbase::DbfFieldDescriptor& f, std::string_view value) {
  const std::string shown = "\"" + std::string(value) + "\"";
  switch (f.type) {
    case 'C':
      if (value.size() > static_cast<size_t>(f.width)) {
        return Status::Invalid(shown + " is " + std::to_string(value.size()) + " characters long, the field holds " +
                               std::to_string(f.width));
      }
      return std::string(value);
    case 'N':
    case 'F': {
      if (IsBlank(value)) return std::string();
      double number = 0;
      int decimals = 0;
      if (!ParseDecimal(value, &number, &decimals)) return Status::Invalid(shown + " is not a number");
      if (decimals > f.decimals) {
        return Status::Invalid(shown + " has more decimals than the field's " + std::to_string(f.decimals));
      }
      std::string stored = NumericFieldText(number, f.width, f.decimals);
      if (stored.empty()) {
        return Status::Invalid(shown + " does not fit the field (N " + std::to_string(f.width) + "," +
                               std::to_string(f.decimals) + ")");
      }
      return stored;
    }
    case 'D': {
      const std::string t = AllTrim(value);
      if (t.empty()) return std::string();
      const std::optional<JulianDay> day = ParseDate(t);
      if (!day) return Status::Invalid(shown + " is not a date (YYYYMMDD, YYYY-MM-DD or dd.mm.yyyy)");
      return Dtos(*day);
    }
    case 'L': {
      const std::string t = Upper(AllTrim(value));
      if (t.empty()) return std::string();
      if (t == "T" || t == "Y" || t == ".T." || t == "TRUE") return std::string("T");
      if (t == "F" || t == "N" || t == ".F." || t == "FALSE") return std::string("F");
      return Status::Invalid(shown + " is not a logical value (T or F)");
    }
    case 'M':
      if (value.find(xbase::kMemoEndMark) != std::string_view::npos) {
        return Status::Invalid("the memo text holds the byte 0x1A, which would end it there");
      }
      if (value.size() > xbase::kMaxMemoLength) return Status::Invalid("the memo text is longer than 16 MB");
      return std::string(value);
    default:
      return Status::Invalid("field type " + std::string(1, f.type) + " cannot be read from a CSV");
  }
}

}  // namespace hurt::store
