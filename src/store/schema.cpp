#include "store/schema.h"

#include <algorithm>
#include <set>

#include "base/text.h"
#include "store/schema_field_list.h"
#include "store/schema_internal.h"

namespace hurt::store {
namespace {

std::string MarkerKey(std::string_view name) { return Upper(RemoveBlanks(name)); }

// STR2: two digits, "00" for 0 and for numbers above 99.
std::string TwoDigits(int n) {
  if (n <= 0 || n > 99) return "00";
  return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Forward slashes, lower case.
std::string NormalPath(std::string_view path) { return Lower(ReplaceAll(std::string(path), "\\", "/")); }

// Fills the station number ("##") and the run-time part ("<...>") of a file name.
std::string FillName(std::string_view name, const PathArgs& args) {
  std::string out = ReplaceAll(std::string(name), "##", TwoDigits(args.station));
  const size_t open = out.find('<');
  if (open != std::string::npos) {
    const size_t close = out.find('>', open);
    if (close != std::string::npos) out.replace(open, close - open + 1, NormalPath(args.part));
  }
  return out;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

FieldProbe ProbeOf(const std::vector<Field>& fields) {
  return [&fields](std::string_view name) {
    const std::string key = Upper(name);
    return std::any_of(fields.begin(), fields.end(), [&](const Field& f) { return f.name == key; });
  };
}

std::vector<const TableDef*> CollectTables() {
  std::vector<const TableDef*> all;
  for (auto group : {internal::SystemTables(), internal::StockTables(),
                     internal::DocumentTables(), internal::AccountTables(),
                     internal::WorkTables()}) {
    for (const TableDef& t : group) all.push_back(&t);
  }
  return all;
}

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// A catalogue name pattern against a lower-case name: "##" takes two digits, "<...>" one
// or more characters.
bool MatchesPattern(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern.starts_with("##")) {
    return name.size() >= 2 && IsAsciiDigit(name[0]) && IsAsciiDigit(name[1]) && MatchesPattern(pattern.substr(2), name.substr(2));
  }
  if (pattern.front() == '<') {
    const size_t close = pattern.find('>');
    if (close == std::string_view::npos) return false;
    for (size_t taken = 1; taken <= name.size(); ++taken)
      if (MatchesPattern(pattern.substr(close + 1), name.substr(taken))) return true;
    return false;
  }
  return !name.empty() && pattern.front() == name.front() && MatchesPattern(pattern.substr(1), name.substr(1));
}

// The last part of a catalogue file name, nothing when it is only a run-time part.
std::string_view PatternBase(std::string_view file) {
  const size_t slash = file.rfind('/');
  const std::string_view base = slash == std::string_view::npos ? file : file.substr(slash + 1);
  if (!base.empty() && base.front() == '<' && base.find('>') == base.size() - 1) return {};
  return base;
}

}  // namespace

bool IsCatalogueFileName(std::string_view file_name) {
  const size_t slash = file_name.rfind('/');
  std::string name = Lower(slash == std::string_view::npos ? file_name : file_name.substr(slash + 1));
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  if (name.empty()) return false;
  auto matches = [&name](std::string_view file) {
    const std::string_view base = PatternBase(file);
    return !base.empty() && MatchesPattern(base, name);
  };
  for (const TableDef* table : AllTables()) {
    if (matches(table->file)) return true;
    for (const IndexDef& index : table->indexes)
      if (matches(index.file)) return true;
  }
  return false;
}

const TableDef* FindByFileName(std::string_view file_name, int* station) {
  const size_t slash = file_name.rfind('/');
  std::string name = Lower(slash == std::string_view::npos ? file_name : file_name.substr(slash + 1));
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  if (name.empty()) return nullptr;
  for (const TableDef* table : AllTables()) {
    const std::string_view base = PatternBase(table->file);
    if (base.empty() || base.find('<') != std::string_view::npos || !MatchesPattern(base, name)) continue;
    if (station != nullptr) {
      const size_t at = base.find("##");
      *station = at == std::string_view::npos ? 0 : (name[at] - '0') * 10 + (name[at + 1] - '0');
    }
    return table;
  }
  return nullptr;
}

Markers Markers::Of(std::vector<std::string> names) {
  std::set<std::string> keys;
  for (const std::string& n : names) keys.insert(MarkerKey(n));
  return Markers([keys = std::move(keys)](std::string_view name) {
    return keys.count(MarkerKey(name)) > 0;
  });
}

Markers Markers::Of(std::initializer_list<std::string_view> names) {
  std::vector<std::string> list;
  for (std::string_view n : names) list.emplace_back(n);
  return Of(std::move(list));
}

int BarCodeWidth(const Markers& markers) {
  if (markers.Has("KOD20.TXT")) return 20;
  if (markers.Has("KOD18.TXT")) return 18;
  if (markers.Has("KOD16.TXT")) return 16;
  if (markers.Has("KOD14.TXT")) return 14;
  return 13;
}

int BatchWidth(const Markers& markers) { return markers.Has("PARTIA10.TXT") ? 10 : 5; }

std::string KOD14(const Markers& markers) { return std::to_string(BarCodeWidth(markers)); }

std::string PARTIA5(const Markers& markers) { return PadL(std::to_string(BatchWidth(markers)), 2); }

bool Condition::Holds(const Markers& markers, const FieldProbe& has_field) const {
  if (Always()) return true;
  if (!marker.empty() && markers.Has(marker)) return true;
  if (!marker2.empty() && markers.Has(marker2)) return true;
  return !field.empty() && has_field && has_field(field);
}

int FieldDef::WidthFor(const Markers& markers) const {
  switch (rule) {
    case WidthRule::kFixed: return width;
    case WidthRule::kBarCode: return BarCodeWidth(markers);
    case WidthRule::kBatch: return BatchWidth(markers);
    case WidthRule::kVatRate: return markers.Has("VAT_13_5.TXT") ? 4 : 2;
    case WidthRule::kStreet: return markers.Has("UODB35.TXT") ? 35 : 25;
    case WidthRule::kStationMap:
      if (markers.Has("ST99.TXT")) return 99;
      if (markers.Has("ST2.TXT")) return 2;
      return 30;
  }
  return width;
}

std::span<const TableDef* const> AllTables() {
  static const std::vector<const TableDef*> kAll = CollectTables();
  return kAll;
}

const TableDef& Table(TableId id) {
  for (const TableDef* t : AllTables()) {
    if (t->id == id) return *t;
  }
  static const TableDef kNone{.id = TableId::kFirma, .layout_known = false};
  return kNone;  // every id is registered; this only keeps a bad id harmless
}

const TableDef* FindByAlias(std::string_view alias) {
  const std::string key = Upper(AllTrim(alias));
  for (const TableDef* t : AllTables()) {
    if (Upper(t->alias) == key) return t;
  }
  return nullptr;
}

const TableDef* FindByArea(int area) {
  if (area <= 0) return nullptr;
  for (const TableDef* t : AllTables()) {
    if (t->area == area) return t;
  }
  return nullptr;
}

std::span<const TableId> RebuildOrder() {
  static constexpr TableId kOrder[] = {
      TableId::kPp,       TableId::kOpak,   TableId::kAsZb,     TableId::kWal,
      TableId::kAs,       TableId::kAsEx0,  TableId::kAsEx,     TableId::kPartia20,
      TableId::kP23,      TableId::kZo,     TableId::kZd,       TableId::kZp,
      TableId::kZf,       TableId::kZn,     TableId::kRabat,    TableId::kDow,
      TableId::kDowQr,    TableId::kDowod,  TableId::kSlow,     TableId::kZamDow,
      TableId::kZamDowod, TableId::kZalDowod, TableId::kFaN,    TableId::kFaNx,
      TableId::kPk,
  };
  return kOrder;
}

bool TableEnabled(const TableDef& table, const Markers& markers) {
  return table.condition.Holds(markers, {});
}

std::vector<Field> ResolveFields(const TableDef& table, const Markers& markers,
                                 const FieldProbe& existing) {
  std::vector<Field> out;
  out.reserve(table.fields.size());
  for (const FieldDef& def : table.fields) {
    if (!def.condition.Holds(markers, existing)) continue;
    out.push_back(Field{std::string(def.name), def.type, def.WidthFor(markers), def.decimals});
  }
  return out;
}

Result<std::string> PeriodDirFromBmr(std::string_view bmr) {
  auto digit = [&](size_t i) { return bmr[i] >= '0' && bmr[i] <= '9'; };
  if (bmr.size() != 5 || bmr[2] != '.' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) {
    return Status::Invalid("period \"" + std::string(bmr) + "\" is not mm.yy");
  }
  const int month = (bmr[0] - '0') * 10 + (bmr[1] - '0');
  if (month < 1 || month > 12) {
    return Status::Invalid("period \"" + std::string(bmr) + "\" has no month " +
                           std::string(bmr.substr(0, 2)));
  }
  return std::string(bmr.substr(3, 2)) + "/" + std::string(bmr.substr(0, 2));
}

std::string TablePath(const TableDef& table, const PathArgs& args) {
  std::string name = FillName(table.file, args);
  if (table.place == Place::kPeriod && !args.period.empty()) {
    std::string folder = NormalPath(args.period);
    if (folder.back() != '/') folder += '/';
    name = folder + name;
  }
  return name;
}

std::vector<IndexFile> ArticleOrders(const Markers& markers, const FieldProbe& has_field) {
  auto has = [&](std::string_view f) { return has_field && has_field(f); };
  std::vector<IndexFile> out;
  auto add = [&out](std::string_view key) {
    out.push_back(IndexFile{"as" + std::to_string(out.size() + 2), std::string(key)});
  };
  const std::string_view name_order = markers.Has("BUTY.TXT") ? "indeks+mag" : "nazwa";
  if (has("KOD13") || markers.Has("KOD13.TXT")) add("DESCEND(kod13)");
  add(name_order);
  // The next free order file holds the first optional order that applies.
  if (has("SUR")) {
    add(markers.Has("SUR_MAG.TXT") ? "sur+mag+indeks" : "mag+sur+DTOS(data_pz)+STR(RECNO(),6)");
  } else if (has("T_W_O_K")) {
    add("t_w_o_k+mag+indeks");
    if (markers.Has("AS_ATEST.TXT")) add("atest+mag+indeks");
  } else if (markers.Has("AS_CENA.TXT")) {
    add("mag+STR(cena2,7,2)");
  }
  return out;
}

std::vector<IndexFile> ResolveIndexes(const TableDef& table, const Markers& markers,
                                      const PathArgs& args, const FieldProbe& existing) {
  const std::vector<Field> fields = ResolveFields(table, markers, existing);
  const FieldProbe has_field = existing ? existing : ProbeOf(fields);
  const std::string folder = Folder(TablePath(table, args));
  std::vector<IndexFile> out;
  for (const IndexDef& def : table.indexes) {
    if (!def.condition.Holds(markers, has_field)) continue;
    out.push_back(IndexFile{folder + FillName(def.file, args), std::string(def.key)});
  }
  if (table.id == TableId::kAs) {
    for (IndexFile& order : ArticleOrders(markers, has_field)) {
      order.file = folder + order.file;
      out.push_back(std::move(order));
    }
  }
  return out;
}

Result<std::string> TworzText(const TableDef& table, const Markers& markers,
                              const PathArgs& args, const FieldProbe& existing) {
  const std::string path = TablePath(table, args);
  if (!table.layout_known) {
    return Status::NotFound(path + ": its fields are defined by the routine that creates it");
  }
  const std::vector<Field> fields = ResolveFields(table, markers, existing);
  return FieldListText(path, fields);
}

}  // namespace hurt::store
