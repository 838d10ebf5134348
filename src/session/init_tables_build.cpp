#include "session/init_tables_build.h"

#include <algorithm>

#include "base/numeric.h"
#include "base/text.h"
#include "session/area_fields.h"
#include "session/kind_seeds.h"
#include "session/session.h"
#include "store/init_tables_layout.h"
#include "store/init_tables_period.h"
#include "store/init_tables_rebuild.h"
#include "store/net_files.h"
#include "store/schema_field_list.h"
#include "store/table_create.h"
#include "store/table_damage.h"
#include "xbase/table.h"

namespace hurt::session {

// Table initialisation works in the store's terms throughout.
using namespace store;  // NOLINT(google-build-using-namespace)
namespace {

constexpr int kFirmaArea = 1;
constexpr int kLinesArea = 4;
constexpr int kArticlesArea = 2;
// Tables without a fixed area are built in the first of the areas the old runtime kept
// for scratch structure tables; every area but 1 and 149 is closed during the build.
constexpr int kScratchArea = 88;
constexpr int kProgramArea = 149;
// The exclusive opens of the build wait for other stations this many times one second.
constexpr double kBuildOpenWait = 20;
// The session open makes one attempt (and pauses a second before giving up).
constexpr double kSessionOpenWait = 1;
constexpr double kFirmaLockWait = 10;

bool IsCounterpartyBook(TableId id) {
  return id == TableId::kZo || id == TableId::kZd || id == TableId::kZp || id == TableId::kZf ||
         id == TableId::kZn;
}

int BuildArea(const TableDef& t) {
  return t.area > kFirmaArea && t.area != kProgramArea ? t.area : kScratchArea;
}

FieldProbe ProbeOf(const std::vector<Field>& fields) {
  return [&fields](std::string_view name) {
    const std::string key = Upper(name);
    return std::any_of(fields.begin(), fields.end(), [&](const Field& f) { return f.name == key; });
  };
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

Result<std::vector<Field>> StoredFields(xbase::Env& env, const std::string& dbf) {
  auto table = xbase::Table::Open(env, dbf, xbase::TableMode::SharedReadOnly());
  if (!table.ok()) return table.status();
  std::vector<Field> fields = FieldsOf((*table)->fields());
  HURT_RETURN_IF_ERROR((*table)->Close());
  return fields;
}

// The orders of a table, as the work area builds them.
std::vector<xbase::OrderDefinition> OrderSpecs(const BuildContext& b, const TableDef& t, const std::vector<Field>& fields) {
  std::vector<xbase::OrderDefinition> definitions;
  for (const IndexFile& index : ResolveIndexes(t, b.markers, b.Args(), ProbeOf(fields))) {
    definitions.push_back(xbase::OrderDefinition{b.Path(index.file) + ".ntx", index.key, {}});
  }
  return definitions;
}

// REPLACE of a field the table may lack (optional fields are left alone then).
Status ReplaceIfPresent(xbase::WorkArea& area, std::string_view field, const xbase::Value& value) {
  if (area.FieldIndex(field) < 0) return Status::Ok();
  return area.Replace(field, value);
}

Result<std::string> DefinitionText(const BuildContext& b, const TableDef& t, const std::vector<Field>& fields) {
  return FieldListText(b.TableFile(t), fields);
}

Status CreateFromDefinition(BuildContext& b, const TableDef& t, int area) {
  auto text = DefinitionText(b, t, ResolveFields(t, b.markers));
  if (!text.ok()) return b.Fail("Plik " + TablePath(t, b.Args()) + " niedostepny", text.status());
  HURT_RETURN_IF_ERROR(b.store.areas.Select(area));
  Status s = Tworz(b.store, *text);
  if (!s.ok()) b.reported = true;  // TWORZ has said which table
  return s;
}

Status OpenIn(BuildContext& b, const TableDef& t, int area, bool exclusive, double wait) {
  HURT_RETURN_IF_ERROR(b.store.areas.Select(area));
  return NetUse(b.store, b.TableFile(t), t.alias, exclusive, wait);
}

// The entries of `dir` whose name is `name` in any mix of upper and lower case (a folder
// may hold "note" and "NOTE" both); none when the folder cannot be read.
std::vector<std::string> EntriesAnyCase(xbase::Env& env, const std::string& dir, std::string_view name) {
  std::vector<std::string> found;
  auto entries = env.ListDir(dir.empty() ? "." : dir);
  if (!entries.ok()) return found;
  for (const std::string& entry : *entries) {
    if (Lower(entry) == Lower(name)) found.push_back(dir.empty() || dir.ends_with('/') ? dir + entry : dir + "/" + entry);
  }
  return found;
}

// A copy of as, zo or fa_n dropped into NOTE/ replaces the period's table. The folder and
// the file are found whatever the case of their names (copied from another system, a
// pen drive, "Note/AS.dbf").
Status TakeDroppedCopy(BuildContext& b, const TableDef& t, const std::string& file, int area) {
  if (t.id != TableId::kAs && t.id != TableId::kZo && t.id != TableId::kFaN) return Status::Ok();
  xbase::Env& env = b.store.areas.env();
  std::string found, memo;
  for (const std::string& note : EntriesAnyCase(env, b.root == "." ? std::string() : b.root, "note")) {
    const std::vector<std::string> tables = EntriesAnyCase(env, note, std::string(t.file) + ".dbf");
    if (tables.empty()) continue;
    found = tables.front();
    const std::vector<std::string> memos = EntriesAnyCase(env, note, std::string(t.file) + ".dbt");
    if (!memos.empty()) memo = memos.front();
    break;
  }
  if (found.empty()) return Status::Ok();
  // Under the lower-case name the program reads (note/<table>) from here on, with its
  // memo file, so that the copy is read and then removed like any table of the program.
  const std::string dropped = b.Path("note/" + std::string(t.file));
  if (found != dropped + ".dbf") {
    Status moved = env.CreateDirs(b.Path("note"));
    if (moved.ok()) moved = env.Rename(found, dropped + ".dbf");
    if (moved.ok() && !memo.empty() && memo != dropped + ".dbt") moved = env.Rename(memo, dropped + ".dbt");
    if (!moved.ok()) return b.Fail("Plik " + found + " niedostepny", moved);
    found = dropped + ".dbf";
  }

  auto dropped_fields = StoredFields(env, found);
  if (!dropped_fields.ok()) return b.Fail("Plik " + dropped + " niedostepny", dropped_fields.status());
  std::vector<Field> on_disk;
  if (env.Exists(file + ".dbf")) {
    auto stored = StoredFields(env, file + ".dbf");
    if (!stored.ok()) return b.Fail("Plik " + TablePath(t, b.Args()) + " niedostepny", stored.status());
    on_disk = std::move(stored).value();
  }
  std::vector<Field> both = on_disk;
  both.insert(both.end(), dropped_fields->begin(), dropped_fields->end());
  const std::vector<Field> definition = ResolveFields(t, b.markers, ProbeOf(both));
  const LayoutPlan table_plan = PlanLayout(on_disk, definition);
  const LayoutPlan plan = PlanLayout(*dropped_fields, table_plan.fields);

  Status s = RebuildTable(b.store, area, file, t.alias, plan.fields, dropped);
  if (!s.ok()) return b.Fail("Blad przebudowy pliku " + TablePath(t, b.Args()) + ".dbf", s);
  return RemoveTableFiles(env, dropped);
}

}  // namespace

BuildContext::BuildContext(Session& session, StoreUi& ui, std::string_view build_mode)
    : s(session),
      store{session.areas(), ui},
      markers(session.Markers()),
      root(session.root()),
      period(session.hh()),
      mode(build_mode) {}

PathArgs BuildContext::Args() const { return PathArgs{period, s.stacja(), {}}; }

std::string BuildContext::Path(std::string_view relative) const { return InRoot(root, relative); }

std::string BuildContext::TableFile(const TableDef& table) const { return Path(TablePath(table, Args())); }

Status BuildContext::FailLines(const std::vector<std::string>& lines, Status status) {
  if (!reported) store.ui.AlertLines(lines);
  reported = true;
  return status;
}

Status BuildContext::Fail(const std::string& message, Status status, const std::string& table_file) {
  if (!reported) {
    if (status.IsCorruption() && !table_file.empty()) {
      std::vector<std::string> lines{message};
      for (std::string& line : TableDamageLines(store.areas.env(), table_file)) lines.push_back(std::move(line));
      store.ui.AlertLines(lines);
    } else {
      store.ui.Alert(message);
    }
  }
  reported = true;
  return status;
}

bool ResetsMonth(const BuildContext& b) {
  const std::string mode = Upper(b.mode);
  const bool month = mode.rfind("BEZ_INIT_DBF", 0) == 0 || mode.rfind("Z KOREKTA AS", 0) == 0 ||
                     b.s.vars().Logical("KOREKTA__AS");
  return month && !b.markers.Has("tylko.fan");
}

Status EnsureFirma(BuildContext& b) {
  xbase::WorkAreas& areas = b.store.areas;
  xbase::WorkArea* firma = areas.Area(kFirmaArea);
  if (firma == nullptr || Upper(firma->alias()) != "FIRMA") {
    const TableDef& t = Table(TableId::kFirma);
    const std::string file = b.TableFile(t);
    xbase::Env& env = areas.env();
    HURT_RETURN_IF_ERROR(LowerCaseTableName(env, file));
    if (!env.Exists(file + ".dbf")) HURT_RETURN_IF_ERROR(CreateFromDefinition(b, t, kFirmaArea));
    Status s = OpenIn(b, t, kFirmaArea, true, kSessionOpenWait);
    if (!s.ok()) return b.Fail("Wszyscy musza wyjsc z programu", s);
    firma = areas.Area(kFirmaArea);
  }
  auto count = firma->RecCount();
  if (!count.ok()) return b.Fail("Plik firma niedostepny", count.status());
  if (*count > 0) return Status::Ok();
  // A new installation: the one record, working in this month.
  HURT_RETURN_IF_ERROR(firma->Append());
  HURT_RETURN_IF_ERROR(firma->Replace("BMR", BmrOfPeriod(PeriodOfDay(b.s.Today()))));
  HURT_RETURN_IF_ERROR(ReplaceIfPresent(*firma, "FK", std::string("C:\\FF")));
  HURT_RETURN_IF_ERROR(firma->Unlock());
  return firma->Commit();
}

std::string PeriodFromFirma(BuildContext& b) {
  xbase::WorkArea* firma = b.store.areas.Area(kFirmaArea);
  if (firma == nullptr || !firma->GoTop().ok() || firma->eof()) return {};
  auto bmr = firma->Get("BMR");
  if (!bmr.ok()) return {};
  auto period = PeriodDirFromBmr(bmr->AsString());
  return period.ok() ? *period : std::string();
}

Status WriteBmr(BuildContext& b, std::string_view period) {
  xbase::WorkArea* firma = b.store.areas.Area(kFirmaArea);
  if (firma == nullptr) return Status::Invalid("firma is not open");
  HURT_RETURN_IF_ERROR(firma->GoTop());
  HURT_RETURN_IF_ERROR(RecLockArea(b.store.ui, *firma, kFirmaLockWait));
  HURT_RETURN_IF_ERROR(firma->Replace("BMR", BmrOfPeriod(period)));
  HURT_RETURN_IF_ERROR(firma->Unlock());
  return firma->Commit();
}

Status ResetArticleMonth(BuildContext& b, xbase::WorkArea& as) {
  b.store.ui.Message("BO miesiaca na as");
  HURT_RETURN_IF_ERROR(as.SetOrder(0));
  HURT_RETURN_IF_ERROR(as.GoTop());
  while (!as.eof()) {
    const double opening = FieldNumber(as, "B_BO_I");
    // The price the month opened with; the month close sets CENA_01 from CENA0, and a
    // card without a cost price is valued at its purchase price.
    double price = FieldNumber(as, "CENA_01");
    if (price == 0) price = FieldNumber(as, "CENA0");
    if (price == 0) price = FieldNumber(as, "CENA_PZ");
    HURT_RETURN_IF_ERROR(as.Replace("ILOSC", opening));
    for (std::string_view field : {"B_P_I", "B_P_W", "B_R_I", "B_R_W", "B_R_I_SD"}) {
      HURT_RETURN_IF_ERROR(ReplaceIfPresent(as, field, 0.0));
    }
    HURT_RETURN_IF_ERROR(ReplaceIfPresent(as, "B_BO_W", NewRound(opening * price, 4)));
    auto name = as.Get("NAZWA");
    if (name.ok()) HURT_RETURN_IF_ERROR(as.Replace("NAZWA", UpperPl(name->AsString())));
    HURT_RETURN_IF_ERROR(as.Skip());
  }
  return as.Commit();
}

Status ResetDocumentTotals(BuildContext&, xbase::WorkArea& dowod) {
  HURT_RETURN_IF_ERROR(dowod.SetOrder(0));
  HURT_RETURN_IF_ERROR(dowod.GoTop());
  while (!dowod.eof()) {
    for (std::string_view field : {"WARTOSC0", "NETTO", "VAT", "OPA"}) {
      HURT_RETURN_IF_ERROR(ReplaceIfPresent(dowod, field, 0.0));
    }
    HURT_RETURN_IF_ERROR(dowod.Skip());
  }
  return dowod.Commit();
}

Status BuildTable(BuildContext& b, const TableDef& t) {
  if (!TableEnabled(t, b.markers)) return Status::Ok();
  xbase::WorkAreas& areas = b.store.areas;
  xbase::Env& env = areas.env();
  const std::string name = TablePath(t, b.Args());
  const std::string file = b.TableFile(t);
  const int area = BuildArea(t);
  auto unavailable = [&](Status s) { return b.Fail("Plik " + name + " niedostepny", s, file + ".dbf"); };

  if (Status s = LowerCaseTableName(env, file); !s.ok()) return unavailable(s);
  if (auto recovered = RecoverRebuild(env, file); !recovered.ok()) return unavailable(recovered.status());
  HURT_RETURN_IF_ERROR(TakeDroppedCopy(b, t, file, area));

  if (!env.Exists(file + ".dbf")) {
    // Tables another routine lays out, and the counterparty books (the session open
    // makes those), are not made here.
    if (t.only_if_file_exists || !t.layout_known || IsCounterpartyBook(t.id)) return Status::Ok();
    if (const std::string folder = Folder(file); !folder.empty()) {
      if (Status s = env.CreateDirs(folder); !s.ok()) return unavailable(s);
    }
    HURT_RETURN_IF_ERROR(CreateFromDefinition(b, t, area));
  }

  b.store.ui.Message("Indeksowanie pliku " + std::string(t.file) + ".dbf");
  if (Status s = OpenIn(b, t, area, true, kBuildOpenWait); !s.ok()) return unavailable(s);
  xbase::WorkArea* a = areas.Area(area);
  std::vector<Field> fields = FieldsOf(a->table().fields());

  if (t.layout_known) {
    const LayoutPlan plan = PlanLayout(fields, ResolveFields(t, b.markers, ProbeOf(fields)));
    if (plan.rebuild) {
      Status s = RebuildTable(b.store, area, file, t.alias, plan.fields);
      if (!s.ok()) return b.Fail("Blad przebudowy pliku " + name + ".dbf", s);
      if (s = OpenIn(b, t, area, true, kBuildOpenWait); !s.ok()) return unavailable(s);
      a = areas.Area(area);
      fields = FieldsOf(a->table().fields());
    }
  }

  Status s;
  if (ResetsMonth(b) && t.id == TableId::kAs) s = ResetArticleMonth(b, *a);
  if (s.ok() && ResetsMonth(b) && t.id == TableId::kDowod) s = ResetDocumentTotals(b, *a);
  if (s.ok() && t.id == TableId::kSlow && b.markers.Has("FV_ZAL.TXT")) s = AddAdvanceKinds(*a);
  if (s.ok() && t.id == TableId::kAs) b.store.ui.Message("Indeksowanie pliku as.dbf");
  if (s.ok()) {
    const std::vector<xbase::OrderDefinition> definitions = OrderSpecs(b, t, fields);
    if (!definitions.empty()) s = a->CreateOrders(definitions).status();
  }
  Status closed = areas.Close(area);
  if (s.ok()) s = closed;
  if (!s.ok()) return b.Fail("Blad indeksowania pliku " + name + ".dbf", s);
  return Status::Ok();
}

const std::vector<TableId>& SessionTables() {
  static const std::vector<TableId> kTables = {
      TableId::kAs,   TableId::kZo,    TableId::kDd,  TableId::kDow,      TableId::kDowod, TableId::kFaN,
      TableId::kFaNx, TableId::kSlow,  TableId::kPk,  TableId::kP23,      TableId::kDowQr, TableId::kWal,
      TableId::kZd,   TableId::kZp,    TableId::kPartia20, TableId::kZf,  TableId::kZn,
  };
  return kTables;
}

Status CreateWorkingLines(BuildContext& b) {
  const TableDef& t = Table(TableId::kDd);
  xbase::WorkAreas& areas = b.store.areas;
  const std::string name = TablePath(t, b.Args());
  const std::string file = b.TableFile(t);
  auto unavailable = [&](Status s) { return b.Fail("Plik " + name + " niedostepny", s); };

  if (Status s = areas.Close(kLinesArea); !s.ok()) return unavailable(s);
  if (Status s = areas.env().CreateDirs(Folder(file)); !s.ok()) return unavailable(s);
  HURT_RETURN_IF_ERROR(CreateFromDefinition(b, t, kLinesArea));
  if (Status s = OpenIn(b, t, kLinesArea, false, kSessionOpenWait); !s.ok()) return unavailable(s);
  xbase::WorkArea* lines = areas.Area(kLinesArea);
  // A new, empty table of this station: its order is built under the table lock.
  Status s = lines->LockFile();
  if (s.ok()) s = lines->CreateOrders(OrderSpecs(b, t, FieldsOf(lines->table().fields()))).status();
  Status unlocked = lines->Unlock();
  if (s.ok()) s = unlocked;
  if (s.ok()) s = lines->SetOrder(1);
  if (s.ok()) s = lines->GoTop();
  if (!s.ok()) {
    (void)areas.Close(kLinesArea);
    return unavailable(s);
  }
  return Status::Ok();
}

Status RelateLinesToArticles(BuildContext& b) {
  const TableDef& t = Table(TableId::kDd);
  xbase::WorkArea* lines = b.store.areas.Area(kLinesArea);
  xbase::WorkArea* articles = b.store.areas.Area(kArticlesArea);
  if (lines == nullptr || articles == nullptr || !t.relation) return Status::Ok();
  lines->ClearRelations();
  Status s = lines->SetRelation(kArticlesArea, t.relation->key);
  if (!s.ok()) return b.Fail("Plik " + TablePath(t, b.Args()) + " niedostepny", s);
  return Status::Ok();
}

namespace {

// The working lines as they are when current and complete, else made anew.
Status OpenWorkingLines(BuildContext& b) {
  const TableDef& t = Table(TableId::kDd);
  xbase::WorkAreas& areas = b.store.areas;
  xbase::Env& env = areas.env();
  const std::string file = b.TableFile(t);
  const std::vector<Field> definition = ResolveFields(t, b.markers);
  if (env.Exists(file + ".dbf") && env.Exists(file + ".ntx")) {
    if (OpenIn(b, t, kLinesArea, false, kSessionOpenWait).ok()) {
      xbase::WorkArea* lines = areas.Area(kLinesArea);
      const std::vector<Field> fields = FieldsOf(lines->table().fields());
      if (fields == definition) {
        bool attached = true;
        for (const xbase::OrderDefinition& order : OrderSpecs(b, t, fields)) {
          attached = attached && lines->AttachOrder(order.path).ok();
        }
        if (attached && lines->SetOrder(1).ok() && lines->GoTop().ok()) return Status::Ok();
      }
    }
  }
  return CreateWorkingLines(b);
}

// A counterparty book missing from the period is made empty and indexed.
Status CreateBook(BuildContext& b, const TableDef& t) {
  const std::string name = TablePath(t, b.Args());
  auto unavailable = [&](Status s) { return b.Fail("Plik " + name + " niedostepny", s); };
  if (const std::string folder = Folder(b.TableFile(t)); !folder.empty()) {
    if (Status s = b.store.areas.env().CreateDirs(folder); !s.ok()) return unavailable(s);
  }
  HURT_RETURN_IF_ERROR(CreateFromDefinition(b, t, t.area));
  if (Status s = OpenIn(b, t, t.area, true, kSessionOpenWait); !s.ok()) return unavailable(s);
  xbase::WorkArea* book = b.store.areas.Area(t.area);
  Status s = book->CreateOrders(OrderSpecs(b, t, FieldsOf(book->table().fields()))).status();
  Status closed = b.store.areas.Close(t.area);
  if (s.ok()) s = closed;
  if (!s.ok()) return unavailable(s);
  return Status::Ok();
}

}  // namespace

Status OpenSessionTable(BuildContext& b, const TableDef& t, bool* needs_build) {
  *needs_build = false;
  if (!TableEnabled(t, b.markers)) return Status::Ok();
  if (t.id == TableId::kDd) return OpenWorkingLines(b);
  xbase::WorkAreas& areas = b.store.areas;
  xbase::Env& env = areas.env();
  const std::string name = TablePath(t, b.Args());
  const std::string file = b.TableFile(t);
  auto unavailable = [&](Status s) { return b.Fail("Plik " + name + " niedostepny", s); };
  auto missing = [&](const std::string& what) {
    *needs_build = true;
    (void)areas.Close(t.area);
    return Status::NotFound(what + ": missing; the start-up build makes it");
  };

  if (!env.Exists(file + ".dbf")) {
    if (t.only_if_file_exists) return Status::Ok();
    if (!IsCounterpartyBook(t.id)) return missing(file + ".dbf");
    HURT_RETURN_IF_ERROR(CreateBook(b, t));
  }
  if (Status s = OpenIn(b, t, t.area, false, kSessionOpenWait); !s.ok()) {
    // A file shorter than its header says is no work for the build: the rescue run mends it.
    if (s.IsCorruption() && IsShortTable(env, file + ".dbf")) {
      return b.Fail("Plik " + name + " niedostepny", s, file + ".dbf");
    }
    if (s.IsNotFound() || s.IsCorruption()) return missing(file + ".dbf");
    return unavailable(s);
  }
  xbase::WorkArea* a = areas.Area(t.area);
  for (const xbase::OrderDefinition& order : OrderSpecs(b, t, FieldsOf(a->table().fields()))) {
    if (!env.Exists(order.path)) return missing(order.path);
    auto attached = a->AttachOrder(order.path);
    if (!attached.ok()) {
      // A damaged index is rebuilt from its table by the start-up build.
      if (attached.status().IsCorruption() || attached.status().IsNotFound()) return missing(order.path);
      (void)areas.Close(t.area);
      return unavailable(attached.status());
    }
  }
  if (a->order_count() > 0) {
    Status s = a->SetOrder(1);
    if (s.ok()) s = a->GoTop();
    if (!s.ok()) {
      // An index damaged inside (its header read well): named, with the rebuild that mends it.
      if (const std::string damaged = a->DamagedOrder(); !damaged.empty()) {
        std::vector<std::string> lines{"Plik " + name + " niedostepny"};
        for (std::string& line : DamagedIndexLines(damaged)) lines.push_back(std::move(line));
        return b.FailLines(lines, s);
      }
      return unavailable(s);
    }
  }
  return Status::Ok();
}

}  // namespace hurt::session
