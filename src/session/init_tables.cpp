#include "session/init_tables.h"

#include <array>

#include "base/text.h"
#include "session/init_tables_build.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/init_tables_period.h"
#include "store/net_files.h"

namespace hurt::session {

// Table initialisation works in the store's terms throughout.
using namespace store;  // NOLINT(google-build-using-namespace)
namespace {

constexpr std::array<int, 2> kKeptAreas = {1, 149};

bool InitDbfImpl(Session& s, StoreUi& ui, std::string_view period, bool inside_build);

bool IsMode(std::string_view mode, std::string_view name) { return Upper(mode).rfind(Upper(name), 0) == 0; }

void EraseIfPresent(xbase::Env& env, const std::string& file) {
  const std::string found = FindFileX(env, file);
  if (!found.empty()) (void)env.Remove(found);
}

bool InitNtxImpl(Session& s, StoreUi& ui, std::string_view mode) {
  BuildContext b(s, ui, mode);
  xbase::Env& env = s.env();

  // 1. A month close that did not finish.
  if (!IsMode(mode, "BEZ_INIT_DBF")) {
    const std::vector<std::string> closes = UnfinishedCloses(env, b.root);
    if (!closes.empty()) WarnUnfinishedClose(s.con(), closes);
  }

  // 2. Only the company table (and the single-instance lock) stay open.
  if (Status closed = s.areas().CloseAll(kKeptAreas); !closed.ok()) {
    ui.Alert("Nie moge zamknac plikow");
    return false;
  }
  EraseIfPresent(env, b.Path("kierowca.ntx"));
  EraseIfPresent(env, b.Path("koniec.txt"));
  ui.Message("Indeksowanie - prosze czekac");

  // 3. The period with data.
  if (!EnsureFirma(b).ok()) return false;
  const std::string bmr_period = PeriodFromFirma(b);
  const std::string wanted = bmr_period.empty() ? PeriodOfDay(s.Today()) : bmr_period;
  b.period = FindPeriodWithData(env, b.root, wanted, s.Today(), ui);
  if (b.period != bmr_period) {
    if (Status w = WriteBmr(b, b.period); !w.ok()) {
      (void)b.Fail("Plik firma niedostepny", w);
      return false;
    }
  }
  s.set_hh(b.period);

  // 4. Old print files.
  (void)ErasePrintFilesNotOf(env, b.root, s.Today());

  // 5, 6. Every table of the build, in its order.
  for (const std::string& folder : {b.Path(b.period), b.Path("rob")}) {
    if (Status made = env.CreateDirs(folder); !made.ok()) {
      (void)b.Fail("Nie moge zalozyc katalogu " + folder, made);
      return false;
    }
  }
  for (TableId id : RebuildOrder()) {
    if (!BuildTable(b, Table(id)).ok()) {
      (void)s.areas().CloseAll(kKeptAreas);
      return false;
    }
  }

  // 7. The session.
  return InitDbfImpl(s, ui, "", true);
}

// The session open found something only the build can make. The build needs the tables
// alone: the company table is taken exclusively first, so that a station started while
// others work stops with a clear message instead of rebuilding part of the directory.
bool BuildInstead(Session& s, StoreUi& ui) {
  BuildContext b(s, ui);
  const TableDef& firma = Table(TableId::kFirma);
  if (s.env().Exists(b.TableFile(firma) + ".dbf")) {
    Status alone = s.areas().Select(firma.area);
    if (alone.ok()) alone = NetUse(b.store, b.TableFile(firma), firma.alias, true, 1);
    if (!alone.ok()) {
      ui.Alert("Wszyscy musza wyjsc z programu");
      return false;
    }
  }
  return InitNtxImpl(s, ui, "");
}

bool InitDbfImpl(Session& s, StoreUi& ui, std::string_view period, bool inside_build) {
  BuildContext b(s, ui);
  xbase::WorkAreas& areas = s.areas();
  xbase::Env& env = s.env();
  // Only the current period can be built; an archive month is opened as it is.
  const bool can_build = !inside_build && period.empty();

  const TableDef& firma = Table(TableId::kFirma);
  if (!env.Exists(b.TableFile(firma) + ".dbf") && can_build) return BuildInstead(s, ui);
  Status opened = areas.Select(firma.area);
  if (opened.ok()) opened = NetUse(b.store, b.TableFile(firma), firma.alias, false, 1);
  if (!opened.ok()) {
    ui.Alert("Musisz zaczekac");
    return false;
  }
  if (!areas.CloseAll(kKeptAreas).ok()) {
    ui.Alert("Nie moge zamknac plikow");
    return false;
  }

  if (period.empty()) {
    b.period = PeriodFromFirma(b);
    if (b.period.empty()) {
      if (can_build) return BuildInstead(s, ui);
      ui.Alert("Zly okres w pliku firma");
      return false;
    }
    s.set_hh(b.period);
  } else {
    b.period = std::string(period);
  }

  for (TableId id : SessionTables()) {
    bool needs_build = false;
    Status st = OpenSessionTable(b, Table(id), &needs_build);
    if (st.ok()) continue;
    (void)areas.CloseAll(kKeptAreas);
    if (needs_build && can_build) return BuildInstead(s, ui);
    if (needs_build) (void)b.Fail("Plik " + TablePath(Table(id), b.Args()) + " niedostepny", st);
    return false;
  }
  if (!RelateLinesToArticles(b).ok()) return false;
  (void)areas.Select(firma.area);
  return true;
}

}  // namespace

bool InitNtx(Session& s, StoreUi& ui, std::string_view mode) { return InitNtxImpl(s, ui, mode); }

bool InitDbf(Session& s, StoreUi& ui, std::string_view period) { return InitDbfImpl(s, ui, period, false); }

bool NoweDd(Session& s, StoreUi& ui) {
  BuildContext b(s, ui);
  if (!CreateWorkingLines(b).ok()) return false;
  return RelateLinesToArticles(b).ok();
}

bool InitNtx(Session& s, std::string_view mode) {
  session::ConsoleStoreUi ui(s.con());
  return InitNtx(s, ui, mode);
}

bool InitDbf(Session& s, std::string_view period) {
  session::ConsoleStoreUi ui(s.con());
  return InitDbf(s, ui, period);
}

bool NoweDd(Session& s) {
  session::ConsoleStoreUi ui(s.con());
  return NoweDd(s, ui);
}

}  // namespace hurt::session
