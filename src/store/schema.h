// The table catalogue: every table of the system described as typed data.
//
// For each table the catalogue says where its file lives (data root, period folder
// "yy/mm", the station's "rob/" folder, or elsewhere), under which alias and in which
// fixed work area it is opened, its fields in order and its index files with their key
// expressions in attach order. Nothing here opens a file: the catalogue only describes.
//
// Many fields, widths, orders and even whole tables depend on marker files in the data
// root (`PARTIA.TXT`, `KOD13.TXT`, `VAT_13_5.TXT`, ...) and a few on whether the table
// already on disk carries a field. Both questions are asked through small callables,
// `Markers` and `FieldProbe`, so that tests can set them and the application answers
// them with FILE_X and the open table's structure. Markers are read at each use, never
// cached: resolve again when they may have changed.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace hurt::store {

// ---------------------------------------------------------------------------------------
// Questions the catalogue asks.

// Whether a marker file exists in the data root. The application answers with FILE_X
// (the name with blanks removed, in upper or in lower case).
class Markers {
 public:
  using Probe = std::function<bool(std::string_view name)>;

  Markers() = default;  // no marker exists
  explicit Markers(Probe probe) : probe_(std::move(probe)) {}
  // A fixed set of names, matched without regard to case and blanks (for tests and tools).
  static Markers Of(std::initializer_list<std::string_view> names);
  static Markers Of(std::vector<std::string> names);

  bool Has(std::string_view name) const { return probe_ && probe_(name); }

 private:
  Probe probe_;
};

// Whether the table as it exists on disk has a field (name in upper case). An empty
// probe means "no existing table": only markers decide.
using FieldProbe = std::function<bool(std::string_view field_name)>;

// ---------------------------------------------------------------------------------------
// Marker-dependent widths.

// Bar-code width: 20 with KOD20.TXT, else 18 with KOD18.TXT, else 16 with KOD16.TXT,
// else 14 with KOD14.TXT, else 13.
int BarCodeWidth(const Markers& markers);
// Batch-number width: 10 with PARTIA10.TXT, else 5.
int BatchWidth(const Markers& markers);
// KOD14(): the bar-code width as text, "13" to "20".
std::string KOD14(const Markers& markers);
// PARTIA5(): the batch width as text, " 5" or "10".
std::string PARTIA5(const Markers& markers);

// ---------------------------------------------------------------------------------------
// Fields.

enum class FieldType : char {
  kCharacter = 'C',
  kNumeric = 'N',
  kDate = 'D',
  kLogical = 'L',
  kMemo = 'M',
};

// A concrete field of a table: what TWORZ creates.
struct Field {
  std::string name;  // upper case, at most 10 characters
  FieldType type = FieldType::kCharacter;
  int width = 0;
  int decimals = 0;
  bool operator==(const Field&) const = default;
};

// How a field's width is chosen. kFixed uses FieldDef::width; the others ignore it.
enum class WidthRule : char {
  kFixed,
  kBarCode,     // BarCodeWidth(): 13..20
  kBatch,       // BatchWidth(): 5 or 10
  kVatRate,     // VAT rate code: 4 with VAT_13_5.TXT, else 2
  kStreet,      // street: 35 with UODB35.TXT, else 25
  kStationMap,  // station register ST: 99 with ST99.TXT, else 2 with ST2.TXT, else 30
};

// When an optional field, order or table exists. Empty = always. Otherwise it holds
// when any named marker exists or the existing table has the named field.
struct Condition {
  std::string_view marker{};
  std::string_view marker2{};
  std::string_view field{};

  constexpr bool Always() const { return marker.empty() && marker2.empty() && field.empty(); }
  bool Holds(const Markers& markers, const FieldProbe& has_field) const;
};

// A field as the catalogue defines it: fixed, or with a marker-dependent width, or
// present only under a condition.
struct FieldDef {
  std::string_view name{};
  FieldType type = FieldType::kCharacter;
  int width = 0;
  int decimals = 0;
  WidthRule rule = WidthRule::kFixed;
  Condition condition{};

  constexpr FieldDef If(std::string_view m) const {
    FieldDef f = *this;
    f.condition.marker = m;
    return f;
  }
  constexpr FieldDef IfAny(std::string_view m1, std::string_view m2) const {
    FieldDef f = *this;
    f.condition.marker = m1;
    f.condition.marker2 = m2;
    return f;
  }
  // Present when the existing table has the field `name` (or `m` exists, when given).
  constexpr FieldDef IfField(std::string_view field_name, std::string_view m = {}) const {
    FieldDef f = *this;
    f.condition.field = field_name;
    f.condition.marker = m;
    return f;
  }
  int WidthFor(const Markers& markers) const;
};

// Constructors used by the table definitions.
constexpr FieldDef C(std::string_view n, int w) { return {n, FieldType::kCharacter, w, 0}; }
constexpr FieldDef N(std::string_view n, int w, int d) { return {n, FieldType::kNumeric, w, d}; }
constexpr FieldDef D(std::string_view n) { return {n, FieldType::kDate, 8, 0}; }
constexpr FieldDef L(std::string_view n) { return {n, FieldType::kLogical, 1, 0}; }
constexpr FieldDef CRule(std::string_view n, WidthRule r) {
  return {n, FieldType::kCharacter, 0, 0, r};
}

// ---------------------------------------------------------------------------------------
// Index files.

// One single-order index file. `file` is a name in the table's own folder, without
// extension; "##" in it stands for the two-digit station number and "<...>" for the
// run-time part of the table's name. `key` is the key
// expression text exactly as the engine compiles it.
struct IndexDef {
  std::string_view file{};
  std::string_view key{};
  Condition condition{};
};

// A concrete index file to build or attach, in attach order.
struct IndexFile {
  std::string file;  // relative path, forward slashes, lower case, no extension
  std::string key;
  bool operator==(const IndexFile&) const = default;
};

// ---------------------------------------------------------------------------------------
// Tables.

enum class Place : char {
  kRoot,     // data root
  kPeriod,   // period folder "yy/mm"
  kStation,  // "rob/" folder, file name carries the two-digit station number
  kOther,    // elsewhere, or a name chosen at run time
};

enum class TableId {
  // Kept open in fixed work areas.
  kFirma, kAs, kZo, kDd, kDow, kDowod, kFaN, kFaNx, kSlow, kPk, kP23, kDowQr, kWal,
  kZd, kZp, kRobWal, kProgram, kPartia20, kZf, kZn,
  // Opened by the routines that use them (prawa in its own fixed area).
  kOpak, kAsEx0, kAsEx, kAsZb, kZamDowod, kZamDow, kZalDowod, kPp, kRabat, kPrawa,
  kBlat, kEFirma, kEoCfg, kEoNrKom,
  // Working and auxiliary tables.
  kRobFaN, kRobDdQr, kKorekty, kRejestrVat, kRapDz, kRobRapDz, kAsso, kZamow, kZamowienie,
};

// Relation set from a table to another when it is opened (the working lines move the
// articles): `key` evaluated in this table is sought in `target_alias`'s first order.
struct Relation {
  std::string_view target_alias{};
  std::string_view key{};
};

struct TableDef {
  TableId id = TableId::kFirma;
  // Relative path without extension, forward slashes, lower case. Period tables give
  // the name inside the period folder; "##" stands for the two-digit station number;
  // "<...>" for a part chosen at run time (PathArgs::part).
  std::string_view file{};
  std::string_view alias{};
  int area = 0;  // fixed work area, 0 when the table has none
  Place place = Place::kRoot;
  std::string_view contents{};
  Condition condition{};            // the table exists only when this holds
  bool only_if_file_exists = false; // used only when its file is already there
  bool layout_known = true;         // false: fields are defined by the routine that creates it
  std::span<const FieldDef> fields{};
  std::span<const IndexDef> indexes{};
  std::optional<Relation> relation{};
};

// Every table of the catalogue, grouped: company and settings, articles, documents,
// accounts, work tables.
std::span<const TableDef* const> AllTables();
const TableDef& Table(TableId id);
// Alias lookup ignores case ("FA_N" finds `fa_N`).
const TableDef* FindByAlias(std::string_view alias);
const TableDef* FindByArea(int area);

// Tables in the order the start-up build creates, upgrades and indexes them.
std::span<const TableId> RebuildOrder();

// Whether the table's option is on (its condition holds). Tables with
// `only_if_file_exists` also need their file, which the caller tests.
bool TableEnabled(const TableDef& table, const Markers& markers);

// The concrete fields of a table for a marker set, in order. `existing` answers for
// fields kept when the table on disk already has them.
std::vector<Field> ResolveFields(const TableDef& table, const Markers& markers,
                                 const FieldProbe& existing = {});

// Where the files of one table are: the period folder ("24/03"), the station number and,
// for tables whose name is chosen at run time, the part that replaces "<...>".
struct PathArgs {
  std::string_view period{};
  int station = 0;
  std::string_view part{};
};

// "03.24" (BMR of firma: month, point, two-digit year) gives the period folder "24/03".
Result<std::string> PeriodDirFromBmr(std::string_view bmr);

// The table's file: relative path, forward slashes, lower case, without extension.
std::string TablePath(const TableDef& table, const PathArgs& args);

// The concrete index files of a table in attach order, as paths in the table's folder.
// Orders that depend on a field ask `existing` when given, else the resolved fields.
std::vector<IndexFile> ResolveIndexes(const TableDef& table, const Markers& markers,
                                      const PathArgs& args, const FieldProbe& existing = {});

// The orders of the article table `as` after "mag+indeks": bar code and name orders,
// then the one optional order that applies. Index names without folder ("as2"...).
std::vector<IndexFile> ArticleOrders(const Markers& markers, const FieldProbe& has_field);

// Whether a file name (the last part of a path, any extension, any case) is the name of a
// table or an index file of the catalogue: "firma.dbf", "PRAWA", "d03.dbf", "zo_nip.ntx",
// "korek_25.dbf". "##" matches any two digits and "<...>" any run-time part; a name made
// only of a run-time part ("<order file>") names nothing.
bool IsCatalogueFileName(std::string_view file_name);

// The catalogue table a file is, by its name (the last part of a path, any case, with or
// without extension): "26/12/AS.DBF" is `as`, "d03.dbf" the working lines of station 3
// (*station receives the number "##" stood for). Tables named at run time ("<...>") are
// not found. nullptr for a name the catalogue has no table of.
const TableDef* FindByFileName(std::string_view file_name, int* station = nullptr);

// The field-list text that creates the table (see schema_field_list.h).
Result<std::string> TworzText(const TableDef& table, const Markers& markers,
                              const PathArgs& args, const FieldProbe& existing = {});

}  // namespace hurt::store
