// Field names in the sources against the table catalogue.
//
// A table writer skips a field its table lacks and a reader gives blank for it, so a
// misspelt field name is never written and always reads blank, silently. These tests
// read the sources: every upper-case name passed to a field accessor, written into a
// field list or listed in a field-name array must be a field of some table of the
// catalogue, a setting, a session variable, or one of the names listed below with why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "session/settings.h"
#include "store/schema.h"
#include "support/temp_dir.h"

namespace hurt::store {
namespace {

namespace fs = std::filesystem;

// A name as the sources use it.
struct NameUse {
  std::string file;
  int line = 0;
  std::string name;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool IsNameChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// The literals "NAME" (upper case, digits and "_", two characters or more) in `text` from
// `from` up to `to`, with their offsets.
std::vector<std::pair<size_t, std::string>> NameLiterals(std::string_view text, size_t from, size_t to) {
  std::vector<std::pair<size_t, std::string>> out;
  for (size_t at = text.find('"', from); at != std::string_view::npos && at < to; at = text.find('"', at + 1)) {
    size_t end = at + 1;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    if (end < text.size() && text[end] == '"' && end - at > 2 && text[at + 1] >= 'A' && text[at + 1] <= 'Z') {
      out.emplace_back(at + 1, std::string(text.substr(at + 1, end - at - 1)));
      at = end;
    }
  }
  return out;
}

int LineOf(std::string_view text, size_t offset) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// The names of fields, session variables and settings that `text` uses:
//   - the first literal argument of the field and variable accessors (Get, Put, PutField,
//     FieldText, FieldNumber, FieldDate, HasField, FieldIndex, Replace, ReplaceIfPresent,
//     TextOf, NumberOf, DateOf, and Text, Number, Date, Logical, Set of records, lines
//     and variables), also after other arguments: Put(a, "X", v);
//   - the name of a field-list entry: {"X", Value(...)} and emplace_back("X", Value(...));
//   - every literal of a field-name array (k...Fields[] and kCopiedToDestination[]) and of
//     a range-for over a braced list: for (std::string_view f : {"X", "Y"}).
// Comment lines are skipped.
std::vector<NameUse> NamesUsedIn(std::string_view text, const std::string& file) {
  static const std::regex kCall(
      R"re(\b(?:Get|Put|PutField|FieldText|FieldNumber|FieldDate|HasField|FieldIndex|Replace|ReplaceIfPresent|TextOf|NumberOf|DateOf|Text|Number|Date|Logical|Set)\(\s*(?:[^()";]*,\s*)?"([A-Z][A-Z0-9_]+)")re");
  static const std::regex kPair(R"re((?:\{|emplace_back\()\s*"([A-Z][A-Z0-9_]+)",\s*(?:xbase::)?Value\()re");
  std::vector<NameUse> uses;
  int line_no = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++line_no;
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line.substr(first, 2) == "//") continue;
    if (line.find('"') == std::string_view::npos) continue;
    for (const std::regex* re : {&kCall, &kPair}) {
      for (std::cregex_iterator it(line.data(), line.data() + line.size(), *re), stop; it != stop; ++it) {
        uses.push_back({file, line_no, (*it)[1].str()});
      }
    }
  }
  // Braced lists of names: field-name arrays and range-for lists.
  auto list_at = [&](size_t open) {
    const size_t close = text.find('}', open);
    if (close == std::string_view::npos) return;
    for (const auto& [at, name] : NameLiterals(text, open, close)) uses.push_back({file, LineOf(text, at), name});
  };
  for (size_t at = text.find("[] = {"); at != std::string_view::npos; at = text.find("[] = {", at + 1)) {
    size_t name_start = at;
    while (name_start > 0 && (std::isalnum(static_cast<unsigned char>(text[name_start - 1])) != 0 ||
                              text[name_start - 1] == '_')) {
      --name_start;
    }
    const std::string_view array = text.substr(name_start, at - name_start);
    if (array.ends_with("Fields") || array == "kCopiedToDestination") list_at(at + 5);
  }
  for (size_t at = text.find(" : {\""); at != std::string_view::npos; at = text.find(" : {\"", at + 1)) {
    const size_t line_start = text.rfind('\n', at);
    const std::string_view before = text.substr(line_start == std::string_view::npos ? 0 : line_start + 1);
    if (before.substr(before.find_first_not_of(" \t")).starts_with("for (")) list_at(at + 3);
  }
  return uses;
}

// Every field of every table of the catalogue, optional ones included.
std::set<std::string, std::less<>> CatalogueFields() {
  std::set<std::string, std::less<>> names;
  for (const TableDef* t : AllTables()) {
    for (const FieldDef& f : t->fields) names.emplace(f.name);
  }
  return names;
}

// Names the sources use that are not fields of the catalogue, and why.
const std::map<std::string, std::string_view, std::less<>>& KnownNonFields() {
  static const std::map<std::string, std::string_view, std::less<>> known{
      // Session variables outside the document header (session/var_names.h has those).
      {"ARC_KOMU", "session variable: the archive's counterparty"},
      {"WYDANO", "column heading of the order grid (SPRZEDANO)"},
      {"ZAMOW", "column heading of the order grid (ZAMAWIAM)"},
      {"ARC_MAGAZYN", "session variable: the archive's warehouse"},
      {"ARC_RD", "session variable: the archive's document kind"},
      {"DOW_BLOKUJ", "session variable set at start"},
      {"D_EXE", "session variable: the program's date"},
      {"DF_PORT", "session variable: the fiscal printer's serial port chosen in its menu"},
      {"LICZNIK", "excise counter of the optional akc table, laid out by another installation"},
      {"R_BM", "bonus field of customers, in installations whose zo has it"},
      {"R_BO", "bonus field of customers, in installations whose zo has it"},
      {"S_BM", "bonus field of customers, in installations whose zo has it"},
      {"X_BM", "bonus field of customers, in installations whose zo has it"},
      {"GDZIE_WAGA", "session variable: the scales' port"},
      {"HH", "session variable: the station number as text"},
      {"JEST_DF_300", "session variable: the fiscal printer is a DF-300"},
      {"JEST_OPERATOR", "session variable of the reports menu"},
      {"NR_WB", "bank statement number, written to fa_nx only where a table of an older installation has the field"},
      {"JEST_WALUTA", "session variable: currencies are in use"},
      {"KOREKTA__AS", "session variable: the article table was corrected at start"},
      {"PIERWSZE_WEJSCIE", "session variable: the operator's first login"},
      {"PODSTAWA_CENA0", "session variable set at start"},
      {"POM", "session variable of the menu"},
      {"POMOC", "session variable of the menu: the help topic"},
      {"STACJA", "session variable: the station number"},
      {"TOJESTKASA", "session variable: the station is a till"},
      {"K_ASORTYMENT", "session variable: menu switch"},
      {"K_GLOWNE", "session variable: menu switch"},
      {"K_KONTRAHENCI", "session variable: menu switch"},
      {"K_OBROTY", "session variable: menu switch"},
      {"K_RAPORTY", "session variable: menu switch"},
      {"K_SPECJALNE", "session variable: menu switch"},
      {"LK_OPCJA", "session variable: menu switch"},
      {"J_WITEK", "the settings J_WITEK1..J_WITEK3 by their number"},
      // Fields of layouts the catalogue does not create: read only when the table on
      // disk has them (HasField / FieldIndex, or blank and 0 otherwise).
      {"CENA3", "article field of older layouts, read when present"},
      {"CENA_W", "article field of currency installations, 0 when absent"},
      {"REZERWA9W", "article field of older layouts, read when present"},
      {"OPAKOWANIE", "article field of older layouts, copied when present"},
      {"ZAWARTOSC", "article field of older layouts, copied when present"},
      {"RABAT4", "counterparty field of older layouts, read when present"},
      {"TRANSPORT", "header field of older layouts, blank when absent"},
      {"B100", "header voucher field of older layouts, 0 when absent"},
      {"B50", "header voucher field of older layouts, 0 when absent"},
      {"B20", "header voucher field of older layouts, 0 when absent"},
      {"B10", "header voucher field of older layouts, 0 when absent"},
      {"B05", "header voucher field of older layouts, 0 when absent"},
      {"KWOTA2", "header field of split payments in layouts that have it, 0 when absent"},
      {"SPZ2", "header field of split payments in layouts that have it, blank when absent"},
      // Not names of fields or variables at all.
      {"ROB0", "a folder name in upper case, in a range-for over folder names"},
      // Work tables a routine creates with its own fields.
      {"REC", "work table of the repeated-NIP report: the account's record number"},
      {"SALDO", "work table of the account export: the balance"},
      {"DATA_OD", "interest rate table odsetki.dbf, made by the settlements: the first day of a rate"},
      {"FA_REC", "work table of the due-date list: the item's record in fa_N"},
      {"NARAST", "work table of the due-date list: the running total"},
  };
  return known;
}

bool IsSetting(std::string_view name) {
  const auto defs = session::SettingDefinitions();
  return std::any_of(defs.begin(), defs.end(), [&](const session::SettingDef& d) { return d.name == name; });
}

// The constants of a names header: namespace (innermost, "" outside any) -> identifier ->
// value, with the line of each.
struct Constant {
  std::string space, id, value;
  int line = 0;
};
std::vector<Constant> ConstantsIn(const std::string& relative) {
  static const std::regex kSpace(R"re(^namespace ([A-Za-z_][A-Za-z0-9_:]*) \{)re");
  static const std::regex kConstant(R"re(^inline constexpr std::string_view ([A-Za-z_0-9]+) = "([^"]*)";)re");
  std::vector<Constant> out;
  std::istringstream in(ReadText(testing::SourceFile(relative)));
  std::string line, space;
  for (int n = 1; std::getline(in, line); ++n) {
    std::smatch m;
    if (std::regex_search(line, m, kSpace)) {
      const std::string s = m[1].str();
      space = s.substr(s.rfind(':') == std::string::npos ? 0 : s.rfind(':') + 1);
    } else if (line.starts_with("}  // namespace")) {
      space.clear();
    } else if (std::regex_search(line, m, kConstant)) {
      out.push_back({space, m[1].str(), m[2].str(), n});
    }
  }
  return out;
}

std::vector<fs::path> SourceFiles() {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(testing::SourceFile("src"))) {
    if (!e.is_regular_file()) continue;
    const std::string ext = e.path().extension().string();
    const std::string name = e.path().filename().string();
    // The catalogue itself defines the names.
    if ((ext == ".cpp" || ext == ".h") && !name.starts_with("schema")) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FieldNamesInCode, TheScanFindsEachKindOfUse) {
  const std::string text =
      "// FieldText(a, \"IN_A_COMMENT\")\n"
      "x = FieldText(*dowod, \"NODBB\");\n"
      "(void)Put(k, \"ILOSC\", Value(1)); (void)a.Replace(\"CENAA\", v);\n"
      "line.Text(\"LP\"); s.vars().Set(\"M_RD\", v); y = FieldNumber(a, name);\n"
      "FieldList e = {{\"R_P\", Value(x)}}; e.emplace_back(\"KWOTAA\", xbase::Value(1));\n"
      "constexpr std::string_view kSomeFields[] = {\"RD\",\n    \"NRDD\"};\n"
      "for (std::string_view f : {\"NIP\", \"REGONN\"}) {}\n"
      "for (int i : {1, 2}) Say(\"NOT_A_FIELD\");\n";
  std::vector<std::string> found;
  for (const NameUse& u : NamesUsedIn(text, "x.cpp")) found.push_back(std::to_string(u.line) + ":" + u.name);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"2:NODBB", "3:CENAA", "3:ILOSC", "4:LP", "4:M_RD", "5:KWOTAA",
                                             "5:R_P", "6:RD", "7:NRDD", "8:NIP", "8:REGONN"}));
}

TEST(FieldNamesInCode, EveryNameUsedIsAFieldOrKnown) {
  const auto fields = CatalogueFields();
  std::set<std::string, std::less<>> variables;
  for (const Constant& c : ConstantsIn("src/session/var_names.h")) variables.insert(c.value);
  const auto& known = KnownNonFields();
  std::set<std::string, std::less<>> known_used;
  size_t uses = 0;
  std::ostringstream unknown;
  for (const fs::path& file : SourceFiles()) {
    const std::string relative = fs::relative(file, testing::SourceFile("")).generic_string();
    for (const NameUse& u : NamesUsedIn(ReadText(file), relative)) {
      ++uses;
      if (fields.count(u.name) > 0 || variables.count(u.name) > 0 || IsSetting(u.name)) continue;
      // M_...: the memory variables of the screens (header, operator, printer).
      if (u.name.starts_with("M_")) continue;
      if (known.count(u.name) > 0) {
        known_used.insert(u.name);
        continue;
      }
      unknown << u.file << ":" << u.line << ": \"" << u.name << "\" is no field of any table\n";
    }
  }
  EXPECT_GT(uses, 1000u) << "the scan no longer finds the accessors";
  EXPECT_EQ(unknown.str(), "");
  for (const auto& [name, why] : known) {
    EXPECT_TRUE(known_used.count(name) > 0) << name << " (" << why << ") is no longer used: drop it from the list";
    EXPECT_EQ(fields.count(name), 0u) << name << " is a field of the catalogue now: drop it from the list";
  }
  // The M_ rule above holds only while no table has such a field.
  for (const std::string& f : fields) EXPECT_FALSE(f.starts_with("M_")) << f;
}

TEST(FieldNamesInCode, EveryFieldConstantIsAFieldOfItsTable) {
  const std::vector<Constant> constants = ConstantsIn("src/store/field_names.h");
  ASSERT_FALSE(constants.empty());
  for (const Constant& c : constants) {
    SCOPED_TRACE("src/store/field_names.h:" + std::to_string(c.line) + ": " + c.space + "::" + c.id);
    EXPECT_EQ(c.id, c.value);
    const TableDef* table = FindByAlias(c.space);
    ASSERT_NE(table, nullptr) << "no table has the alias " << c.space;
    EXPECT_TRUE(std::any_of(table->fields.begin(), table->fields.end(),
                            [&](const FieldDef& f) { return f.name == c.value; }))
        << c.value << " is no field of " << c.space;
  }
}

TEST(FieldNamesInCode, EveryVariableConstantSpellsItsName) {
  const std::vector<Constant> constants = ConstantsIn("src/session/var_names.h");
  ASSERT_FALSE(constants.empty());
  for (const Constant& c : constants) {
    EXPECT_EQ(c.id, c.value) << "src/session/var_names.h:" << c.line;
  }
}

}  // namespace
}  // namespace hurt::store
