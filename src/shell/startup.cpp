#include "shell/startup.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "base/text.h"
#include "console/message_window.h"
#include "console/screen_help.h"
#include "documents/line_editor.h"
#include "documents/line_session.h"
#include "documents/posting.h"
#include "documents/reservations.h"
#include "documents/station_recovery.h"
#include "documents/stock_correction.h"
#include "devices/card_station.h"
#include "devices/fiscal_station.h"
#include "invoicing/document_actions.h"
#include "maintenance/backup.h"
#include "maintenance/zeroing_tables.h"
#include "session/init_tables.h"
#include "session/kalk.h"
#include "session/kind_seeds.h"
#include "session/not_built.h"
#include "session/session.h"
#include "session/settings_rules.h"
#include "session/store_ui.h"
#include "settlements/ledger_rebuild.h"
#include "store/schema.h"
#include "shell/backup_screens.h"
#include "shell/company.h"
#include "shell/import_rob0.h"
#include "shell/main_screen.h"
#include "shell/menu_tree.h"
#include "shell/operators.h"
#include "shell/rescue.h"
#include "shell/settings_screen.h"
#include "shell/startup_files.h"
#include "shell/startup_screen.h"
#include "shell/startup_util.h"
#include "shell/station.h"
#include "shell/station_single.h"

namespace hurt::shell {

namespace {

constexpr int kKpKwLockSeconds = 30;

void SetText(Session& s, std::string_view name, std::string value) { s.vars().Set(name, xbase::Value(std::move(value))); }
void SetNumber(Session& s, std::string_view name, double value) { s.vars().Set(name, xbase::Value(value)); }
void SetDate(Session& s, std::string_view name, JulianDay day) { s.vars().Set(name, xbase::Value(xbase::Date{day})); }

session::MarkerQuery Markers(Session& s) {
  return [&s](std::string_view name) { return s.FileX(name); };
}

// Step 1: the runtime settings every screen relies on.
void RuntimeSettings(Session& s) {
  console::Console& con = s.con();
  con.set_insert_mode(true);
  con.ShowCursor(false);
  session::InstallKalk(con, s.kalk());
  console::InstallScreenHelp(con);
}

// Step 6: the print spool file and the working document.
void WorkingDocument(Session& s) {
  SetText(s, "PLIK", "rob/wydruk" + s.StationText() + ".prn");
  SetText(s, "M_RD", "SD ");
  SetText(s, "M_ODB", std::string(8, ' '));
  for (std::string_view n : {"M_NODB", "M_NODB1", "M_NODB2"}) SetText(s, n, std::string(50, ' '));
  SetDate(s, "M_DATA", s.Today());
  SetDate(s, "M_TERMIN", s.Today());
  SetText(s, "M_WAL", "   ");
}

// Step 7: the stored settings over the defaults, with the values forced at every start.
void StoredSettings(Session& s, const StartArgs& args) {
  auto loaded = session::LoadSettingsAtStartup(s.settings(), s.root(), Markers(s), args.upgrade);
  if (!loaded.ok() && loaded.status().IsCorruption()) {
    // A damaged settings file: the snapshot of the last sign-off rebuilds it.
    if (session::RestoreOrRecover(s.settings(), s.root()).ok())
      loaded = session::LoadSettingsAtStartup(s.settings(), s.root(), Markers(s), args.upgrade);
  }
  if (!loaded.ok()) {
    console::Okno_(s.con(), "Blad pliku parametr.mem", 3);
    return;
  }
  s.vars().Set("PODSTAWA_CENA0", xbase::Value(loaded->flags.podstawa_cena0));
  s.vars().Set("DOW_BLOKUJ", xbase::Value(loaded->flags.dow_blokuj));
}

// Step 12.
void SessionSwitches(Session& s) {
  if (!s.settings().Yes("J_WALUTA")) SetText(s, "JEST_WALUTA", "N");
  (void)s.settings().SetText("J_PTUZ", "ZW");
  SetText(s, "L_MAG_INDEKS", s.settings().MagGlow() + std::string(8, ' '));
}

bool WorkingLinesHoldRecords(Session& s) {
  xbase::WorkArea* dd = s.areas().Area(4);
  if (dd == nullptr) return false;
  auto count = dd->RecCount();
  return count.ok() && *count > 0;
}

// What the station's unfinished document holds back is let go. Whatever cannot be (an
// article busy elsewhere) stays in the station's ledger, which the next station to start
// or to post takes back once this one is gone.
void ReleaseReservationsQuietly(Session& s) {
  xbase::WorkArea* as = s.areas().Find("as");
  if (as == nullptr) return;
  store::NoScreenUi ui(s.clock());
  (void)documents::ReleaseLedger(ui, *as, documents::StationLedgerOf(s));
}

// The end that follows a refusal to start.
int Quit(Session& s, StartupState& state, int code) {
  if (state.registered) OutNet(s);
  state.registered = false;
  (void)s.areas().CloseAll();
  state.exit_code = code;
  return code;
}

}  // namespace

void DeclarePublicVariables(Session& s, const StartArgs& args, const StartupHooks& hooks) {
  for (std::string_view n : {"K_GLOWNE", "K_ASORTYMENT", "K_KONTRAHENCI", "K_OBROTY", "K_RAPORTY", "K_SPECJALNE", "LK_OPCJA"})
    SetNumber(s, n, 1);
  SetText(s, "WWW", args.www);
  SetDate(s, "D_EXE", hooks.program_date);
  SetNumber(s, "STACJA", s.stacja());
  SetText(s, "M_DRUKARKA", "EPSON");
  SetText(s, "M_MAG", "1");
  SetText(s, "MMM_MAG", "1");
  SetText(s, "M_RD", "SD ");
  SetText(s, "M_KTO", "O");
  SetText(s, "M_SPZ", "G");
  SetNumber(s, "M_TEZ", 0);
  SetNumber(s, "GDZIE", 3);
  SetNumber(s, "M_ZO", 2);
  SetNumber(s, "DF_COM", 1);
  SetText(s, "PORT_ADDR", "3F8");
  SetNumber(s, "PORT10_ADDR", 1016);
  SetNumber(s, "LEN_KOD13", 13);
  SetText(s, "JEST_WALUTA", "T");
  SetText(s, "M_ODDZIAL", " ");
  SetText(s, "M_RD_POMIN", "");
  SetText(s, "M_BANKBOLD", "");
  s.vars().Set("PIERWSZE_WEJSCIE", xbase::Value(false));
  s.kalk().lx = session::kKalkMaxColumn;
}

void ReadStartFiles(Session& s) {
  SetDate(s, "M_DATA_RR", ReadDataRr(s));
  SetText(s, "M_RD_POMIN", ReadPominac(s));
  SetText(s, "M_BANKBOLD", ReadBankbold(s));
}

void CzytKpKw(Session& s) {
  xbase::WorkArea* firma = s.areas().Area(1);
  if (firma == nullptr || !firma->GoTop().ok() || firma->eof()) return;
  bool locked = LockWithWait(s, *firma, kKpKwLockSeconds);
  for (std::string_view f : {"KP", "KW", "NO", "WE", "KP_KW", "KP_"}) {
    auto v = firma->Get(f);
    if (v.ok()) (void)s.settings().SetNumber("JF_" + std::string(f), v->AsNumber());
  }
  auto oddzial = firma->Get("ODDZIAL");
  if (oddzial.ok()) SetText(s, "M_ODDZIAL", oddzial->AsString());
  if (locked) (void)firma->Unlock();
}

void StampOperatorLog(Session& s, const std::string& path) {
  JulianDay day = s.Today();
  std::string time = s.clock().TimeText();
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    std::tm tm{};
    time_t mtime = st.st_mtime;
    if (localtime_r(&mtime, &tm) != nullptr) {
      day = JulianFromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
      char buf[12];
      std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
      time = buf;
    }
  }
  Ymd d = YmdFromJulian(day);
  char date[12];
  std::snprintf(date, sizeof date, "%02d/%02d/%02d", d.day, d.month, d.year % 100);
  (void)s.settings().SetText("J_DAT_OPE", date);
  (void)s.settings().SetText("J_TIM_OPE", time);
}

void TworzKant(Session& s) {
  if (Left(s.settings().Text("J_KANTY"), 1) == "N") return;
  std::string path = ExistingFile(s, "operator.txt");
  if (path.empty()) {
    path = s.Path("operator.txt");
    auto made = s.env().Open(path, {.write = true, .create = true});
    if (!made.ok()) return;
  }
  StampOperatorLog(s, path);
  (void)session::SaveSettings(s.settings(), s.root());
}

// Step 17: the menus, round after round; the working lines are emptied after each.
int MainLoop(Session& s) {
  return MainMenuLoop(s, [](Session& x) {
    // A routine that left working lines behind leaves no reservation behind either.
    documents::ZwRezWyjscie(x);
    if (WorkingLinesHoldRecords(x)) (void)session::NoweDd(x);  // the next document makes its own
  });
}

int Shutdown(Session& s, StartupState& state) {
  console::Console& con = s.con();
  ReleaseReservationsQuietly(s);
  const bool backup_asked = (s.settings().Yes("J_KOPIOWAC") && (s.op().Prawa(1) || s.op().Prawa(12))) ||
                            s.FileX("VV.XXX");
  if (IsBlank(s.settings().Text("J_FF2")) && backup_asked) {
    OutNet(s);
    (void)s.areas().Close(1);
    auto alone = OpenWithWait(s, 1, s.Path("firma.dbf"), "firma", true, 1);
    if (alone.ok() && !s.FileX("ARC.---")) {
      if (KopiaPrzyWyjsciu(s)) {
        console::Okno_(con, "Zrobiono kopie", 2);
      } else {
        con.Clear();
        console::Okno_(con, "Nie zrobiono kopii !!!", 2);
        console::Okno_(con, "Nie zrobiono kopii !!!", 2);
        return Quit(s, state, kExitNormal);
      }
    }
  }
  OutNet(s);
  state.registered = false;
  (void)s.areas().CloseAll();
  console::Okno_(con, "KONIEC PRACY PROGRAMU");
  con.Clear();
  con.Refresh();
  state.exit_code = kExitNormal;
  return kExitNormal;
}

void StopNow(Session& s, StartupState& state) {
  ReleaseReservationsQuietly(s);
  if (state.registered) OutNet(s);
  state.registered = false;
  (void)s.areas().CloseAll();
}

namespace {

// A new company, whose kinds table is still empty, gets the starter kinds, so that its
// first document can be entered at once.
void StarterKinds(Session& s) {
  xbase::WorkArea* slow = s.areas().Area(store::Table(store::TableId::kSlow).area);
  if (slow == nullptr) return;
  session::ConsoleStoreUi ui(s.con());
  auto added = session::AddStarterKindsWhenEmpty(ui, *slow);
  if (!added.ok()) console::Okno_(s.con(), "Rodzaje dowodow nie dopisane - plik slow niedostepny", 3);
}

}  // namespace

int Main(Session& s, StartupState& state, const StartupHooks& hooks) {
  console::Console& con = s.con();
  StartArgs& args = state.args;
  args = ParseStartArgs(s.options().argument);
  invoicing::InstallDocumentActions(s);  // the line grid's F5 prints through invoicing
  devices::InstallFiscalActions(s);      // posted documents of the fiscal kinds go to the printer
  devices::InstallCardActions(s);        // new sales paid "C" go to the card terminal

  RuntimeSettings(s);                        // 1
  DeclarePublicVariables(s, args, hooks);    // 2
  Banner(s);                                 // 3

  if (args.install) {                        // 4
    con.Clear();
    InstKorv(s);
  } else if (args.rescue) {
    s.set_stacja(1);
    if (!Ratunek(s)) return Quit(s, state, kExitNotStarted);
    const int keep[] = {1, kSingleInstanceArea};
    (void)s.areas().CloseAll(keep);
  }
  if (!args.given()) {                       // 5
    if (PeriodWindow(s, args) == WindowResult::kQuit) return Quit(s, state, kExitNormal);
    SetText(s, "WWW", args.www);
  }
  WorkingDocument(s);                        // 6
  StoredSettings(s, args);                   // 7
  ReadStartFiles(s);                         // 8

  console::OknoNoWait(con, "Indeksowanie - prosze czekac ...");  // 9
  StationEntry station = InNet(s, args);
  if (station.station == 0) return Quit(s, state, kExitNotStarted);
  state.registered = true;
  // The slot's life lock: other stations see this one alive while it is held.
  if (!s.HoldStationLock().ok()) {
    console::Okno_(con, "Stanowisko " + s.StationText() + " zajete przez dzialajacy program", 3);
    return Quit(s, state, kExitNotStarted);
  }
  SetText(s, "PLIK", "rob/wydruk" + s.StationText() + ".prn");

  // A restore stopped among its renames is finished before any table is opened.
  const bool restored = maintenance::FinishStoppedRestore(s);
  bool opened = station.rebuild_indexes || restored ? session::InitNtx(s) : session::InitDbf(s);  // 10
  if (!opened) return Quit(s, state, kExitNotStarted);
  if (restored) maintenance::FinishRestoreDone(s);
  TakePeriodFromFirma(s);
  documents::StartUpRecovery(s, station.first);  // what stations that are gone left
  if (!args.cd) StarterKinds(s);
  if (s.FileX(std::string(documents::kKorektaMarker))) {
    // A reconciliation cut short left the cards between their month opening and the end.
    console::Okno_(con, "Reorganizacja zbiorow nie skonczona - stany magazynowe moga byc bledne. "
                        "Powtorz ja: Funkcje specjalne, Reorganizacja zbiorow", 10);
  }
  if (s.FileX(std::string(settlements::kLedgerRebuildMarker))) {
    // A ledger rebuild cut short after the new open items took their place.
    console::Okno_(con, "Odbudowa rozrachunkow nie skonczona - salda kontrahentow moga byc bledne. "
                        "Powtorz: Funkcje specjalne, Reorganizacja zbiorow", 10);
  }
  if (s.FileX(std::string(maintenance::kZerowanieMarker))) {
    // A zeroing cut short: each table is as it was or zeroed; running it again ends it.
    console::Okno_(con, "Zerowanie zbiorow nie skonczone - powtorz je: "
                        "Funkcje specjalne, Opcja administratora - zerowanie", 10);
  }

  if (s.stacja() == 1) TworzKant(s);         // 11
  SessionSwitches(s);                        // 12

  InitMenuPositions(s);                      // 13
  SetNumber(s, "K_GLOWNE", args.first_menu_item);
  EkranGlowny(s);
  CzytKpKw(s);
  con.ClearTypeahead();
  xbase::WorkArea* firma = s.areas().Area(1);
  auto nodb = firma != nullptr ? firma->Get("NODB") : Result<xbase::Value>(Status::NotFound("firma"));
  if (nodb.ok() && IsBlank(nodb->AsString())) {
    EdFirmy(s);
    EkranGlowny(s);
  }

  if (args.driver && s.FileX("KIEROWCA.TXT")) {  // 14
    SetText(s, "M_DRUKARKA", args.driver_epson ? "EPSON" : "PACKARD");
    session::NotBuilt(s, "KIEROWCA");
    OutNet(s);
    state.registered = false;
    (void)s.areas().CloseAll();
    console::Okno_(con, "KONIEC PRACY PROGRAMU");
    con.Clear();
    con.Refresh();
    return kExitNormal;
  }

  if (!ZmianaOperatora(s)) return Shutdown(s, state);  // 15
  // Receipts this workstation left half-way on its fiscal printer are finished first.
  if (devices::HasFiscalPrinter(s) && devices::HasPendingReceipts(s)) (void)devices::FinishPendingReceipt(s);
  EkranGlowny(s);
  SetText(s, "M_SPZ", s.settings().Spz());

  if (s.stacja() == 1 && s.FileX("CZYTROB0.TXT")) {  // 16
    CzytRob0(s);
    for (std::string_view marker : {"czytrob0.txt", "small.txt"}) {
      std::string path = ExistingFile(s, marker);
      if (!path.empty()) (void)s.env().Remove(path);
    }
    EkranGlowny(s);
  }

  const int ended = MainLoop(s);             // 17
  if (IsInstallerExit(ended)) {
    StopNow(s, state);
    state.exit_code = ended;
    return ended;
  }
  return Shutdown(s, state);                 // 18
}

}  // namespace hurt::shell
