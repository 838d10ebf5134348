// UNARC_DBF: the restore of a month from a drive (steps in backup.h).
#include <algorithm>
#include <array>
#include <set>

#include "base/cp852.h"
#include "base/text.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "maintenance/backup.h"
#include "xbase/file_util.h"
#include "maintenance/backup_places.h"
#include "maintenance/backup_screen.h"
#include "maintenance/period_keys.h"
#include "maintenance/zip_archive.h"
#include "session/init_tables.h"
#include "session/init_tables_build.h"
#include "session/output/vat_ini.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/schema.h"

namespace hurt::maintenance {

using namespace hurt::literals;

namespace {

// The dialog's window.
constexpr int kTop = 8, kLeft = 12, kBottom = 13, kRight = 67;
constexpr int kLabelCol = kLeft + 2;
// The list of dated archives.
constexpr int kListTop = 4, kListLeft = 26, kListBottom = 20, kListRight = 53;
// What stays open while the files are replaced: the company table (held exclusively) and
// the station's single-instance lock.
constexpr std::array<int, 2> kKeptAreas = {1, 149};
// The side archives, unpacked after the month's when they lie beside it.
constexpr std::array<std::string_view, 4> kSideArchives = {"FV_ZAL.ZIP", "FV_ZAM.ZIP", "POJEMNIK.ZIP", "WZOR.ZIP"};

struct RestoreChoice {
  std::string name;  // the archive, upper case with its extension ("" in the dated variant)
  char drive = 'C';
  std::string subfolder;
};

// An archive name as typed: upper case, ".ZIP" added when it has no extension; nullopt
// for a name that is no plain file name.
std::optional<std::string> ArchiveName(std::string_view typed) {
  std::string name = Upper(AllTrim(typed));
  if (name.empty() || name.find_first_of("/\\:") != std::string::npos || name.find("..") != std::string::npos) {
    return std::nullopt;
  }
  if (name.find('.') == std::string::npos) name += ".ZIP";
  return name;
}

// Step 2: the dialog; nullopt after Esc.
std::optional<RestoreChoice> AskWhere(Session& session, bool dated) {
  console::Console& con = session.con();
  const BackupMonth current = BackupMonth::FromFolder(session.hh()).value_or(BackupMonth{});
  std::string example = MonthArchiveName(current);
  example.resize(example.size() - 4);  // without ".ZIP"
  std::string name = PadR(dated ? std::string() : example, 18);
  std::string wielu = "N";
  std::string naped = PadR(Left(session.settings().Text("J_GDZIE"), 1), 1);
  std::string katalog = PadR(session.settings().Text("J_KATALOG"), 8);

  DrawDialog(con, kTop, kLeft, kBottom, kRight, " ODTWARZANIE ZBIOROW ");
  console::Form form(con);
  const std::string label = "Nazwa pliku np. " + example + "        :";
  form.Say(kTop + 1, kLabelCol, label);
  form.GetText(kTop + 1, kLabelCol + static_cast<int>(label.size()), name, "@!K")
      .When([dated] { return !dated; })
      .Valid([&con, &name] {
        if (ArchiveName(name)) return true;
        console::Okno_(con, "Podaj nazwe pliku kopii", 2);
        return false;
      });
  form.Say(kTop + 2, kLabelCol, "Czy dane sa na wielu PENach");
  form.GetText(kTop + 2, kLabelCol + 28, wielu, "!").Valid([&con, &wielu] {
    if (wielu == "N") return true;
    if (wielu == "T") {
      console::Okno_(con, "Kopia na wielu PENach nie jest obslugiwana - archiwum ZIP jest jednym plikiem", 3);
    }
    return false;
  });
  form.Say(kTop + 3, kLabelCol, "ODTWARZAC Z NAPEDU:");
  form.GetText(kTop + 3, kLabelCol + 20, naped, "!").Valid([&con, &naped] {
    if (naped == std::string(1, kProgramFolderDrive) || DriveLetter(naped)) return true;
    console::Okno_(con, "Podaj litere napedu A..Z albo . (katalog programu)", 2);
    return false;
  });
  form.Say(kTop + 4, kLabelCol, "z katalogu:");
  form.GetText(kTop + 4, kLabelCol + 12, katalog, "@!K").Valid([&con, &katalog] {
    if (BackupSubfolder(katalog)) return true;
    console::Okno_(con, "Zla nazwa katalogu", 2);
    return false;
  });
  con.ShowCursor(true);
  const console::ReadResult read = form.Read();
  con.ShowCursor(false);
  if (read.escaped) return std::nullopt;

  RestoreChoice c;
  if (!dated) c.name = ArchiveName(name).value_or("");
  c.drive = naped == std::string(1, kProgramFolderDrive) ? kProgramFolderDrive : DriveLetter(naped).value_or('C');
  c.subfolder = BackupSubfolder(katalog).value_or("");
  return c;
}

// The file `name` in `folder` under its name in lower or in upper case ("" when neither).
std::string FindArchive(xbase::Env& env, const std::string& folder, std::string_view name) {
  for (const std::string& spelt : {Lower(name), Upper(name)}) {
    const std::string path = folder + "/" + spelt;
    if (env.Exists(path) && !env.IsDir(path)) return path;
  }
  return "";
}

struct Found {
  std::string name;    // upper case, as the operator reads it
  std::string path;    // on disk
  std::string folder;  // where it lies
};

// The dated archives of a month in `folder`, newest first (their names sort by day and time).
std::vector<Found> DatedArchives(xbase::Env& env, const std::string& folder, const std::string& prefix) {
  std::vector<Found> out;
  auto names = env.ListDir(folder);
  if (!names.ok()) return out;
  for (const std::string& n : *names) {
    const std::string upper = Upper(n);
    if (upper.rfind(prefix, 0) == 0 && upper.size() > 4 && upper.substr(upper.size() - 4) == ".ZIP") {
      out.push_back({upper, folder + "/" + n, folder});
    }
  }
  std::sort(out.begin(), out.end(), [](const Found& a, const Found& b) { return a.name > b.name; });
  return out;
}

// The dated archive the operator picks from the list; nullopt after Esc.
std::optional<Found> PickDated(console::Console& con, const std::vector<Found>& archives) {
  std::vector<std::string> lines;
  lines.reserve(archives.size());
  for (const Found& f : archives) lines.push_back(" " + f.name);
  console::VectorListSource source(std::move(lines));
  const console::SavedScreen saved = con.SaveScreen();
  DrawDialog(con, kListTop, kListLeft, kListBottom, kListRight, " Wybierz kopie ");
  console::PickList list(con, source, kListTop + 1, kListLeft + 1, kListBottom - 1, kListRight - 1);
  const console::PickResult r = list.Run();
  con.RestoreScreen(saved);
  if (r.exit != console::PickExit::kChosen || r.choice < 1 || static_cast<size_t>(r.choice) > archives.size()) {
    return std::nullopt;
  }
  return archives[static_cast<size_t>(r.choice) - 1];
}

// The month archive the choice names: where the backup of that drive and folder puts it,
// else in the folder itself. nullopt after a message (or Esc in the list).
std::optional<Found> LocateMonthArchive(Session& session, const RestoreChoice& choice, const std::string& drive_path,
                                        bool dated) {
  console::Console& con = session.con();
  xbase::Env& env = session.env();
  std::vector<std::string> folders = {ArchiveFolder(drive_path, choice.drive, choice.subfolder)};
  const std::string plain = choice.subfolder.empty() ? drive_path : drive_path + "/" + Lower(choice.subfolder);
  if (plain != folders.front()) folders.push_back(plain);
  if (dated) {
    const std::string prefix = DatedArchivePrefix(BackupMonth::FromFolder(session.hh()).value_or(BackupMonth{}));
    for (const std::string& folder : folders) {
      const std::vector<Found> archives = DatedArchives(env, folder, prefix);
      if (!archives.empty()) return PickDated(con, archives);
    }
    console::Okno_(con, "Brak pliku " + prefix + "*.ZIP", 3);
    return std::nullopt;
  }
  for (const std::string& folder : folders) {
    const std::string path = FindArchive(env, folder, choice.name);
    if (!path.empty()) return Found{choice.name, path, folder};
  }
  console::Okno_(con, "Brak pliku " + choice.name, 3);
  return std::nullopt;
}

// One archive read and unpacked beside its files, waiting for the renames.
struct Unpacked {
  std::string name;
  std::string shown;
  bool encrypted = false;
  UnpackedFiles files;
};

// Step 4 for one archive; nullopt after the failure was told.
std::optional<Unpacked> Unpack(Session& session, const Found& archive, const std::string& shown,
                               const std::string& password) {
  console::Console& con = session.con();
  bool encrypted = false;
  if (auto reader = ZipReader::Open(session.env(), archive.path); reader.ok()) encrypted = (*reader)->AnyEncrypted();
  auto files = UnpackBeside(session.env(), archive.path, session.root(), password, [&](const std::string& entry) {
    console::OknoNoWait(con, "Rozpakowanie " + archive.name + ": " + entry);
  });
  if (!files.ok()) {
    TellRestoreFailure(con, archive.name, shown, files.status(), encrypted);
    return std::nullopt;
  }
  return Unpacked{archive.name, shown, encrypted, std::move(*files)};
}

// The periods ("yy/mm") the restored files belong to.
void CollectPeriods(const std::vector<std::string>& names, std::set<std::string>* periods) {
  for (const std::string& n : names) {
    if (n.size() > 6 && n[5] == '/' && BackupMonth::FromFolder(n.substr(0, 5))) periods->insert(n.substr(0, 5));
  }
}

// Before the last question: the months the copy brings back, and for a month closed since
// the copy was taken, that the months after it were opened from data it replaces.
void TellMonthsRestored(Session& session, const std::vector<Unpacked>& ready) {
  std::set<std::string> periods;
  for (const Unpacked& u : ready) CollectPeriods(u.files.names(), &periods);
  for (const std::string& period : periods) {
    const std::optional<std::string> later = NextPeriod(period);
    if (later && session.env().Exists(session.Path(*later + "/as.dbf"))) {
      console::OknoLines(session.con(),
                         {"Kopia zastapi miesiac " + MonthName(period), "zamkniety juz. Miesiac " + MonthName(*later),
                          "otwarto z danych, ktore kopia zastapi.", "Po odtworzeniu zmien okres na ten",
                          "miesiac i zamknij go ponownie"},
                         10);
    } else {
      console::Okno_(session.con(), "Kopia zastapi miesiac " + MonthName(period), 2);
    }
  }
}

// Step 7, first part: a month other than the current one gets its indexes rebuilt from
// the restored tables, so that viewing it later reads no index of the tables replaced.
// The tables it lacks are not made. False after the failure was told.
bool RebuildMonthIndexes(Session& session, const std::string& period) {
  session::ConsoleStoreUi ui(session.con());
  session::BuildContext b(session, ui);
  b.period = period;
  for (store::TableId id : store::RebuildOrder()) {
    const store::TableDef& t = store::Table(id);
    if (t.place != store::Place::kPeriod || !session.env().Exists(b.TableFile(t) + ".dbf")) continue;
    if (!session::BuildTable(b, t).ok()) return false;
  }
  return true;
}

// Step 6, first part: firma alone. False when another station runs (after the message);
// *lost when even the shared open failed.
bool TakeFirmaAlone(Session& session, bool* lost) {
  session::ConsoleStoreUi ui(session.con());
  store::StoreContext ctx{session.areas(), ui};
  const std::string firma = session.Path("firma");
  *lost = false;
  Status alone = session.areas().Close(1);
  if (alone.ok()) alone = session.areas().Select(1);
  if (alone.ok()) alone = store::NetUse(ctx, firma, "firma", true, 1);
  if (alone.ok()) return true;
  *lost = !store::NetUse(ctx, firma, "firma", false, 1).ok();
  console::Okno_(session.con(), "Wszyscy musza wyjsc z programu !", 3);
  return false;
}

}  // namespace

RestoreEnd UnarcDbf(Session& session) {
  console::Console& con = session.con();
  xbase::Env& env = session.env();
  if (session.InArchive()) {  // 1
    console::Okno_(con, "Praca w archiwum - blokada", 3);
    return RestoreEnd::kBack;
  }
  const bool dated = session.FileX("VV.TXT");
  const console::SavedScreen saved = con.SaveScreen();
  const std::optional<RestoreChoice> choice = AskWhere(session, dated);  // 2
  con.RestoreScreen(saved);
  if (!choice) return RestoreEnd::kBack;
  auto ini = session::VatIni::Load(env, session.root());
  if (!ini.ok()) {
    console::Okno_(con, "Blad pliku vat.ini - zbiory nie odtworzone", 3);
    return RestoreEnd::kBack;
  }
  const DriveFolder drive = FolderOfDrive(env, *ini, session.root(), choice->drive);
  if (!drive.ready) {
    console::Okno_(con, "Stacja " + std::string(1, choice->drive) + " nie jest gotowa", 3);
    return RestoreEnd::kBack;
  }
  const std::optional<Found> month = LocateMonthArchive(session, *choice, drive.path, dated);
  if (!month) return RestoreEnd::kBack;
  const bool in_vat = month->folder == ArchiveFolder(drive.path, choice->drive, choice->subfolder);
  const std::string shown_folder = in_vat ? ArchiveFolderShown(choice->drive, choice->subfolder)
                                          : DriveFolderShown(choice->drive, choice->subfolder);
  if (!console::Okno(con, "CZY ZROBIONO KOPIE WSZYSTKICH ZBIOROW ?")) return RestoreEnd::kBack;  // 3

  // 4. Everything read and checked before anything is replaced.
  const std::string password = BackupPassword(*ini);
  std::vector<Unpacked> ready;
  std::optional<Unpacked> first = Unpack(session, *month, JoinShown(shown_folder, month->name), password);
  if (!first) return RestoreEnd::kBack;
  ready.push_back(std::move(*first));
  for (std::string_view side : kSideArchives) {
    const std::string path = FindArchive(env, month->folder, side);
    if (path.empty()) continue;
    const Found archive{std::string(side), path, month->folder};
    if (std::optional<Unpacked> u = Unpack(session, archive, JoinShown(shown_folder, side), password)) {
      ready.push_back(std::move(*u));
    }
  }
  TellMonthsRestored(session, ready);
  if (!console::Okno(con, "CZY NA PEWNO ODTWARZAC ?", "N")) return RestoreEnd::kBack;  // 5

  // 6. Alone, with the session's tables closed, the files take their places.
  bool lost = false;
  if (!TakeFirmaAlone(session, &lost)) return lost ? RestoreEnd::kEndProgram : RestoreEnd::kBack;
  if (!session.areas().CloseAll(kKeptAreas).ok()) {
    console::Okno_(con, "Nie moge zamknac plikow - zbiory nie odtworzone", 3);
    ready.clear();
    return session::InitDbf(session) ? RestoreEnd::kBack : RestoreEnd::kEndProgram;
  }
  // The journal of the renames first: a stop among them is finished at the next start.
  std::string journal;
  for (const Unpacked& u : ready) {
    for (const auto& [temporary, place] : u.files.Moves()) journal += temporary + "\t" + place + "\n";
  }
  if (!xbase::WriteWholeFile(session.env(), session.Path(std::string(kRestoreJournal)), journal).ok()) {
    console::Okno_(con, "Nie moge zapisac dziennika odtwarzania - zbiory nie odtworzone", 3);
    ready.clear();
    return session::InitDbf(session) ? RestoreEnd::kBack : RestoreEnd::kEndProgram;
  }
  std::set<std::string> periods;
  for (Unpacked& u : ready) {
    const Status placed = u.files.Commit();
    if (placed.ok()) {
      console::Okno_(con, u.name + std::string("-pliki zostały rozpakowane"_pl), 2);
    } else {
      TellRestoreFailure(con, u.name, u.shown, placed, u.encrypted);
    }
    CollectPeriods(u.files.names(), &periods);  // a rename that failed may have left some in place
  }

  // 7. Indexes.
  for (const std::string& period : periods) {
    if (period != session.hh()) (void)RebuildMonthIndexes(session, period);  // it has told what failed
  }
  console::OknoNoWait(con, "Indeksowanie - prosze czekac ...");
  if (!session::InitNtx(session)) return RestoreEnd::kEndProgram;
  FinishRestoreDone(session);
  return RestoreEnd::kBack;
}

bool FinishStoppedRestore(Session& session) {
  xbase::Env& env = session.env();
  const std::string path = session.Path(std::string(kRestoreJournal));
  if (!env.Exists(path)) return false;
  auto text = xbase::ReadWholeFile(env, path);
  if (text.ok()) {
    size_t start = 0;
    while (start < text->size()) {
      size_t end = text->find('\n', start);
      if (end == std::string::npos) end = text->size();
      const std::string line = text->substr(start, end - start);
      start = end + 1;
      const size_t tab = line.find('\t');
      if (tab == std::string::npos) continue;
      const std::string temporary = line.substr(0, tab);
      if (env.Exists(temporary)) (void)env.Rename(temporary, line.substr(tab + 1));
    }
  }
  console::Okno_(session.con(), "Odtwarzanie zbiorow przerwane - dokonczone, indeksy zostana odbudowane", 5);
  return true;
}

void FinishRestoreDone(Session& session) {
  const std::string path = session.Path(std::string(kRestoreJournal));
  if (session.env().Exists(path)) (void)session.env().Remove(path);
}

}  // namespace hurt::maintenance
